#pragma once

#include "Date.h"
#include "ModelTypes.h"
#include "ScheduledTimer.h"
#include "View.h"

#include <vector>

class ImageView;
class MonthCellView;
class MonthView;

// The month grid: 6 rows of 8 cells, the week number in column 0 and the
// seven days of a week after it. It shades every day by how busy it is,
// draws the month's all-day events as bars in up to three lanes per row,
// puts a red dot on days with due tasks and frames the selected day.
//
// The grid of the main panel holds the application's selected day
// (currentDay); navigator grids follow it. Bars and shading are costly, so
// every redraw of any grid restarts one shared 2.0 s delay and they are
// computed once the grids have been quiet that long, or at the latest one
// more delay on (4.0 s after the first redraw they wait for).
class MonthCalendarView : public View {
    Q_OBJECT

public:
    explicit MonthCalendarView(const QRectF& frame = QRectF(), QWidget* parent = nullptr);
    ~MonthCalendarView() override;

    // The width of a navigator cell, shared by every navigator grid: 24 until
    // the first navigator panel sets it to its width / 7.
    static double navigatorCellWidth();
    static void setNavigatorCellWidth(double width);
    // How long the grids wait after the last redraw before bars and shading.
    static constexpr double refreshDelaySeconds = 2.0;

    int currentMonth() const { return m_currentMonth; }
    int currentYear() const { return m_currentYear; }
    Date currentDay() const { return m_currentDay; }
    Date monthDate() const { return m_monthDate; }
    Date startTime() const { return m_startTime; }
    Date endTime() const { return m_endTime; }
    bool isSixWeeksInMonth() const { return m_isSixWeeksInMonth; }
    const std::vector<MonthCellView*>& monthCellList() const { return m_monthCellList; }
    const std::vector<ImageView*>& arrayOfImageView() const { return m_arrayOfImageView; }
    double cellHeight() const { return m_cellHeight; }
    double adeHeightInCell() const { return m_adeHeightInCell; }
    MonthView* parentView() const { return m_parentView; }
    void setParentView(MonthView* panel) { m_parentView = panel; }
    bool isNavMonth() const;
    // The selected-day frame, and whether it stands in the grid now.
    ImageView* currentDateImgView() const { return m_currentDateImgView; }
    bool isCurrentDateShown() const;

    // Shows the month of the date (the grid is laid out by the caller);
    // answers whether the month or the year changed. The null date is
    // stored and answers false.
    bool setMonthDate(const Date& date);
    // setCurrentDay(date, true).
    bool setCurrentDay(const Date& date);
    // Makes the date the selected day and hands it to the data manager.
    // The null date or the day already held change nothing and answer true.
    // Without a reload the frame moves and the answer is true. With one the
    // month follows: a new month answers true (the caller reloads); within
    // the month the frame moves, the day pane and note list reload (not while
    // a planner fills the window) and the answer is false.
    bool setCurrentDay(const Date& date, bool isReloadData);
    // A navigator grid selects the day and frames it (false); the main grid
    // does nothing (true).
    bool setNavigatorSelectedDay(const Date& date);
    // Hand a day to the navigator month that shows it (month and year):
    // the first frames it only, the second also selects it, moving the stack
    // when no month shows it. Both do nothing in the main grid.
    bool drawOnlyNavigatorSelectedDayInSiblingMonth(const Date& date);
    bool setNavigatorSelectedDayInSiblingMonth(const Date& date);

    // Lays out the 42 days of the shown month and restarts the refresh.
    void drawMonthCells();
    // Redraws the frame when asked, then restarts the delay of every grid.
    void drawInfo(bool redrawCurrentDate);
    // The dots of the days an open task is due on.
    void refreshDueDots();
    // Shades every day cell from timed events (display start and end set).
    void calculateBusyRatio(const TaskList& events);
    // Gathers the all-day events of the shown range and draws their bars.
    void drawADEsForCurrentMonth();
    // Packs sorted all-day events into three lanes and draws them.
    void drawAdes(const TaskList& items);
    void drawAdes(const TaskPtr& item, int lane);

    // Marks today's cell again, at once (a day change, not a relayout).
    void refreshTodayMark();
    void drawCurrentDate();
    // Frames the cell of the date's calendar day; false (and no frame) when
    // no cell shows it, or it is grey and grey cells are not included.
    bool drawSelectedDate(const Date& date, bool includeGray);
    void removeCurrentDate();
    void refreshCellFrames();
    // Asks the main view to reload its left page.
    void reloadData();

    void drawRect(QPainter& painter, const QRectF& dirtyRect) override;

private:
    MonthCalendarView* mainGrid() const;
    void nextPrevChanged();
    void refreshDelay();
    void runDelayedRefresh();
    void placeCurrentDate(const MonthCellView* cell);
    QImage currentDateImage(const QSizeF& size) const;
    double cellWidthHere() const;

    int m_currentMonth = 0;
    int m_currentYear = 0;
    Date m_currentDay;
    std::vector<MonthCellView*> m_monthCellList;
    Date m_monthDate;
    Date m_startTime;
    Date m_endTime;
    std::vector<ImageView*> m_arrayOfImageView;
    ImageView* m_currentDateImgView = nullptr;
    double m_leftMargin = 35;
    double m_topMargin = 11;
    double m_cellHeight = 0;
    double m_adeHeightInCell = 0;
    bool m_isSixWeeksInMonth = false;
    MonthView* m_parentView = nullptr;
    ScheduledTimer m_delayDrawInfoTimer;
    ScheduledTimer m_refreshDeadlineTimer;
};
