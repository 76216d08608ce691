#pragma once

#include "Date.h"
#include "ModelTypes.h"
#include "TimeSlotObject.h"
#include "TimezoneList.h"

#include <QMutex>
#include <QString>
#include <QStringList>

#include <atomic>
#include <memory>
#include <optional>

class Notification;
class QObject;
class Reachability;
class ZVWSync;
class iCalSync;

// Notification names of the data manager's lists.
inline const QString kAllTasksEventsAdesChanged = QStringLiteral("Array of allTasksEventsAdes has changed");
inline const QString kCalendarListChanged = QStringLiteral("Array of calendarList has changed");

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

    // --- item list filters (CoreData_Task_1.cpp) ---
    // In memory only: each answers a new list holding the same records as the
    // given list, which it leaves as it is. An empty search text is no search;
    // otherwise the title must contain it, ignoring case (the two repeating-item
    // filters compare case-sensitively; accents always count). A day range runs
    // from 00:00:00 of the from-day to 23:59:59 of the to-day; a range filter
    // given only one date drops its date test unless said otherwise. "Exists"
    // is checkIfEventIsExist.
    TaskList getADEsOnlyListFromTaskList(const TaskList& list, const QString& searchText) const;
    TaskList getADEListFromTaskList(const TaskList& list, const QString& searchText) const;
    // Repeating items by repeat type, yearly first.
    TaskList getAllRecurringADEsFromTaskList(const TaskList& list, const QString& searchText) const;
    TaskList getAllRecurringEventsFromTaskList(const TaskList& list, const QString& searchText) const;
    // Timed events that exist, tested by their display times (set here).
    TaskList getEventListFromTaskList(const TaskList& list, const Date& fromDate, const Date& toDate,
                                      const QString& searchText) const;
    // One-off timed events, tested by their display times (set here); the
    // range starts at 00:00:01, so an event ending at midnight stays out.
    TaskList getEventOnlyListFromTaskList(const TaskList& list, const Date& fromDate, const Date& toDate,
                                          const QString& searchText) const;
    // Events that exist (by stored times), then tasks due in the range; with a
    // date missing every task.
    TaskList getTaskEventADEListFromTaskList(const TaskList& list, const Date& fromDate, const Date& toDate,
                                             const QString& searchText) const;
    // Tasks completed in the range; empty when a date is missing.
    TaskList getDoneTasksFromTaskList(const TaskList& list, const Date& fromDate, const Date& toDate,
                                      const QString& searchText) const;
    TaskList getTaskListFromTaskList(const TaskList& list, const Date& fromDate, const Date& toDate,
                                     const QString& searchText) const;
    // One calendar day (a null date gives an empty list), each sorted by its time.
    TaskList getDueTaskFromTaskList(const TaskList& list, const Date& onDate) const;
    TaskList getNoteFromTaskList(const TaskList& list, const Date& onDate) const;
    TaskList getDoneTaskFromTaskList(const TaskList& list, const Date& onDate) const;
    TaskList getNoteFromTaskList(const TaskList& list, const QString& searchText) const;
    // Notes whose start day lies in the days; no list at all when a date is missing.
    std::optional<TaskList> getNoteFromTaskList(const TaskList& list, const QString& searchText, const Date& fromDate,
                                                const Date& toDate) const;
    // The task pane. Type 0 active tasks by filter (0 all, 1 today, 2 pinned,
    // 3 top, 4 due, 6 longest first, 7 shortest first), type 2 done tasks
    // (filter 0 every kind but checklist items, 1 tasks). With needReorder the
    // today and due lists come back in date order with their order values
    // handed out again along it, and are saved.
    TaskList getTaskFromTaskList(const TaskList& list, qint64 filterIndex, qint64 typeIndex, bool needReorder) const;
    // The task list's form: input order, and only the tasks that are the
    // user's own (not shared, no assignee) or delegated to the signed-in user.
    TaskList getTaskFromTaskList(const TaskList& list, int filterIndex, int typeIndex) const;
    // The note list: 0 all, 1 the selected day, 2 this week, 3 pinned.
    TaskList getNotesFromTaskList(const TaskList& list, qint64 filterIndex, bool needReorder) const;
    // Whether the item's occurrence is part of its series: not excepted and
    // not past the series' end. Items that do not repeat always exist.
    bool checkIfEventIsExist(const TaskPtr& item) const;

    // --- free time, same-start groups, reloads (CoreData_Task_2.cpp) ---
    // The free stretches between the events (in order of start, display
    // times set here) from one time to the other, in minutes of the from-day.
    QList<TimeSlotObject> openTimeSlotsFromTime(const Date& fromTime, const Date& toTime, const TaskList& events) const;
    // The entries at the head of the list that start in the event's quarter
    // hour (a start before the day counts as the day) in the same time zone.
    TaskList findAllEventSameStartTime(const TaskPtr& event, const TaskList& list, const Date& forDate) const;
    // Refreshes the stored all-day events of the working list from their rows.
    void reloadADE();

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
};
