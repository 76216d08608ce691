#include "Calendar.h"

#include "CoreData.h"
#include "iCalSync.h"
#include "Transaction.h"
#include "RecordHelpers.h"
#include "RecordGuard.h"
#include "RecordStore.h"
#include "Setting.h"

namespace {
CachedStatement calendarInsertStatement("INSERT INTO Calendars (calendarOrder) VALUES(?)");
CachedStatement calendarSelectStatement(
    "SELECT calendarName, colorNameId, colorGroupId, builtIn, iCalUID, projectType, calendarOrder, inVisible, "
    "zvwProjectId, lastUpdate, iCalDirectory, tagList, hasChanges, taskOrEvent, typeOfCal, isTransparent, "
    "extraStatus, ownerName, hasShared, sharedStatus FROM Calendars WHERE primaryKey=?");
CachedStatement calendarDeleteStatement("DELETE FROM Calendars WHERE primaryKey=?");
CachedStatement calendarUpdateStatement(
    "UPDATE Calendars SET calendarName=?, colorNameId=?, colorGroupId=?, builtIn=?, iCalUID=?, projectType=?, "
    "calendarOrder=?, inVisible=?, zvwProjectId=?, lastUpdate=?, iCalDirectory=?, tagList=?, hasChanges=?, "
    "taskOrEvent=?, typeOfCal=?, isTransparent=?, extraStatus=?, ownerName=?, hasShared=?, sharedStatus=? "
    "WHERE primaryKey=?");
constexpr int calendarUpdateKeyIndex = 21;
}  // namespace

using namespace RecordStore;

Calendar::Calendar()
    : m_calendarName(QStringLiteral("")),
      m_iCalUID(QStringLiteral("")),
      m_directory(QStringLiteral("")),
      m_tagList(QStringLiteral("")),
      m_typeOfCal(QStringLiteral("")),
      m_ownerName(QStringLiteral(""))
{
}

CalendarPtr Calendar::initWithPrimaryKey(qint64 key, sqlite3* database)
{
    RecordGuard guard;
    CalendarPtr calendar(new Calendar(BaseInit{}));
    calendar->m_primaryKey = key;
    adoptDatabase(database);
    sqlite3_stmt* statement = calendarSelectStatement.get();
    StatementReset reset(statement);
    bindInt64(statement, 1, key);
    if (RecordStore::step(statement) == SQLITE_ROW) {
        calendar->readColumns(statement);
    } else {
        calendar->setCalendarName(QStringLiteral(""));
        calendar->setColorGroupId(0);
        calendar->setColorNameId(0);
    }
    calendar->m_dirty = false;
    return calendar;
}

// The values pass through the setters in column order, so a transparent
// category comes out of a load marked for the web push whatever its stored
// hasChanges says.
void Calendar::readColumns(sqlite3_stmt* statement)
{
    setCalendarName(columnText(statement, 0));
    setColorNameId(columnInt64(statement, 1));
    setColorGroupId(columnInt64(statement, 2));
    setBuiltIn(columnInt64(statement, 3));
    setICalUID(columnText(statement, 4));
    setProjectType(columnInt64(statement, 5));
    setCalendarOrder(columnInt64(statement, 6));
    setInVisible(columnInt64(statement, 7));
    setZvwProjectId(columnInt64(statement, 8));
    setLastUpdate(columnInt64(statement, 9));
    setDirectory(columnText(statement, 10));
    setTagList(columnText(statement, 11));
    setHasChanges(sqlite3_column_int(statement, 12) != 0);
    setTaskOrEvent(columnInt64(statement, 13));
    setTypeOfCal(columnText(statement, 14));
    setIsTransparent(columnInt64(statement, 15) != 0);
    setExtraStatus(columnInt64(statement, 16));
    setOwnerName(columnText(statement, 17));
    setHasShared(columnInt64(statement, 18) != 0);
    setSharedStatus(columnInt64(statement, 19));
}

void Calendar::bindColumns(sqlite3_stmt* statement) const
{
    bindText(statement, 1, m_calendarName);
    bindInt64(statement, 2, m_colorNameId);
    bindInt64(statement, 3, m_colorGroupId);
    bindInt64(statement, 4, m_builtIn);
    bindText(statement, 5, m_iCalUID);
    bindInt64(statement, 6, m_projectType);
    bindInt64(statement, 7, m_calendarOrder);
    bindInt64(statement, 8, m_inVisible);
    bindInt64(statement, 9, m_zvwProjectId);
    bindInt64(statement, 10, m_lastUpdate);
    bindText(statement, 11, m_directory);
    bindText(statement, 12, m_tagList);
    bindInt64(statement, 13, m_hasChanges ? 1 : 0);
    bindInt64(statement, 14, m_taskOrEvent);
    bindText(statement, 15, m_typeOfCal);
    bindInt64(statement, 16, m_isTransparent ? 1 : 0);
    bindInt64(statement, 17, m_extraStatus);
    bindText(statement, 18, m_ownerName);
    bindInt64(statement, 19, m_hasShared ? 1 : 0);
    bindInt64(statement, 20, m_sharedStatus);
}

bool Calendar::insertIntoDatabase(sqlite3* database)
{
    RecordGuard guard;
    adoptDatabase(database);
    keepForUndo();
    sqlite3_stmt* statement = calendarInsertStatement.get();
    StatementReset reset(statement);
    const CoreData* dataManager = CoreData::shared();
    setCalendarOrder((dataManager ? dataManager->getMaxOrderOfCalendars() : 0) + 1);
    bindInt64(statement, 1, m_calendarOrder);
    if (!stepDone(statement, insertErrorText)) return false;
    m_primaryKey = sqlite3_last_insert_rowid(sharedDatabase());
    return true;
}

bool Calendar::dehydrate()
{
    {
        RecordGuard guard;
        if (!m_dirty) return true;
        keepForUndo();
        if (!writeRow()) return false;
        m_dirty = false;
    }
    refreshListEntry();
    return true;
}

bool Calendar::writeRow()
{
    sqlite3_stmt* statement = calendarUpdateStatement.get();
    StatementReset reset(statement);
    bindColumns(statement);
    bindInt64(statement, calendarUpdateKeyIndex, m_primaryKey);
    return stepDone(statement, dehydrateErrorText);
}

// An editor's working copy or a sync's row is written on its own; the object
// the views show is the list's, so it takes the written content.
void Calendar::refreshListEntry() const
{
    // The list's records are the main thread's: the calendar-store worker's
    // write hands them the content on the main queue once kept.
    if (iCalSync::listRecordsOnMainThread()) {
        Transaction::toMainThreadAfterCommit([written = copy()] {
            const CoreData* dataManager = CoreData::shared();
            if (!dataManager) return;
            for (const CalendarPtr& entry : dataManager->calendarList())
                if (entry->primaryKey() == written->primaryKey()) return entry->copyContentOfCalendar(*written);
        });
        return;
    }
    const CoreData* dataManager = CoreData::shared();
    if (!dataManager) return;
    for (const CalendarPtr& entry : dataManager->calendarList()) {
        if (entry->primaryKey() != m_primaryKey) continue;
        Transaction::keepInCurrent(entry);
        entry->copyContentOfCalendar(*this);
        return;
    }
}

bool Calendar::deleteFromDatabase()
{
    Transaction transaction;
    if (!transaction.isOpen() || !deleteRow()) return false;
    CoreData* dataManager = CoreData::shared();
    if (!dataManager) return transaction.commit();
    if (CalendarPtr listed = dataManager->calendarWithPrimaryKey(m_primaryKey))
        dataManager->doWithCalendarList(CalendarList{listed}, ListAction::Remove);
    return queueWebDeletion() && transaction.commit();
}

void Calendar::keepForUndo()
{
    if (Transaction::current())
        if (const CalendarPtr self = weak_from_this().lock()) Transaction::keepInCurrent(self);
}

bool Calendar::deleteRow()
{
    RecordGuard guard;
    sqlite3_stmt* statement = calendarDeleteStatement.get();
    StatementReset reset(statement);
    bindInt64(statement, 1, m_primaryKey);
    return stepDone(statement, deleteErrorText);
}

// The web sync sends the queued ids and removes what it sent; a category that
// never reached the server has nothing to delete there.
bool Calendar::queueWebDeletion() const
{
    if (m_zvwProjectId <= 0) return true;
    const SettingPtr setting = CoreData::shared()->currentSetting();
    if (!setting) return true;
    {
        // Categories may be deleted from several threads at once: the queue's
        // read and write must not interleave, or one id is lost.
        RecordGuard guard;
        setting->setZvwDeletedProjects(setting->zvwDeletedProjects() + QLatin1Char(',')
                                       + QString::number(m_zvwProjectId));
    }
    return setting->dehydrate();
}

CalendarPtr Calendar::copy() const
{
    auto calendar = std::make_shared<Calendar>();
    calendar->copyContentOfCalendar(*this);
    return calendar;
}

void Calendar::copyContentOfCalendar(const Calendar& other)
{
    setPrimaryKey(other.m_primaryKey);
    setCalendarName(other.m_calendarName);
    setColorGroupId(other.m_colorGroupId);
    setColorNameId(other.m_colorNameId);
    setBuiltIn(other.m_builtIn);
    setProjectType(other.m_projectType);
    setCalendarOrder(other.m_calendarOrder);
    setInVisible(other.m_inVisible);
    setZvwProjectId(other.m_zvwProjectId);
    setICalUID(other.m_iCalUID);
    setDirectory(other.m_directory);
    setTagList(other.m_tagList);
    setLastUpdate(other.m_lastUpdate);
    setHasChanges(other.m_hasChanges);
    setTaskOrEvent(other.m_taskOrEvent);
    setTypeOfCal(other.m_typeOfCal);
    setIsTransparent(other.m_isTransparent);
    setExtraStatus(other.m_extraStatus);
    setOwnerName(other.m_ownerName);
    setHasShared(other.m_hasShared);
    setSharedStatus(other.m_sharedStatus);
}

void Calendar::finalizeStatements()
{
    calendarInsertStatement.finalize();
    calendarSelectStatement.finalize();
    calendarDeleteStatement.finalize();
    calendarUpdateStatement.finalize();
}

template <class T>
void Calendar::store(T& field, const T& value, WebKept webKept)
{
    if (!assignIfChanged(field, value)) return;
    m_dirty = true;
    if (webKept == WebKept::Yes) m_hasChanges = true;
}

void Calendar::setCalendarName(const QString& name) { store(m_calendarName, name, WebKept::Yes); }
void Calendar::setColorNameId(qint64 value) { store(m_colorNameId, value, WebKept::Yes); }
void Calendar::setColorGroupId(qint64 value) { store(m_colorGroupId, value, WebKept::Yes); }
void Calendar::setBuiltIn(qint64 value) { store(m_builtIn, value, WebKept::No); }
void Calendar::setICalUID(const QString& uid) { store(m_iCalUID, uid, WebKept::No); }
void Calendar::setProjectType(qint64 value) { store(m_projectType, value, WebKept::No); }
void Calendar::setCalendarOrder(qint64 value) { store(m_calendarOrder, value, WebKept::No); }
void Calendar::setInVisible(qint64 value) { store(m_inVisible, value, WebKept::Yes); }
void Calendar::setZvwProjectId(qint64 value) { store(m_zvwProjectId, value, WebKept::No); }
void Calendar::setLastUpdate(qint64 value) { store(m_lastUpdate, value, WebKept::No); }
void Calendar::setDirectory(const QString& directory) { store(m_directory, directory, WebKept::No); }
void Calendar::setTagList(const QString& tags) { store(m_tagList, tags, WebKept::Yes); }
void Calendar::setHasChanges(bool value) { store(m_hasChanges, value, WebKept::No); }
void Calendar::setTaskOrEvent(qint64 value) { store(m_taskOrEvent, value, WebKept::No); }
void Calendar::setTypeOfCal(const QString& type) { store(m_typeOfCal, type, WebKept::No); }
void Calendar::setIsTransparent(bool value) { store(m_isTransparent, value, WebKept::Yes); }
void Calendar::setExtraStatus(qint64 value) { store(m_extraStatus, value, WebKept::No); }
void Calendar::setOwnerName(const QString& name) { store(m_ownerName, name, WebKept::No); }
void Calendar::setHasShared(bool value) { store(m_hasShared, value, WebKept::No); }
void Calendar::setSharedStatus(qint64 value) { store(m_sharedStatus, value, WebKept::No); }
