// A whole web pass against the loopback service, with the real calendar-store
// sync in the data manager: what the service holds reaches the store's files.
#include "CalendarSyncFixture.h"

#include "CoreData.h"
#include "LoopbackAccount.h"
#include "ZVWSync.h"

#include <QDir>

namespace {

class WebPassToStoreTest : public CalendarSyncTest {
protected:
    void SetUp() override
    {
        CalendarSyncTest::SetUp();
        ASSERT_NO_FATAL_FAILURE(signInOnLoopback(m_service, account, *setting, HttpTimeouts{1.0, 0.5, 0.5}));

        // The category is on both sides with one stamp, and linked to the
        // store calendar as a former calendar-store sync left it.
        const qint64 serviceCategory = m_service.addCategory(account, {{"name", "Home"}});
        qint64 stamp = 0;
        for (const QJsonObject& record : m_service.categoriesOf(account))
            if (record.value("id").toInteger() == serviceCategory) stamp = record.value("last_update").toInteger();
        dataManager().doWithCalendarList(std::nullopt, 1);
        category = std::make_shared<Calendar>();
        category->setCalendarName(QStringLiteral("Home"));
        category->setInVisible(0);
        ASSERT_TRUE(dataManager().addCalendarToCalendarList(category, false, false));
        category->setICalUID(storeCalendar->uid());
        category->setZvwProjectId(serviceCategory);
        category->setLastUpdate(stamp);
        category->setHasChanges(false);
        ASSERT_TRUE(category->dehydrate());
        m_serviceCategory = serviceCategory;

        m_jobs = jobs.get();
        dataManager().setICalSync(std::move(jobs));
        dataManager().setBSynciCalEnable(true);
        m_sync = std::make_unique<ZVWSync>();
    }
    void TearDown() override
    {
        if (m_sync) {
            EXPECT_TRUE(m_sync->waitUntilIdle(20));
        }
        EXPECT_TRUE(m_jobs->waitForQueuedJobs(10));
        processEventsUntil([] { return false; }, 30);
        m_sync.reset();
        dataManager().setICalSync(nullptr);
        signOutOfLoopback();
        CalendarSyncTest::TearDown();
    }

    // A local time in the stored form the service's records carry.
    static qint64 onService(const Date& date) { return qint64(Utilities::toDBDate(date).timeIntervalSince1970()); }

    QStringList eventFiles() const
    {
        return QDir(calendarFolder() + QStringLiteral("/Events")).entryList(QDir::Files | QDir::NoDotAndDotDot);
    }

    const QString account = QStringLiteral("ann@example.com");
    LoopbackService m_service;
    std::unique_ptr<ZVWSync> m_sync;
    iCalSyncJobs* m_jobs = nullptr;
    qint64 m_serviceCategory = 0;
};

}  // namespace

TEST_F(WebPassToStoreTest, ANewRepeatingEventWithAChangedAndADeletedOccurrenceIsOneStoreFile)
{
    // A daily series at 9:30; the service keeps its exception dates at
    // midnight, the changed occurrence as an item of its own.
    const qint64 root = m_service.addItemRecord(
        account, {{"title", "Dentist"},
                  {"task_type", 3},
                  {"group_id", 0},
                  {"category_id", m_serviceCategory},
                  {"start_time", onService(local(2014, 3, 20, 9, 30))},
                  {"end_time", onService(local(2014, 3, 20, 10, 30))},
                  {"repeat", QJsonObject{{"repeat_type", "D"},
                                         {"repeat_interval", 1},
                                         {"repeat_end", 0},
                                         {"repeat_exceptions", QJsonArray{
                                                                   QJsonObject{{"exception_date", onService(local(2014, 3, 22))}},
                                                                   QJsonObject{{"exception_date", onService(local(2014, 3, 23))}},
                                                               }}}}});
    m_service.addItemRecord(account, {{"title", "Dentist, later"},
                                      {"task_type", 3},
                                      {"group_id", root},
                                      {"category_id", m_serviceCategory},
                                      {"start_time", onService(local(2014, 3, 22, 14))},
                                      {"end_time", onService(local(2014, 3, 22, 15))}});

    ASSERT_TRUE(m_sync->backgroundFullSync(nullptr));
    ASSERT_TRUE(m_sync->waitUntilIdle(20));
    ASSERT_TRUE(m_jobs->waitForQueuedJobs(10));
    processEventsUntil([] { return false; }, 30);
    ASSERT_TRUE(m_sync->errorDescription().isEmpty()) << m_sync->errorDescription().toStdString();

    TaskPtr series;
    for (const TaskPtr& item : dataManager().getAllTasksInDB())
        if (item->zvwID() == root) series = item;
    ASSERT_TRUE(series);
    ASSERT_FALSE(series->iCalUID().isEmpty());

    const QStringList files = eventFiles();
    ASSERT_EQ(files.size(), 1) << files.join(' ').toStdString();
    EXPECT_EQ(calendarFolder() + QStringLiteral("/Events/") + files.first(), store->eventFilePath(series->iCalUID()));

    const auto back = readBack(series->iCalUID());
    ASSERT_TRUE(back && back->master);
    ASSERT_TRUE(back->master->rule);
    EXPECT_EQ(back->master->title, QStringLiteral("Dentist"));
    EXPECT_EQ(back->master->start, local(2014, 3, 20, 9, 30));
    // The deleted date at the event's time of day; the changed one is not deleted.
    EXPECT_EQ(back->master->exceptionDates, QList<Date>{local(2014, 3, 23, 9, 30)});
    ASSERT_EQ(back->overrides.size(), 1);
    const ICalEventData& moved = back->overrides.first();
    EXPECT_EQ(moved.recurrenceId, local(2014, 3, 22, 9, 30));
    EXPECT_EQ(moved.title, QStringLiteral("Dentist, later"));
    EXPECT_EQ(moved.start, local(2014, 3, 22, 14));
    EXPECT_EQ(moved.end, local(2014, 3, 22, 15));
}
