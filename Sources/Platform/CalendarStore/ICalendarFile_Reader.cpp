#include "ICalendarFile.h"
#include "ICalendarFileShared.h"

#include "GregorianCalendar.h"

#include <algorithm>

using namespace ICalendarFileShared;

namespace {

QList<short> encodedList(const short* values, int size)
{
    QList<short> list;
    for (int i = 0; i < size && values[i] != ICAL_RECURRENCE_ARRAY_MAX; ++i) list << values[i];
    return list;
}

// Whether one of the organizer's four rules, repeated from the start as the
// organizer repeats it, gives the days the file's rule gives: the same
// day of the month or of the year, one weekday of a week of the month (the
// last only from a fifth one, which the organizer repeats as the last),
// weeks that begin on Sunday. A rule with parts none of them has (BYSETPOS,
// a yearly weekday, the last day of a month) it cannot hold.
bool organizerHolds(const icalrecurrencetype& recurrence, const icaltimetype& start, const QList<int>& weekdays,
                    const QList<CalNthWeekDay>& nthWeekdays, const QList<int>& monthDays, const QList<int>& months)
{
    const icalrecurrencetype_frequency freq = recurrence.freq;
    if (freq != ICAL_DAILY_RECURRENCE && freq != ICAL_WEEKLY_RECURRENCE && freq != ICAL_MONTHLY_RECURRENCE
        && freq != ICAL_YEARLY_RECURRENCE)
        return true;  // the organizer has no rule of that frequency at all
    if (!encodedList(recurrence.by_set_pos, ICAL_BY_SETPOS_SIZE).isEmpty()
        || !encodedList(recurrence.by_year_day, ICAL_BY_YEARDAY_SIZE).isEmpty()
        || !encodedList(recurrence.by_week_no, ICAL_BY_WEEKNO_SIZE).isEmpty()
        || !encodedList(recurrence.by_hour, ICAL_BY_HOUR_SIZE).isEmpty()
        || !encodedList(recurrence.by_minute, ICAL_BY_MINUTE_SIZE).isEmpty()
        || !encodedList(recurrence.by_second, ICAL_BY_SECOND_SIZE).isEmpty())
        return false;
    if (!usableFields(start)) return true;  // nothing to compare with: read as it says
    const int startDay = start.day;
    const int startWeekday = icaltime_day_of_week(start);  // 1 Sunday .. 7 Saturday
    switch (freq) {
    case ICAL_DAILY_RECURRENCE:
        // Every day, or every week on the listed weekdays.
        return nthWeekdays.isEmpty() && monthDays.isEmpty() && months.isEmpty()
               && (weekdays.isEmpty() || recurrence.interval <= 1);
    case ICAL_WEEKLY_RECURRENCE: {
        if (!nthWeekdays.isEmpty() || !monthDays.isEmpty() || !months.isEmpty()) return false;
        // Every other week on Sunday and other days: Monday weeks put the
        // Sunday with the days before it, the organizer's with those after.
        const bool sundayWeeks = recurrence.week_start == ICAL_SUNDAY_WEEKDAY || recurrence.week_start == ICAL_NO_WEEKDAY;
        return sundayWeeks || recurrence.interval <= 1 || weekdays.size() < 2 || !weekdays.contains(1);
    }
    case ICAL_MONTHLY_RECURRENCE:
        if (!weekdays.isEmpty() || !months.isEmpty()) return false;
        if (!nthWeekdays.isEmpty()) {
            if (nthWeekdays.size() > 1 || !monthDays.isEmpty()) return false;
            const CalNthWeekDay nth = nthWeekdays.first();
            if (nth.dayOfTheWeek != startWeekday) return false;
            if (nth.weekNumber == -1) return startDay > 28;
            return nth.weekNumber >= 1 && nth.weekNumber <= 4 && (startDay - 1) / 7 + 1 == nth.weekNumber;
        }
        return monthDays.isEmpty() || (monthDays.size() == 1 && monthDays.first() == startDay);
    default:  // yearly
        if (!weekdays.isEmpty() || !nthWeekdays.isEmpty()) return false;
        if (!monthDays.isEmpty() && (monthDays.size() > 1 || monthDays.first() != startDay)) return false;
        return months.isEmpty() || (months.size() == 1 && months.first() == start.month);
    }
}

}  // namespace

namespace ICalendarFileShared {

bool ruleMayRunAway(const icalrecurrencetype& recurrence)
{
    if (recurrence.freq != ICAL_HOURLY_RECURRENCE && recurrence.freq != ICAL_MINUTELY_RECURRENCE
        && recurrence.freq != ICAL_SECONDLY_RECURRENCE)
        return false;
    const auto names = [](const short* values) { return values[0] != ICAL_RECURRENCE_ARRAY_MAX; };
    return names(recurrence.by_day) || names(recurrence.by_month_day) || names(recurrence.by_year_day)
           || names(recurrence.by_week_no) || names(recurrence.by_month);
}

bool usableFields(const icaltimetype& time)
{
    return !icaltime_is_null_time(time) && time.year >= 1 && time.year <= latestWritableYear && time.month >= 1
           && time.month <= 12 && time.day >= 1 && time.day <= 31 && time.hour >= 0 && time.hour <= 23
           && time.minute >= 0 && time.minute <= 59 && time.second >= 0 && time.second <= 60;
}

// The instant of a time value: a DATE at 00:00 in the system zone, a "Z" time
// in UTC, a time with a TZID in that zone (its IANA zone, or the file's own
// definition; the system zone when neither, logged), a floating time in the
// system zone.
// One UTC zone shared by every time read: each QTimeZone::utc() is an
// allocation of its own, which every event of a large store kept.
static const QTimeZone& sharedUtc()
{
    static const QTimeZone utc = QTimeZone::utc();
    return utc;
}

ReadTime readTime(icalproperty* property, const icaltimetype& time, QStringList* problems)
{
    ReadTime read;
    if (!usableFields(time)) return read;
    read.isDate = time.is_date;
    if (time.is_date) {
        read.zone = GregorianCalendar::systemZone();
    } else if (icaltime_is_utc(time)) {
        read.zone = sharedUtc();
        read.utc = true;
    } else if (icalparameter* parameter = icalproperty_get_first_parameter(property, ICAL_TZID_PARAMETER)) {
        const QString name = tzidOf(property, parameter);
        const FileZone zone = fileZoneOf(property, name);
        if (zone.zone.isValid()) {
            read.zone = zone.zone;
            read.tzid = zone.iana;
        } else if (zone.foreign) {
            read.zone = GregorianCalendar::systemZone();
            read.foreign = zone.foreign;
            read.instant = zone.foreign->instant(time.year, time.month, time.day, time.hour, time.minute, time.second);
            return read;
        } else {
            read.zone = GregorianCalendar::systemZone();
            read.unknownZone = true;
            problems->append(QStringLiteral("the zone \"%1\" is unknown; read in the system time zone").arg(name));
        }
    } else {
        read.zone = GregorianCalendar::systemZone();
    }
    read.instant = GregorianCalendar::dateFromFields(time.year, time.month, time.day, time.is_date ? 0 : time.hour,
                                                     time.is_date ? 0 : time.minute,
                                                     time.is_date ? 0 : time.second, read.zone);
    return read;
}

Date untilInstant(const icaltimetype& until, bool ofAllDaySeries)
{
    if (!usableFields(until)) return Date();
    // All-day occurrences are days of the system zone: an instant of UTC
    // would end such a series a day later east of UTC than west of it.
    const QTimeZone zone = icaltime_is_utc(until) && !ofAllDaySeries ? sharedUtc() : GregorianCalendar::systemZone();
    if (until.is_date || ofAllDaySeries)
        return GregorianCalendar::dateFromFields(until.year, until.month, until.day, 23, 59, 59, zone);
    return GregorianCalendar::dateFromFields(until.year, until.month, until.day, until.hour, until.minute,
                                             until.second, zone);
}

icaltimetype wallTime(const Date& date, const QTimeZone& zone, bool isDate)
{
    const DateFields fields = GregorianCalendar::fields(date, zone);
    icaltimetype time = icaltime_null_time();
    time.year = fields.year;
    time.month = fields.month;
    time.day = fields.day;
    time.is_date = isDate;
    if (!isDate) {
        time.hour = fields.hour;
        time.minute = fields.minute;
        time.second = fields.second;
    }
    return time;
}

// The end of a VEVENT: its DTEND, else its start plus its DURATION, else
// its start (the next day for an all-day event); never before its start.
Date endOf(icalcomponent* component, const Date& start, bool allDay, QStringList* problems)
{
    Date end;
    if (icalproperty* endProperty = icalcomponent_get_first_property(component, ICAL_DTEND_PROPERTY))
        end = readTime(endProperty, icalproperty_get_dtend(endProperty), problems).instant;
    if (!end) {
        if (icalproperty* duration = icalcomponent_get_first_property(component, ICAL_DURATION_PROPERTY))
            end = start.dateByAddingTimeInterval(std::max(0, icaldurationtype_as_int(icalproperty_get_duration(duration))));
        else
            end = start;
    }
    // An all-day event lasts at least its day: a DTEND equal to its DTSTART
    // (as some programs write a one-day event) is read as the day after.
    if (allDay && !(end > start)) end = GregorianCalendar::dateOnDayOf(start, 86400);
    if (end < start) end = start;
    return end;
}

bool startFloats(icalcomponent* event)
{
    icalproperty* start = event ? icalcomponent_get_first_property(event, ICAL_DTSTART_PROPERTY) : nullptr;
    if (!start || icalproperty_get_first_parameter(start, ICAL_TZID_PARAMETER)) return false;
    const icaltimetype time = icalproperty_get_dtstart(start);
    return !time.is_date && !icaltime_is_utc(time);
}

icaltimetype exceptionTime(icalproperty* exdate, bool ofFloatingStart)
{
    icaltimetype time = icalproperty_get_exdate(exdate);
    if (ofFloatingStart && !time.is_date && icaltime_is_utc(time) && !icalproperty_get_first_parameter(exdate, ICAL_TZID_PARAMETER))
        time.zone = nullptr;
    return time;
}

std::optional<CalRecurrenceRule> ruleOf(const icalrecurrencetype& recurrence, const icaltimetype& start)
{
    std::optional<CalRecurrenceEnd> end;
    if (!icaltime_is_null_time(recurrence.until)) {
        const Date until = untilInstant(recurrence.until, start.is_date);
        if (until) end = CalRecurrenceEnd::recurrenceEndWithEndDate(until);
    } else if (recurrence.count > 0) {
        end = CalRecurrenceEnd::recurrenceEndWithOccurrenceCount(recurrence.count);
    }
    const int interval = recurrence.interval;
    QList<int> weekdays;
    QList<CalNthWeekDay> nthWeekdays;
    for (short day : encodedList(recurrence.by_day, ICAL_BY_DAY_SIZE)) {
        const int weekday = icalrecurrencetype_day_day_of_week(day);
        const int position = icalrecurrencetype_day_position(day);
        if (weekday < 1 || weekday > 7) continue;
        if (position == 0)
            weekdays << weekday;
        else
            nthWeekdays << CalNthWeekDay{weekday, position};
    }
    QList<int> monthDays;
    for (short day : encodedList(recurrence.by_month_day, ICAL_BY_MONTHDAY_SIZE)) monthDays << day;
    QList<int> months;
    for (short month : encodedList(recurrence.by_month, ICAL_BY_MONTH_SIZE)) months << month;

    if (!organizerHolds(recurrence, start, weekdays, nthWeekdays, monthDays, months)) {
        const CalRecurrenceRule::Type frequency = recurrence.freq == ICAL_DAILY_RECURRENCE     ? CalRecurrenceRule::Daily
                                                  : recurrence.freq == ICAL_WEEKLY_RECURRENCE  ? CalRecurrenceRule::Weekly
                                                  : recurrence.freq == ICAL_MONTHLY_RECURRENCE ? CalRecurrenceRule::Monthly
                                                                                               : CalRecurrenceRule::Yearly;
        return CalRecurrenceRule::initOtherRecurrenceWithInterval(interval, end, frequency);
    }

    switch (recurrence.freq) {
    case ICAL_DAILY_RECURRENCE:
        // Every day of a few weekdays is every week on them (the start
        // still being the first occurrence either way).
        if (interval <= 1 && !weekdays.isEmpty() && nthWeekdays.isEmpty() && monthDays.isEmpty() && months.isEmpty())
            return CalRecurrenceRule::initWeeklyRecurrenceWithInterval(1, weekdays, end);
        return CalRecurrenceRule::initDailyRecurrenceWithInterval(interval, end);
    case ICAL_WEEKLY_RECURRENCE:
        return CalRecurrenceRule::initWeeklyRecurrenceWithInterval(interval, weekdays, end);
    case ICAL_MONTHLY_RECURRENCE:
        if (!nthWeekdays.isEmpty())
            return CalRecurrenceRule::initMonthlyRecurrenceWithInterval(interval, nthWeekdays.first().dayOfTheWeek,
                                                                        nthWeekdays.first().weekNumber, end);
        return CalRecurrenceRule::initMonthlyRecurrenceWithInterval(interval, monthDays, end);
    case ICAL_YEARLY_RECURRENCE:
        return CalRecurrenceRule::initYearlyRecurrenceWithInterval(interval, months, end);
    case ICAL_NO_RECURRENCE: return std::nullopt;
    default:
        // A frequency the organizer does not map: the store still expands it
        // from the file's own text.
        return CalRecurrenceRule::initOtherRecurrenceWithInterval(interval, end);
    }
}

std::optional<CalRecurrenceRule> ruleOfEvent(icalcomponent* event, QList<QByteArray>* texts)
{
    QList<icalrecurrencetype> rules;
    QList<QByteArray> written;
    for (icalproperty* p = icalcomponent_get_first_property(event, ICAL_RRULE_PROPERTY); p;
         p = icalcomponent_get_next_property(event, ICAL_RRULE_PROPERTY)) {
        icalrecurrencetype recurrence = icalproperty_get_rrule(p);
        char* text = icalrecurrencetype_as_string_r(&recurrence);
        const QByteArray ruleText(text ? text : "");
        icalmemory_free_buffer(text);
        if (recurrence.freq == ICAL_NO_RECURRENCE || written.contains(ruleText)) continue;
        rules << recurrence;
        written << ruleText;
    }
    if (texts) *texts = written;
    if (rules.isEmpty()) return std::nullopt;
    icalproperty* startProperty = icalcomponent_get_first_property(event, ICAL_DTSTART_PROPERTY);
    const icaltimetype start = startProperty ? icalproperty_get_dtstart(startProperty) : icaltime_null_time();
    if (rules.size() == 1) {
        const std::optional<CalRecurrenceRule> rule = ruleOf(rules.first(), start);
        // A rule that ends before its start gives the start alone, which is
        // always the first occurrence; the organizer's own series would end
        // before it and show nothing, so it holds no such rule.
        const std::optional<CalRecurrenceEnd> end = rule ? rule->recurrenceEnd() : std::nullopt;
        if (!end || !end->usesEndDate() || rule->recurrenceType() == CalRecurrenceRule::Other) return rule;
        QStringList ignored;
        const Date first = readTime(startProperty, start, &ignored).instant;
        if (!first || !(end->endDate() < first)) return rule;
        return CalRecurrenceRule::initOtherRecurrenceWithInterval(rule->recurrenceInterval(), end,
                                                                  CalRecurrenceRule::Type(rule->recurrenceType()));
    }
    // Several rules: the series is their union (RFC 5545), which no rule of
    // the organizer holds; the store expands every one of them.
    const std::optional<CalRecurrenceRule> first = ruleOf(rules.first(), start);
    if (!first) return std::nullopt;
    return CalRecurrenceRule::initOtherRecurrenceWithInterval(first->recurrenceInterval(), std::nullopt,
                                                              first->recurrenceType() == CalRecurrenceRule::Other
                                                                  ? first->otherFrequency()
                                                                  : CalRecurrenceRule::Type(first->recurrenceType()));
}

Date recurrenceIdOf(icalproperty* property, bool ofAllDaySeries, QStringList* problems)
{
    const icaltimetype time = icalproperty_get_recurrenceid(property);
    if (!ofAllDaySeries || time.is_date || !usableFields(time)) return readTime(property, time, problems).instant;
    return GregorianCalendar::dateFromFields(time.year, time.month, time.day, 0, 0, 0, GregorianCalendar::systemZone());
}

bool supersedes(icalcomponent* later, icalcomponent* earlier)
{
    return icalcomponent_get_sequence(later) >= icalcomponent_get_sequence(earlier);
}

icalcomponent* masterOfEvents(const QList<icalcomponent*>& events)
{
    icalcomponent* master = nullptr;
    for (icalcomponent* event : events)
        if (!icalcomponent_get_first_property(event, ICAL_RECURRENCEID_PROPERTY) && (!master || supersedes(event, master)))
            master = event;
    return master;
}

}  // namespace ICalendarFileShared

namespace {

// Other programs call one occurrence of a series off by a changed
// occurrence with this status (and keep it in the file).
bool isCancelled(icalcomponent* component)
{
    icalproperty* status = icalcomponent_get_first_property(component, ICAL_STATUS_PROPERTY);
    return status && icalproperty_get_status(status) == ICAL_STATUS_CANCELLED;
}

bool readEvent(icalcomponent* component, ICalEventData* event, QStringList* problems, const QString& uidWhenNone)
{
    event->uid = propertyText(component, ICAL_UID_PROPERTY);
    if (event->uid.isEmpty() && !icalcomponent_get_first_property(component, ICAL_UID_PROPERTY)) event->uid = uidWhenNone;
    if (event->uid.isEmpty()) {
        problems->append(QStringLiteral("an event without UID is skipped"));
        return false;
    }
    if (!usableUid(event->uid)) {
        problems->append(QStringLiteral("an event whose UID holds control characters is skipped"));
        return false;
    }
    icalproperty* startProperty = icalcomponent_get_first_property(component, ICAL_DTSTART_PROPERTY);
    const ReadTime start =
        startProperty ? readTime(startProperty, icalproperty_get_dtstart(startProperty), problems) : ReadTime();
    if (!start.instant) {
        problems->append(QStringLiteral("the event %1 has no usable DTSTART and is skipped").arg(event->uid));
        return false;
    }
    event->start = start.instant;
    event->allDay = start.isDate;
    event->timeZone = start.tzid;
    event->wallZone = start.zone;
    event->inUTC = start.utc;
    event->wallForeign = start.foreign;
    event->title = propertyText(component, ICAL_SUMMARY_PROPERTY);
    event->location = propertyText(component, ICAL_LOCATION_PROPERTY);
    event->notes = propertyText(component, ICAL_DESCRIPTION_PROPERTY);
    event->url = propertyText(component, ICAL_URL_PROPERTY);
    event->cancelled = isCancelled(component);

    event->end = endOf(component, event->start, event->allDay, problems);

    event->rule = ruleOfEvent(component, &event->ruleTexts);
    if (event->ruleTexts.size() > 1)
        problems->append(QStringLiteral("the event %1 repeats by %2 rules together; shown as they give it, kept as they stand")
                             .arg(event->uid)
                             .arg(event->ruleTexts.size()));
    const bool floats = startFloats(component);
    for (icalproperty* p = icalcomponent_get_first_property(component, ICAL_EXDATE_PROPERTY); p;
         p = icalcomponent_get_next_property(component, ICAL_EXDATE_PROPERTY)) {
        const Date date = readTime(p, exceptionTime(p, floats), problems).instant;
        if (date) event->exceptionDates << date;
    }
    for (icalproperty* p = icalcomponent_get_first_property(component, ICAL_RDATE_PROPERTY); p;
         p = icalcomponent_get_next_property(component, ICAL_RDATE_PROPERTY)) {
        // A period's start is its date; its own end is not kept.
        const icaldatetimeperiodtype value = icalproperty_get_rdate(p);
        const icaltimetype time = icaltime_is_null_time(value.time) ? value.period.start : value.time;
        const Date date = readTime(p, time, problems).instant;
        if (date) event->recurrenceDates << date;
    }
    if (icalproperty* p = icalcomponent_get_first_property(component, ICAL_RECURRENCEID_PROPERTY)) {
        event->recurrenceId = recurrenceIdOf(p, false, problems);
        if (icalparameter* range = icalproperty_get_first_parameter(p, ICAL_RANGE_PARAMETER))
            event->thisAndFuture = icalparameter_get_range(range) == ICAL_RANGE_THISANDFUTURE;
        if (!event->recurrenceId) {
            problems->append(QStringLiteral("a changed occurrence of %1 has no usable RECURRENCE-ID").arg(event->uid));
            return false;
        }
    }
    return true;
}

// The events of a parsed file (or of a document in memory); root stays the caller's.
// Of two masters, or two changes of one occurrence, the one with the
// higher SEQUENCE counts, the later one in the file when they are equal, as
// other readers take them; the other stays in the file as it is.
std::optional<ICalEventFileData> eventsOfRoot(icalcomponent* root, QString* problem, const QString& uidWhenNone = {})
{
    const ICalForeignZone::ReadMemo zones;
    QStringList problems;
    QList<std::pair<icalcomponent*, ICalEventData>> read;
    for (icalcomponent* component : componentsOf(root, ICAL_VEVENT_COMPONENT)) {
        ICalEventData event;
        if (readEvent(component, &event, &problems, uidWhenNone)) read.append({component, event});
    }
    ICalEventFileData file;
    // The file is its master's: changed occurrences may come first, and one
    // of another uid among them must not take the file over.
    const auto master = std::find_if(read.cbegin(), read.cend(), [](const auto& e) { return !e.second.recurrenceId; });
    if (master != read.cend()) file.uid = master->second.uid;
    else if (!read.isEmpty()) file.uid = read.first().second.uid;
    QList<icalcomponent*> own;
    for (const auto& [component, event] : read) {
        if (event.uid == file.uid) own << component;
        else problems << QStringLiteral("an event of another uid (%1) is kept in the file as it is, not shown").arg(event.uid);
    }
    icalcomponent* masterComponent = masterOfEvents(own);
    QHash<qint64, icalcomponent*> changeOf;  // the component that counts for each occurrence
    for (const auto& [component, event] : read) {
        if (event.uid != file.uid) continue;
        if (component == masterComponent) {
            file.master = event;
        } else if (!event.recurrenceId) {
            problems << QStringLiteral("a superseded master of %1 (a lower or equal SEQUENCE before another) is kept, not shown").arg(event.uid);
        }
    }
    for (const auto& [component, event] : read) {
        if (event.uid != file.uid || !event.recurrenceId) continue;
        ICalEventData change = event;
        // An all-day series' change names its day, whatever time of day
        // (00:00 in UTC, say) its RECURRENCE-ID gives.
        if (file.master && file.master->allDay) {
            QStringList ignored;
            change.recurrenceId = recurrenceIdOf(icalcomponent_get_first_property(component, ICAL_RECURRENCEID_PROPERTY), true, &ignored);
        }
        const qint64 occurrence = key(change.recurrenceId);
        icalcomponent*& counted = changeOf[occurrence];
        if (counted && !supersedes(component, counted)) {
            problems << QStringLiteral("a superseded change of %1 (its occurrence changed twice) is kept, not shown").arg(event.uid);
            continue;
        }
        if (counted) {
            problems << QStringLiteral("a superseded change of %1 (its occurrence changed twice) is kept, not shown").arg(event.uid);
            file.overrides.removeIf([occurrence](const ICalEventData& e) { return key(e.recurrenceId) == occurrence; });
        }
        counted = component;
        file.overrides << change;
    }
    if (file.uid.isEmpty()) problems.prepend(QStringLiteral("no usable VEVENT"));
    problems.removeDuplicates();
    if (problem) *problem = problems.join(QStringLiteral("; "));
    if (file.uid.isEmpty()) return std::nullopt;
    return file;
}

}  // namespace

std::optional<ICalEventFileData> ICalendarFile::readEvents(const QByteArray& bytes, QString* problem,
                                                          const QString& uidWhenNone)
{
    prepareLibical();
    icalcomponent* root = parseText(bytes);
    if (!root) {
        if (problem) *problem = QStringLiteral("not an iCalendar file");
        return std::nullopt;
    }
    auto file = eventsOfRoot(root, problem, uidWhenNone);
    icalcomponent_free(root);
    return file;
}

std::optional<ICalEventFileData> ICalendarFile::events(QString* problem) const
{
    prepareLibical();
    return eventsOfRoot(m_root, problem);
}

namespace {

// One value of a date property in the text form the sync's date reader
// takes; a list value ("a,b") gives one text per date.
QStringList dateTexts(icalproperty* property)
{
    QStringList texts;
    if (!property) return texts;
    const char* raw = icalproperty_get_value_as_string(property);
    if (!raw) return texts;
    QString prefix;
    const icalvalue* value = icalproperty_get_value(property);
    if (value && icalvalue_isa(value) == ICAL_DATE_VALUE) {
        // A day has no zone, whatever parameter it carries.
        prefix = QStringLiteral("VALUE=DATE:");
    } else if (icalparameter* parameter = icalproperty_get_first_parameter(property, ICAL_TZID_PARAMETER)) {
        // The text ends a zone's name at its first ":" and a list at ",": a
        // name holding either goes by the IANA zone it stands for, if any.
        QString zone = tzidOf(property, parameter);
        if (zone.contains(QLatin1Char(',')) || zone.contains(QLatin1Char(':'))) zone = fileZoneOf(property, zone).iana;
        if (!zone.isEmpty()) prefix = QStringLiteral("TZID=") + zone + QLatin1Char(':');
    }
    for (const QString& part : QString::fromUtf8(raw).split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QString date = part.trimmed();
        if (date.isEmpty()) continue;
        // A list may mix forms; a bare day in it is a DATE.
        if (prefix.isEmpty() && date.size() == 8) texts << QStringLiteral("VALUE=DATE:") + date;
        else texts << prefix + date;
    }
    return texts;
}

QString firstDateText(icalcomponent* component, icalproperty_kind kind)
{
    const QStringList texts = dateTexts(icalcomponent_get_first_property(component, kind));
    return texts.isEmpty() ? QString() : texts.first();
}

}  // namespace

std::optional<ICalExceptionTexts> ICalendarFile::readExceptionTexts(const QByteArray& bytes, QString* problem,
                                                                    const QString& uidWhenNone)
{
    prepareLibical();
    icalcomponent* root = parseText(bytes);
    if (!root) {
        if (problem) *problem = QStringLiteral("not an iCalendar file");
        return std::nullopt;
    }
    const QList<icalcomponent*> events = componentsOf(root, ICAL_VEVENT_COMPONENT);
    if (events.isEmpty()) {
        icalcomponent_free(root);
        if (problem) *problem = QStringLiteral("no VEVENT");
        return std::nullopt;
    }
    ICalExceptionTexts texts;
    // The VEVENTs of other uids in the file are not this series' occurrences.
    // The series is the one the store reads: a VEVENT without UID is read
    // under uidWhenNone, so the change of another uid beside it, or a first
    // VEVENT the store cannot read, must not stand for it.
    const auto uidOf = [&uidWhenNone](icalcomponent* event) {
        return icalcomponent_get_first_property(event, ICAL_UID_PROPERTY) ? propertyText(event, ICAL_UID_PROPERTY)
                                                                           : uidWhenNone;
    };
    const std::optional<ICalEventFileData> read = eventsOfRoot(root, nullptr, uidWhenNone);
    const QString uid = read ? read->uid : ownUidOf(events);
    QList<icalcomponent*> own;
    for (icalcomponent* event : events)
        if (uidOf(event) == uid) own << event;
    // The master and the changes that count, as the store reads them.
    icalcomponent* master = masterOfEvents(own);
    icalproperty* masterStart = master ? icalcomponent_get_first_property(master, ICAL_DTSTART_PROPERTY) : nullptr;
    const bool allDay = masterStart && icalproperty_get_dtstart(masterStart).is_date;
    QList<std::pair<Date, icalcomponent*>> changes;
    for (icalcomponent* event : own) {
        icalproperty* recurrenceId = icalcomponent_get_first_property(event, ICAL_RECURRENCEID_PROPERTY);
        if (!recurrenceId) continue;
        QStringList ignored;
        const Date occurrence = recurrenceIdOf(recurrenceId, allDay, &ignored);
        const auto same = std::find_if(changes.begin(), changes.end(), [&occurrence](const auto& c) {
            return occurrence && c.first && key(c.first) == key(occurrence);
        });
        if (same == changes.end()) changes.append({occurrence, event});
        else if (supersedes(event, same->second)) same->second = event;
    }
    if (master) {
        texts.masterStart = firstDateText(master, ICAL_DTSTART_PROPERTY);
        const bool floats = startFloats(master);
        for (icalproperty* p = icalcomponent_get_first_property(master, ICAL_EXDATE_PROPERTY); p;
             p = icalcomponent_get_next_property(master, ICAL_EXDATE_PROPERTY))
            for (const QString& text : dateTexts(p))
                // (a "Z" time's text has no prefix and ends with its "Z")
                texts.exceptionDates << (floats && text.size() == 16 && text.endsWith(QLatin1Char('Z')) ? text.chopped(1) : text);
    }
    for (const auto& [date, event] : changes) {
        QString occurrence = firstDateText(event, ICAL_RECURRENCEID_PROPERTY);
        // An all-day series' change names its day (see recurrenceIdOf).
        if (allDay && date && !occurrence.isEmpty() && !occurrence.startsWith(QLatin1String("VALUE=DATE:"))) {
            const DateFields day = GregorianCalendar::fields(date);
            occurrence = QStringLiteral("VALUE=DATE:%1%2%3")
                             .arg(day.year, 4, 10, QLatin1Char('0'))
                             .arg(day.month, 2, 10, QLatin1Char('0'))
                             .arg(day.day, 2, 10, QLatin1Char('0'));
        }
        // A cancelled occurrence is a deleted one for the organizer.
        if (master && isCancelled(event)) {
            if (!occurrence.isEmpty()) texts.exceptionDates << occurrence;
            continue;
        }
        texts.changed << ICalExceptionTexts::Changed{firstDateText(event, ICAL_DTSTART_PROPERTY), occurrence};
    }
    icalcomponent_free(root);
    if (problem) problem->clear();
    return texts;
}

namespace {

// The task of a parsed file (or of a document in memory); root stays the caller's.
std::optional<ICalTaskData> taskOfRoot(icalcomponent* root, QString* problem)
{
    QStringList problems;
    std::optional<ICalTaskData> task;
    const QList<icalcomponent*> todos = componentsOf(root, ICAL_VTODO_COMPONENT);
    if (!todos.isEmpty()) {
        icalcomponent* component = todos.first();
        ICalTaskData read;
        read.uid = propertyText(component, ICAL_UID_PROPERTY);
        read.title = propertyText(component, ICAL_SUMMARY_PROPERTY);
        read.notes = propertyText(component, ICAL_DESCRIPTION_PROPERTY);
        read.url = propertyText(component, ICAL_URL_PROPERTY);
        if (icalproperty* due = icalcomponent_get_first_property(component, ICAL_DUE_PROPERTY))
            read.due = readTime(due, icalproperty_get_due(due), &problems).instant;
        if (icalproperty* status = icalcomponent_get_first_property(component, ICAL_STATUS_PROPERTY))
            read.completed = icalproperty_get_status(status) == ICAL_STATUS_COMPLETED;
        if (icalproperty* completed = icalcomponent_get_first_property(component, ICAL_COMPLETED_PROPERTY)) {
            read.completedDate = readTime(completed, icalproperty_get_completed(completed), &problems).instant;
            if (read.completedDate) read.completed = true;
        }
        if (read.uid.isEmpty() || !usableUid(read.uid))
            problems << QStringLiteral("a task without a usable UID");
        else
            task = read;
    } else {
        problems << QStringLiteral("no VTODO");
    }
    if (problem) *problem = problems.join(QStringLiteral("; "));
    return task;
}

}  // namespace

std::optional<ICalTaskData> ICalendarFile::readTask(const QByteArray& bytes, QString* problem)
{
    prepareLibical();
    icalcomponent* root = parseText(bytes);
    if (!root) {
        if (problem) *problem = QStringLiteral("not an iCalendar file");
        return std::nullopt;
    }
    auto read = taskOfRoot(root, problem);
    icalcomponent_free(root);
    return read;
}

std::optional<ICalTaskData> ICalendarFile::task(QString* problem) const
{
    prepareLibical();
    return taskOfRoot(m_root, problem);
}
