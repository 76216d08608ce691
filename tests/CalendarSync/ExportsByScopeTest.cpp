#include "ExportsFixture.h"

#include "LocalNotification.h"

#include <functional>

namespace {

// The data manager's edits and deletes of a repeating event in each scope,
// and its commands that postpone tasks, as the store files show them once
// the jobs have run. A daily series from Thursday 20 March 2014, 09:00 to
// 10:00, is in the store before each test.
class ExportsByScopeTest : public ExportsTest {
protected:
    void SetUp() override
    {
        ExportsTest::SetUp();
        setting->setAutoICalSync(1);
        root = storedEvent(local(2014, 3, 20, 9), local(2014, 3, 20, 10), 1);
        root->setRepeatStartDate(root->startTime());
        ASSERT_TRUE(root->dehydrate());
        ASSERT_TRUE(sync->createNewEventOnICal(root, 1));
        seriesUid = root->iCalUID();
        ASSERT_FALSE(seriesUid.isEmpty());
    }

    // The occurrence the views show on that day of March, as the user picks it.
    TaskPtr occurrenceOn(int day)
    {
        TaskList instances;
        dataManager().fillRepeatEventInstances({Task::initWithPrimaryKey(root->primaryKey())}, instances,
                                               local(2014, 3, day), local(2014, 3, day));
        EXPECT_EQ(instances.size(), 1) << "on " << day << " March";
        return instances.value(0);
    }

    // The starts of the occurrences the file shows from the first to the
    // last day of March given, as libical expands it.
    static QList<Date> startsBetween(const ICalEventFileData& file, int firstDay, int lastDay)
    {
        QList<Date> starts;
        for (const ICalOccurrence& occurrence :
             ICalendarFile::expand(file, local(2014, 3, firstDay), local(2014, 3, lastDay, 23, 59)))
            starts << occurrence.start;
        return starts;
    }

    // The task file of a uid, read back through libical.
    std::optional<ICalTaskData> readTaskBack(const QString& uid) const
    {
        const QDir folder(calendarFolder() + QStringLiteral("/Tasks"));
        for (const QString& name : folder.entryList(QDir::Files)) {
            QFile file(folder.filePath(name));
            if (!file.open(QIODevice::ReadOnly)) continue;
            QString problem;
            const auto task = ICalendarFile::readTask(file.readAll(), &problem);
            if (task && task->uid == uid) return task;
        }
        return std::nullopt;
    }
    QStringList filesIn(const QString& kind) const
    {
        return QDir(calendarFolder() + QLatin1Char('/') + kind).entryList(QDir::Files);
    }

    TaskPtr root;
    QString seriesUid;
};

}  // namespace

TEST_F(ExportsByScopeTest, EditsOfASeriesReachTheStoreInTheirScope)
{
    // Only this occurrence: an override of 22 March; the series stays as it was.
    const TaskPtr saturday = occurrenceOn(22);
    ASSERT_TRUE(saturday);
    saturday->setTaskName(QStringLiteral("Dentist, moved"));
    saturday->setStartTime(local(2014, 3, 22, 11));
    saturday->setEndTime(local(2014, 3, 22, 12));
    ASSERT_TRUE(dataManager().doEditOnlyThisOperatorWithEvent(saturday));
    settle();
    auto back = readBack(seriesUid);
    ASSERT_TRUE(back && back->master && back->master->rule);
    EXPECT_EQ(back->master->title, QStringLiteral("Dentist"));
    EXPECT_EQ(back->master->start, local(2014, 3, 20, 9));
    EXPECT_TRUE(back->master->exceptionDates.isEmpty());
    ASSERT_EQ(back->overrides.size(), 1);
    EXPECT_EQ(back->overrides.first().recurrenceId, local(2014, 3, 22, 9));
    EXPECT_EQ(back->overrides.first().start, local(2014, 3, 22, 11));
    EXPECT_EQ(back->overrides.first().end, local(2014, 3, 22, 12));
    EXPECT_EQ(back->overrides.first().title, QStringLiteral("Dentist, moved"));

    // All occurrences, picked on the first: the series moves half an hour and
    // is renamed; the changed occurrence keeps its times and answers to its
    // date at the new time of day, as its row does.
    const TaskPtr first = occurrenceOn(20);
    ASSERT_TRUE(first);
    first->setTaskName(QStringLiteral("Checkup"));
    first->setStartTime(local(2014, 3, 20, 9, 30));
    first->setEndTime(local(2014, 3, 20, 10, 30));
    ASSERT_TRUE(dataManager().doEditAllOperatorWithEvent(first));
    settle();
    back = readBack(seriesUid);
    ASSERT_TRUE(back && back->master && back->master->rule);
    EXPECT_FALSE(back->master->rule->recurrenceEnd());
    EXPECT_EQ(back->master->title, QStringLiteral("Checkup"));
    EXPECT_EQ(back->master->start, local(2014, 3, 20, 9, 30));
    EXPECT_EQ(back->master->end, local(2014, 3, 20, 10, 30));
    ASSERT_EQ(back->overrides.size(), 1);
    EXPECT_EQ(back->overrides.first().recurrenceId, local(2014, 3, 22, 9, 30));
    EXPECT_EQ(back->overrides.first().start, local(2014, 3, 22, 11));
    EXPECT_EQ(startsBetween(*back, 20, 23),
              (QList<Date>{local(2014, 3, 20, 9, 30), local(2014, 3, 21, 9, 30), local(2014, 3, 22, 11),
                           local(2014, 3, 23, 9, 30)}));

    // This and the future ones from 25 March: the series ends the day before,
    // and a second series file starts that day at the new time, linked to the
    // new series' row.
    const TaskPtr tuesday = occurrenceOn(25);
    ASSERT_TRUE(tuesday);
    tuesday->setTaskName(QStringLiteral("Checkup, later"));
    tuesday->setStartTime(local(2014, 3, 25, 15));
    tuesday->setEndTime(local(2014, 3, 25, 16));
    ASSERT_TRUE(dataManager().doEditAllFutureOperatorWithEvent(tuesday));
    settle();
    back = readBack(seriesUid);
    ASSERT_TRUE(back && back->master && back->master->rule);
    const auto until = back->master->rule->recurrenceEnd();
    ASSERT_TRUE(until && until->usesEndDate());
    EXPECT_GE(until->endDate(), local(2014, 3, 24, 9, 30));
    EXPECT_LT(until->endDate(), local(2014, 3, 25, 9, 30));
    EXPECT_EQ(startsBetween(*back, 20, 31),
              (QList<Date>{local(2014, 3, 20, 9, 30), local(2014, 3, 21, 9, 30), local(2014, 3, 22, 11),
                           local(2014, 3, 23, 9, 30), local(2014, 3, 24, 9, 30)}));
    const TaskPtr continued = dataManager().modifyingTask();
    ASSERT_TRUE(continued);
    const TaskPtr continuedRow = Task::initWithPrimaryKey(continued->primaryKey());
    ASSERT_TRUE(continuedRow);
    ASSERT_FALSE(continuedRow->iCalUID().isEmpty());
    EXPECT_NE(continuedRow->iCalUID(), seriesUid);
    const auto second = readBack(continuedRow->iCalUID());
    ASSERT_TRUE(second && second->master && second->master->rule);
    EXPECT_FALSE(second->master->rule->recurrenceEnd());
    EXPECT_EQ(second->master->title, QStringLiteral("Checkup, later"));
    EXPECT_EQ(second->master->end, local(2014, 3, 25, 16));
    EXPECT_TRUE(second->overrides.isEmpty());
    EXPECT_EQ(startsBetween(*second, 20, 27),
              (QList<Date>{local(2014, 3, 25, 15), local(2014, 3, 26, 15), local(2014, 3, 27, 15)}));
    EXPECT_EQ(filesIn(QStringLiteral("Events")).size(), 2);
}

TEST_F(ExportsByScopeTest, DeletesReachTheStoreInTheirScope)
{
    // Only this occurrence: an exception date.
    ASSERT_TRUE(dataManager().doDeleteOnlyThisOperatorWithEvent(occurrenceOn(22)));
    // Only this, on an occurrence changed before: its override goes too.
    const TaskPtr monday = occurrenceOn(24);
    ASSERT_TRUE(monday);
    monday->setTaskName(QStringLiteral("Dentist, moved"));
    ASSERT_TRUE(dataManager().doEditOnlyThisOperatorWithEvent(monday));
    settle();
    const TaskPtr detached = dataManager().modifyingTask();
    ASSERT_TRUE(detached && detached->parentId() == root->primaryKey());
    auto back = readBack(seriesUid);
    ASSERT_TRUE(back && back->master);
    ASSERT_EQ(back->overrides.size(), 1);
    ASSERT_TRUE(dataManager().doDeleteOnlyThisOperatorWithEvent(detached));
    settle();
    back = readBack(seriesUid);
    ASSERT_TRUE(back && back->master && back->master->rule);
    EXPECT_EQ(back->master->exceptionDates, (QList<Date>{local(2014, 3, 22, 9), local(2014, 3, 24, 9)}));
    EXPECT_TRUE(back->overrides.isEmpty());
    EXPECT_EQ(startsBetween(*back, 20, 25),
              (QList<Date>{local(2014, 3, 20, 9), local(2014, 3, 21, 9), local(2014, 3, 23, 9), local(2014, 3, 25, 9)}));

    // This and the future ones from 27 March: the series ends the day before.
    ASSERT_TRUE(dataManager().doDeleteAllFutureOperatorWithEvent(occurrenceOn(27), false));
    settle();
    back = readBack(seriesUid);
    ASSERT_TRUE(back && back->master && back->master->rule);
    const auto until = back->master->rule->recurrenceEnd();
    ASSERT_TRUE(until && until->usesEndDate());
    EXPECT_GE(until->endDate(), local(2014, 3, 26, 9));
    EXPECT_LT(until->endDate(), local(2014, 3, 27, 9));
    EXPECT_EQ(startsBetween(*back, 20, 31),
              (QList<Date>{local(2014, 3, 20, 9), local(2014, 3, 21, 9), local(2014, 3, 23, 9), local(2014, 3, 25, 9),
                           local(2014, 3, 26, 9)}));

    // All occurrences, picked on one of them: the file goes.
    const QString seriesFile = store->eventFilePath(seriesUid);
    ASSERT_FALSE(seriesFile.isEmpty());
    ASSERT_TRUE(dataManager().doDeleteAllOperatorWithEvent(occurrenceOn(21)));
    settle();
    EXPECT_FALSE(QFile::exists(seriesFile));
    EXPECT_TRUE(store->eventFilePath(seriesUid).isEmpty());

    // A one-off event and a task: their files go.
    const TaskPtr oneOff = storedEvent(local(2014, 3, 26, 14), local(2014, 3, 26, 15));
    ASSERT_TRUE(sync->createNewEventOnICal(oneOff, 1));
    const TaskPtr task = storedTask(QStringLiteral("Call"));
    ASSERT_TRUE(sync->createNewTaskOnICal(task));
    ASSERT_TRUE(readBack(oneOff->iCalUID()));
    ASSERT_TRUE(readTaskBack(task->iCalUID()));
    ASSERT_TRUE(dataManager().doDeleteOnlyThisOperatorWithEvent(oneOff));
    ASSERT_TRUE(dataManager().doDeleteTask(task));
    settle();
    EXPECT_EQ(filesIn(QStringLiteral("Events")), QStringList());
    EXPECT_EQ(filesIn(QStringLiteral("Tasks")), QStringList());
}

// Postponing from an alarm and moving to next week or next month move the
// store task's due date with the row's. A task of a category that keeps
// events only leaves the store when it is postponed.
TEST_F(ExportsByScopeTest, PostponedTasksTakeTheirNewDueDateToTheStore)
{
    const TaskPtr task = storedTask(QStringLiteral("Report"));
    task->setStartTime(local(2014, 3, 13, 9));
    task->setDueEnd(local(2014, 3, 13, 17));
    task->setHasDue(1);
    ASSERT_TRUE(task->dehydrate());
    ASSERT_TRUE(sync->createNewTaskOnICal(task));
    const QString uid = task->iCalUID();
    ASSERT_FALSE(uid.isEmpty());
    ASSERT_EQ(readTaskBack(uid)->due, local(2014, 3, 13, 17));
    auto alarm = std::make_shared<LocalNotification>();
    alarm->setTask(task);

    ASSERT_TRUE(dataManager().postponeAlerts({alarm}, 2));  // a week
    settle();
    auto back = readTaskBack(uid);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->due, local(2014, 3, 20, 17));
    EXPECT_EQ(back->title, QStringLiteral("Report"));

    // From Wednesday 12 March: due on Friday of next week, then at the end
    // of April, at the end of the working day the settings give.
    struct Move {
        const char* name;
        std::function<bool()> command;
        Date day;
    };
    const Move moves[] = {
        {"next week", [&] { return dataManager().doNextWeek(task); }, local(2014, 3, 21)},
        {"next month", [&] { return dataManager().doNextMonth(task); }, local(2014, 4, 30)},
    };
    for (const Move& move : moves) {
        SCOPED_TRACE(move.name);
        ASSERT_TRUE(move.command());
        settle();
        const TaskPtr row = Task::initWithPrimaryKey(task->primaryKey());
        ASSERT_TRUE(row);
        EXPECT_EQ(Utilities::compareDateNoTime(row->dueEnd(), move.day), 0);
        back = readTaskBack(uid);
        ASSERT_TRUE(back);
        EXPECT_EQ(back->due, row->dueEnd());
    }

    category->setTaskOrEvent(2);  // events only
    const TaskPtr moved = Task::initWithPrimaryKey(task->primaryKey());
    alarm->setTask(moved);
    ASSERT_TRUE(dataManager().postponeAlerts({alarm}, 1));
    settle();
    EXPECT_FALSE(readTaskBack(uid));
    EXPECT_EQ(filesIn(QStringLiteral("Tasks")), QStringList());
    EXPECT_TRUE(Task::initWithPrimaryKey(task->primaryKey())->iCalUID().isEmpty());
}

// Picked on the first occurrence, "this and the future ones" is the whole
// series: an edit rewrites the one file, a delete removes it. The root row
// itself edited "only this" gives the first occurrence an override.
TEST_F(ExportsByScopeTest, FromTheFirstOccurrenceThisAndFutureTakesTheWholeSeries)
{
    const TaskPtr first = occurrenceOn(20);
    ASSERT_TRUE(first);
    first->setTaskName(QStringLiteral("Checkup"));
    ASSERT_TRUE(dataManager().doEditAllFutureOperatorWithEvent(first));
    settle();
    auto back = readBack(seriesUid);
    ASSERT_TRUE(back && back->master && back->master->rule);
    EXPECT_FALSE(back->master->rule->recurrenceEnd());
    EXPECT_EQ(back->master->title, QStringLiteral("Checkup"));
    EXPECT_EQ(back->master->start, local(2014, 3, 20, 9));
    EXPECT_EQ(filesIn(QStringLiteral("Events")).size(), 1);

    const TaskPtr rootRow = Task::initWithPrimaryKey(root->primaryKey());
    ASSERT_TRUE(rootRow);
    rootRow->setTaskName(QStringLiteral("Kick-off"));
    ASSERT_TRUE(dataManager().doEditOnlyThisOperatorWithEvent(rootRow));
    settle();
    back = readBack(seriesUid);
    ASSERT_TRUE(back && back->master);
    EXPECT_EQ(back->master->title, QStringLiteral("Checkup"));
    ASSERT_EQ(back->overrides.size(), 1);
    EXPECT_EQ(back->overrides.first().recurrenceId, local(2014, 3, 20, 9));
    EXPECT_EQ(back->overrides.first().title, QStringLiteral("Kick-off"));

    const TaskPtr detached = dataManager().modifyingTask();
    ASSERT_TRUE(detached && detached->parentId() == root->primaryKey());
    ASSERT_TRUE(dataManager().doDeleteAllFutureOperatorWithEvent(detached, false));
    settle();
    EXPECT_TRUE(store->eventFilePath(seriesUid).isEmpty());
    EXPECT_EQ(filesIn(QStringLiteral("Events")), QStringList());
}
