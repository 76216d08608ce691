#include "PlannerImageRenderer.h"

#include "PlannerItemView.h"
#include "PlannerWeeklyItemView.h"

#include "Task.h"

#include <QCoreApplication>
#include <QThread>

QImage PlannerImageRenderer::plannerItemImage(const Task& task, const QSizeF& size, bool weekly, bool squareBox,
                                              bool highlight) const
{
    const bool onMainThread = QCoreApplication::instance() &&
                              QThread::currentThread() == QCoreApplication::instance()->thread();
    const TaskPtr item = std::const_pointer_cast<Task>(task.weak_from_this().lock());
    if (!onMainThread || !item || !size.isValid() || size.isEmpty())
        return DayBoxImageRenderer::plannerItemImage(task, size, weekly, squareBox, highlight);

    const QRectF frame(QPointF(0, 0), size);
    if (weekly) {
        PlannerWeeklyItemView block(frame);
        block.setIsSquareBox(squareBox);
        block.setTask(item);
        block.setHighlight(highlight);
        return block.imageRepresentative();
    }
    PlannerItemView chip(frame);
    chip.setIsSquareBox(squareBox);
    chip.setTask(item);
    chip.setHighlight(highlight);
    return chip.imageRepresentative();
}

void PlannerImageRenderer::install()
{
    static const PlannerImageRenderer renderer;
    TaskImageRenderer::setCurrent(&renderer);
}
