#pragma once

#include "Date.h"
#include "ModelTypes.h"
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

    // --- categories (CoreData_Category.cpp) ---
    // The two waiting lookups wait (0.01 s steps, up to 2 s) only while a
    // category reload is under way; a category list that is legitimately empty
    // answers at once. The caller of a reload sets the flag around it.
    CalendarPtr calendarWithPrimaryKey(qint64 key) const;
    CalendarPtr calendarWithICalUID(const QString& uid) const;
    void setCalendarReloadInProgress(bool inProgress);
    CalendarPtr calendarWithZvwID(qint64 zvwProjectId) const;
    // A category with that key is listed and not hidden.
    bool isCalendarVisible(qint64 key) const;
    // The categories of the list with that projectType, in list order; the
    // isVisible forms keep only the shown (true) or only the hidden (false).
    CalendarList getCalendarWithType(qint64 type, const CalendarList& list) const;
    CalendarList getCalendarWithType(qint64 type, const CalendarList& list, bool isVisible) const;
    CalendarPtr getCalendarByPrimaryKey(qint64 key, qint64 type, const CalendarList& list) const;
    CalendarPtr getCalendarByPrimaryKey(qint64 key, qint64 type, const CalendarList& list, bool isVisible) const;

    // getCalendarList (with the start-up loads above) gives every stored
    // category freshly loaded; empty while the database is closed.
    qint64 getMaxOrderOfCalendars() const;
    // Whether any stored task (event) belongs to the category.
    bool hasTasksBelongToCalendarId(qint64 key) const;
    bool hasEventsBelongToCalendarId(qint64 key) const;
    // The category's items in the working list: tasks by taskOrder; events
    // timed before all-day, each newest first; notes in list order.
    TaskList getTaskBelongToCalendarId(qint64 key) const;
    TaskList getEventBelongToCalendarId(qint64 key) const;
    TaskList getNoteBelongToCalendarId(qint64 key) const;

    // The name, or the name followed by "_1", "_2", ... so that no category
    // of the source carries it (blanks and case ignored; shared categories
    // and the given one, when any, are not compared).
    QString createNewcalendarNameIfExist(const QString& name, const CalendarPtr& calendar,
                                         const CalendarList& source) const;
    // Stores a new category under a unique name, lists it and asks for its
    // synchronisation. False when it could not be stored (logged); it is then
    // not listed.
    bool addCalendarToCalendarList(const CalendarPtr& calendar, bool needSync, bool autoSyncZVW);
    bool addCalendarToCalendarList(const CalendarPtr& calendar, bool needSync);
    // Creates the "Zoravel" category and makes it the settings' default;
    // null when it could not be stored.
    CalendarPtr createDefaultCategoryAutoSyncZVW(bool autoSyncZVW);
    // Makes the settings' default category an ordinary, unshared one, showing
    // or creating one when needed.
    void checkAndSetDefaultCategory();

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

    // --- loading items, items by category and tag, series lookups ---
    // Direct reads of table Tasks: new lists of new records, the working list
    // untouched. While the database is closed they write "Database can not
    // open!" on standard output and answer empty (0, false, null); a
    // statement that cannot run gives the same empty answer.
    TaskList getAllRootEvents() const;
    TaskList getAllTasks() const;
    // Every item except checklist items.
    TaskList getAllTasksEventsAdes() const;
    // Ascending key.
    TaskList getAllTasksInDB() const;
    // Items of categories that exist and are not shared, ascending key.
    TaskList getAllPersonalTasksInDB() const;
    TaskList getAllDetachedEventWithParentID(qint64 parentId) const;
    // Root tasks starting after 23:59:00 today, outside hidden categories
    // other than the default one.
    TaskList getAllFutureTasks() const;
    // Rows stamped after `time` (stored-form seconds) or never stamped, over
    // a new item's defaults and left marked changed, for the web push. Holds
    // every record method off while it reads; silent while the database is
    // closed; a statement that cannot be prepared ends the program.
    TaskList getTasksInDBNewerThan(qint64 time) const;
    qint64 countCheckInCalendar(const CalendarPtr& calendar) const;
    qint64 countDoneCheckInCalendar(const CalendarPtr& calendar) const;
    // Whether detached occurrences of the event exist on or before the date.
    bool hasExceptionEvent(const TaskPtr& event, const Date& beforeDate) const;

    // A key without a row gives an item with only that key, as
    // Task::initWithPrimaryKey does.
    TaskPtr taskWithPrimaryKey(qint64 key) const;
    // The item of that web id; the last row read when several share it.
    TaskPtr taskPrimaryKeyWithZVWKey(qint64 zvwKey) const;
    bool hasTaskInGlobalList(const TaskPtr& item) const;
    // Adds the admitted items of the category to the working list in one
    // action; true when there were any.
    bool addTasksToListFromCalendarId(qint64 calendarId);
    // The same for several categories, in their order, in one action.
    void addTasksToListFromCalendarList(const QList<qint64>& calendarIds);
    void addTasksToList(TaskList& list, qint64 calendarId, qint64 taskType) const;
    // The admitted items of the category that carry one of the tags, or with
    // no tags given those that carry none.
    TaskList tasksFromCalendarId(qint64 calendarId, const QStringList& tags) const;
    // Puts an edited item back into the working list when the tag filter
    // lets it through.
    void addTaskToList(const TaskPtr& item, const QStringList& tags);
    // Deletes the category's items, queues their web ids for deletion on the
    // server, marks their links removed and drops them from the working list;
    // when a statement fails (logged) nothing changes.
    void deleteAllTasksBelongCalendar(qint64 calendarId);

    TaskPtr getRootEventWithParentID(qint64 key) const;
    TaskPtr getRootEventWithUID(const QString& uid) const;
    TaskPtr getTaskWithUID(const QString& uid) const;
    // The detached row of the root's occurrence that starts on `date` by the
    // series' rule.
    TaskPtr getExceptionEventWithParentID(qint64 parentId, const Date& date) const;
    // The stored row that a root, detached occurrence or instance stands for.
    TaskPtr getOriginTaskForTaskInDB(const TaskPtr& item) const;
    // Drops the root with that key and every object whose parentId is the
    // key, without a list notification and leaving their alarms.
    void removeAllTaskRelateToPrimaryKey(qint64 key);
    // Drops the category's objects in one list action.
    void removeAllTasksBelongCalendar(qint64 calendarId);

    // --- tags (CoreData_Tags.cpp; getTagList with the start-up loads) ---
    // Adds a tag of that name unless one matches it (blanks and case
    // ignored). The first form asks for a web push of the tags after an
    // insert; the second, used by the web sync, takes the web key, asks for
    // nothing and answers whether it stored a new tag.
    void insertTagIfNA(const QString& name);
    bool insertTagIfNA(const QString& name, qint64 zvwKey);
    void setShowAllTag();
    void setShowNoneTag();
    // The names of the shown tags: the active tag filter.
    QStringList getShowTag() const;

    // --- links (CoreData_Links.cpp) ---
    // Links join two items in either direction. An item takes part through
    // its series root when it is a generated instance of a repeating item.
    // getValidLinks (with the start-up loads) reloads the link list with the
    // active links.
    LinkList getAllLinks() const;
    // Active links never sent to the web service.
    LinkList getAllNotSyncLinks() const;
    // Removed links waiting for the web sync.
    LinkList getUnlinks() const;
    // The active link between the two items; null without one.
    LinkPtr getLink(qint64 first, qint64 second) const;
    // Any link between the two items, active or removed; null without one.
    LinkPtr getAlreadyLink(qint64 first, qint64 second) const;
    bool hasLinks(const TaskPtr& item) const;
    bool hasAnyNoteInLinks(const TaskPtr& item) const;
    // Stores the link and adds it to the link list; false when the row could
    // not be written (logged).
    bool insertLink(const LinkPtr& link);
    // Marks the active link between the two removed, drops it from the link
    // list and posts kUnLinkNotification with it. False (nothing posted)
    // without such a link or when it could not be saved.
    bool unLink(qint64 first, qint64 second);
    // Makes the next web sync send the active link between the two again.
    bool resetLinkZvwKey(qint64 first, qint64 second);
    // Links every item of the list with the item again (an item that replaces
    // another takes over its links). False when a link could not be written.
    bool restoreLinks(const TaskList& items, const TaskPtr& item);
    // Links the copied item with the item.
    void pasteToMakeLinkWith(const TaskPtr& item);
    // Deletes every removed link row, or those of one item; and every link row
    // of an item. False when the delete failed (logged).
    bool deleteAllUnLinks();
    bool deleteAllUnLinks(const TaskPtr& item);
    bool deleteLinks(const TaskPtr& item);
    // Web ids and local keys for the web sync; -1 when no row matches.
    qint64 getZVWId(qint64 key) const;
    qint64 getItemLocalId(qint64 zvwId) const;
    qint64 getProjectLocalId(qint64 zvwProjectId) const;

private:
    CalendarList calendarListAfterReload() const;
    // The form in which two category or tag names are compared.
    static QString comparableName(const QString& name);
    bool isAutoZVWSyncOn() const;
    void postAutoSyncRequest(qint64 bits) const;
    bool removeFirstFromLinkList(const LinkPtr& link);
    void addToLinkListIfMissing(const LinkPtr& link);
    enum class LinkMaking { AlreadyActive, Made, Failed };
    LinkMaking makeOrRestoreLink(qint64 rootKey, qint64 targetKey, bool resendToWeb);

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
