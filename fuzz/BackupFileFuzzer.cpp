// Restore of arbitrary bytes: the backup decoder and the check of the
// database it yields. The first byte picks how far in the bytes are put:
// 0 the file as it is, 1 the text the file would decrypt to (encrypted here
// under the manual key, so the prefix and Base64 decoders are reached), 2
// the database the text would hold (so SQLite's open and integrity check
// are reached), 3 changes to the schema and rows of a sound database of
// ours that the rest of the bytes pick (columns dropped or retyped, tables
// replaced by views, triggers, foreign columns, odd rows, raw SQL). A
// database that passes the check is restored for real and read back, and
// the program is started on it as if it had got there some other way.
// None may crash or abort, and the check writes nothing.
#include "AlertPresenter.h"
#include "BackupFile.h"
#include "CoreData.h"
#include "DataCrypto.h"
#include "DatabaseRestore.h"
#include "DatabaseSchema.h"
#include "FuzzSupport.h"
#include "GTMBase64.h"
#include "Paths.h"
#include "RecordStore.h"
#include "Task.h"

#include <sqlite3.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <iterator>

namespace {

const QString manualKey = QString::fromLatin1(BackupFile::manualBackupKeyText);

QTemporaryDir& folder()
{
    static QTemporaryDir dir;
    return dir;
}

void checkPayload(const QByteArray& payload)
{
    const QString path = folder().filePath(QStringLiteral("incoming.sql"));
    {
        QFile file(path);
        Fuzz::require(file.open(QIODevice::WriteOnly | QIODevice::Truncate), "the copy can be written");
        Fuzz::require(file.write(payload) == payload.size(), "the copy is written whole");
    }
    QString problem;
    const bool sound = BackupFile::checkDatabaseFile(path, &problem);
    Fuzz::require(sound || !problem.isEmpty(), "a refused database says why");
    QFile file(path);
    Fuzz::require(file.open(QIODevice::ReadOnly) && file.readAll() == payload, "the check changes nothing");
    Fuzz::require(!QFile::exists(path + QStringLiteral("-journal")), "the check leaves no journal");
}

// Answers the start's alerts with the button the input chose.
class ChosenAnswers : public AlertPresenter {
public:
    AlertResponse runModal(const AlertRequest& request) override
    {
        Fuzz::require(!request.informativeText.isEmpty(), "a refused start says why");
        AlertResponse response;
        response.button = answer;
        return response;
    }
    int answer = AlertResponse::firstButton;
};

ChosenAnswers& answers()
{
    static ChosenAnswers presenter;
    return presenter;
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    Fuzz::require(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size(),
                  "a scratch file is written");
}

// A sound database of ours: the template after a first start.
const QByteArray& soundDatabase()
{
    static const QByteArray bytes = [] {
        QFile::remove(CoreData::databasePath());
        CoreData manager;
        CoreData::setShared(&manager);
        Fuzz::require(manager.init(), "the template starts");
        CoreData::setShared(nullptr);
        DatabaseRestore::closeSharedDatabase();
        return readAll(CoreData::databasePath());
    }();
    return bytes;
}

// The data the program reads at start and after a restore, read through
// every record class.
void readBack(CoreData& manager)
{
    for (const TaskPtr& item : manager.getAllTasksEventsAdes()) Fuzz::checkDateFromOutside(item->startTime());
    manager.getCalendarList();
    manager.getAllRootEvents();
    manager.getAllTasks();
}

void stopProgram()
{
    CoreData::setShared(nullptr);
    if (RecordStore::sharedDatabase()) DatabaseRestore::closeSharedDatabase();
}

// The restore of the payload over a sound database, then a start on the
// payload as the database in place with the sound one to put back.
void restoreAndStart(const QByteArray& payload, int answer)
{
    const QString database = CoreData::databasePath();
    for (const QString& path : QStringList{DatabaseRestore::incomingPath(), DatabaseRestore::journalPath(),
                                           DatabaseRestore::keptPath(), database + QStringLiteral(".failed-restore")})
        QFile::remove(path);
    writeAll(database, soundDatabase());
    {
        CoreData manager;
        CoreData::setShared(&manager);
        Fuzz::require(manager.init(), "the sound database starts");
        QString problem;
        bool notOurs = false;
        if (DatabaseRestore::writeIncoming(payload, &problem, &notOurs)) {
            DatabaseRestore::replaceDatabase(manager, nullptr, nullptr);
            Fuzz::require(databaseOpen.load(), "a database is open after a restore, the old or the new one");
            readBack(manager);
        } else {
            Fuzz::require(!problem.isEmpty(), "a refused restore says why");
            Fuzz::require(readAll(database) == soundDatabase(), "a refused restore changes nothing");
        }
        stopProgram();
    }
    writeAll(DatabaseRestore::keptPath(), soundDatabase());
    writeAll(database, payload);
    answers().answer = answer;
    CoreData manager;
    CoreData::setShared(&manager);
    if (manager.init()) readBack(manager);
    stopProgram();
}

// Changes to a sound database, each picked by one byte (and its
// arguments by the next ones); the rest of the input is the last change's
// text.
QByteArray reshapedDatabase(const QByteArray& program)
{
    static const char* const tables[] = {"Tasks", "Calendars", "Settings", "Tag", "Links", "Comments", "URLs"};
    static const char* const columns[] = {"iCalUID", "iCalIdentifier", "taskName", "calendarName", "primaryKey",
                                          "tagName", "startTime", "zvwID", "status", "rootId", "taskType"};
    static const char* const types[] = {"TEXT", "NUMERIC", "INTEGER", "BLOB", "REAL", ""};
    const QString path = folder().filePath(QStringLiteral("reshaped.sql"));
    writeAll(path, soundDatabase());
    sqlite3* db = nullptr;
    Fuzz::require(sqlite3_open(path.toUtf8().constData(), &db) == SQLITE_OK, "the copy opens");
    qsizetype at = 0;
    const auto next = [&]() -> unsigned { return at < program.size() ? static_cast<unsigned char>(program[at++]) : 0; };
    while (at < program.size()) {
        const unsigned op = next() % 9;
        const QString table = QLatin1String(tables[next() % std::size(tables)]);
        const QString column = QLatin1String(columns[next() % std::size(columns)]);
        const QString type = QLatin1String(types[next() % std::size(types)]);
        QString sql;
        switch (op) {
        case 0: sql = QStringLiteral("ALTER TABLE %1 DROP COLUMN %2").arg(table, column); break;
        case 1:
            sql = QStringLiteral("ALTER TABLE %1 RENAME TO Old%1; CREATE VIEW %1 AS SELECT * FROM Old%1").arg(table);
            break;
        case 2: sql = QStringLiteral("ALTER TABLE %1 ADD COLUMN %2x %3").arg(table, column, type); break;
        case 3:
            sql = QStringLiteral("ALTER TABLE %1 RENAME TO Old%1; CREATE TABLE %1 (primaryKey INTEGER PRIMARY KEY, "
                                 "%2 %3); INSERT INTO %1 (primaryKey) SELECT primaryKey FROM Old%1")
                      .arg(table, column, type);
            break;
        case 4:
            sql = QStringLiteral("CREATE TRIGGER t%1 AFTER INSERT ON %2 BEGIN DELETE FROM %2; END").arg(at).arg(table);
            break;
        case 5: sql = QStringLiteral("DROP TABLE %1").arg(table); break;
        case 6: sql = QStringLiteral("CREATE UNIQUE INDEX u%1 ON %2 (%3)").arg(at).arg(table, column); break;
        case 7:
            sql = QStringLiteral("INSERT INTO %1 (%2) VALUES (x'%3')")
                      .arg(table, column, QString::fromLatin1(program.mid(at, 8).toHex()));
            at += 8;
            break;
        default:
            sql = QString::fromUtf8(program.mid(at));
            at = program.size();
            break;
        }
        sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, nullptr);
    }
    sqlite3_close(db);
    return readAll(path);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    Fuzz::setUp();
    Fuzz::require(folder().isValid(), "a scratch folder");
    AlertPresenter::setCurrent(&answers());
    soundDatabase();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) return 0;
    const QByteArray rest = Fuzz::bytes(data + 1, size - 1);
    QByteArray file;
    if (data[0] % 4 == 3) {
        restoreAndStart(reshapedDatabase(rest), data[0] & 4 ? AlertResponse::firstButton : AlertResponse::secondButton);
        return 0;
    }
    switch (data[0] % 4) {
    case 0:
        file = rest;
        break;
    case 1:
        file = DataCrypto::AES256EncryptedDataUsingKey(rest, BackupFile::keyForText(manualKey)).value_or(QByteArray());
        break;
    default:
        file = BackupFile::encode(rest, manualKey).value_or(QByteArray());
        break;
    }
    QString problem;
    const std::optional<QByteArray> payload = BackupFile::decode(file, manualKey, &problem);
    if (!payload) Fuzz::require(!problem.isEmpty(), "a refused file says why");
    if (payload) {
        Fuzz::require(!payload->isEmpty(), "a decoded backup holds bytes");
        if (BackupFile::hasSQLiteHeader(*payload)) {
            checkPayload(*payload);
            restoreAndStart(*payload, data[0] & 4 ? AlertResponse::firstButton : AlertResponse::secondButton);
        }
    }
    return 0;
}
