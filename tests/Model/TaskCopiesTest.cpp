#include "TaskTestFixture.h"

#include <functional>

namespace {

class TaskCopiesTest : public TaskTest {
protected:
    // Every column of the row as "name=value" lines, in table order.
    std::string storedRow(qint64 key)
    {
        sqlite3_stmt* statement = nullptr;
        EXPECT_EQ(sqlite3_prepare_v2(db(), "SELECT * FROM Tasks WHERE primaryKey=?", -1, &statement, nullptr),
                  SQLITE_OK);
        sqlite3_bind_int64(statement, 1, key);
        QStringList row;
        if (sqlite3_step(statement) == SQLITE_ROW) {
            for (int column = 0; column < sqlite3_column_count(statement); ++column) {
                const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
                row.append(QString::fromUtf8(sqlite3_column_name(statement, column)) % QLatin1Char('=')
                           % (text ? QString::fromUtf8(text) : QStringLiteral("NULL")));
            }
        }
        sqlite3_finalize(statement);
        return row.join(QLatin1Char('\n')).toStdString();
    }

    // A stored item whose every field differs from a new item's.
    TaskPtr unusualItem()
    {
        const TaskPtr item = storedItem(QStringLiteral("Unusual"), 0);
        item->setIsADE(1);
        item->setTaskLocation(QStringLiteral("Hall"));
        item->setStartTime(localDate(2014, 2, 3, 8, 30));
        item->setEndTime(localDate(2014, 2, 3, 9, 45));
        item->setDueEnd(localDate(2014, 2, 4, 16, 0));
        item->setCompletedDate(localDate(2014, 2, 5, 7, 0));
        item->setHasDue(1);
        item->setRepeatType(2);
        item->setRepeatStartDate(localDate(2014, 2, 3, 0, 0));
        item->setRepeatEndDate(localDate(2014, 9, 1, 0, 0));
        item->setRepeatOptions(QStringLiteral("2/2|6/0"));
        item->setRepeatExceptions(QStringLiteral("|1391500000(2)"));
        item->setIsRepeatForever(0);
        item->setHasDuration(0);
        item->setDuration(75);
        item->setCalendarId(8);
        item->setParentId(3);
        item->setIsInitialTask(1);
        item->setIsPinned(1);
        item->setAlertValues(QStringLiteral("/1|-300|"));
        item->setICalUID(QStringLiteral("UID-7"));
        item->setOccurrence(localDate(2014, 2, 10, 8, 30));
        item->setBuiltIn(1);
        item->setIsHidden(1);
        item->setTaskRepeatStyle(1);
        item->setZvwID(6000000001);
        item->setLastUpdate(44);
        item->setStatus(1);
        item->setUrl(QStringLiteral("http://example.com"));
        item->setTagList(QStringLiteral("/Work"));
        item->setNotes(QStringLiteral("Agenda"));
        item->setIsShared(true);
        item->setTz(9);
        item->setIsSheduledTask(true);
        item->setAssigneeEmail(QStringLiteral("bo@example.com"));
        item->setDelegateStatus(1);
        item->setDelegateDate(localDate(2014, 2, 6, 12, 0));
        item->setHasChanges(0);
        item->setPrevtz(4);
        item->setTzStartTime(localDate(2014, 2, 3, 2, 30));
        item->setTzEndTime(localDate(2014, 2, 3, 3, 45));
        item->setLocalStartDate(localDate(2014, 2, 2, 8, 30));
        item->setLocalEndDate(localDate(2014, 2, 2, 9, 45));
        item->setPrevAllDay(true);
        item->setIsTopGTDTask(true);
        item->setNpSortOrder(5);
        item->setNpDuration(15);
        item->setRootTZ(6);
        EXPECT_TRUE(item->dehydrate());
        return item;
    }
};

TEST_F(TaskCopiesTest, CopyCarriesEveryStoredFieldTheKeyAndTheEditingState)
{
    const TaskPtr source = unusualItem();
    const std::string before = storedRow(source->primaryKey());

    const TaskPtr copy = source->copy();
    EXPECT_EQ(copy->primaryKey(), source->primaryKey());
    EXPECT_TRUE(copy->dirty());
    // As in a load, the notes and delegation fields copied after hasChanges
    // differ from a new item's and mark the copy for the web service again.
    EXPECT_EQ(copy->hasChanges(), 1);
    copy->setHasChanges(0);
    // Written over the source's own row, the copy changes nothing in it.
    ASSERT_TRUE(copy->dehydrate());
    EXPECT_EQ(storedRow(source->primaryKey()), before);

    EXPECT_EQ(copy->prevtz(), 4);
    EXPECT_EQ(copy->tzStartTime(), source->tzStartTime());
    EXPECT_EQ(copy->tzEndTime(), source->tzEndTime());
    EXPECT_EQ(copy->localStartDate(), source->localStartDate());
    EXPECT_EQ(copy->localEndDate(), source->localEndDate());
    EXPECT_TRUE(copy->prevAllDay());
    EXPECT_FALSE(copy->isTopGTDTask()) << "view marks are not copied";
    EXPECT_EQ(copy->npSortOrder(), 0);
    EXPECT_EQ(copy->npDuration(), 0);
    EXPECT_EQ(copy->rootTZ(), 0);
}

// The full sync skips the write of a row sameRowAs finds unchanged: every
// column of the table but the write's stamps must count, also one added later.
TEST_F(TaskCopiesTest, SameRowAsSeesAChangeInEveryStoredColumn)
{
    const qint64 key = unusualItem()->primaryKey();
    const TaskPtr stored = Task::initWithPrimaryKey(key);
    exec(QStringLiteral("CREATE TEMP TABLE kept AS SELECT * FROM Tasks WHERE primaryKey=%1").arg(key));
    QStringList columns;
    sqlite3_stmt* statement = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db(), "SELECT name FROM pragma_table_info('Tasks')", -1, &statement, nullptr), SQLITE_OK);
    while (sqlite3_step(statement) == SQLITE_ROW)
        columns.append(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0))));
    sqlite3_finalize(statement);
    ASSERT_EQ(columns.size(), 44);
    for (const QString& column : std::as_const(columns)) {
        if (column == QLatin1String("primaryKey")) continue;
        exec(QStringLiteral("UPDATE Tasks SET %1 = CASE typeof(%1) WHEN 'text' THEN %1 || 'x' WHEN 'null' THEN 'x' "
                            "WHEN 'integer' THEN (%1 = 0) ELSE 0 END WHERE primaryKey=%2")
                 .arg(column)
                 .arg(key));
        const bool stamp = column == QLatin1String("dateUpdate") || column == QLatin1String("hasChanges");
        EXPECT_EQ(Task::initWithPrimaryKey(key)->sameRowAs(*stored), stamp) << column.toStdString();
        exec(QStringLiteral("UPDATE Tasks SET %1 = (SELECT %1 FROM kept) WHERE primaryKey=%2").arg(column).arg(key));
    }
}

TEST_F(TaskCopiesTest, UpdateFromTheWebKeepsTheLocalIdentityOfTheItem)
{
    const TaskPtr downloaded = unusualItem();
    const TaskPtr local = storedItem(QStringLiteral("Local"), 1);
    local->setParentId(12);
    local->setICalUID(QStringLiteral("LOCAL-UID"));
    local->setTaskOrder(77);
    local->setBuiltIn(0);
    ASSERT_TRUE(local->dehydrate());
    const qint64 key = local->primaryKey();
    const Date written = local->dateUpdate();
    const Date occurrence = local->occurrence();

    local->updateContentOfTaskFromZVW(*downloaded);

    EXPECT_EQ(local->primaryKey(), key);
    EXPECT_EQ(local->taskOrder(), 77);
    EXPECT_EQ(local->parentId(), 12);
    EXPECT_EQ(local->iCalUID(), QStringLiteral("LOCAL-UID"));
    EXPECT_EQ(local->occurrence(), occurrence);
    EXPECT_EQ(local->dateUpdate(), written);
    EXPECT_EQ(local->builtIn(), 0);
    EXPECT_EQ(local->isHidden(), 0);
    EXPECT_EQ(local->isInitialTask(), 0);

    EXPECT_EQ(local->taskType(), 0);
    EXPECT_EQ(local->taskName(), QStringLiteral("Unusual"));
    EXPECT_EQ(local->startTime(), downloaded->startTime());
    EXPECT_EQ(local->endTime(), downloaded->endTime());
    EXPECT_EQ(local->repeatExceptions(), downloaded->repeatExceptions());
    EXPECT_EQ(local->zvwID(), 6000000001);
    EXPECT_EQ(local->notes(), QStringLiteral("Agenda"));
    EXPECT_EQ(local->delegateDate(), downloaded->delegateDate());
    EXPECT_TRUE(local->isSheduledTask());

    // What the system calendar sync needs to find the item as it came in.
    EXPECT_EQ(local->prevtz(), 9);
    EXPECT_EQ(local->localStartDate(), downloaded->startTime());
    EXPECT_EQ(local->localEndDate(), downloaded->endTime());
    EXPECT_TRUE(local->prevAllDay());
}

TEST_F(TaskCopiesTest, DuplicateIsANewRowUnknownToTheWebAndTheCalendarStore)
{
    const TaskPtr original = storedItem(QStringLiteral("Original"));
    original->setZvwID(77);
    original->setICalUID(QStringLiteral("UID-9"));
    original->setLastUpdate(5);
    ASSERT_TRUE(original->dehydrate());

    const TaskPtr duplicate = original->duplicate();
    EXPECT_GT(duplicate->primaryKey(), 0);
    EXPECT_NE(duplicate->primaryKey(), original->primaryKey());
    EXPECT_EQ(dataManager().modifyingTask(), duplicate);
    EXPECT_EQ(dataManager().allTasksEventsAdes(), TaskList{duplicate});
    EXPECT_FALSE(duplicate->dirty());
    const qint64 key = duplicate->primaryKey();
    EXPECT_EQ(storedColumn(key, QStringLiteral("taskName")), QVariant(QStringLiteral("Original")));
    EXPECT_EQ(storedColumn(key, QStringLiteral("zvwID")).toLongLong(), 0);
    EXPECT_EQ(storedColumn(key, QStringLiteral("iCalIdentifier")), QVariant(QStringLiteral("")));
    EXPECT_EQ(storedColumn(key, QStringLiteral("parentId")).toLongLong(), -1);
    EXPECT_EQ(storedColumn(key, QStringLiteral("lastUpdate")).toLongLong(), 0);
    EXPECT_EQ(storedColumn(original->primaryKey(), QStringLiteral("zvwID")).toLongLong(), 77);
}

TEST_F(TaskCopiesTest, DuplicateOfOneOccurrenceIsAOneOffItemAtItsTimes)
{
    const TaskPtr root = storedItem(QStringLiteral("Weekly"), 0);
    root->setRepeatType(2);
    root->setRepeatExceptions(QStringLiteral("|1391500000(2)"));
    ASSERT_TRUE(root->dehydrate());
    const TaskPtr occurrence = root->copy();
    occurrence->setPrimaryKey(-4);
    occurrence->setParentId(root->primaryKey());
    occurrence->setStartTime(localDate(2014, 1, 22, 10, 15));
    occurrence->setEndTime(localDate(2014, 1, 22, 11, 15));

    const TaskPtr single = occurrence->duplicateThisOnly();
    EXPECT_GT(single->primaryKey(), root->primaryKey());
    EXPECT_EQ(single->repeatType(), 0);
    EXPECT_EQ(single->repeatExceptions(), QStringLiteral(""));
    EXPECT_EQ(single->parentId(), -1);
    EXPECT_EQ(single->startTime(), localDate(2014, 1, 22, 10, 15));
    EXPECT_EQ(single->repeatStartDate(), localDate(2014, 1, 22, 10, 15));
    EXPECT_EQ(storedColumn(single->primaryKey(), QStringLiteral("repeatType")).toLongLong(), 0);
    EXPECT_EQ(storedColumn(root->primaryKey(), QStringLiteral("repeatType")).toLongLong(), 2);
}

// The run-time fields live in a block of their own, made at the first write:
// every way of copying a record carries them by value (the instance copy
// leaves the planner's out), and a copy changed later never changes its source.
TEST_F(TaskCopiesTest, RunTimeFieldsAreCopiedByValue)
{
    const Date first = localDate(2014, 2, 3, 8, 30);
    const Date second = localDate(2014, 2, 4, 9, 0);
    const struct {
        const char* field;
        std::function<void(Task&, int)> set;  // 0 default, 1 and 2 two other values
        std::function<bool(const Task&, int)> holds;
        bool plannerField;  // left out of an instance copy
    } fields[] = {
        {"prevtz", [](Task& t, int v) { t.setPrevtz(v); }, [](const Task& t, int v) { return t.prevtz() == v; }, false},
        {"rootTZ", [](Task& t, int v) { t.setRootTZ(v); }, [](const Task& t, int v) { return t.rootTZ() == v; }, true},
        {"npDuration", [](Task& t, int v) { t.setNpDuration(v * 30); },
         [](const Task& t, int v) { return t.npDuration() == v * 30; }, true},
        {"npSortOrder", [](Task& t, int v) { t.setNpSortOrder(v); },
         [](const Task& t, int v) { return t.npSortOrder() == v; }, true},
        {"localStartDate", [&](Task& t, int v) { t.setLocalStartDate(v == 0 ? Date() : v == 1 ? first : second); },
         [&](const Task& t, int v) { return t.localStartDate() == (v == 0 ? Date() : v == 1 ? first : second); }, false},
        {"localEndDate", [&](Task& t, int v) { t.setLocalEndDate(v == 0 ? Date() : v == 1 ? first : second); },
         [&](const Task& t, int v) { return t.localEndDate() == (v == 0 ? Date() : v == 1 ? first : second); }, false},
        {"tzStartTime", [&](Task& t, int v) { t.setTzStartTime(v == 0 ? Date() : v == 1 ? first : second); },
         [&](const Task& t, int v) { return t.tzStartTime() == (v == 0 ? Date() : v == 1 ? first : second); }, false},
        {"tzEndTime", [&](Task& t, int v) { t.setTzEndTime(v == 0 ? Date() : v == 1 ? first : second); },
         [&](const Task& t, int v) { return t.tzEndTime() == (v == 0 ? Date() : v == 1 ? first : second); }, false},
        {"npStartTime", [&](Task& t, int v) { t.setNpStartTime(v == 0 ? Date() : v == 1 ? first : second); },
         [&](const Task& t, int v) { return t.npStartTime() == (v == 0 ? Date() : v == 1 ? first : second); }, true},
    };
    for (const auto& f : fields) {
        const TaskPtr source = storedItem(QStringLiteral("Source"), 0);
        EXPECT_TRUE(f.holds(*source, 0)) << f.field << ": a loaded record holds the default";
        f.set(*source, 1);
        ASSERT_TRUE(f.holds(*source, 1)) << f.field;

        const auto whole = std::make_shared<Task>(*source);
        EXPECT_TRUE(f.holds(*whole, 1)) << f.field;
        const TaskPtr instance = source->instanceCopy();
        EXPECT_TRUE(f.holds(*instance, f.plannerField ? 0 : 1)) << f.field;

        f.set(*whole, 2);
        f.set(*instance, 2);
        EXPECT_TRUE(f.holds(*source, 1)) << f.field << ": a copy shares nothing with its source";
        *whole = *source;
        EXPECT_TRUE(f.holds(*whole, 1)) << f.field << ": an assignment takes the source's value";
        f.set(*source, 0);
        EXPECT_TRUE(f.holds(*source, 0)) << f.field << ": the default can be set back";
        EXPECT_TRUE(f.holds(*whole, 1)) << f.field;
    }
}

}  // namespace
