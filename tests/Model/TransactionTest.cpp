#include "MainQueue.h"
#include "Notifications.h"
#include "RecordLock.h"
#include "TaskTestFixture.h"
#include "Transaction.h"
#include "iCalSync.h"

#include <QObject>

#include <future>
#include <thread>

// Units of work: rows, records and lists go back together, nested units join
// their parent, and nobody hears of a change before it is there to stay.
class TransactionTest : public TaskTest {
protected:
    TaskPtr newItem(const QString& name)
    {
        auto item = std::make_shared<Task>();
        item->setTaskName(name);
        EXPECT_TRUE(item->insertAndDehydrate());
        return item;
    }
    qint64 itemsNamed(const QString& name)
    {
        return queryInt(QStringLiteral("SELECT count(*) FROM Tasks WHERE taskName='%1'").arg(name));
    }
};

TEST_F(TransactionTest, InnerRollbackKeepsTheOuterWritesAndOuterRollbackUndoesACommittedInnerOne)
{
    {
        Transaction outer;
        ASSERT_TRUE(outer.isOpen());
        newItem(QStringLiteral("outer"));
        {
            Transaction inner;
            newItem(QStringLiteral("dropped"));
        }
        EXPECT_EQ(itemsNamed(QStringLiteral("dropped")), 0);
        ASSERT_TRUE(outer.commit());
    }
    EXPECT_EQ(itemsNamed(QStringLiteral("outer")), 1);

    const TaskPtr kept = dataManager().allTasksEventsAdes().last();
    const qint64 listed = dataManager().allTasksEventsAdes().size();
    {
        Transaction outer;
        {
            Transaction inner;
            kept->setTaskName(QStringLiteral("renamed"));
            ASSERT_TRUE(kept->dehydrate());
            newItem(QStringLiteral("inner"));
            ASSERT_TRUE(inner.commit());
        }
        EXPECT_EQ(itemsNamed(QStringLiteral("inner")), 1);
    }
    EXPECT_EQ(itemsNamed(QStringLiteral("inner")), 0);
    EXPECT_EQ(itemsNamed(QStringLiteral("renamed")), 0);
    // The record written inside comes back as it was when the unit wrote it:
    // changed by its caller, and therefore still dirty.
    EXPECT_EQ(kept->taskName(), QStringLiteral("renamed"));
    EXPECT_TRUE(kept->dirty());
    EXPECT_EQ(dataManager().allTasksEventsAdes().size(), listed);
}

TEST_F(TransactionTest, AFailedReadSpoilsTheUnit)
{
    Transaction unit;
    newItem(QStringLiteral("written"));
    RecordStore::failStep(1);
    EXPECT_TRUE(dataManager().getAllTasks().isEmpty());
    EXPECT_FALSE(unit.commit());
    EXPECT_EQ(itemsNamed(QStringLiteral("written")), 0);
}

TEST_F(TransactionTest, KeptRecordsAndTheSharedSettingsComeBackOnRollback)
{
    const TaskPtr item = newItem(QStringLiteral("item"));
    setting().setZvwDeletedTasks(QStringLiteral(",1"));
    {
        Transaction unit;
        unit.keep(item);
        item->setTaskName(QStringLiteral("changed"));
        item->setStatus(1);
        setting().setZvwDeletedTasks(QStringLiteral(",1,2"));
        setting().setCalendarDefID(99);
    }
    {
        Transaction unit;
        setting().setNoteMode(3);
    }
    EXPECT_EQ(item->taskName(), QStringLiteral("item"));
    EXPECT_EQ(item->status(), 0);
    EXPECT_EQ(setting().zvwDeletedTasks(), QStringLiteral(",1"));
    EXPECT_EQ(setting().calendarDefID(), 1);
    EXPECT_EQ(setting().noteMode(), 0) << "a value kept outside the row comes back too";
}

TEST_F(TransactionTest, PostsArriveAfterCommitWithTheLockReleasedAndNeverAfterARollback)
{
    QObject observer;
    QList<bool> lockFreeAtDelivery;
    NotificationCenter::defaultCenter().addObserver(&observer, kAllTasksEventsAdesChanged, nullptr, [&](const Notification&) {
        // Another thread must be able to take the record lock by now.
        lockFreeAtDelivery.append(std::async(std::launch::async, [] {
                                      const bool taken = recordLock().try_lock();
                                      if (taken) recordLock().unlock();
                                      return taken;
                                  }).get());
    });
    {
        Transaction unit;
        newItem(QStringLiteral("rolled back"));
    }
    EXPECT_TRUE(lockFreeAtDelivery.isEmpty());
    {
        Transaction unit;
        newItem(QStringLiteral("kept"));
        EXPECT_TRUE(lockFreeAtDelivery.isEmpty());
        ASSERT_TRUE(unit.commit());
    }
    EXPECT_EQ(lockFreeAtDelivery, QList<bool>{true});
}

// The working list keeps no copy of itself per unit: each change registers
// its own undo. Whatever mix of adds, removals (from the middle, twice over,
// of every item) and inner units went before, a rollback gives back the same
// items in the same order, and a commit keeps exactly what the steps left.
TEST_F(TransactionTest, TheWorkingListComesBackItemForItemAfterAnyMixOfChanges)
{
    TaskList first;
    for (const char* name : {"a", "b", "c", "d", "e"}) first.append(newItem(QString::fromLatin1(name)));
    const auto names = [this] {
        QString joined;
        for (const TaskPtr& item : dataManager().allTasksEventsAdes()) joined += item->taskName();
        return joined;
    };
    const auto remove = [this](const TaskList& items) { dataManager().doWithAllTasksEventsAdes(items, ListAction::Remove); };
    struct Case {
        const char* what;
        std::function<void()> steps;
        QString committed;
        // The steps run on a thread that hands the listed records over to
        // the main one, as the calendar store's worker does.
        bool handsListOver = false;
    };
    const Case cases[] = {
        {"adds and removals from the middle",
         [&] {
             newItem(QStringLiteral("x"));
             remove({first[1], first[3]});
             newItem(QStringLiteral("y"));
             remove({first[0]});
         },
         QStringLiteral("cexy")},
        {"an inner unit rolled back inside a kept one",
         [&] {
             remove({first[2]});
             {
                 Transaction inner;
                 newItem(QStringLiteral("z"));
                 remove({first[0], first[4]});
             }
             EXPECT_EQ(names(), QStringLiteral("abde")) << "the inner rollback undoes only its own steps";
             newItem(QStringLiteral("w"));
         },
         QStringLiteral("abdew")},
        {"everything cleared, then added to",
         [&] {
             remove({first[1]});
             dataManager().doWithAllTasksEventsAdes(std::nullopt, ListAction::Remove);
             newItem(QStringLiteral("v"));
             dataManager().removeAllTaskRelateToPrimaryKey(dataManager().allTasksEventsAdes().last()->primaryKey());
             newItem(QStringLiteral("u"));
         },
         QStringLiteral("u")},
        {"a new item on the calendar store's worker", [&] { newItem(QStringLiteral("s")); }, QStringLiteral("abcdes"),
         true},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.what);
        const TaskList before = dataManager().allTasksEventsAdes();
        const auto inUnit = [&](bool kept) {
            const auto run = [&] {
                Transaction unit;
                test.steps();
                if (kept) EXPECT_TRUE(unit.commit());
            };
            if (!test.handsListOver) return run();
            std::thread([&] {
                iCalSync::setListRecordsOnMainThread(true);
                run();
            }).join();
            MainQueue::runWaitingJobs();
        };
        inUnit(false);
        EXPECT_EQ(dataManager().allTasksEventsAdes(), before) << "the same objects, in the same order";
        inUnit(true);
        EXPECT_EQ(names(), test.committed);
        dataManager().doWithAllTasksEventsAdes(std::nullopt, ListAction::Remove);
        dataManager().doWithAllTasksEventsAdes(before, ListAction::Add);
    }
}
