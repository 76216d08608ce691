#include "iCalSyncJobs.h"

#include "GregorianCalendar.h"

#include <gtest/gtest.h>

namespace {

struct WindowCase {
    const char* name;
    int nowYear, nowMonth, nowDay;
    bool start;
    qint64 days;
    int year, month, day, hour, minute, second;
};

// Times in Paris, the tests' zone; every "now" at 15:20.
const WindowCase windowCases[] = {
    {"Saturday, 7 back: the Sunday 13 days earlier", 2014, 3, 15, true, 7, 2014, 3, 2, 0, 0, 0},
    {"Sunday, 7 back: the Sunday 7 days earlier", 2014, 3, 16, true, 7, 2014, 3, 9, 0, 0, 0},
    {"Saturday, 7 ahead: the Saturday 7 days later", 2014, 3, 15, false, 7, 2014, 3, 22, 23, 59, 59},
    {"Sunday, 7 ahead: the Saturday 13 days later", 2014, 3, 16, false, 7, 2014, 3, 29, 23, 59, 59},
    {"Saturday, 14 back", 2014, 3, 15, true, 14, 2014, 2, 23, 0, 0, 0},
    {"Saturday, 14 ahead", 2014, 3, 15, false, 14, 2014, 3, 29, 23, 59, 59},
    {"Tuesday after the spring change, 7 back", 2014, 4, 1, true, 7, 2014, 3, 23, 0, 0, 0},
    {"November, 30 ahead", 2014, 11, 12, false, 30, 2014, 12, 31, 23, 59, 59},
    {"December, 30 ahead", 2014, 12, 12, false, 30, 2015, 1, 31, 23, 59, 59},
    {"January, 30 back", 2014, 1, 12, true, 30, 2013, 12, 1, 0, 0, 0},
    {"February, 90 back", 2014, 2, 12, true, 90, 2013, 11, 1, 0, 0, 0},
    {"October, 90 ahead", 2014, 10, 12, false, 90, 2015, 1, 31, 23, 59, 59},
    {"March, 180 back", 2014, 3, 12, true, 180, 2013, 9, 1, 0, 0, 0},
    {"August, 180 ahead", 2014, 8, 12, false, 180, 2015, 2, 28, 23, 59, 59},
    {"365 back", 2014, 6, 12, true, 365, 2013, 1, 1, 0, 0, 0},
    {"365 ahead", 2014, 6, 12, false, 365, 2015, 12, 31, 23, 59, 59},
    // Values no menu offers count as the nearest menu value; a tie takes the larger.
    {"0 back reads as 7", 2014, 3, 15, true, 0, 2014, 3, 2, 0, 0, 0},
    {"5 ahead reads as 7", 2014, 3, 15, false, 5, 2014, 3, 22, 23, 59, 59},
    {"22 back, halfway between 14 and 30, reads as 30", 2014, 2, 12, true, 22, 2014, 1, 1, 0, 0, 0},
    {"1000 ahead reads as 365", 2014, 6, 12, false, 1000, 2015, 12, 31, 23, 59, 59},
    {"-30 back reads as 7", 2014, 3, 15, true, -30, 2014, 3, 2, 0, 0, 0},
};

TEST(SyncWindowTest, WindowsAlignToWeeksMonthsAndYears)
{
    for (const WindowCase& c : windowCases) {
        SCOPED_TRACE(c.name);
        const Date now = GregorianCalendar::dateFromFields(c.nowYear, c.nowMonth, c.nowDay, 15, 20, 0);
        const Date expected = GregorianCalendar::dateFromFields(c.year, c.month, c.day, c.hour, c.minute, c.second);
        const Date got = iCalSyncJobs::syncWindowDate(c.start, c.days, now);
        const DateFields f = GregorianCalendar::fields(got);
        EXPECT_EQ(got, expected) << f.year << "-" << f.month << "-" << f.day << " " << f.hour << ":" << f.minute
                                 << ":" << f.second;
    }
}

TEST(SyncWindowTest, WeekWindowsBeginOnSundayAndEndOnSaturdayEveryDayOfTheWeek)
{
    for (int day = 10; day <= 16; ++day) {  // Monday 10 to Sunday 16 March 2014
        const Date now = GregorianCalendar::dateFromFields(2014, 3, day, 8, 0, 0);
        for (const qint64 days : {7, 14}) {
            EXPECT_EQ(GregorianCalendar::fields(iCalSyncJobs::syncWindowDate(true, days, now)).weekday, 1) << day;
            EXPECT_EQ(GregorianCalendar::fields(iCalSyncJobs::syncWindowDate(false, days, now)).weekday, 7) << day;
        }
    }
}

}  // namespace
