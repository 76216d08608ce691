// A task of the task list dropped on a day of a planner: once the change's
// reload has run, the task list shows what a window built afresh shows.
#include "MainView.h"
#include "MainViewHeight.h"

#include "../Model/ModelTestFixture.h"
#include "../Utilities/DateTestSupport.h"
#include "AlertResponse.h"
#include "Button.h"
#include "Clock.h"
#include "DragSource.h"
#include "Event.h"
#include "InfoListItemView.h"
#include "ListModuleView.h"
#include "ManualScheduler.h"
#include "PlannerCellView.h"
#include "PlannerMonthView.h"
#include "PlannerPane.h"
#include "PlannerWeekView.h"
#include "Scheduler.h"
#include "ScriptedAlertPresenter.h"
#include "Setting.h"
#include "Task.h"
#include "TaskListItemView.h"
#include "TaskListState.h"
#include "TaskListTableView.h"
#include "TaskListView.h"
#include "TestEnvironment.h"
#include "TextField.h"
#include "Utilities.h"

#include <QApplication>
#include <QDropEvent>
#include <QMimeData>

#include <gtest/gtest.h>

#include <memory>

namespace DropRefreshTests {

namespace {

constexpr double W = 1400;
constexpr double H = 800;

class DropRefreshTest : public ModelTest {
public:
    void SetUp() override
    {
        ModelTest::SetUp();
        dataManager().setCurrentSetting(Setting::initWithPrimaryKey(1, db()));
        ASSERT_TRUE(dataManager().currentSetting());
        dataManager().doWithCalendarList(dataManager().getCalendarList(), 2);
        Scheduler::setCurrent(&scheduler);
        AlertPresenter::setCurrent(&alerts);
        m_previousHeight = mainViewHeight;
        mainViewHeight = quint64(H);
        Clock::setFixed(localDate(2026, 12, 9, 10));
        setting().setWeekStartDay(0);
        setting().setShowWarningChangeDeadlineTask(1);
        setting().setShowTask(1);
        setting().setMustDo(2);
        QVariantMap hours;
        for (const QString& key : Setting::dayManagerKeys())
            hours.insert(key, key.endsWith(QStringLiteral("EndTime")) ? 1080 : 480);
        setting().setDayManagers(hours);
    }
    void TearDown() override
    {
        m_window.reset();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        AlertPresenter::setCurrent(nullptr);
        Scheduler::setCurrent(nullptr);
        mainViewHeight = m_previousHeight;
        ModelTest::TearDown();
    }
    Setting& setting() { return *dataManager().currentSetting(); }

    MainView* open(View& window)
    {
        auto* view = new MainView(QRectF(0, 0, W, H), &window);
        MainView::setCurrent(view);
        window.show();
        processEventsUntil([view] { return view->isWindowVisible(); });
        view->showHideBtn()->setState(1);
        return view;
    }
    TaskPtr task(const QString& name, qint64 order, const Date& due = Date())
    {
        auto made = std::make_shared<Task>();
        made->setTaskType(1);
        made->setTaskName(name);
        made->setCalendarId(1);
        made->setHasDuration(1);
        made->setDuration(120);
        made->setTaskOrder(order);
        if (due.isValid()) {
            made->setHasDue(1);
            made->setDueEnd(due);
        }
        EXPECT_TRUE(made->insertIntoDatabase() && made->dehydrate());
        dataManager().doWithAllTasksEventsAdes(TaskList{made}, 0);
        return made;
    }
    // The task list's headers and rows, in order.
    static QStringList listed(MainView& view)
    {
        QStringList shown;
        TaskListTableView& list = *view.listModuleView()->taskListView()->taskListTableView();
        for (int index = 0; index < list.numberOfRows(); ++index) {
            TableRowView* row = list.itemAtRow(index);
            if (auto* header = qobject_cast<InfoListItemView*>(row))
                shown << QStringLiteral("header ") + header->leftTextField()->stringValue();
            else if (auto* item = qobject_cast<TaskListItemView*>(row))
                shown << QStringLiteral("row %1 due %2").arg(item->taskName()->stringValue()).arg(item->typeOfDue());
        }
        return shown;
    }
    // The item dragged from the task list and dropped on the view.
    static bool dropFromTheList(MainView& view, const TaskPtr& item, QWidget* target)
    {
        auto payload = std::make_unique<QMimeData>();
        Task::writeItemsToPasteboard(*payload, TaskList{item});
        bool accepted = false;
        DragSource::setRunner([&](DragSource::Drag& running) {
            QDragEnterEvent enter(QPoint(20, 30), Qt::MoveAction, running.payload.get(), Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(target, &enter);
            QDropEvent dropped(QPointF(20, 30), Qt::MoveAction, running.payload.get(), Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(target, &dropped);
            accepted = dropped.isAccepted();
            return DragSource::Outcome{accepted ? DragOperationGeneric : DragOperationNone, {}};
        });
        struct Ending : DraggingSource {
            void draggingEnded(const QPointF&, unsigned) override {}
        } ending;
        Event press;
        press.type = EventType::LeftMouseDown;
        press.clickCount = 1;
        QImage image(20, 10, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::gray);
        DragSource::beginDrag(view.listModuleView()->taskListView()->taskListTableView(), &ending, std::move(payload),
                              image, QPointF(0, 10), press, DragOperationGeneric);
        DragSource::setRunner({});
        return accepted;
    }

    ManualScheduler scheduler;
    ScriptedAlertPresenter alerts;
    quint64 m_previousHeight = 0;
    std::unique_ptr<View> m_window;
};

}  // namespace

TEST_F(DropRefreshTest, ATaskDroppedOnAPlannerDayLeavesTheListAsAFreshWindowShowsIt)
{
    const struct {
        const char* name;
        bool week;
        Date day;
    } drops[] = {
        {"on 23 December in the month planner", false, localDate(2026, 12, 23)},
        {"on 12 December in the week planner", true, localDate(2026, 12, 12)},
    };
    for (const auto& drop : drops) {
        SCOPED_TRACE(drop.name);
        // Today's hours are full: the task due today comes first as a must-do.
        TaskList made;
        for (int i = 0; i < 6; ++i) made.append(task(QStringLiteral("Plain %1").arg(i), i + 1));
        const TaskPtr dueToday = task(QStringLiteral("Due today"), 10, localDate(2026, 12, 9, 17));
        made.append(dueToday);

        m_window = std::make_unique<View>(QRectF(0, 0, W, H));
        MainView& view = *open(*m_window);
        if (drop.week)
            view.weekPlannerShowHide();
        else
            view.monthPlannerShowHide();
        view.reloadData();
        QApplication::processEvents();
        view.monthPlannerView()->grab();
        view.weekPlannerView()->grab();
        QApplication::processEvents();
        const QStringList before = listed(view);

        PlannerCellView* cell = nullptr;
        QWidget* planner = drop.week ? static_cast<QWidget*>(view.weekPlannerView()->plannerPane()) : view.monthPlannerView();
        for (PlannerCellView* candidate : planner->findChildren<PlannerCellView*>())
            if (candidate->isVisible() && Utilities::compareDateNoTime(candidate->cellDate(), drop.day) == 0)
                cell = candidate;
        ASSERT_NE(cell, nullptr);
        alerts.scriptButton(AlertResponse::firstButton);  // the deadline's question: move it
        ASSERT_TRUE(dropFromTheList(view, dueToday, cell));
        QApplication::processEvents();
        scheduler.advance(0.6);
        QApplication::processEvents();
        const QStringList refreshed = listed(view);

        View freshWindow(QRectF(0, 0, W, H));
        MainView& fresh = *open(freshWindow);
        fresh.reloadData();
        const QStringList expected = listed(fresh);
        MainView::setCurrent(&view);
        TaskListState::setCurrent(view.listModuleView()->taskListView());
        EXPECT_NE(before, expected) << "the drop moves the task in the list";
        EXPECT_EQ(refreshed.join(QLatin1Char('\n')).toStdString(), expected.join(QLatin1Char('\n')).toStdString());
        for (const TaskPtr& item : made) ASSERT_TRUE(item->deleteFromDatabase());
        m_window.reset();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

}  // namespace DropRefreshTests
