#pragma once

#include <QString>

#include "ModelTypes.h"

#include <QString>
#include <QVariantMap>

class MonthNavigation;
class MonthView;
class Popover;
class QuickAddView;
class QObject;

// What the data manager, the syncs and the panes ask of the main window
// without knowing it: the syncing indicator, reloads of the panes after
// their changes, the current-time line, the selection across panes, and
// whether the window is on screen and in front. The main view installs
// itself at start-up; until then (and in tests that do not care) nothing is
// shown and the window counts as hidden.
class MainViewAccess {
public:
    virtual ~MainViewAccess();

    // What the installed view does; called on the main thread only.
    virtual void showSyncingIndicator() = 0;
    virtual void hideSyncingIndicator() = 0;
    virtual void reloadData() = 0;
    // The mini month and the day pane (and the planner in planner mode).
    virtual void reloadLeftPageData() = 0;
    // The day pane alone.
    virtual void reloadDataDayCalendar() = 0;
    // Moves the current-time line of the day grid and the week planner to
    // the current hour (with its fraction) of the shown time zone.
    virtual void refreshTimeLine() = 0;
    // Every pane but the sender drops its selection. Senders are told
    // apart by their class (their meta-object's class name).
    virtual void clearHighlightExcept(QObject* sender) = 0;
    // An item just made on a pane, and the pane that opens its editor
    // after the next reload.
    virtual void setLoadingItem(const TaskPtr& item) = 0;
    virtual void setLoadingView(QObject* view) = 0;
    // Whether a planner fills the window (the day pane is hidden then).
    virtual bool isPlannerExpand() const = 0;
    // The language the main view formats for ("ja" changes some texts).
    virtual QString preferredLang() const { return QString(); }
    // Holds (false) or allows the main view's refreshes after a change.
    virtual void setCanRefreshData(bool canRefresh) { (void)canRefresh; }
    // The module the list area shows (1 tasks, 2 notes, 3 categories) and
    // the switch to another.
    virtual int currentListModule() const { return 1; }
    virtual void setFocusListModule(int module) { (void)module; }
    // Like reloadData, told which items changed (the editors' add link
    // hands the item's key as both key and value).
    virtual void reloadDataWithInfo(const QVariantMap& info) { (void)info; reloadData(); }
    // Brings the tasks, notes or categories list of the list module forward
    // and reloads it, after an item was made there.
    virtual void showTaskModuleAndReloadData() {}
    virtual void showNoteModuleAndReloadData() {}
    virtual void showProjectModuleAndReloadData() {}
    // Reloads the planner that fills the window (nothing outside planner
    // mode); with forceNavigator its navigator shows the selected month.
    virtual void reloadPlannerView(bool forceNavigator) { (void)forceNavigator; }
    // Asks the next refresh after a list change to rebuild the working list
    // of tasks first (after the future tasks were hidden or shown again).
    virtual void setNeedUpdateCoreData(bool need) { (void)need; }

    // What the editor popovers keep in step and the rest of the window
    // reads: the popover open now, whether one is up, whether a refresh may
    // run (read back after a close by the user), whether the last close was
    // asked for by the program, and the tab the link section opens on.
    virtual Popover* popover() const { return nullptr; }
    virtual void setPopover(Popover* popover) { (void)popover; }
    virtual bool hasPopup() const { return false; }
    virtual void setHasPopup(bool has) { (void)has; }
    virtual bool canRefreshData() const { return true; }
    virtual bool isManualClose() const { return false; }
    virtual void setIsManualClose(bool manual) { (void)manual; }
    virtual int currentItemContentTab() const { return 0; }
    virtual void setCurrentItemContentTab(int tab) { (void)tab; }
    // The popover buttons of the window's bar (tag filter, category
    // show/hide, comment notifications): on (1) while their popover is
    // open; a popover that closes by itself turns its button off. The tag
    // button's image is named: "tag_selected" while a tag filter is applied,
    // else "tag_normal".
    virtual int tagShowHideBtnState() const { return 0; }
    virtual void setTagShowHideBtnState(int state) { (void)state; }
    virtual int categoryShowHideBtnState() const { return 0; }
    virtual void setCategoryShowHideBtnState(int state) { (void)state; }
    virtual int convNotifBtnState() const { return 0; }
    virtual void setConvNotifBtnState(int state) { (void)state; }
    virtual QString tagShowHideBtnImage() const { return QString(); }
    virtual void setTagShowHideBtnImage(const QString& name) { (void)name; }
    // The mini month, which the editors refresh after a timed change.
    virtual MonthView* monthView() const { return nullptr; }
    // The month navigator beside a pinned planner.
    virtual MonthNavigation* monthNav() const { return nullptr; }
    // The note list of the list module, after the selected day moved.
    virtual void reloadNoteList() {}
    // The pinned month planner's expanded row, and the pinned week
    // planner's grown band, fold back.
    virtual void resetMonthPlannerExpandRow() {}
    virtual void collapseWeekPlannerBand() {}
    // The shadow under the grown quick-add bar, as high as the height.
    virtual void setShadowLocationWithHeight(double height) { (void)height; }

    // The steps by which a link list shows a linked item in the window:
    // each asks one pane to reveal the item and answers whether it did (a
    // list, the focus pane or the day grid that did also takes the
    // highlight from the other panes). A pane the window lacks answers
    // false, so the caller goes on to its next step.
    virtual bool revealInDayGrid(const TaskPtr& item) { (void)item; return false; }
    virtual bool revealInFocusPane(const TaskPtr& item) { (void)item; return false; }
    virtual bool revealInTaskList(const TaskPtr& item) { (void)item; return false; }
    virtual bool revealInNoteList(const TaskPtr& item) { (void)item; return false; }
    virtual bool revealInCategoryList(const TaskPtr& item) { (void)item; return false; }
    virtual bool revealInWeekPlannerWeekly(const TaskPtr& item) { (void)item; return false; }
    virtual bool revealInWeekPlannerPane(const TaskPtr& item) { (void)item; return false; }
    virtual bool revealInMonthPlanner(const TaskPtr& item) { (void)item; return false; }
    // The mini month shows the month of the day (seconds since 1970) and
    // selects it.
    virtual void showDayInMiniMonth(double day) { (void)day; }
    // The note list scrolls to the note, without selecting it.
    virtual void scrollNoteListToNote(const TaskPtr& note) { (void)note; }
    // Opens the item's editor from the pane that shows it, on the content
    // tab given (2 links, 1 conversation).
    virtual void showItemDetail(const TaskPtr& item, int tab) { (void)item; (void)tab; }
    // Opens the project's detail panel on the content tab given (1
    // conversation), or says that its category is hidden.
    virtual void showCalendarDetail(const CalendarPtr& category, int tab) { (void)category; (void)tab; }
    // The item's rows in the task list, the day pane and the category list
    // come to the top of their lists after the item was edited in place.
    virtual void moveToTop(const TaskPtr& item) { (void)item; }
    // The category list of the list module loads again.
    virtual void reloadCategoryView() {}
    // The bar whose field names new categories; null without one.
    virtual QuickAddView* quickAddView() const { return nullptr; }

    // Main thread only: the view may be going away on it meanwhile.
    virtual bool isWindowVisible() const = 0;
    virtual bool isKeyWindow() const = 0;
    // Main thread: restores the database from the backup file, made with the
    // key of that fixed text; true when it was replaced. Nothing is
    // restored without a main view.
    virtual bool restoreFile(const QString& path, const QString& key) { return false; }

    // Null until the main view is installed.
    static MainViewAccess* current();
    // Installs the main view (not owned); null removes it.
    static void setCurrent(MainViewAccess* access);

    // Safe from any thread: the view work runs later on the main thread,
    // on the view installed then, and the caller does not wait.
    static void postShowSyncingIndicator();
    static void postHideSyncingIndicator();
    static void postReloadData();
    // Safe from any thread: reloads the views on the main thread when the
    // window is shown there but is not the key window (the user is working
    // elsewhere and sees a change made behind his back).
    static void postReloadDataIfShownInBackground();
    // Main thread only; false while no view is installed.
    static bool windowIsVisible();
    static bool windowIsKey();
};
