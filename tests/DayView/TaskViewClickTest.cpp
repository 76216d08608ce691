#include "TaskViewTestFixture.h"

#include "DetailViewController.h"
#include "DragSource.h"
#include "Menu.h"
#include "TextTable.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QStyleHints>

namespace TaskViewClickTestCases {

namespace TaskViewClickTests {

namespace {

class TaskViewClickTest : public TaskViewTest {
protected:
    double doubleClickSeconds() const { return QGuiApplication::styleHints()->mouseDoubleClickInterval() / 1000.0; }
};

// Plays drags: records what the drag carried and named, and ends it as told.
struct DragRecorder {
    explicit DragRecorder(unsigned ending = DragOperationGeneric)
    {
        DragSource::setRunner([this, ending](DragSource::Drag& drag) {
            ++runs;
            source = DragSource::currentSource();
            hotSpot = drag.hotSpot;
            imageSize = drag.image.size();
            items = Task::readItemsFromPasteboard(*drag.payload);
            return DragSource::Outcome{ending, {}};
        });
    }
    ~DragRecorder() { DragSource::setRunner({}); }
    int runs = 0;
    View* source = nullptr;
    QPointF hotSpot;
    QSize imageSize;
    TaskList items;
};

// A box that counts what reaches its delete command.
class CountingTaskView : public TaskView {
public:
    using TaskView::TaskView;
    void applyDelete() override { ++deletes; }
    int deletes = 0;
};

void pressKey(QWidget* widget, int key)
{
    QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

}  // namespace

TEST_F(TaskViewClickTest, ASingleClickOnlySelects)
{
    DragRecorder drags;
    const TaskPtr item = storedEvent(QStringLiteral("Standup"), at(9), at(10));
    TaskView* box = placeEvent(item, 9, 10);
    Pointer mouse(box);
    mouse.press({60, 20});
    mouse.release();

    EXPECT_EQ(m_grid->selectedItem(), box);
    EXPECT_TRUE(m_mainView->calls().contains(QStringLiteral("clearHighlight TaskView")));
    EXPECT_GT(box->lastMouseDown(), 0) << "waiting for a second click";
    EXPECT_FALSE(box->isHoldTimerPending()) << "the release cancels the hold";
    m_scheduler.advance(1);
    EXPECT_EQ(box->lastMouseDown(), 0);
    EXPECT_EQ(drags.runs, 0);
    EXPECT_EQ(box->detailViewController(), nullptr) << "no editor";
    EXPECT_FALSE(box->isStartTimeMoving() || box->isEndTimeMoving());
}

TEST_F(TaskViewClickTest, ADoubleClickOpensTheEditorOnlyWithinTheInterval)
{
    DragRecorder drags;
    const TaskPtr item = storedEvent(QStringLiteral("Standup"), at(9), at(10));
    TaskView* box = placeEvent(item, 9, 10);
    Pointer mouse(box);
    mouse.press({60, 20}, 1000);
    mouse.release();
    m_scheduler.advance(doubleClickSeconds() / 2);
    mouse.press({60, 20}, 1000 + ulong(doubleClickSeconds() * 500));
    EXPECT_FALSE(box->isHoldTimerPending()) << "a second click never starts a drag";
    mouse.release();

    ASSERT_NE(box->detailViewController(), nullptr);
    const auto& request = box->detailViewController()->lastRequest();
    EXPECT_EQ(request.request, DetailViewController::Request::EventEditor);
    EXPECT_EQ(request.item, item);
    EXPECT_EQ(request.positioningView, box);
    EXPECT_EQ(box->lastMouseDown(), 0);
    m_scheduler.advance(1);
    EXPECT_EQ(drags.runs, 0);
    EXPECT_EQ(box->detailViewController()->requestCount(), 1);

    // Two clicks further apart than the interval are two single clicks.
    TaskView* other = placeEvent(storedEvent(QStringLiteral("Lunch"), at(12), at(13)), 12, 13);
    Pointer second(other);
    second.press({60, 20}, 10000);
    second.release();
    m_scheduler.advance(doubleClickSeconds() + 0.1);
    second.press({60, 20}, 10000 + ulong(doubleClickSeconds() * 1000) + 100);
    second.release();
    EXPECT_EQ(other->detailViewController(), nullptr);
}

TEST_F(TaskViewClickTest, HoldingTheButtonStartsADragOfTheItem)
{
    DragRecorder drags;
    const TaskPtr item = storedEvent(QStringLiteral("Workshop"), at(9), at(11));
    TaskView* box = placeEvent(item, 9, 11);
    Pointer mouse(box);
    mouse.press({40, 30});
    m_scheduler.advance(0.29);
    EXPECT_EQ(drags.runs, 0);
    m_scheduler.advance(0.02);

    ASSERT_EQ(drags.runs, 1);
    EXPECT_EQ(drags.source, box) << "the kit names the box as the drag's source";
    ASSERT_EQ(drags.items.size(), 1) << "the payload decodes to the item";
    EXPECT_EQ(drags.items.front()->primaryKey(), item->primaryKey());
    EXPECT_EQ(drags.items.front()->startTime(), at(9));
    EXPECT_EQ(drags.hotSpot, QPointF(40, 30)) << "the image is the box, held where it was pressed";
    EXPECT_EQ(drags.imageSize, QSize(200, 92));
    EXPECT_EQ(m_grid->draggingSize(), QSizeF(186, 92));
    EXPECT_FALSE(box->isHoldTimerPending());
    EXPECT_EQ(DragSource::currentSource(), nullptr);

    // Released in time, no drag; an edge press never arms one.
    TaskView* other = placeEvent(storedEvent(QStringLiteral("Lunch"), at(12), at(13)), 12, 13);
    Pointer quick(other);
    quick.press({40, 20});
    m_scheduler.advance(0.2);
    quick.release();
    m_scheduler.advance(1);
    quick.press({40, 2});
    EXPECT_FALSE(other->isHoldTimerPending());
    m_scheduler.advance(1);
    quick.release();
    EXPECT_EQ(drags.runs, 1);
}

TEST_F(TaskViewClickTest, ADragDroppedNowhereRebuildsTheGrid)
{
    DragRecorder drags(DragOperationNone);
    storedEvent(QStringLiteral("Workshop"), at(9), at(11));
    m_grid->reloadData();
    ASSERT_FALSE(m_grid->eventBoxes().empty());
    const QPointer<TaskView> box = m_grid->eventBoxes().front();
    ASSERT_TRUE(box);
    Pointer mouse(box);
    mouse.press({40, 30});
    m_scheduler.advance(0.3);
    ASSERT_EQ(drags.runs, 1);
    const auto& boxes = m_grid->eventBoxes();
    EXPECT_TRUE(std::find(boxes.begin(), boxes.end(), box) == boxes.end()) << "the boxes were made again";
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(box) << "the old box went once its handler was done";
}

TEST_F(TaskViewClickTest, DeleteReachesTheItemOnlyWhileTheBoxIsSelected)
{
    const TaskPtr item = storedEvent(QStringLiteral("Standup"), at(9), at(10));
    auto* box = place<CountingTaskView>(item, true, QRectF(55, yOf(9), 200, 46));
    pressKey(box, Qt::Key_Delete);
    pressKey(box, Qt::Key_Backspace);
    EXPECT_EQ(box->deletes, 0);
    box->setHighlight(true);
    pressKey(box, Qt::Key_A);
    EXPECT_EQ(box->deletes, 0) << "other keys do nothing";
    pressKey(box, Qt::Key_Delete);
    pressKey(box, Qt::Key_Backspace);
    EXPECT_EQ(box->deletes, 2);
    box->setHighlight(false);
    pressKey(box, Qt::Key_Delete);
    EXPECT_EQ(box->deletes, 2);
}

TEST_F(TaskViewClickTest, TheItemMenuShowsOnlyForTheSelectedBoxAndRunsTheBoxsCommands)
{
    const TaskPtr item = storedEvent(QStringLiteral("Standup"), at(9), at(10));
    auto* box = place<CountingTaskView>(item, true, QRectF(55, yOf(9), 200, 46));
    EXPECT_EQ(box->menuForEvent(Event()).numberOfItems(), 0);
    box->setHighlight(true);
    const Menu menu = box->menuForEvent(Event());
    ASSERT_GT(menu.numberOfItems(), 0);

    const auto run = [&menu](const QString& title) {
        for (const MenuItem& row : menu.items())
            if (row.title == title) {
                EXPECT_TRUE(row.isEnabled()) << title.toStdString();
                if (row.action) row.action();
                return true;
            }
        return false;
    };
    ASSERT_TRUE(run(TextTable::localizedString(QStringLiteral("menuEdit"))));
    ASSERT_NE(box->detailViewController(), nullptr);
    EXPECT_EQ(box->detailViewController()->lastRequest().request, DetailViewController::Request::EventEditor);
    ASSERT_TRUE(run(TextTable::localizedString(QStringLiteral("menuDelete"))));
    EXPECT_EQ(box->deletes, 1);
}

TEST_F(TaskViewClickTest, ARightClickSelectsTheBoxAndOpensTheItemMenu)
{
    const TaskPtr item = storedEvent(QStringLiteral("Standup"), at(9), at(10));
    TaskView* box = placeEvent(item, 9, 10);
    for (const Qt::KeyboardModifiers modifiers : {Qt::KeyboardModifiers(), Qt::KeyboardModifiers(Qt::ControlModifier)}) {
        m_grid->selectTask(nullptr);
        const QPointF point(60, 20);
        const Qt::MouseButton button = modifiers ? Qt::LeftButton : Qt::RightButton;
        QMouseEvent press(QEvent::MouseButtonPress, point, box->mapToGlobal(point), button, button, modifiers);
        QApplication::sendEvent(box, &press);
        EXPECT_EQ(m_grid->selectedItem(), box);
        QMenu* shown = nullptr;
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* menu = qobject_cast<QMenu*>(widget); menu && menu->isVisible()) shown = menu;
        ASSERT_NE(shown, nullptr) << "with modifiers " << int(modifiers);
        EXPECT_FALSE(shown->actions().isEmpty());
        EXPECT_FALSE(box->isHoldTimerPending()) << "a right click never drags";
        shown->close();
        QMouseEvent release(QEvent::MouseButtonRelease, point, box->mapToGlobal(point), button, Qt::NoButton,
                            modifiers);
        QApplication::sendEvent(box, &release);
    }
}

}  // namespace TaskViewClickTests

}  // namespace TaskViewClickTestCases
