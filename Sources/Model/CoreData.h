#pragma once

#include "Date.h"
#include "ModelTypes.h"
#include "ScheduledTimer.h"
#include "TimezoneList.h"

#include <QMutex>
#include <QString>
#include <QStringList>

#include <atomic>
#include <memory>
#include <optional>

class LocalNotification;
class Notification;
class QObject;
class Reachability;
class ZVWSync;
class iCalSync;

// Notification names of the data manager's lists.
inline const QString kAllTasksEventsAdesChanged = QStringLiteral("Array of allTasksEventsAdes has changed");
inline const QString kCalendarListChanged = QStringLiteral("Array of calendarList has changed");

// --- alarms, adding items and rescheduling ---
// An item was edited; the object is the sender.
inline const QString kTaskChanged = QStringLiteral("Task changed");
// The manual order of tasks changed.
inline const QString kTaskOrderChanged = QStringLiteral("Task order changed");
using LocalNotificationList = QList<std::shared_ptr<LocalNotification>>;
// --- end of alarms, adding items and rescheduling ---

// The flag that the database opened; queries answer their empty result while
// it is clear.
extern std::atomic<bool> databaseOpen;
// Whether a reachability monitor reports the network reachable.
extern std::atomic<bool> internetReachable;
// Seconds east of GMT of the system zone, read when the data manager starts.
extern std::atomic<double> localGMTOffset;

// The text the user sees when the database cannot be opened.
inline const QString kDatabaseCanNotOpenText = QStringLiteral("Database can not open!");

// The data manager: one object for the process. It owns the settings record
// and the working lists. The lists are changed from the main thread and from
// the sync threads, so one mutex guards them; readers get snapshots, and list
// notifications are posted only after the mutex is released.
class CoreData {
public:
    CoreData();
    ~CoreData();
    CoreData(const CoreData&) = delete;
    CoreData& operator=(const CoreData&) = delete;

    // The process-wide pointer every subsystem reads; null before creation.
    static CoreData* shared();
    static void setShared(CoreData* dataManager);

    // --- start-up ---
    // The whole start sequence: template copy, open, upgrades, settings,
    // account and switches, tags, links, categories, version check, sync
    // objects, network monitors and the zone table. False when the database
    // cannot be opened; the caller tells the user and ends cleanly.
    bool init();
    bool createEditableCopyOfDatabaseIfNeeded();
    bool initializeDatabase();
    void refreshInitValuesFromSetting(const SettingPtr& setting);
    void changeDBSettingTable();
    void createDBTagTable();
    void changeDBTagTable();
    void createDBLinkTable();
    void changeDBLinkTable();
    void createDBUrlTable();
    void createDBCommentTable();
    void changeDBTaskTable();
    void changeDBCalendarTable();
    void getSettingList();
    void getTagList();
    void getValidLinks();
    CalendarList getCalendarList() const;
    void getZVWAccount();
    void getAutoSetting();
    // Upgrade statements that failed for a reason other than "already done".
    QStringList upgradeFailures() const;

    static QString databasePath();
    static QString zvwAccountPath();
    // The key of the account file, built from its full path at run time.
    static QString zvwAccountKey(const QString& path);
    // Writes the account file readable by its owner only.
    static bool writeZVWAccount(const QString& userName, const QString& password);

    void updateInternetConnectionStatus(const Reachability& monitor, bool autoSyncZVW);
    void reachabilityChanged(const Notification& notification);

    bool isUpgrade() const { return m_isUpgrade; }
    QString currentVersion() const { return m_currentVersion; }
    ZVWSync* zvwSync() const { return m_zvwSync.get(); }
    iCalSync* icalSync() const { return m_icalSync.get(); }
    // The calendar-store exchange replaces the call recorder at start-up.
    void setICalSync(std::unique_ptr<iCalSync> sync);
    bool bSynciCalEnable() const { return m_bSynciCalEnable; }
    void setBSynciCalEnable(bool enable) { m_bSynciCalEnable = enable; }
    Date today() const;
    void setToday(const Date& day);
    Date currentSelectedDay() const;
    void setCurrentSelectedDay(const Date& day);

    // --- time zones ---
    const TimezoneList& tzList() const { return m_tzList; }
    qint64 appRootTZ() const { return m_appRootTZ; }
    void loadTimeZones();
    qint64 getDefaultTimezone() const;
    qint64 getTimeZoneId(const QString& text) const;
    QString getTimeZoneName(qint64 zoneId) const;
    QString getTimeZoneGMT(qint64 zoneId) const;
    std::optional<TimezoneObj> getTimeZone(qint64 zoneId) const;
    qint64 getDSTOffetBySetting(const Date& date) const;
    // The item's times in the display zone (tzStartTime, tzEndTime), and back.
    void recalculateTimeWithTimezoneSupport(const TaskPtr& item) const;
    void recalculateSaveTimeWithTimezoneSupport(const TaskPtr& item) const;

    // --- shared objects ---
    SettingPtr currentSetting() const;
    void setCurrentSetting(const SettingPtr& setting);
    TaskPtr copiedItem() const;
    void setCopiedItem(const TaskPtr& item);
    TaskPtr modifyingTask() const;
    void setModifyingTask(const TaskPtr& item);
    bool isAppliedTagFilter() const { return m_isAppliedTagFilter; }
    void setIsAppliedTagFilter(bool applied) { m_isAppliedTagFilter = applied; }

    // --- working lists (snapshots) ---
    TaskList allTasksEventsAdes() const;
    CalendarList calendarList() const;
    TagList tagList() const;
    void setTagList(const TagList& tags);
    void appendToTagList(const TagPtr& tag);
    LinkList linkList() const;
    void setLinkList(const LinkList& links);
    void appendToLinkList(const LinkPtr& link);

    // Action 0 adds the items, 1 removes them (all of them with no list), any
    // other action changes nothing; each call posts one change notification.
    void doWithAllTasksEventsAdes(const std::optional<TaskList>& list, qint64 action);
    // Action 0 adds, 1 removes (all with no list), 2 replaces the whole list.
    void doWithCalendarList(const std::optional<CalendarList>& list, qint64 action);

    // --- categories ---
    // Waits (0.01 s steps, up to 2 s) only while a category reload is under
    // way; a category list that is legitimately empty answers at once.
    CalendarPtr calendarWithPrimaryKey(qint64 key) const;
    qint64 getMaxOrderOfCalendars() const;
    void setCalendarReloadInProgress(bool inProgress);

    // --- items ---
    qint64 getMaxOrderOfTasks() const;
    // Stores modifyingTask as a new item.
    void addNewTask();

    // --- repeating items ---
    // Appends to `toList` one virtual instance (negative key, parentId = the
    // root's key) per occurrence of each repeating event of `items` that
    // touches the days from `fromDate` to `getInstanceUntilDate`. With isForce,
    // changed and deleted occurrences are produced too.
    void fillRepeatEventInstances(const TaskList& items, TaskList& toList, const Date& fromDate,
                                  const Date& getInstanceUntilDate, bool isForce = false) const;
    TaskPtr addInstanceTask(const TaskPtr& root, TaskList& toList, qint64 instanceKey, const Date& forDate) const;
    TaskPtr newInstanceForTask(const TaskPtr& source, qint64 instanceKey, const Date& forDate) const;
    // The occurrence after the item's own, as a new instance; null when the
    // item does not repeat or its series has ended.
    TaskPtr nextInstanceOfRecuringTask(const TaskPtr& item) const;
    // The open task that takes the place of a repeating task being completed.
    TaskPtr nextDummyForRepeatingTask(const TaskPtr& item) const;
    // The process-wide instance key counter: the current value, then one less.
    static qint64 takeNextInstanceKey();

    // --- tags and links ---
    QStringList getShowTag() const;
    bool hasLinks(const TaskPtr& item) const;

    // --- alarms, adding items and rescheduling ---
    // The pending alarms, at most one per item, earliest first (a snapshot).
    LocalNotificationList allAlert() const;
    // Rebuilds the alarms from the items' next alarms and restarts the
    // minute timer. The timer and its dialog live on the main thread: called
    // from another thread, the rebuild runs there and this call waits for it.
    void updateLocalNotificationForList(const TaskList& items);
    // Fires the alarms of the current minute, then checks again every 60 s.
    void resetLocalNotification();
    // Fires the alarms whose minute is the current one; alarms whose minute
    // has passed unseen are not fired late. Main thread only.
    void alertNow();
    // Replaces the item's alarm (matched by key) by its next one, if any.
    void updateLocalNotificationForTask(const TaskPtr& item);
    void deleteLocalNotificationForTask(const TaskPtr& item);
    // One sound and one modal dialog for alarms that fire together; the
    // dialog's answer snoozes them or postpones their tasks. Main thread only.
    void fireAlertNotificationWithLocalNotification(const LocalNotificationList& due);
    // Gives each alarm's item an absolute alert the given seconds from now
    // (at second 0).
    void snoozeAlerts(const LocalNotificationList& alerts, qint64 snoozeSec);
    // Moves each alarm's task by a day (1), a week (2) or a calendar month (3).
    void postponeAlerts(const LocalNotificationList& alerts, qint64 postponeType);
    static constexpr double alertTimerInterval = 60.0;

    // Set by the quick-add field when the new task is to go to the top of the
    // active list.
    bool hasDoToday() const { return m_hasDoToday; }
    void setHasDoToday(bool doToday) { m_hasDoToday = doToday; }

    // Stores an item that came from the web service (modifyingTask): its
    // parent's web key becomes the local key; the working list is not touched.
    void addNewTaskNeedSync(bool needSync);
    void addNewTaskNeedSync(bool needSync, qint64 syncTaskOrder);
    // Marks the first open task of each category in the list as its top task
    // when it is also the first open task of the category in the database.
    void updateTopTasksForList(const TaskList& items) const;
    bool checkIfTaskIsGTD(const TaskPtr& item) const;
    // Drops the working list's copy of an edited item when the tag filter
    // hides it now. False when the list holds no copy of the item.
    bool removeTaskFromListWithTagFilter(const TaskPtr& item);
    // Adds the item to the working list when it passes the tag rule.
    void addTaskToList(const TaskPtr& item, const QStringList& tags);
    // Drops the tasks that start after today from the working list.
    void removeInActiveTask();
    // The item carrying that web id (the last of several); null when none.
    TaskPtr taskPrimaryKeyWithZVWKey(qint64 zvwKey) const;

    // Moves the task to the top of the active task order.
    void doToday(const TaskPtr& task, bool needNotifyChanged = true);
    void doTodayTasks(const TaskList& tasks);
    // Date setters: they change startTime (next week and month only), dueEnd
    // and hasDue, and save nothing.
    void setTodayInfo(const TaskPtr& task) const;
    void setCurrentDayInfo(const TaskPtr& task) const;
    void setDoNextWeekInfo(const TaskPtr& task) const;
    void setDoNextMonthInfo(const TaskPtr& task) const;
    // Move the stored task (reloaded by key) into next week or next month and
    // publish the change.
    void doNextWeek(const TaskPtr& task);
    void doNextMonth(const TaskPtr& task);
    void doNextWeekTasks(const TaskList& tasks, bool autoSyncZVW);
    void doNextMonthTasks(const TaskList& tasks, bool autoSyncZVW);
    // --- end of alarms, adding items and rescheduling ---

private:
    void runUpgrades(const QStringList& statements);
    void startNetworkMonitors();

    bool m_isUpgrade = false;
    QString m_currentVersion;
    std::atomic<bool> m_bSynciCalEnable{true};
    QStringList m_upgradeFailures;
    std::unique_ptr<ZVWSync> m_zvwSync;
    std::unique_ptr<iCalSync> m_icalSync;
    std::shared_ptr<Reachability> m_hostReach;
    std::shared_ptr<Reachability> m_internetReach;
    std::shared_ptr<Reachability> m_wifiReach;
    std::unique_ptr<QObject> m_observer;  // the data manager's notification registrations
    TimezoneList m_tzList;
    qint64 m_appRootTZ = 0;
    Date m_today;
    Date m_currentSelectedDay;

    // The first column of the first row of a query of our own, under the
    // record guard; 0 when the database is closed, the statement cannot be
    // prepared or there is no row.
    static qint64 queryInt64(const char* sql);

    mutable QMutex m_listMutex;
    TaskList m_allTasksEventsAdes;
    CalendarList m_calendarList;
    TagList m_tagList;
    LinkList m_linkList;

    mutable QMutex m_objectMutex;
    SettingPtr m_currentSetting;
    TaskPtr m_copiedItem;
    TaskPtr m_modifyingTask;

    std::atomic<bool> m_isAppliedTagFilter{false};
    std::atomic<bool> m_calendarReloadInProgress{false};

    // --- alarms, adding items and rescheduling ---
    void updateAlarmsForListAction(const std::optional<TaskList>& list, qint64 action);
    void postponeTask(const TaskPtr& task, qint64 postponeType);
    void pushPostponedTaskToICal(const TaskPtr& task);
    void applyListDefaults(const TaskPtr& item) const;
    bool pushNewItemToICal(const TaskPtr& item, const CalendarPtr& category, bool autoSync);
    void warnAboutRepeatingTask(const SettingPtr& setting) const;
    void addNewTaskFromWeb(bool needSync, std::optional<qint64> syncTaskOrder);
    Date displayToday() const;
    void moveStoredTasks(const TaskList& tasks, const Date& start, const Date& due, bool autoSyncZVW);
    void updateWorkingListAfterMove(const TaskPtr& moved);

    mutable QMutex m_alertMutex;
    LocalNotificationList m_allAlert;
    ScheduledTimer m_alertTimer;          // main thread only
    bool m_alertDialogShowing = false;    // main thread only
    std::atomic<bool> m_hasDoToday{false};
    // --- end of alarms, adding items and rescheduling ---
};
