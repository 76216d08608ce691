#include "GTMBase64.h"

#include <QRandomGenerator>

#include <gtest/gtest.h>

namespace {

QByteArray bytes(std::initializer_list<unsigned char> values)
{
    QByteArray out;
    for (unsigned char v : values) out.append(static_cast<char>(v));
    return out;
}

struct EncodeCase {
    QByteArray data;
    const char* padded;
    const char* unpadded;
};

TEST(GTMBase64Test, EncodesWithTheUrlSafeAlphabet)
{
    const EncodeCase cases[] = {
        {bytes({0xFB, 0xFF}), "-_8=", "-_8"},
        {bytes({0xFB, 0xEF, 0xBE}), "----", "----"},
        {bytes({0xFF, 0xFF, 0xFF}), "____", "____"},
        {QByteArray("f"), "Zg==", "Zg"},
        {QByteArray("fo"), "Zm8=", "Zm8"},
        {QByteArray("foo"), "Zm9v", "Zm9v"},
        {QByteArray("foob"), "Zm9vYg==", "Zm9vYg"},
        {QByteArray("fooba"), "Zm9vYmE=", "Zm9vYmE"},
        {QByteArray("foobar"), "Zm9vYmFy", "Zm9vYmFy"},
    };
    for (const EncodeCase& c : cases) {
        SCOPED_TRACE(c.padded);
        EXPECT_EQ(GTMBase64::stringByWebSafeEncodingData(c.data, true), QString::fromLatin1(c.padded));
        EXPECT_EQ(GTMBase64::stringByWebSafeEncodingData(c.data, false), QString::fromLatin1(c.unpadded));
    }
}

TEST(GTMBase64Test, EmptyInputIsAFailureBothWays)
{
    EXPECT_FALSE(GTMBase64::stringByWebSafeEncodingData(QByteArray(), true).has_value());
    EXPECT_FALSE(GTMBase64::stringByWebSafeEncodingData(QByteArray(), false).has_value());
    EXPECT_FALSE(GTMBase64::webSafeDecodeString(QString()).has_value());
    EXPECT_FALSE(GTMBase64::webSafeDecodeString(QStringLiteral("")).has_value());
    EXPECT_FALSE(GTMBase64::webSafeDecodeString(QStringLiteral(" \r\n\t")).has_value());
}

// Every length and byte pattern must agree with Qt's own URL-safe encoder and
// come back unchanged through our decoder, padded or not.
TEST(GTMBase64Test, RandomBuffersRoundTripAndMatchQt)
{
    QRandomGenerator random(20130105);
    for (int length = 1; length <= 200; ++length) {
        QByteArray data(length, Qt::Uninitialized);
        for (char& c : data) c = static_cast<char>(random.bounded(256));
        SCOPED_TRACE(length);
        const QByteArray qtPadded = data.toBase64(QByteArray::Base64UrlEncoding);
        const QByteArray qtUnpadded =
            data.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals);

        const std::optional<QString> padded = GTMBase64::stringByWebSafeEncodingData(data, true);
        const std::optional<QString> unpadded = GTMBase64::stringByWebSafeEncodingData(data, false);
        ASSERT_TRUE(padded && unpadded);
        EXPECT_EQ(*padded, QString::fromLatin1(qtPadded));
        EXPECT_EQ(*unpadded, QString::fromLatin1(qtUnpadded));
        EXPECT_EQ(GTMBase64::webSafeDecodeString(*padded), data);
        EXPECT_EQ(GTMBase64::webSafeDecodeString(*unpadded), data);
    }
}

struct DecodeCase {
    QString text;
    QByteArray expected;  // empty: the text must not decode
};

TEST(GTMBase64Test, DecodesValidTextAndSkipsBlanks)
{
    const DecodeCase cases[] = {
        {QStringLiteral("-_8="), bytes({0xFB, 0xFF})},
        {QStringLiteral("-_8"), bytes({0xFB, 0xFF})},
        {QStringLiteral("Zm9v\nYmFy"), QByteArray("foobar")},
        {QStringLiteral("Zm9v\r\nYm\tFy "), QByteArray("foobar")},
        {QStringLiteral(" Zg=\n= "), QByteArray("f")},
        {QStringLiteral("Zg==\n\n"), QByteArray("f")},
        {QStringLiteral("Zm8=  "), QByteArray("fo")},
        {QStringLiteral("AA=="), QByteArray(1, '\0')},
        {QStringLiteral("Zm9v") + QChar(0) + QStringLiteral("!!!"), QByteArray("foo")},
        {QStringLiteral("Zg==") + QChar(0) + QStringLiteral("Zg"), QByteArray("f")},
    };
    for (const DecodeCase& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        EXPECT_EQ(GTMBase64::webSafeDecodeString(c.text), c.expected);
    }
}

TEST(GTMBase64Test, RejectsTextThatIsNotStrictlyValid)
{
    const QString rejected[] = {
        QStringLiteral("+"),                   // standard alphabet, not URL-safe
        QStringLiteral("Zm9v/w=="),            // standard alphabet
        QStringLiteral("Zm9v*"),               // outside every alphabet
        QStringLiteral("Zm9v") + QChar(0xE9),  // not ASCII
        QStringLiteral("Zm9v") + QChar(0xA0),  // not ASCII, though a blank
        QStringLiteral("Z"),                   // one character of a group
        QStringLiteral("Zm9vY"),               // one character of the last group
        QStringLiteral("="),                   // padding after no character
        QStringLiteral("Zm9v="),               // padding after no character of a group
        QStringLiteral("Zm9vY="),              // padding after one character
        QStringLiteral("Zg="),                 // second "=" missing
        QStringLiteral("Zg= x"),               // second "=" missing
        QStringLiteral("Zg==="),               // extra padding
        QStringLiteral("Zm8=="),               // extra padding after three characters
        QStringLiteral("Zg==Zg=="),            // data after the padding
        QStringLiteral("Zh=="),                // spare bits of the last character set
        QStringLiteral("Zh"),                  // the same without padding
        QStringLiteral("-_9="),                // spare bits of the last character set
    };
    for (const QString& text : rejected) {
        SCOPED_TRACE(text.toStdString());
        EXPECT_FALSE(GTMBase64::webSafeDecodeString(text).has_value());
    }
}

}  // namespace
