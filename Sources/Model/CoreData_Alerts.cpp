// The data manager's alarms: the pending list, the minute timer, the alert
// dialog with its sound, snooze and postpone.
#include "CoreData.h"

#include "AlertPresenter.h"
#include "Calendar.h"
#include "Clock.h"
#include "LocalNotification.h"
#include "MainQueue.h"
#include "NotificationCenter.h"
#include "Notifications.h"
#include "Scheduler.h"
#include "Setting.h"
#include "SoundPlayer.h"
#include "Task.h"
#include "TextTable.h"
#include "Transaction.h"
#include "Utilities.h"
#include "iCalSync.h"
#include "ModelInternals.h"

#include <QScopedValueRollback>
#include <QSet>

#include <algorithm>

namespace {

constexpr qint64 snoozeAlertType = 2;
constexpr qint64 deleteAllOccurrences = 1;

enum PostponeType : qint64 { postponeNone = 0, postponeDay = 1, postponeWeek = 2, postponeMonth = 3 };

void sortByFireDate(LocalNotificationList& alarms)
{
    Utilities::sortList(alarms, [](const std::shared_ptr<LocalNotification>& alarm) { return alarm->dateFire(); });
}

// Keeps the list in fire order: after the alarms that fire at the same time,
// as a stable sort of the appended alarm would place it.
void insertByFireDate(LocalNotificationList& alarms, const std::shared_ptr<LocalNotification>& alarm)
{
    const auto position = std::upper_bound(alarms.begin(), alarms.end(), alarm,
                                           [](const auto& a, const auto& b) { return a->dateFire() < b->dateFire(); });
    alarms.insert(position, alarm);
}

void removeFirstAlarmOf(LocalNotificationList& alarms, qint64 key)
{
    const auto found = std::find_if(alarms.begin(), alarms.end(), [key](const auto& alarm) {
        return alarm->task() && alarm->task()->primaryKey() == key;
    });
    if (found != alarms.end()) alarms.erase(found);
}

QString soundOf(const LocalNotification& alarm)
{
    return alarm.alertObj() ? alarm.alertObj()->soundName() : QString();
}

// One line of the dialog per alarm; the quotation marks are part of it. The
// start is the one the views show (an event of another zone at its time in
// the display zone), not the event's own clock reading.
QString alarmLine(const LocalNotification& alarm, const Date& shownStart)
{
    const Task& item = *alarm.task();
    const QString name = QLatin1Char('"') % item.taskName() % QLatin1Char('"');
    // The date text comes with the blank that parts it from a weekday.
    const QString when = Utilities::getStringNoWeekDayFromDate(shownStart, true).trimmed();
    switch (item.taskType()) {
    case ItemKind::Task: return name % QStringLiteral(": due on ") % when;
    case ItemKind::Event: return name % QStringLiteral(": start in ") % when;
    default: return name % QStringLiteral(": ") % when;
    }
}

Date postponed(const Date& date, qint64 postponeType)
{
    switch (postponeType) {
    case postponeDay: return Utilities::newDateFromDate(date, 86400);
    case postponeWeek: return Utilities::newDateFromDate(date, 604800);
    case postponeMonth: return Utilities::dateByAddNumMonth(1, date);
    default: return date;
    }
}

// The pop-up under the alarm texts that postpones the tasks instead of only
// dismissing them; the answer's tag is the postpone type.
void offerPostpone(AlertRequest& request)
{
    request.accessoryTitle = TextTable::localizedString(QStringLiteral("postponeText"));
    request.accessoryChoices = {
        {TextTable::localizedString(QStringLiteral("postponeForText")), postponeNone},
        {TextTable::localizedString(QStringLiteral("tomorrowText")), postponeDay},
        {TextTable::localizedString(QStringLiteral("nextWeekText")), postponeWeek},
        {TextTable::localizedString(QStringLiteral("nextMonthText")), postponeMonth},
    };
    request.accessoryChosenTag = postponeNone;
}

void postItemsChanged(CoreData* sender)
{
    NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kTaskChanged, sender);
}

}  // namespace

const LocalNotificationList CoreData::allAlert() const
{
    QMutexLocker lock(&m_alertMutex);
    return m_allAlert;
}

void CoreData::updateAlarmsForListAction(const std::optional<TaskList>& list, qint64 action)
{
    if (action == 0 && list) {
        updateLocalNotificationForTasks(*list);
    } else if (action == 1 && list) {
        for (const TaskPtr& item : *list) deleteLocalNotificationForTask(item);
    } else if (action == 1) {
        updateLocalNotificationForList({});
    }
}

void CoreData::updateLocalNotificationForList(const TaskList& items)
{
    if (!MainQueue::isMainThread()) {
        MainQueue::sync([this, &items] { updateLocalNotificationForList(items); });
        return;
    }
    LocalNotificationList alarms;
    alarms.reserve(items.size());
    Task::AlarmPass pass;
    for (const TaskPtr& item : items)
        if (std::shared_ptr<LocalNotification> alarm = item->nextAlarmDate(pass)) alarms.append(alarm);
    sortByFireDate(alarms);
    {
        QMutexLocker lock(&m_alertMutex);
        m_allAlert = alarms;
    }
    resetLocalNotification();
}

void CoreData::resetLocalNotification()
{
    if (!MainQueue::isMainThread()) {
        MainQueue::sync([this] { resetLocalNotification(); });
        return;
    }
    // A timer left running beside the new one would check every minute twice.
    m_alertTimer.invalidate();
    alertNow();
    m_alertTimer = Scheduler::current().scheduleTimer(alertTimerInterval, true, [this] { alertNow(); });
}

void CoreData::alertNow()
{
    // Qt timers keep firing under a modal dialog. A check that comes while the
    // dialog is open is skipped: one dialog at a time, and a minute that
    // passes meanwhile is not fired late.
    if (m_alertDialogShowing) return;
    const Date now = Clock::now();
    LocalNotificationList due;
    for (const std::shared_ptr<LocalNotification>& alarm : allAlert()) {
        const int minute = Utilities::compareDateNoSecond(alarm->dateFire(), now);
        if (minute < 0) continue;
        updateLocalNotificationForTask(alarm->task());
        if (minute == 0) due.append(alarm);
    }
    if (!due.isEmpty()) fireAlertNotificationWithLocalNotification(due);
}

void CoreData::updateLocalNotificationForTask(const TaskPtr& item)
{
    if (!item) return;
    const std::shared_ptr<LocalNotification> next = item->nextAlarmDate();
    keepStateForUndo();
    QMutexLocker lock(&m_alertMutex);
    removeFirstAlarmOf(m_allAlert, item->primaryKey());
    if (next) insertByFireDate(m_allAlert, next);
}

// The same for a whole list of added items, with one pass over the alarm list
// and one sort: a category load adds tens of thousands of items at once.
void CoreData::updateLocalNotificationForTasks(const TaskList& items)
{
    LocalNotificationList added;
    Task::AlarmPass pass;
    for (const TaskPtr& item : items)
        if (item)
            if (std::shared_ptr<LocalNotification> next = item->nextAlarmDate(pass)) added.append(next);
    keepStateForUndo();
    QMutexLocker lock(&m_alertMutex);
    if (m_allAlert.isEmpty()) {
        // The list is being filled (the working list loads): nothing to replace.
        sortByFireDate(added);
        m_allAlert = added;
        return;
    }
    QSet<qint64> keys;
    keys.reserve(items.size());
    for (const TaskPtr& item : items)
        if (item) keys.insert(item->primaryKey());
    // Each item has at most one alarm in the list; its old one goes.
    QSet<qint64> removed;
    LocalNotificationList kept;
    kept.reserve(m_allAlert.size() + added.size());
    for (const std::shared_ptr<LocalNotification>& alarm : std::as_const(m_allAlert)) {
        const qint64 key = alarm->task() ? alarm->task()->primaryKey() : 0;
        if (alarm->task() && keys.contains(key) && !removed.contains(key)) {
            removed.insert(key);
            continue;
        }
        kept.append(alarm);
    }
    kept.append(added);
    sortByFireDate(kept);
    m_allAlert = kept;
}

void CoreData::deleteLocalNotificationForTask(const TaskPtr& item)
{
    if (!item) return;
    keepStateForUndo();
    QMutexLocker lock(&m_alertMutex);
    removeFirstAlarmOf(m_allAlert, item->primaryKey());
}

void CoreData::fireAlertNotificationWithLocalNotification(const LocalNotificationList& due)
{
    QString text;
    bool onlyTasks = true;
    bool soundPlayed = false;
    for (const std::shared_ptr<LocalNotification>& alarm : due) {
        const QString sound = soundOf(*alarm);
        if (!soundPlayed && !sound.isEmpty()) {
            SoundPlayer::current().play(sound);
            soundPlayed = true;
        }
        if (alarm->task()->taskType() == ItemKind::Event) onlyTasks = false;
        Date shownStart = alarm->dateStart();
        if (alarm->task()->taskType() == ItemKind::Event && shownStart) {
            const TaskPtr shown = alarm->task()->copy();
            shown->setStartTime(shownStart);
            shown->setEndTime(shownStart);
            recalculateTimeWithTimezoneSupport(shown);
            shownStart = shown->tzStartTime();
        }
        text = text % QLatin1Char('\n') % alarmLine(*alarm, shownStart);
    }

    AlertRequest request;
    request.style = AlertStyle::Warning;
    request.addButtonWithTitle(TextTable::localizedString(QStringLiteral("okText")));
    const int snoozeButton = request.addButtonWithTitle(TextTable::localizedString(QStringLiteral("snoozeText")));
    request.messageText = TextTable::localizedString(QStringLiteral("alertTitleText"));
    request.informativeText = text;
    // Postponing moves tasks only; with an event among the alarms it is not offered.
    if (onlyTasks) offerPostpone(request);

    AlertResponse response;
    {
        const QScopedValueRollback<bool> showing(m_alertDialogShowing, true);
        response = AlertPresenter::current().runModal(request);
    }
    if (response.button == snoozeButton) {
        const SettingPtr setting = currentSetting();
        if (!snoozeAlerts(due, setting ? setting->snoozeDefVal() : 0)) tellChangeNotSaved();
    } else if (response.button == AlertResponse::firstButton && response.chosenTag != postponeNone
               && request.offersChoice(response.chosenTag)) {
        // Only a choice the dialog offered moves anything: a presenter's
        // stray tag must not postpone alarms that had no pop-up.
        if (!postponeAlerts(due, response.chosenTag)) tellChangeNotSaved();
    }
}

// The alarms answered together are snoozed together, or none is: a write
// the database refuses (logged by the record) leaves every item and alarm as
// it was, and nothing is announced.
bool CoreData::snoozeAlerts(const LocalNotificationList& alerts, qint64 snoozeSec)
{
    Transaction transaction;
    if (!transaction.isOpen()) return false;
    for (const std::shared_ptr<LocalNotification>& alarm : alerts) {
        const TaskPtr item = alarm->task();
        auto snooze = std::make_shared<AlertObj>();
        snooze->setAlertType(snoozeAlertType);
        snooze->setAbsoluteDate(Utilities::newDateFromDateWithNoSecond(Clock::now(), double(snoozeSec)));
        snooze->setSoundName(soundOf(*alarm));
        transaction.keep(item);
        item->setAlertValues(item->alertValues() % Utilities::updateAlertList({snooze}));
        if (!item->dehydrate()) return false;
        updateLocalNotificationForTask(item);
        postItemsChanged(this);
    }
    return transaction.commit();
}

bool CoreData::postponeAlerts(const LocalNotificationList& alerts, qint64 postponeType)
{
    if (postponeType < postponeDay || postponeType > postponeMonth) return false;
    Transaction transaction;
    if (!transaction.isOpen()) return false;
    for (const std::shared_ptr<LocalNotification>& alarm : alerts)
        if (alarm->task()->taskType() == ItemKind::Task && !postponeTask(alarm->task(), postponeType)) return false;
    postItemsChanged(this);
    return transaction.commit();
}

// Inside the caller's unit.
bool CoreData::postponeTask(const TaskPtr& task, qint64 postponeType)
{
    Transaction::keepInCurrent(task);
    task->setStartTime(postponed(task->startTime(), postponeType));
    task->setDueEnd(postponed(task->dueEnd(), postponeType));
    if (!task->dehydrate()) return false;
    updateLocalNotificationForTask(task);
    if (task->status() == 1 && !doMarkDoneOperatorWithTask(task, task->status())) return false;
    updateWorkingListAfterMove(task);
    if (hasDoToday() && task->hasDue() != 0 && Utilities::compareDateNoTime(task->dueEnd(), Clock::now()) == 0
        && !doToday(task, false))
        return false;
    if (!pushPostponedTaskToICal(task)) return false;
    postAutoSyncRequest(AutoSync::items);
    return true;
}

// A category that keeps events only has no place for the task in the
// calendar store: its copy there goes. The store hears of it once the
// command's unit stays, handed the task as it is now, uid included.
bool CoreData::pushPostponedTaskToICal(const TaskPtr& task)
{
    iCalSync* sync = icalSync();
    if (!sync) return true;
    const CalendarPtr category = calendarWithPrimaryKey(task->calendarId());
    if (!category || category->taskOrEvent() != eventsOnlyCategory) {
        if (task->iCalUID().isEmpty())
            Transaction::afterCommitOrNow([sync, task] { sync->backgroundOneWaySyncInsertToICalTask(task); });
        else {
            iCalSync::markStoreWriteDue(task);
            Transaction::afterCommitOrNow(
                [sync, task] { sync->backgroundOneWaySyncUpdateToICalTask(task, updateThisOccurrence); });
        }
        return true;
    }
    if (task->iCalUID().isEmpty()) return true;
    // Owed in this unit: a kill before the store hears of it leaves the next
    // start to remove the copy, not to take it in as a second task.
    if (!iCalSync::recordStoreItemRemoval(task)) return false;
    Transaction::afterCommitOrNow([sync, inStore = std::make_shared<Task>(*task)] {
        sync->backgroundOneWaySyncDeleteToICalTask(inStore, deleteAllOccurrences);
    });
    task->setICalUID(QStringLiteral(""));
    return task->dehydrate();
}
