// An event's time zone between the store and the local item: finding the
// zone-view twin of a store event, giving the item the twin's zone and times,
// writing the item's zone and times onto the twin, and the offset arithmetic
// both directions share.
#include "iCalSyncJobs.h"

#include "Clock.h"
#include "CoreData.h"
#include "GregorianCalendar.h"
#include "Setting.h"
#include "Task.h"
#include "Utilities.h"

#include <QDateTime>
#include <QDebug>
#include <QHash>

#include <mutex>

namespace {

// The table's "GMT" record: UTC all year. Times a file gives in UTC ("Z")
// are held in it, with or without zone support.
constexpr qint64 gmtTableId = CoreData::utcZoneId;

QDateTime at(const Date& date)
{
    return QDateTime::fromSecsSinceEpoch(date.wholeSecondsSince1970(), QTimeZone::utc());
}

const CoreData* readManager()
{
    return CoreData::shared();
}

// The table lists a zone under one of its names; a file may name it by
// another the zone database keeps for it ("US/Eastern" for New York's,
// "Europe/Kyiv" for the table's Europe/Kiev). Held at this machine's clock
// instead, such an event moved by an hour between the two zones' clock
// changes, and an edit wrote it floating.
qint64 tableIdOfOtherName(const CoreData* data, const QString& name)
{
    if (name.isEmpty() || !GregorianCalendar::isZoneKnown(name)) return 0;
    for (const TimezoneObj& zone : data->tzList().zones())
        if (GregorianCalendar::namesOneZone(zone.tzRegionName, name)) return zone.tzId;
    return 0;
}

// The table id of a zone name, looked up once per name and data manager:
// the table search folds every name of the table, and a full sync asks it
// for each of thousands of events in the same few zones.
qint64 tableIdOfName(const CoreData* data, const QString& name)
{
    static std::mutex mutex;
    static const CoreData* cachedFor = nullptr;
    static QHash<QString, qint64> ids;
    std::lock_guard lock(mutex);
    if (cachedFor != data) {
        ids.clear();
        cachedFor = data;
    }
    const auto found = ids.constFind(name);
    if (found != ids.constEnd()) return *found;
    qint64 id = data->getTimeZoneId(name);
    if (id == 0) id = tableIdOfOtherName(data, name);
    ids.insert(name, id);
    return id;
}

// The table zone that stands for the machine's own zone when the table
// lists no zone of that name (UTC is not listed: a machine on UTC gets the
// first zone at +00:00, Reykjavik); 0 when the machine's zone is listed.
// Looked up once per data manager and machine zone.
qint64 standInForSystemZone(const CoreData* data)
{
    static std::mutex mutex;
    static const CoreData* cachedFor = nullptr;
    static QByteArray cachedZone;
    static qint64 standIn = 0;
    const QByteArray system = GregorianCalendar::systemZone().id();
    std::lock_guard lock(mutex);
    if (cachedFor != data || cachedZone != system) {
        cachedFor = data;
        cachedZone = system;
        standIn = data->getTimeZoneId(QString::fromUtf8(system)) == 0 ? data->getDefaultTimezone() : 0;
    }
    return standIn;
}

// The zone of a table id. The stand-in for a machine zone the table does
// not list is that machine zone: written under the stand-in's name, every
// other reader would show a place the person is not in (Reykjavik for a
// machine on UTC, one at the same offset but with other clock changes for
// others). A machine zone at +00:00 without clock changes is UTC under
// whatever name ("Etc/UTC", "Universal"), written as "UTC".
QTimeZone zoneOfId(qint64 tzId)
{
    const CoreData* data = readManager();
    if (!data) return QTimeZone();
    if (tzId != 0 && tzId == standInForSystemZone(data)) {
        const QTimeZone system = GregorianCalendar::systemZone();
        const QDateTime now = at(Clock::now());
        if (!system.hasDaylightTime() && system.offsetFromUtc(now) == 0) return QTimeZone::utc();
        if (system.isValid()) return system;
    }
    const QString name = data->getTimeZoneName(tzId);
    return name.isEmpty() ? QTimeZone() : GregorianCalendar::zoneNamed(name);
}

bool tzSupportOn()
{
    const CoreData* data = readManager();
    const SettingPtr setting = data ? data->currentSetting() : nullptr;
    return setting && setting->tzSupport();
}

// Whether an item holds its times as its zone's wall clock: any zone with
// zone support; without, UTC and those read from a file in their zone (the
// rest hold this machine's clock).
bool heldInOwnZone(const Task& item)
{
    return item.tz() != 0 && (item.tz() == gmtTableId || item.heldInFileZone() || tzSupportOn());
}

// A store event whose times are UTC's ("Z"): instants, held in GMT.
bool timedInUTC(const CalEvent& event)
{
    return event.inUTC() && event.timeZone().isEmpty() && !event.isAllDay();
}

// A zone at GMT only until its clocks change is no GMT: taken as floating,
// a London event written back would lose its zone and move by an hour in
// summer for every other reader.
bool atGMTAllYear(const QTimeZone& zone, const Date& start)
{
    const auto atGMT = [&zone](const Date& date) { return zone.offsetFromUtc(at(date)) == 0; };
    return !zone.isValid() || (atGMT(start) && atGMT(start.dateByAddingTimeInterval(182 * 86400.0)));
}

int weekdayIn(const Date& instant, const QTimeZone& zone)
{
    return zone.isValid() ? GregorianCalendar::fields(instant, zone).weekday : GregorianCalendar::fields(instant).weekday;
}

Date localStartOfDay(const Date& date)
{
    return Utilities::resetTimeForDate(date, 0, 0, 0);
}

Date localEndOfDay(const Date& date)
{
    return Utilities::resetTimeForDate(date, 23, 59, 59);
}

}  // namespace

qint64 iCalSyncJobs::calculateOffsetByTimeZone(const QTimeZone& zone)
{
    const QDateTime now = at(Clock::now());
    const QTimeZone local = GregorianCalendar::systemZone();
    return qint64(zone.isValid() ? zone.offsetFromUtc(now) : 0) - local.offsetFromUtc(now);
}

qint64 iCalSyncJobs::calculateOffset(qint64 tzId) const
{
    const CoreData* data = readManager();
    const QString localName = QString::fromUtf8(GregorianCalendar::systemZone().id());
    const qint64 localId = data ? data->getTimeZoneId(localName) : 0;
    return Utilities::convertTimezoneToOffset(tzId) - Utilities::convertTimezoneToOffset(localId);
}

Date iCalSyncJobs::storeTimeToItemTime(const Date& instant, const QTimeZone& zone)
{
    // The organizer keeps a zoned time as the same wall-clock time in the
    // local zone; both offsets are those in force at that instant, so a
    // summer event read in winter (or the other way) is not an hour off.
    // Held in the machine's own zone a time is the instant itself: read back
    // from its clock, a time in the repeated autumn hour could be either.
    if (!instant || !zone.isValid() || zone.id() == GregorianCalendar::systemZone().id()) return instant;
    const double fraction = instant.timeIntervalSince1970() - double(instant.wholeSecondsSince1970());
    const DateFields wall = GregorianCalendar::fields(instant, zone);
    const Date moved = GregorianCalendar::dateFromFields(wall.year, wall.month, wall.day, wall.hour, wall.minute, wall.second);
    return moved ? moved.dateByAddingTimeInterval(fraction) : instant;
}

Date iCalSyncJobs::itemTimeToStoreTime(const Date& itemTime, const QTimeZone& zone)
{
    if (!itemTime || !zone.isValid() || zone.id() == GregorianCalendar::systemZone().id()) return itemTime;
    const double fraction = itemTime.timeIntervalSince1970() - double(itemTime.wholeSecondsSince1970());
    const DateFields wall = GregorianCalendar::fields(itemTime);
    const Date moved =
        GregorianCalendar::dateFromFields(wall.year, wall.month, wall.day, wall.hour, wall.minute, wall.second, zone);
    return moved ? moved.dateByAddingTimeInterval(fraction) : itemTime;
}

void iCalSyncJobs::storeTimesToItemTimes(const Date& start, const Date& end, const QTimeZone& zone, Date* itemStart,
                                         Date* itemEnd)
{
    *itemStart = storeTimeToItemTime(start, zone);
    *itemEnd = end ? storeTimeToItemTime(end, zone) : Date();
    if (!*itemStart || !*itemEnd || !zone.isValid() || end < start) return;
    // A start the machine's clock does not have (New York's 02:30 on the
    // night Paris skips 02:00 to 03:00) comes out an hour later; its end,
    // read as it is, would leave the event shorter, or with no length.
    const DateFields own = GregorianCalendar::fields(start, zone);
    const DateFields held = GregorianCalendar::fields(*itemStart);
    if (own.hour != held.hour || own.minute != held.minute || own.day != held.day)
        *itemEnd = itemStart->dateByAddingTimeInterval(end.timeIntervalSinceDate(start));
}

QTimeZone iCalSyncJobs::zoneOfTableId(qint64 tzId)
{
    return tzId != 0 ? zoneOfId(tzId) : QTimeZone();
}

QString iCalSyncJobs::zoneToWrite(const Task& item, const CalEvent& stored, const Date& start, const Date& end)
{
    // Times in UTC stay in UTC, as the file had them ("Z").
    if (item.tz() == gmtTableId) return QString();
    const QTimeZone own = zoneOfTableId(item.tz());
    const QString ownName = own.isValid() ? QString::fromUtf8(own.id()) : QString();
    // Without zone support the import gives an event of another zone the
    // store's instants as this machine's wall clock in the display zone.
    // Written back in that zone, a New York weekly would repeat at the
    // display zone's clock and move by an hour in the weeks between the two
    // zones' clock changes.
    if (ownName.isEmpty() || tzSupportOn() || stored.timeZone().isEmpty() || stored.timeZone() == ownName) return ownName;
    if (start != stored.startDate() || end != stored.endDate()) return ownName;
    return GregorianCalendar::zoneNamed(stored.timeZone()).isValid() ? stored.timeZone() : ownName;
}

namespace {

// The zone an item's times go into in a store event its fill wrote: the
// zone that fill chose.
QTimeZone writtenZone(const Task& item, const CalEvent& filled)
{
    if (item.tz() == 0 || item.tz() == gmtTableId || filled.isAllDay()) return {};
    const QTimeZone own = iCalSyncJobs::zoneOfTableId(item.tz());
    if (!own.isValid() || filled.timeZone() == QString::fromUtf8(own.id())) return own;
    // Without zone support a fill that wrote the times as read (a file
    // naming no zone) chose none.
    if (!tzSupportOn() && filled.timeZone().isEmpty() && !filled.inUTC()) return {};
    const QTimeZone kept = GregorianCalendar::zoneNamed(filled.timeZone());
    return kept.isValid() ? kept : own;
}

// Whether an item's times name instants through its zone: those of a zone
// written, and those in UTC, which are written without one.
bool hasInstants(const Task& item, const QTimeZone& written)
{
    return written.isValid() || item.tz() == gmtTableId;
}

}  // namespace

// Only for a root held in its zone's wall clock: without zone support one
// of another zone keeps the store's times as they are (the import gives it
// no zone's wall-clock time), one in UTC keeps UTC's.
Date iCalSyncJobs::seriesDateToItemTime(const Date& date, const Task& root)
{
    return heldInOwnZone(root) ? storeTimeToItemTime(date, zoneOfTableId(root.tz())) : date;
}

void iCalSyncJobs::rootDatesToItemTime(Task& root, const CalEvent& first, const Date& seriesStart)
{
    const bool fromSeriesStart = seriesStart && root.repeatStartDate() == seriesStart;
    if (fromSeriesStart) root.setRepeatStartDate(seriesDateToItemTime(seriesStart, root));
    if (first.occurrence() && root.occurrence() == first.occurrence())
        root.setOccurrence(seriesDateToItemTime(first.occurrence(), root));
    if (root.repeatType() <= 0 || root.isRepeatForever() != 0) return;
    root.setRepeatEndDate(seriesDateToItemTime(root.repeatEndDate(), root));
    // A count is counted again on the root's own clock: counted on this
    // machine's, the last occurrence of a series in UTC came an hour early
    // once the machine's clocks had changed, and the series ended before it.
    const auto& rule = first.recurrenceRule();
    if (fromSeriesStart && rule && rule->recurrenceEnd() && !rule->recurrenceEnd()->usesEndDate()
        && seriesDateToItemTime(seriesStart, root) != seriesStart)
        root.setRepeatEndDate(lastCountedOccurrence(*rule, rule->recurrenceEnd()->occurrenceCount(), root.repeatStartDate()));
}

Date iCalSyncJobs::storeOccurrenceOfRoot(const Task& root)
{
    return itemDateToSeriesDate(root.occurrence(), root);
}

// A changed or deleted occurrence is named in the file by its original
// start on its series' own clock. Its own date there may differ from the
// date the organizer shows it on (New York's 20:00 is Paris's 02:00 the
// next day), so the store is asked for that instant, not for the clock
// reading the row holds.
Date iCalSyncJobs::storeOccurrenceOfChange(const Task& occurrence) const
{
    qint64 zone = occurrence.rootTZ();
    if (zone == 0 && occurrence.parentId() > 0) {
        const CoreData* data = readManager();
        const TaskPtr root = data ? data->taskWithPrimaryKey(occurrence.parentId()) : nullptr;
        if (root && root->primaryKey() == occurrence.parentId()) zone = root->tz();
    }
    if (zone == 0) zone = occurrence.tz();
    return zone != 0 ? itemTimeToStoreTime(occurrence.occurrence(), zoneOfTableId(zone)) : occurrence.occurrence();
}

Date iCalSyncJobs::itemDateToSeriesDate(const Date& date, const Task& root)
{
    return heldInOwnZone(root) ? itemTimeToStoreTime(date, zoneOfTableId(root.tz())) : date;
}

QTimeZone iCalSyncJobs::heldZoneOfEvent(const CalEvent& event, bool inFileZone)
{
    // As the import gives the item its zone: times in UTC are held in UTC's
    // wall clock, those of a zone in that zone's; all-day and floating
    // events and zones the table does not list keep the times as they are,
    // as, without zone support, a row read before rows were held in their
    // file's zone does (inFileZone false).
    const CoreData* data = readManager();
    if (data && timedInUTC(event) && event.startDate()) return QTimeZone::utc();
    const bool zones = tzSupportOn();
    if (!data || (!inFileZone && !zones) || event.isAllDay() || event.timeZone().isEmpty() || !event.startDate())
        return {};
    const QTimeZone zone = GregorianCalendar::zoneNamed(event.timeZone());
    const qint64 tableId = atGMTAllYear(zone, event.startDate()) ? 0 : tableIdOfName(data, QString::fromUtf8(zone.id()));
    if (tableId == 0) return {};
    // Without zone support times of the display zone are its clock as they are.
    const SettingPtr setting = data->currentSetting();
    if (!zones && setting && tableId == setting->currentTZ()) return {};
    return zone;
}

bool iCalSyncJobs::holdsFileZone(const CalEvent& event)
{
    return !tzSupportOn() && !timedInUTC(event) && heldZoneOfEvent(event).isValid();
}

QTimeZone iCalSyncJobs::fileZoneOfEvent(const CalEvent& event)
{
    const QTimeZone zone = event.timeZone().isEmpty() ? QTimeZone() : GregorianCalendar::zoneNamed(event.timeZone());
    if (zone.isValid()) return zone;
    return event.inUTC() && !event.isAllDay() ? QTimeZone::utc() : QTimeZone();
}

QTimeZone iCalSyncJobs::heldZoneOfItem(const Task& item)
{
    // As an export writes the item's times: through its zone, whatever the support.
    return item.isADE() ? QTimeZone() : zoneOfTableId(item.tz());
}

QList<int> iCalSyncJobs::weekdaysInZone(const QList<int>& days, const Date& instant, const QTimeZone& from,
                                        const QTimeZone& to)
{
    if (!instant || from == to) return days;
    // The start lies a day earlier or later in the other zone: so does each
    // of the rule's days.
    const int shift = weekdayIn(instant, to) - weekdayIn(instant, from);
    if (shift == 0) return days;
    QList<int> moved;
    for (int day : days) moved << (day < 1 || day > 7 ? day : (day - 1 + shift + 14) % 7 + 1);
    return moved;
}

bool iCalSyncJobs::reveseICalTime(const EKEvent& event, const TaskPtr& smdEvent, int negative, Date* startDate,
                                  Date* endDate) const
{
    if (!smdEvent) return false;
    const QTimeZone z = zoneOfId(smdEvent->tz());
    if (!z.isValid() || !event.startDate()) return false;
    // The times are the store's, so they are read in the zone the store names.
    const QTimeZone written = event.timeZone().isValid() ? event.timeZone() : z;
    if (negative >= 0) {
        Date start, end;
        storeTimesToItemTimes(event.startDate(), event.endDate(), written, &start, &end);
        if (startDate) *startDate = start;
        if (endDate) *endDate = end;
        return true;
    }
    if (startDate) *startDate = itemTimeToStoreTime(event.startDate(), written);
    if (endDate) *endDate = event.endDate() ? itemTimeToStoreTime(event.endDate(), written) : Date();
    return true;
}

bool iCalSyncJobs::reveseTime(const TaskPtr& event, int negative, Date* startDate, Date* endDate) const
{
    if (!event) return false;
    const QTimeZone z = zoneOfId(event->tz());
    if (!z.isValid() || !event->startTime()) return false;
    const auto convert = [&](const Date& date) {
        return negative < 0 ? itemTimeToStoreTime(date, z) : storeTimeToItemTime(date, z);
    };
    if (startDate) *startDate = convert(event->startTime());
    if (endDate) *endDate = event->endTime() ? convert(event->endTime()) : Date();
    return true;
}

bool iCalSyncJobs::storeTimesOfItem(const TaskPtr& item, const Date& fileStart, const Date& fileEnd,
                                    const QTimeZone& fileZone, Date* startDate, Date* endDate) const
{
    if (item && fileStart && fileEnd && fileZone.isValid() && zoneOfId(item->tz()) == fileZone) {
        Date start, end;
        storeTimesToItemTimes(fileStart, fileEnd, fileZone, &start, &end);
        if (start == item->startTime() && end == item->endTime()) {
            *startDate = fileStart;
            *endDate = fileEnd;
            return true;
        }
    }
    return reveseTime(item, -1, startDate, endDate);
}

EKEventPtr iCalSyncJobs::getEKEvent(const EKEventList& list, const CalEvent& calEvent) const
{
    for (const EKEventPtr& event : list) {
        if (!event) continue;
        event->refresh();
        // The same uid as well: another event at the same times is not the twin.
        if (event->eventIdentifier() == calEvent.uid() && event->startDate() == calEvent.startDate()
            && event->endDate() == calEvent.endDate())
            return event;
    }
    return nullptr;
}

std::optional<EKEventList> iCalSyncJobs::getEkEventList(const Date& date, const CalCalendarPtr& cal) const
{
    const CoreData* data = readManager();
    if ((data && !data->bSynciCalEnable()) || !date || !cal || !m_eventStore) return std::nullopt;
    CalError error;
    auto events = m_eventStore->eventsMatchingPredicate(
        EKEventStore::predicateForEventsWithStartDate(localStartOfDay(date), localEndOfDay(date), {cal}), &error);
    if (!events) qWarning().noquote() << "Calendar store: the events of a day could not be read:" << error.text;
    return events;
}

void iCalSyncJobs::synchEventTimeZone(const CalEvent& calEvent, const TaskPtr& taskEvent) const
{
    if (!taskEvent) return;
    // Without zone support the import's fill marked the item as held in its
    // file's zone where it will be; until its times are put there they are
    // this machine's clock. (With zone support every zoned item is held in
    // its zone, and the mark stays as it is for a time without.)
    const bool zones = tzSupportOn();
    const bool inFileZone = taskEvent->heldInFileZone();
    if (!zones) taskEvent->setHeldInFileZone(false);
    const CoreData* data = readManager();
    if (!data || !data->bSynciCalEnable() || !m_eventStore) return;
    const auto inMachineClock = [&] {
        // Without zone support the import gave the item the store's times as
        // this machine's wall clock, so a zoned item's zone is the one shown.
        // (Times in UTC are held in GMT as with zone support, below, and
        // those of a zone the import holds in its file's zone: held in this
        // machine's clock, a series repeated at it, an hour off from its own
        // zone's in the weeks between the two zones' clock changes.)
        // Left at a zone it had before (New York), turning zones on would read
        // those times as New York's, and the next edit would write them there.
        // A floating item keeps floating.
        const SettingPtr setting = data->currentSetting();
        const qint64 zone = taskEvent->tz();
        if (setting && zone != 0 && zone != setting->currentTZ() && zone != tableIdOfName(data, QStringLiteral("Floating")))
            taskEvent->setTz(setting->currentTZ());
    };
    if (!zones && !timedInUTC(calEvent) && !inFileZone) return inMachineClock();
    const CalCalendarPtr calendar =
        m_eventStore->calendarWithIdentifier(calEvent.calendar() ? calEvent.calendar()->uid() : QString());
    const auto events = calendar && calEvent.startDate() && calEvent.endDate()
                            ? m_eventStore->eventsMatchingPredicate(EKEventStore::predicateForEventsWithStartDate(
                                  calEvent.startDate(), calEvent.endDate(), calEvent.uid(), {calendar}))
                            : std::nullopt;
    const EKEventPtr twin = events && !events->isEmpty() ? getEKEvent(*events, calEvent) : nullptr;
    if (!twin) {
        if (!zones) inMachineClock();
        return;
    }
    const QTimeZone zone = twin->timeZone();
    const SettingPtr setting = data->currentSetting();
    // Times in UTC ("Z") are instants: held floating they showed at this
    // machine's wall clock in every display zone (five hours early in Paris
    // on a machine in New York), and a series repeated at that clock time,
    // an hour off from UTC's once the machine's clocks changed.
    const bool inUTC = !zone.isValid() && calEvent.inUTC() && !twin->isAllDay();
    if (atGMTAllYear(zone, twin->startDate()) && !inUTC) {
        // No zone, or GMT itself: the event floats.
        taskEvent->setTz(twin->isAllDay() ? (setting ? setting->currentTZ() : 0)
                                          : tableIdOfName(data, QStringLiteral("Floating")));
    } else {
        taskEvent->setTz(inUTC ? gmtTableId : tableIdOfName(data, QString::fromUtf8(zone.id())));
        Date start, end;
        if (reveseICalTime(*twin, taskEvent, 1, &start, &end)) {
            taskEvent->setStartTime(start);
            taskEvent->setEndTime(end);
            if (!zones) taskEvent->setHeldInFileZone(inFileZone && !inUTC);
        }
    }
    taskEvent->setPrevtz(taskEvent->tz());
    taskEvent->setLocalStartDate(taskEvent->startTime());
    taskEvent->setLocalEndDate(taskEvent->endTime());
    taskEvent->setPrevAllDay(calEvent.isAllDay());
}

namespace {

// What a zone write changes on an event.
struct Written {
    QTimeZone zone;
    Date start;
    Date end;
    bool operator==(const Written& other) const
    {
        return zone == other.zone && start == other.start && end == other.end;
    }
};

}  // namespace

bool iCalSyncJobs::saveEventTimeZone(const CalEvent& calEvent, const TaskPtr& taskEvent, int span) const
{
    const CoreData* data = readManager();
    if (!taskEvent || (data && !data->bSynciCalEnable()) || !m_eventStore) return false;
    if (!calEvent.recurrenceRule() && !calEvent.isDetached() && !calEvent.uid().isEmpty() && calEvent.startDate()) {
        // An event that does not repeat is its own twin: when it already has
        // the zone and times the write would give it (as a copy the export
        // has just written does), there is nothing to look up or write.
        const QTimeZone zone = writtenZone(*taskEvent, calEvent);
        Date start = taskEvent->startTime(), end = taskEvent->endTime();
        if (calEvent.isAllDay()) {
            start = calEvent.startDate();
            end = calEvent.endDate();
        } else if (hasInstants(*taskEvent, zone)
                   && !storeTimesOfItem(taskEvent, calEvent.startDate(), calEvent.endDate(),
                                        GregorianCalendar::zoneNamed(calEvent.timeZone()), &start, &end)) {
            start = Date();
        }
        if (start && calEvent.timeZone() == QString::fromUtf8(zone.isValid() ? zone.id() : QByteArray())
            && start == calEvent.startDate() && end == calEvent.endDate())
            return true;
    }
    m_eventStore->reset();
    const CalCalendarPtr calendar =
        m_eventStore->calendarWithIdentifier(calEvent.calendar() ? calEvent.calendar()->uid() : QString());
    if (!calendar) return false;
    std::optional<EKEventList> events;
    if (calEvent.startDate() && calEvent.endDate())
        events = m_eventStore->eventsMatchingPredicate(
            EKEventStore::predicateForEventsWithStartDate(calEvent.startDate(), calEvent.endDate(), calEvent.uid(), {calendar}));
    if (!events || events->isEmpty()) events = getEkEventList(taskEvent->occurrence(), calendar);
    if (!events || events->isEmpty()) return false;
    for (const EKEventPtr& event : *events) {
        event->refresh();
        if (event->eventIdentifier() != calEvent.uid() || event->startDate() != calEvent.startDate()
            || event->endDate() != calEvent.endDate())
            continue;
        const Written before{event->timeZone(), event->startDate(), event->endDate()};
        Written masterBefore;
        EKEventPtr master = m_eventStore->eventWithIdentifier(event->eventIdentifier());
        if (master) master->refresh();
        const QTimeZone zone = writtenZone(*taskEvent, calEvent);
        event->setTimeZone(zone);
        if (calEvent.isAllDay()) {
            event->setStartDate(calEvent.startDate());
            event->setEndDate(calEvent.endDate());
        } else if (hasInstants(*taskEvent, zone)) {
            Date start, end;
            if (storeTimesOfItem(taskEvent, before.start, before.end, before.zone, &start, &end)) {
                event->setStartDate(start);
                event->setEndDate(end);
            }
        } else {
            event->setStartDate(taskEvent->startTime());
            event->setEndDate(taskEvent->endTime());
        }
        EKEventPtr saved = event;
        if (!event->isDetached() && master && master->hasRecurrenceRules()) {
            masterBefore = {master->timeZone(), master->startDate(), master->endDate()};
            // The series moves by what its occurrence moved: the occurrence
            // may be a later one than the file's start (the first ones
            // deleted or changed), and a series keeps the start its file has.
            const double shift = event->startDate().timeIntervalSinceDate(before.start);
            master->setStartDate(masterBefore.start.dateByAddingTimeInterval(shift));
            master->setEndDate(master->startDate().dateByAddingTimeInterval(event->endDate().timeIntervalSinceDate(event->startDate())));
            master->setTimeZone(event->timeZone());
            saved = master;
        } else {
            masterBefore = before;
        }
        // A write that would change nothing is left out: every write of the
        // store is a file written to disk.
        if (masterBefore == Written{saved->timeZone(), saved->startDate(), saved->endDate()}) continue;
        CalError error;
        if (!m_eventStore->saveEvent(saved, span, true, &error))
            qWarning().noquote() << "Calendar store: the zone of" << calEvent.uid() << "was not written:" << error.text;
    }
    return true;
}
