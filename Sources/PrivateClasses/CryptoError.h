#pragma once

#include <QString>

// Status of one encryption or decryption. The numbers are those the error
// codes carry, so they stay stable for anyone who logs or compares them.
enum class CryptorStatus : qint32 {
    Success = 0,
    ParamError = -4300,
    BufferTooSmall = -4301,
    MemoryFailure = -4302,
    AlignmentError = -4303,
    DecodeError = -4304,
    Unimplemented = -4305,
};

// The error value handed back by the AES helpers: a domain, the cryptor
// status as code, and the texts shown to the user.
class CryptoError {
public:
    static CryptoError errorWithCCCryptorStatus(qint32 status);
    static CryptoError errorWithCCCryptorStatus(CryptorStatus status)
    {
        return errorWithCCCryptorStatus(static_cast<qint32>(status));
    }

    const QString& domain() const { return m_domain; }
    qint32 code() const { return m_code; }
    const QString& localizedDescription() const { return m_description; }
    // Null when the status has no reason to give.
    const QString& localizedFailureReason() const { return m_failureReason; }

private:
    CryptoError(qint32 code, const QString& description, const QString& failureReason);

    QString m_domain;
    qint32 m_code = 0;
    QString m_description;
    QString m_failureReason;
};
