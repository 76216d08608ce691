#pragma once

#include "Clock.h"
#include "LogCapture.h"
#include "ModelTestFixture.h"
#include "Paths.h"
#include "Setting.h"

#include <QByteArray>
#include <QDateTime>
#include <QStringList>
#include <QTemporaryDir>

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
