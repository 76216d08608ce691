#pragma once

#include <atomic>
#include <mutex>

// The process-wide lock around the shared database connection and its cached
// statements. Recursive: a row method may call another while inside.
std::recursive_mutex& recordLock();

// Set while a row method (or a data-manager routine borrowing the same rule)
// runs its SQL. Only RecordGuard and DatabaseBusyGuard set and clear it, and
// both hold recordLock while they do, so the flag never needs a wait of its
// own: the lock alone gives exclusion.
extern std::atomic<bool> databaseBusy;
