#pragma once

#include "CalCalendarStore.h"
#include "ICalJob.h"
#include "ICalJobDiscipline.h"
#include "iCalSync.h"

#include <QObject>

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

class Notification;

// The system-calendar sync the application installs in the data manager:
// every entry of iCalSync becomes a job that runs under the discipline of
// ICalJobDiscipline (on a thread of its own, or on the caller's thread for
// the few that must finish before the caller goes on), and the store's
// notices of outside changes become import jobs in the order reported.
//
// What each job does to the store and the database is its own work, given
// by work(); the discipline around it (order, flag, counters, batch queues,
// refresh of the views, web push requests) is the same for all.
class iCalSyncJobs : public iCalSync {
public:
    // Listens to the store's notices; null takes the default store.
    explicit iCalSyncJobs(std::shared_ptr<CalCalendarStore> store = nullptr);
    // Waits for the jobs it started (at most 30 s) before it goes.
    ~iCalSyncJobs() override;

    const std::shared_ptr<CalCalendarStore>& iCalStore() const { return m_iCalStore; }
    void setICalStore(std::shared_ptr<CalCalendarStore> store);
    // The batches of the store's notices whose import has not started its work.
    QList<ICalJobDiscipline::Batch> iEventListICal() const;
    QList<ICalJobDiscipline::Batch> iTaskListICal() const;
    qint64 numOfInsertedCal() const { return m_numOfInsertedCal.load(); }
    qint64 numOfInsertedICal() const { return m_numOfInsertedICal.load(); }

    // --- the entries ---
    void backgroundOneWaySyncInsertToICal(const CalendarPtr& calendar, bool andInsertToZVW) override;
    void backgroundOneWaySyncUpdateToICal(const CalendarPtr& calendar) override;
    void backgroundOneWaySyncDeleteToICal(const CalendarPtr& calendar) override;
    void backgroundOneWaySyncInsertToICalList(const CalendarList& insertList, const CalendarList& updateList,
                                              const CalendarList& deleteList) override;
    void syncDeleteToIcal(const CalendarPtr& calendar) override;

    void backgroundOneWaySyncInsertToICalEvent(const TaskPtr& event, bool andInsertToZVW) override;
    void backgroundOneWaySyncInsertToICalEventRoot(const TaskPtr& root) override;
    void backgroundOneWaySyncInsertToICalEventList(const TaskList& events) override;
    void backgroundOneWaySyncInsertToICalEventList(const TaskList& insertList, const TaskList& syncUpdate) override;
    void backgroundOneWaySyncUpdateToICalEvent(const TaskPtr& event, qint64 updateType) override;
    void backgroundOneWaySyncDeleteToICalEvent(const TaskPtr& event, qint64 deleteType) override;
    void syncDeleteToICalEvent(const TaskPtr& event, qint64 type) override;

    void backgroundOneWaySyncInsertToICalTask(const TaskPtr& task) override;
    void backgroundOneWaySyncInsertToICalTask(const TaskPtr& task, bool andInsertToZVW) override;
    void backgroundOneWaySyncInsertToICalTaskList(const TaskList& tasks) override;
    void backgroundOneWaySyncUpdateToICalTask(const TaskPtr& task, qint64 updateType) override;
    void backgroundOneWaySyncDeleteToICalTask(const TaskPtr& task, qint64 deleteType) override;
    void syncDeleteToICalTask(const TaskPtr& task) override;

    void backgroundOneWaySyncInsertToICalItemList(const TaskList& insertList, const TaskList& updateList,
                                                  const TaskList& deleteList) override;
    void backgroundFullSync() override;
    void backgroundRestoreCalendars() override;

    // --- the observers of the store's notices ---
    void doSthWithCal(const Notification& notification);
    void doSthWithEvent(const Notification& notification);
    void doSthWithTask(const Notification& notification);

    // --- the sync window ---
    // The first (start set) or last moment of the window the settings choose;
    // a stored value other than the six of the menus counts as the nearest
    // of them (a tie takes the larger).
    Date getSyncWindowDate(bool start) const;
    static Date syncWindowDate(bool start, qint64 days, const Date& now);
    static qint64 nearestWindowDays(qint64 days);

    // --- the store queries ---
    // Nothing (nullopt or null) while the sync is off, and when the store
    // could not answer in full: a failed query is never an empty answer.
    std::optional<CalEventList> getICalEventsWithCalendars(const CalCalendarList& calendars) const;
    std::optional<CalTaskList> getICalTasksWithCalendars(const CalCalendarList& calendars) const;
    std::optional<CalEventList> getICalEventsWithEventUIDList(const QStringList& uids) const;
    static Date findEndDateForIEvent(const CalEvent& event, const Date& start);
    CalEventPtr findNextRootForIEvent(const CalEvent& event, const Date& startDate, const Date& endDate) const;
    CalEventPtr getIEventWithUIDAndStartEndDate(const QString& uid, const Date& startDate, const Date& endDate) const;
    CalEventPtr getIEventWithUID(const QString& uid, const Date& startDate, const Date& occurrenceDate) const;

protected:
    // A job's work, run while it holds the flag. The work of each job belongs
    // to the exchange that owns it; until it is given, a job does nothing to
    // the store or the database.
    virtual ICalJobOutcome work(const ICalJob& job);
    // Whether the data manager has the sync switched on.
    static bool syncEnabled();

private:
    enum class Thread { Own, Caller };

    void startJob(ICalJob job, Thread thread, std::atomic<qint64>* counter = nullptr,
                  QList<ICalJobDiscipline::Batch>* queue = nullptr, ICalJobDiscipline::Batch batch = nullptr);
    void runJob(const ICalJob& job, const ICalJobDiscipline::Ticket& ticket);
    void finishJob(const ICalJobOutcome& outcome);
    void startImports(const Notification& notification, QList<ICalJobDiscipline::Batch>* queue,
                      ICalJob::Kind insert, ICalJob::Kind update, ICalJob::Kind remove);
    void observeStore();

    std::shared_ptr<CalCalendarStore> m_iCalStore;
    std::atomic<qint64> m_numOfInsertedCal{0};
    std::atomic<qint64> m_numOfInsertedICal{0};
    QList<ICalJobDiscipline::Batch> m_iEventListICal;  // guarded by the discipline
    QList<ICalJobDiscipline::Batch> m_iTaskListICal;
    ICalJobDiscipline m_discipline;

    std::unique_ptr<QObject> m_observer;
    std::mutex m_threadsMutex;
    struct JobThread {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> done;
    };
    std::vector<JobThread> m_threads;
    std::atomic<int> m_runningThreads{0};
};
