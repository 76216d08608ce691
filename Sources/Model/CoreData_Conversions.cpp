// Conversions between events, tasks, scheduled tasks and notes, and the web
// identities of items that move to another category.
#include "CoreData.h"

#include "AlertPresenter.h"
#include "Calendar.h"
#include "DeletedRows.h"
#include "Link.h"
#include "NotificationCenter.h"
#include "Notifications.h"
#include "Setting.h"
#include "Task.h"
#include "TextTable.h"
#include "Transaction.h"
#include "Utilities.h"
#include "iCalSync.h"
#include "ModelInternals.h"

namespace {

// A repeating root, or an occurrence generated from one.
bool isSeriesCase(const Task& item)
{
    return (item.parentId() == -1 && item.repeatType() != 0) || item.primaryKey() <= -2;
}

// How a copy taken from an event or a scheduled task starts over as a task:
// a plain item or a detached occurrence, one occurrence of a series, or all
// (all future) occurrences of a series.
enum class NewTaskReset { Single, OnlyThis, Whole };
enum class ZoneReset { Floating, Keep };

// A new row for the web service and the system calendar store: open, no
// alerts, no due date flag, no series parent.
void startAsNewOpenTask(Task& item)
{
    item.setHasDue(0);
    item.setAlertValues(QStringLiteral(""));
    item.setParentId(-1);
    item.setIsADE(0);
    item.setStatus(0);
    item.setCompletedDate(zeroDate);
    item.setICalUID(QStringLiteral(""));
    item.setLastUpdate(0);
    item.setZvwID(0);
}

// The copy becomes a new task at the next quarter hour that keeps its
// length; one occurrence taken out of a series stays due at the end it had
// there.
void resetAsNewTask(Task& item, NewTaskReset variant, ZoneReset zone)
{
    const Date occurrenceEnd = item.endTime();
    const qint64 minutes = item.duration();
    item.setTaskType(ItemKind::Task);
    // A copy that never had a row would take the default task length here.
    item.setDuration(minutes);
    const Date start = Utilities::roundTo15MinutesForCurrentDate();
    item.setStartTime(start);
    item.setEndTime(Utilities::newDateFromDate(start, double(minutes * 60)));
    item.setDueEnd(variant == NewTaskReset::OnlyThis ? occurrenceEnd : item.endTime());
    startAsNewOpenTask(item);
    if (zone == ZoneReset::Floating) item.setTz(0);
    if (variant != NewTaskReset::Single) item.setOccurrence(zeroDate);
    if (variant == NewTaskReset::OnlyThis) item.setRepeatExceptions(QStringLiteral(""));
    if (variant == NewTaskReset::Whole) item.setIsRepeatForever(1);
}

// The answer to a question with OK and Cancel and a do-not-ask-again box.
// Questions are asked before a command's unit opens, so that no lock is held
// while the user thinks; the unit then sets the switch with the rest.
struct Confirmation {
    bool ok = false;
    qint64 askAgain = 1;  // the value of the switch that asks the question
};

Confirmation confirm(const QString& message, const QString& informative)
{
    AlertRequest request;
    request.messageText = message;
    request.informativeText = informative;
    const int ok = request.addButtonWithTitle(TextTable::localizedString(QStringLiteral("okText")));
    request.addButtonWithTitle(TextTable::localizedString(QStringLiteral("cancelText")));
    request.showsSuppressionButton = true;
    const AlertResponse response = AlertPresenter::current().runModal(request);
    return {response.button == ok, response.suppressed ? 0 : 1};
}

// A do-not-ask switch of the settings.
struct AskSwitch {
    qint64 (Setting::*get)() const = nullptr;
    void (Setting::*set)(qint64) = nullptr;
};

// Sets the switch inside the open unit. Some switches live outside what the
// record keeps for a rollback, so the old value is put back by hand.
void setAskSwitchInUnit(Transaction& transaction, Setting& setting, const AskSwitch& askSwitch, qint64 value)
{
    transaction.onRollback(
        [&setting, askSwitch, before = (setting.*askSwitch.get)()] { (setting.*askSwitch.set)(before); });
    (setting.*askSwitch.set)(value);
}

// A cancelled question's do-not-ask-again box has no change behind it to be
// written with, so it is written at once in a unit of its own, the record
// row and the side file both (some switches live in one, some in the other).
bool keepCancelledAnswer(CoreData& manager, void (Setting::*set)(qint64), qint64 askAgain)
{
    if (!manager.saveSettingFromView([set, askAgain](Setting& kept) { (kept.*set)(askAgain); })) return false;
    if (const SettingPtr setting = manager.currentSetting(); setting && !setting->saveLocalSettings())
        qWarning() << "The answer to a conversion's question could not be written to the side file";
    return true;
}

// Which part of a series the user chose to take out as a task.
enum class SeriesPart { None, OnlyThis, Rest };

// The first occurrence of a series offers all of it; a later one offers
// itself and the rest of the series.
bool isFirstOccurrence(const Task& source)
{
    return Utilities::compareDateNoTime(source.occurrence(), source.repeatStartDate()) == 0;
}

SeriesPart askSeriesPart(const Task& source, const QString& message, const QString& onlyThisTitle,
                         const QString& allFutureTitle)
{
    const bool firstOccurrence = isFirstOccurrence(source);
    AlertRequest request;
    request.messageText = message;
    request.informativeText =
        firstOccurrence ? TextTable::localizedString(QStringLiteral("convertAllEvent2TaskMessageText"))
                        : TextTable::localizedString(QStringLiteral("convertAllFutureEvent2TaskMessageText"));
    const int onlyThis = request.addButtonWithTitle(onlyThisTitle);
    const int rest = request.addButtonWithTitle(
        firstOccurrence ? TextTable::localizedString(QStringLiteral("allText")) : allFutureTitle);
    request.addButtonWithTitle(TextTable::localizedString(QStringLiteral("cancelText")));
    const int answer = AlertPresenter::current().runModal(request).button;
    if (answer == onlyThis) return SeriesPart::OnlyThis;
    return answer == rest ? SeriesPart::Rest : SeriesPart::None;
}

// The item's store copy goes with the command's unit: its removal is
// recorded in the unit (as the item is now, a task's as a task's), so a kill
// before the store hears of it leaves the next start to remove it instead of
// taking it in again, and the uid goes from the row in the same unit. The
// store is handed the item as it is now, uid included. False when the
// removal could not be recorded: the unit is refused.
bool dropStoreCopy(CoreData& dataManager, const TaskPtr& item)
{
    if (item->iCalUID().isEmpty()) return true;
    if (iCalSync* sync = dataManager.icalSync()) {
        if (!iCalSync::recordStoreItemRemoval(item)) return false;
        Transaction::afterCommitOrNow([sync, inStore = std::make_shared<Task>(*item)] {
            sync->backgroundOneWaySyncDeleteToICalTask(inStore, 0);
        });
    }
    item->setICalUID(QStringLiteral(""));
    return true;
}

// Places a task on the day grid as an event starting at the start given, or
// at the next quarter hour. Its reminder leaves the store; an event that
// belongs there gets a copy of its own once the unit stays.
bool placeOnDayGrid(CoreData& dataManager, const TaskPtr& task, const Date& startTime)
{
    const SettingPtr setting = dataManager.currentSetting();
    if (!dropStoreCopy(dataManager, task)) return false;
    task->setTaskType(ItemKind::Event);
    const Date start = startTime ? startTime : Utilities::roundTo15MinutesForCurrentDate();
    task->setStartTime(start);
    if (task->hasDuration() == 0) {
        task->setHasDuration(1);
        task->setDuration(setting ? setting->durationDefEventVal() : 0);
    }
    task->setEndTime(Utilities::newDateFromDate(start, double(task->duration() * 60)));
    task->setIsADE(0);
    task->setRepeatStartDate(start);
    task->setParentId(-1);
    if (setting && setting->tzSupport()) task->setTz(setting->currentTZ());
    dataManager.recalculateSaveTimeWithTimezoneSupport(task);
    return true;
}

// A new open task in the note's category on the selected day, linked from
// the note. Null when the task could not be stored.
TaskPtr newTaskLinkedFromNote(CoreData& dataManager, const Task& note)
{
    auto task = std::make_shared<Task>();
    task->setTaskName(note.taskName());
    task->setTaskType(ItemKind::Task);
    const Date start = Utilities::roundTo15MinutesForDate(dataManager.currentSelectedDay(), false);
    task->setStartTime(start);
    const SettingPtr setting = dataManager.currentSetting();
    const qint64 minutes = setting ? setting->durationDefTaskVal() : 0;
    task->setEndTime(Utilities::newDateFromDate(start, double(minutes * 60)));
    task->setDueEnd(zeroDate);
    startAsNewOpenTask(*task);
    task->setCalendarId(note.calendarId());
    dataManager.setModifyingTask(task);
    // A task that got no row must not leave a link to nowhere.
    if (!dataManager.addNewTask(task) || task->primaryKey() < 1) return nullptr;
    auto link = std::make_shared<Link>();
    link->setRootId(note.primaryKey());
    link->setTargetId(task->primaryKey());
    return dataManager.insertLink(link) ? task : nullptr;
}

// A category that cannot be found counts as mixed.
qint64 categoryKindOf(const CoreData& dataManager, qint64 calendarId)
{
    const CalendarPtr category = dataManager.calendarWithPrimaryKey(calendarId);
    return category ? category->taskOrEvent() : 0;
}

// The web service keeps the item under its old category: the next push
// creates it anew and the server deletes the old copy.
bool forgetWebIdentity(Task& item)
{
    if (item.zvwID() <= 0) return true;
    if (!DeletedRows::queueDeletedItems({item.zvwID()})) return false;
    item.setZvwID(0);
    return true;
}

// Inside the caller's unit.
bool renewIdentity(CoreData& dataManager, const TaskPtr& item, bool dropSystemUid, bool updateOption)
{
    Transaction::keepInCurrent(item);
    // The copy the store keeps of the item would come back as a new item.
    if (dropSystemUid && !item->iCalUID().isEmpty()) {
        if (dataManager.icalSync() && !iCalSync::recordStoreItemRemoval(item)) return false;
        item->setICalUID(QStringLiteral(""));
    }
    return forgetWebIdentity(*item) && item->dehydrateUpdateOption(updateOption)
           && dataManager.resetZVWIdOfLinksForItem(item);
}

}  // namespace

// What differs between turning an event and a scheduled task into a task.
struct CoreData::EventConversion {
    bool scheduledTask = false;
    QString message;
    QString onlyThisTitle;
    QString allFutureTitle;
    QString singleInformative;
    qint64 (Setting::*askSwitch)() const = nullptr;
    void (Setting::*setAskSwitch)(qint64) = nullptr;
};

// ---- new rows from events and scheduled tasks -------------------------------------

TaskPtr CoreData::convertEvent2Task(const TaskPtr& event, const AfterConversion& thenInUnit)
{
    return convertToTask(event, {false,
                                 TextTable::localizedString(QStringLiteral("convertEvent2TaskText")),
                                 TextTable::localizedString(QStringLiteral("onlyThisEventText")),
                                 TextTable::localizedString(QStringLiteral("allFutureEventsText")),
                                 TextTable::localizedString(QStringLiteral("convertEvent2TaskMessageText")),
                                 &Setting::showWarningEvent2Task,
                                 &Setting::setShowWarningEvent2Task},
                         thenInUnit);
}

TaskPtr CoreData::convertSTask2Task(const TaskPtr& scheduledTask, const AfterConversion& thenInUnit)
{
    return convertToTask(scheduledTask, {true,
                                         TextTable::localizedString(QStringLiteral("convertSTask2TaskText")),
                                         TextTable::localizedString(QStringLiteral("onlyThisSTaskText")),
                                         TextTable::localizedString(QStringLiteral("allFutureSTasksText")),
                                         TextTable::localizedString(QStringLiteral("convertSTask2TaskMessageText")),
                                         &Setting::showWarningConvertSTask2Task,
                                         &Setting::setShowWarningConvertSTask2Task},
                         thenInUnit);
}

TaskPtr CoreData::convertToTask(const TaskPtr& source, const EventConversion& kind, const AfterConversion& thenInUnit)
{
    const SettingPtr setting = currentSetting();
    const bool series = isSeriesCase(*source);
    SeriesPart part = SeriesPart::None;
    std::optional<Confirmation> answer;
    if (series) {
        part = askSeriesPart(*source, kind.message, kind.onlyThisTitle, kind.allFutureTitle);
    } else if (setting && (setting.get()->*kind.askSwitch)() != 0) {
        answer = confirm(kind.message, kind.singleInformative);
    }
    const bool cancelled = series ? part == SeriesPart::None : answer && !answer->ok;
    if (cancelled) {
        if (answer && answer->askAgain == 0 && keepCancelledAnswer(*this, kind.setAskSwitch, 0))
            postAutoSyncRequest(AutoSync::settings);
        setModifyingTask(nullptr);
        return nullptr;
    }

    Transaction transaction;
    if (!transaction.isOpen()) return nullptr;
    // The scopes write the source's key and uid, and a plain event becomes
    // the new task itself.
    transaction.keep(source);
    const TaskList links = getCurrentLinks(source);
    if (answer) setAskSwitchInUnit(transaction, *setting, {kind.askSwitch, kind.setAskSwitch}, answer->askAgain);
    const TaskPtr converted = series ? takeOccurrencesAsTask(source, kind, part == SeriesPart::OnlyThis)
                                     : takeSingleAsTask(source);
    if (answer) {
        if (!setting->dehydrate()) return nullptr;
        postAutoSyncRequest(AutoSync::settings);
    }
    if (converted && kind.scheduledTask) converted->setIsSheduledTask(false);
    setModifyingTask(converted);
    if (!converted) {
        // Nothing to convert: only the answer about the question stays. A
        // write that failed on the way undoes that too; null either way.
        static_cast<void>(transaction.commit());
        return nullptr;
    }
    // A task that could not be stored stays dirty (logged by the record).
    if (!addNewTask(converted) || converted->dirty() || !restoreLinks(links, converted)) return nullptr;
    if (thenInUnit && !thenInUnit(converted)) return nullptr;
    if (isAutoZVWSyncOn()) postAutoSyncRequest(AutoSync::links);
    return transaction.commit() ? converted : nullptr;
}

TaskPtr CoreData::takeOccurrencesAsTask(const TaskPtr& source, const EventConversion& kind, bool onlyThis)
{
    if (onlyThis) {
        // A scheduled task was never in the system calendar store or on the
        // web as an occurrence of its own: nothing is asked to delete it.
        const TaskPtr copy = kind.scheduledTask ? doDeleteOnlyThisOperatorWithEvent(source, false, true, false)
                                                : doDeleteOnlyThisOperatorWithEvent(source);
        if (copy) resetAsNewTask(*copy, NewTaskReset::OnlyThis, ZoneReset::Floating);
        return copy;
    }
    const TaskPtr copy = isFirstOccurrence(*source) ? doDeleteAllOperatorWithEvent(source, false)
                                                    : doDeleteAllFutureOperatorWithEvent(source, false);
    if (copy) resetAsNewTask(*copy, NewTaskReset::Whole, ZoneReset::Floating);
    return copy;
}

TaskPtr CoreData::takeSingleAsTask(const TaskPtr& source)
{
    const TaskPtr copy = doDeleteOnlyThisOperatorWithEvent(source);
    if (copy) resetAsNewTask(*copy, NewTaskReset::Single, ZoneReset::Floating);
    return copy;
}

bool CoreData::markSTaskDone(const TaskPtr& scheduledTask)
{
    return markSTaskDone(scheduledTask, true);
}

bool CoreData::markSTaskDone(const TaskPtr& scheduledTask, bool autoSyncZVW)
{
    Transaction transaction;
    if (!transaction.isOpen()) return false;
    transaction.keep(scheduledTask);
    const TaskList links = getCurrentLinks(scheduledTask);
    const TaskPtr done = doDeleteOnlyThisOperatorWithEvent(scheduledTask, autoSyncZVW);
    if (!done) return false;
    resetAsNewTask(*done, NewTaskReset::Single, ZoneReset::Keep);
    done->setStatus(1);
    done->setCompletedDate(Utilities::getCompleteDate());
    setModifyingTask(done);
    // A task that could not be stored stays dirty (logged by the record).
    if (!addNewTask(done) || done->dirty() || !restoreLinks(links, done)) return false;
    if (autoSyncZVW && isAutoZVWSyncOn()) postAutoSyncRequest(AutoSync::items | AutoSync::links);
    return transaction.commit();
}

// ---- tasks from notes ----------------------------------------------------------------

TaskPtr CoreData::makeTaskFromNote(const TaskPtr& note)
{
    Transaction transaction;
    if (!transaction.isOpen()) return nullptr;
    const TaskPtr task = newTaskLinkedFromNote(*this, *note);
    if (!task) return nullptr;
    announceTasksFromNotes();
    return transaction.commit() ? task : nullptr;
}

bool CoreData::ConvertNotesToTasks(const TaskList& notes)
{
    Transaction transaction;
    if (!transaction.isOpen()) return false;
    for (const TaskPtr& note : notes)
        if (!newTaskLinkedFromNote(*this, *note)) return false;
    announceTasksFromNotes();
    return transaction.commit();
}

void CoreData::announceTasksFromNotes()
{
    if (isAutoZVWSyncOn()) postAutoSyncRequest(AutoSync::links);
    NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kTaskChanged, this);
}

// ---- tasks placed on the day grid ------------------------------------------------------

TaskPtr CoreData::convertTask2Event(const TaskPtr& task, const Date& startTime)
{
    const SettingPtr setting = currentSetting();
    std::optional<Confirmation> answer;
    if (setting && setting->showWarningTask2Event() != 0) {
        answer = confirm(TextTable::localizedString(QStringLiteral("convertTask2EventText")),
                         TextTable::localizedString(QStringLiteral("convertTask2EventMessageText")));
        if (!answer->ok) {
            if (answer->askAgain == 0 && keepCancelledAnswer(*this, &Setting::setShowWarningTask2Event, 0))
                postAutoSyncRequest(AutoSync::settings);
            return nullptr;
        }
    }

    Transaction transaction;
    if (!transaction.isOpen()) return nullptr;
    transaction.keep(task);
    if (answer) setting->setShowWarningTask2Event(answer->askAgain);
    if (!placeOnDayGrid(*this, task, startTime)) return nullptr;
    // An event of a tasks-only category stays out of the system calendar.
    const bool tasksOnly = categoryKindOf(*this, task->calendarId()) == tasksOnlyCategory;
    if (!task->dehydrate()) return nullptr;
    if (!tasksOnly) Transaction::afterCommitOrNow([this, task] { doInsertAllOperatorWithEvent(task); });
    if (answer) {
        if (!setting->dehydrate()) return nullptr;
        postAutoSyncRequest(AutoSync::settings);
    }
    if (tasksOnly && isAutoZVWSyncOn()) postAutoSyncRequest(AutoSync::items);
    return transaction.commit() ? task : nullptr;
}

TaskPtr CoreData::convertTask2STask(const TaskPtr& task, const Date& startTime)
{
    const SettingPtr setting = currentSetting();
    std::optional<Confirmation> answer;
    AskSwitch setAskSwitch;
    if (setting) {
        // Only a task that has a due date can be scheduled after it.
        const Date start = startTime ? startTime : Utilities::roundTo15MinutesForCurrentDate();
        const bool afterDeadline = setting->showWarningConvert2STaskAfterDeadline() != 0 && task->hasDue() != 0
                                   && task->dueEnd() < start;
        const QString message = TextTable::localizedString(QStringLiteral("staskConvertConfirmText"));
        if (afterDeadline) {
            answer = confirm(message, TextTable::localizedString(QStringLiteral("staskConvertAfterDeadlineNote")));
            setAskSwitch = {&Setting::showWarningConvert2STaskAfterDeadline,
                            &Setting::setShowWarningConvert2STaskAfterDeadline};
        } else if (setting->showWarningConvert2STask() != 0) {
            answer = confirm(message, TextTable::localizedString(QStringLiteral("staskConvertConfirmNote")));
            setAskSwitch = {&Setting::showWarningConvert2STask, &Setting::setShowWarningConvert2STask};
        }
        if (answer && !answer->ok) {
            if (answer->askAgain == 0 && keepCancelledAnswer(*this, setAskSwitch.set, 0))
                postAutoSyncRequest(AutoSync::settings);
            return nullptr;
        }
    }

    Transaction transaction;
    if (!transaction.isOpen()) return nullptr;
    transaction.keep(task);
    if (answer) {
        setAskSwitchInUnit(transaction, *setting, setAskSwitch, answer->askAgain);
        // The switches live in the side file, written once the task is.
        Transaction::afterCommitOrNow([setting] { setting->saveLocalSettings(); });
    }
    if (!placeOnDayGrid(*this, task, startTime)) return nullptr;
    task->setOccurrence(task->startTime());
    // A scheduled task lives on the day grid only: never in the system
    // calendar store.
    task->setIsSheduledTask(true);
    task->setHasDue(0);
    task->setStatus(0);
    return task->dehydrate() && transaction.commit() ? task : nullptr;
}

// ---- category moves -------------------------------------------------------------------------

// The rows are read fresh for the move, so only they change.
bool CoreData::changeCalendarId(qint64 calendarId, qint64 forAllEventWithParentID)
{
    Transaction transaction;
    if (!transaction.isOpen()) return false;
    const TaskPtr root = getRootEventWithParentID(forAllEventWithParentID);
    if (!root) return false;
    TaskList rows{root};
    rows.append(getAllDetachedEventWithParentID(root->primaryKey()));
    for (const TaskPtr& row : rows) {
        row->setCalendarId(calendarId);
        if (!forgetWebIdentity(*row) || !row->dehydrate()) return false;
    }
    return transaction.commit();
}

bool CoreData::resetZVWIdWhenCalChanged(const TaskPtr& item, bool withUpdateOption)
{
    Transaction transaction;
    if (!transaction.isOpen()) return false;
    if (item->taskType() != ItemKind::Event) {
        const bool eventsOnly =
            item->taskType() == ItemKind::Task && categoryKindOf(*this, item->calendarId()) == eventsOnlyCategory;
        return renewIdentity(*this, item, eventsOnly, withUpdateOption) && transaction.commit();
    }
    const TaskPtr root = getRootEventWithParentID(item->parentId() != -1 ? item->parentId() : item->primaryKey());
    if (!root) return false;
    // The whole series follows the root's category.
    const bool tasksOnly = categoryKindOf(*this, root->calendarId()) == tasksOnlyCategory;
    if (!renewIdentity(*this, root, tasksOnly, withUpdateOption)) return false;
    for (const TaskPtr& detached : getAllDetachedEventWithParentID(root->primaryKey()))
        if (!renewIdentity(*this, detached, tasksOnly, withUpdateOption)) return false;
    return transaction.commit();
}
