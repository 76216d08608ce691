#include "WebExchangeFixture.h"

#include "LogCapture.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace {

class ZVWSyncSettingsTest : public WebExchangeTest {
protected:
    // The template's category, synced, as the settings' default.
    qint64 syncDefaultCategory()
    {
        const qint64 id = m_service.addCategory(account, {{"name", "Zoravel"}, {"category_type", 0}});
        const CalendarPtr calendar = dataManager().calendarWithPrimaryKey(1);
        EXPECT_TRUE(calendar);
        calendar->setZvwProjectId(id);
        EXPECT_TRUE(calendar->dehydrate());
        m_setting->setCalendarDefID(1);
        return id;
    }
    void decide()
    {
        startPass();
        m_sync->getSettingFromZVW();
        m_sync->syncSettingWithZVW(nullptr);
    }
    QList<QJsonObject> uploads()
    {
        QList<QJsonObject> sent;
        for (const ServiceRequest& request : requestsOf("PUT", "/api/settings/updates.json"))
            sent.append(QJsonDocument::fromJson(request.body).array().first().toObject());
        return sent;
    }
    // The local stamp equal to the service's, no local change.
    void settleStamps()
    {
        m_setting->setLastUpdate(m_service.settingsOf(account).value("last_updates").toObject()
                                     .value("lastupdatesetting").toInteger());
        m_setting->setHasChanges(0);
    }
    QString zoneName(qsizetype index) { return dataManager().tzList().zones().at(index).tzRegionName; }
    qint64 zoneId(qsizetype index) { return dataManager().tzList().zones().at(index).tzId; }
};

}  // namespace

TEST_F(ZVWSyncSettingsTest, TheDownloadReadsTheRecordIntoTheServersCopy)
{
    ASSERT_GT(dataManager().tzList().zones().size(), 3);
    struct Case {
        QJsonObject values;
        qint64 weekStart;
        bool zoneSupport;
    };
    for (const Case& c : {Case{{{"week_start", "mon"}, {"timezone_support", 1}}, 1, true},
                          Case{{{"week_start", "Mon"}, {"timezone_support", 0}}, 0, false},
                          Case{{{"week_start", "sun"}, {"timezone_support", "x"}}, 0, false}}) {
        m_service.setSettings(account, c.values);
        m_service.setSettings(account, {{"working_hour_start", 540}, {"default_eve_dur", 45},
                                        {"time_zone", zoneName(3)}, {"default_category_id", 1234}});
        startPass();
        m_sync->getSettingFromZVW();
        const SettingPtr server = m_sync->zvwSetting();
        EXPECT_EQ(server->weekStartDay(), c.weekStart);
        EXPECT_EQ(server->tzSupport(), c.zoneSupport);
        EXPECT_EQ(server->deskTimeNDStart(), 540);
        EXPECT_EQ(server->durationDefEventVal(), 45);
        EXPECT_EQ(server->currentTZ(), dataManager().getTimeZoneId(zoneName(3)));
        EXPECT_EQ(server->calendarDefID(), 1234);
        EXPECT_EQ(server->lastUpdate(), m_service.stamp());
        m_service.setSettings(account, {{"timezone_support", 1}});
    }
}

TEST_F(ZVWSyncSettingsTest, TheUploadWritesTheRecordAsTheServiceReadsIt)
{
    const qint64 defaultId = syncDefaultCategory();
    struct Case {
        qint64 weekStart;
        const char* sent;
    };
    for (const Case& c : {Case{1, "mon"}, Case{0, "sun"}, Case{2, "sun"}}) {
        m_setting->setWeekStartDay(c.weekStart);
        m_setting->setTzSupport(true);
        m_setting->setCurrentTZ(zoneId(2));
        const QJsonObject record = m_sync->settingsRecord(*m_setting);
        EXPECT_EQ(record.value("week_start").toString(), QLatin1String(c.sent));
        EXPECT_EQ(record.value("timezone_support").toInteger(), 1);
        EXPECT_EQ(record.value("timezone_key").toInteger(), zoneId(2));
        EXPECT_EQ(record.value("time_zone").toString(), zoneName(2));
        EXPECT_EQ(record.value("default_category_id").toInteger(), defaultId);
    }
    m_setting->setCurrentTZ(987654);
    EXPECT_FALSE(m_sync->settingsRecord(*m_setting).contains("time_zone")) << "no zone carries that id";
    m_setting->setCalendarDefID(424242);
    EXPECT_EQ(m_sync->settingsRecord(*m_setting).value("default_category_id").toInteger(), 0);
}

TEST_F(ZVWSyncSettingsTest, TheDecisionFollowsTheStampsAndTheDefaultCategory)
{
    const qint64 defaultId = syncDefaultCategory();
    struct Case {
        const char* name;
        bool serviceKnowsDefault;
        int stamps;  // -1 local older, 0 equal, 1 local newer
        bool localChange;
        bool sent;
        bool localTakesService;
    };
    for (const Case& c : {Case{"equal, no change", true, 0, false, false, false},
                          Case{"equal, changed here", true, 0, true, true, false},
                          Case{"equal, default unknown here", false, 0, false, true, false},
                          Case{"service newer", true, -1, false, false, true},
                          Case{"service newer over a local change", true, -1, true, false, true},
                          Case{"service newer, default unknown", false, -1, false, true, true},
                          Case{"local newer", true, 1, false, false, false}}) {
        SCOPED_TRACE(c.name);
        m_service.setSettings(account, {{"default_category_id", c.serviceKnowsDefault ? defaultId : 999999},
                                        {"default_task_dur", 25}});
        m_setting->setDurationDefTaskVal(40);
        settleStamps();
        m_setting->setLastUpdate(m_setting->lastUpdate() + c.stamps);
        if (c.localChange) m_setting->setShowTask(m_setting->showTask() ? 0 : 1);
        m_service.clearRequests();

        LogCapture log;
        decide();

        EXPECT_EQ(log.contains(QStringLiteral("newer settings replace local changes")),
                  c.localTakesService && c.localChange);
        ASSERT_EQ(uploads().size(), c.sent ? 1 : 0);
        EXPECT_EQ(m_setting->durationDefTaskVal(), c.localTakesService ? 25 : (c.sent ? 40 : 40));
        if (c.sent) {
            EXPECT_EQ(uploads().first().value("default_category_id").toInteger(), defaultId)
                << "the local default category goes up";
            EXPECT_EQ(m_setting->hasChanges(), 0);
            EXPECT_EQ(m_setting->lastUpdate(),
                      m_service.settingsOf(account).value("last_updates").toObject().value("lastupdatesetting").toInteger());
        }
        EXPECT_EQ(m_setting->calendarDefID(), 1);
    }
}

TEST_F(ZVWSyncSettingsTest, ALocalStampOfOneAdoptsTheServicesAndSendsTheChange)
{
    syncDefaultCategory();
    m_service.setSettings(account, {{"hide_done_task", 0}});
    m_setting->setHideTodayDoneTask(1);
    m_setting->setLastUpdate(1);
    decide();
    ASSERT_EQ(uploads().size(), 1);
    EXPECT_EQ(uploads().first().value("hide_done_task").toInteger(), 1);
    EXPECT_EQ(m_service.settingsOf(account).value("hide_done_task").toInteger(), 1);
}

TEST_F(ZVWSyncSettingsTest, ARefusedOrFailedUploadIsTriedAgain)
{
    syncDefaultCategory();
    settleStamps();
    m_setting->setShowTask(m_setting->showTask() ? 0 : 1);
    const qint64 stamp = m_setting->lastUpdate();
    for (const ServiceFault& fault : {body(R"({"error": 1})"), status(500), body("nonsense")}) {
        m_service.setFault("PUT", "/api/settings/updates.json", fault);
        decide();
        EXPECT_EQ(m_setting->hasChanges(), 1);
        EXPECT_EQ(m_setting->lastUpdate(), stamp);
    }
    m_service.clearFaults();
    decide();
    EXPECT_EQ(m_setting->hasChanges(), 0);
    EXPECT_GT(m_setting->lastUpdate(), stamp);
}

TEST_F(ZVWSyncSettingsTest, NoSettingsRecordInThisPassMeansNothingIsExchanged)
{
    syncDefaultCategory();
    m_setting->setShowTask(m_setting->showTask() ? 0 : 1);  // would be sent
    struct Case {
        const char* name;
        ServiceFault fault;
        bool accountInvalid;
    };
    for (const Case& c : {Case{"error 1", body(R"({"error": 1})"), false},
                          Case{"error 2", body(R"({"error": 2})"), true}, Case{"status 500", status(500), false},
                          Case{"a list", body("[]"), false}}) {
        SCOPED_TRACE(c.name);
        m_service.setFault("GET", "/api/settings.json", c.fault);
        m_service.clearRequests();
        PostedNotifications posts({kZVWAccountInvalidNotification, kServerErrorNotification});
        decide();
        EXPECT_TRUE(uploads().isEmpty());
        EXPECT_EQ(posts.names().contains(kZVWAccountInvalidNotification), c.accountInvalid);
        EXPECT_FALSE(posts.names().contains(kServerErrorNotification)) << "the pass goes on";
        EXPECT_EQ(m_setting->hasChanges(), 1);
    }
}

TEST_F(ZVWSyncSettingsTest, TheAutomaticPushSendsOnlyChangedSettings)
{
    syncDefaultCategory();
    m_sync->refreshToken();
    settleStamps();
    webSyncBusy = true;
    m_sync->oneWayAutoSyncSettings();
    EXPECT_TRUE(uploads().isEmpty());
    EXPECT_FALSE(webSyncBusy);
    m_setting->setDeskTimeNDEnd(m_setting->deskTimeNDEnd() + 7);
    const qint64 sentEnd = m_setting->deskTimeNDEnd();
    m_sync->oneWayAutoSyncSettings();
    ASSERT_EQ(uploads().size(), 1);
    EXPECT_EQ(m_service.settingsOf(account).value("working_hour_end").toInteger(), sentEnd);
    EXPECT_EQ(m_setting->zvwSyncTime(), Clock::now());
}
