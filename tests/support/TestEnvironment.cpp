#include "TestEnvironment.h"

#include "GregorianCalendar.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>

#include <ctime>

ScopedTimeZone::ScopedTimeZone(const char* zone)
    : m_previous(qgetenv("TZ")), m_hadPrevious(qEnvironmentVariableIsSet("TZ"))
{
    qputenv("TZ", zone);
    tzset();
    GregorianCalendar::resetSystemZone();
}

ScopedTimeZone::~ScopedTimeZone()
{
    if (m_hadPrevious)
        qputenv("TZ", m_previous);
    else
        qunsetenv("TZ");
    tzset();
    GregorianCalendar::resetSystemZone();
}

bool processEventsUntil(const std::function<bool()>& predicate, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!predicate()) {
        if (timer.elapsed() > timeoutMs) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}

ScopedDataHome::ScopedDataHome(const QString& version)
    : m_home(std::make_unique<QTemporaryDir>()),
      m_previousHome(qgetenv("XDG_DATA_HOME")),
      m_previousVersion(QCoreApplication::applicationVersion())
{
    qputenv("XDG_DATA_HOME", m_home->path().toUtf8());
    QCoreApplication::setApplicationVersion(version);
}

ScopedDataHome::~ScopedDataHome()
{
    QCoreApplication::setApplicationVersion(m_previousVersion);
    qputenv("XDG_DATA_HOME", m_previousHome);
}

bool ScopedDataHome::isValid() const
{
    return m_home->isValid();
}

QString ScopedDataHome::path() const
{
    return m_home->path();
}
