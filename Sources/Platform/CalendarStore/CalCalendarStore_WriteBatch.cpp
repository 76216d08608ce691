// The batches of writes: a thread's writes inside one are flushed together
// when the outermost one commits.
#include "CalCalendarStore.h"

#include "CalCalendarStoreShared.h"

#include <QDebug>

#include <mutex>
#include <thread>

CalCalendarStore::WriteBatch::WriteBatch(std::shared_ptr<CalCalendarStore> store) : m_store(std::move(store))
{
    if (!m_store) {
        m_open = false;
        return;
    }
    std::lock_guard lock(m_store->m_mutex);
    if (++m_store->m_pending[std::this_thread::get_id()].depth == 1) m_store->m_openBatches.fetch_add(1);
}

CalCalendarStore::WriteBatch::~WriteBatch()
{
    if (!m_open) return;
    CalError error;
    if (!commit(&error)) qWarning().noquote() << "Calendar store:" << error.text;
}

bool CalCalendarStore::WriteBatch::commit(CalError* error)
{
    if (!m_open) return reportCalError(error, CalError::none());
    m_open = false;
    std::lock_guard lock(m_store->m_mutex);
    const auto found = m_store->m_pending.find(std::this_thread::get_id());
    if (found == m_store->m_pending.end()) return reportCalError(error, CalError::none());
    // An outer batch flushes for the inner ones.
    if (--found->second.depth > 0) return reportCalError(error, CalError::none());
    const bool flushed = m_store->flushLocked(&found->second, error);
    m_store->m_pending.erase(found);
    m_store->m_openBatches.fetch_sub(1);
    return flushed;
}

bool CalCalendarStore::flushPendingWrites(CalError* error)
{
    std::lock_guard lock(m_mutex);
    const auto found = m_pending.find(std::this_thread::get_id());
    if (found == m_pending.end()) return reportCalError(error, CalError::none());
    return flushLocked(&found->second, error);
}

CalCalendarStore::PendingWrites* CalCalendarStore::openBatchLocked()
{
    const auto found = m_pending.find(std::this_thread::get_id());
    return found != m_pending.end() && found->second.depth > 0 ? &found->second : nullptr;
}
