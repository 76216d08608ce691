#pragma once

#include "MainViewAccess.h"
#include "View.h"

#include <QPointer>

#include <atomic>
#include <functional>

class Button;
class DayCalendarView;
class MonthView;

// The main window's content: for now the mini month's selected day and the
// day pane in the left column, and the state start-up and the window
// controller read and set: the layout flags, the list and pin buttons, and
// the operations they call. The other panes come with the view's full set-up.
class MainView : public View, public MainViewAccess {
    Q_OBJECT

public:
    // Takes isPinned from the settings, and planner mode when either planner
    // is pinned there.
    explicit MainView(const QRectF& frame, QWidget* parent = nullptr);
    ~MainView() override;

    // The process's main view, set by start-up; null before. It is also what
    // the syncs reach as MainViewAccess.
    static MainView* current();
    static void setCurrent(MainView* view);

    // The syncing indicator of the bottom bar (the bar comes later: for now
    // the state alone).
    void showSyncingIndicator() override { m_syncingIndicatorShown = true; }
    void hideSyncingIndicator() override { m_syncingIndicatorShown = false; }
    bool isSyncingIndicatorShown() const { return m_syncingIndicatorShown; }

    double currentSize() const { return m_currentSize; }
    void setCurrentSize(double size) { m_currentSize = size; }
    bool isPlannerExpand() const override { return m_isPlannerExpand; }
    void setIsPlannerExpand(bool expand) { m_isPlannerExpand = expand; }
    bool isDockedLeft() const { return m_isDockedLeft; }
    void setIsDockedLeft(bool docked) { m_isDockedLeft = docked; }
    bool isDockedRight() const { return m_isDockedRight; }
    void setIsDockedRight(bool docked) { m_isDockedRight = docked; }
    bool isPinned() const { return m_isPinned; }
    void setIsPinned(bool pinned) { m_isPinned = pinned; }

    MonthView* monthView() const { return m_monthView; }
    DayCalendarView* dayCalendarView() const { return m_dayCalendarView; }
    Button* showHideBtn() const { return m_showHideBtn; }
    Button* togglePinBtn() const { return m_togglePinBtn; }

    // Reloads the panes there are (the day pane; the mini month has no grid
    // yet) while the window is visible.
    void reloadData() override;
    void reloadLeftPageData() override;
    void reloadDataDayCalendar() override;
    // The current hour of the shown zone to the day grid's line.
    void refreshTimeLine() override;
    // The day grid drops its selection unless the sender is one of its boxes.
    void clearHighlightExcept(QObject* sender) override;
    void setLoadingItem(const TaskPtr& item) override { m_loadingItem = item; }
    void setLoadingView(QObject* view) override { m_loadingView = view; }
    TaskPtr loadingItem() const { return m_loadingItem; }
    QObject* loadingView() const { return m_loadingView; }
    // Kept as the window shows, hides and comes to the front, so that
    // other threads can read them.
    bool isWindowVisible() const override { return m_windowVisible.load(); }
    bool isKeyWindow() const override { return m_keyWindow.load(); }
    void resetData();
    // Lays the view out for the list button's state and keeps that state in
    // the settings: 310 points wide without the list column, 620 with it,
    // the visible screen's width less 20 in planner mode (no panes yet).
    void showHide();
    // Docking pins the window and keeps the side in the settings; outside
    // planner mode the window opens again where the side puts it.
    void dockLeft();
    void dockRight();
    // Flips isPinned and keeps it in the settings.
    void togglePin();

    // How the view asks for its window to be opened again (the delegate's
    // window controller); nothing until start-up sets it.
    void setOpenWindowHandler(std::function<void()> handler) { m_openWindow = std::move(handler); }

protected:
    bool event(QEvent* event) override;

private:
    void dock(bool left);

    double m_currentSize = 0;
    bool m_isPlannerExpand = false;
    bool m_isDockedLeft = false;
    bool m_isDockedRight = false;
    bool m_isPinned = false;
    bool m_syncingIndicatorShown = false;
    std::atomic<bool> m_windowVisible{false};
    std::atomic<bool> m_keyWindow{false};
    MonthView* m_monthView = nullptr;
    DayCalendarView* m_dayCalendarView = nullptr;
    Button* m_showHideBtn = nullptr;
    Button* m_togglePinBtn = nullptr;
    std::function<void()> m_openWindow;
    TaskPtr m_loadingItem;
    QPointer<QObject> m_loadingView;
};
