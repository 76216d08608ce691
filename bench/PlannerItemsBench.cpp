// The planners' item views at their busiest: 500 chips and 500 hour-grid
// blocks made, given their items and painted; one press through the press
// decision; one edge-drag move of a block with its redraw.
#include "CustomNSView.h"
#include "Event.h"
#include "View.h"
#include "Font.h"
#include "Drawing.h"
#include "GregorianCalendar.h"
#include "PlannerItemRules.h"
#include "PlannerItemView.h"
#include "PlannerMonthView.h"
#include "PlannerWeekView.h"
#include "PlannerWeeklyItemView.h"
#include "Task.h"
#include "support/BenchDatabase.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

namespace {

constexpr int itemsOfEachKind = 500;

BenchDatabase& database()
{
    static BenchDatabase made;
    return made;
}

// Items of every kind the chips show, and timed events for the blocks.
TaskList benchItems(bool timed)
{
    TaskList items;
    for (int i = 0; i < itemsOfEachKind; ++i) {
        auto item = std::make_shared<Task>();
        item->setPrimaryKey(i + 1);
        item->setTaskType(timed ? 0 : i % 4);
        item->setIsADE(!timed && i % 4 == 0);
        item->setTaskName(QStringLiteral("Item %1 with a name").arg(i));
        item->setTaskLocation(timed ? QStringLiteral("Room %1").arg(i % 7) : QString());
        item->setCalendarId(1);
        const Date start = GregorianCalendar::dateFromFields(2026, 12, 7 + i % 7, i % 20, 0, 0);
        item->setStartTime(start);
        item->setEndTime(start.dateByAddingTimeInterval(3600));
        items.append(item);
    }
    return items;
}

// Where the i-th chip and block stand in their panes: both benchmarks below
// use the same places, so the floor is measured over the same overlaps.
QRectF chipFrame(int i) { return QRectF(15 + (i % 7) * 100, (i / 7) % 30 * 20, 100, 18); }
QRectF blockFrame(int i) { return QRectF(60 + (i % 7) * 100, 23 + (i % 20) * 47, 100, 47); }

// What a turn of the event loop does after a layout (the events the new
// views posted), then both panes painted onto a white canvas.
void paintPanes(QImage& canvas, QWidget& month, QWidget& grid)
{
    QCoreApplication::sendPostedEvents();
    canvas.fill(Qt::white);
    QPainter painter(&canvas);
    month.render(&painter);
    grid.render(&painter);
}

void BM_Make500ChipsAnd500BlocksAndPaint(benchmark::State& state)
{
    database();
    const TaskList chipItems = benchItems(false);
    const TaskList blockItems = benchItems(true);
    QImage canvas(730, 1175, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        PlannerMonthView month(QRectF(0, 0, 730, 600));
        WeeklyPane grid(QRectF(0, 0, 730, 1175));
        // On a screen, as a shown planner's panes are: a pane with none
        // looks for one under its middle at every view's paint.
        month.setScreen(QGuiApplication::primaryScreen());
        grid.setScreen(QGuiApplication::primaryScreen());
        for (int i = 0; i < itemsOfEachKind; ++i) {
            auto* chip = new PlannerItemView(chipFrame(i));
            chip->setParentView(&month);
            chip->setTask(chipItems[i]);
            month.addToTaskList(chip);
            auto* block = new PlannerWeeklyItemView(blockFrame(i));
            block->setParentView(&grid);
            block->setIsSquareBox(true);
            block->setTask(blockItems[i]);
            grid.addToTaskList(block);
        }
        paintPanes(canvas, month, grid);
    }
}
BENCHMARK(BM_Make500ChipsAnd500BlocksAndPaint)->Unit(benchmark::kMillisecond);

// The floor under the figure above: the same 1,000 views in two panes at the
// same places and sizes, on the same screen, as the kit's plainest views
// with nothing but the item's name drawn in the chips' font (one line for a
// chip, wrapped for a block). No icon, badge, tint, pattern or layout kept.
// One widget per item and its name cost this much before any of the items'
// own looks.
class NameOnlyView : public View {
public:
    NameOnlyView(const QRectF& frame, QString name, bool wrapped)
        : View(frame), m_name(std::move(name)), m_wrapped(wrapped)
    {
    }
    void drawRect(QPainter& painter, const QRectF&) override
    {
        static const Font font = Font::fontWithName(QStringLiteral("Lucida Grande"), 11);
        if (m_wrapped) Drawing::drawWrappedTextCut(painter, m_name, font, Qt::black, bounds().adjusted(4, 2, -4, -2));
        else Drawing::drawText(painter, m_name, font, Qt::black, bounds().adjusted(4, 2, -4, -2));
    }

private:
    QString m_name;
    bool m_wrapped;
};

void BM_Floor1000ViewsWithOnlyTheirNames(benchmark::State& state)
{
    database();
    const TaskList chipItems = benchItems(false);
    const TaskList blockItems = benchItems(true);
    QImage canvas(730, 1175, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        View month(QRectF(0, 0, 730, 600));
        View grid(QRectF(0, 0, 730, 1175));
        month.setScreen(QGuiApplication::primaryScreen());
        grid.setScreen(QGuiApplication::primaryScreen());
        for (int i = 0; i < itemsOfEachKind; ++i) {
            month.addSubview(new NameOnlyView(chipFrame(i),
                                              chipItems[i]->taskName(), false));
            grid.addSubview(new NameOnlyView(blockFrame(i),
                                             blockItems[i]->taskName() + QStringLiteral(" - ")
                                                 + blockItems[i]->taskLocation(),
                                             true));
        }
        paintPanes(canvas, month, grid);
    }
}
BENCHMARK(BM_Floor1000ViewsWithOnlyTheirNames)->Unit(benchmark::kMillisecond);

void BM_PressDecision(benchmark::State& state)
{
    PlannerItemRules::Press press;
    press.size = QSizeF(100, 47);
    press.item = {0, false, false};
    press.timestamp = 10.5;
    press.lastMouseDown = 10;
    double y = 0;
    for (auto _ : state) {
        press.point = QPointF(50, y);
        y = y > 46 ? 0 : y + 0.7;
        benchmark::DoNotOptimize(PlannerItemRules::decidePress(press));
    }
}
BENCHMARK(BM_PressDecision);

void BM_BlockEdgeDragMoveWithRedraw(benchmark::State& state)
{
    database();
    WeeklyPane grid(QRectF(0, 0, 730, 1175));
    auto* block = new PlannerWeeklyItemView(QRectF(60, 23 + 9 * 47, 100, 94));
    block->setParentView(&grid);
    block->setIsSquareBox(true);
    block->setTask(benchItems(true).front());
    grid.addToTaskList(block);
    Event press;
    press.type = EventType::LeftMouseDown;
    press.locationInWindow = block->convertPointToWindow(QPointF(50, 91));
    press.clickCount = 1;
    press.timestamp = 1;
    block->mouseDown(press);
    Event drag;
    drag.type = EventType::LeftMouseDragged;
    QImage canvas(100, 200, QImage::Format_ARGB32_Premultiplied);
    int step = 0;
    for (auto _ : state) {
        drag.deltaY = (step++ % 20) < 10 ? -1 : 1;
        block->mouseDragged(drag);
        QPainter painter(&canvas);
        block->render(&painter);
    }
}
BENCHMARK(BM_BlockEdgeDragMoveWithRedraw)->Unit(benchmark::kMicrosecond);

}  // namespace
