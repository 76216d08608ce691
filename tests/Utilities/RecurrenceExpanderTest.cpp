#include "RecurrenceExpander.h"

#include "Clock.h"
#include "DateTestSupport.h"
#include "TestEnvironment.h"
#include "Utilities.h"

#include <QString>

#include <gtest/gtest.h>

#include <atomic>
#include <optional>
#include <thread>
#include <vector>

namespace {

using Day = std::array<int, 3>;
using Moment = std::array<int, 5>;  // year, month, day, hour, minute

Date at(const Moment& m, int second = 0)
{
    return localDate(m[0], m[1], m[2], m[3], m[4], second);
}

QList<Date> moments(std::initializer_list<Moment> list)
{
    QList<Date> dates;
    for (const Moment& m : list) dates.append(at(m));
    return dates;
}

// The stored text of an occurrence as the exceptions list writes it.
QString storedText(const Moment& m)
{
    return QString::number(static_cast<qint64>(utcDate(m[0], m[1], m[2], m[3], m[4]).timeIntervalSince1970()));
}

RecurrenceSeries series(qint64 repeatType, const QString& options, const Moment& start, qint64 durationSeconds)
{
    RecurrenceSeries s;
    s.rule = RepeatRule::fromOptions(repeatType, options);
    s.startTime = at(start);
    s.endTime = s.startTime.dateByAddingTimeInterval(static_cast<double>(durationSeconds));
    s.repeatStartDate = s.startTime;
    s.isRepeatForever = true;
    return s;
}

RecurrenceSeries endingAt(RecurrenceSeries s, const Date& repeatEndDate)
{
    s.isRepeatForever = false;
    s.repeatEndDate = repeatEndDate;
    return s;
}

RecurrenceSeries withExceptions(RecurrenceSeries s, const QString& exceptions)
{
    s.repeatExceptions = exceptions;
    return s;
}

class RecurrenceExpanderTest : public ::testing::Test {
protected:
    void SetUp() override { Clock::setFixed(localDate(2024, 5, 10, 14, 0)); }
    void TearDown() override { Clock::reset(); }
};

struct ExpansionCase {
    const char* name;
    RecurrenceSeries series;
    Day firstDay;
    Day lastDay;
    bool isForce;
    QList<Date> expected;  // stepped occurrences ascending, then the first occurrence
};

const Moment may3 = {2024, 5, 3, 9, 0};
const Moment may1 = {2024, 5, 1, 9, 0};

std::vector<ExpansionCase> expansionCases()
{
    const RecurrenceSeries dailyAtNine = series(1, "1//0", may1, 3600);
    const RecurrenceSeries mayExceptions =
        withExceptions(dailyAtNine, "|" + storedText(may3) + "(2)|" + storedText(may1) + "(1)");
    const RecurrenceSeries lookalikes = withExceptions(
        dailyAtNine, "|" + storedText(may3) + "0(2)|9" + storedText(may3) + "(2)|" + storedText(may3) + "|");
    return {
        {"OneDayWindowHoldsTheOccurrenceStillRunningAfterMidnight", series(1, "1//0", {2024, 3, 1, 22, 0}, 4 * 3600),
         {2024, 3, 10}, {2024, 3, 10}, false, moments({{2024, 3, 9, 22, 0}, {2024, 3, 10, 22, 0}})},
        {"OccurrenceStartingAtTheEndOfTheSeriesIsTheLast", endingAt(dailyAtNine, at({2024, 5, 5, 9, 0})),
         {2024, 5, 1}, {2024, 5, 10}, false,
         moments({{2024, 5, 2, 9, 0}, {2024, 5, 3, 9, 0}, {2024, 5, 4, 9, 0}, {2024, 5, 5, 9, 0}, may1})},
        {"OccurrenceASecondPastTheEndIsNotProduced", endingAt(dailyAtNine, at({2024, 5, 5, 8, 59}, 59)),
         {2024, 5, 1}, {2024, 5, 10}, false,
         moments({{2024, 5, 2, 9, 0}, {2024, 5, 3, 9, 0}, {2024, 5, 4, 9, 0}, may1})},
        {"WeeklyFromATuesdayOnMondaysAndThursdays", series(2, "1/2|5/0", {2024, 1, 2, 10, 0}, 3600),
         {2024, 1, 1}, {2024, 1, 14}, false,
         moments({{2024, 1, 4, 10, 0}, {2024, 1, 8, 10, 0}, {2024, 1, 11, 10, 0}, {2024, 1, 2, 10, 0}})},
        {"WeeklyListStoredUnsortedExpandsInWeekdayOrder", series(2, "1/5|2|5/0", {2024, 1, 2, 10, 0}, 3600),
         {2024, 1, 1}, {2024, 1, 14}, false,
         moments({{2024, 1, 4, 10, 0}, {2024, 1, 8, 10, 0}, {2024, 1, 11, 10, 0}, {2024, 1, 2, 10, 0}})},
        {"EverySecondWeekOnMondaysAndThursdays", series(2, "2/2|5/0", {2024, 1, 2, 10, 0}, 3600),
         {2024, 1, 1}, {2024, 1, 21}, false,
         moments({{2024, 1, 4, 10, 0}, {2024, 1, 15, 10, 0}, {2024, 1, 18, 10, 0}, {2024, 1, 2, 10, 0}})},
        {"WeeklyListOfASeriesStartedYearsAgoStaysOnItsWeeks", series(2, "2/2|5/0", {2020, 1, 7, 10, 0}, 3600),
         {2024, 2, 26}, {2024, 3, 10}, false, moments({{2024, 2, 26, 10, 0}, {2024, 2, 29, 10, 0}})},
        {"FortnightlyMondaysOfASeriesStartedYearsAgoStayOnItsGrid", series(2, "2//0", {2020, 1, 6, 7, 30}, 3600),
         {2024, 3, 1}, {2024, 3, 31}, false, moments({{2024, 3, 11, 7, 30}, {2024, 3, 25, 7, 30}})},
        {"MonthlyOnThe31stSkipsTheShorterMonths", series(3, "1//0", {2024, 1, 31, 9, 0}, 3600), {2024, 1, 1},
         {2024, 12, 31}, false,
         moments({{2024, 3, 31, 9, 0},
                  {2024, 5, 31, 9, 0},
                  {2024, 7, 31, 9, 0},
                  {2024, 8, 31, 9, 0},
                  {2024, 10, 31, 9, 0},
                  {2024, 12, 31, 9, 0},
                  {2024, 1, 31, 9, 0}})},
        {"FifthFridayFallsOnTheLastFridayOfShorterMonths", series(3, "1//1", {2024, 3, 29, 18, 0}, 3600),
         {2024, 3, 1}, {2024, 6, 30}, false,
         moments({{2024, 4, 26, 18, 0}, {2024, 5, 31, 18, 0}, {2024, 6, 28, 18, 0}, {2024, 3, 29, 18, 0}})},
        {"SecondTuesdayEveryOtherMonth", series(3, "2//1", {2024, 1, 9, 8, 15}, 1800), {2024, 1, 1},
         {2024, 7, 31}, false,
         moments({{2024, 3, 12, 8, 15}, {2024, 5, 14, 8, 15}, {2024, 7, 9, 8, 15}, {2024, 1, 9, 8, 15}})},
        {"MonthlySeriesYearsOldKeepsItsDay", series(3, "1//0", {2019, 4, 15, 9, 0}, 3600), {2024, 4, 1},
         {2024, 5, 31}, false, moments({{2024, 4, 15, 9, 0}, {2024, 5, 15, 9, 0}})},
        {"SecondTuesdayEveryOtherMonthSinceYearsAgo", series(3, "2//1", {2020, 1, 14, 8, 15}, 1800), {2024, 4, 1},
         {2024, 5, 31}, false, moments({{2024, 5, 14, 8, 15}})},
        {"YearlyOnTheTwentyNinthSinceYearsAgo", series(4, "1//0", {2000, 2, 29, 12, 0}, 3600), {2024, 1, 1},
         {2025, 12, 31}, false, moments({{2024, 2, 29, 12, 0}, {2025, 3, 1, 12, 0}})},
        {"TwentyNinthOfFebruaryIsFirstOfMarchInCommonYears", series(4, "1//0", {2024, 2, 29, 12, 0}, 3600),
         {2024, 1, 1}, {2028, 12, 31}, false,
         moments({{2025, 3, 1, 12, 0},
                  {2026, 3, 1, 12, 0},
                  {2027, 3, 1, 12, 0},
                  {2028, 2, 29, 12, 0},
                  {2024, 2, 29, 12, 0}})},
        {"EveryThirdDaySinceAThousandDaysKeepsItsGrid", series(1, "3//0", {2021, 6, 5, 8, 0}, 3600), {2024, 3, 1},
         {2024, 3, 10}, false, moments({{2024, 3, 3, 8, 0}, {2024, 3, 6, 8, 0}, {2024, 3, 9, 8, 0}})},
        {"DailyInTheSkippedHourComesBackToItsTimeAfterTheSpringChange", series(1, "1//0", {2025, 3, 25, 2, 30}, 600),
         {2025, 3, 29}, {2025, 4, 1}, false,
         moments({{2025, 3, 29, 2, 30}, {2025, 3, 30, 3, 30}, {2025, 3, 31, 2, 30}, {2025, 4, 1, 2, 30}})},
        {"DailyAtNineStaysAtNineAcrossTheSpringChange", series(1, "1//0", {2024, 3, 28, 9, 0}, 3600),
         {2024, 3, 29}, {2024, 4, 2}, false,
         moments({{2024, 3, 29, 9, 0}, {2024, 3, 30, 9, 0}, {2024, 3, 31, 9, 0}, {2024, 4, 1, 9, 0},
                  {2024, 4, 2, 9, 0}})},
        {"ExceptedOccurrencesAreLeftOutTheFirstOneToo", mayExceptions, {2024, 5, 1}, {2024, 5, 5}, false,
         moments({{2024, 5, 2, 9, 0}, {2024, 5, 4, 9, 0}, {2024, 5, 5, 9, 0}})},
        {"ForcedExpansionKeepsChangedAndDeletedOccurrences", mayExceptions, {2024, 5, 1}, {2024, 5, 5}, true,
         moments({{2024, 5, 2, 9, 0}, may3, {2024, 5, 4, 9, 0}, {2024, 5, 5, 9, 0}, may1})},
        {"LongerNumbersAndEntriesWithoutKindExceptNothing", lookalikes, {2024, 5, 3}, {2024, 5, 3}, false,
         moments({may3})},
        {"UnknownRepeatTypeGivesOnlyTheFirstOccurrence", series(7, "1//0", may1, 3600), {2024, 5, 1},
         {2024, 5, 31}, false, moments({may1})},
        {"NoRepeatTypeGivesNothing", series(0, "1//0", may1, 3600), {2024, 5, 1}, {2024, 5, 31}, false, {}},
        {"PeriodBeforeTheSeriesGivesNothing", series(1, "1//0", may1, 3600), {2024, 4, 1}, {2024, 4, 30}, false,
         {}},
        {"PeriodAfterTheSeriesGivesNothingNotEvenTheFirst", endingAt(dailyAtNine, at({2024, 5, 5, 9, 0})),
         {2024, 5, 6}, {2024, 5, 6}, false, {}},
        {"MonthlyOnADayNoTriedMonthHasStops", series(3, "300//0", {2000, 2, 29, 9, 0}, 3600), {2020, 1, 1},
         {2400, 12, 31}, false, {}},
    };
}

TEST_F(RecurrenceExpanderTest, ExpansionOfAPeriod)
{
    for (const ExpansionCase& c : expansionCases()) {
        SCOPED_TRACE(c.name);
        const Date firstDay = localDate(c.firstDay[0], c.firstDay[1], c.firstDay[2], 15);
        const Date lastDay = localDate(c.lastDay[0], c.lastDay[1], c.lastDay[2], 3);
        EXPECT_EQ(RecurrenceExpander::occurrences(c.series, firstDay, lastDay, c.isForce), c.expected);
    }
}

TEST_F(RecurrenceExpanderTest, ExpansionFollowsAZoneWestOfGreenwich)
{
    ScopedTimeZone newYork("America/New_York");
    const RecurrenceSeries s = series(1, "1//0", {2024, 3, 8, 23, 30}, 3600);
    EXPECT_EQ(RecurrenceExpander::occurrences(s, localDate(2024, 3, 10), localDate(2024, 3, 11), false),
              moments({{2024, 3, 9, 23, 30}, {2024, 3, 10, 23, 30}, {2024, 3, 11, 23, 30}}));
}

struct NextCase {
    const char* name;
    RecurrenceSeries series;
    std::optional<Moment> after;  // the item's occurrence; none for the root's own
    std::optional<Date> expected;
};

TEST_F(RecurrenceExpanderTest, NextOccurrence)
{
    const RecurrenceSeries dailyAtNine = series(1, "1//0", may1, 3600);
    const RecurrenceSeries fifthFriday = series(3, "1//1", {2024, 3, 29, 18, 0}, 3600);
    const NextCase cases[] = {
        {"DailyByScheduleFromYesterdayIsToday", series(1, "1//0", {2024, 5, 9, 9, 0}, 0), {}, at({2024, 5, 10, 9, 0})},
        {"ExceptedDateIsPassedOver", withExceptions(dailyAtNine, "|" + storedText({2024, 5, 2, 9, 0}) + "(2)"), {},
         at(may3)},
        {"EndedSeriesHasNone", endingAt(series(1, "1//0", {2024, 5, 5, 9, 0}, 0), at({2024, 5, 5, 12, 0})), {},
         std::nullopt},
        {"LastEventOfItsSeriesHasNone", endingAt(dailyAtNine, at({2024, 5, 1, 10, 0})), {}, std::nullopt},
        {"MonthlyOnThe31stSkipsApril", series(3, "1//0", {2024, 3, 31, 9, 0}, 0), {}, at({2024, 5, 31, 9, 0})},
        {"FifthFridayStepsBackToTheLastFriday", fifthFriday, {}, at({2024, 4, 26, 18, 0})},
        {"AfterTheLastFridayComesTheFifthFridayAgain", fifthFriday, Moment{2024, 4, 26, 18, 0},
         at({2024, 5, 31, 18, 0})},
        {"AfterTheFirstOfMarchComesTheTwentyNinthOfFebruaryInALeapYear",
         series(4, "1//0", {2024, 2, 29, 12, 0}, 3600), Moment{2027, 3, 1, 12, 0}, at({2028, 2, 29, 12, 0})},
        {"AfterAnInstanceOfADailySeriesYearsOldComesTheNextDay", series(1, "3//0", {2021, 6, 5, 8, 0}, 3600),
         Moment{2024, 3, 3, 8, 0}, at({2024, 3, 6, 8, 0})},
        {"UnsortedWeekdaysGoInWeekdayOrder", series(2, "1/5|2/0", {2024, 1, 2, 10, 0}, 3600), {},
         at({2024, 1, 4, 10, 0})},
        {"BeforeTheSeriesItsFirstOccurrenceIsNext", dailyAtNine, Moment{2024, 4, 20, 9, 0}, at(may1)},
        {"NoRepeatHasNone", series(0, "1//0", may1, 0), {}, std::nullopt},
        // A stride of 58,000 years lands beyond the calendar, where no date is.
        {"ARuleWhoseNextStepLeavesTheCalendarHasNone", series(2, "3039176//0", may1, 0), {}, std::nullopt},
        {"AYearlyRuleAtTheEndOfTheCalendarHasNone", series(4, "1//0", {9999, 6, 1, 9, 0}, 0), {}, std::nullopt},
        {"UnknownRepeatTypeHasNone", series(9, "1//0", may1, 0), {}, std::nullopt},
    };
    for (const NextCase& c : cases) {
        SCOPED_TRACE(c.name);
        const Date after = c.after ? at(*c.after) : c.series.startTime;
        EXPECT_EQ(RecurrenceExpander::nextOccurrence(c.series, after), c.expected);
    }
}

// Every rule, anchors that months and years lose (the 30th, the 31st, the
// fifth Friday, 29 February), times the spring change skips or autumn repeats,
// occurrences that overlap.
std::vector<RecurrenceSeries> variedSeries()
{
    return {
        series(1, "2//0", {2024, 3, 1, 9, 0}, 3600),     series(1, "1//0", {2024, 10, 20, 2, 30}, 600),
        series(1, "1//0", {2024, 1, 1, 9, 0}, 2 * 86400), series(2, "1/6|2|4/0", {2024, 1, 3, 7, 0}, 1800),
        series(2, "3//0", {2024, 1, 1, 20, 0}, 7200),    series(2, "1/1|4/0", {2025, 3, 20, 2, 15}, 600),
        series(3, "1//0", {2024, 1, 31, 9, 0}, 3600),    series(3, "1//0", {2024, 1, 30, 9, 0}, 3600),
        series(3, "1//0", {2024, 1, 15, 9, 0}, 3600),    series(3, "1//1", {2024, 3, 29, 18, 0}, 3600),
        series(3, "1//1", {2023, 12, 31, 10, 0}, 3600),  series(3, "5//1", {2024, 1, 9, 8, 15}, 1800),
        series(4, "1//0", {2024, 2, 29, 12, 0}, 3600),   series(4, "2//0", {2016, 2, 29, 12, 0}, 3600),
        series(4, "1//0", {2019, 3, 30, 2, 30}, 3600),   series(4, "3//0", {2013, 2, 20, 18, 0}, 3600),
    };
}

std::string describe(const RecurrenceSeries& s)
{
    return "type " + std::to_string(s.rule.repeatType) + " " + s.rule.options().toStdString() + " from " +
           testing::PrintToString(s.startTime);
}

const Date endOf2025 = localDate(2025, 12, 31, 23, 59, 59);

// The next occurrence, the alarm and the shown instances must name the same
// dates: walking a series with nextOccurrence gives exactly its expansion.
TEST_F(RecurrenceExpanderTest, WalkingNextOccurrencesRetracesTheExpansion)
{
    for (const RecurrenceSeries& s : variedSeries()) {
        SCOPED_TRACE(describe(s));
        QList<Date> expanded = RecurrenceExpander::occurrences(s, s.startTime, endOf2025, false);
        ASSERT_FALSE(expanded.isEmpty());
        expanded.removeLast();  // the first occurrence itself
        QList<Date> walked;
        for (std::optional<Date> next = RecurrenceExpander::nextOccurrence(s, s.startTime); next && *next <= endOf2025;
             next = RecurrenceExpander::nextOccurrence(s, *next))
            walked.append(*next);
        EXPECT_EQ(walked, expanded);
    }
}

// However far into a series a period lies, it shows what the whole series
// shows there: catching up with the period never moves or drops a date.
TEST_F(RecurrenceExpanderTest, APeriodShowsWhatTheWholeSeriesShowsThere)
{
    // One period across the spring change, one in a month without a 30th.
    for (const auto& [first, last] : {std::pair<Day, Day>{{2025, 3, 20}, {2025, 4, 10}}, {{2025, 2, 10}, {2025, 3, 5}}}) {
        const Date windowStart = localDate(first[0], first[1], first[2], 0, 0, 1);
        const Date windowEnd = localDate(last[0], last[1], last[2], 23, 59, 59);
        for (const RecurrenceSeries& s : variedSeries()) {
            SCOPED_TRACE(describe(s) + " in the period from " + testing::PrintToString(windowStart));
            const Date lowerBound =
                Utilities::newDateFromDate(windowStart, s.startTime.timeIntervalSinceDate(s.endTime));
            QList<Date> expected;
            QList<Date> whole = RecurrenceExpander::occurrences(s, s.startTime, endOf2025, false);
            whole.removeLast();
            for (const Date& occurrence : whole) {
                if (occurrence >= lowerBound && occurrence <= windowEnd) expected.append(occurrence);
            }
            if (s.startTime <= windowEnd && s.endTime >= windowStart) expected.append(s.startTime);
            EXPECT_EQ(RecurrenceExpander::occurrences(s, windowStart, windowEnd, false), expected);
        }
    }
}

// The views expand on the main thread while the calendar export expands on
// its own; both read the shared zone table.
TEST_F(RecurrenceExpanderTest, ThreadsExpandingAtOnceSeeTheSameOccurrences)
{
    const std::vector<RecurrenceSeries> all = variedSeries();
    std::vector<QList<Date>> expected;
    for (const RecurrenceSeries& s : all) expected.push_back(RecurrenceExpander::occurrences(s, s.startTime, endOf2025, false));
    std::atomic<int> mismatches{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int round = 0; round < 20; ++round) {
                for (size_t i = 0; i < all.size(); ++i) {
                    if (RecurrenceExpander::occurrences(all[i], all[i].startTime, endOf2025, false) != expected[i])
                        ++mismatches;
                }
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(mismatches.load(), 0);
}

TEST_F(RecurrenceExpanderTest, RepeatingFromCompletion)
{
    struct Case {
        const char* name;
        RecurrenceSeries task;  // its due date as start and end
        Moment completed;
        QString storedOptions;
        std::optional<Date> nextDue;
    };
    const Case cases[] = {
        {"DailyDueYesterdayIsNextDueTomorrowAtTheSameTime", series(1, "1//0", {2024, 5, 9, 9, 0}, 0),
         {2024, 5, 10, 14, 0}, "1//0", at({2024, 5, 11, 9, 0})},
        {"WeeklyRhythmMovesToTheDayOfCompletion", series(2, "1/2|4/0", {2024, 5, 6, 10, 0}, 0),
         {2024, 5, 7, 16, 30}, "1/3|4/0", at({2024, 5, 8, 10, 0})},
        {"CompletedOnTheOtherListedDayKeepsOneEntry", series(2, "1/2|4/0", {2024, 5, 6, 10, 0}, 0),
         {2024, 5, 8, 16, 30}, "1/4/0", at({2024, 5, 15, 10, 0})},
        {"MonthlyStepsFromTheDayOfCompletion", series(3, "1//0", {2024, 4, 30, 8, 0}, 0), {2024, 5, 10, 9, 0},
         "1//0", at({2024, 6, 10, 8, 0})},
        {"SeriesThatEndsFirstHasNoNextTask",
         endingAt(series(1, "1//0", {2024, 5, 9, 9, 0}, 0), at({2024, 5, 10, 23, 0})), {2024, 5, 10, 14, 0}, "1//0",
         std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const RecurrenceExpander::CompletionRepeat next = RecurrenceExpander::nextFromCompletion(c.task, at(c.completed));
        EXPECT_EQ(next.rule.options(), c.storedOptions);
        EXPECT_EQ(next.dueEnd, c.nextDue);
    }
}

// Strides of any length the options allow end the expansion once they pass
// the period; one that lands beyond the calendar once stepped on for ever.
TEST_F(RecurrenceExpanderTest, StridesThatLeaveTheCalendarEndTheExpansion)
{
    const Date firstDay = localDate(2014, 2, 1, 0, 0, 0);
    const Date lastDay = localDate(2014, 2, 28, 0, 0, 0);
    for (const char* options : {"3039176//0", "3652425/1|2/0", "3652425//1", "4444444444444444445//0",
                                "9223372036854775807/3/1"}) {
        for (qint64 type : {1, 2, 3, 4}) {
            const RecurrenceSeries s = series(type, QString::fromLatin1(options), {2014, 1, 1, 10, 0}, 1800);
            EXPECT_TRUE(RecurrenceExpander::occurrences(s, firstDay, lastDay, false).isEmpty())
                << options << " " << type;
            EXPECT_EQ(RecurrenceExpander::occurrences(s, localDate(2014, 1, 1, 0, 0, 0), lastDay, false),
                      QList<Date>{s.startTime})
                << options << " " << type;
        }
    }
}

TEST_F(RecurrenceExpanderTest, ExceptionsMatchWholeEntriesOnly)
{
    const Date occurrence = at(may3);
    const QString s = storedText(may3);
    const struct {
        QString exceptions;
        bool excepted;
    } cases[] = {
        {"|" + s + "(1)", true},
        {"|123(2)|" + s + "(2)|456(1)", true},
        {"|" + s + "0(2)", false},
        {"|9" + s + "(2)", false},
        {"|" + s.left(s.size() - 1) + "(2)", false},
        {"|0" + s + "(2)", false},
        {s + "(2)", false},
        {"", false},
    };
    for (const auto& c : cases) EXPECT_EQ(RecurrenceExpander::isExcepted(c.exceptions, occurrence), c.excepted) << c.exceptions.toStdString();
}

}  // namespace
