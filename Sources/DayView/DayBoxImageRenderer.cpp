#include "DayBoxImageRenderer.h"

#include "Task.h"
#include "TaskView.h"

#include <QCoreApplication>
#include <QThread>

QImage DayBoxImageRenderer::dayBoxImage(const Task& task, const QSizeF& size, bool squareBox, bool highlight) const
{
    const bool onMainThread = QCoreApplication::instance() &&
                              QThread::currentThread() == QCoreApplication::instance()->thread();
    const TaskPtr item = std::const_pointer_cast<Task>(task.weak_from_this().lock());
    if (!onMainThread || !item || !size.isValid() || size.isEmpty())
        return ItemImageRenderer::dayBoxImage(task, size, squareBox, highlight);

    TaskView box(QRectF(QPointF(0, 0), size));
    box.setIsSquareBox(squareBox);
    box.setHighlight(highlight);
    box.setTask(item);
    return box.imageRepresentative();
}

void DayBoxImageRenderer::install()
{
    static const DayBoxImageRenderer renderer;
    TaskImageRenderer::setCurrent(&renderer);
}
