// The main view built over a test database: where its panes start, the
// reloads the notifications cause (which panes, when, how often) and the
// routing that opens an item in the pane that shows it.
#include "MainView.h"
#include "MainViewHeight.h"

#include "../Model/ModelTestFixture.h"
#include "Button.h"
#include "Calendar.h"
#include "CategoryListTableView.h"
#include "CalendarView.h"
#include "CategoryListView.h"
#include "DayCalendarView.h"
#include "DetailViewController.h"
#include "DragSource.h"
#include "Event.h"
#include "EventDetailView.h"
#include "FakeSenders.h"
#include "FocusPaneDetailView.h"
#include "FocusPaneItemView.h"
#include "FocusPaneView.h"
#include "ListModuleView.h"
#include "ManualScheduler.h"
#include "MessageBoxAlertPresenter.h"
#include "MonthCalendarView.h"
#include "MonthCellView.h"
#include "MonthNavigation.h"
#include "MonthView.h"
#include "NoteListItemView.h"
#include "NoteListTableView.h"
#include "NoteListView.h"
#include "NotificationCenter.h"
#include "Notifications.h"
#include "PlannerMonthView.h"
#include "Clock.h"
#include "DetailViewController.h"
#include "PlannerCellView.h"
#include "PlannerWeeklyItemView.h"
#include "TimeManagerView.h"
#include "PlannerWeekView.h"
#include "ScrollView.h"
#include "PopUpButton.h"
#include "QuickAddView.h"
#include "Scheduler.h"
#include "Screenshot.h"
#include "ScriptedAlertPresenter.h"
#include "SearchResultView.h"
#include "SegmentedControl.h"
#include "Setting.h"
#include "SystemTimeZoneWatcher.h"
#include "Task.h"
#include "TaskDetailView.h"
#include "TaskListItemView.h"
#include "TaskListTableView.h"
#include "TaskListView.h"
#include "TaskView.h"
#include "TimezoneSearchView.h"
#include "TestEnvironment.h"
#include "TextField.h"
#include "TextTable.h"
#include "GregorianCalendar.h"
#include "InfoListItemView.h"
#include "TaskListState.h"
#include "../Utilities/DateTestSupport.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <set>

namespace MainViewRefreshTests {

namespace {

constexpr double W = 1200;
constexpr double H = 800;

class MainViewRefreshTest : public ModelTest {
protected:
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

    // The main view in a shown window, so that it counts as visible.
    MainView& openMainView()
    {
        m_window = std::make_unique<View>(QRectF(0, 0, W, H));
        countNavigatorReloads();
        m_view = new MainView(QRectF(0, 0, W, H), m_window.get());
        MainView::setCurrent(m_view);
        m_window->show();
        processEventsUntil([this] { return m_view->isWindowVisible(); });
        return *m_view;
    }

    void closeWindow()
    {
        m_window->hide();
        QApplication::processEvents();
    }

    TaskListView& taskList() { return *m_view->listModuleView()->taskListView(); }
    NoteListView& noteList() { return *m_view->listModuleView()->noteListView(); }
    CategoryListView& projectList() { return *m_view->listModuleView()->categoryListView(); }

    // The project list makes new rows on every rebuild: a first row other
    // than the one seen last time (or the last one gone) is one more.
    int projectRebuilds()
    {
        const std::vector<TableRowView*>& rows = projectList().categoryListTableView()->arrayOfCategories();
        TableRowView* first = rows.empty() ? nullptr : rows.front();
        if (first != m_firstProjectRow.data() || (first && m_firstProjectRow.isNull())) {
            ++m_projectRebuilds;
            m_firstProjectRow = first;
        }
        return m_projectRebuilds;
    }
    QPointer<TableRowView> m_firstProjectRow;
    int m_projectRebuilds = 0;

    struct Counts {
        int task, note, project, focus, monthAndDay, planner, navigator;
        bool operator==(const Counts&) const = default;
    };
    Counts counts()
    {
        return {taskList().reloadCount(),
                noteList().reloadCount(),
                projectRebuilds(),
                m_view->reloadCounts().focusPane,
                m_view->reloadCounts().monthAndDay,
                m_view->reloadCounts().planner,
                m_navigatorReloads};
    }
    Counts since(const Counts& before)
    {
        const Counts now = counts();
        return {now.task - before.task,         now.note - before.note,
                now.project - before.project,   now.focus - before.focus,
                now.monthAndDay - before.monthAndDay, now.planner - before.planner,
                now.navigator - before.navigator};
    }

    void post(const QString& name, QObject* sender)
    {
        NotificationCenter::defaultCenter().postNotificationName(name, sender);
    }

    // A navigator that follows the selected day ends by clearing its frames.
    // Counted once however often the window opens; one navigator lives at a time.
    void countNavigatorReloads()
    {
        NotificationCenter::defaultCenter().removeObserver(&m_navigatorObserver);
        NotificationCenter::defaultCenter().addObserver(&m_navigatorObserver, kClearSelectedNavigatorMonth, nullptr,
                                                        [this](const Notification& n) {
                                                            if (qobject_cast<MonthNavigation*>(n.objectAs<QObject*>()))
                                                                ++m_navigatorReloads;
                                                        });
    }

    ManualScheduler scheduler;
    ScriptedAlertPresenter alerts;
    QObject m_navigatorObserver;
    int m_navigatorReloads = 0;
    quint64 m_previousHeight = 0;
    std::unique_ptr<View> m_window;
    MainView* m_view = nullptr;
};

TaskPtr item(qint64 type, qint64 key, qint64 calendarId = 1)
{
    auto made = std::make_shared<Task>();
    made->setTaskType(type);
    made->setPrimaryKey(key);
    made->setCalendarId(calendarId);
    made->setTaskName(QStringLiteral("Item %1").arg(key));
    return made;
}

}  // namespace

TEST_F(MainViewRefreshTest, ThePanesStartWhereTheFirstLayoutFindsThem)
{
    MainView& view = openMainView();
    const double x0 = W - 620, x1 = x0 + 17;
    EXPECT_EQ(view.quickAddView()->frame(), QRectF(x1, 40, 280, 28));
    EXPECT_EQ(view.monthView()->frame(), QRectF(x1, 73, 280, 243));
    EXPECT_EQ(view.dayCalendarView()->frame().topLeft(), QPointF(x1, 321));
    EXPECT_EQ(view.listModuleView()->frame().topLeft(), QPointF(327, 40));
    EXPECT_TRUE(view.monthPlannerView()->isHidden());
    EXPECT_TRUE(view.weekPlannerView()->isHidden());
    EXPECT_FALSE(view.isPlannerExpand());

    EXPECT_EQ(view.togglePinBtn()->keyEquivalent(), QStringLiteral("p"));
    EXPECT_EQ(view.togglePinBtn()->keyEquivalentModifierMask(), unsigned(CommandKeyMask));
    SegmentedControl* viewSwitch = view.viewNavSegmentedControl();
    ASSERT_EQ(viewSwitch->segmentCount(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(viewSwitch->widthForSegment(i), 28);
        EXPECT_EQ(viewSwitch->tagForSegment(i), i + 1);
        EXPECT_FALSE(viewSwitch->imageForSegment(i).isNull()) << i;
    }
    EXPECT_EQ(view.countDownForAutoBackup(), 10);
    EXPECT_EQ(view.appTitle()->stringValue(), QStringLiteral("Zoravel"));
    EXPECT_FALSE(view.preferredLang().isEmpty());

    // The navigator's width follows the height.
    EXPECT_NEAR(MainView::navigatorWidthForHeight(900), 785 * 0.25 * 170 / 195, 1e-9);
    EXPECT_NEAR(MainView::navigatorWidthForHeight(700), 170, 1e-9);
}

TEST_F(MainViewRefreshTest, EitherPlannerPinnedStartsInPlannerMode)
{
    setting().setIsWeekPlannerPinned(1);
    MainView& view = openMainView();
    EXPECT_TRUE(view.isPlannerExpand());
    EXPECT_EQ(view.listModuleView()->frame().x(), W - 620 + 327);
}

TEST_F(MainViewRefreshTest, ABurstOfChangesReloadsOnceWhatTheLastSenderNeeds)
{
    openMainView();
    TaskListTableView tableSender;
    FocusPaneDetailView focusSender;
    const Counts before = counts();

    post(kTaskChanged, &tableSender);
    scheduler.advance(0.3);
    post(kTaskChanged, &focusSender);
    scheduler.advance(0.3);
    EXPECT_EQ(since(before), (Counts{0, 0, 0, 0, 0, 0, 0})) << "still within the debounce";
    scheduler.advance(0.3);
    EXPECT_EQ(since(before), (Counts{1, 0, 0, 1, 0, 0, 0})) << "the task list and the focus pane, once";
    scheduler.advance(5);
    EXPECT_EQ(since(before), (Counts{1, 0, 0, 1, 0, 0, 0})) << "and only once";
}

TEST_F(MainViewRefreshTest, EachSenderReloadsItsPanesWhateverPointerTypeItPostsWith)
{
    openMainView();
    // Each sender posts as its own code does: the task editor as a View,
    // the task row as its own class, the data manager as itself, the
    // others as a QObject.
    TaskDetailView taskEditor(QRectF(0, 0, 300, 400));
    EventDetailView eventEditor(QRectF(0, 0, 300, 400));
    TaskListItemView taskRow;
    TaskListTableView taskTable;
    TaskView dayBox;
    CalendarView dayGrid;
    FocusPaneDetailView focusList;
    FocusPaneView focusPane;
    SearchResultView searchResults;
    NotificationCenter& center = NotificationCenter::defaultCenter();
    struct Case {
        const char* sender;
        std::function<void()> post;
        Counts reloads;  // task, note, project, focus, month and day, planner, navigator
    };
    const Case cases[] = {
        {"TaskDetailView", [&] { center.postNotificationOnMainThreadName(kTaskChanged, static_cast<View*>(&taskEditor)); },
         {1, 0, 1, 0, 1, 0, 0}},
        {"EventDetailView",
         [&] { center.postNotificationOnMainThreadName(kTaskChanged, NotificationPayload(static_cast<QObject*>(&eventEditor))); },
         {1, 0, 1, 0, 1, 0, 0}},
        {"TaskListItemView", [&] { center.postNotificationOnMainThreadName(kTaskChanged, &taskRow); },
         {1, 0, 1, 1, 0, 0, 0}},
        {"TaskListTableView", [&] { center.postNotificationOnMainThreadName(kTaskChanged, static_cast<QObject*>(&taskTable)); },
         {1, 0, 0, 0, 1, 0, 0}},
        {"TaskView", [&] { center.postNotificationOnMainThreadName(kTaskChanged, static_cast<QObject*>(&dayBox)); },
         {1, 0, 1, 0, 1, 0, 0}},
        {"CalendarView", [&] { center.postNotificationOnMainThreadName(kTaskChanged, static_cast<QObject*>(&dayGrid)); },
         {1, 0, 1, 0, 1, 0, 0}},
        {"FocusPaneDetailView",
         [&] { center.postNotificationOnMainThreadName(kTaskChanged, static_cast<QObject*>(&focusList)); },
         {1, 0, 0, 1, 0, 0, 0}},
        {"FocusPaneView", [&] { center.postNotificationOnMainThreadName(kTaskChanged, static_cast<QObject*>(&focusPane)); },
         {1, 1, 0, 0, 1, 0, 0}},
        {"SearchResultView",
         [&] { center.postNotificationOnMainThreadName(kTaskChanged, static_cast<QObject*>(&searchResults)); },
         {1, 1, 1, 0, 1, 0, 0}},
        {"CoreData", [&] { center.postNotificationOnMainThreadName(kTaskChanged, &dataManager()); },
         {1, 1, 1, 0, 1, 0, 0}},
    };
    for (const Case& c : cases) {
        const Counts before = counts();
        c.post();
        scheduler.advance(1);
        Counts seen = since(before);
        seen.navigator = 0;  // the navigator reloads only when its month changed
        EXPECT_EQ(seen, c.reloads) << c.sender;
    }
}

TEST_F(MainViewRefreshTest, NothingReloadsWhileTheWindowIsClosedAndTaskOrderReloadsAtOnce)
{
    openMainView();
    closeWindow();
    TaskListTableView sender;
    Counts before = counts();
    post(kTaskChanged, &sender);
    scheduler.advance(1);
    EXPECT_EQ(since(before), (Counts{0, 0, 0, 0, 0, 0, 0}));
    EXPECT_FALSE(m_view->isReloadPending()) << "nothing is kept for later: opening reloads everything";

    m_window->show();
    processEventsUntil([this] { return m_view->isWindowVisible(); });
    before = counts();
    m_view->reloadData();  // what opening the window does
    EXPECT_EQ(since(before).task, 1);
    EXPECT_EQ(since(before).monthAndDay, 1);

    before = counts();
    post(kTaskOrderChanged, nullptr);
    EXPECT_EQ(since(before), (Counts{1, 0, 1, 0, 0, 0, 0})) << "task list, day pane, project list, no debounce";
}

TEST_F(MainViewRefreshTest, EachReloadPlansTheWeekAndRedrawsTheDayGridOnce)
{
    openMainView();
    CalendarView& grid = *m_view->dayCalendarView()->calendarView();
    const struct {
        const char* name;
        std::function<void()> reload;
    } cases[] = {
        {"the window's whole reload", [this] { m_view->reloadData(); }},
        {"the task list's own reload", [this] { taskList().reloadData(); }},
        {"the planner's timed pass", [this] { taskList().reloadTodayTask(nullptr); }},
        // The rule reloads the list and the month and day: the day pane's
        // reload draws the grid, the list's plan does not draw it first.
        {"the refresh after a box of the grid changed",
         [this] { m_view->refreshDelay({QStringLiteral("TaskView"), QStringLiteral("View")}); }},
        {"the refresh after the main view changed",
         [this] { m_view->refreshDelay({QStringLiteral("MainView"), QStringLiteral("View")}); }},
        // An item the quick-add bar stored: the new item list's refresh.
        {"the refresh after a new item list", [this] { m_view->refreshADEListDelay(); }},
    };
    for (const auto& c : cases) {
        const int grids = grid.reloadCount();
        const int plans = taskList().reloadTodayTaskCount();
        c.reload();
        EXPECT_EQ(grid.reloadCount() - grids, 1) << c.name;
        EXPECT_EQ(taskList().reloadTodayTaskCount() - plans, 1) << c.name;
    }
}

// While a planner is shown, nothing lays the hidden day grid out; the grid
// catches up when it shows again, with what changed meanwhile.
TEST_F(MainViewRefreshTest, TheHiddenDayGridWaitsForItsShowingToReload)
{
    Clock::setFixed(localDate(2014, 1, 15, 10, 7));
    openMainView();
    m_view->weekPlannerShowHide();
    CalendarView& grid = *m_view->dayCalendarView()->calendarView();
    const struct {
        const char* name;
        std::function<void()> reload;
    } cases[] = {
        {"the window's whole reload", [this] { m_view->reloadData(); }},
        {"the task list's own reload", [this] { taskList().reloadData(); }},
        {"the refresh after a box of the grid changed",
         [this] { m_view->refreshDelay({QStringLiteral("CalendarView"), QStringLiteral("View")}); }},
        {"the refresh after a new item list", [this] { m_view->refreshADEListDelay(); }},
        {"the selection cleared", [this] { m_view->clearHighlightExcept(m_view->weekPlannerView()); }},
        {"the month and day", [this] { m_view->reloadLeftPageData(); }},
    };
    auto made = item(0, 0);
    made->setTaskName(QStringLiteral("Added in the planner"));
    made->setStartTime(localDate(2014, 1, 15, 9));
    made->setEndTime(localDate(2014, 1, 15, 10));
    ASSERT_TRUE(made->insertIntoDatabase() && made->dehydrate());
    dataManager().doWithAllTasksEventsAdes(TaskList{made}, 0);
    for (const auto& c : cases) {
        const int grids = grid.reloadCount();
        c.reload();
        EXPECT_EQ(grid.reloadCount(), grids) << c.name;
    }
    const auto boxesOfTheEvent = [&] {
        return std::count_if(grid.eventBoxes().begin(), grid.eventBoxes().end(), [&](const QPointer<TaskView>& box) {
            return box && box->task()->primaryKey() == made->primaryKey();
        });
    };
    EXPECT_EQ(boxesOfTheEvent(), 0);
    m_view->viewNavControl(0);
    EXPECT_EQ(boxesOfTheEvent(), 1) << "the day view shows the event added meanwhile";
    EXPECT_FALSE(grid.isReloadWaitingToShow());
}

// The month planner lays its cells out for the rows of the month it shows,
// whichever way it was reached: January 2027 (six rows), then December.
TEST_F(MainViewRefreshTest, EveryWayIntoTheMonthPlannerLaysTheCellsOutForItsRows)
{
    Clock::setFixed(localDate(2026, 12, 9, 10));
    setting().setWeekStartDay(0);
    const Date december = localDate(2026, 12, 9);
    const auto setMonth = [this](const Date& day) {
        m_view->monthView()->monthCalendarView()->setMonthDate(day);
        m_view->monthView()->monthCalendarView()->setCurrentDay(day, false);
    };
    const struct {
        const char* name;
        std::function<void()> reachDecember;
    } ways[] = {
        {"the mini month in the day view, then the planner button",
         [&] {
             m_view->dayShowHide();
             m_view->monthView()->gotoPreviousMonth();
             m_view->monthPlannerShowHide();
         }},
        {"a day of the navigator",
         [&] {
             for (MonthView* month : m_view->monthNav()->monthList())
                 for (MonthCellView* cell : month->monthCalendarView()->monthCellList())
                     if (!cell->isHidden() && cell->cellDate() == december) return cell->mouseDown(Event());
         }},
        {"the planner's previous button", [&] { m_view->monthPlannerView()->nextPrevMonth(0); }},
        {"the reload after a change (a drop sets the month)",
         [&] {
             setMonth(december);
             m_view->refreshDelay({QStringLiteral("PlannerCellView"), QStringLiteral("View")});
         }},
    };
    for (const auto& way : ways) {
        SCOPED_TRACE(way.name);
        m_window.reset();
        openMainView();
        PlannerMonthView& planner = *m_view->monthPlannerView();
        const auto settle = [&] {  // the posted work, then a drawing
            QApplication::processEvents();
            planner.grab();
            QApplication::processEvents();
        };
        m_view->monthPlannerShowHide();
        setMonth(localDate(2027, 1, 15));
        m_view->reloadPlannerView(true);
        settle();
        ASSERT_EQ(planner.rows(), 6);
        way.reachDecember();
        settle();
        ASSERT_EQ(planner.rows(), 5);
        saveScreenshot(&planner, QStringLiteral("month-planner-rows-%1").arg(&way - ways));
        // The rows the grid lines are drawn for.
        const double r = (planner.frame().height() - 74) / 5;
        for (int i = 0; i < 35; ++i) {
            EXPECT_NEAR(planner.cell(i)->frame().height(), r, 0.01) << "cell " << i;
            EXPECT_NEAR(planner.cell(i)->frame().y(), 39.5 + (i / 7) * r, 0.01) << "cell " << i;
        }
    }
}

// A box's change reaches the rows the list kept from its last load and the
// grid's boxes: a row shows its task's new title or due state, a task done
// or deleted has no row, a moved event's box stands at its new time.
TEST_F(MainViewRefreshTest, TheRefreshAfterABoxChangedShowsEveryChangeOnTheKeptRows)
{
    Clock::setFixed(localDate(2014, 1, 15, 10, 7));
    const auto stored = [this](qint64 type, const QString& name, qint64 order) {
        TaskPtr made = item(type, 0);
        made->setTaskName(name);
        made->setTaskOrder(order);
        made->setStartTime(localDate(2014, 1, 15, 9));
        made->setEndTime(localDate(2014, 1, 15, 10));
        EXPECT_TRUE(made->insertIntoDatabase() && made->dehydrate());
        dataManager().doWithAllTasksEventsAdes(TaskList{made}, 0);
        return made;
    };
    const TaskList tasks{stored(1, "T0", 1), stored(1, "T1", 2), stored(1, "T2", 3)};
    const TaskPtr meeting = stored(0, QStringLiteral("meeting"), 4);
    const struct {
        const char* name;
        std::function<void()> change;
        QStringList rows;
        int dueOfT2;
        int meetingHour;  // -1: no box
    } cases[] = {
        {"nothing changed", [] {}, {"T0", "T1", "T2"}, 4, 9},
        {"a title", savedChange(tasks[1], [](Task& t) { t.setTaskName(QStringLiteral("Renamed")); }), {"T0", "Renamed", "T2"}, 4, 9},
        {"a due time passed", savedChange(tasks[2], [](Task& t) { t.setHasDue(1); t.setDueEnd(localDate(2014, 1, 14, 17)); }),
         {"T0", "Renamed", "T2"}, 2, 9},
        {"done", savedChange(tasks[0], [](Task& t) { t.setStatus(1); }), {"Renamed", "T2"}, 2, 9},
        {"deleted", [&] { ASSERT_TRUE(dataManager().doDeleteTask(tasks[1], false)); }, {"T2"}, 2, 9},
        {"the meeting moved in the day",
         savedChange(meeting, [](Task& t) { t.setStartTime(localDate(2014, 1, 15, 15)); t.setEndTime(localDate(2014, 1, 15, 16)); }),
         {"T2"}, 2, 15},
        {"the meeting moved to tomorrow",
         savedChange(meeting, [](Task& t) { t.setStartTime(localDate(2014, 1, 16, 15)); t.setEndTime(localDate(2014, 1, 16, 16)); }),
         {"T2"}, 2, -1},
    };
    openMainView();
    TaskListTableView& list = *taskList().taskListTableView();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        c.change();
        m_view->refreshDelay({QStringLiteral("TaskView"), QStringLiteral("View")});
        QStringList rows;
        for (int index = 0; index < list.numberOfRows(); ++index)
            if (auto* row = qobject_cast<TaskListItemView*>(list.itemAtRow(index))) {
                rows << row->taskName()->stringValue();
                if (row->task() == tasks[2]) { EXPECT_EQ(row->typeOfDue(), c.dueOfT2); }
            }
        EXPECT_EQ(rows, c.rows);
        int hour = -1;
        for (const QPointer<TaskView>& box : m_view->dayCalendarView()->calendarView()->eventBoxes())
            if (box && box->task()->primaryKey() == meeting->primaryKey()) hour = int(Utilities::getHour(box->task()->startTime()));
        EXPECT_EQ(hour, c.meetingHour);
    }
}

// What the panes a box's change reloads show: the list's rows under their
// day headers, the grid's boxes, the month's due dots, the focus list.
QStringList shownBy(MainView& view)
{
    QStringList shown;
    TaskListTableView& list = *view.listModuleView()->taskListView()->taskListTableView();
    for (int index = 0; index < list.numberOfRows(); ++index) {
        TableRowView* row = list.itemAtRow(index);
        if (auto* header = qobject_cast<InfoListItemView*>(row))
            shown << QStringLiteral("header ") + header->leftTextField()->stringValue();
        else if (auto* task = qobject_cast<TaskListItemView*>(row))
            shown << QStringLiteral("row %1 due %2").arg(task->taskName()->stringValue()).arg(task->typeOfDue());
    }
    QStringList boxes;
    for (const QPointer<TaskView>& box : view.dayCalendarView()->calendarView()->eventBoxes())
        if (box) boxes << QStringLiteral("box %1 at %2").arg(box->task()->taskName()).arg(Utilities::getHour(box->task()->startTime()));
    boxes.sort();
    shown << boxes;
    const std::vector<MonthCellView*>& cells = view.monthView()->monthCalendarView()->monthCellList();
    for (std::size_t index = 0; index < cells.size(); ++index)
        if (cells[index]->hasDot()) shown << QStringLiteral("dot %1").arg(index);
    for (const FocusPaneItemView* row : view.dayCalendarView()->focusPaneView()->focusPaneDetailView()->arrayOfTasks())
        shown << QStringLiteral("focus ") + row->task()->taskName();
    return shown;
}

// After each kind of change a box's refresh leaves every pane it reloads
// showing what a main view built afresh over the same data shows.
TEST_F(MainViewRefreshTest, AfterEachKindOfChangeTheRefreshShowsWhatAFreshBuildShows)
{
    Clock::setFixed(localDate(2014, 1, 15, 10, 7));
    const auto stored = [this](qint64 type, const QString& name, const Date& start) {
        TaskPtr made = item(type, 0);
        made->setTaskName(name);
        made->setTaskOrder(qint64(dataManager().allTasksEventsAdes().size()) + 1);
        if (type == 1) {
            made->setHasDue(1);
            made->setDueEnd(start);
        } else {
            made->setStartTime(start);
            made->setEndTime(start.dateByAddingTimeInterval(3600));
        }
        EXPECT_TRUE(made->insertIntoDatabase() && made->dehydrate());
        dataManager().doWithAllTasksEventsAdes(TaskList{made}, 0);
        return made;
    };
    const TaskPtr today = stored(1, QStringLiteral("due today"), localDate(2014, 1, 15, 17));
    const TaskPtr nextWeek = stored(1, QStringLiteral("due next week"), localDate(2014, 1, 24, 17));
    const TaskPtr later = stored(1, QStringLiteral("due later"), localDate(2014, 3, 3, 17));
    const TaskPtr meeting = stored(0, QStringLiteral("meeting"), localDate(2014, 1, 15, 9));
    const TaskPtr party = stored(0, QStringLiteral("party"), localDate(2014, 1, 18, 20));
    // Beside the fresh build's panes, a line the refreshed panes must show
    // and one they must not.
    const struct {
        const char* name;
        std::function<void()> change;
        QString shown;
        QString gone;
    } cases[] = {
        {"nothing", [] {}, "box meeting at 9", "row renamed"},
        {"a rename", savedChange(today, [](Task& t) { t.setTaskName(QStringLiteral("renamed")); }), "focus renamed",
         "focus due today"},
        {"a due date moved into the week", savedChange(nextWeek, [](Task& t) { t.setDueEnd(localDate(2014, 1, 16, 12)); }),
         "row due next week", "row due today"},
        {"a due date moved out of the month", savedChange(today, [](Task& t) { t.setDueEnd(localDate(2014, 4, 2, 12)); }),
         "row renamed", "focus renamed"},
        {"a due date moved into the month", savedChange(later, [](Task& t) { t.setDueEnd(localDate(2014, 1, 28, 12)); }),
         "row due later", "focus due later"},
        {"a meeting moved out of the day", savedChange(meeting, [](Task& t) {
             t.setStartTime(localDate(2014, 1, 17, 9));
             t.setEndTime(localDate(2014, 1, 17, 10));
         }), "row due later", "box meeting at 9"},
        {"a party moved into the day", savedChange(party, [](Task& t) {
             t.setStartTime(localDate(2014, 1, 15, 20));
             t.setEndTime(localDate(2014, 1, 15, 21));
         }), "box party at 20", "box meeting at 9"},
        {"a task done", savedChange(nextWeek, [](Task& t) { t.setStatus(1); }), "row renamed", "row due next week"},
        {"a new task and event", [&] {
             stored(1, QStringLiteral("new task"), localDate(2014, 1, 15, 12));
             stored(0, QStringLiteral("new event"), localDate(2014, 1, 15, 13));
         }, "box new event at 13", "row due next week"},
        {"a deletion", [&] { ASSERT_TRUE(dataManager().doDeleteTask(party, false)); }, "box new event at 13",
         "box party at 20"},
    };
    openMainView();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        c.change();
        m_view->refreshDelay({QStringLiteral("TaskView"), QStringLiteral("View")});
        const QStringList refreshed = shownBy(*m_view);
        QStringList fresh;
        {
            View window(QRectF(0, 0, W, H));
            auto* built = new MainView(QRectF(0, 0, W, H), &window);
            MainView::setCurrent(built);
            window.show();
            processEventsUntil([built] { return built->isWindowVisible(); });
            built->reloadData();
            fresh = shownBy(*built);
        }
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        MainView::setCurrent(m_view);
        TaskListState::setCurrent(&taskList());
        EXPECT_EQ(refreshed.join(QLatin1Char('\n')).toStdString(), fresh.join(QLatin1Char('\n')).toStdString());
        const QString shown = refreshed.join(QLatin1Char('\n'));
        EXPECT_TRUE(shown.contains(c.shown)) << c.shown.toStdString();
        EXPECT_FALSE(shown.contains(c.gone)) << c.gone.toStdString();
    }
}

// While tasks that start after today are hidden, a task of today's plan
// dropped on a later day (its start moving with its deadline) leaves the
// panes as the program's own forced reload of the working list does.
TEST_F(MainViewRefreshTest, ADropOnALaterDayLeavesThePanesAsAForcedReloadDoes)
{
    Clock::setFixed(localDate(2026, 12, 9, 10));
    setting().setShowActiveTaskOnly(1);
    enum Target { MonthPlanner, WeekPlanner, MiniMonth };
    const struct {
        const char* name;
        Target target;
        Date day;
        int answer;  // to the deadline's question; 0: not asked
    } drops[] = {
        {"month planner, question answered", MonthPlanner, localDate(2026, 12, 23), AlertResponse::firstButton},
        {"week planner, question turned off", WeekPlanner, localDate(2026, 12, 21), 0},
        {"mini month", MiniMonth, localDate(2026, 12, 23), 0},
    };
    for (const auto& drop : drops) {
        SCOPED_TRACE(drop.name);
        setting().setShowWarningChangeDeadlineTask(drop.answer != 0);
        setting().setIsMonthPlannerPinned(0);  // the last case's planner stays pinned
        setting().setIsWeekPlannerPinned(0);
        TaskPtr moved = item(1, 0);
        moved->setStartTime(localDate(2026, 12, 9, 9));
        moved->setHasDue(1);
        moved->setDueEnd(localDate(2026, 12, 9, 17));
        ASSERT_TRUE(moved->insertIntoDatabase() && moved->dehydrate());
        dataManager().doWithAllTasksEventsAdes(TaskList{moved}, 0);
        openMainView().setCurrentDate(drop.day, true);
        if (drop.target == WeekPlanner) m_view->weekPlannerShowHide();
        if (drop.target == MonthPlanner) m_view->monthPlannerShowHide();
        m_view->reloadData();
        QWidget* planner = drop.target == MonthPlanner ? static_cast<QWidget*>(m_view->monthPlannerView())
                                                       : m_view->weekPlannerView()->plannerPane();
        // A planner lays its cells out at its first drawing.
        QApplication::processEvents();
        planner->grab();
        QApplication::processEvents();
        QWidget* cell = nullptr;
        for (MonthCellView* day : m_view->monthView()->monthCalendarView()->monthCellList())
            if (drop.target == MiniMonth && Utilities::compareDateNoTime(day->cellDate(), drop.day) == 0) cell = day;
        for (PlannerCellView* day : planner->findChildren<PlannerCellView*>())
            if (drop.target != MiniMonth && day->isVisible() && Utilities::compareDateNoTime(day->cellDate(), drop.day) == 0)
                cell = day;
        ASSERT_NE(cell, nullptr);
        ASSERT_TRUE(taskList().taskListTableView()->rowOfItem(moved->primaryKey()));
        if (drop.answer) alerts.scriptButton(drop.answer);
        auto payload = std::make_unique<QMimeData>();
        Task::writeItemsToPasteboard(*payload, TaskList{moved});
        DragSource::setRunner([cell](DragSource::Drag& running) {
            QDragEnterEvent enter(QPoint(20, 30), Qt::MoveAction, running.payload.get(), Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(cell, &enter);
            QDropEvent dropped(QPointF(20, 30), Qt::MoveAction, running.payload.get(), Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(cell, &dropped);
            EXPECT_TRUE(dropped.isAccepted());
            return DragSource::Outcome{DragOperationGeneric, {}};
        });
        struct : DraggingSource {
            void draggingEnded(const QPointF&, unsigned) override {}
        } ending;
        DragSource::beginDrag(taskList().taskListTableView(), &ending, std::move(payload), QImage(20, 10, QImage::Format_ARGB32),
                              QPointF(0, 10), Event{}, DragOperationGeneric);
        DragSource::setRunner({});
        scheduler.advance(0.6);
        const QStringList refreshed = shownBy(*m_view);
        EXPECT_FALSE(taskList().taskListTableView()->rowOfItem(moved->primaryKey()));
        m_view->setNeedUpdateCoreData(true);
        m_view->reloadData();
        EXPECT_EQ(refreshed.join(QLatin1Char('\n')).toStdString(), shownBy(*m_view).join(QLatin1Char('\n')).toStdString());
        ASSERT_TRUE(moved->deleteFromDatabase());
        dataManager().doWithAllTasksEventsAdes(TaskList{moved}, 1);
    }
}

// Past midnight the refresh that follows moves today in every view: the
// month planner's cells and its side months alike.
TEST_F(MainViewRefreshTest, AfterMidnightEveryViewMarksTheNewToday)
{
    Clock::setFixed(localDate(2026, 12, 9, 23, 59));
    setting().setIsMonthPlannerPinned(1);
    openMainView();
    m_view->monthPlannerShowHide();
    m_view->reloadData();
    QApplication::processEvents();
    m_view->monthPlannerView()->grab();
    Clock::setFixed(localDate(2026, 12, 10, 0, 1));
    post(kTaskChanged, m_view);
    scheduler.advance(3);
    QApplication::processEvents();
    std::set<int> markedInPlanner, markedAside;
    for (PlannerCellView* day : m_view->monthPlannerView()->findChildren<PlannerCellView*>())
        if (day->isVisible() && day->isToday()) markedInPlanner.insert(int(Utilities::getDay(day->cellDate())));
    for (MonthView* month : m_view->monthNav()->monthList())
        for (MonthCellView* day : month->monthCalendarView()->monthCellList())
            if (!day->isHidden() && day->type() == 0 && day->dayLabel()->drawsBackground())
                markedAside.insert(int(Utilities::getDay(day->cellDate())));
    EXPECT_EQ(markedInPlanner, std::set<int>{10});
    EXPECT_EQ(markedAside, std::set<int>{10});
}

// At midnight itself: a selected today becomes the new today everywhere, and
// what the bar adds lands on it; a day the user chose stays.
TEST_F(MainViewRefreshTest, AtMidnightTheSelectedTodayBecomesTheNewToday)
{
    // planner in front (1 month, 2 week), day chosen (0 none), selected after,
    // an editor open across midnight and closed unsaved
    const std::tuple<int, int, int, bool> cases[] = {{0, 0, 10, false}, {1, 0, 10, false}, {2, 0, 10, false},
                                                     {0, 7, 7, false},  {1, 7, 7, false},  {2, 7, 7, false},
                                                     {0, 0, 10, true},  {1, 0, 10, true},  {0, 7, 7, true}};
    for (const auto& [planner, chosen, after, editorOpen] : cases) {
        SCOPED_TRACE(testing::Message() << "planner " << planner << ", chosen " << chosen << ", editor " << editorOpen);
        Clock::setFixed(localDate(2026, 12, 9, 23, 59, 30));
        setting().setIsMonthPlannerPinned(planner == 1);
        setting().setIsWeekPlannerPinned(planner == 2);
        openMainView();
        if (planner) planner == 1 ? m_view->monthPlannerShowHide() : m_view->weekPlannerShowHide();
        if (chosen) m_view->monthView()->monthCalendarView()->setCurrentDay(localDate(2026, 12, chosen));
        m_view->reloadData();
        if (editorOpen) m_view->setHasPopup(true);
        scheduler.advance(31);  // 00:00:01, before any grid's delayed refresh
        if (editorOpen) {
            m_view->setHasPopup(false);
            scheduler.advance(0.1);
        }
        std::set<int> marked;
        std::vector<MonthView*> months = m_view->monthNav()->monthList();
        months.push_back(m_view->monthView());
        for (MonthView* month : months)
            for (MonthCellView* day : month->monthCalendarView()->monthCellList())
                if (day->type() == 0 && day->dayLabel()->drawsBackground()) marked.insert(Utilities::getDay(day->cellDate()));
        for (PlannerCellView* day : m_view->findChildren<PlannerCellView*>())
            if (day->isVisible() && day->isToday()) marked.insert(Utilities::getDay(day->cellDate()));
        EXPECT_EQ(marked, std::set<int>{10});
        if (!planner) EXPECT_TRUE(m_view->monthView()->dayLabel()->stringValue().contains(QString::number(after)));
        m_view->quickAddView()->searchAndAdd()->setStringValue(QStringLiteral("#t Before midnight"));
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(m_view->quickAddView()->searchAndAdd()->editor(), &press);
        const TaskList items = dataManager().allTasksEventsAdes();
        const auto byKey = [](const TaskPtr& a, const TaskPtr& b) { return a->primaryKey() < b->primaryKey(); };
        EXPECT_EQ((*std::max_element(items.begin(), items.end(), byKey))->startTime(), localDate(2026, 12, after));
    }
}

// Today in a planner brings the side months from a year ahead back to today.
TEST_F(MainViewRefreshTest, TodayInAPlannerBringsTheSideMonthsBack)
{
    for (const bool week : {false, true}) {
        SCOPED_TRACE(week ? "week planner" : "month planner");
        Clock::setFixed(localDate(2026, 12, 10, 10, 0));
        setting().setIsMonthPlannerPinned(!week);
        setting().setIsWeekPlannerPinned(week);
        openMainView();
        week ? m_view->weekPlannerShowHide() : m_view->monthPlannerShowHide();
        for (int step = 0; step < (week ? 52 : 12); ++step)
            week ? m_view->weekPlannerView()->nextPrevWeek(2) : m_view->monthPlannerView()->nextPrevMonth(2);
        week ? m_view->weekPlannerView()->nextPrevWeek(1) : m_view->monthPlannerView()->nextPrevMonth(1);
        for (MonthView* month : m_view->monthNav()->monthList()) {
            const Date shown = month->monthCalendarView()->monthDate();
            EXPECT_LE(std::abs(Utilities::getYear(shown) * 12 + Utilities::getMonth(shown) - (2026 * 12 + 12)), 3);
        }
    }
}

TEST_F(MainViewRefreshTest, TheItemListReloadForcesANavigatorLaidOutForAnotherWeekStart)
{
    openMainView();
    // Only a rebuild gives every navigator month the selected day.
    auto rebuilt = [this] { return !m_view->monthNav()->monthList().back()->monthCalendarView()->currentDay().isNull(); };
    auto firstWeekday = [this] {
        const MonthCalendarView* first = m_view->monthNav()->monthList().front()->monthCalendarView();
        return GregorianCalendar::fields(first->monthCellList()[1]->cellDate()).weekday;
    };
    post(kAllTasksEventsAdesChanged, nullptr);
    scheduler.advance(0.6);
    EXPECT_FALSE(rebuilt()) << "same week start: no forced reload";

    setting().setWeekStartDay(1);
    post(kAllTasksEventsAdesChanged, nullptr);
    scheduler.advance(0.6);
    EXPECT_TRUE(rebuilt());
    EXPECT_EQ(firstWeekday(), 2) << "laid out from Monday";
    EXPECT_EQ(m_view->monthNav()->weekStart(), 1);

    // An item to open after the reload with no view to open it: both go.
    m_view->setLoadingView(m_view->dayCalendarView()->calendarView());
    post(kAllTasksEventsAdesChanged, nullptr);
    scheduler.advance(0.6);
    EXPECT_EQ(m_view->loadingView(), nullptr);
    EXPECT_EQ(m_view->loadingItem(), nullptr);
}

TEST_F(MainViewRefreshTest, SelectionsClearByExactClass)
{
    openMainView();
    TaskListTableView* taskTable = taskList().taskListTableView();
    NoteListTableView* noteTable = noteList().noteListTableView();
    const int taskBefore = taskTable->deselectCount();
    const int noteBefore = noteTable->deselectCount();

    m_view->clearHighlightExcept(taskTable);
    EXPECT_EQ(taskTable->deselectCount(), taskBefore) << "the sender's own list keeps its selection";
    EXPECT_EQ(noteTable->deselectCount(), noteBefore + 1);

    // A class derived from the task list's table is not that class.
    DerivedTaskListTableView derived;
    m_view->clearHighlightExcept(&derived);
    EXPECT_EQ(taskTable->deselectCount(), taskBefore + 1);
}

TEST_F(MainViewRefreshTest, TheFocusListKeepsItsSelectionWhenItClearsTheOthers)
{
    openMainView();
    FocusPaneDetailView* focusList = m_view->dayCalendarView()->focusPaneView()->focusPaneDetailView();
    auto* row = new FocusPaneItemView();
    row->setTask(item(1, 5));
    focusList->setArrayOfTasks({row});
    focusList->selectRowIndexes({0}, false);

    m_view->clearHighlightExcept(focusList);
    EXPECT_EQ(focusList->selectedRow(), 0) << "a click on the list must not clear the list";
    EXPECT_EQ(focusList->numberOfRows(), 1);

    m_view->clearHighlightExcept(taskList().taskListTableView());
    EXPECT_EQ(focusList->selectedRow(), -1);
    EXPECT_EQ(focusList->numberOfRows(), 1) << "deselected, not reloaded";
}

TEST_F(MainViewRefreshTest, AddNotificationFromAnyOtherObjectIsIgnored)
{
    MainView& view = openMainView();
    QuickAddView stranger(QRectF(0, 0, 280, 28));
    view.monthView()->setHidden(false);
    NotificationCenter::defaultCenter().postNotificationName(kAddNotification, static_cast<QObject*>(&stranger));
    EXPECT_FALSE(view.monthView()->isHidden());
    EXPECT_FALSE(view.dayCalendarView()->isHidden());

    // The view's own bar, not searching or adding: the left column lines up
    // at 17 points in, without the mini month when the navigator is off.
    setting().setNavShowing(false);
    NotificationCenter::defaultCenter().postNotificationName(kAddNotification,
                                                             static_cast<QObject*>(view.quickAddView()));
    EXPECT_TRUE(view.monthView()->isHidden());
    EXPECT_EQ(view.dayCalendarView()->frame().topLeft(), QPointF(W - 310 + 17, 73));
}

TEST_F(MainViewRefreshTest, ItemsOfHiddenCategoriesAreNotOpenedAndAllDayEventsMoveTheMonth)
{
    MainView& view = openMainView();
    auto hidden = std::make_shared<Calendar>();
    hidden->setCalendarName(QStringLiteral("Hidden"));
    hidden->setInVisible(1);
    ASSERT_TRUE(hidden->insertIntoDatabase(db()));
    ASSERT_TRUE(hidden->dehydrate());
    dataManager().doWithCalendarList(CalendarList{hidden}, 0);

    alerts.scriptButton(1000);
    view.showItemDetail(item(1, 7, hidden->primaryKey()), 2);
    ASSERT_EQ(alerts.requests().size(), 1);
    EXPECT_EQ(alerts.requests().front().messageText, TextTable::localizedString(QStringLiteral("hiddenLinkMsg")));
    EXPECT_EQ(alerts.requests().front().buttonTitles, QStringList{TextTable::localizedString(QStringLiteral("okText"))});
    EXPECT_EQ(view.currentItemContentTab(), 0) << "nothing was opened";

    // An occurrence of a repeating all-day event: the mini month goes to the
    // occurrence's day before any list is asked.
    TaskPtr allDay = item(0, -3);
    allDay->setIsADE(1);
    allDay->setParentId(40);
    allDay->setStartTime(GregorianCalendar::dateFromFields(2026, 3, 1, 0, 0, 0));
    allDay->setOccurrence(GregorianCalendar::dateFromFields(2026, 3, 9, 0, 0, 0));
    alerts.scriptButton(1000);  // no pane lists it yet
    view.showItemDetail(allDay, 1);
    EXPECT_EQ(view.monthView()->monthCalendarView()->currentDay(), GregorianCalendar::dateFromFields(2026, 3, 9, 0, 0, 0));
    EXPECT_EQ(view.currentItemContentTab(), 1);

    // A kind the routing does not know opens nothing and asks nothing.
    const qsizetype asked = alerts.requests().size();
    view.showItemDetail(item(5, 8), 0);
    EXPECT_EQ(alerts.requests().size(), asked);
}

TEST_F(MainViewRefreshTest, ANoteOpensInTheNotesListAtItsRow)
{
    MainView& view = openMainView();
    setting().setHasRightPage(1);
    TaskList notes;
    for (const char* name : {"Groceries", "Call the bank", "Ideas"}) {
        auto note = std::make_shared<Task>();
        note->setTaskType(3);
        note->setTaskName(QString::fromLatin1(name));
        note->setNotes(QString::fromLatin1(name));
        note->setCalendarId(1);
        ASSERT_TRUE(note->insertIntoDatabase());
        notes.append(note);
    }
    dataManager().doWithAllTasksEventsAdes(notes, 0);
    NoteListTableView* table = noteList().noteListTableView();
    table->loadDataByFilter(0);
    ASSERT_EQ(table->notes().size(), 3);
    for (const TaskPtr& note : notes) {
        SCOPED_TRACE(note->taskName().toStdString());
        const int row = table->rowOfNote(note);
        ASSERT_GE(row, 0);
        view.showItemDetail(note, 2);
        EXPECT_EQ(table->selectedRowIndexes(), std::vector<int>{row});
        ASSERT_NE(table->selectedItem(), nullptr);
        EXPECT_EQ(table->selectedItem()->note()->primaryKey(), note->primaryKey());
        ASSERT_NE(table->detailViewController(), nullptr);
        const DetailViewController::LastRequest& opened = table->detailViewController()->lastRequest();
        EXPECT_EQ(opened.request, DetailViewController::Request::NoteEditor);
        EXPECT_EQ(opened.item->primaryKey(), note->primaryKey());
        EXPECT_EQ(opened.parentView.data(), table->rowAt(row)) << "the editor hangs from the note's own row";
        EXPECT_EQ(view.currentItemContentTab(), 2);
    }
}

TEST_F(MainViewRefreshTest, AReloadDueDuringAnAlertWaitsUntilTheAlertHasClosed)
{
    openMainView();
    TaskListTableView sender;
    const Counts before = counts();
    int reloadsWhileOpen = -1;
    post(kTaskChanged, &sender);
    // The debounce ends while a real alert's loop runs.
    QTimer::singleShot(0, [&] {
        scheduler.advance(1);
        reloadsWhileOpen = since(before).task;
        MessageBoxAlertPresenter::stopModal();
    });
    MessageBoxAlertPresenter presenter;
    AlertRequest question;
    question.attached = false;
    question.messageText = QStringLiteral("A question");
    presenter.runModal(question);
    EXPECT_EQ(reloadsWhileOpen, 0) << "no pane is rebuilt under an open question";
    EXPECT_EQ(since(before).task, 1) << "the reload ran once the alert closed";
}

TEST_F(MainViewRefreshTest, PicturesOfTheWindowWithAndWithoutTheListColumn)
{
    MainView& view = openMainView();
    for (const int listShown : {0, 1}) {
        view.showHideBtn()->setState(listShown);
        view.showHide();
        m_window->setFrameSize(view.frame().size());
        view.reloadData();  // as when the window opens: the focus pane shows its date
        QApplication::processEvents();
        EXPECT_EQ(view.frame().width(), listShown ? 620 : 310);
        EXPECT_EQ(view.dayCalendarView()->frame().x(), 17) << "the left column stays 17 points in";
        EXPECT_EQ(view.listModuleView()->frame().x(), 327);
        EXPECT_FALSE(saveScreenshot(&view, listShown ? QStringLiteral("main-view-with-lists")
                                                     : QStringLiteral("main-view-day-only"))
                         .isEmpty());
    }
}

TEST_F(MainViewRefreshTest, TheNormalLayoutPlacesTheColumnsAndTheBar)
{
    MainView& view = openMainView();
    const double B = H - 30;
    view.showHideBtn()->setState(0);
    view.showHide();
    EXPECT_EQ(view.frame().width(), 310);
    EXPECT_TRUE(view.listModuleView()->isHidden());
    view.showHideBtn()->setState(1);
    view.showHide();
    EXPECT_EQ(view.frame().width(), 620);
    EXPECT_FALSE(view.listModuleView()->isHidden());
    EXPECT_EQ(view.listModuleView()->frame().x(), 327);
    EXPECT_EQ(view.showHideBtn()->frame(), QRectF(280, B, 20, 20));
    EXPECT_EQ(view.togglePinBtn()->frame(), QRectF(260, B, 20, 20));
    EXPECT_EQ(view.syncingBtn()->frame(), QRectF(49, B, 20, 20));
    EXPECT_EQ(view.categoryShowHideBtn()->frame(), QRectF(79, B, 20, 20));
    EXPECT_EQ(view.tagShowHideBtn()->frame(), QRectF(109, B, 20, 20));
    EXPECT_EQ(view.quickAddView()->frame(), QRectF(17, 40, 280, 28));
    EXPECT_EQ(view.viewNavSegmentedControl()->frame().topLeft(), QPointF(17, 41));
    EXPECT_EQ(setting().hasRightPage(), 1);
    // No control of the bottom bar lies over another, so each takes its own
    // clicks: the time-zone control counts by its field and its globe button.
    const TimezoneSearchView& zones = *view.timezoneView();
    const std::pair<const char*, QRectF> bar[] = {
        {"gear", view.settingBtn()->frame()},
        {"sync", view.syncingBtn()->frame()},
        {"categories", view.categoryShowHideBtn()->frame()},
        {"tags", view.tagShowHideBtn()->frame()},
        {"zone field", zones.searchField()->frame().translated(zones.frame().topLeft())},
        {"globe", zones.dropdownBtn()->frame().translated(zones.frame().topLeft())},
        {"pin", view.togglePinBtn()->frame()},
        {"list", view.showHideBtn()->frame()},
    };
    for (size_t i = 0; i < std::size(bar); ++i) {
        EXPECT_TRUE(view.bounds().contains(bar[i].second)) << bar[i].first;
        for (size_t j = i + 1; j < std::size(bar); ++j)
            EXPECT_FALSE(bar[i].second.intersects(bar[j].second)) << bar[i].first << " and " << bar[j].first;
    }

    // The gear menu's shortcut flips the list.
    view.showHideListByShorcut();
    EXPECT_EQ(view.frame().width(), 310);
    EXPECT_EQ(setting().hasRightPage(), 0);
}

TEST_F(MainViewRefreshTest, PlannerModeDocksAnUndockedWindowAndNoDockKeepsIt)
{
    MainView& view = openMainView();
    view.weekPlannerShowHide();
    EXPECT_TRUE(view.isPlannerExpand());
    EXPECT_TRUE(view.isDockedRight());
    EXPECT_EQ(setting().dockStatus(), 1);
    EXPECT_FALSE(view.weekPlannerView()->isHidden());
    EXPECT_TRUE(view.dayCalendarView()->isHidden());
    EXPECT_EQ(view.viewNavSegmentedControl()->selectedSegment(), 1);
    // The planner shows the selected day's week, its grid near the hour; a
    // drag on the empty grid makes an event whose editor the reload opens.
    const PlannerWeekView& planner = *view.weekPlannerView();
    const Date selected = CoreData::shared()->currentSelectedDay();
    EXPECT_EQ(planner.header(planner.currentDayIndex())->cellDate(), Utilities::today(selected));
    EXPECT_EQ(planner.fromDate(), PlannerWeekLayout::weekOf(selected, setting().weekStartDay()).from);
    // Before one o'clock the hour's place is above the grid: the pane stops at its top.
    EXPECT_EQ(planner.scrollWeeklyPane()->scrollOffset(),
              std::clamp(PlannerWeekLayout::scrollYForHour(Utilities::getCurrentHour(false, 0, 0, Clock::now())), 0.0,
                         planner.scrollWeeklyPane()->maximumScrollOffset()));
    TimeManagerView* layer = planner.weeklyPane()->timeManagerView();
    for (const auto& [type, y] : {std::pair{QEvent::MouseButtonPress, 400}, {QEvent::MouseMove, 494},
                                  {QEvent::MouseButtonRelease, 494}}) {
        const QPointF at(60 + planner.weeklyPane()->itemWidth() * 2.5, y);
        QMouseEvent event(type, at, layer->mapToGlobal(at), Qt::LeftButton,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(layer, &event);
    }
    scheduler.advance(0.6);
    int opened = 0;
    for (const QPointer<View>& shown : planner.weeklyPane()->taskList())
        if (auto* block = qobject_cast<PlannerWeeklyItemView*>(shown.data()))
            opened += block->detailViewController() ? block->detailViewController()->requestCount() : 0;
    EXPECT_EQ(opened, 1);

    view.nodock();
    EXPECT_TRUE(view.isDockedRight()) << "the planner window stays docked";
    EXPECT_EQ(setting().dockStatus(), 1);

    // The switch: segment 1 while the week planner is pinned does nothing;
    // segment 2 moves to the month planner; segment 0 goes back to the day.
    view.viewNavControl(1);
    EXPECT_EQ(setting().isWeekPlannerPinned(), 1);
    view.viewNavControl(2);
    EXPECT_EQ(setting().isMonthPlannerPinned(), 1);
    EXPECT_EQ(setting().isWeekPlannerPinned(), 0);
    EXPECT_FALSE(view.monthPlannerView()->isHidden());
    view.viewNavControl(0);
    EXPECT_FALSE(view.isPlannerExpand());
    EXPECT_FALSE(view.dayCalendarView()->isHidden());
    // Segment 0 with no planner pinned does nothing.
    const double width = view.frame().width();
    view.viewNavControl(0);
    EXPECT_EQ(view.frame().width(), width);
    EXPECT_FALSE(view.isPlannerExpand());
}

// The planner sizes dock an undocked window for themselves only: back at the
// day size it hangs under the tray item again (the window re-opened there),
// and the next start does too. A docking the user chose stays.
TEST_F(MainViewRefreshTest, LeavingThePlannerSizesRestoresTheDockingFromBefore)
{
    struct Case {
        const char* name;
        int dockBefore;         // -1 left, 0 not docked, 1 right
        int dockInPlanner;      // the user's choice while in the planner, 2 for none
        bool left, right;       // afterwards
        qint64 dockStatus;
        int reopenings;         // of the window at the day size
    } cases[] = {
        {"undocked", 0, 2, false, false, 0, 1},
        {"docked left", -1, 2, true, false, -1, 0},
        {"docked right", 1, 2, false, true, 1, 0},
        {"undocked, docked right in the planner", 0, 1, false, true, 1, 0},
        {"undocked, docked left in the planner", 0, -1, true, false, -1, 0},
    };
    for (const Case& c : cases) {
        MainView& view = openMainView();
        int reopenings = 0;
        view.setOpenWindowHandler([&] { ++reopenings; });
        if (c.dockBefore == -1) view.dockLeft();
        if (c.dockBefore == 1) view.dockRight();
        view.monthPlannerShowHide();
        ASSERT_TRUE(view.isDockedLeft() || view.isDockedRight()) << c.name;
        if (c.dockInPlanner == -1) view.dockLeft();
        if (c.dockInPlanner == 1) view.dockRight();
        reopenings = 0;
        view.dayShowHide();
        EXPECT_EQ(view.isDockedLeft(), c.left) << c.name;
        EXPECT_EQ(view.isDockedRight(), c.right) << c.name;
        EXPECT_EQ(setting().dockStatus(), c.dockStatus) << c.name;
        EXPECT_EQ(reopenings, c.reopenings) << c.name;
        view.setOpenWindowHandler({});
    }
}

TEST_F(MainViewRefreshTest, TheFontSizeStepsStayWithinElevenAndSeventeen)
{
    MainView& view = openMainView();
    struct Case {
        float from;
        bool increase;
        float to;
    };
    const Case cases[] = {
        {17, true, 17}, {11, false, 11}, {11.5f, false, 11}, {12, true, 12.5f},
        {25, true, 17},  // a stored size out of the range comes back into it
        {3, false, 11},
    };
    for (const Case& c : cases) {
        setting().setCurrentFontSize(c.from);
        if (c.increase)
            view.increaseCurrentFont();
        else
            view.decreaseCurrentFont();
        EXPECT_EQ(setting().currentFontSize(), c.to) << c.from << (c.increase ? " up" : " down");
    }
}

TEST_F(MainViewRefreshTest, TheBadgeAndTheCategoryButtonShowTheirState)
{
    MainView& view = openMainView();
    // Every category shown: the plain eye.
    dataManager().setNumberOfActiveProject(dataManager().calendarList().size());
    view.changeCategoryShowHideState();
    const QImage normal = view.categoryShowHideBtn()->image();
    dataManager().setNumberOfActiveProject(dataManager().calendarList().size() - 1);
    view.changeCategoryShowHideState();
    EXPECT_NE(view.categoryShowHideBtn()->image(), normal) << "a hidden category shows the other eye";

    // No unread comments: no badge, no button.
    view.notificationButtonState();
    EXPECT_TRUE(view.convNotifBtn()->isHidden());
    EXPECT_TRUE(view.numberOfNewNotifLabel()->isHidden());
}

}  // namespace MainViewRefreshTests
