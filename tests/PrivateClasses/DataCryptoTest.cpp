#include "DataCrypto.h"

#include <openssl/evp.h>

#include <gtest/gtest.h>

namespace {

const QString kKey = QStringLiteral("0123456789abcdef0123456789abcdef");

QByteArray sampleData(qsizetype length)
{
    QByteArray data(length, Qt::Uninitialized);
    for (qsizetype i = 0; i < length; ++i) data[i] = static_cast<char>((i * 37 + 11) & 0xFF);
    return data;
}

// An independent encryption straight through the library, to say which key
// bytes and cipher a result was made with.
QByteArray referenceCrypt(const EVP_CIPHER* cipher, const QByteArray& key, const QByteArray& data, bool encrypt,
                          bool padded = true)
{
    EVP_CIPHER_CTX* context = EVP_CIPHER_CTX_new();
    const QByteArray iv(16, '\0');
    EVP_CipherInit_ex(context, cipher, nullptr, reinterpret_cast<const unsigned char*>(key.constData()),
                      reinterpret_cast<const unsigned char*>(iv.constData()), encrypt ? 1 : 0);
    EVP_CIPHER_CTX_set_padding(context, padded ? 1 : 0);
    QByteArray out(data.size() + 16, '\0');
    int written = 0, last = 0;
    EVP_CipherUpdate(context, reinterpret_cast<unsigned char*>(out.data()), &written,
                     reinterpret_cast<const unsigned char*>(data.constData()), static_cast<int>(data.size()));
    EVP_CipherFinal_ex(context, reinterpret_cast<unsigned char*>(out.data()) + written, &last);
    EVP_CIPHER_CTX_free(context);
    out.resize(written + last);
    return out;
}

TEST(DataCryptoTest, EncryptsToWholeBlocksAndDecryptsBack)
{
    for (qsizetype n : {0, 1, 15, 16, 17, 31, 32, 33, 1000}) {
        SCOPED_TRACE(n);
        const QByteArray plain = sampleData(n);
        const std::optional<QByteArray> cipher = DataCrypto::AES256EncryptedDataUsingKey(plain, kKey);
        ASSERT_TRUE(cipher.has_value());
        EXPECT_EQ(cipher->size(), 16 * (n / 16 + 1));
        if (n > 0) {
            EXPECT_NE(cipher->left(n), plain);
        }
        const std::optional<QByteArray> decrypted = DataCrypto::decryptedAES256DataUsingKey(*cipher, kKey);
        ASSERT_TRUE(decrypted.has_value());
        EXPECT_EQ(*decrypted, plain);
    }
}

// Published test vectors: FIPS-197 C.3 (AES-256; with the zero vector the
// first CBC block is the plain block cipher) and SP 800-38A F.2.5 (CBC-AES256
// with a given vector).
TEST(DataCryptoTest, MatchesPublishedVectorsWithZeroAndGivenVector)
{
    const QByteArray fipsKey = QByteArray::fromHex("000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f");
    const QByteArray fipsPlain = QByteArray::fromHex("00112233445566778899aabbccddeeff");
    const std::optional<QByteArray> fips = DataCrypto::AES256EncryptedDataUsingKey(fipsPlain, fipsKey);
    ASSERT_TRUE(fips.has_value());
    EXPECT_EQ(fips->left(16).toHex(), QByteArray("8ea2b7ca516745bfeafc49904b496089"));

    const QByteArray spKey = QByteArray::fromHex("603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4");
    const QByteArray spIv = QByteArray::fromHex("000102030405060708090a0b0c0d0e0f");
    const QByteArray spPlain = QByteArray::fromHex(
        "6bc1bee22e409f96e93d7e117393172aae2d8a571e03ac9c9eb76fac45af8e51");
    const std::optional<QByteArray> sp = DataCrypto::AES256EncryptedDataUsingKey(spPlain, spKey, nullptr, spIv);
    ASSERT_TRUE(sp.has_value());
    EXPECT_EQ(sp->left(32).toHex(),
              QByteArray("f58c4c04d6e5f1ba779eabfb5f7bfbd69cfc4e967edb808d679f777bc6702c7d"));
    EXPECT_EQ(DataCrypto::decryptedAES256DataUsingKey(*sp, spKey, nullptr, spIv), spPlain);
}

struct KeyCase {
    CryptoKey key;
    QByteArray effectiveKey;
    const EVP_CIPHER* cipher;
};

TEST(DataCryptoTest, KeyIsZeroFilledOrCutToAnAesKeySize)
{
    const QString key40 = kKey + QStringLiteral("ABCDEFGH");
    const KeyCase cases[] = {
        {kKey, kKey.toUtf8(), EVP_aes_256_cbc()},
        {key40, kKey.toUtf8(), EVP_aes_256_cbc()},
        {QStringLiteral("short key!"), QByteArray("short key!") + QByteArray(6, '\0'), EVP_aes_128_cbc()},
        {QByteArray(16, 'k'), QByteArray(16, 'k') + QByteArray(8, '\0'), EVP_aes_192_cbc()},
        {QByteArray(24, 'k'), QByteArray(24, 'k') + QByteArray(8, '\0'), EVP_aes_256_cbc()},
        {QString(), QByteArray(16, '\0'), EVP_aes_128_cbc()},
        // A text key is its UTF-8 bytes: 16 two-byte characters are 32 bytes.
        {QString(16, QChar(0xE9)), QString(16, QChar(0xE9)).toUtf8(), EVP_aes_256_cbc()},
    };
    const QByteArray plain = sampleData(40);
    for (const KeyCase& c : cases) {
        SCOPED_TRACE(c.effectiveKey.toHex().toStdString());
        const std::optional<QByteArray> cipher = DataCrypto::AES256EncryptedDataUsingKey(plain, c.key);
        ASSERT_TRUE(cipher.has_value());
        EXPECT_EQ(*cipher, referenceCrypt(c.cipher, c.effectiveKey, plain, true));
    }
}

TEST(DataCryptoTest, SameKeyAndSameFirstBlockGiveTheSameFirstBlock)
{
    const QByteArray a = sampleData(16) + QByteArray("first file");
    const QByteArray b = sampleData(16) + QByteArray("another, longer file");
    const std::optional<QByteArray> cipherA = DataCrypto::AES256EncryptedDataUsingKey(a, kKey);
    const std::optional<QByteArray> cipherB = DataCrypto::AES256EncryptedDataUsingKey(b, kKey);
    ASSERT_TRUE(cipherA && cipherB);
    EXPECT_EQ(cipherA->left(16), cipherB->left(16));
    EXPECT_NE(cipherA->mid(16, 16), cipherB->mid(16, 16));
}

struct DecryptFailure {
    const char* name;
    QByteArray data;
    CryptoKey key;
    QByteArray initializationVector;
    CryptorStatus status;
};

TEST(DataCryptoTest, UndecryptableInputGivesNothingAndTheStatusError)
{
    const QByteArray plain = sampleData(40);
    const QByteArray cipher = *DataCrypto::AES256EncryptedDataUsingKey(plain, kKey);
    // A last block whose padding byte is 0 can only come from damage.
    const QByteArray badPadding = referenceCrypt(EVP_aes_256_cbc(), kKey.toUtf8(), sampleData(31) + '\0', true, false);
    const DecryptFailure cases[] = {
        {"wrong key", cipher, QStringLiteral("fedcba9876543210fedcba9876543210"), {}, CryptorStatus::DecodeError},
        {"bad padding", badPadding, kKey, {}, CryptorStatus::DecodeError},
        {"no block at all", QByteArray(), kKey, {}, CryptorStatus::DecodeError},
        {"truncated", cipher.left(cipher.size() - 1), kKey, {}, CryptorStatus::AlignmentError},
        {"one byte too many", cipher + 'x', kKey, {}, CryptorStatus::AlignmentError},
        {"vector of 8 bytes", cipher, kKey, QByteArray(8, '\0'), CryptorStatus::ParamError},
    };
    for (const DecryptFailure& c : cases) {
        SCOPED_TRACE(c.name);
        CryptoError error = CryptoError::errorWithCCCryptorStatus(CryptorStatus::Success);
        EXPECT_FALSE(DataCrypto::decryptedAES256DataUsingKey(c.data, c.key, &error, c.initializationVector));
        EXPECT_EQ(error.code(), static_cast<qint32>(c.status));
        EXPECT_EQ(error.domain(), QStringLiteral("CommonCryptoErrorDomain"));
        // The caller may leave out the error place.
        EXPECT_FALSE(DataCrypto::decryptedAES256DataUsingKey(c.data, c.key, nullptr, c.initializationVector));
    }
}

TEST(DataCryptoTest, GeneralPairReportsTheRawStatus)
{
    const QByteArray plain = sampleData(32);
    CryptorStatus status = CryptorStatus::MemoryFailure;
    const std::optional<QByteArray> unpadded = DataCrypto::dataEncryptedUsingAlgorithm(
        plain, CryptAlgorithm::AES, kKey, QByteArray(), 0, &status);
    ASSERT_TRUE(unpadded.has_value());
    EXPECT_EQ(status, CryptorStatus::Success);
    EXPECT_EQ(unpadded->size(), 32);

    EXPECT_FALSE(DataCrypto::dataEncryptedUsingAlgorithm(sampleData(33), CryptAlgorithm::AES, kKey, QByteArray(),
                                                         0, &status));
    EXPECT_EQ(status, CryptorStatus::AlignmentError);

    EXPECT_EQ(DataCrypto::decryptedDataUsingAlgorithm(*unpadded, CryptAlgorithm::AES, kKey, QByteArray(), 0, &status),
              plain);
    EXPECT_EQ(status, CryptorStatus::Success);

    EXPECT_FALSE(DataCrypto::decryptedDataUsingAlgorithm(*unpadded, CryptAlgorithm::AES, kKey, QByteArray(), 4,
                                                         &status));
    EXPECT_EQ(status, CryptorStatus::ParamError);
}

}  // namespace
