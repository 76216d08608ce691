#include "iCalSyncJobs.h"

#include "Calendar.h"
#include "CoreData.h"
#include "NotificationCenter.h"
#include "RecordingMainView.h"
#include "Setting.h"
#include "Task.h"
#include "TestEnvironment.h"
#include "ZVWSync.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <stdexcept>
#include <thread>

namespace {

using Kind = ICalJob::Kind;

// The jobs with a work the test scripts: each work records its kind, and
// the script may hold it, fail it or say what it changed.
class ScriptedJobs : public iCalSyncJobs {
public:
    using iCalSyncJobs::iCalSyncJobs;
    ~ScriptedJobs() override { waitForAll(); }

    std::function<ICalJobOutcome(const ICalJob&)> script;

    void waitForAll()
    {
        processEventsUntil([this] { return finished.load() >= started.load(); }, 20000);
    }

    std::atomic<int> started{0};
    std::atomic<int> finished{0};
    std::atomic<int> holders{0};
    std::atomic<int> mostHolders{0};
    std::atomic<bool> flagSeenClear{false};
    std::mutex mutex;
    QList<Kind> order;
    QStringList firstUids;

protected:
    ICalJobOutcome work(const ICalJob& job) override
    {
        const int now = ++holders;
        mostHolders = std::max(mostHolders.load(), now);
        if (!iCalSyncBusy.load()) flagSeenClear = true;
        {
            std::lock_guard lock(mutex);
            order << job.kind;
            if (!job.uids.isEmpty()) firstUids << job.uids.first();
        }
        struct Leave {
            ScriptedJobs* jobs;
            ~Leave()
            {
                --jobs->holders;
                ++jobs->finished;
            }
        } leave{this};
        return script ? script(job) : ICalJobOutcome{};
    }
};

class JobDisciplineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder.isValid());
        store = CalCalendarStore::create(folder.path());
        jobs = std::make_unique<ScriptedJobs>(store);
    }
    void TearDown() override
    {
        jobs.reset();
        EXPECT_FALSE(iCalSyncBusy.load());
    }

    TaskPtr item() { return std::make_shared<Task>(); }
    CalendarPtr category() { return std::make_shared<Calendar>(); }
    void expectStarted(int count) { jobs->started += count; }

    QTemporaryDir folder;
    std::shared_ptr<CalCalendarStore> store;
    std::unique_ptr<ScriptedJobs> jobs;
};

Notification storeNotice(const CalCalendarStore* store, const QString& name, const QStringList& inserted,
                         const QStringList& updated, const QStringList& deleted)
{
    return Notification(name, const_cast<CalCalendarStore*>(store),
                        QVariantMap{{CalInsertedRecordsKey, inserted},
                                    {CalUpdatedRecordsKey, updated},
                                    {CalDeletedRecordsKey, deleted}});
}

// 200 jobs of every family started at once: one holder at a time, in the
// order they were started.
TEST_F(JobDisciplineTest, JobsHoldTheFlagOneAtATimeInStartOrder)
{
    jobs->script = [](const ICalJob&) {
        std::this_thread::sleep_for(std::chrono::microseconds(200));
        return ICalJobOutcome{};
    };
    QList<Kind> expected;
    for (int i = 0; i < 200; ++i) {
        switch (i % 5) {
        case 0: jobs->backgroundOneWaySyncInsertToICal(category(), false); expected << Kind::InsertCalendar; break;
        case 1: jobs->backgroundOneWaySyncInsertToICalEvent(item(), false); expected << Kind::InsertEvent; break;
        case 2: jobs->backgroundOneWaySyncDeleteToICalTask(item(), 0); expected << Kind::DeleteTask; break;
        case 3: jobs->backgroundOneWaySyncUpdateToICalEvent(item(), 1); expected << Kind::UpdateEvent; break;
        default: jobs->backgroundOneWaySyncInsertToICalTaskList({item()}); expected << Kind::InsertTaskList; break;
        }
    }
    expectStarted(200);
    jobs->waitForAll();
    EXPECT_EQ(jobs->mostHolders.load(), 1);
    EXPECT_FALSE(jobs->flagSeenClear.load());
    EXPECT_EQ(jobs->order, expected);
    EXPECT_EQ(jobs->numOfInsertedCal(), 0);
}

// While a category push that makes a calendar is queued or running, an event
// push for its items does not start its work.
TEST_F(JobDisciplineTest, CategoryPushComesBeforeTheEventPushesThatFollowIt)
{
    std::atomic<bool> release{false};
    std::atomic<qint64> countSeenByEvent{-1};
    jobs->script = [&](const ICalJob& job) {
        if (job.kind == Kind::InsertCalendar)
            while (!release.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        if (job.kind == Kind::InsertEvent) countSeenByEvent = jobs->numOfInsertedCal();
        return ICalJobOutcome{};
    };
    jobs->backgroundOneWaySyncInsertToICal(category(), true);
    jobs->backgroundOneWaySyncInsertToICalEvent(item(), false);
    expectStarted(2);
    processEventsUntil([] { return false; }, 100);
    EXPECT_EQ(jobs->numOfInsertedCal(), 1);
    {
        std::lock_guard lock(jobs->mutex);
        EXPECT_EQ(jobs->order, QList<Kind>{Kind::InsertCalendar});
    }
    release = true;
    jobs->waitForAll();
    EXPECT_EQ(jobs->order, (QList<Kind>{Kind::InsertCalendar, Kind::InsertEvent}));
    EXPECT_EQ(countSeenByEvent.load(), 0);
    EXPECT_EQ(jobs->numOfInsertedCal(), 0);
}

// An import that finds the sync off at its turn still takes its batch off
// the queue, so the next batch is served.
TEST_F(JobDisciplineTest, ImportBatchesLeaveTheQueueWhenTheirTurnComesWhateverTheJobDoes)
{
    std::atomic<int> queueSeenByFirst{-1};
    std::atomic<bool> allQueued{false};
    jobs->script = [&](const ICalJob& job) {
        if (job.uids.first() == QStringLiteral("a")) {
            // The first job may start before the second notice is queued:
            // it looks at the queue once both are in.
            for (int i = 0; i < 2000 && !allQueued; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
            queueSeenByFirst = int(jobs->iEventListICal().size());
        }
        return ICalJobOutcome{};  // as if the sync had been switched off meanwhile
    };
    jobs->doSthWithEvent(storeNotice(store.get(), CalEventsChangedExternallyNotification, {QStringLiteral("a")}, {}, {}));
    jobs->doSthWithEvent(storeNotice(store.get(), CalEventsChangedExternallyNotification, {}, {QStringLiteral("b")},
                                     {QStringLiteral("c")}));
    allQueued = true;
    expectStarted(3);
    jobs->waitForAll();
    EXPECT_EQ(jobs->firstUids, (QStringList{QStringLiteral("a"), QStringLiteral("c"), QStringLiteral("b")}));
    EXPECT_EQ(jobs->order, (QList<Kind>{Kind::InsertEventsFromICal, Kind::DeleteEventsFromICal, Kind::UpdateEventsFromICal}));
    EXPECT_EQ(queueSeenByFirst.load(), 2);  // its own batch already gone, the next two waiting
    EXPECT_TRUE(jobs->iEventListICal().isEmpty());
}

// One notice of all three kinds: its batches queue as deleted, inserted,
// updated, and their jobs work in that order, behind the job running now.
TEST_F(JobDisciplineTest, OneNoticeQueuesDeletedThenInsertedThenUpdatedAndRunsThemSo)
{
    std::atomic<bool> release{false};
    jobs->script = [&](const ICalJob& job) {
        if (job.kind == Kind::InsertCalendar)
            while (!release.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return ICalJobOutcome{};
    };
    jobs->backgroundOneWaySyncInsertToICal(category(), false);
    jobs->doSthWithEvent(storeNotice(store.get(), CalEventsChangedExternallyNotification, {QStringLiteral("i")},
                                     {QStringLiteral("u")}, {QStringLiteral("d")}));
    expectStarted(4);
    QStringList queued;
    for (const ICalJobDiscipline::Batch& batch : jobs->iEventListICal()) queued << batch->first();
    EXPECT_EQ(queued, (QStringList{QStringLiteral("d"), QStringLiteral("i"), QStringLiteral("u")}));
    release = true;
    jobs->waitForAll();
    EXPECT_EQ(jobs->order, (QList<Kind>{Kind::InsertCalendar, Kind::DeleteEventsFromICal, Kind::InsertEventsFromICal,
                                        Kind::UpdateEventsFromICal}));
    EXPECT_EQ(jobs->firstUids, (QStringList{QStringLiteral("d"), QStringLiteral("i"), QStringLiteral("u")}));
    EXPECT_TRUE(jobs->iEventListICal().isEmpty());
}

TEST_F(JobDisciplineTest, StoreNoticesStartImportsAndAskForTheBackupCountdown)
{
    QObject observer;
    int countdowns = 0;
    NotificationCenter::defaultCenter().addObserver(&observer, QStringLiteral("com.qrb.zvm.AutoBackupStartNotification"),
                                                    nullptr, [&](const Notification&) { ++countdowns; });
    CoreData manager;
    CoreData::setShared(&manager);
    NotificationCenter::defaultCenter().postNotificationName(
        CalCalendarsChangedExternallyNotification, store.get(),
        QVariantMap{{CalInsertedRecordsKey, QStringList{QStringLiteral("cal")}}});
    NotificationCenter::defaultCenter().postNotificationName(
        CalTasksChangedExternallyNotification, store.get(),
        QVariantMap{{CalDeletedRecordsKey, QStringList{QStringLiteral("t")}}});
    // Another store's notices are not ours.
    const auto other = CalCalendarStore::create(folder.path());
    NotificationCenter::defaultCenter().postNotificationName(
        CalTasksChangedExternallyNotification, other.get(),
        QVariantMap{{CalDeletedRecordsKey, QStringList{QStringLiteral("x")}}});
    expectStarted(2);
    jobs->waitForAll();
    EXPECT_EQ(jobs->order, (QList<Kind>{Kind::InsertCalendarsFromICal, Kind::DeleteTasksFromICal}));
    EXPECT_EQ(countdowns, 2);
    EXPECT_EQ(jobs->numOfInsertedICal(), 0);

    // With the sync off nothing starts and nothing is asked for.
    manager.setBSynciCalEnable(false);
    NotificationCenter::defaultCenter().postNotificationName(
        CalEventsChangedExternallyNotification, store.get(),
        QVariantMap{{CalInsertedRecordsKey, QStringList{QStringLiteral("e")}}});
    processEventsUntil([] { return false; }, 50);
    EXPECT_EQ(jobs->order.size(), 2);
    EXPECT_EQ(countdowns, 2);
    CoreData::setShared(nullptr);
}

// Whatever way a job ends, the flag, the count and the batch come back.
TEST_F(JobDisciplineTest, AFailingJobGivesBackTheFlagTheCountAndItsBatch)
{
    jobs->script = [](const ICalJob& job) -> ICalJobOutcome {
        if (job.kind == Kind::InsertCalendar || job.kind == Kind::InsertEventsFromICal)
            throw std::runtime_error("store refused");
        return {};
    };
    jobs->backgroundOneWaySyncInsertToICal(category(), false);
    jobs->doSthWithEvent(storeNotice(store.get(), CalEventsChangedExternallyNotification, {QStringLiteral("a")}, {}, {}));
    jobs->backgroundOneWaySyncInsertToICalEvent(item(), false);
    expectStarted(3);
    jobs->waitForAll();
    EXPECT_EQ(jobs->order.size(), 3);
    EXPECT_EQ(jobs->numOfInsertedCal(), 0);
    EXPECT_TRUE(jobs->iEventListICal().isEmpty());
    EXPECT_FALSE(iCalSyncBusy.load());
    // Jobs on the caller's thread, too.
    jobs->script = [](const ICalJob&) -> ICalJobOutcome { throw std::runtime_error("disk full"); };
    expectStarted(1);
    jobs->backgroundFullSync();
    EXPECT_FALSE(iCalSyncBusy.load());
}

// The start-up full sync holds the main thread while it waits: a job ahead
// of it whose work posts on the main thread must not hold the flag while
// that post waits, or neither would ever go on.
TEST_F(JobDisciplineTest, AJobGivesTheFlagBackBeforeItsPostsReachTheMainThread)
{
    QObject observer;
    std::atomic<bool> delivered{false};
    NotificationCenter::defaultCenter().addObserver(&observer, QStringLiteral("Task changed"), nullptr,
                                                    [&](const Notification&) { delivered = true; });
    std::atomic<bool> postedFromWork{false};
    jobs->script = [&](const ICalJob& job) {
        if (job.kind == Kind::UpdateEvent) {
            NotificationCenter::defaultCenter().postNotificationOnMainThreadName(QStringLiteral("Task changed"));
            postedFromWork = true;
        }
        return ICalJobOutcome{};
    };
    jobs->backgroundOneWaySyncUpdateToICalEvent(item(), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    jobs->backgroundFullSync();  // on the main thread, after the update
    expectStarted(2);
    EXPECT_EQ(jobs->order, (QList<Kind>{Kind::UpdateEvent, Kind::FullSync}));
    EXPECT_TRUE(postedFromWork.load());
    EXPECT_TRUE(processEventsUntil([&] { return delivered.load(); }));
}

// A job whose work deletes at once (on its own thread) does not wait for
// the flag it holds itself.
TEST_F(JobDisciplineTest, ASynchronousJobStartedInsideAJobRunsAsPartOfIt)
{
    jobs->script = [&](const ICalJob& job) {
        if (job.kind == Kind::RestoreCalendars) jobs->syncDeleteToICalTask(item());
        return ICalJobOutcome{};
    };
    jobs->backgroundRestoreCalendars();
    expectStarted(2);
    EXPECT_EQ(jobs->order, (QList<Kind>{Kind::RestoreCalendars, Kind::SyncDeleteTask}));
    EXPECT_FALSE(iCalSyncBusy.load());
}

struct RefreshCase {
    const char* name;
    bool visible;
    bool key;
    bool changed;
    bool reloads;
    bool tells;  // "Task changed" from the data manager: the panes' paced refresh
};

TEST_F(JobDisciplineTest, ViewsReloadOnlyWhenTheWindowIsVisibleAndNotKey)
{
    const RefreshCase cases[] = {{"visible, not key", true, false, true, true, false},
                                 {"visible and key", true, true, true, false, true},
                                 {"visible and key, nothing changed", true, true, false, false, false},
                                 {"hidden", false, false, true, false, false},
                                 {"nothing changed", true, false, false, false, false}};
    CoreData manager;
    CoreData::setShared(&manager);
    QObject observer;
    int told = 0;
    NotificationCenter::defaultCenter().addObserver(&observer, kTaskChanged, nullptr, [&](const Notification& n) {
        if (n.objectAs<CoreData*>() == &manager) ++told;
    });
    for (const RefreshCase& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingMainView view;
        view.windowVisible = c.visible;
        view.keyWindow = c.key;
        told = 0;
        jobs->script = [&](const ICalJob&) { return ICalJobOutcome{c.changed, 0, false}; };
        jobs->backgroundOneWaySyncInsertToICalTask(item());
        expectStarted(1);
        jobs->waitForAll();
        processEventsUntil([] { return false; }, 30);
        EXPECT_EQ(view.calls().contains(QStringLiteral("reload")), c.reloads) << view.calls().join(u',').toStdString();
        EXPECT_EQ(told, c.tells ? 1 : 0);
        EXPECT_FALSE(view.askedOffMainThread.load()) << "the job's thread called the view";
    }
    NotificationCenter::defaultCenter().removeObserver(&observer);
    CoreData::setShared(nullptr);
}

TEST_F(JobDisciplineTest, WebPushIsAskedForWhenAutomaticWebSyncIsOn)
{
    QObject observer;
    QList<qint64> masks;
    NotificationCenter::defaultCenter().addObserver(&observer, kAutoSyncNotification, nullptr,
                                                    [&](const Notification& n) { masks << n.objectAs<qint64>(); });
    CoreData manager;
    auto setting = std::make_shared<Setting>();
    manager.setCurrentSetting(setting);
    CoreData::setShared(&manager);
    jobs->script = [](const ICalJob& job) { return ICalJobOutcome{true, 2, job.flag}; };

    jobs->backgroundOneWaySyncInsertToICalTask(item(), false);  // automatic sync off: nothing
    jobs->backgroundOneWaySyncInsertToICalTask(item(), true);   // asked for whatever the setting says
    expectStarted(2);
    jobs->waitForAll();
    processEventsUntil([&] { return !masks.isEmpty(); }, 500);
    EXPECT_EQ(masks, QList<qint64>{2});

    setting->setAutoZVWSync(1);
    jobs->backgroundOneWaySyncInsertToICalTask(item(), false);
    expectStarted(1);
    jobs->waitForAll();
    EXPECT_TRUE(processEventsUntil([&] { return masks.size() == 2; }));
    CoreData::setShared(nullptr);
}

TEST_F(JobDisciplineTest, AScheduledTaskNeverBecomesAnEventJob)
{
    TaskPtr scheduled = item();
    scheduled->setIsSheduledTask(true);
    jobs->backgroundOneWaySyncInsertToICalEvent(scheduled, false);
    processEventsUntil([] { return false; }, 50);
    EXPECT_TRUE(jobs->order.isEmpty());
}

}  // namespace
