#pragma once

#include "ResizeView.h"
#include "View.h"

#include "ModelTypes.h"

#include <QHash>
#include <QVariant>

class CalendarView;
class FocusPaneView;
class MonthView;

// The day pane: the focus pane on top (its list focusPaneListHeight high,
// with its 30-point header and 10-point resize handle) over the hour grid.
// Not flipped: the grid lies at the bottom, the pane above it.
class DayCalendarView : public View, public PaneResizing {
    Q_OBJECT

public:
    static constexpr double focusPaneChrome = 30 + 10;  // header and handle

    explicit DayCalendarView(const QRectF& frame = QRectF(), QWidget* parent = nullptr);
    ~DayCalendarView() override;

    // One value for the whole run, 126 at every start; the resize handle
    // changes it and nothing stores it.
    static double focusPaneListHeight();
    static void setFocusPaneListHeight(double height);

    CalendarView* calendarView() const { return m_calendarView; }
    FocusPaneView* focusPaneView() const { return m_focusPaneView; }
    MonthView* monthView() const;
    void setMonthView(MonthView* monthView);

    void reloadData();
    void reloadData(const QHash<QString, QVariant>& changedItems);
    // An item edited elsewhere: the focus list's row follows its due date,
    // and the grid pours again.
    void moveToTop(const TaskPtr& item);

    // From the resize handle: the list grows by delta and the grid gives up
    // as much.
    void rearrangeViewWithDelta(double delta) override;
    // Places the pane and the grid for the pane's height.
    void rearrangeView();

    // Where the focus pane goes.
    QRectF focusPaneFrame() const;

    bool isFlipped() const override { return false; }

protected:
    void resizeSubviewsWithOldSize(const QSizeF& oldSize) override;

private:
    void placeHandle();

    CalendarView* m_calendarView = nullptr;
    FocusPaneView* m_focusPaneView = nullptr;
};
