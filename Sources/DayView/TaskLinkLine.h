#pragma once

#include "ModelTypes.h"
#include "View.h"

#include <QColor>

// The dashed line that joins two pieces of one planned task on the day
// grid, down the grid's right edge in the task's colour.
class TaskLinkLine : public View {
    Q_OBJECT

public:
    static constexpr double lineWidth = 3;

    explicit TaskLinkLine(const QRectF& frame = QRectF(), QWidget* parent = nullptr);
    ~TaskLinkLine() override;

    QColor lineColor() const { return m_lineColor; }
    void setLineColor(const QColor& color);
    TaskPtr task() const { return m_task; }
    void setTask(const TaskPtr& task) { m_task = task; }

    bool isFlipped() const override { return false; }
    // Along the left edge, 3 on and 3 off: only the right half of the
    // stroke falls inside the line's frame.
    void drawRect(QPainter& painter, const QRectF& dirtyRect) override;

private:
    QColor m_lineColor;
    TaskPtr m_task;
};
