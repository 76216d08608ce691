// The launch on a real X server with a tray (scripts/with-display.sh): the
// tray icon, the splash, the main window under the icon, and the quit.
#include "ZoravelAppDelegate.h"

#include "../PlatformWindows/RealWindowSupport.h"
#include "Application.h"
#include "Button.h"
#include "CoreData.h"
#include "MainView.h"
#include "MessageBoxAlertPresenter.h"
#include "NetworkStatus.h"
#include "NotificationCenter.h"
#include "RecordStore.h"
#include "Screenshot.h"
#include "ScriptedAlertPresenter.h"
#include "Setting.h"
#include "SplashScreenView.h"
#include "StartUpWizardPanel.h"
#include "StatusItem.h"
#include "StatusMenuView.h"
#include "Window.h"
#include "WindowController.h"

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QScreen>
#include <QThread>
#include <QMenu>
#include <QMouseEvent>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QTimer>

#include <memory>

namespace {

QWidget* trayIconWindow()
{
    for (QWidget* window : QApplication::topLevelWidgets())
        if (qstrcmp(window->metaObject()->className(), "QSystemTrayIconSys") == 0 && window->isVisible())
            return window;
    return nullptr;
}

void clickTrayIcon()
{
    QWidget* window = trayIconWindow();
    ASSERT_NE(window, nullptr);
    const QPointF at = QRectF(window->rect()).center();
    QMouseEvent press(QEvent::MouseButtonPress, at, window->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(window, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, window->mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QCoreApplication::sendEvent(window, &release);
}

class ZoravelAppDelegateOnScreenTest : public RealWindowTest {
protected:
    void SetUp() override
    {
        RealWindowTest::SetUp();
        if (HasFatalFailure() || IsSkipped()) return;
        if (!QSystemTrayIcon::isSystemTrayAvailable()) GTEST_SKIP() << "no tray on this desktop";
        ASSERT_TRUE(m_home.isValid());
        m_previousHome = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", m_home.path().toUtf8());
        NetworkStatus::instance().setOverride(0);
        // The program's version is stored at the first start; the same one
        // at the next start keeps the wizard away.
        m_previousVersion = QCoreApplication::applicationVersion();
        QCoreApplication::setApplicationVersion(QStringLiteral("2.0"));
        // A start after the first: no wizard.
        {
            CoreData manager;
            CoreData::setShared(&manager);
            ASSERT_TRUE(manager.init());
            manager.currentSetting()->setStartUpWizard(0);
            ASSERT_TRUE(manager.currentSetting()->dehydrate());
            CoreData::setShared(nullptr);
        }
        closeDatabase();
    }

    void TearDown() override
    {
        if (delegate && databaseOpen) delegate->finalizeDataBeforeShutdown();
        delegate.reset();
        closeDatabase();
        NetworkStatus::instance().setOverride(std::nullopt);
        QCoreApplication::setApplicationVersion(m_previousVersion);
        if (!m_previousHome.isNull()) qputenv("XDG_DATA_HOME", m_previousHome);
        RealWindowTest::TearDown();
    }

    static void closeDatabase()
    {
        RecordStore::finalizeAllStatements();
        sqlite3_close(RecordStore::sharedDatabase());
        RecordStore::setSharedDatabase(nullptr);
        databaseOpen = false;
        internetReachable = false;
    }

    ScriptedAlertPresenter alerts;
    std::unique_ptr<ZoravelAppDelegate> delegate;

private:
    QTemporaryDir m_home;
    QByteArray m_previousHome;
    QString m_previousVersion;
};

}  // namespace

TEST_F(ZoravelAppDelegateOnScreenTest, TheTrayIconTheSplashThenTheMainWindowUnderTheIcon)
{
    delegate = std::make_unique<ZoravelAppDelegate>();
    delegate->setInstallsAlertsAndSounds(false);
    ASSERT_TRUE(delegate->applicationDidFinishLaunching());
    ASSERT_TRUE(RealWindows::waitUntil([] { return trayIconWindow() != nullptr; })) << "the icon is in the tray";
    ASSERT_TRUE(RealWindows::waitUntil([&] { return !delegate->statusItem()->rectOnScreen().isEmpty(); }));

    ASSERT_TRUE(RealWindows::waitUntil([&] {
        SplashScreenView* splash = delegate->splashView();
        return splash && splash->window() && splash->window()->isVisible();
    }));
    ASSERT_FALSE(saveScreenshot(delegate->splashView()->window(), QStringLiteral("splash-window")).isEmpty());

    ASSERT_TRUE(RealWindows::waitUntil([&] { return delegate->mainWindow() && delegate->mainWindow()->isVisible(); }));
    Window* window = delegate->mainWindow();
    EXPECT_EQ(delegate->statusItemPosition(), delegate->statusItem()->hangingPoint());
    // The whole screen as the user sees it: the icon in the tray, the window under it.
    QThread::msleep(300);
    QCoreApplication::processEvents();
    const QPixmap screen = QGuiApplication::primaryScreen()->grabWindow(0);
    ASSERT_TRUE(screen.save(QDir(screenshotFolder()).filePath(QStringLiteral("startup-on-screen.png"))));

    // The window the launch opened is open as the tray sees it: the tray's
    // clicks close it, open it and close it again.
    EXPECT_TRUE(delegate->sttMenuView()->isActive());
    clickTrayIcon();
    EXPECT_FALSE(delegate->sttMenuView()->isActive());
    EXPECT_TRUE(RealWindows::waitUntil([&] { return !window->isVisible(); }));
    clickTrayIcon();
    EXPECT_TRUE(delegate->sttMenuView()->isActive());
    EXPECT_TRUE(RealWindows::waitUntil([&] { return window->isVisible(); }));
    clickTrayIcon();
    EXPECT_TRUE(RealWindows::waitUntil([&] { return !window->isVisible(); }));
}

// The splash goes with the focus just before the main window opens: X11
// tells that loss late, after the main window has the focus, and the main
// window's focus right after it. The window stays open, as the tray says.
TEST_F(ZoravelAppDelegateOnScreenTest, TheMainWindowStaysOpenThroughALateWordOfTheSplashsFocusLoss)
{
    delegate = std::make_unique<ZoravelAppDelegate>();
    delegate->setInstallsAlertsAndSounds(false);
    ASSERT_TRUE(delegate->applicationDidFinishLaunching());
    ASSERT_TRUE(RealWindows::waitUntil([&] { return delegate->mainWindow() && delegate->mainWindow()->isKeyWindow(); }));
    Window* window = delegate->mainWindow();
    Q_EMIT qGuiApp->focusWindowChanged(nullptr);
    Q_EMIT qGuiApp->focusWindowChanged(window->windowHandle());
    RealWindows::waitUntil([] { return false; }, 600);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(delegate->windowController()->isActive());
    EXPECT_TRUE(delegate->sttMenuView()->isActive());
}

TEST_F(ZoravelAppDelegateOnScreenTest, AfterTheWizardTheFirstTrayClickClosesTheWindow)
{
    {
        CoreData manager;
        CoreData::setShared(&manager);
        ASSERT_TRUE(manager.init());
        manager.currentSetting()->setStartUpWizard(1);
        ASSERT_TRUE(manager.currentSetting()->dehydrate());
        CoreData::setShared(nullptr);
    }
    closeDatabase();
    delegate = std::make_unique<ZoravelAppDelegate>();
    delegate->setInstallsAlertsAndSounds(false);
    ASSERT_TRUE(delegate->applicationDidFinishLaunching());
    StartUpWizardPanel* wizard = delegate->wizardPanel();
    ASSERT_NE(wizard, nullptr);
    ASSERT_TRUE(RealWindows::shownOnScreen(*wizard));
    ASSERT_TRUE(RealWindows::waitUntil([] { return trayIconWindow() != nullptr; }));
    wizard->startButton()->performClick();
    ASSERT_TRUE(RealWindows::waitUntil([&] { return delegate->mainWindow() && delegate->mainWindow()->isVisible(); }));
    Window* window = delegate->mainWindow();
    EXPECT_TRUE(delegate->sttMenuView()->isActive()) << "the tray knows the window is open";
    clickTrayIcon();
    EXPECT_TRUE(RealWindows::waitUntil([&] { return !window->isVisible(); })) << "the first click closes it";
    clickTrayIcon();
    EXPECT_TRUE(RealWindows::waitUntil([&] { return window->isVisible(); }));
    QThread::msleep(300);
    QCoreApplication::processEvents();
    const QPixmap screen = QGuiApplication::primaryScreen()->grabWindow(0);
    EXPECT_TRUE(screen.save(QDir(screenshotFolder()).filePath(QStringLiteral("after-wizard-tray-reopened.png"))));
}

TEST_F(ZoravelAppDelegateOnScreenTest, QuittingClosesTheDatabase)
{
    delegate = std::make_unique<ZoravelAppDelegate>();
    delegate->setInstallsAlertsAndSounds(false);
    ASSERT_TRUE(delegate->applicationDidFinishLaunching());
    ASSERT_TRUE(RealWindows::waitUntil([&] { return delegate->mainWindow() && delegate->mainWindow()->isVisible(); }));
    NotificationCenter::defaultCenter().postNotificationName(kApplicationWillTerminateNotification,
                                                             Application::shared());
    EXPECT_FALSE(databaseOpen);
    EXPECT_EQ(RecordStore::sharedDatabase(), nullptr);
}

// An alert of the whole program (a failed web sync with the window closed)
// takes the input of every other window of the program; the tray icon keeps
// its clicks, so its menu's Quit is there and ends the alert and the program.
TEST_F(ZoravelAppDelegateOnScreenTest, TheTrayIconTakesClicksWhileAnAlertOfTheWholeProgramIsOpen)
{
    delegate = std::make_unique<ZoravelAppDelegate>();
    delegate->setInstallsAlertsAndSounds(false);
    ASSERT_TRUE(delegate->applicationDidFinishLaunching());
    ASSERT_TRUE(RealWindows::waitUntil([] { return trayIconWindow() && trayIconWindow()->windowHandle(); }));
    QWindow* icon = trayIconWindow()->windowHandle();
    // Qt tells a window when a modal one starts and stops taking its input.
    struct BlockWatch : QObject {
        bool blocked = false;
        bool eventFilter(QObject*, QEvent* event) override
        {
            if (event->type() == QEvent::WindowBlocked) blocked = true;
            if (event->type() == QEvent::WindowUnblocked) blocked = false;
            return false;
        }
    } watch;
    icon->installEventFilter(&watch);

    MessageBoxAlertPresenter presenter;
    std::optional<bool> blockedWhileOpen;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (!MessageBoxAlertPresenter::isRunning() || !QApplication::activeModalWidget() ||
            !QApplication::activeModalWidget()->isVisible())
            return;
        poll.stop();
        blockedWhileOpen = watch.blocked;
        QMenu* menu = delegate->statusItem()->menu();
        ASSERT_NE(menu, nullptr);
        ASSERT_FALSE(menu->actions().isEmpty());
        menu->actions().first()->trigger();  // the menu's one entry, Quit
    });
    poll.start(20);
    AlertRequest request;
    request.messageText = QStringLiteral("The data of the web sync could not be saved");
    QElapsedTimer clock;
    clock.start();
    const AlertResponse response = presenter.runModal(request);
    poll.stop();
    icon->removeEventFilter(&watch);
    ASSERT_TRUE(blockedWhileOpen.has_value()) << "the alert never showed";
    EXPECT_FALSE(*blockedWhileOpen) << "the alert took the tray icon's clicks";
    EXPECT_EQ(response.button, AlertResponse::stopped) << "the quit ended the alert unanswered";
    EXPECT_LT(clock.elapsed(), 2000);
    // The quit's fallback ends the loops here, not those of a later test,
    // and one loop run to its end leaves the next ones free to run.
    RealWindows::waitUntil([] { return false; }, 1200);
    QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
    QCoreApplication::exec();
}
