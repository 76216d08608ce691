// The item merge of a full pass: the downloaded items against the stored
// ones, repeating roots with their exception texts, the task order, and the
// hand-off of what changed to the calendar sync.
#include "ZVWSync.h"

#include "Calendar.h"
#include "CoreData.h"
#include "QueryStatement.h"
#include "RecordGuard.h"
#include "RecordStore.h"
#include "RecurrenceExpander.h"
#include "Setting.h"
#include "Task.h"
#include "TextTable.h"
#include "Transaction.h"
#include "Utilities.h"
#include "iCalSync.h"
#include "ModelInternals.h"

#include <QDebug>
#include <QJsonDocument>
#include <QSet>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <optional>
#include <vector>

namespace {

constexpr qsizetype orderBatchSize = 50;
// Rows written per unit: one commit per batch instead of one per row.
constexpr int writesPerUnit = 500;

// One exception piece: its date in whole seconds and its marker (0 none,
// 1 changed, 2 deleted). Anything else is malformed.
struct Piece {
    qint64 seconds = 0;
    int marker = 0;
};

std::optional<Piece> readPiece(const QString& text)
{
    qsizetype end = 0;
    if (end < text.size() && text[end] == QLatin1Char('-')) ++end;
    const qsizetype digitsFrom = end;
    while (end < text.size() && text[end].isDigit()) ++end;
    if (end == digitsFrom || end - digitsFrom > 15) return std::nullopt;
    bool ok = false;
    Piece piece;
    piece.seconds = text.left(end).toLongLong(&ok);
    if (!ok || !Date::isWithinCalendar(double(piece.seconds))) return std::nullopt;
    const QStringView rest = QStringView(text).mid(end);
    if (rest.isEmpty()) return piece;
    if (rest == u"(1)") piece.marker = 1;
    else if (rest == u"(2)") piece.marker = 2;
    else return std::nullopt;
    return piece;
}

// The pieces of a text led by "|", malformed ones passed over and counted.
QList<Piece> readPieces(const QString& text, qsizetype& skipped)
{
    QList<Piece> pieces;
    if (text.isEmpty()) return pieces;
    const QStringList parts = text.split(QLatin1Char('|'));
    for (qsizetype index = 1; index < parts.size(); ++index) {
        const std::optional<Piece> piece = readPiece(parts[index]);
        if (piece) {
            pieces.append(*piece);
        } else {
            ++skipped;
            qWarning() << "An exception piece" << parts[index].left(40) << "is malformed and passed over";
        }
    }
    if (!parts.isEmpty() && !parts[0].isEmpty()) {
        ++skipped;
        qWarning() << "Exception text before the first piece is passed over:" << parts[0].left(40);
    }
    return pieces;
}

QString secondsText(qint64 seconds)
{
    return QString::number(seconds);
}

Date fromSeconds(qint64 seconds)
{
    return Utilities::fromDBDate(Date::dateWithTimeIntervalSince1970(double(seconds)));
}

qint64 truncatedStoredSeconds(const Date& date)
{
    return Date::truncated(Utilities::toDBDate(date).timeIntervalSince1970());
}

// Which of the dates left a changed occurrence replaces: the one nearest to
// its start, the first in the service's order on equal distances (and when
// its start is not known). Paired by position only, a moved occurrence could
// take a deleted occurrence's date.
template <class Dates, class SecondsOf>
qsizetype nearestDate(const Dates& dates, const Date& start, SecondsOf secondsOf)
{
    if (dates.isEmpty()) return -1;
    if (start.isNull()) return 0;
    const qint64 at = truncatedStoredSeconds(start);
    qsizetype best = 0;
    for (qsizetype index = 1; index < dates.size(); ++index)
        if (std::llabs(secondsOf(dates[index]) - at) < std::llabs(secondsOf(dates[best]) - at)) best = index;
    return best;
}

QString changedPiece(qint64 seconds)
{
    return QLatin1Char('|') + secondsText(seconds) + QStringLiteral("(1)");
}

QString deletedPiece(qint64 seconds)
{
    return QLatin1Char('|') + secondsText(seconds) + QStringLiteral("(2)");
}

bool isCalendarEligible(const Task& item)
{
    CoreData* dataManager = CoreData::shared();
    const CalendarPtr category = dataManager ? dataManager->calendarWithPrimaryKey(item.calendarId()) : nullptr;
    const qint64 taskOrEvent = category ? category->taskOrEvent() : 0;
    if (item.taskType() == 0) return taskOrEvent != 1;
    if (item.taskType() == 1) return taskOrEvent != 2;
    return false;
}

bool hasUID(const Task& item)
{
    return !item.iCalUID().isEmpty();
}

// The downloaded items with look-ups by server id and by parent id that
// answer what a scan of the list as it stands would: the first item still
// in it, in list order.
class WorkIndex {
public:
    explicit WorkIndex(const TaskList& items) : m_items(items), m_alive(items.size(), true)
    {
        for (qsizetype index = 0; index < items.size(); ++index) {
            m_byId[items[index]->zvwID()].append(index);
            m_byParent[items[index]->parentId()].append(index);
        }
    }
    TaskPtr first(qint64 zvwId)
    {
        const qsizetype index = firstIndex(zvwId);
        return index < 0 ? nullptr : m_items[index];
    }
    TaskList children(qint64 parentId) const
    {
        TaskList found;
        const auto positions = m_byParent.constFind(parentId);
        if (positions == m_byParent.constEnd()) return found;
        for (qsizetype index : *positions)
            if (m_alive[index]) found.append(m_items[index]);
        return found;
    }
    void remove(const TaskPtr& item)
    {
        if (!item) return;
        const auto positions = m_byId.find(item->zvwID());
        if (positions == m_byId.end()) return;
        for (qsizetype index : *positions)
            if (m_alive[index] && m_items[index] == item) {
                m_alive[index] = false;
                return;
            }
    }
    void removeFirst(qint64 zvwId)
    {
        const qsizetype index = firstIndex(zvwId);
        if (index >= 0) m_alive[index] = false;
    }
    TaskList remaining() const
    {
        TaskList left;
        for (qsizetype index = 0; index < m_items.size(); ++index)
            if (m_alive[index]) left.append(m_items[index]);
        return left;
    }

private:
    qsizetype firstIndex(qint64 zvwId)
    {
        const auto positions = m_byId.find(zvwId);
        if (positions == m_byId.end()) return -1;
        // Taken items lie at the front of the common case; drop them once.
        while (!positions->isEmpty() && !m_alive[positions->first()]) positions->removeFirst();
        for (qsizetype index : *positions)
            if (m_alive[index]) return index;
        return -1;
    }

    TaskList m_items;
    std::vector<bool> m_alive;
    QHash<qint64, QList<qsizetype>> m_byId;
    QHash<qint64, QList<qsizetype>> m_byParent;
};

// A unit of writes committed every so many rows.
class BatchedWrites {
public:
    BatchedWrites() { open(); }
    ~BatchedWrites() { close(); }
    void wrote()
    {
        if (++m_count < writesPerUnit) return;
        close();
        open();
    }
    void close()
    {
        if (m_unit && !m_unit->commit()) qWarning() << "A unit of the item merge could not be committed";
        m_unit.reset();
        m_count = 0;
    }

private:
    void open() { m_unit = std::make_unique<Transaction>(); }
    std::unique_ptr<Transaction> m_unit;
    int m_count = 0;
};

// After a failed write the store gets only what the database holds: the
// changed items as their rows are (a change whose unit did not commit is not
// written to the store), and the removal of those whose deletion was
// committed. None is added: its link could not be stored.
void handCommittedToStore(CoreData& dataManager, const TaskList& update, const TaskList& remove)
{
    QSet<qint64> stored;
    {
        RecordGuard guard;
        QueryStatement query("SELECT primaryKey FROM Tasks");
        while (query.nextRow()) stored.insert(sqlite3_column_int64(query.get(), 0));
        if (!query.isValid() || query.failed()) return;
    }
    QHash<qint64, TaskPtr> rows;
    if (!update.isEmpty())
        for (const TaskPtr& row : dataManager.getAllTasksInDB()) rows.insert(row->primaryKey(), row);
    TaskList kept, gone;
    for (const TaskPtr& item : update)
        if (const TaskPtr row = rows.value(item->primaryKey())) kept.append(row);
    for (const TaskPtr& item : remove)
        if (!stored.contains(item->primaryKey())) gone.append(item);
    if (iCalSync* calendar = dataManager.icalSync()) calendar->backgroundOneWaySyncInsertToICalItemList({}, kept, gone);
}

void write(const TaskPtr& item, const char* what)
{
    if (!item->dehydrateUpdateOption(false))
        qWarning() << "The item merge could not write item" << item->primaryKey() << what;
}

// The item's category keeps it out of the store: its copy's removal is
// recorded in the merge's unit before the uid goes. A record that cannot be
// written spoils that unit, and the merge stops at its next check with the
// item and its copy as they were.
void leaveStore(const TaskPtr& local, TaskList& calendarDelete)
{
    const bool hasCopy = local->parentId() == -1 && hasUID(*local);
    if (hasCopy && !iCalSync::recordStoreItemRemoval(local)) {
        qWarning() << "The item merge could not record the store removal of item" << local->primaryKey();
        return;
    }
    if (hasCopy) calendarDelete.append(local->copy());
    local->setICalUID(QString());
    write(local, "without its calendar uid");
}

// A server item just stored is the service's copy, not a local change: the
// reading of its record and the insert's order went through setters that mark
// it for upload, and stored so the next pass would send every downloaded item
// back to the service.
void storedUnmarked(const TaskPtr& item)
{
    if (item->hasChanges() == 0) return;
    item->setHasChanges(0);
    write(item, "as the service's copy");
}

}  // namespace

// ---------------------------------------------------------------------------
// Exception texts

ZVWSync::ExceptionMergeResult ZVWSync::mergeExceptions(const ExceptionMergeInput& input)
{
    ExceptionMergeResult result;
    TaskList serverExceptions = input.serverText.isEmpty() ? TaskList() : input.serverExceptions;

    // The server dates, moved onto the local root's time of day.
    const qint64 hour = Utilities::getHour(input.localStart);
    const qint64 minute = Utilities::getMinute(input.localStart);
    QList<qint64> serverDates;
    for (const Piece& piece : readPieces(input.serverText, result.skippedPieces)) {
        Date day = fromSeconds(piece.seconds);
        if (!input.localStart.isNull()) day = Utilities::newDateOnDate(day, hour, minute);
        serverDates.append(truncatedStoredSeconds(day));
    }
    QList<Piece> localPieces = readPieces(input.localText, result.skippedPieces);

    TaskList unsentLocal;
    QList<qint64> deletedDates;
    const QList<qint64> dates = serverDates;
    for (const qint64 date : dates) {
        if (localPieces.isEmpty()) {
            bool written = false;
            for (qsizetype index = 0; index < serverExceptions.size();) {
                if (truncatedStoredSeconds(serverExceptions[index]->startTime()) == date) {
                    serverExceptions.removeAt(index);
                    result.text += changedPiece(date);
                    written = true;
                } else {
                    ++index;
                }
            }
            // A date written as changed is no longer a date to write as deleted.
            if (written) serverDates.removeOne(date);
        }
        const auto local = std::find_if(localPieces.begin(), localPieces.end(),
                                        [date](const Piece& piece) { return piece.seconds == date; });
        if (local == localPieces.end()) continue;
        const Piece piece = *local;
        localPieces.erase(local);
        if (piece.marker == 1) {
            const TaskPtr occurrence = input.localOccurrence ? input.localOccurrence(fromSeconds(date)) : nullptr;
            // Without its stored occurrence the piece is a date with no local piece.
            if (!occurrence) continue;
            if (occurrence->zvwID() < 1) {
                unsentLocal.append(occurrence);
            } else {
                const auto server = std::find_if(serverExceptions.begin(), serverExceptions.end(),
                                                 [&](const TaskPtr& item) { return item->zvwID() == occurrence->zvwID(); });
                if (server != serverExceptions.end()) {
                    serverExceptions.erase(server);
                    result.text += changedPiece(date);
                } else {
                    result.deleteLocal.append(occurrence);
                    result.text += deletedPiece(date);
                }
            }
        } else if (piece.marker == 2) {
            deletedDates.append(date);
        }
        serverDates.removeOne(date);
    }

    // Pieces no server date matched are local changes not sent yet when the
    // root itself has unsent changes, or when their changed occurrence was
    // never sent: dropped, the move or the delete made here would be lost
    // and the moved copy left without its date. Otherwise the service
    // dropped them.
    QString keptLocal;
    for (const Piece& piece : std::as_const(localPieces)) {
        if (piece.marker == 1) {
            const TaskPtr occurrence = input.localOccurrence ? input.localOccurrence(fromSeconds(piece.seconds)) : nullptr;
            if (occurrence && occurrence->zvwID() < 1) keptLocal += changedPiece(piece.seconds);
        } else if (piece.marker == 2 && input.localChanged) {
            keptLocal += deletedPiece(piece.seconds);
        }
    }

    const qsizetype localCount = unsentLocal.size();
    const qsizetype serverCount = serverExceptions.size();
    if (localCount < serverCount) {
        for (const TaskPtr& local : unsentLocal) result.paired.append({local, serverExceptions.takeFirst()->zvwID()});
        // A server changed occurrence goes only when the date it is nearest
        // to is one deleted here; one nearer to another date of the service
        // is a move this side has not seen yet, and stays.
        QList<qint64> candidates = deletedDates;
        candidates += serverDates;
        for (const qint64 date : deletedDates) {
            result.text += deletedPiece(date);
            for (qsizetype index = 0; index < serverExceptions.size(); ++index) {
                const qsizetype nearest = nearestDate(candidates, serverExceptions[index]->startTime(),
                                                      [](qint64 seconds) { return seconds; });
                if (nearest < 0 || candidates[nearest] != date) continue;
                const qint64 zvwId = serverExceptions.takeAt(index)->zvwID();
                qWarning() << "The changed occurrence" << zvwId << "of a series is deleted on the web service: its date"
                           << date << "is a deleted occurrence here";
                result.queuedDeletions.append(zvwId);
                break;
            }
        }
    } else if (localCount > serverCount) {
        for (const TaskPtr& server : serverExceptions) result.paired.append({unsentLocal.takeFirst(), server->zvwID()});
        for (const TaskPtr& local : unsentLocal) result.deleteLocal.append(local);
        for (const qint64 date : deletedDates) result.text += deletedPiece(date);
        serverExceptions.clear();
    } else {
        for (qsizetype index = 0; index < localCount; ++index) {
            result.paired.append({unsentLocal[index], serverExceptions[index]->zvwID()});
            result.text += changedPiece(truncatedStoredSeconds(unsentLocal[index]->occurrence()));
        }
        serverExceptions.clear();
        for (const qint64 date : deletedDates) result.text += deletedPiece(date);
    }

    // Changed occurrences the local side never had take the dates left.
    for (const TaskPtr& server : serverExceptions) {
        if (serverDates.isEmpty()) break;
        const qint64 date =
            serverDates.takeAt(nearestDate(serverDates, server->startTime(), [](qint64 seconds) { return seconds; }));
        result.occurrences.append({server->zvwID(), fromSeconds(date)});
        result.text += changedPiece(date);
    }
    for (const qint64 date : serverDates) result.text += deletedPiece(date);
    result.text += keptLocal;
    return result;
}

ZVWSync::NewRootExceptions ZVWSync::newRootExceptions(const QString& serverText, const TaskList& changedOccurrences)
{
    NewRootExceptions result;
    const QList<Piece> dates = readPieces(serverText, result.skippedPieces);
    QList<qsizetype> left;
    for (qsizetype index = 0; index < dates.size(); ++index) left.append(index);
    QList<bool> changed(dates.size(), false);
    for (const TaskPtr& occurrence : changedOccurrences) {
        if (left.isEmpty()) break;
        const qsizetype index = left.takeAt(
            nearestDate(left, occurrence->startTime(), [&dates](qsizetype at) { return dates[at].seconds; }));
        changed[index] = true;
        result.occurrences.append({occurrence->zvwID(), fromSeconds(dates[index].seconds)});
    }
    // The pieces keep the service's order of the dates.
    for (qsizetype index = 0; index < dates.size(); ++index)
        result.text += changed[index] ? changedPiece(dates[index].seconds) : deletedPiece(dates[index].seconds);
    return result;
}

bool ZVWSync::isSeriesWhollyDeleted(const Task& root)
{
    if (root.isRepeatForever() || root.repeatEndDate().isNull()) return false;
    const RecurrenceSeries series = root.recurrenceSeries();
    const QList<Date> starts = RecurrenceExpander::occurrences(series, series.startTime, root.repeatEndDate(), true);
    // A series whose occurrences cannot be told is kept: deleting it could lose data.
    if (starts.isEmpty()) return false;
    qsizetype skipped = 0;
    QSet<qint64> deleted;
    for (const Piece& piece : readPieces(root.repeatExceptions(), skipped))
        if (piece.marker == 2) deleted.insert(piece.seconds);
    for (const Date& start : starts)
        if (!deleted.contains(truncatedStoredSeconds(start))) return false;
    return true;
}

// ---------------------------------------------------------------------------
// The merge

void ZVWSync::updateWork(const TaskPtr& work, const TaskPtr& localTask)
{
    localTask->updateContentOfTaskFromZVW(*work);
    localTask->setHasChanges(0);
    write(localTask, "with the service's fields");
}

void ZVWSync::syncItemsWithZVW()
{
    if (!errorDescription().isEmpty()) return;
    CoreData* dataManager = CoreData::shared();
    const SettingPtr setting = localSetting();
    if (!dataManager || !setting) return;

    TaskList locals = dataManager->getAllTasksInDB();
    const QSet<qint64> pending = keysWithChanges();
    auto changedHere = [&pending](const TaskPtr& item) { return pending.contains(item->primaryKey()); };
    QHash<qint64, TaskPtr> localByKey;
    for (const TaskPtr& item : locals) localByKey.insert(item->primaryKey(), item);
    TaskList newRoots, newChildren, changed, gone, calendarInsert, calendarUpdate, calendarDelete;

    setWillUpdateRemoteOrder(false);
    const SettingPtr server = zvwSetting();
    if (server && server->lastUpdateWork() < setting->lastUpdateWork()) setWillUpdateRemoteOrder(true);
    const bool restoring = setting->doRestore() != 0;
    const bool incomplete = itemDownloadIncomplete();
    // A write that fails (a full disk) ends the merge where it is: nothing
    // is uploaded, deleted or stored after it.
    const quint64 failuresBefore = RecordStore::failedStepsOnThisThread();
    const auto stoppedByFailure = [&] {
        if (!stopOnWriteFailure(failuresBefore)) return false;
        handCommittedToStore(*dataManager, calendarUpdate, calendarDelete);
        return true;
    };

    WorkIndex works(zvwWorkList());
    auto queueServerDeletion = [&](qint64 zvwId) {
        setting->setZvwDeletedTasks(setting->zvwDeletedTasks() + QStringLiteral(",%1").arg(zvwId));
        works.removeFirst(zvwId);
    };
    auto leave = [&](const TaskPtr& local) {
        if (restoring) {
            (local->parentId() == -1 ? newRoots : newChildren).append(local);
            return;
        }
        if (changedHere(local))
            qWarning().nospace() << "Item " << local->primaryKey() << " \"" << local->taskName()
                                 << "\" with unsent changes is deleted: the service no longer lists it (local stamp "
                                 << local->lastUpdate() << ")";
        gone.append(local);
    };

    // The note of a checklist turned here may have gone up from another
    // organizer that turned the same checklist: it is that note, not a new one.
    QSet<qint64> heldIds;
    for (const TaskPtr& item : locals) heldIds.insert(item->zvwID());
    auto sameTurnedNote = [&](const Task& local) -> TaskPtr {
        if (local.taskType() != ItemKind::Note || local.isInitialTask() != 1) return nullptr;
        const CalendarPtr category = dataManager->calendarWithPrimaryKey(local.calendarId());
        if (!category || category->zvwProjectId() < 1) return nullptr;
        for (const TaskPtr& work : works.remaining())
            if (work->taskType() == ItemKind::Note && work->calendarId() == local.calendarId()
                && work->taskName() == local.taskName() && !heldIds.contains(work->zvwID()))
                return work;
        return nullptr;
    };

    // Creations that went without an answer first: what the service made of
    // them takes its id here, and the item goes up as a change instead of a
    // second creation. Should the ids not be written, nothing is sent.
    if (const OutstandingCreations outstanding = outstandingCreations(); outstanding.lastMark > 0) {
        TaskList unsent;
        for (const TaskPtr& item : locals)
            if (item->zvwID() == 0 && outstanding.keys.contains(item->primaryKey())) unsent.append(item);
        const std::optional<CreationPairs> pairs =
            pairSentCreations(unsent, works.remaining(), heldIds, false, outstanding.lastMark);
        if (!pairs) {
            if (!stoppedByFailure())
                reportServerError(writeFailureText());
            return;
        }
        for (const auto& [local, server] : *pairs) heldIds.insert(server->zvwID());
    }

    // First phase: every stored item against its server copy.
    {
        BatchedWrites unit;
        for (const TaskPtr& local : locals) {
            if (local->zvwID() == 0) {
                if (const TaskPtr note = sameTurnedNote(*local)) {
                    heldIds.insert(note->zvwID());
                    local->setZvwID(note->zvwID());
                    updateWork(note, local);
                    unit.wrote();
                    works.remove(note);
                    continue;
                }
                (local->parentId() == -1 ? newRoots : newChildren).append(local);
                continue;
            }
            const TaskPtr remote = works.first(local->zvwID());
            if (!remote) {
                // A download with refused records is not the whole list.
                if (!incomplete) leave(local);
                continue;
            }
            if (remote->lastUpdate() == local->lastUpdate()) {
                if (changedHere(local)) {
                    changed.append(local);
                } else if (!willUpdateRemoteOrder() && local->taskType() == 1 && local->taskOrder() != remote->taskOrder()) {
                    // The service's order, stored without marking the task changed.
                    local->setTaskOrder(remote->taskOrder());
                    local->setHasChanges(0);
                    write(local, "with the service's order");
                    unit.wrote();
                }
                if (local->parentId() > 0) calendarUpdate.append(local);
            } else if (remote->lastUpdate() > local->lastUpdate()) {
                if (remote->taskType() != local->taskType() || (remote->parentId() == -1 && local->parentId() > 0)) {
                    leave(local);
                    continue;  // the server item stays, stored anew by the third phase
                }
                if (changedHere(local))
                    qWarning().nospace() << "Item " << local->primaryKey() << " \"" << local->taskName()
                                         << "\": the service's newer copy replaces unsent local changes (local stamp "
                                         << local->lastUpdate() << ", service stamp " << remote->lastUpdate() << ")";
                if (remote->parentId() > 0 || remote->repeatType() == 0 || remote->taskType() == 1) {
                    if (!willUpdateRemoteOrder() && local->taskType() == 1) local->setTaskOrder(remote->taskOrder());
                    updateWork(remote, local);
                    // In the unit of the change, as an editor marks its own.
                    iCalSync::markStoreWriteDue(local);
                    unit.wrote();
                    const bool eligible = isCalendarEligible(*local);
                    if (remote->parentId() == -1 && !hasUID(*local)) {
                        if (eligible) (local->parentId() == -1 ? calendarInsert : calendarUpdate).append(local);
                    } else if (eligible) {
                        calendarUpdate.append(local);
                    } else {
                        leaveStore(local, calendarDelete);
                    }
                } else {
                    ExceptionMergeInput input;
                    input.serverText = remote->repeatExceptions();
                    input.localText = local->repeatExceptions();
                    input.localStart = local->startTime();
                    input.localChanged = changedHere(local);
                    input.serverExceptions = works.children(remote->zvwID());
                    const qint64 rootKey = local->primaryKey();
                    input.localOccurrence = [dataManager, rootKey](const Date& date) {
                        return dataManager->getExceptionEventWithParentID(rootKey, date);
                    };
                    const ExceptionMergeResult merged = mergeExceptions(input);
                    for (const TaskPtr& occurrence : merged.deleteLocal)
                        if (!occurrence->deleteFromDatabaseNoUpdate())
                            qWarning() << "The item merge could not delete changed occurrence" << occurrence->primaryKey();
                    for (const auto& [occurrence, zvwId] : merged.paired) {
                        occurrence->setZvwID(zvwId);
                        write(occurrence, "with its server id");
                        if (const TaskPtr listed = localByKey.value(occurrence->primaryKey())) listed->setZvwID(zvwId);
                    }
                    for (const qint64 zvwId : merged.queuedDeletions) queueServerDeletion(zvwId);
                    for (const auto& [zvwId, date] : merged.occurrences)
                        if (const TaskPtr item = works.first(zvwId)) item->setOccurrence(date);
                    remote->setRepeatExceptions(merged.text);
                    if (!merged.text.isEmpty()) calendarDelete.append(local->copy());
                    updateWork(remote, local);
                    iCalSync::markStoreWriteDue(local);
                    unit.wrote();

                    const bool eligible = isCalendarEligible(*local);
                    if (local->repeatExceptions().isEmpty()) {
                        if (eligible) {
                            calendarUpdate.append(local);
                        } else {
                            leaveStore(local, calendarDelete);
                        }
                    } else if (local->isRepeatForever() || local->occurrence() <= local->repeatEndDate()
                               || local->repeatExceptions().contains(QStringLiteral("(1)"))
                               || !isSeriesWhollyDeleted(*local)) {
                        if (eligible) calendarInsert.append(local);
                    } else if (!(local->taskType() == 0 && local->parentId() != -1)) {
                        const bool deleted = local->taskType() == 0
                                                 ? dataManager->doDeleteAllOperatorWithEvent(local, false, false) != nullptr
                                                 : dataManager->doDeleteTask(local, false, false);
                        if (!deleted) qWarning() << "The item merge could not delete item" << local->primaryKey();
                        setting->setZvwDeletedTasks(setting->zvwDeletedTasks() + QStringLiteral(",%1").arg(local->zvwID()));
                        if (!setting->dehydrate()) qWarning() << "The item merge could not save the pending deletions";
                        works.remove(remote);
                        continue;
                    }
                    changed.append(local);
                }
            }
            works.remove(remote);
        }
    }

    if (stoppedByFailure()) return;

    // Second phase: what goes to the service, then the local deletions.
    deleteWork();
    if (!newRoots.isEmpty()) addWorksFromList(newRoots, false);
    if (!newChildren.isEmpty()) addWorksFromList(newChildren, false);
    if (!changed.isEmpty()) updateWorksFromList(changed, false);
    for (const TaskPtr& item : gone) {
        // The store copy's removal is recorded in the unit of the delete; a
        // delete not kept leaves the item here and in the store.
        Transaction deletion;
        bool deleted = false;
        if (item->taskType() == 0 && item->parentId() == -1)
            deleted = dataManager->doDeleteAllOperatorWithEvent(item, false, false) != nullptr;
        else if (item->taskType() == 0)
            deleted = dataManager->doDeleteOnlyThisOperatorWithEvent(item, false, false, false) != nullptr;
        else
            deleted = dataManager->doDeleteTask(item, false, false);
        if (!deleted) {
            qWarning() << "The item merge could not delete item" << item->primaryKey();
            continue;
        }
        if (item->parentId() == -1 || item->taskType() != 0) {
            if (!iCalSync::recordStoreItemRemoval(item)) {
                qWarning() << "The item merge could not record the store removal of item" << item->primaryKey();
                continue;
            }
            calendarDelete.append(item);
            if (!dataManager->deleteAllUnLinks(item))
                qWarning() << "The links of deleted item" << item->primaryKey() << "could not be removed";
        }
        if (!deletion.commit()) qWarning() << "The item merge could not delete item" << item->primaryKey();
    }

    if (stoppedByFailure()) return;

    // Third phase: the server items new to the database, in list order.
    const TaskList fresh = works.remaining();
    WorkIndex freshIndex(fresh);
    {
        BatchedWrites unit;
        for (const TaskPtr& work : fresh) {
            if (work->taskType() == 0 && work->parentId() >= 1) {
                if (!dataManager->addNewTaskNeedSync(work, false)) {
                    qWarning() << "The item merge could not store changed occurrence" << work->zvwID();
                } else {
                    storedUnmarked(work);
                    if (isCalendarEligible(*work)) calendarUpdate.append(work);
                }
                unit.wrote();
                continue;
            }
            if (!work->repeatExceptions().isEmpty()) {
                const NewRootExceptions rebuilt = newRootExceptions(work->repeatExceptions(), freshIndex.children(work->zvwID()));
                work->setRepeatExceptions(rebuilt.text);
                for (const auto& [zvwId, date] : rebuilt.occurrences)
                    if (const TaskPtr item = freshIndex.first(zvwId)) item->setOccurrence(date);
            }
            const bool stored = !willUpdateRemoteOrder() && work->taskType() == 1
                                    ? dataManager->addNewTaskNeedSync(work, false, work->taskOrder())
                                    : dataManager->addNewTaskNeedSync(work, false);
            unit.wrote();
            if (!stored) {
                qWarning() << "The item merge could not store server item" << work->zvwID();
                continue;
            }
            storedUnmarked(work);
            if (isCalendarEligible(*work)) calendarInsert.append(work);
        }
    }
    setZvwWorkList(fresh);

    // End.
    if (willUpdateRemoteOrder()) updateTaskOrdersFromList(dataManager->getAllTasks());
    if (!setting->dehydrate()) qWarning() << "The item merge could not save the settings";
    if (stoppedByFailure()) return;
    if (iCalSync* calendar = dataManager->icalSync())
        calendar->backgroundOneWaySyncInsertToICalItemList(calendarInsert, calendarUpdate, calendarDelete);
}

void ZVWSync::updateTaskOrdersFromList(TaskList tasks)
{
    if (tasks.isEmpty()) return;
    setParseKey(9);
    // The answers of several requests go in one unit, opened only once they
    // are in: one commit per request made most of the upload's time.
    QList<QPair<TaskList, QJsonArray>> answers;
    const auto writeAnswers = [&] {
        if (answers.isEmpty()) return;
        Transaction unit;
        for (const auto& [batch, elements] : std::as_const(answers)) {
            const qsizetype answered = std::min(elements.size(), batch.size());
            for (qsizetype index = 0; index < answered; ++index) {
                const QJsonValue element = elements[index];
                if (!element.isObject() || element.toObject().contains(QStringLiteral("error"))) continue;
                const TaskPtr& item = batch[index];
                const bool clean = !item->dirty();
                if (const std::optional<qint64> stamp = ZVWReply::integer(element.toObject(), QStringLiteral("last_update")))
                    item->setLastUpdate(*stamp);
                item->setHasChanges(0);
                if (!clean)
                    write(item, "after its order upload");
                else if (!item->dehydrateWebAnswer(false))
                    qWarning() << "The item merge could not write item" << item->primaryKey() << "after its order upload";
            }
        }
        if (!unit.commit()) qWarning() << "The answered order upload could not be saved";
        answers.clear();
    };
    while (!tasks.isEmpty()) {
        const TaskList batch = tasks.mid(0, orderBatchSize);
        tasks.remove(0, batch.size());
        QJsonArray records;
        for (const TaskPtr& item : batch)
            records.append(QJsonObject{{QStringLiteral("id"), item->zvwID()},
                                       {QStringLiteral("order_number"), item->taskOrder()},
                                       {QStringLiteral("assignee_order"), item->taskOrder()}});
        const HttpReply reply = sendJson("PUT", dataAddress(QStringLiteral("tasks/update.json")), records);
        const ZVWReply::Records answer = ZVWReply::records(reply);
        if (answer.kind != ZVWReply::ListKind::Array) {
            qWarning() << "An order upload failed; its" << batch.size() << "tasks stay marked";
            continue;
        }
        answers.append({batch, answer.elements});
        if (answers.size() == answersPerUnit) writeAnswers();
    }
    writeAnswers();
    setParseKey(parseKeyNone);
}
