// Tags exchanged with the web service, matched by name.
#include "ZVWSync.h"

#include "Clock.h"
#include "CoreData.h"
#include "Setting.h"
#include "Tag.h"
#include "TextTable.h"
#include "ZVWReply.h"
#include "ModelInternals.h"

#include <QDebug>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSet>

#include <algorithm>

namespace {

}  // namespace

// Removes one ",<id>" entry for each id from a pending-deletion text; the
// entries recorded meanwhile stay.
QString ZVWSync::withoutPendingIds(const QString& pending, const QStringList& ids)
{
    QStringList entries = pending.split(QLatin1Char(','));
    for (const QString& id : ids) {
        const qsizetype at = entries.indexOf(id, 1);
        if (at > 0) entries.removeAt(at);
    }
    if (entries.size() <= 1) return QString();
    return entries.join(QLatin1Char(','));
}

void ZVWSync::getTagsFromZVW()
{
    m_tagDownloadIncomplete = false;
    if (!errorDescription().isEmpty()) return;
    const HttpReply reply = sendRequest("GET", dataAddress(QStringLiteral("tags.json")), true);
    setZvwTagList({});
    const ZVWReply::Records list = ZVWReply::records(reply);
    if (!acceptDownload(TextTable::localizedString(QStringLiteral("zvwTagsDownloadErrorText")), reply, list)) return;
    TagList tags;
    for (const QJsonObject& record : list.records) tags.append(ZVWReply::tag(record));
    if (list.refused > 0) {
        setIsError(true);
        m_tagDownloadIncomplete = true;
        qWarning() << "The tags download held" << list.refused << "refused records; no tag is deleted in this pass";
    }
    setZvwTagList(tags);
}

bool ZVWSync::acceptDownload(const QString& stepText, const HttpReply& reply, const ZVWReply::Records& list)
{
    QString reason;
    switch (list.kind) {
    case ZVWReply::ListKind::Array: return true;
    case ZVWReply::ListKind::TransportFailure: reason = reply.errorText; break;
    case ZVWReply::ListKind::BadStatus:
        reason = TextTable::localizedString(QStringLiteral("zvwStatusErrorText")).arg(reply.status);
        break;
    case ZVWReply::ListKind::ErrorObject:
        reason = TextTable::localizedString(QStringLiteral("zvwErrorCodeText")).arg(list.errorCode.value_or(-1));
        if (ZVWReply::isAccountRefusal(list.errorCode))
            fireErrorWhenSync(QJsonObject{{QStringLiteral("error"), *list.errorCode}});
        break;
    case ZVWReply::ListKind::NotAnArray:
        reason = TextTable::localizedString(QStringLiteral("zvwNotAListText"));
        break;
    }
    qWarning().nospace() << "Web service download failed (" << stepText << ", status " << reply.status << ", "
                         << reply.body.size() << " bytes)";
    reportServerError(QString(stepText).arg(reason));
    return false;
}

void ZVWSync::syncTagsWithZVW()
{
    if (!errorDescription().isEmpty()) return;
    CoreData* dataManager = CoreData::shared();
    const SettingPtr setting = localSetting();
    if (!dataManager || !setting) return;
    const TagList localTags = dataManager->tagList();
    TagList serverTags = zvwTagList();
    const bool restoring = setting->doRestore() != 0;

    // An empty list against tags that were synced before is far likelier a
    // fault of the service than the user's deleting every tag elsewhere.
    const bool anySynced =
        std::any_of(localTags.cbegin(), localTags.cend(), [](const TagPtr& tag) { return tag->zvwKey() > 0; });
    if (serverTags.isEmpty() && !m_tagDownloadIncomplete && anySynced && !restoring) {
        reportServerError(TextTable::localizedString(QStringLiteral("zvwTagsEmptyText")));
        return;
    }

    QHash<QString, QList<qsizetype>> byKey;
    for (qsizetype i = 0; i < serverTags.size(); ++i) byKey[matchKey(serverTags[i]->tagName())].append(i);
    QList<bool> taken(serverTags.size(), false);

    TagList uploads;
    for (const TagPtr& tag : localTags) {
        bool matched = false;
        auto found = byKey.find(matchKey(tag->tagName()));
        if (found != byKey.end()) {
            while (!found->isEmpty()) {
                const qsizetype at = found->takeFirst();
                if (taken[at]) continue;
                taken[at] = true;
                tag->setZvwKey(serverTags[at]->zvwKey());
                if (!tag->dehydrate()) qWarning() << "The web sync could not save tag" << tag->primaryKey();
                matched = true;
                break;
            }
        }
        if (matched) continue;
        if (tag->zvwKey() > 0) {
            if (m_tagDownloadIncomplete) {
                qWarning() << "Tag" << tag->primaryKey() << "is missing from an incomplete download; it is kept";
            } else if (restoring) {
                tag->setZvwKey(0);
                uploads.append(tag);
            } else if (!dataManager->doDeleteTagFromZVW(tag, false)) {
                qWarning() << "The web sync could not delete tag" << tag->primaryKey();
            }
        } else {
            uploads.append(tag);
        }
    }

    // A tag deleted here is not brought back while its deletion is pending.
    QSet<qint64> pending;
    for (const QString& entry : setting->zvwDeletedTag().split(QLatin1Char(','), Qt::SkipEmptyParts))
        if (const qint64 id = ZVWReply::positiveId(entry)) pending.insert(id);
    TagList newTags;
    for (qsizetype i = 0; i < serverTags.size(); ++i)
        if (!taken[i] && !pending.contains(serverTags[i]->zvwKey())) newTags.append(serverTags[i]);

    addTag(uploads);
    deleteTag();
    for (const TagPtr& tag : std::as_const(newTags)) {
        if (tag->tagName().trimmed().isEmpty()) {
            qWarning() << "A service tag without a name is not added, id" << tag->zvwKey();
            continue;
        }
        if (!dataManager->insertTagIfNA(tag->tagName(), tag->zvwKey()))
            qWarning() << "Service tag" << tag->zvwKey() << "could not be stored";
    }
    setZvwTagList({});
}

void ZVWSync::addTag(TagList& tags)
{
    while (!tags.isEmpty()) {
        TagList batch;
        QJsonArray body;
        while (!tags.isEmpty() && batch.size() < batchSize) {
            if (isBreak()) return;
            const TagPtr tag = tags.takeFirst();
            batch.append(tag);
            body.append(QJsonObject{{QStringLiteral("name"), tag->tagName()}});
        }
        addTagsWithURLBody(QJsonDocument(body).toJson(QJsonDocument::Compact), batch);
    }
}

void ZVWSync::addTagsWithURLBody(const QByteArray& body, const TagList& tags)
{
    if (body.isNull()) return;
    HttpRequest request;
    request.method = "POST";
    request.url = dataAddress(QStringLiteral("tags.json"));
    request.headerFields.append(qMakePair(QByteArray("Content-Type"), QByteArray("application/json")));
    request.body = body;
    const HttpReply reply = m_passSession.send(request);
    const ZVWReply::Records answer = ZVWReply::records(reply);
    if (answer.kind != ZVWReply::ListKind::Array) {
        if (answer.kind != ZVWReply::ListKind::TransportFailure)
            qWarning() << "Web service reply to a tags upload not usable, status" << reply.status;
        return;
    }
    const qsizetype count = std::min<qsizetype>(answer.elements.size(), tags.size());
    for (qsizetype i = 0; i < count; ++i) {
        const QJsonObject element = answer.elements.at(i).toObject();
        if (element.contains(QStringLiteral("error"))) continue;
        const std::optional<qint64> id = ZVWReply::integer32(element, QStringLiteral("id"));
        if (!id) continue;
        tags[i]->setZvwKey(*id);
        if (!tags[i]->dehydrate()) qWarning() << "The web sync could not save tag" << tags[i]->primaryKey();
    }
}

void ZVWSync::deleteTag()
{
    const SettingPtr setting = localSetting();
    if (!setting) return;
    QStringList ids = setting->zvwDeletedTag().split(QLatin1Char(','));
    if (ids.size() < 2) return;
    ids.removeFirst();
    // Entries that leave the queue: those the service took and those that
    // are no id at all.
    QStringList done;
    while (!ids.isEmpty()) {
        QStringList batch;
        while (!ids.isEmpty() && batch.size() < batchSize) {
            if (isBreak()) {
                ids.clear();
                break;
            }
            const QString id = ids.takeFirst();
            if (ZVWReply::positiveId(id) > 0)
                batch.append(id);
            else
                done.append(id);
        }
        if (!batch.isEmpty() && deleteTagsWithURLString(batch.join(QLatin1Char(',')))) done += batch;
    }
    // The user may have deleted tags meanwhile: only the settled entries go.
    setting->setZvwDeletedTag(withoutPendingIds(setting->zvwDeletedTag(), done));
    if (!setting->dehydrate()) qWarning() << "The web sync could not save the pending tag deletions";
}

bool ZVWSync::deleteTagsWithURLString(const QString& ids)
{
    if (!ZVWReply::isDeletionIdList(ids)) {
        qWarning() << "Not a list of tag ids, nothing is deleted:" << ids.left(80);
        return false;
    }
    const HttpReply reply = sendRequest("DELETE", dataAddress(QStringLiteral("tags/%1.json").arg(ids)), true);
    if (reply.transportFailed() || !reply.hasSuccessStatus()) {
        qWarning() << "A tags deletion failed; its ids stay pending (status" << reply.status << ")";
        return false;
    }
    return true;
}

void ZVWSync::oneWayAutoSyncTags()
{
    if (!errorDescription().isEmpty()) return;
    CoreData* dataManager = CoreData::shared();
    const SettingPtr setting = localSetting();
    if (!dataManager || !setting || !makeZvwKeyAPI()) {
        if (setting) qWarning() << "No web service token: the tags are not pushed";
        webSyncBusy = false;
        return;
    }
    TagList uploads;
    for (const TagPtr& tag : dataManager->tagList())
        if (tag->zvwKey() == 0) uploads.append(tag);
    addTag(uploads);
    deleteTag();
    setting->setZvwSyncTime(Clock::now());
    if (!setting->dehydrate()) qWarning() << "The web sync could not save the settings";
    webSyncBusy = false;
}
