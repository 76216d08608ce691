#include "RecordLock.h"

std::atomic<bool> databaseBusy{false};

std::recursive_mutex& recordLock()
{
    static std::recursive_mutex lock;
    return lock;
}
