#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>

#include <optional>

// XML property lists to and from QVariant:
//   dict <-> QVariantMap (a QVariantHash is written too), array <-> QVariantList
//   (a QStringList is written too), string <-> QString, integer <-> qint64,
//   real <-> double, true/false <-> bool, date <-> QDateTime in UTC (whole
//   seconds), data <-> QByteArray.
// Files are written atomically: a failed write leaves the old file whole.
class PropertyList {
public:
    enum class Error { None, FileMissing, CannotRead, Malformed, CannotWrite, UnsupportedValue };

    struct Result {
        QVariant value;
        Error error = Error::None;
        QString errorText;
        bool ok() const { return error == Error::None; }
    };

    static Result readFile(const QString& path);
    static Result fromData(const QByteArray& data);

    // Error::None on success.
    static Error writeFile(const QString& path, const QVariant& value);
    // Nothing when the value holds a type a property list cannot carry.
    static std::optional<QByteArray> toData(const QVariant& value);
};
