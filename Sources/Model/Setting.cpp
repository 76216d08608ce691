#include "Setting.h"
#include "Transaction.h"

#include "Clock.h"
#include "RecordGuard.h"
#include "RecordStore.h"

#include <QByteArray>

#include <algorithm>
#include <type_traits>
#include <variant>

using namespace RecordStore;

namespace {

// A column is read through its property's setter, so that the setters' side
// effects apply to a load as to any change, and written from its getter.
struct IntegerColumn {
    qint64 (Setting::*get)() const;
    void (Setting::*set)(qint64);
};
struct FlagColumn {
    bool (Setting::*get)() const;
    void (Setting::*set)(bool);
};
struct RealColumn {
    double (Setting::*get)() const;
    void (Setting::*set)(double);
};
struct TextColumn {
    QString (Setting::*get)() const;
    void (Setting::*set)(const QString&);
    const char* nullText;  // what a NULL column loads as
};
// Settings dates are plain UTC seconds, not the stored wall-clock form of items.
struct DateColumn {
    Date (Setting::*get)() const;
    void (Setting::*set)(const Date&);
    bool wholeSeconds;  // read as an integer, so the fraction is cut off
};
// Columns no longer used: never read, always written as zero.
struct ReservedColumn {
    bool real;
};

using ColumnField = std::variant<IntegerColumn, FlagColumn, RealColumn, TextColumn, DateColumn, ReservedColumn>;

template <class... Handlers>
struct Overloaded : Handlers... {
    using Handlers::operator()...;
};
// clang 14 does not yet deduce an aggregate's arguments by itself.
template <class... Handlers>
Overloaded(Handlers...) -> Overloaded<Handlers...>;

constexpr const char* loadErrorText = "Error: failed to load the settings with message '%s'.";

bool isSettingChange(const QString& current, const QString& value)
{
    if (current.isNull() || value.isNull()) return !(current.isNull() && value.isNull());
    return current != value;
}

// A nil current date always counts as a change, even against nil.
bool isSettingChange(const Date& current, const Date& value)
{
    return current.isNull() || !current.isEqualToDate(value);
}

template <class T>
    requires std::is_arithmetic_v<T>
bool isSettingChange(T current, T value)
{
    return current != value;
}

void loadColumn(Setting& setting, sqlite3_stmt* statement, int index, const ColumnField& field)
{
    std::visit(Overloaded{
                   [&](const IntegerColumn& column) { (setting.*column.set)(columnInt64(statement, index)); },
                   [&](const FlagColumn& column) { (setting.*column.set)(columnInt64(statement, index) != 0); },
                   [&](const RealColumn& column) { (setting.*column.set)(columnDouble(statement, index)); },
                   [&](const TextColumn& column) {
                       const bool isNull = sqlite3_column_type(statement, index) == SQLITE_NULL;
                       (setting.*column.set)(isNull ? QString::fromLatin1(column.nullText)
                                                    : columnText(statement, index));
                   },
                   [&](const DateColumn& column) {
                       const double seconds = column.wholeSeconds ? double(columnInt64(statement, index))
                                                                  : columnDouble(statement, index);
                       (setting.*column.set)(Date::dateFromOutside(seconds, "the settings row"));
                   },
                   [](const ReservedColumn&) {},
               },
               field);
}

void bindColumn(const Setting& setting, sqlite3_stmt* statement, int index, const ColumnField& field)
{
    std::visit(Overloaded{
                   [&](const IntegerColumn& column) { bindInt64(statement, index, (setting.*column.get)()); },
                   [&](const FlagColumn& column) { bindInt64(statement, index, (setting.*column.get)() ? 1 : 0); },
                   [&](const RealColumn& column) { bindDouble(statement, index, (setting.*column.get)()); },
                   [&](const TextColumn& column) { bindText(statement, index, (setting.*column.get)()); },
                   [&](const DateColumn& column) {
                       sqlite3_bind_double(statement, index, (setting.*column.get)().timeIntervalSince1970());
                   },
                   [&](const ReservedColumn& column) {
                       if (column.real)
                           bindDouble(statement, index, 0.0);
                       else
                           bindInt64(statement, index, 0);
                   },
               },
               field);
}

}  // namespace

struct Setting::Column {
    const char* name;
    ColumnField field;
};

Setting::Setting() = default;

std::function<void()> Setting::restorePoint()
{
    QMutexLocker lock(&m_mutex);
    std::shared_ptr<const Setting> saved(new Setting(*this));
    // The record stays alive until its undo has run: an undo that runs
    // before it may drop the last other holder of a record made inside the
    // unit.
    return [this, self = weak_from_this().lock(), saved] {
        QMutexLocker restoring(&m_mutex);
        *this = *saved;
    };
}

const std::vector<Setting::Column>& Setting::columns()
{
    using S = Setting;
    static const std::vector<Column> table = {
        {"startWorkingWDay", IntegerColumn{&S::startWorkingWDay, &S::setStartWorkingWDay}},
        {"endWorkingWDay", IntegerColumn{&S::endWorkingWDay, &S::setEndWorkingWDay}},
        {"deskTimeNDStart", IntegerColumn{&S::deskTimeNDStart, &S::setDeskTimeNDStart}},
        {"deskTimeNDEnd", IntegerColumn{&S::deskTimeNDEnd, &S::setDeskTimeNDEnd}},
        {"deskTimeWEStart", ReservedColumn{false}},
        {"deskTimeWEEnd", ReservedColumn{false}},
        {"durationDefTaskVal", IntegerColumn{&S::durationDefTaskVal, &S::setDurationDefTaskVal}},
        {"durationDefEventVal", IntegerColumn{&S::durationDefEventVal, &S::setDurationDefEventVal}},
        {"contextDefID", IntegerColumn{&S::contextDefID, &S::setContextDefID}},
        {"calendarDefID", IntegerColumn{&S::calendarDefID, &S::setCalendarDefID}},
        {"isWarningForDeleting", IntegerColumn{&S::isWarningForDeleting, &S::setIsWarningForDeleting}},
        {"badgeType", IntegerColumn{&S::badgeType, &S::setBadgeType}},
        {"weekStartDay", IntegerColumn{&S::weekStartDay, &S::setWeekStartDay}},
        {"taskTypeDefault", IntegerColumn{&S::taskTypeDefault, &S::setTaskTypeDefault}},
        {"defaultListId", IntegerColumn{&S::defaultListId, &S::setDefaultListId}},
        {"showFaded", IntegerColumn{&S::showTask, &S::setShowTask}},
        {"gmtSecondsValue", RealColumn{&S::gmtSecondsValue, &S::setGmtSecondsValue}},
        {"projectViewType", IntegerColumn{&S::projectViewType, &S::setProjectViewType}},
        {"newTaskAtTop", IntegerColumn{&S::newTaskAtTop, &S::setNewTaskAtTop}},
        {"filterIndex", IntegerColumn{&S::filterIndex, &S::setFilterIndex}},
        {"zvwSyncTime", DateColumn{&S::zvwSyncTime, &S::setZvwSyncTime, true}},
        {"isFirstTimeZVWSync", IntegerColumn{&S::isFirstTimeZVWSync, &S::setIsFirstTimeZVWSync}},
        {"autoZVWSync", IntegerColumn{&S::autoZVWSync, &S::setAutoZVWSync}},
        {"hasZVWFirstTimeSynced", IntegerColumn{&S::hasZVWFirstTimeSynced, &S::setHasZVWFirstTimeSynced}},
        {"zvwDeletedProjects", TextColumn{&S::zvwDeletedProjects, &S::setZvwDeletedProjects, ""}},
        {"zvwDeletedTasks", TextColumn{&S::zvwDeletedTasks, &S::setZvwDeletedTasks, ""}},
        {"iCalSyncWindowStart", IntegerColumn{&S::iCalSyncWindowStart, &S::setICalSyncWindowStart}},
        {"iCalSyncWindowEnd", IntegerColumn{&S::iCalSyncWindowEnd, &S::setICalSyncWindowEnd}},
        {"iCalLastSyncTime", DateColumn{&S::iCalLastSyncTime, &S::setICalLastSyncTime, false}},
        {"autoICalSync", IntegerColumn{&S::autoICalSync, &S::setAutoICalSync}},
        {"showWarningTask2Event", IntegerColumn{&S::showWarningTask2Event, &S::setShowWarningTask2Event}},
        {"showWarningEvent2Task", IntegerColumn{&S::showWarningEvent2Task, &S::setShowWarningEvent2Task}},
        {"dbVersion", TextColumn{&S::databaseVersion, &S::setDatabaseVersion, "1.0"}},
        {"showWarningDeleteTag", IntegerColumn{&S::showWarningDeleteTag, &S::setShowWarningDeleteTag}},
        {"dayManagerStart", ReservedColumn{false}},
        {"dayManagerEnd", ReservedColumn{false}},
        {"dayManagerForDate", ReservedColumn{true}},
        {"zvwToken", TextColumn{&S::zvwToken, &S::setZvwToken, ""}},
        {"zvwTokenTime", DateColumn{&S::zvwTokenTime, &S::setZvwTokenTime, false}},
        {"zvwDeletedTag", TextColumn{&S::zvwDeletedTag, &S::setZvwDeletedTag, ""}},
        {"showWarningSetDefault", IntegerColumn{&S::showWarningSetDefault, &S::setShowWarningSetDefault}},
        {"lastUpdate", IntegerColumn{&S::lastUpdate, &S::setLastUpdate}},
        {"hasChanges", IntegerColumn{&S::hasChanges, &S::setHasChanges}},
        {"showWarningChangeTaskOrder",
         IntegerColumn{&S::showWarningChangeTaskOrder, &S::setShowWarningChangeTaskOrder}},
        {"lastUpdateWork", IntegerColumn{&S::lastUpdateWork, &S::setLastUpdateWork}},
        {"dockStatus", IntegerColumn{&S::dockStatus, &S::setDockStatus}},
        {"isPinned", IntegerColumn{&S::isPinned, &S::setIsPinned}},
        {"hasRightPage", IntegerColumn{&S::hasRightPage, &S::setHasRightPage}},
        {"isCategoryCollapsed", IntegerColumn{&S::isCategoryCollapsed, &S::setIsCategoryCollapsed}},
        {"isListCollapsed", IntegerColumn{&S::isListCollapsed, &S::setIsListCollapsed}},
        {"showWarningAddRepeatTask", IntegerColumn{&S::showWarningAddRepeatTask, &S::setShowWarningAddRepeatTask}},
        {"doRestore", IntegerColumn{&S::doRestore, &S::setDoRestore}},
        {"isNoteCollapsed", IntegerColumn{&S::isNoteCollapsed, &S::setIsNoteCollapsed}},
        {"startUpWizard", IntegerColumn{&S::startUpWizard, &S::setStartUpWizard}},
        {"showActiveTaskOnly", IntegerColumn{&S::showActiveTaskOnly, &S::setShowActiveTaskOnly}},
        {"isWarningForCopyToLink", IntegerColumn{&S::isWarningForCopyToLink, &S::setIsWarningForCopyToLink}},
        {"isWeekPlannerPinned", IntegerColumn{&S::isWeekPlannerPinned, &S::setIsWeekPlannerPinned}},
        {"isMonthPlannerPinned", IntegerColumn{&S::isMonthPlannerPinned, &S::setIsMonthPlannerPinned}},
        {"isIconShowing", FlagColumn{&S::isIconShowing, &S::setIsIconShowing}},
        {"tzSupport", FlagColumn{&S::tzSupport, &S::setTzSupport}},
        {"hideDoneToday", IntegerColumn{&S::hideTodayDoneTask, &S::setHideTodayDoneTask}},
        {"snoozeVal", IntegerColumn{&S::snoozeDefVal, &S::setSnoozeDefVal}},
        {"currentTZ", IntegerColumn{&S::currentTZ, &S::setCurrentTZ}},
        {"mustDo", IntegerColumn{&S::mustDo, &S::setMustDoFromRow}},
        {"defaultTaskAlert", TextColumn{&S::defaultTaskAlert, &S::setDefaultTaskAlert, ""}},
        {"defaultEventAlert", TextColumn{&S::defaultEventAlert, &S::setDefaultEventAlert, ""}},
    };
    return table;
}

const std::vector<Setting::Column>& Setting::updateColumns()
{
    // The update names the event duration before the task duration.
    static const std::vector<Column> table = [] {
        std::vector<Column> ordered = columns();
        const auto named = [&](const char* name) {
            return std::find_if(ordered.begin(), ordered.end(),
                                [&](const Column& column) { return qstrcmp(column.name, name) == 0; });
        };
        std::iter_swap(named("durationDefTaskVal"), named("durationDefEventVal"));
        return ordered;
    }();
    return table;
}

CachedStatement& Setting::selectStatement()
{
    static const QByteArray sql = []() -> QByteArray {
        QByteArrayList names;
        for (const Column& column : columns()) names.append(column.name);
        return "SELECT " + names.join(", ") + " FROM Settings WHERE primaryKey=?";
    }();
    static CachedStatement statement(sql.constData());
    return statement;
}

CachedStatement& Setting::updateStatement()
{
    static const QByteArray sql = []() -> QByteArray {
        QByteArrayList assignments;
        for (const Column& column : updateColumns()) assignments.append(QByteArray(column.name) + "=?");
        return "UPDATE Settings SET " + assignments.join(", ") + " WHERE primaryKey=?";
    }();
    static CachedStatement statement(sql.constData());
    return statement;
}

void Setting::finalizeStatements()
{
    selectStatement().finalize();
    updateStatement().finalize();
}

SettingPtr Setting::initWithPrimaryKey(qint64 primaryKey, sqlite3* /*database: always the shared one*/)
{
    auto setting = std::make_shared<Setting>();
    setting->loadRow(primaryKey);
    setting->loadSideFiles();
    return setting;
}

void Setting::loadRow(qint64 primaryKey)
{
    RecordGuard guard;
    setPrimaryKey(primaryKey);
    sqlite3_stmt* statement = selectStatement().get();
    StatementReset reset(statement);
    bindInt64(statement, 1, primaryKey);
    const int result = RecordStore::step(statement);
    if (result == SQLITE_ROW) {
        int index = 0;
        for (const Column& column : columns()) loadColumn(*this, statement, index++, column.field);
    } else if (result != SQLITE_DONE) {
        logFailure(loadErrorText, sharedDatabase());
    }
    QMutexLocker lock(&m_mutex);
    m_dirty = false;
}

void Setting::loadSideFiles()
{
    setAutoBackupFiles({});
    loadLocalSettings();
    loadDayManagerDictionary();
    loadSyncTime();
}

bool Setting::dehydrate()
{
    return normalDehydrate();
}

// A command's unit that fails puts the shared record back as it found it.
void Setting::keepForUndo()
{
    if (Transaction* open = Transaction::current(); open && open->firstChangeOf(this))
        open->onRollback(restorePoint());
}

bool Setting::normalDehydrate()
{
    keepForUndo();
    const bool written = writeRow();
    // The side files hold what the row has no column for; they are saved
    // whether or not the row needed writing (each is replaced only when its
    // content changes), but only once the row is there to stay: a command
    // that is rolled back leaves the files as they were.
    Transaction::afterCommitOrNow([this] {
        saveLocalSettings();
        saveDayManagerDictionary();
    });
    return written;
}

bool Setting::writeRow()
{
    RecordGuard guard;
    // Held from the test of dirty to its clearing, so a change made meanwhile
    // on another thread is either written now or leaves the record dirty.
    QMutexLocker lock(&m_mutex);
    if (!m_dirty) return true;
    sqlite3_stmt* statement = updateStatement().get();
    StatementReset reset(statement);
    int index = 1;
    for (const Column& column : updateColumns()) bindColumn(*this, statement, index++, column.field);
    bindInt64(statement, index, m_primaryKey);
    if (RecordStore::step(statement) != SQLITE_DONE) {
        logFailure(dehydrateErrorText, sharedDatabase());
        return false;
    }
    m_dirty = false;
    return true;
}

bool Setting::dirty() const
{
    return read(m_dirty);
}

template <class T>
void Setting::change(T& field, const T& value, Mark mark)
{
    QMutexLocker lock(&m_mutex);
    if (!isSettingChange(field, value)) return;
    keepForUndo();
    field = value;
    m_dirty = true;
    if (mark == Mark::DirtyAndWebChange) m_hasChanges = 1;
}

// The must-do window is the user's choice, not a change to push: loading it
// leaves hasChanges alone, unlike the setter.
void Setting::setMustDoFromRow(qint64 days)
{
    change(m_mustDo, days, Mark::Dirty);
}

// Setters. Those of the values the web service keeps also mark the record for
// the next settings push; the two sync switches and the first-sync mark are
// kept out of the row's dirty state.
void Setting::setStartWorkingWDay(qint64 value) { change(m_startWorkingWDay, value, Mark::Dirty); }
void Setting::setEndWorkingWDay(qint64 value) { change(m_endWorkingWDay, value, Mark::Dirty); }
void Setting::setDeskTimeNDStart(qint64 minutes) { change(m_deskTimeNDStart, minutes, Mark::DirtyAndWebChange); }
void Setting::setDeskTimeNDEnd(qint64 minutes) { change(m_deskTimeNDEnd, minutes, Mark::DirtyAndWebChange); }
void Setting::setDurationDefTaskVal(qint64 minutes) { change(m_durationDefTaskVal, minutes, Mark::DirtyAndWebChange); }
void Setting::setDurationDefEventVal(qint64 minutes) { change(m_durationDefEventVal, minutes, Mark::DirtyAndWebChange); }
void Setting::setContextDefID(qint64 value) { change(m_contextDefID, value, Mark::Dirty); }
void Setting::setCalendarDefID(qint64 key) { change(m_calendarDefID, key, Mark::DirtyAndWebChange); }
void Setting::setIsWarningForDeleting(qint64 flag) { change(m_isWarningForDeleting, flag, Mark::DirtyAndWebChange); }
void Setting::setBadgeType(qint64 value) { change(m_badgeType, value, Mark::Dirty); }
void Setting::setWeekStartDay(qint64 day) { change(m_weekStartDay, day, Mark::DirtyAndWebChange); }
void Setting::setTaskTypeDefault(qint64 value) { change(m_taskTypeDefault, value, Mark::Dirty); }
void Setting::setDefaultListId(qint64 value) { change(m_defaultListId, value, Mark::Dirty); }
void Setting::setShowTask(qint64 flag) { change(m_showTask, flag, Mark::DirtyAndWebChange); }
void Setting::setGmtSecondsValue(double value) { change(m_gmtSecondsValue, value, Mark::Dirty); }
void Setting::setProjectViewType(qint64 value) { change(m_projectViewType, value, Mark::Dirty); }
void Setting::setNewTaskAtTop(qint64 value) { change(m_newTaskAtTop, value, Mark::Dirty); }
void Setting::setFilterIndex(qint64 value) { change(m_filterIndex, value, Mark::Dirty); }
void Setting::setZvwSyncTime(const Date& date) { change(m_zvwSyncTime, date, Mark::Dirty); }
void Setting::setIsFirstTimeZVWSync(qint64 value) { change(m_isFirstTimeZVWSync, value, Mark::Dirty); }
void Setting::setAutoZVWSync(qint64 flag) { store(m_autoZVWSync, flag); }
void Setting::setHasZVWFirstTimeSynced(qint64 value) { store(m_hasZVWFirstTimeSynced, value); }
void Setting::setZvwDeletedProjects(const QString& queue) { change(m_zvwDeletedProjects, queue, Mark::Dirty); }
void Setting::setZvwDeletedTasks(const QString& queue) { change(m_zvwDeletedTasks, queue, Mark::Dirty); }
void Setting::setICalSyncWindowStart(qint64 days) { change(m_iCalSyncWindowStart, days, Mark::Dirty); }
void Setting::setICalSyncWindowEnd(qint64 days) { change(m_iCalSyncWindowEnd, days, Mark::Dirty); }
void Setting::setICalLastSyncTime(const Date& date)
{
    change(m_iCalLastSyncTime, date.isNull() ? Clock::now() : date, Mark::Dirty);
}
void Setting::setAutoICalSync(qint64 flag) { store(m_autoICalSync, flag); }
void Setting::setShowWarningTask2Event(qint64 flag) { change(m_showWarningTask2Event, flag, Mark::Dirty); }
void Setting::setShowWarningEvent2Task(qint64 flag) { change(m_showWarningEvent2Task, flag, Mark::Dirty); }
void Setting::setDatabaseVersion(const QString& version) { change(m_databaseVersion, version, Mark::Dirty); }
void Setting::setShowWarningDeleteTag(qint64 flag) { change(m_showWarningDeleteTag, flag, Mark::Dirty); }
void Setting::setZvwToken(const QString& token) { change(m_zvwToken, token, Mark::Dirty); }
void Setting::setZvwTokenTime(const Date& date)
{
    change(m_zvwTokenTime, date.isNull() ? Clock::now() : date, Mark::Dirty);
}
void Setting::setZvwDeletedTag(const QString& queue) { change(m_zvwDeletedTag, queue, Mark::Dirty); }
void Setting::setShowWarningSetDefault(qint64 flag) { change(m_showWarningSetDefault, flag, Mark::Dirty); }
void Setting::setLastUpdate(qint64 stamp) { change(m_lastUpdate, stamp, Mark::Dirty); }
void Setting::setHasChanges(qint64 flag) { change(m_hasChanges, flag, Mark::Dirty); }
void Setting::setShowWarningChangeTaskOrder(qint64 flag) { change(m_showWarningChangeTaskOrder, flag, Mark::Dirty); }
void Setting::setLastUpdateWork(qint64 seconds) { change(m_lastUpdateWork, seconds, Mark::Dirty); }
void Setting::setDockStatus(qint64 status) { change(m_dockStatus, status, Mark::Dirty); }
void Setting::setIsPinned(qint64 flag) { change(m_isPinned, flag, Mark::Dirty); }
void Setting::setHasRightPage(qint64 flag) { change(m_hasRightPage, flag, Mark::Dirty); }
void Setting::setIsCategoryCollapsed(qint64 value) { change(m_isCategoryCollapsed, value, Mark::Dirty); }
void Setting::setIsListCollapsed(qint64 value) { change(m_isListCollapsed, value, Mark::Dirty); }
void Setting::setShowWarningAddRepeatTask(qint64 flag) { change(m_showWarningAddRepeatTask, flag, Mark::Dirty); }
void Setting::setDoRestore(qint64 flag) { change(m_doRestore, flag, Mark::Dirty); }
void Setting::setIsNoteCollapsed(qint64 value) { change(m_isNoteCollapsed, value, Mark::Dirty); }
void Setting::setStartUpWizard(qint64 flag) { change(m_startUpWizard, flag, Mark::Dirty); }
void Setting::setShowActiveTaskOnly(qint64 flag) { change(m_showActiveTaskOnly, flag, Mark::DirtyAndWebChange); }
void Setting::setIsWarningForCopyToLink(qint64 flag) { change(m_isWarningForCopyToLink, flag, Mark::DirtyAndWebChange); }
void Setting::setIsWeekPlannerPinned(qint64 flag) { change(m_isWeekPlannerPinned, flag, Mark::Dirty); }
void Setting::setIsMonthPlannerPinned(qint64 flag) { change(m_isMonthPlannerPinned, flag, Mark::Dirty); }
void Setting::setIsIconShowing(bool flag) { change(m_isIconShowing, flag, Mark::DirtyAndWebChange); }
void Setting::setTzSupport(bool flag) { change(m_tzSupport, flag, Mark::DirtyAndWebChange); }
void Setting::setHideTodayDoneTask(qint64 flag) { change(m_hideTodayDoneTask, flag, Mark::DirtyAndWebChange); }
void Setting::setSnoozeDefVal(qint64 seconds) { change(m_snoozeDefVal, seconds, Mark::Dirty); }
void Setting::setCurrentTZ(qint64 zoneId) { change(m_currentTZ, zoneId, Mark::DirtyAndWebChange); }
void Setting::setMustDo(qint64 days) { change(m_mustDo, days, Mark::DirtyAndWebChange); }
void Setting::setDefaultTaskAlert(const QString& alertList) { change(m_defaultTaskAlert, alertList, Mark::Dirty); }
void Setting::setDefaultEventAlert(const QString& alertList) { change(m_defaultEventAlert, alertList, Mark::Dirty); }
