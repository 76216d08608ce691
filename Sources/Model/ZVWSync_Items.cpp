// Items exchanged with the web service: the download, the uploads of new and
// changed items, and the deletions of items deleted here.
#include "ZVWSync.h"

#include "Calendar.h"
#include "Clock.h"
#include "CoreData.h"
#include "QueryStatement.h"
#include "RecordGuard.h"
#include "Setting.h"
#include "Task.h"
#include "TextTable.h"
#include "Transaction.h"
#include "Utilities.h"
#include "ZVWReply.h"
#include "ModelInternals.h"

#include <QDebug>
#include <QJsonDocument>

#include <algorithm>

namespace {

const QString itemFields = QStringLiteral(
    "id,title,url,tags,location,task_type,start_time,end_time,timezone_key,due,duration,completed,completed_date,"
    "star,ade,last_update,alerts,repeat,category_id,group_id,order_number,content,shared,stask,assignee_email,"
    "delegate_status,meeting_invite_flag,shared_date,assignee_order");

bool anyStoredItemOnService()
{
    RecordGuard guard;
    QueryStatement query("SELECT primaryKey FROM Tasks WHERE zvwId > 0 LIMIT 1");
    return query.firstInt64().has_value();
}

void savePendingDeletions(const SettingPtr& setting)
{
    if (!setting->dehydrate()) qWarning() << "The web sync could not save the pending item deletions";
}

HttpRequest bodyRequest(const QByteArray& method, const QString& url, const QByteArray& body)
{
    HttpRequest request;
    request.method = method;
    request.url = url;
    request.headerFields.append(qMakePair(QByteArray("Content-Type"), QByteArray("application/json")));
    request.body = body;
    return request;
}

QString refusalText(const QJsonValue& element)
{
    if (!element.isObject()) return QStringLiteral("not a record");
    const QJsonValue error = element.toObject().value(QStringLiteral("error"));
    if (error.isString()) return error.toString().left(120);
    return QString::fromUtf8(QJsonDocument(QJsonArray{error}).toJson(QJsonDocument::Compact)).left(120);
}

// Marks the items' creation as sent at `sentAt`: one row for the request.
// The row's key (0 for no items); nothing when it could not be written.
std::optional<qint64> markCreations(const TaskList& items, qint64 sentAt)
{
    if (items.isEmpty()) return 0;
    QStringList keys;
    keys.reserve(items.size());
    for (const TaskPtr& item : items) keys.append(QString::number(item->primaryKey()));
    RecordGuard guard;
    QueryStatement insert("INSERT INTO WebCreationsSent (sentTime, itemKeys) VALUES (?, ?)");
    insert.bind(1, sentAt).bind(2, keys.join(QLatin1Char(',')));
    if (!insert.execute("The web sync could not mark an item creation as sent")) return std::nullopt;
    QueryStatement row("SELECT last_insert_rowid()");
    return row.firstInt64();
}

// The request answered: its items have their ids (or were refused).
void unmarkCreations(qint64 mark)
{
    if (mark <= 0) return;
    RecordGuard guard;
    QueryStatement remove("DELETE FROM WebCreationsSent WHERE primaryKey = ?");
    remove.bind(1, mark).execute("The web sync could not take the mark of an answered item creation away");
}

qint64 creationTime()
{
    return std::max<qint64>(1, qint64(Date::truncated(Utilities::toDBDate(Clock::now()).timeIntervalSince1970())));
}

// What pairs an item with the service's copy of it: kind, category, title
// (as the service keeps it, trimmed) and times, in whole stored seconds.
QString creationKey(qint64 kind, qint64 category, const QString& title, qint64 start, qint64 end)
{
    return QStringLiteral("%1|%2|%3|%4|").arg(kind).arg(category).arg(start).arg(end) + title;
}

qint64 storedSecondsOf(const Date& date)
{
    return date.isNull() ? 0 : qint64(Utilities::toDBDate(date).timeIntervalSince1970());
}

// One item per server id: an id listed twice in one download would be
// stored twice. The copy with the greatest stamp is kept, in the place of
// the first (the first on equal stamps). Items without an id are all kept.
void keepOnePerId(TaskList& items)
{
    QHash<qint64, qsizetype> firstAt;
    TaskList kept;
    kept.reserve(items.size());
    qsizetype dropped = 0;
    for (const TaskPtr& item : std::as_const(items)) {
        if (item->zvwID() == 0) {
            kept.append(item);
            continue;
        }
        const auto found = firstAt.constFind(item->zvwID());
        if (found == firstAt.constEnd()) {
            firstAt.insert(item->zvwID(), kept.size());
            kept.append(item);
            continue;
        }
        ++dropped;
        if (item->lastUpdate() > kept[*found]->lastUpdate()) kept[*found] = item;
    }
    if (dropped == 0) return;
    qWarning() << "The items download listed" << dropped << "records a second time under the same id; one of each is kept";
    items = kept;
}

}  // namespace

// ---------------------------------------------------------------------------
// Download

namespace {

QString itemsQuery()
{
    return QStringLiteral("&lastupdate=0&fields=") + itemFields + QStringLiteral("&type=1,2,3,4&get_share=1");
}

}  // namespace

void ZVWSync::getItemsFromZVW()
{
    m_itemDownloadIncomplete = false;
    if (!errorDescription().isEmpty()) return;
    const HttpReply reply = sendRequest("GET", dataAddress(QStringLiteral("tasks.json"), itemsQuery()), true);
    const ZVWReply::Records list = ZVWReply::records(reply);
    // A failed download keeps the last list away from the merge: the pass stops here.
    if (!acceptDownload(TextTable::localizedString(QStringLiteral("zvwItemsDownloadErrorText")), reply, list)) return;

    const SettingPtr setting = localSetting();
    const bool restoring = setting && setting->doRestore() != 0;
    // An empty list against items that were synced before is far likelier a
    // fault of the service than the user's deleting every item elsewhere.
    if (list.elements.isEmpty() && !restoring && anyStoredItemOnService()) {
        reportServerError(TextTable::localizedString(QStringLiteral("zvwItemsEmptyText")));
        return;
    }
    ItemRecords read = itemsFromRecords(list.elements, itemReadingFromData());
    keepOnePerId(read.items);
    if (read.refused > 0) {
        setIsError(true);
        m_itemDownloadIncomplete = true;
        qWarning() << "The items download held" << read.refused
                   << "refused records; no item is deleted for being absent from it";
    }
    setZvwWorkList(read.items);
}

std::optional<TaskList> ZVWSync::serviceItemsForPairing()
{
    const HttpReply reply = sendOnPass([this] {
        HttpRequest request;
        request.method = "GET";
        request.url = dataAddress(QStringLiteral("tasks.json"), itemsQuery());
        request.headerFields.append(qMakePair(QByteArray("Content-Type"), QByteArray("application/json")));
        return request;
    }());
    const ZVWReply::Records list = ZVWReply::records(reply);
    if (list.kind != ZVWReply::ListKind::Array) {
        qWarning() << "The items download for the unanswered creations failed (status" << reply.status << reply.errorText
                   << "); they wait for the next pass";
        return std::nullopt;
    }
    ItemRecords read = itemsFromRecords(list.elements, itemReadingFromData());
    keepOnePerId(read.items);
    return read.items;
}

ZVWSync::OutstandingCreations ZVWSync::outstandingCreations()
{
    OutstandingCreations outstanding;
    RecordGuard guard;
    QueryStatement query("SELECT primaryKey, itemKeys FROM WebCreationsSent");
    while (query.nextRow()) {
        outstanding.lastMark = std::max<qint64>(outstanding.lastMark, sqlite3_column_int64(query.get(), 0));
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(query.get(), 1));
        for (const QByteArray& key : QByteArray(text ? text : "").split(','))
            if (const qint64 value = key.toLongLong(); value > 0) outstanding.keys.insert(value);
    }
    return outstanding;
}

std::optional<ZVWSync::CreationPairs> ZVWSync::pairSentCreations(const TaskList& unsent, const TaskList& serverItems,
                                                                 const QSet<qint64>& heldIds, bool needUpdate,
                                                                 qint64 lastMark)
{
    CreationPairs pairs;
    // What the service made that no stored item holds, in the service's order.
    QHash<QString, TaskList> made;
    for (const TaskPtr& server : serverItems) {
        if (server->zvwID() < 1 || heldIds.contains(server->zvwID())) continue;
        made[creationKey(server->taskType(), server->calendarId(), server->taskName(),
                         storedSecondsOf(server->startTime()), storedSecondsOf(server->dueEnd()))]
            .append(server);
    }
    for (const TaskPtr& local : unsent) {
        const Date end = local->taskType() == ItemKind::Event ? local->endTime() : local->dueEnd();
        const auto found = made.find(creationKey(local->taskType(), local->calendarId(), ZVWReply::trimmedName(local->taskName()),
                                                 storedSecondsOf(startAsReadBack(*local)), storedSecondsOf(end)));
        if (found == made.end() || found->isEmpty()) continue;
        pairs.append({local, found->takeFirst()});
    }

    // The marks read go with the ids: what is not paired is created anew.
    Transaction unit;
    TaskList paired;
    bool written = unit.isOpen();
    for (const auto& [local, server] : std::as_const(pairs)) {
        if (!written) break;
        unit.keep(local);
        local->setZvwID(server->zvwID());
        local->setLastUpdate(server->lastUpdate());
        written = local->dehydrateUpdateOption(needUpdate);
        paired.append(local);
    }
    if (written) {
        RecordGuard guard;
        QueryStatement remove("DELETE FROM WebCreationsSent WHERE primaryKey <= ?");
        written = remove.bind(1, lastMark).execute("The web sync could not take the marks of item creations away");
    }
    if (!written || !unit.commit()) {
        qWarning() << "The web sync could not write the ids of" << pairs.size() << "items whose creation went unanswered";
        return std::nullopt;
    }
    qInfo() << pairs.size() << "items whose creation went unanswered take the ids of what the service made of them,"
            << unsent.size() - pairs.size() << "are created";
    return pairs;
}

TaskPtr ZVWSync::findTaskWithZVWKey(qint64 zvwKey) const
{
    std::lock_guard lock(m_stateMutex);
    const auto found = std::find_if(m_zvwWorkList.cbegin(), m_zvwWorkList.cend(),
                                    [zvwKey](const TaskPtr& item) { return item->zvwID() == zvwKey; });
    return found == m_zvwWorkList.cend() ? nullptr : *found;
}

// ---------------------------------------------------------------------------
// Uploads

void ZVWSync::addWorksFromList(TaskList& works, bool needUpdate)
{
    uploadWorks(works, needUpdate, true);
}

void ZVWSync::updateWorksFromList(TaskList& works, bool needUpdate)
{
    uploadWorks(works, needUpdate, false);
}

void ZVWSync::uploadWorks(TaskList& works, bool needUpdate, bool create)
{
    // The answers of several update requests are written in one unit: a
    // commit waits for the disk, and one per request made most of an
    // upload's time. An update answered and not yet written is only sent
    // again. A creation is marked as sent before its request goes, in the
    // unit that writes the answers to the one before: a creation whose
    // answer is lost (a crash, a time-out) is then paired by the next pass
    // with what the service made, not sent a second time. The unit is
    // opened only once the answers are in, so no request is sent while the
    // record lock is held.
    struct Answer {
        HttpReply reply;
        TaskList sent;
        qint64 mark = 0;
    };
    QList<Answer> answers;
    const qint64 sentAt = create ? creationTime() : 0;
    // False once the answers or the marks could not be written (a full
    // disk): nothing more is sent, the rest stays marked for the next upload.
    qint64 mark = 0;
    const auto writeAnswers = [&](const TaskList& toMark) {
        if (answers.isEmpty() && toMark.isEmpty()) return true;
        Transaction unit;
        for (const Answer& answer : std::as_const(answers))
            writeBackWorks(answer.reply, answer.sent, needUpdate, create, answer.mark);
        const std::optional<qint64> marked = markCreations(toMark, sentAt);
        mark = marked.value_or(0);
        const bool written = marked && unit.commit();
        if (!written)
            qWarning() << "The web sync could not save the answers to" << answers.size() << "item requests"
                       << (toMark.isEmpty() ? "" : "and the marks of the next creation; it is not sent");
        answers.clear();
        return written;
    };
    while (!works.isEmpty()) {
        TaskList batch;
        batch.reserve(std::min(batchSize, works.size()));
        bool stopped = false;
        while (!works.isEmpty() && batch.size() < batchSize) {
            // A stop leaves the batch taken so far unsent, its items still marked.
            if (isBreak()) {
                stopped = true;
                break;
            }
            batch.append(works.takeFirst());
        }
        if (stopped) break;
        const TaskList sent = create ? creatableWorks(batch) : batch;
        if (create && !writeAnswers(sent)) return;
        const QByteArray body = worksBody(sent, needUpdate, create);
        setParseKey(create ? 8 : 9);
        answers.append({sendOnPass(bodyRequest(create ? "POST" : "PUT",
                                               dataAddress(create ? QStringLiteral("tasks.json")
                                                                  : QStringLiteral("tasks/update.json")),
                                               body)),
                        sent, mark});
        setParseKey(parseKeyNone);
        if (!create && answers.size() == answersPerUnit && !writeAnswers({})) return;
    }
    writeAnswers({});
}

TaskList ZVWSync::creatableWorks(const TaskList& batch) const
{
    CoreData* dataManager = CoreData::shared();
    TaskList creatable;
    creatable.reserve(batch.size());
    for (const TaskPtr& item : batch) {
        const CalendarPtr category = dataManager ? dataManager->calendarWithPrimaryKey(item->calendarId()) : nullptr;
        // The owner of a shared category creates its items, never this side.
        if (!category || !category->isShared()) creatable.append(item);
    }
    return creatable;
}

QByteArray ZVWSync::worksBody(const TaskList& items, bool needUpdate, bool create) const
{
    CoreData* dataManager = CoreData::shared();
    QJsonArray records;
    for (const TaskPtr& item : items) {
        const CalendarPtr category = dataManager ? dataManager->calendarWithPrimaryKey(item->calendarId()) : nullptr;
        const qint64 categoryId = category ? category->zvwProjectId() : 0;
        if (create) {
            qint64 groupId = 0;
            if (item->parentId() != -1 && dataManager) groupId = std::max<qint64>(0, dataManager->getZVWId(item->parentId()));
            records.append(itemCreateRecord(*item, categoryId, groupId, willUpdateRemoteOrder()));
        } else {
            records.append(itemUpdateRecord(*item, categoryId, !needUpdate));
        }
    }
    return QJsonDocument(records).toJson(QJsonDocument::Compact);
}

void ZVWSync::addWorksWithURLBody(const QByteArray& body, const TaskList& worksList, bool needUpdate)
{
    const std::optional<qint64> mark = markCreations(worksList, creationTime());
    if (!mark) return;
    setParseKey(8);
    const HttpReply reply = sendOnPass(bodyRequest("POST", dataAddress(QStringLiteral("tasks.json")), body));
    writeBackWorks(reply, worksList, needUpdate, true, *mark);
    setParseKey(parseKeyNone);
}

void ZVWSync::updateWorksWithURLBody(const QByteArray& body, const TaskList& tasksList, bool needUpdate)
{
    setParseKey(9);
    const HttpReply reply = sendOnPass(bodyRequest("PUT", dataAddress(QStringLiteral("tasks/update.json")), body));
    writeBackWorks(reply, tasksList, needUpdate, false);
    setParseKey(parseKeyNone);
}

void ZVWSync::writeBackWorks(const HttpReply& reply, const TaskList& items, bool needUpdate, bool create, qint64 mark)
{
    const char* kind = create ? "creation" : "update";
    const ZVWReply::Records answer = ZVWReply::records(reply);
    if (answer.kind != ZVWReply::ListKind::Array) {
        qWarning().nospace() << "An item " << kind << " request failed (status " << reply.status << ", "
                             << reply.errorText << "); its " << items.size() << " items stay marked for the next upload";
        return;
    }
    if (answer.elements.size() > items.size())
        qWarning().nospace() << "The reply to an item " << kind << " holds " << answer.elements.size()
                             << " records for " << items.size() << " items; the extra ones are ignored";
    const qsizetype answered = std::min(answer.elements.size(), items.size());
    const SettingPtr setting = localSetting();
    const QString userName = setting ? setting->zvwUserName() : QString();

    // The answered items are written in one unit: all of them, or none.
    Transaction unit;
    if (!unit.isOpen()) {
        qWarning() << "The web sync could not start writing the answered items";
        return;
    }

    for (qsizetype index = 0; index < answered; ++index) {
        const QJsonValue element = answer.elements.at(index);
        const TaskPtr& item = items.at(index);
        if (!element.isObject() || element.toObject().contains(QStringLiteral("error"))) {
            qWarning().noquote() << QStringLiteral("The web service refused the %1 of item %2 (%3); it stays marked "
                                                   "for the next upload")
                                        .arg(QLatin1String(kind))
                                        .arg(item->primaryKey())
                                        .arg(refusalText(element));
            continue;
        }
        const QJsonObject record = element.toObject();
        unit.keep(item);
        // What the answer changes is all there is to write of an item that
        // was as its row holds it (the usual case).
        const bool clean = !item->dirty();
        if (create) {
            if (const auto id = ZVWReply::integer(record, QStringLiteral("id"))) item->setZvwID(*id);
        }
        if (const auto stamp = ZVWReply::integer(record, QStringLiteral("last_update"))) item->setLastUpdate(*stamp);
        if (create && willUpdateRemoteOrder()) {
            const bool ownSharedTask = item->taskType() == ItemKind::Task && item->isShared() && !userName.isEmpty()
                                       && item->assigneeEmail().compare(userName, Qt::CaseInsensitive) == 0;
            const auto order =
                ZVWReply::integer(record, ownSharedTask ? QStringLiteral("assignee_order") : QStringLiteral("order_number"));
            if (order) item->setTaskOrder(*order);
        }
        item->setHasChanges(0);
        if (!(clean ? item->dehydrateWebAnswer(needUpdate) : item->dehydrateUpdateOption(needUpdate))) break;
    }
    // Every item of the request answered: none of its creations is outstanding.
    if (answered == items.size()) unmarkCreations(mark);
    if (!unit.commit())
        qWarning().nospace() << "The web sync could not save the answers to an item " << kind
                             << "; the items stay marked for the next upload";
}

// ---------------------------------------------------------------------------
// Deletions

void ZVWSync::deleteItemsInLocal()
{
    if (!errorDescription().isEmpty()) return;
    const SettingPtr setting = localSetting();
    if (!setting) return;
    QStringList ids = setting->zvwDeletedTasks().split(QLatin1Char(','));
    if (ids.size() <= 1) return;
    ids.removeFirst();

    QStringList valid;
    QStringList dropped;
    for (const QString& id : std::as_const(ids)) (ZVWReply::positiveId(id) > 0 ? valid : dropped).append(id);
    if (!dropped.isEmpty()) {
        // Anything but an id would end up in a request address.
        qWarning() << "Pending item deletions that are not ids are dropped:" << dropped.join(QLatin1Char(',')).left(120);
        setting->setZvwDeletedTasks(withoutPendingIds(setting->zvwDeletedTasks(), dropped));
        savePendingDeletions(setting);
    }
    QStringList group;
    for (const QString& id : std::as_const(valid)) {
        if (isBreak()) return;
        group.append(id);
        if (group.size() == batchSize) {
            deleteWork(group.join(QLatin1Char(',')));
            group.clear();
        }
    }
    if (!group.isEmpty()) deleteWork(group.join(QLatin1Char(',')));
}

void ZVWSync::deleteWork()
{
    const SettingPtr setting = localSetting();
    if (!setting) return;
    QStringList ids = setting->zvwDeletedTasks().split(QLatin1Char(','));
    if (ids.size() < 2) return;
    ids.removeFirst();
    QStringList batch;
    for (const QString& id : std::as_const(ids)) {
        if (isBreak()) return;
        // The others stay pending: this pass does not judge them.
        if (ZVWReply::positiveId(id) <= 0) continue;
        batch.append(id);
        if (batch.size() == batchSize) {
            deleteWork(batch.join(QLatin1Char(',')));
            batch.clear();
        }
    }
    if (!batch.isEmpty()) deleteWork(batch.join(QLatin1Char(',')));
}

void ZVWSync::deleteWork(const QString& ids)
{
    const QStringList sent = ids.split(QLatin1Char(','));
    if (ids.isEmpty() || !std::all_of(sent.cbegin(), sent.cend(), [](const QString& id) { return ZVWReply::positiveId(id) > 0; })) {
        qWarning() << "Not a list of item ids, nothing is deleted:" << ids.left(80);
        return;
    }
    setParseKey(7);
    setCurrentUsingWorks({});
    const HttpReply reply = sendRequest("DELETE", dataAddress(QStringLiteral("tasks/%1.json").arg(ids)), true);
    if (reply.transportFailed() || !reply.hasSuccessStatus()) {
        qWarning() << "An items deletion failed; its ids stay pending (status" << reply.status << reply.errorText << ")";
        setParseKey(parseKeyNone);
        return;
    }
    // Only the ids this request named leave the pending list.
    QStringList answered = ZVWReply::answeredIds(reply);
    answered.removeIf([&sent](const QString& id) { return !sent.contains(id); });
    setCurrentUsingWorks(answered);
    if (const SettingPtr setting = localSetting()) {
        setting->setZvwDeletedTasks(withoutPendingIds(setting->zvwDeletedTasks(), answered));
        savePendingDeletions(setting);
    }
    setCurrentUsingWorks({});
    setParseKey(parseKeyNone);
}
