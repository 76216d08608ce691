// The start-up's export of new events and tasks killed at fixed points (each a flush of
// a store file: the files of a group written, some of them flushed, none or
// some groups linked), then started again on the same folders: every event is
// once in the store and once here.
#include "CalendarSyncFixture.h"

#include <QDirIterator>
#include <QProcess>

namespace ExportCrashTests {

constexpr int exported = 300;  // two groups of links: 250 and 50
constexpr int exportedTasks = 40;  // written after the events

class ExportCrashTest : public CalendarSyncTest {
protected:
    void SetUp() override
    {
        CalendarSyncTest::SetUp();
        dataManager().doWithCalendarList(std::nullopt, 1);
        auto linked = std::make_shared<Calendar>();
        linked->setCalendarName(QStringLiteral("Home"));
        ASSERT_TRUE(dataManager().addCalendarToCalendarList(linked, false, false));
        linked->setICalUID(storeCalendar->uid());
        ASSERT_TRUE(linked->dehydrate());
        // The runners live in the real time: the events lie in the window of
        // their full sync, so a copy without its link would come back.
        ASSERT_TRUE(setting->dehydrate());
        const Date now = Date::dateWithTimeIntervalSince1970(double(QDateTime::currentSecsSinceEpoch()));
        exec(QStringLiteral("BEGIN"));
        for (int i = 0; i < exported; ++i) {
            const Date start = now.dateByAddingTimeInterval(3600.0 * (i - exported / 2));
            TaskPtr item = localEvent(start, start.dateByAddingTimeInterval(1800));
            item->setTaskName(QStringLiteral("Event %1").arg(i));
            item->setCalendarId(linked->primaryKey());
            item->setParentId(-1);
            ASSERT_TRUE(item->insertAndDehydrate());
        }
        for (int i = 0; i < exportedTasks; ++i) {
            auto task = std::make_shared<Task>();
            task->setTaskType(1);
            task->setTaskName(QStringLiteral("Task %1").arg(i));
            task->setCalendarId(linked->primaryKey());
            task->setParentId(-1);
            task->setDueEnd(now);
            ASSERT_TRUE(task->insertAndDehydrate());
        }
        exec(QStringLiteral("COMMIT"));
        // The runners hold the database alone.
        RecordStore::finalizeAllStatements();
    }

    // The runner's exit: "stopped" when it reached the step and was killed.
    QString run(long step)
    {
        QProcess runner;
        runner.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QStringList arguments{dataFolder(), storeFolder.path()};
        if (step > 0) arguments << QString::number(step);
        runner.start(QStringLiteral(ZORAVEL_EXPORT_RUNNER), arguments);
        if (!runner.waitForStarted(10000)) return QStringLiteral("did not start");
        while (runner.state() == QProcess::Running && !runner.canReadLine()) runner.waitForReadyRead(100);
        if (runner.canReadLine()) {
            runner.kill();  // SIGKILL
            runner.waitForFinished(10000);
            return QStringLiteral("stopped");
        }
        runner.waitForFinished(60000);
        return runner.exitStatus() == QProcess::NormalExit && runner.exitCode() == 0 ? QStringLiteral("ended")
                                                                                    : QStringLiteral("failed");
    }

    // A query's column, or a statement run (answering nothing).
    QStringList column(const char* sql)
    {
        // Read as a new start reads it, on a connection of its own.
        QStringList values;
        sqlite3* fresh = nullptr;
        EXPECT_EQ(sqlite3_open((dataFolder() + QStringLiteral("/Database.sql")).toUtf8().constData(), &fresh), SQLITE_OK);
        sqlite3_stmt* statement = nullptr;
        EXPECT_EQ(sqlite3_prepare_v2(fresh, sql, -1, &statement, nullptr), SQLITE_OK);
        while (sqlite3_step(statement) == SQLITE_ROW)
            values << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)));
        EXPECT_EQ(sqlite3_errcode(fresh), SQLITE_DONE);
        sqlite3_finalize(statement);
        sqlite3_close(fresh);
        values.sort();
        return values;
    }
};

TEST_F(ExportCrashTest, AKillAtAnyFlushThenAStartLeavesEveryEventOnceOnEachSide)
{
    // The steps (flushes counted from the start; a group's files are made
    // durable by one sync of their filesystem): 1, the flush of the first
    // group (all its files written, none flushed or linked); 2, the flush of
    // the second group (the first group linked); 3, the flush of the tasks
    // (every event linked).
    const QString before = storeFolder.path() + QStringLiteral(".before");
    ASSERT_TRUE(QDir().rename(storeFolder.path(), before));
    const QByteArray database = [&] {
        QFile file(dataFolder() + QStringLiteral("/Database.sql"));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();
    ASSERT_FALSE(database.isEmpty());
    // Step 0: named in the database, no file written at all (as a kill
    // before the first write leaves them).
    for (const long step : {0L, 1L, 2L, 3L}) {
        SCOPED_TRACE(step);
        // The same start each time: the database and the store as they were.
        QDir(storeFolder.path()).removeRecursively();
        ASSERT_EQ(QProcess::execute(QStringLiteral("cp"), {QStringLiteral("-a"), before, storeFolder.path()}), 0);
        {
            QFile file(dataFolder() + QStringLiteral("/Database.sql"));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            ASSERT_EQ(file.write(database), database.size());
        }
        QFile::remove(dataFolder() + QStringLiteral("/Database.sql-journal"));
        if (step == 0)
            column("UPDATE Tasks SET iCalIdentifier = char(1) || 'pending:' || hex(randomblob(16)) "
                   "WHERE primaryKey IN (SELECT primaryKey FROM Tasks WHERE taskType = 0 LIMIT 40) "
                   "OR primaryKey IN (SELECT primaryKey FROM Tasks WHERE taskType = 1 LIMIT 10)");
        else
            ASSERT_EQ(run(step), QStringLiteral("stopped"));
        ASSERT_EQ(run(0), QStringLiteral("ended"));

        const QStringList names = column("SELECT taskName FROM Tasks WHERE taskType = 0");
        EXPECT_EQ(names.size(), exported);
        EXPECT_EQ(QSet<QString>(names.begin(), names.end()).size(), exported);
        const QStringList uids = column("SELECT iCalIdentifier FROM Tasks WHERE taskType = 0");
        EXPECT_EQ(QSet<QString>(uids.begin(), uids.end()).size(), exported);
        EXPECT_FALSE(uids.contains(QString())) << "every event is linked";

        const auto store = CalCalendarStore::create(storeFolder.path());
        const CalEventList copies = store->eventsWithPredicate(
            CalCalendarStore::eventPredicateWithStartDate(utc(2000, 1, 1), utc(2100, 1, 1), store->calendars()));
        QStringList stored;
        for (const CalEventPtr& copy : copies) stored << copy->uid();
        EXPECT_EQ(stored.size(), exported) << "the store holds every event once";
        EXPECT_TRUE(QSet<QString>(stored.begin(), stored.end()) == QSet<QString>(uids.begin(), uids.end()))
            << "the store's events are the linked ones";
        EXPECT_TRUE(store->unreadableFiles().isEmpty());

        const QStringList taskNames = column("SELECT taskName FROM Tasks WHERE taskType = 1");
        EXPECT_EQ(taskNames.size(), exportedTasks);
        EXPECT_EQ(QSet<QString>(taskNames.begin(), taskNames.end()).size(), exportedTasks);
        const QStringList taskUids = column("SELECT iCalIdentifier FROM Tasks WHERE taskType = 1");
        QStringList storedTasks;
        for (const CalTaskPtr& copy : store->tasksWithPredicate(CalCalendarStore::taskPredicateWithCalendars(store->calendars())))
            storedTasks << copy->uid();
        EXPECT_EQ(storedTasks.size(), exportedTasks) << "the store holds every task once";
        EXPECT_TRUE(QSet<QString>(storedTasks.begin(), storedTasks.end()) == QSet<QString>(taskUids.begin(), taskUids.end()));
    }
}

}  // namespace ExportCrashTests
