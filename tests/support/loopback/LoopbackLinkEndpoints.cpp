// The links of the loopback service.
#include "LoopbackData.h"

using namespace loopback;

void LoopbackService::addLinkEndpoints()
{
    Data* data = m_data.get();

    addDataEndpoint(QStringLiteral("GET"), QStringLiteral("/api/hyperlinks.json"),
                    [data](const ServiceRequest&, const QString& account) {
                        QJsonArray answer;
                        std::lock_guard lock(data->mutex);
                        for (const QJsonObject& link : data->account(account).links) answer.append(link);
                        return ServiceReply::json(answer);
                    });

    addDataEndpoint(QStringLiteral("POST"), QStringLiteral("/api/hyperlinks.json"),
                    [data](const ServiceRequest& request, const QString& account) {
                        QJsonArray answer;
                        std::lock_guard lock(data->mutex);
                        Data::Account& owner = data->account(account);
                        for (const QJsonValue& value : bodyRecords(request.body)) {
                            const QJsonObject fields = value.toObject();
                            if (!value.isObject() || fields.value(QStringLiteral("root_id")).toInteger() < 1
                                || fields.value(QStringLiteral("target_id")).toInteger() < 1) {
                                answer.append(QJsonObject{{QStringLiteral("error"), QStringLiteral("not created")}});
                                continue;
                            }
                            const qint64 id = data->nextId++;
                            QJsonObject record{{QStringLiteral("id"), id},
                                               {QStringLiteral("root_id"), fields.value(QStringLiteral("root_id"))},
                                               {QStringLiteral("target_id"), fields.value(QStringLiteral("target_id"))},
                                               {QStringLiteral("last_update"), fields.value(QStringLiteral("last_update"))}};
                            owner.links.insert(id, record);
                            answer.append(QJsonObject{{QStringLiteral("id"), id}});
                        }
                        return ServiceReply::json(answer);
                    });

    addDataEndpoint(QStringLiteral("DELETE"), QStringLiteral("^/api/hyperlinks/[^/]+\\.json$"),
                    [data](const ServiceRequest& request, const QString& account) {
                        const QString keys = request.path.section(QLatin1Char('/'), -1).chopped(5);
                        QJsonArray answer;
                        std::lock_guard lock(data->mutex);
                        Data::Account& owner = data->account(account);
                        if (keys == QStringLiteral("0")) {
                            owner.links.clear();
                            answer.append(QJsonObject{{QStringLiteral("success"), QStringLiteral("0 deleted")}});
                            return ServiceReply::json(answer);
                        }
                        for (const QString& text : keys.split(QLatin1Char(','))) {
                            const qint64 id = text.toLongLong();
                            if (owner.links.remove(id) > 0)
                                answer.append(QJsonObject{{QStringLiteral("success"), lineFor(id, "deleted")}});
                            else
                                answer.append(QJsonObject{{QStringLiteral("error"), lineFor(id, "not found")}});
                        }
                        return ServiceReply::json(answer);
                    });
}

qint64 LoopbackService::addLinkRecord(const QString& account, qint64 rootId, qint64 targetId)
{
    std::lock_guard lock(m_data->mutex);
    const qint64 id = m_data->nextId++;
    m_data->account(account).links.insert(id, QJsonObject{{QStringLiteral("id"), id},
                                                          {QStringLiteral("root_id"), rootId},
                                                          {QStringLiteral("target_id"), targetId},
                                                          {QStringLiteral("last_update"), m_data->grow()}});
    return id;
}

bool LoopbackService::removeLinkRecord(const QString& account, qint64 key)
{
    std::lock_guard lock(m_data->mutex);
    return m_data->account(account).links.remove(key) > 0;
}

QList<QJsonObject> LoopbackService::linkRecordsOf(const QString& account) const
{
    std::lock_guard lock(m_data->mutex);
    return m_data->account(account).links.values();
}
