// A full web sync killed in the middle of its item uploads: the database is
// sound, no item is lost, and the next pass leaves both sides with the same
// items, each once.
#include "WebExchangeFixture.h"

#include "Task.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QThread>

#include <atomic>
#include <csignal>
#include <random>

namespace {

class FullPassCrashTest : public WebExchangeTest {
protected:
    // One pass in a process of its own on the test's database.
    void startRunner(QProcess& runner)
    {
        // The test's connection holds nothing while the runner writes.
        RecordStore::finalizeAllStatements();
        runner.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        runner.start(QStringLiteral(ZORAVEL_FULL_PASS_RUNNER), {m_service.baseAddress(), dataFolder(), account, QStringLiteral("secret")});
        ASSERT_TRUE(runner.waitForStarted(10000));
    }
    QString integrity()
    {
        sqlite3_stmt* check = nullptr;
        EXPECT_EQ(sqlite3_prepare_v2(db(), "PRAGMA integrity_check", -1, &check, nullptr), SQLITE_OK);
        EXPECT_EQ(sqlite3_step(check), SQLITE_ROW);
        const QString verdict = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(check, 0)));
        sqlite3_finalize(check);
        return verdict;
    }
    QStringList serviceTitles()
    {
        QStringList titles;
        for (const QJsonObject& record : m_service.itemRecordsOf(account))
            titles.append(record.value(QStringLiteral("title")).toString());
        titles.sort();
        return titles;
    }
    QStringList localNames(const char* condition)
    {
        QStringList names;
        sqlite3_stmt* statement = nullptr;
        const QByteArray sql = QByteArray("SELECT taskName FROM Tasks WHERE ") + condition;
        EXPECT_EQ(sqlite3_prepare_v2(db(), sql.constData(), -1, &statement, nullptr), SQLITE_OK);
        while (sqlite3_step(statement) == SQLITE_ROW)
            names.append(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0))));
        sqlite3_finalize(statement);
        names.sort();
        return names;
    }
};

}  // namespace

TEST_F(FullPassCrashTest, AKillDuringTheThirdUploadLosesNothingAndTheNextPassEvensBothSides)
{
    const CalendarPtr work = addLocalCategory(QStringLiteral("Work"));
    m_setting->setCalendarDefID(work->primaryKey());
    ASSERT_TRUE(m_setting->dehydrate());
    // Four upload requests of at most 50 items.
    constexpr int itemCount = 180;
    QStringList names;
    for (int n = 1; n <= itemCount; ++n) {
        auto item = std::make_shared<Task>();
        item->setTaskName(QStringLiteral("Item %1").arg(n, 3, 10, QLatin1Char('0')));
        item->setCalendarId(work->primaryKey());
        ASSERT_TRUE(item->insertAndDehydrate());
        names.append(item->taskName());
    }
    names.sort();

    ServiceFault hold;
    hold.kind = ServiceFault::Hold;
    hold.fromRequest = 3;
    m_service.setFault(QStringLiteral("POST"), QStringLiteral("/api/tasks.json"), hold);

    QProcess runner;
    startRunner(runner);
    QElapsedTimer waited;
    waited.start();
    while (m_service.heldRequests() == 0 && runner.state() == QProcess::Running && waited.elapsed() < 60000)
        QThread::msleep(5);
    ASSERT_EQ(m_service.heldRequests(), 1) << "the runner never reached its third upload (exit "
                                           << runner.exitCode() << ")";
    runner.kill();  // SIGKILL
    ASSERT_TRUE(runner.waitForFinished(10000));
    ASSERT_EQ(runner.exitStatus(), QProcess::CrashExit);
    // The held request is dropped unanswered: the service stored none of it.
    m_service.releaseHeld();
    m_service.clearFaults();
    EXPECT_EQ(requestsTo(QStringLiteral("POST"), QStringLiteral("/api/tasks.json")), 3);
    EXPECT_EQ(m_service.itemRecordsOf(account).size(), 100) << "the two answered uploads";

    ASSERT_EQ(integrity(), QStringLiteral("ok"));
    EXPECT_EQ(localNames("1"), names) << "every item is still there";
    const QStringList uploaded = localNames("zvwID > 0");
    EXPECT_EQ(uploaded, serviceTitles()) << "those with a server id are the ones the service answered for";
    EXPECT_EQ(localNames("zvwID = 0").size(), itemCount - 100) << "the rest wait for upload";

    QProcess next;
    startRunner(next);
    ASSERT_TRUE(next.waitForFinished(60000));
    ASSERT_EQ(next.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(next.exitCode(), 0) << "the next pass ended without failure";
    ASSERT_EQ(integrity(), QStringLiteral("ok"));
    EXPECT_EQ(serviceTitles(), names) << "each item once on the service";
    EXPECT_EQ(localNames("1"), names);
    EXPECT_TRUE(localNames("zvwID = 0").isEmpty());
}

// Twenty kills at random moments of a first upload, each followed by a pass
// that runs to its end: half right after the service made a batch, before
// its answer went out, half a few milliseconds after a request. No item is
// lost and none is made twice, on either side: weekly series whose first
// occurrence is off their weekdays neither.
TEST_F(FullPassCrashTest, RandomKillsDuringAFirstUploadDoubleNothing)
{
    const CalendarPtr work = addLocalCategory(QStringLiteral("Work"));
    const unsigned seed = std::random_device{}();
    std::mt19937 random(seed);
    QStringList names;
    for (int round = 0; round < 20; ++round) {
        for (int n = 0; n < 120; ++n) {  // three requests
            auto item = std::make_shared<Task>();
            item->setTaskName(QStringLiteral("Round %1 item %2").arg(round, 2, 10, QLatin1Char('0')).arg(n, 3, 10, QLatin1Char('0')));
            item->setCalendarId(work->primaryKey());
            if (n % 8 == 0) makeSeriesOffItsWeekdays(*item, 3 + n % 3);  // Tuesday to Thursday
            ASSERT_TRUE(item->insertAndDehydrate());
            names.append(item->taskName());
        }
        names.sort();
        const int killAt = std::uniform_int_distribution(1, 3)(random);
        const int delayMs = round % 2 == 0 ? 0 : std::uniform_int_distribution(0, 30)(random);
        SCOPED_TRACE(QStringLiteral("seed %1, round %2, request %3, %4 ms").arg(seed).arg(round).arg(killAt).arg(delayMs).toStdString());
        std::atomic<qint64> pid{0};
        std::atomic<int> posts{0};
        m_service.setRequestHook([&](const ServiceRequest& request) {
            if (request.method == QStringLiteral("POST") && request.path == QStringLiteral("/api/tasks.json")
                && ++posts == killAt && delayMs == 0 && pid > 0)
                ::kill(pid_t(pid.load()), SIGKILL);  // made, not answered yet
        });
        QProcess runner;
        startRunner(runner);
        pid = runner.processId();
        QElapsedTimer waited;
        waited.start();
        while (posts < killAt && runner.state() == QProcess::Running && waited.elapsed() < 60000) QThread::msleep(1);
        QThread::msleep(delayMs);
        runner.kill();
        ASSERT_TRUE(runner.waitForFinished(10000));
        m_service.setRequestHook({});

        QProcess next;
        startRunner(next);
        ASSERT_TRUE(next.waitForFinished(60000));
        EXPECT_EQ(next.exitCode(), 0);
        ASSERT_EQ(integrity(), QStringLiteral("ok"));
        ASSERT_EQ(serviceTitles(), names) << "each item once on the service";
        ASSERT_EQ(localNames("1"), names);
        ASSERT_TRUE(localNames("zvwID = 0").isEmpty());
    }
}
