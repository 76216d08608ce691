// The import jobs: what other programs inserted, changed or deleted in the
// calendar store is carried into the database, the store side winning.
#include "iCalSyncJobs.h"

#include "Calendar.h"
#include "CoreData.h"
#include "Setting.h"
#include "Task.h"
#include "Transaction.h"
#include "Utilities.h"
#include "iCalSyncJobsShared.h"

#include <QDebug>

#include <utility>
#include <QFileInfo>
#include <QSet>

namespace {

// Items imported and changed, categories changed: the web push bits.
constexpr qint64 categoriesChanged = 1;
constexpr qint64 itemsChanged = 2;
constexpr qint64 itemsAndLinksChanged = 10;

// An event with no rule, extra dates or series is taken at its own times, as
// the full sync takes it, not moved onto its file's start.
bool isOneOff(const CalEvent& event)
{
    return !event.recurrenceRule() && !event.isDetached() && event.recurrenceDates().isEmpty();
}

// Each uid once, in the order of its first mention; blank uids name nothing.
QStringList eachUidOnce(const QStringList& uids)
{
    QStringList once;
    QSet<QString> seen;
    once.reserve(uids.size());
    for (const QString& uid : uids) {
        if (uid.trimmed().isEmpty() || seen.contains(uid)) continue;
        seen.insert(uid);
        once << uid;
    }
    return once;
}

// The store title of a calendar follows the unique name its category took;
// a refused write leaves the category with its name all the same.
void retitleStoreCalendar(CalCalendarStore& store, const CalCalendarPtr& calendar, const QString& name)
{
    calendar->setTitle(name);
    CalError error;
    if (!store.saveCalendar(calendar, &error))
        qWarning().noquote() << "The store calendar" << calendar->uid() << "keeps its title; renaming it failed:"
                             << error.text;
}

// Whether the candidate passes the tag filter of the working lists.
bool passesTagRule(const CalendarPtr& category, const TaskPtr& item, const QStringList& shownTags)
{
    const QString categoryTags = category ? category->tagList() : QString();
    const QString ownTags = item->tagList();
    if (shownTags.isEmpty()) return categoryTags.isEmpty() && ownTags.isEmpty();
    if (!categoryTags.isEmpty() && Utilities::isTagList(categoryTags, shownTags)) return true;
    if (ownTags.isEmpty()) return false;
    for (const QString& tag : shownTags)
        if (!tag.isEmpty() && ownTags.contains(tag, Qt::CaseInsensitive)) return true;
    return false;
}

// An updated item leaves the working lists when its category is hidden, and
// joins them, when it is not there yet, as far as the tag filter lets it.
void showInWorkingList(CoreData& manager, const CalendarPtr& category, const TaskList& candidates, bool isTask)
{
    if (candidates.isEmpty() || !candidates.first()) return;
    const TaskPtr& item = candidates.first();
    const CalendarPtr shownIn = category ? category : manager.calendarWithPrimaryKey(item->calendarId());
    if (shownIn && shownIn->inVisible()) {
        manager.removeAllTaskRelateToPrimaryKey(item->primaryKey());
        return;
    }
    if (manager.hasTaskInGlobalList(item)) return;
    if (isTask) {
        const SettingPtr setting = manager.currentSetting();
        if (setting && setting->showActiveTaskOnly()) return;
    }
    TaskList shown;
    if (manager.isAppliedTagFilter()) {
        const QStringList tags = manager.getShowTag();
        for (const TaskPtr& candidate : candidates)
            if (candidate && passesTagRule(shownIn, candidate, tags)) shown << candidate;
    } else {
        for (const TaskPtr& candidate : candidates)
            if (candidate) shown << candidate;
    }
    if (!shown.isEmpty()) manager.doWithAllTasksEventsAdes(shown, 0);
}

void doTodayWhenDue(CoreData& manager, const TaskPtr& task)
{
    if (!manager.hasDoToday() || !task->hasDue()
        || Utilities::compareDateNoTime(task->dueEnd(), Utilities::getCompleteDate()) != 0)
        return;
    if (!iCalSync::listRecordsOnMainThread()) {
        if (!manager.doToday(task))
            qWarning().noquote() << "Calendar store: task" << task->iCalUID() << "could not go to today";
        return;
    }
    // The move reads and reorders the listed tasks, which are the main
    // thread's: it is made there, after the content this job handed over.
    Transaction::toMainThreadAfterCommit([task] {
        CoreData* shared = CoreData::shared();
        if (shared && !shared->doToday(task)) qWarning() << "A task due today could not be moved to the top";
    });
}

// One line for a batch, however many uids the store did not know.
void logUnknown(const char* what, const QStringList& uids)
{
    if (uids.isEmpty()) return;
    qWarning().noquote() << uids.size() << what << "are not in the store, for instance" << uids.first();
}

}  // namespace

Date iCalSyncJobs::normalisedOccurrence(const Date& occurrence, const Task& root)
{
    // Both in the root's own wall-clock time, where its rule's occurrences
    // all have the start's hour. Read in this machine's hours, an occurrence
    // of a series in UTC is an hour later than its start once the machine's
    // clocks have gone forward, which looked like a UTC reading of the start
    // and was moved an hour back.
    const Date start = root.repeatStartDate();
    const Date wall = seriesDateToItemTime(occurrence, root);
    const Date normalised = Utilities::compareTime(wall, Utilities::getHour(start), Utilities::getMinute(start));
    return normalised == wall ? occurrence : itemDateToSeriesDate(normalised, root);
}

bool iCalSyncJobs::isImportJob(ICalJob::Kind kind)
{
    using enum ICalJob::Kind;
    switch (kind) {
    case InsertCalendarsFromICal: case UpdateCalendarsFromICal: case DeleteCalendarsFromICal:
    case InsertEventsFromICal: case UpdateEventsFromICal: case DeleteEventsFromICal:
    case InsertTasksFromICal: case UpdateTasksFromICal: case DeleteTasksFromICal:
        return true;
    default:
        return false;
    }
}

ICalJobOutcome iCalSyncJobs::importWork(const ICalJob& job)
{
    using enum ICalJob::Kind;
    // Events and tasks alike: a job whose turn comes once the sync is off
    // (the store lists no calendar) imports nothing; its batch has left the
    // queue all the same. The closing steps are those of a job that ran.
    if (!syncEnabled()) {
        switch (job.kind) {
        case InsertEventsFromICal: case DeleteEventsFromICal: case InsertTasksFromICal: case DeleteTasksFromICal:
            return {.changedLocalItems = true, .autoSyncMask = itemsChanged};
        case UpdateEventsFromICal: case UpdateTasksFromICal:
            return {.autoSyncMask = itemsAndLinksChanged};
        default:
            break;
        }
    }
    const QStringList uids = eachUidOnce(job.uids);
    switch (job.kind) {
    case ICalJob::Kind::InsertCalendarsFromICal: return waitToOneWaySyncInsertFromICal(uids);
    case ICalJob::Kind::UpdateCalendarsFromICal: return waitToOneWaySyncUpdateFromICal(uids);
    case ICalJob::Kind::DeleteCalendarsFromICal: return waitToOneWaySyncDeleteFromICal(uids);
    default: break;
    }
    ICalJobOutcome outcome;
    switch (job.kind) {
    case ICalJob::Kind::InsertEventsFromICal: outcome = waitToOneWaySyncInsertFromICalEvent(uids); break;
    case ICalJob::Kind::UpdateEventsFromICal: outcome = waitToOneWaySyncUpdateFromICalEvent(uids); break;
    case ICalJob::Kind::DeleteEventsFromICal: outcome = waitToOneWaySyncDeleteFromICalEvent(uids); break;
    case ICalJob::Kind::InsertTasksFromICal: outcome = waitToOneWaySyncInsertFromICalTask(uids); break;
    case ICalJob::Kind::UpdateTasksFromICal: outcome = waitToOneWaySyncUpdateFromICalTask(uids); break;
    case ICalJob::Kind::DeleteTasksFromICal: outcome = waitToOneWaySyncDeleteFromICalTask(uids); break;
    default: return {};
    }
    if (takeWithheldDeletes()) outcome.changedLocalItems = true;
    return outcome;
}

// A delete withheld while a file of its calendar could not be read (another
// program rewriting it in place, say) is not reported again: the store's
// next notice, once it reads that file, is the time to take it.
bool iCalSyncJobs::takeWithheldDeletes()
{
    CoreData* manager = CoreData::shared();
    if (!manager) return false;
    bool deleted = false;
    for (const bool tasks : {false, true}) {
        QSet<QString>& withheld = tasks ? m_withheldTaskDeletes : m_withheldEventDeletes;
        if (withheld.isEmpty()) continue;
        const QSet<QString> uids = std::exchange(withheld, {});
        QStringList gone;
        for (const QString& uid : uids) {
            const TaskPtr local = tasks ? manager->getTaskWithUID(uid) : manager->getRootEventWithUID(uid);
            // Still unreadable, it is withheld again by the check.
            if (local && (tasks ? storeTaskIsGone(uid, local) : storeEventIsGone(uid, local))) gone << uid;
        }
        if (gone.isEmpty()) continue;
        if (manager->deleteAllEventsWithUID(gone, true))
            deleted = true;
        else
            qWarning().noquote() << "Calendar store: the items gone from the store could not be deleted here";
    }
    return deleted;
}

// --- what the store confirms ---

bool iCalSyncJobs::storeCalendarIsGone(const QString& calendarUid) const
{
    CalError error;
    m_iCalStore->calendars(&error);
    if (!error.ok()) {
        qWarning().noquote() << "The store could not list its calendars; calendar" << calendarUid
                             << "is not taken for gone:" << error.text;
        return false;
    }
    if (m_iCalStore->calendarWithUID(calendarUid)) return false;
    if (QFileInfo::exists(calendarFolderOf(*m_iCalStore, calendarUid))) {
        qWarning().noquote() << "The folder of calendar" << calendarUid
                             << "is still there though the store cannot use it; its category is kept";
        return false;
    }
    return true;
}

namespace {

// The local item's store calendar has a file or a folder the store could
// not read: an absence there proves nothing.
bool calendarHasUnreadable(const CalCalendarStore& store, const CoreData& manager, const TaskPtr& localItem)
{
    CalError error;
    store.calendars(&error);
    if (!error.ok()) return true;
    if (!localItem) return false;
    const CalendarPtr category = manager.calendarWithPrimaryKey(localItem->calendarId());
    if (!category || category->iCalUID().isEmpty()) return !store.unreadableFiles().isEmpty();
    const QString folder = calendarFolderOf(store, category->iCalUID());
    const QFileInfo info(folder);
    if (info.exists() && (!info.isReadable() || !info.isExecutable())) return true;
    for (const QString& path : store.unreadableFiles())
        if (path.startsWith(folder + QLatin1Char('/'))) return true;
    return false;
}

}  // namespace

bool iCalSyncJobs::storeEventIsGone(const QString& uid, const TaskPtr& localItem) const
{
    CalError error;
    if (m_iCalStore->eventWithUID(uid, Date(), &error)) return false;
    if (error.code != CalError::Code::NotFound) return false;
    const CoreData* manager = CoreData::shared();
    if (!manager || calendarHasUnreadable(*m_iCalStore, *manager, localItem)) {
        qWarning().noquote() << "The store could not read all of the calendar of event" << uid
                             << "; its local items are kept";
        if (localItem) m_withheldEventDeletes.insert(uid);
        return false;
    }
    return true;
}

bool iCalSyncJobs::storeTaskIsGone(const QString& uid, const TaskPtr& localItem) const
{
    CalError error;
    if (m_iCalStore->taskWithUID(uid, &error)) return false;
    if (error.code != CalError::Code::NotFound) return false;
    const CoreData* manager = CoreData::shared();
    if (!manager || calendarHasUnreadable(*m_iCalStore, *manager, localItem)) {
        qWarning().noquote() << "The store could not read all of the calendar of task" << uid
                             << "; the local task is kept";
        if (localItem) m_withheldTaskDeletes.insert(uid);
        return false;
    }
    return true;
}

// --- calendars ---

ICalJobOutcome iCalSyncJobs::waitToOneWaySyncInsertFromICal(const QStringList& uids)
{
    CoreData* manager = CoreData::shared();
    if (!manager) return {};
    CalCalendarList found;
    QStringList unknown;
    for (const QString& uid : uids) {
        if (CalCalendarPtr calendar = m_iCalStore->calendarWithUID(uid))
            found << calendar;
        else
            unknown << uid;
    }
    logUnknown("calendars reported as new", unknown);
    const FolderMap folders = findDirectoryOfCalendar(found);
    for (const CalCalendarPtr& calendar : found) {
        if (!calendar->isEditable()) continue;
        // Linked already (its import ran twice, or a full sync took it in).
        if (manager->calendarWithICalUID(calendar->uid())) continue;
        addCategoryForStoreCalendar(*manager, calendar, folders);
    }
    reloadCategories(*manager);
    return {};
}

ICalJobOutcome iCalSyncJobs::waitToOneWaySyncUpdateFromICal(const QStringList& uids)
{
    CoreData* manager = CoreData::shared();
    if (!manager) return {};
    for (const QString& uid : uids) {
        // A copy: the listed category is the main thread's, and takes the
        // saved name from there.
        const CalendarPtr listed = manager->calendarWithICalUID(uid);
        if (!listed) continue;
        const CalendarPtr category = listed->copy();
        const CalCalendarPtr calendar = m_iCalStore->calendarWithUID(uid);
        if (!calendar) {
            // The calendar itself is gone: nothing is left to remove in the store.
            if (storeCalendarIsGone(uid) && !manager->doDeleteCalendar(category, false, true))
                qWarning().noquote() << "Calendar store: the category of calendar" << uid << "could not be deleted";
            continue;
        }
        if (calendar->title() == category->calendarName()) continue;
        const QString name = category->isShared()
                                 ? calendar->title()
                                 : manager->createNewcalendarNameIfExist(calendar->title(), category, manager->calendarList());
        category->setCalendarName(name);
        if (!category->dehydrate()) qWarning().noquote() << "The new name of category" << name << "could not be saved";
        if (name != calendar->title()) retitleStoreCalendar(*m_iCalStore, calendar, name);
    }
    reloadCategories(*manager);
    return {.autoSyncMask = categoriesChanged};
}

ICalJobOutcome iCalSyncJobs::waitToOneWaySyncDeleteFromICal(const QStringList& uids)
{
    CoreData* manager = CoreData::shared();
    if (!manager) return {};
    CalendarList categories;
    for (const QString& uid : uids)
        if (CalendarPtr category = manager->calendarWithICalUID(uid)) categories << category->copy();
    for (const CalendarPtr& category : categories) {
        if (category->iCalUID().isEmpty()) continue;
        if (!storeCalendarIsGone(category->iCalUID())) continue;
        if (!manager->deleteAllTasksBelongCalendar(category->primaryKey())) {
            qWarning().noquote() << "The items of category" << category->calendarName()
                                 << "could not be deleted; the category is kept";
            continue;
        }
        if (!category->deleteFromDatabase())
            qWarning().noquote() << "Category" << category->calendarName() << "could not be deleted";
    }
    reloadCategories(*manager);
    ICalJobOutcome outcome;
    if (!manager->getCalendarWithType(0, manager->calendarList()).isEmpty()) {
        if (!manager->checkAndSetDefaultCategory())
            qWarning() << "Calendar store: the default category could not be repaired";
        outcome.autoSyncMask = categoriesChanged;
    } else if (!manager->createDefaultCategoryAutoSyncZVW(true)) {
        qWarning() << "Calendar store: no default category could be made";
    }
    return outcome;
}

// --- events ---

ICalJobOutcome iCalSyncJobs::waitToOneWaySyncInsertFromICalEvent(const QStringList& uids)
{
    const ICalJobOutcome outcome{.changedLocalItems = true, .autoSyncMask = itemsChanged};
    CoreData* manager = CoreData::shared();
    if (!manager) return outcome;
    for (const QString& uid : uids) {
        const std::optional<CalEventList> events = getICalEventsWithEventUIDList({uid});
        if (!events || events->isEmpty() || !events->first()->calendar()) {
            if (!events) qWarning().noquote() << "The store could not be asked for event" << uid;
            continue;
        }
        const CalendarPtr category = manager->calendarWithICalUID(events->first()->calendar()->uid());
        if (!category) continue;
        QList<Date> deletedDates;
        Date seriesStart, seriesEnd;
        const CalEventList parts = getICalEventInfo(uid, category->directory(), &deletedDates, &seriesStart, &seriesEnd);
        if (isOneOff(*events->first())) seriesStart = seriesEnd = Date();
        if (parts.isEmpty()) {
            qWarning().noquote() << "The file of event" << uid << "gave nothing; its local items are kept";
            continue;
        }
        // Only what was read replaces what is here.
        if (!manager->deleteAllEventsWithUID({uid}, true)) {
            qWarning().noquote() << "Event" << uid << "could not be replaced";
            continue;
        }
        auto root = std::make_shared<Task>();
        root->setTaskType(0);
        root->setBuiltIn(1);
        const CalEvent& first = *parts.first();
        updateInfoFromICalEvent(first, root, seriesStart, seriesEnd, first.isDetached());
        synchEventTimeZone(first, root);
        rootDatesToItemTime(*root, first, seriesStart);
        if (!root->insertAndDehydrate()) {
            qWarning().noquote() << "Event" << uid << "could not be stored";
            continue;
        }
        if (!first.recurrenceRule() && parts.size() < 2) continue;
        for (qsizetype i = 1; i < parts.size(); ++i) {
            const Date occurrence = seriesDateToItemTime(normalisedOccurrence(parts[i]->occurrence(), *root), *root);
            auto detached = std::make_shared<Task>();
            updateInfoFromICalEvent(*parts[i], detached, Date(), Date());
            detached->setParentId(root->primaryKey());
            detached->setRepeatType(0);
            detached->setTaskType(0);
            detached->setCalendarId(root->calendarId());
            detached->setOccurrence(occurrence);
            synchEventTimeZone(*parts[i], detached);
            if (!detached->insertAndDehydrate()) qWarning().noquote() << "A changed occurrence of" << uid << "could not be stored";
            root->addRepeatException(occurrence, Task::RepeatException::Changed);
        }
        for (const Date& date : deletedDates)
            root->addRepeatException(seriesDateToItemTime(date, *root), Task::RepeatException::Deleted);
        if (!root->dehydrate()) qWarning().noquote() << "The exceptions of event" << uid << "could not be saved";
    }
    return outcome;
}

ICalJobOutcome iCalSyncJobs::waitToOneWaySyncUpdateFromICalEvent(const QStringList& uids)
{
    CoreData* manager = CoreData::shared();
    if (!manager) return {.autoSyncMask = itemsAndLinksChanged};
    TaskList roots;
    QStringList notLinked;
    for (const QString& uid : uids) {
        if (TaskPtr root = manager->getRootEventWithUID(uid))
            roots << root;
        else
            notLinked << uid;
    }
    for (const TaskPtr& root : roots) {
        const QString uid = root->iCalUID();
        if (uid.isEmpty()) continue;
        const std::optional<CalEventList> events = getICalEventsWithEventUIDList({uid});
        if (!events) {
            qWarning().noquote() << "The store could not be asked for event" << uid << "; nothing is deleted";
            continue;
        }
        if (events->isEmpty() || !events->first()->calendar()) {
            // Gone, or moved beyond the window: only the first is an absence.
            if (storeEventIsGone(uid, root) && !manager->deleteAllEventsWithUID({uid}, true))
                qWarning().noquote() << "Event" << uid << "could not be deleted";
            continue;
        }
        const CalendarPtr category = manager->calendarWithICalUID(events->first()->calendar()->uid());
        StoreSeries series;
        series.parts = getICalEventInfo(uid, category ? category->directory() : QString(), &series.deletedDates,
                                        &series.start, &series.end);
        if (isOneOff(*events->first())) series.start = series.end = Date();
        if (series.parts.isEmpty()) {
            qWarning().noquote() << "The file of event" << uid << "gave nothing; the local event is kept";
            continue;
        }
        // As the full sync takes a series: a changed occurrence the file no
        // longer holds (another program took its change back) loses its
        // row, or the occurrence would show twice, there and in the series.
        bool categoryChanged = false;
        applyStoreSeries(*manager, series, root, false, &categoryChanged, true);
        if (categoryChanged && !manager->resetZVWIdWhenCalChanged(root, true))
            qWarning().noquote() << "The web ids of event" << uid << "could not be reset";
        TaskList candidates{root};
        candidates += manager->getAllDetachedEventWithParentID(root->primaryKey());
        showInWorkingList(*manager, category, candidates, false);
    }
    if (notLinked.isEmpty()) return {.changedLocalItems = true, .autoSyncMask = itemsAndLinksChanged};
    // Events with no local root yet are new here: the insert runs at once,
    // ahead of any batch reported after this one, and its request is the one.
    waitToOneWaySyncInsertFromICalEvent(notLinked);
    return {.changedLocalItems = true, .autoSyncMask = itemsChanged};
}

ICalJobOutcome iCalSyncJobs::waitToOneWaySyncDeleteFromICalEvent(const QStringList& uids)
{
    const ICalJobOutcome outcome{.changedLocalItems = true, .autoSyncMask = itemsChanged};
    CoreData* manager = CoreData::shared();
    if (!manager) return outcome;
    QStringList gone;
    for (const QString& uid : uids)
        if (storeEventIsGone(uid, manager->getRootEventWithUID(uid))) gone << uid;
    if (!gone.isEmpty() && !manager->deleteAllEventsWithUID(gone, true))
        qWarning().noquote() << "Calendar store: the items gone from the store could not be deleted here";
    return outcome;
}

// --- tasks ---

ICalJobOutcome iCalSyncJobs::waitToOneWaySyncInsertFromICalTask(const QStringList& uids)
{
    const ICalJobOutcome outcome{.changedLocalItems = true, .autoSyncMask = itemsChanged};
    CoreData* manager = CoreData::shared();
    if (!manager) return outcome;
    QStringList unknown;
    for (const QString& uid : uids) {
        const CalTaskPtr storeTask = m_iCalStore->taskWithUID(uid);
        if (!storeTask) {
            unknown << uid;
            continue;
        }
        if (!manager->deleteAllEventsWithUID({uid}, true)) {
            qWarning().noquote() << "Task" << uid << "could not be replaced";
            continue;
        }
        auto task = std::make_shared<Task>();
        task->setTaskType(1);
        task->setBuiltIn(1);
        updateInfoFromICalTask(*storeTask, task);
        if (!task->insertAndDehydrate()) {
            qWarning().noquote() << "Task" << uid << "could not be stored";
            continue;
        }
        doTodayWhenDue(*manager, task);
    }
    logUnknown("tasks reported as new", unknown);
    return outcome;
}

ICalJobOutcome iCalSyncJobs::waitToOneWaySyncUpdateFromICalTask(const QStringList& uids)
{
    const ICalJobOutcome outcome{.changedLocalItems = true, .autoSyncMask = itemsAndLinksChanged};
    CoreData* manager = CoreData::shared();
    if (!manager) return outcome;
    for (const QString& uid : uids) {
        const TaskPtr task = manager->getTaskWithUID(uid);
        if (!task || task->iCalUID().isEmpty()) continue;
        const CalTaskPtr storeTask = m_iCalStore->taskWithUID(uid);
        if (!storeTask) continue;  // the local task stays as it is
        const CalendarPtr category =
            storeTask->calendar() ? manager->calendarWithICalUID(storeTask->calendar()->uid()) : nullptr;
        const bool categoryChanged = updateInfoFromICalTask(*storeTask, task);
        if (!task->dehydrate()) qWarning().noquote() << "Task" << uid << "could not be saved";
        if (categoryChanged && !manager->resetZVWIdWhenCalChanged(task, true))
            qWarning().noquote() << "The web ids of task" << uid << "could not be reset";
        showInWorkingList(*manager, category, {task}, true);
        doTodayWhenDue(*manager, task);
    }
    return outcome;
}

ICalJobOutcome iCalSyncJobs::waitToOneWaySyncDeleteFromICalTask(const QStringList& uids)
{
    const ICalJobOutcome outcome{.changedLocalItems = true, .autoSyncMask = itemsChanged};
    CoreData* manager = CoreData::shared();
    if (!manager) return outcome;
    QStringList gone;
    for (const QString& uid : uids)
        if (storeTaskIsGone(uid, manager->getTaskWithUID(uid))) gone << uid;
    if (!gone.isEmpty() && !manager->deleteAllEventsWithUID(gone, true))
        qWarning().noquote() << "Calendar store: the items gone from the store could not be deleted here";
    return outcome;
}
