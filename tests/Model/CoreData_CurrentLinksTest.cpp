#include "LogCapture.h"
#include "TaskTestFixture.h"

namespace CoreData_CurrentLinksTests {

namespace {

constexpr qint64 eventType = 0;
constexpr qint64 taskType = 1;
constexpr qint64 checklistItemType = 2;
constexpr qint64 noteType = 3;

// The clock stands at Wednesday 15 January 2014, 10:07 in Paris.
class CoreDataCurrentLinksTest : public TaskTest {
protected:
    TaskPtr stored(const QString& name, qint64 type, qint64 status = 0)
    {
        const TaskPtr item = storedItem(name, type);
        item->setStatus(status);
        EXPECT_TRUE(item->dehydrate());
        return item;
    }

    // A daily (or other) repeating event from Monday 6 January 2014 at 09:00
    // whose current occurrence lies later than its start.
    TaskPtr seriesPastItsStart(const QString& options, qint64 repeatType, const Date& occurrence,
                               const Date& repeatEnd = Date())
    {
        const TaskPtr event = storedItem(QStringLiteral("series"), eventType);
        const Date start = localDate(2014, 1, 6, 9, 0);
        event->setStartTime(start);
        event->setEndTime(start.dateByAddingTimeInterval(3600));
        event->setRepeatStartDate(start);
        event->setRepeatType(repeatType);
        event->setRepeatOptions(options);
        event->setIsRepeatForever(repeatEnd ? 0 : 1);
        if (repeatEnd) event->setRepeatEndDate(repeatEnd);
        event->setOccurrence(occurrence);
        EXPECT_TRUE(event->dehydrate());
        return event;
    }

    // A link row; a later change date makes it the more recent one.
    qint64 link(qint64 root, qint64 target, double updated = 0, qint64 status = 0)
    {
        exec(QStringLiteral("INSERT INTO Links (rootId, targetId, createdDate, updatedDate, zvwKey, status) "
                            "VALUES (%1, %2, 0, %3, 0, %4)")
                 .arg(root)
                 .arg(target)
                 .arg(updated)
                 .arg(status));
        return sqlite3_last_insert_rowid(db());
    }

    static QStringList namesOf(const TaskList& items)
    {
        QStringList names;
        for (const TaskPtr& item : items) names.append(item->taskName());
        return names;
    }
};

}  // namespace

TEST_F(CoreDataCurrentLinksTest, LinkedItemsComeByKindThenDoneFirstThenLatestLink)
{
    const TaskPtr item = stored(QStringLiteral("item"), eventType);
    const qint64 key = item->primaryKey();
    link(key, stored(QStringLiteral("event"), eventType)->primaryKey(), 500);
    link(stored(QStringLiteral("open task"), taskType)->primaryKey(), key, 400);
    link(key, stored(QStringLiteral("done task"), taskType, 1)->primaryKey(), 100);
    link(key, stored(QStringLiteral("older note"), noteType)->primaryKey(), 200);
    link(stored(QStringLiteral("newer note"), noteType)->primaryKey(), key, 300);
    link(key, stored(QStringLiteral("checklist item"), checklistItemType)->primaryKey(), 600);

    EXPECT_EQ(namesOf(dataManager().getCurrentLinks(item)),
              (QStringList{"newer note", "older note", "checklist item", "done task", "open task", "event"}));
}

TEST_F(CoreDataCurrentLinksTest, RemovedLinksTheItemItselfAndMissingItemsAreLeftOut)
{
    const TaskPtr item = stored(QStringLiteral("item"), taskType);
    const qint64 key = item->primaryKey();
    link(key, stored(QStringLiteral("kept"), noteType)->primaryKey());
    link(key, stored(QStringLiteral("unlinked"), noteType)->primaryKey(), 0, 1);
    link(key, key);
    link(key, 987654);  // the other end was deleted

    EXPECT_EQ(namesOf(dataManager().getCurrentLinks(item)), QStringList{"kept"});
}

TEST_F(CoreDataCurrentLinksTest, AnOccurrenceOfARepeatingItemListsTheLinksOfItsRoot)
{
    const TaskPtr root = seriesPastItsStart(QStringLiteral("1//0"), 1, localDate(2014, 1, 6, 9, 0));
    link(root->primaryKey(), stored(QStringLiteral("note of the series"), noteType)->primaryKey());
    TaskList instances;
    dataManager().fillRepeatEventInstances({root}, instances, localDate(2014, 1, 14), localDate(2014, 1, 14));
    ASSERT_EQ(instances.size(), 1);
    ASSERT_LT(instances[0]->primaryKey(), -1);

    EXPECT_EQ(namesOf(dataManager().getCurrentLinks(instances[0])), QStringList{"note of the series"});
    EXPECT_EQ(namesOf(dataManager().getCurrentLinks(root)), QStringList{"note of the series"});
}

TEST_F(CoreDataCurrentLinksTest, OnlyTheFirstOpenTaskOfItsCategoryIsMarkedTop)
{
    const TaskPtr first = stored(QStringLiteral("first"), taskType);
    const TaskPtr second = stored(QStringLiteral("second"), taskType);
    const TaskPtr note = stored(QStringLiteral("note"), noteType);
    const TaskPtr item = stored(QStringLiteral("item"), eventType);
    for (const TaskPtr& other : {first, second, note}) {
        other->setIsTopGTDTask(true);
        link(item->primaryKey(), other->primaryKey());
    }

    const TaskList linked = dataManager().getCurrentLinks(item);
    ASSERT_EQ(namesOf(linked), (QStringList{"note", "first", "second"}));
    EXPECT_FALSE(linked[0]->isTopGTDTask());
    EXPECT_TRUE(linked[1]->isTopGTDTask());
    EXPECT_FALSE(linked[2]->isTopGTDTask());

    first->setStatus(1);
    ASSERT_TRUE(first->dehydrate());
    const TaskList afterDone = dataManager().getCurrentLinks(item);
    ASSERT_EQ(namesOf(afterDone), (QStringList{"note", "first", "second"}));
    EXPECT_FALSE(afterDone[1]->isTopGTDTask()) << "a done task is never the top task";
    EXPECT_TRUE(afterDone[2]->isTopGTDTask());
}

TEST_F(CoreDataCurrentLinksTest, ARepeatingEventPastItsStartStandsForOneOccurrence)
{
    const TaskPtr item = stored(QStringLiteral("item"), noteType);
    // Daily, same-day rule: the occurrence after its first one.
    const TaskPtr daily = seriesPastItsStart(QStringLiteral("1//0"), 1, localDate(2014, 1, 10, 9, 0));
    // Monthly on the first Monday: the first stepped occurrence up to its own.
    const TaskPtr monthly = seriesPastItsStart(QStringLiteral("1//1"), 3, localDate(2014, 3, 3, 9, 0));
    // A daily series that ended on its first day has nothing to show.
    const TaskPtr ended =
        seriesPastItsStart(QStringLiteral("1//0"), 1, localDate(2014, 1, 8, 9, 0), localDate(2014, 1, 6, 23, 59));
    for (const TaskPtr& series : {daily, monthly, ended}) link(item->primaryKey(), series->primaryKey());

    const TaskList linked = dataManager().getCurrentLinks(item);
    ASSERT_EQ(linked.size(), 2);
    QMap<qint64, Date> startByRoot;
    for (const TaskPtr& occurrence : linked) {
        EXPECT_LT(occurrence->primaryKey(), -1) << "an instance, never the stored row";
        startByRoot.insert(occurrence->parentId(), occurrence->startTime());
    }
    EXPECT_EQ(startByRoot.value(daily->primaryKey()), localDate(2014, 1, 7, 9, 0));
    EXPECT_EQ(startByRoot.value(monthly->primaryKey()), localDate(2014, 2, 3, 9, 0));
    EXPECT_FALSE(startByRoot.contains(ended->primaryKey()));
}

TEST_F(CoreDataCurrentLinksTest, ARepeatingEventStillAtItsStartIsListedAsStored)
{
    const TaskPtr item = stored(QStringLiteral("item"), noteType);
    const TaskPtr series = seriesPastItsStart(QStringLiteral("1//0"), 1, localDate(2014, 1, 6, 9, 0));
    link(item->primaryKey(), series->primaryKey());
    const TaskList linked = dataManager().getCurrentLinks(item);
    ASSERT_EQ(linked.size(), 1);
    EXPECT_EQ(linked[0]->primaryKey(), series->primaryKey());
}

TEST_F(CoreDataCurrentLinksTest, NoLinksWhileTheDatabaseIsClosed)
{
    const TaskPtr item = stored(QStringLiteral("item"), noteType);
    link(item->primaryKey(), stored(QStringLiteral("other"), noteType)->primaryKey());
    databaseOpen = false;
    EXPECT_TRUE(dataManager().getCurrentLinks(item).isEmpty());
    databaseOpen = true;
    EXPECT_EQ(dataManager().getCurrentLinks(item).size(), 1);
}

}  // namespace CoreData_CurrentLinksTests
