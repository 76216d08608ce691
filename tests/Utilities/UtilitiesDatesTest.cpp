#include "Utilities.h"

#include "Clock.h"
#include "DateTestSupport.h"
#include "HostileNumbers.h"
#include "LogCapture.h"
#include "TestEnvironment.h"

#include <QList>
#include <QMap>

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <memory>

namespace {

using Fields = std::array<int, 6>;
using ::localDate;

Date localDate(const Fields& f)
{
    return localDate(f[0], f[1], f[2], f[3], f[4], f[5]);
}

class UtilitiesDates : public ::testing::Test {
protected:
    void TearDown() override
    {
        Clock::reset();
        Utilities::setTimeZoneNameResolver(nullptr);
    }

    // Zone table ids as the data manager names them.
    static void installZoneTable()
    {
        Utilities::setTimeZoneNameResolver([](qint64 id) {
            static const QMap<qint64, QString> names{
                {0, QStringLiteral("Floating")},         {1, QStringLiteral("Europe/Paris")},
                {2, QStringLiteral("America/New_York")}, {3, QStringLiteral("Nowhere/Special")},
                {4, QStringLiteral("XYZ")},
            };
            return names.value(id);
        });
    }
};

TEST_F(UtilitiesDates, StoredFormIsTheLocalWallClockReadAsUtcInEverySeason)
{
    for (const char* zone : {"Europe/Paris", "America/New_York"}) {
        ScopedTimeZone scoped(zone);
        for (int nowMonth : {1, 7}) {
            Clock::setFixed(localDate(2013, nowMonth, 15, 12));
            for (int month : {1, 7}) {
                SCOPED_TRACE(testing::Message() << zone << ", now in month " << nowMonth << ", date in " << month);
                const Date nineLocal = localDate(2013, month, 10, 9);
                const Date stored = Utilities::toDBDate(nineLocal);
                EXPECT_EQ(stored, utcDate(2013, month, 10, 9));
                const Date readBack =
                    Utilities::fromDBDate(Date::dateWithTimeIntervalSince1970(stored.timeIntervalSince1970()));
                EXPECT_EQ(readBack, nineLocal);
            }
        }
    }
    EXPECT_TRUE(Utilities::toDBDate(Date()).isNull());
    EXPECT_TRUE(Utilities::fromDBDate(Date()).isNull());
}

// A reader of many stored dates keeps the offset span it last looked up: in
// any order, on either side of a change of offset, it must read each date as
// a reader made for that date alone does.
TEST_F(UtilitiesDates, AReaderOfManyStoredDatesReadsEachAsAFreshReader)
{
    for (const char* zone : {"Europe/Paris", "America/New_York", "UTC"}) {
        ScopedTimeZone scoped(zone);
        Clock::setFixed(localDate(2013, 7, 15, 12));
        // Stored numbers around both changes of 2013 in either zone, back and forth.
        const double spring = utcDate(2013, 3, 31, 2).timeIntervalSince1970();
        const double autumn = utcDate(2013, 10, 27, 2).timeIntervalSince1970();
        const double newYorkSpring = utcDate(2013, 3, 10, 2).timeIntervalSince1970();
        const QList<double> stored = {
            spring - 1, spring + 7200, spring, autumn + 3599.5, autumn - 3600, spring - 7201, autumn + 3600,
            newYorkSpring + 3600, newYorkSpring - 0.25, 0, -86400 * 365.0 * 60, autumn, spring + 3599, 1e9,
        };
        StoredDateReader reader(Clock::now());
        for (double seconds : stored) {
            SCOPED_TRACE(testing::Message() << zone << ", stored " << qint64(seconds));
            EXPECT_EQ(reader.fromDBSeconds(seconds), StoredDateReader(Clock::now()).fromDBSeconds(seconds));
        }
    }
}

TEST_F(UtilitiesDates, FieldsOfNilAreMinusOne)
{
    for (const auto getter : {&Utilities::getSecond, &Utilities::getMinute, &Utilities::getHour, &Utilities::getDay,
                              &Utilities::getMonth, &Utilities::getYear, &Utilities::getWeekday,
                              &Utilities::getWeekdayOrdinal, &Utilities::getWeekOfYearForDate})
        EXPECT_EQ(getter(Date()), -1);
    EXPECT_FALSE(Utilities::isWeekend(Date()));
}

TEST_F(UtilitiesDates, WeekdaysRunFromSundayToSaturday)
{
    const Date sunday = localDate(2013, 1, 6, 23, 30);
    const Date monday = localDate(2013, 1, 7, 0, 30);
    const Date saturday = localDate(2013, 1, 12, 12);
    EXPECT_EQ(Utilities::getWeekday(sunday), 1);
    EXPECT_EQ(Utilities::getWeekday(monday), 2);
    EXPECT_EQ(Utilities::getWeekday(saturday), 7);
    EXPECT_TRUE(Utilities::isWeekend(sunday));
    EXPECT_TRUE(Utilities::isWeekend(saturday));
    EXPECT_FALSE(Utilities::isWeekend(monday));
    EXPECT_EQ(Utilities::getWeekdayOrdinal(localDate(2013, 1, 14)), 2);  // the second Monday
    // The week of 1 January is week 1, even while it still holds days of December.
    EXPECT_EQ(Utilities::getWeekOfYearForDate(localDate(2013, 12, 29)), 1);
}

TEST_F(UtilitiesDates, WallClockSumsKeepTheClockAndCarryEveryField)
{
    struct Case {
        const char* zone;
        Fields from;
        double offset;
        Fields expected;
    };
    const Case cases[] = {
        {"Europe/Paris", {2013, 3, 30, 12, 0, 0}, 86400, {2013, 3, 31, 12, 0, 0}},
        {"America/New_York", {2013, 3, 9, 12, 0, 0}, 86400, {2013, 3, 10, 12, 0, 0}},
        {"Europe/Paris", {2013, 3, 31, 12, 0, 0}, -86400, {2013, 3, 30, 12, 0, 0}},
        {"Europe/Paris", {2013, 10, 26, 12, 0, 0}, 86400, {2013, 10, 27, 12, 0, 0}},
        {"Europe/Paris", {2013, 5, 10, 10, 0, 0}, -90, {2013, 5, 10, 9, 58, 30}},
        {"Europe/Paris", {2013, 5, 10, 10, 0, 0}, 2.9, {2013, 5, 10, 10, 0, 2}},
        {"Europe/Paris", {2013, 5, 10, 10, 0, 0}, -2.9, {2013, 5, 10, 9, 59, 58}},
        {"Europe/Paris", {2013, 5, 10, 10, 0, 0}, 90061, {2013, 5, 11, 11, 1, 1}},
        {"Europe/Paris", {2013, 12, 31, 23, 30, 0}, 3600, {2014, 1, 1, 0, 30, 0}},
        {"Europe/Paris", {2013, 3, 1, 0, 0, 0}, -1, {2013, 2, 28, 23, 59, 59}},
        // 02:30 does not exist on the day of the change: the clock reads 03:30.
        {"Europe/Paris", {2013, 3, 30, 2, 30, 0}, 86400, {2013, 3, 31, 3, 30, 0}},
    };
    for (const Case& c : cases) {
        ScopedTimeZone scoped(c.zone);
        SCOPED_TRACE(testing::Message() << c.zone << " " << c.from[1] << "-" << c.from[2] << " + " << c.offset);
        EXPECT_EQ(Utilities::newDateFromDate(localDate(c.from), c.offset), localDate(c.expected));
    }
}

TEST_F(UtilitiesDates, WholeDayAcrossTheSpringChangeIs23HoursOfElapsedTime)
{
    for (const auto& [zone, day] : {std::pair{"Europe/Paris", 30}, std::pair{"America/New_York", 9}}) {
        ScopedTimeZone scoped(zone);
        const Date noon = localDate(2013, 3, day, 12);
        EXPECT_EQ(Utilities::newDateFromDate(noon, 86400).timeIntervalSinceDate(noon), 23 * 3600) << zone;
    }
}

TEST_F(UtilitiesDates, WallClockSumsDropTheFractionOfASecond)
{
    const Date withFraction = localDate(2013, 5, 10, 10).dateByAddingTimeInterval(0.75);
    EXPECT_EQ(Utilities::newDateFromDate(withFraction, 60), localDate(2013, 5, 10, 10, 1));
    EXPECT_EQ(Utilities::newDateFromDateWithNoSecond(localDate(2013, 5, 10, 10, 0, 30), 61),
              localDate(2013, 5, 10, 10, 1));
    EXPECT_TRUE(Utilities::newDateFromDate(Date(), 60).isNull());
    EXPECT_EQ(Utilities::dateByAddTimeInterval(0.5, withFraction), withFraction.dateByAddingTimeInterval(0.5));
}

TEST_F(UtilitiesDates, RoundingNowUpToTheQuarterHourIgnoresSeconds)
{
    struct Case {
        Fields now;
        Fields expected;
    };
    const Case cases[] = {
        {{2013, 5, 10, 10, 15, 30}, {2013, 5, 10, 10, 15, 0}},
        {{2013, 5, 10, 10, 45, 1}, {2013, 5, 10, 10, 45, 0}},
        {{2013, 5, 10, 10, 46, 0}, {2013, 5, 10, 11, 0, 0}},
        {{2013, 5, 10, 10, 0, 40}, {2013, 5, 10, 10, 0, 0}},
        {{2013, 5, 10, 10, 1, 0}, {2013, 5, 10, 10, 15, 0}},
        {{2013, 5, 10, 23, 59, 0}, {2013, 5, 11, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        Clock::setFixed(localDate(c.now));
        SCOPED_TRACE(testing::Message() << c.now[3] << ":" << c.now[4] << ":" << c.now[5]);
        EXPECT_EQ(Utilities::roundTo15MinutesForCurrentDate(), localDate(c.expected));
    }
}

TEST_F(UtilitiesDates, RoundingAGivenDayTakesTheTimeFromTheDateOrFromNow)
{
    Clock::setFixed(localDate(2013, 5, 10, 16, 31, 20));
    const Date date = localDate(2013, 6, 1, 9, 7, 10);
    EXPECT_EQ(Utilities::roundTo15MinutesForDate(date, true), localDate(2013, 6, 1, 9, 15));
    EXPECT_EQ(Utilities::roundTo15MinutesForDate(date, false), localDate(2013, 6, 1, 16, 45));
}

TEST_F(UtilitiesDates, RoundingDownDropsToTheQuarterHour)
{
    EXPECT_EQ(Utilities::roundDown15MinutesForDate(localDate(2013, 5, 10, 10, 59, 59)), localDate(2013, 5, 10, 10, 45));
    EXPECT_EQ(Utilities::roundDown15MinutesForDate(localDate(2013, 5, 10, 10, 14, 59)), localDate(2013, 5, 10, 10, 0));
    EXPECT_EQ(Utilities::roundDown15MinutesForDate(localDate(2013, 5, 10, 10, 30)), localDate(2013, 5, 10, 10, 30));
}

TEST_F(UtilitiesDates, ComparisonsStopAtTheirGrain)
{
    using Compare = int (*)(const Date&, const Date&);
    struct Case {
        const char* what;
        Compare compare;
        Fields first;
        Fields second;
        int expected;
    };
    const Compare day = &Utilities::compareDateNoTime;
    const Compare minute = &Utilities::compareDateNoSecond;
    const Compare second = &Utilities::compareDate;
    const Case cases[] = {
        {"day: 23:59 and 00:01 of one day", day, {2013, 5, 10, 23, 59, 0}, {2013, 5, 10, 0, 1, 0}, 0},
        {"day: 1 January and 31 December before", day, {2013, 1, 1, 0, 0, 0}, {2012, 12, 31, 23, 59, 59}, 1},
        {"day: 31 December and 1 January after", day, {2012, 12, 31, 23, 59, 59}, {2013, 1, 1, 0, 0, 0}, -1},
        {"minute: 10:00:05 and 10:00:55", minute, {2013, 5, 10, 10, 0, 5}, {2013, 5, 10, 10, 0, 55}, 0},
        {"minute: 10:01 and 10:00:59", minute, {2013, 5, 10, 10, 1, 0}, {2013, 5, 10, 10, 0, 59}, 1},
        {"second: 10:00:05 and 10:00:55", second, {2013, 5, 10, 10, 0, 5}, {2013, 5, 10, 10, 0, 55}, -1},
        {"second: equal", second, {2013, 5, 10, 10, 0, 5}, {2013, 5, 10, 10, 0, 5}, 0},
        {"second: later month, earlier day", second, {2013, 6, 1, 0, 0, 0}, {2013, 5, 30, 0, 0, 0}, 1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.compare(localDate(c.first), localDate(c.second)), c.expected) << c.what;

    const Date date = localDate(2013, 5, 10);
    EXPECT_EQ(Utilities::compareDate(Date(), date), -1);
    EXPECT_EQ(Utilities::compareDateNoTime(date, Date()), 1);
    EXPECT_EQ(Utilities::compareDateNoSecond(Date(), Date()), 0);

    const Date time = localDate(2013, 5, 10, 10, 30, 15);
    EXPECT_EQ(Utilities::compareTimeNoDate(time, 10, 30, 15), 0);
    EXPECT_EQ(Utilities::compareTimeNoDate(time, 10, 30, 16), -1);
    EXPECT_EQ(Utilities::compareTimeNoDate(time, 9, 59, 59), 1);
}

TEST_F(UtilitiesDates, CompareTimeMovesBackByTodaysOffsetOnlyWhenThatHitsTheTime)
{
    const Date date = localDate(2013, 1, 2, 10);
    Clock::setFixed(localDate(2013, 1, 15, 12));  // Paris in winter: one hour east
    EXPECT_EQ(Utilities::compareTime(date, 9, 0), localDate(2013, 1, 2, 9));
    EXPECT_EQ(Utilities::compareTime(date, 10, 0), date);
    Clock::setFixed(localDate(2013, 7, 15, 12));  // in summer: two hours
    EXPECT_EQ(Utilities::compareTime(date, 8, 0), localDate(2013, 1, 2, 8));
}

TEST_F(UtilitiesDates, DaysBetweenCountsCalendarDaysInclusive)
{
    struct Case {
        Fields first;
        Fields second;
        qint64 expected;
    };
    const Case cases[] = {
        {{2013, 5, 10, 0, 0, 0}, {2013, 5, 10, 23, 59, 59}, 1},
        {{2013, 5, 10, 23, 59, 0}, {2013, 5, 11, 0, 1, 0}, 2},
        {{2013, 5, 10, 0, 1, 0}, {2013, 5, 9, 23, 59, 0}, 0},
        {{2013, 3, 30, 12, 0, 0}, {2013, 4, 1, 12, 0, 0}, 3},
        {{2012, 12, 31, 12, 0, 0}, {2013, 1, 1, 12, 0, 0}, 2},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Utilities::daysBetweenTwoDates(localDate(c.first), localDate(c.second)), c.expected)
            << c.first[1] << "-" << c.first[2] << " to " << c.second[1] << "-" << c.second[2];
    EXPECT_EQ(Utilities::daysBetweenTwoDates(Date(), localDate(2013, 5, 10)), 0);
}

TEST_F(UtilitiesDates, RebuildingFromFieldsKeepsTheDayAndCarries)
{
    const Date date = localDate(2013, 5, 10, 15, 20, 30).dateByAddingTimeInterval(0.5);
    EXPECT_EQ(Utilities::today(date), localDate(2013, 5, 10));
    EXPECT_EQ(Utilities::newDateOnDate(date, 7, 5), localDate(2013, 5, 10, 7, 5));
    EXPECT_EQ(Utilities::newDateOnDate(date, localDate(2001, 1, 1, 18, 45, 59)), localDate(2013, 5, 10, 18, 45));
    EXPECT_EQ(Utilities::resetTimeForDate(date, 23, 59, 59), localDate(2013, 5, 10, 23, 59, 59));
    EXPECT_EQ(Utilities::resetTime4Date(date, 24, 0, 0), localDate(2013, 5, 11));
    EXPECT_EQ(Utilities::resetSecondToZeroForDate(date), localDate(2013, 5, 10, 15, 20));
    EXPECT_EQ(Utilities::resetDate(date, 2013, 13, 1, 0, 0, 0), localDate(2014, 1, 1));
    EXPECT_EQ(Utilities::resetDate(date, 2013, 3, 0, 9, -90, 0), localDate(2013, 2, 28, 7, 30));

    EXPECT_TRUE(Utilities::today(Date()).isNull());
    EXPECT_TRUE(Utilities::newDateOnDate(Date(), date).isNull());
    EXPECT_TRUE(Utilities::newDateOnDate(date, Date()).isNull());
    EXPECT_TRUE(Utilities::resetSecondToZeroForDate(Date()).isNull());
}

TEST_F(UtilitiesDates, MonthAndYearSteps)
{
    // Adding months clamps to the end of a shorter month and keeps the clock.
    EXPECT_EQ(Utilities::dateByAddNumMonth(1, localDate(2013, 1, 31, 10)), localDate(2013, 2, 28, 10));
    EXPECT_EQ(Utilities::dateByAddNumMonth(1, localDate(2013, 3, 15, 12)), localDate(2013, 4, 15, 12));
    EXPECT_EQ(Utilities::dateByAddNumMonth(-1, localDate(2013, 3, 31, 8)), localDate(2013, 2, 28, 8));
    EXPECT_EQ(Utilities::dateByAddNumMonth(12, localDate(2012, 2, 29)), localDate(2013, 2, 28));
    const Date withFraction = localDate(2013, 1, 10).dateByAddingTimeInterval(0.25);
    EXPECT_EQ(Utilities::dateByAddNumMonth(1, withFraction), localDate(2013, 2, 10).dateByAddingTimeInterval(0.25));

    const Date date = localDate(2013, 11, 20, 10, 30, 15);
    EXPECT_EQ(Utilities::dateWithNewMonthOffset(date, 3), localDate(2014, 2, 1, 10, 30, 15));
    EXPECT_EQ(Utilities::dateWithNewMonthOffset(date, -11), localDate(2012, 12, 1, 10, 30, 15));
    EXPECT_EQ(Utilities::dateWithNewYearOffset(date, -1), localDate(2012, 1, 1, 10, 30, 15));
    EXPECT_TRUE(Utilities::dateByAddNumMonth(1, Date()).isNull());
}

TEST_F(UtilitiesDates, ZoneOffsetsComeFromTheNamedZoneNow)
{
    installZoneTable();
    struct Case {
        qint64 id;
        qint64 winter;
        qint64 summer;
    };
    const Case cases[] = {
        {0, 0, 0},            // Floating
        {1, 3600, 7200},      // Europe/Paris
        {2, -18000, -14400},  // America/New_York
        {3, 0, 0},            // no zone of that name
        {4, 0, 0},            // a name the platform would happily turn into a rule
        {99, 0, 0},           // not in the table
    };
    for (const Case& c : cases) {
        Clock::setFixed(utcDate(2013, 1, 15, 12));
        EXPECT_EQ(Utilities::convertTimezoneToOffset(c.id), c.winter) << "id " << c.id;
        Clock::setFixed(utcDate(2013, 7, 15, 12));
        EXPECT_EQ(Utilities::convertTimezoneToOffset(c.id), c.summer) << "id " << c.id;
    }
    Utilities::setTimeZoneNameResolver(nullptr);
    EXPECT_EQ(Utilities::convertTimezoneToOffset(1), 0);
}

TEST_F(UtilitiesDates, ZoneShiftsMoveTheWallClockOnlyWhenEnabledAndTheZonesDiffer)
{
    installZoneTable();
    Clock::setFixed(localDate(2013, 1, 15, 14, 30));
    struct Case {
        bool enabled;
        qint64 oldTZ;
        qint64 newTZ;
        double hour;
    };
    const Case cases[] = {
        {false, 1, 2, 14.5}, {true, 1, 1, 14.5}, {true, 1, 2, 8.5},
        {true, 2, 1, 20.5},  {true, 0, 1, 15.5}, {true, 1, 3, 13.5},
    };
    for (const Case& c : cases)
        EXPECT_DOUBLE_EQ(Utilities::getCurrentHour(c.enabled, c.oldTZ, c.newTZ, Date()), c.hour)
            << c.enabled << " " << c.oldTZ << "->" << c.newTZ;

    EXPECT_EQ(Utilities::getCurrentDate(false, 1, 2), Clock::now());
    EXPECT_EQ(Utilities::getCurrentDate(true, 1, 2), localDate(2013, 1, 15, 8, 30));
    const Date date = localDate(2013, 7, 1, 3);
    EXPECT_EQ(Utilities::getDate(date, true, 1, 2), localDate(2013, 6, 30, 21));
    EXPECT_EQ(Utilities::getDate(date, false, 1, 2), date);
    EXPECT_TRUE(Utilities::getDate(Date(), true, 1, 2).isNull());
}

TEST_F(UtilitiesDates, CalendarTextsReadTheirZoneAndRejectShortTexts)
{
    struct Case {
        const char* text;
        Date expected;
    };
    const Case cases[] = {
        {"DTSTART;TZID=Europe/Paris:20130102T030405", utcDate(2013, 1, 2, 2, 4, 5)},
        {"DTSTART;TZID=Europe/Paris:20130702T030405", utcDate(2013, 7, 2, 1, 4, 5)},
        {"DTSTART;TZID=America/New_York:20130102T030405", utcDate(2013, 1, 2, 8, 4, 5)},
        {"dtstart;tzid=America/New_York:20130102T030405", utcDate(2013, 1, 2, 8, 4, 5)},
        {"DTSTART;TZID=Nowhere/Special:20130102T030405", utcDate(2013, 1, 2, 2, 4, 5)},
        {"20130102T030405Z", utcDate(2013, 1, 2, 3, 4, 5)},
        {"20130102T030405", utcDate(2013, 1, 2, 2, 4, 5)},
        {"DTSTART;VALUE=DATE:20130102", utcDate(2013, 1, 1, 23)},
        {"2013-01-02", Date()},
        {"", Date()},
        {"DTSTART;TZID=Europe/Paris:2013010", Date()},
        {"DTSTART;TZID=Europe/Paris:", Date()},
        {"DTSTART;TZID=Europe/Paris", Date()},
        {"X:TZID=Europe/Paris", Date()},
        {"DTSTART;VALUE=DATE:2013", Date()},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Utilities::dateFromString(QString::fromLatin1(c.text)), c.expected) << c.text;
}

TEST_F(UtilitiesDates, CalendarTextsOutsideTheYears1To9999GiveNoDateAndALogLine)
{
    const char* outside[] = {
        "00000101T000000",
        "00001231T235959Z",
        "-0010615T120000",
        "DTSTART;VALUE=DATE:00000101",
        "DTSTART;TZID=Europe/Paris:00000615T120000",
        "99999901T000000",  // month 99 carries into the year 10007
        "00010001T000000Z",  // month 0 of the year 1 is December of the year 0
    };
    for (const char* text : outside) {
        LogCapture log;
        EXPECT_TRUE(Utilities::dateFromString(QString::fromLatin1(text)).isNull()) << text;
        EXPECT_FALSE(log.messages().isEmpty()) << text;
    }
    EXPECT_TRUE(Utilities::dateFromString(QStringLiteral("99991299T000000")).isNull());
    EXPECT_EQ(Utilities::dateFromString(QStringLiteral("00010101T000000Z")).timeIntervalSince1970(),
              Date::earliestSeconds);
    EXPECT_EQ(Utilities::dateFromString(QStringLiteral("99991231T235959Z")).timeIntervalSince1970(),
              Date::latestSeconds);
}

// Dates and offsets that never passed a check still compute without undefined
// behaviour (the sanitizer build checks that), and steps beyond the calendar
// give no date.
TEST_F(UtilitiesDates, ArithmeticWithHostileNumbersGivesNoDateOrStaysInTheCalendar)
{
    Clock::setFixed(localDate(2013, 1, 15, 12));
    const Date today = localDate(2013, 1, 15, 9);
    const auto nearTheCalendar = [](const Date& date) {
        return date.isNull() || (date.timeIntervalSince1970() > Date::earliestSeconds - 4 * 86400
                                 && date.timeIntervalSince1970() < Date::latestSeconds + 4 * 86400);
    };
    for (const HostileNumber& number : hostileNumbers) {
        SCOPED_TRACE(number.name);
        // An offset of two thousand years is a long step, not an absurd one.
        const bool absurd = !std::isfinite(number.seconds) || std::abs(number.seconds) > 1e12;
        if (absurd) {
            EXPECT_TRUE(Utilities::newDateFromDate(today, number.seconds).isNull());
            EXPECT_TRUE(Utilities::newDateFromDateWithNoSecond(today, number.seconds).isNull());
        }

        const Date hostile = Date::dateWithTimeIntervalSince1970(number.seconds);
        EXPECT_TRUE(nearTheCalendar(Utilities::newDateFromDate(hostile, 3600)));
        EXPECT_TRUE(nearTheCalendar(Utilities::dateByAddNumMonth(1, hostile)));
        EXPECT_TRUE(nearTheCalendar(Utilities::today(hostile)));
        Utilities::fromDBDate(Utilities::toDBDate(hostile));
        EXPECT_GE(Utilities::getYear(hostile), 1);
        EXPECT_LE(Utilities::getYear(hostile), 10000);
        EXPECT_FALSE(Utilities::getFormattedDateStringFromDate(hostile).isEmpty());
        EXPECT_FALSE(Utilities::getDueString(0, hostile, QStringLiteral("en")).isEmpty());

        LogCapture log;
        EXPECT_TRUE(StoredDateReader(Clock::now()).fromDBSeconds(number.seconds).isNull());
        EXPECT_TRUE(log.contains(QStringLiteral("a stored row")));
    }
    constexpr qint64 huge = std::numeric_limits<qint64>::max();
    constexpr qint64 tiny = std::numeric_limits<qint64>::min();
    for (const qint64 months : {huge, tiny, qint64(10000) * 12, -qint64(10000) * 12}) {
        EXPECT_TRUE(Utilities::dateByAddNumMonth(months, today).isNull()) << months;
        EXPECT_TRUE(Utilities::dateWithNewMonthOffset(today, months).isNull()) << months;
    }
    for (const qint64 steps : {huge, tiny}) {
        EXPECT_TRUE(Utilities::dateWithNewYearOffset(today, steps).isNull()) << steps;
        EXPECT_TRUE(Utilities::newDateOnDate(today, steps, 0).isNull()) << steps;
        EXPECT_TRUE(Utilities::newDateOnDate(today, 0, steps).isNull()) << steps;
        EXPECT_TRUE(Utilities::resetDate(today, 2013, 1, 1, 0, 0, steps).isNull()) << steps;
    }
}

TEST_F(UtilitiesDates, CalendarTextsWithoutZoneReadInTheSystemZone)
{
    ScopedTimeZone newYork("America/New_York");
    EXPECT_EQ(Utilities::dateFromString(QStringLiteral("20130102T030405")), utcDate(2013, 1, 2, 8, 4, 5));
    EXPECT_EQ(Utilities::dateFromString(QStringLiteral("DTSTART;TZID=Floating:20130102T030405")),
              utcDate(2013, 1, 2, 8, 4, 5));
    EXPECT_EQ(Utilities::dateFromString(QStringLiteral("DTSTART;TZID=Europe/Paris:20130102T030405")),
              utcDate(2013, 1, 2, 2, 4, 5));
}

struct Item {
    QString name;
    Date when;
    int id = 0;
};

template <typename List>
QList<int> idsOf(const List& items)
{
    QList<int> ids;
    for (const auto& item : items) ids.append(std::invoke(&Item::id, item));
    return ids;
}

TEST_F(UtilitiesDates, SortingByAKeyIsStableInBothDirectionsAndPutsNilFirst)
{
    QList<Item> items{{"b", {}, 0}, {"a", {}, 1}, {"b", {}, 2}, {"c", {}, 3}};
    Utilities::sortList(items, &Item::name);
    EXPECT_EQ(idsOf(items), (QList<int>{1, 0, 2, 3}));
    Utilities::sortList(items, &Item::name, false);
    EXPECT_EQ(idsOf(items), (QList<int>{3, 0, 2, 1}));

    QList<std::shared_ptr<Item>> shared{
        std::make_shared<Item>(Item{"x", localDate(2013, 5, 11), 0}),
        std::make_shared<Item>(Item{"y", Date(), 1}),
        std::make_shared<Item>(Item{"z", localDate(2013, 5, 10), 2}),
    };
    Utilities::sortList(shared, [](const std::shared_ptr<Item>& item) { return item->when; });
    EXPECT_EQ(idsOf(shared), (QList<int>{1, 2, 0}));
    Utilities::sortList(shared, &Item::when, false);
    EXPECT_EQ(idsOf(shared), (QList<int>{0, 2, 1}));
}

}  // namespace
