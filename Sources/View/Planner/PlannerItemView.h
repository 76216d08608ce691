#pragma once

#include "PlannerBaseItem.h"

class Setting;

// The one-line chip of an item in the month planner's week rows and in the
// week planner's band: the kind's icon and the name, or for an all-day
// event a bar in its category's colour; tasks shared by delegation carry a
// badge. An all-day event's chip stretches by whole days within its week
// row from its left and right edges. It also draws the picture of an item
// dragged onto a planner from elsewhere.
class PlannerItemView : public PlannerBaseItem {
    Q_OBJECT

public:
    // The highlighted fill of every chip but an all-day event's.
    static const QColor highlightFill;

    explicit PlannerItemView(const QRectF& frame = QRectF(), QWidget* parent = nullptr);
    ~PlannerItemView() override;

    // The name on one line: line breaks become blanks.
    void setTask(const TaskPtr& task) override;
    void setHighlight(bool highlight) override;
    void prepareForReuse() override;

    // The badge of a task shared by delegation: "ss_assigntome" when it was
    // given to the signed-in user, "ss_assignbyme" when the user gave it
    // away; empty for none.
    static QString badgeName(const Task& task, const QString& userName);
    // The label's text for a name.
    static QString labelText(const QString& taskName);

    void changeStartEndTime() override;

    void drawRect(QPainter& painter, const QRectF& dirtyRect) override;
    void mouseDragged(const Event& event) override;

protected:
    TextField* makeTaskNameLabel() const override;
    void drawTitleText(QPainter& painter, const QRectF& bounds) const override;
    bool event(QEvent* event) override;
    void resizeSubviewsWithOldSize(const QSizeF& oldSize) override;

private:
    // The name's look before any item.
    void resetTitle();
    // The label's frame, font and colour for the item's kind and look.
    void layoutLabel();
    QString badge() const;
};
