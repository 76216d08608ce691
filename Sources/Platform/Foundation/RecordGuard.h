#pragma once

#include "RecordLock.h"

#include <mutex>

// The guarded section of every row method: holds recordLock for its life and
// sets databaseBusy when it was clear. It clears only a flag it set itself,
// so a section nested in another (same thread, the lock being recursive)
// leaves the outer section's flag alone. Leaving by an exception releases
// both, so a fatal database error never leaves other threads waiting.
//
// Never post a notification on the main thread from inside a guard: the main
// thread may be waiting for this very lock.
class RecordGuard {
public:
    RecordGuard();
    ~RecordGuard();
    RecordGuard(const RecordGuard&) = delete;
    RecordGuard& operator=(const RecordGuard&) = delete;

    bool setBusyFlag() const { return m_setBusyFlag; }

private:
    std::unique_lock<std::recursive_mutex> m_lock;
    bool m_setBusyFlag;
};
