#include "CryptoError.h"

namespace {

struct StatusText {
    CryptorStatus status;
    const char* description;
    const char* failureReason;
};

constexpr StatusText kStatusTexts[] = {
    {CryptorStatus::Success, "Success", nullptr},
    {CryptorStatus::ParamError, "Parameter Error", "Illegal parameter supplied to encryption/decryption algorithm"},
    {CryptorStatus::BufferTooSmall, "Buffer Too Small", "Insufficient buffer provided for specified operation"},
    {CryptorStatus::MemoryFailure, "Memory Failure", "Failed to allocate memory"},
    {CryptorStatus::AlignmentError, "Alignment Error", "Input size to encryption algorithm was not aligned correctly"},
    {CryptorStatus::DecodeError, "Decode Error", "Input data did not decode or decrypt correctly"},
    {CryptorStatus::Unimplemented, "Unimplemented Function", "Function not implemented for the current algorithm"},
};

}  // namespace

CryptoError::CryptoError(qint32 code, const QString& description, const QString& failureReason)
    : m_domain(QStringLiteral("CommonCryptoErrorDomain")),
      m_code(code),
      m_description(description),
      m_failureReason(failureReason)
{
}

CryptoError CryptoError::errorWithCCCryptorStatus(qint32 status)
{
    for (const StatusText& text : kStatusTexts) {
        if (static_cast<qint32>(text.status) != status) continue;
        return CryptoError(status, QString::fromLatin1(text.description),
                           text.failureReason ? QString::fromLatin1(text.failureReason) : QString());
    }
    return CryptoError(status, QStringLiteral("Unknown Error"), QString());
}
