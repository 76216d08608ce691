#pragma once

#include "DragSource.h"

#include <QObject>
#include <QPointF>
#include <QPointer>
#include <QStringList>

class QDropEvent;
class QMimeData;
class View;

// What a drop target learns of the drag over it: the payload, where the
// pointer and the dragged image are, and which view of this program (if
// any) started it. Positions are in the target view's own coordinates (y up
// unless the view is flipped).
class DraggingInfo {
public:
    DraggingInfo(View* target, const QMimeData* payload, const QPointF& pointerInQt);

    // The payload; never null (an empty one stands in for a missing payload).
    const QMimeData& draggingPasteboard() const;
    bool hasType(const QString& type) const;

    // The view of this program that started the drag; null for a drag from
    // outside the program (or one whose source view is gone).
    View* draggingSource() const { return m_source; }
    bool hasInApplicationSource() const { return m_source != nullptr; }
    // Whether the source is (or derives from) the named class; false without
    // a source.
    bool sourceInherits(const char* className) const;

    // The pointer in the target view.
    QPointF draggingLocation() const { return m_location; }
    // The dragged image's lower-left corner in the target view; the pointer
    // itself when the drag carries no image of this program.
    QPointF draggedImageLocation() const { return m_imageLocation; }
    QSizeF draggedImageSize() const { return m_imageSize; }

private:
    const QMimeData* m_payload;
    QPointer<View> m_source;
    QPointF m_location;
    QPointF m_imageLocation;
    QSizeF m_imageSize;
};

// A view that takes drops: each call answers the operation it would do
// (DragOperationGeneric, say) or DragOperationNone to refuse.
class DraggingDestination {
public:
    virtual ~DraggingDestination();

    virtual unsigned draggingEntered(const DraggingInfo& info) = 0;
    // The pointer moved over the target; by default the entry's answer.
    virtual unsigned draggingUpdated(const DraggingInfo& info) { return draggingEntered(info); }
    virtual void draggingExited() {}
    // The drop: true when the target took it.
    virtual bool performDragOperation(const DraggingInfo& info) = 0;
};

// Makes a view a drop target for payloads offering one of the registered
// types: Qt's drag events on the view become the destination's calls, and
// its answers become Qt's drop actions. A payload with none of the types
// is refused without asking the destination. Lives as a child of the view.
class DropTarget : public QObject {
    Q_OBJECT

public:
    // The destination is not owned (usually the view itself).
    static DropTarget* registerForDraggedTypes(View* view, DraggingDestination* destination,
                                               const QStringList& types);

    QStringList registeredTypes() const { return m_types; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    DropTarget(View* view, DraggingDestination* destination, const QStringList& types);
    bool offersRegisteredType(const QMimeData* payload) const;
    // Gives Qt the answer: accepted with the matching action, or ignored.
    static void answer(QDropEvent* event, unsigned operation);

    View* m_view;
    DraggingDestination* m_destination;
    QStringList m_types;
    bool m_inside = false;
};
