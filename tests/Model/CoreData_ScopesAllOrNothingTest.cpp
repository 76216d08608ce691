#include "AllOrNothingCommandTest.h"
#include "Transaction.h"

namespace {

// The scope commands of repeating events and the series deletes succeed whole
// or change nothing. The clock stands at 15 January 2014 in Paris; the series
// run in March, with alarms pending and web ids that fill the deletion queue.
class ScopesAllOrNothingTest : public AllOrNothingCommandTest {
protected:
    static Date march(int day, int hour = 9, int minute = 0) { return localDate(2014, 3, day, hour, minute); }

    struct Series {
        TaskPtr root;
        TaskPtr fifth;    // detached row of 5 March
        TaskPtr twelfth;  // detached row of 12 March
    };

    // A daily series at 09:00 from 3 March with an alarm a quarter before,
    // known to the web service and the store: changed on the 5th and the
    // 12th (detached rows the server knows), deleted on the 7th, linked to a
    // note through its root and through its 5th. Root and detached rows are
    // in the working list.
    Series series(std::optional<Date> end = std::nullopt)
    {
        const qint64 webId = m_nextWebId;
        m_nextWebId += 10;
        Series made;
        made.root = event(march(3), webId, -1, QStringLiteral("uid-%1").arg(webId));
        made.root->setRepeatStartDate(march(3));
        made.root->setRepeatType(1);
        made.root->setIsRepeatForever(end ? 0 : 1);
        if (end) made.root->setRepeatEndDate(*end);
        made.root->addRepeatException(march(7), Task::RepeatException::Deleted);
        EXPECT_TRUE(made.root->dehydrate());
        made.fifth = detached(made.root, march(5), webId + 1);
        made.twelfth = detached(made.root, march(12), webId + 2);
        link(note(), made.root);
        link(made.fifth, note());
        dataManager().doWithAllTasksEventsAdes(TaskList{made.root, made.fifth, made.twelfth}, 0);
        return made;
    }

    TaskPtr event(const Date& start, qint64 webId, qint64 parent = -1, const QString& uid = QString())
    {
        auto item = std::make_shared<Task>();
        item->setTaskType(0);
        item->setTaskName(QStringLiteral("stand-up"));
        item->setStartTime(start);
        item->setEndTime(start.dateByAddingTimeInterval(1800));
        item->setAlertValues(minutesBefore(15));
        item->setParentId(parent);
        item->setZvwID(webId);
        if (!uid.isNull()) item->setICalUID(uid);
        EXPECT_TRUE(item->insertIntoDatabase());
        EXPECT_TRUE(item->dehydrate());
        return item;
    }

    TaskPtr detached(const TaskPtr& root, const Date& occurrence, qint64 webId)
    {
        const TaskPtr row = event(occurrence.dateByAddingTimeInterval(3600), webId, root->primaryKey(),
                                  root->iCalUID());
        row->setOccurrence(occurrence);
        EXPECT_TRUE(row->dehydrate());
        root->addRepeatException(occurrence, Task::RepeatException::Changed);
        EXPECT_TRUE(root->dehydrate());
        return row;
    }

    // The instance the views would show for the occurrence.
    TaskPtr instanceAt(const TaskPtr& root, const Date& occurrence)
    {
        TaskList instances;
        dataManager().fillRepeatEventInstances({reload(root)}, instances, occurrence, occurrence);
        for (const TaskPtr& instance : instances)
            if (instance->occurrence() == occurrence) return instance;
        ADD_FAILURE() << "no instance at the occurrence";
        return nullptr;
    }

    static TaskPtr reload(const TaskPtr& item) { return Task::initWithPrimaryKey(item->primaryKey()); }

private:
    qint64 m_nextWebId = 100;
};

// ---- edits -------------------------------------------------------------------------

TEST_F(ScopesAllOrNothingTest, EditAllMovesRootExceptionsAndDetachedRowsTogetherOrNotAtAll)
{
    for (const bool fromInstance : {true, false}) {
        SCOPED_TRACE(fromInstance ? "from an instance" : "from a detached row");
        const Series made = series();
        const qint64 fifthKey = made.fifth->primaryKey();
        const TaskPtr edited = fromInstance ? instanceAt(made.root, march(3)) : made.fifth;
        edited->setStartTime(march(3, 14, 30));
        edited->setEndTime(march(3, 15, 0));
        edited->setRepeatType(1);
        edited->setIsRepeatForever(0);
        edited->setRepeatEndDate(march(10, 12));

        expectWholeOrNothing([&] { return dataManager().doEditAllOperatorWithEvent(edited); }, {edited});

        EXPECT_EQ(edited->primaryKey(), made.root->primaryKey());
        EXPECT_EQ(reload(made.root)->startTime(), march(3, 14, 30));
        EXPECT_EQ(Task::initWithPrimaryKey(fifthKey)->occurrence(), march(5, 14, 30))
            << "the detached row follows the new time";
        EXPECT_FALSE(rowExists(made.twelfth)) << "past the new end";
        EXPECT_TRUE(itemQueue().endsWith(QStringLiteral(",%1").arg(made.twelfth->zvwID())));
        EXPECT_EQ(iCalOperations().value(iCalOperations().size() - 1), QStringLiteral("updateEvent"));
        calendarStore().clearCalls();
    }
}

TEST_F(ScopesAllOrNothingTest, EditThisAndFutureCutsTheSeriesAndStartsTheNewOneOrNeither)
{
    const Series made = series();
    const TaskPtr tenth = instanceAt(made.root, march(10));
    tenth->setTaskName(QStringLiteral("planning"));
    const qint64 rowsBefore = queryInt(QStringLiteral("SELECT count(*) FROM Tasks"));

    expectWholeOrNothing([&] { return dataManager().doEditAllFutureOperatorWithEvent(tenth); }, {tenth});

    EXPECT_EQ(reload(made.root)->repeatEndDate(), march(9).dateByAddingTimeInterval(1));
    EXPECT_FALSE(rowExists(made.twelfth));
    EXPECT_TRUE(itemQueue().contains(QStringLiteral(",%1").arg(made.twelfth->zvwID())));
    const TaskPtr newSeries = dataManager().modifyingTask();
    ASSERT_TRUE(newSeries);
    EXPECT_EQ(reload(newSeries)->taskName(), QStringLiteral("planning"));
    EXPECT_EQ(queryInt(QStringLiteral("SELECT count(*) FROM Tasks")), rowsBefore + 1)
        << "the new series in; the changed occurrence of the twelfth goes over to it";

    // From the first occurrence the future is the whole series: edited whole.
    const Series other = series();
    const TaskPtr otherFirst = instanceAt(other.root, march(3));
    otherFirst->setTaskName(QStringLiteral("retro"));
    expectWholeOrNothing([&] { return dataManager().doEditAllFutureOperatorWithEvent(otherFirst); }, {otherFirst});
    EXPECT_EQ(reload(other.root)->taskName(), QStringLiteral("retro"));
    EXPECT_EQ(reload(other.root)->isRepeatForever(), 1);
}

TEST_F(ScopesAllOrNothingTest, EditOnlyThisDetachesOrSavesInPlaceWholeOrNotAtAll)
{
    const Series made = series();
    const TaskPtr plain = event(march(20), 900);
    dataManager().doWithAllTasksEventsAdes(TaskList{plain}, 0);
    struct Case {
        const char* name;
        TaskPtr event;
        bool newRow;
    };
    const Case cases[] = {
        {"an instance", instanceAt(made.root, march(10)), true},
        {"the root row", reload(made.root), true},
        {"a detached row", made.fifth, false},
        {"a one-off", plain, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.event->setTaskName(QStringLiteral("moved"));
        const qint64 rowsBefore = queryInt(QStringLiteral("SELECT count(*) FROM Tasks"));

        expectWholeOrNothing([&] { return dataManager().doEditOnlyThisOperatorWithEvent(c.event); }, {c.event});

        EXPECT_EQ(queryInt(QStringLiteral("SELECT count(*) FROM Tasks")), rowsBefore + (c.newRow ? 1 : 0));
        const TaskPtr written = dataManager().modifyingTask();
        ASSERT_TRUE(written);
        EXPECT_EQ(reload(written)->taskName(), QStringLiteral("moved"));
    }
    EXPECT_EQ(reload(made.root)->occurrence(), march(4)) << "detaching the first occurrence moved the series start";
}

// ---- deletes -------------------------------------------------------------------------

TEST_F(ScopesAllOrNothingTest, DeleteAllTakesEveryRowOfTheSeriesOrNone)
{
    struct Form {
        const char* name;
        std::function<TaskPtr(CoreData&, const TaskPtr&)> command;
        bool needSync;
    };
    const Form forms[] = {
        {"from the user", [](CoreData& d, const TaskPtr& e) { return d.doDeleteAllOperatorWithEvent(e); }, true},
        {"without a push", [](CoreData& d, const TaskPtr& e) { return d.doDeleteAllOperatorWithEvent(e, false); },
         true},
        {"from the web sync",
         [](CoreData& d, const TaskPtr& e) { return d.doDeleteAllOperatorWithEvent(e, false, true); }, false},
    };
    for (const Form& form : forms) {
        SCOPED_TRACE(form.name);
        const Series made = series();
        const TaskPtr chosen = made.twelfth;
        TaskPtr removed;

        expectWholeOrNothing([&] { return (removed = form.command(dataManager(), chosen)) != nullptr; }, {chosen});

        ASSERT_TRUE(removed);
        EXPECT_EQ(removed->primaryKey(), made.root->primaryKey());
        for (const TaskPtr& row : {made.root, made.fifth, made.twelfth}) EXPECT_FALSE(rowExists(row));
        EXPECT_EQ(itemQueue().contains(QStringLiteral(",%1").arg(made.root->zvwID())), form.needSync);
        EXPECT_TRUE(itemQueue().contains(QStringLiteral(",%1").arg(made.fifth->zvwID())));
        EXPECT_EQ(queryInt(QStringLiteral("SELECT count(*) FROM Links WHERE status=0 AND (rootId=%1 OR targetId=%1)")
                               .arg(made.fifth->primaryKey())),
                  0)
            << "the links of removed rows are marked removed";
        dataManager().doWithAllTasksEventsAdes(std::nullopt, 1);
    }
}

TEST_F(ScopesAllOrNothingTest, DeleteThisAndFutureEndsTheSeriesOrDeletesItWhole)
{
    const Series cut = series();
    const TaskPtr tenth = instanceAt(cut.root, march(10));
    expectWholeOrNothing([&] { return dataManager().doDeleteAllFutureOperatorWithEvent(tenth) != nullptr; },
                         {tenth});
    EXPECT_EQ(reload(cut.root)->repeatEndDate(), march(9).dateByAddingTimeInterval(1));
    EXPECT_TRUE(rowExists(cut.fifth));
    EXPECT_FALSE(rowExists(cut.twelfth));
    ASSERT_FALSE(iCalCalls().isEmpty());
    EXPECT_EQ(iCalCalls().last().type, 2);

    const Series whole = series();
    const TaskPtr first = instanceAt(whole.root, march(3));
    expectWholeOrNothing([&] { return dataManager().doDeleteAllFutureOperatorWithEvent(first) != nullptr; },
                         {first});
    for (const TaskPtr& row : {whole.root, whole.fifth, whole.twelfth}) EXPECT_FALSE(rowExists(row));
    ASSERT_FALSE(iCalCalls().isEmpty());
    EXPECT_EQ(iCalCalls().last().type, 1);
}

// Each kind of event, and each form of the command on an instance.
TEST_F(ScopesAllOrNothingTest, DeleteOnlyThisChangesTheSeriesWholeOrNotAtAll)
{
    using Command = std::function<TaskPtr(CoreData&, const TaskPtr&)>;
    const Command fromUser = [](CoreData& d, const TaskPtr& e) { return d.doDeleteOnlyThisOperatorWithEvent(e); };
    const Series made = series();
    const TaskPtr plain = event(march(20), 900);
    dataManager().doWithAllTasksEventsAdes(TaskList{plain}, 0);
    const Series ending = series(march(3, 12));
    const auto excepted = [&](int day) { return [&, day] { return reload(made.root)->isExceptedOccurrence(march(day)); }; };
    struct Case {
        const char* name;
        TaskPtr event;
        Command command;
        std::function<bool()> removedAsAsked;
        QStringList storeCalls;
    };
    const Case cases[] = {
        {"an instance", instanceAt(made.root, march(10)), fromUser, excepted(10), {QStringLiteral("deleteEvent")}},
        {"the root row", reload(made.root), fromUser, [&] { return reload(made.root)->occurrence() == march(4); },
         {QStringLiteral("deleteEvent")}},
        {"a detached row", made.twelfth, fromUser,
         [&] {
             return !rowExists(made.twelfth) && reload(made.root)->repeatExceptions().contains(QStringLiteral("(2)"));
         },
         {QStringLiteral("deleteEvent")}},
        {"a one-off", plain, fromUser, [&] { return !rowExists(plain); }, {QStringLiteral("deleteEvent")}},
        {"the last occurrence left", instanceAt(ending.root, march(3)), fromUser,
         [&] { return !rowExists(ending.root) && !rowExists(ending.fifth); }, {QStringLiteral("deleteEvent")}},
        {"without a push", instanceAt(made.root, march(11)),
         [](CoreData& d, const TaskPtr& e) { return d.doDeleteOnlyThisOperatorWithEvent(e, false); }, excepted(11),
         {QStringLiteral("deleteEvent")}},
        {"on the same thread", instanceAt(made.root, march(13)),
         [](CoreData& d, const TaskPtr& e) { return d.doDeleteOnlyThisOperatorWithEvent(e, true, true); },
         excepted(13), {QStringLiteral("syncDeleteEvent")}},
        {"from the web sync", instanceAt(made.root, march(14)),
         [](CoreData& d, const TaskPtr& e) { return d.doDeleteOnlyThisOperatorWithEvent(e, false, true, false); },
         excepted(14), {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        calendarStore().clearCalls();
        expectWholeOrNothing([&] { return c.command(dataManager(), c.event) != nullptr; }, {c.event});
        EXPECT_TRUE(c.removedAsAsked());
        EXPECT_EQ(iCalOperations(), c.storeCalls);
    }
}

// ---- the store hears of a new event only once it is saved ----------------------------

TEST_F(ScopesAllOrNothingTest, ANewEventReachesTheStoreOnlyWhenItsSaveCommits)
{
    const TaskPtr plain = event(march(20), 0);
    plain->setTaskName(QStringLiteral("renamed"));
    const auto saveAndInsert = [&] {
        Transaction transaction;
        if (!transaction.isOpen() || !plain->dehydrate()) return false;
        dataManager().doInsertAllOperatorWithEvent(plain);
        return transaction.commit();
    };
    expectAllOrNothing(db(), saveAndInsert, postNames, outside({plain}));
    ASSERT_EQ(iCalOperations(), QStringList{QStringLiteral("insertEvent")});
    EXPECT_TRUE(iCalCalls().first().insertToZVW);
}

// ---- series rows -----------------------------------------------------------------------

TEST_F(ScopesAllOrNothingTest, SeriesDeletesRemoveEveryMatchingRowOrNone)
{
    const Series first = series();
    const Series second = series();
    const Series third = series();
    const Series fourth = series();

    expectWholeOrNothing([&] { return dataManager().deleteDetachedEventParentID(first.root->primaryKey(), march(5)); },
                         {});
    EXPECT_FALSE(rowExists(first.fifth));
    EXPECT_TRUE(rowExists(first.twelfth));

    expectWholeOrNothing(
        [&] { return dataManager().deleteAllDetachedEventsParentID(first.root->primaryKey(), march(6)); }, {});
    EXPECT_FALSE(rowExists(first.twelfth));
    EXPECT_TRUE(rowExists(first.root));

    for (const bool needRemove : {true, false}) {
        SCOPED_TRACE(needRemove ? "from the user" : "from the server");
        const Series& a = needRemove ? first : third;
        const Series& b = needRemove ? second : fourth;
        expectWholeOrNothing(
            [&] {
                return dataManager().deleteAllEventsWithParentID({a.root->primaryKey(), b.root->primaryKey()},
                                                                 needRemove);
            },
            {});
        for (const TaskPtr& row : {a.root, b.root, b.fifth, b.twelfth}) EXPECT_FALSE(rowExists(row));
        EXPECT_EQ(itemQueue().contains(QStringLiteral(",%1").arg(b.root->zvwID())), needRemove);
    }
    EXPECT_EQ(dataManager().allTasksEventsAdes().size(), 6) << "the server's deletes leave the list to the caller";

    const Series fifth = series();
    const Series sixth = series();
    expectWholeOrNothing(
        [&] { return dataManager().deleteAllEventsWithUID({fifth.root->iCalUID(), sixth.root->iCalUID()}, true); },
        {});
    for (const TaskPtr& row : {fifth.root, fifth.fifth, sixth.root, sixth.twelfth}) EXPECT_FALSE(rowExists(row));
    EXPECT_TRUE(itemQueue().contains(QStringLiteral(",%1").arg(sixth.twelfth->zvwID())));
}

}  // namespace
