#include "RecordGuard.h"

RecordGuard::RecordGuard() : m_lock(recordLock())
{
    bool clear = false;
    m_setBusyFlag = databaseBusy.compare_exchange_strong(clear, true);
}

RecordGuard::~RecordGuard()
{
    if (m_setBusyFlag) databaseBusy = false;
}
