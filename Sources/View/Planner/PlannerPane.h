#pragma once

#include "PlannerBaseView.h"
#include "PlannerColumnDrops.h"
#include "PlannerWeekLayout.h"

#include <QPointer>

#include <array>
#include <memory>

class Button;
class PlannerCellView;
class PlannerWeekView;

// The week planner's band: one column per day holding, as one-line chips,
// the week's all-day events (one chip across the days an event covers),
// then each day's due tasks, done tasks and notes. Collapsed it shows six
// rows and, under a fuller column, a button counting the items left out;
// the button expands the band so that every item gets a row. The week
// planner gathers the lists; the day column cells take drops.
class PlannerPane : public PlannerBaseView {
    Q_OBJECT

public:
    explicit PlannerPane(const QRectF& frame = QRectF(), QWidget* parent = nullptr);
    ~PlannerPane() override;

    bool isFlipped() const override { return true; }

    bool isExpand() const { return m_isExpand; }
    void setIsExpand(bool expand) { m_isExpand = expand; }
    PlannerWeekView* parentView() const { return m_parentView; }
    void setParentView(PlannerWeekView* planner) { m_parentView = planner; }
    const PlannerWeekLayout::BandLists& lists() const { return m_lists; }
    void setLists(PlannerWeekLayout::BandLists lists) { m_lists = std::move(lists); }
    int currentDayIndexSelected() const { return m_currentDayIndexSelected; }
    PlannerCellView* cell(int column) const { return m_cells.at(size_t(column)); }
    // The day column under a point of the pane, if any.
    PlannerCellView* columnAt(const QPointF& point) const;
    // The more buttons of the last layout, in column order.
    std::vector<Button*> moreButtons() const;

    void drawItems();
    void drawSelectedDate(int column);
    void showMoreItem();
    void currentSizeChange();
    // Shows the item's day, selects its chip and (the first) opens its
    // editor; false when no chip of it shows (the day is shown all the same).
    bool showPopupEditDetail(const TaskPtr& item);
    bool revealToItem(const TaskPtr& item);

    void drawRect(QPainter& painter, const QRectF& dirtyRect) override;

protected:
    void resizeSubviewsWithOldSize(const QSizeF& oldSize) override;

private:
    bool showItemDay(const TaskPtr& item, bool openEditor);
    void frameCells();

    bool m_isExpand = false;
    QPointer<PlannerWeekView> m_parentView;
    PlannerWeekLayout::BandLists m_lists;
    int m_currentDayIndexSelected = 0;
    std::array<PlannerCellView*, 7> m_cells{};
    std::unique_ptr<PlannerColumnDrops> m_columnDrops;
};
