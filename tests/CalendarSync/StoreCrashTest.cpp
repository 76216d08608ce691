// The organizer with the calendar store in a process of its own, killed at
// random moments while it saves changes, then started again on the same
// folders: what was committed before the kill is what the next start keeps,
// and the store holds it too; a category deleted before the kill stays
// deleted, in the database and in the store.
#include "CalCalendarStore.h"
#include "CalEvent.h"
#include "CalTask.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QSet>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <sqlite3.h>

#include <iostream>
#include <map>

namespace StoreCrashTests {

constexpr int killedRuns = 20;

struct KilledCase;

class StoreCrashTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // On the disk of this machine every commit waits for the disk; in
        // memory a run takes a fraction of that.
        const QString base = QFileInfo(QStringLiteral("/dev/shm")).isWritable() ? QStringLiteral("/dev/shm") : QDir::tempPath();
        folder = std::make_unique<QTemporaryDir>(base + QStringLiteral("/zoravel-store-crash-XXXXXX"));
        ASSERT_TRUE(folder->isValid());
        ASSERT_TRUE(QDir().mkpath(storePath()));
    }

    QString storePath() const { return folder->path() + QStringLiteral("/store"); }
    QString databasePath() const { return folder->path() + QStringLiteral("/Zoravel/ZoravelTests/Database.sql"); }

    void start(QProcess& runner, const QStringList& arguments)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_DATA_HOME"), folder->path());
        environment.insert(QStringLiteral("ZORAVEL_CALENDAR_STORE"), storePath());
        environment.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("*.info=false;default.warning=false"));
        runner.setProcessEnvironment(environment);
        runner.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        runner.start(QStringLiteral(ZORAVEL_STORE_RUNNER), arguments);
    }

    // Until the runner says "ready" (its start's full sync done); false when it ended first.
    static bool waitReady(QProcess& runner)
    {
        while (runner.state() != QProcess::NotRunning || runner.canReadLine()) {
            if (!runner.canReadLine()) {
                runner.waitForReadyRead(100);
                continue;
            }
            if (runner.readLine().trimmed() == "ready") return true;
        }
        return false;
    }

    // Lets the runner work for a random while, kills it, and answers what it said.
    static QStringList workThenKill(QProcess& runner, QRandomGenerator& random)
    {
        runner.write("go\n");
        runner.waitForBytesWritten(1000);
        QThread::msleep(random.bounded(20, 160));
        runner.kill();  // SIGKILL
        runner.waitForFinished(10000);
        QStringList lines;
        while (runner.canReadLine()) lines << QString::fromUtf8(runner.readLine().trimmed());
        return lines;
    }

    // The first column of a query on the database, read as a new start reads
    // it (a unit the kill cut short is rolled back first).
    QStringList column(const char* sql) const
    {
        QStringList values;
        sqlite3* db = nullptr;
        if (sqlite3_open_v2(databasePath().toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK) {
            sqlite3_stmt* statement = nullptr;
            EXPECT_EQ(sqlite3_prepare_v2(db, sql, -1, &statement, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
            while (sqlite3_step(statement) == SQLITE_ROW)
                values << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)));
            EXPECT_EQ(sqlite3_errcode(db), SQLITE_DONE) << sqlite3_errmsg(db);
            sqlite3_finalize(statement);
        }
        sqlite3_close(db);
        values.sort();
        return values;
    }

    void runKilled(const KilledCase& c);

    // A store calendar, linked to the default category, with no item.
    void seedEmptyCalendar()
    {
        QProcess seeding;
        start(seeding, {QStringLiteral("seed"), QStringLiteral("0"), QStringLiteral("0")});
        ASSERT_TRUE(seeding.waitForFinished(60000));
        ASSERT_EQ(seeding.exitCode(), 0);
    }

    // Says "go", waits until the runner has committed a change (a line
    // beginning with `said`), and kills it a random while later, below
    // `microseconds`; the rest of every such line it said goes to `done`.
    static bool killAfterItSays(QProcess& runner, const QString& said, QStringList& done, QRandomGenerator& random,
                                int microseconds)
    {
        runner.write("go\n");
        runner.waitForBytesWritten(1000);
        const auto take = [&] {
            bool any = false;
            while (runner.canReadLine()) {
                const QString line = QString::fromUtf8(runner.readLine().trimmed());
                if (!line.startsWith(said)) continue;
                done << line.mid(said.size());
                any = true;
            }
            return any;
        };
        bool committed = false;
        while (!committed && runner.state() != QProcess::NotRunning && runner.waitForReadyRead(20000)) committed = take();
        if (!committed) return false;
        QThread::usleep(random.bounded(0, microseconds));
        runner.kill();  // SIGKILL
        runner.waitForFinished(10000);
        take();
        return true;
    }

    std::unique_ptr<QTemporaryDir> folder;
};

// Each item as "<uid> <state>": a task's state is done or open (or its
// title), an event's its title.
QStringList storeHoldings(const QString& path, bool taskTitles)
{
    const auto store = CalCalendarStore::create(path);
    QStringList held;
    for (const CalTaskPtr& task : store->tasksWithPredicate(CalCalendarStore::taskPredicateWithCalendars(store->calendars())))
        held << task->uid() + QLatin1Char(' ')
                    + (taskTitles ? task->title() : task->isCompleted() ? QStringLiteral("done") : QStringLiteral("open"));
    const Date from = Date::dateWithTimeIntervalSince1970(0);
    const Date to = Date::dateWithTimeIntervalSince1970(4102444800.0);
    for (const CalEventPtr& event :
         store->eventsWithPredicate(CalCalendarStore::eventPredicateWithStartDate(from, to, store->calendars())))
        held << event->uid() + QLatin1Char(' ') + event->title();
    held.sort();
    held.removeDuplicates();
    return held;
}

QStringList storeTitles(CalCalendarStore& store)
{
    QStringList titles;
    for (const CalTaskPtr& task : store.tasksWithPredicate(CalCalendarStore::taskPredicateWithCalendars(store.calendars())))
        titles << task->title();
    for (const CalEventPtr& event : store.eventsWithPredicate(CalCalendarStore::eventPredicateWithStartDate(
             Date::dateWithTimeIntervalSince1970(0), Date::dateWithTimeIntervalSince1970(4102444800.0), store.calendars())))
        titles << event->title();
    return titles;
}

std::string lines(const QStringList& list)
{
    return list.join(QLatin1Char('\n')).toStdString();
}

constexpr const char* itemsQuery =
    "SELECT iCalIdentifier || ' ' || CASE taskType WHEN 1 THEN (CASE status WHEN 0 THEN 'open' ELSE 'done' END) "
    "ELSE taskName END FROM Tasks WHERE parentId = -1 AND taskType IN (0, 1)";

// Kind of change, runner mode, what the database holds of it.
struct KilledCase {
    const char* name;
    QStringList seed;
    QStringList mode;
    const char* committed;
    bool deletes;  // categories deleted: none comes back; else changes: each kept
    bool taskTitles = false;  // the store's tasks compared by title
};

void StoreCrashTest::runKilled(const KilledCase& c)
{
    SCOPED_TRACE(c.name);
    QRandomGenerator random(20261209);
    QProcess seeding;
    start(seeding, c.seed);
    ASSERT_TRUE(seeding.waitForFinished(60000));
    ASSERT_EQ(seeding.exitCode(), 0);
    QStringList afterKill;  // the committed state as the kill left it
    QStringList deleted;    // categories whose delete was committed
    for (int run = 0; run <= killedRuns; ++run) {
        SCOPED_TRACE(run);
        QProcess runner;
        QStringList arguments = c.mode;
        arguments << QString::number(random.generate());
        start(runner, arguments);
        ASSERT_TRUE(waitReady(runner)) << "the start's full sync ends";
        const QStringList atStart = column(c.committed);
        if (!c.deletes) {
            if (run > 0) {
                EXPECT_EQ(lines(atStart), lines(afterKill)) << "the start keeps every committed change";
            }
            EXPECT_EQ(lines(storeHoldings(storePath(), c.taskTitles)), lines(atStart)) << "the store holds what the database holds";
        } else {
            for (const QString& name : deleted) {
                EXPECT_FALSE(atStart.contains(name)) << name.toStdString() << " came back";
                EXPECT_FALSE(atStart.contains(name + QStringLiteral(" task 0"))) << name.toStdString();
            }
            const auto store = CalCalendarStore::create(storePath());
            for (const CalCalendarPtr& calendar : store->calendars()) {
                EXPECT_FALSE(deleted.contains(calendar->title())) << "the store keeps " << calendar->title().toStdString();
                EXPECT_NE(calendar->title(), calendar->uid()) << "a calendar without its category came back";
            }
            for (const QString& title : storeTitles(*store))
                EXPECT_FALSE(deleted.contains(title)) << "the store keeps " << title.toStdString();
        }
        if (run == killedRuns) {
            runner.kill();
            runner.waitForFinished(10000);
            break;
        }
        for (const QString& line : workThenKill(runner, random))
            if (line.startsWith(QStringLiteral("deleted "))) deleted << line.mid(8);
        afterKill = column(c.committed);
    }
    if (c.deletes) {
        EXPECT_GE(deleted.size(), killedRuns) << "the runs deleted categories";
    }
}

TEST_F(StoreCrashTest, CommittedChangesKilledBeforeTheirStoreWriteAreKeptByTheNextStart)
{
    // Ticks of tasks and new titles of events, each committed and then
    // written to the store by the worker; the kill lands anywhere between.
    const KilledCase cases[] = {
        {"ticks and retitles", {QStringLiteral("seed"), QStringLiteral("12"), QStringLiteral("12")},
         {QStringLiteral("ticks")}, itemsQuery, false},
        // The task editor's save and the mark of its store write are one
        // unit: a kill between them would read the old title back.
        {"tasks retitled as the task editor saves them", {QStringLiteral("seed"), QStringLiteral("12"), QStringLiteral("0")},
         {QStringLiteral("retitles")},
         "SELECT iCalIdentifier || ' ' || taskName FROM Tasks WHERE parentId = -1 AND taskType IN (0, 1)", false, true},
    };
    for (const KilledCase& c : cases) runKilled(c);
}

TEST_F(StoreCrashTest, CategoriesDeletedBeforeOrAfterTheirCalendarIsMadeStayDeleted)
{
    // A new category with two tasks deleted at once, its store calendar
    // still to be made or made, the kill anywhere; none comes back, in the
    // database or as a store calendar (named with its uid or its title).
    const KilledCase cases[] = {
        {"new categories deleted at once", {QStringLiteral("seed"), QStringLiteral("0"), QStringLiteral("0")},
         {QStringLiteral("categories")},
         "SELECT calendarName FROM Calendars WHERE calendarName LIKE 'Doomed %' "
         "UNION ALL SELECT taskName FROM Tasks WHERE taskName LIKE 'Doomed %'",
         true},
    };
    for (const KilledCase& c : cases) runKilled(c);
}

TEST_F(StoreCrashTest, ItemsDeletedBeforeTheirCopyIsRemovedStayDeleted)
{
    // Two tasks and two events of a category in the store, deleted one
    // after the other, the kill anywhere: none comes back, row or copy.
    const KilledCase cases[] = {
        {"items deleted after the store took them", {QStringLiteral("seed"), QStringLiteral("0"), QStringLiteral("0")},
         {QStringLiteral("items")}, "SELECT taskName FROM Tasks WHERE taskName LIKE 'Doomed %'", true},
    };
    for (const KilledCase& c : cases) runKilled(c);
}

// Each title of the store's tasks and events, as often as it is there.
QStringList storeCopies(const QString& path, bool tasks)
{
    const auto store = CalCalendarStore::create(path);
    QStringList titles;
    if (tasks) {
        for (const CalTaskPtr& task : store->tasksWithPredicate(CalCalendarStore::taskPredicateWithCalendars(store->calendars())))
            titles << task->title();
    } else {
        QSet<QString> uids;  // one per series
        for (const CalEventPtr& event : store->eventsWithPredicate(CalCalendarStore::eventPredicateWithStartDate(
                 Date::dateWithTimeIntervalSince1970(0), Date::dateWithTimeIntervalSince1970(4102444800.0), store->calendars())))
            if (!uids.contains(event->uid())) {
                uids.insert(event->uid());
                titles << event->title();
            }
    }
    return titles;
}

TEST_F(StoreCrashTest, TasksConvertedOrMovedOutOfTheStoreAreThereOnceAfterAKill)
{
    // A task with its store copy is turned into a scheduled task, an event,
    // or postponed into an events-only category; the kill lands a few
    // milliseconds after the commit. The next start has the item once, and
    // the store holds it once as an event, or not at all: never the old
    // task copy beside it, never the item left out.
    struct Case {
        const char* how;
        int eventCopies;  // store events of a converted item
    };
    const Case cases[] = {{"stask", 0}, {"event", 1}, {"postpone", 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.how);
        SetUp();
        QRandomGenerator random(20260214);
        ASSERT_NO_FATAL_FAILURE(seedEmptyCalendar());
        QStringList converted;
        for (int run = 0; run <= killedRuns; ++run) {
            SCOPED_TRACE(run);
            QProcess runner;
            start(runner, {QStringLiteral("conversions"), QString::number(random.generate()), QString::fromLatin1(c.how)});
            ASSERT_TRUE(waitReady(runner)) << "the start's full sync ends";
            const QStringList rows = column("SELECT taskName FROM Tasks WHERE taskName LIKE 'Conv %'");
            const QStringList storeTasks = storeCopies(storePath(), true);
            const QStringList storeEvents = storeCopies(storePath(), false);
            for (const QString& title : QSet<QString>(rows.begin(), rows.end())) {
                EXPECT_EQ(rows.count(title), 1) << title.toStdString() << " is there more than once";
                EXPECT_LE(storeTasks.count(title) + storeEvents.count(title), 1) << title.toStdString();
            }
            for (const QString& title : converted) {
                EXPECT_EQ(rows.count(title), 1) << title.toStdString() << " is there once";
                EXPECT_EQ(storeTasks.count(title), 0) << title.toStdString() << " kept its task copy";
                EXPECT_EQ(storeEvents.count(title), c.eventCopies) << title.toStdString();
            }
            if (run == killedRuns) {
                runner.kill();
                runner.waitForFinished(10000);
                break;
            }
            // Killed a few milliseconds after a conversion is committed.
            ASSERT_TRUE(killAfterItSays(runner, QStringLiteral("converted "), converted, random, 3000)) << "the runner converts";
        }
    }
}

// The occurrences the store holds of each family of split series (both
// parts, by title), in the window the runner counts in.
std::map<QString, int> storeFamilyCounts(const QString& path)
{
    const auto store = CalCalendarStore::create(path);
    const Date now = Date::dateWithTimeIntervalSince1970(double(QDateTime::currentSecsSinceEpoch()));
    std::map<QString, int> counts;
    for (const CalEventPtr& event : store->eventsWithPredicate(CalCalendarStore::eventPredicateWithStartDate(
             now.dateByAddingTimeInterval(-390 * 86400.0), now.dateByAddingTimeInterval(390 * 86400.0), store->calendars())))
        if (event->title().startsWith(QStringLiteral("Split "))) ++counts[event->title().section(QLatin1Char(' '), 0, 2)];
    return counts;
}

TEST_F(StoreCrashTest, SeriesSplitThisAndFutureAreThereOnceAfterAKill)
{
    // A weekly series of 12 edited from its fourth occurrence on, the kill
    // anywhere in the three seconds after the edit is committed (on an idle
    // store, and while another program writes into it): the next start
    // shows each of the 12 once, and the store holds each once.
    struct Case {
        const char* name;
        int runs;
        bool otherWriter;
    };
    // (Fewer runs than a real check takes: each waits up to 3 s, and the
    // sanitizer build runs this too.)
    const Case cases[] = {{"idle store", 8, false}, {"another program writing", 4, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        QRandomGenerator random(20261211);
        ASSERT_NO_FATAL_FAILURE(seedEmptyCalendar());
        QProcess writer;
        if (c.otherWriter) {
            // Events of its own, one file every 20 ms, in the calendar's folder.
            writer.start(QStringLiteral("/bin/sh"),
                         {QStringLiteral("-c"),
                          QStringLiteral("n=0; while :; do n=$(((n+1) % 20)); for d in \"%1\"/*.calendar/Events; do "
                                         "printf 'BEGIN:VCALENDAR\\r\\nVERSION:2.0\\r\\nPRODID:-//Other//EN\\r\\nBEGIN:VEVENT\\r\\n"
                                         "UID:other-%2-'$n'\\r\\nDTSTAMP:20260101T000000Z\\r\\nDTSTART:20261212T100000Z\\r\\n"
                                         "DTEND:20261212T110000Z\\r\\nSUMMARY:Other '$n'\\r\\nEND:VEVENT\\r\\nEND:VCALENDAR\\r\\n' "
                                         "> \"$d/other-$n.ics\"; break; done; sleep 0.02; done")
                              .arg(storePath())
                              .arg(QCoreApplication::applicationPid())});
            ASSERT_TRUE(writer.waitForStarted(10000));
        }
        QStringList families;
        for (int run = 0; run <= c.runs; ++run) {
            SCOPED_TRACE(run);
            QProcess runner;
            start(runner, {QStringLiteral("splits")});
            std::map<QString, int> shown;
            bool ready = false;
            while (!ready && (runner.state() != QProcess::NotRunning || runner.canReadLine())) {
                if (!runner.canReadLine()) {
                    runner.waitForReadyRead(100);
                    continue;
                }
                const QString line = QString::fromUtf8(runner.readLine().trimmed());
                if (line == QStringLiteral("ready")) ready = true;
                if (line.startsWith(QStringLiteral("count "))) shown[line.section(QLatin1Char(' '), 1, 3)] = line.section(QLatin1Char(' '), 4).toInt();
            }
            ASSERT_TRUE(ready) << "the start's full sync ends";
            const std::map<QString, int> held = storeFamilyCounts(storePath());
            for (const QString& family : families) {
                EXPECT_EQ(shown[family], 12) << family.toStdString() << " as the organizer shows it";
                EXPECT_EQ(held.count(family) ? held.at(family) : 0, 12) << family.toStdString() << " as the store holds it";
            }
            if (run == c.runs) {
                runner.kill();
                runner.waitForFinished(10000);
                break;
            }
            ASSERT_TRUE(killAfterItSays(runner, QStringLiteral("split "), families, random, 3000000)) << "the runner splits";
        }
        if (c.otherWriter) {
            writer.kill();
            writer.waitForFinished(10000);
        }
        std::cout << "[  COUNT   ] " << c.name << ": " << families.size() << " series split\n";
    }
}

}  // namespace StoreCrashTests
