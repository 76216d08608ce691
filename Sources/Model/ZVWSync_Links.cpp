// Links exchanged with the web service: the download, the replace-all merge
// of a full pass, the uploads and the deletions.
#include "ZVWSync.h"

#include "Clock.h"
#include "CoreData.h"
#include "Link.h"
#include "Setting.h"
#include "TextTable.h"
#include "Transaction.h"
#include "Utilities.h"
#include "ZVWReply.h"
#include "ModelInternals.h"

#include <QDebug>
#include <QJsonDocument>
#include <QSet>

namespace {

// The local key of an item by its server id; -1 for an id that names no
// item here (ids below 1 never do: unsent items carry 0).
qint64 localItemKey(CoreData* dataManager, qint64 zvwId)
{
    if (zvwId < 1 || !dataManager) return -1;
    return dataManager->getItemLocalId(zvwId);
}

qint64 serverItemId(CoreData* dataManager, qint64 key)
{
    if (key < 1 || !dataManager) return -1;
    return dataManager->getZVWId(key);
}

quint64 pairKey(qint64 first, qint64 second)
{
    const qint64 low = std::min(first, second);
    const qint64 high = std::max(first, second);
    return (quint64(quint32(low)) << 32) | quint32(high);
}

}  // namespace

ZVWSync::LinkRecords ZVWSync::linksFromRecords(const QJsonArray& elements, const Date& now)
{
    LinkRecords read;
    read.links.reserve(elements.size());
    for (const QJsonValue& element : elements) {
        if (!element.isObject() || element.toObject().contains(QStringLiteral("error"))) {
            ++read.refused;
            continue;
        }
        const QJsonObject record = element.toObject();
        auto link = std::make_shared<Link>();
        link->setRootId(ZVWReply::integer32(record, QStringLiteral("root_id")).value_or(0));
        link->setTargetId(ZVWReply::integer32(record, QStringLiteral("target_id")).value_or(0));
        link->setZvwKey(ZVWReply::integer32(record, QStringLiteral("id")).value_or(0));
        link->setCreatedDate(now);
        if (const std::optional<qint64> stamp = ZVWReply::integer32(record, QStringLiteral("last_update")))
            link->setUpdatedDate(Utilities::fromDBDate(Date::dateWithTimeIntervalSince1970(double(*stamp))));
        else
            link->setUpdatedDate(now);
        read.links.append(link);
    }
    return read;
}

void ZVWSync::getLinksFromZVW()
{
    m_linkDownloadIncomplete = false;
    if (!errorDescription().isEmpty()) return;
    const HttpReply reply = sendRequest("GET", dataAddress(QStringLiteral("hyperlinks.json")), true);
    const ZVWReply::Records list = ZVWReply::records(reply);
    if (!acceptDownload(TextTable::localizedString(QStringLiteral("zvwLinksDownloadErrorText")), reply, list)) return;

    CoreData* dataManager = CoreData::shared();
    const SettingPtr setting = localSetting();
    const bool restoring = setting && setting->doRestore() != 0;
    if (list.elements.isEmpty() && !restoring && dataManager) {
        bool anyKeyed = false;
        for (const LinkPtr& link : dataManager->getAllLinks()) anyKeyed = anyKeyed || link->zvwKey() > 0;
        // Links synced before and none listed now: a fault of the service far
        // likelier than every link deleted elsewhere.
        if (anyKeyed) {
            reportServerError(TextTable::localizedString(QStringLiteral("zvwLinksEmptyText")));
            return;
        }
    }
    LinkRecords read = linksFromRecords(list.elements, Clock::now());
    if (read.refused > 0) {
        setIsError(true);
        m_linkDownloadIncomplete = true;
        qWarning() << "The links download held" << read.refused << "refused records; no link is unlinked for being absent from it";
    }
    setZvwLinkList(read.links);
}

void ZVWSync::syncLinksWithZVW()
{
    if (!errorDescription().isEmpty()) return;
    CoreData* dataManager = CoreData::shared();
    const SettingPtr setting = localSetting();
    if (!dataManager || !setting) return;

    addNewLinksFromZVWToLocal();
    if (deleteLinksWithURLString(QStringLiteral("0"))) {
        clearServerLinkKeys();
        replaceLinksFromLocalToZVW();
        if (!dataManager->deleteAllUnLinks()) qWarning() << "The links merge could not purge the unlinked rows";
    } else {
        qWarning() << "The service did not answer the deletion of its links; nothing is uploaded or purged in this pass";
    }
    setting->setZvwSyncTime(Clock::now());
    if (!setting->dehydrate()) qWarning() << "The links merge could not save the settings";
    setZvwLinkList({});
}

void ZVWSync::clearServerLinkKeys()
{
    CoreData* dataManager = CoreData::shared();
    if (!dataManager) return;
    // The service holds no link now: the local keys name nothing, and a
    // link whose upload fails must stay an unsent link, not one taken for
    // deleted on the web by the next merge.
    Transaction unit;
    for (const LinkPtr& link : dataManager->getAllLinks()) {
        if (link->zvwKey() == 0) continue;
        link->setZvwKey(0);
        if (!link->dehydrate()) qWarning() << "The web sync could not clear the key of link" << link->primaryKey();
    }
    if (!unit.commit()) qWarning() << "The web sync could not clear the links' server keys";
}

void ZVWSync::addNewLinksFromZVWToLocal()
{
    CoreData* dataManager = CoreData::shared();
    const SettingPtr setting = localSetting();
    if (!dataManager || !setting) return;
    const LinkList serverLinks = zvwLinkList();

    QSet<qint64> serverKeys;
    // The service's links by their two items (server ids): a key is renewed
    // by every full pass of another organizer, the items stay.
    QHash<quint64, qint64> serverKeyOfPair;
    for (const LinkPtr& link : serverLinks) {
        serverKeys.insert(link->zvwKey());
        serverKeyOfPair.insert(pairKey(link->rootId(), link->targetId()), link->zvwKey());
    }
    // A download with refused records is not the whole list.
    if (!m_linkDownloadIncomplete) {
        const bool restoring = setting->doRestore() != 0;
        for (const LinkPtr& link : dataManager->getAllLinks()) {
            // Only an active link can be unlinked (or sent again).
            if (link->status() != 0 || link->zvwKey() < 1 || serverKeys.contains(link->zvwKey())) continue;
            const qint64 rootId = serverItemId(dataManager, link->rootId());
            const qint64 targetId = serverItemId(dataManager, link->targetId());
            const auto renewed = rootId > 0 && targetId > 0 ? serverKeyOfPair.constFind(pairKey(rootId, targetId))
                                                            : serverKeyOfPair.constEnd();
            if (renewed != serverKeyOfPair.constEnd()) {
                link->setZvwKey(*renewed);
                if (!link->dehydrate()) qWarning() << "The renewed key of link" << link->primaryKey() << "could not be saved";
                continue;
            }
            if (restoring) {
                if (!dataManager->resetLinkZvwKey(link->rootId(), link->targetId()))
                    qWarning() << "Link" << link->primaryKey() << "could not be marked to be sent again";
            } else if (!dataManager->unLink(link->rootId(), link->targetId())) {
                qWarning() << "Link" << link->primaryKey() << "could not be removed";
            }
        }
    }

    QSet<qint64> storedKeys;
    QSet<quint64> unsentPairs;
    // Another organizer's full pass gives every link a new key: a link
    // removed here is known then by its two items only.
    QSet<quint64> removedPairs;
    for (const LinkPtr& link : dataManager->getAllLinks()) {
        if (link->zvwKey() != 0) storedKeys.insert(link->zvwKey());
        else unsentPairs.insert(pairKey(link->rootId(), link->targetId()));
        if (link->status() != 0) removedPairs.insert(pairKey(link->rootId(), link->targetId()));
    }
    for (const LinkPtr& server : serverLinks) {
        if (storedKeys.contains(server->zvwKey())) continue;
        const qint64 root = localItemKey(dataManager, server->rootId());
        const qint64 target = localItemKey(dataManager, server->targetId());
        if (root > 0 && target > 0 && unsentPairs.contains(pairKey(root, target))) continue;
        if (root > 0 && target > 0 && removedPairs.contains(pairKey(root, target))) continue;
        auto link = std::make_shared<Link>();
        link->setRootId(root);
        link->setTargetId(target);
        link->setCreatedDate(server->createdDate());
        link->setUpdatedDate(server->updatedDate());
        link->setZvwKey(server->zvwKey());
        if (!dataManager->insertLink(link)) {
            qWarning() << "The links merge could not store the service's link" << server->zvwKey();
            continue;
        }
        storedKeys.insert(server->zvwKey());
    }
}

void ZVWSync::replaceLinksFromLocalToZVW()
{
    CoreData* dataManager = CoreData::shared();
    if (!dataManager) return;
    dataManager->getValidLinks();
    LinkList uploads;
    for (const LinkPtr& link : dataManager->linkList()) {
        auto copy = std::make_shared<Link>(*link);
        copy->setRootId(serverItemId(dataManager, link->rootId()));
        copy->setTargetId(serverItemId(dataManager, link->targetId()));
        uploads.append(copy);
    }
    addLink(uploads);
    // The working list takes the keys the uploads wrote.
    dataManager->getValidLinks();
}

void ZVWSync::addLink(LinkList links)
{
    while (!links.isEmpty()) {
        LinkList batch;
        while (!links.isEmpty() && batch.size() < batchSize) {
            // A stop leaves the links not yet sent unsent.
            if (isBreak()) return;
            batch.append(links.takeFirst());
        }
        QJsonArray records;
        LinkList sent;
        for (const LinkPtr& link : batch) {
            // A link with an end unknown to the service cannot go up.
            if (link->rootId() < 1 || link->targetId() < 1) continue;
            records.append(QJsonObject{
                {QStringLiteral("root_id"), link->rootId()},
                {QStringLiteral("target_id"), link->targetId()},
                {QStringLiteral("last_update"),
                 qint64(Date::truncated(Utilities::toDBDate(link->updatedDate()).timeIntervalSince1970()))}});
            sent.append(link);
        }
        if (sent.isEmpty()) continue;
        addLinksWithURLBody(QJsonDocument(records).toJson(QJsonDocument::Compact), sent);
    }
}

void ZVWSync::addLinksWithURLBody(const QByteArray& body, const LinkList& linkList)
{
    if (body.isEmpty()) return;
    setParseKey(18);
    HttpRequest request;
    request.method = "POST";
    request.url = dataAddress(QStringLiteral("hyperlinks.json"));
    request.headerFields.append(qMakePair(QByteArray("Content-Type"), QByteArray("application/json")));
    request.body = body;
    const HttpReply reply = sendOnPass(request);
    const ZVWReply::Records answer = ZVWReply::records(reply);
    if (answer.kind != ZVWReply::ListKind::Array) {
        qWarning() << "A links upload failed (status" << reply.status << "); its" << linkList.size()
                   << "links stay unsent";
        setParseKey(parseKeyNone);
        return;
    }
    CoreData* dataManager = CoreData::shared();
    Transaction unit;
    const qsizetype answered = std::min(answer.elements.size(), linkList.size());
    for (qsizetype index = 0; index < answered; ++index) {
        const QJsonObject element = answer.elements[index].toObject();
        const std::optional<qint64> key = ZVWReply::integer32(element, QStringLiteral("id"));
        if (!key) continue;
        const LinkPtr& link = linkList[index];
        link->setZvwKey(*key);
        link->setRootId(localItemKey(dataManager, link->rootId()));
        link->setTargetId(localItemKey(dataManager, link->targetId()));
        if (!link->dehydrate()) qWarning() << "The key of uploaded link" << link->primaryKey() << "could not be saved";
    }
    if (!unit.commit()) qWarning() << "The answered links upload could not be saved";
    setParseKey(parseKeyNone);
}

bool ZVWSync::deleteLinksWithURLString(const QString& keys)
{
    return deleteLinks(keys, nullptr);
}

bool ZVWSync::deleteLinks(const QString& keys, QSet<qint64>* deleted)
{
    const HttpReply reply = sendRequest(
        "DELETE", dataAddress(QStringLiteral("hyperlinks/%1.json").arg(keys), QStringLiteral("&link_type=0")), true);
    const ZVWReply::Records answer = ZVWReply::records(reply);
    if (answer.kind != ZVWReply::ListKind::Array) {
        qWarning() << "A links deletion failed (status" << reply.status << ")";
        return false;
    }
    if (deleted)
        for (const QJsonObject& line : answer.records)
            if (const std::optional<QString> success = ZVWReply::text(line, QStringLiteral("success")))
                deleted->insert(ZVWReply::positiveId(success->trimmed().section(QLatin1Char(' '), 0, 0)));
    return true;
}

void ZVWSync::deleteRekeyedUnlinks(const LinkList& unlinks)
{
    CoreData* dataManager = CoreData::shared();
    if (unlinks.isEmpty() || !dataManager) return;
    QSet<quint64> pairs;
    for (const LinkPtr& link : unlinks) {
        const qint64 root = serverItemId(dataManager, link->rootId());
        const qint64 target = serverItemId(dataManager, link->targetId());
        if (root > 0 && target > 0) pairs.insert(pairKey(root, target));
    }
    if (pairs.isEmpty()) return;
    const HttpReply reply = sendRequest("GET", dataAddress(QStringLiteral("hyperlinks.json")), true);
    const ZVWReply::Records list = ZVWReply::records(reply);
    if (list.kind != ZVWReply::ListKind::Array) {
        qWarning() << "The service's links could not be read; links removed here may stay there";
        return;
    }
    QStringList keys;
    for (const LinkPtr& server : linksFromRecords(list.elements, Clock::now()).links)
        if (server->zvwKey() > 0 && pairs.contains(pairKey(server->rootId(), server->targetId())))
            keys.append(QString::number(server->zvwKey()));
    for (qsizetype from = 0; from < keys.size(); from += batchSize)
        deleteLinksWithURLString(keys.mid(from, batchSize).join(QLatin1Char(',')));
}

void ZVWSync::deleteUnlinks()
{
    CoreData* dataManager = CoreData::shared();
    if (!dataManager) return;
    const LinkList unlinks = dataManager->getUnlinks();
    if (unlinks.isEmpty()) return;
    setParseKey(19);
    LinkList purgeable;
    LinkList keyed;
    LinkList rekeyed;
    for (const LinkPtr& link : unlinks) (link->zvwKey() >= 1 ? keyed : purgeable).append(link);
    while (!keyed.isEmpty()) {
        LinkList batch;
        QStringList keys;
        bool stopped = false;
        while (!keyed.isEmpty() && batch.size() < batchSize) {
            if (isBreak()) {
                stopped = true;
                break;
            }
            keys.append(QString::number(keyed.first()->zvwKey()));
            batch.append(keyed.takeFirst());
        }
        QSet<qint64> deleted;
        if (!batch.isEmpty() && deleteLinks(keys.join(QLatin1Char(',')), &deleted)) {
            purgeable.append(batch);
            // A key the service no longer knows was renewed by another
            // organizer's full pass: the link goes by its two items.
            for (const LinkPtr& link : std::as_const(batch))
                if (!deleted.contains(link->zvwKey())) rekeyed.append(link);
        }
        if (stopped) break;
    }
    deleteRekeyedUnlinks(rekeyed);
    Transaction unit;
    for (const LinkPtr& link : purgeable)
        if (!link->deleteFromDatabase()) qWarning() << "Unlinked row" << link->primaryKey() << "could not be purged";
    if (!unit.commit()) qWarning() << "The unlinked rows could not be purged";
    setParseKey(parseKeyNone);
}
