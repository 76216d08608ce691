// The item record: defaults, setters, the row's load, insert, write and
// delete, and the values derived from its fields.
#include "Task.h"

#include "Calendar.h"
#include "Clock.h"
#include "CoreData.h"
#include "GregorianCalendar.h"
#include "iCalSync.h"
#include "OneOffStatement.h"
#include "RecordGuard.h"
#include "RecordHelpers.h"
#include "RecordStore.h"
#include "Setting.h"
#include "Transaction.h"
#include "Utilities.h"
#include "ModelInternals.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <tuple>

// Every column a write of the row sets, in the order the write binds them
// (the key comes after them). The update, the insert of a whole row and
// sameRowAs all walk this one list: a column added here is written and
// compared alike. dateUpdate (the write's own stamp) and hasChanges (the
// web mark, which the caller keeps apart) are written but are not what the
// row says of the item.
namespace TaskWrites {
enum class Written { Content, StampOnly };
template <typename T>
struct Column {
    constexpr Column(const char* columnName, T Task::*field, Written written = Written::Content)
        : name(columnName), member(field), kind(written)
    {
    }
    const char* name;
    T Task::*member;
    Written kind;
};
}  // namespace TaskWrites

struct Task::WrittenColumns {
    using Written = TaskWrites::Written;
    static constexpr auto list = std::make_tuple(
        TaskWrites::Column{"taskType", &Task::m_taskType},
        TaskWrites::Column{"isADE", &Task::m_isADE},
        TaskWrites::Column{"taskName", &Task::m_taskName},
        TaskWrites::Column{"taskLocation", &Task::m_taskLocation},
        TaskWrites::Column{"startTime", &Task::m_startTime},
        TaskWrites::Column{"endTime", &Task::m_endTime},
        TaskWrites::Column{"dueEnd", &Task::m_dueEnd},
        TaskWrites::Column{"dateUpdate", &Task::m_dateUpdate, Written::StampOnly},
        TaskWrites::Column{"completedDate", &Task::m_completedDate},
        TaskWrites::Column{"hasDue", &Task::m_hasDue},
        TaskWrites::Column{"taskOrder", &Task::m_taskOrder},
        TaskWrites::Column{"repeatType", &Task::m_repeatType},
        TaskWrites::Column{"repeatStartDate", &Task::m_repeatStartDate},
        TaskWrites::Column{"repeatEndDate", &Task::m_repeatEndDate},
        TaskWrites::Column{"repeatOptions", &Task::m_repeatOptions},
        TaskWrites::Column{"repeatExceptions", &Task::m_repeatExceptions},
        TaskWrites::Column{"isRepeatForever", &Task::m_isRepeatForever},
        TaskWrites::Column{"duration", &Task::m_duration},
        TaskWrites::Column{"calendarId", &Task::m_calendarId},
        TaskWrites::Column{"parentId", &Task::m_parentId},
        TaskWrites::Column{"isInitialTask", &Task::m_isInitialTask},
        TaskWrites::Column{"alertValues", &Task::m_alertValues},
        TaskWrites::Column{"hasDuration", &Task::m_hasDuration},
        TaskWrites::Column{"isPinned", &Task::m_isPinned},
        TaskWrites::Column{"iCalIdentifier", &Task::m_iCalUID},
        TaskWrites::Column{"builtIn", &Task::m_builtIn},
        TaskWrites::Column{"isHidden", &Task::m_isHidden},
        TaskWrites::Column{"taskRepeatStyle", &Task::m_taskRepeatStyle},
        TaskWrites::Column{"zvwID", &Task::m_zvwID},
        TaskWrites::Column{"lastUpdate", &Task::m_lastUpdate},
        TaskWrites::Column{"status", &Task::m_status},
        TaskWrites::Column{"url", &Task::m_url},
        TaskWrites::Column{"occurrence", &Task::m_occurrence},
        TaskWrites::Column{"tagList", &Task::m_tagList},
        TaskWrites::Column{"hasChanges", &Task::m_hasChanges, Written::StampOnly},
        TaskWrites::Column{"notes", &Task::m_notes},
        TaskWrites::Column{"isShared", &Task::m_isShared},
        TaskWrites::Column{"tz", &Task::m_tz},
        TaskWrites::Column{"stask", &Task::m_isSheduledTask},
        TaskWrites::Column{"assigneeEmail", &Task::m_assigneeEmail},
        TaskWrites::Column{"delegateStatus", &Task::m_delegateStatus},
        TaskWrites::Column{"delegateDate", &Task::m_delegateDate},
        TaskWrites::Column{"fileZoneClock", &Task::m_heldInFileZone});
    static constexpr int count = int(std::tuple_size_v<decltype(list)>);

    template <typename Visit>
    static void forEach(Visit&& visit)
    {
        std::apply([&visit](const auto&... each) { (visit(each), ...); }, list);
    }
    // "name=?, ..." for the update, "name, ..." for the insert.
    static QByteArray names(const char* suffix)
    {
        QByteArray text;
        forEach([&](const auto& each) {
            if (!text.isEmpty()) text += ", ";
            text += each.name;
            text += suffix;
        });
        return text;
    }
    static QByteArray updateSql() { return "UPDATE Tasks SET " + names("=?") + " WHERE primaryKey=?"; }
    static QByteArray insertSql()
    {
        QByteArray places = "?";
        for (int i = 1; i < count; ++i) places += ", ?";
        return "INSERT INTO Tasks (" + names("") + ") VALUES (" + places + ")";
    }
};

namespace {

void bindWrittenValue(sqlite3_stmt* statement, int index, qint64 value) { RecordStore::bindInt64(statement, index, value); }
void bindWrittenValue(sqlite3_stmt* statement, int index, bool value) { RecordStore::bindInt64(statement, index, value ? 1 : 0); }
void bindWrittenValue(sqlite3_stmt* statement, int index, const QString& value) { RecordStore::bindText(statement, index, value); }
void bindWrittenValue(sqlite3_stmt* statement, int index, const Date& value) { RecordStore::bindDate(statement, index, value); }

// The columns readColumns reads, in its order. A statement of many rows
// carries the key after them.
constexpr char rowColumns[] =
    "taskType, isADE, taskName, taskLocation, startTime, endTime, dueEnd, dateUpdate, completedDate, "
    "hasDue, taskOrder, repeatType, repeatStartDate, repeatEndDate, repeatOptions, repeatExceptions, "
    "isRepeatForever, hasDuration, duration, calendarId, parentId, isInitialTask, isPinned, alertValues, "
    "iCalIdentifier, builtIn, isHidden, taskRepeatStyle, zvwID, lastUpdate, status, url, occurrence, tagList, "
    "hasChanges, notes, isShared, tz, stask, assigneeEmail, delegateStatus, delegateDate, fileZoneClock";
constexpr int rowKeyColumn = 43;
// The short coded texts of a row, which rows often share with the one before:
// location, repeat options and exceptions, alerts, link, tags, assignee.
constexpr std::array<int, 7> repeatedTextColumns{3, 14, 15, 23, 31, 33, 39};

CachedStatement taskInsertStatement("INSERT INTO Tasks (taskOrder) VALUES (?)");
// Asked before every insert: preparing it each time cost more than the
// insert's own writes in a large import.
CachedStatement taskMaxOrderStatement("SELECT max(taskOrder) FROM Tasks");

// The same answer as CoreData::getMaxOrderOfTasks (0 for an empty table),
// from a statement prepared once.
qint64 maxStoredTaskOrder()
{
    sqlite3_stmt* statement = taskMaxOrderStatement.get();
    if (!statement) return 0;
    StatementReset reset(statement);
    if (sqlite3_step(statement) != SQLITE_ROW) return 0;
    return sqlite3_column_int64(statement, 0);
}

// Defined before the slot that keeps a pointer to its text.
const QByteArray selectSql = Task::selectRowsSql("WHERE primaryKey=?");
CachedStatement taskSelectStatement(selectSql.constData());
CachedStatement taskDeleteStatement("DELETE FROM Tasks WHERE primaryKey=?");
// The SET list does not follow the SELECT's order from duration to isPinned.
const QByteArray updateSql = Task::WrittenColumns::updateSql();
CachedStatement taskUpdateStatement(updateSql.constData());
constexpr int taskUpdateKeyIndex = Task::WrittenColumns::count + 1;
CachedStatement taskWebAnswerStatement(
    "UPDATE Tasks SET dateUpdate=?, taskOrder=?, zvwID=?, lastUpdate=?, hasChanges=? WHERE primaryKey=?");
// The change mark goes along, as a write of the whole row would take it.
CachedStatement taskStoreLinkStatement(
    "UPDATE Tasks SET dateUpdate=?, iCalIdentifier=?, occurrence=?, hasChanges=? WHERE primaryKey=?");
// A new row whole, its columns bound as for the update above: an insert of
// the order alone followed by the update wrote every new row twice.
const QByteArray insertWholeSql = Task::WrittenColumns::insertSql();
CachedStatement taskInsertWholeStatement(insertWholeSql.constData());
// Needed only when an item is deleted.
constexpr const char* markLinksRemovedSql = "UPDATE Links SET status=?, updatedDate=? WHERE rootId=? OR targetId=?";

constexpr qint64 linkStatusRemoved = 1;

qint64 defaultTaskMinutes()
{
    const SettingPtr setting = localSetting();
    return setting ? setting->durationDefTaskVal() : 0;
}

qint64 defaultEventMinutes()
{
    const SettingPtr setting = localSetting();
    return setting ? setting->durationDefEventVal() : 0;
}

// The end of the working hours on the date's weekday, on that day.
Date workingEndOfDay(const Date& day)
{
    const SettingPtr setting = localSetting();
    const QString endKey = Setting::dayManagerKeys().value(Utilities::getWeekday(day) + 6);
    const qint64 minutes = setting ? setting->dayManagers().value(endKey).toLongLong() : 0;
    return Utilities::newDateOnDate(day, minutes / 60, minutes % 60);
}

bool isLineBreak(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 0x000A && u <= 0x000D) || u == 0x0085 || u == 0x2028 || u == 0x2029;
}

QString trimmedLineBreaks(const QString& text)
{
    if (text.isNull()) return text;
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && isLineBreak(text.at(first))) ++first;
    while (last > first && isLineBreak(text.at(last - 1))) --last;
    return text.mid(first, last - first);
}

QString cleanedUrl(const QString& url)
{
    if (url.isNull()) return url;
    return QString(url).replace(QStringLiteral("%20"), QStringLiteral(" ")).trimmed();
}

QString withoutCheckMarks(QString line)
{
    return line.remove(QChar(0x2705)).remove(QChar(0x274E));
}

Date inWholeSeconds(const Date& date)
{
    if (date.isNull()) return date;
    const DateFields f = GregorianCalendar::fields(date);
    return GregorianCalendar::dateFromFields(f.year, f.month, f.day, f.hour, f.minute, f.second);
}

}  // namespace

using namespace RecordStore;

// ---- defaults and load ---------------------------------------------------------

Task::Task()
{
    setPrimaryKey(newItemKey);
    setTaskType(ItemKind::Task);
    setIsADE(0);
    setTaskName(QStringLiteral(""));
    setTaskLocation(QStringLiteral(""));
    setStartTime(Utilities::roundTo15MinutesForCurrentDate());
    setEndTime(Utilities::newDateFromDate(m_startTime, double(defaultEventMinutes() * 60)));
    setDueEnd(workingEndOfDay(m_startTime));
    setDateUpdate(Clock::now());
    setCompletedDate(Date::dateWithTimeIntervalSince1970(0));
    setHasDue(0);
    setTaskOrder(0);
    setStatus(0);
    setUrl(QStringLiteral(""));
    setTagList(QStringLiteral(""));
    setRepeatType(0);
    setRepeatStartDate(m_startTime);
    setRepeatEndDate(m_endTime);
    setRepeatOptions(QStringLiteral("1//0"));
    setRepeatExceptions(QStringLiteral(""));
    setIsRepeatForever(1);
    setHasDuration(1);
    setDuration(defaultTaskMinutes());
    const SettingPtr setting = localSetting();
    setCalendarId(setting ? setting->calendarDefID() : 0);
    setParentId(-1);
    setIsInitialTask(0);
    setIsPinned(0);
    setAlertValues(QStringLiteral(""));
    setBuiltIn(0);
    setTaskRepeatStyle(0);
    setZvwID(0);
    setLastUpdate(0);
    setICalUID(QStringLiteral(""));
    // The notes and the delegation date below count as changes again, so a
    // new item always reaches the web service.
    setHasChanges(0);
    setNotes(QStringLiteral(""));
    setIsShared(false);
    setIsSheduledTask(false);
    setDelegateStatus(0);
    setAssigneeEmail(QString());
    setDelegateDate(Date::dateWithTimeIntervalSince1970(0));
    setTz(setting ? setting->currentTZ() : 0);
}

TaskRowContext::TaskRowContext(const Date& now) : m_dates(now) {}

bool TaskRowContext::isChecklistCategory(qint64 calendarId)
{
    const auto known = m_checklistCategories.constFind(calendarId);
    if (known != m_checklistCategories.cend()) return *known;
    const CoreData* dataManager = CoreData::shared();
    const CalendarPtr category = dataManager ? dataManager->calendarWithPrimaryKey(calendarId) : nullptr;
    const bool checklist = category && category->projectType() == CategoryKind::Checklist;
    m_checklistCategories.insert(calendarId, checklist);
    return checklist;
}

QString TaskRowContext::repeatedText(sqlite3_stmt* statement, int column)
{
    // Each coded column has a slot of its own; any other column shares the last.
    const auto known = std::find(repeatedTextColumns.begin(), repeatedTextColumns.end(), column);
    const auto slot = std::min<size_t>(size_t(known - repeatedTextColumns.begin()), m_lastTexts.size() - 1);
    LastText& last = m_lastTexts[slot];
    const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
    const int length = sqlite3_column_bytes(statement, column);
    if (!bytes) return QStringLiteral("");
    if (last.column == column && last.length == length && std::memcmp(last.bytes, bytes, size_t(length)) == 0)
        return last.text;
    QString text = QString::fromUtf8(bytes, length);
    if (length <= int(sizeof(last.bytes))) {
        last.column = column;
        last.length = length;
        std::memcpy(last.bytes, bytes, size_t(length));
        last.text = text;
    }
    return text;
}

TaskPtr Task::initWithPrimaryKey(qint64 key, sqlite3*)
{
    RecordGuard guard;
    sqlite3_stmt* statement = taskSelectStatement.get();
    StatementReset reset(statement);
    bindInt64(statement, 1, key);
    if (RecordStore::step(statement) == SQLITE_ROW) return fromRow(statement);
    auto item = std::make_shared<Task>(BaseInit{});
    item->m_primaryKey = key;
    return item;
}

TaskPtr Task::storedWithPrimaryKey(qint64 key)
{
    RecordGuard guard;
    sqlite3_stmt* statement = taskSelectStatement.get();
    StatementReset reset(statement);
    bindInt64(statement, 1, key);
    return RecordStore::step(statement) == SQLITE_ROW ? fromRow(statement) : nullptr;
}

QByteArray Task::selectRowsSql(const QByteArray& condition)
{
    return QByteArray("SELECT ") + rowColumns + ", primaryKey FROM Tasks " + condition;
}

TaskPtr Task::fromRow(sqlite3_stmt* statement)
{
    TaskRowContext context(Clock::now());
    return fromRow(statement, context);
}

TaskPtr Task::fromRow(sqlite3_stmt* statement, TaskRowContext& context)
{
    auto item = std::make_shared<Task>(BaseInit{});
    // The key comes first: the setters treat an item with the new-item key
    // differently (a row with that key goes through them as well).
    item->m_primaryKey = columnInt64(statement, rowKeyColumn);
    if (item->m_primaryKey == newItemKey)
        item->readColumnsThroughSetters(statement, context);
    else
        item->readStoredColumns(statement, context);
    item->m_dirty = false;
    return item;
}

TaskPtr Task::fromRowThroughSetters(sqlite3_stmt* statement, TaskRowContext& context)
{
    auto item = std::make_shared<Task>(BaseInit{});
    item->m_primaryKey = columnInt64(statement, rowKeyColumn);
    item->readColumnsThroughSetters(statement, context);
    item->m_dirty = false;
    return item;
}

TaskPtr Task::fromRowOverDefaults(sqlite3_stmt* statement)
{
    auto item = std::make_shared<Task>();
    item->setPrimaryKey(columnInt64(statement, rowKeyColumn));
    TaskRowContext context(Clock::now());
    item->readColumnsThroughSetters(statement, context);
    return item;
}

// Through the setters in column order: the series start takes the time of
// the start or due time read before it, and the notes (never NULL once read)
// mark the item changed for the web service.
void Task::readColumnsThroughSetters(sqlite3_stmt* statement, TaskRowContext& context)
{
    const auto columnDate = [&context](sqlite3_stmt* row, int column) {
        return RecordStore::columnDate(row, column, context.dates());
    };
    setTaskType(columnInt64(statement, 0));
    setIsADE(columnInt64(statement, 1));
    setTaskName(columnText(statement, 2));
    setTaskLocation(context.repeatedText(statement, 3));
    setStartTime(columnDate(statement, 4));
    setEndTime(columnDate(statement, 5));
    setDueEnd(columnDate(statement, 6));
    setDateUpdate(columnDate(statement, 7));
    setCompletedDate(columnDate(statement, 8));
    setHasDue(columnInt64(statement, 9));
    setTaskOrder(columnInt64(statement, 10));
    setRepeatType(columnInt64(statement, 11));
    setRepeatStartDate(columnDate(statement, 12));
    setRepeatEndDate(columnDate(statement, 13));
    setRepeatOptions(context.repeatedText(statement, 14));
    setRepeatExceptions(context.repeatedText(statement, 15));
    setIsRepeatForever(columnInt64(statement, 16));
    setHasDuration(columnInt64(statement, 17));
    setDuration(columnInt64(statement, 18));
    // As setCalendarId, with the category's kind asked of the context.
    if (store(m_calendarId, columnInt64(statement, 19), WebKept::Yes) && context.isChecklistCategory(m_calendarId))
        setTaskType(ItemKind::ChecklistItem);
    setParentId(columnInt64(statement, 20));
    setIsInitialTask(columnInt64(statement, 21));
    setIsPinned(columnInt64(statement, 22));
    setAlertValues(context.repeatedText(statement, 23));
    setICalUID(columnText(statement, 24));
    setBuiltIn(columnInt64(statement, 25));
    setIsHidden(columnInt64(statement, 26));
    setTaskRepeatStyle(columnInt64(statement, 27));
    setZvwID(columnInt64(statement, 28));
    setLastUpdate(columnInt64(statement, 29));
    setStatus(columnInt64(statement, 30));
    setUrl(context.repeatedText(statement, 31));
    setOccurrence(columnDate(statement, 32));
    setTagList(context.repeatedText(statement, 33));
    setHasChanges(columnInt64(statement, 34));
    setNotes(columnText(statement, 35));
    setIsShared(columnInt64(statement, 36) != 0);
    setTz(columnInt64(statement, 37));
    setIsSheduledTask(columnInt64(statement, 38) != 0);
    setAssigneeEmail(context.repeatedText(statement, 39));
    setDelegateStatus(columnInt64(statement, 40));
    setDelegateDate(columnDate(statement, 41));
    setHeldInFileZone(columnInt64(statement, 42) != 0);
}

// Straight into the fields of a record made empty (every text null, every
// date null, every number 0), giving what readColumnsThroughSetters gives:
// each setter there finds a change (a null text or date always differs from
// a read one; a number equal to 0 stays 0 either way), so only the setters'
// own rules remain, in the same order:
// - the title loses line breaks at its ends, the link its "%20" and blanks;
// - the series end is kept in whole seconds;
// - the start seeds the series start at the start's day, before the due
//   time is read; the stored series start replaces that unless it is the
//   very same date, and is then put at the item's own time of day;
// - a checklist category (a key other than 0) makes the item a checklist
//   item;
// - the notes, never NULL once read, mark the item changed for the web
//   service whatever the stored mark says.
void Task::readStoredColumns(sqlite3_stmt* statement, TaskRowContext& context)
{
    const StoredDateReader& dates = context.dates();
    const auto date = [statement, &dates](int column) { return RecordStore::columnDate(statement, column, dates); };
    m_taskType = columnInt64(statement, 0);
    m_isADE = columnInt64(statement, 1);
    m_taskName = trimmedLineBreaks(columnText(statement, 2));
    m_taskLocation = context.repeatedText(statement, 3);
    m_startTime = date(4);
    m_repeatStartDate = seriesStartOn(m_startTime);
    m_endTime = date(5);
    m_dueEnd = date(6);
    m_dateUpdate = date(7);
    m_completedDate = date(8);
    m_hasDue = columnInt64(statement, 9);
    m_taskOrder = columnInt64(statement, 10);
    m_repeatType = columnInt64(statement, 11);
    if (const Date seriesStart = date(12); isChange(m_repeatStartDate, seriesStart))
        m_repeatStartDate = seriesStartOn(seriesStart);
    m_repeatEndDate = inWholeSeconds(date(13));
    m_repeatOptions = context.repeatedText(statement, 14);
    m_repeatExceptions = context.repeatedText(statement, 15);
    m_isRepeatForever = columnInt64(statement, 16);
    m_hasDuration = columnInt64(statement, 17);
    m_duration = columnInt64(statement, 18);
    m_calendarId = columnInt64(statement, 19);
    if (m_calendarId != 0 && context.isChecklistCategory(m_calendarId)) m_taskType = ItemKind::ChecklistItem;
    m_parentId = columnInt64(statement, 20);
    m_isInitialTask = columnInt64(statement, 21);
    m_isPinned = columnInt64(statement, 22);
    m_alertValues = context.repeatedText(statement, 23);
    m_iCalUID = columnText(statement, 24);
    m_builtIn = columnInt64(statement, 25);
    m_isHidden = columnInt64(statement, 26);
    m_taskRepeatStyle = columnInt64(statement, 27);
    m_zvwID = columnInt64(statement, 28);
    m_lastUpdate = columnInt64(statement, 29);
    m_status = columnInt64(statement, 30);
    m_url = cleanedUrl(context.repeatedText(statement, 31));
    m_occurrence = date(32);
    m_tagList = context.repeatedText(statement, 33);
    m_notes = columnText(statement, 35);
    m_hasChanges = 1;
    m_isShared = columnInt64(statement, 36) != 0;
    m_tz = columnInt64(statement, 37);
    m_isSheduledTask = columnInt64(statement, 38) != 0;
    m_assigneeEmail = context.repeatedText(statement, 39);
    m_delegateStatus = columnInt64(statement, 40);
    m_delegateDate = date(41);
    m_heldInFileZone = columnInt64(statement, 42) != 0;
}

void Task::bindColumns(sqlite3_stmt* statement) const
{
    int index = 0;
    WrittenColumns::forEach([&](const auto& column) { bindWrittenValue(statement, ++index, this->*column.member); });
}

bool Task::sameRowAs(const Task& other) const
{
    bool same = m_primaryKey == other.m_primaryKey;
    WrittenColumns::forEach([&](const auto& column) {
        if (column.kind == WrittenColumns::Written::Content) same = same && this->*column.member == other.*column.member;
    });
    return same;
}

// ---- insert and write ---------------------------------------------------------

bool Task::insertIntoDatabase(sqlite3*)
{
    RecordGuard guard;
    keepForUndo();
    const CoreData* dataManager = CoreData::shared();
    setTaskOrder((dataManager ? maxStoredTaskOrder() : 0) + 1);
    sqlite3_stmt* statement = taskInsertStatement.get();
    StatementReset reset(statement);
    bindInt64(statement, 1, m_taskOrder);
    if (!stepDone(statement, insertErrorText)) return false;
    takeKey(sqlite3_last_insert_rowid(sharedDatabase()));
    return true;
}

bool Task::insertIntoDatabaseNoUpdate(sqlite3* database)
{
    return insertIntoDatabase(database);
}

// The row and its columns go in as one unit: a crash or a failed write in
// between must never leave a blank row that a sync would push.
bool Task::insertAndDehydrate()
{
    Transaction transaction;
    if (!transaction.isOpen()) return false;
    bool written = false;
    {
        RecordGuard guard;
        keepForUndo();
        const CoreData* dataManager = CoreData::shared();
        setTaskOrder((dataManager ? maxStoredTaskOrder() : 0) + 1);
        // A record with nothing to write gets the row of its order alone,
        // as an insert followed by a save that finds nothing changed.
        if (m_dirty) {
            setDateUpdate(Clock::now());
            sqlite3_stmt* statement = taskInsertWholeStatement.get();
            StatementReset reset(statement);
            bindColumns(statement);
            if (!stepDone(statement, insertErrorText)) return false;
            takeKey(sqlite3_last_insert_rowid(sharedDatabase()));
            m_dirty = false;
            written = true;
        }
    }
    if (!written && !insertIntoDatabase()) return false;
    if (written)
        if (const SettingPtr setting = localSetting())
            setting->setLastUpdateWork(qint64(std::floor(Clock::now().timeIntervalSince1970())));
    if (belongsInWorkingList()) {
        if (iCalSync::listRecordsOnMainThread()) {
            // The lists are the main thread's: a store job's new row joins
            // them there once it is committed, before what the job hands
            // over after it (a move to the top of today's tasks).
            Transaction::toMainThreadAfterCommit([written = shared_from_this()] {
                if (CoreData* dataManager = CoreData::shared())
                    dataManager->doWithAllTasksEventsAdes(TaskList{written}, ListAction::Add);
            });
        } else {
            CoreData::shared()->doWithAllTasksEventsAdes(TaskList{shared_from_this()}, ListAction::Add);
        }
    }
    return transaction.commit();
}

// A write inside a command's unit can still be undone: the record's state
// before it comes back with the rows.
void Task::keepForUndo()
{
    if (Transaction::current())
        if (const TaskPtr self = weak_from_this().lock()) Transaction::keepInCurrent(self);
}

// A new item joins the working list only where the views would show it: its
// category is visible, the tag filter lets it through, and a task starting
// after today is not hidden by "active tasks only".
bool Task::belongsInWorkingList() const
{
    const CoreData* dataManager = CoreData::shared();
    if (!dataManager) return false;
    const CalendarPtr category = dataManager->calendarWithPrimaryKey(m_calendarId);
    if (category && category->inVisible() != 0) return false;
    const QString categoryTags = category ? category->tagList() : QString();
    if (dataManager->isAppliedTagFilter()
        && !CoreData::passesTagFilter(categoryTags, m_tagList, dataManager->getShowTag()))
        return false;
    const SettingPtr setting = dataManager->currentSetting();
    const bool activeTasksOnly = setting && setting->showActiveTaskOnly() != 0;
    return !(m_taskType == ItemKind::Task && activeTasksOnly
             && Utilities::compareDateNoTime(m_startTime, Clock::now()) == 1);
}

bool Task::dehydrate()
{
    return dehydrateUpdateOption(true);
}

bool Task::dehydrateUpdateOption(bool updateList)
{
    {
        RecordGuard guard;
        // Generated occurrences and items never inserted have no row.
        if (!m_dirty || m_primaryKey < 0) return true;
        keepForUndo();
        if (!writeRow()) return false;
        m_dirty = false;
    }
    if (updateList) refreshListEntry();
    if (const SettingPtr setting = localSetting())
        setting->setLastUpdateWork(qint64(std::floor(Clock::now().timeIntervalSince1970())));
    return true;
}

bool Task::dehydrateWebAnswer(bool updateList)
{
    {
        RecordGuard guard;
        if (!m_dirty || m_primaryKey < 0) return true;
        keepForUndo();
        setDateUpdate(Clock::now());
        sqlite3_stmt* statement = taskWebAnswerStatement.get();
        StatementReset reset(statement);
        bindDate(statement, 1, m_dateUpdate);
        bindInt64(statement, 2, m_taskOrder);
        bindInt64(statement, 3, m_zvwID);
        bindInt64(statement, 4, m_lastUpdate);
        bindInt64(statement, 5, m_hasChanges);
        bindInt64(statement, 6, m_primaryKey);
        if (!stepDone(statement, dehydrateErrorText)) return false;
        m_dirty = false;
    }
    if (updateList) refreshListEntry();
    if (const SettingPtr setting = localSetting())
        setting->setLastUpdateWork(qint64(std::floor(Clock::now().timeIntervalSince1970())));
    return true;
}

bool Task::storeICalLink(const QString& uid, const Date& occurrence, bool updateList)
{
    const bool wasClean = !m_dirty;
    setICalUID(uid);
    setOccurrence(occurrence);
    if (!wasClean) {
        if (!dehydrateUpdateOption(updateList)) return false;
        // The record a store job's copy was taken of takes the link as well.
        if (updateList) refreshListLink();
        return true;
    }
    {
        RecordGuard guard;
        if (!m_dirty || m_primaryKey < 0) return true;
        keepForUndo();
        setDateUpdate(Clock::now());
        sqlite3_stmt* statement = taskStoreLinkStatement.get();
        StatementReset reset(statement);
        bindDate(statement, 1, m_dateUpdate);
        bindText(statement, 2, m_iCalUID);
        bindDate(statement, 3, m_occurrence);
        bindInt64(statement, 4, m_hasChanges);
        bindInt64(statement, 5, m_primaryKey);
        if (!stepDone(statement, dehydrateErrorText)) return false;
        m_dirty = false;
    }
    if (updateList) refreshListLink();
    if (const SettingPtr setting = localSetting())
        setting->setLastUpdateWork(qint64(std::floor(Clock::now().timeIntervalSince1970())));
    return true;
}

bool Task::writeRow()
{
    setDateUpdate(Clock::now());
    sqlite3_stmt* statement = taskUpdateStatement.get();
    StatementReset reset(statement);
    bindColumns(statement);
    bindInt64(statement, taskUpdateKeyIndex, m_primaryKey);
    return stepDone(statement, dehydrateErrorText);
}

// An editor's working copy or a sync's row is written on its own; the object
// the views show is the list's, so it takes the written content.
//
// The list's records are the main thread's: a calendar-store job's write
// hands them the content on the main queue once kept, never writes into them
// itself.
// (The web sync still refreshes them from its queue; it waits for nothing
// the main thread does.)
void Task::refreshListEntry() const
{
    if (iCalSync::listRecordsOnMainThread()) {
        Transaction::toMainThreadAfterCommit([written = copy()] {
            const CoreData* dataManager = CoreData::shared();
            if (!dataManager) return;
            for (const TaskPtr& entry : dataManager->allTasksEventsAdes())
                if (entry->primaryKey() == written->primaryKey()) return entry->copyContentOfTask(*written);
        });
        return;
    }
    const CoreData* dataManager = CoreData::shared();
    if (!dataManager) return;
    for (const TaskPtr& entry : dataManager->allTasksEventsAdes()) {
        if (entry.get() == this || entry->primaryKey() != m_primaryKey) continue;
        Transaction::keepInCurrent(entry);
        entry->copyContentOfTask(*this);
        return;
    }
}

// A written link alone: the rest of the listed record may have changed since
// the job's copy was taken, and the row holds the link as written, so the
// record takes it without turning dirty.
void Task::refreshListLink() const
{
    const auto apply = [key = m_primaryKey, uid = m_iCalUID, occurrence = m_occurrence, origin = m_storeOrigin] {
        // The record the job's snapshot was taken of (an editor's, say) too.
        if (const TaskPtr record = origin.lock(); record && record->m_primaryKey == key) {
            record->m_iCalUID = uid;
            record->m_occurrence = occurrence;
        }
        const CoreData* dataManager = CoreData::shared();
        if (!dataManager) return;
        for (const TaskPtr& entry : dataManager->allTasksEventsAdes()) {
            if (entry->primaryKey() != key) continue;
            entry->m_iCalUID = uid;
            entry->m_occurrence = occurrence;
            return;
        }
    };
    if (iCalSync::listRecordsOnMainThread())
        Transaction::toMainThreadAfterCommit(apply);
    else
        apply();
}

// ---- delete --------------------------------------------------------------------

bool Task::deleteFromDatabase()
{
    Transaction transaction;
    if (!transaction.isOpen() || !deleteRowAndMarkLinks()) return false;
    clearCopiedItem();
    removeFromWorkingList();
    return transaction.commit();
}

bool Task::deleteFromDatabaseNoUpdate()
{
    Transaction transaction;
    if (!transaction.isOpen() || !deleteRowAndMarkLinks()) return false;
    clearCopiedItem();
    return transaction.commit();
}

// The row and the marks on its links go together: a link left active on a
// deleted item would be sent to the web service as a live one.
bool Task::deleteRowAndMarkLinks()
{
    Transaction transaction;
    return transaction.isOpen() && deleteRow() && markLinksRemoved() && transaction.commit();
}

bool Task::deleteRow()
{
    sqlite3_stmt* statement = taskDeleteStatement.get();
    StatementReset reset(statement);
    bindInt64(statement, 1, m_primaryKey);
    return stepDone(statement, deleteErrorText);
}

// The rows stay, marked removed, until the web sync has told the server.
bool Task::markLinksRemoved() const
{
    OneOffStatement update(markLinksRemovedSql);
    sqlite3_stmt* statement = update.get();
    bindInt64(statement, 1, linkStatusRemoved);
    bindDate(statement, 2, Clock::now());
    bindInt64(statement, 3, m_primaryKey);
    bindInt64(statement, 4, m_primaryKey);
    return stepDone(statement, dehydrateErrorText);
}

// An occurrence on the pasteboard stands for its series.
void Task::clearCopiedItem() const
{
    CoreData* dataManager = CoreData::shared();
    if (!dataManager) return;
    const TaskPtr copied = dataManager->copiedItem();
    if (!copied) return;
    const bool isOccurrence = copied->primaryKey() <= 0 && copied->repeatType() != 0;
    const qint64 copiedKey = isOccurrence ? copied->parentId() : copied->primaryKey();
    if (copiedKey == m_primaryKey) dataManager->setCopiedItem(nullptr);
}

void Task::removeFromWorkingList() const
{
    CoreData* dataManager = CoreData::shared();
    if (!dataManager) return;
    // A stored row's entries by key, in place: a loop over a copy of the
    // list that removed from it would make the list copy itself whole at
    // each deletion.
    if (m_primaryKey > 0) {
        dataManager->dropFromWorkingList({m_primaryKey});
        return;
    }
    TaskPtr listed;
    for (const TaskPtr& entry : dataManager->allTasksEventsAdes()) {
        if (entry->primaryKey() != m_primaryKey) continue;
        listed = entry;
        break;
    }
    if (listed) dataManager->doWithAllTasksEventsAdes(TaskList{listed}, ListAction::Remove);
}

void Task::finalizeStatements()
{
    taskInsertStatement.finalize();
    taskMaxOrderStatement.finalize();
    taskInsertWholeStatement.finalize();
    taskSelectStatement.finalize();
    taskDeleteStatement.finalize();
    taskUpdateStatement.finalize();
    taskWebAnswerStatement.finalize();
    taskStoreLinkStatement.finalize();
}

// ---- setters ---------------------------------------------------------------------

void Task::markChanged(WebKept webKept)
{
    m_dirty = true;
    if (webKept == WebKept::Yes) m_hasChanges = 1;
}

template <class T>
bool Task::store(T& field, const T& value, WebKept webKept)
{
    if (!assignIfChanged(field, value)) return false;
    markChanged(webKept);
    return true;
}

void Task::setPrimaryKey(qint64 key)
{
    takeKey(key);
    m_dirty = true;
}

// The key is written before the mark is read, and the list sets the mark
// before it reads the key: a record joining the list as its key changes is
// seen by one side or the other. An unchanged key is not written again: the
// calendar-store worker finds listed records by key while the main thread
// copies a written row's content into them.
void Task::takeKey(qint64 key)
{
    if (key == m_primaryKey) return;
    m_primaryKey = key;
    std::atomic_thread_fence(std::memory_order_seq_cst);
    if (m_listed.isSet()) ListedMark::countKeyChange();
}

namespace {
std::atomic<quint64> listedKeyChanges{0};
}  // namespace

ListedMark& ListedMark::operator=(const ListedMark&)
{
    // The record stays what it was, listed or not; the assignment of a
    // listed one may have brought another key.
    if (isSet()) countKeyChange();
    return *this;
}

namespace {
std::atomic<quint64> topMarksChanged{0};
}  // namespace

quint64 Task::topMarkChanges()
{
    return topMarksChanged.load(std::memory_order_relaxed);
}

void Task::countTopMarkChange()
{
    topMarksChanged.fetch_add(1, std::memory_order_relaxed);
}

quint64 ListedMark::keyChanges()
{
    return listedKeyChanges.load();
}

void ListedMark::countKeyChange()
{
    listedKeyChanges.fetch_add(1);
}

void Task::setTaskType(qint64 type)
{
    if (!store(m_taskType, type, WebKept::Yes) || m_primaryKey != newItemKey) return;
    if (type == ItemKind::Task) {
        setDuration(defaultTaskMinutes());
        return;
    }
    setDuration(defaultEventMinutes());
    setEndTime(Utilities::newDateFromDate(m_startTime, double(m_duration * 60)));
}

void Task::setStartTime(const Date& date)
{
    if (!store(m_startTime, date, WebKept::Yes)) return;
    // A start in 1970 is a start not yet known; a series made from it must
    // begin again with the real one.
    if (m_repeatStartDate.isNull() || Utilities::getYear(date) == 1970) setRepeatStartDate(date);
}

void Task::setRepeatStartDate(const Date& date)
{
    if (!isChange(m_repeatStartDate, date)) return;
    m_repeatStartDate = seriesStartOn(date);
    markChanged(WebKept::No);
}

// A series starts on the given day at the item's own time of day: the due
// time of a task, the start of anything else. While that time is still
// unset (a new item or a load seeds the series start from its first start)
// the missing fields carry back into the day before; the real series start
// assigned afterwards always differs from that and replaces it.
Date Task::seriesStartOn(const Date& day) const
{
    if (day.isNull()) return day;
    const Date& clock = m_taskType == ItemKind::Task ? m_dueEnd : m_startTime;
    // An unset time reads as hour, minute and second -1 each.
    constexpr qint64 unsetTime = -3600 - 60 - 1;
    return GregorianCalendar::dateOnDayOf(day, clock.isNull() ? unsetTime : GregorianCalendar::secondsIntoDay(clock));
}

void Task::setRepeatEndDate(const Date& date)
{
    if (!isChange(m_repeatEndDate, date)) return;
    m_repeatEndDate = inWholeSeconds(date);
    markChanged(WebKept::Yes);
}

void Task::setCalendarId(qint64 key)
{
    if (!store(m_calendarId, key, WebKept::Yes)) return;
    const CoreData* dataManager = CoreData::shared();
    const CalendarPtr category = dataManager ? dataManager->calendarWithPrimaryKey(key) : nullptr;
    if (category && category->projectType() == CategoryKind::Checklist) setTaskType(ItemKind::ChecklistItem);
}

void Task::setTaskName(const QString& name)
{
    if (!isChange(m_taskName, name)) return;
    m_taskName = trimmedLineBreaks(name);
    markChanged(WebKept::Yes);
}

void Task::setUrl(const QString& url)
{
    if (!isChange(m_url, url)) return;
    m_url = cleanedUrl(url);
    markChanged(WebKept::Yes);
}

void Task::setRepeatExceptions(const QString& exceptions)
{
    store(m_repeatExceptions, exceptions.isNull() ? QStringLiteral("") : exceptions, WebKept::Yes);
}

void Task::setIsADE(qint64 flag) { store(m_isADE, flag, WebKept::Yes); }
void Task::setTaskLocation(const QString& location) { store(m_taskLocation, location, WebKept::Yes); }
void Task::setEndTime(const Date& date) { store(m_endTime, date, WebKept::Yes); }
void Task::setDueEnd(const Date& date) { store(m_dueEnd, date, WebKept::Yes); }
void Task::setDateUpdate(const Date& date) { store(m_dateUpdate, date, WebKept::No); }
void Task::setCompletedDate(const Date& date) { store(m_completedDate, date, WebKept::Yes); }
void Task::setHasDue(qint64 flag) { store(m_hasDue, flag, WebKept::Yes); }
void Task::setTaskOrder(qint64 order) { store(m_taskOrder, order, WebKept::Yes); }
void Task::setRepeatType(qint64 type) { store(m_repeatType, type, WebKept::Yes); }
void Task::setRepeatOptions(const QString& options) { store(m_repeatOptions, options, WebKept::Yes); }
void Task::setIsRepeatForever(qint64 flag) { store(m_isRepeatForever, flag, WebKept::Yes); }
void Task::setHasDuration(qint64 flag) { store(m_hasDuration, flag, WebKept::Yes); }
void Task::setDuration(qint64 minutes) { store(m_duration, minutes, WebKept::Yes); }
void Task::setParentId(qint64 key) { store(m_parentId, key, WebKept::No); }
void Task::setIsInitialTask(qint64 flag) { store(m_isInitialTask, flag, WebKept::No); }
void Task::setIsPinned(qint64 flag) { store(m_isPinned, flag, WebKept::Yes); }
void Task::setAlertValues(const QString& alerts) { store(m_alertValues, alerts, WebKept::Yes); }
void Task::setICalUID(const QString& uid) { store(m_iCalUID, uid, WebKept::No); }
void Task::setBuiltIn(qint64 flag) { store(m_builtIn, flag, WebKept::No); }
void Task::setIsHidden(qint64 flag) { store(m_isHidden, flag, WebKept::No); }
void Task::setTaskRepeatStyle(qint64 style) { store(m_taskRepeatStyle, style, WebKept::Yes); }
void Task::setZvwID(qint64 id) { store(m_zvwID, id, WebKept::No); }
void Task::setLastUpdate(qint64 stamp) { store(m_lastUpdate, stamp, WebKept::No); }
void Task::setStatus(qint64 status) { store(m_status, status, WebKept::Yes); }
void Task::setOccurrence(const Date& date) { store(m_occurrence, date, WebKept::No); }
void Task::setTagList(const QString& tags) { store(m_tagList, tags, WebKept::Yes); }
void Task::setHasChanges(qint64 flag) { store(m_hasChanges, flag, WebKept::No); }
void Task::setNotes(const QString& notes) { store(m_notes, notes, WebKept::Yes); }
void Task::setIsShared(bool shared) { store(m_isShared, shared, WebKept::No); }
void Task::setTz(qint64 zoneId) { store(m_tz, zoneId, WebKept::No); }
void Task::setHeldInFileZone(bool held) { store(m_heldInFileZone, held, WebKept::No); }
void Task::setIsSheduledTask(bool scheduled) { store(m_isSheduledTask, scheduled, WebKept::No); }
void Task::setAssigneeEmail(const QString& email) { store(m_assigneeEmail, email, WebKept::Yes); }
void Task::setDelegateStatus(qint64 status) { store(m_delegateStatus, status, WebKept::No); }
void Task::setDelegateDate(const Date& date) { store(m_delegateDate, date, WebKept::Yes); }

// ---- derived values ------------------------------------------------------------

QString Task::noteSummary() const
{
    if (m_notes.isEmpty()) return QStringLiteral("");
    const QStringList lines = m_notes.split(QLatin1Char('\n'));
    const QString first = withoutCheckMarks(trimmedLineBreaks(lines.first()));
    if (first != m_taskName) return first;
    return lines.size() > 1 ? withoutCheckMarks(lines.at(1)) : QStringLiteral("");
}

bool Task::hasLink() const
{
    const CoreData* dataManager = CoreData::shared();
    return dataManager && dataManager->hasLinks(std::const_pointer_cast<Task>(shared_from_this()));
}

bool Task::hasShared() const
{
    return Calendar::initWithPrimaryKey(m_calendarId, nullptr)->hasShared();
}

qint64 Task::sortOrderBySharing() const
{
    if (m_isShared && m_delegateStatus == 1) return 1;
    if (m_isShared && m_delegateStatus == 0) return 3;
    if (!m_isShared && m_delegateStatus == 0) return 0;
    if (!m_isShared && m_delegateStatus == 1) return 2;
    return 999;
}
