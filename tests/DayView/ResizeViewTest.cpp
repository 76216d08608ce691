// The resize handle: a drag starts only in the grip, the bar stays between
// its limits, and only a resizable pane hears how far it moved.
#include "DayCalendarView.h"
#include "FocusPaneView.h"
#include "ResizeView.h"
#include "ScrollView.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

class RecordingPane : public View, public PaneResizing {
public:
    RecordingPane() : View(QRectF(0, 0, 300, 400)) { setFlipped(true); }
    void rearrangeViewWithDelta(double delta) override { deltas.push_back(delta); }
    std::vector<double> deltas;
};

Event mouse(EventType type, const View& view, const QPointF& point, double deltaY = 0)
{
    Event event;
    event.type = type;
    event.clickCount = type == EventType::LeftMouseDown ? 1 : 0;
    event.locationInWindow = view.convertPointToWindow(point);
    event.deltaY = deltaY;
    return event;
}

// Drags the bar by screen steps (positive is downwards).
void dragBy(ResizeView& handle, const std::vector<double>& steps)
{
    for (double dy : steps) handle.mouseDragged(mouse(EventType::LeftMouseDragged, handle, {150, 5}, -dy));
}

}  // namespace

TEST(ResizeViewTest, OnlyAPressInTheMiddleFiftyPointsStartsADrag)
{
    RecordingPane pane;
    auto* handle = new ResizeView(QRectF(0, 100, 300, 10));
    pane.addSubview(handle);
    handle->setParentView(&pane);
    handle->setMinY(30);
    handle->setMaxY(390);
    EXPECT_EQ(handle->rectForResize(), QRectF(125, 0, 50, 10));

    handle->mouseDown(mouse(EventType::LeftMouseDown, *handle, {124, 5}));
    EXPECT_FALSE(handle->isMoving());
    dragBy(*handle, {20});
    EXPECT_DOUBLE_EQ(handle->frame().y(), 100) << "a press outside the grip drags nothing";
    EXPECT_TRUE(pane.deltas.empty());

    handle->mouseDown(mouse(EventType::LeftMouseDown, *handle, {126, 5}));
    EXPECT_TRUE(handle->isMoving());
    dragBy(*handle, {20, -5});
    EXPECT_DOUBLE_EQ(handle->frame().y(), 115);
    EXPECT_EQ(pane.deltas, (std::vector<double>{20, -5}));
    handle->mouseUp(mouse(EventType::LeftMouseUp, *handle, {126, 5}));
    EXPECT_FALSE(handle->isMoving());
    EXPECT_EQ(View::currentCursorShape(), CursorShape::Arrow);
}

TEST(ResizeViewTest, TheBarStopsAtItsLimitsAndReportsOnlyTheDistanceMoved)
{
    RecordingPane pane;
    auto* handle = new ResizeView(QRectF(0, 100, 300, 10));
    pane.addSubview(handle);
    handle->setParentView(&pane);
    handle->setMinY(30);
    handle->setMaxY(150);
    handle->mouseDown(mouse(EventType::LeftMouseDown, *handle, {150, 5}));

    dragBy(*handle, {40, 40, 40});
    EXPECT_DOUBLE_EQ(handle->frame().y(), 150);
    EXPECT_EQ(pane.deltas, (std::vector<double>{40, 10, 0})) << "0 once pinned at maxY";

    pane.deltas.clear();
    dragBy(*handle, {-100, -100});
    EXPECT_DOUBLE_EQ(handle->frame().y(), 30);
    EXPECT_EQ(pane.deltas, (std::vector<double>{-100, -20}));

    // The clamp as a function: minY first, then maxY, which wins when the
    // limits cross.
    const struct {
        double y, dy, minY, maxY, expected;
    } cases[] = {
        {100, 5, 30, 150, 105}, {100, -90, 30, 150, 30}, {100, 90, 30, 150, 150},
        {100, 0, 200, 150, 150}, {100, qInf(), 30, 150, 100},
    };
    for (const auto& c : cases)
        EXPECT_DOUBLE_EQ(ResizeView::clampedY(c.y, c.dy, c.minY, c.maxY), c.expected) << c.y << " + " << c.dy;
}

TEST(ResizeViewTest, AParentThatIsNoResizablePaneSeesTheBarMoveAndNothingElse)
{
    View plain(QRectF(0, 0, 300, 400));
    plain.setFlipped(true);
    auto* handle = new ResizeView(QRectF(0, 100, 300, 10));
    plain.addSubview(handle);
    handle->setParentView(&plain);
    handle->setMinY(0);
    handle->setMaxY(390);
    const double listHeight = DayCalendarView::focusPaneListHeight();
    handle->mouseDown(mouse(EventType::LeftMouseDown, *handle, {150, 5}));
    dragBy(*handle, {25});
    EXPECT_DOUBLE_EQ(handle->frame().y(), 125);
    EXPECT_DOUBLE_EQ(DayCalendarView::focusPaneListHeight(), listHeight);
}

TEST(ResizeViewTest, DraggingTheFocusPaneHandleResizesTheListAndTheGrid)
{
    DayCalendarView day(QRectF(0, 0, 400, 700));
    const double before = DayCalendarView::focusPaneListHeight();
    ResizeView* handle = day.focusPaneView()->focusPaneResizeView();
    EXPECT_EQ(handle->parentView(), &day);
    EXPECT_DOUBLE_EQ(handle->minY(), 30);
    EXPECT_DOUBLE_EQ(handle->maxY(), 690);

    handle->mouseDown(mouse(EventType::LeftMouseDown, *handle, {200, 5}));
    dragBy(*handle, {30});
    handle->mouseUp(mouse(EventType::LeftMouseUp, *handle, {200, 5}));
    EXPECT_DOUBLE_EQ(DayCalendarView::focusPaneListHeight(), before + 30);
    EXPECT_DOUBLE_EQ(day.focusPaneView()->frame().height(), before + 30 + 40);
    EXPECT_DOUBLE_EQ(day.focusPaneView()->contentScrollView()->frame().height(), before + 30);
    DayCalendarView::setFocusPaneListHeight(before);
}
