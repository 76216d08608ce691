#include "DatabaseSchema.h"

#include <sqlite3.h>

namespace {

// The table of owed removals before they were keyed by kind as well.
constexpr const char* retiredRemovalTable = "StoreCalendarRemovals";

struct Column {
    const char* name;
    const char* type;
    const char* defaultValue;  // nullptr: no DEFAULT clause
};

QList<QString> addColumns(const char* table, std::initializer_list<Column> columns)
{
    QList<QString> statements;
    statements.reserve(static_cast<qsizetype>(columns.size()));
    for (const Column& column : columns) {
        QString sql = QStringLiteral("ALTER TABLE %1 ADD COLUMN %2 %3")
                          .arg(QLatin1String(table), QLatin1String(column.name), QLatin1String(column.type));
        if (column.defaultValue) sql += QStringLiteral(" DEFAULT ") + QLatin1String(column.defaultValue);
        statements.append(sql + QLatin1Char(';'));
    }
    return statements;
}

}  // namespace

QList<QString> DatabaseSchema::settingTableChanges()
{
    return addColumns("Settings", {
        {"showWarningTask2Event", "NUMERIC", "1"},
        {"showWarningEvent2Task", "NUMERIC", "1"},
        {"showWarningDeleteTag", "NUMERIC", "1"},
        {"zvwToken", "TEXT", nullptr},
        {"zvwTokenTime", "NUMERIC", "0"},
        {"showWarningSetDefault", "NUMERIC", "1"},
        {"zvwDeletedTag", "TEXT", nullptr},
        {"lastUpdate", "NUMERIC", "0"},
        {"hasChanges", "NUMERIC", "1"},
        {"showWarningChangeTaskOrder", "NUMERIC", "1"},
        {"lastUpdateWork", "NUMERIC", "0"},
        {"dockStatus", "NUMERIC", "0"},
        {"isPinned", "NUMERIC", "0"},
        {"hasRightPage", "NUMERIC", "0"},
        {"isCategoryCollapsed", "NUMERIC", "0"},
        {"isListCollapsed", "NUMERIC", "0"},
        {"listType", "NUMERIC", "0"},
        {"showWarningAddRepeatTask", "NUMERIC", "1"},
        {"doRestore", "NUMERIC", "0"},
        {"isNoteCollapsed", "NUMERIC", "0"},
        {"startUpWizard", "NUMERIC", "1"},
        {"showActiveTaskOnly", "NUMERIC", "0"},
        {"isWarningForCopyToLink", "NUMERIC", "1"},
        {"isWeekPlannerPinned", "NUMERIC", "0"},
        {"isMonthPlannerPinned", "NUMERIC", "0"},
        {"isIconShowing", "NUMERIC", "1"},
        {"tzSupport", "NUMERIC", "0"},
        {"currentTZ", "NUMERIC", "-1"},
        {"hideDoneToday", "NUMERIC", "0"},
        {"snoozeVal", "NUMERIC", "900"},
        {"mustDo", "NUMERIC", "0"},
        {"defaultTaskAlert", "TEXT", "NULL"},
        {"defaultEventAlert", "TEXT", "NULL"},
    });
}

QList<QString> DatabaseSchema::tagTableCreation()
{
    return {QStringLiteral("CREATE TABLE IF NOT EXISTS Tag (primaryKey INTEGER PRIMARY KEY, tagName TEXT);")};
}

QList<QString> DatabaseSchema::tagTableChanges()
{
    return addColumns("Tag", {{"zvwKey", "NUMERIC", nullptr}});
}

QList<QString> DatabaseSchema::linkTableCreation()
{
    return {QStringLiteral(
        "CREATE TABLE IF NOT EXISTS Links (primaryKey INTEGER PRIMARY KEY, rootId INTEGER, targetId INTEGER);")};
}

QList<QString> DatabaseSchema::linkTableChanges()
{
    return addColumns("Links", {
        {"createdDate", "NUMERIC", "NULL"},
        {"updatedDate", "NUMERIC", "NULL"},
        {"zvwKey", "NUMERIC", nullptr},
        {"status", "NUMERIC", "0"},
    });
}

QList<QString> DatabaseSchema::urlTableCreation()
{
    return {QStringLiteral(
        "CREATE TABLE IF NOT EXISTS URLs (primaryKey INTEGER PRIMARY KEY AUTOINCREMENT, urlString TEXT, "
        "status NUMERIC, updatedTime NUMERIC, zvwKey NUMERIC);")};
}

QList<QString> DatabaseSchema::commentTableCreation()
{
    return {QStringLiteral(
        "CREATE TABLE IF NOT EXISTS Comments (primaryKey INTEGER PRIMARY KEY AUTOINCREMENT, content TEXT, "
        "status NUMERIC, createdTime NUMERIC, updatedTime NUMERIC, zvwKey NUMERIC, itemId NUMERIC, "
        "commetorLastName TEXT, commetorFirstName TEXT, isOwner NUMERIC, cmtType NUMERIC);")};
}

QList<QString> DatabaseSchema::taskTableChanges()
{
    return addColumns("Tasks", {
        {"hasChanges", "NUMERIC", "1"},
        {"notes", "TEXT", "NULL"},
        {"isShared", "NUMERIC", "0"},
        {"tz", "NUMERIC", nullptr},
        {"stask", "NUMERIC", "0"},
        {"assigneeEmail", "TEXT", "NULL"},
        {"delegateStatus", "NUMERIC", "0"},
        {"delegateDate", "NUMERIC", "0"},
        // Rows of earlier databases hold the machine's clock, as before.
        {"fileZoneClock", "NUMERIC", "0"},
    }) + QList<QString>{
        // New items take the highest order + 1, and the web sync finds items
        // by their server id: without these every insert and look-up reads
        // the whole table.
        QStringLiteral("CREATE INDEX IF NOT EXISTS TasksByOrder ON Tasks (taskOrder)"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS TasksByWebId ON Tasks (zvwId)"),
    };
}

QList<QString> DatabaseSchema::calendarTableChanges()
{
    return addColumns("Calendars", {
        {"iCalDirectory", "TEXT", nullptr},
        {"taskOrEvent", "NUMERIC", "0"},
        {"typeOfCal", "TEXT", nullptr},
        {"isTransparent", "NUMERIC", "0"},
        {"extraStatus", "NUMERIC", "0"},
        {"ownerName", "TEXT", nullptr},
        {"sharedStatus", "NUMERIC", "1"},
        {"hasShared", "NUMERIC", "0"},
    });
}

// The item creations sent to the web service and not answered yet: one row
// per request, the time it went (stored form, whole seconds) and the keys of
// its items joined by ",". The protocol has no request key: a creation whose
// answer was lost is found among what the service made, not sent again.
QList<QString> DatabaseSchema::taskCreationMarks()
{
    return {QStringLiteral("CREATE TABLE IF NOT EXISTS WebCreationsSent (primaryKey INTEGER PRIMARY KEY, "
                           "sentTime NUMERIC, itemKeys TEXT);")};
}

// The removals the store is owed, one row per kind and uid (0 a calendar, 1
// an event with all its occurrences, 2 a task): an event, a task and a
// calendar may share a uid, and each removal is recorded and ended on its
// own. Earlier databases kept them in StoreCalendarRemovals keyed by the
// uid alone; its rows move over, and the old table goes. They run only on a
// database that still has the old table (the kind column of the oldest
// fails as already there on the others).
//
// The copy and the drop are one text: SQLite runs no statement of it after
// one that failed, so the old table goes only once its rows are over, and a
// copy that failed (a full disk, the kind column missing) keeps it, whole,
// for the next start to try again. A copy made twice adds nothing.
QList<QString> DatabaseSchema::storeRemovalKinds()
{
    return addColumns(retiredRemovalTable, {{"kind", "INTEGER", "0"}}) + QList<QString>{
        QStringLiteral("INSERT OR IGNORE INTO StoreRemovals (kind, uid) "
                       "SELECT coalesce(kind, 0), uid FROM StoreCalendarRemovals WHERE uid IS NOT NULL; "
                       "DROP TABLE IF EXISTS StoreCalendarRemovals;"),
    };
}

QList<QString> DatabaseSchema::storeSyncTableCreation(sqlite3* database)
{
    bool retiredTableThere = false;
    if (database) {
        sqlite3_stmt* query = nullptr;
        if (sqlite3_prepare_v2(database, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?", -1, &query,
                               nullptr) == SQLITE_OK) {
            sqlite3_bind_text(query, 1, retiredRemovalTable, -1, SQLITE_STATIC);
            retiredTableThere = sqlite3_step(query) == SQLITE_ROW;
        }
        sqlite3_finalize(query);
    }
    return QList<QString>{
        QStringLiteral("CREATE TABLE IF NOT EXISTS StoreItemWrites (itemKey INTEGER PRIMARY KEY, due INTEGER);"),
        QStringLiteral("CREATE TABLE IF NOT EXISTS StoreRemovals (kind INTEGER NOT NULL, uid TEXT NOT NULL, "
                       "PRIMARY KEY (kind, uid));"),
        QStringLiteral("CREATE TABLE IF NOT EXISTS StoreSplits (seriesKey INTEGER PRIMARY KEY, uid TEXT NOT NULL, "
                       "occurrence REAL NOT NULL, tz INTEGER NOT NULL, restUid TEXT NOT NULL);"),
    } + (retiredTableThere ? storeRemovalKinds() : QList<QString>{});
}

QList<QString> DatabaseSchema::allUpgrades()
{
    return settingTableChanges() + tagTableCreation() + tagTableChanges() + linkTableCreation()
         + linkTableChanges() + urlTableCreation() + commentTableCreation() + taskTableChanges()
         + calendarTableChanges() + taskCreationMarks() + storeSyncTableCreation();
}

QList<QString> DatabaseSchema::ownTables()
{
    return {QStringLiteral("Calendars"), QStringLiteral("Settings"), QStringLiteral("Tasks")};
}

bool DatabaseSchema::isAlreadyDone(const QString& sqliteMessage)
{
    return sqliteMessage.startsWith(QLatin1String("duplicate column name"))
        || (sqliteMessage.startsWith(QLatin1String("table ")) && sqliteMessage.endsWith(QLatin1String("already exists")));
}
