// The launch, activation and shut-down of the program, offscreen, with a fake
// tray item, the manual scheduler, a fixed clock and a fresh data folder.
#include "ZoravelAppDelegate.h"
#include "iCalSync.h"
#include "iCalSyncJobs.h"

#include "AlertResponse.h"
#include "Application.h"
#include "Button.h"
#include "CalCalendarStore.h"
#include "MainQueue.h"
#include "Calendar.h"
#include "Clock.h"
#include "CoreData.h"
#include "FakeStatusItem.h"
#include "GregorianCalendar.h"
#include "LogCapture.h"
#include "ListModuleView.h"
#include "LoopbackService.h"
#include "MAAttachedWindow.h"
#include "MainView.h"
#include "MainViewHeight.h"
#include "ManualScheduler.h"
#include "MessageBoxAlertPresenter.h"
#include "NetworkStatus.h"
#include "Notifications.h"
#include "NotificationCenter.h"
#include "Paths.h"
#include "PropertyList.h"
#include "RecordStore.h"
#include "Screen.h"
#include "ScriptedAlertPresenter.h"
#include "Setting.h"
#include "SplashScreenView.h"
#include "StartUpWizardPanel.h"
#include "StatusMenuView.h"
#include "Task.h"
#include "TaskListTableView.h"
#include "TaskListView.h"
#include "TestEnvironment.h"
#include "Transaction.h"
#include "Window.h"
#include "ZVWSync.h"
#include "WindowController.h"
#include "ZVComment.h"
#include "PlannerCellView.h"
#include "PlannerMonthView.h"
#include "PlannerWeekView.h"
#include "Screenshot.h"
#include "WeeklyPane.h"
#include "TextField.h"

#include <QApplication>

#include <QCloseEvent>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

namespace {

class ZoravelAppDelegateTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_home = std::make_unique<ScopedDataHome>();
        ASSERT_TRUE(m_home->isValid());
        NetworkStatus::instance().setOverride(0);
        Clock::setFixed(GregorianCalendar::dateFromFields(2014, 1, 15, 9, 0, 0));
        Scheduler::setCurrent(&scheduler);
        Window::setAnimationDurationScale(0);
        m_savedMainViewHeight = mainViewHeight;
    }

    void TearDown() override
    {
        if (delegate && databaseOpen) delegate->finalizeDataBeforeShutdown();
        delegate.reset();
        closeDatabase();
        // The launch sizes the main view for this screen; the views' own
        // tests run after with the height they were written for.
        mainViewHeight = m_savedMainViewHeight;
        Window::setAnimationDurationScale(1);
        Scheduler::setCurrent(nullptr);
        Clock::reset();
        NetworkStatus::instance().setOverride(std::nullopt);
        m_home.reset();
    }

    static void closeDatabase()
    {
        RecordStore::finalizeAllStatements();
        sqlite3_close(RecordStore::sharedDatabase());
        RecordStore::setSharedDatabase(nullptr);
        databaseOpen = false;
        internetReachable = false;
    }

    // A database as an earlier start left it: started once, the settings
    // edited and saved, everything closed again.
    void prepareDatabase(const std::function<void(Setting&)>& edit)
    {
        {
            CoreData manager;
            CoreData::setShared(&manager);
            ASSERT_TRUE(manager.init());
            Setting& setting = *manager.currentSetting();
            setting.setStartUpWizard(0);
            edit(setting);
            ASSERT_TRUE(setting.dehydrate());
            CoreData::setShared(nullptr);
        }
        closeDatabase();
    }

    // The settings as the next start reads them (the delegate's database
    // closed first).
    SettingPtr settingsOnDisk()
    {
        EXPECT_FALSE(databaseOpen);
        auto manager = std::make_unique<CoreData>();
        CoreData::setShared(manager.get());
        EXPECT_TRUE(manager->init());
        SettingPtr setting = manager->currentSetting();
        CoreData::setShared(nullptr);
        manager.reset();
        closeDatabase();
        return setting;
    }

    void launch(bool trayAvailable = true)
    {
        auto item = std::make_unique<FakeStatusItem>();
        tray = item.get();
        tray->setRectOnScreen(QRectF(1200, 776, 24, 24));
        tray->setAvailable(trayAvailable);
        delegate = std::make_unique<ZoravelAppDelegate>(std::move(item));
        delegate->setInstallsAlertsAndSounds(false);
        ASSERT_TRUE(delegate->applicationDidFinishLaunching());
    }

    // Launches into the main window, as a start after the first one does.
    void launchToMainWindow()
    {
        launch();
        scheduler.advance(ZoravelAppDelegate::mainWindowDelay + ZoravelAppDelegate::openWindowDelay + 0.5);
        ASSERT_NE(delegate->mainView(), nullptr);
    }

    // The full sync that follows the open window: the store's files are
    // read in the background, then it runs after its short delay.
    void syncAfterTheWindow()
    {
        EXPECT_TRUE(MainQueue::waitWhile(
            [this] {
                scheduler.advance(ZoravelAppDelegate::storeSyncDelay);
                return !delegate->calendarStoreSynced();
            },
            10));
    }

    Setting& setting() { return *CoreData::shared()->currentSetting(); }

    ManualScheduler scheduler;
    ScriptedAlertPresenter alerts;  // any alert the launch raises fails the test
    std::unique_ptr<ZoravelAppDelegate> delegate;
    FakeStatusItem* tray = nullptr;  // the delegate's

private:
    std::unique_ptr<ScopedDataHome> m_home;
    quint64 m_savedMainViewHeight = 0;
};

}  // namespace

TEST_F(ZoravelAppDelegateTest, TheFirstRunShowsOnlyTheWizardWithWebSyncOffAndCalendarSyncOn)
{
    launch();
    ASSERT_NE(setting().startUpWizard(), 0) << "a new database starts with the wizard due";
    scheduler.advance(5);

    ASSERT_NE(delegate->wizardPanel(), nullptr);
    EXPECT_TRUE(delegate->wizardPanel()->isVisible());
    EXPECT_EQ(delegate->splashView(), nullptr) << "no splash on the first run";
    EXPECT_EQ(delegate->mainView(), nullptr) << "no main window until the wizard ends";
    EXPECT_EQ(delegate->windowController(), nullptr);
    EXPECT_EQ(setting().autoZVWSync(), 0);
    EXPECT_EQ(setting().autoICalSync(), 1);
    const PropertyList::Result switches =
        PropertyList::readFile(QDir(Paths::applicationSupportFolder()).filePath(QStringLiteral("auto.plist")));
    ASSERT_TRUE(switches.ok()) << switches.errorText.toStdString();
    EXPECT_EQ(switches.value.toMap().value(QStringLiteral("autoZVWSync")).toLongLong(), 0);
    EXPECT_EQ(switches.value.toMap().value(QStringLiteral("autoICalSync")).toLongLong(), 1);

    // A click on the tray brings the wizard forward instead of a window.
    delegate->wizardPanel()->orderOut();
    tray->click();
    EXPECT_TRUE(delegate->wizardPanel()->isVisible());
    EXPECT_FALSE(delegate->sttMenuView()->isActive());
    EXPECT_EQ(delegate->mainView(), nullptr);

    // Its Start builds the main view at once and opens its window 0.1 s
    // later; the panel is gone by then.
    delegate->wizardPanel()->startButton()->performClick();
    ASSERT_NE(delegate->mainView(), nullptr);
    ASSERT_NE(delegate->windowController(), nullptr);
    EXPECT_EQ(setting().startUpWizard(), 0);
    EXPECT_FALSE(delegate->wizardPanel()->isVisible());
    EXPECT_FALSE(delegate->mainWindow() && delegate->mainWindow()->isVisible());
    scheduler.advance(ZoravelAppDelegate::openWindowDelay);
    ASSERT_NE(delegate->mainWindow(), nullptr);
    EXPECT_TRUE(delegate->mainWindow()->isVisible());
    delegate->finalizeDataBeforeShutdown();
    delegate.reset();
    EXPECT_EQ(settingsOnDisk()->startUpWizard(), 0);
}

TEST_F(ZoravelAppDelegateTest, TheLaunchInstallsTheCalendarStoreSyncOnTheUsersStore)
{
    launch();
    const auto* sync = dynamic_cast<iCalSyncJobs*>(CoreData::shared()->icalSync());
    ASSERT_NE(sync, nullptr);
    const QString expected = qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/calendars");
    EXPECT_EQ(sync->iCalStore()->rootPath(), expected);
    EXPECT_TRUE(QFileInfo(expected).isDir());
}

// Every start takes the store in once its window is open: the window does
// not wait for the store's files to be read, and a calendar another program
// made meanwhile is a category after that.
TEST_F(ZoravelAppDelegateTest, EveryStartRunsTheFullCalendarSyncOnceItsWindowIsOpen)
{
    prepareDatabase([](Setting& s) { s.setAutoICalSync(0); });  // runs whatever this says
    const QString root = qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/calendars");
    auto made = CalCalendar::calendar();
    made->setTitle(QStringLiteral("Made before the start"));
    ASSERT_TRUE(CalCalendarStore::create(root)->saveCalendar(made));

    launchToMainWindow();
    EXPECT_TRUE(delegate->mainWindow()->isVisible());
    EXPECT_FALSE(CoreData::shared()->calendarWithICalUID(made->uid())) << "the window did not wait for the store";
    syncAfterTheWindow();
    const CalendarPtr category = CoreData::shared()->calendarWithICalUID(made->uid());
    ASSERT_TRUE(category);
    EXPECT_EQ(category->calendarName(), QStringLiteral("Made before the start"));
    EXPECT_FALSE(setting().iCalLastSyncTime().isNull());
    EXPECT_TRUE(CoreData::shared()->bSynciCalEnable());
}

// The lists are loaded under the splash, from the database; the full sync
// runs once, after the window opened.
TEST_F(ZoravelAppDelegateTest, TheFullCalendarSyncRunsOnceAfterTheWindowOpened)
{
    prepareDatabase([](Setting&) {});
    const QString root = qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/calendars");
    auto made = CalCalendar::calendar();
    made->setTitle(QStringLiteral("Made before the start"));
    ASSERT_TRUE(CalCalendarStore::create(root)->saveCalendar(made));
    const QString before = made->uid();

    launch();
    scheduler.advance(0);
    scheduler.advance(ZoravelAppDelegate::splashShowDelay);
    ASSERT_NE(delegate->splashView(), nullptr);
    // The main view is built ahead, but the splash stays.
    EXPECT_EQ(delegate->windowController()->popoverWindow()->view(), delegate->splashView());
    EXPECT_FALSE(CoreData::shared()->calendarWithICalUID(before)) << "the splash does not wait for the store";

    scheduler.advance(ZoravelAppDelegate::mainWindowDelay + ZoravelAppDelegate::openWindowDelay);
    ASSERT_NE(delegate->mainView(), nullptr);
    EXPECT_FALSE(CoreData::shared()->calendarWithICalUID(before)) << "nor the window";
    syncAfterTheWindow();
    EXPECT_TRUE(CoreData::shared()->calendarWithICalUID(before));
    const Date synced = setting().iCalLastSyncTime();
    scheduler.advance(1);
    EXPECT_EQ(setting().iCalLastSyncTime(), synced) << "no second full sync";
}

// The main view is built in the idle wait before the splash shows, without
// its data; the data's load follows the fade-in, or, when the fade-in has
// not ended by the main view's delay, the main view's build loads it. The
// full sync follows the window in either case.
struct BuildAheadCase {
    const char* name;
    double fadeScale;  // 1: the fade-in never ends here (no Qt event loop turns)
};

class ZoravelAppDelegateBuildAheadTest : public ZoravelAppDelegateTest,
                                         public ::testing::WithParamInterface<BuildAheadCase> {};

TEST_P(ZoravelAppDelegateBuildAheadTest, TheViewBuiltBeforeTheSplashShowsOpensOnSyncedData)
{
    const BuildAheadCase& c = GetParam();
    prepareDatabase([](Setting&) {});
    auto made = CalCalendar::calendar();
    made->setTitle(QStringLiteral("Made before the start"));
    ASSERT_TRUE(CalCalendarStore::create(qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/calendars"))
                    ->saveCalendar(made));
    Window::setAnimationDurationScale(c.fadeScale);
    launch();
    scheduler.advance(0);
    ASSERT_NE(delegate->splashView(), nullptr);
    ASSERT_NE(delegate->mainView(), nullptr) << "built before the splash shows";
    EXPECT_FALSE(delegate->splashView()->window()->isVisible());
    EXPECT_FALSE(CoreData::shared()->calendarWithICalUID(made->uid())) << "the build ahead runs no sync";

    scheduler.advance(ZoravelAppDelegate::splashShowDelay);
    EXPECT_EQ(delegate->windowController()->popoverWindow()->view(), delegate->splashView());

    scheduler.advance(ZoravelAppDelegate::mainWindowDelay + ZoravelAppDelegate::openWindowDelay);
    ASSERT_NE(delegate->mainWindow(), nullptr);
    EXPECT_TRUE(delegate->mainWindow()->isVisible());
    syncAfterTheWindow();
    EXPECT_TRUE(CoreData::shared()->calendarWithICalUID(made->uid())) << "synced after the window opened";
}

INSTANTIATE_TEST_SUITE_P(FadeIn, ZoravelAppDelegateBuildAheadTest,
                         ::testing::Values(BuildAheadCase{"EndsUnderTheSplash", 0},
                                           BuildAheadCase{"OutlastsTheMainViewsDelay", 1}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ZoravelAppDelegateTest, AFreshDatabaseShowsTheListPaneAndAnExistingOneKeepsItsChoice)
{
    launch();
    EXPECT_FALSE(CoreData::shared()->isUpgrade());
    EXPECT_EQ(setting().hasRightPage(), 1);
    delegate->finalizeDataBeforeShutdown();
    delegate.reset();
    EXPECT_EQ(settingsOnDisk()->hasRightPage(), 1) << "saved, not only set";

    prepareDatabase([](Setting& s) { s.setHasRightPage(0); });
    launchToMainWindow();
    EXPECT_TRUE(CoreData::shared()->isUpgrade());
    EXPECT_EQ(setting().hasRightPage(), 0);
    EXPECT_EQ(delegate->mainView()->showHideBtn()->state(), 0);
}

// A start with a planner pinned: the panes loaded ahead of the opening
// leave the planner to the opening, which shows it with its days.
TEST_F(ZoravelAppDelegateTest, AStartWithAPlannerPinnedShowsThePlannersDays)
{
    for (const bool week : {false, true}) {
        SCOPED_TRACE(week ? "the week planner" : "the month planner");
        Clock::setFixed(GregorianCalendar::dateFromFields(2014, 1, 15, 9, 0, 0));
        prepareDatabase([week](Setting& s) {
            s.setIsWeekPlannerPinned(week ? 1 : 0);
            s.setIsMonthPlannerPinned(week ? 0 : 1);
        });
        launch();
        scheduler.advance(0);
        scheduler.advance(ZoravelAppDelegate::mainWindowDelay + 0.01);
        scheduler.advance(ZoravelAppDelegate::openWindowDelay);
        MainView* view = delegate->mainView();
        ASSERT_TRUE(view && delegate->mainWindow() && delegate->mainWindow()->isVisible());
        view->monthPlannerView()->grab();
        view->weekPlannerView()->grab();
        QApplication::processEvents();
        const PlannerBaseView& planner = week ? static_cast<const PlannerBaseView&>(*view->weekPlannerView()->weeklyPane())
                                              : *view->monthPlannerView();
        EXPECT_TRUE(planner.startDate().isValid());
        if (!week) {
            EXPECT_TRUE(view->monthPlannerView()->title()->stringValue().contains(QStringLiteral("2014")));
            EXPECT_FALSE(view->monthPlannerView()->cell(0)->isHidden());
        }
        saveScreenshot(delegate->mainWindow(), week ? QStringLiteral("start-week-planner") : QStringLiteral("start-month-planner"));
        delegate->finalizeDataBeforeShutdown();
        delegate.reset();
        closeDatabase();
        QFile::remove(CoreData::databasePath());
    }
}

TEST_F(ZoravelAppDelegateTest, TheSplashComesAtOnceAndTheMainWindowFourTenthsLater)
{
    prepareDatabase([](Setting& s) { s.setHasRightPage(1); });
    launch();
    EXPECT_EQ(delegate->splashView(), nullptr) << "the launch steps wait for the event loop";
    scheduler.advance(0);
    ASSERT_NE(delegate->splashView(), nullptr);
    // Its window places it; the splash keeps the banner's size where the
    // screen has the room, and is narrowed to it where not.
    const double visibleWidth = Screen::mainVisibleFrame().width();
    EXPECT_EQ(delegate->splashView()->frame().size(), QSizeF(std::min(1440.0, visibleWidth - 20), 360));
    EXPECT_NE(delegate->windowController(), nullptr);
    scheduler.advance(0.39);
    // Built ahead under the splash, which the controller still shows.
    EXPECT_EQ(delegate->windowController()->popoverWindow()->view(), delegate->splashView());
    EXPECT_FALSE(delegate->mainWindow() && delegate->mainWindow()->isVisible());
    scheduler.advance(0.02);
    ASSERT_NE(delegate->mainView(), nullptr);
    EXPECT_EQ(delegate->windowController()->popoverWindow()->view(), delegate->mainView());
    EXPECT_EQ(MainView::current(), delegate->mainView());
    EXPECT_EQ(delegate->wizardPanel(), nullptr);

    const QRectF visible = Screen::mainVisibleFrame();
    // The screen's visible height less 20, unless the window round the view
    // (6 above and below, the arrow's 10) would then pass the screen's edge.
    EXPECT_EQ(mainViewHeight, std::min<quint64>(mainViewHeightForVisibleHeight(visible.height()),
                                                quint64(visible.height() - 22)));
    // Made as wide as the screen allows, then laid out for the list column.
    EXPECT_EQ(delegate->mainView()->frame().size(), QSizeF(620, double(mainViewHeight)));
    EXPECT_EQ(delegate->mainView()->currentSize(), 620) << "the layout keeps the width it gave";
    EXPECT_TRUE(delegate->mainView()->autoresizesSubviews());
    EXPECT_EQ(delegate->mainView()->showHideBtn()->state(), 1);
    EXPECT_EQ(delegate->screenResolution(false), visible.size());
    EXPECT_EQ(delegate->screenResolution(true), Screen::mainFrame().size());
    EXPECT_EQ(delegate->statusItemPosition(), QPointF(1212, 776));

    // The window opens 0.1 s after the main view's build began.
    scheduler.advance(0.1);
    ASSERT_NE(delegate->mainWindow(), nullptr);
    EXPECT_TRUE(delegate->mainWindow()->isVisible());
    EXPECT_EQ(Application::mainWindow(), delegate->mainWindow()) << "attached alerts hang from it";
}

TEST_F(ZoravelAppDelegateTest, ASavedDockSideOpensDockedButUnpinnedAndASavedPinShowsOnItsButton)
{
    struct Case {
        const char* name;
        qint64 dockStatus;
        qint64 isPinned;
        bool left, right, pinned;
        int pinButton;
        qint64 weekPlanner = 0, monthPlanner = 0;  // docked by the planner shown
    };
    const Case cases[] = {
        {"docked left", -1, 1, true, false, false, 0},
        {"docked right", 1, 0, false, true, false, 0},
        {"attached and pinned", 0, 1, false, false, true, 1},
        {"attached", 0, 0, false, false, false, 0},
        {"week planner, pinned", 1, 1, false, true, true, 1, 1},
        {"month planner, pinned", 1, 1, false, true, true, 1, 0, 1},
        {"week planner", 1, 0, false, true, false, 0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        prepareDatabase([&](Setting& s) {
            s.setDockStatus(c.dockStatus);
            s.setIsPinned(c.isPinned);
            s.setIsWeekPlannerPinned(c.weekPlanner);
            s.setIsMonthPlannerPinned(c.monthPlanner);
        });
        launchToMainWindow();
        MainView* view = delegate->mainView();
        EXPECT_EQ(view->isDockedLeft(), c.left);
        EXPECT_EQ(view->isDockedRight(), c.right);
        EXPECT_EQ(view->isPinned(), c.pinned);
        EXPECT_EQ(view->togglePinBtn()->state(), c.pinButton);
        EXPECT_EQ(setting().isPinned(), c.pinned ? 1 : 0);
        delegate->finalizeDataBeforeShutdown();
        delegate.reset();
    }
}

TEST_F(ZoravelAppDelegateTest, TrayClicksOpenAndCloseTheMainWindow)
{
    prepareDatabase([](Setting&) {});
    launchToMainWindow();
    WindowController* controller = delegate->windowController();
    const bool openAtStart = controller->isActive();
    tray->click();
    EXPECT_EQ(controller->isActive(), !openAtStart);
    EXPECT_EQ(delegate->sttMenuView()->isActive(), controller->isActive());
    tray->click();
    EXPECT_EQ(controller->isActive(), openAtStart);
    EXPECT_EQ(delegate->sttMenuView()->isActive(), openAtStart);

    // The controller closing its own window is copied to the tray's view.
    controller->setActive(true);
    EXPECT_TRUE(delegate->sttMenuView()->isActive());
    controller->setActive(false);
    EXPECT_FALSE(delegate->sttMenuView()->isActive());
}

TEST_F(ZoravelAppDelegateTest, LosingTheFocusStopsAnAlertClosesPopoversAndFloatsOnlyAPinnedWindow)
{
    prepareDatabase([](Setting& s) { s.setIsPinned(1); });
    launchToMainWindow();
    Window* window = delegate->mainWindow();
    ASSERT_NE(window, nullptr);
    QObject observer;
    QList<ZoravelAppDelegate*> popoverCloses;
    // The delegate's own posts (the window controller posts its own too).
    NotificationCenter::defaultCenter().addObserver(&observer, kPopoverShouldClose,
                                                    NotificationPayload::identityOf(delegate.get()),
                                                    [&](const Notification& note) {
        popoverCloses.append(note.objectAs<ZoravelAppDelegate*>());
    });

    // An alert open when another program takes the focus ends unanswered.
    MessageBoxAlertPresenter presenter;
    QTimer::singleShot(50, [&] {
        NotificationCenter::defaultCenter().postNotificationName(kApplicationWillResignActiveNotification,
                                                                 Application::shared());
    });
    AlertRequest request;
    request.messageText = QStringLiteral("Still here?");
    request.attached = false;
    request.addButtonWithTitle(QStringLiteral("OK"));
    EXPECT_EQ(presenter.runModal(request).button, AlertResponse::stopped);
    EXPECT_EQ(popoverCloses, QList<ZoravelAppDelegate*>{delegate.get()});
    EXPECT_EQ(window->level(), Window::Level::Status) << "pinned: above the other programs' windows";

    NotificationCenter::defaultCenter().postNotificationName(kApplicationWillBecomeActiveNotification,
                                                             Application::shared());
    EXPECT_EQ(window->level(), Window::Level::Normal);

    delegate->mainView()->togglePin();
    ASSERT_FALSE(delegate->mainView()->isPinned());
    delegate->applicationWillResignActive();
    EXPECT_EQ(window->level(), Window::Level::Normal);
    EXPECT_EQ(popoverCloses.size(), 2);
}

TEST_F(ZoravelAppDelegateTest, QuittingStampsTheSyncTimeSavesAndClosesTheDatabase)
{
    prepareDatabase([](Setting& s) { s.setICalLastSyncTime(GregorianCalendar::dateFromFields(2013, 6, 1, 12, 0, 0)); });
    launchToMainWindow();
    // A statement of a class the shut-down does not name is prepared too:
    // the database must close all the same.
    ZVComment::initWithPrimaryKey(1, RecordStore::sharedDatabase());
    setting().setHasRightPage(0);  // an unsaved change

    LogCapture log;
    NotificationCenter::defaultCenter().postNotificationName(kApplicationWillTerminateNotification,
                                                             Application::shared());
    EXPECT_FALSE(databaseOpen);
    EXPECT_EQ(RecordStore::sharedDatabase(), nullptr);
    EXPECT_FALSE(log.contains(QStringLiteral("failed to close database")));
    // Quitting twice (the menu, then the system) does no harm.
    NotificationCenter::defaultCenter().postNotificationName(kApplicationWillTerminateNotification,
                                                             Application::shared());

    const SettingPtr saved = settingsOnDisk();
    EXPECT_EQ(saved->iCalLastSyncTime(), Clock::now());
    EXPECT_EQ(saved->hasRightPage(), 0);
}

TEST_F(ZoravelAppDelegateTest, ADatabaseThatCannotBeOpenedEndsTheLaunchBeforeAnyWindow)
{
    ASSERT_TRUE(QDir().mkpath(QDir(Paths::applicationSupportFolder()).filePath(QStringLiteral("Database.sql"))));
    alerts.scriptButton(AlertResponse::firstButton);
    auto item = std::make_unique<FakeStatusItem>();
    FakeStatusItem* fake = item.get();
    delegate = std::make_unique<ZoravelAppDelegate>(std::move(item));
    delegate->setInstallsAlertsAndSounds(false);
    EXPECT_FALSE(delegate->applicationDidFinishLaunching());
    ASSERT_EQ(alerts.requests().size(), 1);
    EXPECT_EQ(alerts.requests().front().messageText, kDatabaseCanNotOpenText);
    EXPECT_EQ(CoreData::shared(), nullptr);
    EXPECT_TRUE(fake->image().isNull()) << "no tray icon either";
    EXPECT_EQ(delegate->sttMenuView(), nullptr);
    scheduler.advance(5);
    EXPECT_EQ(scheduler.pendingTimerCount(), 0);
    EXPECT_EQ(delegate->mainView(), nullptr);
}

// One copy per data folder: a second start on it asks the running one to
// show itself (opened if it was closed, the wizard while it is due), and
// ends having read, written and shown nothing. A running copy held up past
// the second start's wait is told of in an alert, not taken as answered.
TEST_F(ZoravelAppDelegateTest, ASecondStartOnTheSameDataFolderBringsTheRunningWindowForwardAndEnds)
{
    const struct {
        const char* name;
        bool wizard;
        bool closedFirst;
        bool answers = true;  // false: this thread does not turn its loop while the second start waits
    } rows[] = {{"main window closed", false, true},
                {"main window open", false, false},
                {"wizard", true, true},
                {"running copy held up", false, true, false}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        if (!row.wizard) prepareDatabase([](Setting&) {});
        if (row.wizard) launch();
        else launchToMainWindow();
        Window* shown = row.wizard ? static_cast<Window*>(delegate->wizardPanel()) : delegate->mainWindow();
        ASSERT_NE(shown, nullptr);
        if (row.closedFirst) {
            if (row.wizard) delegate->wizardPanel()->orderOut();
            else tray->click();
            scheduler.advance(0.5);
            ASSERT_FALSE(shown->isVisible());
        }
        CoreData* running = CoreData::shared();
        if (!row.answers) alerts.scriptButton(AlertResponse::firstButton);

        // The second start waits for the running copy's answer: on its own
        // thread, as in its own process, while this one answers.
        ZoravelAppDelegate second(std::make_unique<FakeStatusItem>());
        second.setInstallsAlertsAndSounds(false);
        std::atomic<bool> launched{true};
        std::atomic<bool> done{false};
        std::thread start([&] {
            launched = second.applicationDidFinishLaunching();
            done = true;
        });
        if (row.answers) processEventsUntil([&] { return done.load(); });
        start.join();
        EXPECT_FALSE(launched);
        EXPECT_EQ(second.handedToRunningCopy(), row.answers);
        EXPECT_EQ(alerts.requests().size(), row.answers ? 0 : 1);
        EXPECT_EQ(second.sttMenuView(), nullptr) << "no second tray icon";
        EXPECT_EQ(CoreData::shared(), running);
        if (row.answers) {
            EXPECT_TRUE(processEventsUntil([&] { return shown->isVisible(); }));
            EXPECT_EQ(delegate->sttMenuView()->isActive(), !row.wizard) << "the tray knows the window is open";
            scheduler.advance(5);
            EXPECT_TRUE(shown->isVisible());
        }

        delegate->finalizeDataBeforeShutdown();
        delegate.reset();
        closeDatabase();
        QFile::remove(CoreData::databasePath());
    }
}

TEST_F(ZoravelAppDelegateTest, WithoutATrayTheMainWindowOpensAtOnceAndStaysOpen)
{
    prepareDatabase([](Setting&) {});
    launch(false);
    EXPECT_TRUE(delegate->launchedWithoutTray());
    ASSERT_NE(delegate->mainView(), nullptr) << "no splash first";
    EXPECT_EQ(delegate->splashView(), nullptr);
    EXPECT_TRUE(delegate->mainView()->isPinned()) << "nothing could bring it back once closed";
    EXPECT_EQ(setting().isPinned(), 0) << "pinned for this run only";
    scheduler.advance(ZoravelAppDelegate::openWindowDelay);
    ASSERT_NE(delegate->mainWindow(), nullptr);
    EXPECT_TRUE(delegate->mainWindow()->isVisible());
}

TEST_F(ZoravelAppDelegateTest, WithoutATrayTheWindowAfterTheFirstRunsWizardStaysOpenToo)
{
    launch(false);
    EXPECT_TRUE(delegate->launchedWithoutTray());
    ASSERT_NE(delegate->wizardPanel(), nullptr);
    delegate->wizardPanel()->startButton()->performClick();
    ASSERT_NE(delegate->mainView(), nullptr);
    EXPECT_TRUE(delegate->mainView()->isPinned()) << "another window taking the keyboard would hide it for good";
    EXPECT_EQ(setting().isPinned(), 0) << "pinned for this run only";
}

TEST_F(ZoravelAppDelegateTest, QuitWaitsForARunningCalendarJobBeforeTheDatabaseCloses)
{
    prepareDatabase([](Setting&) {});
    launchToMainWindow();
    // A calendar-store job still at work when the user quits; it finishes
    // on its own thread a moment later and must find the database open.
    iCalSyncBusy = true;
    std::atomic<bool> openAtItsEnd{false};
    std::thread job([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        openAtItsEnd = databaseOpen.load();
        iCalSyncBusy = false;
    });
    NotificationCenter::defaultCenter().postNotificationName(kApplicationWillTerminateNotification,
                                                             Application::shared());
    job.join();
    EXPECT_TRUE(openAtItsEnd) << "the database closed under the job";
    EXPECT_FALSE(databaseOpen);
}

// Another program holding the database (the lock a web sync's alert told
// of) does not hold the quit for the usual few seconds: its last save waits
// briefly, is logged as not saved, and the database closes.
TEST_F(ZoravelAppDelegateTest, QuitUnderAnotherProgramsLockWaitsBrieflyAndClosesTheDatabase)
{
    // A writer's lock, and an exclusive one that holds back reads too.
    for (const char* hold : {"BEGIN IMMEDIATE", "BEGIN EXCLUSIVE"}) {
        SCOPED_TRACE(hold);
        prepareDatabase([](Setting&) {});
        launchToMainWindow();
        const std::chrono::milliseconds usualWait = RecordStore::busyTimeout();
        RecordStore::setBusyTimeout(std::chrono::seconds(5));
        sqlite3* other = nullptr;
        ASSERT_EQ(sqlite3_open(CoreData::databasePath().toUtf8().constData(), &other), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(other, hold, nullptr, nullptr, nullptr), SQLITE_OK);
        LogCapture log;
        QElapsedTimer clock;
        clock.start();
        NotificationCenter::defaultCenter().postNotificationName(kApplicationWillTerminateNotification,
                                                                 Application::shared());
        const qint64 elapsed = clock.elapsed();
        sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
        sqlite3_close(other);
        EXPECT_LT(elapsed, 1500) << "the quit waited out the usual lock wait";
        EXPECT_TRUE(log.contains(QStringLiteral("The settings could not be saved at the end")));
        EXPECT_FALSE(databaseOpen);
        EXPECT_EQ(RecordStore::busyTimeout(), std::chrono::seconds(5)) << "the usual wait is back for what follows";
        RecordStore::setBusyTimeout(usualWait);
    }
}

TEST_F(ZoravelAppDelegateTest, TheStartUpRunsAFullWebSyncOnlyWithAutomaticWebSyncOn)
{
    LoopbackService service;
    service.addAccount(QStringLiteral("ann@example.com"), QStringLiteral("secret"));
    qputenv("ZORAVEL_SERVICE_URL", service.baseAddress().toUtf8());
    const struct {
        const char* name;
        qint64 autoZVWSync;
        bool synced;
    } rows[] = {{"automatic web sync on", 1, true}, {"automatic web sync off", 0, false}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        service.clearRequests();
        prepareDatabase([&](Setting& s) {
            s.setAutoZVWSync(row.autoZVWSync);
            ASSERT_TRUE(s.setAutoSync());
            ASSERT_TRUE(CoreData::writeZVWAccount(QStringLiteral("ann@example.com"), QStringLiteral("secret")));
        });
        launchToMainWindow();
        // The web pass's push to the store waits for the store's full sync.
        syncAfterTheWindow();
        ZVWSync* sync = CoreData::shared()->zvwSync();
        ASSERT_NE(sync, nullptr);
        ASSERT_TRUE(sync->waitUntilIdle(20));
        processEventsUntil([] { return false; }, 30);
        EXPECT_EQ(service.requestsTo(QStringLiteral("/api/settings.json")).isEmpty(), !row.synced);
        EXPECT_EQ(service.requestsTo(QStringLiteral("/api/backups.json")).isEmpty(), !row.synced);
        delegate->finalizeDataBeforeShutdown();
        delegate.reset();
    }
    qunsetenv("ZORAVEL_SERVICE_URL");
}

// The panes are loaded in the window's wait, before it opens. Whatever
// changed meanwhile, by whichever route, the opening reloads them, so the
// window never shows what was loaded ahead of a change; when nothing
// changed it shows them as loaded.
TEST_F(ZoravelAppDelegateTest, TheWindowShowsThePanesLoadedAheadOnlyWhenNothingChangedMeanwhile)
{
    const auto newTask = [](const QString& name) {
        auto task = std::make_shared<Task>();
        task->setTaskType(1);
        task->setTaskName(name);
        task->setCalendarId(CoreData::shared()->calendarList().first()->primaryKey());
        EXPECT_TRUE(task->insertIntoDatabase());
        EXPECT_TRUE(task->dehydrate());
        return task;
    };
    struct Route {
        const char* name;
        std::function<void()> change;
        bool reloads;
        bool listsNewTask;
    };
    const std::vector<Route> routes = {
        {"nothing", [] {}, false, false},
        {"a task added as the quick-add bar does",
         [&] { CoreData::shared()->doWithAllTasksEventsAdes(TaskList{newTask(QStringLiteral("Added"))}, 0); }, true,
         true},
        {"a row written without a word", [&] { newTask(QStringLiteral("Written")); }, true, false},
        {"another connection's commit",
         [] {
             sqlite3* other = nullptr;
             ASSERT_EQ(sqlite3_open(CoreData::databasePath().toUtf8().constData(), &other), SQLITE_OK);
             EXPECT_EQ(sqlite3_exec(other, "INSERT INTO Tasks (taskName, taskType) VALUES ('Synced', 1)", nullptr,
                                    nullptr, nullptr),
                       SQLITE_OK);
             sqlite3_close(other);
         },
         true, false},
        {"a unit rolled back",
         [&] {
             Transaction unit;
             ASSERT_TRUE(unit.isOpen());
             newTask(QStringLiteral("Undone"));
             unit.rollback();
         },
         true, false},
        {"the item list heard changed",
         [] {
             NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kAllTasksEventsAdesChanged,
                                                                                  CoreData::shared());
         },
         true, false},
        {"the minute turning", [] { Clock::setFixed(GregorianCalendar::dateFromFields(2014, 1, 15, 9, 1, 0)); }, true,
         false},
        {"the day turning", [] { Clock::setFixed(GregorianCalendar::dateFromFields(2014, 1, 16, 0, 0, 30)); }, true,
         false},
    };
    std::optional<int> rowsUnchanged;
    for (const Route& route : routes) {
        SCOPED_TRACE(route.name);
        Clock::setFixed(GregorianCalendar::dateFromFields(2014, 1, 15, 9, 0, 0));
        prepareDatabase([](Setting& s) { s.setHasRightPage(1); });
        launch();
        scheduler.advance(0);
        scheduler.advance(ZoravelAppDelegate::mainWindowDelay + 0.01);
        MainView* view = delegate->mainView();
        ASSERT_NE(view, nullptr);
        ASSERT_TRUE(view->hasReloadedAhead());
        EXPECT_EQ(view->reloadCounts().monthAndDay, 1);
        route.change();
        scheduler.advance(ZoravelAppDelegate::openWindowDelay);
        ASSERT_TRUE(delegate->mainWindow() && delegate->mainWindow()->isVisible());
        EXPECT_FALSE(view->hasReloadedAhead());
        // The day's turn reloads the panes once more of itself.
        if (route.reloads) {
            EXPECT_GE(view->reloadCounts().monthAndDay, 2);
        } else {
            EXPECT_EQ(view->reloadCounts().monthAndDay, 1);
            EXPECT_FALSE(view->isItemListReloadPending()) << "the sync's new list was loaded ahead too";
        }
        const int rows = view->listModuleView()->taskListView()->taskListTableView()->numberOfRows();
        if (!rowsUnchanged) rowsUnchanged = rows;
        // The new task comes with its group's header.
        if (route.listsNewTask) {
            EXPECT_GT(rows, *rowsUnchanged);
        } else {
            EXPECT_EQ(rows, *rowsUnchanged);
        }

        delegate->finalizeDataBeforeShutdown();
        delegate.reset();
        closeDatabase();
        QFile::remove(CoreData::databasePath());
    }
}

namespace {

// A window that will not close (as some dialogs of the platform answer a
// quit) must not keep the program running once the person chose Quit.
TEST(ZoravelAppDelegateQuitTest, QuitEndsTheLoopEvenWhenAWindowRefusesToClose)
{
    class Stubborn : public QWidget {
    protected:
        void closeEvent(QCloseEvent* event) override { event->ignore(); }
    };
    Stubborn window;
    window.show();
    ZoravelAppDelegate delegate;
    QTimer::singleShot(0, &delegate, [&delegate] { delegate.closeApp(); });
    // Ends a loop the quit did not end, with a status of its own.
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [] { QCoreApplication::exit(7); });
    watchdog.start(6000);
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(QCoreApplication::exec(), 0);
    EXPECT_LT(clock.elapsed(), 3000);
    watchdog.stop();
    // The quit's own fallback fires here, outside any loop of a later test.
    processEventsUntil([] { return false; }, 1200);
}

}  // namespace
