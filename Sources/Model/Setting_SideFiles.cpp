// The settings' side files next to the database and the automatic backups.
#include "Setting.h"

#include "BackupFile.h"
#include "Clock.h"
#include "DataFolder.h"
#include "Paths.h"
#include "PropertyList.h"
#include "RecordStore.h"
#include "Utilities.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cmath>
#include <memory>
#include <optional>


namespace {

const QString localSettingsFile = QStringLiteral("local.settings");
const QString dayManagerFile = QStringLiteral("DayManager.dat");
const QString syncTimeFile = QStringLiteral("synctime.dat");
const QString autoSyncFile = QStringLiteral("auto.plist");
const QString backupFolderName = QStringLiteral("AutoBackupData");
const QString backupExtension = QStringLiteral("abkzvm");

constexpr qint64 defaultWorkStart = Setting::defaultWorkStartMinutes;
constexpr qint64 defaultWorkEnd = Setting::defaultWorkEndMinutes;
constexpr float defaultFontSize = 12.0f;
// A day keeps its latest backup, and four earlier days are kept beside it.
constexpr qsizetype earlierDaysKept = 4;

bool isDictionary(const PropertyList::Result& read)
{
    return read.ok() && read.value.typeId() == QMetaType::QVariantMap;
}

// The root dictionary of a side file; nothing when the file is missing or is
// not a property list with a dictionary at its root.
std::optional<QVariantMap> readDictionary(const QString& path)
{
    if (path.isEmpty()) return std::nullopt;
    const PropertyList::Result result = PropertyList::readFile(path);
    if (!isDictionary(result)) return std::nullopt;
    return result.value.toMap();
}

// A side file that is there but cannot be read is renamed "<name>.damaged"
// (or "<name>.2.damaged" ... beside earlier ones) before a write replaces it,
// so what it held, keys of a newer version included, is not lost. False when
// it could not be moved: the write must not go over it then.
bool setAsideIfUnreadable(const QString& path, const PropertyList::Result& read)
{
    if (read.error == PropertyList::Error::FileMissing || isDictionary(read)) return true;
    const QString problem =
        read.ok() ? QStringLiteral("its root is not a dictionary") : read.errorText;
    const QString aside = DataFolder::moveAside(path, path, QStringLiteral(".damaged"));
    if (aside.isNull()) {
        qWarning("The side file '%s' cannot be read (%s) nor moved aside; it is not written over.",
                 qUtf8Printable(path), qUtf8Printable(problem));
        return false;
    }
    qWarning("The side file '%s' cannot be read (%s); it is kept as '%s' and written anew.", qUtf8Printable(path),
             qUtf8Printable(problem), qUtf8Printable(aside));
    return true;
}

// A side file as it stands: its bytes and their reading.
struct SideFile {
    QByteArray bytes;
    PropertyList::Result read;
};

// Reads as PropertyList::readFile does, keeping the bytes for the comparison
// before a write.
SideFile readSideFile(const QString& path)
{
    SideFile side;
    QFile file(path);
    if (!file.exists()) {
        side.read = {QVariant(), PropertyList::Error::FileMissing, QStringLiteral("No property list at %1").arg(path)};
        return side;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        side.read = {QVariant(), PropertyList::Error::CannotRead,
                     QStringLiteral("Cannot read %1: %2").arg(path, file.errorString())};
        return side;
    }
    side.bytes = file.readAll();
    side.read = PropertyList::fromData(side.bytes);
    if (!side.read.ok()) side.read.errorText = path + QStringLiteral(": ") + side.read.errorText;
    return side;
}

// Atomic: a failed write leaves the earlier file whole. A file that already
// holds exactly these bytes is left alone: the settings are saved after every
// sync step and many commands, and each write flushes the disk, which costs
// far more than reading the small file back.
bool writeReadDictionary(const QString& path, const SideFile& side, const QVariantMap& dictionary)
{
    if (isDictionary(side.read)) {
        const std::optional<QByteArray> data = PropertyList::toData(dictionary);
        if (data && *data == side.bytes) return true;
    }
    return setAsideIfUnreadable(path, side.read)
        && PropertyList::writeFile(path, dictionary) == PropertyList::Error::None;
}

bool writeDictionary(const QString& path, const QVariantMap& dictionary)
{
    return !path.isEmpty() && writeReadDictionary(path, readSideFile(path), dictionary);
}

// Sets the given keys and keeps every other key already in the file, so a
// newer version's keys survive a save by this one.
bool mergeIntoFile(const QString& path, const QVariantMap& values)
{
    if (path.isEmpty()) return false;
    const SideFile side = readSideFile(path);
    QVariantMap dictionary = isDictionary(side.read) ? side.read.value.toMap() : QVariantMap();
    dictionary.insert(values);
    return writeReadDictionary(path, side, dictionary);
}

// ---- Values from the side files ----
// Another program may have written anything under our keys. A number that is
// not finite, or a time beyond the calendar, is treated as absent (with a log
// line) before anything computes with it.

bool isReal(const QVariant& value)
{
    return value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Float;
}

bool isNumber(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        return true;
    default:
        return false;
    }
}

void logIgnored(const QString& file, const QString& key, const QVariant& value)
{
    qWarning("Ignoring %s in \"%s\" of %s: not a usable number.", qPrintable(value.toString()), qPrintable(key),
             qPrintable(file));
}

// Minutes after midnight: any number of minutes within the calendar's length
// still names a day of it.
QVariantMap usableDayManagers(QVariantMap hours)
{
    constexpr double calendarMinutes = (Date::latestSeconds - Date::earliestSeconds) / 60;
    hours.removeIf([](const QVariantMap::iterator& entry) {
        if (!isNumber(entry.value()) || std::abs(entry.value().toDouble()) <= calendarMinutes) return false;
        logIgnored(dayManagerFile, entry.key(), entry.value());
        return true;
    });
    return hours;
}

// A whole number; a real that is not finite or does not fit reads as 0.
qint64 usableWholeNumber(const QVariantMap& stored, const QString& file, const QString& key)
{
    const QVariant value = stored.value(key);
    if (!isReal(value)) return value.toLongLong();
    const double number = value.toDouble();
    constexpr double limit = 9223372036854775808.0;  // 2^63
    if (std::isfinite(number) && number > -limit && number < limit) return static_cast<qint64>(number);
    logIgnored(file, key, value);
    return 0;
}

QVariantMap defaultDayManagers()
{
    QVariantMap hours;
    const QStringList& keys = Setting::dayManagerKeys();
    for (qsizetype i = 0; i < keys.size(); ++i) hours.insert(keys[i], i < 7 ? defaultWorkStart : defaultWorkEnd);
    return hours;
}

// Backup names sort by their date and time, so ascending order is oldest first
// whatever order the folder listing comes in.
QStringList backupNamesIn(const QString& folder)
{
    QStringList names;
    for (const QString& name : QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::NoSort)) {
        if (name.endsWith(backupExtension)) names.append(name);
    }
    names.sort(Qt::CaseSensitive);
    return names;
}

// The stored form: the backup file layout under the automatic-backup key,
// made from a consistent copy of the database.
std::optional<QByteArray> autoBackupContent()
{
    const std::optional<QByteArray> database = BackupFile::databaseSnapshot();
    if (!database) return std::nullopt;
    return BackupFile::encode(*database, QString::fromLatin1(Setting::autoBackupKeyText));
}

// Readable by its owner only from the moment it exists: a backup holds the
// whole database and the service token.
bool writeAtomically(const QString& path, const QByteArray& content)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    if (!file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner)
        || file.write(content) != content.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

}  // namespace

const QStringList& Setting::dayManagerKeys()
{
    // Spelled as the files already written spell them.
    static const QStringList keys = {
        QStringLiteral("SundayStartTime"),    QStringLiteral("MondayStartTime"),
        QStringLiteral("TuedayStartTime"),    QStringLiteral("WednesdayStartTime"),
        QStringLiteral("ThusdayStartTime"),   QStringLiteral("FridayStartTime"),
        QStringLiteral("SaturdayStartTime"),  QStringLiteral("SundayEndTime"),
        QStringLiteral("MondayEndTime"),      QStringLiteral("TuedayEndTime"),
        QStringLiteral("WednesdayEndTime"),   QStringLiteral("ThusdayEndTime"),
        QStringLiteral("FridayEndTime"),      QStringLiteral("SaturdayEndTime"),
    };
    return keys;
}

Date Setting::workingEndOnDay(const Date& day, const QVariantMap& dayManagers)
{
    const QString key = dayManagerKeys().value(int(Utilities::getWeekday(day)) + 6);
    bool ok = false;
    qint64 minutes = dayManagers.value(key).toLongLong(&ok);
    if (!ok) {
        qInfo() << "No usable working end for" << key << "; the day ends at 18:00";
        minutes = defaultWorkEndMinutes;
    }
    return Utilities::newDateOnDate(day, minutes / 60, minutes % 60);
}

QString Setting::autoBackupKey()
{
    // Built at run time from the fixed text; the restore builds the same one.
    return BackupFile::keyForText(QString::fromLatin1(autoBackupKeyText));
}

QString Setting::dataFilePath(const QString& fileName)
{
    const QString folder = Paths::applicationSupportFolder();
    if (folder.isEmpty()) return QString();
    return QDir(folder).filePath(fileName);
}

void Setting::loadLocalSettings()
{
    const QVariantMap stored = readDictionary(dataFilePath(localSettingsFile)).value_or(QVariantMap());
    const auto flag = [&](const QString& key) -> qint64 { return stored.value(key, true).toBool() ? 1 : 0; };
    const QString fontSizeKey = QStringLiteral("currentFontSize");
    const float fontSize = stored.value(fontSizeKey, defaultFontSize).toFloat();
    if (!std::isfinite(fontSize)) logIgnored(localSettingsFile, fontSizeKey, stored.value(fontSizeKey));
    setCurrentFontSize(std::isfinite(fontSize) ? fontSize : defaultFontSize);
    setNavShowing(stored.value(QStringLiteral("navShowing"), true).toBool());
    setShowWarningConvert2STask(flag(QStringLiteral("showWarningConvert2STask")));
    setShowWarningChangeDeadlineTask(flag(QStringLiteral("showWarningChangeDeadlineTask")));
    setShowWarningConvertSTask2Task(flag(QStringLiteral("showWarningConvertSTask2Task")));
    setShowWarningConvert2STaskAfterDeadline(flag(QStringLiteral("showWarningConvert2STaskAfterDeadline")));
    const QString latestBackupKey = QStringLiteral("latestBackupOnServer");
    const double latestBackup = stored.value(latestBackupKey, 0.0).toDouble();
    const bool isBackupDate = Date::isWithinCalendar(latestBackup);
    if (!isBackupDate) logIgnored(localSettingsFile, latestBackupKey, stored.value(latestBackupKey));
    setLatestBackupOnServer(isBackupDate ? latestBackup : 0.0);
    getAllBackupFiles();
}

bool Setting::saveLocalSettings()
{
    return mergeIntoFile(
        dataFilePath(localSettingsFile),
        {
            {QStringLiteral("currentFontSize"), currentFontSize()},
            {QStringLiteral("navShowing"), navShowing()},
            {QStringLiteral("showWarningConvert2STask"), showWarningConvert2STask() != 0},
            {QStringLiteral("showWarningChangeDeadlineTask"), showWarningChangeDeadlineTask() != 0},
            {QStringLiteral("showWarningConvertSTask2Task"), showWarningConvertSTask2Task() != 0},
            {QStringLiteral("showWarningConvert2STaskAfterDeadline"), showWarningConvert2STaskAfterDeadline() != 0},
            {QStringLiteral("latestBackupOnServer"), latestBackupOnServer()},
        });
}

void Setting::loadDayManagerDictionary()
{
    // A file that lacks some keys is used as it is; the defaults reach the
    // disk only with the next save.
    const std::optional<QVariantMap> stored = readDictionary(dataFilePath(dayManagerFile));
    setDayManagers(stored ? usableDayManagers(*stored) : defaultDayManagers());
}

bool Setting::saveDayManagerDictionary()
{
    return writeDictionary(dataFilePath(dayManagerFile), dayManagers());
}

void Setting::loadSyncTime()
{
    const QVariantMap stored = readDictionary(dataFilePath(syncTimeFile)).value_or(QVariantMap());
    setLatestSyncItem(usableWholeNumber(stored, syncTimeFile, QStringLiteral("item")));
    setLatestSyncLink(usableWholeNumber(stored, syncTimeFile, QStringLiteral("link")));
    setLatestZVWSyncComment(usableWholeNumber(stored, syncTimeFile, QStringLiteral("cmt")));
}

bool Setting::saveSyncTime()
{
    return mergeIntoFile(dataFilePath(syncTimeFile), {
                                                         {QStringLiteral("item"), latestSyncItem()},
                                                         {QStringLiteral("link"), latestSyncLink()},
                                                         {QStringLiteral("cmt"), latestZVWSyncComment()},
                                                     });
}

bool Setting::setAutoSync()
{
    return writeDictionary(dataFilePath(autoSyncFile), {
                                                           {QStringLiteral("autoICalSync"), autoICalSync()},
                                                           {QStringLiteral("autoZVWSync"), autoZVWSync()},
                                                       });
}

void Setting::getAllBackupFiles()
{
    const QString folder = dataFilePath(backupFolderName);
    setAutoBackupFiles(folder.isEmpty() ? QStringList() : backupNamesIn(folder));
}

void Setting::restrictAutoBackupsToOwner()
{
    const QString folder = dataFilePath(backupFolderName);
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) return;
    QStringList paths{folder};
    for (const QString& name : backupNamesIn(folder)) paths.append(QDir(folder).filePath(name));
    for (const QString& path : paths)
        if (!DataFolder::restrictToOwner(path)) qWarning("Cannot make '%s' private to its owner.", qUtf8Printable(path));
}

QString Setting::getRestoreAutoBackupFile(qint64 index) const
{
    const QString folder = dataFilePath(backupFolderName);
    const QStringList names = autoBackupFiles();
    if (folder.isEmpty() || index < 0 || index >= names.size()) return QString();
    return QDir(folder).filePath(names[index]);
}

QString Setting::autoBackupFilePath(const QString& name)
{
    const QString folder = dataFilePath(backupFolderName);
    const bool plainName = !name.isEmpty() && !name.contains(QLatin1Char('/')) && !name.startsWith(QLatin1Char('.'))
        && name.endsWith(backupExtension);
    if (folder.isEmpty() || !plainName) return QString();
    return QDir(folder).filePath(name);
}

// The new backup is written completely (temporary name, then renamed) before
// any older one is removed, so a failure at any step leaves the earlier
// backups as they were.
bool Setting::saveAutoBackupFile()
{
    const QString folder = dataFilePath(backupFolderName);
    if (folder.isEmpty()) return false;
    if (QString error; !DataFolder::makeOwnerOnlyFolder(folder, &error)) {
        // The text the system has always logged; a missing backup folder is no
        // reason to end the program, so the backup just fails.
        qCritical("Failed to create directory in Application Support with message '%s'.", qUtf8Printable(error));
        return false;
    }
    const QString name = Utilities::getShortDateTimeStringFromDate(Clock::now()) + QLatin1Char('.') + backupExtension;
    const std::optional<QByteArray> content = autoBackupContent();
    if (!content || !writeAtomically(QDir(folder).filePath(name), *content)) {
        qWarning("The automatic backup could not be written.");
        return false;
    }
    removeOlderBackups(folder, name);
    return true;
}

void Setting::removeOlderBackups(const QString& folder, const QString& newName)
{
    const QString day = newName.left(10);
    QStringList earlierDays;
    for (const QString& name : backupNamesIn(folder)) {
        if (name == newName) continue;
        if (name.startsWith(day))
            removeBackupFile(folder, name);
        else
            earlierDays.append(name);
    }
    while (earlierDays.size() > earlierDaysKept) removeBackupFile(folder, earlierDays.takeFirst());
}

void Setting::removeBackupFile(const QString& folder, const QString& name)
{
    if (!QFile::remove(QDir(folder).filePath(name))) return;
    QMutexLocker lock(&m_mutex);
    m_autoBackupFiles.removeAll(name);
}
