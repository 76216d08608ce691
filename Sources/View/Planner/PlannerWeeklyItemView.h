#pragma once

#include "Drawing.h"
#include "PlannerBaseItem.h"

#include <QColor>

// The block of a timed event or a scheduled task on the week planner's hour
// grid: a tint of its category's colour with the name and the location,
// from its start to its end. Its top and bottom edges move in quarter-hour
// steps. The grid also shows dragged items' landing places with it, at a
// fixed opacity, and it draws the picture of an item dragged onto the grid.
class PlannerWeeklyItemView : public PlannerBaseItem {
    Q_OBJECT

public:
    explicit PlannerWeeklyItemView(const QRectF& frame = QRectF(), QWidget* parent = nullptr);
    ~PlannerWeeklyItemView() override;

    // The tint's opacity; 0 (the default) is 0.8 when highlighted and 0.4
    // otherwise.
    double alphaBg() const { return m_alphaBg; }
    void setAlphaBg(double alpha);
    QColor projectColor() const { return m_projectColor; }
    // The height from the top that no block over this one hides (0: all of
    // it); the name wraps only within it.
    void setUncoveredHeight(double height);

    // The name, then " - " and the location when it has one.
    void setTask(const TaskPtr& task) override;
    void setHighlight(bool highlight) override;
    void prepareForReuse() override;
    static QString labelText(const Task& task);

    void changeStartEndTime() override;

    void drawRect(QPainter& painter, const QRectF& dirtyRect) override;
    void mouseDragged(const Event& event) override;

protected:
    TextField* makeTaskNameLabel() const override;
    void drawTitleText(QPainter& painter, const QRectF& bounds) const override;
    // The wrapped name is cut to its text area (drawWrappedTextCut).
    bool cutsTitleToItsArea() const override { return true; }
    // A scheduled task's block on a later day offers the events' buttons.
    AlertRequest repeatQuestion(bool scheduled, bool firstOccurrence) const override;
    void resizeSubviewsWithOldSize(const QSizeF& oldSize) override;

private:
    friend class BlockFontFollowers;

    // The name's look before any item.
    void resetTitle();
    void currentSizeChange();
    void layoutLabel();

    double m_alphaBg = 0;
    double m_uncoveredHeight = 0;
    // The name as last drawn: laid out again only when it, its font or its box changes.
    mutable Drawing::WrappedTextLayout m_nameLayout;
    QColor m_projectColor;
    // The live blocks, linked for the one observer of the font size.
    PlannerWeeklyItemView* m_previousFollower = nullptr;
    PlannerWeeklyItemView* m_nextFollower = nullptr;
};
