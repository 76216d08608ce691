// The full sync of categories, events and tasks with the calendar store, and
// the restore that links a restored database to the store again.
#include "iCalSyncJobs.h"

#include "Calendar.h"
#include "Clock.h"
#include "CoreData.h"
#include "MainQueue.h"
#include "Setting.h"
#include "Task.h"
#include "QueryStatement.h"
#include "RecordGuard.h"
#include "RecordStore.h"
#include "RecurrenceExpander.h"
#include "Transaction.h"
#include "Utilities.h"
#include "iCalSyncJobsShared.h"

#include <QDebug>
#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <algorithm>
#include <cmath>

#include <sys/resource.h>
#include <unistd.h>

namespace {

constexpr double secondsPerDay = 86400.0;
// A category's kinds of item (taskOrEvent): 1 takes tasks only, 2 events only.
constexpr qint64 tasksOnly = 1;
constexpr qint64 eventsOnly = 2;

// An ordinary category repairs the default; without one a default is made.
void repairDefaultCategory(CoreData& manager)
{
    if (!manager.getCalendarWithType(0, manager.calendarList()).isEmpty()) {
        if (!manager.checkAndSetDefaultCategory())
            qWarning() << "Calendar store: the default category could not be repaired";
    } else if (!manager.createDefaultCategoryAutoSyncZVW(false)) {
        qWarning() << "Calendar store: no default category could be made";
    }
}

// What goes back to a store that lost the copies: every linked item, and
// those a backup made just after a change holds before their links were
// written, chosen as the full sync chooses the local items it sends, with
// the changed occurrences of their series; roots sort first, so a series is
// chosen before its rows. Items in `settled` are linked to copies there.
struct ItemsToSend {
    TaskList tasks, roots, occurrences;
};

ItemsToSend itemsToSendBack(CoreData& manager, const QSet<qint64>& settled)
{
    TaskList items = manager.getAllTasksEventsAdes();
    std::stable_sort(items.begin(), items.end(), [](const TaskPtr& a, const TaskPtr& b) {
        if (a->parentId() != b->parentId()) return a->parentId() < b->parentId();
        return a->primaryKey() < b->primaryKey();
    });
    const auto takesOnly = [&](const TaskPtr& item, qint64 kind) {
        const CalendarPtr category = manager.calendarWithPrimaryKey(item->calendarId());
        return category && category->taskOrEvent() == kind;
    };
    ItemsToSend send;
    QSet<qint64> sentRoots;
    for (const TaskPtr& item : items) {
        if (!item || settled.contains(item->primaryKey()) || settled.contains(item->parentId())) continue;
        const bool linked = !item->iCalUID().isEmpty();
        if (item->taskType() == 1) {
            if (linked || (item->parentId() == -1 && !takesOnly(item, eventsOnly))) send.tasks << item;
        } else if (item->taskType() == 0 && item->parentId() == -1) {
            if (!linked && (item->isSheduledTask() || takesOnly(item, tasksOnly))) continue;
            send.roots << item;
            sentRoots.insert(item->primaryKey());
        } else if (item->taskType() == 0 && (linked || sentRoots.contains(item->parentId()))) {
            send.occurrences << item;
        }
    }
    return send;
}

// The working item list from the categories that are shown.
void reloadWorkingList(CoreData& manager)
{
    manager.doWithAllTasksEventsAdes(std::nullopt, 1);
    QList<qint64> shown;
    for (const CalendarPtr& category : manager.calendarList())
        if (category && !category->inVisible()) shown << category->primaryKey();
    manager.addTasksToListFromCalendarList(shown);
}

void saveItem(CoreData& manager, const TaskPtr& item, bool updateList = false)
{
    if (!item->dehydrateUpdateOption(updateList))
        qWarning().noquote() << "Calendar store: item" << item->primaryKey() << "could not be saved";
}

bool insertItem(CoreData& manager, const TaskPtr& item)
{
    if (item->insertAndDehydrate()) return true;
    qWarning().noquote() << "Calendar store: an item of uid" << item->iCalUID() << "could not be stored";
    return false;
}

void saveCategory(const CalendarPtr& category)
{
    if (!category->dehydrate())
        qWarning().noquote() << "Calendar store: category" << category->calendarName() << "could not be saved";
}

// "<folder>|<kinds>" of the map, split; a calendar the map does not hold
// gets an empty folder and no kinds.
void takeFolder(const CalendarPtr& category, const QString& entry, const QString& type)
{
    const qsizetype bar = entry.lastIndexOf(QLatin1Char('|'));
    category->setDirectory(bar < 0 ? QString() : entry.left(bar));
    category->setTaskOrEvent(bar < 0 ? 0 : entry.mid(bar + 1).toLongLong());
    category->setTypeOfCal(type);
}

// Titles and names compared with letter case and spaces ignored.
QString nameKey(const QString& name)
{
    return name.toUpper().remove(QLatin1Char(' '));
}

// The rows of a pass written in units of a few hundred: one commit per
// unit instead of one per row. A unit that fails to commit loses only its
// own rows (logged); the next full sync takes them in again.
class ChunkedUnit {
public:
    ChunkedUnit() { m_unit.emplace(); }
    ~ChunkedUnit() { close(); }
    void step()
    {
        if (++m_count % rowsPerUnit != 0) return;
        close();
        m_unit.emplace();
    }
    void close()
    {
        if (m_unit && !m_unit->commit())
            qWarning() << "Calendar store: a unit of the full sync's rows could not be stored; the next sync retries";
        m_unit.reset();
    }

private:
    static constexpr int rowsPerUnit = 250;
    std::optional<Transaction> m_unit;
    int m_count = 0;
};

// Every uid some local item (any kind but checklist items) carries, read
// once: an import deletes local items of its uid only when there are some.
// The column alone: loading every item for it cost a large import more than
// its own inserts of tasks.
QSet<QString> localUids()
{
    QSet<QString> uids;
    RecordGuard guard;
    QueryStatement query("SELECT DISTINCT iCalIdentifier FROM Tasks WHERE taskType!=? AND iCalIdentifier!=''");
    query.bind(1, qint64(ItemKind::ChecklistItem));
    while (query.nextRow())
        if (QString uid = RecordStore::columnText(query.get(), 0); !uid.isEmpty()) uids.insert(uid);
    return uids;
}

}  // namespace

// --- what the store could not read ---

namespace {

// The file named after the uid is there but holds nothing the store can use
// (another program wrote something else over it): no sign the item is gone.
bool fileOfUidIsUnread(const CalCalendarStore& store, const QString& uid, bool task)
{
    CalError error;
    if (task) store.taskWithUID(uid, &error);
    else store.eventWithUID(uid, Date(), &error);
    return error.code == CalError::Code::CannotRead;
}

}  // namespace

iCalSyncJobs::UnreadableCalendars iCalSyncJobs::unreadableCalendars(const CalCalendarList& calendars) const
{
    UnreadableCalendars unreadable;
    const QStringList files = m_iCalStore->unreadableFiles();
    for (const CalCalendarPtr& calendar : calendars) {
        const QString folder = calendarFolderOf(*m_iCalStore, calendar->uid());
        const QFileInfo info(folder);
        bool bad = info.exists() && (!info.isReadable() || !info.isExecutable());
        for (qsizetype i = 0; !bad && i < files.size(); ++i) bad = files[i].startsWith(folder + QLatin1Char('/'));
        if (bad) unreadable.uids.insert(calendar->uid());
    }
    // A file outside every listed calendar may belong to any of them.
    unreadable.elsewhere = !files.isEmpty() && unreadable.uids.isEmpty();
    return unreadable;
}

bool iCalSyncJobs::UnreadableCalendars::covers(const CoreData& manager, const TaskPtr& item) const
{
    if (elsewhere) return true;
    if (uids.isEmpty()) return false;
    const CalendarPtr category = manager.calendarWithPrimaryKey(item->calendarId());
    return !category || category->iCalUID().isEmpty() || uids.contains(category->iCalUID());
}

// --- the full sync ---

bool iCalSyncJobs::settlePendingStoreCopies(QSet<qint64>* settledKeys)
{
    CoreData* manager = CoreData::shared();
    // Any item may carry a mark (a web sync pushes changed occurrences and
    // subtasks too); the rows are found by the mark's first character.
    QList<qint64> keys;
    {
        RecordGuard guard;
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(RecordStore::sharedDatabase(),
                               "SELECT primaryKey FROM Tasks WHERE substr(iCalIdentifier, 1, 1) = char(1)", -1,
                               &statement, nullptr)
            != SQLITE_OK) {
            RecordStore::logFailure(RecordStore::selectErrorText, RecordStore::sharedDatabase());
            return false;
        }
        int stepped = SQLITE_ROW;
        while ((stepped = RecordStore::step(statement)) == SQLITE_ROW) keys << sqlite3_column_int64(statement, 0);
        sqlite3_finalize(statement);
        if (stepped != SQLITE_DONE) {
            RecordStore::logFailure(RecordStore::selectErrorText, RecordStore::sharedDatabase());
            return false;
        }
    }
    TaskList marked;
    for (const qint64 key : keys)
        if (const TaskPtr item = manager->taskWithPrimaryKey(key); item && item->iCalUID().startsWith(pendingStoreCopyMark))
            marked << item;
    if (marked.isEmpty()) return true;
    QList<qint64> adopted;
    Transaction unit;
    for (const TaskPtr& item : marked) {
        unit.keep(item);
        const QString uid = item->iCalUID().mid(pendingStoreCopyMark.size());
        const CalEventPtr copy = item->taskType() == 0 ? m_iCalStore->eventWithUID(uid, Date()) : nullptr;
        if (copy) {
            linkToStoreCopy(item, *copy);
            adopted << item->primaryKey();
        } else if (item->taskType() != 0 && m_iCalStore->taskWithUID(uid)) {
            item->setICalUID(uid);
            if (!item->dehydrate()) qWarning().noquote() << "Calendar store: the link of item" << item->primaryKey() << "could not be stored";
            adopted << item->primaryKey();
        } else {
            item->setICalUID(QString());
            if (!item->dehydrate()) qWarning().noquote() << "Calendar store: the mark of item" << item->primaryKey() << "could not be removed";
        }
    }
    if (!unit.commit()) {
        qWarning() << "Calendar store: the copies of an export cut short could not be settled; events wait for the next sync";
        return false;
    }
    // Only the linked ones: an item whose mark was dropped has no copy, and
    // the caller is the one to send it.
    if (settledKeys)
        for (const qint64 key : adopted) settledKeys->insert(key);
    qInfo().noquote() << "Calendar store: an export was cut short;" << adopted.size() << "written copies are linked,"
                      << marked.size() - adopted.size() << "items are written again";
    return true;
}

void iCalSyncJobs::finishStoreRemovals()
{
    using Kind = iCalSync::StoreRemoval;
    m_calendarsBeingRemoved.clear();
    m_eventsBeingRemoved.clear();
    m_tasksBeingRemoved.clear();
    const QList<std::pair<QString, Kind>> owed = iCalSync::storeRemovalsDue();
    if (owed.isEmpty()) return;
    const auto withheld = [this](Kind kind) -> QSet<QString>& {
        return kind == Kind::Calendar ? m_calendarsBeingRemoved
                                      : kind == Kind::Event ? m_eventsBeingRemoved : m_tasksBeingRemoved;
    };
    QList<std::pair<Kind, QString>> done;
    for (const auto& [uid, kind] : owed) {
        CalError error;
        bool removed = false;
        if (kind == Kind::Calendar) {
            const CalCalendarPtr calendar = m_iCalStore->calendarWithUID(uid);
            // Gone already; a read-only calendar stays, as at the delete.
            removed = calendar ? !calendar->isEditable() || m_iCalStore->removeCalendar(calendar, &error)
                               : storeCalendarIsGone(uid);
        } else if (kind == Kind::Event) {
            const CalEventPtr series = m_iCalStore->eventWithUID(uid, Date(), &error);
            removed = series ? deleteEventOnICal(series, allOccurrences) : error.code == CalError::Code::NotFound;
        } else {
            const CalTaskPtr task = m_iCalStore->taskWithUID(uid, &error);
            removed = task ? deleteTaskOnICal(task) : error.code == CalError::Code::NotFound;
        }
        if (removed) {
            done.append({kind, uid});
            continue;
        }
        qWarning().noquote() << "Calendar store: the owed removal of" << uid
                             << "could not be done; it is left out of the sync:" << error.text;
        withheld(kind).insert(uid);
    }
    // The records go once the removals are on the disk; until then what
    // may still be there is not taken in.
    CalError flushError;
    if (!m_iCalStore->flushPendingWrites(&flushError)) {
        qWarning().noquote() << "Calendar store: the owed removals could not be made durable:" << flushError.text;
        for (const auto& [kind, uid] : done) withheld(kind).insert(uid);
        return;
    }
    Transaction unit;
    for (const auto& [kind, uid] : done) iCalSync::clearStoreRemoval(kind, uid);
    if (!unit.commit()) qWarning() << "Calendar store: the done removals could not be unrecorded";
    qInfo().noquote() << "Calendar store:" << done.size() << "owed removals are done,"
                      << owed.size() - done.size() << "wait";
}

void iCalSyncJobs::settlePendingStoreCalendars()
{
    CoreData* manager = CoreData::shared();
    CalendarList marked;
    for (const CalendarPtr& category : manager->calendarList())
        if (category && category->iCalUID().startsWith(pendingStoreCopyMark)) marked << category;
    if (marked.isEmpty()) return;
    Transaction unit;
    for (const CalendarPtr& category : marked) {
        unit.keep(category);
        const QString uid = category->iCalUID().mid(pendingStoreCopyMark.size());
        const CalCalendarPtr calendar = m_iCalStore->calendarWithUID(uid);
        // Its calendar is there: linked. Else unmarked, and made below.
        category->setICalUID(calendar ? uid : QString());
        if (calendar) takeFolder(category, findDirectoryOfCalendar({calendar}).value(uid), calendar->type());
        saveCategory(category);
    }
    if (!unit.commit()) qWarning() << "Calendar store: the calendars of new categories could not be settled";
}

void iCalSyncJobs::settleStoreSplits()
{
    m_splitsNotDone.clear();
    CoreData* manager = CoreData::shared();
    for (const iCalSync::StoreSplit& split : iCalSync::storeSplitsDue()) {
        if (settleStoreSplit(split)) continue;
        // Neither part is paired or pushed: the old file would give the cut
        // series its whole run back, and a push a second copy of the rest.
        m_splitsNotDone.insert(split.seriesKey);
        if (const TaskPtr root = manager->getRootEventWithUID(split.uid)) m_splitsNotDone.insert(root->primaryKey());
        qWarning().noquote() << "Calendar store: the split of" << split.uid << "waits for the next sync";
    }
}

void iCalSyncJobs::pushStoreWritesDue()
{
    m_writesNotPushed.clear();
    const QList<std::pair<qint64, qint64>> owed = iCalSync::storeWritesDue();
    if (owed.isEmpty()) return;
    CoreData* manager = CoreData::shared();
    QList<std::pair<qint64, qint64>> written;
    for (const auto& [key, due] : owed) {
        const TaskPtr item = manager->taskWithPrimaryKey(key);
        // Gone or unlinked since: nothing is owed any more.
        bool done = true;
        if (item && item->primaryKey() == key && !item->iCalUID().isEmpty()
            && !item->iCalUID().startsWith(pendingStoreCopyMark) && !item->isSheduledTask()) {
            if (item->taskType() == 1)
                done = updateTask(item);
            else if (item->taskType() == 0)
                done = updateEvent(item, item->parentId() == -1 ? 1 : 0);
        }
        if (done)
            written.append({key, due});
        else
            m_writesNotPushed.insert(key);
    }
    CalError error;
    if (!m_iCalStore->flushPendingWrites(&error)) {
        // Not on the disk: the store's copies are not read back over them.
        qWarning().noquote() << "Calendar store: the owed writes could not be made durable:" << error.text;
        for (const auto& [key, due] : written) m_writesNotPushed.insert(key);
        return;
    }
    Transaction unit;
    for (const auto& [key, due] : written) iCalSync::clearStoreWriteDue(key, due);
    if (!unit.commit()) qWarning() << "Calendar store: the marks of written items could not be removed";
    qInfo().noquote() << "Calendar store:" << written.size() << "changes a stop kept from the store are written,"
                      << m_writesNotPushed.size() << "wait";
}

void iCalSyncJobs::loadListsBeforeFullSync()
{
    CoreData* manager = CoreData::shared();
    if (!manager) return;
    // Its place first: a default category made below queues its calendar
    // behind the full sync, which then finds it marked and links it.
    if (!m_pendingFullSync && MainQueue::isMainThread()) m_pendingFullSync = m_discipline.enter();
    reloadCategories(*manager);
    repairDefaultCategory(*manager);
    reloadWorkingList(*manager);
}

void iCalSyncJobs::whenStoreIndexed(std::function<void()> then)
{
    if (m_seriesReadAhead || m_seriesReader.joinable()) {
        m_iCalStore->indexInBackground(std::move(then));
        return;
    }
    auto ahead = std::make_shared<SeriesReadAhead>();
    m_seriesReadAhead = ahead;
    // The sync is told the store is ready once its series are read too.
    m_iCalStore->indexInBackground([this, ahead, then = std::move(then)]() mutable {
        // Stopped (a quit, the sync run already, these jobs gone): nothing
        // of this object is touched any more.
        if (ahead->stop || m_seriesReader.joinable()) {
            if (then) then();
            return;
        }
        try {
            m_seriesReader = std::thread([this, ahead, then]() mutable {
                // Like the index's readers: the window's thread goes first.
                if (::setpriority(PRIO_PROCESS, id_t(::gettid()), 10) != 0)
                    qWarning() << "Calendar store: the series reader's priority could not be lowered";
                readSeriesAhead(*ahead);
                ahead->done.store(true);
                if (then) MainQueue::async(std::move(then));
            });
        } catch (const std::exception& error) {
            qWarning() << "Calendar store: the series are read by the sync itself; no reader could start:" << error.what();
            if (then) then();
        }
    });
}

void iCalSyncJobs::readSeriesAhead(SeriesReadAhead& ahead) const
{
    CalError error;
    const CalCalendarList calendars = m_iCalStore->calendars(&error);
    if (calendars.isEmpty() || ahead.stop) return;
    QSet<QString> seen;
    // A calendar at a time: the store's lock, held for each query, is not
    // kept from the main thread for the whole window's events.
    for (const CalCalendarPtr& calendar : calendars) {
        bool partial = false;
        const std::optional<CalEventList> fetched = getICalEventsWithCalendars({calendar}, &partial);
        for (const CalEventPtr& event : fetched.value_or(CalEventList())) {
            if (ahead.stop) return;
            if (!event || event->uid().isEmpty() || seen.contains(event->uid())) continue;
            if (!event->recurrenceRule() && !event->isDetached() && event->recurrenceDates().isEmpty()) continue;
            seen.insert(event->uid());
            // Stamped before it is read: a write meanwhile gives another stamp.
            const FileStamp stamp = eventFileStamp(event->uid());
            if (stamp.path.isEmpty()) continue;
            StoreSeries series;
            series.parts = getICalEventInfo(event->uid(), QString(), &series.deletedDates, &series.start, &series.end);
            // What gave nothing (the sync off, a file cut short) the sync reads itself.
            if (!series.parts.isEmpty()) ahead.series.insert(event->uid(), {stamp, std::move(series)});
        }
    }
}

void iCalSyncJobs::stopSeriesReadAhead()
{
    if (m_seriesReadAhead) m_seriesReadAhead->stop.store(true);
    // Within one series' read.
    if (m_seriesReader.joinable()) m_seriesReader.join();
}

void iCalSyncJobs::waitToFullSync()
{
    CoreData* manager = CoreData::shared();
    if (!manager) return;
    // The series read ahead serve this sync only, and only once all are
    // read: a sync that comes first reads its own.
    if (m_seriesReadAhead && !m_seriesReadAhead->done.load()) {
        stopSeriesReadAhead();
        m_seriesReadAhead->series.clear();
    }
    fullSyncCalendars();

    CalError error;
    CalCalendarList calendars = m_iCalStore->calendars(&error);
    if (!calendars.isEmpty()) {
        // A calendar whose removal is still owed is no source of items.
        calendars.removeIf([this](const CalCalendarPtr& calendar) {
            return calendar && m_calendarsBeingRemoved.contains(calendar->uid());
        });
    }
    // The store is a folder of our own, made when missing: one that can be
    // listed is reachable, with calendars or not yet.
    if (calendars.isEmpty() && !error.ok()) {
        qWarning().noquote() << "Calendar store: its calendars could not be listed:" << error.text;
        manager->setBSynciCalEnable(false);
    } else if (calendars.isEmpty()) {
        // Nothing to pair and no calendar to write into (the category
        // step could make none); the pushes follow once there is one.
        manager->setBSynciCalEnable(true);
    } else {
        manager->setBSynciCalEnable(true);
        // A store that could not list every calendar may miss items; what
        // it did not show is not taken for deleted.
        UnreadableCalendars unreadable = unreadableCalendars(calendars);
        if (!error.ok()) {
            qWarning().noquote() << "Calendar store: not every calendar could be read; nothing is deleted:" << error.text;
            unreadable.elsewhere = true;
        }
        // Marked uids left unsettled would be taken for deletions and their
        // copies for new items: events and tasks wait for the next sync.
        if (settlePendingStoreCopies()) {
            settleStoreSplits();
            if (m_storeCameBackEmpty) writeBackToEmptyStore();
            pushStoreWritesDue();
            fullSyncEvents(calendars, unreadable);
            fullSyncTasks(calendars, unreadable);
            m_writesNotPushed.clear();
            m_splitsNotDone.clear();
        }
    }
    if (m_seriesReadAhead) {
        stopSeriesReadAhead();
        m_seriesReadAhead.reset();
    }

    if (const SettingPtr setting = manager->currentSetting()) {
        setting->setICalLastSyncTime(Clock::now());
        if (!setting->dehydrate()) qWarning() << "Calendar store: the time of the full sync could not be saved";
    }
    reloadWorkingList(*manager);
}

void iCalSyncJobs::writeBackToEmptyStore()
{
    CoreData* manager = CoreData::shared();
    const ItemsToSend send = itemsToSendBack(*manager, {});
    if (send.roots.isEmpty() && send.tasks.isEmpty()) return;
    qInfo().noquote() << "Calendar store: it lists no calendar;" << send.roots.size() << "events and"
                      << send.tasks.size() << "tasks are written back under their uids";
    if (!send.roots.isEmpty()) insertAndUpdateEvents(send.roots, send.occurrences);
    if (!send.tasks.isEmpty()) createNewTasksOnICal(send.tasks);
}

void iCalSyncJobs::fullSyncCalendars()
{
    CoreData* manager = CoreData::shared();
    if (!manager) return;
    // A calendar a kill left half made is no calendar of anyone's.
    if (const int unfinished = m_iCalStore->removeUnfinishedCalendars())
        qInfo().noquote() << "Calendar store:" << unfinished << "calendars a stop left half made are removed";
    finishStoreRemovals();
    settlePendingStoreCalendars();
    const FolderMap folders = getICalCalendarDirectory();
    CalError error;
    CalCalendarList storeCalendars = m_iCalStore->calendars(&error);
    CalendarList categories = manager->getCalendarWithType(0, manager->calendarList());

    // A store folder that lists no calendar while categories link to it
    // (moved aside, not mounted yet, being filled again by another tool)
    // confirms no removal: the calendars and items are written back under
    // their own uids, so the old folders, should they come back, are the
    // same calendars and events, not second ones.
    m_storeCameBackEmpty = storeCalendars.isEmpty() && error.ok();
    if (storeCalendars.isEmpty() && !error.ok()) {
        qWarning().noquote() << "Calendar store: its calendars could not be listed:" << error.text;
        manager->setBSynciCalEnable(false);
    } else {
        // Pair by uid, in the store's order.
        for (qsizetype s = 0; s < storeCalendars.size();) {
            const CalCalendarPtr& calendar = storeCalendars[s];
            const auto partner = std::find_if(categories.begin(), categories.end(), [&](const CalendarPtr& c) {
                return c && !c->iCalUID().isEmpty() && c->iCalUID() == calendar->uid();
            });
            if (partner == categories.end()) {
                ++s;
                continue;
            }
            const CalendarPtr category = *partner;
            category->setCalendarName(calendar->title());
            category->setProjectType(0);
            const QString entry = folders.contains(calendar->uid())
                                      ? folders.value(calendar->uid())
                                      : findDirectoryOfCalendar({calendar}).value(calendar->uid());
            takeFolder(category, entry, calendar->type());
            saveCategory(category);
            categories.erase(partner);
            storeCalendars.removeAt(s);
        }
        // Unpaired categories: a vanished calendar takes its category along,
        // the others get a calendar of their own.
        for (const CalendarPtr& category : categories) {
            if (!category || category->isShared()) continue;
            if (!category->iCalUID().isEmpty() && !m_storeCameBackEmpty) {
                if (!error.ok() || !storeCalendarIsGone(category->iCalUID())) {
                    qWarning().noquote() << "Calendar store: calendar" << category->iCalUID()
                                         << "is not listed but not confirmed gone; category"
                                         << category->calendarName() << "is kept";
                    continue;
                }
                if (!manager->deleteAllTasksBelongCalendar(category->primaryKey())) {
                    qWarning().noquote() << "Calendar store: the items of category" << category->calendarName()
                                         << "could not be deleted; the category is kept";
                    continue;
                }
                if (!category->deleteFromDatabase())
                    qWarning().noquote() << "Calendar store: category" << category->calendarName() << "could not be deleted";
                continue;
            }
            createStoreCalendar(category, true);
        }
        // Unpaired editable calendars become categories, but not those of
        // deleted categories whose removal is still owed.
        for (const CalCalendarPtr& calendar : storeCalendars) {
            if (!calendar->isEditable() || m_calendarsBeingRemoved.contains(calendar->uid())) continue;
            addCategoryForStoreCalendar(*manager, calendar, folders);
        }
        if (m_eventStore) m_eventStore->reset();
    }

    reloadCategories(*manager);
    repairDefaultCategory(*manager);

    // Unique names among the non-shared categories; the later one of two
    // clashing names gives way, and its store calendar follows.
    CalendarList seen;
    for (const CalendarPtr& category : manager->calendarList()) {
        if (!category) continue;
        if (!category->isShared()) {
            const QString name = manager->createNewcalendarNameIfExist(category->calendarName(), category, seen);
            if (name != category->calendarName()) {
                category->setCalendarName(name);
                saveCategory(category);
                if (!category->iCalUID().isEmpty()) {
                    if (const CalCalendarPtr calendar = m_iCalStore->calendarWithUID(category->iCalUID())) {
                        calendar->setTitle(name);
                        CalError saveError;
                        if (!m_iCalStore->saveCalendar(calendar, &saveError))
                            qWarning().noquote() << "Calendar store: calendar" << calendar->uid()
                                                 << "keeps its title:" << saveError.text;
                    }
                }
            }
        }
        seen << category;
    }
}

void iCalSyncJobs::addCategoryForStoreCalendar(CoreData& manager, const CalCalendarPtr& calendar,
                                               const FolderMap& folders)
{
    auto category = std::make_shared<Calendar>();
    // The name is made unique here, not by the list's own check when the
    // category is added: that one would rename the category alone and
    // leave the store calendar under the clashing title.
    const QString name = manager.createNewcalendarNameIfExist(calendar->title(), nullptr, manager.calendarList());
    if (name != calendar->title()) {
        calendar->setTitle(name);
        CalError error;
        if (!m_iCalStore->saveCalendar(calendar, &error))
            qWarning().noquote() << "Calendar store: calendar" << calendar->uid() << "keeps its title; renaming it failed:"
                                 << error.text;
    }
    category->setCalendarName(name);
    category->setBuiltIn(1);
    category->setProjectType(0);
    category->setICalUID(calendar->uid());
    const QString entry = folders.contains(calendar->uid()) ? folders.value(calendar->uid())
                                                             : findDirectoryOfCalendar({calendar}).value(calendar->uid());
    takeFolder(category, entry, calendar->type());
    const qint64 position = Utilities::getClosestColorPosWithColor(calendar->color());
    category->setColorGroupId(position / 8);
    category->setColorNameId(position % 8);
    if (!manager.addCalendarToCalendarList(category, false))
        qWarning().noquote() << "Calendar store: the category of calendar" << calendar->uid() << "could not be stored";
}

// --- events of the full sync ---

bool iCalSyncJobs::endsAlike(const Task& root, const Date& otherEnd)
{
    const Date end = root.repeatEndDate();
    if (root.repeatType() <= 0 || root.isRepeatForever() != 0 || !end || !otherEnd || end == otherEnd) return false;
    RecurrenceSeries series = root.recurrenceSeries();
    series.repeatExceptions.clear();
    series.isRepeatForever = true;
    const std::optional<Date> next = RecurrenceExpander::nextOccurrence(series, std::min(end, otherEnd));
    return !next || *next > std::max(end, otherEnd);
}

// What the store holds for an event: the event alone, or for a series its
// first event, changed occurrences and deleted dates from the file.
iCalSyncJobs::StoreSeries iCalSyncJobs::readStoreSeries(const CalEventPtr& storeEvent, const CalendarPtr& category) const
{
    StoreSeries series;
    if (!storeEvent->recurrenceRule() && !storeEvent->isDetached() && storeEvent->recurrenceDates().isEmpty()) {
        series.parts << storeEvent;
        return series;
    }
    if (m_seriesReadAhead && m_seriesReadAhead->done.load()) {
        auto ahead = m_seriesReadAhead->series.find(storeEvent->uid());
        if (ahead != m_seriesReadAhead->series.end()) {
            auto [stamp, read] = std::move(*ahead);
            m_seriesReadAhead->series.erase(ahead);
            if (stamp == eventFileStamp(storeEvent->uid())) return read;
        }
    }
    series.parts = getICalEventInfo(storeEvent->uid(), category ? category->directory() : QString(),
                                    &series.deletedDates, &series.start, &series.end);
    return series;
}

// The series written into the local root: its changed occurrences become
// detached rows and the root's exception list is rebuilt from the file.
void iCalSyncJobs::applyStoreSeries(CoreData& manager, const StoreSeries& series, const TaskPtr& root, bool isNew,
                                    bool* categoryChanged, bool updateLists)
{
    const CalEventList& parts = series.parts;
    const QList<Date>& deletedDates = series.deletedDates;
    const CalEvent& first = *parts.first();
    // The changed occurrences the root listed before the file rewrites its
    // list: only those were ever sent to the store.
    QSet<qint64> listedChanged;
    if (!isNew)
        for (const ExceptionEntry& entry : readExceptionEntries(root->repeatExceptions(), root->primaryKey()))
            if (entry.marker == 1) listedChanged.insert(entry.dateText.toLongLong());
    // The row as stored (a root with no unsaved change): a series the file
    // still says the same of is not written (its fields are set from the
    // file and some set back).
    const TaskPtr stored = isNew || root->dirty() ? nullptr : root->copy();
    const qint64 storedHasChanges = root->hasChanges();
    const bool changed = updateInfoFromICalEvent(first, root, series.start, series.end, first.isDetached());
    if (categoryChanged) *categoryChanged = changed;
    synchEventTimeZone(first, root);
    rootDatesToItemTime(*root, first, series.start);
    // An end the file spells otherwise (an UNTIL a second before the next
    // occurrence, where the row ends a day before it) that leaves the same
    // last occurrence is the row's own: the row is not written for it.
    if (stored && endsAlike(*root, stored->repeatEndDate())) root->setRepeatEndDate(stored->repeatEndDate());
    if (isNew) {
        if (!insertItem(manager, root)) return;
    } else if (!stored || !root->sameRowAs(*stored)) {
        saveItem(manager, root, updateLists);
    }
    // Extra dates of an event without a rule come as changed occurrences.
    if (!first.recurrenceRule() && parts.size() < 2) {
        if (!isNew && !manager.deleteAllDetachedEventsParentID(root->primaryKey(), Date::dateWithTimeIntervalSince1970(0)))
            qWarning().noquote() << "Calendar store: the changed occurrences of event" << root->iCalUID() << "could not be removed";
        return;
    }
    // The rows of changed occurrences the file still holds are found and
    // updated in place, so an unchanged one keeps its row, key and web id
    // and is not written; only the rows the file no longer holds are deleted
    // (and queued for deletion on the web). The exception list is rebuilt
    // whole and set once, so an unchanged one leaves the root untouched.
    QString exceptions;
    const auto addException = [&exceptions](const Date& date, Task::RepeatException kind) {
        exceptions += QLatin1Char('|') + Task::storedDateText(date) + QLatin1Char('(') + QString::number(qint64(kind))
                      + QLatin1Char(')');
    };
    QSet<qint64> keptRows;
    // Rows the root does not list: an export writes one onto the series'
    // nearest occurrence, where the file then holds it under that date.
    TaskList unlisted;
    if (!isNew)
        for (const TaskPtr& row : manager.getAllDetachedEventWithParentID(root->primaryKey()))
            if (row && !listedChanged.contains(Task::storedDateText(row->occurrence()).toLongLong())) unlisted << row;
    for (qsizetype i = 1; i < parts.size(); ++i) {
        const Date occurrence = seriesDateToItemTime(normalisedOccurrence(parts[i]->occurrence(), *root), *root);
        TaskPtr detached = isNew ? nullptr : manager.getExceptionEventWithParentID(root->primaryKey(), occurrence);
        bool fresh = !detached;
        TaskPtr storedRow = fresh || detached->dirty() ? nullptr : detached->copy();
        qint64 rowHasChanges = fresh ? 0 : detached->hasChanges();
        if (fresh) detached = std::make_shared<Task>();
        updateInfoFromICalEvent(*parts[i], detached, Date(), Date());
        const auto written = std::find_if(unlisted.begin(), unlisted.end(), [&](const TaskPtr& row) {
            return row->startTime() == detached->startTime() && row->endTime() == detached->endTime()
                   && row->taskName() == detached->taskName();
        });
        if (fresh && written != unlisted.end()) {
            // That row, not a new one: it takes the date the file gives it.
            detached = *written;
            storedRow = detached->dirty() ? nullptr : detached->copy();
            rowHasChanges = detached->hasChanges();
            unlisted.erase(written);
            updateInfoFromICalEvent(*parts[i], detached, Date(), Date());
            fresh = false;
        }
        if (fresh) {
            detached->setParentId(root->primaryKey());
            detached->setRepeatType(0);
            detached->setTaskType(0);
            detached->setCalendarId(root->calendarId());
        }
        detached->setOccurrence(occurrence);
        synchEventTimeZone(*parts[i], detached);
        if (fresh)
            insertItem(manager, detached);
        else if (detached->dirty() && storedRow && detached->sameRowAs(*storedRow))
            detached->forgetUnsavedChanges(rowHasChanges);
        else if (detached->dirty())
            saveItem(manager, detached, updateLists);
        keptRows.insert(detached->primaryKey());
        addException(occurrence, Task::RepeatException::Changed);
    }
    // A file of changed occurrences alone holds every one of them (it has no
    // series start before which rows belong to an earlier part).
    if (!isNew) {
        const Date from = first.isDetached() ? Date() : root->repeatStartDate().dateByAddingTimeInterval(-secondsPerDay);
        for (const TaskPtr& row : manager.getAllDetachedEventWithParentID(root->primaryKey())) {
            if (!row || keptRows.contains(row->primaryKey()) || (from && row->occurrence() < from)) continue;
            // A row its series does not list (the web service can send one)
            // never reached the store, so its absence there is no deletion.
            if (!listedChanged.contains(Task::storedDateText(row->occurrence()).toLongLong())) {
                qInfo().noquote() << "Calendar store: changed occurrence" << row->primaryKey() << "of event"
                                  << root->iCalUID() << "is not listed by its series; it is kept";
                continue;
            }
            if (!manager.deleteDetachedEventParentID(root->primaryKey(), row->occurrence()))
                qWarning().noquote() << "Calendar store: an occurrence of event" << root->iCalUID() << "could not be removed";
        }
    }
    for (const Date& deleted : deletedDates) {
        const Date date = seriesDateToItemTime(deleted, *root);
        if (!isNew && manager.getExceptionEventWithParentID(root->primaryKey(), date)
            && !manager.deleteDetachedEventParentID(root->primaryKey(), date))
            qWarning().noquote() << "Calendar store: an occurrence of event" << root->iCalUID() << "could not be removed";
        addException(date, Task::RepeatException::Deleted);
    }
    root->setRepeatExceptions(exceptions);
    if (root->dirty() && stored && root->sameRowAs(*stored))
        root->forgetUnsavedChanges(storedHasChanges);
    else if (root->dirty())
        saveItem(manager, root, updateLists);
}

namespace {

// A store that could not read some files answers the rest: what it read is
// taken in, and deletions wait where it could not read (everywhere when it
// cannot say where).
template <class Unreadable>
Unreadable withheldWhereUnread(Unreadable unreadable, bool partial, const char* what)
{
    if (!partial) return unreadable;
    qWarning().noquote() << "Calendar store: some" << what
                         << "files could not be read (each is logged); the rest is taken in, and deletions wait";
    if (unreadable.uids.isEmpty()) unreadable.elsewhere = true;
    return unreadable;
}

}  // namespace

void iCalSyncJobs::fullSyncEvents(const CalCalendarList& calendars, const UnreadableCalendars& readable)
{
    CoreData* manager = CoreData::shared();
    bool partial = false;
    const std::optional<CalEventList> fetched = getICalEventsWithCalendars(calendars, &partial);
    if (!fetched) {
        qWarning() << "Calendar store: its events could not be read in full; events are left as they are";
        return;
    }
    const UnreadableCalendars unreadable = withheldWhereUnread(readable, partial, "event");
    // One event per uid: the first after sorting by uid.
    CalEventList sorted = *fetched;
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const CalEventPtr& a, const CalEventPtr& b) { return a->uid() < b->uid(); });
    CalEventList system;
    QHash<QString, qsizetype> systemIndex;
    for (const CalEventPtr& event : sorted) {
        if (!event || event->uid().isEmpty() || systemIndex.contains(event->uid())) continue;
        // A deleted event whose copy could not be removed is not taken in.
        if (m_eventsBeingRemoved.contains(event->uid())) continue;
        systemIndex.insert(event->uid(), system.size());
        system << event;
    }
    std::vector<bool> systemSettled(size_t(system.size()), false);

    const TaskList local = manager->getAllRootEvents();
    std::vector<bool> localSettled(size_t(local.size()), false);

    // Pairs: the store side wins.
    std::optional<ChunkedUnit> unit(std::in_place);
    for (qsizetype i = 0; i < local.size(); ++i) {
        const TaskPtr& item = local[i];
        if (!item || item->isSheduledTask() || item->iCalUID().isEmpty()) continue;
        const auto found = systemIndex.constFind(item->iCalUID());
        if (found == systemIndex.constEnd() || systemSettled[size_t(*found)]) continue;
        const CalEventPtr& storeEvent = system[*found];
        // Settled either way: an unreadable file keeps the local event as it
        // is and imports nothing for the uid.
        localSettled[size_t(i)] = true;
        systemSettled[size_t(*found)] = true;
        // A change the store still owes is not overwritten by its older copy.
        if (m_writesNotPushed.contains(item->primaryKey()) || m_splitsNotDone.contains(item->primaryKey())) continue;
        const StoreSeries series = readStoreSeries(storeEvent, manager->calendarWithPrimaryKey(item->calendarId()));
        if (series.parts.isEmpty()) {
            qWarning().noquote() << "Calendar store: the file of event" << item->iCalUID()
                                 << "gave nothing; the local event is kept as it is";
            continue;
        }
        // A file with a series whose own occurrences cannot be found would
        // put one of its changes in the series' place.
        if (series.start && series.parts.first()->isDetached()) {
            qWarning().noquote() << "Calendar store: the series of event" << item->iCalUID()
                                 << "reads as its changes alone; the local event is kept as it is";
            continue;
        }
        bool categoryChanged = false;
        applyStoreSeries(*manager, series, item, false, &categoryChanged);
        if (categoryChanged && !manager->resetZVWIdWhenCalChanged(item, false))
            qWarning().noquote() << "Calendar store: the web ids of event" << item->iCalUID() << "could not be reset";
        unit->step();
    }

    // Linked events gone from the store, within the window both in days and
    // in the range that was fetched.
    const Date now = Clock::now();
    const SettingPtr setting = manager->currentSetting();
    const qint64 windowStart = setting ? setting->iCalSyncWindowStart() : 0;
    const qint64 windowEnd = setting ? setting->iCalSyncWindowEnd() : 0;
    const Date fetchedFrom = getSyncWindowDate(true);
    const Date fetchedTo = getSyncWindowDate(false);
    QStringList gone;
    for (qsizetype i = 0; i < local.size(); ++i) {
        const TaskPtr& item = local[i];
        if (localSettled[size_t(i)] || !item || item->isSheduledTask() || item->iCalUID().isEmpty()) continue;
        const Date occurrence = item->occurrence();
        const qint64 days = qint64(std::trunc(occurrence.timeIntervalSinceDate(now) / secondsPerDay));
        if (!(-windowStart < days && days < windowEnd)) continue;
        localSettled[size_t(i)] = true;
        if (occurrence < fetchedFrom || fetchedTo < occurrence) continue;
        if (unreadable.covers(*manager, item) || fileOfUidIsUnread(*m_iCalStore, item->iCalUID(), false)) {
            qWarning().noquote() << "Calendar store: event" << item->iCalUID()
                                 << "is not listed but its calendar could not be read in full; it is kept";
            continue;
        }
        gone << item->iCalUID();
    }
    if (!gone.isEmpty() && !manager->deleteAllEventsWithUID(gone, false))
        qWarning().noquote() << "Calendar store: the items gone from the store could not be deleted here";

    // Store events without a partner are imported; what is here under their
    // uid gives way only once the store event has been read.
    // Read at the first event to import, as nothing is written before it
    // here: most syncs import none, and the read is of every item.
    std::optional<QSet<QString>> carried;
    for (qsizetype s = 0; s < system.size(); ++s) {
        if (systemSettled[size_t(s)]) continue;
        const CalEventPtr& storeEvent = system[s];
        const CalendarPtr category =
            storeEvent->calendar() ? manager->calendarWithICalUID(storeEvent->calendar()->uid()) : nullptr;
        auto root = std::make_shared<Task>();
        root->setTaskType(0);
        root->setBuiltIn(1);
        const StoreSeries series = readStoreSeries(storeEvent, category);
        if (series.parts.isEmpty()) {
            qWarning().noquote() << "Calendar store: the file of event" << storeEvent->uid()
                                 << "gave nothing; it is not imported and local items of its uid stay";
            continue;
        }
        if (!carried) carried = localUids();
        if (carried->contains(storeEvent->uid()) && !manager->deleteAllEventsWithUID({storeEvent->uid()}, false)) {
            qWarning().noquote() << "Calendar store: the local items of event" << storeEvent->uid() << "could not be replaced";
            continue;
        }
        applyStoreSeries(*manager, series, root, true, nullptr);
        unit->step();
    }
    unit.reset();  // committed before the pushes write to the store

    // Local events not yet in the store are pushed.
    TaskList toPush;
    for (qsizetype i = 0; i < local.size(); ++i) {
        const TaskPtr& item = local[i];
        if (localSettled[size_t(i)] || !item || item->isSheduledTask() || !item->iCalUID().isEmpty()) continue;
        if (item->parentId() != -1 || m_splitsNotDone.contains(item->primaryKey())) continue;
        const CalendarPtr category = manager->calendarWithPrimaryKey(item->calendarId());
        if (category && category->taskOrEvent() == 1) continue;
        toPush << item;
    }
    if (toPush.isEmpty()) return;
    createNewEventsOnICal(toPush, 1);
    for (const TaskPtr& item : toPush) {
        if (item->iCalUID().isEmpty() || item->repeatType() == 0 || item->repeatExceptions().isEmpty()) continue;
        for (const ExceptionEntry& entry : readExceptionEntries(item->repeatExceptions(), item->primaryKey())) {
            if (entry.marker != 2) continue;
            const Date at = itemTimeToStoreTime(entry.date, zoneOfTableId(item->tz()));
            if (const CalEventPtr occurrence = getIEventWithUID(item->iCalUID(), at, at))
                deleteEventOnICal(occurrence, 0);
        }
        for (const TaskPtr& detached : manager->getAllDetachedEventWithParentID(item->primaryKey())) {
            if (!detached || detached->parentId() == -1) continue;
            detached->setICalUID(item->iCalUID());
            saveItem(*manager, detached);
            const Date at = storeOccurrenceOfChange(*detached);
            if (const CalEventPtr occurrence = getIEventWithUID(item->iCalUID(), at, at))
                updateEventOnICal(detached, occurrence, 0);
        }
    }
}

// --- tasks of the full sync ---

void iCalSyncJobs::fullSyncTasks(const CalCalendarList& calendars, const UnreadableCalendars& readable)
{
    CoreData* manager = CoreData::shared();
    bool partial = false;
    const std::optional<CalTaskList> fetched = getICalTasksWithCalendars(calendars, &partial);
    if (!fetched) {
        qWarning() << "Calendar store: its tasks could not be read in full; tasks are left as they are";
        return;
    }
    const UnreadableCalendars unreadable = withheldWhereUnread(readable, partial, "task");
    const CalTaskList& system = *fetched;
    QHash<QString, qsizetype> systemIndex;
    for (qsizetype s = 0; s < system.size(); ++s)
        if (system[s] && !system[s]->uid().isEmpty() && !systemIndex.contains(system[s]->uid()))
            systemIndex.insert(system[s]->uid(), s);
    std::vector<bool> systemSettled(size_t(system.size()), false);
    for (qsizetype s = 0; s < system.size(); ++s)
        if (system[s] && m_tasksBeingRemoved.contains(system[s]->uid())) systemSettled[size_t(s)] = true;

    const TaskList local = manager->getAllTasks();
    std::optional<ChunkedUnit> unit(std::in_place);
    TaskList toPush;
    QStringList gone;
    for (const TaskPtr& task : local) {
        if (!task) continue;
        if (!task->iCalUID().isEmpty()) {
            const auto found = systemIndex.constFind(task->iCalUID());
            if (found != systemIndex.constEnd() && !systemSettled[size_t(*found)]) {
                systemSettled[size_t(*found)] = true;
                // A change the store still owes is not overwritten by its older copy.
                if (m_writesNotPushed.contains(task->primaryKey())) continue;
                // The row as stored: a task the store says the same of is
                // not written (the mapping sets some fields to the same value
                // in another form, an empty text for none).
                const TaskPtr stored = task->dirty() ? nullptr : task->copy();
                const qint64 storedHasChanges = task->hasChanges();
                const bool categoryChanged = updateInfoFromICalTask(*system[*found], task);
                if (task->dirty() && stored && task->sameRowAs(*stored))
                    task->forgetUnsavedChanges(storedHasChanges);
                else
                    saveItem(*manager, task);
                if (categoryChanged && !manager->resetZVWIdWhenCalChanged(task, false))
                    qWarning().noquote() << "Calendar store: the web ids of task" << task->iCalUID() << "could not be reset";
                unit->step();
                continue;
            }
            if (unreadable.covers(*manager, task) || fileOfUidIsUnread(*m_iCalStore, task->iCalUID(), true)) {
                qWarning().noquote() << "Calendar store: task" << task->iCalUID()
                                     << "is not listed but its calendar could not be read in full; it is kept";
                continue;
            }
            gone << task->iCalUID();
            continue;
        }
        if (task->parentId() != -1) continue;
        const CalendarPtr category = manager->calendarWithPrimaryKey(task->calendarId());
        if (category && category->taskOrEvent() == 2) continue;
        toPush << task;
    }
    unit.reset();
    if (!toPush.isEmpty()) createNewTasksOnICal(toPush);
    if (!gone.isEmpty() && !manager->deleteAllEventsWithUID(gone, false))
        qWarning().noquote() << "Calendar store: the items gone from the store could not be deleted here";
    unit.emplace();
    std::optional<QSet<QString>> carried;  // as for the events

    for (qsizetype s = 0; s < system.size(); ++s) {
        if (systemSettled[size_t(s)] || !system[s] || system[s]->uid().isEmpty()) continue;
        if (systemIndex.value(system[s]->uid()) != s) continue;  // one per uid
        if (!carried) carried = localUids();
        if (carried->contains(system[s]->uid()) && !manager->deleteAllEventsWithUID({system[s]->uid()}, false)) {
            qWarning().noquote() << "Calendar store: the local items of task" << system[s]->uid() << "could not be replaced";
            continue;
        }
        auto task = std::make_shared<Task>();
        task->setTaskType(1);
        task->setBuiltIn(1);
        updateInfoFromICalTask(*system[s], task);
        insertItem(*manager, task);
        unit->step();
    }
}

// --- the restore ---

void iCalSyncJobs::waitToOneWaySyncRestoreToICal()
{
    CoreData* manager = CoreData::shared();
    if (!manager) return;
    // Whether the store is written follows what it is now, not what the
    // start found: a store that could not be listed then, or that had no
    // calendar yet, takes the restored items all the same.
    {
        CalError reach;
        const bool reachable = !m_iCalStore->calendars(&reach).isEmpty() || reach.ok();
        if (!reachable) qWarning().noquote() << "Calendar store: its calendars could not be listed:" << reach.text;
        manager->setBSynciCalEnable(reachable);
    }
    if (!manager->bSynciCalEnable()) {
        reloadCategories(*manager);
        repairDefaultCategory(*manager);
        reloadWorkingList(*manager);
        return;
    }
    // The restored database's owed removals go first: a copy left of an
    // item deleted before the backup would come back with the next sync.
    finishStoreRemovals();

    // Categories: the own ones made here, and the linked ones.
    CalendarList own, linked;
    for (const CalendarPtr& category : manager->getCalendarList()) {
        if (!category) continue;
        if (category->projectType() == 0 && category->builtIn() != 1)
            own << category;
        else
            linked << category;
    }
    const FolderMap folders = getICalCalendarDirectory();
    CalError error;
    CalCalendarList storeCalendars = m_iCalStore->calendars(&error);
    if (!error.ok()) qWarning().noquote() << "Calendar store: not every calendar could be read:" << error.text;
    const auto entryOf = [&](const CalCalendarPtr& calendar) {
        return folders.contains(calendar->uid()) ? folders.value(calendar->uid())
                                                 : findDirectoryOfCalendar({calendar}).value(calendar->uid());
    };

    // By uid.
    for (qsizetype s = 0; s < storeCalendars.size();) {
        const CalCalendarPtr& calendar = storeCalendars[s];
        const auto partner = std::find_if(linked.begin(), linked.end(), [&](const CalendarPtr& c) {
            return !c->iCalUID().isEmpty() && c->iCalUID() == calendar->uid();
        });
        if (partner == linked.end()) {
            // An own calendar the restore kept for another program's files:
            // the category writes into it again, as its own.
            const auto kept = std::find_if(own.begin(), own.end(), [&](const CalendarPtr& c) {
                return !c->iCalUID().isEmpty() && c->iCalUID() == calendar->uid();
            });
            if (kept == own.end()) {
                ++s;
                continue;
            }
            takeFolder(*kept, entryOf(calendar), calendar->type());
            saveCategory(*kept);
            if (calendar->title() != (*kept)->calendarName()) renameStoreCalendar(*kept, false);
            own.erase(kept);
            storeCalendars.removeAt(s);
            continue;
        }
        const CalendarPtr category = *partner;
        category->setCalendarName(calendar->title());
        category->setProjectType(0);
        takeFolder(category, entryOf(calendar), calendar->type());
        saveCategory(category);
        linked.erase(partner);
        storeCalendars.removeAt(s);
    }
    // Linked categories whose calendar is gone go with their items; but a
    // store without any calendar (a new one, or emptied) confirms no such
    // removal: they keep their items and get calendars like our own.
    if (storeCalendars.isEmpty() && error.ok()) {
        for (const CalendarPtr& category : std::as_const(linked))
            if (category->projectType() == 0) own << category;
        linked.clear();
    }
    for (const CalendarPtr& category : linked) {
        if (category->iCalUID().isEmpty()) continue;
        if (!error.ok() || !storeCalendarIsGone(category->iCalUID())) {
            qWarning().noquote() << "Calendar store: calendar" << category->iCalUID()
                                 << "is not confirmed gone; restored category" << category->calendarName() << "is kept";
            continue;
        }
        if (!manager->deleteAllTasksBelongCalendar(category->primaryKey())) {
            qWarning().noquote() << "Calendar store: the items of category" << category->calendarName()
                                 << "could not be deleted; the category is kept";
            continue;
        }
        if (!category->deleteFromDatabase())
            qWarning().noquote() << "Calendar store: category" << category->calendarName() << "could not be deleted";
    }
    // By name, letter case and spaces aside.
    for (qsizetype k = 0; k < own.size();) {
        const CalendarPtr& category = own[k];
        const QString key = nameKey(category->calendarName());
        const auto partner = std::find_if(storeCalendars.begin(), storeCalendars.end(),
                                          [&](const CalCalendarPtr& c) { return nameKey(c->title()) == key; });
        if (partner == storeCalendars.end()) {
            ++k;
            continue;
        }
        const CalCalendarPtr calendar = *partner;
        category->setCalendarName(calendar->title());
        category->setProjectType(0);
        category->setBuiltIn(1);
        category->setICalUID(calendar->uid());
        takeFolder(category, entryOf(calendar), calendar->type());
        saveCategory(category);
        storeCalendars.erase(partner);
        own.removeAt(k);
    }
    // The names of the categories linked so far were saved through copies
    // read from the database: the list the new names are checked against
    // is read again first.
    reloadCategories(*manager);
    for (const CalCalendarPtr& calendar : storeCalendars)
        if (calendar->isEditable()) addCategoryForStoreCalendar(*manager, calendar, folders);
    for (const CalendarPtr& category : own)
        if (!category->isShared()) createStoreCalendar(category, true);
    if (m_eventStore) m_eventStore->reset();
    reloadCategories(*manager);
    repairDefaultCategory(*manager);

    // A push of this restore that a crash cut short may have written copies
    // under marked uids. They are linked to their copies (or unmarked, for
    // the next full sync to push) and not sent again: the store would take
    // a second copy under a new uid. Unsettled, nothing is sent.
    QSet<qint64> settled;
    if (!settlePendingStoreCopies(&settled)) {
        qWarning() << "Calendar store: the restored items wait for the next sync";
        reloadCategories(*manager);
        reloadWorkingList(*manager);
        return;
    }
    // Every restored item goes back to the store, which lost the copies of
    // the old database, each under the uid the backup holds.
    const ItemsToSend send = itemsToSendBack(*manager, settled);
    // Those whose files the restore left are written over them.
    pushRestoredItems(send.roots, send.occurrences, send.tasks);

    reloadCategories(*manager);
    reloadWorkingList(*manager);
}
