#pragma once

#include "ScheduledTimer.h"
#include "ShellHost.h"
#include "StatusItem.h"

#include <QObject>
#include <QPointer>

#include <chrono>
#include <optional>
#include <memory>

class CoreData;
class DataFolderLock;
class MainView;
class QtSoundPlayer;
class MessageBoxAlertPresenter;
class SplashScreenView;
class StartUpWizardPanel;
class StatusMenuView;
class Window;
class WindowController;

// The program's spine: the launch (data, tray item, then either the first-run
// wizard or the splash and the main window), activation, and the orderly
// shut-down that closes the database. One object for the process, made by
// main() (or a test) and reached through shared().
// A QObject only to own its connections and observations (it declares no
// signals of its own).
class ZoravelAppDelegate : public QObject, public ShellHost {
public:
    // The tray item to use; none makes a TrayStatusItem (tests give a
    // FakeStatusItem). The delegate owns it.
    explicit ZoravelAppDelegate(std::unique_ptr<StatusItem> statusItem = nullptr, QObject* parent = nullptr);
    ~ZoravelAppDelegate() override;

    static ZoravelAppDelegate* shared();

    // Whether the launch installs the real alert presenter and sound player
    // (on unless a test, which installs its own, turns it off first).
    void setInstallsAlertsAndSounds(bool installs) { m_installsAlertsAndSounds = installs; }

    // --- the launch ---------------------------------------------------------
    // Runs once the event loop is going. False when the data cannot be
    // opened: the user has been told (alert and log), nothing is shown and
    // the program should end; or when another copy runs on the data folder
    // (handedToRunningCopy): that one showed its window and said so, and
    // this one should end without an error; one that neither answered nor
    // let go in time has been told of in an alert.
    bool applicationDidFinishLaunching();
    bool handedToRunningCopy() const { return m_handedToRunningCopy; }
    // The person quit from the alert of a start waiting for another
    // program's lock on the database: no failure either.
    bool quitWhileWaiting() const { return m_quitWhileWaiting; }
    // The 24-hour flag and the data manager (made here unless one exists);
    // a database just made from the template starts with the list pane.
    bool initData();
    void activateStatusMenu();
    void initSplashScreen();
    // Fades the splash in (0.1 s after the launch); the full sync follows.
    void showSplashScreen();
    void initMainViewUI();
    // Builds the main view and the main window controller; the wizard calls
    // it too when it ends.
    void initUserInterface();
    // Builds the main view and its hidden window in the idle wait between
    // the splash's build and its showing, so that the delay's end only puts
    // the window in the splash's place.
    void buildMainViewAhead();
    // Once the splash has faded in: the full sync (the build ahead when it
    // has not run), then the panes' ahead work in turns of the event loop.
    void syncAndPrepareAhead();

    // --- ShellHost ----------------------------------------------------------
    QSizeF screenResolution(bool fullFrame) const override;
    QRectF visibleFrame() const override;
    QPointF statusItemPosition() const override;
    void statusItemNeedsDisplay() override;
    void activateIgnoringOtherApps() override;

    // The tray item's click: brings the wizard forward while it is due,
    // otherwise opens or closes the main window.
    void toggleWindow();
    // Opens the main window as a click on the tray item would; the launch
    // and the end of the wizard open it so.
    void openMainWindow();
    // The splash controller first, then the main one. Made on demand once the
    // main view exists; null before that.
    WindowController* windowController();
    // Quits the program (the tray menu's entry); the shut-down follows.
    void closeApp();
    // A later start on this data folder asked: the main window (or the
    // first run's wizard) comes forward, opened if it was closed.
    void bringWindowForward();

    // --- activation and shut-down ------------------------------------------
    void applicationWillBecomeActive();
    void applicationWillResignActive();
    void applicationWillTerminate();
    // Lets go of every prepared statement and closes the database.
    void finalizeDataBeforeShutdown();

    // --- what start-up made ------------------------------------------------
    CoreData* dataManager() const;
    StatusItem* statusItem() const { return m_statusItem.get(); }
    StatusMenuView* sttMenuView() const { return m_sttMenuView.get(); }
    StartUpWizardPanel* wizardPanel() const { return m_wizardPanel.get(); }
    SplashScreenView* splashView() const;
    MainView* mainView() const;
    // The window that holds the main view; null before it is built.
    Window* mainWindow() const;
    // Whether this launch's full calendar sync has run (it follows the
    // main window's opening, once the store's files are read).
    bool calendarStoreSynced() const { return m_calendarStoreSynced; }
    // Whether the launch found no tray (the window then opens at once).
    bool launchedWithoutTray() const { return m_withoutTray; }

    // The delays of the main view's build and of the splash after the
    // launch, and of the window's opening after the build began (seconds).
    static constexpr double mainWindowDelay = 0.4;
    static constexpr double openWindowDelay = 0.1;
    // How long the quit's last save waits for a lock another program holds
    // on the database (instead of the usual few seconds): the person asked
    // to quit, and what is not saved then was saved as it was made.
    static constexpr std::chrono::milliseconds quitLockWait{500};
    // How long a start waits for a copy that holds the data folder but does
    // not answer (one still starting, held up, or quitting) before it gives
    // up and tells the person.
    static constexpr std::chrono::milliseconds holderQuitWait{10000};
    // How long the quit waits for the calendar store's worker to drop the
    // reading it was doing (one file: it stops before the next).
    static constexpr std::chrono::milliseconds storeStopWait{1000};
    static constexpr double splashShowDelay = 0.1;
    // The full calendar sync's delay after the store's files were read
    // (they are read once the window has drawn): the window's next drawing
    // goes first.
    static constexpr double storeSyncDelay = 0.1;
    // When no first drawing of the main window is seen (a window closed at
    // once, a display that never exposes it), the store's index starts this
    // long after the window's opening all the same.
    static constexpr double storeIndexLatestDelay = 1.0;

private:
    // The sync, then the view; makeMainView only makes the view.
    void buildMainView();
    void makeMainView();
    void setWindowController(std::unique_ptr<WindowController> controller);
    // False when another copy holds the data folder.
    bool claimDataFolder();
    void observeActivation();
    void showStartUpWizard();
    // The start's data: the lists as the database holds them; the store's
    // index and the full sync follow the window.
    void loadDataOnce();
    // The full sync once the window has opened and the store's files are read.
    void syncCalendarStoreWhenDue();
    // The store's first index, once the main window has first drawn on
    // screen (or storeIndexLatestDelay after its opening): its readers would
    // compete with the window's build and first drawing for the cores.
    void indexCalendarStoreOnceDrawn();
    void indexCalendarStore();
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeDatabase();

    std::unique_ptr<DataFolderLock> m_folderLock;
    std::unique_ptr<CoreData> m_ownDataManager;
    std::unique_ptr<StatusItem> m_statusItem;
    std::unique_ptr<StatusMenuView> m_sttMenuView;
    std::unique_ptr<StartUpWizardPanel> m_wizardPanel;
    std::unique_ptr<WindowController> m_windowController;
    // The main controller made ahead, while the splash controller still
    // shows the splash; it takes the splash's place at the delay's end.
    std::unique_ptr<WindowController> m_aheadWindowController;
    std::unique_ptr<MessageBoxAlertPresenter> m_alertPresenter;
    std::unique_ptr<QtSoundPlayer> m_soundPlayer;
    QPointer<SplashScreenView> m_splashView;
    QPointer<MainView> m_mainView;
    ScheduledTimer m_splashTimer;
    ScheduledTimer m_mainViewTimer;
    ScheduledTimer m_showSplashTimer;
    ScheduledTimer m_openWindowTimer;
    ScheduledTimer m_prepareListsTimer;
    ScheduledTimer m_prepareWindowTimer;
    ScheduledTimer m_buildAheadTimer;
    bool m_installsAlertsAndSounds = true;
    bool m_withoutTray = false;
    bool m_handedToRunningCopy = false;
    bool m_quitWhileWaiting = false;
    bool m_terminated = false;
    // The usual lock wait, kept while a quit asked for waits briefly.
    std::optional<std::chrono::milliseconds> m_lockWaitBeforeQuit;
    bool m_dataLoaded = false;
    bool m_calendarStoreIndexRequested = false;
    bool m_calendarStoreIndexed = false;
    bool m_mainWindowOpened = false;
    bool m_calendarStoreSynced = false;
    ScheduledTimer m_storeSyncTimer;
    ScheduledTimer m_storeIndexTimer;
    // The main controller shows the main view (not the splash) from then on.
    bool m_mainWindowInstalled = false;
};
