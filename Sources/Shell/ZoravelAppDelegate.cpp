#include "ZoravelAppDelegate.h"

#include "DragSource.h"
#include "CategoryListTableView.h"
#include "CategoryListView.h"
#include "ListModuleView.h"
#include "TaskListView.h"

#include "Application.h"
#include "Button.h"
#include "CalCalendarStore.h"
#include "Clock.h"
#include "CoreData.h"
#include "DataFolderLock.h"
#include "DatabaseSchema.h"
#include "DatabaseRestore.h"
#include "iCalSync.h"
#include "PlannerImageRenderer.h"
#include "iCalSyncJobs.h"
#include "MainView.h"
#include "MainViewAccess.h"
#include "MainViewHeight.h"
#include "MessageBoxAlertPresenter.h"
#include "Notifications.h"
#include "NotificationCenter.h"
#include "Paths.h"
#include "QtSoundPlayer.h"
#include "UrlOpener.h"
#include "RecordGuard.h"
#include "RecordStore.h"
#include "Scheduler.h"
#include "Screen.h"
#include "Setting.h"
#include "SplashScreenView.h"
#include "StartUpWizardPanel.h"
#include "StartupTrace.h"
#include "StatusMenuView.h"
#include "Tag.h"
#include "TextTable.h"
#include "Task.h"
#include "Calendar.h"
#include "Link.h"
#include "TrayStatusItem.h"
#include "Utilities.h"
#include "Window.h"
#include "WindowController.h"
#include "WindowPlacement.h"
#include "ZVWSync.h"

#include <QDebug>
#include <QElapsedTimer>
#include <QEvent>

#include <algorithm>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QWindow>
#include <QTextStream>

namespace {

QPointer<ZoravelAppDelegate>& sharedDelegate()
{
    static QPointer<ZoravelAppDelegate> delegate;
    return delegate;
}

// The splash banner's frame: 1440 × 360, centred on the visible width.
constexpr double splashWidth = 1440;
constexpr double splashHeight = 360;
// The width the main view leaves free on the visible screen.
constexpr double mainViewMargin = 20;
constexpr double mainViewCurrentSize = 310;

SettingPtr delegateSetting()
{
    CoreData* dataManager = CoreData::shared();
    return dataManager ? dataManager->currentSetting() : SettingPtr();
}

}  // namespace

ZoravelAppDelegate::ZoravelAppDelegate(std::unique_ptr<StatusItem> statusItem, QObject* parent)
    : QObject(parent), m_statusItem(std::move(statusItem))
{
    // The start's check of the database compares it with the template: read
    // on the pool from now, while the event loop starts, not when the check
    // waits for it.
    DatabaseSchema::readTemplateAhead();
}

ZoravelAppDelegate::~ZoravelAppDelegate()
{
    for (ScheduledTimer* timer :
         {&m_splashTimer, &m_mainViewTimer, &m_showSplashTimer, &m_openWindowTimer, &m_prepareListsTimer, &m_prepareWindowTimer,
          &m_buildAheadTimer, &m_storeSyncTimer, &m_storeIndexTimer})
        timer->invalidate();
    NotificationCenter::defaultCenter().removeObserver(this);
    if (m_mainView) m_mainView->setOpenWindowHandler({});
    if (MainView::current() == m_mainView) MainView::setCurrent(nullptr);
    // The controller's window holds the main view (or the splash view).
    m_windowController.reset();
    m_aheadWindowController.reset();
    delete m_mainView.data();
    delete m_splashView.data();
    m_wizardPanel.reset();
    m_sttMenuView.reset();
    m_statusItem.reset();
    if (m_alertPresenter && &AlertPresenter::current() == m_alertPresenter.get()) AlertPresenter::setCurrent(nullptr);
    if (m_soundPlayer && &SoundPlayer::current() == m_soundPlayer.get()) SoundPlayer::setCurrent(nullptr);
    if (m_ownDataManager) {
        if (CoreData::shared() == m_ownDataManager.get()) CoreData::setShared(nullptr);
        m_ownDataManager.reset();
    }
    if (sharedDelegate() == this) sharedDelegate() = nullptr;
}

ZoravelAppDelegate* ZoravelAppDelegate::shared()
{
    return sharedDelegate();
}

CoreData* ZoravelAppDelegate::dataManager() const
{
    return m_ownDataManager ? m_ownDataManager.get() : CoreData::shared();
}

SplashScreenView* ZoravelAppDelegate::splashView() const
{
    return m_splashView;
}

MainView* ZoravelAppDelegate::mainView() const
{
    return m_mainView;
}

// --- the launch --------------------------------------------------------------

bool ZoravelAppDelegate::applicationDidFinishLaunching()
{
    StartupTrace::mark("launch");
    // Before anything is read or written: two copies on one database and
    // one store would each undo what the other saves.
    if (!claimDataFolder()) return false;
    // First, so that a database that cannot be opened is told in a real alert.
    if (m_installsAlertsAndSounds) {
        m_alertPresenter = std::make_unique<MessageBoxAlertPresenter>();
        AlertPresenter::setCurrent(m_alertPresenter.get());
        m_soundPlayer = std::make_unique<QtSoundPlayer>();
        SoundPlayer::setCurrent(m_soundPlayer.get());
        // Pages open in the desktop's browser; the opener holds no state.
        static DesktopUrlOpener desktopUrlOpener;
        UrlOpener::setCurrent(&desktopUrlOpener);
        PlannerImageRenderer::install();
    }
    // The tray's icon (its first image read loads the image readers) is read
    // on the pool while this thread opens the data.
    StatusMenuView::readIconAhead();
    if (!initData()) return false;
    StartupTrace::mark("data opened");
    activateStatusMenu();
    StartupTrace::mark("tray item");
    sharedDelegate() = this;
    observeActivation();

    // Nothing to click to bring the window back: it opens at once (after
    // the wizard on a first start) and stays open (pinned for this run, not
    // in the settings).
    m_withoutTray = !m_statusItem->isAvailable();
    if (m_withoutTray)
        QTextStream(stderr) << "Zoravel: the desktop has no tray to show its icon in; "
                               "the main window opens at once and stays open.\n";

    const SettingPtr setting = delegateSetting();
    if (setting && setting->startUpWizard() != 0) {
        showStartUpWizard();
        return true;
    }

    if (m_withoutTray) {
        initMainViewUI();
        return true;
    }

    // The two launch steps only order and delay work of the main thread, so
    // they are timers of the main thread, not threads: the splash at once,
    // the main window 0.4 s later, which gives the splash its head start.
    Scheduler& scheduler = Scheduler::current();
    m_splashTimer = scheduler.scheduleTimer(0, false, [this] { initSplashScreen(); });
    m_mainViewTimer = scheduler.scheduleTimer(mainWindowDelay, false, [this] { initMainViewUI(); });
    return true;
}

bool ZoravelAppDelegate::claimDataFolder()
{
    // A folder that cannot be made is told by the data's own checks.
    const QString folder = Paths::applicationSupportFolder();
    if (folder.isEmpty()) return true;
    m_folderLock = std::make_unique<DataFolderLock>(folder);
    const DataFolderLock::Claim claim = m_folderLock->claim(int(holderQuitWait.count()));
    if (claim == DataFolderLock::Claim::Held || claim == DataFolderLock::Claim::Unavailable) {
        m_folderLock->setShowRequestHandler([this] { bringWindowForward(); });
        return true;
    }
    m_folderLock.reset();
    if (claim == DataFolderLock::Claim::HolderShown) {
        m_handedToRunningCopy = true;
        QTextStream(stderr) << "Zoravel is already running on " << folder << "; its window is brought forward.\n";
        return false;
    }
    // Neither an answer nor the lock: the person sees nothing else, so the
    // alert tells why nothing opens.
    QTextStream(stderr) << "Zoravel is already running on " << folder << ", but it did not answer.\n";
    if (m_installsAlertsAndSounds && !m_alertPresenter) {
        m_alertPresenter = std::make_unique<MessageBoxAlertPresenter>();
        AlertPresenter::setCurrent(m_alertPresenter.get());
    }
    AlertRequest alert;
    alert.style = AlertStyle::Critical;
    alert.messageText = TextTable::localizedString(QStringLiteral("dataFolderHeldText"));
    alert.informativeText = TextTable::localizedString(QStringLiteral("dataFolderHeldMessage")).arg(folder);
    alert.addButtonWithTitle(TextTable::localizedString(QStringLiteral("okText")));
    AlertPresenter::current().runModal(alert);
    return false;
}

bool ZoravelAppDelegate::initData()
{
    // Read once: the time texts keep the clock the locale had at launch.
    Utilities::setUse24HourClock(Utilities::check24HourFormat());
    CoreData* manager = CoreData::shared();
    if (!manager) {
        m_ownDataManager = std::make_unique<CoreData>();
        CoreData::setShared(m_ownDataManager.get());
        // A refused start has told the user why (alert and log) and wrote nothing.
        if (!m_ownDataManager->init()) {
            m_quitWhileWaiting = m_ownDataManager->startupFailure().problem == StartupProblem::QuitWhileLocked;
            CoreData::setShared(nullptr);
            m_ownDataManager.reset();
            return false;
        }
        manager = m_ownDataManager.get();
        // The exchange with the system calendar store, on the user's store.
        manager->setICalSync(std::make_unique<iCalSyncJobs>());
        // Before any sync reads the store: a restore cut off half-way has
        // emptied it of items the database still links to.
        DatabaseRestore::recoverAtStart(*manager, manager->icalSync());
    }
    const SettingPtr setting = manager->currentSetting();
    if (!setting) return false;
    // A first installation starts with the list pane shown.
    if (!manager->isUpgrade()) {
        setting->setHasRightPage(1);
        if (!setting->dehydrate()) qWarning() << "The list pane's first state could not be saved";
    }
    return true;
}

void ZoravelAppDelegate::activateStatusMenu()
{
    if (!m_statusItem) m_statusItem = std::make_unique<TrayStatusItem>();
    m_sttMenuView = std::make_unique<StatusMenuView>();
    m_sttMenuView->setAction([this] { toggleWindow(); });
    m_sttMenuView->setCloseAppAction([this] { closeApp(); });
    m_sttMenuView->setStatusItem(m_statusItem.get());
}

void ZoravelAppDelegate::showStartUpWizard()
{
    const SettingPtr setting = delegateSetting();
    setting->setAutoZVWSync(0);
    setting->setAutoICalSync(1);
    if (!setting->setAutoSync()) qWarning() << "The sync switches of the first start could not be written";
    m_wizardPanel = std::make_unique<StartUpWizardPanel>([this] {
        initUserInterface();
        if (m_withoutTray && m_mainView) m_mainView->setIsPinned(true);
        // A moment later, as at a launch, so the wizard is gone first.
        m_openWindowTimer = Scheduler::current().scheduleTimer(openWindowDelay, false, [this] {
            openMainWindow();
        });
    });
    Application::setMainWindow(m_wizardPanel.get());
    m_wizardPanel->makeKeyAndOrderFront();
    activateIgnoringOtherApps();
}

void ZoravelAppDelegate::initSplashScreen()
{
    const QSizeF visible = screenResolution(false);
    // Narrower on a screen that has not the room, so its window stays on it.
    const double width = std::clamp(visible.width() - mainViewMargin, 0.0, splashWidth);
    auto* splash = new SplashScreenView(QRectF((visible.width() - width) * 0.5, 0, width, splashHeight));
    m_splashView = splash;
    setWindowController(WindowController::initWithSplashScreen(this, splash));
    StartupTrace::mark("splash built");
    m_showSplashTimer = Scheduler::current().scheduleTimer(splashShowDelay, false, [this] { showSplashScreen(); });
    // The 0.1 s before the splash shows is idle: the main view's build
    // (without its data) fits in it, and leaves the time after the fade-in
    // to the full sync and the panes' ahead work, so the main view's 0.4 s
    // does not find this thread busy.
    m_buildAheadTimer = Scheduler::current().scheduleTimer(0, false, [this] { buildMainViewAhead(); });
}

void ZoravelAppDelegate::showSplashScreen()
{
    if (!m_windowController || !m_splashView) return;
    // The full sync the main window needs runs while only the still splash
    // is up, once it has faded in, instead of after the launch's delay,
    // where the user would wait for it.
    const QPointer<ZoravelAppDelegate> delegate(this);
    StartupTrace::mark("splash show");
    m_windowController->showSplashScreen([delegate] {
        StartupTrace::mark("splash faded in");
        if (delegate) delegate->syncAndPrepareAhead();
    });
    StartupTrace::mark("splash ordered front");
    // The full sync after the fade-in loads the working list; its rows are
    // read meanwhile on other threads, while this one only fades the splash
    // in. Not before the splash is drawn: the reads would slow that down.
    m_splashView->setFirstDrawnHandler([delegate] {
        if (!delegate || delegate->m_dataLoaded) return;
        if (CoreData* manager = delegate->dataManager()) manager->readWorkingListAhead();
        StartupTrace::mark("working list read ahead");
    });
}

void ZoravelAppDelegate::initMainViewUI()
{
    // Read before the views are laid out: a planner size docks an undocked
    // window for itself, and that docking is not the one the user saved.
    const SettingPtr saved = delegateSetting();
    const qint64 dockStatus = saved ? saved->dockStatus() : 0;
    // A planner docks the window itself: its docking says nothing of the
    // pin, which comes back as it was saved.
    const bool plannerShown = saved && (saved->isWeekPlannerPinned() != 0 || saved->isMonthPlannerPinned() != 0);
    const bool savedPinned = saved && saved->isPinned() != 0;
    StartupTrace::mark("main view build");
    initUserInterface();
    StartupTrace::mark("main view built");
    const SettingPtr setting = delegateSetting();
    if (!setting || !m_mainView) return;
    if (setting->autoZVWSync() != 0)
        if (ZVWSync* sync = dataManager()->zvwSync()) sync->backgroundFullSync(nullptr);

    // Docking pins the window and the pin is then flipped: a docked window
    // starts unpinned, unless a planner docked it and it was pinned.
    switch (dockStatus) {
    case -1:
    case 1:
        if (dockStatus == -1)
            m_mainView->dockLeft();
        else
            m_mainView->dockRight();
        if (plannerShown && savedPinned) break;
        m_mainView->togglePinBtn()->setState(0);
        m_mainView->togglePin();
        break;
    case 0:
        if (setting->isPinned() != 0) m_mainView->togglePinBtn()->setState(1);
        break;
    default: break;
    }
    if (m_withoutTray) m_mainView->setIsPinned(true);

    QElapsedTimer waited;
    waited.start();
    m_openWindowTimer = Scheduler::current().scheduleTimer(openWindowDelay, false, [this] {
        StartupTrace::mark("window open");
        openMainWindow();
        StartupTrace::mark("window opened");
    });
    // The wait for the window is idle time: the panes load then, and the
    // opening shows them as loaded unless something changed meanwhile.
    m_mainView->reloadAhead();
    // What the wait leaves after the load readies the window's first
    // drawing. Once the window is open (the load overran the wait) it is
    // not needed.
    m_prepareWindowTimer = Scheduler::current().scheduleTimer(0, false, [this, waited] {
        const double left = openWindowDelay - double(waited.elapsed()) / 1000;
        if (WindowController* controller = windowController()) controller->prepareToOpen(left);
        StartupTrace::mark("window prepared");
    });
}

void ZoravelAppDelegate::buildMainViewAhead()
{
    // Not once the window's delay is over: its own build comes first then.
    if (m_mainView || m_mainWindowInstalled) return;
    StartupTrace::mark("main view build ahead");
    makeMainView();
    if (m_mainView) m_aheadWindowController = WindowController::initWithRootApp(this);
    StartupTrace::mark("main view built ahead");
}

void ZoravelAppDelegate::syncAndPrepareAhead()
{
    if (m_mainWindowInstalled) return;
    buildMainViewAhead();
    loadDataOnce();
    if (!m_mainView) return;
    // What is left of the splash's time is idle: the panes' load in the
    // window's wait then binds rows made meanwhile and takes the categories'
    // counts read meanwhile, in turns of the event loop. Not when the
    // window's delay is already over (its timer comes first): that load
    // would not wait for them.
    m_prepareListsTimer = Scheduler::current().scheduleTimer(0, false, [this] {
        if (!m_mainView || m_mainWindowInstalled) return;
        m_mainView->listModuleView()->categoryListView()->categoryListTableView()->prepareNextLoad();
        m_mainView->listModuleView()->taskListView()->prepareNextLoad();
        StartupTrace::mark("lists prepared");
    });
}

void ZoravelAppDelegate::initUserInterface()
{
    buildMainView();
    // Installed once: the wizard and the launch both lead here.
    if (!m_mainView || m_mainWindowInstalled) return;
    m_mainWindowInstalled = true;
    std::unique_ptr<WindowController> controller = std::move(m_aheadWindowController);
    if (!controller) controller = WindowController::initWithRootApp(this);
    // The splash controller goes on the next turn: taking its window down
    // is no part of the way to the main window.
    if (m_windowController) {
        WindowController* splash = m_windowController.release();
        splash->setParent(this);
        splash->deleteLater();
    }
    setWindowController(std::move(controller));
    Application::setMainWindow(mainWindow());
}

void ZoravelAppDelegate::buildMainView()
{
    // The data first, also when the view was built ahead: the panes read
    // the working list.
    loadDataOnce();
    // Built once: ahead before the splash shows, or when the window is due.
    if (m_mainView) return;
    makeMainView();
}

void ZoravelAppDelegate::makeMainView()
{
    const QSizeF visible = screenResolution(false);
    // The window round the view must fit the screen's usable area under the
    // tray item, or its bottom bar would be cut off by the screen's edge.
    mainViewHeight = mainViewHeightForVisibleHeight(visible.height());
    const QRectF area = WindowPlacement::screenArea(visibleFrame(), statusItemPosition());
    if (!area.isEmpty())
        mainViewHeight = std::min(
            mainViewHeight, quint64(WindowPlacement::mainViewHeightFitting(area.height(), Screen::mainScale())));
    auto* view = new MainView(QRectF(0, 0, std::max(0.0, visible.width() - mainViewMargin), double(mainViewHeight)));
    m_mainView = view;
    view->setAutoresizesSubviews(true);
    view->setCurrentSize(mainViewCurrentSize);
    MainView::setCurrent(view);
    view->setOpenWindowHandler([this] {
        if (m_windowController) m_windowController->openWindow();
    });

    const SettingPtr setting = delegateSetting();
    view->showHideBtn()->setState(setting && setting->hasRightPage() == 1 ? 1 : 0);
    view->showHide();
}

// The data the window shows, once per launch (during the splash when there
// is one): the categories and the working list as the database holds them.
// The full sync with the calendar store follows the window's opening: its
// index of a large store (every file read and parsed) and its pairing of
// every item took seconds that the window waited for; the index starts
// once the window has drawn (indexCalendarStoreOnceDrawn). Until it has run,
// the window shows what the last sync and the edits since left; the jobs
// of edits made meanwhile are ordered with it by the sync's discipline, and
// what the store still owes them is in the database, as at any full sync.
void ZoravelAppDelegate::loadDataOnce()
{
    if (m_dataLoaded) return;
    CoreData* manager = dataManager();
    if (!manager) return;
    m_dataLoaded = true;
    iCalSync* sync = manager->icalSync();
    if (!sync) return;
    StartupTrace::mark("lists load");
    sync->loadListsBeforeFullSync();
    StartupTrace::mark("lists loaded");
}

void ZoravelAppDelegate::indexCalendarStoreOnceDrawn()
{
    if (m_calendarStoreIndexRequested || m_storeIndexTimer.isValid()) return;
    // Begun under the splash, the index's readers, even at their lower
    // priority, took cores from the window's build, its first drawing and
    // the display server's work on it (most where there are only two).
    if (Window* window = mainWindow()) window->installEventFilter(this);
    m_storeIndexTimer = Scheduler::current().scheduleTimer(storeIndexLatestDelay, false, [this] { indexCalendarStore(); });
}

bool ZoravelAppDelegate::eventFilter(QObject* watched, QEvent* event)
{
    // A paint of the window on screen, not one rendered ahead off it: the
    // index starts on the next turn, once the drawing has been flushed.
    if (event->type() == QEvent::Paint && watched == mainWindow() && mainWindow()->windowHandle()
        && mainWindow()->windowHandle()->isExposed()) {
        watched->removeEventFilter(this);
        QTimer::singleShot(0, this, [this] { indexCalendarStore(); });
    }
    return QObject::eventFilter(watched, event);
}

void ZoravelAppDelegate::indexCalendarStore()
{
    m_storeIndexTimer.invalidate();
    if (Window* window = mainWindow()) window->removeEventFilter(this);
    if (std::exchange(m_calendarStoreIndexRequested, true) || m_terminated) return;
    CoreData* manager = dataManager();
    iCalSync* sync = manager ? manager->icalSync() : nullptr;
    if (!sync) return;
    StartupTrace::mark("store index");
    const QPointer<ZoravelAppDelegate> delegate(this);
    sync->whenStoreIndexed([delegate] {
        if (!delegate) return;
        StartupTrace::mark("store indexed");
        delegate->m_calendarStoreIndexed = true;
        delegate->syncCalendarStoreWhenDue();
    });
}

void ZoravelAppDelegate::syncCalendarStoreWhenDue()
{
    if (m_calendarStoreSynced || m_terminated || !m_calendarStoreIndexed || !m_mainWindowOpened || m_storeSyncTimer.isValid())
        return;
    m_storeSyncTimer = Scheduler::current().scheduleTimer(storeSyncDelay, false, [this] {
        CoreData* manager = dataManager();
        if (m_calendarStoreSynced || m_terminated || !manager) return;
        m_calendarStoreSynced = true;
        iCalSync* sync = manager->icalSync();
        if (!sync) return;
        StartupTrace::mark("full sync");
        // Run already when a job of this thread could not wait for it.
        sync->runPendingFullSync();
        StartupTrace::mark("full sync done");
        // The lists were loaded again: the panes follow, as after a job
        // that changed items (a window in front by its paced refresh).
        MainViewAccess::postReloadDataIfShownInBackground();
        if (MainViewAccess::windowIsVisible() && MainViewAccess::windowIsKey())
            NotificationCenter::defaultCenter().postNotificationName(kTaskChanged, manager);
    });
}

void ZoravelAppDelegate::setWindowController(std::unique_ptr<WindowController> controller)
{
    m_windowController = std::move(controller);
    if (!m_windowController) return;
    connect(m_windowController.get(), &WindowController::isActiveChanged, this, [this](bool, bool active) {
        if (m_sttMenuView) m_sttMenuView->setActive(active);
    });
}

WindowController* ZoravelAppDelegate::windowController()
{
    // The main controller shows the main view: none can be made before it.
    if (!m_windowController && m_mainView)
        setWindowController(m_aheadWindowController ? std::move(m_aheadWindowController)
                                                    : WindowController::initWithRootApp(this));
    return m_windowController.get();
}

Window* ZoravelAppDelegate::mainWindow() const
{
    if (!m_mainView) return nullptr;
    return qobject_cast<Window*>(m_mainView->window());
}

// --- the host of the window controller ---------------------------------------

QSizeF ZoravelAppDelegate::screenResolution(bool fullFrame) const
{
    if (!QGuiApplication::primaryScreen()) return QSizeF(0, 0);
    return fullFrame ? Screen::mainFrame().size() : Screen::mainVisibleFrame().size();
}

QRectF ZoravelAppDelegate::visibleFrame() const
{
    if (!QGuiApplication::primaryScreen()) return QRectF();
    return Screen::mainVisibleFrame();
}

QPointF ZoravelAppDelegate::statusItemPosition() const
{
    return m_sttMenuView ? m_sttMenuView->position() : QPointF(0, 0);
}

void ZoravelAppDelegate::statusItemNeedsDisplay()
{
    if (m_sttMenuView) m_sttMenuView->setNeedsDisplay();
}

void ZoravelAppDelegate::activateIgnoringOtherApps()
{
    if (Application* application = Application::shared()) application->activateIgnoringOtherApps();
}

void ZoravelAppDelegate::toggleWindow()
{
    const SettingPtr setting = delegateSetting();
    if (setting && setting->startUpWizard() != 0) {
        if (m_wizardPanel) {
            m_wizardPanel->makeKeyAndOrderFront();
            activateIgnoringOtherApps();
        }
        return;
    }
    // Between the splash and the main window there is nothing to toggle yet:
    // the main window opens by itself a moment later.
    if (!m_mainWindowInstalled || !m_sttMenuView) return;
    WindowController* controller = windowController();
    if (!controller) return;
    m_sttMenuView->setActive(!m_sttMenuView->isActive());
    controller->setActive(m_sttMenuView->isActive());
}

void ZoravelAppDelegate::openMainWindow()
{
    WindowController* controller = windowController();
    if (!controller) return;
    // Opened by the program (the launch, the wizard's end), the window is
    // open as the tray sees it, so the tray's next click closes it. A click
    // meanwhile has opened it already.
    if (!controller->isActive()) controller->setActive(true);
    if (!std::exchange(m_mainWindowOpened, true)) indexCalendarStoreOnceDrawn();
}

void ZoravelAppDelegate::bringWindowForward()
{
    const SettingPtr setting = delegateSetting();
    if (m_wizardPanel && setting && setting->startUpWizard() != 0) {
        m_wizardPanel->makeKeyAndOrderFront();
        activateIgnoringOtherApps();
        return;
    }
    // Before the main window is installed the launch opens it by itself.
    if (!m_mainWindowInstalled) return;
    WindowController* controller = windowController();
    if (!controller) return;
    if (!controller->isActive()) {
        openMainWindow();
        return;
    }
    if (Window* window = mainWindow()) window->makeKeyAndOrderFront();
    activateIgnoringOtherApps();
}

void ZoravelAppDelegate::closeApp()
{
    // From the quit's request on, a later start waits for this copy to end.
    if (m_folderLock) m_folderLock->stopAnswering();
    // What the windows and the end still read and write waits only briefly
    // for a lock another program holds: the person asked to quit.
    if (!m_lockWaitBeforeQuit) m_lockWaitBeforeQuit = RecordStore::busyTimeout();
    RecordStore::setBusyTimeout(std::min(*m_lockWaitBeforeQuit, quitLockWait));
    // The full sync the launch left for later does not run now; the jobs
    // behind its place (a web pass's push among them) do.
    if (CoreData* manager = dataManager(); manager && manager->icalSync() && !m_calendarStoreSynced)
        manager->icalSync()->dropPendingFullSync();
    // The quit asks every window to close, and an open alert would answer
    // that with its Escape button (taken as the user's answer) or refuse
    // it: each alert ends unanswered first, so its alarm is not lost.
    MessageBoxAlertPresenter::stopAll();
    // A quit chosen while a drop's question was open would close the drag's
    // windows inside the drag's own loop: the drag ends first.
    if (DragSource::currentSession()) {
        DragSource::cancelDrag();
        DragSource::afterDrag([this] { closeApp(); });
        return;
    }
    QCoreApplication::quit();
    // A quit is only a request: a window that refuses to close (a dialog
    // of the platform's own) makes Qt ignore it, and the program would go
    // on without its tray icon. The person asked to quit: once the windows
    // had their chance, the loop ends all the same.
    QTimer::singleShot(1000, QCoreApplication::instance(), [] { QCoreApplication::exit(0); });
}

// --- activation and shut-down -------------------------------------------------

void ZoravelAppDelegate::observeActivation()
{
    NotificationCenter& center = NotificationCenter::defaultCenter();
    center.removeObserver(this);
    center.addObserver(this, kApplicationWillBecomeActiveNotification, nullptr,
                       [this](const Notification&) { applicationWillBecomeActive(); });
    center.addObserver(this, kApplicationWillResignActiveNotification, nullptr,
                       [this](const Notification&) { applicationWillResignActive(); });
    center.addObserver(this, kApplicationWillTerminateNotification, nullptr,
                       [this](const Notification&) { applicationWillTerminate(); });
}

void ZoravelAppDelegate::applicationWillBecomeActive()
{
    if (Window* window = mainWindow()) window->setLevel(Window::Level::Normal);
}

void ZoravelAppDelegate::applicationWillResignActive()
{
    MessageBoxAlertPresenter::stopModal();
    NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kPopoverShouldClose, this);
    if (CoreData* manager = dataManager()) manager->pushAddedItemInPreviewToAdesIfNeed();
    // A pinned window floats above the other programs' windows while they
    // are in front.
    if (Window* window = mainWindow())
        window->setLevel(m_mainView && m_mainView->isPinned() ? Window::Level::Status : Window::Level::Normal);
}

void ZoravelAppDelegate::applicationWillTerminate()
{
    if (m_terminated) return;
    m_terminated = true;
    // Every step below waits at most briefly for a lock another program
    // holds (a read too, under an exclusive lock); the changes were saved
    // as they were made.
    const std::chrono::milliseconds usualWait = m_lockWaitBeforeQuit.value_or(RecordStore::busyTimeout());
    RecordStore::setBusyTimeout(std::min(usualWait, quitLockWait));
    // A start from now on waits for this copy to end and then runs, rather
    // than handing over to a copy that is leaving.
    if (m_folderLock) m_folderLock->stopAnswering();
    // A sync still running would write into a closed database: let it end
    // (the main thread's work is delivered meanwhile). A web pass is told to
    // stop first: it ends at its next request, where it would otherwise hold
    // the quit for the rest of its upload; what it did not send stays marked
    // for the next start.
    if (CoreData* manager = dataManager()) {
        if (ZVWSync* sync = manager->zvwSync()) sync->stopForQuit();
        if (ZVWSync* sync = manager->zvwSync(); sync && !sync->waitUntilIdle())
            qWarning() << "The web sync did not end in time; the database closes under it";
    }
    if (!iCalSync::waitUntilIdle()) qWarning() << "The calendar sync did not end in time; the database closes under it";
    // The calendar store's worker may still be reading files (the first
    // index of a large store): it stops here, before the process ends and
    // takes away what its reading uses.
    if (!CalCalendarStore::stopBackgroundWork(storeStopWait))
        qWarning() << "The calendar store's worker was still reading at the end; what it read is dropped";
    if (const SettingPtr setting = delegateSetting(); setting && databaseOpen) {
        setting->setICalLastSyncTime(Clock::now());
        if (!setting->dehydrate()) qWarning() << "The settings could not be saved at the end";
    }
    finalizeDataBeforeShutdown();
    RecordStore::setBusyTimeout(usualWait);
}

void ZoravelAppDelegate::finalizeDataBeforeShutdown()
{
    if (!RecordStore::sharedDatabase()) return;
    RecordGuard guard;
    Setting::finalizeStatements();
    Task::finalizeStatements();
    Calendar::finalizeStatements();
    Tag::finalizeStatements();
    Link::finalizeStatements();
    closeDatabase();
}

void ZoravelAppDelegate::closeDatabase()
{
    // The other cached statements (comments, transactions) and the read
    // connections go too: one left prepared would keep the database open.
    RecordStore::finalizeAllStatements();
    sqlite3* database = RecordStore::sharedDatabase();
    databaseOpen = false;
    RecordStore::setSharedDatabase(nullptr);
    if (sqlite3_close(database) != SQLITE_OK) {
        qCritical("Error: failed to close database with message '%s'.", sqlite3_errmsg(database));
        // Closed for good once whatever still holds it lets go.
        sqlite3_close_v2(database);
    }
}
