// Comments on shared items and categories: the service's own, only received.
#include "ZVWSync.h"

#include "CoreData.h"
#include "Setting.h"
#include "TextTable.h"
#include "Transaction.h"
#include "ZVComment.h"
#include "ZVWReply.h"

#include <QDebug>

namespace {

// Comment dates are plain seconds since 1970, whole and within the calendar.
std::optional<Date> absoluteTimeOf(const QJsonObject& record, const QString& key)
{
    const std::optional<qint64> seconds = ZVWReply::integer(record, key);
    if (!seconds || !Date::isWithinCalendar(double(*seconds))) return std::nullopt;
    return Date::dateWithTimeIntervalSince1970(double(*seconds));
}

}  // namespace

ZVWSync::CommentRecords ZVWSync::commentsFromRecords(const QJsonArray& elements, qint64 latestStamp,
                                                     const std::function<qint64(qint64, qint64)>& localKey)
{
    CommentRecords result;
    result.latestStamp = latestStamp;
    for (const QJsonValue& element : elements) {
        if (!element.isObject() || element.toObject().contains(QStringLiteral("error"))) {
            ++result.refused;
            continue;
        }
        const QJsonObject record = element.toObject();
        auto comment = std::make_shared<ZVComment>();
        if (const auto id = ZVWReply::integer(record, QStringLiteral("id"))) comment->setZvwKey(*id);
        if (const auto content = ZVWReply::text(record, QStringLiteral("content"))) comment->setContent(*content);
        if (const auto status = ZVWReply::integer(record, QStringLiteral("status")); status && (*status == 0 || *status == 1))
            comment->setStatus(*status);
        if (const auto owner = ZVWReply::integer(record, QStringLiteral("is_owner"))) comment->setIsOwner(*owner != 0);
        const qint64 type = ZVWReply::integer32(record, QStringLiteral("comment_type")).value_or(0);
        comment->setType(type);
        if (const auto name = ZVWReply::text(record, QStringLiteral("last_name"))) comment->setLastName(*name);
        if (const auto name = ZVWReply::text(record, QStringLiteral("first_name"))) comment->setFirstName(*name);
        if (const auto root = ZVWReply::integer(record, QStringLiteral("root_id")); root && (type == 0 || type == 1))
            comment->setItemKey(localKey ? localKey(type, *root) : -1);
        if (const auto created = absoluteTimeOf(record, QStringLiteral("create_time"))) comment->setCreatedDate(*created);
        if (const auto updated = absoluteTimeOf(record, QStringLiteral("last_update"))) {
            comment->setUpdatedDate(*updated);
            result.latestStamp = std::max(result.latestStamp, qint64(updated->timeIntervalSince1970()));
        }
        result.comments.append(comment);
    }
    return result;
}

void ZVWSync::getCommentsFromZVW()
{
    m_commentDownloadIncomplete = false;
    if (!errorDescription().isEmpty()) return;
    const HttpReply reply = sendRequest("GET", dataAddress(QStringLiteral("conversations.json")), true);
    const ZVWReply::Records list = ZVWReply::records(reply);
    setZvwCommentList({});
    if (!acceptDownload(TextTable::localizedString(QStringLiteral("zvwCommentsDownloadErrorText")), reply, list)) return;
    CoreData* dataManager = CoreData::shared();
    const SettingPtr setting = dataManager ? dataManager->currentSetting() : nullptr;
    const auto localKey = [dataManager](qint64 type, qint64 rootId) -> qint64 {
        if (!dataManager) return -1;
        return type == 1 ? dataManager->getProjectLocalId(rootId) : dataManager->getItemLocalId(rootId);
    };
    const CommentRecords read =
        commentsFromRecords(list.elements, setting ? setting->latestZVWSyncComment() : 0, localKey);
    if (read.refused > 0) {
        setIsError(true);
        m_commentDownloadIncomplete = true;
        qWarning() << "The comments download held" << read.refused << "refused records; no comment is deleted in this pass";
    }
    if (setting && read.latestStamp > setting->latestZVWSyncComment()) setting->setLatestZVWSyncComment(read.latestStamp);
    setZvwCommentList(read.comments);
}

void ZVWSync::syncCommentsWithZVW()
{
    if (!errorDescription().isEmpty()) return;
    const ZVCommentList comments = zvwCommentList();
    QList<qint64> keys;
    keys.reserve(comments.size() + 1);
    Transaction unit;
    if (!unit.isOpen()) {
        qWarning() << "The web sync could not start storing the comments";
        return;
    }
    for (const ZVCommentPtr& comment : comments) {
        keys.append(comment->zvwKey());
        switch (comment->checkStatusInDB(true)) {
        case ZVComment::Changed:
            if (!comment->updateByZVWKey()) qWarning() << "The web sync could not update comment" << comment->zvwKey();
            break;
        case ZVComment::NotStored:
            if (!comment->insertIntoDatabase(nullptr)) qWarning() << "The web sync could not store comment" << comment->zvwKey();
            break;
        default: break;
        }
    }
    // The service lists every comment it keeps, so a stored one it no longer
    // lists is gone there; a list short of refused records proves nothing.
    keys.append(-1);
    if (m_commentDownloadIncomplete)
        qWarning() << "No stored comment is deleted after a comments download with refused records";
    else if (!ZVComment::deleteCommentsNotIn(keys))
        qWarning() << "The web sync could not delete the comments the service no longer lists";
    if (!unit.commit()) {
        qWarning() << "The web sync could not store the downloaded comments";
        return;
    }
    if (const SettingPtr setting = CoreData::shared() ? CoreData::shared()->currentSetting() : nullptr;
        setting && !setting->saveSyncTime())
        qWarning() << "The web sync could not save its sync times";
}
