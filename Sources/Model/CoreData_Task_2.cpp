// The write side of the data manager's item commands.
#include "CoreData.h"
#include "FreeTimeSlots.h"
#include "GregorianCalendar.h"
#include "RecordGuard.h"
#include "RecordStore.h"
#include "Task.h"
#include "Utilities.h"

#include <QDate>
#include <QSet>

#include <cstdio>

// For now this only stores the item and lists it where the views show it.
// The full add command (alerts, system calendar, web push, the questions
// about repeating items) replaces this body; its callers stay as they are.
void CoreData::addNewTask()
{
    if (const TaskPtr item = modifyingTask()) item->insertAndDehydrate();
}

// ---------------------------------------------------------------------------
// Free time, same-start groups and the all-day reload

namespace {

// Wall-clock minutes counted from midnight of the reference day: the time of
// day on that day, with whole days added for later days (and taken off for
// earlier ones), so events that run over midnight keep their order.
qint64 minutesFromDay(const QDate& referenceDay, const Date& date)
{
    const DateFields f = GregorianCalendar::fields(date);
    return referenceDay.daysTo(QDate(f.year, f.month, f.day)) * 1440 + f.hour * 60 + f.minute;
}

QDate calendarDateOf(const Date& date)
{
    const DateFields f = GregorianCalendar::fields(date);
    return QDate(f.year, f.month, f.day);
}

// The keys among `keys` that still have a row; empty when the query cannot
// run (logged), so nothing is refreshed from rows that could not be read.
QSet<qint64> keysWithRows(const QList<qint64>& keys)
{
    QSet<qint64> found;
    if (keys.isEmpty()) return found;
    QByteArray json = "[";
    for (qint64 key : keys) json += QByteArray::number(key) + ',';
    json.back() = ']';
    RecordGuard guard;
    sqlite3* database = RecordStore::sharedDatabase();
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(database,
                           "SELECT primaryKey FROM Tasks WHERE primaryKey IN (SELECT value FROM json_each(?))", -1,
                           &statement, nullptr)
        != SQLITE_OK) {
        RecordStore::logFailure(RecordStore::prepareErrorText, database);
        sqlite3_finalize(statement);
        return found;
    }
    sqlite3_bind_text(statement, 1, json.constData(), int(json.size()), SQLITE_TRANSIENT);
    int step = SQLITE_ROW;
    while ((step = sqlite3_step(statement)) == SQLITE_ROW) found.insert(sqlite3_column_int64(statement, 0));
    if (step != SQLITE_DONE) {
        RecordStore::logFailure("Error: failed to read items with message '%s'.", database);
        found.clear();
    }
    sqlite3_finalize(statement);
    return found;
}

}  // namespace

QList<TimeSlotObject> CoreData::openTimeSlotsFromTime(const Date& fromTime, const Date& toTime,
                                                      const TaskList& events) const
{
    QList<TimeSlotObject> slots;
    if (!fromTime || !toTime) return slots;
    const QDate day = calendarDateOf(fromTime);
    QList<FreeTimeSlots::MinuteInterval> busy;
    busy.reserve(events.size());
    for (const TaskPtr& event : events) {
        recalculateTimeWithTimezoneSupport(event);
        // An event without times blocks nothing.
        if (!event->tzStartTime() || !event->tzEndTime()) continue;
        busy.append({minutesFromDay(day, event->tzStartTime()), minutesFromDay(day, event->tzEndTime())});
    }
    const QList<FreeTimeSlots::MinuteInterval> free =
        FreeTimeSlots::openTimeSlots(minutesFromDay(day, fromTime), minutesFromDay(day, toTime), busy);
    slots.reserve(free.size());
    for (const FreeTimeSlots::MinuteInterval& interval : free) {
        TimeSlotObject slot;
        slot.setStartTimeInMinutes(interval.start);
        slot.setEndTimeInMinutes(interval.end);
        slots.append(slot);
    }
    return slots;
}

TaskList CoreData::findAllEventSameStartTime(const TaskPtr& event, const TaskList& list, const Date& forDate) const
{
    TaskList group;
    if (!event) return group;
    // An event that began on an earlier day takes the day's start in the grid.
    const auto startOnDay = [&forDate](const Task& item) {
        return Utilities::compareDateNoTime(item.tzStartTime(), forDate) < 0 ? forDate : item.tzStartTime();
    };
    const Date quarter = Utilities::roundDown15MinutesForDate(startOnDay(*event));
    const QString zone = getTimeZoneGMT(event->tz());
    for (const TaskPtr& entry : list) {
        if (Utilities::compareDateNoSecond(Utilities::roundDown15MinutesForDate(startOnDay(*entry)), quarter) != 0)
            break;
        const QString entryZone = getTimeZoneGMT(entry->tz());
        if (!zone.isEmpty() && !entryZone.isEmpty() && entryZone.compare(zone, Qt::CaseInsensitive) == 0)
            group.append(entry);
    }
    return group;
}

// Occurrences of repeating all-day events have no row of their own: they
// are made again from their series whenever the views ask, so only stored
// items are refreshed. An item whose row has gone keeps its content rather
// than taking the empty fields of a missing row.
void CoreData::reloadADE()
{
    if (!databaseOpen) {
        std::fputs(kDatabaseCanNotOpenText.toUtf8().constData(), stdout);
        return;
    }
    TaskList allDayEvents;
    QList<qint64> keys;
    for (const TaskPtr& item : allTasksEventsAdes()) {
        if (item->taskType() != 0 || !item->isADE() || item->primaryKey() < 0) continue;
        allDayEvents.append(item);
        keys.append(item->primaryKey());
    }
    const QSet<qint64> stored = keysWithRows(keys);
    for (const TaskPtr& item : allDayEvents)
        if (stored.contains(item->primaryKey())) item->copyContentOfTask(*Task::initWithPrimaryKey(item->primaryKey()));
}
