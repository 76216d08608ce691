#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>

class QTemporaryDir;

// Switches the process's time zone for the life of the object (TZ and tzset),
// so one test can run west of GMT while its suite runs in Paris.
class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const char* zone);
    ~ScopedTimeZone();
    ScopedTimeZone(const ScopedTimeZone&) = delete;
    ScopedTimeZone& operator=(const ScopedTimeZone&) = delete;

private:
    QByteArray m_previous;
    bool m_hadPrevious;
};

// Pumps the main thread's event loop until the predicate holds or the time is
// up (wall time: used only to bound waits on other threads, never as "now").
bool processEventsUntil(const std::function<bool()>& predicate, int timeoutMs = 5000);

// The private data folder every test binary runs in (XDG_DATA_HOME points into it).
QString testDataRoot();

// A start of the program of its own: XDG_DATA_HOME points at a fresh folder
// (so the support folder and its database are new) and the application's
// version is `version`, for the life of the object; both come back after.
class ScopedDataHome {
public:
    explicit ScopedDataHome(const QString& version = QStringLiteral("2.0"));
    ~ScopedDataHome();
    ScopedDataHome(const ScopedDataHome&) = delete;
    ScopedDataHome& operator=(const ScopedDataHome&) = delete;

    bool isValid() const;
    QString path() const;

private:
    std::unique_ptr<QTemporaryDir> m_home;
    QByteArray m_previousHome;
    QString m_previousVersion;
};
