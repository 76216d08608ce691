// One account used from several organizers, each on a data folder of its
// own, with edits made on the service between their passes. Each organizer
// is a real start of the data manager; a restart closes it and opens the
// same folder again. Every pass runs on the sync's own thread.
#include "Calendar.h"
#include "Clock.h"
#include "CoreData.h"
#include "HttpSession.h"
#include "Link.h"
#include "LoopbackService.h"
#include "ManualScheduler.h"
#include "NetworkStatus.h"
#include "PostedNotifications.h"
#include "RecordStore.h"
#include "RecordingICalSync.h"
#include "Scheduler.h"
#include "Setting.h"
#include "Task.h"
#include "TestEnvironment.h"
#include "Utilities.h"
#include "ZVWSync.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <array>

namespace WebSyncOrganizersTests {

namespace {

const QString account = QStringLiteral("ann@example.com");
const QString password = QStringLiteral("secret");
// Monday 4 March 2013, 10:00 UTC.
const double monday = 1362391200;

// What an organizer holds, in forms that compare with the other organizers
// and with the service.
struct Holdings {
    QStringList categories;  // "name|type"
    QStringList items;       // "title|type|category|start|exception dates|zvwID"
    QStringList details;     // items with their markers and occurrences
    QStringList links;       // "root title>target title"
};

// Lists compare as text, so a failure shows them readably.
std::string text(const QStringList& list)
{
    return list.join(QStringLiteral("\n")).toStdString();
}

class WebSyncOrganizersTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const QTemporaryDir& folder : m_folders) ASSERT_TRUE(folder.isValid());
        m_previousHome = qgetenv("XDG_DATA_HOME");
        Clock::setFixed(Date::dateWithTimeIntervalSince1970(monday));
        HttpSession::setDefaultTimeouts(HttpTimeouts{2.0, 1.0, 1.0});
        NetworkStatus::instance().setOverride(0);
        m_service.addAccount(account, password);
        qputenv("ZORAVEL_SERVICE_URL", m_service.baseAddress().toUtf8());
    }
    void TearDown() override
    {
        close();
        qunsetenv("ZORAVEL_SERVICE_URL");
        qputenv("XDG_DATA_HOME", m_previousHome);
        NetworkStatus::instance().setOverride(std::nullopt);
        HttpSession::setDefaultTimeouts(HttpTimeouts{});
        webSyncBusy = false;
        Clock::reset();
    }

    // Starts organizer `which` on its own folder, signed in to the account.
    CoreData& open(int which)
    {
        close();
        qputenv("XDG_DATA_HOME", m_folders[which].path().toUtf8());
        m_open = std::make_unique<CoreData>();
        m_open->setICalSync(std::make_unique<RecordingICalSync>());
        CoreData::setShared(m_open.get());
        EXPECT_TRUE(m_open->init()) << "organizer " << which;
        m_which = which;
        const SettingPtr setting = m_open->currentSetting();
        if (setting->zvwUserName().isEmpty()) {
            EXPECT_TRUE(m_open->writeZVWAccount(account, password));
            setting->setZvwUserName(account);
            setting->setZvwPassword(password);
            EXPECT_TRUE(setting->dehydrate());
        }
        internetReachable = true;
        return *m_open;
    }
    void close()
    {
        if (!m_open) return;
        EXPECT_TRUE(m_open->zvwSync()->waitUntilIdle(20));
        deliverPosts();
        CoreData::setShared(nullptr);
        m_open.reset();
        RecordStore::finalizeAllStatements();
        sqlite3_close(RecordStore::sharedDatabase());
        RecordStore::setSharedDatabase(nullptr);
        databaseOpen = false;
        internetReachable = false;
        m_which = -1;
    }
    void restart()
    {
        const int which = m_which;
        open(which);
    }
    CoreData& data() { return *m_open; }
    ZVWSync& sync() { return *m_open->zvwSync(); }
    SettingPtr setting() { return m_open->currentSetting(); }

    // One full pass of the open organizer on the sync's thread, waited for;
    // answers the pass's failure, empty when none.
    QString pass()
    {
        EXPECT_TRUE(sync().backgroundFullSync(nullptr));
        EXPECT_TRUE(sync().waitUntilIdle(20));
        deliverPosts();
        // The pass truncates the journal while it runs; its end gives the
        // database its own mode back, and with it no journal file is left.
        EXPECT_FALSE(QFile::exists(CoreData::databasePath() + QStringLiteral("-journal")));
        return sync().errorDescription();
    }
    static void deliverPosts() { processEventsUntil([] { return false; }, 30); }

    CalendarPtr category(const QString& name)
    {
        for (const CalendarPtr& calendar : data().getCalendarList())
            if (calendar->calendarName() == name) return calendar;
        return nullptr;
    }
    TaskPtr storedItem(const QString& title)
    {
        for (const TaskPtr& item : data().getAllTasksInDB())
            if (item->taskName() == title) return item;
        return nullptr;
    }
    TaskPtr addItem(const QString& title, qint64 kind, const QString& categoryName, double start)
    {
        auto item = std::make_shared<Task>();
        item->setTaskName(title);
        item->setTaskType(kind);
        item->setCalendarId(category(categoryName)->primaryKey());
        item->setStartTime(Date::dateWithTimeIntervalSince1970(start));
        item->setEndTime(Date::dateWithTimeIntervalSince1970(start + 3600));
        EXPECT_TRUE(item->insertAndDehydrate());
        return item;
    }

    static QString exceptionDates(const QString& text)
    {
        QStringList dates;
        for (QString piece : text.split(QLatin1Char('|'), Qt::SkipEmptyParts)) {
            if (piece.endsWith(QStringLiteral("(1)")) || piece.endsWith(QStringLiteral("(2)"))) piece.chop(3);
            dates.append(piece);
        }
        dates.sort();
        return dates.join(QLatin1Char(','));
    }
    static QString seconds(const Date& date)
    {
        return QString::number(qint64(Utilities::toDBDate(date).timeIntervalSince1970()));
    }

    static qint64 stored(double seconds)
    {
        return qint64(Utilities::toDBDate(Date::dateWithTimeIntervalSince1970(seconds)).timeIntervalSince1970());
    }
    // A daily series made on the web from Monday 10:00, with Tuesday
    // deleted and Thursday moved to 11:00; answers the root's id.
    qint64 addWebSeries(const QString& title)
    {
        const qint64 categoryId = m_service.categoriesOf(account).value(0).value("id").toInteger();
        const qint64 root = m_service.addItemRecord(
            account, {{"title", title},
                      {"task_type", 3},
                      {"category_id", categoryId},
                      {"start_time", stored(monday)},
                      {"end_time", stored(monday + 3600)},
                      {"repeat", QJsonObject{{"repeat_type", "D"},
                                             {"repeat_interval", 1},
                                             {"repeat_end", 0},
                                             {"repeat_exceptions",
                                              QJsonArray{QJsonObject{{"exception_date", QString::number(stored(monday + day))}},
                                                         QJsonObject{{"exception_date",
                                                                      QString::number(stored(monday + 3 * day))}}}}}}});
        m_service.addItemRecord(account, {{"title", QString(title + QStringLiteral(" moved"))},
                                          {"task_type", 3},
                                          {"category_id", categoryId},
                                          {"group_id", root},
                                          {"start_time", stored(monday + 3 * day + 3600)},
                                          {"end_time", stored(monday + 3 * day + 7200)}});
        return root;
    }
    static constexpr double day = 86400;

    // The occurrence of a stored series that starts at `start`.
    TaskPtr instanceAt(const QString& title, double start)
    {
        TaskList instances;
        const Date from = Date::dateWithTimeIntervalSince1970(start - 3600);
        data().fillRepeatEventInstances({storedItem(title)}, instances, from,
                                        Date::dateWithTimeIntervalSince1970(start + 3600));
        for (const TaskPtr& instance : instances)
            if (instance->startTime().timeIntervalSince1970() == start) return instance;
        ADD_FAILURE() << "no occurrence of " << title.toStdString() << " at " << start;
        return nullptr;
    }

    // The open organizer's data, as it is stored.
    Holdings holdings()
    {
        Holdings held;
        QHash<qint64, QString> categoryNames;
        for (const CalendarPtr& calendar : data().getCalendarList()) {
            categoryNames.insert(calendar->primaryKey(), calendar->calendarName());
            held.categories.append(calendar->calendarName() + '|' + QString::number(calendar->projectType()));
        }
        QHash<qint64, QString> titles;
        const TaskList items = data().getAllTasksInDB();
        for (const TaskPtr& item : items) titles.insert(item->primaryKey(), item->taskName());
        for (const TaskPtr& item : items) {
            held.items.append(QStringList{item->taskName(), QString::number(item->taskType()),
                                          categoryNames.value(item->calendarId()), seconds(item->startTime()),
                                          exceptionDates(item->repeatExceptions()), QString::number(item->zvwID())}
                                  .join('|'));
            QStringList pieces = item->repeatExceptions().split(QLatin1Char('|'), Qt::SkipEmptyParts);
            pieces.sort();  // their order in the text means nothing
            held.details.append(item->taskName() + '|' + pieces.join(QLatin1Char('|')) + '|' +
                                (item->parentId() > 0 ? titles.value(item->parentId()) + '@' + seconds(item->occurrence())
                                                      : QString()));
        }
        for (const LinkPtr& link : data().getAllLinks())
            if (link->status() == 0) held.links.append(titles.value(link->rootId()) + '>' + titles.value(link->targetId()));
        for (QStringList* list : {&held.categories, &held.items, &held.details, &held.links}) list->sort();
        return held;
    }

    // The service's data in the same forms (no markers or occurrences there).
    Holdings serviceHoldings()
    {
        static const QHash<qint64, qint64> localType{{1, 3}, {2, 1}, {3, 0}, {4, 2}};
        Holdings held;
        QHash<qint64, QString> categoryNames;
        for (const QJsonObject& record : m_service.categoriesOf(account)) {
            categoryNames.insert(record.value("id").toInteger(), record.value("name").toString());
            held.categories.append(record.value("name").toString() + '|' +
                                   QString::number(record.value("category_type").toInteger()));
        }
        QHash<qint64, QString> titles;
        const QList<QJsonObject> items = m_service.itemRecordsOf(account);
        for (const QJsonObject& record : items) titles.insert(record.value("id").toInteger(), record.value("title").toString());
        for (const QJsonObject& record : items) {
            QStringList dates;
            for (const QJsonValue& entry : record.value("repeat").toObject().value("repeat_exceptions").toArray())
                dates.append(entry.toObject().value("exception_date").toVariant().toString());
            dates.sort();
            held.items.append(QStringList{record.value("title").toString(),
                                          QString::number(localType.value(record.value("task_type").toInteger(), 1)),
                                          categoryNames.value(record.value("category_id").toInteger()),
                                          QString::number(record.value("start_time").toInteger()), dates.join(','),
                                          QString::number(record.value("id").toInteger())}
                                  .join('|'));
        }
        for (const QJsonObject& link : m_service.linkRecordsOf(account))
            held.links.append(titles.value(link.value("root_id").toInteger()) + '>' +
                              titles.value(link.value("target_id").toInteger()));
        for (QStringList* list : {&held.categories, &held.items, &held.links}) list->sort();
        return held;
    }

    // Field by field: the organizers' snapshots equal each other and the
    // service.
    void expectAllEqual(const QList<Holdings>& organizers)
    {
        const Holdings service = serviceHoldings();
        for (qsizetype i = 0; i < organizers.size(); ++i) {
            SCOPED_TRACE(testing::Message() << "organizer " << i);
            EXPECT_EQ(text(organizers[i].categories), text(service.categories));
            EXPECT_EQ(text(organizers[i].items), text(service.items));
            EXPECT_EQ(text(organizers[i].links), text(service.links));
            EXPECT_EQ(text(organizers[i].details), text(organizers[0].details));
        }
    }

    LoopbackService m_service;
    std::array<QTemporaryDir, 3> m_folders;
    std::unique_ptr<CoreData> m_open;
    int m_which = -1;
    QByteArray m_previousHome;
};

}  // namespace

// The service forgets a token whose time still says it is fresh (the
// replace of the service sets that time): the pass drops it, asks for a new
// one once and goes on, and the account is not called invalid.
TEST_F(WebSyncOrganizersTest, ARefusedTokenIsRenewedOnceAndThePassGoesOn)
{
    ManualScheduler scheduler;
    Scheduler::setCurrent(&scheduler);
    PostedNotifications posts({kZVWAccountInvalidNotification, kServerErrorNotification});

    open(0);
    addItem(QStringLiteral("Call Bob"), 1, QStringLiteral("Zoravel"), monday);
    ASSERT_TRUE(sync().replaceWebWithLocal(nullptr));
    const auto runIsOver = [this] {
        return !m_service.tokensOf(account).isEmpty() && !webSyncBusy && sync().syncHolder() == ZVWSync::SyncHolder::None;
    };
    for (int tick = 0; tick < 300 && !runIsOver(); ++tick) {
        scheduler.advance(0.1);
        processEventsUntil([] { return false; }, 10);
    }
    Scheduler::setCurrent(nullptr);
    // The pass takes its token at whichever tick it reaches the service, so
    // the token's time lies within the ticks the pass ran.
    const double tokenTime = setting()->zvwTokenTime().timeIntervalSince1970();
    ASSERT_GE(tokenTime, monday) << "the replace's token carries its time";
    ASSERT_LE(tokenTime, Clock::now().timeIntervalSince1970()) << "the replace's token carries its time";
    ASSERT_EQ(m_service.tokensOf(account).size(), 1);

    // Twice: each pass renews the token once more, the stored one is never
    // reused after its refusal.
    for (int round = 0; round < 2; ++round) {
        m_service.forgetTokens(account);
        m_service.addItemRecord(account, {{"title", QStringLiteral("Web %1").arg(round)},
                                          {"task_type", 2},
                                          {"category_id", category(QStringLiteral("Zoravel"))->zvwProjectId()},
                                          {"start_time", qint64(monday)}});
        EXPECT_EQ(pass(), QString()) << round;
        EXPECT_EQ(m_service.tokensOf(account).size(), 1) << "one new token per refusal";
        EXPECT_EQ(setting()->zvwToken(), m_service.tokensOf(account).value(0));
        EXPECT_EQ(setting()->zvwTokenTime().timeIntervalSince1970(), 0) << "the refused token's time is gone";
    }
    EXPECT_TRUE(posts.names().isEmpty()) << posts.names().join(", ").toStdString();
    EXPECT_EQ(m_service.requestsTo(QStringLiteral("/api/token.json")).size(), 3);
    const Holdings first = holdings();

    // The other organizer, started fresh, gets the same data.
    open(1);
    EXPECT_EQ(pass(), QString());
    expectAllEqual({first, holdings()});

    // A renewed token that is refused as well stops the pass after one
    // renewal; only the token request's own refusal calls the account invalid.
    m_service.setRequestHook([this](const ServiceRequest& request) {
        if (request.path == QStringLiteral("/api/token.json")) m_service.forgetTokens(account);
    });
    m_service.forgetTokens(account);
    setting()->setZvwTokenTime(Clock::now());
    m_service.clearRequests();
    EXPECT_NE(pass(), QString());
    m_service.setRequestHook({});
    EXPECT_EQ(m_service.requestsTo(QStringLiteral("/api/token.json")).size(), 1);
    EXPECT_TRUE(posts.names().filter(kZVWAccountInvalidNotification).isEmpty());
}

// A checklist made on the web reaches two organizers; each start turns it
// into a note. The service ends with one ordinary category and one note, and
// later starts make no copy.
TEST_F(WebSyncOrganizersTest, AChecklistFromTheWebIsTakenInOnceForAllOrganizers)
{
    const qint64 groceries = m_service.addCategory(account, {{"name", "Groceries"}, {"category_type", 1}});
    m_service.addItemRecord(account, {{"title", "Milk"}, {"task_type", 4}, {"completed", 1}, {"category_id", groceries}});
    m_service.addItemRecord(account, {{"title", "Bread"}, {"task_type", 4}, {"category_id", groceries}});

    for (int which : {0, 1}) {
        open(which);
        ASSERT_EQ(pass(), QString());
        ASSERT_EQ(category(QStringLiteral("Groceries"))->projectType(), 1) << "the checklist came down";
    }
    // Both organizers start again (each turns the checklist), then pass in
    // turn; twice more starts and passes follow.
    for (int round = 0; round < 2; ++round)
        for (int which : {0, 1, 0}) {
            open(which);
            EXPECT_EQ(pass(), QString()) << round << which;
        }
    const Holdings second = holdings();
    open(0);
    ASSERT_EQ(pass(), QString());
    const Holdings first = holdings();
    // A third organizer, new, takes the account as it stands; its next start
    // turns the checklist too.
    open(2);
    ASSERT_EQ(pass(), QString());
    open(2);
    ASSERT_EQ(pass(), QString());

    const Holdings service = serviceHoldings();
    // A change carries no kind: the service goes on listing a checklist.
    EXPECT_EQ(text(service.categories), text({"Groceries|1", "Zoravel|0"}));
    ASSERT_EQ(service.items.size(), 1) << service.items.join("; ").toStdString();
    EXPECT_TRUE(service.items[0].startsWith(QStringLiteral("Groceries|3|Groceries|")));
    const QList<QJsonObject> records = m_service.itemRecordsOf(account);
    EXPECT_EQ(records[0].value("content").toString(), QStringLiteral("Groceries\n\u2705 Milk\n\u274e Bread"));
    EXPECT_TRUE(m_service.categoriesOf(account)[0].value("id").toInteger() == groceries
                || m_service.categoriesOf(account)[1].value("id").toInteger() == groceries)
        << "the category keeps its web id";
    for (const Holdings& organizer : {first, second, holdings()}) {
        EXPECT_EQ(text(organizer.categories), text({"Groceries|0", "Zoravel|0"}));
        EXPECT_EQ(text(organizer.items), text(service.items));
        EXPECT_EQ(text(organizer.details), text(first.details));
    }
}

// The replace of one organizer's data with the account's leaves the same
// categories here as on the service, the default one included, and adds none
// to the account.
TEST_F(WebSyncOrganizersTest, TheWebToLocalReplaceAddsNoCategory)
{
    open(0);
    auto work = std::make_shared<Calendar>();
    work->setCalendarName(QStringLiteral("Work"));
    ASSERT_TRUE(data().addCalendarToCalendarList(work, false, false));
    addItem(QStringLiteral("Call Bob"), 1, QStringLiteral("Work"), monday);
    ASSERT_EQ(pass(), QString());
    open(1);
    ASSERT_EQ(pass(), QString());
    addItem(QStringLiteral("Only here"), 1, QStringLiteral("Zoravel"), monday + 3600);
    m_service.addCategory(account, {{"name", "From the web"}, {"category_type", 0}});
    const QStringList before = serviceHoldings().categories;

    ASSERT_EQ(sync().prepareOneWayWebToMac(nullptr), ZVWSync::WebToMac::Started);
    ASSERT_TRUE(sync().waitUntilIdle(20));
    deliverPosts();
    EXPECT_EQ(sync().errorDescription(), QString());
    EXPECT_EQ(text(serviceHoldings().categories), text(before)) << "nothing was added to the account";
    EXPECT_EQ(storedItem(QStringLiteral("Only here")), nullptr);
    EXPECT_EQ(data().calendarWithPrimaryKey(setting()->calendarDefID())->calendarName(), QStringLiteral("Zoravel"));
    const Holdings replaced = holdings();
    restart();
    EXPECT_EQ(pass(), QString());
    const Holdings second = holdings();
    open(0);
    EXPECT_EQ(pass(), QString());
    expectAllEqual({holdings(), replaced, second});
}

// A series with one occurrence deleted and a later one moved reaches a new
// organizer with each exception on its own date, and keeps them through the
// next merges.
TEST_F(WebSyncOrganizersTest, MovedAndDeletedOccurrencesKeepTheirDatesOnAnotherOrganizer)
{
    open(0);
    ASSERT_EQ(pass(), QString());
    const qint64 root = addWebSeries(QStringLiteral("Standup"));
    ASSERT_EQ(pass(), QString());
    const QString expected = QStringLiteral("Standup|%1(2)|%2(1)|").arg(stored(monday + day)).arg(stored(monday + 3 * day));
    EXPECT_TRUE(holdings().details.contains(expected)) << text(holdings().details);
    EXPECT_TRUE(holdings().details.contains(QStringLiteral("Standup moved||Standup@%1").arg(stored(monday + 3 * day))))
        << text(holdings().details);

    open(1);
    ASSERT_EQ(pass(), QString());
    // The series changes on the web; both organizers merge it again.
    m_service.changeItemRecord(account, root, {{"title", "Standup (team)"}});
    ASSERT_EQ(pass(), QString());
    const Holdings second = holdings();
    EXPECT_TRUE(second.details.contains(QStringLiteral("Standup moved||Standup (team)@%1").arg(stored(monday + 3 * day))))
        << text(second.details);
    open(0);
    ASSERT_EQ(pass(), QString());
    expectAllEqual({holdings(), second});
}

// An occurrence moved and another deleted on one organizer while the series
// changes on the web: both survive the passes of both organizers.
TEST_F(WebSyncOrganizersTest, AMoveAndADeleteMadeOnOneOrganizerSurviveTheOthersPass)
{
    open(0);
    ASSERT_EQ(pass(), QString());
    const qint64 root = addWebSeries(QStringLiteral("Standup"));
    ASSERT_EQ(pass(), QString());
    open(1);
    ASSERT_EQ(pass(), QString());

    // 13 March moves to 11:00, 14 March is deleted.
    const TaskPtr thirteenth = instanceAt(QStringLiteral("Standup"), monday + 9 * day);
    ASSERT_NE(thirteenth, nullptr);
    thirteenth->setTaskName(QStringLiteral("Standup late"));
    thirteenth->setStartTime(Date::dateWithTimeIntervalSince1970(monday + 9 * day + 3600));
    thirteenth->setEndTime(Date::dateWithTimeIntervalSince1970(monday + 9 * day + 7200));
    ASSERT_TRUE(data().doEditOnlyThisOperatorWithEvent(thirteenth, false));
    ASSERT_NE(data().doDeleteOnlyThisOperatorWithEvent(instanceAt(QStringLiteral("Standup"), monday + 10 * day), false),
              nullptr);
    m_service.changeItemRecord(account, root, {{"title", "Standup (team)"}});
    ASSERT_EQ(pass(), QString());
    m_service.clearRequests();
    open(0);
    ASSERT_EQ(pass(), QString());
    for (const ServiceRequest& request : m_service.requests())
        EXPECT_FALSE(request.method == QStringLiteral("DELETE") && request.path.startsWith(QStringLiteral("/api/tasks/")))
            << request.path.toStdString();
    const Holdings first = holdings();
    open(1);
    ASSERT_EQ(pass(), QString());

    const Holdings second = holdings();
    const QString rootDetails = second.details.filter(QStringLiteral("Standup (team)|")).value(0);
    for (const qint64 date : {stored(monday + day), stored(monday + 9 * day)}) EXPECT_TRUE(rootDetails.contains(QString::number(date)));
    EXPECT_TRUE(rootDetails.contains(QStringLiteral("|%1(1)").arg(stored(monday + 9 * day)))) << rootDetails.toStdString();
    EXPECT_TRUE(rootDetails.contains(QStringLiteral("|%1(2)").arg(stored(monday + 10 * day)))) << rootDetails.toStdString();
    EXPECT_TRUE(second.details.contains(QStringLiteral("Standup late||Standup (team)@%1").arg(stored(monday + 9 * day))))
        << text(second.details);
    expectAllEqual({first, second});
}

// Links removed on one organizer, one by its automatic push and one by its
// full pass, each after the other organizer's full pass gave every link a
// new key: they stay removed everywhere.
TEST_F(WebSyncOrganizersTest, ARemovedLinkStaysRemovedWhateverTheOtherOrganizerDid)
{
    open(0);
    const TaskPtr call = addItem(QStringLiteral("Call Bob"), 1, QStringLiteral("Zoravel"), monday);
    const TaskPtr report = addItem(QStringLiteral("Report"), 1, QStringLiteral("Zoravel"), monday + 3600);
    const TaskPtr trip = addItem(QStringLiteral("Trip"), 1, QStringLiteral("Zoravel"), monday + 7200);
    // The third one stays: a service listing no link at all stops the pass
    // of an organizer that still holds synced links.
    for (const auto& [root, target] : {std::pair{call, report}, std::pair{call, trip}, std::pair{report, trip}}) {
        auto link = std::make_shared<Link>();
        link->setRootId(root->primaryKey());
        link->setTargetId(target->primaryKey());
        ASSERT_TRUE(data().insertLink(link));
    }
    ASSERT_EQ(pass(), QString());
    open(1);
    ASSERT_EQ(pass(), QString());
    ASSERT_EQ(holdings().links.size(), 3);

    // By the push.
    open(1);
    ASSERT_EQ(pass(), QString());
    open(0);
    EXPECT_TRUE(data().unLink(storedItem(QStringLiteral("Call Bob"))->primaryKey(), storedItem(QStringLiteral("Report"))->primaryKey()));
    setting()->setAutoZVWSync(1);
    sync().receiveAutoSyncNotification(8);
    sync().startAutoSync();
    ASSERT_TRUE(sync().waitUntilIdle(20));
    EXPECT_EQ(text(serviceHoldings().links), "Call Bob>Trip\nReport>Trip");
    setting()->setAutoZVWSync(0);

    // By the full pass.
    open(1);
    ASSERT_EQ(pass(), QString());
    open(0);
    EXPECT_TRUE(data().unLink(storedItem(QStringLiteral("Call Bob"))->primaryKey(), storedItem(QStringLiteral("Trip"))->primaryKey()));
    ASSERT_EQ(pass(), QString());
    const Holdings first = holdings();
    open(1);
    ASSERT_EQ(pass(), QString());
    EXPECT_EQ(text(first.links), "Report>Trip");
    expectAllEqual({first, holdings()});
}

// Settings changed on the web without a zone leave the default zone in
// place on every organizer, not the floating one, before any restart.
TEST_F(WebSyncOrganizersTest, SettingsWithoutAZoneKeepTheDefaultZone)
{
    open(0);
    ASSERT_EQ(pass(), QString());
    const qint64 defaultZone = data().appRootTZ();
    ASSERT_GT(defaultZone, 0);
    open(1);
    ASSERT_EQ(pass(), QString());
    ASSERT_TRUE(m_service.settingsOf(account).contains("time_zone"));
    m_service.setSettings(account, {{"week_start", "mon"}, {"time_zone", QJsonValue::Null}});
    for (int which : {1, 0}) {
        open(which);
        ASSERT_EQ(pass(), QString());
        EXPECT_EQ(setting()->weekStartDay(), 1) << which;
        EXPECT_EQ(setting()->currentTZ(), defaultZone) << which;
        restart();
        EXPECT_EQ(setting()->currentTZ(), defaultZone) << which;
        EXPECT_EQ(setting()->weekStartDay(), 1) << which;
    }
}

}  // namespace WebSyncOrganizersTests
