// Decryption of the account file and the backups: a key and the cipher text
// from the bytes (the first byte says how long the key is).
#include "DataCrypto.h"
#include "FuzzSupport.h"

#include <algorithm>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    Fuzz::setUp();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) return 0;
    const size_t keyLength = std::min<size_t>(data[0] % 48, size - 1);
    const QByteArray key = Fuzz::bytes(data + 1, keyLength);
    const QByteArray cipher = Fuzz::bytes(data + 1 + keyLength, size - 1 - keyLength);

    const std::optional<QByteArray> plain = DataCrypto::decryptedAES256DataUsingKey(cipher, key);
    if (!plain) return 0;
    // CBC with PKCS7 padding is deterministic: what decrypts, encrypts back to the same bytes.
    Fuzz::require(DataCrypto::AES256EncryptedDataUsingKey(*plain, key) == cipher, "decryption round-trips");
    // The same bytes as a text key decrypt the same way when the text is the bytes' UTF-8.
    const QString textKey = QString::fromUtf8(key);
    if (textKey.toUtf8() == key)
        Fuzz::require(DataCrypto::decryptedAES256DataUsingKey(cipher, textKey) == plain, "a text key is its UTF-8");
    return 0;
}
