#include "BackupFile.h"

#include "DataCrypto.h"
#include "GTMBase64.h"
#include "ModelTestFixture.h"
#include "Setting.h"
#include "Utilities.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QString manualKey = QString::fromLatin1(BackupFile::manualBackupKeyText);

QByteArray encrypt(const QByteArray& plain, const QString& fixedText)
{
    return DataCrypto::AES256EncryptedDataUsingKey(plain, Utilities::md5(fixedText)).value_or(QByteArray());
}

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

using BackupFileTest = ModelTest;

}  // namespace

TEST(BackupFileFormatTest, TheFixedTextsHaveTheirLengthsAndTheKeyIsTheirMD5Text)
{
    EXPECT_EQ(QString::fromLatin1(BackupFile::manualBackupKeyText).size(), 18);
    EXPECT_EQ(QString::fromLatin1(Setting::autoBackupKeyText).size(), 14);
    EXPECT_EQ(BackupFile::keyForText(manualKey), Utilities::md5(manualKey));
    EXPECT_EQ(Setting::autoBackupKey(), BackupFile::keyForText(QString::fromLatin1(Setting::autoBackupKeyText)));
    EXPECT_NE(BackupFile::keyForText(manualKey), Setting::autoBackupKey());
}

TEST(BackupFileFormatTest, TheFileIsTheCiphertextOfThePrefixAndThePaddedWebSafeBase64)
{
    // Bytes whose Base64 needs padding and uses both web-safe characters.
    const QByteArray database = QByteArray("SQLite format 3\0", 16) + QByteArray("\xfb\xff\xfe\x01", 4);
    const std::optional<QByteArray> file = BackupFile::encode(database, manualKey);
    ASSERT_TRUE(file);
    const std::optional<QByteArray> plain =
        DataCrypto::decryptedAES256DataUsingKey(*file, Utilities::md5(manualKey));
    ASSERT_TRUE(plain);
    const QByteArray expectedBase64 = database.toBase64(QByteArray::Base64UrlEncoding);
    EXPECT_TRUE(expectedBase64.contains('-') || expectedBase64.contains('_'));
    EXPECT_TRUE(expectedBase64.endsWith('='));
    EXPECT_EQ(*plain, QByteArrayLiteral("ZVMDatabase:") + expectedBase64);
    EXPECT_EQ(file->size() % 16, 0) << "nothing but whole AES blocks: no header, no length";
    EXPECT_EQ(BackupFile::decode(*file, manualKey), database);
}

TEST(BackupFileFormatTest, FilesThatAreNoBackupOfThatKeyDecodeToNothing)
{
    const QByteArray database("SQLite format 3\0rest", 20);
    const QByteArray good = BackupFile::encode(database, manualKey).value();
    const QString base64 = GTMBase64::stringByWebSafeEncodingData(database, true).value();
    const struct {
        const char* what;
        QByteArray file;
    } cases[] = {
        {"empty", QByteArray()},
        {"the other key", BackupFile::encode(database, QString::fromLatin1(Setting::autoBackupKeyText)).value()},
        {"truncated", good.left(good.size() - 5)},
        {"one block short", good.left(good.size() - 16)},
        {"damaged", QByteArray(good).replace(3, 1, "\x00")},
        {"plain text", QByteArrayLiteral("ZVMDatabase:U1FMaXRl")},
        {"no colon", encrypt(QByteArrayLiteral("ZVMDatabase") + base64.toLatin1(), manualKey)},
        {"shorter than the prefix", encrypt(QByteArrayLiteral("ZVMData"), manualKey)},
        {"the prefix alone", encrypt(QByteArrayLiteral("ZVMDatabase:"), manualKey)},
        {"not Base64", encrypt(QByteArrayLiteral("ZVMDatabase:***"), manualKey)},
        {"not ASCII", encrypt(QByteArrayLiteral("ZVMDatabase:\xc3\xa9\xc3\xa9"), manualKey)},
    };
    for (const auto& c : cases) {
        QString problem;
        EXPECT_FALSE(BackupFile::decode(c.file, manualKey, &problem)) << c.what;
        EXPECT_FALSE(problem.isEmpty()) << c.what;
    }
}

TEST(BackupFileFormatTest, OnlyASoundSQLiteFilePassesTheCheck)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("copy.sql"));
    // A sound database, made here.
    {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(path.toUtf8().constData(), &db), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(db, "CREATE TABLE t(a); INSERT INTO t VALUES(1);", nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(db);
    }
    const QByteArray sound = fileBytes(path);
    EXPECT_TRUE(BackupFile::checkDatabaseFile(path));
    EXPECT_TRUE(BackupFile::hasSQLiteHeader(sound));

    QByteArray damaged = sound;
    for (int i = 100; i < damaged.size(); i += 7) damaged[i] = char(0x5a);
    const struct {
        const char* what;
        QByteArray bytes;
    } bad[] = {
        {"text", QByteArrayLiteral("hello, world")},
        {"the header alone", sound.left(16)},
        {"cut after the first page", sound.left(sound.size() / 2)},
        {"damaged pages", damaged},
    };
    for (const auto& c : bad) {
        ASSERT_TRUE(writeBytes(path, c.bytes));
        QString problem;
        EXPECT_FALSE(BackupFile::checkDatabaseFile(path, &problem)) << c.what;
        EXPECT_FALSE(problem.isEmpty()) << c.what;
        EXPECT_EQ(fileBytes(path), c.bytes) << "the check writes nothing: " << c.what;
    }
    EXPECT_FALSE(BackupFile::checkDatabaseFile(dir.filePath(QStringLiteral("missing.sql"))));
}

TEST_F(BackupFileTest, TheSnapshotIsACopyOfTheOpenDatabase)
{
    exec(QStringLiteral("CREATE TABLE Marker(v); INSERT INTO Marker VALUES(42);"));
    const std::optional<QByteArray> snapshot = BackupFile::databaseSnapshot();
    ASSERT_TRUE(snapshot);
    EXPECT_TRUE(BackupFile::hasSQLiteHeader(*snapshot));
    const QString path = dataFolder() + QStringLiteral("/snapshot.sql");
    ASSERT_TRUE(writeBytes(path, *snapshot));
    EXPECT_TRUE(BackupFile::checkDatabaseFile(path));
    sqlite3* copy = nullptr;
    ASSERT_EQ(sqlite3_open(path.toUtf8().constData(), &copy), SQLITE_OK);
    sqlite3_stmt* statement = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(copy, "SELECT v FROM Marker", -1, &statement, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_step(statement), SQLITE_ROW);
    EXPECT_EQ(sqlite3_column_int(statement, 0), 42);
    sqlite3_finalize(statement);
    sqlite3_close(copy);

    RecordStore::setSharedDatabase(nullptr);
    EXPECT_FALSE(BackupFile::databaseSnapshot()) << "no snapshot without an open database";
    RecordStore::setSharedDatabase(db());
}
