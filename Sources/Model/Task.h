#pragma once

#include "RecurrenceSeries.h"

#include "AlertObj.h"
#include "Date.h"
#include "LocalNotification.h"
#include "ModelTypes.h"
#include "Utilities.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <QTimeZone>
#include <QVariantMap>

#include <array>
#include <atomic>
#include <memory>

#include <sqlite3.h>

class QImage;
class QMimeData;
struct DraggingImageComponent;

// One row of table Tasks: every dated item, be it an event (taskType 0), a
// task (1), a checklist item (2) or a note (3). Generated occurrences of a
// repeating event are Tasks too, with keys below -1; they are never written.
//
// Setters compare first and act only on a change: the change makes the item
// dirty, and a change of a field that the web service keeps also sets
// hasChanges to 1. Loads assign every column through the setters, so their
// normalisations apply to stored rows as well.
//
// Items are always held by a TaskPtr: the list, alarm and link operations
// hand the item itself (shared_from_this) to the data manager.
// What the rows of one load share: the offsets that convert their stored
// dates, and which categories are checklists (asked once per category, not
// once per row). One per thread: it is not safe to share.
class TaskRowContext {
public:
    explicit TaskRowContext(const Date& now);
    const StoredDateReader& dates() const { return m_dates; }
    bool isChecklistCategory(qint64 calendarId);
    // A short coded text of the row (repeat options, alerts, tags...): rows
    // tend to repeat the one before, and then share its text instead of
    // converting and storing the same characters again.
    QString repeatedText(sqlite3_stmt* statement, int column);

private:
    // The last short text read per column, with the bytes it came from.
    struct LastText {
        int column = -1;
        int length = -1;
        char bytes[48];
        QString text;
    };

    StoredDateReader m_dates;
    QHash<qint64, bool> m_checklistCategories;
    std::array<LastText, 8> m_lastTexts;
};

// Whether a record has joined the working list (set once, never cleared).
// A listed record can take another key in place, and the list's index by key
// must hear of it: a key set or an assignment (an undo restoring the record)
// of a listed record is counted. A copy is a new record, not listed.
class ListedMark {
public:
    ListedMark() = default;
    ListedMark(const ListedMark&) {}
    ListedMark& operator=(const ListedMark&);
    void set() { m_listed.store(true, std::memory_order_relaxed); }
    bool isSet() const { return m_listed.load(std::memory_order_relaxed); }
    // Counts the key changes of listed records, on every thread.
    static quint64 keyChanges();
    static void countKeyChange();

private:
    std::atomic<bool> m_listed{false};
};

// The run-time fields of the zone conversions and the planner that hold a
// number or a date. Most records never set one, and each costs every record
// 8 bytes: they live in a block of their own, made at the first write of a
// value other than the default. A copy of the record copies the block.
struct TaskRunTimeFields {
    qint64 prevtz = 0;
    Date localStartDate;
    Date localEndDate;
    qint64 rootTZ = 0;
    Date tzStartTime;
    Date tzEndTime;
    Date npStartTime;
    qint64 npDuration = 0;
    qint64 npSortOrder = 0;
};

class TaskRunTimeBlock {
public:
    TaskRunTimeBlock() = default;
    TaskRunTimeBlock(const TaskRunTimeBlock& other) : m_fields(other.copied()) {}
    TaskRunTimeBlock& operator=(const TaskRunTimeBlock& other)
    {
        if (this != &other) m_fields = other.copied();
        return *this;
    }
    const TaskRunTimeFields& get() const { return m_fields ? *m_fields : defaults(); }
    template <class T>
    void set(T TaskRunTimeFields::*field, const T& value)
    {
        if (!m_fields) {
            if (value == defaults().*field) return;
            m_fields = std::make_unique<TaskRunTimeFields>();
        }
        (*m_fields).*field = value;
    }

private:
    static const TaskRunTimeFields& defaults()
    {
        static const TaskRunTimeFields none;
        return none;
    }
    std::unique_ptr<TaskRunTimeFields> copied() const
    {
        return m_fields ? std::make_unique<TaskRunTimeFields>(*m_fields) : nullptr;
    }
    std::unique_ptr<TaskRunTimeFields> m_fields;
};

class Task : public std::enable_shared_from_this<Task> {
public:
    // A new, unstored item (key -1) with the defaults of a task: starting at
    // the next quarter hour, due at the end of that weekday's working hours,
    // in the default category and zone of the settings. It comes out dirty
    // with hasChanges 1.
    Task();

    // The item of that row, on the shared connection (the handle is not
    // used). A key without a row gives an item with that key and every other
    // field empty. A loaded item always has hasChanges 1.
    static TaskPtr initWithPrimaryKey(qint64 key, sqlite3* database = nullptr);
    // The stored record with that key, or null when there is none.
    static TaskPtr storedWithPrimaryKey(qint64 key);

    // Lists load many rows with one statement: "SELECT <the row's columns>,
    // primaryKey FROM Tasks " followed by the condition (WHERE, ORDER BY).
    static QByteArray selectRowsSql(const QByteArray& condition);
    // The item of the statement's current row, built exactly as
    // initWithPrimaryKey builds it. The caller holds the record guard.
    static TaskPtr fromRow(sqlite3_stmt* statement);
    // The same, with what the rows of one load share.
    static TaskPtr fromRow(sqlite3_stmt* statement, TaskRowContext& context);
    // The same item built by assigning each column through its setter, as
    // every load once did; fromRow must give exactly this.
    static TaskPtr fromRowThroughSetters(sqlite3_stmt* statement, TaskRowContext& context);
    // The row's fields set through the setters over a new item's defaults:
    // the item stays marked changed, and with hasChanges 1 whatever the row
    // says (the absent assignee of the defaults always takes the row's text).
    static TaskPtr fromRowOverDefaults(sqlite3_stmt* statement);

    // Inserts a row holding only taskOrder (the highest stored order + 1) and
    // takes its row id; the next write stores the other columns. False when
    // SQLite refused the row (logged). The two names are one operation.
    [[nodiscard]] bool insertIntoDatabase(sqlite3* database = nullptr);
    [[nodiscard]] bool insertIntoDatabaseNoUpdate(sqlite3* database = nullptr);
    // Inserts and writes the item, then puts it into the working list unless
    // its category is hidden, the tag filter hides it, or it is a future task
    // while only active tasks are shown. False when a statement failed.
    [[nodiscard]] bool insertAndDehydrate();

    // dehydrateUpdateOption(true).
    [[nodiscard]] bool dehydrate();
    // Writes a dirty stored item (key >= 0), stamping dateUpdate and the
    // setting's lastUpdateWork; with updateList the working list's other
    // object of the same key takes the written content. Clean or unstored
    // items write nothing and answer true. False when the write failed
    // (logged); the item then stays dirty.
    [[nodiscard]] bool dehydrateUpdateOption(bool updateList);
    // The same for an item that was clean (as its row holds it) before the
    // web service's answer set its id, stamp, order and change mark: only
    // those and dateUpdate are written, which costs a fraction of the whole
    // row when thousands of answers come in.
    [[nodiscard]] bool dehydrateWebAnswer(bool updateList);
    // Sets the link to the item's store copy (iCalUID, occurrence) and
    // writes it as dehydrateUpdateOption would. An item that was clean
    // writes only those, dateUpdate and hasChanges (an export writes each
    // item's link twice, a mark and then the link); one with other unsaved
    // changes is written whole.
    [[nodiscard]] bool storeICalLink(const QString& uid, const Date& occurrence, bool updateList = true);

    // Whether the row written for this item would hold what other's holds,
    // but for dateUpdate and hasChanges: a sync that set fields and then set
    // them back changed nothing.
    bool sameRowAs(const Task& other) const;
    // An item whose row already holds it forgets its unsaved state: not
    // dirty, and owing the web service what the row says it owes.
    void forgetUnsavedChanges(qint64 storedHasChanges);

    // Deletes the row, marks every link of the item removed, empties the
    // copied-item slot when it holds the item (or an occurrence of it) and
    // drops the item from the working list. False when the delete failed
    // (logged); nothing else is touched then.
    [[nodiscard]] bool deleteFromDatabase();
    // The same without touching the working list, all under the record lock.
    [[nodiscard]] bool deleteFromDatabaseNoUpdate();

    static void finalizeStatements();

    bool dirty() const { return m_dirty; }

    // ---- stored fields --------------------------------------------------------
    qint64 primaryKey() const { return m_primaryKey; }
    // Stores without comparing and always marks the item dirty.
    void setPrimaryKey(qint64 key);
    // Set by the data manager when the record joins its working list.
    void markListed() { m_listed.set(); }

    // 0 event, 1 task, 2 checklist item, 3 note. On a new item (key -1) the
    // type also resets the duration (and for non-tasks the end) to the
    // settings' default for that kind.
    qint64 taskType() const { return m_taskType; }
    void setTaskType(qint64 type);
    qint64 isADE() const { return m_isADE; }
    void setIsADE(qint64 flag);
    // Line breaks at either end are dropped.
    QString taskName() const { return m_taskName; }
    void setTaskName(const QString& name);
    QString taskLocation() const { return m_taskLocation; }
    void setTaskLocation(const QString& location);
    // A start in 1970, or the first start of an item, also becomes the series start.
    Date startTime() const { return m_startTime; }
    void setStartTime(const Date& date);
    Date endTime() const { return m_endTime; }
    void setEndTime(const Date& date);
    Date dueEnd() const { return m_dueEnd; }
    void setDueEnd(const Date& date);
    Date dateUpdate() const { return m_dateUpdate; }
    void setDateUpdate(const Date& date);
    // Time interval 0 while not done.
    Date completedDate() const { return m_completedDate; }
    void setCompletedDate(const Date& date);
    qint64 hasDue() const { return m_hasDue; }
    void setHasDue(qint64 flag);
    qint64 taskOrder() const { return m_taskOrder; }
    void setTaskOrder(qint64 order);
    // 0 none, 1 daily, 2 weekly, 3 monthly, 4 yearly.
    qint64 repeatType() const { return m_repeatType; }
    void setRepeatType(qint64 type);
    // The day of the given date at the time of day of the due time (tasks)
    // or of the start (every other kind).
    Date repeatStartDate() const { return m_repeatStartDate; }
    void setRepeatStartDate(const Date& date);
    // Kept in whole seconds.
    Date repeatEndDate() const { return m_repeatEndDate; }
    void setRepeatEndDate(const Date& date);
    QString repeatOptions() const { return m_repeatOptions; }
    void setRepeatOptions(const QString& options);
    // A null text is taken as "".
    QString repeatExceptions() const { return m_repeatExceptions; }
    void setRepeatExceptions(const QString& exceptions);
    qint64 isRepeatForever() const { return m_isRepeatForever; }
    void setIsRepeatForever(qint64 flag);
    qint64 hasDuration() const { return m_hasDuration; }
    void setHasDuration(qint64 flag);
    // Minutes.
    qint64 duration() const { return m_duration; }
    void setDuration(qint64 minutes);
    // A checklist category turns the item into a checklist item (type 2).
    qint64 calendarId() const { return m_calendarId; }
    void setCalendarId(qint64 key);
    // -1 for a root item, else the key of the series root.
    qint64 parentId() const { return m_parentId; }
    void setParentId(qint64 key);
    qint64 isInitialTask() const { return m_isInitialTask; }
    void setIsInitialTask(qint64 flag);
    qint64 isPinned() const { return m_isPinned; }
    void setIsPinned(qint64 flag);
    QString alertValues() const { return m_alertValues; }
    void setAlertValues(const QString& alerts);
    // Column iCalIdentifier.
    QString iCalUID() const { return m_iCalUID; }
    void setICalUID(const QString& uid);
    qint64 builtIn() const { return m_builtIn; }
    void setBuiltIn(qint64 flag);
    qint64 isHidden() const { return m_isHidden; }
    void setIsHidden(qint64 flag);
    qint64 taskRepeatStyle() const { return m_taskRepeatStyle; }
    void setTaskRepeatStyle(qint64 style);
    qint64 zvwID() const { return m_zvwID; }
    void setZvwID(qint64 id);
    qint64 lastUpdate() const { return m_lastUpdate; }
    void setLastUpdate(qint64 stamp);
    // 0 active, 1 done.
    qint64 status() const { return m_status; }
    void setStatus(qint64 status);
    // "%20" reads as a blank; white space at either end is dropped.
    QString url() const { return m_url; }
    void setUrl(const QString& url);
    Date occurrence() const { return m_occurrence; }
    void setOccurrence(const Date& date);
    QString tagList() const { return m_tagList; }
    void setTagList(const QString& tags);
    qint64 hasChanges() const { return m_hasChanges; }
    void setHasChanges(qint64 flag);
    QString notes() const { return m_notes; }
    void setNotes(const QString& notes);
    bool isShared() const { return m_isShared; }
    void setIsShared(bool shared);
    qint64 tz() const { return m_tz; }
    void setTz(qint64 zoneId);
    // Column fileZoneClock: the times are the clock of the zone tz names,
    // the zone of the store file they were read from. With zone support they
    // always are; without, the rest hold this machine's clock of their day
    // and show as they are, while these show in the machine's clock.
    bool heldInFileZone() const { return m_heldInFileZone; }
    void setHeldInFileZone(bool held);
    // Column stask.
    bool isSheduledTask() const { return m_isSheduledTask; }
    void setIsSheduledTask(bool scheduled);
    QString assigneeEmail() const { return m_assigneeEmail; }
    void setAssigneeEmail(const QString& email);
    qint64 delegateStatus() const { return m_delegateStatus; }
    void setDelegateStatus(qint64 status);
    Date delegateDate() const { return m_delegateDate; }
    void setDelegateDate(const Date& date);

    // ---- run-time fields (never stored, mark nothing) --------------------------
    bool isTopGTDTask() const { return m_isTopGTDTask; }
    void setIsTopGTDTask(bool top)
    {
        if (top != m_isTopGTDTask) countTopMarkChange();
        m_isTopGTDTask = top;
    }
    // Counts the top-task marks changed, on every thread: a reader that kept
    // the marks it set knows whether another has set one since.
    static quint64 topMarkChanges();
    qint64 prevtz() const { return m_runTime.get().prevtz; }
    void setPrevtz(qint64 zoneId) { m_runTime.set(&TaskRunTimeFields::prevtz, zoneId); }
    bool prevAllDay() const { return m_prevAllDay; }
    void setPrevAllDay(bool allDay) { m_prevAllDay = allDay; }
    Date localStartDate() const { return m_runTime.get().localStartDate; }
    void setLocalStartDate(const Date& date) { m_runTime.set(&TaskRunTimeFields::localStartDate, date); }
    Date localEndDate() const { return m_runTime.get().localEndDate; }
    void setLocalEndDate(const Date& date) { m_runTime.set(&TaskRunTimeFields::localEndDate, date); }
    qint64 rootTZ() const { return m_runTime.get().rootTZ; }
    void setRootTZ(qint64 zoneId) { m_runTime.set(&TaskRunTimeFields::rootTZ, zoneId); }
    Date tzStartTime() const { return m_runTime.get().tzStartTime; }
    void setTzStartTime(const Date& date) { m_runTime.set(&TaskRunTimeFields::tzStartTime, date); }
    Date tzEndTime() const { return m_runTime.get().tzEndTime; }
    void setTzEndTime(const Date& date) { m_runTime.set(&TaskRunTimeFields::tzEndTime, date); }
    Date npStartTime() const { return m_runTime.get().npStartTime; }
    void setNpStartTime(const Date& date) { m_runTime.set(&TaskRunTimeFields::npStartTime, date); }
    bool npNeedGetStartTime() const { return m_npNeedGetStartTime; }
    void setNpNeedGetStartTime(bool need) { m_npNeedGetStartTime = need; }
    qint64 npDuration() const { return m_runTime.get().npDuration; }
    void setNpDuration(qint64 minutes) { m_runTime.set(&TaskRunTimeFields::npDuration, minutes); }
    bool npIsMustDo() const { return m_npIsMustDo; }
    void setNpIsMustDo(bool mustDo) { m_npIsMustDo = mustDo; }
    qint64 npSortOrder() const { return m_runTime.get().npSortOrder; }
    void setNpSortOrder(qint64 order) { m_runTime.set(&TaskRunTimeFields::npSortOrder, order); }

    // ---- derived values ---------------------------------------------------------
    // The line of the notes that says more than the title: the first one, or
    // the second when the first only repeats the title; check marks removed.
    QString noteSummary() const;
    // Whether the item has an active link to another item (data manager's hasLinks).
    bool hasLink() const;
    // Whether the item's category, as stored, is shared.
    bool hasShared() const;
    // Sort key by sharing state: shared and accepted 1, not shared 0 and 2,
    // shared and not yet accepted 3, anything else 999.
    qint64 sortOrderBySharing() const;

    // ---- text encodings (Task_Encodings.cpp) ------------------------------------
    // The three fields of repeatOptions, "%ld/%@/%ld": the interval (at least
    // 1), the weekday numbers of a weekly rule joined by "|" (1 Sunday .. 7
    // Saturday), and the monthly flag (0 same day of the month, else same
    // weekday of the month).
    struct RepeatOptions {
        qint64 interval = 1;
        QString weekdays;
        qint64 flag = 0;
        QString text() const;
    };
    // A missing or empty text gives interval 1, no weekdays and flag 0; an
    // interval below 1 counts as 1; missing fields read as empty or 0.
    static RepeatOptions readRepeatOptions(const QString& text);

    // repeatExceptions holds entries "|<stored seconds>(1)" for an occurrence
    // changed on its own (a detached row exists) and "(2)" for one deleted.
    enum class RepeatException : qint64 { Changed = 1, Deleted = 2 };
    // The stored form of a date in whole seconds ("%0.0f"), as exception
    // entries write it.
    static QString storedDateText(const Date& date);
    // Whether the occurrence's stored text occurs anywhere in repeatExceptions.
    bool isExceptedOccurrence(const Date& occurrence) const;
    void addRepeatException(const Date& occurrence, RepeatException kind);

    // The alerts of alertValues, in order; none for a text without "/".
    QList<std::shared_ptr<AlertObj>> createAlertList() const;
    void updateAlertList(const QList<std::shared_ptr<AlertObj>>& list);

    // The item's next alarm: the earliest alert firing after now and before
    // 1 January of next year (at the current time of day), or null. Done
    // items, tasks without a due date, one-off events that have started,
    // checklist items and notes have none.
    std::shared_ptr<LocalNotification> nextAlarmDate();
    // What the alarms of many items worked out together share: the time they
    // are worked out at, the turn of next year that bounds them, and the
    // alerts of each alert text met (items repeat a handful of texts, and
    // reading one took more than the rest of the item's alarm).
    class AlarmPass {
    public:
        AlarmPass();
        const Date& now() const { return m_now; }
        const Date& limit() const { return m_limit; }
        const QList<std::shared_ptr<const AlertObj>>& alertsOf(const Task& item);
        // The zone an event's own times are read in when it is not the
        // machine's: with zone support on, the event's zone (the display
        // zone may be another than the machine's too). Invalid otherwise.
        QTimeZone ownZone(const Task& item);

    private:
        Date m_now;
        Date m_limit;
        bool m_zones = false;
        QHash<QString, QList<std::shared_ptr<const AlertObj>>> m_alerts;
        QHash<qint64, QTimeZone> m_ownZones;
    };
    // The same as nextAlarmDate() at the pass's time.
    std::shared_ptr<LocalNotification> nextAlarmDate(AlarmPass& pass);

    // ---- copies (Task_Copies.cpp) ------------------------------------------------
    // A new item (defaults, then every field of this one, the key included).
    TaskPtr copy() const;
    // A copy that counts as written (not dirty): what a calendar-store job
    // works on instead of the record the main thread shows and edits. Its
    // link writes store only the link; the listed record takes only that.
    TaskPtr storeSnapshot() const;
    // Takes every stored field and the zone and editing run-time fields of
    // the source through the setters, the key included.
    void copyContentOfTask(const Task& source);
    // A copy for a virtual instance of a repeating item: every field that
    // copyContentOfTask carries, taken as it stands (the root's fields are
    // already normalised), without the setters' work, since a month view
    // makes thousands of them.
    TaskPtr instanceCopy() const;
    // What the recurrence reads of the item: its rule, first occurrence (a
    // task's due date) and the bounds of its series.
    RecurrenceSeries recurrenceSeries() const;
    // Takes the fields the web service carries; keeps its own key, order,
    // series links, system-calendar uid and hasChanges.
    void updateContentOfTaskFromZVW(const Task& source);
    // A copy stored as a new root item, unknown to the web service and the
    // system calendar store, added through the data manager's addNewTask.
    TaskPtr duplicate() const;
    // The same for one occurrence: a new item that does not repeat.
    TaskPtr duplicateThisOnly() const;

    // ---- archive and pasteboard (Task_Archive.cpp) --------------------------------
    // The archived form: "primaryKey", "parentId" (integers), "startTime",
    // "endTime" (seconds since 1970 of the dates themselves).
    QVariantMap encodeWithCoder() const;
    // A stored item reads back as its row is now. An occurrence (negative
    // key) reads back as its root's row with the occurrence's times, parentId
    // the root and key -999999, so it is never written. Null for a record
    // without a key.
    static TaskPtr initWithCoder(const QVariantMap& archive);

    // Reading option "as keyed archive" of the pasteboard.
    static constexpr qint64 readingAsKeyedArchive = 4;
    QStringList writableTypesForPasteboard() const;
    // The archive of the item for our archive type; null for any other.
    QByteArray pasteboardPropertyListForType(const QString& type) const;
    static QStringList readableTypesForPasteboard();
    static qint64 readingOptionsForType(const QString& type);
    // Puts the items' archive on a pasteboard payload, and reads it back.
    static void writeItemsToPasteboard(QMimeData& mimeData, const TaskList& items);
    static TaskList readItemsFromPasteboard(const QMimeData& mimeData);

    // ---- drag images (Task_DragImages.cpp) ---------------------------------------------
    static inline const QString draggingImageKey = QStringLiteral("TaskItem");
    // A 100 x 20 box in the category's colour with the title.
    QList<DraggingImageComponent> draggingSmallImage() const;
    // The day view's box at the given width, 46 points an hour (at most 368);
    // type 0 draws the square event form.
    QList<DraggingImageComponent> draggingLargeImageWithSize(const QSizeF& size, qint64 type) const;
    // A planner chip at the given size: the week planner's for type 0.
    QList<DraggingImageComponent> draggingLargeImageInPlannerWithSize(const QSizeF& size, qint64 type) const;
    // The day view's box, 186 points wide and as high as the duration needs.
    QImage draggingImageRepresentative() const;

    // Height of a dragged day-view box: 46 points an hour, 368 above 8 hours.
    static double dragImageHeight(double hours);
    // Size of draggingImageRepresentative for a duration in minutes (hours
    // counted in single precision).
    static QSizeF draggingImageRepresentativeSize(qint64 durationMinutes);

private:
    // Only the record itself can name this: the constructor that takes it
    // is public only so that the record and its control block can share
    // one allocation (std::make_shared).
    class BaseInit {
        friend class Task;
        BaseInit() = default;
    };

public:
    explicit Task(BaseInit) {}

public:
    // The columns a write of the row sets (Task.cpp).
    struct WrittenColumns;

private:
    enum class WebKept { No, Yes };
    void markChanged(WebKept webKept);
    template <class T>
    bool store(T& field, const T& value, WebKept webKept);

    Date seriesStartOn(const Date& day) const;
    void readColumnsThroughSetters(sqlite3_stmt* statement, TaskRowContext& context);
    void readStoredColumns(sqlite3_stmt* statement, TaskRowContext& context);
    void bindColumns(sqlite3_stmt* statement) const;
    bool writeRow();
    bool deleteRowAndMarkLinks();
    bool deleteRow();
    bool markLinksRemoved() const;
    void keepForUndo();
    void clearCopiedItem() const;
    void removeFromWorkingList() const;
    void refreshListEntry() const;
    void refreshListLink() const;
    void takeKey(qint64 key);
    bool belongsInWorkingList() const;
    qint64 largeDragImageMinutes(qint64 type) const;
    TaskPtr duplicateWith(void (*prepare)(Task& duplicate)) const;

    // The fields the passes over the whole working list read (kind, state,
    // days, order, owner) come first and together: a pass then touches one
    // or two cache lines of each item instead of most of its eight.
    qint64 m_taskType = 0;
    qint64 m_status = 0;
    bool m_isShared = false;
    bool m_isSheduledTask = false;
    bool m_isTopGTDTask = false;
    bool m_prevAllDay = false;
    bool m_npNeedGetStartTime = false;
    bool m_npIsMustDo = false;
    bool m_dirty = false;
    ListedMark m_listed;
    // A store snapshot's record, which takes the links written through it.
    std::weak_ptr<Task> m_storeOrigin;
    qint64 m_hasDue = 0;
    Date m_dueEnd;
    qint64 m_isPinned = 0;
    qint64 m_hasDuration = 0;
    qint64 m_duration = 0;
    QString m_assigneeEmail;
    qint64 m_isADE = 0;
    Date m_startTime;
    Date m_endTime;
    qint64 m_calendarId = 0;
    qint64 m_taskOrder = 0;
    qint64 m_repeatType = 0;
    qint64 m_primaryKey = 0;
    qint64 m_delegateStatus = 0;
    TaskRunTimeBlock m_runTime;
    Date m_occurrence;

    QString m_taskName;
    QString m_taskLocation;
    Date m_dateUpdate;
    Date m_completedDate;
    Date m_repeatStartDate;
    Date m_repeatEndDate;
    QString m_repeatOptions;
    QString m_repeatExceptions;
    qint64 m_isRepeatForever = 0;
    qint64 m_parentId = 0;
    qint64 m_isInitialTask = 0;
    QString m_alertValues;
    QString m_iCalUID;
    qint64 m_builtIn = 0;
    qint64 m_isHidden = 0;
    qint64 m_taskRepeatStyle = 0;
    qint64 m_zvwID = 0;
    qint64 m_lastUpdate = 0;
    QString m_url;
    QString m_tagList;
    qint64 m_hasChanges = 0;
    QString m_notes;
    qint64 m_tz = 0;
    Date m_delegateDate;
    bool m_heldInFileZone = false;

    static void countTopMarkChange();
};
