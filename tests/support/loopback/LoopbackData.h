#pragma once

// What the data endpoints keep, shared by the files that add them.
#include "LoopbackService.h"

#include <QHash>
#include <QJsonArray>
#include <QMap>
#include <QSet>

#include <mutex>

namespace loopback {

// Tag names are one when they match without blanks and letter case.
inline QString matchKey(const QString& name)
{
    QString key = name.toUpper();
    key.remove(QLatin1Char(' '));
    return key;
}

// The keys a category record keeps.
inline const QStringList categoryKeys{QStringLiteral("color"),         QStringLiteral("name"),
                                      QStringLiteral("invisible"),     QStringLiteral("tags"),
                                      QStringLiteral("category_type"), QStringLiteral("is_transparent")};

// The keys a category change may carry: no kind, which a category keeps.
inline const QStringList categoryChangeKeys{QStringLiteral("id"),   QStringLiteral("color"),
                                            QStringLiteral("name"), QStringLiteral("invisible"),
                                            QStringLiteral("tags"), QStringLiteral("is_transparent")};

// The keys an item creation may carry, and those of an item change.
inline const QStringList itemCreateKeys{
    QStringLiteral("title"),          QStringLiteral("url"),           QStringLiteral("tags"),
    QStringLiteral("location"),       QStringLiteral("task_type"),     QStringLiteral("star"),
    QStringLiteral("ade"),            QStringLiteral("due"),           QStringLiteral("duration"),
    QStringLiteral("category_id"),    QStringLiteral("completed"),     QStringLiteral("start_time"),
    QStringLiteral("end_time"),       QStringLiteral("completed_date"), QStringLiteral("alerts"),
    QStringLiteral("repeat"),         QStringLiteral("group_id"),      QStringLiteral("order_number"),
    QStringLiteral("assignee_order"), QStringLiteral("content"),       QStringLiteral("stask"),
    QStringLiteral("timezone_key"),   QStringLiteral("assignee_email"), QStringLiteral("delegate_status"),
    QStringLiteral("meeting_invite_flag")};
inline const QStringList itemChangeKeys = [] {
    QStringList keys = itemCreateKeys;
    keys.removeOne(QStringLiteral("group_id"));
    keys.append(QStringLiteral("id"));
    return keys;
}();

// The first key of a record that the request does not have; empty when none.
inline QString unknownKey(const QJsonObject& record, const QStringList& allowed)
{
    for (auto it = record.constBegin(); it != record.constEnd(); ++it)
        if (!allowed.contains(it.key())) return it.key();
    return {};
}

// The records a body holds: an array of objects, or one object.
QJsonArray bodyRecords(const QByteArray& body);

inline QString lineFor(qint64 id, const char* text)
{
    return QString::number(id) + QLatin1Char(' ') + QLatin1String(text);
}

}  // namespace loopback

struct LoopbackService::Data {
    struct Share {
        QString owner;
        qint64 id = 0;
        QString with;
        qint64 status = 0;
    };
    struct Account {
        QJsonObject settings{
            {QStringLiteral("confirm_delete"), 1},        {QStringLiteral("week_start"), QStringLiteral("sun")},
            {QStringLiteral("working_hour_start"), 480},  {QStringLiteral("working_hour_end"), 1020},
            {QStringLiteral("default_category_id"), 0},   {QStringLiteral("show_task"), 1},
            {QStringLiteral("default_eve_dur"), 60},      {QStringLiteral("default_task_dur"), 30},
            {QStringLiteral("hide_future_task"), 0},      {QStringLiteral("hide_done_task"), 0},
            {QStringLiteral("timezone_support"), 0},
        };
        qint64 settingsStamp = 0;
        qint64 taskStamp = 0;
        int backups = 0;  // server-side backups asked for
        QMap<qint64, QString> tags;
        QHash<QString, qint64> tagKeys;  // match key -> id
        void addTag(qint64 id, const QString& name)
        {
            tags.insert(id, name);
            tagKeys.insert(loopback::matchKey(name), id);
        }
        bool removeTag(qint64 id)
        {
            if (!tags.contains(id)) return false;
            tagKeys.remove(loopback::matchKey(tags.take(id)));
            return true;
        }
        QMap<qint64, QJsonObject> categories;
        // Items by id, each as the download lists it ("category_id" included).
        QMap<qint64, QJsonObject> items;
        QMap<qint64, QJsonObject> comments;
        // Links by key: "id", "root_id", "target_id", "last_update".
        QMap<qint64, QJsonObject> links;
        QString firstName, lastName;
    };

    mutable std::mutex mutex;
    qint64 stamp = 1000;
    qint64 nextId = 1;
    QMap<QString, Account> accounts;
    QList<Share> shares;
    // Item options: changed occurrences listed before their root; records of
    // this title answered with "error"; permissions the status answers give.
    bool childrenFirst = false;
    QString refusedTitle;
    QHash<qint64, qint64> permissions;
    QList<QJsonObject> statusAnswers;

    Account& account(const QString& name) { return accounts[name.toLower()]; }
    qint64 grow() { return ++stamp; }

    qint64 newCategory(Account& owner, const QJsonObject& fields)
    {
        QJsonObject record;
        for (const QString& key : loopback::categoryKeys)
            if (fields.contains(key)) record.insert(key, fields.value(key));
        const qint64 id = nextId++;
        record.insert(QStringLiteral("id"), id);
        record.insert(QStringLiteral("last_update"), grow());
        owner.categories.insert(id, record);
        return id;
    }

    bool changeCategory(Account& owner, qint64 id, const QJsonObject& fields)
    {
        auto found = owner.categories.find(id);
        if (found == owner.categories.end()) return false;
        for (auto it = fields.constBegin(); it != fields.constEnd(); ++it)
            if (it.key() != QStringLiteral("id") && it.key() != QStringLiteral("last_update"))
                found->insert(it.key(), it.value());
        found->insert(QStringLiteral("last_update"), grow());
        return true;
    }

    void deleteCategory(Account& owner, const QString& ownerName, qint64 id, bool withItems)
    {
        owner.categories.remove(id);
        shares.removeIf([&](const Share& s) { return s.owner == ownerName && s.id == id; });
        if (withItems)
            owner.items.removeIf([id](const auto& item) {
                return item.value().value(QStringLiteral("category_id")).toInteger() == id;
            });
        owner.taskStamp = grow();
    }
};

