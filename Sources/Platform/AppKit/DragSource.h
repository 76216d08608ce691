#pragma once

#include <QImage>
#include <QPointF>
#include <QPointer>
#include <QSizeF>

#include <functional>
#include <memory>

class QMimeData;
class QObject;
class View;
struct Event;

// What a drag lets the target do with the payload, and what the target did.
enum DragOperation : unsigned {
    DragOperationNone = 0,
    DragOperationCopy = 1,
    DragOperationLink = 2,
    DragOperationGeneric = 4,
    DragOperationMove = 16,
};

// A view that starts drags: it says what its drags allow and hears how each
// one ended. Usually the view itself implements it.
class DraggingSource {
public:
    virtual ~DraggingSource();

    virtual unsigned draggingSourceOperationMask() const { return DragOperationGeneric; }
    // Every drag ends here, on the main thread: the point on the screen (our
    // coordinates) and what the target did; DragOperationNone when the drag
    // was dropped nowhere or refused.
    virtual void draggingEnded(const QPointF& screenPoint, unsigned operation) = 0;
};

// The drag that is running in this program, as targets see it. Qt's drop
// events name their source only for drags that Qt itself ran (never for a
// constructed one), so targets ask here: a drag from outside the program has
// no session.
//
// The image is fixed for the whole drag: a Qt drag cannot change its picture
// once it has started, so a target that wants another look while over it
// must draw its own preview.
struct DragSession {
    // The view that started the drag; null once it is gone.
    QPointer<View> source;
    QSizeF imageSize;
    // Where the pointer holds the image, from the image's top-left corner
    // (points, y down).
    QPointF hotSpot;
    unsigned operationMask = DragOperationNone;

    // The dragged image's rectangle for a pointer at the given point, both in
    // top-left, y-down coordinates (a widget's Qt ones): its top is the
    // pointer's y less the hot spot's.
    QRectF imageRectForPointer(const QPointF& pointer) const
    {
        return QRectF(pointer - hotSpot, imageSize);
    }
};

// Starts drags of views. The real drag is a QDrag, which runs its own event
// loop and does not run on the offscreen platform: tests install a runner
// that plays the drag (delivering constructed drop events, say) and answers
// how it ended.
class DragSource {
public:
    // What the runner gets: the source widget, the payload (the runner owns
    // it from here), the image, the hot spot and the operations allowed.
    struct Drag {
        View* view = nullptr;
        std::unique_ptr<QMimeData> payload;
        QImage image;
        QPointF hotSpot;
        unsigned operationMask = DragOperationNone;
    };
    struct Outcome {
        unsigned operation = DragOperationNone;
        QPointF screenPoint;  // our coordinates
    };
    using Runner = std::function<Outcome(Drag& drag)>;

    // Drags the image with the payload from the view. imageOrigin is the
    // image's bottom-left corner in the view's coordinates (in a flipped view
    // (0, image height) puts the image over the view's top-left corner); the
    // mouse-down event gives the pointer's place in it. The session is
    // current while the drag runs; then the source hears how it ended
    // (unless the view is gone by then). Answers the operation done.
    //
    // A drag while another runs, a null view or payload, or a null image are
    // refused (logged) and answer DragOperationNone without telling the source.
    static unsigned beginDrag(View* view, DraggingSource* source, std::unique_ptr<QMimeData> payload,
                              const QImage& image, const QPointF& imageOrigin, const Event& mouseDown,
                              unsigned operationMask);

    // The running drag of this program; null when none runs.
    static const DragSession* currentSession();
    // Its source view; null when no drag of this program runs.
    static View* currentSource();
    // Runs the job once the running drag has ended (at once when none runs).
    // A drop runs inside the drag's own event loop, which takes the mouse
    // for the drag: an alert opened there after the drop's own question
    // has its clicks taken as the drag's, and a quit there closes the drag's
    // windows under it; both crash in the platform's drag code.
    static void afterDrag(std::function<void()> job);
    // Ends the running drag as if it were let go nowhere.
    static void cancelDrag();

    // Installs a runner (tests); an empty one restores the QDrag runner.
    static void setRunner(Runner runner);

    // Qt's drop actions and ours.
    static Qt::DropActions dropActionsOf(unsigned operationMask);
    static unsigned operationOf(Qt::DropAction action, unsigned operationMask);
};
