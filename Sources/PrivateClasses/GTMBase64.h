#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// Base64 in the URL- and filename-safe alphabet ("-" and "_" in place of "+"
// and "/", "=" as padding). Backups turn the database file into this text
// before encryption, so the decoder is strict: a damaged backup must fail to
// decode rather than restore as garbage.
class GTMBase64 {
public:
    // The encoded text; nothing for empty input, which we treat as a failure.
    static std::optional<QString> stringByWebSafeEncodingData(const QByteArray& data, bool padded);

    // The decoded bytes, or nothing when the text is not valid or decodes to
    // zero bytes. Padding is accepted but not required; blanks and line
    // breaks are skipped anywhere; a NUL character ends the text.
    static std::optional<QByteArray> webSafeDecodeString(const QString& string);
};
