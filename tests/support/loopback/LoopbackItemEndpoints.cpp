// The item, comment and status endpoints: each account's items with ids and
// growing stamps, its comments, and the answers to shares and delegations.
#include "LoopbackData.h"

#include <QJsonDocument>

#include <algorithm>

using loopback::bodyRecords;
using loopback::lineFor;

namespace {

QString titleOf(const QJsonObject& record)
{
    return record.value(QStringLiteral("title")).toString();
}

qint64 intOf(const QJsonObject& record, const char* key)
{
    return record.value(QLatin1String(key)).toInteger();
}

// Every root in id order with its changed occurrences (the records whose
// "group_id" names it) after it, or before it.
QList<QJsonObject> inListOrder(const QList<QJsonObject>& items, bool childrenFirst)
{
    QSet<qint64> ids;
    for (const QJsonObject& item : items) ids.insert(intOf(item, "id"));
    QHash<qint64, QList<QJsonObject>> children;
    QList<QJsonObject> roots;
    for (const QJsonObject& item : items) {
        const qint64 group = intOf(item, "group_id");
        if (group != 0 && ids.contains(group))
            children[group].append(item);
        else
            roots.append(item);
    }
    QList<QJsonObject> ordered;
    ordered.reserve(items.size());
    for (const QJsonObject& root : std::as_const(roots)) {
        const QList<QJsonObject> occurrences = children.value(intOf(root, "id"));
        if (childrenFirst) ordered.append(occurrences);
        ordered.append(root);
        if (!childrenFirst) ordered.append(occurrences);
    }
    return ordered;
}

QJsonObject withFields(const QJsonObject& record, const QStringList& fields)
{
    if (fields.isEmpty()) return record;
    QJsonObject listed;
    for (const QString& field : fields)
        if (record.contains(field)) listed.insert(field, record.value(field));
    return listed;
}

QJsonObject refusal(qint64 id, const char* why)
{
    return QJsonObject{{QStringLiteral("error"), lineFor(id, why)}};
}

}  // namespace

void LoopbackService::addItemEndpoints()
{
    Data* data = m_data.get();

    // lastupdate: only records changed after that stamp; fields: the keys
    // listed; type: the service's item types listed; get_share=1 adds the
    // items of the categories shared with the account, marked "shared".
    addDataEndpoint(QStringLiteral("GET"), QStringLiteral("/api/tasks.json"),
                    [data](const ServiceRequest& request, const QString& account) {
                        const qint64 since = request.queryValue(QStringLiteral("lastupdate")).toLongLong();
                        const QStringList fields =
                            request.queryValue(QStringLiteral("fields")).split(QLatin1Char(','), Qt::SkipEmptyParts);
                        QSet<qint64> types;
                        for (const QString& type :
                             request.queryValue(QStringLiteral("type")).split(QLatin1Char(','), Qt::SkipEmptyParts))
                            types.insert(type.toLongLong());
                        std::lock_guard lock(data->mutex);
                        const QString name = account.toLower();
                        QList<QJsonObject> items = data->account(name).items.values();
                        if (request.queryValue(QStringLiteral("get_share")) == QStringLiteral("1")) {
                            for (const Data::Share& share : std::as_const(data->shares)) {
                                if (share.with != name) continue;
                                for (QJsonObject item : data->accounts.value(share.owner).items) {
                                    if (intOf(item, "category_id") != share.id) continue;
                                    item.insert(QStringLiteral("shared"), 1);
                                    items.append(item);
                                }
                            }
                        }
                        QJsonArray answer;
                        for (const QJsonObject& item : inListOrder(items, data->childrenFirst)) {
                            if (intOf(item, "last_update") <= since) continue;
                            const qint64 type = item.contains(QStringLiteral("task_type")) ? intOf(item, "task_type") : 2;
                            if (!types.isEmpty() && !types.contains(type)) continue;
                            if (!data->refusedTitle.isEmpty() && titleOf(item) == data->refusedTitle)
                                answer.append(refusal(intOf(item, "id"), "refused"));
                            else
                                answer.append(withFields(item, fields));
                        }
                        return ServiceReply::json(answer);
                    });

    // Record by record in order: the new id, the stamp and the stored orders.
    addDataEndpoint(QStringLiteral("POST"), QStringLiteral("/api/tasks.json"),
                    [data](const ServiceRequest& request, const QString& account) {
                        QJsonArray answer;
                        std::lock_guard lock(data->mutex);
                        Data::Account& owner = data->account(account);
                        for (const QJsonValue& value : bodyRecords(request.body)) {
                            const QJsonObject fields = value.toObject();
                            if (!value.isObject() || (!data->refusedTitle.isEmpty() && titleOf(fields) == data->refusedTitle)) {
                                answer.append(QJsonObject{{QStringLiteral("error"), QStringLiteral("not created")}});
                                continue;
                            }
                            if (const QString key = loopback::unknownKey(fields, loopback::itemCreateKeys); !key.isEmpty()) {
                                answer.append(QJsonObject{{QStringLiteral("error"), QStringLiteral("unknown key ") + key}});
                                continue;
                            }
                            QJsonObject record = fields;
                            record.remove(QStringLiteral("shared"));
                            const qint64 id = data->nextId++;
                            owner.taskStamp = data->grow();
                            record.insert(QStringLiteral("id"), id);
                            record.insert(QStringLiteral("last_update"), owner.taskStamp);
                            owner.items.insert(id, record);
                            answer.append(QJsonObject{{QStringLiteral("id"), id},
                                                      {QStringLiteral("last_update"), owner.taskStamp},
                                                      {QStringLiteral("order_number"), record.value(QStringLiteral("order_number"))},
                                                      {QStringLiteral("assignee_order"), record.value(QStringLiteral("assignee_order"))}});
                        }
                        return ServiceReply::json(answer);
                    });

    addDataEndpoint(QStringLiteral("PUT"), QStringLiteral("/api/tasks/update.json"),
                    [data](const ServiceRequest& request, const QString& account) {
                        QJsonArray answer;
                        std::lock_guard lock(data->mutex);
                        Data::Account& owner = data->account(account);
                        for (const QJsonValue& value : bodyRecords(request.body)) {
                            const QJsonObject fields = value.toObject();
                            const qint64 id = intOf(fields, "id");
                            auto found = owner.items.find(id);
                            if (found == owner.items.end()) {
                                answer.append(refusal(id, "not found"));
                                continue;
                            }
                            if (!data->refusedTitle.isEmpty() && titleOf(fields) == data->refusedTitle) {
                                answer.append(refusal(id, "refused"));
                                continue;
                            }
                            if (!loopback::unknownKey(fields, loopback::itemChangeKeys).isEmpty()) {
                                answer.append(refusal(id, "unknown key"));
                                continue;
                            }
                            for (auto it = fields.constBegin(); it != fields.constEnd(); ++it)
                                if (it.key() != QStringLiteral("id") && it.key() != QStringLiteral("shared"))
                                    found->insert(it.key(), it.value());
                            owner.taskStamp = data->grow();
                            found->insert(QStringLiteral("last_update"), owner.taskStamp);
                            answer.append(QJsonObject{{QStringLiteral("id"), id},
                                                      {QStringLiteral("last_update"), owner.taskStamp}});
                        }
                        return ServiceReply::json(answer);
                    });

    addDataEndpoint(QStringLiteral("DELETE"), QStringLiteral("^/api/tasks/[^/]+\\.json$"),
                    [data](const ServiceRequest& request, const QString& account) {
                        const QString ids = request.path.section(QLatin1Char('/'), -1).chopped(5);
                        QJsonArray answer;
                        std::lock_guard lock(data->mutex);
                        Data::Account& owner = data->account(account);
                        for (const QString& text : ids.split(QLatin1Char(','))) {
                            const qint64 id = text.toLongLong();
                            if (owner.items.remove(id) > 0) {
                                owner.taskStamp = data->grow();
                                answer.append(QJsonObject{{QStringLiteral("success"), lineFor(id, "deleted")}});
                            } else {
                                answer.append(refusal(id, "not found"));
                            }
                        }
                        return ServiceReply::json(answer);
                    });

    addDataEndpoint(QStringLiteral("GET"), QStringLiteral("/api/conversations.json"),
                    [data](const ServiceRequest&, const QString& account) {
                        QJsonArray answer;
                        std::lock_guard lock(data->mutex);
                        for (const QJsonObject& comment : data->account(account).comments) answer.append(comment);
                        return ServiceReply::json(answer);
                    });

    // One answer: a delegated task (stt_type 1) or a shared category (2).
    addDataEndpoint(QStringLiteral("PUT"), QStringLiteral("/api/status/updates.json"),
                    [data](const ServiceRequest& request, const QString& account) {
                        const QJsonArray records = bodyRecords(request.body);
                        if (records.isEmpty() || !records.first().isObject()) return ServiceReply::error(1);
                        const QJsonObject answer = records.first().toObject();
                        const qint64 id = intOf(answer, "obj_id");
                        const qint64 kind = intOf(answer, "stt_type");
                        const qint64 status = intOf(answer, "stt");
                        std::lock_guard lock(data->mutex);
                        data->statusAnswers.append(answer);
                        const QString name = account.toLower();
                        bool found = false;
                        if (kind == 2) {
                            for (Data::Share& share : data->shares)
                                if (share.with == name && share.id == id) {
                                    share.status = status;
                                    found = true;
                                }
                            if (status == 2)
                                data->shares.removeIf([&](const Data::Share& s) { return s.with == name && s.id == id; });
                        } else if (kind == 1) {
                            for (Data::Account& owner : data->accounts) {
                                auto item = owner.items.find(id);
                                if (item == owner.items.end()) continue;
                                if (item->value(QStringLiteral("assignee_email")).toString().toLower() != name) continue;
                                item->insert(QStringLiteral("delegate_status"), status);
                                owner.taskStamp = data->grow();
                                item->insert(QStringLiteral("last_update"), owner.taskStamp);
                                found = true;
                            }
                        }
                        if (!found) return ServiceReply::json(QJsonArray{refusal(id, "not found")});
                        return ServiceReply::json(
                            QJsonArray{QJsonObject{{QStringLiteral("permission"), data->permissions.value(id, 2)}}});
                    });
}

qint64 LoopbackService::addItemRecord(const QString& account, const QJsonObject& fields)
{
    std::lock_guard lock(m_data->mutex);
    Data::Account& owner = m_data->account(account);
    const qint64 id = m_data->nextId++;
    owner.taskStamp = m_data->grow();
    QJsonObject record = fields;
    record.insert(QStringLiteral("id"), id);
    record.insert(QStringLiteral("last_update"), owner.taskStamp);
    owner.items.insert(id, record);
    return id;
}

bool LoopbackService::changeItemRecord(const QString& account, qint64 id, const QJsonObject& fields)
{
    std::lock_guard lock(m_data->mutex);
    Data::Account& owner = m_data->account(account);
    auto found = owner.items.find(id);
    if (found == owner.items.end()) return false;
    for (auto it = fields.constBegin(); it != fields.constEnd(); ++it)
        if (it.key() != QStringLiteral("id")) found->insert(it.key(), it.value());
    owner.taskStamp = m_data->grow();
    found->insert(QStringLiteral("last_update"), owner.taskStamp);
    return true;
}

bool LoopbackService::removeItemRecord(const QString& account, qint64 id)
{
    std::lock_guard lock(m_data->mutex);
    Data::Account& owner = m_data->account(account);
    if (owner.items.remove(id) == 0) return false;
    owner.taskStamp = m_data->grow();
    return true;
}

QList<QJsonObject> LoopbackService::itemRecordsOf(const QString& account) const
{
    std::lock_guard lock(m_data->mutex);
    return m_data->account(account).items.values();
}

void LoopbackService::setChildrenFirst(bool childrenFirst)
{
    std::lock_guard lock(m_data->mutex);
    m_data->childrenFirst = childrenFirst;
}

void LoopbackService::setRefusedTitle(const QString& title)
{
    std::lock_guard lock(m_data->mutex);
    m_data->refusedTitle = title;
}

qint64 LoopbackService::addComment(const QString& account, const QJsonObject& fields)
{
    std::lock_guard lock(m_data->mutex);
    QJsonObject record = fields;
    const qint64 id = record.contains(QStringLiteral("id")) ? intOf(record, "id") : m_data->nextId++;
    record.insert(QStringLiteral("id"), id);
    if (!record.contains(QStringLiteral("last_update"))) record.insert(QStringLiteral("last_update"), m_data->grow());
    m_data->account(account).comments.insert(id, record);
    return id;
}

bool LoopbackService::removeComment(const QString& account, qint64 id)
{
    std::lock_guard lock(m_data->mutex);
    return m_data->account(account).comments.remove(id) > 0;
}

void LoopbackService::setPermission(qint64 objectId, qint64 permission)
{
    std::lock_guard lock(m_data->mutex);
    m_data->permissions.insert(objectId, permission);
}

QList<QJsonObject> LoopbackService::statusAnswers() const
{
    std::lock_guard lock(m_data->mutex);
    return m_data->statusAnswers;
}
