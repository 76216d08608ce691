#pragma once

#include "Clock.h"
#include "ModelTestFixture.h"
#include "Paths.h"
#include "Setting.h"

#include <QByteArray>
#include <QDateTime>
#include <QMutex>
#include <QStringList>
#include <QTemporaryDir>

// Collects the warnings and errors logged while it lives.
class LogCapture {
public:
    LogCapture() { s_previous = qInstallMessageHandler(&LogCapture::handle); }
    ~LogCapture()
    {
        qInstallMessageHandler(s_previous);
        QMutexLocker lock(&s_mutex);
        s_messages.clear();
    }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    QStringList messages() const
    {
        QMutexLocker lock(&s_mutex);
        return s_messages;
    }

private:
    static void handle(QtMsgType, const QMessageLogContext&, const QString& message)
    {
        QMutexLocker lock(&s_mutex);
        s_messages.append(message);
    }
    static inline QtMessageHandler s_previous = nullptr;
    static inline QMutex s_mutex;
    static inline QStringList s_messages;
};

// A fresh database plus a support folder of its own for each test, so side
// files and backups never leak from one test into the next.
class SettingTest : public ModelTest {
protected:
    void SetUp() override
    {
        ModelTest::SetUp();
        ASSERT_TRUE(m_home.isValid());
        m_previousHome = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", m_home.path().toUtf8());
        ASSERT_TRUE(supportFolder().startsWith(m_home.path()));
    }

    void TearDown() override
    {
        qputenv("XDG_DATA_HOME", m_previousHome);
        Clock::reset();
        ModelTest::TearDown();
    }

    static QString supportFolder() { return Paths::applicationSupportFolder(); }
    static SettingPtr loadSetting() { return Setting::initWithPrimaryKey(1, nullptr); }

    // An instant given as a Paris wall-clock reading (the tests' zone).
    static Date parisTime(int year, int month, int day, int hour, int minute, int second = 0)
    {
        const QDateTime local(QDate(year, month, day), QTime(hour, minute, second), Qt::LocalTime);
        return Date::dateWithTimeIntervalSince1970(double(local.toSecsSinceEpoch()));
    }

private:
    QTemporaryDir m_home;
    QByteArray m_previousHome;
};
