#pragma once

#include "CryptoError.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <variant>

// A key as callers hold it: a text (used as its UTF-8 bytes) or raw bytes.
using CryptoKey = std::variant<QString, QByteArray>;

enum class CryptAlgorithm { AES };

// Option bits of the general pair.
enum CryptOption : quint32 {
    PKCS7Padding = 1,
};

// Encryption of whole byte buffers, as the account file and the backups are
// written: AES in CBC mode with PKCS7 padding and, unless one is given, an
// all-zero initialisation vector. The key is zero-filled or cut to an AES key
// size first: under 16 bytes to 16, 16 to 23 bytes to 24, anything longer to
// 32. A key of exactly 16 bytes therefore runs as a 24-byte key; files already
// written depend on this, so it stays.
class DataCrypto {
public:
    // The encrypted bytes, or nothing with *error set (when given). An empty
    // initializationVector means the zero vector; any other must be 16 bytes.
    static std::optional<QByteArray> AES256EncryptedDataUsingKey(
        const QByteArray& data, const CryptoKey& key, CryptoError* error = nullptr,
        const QByteArray& initializationVector = QByteArray());
    // The decrypted bytes, or nothing with *error set: a wrong key or damaged
    // input normally fails the padding check with CryptorStatus::DecodeError.
    static std::optional<QByteArray> decryptedAES256DataUsingKey(
        const QByteArray& data, const CryptoKey& key, CryptoError* error = nullptr,
        const QByteArray& initializationVector = QByteArray());

    // The general pair under the two above: they report the raw status
    // (when status is given), Success included.
    static std::optional<QByteArray> dataEncryptedUsingAlgorithm(
        const QByteArray& data, CryptAlgorithm algorithm, const CryptoKey& key,
        const QByteArray& initializationVector, quint32 options, CryptorStatus* status);
    static std::optional<QByteArray> decryptedDataUsingAlgorithm(
        const QByteArray& data, CryptAlgorithm algorithm, const CryptoKey& key,
        const QByteArray& initializationVector, quint32 options, CryptorStatus* status);
};
