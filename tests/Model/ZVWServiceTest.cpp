#include "ZVWService.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QStandardPaths>

#include <gtest/gtest.h>

namespace {

// Writes the user's configuration file for the life of the object.
class ScopedConfiguration {
public:
    explicit ScopedConfiguration(const QByteArray& contents)
    {
        const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                               QStringLiteral("/Zoravel");
        QDir().mkpath(folder);
        m_path = folder + QStringLiteral("/Zoravel.conf");
        QFile file(m_path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(contents);
    }
    ~ScopedConfiguration() { QFile::remove(m_path); }

private:
    QString m_path;
};

class ZVWServiceTest : public ::testing::Test {
protected:
    void TearDown() override { qunsetenv("ZORAVEL_SERVICE_URL"); }
};

}  // namespace

TEST_F(ZVWServiceTest, OnlyHttpAddressesWithAHostAreTakenWithoutTheirTrailingSlash)
{
    struct Case {
        const char* given;
        const char* taken;  // null: refused
    };
    const Case cases[] = {
        {"https://sync.example.org/", "https://sync.example.org"},
        {"  http://127.0.0.1:8080//  ", "http://127.0.0.1:8080"},
        {"https://sync.example.org/zoravel", "https://sync.example.org/zoravel"},
        {"ftp://sync.example.org", nullptr},
        {"sync.example.org", nullptr},
        {"https://", nullptr},
        {"https://sync.example.org/?a=1", nullptr},
        {"https://sync.example.org/#top", nullptr},
        {"https://user:pw@sync.example.org", nullptr},
        {"", nullptr},
    };
    for (const Case& c : cases) {
        const QString taken = ZVWService::normalizedBaseAddress(QString::fromLatin1(c.given));
        if (c.taken)
            EXPECT_EQ(taken, QString::fromLatin1(c.taken)) << c.given;
        else
            EXPECT_TRUE(taken.isNull()) << c.given;
    }
    EXPECT_EQ(ZVWService::hostOf(QStringLiteral("https://sync.example.org:8443/x")), QStringLiteral("sync.example.org"));
}

TEST_F(ZVWServiceTest, TheEnvironmentWinsOverTheFileWhichWinsOverTheUnresolvableDefault)
{
    EXPECT_EQ(ZVWService::baseAddressFromConfiguration(), ZVWService::defaultBaseAddress());
    EXPECT_TRUE(ZVWService::hostOf(ZVWService::defaultBaseAddress()).endsWith(QStringLiteral(".invalid")));

    ScopedConfiguration file("[Service]\nBaseURL=https://from-file.example.org/\n");
    EXPECT_EQ(ZVWService::baseAddressFromConfiguration(), QStringLiteral("https://from-file.example.org"));

    qputenv("ZORAVEL_SERVICE_URL", "http://127.0.0.1:4000");
    EXPECT_EQ(ZVWService::baseAddressFromConfiguration(), QStringLiteral("http://127.0.0.1:4000"));

    qputenv("ZORAVEL_SERVICE_URL", "not an address");
    EXPECT_EQ(ZVWService::baseAddressFromConfiguration(), QStringLiteral("https://from-file.example.org"))
        << "an unusable setting is skipped, not used";
}

TEST_F(ZVWServiceTest, TheApplicationKeyIs32LowerCaseHexDigits)
{
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^[0-9a-f]{32}$")).match(ZVWService::applicationKey()).hasMatch());
}
