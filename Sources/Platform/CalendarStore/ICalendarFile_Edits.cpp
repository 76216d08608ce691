#include "ICalendarFile.h"
#include "ICalendarFileShared.h"

#include "GregorianCalendar.h"

#include <QHash>

#include <algorithm>
#include <cmath>
#include <mutex>
#include <unordered_map>

using namespace ICalendarFileShared;

namespace {

// Whether libical holds a definition of the zone to write into a file,
// asked once per name: its lookup walks the whole list of zones by name,
// and an export asks it for each of thousands of files in a few zones.
bool hasBuiltinDefinition(const QString& name)
{
    static std::mutex mutex;
    static QHash<QString, bool> answers;
    std::lock_guard lock(mutex);
    auto found = answers.constFind(name);
    if (found == answers.constEnd())
        found = answers.insert(name, icaltimezone_get_builtin_timezone(name.toUtf8().constData()) != nullptr);
    return *found;
}

void setShortList(short* target, int size, const QList<short>& values)
{
    int i = 0;
    for (; i < size - 1 && i < values.size(); ++i) target[i] = values[i];
    target[i] = ICAL_RECURRENCE_ARRAY_MAX;
}

// A BYDAY entry as libical keeps it: the weekday plus 8 times the week's
// position, negative for a position counted from the month's end.
short encodedDay(int weekday, int position)
{
    const int magnitude = std::abs(position) * 8 + weekday;
    return static_cast<short>(position < 0 ? -magnitude : magnitude);
}

// The UNTIL of a series: a day for an all-day series, a wall-clock time for
// one in floating time (the form of its start, as other readers want it),
// else UTC.
icaltimetype untilOf(const Date& last, bool allDay, bool floating)
{
    if (allDay) return wallTime(last, GregorianCalendar::systemZone(), true);
    if (floating) return wallTime(last, GregorianCalendar::systemZone(), false);
    return icaltime_from_timet_with_zone(last.wholeSecondsSince1970(), 0, icaltimezone_get_utc_timezone());
}

icalrecurrencetype recurrenceOf(const CalRecurrenceRule& rule, bool allDay, bool floating)
{
    icalrecurrencetype recurrence;
    icalrecurrencetype_clear(&recurrence);
    switch (rule.recurrenceType()) {
    case CalRecurrenceRule::Weekly: recurrence.freq = ICAL_WEEKLY_RECURRENCE; break;
    case CalRecurrenceRule::Monthly: recurrence.freq = ICAL_MONTHLY_RECURRENCE; break;
    case CalRecurrenceRule::Yearly: recurrence.freq = ICAL_YEARLY_RECURRENCE; break;
    default: recurrence.freq = ICAL_DAILY_RECURRENCE; break;
    }
    recurrence.interval = static_cast<short>(std::clamp(rule.recurrenceInterval(), 1, 1000));
    QList<short> days;
    for (int day : rule.daysOfTheWeek())
        days << encodedDay(day, 0);
    for (const CalNthWeekDay& nth : rule.nthWeekDaysOfTheMonth())
        days << encodedDay(nth.dayOfTheWeek, nth.weekNumber);
    setShortList(recurrence.by_day, ICAL_BY_DAY_SIZE, days);
    // The organizer's weeks begin on Sunday; every other week on several
    // days groups the days by them (other readers' weeks begin on Monday).
    if (rule.recurrenceType() == CalRecurrenceRule::Weekly && recurrence.interval > 1 && days.size() > 1)
        recurrence.week_start = ICAL_SUNDAY_WEEKDAY;
    QList<short> monthDays;
    for (int day : rule.daysOfTheMonth()) monthDays << static_cast<short>(day);
    setShortList(recurrence.by_month_day, ICAL_BY_MONTHDAY_SIZE, monthDays);
    QList<short> months;
    for (int month : rule.monthsOfTheYear()) months << static_cast<short>(month);
    setShortList(recurrence.by_month, ICAL_BY_MONTH_SIZE, months);
    if (const auto& end = rule.recurrenceEnd()) {
        if (end->usesEndDate())
            recurrence.until = untilOf(end->endDate(), allDay, floating);
        else if (end->occurrenceCount() > 0)
            recurrence.count = end->occurrenceCount();
    }
    return recurrence;
}

// The VEVENTs of a uid in every calendar object of the file, in file order
// (of the other uids when other is set).
QList<icalcomponent*> eventsOfUid(icalcomponent* root, const QString& uid, bool other = false)
{
    QList<icalcomponent*> events;
    for (icalcomponent* c : componentsOf(root, ICAL_VEVENT_COMPONENT))
        if ((propertyText(c, ICAL_UID_PROPERTY) == uid) != other) events << c;
    return events;
}

// The master the store reads (the later of two unless its SEQUENCE is lower):
// an edit writes into the one every reader shows.
icalcomponent* masterOf(icalcomponent* root, const QString& uid)
{
    return masterOfEvents(eventsOfUid(root, uid));
}

// The calendar object a new component of the uid goes into: the one of its
// master, else of its first component, else the file's first.
icalcomponent* calendarFor(icalcomponent* root, const QString& uid)
{
    icalcomponent* near = masterOf(root, uid);
    if (!near) {
        const QList<icalcomponent*> own = eventsOfUid(root, uid);
        if (!own.isEmpty()) near = own.first();
    }
    if (near && icalcomponent_get_parent(near)) return icalcomponent_get_parent(near);
    return calendarsOf(root).value(0, root);
}

void removeComponents(const QList<icalcomponent*>& doomed)
{
    for (icalcomponent* c : doomed) {
        if (icalcomponent* calendar = icalcomponent_get_parent(c)) icalcomponent_remove_component(calendar, c);
        icalcomponent_free(c);
    }
}

// How a file writes a time: a DATE, a time in a named zone or in a zone only
// the file defines (foreign, under the file's own TZID), a floating
// wall-clock time, or UTC.
struct TimeForm {
    bool isDate = false;
    QString tzid;
    std::shared_ptr<const ICalForeignZone> foreign;
    bool floating = false;
    bool utc = false;  // as read: a time in UTC
};

TimeForm formOfTime(icalproperty* time)
{
    TimeForm form;
    const icalvalue* value = time ? icalproperty_get_value(time) : nullptr;
    if (!value) return form;
    const icaltimetype when = icalvalue_get_datetimedate(value);
    form.isDate = when.is_date;
    if (icalparameter* tzid = icalproperty_get_first_parameter(time, ICAL_TZID_PARAMETER)) {
        bool known = false;
        const QString name = text(icalparameter_get_tzid(tzid));
        zoneOfName(name, &known);
        if (known) {
            form.tzid = name;
        } else if (const FileZone zone = fileZoneOf(time, name); zone.foreign && !zone.zone.isValid()) {
            form.tzid = name;
            form.foreign = zone.foreign;
        }
    } else {
        form.floating = !form.isDate && !icaltime_is_utc(when);
        form.utc = !form.isDate && icaltime_is_utc(when);
    }
    return form;
}

// How the master writes its start.
TimeForm formOf(icalcomponent* master)
{
    return formOfTime(master ? icalcomponent_get_first_property(master, ICAL_DTSTART_PROPERTY) : nullptr);
}

// The master's dates as read back, to find exceptions by date.
QList<std::pair<icalproperty*, Date>> datesOf(icalcomponent* component, icalproperty_kind kind)
{
    QList<std::pair<icalproperty*, Date>> dates;
    QStringList ignored;
    const bool floats = kind == ICAL_EXDATE_PROPERTY && startFloats(component);
    for (icalproperty* p = icalcomponent_get_first_property(component, kind); p;
         p = icalcomponent_get_next_property(component, kind)) {
        icaltimetype time = icaltime_null_time();
        if (kind == ICAL_EXDATE_PROPERTY) {
            time = exceptionTime(p, floats);
        } else if (kind == ICAL_RDATE_PROPERTY) {
            const icaldatetimeperiodtype value = icalproperty_get_rdate(p);
            time = icaltime_is_null_time(value.time) ? value.period.start : value.time;
        } else {
            time = icalproperty_get_recurrenceid(p);
        }
        dates.append({p, readTime(p, time, &ignored).instant});
    }
    return dates;
}

// The RECURRENCE-ID of a change and the occurrence it names as the store
// reads it (an all-day series' change names its day).
QList<std::pair<icalproperty*, Date>> recurrenceIdsOf(icalcomponent* changed, icalcomponent* master)
{
    QList<std::pair<icalproperty*, Date>> dates;
    icalproperty* property = icalcomponent_get_first_property(changed, ICAL_RECURRENCEID_PROPERTY);
    if (!property) return dates;
    icalproperty* masterStart = master ? icalcomponent_get_first_property(master, ICAL_DTSTART_PROPERTY) : nullptr;
    QStringList ignored;
    dates.append({property, recurrenceIdOf(property, masterStart && icalproperty_get_dtstart(masterStart).is_date, &ignored)});
    return dates;
}

icalproperty* timeProperty(icalproperty_kind kind, const Date& date, const TimeForm& form)
{
    icalproperty* property = icalproperty_new(kind);
    icaltimetype time = icaltime_null_time();
    bool inZone = false;
    if (form.isDate) {
        time = wallTime(date, GregorianCalendar::systemZone(), true);
        if (!usableFields(time)) time = wallTime(date, QTimeZone::utc(), true);
    } else if (form.foreign) {
        time = form.foreign->wall(date);
        inZone = usableFields(time);
    } else if (!form.tzid.isEmpty()) {
        bool known = false;
        time = wallTime(date, zoneOfName(form.tzid, &known), false);
        inZone = usableFields(time);
    } else if (form.floating) {
        // Read back in the system zone: only where that gives this instant
        // again (not in the hour a clock change repeats).
        time = wallTime(date, GregorianCalendar::systemZone(), false);
        const bool same = usableFields(time)
                          && key(GregorianCalendar::dateFromFields(time.year, time.month, time.day, time.hour, time.minute,
                                                                   time.second, GregorianCalendar::systemZone()))
                                 == key(date);
        if (same) {
            icalproperty_set_value(property, icalvalue_new_datetime(time));
            return property;
        }
    }
    // A time the zone's rules cannot give as wall-clock time is written in
    // UTC, which every reader takes, rather than as no time at all.
    if (!form.isDate && !inZone)
        time = icaltime_from_timet_with_zone(date.wholeSecondsSince1970(), 0, icaltimezone_get_utc_timezone());
    icalproperty_set_value(property, form.isDate ? icalvalue_new_date(time) : icalvalue_new_datetime(time));
    if (inZone) icalproperty_add_parameter(property, icalparameter_new_tzid(form.tzid.toUtf8().constData()));
    return property;
}

void removeAll(icalcomponent* component, icalproperty_kind kind)
{
    while (icalproperty* p = icalcomponent_get_first_property(component, kind)) {
        icalcomponent_remove_property(component, p);
        icalproperty_free(p);
    }
}

void setText(icalcomponent* component, icalproperty_kind kind, const QString& value)
{
    // The language a text is in is the same after an edit of its words.
    icalproperty* former = icalcomponent_get_first_property(component, kind);
    icalparameter* language = former ? icalproperty_get_first_parameter(former, ICAL_LANGUAGE_PARAMETER) : nullptr;
    if (language) language = icalparameter_new_clone(language);
    removeAll(component, kind);
    // libical's note of an empty value of this property stands for the
    // file's line, which is written back from it: it goes with the value.
    const QByteArray note = QByteArray("No value for ") + icalproperty_kind_to_string(kind) + " property";
    QList<icalproperty*> notes;
    for (icalproperty* p = icalcomponent_get_first_property(component, ICAL_XLICERROR_PROPERTY); p;
         p = icalcomponent_get_next_property(component, ICAL_XLICERROR_PROPERTY)) {
        const char* said = icalproperty_get_xlicerror(p);
        if (said && QByteArray(said).startsWith(note)) notes << p;
    }
    for (icalproperty* p : notes) {
        icalcomponent_remove_property(component, p);
        icalproperty_free(p);
    }
    // libical writes what it is given up to a NUL, escaping only line feeds:
    // a NUL would cut the text, a carriage return or another control
    // character break the file for other readers.
    const QString clean = ICalendarFile::storableText(value, kind != ICAL_URL_PROPERTY);
    if (clean.isEmpty()) {
        if (language) icalparameter_free(language);
        return;
    }
    icalproperty* property = icalproperty_new(kind);
    icalproperty_set_value(property, kind == ICAL_URL_PROPERTY ? icalvalue_new_uri(clean.toUtf8().constData())
                                                               : icalvalue_new_text(clean.toUtf8().constData()));
    if (language) icalproperty_add_parameter(property, language);
    icalcomponent_add_property(component, property);
}

// The span of instants a file's times in a zone cover: from its earliest to
// its latest time there, open at the end when a series in that zone has no
// UNTIL.
struct ZoneSpan {
    Date from;
    Date to;  // null: open
};

ZoneSpan spanOfZone(icalcomponent* calendar, const QString& tzid)
{
    ZoneSpan span;
    bool open = false;
    QStringList ignored;
    const QByteArray name = tzid.toUtf8();
    const auto take = [&](const Date& date) {
        if (!date) return;
        if (!span.from || date < span.from) span.from = date;
        if (!span.to || date > span.to) span.to = date;
    };
    for (icalcomponent* event = icalcomponent_get_first_component(calendar, ICAL_VEVENT_COMPONENT); event;
         event = icalcomponent_get_next_component(calendar, ICAL_VEVENT_COMPONENT)) {
        bool inZone = false;
        for (icalproperty* p = icalcomponent_get_first_property(event, ICAL_ANY_PROPERTY); p;
             p = icalcomponent_get_next_property(event, ICAL_ANY_PROPERTY)) {
            icalparameter* parameter = icalproperty_get_first_parameter(p, ICAL_TZID_PARAMETER);
            if (!parameter || qstrcmp(icalparameter_get_tzid(parameter), name.constData()) != 0) continue;
            const icalproperty_kind kind = icalproperty_isa(p);
            if (kind == ICAL_DTSTART_PROPERTY) {
                inZone = true;
                take(readTime(p, icalproperty_get_dtstart(p), &ignored).instant);
            } else if (kind == ICAL_DTEND_PROPERTY) {
                take(readTime(p, icalproperty_get_dtend(p), &ignored).instant);
            } else if (kind == ICAL_RECURRENCEID_PROPERTY) {
                take(readTime(p, icalproperty_get_recurrenceid(p), &ignored).instant);
            } else if (kind == ICAL_EXDATE_PROPERTY) {
                take(readTime(p, icalproperty_get_exdate(p), &ignored).instant);
            }
        }
        icalproperty* rule = inZone ? icalcomponent_get_first_property(event, ICAL_RRULE_PROPERTY) : nullptr;
        if (!rule) continue;
        const icalrecurrencetype recurrence = icalproperty_get_rrule(rule);
        const Date until = icaltime_is_null_time(recurrence.until) ? Date() : untilInstant(recurrence.until, false);
        if (until) take(until);
        else open = true;
    }
    if (open) span.to = Date();
    return span;
}

icaltimetype utcTime(const Date& date)
{
    return icaltime_from_timet_with_zone(date.wholeSecondsSince1970(), 0, icaltimezone_get_utc_timezone());
}

// The truncation lists the later changes of each observance as RDATEs in
// UTC; inside a zone definition they are local times (the clock the change
// is made from), which stricter readers insist on.
void localObservanceDates(icalcomponent* definition)
{
    for (icalcomponent* observance = icalcomponent_get_first_component(definition, ICAL_ANY_COMPONENT); observance;
         observance = icalcomponent_get_next_component(definition, ICAL_ANY_COMPONENT)) {
        icalproperty* from = icalcomponent_get_first_property(observance, ICAL_TZOFFSETFROM_PROPERTY);
        if (!from) continue;
        const int offset = icalproperty_get_tzoffsetfrom(from);
        for (icalproperty* p = icalcomponent_get_first_property(observance, ICAL_RDATE_PROPERTY); p;
             p = icalcomponent_get_next_property(observance, ICAL_RDATE_PROPERTY)) {
            icaldatetimeperiodtype date = icalproperty_get_rdate(p);
            if (icaltime_is_null_time(date.time) || !icaltime_is_utc(date.time)) continue;
            icaltimetype local = date.time;
            icaltime_adjust(&local, 0, 0, 0, offset);
            local.zone = nullptr;
            date.time = local;
            icalproperty_set_rdate(p, date);
        }
    }
}

// The definition of a zone from the start of the year of `from` to the end
// of the year of `to` (or without end), made once per zone and years: a
// store's files share a few zones and years.
icalcomponent* truncatedDefinition(const QString& tzid, const ZoneSpan& span)
{
    const int firstYear = GregorianCalendar::fields(span.from.dateByAddingTimeInterval(-86400), QTimeZone::utc()).year;
    const int lastYear = span.to ? GregorianCalendar::fields(span.to.dateByAddingTimeInterval(86400), QTimeZone::utc()).year : 0;
    const QString key = QStringLiteral("%1|%2|%3").arg(tzid).arg(firstYear).arg(lastYear);
    struct Free {
        void operator()(icalcomponent* c) const { icalcomponent_free(c); }
    };
    static std::mutex mutex;
    // Owned, so that the definitions are freed with the cache at exit.
    static std::unordered_map<QString, std::unique_ptr<icalcomponent, Free>> made;
    std::lock_guard lock(mutex);
    std::unique_ptr<icalcomponent, Free>& owned = made[key];
    if (!owned) {
        icaltimezone* zone = icaltimezone_get_builtin_timezone(tzid.toUtf8().constData());
        icalcomponent* full = zone ? icaltimezone_get_component(zone) : nullptr;
        if (!full) {
            made.erase(key);
            return nullptr;
        }
        owned.reset(icalcomponent_new_clone(full));
        icalcomponent* definition = owned.get();
        // The truncation keeps the observance in force at the start.
        const icaltimetype to = lastYear ? utcTime(GregorianCalendar::dateFromFields(lastYear + 1, 1, 1, 0, 0, 0, QTimeZone::utc()))
                                         : icaltime_null_time();
        icaltimezone_truncate_vtimezone(
            definition, utcTime(GregorianCalendar::dateFromFields(firstYear, 1, 1, 0, 0, 0, QTimeZone::utc())), to, 0);
        localObservanceDates(definition);
        // The builtin definitions carry libical's own TZID prefix; the events name the zone plainly.
        removeAll(definition, ICAL_TZID_PROPERTY);
        icalcomponent_add_property(definition, icalproperty_new_tzid(tzid.toUtf8().constData()));
    }
    return icalcomponent_new_clone(owned.get());
}

// Writes the definition of a zone the file uses, as other programs expect
// it, covering only the years the file's times in it need (a zone's whole
// history would make every file some kilobytes, read again on every pass).
// A definition the file has under that name already is replaced: the times
// now written there may lie beyond it.
void addZoneDefinition(icalcomponent* calendar, const QString& tzid)
{
    const ZoneSpan span = spanOfZone(calendar, tzid);
    if (!span.from) return;  // no time of the file is in that zone
    icalcomponent* copy = truncatedDefinition(tzid, span);
    if (!copy) return;
    QList<icalcomponent*> former;
    for (icalcomponent* c = icalcomponent_get_first_component(calendar, ICAL_VTIMEZONE_COMPONENT); c;
         c = icalcomponent_get_next_component(calendar, ICAL_VTIMEZONE_COMPONENT)) {
        icalproperty* id = icalcomponent_get_first_property(c, ICAL_TZID_PROPERTY);
        if (id && text(icalproperty_get_tzid(id)) == tzid) former << c;
    }
    for (icalcomponent* c : former) {
        icalcomponent_remove_component(calendar, c);
        icalcomponent_free(c);
    }
    // Zones go before the events, as other programs write them.
    icalcomponent* first = icalcomponent_get_first_component(calendar, ICAL_ANY_COMPONENT);
    if (first) {
        QList<icalcomponent*> rest;
        for (icalcomponent* c = first; c; c = icalcomponent_get_next_component(calendar, ICAL_ANY_COMPONENT))
            rest << c;
        for (icalcomponent* c : rest) icalcomponent_remove_component(calendar, c);
        icalcomponent_add_component(calendar, copy);
        for (icalcomponent* c : rest) icalcomponent_add_component(calendar, c);
    } else {
        icalcomponent_add_component(calendar, copy);
    }
}

void touch(icalcomponent* component)
{
    removeAll(component, ICAL_DTSTAMP_PROPERTY);
    icalcomponent_add_property(component, icalproperty_new_dtstamp(icaltime_current_time_with_zone(
                                              icaltimezone_get_utc_timezone())));
}

// A text property set to a value, left as it is (with its parameters and
// its own spelling) when the file already says the same.
void updateText(icalcomponent* component, icalproperty_kind kind, const QString& value)
{
    // A uid is compared as libical holds it: one read without the blanks at
    // its ends is written without them, so the file says the uid it is read as.
    icalproperty* held = kind == ICAL_UID_PROPERTY ? icalcomponent_get_first_property(component, kind) : nullptr;
    const QString now = held ? text(icalproperty_get_uid(held)) : propertyText(component, kind);
    const bool lineBreaks = kind != ICAL_URL_PROPERTY;
    // A value read with blanks at its ends (which no value written has, the
    // reader drops them) is the file's own spelling, kept unless it holds a
    // character a file may not: a title " x" stays " x".
    const bool spelt = now == value && std::all_of(now.cbegin(), now.cend(), [lineBreaks](QChar c) {
        return c.unicode() >= 0x20 ? c.unicode() != 0x7F : c == QLatin1Char('\t') || (lineBreaks && c == QLatin1Char('\n'));
    });
    if (!spelt && now != ICalendarFile::storableText(value, lineBreaks)) return setText(component, kind, value);
    if (now.isEmpty()) return;
    // The first of several (a broken file's) is the one read: it stays as
    // it is, and the others go.
    icalproperty* first = icalcomponent_get_first_property(component, kind);
    QList<icalproperty*> others;
    for (icalproperty* p = icalcomponent_get_next_property(component, kind); p;
         p = icalcomponent_get_next_property(component, kind))
        others << p;
    for (icalproperty* p : others) {
        if (p == first) continue;
        icalcomponent_remove_property(component, p);
        icalproperty_free(p);
    }
}

// A TZID that names no zone may name one once the file is written: libical
// writes a name with a control character without it, and a broken zone
// definition of that name put together anew. Its times would move.
bool zoneNamesNothing(icalproperty* time, icaltimetype value)
{
    icalparameter* tzid = time ? icalproperty_get_first_parameter(time, ICAL_TZID_PARAMETER) : nullptr;
    if (!tzid) return false;
    if (!usableUid(text(icalparameter_get_tzid(tzid)))) return true;
    QStringList ignored;
    return readTime(time, value, &ignored).unknownZone;
}

// Whether the VEVENT's times already say what the fields say: the same
// instants, both all-day or both timed, in the same zone (a TZID the
// organizer reads as that zone, whatever its spelling or old name; no zone
// for UTC, floating times and zones only the file defines), in lines that
// libical writes as they mean.
bool timesAsWritten(icalcomponent* event, const ICalEventFields& fields, const Date& end)
{
    icalproperty* start = icalcomponent_get_first_property(event, ICAL_DTSTART_PROPERTY);
    if (!start) return false;
    icalproperty* endProperty = icalcomponent_get_first_property(event, ICAL_DTEND_PROPERTY);
    if (zoneNamesNothing(start, icalproperty_get_dtstart(start))
        || (endProperty && zoneNamesNothing(endProperty, icalproperty_get_dtend(endProperty))))
        return false;
    QStringList ignored;
    const ReadTime read = readTime(start, icalproperty_get_dtstart(start), &ignored);
    if (!read.instant || read.isDate != fields.allDay) return false;
    if (!fields.allDay && read.tzid != fields.timeZone && !GregorianCalendar::namesOneZone(read.tzid, fields.timeZone))
        return false;
    if (key(read.instant) != key(fields.start)) return false;
    return key(endOf(event, read.instant, read.isDate, &ignored)) == key(end);
}

void writeEventFields(icalcomponent* root, icalcomponent* event, const QString& uid,
                      const ICalEventFields& fields, bool master)
{
    // Only what changed is written: the properties the organizer does not
    // show, and those it shows unchanged, stay as the file has them.
    updateText(event, ICAL_UID_PROPERTY, uid);
    touch(event);
    updateText(event, ICAL_SUMMARY_PROPERTY, fields.title);
    updateText(event, ICAL_LOCATION_PROPERTY, fields.location);
    updateText(event, ICAL_DESCRIPTION_PROPERTY, fields.notes);
    updateText(event, ICAL_URL_PROPERTY, fields.url);

    TimeForm form;
    form.isDate = fields.allDay;
    bool known = false;
    if (!fields.allDay && !fields.timeZone.isEmpty()) {
        zoneOfName(fields.timeZone, &known);
        if (known && hasBuiltinDefinition(fields.timeZone)) form.tzid = fields.timeZone;
    }
    if (!fields.allDay && fields.timeZone.isEmpty()) {
        const bool ownStart = icalcomponent_get_first_property(event, ICAL_DTSTART_PROPERTY);
        const TimeForm now = formOf(ownStart ? event : masterOf(root, uid));
        icalcomponent* series = master ? nullptr : masterOf(root, uid);
        const bool floatingSeries = series && series != event && formOf(series).floating && !formOf(series).isDate;
        if (now.foreign && !now.isDate) {
            // A zone only the file defines is none the organizer can name:
            // times it holds without a zone stay in the file's zone (a new
            // changed occurrence takes its master's), so the series keeps
            // its wall-clock time there across a clock change.
            form = now;
        } else if (floatingSeries) {
            // A changed occurrence of a floating series floats too: some
            // readers match it to its series only in the series' own form,
            // and show a UTC change beside the occurrence it replaces.
            form.floating = true;
        } else if (ownStart && (now.utc || now.floating)) {
            // A time without a zone keeps the form the file gave it: UTC
            // stays UTC (read the same in every zone), floating stays floating.
            form.floating = now.floating;
        } else if (fields.inUTC) {
            // Instants, as a series in UTC is: it repeats at UTC's clock.
            form.floating = false;
        } else {
            // A series of the organizer's own repeats at its wall-clock time
            // here, across clock changes, as the organizer repeats it: a time
            // in UTC would move by an hour with every change.
            form.floating = master && fields.rule.has_value();
        }
    }
    Date end = fields.end ? fields.end : fields.start;
    Date endWhenLeftOut = fields.start;  // what a missing end means
    if (fields.allDay) {
        // The day of the end given, at least the day after the start.
        const DateFields startDay = GregorianCalendar::fields(fields.start);
        const Date dayAfterStart = GregorianCalendar::dateFromFields(startDay.year, startDay.month, startDay.day + 1, 0, 0, 0);
        if (end < dayAfterStart) end = dayAfterStart;
        endWhenLeftOut = dayAfterStart;
    } else if (end < fields.start) {
        end = fields.start;
    }
    bool zoneSpanChanged = false;
    if (!timesAsWritten(event, fields, end)) {
        // An event the file gave neither end nor length keeps none while it
        // still lasts what that means (no time, or its day): readers differ
        // on an end at the start itself, some giving it a length of their own.
        // A new changed occurrence (no times yet) follows its series.
        icalcomponent* timed = icalcomponent_get_first_property(event, ICAL_DTSTART_PROPERTY) || master
                                   ? event
                                   : masterOf(root, uid);
        const bool endLeftOut = timed && icalcomponent_get_first_property(timed, ICAL_DTSTART_PROPERTY)
                                && !icalcomponent_get_first_property(timed, ICAL_DTEND_PROPERTY)
                                && !icalcomponent_get_first_property(timed, ICAL_DURATION_PROPERTY)
                                && key(end) == key(endWhenLeftOut);
        removeAll(event, ICAL_DTSTART_PROPERTY);
        removeAll(event, ICAL_DTEND_PROPERTY);
        removeAll(event, ICAL_DURATION_PROPERTY);
        icalcomponent_add_property(event, timeProperty(ICAL_DTSTART_PROPERTY, fields.start, form));
        if (!endLeftOut) icalcomponent_add_property(event, timeProperty(ICAL_DTEND_PROPERTY, end, form));
        zoneSpanChanged = true;
    }

    if (master) {
        icalproperty* written = icalcomponent_get_first_property(event, ICAL_RRULE_PROPERTY);
        // The file's rule stays as it is spelled when it means the rule given.
        // (Several rules are one rule of type Other, kept while it is given back.)
        const bool same = written && fields.rule && ruleOfEvent(event, nullptr) == fields.rule;
        if (!same && (written || fields.rule)) {
            removeAll(event, ICAL_RRULE_PROPERTY);
            if (fields.rule)
                icalcomponent_add_property(
                    event, icalproperty_new_rrule(recurrenceOf(*fields.rule, fields.allDay, formOf(event).floating)));
            zoneSpanChanged = true;
        }
    }
    // The zone's definition covers the times and the series as now written.
    // (Each calendar object of a file defines the zones of its own times.)
    if (zoneSpanChanged && !form.tzid.isEmpty() && !form.foreign)
        addZoneDefinition(icalcomponent_get_parent(event) ? icalcomponent_get_parent(event) : root, form.tzid);
}

}  // namespace

bool ICalendarFile::holdsOtherEvents() const
{
    return !eventsOfUid(m_root, m_uid, true).isEmpty();
}

void ICalendarFile::removeOwnEvents()
{
    removeComponents(eventsOfUid(m_root, m_uid));
}

void ICalendarFile::removeOtherEvents()
{
    removeComponents(eventsOfUid(m_root, m_uid, true));
}

bool ICalendarFile::hasMaster() const
{
    return masterOf(m_root, m_uid) != nullptr;
}

bool ICalendarFile::masterRepeats() const
{
    icalcomponent* master = masterOf(m_root, m_uid);
    return master && icalcomponent_get_first_property(master, ICAL_RRULE_PROPERTY);
}

bool ICalendarFile::masterHasExtraDates() const
{
    icalcomponent* master = masterOf(m_root, m_uid);
    return master && icalcomponent_get_first_property(master, ICAL_RDATE_PROPERTY);
}

Date ICalendarFile::masterStart() const
{
    icalcomponent* master = masterOf(m_root, m_uid);
    icalproperty* start = master ? icalcomponent_get_first_property(master, ICAL_DTSTART_PROPERTY) : nullptr;
    QStringList ignored;
    return start ? readTime(start, icalproperty_get_dtstart(start), &ignored).instant : Date();
}

void ICalendarFile::writeMaster(const QString& uid, const ICalEventFields& fields)
{
    m_uid = uid;
    icalcomponent* master = masterOf(m_root, m_uid);
    if (!master) {
        master = icalcomponent_new(ICAL_VEVENT_COMPONENT);
        // The master leads its calendar object.
        icalcomponent* calendar = calendarFor(m_root, m_uid);
        icalcomponent* first = icalcomponent_get_first_component(calendar, ICAL_VEVENT_COMPONENT);
        QList<icalcomponent*> rest;
        for (icalcomponent* c = first; c; c = icalcomponent_get_next_component(calendar, ICAL_VEVENT_COMPONENT)) rest << c;
        for (icalcomponent* c : rest) icalcomponent_remove_component(calendar, c);
        icalcomponent_add_component(calendar, master);
        for (icalcomponent* c : rest) icalcomponent_add_component(calendar, c);
    }
    writeEventFields(m_root, master, uid, fields, true);
}

namespace {

// A new changed occurrence stands in for an occurrence that readers showed
// with all of its master's properties: those the organizer does not show
// (categories, class, status, attendees, alarms, unknown properties) go
// with it, or the change would quietly drop them. Its own times and texts
// are the organizer's; the series' rule and dates are no occurrence's.
void takeOverUnshownParts(icalcomponent* master, icalcomponent* changed)
{
    static const icalproperty_kind ownKinds[] = {
        ICAL_UID_PROPERTY,     ICAL_DTSTAMP_PROPERTY, ICAL_DTSTART_PROPERTY,      ICAL_DTEND_PROPERTY,
        ICAL_DURATION_PROPERTY, ICAL_RRULE_PROPERTY,  ICAL_RDATE_PROPERTY,        ICAL_EXDATE_PROPERTY,
        ICAL_EXRULE_PROPERTY,  ICAL_RECURRENCEID_PROPERTY, ICAL_SUMMARY_PROPERTY, ICAL_LOCATION_PROPERTY,
        ICAL_DESCRIPTION_PROPERTY, ICAL_URL_PROPERTY,  ICAL_XLICERROR_PROPERTY};
    for (icalproperty* p = icalcomponent_get_first_property(master, ICAL_ANY_PROPERTY); p;
         p = icalcomponent_get_next_property(master, ICAL_ANY_PROPERTY)) {
        const icalproperty_kind kind = icalproperty_isa(p);
        if (std::find(std::begin(ownKinds), std::end(ownKinds), kind) != std::end(ownKinds)) continue;
        icalcomponent_add_property(changed, icalproperty_new_clone(p));
    }
    for (icalcomponent* alarm = icalcomponent_get_first_component(master, ICAL_VALARM_COMPONENT); alarm;
         alarm = icalcomponent_get_next_component(master, ICAL_VALARM_COMPONENT))
        icalcomponent_add_component(changed, icalcomponent_new_clone(alarm));
}

}  // namespace

void ICalendarFile::writeOverride(const QString& uid, const Date& occurrence, const ICalEventFields& fields)
{
    m_uid = uid;
    ICalEventFields own = fields;
    own.rule.reset();
    // A changed occurrence already in the file is edited where it stands:
    // what the organizer does not show (its RANGE, alarms, other
    // properties) stays. Of two for one occurrence, the one read is written.
    icalcomponent* master = masterOf(m_root, m_uid);
    icalcomponent* existing = nullptr;
    for (icalcomponent* c : eventsOfUid(m_root, m_uid)) {
        const auto dates = recurrenceIdsOf(c, master);
        if (!dates.isEmpty() && key(dates.first().second) == key(occurrence) && (!existing || supersedes(c, existing)))
            existing = c;
    }
    if (existing) return writeEventFields(m_root, existing, uid, own, false);
    const TimeForm form = formOf(master);
    icalcomponent* changed = icalcomponent_new(ICAL_VEVENT_COMPONENT);
    icalcomponent_add_property(changed, timeProperty(ICAL_RECURRENCEID_PROPERTY, occurrence, form));
    if (master) takeOverUnshownParts(master, changed);
    // In the file first (beside its master), so that it finds the file's zone definitions.
    icalcomponent_add_component(calendarFor(m_root, m_uid), changed);
    writeEventFields(m_root, changed, uid, own, false);
}

void ICalendarFile::removeOverride(const Date& occurrence)
{
    QList<icalcomponent*> doomed;
    for (icalcomponent* c : eventsOfUid(m_root, m_uid)) {
        const auto dates = recurrenceIdsOf(c, masterOf(m_root, m_uid));
        if (!dates.isEmpty() && key(dates.first().second) == key(occurrence)) doomed << c;
    }
    removeComponents(doomed);
}

void ICalendarFile::removeException(const Date& occurrence)
{
    removeOverride(occurrence);
    icalcomponent* master = masterOf(m_root, m_uid);
    if (!master) return;
    for (const auto& [property, date] : datesOf(master, ICAL_EXDATE_PROPERTY)) {
        if (key(date) != key(occurrence)) continue;
        icalcomponent_remove_property(master, property);
        icalproperty_free(property);
    }
}

void ICalendarFile::addExceptionDate(const Date& occurrence)
{
    icalcomponent* master = masterOf(m_root, m_uid);
    if (!master) return;
    removeOverride(occurrence);
    for (const auto& [property, date] : datesOf(master, ICAL_EXDATE_PROPERTY))
        if (key(date) == key(occurrence)) return;
    icalcomponent_add_property(master, timeProperty(ICAL_EXDATE_PROPERTY, occurrence, formOf(master)));
}

void ICalendarFile::endSeriesBefore(const Date& occurrence)
{
    icalcomponent* master = masterOf(m_root, m_uid);
    if (!master) return;
    const TimeForm form = formOf(master);
    if (icalproperty* ruleProperty = icalcomponent_get_first_property(master, ICAL_RRULE_PROPERTY)) {
        icalrecurrencetype recurrence = icalproperty_get_rrule(ruleProperty);
        recurrence.count = 0;
        const Date last = occurrence.dateByAddingTimeInterval(form.isDate ? -86400 : -1);
        recurrence.until = untilOf(last, form.isDate, form.floating);
        icalproperty_set_rrule(ruleProperty, recurrence);
    } else if (!icalcomponent_get_first_property(master, ICAL_RDATE_PROPERTY)) {
        return;
    }
    // Exceptions and extra dates from the date on belong to the part that no longer exists.
    for (const icalproperty_kind kind : {ICAL_EXDATE_PROPERTY, ICAL_RDATE_PROPERTY})
        for (const auto& [property, date] : datesOf(master, kind)) {
            if (date && date < occurrence) continue;
            icalcomponent_remove_property(master, property);
            icalproperty_free(property);
        }
    QList<icalcomponent*> doomed;
    for (icalcomponent* c : eventsOfUid(m_root, m_uid)) {
        const auto dates = recurrenceIdsOf(c, masterOf(m_root, m_uid));
        if (!dates.isEmpty() && !(dates.first().second < occurrence)) doomed << c;
    }
    removeComponents(doomed);
}

namespace {

// Where a deleted or changed occurrence of a series goes when the series
// moves by `seconds`: to the occurrence of its own day at the start's new
// time of day, where the moved series has one (the rule's weekdays and the
// days of a daily rule stay where they were), else along with the start
// (a weekly rule of the start's own weekday moves with it). Along means as
// the start moved on the series' own clock: a day later is the next day at
// the same time, also across a change of daylight saving.
class MovedOccurrences {
public:
    MovedOccurrences(const ICalEventFileData& moved, double seconds) : m_seconds(seconds)
    {
        if (!moved.master) return;
        m_series.uid = moved.uid;
        m_series.master = *moved.master;
        m_series.master->exceptionDates.clear();
        m_series.master->recurrenceDates.clear();
        const ICalEventData& master = *m_series.master;
        const Date former = master.start.dateByAddingTimeInterval(-seconds);
        m_wallShift = wallSeconds(master.start) - wallSeconds(former);
        if (master.allDay) return;
        m_timeShift = secondOfDay(master.start) - secondOfDay(former);
    }

    Date operator()(const Date& occurrence) const
    {
        if (!m_series.master) return occurrence.dateByAddingTimeInterval(m_seconds);
        Date along = wallMoved(occurrence, m_wallShift);
        if (!along) along = occurrence.dateByAddingTimeInterval(m_seconds);
        const Date onItsDay = wallMoved(occurrence, m_timeShift);
        if (onItsDay && !ICalendarFile::expandAt(m_series, onItsDay).isEmpty()) return onItsDay;
        return along;
    }

private:
    qint64 wallSeconds(const Date& date) const
    {
        const ICalEventData& master = *m_series.master;
        if (master.wallForeign) {
            const icaltimetype w = master.wallForeign->wall(date);
            return GregorianCalendar::dateFromFields(w.year, w.month, w.day, w.hour, w.minute, w.second, QTimeZone::utc())
                .wholeSecondsSince1970();
        }
        const DateFields f = GregorianCalendar::fields(date, master.wallZone);
        return GregorianCalendar::dateFromFields(f.year, f.month, f.day, f.hour, f.minute, f.second, QTimeZone::utc())
            .wholeSecondsSince1970();
    }
    qint64 secondOfDay(const Date& date) const
    {
        const qint64 wall = wallSeconds(date);
        return wall - qint64(std::floor(double(wall) / 86400.0)) * 86400;
    }
    Date wallMoved(const Date& date, qint64 by) const
    {
        const ICalEventData& master = *m_series.master;
        const Date wall = Date::dateWithTimeIntervalSince1970(double(wallSeconds(date) + by));
        const DateFields f = GregorianCalendar::fields(wall, QTimeZone::utc());
        if (master.wallForeign) return master.wallForeign->instant(f.year, f.month, f.day, f.hour, f.minute, f.second);
        return GregorianCalendar::dateFromFields(f.year, f.month, f.day, f.hour, f.minute, f.second, master.wallZone);
    }

    ICalEventFileData m_series;
    double m_seconds;
    qint64 m_wallShift = 0;
    qint64 m_timeShift = 0;
};

}  // namespace

void ICalendarFile::shiftExceptions(double seconds)
{
    if (seconds == 0) return;
    icalcomponent* master = masterOf(m_root, m_uid);
    if (!master) return;
    const TimeForm form = formOf(master);
    QString problem;
    const std::optional<ICalEventFileData> read = events(&problem);
    const MovedOccurrences movedOccurrence(read && read->uid == m_uid ? *read : ICalEventFileData(), seconds);
    for (const icalproperty_kind kind : {ICAL_EXDATE_PROPERTY, ICAL_RDATE_PROPERTY})
        for (const auto& [property, date] : datesOf(master, kind)) {
            // A period keeps its own end: it stays as the file has it.
            if (kind == ICAL_RDATE_PROPERTY && !icalperiodtype_is_null_period(icalproperty_get_rdate(property).period))
                continue;
            icalcomponent_remove_property(master, property);
            icalproperty_free(property);
            // Extra dates are no occurrences of the rule: they go along.
            const Date moved = kind == ICAL_RDATE_PROPERTY ? date.dateByAddingTimeInterval(seconds) : movedOccurrence(date);
            if (date) icalcomponent_add_property(master, timeProperty(kind, moved, form));
        }
    for (icalcomponent* c : eventsOfUid(m_root, m_uid)) {
        const auto dates = recurrenceIdsOf(c, masterOf(m_root, m_uid));
        if (dates.isEmpty() || !dates.first().second) continue;
        icalproperty* moved = timeProperty(ICAL_RECURRENCEID_PROPERTY, movedOccurrence(dates.first().second), form);
        // A change that carries on to the later occurrences still does.
        if (icalparameter* range = icalproperty_get_first_parameter(dates.first().first, ICAL_RANGE_PARAMETER))
            icalproperty_add_parameter(moved, icalparameter_new_clone(range));
        icalcomponent_remove_property(c, dates.first().first);
        icalproperty_free(dates.first().first);
        icalcomponent_add_property(c, moved);
    }
}

void ICalendarFile::settleStartOnRule()
{
    icalcomponent* master = masterOf(m_root, m_uid);
    if (!master || icalcomponent_count_properties(master, ICAL_RRULE_PROPERTY) != 1) return;
    icalproperty* startProperty = icalcomponent_get_first_property(master, ICAL_DTSTART_PROPERTY);
    if (!startProperty) return;
    const icaltimetype start = icalproperty_get_dtstart(startProperty);
    if (!usableFields(start)) return;
    // The rule's first occurrence from the start, in the start's own
    // wall-clock fields, as every reader steps it.
    icalrecurrencetype recurrence = icalproperty_get_rrule(icalcomponent_get_first_property(master, ICAL_RRULE_PROPERTY));
    if (ruleMayRunAway(recurrence)) return;
    recurrence.count = 0;
    recurrence.until = icaltime_null_time();
    icalrecur_iterator* iterator = icalrecur_iterator_new(recurrence, start);
    if (!iterator) return;
    const icaltimetype first = icalrecur_iterator_next(iterator);
    icalrecur_iterator_free(iterator);
    const bool onRule = !icaltime_is_null_time(first) && icaltime_compare(first, start) == 0;
    const Date instant = masterStart();
    if (!instant) return;
    bool listed = false;
    for (const auto& [property, date] : datesOf(master, ICAL_RDATE_PROPERTY)) {
        if (key(date) != key(instant)) continue;
        // On the rule, the start's extra date (left by a move) would show
        // it twice to some readers.
        if (onRule) {
            icalcomponent_remove_property(master, property);
            icalproperty_free(property);
        }
        listed = true;
    }
    if (!onRule && !listed) icalcomponent_add_property(master, timeProperty(ICAL_RDATE_PROPERTY, instant, formOf(master)));
}

void ICalendarFile::keepExceptionsFrom(const Date& occurrence)
{
    icalcomponent* master = masterOf(m_root, m_uid);
    if (!master) return;
    // The occurrence itself is the new series' start, written from its own
    // fields: its extra date and its change go with the earlier part.
    for (const icalproperty_kind kind : {ICAL_EXDATE_PROPERTY, ICAL_RDATE_PROPERTY})
        for (const auto& [property, date] : datesOf(master, kind)) {
            if (date && occurrence < date) continue;
            icalcomponent_remove_property(master, property);
            icalproperty_free(property);
        }
    QList<icalcomponent*> doomed;
    for (icalcomponent* c : eventsOfUid(m_root, m_uid)) {
        const auto dates = recurrenceIdsOf(c, masterOf(m_root, m_uid));
        if (!dates.isEmpty() && !(occurrence < dates.first().second)) doomed << c;
    }
    removeComponents(doomed);
}

void ICalendarFile::renameOwnEvents(const QString& uid)
{
    for (icalcomponent* c : eventsOfUid(m_root, m_uid)) icalcomponent_set_uid(c, uid.toUtf8().constData());
    m_uid = uid;
}

void ICalendarFile::writeTask(const QString& uid, const ICalTaskData& task)
{
    // The task a file is read as: its first VTODO in any of its calendar objects.
    icalcomponent* todo = componentsOf(m_root, ICAL_VTODO_COMPONENT).value(0, nullptr);
    if (!todo) {
        todo = icalcomponent_new(ICAL_VTODO_COMPONENT);
        icalcomponent_add_component(calendarsOf(m_root).value(0, m_root), todo);
    }
    updateText(todo, ICAL_UID_PROPERTY, uid);
    touch(todo);
    updateText(todo, ICAL_SUMMARY_PROPERTY, task.title);
    updateText(todo, ICAL_DESCRIPTION_PROPERTY, task.notes);
    updateText(todo, ICAL_URL_PROPERTY, task.url);
    // A due date the file already says stays as it is spelled; a new one is
    // written as the file wrote it: a day stays a day, a time in a zone in
    // that zone (UTC when the file had none).
    icalproperty* due = icalcomponent_get_first_property(todo, ICAL_DUE_PROPERTY);
    QStringList ignored;
    const bool sameDue = due && task.due && icalcomponent_count_properties(todo, ICAL_DUE_PROPERTY) == 1
                         && key(readTime(due, icalproperty_get_due(due), &ignored).instant) == key(task.due);
    if (!sameDue) {
        const TimeForm form = formOfTime(due);
        removeAll(todo, ICAL_DUE_PROPERTY);
        if (task.due) icalcomponent_add_property(todo, timeProperty(ICAL_DUE_PROPERTY, task.due, form));
    }
    removeAll(todo, ICAL_STATUS_PROPERTY);
    removeAll(todo, ICAL_COMPLETED_PROPERTY);
    icalcomponent_add_property(todo, icalproperty_new_status(task.completed ? ICAL_STATUS_COMPLETED
                                                                            : ICAL_STATUS_NEEDSACTION));
    if (task.completed && task.completedDate)
        icalcomponent_add_property(todo, timeProperty(ICAL_COMPLETED_PROPERTY, task.completedDate, TimeForm()));
}
