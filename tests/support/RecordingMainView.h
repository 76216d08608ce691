#pragma once

#include "MainViewAccess.h"
#include "Popover.h"
#include "View.h"

#include <QCoreApplication>
#include <QPointer>

#include <QStringList>
#include <QThread>

#include <atomic>
#include <mutex>

// A main view for tests of the data manager, the syncs and the panes:
// records the calls it gets ("show", "hide", "reload", "reloadLeftPage",
// "reloadDay", "timeLine", "clearHighlight <class>", "loadingItem <key>",
// "loadingView <class>") and answers the window state it is given.
// Installs itself while it lives.
class RecordingMainView : public MainViewAccess {
public:
    RecordingMainView();
    ~RecordingMainView() override;

    void showSyncingIndicator() override;
    void hideSyncingIndicator() override;
    void reloadData() override;
    void reloadLeftPageData() override;
    void reloadDataDayCalendar() override;
    void refreshTimeLine() override;
    void clearHighlightExcept(QObject* sender) override;
    void setLoadingItem(const TaskPtr& item) override;
    void setLoadingView(QObject* view) override;
    bool isPlannerExpand() const override { return plannerExpand.load(); }
    void setCanRefreshData(bool canRefresh) override;
    int currentListModule() const override { return listModule.load(); }
    void setFocusListModule(int module) override;
    // Recorded as "showTaskModule", "showNoteModule", "showProjectModule"
    // and "reloadPlanner <forceNavigator>"; the list module follows.
    void showTaskModuleAndReloadData() override;
    void showNoteModuleAndReloadData() override;
    void showProjectModuleAndReloadData() override;
    void reloadPlannerView(bool forceNavigator) override;
    bool isWindowVisible() const override
    {
        if (QThread::currentThread() != QCoreApplication::instance()->thread()) askedOffMainThread = true;
        return windowVisible.load();
    }
    // The editor popovers' state, kept as a main view keeps it; only the
    // reload with changed keys is recorded ("reload <key>=<value>").
    void reloadDataWithInfo(const QVariantMap& info) override;
    Popover* popover() const override { return m_popover; }
    void setPopover(Popover* popover) override { m_popover = popover; }
    bool hasPopup() const override { return hasPopupFlag; }
    void setHasPopup(bool has) override { hasPopupFlag = has; }
    bool canRefreshData() const override { return canRefresh; }
    bool isManualClose() const override { return manualClose; }
    void setIsManualClose(bool manual) override { manualClose = manual; }
    int currentItemContentTab() const override { return contentTab; }
    void setCurrentItemContentTab(int tab) override { contentTab = tab; }
    MonthView* monthView() const override { return month; }
    MonthNavigation* monthNav() const override { return navigator; }
    MonthNavigation* navigator = nullptr;
    // Recorded as "reloadNotes", "collapseMonthRow" and "collapseWeekBand".
    void reloadNoteList() override;
    void resetMonthPlannerExpandRow() override;
    void collapseWeekPlannerBand() override;
    int tagShowHideBtnState() const override { return tagButtonState; }
    void setTagShowHideBtnState(int state) override { tagButtonState = state; }
    int categoryShowHideBtnState() const override { return categoryButtonState; }
    void setCategoryShowHideBtnState(int state) override { categoryButtonState = state; }
    int convNotifBtnState() const override { return notificationButtonState; }
    void setConvNotifBtnState(int state) override { notificationButtonState = state; }
    QString tagShowHideBtnImage() const override { return tagButtonImage; }
    void setTagShowHideBtnImage(const QString& name) override { tagButtonImage = name; }
    // A link list's reveal steps, recorded as "reveal <pane> <key>" (panes
    // dayGrid, focusPane, taskList, noteList, categoryList, weekly,
    // weekPlanner, monthPlanner); a step answers true when its pane is in
    // revealingPanes. Also "miniMonth <seconds>", "scrollNote <key>" and
    // "showItemDetail <key> <tab>".
    bool revealInDayGrid(const TaskPtr& item) override { return revealStep(QStringLiteral("dayGrid"), item); }
    bool revealInFocusPane(const TaskPtr& item) override { return revealStep(QStringLiteral("focusPane"), item); }
    bool revealInTaskList(const TaskPtr& item) override { return revealStep(QStringLiteral("taskList"), item); }
    bool revealInNoteList(const TaskPtr& item) override { return revealStep(QStringLiteral("noteList"), item); }
    bool revealInCategoryList(const TaskPtr& item) override
    {
        return revealStep(QStringLiteral("categoryList"), item);
    }
    bool revealInWeekPlannerWeekly(const TaskPtr& item) override { return revealStep(QStringLiteral("weekly"), item); }
    bool revealInWeekPlannerPane(const TaskPtr& item) override
    {
        return revealStep(QStringLiteral("weekPlanner"), item);
    }
    bool revealInMonthPlanner(const TaskPtr& item) override { return revealStep(QStringLiteral("monthPlanner"), item); }
    void showDayInMiniMonth(double day) override;
    void scrollNoteListToNote(const TaskPtr& note) override;
    void showItemDetail(const TaskPtr& item, int tab) override;
    // Recorded as "moveToTop <key>".
    void moveToTop(const TaskPtr& item) override;
    // Recorded as "showCalendarDetail <key> <tab>" and "reloadCategory";
    // the bar answered is quickAdd.
    void showCalendarDetail(const CalendarPtr& category, int tab) override;
    void reloadCategoryView() override;
    QuickAddView* quickAddView() const override { return quickAdd; }
    QuickAddView* quickAdd = nullptr;
    QStringList revealingPanes;
    int tagButtonState = 0;
    int categoryButtonState = 0;
    int notificationButtonState = 0;
    QString tagButtonImage = QStringLiteral("tag_normal");
    bool hasPopupFlag = false;
    bool canRefresh = true;
    bool manualClose = false;
    int contentTab = 0;
    MonthView* month = nullptr;
    bool isKeyWindow() const override { return keyWindow.load(); }

    QStringList calls() const;
    void clearCalls();

    std::atomic<bool> windowVisible{false};
    // Set when a thread other than the main one asked whether the window shows.
    mutable std::atomic<bool> askedOffMainThread{false};
    std::atomic<bool> keyWindow{false};
    std::atomic<bool> plannerExpand{false};
    std::atomic<int> listModule{1};
    // The last sender given to clearHighlightExcept.
    QObject* lastHighlightSender() const;

private:
    void record(const QString& call);
    bool revealStep(const QString& pane, const TaskPtr& item);

    mutable std::mutex m_mutex;
    QStringList m_calls;
    QObject* m_lastSender = nullptr;
    QPointer<Popover> m_popover;
};
