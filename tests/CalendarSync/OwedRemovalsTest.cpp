// The removals the store is owed: kept by kind and uid, recorded in the unit
// of the command that drops a store copy (a command whose record fails is
// refused whole), and what a stop left half made is cleared by the start.
#include "ExportsFixture.h"

#include "LocalNotification.h"
#include "Transaction.h"

#include <QFile>

namespace OwedRemovalsTests {

class OwedRemovalsTest : public ExportsTest {
protected:
    QString queryText(const QString& sql)
    {
        sqlite3_stmt* statement = nullptr;
        QString text;
        if (sqlite3_prepare_v2(db(), sql.toUtf8().constData(), -1, &statement, nullptr) == SQLITE_OK
            && sqlite3_step(statement) == SQLITE_ROW)
            text = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)));
        sqlite3_finalize(statement);
        return text;
    }
};

TEST_F(OwedRemovalsTest, OneKindsRemovalNeverStandsInForAnothersOfTheSameUid)
{
    auto event = std::make_shared<Task>();
    event->setTaskType(0);
    event->setICalUID(QStringLiteral("SAME"));
    auto task = event->copy();
    task->setTaskType(1);
    ASSERT_TRUE(iCalSync::recordStoreCalendarRemoval(QStringLiteral("SAME")));
    ASSERT_TRUE(iCalSync::recordStoreItemRemoval(event));
    ASSERT_TRUE(iCalSync::recordStoreItemRemoval(task));
    using Kind = iCalSync::StoreRemoval;
    const QList<std::pair<QString, Kind>> all{{QStringLiteral("SAME"), Kind::Calendar},
                                              {QStringLiteral("SAME"), Kind::Event},
                                              {QStringLiteral("SAME"), Kind::Task}};
    EXPECT_EQ(iCalSync::storeRemovalsDue(), all);
    ASSERT_TRUE(iCalSync::clearStoreRemoval(Kind::Event, QStringLiteral("SAME")));
    EXPECT_EQ(iCalSync::storeRemovalsDue(), (QList<std::pair<QString, Kind>>{all[0], all[2]}));
}

TEST_F(OwedRemovalsTest, ACommandWhoseStoreRemovalCannotBeRecordedIsRefusedWhole)
{
    auto eventsOnly = newCategory(QStringLiteral("Events"), 8);
    eventsOnly->setTaskOrEvent(2);
    dataManager().doWithCalendarList(CalendarList{eventsOnly}, 0);
    setting->setShowWarningTask2Event(0);
    setting->setShowWarningConvert2STask(0);
    setting->setShowWarningConvert2STaskAfterDeadline(0);
    struct Case {
        const char* name;
        std::function<bool(CoreData&, const TaskPtr&)> command;
    };
    const Date later = local(2014, 3, 20, 10);
    const Case cases[] = {
        {"delete", [](CoreData& data, const TaskPtr& task) { return data.doDeleteTask(task); }},
        {"to a scheduled task",
         [later](CoreData& data, const TaskPtr& task) { return data.convertTask2STask(task, later) != nullptr; }},
        {"to an event",
         [later](CoreData& data, const TaskPtr& task) { return data.convertTask2Event(task, later) != nullptr; }},
        {"postponed into an events-only category",
         [](CoreData& data, const TaskPtr& task) {
             auto alarm = std::make_shared<LocalNotification>();
             alarm->setTask(task);
             task->setCalendarId(8);
             return data.postponeAlerts({alarm}, 1);
         }},
        {"edited into an events-only category",
         [](CoreData& data, const TaskPtr& task) {
             Transaction unit;
             task->setCalendarId(8);
             return data.storeEditedTask(task) && unit.commit();
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const TaskPtr task = storedTask(QString::fromLatin1(c.name));
        task->setICalUID(QStringLiteral("UID-") + QString::fromLatin1(c.name));
        ASSERT_TRUE(task->dehydrate());
        const QString row = QStringLiteral("SELECT taskType || ' ' || calendarId || ' ' || iCalIdentifier FROM Tasks "
                                           "WHERE primaryKey = %1").arg(task->primaryKey());
        const QString before = queryText(row);
        ASSERT_EQ(sqlite3_exec(db(), "ALTER TABLE StoreRemovals RENAME TO Elsewhere", nullptr, nullptr, nullptr), SQLITE_OK);
        EXPECT_FALSE(c.command(dataManager(), task));
        ASSERT_EQ(sqlite3_exec(db(), "ALTER TABLE Elsewhere RENAME TO StoreRemovals", nullptr, nullptr, nullptr), SQLITE_OK);
        EXPECT_EQ(queryText(row), before) << "the row is as it was";
        EXPECT_EQ(task->iCalUID(), QStringLiteral("UID-") + QString::fromLatin1(c.name));
        EXPECT_EQ(task->taskType(), 1);
        settle();
    }
}

TEST_F(OwedRemovalsTest, AStartClearsTheCalendarsAStopLeftHalfMade)
{
    const QString unfinished = storeFolder.path() + QStringLiteral("/HALF.calendar.part");
    ASSERT_TRUE(QDir().mkpath(unfinished + QStringLiteral("/Events")));
    QFile info(unfinished + QStringLiteral("/Info.plist"));
    ASSERT_TRUE(info.open(QIODevice::WriteOnly));
    info.close();
    sync->backgroundFullSync();
    settle();
    EXPECT_FALSE(QFileInfo::exists(unfinished));
    EXPECT_TRUE(store->calendarWithUID(storeCalendar->uid())) << "the whole calendar stays";
}

}  // namespace OwedRemovalsTests
