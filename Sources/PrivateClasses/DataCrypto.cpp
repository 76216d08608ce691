#include "DataCrypto.h"

#include <openssl/evp.h>

#include <algorithm>
#include <memory>

namespace {

constexpr qsizetype kBlockSize = 16;

enum class Direction { Decrypt = 0, Encrypt = 1 };  // the values EVP_CipherInit_ex expects

struct CipherContextFree {
    void operator()(EVP_CIPHER_CTX* context) const { EVP_CIPHER_CTX_free(context); }
};
using CipherContext = std::unique_ptr<EVP_CIPHER_CTX, CipherContextFree>;

QByteArray keyBytes(const CryptoKey& key)
{
    if (const QString* text = std::get_if<QString>(&key)) return text->toUtf8();
    return std::get<QByteArray>(key);
}

QByteArray fixKeyLength(QByteArray key)
{
    const qsizetype size = key.size() < 16 ? 16 : (key.size() < 24 ? 24 : 32);
    key.resize(size, '\0');
    return key;
}

const EVP_CIPHER* cbcCipher(CryptAlgorithm algorithm, qsizetype keySize)
{
    switch (algorithm) {
    case CryptAlgorithm::AES:
        if (keySize == 16) return EVP_aes_128_cbc();
        if (keySize == 24) return EVP_aes_192_cbc();
        return EVP_aes_256_cbc();
    }
    return nullptr;
}

std::optional<QByteArray> failWith(CryptorStatus failure, CryptorStatus* status)
{
    if (status) *status = failure;
    return std::nullopt;
}

// Feeds the input in pieces because the cipher counts lengths in int.
bool updateCipher(EVP_CIPHER_CTX* context, const QByteArray& data, unsigned char* out, qsizetype& written)
{
    constexpr qsizetype kPiece = 1 << 30;
    const auto* in = reinterpret_cast<const unsigned char*>(data.constData());
    for (qsizetype offset = 0; offset < data.size(); offset += kPiece) {
        const int length = static_cast<int>(std::min(kPiece, data.size() - offset));
        int piece = 0;
        if (EVP_CipherUpdate(context, out + written, &piece, in + offset, length) != 1) return false;
        written += piece;
    }
    return true;
}

std::optional<QByteArray> crypt(Direction direction, const QByteArray& data, CryptAlgorithm algorithm,
                                const CryptoKey& key, const QByteArray& initializationVector,
                                quint32 options, CryptorStatus* status)
{
    if ((options & ~quint32(PKCS7Padding)) != 0) return failWith(CryptorStatus::ParamError, status);
    if (!initializationVector.isEmpty() && initializationVector.size() != kBlockSize)
        return failWith(CryptorStatus::ParamError, status);
    const bool padded = options & PKCS7Padding;
    if ((!padded || direction == Direction::Decrypt) && data.size() % kBlockSize != 0)
        return failWith(CryptorStatus::AlignmentError, status);

    const QByteArray fixedKey = fixKeyLength(keyBytes(key));
    const QByteArray vector = initializationVector.isEmpty() ? QByteArray(kBlockSize, '\0') : initializationVector;
    CipherContext context(EVP_CIPHER_CTX_new());
    if (!context) return failWith(CryptorStatus::MemoryFailure, status);
    if (EVP_CipherInit_ex(context.get(), cbcCipher(algorithm, fixedKey.size()), nullptr,
                          reinterpret_cast<const unsigned char*>(fixedKey.constData()),
                          reinterpret_cast<const unsigned char*>(vector.constData()),
                          static_cast<int>(direction)) != 1)
        return failWith(CryptorStatus::ParamError, status);
    EVP_CIPHER_CTX_set_padding(context.get(), padded ? 1 : 0);

    QByteArray out(data.size() + kBlockSize, Qt::Uninitialized);
    auto* buffer = reinterpret_cast<unsigned char*>(out.data());
    qsizetype written = 0;
    if (!updateCipher(context.get(), data, buffer, written)) return failWith(CryptorStatus::ParamError, status);
    int finalWritten = 0;
    // With the length checked above, the only way the last block fails is a
    // padding that does not check out: a wrong key or damaged input.
    if (EVP_CipherFinal_ex(context.get(), buffer + written, &finalWritten) != 1)
        return failWith(CryptorStatus::DecodeError, status);
    out.resize(written + finalWritten);
    if (status) *status = CryptorStatus::Success;
    return out;
}

std::optional<QByteArray> cryptAES256(Direction direction, const QByteArray& data, const CryptoKey& key,
                                      CryptoError* error, const QByteArray& initializationVector)
{
    CryptorStatus status = CryptorStatus::Success;
    std::optional<QByteArray> result = crypt(direction, data, CryptAlgorithm::AES, key, initializationVector,
                                             PKCS7Padding, &status);
    if (!result && error) *error = CryptoError::errorWithCCCryptorStatus(status);
    return result;
}

}  // namespace

std::optional<QByteArray> DataCrypto::AES256EncryptedDataUsingKey(const QByteArray& data, const CryptoKey& key,
                                                                  CryptoError* error,
                                                                  const QByteArray& initializationVector)
{
    return cryptAES256(Direction::Encrypt, data, key, error, initializationVector);
}

std::optional<QByteArray> DataCrypto::decryptedAES256DataUsingKey(const QByteArray& data, const CryptoKey& key,
                                                                  CryptoError* error,
                                                                  const QByteArray& initializationVector)
{
    return cryptAES256(Direction::Decrypt, data, key, error, initializationVector);
}

std::optional<QByteArray> DataCrypto::dataEncryptedUsingAlgorithm(const QByteArray& data, CryptAlgorithm algorithm,
                                                                  const CryptoKey& key,
                                                                  const QByteArray& initializationVector,
                                                                  quint32 options, CryptorStatus* status)
{
    return crypt(Direction::Encrypt, data, algorithm, key, initializationVector, options, status);
}

std::optional<QByteArray> DataCrypto::decryptedDataUsingAlgorithm(const QByteArray& data, CryptAlgorithm algorithm,
                                                                  const CryptoKey& key,
                                                                  const QByteArray& initializationVector,
                                                                  quint32 options, CryptorStatus* status)
{
    return crypt(Direction::Decrypt, data, algorithm, key, initializationVector, options, status);
}
