#include "PlannerWeekView.h"

#include "../Model/TaskTestFixture.h"
#include "Button.h"
#include "Clicks.h"
#include "CoreData.h"
#include "CurrentTimeIndicatorView.h"
#include "DetailViewController.h"
#include "DragSource.h"
#include "Event.h"
#include "GregorianCalendar.h"
#include "MonthCalendarView.h"
#include "MonthView.h"
#include "PlannerCellView.h"
#include "PlannerWeekLayout.h"
#include "PlannerItemTestFixture.h"
#include "RecordingICalSync.h"
#include "ScrollView.h"
#include "Screenshot.h"
#include "ScriptedAlertPresenter.h"
#include "TaskListTableView.h"
#include "TaskView.h"
#include "TextField.h"
#include "TextTable.h"
#include "TimeLineView.h"

#include <QDropEvent>
#include <QMouseEvent>
#include <QMimeData>

#include <algorithm>
#include <tuple>

namespace PlannerWeekViewTests {

Date day(int year, int month, int dayOfMonth, int hour = 0, int minute = 0)
{
    return GregorianCalendar::dateFromFields(year, month, dayOfMonth, hour, minute, 0);
}

QString text(const char* key)
{
    return TextTable::localizedString(QString::fromLatin1(key));
}

struct LangMainView : RecordingMainView {
    QString preferredLang() const override { return lang; }
    QString lang;
};

// The week planner 760 × 600 (day columns 100 wide) beside a real mini
// month, over a test database: Paris (events of one zone, which group by
// quarter hour), the clock at Wednesday 10 April 2024 10:00, font size 13
// (band rows 22), a Sunday week start, pinned, the 24-hour clock.
class PlannerWeekViewTest : public TaskTest {
protected:
    void SetUp() override
    {
        TaskTest::SetUp();
        dataManager().loadTimeZones();
        setting().setCurrentTZ(53392);
        Scheduler::setCurrent(&m_scheduler);
        Clock::setFixed(day(2024, 4, 10, 10));
        Utilities::setUse24HourClock(true);
        setting().setCurrentFontSize(13);
        setting().setIsWeekPlannerPinned(1);
        setting().setZvwUserName(QStringLiteral("me@example.com"));
        dataManager().setICalSync(std::make_unique<RecordingICalSync>());
        m_mainView.plannerExpand = true;
        m_mainView.month = &m_panel;
        m_planner = std::make_unique<PlannerWeekView>(QRectF(0, 0, 760, 600));
    }
    void TearDown() override
    {
        m_planner.reset();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        Scheduler::setCurrent(nullptr);
        TaskTest::TearDown();
    }

    void show(const Date& date)
    {
        m_panel.monthCalendarView()->setMonthDate(date);
        m_panel.monthCalendarView()->setCurrentDay(date, false);
        m_planner->reloadData();
    }
    TaskPtr store(qint64 type, const Date& start, const Date& end, bool allDay = false)
    {
        auto item = std::make_shared<Task>();
        item->setTaskType(type);
        item->setTaskName(QStringLiteral("Item"));
        item->setCalendarId(1);
        item->setTz(setting().currentTZ());
        item->setIsADE(allDay);
        item->setStartTime(start);
        item->setEndTime(end);
        item->setDuration(qint64(end.timeIntervalSinceDate(start) / 60));
        item->setHasDue(type == 1);
        item->setDueEnd(type == 1 ? end : Date());
        EXPECT_TRUE(item->insertIntoDatabase() && item->dehydrate());
        dataManager().doWithAllTasksEventsAdes(TaskList{item}, 0);
        return item;
    }
    template <class ItemView>
    std::vector<ItemView*> views(PlannerBaseView* pane, const TaskPtr& of = nullptr) const
    {
        std::vector<ItemView*> found;
        for (const QPointer<View>& view : pane->taskList())
            if (auto* itemView = qobject_cast<ItemView*>(view.data()))
                if (!of || itemView->task()->primaryKey() == of->primaryKey()) found.push_back(itemView);
        return found;
    }

    // A drag from `source` whose image's top edge is at `imageTop` in the
    // pane, entering and dropped at x through the pane's own drop target (as
    // over its rows and item views). Answers (entered, dropped).
    std::pair<bool, bool> drop(PlannerBaseView* pane, double x, double imageTop, const TaskPtr& item, View* source)
    {
        auto payload = std::make_unique<QMimeData>();
        Task::writeItemsToPasteboard(*payload, TaskList{item});
        std::pair<bool, bool> outcome{false, false};
        DragSource::setRunner([&](DragSource::Drag& running) {
            const QPointF at(x, imageTop + DragSource::currentSession()->hotSpot.y());
            QDragEnterEvent enter(at.toPoint(), Qt::MoveAction, running.payload.get(), Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(pane, &enter);
            QDropEvent dropped(at, Qt::MoveAction, running.payload.get(), Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(pane, &dropped);
            outcome = {(enter.isAccepted() && enter.dropAction() != Qt::IgnoreAction), dropped.isAccepted()};
            return DragSource::Outcome{outcome.second ? DragOperationGeneric : DragOperationNone, {}};
        });
        struct Ending : DraggingSource {
            void draggingEnded(const QPointF&, unsigned) override {}
        } ending;
        Event press;
        press.type = EventType::LeftMouseDown;
        QImage image(20, 40, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::gray);
        DragSource::beginDrag(source, &ending, std::move(payload), image, QPointF(0, 40), press, DragOperationGeneric);
        DragSource::setRunner({});
        return outcome;
    }

    ManualScheduler m_scheduler;
    LangMainView m_mainView;
    MonthView m_panel{QRectF(0, 0, 280, 243)};
    std::unique_ptr<PlannerWeekView> m_planner;
};

TEST_F(PlannerWeekViewTest, PartsStandInTheirPlacesAndTheSplitterSharesTheHeight)
{
    show(day(2024, 4, 10));
    PlannerWeekView& p = *m_planner;
    for (int i = 0; i < 7; ++i) EXPECT_EQ(p.header(i)->frame(), QRectF(59.5 + 100 * i, 40, 100, 23)) << i;
    EXPECT_EQ(std::make_tuple(p.header(0)->cellDate(), p.currentDayIndex(), p.header(3)->isToday()),
              std::make_tuple(day(2024, 4, 7), 3, true));
    EXPECT_EQ(p.scrollPlannerPane()->frame(), QRectF(0, 63, 760, 154));
    EXPECT_EQ(p.plannerResizeView()->frame(), QRectF(59, 217, 701, 10));
    EXPECT_EQ(std::make_pair(p.plannerResizeView()->minY(), p.plannerResizeView()->maxY()), std::make_pair(195.0, 327.0));

    // The splitter's grip dragged: clamped to its limits, the band never
    // taller than itself (collapsed 154; expanded with nine rows, 198).
    for (int k = 0; k < 9; ++k) store(1, day(2024, 4, 9, 9), day(2024, 4, 9, 17));
    struct Case {
        bool expanded;
        double dy, bandHeight;
    } cases[] = {{false, 0, 154}, {false, 50, 154}, {false, -30, 132}, {true, 100, 198}, {true, -100, 132}};
    for (const Case& c : cases) {
        if (p.plannerPane()->isExpand() != c.expanded) p.collapseExpandPlanner();
        p.resizeFrameOfEachParts();
        ItemPointer mouse(p.plannerResizeView());
        mouse.press(p.plannerResizeView()->rectForResize().center(), 1);
        mouse.moveBy(0, c.dy);
        mouse.release();
        EXPECT_EQ(p.scrollPlannerPane()->frame().height(), c.bandHeight) << c.expanded << " " << c.dy;
        EXPECT_EQ(p.plannerResizeView()->frame().y(), c.bandHeight + 63) << c.expanded << " " << c.dy;
        EXPECT_EQ(p.scrollWeeklyPane()->frame(), QRectF(0, c.bandHeight + 73, 760, 600 - c.bandHeight - 73 - 34));
    }
}

TEST_F(PlannerWeekViewTest, AReloadGathersTheWeekAndOpensOrRevealsItsItems)
{
    const TaskPtr mine = store(1, day(2024, 4, 9, 9), day(2024, 4, 9, 17));
    mine->setAssigneeEmail(QStringLiteral("ME@example.com"));
    const TaskPtr finished = store(1, day(2024, 4, 8, 9), day(2024, 4, 8, 17));
    finished->setStatus(1);
    const TaskPtr trip = store(0, day(2024, 4, 5), day(2024, 4, 8, 23, 59), true);
    const TaskPtr meeting = store(0, day(2024, 4, 10, 14), day(2024, 4, 10, 15));
    store(0, day(2024, 4, 11, 22), day(2024, 4, 12, 2));
    std::vector<TaskPtr> thursday;
    for (int k = 0; k < 7; ++k) thursday.push_back(store(1, day(2024, 4, 11, 9), day(2024, 4, 11, 17)));
    show(day(2024, 4, 10));

    PlannerPane& band = *m_planner->plannerPane();
    EXPECT_TRUE(views<PlannerItemView>(&band, mine).empty()) << "assigned to me by someone else";
    EXPECT_EQ(band.lists()[PlannerWeekLayout::DoneTasks], std::vector<TaskPtr>{finished});
    ASSERT_EQ(views<PlannerItemView>(&band, trip).size(), 1u);
    EXPECT_EQ(views<PlannerItemView>(&band, trip).front()->frame(), QRectF(60.5, 0, 198, 21)) << "from column 0";
    ASSERT_EQ(band.moreButtons().size(), 1u);
    EXPECT_EQ(band.moreButtons().front()->title(), QStringLiteral("1 ") + text("moreText"));
    EXPECT_EQ(band.moreButtons().front()->frame().y(), 132);
    EXPECT_EQ(m_planner->title()->stringValue(), QStringLiteral("Apr 07 - Apr 13 | ") + text("plannerTitle"));
    EXPECT_EQ(views<PlannerWeeklyItemView>(m_planner->weeklyPane()).size(), 3u) << "with the midnight piece";
    m_planner->weeklyPane()->refreshTimeLine(10);
    saveScreenshot(m_planner.get(), QStringLiteral("planner-week-collapsed"));

    // Only events open from the grid; the item behind the more button is not revealed.
    m_planner->scrollWeeklyPane()->scrollToPoint(QPointF(0, 0));
    EXPECT_FALSE(m_planner->weeklyPane()->showPopupEditDetail(finished));
    EXPECT_EQ(std::make_pair(m_panel.monthCalendarView()->currentDay(), m_planner->scrollWeeklyPane()->scrollOffset()),
              std::make_pair(day(2024, 4, 10), 0.0));
    EXPECT_FALSE(band.revealToItem(thursday.back()));
    EXPECT_TRUE(band.revealToItem(thursday.front()));
    EXPECT_TRUE(m_planner->weeklyPane()->showPopupEditDetail(meeting));
    PlannerWeeklyItemView* block = views<PlannerWeeklyItemView>(m_planner->weeklyPane(), meeting).at(0);
    EXPECT_EQ(m_planner->weeklyPane()->selectedItem(), block);
    EXPECT_EQ(m_planner->scrollWeeklyPane()->scrollOffset(), 14 * 47);
    EXPECT_EQ(block->detailViewController() ? block->detailViewController()->requestCount() : 0, 1);

    // Expanded by the button: every row shows.
    band.moreButtons().front()->performClick();
    EXPECT_EQ(m_planner->scrollPlannerPane()->frame().height(), 154) << "seven rows";
    saveScreenshot(m_planner.get(), QStringLiteral("planner-week-expanded"));

    // "ja": month name, day number and the day word, both ends.
    m_mainView.lang = QStringLiteral("ja");
    m_planner->reloadData();
    EXPECT_EQ(m_planner->title()->stringValue(),
              QStringLiteral("Apr7%1 - Apr13%1 | ").arg(text("dayText")) + text("plannerTitle"));
    saveScreenshot(m_planner.get(), QStringLiteral("planner-week-ja-title"));
}

// Shown in Paris, a daily series of another zone has a block on every day
// of the week: New York's 20:00 is Paris's 02:00 the day after (Sunday's is
// Saturday's occurrence), Tokyo's 06:00 Paris's 23:00 the day before.
TEST_F(PlannerWeekViewTest, ADailySeriesOfAnotherZoneHasABlockOnEveryShownDay)
{
    setting().setTzSupport(1);
    for (const auto& [zone, hour, shownHour] : {std::tuple{"America/New_York", 20, 2}, {"Asia/Tokyo", 6, 23}}) {
        const TaskPtr series = store(0, day(2024, 4, 1, hour), day(2024, 4, 1, hour + 1));
        series->setTz(dataManager().getTimeZoneId(QString::fromLatin1(zone)));
        series->setRepeatType(1);
        series->setIsRepeatForever(1);
        series->setRepeatStartDate(series->startTime());
        ASSERT_TRUE(series->dehydrate());
        show(day(2024, 4, 10));
        std::vector<Date> shown, expected;
        for (const PlannerWeeklyItemView* block : views<PlannerWeeklyItemView>(m_planner->weeklyPane()))
            if (block->task()->parentId() == series->primaryKey()) shown.push_back(block->task()->tzStartTime());
        for (int column = 0; column < 7; ++column) expected.push_back(day(2024, 4, 7 + column, shownHour));
        std::sort(shown.begin(), shown.end());
        EXPECT_EQ(shown, expected) << zone;
        dataManager().doWithAllTasksEventsAdes(TaskList{series}, 1);
    }
}

TEST_F(PlannerWeekViewTest, NavigationMovesTheSelectedDayAndTheGridOpensNearTheHour)
{
    show(day(2024, 4, 10));
    m_planner->collapseExpandPlanner();
    ASSERT_TRUE(m_planner->plannerPane()->isExpand());
    m_planner->scrollWeeklyPane()->scrollToPoint(QPointF(0, 0));
    m_planner->nextPrevWeek(2);
    EXPECT_FALSE(m_planner->plannerPane()->isExpand());
    EXPECT_EQ(Utilities::today(m_panel.monthCalendarView()->monthDate()), day(2024, 4, 17));
    EXPECT_EQ(Utilities::today(m_panel.monthCalendarView()->currentDay()), day(2024, 4, 17));
    EXPECT_TRUE(m_mainView.calls().contains(QStringLiteral("reloadPlanner 0")));
    m_planner->reloadData();
    EXPECT_EQ(m_planner->fromDate(), day(2024, 4, 14));
    EXPECT_EQ(m_planner->scrollWeeklyPane()->scrollOffset(), 423) << "a new week opens near 10:00";
    Clock::setFixed(day(2024, 4, 10, 19));
    m_planner->scrollToCurrentTime();
    EXPECT_EQ(m_planner->scrollWeeklyPane()->scrollOffset(), 799) << "after 18:00: 17:00 at the top";

    setting().setWeekStartDay(1);
    show(day(2024, 4, 14));
    EXPECT_EQ(std::make_pair(m_planner->fromDate(), m_planner->currentDayIndex()), std::make_pair(day(2024, 4, 8), 6))
        << "a selected Sunday ends its Monday week";
}

TEST_F(PlannerWeekViewTest, HourLabelsTheTimeLineAndTheFontSizeFollowTheSettings)
{
    struct Case {
        bool uses24;
        QStringList labels;  // rows 0, 12, 24
    } cases[] = {{true, {QStringLiteral("0:00"), QStringLiteral("12:00"), QStringLiteral("0:00")}},
                 {false, {text("_12AMText"), text("_12PMText"), text("_12AMText")}}};
    for (const Case& c : cases) {
        Utilities::setUse24HourClock(c.uses24);
        m_planner = std::make_unique<PlannerWeekView>(QRectF(0, 0, 760, 600));
        const auto& rows = m_planner->weeklyPane()->timeCellList();
        ASSERT_EQ(rows.size(), 25u);
        EXPECT_EQ(QStringList({rows[0]->timeLabel()->stringValue(), rows[12]->timeLabel()->stringValue(),
                               rows[24]->timeLabel()->stringValue()}),
                  c.labels);
        EXPECT_EQ(rows[23]->frame(), QRectF(0, 23 * 47, 759.5, 47));
        show(day(2024, 4, 10));
        saveScreenshot(m_planner.get(), QStringLiteral("planner-week-%1-hour").arg(c.uses24 ? 24 : 12));
    }
    WeeklyPane& grid = *m_planner->weeklyPane();
    grid.refreshTimeLine(9.25);
    EXPECT_EQ(std::make_pair(grid.currentIndicatorView()->frame().y(), grid.currentIndicatorView()->isHidden()),
              std::make_pair(453.0, false));
    show(day(2024, 4, 20));
    EXPECT_TRUE(grid.currentIndicatorView()->isHidden()) << "today is not in the shown week";

    // A new font size: chips at the new row height, the planner laid out again.
    for (int k = 0; k < 2; ++k) store(1, day(2024, 4, 16, 9), day(2024, 4, 16, 17));
    show(day(2024, 4, 17));
    setting().setCurrentFontSize(11);
    NotificationCenter::defaultCenter().postNotificationName(TaskView::currentFontSizeChangedNotification, nullptr);
    const std::vector<PlannerItemView*> chips = views<PlannerItemView>(m_planner->plannerPane());
    ASSERT_EQ(chips.size(), 2u);
    EXPECT_EQ(chips[1]->frame().y(), 20);
    EXPECT_EQ(m_planner->scrollPlannerPane()->frame().height(), 140);
    EXPECT_EQ(m_planner->plannerResizeView()->frame().y(), 203);
}

TEST_F(PlannerWeekViewTest, ADragOnTheEmptyGridSketchesGhostsAndMakesTheEvent)
{
    struct Case {
        const char* name;
        Date shown;
        QPointF press, move;  // the move made twice
        std::vector<QRectF> ghosts;
        Date start, end;
    } cases[] = {
        {"over three days", day(2024, 4, 10), {170, 400}, {100, 47},
         {{160, 400, 100, 775}, {260, 0, 100, 1175}, {360, 0, 100, 494}}, day(2024, 4, 8, 8), day(2024, 4, 10, 10)},
        {"the Monday after the autumn change", day(2024, 10, 30), {170, 400}, {0, 23.5}, {{160, 400, 100, 47}},
         day(2024, 10, 28, 8), day(2024, 10, 28, 9)},
        {"the far end of the last column", day(2024, 4, 10), {750, 588}, {0, 23.5}, {{660, 588, 100, 47}},
         day(2024, 4, 13, 12), day(2024, 4, 13, 13)},
    };
    double seconds = 0;
    for (const Case& c : cases) {
        show(c.shown);
        WeeklyPane& grid = *m_planner->weeklyPane();
        ItemPointer mouse(grid.timeManagerView());
        mouse.press(c.press, seconds += 10);
        mouse.moveBy(c.move.x(), c.move.y());
        mouse.moveBy(c.move.x(), c.move.y());
        std::vector<QRectF> ghosts;
        for (const QPointer<PlannerWeeklyItemView>& ghost : grid.draggingItems()) {
            ghosts.push_back(ghost->frame());
            EXPECT_TRUE(ghost->alphaBg() == 0.3 && ghost->isHighlight()) << c.name;
        }
        EXPECT_EQ(ghosts, c.ghosts) << c.name;
        if (ghosts.size() == 3) saveScreenshot(m_planner.get(), QStringLiteral("planner-week-drag-ghosts"));
        mouse.release();
        EXPECT_TRUE(grid.draggingItems().empty()) << c.name;
        const TaskPtr made = dataManager().allTasksEventsAdes().back();
        EXPECT_EQ(std::make_pair(made->startTime(), made->endTime()), std::make_pair(c.start, c.end)) << c.name;
    }
}

TEST_F(PlannerWeekViewTest, DropsOnTheDayColumnsFollowTheKindAndTheSource)
{
    show(day(2024, 4, 10));
    TaskListTableView taskList(QRectF(0, 0, 300, 300));
    PlannerWeeklyItemView blockSource(QRectF(0, 0, 99, 47));
    PlannerItemView chipSource(QRectF(0, 0, 98, 21));
    const TaskPtr task = store(1, day(2024, 4, 9, 9), day(2024, 4, 9, 17));
    const TaskPtr event = store(0, day(2024, 4, 10, 9), day(2024, 4, 10, 10, 30));
    const TaskPtr note = store(3, day(2024, 4, 10, 12), day(2024, 4, 10, 12));
    TaskPtr shared = store(0, day(2024, 4, 10, 11), day(2024, 4, 10, 12));
    shared->setIsShared(1);
    ASSERT_TRUE(shared->dehydrate());
    PlannerBaseView* grid = m_planner->weeklyPane();
    struct Case {
        const char* name;
        PlannerBaseView* pane;
        double x, imageTop;
        TaskPtr item;
        View* source;
        std::pair<bool, bool> answer;
    } cases[] = {
        {"a shared event is refused", grid, 350, 23 + 47 * 11, shared, &blockSource, {false, false}},
        {"a note on the hour grid fails", grid, 350, 23 + 47 * 11, note, &chipSource, {true, false}},
        {"a chip on the hour grid fails", grid, 350, 23 + 47 * 11, event, &chipSource, {true, false}},
        {"a block on the band fails", m_planner->plannerPane(), 350, 5, event, &blockSource, {true, false}},
        {"a task from the list is scheduled", grid, 300, 23 + 47 * 14.3, task, &taskList, {true, true}},
        {"a block moves to another day", grid, 550, 23 + 47 * 16, event, &blockSource, {true, true}},
    };
    for (const Case& c : cases) EXPECT_EQ(drop(c.pane, c.x, c.imageTop, c.item, c.source), c.answer) << c.name;
    const TaskPtr scheduled = Task::initWithPrimaryKey(task->primaryKey(), db());
    EXPECT_EQ(std::make_pair(scheduled->isSheduledTask(), scheduled->startTime()),
              std::make_pair(true, day(2024, 4, 9, 14, 15)));

    // A repeating event asks first; no pane is rebuilt while the question is open.
    TaskPtr series = store(0, day(2024, 4, 1, 9), day(2024, 4, 1, 10));
    series->setRepeatType(1);
    series->setIsRepeatForever(1);
    ASSERT_TRUE(series->dehydrate());
    TaskList occurrences;
    dataManager().fillRepeatEventInstances(TaskList{series}, occurrences, day(2024, 4, 10), day(2024, 4, 10));
    show(day(2024, 4, 10));
    const std::vector<QPointer<View>> before = grid->taskList();
    bool kept = false;
    ScriptedAlertPresenter alerts;
    alerts.scriptButton(AlertResponse::firstButton);
    alerts.setWhileRunning([&] {
        m_planner->reloadData();
        kept = grid->taskList() == before;
    });
    ASSERT_EQ(occurrences.size(), 1);
    EXPECT_TRUE(drop(grid, 650, 23 + 47 * 8, occurrences.front(), &blockSource).second);
    EXPECT_TRUE(kept && before.size() > 2);
    const TaskPtr moved = Task::initWithPrimaryKey(event->primaryKey(), db());
    EXPECT_EQ(std::make_pair(moved->startTime(), moved->endTime()),
              std::make_pair(day(2024, 4, 11, 16), day(2024, 4, 11, 17, 30)));

    // A New York event dropped at 10:30 in Paris lands at the New York time
    // of that day, whichever season either zone has on it and on the day of
    // the clock: 4:30 in winter and in summer, 5:30 in the weeks of March
    // when only New York has changed its clocks. Its bottom edge dragged an
    // hour down then ends it an hour later there. With zone support off it
    // shows at its own times and lands at 10:30. A task of the list dropped
    // there is scheduled at 10:30 in every case.
    setting().setCurrentTZ(dataManager().getTimeZoneId(QStringLiteral("Europe/Paris")));
    const struct {
        const char* name;
        Date clock, shown;
        int hour;
        bool zones = true;
    } zoned[] = {
        {"a summer day in winter", day(2024, 1, 10, 10), day(2024, 7, 17), 4},
        {"a day of New York's summer in winter", day(2024, 1, 10, 10), day(2024, 3, 20), 5},
        {"a winter day in spring", day(2024, 4, 10, 10), day(2024, 1, 17), 4},
        {"a summer day in spring", day(2024, 4, 10, 10), day(2024, 8, 14), 4},
        {"zone support off", day(2024, 4, 10, 10), day(2024, 9, 18), 10, false},
    };
    for (const auto& z : zoned) {
        Clock::setFixed(z.clock);
        setting().setTzSupport(z.zones);
        const TaskPtr item = store(0, z.shown.dateByAddingTimeInterval(-2 * 86400.0 + 3 * 3600),
                                   z.shown.dateByAddingTimeInterval(-2 * 86400.0 + 4 * 3600));
        item->setTz(dataManager().getTimeZoneId(QStringLiteral("America/New_York")));
        ASSERT_TRUE(item->dehydrate());
        show(z.shown);
        EXPECT_TRUE(drop(grid, 450, 23 + 47 * 10.5, item, &blockSource).second);
        const Date landed = z.shown.dateByAddingTimeInterval(z.hour * 3600 + 1800.0);
        EXPECT_EQ(Task::initWithPrimaryKey(item->primaryKey(), db())->startTime(), landed) << z.name;
        show(z.shown);
        const auto blocks = views<PlannerWeeklyItemView>(grid, item);
        ASSERT_EQ(blocks.size(), 1u) << z.name;
        Clicks::dragBottomEdge(blocks.front(), 47);
        const TaskPtr resized = Task::initWithPrimaryKey(item->primaryKey(), db());
        EXPECT_EQ(std::make_pair(resized->startTime(), resized->endTime()),
                  std::make_pair(landed, landed.dateByAddingTimeInterval(7200)))
            << z.name;
        const TaskPtr open = store(1, z.shown.dateByAddingTimeInterval(-86400.0), z.shown.dateByAddingTimeInterval(-82800.0));
        EXPECT_TRUE(drop(grid, 450, 23 + 47 * 10.5, open, &taskList).second) << z.name;
        EXPECT_EQ(Task::initWithPrimaryKey(open->primaryKey(), db())->startTime(), z.shown.dateByAddingTimeInterval(10.5 * 3600))
            << z.name << ": a task";
    }
}

// What a pane shows, view by view in stacking order.
using ShownView = std::tuple<QString, QRectF, qint64, bool, bool, bool, bool, bool, QString>;
std::vector<ShownView> shownBy(const PlannerBaseView& pane)
{
    std::vector<ShownView> shown;
    for (const QObject* child : pane.children()) {
        const auto* view = qobject_cast<const View*>(child);
        if (!view || view->isHidden() || qobject_cast<const PlannerCellView*>(view)) continue;
        const auto* item = qobject_cast<const PlannerBaseItem*>(view);
        const auto* button = qobject_cast<const Button*>(view);
        shown.emplace_back(QString::fromLatin1(view->metaObject()->className()), view->frame(),
                           item && item->task() ? item->task()->primaryKey() : 0, item && item->isHighlight(),
                           item && item->canResizeStart(), item && item->canResizeEnd(),
                           item && item->isSquareBox(), item && item->hasOpenEditor(),
                           button ? button->title() : QString());
    }
    return shown;
}

// A reload that reuses the views of the week shown before shows exactly
// what a new planner shows: the same views, items, frames, flags and
// stacking, and the same pictures, whatever was selected or pressed before.
TEST_F(PlannerWeekViewTest, AReloadThatReusesViewsShowsWhatANewPlannerShows)
{
    store(0, day(2024, 4, 5), day(2024, 4, 8, 23, 59), true);
    store(0, day(2024, 4, 10, 14), day(2024, 4, 10, 15));
    store(0, day(2024, 4, 10, 14, 30), day(2024, 4, 10, 16));
    store(0, day(2024, 4, 11, 22), day(2024, 4, 12, 2));
    const TaskPtr done = store(1, day(2024, 4, 8, 9), day(2024, 4, 8, 17));
    done->setStatus(1);
    for (int k = 0; k < 8; ++k) store(1, day(2024, 4, 11, 9), day(2024, 4, 11, 17));
    store(3, day(2024, 4, 9, 12), day(2024, 4, 9, 12));
    store(0, day(2024, 4, 16, 9), day(2024, 4, 16, 10));
    store(1, day(2024, 4, 17, 9), day(2024, 4, 17, 17));
    struct Case {
        const char* name;
        Date from, to;
        bool expandedAfter;
    } cases[] = {
        {"the same week again", day(2024, 4, 10), day(2024, 4, 10), false},
        {"a week with fewer items", day(2024, 4, 10), day(2024, 4, 17), false},
        {"a week with more items", day(2024, 4, 17), day(2024, 4, 10), false},
        {"the band expanded", day(2024, 4, 10), day(2024, 4, 10), true},
        {"an empty week", day(2024, 4, 10), day(2024, 5, 1), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        show(c.from);
        // Leave marks on the views about to be reused.
        for (PlannerBaseView* pane : std::initializer_list<PlannerBaseView*>{m_planner->plannerPane(), m_planner->weeklyPane()}) {
            const std::vector<PlannerBaseItem*> shown = views<PlannerBaseItem>(pane);
            if (shown.empty()) continue;
            ItemPointer(shown.front()).press({20, 5}, 10);
            shown.back()->setCanResizeStart(false);
            shown.back()->taskNameLabel();
        }
        if (c.expandedAfter) m_planner->plannerPane()->setIsExpand(true);
        show(c.to);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

        PlannerWeekView fresh(QRectF(0, 0, 760, 600));
        fresh.reloadData();  // a first week starts collapsed
        fresh.plannerPane()->setIsExpand(c.expandedAfter);
        fresh.reloadData();
        for (const auto& [reused, made] : {std::pair<PlannerBaseView*, PlannerBaseView*>{m_planner->plannerPane(), fresh.plannerPane()},
                                           {m_planner->weeklyPane(), fresh.weeklyPane()}}) {
            EXPECT_EQ(shownBy(*reused), shownBy(*made));
            EXPECT_EQ(reused->grab().toImage(), made->grab().toImage());
        }
    }
}

// A reload while the editor of an event is open keeps the event's block,
// and with it the editor and what is typed in it.
TEST_F(PlannerWeekViewTest, AReloadKeepsTheBlockWhoseEditorIsOpen)
{
    const TaskPtr meeting = store(0, day(2024, 4, 10, 14), day(2024, 4, 10, 15));
    store(0, day(2024, 4, 10, 9), day(2024, 4, 10, 10));
    m_planner->show();
    show(day(2024, 4, 10));
    m_planner->scrollWeeklyPane()->scrollToPoint(QPointF(0, 13 * 47));
    PlannerWeeklyItemView* block = views<PlannerWeeklyItemView>(m_planner->weeklyPane(), meeting).at(0);
    block->popupEditDetail();
    ASSERT_TRUE(block->hasOpenEditor());
    const QPointer<View> editor = block->detailViewController()->customView();
    const QPointer<PlannerWeeklyItemView> kept(block);
    const QRectF frame = block->frame();
    m_planner->reloadData();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_TRUE(kept);
    EXPECT_EQ(views<PlannerWeeklyItemView>(m_planner->weeklyPane(), meeting), std::vector<PlannerWeeklyItemView*>{block});
    EXPECT_TRUE(block->hasOpenEditor() && editor && block->detailViewController()->customView() == editor);
    EXPECT_EQ(std::make_pair(block->frame(), block->isHidden()), std::make_pair(frame, false));
    EXPECT_EQ(views<PlannerWeeklyItemView>(m_planner->weeklyPane()).size(), 2u);

    // Once the item leaves the week, so does its block.
    show(day(2024, 4, 20));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(kept);
}

// A daily event lasting ten years, begun 3,000 days ago: some 3,000
// occurrences a day, of which the grid makes the views a column can show.
TEST_F(PlannerWeekViewTest, ALongRepeatingEventMakesTheViewsThatCanBeSeen)
{
    const Date start = day(2024, 4, 10, 9).dateByAddingTimeInterval(-3000 * 86400.0);
    const TaskPtr series = store(0, start, start.dateByAddingTimeInterval(3650 * 86400.0));
    series->setTaskName(QStringLiteral("Ten years"));
    series->setRepeatType(1);
    series->setRepeatStartDate(start);
    series->setIsRepeatForever(1);
    show(day(2024, 4, 10));
    const auto blocks = views<PlannerWeeklyItemView>(m_planner->weeklyPane());
    EXPECT_GT(blocks.size(), 7u);
    EXPECT_LE(blocks.size(), 7u * (100 + PlannerWeekLayout::deepestVisibleStack) + 7);
    saveScreenshot(m_planner.get(), QStringLiteral("planner-week-long-repeating-event"));
}


}  // namespace PlannerWeekViewTests
