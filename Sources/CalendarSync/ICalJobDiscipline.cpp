#include "ICalJobDiscipline.h"

#include "MainQueue.h"
#include "iCalSync.h"

#include <chrono>

namespace {
thread_local int turnsHeld = 0;
}  // namespace

bool ICalJobDiscipline::holdsTurnOnThisThread()
{
    return turnsHeld > 0;
}

ICalJobDiscipline::Ticket ICalJobDiscipline::enter(std::atomic<qint64>* counter, QList<Batch>* queue, Batch batch)
{
    std::lock_guard lock(m_mutex);
    Ticket ticket;
    ticket.number = m_nextNumber++;
    ticket.counter = counter;
    ticket.queue = queue;
    ticket.batch = std::move(batch);
    if (queue && ticket.batch) queue->append(ticket.batch);
    m_pending.append(ticket.number);
    return ticket;
}

ICalJobDiscipline::Turn::Turn(ICalJobDiscipline& discipline, const Ticket& ticket, bool servesMainThread)
    : m_discipline(discipline), m_ticket(ticket)
{
    std::unique_lock lock(discipline.m_mutex);
    for (;;) {
        const bool first = !discipline.m_pending.isEmpty() && discipline.m_pending.first() == ticket.number;
        bool clear = false;
        // The flag is tested and set in one step, as every reader of it expects.
        if (first && iCalSyncBusy.compare_exchange_strong(clear, true)) break;
        // The flag is only ever given back through this discipline, which
        // wakes the waiters; the timed wait covers a flag set elsewhere.
        discipline.m_changed.wait_for(lock, std::chrono::milliseconds(10));
        if (servesMainThread) {
            lock.unlock();
            MainQueue::runWaitingJobs();
            lock.lock();
        }
    }
    // The batch leaves its queue as soon as its job holds the flag, before
    // the job looks at anything, so no later batch waits for a gone one.
    discipline.removeBatch(m_ticket);
    ++turnsHeld;
}

ICalJobDiscipline::Turn::~Turn()
{
    release();
}

void ICalJobDiscipline::Turn::release()
{
    if (m_released) return;
    m_released = true;
    --turnsHeld;
    iCalSyncBusy.store(false);
    m_discipline.finish(m_ticket);
}

void ICalJobDiscipline::abandon(const Ticket& ticket)
{
    {
        std::lock_guard lock(m_mutex);
        removeBatch(ticket);
    }
    finish(ticket);
}

void ICalJobDiscipline::removeBatch(const Ticket& ticket)
{
    if (!ticket.queue || !ticket.batch) return;
    for (qsizetype i = 0; i < ticket.queue->size(); ++i) {
        if (ticket.queue->at(i) == ticket.batch) {
            ticket.queue->removeAt(i);
            return;
        }
    }
}

void ICalJobDiscipline::finish(const Ticket& ticket)
{
    if (ticket.counter) ticket.counter->fetch_sub(1);
    {
        std::lock_guard lock(m_mutex);
        m_pending.removeOne(ticket.number);
    }
    m_changed.notify_all();
}

QList<ICalJobDiscipline::Batch> ICalJobDiscipline::queueCopy(const QList<Batch>& queue) const
{
    std::lock_guard lock(m_mutex);
    return queue;
}

qint64 ICalJobDiscipline::waitingJobs() const
{
    std::lock_guard lock(m_mutex);
    return m_pending.size();
}
