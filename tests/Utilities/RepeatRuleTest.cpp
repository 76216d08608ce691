#include "RepeatRule.h"

#include <gtest/gtest.h>

namespace {

TEST(RepeatRule, OptionsTextReadsIntoIntervalSortedWeekdaysAndFlag)
{
    const struct {
        QString options;
        qint64 interval;
        QList<int> weekdays;
        qint64 monthlyFlag;
    } cases[] = {
        {QString(), 1, {}, 0},
        {"", 1, {}, 0},
        {"1//0", 1, {}, 0},
        {"2/2|5/0", 2, {2, 5}, 0},
        {"1/5|2/0", 1, {2, 5}, 0},           // stored unsorted
        {"1/5|2|5|2/0", 1, {2, 5}, 0},       // repeated days
        {"1/7|10|0|-1|1|x||3/0", 1, {1, 3, 7}, 0},  // out of range and unreadable entries
        {"1/12|3/0", 1, {3}, 0},             // 12 is no weekday, not 1 and 2
        {"0//1", 1, {}, 1},                  // interval below 1
        {"-3//2", 1, {}, 2},
        {"4", 4, {}, 0},                     // missing parts keep their defaults
        {"x/2/y", 1, {2}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.options.toStdString());
        const RepeatRule rule = RepeatRule::fromOptions(RepeatRule::Weekly, c.options);
        EXPECT_EQ(rule.repeatType, RepeatRule::Weekly);
        EXPECT_EQ(rule.interval, c.interval);
        EXPECT_EQ(rule.weekdays, c.weekdays);
        EXPECT_EQ(rule.monthlyFlag, c.monthlyFlag);
    }
}

TEST(RepeatRule, OptionsTextIsWrittenInTheStoredForm)
{
    EXPECT_EQ(RepeatRule::fromOptions(RepeatRule::Weekly, "3/5|2|2/0").options(), "3/2|5/0");
    EXPECT_EQ(RepeatRule::fromOptions(RepeatRule::Monthly, "").options(), "1//0");
    EXPECT_EQ(RepeatRule::fromOptions(RepeatRule::Monthly, "2//1").options(), "2//1");
    EXPECT_TRUE(RepeatRule::fromOptions(RepeatRule::Monthly, "2//1").isMonthlyByWeekday());
    EXPECT_FALSE(RepeatRule::fromOptions(RepeatRule::Weekly, "2//1").isMonthlyByWeekday());
}

TEST(RepeatRule, ReplacingAWeekdayKeepsTheListSortedAndUnique)
{
    const RepeatRule mondayWednesday = RepeatRule::fromOptions(RepeatRule::Weekly, "1/2|4/0");
    EXPECT_EQ(mondayWednesday.withWeekdayReplaced(2, 3).weekdays, QList<int>({3, 4}));
    EXPECT_EQ(mondayWednesday.withWeekdayReplaced(2, 6).weekdays, QList<int>({4, 6}));
    EXPECT_EQ(mondayWednesday.withWeekdayReplaced(2, 4).weekdays, QList<int>({4}));
    EXPECT_EQ(mondayWednesday.withWeekdayReplaced(5, 1), mondayWednesday);
}

}  // namespace
