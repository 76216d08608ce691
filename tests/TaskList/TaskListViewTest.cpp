// The task pane: its filter segments and what each sets, the task-list
// state the data manager reads, and the resize grip.
#include "TaskListPaneFixture.h"

#include "Clicks.h"
#include "Color.h"
#include "TaskListItemView.h"

#include <QApplication>

namespace {

Event gripEvent(View& view, EventType type, const QPointF& point, double deltaY = 0)
{
    Event event;
    event.type = type;
    event.clickCount = type == EventType::LeftMouseDown ? 1 : 0;
    event.locationInWindow = view.convertPointToWindow(point);
    event.deltaY = deltaY;
    return event;
}

}  // namespace

TEST_F(TaskPaneTest, OpensOnAllAndTheSegmentsSetTheFilterAndTheForcedOrder)
{
    EXPECT_EQ(pane().filterBtn()->selectedSegment(), 0);
    EXPECT_EQ(pane().filterIndex(), 0);
    EXPECT_EQ(pane().filterBtn()->segmentCount(), 6);
    for (int segment = 0; segment < 6; ++segment)
        EXPECT_EQ(pane().filterBtn()->tagForSegment(segment), TaskListView::filterTags[segment]);

    chooseSegment(3);
    EXPECT_TRUE(pane().forceSort());
    EXPECT_EQ(pane().filterIndex(), 4);
    EXPECT_EQ(pane().todayTaskFilterIndex(), 4);
    EXPECT_EQ(dataManager().taskFilterMenuIndex(), 4u);
    chooseSegment(0);
    EXPECT_FALSE(pane().forceSort());
    chooseSegment(3);
    chooseSegment(2);
    EXPECT_FALSE(pane().forceSort());
    EXPECT_EQ(pane().reloadCount(), 4);

    // The data manager reads the pane: a task added now comes out starred.
    auto added = std::make_shared<Task>();
    added->setTaskType(1);
    added->setTaskName(QStringLiteral("Added"));
    dataManager().setModifyingTask(added);
    ASSERT_TRUE(dataManager().addNewTask());
    EXPECT_EQ(added->isPinned(), 1);
}

TEST_F(TaskPaneTest, TheGripResizesWithinItsBoundsAndDrawsTheDraggedEdge)
{
    const double height = pane().bounds().height();
    pane().mouseDown(gripEvent(pane(), EventType::LeftMouseDown, QPointF(100, height - 6)));
    EXPECT_FALSE(pane().isMoving());
    pane().mouseDown(gripEvent(pane(), EventType::LeftMouseDown, QPointF(100, height - 3)));
    ASSERT_TRUE(pane().isMoving());

    pane().mouseDragged(gripEvent(pane(), EventType::LeftMouseDragged, QPointF(100, 10), 1000));
    EXPECT_EQ(pane().frame().height(), 31);
    pane().mouseDragged(gripEvent(pane(), EventType::LeftMouseDragged, QPointF(100, 10), -100));
    EXPECT_EQ(pane().frame().height(), 131);
    EXPECT_EQ(pane().tableScrollView()->frame().height(), 100);
    pane().mouseDragged(gripEvent(pane(), EventType::LeftMouseDragged, QPointF(100, 10), -5000));
    EXPECT_EQ(pane().frame().height(), 600);
    EXPECT_EQ(View::currentCursorShape(), CursorShape::ResizeUpDown);

    const auto bottomPixel = [&] {
        QImage image = pane().snapshot();
        return image.pixelColor(image.width() / 2, image.height() - 1);
    };
    EXPECT_EQ(bottomPixel(), QColor(Qt::black));
    pane().mouseUp(gripEvent(pane(), EventType::LeftMouseUp, QPointF(100, 10)));
    EXPECT_FALSE(pane().isMoving());
    EXPECT_EQ(bottomPixel(), Color::lightGray());
    EXPECT_EQ(pane().trackRect(), QRectF(0, 595, 280, 5));
}

// The strips that mark the first and last rows the list shows lie over
// those rows: a real click, delivered to whatever is under the pointer,
// must still reach the row, once or twice.
TEST_F(TaskPaneTest, TheRowsUnderTheAnchorStripsTakeClicksAndDoubleClicks)
{
    TaskList items;
    for (int i = 0; i < 20; ++i) items.append(ordered(QStringLiteral("T%1").arg(i, 2, 10, QChar(u'0')), i + 1));
    pane().reloadTaskIfNeeded();
    pane().show();
    QApplication::processEvents();
    struct Case {
        const char* strip;
        View* over;
    };
    const Case cases[] = {{"top", pane().topItemTemp()}, {"bottom", pane().bottomItemTemp()}};
    int opened = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.strip);
        const QPoint point = Clicks::inWindow(c.over, QRectF(c.over->rect()).center());
        const int row = list().rowAtPoint(QPointF(list().mapFrom(&pane(), point)));
        ASSERT_GE(row, 0);
        ASSERT_NE(Clicks::widgetAt(&pane(), point), c.over) << "the strip lets the press through";

        Clicks::click(&pane(), point);
        m_scheduler.advance(1);  // the single-click timer
        EXPECT_EQ(list().selectedRowIndexes(), std::vector<int>{row});

        Clicks::doubleClick(&pane(), point);
        ASSERT_NE(list().detailViewController(), nullptr);
        EXPECT_EQ(list().detailViewController()->requestCount(), ++opened);
        auto* shown = qobject_cast<TaskListItemView*>(list().itemAtRow(row));
        ASSERT_NE(shown, nullptr);
        EXPECT_EQ(list().detailViewController()->lastRequest().item, shown->task());
        m_scheduler.advance(1);
    }
}
