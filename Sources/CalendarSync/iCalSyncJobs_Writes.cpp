// The six writes of local events and tasks to the store: they fill the store
// record, choose the spans of the scope code, save, and link the item to its
// store copy. Waiting and refreshing are the jobs' business.
#include "iCalSyncJobs.h"

#include "Calendar.h"
#include "CoreData.h"
#include "Task.h"
#include "Transaction.h"
#include "iCalSyncJobsShared.h"

#include <QDebug>
#include <QRandomGenerator>
#include <QUuid>

#include <algorithm>
#include <array>
#include <exception>
#include <functional>

namespace {

bool categoryIsShared(const TaskPtr& item)
{
    const CoreData* manager = CoreData::shared();
    const CalendarPtr category = manager ? manager->calendarWithPrimaryKey(item->calendarId()) : nullptr;
    return category && category->isShared();
}

// An item in the log: its name for the reader, its key to find it by (two
// items may share a name).
QString named(const TaskPtr& item)
{
    return QStringLiteral("%1 (item %2)").arg(item->taskName()).arg(item->primaryKey());
}

void logRefusal(const char* what, const TaskPtr& item, const char* why)
{
    qInfo().noquote() << "Calendar store:" << what << named(item) << "is not written:" << why;
}

void logWriteFailure(const char* what, const QString& name, const CalError& error)
{
    qWarning().noquote() << "Calendar store:" << what << name << "failed:" << error.text;
}

void logWriteFailure(const char* what, const TaskPtr& item, const CalError& error)
{
    logWriteFailure(what, named(item), error);
}

void logNotDurable(const char* what, qsizetype count, const CalError& error)
{
    qWarning().noquote() << "Calendar store:" << count << what
                         << "could not be made durable; they are removed and not linked:" << error.text;
}

void logNotDurable(const char* what, const TaskPtr& item, const CalError& error)
{
    qWarning().noquote() << "Calendar store: the store copy of" << what << named(item)
                         << "could not be made durable; it is removed and not linked:" << error.text;
}

// A new store copy's uid: an upper-case random (version 4) UUID without
// braces. Its bits come from the process's seeded generator: QUuid asks the
// system's source for each uid, a costly call in a loop over thousands. A
// uid whose file name is taken is replaced as its file is written.
QString newStoreUid()
{
    std::array<quint32, 4> words;
    QRandomGenerator::global()->fillRange(words.data(), qsizetype(words.size()));
    QByteArray bytes(reinterpret_cast<const char*>(words.data()), 16);
    bytes[6] = char((bytes[6] & 0x0F) | 0x40);
    bytes[8] = char((bytes[8] & 0x3F) | 0x80);
    return QUuid::fromRfc4122(bytes).toString(QUuid::WithoutBraces).toUpper();
}

}  // namespace

int iCalSyncJobs::storeSpanOfScope(qint64 scope)
{
    switch (scope) {
    case 1: return CalSpanAllEvents;
    case 2: return CalSpanFutureEvents;
    default: return CalSpanThisEvent;
    }
}

int iCalSyncJobs::zoneSpanOfScope(qint64 scope)
{
    return scope == 1 || scope == 2 ? EKSpanFutureEvents : EKSpanThisEvent;
}

bool iCalSyncJobs::writeICalEvent(const TaskPtr& item, const CalEventPtr& record, qint64 scope, bool create)
{
    try {
        fillICalEvent(item, *record, create);
        if (!record->endDate()) {
            logRefusal("the event", item, "it has no end");
            return false;
        }
        CalError error;
        if (!m_iCalStore->saveEvent(record, storeSpanOfScope(scope), &error)) {
            logWriteFailure(create ? "creating the event" : "updating the event", item, error);
            return false;
        }
        saveEventTimeZone(*record, item, zoneSpanOfScope(scope));
    } catch (const std::exception& exception) {
        qWarning().noquote() << "Calendar store: writing the event" << named(item) << "failed:" << exception.what();
        return false;
    }
    return true;
}

// New events as writeICalEvent writes each, their files written by the
// store together.
std::vector<bool> iCalSyncJobs::writeNewICalEvents(const std::vector<std::pair<TaskPtr, CalEventPtr>>& copies,
                                                   qint64 scope)
{
    std::vector<bool> written(copies.size(), false);
    CalEventList records;
    std::vector<size_t> places;
    for (size_t i = 0; i < copies.size(); ++i) {
        const auto& [item, record] = copies[i];
        try {
            fillICalEvent(item, *record, true);
        } catch (const std::exception& exception) {
            qWarning().noquote() << "Calendar store: writing the event" << named(item) << "failed:" << exception.what();
            continue;
        }
        if (!record->endDate()) {
            logRefusal("the event", item, "it has no end");
            continue;
        }
        records << record;
        places.push_back(i);
    }
    const QList<CalError> errors = m_iCalStore->saveEvents(records, storeSpanOfScope(scope));
    for (size_t k = 0; k < places.size(); ++k) {
        const auto& [item, record] = copies[places[k]];
        if (!errors[qsizetype(k)].ok()) {
            logWriteFailure("creating the event", item, errors[qsizetype(k)]);
            continue;
        }
        try {
            saveEventTimeZone(*record, item, zoneSpanOfScope(scope));
        } catch (const std::exception& exception) {
            qWarning().noquote() << "Calendar store: writing the event" << named(item) << "failed:" << exception.what();
            continue;
        }
        written[places[k]] = true;
    }
    return written;
}

void iCalSyncJobs::linkToStoreCopy(const TaskPtr& item, const CalEvent& record)
{
    // The occurrence in the item's own time, as its editor and expansion keep it.
    if (!item->storeICalLink(record.uid(), seriesDateToItemTime(record.occurrence(), *item)))
        qWarning().noquote() << "The link of" << named(item) << "to its store copy could not be stored";
}

bool iCalSyncJobs::storeCopiesAreDurable(const char* what, qsizetype count) const
{
    CalError error;
    if (m_iCalStore->flushPendingWrites(&error)) return true;
    logNotDurable(what, count, error);
    return false;
}

bool iCalSyncJobs::storeCopyIsDurable(const char* what, const TaskPtr& item) const
{
    CalError error;
    if (m_iCalStore->flushPendingWrites(&error)) return true;
    logNotDurable(what, item, error);
    return false;
}

bool iCalSyncJobs::saveICalEvent(const TaskPtr& item, const CalEventPtr& record, qint64 scope, bool create)
{
    if (!writeICalEvent(item, record, scope, create)) return false;
    if (!create) return true;
    // Inside a batch the new file may not be on the disk yet: no link to it
    // is stored before it is.
    if (!storeCopyIsDurable("the new event", item)) {
        deleteEventOnICal(record, 1);
        return false;
    }
    linkToStoreCopy(item, *record);
    return true;
}

bool iCalSyncJobs::mayCreateEvent(const TaskPtr& event) const
{
    if (!event) return false;
    if (event->isShared()) return logRefusal("the event", event, "it is shared"), false;
    if (event->isSheduledTask()) return logRefusal("the event", event, "it is a scheduled task"), false;
    return syncEnabled() && hasStoreCalendar(event);
}

// A category the store has no calendar for is the usual state until the
// user links one (a new machine has none): its items stay here, unwritten
// and unlogged, and a later sync takes them in once there is a calendar.
bool iCalSyncJobs::hasStoreCalendar(const TaskPtr& item) const
{
    return storeCalendarOfItem(item) != nullptr;
}

bool iCalSyncJobs::createNewEventOnICal(const TaskPtr& event, qint64 updateREType)
{
    if (!mayCreateEvent(event)) return false;
    return createNewEventsOnICal({event}, updateREType) == 1;
}

namespace {

// The steps of one group of new store copies, for events and tasks alike.
template <class Record>
struct NewCopySteps {
    const char* kind;  // "events", "tasks"
    std::function<std::shared_ptr<Record>(const QString& uid)> make;
    // Whether the store holds a copy of that uid already.
    std::function<bool(const QString& uid)> holds;
    std::function<bool(const TaskPtr&, const std::shared_ptr<Record>&)> write;
    // When set, writes the whole group at once; true for each copy written.
    std::function<std::vector<bool>(const std::vector<std::pair<TaskPtr, std::shared_ptr<Record>>>&)> writeAll;
    std::function<bool(qsizetype count)> flush;
    std::function<void(const TaskPtr&, const Record&)> link;
    std::function<void(const std::shared_ptr<Record>&)> remove;
};

// A group on its way to the store: its items, their new copies and the
// links they had (an item refused by the store gets its own back).
template <class Record>
struct NamedGroup {
    std::vector<std::pair<TaskPtr, std::shared_ptr<Record>>> copies;
    QStringList formerUids;
};

// Gives each item of the group a new uid with the mark, in the open unit.
// False when a mark could not be written (the unit is spoiled then).
// An item that carries a uid the store holds no copy of (a restored one,
// or one whose store came back empty) is written back under it: to other
// programs and to readers set up on a folder it is the same event, and its
// old copy, should it come back, is that copy, not a second one.
template <class Record>
QString uidToWrite(const TaskPtr& item, const NewCopySteps<Record>& steps, QSet<QString>* taken)
{
    const QString& uid = item->iCalUID();
    // Two items of one group never share a copy: the second gets a uid of its own.
    if (uid.isEmpty() || uid.startsWith(pendingStoreCopyMark) || steps.holds(uid) || taken->contains(uid)) return newStoreUid();
    taken->insert(uid);
    return uid;
}

template <class Record>
bool markGroup(Transaction& unit, const TaskList& items, const NewCopySteps<Record>& steps, NamedGroup<Record>* group)
{
    group->copies.reserve(size_t(items.size()));
    QSet<QString> taken;
    for (const TaskPtr& item : items) {
        const auto record = steps.make(uidToWrite(item, steps, &taken));
        unit.keep(item);
        group->formerUids << item->iCalUID();
        if (!item->storeICalLink(pendingStoreCopyMark + record->uid(), item->occurrence())) return false;
        group->copies.emplace_back(item, record);
    }
    return true;
}

// Writes the group's copies and flushes them to the disk; when the disk
// does not take them they leave the store again. True for each copy written.
template <class Record>
std::vector<bool> writeGroup(const NamedGroup<Record>& group, const std::shared_ptr<CalCalendarStore>& store,
                             const NewCopySteps<Record>& steps)
{
    const auto& copies = group.copies;
    std::vector<bool> written(copies.size(), false);
    // The store copies are written outside any unit, so the record lock is
    // held only for the links and not for the file writes.
    CalCalendarStore::WriteBatch batch(store);
    if (steps.writeAll) written = steps.writeAll(copies);
    else
        for (size_t i = 0; i < copies.size(); ++i) written[i] = steps.write(copies[i].first, copies[i].second);
    const bool any = std::find(written.begin(), written.end(), true) != written.end();
    const bool durable = !any || steps.flush(qsizetype(copies.size()));
    batch.commit();
    if (!durable) {
        for (size_t i = 0; i < copies.size(); ++i)
            if (written[i]) steps.remove(copies[i].second);
        std::fill(written.begin(), written.end(), false);
    }
    return written;
}

// Links the copies written (the uid without the mark), in the open unit;
// the items of the others get their former link back. How many were linked.
template <class Record>
int linkGroup(Transaction& unit, const NamedGroup<Record>& group, const std::vector<bool>& written,
              const NewCopySteps<Record>& steps)
{
    int count = 0;
    for (size_t i = 0; i < group.copies.size(); ++i) {
        const auto& [item, record] = group.copies[i];
        unit.keep(item);
        if (written[i]) {
            steps.link(item, *record);
            ++count;
        } else {
            // Through the link, so the record the job's copy was taken of gets it back too.
            if (!item->storeICalLink(group.formerUids.at(qsizetype(i)), item->occurrence()))
                qWarning().noquote() << "The mark of" << named(item) << "could not be removed";
        }
    }
    return count;
}

// The groups of new copies, named, written, flushed and linked in turn. The
// links of a group and the marks of the next are committed in one unit: a
// crash before it leaves both groups marked, after it the first linked and
// the next marked, as separate units would; each unit is a commit the
// database makes durable, which costs more than the rows it holds.
template <class Record>
int writeNamedGroups(const TaskList& items, qsizetype perUnit, const std::shared_ptr<CalCalendarStore>& store,
                     const NewCopySteps<Record>& steps)
{
    if (items.isEmpty()) return 0;
    const auto namesNotStored = [&](qsizetype count) {
        qWarning().noquote() << "Calendar store: the names of" << count << "new store" << steps.kind
                             << "could not be stored; they are not written";
    };
    NamedGroup<Record> group;
    {
        Transaction unit;
        if (!markGroup(unit, items.mid(0, perUnit), steps, &group) || !unit.commit()) {
            namesNotStored(qMin(perUnit, items.size()));
            return 0;
        }
    }
    int linked = 0;
    for (qsizetype from = 0; from < items.size(); from += perUnit) {
        const std::vector<bool> written = writeGroup(group, store, steps);
        const TaskList nextGroup = items.mid(from + perUnit, perUnit);
        NamedGroup<Record> next;
        Transaction unit;
        const int count = linkGroup(unit, group, written, steps);
        const bool marked = markGroup(unit, nextGroup, steps, &next);
        if (marked && unit.commit()) {
            linked += count;
            group = std::move(next);
            continue;
        }
        // The marks stay: the next start pushes these items again, so their
        // copies go rather than come back as doubles. The next group was not
        // named and waits for the next sync.
        qWarning().noquote() << "Calendar store: the links of" << count << "new store" << steps.kind
                             << "could not be stored; the copies are removed";
        if (!nextGroup.isEmpty()) namesNotStored(nextGroup.size());
        unit.rollback();
        for (size_t i = 0; i < group.copies.size(); ++i)
            if (written[i]) steps.remove(group.copies[i].second);
        break;
    }
    return linked;
}

}  // namespace

// A crash may come at any moment of an export. Each group of new events is
// named first: their uids are committed with a mark before any file is
// written; then the files are written and flushed, and the links committed
// without the mark. A start after a crash finds either no mark (nothing
// written, or all linked) or marked uids, whose files it adopts when they
// are there and whose items it pushes again when they are not: every event
// ends once in the store and once here, never twice.
int iCalSyncJobs::createNewEventsOnICal(const TaskList& events, qint64 updateREType)
{
    TaskList allowed;
    for (const TaskPtr& event : events)
        if (mayCreateEvent(event)) allowed << event;
    NewCopySteps<CalEvent> steps;
    steps.kind = "events";
    steps.make = [](const QString& uid) {
        auto record = CalEvent::event();
        record->setUidOfNewEvent(uid);
        return record;
    };
    steps.holds = [&](const QString& uid) { return !m_iCalStore->eventFilePath(uid).isEmpty(); };
    steps.write = [&](const TaskPtr& event, const CalEventPtr& record) {
        return writeICalEvent(event, record, updateREType, true);
    };
    steps.writeAll = [&](const std::vector<std::pair<TaskPtr, CalEventPtr>>& copies) {
        return writeNewICalEvents(copies, updateREType);
    };
    steps.flush = [&](qsizetype count) { return storeCopiesAreDurable("new store events", count); };
    steps.link = [](const TaskPtr& event, const CalEvent& record) { linkToStoreCopy(event, record); };
    steps.remove = [&](const CalEventPtr& record) { deleteEventOnICal(record, 1); };
    return writeNamedGroups(allowed, newEventsPerUnit, m_iCalStore, steps);
}

bool iCalSyncJobs::updateEventOnICal(const TaskPtr& event, const CalEventPtr& iCalEvent, qint64 updateREType)
{
    if (!event || !iCalEvent || !syncEnabled()) return false;
    if (event->isSheduledTask()) return logRefusal("the event", event, "it is a scheduled task"), false;
    return saveICalEvent(event, iCalEvent, updateREType, false);
}

bool iCalSyncJobs::deleteEventOnICal(const CalEventPtr& iCalEvent, qint64 deleteREType)
{
    if (!iCalEvent || !syncEnabled()) return false;
    CalError error;
    if (!m_iCalStore->removeEvent(iCalEvent, storeSpanOfScope(deleteREType), &error)) {
        logWriteFailure("removing the event", iCalEvent->uid(), error);
        return false;
    }
    return true;
}

bool iCalSyncJobs::createNewTaskOnICal(const TaskPtr& task)
{
    if (!task) return false;
    if (task->isShared() || categoryIsShared(task)) return logRefusal("the task", task, "it is shared"), false;
    if (!hasStoreCalendar(task)) return false;
    return createNewTasksOnICal({task}) == 1;
}

// As the events: named first, then written and flushed, then linked, in
// groups, so a crash leaves no unknown copy (see createNewEventsOnICal).
int iCalSyncJobs::createNewTasksOnICal(const TaskList& tasks)
{
    TaskList allowed;
    for (const TaskPtr& task : tasks) {
        if (!task) continue;
        if (task->isShared() || categoryIsShared(task)) {
            logRefusal("the task", task, "it is shared");
            continue;
        }
        if (hasStoreCalendar(task)) allowed << task;
    }
    NewCopySteps<CalTask> steps;
    steps.kind = "tasks";
    steps.make = [](const QString& uid) {
        auto record = CalTask::task();
        record->setUidOfNewTask(uid);
        return record;
    };
    steps.holds = [&](const QString& uid) { return m_iCalStore->taskWithUID(uid) != nullptr; };
    steps.write = [&](const TaskPtr& task, const CalTaskPtr& record) {
        fillICalTask(task, *record, true);
        CalError error;
        if (m_iCalStore->saveTask(record, &error)) return true;
        logWriteFailure("creating the task", task, error);
        return false;
    };
    steps.flush = [&](qsizetype count) { return storeCopiesAreDurable("new store tasks", count); };
    steps.link = [](const TaskPtr& task, const CalTask& record) {
        if (!task->storeICalLink(record.uid(), task->occurrence()))
            qWarning().noquote() << "The link of" << named(task) << "to its store copy could not be stored";
    };
    steps.remove = [&](const CalTaskPtr& record) { deleteTaskOnICal(record); };
    return writeNamedGroups(allowed, newEventsPerUnit, m_iCalStore, steps);
}

bool iCalSyncJobs::updateTaskOnICal(const TaskPtr& task, const CalTaskPtr& iCalTask)
{
    if (!task || !iCalTask) return false;
    if (task->isShared() || categoryIsShared(task)) return logRefusal("the task", task, "it is shared"), false;
    if (!syncEnabled()) return false;
    fillICalTask(task, *iCalTask, false);
    CalError error;
    if (!m_iCalStore->saveTask(iCalTask, &error)) {
        logWriteFailure("updating the task", task, error);
        return false;
    }
    return true;
}

bool iCalSyncJobs::deleteTaskOnICal(const CalTaskPtr& iCalTask)
{
    if (!iCalTask) return false;
    CalError error;
    if (!m_iCalStore->removeTask(iCalTask, &error)) {
        logWriteFailure("removing the task", iCalTask->uid(), error);
        return false;
    }
    return true;
}
