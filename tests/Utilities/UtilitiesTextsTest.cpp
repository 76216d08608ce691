#include "Utilities.h"

#include "Clock.h"
#include "DateTestSupport.h"

#include <QLocale>

#include <gtest/gtest.h>

#include <functional>

namespace {

class UtilitiesTexts : public ::testing::Test {
protected:
    void TearDown() override
    {
        Clock::reset();
        Utilities::setUse24HourClock(false);
        QLocale::setDefault(QLocale::system());
    }
};

QString text(const char* english)
{
    return QString::fromUtf8(english);
}

TEST_F(UtilitiesTexts, WeekdayAndMonthNamesFollowTheDate)
{
    const char* weekdays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    for (int i = 0; i < 7; ++i) {
        const Date day = localDate(2013, 1, 6 + i, 12);  // Sunday 6 January onwards
        EXPECT_EQ(Utilities::getWeekDayName(day), text(weekdays[i])) << i;
    }
    const std::pair<const char*, const char*> months[] = {
        {"Jan", "January"}, {"Feb", "February"}, {"Mar", "March"},     {"Apr", "April"},
        {"May", "May"},     {"Jun", "June"},     {"Jul", "July"},      {"Aug", "August"},
        {"Sep", "September"}, {"Oct", "October"}, {"Nov", "November"}, {"Dec", "December"},
    };
    for (int month = 1; month <= 12; ++month) {
        const Date day = localDate(2013, month, 31);  // carries into the next month where 31 is missing
        const int shown = static_cast<int>(Utilities::getMonth(day));
        EXPECT_EQ(Utilities::getMonthName(day), text(months[shown - 1].first)) << month;
        EXPECT_EQ(Utilities::getMonthFullName(day), text(months[shown - 1].second)) << month;
    }
}

TEST_F(UtilitiesTexts, NamesOfNoDateAreEmptyNotNull)
{
    for (const QString& name : {Utilities::getWeekDayName(Date()), Utilities::getMonthName(Date()),
                                Utilities::getMonthFullName(Date()), Utilities::getAMPM(Date())}) {
        EXPECT_TRUE(name.isEmpty());
        EXPECT_FALSE(name.isNull());
    }
    EXPECT_EQ(Utilities::getHourWithAMPM(Date()), -1);
}

TEST_F(UtilitiesTexts, TwelveHourClockRunsFromTwelveToEleven)
{
    struct Case {
        int hour, minute;
        qint64 clockHour;
        const char* amPm;
    };
    const Case cases[] = {
        {0, 30, 12, "AM"}, {1, 0, 1, "AM"}, {11, 59, 11, "AM"},
        {12, 0, 12, "PM"}, {13, 0, 1, "PM"}, {23, 59, 11, "PM"},
    };
    for (const Case& c : cases) {
        const Date date = localDate(2013, 1, 5, c.hour, c.minute);
        EXPECT_EQ(Utilities::getHourWithAMPM(date), c.clockHour) << c.hour;
        EXPECT_EQ(Utilities::getAMPM(date), text(c.amPm)) << c.hour;
    }
}

TEST_F(UtilitiesTexts, DateAndTimeTextsInBothClockModes)
{
    using Format = std::function<QString(const Date&)>;
    const Format withWeekday = [](const Date& d) { return Utilities::getStringFromDate(d, false); };
    const Format withWeekdayAndTime = [](const Date& d) { return Utilities::getStringFromDate(d, true); };
    const Format noWeekday = [](const Date& d) { return Utilities::getStringNoWeekDayFromDate(d, false); };
    const Format noWeekdayWithTime = [](const Date& d) { return Utilities::getStringNoWeekDayFromDate(d, true); };
    const Format time = Utilities::getTimeStringAMPMFromDate;
    struct Case {
        const char* name;
        Format format;
        Date date;
        const char* in24Hours;
        const char* in12Hours;
    };
    const Date afternoon = localDate(2013, 1, 5, 14, 7);
    const Case cases[] = {
        {"weekday", withWeekday, afternoon, "Sat Jan 05, 2013", "Sat Jan 05, 2013"},
        {"weekday and time", withWeekdayAndTime, afternoon, "Sat Jan 05, 2013 14:07", "Sat Jan 05, 2013 02:07PM"},
        {"no weekday", noWeekday, afternoon, " Jan 05, 2013", " Jan 05, 2013"},
        {"no weekday, time", noWeekdayWithTime, afternoon, " Jan 05, 2013 14:07", " Jan 05, 2013 02:07PM"},
        {"morning time", time, localDate(2013, 1, 5, 9, 5), "09:05 ", "09:05 AM"},
        {"evening time", time, localDate(2013, 1, 5, 21, 5), "21:05 ", "09:05 PM"},
        {"past midnight", time, localDate(2013, 1, 5, 0, 30), "00:30 ", "12:30 AM"},
        {"short date", Utilities::getShortDateStringFromDate, afternoon, "2013-01-05", "2013-01-05"},
        {"backup stamp", Utilities::getShortDateTimeStringFromDate, localDate(2014, 3, 25, 9, 5, 7),
         "2014-03-25 09:05:07", "2014-03-25 09:05:07"},
        {"month, day, year", Utilities::getShortDateStringWithMonthDay, afternoon, "Jan 05, 2013", "Jan 05, 2013"},
        {"month and day", Utilities::getMonthDateString, localDate(2013, 11, 30), "Nov 30", "Nov 30"},
    };
    for (const Case& c : cases) {
        Utilities::setUse24HourClock(true);
        EXPECT_EQ(c.format(c.date), text(c.in24Hours)) << c.name;
        Utilities::setUse24HourClock(false);
        EXPECT_EQ(c.format(c.date), text(c.in12Hours)) << c.name;
    }
}

TEST_F(UtilitiesTexts, DateTextsOfNoDateAreNull)
{
    const std::function<QString(const Date&)> formats[] = {
        [](const Date& d) { return Utilities::getStringFromDate(d, true); },
        [](const Date& d) { return Utilities::getStringNoWeekDayFromDate(d, true); },
        Utilities::getShortDateStringFromDate,
        Utilities::getShortDateTimeStringFromDate,
        Utilities::getFormattedDateStringFromDate,
        Utilities::getShortDateStringWithMonthDay,
        Utilities::getMonthDateString,
        Utilities::getTimeStringAMPMFromDate,
    };
    for (const auto& format : formats) EXPECT_TRUE(format(Date()).isNull());
}

TEST_F(UtilitiesTexts, FormattedDateUsesTheLocalesMediumDateAndShortTime)
{
    const Date date = localDate(2013, 1, 5, 14, 7);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_EQ(Utilities::getFormattedDateStringFromDate(date), text("Jan 5, 2013 2:07 PM"));
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
    EXPECT_EQ(Utilities::getFormattedDateStringFromDate(date), text("5 Jan 2013 14:07"));
}

TEST_F(UtilitiesTexts, DurationNamesOnlyTheUnitsThatAreNotZero)
{
    const std::pair<qint64, const char*> cases[] = {
        {-5, ""},
        {0, ""},
        {1, "1 min"},
        {2, "2 mins"},
        {60, "1 hr"},
        {61, "1 hr, 1 min"},
        {120, "2 hrs"},
        {1440, "1 day"},
        {1441, "1 day, 1 min"},
        {1445, "1 day, 5 mins"},
        {1500, "1 day, 1 hr"},
        {2880, "2 days"},
        {3005, "2 days, 2 hrs, 5 mins"},
    };
    for (const auto& [minutes, expected] : cases)
        EXPECT_EQ(Utilities::getDurationString(minutes), text(expected)) << minutes;
    EXPECT_FALSE(Utilities::getDurationString(0).isNull());
}

TEST_F(UtilitiesTexts, RepeatKindsOneToFourHaveNames)
{
    const std::pair<qint64, const char*> cases[] = {
        {-1, ""}, {0, ""}, {1, "Daily"}, {2, "Weekly"}, {3, "Monthly"}, {4, "Yearly"}, {5, ""},
    };
    for (const auto& [repeatType, expected] : cases)
        EXPECT_EQ(Utilities::getRepeatString(repeatType), text(expected)) << repeatType;
}

TEST_F(UtilitiesTexts, DueTextCountsWholeDaysTruncatedTowardZero)
{
    const Date now = localDate(2013, 1, 9, 12);
    Clock::setFixed(now);
    const auto hoursAway = [&](double hours) { return now.dateByAddingTimeInterval(hours * 3600); };
    struct Case {
        qint64 dueState;
        Date dueDate;
        const char* language;
        const char* expected;
    };
    const Case cases[] = {
        {0, hoursAway(36), "en", "Due in 1 days"},
        {0, hoursAway(20), "en", "Due today"},
        {1, hoursAway(-20), "en", "Due today"},
        {0, hoursAway(-30), "en", "Due in -1 days"},
        {0, hoursAway(72.5), "en", "Due in 3 days"},
        {0, hoursAway(36), "ja", "1Due in"},
        {0, hoursAway(-30), "ja", "-1Due in"},
        {2, hoursAway(36), "en", "Overdue"},
        {2, Date(), "en", "Overdue"},
        {4, hoursAway(36), "en", ""},
        {0, Date(), "en", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Utilities::getDueString(c.dueState, c.dueDate, text(c.language)), text(c.expected))
            << c.dueState << " " << c.language << " " << c.expected;
    }
}

TEST_F(UtilitiesTexts, WeekRangeStartsOnSundayOrOnTheMondayAfterIt)
{
    struct Case {
        Date date;
        qint64 withStart;
        Date from, to;
    };
    const Case cases[] = {
        // Wednesday 9 January 2013.
        {localDate(2013, 1, 9, 10), 0, localDate(2013, 1, 6, 10), localDate(2013, 1, 12, 10)},
        {localDate(2013, 1, 9, 10), 1, localDate(2013, 1, 7, 10), localDate(2013, 1, 13, 10)},
        // A Sunday starts its own week, or is followed by the week it gives.
        {localDate(2013, 1, 13, 10), 0, localDate(2013, 1, 13, 10), localDate(2013, 1, 19, 10)},
        {localDate(2013, 1, 13, 10), 1, localDate(2013, 1, 14, 10), localDate(2013, 1, 20, 10)},
        {localDate(2013, 1, 12, 23, 59, 59), 1, localDate(2013, 1, 7, 23, 59, 59), localDate(2013, 1, 13, 23, 59, 59)},
        // Clocks go forward on Sunday 31 March 2013: whole days of seconds end an hour later on the clock.
        {localDate(2013, 3, 27, 12), 1, localDate(2013, 3, 25, 12), localDate(2013, 3, 31, 13)},
    };
    for (const Case& c : cases) {
        const auto [from, to] = Utilities::getDateRangeOfWeekFromDate(c.date, c.withStart);
        EXPECT_EQ(from, c.from);
        EXPECT_EQ(to, c.to);
    }
    const auto [from, to] = Utilities::getDateRangeOfWeekFromDate(Date(), 1);
    EXPECT_TRUE(from.isNull());
    EXPECT_TRUE(to.isNull());
}

TEST_F(UtilitiesTexts, AccountNameIsTheTextBeforeTheFirstAt)
{
    const std::pair<const char*, const char*> cases[] = {
        {"someone@example.com", "someone"},
        {"odd@name@example.com", "odd"},
        {"@example.com", ""},
        {"no-at-sign", "no-at-sign"},
        {"", ""},
    };
    for (const auto& [email, account] : cases)
        EXPECT_EQ(Utilities::getAccountNameInEmail(text(email)), text(account)) << email;
    EXPECT_TRUE(Utilities::getAccountNameInEmail(QString()).isNull());
}

}  // namespace
