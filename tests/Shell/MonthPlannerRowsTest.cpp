// The month planner in the main window lays its day cells out for the rows
// of the month it shows, whichever way the month was reached: a month of
// six week rows shown first, then one of five.
#include "MainView.h"
#include "MainViewHeight.h"

#include "../Model/ModelTestFixture.h"
#include "../Utilities/DateTestSupport.h"
#include "Clock.h"
#include "DragSource.h"
#include "Event.h"
#include "KeyedArchive.h"
#include "PlannerWeekView.h"
#include "ManualScheduler.h"
#include "MonthCalendarView.h"
#include "MonthCellView.h"
#include "MonthNavigation.h"
#include "MonthView.h"
#include "PlannerCellView.h"
#include "PlannerMonthView.h"
#include "Scheduler.h"
#include "Screenshot.h"
#include "ScriptedAlertPresenter.h"
#include "Setting.h"
#include "Task.h"
#include "TestEnvironment.h"
#include "Utilities.h"

#include <QApplication>
#include <QDropEvent>
#include <QMimeData>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace MonthPlannerRowsTests {

namespace {

constexpr double W = 1200;
constexpr double H = 800;

class MonthPlannerRowsTest : public ModelTest {
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
        setting().setShowWarningChangeDeadlineTask(0);
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

    MainView& openMainView()
    {
        m_window = std::make_unique<View>(QRectF(0, 0, W, H));
        m_view = new MainView(QRectF(0, 0, W, H), m_window.get());
        MainView::setCurrent(m_view);
        m_window->show();
        processEventsUntil([this] { return m_view->isWindowVisible(); });
        return *m_view;
    }
    MonthCalendarView& miniMonth() { return *m_view->monthView()->monthCalendarView(); }
    PlannerMonthView& planner() { return *m_view->monthPlannerView(); }
    // What the window does between two inputs: the posted work, then a drawing.
    void settle()
    {
        QApplication::processEvents();
        planner().grab();
        QApplication::processEvents();
    }
    void showMonth(const Date& day)
    {
        miniMonth().setMonthDate(day);
        miniMonth().setCurrentDay(day, false);
    }

    ManualScheduler scheduler;
    ScriptedAlertPresenter alerts;
    quint64 m_previousHeight = 0;
    std::unique_ptr<View> m_window;
    MainView* m_view = nullptr;
};

}  // namespace

TEST_F(MonthPlannerRowsTest, EveryWayIntoThePlannerLaysTheCellsOutForTheRowsOfItsMonth)
{
    const Date december = localDate(2026, 12, 9);
    const struct {
        const char* name;
        std::function<void(MonthPlannerRowsTest&)> reachDecember;
    } ways[] = {
        {"the mini month in the day view, then the planner button",
         [&](MonthPlannerRowsTest& t) {
             t.m_view->dayShowHide();
             t.settle();
             t.m_view->monthView()->gotoPreviousMonth();
             t.settle();
             t.m_view->monthPlannerShowHide();
         }},
        {"the switch to the day and back, the mini month set meanwhile",
         [&](MonthPlannerRowsTest& t) {
             t.m_view->viewNavControl(0);
             t.showMonth(december);
             t.m_view->viewNavControl(2);
         }},
        {"a day of the navigator",
         [&](MonthPlannerRowsTest& t) {
             for (MonthView* month : t.m_view->monthNav()->monthList())
                 for (MonthCellView* cell : month->monthCalendarView()->monthCellList())
                     if (!cell->isHidden() && cell->cellDate() == december) {
                         cell->mouseDown(Event());
                         return;
                     }
             ADD_FAILURE() << "no navigator cell of 9 December";
         }},
        {"the planner's previous button", [](MonthPlannerRowsTest& t) { t.planner().nextPrevMonth(0); }},
        {"a drop on a day of the month before, and the reload after it",
         [&](MonthPlannerRowsTest& t) {
             auto note = std::make_shared<Task>();
             note->setTaskType(3);
             note->setTaskName(QStringLiteral("Note"));
             note->setCalendarId(1);
             note->setStartTime(localDate(2027, 1, 5, 9));
             ASSERT_TRUE(note->insertIntoDatabase() && note->dehydrate());
             PlannerCellView* target = nullptr;
             for (int i = 0; i < PlannerMonthView::cellCount; ++i)
                 if (!t.planner().cell(i)->isHidden() && Utilities::compareDateNoTime(t.planner().cell(i)->cellDate(), localDate(2026, 12, 28)) == 0)
                     target = t.planner().cell(i);
             ASSERT_NE(target, nullptr);
             auto payload = std::make_unique<QMimeData>();
             Task::writeItemsToPasteboard(*payload, TaskList{note});
             bool accepted = false;
             DragSource::setRunner([&](DragSource::Drag& running) {
                 QDragEnterEvent enter(QPoint(30, 40), Qt::MoveAction, running.payload.get(), Qt::LeftButton,
                                       Qt::NoModifier);
                 QApplication::sendEvent(target, &enter);
                 QDropEvent dropped(QPointF(30, 40), Qt::MoveAction, running.payload.get(), Qt::LeftButton,
                                    Qt::NoModifier);
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
             DragSource::beginDrag(t.m_view->weekPlannerView(), &ending, std::move(payload), image, QPointF(0, 10),
                                   press, DragOperationGeneric);
             DragSource::setRunner({});
             ASSERT_TRUE(accepted);
             QApplication::processEvents();
             t.scheduler.advance(0.6);
         }},
    };
    for (const auto& way : ways) {
        SCOPED_TRACE(way.name);
        m_window.reset();
        openMainView();
        m_view->monthPlannerShowHide();
        showMonth(localDate(2027, 1, 15));
        m_view->reloadPlannerView(true);
        settle();
        ASSERT_EQ(planner().rows(), 6);

        way.reachDecember(*this);
        settle();
        ASSERT_EQ(Utilities::getMonth(miniMonth().monthDate()), 12);
        ASSERT_EQ(planner().rows(), 5);
        saveScreenshot(&planner(), QStringLiteral("month-planner-rows-%1").arg(&way - ways));

        // The rows the grid lines are drawn for, the cells and their chips.
        const double r = (planner().frame().height() - 74) / 5;
        int shown = 0;
        for (int i = 0; i < PlannerMonthView::cellCount; ++i) {
            const PlannerCellView* cell = planner().cell(i);
            if (cell->isHidden()) continue;
            ++shown;
            EXPECT_NEAR(cell->frame().height(), r, 0.01) << "cell " << i;
            EXPECT_NEAR(cell->frame().y(), 39.5 + (i / 7) * r, 0.01) << "cell " << i;
        }
        EXPECT_EQ(shown, 35);
        for (const QPointer<View>& chip : planner().taskList())
            if (chip) EXPECT_LE(chip->frame().bottom(), 39.5 + 5 * r + 0.01) << "a chip below the last row";
    }
}

}  // namespace MonthPlannerRowsTests
