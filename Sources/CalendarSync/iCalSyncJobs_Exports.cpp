// The work of the jobs that carry local changes to the store: categories,
// events, tasks, and the items a web sync inserted, updated and deleted.
// Each runs while its job holds the flag (ICalJobDiscipline); what the store
// refuses or fails is logged with the item's key, the item keeps its state
// (the next full sync tries again) and the job goes on with its next item.
#include "iCalSyncJobs.h"

#include "Calendar.h"
#include "Clock.h"
#include "CoreData.h"
#include "GregorianCalendar.h"
#include "MainQueue.h"
#include "MainViewAccess.h"
#include "Task.h"
#include "Transaction.h"
#include "Utilities.h"

#include <QDebug>
#include <QStringBuilder>

namespace {

constexpr qint64 rootParent = -1;
constexpr qint64 thisOccurrence = 0;
constexpr qint64 allOccurrences = 1;
constexpr qint64 thisAndFuture = 2;
constexpr qint64 autoSyncCategories = 1;
constexpr qint64 autoSyncItems = 2;
// How far past a cut the store is searched for the next occurrence of a
// series it no longer shows there: some years.
constexpr double splitSearchSpan = 5 * 366 * 86400.0;

const QLatin1StringView changedMarker("(1)");
const QLatin1StringView deletedMarker("(2)");

CoreData* manager()
{
    return CoreData::shared();
}

void logSkip(const char* what, qint64 key, const char* why)
{
    qInfo().noquote() << "Calendar store:" << what << key << why;
}

bool isEvent(const TaskPtr& item)
{
    return item && item->taskType() == ItemKind::Event;
}

bool isTask(const TaskPtr& item)
{
    return item && item->taskType() == ItemKind::Task;
}

bool repeatsWithExceptions(const TaskPtr& event)
{
    return event->repeatType() > 0 && !event->repeatExceptions().isEmpty();
}

// The uid of the item's store copy: its own, else that of its database copy
// (an in-memory copy may have lost it). Empty when neither has one.
QString storeUidOf(const TaskPtr& item)
{
    if (!item->iCalUID().isEmpty()) return item->iCalUID();
    if (CoreData* data = manager()) {
        if (const TaskPtr stored = data->taskWithPrimaryKey(item->primaryKey()); stored && !stored->iCalUID().isEmpty())
            item->setICalUID(stored->iCalUID());
    }
    return item->iCalUID();
}

// The store's answer for a delete or an update of all occurrences when no
// occurrence matched: the series of that uid.
CalEventPtr seriesOfUid(const CalCalendarStore& store, const QString& uid)
{
    CalError error;
    CalEventPtr series = store.eventWithUID(uid, Date(), &error);
    if (!error.ok()) qWarning().noquote() << "Calendar store: the series" << uid << "could not be read:" << error.text;
    return series;
}

// The date on the day of `date` at the hour and minute of `timeOf`.
Date atTimeOfDay(const Date& date, const Date& timeOf)
{
    return GregorianCalendar::dateFromFields(Utilities::getYear(date), Utilities::getMonth(date), Utilities::getDay(date),
                                             Utilities::getHour(timeOf), Utilities::getMinute(timeOf), 0);
}

// A uid as the store knows it: without the mark of a copy still being made.
QString bareStoreUid(const QString& uid)
{
    return uid.startsWith(pendingStoreCopyMark) ? uid.mid(pendingStoreCopyMark.size()) : uid;
}

// The folder map's "<folder>|<kinds>" into the category's fields.
void takeFolderEntry(Calendar& calendar, const QString& folder, const QString& type)
{
    const qsizetype bar = folder.lastIndexOf(QLatin1Char('|'));
    calendar.setDirectory(bar < 0 ? QString() : folder.left(bar));
    calendar.setTaskOrEvent(bar < 0 ? 0 : folder.mid(bar + 1).toLongLong());
    calendar.setTypeOfCal(type);
}

void save(const TaskPtr& item, bool updateList)
{
    const bool saved = updateList ? item->dehydrate() : item->dehydrateUpdateOption(false);
    if (!saved) qWarning().noquote() << "Calendar store: item" << item->primaryKey() << "could not be saved";
}

}  // namespace

// --- exception lists ---

QList<iCalSyncJobs::ExceptionEntry> iCalSyncJobs::readExceptionEntries(const QString& exceptions, qint64 ownerKey)
{
    QList<ExceptionEntry> entries;
    const QStringList pieces = exceptions.split(QLatin1Char('|'));
    // The text before the first "|" is not an entry.
    for (qsizetype i = 1; i < pieces.size(); ++i) {
        const QString piece = pieces.at(i).trimmed();
        ExceptionEntry entry;
        entry.index = i - 1;
        QStringView digits = piece;
        if (piece.endsWith(changedMarker)) {
            entry.marker = 1;
            digits.chop(changedMarker.size());
        } else if (piece.endsWith(deletedMarker)) {
            entry.marker = 2;
            digits.chop(deletedMarker.size());
        }
        bool number = !digits.isEmpty();
        for (qsizetype c = 0; c < digits.size() && number; ++c)
            number = digits.at(c).isDigit() || (c == 0 && digits.at(c) == QLatin1Char('-') && digits.size() > 1);
        bool fits = false;
        const qint64 seconds = number ? digits.toLongLong(&fits) : 0;
        if (!number || !fits || !Date::isWithinCalendar(double(seconds))) {
            qWarning().noquote() << "Calendar store: item" << ownerKey << "has a malformed exception entry"
                                 << piece.left(40) << "- it is skipped";
            continue;
        }
        entry.dateText = digits.toString();
        entry.date = Utilities::fromDBDate(Date::dateWithTimeIntervalSince1970(double(seconds)));
        entries << entry;
    }
    return entries;
}

// --- dispatch ---

ICalJobOutcome iCalSyncJobs::exportWork(const ICalJob& job)
{
    using Kind = ICalJob::Kind;
    ICalJobOutcome outcome;
    const TaskPtr item = job.items.value(0);
    switch (job.kind) {
    case Kind::InsertCalendar:
        return insertCalendar(job.calendar, job.flag);
    case Kind::UpdateCalendar:
        if (job.calendar) renameStoreCalendar(job.calendar, true);
        break;
    case Kind::DeleteCalendar:
    case Kind::DeleteCalendarNow:
        if (job.calendar && removeStoreCalendar(job.calendar, job.kind == Kind::DeleteCalendarNow))
            noteRemovalDone(iCalSync::StoreRemoval::Calendar, bareStoreUid(job.calendar->iCalUID()));
        break;
    case Kind::CalendarLists:
        for (const CalendarPtr& calendar : job.calendarLists.value(0))
            if (calendar && !calendar->isShared()) createStoreCalendarFromWorker(calendar);
        for (const CalendarPtr& calendar : job.calendarLists.value(1))
            if (calendar) renameStoreCalendar(calendar, false);
        for (const CalendarPtr& calendar : job.calendarLists.value(2))
            if (calendar && removeStoreCalendar(calendar)) noteRemovalDone(iCalSync::StoreRemoval::Calendar, bareStoreUid(calendar->iCalUID()));
        break;

    case Kind::InsertEvent:
        if (!item || item->isSheduledTask()) break;
        // What is not written was logged, with its key, where it was refused
        // or failed; a category without a store calendar is no failure.
        createNewEventOnICal(item, allOccurrences);
        if (job.flag) outcome.autoSyncMask = autoSyncItems;
        break;
    case Kind::InsertEventList:
        createNewEventsOnICal(job.items, allOccurrences);
        for (const TaskPtr& event : job.items) {
            if (!event || !repeatsWithExceptions(event) || event->iCalUID().isEmpty()) continue;
            // The duplicate's deleted occurrences are deleted again, so the
            // store copy loses them too (that delete is queued behind this job).
            for (const ExceptionEntry& entry : readExceptionEntries(event->repeatExceptions(), event->primaryKey())) {
                if (entry.marker != 2) continue;
                CoreData* data = manager();
                if (!data) break;
                TaskList instances;
                data->fillRepeatEventInstances({event}, instances, entry.date, entry.date, true);
                if (instances.isEmpty()) continue;
                if (!data->doDeleteOnlyThisOperatorWithEvent(instances.first(), false)) continue;
                outcome.changedLocalItems = true;
            }
        }
        break;
    case Kind::InsertAndUpdateEvents:
        insertAndUpdateEvents(job.itemLists.value(0), job.itemLists.value(1), job.flag);
        break;
    case Kind::InsertEventRoot:
        if (item) insertEventRoot(item);
        break;
    case Kind::UpdateEvent:
        if (item && updateEvent(item, job.type)) {
            noteWriteDone(item->primaryKey(), job.writeDue);
            outcome.changedLocalItems = takeExtraDatesFromStore(item);
        }
        break;
    case Kind::DeleteEvent:
    case Kind::SyncDeleteEvent:
        if (item) deleteEvent(item, job.type, job.kind == Kind::SyncDeleteEvent);
        break;
    case Kind::SplitEvent:
        if (item && job.items.value(1) && splitEvent(item, job.items.value(1))) outcome.changedLocalItems = true;
        break;

    case Kind::InsertTask:
        if (item) createNewTaskOnICal(item);
        if (job.flag) outcome.autoSyncMask = autoSyncItems;
        break;
    case Kind::InsertTaskList:
        // Each task the store refuses or fails is logged by the write.
        createNewTasksOnICal(job.flag ? writeOverKeptFiles(job.items) : job.items);
        break;
    case Kind::UpdateTask:
        if (item && updateTask(item)) noteWriteDone(item->primaryKey(), job.writeDue);
        break;
    case Kind::DeleteTask:
    case Kind::SyncDeleteTask:
        if (item) deleteTask(item);
        break;

    case Kind::WebItemLists:
        pushWebItems(job.itemLists.value(0), job.itemLists.value(1), job.itemLists.value(2));
        break;
    default:
        break;  // the full sync, the restore and the imports are not exports
    }
    return outcome;
}

// --- categories ---

namespace {

// A category's calendar shows the category's colour, and an import reads it
// back as the same one.
QColor storeColorOf(const Calendar& category)
{
    return Utilities::getReferenceColor(category.colorGroupId(), category.colorNameId());
}

}  // namespace

bool iCalSyncJobs::createStoreCalendar(const CalendarPtr& calendar, bool clearOnFailure)
{
    const CalCalendarPtr storeCalendar = CalCalendar::calendar();
    // A category linked to a calendar the store no longer lists (restored,
    // or its store came back empty) gets it back under its own folder name.
    const QString former = calendar->iCalUID();
    if (!former.isEmpty() && !former.startsWith(pendingStoreCopyMark) && !m_iCalStore->calendarWithUID(former))
        storeCalendar->setUid(former);
    storeCalendar->setTitle(calendar->calendarName());
    storeCalendar->setColor(storeColorOf(*calendar));
    CalError error;
    bool saved = m_iCalStore->saveCalendar(storeCalendar, &error);
    if (!saved && !storeCalendar->uid().isEmpty()) {
        // Its folder name is taken by something that is no calendar.
        storeCalendar->setUid(QString());
        saved = m_iCalStore->saveCalendar(storeCalendar, &error);
    }
    if (saved) {
        calendar->setICalUID(storeCalendar->uid());
    } else {
        qWarning().noquote() << "Calendar store: the calendar of category" << calendar->primaryKey()
                             << "could not be made:" << error.text;
        if (!clearOnFailure) return false;
        calendar->setICalUID(QString());
    }
    // The store writes the calendar's folder as it saves, so the folder is
    // there to be found at once.
    const QString folder = saved ? findDirectoryOfCalendar({storeCalendar}).value(storeCalendar->uid()) : QString();
    const qsizetype bar = folder.lastIndexOf(QLatin1Char('|'));
    calendar->setDirectory(bar < 0 ? QString() : folder.left(bar));
    calendar->setTaskOrEvent(bar < 0 ? 0 : folder.mid(bar + 1).toLongLong());
    calendar->setTypeOfCal(saved ? storeCalendar->type() : QString());
    if (!calendar->dehydrate())
        qWarning().noquote() << "Calendar store: the link of category" << calendar->primaryKey() << "could not be saved";
    return saved;
}

bool iCalSyncJobs::createStoreCalendarFromWorker(const CalendarPtr& snapshot)
{
    const QString reserved = snapshot->iCalUID();
    const bool marked = reserved.startsWith(pendingStoreCopyMark);
    if (!reserved.isEmpty() && !marked) return true;  // linked already
    const CalCalendarPtr storeCalendar = CalCalendar::calendar();
    storeCalendar->setUid(bareStoreUid(reserved));
    storeCalendar->setTitle(snapshot->calendarName());
    storeCalendar->setColor(storeColorOf(*snapshot));
    CalError error;
    bool saved = m_iCalStore->saveCalendar(storeCalendar, &error);
    if (!saved)
        qWarning().noquote() << "Calendar store: the calendar of category" << snapshot->primaryKey()
                             << "could not be made:" << error.text;
    // No link to a calendar that is not on the disk yet.
    if (saved && !storeCopiesAreDurable("the new calendar", 1)) {
        m_iCalStore->removeCalendar(storeCalendar);
        saved = false;
    }
    const QString made = saved ? storeCalendar->uid() : QString();
    const QString folder = saved ? findDirectoryOfCalendar({storeCalendar}).value(made) : QString();
    const QString type = saved ? storeCalendar->type() : QString();
    // The listed category is the main thread's: it takes the link there.
    MainQueue::async([key = snapshot->primaryKey(), reserved, made, folder, type] {
        CoreData* manager = CoreData::shared();
        if (!manager) return;
        const CalendarPtr listed = manager->calendarWithPrimaryKey(key);
        if (!listed || listed->iCalUID() != reserved) {
            // Deleted meanwhile without a uid to remove: the calendar made
            // for it goes again (a reserved uid was removed by the delete).
            if (!listed && reserved.isEmpty() && !made.isEmpty()) {
                auto gone = std::make_shared<Calendar>();
                gone->setICalUID(made);
                // Unrecorded, the removal is still asked for; only a kill
                // before it is done would leave the calendar behind.
                if (!iCalSync::recordStoreCalendarRemoval(made))
                    qWarning().noquote() << "Calendar store: the removal of calendar" << made << "could not be recorded";
                if (iCalSync* sync = manager->icalSync()) sync->backgroundOneWaySyncDeleteToICal(gone);
            }
            return;
        }
        // A failure leaves no uid: the next full sync makes the calendar.
        listed->setICalUID(made);
        takeFolderEntry(*listed, folder, type);
        if (!listed->dehydrate())
            qWarning().noquote() << "Calendar store: the link of category" << key << "could not be saved";
    });
    return saved;
}

ICalJobOutcome iCalSyncJobs::insertCalendar(const CalendarPtr& calendar, bool andInsertToZVW)
{
    // A shared category has no calendar of its own; its count is given back
    // by the discipline like every other.
    if (!calendar || calendar->isShared()) return {};
    createStoreCalendarFromWorker(calendar);
    // The zone view is told about the new calendar.
    if (m_eventStore) m_eventStore->reset();
    ICalJobOutcome outcome;
    if (andInsertToZVW) outcome.autoSyncMask = autoSyncCategories;
    return outcome;
}

void iCalSyncJobs::renameStoreCalendar(const CalendarPtr& calendar, bool fallBackToList)
{
    if (calendar->iCalUID().isEmpty() && fallBackToList) {
        if (CoreData* data = manager()) {
            if (const CalendarPtr listed = data->calendarWithPrimaryKey(calendar->primaryKey()))
                calendar->setICalUID(listed->iCalUID());
        }
    }
    const QString uid = bareStoreUid(calendar->iCalUID());
    if (uid.isEmpty()) return;
    const CalCalendarPtr storeCalendar = m_iCalStore->calendarWithUID(uid);
    if (!storeCalendar) {
        logSkip("category", calendar->primaryKey(), "has no calendar in the store any more; not renamed");
        return;
    }
    storeCalendar->setTitle(calendar->calendarName());
    storeCalendar->setColor(storeColorOf(*calendar));
    CalError error;
    if (!m_iCalStore->saveCalendar(storeCalendar, &error))
        qWarning().noquote() << "Calendar store: the calendar of category" << calendar->primaryKey()
                             << "could not be renamed:" << error.text;
}

bool iCalSyncJobs::removeStoreCalendar(const CalendarPtr& calendar, bool onlyLinkedFiles)
{
    const QString uid = bareStoreUid(calendar->iCalUID());
    if (uid.isEmpty()) return true;
    const CalCalendarPtr storeCalendar = m_iCalStore->calendarWithUID(uid);
    if (!storeCalendar) {
        logSkip("category", calendar->primaryKey(), "has no calendar in the store any more; nothing to remove");
        return true;
    }
    if (!storeCalendar->isEditable()) {
        logSkip("category", calendar->primaryKey(), "is linked to a read-only calendar, which stays");
        return true;
    }
    CalError error;
    if (onlyLinkedFiles) {
        // A restore replaces the organizer's items, never another program's
        // files it did not take in (outside the sync window, or written
        // since): those stay, and so does the calendar around them.
        QSet<QString> linked;
        if (CoreData* data = manager())
            for (const TaskPtr& item : data->getAllTasksEventsAdes())
                if (!item->iCalUID().isEmpty()) linked.insert(bareStoreUid(item->iCalUID()));
        {
            std::lock_guard lock(m_keptFilesMutex);
            linked.subtract(m_keptFiles);
        }
        bool kept = false;
        if (m_iCalStore->removeCalendarFilesOf(storeCalendar, linked, &kept, &error)) {
            if (kept) logSkip("category", calendar->primaryKey(), "keeps its calendar, which holds files of other programs");
            return true;
        }
    } else if (m_iCalStore->removeCalendar(storeCalendar, &error)) {
        return true;
    }
    qWarning().noquote() << "Calendar store: the calendar of category" << calendar->primaryKey()
                         << "could not be removed:" << error.text;
    return false;
}

QSet<QString> iCalSyncJobs::keepOtherProgramsFiles(const QSet<QString>& uids, const QSet<QString>& restored)
{
    QSet<QString> kept = restored;
    for (const QString& uid : uids)
        if (m_iCalStore->writtenByOtherProgram(uid)) kept.insert(uid);
    std::lock_guard lock(m_keptFilesMutex);
    m_keptFiles = kept;
    return kept;
}

// --- events ---

void iCalSyncJobs::deleteStoreOccurrencesOf(const TaskPtr& event)
{
    if (!repeatsWithExceptions(event) || event->iCalUID().isEmpty()) return;
    for (const ExceptionEntry& entry : readExceptionEntries(event->repeatExceptions(), event->primaryKey())) {
        if (entry.marker != 2) continue;
        // On the series' own clock, as the occurrence's identity in the file.
        const Date at = itemTimeToStoreTime(entry.date, zoneOfTableId(event->tz()));
        const CalEventPtr occurrence = getIEventWithUID(event->iCalUID(), at, at);
        if (occurrence && !deleteEventOnICal(occurrence, thisOccurrence))
            logSkip("deleted occurrence of event", event->primaryKey(), "stays in the store");
    }
}

void iCalSyncJobs::writeDetachedOntoSeries(const TaskPtr& detached, const QString& rootUid, bool fileStaysWhenAlike)
{
    detached->setICalUID(rootUid);
    save(detached, false);
    if (rootUid.isEmpty()) return;
    const Date at = storeOccurrenceOfChange(*detached);
    const CalEventPtr occurrence = getIEventWithUID(rootUid, at, at);
    if (!occurrence) {
        logSkip("changed occurrence", detached->primaryKey(), "has no occurrence of its series in the store");
        return;
    }
    occurrence->setFileStaysWhenAlike(fileStaysWhenAlike);
    if (!updateEventOnICal(detached, occurrence, thisOccurrence))
        logSkip("changed occurrence", detached->primaryKey(), "is not written onto its series");
}

// A restored event whose file the restore left in the store is written over
// that file as an edit writes it, and not at all where the file already says
// what the event says: to other programs and to sync tools set up on the
// folder only what the backup changes is a change, and the file keeps its
// own spelling and form (floating times stay floating). Changed and deleted
// occurrences the file has and the event does not go back to the rule; those
// of the event are written after it. A file that gives no series (its
// changes alone) goes, and the event is written anew. True when it was
// written over its file.
bool iCalSyncJobs::writeOverKeptFile(const TaskPtr& root)
{
    CoreData* data = manager();
    const QString uid = storeUidOf(root);
    if (!data || uid.isEmpty() || m_iCalStore->eventFilePath(uid).isEmpty() || !mayCreateEvent(root)) return false;
    const CalEventPtr series = seriesOfUid(*m_iCalStore, uid);
    const StoreSeries read = series ? readStoreSeries(series, data->calendarWithPrimaryKey(root->calendarId())) : StoreSeries();
    if (read.parts.isEmpty() || read.parts.first()->isDetached()) {
        deleteEvent(root, allOccurrences, true);
        return false;
    }
    QSet<QString> own;
    for (const ExceptionEntry& entry : readExceptionEntries(root->repeatExceptions(), root->primaryKey()))
        own.insert(entry.dateText + QString::number(entry.marker));
    QList<Date> restored;
    // Compared as the full sync lists them on the root.
    const auto restoreUnlessOwn = [&](const Date& at, const Date& listed, Task::RepeatException kind) {
        if (!own.contains(Task::storedDateText(seriesDateToItemTime(listed, *root)) + QString::number(qint64(kind)))) restored << at;
    };
    for (qsizetype i = 1; i < read.parts.size(); ++i) {
        const Date at = read.parts[i]->occurrence();
        restoreUnlessOwn(at, normalisedOccurrence(at, *root), Task::RepeatException::Changed);
    }
    for (const Date& deleted : read.deletedDates) restoreUnlessOwn(deleted, deleted, Task::RepeatException::Deleted);
    series->setOccurrencesRestored(restored);
    series->setFileStaysWhenAlike(true);
    if (!updateEventOnICal(root, series, allOccurrences)) logSkip("restored event", root->primaryKey(), "is not written over its file");
    deleteStoreOccurrencesOf(root);
    return true;
}

void iCalSyncJobs::insertAndUpdateEvents(const TaskList& insertList, const TaskList& updateList, bool overKeptFiles)
{
    TaskList fresh;
    QSet<qint64> overFiles;
    for (const TaskPtr& event : insertList) {
        if (overKeptFiles && event && writeOverKeptFile(event))
            overFiles.insert(event->primaryKey());
        else
            fresh << event;
    }
    createNewEventsOnICal(fresh, allOccurrences);
    for (const TaskPtr& event : fresh)
        if (event) deleteStoreOccurrencesOf(event);
    CoreData* data = manager();
    for (const TaskPtr& event : updateList) {
        if (!event || event->parentId() == rootParent) continue;
        const TaskPtr root = data ? data->taskWithPrimaryKey(event->parentId()) : nullptr;
        writeDetachedOntoSeries(event, root ? root->iCalUID() : QString(), overFiles.contains(event->parentId()));
    }
}

void iCalSyncJobs::insertEventRoot(const TaskPtr& event)
{
    CoreData* data = manager();
    const qint64 rootKey = event->parentId() == rootParent ? event->primaryKey() : event->parentId();
    const TaskPtr root = data ? data->getRootEventWithParentID(rootKey) : nullptr;
    if (!root) {
        logSkip("root event", rootKey, "cannot be loaded; nothing is written");
        return;
    }
    if (!createNewEventOnICal(root, allOccurrences)) return;
    if (!repeatsWithExceptions(root)) return;
    deleteStoreOccurrencesOf(root);
    for (const TaskPtr& detached : data->getAllDetachedEventWithParentID(root->primaryKey()))
        if (detached && detached->parentId() != rootParent) writeDetachedOntoSeries(detached, root->iCalUID());
}

// The occurrences a file adds by extra dates, and those of a rule the
// organizer cannot hold (its root a one-off), are rows of their own here; an
// edit of the whole event that the file carries to them (a new title, a
// move) reaches those rows as the next full sync would bring it, and the
// views show them at once: the edit was the person's own, made in the
// window in front, whose copies of those rows are now old.
bool iCalSyncJobs::takeExtraDatesFromStore(const TaskPtr& event)
{
    CoreData* data = manager();
    if (!data || event->parentId() != rootParent || event->iCalUID().isEmpty()) return false;
    const CalEventPtr series = seriesOfUid(*m_iCalStore, storeUidOf(event));
    if (!series || (series->recurrenceDates().isEmpty() && !series->recurrenceRule())) return false;
    const TaskPtr root = data->taskWithPrimaryKey(event->primaryKey());
    if (!root || root->primaryKey() != event->primaryKey() || m_writesNotPushed.contains(root->primaryKey())) return false;
    const bool shownOneByOne = series->recurrenceRule() && root->repeatType() == 0;
    if (series->recurrenceDates().isEmpty() && !shownOneByOne) return false;
    const StoreSeries read = readStoreSeries(series, data->calendarWithPrimaryKey(root->calendarId()));
    if (read.parts.isEmpty() || (read.start && read.parts.first()->isDetached())) return false;
    Transaction unit;
    applyStoreSeries(*data, read, root, false, nullptr);
    if (unit.commit()) {
        MainViewAccess::postReloadData();
        return true;
    }
    qWarning().noquote() << "Calendar store: the extra dates of event" << root->iCalUID()
                         << "could not take its edit; the next full sync brings it";
    return false;
}

bool iCalSyncJobs::updateEvent(const TaskPtr& event, qint64 scope)
{
    const QString uid = storeUidOf(event);
    if (uid.isEmpty()) return true;
    CalEventPtr found;
    TaskPtr toWrite = event;
    if (event->parentId() != rootParent) {
        const Date occurrence = storeOccurrenceOfChange(*event);
        found = getICalEvent(uid, occurrence);
        if (!found) found = getIEventWithUID(uid, occurrence, occurrence);
    } else {
        Date start = event->localStartDate();
        Date end = event->localEndDate();
        const CoreData* data = manager();
        const QTimeZone former = event->prevtz() != 0 && !event->prevAllDay() && data
                                     ? GregorianCalendar::zoneNamed(data->getTimeZoneName(event->prevtz()))
                                     : QTimeZone();
        if (former.isValid() && start) {
            // The wall-clock times the item had in its former zone, as the store holds them.
            start = itemTimeToStoreTime(start, former);
            if (end) end = itemTimeToStoreTime(end, former);
        } else if (event->prevAllDay() && end) {
            end = end.dateByAddingTimeInterval(1);
        }
        if (start && end) found = getIEventWithUIDAndStartEndDate(uid, start, end);
        // The series' first occurrence may have been changed or deleted by
        // another program: an edit of all occurrences takes the series by
        // its uid, as a delete does.
        if (!found && scope == allOccurrences) {
            found = seriesOfUid(*m_iCalStore, uid);
            // The occurrence the edit was made from is gone from the file
            // (another program deleted or changed it meanwhile): the series
            // moves by what the edit moved that occurrence (nothing, for a
            // new title), not onto it.
            if (found && start && found->startDate() != start) {
                const double moved = event->startTime().timeIntervalSinceDate(event->localStartDate());
                const Date seriesStart = seriesDateToItemTime(found->startDate(), *event);
                toWrite = std::make_shared<Task>(*event);
                toWrite->setStartTime(Utilities::newDateFromDate(seriesStart, moved));
                toWrite->setEndTime(Utilities::newDateFromDate(toWrite->startTime(),
                                                               event->endTime().timeIntervalSinceDate(event->startTime())));
            }
        }
    }
    bool written = true;
    if (found) {
        written = updateEventOnICal(toWrite, found, scope);
        if (!written) logSkip("event", event->primaryKey(), "is not updated in the store");
    } else {
        logSkip("event", event->primaryKey(), "has no occurrence in the store to update");
    }
    // A root standing in for a changed occurrence (its file has no series)
    // keeps the occurrence it stands for, by which the store finds it.
    if (event->parentId() == rootParent && scope == allOccurrences && !(found && found->isDetached())) {
        // The occurrence alone: the rest of the row may have changed since
        // the job's copy was taken.
        if (!event->storeICalLink(event->iCalUID(), event->startTime()))
            qWarning().noquote() << "Calendar store: item" << event->primaryKey() << "could not be saved";
    }
    return written;
}

void iCalSyncJobs::deleteEvent(const TaskPtr& event, qint64 scope, bool synchronous)
{
    if (!syncEnabled()) return;
    const QString uid = storeUidOf(event);
    if (uid.isEmpty()) return;
    CalEventPtr found;
    if (event->parentId() == rootParent && synchronous) {
        const Date occurrence = storeOccurrenceOfRoot(*event);
        found = getIEventWithUID(uid, occurrence, occurrence);
    } else if (event->parentId() == rootParent) {
        Date start = event->startTime();
        Date end = event->endTime();
        if (event->tz() != 0 && !event->isADE()) {
            Date zoneStart, zoneEnd;
            if (reveseTime(event, -1, &zoneStart, &zoneEnd)) {
                start = zoneStart;
                end = zoneEnd;
            }
        } else if (event->isADE() && end) {
            end = end.dateByAddingTimeInterval(1);
        }
        if (start && end) found = getIEventWithUIDAndStartEndDate(uid, start, end);
    } else {
        const Date occurrence = storeOccurrenceOfChange(*event);
        found = getICalEvent(uid, occurrence);
        if (!found) found = getIEventWithUID(uid, occurrence, occurrence);
    }
    // Deleting all occurrences takes the series by its uid when its first
    // occurrence no longer stands where the item says.
    if (!found && scope == allOccurrences && !synchronous) found = seriesOfUid(*m_iCalStore, uid);
    // Only a removal of the whole event settles one recorded with its delete.
    const bool whole = scope == allOccurrences || (event->repeatType() == 0 && event->parentId() == rootParent);
    if (!found) {
        logSkip("event", event->primaryKey(), "has no copy in the store to delete");
        if (whole) noteRemovalDone(iCalSync::StoreRemoval::Event, bareStoreUid(uid));
        return;
    }
    if (!deleteEventOnICal(found, scope))
        logSkip("event", event->primaryKey(), "stays in the store");
    else if (whole)
        noteRemovalDone(iCalSync::StoreRemoval::Event, bareStoreUid(uid));
}

bool iCalSyncJobs::splitEvent(const TaskPtr& /*occurrence*/, const TaskPtr& series)
{
    // The split as its edit recorded it (settled already when not there).
    for (const iCalSync::StoreSplit& split : iCalSync::storeSplitsDue())
        if (split.seriesKey == series->primaryKey()) return settleStoreSplit(split);
    return false;
}

// The old file ends before the cut; the new root, when there is one still
// unlinked, is linked to the rest of the file, written here under the uid
// the edit chose unless a former try left it there already. Where the file
// has no occurrence at the cut any more, the new root is a copy of its own
// and the old file ends before its next occurrence, so that neither part
// shows the other's occurrences. The record goes once that is on the disk.
bool iCalSyncJobs::settleStoreSplit(const iCalSync::StoreSplit& split)
{
    CoreData* data = manager();
    if (!data || !syncEnabled()) return false;
    const TaskPtr series = data->taskWithPrimaryKey(split.seriesKey);
    Task cutRoot;
    cutRoot.setTz(split.tz);
    // The new root holds its times as the root it was cut from did.
    cutRoot.setHeldInFileZone(series && series->primaryKey() == split.seriesKey && series->heldInFileZone());
    const Date at = itemDateToSeriesDate(split.occurrence, cutRoot);
    CalEventPtr found = getICalEvent(split.uid, at);
    if (!found) found = getIEventWithUID(split.uid, at, at);
    const bool owesCopy = series && series->primaryKey() == split.seriesKey && series->iCalUID().isEmpty();
    CalEventPtr rest = owesCopy ? m_iCalStore->eventWithUID(split.restUid, Date()) : nullptr;
    bool written = true;
    if (!owesCopy || rest) {
        if (found) written = deleteEventOnICal(found, thisAndFuture);
    } else if (found) {
        found->setUidOfSplitRest(split.restUid);
        written = mayCreateEvent(series) && writeICalEvent(series, found, thisAndFuture, false) && found->uid() != split.uid;
        if (written) rest = found;
    } else {
        logSkip("event", series->primaryKey(), "has no occurrence in the store to split its series at; it is written as new");
        written = endStoreSeriesAfter(split.uid, at) && createNewEventOnICal(series, allOccurrences);
    }
    if (!written) {
        logSkip("event", split.seriesKey, "could not split its series in the store; the next full sync tries again");
        return false;
    }
    if (!storeCopiesAreDurable("the series split off", 1)) return false;
    Transaction unit;
    if (rest) {
        linkToStoreCopy(series, *rest);
        // The changed occurrences it carried are the rest's, as the file has them.
        for (const TaskPtr& detached : data->getAllDetachedEventWithParentID(series->primaryKey()))
            if (detached && !detached->storeICalLink(rest->uid(), detached->occurrence()))
                logSkip("changed occurrence", detached->primaryKey(), "could not be linked to its series' copy");
    }
    if (!iCalSync::clearStoreSplit(split.seriesKey) || !unit.commit()) return false;
    // Its extra dates as the file now has them.
    if (rest) takeExtraDatesFromStore(series);
    return true;
}

bool iCalSyncJobs::endStoreSeriesAfter(const QString& uid, const Date& at)
{
    CalError error;
    const CalEventList later = m_iCalStore->eventsWithPredicate(
        CalCalendarStore::eventPredicateWithStartDate(at, at.dateByAddingTimeInterval(splitSearchSpan), uid,
                                                      m_iCalStore->calendars()),
        &error);
    if (!error.ok()) return false;
    CalEventPtr next;
    for (const CalEventPtr& event : later)
        if (event && event->occurrence() > at && (!next || event->occurrence() < next->occurrence())) next = event;
    return !next || deleteEventOnICal(next, thisAndFuture);
}

// --- tasks ---

// Restored tasks whose files the restore left are written over them as
// restored events are (see writeOverKeptFile); the others, to be written anew.
TaskList iCalSyncJobs::writeOverKeptFiles(const TaskList& tasks)
{
    TaskList fresh;
    for (const TaskPtr& task : tasks) {
        const QString uid = task ? storeUidOf(task) : QString();
        const CalTaskPtr found = uid.isEmpty() || !hasStoreCalendar(task) ? nullptr : m_iCalStore->taskWithUID(uid);
        if (!found) {
            fresh << task;
            continue;
        }
        found->setFileStaysWhenAlike(true);
        if (!updateTaskOnICal(task, found)) logSkip("restored task", task->primaryKey(), "is not written over its file");
    }
    return fresh;
}

bool iCalSyncJobs::updateTask(const TaskPtr& task)
{
    const QString uid = storeUidOf(task);
    if (uid.isEmpty()) return true;
    CalError error;
    const CalTaskPtr found = m_iCalStore->taskWithUID(uid, &error);
    if (!error.ok()) qWarning().noquote() << "Calendar store: task" << task->primaryKey() << "could not be read:" << error.text;
    if (!found) {
        logSkip("task", task->primaryKey(), "has no copy in the store to update");
        // Gone from the store: nothing is owed; unread: written again later.
        return error.ok() || error.code == CalError::Code::NotFound;
    }
    if (updateTaskOnICal(task, found)) return true;
    logSkip("task", task->primaryKey(), "is not updated in the store");
    return false;
}

void iCalSyncJobs::deleteTask(const TaskPtr& task)
{
    const QString uid = storeUidOf(task);
    if (uid.isEmpty()) return;
    CalError error;
    const CalTaskPtr found = m_iCalStore->taskWithUID(uid, &error);
    if (!error.ok()) qWarning().noquote() << "Calendar store: task" << task->primaryKey() << "could not be read:" << error.text;
    if (!found) {
        logSkip("task", task->primaryKey(), "has no copy in the store to delete");
        // Unread is not gone: the recorded removal is tried again.
        if (error.ok() || error.code == CalError::Code::NotFound) noteRemovalDone(iCalSync::StoreRemoval::Task, bareStoreUid(uid));
        return;
    }
    if (!deleteTaskOnICal(found))
        logSkip("task", task->primaryKey(), "stays in the store");
    else
        noteRemovalDone(iCalSync::StoreRemoval::Task, bareStoreUid(uid));
}

// --- the results of a web sync ---

void iCalSyncJobs::pushWebItems(const TaskList& insertList, const TaskList& updateList, const TaskList& deleteList)
{
    CoreData* data = manager();

    for (const TaskPtr& item : deleteList) {
        if (!item || item->iCalUID().isEmpty()) continue;
        if (isEvent(item)) {
            const Date occurrence = item->parentId() == rootParent ? storeOccurrenceOfRoot(*item) : storeOccurrenceOfChange(*item);
            const CalEventPtr found = getIEventWithUID(item->iCalUID(), occurrence, occurrence);
            if (!found)
                logSkip("deleted event", item->primaryKey(), "has no occurrence in the store");
            else if (!deleteEventOnICal(found, allOccurrences))
                logSkip("deleted event", item->primaryKey(), "stays in the store");
            else
                noteRemovalDone(iCalSync::StoreRemoval::Event, item->iCalUID());
        } else if (isTask(item)) {
            deleteTask(item);
        }
    }

    // The changed occurrences not yet given their date.
    TaskList pool = updateList;
    TaskList events;
    TaskList tasks;
    {
        // The new events' dates and exception lists, saved in one unit.
        Transaction unit;
        for (const TaskPtr& item : insertList) {
            if (isTask(item)) tasks << item;
            if (!isEvent(item)) continue;
            events << item;
            unit.keep(item);
            item->setRepeatStartDate(item->startTime());
            if (item->repeatExceptions().isEmpty()) {
                save(item, true);
                continue;
            }
            const QStringList pieces = item->repeatExceptions().split(QLatin1Char('|'));
            QStringList rewritten = pieces;
            for (const ExceptionEntry& entry : readExceptionEntries(item->repeatExceptions(), item->primaryKey())) {
                // The exception dates take the event's time of day.
                const Date moved = atTimeOfDay(entry.date, item->startTime());
                if (entry.marker == 1) {
                    for (qsizetype i = 0; i < pool.size(); ++i) {
                        const TaskPtr& detached = pool.at(i);
                        if (!detached || detached->parentId() != item->primaryKey()) continue;
                        unit.keep(detached);
                        detached->setOccurrence(moved);
                        detached->setICalUID(item->iCalUID());
                        save(detached, false);
                        pool.removeAt(i);
                        break;
                    }
                }
                const QString marker = entry.marker == 1 ? QString(changedMarker)
                                       : entry.marker == 2 ? QString(deletedMarker)
                                                            : QString();
                rewritten[entry.index + 1] = Task::storedDateText(moved) % marker;
            }
            item->setRepeatExceptions(rewritten.join(QLatin1Char('|')));
            save(item, true);
        }
        if (!unit.commit())
            qWarning() << "Calendar store: the dates of" << events.size() << "new events from the web could not be saved";
    }

    // The store is written outside the database units, so the record lock
    // is not held while files are written; the links and saves that follow
    // each group of writes go in one unit.
    if (createNewTasksOnICal(tasks) < tasks.size())
        qInfo() << "Calendar store: some new tasks from the web are not in the store";
    const int created = createNewEventsOnICal(events, allOccurrences);
    if (created < events.size())
        qInfo() << "Calendar store:" << events.size() - created << "new events from the web are not in the store";

    TaskList nextOccurrence;
    for (const TaskPtr& event : events) {
        deleteStoreOccurrencesOf(event);
        if (event->repeatExceptions().isEmpty() || !data) continue;
        // An event whose own occurrence is an exception stands for its next one.
        const QString own = Task::storedDateText(event->occurrence());
        bool excepted = false;
        for (const ExceptionEntry& entry : readExceptionEntries(event->repeatExceptions(), event->primaryKey()))
            excepted = excepted || entry.dateText == own;
        if (excepted) nextOccurrence << event;
    }
    if (!nextOccurrence.isEmpty()) {
        Transaction unit;
        for (const TaskPtr& event : nextOccurrence) {
            const TaskPtr next = data->nextInstanceOfRecuringTask(event);
            if (!next) continue;
            unit.keep(event);
            event->setOccurrence(next->occurrence());
            save(event, false);
        }
        if (!unit.commit()) qWarning() << "Calendar store: the occurrences of new repeating events could not be saved";
    }

    // The store first (a root is found at the occurrence it had), then the
    // saves of the updated items in one unit.
    TaskList roots;
    TaskList detachedList;
    for (const TaskPtr& item : updateList) {
        if (isEvent(item) && item->parentId() == rootParent) {
            roots << item;
            if (item->iCalUID().isEmpty()) continue;
            const Date occurrence = storeOccurrenceOfRoot(*item);
            if (const CalEventPtr found = getIEventWithUID(item->iCalUID(), occurrence, occurrence)) {
                // The merge marked the change in its unit; written, the mark goes.
                if (updateEventOnICal(item, found, allOccurrences))
                    noteWriteDone(item->primaryKey(), iCalSync::storeWriteDue(item->primaryKey()));
            }
            else
                logSkip("updated event", item->primaryKey(), "has no occurrence in the store");
        } else if (isEvent(item)) {
            const TaskPtr root = data ? data->taskWithPrimaryKey(item->parentId()) : nullptr;
            item->setICalUID(root ? root->iCalUID() : QString());
            detachedList << item;
        } else if (isTask(item) && !item->iCalUID().isEmpty()) {
            if (updateTask(item)) noteWriteDone(item->primaryKey(), iCalSync::storeWriteDue(item->primaryKey()));
        }
    }
    {
        Transaction unit;
        for (const TaskPtr& root : roots) {
            unit.keep(root);
            root->setRepeatStartDate(root->startTime());
            root->setOccurrence(root->startTime());
            save(root, true);
        }
        for (const TaskPtr& detached : detachedList) save(detached, false);
        if (!unit.commit()) qWarning() << "Calendar store: updated items from the web could not be saved";
    }
    for (const TaskPtr& detached : detachedList) {
        if (detached->iCalUID().isEmpty()) continue;
        const Date at = storeOccurrenceOfChange(*detached);
        const CalEventPtr occurrence = getIEventWithUID(detached->iCalUID(), at, at);
        if (!occurrence)
            logSkip("changed occurrence", detached->primaryKey(), "has no occurrence of its series in the store");
        else if (!updateEventOnICal(detached, occurrence, thisOccurrence))
            logSkip("changed occurrence", detached->primaryKey(), "is not written onto its series");
    }
}
