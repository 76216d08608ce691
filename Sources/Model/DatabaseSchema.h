#pragma once

#include <QList>
#include <QString>

struct sqlite3;

struct sqlite3;

// The start-up schema upgrades, in the order they run. Every statement is
// idempotent in effect: one that fails because its column or table already
// exists counts as done.
namespace DatabaseSchema {

QList<QString> settingTableChanges();   // added Settings columns
QList<QString> tagTableCreation();
QList<QString> tagTableChanges();
QList<QString> linkTableCreation();
QList<QString> linkTableChanges();
QList<QString> urlTableCreation();
QList<QString> commentTableCreation();
QList<QString> taskTableChanges();
QList<QString> calendarTableChanges();
QList<QString> taskCreationMarks();     // the web creation sent, not yet answered
// What the calendar-store sync still owes the store, kept with the changes
// that owe it: items whose store copy is behind their row, and the calendars
// of deleted categories and the copies of deleted items still to be removed.
// Given the database, it also moves the owed removals of an earlier table
// over (storeRemovalKinds) when that table is there, and only then: a start
// with nothing to move changes nothing in the file.
QList<QString> storeSyncTableCreation(sqlite3* database = nullptr);
// The owed removals keyed by kind and uid: the earlier table's rows move over.
QList<QString> storeRemovalKinds();

// Every group above, in the order the start-up runs them.
QList<QString> allUpgrades();

// The tables every Zoravel database has had since its first version (the
// upgrades only add columns to them): a database lacking one is not ours.
QList<QString> ownTables();

// Whether an upgrade failure only says the change is already there.
bool isAlreadyDone(const QString& sqliteMessage);

// Whether a database has the schema of ours, compared with the template
// database as the upgrades leave it: every table of the template, each a
// table (no views, no triggers anywhere), every column of the template,
// no column the template and the upgrades lack, and each column of its
// declared type. Tables and columns the upgrades add may be missing unless
// `upgraded` says the upgrades have run. The first difference goes to
// *problem. A template that cannot be read fails every check.
bool matchesTemplate(sqlite3* database, bool upgraded, QString* problem);
// The same for a database file, opened read-only.
bool fileMatchesTemplate(const QString& path, QString* problem);
// Reads the template the checks compare with on the pool, once per process,
// so that the first check finds it read (or waits for the read under way).
void readTemplateAhead();

}  // namespace DatabaseSchema
