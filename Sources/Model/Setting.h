#pragma once

#include "Date.h"
#include "ModelTypes.h"

#include <QMutex>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <vector>

struct sqlite3;
class CachedStatement;

// The single row of table Settings: the user's preferences, the state of both
// synchronisations, the web deletion queues and a few window states, plus the
// side files next to the database ("local.settings", "DayManager.dat",
// "synctime.dat", "auto.plist") and the automatic backups.
//
// The data manager's one record is read and changed from the main thread and
// from the sync threads, so every property goes through one mutex of the
// record; the row's SQL runs under the record guard as every record's does.
class Setting : public std::enable_shared_from_this<Setting> {
public:
    // A blank record (every property zero or nil, no side files read): the
    // web sync's scratch holder for downloaded values.
    Setting();
    // The record's present values, to be put back by calling the answer: a
    // command that fails after changing the shared record undoes it so.
    std::function<void()> restorePoint();

    // Loads the row of that key on the shared connection (the handle is not
    // used), then reads "local.settings" (and rescans the backups),
    // "DayManager.dat" and "synctime.dat". A key with no row leaves every
    // column property zero or nil; the side files are read all the same.
    static SettingPtr initWithPrimaryKey(qint64 primaryKey, sqlite3* database);

    // Same as normalDehydrate.
    [[nodiscard]] bool dehydrate();
    // Writes the row when dirty, then "local.settings" and "DayManager.dat"
    // whether or not the row was written. False when the row write failed
    // (logged); the record then stays dirty.
    [[nodiscard]] bool normalDehydrate();
    static void finalizeStatements();

    bool dirty() const;

    // ---- side files (Setting_SideFiles.cpp) -----------------------------------
    // The support folder joined with the file name; empty without a folder.
    static QString dataFilePath(const QString& fileName);
    void loadLocalSettings();
    bool saveLocalSettings();
    void loadDayManagerDictionary();
    bool saveDayManagerDictionary();
    void loadSyncTime();
    bool saveSyncTime();
    // Writes "auto.plist" from autoICalSync and autoZVWSync.
    bool setAutoSync();

    // Makes today's encrypted backup and keeps at most five, one per day.
    bool saveAutoBackupFile();
    // Rescans "AutoBackupData" into autoBackupFiles, oldest first.
    void getAllBackupFiles();
    // Makes "AutoBackupData" and the backups in it private to their owner,
    // as new ones are written; earlier versions left them readable by all.
    static void restrictAutoBackupsToOwner();
    // Full path of the backup at that index of autoBackupFiles; empty without
    // a support folder or for an index outside the list.
    QString getRestoreAutoBackupFile(qint64 index) const;
    // Full path of the automatic backup of that file name; empty without a
    // support folder or for a name that is not a plain backup file name.
    static QString autoBackupFilePath(const QString& name);

    // The fixed text the automatic backups' key is made from: the writer
    // here and the restore of a backup from the list take this one.
    static constexpr const char autoBackupKeyText[] = "ZoravelAutoBak";
    // The key both the automatic backup and its restore encrypt with.
    static QString autoBackupKey();
    // "DayManager.dat" keys: for weekday w (1 Sunday .. 7 Saturday) the start
    // key is entry w - 1 and the end key entry w + 6.
    static const QStringList& dayManagerKeys();
    // The working hours of a weekday with none stored: 08:00 to 18:00.
    static constexpr qint64 defaultWorkStartMinutes = 480;
    static constexpr qint64 defaultWorkEndMinutes = 1080;
    // The end of the working hours on the day's weekday, on that day, where a
    // task given a due day falls due: hour m / 60, minute m mod 60 of the m
    // minutes stored under its end key, carried past midnight as any stored
    // time is (1440 is the day's midnight end). No number there: 18:00.
    static Date workingEndOnDay(const Date& day, const QVariantMap& dayManagers);

    // ---- columns ---------------------------------------------------------------
    qint64 primaryKey() const { return read(m_primaryKey); }
    void setPrimaryKey(qint64 key) { store(m_primaryKey, key); }

    qint64 startWorkingWDay() const { return read(m_startWorkingWDay); }
    void setStartWorkingWDay(qint64 value);
    qint64 endWorkingWDay() const { return read(m_endWorkingWDay); }
    void setEndWorkingWDay(qint64 value);
    qint64 deskTimeNDStart() const { return read(m_deskTimeNDStart); }
    void setDeskTimeNDStart(qint64 minutes);
    qint64 deskTimeNDEnd() const { return read(m_deskTimeNDEnd); }
    void setDeskTimeNDEnd(qint64 minutes);
    qint64 durationDefTaskVal() const { return read(m_durationDefTaskVal); }
    void setDurationDefTaskVal(qint64 minutes);
    qint64 durationDefEventVal() const { return read(m_durationDefEventVal); }
    void setDurationDefEventVal(qint64 minutes);
    qint64 contextDefID() const { return read(m_contextDefID); }
    void setContextDefID(qint64 value);
    qint64 calendarDefID() const { return read(m_calendarDefID); }
    void setCalendarDefID(qint64 key);
    qint64 isWarningForDeleting() const { return read(m_isWarningForDeleting); }
    void setIsWarningForDeleting(qint64 flag);
    qint64 badgeType() const { return read(m_badgeType); }
    void setBadgeType(qint64 value);
    qint64 weekStartDay() const { return read(m_weekStartDay); }
    void setWeekStartDay(qint64 day);
    qint64 taskTypeDefault() const { return read(m_taskTypeDefault); }
    void setTaskTypeDefault(qint64 value);
    qint64 defaultListId() const { return read(m_defaultListId); }
    void setDefaultListId(qint64 value);
    qint64 showTask() const { return read(m_showTask); }
    void setShowTask(qint64 flag);
    double gmtSecondsValue() const { return read(m_gmtSecondsValue); }
    void setGmtSecondsValue(double value);
    qint64 projectViewType() const { return read(m_projectViewType); }
    void setProjectViewType(qint64 value);
    qint64 newTaskAtTop() const { return read(m_newTaskAtTop); }
    void setNewTaskAtTop(qint64 value);
    qint64 filterIndex() const { return read(m_filterIndex); }
    void setFilterIndex(qint64 value);
    Date zvwSyncTime() const { return read(m_zvwSyncTime); }
    void setZvwSyncTime(const Date& date);
    qint64 isFirstTimeZVWSync() const { return read(m_isFirstTimeZVWSync); }
    void setIsFirstTimeZVWSync(qint64 value);
    qint64 autoZVWSync() const { return read(m_autoZVWSync); }
    void setAutoZVWSync(qint64 flag);
    qint64 hasZVWFirstTimeSynced() const { return read(m_hasZVWFirstTimeSynced); }
    void setHasZVWFirstTimeSynced(qint64 value);
    QString zvwDeletedProjects() const { return read(m_zvwDeletedProjects); }
    void setZvwDeletedProjects(const QString& queue);
    QString zvwDeletedTasks() const { return read(m_zvwDeletedTasks); }
    void setZvwDeletedTasks(const QString& queue);
    qint64 iCalSyncWindowStart() const { return read(m_iCalSyncWindowStart); }
    void setICalSyncWindowStart(qint64 days);
    qint64 iCalSyncWindowEnd() const { return read(m_iCalSyncWindowEnd); }
    void setICalSyncWindowEnd(qint64 days);
    Date iCalLastSyncTime() const { return read(m_iCalLastSyncTime); }
    void setICalLastSyncTime(const Date& date);  // nil stores now
    qint64 autoICalSync() const { return read(m_autoICalSync); }
    void setAutoICalSync(qint64 flag);
    qint64 showWarningTask2Event() const { return read(m_showWarningTask2Event); }
    void setShowWarningTask2Event(qint64 flag);
    qint64 showWarningEvent2Task() const { return read(m_showWarningEvent2Task); }
    void setShowWarningEvent2Task(qint64 flag);
    QString databaseVersion() const { return read(m_databaseVersion); }
    void setDatabaseVersion(const QString& version);
    qint64 showWarningDeleteTag() const { return read(m_showWarningDeleteTag); }
    void setShowWarningDeleteTag(qint64 flag);
    QString zvwToken() const { return read(m_zvwToken); }
    void setZvwToken(const QString& token);
    Date zvwTokenTime() const { return read(m_zvwTokenTime); }
    void setZvwTokenTime(const Date& date);  // nil stores now
    QString zvwDeletedTag() const { return read(m_zvwDeletedTag); }
    void setZvwDeletedTag(const QString& queue);
    qint64 showWarningSetDefault() const { return read(m_showWarningSetDefault); }
    void setShowWarningSetDefault(qint64 flag);
    qint64 lastUpdate() const { return read(m_lastUpdate); }
    void setLastUpdate(qint64 stamp);
    qint64 hasChanges() const { return read(m_hasChanges); }
    void setHasChanges(qint64 flag);
    qint64 showWarningChangeTaskOrder() const { return read(m_showWarningChangeTaskOrder); }
    void setShowWarningChangeTaskOrder(qint64 flag);
    qint64 lastUpdateWork() const { return read(m_lastUpdateWork); }
    void setLastUpdateWork(qint64 seconds);
    qint64 dockStatus() const { return read(m_dockStatus); }
    void setDockStatus(qint64 status);
    qint64 isPinned() const { return read(m_isPinned); }
    void setIsPinned(qint64 flag);
    qint64 hasRightPage() const { return read(m_hasRightPage); }
    void setHasRightPage(qint64 flag);
    qint64 isCategoryCollapsed() const { return read(m_isCategoryCollapsed); }
    void setIsCategoryCollapsed(qint64 value);
    qint64 isListCollapsed() const { return read(m_isListCollapsed); }
    void setIsListCollapsed(qint64 value);
    qint64 showWarningAddRepeatTask() const { return read(m_showWarningAddRepeatTask); }
    void setShowWarningAddRepeatTask(qint64 flag);
    qint64 doRestore() const { return read(m_doRestore); }
    void setDoRestore(qint64 flag);
    qint64 isNoteCollapsed() const { return read(m_isNoteCollapsed); }
    void setIsNoteCollapsed(qint64 value);
    qint64 startUpWizard() const { return read(m_startUpWizard); }
    void setStartUpWizard(qint64 flag);
    qint64 showActiveTaskOnly() const { return read(m_showActiveTaskOnly); }
    void setShowActiveTaskOnly(qint64 flag);
    qint64 isWarningForCopyToLink() const { return read(m_isWarningForCopyToLink); }
    void setIsWarningForCopyToLink(qint64 flag);
    qint64 isWeekPlannerPinned() const { return read(m_isWeekPlannerPinned); }
    void setIsWeekPlannerPinned(qint64 flag);
    qint64 isMonthPlannerPinned() const { return read(m_isMonthPlannerPinned); }
    void setIsMonthPlannerPinned(qint64 flag);
    bool isIconShowing() const { return read(m_isIconShowing); }
    void setIsIconShowing(bool flag);
    bool tzSupport() const { return read(m_tzSupport); }
    void setTzSupport(bool flag);
    qint64 hideTodayDoneTask() const { return read(m_hideTodayDoneTask); }
    void setHideTodayDoneTask(qint64 flag);
    qint64 snoozeDefVal() const { return read(m_snoozeDefVal); }
    void setSnoozeDefVal(qint64 seconds);
    qint64 currentTZ() const { return read(m_currentTZ); }
    void setCurrentTZ(qint64 zoneId);
    qint64 mustDo() const { return read(m_mustDo); }
    void setMustDo(qint64 days);
    QString defaultTaskAlert() const { return read(m_defaultTaskAlert); }
    void setDefaultTaskAlert(const QString& alertList);
    QString defaultEventAlert() const { return read(m_defaultEventAlert); }
    void setDefaultEventAlert(const QString& alertList);

    // ---- not columns: stored values only, nothing marked ------------------------
    QString zvwUserName() const { return read(m_zvwUserName); }
    void setZvwUserName(const QString& name) { store(m_zvwUserName, name); }
    QString zvwPassword() const { return read(m_zvwPassword); }
    void setZvwPassword(const QString& password) { store(m_zvwPassword, password); }

    // "local.settings"
    qint64 showWarningConvert2STask() const { return read(m_showWarningConvert2STask); }
    void setShowWarningConvert2STask(qint64 flag) { store(m_showWarningConvert2STask, flag); }
    qint64 showWarningChangeDeadlineTask() const { return read(m_showWarningChangeDeadlineTask); }
    void setShowWarningChangeDeadlineTask(qint64 flag) { store(m_showWarningChangeDeadlineTask, flag); }
    qint64 showWarningConvertSTask2Task() const { return read(m_showWarningConvertSTask2Task); }
    void setShowWarningConvertSTask2Task(qint64 flag) { store(m_showWarningConvertSTask2Task, flag); }
    qint64 showWarningConvert2STaskAfterDeadline() const { return read(m_showWarningConvert2STaskAfterDeadline); }
    void setShowWarningConvert2STaskAfterDeadline(qint64 flag) { store(m_showWarningConvert2STaskAfterDeadline, flag); }
    float currentFontSize() const { return read(m_currentFontSize); }
    void setCurrentFontSize(float points) { store(m_currentFontSize, points); }
    bool navShowing() const { return read(m_navShowing); }
    void setNavShowing(bool showing) { store(m_navShowing, showing); }
    double latestBackupOnServer() const { return read(m_latestBackupOnServer); }
    void setLatestBackupOnServer(double seconds) { store(m_latestBackupOnServer, seconds); }

    // "synctime.dat"
    qint64 latestSyncItem() const { return read(m_latestSyncItem); }
    void setLatestSyncItem(qint64 stamp) { store(m_latestSyncItem, stamp); }
    qint64 latestSyncLink() const { return read(m_latestSyncLink); }
    void setLatestSyncLink(qint64 stamp) { store(m_latestSyncLink, stamp); }
    qint64 latestZVWSyncComment() const { return read(m_latestZVWSyncComment); }
    void setLatestZVWSyncComment(qint64 stamp) { store(m_latestZVWSyncComment, stamp); }

    // "DayManager.dat": minutes after midnight under the keys of dayManagerKeys().
    QVariantMap dayManagers() const { return read(m_dayManagers); }
    void setDayManagers(const QVariantMap& hours) { store(m_dayManagers, hours); }

    // Backup file names (no folder) found by the last scan, oldest first.
    QStringList autoBackupFiles() const { return read(m_autoBackupFiles); }
    void setAutoBackupFiles(const QStringList& names) { store(m_autoBackupFiles, names); }

    qint64 noteMode() const { return read(m_noteMode); }
    void setNoteMode(qint64 mode) { store(m_noteMode, mode); }
    bool isCancellingRemoving() const { return read(m_isCancellingRemoving); }
    void setIsCancellingRemoving(bool cancelling) { store(m_isCancellingRemoving, cancelling); }

private:
    // The row's columns in the order of the load statement, and in the order
    // of the update statement.
    struct Column;
    static const std::vector<Column>& columns();
    static const std::vector<Column>& updateColumns();
    static CachedStatement& selectStatement();
    static CachedStatement& updateStatement();

    enum class Mark { Dirty, DirtyAndWebChange };

    template <class T>
    T read(const T& field) const
    {
        QMutexLocker lock(&m_mutex);
        return field;
    }
    template <class T>
    void store(T& field, const T& value)
    {
        QMutexLocker lock(&m_mutex);
        // Values outside the row (switches kept in the side files) come back
        // with the rest when a command's unit fails.
        if (field != value) keepForUndo();
        field = value;
    }
    template <class T>
    void change(T& field, const T& value, Mark mark);

    void keepForUndo();
    void loadRow(qint64 primaryKey);
    bool writeRow();
    void loadSideFiles();
    void setMustDoFromRow(qint64 days);
    void removeOlderBackups(const QString& folder, const QString& newName);
    void removeBackupFile(const QString& folder, const QString& name);

    // Copying the record's values never copies its lock.
    struct ValueLock : QRecursiveMutex {
        ValueLock() = default;
        ValueLock(const ValueLock&) : QRecursiveMutex() {}
        ValueLock& operator=(const ValueLock&) { return *this; }
    };
    // Only restorePoint copies the record.
    Setting(const Setting&) = default;
    Setting& operator=(const Setting&) = default;

    mutable ValueLock m_mutex;
    bool m_dirty = false;

    qint64 m_primaryKey = 0;
    qint64 m_startWorkingWDay = 0;
    qint64 m_endWorkingWDay = 0;
    qint64 m_deskTimeNDStart = 0;
    qint64 m_deskTimeNDEnd = 0;
    qint64 m_durationDefTaskVal = 0;
    qint64 m_durationDefEventVal = 0;
    qint64 m_contextDefID = 0;
    qint64 m_calendarDefID = 0;
    qint64 m_isWarningForDeleting = 0;
    qint64 m_badgeType = 0;
    qint64 m_weekStartDay = 0;
    qint64 m_taskTypeDefault = 0;
    qint64 m_defaultListId = 0;
    qint64 m_showTask = 0;
    double m_gmtSecondsValue = 0.0;
    qint64 m_projectViewType = 0;
    qint64 m_newTaskAtTop = 0;
    qint64 m_filterIndex = 0;
    Date m_zvwSyncTime;
    qint64 m_isFirstTimeZVWSync = 0;
    qint64 m_autoZVWSync = 0;
    qint64 m_hasZVWFirstTimeSynced = 0;
    QString m_zvwDeletedProjects;
    QString m_zvwDeletedTasks;
    qint64 m_iCalSyncWindowStart = 0;
    qint64 m_iCalSyncWindowEnd = 0;
    Date m_iCalLastSyncTime;
    qint64 m_autoICalSync = 0;
    qint64 m_showWarningTask2Event = 0;
    qint64 m_showWarningEvent2Task = 0;
    QString m_databaseVersion;
    qint64 m_showWarningDeleteTag = 0;
    QString m_zvwToken;
    Date m_zvwTokenTime;
    QString m_zvwDeletedTag;
    qint64 m_showWarningSetDefault = 0;
    qint64 m_lastUpdate = 0;
    qint64 m_hasChanges = 0;
    qint64 m_showWarningChangeTaskOrder = 0;
    qint64 m_lastUpdateWork = 0;
    qint64 m_dockStatus = 0;
    qint64 m_isPinned = 0;
    qint64 m_hasRightPage = 0;
    qint64 m_isCategoryCollapsed = 0;
    qint64 m_isListCollapsed = 0;
    qint64 m_showWarningAddRepeatTask = 0;
    qint64 m_doRestore = 0;
    qint64 m_isNoteCollapsed = 0;
    qint64 m_startUpWizard = 0;
    qint64 m_showActiveTaskOnly = 0;
    qint64 m_isWarningForCopyToLink = 0;
    qint64 m_isWeekPlannerPinned = 0;
    qint64 m_isMonthPlannerPinned = 0;
    bool m_isIconShowing = false;
    bool m_tzSupport = false;
    qint64 m_hideTodayDoneTask = 0;
    qint64 m_snoozeDefVal = 0;
    qint64 m_currentTZ = 0;
    qint64 m_mustDo = 0;
    QString m_defaultTaskAlert;
    QString m_defaultEventAlert;

    QString m_zvwUserName;
    QString m_zvwPassword;
    qint64 m_showWarningConvert2STask = 0;
    qint64 m_showWarningChangeDeadlineTask = 0;
    qint64 m_showWarningConvertSTask2Task = 0;
    qint64 m_showWarningConvert2STaskAfterDeadline = 0;
    float m_currentFontSize = 0.0f;
    bool m_navShowing = false;
    double m_latestBackupOnServer = 0.0;
    qint64 m_latestSyncItem = 0;
    qint64 m_latestSyncLink = 0;
    qint64 m_latestZVWSyncComment = 0;
    QVariantMap m_dayManagers;
    QStringList m_autoBackupFiles;
    qint64 m_noteMode = 0;
    bool m_isCancellingRemoving = false;
};
