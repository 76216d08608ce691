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
#include "Utilities.h"
#include "iCalSync.h"

namespace {

constexpr qint64 eventType = 0;
constexpr qint64 taskType = 1;
constexpr qint64 tasksOnlyCategory = 1;
constexpr qint64 eventsOnlyCategory = 2;

// The stored form of "no date" in completedDate, dueEnd and occurrence.
constexpr Date zeroDate = Date::dateWithTimeIntervalSince1970(0);

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
    item.setTaskType(taskType);
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

// A question with OK and Cancel and a do-not-ask-again box, whose state goes
// into the switch right after the alert. True for OK.
bool confirm(const QString& message, const QString& informative, Setting& setting,
             void (Setting::*setAskSwitch)(qint64))
{
    AlertRequest request;
    request.messageText = message;
    request.informativeText = informative;
    const int ok = request.addButtonWithTitle(TextTable::localizedString(QStringLiteral("okText")));
    request.addButtonWithTitle(TextTable::localizedString(QStringLiteral("cancelText")));
    request.showsSuppressionButton = true;
    const AlertResponse response = AlertPresenter::current().runModal(request);
    (setting.*setAskSwitch)(response.suppressed ? 0 : 1);
    return response.button == ok;
}

// Places a task on the day grid as an event starting at the start given, or
// at the next quarter hour; its system-calendar reminder goes.
void placeOnDayGrid(CoreData& dataManager, const TaskPtr& task, const Date& startTime)
{
    const SettingPtr setting = dataManager.currentSetting();
    task->setTaskType(eventType);
    if (!task->iCalUID().isEmpty())
        if (iCalSync* sync = dataManager.icalSync()) sync->backgroundOneWaySyncDeleteToICalTask(task, 0);
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
}

// A new open task in the note's category on the selected day, linked from
// the note. Null when the task could not be stored.
TaskPtr newTaskLinkedFromNote(CoreData& dataManager, const Task& note)
{
    auto task = std::make_shared<Task>();
    task->setTaskName(note.taskName());
    task->setTaskType(taskType);
    const Date start = Utilities::roundTo15MinutesForDate(dataManager.currentSelectedDay(), false);
    task->setStartTime(start);
    const SettingPtr setting = dataManager.currentSetting();
    const qint64 minutes = setting ? setting->durationDefTaskVal() : 0;
    task->setEndTime(Utilities::newDateFromDate(start, double(minutes * 60)));
    task->setDueEnd(zeroDate);
    startAsNewOpenTask(*task);
    task->setCalendarId(note.calendarId());
    dataManager.setModifyingTask(task);
    dataManager.addNewTask();
    // A task that got no row must not leave a link to nowhere.
    if (task->primaryKey() < 1) return nullptr;
    auto link = std::make_shared<Link>();
    link->setRootId(note.primaryKey());
    link->setTargetId(task->primaryKey());
    dataManager.insertLink(link);
    return task;
}

// A category that cannot be found counts as mixed.
qint64 categoryKindOf(const CoreData& dataManager, qint64 calendarId)
{
    const CalendarPtr category = dataManager.calendarWithPrimaryKey(calendarId);
    return category ? category->taskOrEvent() : 0;
}

// The web service keeps the item under its old category: the next push
// creates it anew and the server deletes the old copy.
void forgetWebIdentity(Task& item)
{
    if (item.zvwID() <= 0) return;
    DeletedRows::queueDeletedItems({item.zvwID()});
    item.setZvwID(0);
}

void renewIdentity(CoreData& dataManager, const TaskPtr& item, bool dropSystemUid, bool updateOption)
{
    if (dropSystemUid) item->setICalUID(QStringLiteral(""));
    forgetWebIdentity(*item);
    item->dehydrateUpdateOption(updateOption);
    dataManager.resetZVWIdOfLinksForItem(item);
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

TaskPtr CoreData::convertEvent2Task(const TaskPtr& event)
{
    return convertToTask(event, {false,
                                 TextTable::localizedString(QStringLiteral("convertEvent2TaskText")),
                                 TextTable::localizedString(QStringLiteral("onlyThisEventText")),
                                 TextTable::localizedString(QStringLiteral("allFutureEventsText")),
                                 TextTable::localizedString(QStringLiteral("convertEvent2TaskMessageText")),
                                 &Setting::showWarningEvent2Task,
                                 &Setting::setShowWarningEvent2Task});
}

TaskPtr CoreData::convertSTask2Task(const TaskPtr& scheduledTask)
{
    return convertToTask(scheduledTask, {true,
                                         TextTable::localizedString(QStringLiteral("convertSTask2TaskText")),
                                         TextTable::localizedString(QStringLiteral("onlyThisSTaskText")),
                                         TextTable::localizedString(QStringLiteral("allFutureSTasksText")),
                                         TextTable::localizedString(QStringLiteral("convertSTask2TaskMessageText")),
                                         &Setting::showWarningConvertSTask2Task,
                                         &Setting::setShowWarningConvertSTask2Task});
}

TaskPtr CoreData::convertToTask(const TaskPtr& source, const EventConversion& kind)
{
    const TaskList links = getCurrentLinks(source);
    const TaskPtr converted =
        isSeriesCase(*source) ? takeOccurrencesAsTask(source, kind) : takeSingleAsTask(source, kind);
    if (converted && kind.scheduledTask) converted->setIsSheduledTask(false);
    setModifyingTask(converted);
    if (!converted) return nullptr;
    addNewTask();
    if (restoreLinks(links, converted) && isAutoZVWSyncOn()) postAutoSyncRequest(AutoSync::links);
    return converted;
}

// The first occurrence of a series offers all of it; a later one offers
// itself and the rest of the series.
TaskPtr CoreData::takeOccurrencesAsTask(const TaskPtr& source, const EventConversion& kind)
{
    const bool firstOccurrence = Utilities::compareDateNoTime(source->occurrence(), source->repeatStartDate()) == 0;
    AlertRequest request;
    request.messageText = kind.message;
    request.informativeText =
        firstOccurrence ? TextTable::localizedString(QStringLiteral("convertAllEvent2TaskMessageText"))
                        : TextTable::localizedString(QStringLiteral("convertAllFutureEvent2TaskMessageText"));
    const int onlyThis = request.addButtonWithTitle(kind.onlyThisTitle);
    const int rest = request.addButtonWithTitle(
        firstOccurrence ? TextTable::localizedString(QStringLiteral("allText")) : kind.allFutureTitle);
    request.addButtonWithTitle(TextTable::localizedString(QStringLiteral("cancelText")));
    const int answer = AlertPresenter::current().runModal(request).button;

    if (answer == onlyThis) {
        // A scheduled task was never in the system calendar store or on the
        // web as an occurrence of its own: nothing is asked to delete it.
        const TaskPtr copy = kind.scheduledTask ? doDeleteOnlyThisOperatorWithEvent(source, false, true, false)
                                                : doDeleteOnlyThisOperatorWithEvent(source);
        if (copy) resetAsNewTask(*copy, NewTaskReset::OnlyThis, ZoneReset::Floating);
        return copy;
    }
    if (answer != rest) return nullptr;
    const TaskPtr copy = firstOccurrence ? doDeleteAllOperatorWithEvent(source, false)
                                         : doDeleteAllFutureOperatorWithEvent(source, false);
    if (copy) resetAsNewTask(*copy, NewTaskReset::Whole, ZoneReset::Floating);
    return copy;
}

TaskPtr CoreData::takeSingleAsTask(const TaskPtr& source, const EventConversion& kind)
{
    const SettingPtr setting = currentSetting();
    const bool ask = setting && (setting.get()->*kind.askSwitch)() != 0;
    if (ask && !confirm(kind.message, kind.singleInformative, *setting, kind.setAskSwitch)) return nullptr;
    const TaskPtr copy = doDeleteOnlyThisOperatorWithEvent(source);
    if (copy) resetAsNewTask(*copy, NewTaskReset::Single, ZoneReset::Floating);
    if (ask) {
        setting->dehydrate();
        postAutoSyncRequest(AutoSync::settings);
    }
    return copy;
}

void CoreData::markSTaskDone(const TaskPtr& scheduledTask)
{
    markSTaskDone(scheduledTask, true);
}

void CoreData::markSTaskDone(const TaskPtr& scheduledTask, bool autoSyncZVW)
{
    const TaskList links = getCurrentLinks(scheduledTask);
    const TaskPtr done = doDeleteOnlyThisOperatorWithEvent(scheduledTask, autoSyncZVW);
    if (!done) return;
    resetAsNewTask(*done, NewTaskReset::Single, ZoneReset::Keep);
    done->setStatus(1);
    done->setCompletedDate(Utilities::getCompleteDate());
    setModifyingTask(done);
    addNewTask();
    const bool linked = restoreLinks(links, done);
    if (autoSyncZVW && isAutoZVWSyncOn())
        postAutoSyncRequest(linked ? AutoSync::items | AutoSync::links : AutoSync::items);
}

// ---- tasks from notes ----------------------------------------------------------------

TaskPtr CoreData::makeTaskFromNote(const TaskPtr& note)
{
    const TaskPtr task = newTaskLinkedFromNote(*this, *note);
    announceTasksFromNotes();
    return task;
}

void CoreData::ConvertNotesToTasks(const TaskList& notes)
{
    for (const TaskPtr& note : notes) newTaskLinkedFromNote(*this, *note);
    announceTasksFromNotes();
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
    const bool ask = setting && setting->showWarningTask2Event() != 0;
    if (ask
        && !confirm(TextTable::localizedString(QStringLiteral("convertTask2EventText")),
                    TextTable::localizedString(QStringLiteral("convertTask2EventMessageText")), *setting,
                    &Setting::setShowWarningTask2Event))
        return nullptr;

    placeOnDayGrid(*this, task, startTime);
    // An event of a tasks-only category stays out of the system calendar.
    const bool tasksOnly = categoryKindOf(*this, task->calendarId()) == tasksOnlyCategory;
    if (tasksOnly) task->setICalUID(QStringLiteral(""));
    const bool saved = task->dehydrate();
    if (saved && !tasksOnly) doInsertAllOperatorWithEvent(task);
    if (ask) {
        setting->dehydrate();
        postAutoSyncRequest(AutoSync::settings);
    }
    if (!saved) return nullptr;
    if (tasksOnly && isAutoZVWSyncOn()) postAutoSyncRequest(AutoSync::items);
    return task;
}

TaskPtr CoreData::convertTask2STask(const TaskPtr& task, const Date& startTime)
{
    const SettingPtr setting = currentSetting();
    if (setting) {
        // Only a task that has a due date can be scheduled after it.
        const Date start = startTime ? startTime : Utilities::roundTo15MinutesForCurrentDate();
        const bool afterDeadline = setting->showWarningConvert2STaskAfterDeadline() != 0 && task->hasDue() != 0
                                   && task->dueEnd() < start;
        const QString message = TextTable::localizedString(QStringLiteral("staskConvertConfirmText"));
        std::optional<bool> confirmed;
        if (afterDeadline)
            confirmed = confirm(message, TextTable::localizedString(QStringLiteral("staskConvertAfterDeadlineNote")),
                                *setting, &Setting::setShowWarningConvert2STaskAfterDeadline);
        else if (setting->showWarningConvert2STask() != 0)
            confirmed = confirm(message, TextTable::localizedString(QStringLiteral("staskConvertConfirmNote")),
                                *setting, &Setting::setShowWarningConvert2STask);
        if (confirmed) setting->saveLocalSettings();
        if (confirmed == false) return nullptr;
    }

    placeOnDayGrid(*this, task, startTime);
    task->setOccurrence(task->startTime());
    // A scheduled task lives on the day grid only: never in the system
    // calendar store.
    task->setIsSheduledTask(true);
    task->setICalUID(QStringLiteral(""));
    task->setHasDue(0);
    task->setStatus(0);
    return task->dehydrate() ? task : nullptr;
}

// ---- category moves -------------------------------------------------------------------------

void CoreData::changeCalendarId(qint64 calendarId, qint64 forAllEventWithParentID)
{
    const TaskPtr root = getRootEventWithParentID(forAllEventWithParentID);
    if (!root) return;
    TaskList rows{root};
    rows.append(getAllDetachedEventWithParentID(root->primaryKey()));
    for (const TaskPtr& row : rows) {
        row->setCalendarId(calendarId);
        forgetWebIdentity(*row);
        row->dehydrate();
    }
}

void CoreData::resetZVWIdWhenCalChanged(const TaskPtr& item, bool withUpdateOption)
{
    if (item->taskType() != eventType) {
        const bool eventsOnly =
            item->taskType() == taskType && categoryKindOf(*this, item->calendarId()) == eventsOnlyCategory;
        renewIdentity(*this, item, eventsOnly, withUpdateOption);
        return;
    }
    const TaskPtr root = getRootEventWithParentID(item->parentId() != -1 ? item->parentId() : item->primaryKey());
    if (!root) return;
    // The whole series follows the root's category.
    const bool tasksOnly = categoryKindOf(*this, root->calendarId()) == tasksOnlyCategory;
    renewIdentity(*this, root, tasksOnly, withUpdateOption);
    for (const TaskPtr& detached : getAllDetachedEventWithParentID(root->primaryKey()))
        renewIdentity(*this, detached, tasksOnly, withUpdateOption);
}
