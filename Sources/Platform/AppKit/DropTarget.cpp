#include "DropTarget.h"

#include "View.h"

#include <QDebug>
#include <QDropEvent>
#include <QMimeData>

namespace {

const QMimeData& emptyPayload()
{
    static const QMimeData empty;
    return empty;
}

}  // namespace

DraggingInfo::DraggingInfo(View* target, const QMimeData* payload, const QPointF& pointerInQt)
    : m_payload(payload)
{
    const DragSession* session = DragSource::currentSession();
    if (session) m_source = session->source;
    if (!target) return;
    m_location = target->fromQt(pointerInQt);
    m_imageLocation = m_location;
    if (session && m_source && session->imageSize.isValid()) {
        // The image's rectangle in Qt's coordinates of the target; its
        // lower-left corner is its left edge at its bottom.
        const QRectF image = session->imageRectForPointer(pointerInQt);
        m_imageLocation = target->fromQt(QPointF(image.left(), image.bottom()));
        m_imageSize = session->imageSize;
    }
}

const QMimeData& DraggingInfo::draggingPasteboard() const
{
    return m_payload ? *m_payload : emptyPayload();
}

bool DraggingInfo::hasType(const QString& type) const
{
    return draggingPasteboard().hasFormat(type);
}

bool DraggingInfo::sourceInherits(const char* className) const
{
    return m_source && m_source->inherits(className);
}

DraggingDestination::~DraggingDestination() = default;

DropTarget::DropTarget(View* view, DraggingDestination* destination, const QStringList& types)
    : QObject(view), m_view(view), m_destination(destination), m_types(types)
{
    view->setAcceptDrops(true);
    view->installEventFilter(this);
}

DropTarget* DropTarget::registerForDraggedTypes(View* view, DraggingDestination* destination,
                                                const QStringList& types)
{
    if (!view || !destination) {
        qWarning() << "A drop target needs a view and a destination; none is made";
        return nullptr;
    }
    if (auto* existing = view->findChild<DropTarget*>(QString(), Qt::FindDirectChildrenOnly)) {
        existing->m_destination = destination;
        existing->m_types = types;
        return existing;
    }
    return new DropTarget(view, destination, types);
}

bool DropTarget::offersRegisteredType(const QMimeData* payload) const
{
    if (!payload) return false;
    for (const QString& type : m_types)
        if (payload->hasFormat(type)) return true;
    return false;
}

void DropTarget::answer(QDropEvent* event, unsigned operation)
{
    if (operation == DragOperationNone) {
        event->setDropAction(Qt::IgnoreAction);
        event->ignore();
        return;
    }
    const Qt::DropActions actions = DragSource::dropActionsOf(operation);
    Qt::DropAction action = Qt::MoveAction;
    for (Qt::DropAction each : {Qt::MoveAction, Qt::CopyAction, Qt::LinkAction})
        if (actions.testFlag(each)) {
            action = each;
            break;
        }
    event->setDropAction(action);
    event->accept();
}

bool DropTarget::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_view) return false;
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDragMoveEvent*>(event);
        unsigned operation = DragOperationNone;
        if (offersRegisteredType(drag->mimeData())) {
            const DraggingInfo info(m_view, drag->mimeData(), drag->position());
            const bool entering = event->type() == QEvent::DragEnter || !m_inside;
            m_inside = true;
            operation = entering ? m_destination->draggingEntered(info) : m_destination->draggingUpdated(info);
        }
        answer(drag, operation);
        // Qt sends no moves to a widget that refused the entry, yet a drag
        // refused where it enters (a row dragged starts over itself) must
        // still be taken where it moves to: the entry is kept, with nothing
        // to drop, and the drop itself is validated again.
        if (operation == DragOperationNone && event->type() == QEvent::DragEnter && offersRegisteredType(drag->mimeData())) {
            drag->setDropAction(Qt::IgnoreAction);
            drag->accept();
        }
        return true;
    }
    case QEvent::DragLeave:
        if (m_inside) m_destination->draggingExited();
        m_inside = false;
        return true;
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        const bool wasInside = m_inside;
        m_inside = false;
        bool taken = false;
        if (offersRegisteredType(drop->mimeData())) {
            const DraggingInfo info(m_view, drop->mimeData(), drop->position());
            taken = m_destination->performDragOperation(info);
        } else if (wasInside) {
            m_destination->draggingExited();
        }
        answer(drop, taken ? DragOperationGeneric : DragOperationNone);
        return true;
    }
    default:
        return false;
    }
}
