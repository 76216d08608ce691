#include "CryptoError.h"

#include <gtest/gtest.h>

namespace {

struct ErrorCase {
    qint32 status;
    const char* description;
    const char* failureReason;  // nullptr: none
};

TEST(CryptoErrorTest, StatusGivesItsDescriptionAndReason)
{
    const ErrorCase cases[] = {
        {0, "Success", nullptr},
        {-4300, "Parameter Error", "Illegal parameter supplied to encryption/decryption algorithm"},
        {-4301, "Buffer Too Small", "Insufficient buffer provided for specified operation"},
        {-4302, "Memory Failure", "Failed to allocate memory"},
        {-4303, "Alignment Error", "Input size to encryption algorithm was not aligned correctly"},
        {-4304, "Decode Error", "Input data did not decode or decrypt correctly"},
        {-4305, "Unimplemented Function", "Function not implemented for the current algorithm"},
        {-4306, "Unknown Error", nullptr},
        {1, "Unknown Error", nullptr},
    };
    for (const ErrorCase& c : cases) {
        SCOPED_TRACE(c.status);
        const CryptoError error = CryptoError::errorWithCCCryptorStatus(c.status);
        EXPECT_EQ(error.domain(), QStringLiteral("CommonCryptoErrorDomain"));
        EXPECT_EQ(error.code(), c.status);
        EXPECT_EQ(error.localizedDescription(), QString::fromLatin1(c.description));
        if (c.failureReason)
            EXPECT_EQ(error.localizedFailureReason(), QString::fromLatin1(c.failureReason));
        else
            EXPECT_TRUE(error.localizedFailureReason().isNull());
    }
}

}  // namespace
