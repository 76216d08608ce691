#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

class CoreData;
class iCalSync;

// The restore of the database from a backup, as one sequence that a kill at
// any moment leaves recoverable. The files beside "Database.sql":
//   ".restoring"          the checked database that is to take its place;
//   ".restore-unfinished" the journal: written once the new database is in
//                         place beside the old one, removed when the store
//                         holds the restored items; while it is there the
//                         restore must be finished before any sync runs;
//   ".before-restore"     the database from before the last restore, kept
//                         until the next successful start.
// The calendar store is emptied of the old items before the swap and filled
// with the restored ones after it; a sync reading the store in between
// would take the missing copies for deletions, so a start that finds the
// journal finishes the restore first.
namespace DatabaseRestore {

QString incomingPath();
QString journalPath();
QString keptPath();

// The steps reached, in order; tests stop the process at one of them.
enum class Step {
    IncomingWritten,     // ".restoring" written and checked
    JournalWritten,      // the restore is bound to finish from here on
    StoreCopyRemoved,    // one item of the old database left the store
    Swapped,             // the restored database is in use
    SettingsMarked,      // restore mode on, automatic web sync off
    StorePushStarted,    // the restored items are on their way to the store
    Finished,            // the journal is gone
};
using StepObserver = std::function<void(Step)>;
void setStepObserver(StepObserver observer);

// Writes the database bytes as ".restoring" and checks them (a sound SQLite
// file of our schema). False with the reason the user is told in *problem:
// the disk is full or the folder cannot be written, or the file is no
// database of ours (*notOurs set).
bool writeIncoming(const QByteArray& database, QString* problem, bool* notOurs);

// Runs the sequence from the journal onwards on the main thread; the
// incoming file must have been written. False when the restored database
// could not take the old one's place (the old one is in use again and back
// in the store).
bool replaceDatabase(CoreData& data, iCalSync* calendarSync, bool* restoredHadAutoSync);

// At start, after the database opened and before any sync: finishes a
// restore the journal says was interrupted, removes what interrupted writes
// left, and (when nothing was left to finish) the database from before the
// last restore. Answers whether a restore was finished.
bool recoverAtStart(CoreData& data, iCalSync* calendarSync);

// Whether a database from before a restore is there to be put back.
bool canPutBack();
// Puts the database from before the last restore back in place (the one in
// place kept as ".failed-restore"); the connection must be closed.
bool putBack();

// Closes the shared connection and every statement prepared on it.
void closeSharedDatabase();

}  // namespace DatabaseRestore
