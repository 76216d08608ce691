#include "DropTarget.h"

#include "Event.h"
#include "View.h"

#include <QApplication>
#include <QDropEvent>
#include <QMimeData>

#include <gtest/gtest.h>

#include <memory>

namespace DropTargetTests {

namespace {

const QString itemType = QStringLiteral("application/x-test-item");

// A destination that records what it heard and answers as told.
struct RecordingDestination : DraggingDestination {
    unsigned draggingEntered(const DraggingInfo& info) override
    {
        ++entries;
        remember(info);
        return answer;
    }
    unsigned draggingUpdated(const DraggingInfo& info) override
    {
        ++updates;
        remember(info);
        return answer;
    }
    void draggingExited() override { ++exits; }
    bool performDragOperation(const DraggingInfo& info) override
    {
        ++drops;
        remember(info);
        return answer != DragOperationNone;
    }
    void remember(const DraggingInfo& info)
    {
        source = info.draggingSource();
        hadSource = info.hasInApplicationSource();
        location = info.draggingLocation();
        imageLocation = info.draggedImageLocation();
        payload = info.draggingPasteboard().data(itemType);
    }

    unsigned answer = DragOperationGeneric;
    int entries = 0, updates = 0, exits = 0, drops = 0;
    View* source = nullptr;
    bool hadSource = false;
    QPointF location, imageLocation;
    QByteArray payload;
};

std::unique_ptr<QMimeData> payloadWith(const QString& type, const QByteArray& bytes = "item")
{
    auto data = std::make_unique<QMimeData>();
    data->setData(type, bytes);
    return data;
}

// Sends one drag event at a point of the widget (Qt's coordinates) and
// answers whether it was accepted, with the action Qt was given.
struct Answer {
    bool accepted = false;
    Qt::DropAction action = Qt::IgnoreAction;
};
Answer send(QWidget* target, QEvent::Type type, const QPointF& point, const QMimeData* payload)
{
    const Qt::DropActions actions = Qt::MoveAction | Qt::CopyAction;
    std::unique_ptr<QDropEvent> event;
    if (type == QEvent::DragEnter)
        event = std::make_unique<QDragEnterEvent>(point.toPoint(), actions, payload, Qt::LeftButton, Qt::NoModifier);
    else if (type == QEvent::DragMove)
        event = std::make_unique<QDragMoveEvent>(point.toPoint(), actions, payload, Qt::LeftButton, Qt::NoModifier);
    else
        event = std::make_unique<QDropEvent>(point, actions, payload, Qt::LeftButton, Qt::NoModifier);
    event->setAccepted(false);
    QApplication::sendEvent(target, event.get());
    return {event->isAccepted(), event->dropAction()};
}

void leave(QWidget* target)
{
    QDragLeaveEvent event;
    QApplication::sendEvent(target, &event);
}

struct RunnerScope {
    explicit RunnerScope(DragSource::Runner runner) { DragSource::setRunner(std::move(runner)); }
    ~RunnerScope() { DragSource::setRunner({}); }
};

QImage imageOfSize(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::blue);
    return image;
}

}  // namespace

TEST(DropTargetTest, TheDestinationsAnswersBecomeQtsAndForeignPayloadsNeverReachIt)
{
    View window(QRectF(0, 0, 400, 300));
    auto* target = new View(QRectF(0, 0, 400, 300), &window);
    RecordingDestination destination;
    DropTarget::registerForDraggedTypes(target, &destination, {itemType});
    EXPECT_TRUE(target->acceptDrops());

    const auto item = payloadWith(itemType, "42");
    Answer a = send(target, QEvent::DragEnter, {10, 20}, item.get());
    EXPECT_TRUE(a.accepted);
    EXPECT_EQ(a.action, Qt::MoveAction) << "the generic operation is Qt's move";
    EXPECT_EQ(destination.entries, 1);
    EXPECT_EQ(destination.payload, "42");
    EXPECT_FALSE(destination.hadSource) << "a drag this program did not start has no source";
    EXPECT_EQ(destination.location, QPointF(10, 280)) << "our coordinates: y up from the bottom";
    EXPECT_EQ(destination.imageLocation, destination.location) << "without an image, the pointer";

    a = send(target, QEvent::DragMove, {30, 40}, item.get());
    EXPECT_TRUE(a.accepted);
    EXPECT_EQ(destination.updates, 1);

    destination.answer = DragOperationNone;
    a = send(target, QEvent::DragMove, {30, 40}, item.get());
    EXPECT_FALSE(a.accepted) << "none refuses";
    EXPECT_EQ(a.action, Qt::IgnoreAction);

    leave(target);
    EXPECT_EQ(destination.exits, 1);

    destination.answer = DragOperationGeneric;
    send(target, QEvent::DragEnter, {50, 60}, item.get());
    a = send(target, QEvent::Drop, {50, 60}, item.get());
    EXPECT_TRUE(a.accepted);
    EXPECT_EQ(destination.drops, 1);

    // Refused where it enters, a drag of our type is still followed (Qt
    // sends no moves after a refused entry) with nothing to drop there; a
    // later move the destination takes is taken.
    leave(target);
    destination.answer = DragOperationNone;
    a = send(target, QEvent::DragEnter, {10, 20}, item.get());
    EXPECT_TRUE(a.accepted);
    EXPECT_EQ(a.action, Qt::IgnoreAction);
    destination.answer = DragOperationGeneric;
    a = send(target, QEvent::DragMove, {30, 40}, item.get());
    EXPECT_TRUE(a.accepted);
    EXPECT_EQ(a.action, Qt::MoveAction);
    leave(target);

    // Another type: refused at once, the destination never asked.
    const auto other = payloadWith(QStringLiteral("text/plain"));
    EXPECT_FALSE(send(target, QEvent::DragEnter, {10, 20}, other.get()).accepted);
    EXPECT_FALSE(send(target, QEvent::Drop, {10, 20}, other.get()).accepted);
    EXPECT_FALSE(send(target, QEvent::Drop, {10, 20}, nullptr).accepted);
    EXPECT_EQ(destination.entries, 3);
    EXPECT_EQ(destination.drops, 1);

    // Registering again replaces the destination; null parts make nothing.
    RecordingDestination second;
    EXPECT_EQ(DropTarget::registerForDraggedTypes(target, &second, {itemType}),
              target->findChild<DropTarget*>());
    send(target, QEvent::DragEnter, {10, 20}, item.get());
    EXPECT_EQ(second.entries, 1);
    EXPECT_EQ(destination.entries, 3);
    EXPECT_EQ(DropTarget::registerForDraggedTypes(nullptr, &second, {itemType}), nullptr);
    EXPECT_EQ(DropTarget::registerForDraggedTypes(target, nullptr, {itemType}), nullptr);
}

TEST(DropTargetTest, ADragOfThisProgramNamesItsSourceAndWhereItsImageIs)
{
    View window(QRectF(0, 0, 400, 300));
    auto* source = new View(QRectF(0, 0, 100, 100), &window);
    auto* target = new View(QRectF(100, 0, 300, 300), &window);
    auto* flipped = new View(QRectF(0, 100, 100, 200), &window);
    flipped->setFlipped(true);
    RecordingDestination destination;
    RecordingDestination flippedDestination;
    DropTarget::registerForDraggedTypes(target, &destination, {itemType});
    DropTarget::registerForDraggedTypes(flipped, &flippedDestination, {itemType});

    struct Ending : DraggingSource {
        void draggingEnded(const QPointF&, unsigned op) override { operation = op; }
        unsigned operation = 99;
    } ending;

    bool inherits = false;
    RunnerScope runner([&](DragSource::Drag& drag) {
        send(target, QEvent::DragEnter, {50, 100}, drag.payload.get());
        const DraggingInfo info(target, drag.payload.get(), {50, 100});
        inherits = destination.hadSource && info.sourceInherits("View") && info.sourceInherits("QWidget") &&
                   !info.sourceInherits("TaskListTableView");
        const Answer dropped = send(target, QEvent::Drop, {50, 100}, drag.payload.get());
        send(flipped, QEvent::DragEnter, {20, 70}, drag.payload.get());
        return DragSource::Outcome{dropped.accepted ? DragOperationGeneric : DragOperationNone, {}};
    });
    Event press;
    press.type = EventType::LeftMouseDown;
    press.clickCount = 1;
    // The pointer 10 points right of the image's left edge and 30 below its top.
    press.locationInWindow = source->convertPointToWindow(QPointF(10, 70));
    DragSource::beginDrag(source, &ending, payloadWith(itemType), imageOfSize(60, 40), QPointF(0, 60), press,
                          DragOperationGeneric);

    EXPECT_TRUE(inherits);
    EXPECT_EQ(destination.source, source);
    EXPECT_EQ(ending.operation, unsigned(DragOperationGeneric));
    // Qt (50, 100) less the hot spot (10, 30) puts the image's top-left at
    // Qt (40, 70), its bottom-left at Qt (40, 110): y 190 up in a view 300 high.
    EXPECT_EQ(destination.imageLocation, QPointF(40, 190));
    // In a flipped view the bottom-left corner is the image's bottom, y down.
    EXPECT_EQ(flippedDestination.imageLocation, QPointF(10, 80));

    const DraggingInfo info(target, nullptr, {0, 0});
    EXPECT_FALSE(info.sourceInherits("View")) << "no drag runs any more";
    EXPECT_FALSE(info.hasInApplicationSource());
    EXPECT_TRUE(info.draggingPasteboard().formats().isEmpty());
}

}  // namespace DropTargetTests
