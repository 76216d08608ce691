// Deletions find the working list's entries by key through an index: every
// way a listed record can come to hold another key must reach that index.
#include "ItemRowsFixture.h"

#include "Transaction.h"

#include <functional>

namespace WorkingListKeyIndexTests {

class WorkingListKeyIndexTest : public ItemRowsTest {
protected:
    TaskPtr listed(qint64 key)
    {
        auto item = std::make_shared<Task>();
        item->setPrimaryKey(key);
        dataManager().doWithAllTasksEventsAdes(TaskList{item}, 0);
        return item;
    }

    QList<qint64> listedKeys() { return keysOf(dataManager().allTasksEventsAdes()); }
};

// Each case changes the list or a listed key after the index was built (by a
// deletion of a key nobody holds), then deletes one key: only the entries
// holding that key now must go, in every case.
struct KeyChange {
    const char* name;
    // Answers the key to delete; `a`, `b` and `c` are listed as 101, 102, 103.
    std::function<qint64(const TaskPtr& a, const TaskPtr& b, const TaskPtr& c)> change;
    QList<qint64> keptKeys;
};

TEST_F(WorkingListKeyIndexTest, DeletionByKeyFollowsEveryChangeOfAListedKey)
{
    const std::vector<KeyChange> cases{
        {"a key no entry holds", [](auto&, auto&, auto&) { return qint64(104); }, {101, 102, 103}},
        {"a listed record takes another key", [](auto&, auto& b, auto&) { return b->setPrimaryKey(900), qint64(900); },
         {101, 103}},
        {"its old key no longer finds it", [](auto&, auto& b, auto&) { return b->setPrimaryKey(900), qint64(102); },
         {101, 900, 103}},
        {"a detached row takes its root's key: both go",
         [](auto& a, auto& b, auto&) { return b->setPrimaryKey(a->primaryKey()), qint64(101); }, {103}},
        {"a listed new record is stored and takes its row's key",
         [this](auto&, auto&, auto&) {
             const TaskPtr fresh = listed(-1);
             EXPECT_TRUE(fresh->insertIntoDatabase());
             return fresh->primaryKey();
         },
         {101, 102, 103}},
        {"a record listed after the index was built", [this](auto&, auto&, auto&) { return listed(500)->primaryKey(); },
         {101, 102, 103}},
        {"an undo gives a listed record its old key back",
         [this](auto&, auto& b, auto&) {
             Transaction unit;
             Transaction::keepInCurrent(b);
             b->setPrimaryKey(900);
             dataManager().dropFromWorkingList({104});  // the index now holds 900
             unit.rollback();
             return qint64(102);
         },
         {101, 103}},
        {"an undo puts deleted entries back",
         [this](auto&, auto&, auto&) {
             Transaction unit;
             dataManager().dropFromWorkingList({101, 103});
             unit.rollback();
             return qint64(103);
         },
         {101, 102}},
        {"the list cleared and filled again",
         [this](auto& a, auto& b, auto& c) {
             dataManager().doWithAllTasksEventsAdes(std::nullopt, 1);
             dataManager().doWithAllTasksEventsAdes(TaskList{c, b, a}, 0);
             return qint64(102);
         },
         {103, 101}},
        {"an entry removed by address first",
         [this](auto&, auto& b, auto&) { return dataManager().doWithAllTasksEventsAdes(TaskList{b}, 1), qint64(101); },
         {103}},
    };
    for (const KeyChange& test : cases) {
        dataManager().doWithAllTasksEventsAdes(std::nullopt, 1);
        const TaskPtr a = listed(101);
        const TaskPtr b = listed(102);
        const TaskPtr c = listed(103);
        dataManager().dropFromWorkingList({104});
        const qint64 deleted = test.change(a, b, c);
        dataManager().dropFromWorkingList({deleted});
        EXPECT_EQ(listedKeys(), test.keptKeys) << test.name;
    }
}

}  // namespace WorkingListKeyIndexTests
