#include "ICalendarFile.h"

#include "GregorianCalendar.h"

#include <QDebug>
#include <QHash>
#include <QSet>

#include <libical/ical.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>
#include <unordered_map>

namespace {

// libical may be built to abort on its own errors; a file from another
// program must never end the process.
// Done once before any use, on whichever thread comes first: libical fills
// its list of built-in zones and its UTC zone lazily and without a lock,
// so two store helpers asking for a zone at once could walk the list while
// the other was still growing it (a crash seen while writing files).
void prepareLibical()
{
    static std::once_flag once;
    std::call_once(once, [] {
        icalerror_set_errors_are_fatal(0);
        icaltimezone_get_builtin_timezones();
        icaltimezone_get_utc_timezone();
    });
}

QString text(const char* value)
{
    return value ? QString::fromUtf8(value) : QString();
}


// The IANA zone a TZID stands for: the name itself, a Windows zone id
// ("Pacific Standard Time"), or a name with a producer's prefix
// ("/vendor.example/20070129_1/Asia/Tokyo") by its IANA tail. Empty when none.
QString ianaNameOf(const QString& name)
{
    if (name == QLatin1String("Floating")) return QString();
    if (GregorianCalendar::isZoneKnown(name)) return name;
    const QByteArray windows = QTimeZone::windowsIdToDefaultIanaId(name.trimmed().toUtf8());
    if (!windows.isEmpty() && GregorianCalendar::isZoneKnown(QString::fromUtf8(windows))) return QString::fromUtf8(windows);
    for (qsizetype slash = name.indexOf(QLatin1Char('/')); slash >= 0; slash = name.indexOf(QLatin1Char('/'), slash + 1)) {
        const QString tail = name.mid(slash + 1);
        if (tail.contains(QLatin1Char('/')) && GregorianCalendar::isZoneKnown(tail)) return tail;
    }
    return QString();
}

struct NamedZone {
    QTimeZone zone;
    QString iana;
};

// A zone name resolved once per name: the answer reads the zoneinfo files,
// and a store holds the same few names thousands of times.
NamedZone namedZone(const QString& name)
{
    static std::mutex mutex;
    static QHash<QString, NamedZone> zones;
    std::lock_guard lock(mutex);
    auto found = zones.constFind(name);
    if (found == zones.constEnd()) {
        NamedZone resolved;
        resolved.iana = ianaNameOf(name);
        if (!resolved.iana.isEmpty()) resolved.zone = GregorianCalendar::zoneNamed(resolved.iana);
        if (!resolved.zone.isValid()) resolved.iana.clear();
        found = zones.insert(name, resolved);
    }
    return *found;
}

// Whether a zone name is usable; the system zone stands in when not.
QTimeZone zoneOfName(const QString& name, bool* known)
{
    const NamedZone named = namedZone(name);
    *known = named.zone.isValid();
    return named.zone.isValid() ? named.zone : GregorianCalendar::systemZone();
}

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

QString text(const char* value);

// libical reads a physical line in a time that grows with the square of its
// length (5 MB of notes on one line took seconds), folded lines at the pace
// of the file. Folding is no part of the text (the reader joins it away), so
// a long line is folded before libical sees it, never inside a UTF-8 sequence.
constexpr qsizetype longestParsedLine = 4096;

QByteArray withLongLinesFolded(const QByteArray& bytes)
{
    QByteArray out;
    qsizetype copied = 0;
    for (qsizetype start = 0; start < bytes.size();) {
        qsizetype end = bytes.indexOf('\n', start);
        if (end < 0) end = bytes.size();
        qsizetype contentEnd = end;
        if (contentEnd > start && bytes[contentEnd - 1] == '\r') --contentEnd;
        if (contentEnd - start > longestParsedLine) {
            if (out.isEmpty()) out.reserve(bytes.size() + bytes.size() / longestParsedLine * 2 + 16);
            out.append(bytes.constData() + copied, start - copied);
            qsizetype at = start;
            while (contentEnd - at > longestParsedLine) {
                qsizetype cut = at + longestParsedLine;
                while (cut > at + 1 && (static_cast<unsigned char>(bytes[cut]) & 0xC0) == 0x80) --cut;
                out.append(bytes.constData() + at, cut - at);
                out.append("\n ");
                at = cut;
            }
            copied = at;
        }
        start = end + 1;
    }
    if (copied == 0) return bytes;
    out.append(bytes.constData() + copied, bytes.size() - copied);
    return out;
}

// Hands libical one line at a time, as fgets would. libical's own string
// reader looks for each line's end with strchr over the rest of the text,
// which a checking C library (and the sanitizers' strict string checks)
// walks to the text's end: a time that grows with the square of the file.
struct LineFeed {
    const char* at;
    const char* end;
};

char* nextLine(char* out, size_t room, void* data)
{
    auto* feed = static_cast<LineFeed*>(data);
    if (feed->at == feed->end || room == 0) return nullptr;
    const auto left = static_cast<size_t>(feed->end - feed->at);
    const void* newline = std::memchr(feed->at, '\n', left);
    size_t size = newline ? static_cast<size_t>(static_cast<const char*>(newline) - feed->at) + 1 : left;
    size = std::min(size, room - 1);
    std::memcpy(out, feed->at, size);
    out[size] = '\0';
    feed->at += size;
    return out;
}

// Some programs begin a file with a UTF-8 byte-order mark. It is no part of
// the text: the file is read without it (and written without it).
QByteArray withoutByteOrderMark(const QByteArray& bytes)
{
    return bytes.startsWith("\xEF\xBB\xBF") ? bytes.mid(3) : bytes;
}

// The component of iCalendar text; null when libical makes none of it.
icalcomponent* parseText(const QByteArray& bytes)
{
    QByteArray folded = withLongLinesFolded(withoutByteOrderMark(bytes));
    // A NUL is no character of the format (a stray byte of another
    // program's text): it is left out, and the rest of the file still read.
    if (folded.contains('\0')) folded.removeIf([](char c) { return c == '\0'; });
    if (folded.trimmed().isEmpty()) return nullptr;
    LineFeed feed{folded.constData(), folded.constData() + folded.size()};
    icalparser* parser = icalparser_new();
    icalparser_set_gen_data(parser, &feed);
    icalcomponent* component = icalparser_parse(parser, nextLine);
    icalparser_free(parser);
    return component;
}

}  // namespace

// A zone only the file defines (its own VTIMEZONE under a name that maps
// to no IANA zone, such as "(UTC-05:00) Eastern Time (US & Canada)"):
// wall-clock times are converted by libical with the file's own rules.
// Kept per definition text, so each distinct zone is built once.
class ICalForeignZone {
public:
    explicit ICalForeignZone(icalcomponent* definition) : m_zone(icaltimezone_new())
    {
        icaltimezone_set_component(m_zone, icalcomponent_new_clone(definition));
    }
    ~ICalForeignZone() { icaltimezone_free(m_zone, 1); }
    ICalForeignZone(const ICalForeignZone&) = delete;
    ICalForeignZone& operator=(const ICalForeignZone&) = delete;

    Date instant(int year, int month, int day, int hour, int minute, int second) const
    {
        icaltimetype wall = icaltime_null_time();
        wall.year = year;
        wall.month = month;
        wall.day = day;
        wall.hour = hour;
        wall.minute = minute;
        wall.second = second;
        std::lock_guard lock(m_mutex);
        return Date::dateWithTimeIntervalSince1970(double(icaltime_as_timet_with_zone(wall, m_zone)));
    }
    icaltimetype wall(const Date& date) const
    {
        std::lock_guard lock(m_mutex);
        icaltimetype time = icaltime_from_timet_with_zone(date.wholeSecondsSince1970(), 0, m_zone);
        time.zone = nullptr;
        return time;
    }

    // Within one read of a file, a definition is looked up by its place
    // (each of its times asks again); across files by its text.
    struct ReadMemo {
        ReadMemo() : previous(current) { current = this; }
        ~ReadMemo() { current = previous; }
        ReadMemo(const ReadMemo&) = delete;
        ReadMemo& operator=(const ReadMemo&) = delete;
        QHash<icalcomponent*, std::shared_ptr<const ICalForeignZone>> zones;
        ReadMemo* previous;
        static thread_local ReadMemo* current;
    };

    static std::shared_ptr<const ICalForeignZone> of(icalcomponent* definition)
    {
        if (ReadMemo* memo = ReadMemo::current) {
            auto& zone = memo->zones[definition];
            if (!zone) zone = byText(definition);
            return zone;
        }
        return byText(definition);
    }

private:
    static std::shared_ptr<const ICalForeignZone> byText(icalcomponent* definition)
    {
        char* written = icalcomponent_as_ical_string_r(definition);
        const QByteArray key(written ? written : "");
        icalmemory_free_buffer(written);
        static std::mutex mutex;
        static QHash<QByteArray, std::shared_ptr<const ICalForeignZone>> zones;
        std::lock_guard lock(mutex);
        // Bounded: a store names few zones, a hostile folder many.
        if (zones.size() > 256 && !zones.contains(key)) zones.clear();
        auto& zone = zones[key];
        if (!zone) zone = std::make_shared<const ICalForeignZone>(definition);
        return zone;
    }

    icaltimezone* m_zone;
    mutable std::mutex m_mutex;
};

thread_local ICalForeignZone::ReadMemo* ICalForeignZone::ReadMemo::current = nullptr;

namespace {

// The VTIMEZONE of that TZID in the calendar the property belongs to.
icalcomponent* zoneDefinitionFor(icalproperty* property, const QString& tzid)
{
    icalcomponent* component = property ? icalproperty_get_parent(property) : nullptr;
    icalcomponent* calendar = component ? icalcomponent_get_parent(component) : nullptr;
    if (!calendar) return nullptr;
    for (icalcomponent* c = icalcomponent_get_first_component(calendar, ICAL_VTIMEZONE_COMPONENT); c;
         c = icalcomponent_get_next_component(calendar, ICAL_VTIMEZONE_COMPONENT)) {
        icalproperty* id = icalcomponent_get_first_property(c, ICAL_TZID_PROPERTY);
        if (id && text(icalproperty_get_tzid(id)) == tzid) return c;
    }
    return nullptr;
}

// Zone rules as zones have them: a few observances that change yearly at
// most. Anything else (an hourly change, thousands of observances) would
// have libical build an endless table of changes.
bool usableZoneDefinition(icalcomponent* definition)
{
    int observances = 0;
    for (icalcomponent* c = icalcomponent_get_first_component(definition, ICAL_ANY_COMPONENT); c;
         c = icalcomponent_get_next_component(definition, ICAL_ANY_COMPONENT)) {
        const icalcomponent_kind kind = icalcomponent_isa(c);
        if (kind != ICAL_XSTANDARD_COMPONENT && kind != ICAL_XDAYLIGHT_COMPONENT) continue;
        if (++observances > 500) return false;
        if (!icalcomponent_get_first_property(c, ICAL_TZOFFSETTO_PROPERTY)) return false;
        for (icalproperty* p = icalcomponent_get_first_property(c, ICAL_RRULE_PROPERTY); p;
             p = icalcomponent_get_next_property(c, ICAL_RRULE_PROPERTY))
            if (icalproperty_get_rrule(p).freq != ICAL_YEARLY_RECURRENCE) return false;
    }
    return observances > 0;
}

// The zone of a TZID as this file means it: an IANA zone its name stands
// for, else the IANA location its own VTIMEZONE names, else that VTIMEZONE's
// own rules. Neither: invalid zone and no foreign zone.
struct FileZone {
    QTimeZone zone;
    QString iana;
    std::shared_ptr<const ICalForeignZone> foreign;
};

FileZone fileZoneOf(icalproperty* property, const QString& tzid)
{
    FileZone resolved;
    const NamedZone named = namedZone(tzid);
    if (named.zone.isValid()) {
        resolved.zone = named.zone;
        resolved.iana = named.iana;
        return resolved;
    }
    icalcomponent* definition = zoneDefinitionFor(property, tzid);
    if (!definition) return resolved;
    for (icalproperty* p = icalcomponent_get_first_property(definition, ICAL_X_PROPERTY); p;
         p = icalcomponent_get_next_property(definition, ICAL_X_PROPERTY)) {
        if (qstrcmp(icalproperty_get_x_name(p), "X-LIC-LOCATION") != 0) continue;
        const NamedZone location = namedZone(text(icalproperty_get_x(p)).trimmed());
        if (location.zone.isValid()) {
            resolved.zone = location.zone;
            resolved.iana = location.iana;
            return resolved;
        }
    }
    if (usableZoneDefinition(definition)) resolved.foreign = ICalForeignZone::of(definition);
    return resolved;
}

// The TZID of a time as the file means it. RFC 5545 quotes a parameter
// value that holds a comma, and a bare comma ends the value (as in a list),
// but libical keeps either whole: a name with a comma that names no zone
// as a whole, known here or defined by the file, is read up to its comma.
QString tzidOf(icalproperty* property, icalparameter* parameter)
{
    const QString name = text(icalparameter_get_tzid(parameter));
    const qsizetype comma = name.indexOf(QLatin1Char(','));
    if (comma < 0 || namedZone(name).zone.isValid() || zoneDefinitionFor(property, name)) return name;
    return name.left(comma);
}

struct ReadTime {
    Date instant;
    bool isDate = false;
    QTimeZone zone;
    QString tzid;  // the IANA zone it names, when it names one
    std::shared_ptr<const ICalForeignZone> foreign;  // the file's own zone, when only the file defines it
};

// libical writes no year beyond 3000 (it writes a null time instead), so a
// later date read from a file could never be written back: it reads as no date.
constexpr int latestWritableYear = 3000;

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
ReadTime readTime(icalproperty* property, const icaltimetype& time, QStringList* problems)
{
    ReadTime read;
    if (!usableFields(time)) return read;
    read.isDate = time.is_date;
    if (time.is_date) {
        read.zone = GregorianCalendar::systemZone();
    } else if (icaltime_is_utc(time)) {
        read.zone = QTimeZone::utc();
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

Date untilInstant(const icaltimetype& until)
{
    if (!usableFields(until)) return Date();
    const QTimeZone zone = icaltime_is_utc(until) ? QTimeZone::utc() : GregorianCalendar::systemZone();
    if (until.is_date) return GregorianCalendar::dateFromFields(until.year, until.month, until.day, 23, 59, 59, zone);
    return GregorianCalendar::dateFromFields(until.year, until.month, until.day, until.hour, until.minute,
                                             until.second, zone);
}

QList<short> encodedList(const short* values, int size)
{
    QList<short> list;
    for (int i = 0; i < size && values[i] != ICAL_RECURRENCE_ARRAY_MAX; ++i) list << values[i];
    return list;
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

// The whole seconds a date is compared by (exceptions against occurrences).
qint64 key(const Date& date)
{
    return date.wholeSecondsSince1970();
}

icalcomponent* firstCalendarOrSelf(icalcomponent* root)
{
    if (icalcomponent_isa(root) == ICAL_XROOT_COMPONENT)
        return icalcomponent_get_first_component(root, ICAL_VCALENDAR_COMPONENT);
    return root;
}

QString propertyText(icalcomponent* component, icalproperty_kind kind);

// The uid a file is read as: its first master's (a VEVENT without
// RECURRENCE-ID), else its first event's.
QString ownUidOf(const QList<icalcomponent*>& events)
{
    QString first;
    for (icalcomponent* event : events) {
        const QString uid = propertyText(event, ICAL_UID_PROPERTY);
        if (uid.isEmpty()) continue;
        if (!icalcomponent_get_first_property(event, ICAL_RECURRENCEID_PROPERTY)) return uid;
        if (first.isEmpty()) first = uid;
    }
    return first;
}

QList<icalcomponent*> componentsOf(icalcomponent* root, icalcomponent_kind kind)
{
    QList<icalcomponent*> found;
    icalcomponent* calendar = firstCalendarOrSelf(root);
    if (!calendar) return found;
    if (icalcomponent_isa(calendar) == kind) {
        found << calendar;
        return found;
    }
    for (icalcomponent* c = icalcomponent_get_first_component(calendar, kind); c;
         c = icalcomponent_get_next_component(calendar, kind))
        found << c;
    return found;
}

QString propertyText(icalcomponent* component, icalproperty_kind kind)
{
    icalproperty* property = icalcomponent_get_first_property(component, kind);
    if (!property) return QString();
    const icalvalue* value = icalproperty_get_value(property);
    if (!value) return QString();
    switch (kind) {
    case ICAL_SUMMARY_PROPERTY: return text(icalproperty_get_summary(property));
    case ICAL_LOCATION_PROPERTY: return text(icalproperty_get_location(property));
    case ICAL_DESCRIPTION_PROPERTY: return text(icalproperty_get_description(property));
    case ICAL_URL_PROPERTY: return text(icalproperty_get_url(property));
    case ICAL_UID_PROPERTY: return text(icalproperty_get_uid(property));
    default: return QString();
    }
}

std::optional<CalRecurrenceRule> ruleOf(const icalrecurrencetype& recurrence);

// A uid names files and is written back as it was read: one with line breaks
// or other control characters would break the line structure of the file.
bool usableUid(const QString& uid)
{
    return std::none_of(uid.begin(), uid.end(), [](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7f; });
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

bool readEvent(icalcomponent* component, ICalEventData* event, QStringList* problems)
{
    event->uid = propertyText(component, ICAL_UID_PROPERTY);
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
    event->wallForeign = start.foreign;
    event->title = propertyText(component, ICAL_SUMMARY_PROPERTY);
    event->location = propertyText(component, ICAL_LOCATION_PROPERTY);
    event->notes = propertyText(component, ICAL_DESCRIPTION_PROPERTY);
    event->url = propertyText(component, ICAL_URL_PROPERTY);

    event->end = endOf(component, event->start, event->allDay, problems);

    if (icalproperty* ruleProperty = icalcomponent_get_first_property(component, ICAL_RRULE_PROPERTY)) {
        icalrecurrencetype recurrence = icalproperty_get_rrule(ruleProperty);
        event->rule = ruleOf(recurrence);
        if (event->rule) {
            char* written = icalrecurrencetype_as_string_r(&recurrence);
            event->ruleText = QByteArray(written ? written : "");
            icalmemory_free_buffer(written);
        }
    }
    for (icalproperty* p = icalcomponent_get_first_property(component, ICAL_EXDATE_PROPERTY); p;
         p = icalcomponent_get_next_property(component, ICAL_EXDATE_PROPERTY)) {
        const Date date = readTime(p, icalproperty_get_exdate(p), problems).instant;
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
        event->recurrenceId = readTime(p, icalproperty_get_recurrenceid(p), problems).instant;
        if (icalparameter* range = icalproperty_get_first_parameter(p, ICAL_RANGE_PARAMETER))
            event->thisAndFuture = icalparameter_get_range(range) == ICAL_RANGE_THISANDFUTURE;
        if (!event->recurrenceId) {
            problems->append(QStringLiteral("a changed occurrence of %1 has no usable RECURRENCE-ID").arg(event->uid));
            return false;
        }
    }
    return true;
}

std::optional<CalRecurrenceRule> ruleOf(const icalrecurrencetype& recurrence)
{
    std::optional<CalRecurrenceEnd> end;
    if (!icaltime_is_null_time(recurrence.until)) {
        const Date until = untilInstant(recurrence.until);
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

bool overlaps(const Date& start, const Date& end, const Date& from, const Date& to)
{
    if (end > start) return start <= to && end > from;
    return start >= from && start <= to;
}

// A series expanded without bound stops here: far more occurrences than any
// window shows, few enough that a rule of every second cannot stall a query.
constexpr int maximumOccurrences = 100000;

Date endOfOccurrence(const ICalEventData& master, const Date& start)
{
    if (!master.allDay) return start.dateByAddingTimeInterval(master.end.timeIntervalSinceDate(master.start));
    // Whole days, so an all-day event keeps its length across a clock change.
    const qint64 days = qRound64(master.end.timeIntervalSinceDate(master.start) / 86400.0);
    const DateFields fields = GregorianCalendar::fields(start);
    return GregorianCalendar::dateFromFields(fields.year, fields.month, fields.day + days, 0, 0, 0);
}

// The changes of a series that carry on to its later occurrences
// (RANGE=THISANDFUTURE), by their original dates.
struct CarriedChanges {
    QList<const ICalEventData*> changes;
    // How far an occurrence may be from where the rule puts it, either way.
    double reach = 0;

    // The latest change before the occurrence, which moves it.
    const ICalEventData* before(const Date& occurrence) const
    {
        const auto after = std::lower_bound(changes.cbegin(), changes.cend(), key(occurrence),
                                            [](const ICalEventData* c, qint64 at) { return key(c->recurrenceId) < at; });
        return after == changes.cbegin() ? nullptr : *(after - 1);
    }
};

CarriedChanges carriedChanges(const ICalEventFileData& file, const QSet<qint64>& exceptions)
{
    CarriedChanges carried;
    for (const ICalEventData& changed : file.overrides) {
        if (!changed.thisAndFuture || exceptions.contains(key(changed.recurrenceId))) continue;
        carried.changes << &changed;
        // Two days more for a move by wall-clock time across a clock change.
        carried.reach = std::max(carried.reach, std::abs(changed.start.timeIntervalSinceDate(changed.recurrenceId))
                                                    + changed.end.timeIntervalSinceDate(changed.start) + 2 * 86400.0);
    }
    std::stable_sort(carried.changes.begin(), carried.changes.end(),
                     [](const ICalEventData* a, const ICalEventData* b) { return key(a->recurrenceId) < key(b->recurrenceId); });
    return carried;
}

// An occurrence of the series: where the rule (or an RDATE) puts it, or
// moved by the wall-clock time the latest change before it moved its own
// occurrence, with that change's length and fields.
ICalOccurrence occurrenceOf(const ICalEventData& master, const Date& occurrence, const CarriedChanges& carried)
{
    const ICalEventData* change = carried.changes.isEmpty() ? nullptr : carried.before(occurrence);
    if (!change) return {&master, occurrence, endOfOccurrence(master, occurrence), occurrence, false};
    Date start;
    if (master.wallForeign && !master.allDay) {
        start = occurrence.dateByAddingTimeInterval(change->start.timeIntervalSinceDate(change->recurrenceId));
    } else {
        const auto wallSeconds = [&master](const Date& date) {
            const DateFields f = GregorianCalendar::fields(date, master.wallZone);
            return GregorianCalendar::dateFromFields(f.year, f.month, f.day, f.hour, f.minute, f.second, QTimeZone::utc())
                .wholeSecondsSince1970();
        };
        const qint64 shift = wallSeconds(change->start) - wallSeconds(change->recurrenceId);
        const DateFields f = GregorianCalendar::fields(occurrence, master.wallZone);
        start = GregorianCalendar::dateFromFields(f.year, f.month, f.day, f.hour, f.minute, f.second + shift, master.wallZone);
    }
    if (!start) start = occurrence;
    return {change, start, endOfOccurrence(*change, start), occurrence, false};
}

void expandSeries(const ICalEventData& master, const QSet<qint64>& hidden, const CarriedChanges& carried,
                  const Date& from, const Date& to, QList<ICalOccurrence>* out)
{
    const auto addMasterAlone = [&] {
        if (!hidden.contains(key(master.start)) && overlaps(master.start, master.end, from, to))
            out->append({&master, master.start, master.end, master.start, false});
    };
    icalrecurrencetype recurrence = icalrecurrencetype_from_string(master.ruleText.constData());
    if (recurrence.freq == ICAL_NO_RECURRENCE) return addMasterAlone();
    // UNTIL is compared here as an instant: libical would compare it with the
    // floating wall-clock times it iterates over.
    const Date until = icaltime_is_null_time(recurrence.until) ? Date() : untilInstant(recurrence.until);
    recurrence.until = icaltime_null_time();

    const auto wallOf = [&](const Date& date) {
        return master.wallForeign && !master.allDay ? master.wallForeign->wall(date)
                                                    : wallTime(date, master.wallZone, master.allDay);
    };
    const icaltimetype start = wallOf(master.start);
    icalrecur_iterator* iterator = icalrecur_iterator_new(recurrence, start);
    if (!iterator) return addMasterAlone();
    const double length = master.end.timeIntervalSinceDate(master.start);
    // Occurrences a change moves may come from further away.
    const Date skipTo = from.dateByAddingTimeInterval(-length - 2 * 86400.0 - carried.reach);
    const Date last = to.dateByAddingTimeInterval(carried.reach);
    if (recurrence.count == 0 && skipTo > master.start)
        icalrecur_iterator_set_start(iterator, wallOf(skipTo));

    // The start is the first occurrence even where the rule would not put
    // it (a weekly Monday rule from a Tuesday), as other readers take it;
    // libical leaves such a start out.
    bool startSeen = false;
    for (int n = 0; n < maximumOccurrences; ++n) {
        const icaltimetype next = icalrecur_iterator_next(iterator);
        if (icaltime_is_null_time(next) || !usableFields(next)) break;
        const Date occurrence =
            master.wallForeign && !master.allDay
                ? master.wallForeign->instant(next.year, next.month, next.day, next.hour, next.minute, next.second)
                : GregorianCalendar::dateFromFields(next.year, next.month, next.day, next.hour, next.minute,
                                                    next.second, master.wallZone);
        if (!occurrence || occurrence > last || (until && occurrence > until)) break;
        startSeen = startSeen || key(occurrence) == key(master.start);
        if (hidden.contains(key(occurrence))) continue;
        const ICalOccurrence found = occurrenceOf(master, occurrence, carried);
        if (overlaps(found.start, found.end, from, to)) out->append(found);
    }
    icalrecur_iterator_free(iterator);
    if (!startSeen && !hidden.contains(key(master.start))) {
        const ICalOccurrence first = occurrenceOf(master, master.start, carried);
        if (overlaps(first.start, first.end, from, to)) out->append(first);
    }
}

QByteArray bytesOf(icalcomponent* component)
{
    char* written = icalcomponent_as_ical_string_r(component);
    QByteArray bytes(written ? written : "");
    icalmemory_free_buffer(written);
    return bytes;
}

}  // namespace

namespace {

// The events of a parsed file (or of a document in memory); root stays the caller's.
std::optional<ICalEventFileData> eventsOfRoot(icalcomponent* root, QString* problem)
{
    const ICalForeignZone::ReadMemo zones;
    QStringList problems;
    QList<ICalEventData> read;
    for (icalcomponent* component : componentsOf(root, ICAL_VEVENT_COMPONENT)) {
        ICalEventData event;
        if (readEvent(component, &event, &problems)) read << event;
    }
    ICalEventFileData file;
    // The file is its master's: changed occurrences may come first, and one
    // of another uid among them must not take the file over.
    const auto master = std::find_if(read.cbegin(), read.cend(), [](const ICalEventData& e) { return !e.recurrenceId; });
    if (master != read.cend()) file.uid = master->uid;
    else if (!read.isEmpty()) file.uid = read.first().uid;
    for (const ICalEventData& event : read) {
        if (event.uid != file.uid) {
            problems << QStringLiteral("an event of another uid (%1) is kept in the file as it is, not shown").arg(event.uid);
            continue;
        }
        if (event.recurrenceId) {
            file.overrides << event;
        } else if (file.master) {
            problems << QStringLiteral("a second master of %1 is ignored").arg(event.uid);
        } else {
            file.master = event;
        }
    }
    if (file.uid.isEmpty()) problems.prepend(QStringLiteral("no usable VEVENT"));
    problems.removeDuplicates();
    if (problem) *problem = problems.join(QStringLiteral("; "));
    if (file.uid.isEmpty()) return std::nullopt;
    return file;
}

}  // namespace

std::optional<ICalEventFileData> ICalendarFile::readEvents(const QByteArray& bytes, QString* problem)
{
    prepareLibical();
    icalcomponent* root = parseText(bytes);
    if (!root) {
        if (problem) *problem = QStringLiteral("not an iCalendar file");
        return std::nullopt;
    }
    auto file = eventsOfRoot(root, problem);
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

std::optional<ICalExceptionTexts> ICalendarFile::readExceptionTexts(const QByteArray& bytes, QString* problem)
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
    icalcomponent* master = nullptr;
    // The VEVENTs of other uids in the file are not this series' occurrences.
    const QString uid = ownUidOf(events);
    const auto ofOtherUid = [&uid](icalcomponent* event) { return propertyText(event, ICAL_UID_PROPERTY) != uid; };
    for (icalcomponent* event : events) {
        if (ofOtherUid(event)) continue;
        if (!icalcomponent_get_first_property(event, ICAL_RECURRENCEID_PROPERTY)) {
            master = event;
            break;
        }
    }
    if (master) {
        texts.masterStart = firstDateText(master, ICAL_DTSTART_PROPERTY);
        for (icalproperty* p = icalcomponent_get_first_property(master, ICAL_EXDATE_PROPERTY); p;
             p = icalcomponent_get_next_property(master, ICAL_EXDATE_PROPERTY))
            texts.exceptionDates += dateTexts(p);
    }
    for (icalcomponent* event : events) {
        if (event == master || ofOtherUid(event)) continue;
        texts.changed << ICalExceptionTexts::Changed{firstDateText(event, ICAL_DTSTART_PROPERTY),
                                                     firstDateText(event, ICAL_RECURRENCEID_PROPERTY)};
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

QList<ICalOccurrence> ICalendarFile::expand(const ICalEventFileData& file, const Date& from, const Date& to)
{
    prepareLibical();
    QList<ICalOccurrence> out;
    QSet<qint64> hidden;
    QSet<qint64> exceptions;
    if (file.master) {
        for (const Date& date : file.master->exceptionDates) exceptions.insert(key(date));
        hidden = exceptions;
        for (const ICalEventData& changed : file.overrides) hidden.insert(key(changed.recurrenceId));
        const CarriedChanges carried = carriedChanges(file, exceptions);
        if (file.master->rule && !file.master->ruleText.isEmpty())
            expandSeries(*file.master, hidden, carried, from, to, &out);
        else if (!hidden.contains(key(file.master->start)) && overlaps(file.master->start, file.master->end, from, to))
            out.append({&*file.master, file.master->start, file.master->end, file.master->start, false});
        // Dates the file adds to the series, each as long as the master.
        QSet<qint64> taken;
        for (const ICalOccurrence& o : out) taken.insert(key(o.occurrence));
        taken.insert(key(file.master->start));
        for (const Date& date : file.master->recurrenceDates) {
            if (hidden.contains(key(date)) || taken.contains(key(date))) continue;
            taken.insert(key(date));
            const ICalOccurrence found = occurrenceOf(*file.master, date, carried);
            if (overlaps(found.start, found.end, from, to)) out.append(found);
        }
    }
    for (const ICalEventData& changed : file.overrides) {
        if (exceptions.contains(key(changed.recurrenceId))) continue;
        if (overlaps(changed.start, changed.end, from, to))
            out.append({&changed, changed.start, changed.end, changed.recurrenceId, true});
    }
    std::stable_sort(out.begin(), out.end(),
                     [](const ICalOccurrence& a, const ICalOccurrence& b) { return a.start < b.start; });
    return out;
}

QList<ICalOccurrence> ICalendarFile::expandAt(const ICalEventFileData& file, const Date& occurrence)
{
    double reach = 0;
    if (file.master) reach = carriedChanges(file, {}).reach;
    QList<ICalOccurrence> found;
    for (const ICalOccurrence& o : expand(file, occurrence.dateByAddingTimeInterval(-reach), occurrence.dateByAddingTimeInterval(reach)))
        if (key(o.occurrence) == key(occurrence)) found << o;
    return found;
}

// --- editing ---

QString ICalendarFile::storableText(const QString& text, bool lineBreaks)
{
    const auto allowed = [](QChar c) { return c.unicode() >= 0x20 ? c.unicode() != 0x7F : c == QLatin1Char('\t'); };
    if (std::all_of(text.cbegin(), text.cend(), allowed)) return text;
    QString clean;
    clean.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (allowed(c)) {
            clean += c;
        } else if (lineBreaks && (c == QLatin1Char('\n') || c == QLatin1Char('\r'))) {
            if (c == QLatin1Char('\r') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n')) ++i;
            clean += QLatin1Char('\n');
        }
    }
    return clean;
}

bool ICalendarFile::canWrite(const Date& date)
{
    if (!date) return false;
    const DateFields utc = GregorianCalendar::fields(date, QTimeZone::utc());
    const DateFields local = GregorianCalendar::fields(date);
    return utc.year >= 2 && utc.year < latestWritableYear && local.year >= 2 && local.year < latestWritableYear;
}

ICalendarFile::ICalendarFile(icalcomponent_impl* root) : m_root(root) {}

ICalendarFile::~ICalendarFile()
{
    icalcomponent_free(m_root);
}

std::unique_ptr<ICalendarFile> ICalendarFile::parse(const QByteArray& bytes)
{
    prepareLibical();
    icalcomponent* root = parseText(bytes);
    if (!root) return nullptr;
    icalcomponent* calendar = firstCalendarOrSelf(root);
    if (!calendar || icalcomponent_isa(calendar) != ICAL_VCALENDAR_COMPONENT) {
        icalcomponent_free(root);
        return nullptr;
    }
    if (calendar != root) {
        icalcomponent_remove_component(root, calendar);
        icalcomponent_free(root);
    }
    std::unique_ptr<ICalendarFile> document(new ICalendarFile(calendar));
    document->m_original = withoutByteOrderMark(bytes);
    document->m_uid = ownUidOf(componentsOf(calendar, ICAL_VEVENT_COMPONENT));
    return document;
}

std::unique_ptr<ICalendarFile> ICalendarFile::newCalendar()
{
    prepareLibical();
    icalcomponent* calendar = icalcomponent_new(ICAL_VCALENDAR_COMPONENT);
    icalcomponent_add_property(calendar, icalproperty_new_version("2.0"));
    icalcomponent_add_property(calendar, icalproperty_new_prodid("-//Zoravel//Calendar Store//EN"));
    return std::unique_ptr<ICalendarFile>(new ICalendarFile(calendar));
}

namespace {

// The content lines of iCalendar text, unfolded, without their line ends.
QList<QByteArray> contentLinesOf(const QByteArray& text)
{
    QList<QByteArray> lines;
    for (QByteArray line : text.split('\n')) {
        if (line.endsWith('\r')) line.chop(1);
        if (!lines.isEmpty() && (line.startsWith(' ') || line.startsWith('\t')))
            lines.last() += line.mid(1);
        else if (!line.isEmpty())
            lines << line;
    }
    return lines;
}

// A content line folded at 75 octets, never inside a UTF-8 sequence, with CRLF.
QByteArray foldedLine(const QByteArray& line)
{
    QByteArray out;
    qsizetype at = 0;
    qsizetype room = 75;
    while (line.size() - at > room) {
        qsizetype cut = at + room;
        while (cut > at + 1 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80) --cut;
        out += line.mid(at, cut - at);
        out += "\r\n ";
        at = cut;
        room = 74;
    }
    out += line.mid(at);
    out += "\r\n";
    return out;
}

// The lines libical writes for one line of a file (several for a list
// that it splits, an error note for an empty value).
QList<QByteArray> normalisedLines(const QByteArray& line)
{
    QList<QByteArray> lines;
    const QByteArray wrapped = "BEGIN:VEVENT\r\n" + line + "\r\nEND:VEVENT\r\n";
    icalcomponent* component = parseText(wrapped);
    if (!component) return lines;
    if (icalcomponent_isa(component) == ICAL_VEVENT_COMPONENT) {
        for (icalproperty* p = icalcomponent_get_first_property(component, ICAL_ANY_PROPERTY); p;
             p = icalcomponent_get_next_property(component, ICAL_ANY_PROPERTY)) {
            char* written = icalproperty_as_ical_string_r(p);
            lines += contentLinesOf(QByteArray(written ? written : ""));
            icalmemory_free_buffer(written);
        }
    }
    icalcomponent_free(component);
    return lines;
}

// The file as libical writes it, each line libical spells otherwise than the
// file did put back as the file had it. `ownEvents` says, VEVENT by VEVENT in
// the written order, which are the organizer's own.
QByteArray withOriginalSpelling(const QByteArray& written, const QByteArray& original, const QList<bool>& ownEvents)
{
    const QList<QByteArray> out = contentLinesOf(written);
    const QSet<QByteArray> present(out.cbegin(), out.cend());
    // A spelling holding a control character (but the tab), which the format
    // forbids and libical writes without, says something else than the line
    // written: it is put back in the components of other uids only, never in
    // the organizer's own (a uid with a carriage return put back over the
    // organizer's uid hid its event).
    const auto holdsControl = [](const QByteArray& line) {
        return std::any_of(line.cbegin(), line.cend(), [](char c) {
            const auto byte = static_cast<unsigned char>(c);
            return (byte < 0x20 && byte != '\t') || byte == 0x7f;
        });
    };
    struct Spelling {
        QList<QByteArray> normal;
        QByteArray line;
        bool control;
    };
    // Only the lines libical does not write as they stand are looked at.
    QHash<QByteArray, QList<Spelling>> spellings;
    for (const QByteArray& line : contentLinesOf(original)) {
        if (present.contains(line) || line.startsWith("BEGIN:") || line.startsWith("END:")) continue;
        const QList<QByteArray> normal = normalisedLines(line);
        if (normal.isEmpty()) continue;
        spellings[normal.first()].append({normal, line, holdsControl(line)});
    }
    QByteArray result;
    result.reserve(written.size());
    qsizetype event = -1;
    bool inOwnEvent = false;
    for (qsizetype i = 0; i < out.size();) {
        if (out[i] == "BEGIN:VEVENT") {
            ++event;
            inOwnEvent = event < ownEvents.size() && ownEvents[event];
        } else if (out[i] == "END:VEVENT") {
            inOwnEvent = false;
        }
        qsizetype taken = 0;
        const auto found = spellings.constFind(out[i]);
        if (found != spellings.constEnd()) {
            for (const Spelling& spelling : *found) {
                if (spelling.control && inOwnEvent) continue;
                const QList<QByteArray>& normal = spelling.normal;
                if (i + normal.size() > out.size() || !std::equal(normal.cbegin(), normal.cend(), out.cbegin() + i)) continue;
                result += foldedLine(spelling.line);
                taken = normal.size();
                break;
            }
        }
        if (taken) {
            i += taken;
            continue;
        }
        if (!out[i].startsWith("X-LIC-ERROR")) result += foldedLine(out[i]);
        ++i;
    }
    return result;
}

}  // namespace

QByteArray ICalendarFile::toBytes() const
{
    const QByteArray written = bytesOf(m_root);
    if (m_original.isEmpty()) return written;
    QList<bool> ownEvents;
    for (icalcomponent* c = icalcomponent_get_first_component(m_root, ICAL_VEVENT_COMPONENT); c;
         c = icalcomponent_get_next_component(m_root, ICAL_VEVENT_COMPONENT))
        ownEvents << (propertyText(c, ICAL_UID_PROPERTY) == m_uid);
    return withOriginalSpelling(written, m_original, ownEvents);
}

namespace {

// The VEVENTs of a uid, in file order (of the other uids when other is set).
QList<icalcomponent*> eventsOfUid(icalcomponent* calendar, const QString& uid, bool other = false)
{
    QList<icalcomponent*> events;
    for (icalcomponent* c = icalcomponent_get_first_component(calendar, ICAL_VEVENT_COMPONENT); c;
         c = icalcomponent_get_next_component(calendar, ICAL_VEVENT_COMPONENT))
        if ((propertyText(c, ICAL_UID_PROPERTY) == uid) != other) events << c;
    return events;
}

icalcomponent* masterOf(icalcomponent* calendar, const QString& uid)
{
    for (icalcomponent* c : eventsOfUid(calendar, uid))
        if (!icalcomponent_get_first_property(c, ICAL_RECURRENCEID_PROPERTY)) return c;
    return nullptr;
}

void removeComponents(icalcomponent* calendar, const QList<icalcomponent*>& doomed)
{
    for (icalcomponent* c : doomed) {
        icalcomponent_remove_component(calendar, c);
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
    for (icalproperty* p = icalcomponent_get_first_property(component, kind); p;
         p = icalcomponent_get_next_property(component, kind)) {
        icaltimetype time = icaltime_null_time();
        if (kind == ICAL_EXDATE_PROPERTY) {
            time = icalproperty_get_exdate(p);
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
        const Date until = icaltime_is_null_time(recurrence.until) ? Date() : untilInstant(recurrence.until);
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
    const QString now = propertyText(component, kind);
    if (now == ICalendarFile::storableText(value, kind != ICAL_URL_PROPERTY)
        && (now.isEmpty() || icalcomponent_count_properties(component, kind) == 1))
        return;
    setText(component, kind, value);
}

// A TZID with a control character names no zone here, but libical writes
// it without the character, which may name one: the time would move.
bool zoneNameRespelt(icalproperty* time)
{
    icalparameter* tzid = time ? icalproperty_get_first_parameter(time, ICAL_TZID_PARAMETER) : nullptr;
    return tzid && !usableUid(text(icalparameter_get_tzid(tzid)));
}

// Whether the VEVENT's times already say what the fields say: the same
// instants, both all-day or both timed, in the same zone (a TZID the
// organizer reads as that zone, whatever its spelling; no zone for UTC,
// floating times and zones only the file defines), in lines that libical
// writes as they mean.
bool timesAsWritten(icalcomponent* event, const ICalEventFields& fields, const Date& end)
{
    icalproperty* start = icalcomponent_get_first_property(event, ICAL_DTSTART_PROPERTY);
    if (!start) return false;
    if (zoneNameRespelt(start) || zoneNameRespelt(icalcomponent_get_first_property(event, ICAL_DTEND_PROPERTY)))
        return false;
    QStringList ignored;
    const ReadTime read = readTime(start, icalproperty_get_dtstart(start), &ignored);
    if (!read.instant || read.isDate != fields.allDay) return false;
    if (!fields.allDay && read.tzid != fields.timeZone) return false;
    if (key(read.instant) != key(fields.start)) return false;
    return key(endOf(event, read.instant, read.isDate, &ignored)) == key(end);
}

void writeEventFields(icalcomponent* calendar, icalcomponent* event, const QString& uid,
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
    // A series without a zone repeats at its wall-clock time here, across
    // clock changes, as the organizer repeats it: a time in UTC would move
    // by an hour with every change.
    form.floating = master && !fields.allDay && fields.timeZone.isEmpty() && fields.rule.has_value();
    // A zone only the file defines is none the organizer can name: times it
    // holds without a zone stay in the file's zone (a new changed occurrence
    // takes its master's), so the series keeps its wall-clock time there
    // across a clock change.
    if (!fields.allDay && fields.timeZone.isEmpty()) {
        const bool ownStart = icalcomponent_get_first_property(event, ICAL_DTSTART_PROPERTY);
        const TimeForm now = formOf(ownStart ? event : masterOf(calendar, uid));
        if (now.foreign && !now.isDate) form = now;
    }
    Date end = fields.end ? fields.end : fields.start;
    if (fields.allDay) {
        // The day of the end given, at least the day after the start.
        const DateFields startDay = GregorianCalendar::fields(fields.start);
        const Date dayAfterStart = GregorianCalendar::dateFromFields(startDay.year, startDay.month, startDay.day + 1, 0, 0, 0);
        if (end < dayAfterStart) end = dayAfterStart;
    } else if (end < fields.start) {
        end = fields.start;
    }
    bool zoneSpanChanged = false;
    if (!timesAsWritten(event, fields, end)) {
        removeAll(event, ICAL_DTSTART_PROPERTY);
        removeAll(event, ICAL_DTEND_PROPERTY);
        removeAll(event, ICAL_DURATION_PROPERTY);
        icalcomponent_add_property(event, timeProperty(ICAL_DTSTART_PROPERTY, fields.start, form));
        icalcomponent_add_property(event, timeProperty(ICAL_DTEND_PROPERTY, end, form));
        zoneSpanChanged = true;
    }

    if (master) {
        icalproperty* written = icalcomponent_get_first_property(event, ICAL_RRULE_PROPERTY);
        // The file's rule stays as it is spelled when it means the rule given.
        const bool same = written && fields.rule && icalcomponent_count_properties(event, ICAL_RRULE_PROPERTY) == 1
                          && ruleOf(icalproperty_get_rrule(written)) == fields.rule;
        if (!same && (written || fields.rule)) {
            removeAll(event, ICAL_RRULE_PROPERTY);
            if (fields.rule)
                icalcomponent_add_property(
                    event, icalproperty_new_rrule(recurrenceOf(*fields.rule, fields.allDay, formOf(event).floating)));
            zoneSpanChanged = true;
        }
    }
    // The zone's definition covers the times and the series as now written.
    if (zoneSpanChanged && !form.tzid.isEmpty() && !form.foreign) addZoneDefinition(calendar, form.tzid);
}

}  // namespace

bool ICalendarFile::holdsOtherEvents() const
{
    return !eventsOfUid(m_root, m_uid, true).isEmpty();
}

void ICalendarFile::removeOwnEvents()
{
    removeComponents(m_root, eventsOfUid(m_root, m_uid));
}

void ICalendarFile::removeOtherEvents()
{
    removeComponents(m_root, eventsOfUid(m_root, m_uid, true));
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
        // The master leads the file.
        icalcomponent* first = icalcomponent_get_first_component(m_root, ICAL_VEVENT_COMPONENT);
        QList<icalcomponent*> rest;
        for (icalcomponent* c = first; c; c = icalcomponent_get_next_component(m_root, ICAL_VEVENT_COMPONENT)) rest << c;
        for (icalcomponent* c : rest) icalcomponent_remove_component(m_root, c);
        icalcomponent_add_component(m_root, master);
        for (icalcomponent* c : rest) icalcomponent_add_component(m_root, c);
    }
    writeEventFields(m_root, master, uid, fields, true);
}

void ICalendarFile::writeOverride(const QString& uid, const Date& occurrence, const ICalEventFields& fields)
{
    m_uid = uid;
    ICalEventFields own = fields;
    own.rule.reset();
    // A changed occurrence already in the file is edited where it stands:
    // what the organizer does not show (its RANGE, alarms, other
    // properties) stays.
    for (icalcomponent* c : eventsOfUid(m_root, m_uid)) {
        const auto dates = datesOf(c, ICAL_RECURRENCEID_PROPERTY);
        if (!dates.isEmpty() && key(dates.first().second) == key(occurrence))
            return writeEventFields(m_root, c, uid, own, false);
    }
    const TimeForm form = formOf(masterOf(m_root, m_uid));
    icalcomponent* changed = icalcomponent_new(ICAL_VEVENT_COMPONENT);
    icalcomponent_add_property(changed, timeProperty(ICAL_RECURRENCEID_PROPERTY, occurrence, form));
    // In the file first, so that it finds the file's zone definitions.
    icalcomponent_add_component(m_root, changed);
    writeEventFields(m_root, changed, uid, own, false);
}

void ICalendarFile::removeOverride(const Date& occurrence)
{
    QList<icalcomponent*> doomed;
    for (icalcomponent* c : eventsOfUid(m_root, m_uid)) {
        const auto dates = datesOf(c, ICAL_RECURRENCEID_PROPERTY);
        if (!dates.isEmpty() && key(dates.first().second) == key(occurrence)) doomed << c;
    }
    removeComponents(m_root, doomed);
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
        const auto dates = datesOf(c, ICAL_RECURRENCEID_PROPERTY);
        if (!dates.isEmpty() && !(dates.first().second < occurrence)) doomed << c;
    }
    removeComponents(m_root, doomed);
}

namespace {

// Where a deleted or changed occurrence of a series goes when the series
// moves by `seconds`: to the occurrence of its own day at the start's new
// time of day, where the moved series has one (the rule's weekdays and the
// days of a daily rule stay where they were), else along with the start
// (a weekly rule of the start's own weekday moves with it).
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
        if (master.allDay) return;
        const Date former = master.start.dateByAddingTimeInterval(-seconds);
        m_timeShift = secondOfDay(master.start) - secondOfDay(former);
    }

    Date operator()(const Date& occurrence) const
    {
        const Date along = occurrence.dateByAddingTimeInterval(m_seconds);
        if (!m_series.master) return along;
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
        const auto dates = datesOf(c, ICAL_RECURRENCEID_PROPERTY);
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

void ICalendarFile::keepExceptionsFrom(const Date& occurrence)
{
    icalcomponent* master = masterOf(m_root, m_uid);
    if (!master) return;
    for (const icalproperty_kind kind : {ICAL_EXDATE_PROPERTY, ICAL_RDATE_PROPERTY})
        for (const auto& [property, date] : datesOf(master, kind)) {
            if (date && !(date < occurrence)) continue;
            icalcomponent_remove_property(master, property);
            icalproperty_free(property);
        }
    QList<icalcomponent*> doomed;
    for (icalcomponent* c : eventsOfUid(m_root, m_uid)) {
        const auto dates = datesOf(c, ICAL_RECURRENCEID_PROPERTY);
        if (!dates.isEmpty() && dates.first().second < occurrence) doomed << c;
    }
    removeComponents(m_root, doomed);
}

void ICalendarFile::writeTask(const QString& uid, const ICalTaskData& task)
{
    icalcomponent* todo = icalcomponent_get_first_component(m_root, ICAL_VTODO_COMPONENT);
    if (!todo) {
        todo = icalcomponent_new(ICAL_VTODO_COMPONENT);
        icalcomponent_add_component(m_root, todo);
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
