#pragma once

#include "Date.h"
#include "ModelTypes.h"
#include "NotificationObject.h"
#include "ScheduledTimer.h"
#include "TimeSlotObject.h"
#include "TimezoneList.h"

#include <QHash>
#include <QMap>
#include <QMutex>
#include <QString>
#include <QTimeZone>
#include <QStringList>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class LocalNotification;
class Notification;
class QObject;
class Reachability;
class ZVWSync;
class iCalSync;
struct sqlite3;

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

// Why a start refused the data folder. A refused start writes nothing: the
// folder and the database are left exactly as they were.
enum class StartupProblem {
    None,
    FolderUnavailable,        // the support folder cannot be created
    FolderReadOnly,           // no new file can be made in the support folder
    DatabaseReadOnly,
    DatabaseNotSQLite,        // a file that is not a database at all
    DatabaseNotOurs,          // a database without Zoravel's tables
    DatabaseCannotBeCreated,  // the template could not be copied
    DatabaseCannotBeOpened,
    QuitWhileLocked,          // the person quit while another program held the database
};

struct StartupFailure {
    StartupProblem problem = StartupProblem::None;
    QString path;     // the folder or file at fault
    QString message;  // what the user is told: the file and the reason
};

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
    // objects, network monitors and the zone table. False when the data
    // folder or the database cannot be used; startupFailure() then says why,
    // the user has been told (alert and log) and nothing was written.
    // Also false when the person quit from the alert of a wait for another
    // program's lock (QuitWhileLocked): nothing more is told.
    [[nodiscard]] bool init();
    const StartupFailure& startupFailure() const { return m_startupFailure; }
    [[nodiscard]] bool createEditableCopyOfDatabaseIfNeeded();
    [[nodiscard]] bool initializeDatabase();
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
    [[nodiscard]] static bool writeZVWAccount(const QString& userName, const QString& password);

    void updateInternetConnectionStatus(const Reachability& monitor, bool autoSyncZVW);
    void reachabilityChanged(const Notification& notification);

    bool isUpgrade() const { return m_isUpgrade; }
    QString currentVersion() const { return m_currentVersion; }
    ZVWSync* zvwSync() const { return m_zvwSync.get(); }
    // Start-up makes the web-sync object; a data manager started without
    // init (tests) is handed one.
    void setZVWSync(std::unique_ptr<ZVWSync> sync);
    // The monitors made at start-up (null for those not needed).
    const Reachability* hostReachability() const { return m_hostReach.get(); }
    const Reachability* internetReachability() const { return m_internetReach.get(); }
    iCalSync* icalSync() const { return m_icalSync.get(); }
    // The calendar-store exchange replaces the default, which drops every call.
    void setICalSync(std::unique_ptr<iCalSync> sync);
    bool bSynciCalEnable() const { return m_bSynciCalEnable; }
    void setBSynciCalEnable(bool enable) { m_bSynciCalEnable = enable; }
    Date today() const;
    void setToday(const Date& day);
    Date currentSelectedDay() const;
    void setCurrentSelectedDay(const Date& day);

    // --- time zones ---
    // The zone table with each label's offset as it was when the table was
    // loaded. The offsets are read from the zones' files on the first call,
    // not at start-up (four hundred files).
    const TimezoneList& tzList() const;
    // The system zone's entry: found on the pool from the start, and waited
    // for by the first that needs it.
    qint64 appRootTZ() const;
    void setAppRootTZ(qint64 zoneId);
    // Without zone support the display zone is the machine's: a start under
    // another zone than the last run's is a zone change as one while running
    // is, and the settings take (and save) the system zone's entry. Whether
    // the display zone changed.
    bool followSystemZoneWithoutZoneSupport();
    // After zone support was turned on or off, or the display zone followed
    // the machine's without it: the store's items are read again as a start
    // reads them under the new setting.
    void followZoneSupportChange();
    // Now as the day grid shows it: the clock read in the chosen zone when
    // the time-zone support is on, else the system's. New items take their
    // times from it.
    Date displayNow() const;
    void loadTimeZones();
    qint64 getDefaultTimezone() const;
    qint64 getTimeZoneId(const QString& text) const;
    QString getTimeZoneName(qint64 zoneId) const;
    QString getTimeZoneGMT(qint64 zoneId) const;
    std::optional<TimezoneObj> getTimeZone(qint64 zoneId) const;
    // The zone table's "GMT", UTC all year. A store event whose file gives
    // its times in UTC ("Z") holds them in it with or without zone support:
    // they name instants, and its series repeats at UTC's clock. Without zone
    // support such an event alone shows in the machine's clock, the rest at
    // their own times.
    static constexpr qint64 utcZoneId = 56832;
    // Without zone support, the zone whose clock an event holds apart from
    // the machine's: UTC for one in GMT, its file's zone for one read from a
    // file in another zone (Task::heldInFileZone); else none (invalid).
    QTimeZone zoneHeldWithoutZoneSupport(const Task& item, const Setting* setting) const;
    // The item's times in the display zone (tzStartTime, tzEndTime), and back.
    void recalculateTimeWithTimezoneSupport(const TaskPtr& item) const;
    // The same under the given settings: a pass over thousands of events
    // takes the current settings once.
    void recalculateTimeWithTimezoneSupport(const TaskPtr& item, const Setting* setting) const;
    // Times the person put in the display zone (startTime, endTime) turned
    // into the item's own zone's. Both ways each zone has its offset of the
    // item's day.
    void recalculateSaveTimeWithTimezoneSupport(const TaskPtr& item) const;

    // --- shared objects ---
    SettingPtr currentSetting() const;
    void setCurrentSetting(const SettingPtr& setting);
    TaskPtr copiedItem() const;
    void setCopiedItem(const TaskPtr& item);
    // The item a view is adding or editing (an editor's kept copy, the item
    // the quick-add bar made), or the one a command a view ran wrote last.
    // Only the interface sets it: a store or web job hands its item to the
    // command that adds it, so no job's item takes the place of the view's
    // or stays held after the job.
    TaskPtr modifyingTask() const;
    void setModifyingTask(const TaskPtr& item);
    bool isAppliedTagFilter() const { return m_isAppliedTagFilter; }
    void setIsAppliedTagFilter(bool applied) { m_isAppliedTagFilter = applied; }

    // --- state the views share through the data manager ---
    // The today planner's results for the coming seven days, keyed by the
    // localised short weekday texts ("sunText" ... "satText"): the day's
    // timed events, the tasks poured into it and its free working time.
    // None until the planner first stores them; readers get snapshots.
    using WeekdayTaskLists = QMap<QString, TaskList>;
    using WeekdayTimeSlots = QMap<QString, QList<TimeSlotObject>>;
    std::optional<WeekdayTaskLists> sevenDaysEventList() const;
    void setSevenDaysEventList(const std::optional<WeekdayTaskLists>& list);
    std::optional<WeekdayTaskLists> sevenDaysTaskList() const;
    void setSevenDaysTaskList(const std::optional<WeekdayTaskLists>& list);
    std::optional<WeekdayTimeSlots> sevenDaysOpenTimeSlotsList() const;
    void setSevenDaysOpenTimeSlotsList(const std::optional<WeekdayTimeSlots>& list);
    // The tasks that start after today, kept apart from the working list by
    // the main view while only active tasks are shown; none until set.
    std::optional<TaskList> futureTaskList() const;
    void setFutureTaskList(const std::optional<TaskList>& list);
    // The number of visible categories, kept by the category list.
    qint64 numberOfActiveProject() const { return m_numberOfActiveProject; }
    void setNumberOfActiveProject(qint64 count) { m_numberOfActiveProject = count; }
    // The task pane's chosen filter.
    quint64 taskFilterMenuIndex() const { return m_taskFilterMenuIndex; }
    void setTaskFilterMenuIndex(quint64 index) { m_taskFilterMenuIndex = index; }
    // The taskOrder of the first open task of the do-today group, or
    // noDoTodayTask when that group has none. Unsigned: the item menu offers
    // "do today" for tasks whose order is greater, so with no open task
    // (all bits set) it offers it for none.
    static constexpr quint64 noDoTodayTask = ~quint64(0);
    quint64 firstDoTodayTaskOder() const { return m_firstDoTodayTaskOder; }
    void setFirstDoTodayTaskOder(quint64 order) { m_firstDoTodayTaskOder = order; }

    // --- working lists (snapshots) ---
    // Const, so that walking a snapshot (a range-for over the call) reads the
    // shared list instead of copying every entry out of it first.
    const TaskList allTasksEventsAdes() const;
    const CalendarList calendarList() const;
    const TagList tagList() const;
    void setTagList(const TagList& tags);
    void appendToTagList(const TagPtr& tag);
    const LinkList linkList() const;
    void setLinkList(const LinkList& links);
    void appendToLinkList(const LinkPtr& link);

    // Action 0 adds the items, 1 removes them (all of them with no list), any
    // other action changes nothing; each call posts one change notification.
    void doWithAllTasksEventsAdes(const std::optional<TaskList>& list, qint64 action);
    // Removes the listed items of these keys in one pass, as a removal
    // through doWithAllTasksEventsAdes would (alarms, notice); nothing is
    // posted when none is listed.
    void dropFromWorkingList(const QList<qint64>& keys);
    // Action 0 adds, 1 removes (all with no list), 2 replaces the whole list.
    void doWithCalendarList(const std::optional<CalendarList>& list, qint64 action);

    // --- categories (CoreData_Category.cpp) ---
    // The two waiting lookups wait (up to 2 s) only while a category reload
    // is under way and the list is empty; they answer as soon as the list is
    // filled or the reload ends, and a category list that is legitimately
    // empty answers at once. The caller of a reload sets the flag around it.
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
    [[nodiscard]] bool addCalendarToCalendarList(const CalendarPtr& calendar, bool needSync, bool autoSyncZVW);
    [[nodiscard]] bool addCalendarToCalendarList(const CalendarPtr& calendar, bool needSync);
    // Creates the "Zoravel" category and makes it the settings' default;
    // null when it could not be stored.
    CalendarPtr createDefaultCategoryAutoSyncZVW(bool autoSyncZVW);
    // Makes the settings' default category an ordinary, unshared one, showing
    // or creating one when needed. False (nothing changed) when there is no
    // settings record or a write failed.
    [[nodiscard]] bool checkAndSetDefaultCategory();

    // --- items ---
    qint64 getMaxOrderOfTasks() const;
    // Stores the item as a new item. False when there is none or it could
    // not be stored: nothing is changed or sent then. The first form stores
    // modifyingTask, the item a view handed over.
    [[nodiscard]] bool addNewTask();
    [[nodiscard]] bool addNewTask(const TaskPtr& item);

    // --- repeating items (CoreData_Series.cpp) ---
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

    // --- comments, current links, event lists and list upkeep ---
    // Read side (CoreData_ItemQueries.cpp); none of these changes a row or a list.
    // The comments on an item (type 0) or a category (type 1), oldest first.
    QList<ZVCommentPtr> getConversationsFor(qint64 key, qint64 type) const;
    // One entry per item or category with unread comments: comments on items
    // first, then on categories, each by key.
    QList<NotificationObject> getAllNotifications() const;
    qint64 countAllUnreadConversations() const;
    // The items actively linked to the item (an occurrence through its root):
    // notes, checklist items, tasks, events; done before open; the latest
    // changed link first. A repeating event past its first occurrence stands
    // as its current occurrence, and not at all once its series has ended.
    TaskList getCurrentLinks(const TaskPtr& item) const;
    // The timed events of the working list on that day, occurrences of
    // repeating events included, by start.
    TaskList getEventListForDate(const Date& date) const;
    // The same for several days at once, one list per day in the order
    // given: the working list is read once for all of them, not once a day.
    QList<TaskList> getEventListsForDates(const QList<Date>& dates) const;
    // The timed events of each calendar day from the first day to the last,
    // one list per day (the first day's first), each as getEventListForDate
    // gives it: one pass over the working list for all the days. Empty when
    // a day is null or the last comes before the first.
    QList<TaskList> timedEventsOfDays(const Date& firstDay, const Date& lastDay) const;
    // While one is open, on the thread that opened it, the passes that
    // several panes of one refresh make over the same working list are made
    // once and handed to each: the open tasks a task-list filter keeps and
    // the timed events of days (a range inside one already gathered is cut
    // from it). A write of a row, a rollback, a key change of a listed
    // record or another list makes them be made again; they go when the
    // outermost scope closes. Scopes nest.
    class SharedPasses {
    public:
        explicit SharedPasses(const CoreData* manager);
        ~SharedPasses();
        SharedPasses(const SharedPasses&) = delete;
        SharedPasses& operator=(const SharedPasses&) = delete;

    private:
        const CoreData* m_manager;
    };
    // The timed events of the visible categories from the one day to the
    // other, read from the database: one-off events, then occurrences.
    TaskList getEventListFromDate(const Date& fromDate, const Date& toDate) const;

    // Upkeep (CoreData_Upkeep.cpp).
    // Puts every task of the shown categories back into the working list
    // (removeInActiveTask takes the future ones out). False (the list as it
    // was) when a read failed.
    [[nodiscard]] bool addActiveTask();
    // Appends the tasks of those categories that the tag filter lets through
    // to the working list, without a notification: the callers refresh.
    void addActiveTasksToListFromCalendarList(const QList<qint64>& keys);
    // Turns each checklist category into an ordinary one holding one note
    // with its items as marked lines; runs at every start. Each category
    // turns whole or stays a checklist; false when any stayed.
    [[nodiscard]] bool migrateFromCheckListToNote();
    // Makes the next web sync send the item's links again. False when the
    // rows could not be written (logged).
    [[nodiscard]] bool resetZVWIdOfLinksForItem(const TaskPtr& item);
    // Sets the status of the comments on the item (type 0) or category (1).
    // False when the database is closed or the rows could not be written.
    [[nodiscard]] bool markCommentsStatus(qint64 status, qint64 applyFor, qint64 type);
    // At sign-out: deletes every comment, shared item and shared category,
    // and reloads the category and working lists. False (nothing changed)
    // when a statement failed.
    [[nodiscard]] bool removeAllSharedDataInLocal();

    // --- loading items (CoreData_ItemQueries.cpp), items by category and tag
    // (CoreData_WorkingList.cpp), series lookups (CoreData_Series.cpp) ---
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
    // The tasks of a category as addTasksToList gives them (type 1, listed
    // exceptions left out), counted: all and done (status 1), and the
    // minutes of those with a duration, all and done. Counted in the
    // database, so the category list does not read every task.
    struct TaskProgress {
        qint64 count = 0;
        qint64 doneCount = 0;
        qint64 minutes = 0;
        qint64 doneMinutes = 0;
        bool operator==(const TaskProgress&) const = default;
    };
    TaskProgress taskProgressInCalendar(qint64 calendarId) const;
    // Every category's progress, kept between calls and brought up to date
    // from the task rows written since; nothing when the table could not be
    // read. The per-category read answers the same from the table at once.
    std::optional<QHash<qint64, TaskProgress>> taskProgressByCategory() const;
    TaskProgress taskProgressReadInCalendar(qint64 calendarId) const;
    // Fills the kept progress now, so that the category list's first load
    // after the start asks no query of its own: the start calls it while it
    // waits for its window.
    void readTaskProgressAhead(qint64 calendarId) const;
    // Whether detached occurrences of the event exist on or before the date.
    bool hasExceptionEvent(const TaskPtr& event, const Date& beforeDate) const;

    // A key without a row gives an item with only that key, as
    // Task::initWithPrimaryKey does.
    TaskPtr taskWithPrimaryKey(qint64 key) const;
    bool hasTaskInGlobalList(const TaskPtr& item) const;
    // Adds the admitted items of the category to the working list in one
    // action; true when there were any.
    bool addTasksToListFromCalendarId(qint64 calendarId);
    // The same for several categories, in their order, in one action.
    void addTasksToListFromCalendarList(const QList<qint64>& calendarIds);
    // Starts reading the shown categories' items on background threads, for
    // the working list's next load (the start's full sync): that load takes
    // them when nothing they depend on changed meanwhile.
    void readWorkingListAhead() const;
    void addTasksToList(TaskList& list, qint64 calendarId, qint64 taskType) const;
    // The admitted items of the category that carry one of the tags, or with
    // no tags given those that carry none.
    TaskList tasksFromCalendarId(qint64 calendarId, const QStringList& tags) const;
    // The working list rebuilt for the tag filter; and one category's share
    // of it (false for a hidden category, which adds nothing).
    void getTaskWithTag(const QStringList& tags);
    bool addTasksToListFromCalendar(const CalendarPtr& calendar, const QStringList& tags);
    // Deletes the category's items, queues their web ids for deletion on the
    // server, marks their links removed and drops them from the working list;
    // when the rows cannot be read or deleted (logged) nothing changes and
    // the answer is false.
    [[nodiscard]] bool deleteAllTasksBelongCalendar(qint64 calendarId);

    TaskPtr getRootEventWithParentID(qint64 key) const;
    TaskPtr getRootEventWithUID(const QString& uid) const;
    TaskPtr getTaskWithUID(const QString& uid) const;
    // The detached row of the root's occurrence that starts on `date` by the
    // series' rule.
    TaskPtr getExceptionEventWithParentID(qint64 parentId, const Date& date) const;
    // The stored row that a root, detached occurrence or instance stands
    // for; null when that row is gone.
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
    // nothing. False when the new tag could not be stored (logged, nothing
    // changed); true when there is a tag of that name now.
    [[nodiscard]] bool insertTagIfNA(const QString& name);
    [[nodiscard]] bool insertTagIfNA(const QString& name, qint64 zvwKey);
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
    [[nodiscard]] bool insertLink(const LinkPtr& link);
    // Marks the active link between the two removed, drops it from the link
    // list and posts kUnLinkNotification with it. False (nothing posted)
    // without such a link or when it could not be saved.
    [[nodiscard]] bool unLink(qint64 first, qint64 second);
    // Makes the next web sync send the active link between the two again.
    // False without such a link or when it could not be saved.
    [[nodiscard]] bool resetLinkZvwKey(qint64 first, qint64 second);
    // Links every item of the list with the item again (an item that replaces
    // another takes over its links). False, with no link written, when one
    // could not be.
    [[nodiscard]] bool restoreLinks(const TaskList& items, const TaskPtr& item);
    // Links the copied item with the item; false when there is nothing to
    // link or the link could not be written.
    [[nodiscard]] bool pasteToMakeLinkWith(const TaskPtr& item);
    // Links the root key with each target key, in one transaction: a new
    // row, or a removed one made active again with its web key kept (the
    // web service still knows it). A pair already active, or of two equal
    // keys, is left alone. Answers the keys linked or revived now, in
    // order; nullopt, with nothing written, when a row could not be.
    std::optional<QList<qint64>> addLinks(qint64 rootKey, const QList<qint64>& targetKeys);
    // Deletes every removed link row, or those of one item; and every link row
    // of an item. False when the delete failed (logged).
    [[nodiscard]] bool deleteAllUnLinks();
    [[nodiscard]] bool deleteAllUnLinks(const TaskPtr& item);
    [[nodiscard]] bool deleteLinks(const TaskPtr& item);
    // Web ids and local keys for the web sync; -1 when no row matches.
    qint64 getZVWId(qint64 key) const;
    qint64 getItemLocalId(qint64 zvwId) const;
    qint64 getProjectLocalId(qint64 zvwProjectId) const;

    // --- a change the person makes in a view (CoreData_ViewChanges.cpp) ---
    // Runs `writes` (the record changes and the commands of one change; a
    // series edit's several commands included) as one unit. The records
    // named are kept first: when a write fails or the unit cannot commit,
    // the rows, those records and the working lists are as before, no store
    // write goes out, nothing is posted, the person is told why in an alert,
    // and false is answered. A unit that cannot begin (another process
    // holds the database) runs none of `writes`. The alert hangs from
    // `window` when given (an editor's own, which thus stays open), else
    // from the main window. Main thread only.
    [[nodiscard]] bool saveChangeFromView(const TaskList& shown, const std::function<bool()>& writes,
                                          QObject* window = nullptr, const QString& refusalText = {});
    // A command the person started in a view (a delete, a duplicate, a
    // conversion) run as such a unit, so that a refused one is told. Answers
    // what the command answered, or an empty answer when it was refused.
    template <class Command>
    [[nodiscard]] auto commandFromView(const TaskList& shown, Command&& command, QObject* window = nullptr) -> decltype(command())
    {
        decltype(command()) answer{};
        if (!saveChangeFromView(shown, [&] { return bool(answer = command()); }, window)) return decltype(command()){};
        return answer;
    }
    // A command that asks its own questions before its unit opens (a
    // conversion), so that no unit may be open around it: run as it is,
    // and a refusal (a failed write, not a cancelled question) told in the
    // same alert. Answers what the command answered.
    [[nodiscard]] bool runAskingCommandFromView(const std::function<bool()>& command, QObject* window = nullptr);
    // The done box of a view: sets the task's status and completion date and
    // saves them in one such unit, so a refused write leaves the record as
    // it was.
    [[nodiscard]] bool markDoneFromView(const TaskPtr& task, qint64 status, bool autoSyncZvw = true);
    // The same for a change of categories (a name, a colour, shown or
    // hidden): the categories named are kept first.
    [[nodiscard]] bool saveCategoryChangeFromView(const CalendarList& shown, const std::function<bool()>& writes,
                                                  QObject* window = nullptr, const QString& refusalText = {});
    // A setting the person changes in a view (a do-not-ask-again box, a
    // window's docking): the change and its row as one such unit; refused,
    // the settings are as before and the person is told.
    [[nodiscard]] bool saveSettingFromView(const std::function<void(Setting&)>& change, QObject* window = nullptr);
    // The alert of a change that could not be saved: refusalText, with a
    // %1 for the database's reason, or the usual text when empty.
    static void tellChangeNotSaved(QObject* window = nullptr, const QString& refusalText = {});
    // Stores a task whose editor form was just written into it, with what a
    // save starts: its alarm, the done mark, the working list, do today, the
    // system calendar (by its category's kind) with the mark of its write,
    // and the push request. beforeCalendarStore runs just before the system
    // calendar is told. Runs inside the caller's unit (saveChangeFromView):
    // the store hears of it only once the unit is kept. False when a write
    // failed.
    [[nodiscard]] bool storeEditedTask(const TaskPtr& task, const std::function<void()>& beforeCalendarStore = {});

    // --- done and delete; category and tag deletion (CoreData_ItemCommands.cpp) ---
    // None of these posts "Task changed"; the caller does. needSync false
    // means the other side of a sync made the change: nothing is propagated.
    // The auto-sync request is posted only with autoSync and the settings'
    // autoZVWSync on. False when a write failed; nothing is posted then.
    //
    // Status 0 reopens the task; any other status writes the done state the
    // caller set, and a repeating task then stays behind as a done one-off
    // while its next occurrence goes on as a new open row that takes over
    // its links.
    [[nodiscard]] bool doMarkDoneOperatorWithTask(const TaskPtr& task, qint64 status, bool autoSyncZvw = true);
    [[nodiscard]] bool doDeleteTask(const TaskPtr& item);
    [[nodiscard]] bool doDeleteTask(const TaskPtr& item, bool autoSyncZVW);
    [[nodiscard]] bool doDeleteTask(const TaskPtr& item, bool needSync, bool autoSyncZVW);
    // Deletes the category with every item in it. When it was the default,
    // another category becomes the default (a new one when none is left).
    [[nodiscard]] bool doDeleteCalendar(const CalendarPtr& calendar);
    [[nodiscard]] bool doDeleteCalendar(const CalendarPtr& calendar, bool autoSyncZVW);
    [[nodiscard]] bool doDeleteCalendar(const CalendarPtr& calendar, bool needSync, bool autoSyncZVW);
    // The tag texts of items and categories stay as they are.
    [[nodiscard]] bool doDeleteTag(const TagPtr& tag, bool autoSyncZVW = true);
    // A tag the web service no longer has: nothing is queued or requested.
    [[nodiscard]] bool doDeleteTagFromZVW(const TagPtr& tag, bool autoSyncZVW);

    // --- edit and delete scopes of repeating events (CoreData_Scopes.cpp) ---
    // The event handed in is a stored one-off, the root of a series, a
    // detached occurrence (a stored row standing for one occurrence) or a
    // generated instance, already changed by the caller. Edits answer false
    // and deletes null when a write failed: then no row, list or record
    // (the event included) has changed and nothing was sent. "Task changed"
    // is the caller's to post.
    //
    // All occurrences: the root takes the event's content and times, and the
    // exceptions and detached occurrences follow the new time of day.
    [[nodiscard]] bool doEditAllOperatorWithEvent(const TaskPtr& event, bool autoSyncZVW = true);
    // This and all future: the series ends the day before the occurrence and
    // a new series starts at it. From the first occurrence on, that is the
    // whole series. Always asks for the web push.
    [[nodiscard]] bool doEditAllFutureOperatorWithEvent(const TaskPtr& event);
    // Only this occurrence: a stored row is saved in place; an occurrence of
    // a series becomes a detached row and an exception of its root.
    [[nodiscard]] bool doEditOnlyThisOperatorWithEvent(const TaskPtr& event, bool autoSyncZVW = true);
    // Copies the stored row's times, zone, all-day state and system-calendar
    // uid into the event's previous-state fields.
    void fetchPrevEvent(const TaskPtr& event, qint64 primaryKey) const;
    // Deletes the whole series; answers a copy of the event carrying the
    // root's identity.
    [[nodiscard]] TaskPtr doDeleteAllOperatorWithEvent(const TaskPtr& event);
    [[nodiscard]] TaskPtr doDeleteAllOperatorWithEvent(const TaskPtr& event, bool autoSyncZVW);
    [[nodiscard]] TaskPtr doDeleteAllOperatorWithEvent(const TaskPtr& event, bool needSync, bool autoSyncZVW);
    // Ends the series before the occurrence (deletes it all when nothing is
    // left before); answers a copy of the event as it was handed in.
    [[nodiscard]] TaskPtr doDeleteAllFutureOperatorWithEvent(const TaskPtr& event, bool autoSyncZVW = true);
    // Deletes one occurrence, the whole series when it was the last one.
    // Answers the event itself for a stored row, else the one-off copy of
    // the occurrence. sameThread asks the system calendar at once.
    [[nodiscard]] TaskPtr doDeleteOnlyThisOperatorWithEvent(const TaskPtr& event);
    [[nodiscard]] TaskPtr doDeleteOnlyThisOperatorWithEvent(const TaskPtr& event, bool autoSyncZVW);
    [[nodiscard]] TaskPtr doDeleteOnlyThisOperatorWithEvent(const TaskPtr& event, bool autoSyncZVW, bool sameThread);
    [[nodiscard]] TaskPtr doDeleteOnlyThisOperatorWithEvent(const TaskPtr& event, bool needSync, bool autoSyncZVW,
                                              bool sameThread);
    // Hands a new event to the system calendar, which passes it on to the
    // web service when automatic web sync is on.
    void doInsertAllOperatorWithEvent(const TaskPtr& event);
    // Series rows removed from the database: the web ids of the removed rows
    // are queued for the server, their links marked removed, and the working
    // list updated (the last two routines do that only with the flag). False
    // when the database is closed or a statement failed (logged): nothing is
    // removed then.
    // Detached occurrences of the root from the date on, or on the date.
    [[nodiscard]] bool deleteAllDetachedEventsParentID(qint64 parentId, const Date& afterDate);
    [[nodiscard]] bool deleteDetachedEventParentID(qint64 parentId, const Date& onDate);
    // Whole series: their detached occurrences, then the roots; a root's own
    // web id is queued only with the flag.
    [[nodiscard]] bool deleteAllEventsWithParentID(const QList<qint64>& parentIds, bool needRemoveInAllTaskList);
    // Every row with one of the system-calendar uids, except the uid of the
    // item open in an editor while its category belongs to a calendar that
    // is not a local one.
    [[nodiscard]] bool deleteAllEventsWithUID(const QStringList& uids, bool needRemoveInAllTaskList);

    // --- item list filters (CoreData_ItemQueries.cpp) ---
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
    // For each day, whether an open task of the list is due on it, as
    // getDueTaskFromTaskList would find, in one pass over the list: a month
    // grid asks this for its 42 days at every reload.
    std::vector<bool> daysWithDueTasks(const TaskList& list, const QList<Date>& days) const;
    // Occurrences of repeating all-day events from the date to its day's end
    // first, then the one-off all-day events that touch that stretch.
    TaskList getAllDayEventFromTaskList(const TaskList& list, const Date& onDate) const;
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

    // --- free time, same-start groups, reloads (CoreData_ItemCommands.cpp) ---
    // The free stretches between the events (in order of start, display
    // times set here) from one time to the other, in minutes of the from-day.
    QList<TimeSlotObject> openTimeSlotsFromTime(const Date& fromTime, const Date& toTime, const TaskList& events) const;
    // The entries at the head of the list that start in the event's quarter
    // hour (a start before the day counts as the day) in the same time zone.
    TaskList findAllEventSameStartTime(const TaskPtr& event, const TaskList& list, const Date& forDate) const;
    // Refreshes the stored all-day events of the working list from their rows.
    // False, every item as it was, when the rows could not be read.
    [[nodiscard]] bool reloadADE();
    // Before a replace from the web service: deletes every tag and link, the
    // categories of the store's local type and the items of those synced with
    // the calendar store (and asks the store to delete them), and empties the
    // lists to match; with createDefault the default category is made again.
    // The rows go all together or not at all: false (logged, nothing changed)
    // when the database is closed or a statement fails.
    [[nodiscard]] bool deleteDatabaseCreateDefaultCate(bool createDefault);

    // --- alarms, adding items and rescheduling ---
    // The pending alarms, at most one per item, earliest first (a snapshot).
    const LocalNotificationList allAlert() const;
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
    [[nodiscard]] bool snoozeAlerts(const LocalNotificationList& alerts, qint64 snoozeSec);
    // Moves each alarm's task by a day (1), a week (2) or a calendar month (3).
    // Both act on all the alarms or, false, on none.
    [[nodiscard]] bool postponeAlerts(const LocalNotificationList& alerts, qint64 postponeType);
    static constexpr double alertTimerInterval = 60.0;

    // Set by the quick-add field when the new task is to go to the top of the
    // active list.
    bool hasDoToday() const { return m_hasDoToday; }
    void setHasDoToday(bool doToday) { m_hasDoToday = doToday; }

    // Stores an item that came from the web service: its parent's web key
    // becomes the local key; the working list is not touched. False when
    // there is none or it could not be stored (nothing changed). The forms
    // without an item store modifyingTask.
    [[nodiscard]] bool addNewTaskNeedSync(bool needSync);
    [[nodiscard]] bool addNewTaskNeedSync(bool needSync, qint64 syncTaskOrder);
    [[nodiscard]] bool addNewTaskNeedSync(const TaskPtr& item, bool needSync);
    [[nodiscard]] bool addNewTaskNeedSync(const TaskPtr& item, bool needSync, qint64 syncTaskOrder);
    // Marks the first open task of each category in the list as its top task
    // when it is also the first open task of the category in the database.
    // False, every mark as it was, when the database could not be read.
    bool updateTopTasksForList(const TaskList& items) const;
    bool checkIfTaskIsGTD(const TaskPtr& item) const;
    std::optional<QHash<qint64, qint64>> firstOpenTaskOrders() const;
    // The tag filter lets an item through when a shown tag is in its
    // category's tags or its own; with no tag shown, only items without any
    // tags pass.
    static bool passesTagFilter(const QString& categoryTags, const QString& itemTags, const QStringList& shownTags);
    // Drops the working list's copy of an edited item when the tag filter
    // hides it now. False when the list holds no copy of the item.
    bool removeTaskFromListWithTagFilter(const TaskPtr& item);
    // Adds the item to the working list when it passes the tag rule.
    void addTaskToList(const TaskPtr& item, const QStringList& tags);
    // Drops the tasks that start after today from the working list.
    void removeInActiveTask();
    // In active-only mode, drops the listed tasks that a load would leave
    // out (those starting after today) and says whether there were any; no
    // notification when there were none.
    bool dropTasksStartingAfterToday();
    // The item carrying that web id (the last of several); null when none.
    TaskPtr taskPrimaryKeyWithZVWKey(qint64 zvwKey) const;

    // Moves the task to the top of the active task order. False (no order
    // changed) when a statement failed.
    [[nodiscard]] bool doToday(const TaskPtr& task, bool needNotifyChanged = true);
    [[nodiscard]] bool doTodayTasks(const TaskList& tasks);
    // Date setters: they change startTime (next week and month only), dueEnd
    // and hasDue, and save nothing.
    void setTodayInfo(const TaskPtr& task) const;
    void setCurrentDayInfo(const TaskPtr& task) const;
    void setDoNextWeekInfo(const TaskPtr& task) const;
    void setDoNextMonthInfo(const TaskPtr& task) const;
    // Move the stored task (reloaded by key) into next week or next month and
    // publish the change; a selection moves whole or, false, not at all.
    [[nodiscard]] bool doNextWeek(const TaskPtr& task);
    [[nodiscard]] bool doNextMonth(const TaskPtr& task);
    [[nodiscard]] bool doNextWeekTasks(const TaskList& tasks, bool autoSyncZVW);
    [[nodiscard]] bool doNextMonthTasks(const TaskList& tasks, bool autoSyncZVW);
    // --- end of alarms, adding items and rescheduling ---

    // --- conversions between kinds, batch commands, duplicate purge and shared status ---
    // (CoreData_Conversions.cpp, CoreData_Batch.cpp)
    // Conversions into a new row: the event or scheduled task leaves through
    // the delete scopes, the new task goes in through addNewTask, takes over
    // the source's links and stays in modifyingTask. Null (and modifyingTask
    // null) when the user cancels, or when the scopes gave back no copy to
    // convert: nothing is added then. thenInUnit, when given, runs on the
    // new task inside the conversion's unit, after its questions (a view
    // placing the task where it was dropped): false refuses the whole
    // conversion.
    using AfterConversion = std::function<bool(const TaskPtr& made)>;
    [[nodiscard]] TaskPtr convertEvent2Task(const TaskPtr& event, const AfterConversion& thenInUnit = {});
    [[nodiscard]] TaskPtr convertSTask2Task(const TaskPtr& scheduledTask, const AfterConversion& thenInUnit = {});
    // Completes a scheduled task as a done task of its own row. Only with
    // autoSyncZVW (the first form) does it ask for a web push; a batch asks
    // once for the whole selection instead. False (nothing changed) when
    // the scopes gave nothing to complete or a write failed.
    [[nodiscard]] bool markSTaskDone(const TaskPtr& scheduledTask);
    [[nodiscard]] bool markSTaskDone(const TaskPtr& scheduledTask, bool autoSyncZVW);
    // A new task on the selected day at the next quarter hour, in the note's
    // category and linked from the note; the note itself stays as it is.
    TaskPtr makeTaskFromNote(const TaskPtr& note);
    [[nodiscard]] bool ConvertNotesToTasks(const TaskList& notes);
    // Conversions in place: key, web id, links, alerts and repeat rule stay.
    // A null start means the next quarter hour. Null when the user cancels
    // or the item could not be saved.
    [[nodiscard]] TaskPtr convertTask2Event(const TaskPtr& task, const Date& startTime);
    [[nodiscard]] TaskPtr convertTask2STask(const TaskPtr& task, const Date& startTime);
    // After a move to another category the stored rows of the item (of the
    // whole series for an event) become new items for the web service: their
    // web ids are queued for deletion and cleared. False (nothing changed)
    // when there is no such series or a write failed.
    [[nodiscard]] bool changeCalendarId(qint64 calendarId, qint64 forAllEventWithParentID);
    [[nodiscard]] bool resetZVWIdWhenCalChanged(const TaskPtr& item, bool withUpdateOption);

    // Row commands over a selection, in its order, on the objects themselves;
    // each asks for at most one web push, after the whole list. Shared items
    // are never deleted. The selection changes whole or, false, not at all.
    [[nodiscard]] bool doDeleteTasks(const TaskList& items, bool autoSyncZVW);
    [[nodiscard]] bool doDuplicateTasks(const TaskList& items, bool autoSyncZVW);
    [[nodiscard]] bool doMarkStarTasks(const TaskList& items, bool autoSyncZVW);
    [[nodiscard]] bool doMarkUnStarTasks(const TaskList& items, bool autoSyncZVW);
    [[nodiscard]] bool doMarkDoneTasks(const TaskList& items, bool autoSyncZVW);
    [[nodiscard]] bool doMarkUnDoneTasks(const TaskList& items, bool autoSyncZVW);
    // Deletes the newer copies of items that look the same (tasks and notes:
    // name, category and status; events: name, category, start and end to
    // the second). It reads and groups on the caller's thread, meant to be a
    // background one, and deletes group by group on the main thread (in the
    // background form: on the job's thread, the main thread only checking the
    // cancel and delivering the notifications), each group whole or not at
    // all. The setting isCancellingRemoving, or a
    // group that cannot be deleted, stops it before the next group; false
    // then, true when it ran to its end.
    [[nodiscard]] bool deleteSuspectedDuplicatedTasks(bool autoSyncZVW);
    // The same on the global queue; the answer comes on the main thread.
    // The data manager owns the job: going away, it stops the job before the
    // next group and waits for it, and the answer is then never delivered.
    void deleteSuspectedDuplicatedTasksInBackground(bool autoSyncZVW, std::function<void(bool finished)> onFinished);
    // Apply a delegation or share state the web service reported; false
    // (nothing changed) when a write failed.
    [[nodiscard]] bool updateDelegatedTaskStatus(const TaskPtr& task, qint32 taskRole);
    [[nodiscard]] bool updateShareProjectStatus(const CalendarPtr& category);
    // A note saved from a link list's quick-add row: stored and linked, not
    // yet in the working list.
    TaskPtr quickAddItemInPreview() const;
    void setQuickAddItemInPreview(const TaskPtr& item);
    // Lists a fresh copy of the preview note's row and forgets the note;
    // false when there was none (or its row is gone), and when a read failed
    // (the note then stays the preview).
    bool pushAddedItemInPreviewToAdesIfNeed();
    // --- end of conversions, batch commands, duplicate purge and shared status ---

private:
    // Done and delete (CoreData_ItemCommands.cpp).
    [[nodiscard]] bool completeRepeatingTask(const TaskPtr& task);
    [[nodiscard]] bool chooseDefaultCategoryAfterDeleting(bool pushToWeb);
    void removeFromTagList(const TagPtr& tag);
    // Scopes of repeating events (CoreData_Scopes.cpp).
    TaskPtr detachOccurrence(const TaskPtr& event, qint64 rootKey);
    TaskPtr deleteSeriesOccurrence(const TaskPtr& event, const TaskPtr& root, bool updateList, bool needSync,
                                   bool sameThread);
    TaskPtr deleteDetachedOccurrence(const TaskPtr& event, bool needSync, bool sameThread);
    bool seriesIsEmptyUntil(const TaskPtr& root, const Date& end) const;
    std::optional<qint64> deleteSeriesWhenEmpty(const TaskPtr& root);

    // Inside a command's unit, registers the short working lists (categories,
    // tags, links), the alarms and the shared objects as they are now, to
    // come back if the unit fails; the list of items keeps its own undo.
    // Called before each change of them; only the first call of a unit
    // takes the snapshot.
    void keepStateForUndo();
    // The changes of the working list of items, under m_listMutex. Inside a
    // unit each registers the undo of what it changed (the items added, or
    // the items taken out and where they stood), so a change costs what it
    // changes, not a copy of the whole list.
    void appendToWorkingList(const TaskList& added);
    // Answers the items taken out, in their order.
    TaskList removeFromWorkingList(const std::function<bool(const TaskPtr&)>& taken);
    // The same for the entries at these places (ascending).
    TaskList removeWorkingListEntriesAt(const std::vector<qsizetype>& places);
    void clearWorkingList();
    // The places of the working list's entries with these keys, ascending,
    // found by the index by key (rebuilt first when it is stale).
    std::vector<qsizetype> placesOfListedKeys(const QList<qint64>& keys);

    CalendarList calendarListAfterReload() const;
    // The form in which two category or tag names are compared.
    static QString comparableName(const QString& name);
    bool hasTagMatching(const QString& name) const;
    bool isAutoZVWSyncOn() const;
    void postAutoSyncRequest(qint64 bits) const;
    bool removeFirstFromLinkList(const LinkPtr& link);
    void addToLinkListIfMissing(const LinkPtr& link);
    enum class LinkMaking { AlreadyActive, Made, Failed };
    LinkMaking makeOrRestoreLink(qint64 rootKey, qint64 targetKey, bool resendToWeb);

    [[nodiscard]] bool migrateChecklistCategory(const CalendarPtr& category);

    // --- conversions between kinds, batch commands ---
    struct EventConversion;
    TaskPtr convertToTask(const TaskPtr& source, const EventConversion& kind, const AfterConversion& thenInUnit);
    TaskPtr takeOccurrencesAsTask(const TaskPtr& source, const EventConversion& kind, bool onlyThis);
    TaskPtr takeSingleAsTask(const TaskPtr& source);
    void announceTasksFromNotes();
    void announceBatchChange(qint64 autoSyncBits, bool autoSyncZVW);
    class PurgeJob;
    bool purgeSuspectedDuplicates(bool autoSyncZVW, PurgeJob* job);
    bool purgeGroupsInBackground(const QList<TaskList>& groups, bool autoSyncZVW, PurgeJob& job,
                                 const std::function<bool()>& cancelled);
    void stopPurgeJobs();
    // --- end of conversions between kinds, batch commands ---

    void runUpgrades(const QStringList& statements);
    // Every upgrade of the schema, in one unit.
    void applySchemaUpgrades();
    void startNetworkMonitors();
    bool failStartup(StartupProblem problem, const QString& path, const QString& message);
    [[nodiscard]] bool finishInit();
    bool checkDataFolder(const QString& folder);
    bool checkExistingDatabase(const QString& path);
    bool copyTemplateDatabase(const QString& target);
    bool checkDatabaseIsOurs(sqlite3* database);
    void restrictDataFolderToOwner() const;
    void reportUnreadableAccountFile(const QString& path, const QString& reason);

    bool m_isUpgrade = false;
    StartupFailure m_startupFailure;
    bool m_accountProblemReported = false;  // once per start
    QString m_currentVersion;
    std::atomic<bool> m_bSynciCalEnable{true};
    QStringList m_upgradeFailures;
    std::unique_ptr<ZVWSync> m_zvwSync;
    std::unique_ptr<iCalSync> m_icalSync;
    std::shared_ptr<Reachability> m_hostReach;
    std::shared_ptr<Reachability> m_internetReach;
    std::shared_ptr<Reachability> m_wifiReach;
    std::unique_ptr<QObject> m_observer;  // the data manager's notification registrations
    // The zone table as it ships (its labels' offsets not read), and the
    // one labelled from it on first use.
    TimezoneList m_tzList;
    Date m_tzLoadedAt;
    mutable QMutex m_tzLabelMutex;
    mutable std::optional<TimezoneList> m_tzLabelled;
    mutable qint64 m_appRootTZ = 0;
    // The system zone's entry, found on the pool while the database opens;
    // m_appRootTZ waits for it while m_appRootTZAhead is set.
    struct ZoneAhead;
    mutable std::unique_ptr<ZoneAhead> m_defaultZoneAhead;
    mutable QMutex m_defaultZoneMutex;
    mutable std::atomic<bool> m_appRootTZAhead{false};
    void findDefaultTimezoneAhead();
    qint64 takeDefaultTimezone() const;
    void readZoneTable();
    Date m_today;
    Date m_currentSelectedDay;

    // The first column of the first row of a query of our own, under the
    // record guard; 0 when the database is closed, the statement cannot be
    // prepared or there is no row.
    static qint64 queryInt64(const char* sql);

    // What the open scope of shared passes has gathered (CoreData_ItemQueries.cpp).
    struct PassMemo;
    mutable std::shared_ptr<PassMemo> m_passMemo;
    mutable int m_sharedPassDepth = 0;
    PassMemo* openPassMemo() const;
    TaskList openTasksOfPane(const TaskList& list, int filterIndex) const;
    QList<TaskList> gatherTimedEventsOfDays(const Date& firstDay, const Date& lastDay) const;

    // What the last marking of top tasks saw (CoreData_ItemCommands.cpp).
    struct KeptTopMarks;
    mutable std::shared_ptr<KeptTopMarks> m_keptTopMarks;
    bool topMarksStandFor(const TaskList& items, const QHash<qint64, bool>& isChecklist,
                          const std::optional<QHash<qint64, qint64>>& firsts) const;

    mutable QMutex m_listMutex;
    TaskList m_allTasksEventsAdes;
    // Counts every change of the working list (appends, removals, clears and
    // their undos): a reader that kept an answer about it knows it stands.
    quint64 m_workingListChanges = 0;
    // The working list's entries by key, for the deletions that name their
    // rows by key; under m_listMutex. It follows appends and removals, and
    // is rebuilt at its next use after a change it does not follow (a clear,
    // an undo of the list) or a key change of a listed record.
    QMultiHash<qint64, const Task*> m_listedByKey;
    bool m_listedByKeyFresh = false;
    quint64 m_listedByKeyChanges = 0;
    CalendarList m_calendarList;
    TagList m_tagList;
    LinkList m_linkList;

    mutable QMutex m_objectMutex;
    SettingPtr m_currentSetting;
    TaskPtr m_copiedItem;
    TaskPtr m_modifyingTask;
    TaskPtr m_quickAddItemInPreview;

    std::optional<WeekdayTaskLists> m_sevenDaysEventList;      // guarded by m_objectMutex
    std::optional<WeekdayTaskLists> m_sevenDaysTaskList;       // guarded by m_objectMutex
    std::optional<WeekdayTimeSlots> m_sevenDaysOpenTimeSlotsList;  // guarded by m_objectMutex
    std::optional<TaskList> m_futureTaskList;                  // guarded by m_objectMutex
    std::atomic<qint64> m_numberOfActiveProject{0};
    std::atomic<quint64> m_taskFilterMenuIndex{0};
    std::atomic<quint64> m_firstDoTodayTaskOder{0};
    std::atomic<bool> m_isAppliedTagFilter{false};
    bool m_calendarReloadInProgress = false;           // guarded by m_listMutex
    // The list was filled or the reload ended. A standard condition, not a
    // QWaitCondition: its wait lets go of the list's mutex and takes it back
    // through QMutex's own (annotated) calls, where Qt's does it out of
    // ThreadSanitizer's sight and makes every waiter's lock look doubled.
    mutable std::condition_variable_any m_calendarListSettled;

    QMutex m_purgeMutex;
    QList<std::shared_ptr<PurgeJob>> m_purgeJobs;  // started in the background, finished ones pruned at each start

    // --- alarms, adding items and rescheduling ---
    void updateAlarmsForListAction(const std::optional<TaskList>& list, qint64 action);
    void updateLocalNotificationForTasks(const TaskList& items);
    [[nodiscard]] bool postponeTask(const TaskPtr& task, qint64 postponeType);
    bool pushPostponedTaskToICal(const TaskPtr& task);
    void applyListDefaults(const TaskPtr& item) const;
    bool pushNewItemToICal(const TaskPtr& item, const CalendarPtr& category, bool autoSync);
    // addNewTask; the store copy is left to the caller when pushToStore is off.
    [[nodiscard]] bool addNewItem(const TaskPtr& item, bool pushToStore);
    void warnAboutRepeatingTask(const SettingPtr& setting) const;
    [[nodiscard]] bool addNewTaskFromWeb(const TaskPtr& item, bool needSync, std::optional<qint64> syncTaskOrder);
    Date displayToday() const;
    [[nodiscard]] bool moveStoredTasks(const TaskList& tasks, const Date& start, const Date& due, bool autoSyncZVW);
    void updateWorkingListAfterMove(const TaskPtr& moved);

    mutable QMutex m_alertMutex;
    LocalNotificationList m_allAlert;
    ScheduledTimer m_alertTimer;          // main thread only
    bool m_alertDialogShowing = false;    // main thread only
    std::atomic<bool> m_hasDoToday{false};
    // --- end of alarms, adding items and rescheduling ---
};
