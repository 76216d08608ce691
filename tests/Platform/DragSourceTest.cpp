#include "DragSource.h"

#include "Event.h"
#include "View.h"

#include <QMimeData>

#include <gtest/gtest.h>

#include <memory>
#include <optional>

namespace DragSourceTests {

namespace {

// A source that remembers how its drags ended.
struct RecordingSource : DraggingSource {
    void draggingEnded(const QPointF& point, unsigned operation) override
    {
        ++endings;
        lastPoint = point;
        lastOperation = operation;
    }
    int endings = 0;
    QPointF lastPoint;
    unsigned lastOperation = 12345;
};

// What a runner saw while the drag ran.
struct Seen {
    View* source = nullptr;
    std::optional<DragSession> session;
    QByteArray payload;
    QPointF hotSpot;
    QSize imageSize;
};

struct RunnerScope {
    explicit RunnerScope(DragSource::Runner runner) { DragSource::setRunner(std::move(runner)); }
    ~RunnerScope() { DragSource::setRunner({}); }
};

Event pressAt(View* view, const QPointF& pointInView)
{
    Event event;
    event.type = EventType::LeftMouseDown;
    event.clickCount = 1;
    event.locationInWindow = view->convertPointToWindow(pointInView);
    return event;
}

std::unique_ptr<QMimeData> payloadOf(const QByteArray& bytes)
{
    auto data = std::make_unique<QMimeData>();
    data->setData(QStringLiteral("application/x-test"), bytes);
    return data;
}

QImage imageOfSize(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::red);
    return image;
}

struct Scene {
    std::unique_ptr<View> root = std::make_unique<View>(QRectF(0, 0, 300, 200));
    View* box = new View(QRectF(20, 30, 120, 50), root.get());
};

}  // namespace

TEST(DragSource, TheDragCarriesThePayloadAndNamesItsSourceOnlyWhileItRuns)
{
    Scene scene;
    scene.box->setFlipped(true);
    RecordingSource source;
    Seen seen;
    RunnerScope runner([&seen](DragSource::Drag& drag) {
        seen.source = DragSource::currentSource();
        if (const DragSession* session = DragSource::currentSession()) seen.session = *session;
        seen.payload = drag.payload->data(QStringLiteral("application/x-test"));
        seen.imageSize = drag.image.size();
        return DragSource::Outcome{DragOperationGeneric, QPointF(5, 6)};
    });

    EXPECT_EQ(DragSource::currentSource(), nullptr) << "no drag runs yet";
    const unsigned operation =
        DragSource::beginDrag(scene.box, &source, payloadOf("archive"), imageOfSize(120, 50), QPointF(0, 50),
                              pressAt(scene.box, {30, 20}), DragOperationGeneric);

    EXPECT_EQ(operation, unsigned(DragOperationGeneric));
    EXPECT_EQ(seen.source, scene.box);
    ASSERT_TRUE(seen.session.has_value());
    EXPECT_EQ(seen.session->operationMask, unsigned(DragOperationGeneric));
    EXPECT_EQ(seen.session->imageSize, QSizeF(120, 50));
    EXPECT_EQ(seen.payload, QByteArray("archive"));
    EXPECT_EQ(seen.imageSize, QSize(120, 50));
    EXPECT_EQ(DragSource::currentSource(), nullptr) << "the session ends with the drag";
    EXPECT_EQ(DragSource::currentSession(), nullptr);
    EXPECT_EQ(source.endings, 1);
    EXPECT_EQ(source.lastOperation, unsigned(DragOperationGeneric));
    EXPECT_EQ(source.lastPoint, QPointF(5, 6));
}

TEST(DragSource, TheHotSpotPlacesTheImageTopUnderThePointer)
{
    struct Case {
        const char* name;
        bool flipped;
        QPointF imageOrigin;  // bottom-left corner, view coordinates
        QPointF pointer;      // view coordinates
        QSize image;
        QPointF hotSpot;      // from the image's top left, y down
    };
    const Case cases[] = {
        // A flipped view: (0, h) lays the image over the view itself.
        {"flipped, image over the view", true, {0, 50}, {30, 20}, {120, 50}, {30, 20}},
        {"flipped, shorter image", true, {0, 20}, {10, 5}, {186, 20}, {10, 5}},
        // y up: the pointer 40 above the bottom of a 50-high view is 10 below
        // the top of an image whose bottom-left is the view's origin.
        {"not flipped, image over the view", false, {0, 0}, {30, 40}, {120, 50}, {30, 10}},
        {"not flipped, image raised", false, {5, 10}, {30, 25}, {100, 20}, {25, 5}},
    };
    for (const Case& c : cases) {
        Scene scene;
        scene.box->setFlipped(c.flipped);
        RecordingSource source;
        std::optional<DragSession> session;
        RunnerScope runner([&session](DragSource::Drag& drag) {
            session = *DragSource::currentSession();
            EXPECT_EQ(drag.hotSpot, session->hotSpot);
            return DragSource::Outcome{DragOperationGeneric, {}};
        });
        DragSource::beginDrag(scene.box, &source, payloadOf("x"), imageOfSize(c.image.width(), c.image.height()),
                              c.imageOrigin, pressAt(scene.box, c.pointer), DragOperationGeneric);
        ASSERT_TRUE(session.has_value()) << c.name;
        EXPECT_EQ(session->hotSpot, c.hotSpot) << c.name;
        // A drop target finds the image's top from the pointer alone.
        const QPointF pointerInQt = scene.box->toQt(c.pointer);
        const QRectF image = session->imageRectForPointer(pointerInQt);
        EXPECT_EQ(image.topLeft(), pointerInQt - c.hotSpot) << c.name;
        EXPECT_EQ(image.size(), QSizeF(c.image)) << c.name;
    }
}

TEST(DragSource, HowTheDragEndedReachesTheSource)
{
    struct Case {
        const char* name;
        unsigned mask;
        unsigned done;
        unsigned reported;
    };
    const Case cases[] = {
        {"dropped nowhere", DragOperationGeneric, DragOperationNone, DragOperationNone},
        {"taken", DragOperationGeneric, DragOperationGeneric, DragOperationGeneric},
        {"copied though only generic was allowed", DragOperationGeneric, DragOperationCopy, DragOperationNone},
        {"copied", DragOperationCopy | DragOperationGeneric, DragOperationCopy, DragOperationCopy},
    };
    for (const Case& c : cases) {
        Scene scene;
        RecordingSource source;
        RunnerScope runner([&c](DragSource::Drag&) { return DragSource::Outcome{c.done, {}}; });
        const unsigned answer = DragSource::beginDrag(scene.box, &source, payloadOf("x"), imageOfSize(10, 10),
                                                      {0, 0}, pressAt(scene.box, {1, 1}), c.mask);
        EXPECT_EQ(answer, c.reported) << c.name;
        EXPECT_EQ(source.endings, 1) << c.name;
        EXPECT_EQ(source.lastOperation, c.reported) << c.name;
    }
}

TEST(DragSource, RefusedDragsRunNothingAndTellNobody)
{
    Scene scene;
    RecordingSource source;
    int runs = 0;
    unsigned innerAnswer = 999;
    RecordingSource innerSource;
    RunnerScope runner([&](DragSource::Drag&) {
        ++runs;
        // A second drag while this one runs is refused.
        innerAnswer = DragSource::beginDrag(scene.box, &innerSource, payloadOf("y"), imageOfSize(10, 10), {0, 0},
                                            pressAt(scene.box, {1, 1}), DragOperationGeneric);
        return DragSource::Outcome{DragOperationGeneric, {}};
    });

    EXPECT_EQ(DragSource::beginDrag(scene.box, &source, payloadOf("x"), QImage(), {0, 0},
                                    pressAt(scene.box, {1, 1}), DragOperationGeneric),
              unsigned(DragOperationNone))
        << "no image";
    EXPECT_EQ(DragSource::beginDrag(scene.box, &source, nullptr, imageOfSize(10, 10), {0, 0},
                                    pressAt(scene.box, {1, 1}), DragOperationGeneric),
              unsigned(DragOperationNone))
        << "no payload";
    EXPECT_EQ(DragSource::beginDrag(nullptr, &source, payloadOf("x"), imageOfSize(10, 10), {0, 0}, Event(),
                                    DragOperationGeneric),
              unsigned(DragOperationNone))
        << "no view";
    EXPECT_EQ(runs, 0);
    EXPECT_EQ(source.endings, 0);

    DragSource::beginDrag(scene.box, &source, payloadOf("x"), imageOfSize(10, 10), {0, 0},
                          pressAt(scene.box, {1, 1}), DragOperationGeneric);
    EXPECT_EQ(runs, 1) << "the inner drag never ran";
    EXPECT_EQ(innerAnswer, unsigned(DragOperationNone));
    EXPECT_EQ(innerSource.endings, 0);
    EXPECT_EQ(source.endings, 1);
}

TEST(DragSource, ASourceViewGoneDuringTheDragIsNotTold)
{
    Scene scene;
    RecordingSource source;
    View* doomed = scene.box;
    RunnerScope runner([&doomed](DragSource::Drag&) {
        delete doomed;  // a drop that rebuilt the source's parent
        EXPECT_EQ(DragSource::currentSource(), nullptr) << "the session does not name a dead view";
        return DragSource::Outcome{DragOperationNone, {}};
    });
    DragSource::beginDrag(scene.box, &source, payloadOf("x"), imageOfSize(10, 10), {0, 0},
                          pressAt(scene.box, {1, 1}), DragOperationGeneric);
    EXPECT_EQ(source.endings, 0);
}

TEST(DragSource, OperationsMapToQtActionsBothWays)
{
    EXPECT_EQ(DragSource::dropActionsOf(DragOperationGeneric), Qt::DropActions(Qt::MoveAction));
    EXPECT_EQ(DragSource::dropActionsOf(DragOperationCopy | DragOperationLink),
              Qt::DropActions(Qt::CopyAction | Qt::LinkAction));
    EXPECT_EQ(DragSource::dropActionsOf(DragOperationNone), Qt::DropActions());

    EXPECT_EQ(DragSource::operationOf(Qt::MoveAction, DragOperationGeneric), unsigned(DragOperationGeneric));
    EXPECT_EQ(DragSource::operationOf(Qt::MoveAction, DragOperationMove), unsigned(DragOperationMove));
    EXPECT_EQ(DragSource::operationOf(Qt::IgnoreAction, DragOperationGeneric), unsigned(DragOperationNone));
    EXPECT_EQ(DragSource::operationOf(Qt::CopyAction, DragOperationGeneric), unsigned(DragOperationNone))
        << "an action the drag did not allow counts as none";
}

// What a drop must not do inside the drag's own loop (an alert after its
// question, a quit) waits for the drag's end, in the order asked.
TEST(DragSource, WorkForAfterTheDragRunsOnceItHasEnded)
{
    Scene scene;
    RecordingSource source;
    QStringList order;
    RunnerScope runner([&order, &source](DragSource::Drag&) {
        DragSource::afterDrag([&order, &source] {
            order << QStringLiteral("alert after %1 ending").arg(source.endings);
            DragSource::afterDrag([&order] { order << QStringLiteral("then the quit"); });
        });
        order << QStringLiteral("drop");
        return DragSource::Outcome{DragOperationGeneric, {}};
    });
    DragSource::beginDrag(scene.box, &source, payloadOf("archive"), imageOfSize(10, 10), QPointF(0, 10),
                          pressAt(scene.box, {5, 5}), DragOperationGeneric);
    EXPECT_EQ(order, (QStringList{"drop", "alert after 1 ending", "then the quit"}));
    DragSource::afterDrag([&order] { order << QStringLiteral("no drag"); });
    EXPECT_EQ(order.last(), QStringLiteral("no drag")) << "without a drag it runs at once";
}

}  // namespace DragSourceTests
