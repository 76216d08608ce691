#include "CoreData.h"

#include "Calendar.h"
#include "Clock.h"
#include "RecordGuard.h"
#include "DataCrypto.h"
#include "DatabaseSchema.h"
#include "GregorianCalendar.h"
#include "NotificationCenter.h"
#include "Paths.h"
#include "PropertyList.h"
#include "QueryStatement.h"
#include "Reachability.h"
#include "RecordStore.h"
#include "Setting.h"
#include "Task.h"
#include "TimeZoneRecords.h"
#include "Utilities.h"
#include "ZVWSync.h"
#include "iCalSync.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMutexLocker>
#include <QSaveFile>

std::atomic<bool> databaseOpen{false};
std::atomic<bool> internetReachable{false};
std::atomic<double> localGMTOffset{0.0};

namespace {
std::atomic<CoreData*> sharedDataManager{nullptr};

template <class T>
void removeEqual(QList<T>& from, const QList<T>& items)
{
    for (const T& item : items) from.removeAll(item);
}
}  // namespace

CoreData::CoreData() = default;

CoreData::~CoreData()
{
    // First, while every member is whole: a running purge may still read them.
    stopPurgeJobs();
    CoreData* self = this;
    sharedDataManager.compare_exchange_strong(self, nullptr);
    m_alertTimer.invalidate();
    if (m_observer) NotificationCenter::defaultCenter().removeObserver(m_observer.get());
}

CoreData* CoreData::shared()
{
    return sharedDataManager.load();
}

void CoreData::setShared(CoreData* dataManager)
{
    sharedDataManager.store(dataManager);
}

SettingPtr CoreData::currentSetting() const
{
    QMutexLocker lock(&m_objectMutex);
    return m_currentSetting;
}

void CoreData::setCurrentSetting(const SettingPtr& setting)
{
    QMutexLocker lock(&m_objectMutex);
    m_currentSetting = setting;
}

TaskPtr CoreData::copiedItem() const
{
    QMutexLocker lock(&m_objectMutex);
    return m_copiedItem;
}

void CoreData::setCopiedItem(const TaskPtr& item)
{
    QMutexLocker lock(&m_objectMutex);
    m_copiedItem = item;
}

TaskPtr CoreData::modifyingTask() const
{
    QMutexLocker lock(&m_objectMutex);
    return m_modifyingTask;
}

void CoreData::setModifyingTask(const TaskPtr& item)
{
    QMutexLocker lock(&m_objectMutex);
    m_modifyingTask = item;
}

bool CoreData::isAutoZVWSyncOn() const
{
    const SettingPtr setting = currentSetting();
    return setting && setting->autoZVWSync() != 0;
}

void CoreData::postAutoSyncRequest(qint64 bits) const
{
    NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kAutoSyncNotification, bits);
}

const TaskList CoreData::allTasksEventsAdes() const
{
    QMutexLocker lock(&m_listMutex);
    return m_allTasksEventsAdes;
}

const CalendarList CoreData::calendarList() const
{
    QMutexLocker lock(&m_listMutex);
    return m_calendarList;
}

const TagList CoreData::tagList() const
{
    QMutexLocker lock(&m_listMutex);
    return m_tagList;
}

void CoreData::setTagList(const TagList& tags)
{
    QMutexLocker lock(&m_listMutex);
    m_tagList = tags;
}

void CoreData::appendToTagList(const TagPtr& tag)
{
    QMutexLocker lock(&m_listMutex);
    m_tagList.append(tag);
}

const LinkList CoreData::linkList() const
{
    QMutexLocker lock(&m_listMutex);
    return m_linkList;
}

void CoreData::setLinkList(const LinkList& links)
{
    QMutexLocker lock(&m_listMutex);
    m_linkList = links;
}

void CoreData::appendToLinkList(const LinkPtr& link)
{
    QMutexLocker lock(&m_listMutex);
    m_linkList.append(link);
}

void CoreData::doWithAllTasksEventsAdes(const std::optional<TaskList>& list, qint64 action)
{
    {
        QMutexLocker lock(&m_listMutex);
        if (action == 0 && list) {
            m_allTasksEventsAdes.append(*list);
        } else if (action == 1) {
            if (list)
                removeEqual(m_allTasksEventsAdes, *list);
            else
                m_allTasksEventsAdes.clear();
        }
    }
    // The alarms follow the list; outside the list lock, as their rebuild
    // may wait for the main thread.
    updateAlarmsForListAction(list, action);
    NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kAllTasksEventsAdesChanged, this);
}

void CoreData::doWithCalendarList(const std::optional<CalendarList>& list, qint64 action)
{
    {
        QMutexLocker lock(&m_listMutex);
        if (action == 0 && list) {
            m_calendarList.append(*list);
        } else if (action == 1) {
            if (list)
                removeEqual(m_calendarList, *list);
            else
                m_calendarList.clear();
        } else if (action == 2) {
            m_calendarList.clear();
            if (list) m_calendarList.append(*list);
        }
        if (!m_calendarList.isEmpty()) m_calendarListSettled.wakeAll();
    }
    NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kCalendarListChanged, this);
}

// ---------------------------------------------------------------------------
// Start-up

namespace {

// The fixed host whose reachability stands for the web service's.
const QString webServiceHost = QStringLiteral("www.zoravel.com");

// The account file's key text: 27 characters with the file's path in place
// of "%1". It is never stored; the sign-in builds the same key.
const QString accountKeyFormat = QStringLiteral("zoravel:%1:account-key-01");

bool isFile(const QString& path)
{
    const QFileInfo info(path);
    return info.exists() && info.isFile();
}

}  // namespace

bool CoreData::init()
{
    m_bSynciCalEnable = true;
    localGMTOffset = GregorianCalendar::secondsFromGMT();
    const Date now = Utilities::getCurrentDate(false, 0, 0);
    setToday(Utilities::today(now));
    setCurrentSelectedDay(today());
    m_currentVersion = QCoreApplication::applicationVersion();

    if (!createEditableCopyOfDatabaseIfNeeded() || !initializeDatabase()) return false;
    refreshInitValuesFromSetting(currentSetting());

    m_zvwSync = std::make_unique<ZVWSync>();
    if (!m_icalSync) m_icalSync = std::make_unique<iCalSync>();

    m_observer = std::make_unique<QObject>();
    NotificationCenter::defaultCenter().addObserver(m_observer.get(), kReachabilityChangedNotification, nullptr,
                                                    [this](const Notification& n) { reachabilityChanged(n); });
    startNetworkMonitors();

    loadTimeZones();
    m_appRootTZ = getDefaultTimezone();
    Utilities::setTimeZoneNameResolver([this](qint64 zoneId) { return getTimeZoneName(zoneId); });
    if (const SettingPtr setting = currentSetting(); setting && (setting->currentTZ() == -1 || setting->currentTZ() == 0))
        setting->setCurrentTZ(m_appRootTZ);
    migrateFromCheckListToNote();
    return true;
}

void CoreData::startNetworkMonitors()
{
    m_hostReach = Reachability::reachabilityWithHostName(webServiceHost);
    m_hostReach->startNotifer();
    updateInternetConnectionStatus(*m_hostReach, false);
    if (internetReachable) return;
    m_internetReach = Reachability::reachabilityForInternetConnection();
    m_internetReach->startNotifer();
    updateInternetConnectionStatus(*m_internetReach, false);
    if (internetReachable) return;
    m_wifiReach = Reachability::reachabilityForLocalWiFi();
    m_wifiReach->startNotifer();
    updateInternetConnectionStatus(*m_wifiReach, false);
}

QString CoreData::databasePath()
{
    return Paths::applicationSupportFolder() + QStringLiteral("/Database.sql");
}

QString CoreData::zvwAccountPath()
{
    return Paths::applicationSupportFolder() + QStringLiteral("/zvw.zvm");
}

QString CoreData::zvwAccountKey(const QString& path)
{
    return Utilities::md5(accountKeyFormat.arg(path));
}

bool CoreData::writeZVWAccount(const QString& userName, const QString& password)
{
    const QString path = zvwAccountPath();
    const std::optional<QByteArray> plist =
        PropertyList::toData(QVariantMap{{QStringLiteral("username"), userName}, {QStringLiteral("password"), password}});
    if (!plist) return false;
    const std::optional<QByteArray> encrypted = DataCrypto::AES256EncryptedDataUsingKey(*plist, zvwAccountKey(path));
    if (!encrypted) return false;
    // The password is in this file: only its owner may read it, from the
    // moment it exists.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    file.write(*encrypted);
    if (!file.commit()) return false;
    return QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

bool CoreData::createEditableCopyOfDatabaseIfNeeded()
{
    const QString folder = Paths::applicationSupportFolder();
    if (folder.isEmpty()) {
        qCritical("Failed to create directory in Application Support with message '%s'.",
                  "the folder cannot be created");
        return false;
    }
    const QString target = databasePath();
    if (QFileInfo::exists(target)) {
        m_isUpgrade = true;
        return true;
    }
    const QString source = Paths::resourcesFolder() + QStringLiteral("/Database.sql");
    QFile templateFile(source);
    if (!templateFile.copy(target)) {
        qCritical("Failed to create writable database file with message '%s'.",
                  qUtf8Printable(templateFile.errorString()));
        return false;
    }
    // A copy of a read-only resource stays read-only; the database must not.
    QFile::setPermissions(target, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    m_isUpgrade = false;
    return true;
}

bool CoreData::initializeDatabase()
{
    // Fail harmlessly (SQLITE_MISUSE) once SQLite is initialised; the open
    // below asks for a serialized connection either way. Without the memory
    // statistics (which nothing reads) SQLite allocates without a global lock,
    // which the loads that read on several connections at once would share.
    sqlite3_config(SQLITE_CONFIG_SERIALIZED);
    sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
    sqlite3* database = nullptr;
    const QByteArray path = databasePath().toUtf8();
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_FULLMUTEX;
    if (sqlite3_open_v2(path.constData(), &database, flags, nullptr) != SQLITE_OK
        || sqlite3_exec(database, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr) != SQLITE_OK) {
        qCritical("Failed to open database with message '%s'.", database ? sqlite3_errmsg(database) : "out of memory");
        sqlite3_close(database);
        return false;
    }
    RecordStore::setSharedDatabase(database);
    databaseOpen = true;

    changeDBSettingTable();
    getSettingList();
    if (const SettingPtr setting = currentSetting()) setting->setNoteMode(1);
    getZVWAccount();
    getAutoSetting();

    createDBTagTable();
    changeDBTagTable();
    createDBLinkTable();
    changeDBLinkTable();
    createDBUrlTable();
    createDBCommentTable();
    changeDBTaskTable();

    getTagList();
    getValidLinks();

    changeDBCalendarTable();
    setCalendarReloadInProgress(true);
    doWithCalendarList(getCalendarList(), 2);
    setCalendarReloadInProgress(false);
    for (const CalendarPtr& calendar : calendarList()) {
        if (calendar->calendarOrder() >= 1) continue;
        calendar->setCalendarOrder(getMaxOrderOfCalendars() + 1);
        calendar->dehydrate();
    }
    return true;
}

void CoreData::runUpgrades(const QStringList& statements)
{
    if (!databaseOpen) return;
    sqlite3* database = RecordStore::sharedDatabase();
    for (const QString& statement : statements) {
        char* error = nullptr;
        if (sqlite3_exec(database, statement.toUtf8().constData(), nullptr, nullptr, &error) == SQLITE_OK) continue;
        const QString message = QString::fromUtf8(error ? error : "");
        sqlite3_free(error);
        if (DatabaseSchema::isAlreadyDone(message)) continue;
        qCritical("Error: failed to upgrade the database with message '%s'.", qUtf8Printable(message));
        m_upgradeFailures.append(statement + QStringLiteral(": ") + message);
    }
}

void CoreData::changeDBSettingTable() { runUpgrades(DatabaseSchema::settingTableChanges()); }
void CoreData::createDBTagTable() { runUpgrades(DatabaseSchema::tagTableCreation()); }
void CoreData::changeDBTagTable() { runUpgrades(DatabaseSchema::tagTableChanges()); }
void CoreData::createDBLinkTable() { runUpgrades(DatabaseSchema::linkTableCreation()); }
void CoreData::changeDBLinkTable() { runUpgrades(DatabaseSchema::linkTableChanges()); }
void CoreData::createDBUrlTable() { runUpgrades(DatabaseSchema::urlTableCreation()); }
void CoreData::createDBCommentTable() { runUpgrades(DatabaseSchema::commentTableCreation()); }
void CoreData::changeDBTaskTable() { runUpgrades(DatabaseSchema::taskTableChanges()); }
void CoreData::changeDBCalendarTable() { runUpgrades(DatabaseSchema::calendarTableChanges()); }

QStringList CoreData::upgradeFailures() const
{
    return m_upgradeFailures;
}

void CoreData::getSettingList()
{
    if (!databaseOpen) return;
    QList<qint64> keys;
    {
        RecordGuard guard;
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(RecordStore::sharedDatabase(), "SELECT primaryKey FROM Settings", -1, &statement,
                               nullptr) != SQLITE_OK)
            return;
        while (sqlite3_step(statement) == SQLITE_ROW) keys.append(sqlite3_column_int64(statement, 0));
        sqlite3_finalize(statement);
    }
    // With several rows, the last one read is the one in use.
    for (qint64 key : keys) setCurrentSetting(Setting::initWithPrimaryKey(key, RecordStore::sharedDatabase()));
}

void CoreData::getZVWAccount()
{
    const SettingPtr setting = currentSetting();
    if (!setting) return;
    const auto clearAccount = [&setting](bool clearToken) {
        setting->setZvwUserName(clearToken ? QStringLiteral("") : QString());
        setting->setZvwPassword(clearToken ? QStringLiteral("") : QString());
        if (clearToken) setting->setZvwToken(QStringLiteral(""));
        setting->setAutoZVWSync(0);
        setting->dehydrate();
        setting->setAutoSync();
    };

    const QString path = zvwAccountPath();
    if (!isFile(path)) {
        clearAccount(false);
        return;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        clearAccount(true);
        return;
    }
    const std::optional<QByteArray> plain = DataCrypto::decryptedAES256DataUsingKey(file.readAll(), zvwAccountKey(path));
    const PropertyList::Result read = plain ? PropertyList::fromData(*plain) : PropertyList::Result{};
    const QVariantMap account = read.ok() ? read.value.toMap() : QVariantMap();
    if (!account.contains(QStringLiteral("username"))) {
        clearAccount(true);
        return;
    }
    setting->setZvwUserName(account.value(QStringLiteral("username")).toString());
    setting->setZvwPassword(account.value(QStringLiteral("password"), QStringLiteral("")).toString());
    setting->setZvwToken(QStringLiteral(""));
}

void CoreData::getAutoSetting()
{
    const SettingPtr setting = currentSetting();
    if (!setting) return;
    const QString path = Paths::applicationSupportFolder() + QStringLiteral("/auto.plist");
    if (!isFile(path)) {
        setting->setAutoZVWSync(0);
        setting->setAutoICalSync(1);
    } else {
        const PropertyList::Result read = PropertyList::readFile(path);
        setting->setAutoICalSync(1);
        setting->setAutoZVWSync(read.ok() ? read.value.toMap().value(QStringLiteral("autoZVWSync"), 0).toLongLong() : 0);
    }
    if (setting->zvwUserName().isEmpty() || setting->zvwPassword().isEmpty()) setting->setAutoZVWSync(0);
}

void CoreData::refreshInitValuesFromSetting(const SettingPtr& setting)
{
    if (!setting || m_currentVersion == setting->databaseVersion()) return;
    setting->setStartUpWizard(1);
    setting->setDatabaseVersion(m_currentVersion);
    setting->dehydrate();
}

void CoreData::setICalSync(std::unique_ptr<iCalSync> sync)
{
    m_icalSync = std::move(sync);
}

Date CoreData::today() const
{
    QMutexLocker lock(&m_objectMutex);
    return m_today;
}

void CoreData::setToday(const Date& day)
{
    QMutexLocker lock(&m_objectMutex);
    m_today = day;
}

Date CoreData::currentSelectedDay() const
{
    QMutexLocker lock(&m_objectMutex);
    return m_currentSelectedDay;
}

void CoreData::setCurrentSelectedDay(const Date& day)
{
    QMutexLocker lock(&m_objectMutex);
    m_currentSelectedDay = day;
}

// ---------------------------------------------------------------------------
// Network

void CoreData::updateInternetConnectionStatus(const Reachability& monitor, bool autoSyncZVW)
{
    const int status = monitor.currentReachabilityStatus();
    const bool reachable = status == 1 || status == 2;
    if (reachable && !internetReachable && autoSyncZVW) {
        const SettingPtr setting = currentSetting();
        // Categories, items, tags and settings: what may have changed offline.
        if (setting && setting->autoZVWSync())
            NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kAutoSyncNotification, qint64(39));
    }
    if (reachable)
        internetReachable = true;
    else if (status == 0)
        internetReachable = false;
}

void CoreData::reachabilityChanged(const Notification& notification)
{
    const auto* monitor = notification.objectAs<Reachability*>();
    if (!monitor) {
        qCritical("Invalid parameter not satisfying: %s", "[curReach isKindOfClass:[Reachability class]]");
        return;
    }
    updateInternetConnectionStatus(*monitor, true);
}

// ---------------------------------------------------------------------------
// Time zones

void CoreData::loadTimeZones()
{
    m_tzList = TimezoneList();
    const QJsonArray records = QJsonDocument::fromJson(TimeZoneRecords::json()).array();
    const Date now = Clock::now();
    for (const QJsonValue& value : records) {
        const QJsonObject record = value.toObject();
        if (!record.contains(QStringLiteral("id")) || !record.contains(QStringLiteral("name"))) continue;
        const QString name = record.value(QStringLiteral("name")).toString();
        const QString identifier = name.section(QLatin1Char(' '), 1, 1);
        const qint64 zoneId = record.value(QStringLiteral("id")).toInteger();
        if (identifier == QLatin1String("Floating")) {
            m_tzList.insertObject(name, 0, identifier, 0);
            continue;
        }
        const QTimeZone zone = GregorianCalendar::zoneNamed(identifier);
        if (!zone.isValid()) {
            // A machine without this zone's rules: keep the entry and its id,
            // since items may carry it, with the label the table shipped with.
            m_tzList.addObject(name, zoneId, identifier);
            continue;
        }
        const int seconds = zone.offsetFromUtc(QDateTime::fromSecsSinceEpoch(qint64(now.timeIntervalSince1970())));
        const int hours = seconds / 3600;
        const int minutes = std::abs((seconds - hours * 3600) / 60);
        const QString sign = seconds <= -3600 ? QString() : QStringLiteral("+");
        const QString label = QStringLiteral("(GMT%1%2:%3) %4")
                                  .arg(sign, QString::asprintf("%.2d", hours), QString::asprintf("%.2d", minutes),
                                       identifier);
        m_tzList.addObject(label, zoneId, identifier);
    }
}

namespace {

// Name lookups ignore case and accents, as the zone picker's search does.
QString foldedForSearch(const QString& text)
{
    QString folded = text.normalized(QString::NormalizationForm_D);
    folded.removeIf([](QChar c) { return c.category() == QChar::Mark_NonSpacing; });
    return folded.toCaseFolded();
}

const TimezoneObj* findZone(const TimezoneList& list, qint64 zoneId)
{
    for (const TimezoneObj& zone : list.zones())
        if (zone.tzId == zoneId) return &zone;
    return nullptr;
}

QString offsetLabel(int seconds)
{
    const int hours = seconds / 3600;
    const int minutes = (seconds - hours * 3600) / 60;
    if (seconds > -3600) return QString::asprintf("(GMT+%02d:%02d)", hours, minutes);
    if (seconds > -36000) return QString::asprintf("(GMT-%02d:%02d)", -hours, std::abs(minutes));
    return QString::asprintf("(GMT%02d:%02d)", hours, std::abs(minutes));
}

}  // namespace

qint64 CoreData::getTimeZoneId(const QString& text) const
{
    const QString needle = foldedForSearch(text);
    for (const TimezoneObj& zone : m_tzList.zones())
        if (foldedForSearch(zone.tzName).contains(needle)) return zone.tzId;
    return 0;
}

qint64 CoreData::getDefaultTimezone() const
{
    const QString systemName = QString::fromUtf8(GregorianCalendar::systemZone().id());
    const QString needle = foldedForSearch(systemName);
    for (const TimezoneObj& zone : m_tzList.zones())
        if (foldedForSearch(zone.tzName).contains(needle)) return zone.tzId;
    const QString label = offsetLabel(GregorianCalendar::secondsFromGMT());
    for (const TimezoneObj& zone : m_tzList.zones())
        if (zone.tzName.contains(label)) return zone.tzId;
    return 0;
}

QString CoreData::getTimeZoneName(qint64 zoneId) const
{
    const TimezoneObj* zone = findZone(m_tzList, zoneId);
    return zone ? zone->tzRegionName : QString();
}

QString CoreData::getTimeZoneGMT(qint64 zoneId) const
{
    const TimezoneObj* zone = findZone(m_tzList, zoneId);
    return zone ? zone->cityName : QString();
}

std::optional<TimezoneObj> CoreData::getTimeZone(qint64 zoneId) const
{
    const TimezoneObj* zone = findZone(m_tzList, zoneId);
    return zone ? std::optional<TimezoneObj>(*zone) : std::nullopt;
}

qint64 CoreData::getDSTOffetBySetting(const Date& date) const
{
    const SettingPtr setting = currentSetting();
    if (!setting || !setting->tzSupport()) return 0;
    const QTimeZone zone = GregorianCalendar::zoneNamed(getTimeZoneName(setting->currentTZ()));
    if (!zone.isValid()) return 0;
    const auto at = [](const Date& d) { return QDateTime::fromSecsSinceEpoch(qint64(std::floor(d.timeIntervalSince1970()))); };
    return zone.daylightTimeOffset(at(Clock::now())) - zone.daylightTimeOffset(at(date));
}

namespace {

QDateTime atInstant(const Date& date)
{
    return QDateTime::fromSecsSinceEpoch(qint64(std::floor(date.timeIntervalSince1970())));
}

bool inDaylightSaving(const QTimeZone& zone, const Date& date)
{
    return zone.isDaylightTime(atInstant(date));
}

}  // namespace

void CoreData::recalculateTimeWithTimezoneSupport(const TaskPtr& item) const
{
    const SettingPtr setting = currentSetting();
    const auto plainCopy = [&item] {
        item->setTzStartTime(item->startTime());
        item->setTzEndTime(item->endTime());
    };
    if (!setting || !setting->tzSupport() || item->taskType() != 0 || item->tz() == setting->currentTZ()
        || item->tz() == 0 || !getTimeZone(item->tz()) || !getTimeZone(setting->currentTZ())) {
        plainCopy();
        return;
    }
    const QTimeZone source = GregorianCalendar::zoneNamed(getTimeZoneName(item->tz()));
    const QTimeZone display = GregorianCalendar::zoneNamed(getTimeZoneName(setting->currentTZ()));
    if (!source.isValid() || !display.isValid()) {
        plainCopy();
        return;
    }
    const QDateTime now = atInstant(Clock::now());
    const Date start = item->startTime();
    qint64 k = display.daylightTimeOffset(now) - display.daylightTimeOffset(atInstant(start));
    if (!inDaylightSaving(display, start) && k == 0) {
        const QTimeZone system = GregorianCalendar::systemZone();
        k = system.offsetFromUtc(now) - system.offsetFromUtc(atInstant(start));
        if (inDaylightSaving(system, start)) k = -k;
    }
    const double offset = double(display.offsetFromUtc(now) - source.offsetFromUtc(now) - k);
    Date tzStart = start ? Utilities::newDateFromDate(start, offset) : Date();
    Date tzEnd = item->endTime() ? Utilities::newDateFromDate(item->endTime(), offset) : Date();
    if (tzStart && inDaylightSaving(source, tzStart)
        && ((k != 0 && inDaylightSaving(display, tzStart)) || (k == 0 && !inDaylightSaving(display, tzStart)))) {
        const qint64 m = source.daylightTimeOffset(now) - source.daylightTimeOffset(atInstant(tzStart));
        if (m != 0) {
            tzStart = tzStart.dateByAddingTimeInterval(double(m));
            tzEnd = tzEnd.dateByAddingTimeInterval(double(m));
        }
    }
    item->setTzStartTime(tzStart);
    item->setTzEndTime(tzEnd);
}

void CoreData::recalculateSaveTimeWithTimezoneSupport(const TaskPtr& item) const
{
    const SettingPtr setting = currentSetting();
    if (!setting || item->taskType() != 0 || item->tz() == setting->currentTZ() || item->tz() == 0) return;
    if (!getTimeZone(item->tz()) || !getTimeZone(setting->currentTZ())) return;
    const QTimeZone source = GregorianCalendar::zoneNamed(getTimeZoneName(item->tz()));
    const QTimeZone display = GregorianCalendar::zoneNamed(getTimeZoneName(setting->currentTZ()));
    if (!source.isValid() || !display.isValid()) return;
    const QDateTime now = atInstant(Clock::now());
    const double offset = double(source.offsetFromUtc(now) - display.offsetFromUtc(now));
    if (item->startTime()) item->setStartTime(Utilities::newDateFromDate(item->startTime(), offset));
    if (item->endTime()) item->setEndTime(Utilities::newDateFromDate(item->endTime(), offset));
}

// A query, not a record method: a statement that cannot run gives the empty
// answer instead of ending the program.
qint64 CoreData::queryInt64(const char* sql)
{
    if (!databaseOpen) return 0;
    RecordGuard guard;
    QueryStatement query(sql);
    return query.firstInt64().value_or(0);
}
