// Edit and delete scopes of repeating events (all occurrences, this and all
// future ones, only this one) and the routines that remove the stored rows
// of a series.
//
// A series is one root row that carries the rule, plus detached rows: stored
// occurrences changed on their own, each naming its root (parentId) and the
// occurrence it replaces. The root's exception entries mark occurrences the
// expansion leaves out: "(1)" changed (a detached row shows it), "(2)" deleted.
#include "Calendar.h"
#include "CoreData.h"
#include "DeletedRows.h"
#include "Notifications.h"
#include "QueryStatement.h"
#include "RecordGuard.h"
#include "RecordStore.h"
#include "RecurrenceExpander.h"
#include "Setting.h"
#include "Task.h"
#include "TaskQuery.h"
#include "Transaction.h"
#include "Utilities.h"
#include "iCalSync.h"
#include "ModelInternals.h"

#include <QStringBuilder>
#include <QUuid>

#include <cstdio>
#include <functional>
#include <optional>

namespace {

constexpr qint64 rootParent = -1;
// A category whose system calendar holds tasks only.
constexpr qint64 tasksOnlyCalendar = 1;

// The scopes the system calendar is told.
constexpr qint64 thisOccurrence = 0;
constexpr qint64 allOccurrences = 1;
constexpr qint64 thisAndFuture = 2;

// A series cut before an occurrence ends one second less than a day before
// it, so the occurrence of the day before still belongs to it.
constexpr double endBeforeOccurrence = -86399;

// The type text the system calendar store gives its local calendars.
const QString localCalendarType = QStringLiteral("Local");

void bindDate(QueryStatement& query, int index, const Date& date)
{
    if (query.isValid()) RecordStore::bindDate(query.get(), index, date);
}

enum class EventKind { Plain, Root, Detached, Instance, Unsaved };

EventKind kindOf(const Task& event)
{
    if (event.primaryKey() == newItemKey) return EventKind::Unsaved;
    if (event.primaryKey() < newItemKey) return EventKind::Instance;
    if (event.parentId() != rootParent) return EventKind::Detached;
    return event.repeatType() > 0 ? EventKind::Root : EventKind::Plain;
}

// The zero date of 1970 stands for "no date" in `occurrence`.
bool hasDate(const Date& date)
{
    return date.isValid() && Utilities::getYear(date) > 1970;
}

// The root's occurrence names the first occurrence the series still shows;
// a root that never had it recorded starts with its own start.
Date currentFirstOccurrence(const Task& root)
{
    return hasDate(root.occurrence()) ? root.occurrence() : root.startTime();
}

// The occurrence the event stands for. The root row stands for the series'
// current first occurrence, read from the stored root: the caller may have
// moved the event's own times already.
Date occurrenceOf(const Task& event, const Task& storedRoot)
{
    return kindOf(event) == EventKind::Root ? currentFirstOccurrence(storedRoot) : event.occurrence();
}

// Whether the series shows an occurrence, neither changed nor deleted, up to
// the end.
bool showsOccurrenceUntil(const Task& root, const Date& end)
{
    RecurrenceSeries series = root.recurrenceSeries();
    series.repeatEndDate = end;
    series.isRepeatForever = false;
    const std::optional<Date> first =
        RecurrenceExpander::nextOccurrence(series, root.startTime().dateByAddingTimeInterval(-1));
    return first && *first <= end;
}

// When the occurrence taken out of the series was its current first one, the
// root moves on to the next (to its end when none is left).
void moveSeriesStartPast(const CoreData& dataManager, const TaskPtr& root, const Date& occurrence)
{
    if (currentFirstOccurrence(*root) != occurrence) return;
    const TaskPtr next = dataManager.nextInstanceOfRecuringTask(root);
    root->setOccurrence(next ? next->occurrence() : root->repeatEndDate());
}

// A copy of the event as a new row, not done, without exceptions and unknown
// to the web service.
TaskPtr freshCopy(const Task& event)
{
    TaskPtr copy = event.copy();
    copy->setPrimaryKey(newItemKey);
    copy->setCompletedDate(Date::dateWithTimeIntervalSince1970(0));
    copy->setRepeatExceptions(QStringLiteral(""));
    copy->setZvwID(0);
    copy->setLastUpdate(0);
    return copy;
}

// One occurrence of a series as an item of its own.
TaskPtr oneOffCopy(const Task& event, const Date& occurrence)
{
    TaskPtr copy = freshCopy(event);
    copy->setRepeatType(0);
    copy->setOccurrence(occurrence);
    return copy;
}

// An occurrence of a series moved to the time of day of `time` on its own
// day, or as many days on as the series' weekdays moved.
Date retimedOccurrence(const Date& occurrence, const Date& time, qint64 days)
{
    const Date retimed = Utilities::newDateOnDate(occurrence, time);
    return days == 0 ? retimed : Utilities::newDateFromDate(retimed, double(days) * 86400);
}

// Every exception entry moved as `retime` moves its date, its mark kept.
// Entries are rebuilt one by one, so the number of one entry can never be
// mistaken for a part of another.
template <class Retime>
QString retimedExceptions(const QString& exceptions, const Retime& retime)
{
    const QStringList entries = exceptions.split(QLatin1Char('|'));
    if (entries.size() < 2) return exceptions;
    QString retimed = entries.first();
    for (qsizetype index = 1; index < entries.size(); ++index) {
        const QString& entry = entries[index];
        const qsizetype markAt = entry.indexOf(QLatin1Char('('));
        const QString number = markAt < 0 ? entry : entry.left(markAt);
        bool isNumber = false;
        const double stored = number.toDouble(&isNumber);
        // An entry whose number is no calendar date ("nan", "1e300") is kept
        // as it is, as one that is no number.
        const Date storedDate = isNumber ? Date::dateFromOutside(stored, "the repeat exceptions") : Date();
        if (storedDate.isNull()) {
            retimed += QLatin1Char('|') + entry;
            continue;
        }
        const Date day = Utilities::fromDBDate(storedDate);
        retimed += QLatin1Char('|') % Task::storedDateText(retime(day))
                   % entry.mid(number.size());
    }
    return retimed;
}

// The changed mark of the occurrence turns into the deleted one; an
// occurrence without a changed mark stays as it is.
QString markedDeleted(const QString& exceptions, const Date& occurrence)
{
    const QString entry = QLatin1Char('|') + Task::storedDateText(occurrence);
    const qsizetype at = exceptions.indexOf(entry + QStringLiteral("(1)"));
    if (at < 0) return exceptions;
    QString marked = exceptions;
    marked.replace(at + entry.size() + 1, 1, QLatin1Char('2'));
    return marked;
}

// A series moved as a whole keeps its number of occurrences: an end the
// caller left as it was moves by the days the start moved, and by its
// change of time of day too unless the end is the close of a day (an end
// at the last start, as other programs write it, would otherwise lose that
// occurrence to a later time of day, or keep one a day move pushed past it).
bool endMovedWithSeries(Task& event, const TaskPtr& stored, Date former)
{
    if (!stored || event.repeatType() <= 0 || event.isRepeatForever() != 0 || stored->isRepeatForever() != 0) return false;
    const Date end = event.repeatEndDate();
    if (!end || end != stored->repeatEndDate()) return false;
    if (!former) former = stored->startTime();
    if (!former || !event.startTime()) return false;
    const double wallMove = Utilities::toDBDate(event.startTime()).timeIntervalSince1970()
                            - Utilities::toDBDate(former).timeIntervalSince1970();
    const double days = double(Utilities::daysBetweenTwoDates(former, event.startTime()) - 1);
    const bool closeOfDay = Utilities::getHour(end) == 23 && Utilities::getMinute(end) == 59;
    const double move = closeOfDay ? days * 86400 : wallMove;
    if (move == 0) return false;
    event.setRepeatEndDate(Utilities::newDateFromDate(end, move));
    return true;
}

// The date the series' rule steps from, moved as its start moved. A series
// whose first occurrences were deleted or changed starts later than that
// date, as its file does, and keeps it: a title edit is no move. A date the
// caller set itself, or one after the start, is the start's.
Date repeatStartMovedWithSeries(const Task& event, const TaskPtr& stored, Date former)
{
    const Date start = event.startTime();
    if (!stored || event.repeatType() <= 0 || event.repeatStartDate() != stored->repeatStartDate()) return start;
    if (!former) former = stored->startTime();
    const Date repeatStart = stored->repeatStartDate();
    if (!former || !repeatStart.isValid() || !(repeatStart < former)) return start;
    const double wallMove = Utilities::toDBDate(start).timeIntervalSince1970() - Utilities::toDBDate(former).timeIntervalSince1970();
    return Utilities::newDateFromDate(repeatStart, wallMove);
}

// A weekly series moved by whole days moves all of its occurrences: the
// days its weekdays moved by (0 when they stay). The editor may have moved
// the weekday with the start already; its deleted and changed occurrences
// still move with it.
qint64 weekdaysMovedWithSeries(Task& event, const Task& stored, const Date& former)
{
    const QString options = RepeatRule::optionsMovedWithStart(event.repeatType(), stored.repeatOptions(),
                                                              stored.repeatOptions(), former, event.startTime());
    if (options == stored.repeatOptions()) return 0;
    if (event.repeatOptions() != stored.repeatOptions() && event.repeatOptions() != options) return 0;
    event.setRepeatOptions(options);
    return Utilities::daysBetweenTwoDates(former, event.startTime()) - 1;
}

// Whether the series' rule gives an occurrence at the date (its exceptions
// aside): an occurrence it does not give is one of a file's extra dates.
bool ruleGives(const Task& root, const Date& date)
{
    if (root.repeatType() <= 0 || !date.isValid()) return false;
    RecurrenceSeries series = root.recurrenceSeries();
    series.repeatExceptions.clear();
    series.isRepeatForever = true;
    const std::optional<Date> next = RecurrenceExpander::nextOccurrence(series, date.dateByAddingTimeInterval(-1));
    return (next && *next == date) || date == root.startTime();
}

// The part of a series from an occurrence on, carried over to the series
// that goes on from there, as the store carries it in the file: the
// occurrences deleted there, the extra dates (rows the rule does not give)
// moved as the occurrence moved, and the changed occurrences, which keep
// their own times and content and answer to their dates moved likewise
// (another program's change of a later occurrence stays that change).
struct CarriedTail {
    QString keptExceptions;     // the old series' entries before the occurrence
    QString carriedExceptions;  // the new series' entries
    TaskList carriedRows;       // new rows for the new series, their parent still to be set
};

CarriedTail carriedTail(const CoreData& dataManager, const Task& root, const Task& event, const Date& occurrence)
{
    CarriedTail tail;
    const double shift = Utilities::toDBDate(event.startTime()).timeIntervalSince1970()
                         - Utilities::toDBDate(occurrence).timeIntervalSince1970();
    const QStringList entries = root.repeatExceptions().split(QLatin1Char('|'));
    tail.keptExceptions = entries.first();
    for (qsizetype index = 1; index < entries.size(); ++index) {
        const QString& entry = entries[index];
        const qsizetype markAt = entry.indexOf(QLatin1Char('('));
        bool isNumber = false;
        const double stored = (markAt < 0 ? entry : entry.left(markAt)).toDouble(&isNumber);
        const Date storedDate = isNumber ? Date::dateFromOutside(stored, "the repeat exceptions") : Date();
        const Date date = storedDate.isNull() ? Date() : Utilities::fromDBDate(storedDate);
        if (date.isNull() || date < occurrence) {
            tail.keptExceptions += QLatin1Char('|') + entry;
        } else if (entry.mid(markAt) == QStringLiteral("(2)")) {
            tail.carriedExceptions += QLatin1Char('|') % Task::storedDateText(Utilities::newDateFromDate(date, shift))
                                      % QStringLiteral("(2)");
        }
    }
    for (const TaskPtr& row : dataManager.getAllDetachedEventWithParentID(root.primaryKey())) {
        if (!row || row->occurrence() < occurrence || row->primaryKey() == event.primaryKey()) continue;
        if (row->occurrence() == occurrence) continue;
        TaskPtr moved = oneOffCopy(*row, Utilities::newDateFromDate(row->occurrence(), shift));
        if (!ruleGives(root, row->occurrence())) {
            moved->setStartTime(Utilities::newDateFromDate(row->startTime(), shift));
            moved->setEndTime(Utilities::newDateFromDate(row->endTime(), shift));
        }
        moved->setICalUID(QString());
        tail.carriedExceptions += QLatin1Char('|') % Task::storedDateText(moved->occurrence()) % QStringLiteral("(1)");
        tail.carriedRows << moved;
    }
    return tail;
}

// An end at a start of the series (a counted series' last one, moved) is
// written as the close of that day when no later occurrence falls between:
// it ends the series after the same occurrence, and in a file some readers
// take an end at an occurrence's very start in the offset of the series'
// first one, so across a change of daylight saving they drop that occurrence.
void endAtCloseOfDay(Task& series)
{
    const Date end = series.repeatEndDate();
    if (series.repeatType() <= 0 || series.isRepeatForever() != 0 || !end.isValid()) return;
    const Date close = Utilities::resetTimeForDate(end, 23, 59, 59);
    if (close <= end) return;
    RecurrenceSeries rule = series.recurrenceSeries();
    rule.repeatExceptions.clear();
    rule.isRepeatForever = true;
    const std::optional<Date> next = RecurrenceExpander::nextOccurrence(rule, end);
    if (!next || *next > close) series.setRepeatEndDate(close);
}

bool isAutoICalSyncOn(const CoreData& dataManager)
{
    const SettingPtr setting = dataManager.currentSetting();
    return setting && setting->autoICalSync() != 0;
}

// The system calendar and the alarms hear of a change only once it is there
// to stay: a command that fails later on sends nothing.
void whenCommitted(std::function<void()> action)
{
    Transaction::afterCommitOrNow(std::move(action));
}

void updateAlarmWhenCommitted(CoreData& dataManager, const TaskPtr& item)
{
    whenCommitted([&dataManager, item] { dataManager.updateLocalNotificationForTask(item); });
}

// A written event goes to the system calendar; a calendar that holds tasks
// only loses its copy of the event instead.
void pushEditToSystemCalendar(const CoreData& dataManager, const TaskPtr& event, qint64 updateType)
{
    iCalSync* sync = dataManager.icalSync();
    if (!sync || !isAutoICalSyncOn(dataManager)) return;
    const bool hasCopy = !event->iCalUID().isEmpty();
    const CalendarPtr category = dataManager.calendarWithPrimaryKey(event->calendarId());
    if (category && category->taskOrEvent() == tasksOnlyCalendar) {
        if (hasCopy)
            whenCommitted([sync, event] { sync->backgroundOneWaySyncDeleteToICalEvent(event, allOccurrences); });
        return;
    }
    if (hasCopy) {
        // Marked with the edit: a kill before the store write leaves the
        // next start to write it, not to read the old copy back.
        iCalSync::markStoreWriteDue(event);
        whenCommitted([sync, event, updateType] { sync->backgroundOneWaySyncUpdateToICalEvent(event, updateType); });
    }
    else
        whenCommitted([sync, event] { sync->backgroundOneWaySyncInsertToICalEventRoot(event); });
}

// The store is handed the event as it is now: the caller may turn the item
// it gets back into another one before the unit commits (a conversion to a
// task clears the uid and the dates the store copy is found by). The removal
// of a whole event is recorded in the unit, for the next start to finish;
// false when it could not be, and the caller refuses its unit.
[[nodiscard]] bool deleteFromSystemCalendar(const CoreData& dataManager, const TaskPtr& event, qint64 type,
                                            bool sameThread, bool wholeEvent = false)
{
    iCalSync* sync = dataManager.icalSync();
    if (!sync) return true;
    if ((wholeEvent || type == allOccurrences) && !iCalSync::recordStoreItemRemoval(event)) return false;
    whenCommitted([sync, event = std::make_shared<Task>(*event), type, sameThread] {
        if (sameThread)
            sync->syncDeleteToICalEvent(event, type);
        else
            sync->backgroundOneWaySyncDeleteToICalEvent(event, type);
    });
    return true;
}

// An event of a calendar kept on a server can vanish from the store for a
// moment while it is saved; the item open in the editor is not deleted under
// the user for that.
bool isOpenInEditorOfServerCalendar(const CoreData& dataManager, const QString& uid)
{
    const TaskPtr editing = dataManager.modifyingTask();
    if (!editing || editing->builtIn() != 0 || editing->iCalUID() != uid) return false;
    const CalendarPtr category =
        dataManager.getCalendarByPrimaryKey(editing->calendarId(), 0, dataManager.calendarList(), true);
    return !category || category->typeOfCal() != localCalendarType;
}

}  // namespace

// ---- edits -----------------------------------------------------------------------

void CoreData::fetchPrevEvent(const TaskPtr& event, qint64 primaryKey) const
{
    const TaskPtr stored = taskWithPrimaryKey(primaryKey);
    if (!stored) return;
    event->setLocalStartDate(stored->startTime());
    event->setLocalEndDate(stored->endTime());
    event->setPrevtz(stored->tz());
    event->setICalUID(stored->iCalUID());
    event->setPrevAllDay(stored->isADE() != 0);
}

bool CoreData::doEditAllOperatorWithEvent(const TaskPtr& event, bool autoSyncZVW)
{
    if (!event) return false;
    Transaction transaction;
    if (!transaction.isOpen()) return false;
    // The event takes the root's identity and previous state before it is
    // written; a failure hands it back as the caller left it.
    transaction.keep(event);
    // Where the series started before: the occurrence handed in, or the root's own start.
    Date former = event->parentId() != rootParent ? event->occurrence() : Date();
    if (event->parentId() != rootParent) {
        // From here on the event is written as the root row. It carries the
        // root's exceptions: a detached row has none of its own, and an
        // instance's copy may be older than the row.
        const TaskPtr root = getRootEventWithParentID(event->parentId());
        if (!root) return false;
        event->setPrimaryKey(root->primaryKey());
        event->setParentId(rootParent);
        event->setICalUID(root->iCalUID());
        event->setZvwID(root->zvwID());
        event->setRepeatExceptions(root->repeatExceptions());
    }
    if (event->primaryKey() < 0) return false;
    const Date start = event->startTime();
    const TaskPtr stored = taskWithPrimaryKey(event->primaryKey());
    const bool endMoved = endMovedWithSeries(*event, stored, former);
    event->setRepeatStartDate(repeatStartMovedWithSeries(*event, stored, former));
    const qint64 days = stored ? weekdaysMovedWithSeries(*event, *stored, former ? former : stored->startTime()) : 0;
    // An end moved with the weekdays is written anew with the new rule:
    // as the close of its day, which every reader takes whatever offset
    // the series started in.
    if (endMoved && days != 0) endAtCloseOfDay(*event);
    // A root without a rule has no time of day its occurrences share: its
    // detached rows are a file's extra dates or other changed occurrences,
    // each at its own time. They move only by what the root moved (nothing,
    // for a new title), as the store moves them.
    const bool ownTimes = stored && stored->repeatType() <= 0 && event->repeatType() <= 0;
    const double moved = ownTimes ? start.timeIntervalSinceDate(stored->startTime()) : 0;
    const auto retimed = [&](const Date& occurrence) {
        return ownTimes ? Utilities::newDateFromDate(occurrence, moved) : retimedOccurrence(occurrence, start, days);
    };
    event->setRepeatExceptions(retimedExceptions(event->repeatExceptions(), retimed));
    fetchPrevEvent(event, event->primaryKey());
    // Edited from the series' first occurrence still shown, where the root
    // row starts at an earlier one that was deleted or changed: the store
    // has no occurrence at the row's start, so it is told the one the edit
    // was made from, and moves the series by what the edit moved (nothing,
    // for a new title) rather than onto that occurrence.
    if (stored && former && former == currentFirstOccurrence(*stored) && former != stored->startTime()) {
        event->setLocalStartDate(former);
        event->setLocalEndDate(Utilities::newDateFromDate(former, stored->endTime().timeIntervalSinceDate(stored->startTime())));
    }
    if (!event->dehydrate()) return false;
    // A series that is not for ever but has no end date has no end. A root
    // that does not repeat has no series end at all: its detached rows are
    // the occurrences of a file's rule or extra dates, which the store moves
    // with it and the sync then sets from the file.
    // An occurrence at the end itself is still the series' (an end at the
    // last start, as other programs write it): only those after it go.
    if (event->repeatType() > 0 && event->isRepeatForever() == 0 && event->repeatEndDate().isValid()
        && !deleteAllDetachedEventsParentID(event->primaryKey(), event->repeatEndDate().dateByAddingTimeInterval(1)))
        return false;
    updateAlarmWhenCommitted(*this, event);
    // The detached rows keep answering to their exception entries, which
    // moved to the new time of day.
    for (const TaskPtr& detached : getAllDetachedEventWithParentID(event->primaryKey())) {
        detached->setCalendarId(event->calendarId());
        detached->setOccurrence(retimed(detached->occurrence()));
        if (!detached->dehydrate()) return false;
    }
    pushEditToSystemCalendar(*this, event, allOccurrences);
    if (autoSyncZVW && isAutoZVWSyncOn()) postAutoSyncRequest(AutoSync::items);
    return transaction.commit();
}

bool CoreData::doEditAllFutureOperatorWithEvent(const TaskPtr& event)
{
    if (!event) return false;
    Transaction transaction;
    if (!transaction.isOpen()) return false;
    const TaskPtr root =
        getRootEventWithParentID(event->parentId() != rootParent ? event->parentId() : event->primaryKey());
    if (!root) return false;
    const Date occurrence = occurrenceOf(*event, *root);
    const Date end = Utilities::newDateFromDate(occurrence, endBeforeOccurrence);
    if (seriesIsEmptyUntil(root, end)) {
        // Nothing of the series comes before the occurrence: its future is
        // the whole series. Cutting it there would leave the old root showing
        // its first occurrence next to the new series' one.
        if (!doEditAllOperatorWithEvent(event, false)) return false;
        postAutoSyncRequest(AutoSync::items);
        return transaction.commit();
    }
    const TaskPtr series = freshCopy(*event);
    // A changed occurrence goes on repeating as its series did.
    if (kindOf(*event) == EventKind::Detached && root->repeatType() > 0) {
        series->setRepeatType(root->repeatType());
        series->setRepeatOptions(root->repeatOptions());
        series->setIsRepeatForever(root->isRepeatForever());
        series->setRepeatEndDate(root->repeatEndDate());
    }
    series->setRepeatStartDate(event->startTime());
    series->setParentId(rootParent);
    weekdaysMovedWithSeries(*series, *root, occurrence);
    // Its end moves as the occurrence moved, as a whole series' end does: an
    // end at the last start would lose that occurrence to a later time.
    endMovedWithSeries(*series, root, occurrence);
    endAtCloseOfDay(*series);
    const CarriedTail tail = carriedTail(*this, *root, *event, occurrence);
    series->setRepeatExceptions(tail.carriedExceptions);
    // The store copy is split where the series is: the rest of the file (its
    // extra and deleted dates) goes on as the new series' copy, which the
    // new row is linked to once written. Without one the new row is a new
    // copy, and carries no uid meanwhile that a full sync would pair it by.
    iCalSync* sync = icalSync();
    const CalendarPtr category = calendarWithPrimaryKey(root->calendarId());
    const bool splitInStore = sync && isAutoICalSyncOn(*this) && !root->iCalUID().isEmpty()
                              && !(category && category->taskOrEvent() == tasksOnlyCalendar);
    series->setICalUID(splitInStore ? QString() : root->iCalUID());
    setModifyingTask(series);
    root->setRepeatEndDate(end);
    root->setIsRepeatForever(0);
    root->setRepeatExceptions(tail.keptExceptions);
    if (!root->dehydrate()) return false;
    updateAlarmWhenCommitted(*this, root);
    if (!splitInStore && isAutoICalSyncOn(*this) && !deleteFromSystemCalendar(*this, event, thisAndFuture, false)) return false;
    if (!deleteAllDetachedEventsParentID(root->primaryKey(), occurrence) || !addNewItem(series, !splitInStore)) return false;
    for (const TaskPtr& carried : tail.carriedRows) {
        carried->setParentId(series->primaryKey());
        carried->setCalendarId(series->calendarId());
        if (!carried->insertAndDehydrate()) return false;
    }
    if (splitInStore) {
        TaskPtr cut = event->copy();
        cut->setICalUID(root->iCalUID());
        cut->setOccurrence(occurrence);
        cut->setParentId(root->primaryKey());
        cut->setTz(root->tz());
        // Owed with the edit: a stop before the split leaves the record,
        // and the next start splits the file before it reads it back.
        const iCalSync::StoreSplit split{series->primaryKey(), root->iCalUID(), occurrence, root->tz(),
                                         QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper()};
        if (!iCalSync::recordStoreSplit(split)) return false;
        whenCommitted([sync, cut, series] { sync->backgroundOneWaySyncSplitToICalEvent(cut, series); });
    }
    // Asked for whatever the switch says: the web sync tests it itself.
    postAutoSyncRequest(AutoSync::items);
    return transaction.commit();
}

bool CoreData::doEditOnlyThisOperatorWithEvent(const TaskPtr& event, bool autoSyncZVW)
{
    if (!event) return false;
    Transaction transaction;
    if (!transaction.isOpen()) return false;
    // Its previous state and root zone are filled in before anything is
    // written.
    transaction.keep(event);
    TaskPtr written;
    switch (kindOf(*event)) {
    case EventKind::Plain:
    case EventKind::Detached:
        fetchPrevEvent(event, event->primaryKey());
        setModifyingTask(event);
        if (!event->dehydrate()) return false;
        updateAlarmWhenCommitted(*this, event);
        written = event;
        break;
    case EventKind::Root:
        written = detachOccurrence(event, event->primaryKey());
        break;
    case EventKind::Instance:
        written = detachOccurrence(event, event->parentId());
        break;
    case EventKind::Unsaved:
        return false;
    }
    if (!written) return false;
    pushEditToSystemCalendar(*this, written, thisOccurrence);
    if (autoSyncZVW && isAutoZVWSyncOn()) postAutoSyncRequest(AutoSync::items);
    return transaction.commit();
}

// The occurrence becomes a detached row of the series, and its entry in the
// root's exceptions keeps the series from showing it a second time. Runs in
// the caller's unit.
TaskPtr CoreData::detachOccurrence(const TaskPtr& event, qint64 rootKey)
{
    const TaskPtr root = getRootEventWithParentID(rootKey);
    if (!root) return nullptr;
    const Date occurrence = occurrenceOf(*event, *root);
    const TaskPtr detached = oneOffCopy(*event, occurrence);
    detached->setParentId(rootKey);
    fetchPrevEvent(detached, rootKey);
    detached->setRootTZ(root->tz());
    event->setRootTZ(root->tz());
    setModifyingTask(detached);
    root->addRepeatException(occurrence, Task::RepeatException::Changed);
    moveSeriesStartPast(*this, root, occurrence);
    if (!root->dehydrate()) return nullptr;
    updateAlarmWhenCommitted(*this, root);
    if (!detached->insertAndDehydrate()) return nullptr;
    updateAlarmWhenCommitted(*this, detached);
    return detached;
}

// ---- deletes ---------------------------------------------------------------------

TaskPtr CoreData::doDeleteAllOperatorWithEvent(const TaskPtr& event)
{
    return doDeleteAllOperatorWithEvent(event, true, true);
}

TaskPtr CoreData::doDeleteAllOperatorWithEvent(const TaskPtr& event, bool autoSyncZVW)
{
    return doDeleteAllOperatorWithEvent(event, true, autoSyncZVW);
}

TaskPtr CoreData::doDeleteAllOperatorWithEvent(const TaskPtr& event, bool needSync, bool autoSyncZVW)
{
    if (!event) return nullptr;
    Transaction transaction;
    if (!transaction.isOpen()) return nullptr;
    transaction.keep(event);
    if (event->parentId() != rootParent) {
        const TaskPtr root = getRootEventWithParentID(event->parentId());
        if (!root) return nullptr;
        event->setPrimaryKey(root->primaryKey());
        event->setParentId(rootParent);
        event->setICalUID(root->iCalUID());
    }
    if (event->primaryKey() < 0) return nullptr;
    const TaskPtr removed = event->copy();
    if (!deleteAllEventsWithParentID({event->primaryKey()}, needSync)) return nullptr;
    if (needSync && isAutoICalSyncOn(*this) && !deleteFromSystemCalendar(*this, removed, allOccurrences, false))
        return nullptr;
    if (autoSyncZVW && isAutoZVWSyncOn()) postAutoSyncRequest(AutoSync::items);
    return transaction.commit() ? removed : nullptr;
}

TaskPtr CoreData::doDeleteAllFutureOperatorWithEvent(const TaskPtr& event, bool autoSyncZVW)
{
    if (!event) return nullptr;
    Transaction transaction;
    if (!transaction.isOpen()) return nullptr;
    const TaskPtr handedIn = event->copy();
    const TaskPtr root = getOriginTaskForTaskInDB(event);
    if (!root) return nullptr;
    const Date occurrence = occurrenceOf(*event, *root);
    const Date end = Utilities::newDateFromDate(occurrence, endBeforeOccurrence);
    root->setIsRepeatForever(0);
    root->setRepeatEndDate(end);
    if (!root->dehydrate()) return nullptr;
    updateAlarmWhenCommitted(*this, root);
    if (!deleteAllDetachedEventsParentID(root->primaryKey(), occurrence)) return nullptr;
    if (seriesIsEmptyUntil(root, end)) {
        if (!deleteAllEventsWithParentID({root->primaryKey()}, true)
            || !deleteFromSystemCalendar(*this, root, allOccurrences, false))
            return nullptr;
    } else if (!deleteFromSystemCalendar(*this, event, thisAndFuture, false)) {
        return nullptr;
    }
    if (autoSyncZVW && isAutoZVWSyncOn()) postAutoSyncRequest(AutoSync::items);
    return transaction.commit() ? handedIn : nullptr;
}

TaskPtr CoreData::doDeleteOnlyThisOperatorWithEvent(const TaskPtr& event)
{
    return doDeleteOnlyThisOperatorWithEvent(event, true, true, false);
}

TaskPtr CoreData::doDeleteOnlyThisOperatorWithEvent(const TaskPtr& event, bool autoSyncZVW)
{
    return doDeleteOnlyThisOperatorWithEvent(event, true, autoSyncZVW, false);
}

TaskPtr CoreData::doDeleteOnlyThisOperatorWithEvent(const TaskPtr& event, bool autoSyncZVW, bool sameThread)
{
    return doDeleteOnlyThisOperatorWithEvent(event, true, autoSyncZVW, sameThread);
}

TaskPtr CoreData::doDeleteOnlyThisOperatorWithEvent(const TaskPtr& event, bool needSync, bool autoSyncZVW,
                                                    bool sameThread)
{
    if (!event) return nullptr;
    const EventKind kind = kindOf(*event);
    if (kind == EventKind::Unsaved) return nullptr;
    Transaction transaction;
    if (!transaction.isOpen()) return nullptr;
    // Its uid is refreshed, and a root row takes the exception, before
    // anything is written.
    transaction.keep(event);
    if (kind != EventKind::Instance) {
        const TaskPtr stored = taskWithPrimaryKey(event->primaryKey());
        event->setICalUID(stored ? stored->iCalUID() : QStringLiteral(""));
    }
    TaskPtr removed;
    switch (kind) {
    case EventKind::Plain:
        if (!doDeleteTask(event, needSync, false)) return nullptr;
        removed = event;
        if (needSync && !deleteFromSystemCalendar(*this, event, thisOccurrence, sameThread, true)) return nullptr;
        break;
    case EventKind::Root:
        removed = deleteSeriesOccurrence(event, event, needSync, needSync, sameThread);
        break;
    case EventKind::Instance:
        if (const TaskPtr root = getRootEventWithParentID(event->parentId()))
            removed = deleteSeriesOccurrence(event, root, true, needSync, sameThread);
        break;
    case EventKind::Detached:
        removed = deleteDetachedOccurrence(event, needSync, sameThread);
        break;
    case EventKind::Unsaved:
        break;
    }
    if (!removed) return nullptr;
    if (autoSyncZVW && isAutoZVWSyncOn()) postAutoSyncRequest(AutoSync::items);
    return transaction.commit() ? removed : nullptr;
}

// The occurrence is marked deleted in the root, which is written with the
// list's copy refreshed or not as asked. Answers the occurrence as a one-off
// item. Runs in the caller's unit, as does the detached delete below.
TaskPtr CoreData::deleteSeriesOccurrence(const TaskPtr& event, const TaskPtr& root, bool updateList, bool needSync,
                                         bool sameThread)
{
    const Date occurrence = occurrenceOf(*event, *root);
    const TaskPtr oneOff = oneOffCopy(*event, occurrence);
    oneOff->setICalUID(root->iCalUID());
    root->addRepeatException(occurrence, Task::RepeatException::Deleted);
    moveSeriesStartPast(*this, root, occurrence);
    if (!root->dehydrateUpdateOption(updateList)) return nullptr;
    if (needSync) updateAlarmWhenCommitted(*this, root);
    const std::optional<qint64> type = deleteSeriesWhenEmpty(root);
    if (!type) return nullptr;
    if (needSync && !deleteFromSystemCalendar(*this, oneOff, *type, sameThread)) return nullptr;
    return oneOff;
}

TaskPtr CoreData::deleteDetachedOccurrence(const TaskPtr& event, bool needSync, bool sameThread)
{
    if (!doDeleteTask(event, needSync, false)) return nullptr;
    std::optional<qint64> type = thisOccurrence;
    if (const TaskPtr root = getOriginTaskForTaskInDB(event)) {
        root->setRepeatExceptions(markedDeleted(root->repeatExceptions(), event->occurrence()));
        if (!root->dehydrate()) return nullptr;
        type = deleteSeriesWhenEmpty(root);
        if (!type) return nullptr;
    }
    if (needSync && !deleteFromSystemCalendar(*this, event, *type, sameThread)) return nullptr;
    return event;
}

// Nothing of the series shows up to the end: no occurrence of the rule that
// is neither changed nor deleted, and no detached occurrence.
bool CoreData::seriesIsEmptyUntil(const TaskPtr& root, const Date& end) const
{
    return !showsOccurrenceUntil(*root, end) && !hasExceptionEvent(root, end);
}

// A finite series with nothing left is removed, root included; answers the
// scope the system calendar is to delete, nothing when the removal failed.
std::optional<qint64> CoreData::deleteSeriesWhenEmpty(const TaskPtr& root)
{
    // A root that does not repeat (a file's series the organizer shows one
    // by one) is itself an occurrence that stays, and its end date, left
    // from whatever made the row, ends nothing.
    if (root->repeatType() == 0) return thisOccurrence;
    if (root->isRepeatForever() != 0 || !root->repeatEndDate().isValid()) return thisOccurrence;
    if (!seriesIsEmptyUntil(root, root->repeatEndDate())) return thisOccurrence;
    if (!deleteAllEventsWithParentID({root->primaryKey()}, true)) return std::nullopt;
    return allOccurrences;
}

// Called after the event's row is saved, possibly inside the caller's unit:
// the store hears of it once that unit has committed.
void CoreData::doInsertAllOperatorWithEvent(const TaskPtr& event)
{
    iCalSync* sync = icalSync();
    if (!sync) return;
    const bool insertToZVW = isAutoZVWSyncOn();
    whenCommitted([sync, event, insertToZVW] { sync->backgroundOneWaySyncInsertToICalEvent(event, insertToZVW); });
}

// ---- series rows -----------------------------------------------------------------

namespace {

// The two statements of one such delete, kept prepared: a full sync deletes
// the detached rows of every series it rewrites.
struct DetachedRowStatements {
    explicit DetachedRowStatements(const QByteArray& occurrenceTest)
        : selectSql("SELECT zvwID, primaryKey FROM Tasks WHERE parentId=? AND " + occurrenceTest),
          deleteSql("DELETE FROM Tasks WHERE parentId=? AND " + occurrenceTest), select(selectSql.constData()),
          remove(deleteSql.constData())
    {
    }
    const QByteArray selectSql;
    const QByteArray deleteSql;
    CachedStatement select;
    CachedStatement remove;
};

// The detached rows of a series whose occurrence matches the statements'
// test ("occurrence>=?" or "occurrence=?") against the date, gone from the
// rows and the working list together.
bool deleteDetachedRows(CoreData& dataManager, qint64 parentId, const Date& date, DetachedRowStatements& statements)
{
    if (!TaskQuery::databaseReadyOrSay()) return false;
    Transaction transaction;
    if (!transaction.isOpen()) return false;
    const auto bindRow = [&](QueryStatement& query) {
        query.bind(1, parentId);
        bindDate(query, 2, date);
    };
    const std::optional<QList<qint64>> deleted =
        DeletedRows::deleteItems(statements.select, statements.remove, bindRow, DeletedRows::WebIds::Queue);
    if (!deleted) return false;
    DeletedRows::dropFromWorkingList(dataManager, *deleted);
    return transaction.commit();
}

}  // namespace

bool CoreData::deleteAllDetachedEventsParentID(qint64 parentId, const Date& afterDate)
{
    static DetachedRowStatements statements("occurrence>=?");
    return deleteDetachedRows(*this, parentId, afterDate, statements);
}

bool CoreData::deleteDetachedEventParentID(qint64 parentId, const Date& onDate)
{
    static DetachedRowStatements statements("occurrence=?");
    return deleteDetachedRows(*this, parentId, onDate, statements);
}

// Without the flag the server asked for the deletion: it has no use for the
// root's id, and the working list is the caller's to update.
bool CoreData::deleteAllEventsWithParentID(const QList<qint64>& parentIds, bool needRemoveInAllTaskList)
{
    if (!TaskQuery::databaseReadyOrSay()) return false;
    Transaction transaction;
    if (!transaction.isOpen()) return false;
    for (const qint64 key : parentIds) {
        const auto bindKey = [key](QueryStatement& query) { query.bind(1, key); };
        std::optional<QList<qint64>> deleted = DeletedRows::deleteItems("parentId=?", bindKey, DeletedRows::WebIds::Queue);
        const std::optional<QList<qint64>> root = deleted ? DeletedRows::deleteItems("primaryKey=?", bindKey,
                                                                                      needRemoveInAllTaskList
                                                                                          ? DeletedRows::WebIds::Queue
                                                                                          : DeletedRows::WebIds::Keep)
                                                          : std::nullopt;
        if (!root) return false;
        if (!needRemoveInAllTaskList) continue;
        DeletedRows::dropFromWorkingList(*this, *deleted + *root);
    }
    return transaction.commit();
}

bool CoreData::deleteAllEventsWithUID(const QStringList& uids, bool needRemoveInAllTaskList)
{
    if (!TaskQuery::databaseReadyOrSay()) return false;
    Transaction transaction;
    if (!transaction.isOpen()) return false;
    for (const QString& uid : uids) {
        // Items without a system-calendar copy all share the empty uid.
        if (uid.isEmpty() || isOpenInEditorOfServerCalendar(*this, uid)) continue;
        const std::optional<QList<qint64>> deleted = DeletedRows::deleteItems(
            "iCalIdentifier=?", [&uid](QueryStatement& query) { query.bind(1, uid); }, DeletedRows::WebIds::Queue);
        if (!deleted) return false;
        if (!needRemoveInAllTaskList) continue;
        DeletedRows::dropFromWorkingList(*this, *deleted);
    }
    return transaction.commit();
}
