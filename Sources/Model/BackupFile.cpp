#include "BackupFile.h"

#include "DataCrypto.h"
#include "GTMBase64.h"
#include "RecordGuard.h"
#include "RecordStore.h"
#include "Utilities.h"

#include <QTemporaryFile>

#include <memory>

#include <sqlite3.h>

namespace {

constexpr const char* copyErrorText = "Error: failed to copy the database with message '%s'.";
const QByteArray sqliteHeader("SQLite format 3\0", 16);

struct DatabaseCloser {
    void operator()(sqlite3* database) const { sqlite3_close(database); }
};
using DatabaseHandle = std::unique_ptr<sqlite3, DatabaseCloser>;

bool copyDatabase(sqlite3* source, const QString& destinationPath)
{
    sqlite3* opened = nullptr;
    const int openResult = sqlite3_open_v2(destinationPath.toUtf8().constData(), &opened,
                                           SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    DatabaseHandle destination(opened);
    if (openResult != SQLITE_OK) return false;
    RecordStore::waitForLocks(destination.get());
    sqlite3_backup* backup = sqlite3_backup_init(destination.get(), "main", source, "main");
    const bool copied = backup && sqlite3_backup_step(backup, -1) == SQLITE_DONE;
    if (backup) sqlite3_backup_finish(backup);  // leaves its error on the destination
    if (!copied) {
        RecordStore::logFailure(copyErrorText, destination.get());
        return false;
    }
    return sqlite3_close(destination.release()) == SQLITE_OK;
}

void say(QString* problem, const QString& text)
{
    if (problem) *problem = text;
}

}  // namespace

namespace BackupFile {

QString keyForText(const QString& fixedText)
{
    return Utilities::md5(fixedText);
}

std::optional<QByteArray> encode(const QByteArray& database, const QString& fixedText)
{
    const std::optional<QString> encoded = GTMBase64::stringByWebSafeEncodingData(database, true);
    if (!encoded) return std::nullopt;
    const QByteArray plain = QByteArray(textPrefix) + encoded->toLatin1();
    return DataCrypto::AES256EncryptedDataUsingKey(plain, keyForText(fixedText));
}

std::optional<QByteArray> decode(const QByteArray& file, const QString& fixedText, QString* problem)
{
    const std::optional<QByteArray> plain = DataCrypto::decryptedAES256DataUsingKey(file, keyForText(fixedText));
    if (!plain) {
        say(problem, QStringLiteral("it does not decrypt with the backup key"));
        return std::nullopt;
    }
    const QByteArray prefix(textPrefix);
    if (plain->size() < prefix.size() || !plain->startsWith(prefix)) {
        say(problem, QStringLiteral("it does not begin with the backup prefix"));
        return std::nullopt;
    }
    // ASCII only: a byte above 127 cannot be part of the Base64 text.
    const QByteArray rest = plain->mid(prefix.size());
    for (const char byte : rest) {
        if (static_cast<unsigned char>(byte) > 127) {
            say(problem, QStringLiteral("its text is not ASCII"));
            return std::nullopt;
        }
    }
    std::optional<QByteArray> database = GTMBase64::webSafeDecodeString(QString::fromLatin1(rest));
    if (!database || database->isEmpty()) {
        say(problem, QStringLiteral("its content is not Base64"));
        return std::nullopt;
    }
    return database;
}

bool hasSQLiteHeader(const QByteArray& bytes)
{
    return bytes.startsWith(sqliteHeader);
}

bool checkDatabaseFile(const QString& path, QString* problem)
{
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly) || !hasSQLiteHeader(file.read(sqliteHeader.size()))) {
            say(problem, QStringLiteral("it is not an SQLite database"));
            return false;
        }
    }
    sqlite3* opened = nullptr;
    const int openResult = sqlite3_open_v2(path.toUtf8().constData(), &opened, SQLITE_OPEN_READONLY, nullptr);
    DatabaseHandle database(opened);
    if (openResult != SQLITE_OK) {
        say(problem, QStringLiteral("it does not open: ") + QString::fromUtf8(sqlite3_errmsg(opened)));
        return false;
    }
    RecordStore::waitForLocks(database.get());
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(database.get(), "PRAGMA integrity_check(1)", -1, &statement, nullptr) != SQLITE_OK) {
        say(problem, QStringLiteral("it cannot be checked: ") + QString::fromUtf8(sqlite3_errmsg(database.get())));
        return false;
    }
    const int result = sqlite3_step(statement);
    const QString answer = result == SQLITE_ROW
        ? QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)))
        : QString::fromUtf8(sqlite3_errmsg(database.get()));
    sqlite3_finalize(statement);
    if (result != SQLITE_ROW || answer != QLatin1String("ok")) {
        say(problem, QStringLiteral("it fails the integrity check: ") + answer);
        return false;
    }
    return true;
}

std::optional<QByteArray> databaseSnapshot()
{
    QTemporaryFile file;  // owner-only permissions; removed when done
    if (!file.open()) return std::nullopt;
    file.close();
    {
        RecordGuard guard;
        sqlite3* source = RecordStore::sharedDatabase();
        if (!source || !copyDatabase(source, file.fileName())) return std::nullopt;
    }
    if (!file.open()) return std::nullopt;
    return file.readAll();
}

}  // namespace BackupFile
