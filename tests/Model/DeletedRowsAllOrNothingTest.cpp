#include "CommandUnitFixture.h"

#include "DeletedRows.h"
#include "QueryStatement.h"

// A bulk removal takes the rows, their queued web ids and the marks on their
// links together: a row gone without its queued id would live on at the
// server, and links left active would be sent as live ones.
TEST_F(CommandUnitTest, BulkRemovalTakesRowsQueueAndLinkMarksTogether)
{
    const CalendarPtr category = addCategory();
    const TaskPtr first = task(QStringLiteral("first"));
    const TaskPtr second = note(QStringLiteral("second"));
    const TaskPtr elsewhere = task(QStringLiteral("elsewhere"));
    first->setZvwID(701);
    second->setZvwID(702);
    for (const TaskPtr& item : {first, second}) {
        item->setCalendarId(category->primaryKey());
        ASSERT_TRUE(item->dehydrate());
    }
    const qint64 linked = link(first, elsewhere);
    const auto bindCategory = [&](QueryStatement& query) { query.bind(1, category->primaryKey()); };
    QList<qint64> removed;

    expectAllOrNothing(
        db(),
        [&] {
            const auto deleted = DeletedRows::deleteItems("calendarId=?", bindCategory, DeletedRows::WebIds::Queue);
            removed = deleted.value_or(QList<qint64>());
            return deleted.has_value();
        },
        anyPost);

    EXPECT_EQ(removed, (QList<qint64>{first->primaryKey(), second->primaryKey()}));
    EXPECT_FALSE(rowExists(first->primaryKey()));
    EXPECT_TRUE(rowExists(elsewhere->primaryKey()));
    EXPECT_EQ(webDeletions(), QStringLiteral(",701,702"));
    EXPECT_EQ(queryInt(QStringLiteral("SELECT status FROM Links WHERE primaryKey=%1").arg(linked)), 1);
}
