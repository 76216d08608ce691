#pragma once

#include "HttpSession.h"
#include "ModelTypes.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

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
    // False when the body cannot be a JSON object (its first byte after
    // blanks is not "{"); read without parsing.
    static bool mayBeDictionary(const QByteArray& body);
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

    // ---- lists of records (tags, categories, upload and delete answers) -----
    enum class ListKind {
        TransportFailure,
        BadStatus,    // a status outside 200-299 without an error object
        ErrorObject,  // a JSON object with "error": the service refused the call
        NotAnArray,   // no JSON, or JSON of another form
        Array,
    };
    struct Records {
        ListKind kind = ListKind::TransportFailure;
        // The elements that are objects without "error", in order.
        QList<QJsonObject> records;
        // Elements that were refusals ("error") or not objects at all: the
        // list is then not the whole of what the service holds.
        qsizetype refused = 0;
        std::optional<qint64> errorCode;  // of an error object
        // Every element as it stands (replies matched by position).
        QJsonArray elements;
    };
    static Records records(const HttpReply& reply);

    // A 32-bit signed integer (as the records carry them); a value out of
    // that range counts as absent.
    static std::optional<qint64> integer32(const QJsonObject& object, const QString& key);

    // A downloaded tag: "name" and "id".
    static TagPtr tag(const QJsonObject& record);
    // A downloaded category, fields of a new category where keys are absent.
    static CalendarPtr category(const QJsonObject& record);
    // The tags text of the service (a,b) as stored (/a/b), and back.
    static QString storedTagList(const QString& serviceTags);
    static QString serviceTagList(const QString& storedTags);
    // Blanks and commas trimmed at both ends.
    static QString trimmedName(const QString& name);

    // The settings record of the service, each value when present.
    struct SettingsRecord {
        std::optional<qint64> confirmDelete, weekStart, workingHourStart, workingHourEnd, defaultCategoryId, showTask,
            defaultEventDuration, defaultTaskDuration, hideFutureTask, hideDoneTask, timezoneSupport,
            lastUpdateSetting, lastUpdateTask, lastUpdate;
        std::optional<QString> timeZone;
        bool hasError = false;
        std::optional<qint64> errorCode;
    };
    struct Settings {
        Kind kind = Kind::TransportFailure;
        SettingsRecord record;  // meaningful for a dictionary only
    };
    static Settings settings(const HttpReply& reply);

    // The ids that a deletion reply answers for: the first blank-separated
    // word of each "success" text, and of each non-empty "error" text.
    static QStringList answeredIds(const HttpReply& reply);

    // "0", or positive decimal integers joined by ",": the only texts that go
    // into a deletion address.
    static bool isDeletionIdList(const QString& ids);
    // A positive decimal integer (digits only); 0 otherwise.
    static qint64 positiveId(const QString& text);
};
