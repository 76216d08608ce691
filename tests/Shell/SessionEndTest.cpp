// The end of the session while a reminder alert is open: the program, run
// as a child process on a fresh data folder, ends at once on SIGTERM as the
// tray's Quit ends it, and loses nothing.
#include "AlertObj.h"
#include "Clock.h"
#include "CoreData.h"
#include "RecordStore.h"
#include "Setting.h"
#include "Task.h"
#include "TestEnvironment.h"
#include "Utilities.h"

#include <QCoreApplication>
#include <QElapsedTimer>
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

}  // namespace

TEST(SessionEndTest, SigtermWithAReminderAlertOpenQuitsCleanlyAndKeepsTheAlarm)
{
    ScopedDataHome home;
    ASSERT_TRUE(home.isValid());
    const Date now = Clock::now();
    const Date minute = Utilities::newDateFromDateWithNoSecond(now, 0);
    qint64 key = 0;
    QString alarms;
    {
        CoreData manager;
        CoreData::setShared(&manager);
        ASSERT_TRUE(manager.init());
        manager.currentSetting()->setStartUpWizard(0);
        ASSERT_TRUE(manager.currentSetting()->dehydrate());
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
        CoreData::setShared(nullptr);
    }
    closeDatabase();

    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("disabled:"));
    program.setProcessEnvironment(environment);
    program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    program.start(QStringLiteral(ZORAVEL_SESSION_RUNNER),
                  {QCoreApplication::applicationName(), QCoreApplication::applicationVersion(), QString::number(key)});
    ASSERT_TRUE(program.waitForStarted());
    QElapsedTimer waited;
    waited.start();
    while (!program.readAllStandardOutput().contains("alert") && waited.elapsed() < 20000)
        program.waitForReadyRead(1000);
    if (waited.elapsed() >= 20000) {
        program.kill();
        program.waitForFinished();
        FAIL() << "the reminder alert never opened";
    }

    ::kill(pid_t(program.processId()), SIGTERM);
    waited.restart();
    const bool ended = program.waitForFinished(5000);
    if (!ended) program.kill();
    ASSERT_TRUE(ended) << "still running 5 s after SIGTERM";
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);

    // The shut-down ran: the settings carry its stamp. The alert was not
    // taken as answered: the task keeps its alarm, not snoozed.
    CoreData manager;
    CoreData::setShared(&manager);
    ASSERT_TRUE(manager.init());
    EXPECT_GE(manager.currentSetting()->iCalLastSyncTime(), minute);
    const TaskPtr task = Task::initWithPrimaryKey(key, RecordStore::sharedDatabase());
    ASSERT_NE(task, nullptr);
    EXPECT_EQ(task->alertValues().toStdString(), alarms.toStdString()) << "the alert was taken as answered";
    CoreData::setShared(nullptr);
    closeDatabase();
}
