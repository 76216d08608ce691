#include "ZVWReply.h"

#include <QJsonDocument>
#include <QJsonValue>

#include <cmath>

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
