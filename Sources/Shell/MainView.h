#pragma once

#include "Date.h"
#include "MainViewAccess.h"
#include "Popover.h"
#include "RefreshRule.h"
#include "ScheduledTimer.h"
#include "TimezoneSearchViewDelegate.h"
#include "View.h"

#include <QPointer>
#include <QUrl>

#include <atomic>
#include <functional>
#include <memory>

class AboutUsPanel;
class Button;
class CategoryShowHideViewController;
class DayCalendarView;
class ImageView;
class ListModuleView;
class MonthNavigation;
class MonthView;
class Notification;
struct FilePanelRequest;
class NotificationViewController;
class PopUpButton;
class PlannerMonthView;
class PlannerWeekView;
class Preferences;
class QuickAddView;
class SegmentedControl;
class SyncProgressView;
class TagViewController;
class TextField;
class TimezoneSearchView;
class Window;

// The main window's content and the hub of the interface: it builds every
// pane (mini month, navigator, day pane, list module, quick-add bar, the two
// planners), the backgrounds and the bottom bar, listens to the
// notifications of the rest of the program, and reloads exactly the panes
// that can show a change. One exists, kept for the life of the process.
//
// Flipped: the origin is the top-left corner. The frames set here are the
// first ones; the layout of each mode moves the panes.
class MainView : public View, public MainViewAccess, public TimezoneSearchViewDelegate {
    Q_OBJECT

public:
    // Takes isPinned from the settings, and planner mode when either planner
    // is pinned there.
    explicit MainView(const QRectF& frame, QWidget* parent = nullptr);
    ~MainView() override;

    // The process's main view, set by start-up; null before. It is also what
    // the syncs and the panes reach as MainViewAccess.
    static MainView* current();
    static void setCurrent(MainView* view);

    // ---- panes and controls -------------------------------------------------
    ImageView* leftPlannerBgImage() const { return m_leftPlannerBgImage; }
    QString preferredLang() const override { return m_preferredLang; }
    PlannerMonthView* monthPlannerView() const { return m_monthPlannerView; }
    PlannerWeekView* weekPlannerView() const { return m_weekPlannerView; }
    ImageView* leftBgImage() const { return m_leftBgImage; }
    ImageView* bottomPlannerBar() const { return m_bottomPlannerBar; }
    ImageView* rightTopBgImage() const { return m_rightTopBgImage; }
    ImageView* rightBgImage() const { return m_rightBgImage; }
    QuickAddView* quickAddView() const override { return m_quickAddView; }
    MonthView* monthView() const override { return m_monthView; }
    MonthNavigation* monthNav() const override { return m_monthNav; }
    void reloadNoteList() override;
    // The month planner folds back its double-height row; the week band
    // collapses (the next reload lays it out).
    void resetMonthPlannerExpandRow() override;
    void collapseWeekPlannerBand() override;
    DayCalendarView* dayCalendarView() const { return m_dayCalendarView; }
    Button* showHideBtn() const { return m_showHideBtn; }
    Button* togglePinBtn() const { return m_togglePinBtn; }
    Button* syncingBtn() const { return m_syncingBtn; }
    Button* categoryShowHideBtn() const { return m_categoryShowHideBtn; }
    Button* tagShowHideBtn() const { return m_tagShowHideBtn; }
    Button* convNotifBtn() const { return m_convNotifBtn; }
    TextField* numberOfNewNotifLabel() const { return m_numberOfNewNotifLabel; }
    ListModuleView* listModuleView() const { return m_listModuleView; }
    ImageView* bgShadow() const { return m_bgShadow; }
    ImageView* bgShadowBottom() const { return m_bgShadowBottom; }
    SegmentedControl* viewNavSegmentedControl() const { return m_viewNavSegmentedControl; }
    TextField* appTitle() const { return m_appTitle; }
    TextField* focusTmp() const { return m_focusTmp; }

    // The width of the month navigator for the view's height.
    static double navigatorWidthForHeight(double height);

    // ---- state ------------------------------------------------------------------
    // The syncing indicator of the bottom bar (MainView_Sync.cpp).
    void showSyncingIndicator() override;
    void hideSyncingIndicator() override;
    bool isSyncingIndicatorShown() const { return m_syncingIndicatorShown; }

    double currentSize() const { return m_currentSize; }
    void setCurrentSize(double size) { m_currentSize = size; }
    bool isPlannerExpand() const override { return m_isPlannerExpand; }
    void setCanRefreshData(bool canRefresh) override { m_canRefreshData = canRefresh; }
    bool canRefreshData() const override { return m_canRefreshData; }
    int currentListModule() const override;
    void setFocusListModule(int module) override;
    void setIsPlannerExpand(bool expand) { m_isPlannerExpand = expand; }
    bool isDockedLeft() const { return m_isDockedLeft; }
    void setIsDockedLeft(bool docked) { m_isDockedLeft = docked; }
    bool isDockedRight() const { return m_isDockedRight; }
    void setIsDockedRight(bool docked) { m_isDockedRight = docked; }
    bool isPinned() const { return m_isPinned; }
    void setIsPinned(bool pinned) { m_isPinned = pinned; }
    bool needGoToday() const { return m_needGoToday; }
    void setNeedGoToday(bool need) { m_needGoToday = need; }
    bool hasPopup() const override { return m_hasPopup; }
    void setHasPopup(bool has) override;
    int tagShowHideBtnState() const override;
    void setTagShowHideBtnState(int state) override;
    int categoryShowHideBtnState() const override;
    void setCategoryShowHideBtnState(int state) override;
    int convNotifBtnState() const override;
    void setConvNotifBtnState(int state) override;
    QString tagShowHideBtnImage() const override { return m_tagButtonImage; }
    void setTagShowHideBtnImage(const QString& name) override;
    Popover* popover() const override { return m_popover; }
    void setPopover(Popover* popover) override { m_popover = popover; }
    bool isManualClose() const override { return m_isManualClose; }
    void setIsManualClose(bool manual) override { m_isManualClose = manual; }
    void reloadDataWithInfo(const QVariantMap& info) override;
    bool needUpdateCoreData() const { return m_needUpdateCoreData; }
    void setNeedUpdateCoreData(bool need) override { m_needUpdateCoreData = need; }
    qint64 numberOfNewNotif() const { return m_numberOfNewNotif; }
    int countDownForAutoBackup() const { return m_countDownForAutoBackup; }
    int currentItemContentTab() const override { return m_currentItemContentTab; }
    void setCurrentItemContentTab(int tab) override { m_currentItemContentTab = tab; }
    void setLoadingItem(const TaskPtr& item) override { m_loadingItem = item; }
    void setLoadingView(QObject* view) override { m_loadingView = view; }
    TaskPtr loadingItem() const { return m_loadingItem; }
    QObject* loadingView() const { return m_loadingView; }
    // Kept as the window shows, hides and comes to the front, so that
    // other threads can read them.
    bool isWindowVisible() const override { return m_windowVisible.load(); }
    bool isKeyWindow() const override { return m_keyWindow.load(); }

    // ---- reloads other views call --------------------------------------------
    // Every pane, while the window is visible. The first one after
    // reloadAhead keeps what that loaded when nothing has changed since.
    void reloadData() override;
    // Loads every pane while the window is not shown yet (the launch's wait
    // before it opens). The opening's reload takes the panes as they are
    // when no row was written, no other connection committed, no unit
    // rolled back, no change was heard and the minute is the same;
    // otherwise it reloads them as always.
    void reloadAhead();
    // Whether the panes loaded ahead are still waiting for the opening.
    bool hasReloadedAhead() const { return m_aheadReload != nullptr; }
    // Like reloadData, with the item handed to each list's own reload.
    void reloadData(const TaskPtr& item);
    void moveToTop(const TaskPtr& item) override;
    void reloadLeftPageData() override;
    void reloadDataDayCalendar() override;
    void reloadCategoryView() override;
    // The planner in front (planner mode and a visible window only); with
    // forceNavigator the navigator shows the mini month's selection first.
    void reloadPlannerView(bool forceNavigator) override;
    // The current hour of the shown zone to the day grid's line and the week
    // planner's.
    void refreshTimeLine() override;
    // Every list and grid whose class is not exactly the sender's drops its
    // selection.
    void clearHighlightExcept(QObject* sender) override;
    void setCurrentDate(const Date& date, bool isReloadData);
    // Opens the item's editor in the first pane that shows it; an item of a
    // hidden category gets the "hidden" alert.
    void showItemDetail(const TaskPtr& item, int tab) override;
    // A link list's reveal steps (MainView_Reveal.cpp).
    bool revealInDayGrid(const TaskPtr& item) override;
    bool revealInFocusPane(const TaskPtr& item) override;
    bool revealInTaskList(const TaskPtr& item) override;
    bool revealInNoteList(const TaskPtr& item) override;
    bool revealInCategoryList(const TaskPtr& item) override;
    bool revealInMonthPlanner(const TaskPtr& item) override;
    bool revealInWeekPlannerWeekly(const TaskPtr& item) override;
    bool revealInWeekPlannerPane(const TaskPtr& item) override;
    void showDayInMiniMonth(double day) override;
    void scrollNoteListToNote(const TaskPtr& note) override;
    void showCalendarDetail(const CalendarPtr& category, int tab) override;
    // The quick-add bar's add form changed height: the shadow under it.
    void setShadowLocationWithHeight(double height) override;
    // Empties the quick-add bar (the window closed).
    void resetData();

    // ---- handlers of the notifications ---------------------------------------
    void dataChanged(const Notification& notification);
    void adeListChanged();
    void calendarListChanged();
    void taskOrderChanged();
    void navigatorMonthViewStateChanged();
    void refreshCommentCountNofitication();
    void rearrangeLeftViewAddNew();
    void reloadADEandUI();
    void systemTimeZoneChanged();
    void refreshModeNote();
    // The reload after the debounce of "Task changed", for that sender.
    void refreshDelay(const QStringList& senderClassChain);
    // The reload after the data manager replaced its item list.
    void refreshADEListDelay();
    bool isReloadPending() const { return m_delayReloadDataTimer.isValid(); }
    bool isItemListReloadPending() const { return m_delayDataChangeTimer.isValid(); }

    // ---- layout and the bottom bar's commands ------------------------------------
    // Lays every pane out for the mode and the list button's state, keeps
    // that state in the settings and sizes the view: 310 points wide without
    // the list column, 620 with it, the visible screen's width less 20 in
    // planner mode (which docks an undocked window on the right).
    void toggleViewSize();
    // The list button's command: the layout, then the pinned planner's items.
    void showHide();
    // The gear menu's: flips the list button, then as showHide.
    void showHideListByShorcut();
    // Shows or hides the navigator (kept in the local settings).
    void navShowHide();
    void navShowHideChange();
    // Back to the day, or the week or month planner pinned.
    void dayShowHide();
    void weekPlannerShowHide();
    void monthPlannerShowHide();
    // The day, week and month switch: segment 0, 1 or 2.
    void viewNavControl(int segment);
    // Leaves the docked places (not in planner mode, whose window stays docked).
    void nodock();
    // The list font in half-point steps, from 11 to 17.
    void increaseCurrentFont();
    void decreaseCurrentFont();
    static constexpr double smallestFontSize = 11;
    static constexpr double largestFontSize = 17;
    // The bottom bar's popovers: shown while their button is on, else closed.
    void categoryShowHide();
    void tagShowHide();
    void openNotificationList();
    // The category button shows whether a category is hidden.
    void changeCategoryShowHideState();
    // The unread-comment badge beside the notification button.
    void notificationButtonState();
    // The time zone chosen in the settings reaches the mini month and the items.
    void turnOnTimeZone();
    void recalculateTaskTimeZone();
    // Brings a list of the list module forward and reloads it.
    void showTaskModuleAndReloadData() override;
    void showNoteModuleAndReloadData() override;
    void showProjectModuleAndReloadData() override;
    // Enables the bar's controls before any hit test.
    View* hitTest(const QPointF& pointInSuperview) override;
    // Docking pins the window and keeps the side in the settings; outside
    // planner mode the window opens again where the side puts it.
    void dockLeft();
    void dockRight();
    // Flips isPinned and keeps it in the settings.
    void togglePin();

    // How the view asks for its window to be opened again (the delegate's
    // window controller); nothing until start-up sets it.
    void setOpenWindowHandler(std::function<void()> handler) { m_openWindow = std::move(handler); }

    // ---- backups and restore (MainView_Backup.cpp) ---------------------------------
    // The countdown to the automatic backup: every input (and every sign of
    // calendar-store work) starts it again at 10; the eleventh quiet tick of
    // one second asks for the backup, again each second until one is saved.
    void resetTimerAutoBackup();
    void autoBackupTracking();
    void saveAutoBackupFile();
    bool isAutoBackupTimerRunning() const { return m_autoBackupTimer.isValid(); }
    // The gear menu's commands: save the database to a file the user picks,
    // or restore it from one.
    void backup(QObject* sender);
    void restore(QObject* sender);
    // Restores the database from the backup file at the path, made with the
    // key of that fixed text. The file is checked whole before anything
    // changes; a file that fails the check, or a replacement that fails,
    // shows the restore error and leaves the database, the settings and the
    // calendar store as they were. True when the database was replaced.
    bool restoreFile(const QString& path, const QString& key) override;
    bool isRestoring() const { return m_isRestoring; }
    // The restore's progress panel, made by the first restore and kept.
    Window* progressWindow() const { return m_progressWindow.get(); }

private:
    // The chosen planner saved; false (told, nothing changed) when refused.
    bool savePlannerChoice(qint64 weekPinned, qint64 monthPinned);
    ScheduledTimer m_autoBackupTimer;
    std::unique_ptr<Window> m_progressWindow;
    bool m_isRestoring = false;
    // The folder of the last backup saved or opened, where the next panel opens.
    QString m_lastBackupFolder;
    FilePanelRequest backupPanelRequest() const;
    void rememberBackupFolder(const QString& path);

public:
    // How many times each pane was reloaded through this view, for tests of
    // the reload rule.
    struct ReloadCounts {
        int monthAndDay = 0;
        int planner = 0;
        int focusPane = 0;
    };
    const ReloadCounts& reloadCounts() const { return m_reloadCounts; }

    // ---- the time-zone control (MainView_TimeZone.cpp) ------------------------
    // The bottom bar's picker of the shown zone; hidden unless time-zone
    // support is on.
    TimezoneSearchView* timezoneView() const { return m_timezoneView; }
    // The settings' zone reaches the control and the panes, then the item
    // list and the web sync hear of it.
    void timezoneSelection();
    // A sync changed the settings: the control shows the settings' zone.
    void settingTimezoneChangedWhenSync();
    // The picker's choice becomes the settings' zone.
    void changeItemTo(const TimezoneObj& zone) override;
    void refreshUI();

private:
    void setUpTimezoneView(double x1, double H);
    TimezoneSearchView* m_timezoneView = nullptr;

protected:
    bool event(QEvent* event) override;

private:
    void dock(bool left);
    void registerObservers();
    void preamble(const TaskPtr& item = nullptr);
    void reloadAfterItemListChange();
    void reloadPane(RefreshRule::Pane pane);
    void reloadAllPanes();
    // Today as shown is noted and a timer waits for the next midnight of the
    // shown zone; at the day change the selected day follows today when it
    // was today, and every view marks the new today at once.
    void armDayChangeTimer();
    void dayChangeCheck();
    void passMidnight(const Date& formerToday);
    void goTodayIfNeed();
    // True when the panes loaded ahead still show the data as it is (the
    // stamp is used up either way).
    bool takeReloadAhead();
    // Every notification that would reload a pane counts here: a change
    // heard while the window waits makes what was loaded ahead stale.
    void heardChange() { ++m_changesHeard; }
    void reloadMonthAndDay(bool forced);
    void reloadNavigatorIfNeed();
    void reloadFocusPane();
    void showHiddenAlert();
    // Runs the job now, or once an open alert has closed.
    void afterAlerts(std::function<void()> job);
    void layoutNormalMode(double H);
    void layoutPlannerMode(double H);
    void placeBottomBar(double H);
    void reopenWindowUnlessDocked();
    void undockAfterPlanner();

    ImageView* m_leftPlannerBgImage = nullptr;
    QString m_preferredLang;
    bool m_canRefreshData = true;
    PlannerMonthView* m_monthPlannerView = nullptr;
    PlannerWeekView* m_weekPlannerView = nullptr;
    ImageView* m_leftBgImage = nullptr;
    ImageView* m_bottomPlannerBar = nullptr;
    ImageView* m_rightTopBgImage = nullptr;
    ImageView* m_rightBgImage = nullptr;
    QuickAddView* m_quickAddView = nullptr;
    MonthView* m_monthView = nullptr;
    MonthNavigation* m_monthNav = nullptr;
    DayCalendarView* m_dayCalendarView = nullptr;
    Button* m_showHideBtn = nullptr;
    Button* m_togglePinBtn = nullptr;
    Button* m_syncingBtn = nullptr;
    Button* m_categoryShowHideBtn = nullptr;
    Button* m_tagShowHideBtn = nullptr;
    Button* m_convNotifBtn = nullptr;
    TextField* m_numberOfNewNotifLabel = nullptr;
    ListModuleView* m_listModuleView = nullptr;
    ImageView* m_bgShadow = nullptr;
    ImageView* m_bgShadowBottom = nullptr;
    SegmentedControl* m_viewNavSegmentedControl = nullptr;
    TextField* m_appTitle = nullptr;
    TextField* m_focusTmp = nullptr;

    double m_currentSize = 0;
    bool m_isPlannerExpand = false;
    bool m_isDockedLeft = false;
    bool m_isDockedRight = false;
    // The planner sizes docked an undocked window: leaving them undocks it.
    bool m_dockedForPlanner = false;
    bool m_isPinned = false;
    bool m_needGoToday = false;
    bool m_hasPopup = false;
    QString m_tagButtonImage = QStringLiteral("tag_normal");
    bool m_isManualClose = false;
    QPointer<Popover> m_popover;
    bool m_needUpdateCoreData = false;
    bool m_syncingIndicatorShown = false;
    qint64 m_numberOfNewNotif = 0;
    int m_countDownForAutoBackup = 10;
    int m_currentItemContentTab = 0;
    std::atomic<bool> m_windowVisible{false};
    std::atomic<bool> m_keyWindow{false};
    ScheduledTimer m_delayReloadDataTimer;
    ScheduledTimer m_delayDataChangeTimer;
    ScheduledTimer m_dayChangeTimer;
    Date m_shownToday;
    TaskPtr m_loadingItem;
    QPointer<QObject> m_loadingView;
    std::function<void()> m_openWindow;
    ReloadCounts m_reloadCounts;
    struct AheadReload;
    std::unique_ptr<AheadReload> m_aheadReload;
    quint64 m_changesHeard = 0;
    CategoryShowHideViewController* m_categoryShowHideViewController = nullptr;
    TagViewController* m_tagViewController = nullptr;
    NotificationViewController* m_notifViewController = nullptr;

    // ---- the gear menu and its shortcuts (MainView_Gear.cpp), the web-sync
    // trigger and its errors (MainView_Sync.cpp) ----------------------------------
public:
    // The gear pull-down of the bottom bar with its menu and submenus; the
    // caller adds it to the view. The view makes one at start-up, kept as
    // settingBtn, and makes the menu's key equivalents Ctrl shortcuts of
    // the window it is in.
    PopUpButton* createSettingMenuWithFrame(const QRectF& frame);
    PopUpButton* settingBtn() const { return m_settingBtn; }
    // The quick-add bar's add form on the editor of a new event, task, note
    // or project (the note one leaves isQuickAdd as it was).
    void hiddenAddEvent();
    void hiddenAddTask();
    void hiddenAddNote();
    void hiddenAddProject();
    // The preferences window on its General pane, made on first use.
    void preference();
    // The user guide in the desktop's browser.
    void help();
    static QUrl onlineGuideAddress();
    // The About panel, a child window of the main window centred across it.
    void about();
    Preferences* pref() const { return m_pref.get(); }
    AboutUsPanel* aboutPanel() const;

    // The sync button's command: a full web sync, or the alert that says
    // why none can start.
    void syncZVW();
    // The web service refused the account (from the web-sync object only).
    void ZVWSyncError();
    // A web request failed: its text in an alert.
    void serverHasError(const Notification& notification);
    SyncProgressView* syncingView() const { return m_syncingView; }

private:
    void setUpGearAndSyncControls(double H);
    void hiddenAdd(int editorTag, bool setsQuickAdd);
    Preferences* preferencesWindow();
    void showPreferencesAtSyncPane(bool signOut);
    // The account alert: true when the user chose to set the account up.
    bool runAccountAlert(const QString& informativeText, bool attached);
    void accountInvalidNotification(const Notification& notification);

    PopUpButton* m_settingBtn = nullptr;
    SyncProgressView* m_syncingView = nullptr;
    std::unique_ptr<Preferences> m_pref;
    // Owned by the view until it hangs from the main window, then by that.
    QPointer<AboutUsPanel> m_aboutPanel;
};
