#pragma once

#include "PlannerBaseView.h"
#include "PlannerMonthLayout.h"

#include <QVariant>

#include <array>

class Button;
class ImageView;
class PlannerCellView;
class SegmentedControl;
class TextField;

// The month planner: a title, a previous / today / next control and five or
// six week rows of day cells holding one-line chips of each day's all-day
// events, timed events, due tasks, done tasks and notes. A day out of room
// shows a "more" button that opens its week row at double height. It shows
// the month of the main mini month and keeps nothing of the data: every
// reload gathers its lists from the data manager's working list again.
class PlannerMonthView : public PlannerBaseView {
    Q_OBJECT

public:
    static constexpr int cellCount = 42;

    explicit PlannerMonthView(const QRectF& frame = QRectF(), QWidget* parent = nullptr);
    ~PlannerMonthView() override;

    bool isFlipped() const override { return true; }

    void reloadData() override;
    void drawRect(QPainter& painter, const QRectF& dirtyRect) override;
    void drawItems();
    void redrawItemsIfNeed();
    void drawSelectedIndex(int index, double x, double y, double cellWidth, double cellHeight, bool isForce);

    // Shows the item's day, selects its chip and opens its editor; false when
    // no chip of it is shown (the day is shown all the same).
    bool showPopupEditDetail(const TaskPtr& item);
    bool revealToItem(const TaskPtr& item);

    void showMoreItem(int row);
    void nextPrevMonth(int segment);
    Q_INVOKABLE void labelClickAction(const QVariant& date);
    void resetExpandRowIndex() { m_expandRowIndex = PlannerMonthLayout::noExpandedRow; }
    void currentSizeChange() { drawItems(); }

    int rows() const;
    int expandRowIndex() const { return m_expandRowIndex; }
    int currentDayIndex() const { return m_currentDayIndex; }
    qint64 currentPlannerMonth() const { return m_currentPlannerMonth; }
    double yMinTracking() const { return m_yMinTracking; }
    double yMaxTracking() const { return m_yMaxTracking; }
    const PlannerMonthLayout::Lists& lists() const { return m_lists; }
    PlannerCellView* cell(int index) const { return m_cells.at(size_t(index)); }
    TextField* title() const { return m_title; }
    SegmentedControl* control() const { return m_control; }
    ImageView* currentDateImgView() const { return m_currentDateImgView; }
    // The more buttons of the last layout, in day order.
    std::vector<Button*> moreButtons() const;

    // The first shown day of the month of `monthDate`: the first day of the
    // week holding the 1st (weekStartDay 1: Monday, else Sunday).
    static Date firstShownDay(const Date& monthDate, qint64 weekStartDay);

protected:
    void resizeSubviewsWithOldSize(const QSizeF& oldSize) override;

private:
    bool showItemDay(const TaskPtr& item, bool openEditor);
    // The frames of the cells, walked as the reload walks them.
    void frameCells();
    // The cell size for the view's size and the rows of the month shown:
    // every reload, redraw and drawing takes it from here.
    void fitCellsToRows();
    void reloadNow();
    double lineHeight() const;

    qint64 m_currentPlannerMonth = 0;
    TextField* m_title = nullptr;
    SegmentedControl* m_control = nullptr;
    ImageView* m_currentDateImgView = nullptr;
    int m_currentDayIndex = -1;
    int m_expandRowIndex = PlannerMonthLayout::noExpandedRow;
    double m_yMinTracking = PlannerMonthLayout::firstChipLine;
    double m_yMaxTracking = 0;
    PlannerMonthLayout::Lists m_lists;
    std::array<PlannerCellView*, cellCount> m_cells{};
    bool m_reloadPending = false;
};
