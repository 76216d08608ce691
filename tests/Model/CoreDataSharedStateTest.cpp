#include "ModelTestFixture.h"

#include "Task.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
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

// A store or web job hands the item it adds to the command: the item a view
// set (an editor's kept copy, the quick-add bar's new item) stays in place,
// the job's item is not held once the job lets it go, and a job on a thread
// made later (at the address of a finished one) finds nothing left over.
TEST_F(CoreDataSharedStateTest, AJobsAddLeavesTheViewsItemAndKeepsNothingOfItsOwn)
{
    CoreData& data = dataManager();
    const TaskPtr viewItem = taskTitled(QStringLiteral("typed in a view"));
    viewItem->setTaskType(1);
    data.setModifyingTask(viewItem);
    std::weak_ptr<Task> jobItems[2];
    for (int round = 0; round < 2; ++round) {
        bool stored = false;
        TaskPtr seenByJob;
        QThread* job = QThread::create([&] {
            seenByJob = data.modifyingTask();
            const TaskPtr own = taskTitled(QStringLiteral("linked by job %1").arg(round));
            own->setTaskType(1);
            jobItems[round] = own;
            stored = round == 0 ? data.addNewTask(own) : data.addNewTaskNeedSync(own, false);
        });
        job->start();
        // The add posts its notices to this thread and waits for them.
        QDeadlineTimer deadline(10000);
        while (!job->wait(10) && !deadline.hasExpired()) QCoreApplication::processEvents();
        ASSERT_TRUE(job->isFinished());
        delete job;
        EXPECT_TRUE(stored) << round;
        EXPECT_EQ(seenByJob, viewItem) << round;
        // The web's add lists nothing: nothing else holds its item.
        if (round == 1) EXPECT_TRUE(jobItems[round].expired());
        EXPECT_EQ(data.modifyingTask(), viewItem) << round;
    }
    // What the view adds is its own item.
    ASSERT_TRUE(data.addNewTask());
    EXPECT_GT(viewItem->primaryKey(), 0);
}
