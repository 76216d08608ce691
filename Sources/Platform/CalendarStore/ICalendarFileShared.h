#pragma once

// What the source files of ICalendarFile share (each keeps its own helpers):
// the file's own zones, the times read and written, and the parsed text and
// its components. libical stays inside the store: only its sources include
// this header.
#include "ICalendarFile.h"

#include <QHash>
#include <QStringList>
#include <QTimeZone>

#include <libical/ical.h>

#include <memory>
#include <mutex>

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

namespace ICalendarFileShared {

inline QString text(const char* value)
{
    return value ? QString::fromUtf8(value) : QString();
}

// The whole seconds a date is compared by (exceptions against occurrences).
inline qint64 key(const Date& date)
{
    return date.wholeSecondsSince1970();
}

// libical writes no year beyond 3000 (it writes a null time instead), so a
// later date read from a file could never be written back: it reads as no date.
inline constexpr int latestWritableYear = 3000;

// The zone of a TZID as this file means it: an IANA zone its name stands
// for, else the IANA location its own VTIMEZONE names, else that VTIMEZONE's
// own rules. Neither: invalid zone and no foreign zone.
struct FileZone {
    QTimeZone zone;
    QString iana;
    std::shared_ptr<const ICalForeignZone> foreign;
};

struct ReadTime {
    Date instant;
    bool isDate = false;
    QTimeZone zone;
    QString tzid;  // the IANA zone it names, when it names one
    std::shared_ptr<const ICalForeignZone> foreign;  // the file's own zone, when only the file defines it
    bool unknownZone = false;  // a TZID that names no zone, read in the system zone
    bool utc = false;          // a "Z" time
};

// ICalendarFile.cpp: the text parsed, and the components of a parsed file.
void prepareLibical();
icalcomponent* parseText(const QByteArray& bytes);
icalcomponent* firstCalendarOrSelf(icalcomponent* root);
QList<icalcomponent*> calendarsOf(icalcomponent* root);
QString ownUidOf(const QList<icalcomponent*>& events);
QList<icalcomponent*> componentsOf(icalcomponent* root, icalcomponent_kind kind);
QString propertyText(icalcomponent* component, icalproperty_kind kind);
bool usableUid(const QString& uid);

// ICalendarFile_Zones.cpp: the zone a TZID names.
QTimeZone zoneOfName(const QString& name, bool* known);
FileZone fileZoneOf(icalproperty* property, const QString& tzid);
QString tzidOf(icalproperty* property, icalparameter* parameter);

// ICalendarFile_Reader.cpp: times and rules as read.
bool usableFields(const icaltimetype& time);
ReadTime readTime(icalproperty* property, const icaltimetype& time, QStringList* problems);
// The last moment a rule's UNTIL lets an occurrence start at. An all-day
// series ends on the day UNTIL writes, whatever its time and zone
// (T235959Z, as web calendars export it, is that day on every machine).
Date untilInstant(const icaltimetype& until, bool ofAllDaySeries);
// Whether an event's start floats (a time without TZID or "Z"): its EXDATEs
// in UTC then name the occurrences of their digits, as other programs write
// a floating series' exceptions; read as instants they would remove none.
bool startFloats(icalcomponent* event);
// The value of an EXDATE, as the start of its event reads it (see
// startFloats; asked before a walk over the event's properties, which it
// would restart).
icaltimetype exceptionTime(icalproperty* exdate, bool ofFloatingStart);
icaltimetype wallTime(const Date& date, const QTimeZone& zone, bool isDate);
Date endOf(icalcomponent* component, const Date& start, bool allDay, QStringList* problems);
std::optional<CalRecurrenceRule> ruleOf(const icalrecurrencetype& recurrence, const icaltimetype& start);
// The rule of a VEVENT and the texts of its RRULEs (the same rule twice
// counts once). Several different rules repeat by their union (RFC 5545):
// a rule of type Other, which the store expands from every text.
std::optional<CalRecurrenceRule> ruleOfEvent(icalcomponent* event, QList<QByteArray>* texts);
// The occurrence a RECURRENCE-ID names: of an all-day series the day it
// writes, whatever time of day it gives (some programs write 00:00 in UTC).
Date recurrenceIdOf(icalproperty* property, bool ofAllDaySeries, QStringList* problems);
// Of two VEVENTs for one master or one occurrence, the later one counts
// unless its SEQUENCE is lower, as other readers take them.
bool supersedes(icalcomponent* later, icalcomponent* earlier);
icalcomponent* masterOfEvents(const QList<icalcomponent*>& events);
// A rule repeating more often than daily that also names days or months
// (FREQ=HOURLY;BYMONTH=2;BYMONTHDAY=30, or a BYDAY with an ordinal, which
// libical never matches at that frequency): libical's search for the next
// occurrence may walk hour by hour up to its last year, for seconds or
// minutes. Such a rule is not stepped through; its start stands alone.
bool ruleMayRunAway(const icalrecurrencetype& recurrence);

}  // namespace ICalendarFileShared
