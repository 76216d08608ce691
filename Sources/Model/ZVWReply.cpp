#include "ZVWReply.h"

#include "Calendar.h"
#include "Tag.h"
#include "Utilities.h"

#include <QJsonDocument>
#include <QJsonValue>

#include <algorithm>
#include <cmath>
#include <limits>

bool ZVWReply::mayBeDictionary(const QByteArray& body)
{
    // The JSON parser passes over a UTF-8 byte order mark and the four
    // blanks JSON allows before the value.
    qsizetype at = body.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    while (at < body.size() && (body[at] == ' ' || body[at] == '\t' || body[at] == '\n' || body[at] == '\r')) ++at;
    return at < body.size() && body[at] == '{';
}

std::optional<QJsonObject> ZVWReply::dictionary(const QByteArray& body)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) return std::nullopt;
    return document.object();
}

std::optional<qint64> ZVWReply::integer(const QJsonObject& object, const QString& key)
{
    const QJsonValue value = object.value(key);
    if (value.isDouble()) {
        // Whole numbers only, and only those a 64-bit integer holds.
        const double number = value.toDouble();
        if (!std::isfinite(number) || number != std::trunc(number) || number < -9.2e18 || number > 9.2e18)
            return std::nullopt;
        return value.toInteger(qint64(number));
    }
    if (value.isString()) {
        bool ok = false;
        const qint64 number = value.toString().trimmed().toLongLong(&ok);
        if (ok) return number;
    }
    return std::nullopt;
}

std::optional<QString> ZVWReply::text(const QJsonObject& object, const QString& key)
{
    const QJsonValue value = object.value(key);
    if (!value.isString()) return std::nullopt;
    return value.toString();
}

ZVWReply::Kind ZVWReply::judge(const HttpReply& reply)
{
    if (reply.transportFailed()) return Kind::TransportFailure;
    const std::optional<QJsonObject> object = dictionary(reply.body);
    if (object && integer(*object, QStringLiteral("error"))) return Kind::Dictionary;
    if (!reply.hasSuccessStatus()) return Kind::BadStatus;
    return object ? Kind::Dictionary : Kind::NotADictionary;
}

ZVWReply::Token ZVWReply::token(const HttpReply& reply)
{
    Token result;
    result.kind = judge(reply);
    if (result.kind != Kind::Dictionary) return result;
    const QJsonObject object = *dictionary(reply.body);
    const std::optional<QString> token = text(object, QStringLiteral("tokenapi"));
    if (token && !token->isEmpty()) result.token = token;
    result.error = integer(object, QStringLiteral("error"));
    return result;
}

qint64 ZVWReply::accountCreationResult(const HttpReply& reply)
{
    if (judge(reply) != Kind::Dictionary) return -1;
    const QJsonObject object = *dictionary(reply.body);
    const QJsonValue account = object.value(QStringLiteral("account"));
    if (!account.isUndefined() && !account.isNull()) return 0;
    return integer(object, QStringLiteral("error")).value_or(-1);
}

ZVWReply::Records ZVWReply::records(const HttpReply& reply)
{
    Records result;
    if (reply.transportFailed()) return result;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(reply.body, &error);
    const bool parsed = error.error == QJsonParseError::NoError;
    if (parsed && document.isObject()) {
        const QJsonObject object = document.object();
        if (object.contains(QStringLiteral("error"))) {
            result.kind = ListKind::ErrorObject;
            result.errorCode = integer(object, QStringLiteral("error"));
            return result;
        }
    }
    if (!reply.hasSuccessStatus()) {
        result.kind = ListKind::BadStatus;
        return result;
    }
    if (!parsed || !document.isArray()) {
        result.kind = ListKind::NotAnArray;
        return result;
    }
    result.kind = ListKind::Array;
    result.elements = document.array();
    for (const QJsonValue& element : std::as_const(result.elements)) {
        if (!element.isObject() || element.toObject().contains(QStringLiteral("error")))
            ++result.refused;
        else
            result.records.append(element.toObject());
    }
    return result;
}

std::optional<qint64> ZVWReply::integer32(const QJsonObject& object, const QString& key)
{
    const std::optional<qint64> value = integer(object, key);
    if (!value || *value < std::numeric_limits<qint32>::min() || *value > std::numeric_limits<qint32>::max())
        return std::nullopt;
    return value;
}

QString ZVWReply::trimmedName(const QString& name)
{
    const auto trimmable = [](QChar c) { return c.isSpace() || c == QLatin1Char(','); };
    qsizetype begin = 0;
    qsizetype end = name.size();
    while (begin < end && trimmable(name.at(begin))) ++begin;
    while (end > begin && trimmable(name.at(end - 1))) --end;
    return name.mid(begin, end - begin);
}

QString ZVWReply::storedTagList(const QString& serviceTags)
{
    QString tags = trimmedName(serviceTags);
    if (tags.isEmpty()) return QString();
    QString stored = QLatin1Char(',') + tags;
    return stored.replace(QLatin1Char(','), QLatin1Char('/'));
}

QString ZVWReply::serviceTagList(const QString& storedTags)
{
    QString tags = storedTags;
    tags.replace(QLatin1Char('/'), QLatin1Char(','));
    qsizetype begin = 0;
    qsizetype end = tags.size();
    while (begin < end && tags.at(begin) == QLatin1Char(',')) ++begin;
    while (end > begin && tags.at(end - 1) == QLatin1Char(',')) --end;
    return tags.mid(begin, end - begin);
}

TagPtr ZVWReply::tag(const QJsonObject& record)
{
    auto tag = std::make_shared<Tag>();
    if (const auto name = text(record, QStringLiteral("name"))) tag->setTagName(*name);
    if (const auto id = integer32(record, QStringLiteral("id"))) tag->setZvwKey(*id);
    return tag;
}

CalendarPtr ZVWReply::category(const QJsonObject& record)
{
    auto calendar = std::make_shared<Calendar>();
    if (const auto name = text(record, QStringLiteral("name"))) calendar->setCalendarName(trimmedName(*name));
    if (const auto id = integer32(record, QStringLiteral("id"))) calendar->setZvwProjectId(*id);
    if (const auto color = integer32(record, QStringLiteral("color"))) {
        qint64 group = 0;
        qint64 name = 0;
        Utilities::getGroup(group, name, *color);
        calendar->setColorGroupId(group);
        calendar->setColorNameId(name);
    }
    if (const auto kind = integer32(record, QStringLiteral("category_type"))) calendar->setProjectType(*kind);
    if (const auto stamp = integer32(record, QStringLiteral("last_update"))) calendar->setLastUpdate(*stamp);
    if (const auto hidden = integer32(record, QStringLiteral("invisible"))) calendar->setInVisible(*hidden);
    if (const auto tags = text(record, QStringLiteral("tags"))) calendar->setTagList(storedTagList(*tags));
    const QJsonValue transparent = record.value(QStringLiteral("is_transparent"));
    if (transparent.isBool())
        calendar->setIsTransparent(transparent.toBool());
    else if (const auto flag = integer32(record, QStringLiteral("is_transparent")))
        calendar->setIsTransparent(*flag != 0);
    if (const auto shared = integer32(record, QStringLiteral("shared"))) calendar->setExtraStatus(*shared);
    if (const auto hasShared = integer32(record, QStringLiteral("has_shared"))) calendar->setHasShared(*hasShared != 0);
    if (calendar->extraStatus() > 0 && record.contains(QStringLiteral("owner"))) {
        const QJsonValue owner = record.value(QStringLiteral("owner"));
        // An owner of another form gives an empty name.
        if (owner.isObject()) {
            const QJsonObject person = owner.toObject();
            calendar->setOwnerName(text(person, QStringLiteral("oFirstName")).value_or(QString()) + QLatin1Char(' ') +
                                   text(person, QStringLiteral("oLastName")).value_or(QString()));
        }
        if (const auto status = integer32(record, QStringLiteral("shared_status"))) calendar->setSharedStatus(*status);
    }
    // A fresh record is not a local change.
    calendar->setHasChanges(false);
    return calendar;
}

ZVWReply::Settings ZVWReply::settings(const HttpReply& reply)
{
    Settings result;
    result.kind = judge(reply);
    if (result.kind != Kind::Dictionary) return result;
    const QJsonObject object = *dictionary(reply.body);
    SettingsRecord& r = result.record;
    if (object.contains(QStringLiteral("error"))) {
        r.hasError = true;
        r.errorCode = integer(object, QStringLiteral("error"));
        return result;
    }
    r.confirmDelete = integer32(object, QStringLiteral("confirm_delete"));
    if (const auto day = text(object, QStringLiteral("week_start")))
        r.weekStart = *day == QStringLiteral("mon") ? 1 : 0;
    r.workingHourStart = integer32(object, QStringLiteral("working_hour_start"));
    r.workingHourEnd = integer32(object, QStringLiteral("working_hour_end"));
    r.defaultCategoryId = integer32(object, QStringLiteral("default_category_id"));
    r.showTask = integer32(object, QStringLiteral("show_task"));
    r.defaultEventDuration = integer32(object, QStringLiteral("default_eve_dur"));
    r.defaultTaskDuration = integer32(object, QStringLiteral("default_task_dur"));
    r.hideFutureTask = integer32(object, QStringLiteral("hide_future_task"));
    r.hideDoneTask = integer32(object, QStringLiteral("hide_done_task"));
    r.timezoneSupport = integer32(object, QStringLiteral("timezone_support"));
    r.timeZone = text(object, QStringLiteral("time_zone"));
    const QJsonValue stamps = object.value(QStringLiteral("last_updates"));
    if (stamps.isObject()) {
        r.lastUpdateSetting = integer32(stamps.toObject(), QStringLiteral("lastupdatesetting"));
        r.lastUpdateTask = integer32(stamps.toObject(), QStringLiteral("lastupdatetask"));
    }
    r.lastUpdate = integer32(object, QStringLiteral("last_update"));
    return result;
}

QStringList ZVWReply::answeredIds(const HttpReply& reply)
{
    QStringList ids;
    const Records list = records(reply);
    if (list.kind != ListKind::Array) return ids;
    const auto firstWord = [](const QString& line) {
        return line.trimmed().section(QLatin1Char(' '), 0, 0, QString::SectionSkipEmpty);
    };
    for (const QJsonValue& element : list.elements) {
        if (!element.isObject()) continue;
        const QJsonObject line = element.toObject();
        if (const auto success = text(line, QStringLiteral("success"))) {
            const QString id = firstWord(*success);
            if (!id.isEmpty()) ids.append(id);
        }
        if (const auto error = text(line, QStringLiteral("error")); error && !error->isEmpty()) {
            const QString id = firstWord(*error);
            if (!id.isEmpty()) ids.append(id);
        }
    }
    return ids;
}

qint64 ZVWReply::positiveId(const QString& text)
{
    if (text.isEmpty() || text.size() > 18) return 0;
    for (const QChar c : text)
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) return 0;
    return text.toLongLong();
}

bool ZVWReply::isDeletionIdList(const QString& ids)
{
    if (ids == QStringLiteral("0")) return true;
    if (ids.isEmpty()) return false;
    const QStringList parts = ids.split(QLatin1Char(','));
    return std::all_of(parts.cbegin(), parts.cend(), [](const QString& part) { return positiveId(part) > 0; });
}
