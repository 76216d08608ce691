#include "DragSource.h"

#include "Event.h"
#include "Screen.h"
#include "View.h"

#include <QCursor>
#include <QDebug>
#include <QDrag>
#include <QMimeData>
#include <QPixmap>

#include <optional>
#include <utility>
#include <vector>

namespace {

DragSource::Outcome runQtDrag(DragSource::Drag& drag)
{
    const QPointer<QDrag> qtDrag = new QDrag(drag.view);
    qtDrag->setMimeData(drag.payload.release());
    qtDrag->setPixmap(QPixmap::fromImage(drag.image));
    qtDrag->setHotSpot(drag.hotSpot.toPoint());  // logical points, like the pixmap
    const Qt::DropAction action = qtDrag->exec(DragSource::dropActionsOf(drag.operationMask));
    // The drag may outlive its view (a drop that rebuilt the view's parent):
    // QDrag's parent is the view, so it goes with it or here.
    if (qtDrag) qtDrag->deleteLater();
    return {DragSource::operationOf(action, drag.operationMask), Screen::fromQt(QPointF(QCursor::pos()))};
}

DragSource::Runner& runner()
{
    static DragSource::Runner current;
    return current;
}

std::optional<DragSession>& session()
{
    static std::optional<DragSession> current;
    return current;
}

std::vector<std::function<void()>>& jobsAfterDrag()
{
    static std::vector<std::function<void()>> jobs;
    return jobs;
}

// Ends the session however the runner leaves.
struct SessionScope {
    explicit SessionScope(DragSession value) { session() = std::move(value); }
    ~SessionScope() { session().reset(); }
    SessionScope(const SessionScope&) = delete;
    SessionScope& operator=(const SessionScope&) = delete;
};

}  // namespace

DraggingSource::~DraggingSource() = default;

unsigned DragSource::beginDrag(View* view, DraggingSource* source, std::unique_ptr<QMimeData> payload,
                               const QImage& image, const QPointF& imageOrigin, const Event& mouseDown,
                               unsigned operationMask)
{
    if (session()) {
        qWarning() << "A drag was started while another runs; it is refused";
        return DragOperationNone;
    }
    if (!view || !payload || image.isNull()) {
        qWarning() << "A drag without a view, a payload or an image is refused";
        return DragOperationNone;
    }

    // The image's top-left corner and the pointer, in the widget's own
    // top-left coordinates, give the hot spot.
    const QSizeF imageSize = image.deviceIndependentSize();
    const QPointF imageTopLeft = view->isFlipped() ? QPointF(imageOrigin.x(), imageOrigin.y() - imageSize.height())
                                                   : QPointF(imageOrigin.x(), imageOrigin.y() + imageSize.height());
    const QPointF pointer = view->convertPointFromWindow(mouseDown.locationInWindow);
    const QPointF hotSpot = view->toQt(pointer) - view->toQt(imageTopLeft);

    Drag drag{view, std::move(payload), image, hotSpot, operationMask};
    const QPointer<View> alive(view);
    Outcome outcome;
    {
        SessionScope scope(DragSession{alive, imageSize, hotSpot, operationMask});
        const Runner run = runner();
        outcome = run ? run(drag) : runQtDrag(drag);
    }
    if ((outcome.operation & operationMask) != outcome.operation) {
        qWarning() << "A drag ended with an operation it did not allow; taken as none";
        outcome.operation = DragOperationNone;
    }
    if (alive && source) source->draggingEnded(outcome.screenPoint, outcome.operation);
    // In order; a job may queue another, which runs now too.
    while (!jobsAfterDrag().empty()) {
        std::vector<std::function<void()>> jobs = std::exchange(jobsAfterDrag(), {});
        for (const std::function<void()>& job : jobs) job();
    }
    return outcome.operation;
}

void DragSource::afterDrag(std::function<void()> job)
{
    if (!job) return;
    if (!session()) {
        job();
        return;
    }
    jobsAfterDrag().push_back(std::move(job));
}

void DragSource::cancelDrag()
{
    if (session() && !runner()) QDrag::cancel();
}

const DragSession* DragSource::currentSession()
{
    return session() ? &*session() : nullptr;
}

View* DragSource::currentSource()
{
    return session() ? session()->source.data() : nullptr;
}

void DragSource::setRunner(Runner newRunner)
{
    runner() = std::move(newRunner);
}

Qt::DropActions DragSource::dropActionsOf(unsigned operationMask)
{
    Qt::DropActions actions;
    if (operationMask & DragOperationCopy) actions |= Qt::CopyAction;
    if (operationMask & DragOperationLink) actions |= Qt::LinkAction;
    if (operationMask & (DragOperationGeneric | DragOperationMove)) actions |= Qt::MoveAction;
    return actions;
}

unsigned DragSource::operationOf(Qt::DropAction action, unsigned operationMask)
{
    unsigned operation = DragOperationNone;
    switch (action) {
    case Qt::CopyAction: operation = DragOperationCopy; break;
    case Qt::LinkAction: operation = DragOperationLink; break;
    case Qt::MoveAction:
    case Qt::TargetMoveAction:
        operation = (operationMask & DragOperationGeneric) ? DragOperationGeneric : DragOperationMove;
        break;
    default: break;
    }
    return (operation & operationMask) ? operation : DragOperationNone;
}
