// The day grid under a drag: one update of a drag over it (acceptance, look
// and time), one move of the working-hours band's edge with its redraw, and
// a drop that reorders 50 planned tasks.
#include "CalendarView.h"
#include "Clock.h"
#include "CoreData.h"
#include "CustomNSView.h"
#include "DragSource.h"
#include "GregorianCalendar.h"
#include "MonthCalendarView.h"
#include "MonthView.h"
#include "Setting.h"
#include "Task.h"
#include "TaskView.h"
#include "TimeManagerView.h"
#include "TimeSlotObject.h"
#include "Utilities.h"
#include "support/BenchDatabase.h"
#include "support/PostedEvents.h"

#include <QApplication>
#include <QDropEvent>
#include <QImage>
#include <QMimeData>
#include <QMouseEvent>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>

namespace {

constexpr int plannedTasks = 50;

Date theDay() { return GregorianCalendar::dateFromFields(2026, 12, 7, 0, 0, 0); }

// 50 stored tasks planned on the shown day (today), a quarter hour each.
class DropsDatabase : public BenchDatabase {
public:
    DropsDatabase()
    {
        Clock::setFixed(theDay().dateByAddingTimeInterval(6 * 3600));
        CoreData* manager = &dataManager();
        if (const SettingPtr setting = manager->currentSetting()) setting->setShowTask(1);
        exec("BEGIN");
        for (int i = 0; i < plannedTasks; ++i) {
            auto task = std::make_shared<Task>();
            task->setTaskType(1);
            task->setTaskName(QStringLiteral("Task %1").arg(i));
            task->setCalendarId(1);
            task->setHasDuration(1);
            task->setDuration(15);
            task->setTaskOrder(i);
            if (!task->insertAndDehydrate()) std::exit(1);
            tasks.append(task);
        }
        exec("COMMIT");
        TimeSlotObject slot;
        slot.setStartTimeInMinutes(7 * 60);
        slot.setEndTimeInMinutes(21 * 60);
        const QString weekday = Utilities::getWeekDayName(theDay());
        manager->setSevenDaysTaskList(CoreData::WeekdayTaskLists{{weekday, tasks}});
        manager->setSevenDaysOpenTimeSlotsList(CoreData::WeekdayTimeSlots{{weekday, {slot}}});
    }
    TaskList tasks;
};

DropsDatabase& database()
{
    static DropsDatabase made;
    return made;
}

struct Grid {
    MonthView monthView{QRectF(0, 0, 280, 243)};
    CalendarView grid{QRectF(0, 0, 500, 700)};
    Grid()
    {
        grid.setMonthView(&monthView);
        monthView.monthCalendarView()->setCurrentDay(theDay(), false);
        grid.reloadData();
    }
};

// Runs body while a drag of the item from the view is under way.
void whileDragging(View* source, const TaskPtr& item, const std::function<void(const QMimeData&)>& body)
{
    struct Ending : DraggingSource {
        void draggingEnded(const QPointF&, unsigned) override {}
    } ending;
    DragSource::setRunner([&](DragSource::Drag& drag) {
        body(*drag.payload);
        return DragSource::Outcome{DragOperationNone, {}};
    });
    auto payload = std::make_unique<QMimeData>();
    Task::writeItemsToPasteboard(*payload, TaskList{item});
    QImage image(186, 46, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::gray);
    Event press;
    press.type = EventType::LeftMouseDown;
    press.clickCount = 1;
    press.locationInWindow = source->convertPointToWindow(QPointF(10, 10));
    DragSource::beginDrag(source, &ending, std::move(payload), image, QPointF(0, 46), press, DragOperationGeneric);
    DragSource::setRunner({});
}

void BM_DragUpdateOverTheGrid(benchmark::State& state)
{
    DropsDatabase& data = database();
    Grid grid;
    TaskView* piece = grid.grid.taskPieces().front();
    whileDragging(piece, data.tasks.front(), [&](const QMimeData& payload) {
        QDragEnterEvent enter(QPoint(200, 300), Qt::MoveAction, &payload, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&grid.grid, &enter);
        int x = 40;
        for (auto _ : state) {
            // Back and forth across the task zone's edge: the look changes every time.
            x = x == 40 ? 200 : 40;
            QDragMoveEvent move(QPoint(x, 300), Qt::MoveAction, &payload, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(&grid.grid, &move);
            benchmark::DoNotOptimize(move.isAccepted());
        }
        QDragLeaveEvent leave;
        QApplication::sendEvent(&grid.grid, &leave);
    });
}
BENCHMARK(BM_DragUpdateOverTheGrid)->Unit(benchmark::kMicrosecond);

void BM_BandEdgeDragMoveAndRedraw(benchmark::State& state)
{
    database();
    Grid grid;
    TimeManagerView& band = *grid.grid.timeManagerView();
    QImage target(band.size(), QImage::Format_ARGB32_Premultiplied);
    const auto send = [&band](QEvent::Type type, const QPointF& point, Qt::MouseButtons buttons) {
        QMouseEvent event(type, point, band.mapToGlobal(point), Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(&band, &event);
    };
    double y = band.endEdge() + 2;
    send(QEvent::MouseButtonPress, QPointF(100, y), Qt::LeftButton);
    double step = 1;
    for (auto _ : state) {
        y += step;
        send(QEvent::MouseMove, QPointF(100, y), Qt::LeftButton);
        const QRect dirty(0, int(band.endEdge()) - 12, band.width(), 24);
        band.render(&target, dirty.topLeft(), QRegion(dirty));
        step = -step;
    }
    // Released without saving: the bench leaves the stored hours alone.
    benchmark::DoNotOptimize(band.endEdge());
}
BENCHMARK(BM_BandEdgeDragMoveAndRedraw)->Unit(benchmark::kMicrosecond);

void BM_ReorderDropAmong50PlannedTasks(benchmark::State& state)
{
    DropsDatabase& data = database();
    Grid grid;
    TaskView* first = grid.grid.taskPieces().front();
    grid.grid.selectTask(first);
    grid.grid.draggingTask(first);
    const QPoint bottom = grid.grid.contentView()->mapTo(&grid.grid, QPoint(200, 1120)) + QPoint(10, 10);
    whileDragging(first, data.tasks.front(), [&](const QMimeData& payload) {
        for (auto _ : state) {
            QDragEnterEvent enter(bottom, Qt::MoveAction, &payload, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(&grid.grid, &enter);
            // The first task moves behind the 49 others: 50 orders written.
            QDropEvent drop(QPointF(bottom), Qt::MoveAction, &payload, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(&grid.grid, &drop);
            deliverPostedEvents();
        }
    });
}
BENCHMARK(BM_ReorderDropAmong50PlannedTasks)->Unit(benchmark::kMillisecond);

}  // namespace
