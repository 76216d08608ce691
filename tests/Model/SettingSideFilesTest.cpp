#include "SettingTestFixture.h"

#include "DataCrypto.h"
#include "GTMBase64.h"
#include "PropertyList.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <functional>

#include <sys/stat.h>

namespace SettingSideFilesTests {

namespace {

QVariantMap readPlist(const QString& path)
{
    return PropertyList::readFile(path).value.toMap();
}

QString backupFolder()
{
    return Setting::dataFilePath(QStringLiteral("AutoBackupData"));
}

QStringList backupsOnDisk()
{
    QStringList names = QDir(backupFolder()).entryList(QDir::Files, QDir::Name);
    names.removeIf([](const QString& name) { return !name.endsWith(QStringLiteral("abkzvm")); });
    return names;
}

void writeFile(const QString& path, const QByteArray& content)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
}

// Earlier backups, written newest first so that creation order is not name order.
void placeEarlierBackups(const QStringList& names)
{
    QDir().mkpath(backupFolder());
    for (auto it = names.crbegin(); it != names.crend(); ++it)
        writeFile(QDir(backupFolder()).filePath(*it), QByteArrayLiteral("old ") + it->toUtf8());
}

QByteArray readBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

unsigned modeOf(const QString& path)
{
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0) return 0;
    return info.st_mode & 07777;
}

const QStringList fiveEarlierDays = {
    QStringLiteral("2014-03-20 09:00:00.abkzvm"), QStringLiteral("2014-03-21 09:00:00.abkzvm"),
    QStringLiteral("2014-03-22 09:00:00.abkzvm"), QStringLiteral("2014-03-23 09:00:00.abkzvm"),
    QStringLiteral("2014-03-24 09:00:00.abkzvm"),
};

}  // namespace

using SettingSideFilesTest = SettingTest;

TEST_F(SettingSideFilesTest, WithoutDayManagerFileEveryWeekdayWorksEightToSixAndTheFileIsWrittenAtTheNextSave)
{
    const QString path = Setting::dataFilePath(QStringLiteral("DayManager.dat"));
    SettingPtr setting = loadSetting();
    const QVariantMap hours = setting->dayManagers();
    const QStringList& keys = Setting::dayManagerKeys();
    ASSERT_EQ(keys.size(), 14);
    for (int weekday = 1; weekday <= 7; ++weekday) {
        EXPECT_EQ(hours.value(keys[weekday - 1]).toLongLong(), 480) << weekday;
        EXPECT_EQ(hours.value(keys[weekday + 6]).toLongLong(), 1080) << weekday;
    }
    EXPECT_FALSE(QFile::exists(path));

    ASSERT_TRUE(setting->dehydrate());
    const QVariantMap stored = readPlist(path);
    EXPECT_EQ(stored.size(), 14);
    EXPECT_EQ(stored.value(QStringLiteral("TuedayStartTime")).toLongLong(), 480);
    EXPECT_EQ(stored.value(QStringLiteral("ThusdayEndTime")).toLongLong(), 1080);
}

TEST_F(SettingSideFilesTest, DayManagerFileLackingKeysIsUsedAsItIs)
{
    PropertyList::writeFile(Setting::dataFilePath(QStringLiteral("DayManager.dat")),
                            QVariantMap{{QStringLiteral("MondayStartTime"), 540}});
    const QVariantMap hours = loadSetting()->dayManagers();
    EXPECT_EQ(hours.size(), 1);
    EXPECT_EQ(hours.value(QStringLiteral("MondayStartTime")).toLongLong(), 540);
}

TEST_F(SettingSideFilesTest, LocalSettingsWithOnlyAFontSizeKeepsEveryOtherDefault)
{
    PropertyList::writeFile(Setting::dataFilePath(QStringLiteral("local.settings")),
                            QVariantMap{{QStringLiteral("currentFontSize"), 14.0}});
    SettingPtr setting = loadSetting();
    EXPECT_FLOAT_EQ(setting->currentFontSize(), 14.0f);
    EXPECT_TRUE(setting->navShowing());
    EXPECT_EQ(setting->showWarningConvert2STask(), 1);
    EXPECT_EQ(setting->showWarningChangeDeadlineTask(), 1);
    EXPECT_EQ(setting->showWarningConvertSTask2Task(), 1);
    EXPECT_EQ(setting->showWarningConvert2STaskAfterDeadline(), 1);
    EXPECT_EQ(setting->latestBackupOnServer(), 0.0);
}

TEST_F(SettingSideFilesTest, UnreadableLocalSettingsGivesTheDefaults)
{
    writeFile(Setting::dataFilePath(QStringLiteral("local.settings")), QByteArrayLiteral("not a property list"));
    SettingPtr setting = loadSetting();
    EXPECT_FLOAT_EQ(setting->currentFontSize(), 12.0f);
    EXPECT_TRUE(setting->navShowing());
    EXPECT_EQ(setting->showWarningChangeDeadlineTask(), 1);
}

TEST_F(SettingSideFilesTest, LocalSettingsRoundTripAndKeepAKeyWeDoNotKnow)
{
    const QString path = Setting::dataFilePath(QStringLiteral("local.settings"));
    PropertyList::writeFile(path, QVariantMap{{QStringLiteral("currentFontSize"), 14.0},
                                              {QStringLiteral("someNewerKey"), QStringLiteral("kept")}});
    SettingPtr setting = loadSetting();
    setting->setNavShowing(false);
    setting->setShowWarningConvertSTask2Task(0);
    setting->setLatestBackupOnServer(1400000000.0);
    ASSERT_TRUE(setting->saveLocalSettings());

    const QVariantMap stored = readPlist(path);
    EXPECT_EQ(stored.value(QStringLiteral("someNewerKey")).toString(), QStringLiteral("kept"));
    EXPECT_EQ(stored.value(QStringLiteral("navShowing")).typeId(), QMetaType::Bool);
    SettingPtr reloaded = loadSetting();
    EXPECT_FLOAT_EQ(reloaded->currentFontSize(), 14.0f);
    EXPECT_FALSE(reloaded->navShowing());
    EXPECT_EQ(reloaded->showWarningConvertSTask2Task(), 0);
    EXPECT_EQ(reloaded->showWarningConvert2STask(), 1);
    EXPECT_EQ(reloaded->latestBackupOnServer(), 1400000000.0);
}

TEST_F(SettingSideFilesTest, ASaveThatIsNotDirtyWritesNoRowButStillWritesTheSideFiles)
{
    SettingPtr setting = loadSetting();
    // Changed behind the record's back: a row write would put 900 back.
    exec(QStringLiteral("UPDATE Settings SET snoozeVal=60"));
    setting->setCurrentFontSize(16.0f);
    ASSERT_FALSE(setting->dirty());
    ASSERT_TRUE(setting->dehydrate());

    EXPECT_EQ(queryInt(QStringLiteral("SELECT snoozeVal FROM Settings")), 60);
    EXPECT_EQ(readPlist(Setting::dataFilePath(QStringLiteral("local.settings")))
                  .value(QStringLiteral("currentFontSize"))
                  .toDouble(),
              16.0);
    EXPECT_TRUE(QFile::exists(Setting::dataFilePath(QStringLiteral("DayManager.dat"))));
    EXPECT_FALSE(QFile::exists(Setting::dataFilePath(QStringLiteral("synctime.dat"))));
    EXPECT_FALSE(QFile::exists(Setting::dataFilePath(QStringLiteral("auto.plist"))));
}

TEST_F(SettingSideFilesTest, SyncStampsRoundTripAndMissingOnesReadZero)
{
    const QString path = Setting::dataFilePath(QStringLiteral("synctime.dat"));
    PropertyList::writeFile(path, QVariantMap{{QStringLiteral("item"), 77}, {QStringLiteral("other"), 1}});
    SettingPtr setting = loadSetting();
    EXPECT_EQ(setting->latestSyncItem(), 77);
    EXPECT_EQ(setting->latestSyncLink(), 0);
    EXPECT_EQ(setting->latestZVWSyncComment(), 0);

    setting->setLatestSyncLink(5);
    setting->setLatestZVWSyncComment(1400000000123LL);
    ASSERT_TRUE(setting->saveSyncTime());
    SettingPtr reloaded = loadSetting();
    EXPECT_EQ(reloaded->latestSyncItem(), 77);
    EXPECT_EQ(reloaded->latestSyncLink(), 5);
    EXPECT_EQ(reloaded->latestZVWSyncComment(), 1400000000123LL);
    EXPECT_EQ(readPlist(path).value(QStringLiteral("other")).toLongLong(), 1);
}

TEST_F(SettingSideFilesTest, AutoSyncSwitchesAreWrittenAsIntegers)
{
    SettingPtr setting = loadSetting();
    setting->setAutoZVWSync(1);
    setting->setAutoICalSync(0);
    ASSERT_TRUE(setting->setAutoSync());
    const QVariantMap stored = readPlist(Setting::dataFilePath(QStringLiteral("auto.plist")));
    EXPECT_EQ(stored.size(), 2);
    EXPECT_EQ(stored.value(QStringLiteral("autoZVWSync")).typeId(), QMetaType::LongLong);
    EXPECT_EQ(stored.value(QStringLiteral("autoZVWSync")).toLongLong(), 1);
    EXPECT_EQ(stored.value(QStringLiteral("autoICalSync")).toLongLong(), 0);
}

TEST_F(SettingSideFilesTest, ScanListsEveryNameEndingInTheBackupExtensionOldestFirst)
{
    placeEarlierBackups({QStringLiteral("2014-03-21 09:00:00.abkzvm"), QStringLiteral("2014-03-20 09:00:00abkzvm"),
                         QStringLiteral("2014-03-22 09:00:00.abkzvm")});
    writeFile(QDir(backupFolder()).filePath(QStringLiteral("notes.txt")), "x");
    SettingPtr setting = loadSetting();
    EXPECT_EQ(setting->autoBackupFiles(),
              QStringList({QStringLiteral("2014-03-20 09:00:00abkzvm"), QStringLiteral("2014-03-21 09:00:00.abkzvm"),
                           QStringLiteral("2014-03-22 09:00:00.abkzvm")}));
    EXPECT_EQ(setting->getRestoreAutoBackupFile(0),
              QDir(supportFolder()).filePath(QStringLiteral("AutoBackupData/2014-03-20 09:00:00abkzvm")));
    EXPECT_TRUE(setting->getRestoreAutoBackupFile(3).isEmpty());
}

TEST_F(SettingSideFilesTest, BackupIsNamedByLocalTimeAndTwoOnOneDayLeaveTheLaterOne)
{
    SettingPtr setting = loadSetting();
    Clock::setFixed(parisTime(2014, 3, 25, 9, 5));
    ASSERT_TRUE(setting->saveAutoBackupFile());
    EXPECT_EQ(backupsOnDisk(), QStringList({QStringLiteral("2014-03-25 09:05:00.abkzvm")}));

    Clock::setFixed(parisTime(2014, 3, 25, 17, 30, 12));
    ASSERT_TRUE(setting->saveAutoBackupFile());
    EXPECT_EQ(backupsOnDisk(), QStringList({QStringLiteral("2014-03-25 17:30:12.abkzvm")}));
}

// The oldest is found by name, not by the last scan or the listing's order:
// no scan has run here and the files were created newest first.
TEST_F(SettingSideFilesTest, WithFiveEarlierDaysTheOldestGoesAndFiveRemain)
{
    SettingPtr setting = loadSetting();
    placeEarlierBackups(fiveEarlierDays);
    Clock::setFixed(parisTime(2014, 3, 25, 9, 5));
    ASSERT_TRUE(setting->saveAutoBackupFile());

    QStringList expected = fiveEarlierDays.mid(1);
    expected.append(QStringLiteral("2014-03-25 09:05:00.abkzvm"));
    EXPECT_EQ(backupsOnDisk(), expected);
}

TEST_F(SettingSideFilesTest, RemovedBackupsLeaveTheScannedList)
{
    placeEarlierBackups(fiveEarlierDays);
    SettingPtr setting = loadSetting();
    ASSERT_EQ(setting->autoBackupFiles(), fiveEarlierDays);
    Clock::setFixed(parisTime(2014, 3, 25, 9, 5));
    ASSERT_TRUE(setting->saveAutoBackupFile());
    // The new one joins the list only at the next scan.
    EXPECT_EQ(setting->autoBackupFiles(), fiveEarlierDays.mid(1));
    setting->getAllBackupFiles();
    EXPECT_EQ(setting->autoBackupFiles().size(), 5);
}

TEST_F(SettingSideFilesTest, BackupDecryptsToTheBase64OfADatabaseThatPassesIntegrityCheck)
{
    SettingPtr setting = loadSetting();
    setting->setSnoozeDefVal(4321);
    ASSERT_TRUE(setting->dehydrate());
    Clock::setFixed(parisTime(2014, 3, 25, 9, 5));
    ASSERT_TRUE(setting->saveAutoBackupFile());

    QFile file(QDir(backupFolder()).filePath(QStringLiteral("2014-03-25 09:05:00.abkzvm")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const std::optional<QByteArray> plain =
        DataCrypto::decryptedAES256DataUsingKey(file.readAll(), Setting::autoBackupKey());
    ASSERT_TRUE(plain.has_value());
    const QByteArray prefix = QByteArrayLiteral("ZVMDatabase:");
    ASSERT_TRUE(plain->startsWith(prefix));
    const QByteArray encoded = plain->mid(prefix.size());
    EXPECT_EQ(encoded.size() % 4, 0);  // padded
    EXPECT_FALSE(encoded.contains('+') || encoded.contains('/'));
    const std::optional<QByteArray> database = GTMBase64::webSafeDecodeString(QString::fromLatin1(encoded));
    ASSERT_TRUE(database.has_value());

    QTemporaryDir restored;
    const QString path = restored.filePath(QStringLiteral("Database.sql"));
    writeFile(path, *database);
    sqlite3* copy = nullptr;
    ASSERT_EQ(sqlite3_open_v2(path.toUtf8().constData(), &copy, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    const auto text = [&](const char* sql) {
        sqlite3_stmt* statement = nullptr;
        EXPECT_EQ(sqlite3_prepare_v2(copy, sql, -1, &statement, nullptr), SQLITE_OK);
        QString value;
        if (sqlite3_step(statement) == SQLITE_ROW)
            value = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)));
        sqlite3_finalize(statement);
        return value;
    };
    EXPECT_EQ(text("PRAGMA integrity_check"), QStringLiteral("ok"));
    EXPECT_EQ(text("SELECT snoozeVal FROM Settings"), QStringLiteral("4321"));
    sqlite3_close(copy);
}

// Fault injection: the new backup cannot be written (a folder stands where
// its file would go). Nothing older may be lost, not even today's.
TEST_F(SettingSideFilesTest, ABackupWhoseWriteFailsLeavesTheEarlierBackupsIntact)
{
    SettingPtr setting = loadSetting();
    QStringList earlier = fiveEarlierDays;
    earlier.append(QStringLiteral("2014-03-25 08:00:00.abkzvm"));
    placeEarlierBackups(earlier);
    QDir(backupFolder()).mkdir(QStringLiteral("2014-03-25 09:05:00.abkzvm"));
    Clock::setFixed(parisTime(2014, 3, 25, 9, 5));

    EXPECT_FALSE(setting->saveAutoBackupFile());
    EXPECT_EQ(backupsOnDisk(), earlier);
    for (const QString& name : earlier) {
        QFile file(QDir(backupFolder()).filePath(name));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), QByteArrayLiteral("old ") + name.toUtf8());
    }
}

// The backup folder cannot be made: the backup fails and is logged, and the
// program goes on.
TEST_F(SettingSideFilesTest, ABackupFolderThatCannotBeMadeFailsTheBackupWithoutEndingTheProgram)
{
    SettingPtr setting = loadSetting();
    writeFile(backupFolder(), "a file where the folder should be");
    LogCapture log;
    EXPECT_FALSE(setting->saveAutoBackupFile());
    ASSERT_FALSE(log.messages().isEmpty());
    EXPECT_TRUE(log.messages().first().startsWith(
        QStringLiteral("Failed to create directory in Application Support with message '")))
        << log.messages().join(QLatin1Char('|')).toStdString();
}

// A side file that cannot be read (not a property list, or not a dictionary at
// its root) is still the user's: the next write keeps it aside under a name
// of its own instead of going over it, and says so in the log.
TEST_F(SettingSideFilesTest, AnUnreadableSideFileIsKeptAsideBeforeItIsWrittenAgain)
{
    const struct {
        const char* file;
        std::function<bool(Setting&)> save;
    } files[] = {
        {"local.settings", [](Setting& setting) { return setting.saveLocalSettings(); }},
        {"DayManager.dat", [](Setting& setting) { return setting.saveDayManagerDictionary(); }},
        {"synctime.dat", [](Setting& setting) { return setting.saveSyncTime(); }},
        {"auto.plist", [](Setting& setting) { return setting.setAutoSync(); }},
    };
    const QByteArray malformed = "<?xml version=\"1.0\"?><plist><dict><key>newerKey</key><string>kept";
    const QByteArray arrayAtRoot = "<?xml version=\"1.0\"?><plist version=\"1.0\"><array><integer>1</integer></array></plist>";
    for (const auto& side : files) {
        SCOPED_TRACE(side.file);
        const QString path = Setting::dataFilePath(QString::fromLatin1(side.file));
        writeFile(path, malformed);
        SettingPtr setting = loadSetting();
        {
            LogCapture log;
            ASSERT_TRUE(side.save(*setting));
            EXPECT_TRUE(log.contains(path + QStringLiteral(".damaged")));
        }
        EXPECT_EQ(readBytes(path + QStringLiteral(".damaged")), malformed);
        EXPECT_EQ(PropertyList::readFile(path).value.typeId(), QMetaType::QVariantMap) << "written anew";

        // A readable file is written over as before; nothing more is kept.
        ASSERT_TRUE(side.save(*setting));
        EXPECT_FALSE(QFile::exists(path + QStringLiteral(".2.damaged")));

        // Damaged again: the copy kept earlier stays as it is.
        writeFile(path, arrayAtRoot);
        ASSERT_TRUE(side.save(*setting));
        EXPECT_EQ(readBytes(path + QStringLiteral(".2.damaged")), arrayAtRoot);
        EXPECT_EQ(readBytes(path + QStringLiteral(".damaged")), malformed);
        EXPECT_EQ(PropertyList::readFile(path).value.typeId(), QMetaType::QVariantMap);
    }
}

// A folder where the file should be cannot be read either; it is moved, not
// emptied, and the file takes its place.
TEST_F(SettingSideFilesTest, AFolderInPlaceOfASideFileIsMovedAsideWithWhatItHolds)
{
    const QString path = Setting::dataFilePath(QStringLiteral("local.settings"));
    QDir().mkpath(path);
    writeFile(path + QStringLiteral("/inside"), "kept");
    ASSERT_TRUE(loadSetting()->saveLocalSettings());
    EXPECT_EQ(readBytes(path + QStringLiteral(".damaged/inside")), QByteArray("kept"));
    EXPECT_TRUE(QFileInfo(path).isFile());
}

TEST_F(SettingSideFilesTest, BackupsAndTheirFolderAreReadableByTheirOwnerOnly)
{
    SettingPtr setting = loadSetting();
    Clock::setFixed(parisTime(2014, 3, 25, 9, 5));
    ASSERT_TRUE(setting->saveAutoBackupFile());
    EXPECT_EQ(modeOf(backupFolder()), 0700u);
    EXPECT_EQ(modeOf(QDir(backupFolder()).filePath(QStringLiteral("2014-03-25 09:05:00.abkzvm"))), 0600u);

    // A folder an earlier version left open to everyone is closed by the next backup.
    ASSERT_EQ(::chmod(QFile::encodeName(backupFolder()).constData(), 0755), 0);
    Clock::setFixed(parisTime(2014, 3, 26, 9, 5));
    ASSERT_TRUE(setting->saveAutoBackupFile());
    EXPECT_EQ(modeOf(backupFolder()), 0700u);
    EXPECT_EQ(modeOf(QDir(backupFolder()).filePath(QStringLiteral("2014-03-26 09:05:00.abkzvm"))), 0600u);
}

namespace {

// A write replaces the file by a new one (written aside, then renamed over
// it); a file left alone keeps its inode.
ino_t inodeOf(const QString& path)
{
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0) return 0;
    return info.st_ino;
}

QStringList filesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

}  // namespace

// Every side file: a save with nothing new leaves the file untouched (no
// write, no flush); a save with a new value replaces it whole, keeps what
// else it held and is read back by the next load.
TEST_F(SettingSideFilesTest, ASideFileIsReplacedOnlyWhenItsContentChanges)
{
    const struct {
        const char* file;
        std::function<bool(Setting&)> save;
        std::function<void(Setting&)> change;
        std::function<bool(Setting&)> changed;
        bool keepsOtherKeys;
    } files[] = {
        {"local.settings", [](Setting& s) { return s.saveLocalSettings(); },
         [](Setting& s) { s.setCurrentFontSize(17.5f); }, [](Setting& s) { return s.currentFontSize() == 17.5f; },
         true},
        {"DayManager.dat", [](Setting& s) { return s.saveDayManagerDictionary(); },
         [](Setting& s) {
             QVariantMap hours = s.dayManagers();
             hours.insert(QStringLiteral("MondayStartTime"), 555);
             s.setDayManagers(hours);
         },
         [](Setting& s) { return s.dayManagers().value(QStringLiteral("MondayStartTime")).toLongLong() == 555; },
         false},
        {"synctime.dat", [](Setting& s) { return s.saveSyncTime(); },
         [](Setting& s) { s.setLatestSyncLink(1400000000123LL); },
         [](Setting& s) { return s.latestSyncLink() == 1400000000123LL; }, true},
    };
    for (const auto& side : files) {
        SCOPED_TRACE(side.file);
        const QString path = Setting::dataFilePath(QString::fromLatin1(side.file));
        if (side.keepsOtherKeys)
            PropertyList::writeFile(path, QVariantMap{{QStringLiteral("someNewerKey"), QStringLiteral("kept")}});
        SettingPtr setting = loadSetting();
        ASSERT_TRUE(side.save(*setting));
        const QByteArray written = readBytes(path);
        const ino_t first = inodeOf(path);
        ASSERT_NE(first, 0u);

        ASSERT_TRUE(side.save(*setting));
        ASSERT_TRUE(side.save(*loadSetting())) << "a fresh record saving the values it read";
        EXPECT_EQ(inodeOf(path), first) << "rewritten with nothing new";
        EXPECT_EQ(readBytes(path), written);

        side.change(*setting);
        ASSERT_TRUE(side.save(*setting));
        EXPECT_NE(inodeOf(path), first) << "a new value must replace the file";
        SettingPtr reloaded = loadSetting();
        EXPECT_TRUE(side.changed(*reloaded));
        if (side.keepsOtherKeys) {
            EXPECT_EQ(readPlist(path).value(QStringLiteral("someNewerKey")).toString(), "kept");
        }
        for (const QString& name : filesIn(supportFolder()))
            EXPECT_FALSE(name.startsWith(QString::fromLatin1(side.file) + QLatin1Char('.')))
                << "left behind: " << name.toStdString();
    }
}

// The comparison is with the file as it stands, not with the last write: a
// file changed behind the record's back gets the record's values again.
TEST_F(SettingSideFilesTest, ASideFileChangedBehindTheRecordIsWrittenAgain)
{
    const QString path = Setting::dataFilePath(QStringLiteral("local.settings"));
    SettingPtr setting = loadSetting();
    setting->setCurrentFontSize(15.0f);
    ASSERT_TRUE(setting->saveLocalSettings());
    PropertyList::writeFile(path, QVariantMap{{QStringLiteral("currentFontSize"), 9.0}});
    ASSERT_TRUE(setting->saveLocalSettings());
    EXPECT_FLOAT_EQ(loadSetting()->currentFontSize(), 15.0f);
    EXPECT_TRUE(readPlist(path).contains(QStringLiteral("navShowing")));
}

// The save at the end of every sync step: with nothing new it replaces no
// side file; a change to one side file replaces that one only.
TEST_F(SettingSideFilesTest, AnUnchangedSaveWritesNothingAndAChangedOneOnlyWhatChanged)
{
    const QString local = Setting::dataFilePath(QStringLiteral("local.settings"));
    const QString hours = Setting::dataFilePath(QStringLiteral("DayManager.dat"));
    SettingPtr setting = loadSetting();
    ASSERT_TRUE(setting->dehydrate());
    const ino_t localFirst = inodeOf(local);
    const ino_t hoursFirst = inodeOf(hours);
    ASSERT_NE(localFirst, 0u);
    ASSERT_NE(hoursFirst, 0u);

    ASSERT_TRUE(setting->dehydrate());
    EXPECT_EQ(inodeOf(local), localFirst);
    EXPECT_EQ(inodeOf(hours), hoursFirst);

    setting->setNavShowing(false);
    ASSERT_TRUE(setting->dehydrate());
    EXPECT_NE(inodeOf(local), localFirst);
    EXPECT_EQ(inodeOf(hours), hoursFirst);
    EXPECT_FALSE(loadSetting()->navShowing());
}

}  // namespace SettingSideFilesTests
