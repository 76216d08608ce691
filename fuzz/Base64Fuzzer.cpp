// The URL-safe Base64 of the backups.
#include "FuzzSupport.h"
#include "GTMBase64.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    Fuzz::setUp();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    for (const QString& text : {Fuzz::latin1Text(data, size), Fuzz::utf8Text(data, size)}) {
        const std::optional<QByteArray> decoded = GTMBase64::webSafeDecodeString(text);
        if (!decoded) continue;
        Fuzz::require(!decoded->isEmpty(), "a decoded text is never empty");
        for (bool padded : {true, false}) {
            const std::optional<QString> encoded = GTMBase64::stringByWebSafeEncodingData(*decoded, padded);
            Fuzz::require(encoded.has_value(), "decoded bytes encode");
            Fuzz::require(GTMBase64::webSafeDecodeString(*encoded) == decoded, "decoded bytes round-trip");
        }
    }
    return 0;
}
