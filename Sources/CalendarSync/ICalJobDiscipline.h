#pragma once

#include <QList>
#include <QStringList>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>

// The order in which system-calendar jobs take the busy flag (iCalSyncBusy).
//
// Every job takes a ticket when it is started and takes the flag in ticket
// order, one job at a time. Start order meets every wait the jobs are owed:
// a category push started before an event push has made its calendar before
// the event push runs, a calendar import runs before the item imports that
// followed it, and event (and task) batches go in the order the store
// reported them. Serving waiting jobs in any other order could let an edit
// reach the store before the creation it edits.
class ICalJobDiscipline {
public:
    using Batch = std::shared_ptr<const QStringList>;

    // A job's place in the order and what it gives back at its end.
    struct Ticket {
        quint64 number = 0;
        std::atomic<qint64>* counter = nullptr;  // decremented by 1 at the end
        QList<Batch>* queue = nullptr;           // removes its batch on taking the flag
        Batch batch;
    };

    // Started in this order. The counter has already been raised by the
    // caller; the batch is appended to its queue here, under the same lock
    // as the ticket, so queue order is start order.
    Ticket enter(std::atomic<qint64>* counter = nullptr, QList<Batch>* queue = nullptr, Batch batch = nullptr);

    // Holds the flag from its construction (after waiting for its turn) to
    // release() or its end, whichever comes first; every path gives back the
    // flag, the count and the batch, an exception included. A main thread
    // that `servesMainThread` runs meanwhile what the jobs ahead of it hand
    // it and wait for (for a caller at the top of the event loop only: what
    // runs then may change the lists it would be walking).
    class Turn {
    public:
        Turn(ICalJobDiscipline& discipline, const Ticket& ticket, bool servesMainThread = false);
        ~Turn();
        Turn(const Turn&) = delete;
        Turn& operator=(const Turn&) = delete;
        void release();

    private:
        ICalJobDiscipline& m_discipline;
        Ticket m_ticket;
        bool m_released = false;
    };

    // Whether this thread's job holds the flag now: a job that must run on
    // its caller's thread, started from inside such a job, is part of its
    // work (waiting for a turn behind itself would never end).
    static bool holdsTurnOnThisThread();

    // Gives back a ticket whose job never ran (its thread could not start).
    void abandon(const Ticket& ticket);

    // The queues, read as one indivisible copy.
    QList<Batch> queueCopy(const QList<Batch>& queue) const;
    qint64 waitingJobs() const;

private:
    void finish(const Ticket& ticket);
    void removeBatch(const Ticket& ticket);

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    quint64 m_nextNumber = 1;
    QList<quint64> m_pending;  // tickets not yet finished, in start order
};
