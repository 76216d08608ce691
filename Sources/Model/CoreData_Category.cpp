// Category lookups, queries and commands of the data manager.
#include "Calendar.h"
#include "CoreData.h"
#include "Notifications.h"
#include "QueryStatement.h"
#include "RecordGuard.h"
#include "RecordStore.h"
#include "TaskQuery.h"
#include "Setting.h"
#include "Task.h"
#include "Transaction.h"
#include "Utilities.h"
#include "iCalSync.h"

#include <QRandomGenerator>

#include <algorithm>
#include <chrono>
#include <cstdio>

namespace {
// A sync thread may ask for a category while the list is being reloaded;
// it waits for the reload at most this long.
constexpr std::chrono::milliseconds reloadWaitLimit{2000};

// The number of colour groups and of colours in a group.
constexpr quint32 colorGroupCount = 4;
constexpr quint32 colorNameCount = 8;

bool isHidden(const Calendar& calendar)
{
    return calendar.inVisible() != 0;
}

bool hasVisibility(const Calendar& calendar, bool isVisible)
{
    return isHidden(calendar) != isVisible;
}

auto hasKey(qint64 key)
{
    return [key](const Calendar& calendar) { return calendar.primaryKey() == key; };
}

template <class Predicate>
CalendarPtr firstCalendar(const CalendarList& list, Predicate predicate)
{
    const auto found = std::find_if(list.cbegin(), list.cend(), [&](const CalendarPtr& c) { return predicate(*c); });
    return found == list.cend() ? nullptr : *found;
}

template <class Predicate>
CalendarList calendarsWhere(const CalendarList& list, Predicate predicate)
{
    CalendarList found;
    for (const CalendarPtr& calendar : list)
        if (predicate(*calendar)) found.append(calendar);
    return found;
}
}  // namespace

// ---- lookups -------------------------------------------------------------------

void CoreData::setCalendarReloadInProgress(bool inProgress)
{
    // Changed under the list's mutex, so a waiting lookup cannot miss the end.
    QMutexLocker lock(&m_listMutex);
    m_calendarReloadInProgress = inProgress;
    if (!inProgress) m_calendarListSettled.notify_all();
}

CalendarList CoreData::calendarListAfterReload() const
{
    const auto deadline = std::chrono::steady_clock::now() + reloadWaitLimit;
    QMutexLocker lock(&m_listMutex);
    while (m_calendarList.isEmpty() && m_calendarReloadInProgress)
        if (m_calendarListSettled.wait_until(m_listMutex, deadline) == std::cv_status::timeout) break;
    return m_calendarList;
}

CalendarPtr CoreData::calendarWithPrimaryKey(qint64 key) const
{
    return firstCalendar(calendarListAfterReload(), hasKey(key));
}

CalendarPtr CoreData::calendarWithICalUID(const QString& uid) const
{
    return firstCalendar(calendarListAfterReload(), [&uid](const Calendar& c) { return c.iCalUID() == uid; });
}

CalendarPtr CoreData::calendarWithZvwID(qint64 zvwProjectId) const
{
    return firstCalendar(calendarList(),
                         [zvwProjectId](const Calendar& c) { return c.zvwProjectId() == zvwProjectId; });
}

bool CoreData::isCalendarVisible(qint64 key) const
{
    const CalendarPtr calendar = firstCalendar(calendarList(), hasKey(key));
    return calendar && !isHidden(*calendar);
}

CalendarList CoreData::getCalendarWithType(qint64 type, const CalendarList& list) const
{
    return calendarsWhere(list, [type](const Calendar& c) { return c.projectType() == type; });
}

CalendarList CoreData::getCalendarWithType(qint64 type, const CalendarList& list, bool isVisible) const
{
    return calendarsWhere(
        list, [type, isVisible](const Calendar& c) { return c.projectType() == type && hasVisibility(c, isVisible); });
}

CalendarPtr CoreData::getCalendarByPrimaryKey(qint64 key, qint64 type, const CalendarList& list) const
{
    return firstCalendar(list, [key, type](const Calendar& c) { return hasKey(key)(c) && c.projectType() == type; });
}

CalendarPtr CoreData::getCalendarByPrimaryKey(qint64 key, qint64 type, const CalendarList& list, bool isVisible) const
{
    return firstCalendar(list, [key, type, isVisible](const Calendar& c) {
        return hasKey(key)(c) && c.projectType() == type && hasVisibility(c, isVisible);
    });
}

// ---- database queries ----------------------------------------------------------

CalendarList CoreData::getCalendarList() const
{
    CalendarList calendars;
    if (!databaseOpen) return calendars;
    RecordGuard guard;
    QueryStatement query("SELECT primaryKey FROM Calendars");
    for (const qint64 key : query.int64Column())
        calendars.append(Calendar::initWithPrimaryKey(key, RecordStore::sharedDatabase()));
    return calendars;
}

qint64 CoreData::getMaxOrderOfCalendars() const
{
    return queryInt64("SELECT max(calendarOrder) FROM Calendars");
}

namespace {
bool hasItemsOfTypeInCalendar(qint64 type, qint64 key)
{
    if (!TaskQuery::databaseReadyOrSay()) return false;
    RecordGuard guard;
    QueryStatement query("SELECT count(*) FROM Tasks WHERE taskType=? AND calendarId=?");
    query.bind(1, type).bind(2, key);
    return query.firstInt64().value_or(0) > 0;
}
}  // namespace

bool CoreData::hasTasksBelongToCalendarId(qint64 key) const
{
    return hasItemsOfTypeInCalendar(ItemKind::Task, key);
}

bool CoreData::hasEventsBelongToCalendarId(qint64 key) const
{
    return hasItemsOfTypeInCalendar(ItemKind::Event, key);
}

// ---- items of a category in the working list ----------------------------------

namespace {
TaskList itemsOfCalendar(const TaskList& items, qint64 type, qint64 key)
{
    TaskList found;
    for (const TaskPtr& item : items)
        if (item->taskType() == type && item->calendarId() == key) found.append(item);
    return found;
}
}  // namespace

TaskList CoreData::getTaskBelongToCalendarId(qint64 key) const
{
    TaskList tasks = itemsOfCalendar(allTasksEventsAdes(), ItemKind::Task, key);
    Utilities::sortList(tasks, &Task::taskOrder);
    return tasks;
}

TaskList CoreData::getEventBelongToCalendarId(qint64 key) const
{
    TaskList events = itemsOfCalendar(allTasksEventsAdes(), ItemKind::Event, key);
    std::stable_sort(events.begin(), events.end(), [](const TaskPtr& a, const TaskPtr& b) {
        if (a->isADE() != b->isADE()) return a->isADE() < b->isADE();
        return b->startTime() < a->startTime();
    });
    return events;
}

TaskList CoreData::getNoteBelongToCalendarId(qint64 key) const
{
    return itemsOfCalendar(allTasksEventsAdes(), ItemKind::Note, key);
}

// ---- commands ------------------------------------------------------------------

QString CoreData::comparableName(const QString& name)
{
    QString compact;
    compact.reserve(name.size());
    for (const QChar character : name)
        if (!character.isSpace()) compact.append(character);
    return compact.toUpper();
}

QString CoreData::createNewcalendarNameIfExist(const QString& name, const CalendarPtr& calendar,
                                               const CalendarList& source) const
{
    const auto clashes = [&](const QString& candidate) {
        const QString wanted = comparableName(candidate);
        return std::any_of(source.cbegin(), source.cend(), [&](const CalendarPtr& other) {
            if (calendar && other->primaryKey() == calendar->primaryKey()) return false;
            return !other->isShared() && comparableName(other->calendarName()) == wanted;
        });
    };
    QString candidate = name;
    for (qint64 counter = 1; clashes(candidate); ++counter)
        candidate = name + QStringLiteral("_%1").arg(counter);
    return candidate;
}

bool CoreData::addCalendarToCalendarList(const CalendarPtr& calendar, bool needSync)
{
    return addCalendarToCalendarList(calendar, needSync, true);
}

bool CoreData::addCalendarToCalendarList(const CalendarPtr& calendar, bool needSync, bool autoSyncZVW)
{
    Transaction transaction;
    if (!transaction.isOpen()) return false;
    // A category that is not stored keeps the name and key it came with.
    transaction.keep(calendar);
    if (!calendar->isShared())
        calendar->setCalendarName(createNewcalendarNameIfExist(calendar->calendarName(), nullptr, calendarList()));
    if (!calendar->insertIntoDatabase(RecordStore::sharedDatabase()) || !calendar->dehydrate()) return false;
    doWithCalendarList(CalendarList{calendar}, ListAction::Add);

    const bool pushToWeb = autoSyncZVW && isAutoZVWSyncOn();
    if (needSync) {
        // An ordinary category reaches the web service through the system
        // calendar's request, once the store has made its calendar.
        iCalSync* sync = icalSync();
        if (sync && calendar->projectType() == CategoryKind::Ordinary && !calendar->isShared()
            && calendar->iCalUID().isEmpty()) {
            // The store calendar's uid is chosen and stored, marked, with the
            // category: a delete before the store has made it removes it
            // after, and a kill before it is linked leaves the next start to
            // link or make it, never to take it for a new calendar.
            if (const QString uid = sync->newStoreCalendarUid(); !uid.isEmpty()) {
                calendar->setICalUID(pendingStoreCopyMark + uid);
                if (!calendar->dehydrate()) return false;
            }
        }
        if (sync && calendar->projectType() == CategoryKind::Ordinary)
            Transaction::afterCommitOrNow(
                [sync, calendar, pushToWeb] { sync->backgroundOneWaySyncInsertToICal(calendar, pushToWeb); });
        if (calendar->projectType() != CategoryKind::Checklist) return transaction.commit();
    }
    if (pushToWeb) postAutoSyncRequest(AutoSync::categories);
    return transaction.commit();
}

CalendarPtr CoreData::createDefaultCategoryAutoSyncZVW(bool autoSyncZVW)
{
    Transaction transaction;
    if (!transaction.isOpen()) return nullptr;
    auto calendar = std::make_shared<Calendar>();
    calendar->setCalendarName(QStringLiteral("Zoravel"));
    calendar->setColorGroupId(QRandomGenerator::global()->bounded(colorGroupCount));
    calendar->setColorNameId(QRandomGenerator::global()->bounded(colorNameCount));
    calendar->setProjectType(CategoryKind::Ordinary);
    if (!addCalendarToCalendarList(calendar, true, autoSyncZVW)) return nullptr;

    if (const SettingPtr setting = currentSetting()) {
        setting->setCalendarDefID(calendar->primaryKey());
        if (!setting->dehydrate()) return nullptr;
    }
    if (autoSyncZVW && isAutoZVWSyncOn()) postAutoSyncRequest(AutoSync::settings);
    return transaction.commit() ? calendar : nullptr;
}

bool CoreData::checkAndSetDefaultCategory()
{
    const SettingPtr setting = currentSetting();
    if (!setting) return false;
    const CalendarList usable = calendarsWhere(
        calendarList(), [](const Calendar& c) { return c.projectType() == CategoryKind::Ordinary && !c.isShared(); });
    const qint64 defaultKey = setting->calendarDefID();
    if (firstCalendar(usable, hasKey(defaultKey))) return true;

    Transaction transaction;
    if (!transaction.isOpen()) return false;
    if (usable.isEmpty()) {
        if (!createDefaultCategoryAutoSyncZVW(false)) return false;
    } else {
        const CalendarPtr chosen = usable.first();
        setting->setCalendarDefID(chosen->primaryKey());
        if (isHidden(*chosen)) {
            transaction.keep(chosen);
            chosen->setInVisible(0);
            if (!chosen->dehydrate()) return false;
            // These answer whether items were listed; a read of them that
            // fails spoils the unit, and the commit says so.
            if (isAppliedTagFilter())
                addTasksToListFromCalendar(chosen, getShowTag());
            else
                addTasksToListFromCalendarId(chosen->primaryKey());
        }
        if (!setting->dehydrate()) return false;
    }
    // The web sync tests its own switch.
    postAutoSyncRequest(AutoSync::settings);
    return transaction.commit();
}
