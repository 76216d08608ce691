// The web-sync trigger of the main window: the sync command and its alerts,
// the indicator in the bottom bar, the refused account and the server's
// error texts.
#include "GearSyncFixture.h"

#include "Button.h"
#include "CoreData.h"
#include "LoopbackService.h"
#include "QueryStatement.h"
#include "RecordStore.h"
#include "NotificationCenter.h"
#include "Notifications.h"
#include "PrefSyncView.h"
#include "PrefSyncViewOnly.h"
#include "Preferences.h"
#include "TextField.h"
#include "ProgressSpinner.h"
#include "PropertyList.h"
#include "Screenshot.h"
#include "SyncProgressView.h"
#include "TextTable.h"
#include "ZVWSync.h"

#include <gtest/gtest.h>

namespace MainViewSyncTests {

namespace {

QString text(const char* key)
{
    return TextTable::localizedString(QString::fromLatin1(key));
}

class MainViewSyncTest : public GearSyncTest {
protected:
    LoopbackService m_service;
    void SetUp() override
    {
        GearSyncTest::SetUp();
        // The sync command runs a whole pass: against a service that knows
        // the accounts these tests store, it ends without an alert.
        m_service.addAccount(QStringLiteral("ann@example.com"), QStringLiteral("secret"));
        m_service.addAccount(QStringLiteral("   "), QStringLiteral("secret"));
        qputenv("ZORAVEL_SERVICE_URL", m_service.baseAddress().toUtf8());
        dataManager().setZVWSync(std::make_unique<ZVWSync>());
        NotificationCenter::defaultCenter().addObserver(&m_observer, kRefreshCommentCount, nullptr,
                                                        [this](const Notification& n) {
                                                            m_refreshObjects.append(n.objectIdentity());
                                                        });
        NotificationCenter::defaultCenter().addObserver(&m_observer, kZVWAccountInvalidNotification, nullptr,
                                                        [this](const Notification& n) {
                                                            m_invalidObjects.append(n.objectIdentity());
                                                        });
    }
    void TearDown() override
    {
        NotificationCenter::defaultCenter().removeObserver(&m_observer);
        if (ZVWSync* sync = dataManager().zvwSync()) sync->waitUntilIdle(5);
        GearSyncTest::TearDown();
        qunsetenv("ZORAVEL_SERVICE_URL");
    }

    // The local records as if never synced: another account's pass would
    // otherwise see them as lost on its side and stop.
    void forgetServerIds()
    {
        for (const char* sql : {"UPDATE Calendars SET zvwProjectId=0", "UPDATE Tag SET zvwKey=0",
                                "UPDATE Tasks SET zvwID=0", "UPDATE Links SET zvwKey=0"})
            ASSERT_TRUE(QueryStatement(QByteArray(sql)).execute(RecordStore::dehydrateErrorText));
        dataManager().doWithCalendarList(dataManager().getCalendarList(), 2);
        dataManager().getTagList();
    }

    void setAccount(const QString& userName, const QString& password)
    {
        setting().setZvwUserName(userName);
        setting().setZvwPassword(password);
    }

    // Automatic web sync on, in the settings and in its side file.
    void turnAutoSyncOn()
    {
        setting().setAutoZVWSync(1);
        ASSERT_TRUE(setting().setAutoSync());
    }
    qint64 autoSyncInSideFile() const
    {
        const PropertyList::Result read = PropertyList::readFile(Setting::dataFilePath(QStringLiteral("auto.plist")));
        return read.ok() ? read.value.toMap().value(QStringLiteral("autoZVWSync"), -1).toLongLong() : -1;
    }

    void postAccountInvalid(QObject* fromObject)
    {
        NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kZVWAccountInvalidNotification,
                                                                             fromObject);
    }

    QObject m_observer;
    QList<const void*> m_refreshObjects;
    QList<const void*> m_invalidObjects;
};

}  // namespace

TEST_F(MainViewSyncTest, WithoutNetworkTheCommandSaysSoAndStartsNothing)
{
    MainView& view = openMainView();
    setAccount(QStringLiteral("ann@example.com"), QStringLiteral("secret"));
    const QString configFile = qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/Zoravel/Zoravel.conf");
    const struct {
        bool reachable, addressSet;
        QString message, informative, button;
    } cases[] = {
        {false, true, text("noInternetText"), text("noInternetMessage"), text("tryAgainText")},
        // Without an address of its own the service is out of reach whatever the network.
        {true, false, text("noServiceAddressText"), text("noServiceAddressMessage").arg(configFile), text("okText")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message.toStdString());
        internetReachable = c.reachable;
        // The sync object reads the address when it is made.
        if (!c.addressSet) qunsetenv("ZORAVEL_SERVICE_URL");
        dataManager().setZVWSync(std::make_unique<ZVWSync>());
        const qsizetype asked = alerts.requests().size();
        alerts.scriptButton(1000);

        view.syncingBtn()->performClick();

        ASSERT_EQ(alerts.requests().size(), asked + 1);
        const AlertRequest alert = alerts.requests().back();
        EXPECT_EQ(alert.style, AlertStyle::Informational);
        EXPECT_EQ(alert.messageText, c.message);
        EXPECT_EQ(alert.informativeText, c.informative);
        EXPECT_EQ(alert.buttonTitles, QStringList{c.button});
        EXPECT_FALSE(dataManager().zvwSync()->isSyncing());
        EXPECT_FALSE(view.isSyncingIndicatorShown());
        EXPECT_EQ(view.pref(), nullptr);
    }
}

TEST_F(MainViewSyncTest, TheStoredAccountDecidesBetweenASyncAndTheAccountAlert)
{
    struct Case {
        QString userName;
        QString password;
        bool syncs;
    };
    const Case cases[] = {
        {QStringLiteral("ann@example.com"), QStringLiteral("secret"), true},
        {QStringLiteral("   "), QStringLiteral("secret"), true},  // spaces count as a name
        {QStringLiteral("ann@example.com"), QString(), false},
        {QStringLiteral("ann@example.com"), QStringLiteral(""), false},
        {QString(), QStringLiteral("secret"), false},
    };
    internetReachable = true;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.userName.toStdString() + "/" + c.password.toStdString());
        MainView& view = openMainView();
        setAccount(c.userName, c.password);
        const int asked = int(alerts.requests().size());
        const int refreshes = int(m_refreshObjects.size());
        if (!c.syncs) alerts.scriptButton(1001);  // Cancel

        view.syncZVW();

        if (c.syncs) {
            EXPECT_EQ(alerts.requests().size(), asked);
            // The sync runs in the background and drives the indicator.
            EXPECT_TRUE(processEventsUntil([&] { return m_refreshObjects.size() > refreshes; }));
            EXPECT_TRUE(dataManager().zvwSync()->waitUntilIdle(5));
            EXPECT_FALSE(view.isSyncingIndicatorShown());
            forgetServerIds();  // the next case signs in to another account
        } else {
            ASSERT_EQ(alerts.requests().size(), asked + 1);
            const AlertRequest alert = alerts.requests().back();
            EXPECT_EQ(alert.style, AlertStyle::Critical);
            EXPECT_EQ(alert.messageText, text("anErrorText"));
            EXPECT_EQ(alert.informativeText, text("invalidUserNameNPasswordText"));
            EXPECT_EQ(alert.buttonTitles, QStringList({text("setUpText"), text("cancelText")}));
            EXPECT_TRUE(alert.attached);
            EXPECT_EQ(view.pref(), nullptr) << "Cancel leaves the preferences closed";
            EXPECT_FALSE(dataManager().zvwSync()->isSyncing());
        }
    }
}

TEST_F(MainViewSyncTest, SetUpInTheAccountAlertOpensTheSyncPaneWithoutSigningOut)
{
    MainView& view = openMainView();
    internetReachable = true;
    setAccount(QStringLiteral("ann@example.com"), QString());
    alerts.scriptButton(1000);

    view.syncZVW();

    ASSERT_NE(view.pref(), nullptr);
    EXPECT_EQ(view.pref()->selectedItemIdentifier(), text("syncText"));
    EXPECT_TRUE(view.pref()->isVisible());
    EXPECT_EQ(setting().zvwUserName(), QStringLiteral("ann@example.com")) << "the stored account stays";
}

TEST_F(MainViewSyncTest, TheIndicatorStandsInTheSyncButtonsPlaceWhileASyncRuns)
{
    MainView& view = openMainView();
    SyncProgressView* indicator = view.syncingView();
    ASSERT_NE(indicator, nullptr);
    view.toggleViewSize();  // the layout puts the bar in place
    EXPECT_EQ(indicator->frame(), QRectF(49, H - 30, 120, 20));
    EXPECT_EQ(view.syncingBtn()->frame(), QRectF(49, H - 30, 20, 20));
    EXPECT_TRUE(indicator->isHidden());
    EXPECT_FALSE(view.syncingBtn()->isHidden());

    view.showSyncingIndicator();
    EXPECT_FALSE(indicator->isHidden());
    EXPECT_TRUE(view.syncingBtn()->isHidden());
    EXPECT_TRUE(indicator->progressView()->isAnimating());
    scheduler.advance(ProgressSpinner::stepSeconds * 2 + 0.001);
    EXPECT_EQ(indicator->progressView()->phase(), 2) << "it turns while shown";
    saveScreenshot(m_window.get(), QStringLiteral("main-view-syncing"));

    m_refreshObjects.clear();
    view.hideSyncingIndicator();
    EXPECT_TRUE(indicator->isHidden());
    EXPECT_FALSE(view.syncingBtn()->isHidden());
    EXPECT_FALSE(indicator->progressView()->isAnimating());
    EXPECT_EQ(m_refreshObjects, QList<const void*>({NotificationPayload::identityOf(&view)}))
        << "the comment counts are read again after every sync";
}

TEST_F(MainViewSyncTest, ARefusalWithTheWindowHiddenAndNoPreferencesTurnsAutoSyncOffAndAlertsUnattached)
{
    MainView& view = openMainView(false);
    turnAutoSyncOn();
    alerts.scriptButton(1001);  // Cancel

    postAccountInvalid(dataManager().zvwSync());

    EXPECT_EQ(setting().autoZVWSync(), 0);
    EXPECT_EQ(autoSyncInSideFile(), 0);
    ASSERT_EQ(alerts.requests().size(), 1);
    const AlertRequest alert = alerts.requests().front();
    EXPECT_EQ(alert.informativeText, text("autoSyncZVWWithInvalidUserNameNPasswordText"));
    EXPECT_EQ(alert.messageText, text("anErrorText"));
    EXPECT_EQ(alert.buttonTitles, QStringList({text("setUpText"), text("cancelText")}));
    EXPECT_FALSE(alert.attached);
    EXPECT_EQ(view.pref(), nullptr);
}

TEST_F(MainViewSyncTest, SetUpAfterARefusalSignsOutAndOpensTheSyncPane)
{
    MainView& view = openMainView(false);
    view.preference();  // a preferences window exists but is not in front
    view.pref()->hide();
    turnAutoSyncOn();
    alerts.scriptButton(1000);

    postAccountInvalid(dataManager().zvwSync());

    EXPECT_EQ(setting().autoZVWSync(), 0);
    // The pane signed out and shows the sign-in form, its controls usable.
    EXPECT_TRUE(setting().zvwUserName().isEmpty());
    EXPECT_TRUE(setting().zvwPassword().isEmpty());
    PrefSyncViewOnly* account = view.pref()->syncView()->accountView();
    EXPECT_FALSE(account->userName()->isHidden());
    EXPECT_TRUE(account->signOutButton()->isHidden());
    EXPECT_TRUE(account->oneWayMacToWebButton()->isEnabled());
    EXPECT_EQ(view.pref()->selectedItemIdentifier(), text("syncText"));
    EXPECT_TRUE(view.pref()->isVisible());
}

TEST_F(MainViewSyncTest, ARefusalWithTheMainWindowInFrontAsksAttached)
{
    MainView& view = openMainView(true);
    ASSERT_TRUE(view.isKeyWindow());
    turnAutoSyncOn();
    alerts.scriptButton(1001);

    postAccountInvalid(dataManager().zvwSync());

    EXPECT_EQ(setting().autoZVWSync(), 0);
    EXPECT_EQ(autoSyncInSideFile(), 0);
    ASSERT_EQ(alerts.requests().size(), 1);
    EXPECT_EQ(alerts.requests().front().informativeText, text("invalidUserNameNPasswordText"));
    EXPECT_TRUE(alerts.requests().front().attached);
}

TEST_F(MainViewSyncTest, ARefusalWhileThePreferencesAreInFrontIsLeftToTheirSyncPane)
{
    MainView& view = openMainView(false);
    view.preference();
    ASSERT_TRUE(processEventsUntil([&] { return view.pref()->isKeyWindow(); }));
    turnAutoSyncOn();
    m_invalidObjects.clear();
    alerts.scriptButton(1000);

    postAccountInvalid(dataManager().zvwSync());

    // The sync pane tells the user and turns its box off; the main view says nothing.
    ASSERT_EQ(alerts.requests().size(), 1);
    EXPECT_EQ(alerts.requests().front().informativeText, text("loginFailMessage"));
    EXPECT_EQ(setting().autoZVWSync(), 0);
    EXPECT_EQ(autoSyncInSideFile(), 0);
    EXPECT_EQ(view.pref()->syncView()->accountView()->autoSyncBtn()->state(), 0);
    EXPECT_EQ(m_invalidObjects, QList<const void*>({NotificationPayload::identityOf(dataManager().zvwSync()),
                                                    NotificationPayload::identityOf(&view)}))
        << "posted again once, with the main view as object, and not answered again";
}

TEST_F(MainViewSyncTest, ARefusalPostedByAnyOtherObjectIsIgnored)
{
    MainView& view = openMainView(false);
    turnAutoSyncOn();
    QObject stranger;

    postAccountInvalid(&stranger);
    postAccountInvalid(&view);
    NotificationCenter::defaultCenter().postNotificationName(kZVWAccountInvalidNotification);

    EXPECT_TRUE(alerts.requests().isEmpty());
    EXPECT_EQ(setting().autoZVWSync(), 1);
}

TEST_F(MainViewSyncTest, AServerErrorShowsItsTextInAWarning)
{
    openMainView();
    struct Case {
        QString posted;
        QString shown;
    };
    const QString longText(5000, QLatin1Char('x'));
    const Case cases[] = {
        {QStringLiteral("The tags could not be read (status 500)"), QStringLiteral("The tags could not be read (status 500)")},
        {QString(), text("anErrorText")},  // no text: still a readable alert
        {longText, longText.left(600) + QChar(0x2026)},
    };
    for (const Case& c : cases) {
        alerts.scriptButton(1000);
        NotificationCenter::defaultCenter().postNotificationName(kServerErrorNotification, c.posted);
        const AlertRequest alert = alerts.requests().back();
        EXPECT_EQ(alert.style, AlertStyle::Warning);
        EXPECT_EQ(alert.messageText, c.shown);
        EXPECT_EQ(alert.buttonTitles, QStringList{text("okText")});
    }
    EXPECT_EQ(alerts.requests().size(), 3);
}

}  // namespace MainViewSyncTests
