#include "Clock.h"
#include "GregorianCalendar.h"
#include "HostileNumbers.h"
#include "TestEnvironment.h"

#include <QDateTime>
#include <QLocale>
#include <QTimeZone>

#include <gtest/gtest.h>

#include <limits>

namespace {

struct Ymdhms {
    qint64 year, month, day, hour, minute, second;
};

Date paris(const Ymdhms& f)
{
    return GregorianCalendar::dateFromFields(f.year, f.month, f.day, f.hour, f.minute, f.second);
}

class GregorianCalendarTest : public ::testing::Test {
protected:
    ScopedTimeZone zone{"Europe/Paris"};
    void TearDown() override { Clock::reset(); }
};

TEST_F(GregorianCalendarTest, BuildsTheInstantOfParisWallClockTime)
{
    // 1 January 2014, 00:00 in Paris is 23:00 UTC the evening before.
    EXPECT_EQ(paris({2014, 1, 1, 0, 0, 0}).timeIntervalSince1970(), 1388530800.0);
    EXPECT_EQ(paris({2014, 7, 1, 0, 0, 0}).timeIntervalSince1970(), 1404165600.0);
}

TEST_F(GregorianCalendarTest, OutOfRangeFieldsCarryIntoTheNextField)
{
    const struct {
        Ymdhms given;
        const char* wallClock;
    } cases[] = {
        {{2013, 13, 1, 0, 0, 0}, "2014-01-01 00:00:00"},
        {{2014, 0, 1, 0, 0, 0}, "2013-12-01 00:00:00"},
        {{2014, 25, 1, 0, 0, 0}, "2016-01-01 00:00:00"},
        {{2014, 3, 0, 0, 0, 0}, "2014-02-28 00:00:00"},
        {{2012, 3, 0, 0, 0, 0}, "2012-02-29 00:00:00"},
        {{2014, 1, 32, 0, 0, 0}, "2014-02-01 00:00:00"},
        {{2014, 1, 1, 10, -90, 0}, "2014-01-01 08:30:00"},
        {{2014, 1, 1, 0, -1, 0}, "2013-12-31 23:59:00"},
        {{2014, 1, 1, 25, 0, 0}, "2014-01-02 01:00:00"},
        {{2014, 1, 1, 0, 0, -1}, "2013-12-31 23:59:59"},
    };
    for (const auto& c : cases) {
        const DateFields f = GregorianCalendar::fields(paris(c.given));
        const QString wallClock = QString::asprintf("%04d-%02d-%02d %02d:%02d:%02d", f.year, f.month, f.day,
                                                    f.hour, f.minute, f.second);
        EXPECT_EQ(wallClock.toStdString(), c.wallClock);
    }
}

TEST_F(GregorianCalendarTest, WallClockTimeInTheSpringGapMovesForwardByTheGap)
{
    // Paris skips 02:00-03:00 on 31 March 2024.
    const Date inGap = paris({2024, 3, 31, 2, 30, 0});
    ASSERT_TRUE(inGap.isValid());
    EXPECT_EQ(inGap, paris({2024, 3, 31, 3, 30, 0}));
    EXPECT_EQ(GregorianCalendar::fields(inGap).hour, 3);
    // A whole day across the change is 23 hours of real time.
    EXPECT_EQ(paris({2024, 3, 31, 12, 0, 0}).timeIntervalSinceDate(paris({2024, 3, 30, 12, 0, 0})), 23 * 3600.0);
}

TEST_F(GregorianCalendarTest, WeekdaysRunFromSundayOneToSaturdaySeven)
{
    const struct {
        Ymdhms day;
        int weekday;
        int weekdayOrdinal;
        int weekOfMonth;
    } cases[] = {
        {{2013, 1, 5, 12, 0, 0}, 7, 1, 1},   // Saturday
        {{2013, 1, 6, 12, 0, 0}, 1, 1, 2},   // Sunday starts the second week
        {{2013, 1, 7, 0, 0, 0}, 2, 1, 2},    // Monday, first second of the day
        {{2014, 1, 8, 23, 59, 59}, 4, 2, 2}, // the second Wednesday
        {{2013, 12, 1, 9, 0, 0}, 1, 1, 1},   // a month starting on Sunday
    };
    for (const auto& c : cases) {
        const DateFields f = GregorianCalendar::fields(paris(c.day));
        EXPECT_EQ(f.weekday, c.weekday) << c.day.month << "/" << c.day.day;
        EXPECT_EQ(f.weekdayOrdinal, c.weekdayOrdinal) << c.day.month << "/" << c.day.day;
        EXPECT_EQ(f.weekOfMonth, c.weekOfMonth) << c.day.month << "/" << c.day.day;
    }
}

TEST_F(GregorianCalendarTest, LastDaysOfDecemberBelongToWeekOneOfTheNextYear)
{
    const struct {
        Ymdhms day;
        int weekOfYear;
        int yearForWeekOfYear;
    } cases[] = {
        {{2013, 12, 28, 12, 0, 0}, 52, 2013},  // Saturday before the week of 1 January
        {{2013, 12, 29, 12, 0, 0}, 1, 2014},   // Sunday of the week holding 1 January 2014
        {{2013, 12, 31, 23, 0, 0}, 1, 2014},
        {{2014, 1, 4, 12, 0, 0}, 1, 2014},
        {{2014, 1, 5, 12, 0, 0}, 2, 2014},
        {{2012, 12, 31, 12, 0, 0}, 1, 2013},
        {{2016, 12, 31, 12, 0, 0}, 53, 2016},  // a Saturday: 1 January starts the next week
        {{2017, 1, 1, 12, 0, 0}, 1, 2017},
    };
    for (const auto& c : cases) {
        const DateFields f = GregorianCalendar::fields(paris(c.day));
        EXPECT_EQ(f.weekOfYear, c.weekOfYear) << c.day.year << "-" << c.day.month << "-" << c.day.day;
        EXPECT_EQ(f.yearForWeekOfYear, c.yearForWeekOfYear) << c.day.year << "-" << c.day.month << "-" << c.day.day;
    }
}

TEST_F(GregorianCalendarTest, FieldsOfInstantsBefore1970RoundDown)
{
    const DateFields f = GregorianCalendar::fields(Date::dateWithTimeIntervalSince1970(-0.5),
                                                   GregorianCalendar::utcZone());
    EXPECT_EQ(f.year, 1969);
    EXPECT_EQ(f.hour, 23);
    EXPECT_EQ(f.second, 59);
}

// Dates and fields far beyond the calendar reach the arithmetic only through
// a fault elsewhere; even then every sum stays inside 64 bits (the sanitizer
// build checks that) and the answers are the calendar's ends or no date.
TEST_F(GregorianCalendarTest, HostileDatesGiveTheCalendarsEndsAndHostileFieldsNoDate)
{
    for (const HostileNumber& number : hostileNumbers) {
        const Date date = Date::dateWithTimeIntervalSince1970(number.seconds);
        const DateFields f = GregorianCalendar::fields(date, GregorianCalendar::utcZone());
        const bool late = number.seconds > 0;
        if (number.seconds != number.seconds) {
            EXPECT_EQ(f.year, 1970) << number.name;
        } else {
            EXPECT_EQ(f.year, late ? 9999 : 1) << number.name;
            EXPECT_EQ(f.month, late ? 12 : 1) << number.name;
        }
        const DateFields local = GregorianCalendar::fields(date);
        EXPECT_GE(local.year, 0) << number.name;
        EXPECT_LE(local.year, 10000) << number.name;
        EXPECT_GE(GregorianCalendar::secondsIntoDay(date), 0) << number.name;
        GregorianCalendar::secondsFromGMTForDate(date);
        GregorianCalendar::daylightSavingTimeOffsetForDate(date);
    }
    constexpr qint64 huge = std::numeric_limits<qint64>::max();
    constexpr qint64 tiny = std::numeric_limits<qint64>::min();
    const Ymdhms beyond[] = {
        {0, 1, 1, 0, 0, 0},          {10000, 1, 3, 0, 0, 0},   {huge, 1, 1, 0, 0, 0},
        {tiny, 1, 1, 0, 0, 0},       {2014, huge, 1, 0, 0, 0}, {2014, 1, tiny, 0, 0, 0},
        {2014, 1, 1, huge, 0, 0},    {2014, 1, 1, 0, tiny, 0}, {2014, 1, 1, 0, 0, huge},
        {huge, huge, huge, huge, huge, huge}, {tiny, tiny, tiny, tiny, tiny, tiny},
    };
    for (const Ymdhms& f : beyond) {
        EXPECT_TRUE(paris(f).isNull()) << f.year << " " << f.month << " " << f.day << " " << f.hour;
        EXPECT_TRUE(GregorianCalendar::dateFromFields(f.year, f.month, f.day, f.hour, f.minute, f.second,
                                                      GregorianCalendar::zoneNamed(QStringLiteral("Asia/Tokyo")))
                        .isNull());
    }
    const Date day = paris({2014, 1, 15, 0, 0, 0});
    EXPECT_TRUE(GregorianCalendar::dateOnDayOf(day, huge).isNull());
    EXPECT_TRUE(GregorianCalendar::dateOnDayOf(day, tiny).isNull());
    // The calendar's own ends still convert, whatever the zone's offset.
    EXPECT_EQ(GregorianCalendar::fields(paris({1, 1, 1, 0, 0, 0})).year, 1);
    EXPECT_EQ(GregorianCalendar::fields(paris({9999, 12, 31, 23, 59, 59})).year, 9999);
}

TEST_F(GregorianCalendarTest, OffsetsFollowTheZoneRulesOfTheDate)
{
    const Date winter = paris({2014, 1, 15, 12, 0, 0});
    const Date summer = paris({2014, 7, 15, 12, 0, 0});
    EXPECT_EQ(GregorianCalendar::secondsFromGMTForDate(winter), 3600);
    EXPECT_EQ(GregorianCalendar::secondsFromGMTForDate(summer), 7200);
    EXPECT_EQ(GregorianCalendar::daylightSavingTimeOffsetForDate(winter), 0);
    EXPECT_EQ(GregorianCalendar::daylightSavingTimeOffsetForDate(summer), 3600);

    // "Now" is the clock's, not the machine's.
    Clock::setFixed(summer);
    EXPECT_EQ(GregorianCalendar::secondsFromGMT(), 7200);
    EXPECT_EQ(GregorianCalendar::daylightSavingTimeOffset(), 3600);
    Clock::setFixed(winter);
    EXPECT_EQ(GregorianCalendar::secondsFromGMT(), 3600);
    EXPECT_EQ(GregorianCalendar::daylightSavingTimeOffset(), 0);
}

TEST_F(GregorianCalendarTest, OffsetsWestOfGreenwichAreNegative)
{
    ScopedTimeZone newYork("America/New_York");
    const Date winter = GregorianCalendar::dateFromFields(2014, 1, 15, 12, 0, 0);
    const Date summer = GregorianCalendar::dateFromFields(2014, 7, 15, 12, 0, 0);
    EXPECT_EQ(GregorianCalendar::secondsFromGMTForDate(winter), -5 * 3600);
    EXPECT_EQ(GregorianCalendar::secondsFromGMTForDate(summer), -4 * 3600);
    EXPECT_EQ(GregorianCalendar::daylightSavingTimeOffsetForDate(summer), 3600);
    EXPECT_EQ(GregorianCalendar::fields(winter).hour, 12);
}

TEST_F(GregorianCalendarTest, KnowsOnlyZonesWithRules)
{
    const struct {
        const char* name;
        bool known;
    } cases[] = {
        {"Floating", true},
        {"Europe/Paris", true},
        {"America/New_York", true},
        {"XYZ", false},
        {"", false},
        {"Europe", false},          // a folder
        {"zone.tab", false},        // a table kept beside the zones
        {"../zoneinfo/Europe/Paris", false},
        {"/usr/share/zoneinfo/Europe/Paris", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(GregorianCalendar::isZoneKnown(QString::fromUtf8(c.name)), c.known) << c.name;

    EXPECT_FALSE(GregorianCalendar::zoneNamed(QStringLiteral("XYZ")).isValid());
    EXPECT_EQ(GregorianCalendar::zoneNamed(QStringLiteral("Europe/Paris")).id(), QByteArray("Europe/Paris"));
}

TEST_F(GregorianCalendarTest, FloatingZoneCountsAsOffsetZero)
{
    const QTimeZone floating = GregorianCalendar::zoneNamed(QStringLiteral("Floating"));
    EXPECT_FALSE(floating.isValid());
    const Date noon = GregorianCalendar::dateFromFields(2014, 7, 15, 12, 0, 0, floating);
    EXPECT_EQ(noon, GregorianCalendar::dateFromFields(2014, 7, 15, 12, 0, 0, GregorianCalendar::utcZone()));
    const DateFields f = GregorianCalendar::fields(noon, floating);
    EXPECT_EQ(f.year, 2014);
    EXPECT_EQ(f.hour, 12);
}

// What the zone rules themselves answer for an instant, compared with the
// calendar's cached answers: offsets, fields, and the wall-clock reading
// converted back wherever Qt converts it (unambiguous or skipped readings).
void expectTheRulesAnswer(const QTimeZone& rules, qint64 seconds)
{
    const QDateTime at = QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC);
    const Date date = Date::dateWithTimeIntervalSince1970(double(seconds));
    const QByteArray where = rules.id() + " at " + QByteArray::number(seconds);
    ASSERT_EQ(GregorianCalendar::secondsFromGMTForDate(date), rules.offsetFromUtc(at)) << where.constData();
    ASSERT_EQ(GregorianCalendar::daylightSavingTimeOffsetForDate(date), rules.daylightTimeOffset(at)) << where.constData();
    const QDateTime local = at.toTimeZone(rules);
    const DateFields f = GregorianCalendar::fields(date);
    ASSERT_EQ(QDateTime(QDate(f.year, f.month, f.day), QTime(f.hour, f.minute, f.second), Qt::UTC),
              QDateTime(local.date(), local.time(), Qt::UTC))
        << where.constData();
    // The time of day alone, and a day's instant at a time of day (with carries).
    const int secondsIntoDay = f.hour * 3600 + f.minute * 60 + f.second;
    ASSERT_EQ(GregorianCalendar::secondsIntoDay(date), secondsIntoDay) << where.constData();
    for (qint64 wanted : {qint64(secondsIntoDay), qint64(-3661), qint64(2 * 3600 + 1800), qint64(90000)})
        ASSERT_EQ(GregorianCalendar::dateOnDayOf(date, wanted),
                  GregorianCalendar::dateFromFields(f.year, f.month, f.day, 0, 0, wanted))
            << where.constData() << " at " << wanted;
    const QDateTime fromWallClock(local.date(), local.time(), rules);
    // A reading the zone gives twice (its repeated autumn hour) is the first
    // of the two; Qt answers the second.
    const auto readsTheSame = [&](qint64 instant) {
        const QDateTime there = QDateTime::fromSecsSinceEpoch(instant, Qt::UTC).toTimeZone(rules);
        return there.date() == local.date() && there.time() == local.time();
    };
    qint64 first = fromWallClock.toSecsSinceEpoch();
    if (readsTheSame(first))
        for (qint64 earlier : {seconds, seconds - 1800, seconds - 3600})
            if (earlier < first && readsTheSame(earlier)) first = earlier;
    ASSERT_EQ(GregorianCalendar::dateFromFields(f.year, f.month, f.day, f.hour, f.minute, f.second)
                  .timeIntervalSince1970(),
              double(first))
        << where.constData();
}

// The system zone's offsets and wall-clock conversions are kept per span
// between transitions; every answer must still be the zone rules' own: at
// and around every transition up to years past the last one the zone file
// lists, far from any, in zones east and west, with half-hour rules and in
// the southern hemisphere, and after the zone is switched.
TEST(GregorianCalendarSystemZoneTest, CachedAnswersAreTheZoneRulesOwn)
{
    for (const char* name : {"Europe/Paris", "America/New_York", "Australia/Sydney", "Australia/Lord_Howe",
                             "Asia/Kolkata", "America/St_Johns"}) {
        ScopedTimeZone zone(name);
        const QTimeZone rules(name);
        ASSERT_EQ(GregorianCalendar::systemZone().id(), QByteArray(name));
        QDateTime at(QDate(2012, 1, 1), QTime(0, 0), Qt::UTC);
        const QDateTime end(QDate(2045, 1, 1), QTime(0, 0), Qt::UTC);
        for (QTimeZone::OffsetData next = rules.nextTransition(at); next.atUtc.isValid() && next.atUtc < end;
             next = rules.nextTransition(at)) {
            const qint64 transition = next.atUtc.toSecsSinceEpoch();
            for (qint64 delta : {-86400LL, -3601LL, -1LL, 0LL, 1LL, 1800LL, 3600LL, 86400LL})
                expectTheRulesAnswer(rules, transition + delta);
            at = next.atUtc.addSecs(1);
        }
        // Out of order, so that kept spans are reused and replaced.
        constexpr qint64 from = 1356998400;  // 2013-01-01 UTC
        constexpr qint64 samples = 20000;
        for (qint64 i = 0; i < samples; ++i) expectTheRulesAnswer(rules, from + (i * 7919) % samples * 3593);
    }
}

// Day numbers are worked out with integer arithmetic; every day from 1583 to
// 2400, and the carry of out-of-range fields, must agree with the platform's
// own dates: leap centuries, years before 1970, week numbers at year ends.
TEST(GregorianCalendarDaysTest, DayArithmeticAgreesWithThePlatformDates)
{
    ScopedTimeZone zone("UTC");
    const QDate epoch(1970, 1, 1);
    for (QDate day(1583, 1, 1); day <= QDate(2400, 12, 31); day = day.addDays(1)) {
        const qint64 midday = epoch.daysTo(day) * 86400 + 12 * 3600 + 34 * 60 + 56;
        const DateFields f = GregorianCalendar::fields(Date::dateWithTimeIntervalSince1970(double(midday)));
        const QByteArray where = day.toString(Qt::ISODate).toLatin1();
        ASSERT_EQ(QDate(f.year, f.month, f.day), day) << where.constData();
        ASSERT_EQ(f.weekday, day.dayOfWeek() % 7 + 1) << where.constData();
        ASSERT_EQ(f.hour * 3600 + f.minute * 60 + f.second, 12 * 3600 + 34 * 60 + 56) << where.constData();
        const QDate jan1(day.year(), 1, 1);
        const int weekOfYear = int(jan1.daysTo(day) + jan1.dayOfWeek() % 7) / 7 + 1;
        const bool sharesNextYearsWeek = day.month() == 12 && day.day() + (7 - f.weekday) > 31;
        ASSERT_EQ(f.weekOfYear, sharesNextYearsWeek ? 1 : weekOfYear) << where.constData();
        ASSERT_EQ(f.yearForWeekOfYear, sharesNextYearsWeek ? day.year() + 1 : day.year()) << where.constData();
        ASSERT_EQ(f.weekOfMonth, (day.day() - 1 + QDate(day.year(), day.month(), 1).dayOfWeek() % 7) / 7 + 1)
            << where.constData();
        ASSERT_EQ(GregorianCalendar::dateFromFields(f.year, f.month, f.day, 12, 34, 56).timeIntervalSince1970(),
                  double(midday))
            << where.constData();
    }
    // Carries across months, years and days, both ways.
    for (int month = -30; month <= 30; month += 7)
        for (int dayOfMonth = -40; dayOfMonth <= 70; dayOfMonth += 9)
            for (int hour = -50; hour <= 50; hour += 13) {
                const QDate first = QDate(1999, 1, 1).addMonths(month - 1);
                const qint64 expected = epoch.daysTo(first.addDays(dayOfMonth - 1)) * 86400 + qint64(hour) * 3600;
                ASSERT_EQ(GregorianCalendar::dateFromFields(1999, month, dayOfMonth, hour, 0, 0).timeIntervalSince1970(),
                          double(expected))
                    << month << " " << dayOfMonth << " " << hour;
            }
}

TEST(LocaleClockTest, PinnedTestLocaleWritesTwentyFourHourTimes)
{
    if (QLocale::system().name() != QLatin1String("C")) GTEST_SKIP() << "needs the C locale the tests pin";
    EXPECT_TRUE(localeUses24HourClock());
}

}  // namespace
