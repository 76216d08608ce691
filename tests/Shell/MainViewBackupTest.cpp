// The automatic-backup countdown, the manual backup file and the restore,
// on the real database file of a fresh data folder.
#include "BackupTestFixture.h"

#include "AlertRequest.h"
#include "DataCrypto.h"
#include "FakeFilePicker.h"
#include "FileWriter.h"
#include "Notification.h"
#include "NotificationCenter.h"
#include "Notifications.h"
#include "Paths.h"
#include "Preferences.h"
#include "RecordGuard.h"
#include "ScriptedAlertPresenter.h"
#include "ShellNotifications.h"
#include "TextTable.h"
#include "Utilities.h"

#include <QFileInfo>

#include <atomic>
#include <thread>

#include <sqlite3.h>

namespace MainViewBackupTests {

namespace {

const QString manualKey = QString::fromLatin1(BackupFile::manualBackupKeyText);

QString text(const char* key)
{
    return TextTable::localizedString(QString::fromLatin1(key));
}

// Refuses every write, as a full disk or a folder that cannot be written
// would (the tests run as root, which ignores permissions).
class RefusingWriter : public FileWriter {
public:
    RefusingWriter() { FileWriter::setCurrent(this); }
    ~RefusingWriter() override { FileWriter::setCurrent(nullptr); }
    bool writeAtomically(const QString& path, const QByteArray&) override
    {
        refused.append(path);
        return false;
    }
    QStringList refused;
};

QStringList autoBackups()
{
    return QDir(Setting::dataFilePath(QStringLiteral("AutoBackupData"))).entryList(QDir::Files);
}

// Counts the posts of a notification while it lives.
class PostCounter : public QObject {
public:
    explicit PostCounter(const QString& name)
    {
        NotificationCenter::defaultCenter().addObserver(this, name, nullptr, [this](const Notification&) { ++count; });
    }
    int count = 0;
};

class MainViewBackupTest : public BackupTest {
protected:
    void postInput() { NotificationCenter::defaultCenter().postNotificationName(kAutoBackupStartNotification, nullptr); }

    // Everything a restore that fails must leave as it was.
    struct State {
        QByteArray database;
        QList<int> markers;
        qint64 autoZVWSync = 0;
        qint64 doRestore = 0;
        QVariant autoPlistZVW;
    };
    State state()
    {
        return {readFile(CoreData::databasePath()), markers(), settings().autoZVWSync(), settings().doRestore(),
                autoPlist().value(QStringLiteral("autoZVWSync"))};
    }
    void expectUnchanged(const State& before, const char* what)
    {
        const State after = state();
        EXPECT_EQ(after.database, before.database) << what;
        EXPECT_EQ(after.markers, before.markers) << what;
        EXPECT_EQ(after.autoZVWSync, before.autoZVWSync) << what;
        EXPECT_EQ(after.doRestore, before.doRestore) << what;
        EXPECT_EQ(after.autoPlistZVW, before.autoPlistZVW) << what;
        EXPECT_TRUE(calendarStore->calls().isEmpty()) << "nothing leaves the calendar store: " << what;
        EXPECT_FALSE(QFileInfo::exists(CoreData::databasePath() + QStringLiteral(".restoring"))) << what;
        EXPECT_TRUE(databaseOpen) << what;
    }

    // With an account: a start turns automatic sync off without one.
    void turnAutoSyncOn()
    {
        ASSERT_TRUE(CoreData::writeZVWAccount(QStringLiteral("me@example.com"), QStringLiteral("secret")));
        settings().setZvwUserName(QStringLiteral("me@example.com"));
        settings().setZvwPassword(QStringLiteral("secret"));
        settings().setAutoZVWSync(1);
        ASSERT_TRUE(settings().dehydrate());
        ASSERT_TRUE(settings().setAutoSync());
    }
};

}  // namespace

// ---- the countdown ---------------------------------------------------------------

TEST_F(MainViewBackupTest, InputEveryFewSecondsHoldsTheBackupOffAndElevenQuietSecondsRunItOnce)
{
    PostCounter reloads(kAutoBackupReloadDataNotification);
    postInput();
    for (int i = 0; i < 10; ++i) {
        scheduler.advance(4);
        postInput();
    }
    EXPECT_TRUE(autoBackups().isEmpty());
    EXPECT_EQ(view->countDownForAutoBackup(), 10);

    scheduler.advance(10.5);
    EXPECT_TRUE(autoBackups().isEmpty()) << "not before the eleventh tick";
    scheduler.advance(0.5);
    ASSERT_EQ(autoBackups().size(), 1);
    EXPECT_EQ(reloads.count, 1);
    EXPECT_FALSE(view->isAutoBackupTimerRunning()) << "a saved backup ends the countdown";
    scheduler.advance(30);
    EXPECT_EQ(reloads.count, 1);

    // The automatic file opens with the automatic fixed text and holds the database.
    const QByteArray file = readFile(Setting::dataFilePath(QStringLiteral("AutoBackupData/") + autoBackups().first()));
    const std::optional<QByteArray> payload = BackupFile::decode(file, QString::fromLatin1(Setting::autoBackupKeyText));
    ASSERT_TRUE(payload);
    EXPECT_TRUE(BackupFile::hasSQLiteHeader(*payload));
}

TEST_F(MainViewBackupTest, AFailedAutomaticBackupIsAskedForAgainEverySecondUntilTheNextInput)
{
    // A file where the backup folder should be: no backup can be written.
    ASSERT_TRUE(writeFile(Setting::dataFilePath(QStringLiteral("AutoBackupData")), "in the way"));
    PostCounter ends(kAutoBackupEndNotification);
    PostCounter reloads(kAutoBackupReloadDataNotification);
    postInput();
    scheduler.advance(14);
    EXPECT_EQ(ends.count, 4) << "ticks 11 to 14";
    EXPECT_EQ(reloads.count, 0);
    EXPECT_TRUE(view->isAutoBackupTimerRunning());

    postInput();
    scheduler.advance(10);
    EXPECT_EQ(ends.count, 4) << "the input started the countdown again";

    // Another program holding the database: each try gives up at once
    // rather than freezing the window for the usual lock wait.
    ASSERT_TRUE(QFile::remove(Setting::dataFilePath(QStringLiteral("AutoBackupData"))));
    sqlite3* other = nullptr;
    const QString database = Paths::applicationSupportFolder() + QStringLiteral("/Database.sql");
    ASSERT_EQ(sqlite3_open(database.toUtf8().constData(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    const std::chrono::milliseconds usualWait = RecordStore::busyTimeout();
    RecordStore::setBusyTimeout(std::chrono::seconds(5));  // the program's own
    const auto began = std::chrono::steady_clock::now();
    scheduler.advance(3);
    RecordStore::setBusyTimeout(usualWait);
    EXPECT_LT(std::chrono::steady_clock::now() - began, std::chrono::seconds(2));
    EXPECT_EQ(ends.count, 7) << "ticks 11 to 13 of the new countdown";
    EXPECT_EQ(reloads.count, 0);
    sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    QCoreApplication::processEvents();
    scheduler.advance(1);
    EXPECT_EQ(reloads.count, 1) << "the lock gone, the next tick makes the backup";
}

// ---- the manual backup -------------------------------------------------------------

TEST_F(MainViewBackupTest, TheManualBackupIsTheDatabaseUnderTheManualKeyWhereTheUserChose)
{
    FakeFilePicker picker;
    ScriptedAlertPresenter alerts;
    picker.scriptPath(scratch(QStringLiteral("Chosen")));
    view->backup(nullptr);

    ASSERT_EQ(picker.shown().size(), 1);
    const FilePanelRequest& request = picker.shown().first().request;
    EXPECT_TRUE(picker.shown().first().save);
    EXPECT_EQ(request.allowedFileTypes, QStringList{QStringLiteral("bkzvm")});
    EXPECT_EQ(request.nameFieldStringValue, QStringLiteral("Database"));
    EXPECT_EQ(request.directory, QFileInfo(QDir::homePath() + QStringLiteral("/Downloads")).isDir()
                                     ? QDir::homePath() + QStringLiteral("/Downloads")
                                     : QDir::homePath());

    const QByteArray file = readFile(scratch(QStringLiteral("Chosen.bkzvm")));
    ASSERT_FALSE(file.isEmpty());
    const std::optional<QByteArray> plain = DataCrypto::decryptedAES256DataUsingKey(file, Utilities::md5(manualKey));
    ASSERT_TRUE(plain);
    ASSERT_TRUE(plain->startsWith("ZVMDatabase:"));
    const QByteArray database = QByteArray::fromBase64(plain->mid(12), QByteArray::Base64UrlEncoding);
    const QString copy = scratch(QStringLiteral("copy.sql"));
    ASSERT_TRUE(writeFile(copy, database));
    EXPECT_TRUE(BackupFile::checkDatabaseFile(copy));
    EXPECT_TRUE(alerts.requests().isEmpty());
}

// The panels open in the folder last used, else Downloads, else the home
// folder: never in the folder the program was started from.
TEST_F(MainViewBackupTest, TheBackupPanelsOpenInTheLastFolderUsedElseDownloadsElseHome)
{
    const QByteArray oldHome = qgetenv("HOME");
    const QString home = scratch(QStringLiteral("home"));
    const QString downloads = home + QStringLiteral("/Downloads");
    const QString elsewhere = scratch(QStringLiteral("elsewhere"));
    ASSERT_TRUE(QDir().mkpath(home) && QDir().mkpath(elsewhere));
    qputenv("HOME", home.toUtf8());
    FakeFilePicker picker;
    ScriptedAlertPresenter alerts;
    const auto panelsOpenIn = [&](const QString& folder, const char* when) {
        picker.scriptCancel();
        view->backup(nullptr);
        picker.scriptCancel();
        view->restore(nullptr);
        EXPECT_EQ(picker.shown().at(picker.shown().size() - 2).request.directory, folder) << when;
        EXPECT_EQ(picker.shown().last().request.directory, folder) << when;
    };
    panelsOpenIn(home, "no Downloads folder");
    ASSERT_TRUE(QDir().mkpath(downloads));
    panelsOpenIn(downloads, "a Downloads folder");
    picker.scriptPath(elsewhere + QStringLiteral("/First.bkzvm"));
    view->backup(nullptr);
    panelsOpenIn(elsewhere, "after a backup saved elsewhere");
    ASSERT_TRUE(QDir(elsewhere).removeRecursively());
    panelsOpenIn(downloads, "the last folder gone");
    qputenv("HOME", oldHome);
}

TEST_F(MainViewBackupTest, ACancelledSavePanelWritesNothing)
{
    FakeFilePicker picker;
    ScriptedAlertPresenter alerts;
    RefusingWriter writer;
    picker.scriptCancel();
    view->backup(nullptr);
    EXPECT_TRUE(writer.refused.isEmpty());
}

TEST_F(MainViewBackupTest, ABackupThatCannotBeWrittenSaysSoAndLeavesNoFile)
{
    FakeFilePicker picker;
    ScriptedAlertPresenter alerts;
    // A place that cannot be written (a folder that is a file), then a full
    // disk through the writer.
    ASSERT_TRUE(writeFile(scratch(QStringLiteral("plain-file")), "x"));
    const QString places[] = {scratch(QStringLiteral("plain-file/Database.bkzvm")), scratch(QStringLiteral("Full.bkzvm"))};
    picker.scriptPath(places[0]);
    alerts.scriptButton(AlertResponse::firstButton);
    view->backup(nullptr);
    {
        RefusingWriter full;
        picker.scriptPath(places[1]);
        alerts.scriptButton(AlertResponse::firstButton);
        view->backup(nullptr);
        EXPECT_EQ(full.refused, QStringList{places[1]});
    }
    ASSERT_EQ(alerts.requests().size(), 2);
    for (const AlertRequest& alert : alerts.requests()) {
        EXPECT_EQ(alert.style, AlertStyle::Critical);
        EXPECT_EQ(alert.messageText, text("backupErrorText"));
        EXPECT_EQ(alert.buttonTitles, QStringList{text("okText")});
    }
    for (const QString& place : places) EXPECT_FALSE(QFileInfo::exists(place)) << place.toStdString();
}

// ---- restore -----------------------------------------------------------------------

TEST_F(MainViewBackupTest, ABackupRestoredAtOnceGivesAByteIdenticalDatabaseFile)
{
    // Already as a restore leaves them, so the restore has nothing to save.
    settings().setDoRestore(1);
    settings().setDatabaseVersion(manager->currentVersion());
    ASSERT_TRUE(settings().dehydrate());
    const QString path = scratch(QStringLiteral("same.bkzvm"));
    const QByteArray backup = backupNow();
    ASSERT_TRUE(writeFile(path, backup));
    const QByteArray saved = BackupFile::decode(backup, manualKey).value();

    ScriptedAlertPresenter alerts;
    ASSERT_TRUE(view->restoreFile(path, manualKey));
    EXPECT_EQ(readFile(CoreData::databasePath()), saved);
    // Kept until the next start goes well, which may need to put it back.
    EXPECT_TRUE(QFileInfo::exists(CoreData::databasePath() + QStringLiteral(".before-restore")));
    EXPECT_FALSE(QFileInfo::exists(CoreData::databasePath() + QStringLiteral(".restore-unfinished")));
}

TEST_F(MainViewBackupTest, ARestoreBringsTheDataBackAndTurnsAutomaticWebSyncOffQuietlyWhenItWasOff)
{
    const QString path = scratch(QStringLiteral("Database.bkzvm"));
    ASSERT_TRUE(writeFile(path, backupNow()));
    execute("INSERT INTO BackupMarker VALUES(2);");
    settings().setStartUpWizard(1);
    ASSERT_TRUE(settings().dehydrate());

    FakeFilePicker picker;
    ScriptedAlertPresenter alerts;  // no alert expected
    picker.scriptPath(path);
    view->restore(nullptr);
    ASSERT_EQ(picker.shown().size(), 1);
    EXPECT_FALSE(picker.shown().first().save);
    EXPECT_EQ(picker.shown().first().request.allowedFileTypes, QStringList{QStringLiteral("bkzvm")});

    EXPECT_EQ(markers(), QList<int>{1}) << "the row added after the backup is gone";
    EXPECT_EQ(settings().doRestore(), 1);
    EXPECT_EQ(settings().databaseVersion(), manager->currentVersion());
    EXPECT_EQ(settings().startUpWizard(), 0);
    EXPECT_EQ(settings().autoZVWSync(), 0);
    EXPECT_EQ(autoPlist().value(QStringLiteral("autoZVWSync")).toLongLong(), 0);
    EXPECT_FALSE(view->isRestoring());

    // The store loses the old items first and gets the restored ones last.
    const QList<RecordingICalSync::Call> calls = calendarStore->calls();
    ASSERT_FALSE(calls.isEmpty());
    EXPECT_EQ(calls.last().operation, QStringLiteral("restoreCalendars"));
    for (qsizetype i = 0; i + 1 < calls.size(); ++i)
        EXPECT_TRUE(calls[i].operation.startsWith(QStringLiteral("syncDelete"))) << calls[i].operation.toStdString();

    // The panel was shown on its own (no main window here) and put away.
    ASSERT_TRUE(view->progressWindow());
    EXPECT_FALSE(view->progressWindow()->isVisible());
}

TEST_F(MainViewBackupTest, WithAutomaticWebSyncOnTheRestoreSaysItIsOffAndCanOpenTheSyncSettings)
{
    const QString path = scratch(QStringLiteral("on.bkzvm"));
    ASSERT_TRUE(writeFile(path, backupNow()));
    turnAutoSyncOn();
    ScriptedAlertPresenter alerts;
    alerts.scriptButton(AlertResponse::firstButton);
    ASSERT_TRUE(view->restoreFile(path, manualKey));

    ASSERT_EQ(alerts.requests().size(), 1);
    const AlertRequest alert = alerts.requests().first();
    EXPECT_EQ(alert.style, AlertStyle::Warning);
    EXPECT_EQ(alert.messageText, text("autoSyncDisableText"));
    EXPECT_EQ(alert.informativeText, text("autoSyncDisableMessage"));
    EXPECT_EQ(alert.buttonTitles, (QStringList{text("gotoSettingText"), text("okText")}));
    EXPECT_EQ(settings().autoZVWSync(), 0);
    EXPECT_EQ(autoPlist().value(QStringLiteral("autoZVWSync")).toLongLong(), 0);
    EXPECT_EQ(view->pref()->selectedItemIdentifier(), text("syncText"));
    EXPECT_TRUE(view->pref()->isVisible());

    // OK leaves the preferences alone.
    turnAutoSyncOn();
    view->pref()->general(nullptr);
    view->pref()->hide();
    alerts.scriptButton(AlertResponse::secondButton);
    ASSERT_TRUE(view->restoreFile(path, manualKey));
    EXPECT_EQ(view->pref()->selectedItemIdentifier(), text("generalText"));
    EXPECT_FALSE(view->pref()->isVisible());
}

TEST_F(MainViewBackupTest, FilesThatCannotBeRestoredShowTheErrorAndChangeNothing)
{
    turnAutoSyncOn();
    const QByteArray good = backupNow();
    const QByteArray database = BackupFile::decode(good, manualKey).value();
    QByteArray damagedDatabase = database;
    for (int i = 200; i < damagedDatabase.size(); i += 11) damagedDatabase[i] = char(0x77);
    const QString base64 = QString::fromLatin1(database.toBase64(QByteArray::Base64UrlEncoding));
    const auto encrypted = [](const QByteArray& plain) {
        return DataCrypto::AES256EncryptedDataUsingKey(plain, Utilities::md5(manualKey)).value();
    };
    // The backup of a sound database whose schema was changed by the SQL.
    const auto reshaped = [&](const char* sql) {
        const QString copy = scratch(QStringLiteral("reshaped.sql"));
        EXPECT_TRUE(writeFile(copy, database));
        sqlite3* db = nullptr;
        EXPECT_EQ(sqlite3_open(copy.toUtf8().constData(), &db), SQLITE_OK);
        EXPECT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sql;
        sqlite3_close(db);
        return BackupFile::encode(readFile(copy), manualKey).value();
    };
    const struct {
        const char* what;
        QByteArray file;
    } cases[] = {
        {"no backup at all", QByteArrayLiteral("just some text, not a backup")},
        {"made with the other key", backupNow(QString::fromLatin1(Setting::autoBackupKeyText))},
        {"truncated", good.left(good.size() / 2)},
        {"damaged", QByteArray(good).replace(40, 8, "XXXXXXXX")},
        {"empty", QByteArray()},
        {"no colon after the prefix", encrypted(QByteArrayLiteral("ZVMDatabase") + base64.toLatin1())},
        {"shorter than the prefix", encrypted(QByteArrayLiteral("ZVMDatab"))},
        {"no database in it", BackupFile::encode(QByteArrayLiteral("hello there"), manualKey).value()},
        {"a database cut short", BackupFile::encode(database.left(database.size() / 3), manualKey).value()},
        {"a damaged database", BackupFile::encode(damagedDatabase, manualKey).value()},
        {"a column missing", reshaped("ALTER TABLE Calendars DROP COLUMN iCalUID")},
        {"a table replaced by a view",
         reshaped("ALTER TABLE Tasks RENAME TO TaskRows; CREATE VIEW Tasks AS SELECT * FROM TaskRows")},
        {"a column of another type",
         reshaped("ALTER TABLE Tag RENAME TO OldTag; CREATE TABLE Tag (primaryKey INTEGER PRIMARY KEY, tagName BLOB)")},
        {"a column we never made", reshaped("ALTER TABLE Settings ADD COLUMN stranger TEXT")},
        {"a trigger", reshaped("CREATE TRIGGER wipe AFTER INSERT ON Tasks BEGIN DELETE FROM Tasks; END")},
    };
    const State before = state();
    for (const auto& c : cases) {
        const QString path = scratch(QStringLiteral("bad.bkzvm"));
        ASSERT_TRUE(writeFile(path, c.file));
        ScriptedAlertPresenter alerts;
        alerts.scriptButton(AlertResponse::firstButton);
        EXPECT_FALSE(view->restoreFile(path, manualKey)) << c.what;
        ASSERT_EQ(alerts.requests().size(), 1) << c.what;
        EXPECT_EQ(alerts.requests().first().style, AlertStyle::Critical) << c.what;
        EXPECT_EQ(alerts.requests().first().messageText, text("restoreErrorText")) << c.what;
        EXPECT_EQ(alerts.requests().first().informativeText, text("restoreErrorMessage")) << c.what;
        expectUnchanged(before, c.what);
    }

    // A file gone, and a restore whose copy cannot be written.
    {
        ScriptedAlertPresenter alerts;
        alerts.scriptButton(AlertResponse::firstButton);
        EXPECT_FALSE(view->restoreFile(scratch(QStringLiteral("missing.bkzvm")), manualKey));
        ASSERT_EQ(alerts.requests().size(), 1);
        EXPECT_EQ(alerts.requests().first().informativeText, text("restoreGoneMessage"));
        expectUnchanged(before, "a missing file");
    }
    {
        const QString path = scratch(QStringLiteral("good.bkzvm"));
        ASSERT_TRUE(writeFile(path, good));
        RefusingWriter full;
        ScriptedAlertPresenter alerts;
        alerts.scriptButton(AlertResponse::firstButton);
        EXPECT_FALSE(view->restoreFile(path, manualKey));
        ASSERT_EQ(full.refused.size(), 1);
        ASSERT_EQ(alerts.requests().size(), 1);
        EXPECT_EQ(alerts.requests().first().messageText, text("restoreErrorText"));
        // There is room on the disk: the folder is what refuses.
        EXPECT_EQ(alerts.requests().first().informativeText, text("restoreCannotWriteMessage"));
        expectUnchanged(before, "a folder that cannot be written");
    }
}

TEST_F(MainViewBackupTest, ADatabaseThatDoesNotOpenAsOursIsReplacedByTheOldOneAgain)
{
    // A sound SQLite file, but none of the program's tables: it passes the
    // check and fails at the re-open.
    const QString foreign = scratch(QStringLiteral("foreign.sql"));
    QFile::remove(foreign);
    {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(foreign.toUtf8().constData(), &db), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(db, "CREATE TABLE Other(x); INSERT INTO Other VALUES(7);", nullptr, nullptr, nullptr),
                  SQLITE_OK);
        sqlite3_close(db);
    }
    const QString path = scratch(QStringLiteral("foreign.bkzvm"));
    ASSERT_TRUE(writeFile(path, BackupFile::encode(readFile(foreign), manualKey).value()));
    turnAutoSyncOn();
    const QByteArray databaseBefore = readFile(CoreData::databasePath());

    ScriptedAlertPresenter alerts;
    alerts.scriptButton(AlertResponse::firstButton);
    EXPECT_FALSE(view->restoreFile(path, manualKey));
    ASSERT_EQ(alerts.requests().size(), 1);
    EXPECT_EQ(alerts.requests().first().messageText, text("restoreErrorText"));

    EXPECT_TRUE(databaseOpen);
    EXPECT_EQ(markers(), QList<int>{1});
    EXPECT_EQ(readFile(CoreData::databasePath()), databaseBefore);
    EXPECT_EQ(settings().autoZVWSync(), 1) << "the settings were not touched";
    EXPECT_FALSE(QFileInfo::exists(CoreData::databasePath() + QStringLiteral(".before-restore")));
    // Refused before anything changed: the store kept the items.
    EXPECT_TRUE(calendarStore->calls().isEmpty());
}

TEST_F(MainViewBackupTest, OtherThreadsWaitForTheRecordsWhileTheDatabaseIsReplaced)
{
    const QString path = scratch(QStringLiteral("busy.bkzvm"));
    ASSERT_TRUE(writeFile(path, backupNow()));
    // A worker that reads the settings row in a loop: it must never find the
    // connection closed under it, only wait.
    std::atomic<bool> stop{false};
    std::atomic<int> readsWithoutDatabase{0};
    std::atomic<int> reads{0};
    std::thread reader([&] {
        while (!stop) {
            RecordGuard guard;
            if (!databaseOpen || !RecordStore::sharedDatabase()) ++readsWithoutDatabase;
            ++reads;
        }
    });
    ScriptedAlertPresenter alerts;
    EXPECT_TRUE(view->restoreFile(path, manualKey));
    stop = true;
    reader.join();
    EXPECT_GT(reads.load(), 0);
    EXPECT_EQ(readsWithoutDatabase.load(), 0);
}

}  // namespace MainViewBackupTests
