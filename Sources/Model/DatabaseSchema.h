#pragma once

#include <QList>
#include <QString>

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

// Every group above, in the order the start-up runs them.
QList<QString> allUpgrades();

// The tables every Zoravel database has had since its first version (the
// upgrades only add columns to them): a database lacking one is not ours.
QList<QString> ownTables();

// Whether an upgrade failure only says the change is already there.
bool isAlreadyDone(const QString& sqliteMessage);

}  // namespace DatabaseSchema
