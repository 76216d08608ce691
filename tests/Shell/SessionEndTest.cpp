// The end of the session while an alert is open: the program, run as a
// child process on a fresh data folder, ends at once on SIGTERM as the
// tray's Quit ends it, without a crash, and loses nothing.
#include "AlertObj.h"
#include "Clock.h"
#include "CoreData.h"
#include "RecordStore.h"
#include "Setting.h"
#include "Task.h"
#include "TestEnvironment.h"
#include "Utilities.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

#include <csignal>

namespace {

void closeDatabase()
{
    RecordStore::finalizeAllStatements();
    sqlite3_close(RecordStore::sharedDatabase());
    RecordStore::setSharedDatabase(nullptr);
    databaseOpen = false;
}

// Events in a few zones, each in a file of its own, so that the calendar
// store's first index of the start reads for a while.
void fillCalendarStore(const QString& root, int count)
{
    const char* const zones[] = {"Europe/Berlin", "America/New_York", "Asia/Tokyo", "Australia/Sydney"};
    for (int n = 0; n < count; ++n) {
        const QString folder = root + QStringLiteral("/Calendar %1.calendar/Events").arg(n % 4);
        ASSERT_TRUE(QDir().mkpath(folder));
        QFile file(folder + QStringLiteral("/event-%1.ics").arg(n));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        const QByteArray zone = zones[n % 4];
        const QByteArray day = QByteArray::number(20260101 + n % 28);
        file.write("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Test//EN\r\nBEGIN:VEVENT\r\nUID:event-" +
                   QByteArray::number(n) + "\r\nDTSTAMP:20260101T000000Z\r\nDTSTART;TZID=" + zone + ":" + day +
                   "T090000\r\nDTEND;TZID=" + zone + ":" + day +
                   "T100000\r\nRRULE:FREQ=WEEKLY;COUNT=10\r\nSUMMARY:Meeting\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n");
    }
}

}  // namespace

TEST(SessionEndTest, SigtermWithAnAlertOpenQuitsCleanlyWithoutACrashAndKeepsTheAlarm)
{
    const struct {
        const char* name;
        bool reminder;        // else the start-up alert of an account file that cannot be read
        int storeEvents;      // files the calendar store's first index reads meanwhile
        int rounds;           // the crash it guards against came at every other quit
    } rows[] = {
        {"a reminder alert", true, 0, 1},
        {"the start-up account alert while the store is indexed", false, 4000, 6},
    };
    for (const auto& row : rows) {
        for (int round = 0; round < row.rounds; ++round) {
            SCOPED_TRACE(row.name);
            SCOPED_TRACE(round);
            ScopedDataHome home;
            ASSERT_TRUE(home.isValid());
            const Date now = Clock::now();
            const Date minute = Utilities::newDateFromDateWithNoSecond(now, 0);
            qint64 key = 0;
            QString alarms;
            if (row.reminder) {
                CoreData manager;
                CoreData::setShared(&manager);
                ASSERT_TRUE(manager.init());
                manager.currentSetting()->setStartUpWizard(0);
                ASSERT_TRUE(manager.currentSetting()->dehydrate());
                {
                    auto alert = std::make_shared<AlertObj>();
                    alert->setAlertType(0);
                    alert->setAbsoluteDate(minute.dateByAddingTimeInterval(59));
                    auto task = std::make_shared<Task>();
                    task->setTaskType(1);
                    task->setTaskName(QStringLiteral("Call the plumber"));
                    task->setCalendarId(manager.currentSetting()->calendarDefID());
                    task->setHasDue(1);
                    task->setDueEnd(now.dateByAddingTimeInterval(3 * 3600));
                    task->setAlertValues(Utilities::updateAlertList({alert}));
                    ASSERT_TRUE(task->insertAndDehydrate());
                    key = task->primaryKey();
                    alarms = task->alertValues();
                }
                CoreData::setShared(nullptr);
                closeDatabase();
            } else {
                // A first start: the account file comes from an earlier
                // installation.
                QFile account(CoreData::zvwAccountPath());
                ASSERT_TRUE(account.open(QIODevice::WriteOnly));
                account.write(QByteArray(300, 'x'));
                account.close();
                fillCalendarStore(home.path() + QStringLiteral("/calendars"), row.storeEvents);
            }

            QProcess program;
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
            environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("disabled:"));
            environment.remove(QStringLiteral("ZORAVEL_CALENDAR_STORE"));
            program.setProcessEnvironment(environment);
            // Its log too: a quit that stops the store's first index tells
            // of no duplicate uid among the files it left unread.
            program.setProcessChannelMode(QProcess::MergedChannels);
            QByteArray output;
            // With a tray, as on a person's desktop: without one the start
            // would build the main window at once and wait for the index.
            program.start(QStringLiteral(ZORAVEL_SESSION_RUNNER),
                          {QCoreApplication::applicationName(), QCoreApplication::applicationVersion(),
                           QString::number(key), row.reminder ? QStringLiteral("none") : QStringLiteral("tray")});
            ASSERT_TRUE(program.waitForStarted());
            QElapsedTimer waited;
            waited.start();
            while (!output.contains("alert\n") && waited.elapsed() < 20000) {
                program.waitForReadyRead(1000);
                output += program.readAllStandardOutput();
            }
            if (waited.elapsed() >= 20000) {
                program.kill();
                program.waitForFinished();
                FAIL() << "the alert never opened";
            }

            ::kill(pid_t(program.processId()), SIGTERM);
            waited.restart();
            const bool ended = program.waitForFinished(5000);
            if (!ended) program.kill();
            ASSERT_TRUE(ended) << "still running 5 s after SIGTERM";
            EXPECT_EQ(program.exitStatus(), QProcess::NormalExit) << "ended by signal " << program.exitCode();
            EXPECT_EQ(program.exitCode(), 0);
            output += program.readAllStandardOutput();
            EXPECT_FALSE(output.contains("another file holds the uid ;")) << output.toStdString();

            // The shut-down ran: the settings carry its stamp. The alert was
            // not taken as answered: the task keeps its alarm, not snoozed.
            QFile::remove(CoreData::zvwAccountPath());
            QDir(home.path() + QStringLiteral("/calendars")).removeRecursively();
            CoreData manager;
            CoreData::setShared(&manager);
            ASSERT_TRUE(manager.init());
            EXPECT_GE(manager.currentSetting()->iCalLastSyncTime(), minute);
            if (row.reminder) {
                const TaskPtr task = Task::initWithPrimaryKey(key, RecordStore::sharedDatabase());
                ASSERT_NE(task, nullptr);
                EXPECT_EQ(task->alertValues().toStdString(), alarms.toStdString()) << "the alert was taken as answered";
            }
            CoreData::setShared(nullptr);
            closeDatabase();
        }
    }
}
