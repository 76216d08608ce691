#include "PlannerPanes.h"

PlannerWeekView::PlannerWeekView(const QRectF& frame, QWidget* parent) : View(frame, parent)
{
    setFlipped(true);
    m_plannerPane = new PlannerPane(QRectF(0, 0, frame.width(), 60), this);
    m_weeklyPane = new WeeklyPane(QRectF(0, 60, frame.width(), std::max(0.0, frame.height() - 60)), this);
}

PlannerWeekView::~PlannerWeekView() = default;
