#pragma once

#include "HttpSession.h"

#include <QJsonObject>
#include <QString>

#include <optional>

// Reading the web service's replies. A key whose value has another JSON type
// than the one expected (null included) counts as absent; integers are read
// from numbers or numeric texts, as 64-bit values.
class ZVWReply {
public:
    // How a reply is judged before its keys are read.
    enum class Kind {
        TransportFailure,  // no reply at all
        BadStatus,         // a status outside 200-299 without an error object
        NotADictionary,    // no JSON, JSON of another form, an empty body
        Dictionary,
    };

    // The body when it is a JSON object.
    static std::optional<QJsonObject> dictionary(const QByteArray& body);
    static std::optional<qint64> integer(const QJsonObject& object, const QString& key);
    static std::optional<QString> text(const QJsonObject& object, const QString& key);

    // An error object is read whatever the status; any other reply needs a
    // status of 200-299.
    static Kind judge(const HttpReply& reply);

    // The codes that mean the account is no longer valid.
    static bool isAccountRefusal(std::optional<qint64> code) { return code == 2 || code == 4; }

    // A token reply: the token (a non-empty text) and the error code, each
    // when present.
    struct Token {
        Kind kind = Kind::TransportFailure;
        std::optional<QString> token;
        std::optional<qint64> error;
    };
    static Token token(const HttpReply& reply);

    // Account creation: 0 created (an "account" entry), the "error" code
    // when refused, -1 for no usable reply.
    static qint64 accountCreationResult(const HttpReply& reply);
};
