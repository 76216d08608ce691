#include "Utilities.h"

#include "GregorianCalendar.h"
#include "TextTable.h"

#include <QDateTime>
#include <QLocale>
#include <QRegularExpression>

#include <atomic>

namespace {

std::atomic<bool> clockIs24Hour{false};

constexpr qint64 daySeconds = 86400;
constexpr qint64 minutesPerDay = 1440;
constexpr qint64 overdueState = 2;
constexpr qint64 noDueDateState = 4;

// The word lists are read once: the table is built into the program and
// never changes while it runs.
const QStringList& weekdayNames()
{
    static const QStringList names{
        TextTable::localizedString(QStringLiteral("sunText")),
        TextTable::localizedString(QStringLiteral("monText")),
        TextTable::localizedString(QStringLiteral("tueText")),
        TextTable::localizedString(QStringLiteral("wedText")),
        TextTable::localizedString(QStringLiteral("thuText")),
        TextTable::localizedString(QStringLiteral("friText")),
        TextTable::localizedString(QStringLiteral("satText")),
    };
    return names;
}

const QStringList& monthNames()
{
    static const QStringList names{
        TextTable::localizedString(QStringLiteral("janText")),
        TextTable::localizedString(QStringLiteral("febText")),
        TextTable::localizedString(QStringLiteral("marText")),
        TextTable::localizedString(QStringLiteral("aprText")),
        TextTable::localizedString(QStringLiteral("mayText")),
        TextTable::localizedString(QStringLiteral("junText")),
        TextTable::localizedString(QStringLiteral("julText")),
        TextTable::localizedString(QStringLiteral("augText")),
        TextTable::localizedString(QStringLiteral("sepText")),
        TextTable::localizedString(QStringLiteral("octText")),
        TextTable::localizedString(QStringLiteral("novText")),
        TextTable::localizedString(QStringLiteral("decText")),
    };
    return names;
}

const QStringList& monthFullNames()
{
    static const QStringList names{
        TextTable::localizedString(QStringLiteral("janFullText")),
        TextTable::localizedString(QStringLiteral("febFullText")),
        TextTable::localizedString(QStringLiteral("marFullText")),
        TextTable::localizedString(QStringLiteral("aprFullText")),
        TextTable::localizedString(QStringLiteral("mayFullText")),
        TextTable::localizedString(QStringLiteral("junFullText")),
        TextTable::localizedString(QStringLiteral("julFullText")),
        TextTable::localizedString(QStringLiteral("augFullText")),
        TextTable::localizedString(QStringLiteral("sepFullText")),
        TextTable::localizedString(QStringLiteral("octFullText")),
        TextTable::localizedString(QStringLiteral("novFullText")),
        TextTable::localizedString(QStringLiteral("decFullText")),
    };
    return names;
}

const QStringList& repeatNames()
{
    static const QStringList names{
        TextTable::localizedString(QStringLiteral("repeatDailyText")),
        TextTable::localizedString(QStringLiteral("repeatWeeklyText")),
        TextTable::localizedString(QStringLiteral("repeatMonthlyText")),
        TextTable::localizedString(QStringLiteral("repeatYearlyText")),
    };
    return names;
}

// The name numbered `number` (from 1) of the list; "" outside it.
QString nameNumbered(const QStringList& names, qint64 number)
{
    if (number < 1 || number > names.size()) return QStringLiteral("");
    return names[number - 1];
}

QString twoDigits(qint64 value)
{
    return QString::asprintf("%02lld", value);
}

// Hour and minute on the clock the user reads: "14:07" or "02:07".
QString clockText(const Date& date)
{
    const qint64 hour = Utilities::use24HourClock() ? Utilities::getHour(date) : Utilities::getHourWithAMPM(date);
    return twoDigits(hour) + QLatin1Char(':') + twoDigits(Utilities::getMinute(date));
}

// What follows the clock time: nothing on a 24-hour clock.
QString amPmSuffix(const Date& date)
{
    return Utilities::use24HourClock() ? QString() : Utilities::getAMPM(date);
}

// " Jan 05, 2013", then " 14:07" or " 02:07PM" when the time is asked for.
QString dateText(const Date& date, bool isIncludedTime)
{
    QString text = QLatin1Char(' ') + Utilities::getShortDateStringWithMonthDay(date);
    if (isIncludedTime) text += QLatin1Char(' ') + clockText(date) + amPmSuffix(date);
    return text;
}

// "1 min", "5 mins"; nothing for 0.
QString countText(qint64 count, const QString& singular, const QString& plural)
{
    if (count <= 0) return QString();
    return QString::number(count) + QLatin1Char(' ') + (count == 1 ? singular : plural);
}

// The platform has no medium date style: the long one without its weekday
// and with the abbreviated month name is that text in every locale we ship
// ("MMM d, yyyy" in the United States).
QString mediumDateFormat(const QLocale& locale)
{
    static const QRegularExpression weekday(QStringLiteral("\\s*,?\\s*dddd\\s*,?\\s*"));
    QString format = locale.dateFormat(QLocale::LongFormat);
    format.replace(weekday, QStringLiteral(" "));
    format.replace(QStringLiteral("MMMM"), QStringLiteral("MMM"));
    return format.trimmed();
}

}  // namespace

// ---- The 24-hour flag -----------------------------------------------------------

bool Utilities::use24HourClock()
{
    return clockIs24Hour.load(std::memory_order_relaxed);
}

void Utilities::setUse24HourClock(bool use24Hour)
{
    clockIs24Hour.store(use24Hour, std::memory_order_relaxed);
}

// ---- Names ----------------------------------------------------------------------

QString Utilities::getWeekDayName(const Date& date)
{
    return nameNumbered(weekdayNames(), getWeekday(date));
}

QString Utilities::getMonthName(const Date& date)
{
    return nameNumbered(monthNames(), getMonth(date));
}

QString Utilities::getMonthFullName(const Date& date)
{
    return nameNumbered(monthFullNames(), getMonth(date));
}

QString Utilities::getAMPM(const Date& date)
{
    if (date.isNull()) return QStringLiteral("");
    if (getHour(date) < 12) return TextTable::localizedString(QStringLiteral("amText"));
    return TextTable::localizedString(QStringLiteral("pmText"));
}

qint64 Utilities::getHourWithAMPM(const Date& date)
{
    const qint64 hour = getHour(date);
    if (hour < 0) return -1;
    if (hour == 0) return 12;
    return hour > 12 ? hour - 12 : hour;
}

// ---- Date and time texts ----------------------------------------------------------

QString Utilities::getStringFromDate(const Date& date, bool isIncludedTime)
{
    if (date.isNull()) return QString();
    return getWeekDayName(date) + dateText(date, isIncludedTime);
}

QString Utilities::getStringNoWeekDayFromDate(const Date& date, bool isIncludedTime)
{
    if (date.isNull()) return QString();
    return dateText(date, isIncludedTime);
}

QString Utilities::getShortDateStringFromDate(const Date& date)
{
    if (date.isNull()) return QString();
    return QString::asprintf("%02lld-%02lld-%02lld", getYear(date), getMonth(date), getDay(date));
}

QString Utilities::getShortDateTimeStringFromDate(const Date& date)
{
    if (date.isNull()) return QString();
    return QString::asprintf("%04lld-%02lld-%02lld %02lld:%02lld:%02lld", getYear(date), getMonth(date), getDay(date),
                             getHour(date), getMinute(date), getSecond(date));
}

QString Utilities::getFormattedDateStringFromDate(const Date& date)
{
    if (date.isNull()) return QString();
    const QLocale locale;
    const qint64 ms = Date::truncated(date.timeIntervalSince1970() * 1000);
    const QDateTime dateTime = QDateTime::fromMSecsSinceEpoch(ms, GregorianCalendar::systemZone());
    return locale.toString(dateTime, mediumDateFormat(locale) + QLatin1Char(' ') + locale.timeFormat(QLocale::ShortFormat));
}

QString Utilities::getShortDateStringWithMonthDay(const Date& date)
{
    if (date.isNull()) return QString();
    return getMonthName(date) + QString::asprintf(" %02lld, %2lld", getDay(date), getYear(date));
}

QString Utilities::getMonthDateString(const Date& date)
{
    if (date.isNull()) return QString();
    return getMonthName(date) + QLatin1Char(' ') + twoDigits(getDay(date));
}

QString Utilities::getTimeStringAMPMFromDate(const Date& date)
{
    if (date.isNull()) return QString();
    return clockText(date) + QLatin1Char(' ') + amPmSuffix(date);
}

// ---- Other texts ---------------------------------------------------------------------

QString Utilities::getDurationString(qint64 minutes)
{
    if (minutes <= 0) return QStringLiteral("");
    const qint64 days = minutes / minutesPerDay;
    const qint64 rest = minutes - days * minutesPerDay;
    QStringList parts{
        countText(days, TextTable::localizedString(QStringLiteral("daySingularText")),
                  TextTable::localizedString(QStringLiteral("dayPluralText"))),
        countText(rest / 60, TextTable::localizedString(QStringLiteral("hrText")),
                  TextTable::localizedString(QStringLiteral("hrsText"))),
        countText(rest % 60, TextTable::localizedString(QStringLiteral("minText")),
                  TextTable::localizedString(QStringLiteral("minsText"))),
    };
    parts.removeAll(QString());
    return parts.join(QStringLiteral(", "));
}

QString Utilities::getRepeatString(qint64 repeatType)
{
    return nameNumbered(repeatNames(), repeatType);
}

QString Utilities::getRepeatString(qint64 repeatType, qint64 interval)
{
    if (interval <= 1) return getRepeatString(repeatType);
    // "Weekly" would say every week of a series that skips some.
    QString format;
    switch (repeatType) {
    case 1: format = TextTable::localizedString(QStringLiteral("repeatEveryNDaysText")); break;
    case 2: format = TextTable::localizedString(QStringLiteral("repeatEveryNWeeksText")); break;
    case 3: format = TextTable::localizedString(QStringLiteral("repeatEveryNMonthsText")); break;
    case 4: format = TextTable::localizedString(QStringLiteral("repeatEveryNYearsText")); break;
    default: return QStringLiteral("");
    }
    return format.arg(interval);
}

QString Utilities::getDueString(qint64 dueState, const Date& dueDate, const QString& slang)
{
    if (dueState == overdueState) return TextTable::localizedString(QStringLiteral("overDueText"));
    if (dueState == noDueDateState || dueDate.isNull()) return QStringLiteral("");
    const qint64 days = Date::truncated(dueDate.timeIntervalSinceDate(getCompleteDate()) / daySeconds);
    if (days == 0) return TextTable::localizedString(QStringLiteral("dueTodayText"));
    const QString dueIn = TextTable::localizedString(QStringLiteral("dueInText"));
    if (slang == QLatin1String("ja")) return QString::number(days) + dueIn;
    return dueIn + QLatin1Char(' ') + QString::number(days) + QLatin1Char(' ')
           + TextTable::localizedString(QStringLiteral("dayPluralText"));
}

Utilities::DateRange Utilities::getDateRangeOfWeekFromDate(const Date& date, qint64 withStart)
{
    if (date.isNull()) return {};
    const qint64 firstWeekday = withStart ? 2 : 1;
    const Date from = dateByAddTimeInterval(static_cast<double>((firstWeekday - getWeekday(date)) * daySeconds), date);
    return {from, dateByAddTimeInterval(static_cast<double>(6 * daySeconds), from)};
}

QString Utilities::getAccountNameInEmail(const QString& email)
{
    const qsizetype at = email.indexOf(QLatin1Char('@'));
    return at < 0 ? email : email.left(at);
}
