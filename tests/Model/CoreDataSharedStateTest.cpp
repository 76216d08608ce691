#include "ModelTestFixture.h"

#include "Task.h"

#include <QThread>

#include <limits>

namespace {

using CoreDataSharedStateTest = ModelTest;

TaskPtr taskTitled(const QString& title)
{
    auto task = std::make_shared<Task>();
    task->setTaskName(title);
    return task;
}

TEST_F(CoreDataSharedStateTest, PlannerResultsAndFutureTasksAreNoneUntilSet)
{
    CoreData& data = dataManager();
    EXPECT_FALSE(data.sevenDaysEventList().has_value());
    EXPECT_FALSE(data.sevenDaysTaskList().has_value());
    EXPECT_FALSE(data.sevenDaysOpenTimeSlotsList().has_value());
    EXPECT_FALSE(data.futureTaskList().has_value());
    EXPECT_EQ(data.numberOfActiveProject(), 0);
    EXPECT_EQ(data.taskFilterMenuIndex(), 0u);
    EXPECT_EQ(data.firstDoTodayTaskOder(), 0u);

    // An empty result is a result: it differs from none.
    data.setSevenDaysTaskList(CoreData::WeekdayTaskLists{});
    ASSERT_TRUE(data.sevenDaysTaskList().has_value());
    EXPECT_TRUE(data.sevenDaysTaskList()->isEmpty());
    data.setSevenDaysTaskList(std::nullopt);
    EXPECT_FALSE(data.sevenDaysTaskList().has_value());
}

TEST_F(CoreDataSharedStateTest, ReadersGetSnapshotsOfTheStoredResults)
{
    CoreData& data = dataManager();
    const TaskPtr first = taskTitled(QStringLiteral("first"));
    TimeSlotObject slot;
    slot.setStartTimeInMinutes(540);
    slot.setEndTimeInMinutes(600);
    data.setSevenDaysEventList(CoreData::WeekdayTaskLists{{QStringLiteral("Mon"), {first}}});
    data.setSevenDaysTaskList(CoreData::WeekdayTaskLists{{QStringLiteral("Tue"), {first}}});
    data.setSevenDaysOpenTimeSlotsList(CoreData::WeekdayTimeSlots{{QStringLiteral("Mon"), {slot}}});
    data.setFutureTaskList(TaskList{first});

    auto events = *data.sevenDaysEventList();
    events[QStringLiteral("Mon")].append(taskTitled(QStringLiteral("added to the copy")));
    auto slots = *data.sevenDaysOpenTimeSlotsList();
    slots[QStringLiteral("Mon")][0].setEndTimeInMinutes(1020);
    auto future = *data.futureTaskList();
    future.clear();

    ASSERT_EQ(data.sevenDaysEventList()->value(QStringLiteral("Mon")).size(), 1);
    EXPECT_EQ(data.sevenDaysEventList()->value(QStringLiteral("Mon")).first(), first);
    EXPECT_EQ(data.sevenDaysTaskList()->value(QStringLiteral("Tue")).first(), first);
    EXPECT_EQ(data.sevenDaysOpenTimeSlotsList()->value(QStringLiteral("Mon")).first().endTimeInMinutes(), 600);
    EXPECT_EQ(data.futureTaskList(), std::optional<TaskList>(TaskList{first}));
}

TEST_F(CoreDataSharedStateTest, DoTodayOrderKeepsAllSixtyFourBits)
{
    CoreData& data = dataManager();
    const quint64 orders[] = {CoreData::noDoTodayTask, quint64(1) << 63, quint64(1) << 40, 7};
    for (quint64 order : orders) {
        data.setFirstDoTodayTaskOder(order);
        EXPECT_EQ(data.firstDoTodayTaskOder(), order) << order;
    }
    EXPECT_EQ(CoreData::noDoTodayTask, std::numeric_limits<quint64>::max());
    // No task order, however large, is after "no open task".
    EXPECT_FALSE(quint64(std::numeric_limits<qint64>::max()) > CoreData::noDoTodayTask);
}

TEST_F(CoreDataSharedStateTest, ResultsStoredOnAnotherThreadAreReadWhole)
{
    CoreData& data = dataManager();
    // Each pass stores seven days of the same length; a reader never sees a
    // dictionary half replaced.
    std::atomic<bool> done{false};
    QThread* writer = QThread::create([&] {
        for (int pass = 1; pass <= 300; ++pass) {
            CoreData::WeekdayTaskLists lists;
            for (int day = 0; day < 7; ++day) {
                TaskList tasks;
                for (int i = 0; i < pass % 5; ++i) tasks.append(taskTitled(QString::number(i)));
                lists.insert(QString::number(day), tasks);
            }
            data.setSevenDaysTaskList(lists);
            data.setNumberOfActiveProject(pass);
        }
        done = true;
    });
    writer->start();
    qint64 lastCount = 0;
    bool torn = false;
    bool countWentBack = false;
    while (!done && !torn && !countWentBack) {
        if (const auto lists = data.sevenDaysTaskList()) {
            torn = lists->size() != 7;
            for (const TaskList& tasks : *lists) torn = torn || tasks.size() != lists->first().size();
        }
        const qint64 count = data.numberOfActiveProject();
        countWentBack = count < lastCount;
        lastCount = count;
    }
    writer->wait();
    delete writer;
    EXPECT_FALSE(torn);
    EXPECT_FALSE(countWentBack);
    EXPECT_EQ(data.numberOfActiveProject(), 300);
}

}  // namespace

// A store or web job that sets its item to add or save (on its own thread)
// never takes the place of the one a view set and is about to add: it was
// the view's addNewTask that then stored the job's item a second time.
TEST_F(CoreDataSharedStateTest, EachThreadHasItsOwnItemBeingAdded)
{
    CoreData& data = dataManager();
    const TaskPtr viewItem = taskTitled(QStringLiteral("typed in a view"));
    const TaskPtr jobItem = taskTitled(QStringLiteral("linked by the store job"));
    const qint64 unstored = jobItem->primaryKey();
    data.setModifyingTask(viewItem);
    TaskPtr seenByJob, interfaceSeenByJob;
    QThread* job = QThread::create([&] {
        data.setModifyingTask(jobItem);
        seenByJob = data.modifyingTask();
        interfaceSeenByJob = data.interfaceModifyingTask();
    });
    job->start();
    ASSERT_TRUE(job->wait(10000));
    delete job;
    EXPECT_EQ(data.modifyingTask(), viewItem);
    EXPECT_EQ(data.interfaceModifyingTask(), viewItem);
    EXPECT_EQ(seenByJob, jobItem);
    EXPECT_EQ(interfaceSeenByJob, viewItem);
    // What the view adds is its own item.
    viewItem->setTaskType(1);
    ASSERT_TRUE(data.addNewTask());
    EXPECT_GT(viewItem->primaryKey(), 0);
    EXPECT_EQ(jobItem->primaryKey(), unstored);
}
