// The data endpoints: the settings record, the tags and the categories of
// each account, with one change stamp for the whole service.
#include "LoopbackData.h"

#include <algorithm>

#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>

#include <mutex>

namespace {

const QStringList settingsKeys{
    QStringLiteral("confirm_delete"),   QStringLiteral("week_start"),       QStringLiteral("working_hour_start"),
    QStringLiteral("working_hour_end"), QStringLiteral("default_category_id"), QStringLiteral("show_task"),
    QStringLiteral("default_eve_dur"),  QStringLiteral("default_task_dur"), QStringLiteral("hide_future_task"),
    QStringLiteral("hide_done_task"),   QStringLiteral("timezone_key"),     QStringLiteral("timezone_support"),
    QStringLiteral("time_zone"),
};

}  // namespace

using loopback::bodyRecords;
using loopback::lineFor;
using loopback::matchKey;

QJsonArray loopback::bodyRecords(const QByteArray& body)
{
    const QJsonDocument document = QJsonDocument::fromJson(body);
    if (document.isArray()) return document.array();
    if (document.isObject()) return QJsonArray{document.object()};
    return {};
}

void LoopbackService::addDataEndpoints()
{
    m_data = std::make_shared<Data>();
    Data* data = m_data.get();

    addDataEndpoint(QStringLiteral("GET"), QStringLiteral("/api/settings.json"),
                    [this](const ServiceRequest&, const QString& account) { return ServiceReply::json(settingsOf(account)); });
    addDataEndpoint(QStringLiteral("PUT"), QStringLiteral("/api/settings/updates.json"),
                    [data](const ServiceRequest& request, const QString& account) {
                        const QJsonArray records = bodyRecords(request.body);
                        if (records.isEmpty() || !records.first().isObject()) return ServiceReply::error(1);
                        std::lock_guard lock(data->mutex);
                        Data::Account& owner = data->account(account);
                        const QJsonObject values = records.first().toObject();
                        owner.settings.remove(QStringLiteral("time_zone"));
                        for (const QString& key : settingsKeys)
                            if (values.contains(key)) owner.settings.insert(key, values.value(key));
                        owner.settingsStamp = data->grow();
                        return ServiceReply::json(QJsonObject{{QStringLiteral("last_update"), owner.settingsStamp}});
                    });

    // A backup of the account on the service's side: only counted here.
    addDataEndpoint(QStringLiteral("GET"), QStringLiteral("/api/backups.json"),
                    [data](const ServiceRequest&, const QString& account) {
                        std::lock_guard lock(data->mutex);
                        ++data->account(account).backups;
                        return ServiceReply::json(QJsonObject{{QStringLiteral("success"), 1}});
                    });

    addDataEndpoint(QStringLiteral("GET"), QStringLiteral("/api/tags.json"),
                    [this](const ServiceRequest&, const QString& account) {
                        QJsonArray tags;
                        for (const QJsonObject& tag : tagsOf(account)) tags.append(tag);
                        return ServiceReply::json(tags);
                    });
    addDataEndpoint(QStringLiteral("POST"), QStringLiteral("/api/tags.json"),
                    [data](const ServiceRequest& request, const QString& account) {
                        QJsonArray answer;
                        std::lock_guard lock(data->mutex);
                        Data::Account& owner = data->account(account);
                        for (const QJsonValue& value : bodyRecords(request.body)) {
                            const QString name = value.toObject().value(QStringLiteral("name")).toString().trimmed();
                            if (name.isEmpty()) {
                                answer.append(QJsonObject{{QStringLiteral("error"), QStringLiteral("no name")}});
                                continue;
                            }
                            // A name the account already has gives that tag's id.
                            qint64 id = owner.tagKeys.value(matchKey(name));
                            if (!id) {
                                id = data->nextId++;
                                owner.addTag(id, name);
                                data->grow();
                            }
                            answer.append(QJsonObject{{QStringLiteral("id"), id}, {QStringLiteral("name"), name}});
                        }
                        return ServiceReply::json(answer);
                    });
    addDataEndpoint(QStringLiteral("DELETE"), QStringLiteral("^/api/tags/[^/]+\\.json$"),
                    [data](const ServiceRequest& request, const QString& account) {
                        const QString ids = request.path.section(QLatin1Char('/'), -1).chopped(5);
                        QJsonArray answer;
                        std::lock_guard lock(data->mutex);
                        Data::Account& owner = data->account(account);
                        QList<qint64> wanted;
                        if (ids == QStringLiteral("0"))
                            wanted = owner.tags.keys();
                        else
                            for (const QString& id : ids.split(QLatin1Char(','))) wanted.append(id.toLongLong());
                        for (const qint64 id : wanted) {
                            if (owner.removeTag(id)) {
                                data->grow();
                                answer.append(QJsonObject{{QStringLiteral("success"), lineFor(id, "deleted")}});
                            } else {
                                answer.append(QJsonObject{{QStringLiteral("error"), lineFor(id, "not found")}});
                            }
                        }
                        return ServiceReply::json(answer);
                    });

    // category_type 0 (or none) lists every kind, another value that kind;
    // get_share=1 adds the categories that other accounts share with this one.
    addDataEndpoint(QStringLiteral("GET"), QStringLiteral("/api/categories.json"),
                    [data](const ServiceRequest& request, const QString& account) {
                        const qint64 kind = request.queryValue(QStringLiteral("category_type")).toLongLong();
                        const auto wanted = [kind](const QJsonObject& record) {
                            return kind == 0 || record.value(QStringLiteral("category_type")).toInteger() == kind;
                        };
                        QJsonArray answer;
                        std::lock_guard lock(data->mutex);
                        const Data::Account& owner = data->account(account);
                        for (const QJsonObject& record : owner.categories)
                            if (wanted(record)) answer.append(record);
                        if (request.queryValue(QStringLiteral("get_share")) != QStringLiteral("1"))
                            return ServiceReply::json(answer);
                        for (const Data::Share& share : std::as_const(data->shares)) {
                            if (share.with != account.toLower()) continue;
                            const Data::Account& sharer = data->accounts.value(share.owner);
                            QJsonObject record = sharer.categories.value(share.id);
                            if (record.isEmpty() || !wanted(record)) continue;
                            record.insert(QStringLiteral("shared"), 1);
                            record.insert(QStringLiteral("owner"),
                                          QJsonObject{{QStringLiteral("oFirstName"), sharer.firstName},
                                                      {QStringLiteral("oLastName"), sharer.lastName}});
                            record.insert(QStringLiteral("shared_status"), share.status);
                            answer.append(record);
                        }
                        return ServiceReply::json(answer);
                    });
    addDataEndpoint(QStringLiteral("POST"), QStringLiteral("/api/categories.json"),
                    [data](const ServiceRequest& request, const QString& account) {
                        QJsonArray answer;
                        std::lock_guard lock(data->mutex);
                        Data::Account& owner = data->account(account);
                        for (const QJsonValue& value : bodyRecords(request.body)) {
                            if (!value.isObject()) {
                                answer.append(QJsonObject{{QStringLiteral("error"), QStringLiteral("not a category")}});
                                continue;
                            }
                            // A key the request does not have is refused, as a strict service would.
                            if (const QString key = loopback::unknownKey(value.toObject(), loopback::categoryKeys);
                                !key.isEmpty()) {
                                answer.append(QJsonObject{{QStringLiteral("error"), QStringLiteral("unknown key ") + key}});
                                continue;
                            }
                            const qint64 id = data->newCategory(owner, value.toObject());
                            answer.append(QJsonObject{{QStringLiteral("id"), id},
                                                      {QStringLiteral("last_update"), data->stamp}});
                        }
                        return ServiceReply::json(answer);
                    });
    addDataEndpoint(QStringLiteral("PUT"), QStringLiteral("/api/categories/updates.json"),
                    [data](const ServiceRequest& request, const QString& account) {
                        QJsonArray answer;
                        std::lock_guard lock(data->mutex);
                        Data::Account& owner = data->account(account);
                        for (const QJsonValue& value : bodyRecords(request.body)) {
                            const QJsonObject fields = value.toObject();
                            const qint64 id = fields.value(QStringLiteral("id")).toInteger();
                            if (const QString key = loopback::unknownKey(fields, loopback::categoryChangeKeys);
                                !key.isEmpty()) {
                                answer.append(QJsonObject{{QStringLiteral("error"), lineFor(id, "unknown key")}});
                                continue;
                            }
                            if (!data->changeCategory(owner, id, fields)) {
                                answer.append(QJsonObject{{QStringLiteral("error"), lineFor(id, "not found")}});
                                continue;
                            }
                            answer.append(QJsonObject{{QStringLiteral("id"), id},
                                                      {QStringLiteral("last_update"), data->stamp}});
                        }
                        return ServiceReply::json(answer);
                    });
    // del_personal_proj=1 takes the categories' items with them.
    addDataEndpoint(QStringLiteral("DELETE"), QStringLiteral("^/api/categories/[^/]+\\.json$"),
                    [data](const ServiceRequest& request, const QString& account) {
                        const QString ids = request.path.section(QLatin1Char('/'), -1).chopped(5);
                        const bool withItems = request.queryValue(QStringLiteral("del_personal_proj")) == QStringLiteral("1");
                        QJsonArray answer;
                        std::lock_guard lock(data->mutex);
                        const QString name = account.toLower();
                        Data::Account& owner = data->account(name);
                        QList<qint64> wanted;
                        if (ids == QStringLiteral("0"))
                            wanted = owner.categories.keys();
                        else
                            for (const QString& id : ids.split(QLatin1Char(','))) wanted.append(id.toLongLong());
                        for (const qint64 id : wanted) {
                            if (!owner.categories.contains(id)) {
                                answer.append(QJsonObject{{QStringLiteral("error"), lineFor(id, "not found")}});
                                continue;
                            }
                            data->deleteCategory(owner, name, id, withItems);
                            answer.append(QJsonObject{{QStringLiteral("success"), lineFor(id, "deleted")}});
                        }
                        return ServiceReply::json(answer);
                    });
}

void LoopbackService::setStampBase(qint64 base)
{
    std::lock_guard lock(m_data->mutex);
    m_data->stamp = std::max(m_data->stamp, base);
}

qint64 LoopbackService::stamp() const
{
    std::lock_guard lock(m_data->mutex);
    return m_data->stamp;
}

QJsonObject LoopbackService::settingsOf(const QString& account) const
{
    std::lock_guard lock(m_data->mutex);
    const Data::Account& owner = m_data->account(account);
    QJsonObject record = owner.settings;
    record.insert(QStringLiteral("last_updates"),
                  QJsonObject{{QStringLiteral("lastupdatesetting"), owner.settingsStamp},
                              {QStringLiteral("lastupdatetask"), owner.taskStamp}});
    return record;
}

void LoopbackService::setSettings(const QString& account, const QJsonObject& values)
{
    std::lock_guard lock(m_data->mutex);
    Data::Account& owner = m_data->account(account);
    for (auto it = values.constBegin(); it != values.constEnd(); ++it) {
        if (it.value().isNull())
            owner.settings.remove(it.key());
        else
            owner.settings.insert(it.key(), it.value());
    }
    owner.settingsStamp = m_data->grow();
}

QList<QJsonObject> LoopbackService::tagsOf(const QString& account) const
{
    std::lock_guard lock(m_data->mutex);
    QList<QJsonObject> tags;
    const Data::Account& owner = m_data->account(account);
    for (auto it = owner.tags.constBegin(); it != owner.tags.constEnd(); ++it)
        tags.append(QJsonObject{{QStringLiteral("id"), it.key()}, {QStringLiteral("name"), it.value()}});
    return tags;
}

qint64 LoopbackService::addTag(const QString& account, const QString& name)
{
    std::lock_guard lock(m_data->mutex);
    const qint64 id = m_data->nextId++;
    m_data->account(account).addTag(id, name);
    m_data->grow();
    return id;
}

QList<QJsonObject> LoopbackService::categoriesOf(const QString& account) const
{
    std::lock_guard lock(m_data->mutex);
    return m_data->account(account).categories.values();
}

qint64 LoopbackService::addCategory(const QString& account, const QJsonObject& fields)
{
    std::lock_guard lock(m_data->mutex);
    return m_data->newCategory(m_data->account(account), fields);
}

bool LoopbackService::changeCategory(const QString& account, qint64 id, const QJsonObject& fields)
{
    std::lock_guard lock(m_data->mutex);
    return m_data->changeCategory(m_data->account(account), id, fields);
}

void LoopbackService::setOwnerName(const QString& account, const QString& firstName, const QString& lastName)
{
    std::lock_guard lock(m_data->mutex);
    Data::Account& owner = m_data->account(account);
    owner.firstName = firstName;
    owner.lastName = lastName;
}

void LoopbackService::shareCategory(const QString& owner, qint64 id, const QString& with, qint64 sharedStatus)
{
    std::lock_guard lock(m_data->mutex);
    m_data->shares.append(Data::Share{owner.toLower(), id, with.toLower(), sharedStatus});
    Data::Account& sharer = m_data->account(owner);
    auto found = sharer.categories.find(id);
    if (found != sharer.categories.end()) found->insert(QStringLiteral("has_shared"), 1);
}

qint64 LoopbackService::addItem(const QString& account, qint64 categoryId)
{
    std::lock_guard lock(m_data->mutex);
    const qint64 id = m_data->nextId++;
    Data::Account& owner = m_data->account(account);
    owner.taskStamp = m_data->grow();
    owner.items.insert(id, QJsonObject{{QStringLiteral("id"), id},
                                       {QStringLiteral("category_id"), categoryId},
                                       {QStringLiteral("last_update"), owner.taskStamp}});
    return id;
}

QList<qint64> LoopbackService::itemsOf(const QString& account, qint64 categoryId) const
{
    std::lock_guard lock(m_data->mutex);
    QList<qint64> items;
    const Data::Account& owner = m_data->account(account);
    for (auto it = owner.items.constBegin(); it != owner.items.constEnd(); ++it)
        if (it.value().value(QStringLiteral("category_id")).toInteger() == categoryId) items.append(it.key());
    return items;
}

int LoopbackService::backupsOf(const QString& account) const
{
    std::lock_guard lock(m_data->mutex);
    return m_data->account(account).backups;
}
