#include "TaskTestFixture.h"

#include <functional>

namespace {

class CoreDataLinksTest : public TaskTest {
protected:
    void link(qint64 root, qint64 target, qint64 status = 0)
    {
        exec(QStringLiteral("INSERT INTO Links (rootId, targetId, status) VALUES (%1, %2, %3)")
                 .arg(root)
                 .arg(target)
                 .arg(status));
    }

    // A repeating event whose series has moved on past its first occurrence.
    TaskPtr seriesPastItsStart(const QString& options)
    {
        const TaskPtr series = storedItem(QStringLiteral("Series"), 0);
        series->setRepeatType(1);
        series->setRepeatOptions(options);
        series->setOccurrence(series->startTime().dateByAddingTimeInterval(7 * 86400));
        EXPECT_TRUE(series->dehydrate());
        return series;
    }
};

TEST_F(CoreDataLinksTest, ItemHasLinksWhenAnActiveLinkReachesAnItemThatCounts)
{
    struct Case {
        const char* what;
        std::function<void(qint64 key)> setUp;
        bool hasLinks;
    };
    const QList<Case> cases = {
        {"no links", [](qint64) {}, false},
        {"a task linked to it", [&](qint64 key) { link(key, storedItem(QStringLiteral("Task"))->primaryKey()); },
         true},
        {"linked from a note", [&](qint64 key) { link(storedItem(QStringLiteral("Note"), 3)->primaryKey(), key); },
         true},
        {"a removed link", [&](qint64 key) { link(key, storedItem(QStringLiteral("Gone"))->primaryKey(), 1); },
         false},
        {"a link to a missing item", [&](qint64 key) { link(key, 9999); }, false},
        {"a link to itself", [&](qint64 key) { link(key, key); }, false},
        {"a one-off event", [&](qint64 key) { link(key, storedItem(QStringLiteral("Event"), 0)->primaryKey()); },
         true},
        {"a series still at its first occurrence",
         [&](qint64 key) {
             const TaskPtr series = storedItem(QStringLiteral("Series"), 0);
             series->setRepeatType(2);
             series->setOccurrence(series->startTime());
             ASSERT_TRUE(series->dehydrate());
             link(key, series->primaryKey());
         },
         true},
        {"a series past its start on a weekday-of-month rule",
         [&](qint64 key) { link(key, seriesPastItsStart(QStringLiteral("1//1"))->primaryKey()); }, true},
        {"a series past its start, then a task",
         [&](qint64 key) {
             link(key, seriesPastItsStart(QStringLiteral("1//0"))->primaryKey());
             link(key, storedItem(QStringLiteral("Task"))->primaryKey());
         },
         true},
    };
    for (const Case& c : cases) {
        exec(QStringLiteral("DELETE FROM Links"));
        const TaskPtr item = storedItem(QStringLiteral("Item"));
        c.setUp(item->primaryKey());
        EXPECT_EQ(dataManager().hasLinks(item), c.hasLinks) << c.what;
        EXPECT_EQ(item->hasLink(), c.hasLinks) << c.what;
    }
}

TEST_F(CoreDataLinksTest, GeneratedOccurrenceIsLinkedThroughItsSeries)
{
    const TaskPtr root = storedItem(QStringLiteral("Root"), 0);
    link(storedItem(QStringLiteral("Task"))->primaryKey(), root->primaryKey());
    const TaskPtr occurrence = root->copy();
    occurrence->setPrimaryKey(-5);
    occurrence->setParentId(root->primaryKey());
    EXPECT_TRUE(dataManager().hasLinks(occurrence));
}

TEST_F(CoreDataLinksTest, ClosedDatabaseHasNoLinks)
{
    const TaskPtr item = storedItem(QStringLiteral("Item"));
    link(item->primaryKey(), storedItem(QStringLiteral("Task"))->primaryKey());
    databaseOpen = false;
    EXPECT_FALSE(dataManager().hasLinks(item));
    databaseOpen = true;
    EXPECT_TRUE(dataManager().hasLinks(item));
}

}  // namespace
