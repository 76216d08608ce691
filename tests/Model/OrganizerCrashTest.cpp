// The organizer's real work in a process of its own, killed at a fixed list
// of the steps it reaches, then started again on the same folders:
// - a restore of a 2,000-event backup with the calendar store in step: the
//   next start (which runs the full store sync) leaves either the old
//   events or the restored ones;
// - a web pass merging 5,000 items from the loopback service: the next pass
//   leaves the service's items;
// - a first web pass with tasks killed anywhere: the store's tasks and the
//   task rows end as a clean pass leaves them.
// Either way each event is once in the database and once in the store,
// every link to a file that exists.
#include "BackupFile.h"
#include "DatabaseRestore.h"
#include "LoopbackService.h"
#include "Utilities.h"
#include "Clock.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QJsonObject>
#include <QThread>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>

#include <sqlite3.h>

namespace OrganizerCrashTests {

constexpr int eventCount = 2000;
using Step = DatabaseRestore::Step;

struct Folders {
    QString home;   // XDG_DATA_HOME
    QString store;  // the calendar store
    QString data() const { return home + QStringLiteral("/Zoravel/ZoravelTests"); }
};

void startRunner(QProcess& runner, const Folders& folders, const QStringList& arguments)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_DATA_HOME"), folders.home);
    environment.insert(QStringLiteral("ZORAVEL_CALENDAR_STORE"), folders.store);
    environment.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("*.info=false"));
    runner.setProcessEnvironment(environment);
    runner.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    runner.start(QStringLiteral(ZORAVEL_ORGANIZER_RUNNER), arguments);
}

// Exit code, or -1 when the runner was killed.
int run(const Folders& folders, const QStringList& arguments)
{
    QProcess runner;
    startRunner(runner, folders, arguments);
    if (!runner.waitForFinished(300000)) return -2;
    return runner.exitStatus() == QProcess::CrashExit ? -1 : runner.exitCode();
}

bool copyFolder(const QString& from, const QString& to)
{
    if (!QDir().mkpath(to)) return false;
    QDirIterator entries(from, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (entries.hasNext()) {
        const QString path = entries.next();
        const QString target = to + path.mid(from.size());
        if (entries.fileInfo().isDir() ? !QDir().mkpath(target) : !QFile::copy(path, target)) return false;
    }
    return true;
}

// What the database and the store hold: event names (sorted, doubles kept),
// the uids the events link to, the store's event names and uids.
struct Holdings {
    QStringList names;
    QStringList linkedUids;
    QStringList storeNames;
    QStringList storeUids;
    QStringList leftovers;
};

Holdings holdings(const Folders& folders)
{
    Holdings found;
    sqlite3* db = nullptr;
    const QByteArray path = (folders.data() + QStringLiteral("/Database.sql")).toUtf8();
    if (sqlite3_open_v2(path.constData(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* statement = nullptr;
        sqlite3_prepare_v2(db, "SELECT taskName, iCalIdentifier FROM Tasks WHERE taskType = 0", -1, &statement, nullptr);
        while (sqlite3_step(statement) == SQLITE_ROW) {
            found.names << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)));
            found.linkedUids << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, 1)));
        }
        sqlite3_finalize(statement);
    }
    sqlite3_close(db);
    QDirIterator files(folders.store, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString file = files.next();
        if (file.endsWith(QStringLiteral(".part"))) found.leftovers << file;
        if (!file.endsWith(QStringLiteral(".ics"))) continue;
        QFile ics(file);
        if (!ics.open(QIODevice::ReadOnly)) continue;
        for (const QByteArray& line : ics.readAll().split('\n')) {
            const QString text = QString::fromUtf8(line).trimmed();
            if (text.startsWith(QStringLiteral("SUMMARY:"))) found.storeNames << text.mid(8);
            if (text.startsWith(QStringLiteral("UID:"))) found.storeUids << text.mid(4);
        }
    }
    for (const QString& name : {QStringLiteral("restoring"), QStringLiteral("restore-unfinished")})
        if (QFileInfo::exists(folders.data() + QStringLiteral("/Database.sql.") + name)) found.leftovers << name;
    for (QStringList* list : {&found.names, &found.linkedUids, &found.storeNames, &found.storeUids}) list->sort();
    return found;
}

// Short enough to read in a failure: the count, then the first differences
// show as the strings differ.
std::string text(const QStringList& list)
{
    return QStringLiteral("%1: ").arg(list.size()).toStdString() + list.join(u',').toStdString();
}

class OrganizerCrashTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        // In memory where there is such a folder: the store makes every
        // removal durable, which a disk pays for with one flush each.
        const bool shared = QFileInfo(QStringLiteral("/dev/shm")).isWritable();
        base = shared ? new QTemporaryDir(QStringLiteral("/dev/shm/zoravel-restore-XXXXXX")) : new QTemporaryDir();
        ASSERT_TRUE(base->isValid());
        seeded = {base->filePath(QStringLiteral("home")), base->filePath(QStringLiteral("store"))};
        ASSERT_EQ(run(seeded, {QStringLiteral("seed"), QString::number(eventCount)}), 0);
        // The backup: the same events under other names, as a backup made
        // before a change of every name; half of them linked to the same
        // store copies (written over), half made before their links (their
        // copies removed, new ones written).
        const QString copy = base->filePath(QStringLiteral("backup.sql"));
        ASSERT_TRUE(QFile::copy(seeded.data() + QStringLiteral("/Database.sql"), copy));
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(copy.toUtf8().constData(), &db), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(db,
                               "UPDATE Tasks SET taskName = 'Restored ' || taskName WHERE taskType = 0;"
                               "UPDATE Tasks SET iCalIdentifier = '' WHERE taskType = 0 AND primaryKey % 2 = 0",
                               nullptr, nullptr, nullptr),
                  SQLITE_OK);
        sqlite3_close(db);
        QFile database(copy);
        ASSERT_TRUE(database.open(QIODevice::ReadOnly));
        const std::optional<QByteArray> encoded =
            BackupFile::encode(database.readAll(), QString::fromLatin1(BackupFile::manualBackupKeyText));
        ASSERT_TRUE(encoded);
        QFile backup(base->filePath(QStringLiteral("backup.bkzvm")));
        ASSERT_TRUE(backup.open(QIODevice::WriteOnly));
        backup.write(*encoded);
    }
    static void TearDownTestSuite()
    {
        delete base;
        base = nullptr;
    }

    static inline QTemporaryDir* base = nullptr;
    static inline Folders seeded;
};

struct KillCase {
    const char* name;
    Step step;
    int nth;
    bool restored;  // the restore is in effect after the next start
};

TEST_F(OrganizerCrashTest, AKillAtAnyStepLeavesTheOldOrTheRestoredEventsEachOnceAndLinked)
{
    const Holdings before = holdings(seeded);
    ASSERT_EQ(before.names.size(), eventCount);
    ASSERT_EQ(text(before.storeNames), text(before.names)) << "the seed leaves the store in step";
    QStringList restoredNames;
    for (const QString& name : before.names) restoredNames << QStringLiteral("Restored ") + name;

    const KillCase cases[] = {
        {"incoming written", Step::IncomingWritten, 1, false},
        {"journal written", Step::JournalWritten, 1, true},
        {"half the store copies removed", Step::StoreCopyRemoved, eventCount / 2, true},
        {"swapped", Step::Swapped, 1, true},
        {"settings marked", Step::SettingsMarked, 1, true},
        {"store push started", Step::StorePushStarted, 1, true},
        // Copies written, their links not yet stored.
        {"third store copy flushed", Step(100), 3, true},
        {"finished", Step::Finished, 1, true},
    };
    int index = 0;
    for (const KillCase& c : cases) {
        SCOPED_TRACE(c.name);
        const QString root = base->filePath(QStringLiteral("case%1").arg(++index));
        const Folders folders{root + QStringLiteral("/home"), root + QStringLiteral("/store")};
        ASSERT_TRUE(copyFolder(seeded.home, folders.home));
        ASSERT_TRUE(copyFolder(seeded.store, folders.store));
        const QString backup = base->filePath(QStringLiteral("backup.bkzvm"));
        ASSERT_EQ(run(folders, {QStringLiteral("restore"), backup, QString::number(int(c.step)), QString::number(c.nth)}), -1)
            << "the restore did not reach the step";
        ASSERT_EQ(run(folders, {QStringLiteral("start")}), 0);

        const Holdings after = holdings(folders);
        EXPECT_EQ(text(after.names), text(c.restored ? restoredNames : before.names));
        EXPECT_EQ(text(after.storeNames), text(after.names)) << "the store holds each event once";
        EXPECT_EQ(text(after.storeUids), text(after.linkedUids)) << "every link names a file, every file is linked";
        EXPECT_TRUE(after.leftovers.isEmpty()) << after.leftovers.join(u' ').toStdString();
        QDir(root).removeRecursively();
    }
}

// A backup made before the store links of its events were written: the
// restore sends them to the store too. Killed at random points of the
// restore (20 runs), the next start leaves every restored event once in the
// database and once in the store, each linked to its file.
TEST_F(OrganizerCrashTest, ARestoreOfABackupMadeBeforeTheLinksKilledAnywhereLeavesEachEventOnceAndLinked)
{
    constexpr int events = 200;
    constexpr int runs = 20;
    const QString seedRoot = base->filePath(QStringLiteral("unlinkedseed"));
    const Folders seed{seedRoot + QStringLiteral("/home"), seedRoot + QStringLiteral("/store")};
    ASSERT_EQ(run(seed, {QStringLiteral("seed"), QString::number(events)}), 0);
    const QString copy = base->filePath(QStringLiteral("unlinked.sql"));
    ASSERT_TRUE(QFile::copy(seed.data() + QStringLiteral("/Database.sql"), copy));
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(copy.toUtf8().constData(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db,
                           "UPDATE Tasks SET taskName = 'Restored ' || taskName, iCalIdentifier = '' "
                           "WHERE taskType = 0",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);
    QFile database(copy);
    ASSERT_TRUE(database.open(QIODevice::ReadOnly));
    const QString backup = base->filePath(QStringLiteral("unlinked.bkzvm"));
    {
        QFile file(backup);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(BackupFile::encode(database.readAll(), QString::fromLatin1(BackupFile::manualBackupKeyText)).value());
    }
    QStringList restoredNames = holdings(seed).names;
    for (QString& name : restoredNames) name.prepend(QStringLiteral("Restored "));

    QRandomGenerator random(78);
    const Step steps[] = {Step::JournalWritten, Step::StoreCopyRemoved, Step::Swapped,
                          Step::SettingsMarked, Step::StorePushStarted, Step(100), Step(100), Step::Finished};
    for (int n = 0; n < runs; ++n) {
        const Step step = steps[random.bounded(int(std::size(steps)))];
        const bool counted = step == Step::StoreCopyRemoved || step == Step(100);
        const int nth = counted ? 1 + random.bounded(events) : 1;
        SCOPED_TRACE(QStringLiteral("run %1: step %2, %3th").arg(n).arg(int(step)).arg(nth).toStdString());
        const QString root = base->filePath(QStringLiteral("unlinked%1").arg(n));
        const Folders folders{root + QStringLiteral("/home"), root + QStringLiteral("/store")};
        ASSERT_TRUE(copyFolder(seed.home, folders.home));
        ASSERT_TRUE(copyFolder(seed.store, folders.store));
        const int killed =
            run(folders, {QStringLiteral("restore"), backup, QString::number(int(step)), QString::number(nth)});
        ASSERT_TRUE(killed == -1 || killed == 0) << "exit " << killed;  // a late flush may not come
        ASSERT_EQ(run(folders, {QStringLiteral("start")}), 0);

        const Holdings after = holdings(folders);
        EXPECT_EQ(text(after.names), text(restoredNames));
        EXPECT_EQ(text(after.storeNames), text(after.names)) << "the store holds each event once";
        EXPECT_EQ(text(after.storeUids), text(after.linkedUids)) << "every link names a file, every file is linked";
        EXPECT_TRUE(after.leftovers.isEmpty()) << after.leftovers.join(u' ').toStdString();
        QDir(root).removeRecursively();
    }
}

struct HoldCase {
    const char* name;
    const char* method;
    const char* path;
    int request;  // held from this request of the endpoint on
};

TEST_F(OrganizerCrashTest, AWebPassKilledAtAnyStepLosesAndDoublesNothingOnTheNextPass)
{
    constexpr int serviceItems = 5000;
    constexpr int localItems = 120;  // three uploads of at most 50
    const QString account = QStringLiteral("ann@example.com");
    const QString password = QStringLiteral("secret");
    const HoldCase cases[] = {
        {"items download", "GET", "/api/tasks.json", 1},
        {"second upload", "POST", "/api/tasks.json", 2},
        {"links download, after the merge", "GET", "/api/hyperlinks.json", 1},
    };
    const QString seedRoot = base->filePath(QStringLiteral("webseed"));
    const Folders seed{seedRoot + QStringLiteral("/home"), seedRoot + QStringLiteral("/store")};
    ASSERT_EQ(run(seed, {QStringLiteral("seed"), QString::number(localItems)}), 0);

    int index = 0;
    for (const HoldCase& c : cases) {
        SCOPED_TRACE(c.name);
        LoopbackService service;
        service.addAccount(account, password);
        const qint64 category = service.addCategory(account, {{"name", "Work"}});
        const double today = Utilities::toDBDate(Clock::now()).timeIntervalSince1970();
        for (int n = 0; n < serviceItems; ++n) {
            const qint64 start = qint64(today) + 86400 * (n % 10) + 60 * (n % 600);
            service.addItemRecord(account, {{"title", QStringLiteral("Web %1").arg(n, 4, 10, QLatin1Char('0'))},
                                            {"task_type", 3},
                                            {"group_id", 0},
                                            {"category_id", category},
                                            {"start_time", start},
                                            {"end_time", start + 1800}});
        }
        const QString root = base->filePath(QStringLiteral("web%1").arg(++index));
        const Folders folders{root + QStringLiteral("/home"), root + QStringLiteral("/store")};
        ASSERT_TRUE(copyFolder(seed.home, folders.home));
        ASSERT_TRUE(copyFolder(seed.store, folders.store));
        const QStringList arguments{QStringLiteral("web"), service.baseAddress(), account, password};

        ServiceFault hold;
        hold.kind = ServiceFault::Hold;
        hold.fromRequest = c.request;
        service.setFault(QLatin1String(c.method), QLatin1String(c.path), hold);
        QProcess runner;
        startRunner(runner, folders, arguments);
        ASSERT_TRUE(runner.waitForStarted(10000));
        QElapsedTimer waited;
        waited.start();
        while (service.heldRequests() == 0 && runner.state() == QProcess::Running && waited.elapsed() < 120000)
            QThread::msleep(5);
        ASSERT_EQ(service.heldRequests(), 1) << "the pass never reached the step (exit " << runner.exitCode() << ")";
        runner.kill();
        ASSERT_TRUE(runner.waitForFinished(10000));
        service.releaseHeld();
        service.clearFaults();

        ASSERT_EQ(run(folders, arguments), 0) << "the next pass ended without failure";
        QStringList serviceNames;
        for (const QJsonObject& record : service.itemRecordsOf(account))
            serviceNames << record.value(QStringLiteral("title")).toString();
        serviceNames.sort();
        EXPECT_EQ(serviceNames.size(), serviceItems + localItems) << "each item once on the service";
        const Holdings after = holdings(folders);
        EXPECT_EQ(text(after.names), text(serviceNames));
        EXPECT_EQ(text(after.storeNames), text(after.names)) << "the store holds each event once";
        EXPECT_EQ(text(after.storeUids), text(after.linkedUids)) << "every link names a file, every file is linked";
        EXPECT_TRUE(after.leftovers.isEmpty()) << after.leftovers.join(u' ').toStdString();
        QDir(root).removeRecursively();
    }
}

// The store's tasks, one line each (title, state, completion, due date),
// and the task rows (title, state, completion as stored, due flag, linked).
QStringList storeTasks(const Folders& folders)
{
    QStringList found;
    QDirIterator files(folders.store, {QStringLiteral("*.ics")}, QDir::Files, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        QFile ics(files.next());
        if (!ics.open(QIODevice::ReadOnly)) continue;
        QString task;
        bool inTask = false;
        for (const QByteArray& line : ics.readAll().split('\n')) {
            const QString text = QString::fromUtf8(line).trimmed();
            if (text == QStringLiteral("BEGIN:VTODO") || text == QStringLiteral("END:VTODO")) {
                if (inTask) found << task;
                inTask = !inTask;
                task.clear();
            } else if (inTask) {
                for (const char* key : {"SUMMARY", "STATUS", "COMPLETED", "DUE"})
                    if (text.startsWith(QLatin1String(key))) task += text + u' ';
            }
        }
    }
    found.sort();
    return found;
}

QStringList taskRows(const Folders& folders)
{
    QStringList found;
    sqlite3* db = nullptr;
    const QByteArray path = (folders.data() + QStringLiteral("/Database.sql")).toUtf8();
    if (sqlite3_open_v2(path.constData(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* statement = nullptr;
        sqlite3_prepare_v2(db,
                           "SELECT taskName || '|' || status || '|' || completedDate || '|' || hasDue || '|' || "
                           "(iCalIdentifier != '') FROM Tasks WHERE taskType = 1",
                           -1, &statement, nullptr);
        while (sqlite3_step(statement) == SQLITE_ROW)
            found << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)));
        sqlite3_finalize(statement);
    }
    sqlite3_close(db);
    found.sort();
    return found;
}

// Local tasks and service tasks without a due date, done and not done. A
// first web pass killed at each upload request (once the service made the
// items, before they were answered) and at fractions of a clean pass's
// time, then a pass and a start, leaves the store's task files and the task
// rows as a clean pass and a start do; and a start after a pass rewrites
// no task row, whichever side a task came from.
TEST_F(OrganizerCrashTest, AFirstWebPassKilledAnywhereLeavesTheStoreTasksOfACleanPass)
{
    const QString account = QStringLiteral("ann@example.com");
    const QString password = QStringLiteral("secret");
    const QString seedRoot = base->filePath(QStringLiteral("taskseed"));
    const Folders seed{seedRoot + QStringLiteral("/home"), seedRoot + QStringLiteral("/store")};
    ASSERT_EQ(run(seed, {QStringLiteral("seed"), QStringLiteral("100"), QStringLiteral("40")}), 0);  // three uploads
    const qint64 today = qint64(Utilities::toDBDate(Clock::now()).timeIntervalSince1970());

    struct End {
        QStringList files, rows;
    };
    End clean;
    qint64 cleanMs = 0;
    constexpr int requestKills = 3;
    for (int round = 0; round <= requestKills + 9; ++round) {
        SCOPED_TRACE(round == 0 ? std::string("clean")
                     : round <= requestKills ? "killed at upload " + std::to_string(round)
                                             : "killed at " + std::to_string(round - requestKills) + "/10 of a pass");
        LoopbackService service;
        service.addAccount(account, password);
        const qint64 category = service.addCategory(account, {{"name", "Work"}});
        for (int n = 0; n < 200; ++n) {
            const qint64 start = today + 86400 * (n % 10) + 60 * n;
            QJsonObject record{{"title", QStringLiteral("Web %1").arg(n, 4, 10, QLatin1Char('0'))},
                               {"task_type", n % 2 == 0 ? 2 : 3}, {"group_id", 0}, {"category_id", category},
                               {"start_time", start}, {"end_time", start + 1800}};
            // Not done is a completion date of 0, as the organizer sends it.
            record.insert(QStringLiteral("completed"), n % 4 == 0 ? 1 : 0);
            record.insert(QStringLiteral("completed_date"), n % 4 == 0 ? start - 86400 : 0);
            service.addItemRecord(account, record);
        }
        const QString root = base->filePath(QStringLiteral("taskweb%1").arg(round));
        const Folders folders{root + QStringLiteral("/home"), root + QStringLiteral("/store")};
        ASSERT_TRUE(copyFolder(seed.home, folders.home));
        ASSERT_TRUE(copyFolder(seed.store, folders.store));
        const QStringList arguments{QStringLiteral("web"), service.baseAddress(), account, password};
        if (round > 0) {
            std::atomic<qint64> pid{0};
            std::atomic<int> posts{0};
            service.setRequestHook([&](const ServiceRequest& request) {
                if (request.method == QStringLiteral("POST") && request.path == QStringLiteral("/api/tasks.json")
                    && ++posts == round && pid > 0)
                    ::kill(pid_t(pid.load()), SIGKILL);  // made, not answered yet
            });
            QProcess runner;
            startRunner(runner, folders, arguments);
            ASSERT_TRUE(runner.waitForStarted(10000));
            if (round <= requestKills)
                pid = runner.processId();
            else if (!runner.waitForFinished(int(cleanMs * (round - requestKills) / 10)))
                runner.kill();
            ASSERT_TRUE(runner.state() == QProcess::NotRunning || runner.waitForFinished(100000));
            service.setRequestHook({});
        }
        QElapsedTimer timer;
        timer.start();
        ASSERT_EQ(run(folders, arguments), 0) << "the pass ended without failure";
        if (round == 0) cleanMs = std::max<qint64>(timer.elapsed(), 10);
        const End passed{storeTasks(folders), taskRows(folders)};
        ASSERT_EQ(run(folders, {QStringLiteral("start")}), 0);
        const End started{storeTasks(folders), taskRows(folders)};
        EXPECT_EQ(text(started.files), text(passed.files)) << "a start after the pass writes no task file";
        EXPECT_EQ(text(started.rows), text(passed.rows)) << "a start after the pass rewrites no task row";
        if (round == 0) {
            EXPECT_EQ(started.files.size(), 140);
            clean = started;
        } else {
            EXPECT_EQ(text(started.files), text(clean.files)) << "the store's tasks are a clean pass's";
            EXPECT_EQ(text(started.rows), text(clean.rows)) << "the task rows are a clean pass's";
        }
        QDir(root).removeRecursively();
    }
}

}  // namespace OrganizerCrashTests
