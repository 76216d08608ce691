#include "ZoneOffsetTable.h"

#include "DateTestSupport.h"
#include "GregorianCalendar.h"
#include "TestEnvironment.h"

#include <QDate>
#include <QDateTime>

#include <gtest/gtest.h>

#include <random>

namespace {

// What the calendar answers, the reference the table must match.
qint64 calendarWallClock(qint64 utcSeconds, const QTimeZone& zone)
{
    const DateFields f = GregorianCalendar::fields(Date::dateWithTimeIntervalSince1970(utcSeconds), zone);
    return ZoneOffsetTable::wallClockSeconds(f.year, f.month, f.day, f.hour * 3600 + f.minute * 60 + f.second);
}

qint64 calendarUtc(qint64 wallClockSeconds, const QTimeZone& zone)
{
    const ZoneOffsetTable::WallClockFields f = ZoneOffsetTable::fields(wallClockSeconds);
    return static_cast<qint64>(
        GregorianCalendar::dateFromFields(f.year, f.month, f.day, 0, 0, f.secondOfDay, zone).timeIntervalSince1970());
}

void expectAgreement(const ZoneOffsetTable& table, const QTimeZone& zone, qint64 seconds)
{
    ASSERT_EQ(table.wallClockSeconds(seconds), calendarWallClock(seconds, zone)) << zone.id().constData() << " at " << seconds;
    ASSERT_EQ(table.utcSeconds(seconds), calendarUtc(seconds, zone)) << zone.id().constData() << " wall clock " << seconds;
}

qint64 utcSecondsOf(int year, int month, int day)
{
    return QDateTime(QDate(year, month, day), QTime(0, 0), QTimeZone::utc()).toSecsSinceEpoch();
}

// Zones with daylight saving north and south, half-hour saving, a skipped
// day, saving below standard time, standard offset changes, midnight changes.
const char* const zones[] = {
    "Europe/Paris",      "America/New_York", "Australia/Lord_Howe", "Pacific/Apia",     "Europe/Dublin",
    "Europe/Moscow",     "America/Sao_Paulo", "Asia/Kathmandu",     "America/Santiago", "UTC",
};

TEST(ZoneOffsetTable, ConversionsAgreeWithTheCalendarAroundEveryTransition)
{
    for (const char* id : zones) {
        const QTimeZone zone(id);
        const ZoneOffsetTable table(zone);
        QDateTime at = QDateTime(QDate(1960, 1, 1), QTime(0, 0), QTimeZone::utc());
        const QDateTime end(QDate(2100, 1, 1), QTime(0, 0), QTimeZone::utc());
        for (QTimeZone::OffsetData next = zone.nextTransition(at); next.atUtc.isValid() && next.atUtc < end;
             next = zone.nextTransition(at)) {
            const qint64 transition = next.atUtc.toSecsSinceEpoch();
            for (qint64 delta = -2 * 86400 - 7200; delta <= 2 * 86400 + 7200; delta += qAbs(delta) < 3 * 3600 ? 600 : 7200)
                expectAgreement(table, zone, transition + delta);
            // Qt loses the thread after the last transition of the zone file; a second later it goes on.
            at = next.atUtc.addSecs(1);
        }
    }
}

TEST(ZoneOffsetTable, ConversionsAgreeWithTheCalendarAcrossTheYearsAndBeyond)
{
    std::mt19937_64 random(20240331);
    std::uniform_int_distribution<qint64> instants(utcSecondsOf(1850, 1, 1), utcSecondsOf(2250, 1, 1));
    for (const char* id : zones) {
        const QTimeZone zone(id);
        const ZoneOffsetTable table(zone);
        for (int i = 0; i < 3000; ++i) expectAgreement(table, zone, instants(random));
    }
}

TEST(ZoneOffsetTable, SystemTableFollowsTheZoneOfTheProcess)
{
    const qint64 summerNoon = utcSecondsOf(2024, 7, 1) + 12 * 3600;
    EXPECT_EQ(ZoneOffsetTable::systemZone()->wallClockSeconds(summerNoon), summerNoon + 2 * 3600);
    {
        ScopedTimeZone newYork("America/New_York");
        EXPECT_EQ(ZoneOffsetTable::systemZone()->wallClockSeconds(summerNoon), summerNoon - 4 * 3600);
    }
    EXPECT_EQ(ZoneOffsetTable::systemZone()->wallClockSeconds(summerNoon), summerNoon + 2 * 3600);
}

TEST(ZoneOffsetTable, WallClockFieldsCarryAsTheCalendarDoes)
{
    struct Case {
        qint64 year, month, day;
        int expectedYear, expectedMonth, expectedDay, expectedWeekday;
    };
    const Case cases[] = {
        {2024, 2, 29, 2024, 2, 29, 5},   // a Thursday
        {2023, 2, 29, 2023, 3, 1, 4},    // no 29 February: 1 March, a Wednesday
        {2024, 13, 1, 2025, 1, 1, 4},    // month 13
        {2024, 0, 31, 2023, 12, 31, 1},  // month 0, a Sunday
        {2024, 3, 0, 2024, 2, 29, 5},    // day 0
        {2024, 1, 63, 2024, 3, 3, 1},    // days past the month
        {1969, 12, 31, 1969, 12, 31, 4},
        {1970, 1, 4, 1970, 1, 4, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.year << "-" << c.month << "-" << c.day);
        const qint64 wallClock = ZoneOffsetTable::wallClockSeconds(c.year, c.month, c.day, 3723);
        const ZoneOffsetTable::WallClockFields f = ZoneOffsetTable::fields(wallClock);
        EXPECT_EQ(f.year, c.expectedYear);
        EXPECT_EQ(f.month, c.expectedMonth);
        EXPECT_EQ(f.day, c.expectedDay);
        EXPECT_EQ(f.weekday, c.expectedWeekday);
        EXPECT_EQ(f.secondOfDay, 3723);
        EXPECT_EQ(wallClock, utcDate(c.expectedYear, c.expectedMonth, c.expectedDay, 1, 2, 3).timeIntervalSince1970());
    }
}

}  // namespace
