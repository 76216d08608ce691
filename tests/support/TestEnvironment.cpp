#include "TestEnvironment.h"

#include "GregorianCalendar.h"

#include <QCoreApplication>
#include <QElapsedTimer>
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
