#include "TaskPaneOrder.h"

#include <gtest/gtest.h>

namespace {

Date day(int n)
{
    return Date::dateWithTimeIntervalSince1970(1389740400.0 + n * 86400.0);
}

TEST(TaskPaneOrderTest, OrderValuesAreHandedOutAgainAlongTheDates)
{
    struct Case {
        const char* what;
        QList<TaskPaneOrder::Entry> entries;
        QList<qsizetype> positions;
        QList<qint64> orders;
    };
    const Case cases[] = {
        {"A due day 3 order 5, B day 1 order 9, C day 2 order 7",
         {{day(3), 5}, {day(1), 9}, {day(2), 7}}, {1, 2, 0}, {5, 7, 9}},
        {"already in order", {{day(1), 1}, {day(2), 2}}, {0, 1}, {1, 2}},
        {"equal dates keep their order", {{day(2), 8}, {day(1), 3}, {day(2), 1}}, {1, 0, 2}, {1, 3, 8}},
        {"equal order values stay equal", {{day(2), 4}, {day(1), 4}, {day(0), 6}}, {2, 1, 0}, {4, 4, 6}},
        {"a task without a date comes first", {{day(1), 2}, {Date(), 5}}, {1, 0}, {2, 5}},
        {"nothing to order", {}, {}, {}},
    };
    for (const Case& c : cases) {
        const TaskPaneOrder::Reorder reorder = TaskPaneOrder::reorderByDate(c.entries);
        EXPECT_EQ(reorder.positions, c.positions) << c.what;
        EXPECT_EQ(reorder.orders, c.orders) << c.what;
    }
}

}  // namespace
