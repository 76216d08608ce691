// The day grid over a real database: the rows, the layout of the event
// boxes, the current-time line and its timer, the pour of planned tasks,
// selection and day navigation.
#include "CalendarView.h"

#include "../Model/TaskTestFixture.h"
#include "CurrentTimeIndicatorView.h"
#include "CustomNSView.h"
#include "DayCalendarView.h"
#include "ManualScheduler.h"
#include "MonthCalendarView.h"
#include "MonthView.h"
#include "RecordingMainView.h"
#include "Scheduler.h"
#include "ScrollView.h"
#include "TaskLinkLine.h"
#include "TaskView.h"
#include "TextField.h"
#include "TextTable.h"
#include "TextMeasure.h"
#include "TimeLineView.h"
#include "TimeSlotObject.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <memory>
#include <tuple>

namespace {

constexpr qint64 parisZone = 53392;  // in the zone table

class CalendarViewTest : public TaskTest {
protected:
    void SetUp() override
    {
        TaskTest::SetUp();
        // Events group by the name of their zone.
        dataManager().loadTimeZones();
        Scheduler::setCurrent(&m_scheduler);
        m_previous24 = Utilities::use24HourClock();
        Utilities::setUse24HourClock(true);
        setting().setShowTask(1);
        m_monthView = std::make_unique<MonthView>(QRectF(0, 0, 280, 243));
        m_pane = std::make_unique<DayCalendarView>(QRectF(0, 0, 280, 700));
        m_pane->setMonthView(m_monthView.get());
        showDay(localDate(2014, 1, 15));
    }

    void TearDown() override
    {
        m_pane.reset();
        m_monthView.reset();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        Utilities::setUse24HourClock(m_previous24);
        Scheduler::setCurrent(nullptr);
        TaskTest::TearDown();
    }

    CalendarView& grid() { return *m_pane->calendarView(); }

    void showDay(const Date& day) { m_monthView->monthCalendarView()->setCurrentDay(day, false); }

    // A one-off event written to the database and put on the working list.
    TaskPtr addEvent(const QString& name, const Date& start, const Date& end)
    {
        auto event = std::make_shared<Task>();
        event->setTaskType(0);
        event->setTaskName(name);
        event->setCalendarId(1);
        event->setTz(parisZone);
        event->setStartTime(start);
        event->setEndTime(end);
        EXPECT_TRUE(event->insertIntoDatabase());
        EXPECT_TRUE(event->dehydrate());
        dataManager().doWithAllTasksEventsAdes(TaskList{event}, 0);
        return event;
    }

    TaskView* boxNamed(const QString& name)
    {
        for (const QPointer<TaskView>& box : grid().eventBoxes())
            if (box && box->task()->taskName() == name) return box;
        return nullptr;
    }

    double available() { return grid().documentWidth() * 0.5 + 40; }

    ManualScheduler m_scheduler;
    std::unique_ptr<MonthView> m_monthView;
    std::unique_ptr<DayCalendarView> m_pane;
    bool m_previous24 = false;
};

TaskPtr plannedTask(qint64 key, const QString& name, qint64 minutes)
{
    auto task = std::make_shared<Task>();
    task->setPrimaryKey(key);
    task->setTaskType(1);
    task->setTaskName(name);
    task->setCalendarId(1);
    task->setHasDuration(1);
    task->setDuration(minutes);
    task->setTaskOrder(key);
    return task;
}

TimeSlotObject slot(int fromMinutes, int toMinutes)
{
    TimeSlotObject made;
    made.setStartTimeInMinutes(fromMinutes);
    made.setEndTimeInMinutes(toMinutes);
    return made;
}

}  // namespace

TEST_F(CalendarViewTest, TheDocumentHas25RowsOf46PointsWithTheirLabels)
{
    EXPECT_EQ(grid().contentView()->frame().height(), 1150);
    ASSERT_EQ(grid().timeCellList().size(), 25u);
    for (int i = 0; i < 25; ++i) {
        const TimeLineView* row = grid().timeCellList()[size_t(i)];
        EXPECT_EQ(row->frame(), QRectF(0, 46 * i, grid().documentWidth(), 46));
        EXPECT_EQ(row->tag(), i + 1);
        EXPECT_EQ(row->patternType(), i < 24 ? 1 : 2);
        EXPECT_EQ(row->timeLabel()->frame(), QRectF(0, 16, 48, 14));
        EXPECT_EQ(row->timeLabel()->textFont().pixelSize(), 10);
    }
    EXPECT_EQ(grid().timeCellList()[9]->timeLabel()->stringValue(), QStringLiteral("9:00"));
    EXPECT_EQ(grid().timeCellList()[24]->timeLabel()->stringValue(), QStringLiteral("0:00"));
    EXPECT_EQ(grid().draggingSize(), QSizeF(186, 46));

    // The 12-hour clock, read again at every reload.
    Utilities::setUse24HourClock(false);
    grid().reloadData();
    const QString midnight = TextTable::localizedString(QStringLiteral("_12AMText"));
    EXPECT_EQ(grid().timeCellList()[0]->timeLabel()->stringValue(), midnight);
    EXPECT_EQ(grid().timeCellList()[24]->timeLabel()->stringValue(), midnight);
    EXPECT_EQ(grid().timeCellList()[13]->timeLabel()->stringValue(),
              TextTable::localizedString(QStringLiteral("_1PMText")));
}

TEST_F(CalendarViewTest, EveryHourLabelShowsWholeLeftOfTheCurrentTimeMarker)
{
    const double marker = grid().currentIndicatorView()->frame().x();
    for (const bool uses24 : {true, false}) {
        Utilities::setUse24HourClock(uses24);
        grid().reloadData();
        for (const TimeLineView* row : grid().timeCellList()) {
            const TextField& label = *row->timeLabel();
            SCOPED_TRACE(label.stringValue().toStdString());
            const QRectF line = label.drawnLineRect().translated(label.frame().topLeft());
            EXPECT_LE(TextMeasure::sizeOfText(label.stringValue(), label.textFont()).width(), line.width())
                << "not cut short";
            EXPECT_LT(line.right(), marker) << "clear of the marker's dot";
            EXPECT_GE(line.top(), 0);
            EXPECT_LE(line.bottom(), CalendarView::hourHeight);
        }
    }
}

TEST_F(CalendarViewTest, EventsStartingTogetherShareTheWidthAndOverlapsAreIndented)
{
    addEvent(QStringLiteral("nine"), localDate(2014, 1, 15, 9), localDate(2014, 1, 15, 9, 50));
    addEvent(QStringLiteral("nine ten"), localDate(2014, 1, 15, 9, 10), localDate(2014, 1, 15, 9, 40));
    grid().reloadData();
    const double a = available();
    ASSERT_EQ(grid().eventBoxes().size(), 2u);
    EXPECT_EQ(boxNamed(QStringLiteral("nine"))->frame(), QRectF(55, 9 * 46 + 23, a / 2 - 2, 50 * 46 / 60.0));
    EXPECT_EQ(boxNamed(QStringLiteral("nine ten"))->frame().x(), 55 + a / 2);
    EXPECT_EQ(boxNamed(QStringLiteral("nine ten"))->frame().width(), a / 2 - 2);
    EXPECT_TRUE(grid().eventList().isEmpty()) << "the layout takes every event off its working list";

    // Shown in Paris, a New York event at 9:30 by Paris clocks (3:30 by its
    // own) comes after the two by its shown time: they still share the
    // width, and it is indented under them.
    setting().setTzSupport(1);
    setting().setCurrentTZ(parisZone);
    const TaskPtr newYork = addEvent(QStringLiteral("New York"), localDate(2014, 1, 15, 3, 30), localDate(2014, 1, 15, 4));
    newYork->setTz(dataManager().getTimeZoneId(QStringLiteral("America/New_York")));
    ASSERT_TRUE(newYork->dehydrate());
    grid().reloadData();
    ASSERT_EQ(grid().eventBoxes().size(), 3u);
    EXPECT_EQ(boxNamed(QStringLiteral("nine"))->frame(), QRectF(55, 9 * 46 + 23, a / 2 - 2, 50 * 46 / 60.0));
    EXPECT_EQ(boxNamed(QStringLiteral("nine ten"))->frame().x(), 55 + a / 2);
    EXPECT_EQ(boxNamed(QStringLiteral("New York"))->frame(), QRectF(60, 9.5 * 46 + 23, a - 7, 23));
}

// Shown in Paris, a daily series of another zone is on the day of its shown
// times: New York's 20:00 is Paris's 02:00 the day after, Tokyo's 06:00
// Paris's 22:00 the day before.
TEST_F(CalendarViewTest, ASeriesOfAnotherZoneIsOnTheDayOfItsShownTimes)
{
    setting().setTzSupport(1);
    setting().setCurrentTZ(parisZone);
    for (const auto& [zone, hour, shownHour] : {std::tuple{"America/New_York", 20, 2}, {"Asia/Tokyo", 6, 22}}) {
        const TaskPtr series = addEvent(QString::fromLatin1(zone), localDate(2014, 1, 10, hour), localDate(2014, 1, 10, hour + 1));
        series->setTz(dataManager().getTimeZoneId(QString::fromLatin1(zone)));
        series->setRepeatType(1);
        series->setIsRepeatForever(1);
        series->setRepeatStartDate(series->startTime());
        ASSERT_TRUE(series->dehydrate());
        grid().reloadData();
        ASSERT_EQ(grid().eventBoxes().size(), 1u) << zone;
        EXPECT_EQ(grid().eventBoxes().front()->frame().y(), shownHour * 46 + 23) << zone;
        dataManager().doWithAllTasksEventsAdes(TaskList{series}, 1);
    }
}

TEST_F(CalendarViewTest, AGroupStartingUnderARunningBoxIsIndentedUntilAFreeStart)
{
    addEvent(QStringLiteral("A"), localDate(2014, 1, 15, 9), localDate(2014, 1, 15, 11));
    addEvent(QStringLiteral("B"), localDate(2014, 1, 15, 10), localDate(2014, 1, 15, 10, 30));
    addEvent(QStringLiteral("C"), localDate(2014, 1, 15, 12), localDate(2014, 1, 15, 13));
    grid().reloadData();
    const double a = available();
    EXPECT_EQ(boxNamed(QStringLiteral("A"))->frame().x(), 55);
    EXPECT_EQ(boxNamed(QStringLiteral("B"))->frame().x(), 60);
    EXPECT_EQ(boxNamed(QStringLiteral("B"))->frame().width(), a - 7);
    EXPECT_EQ(boxNamed(QStringLiteral("C"))->frame().x(), 55);
    EXPECT_EQ(boxNamed(QStringLiteral("C"))->frame().width(), a - 2);
}

TEST_F(CalendarViewTest, BoxesAcrossMidnightAndShortOnesKeepTheirPlaceOnTheDay)
{
    const Date day = localDate(2014, 1, 15);
    struct Case {
        const char* name;
        Date start, end;
        double y, height;
        Date on;  // the shown day; none: 15 January
    };
    const Date firstHalfPastTwo = Date::dateWithTimeIntervalSince1970(1824942600);  // 00:30 UTC, 02:30 summer time
    const Case cases[] = {
        {"from the day before", localDate(2014, 1, 14, 22), localDate(2014, 1, 15, 1), 23, 46, {}},
        {"into the next day", localDate(2014, 1, 15, 23), localDate(2014, 1, 16, 2), 23 * 46 + 23, 46, {}},
        {"five minutes", localDate(2014, 1, 15, 8), localDate(2014, 1, 15, 8, 5), 8 * 46 + 23, 23, {}},
        {"ends at the day's midnight", localDate(2014, 1, 14, 23), day, 23, 23, {}},
        {"ends before it starts", localDate(2014, 1, 15, 14), localDate(2014, 1, 15, 13), 14 * 46 + 23, 23, {}},
        {"1:00 to 4:00 over Paris's spring change: three rows", localDate(2027, 3, 28, 1), localDate(2027, 3, 28, 4),
         46 + 23, 3 * 46, localDate(2027, 3, 28)},
        {"1:00 to 4:00 over Paris's autumn change: three rows", localDate(2027, 10, 31, 1), localDate(2027, 10, 31, 4),
         46 + 23, 3 * 46, localDate(2027, 10, 31)},
        // From the first 02:30 of Paris's repeated autumn hour to the second.
        {"an hour from 02:30 in Paris's repeated hour: an hour", firstHalfPastTwo, firstHalfPastTwo.dateByAddingTimeInterval(3600),
         2.5 * 46 + 23, 46, localDate(2027, 10, 31)},
    };
    for (const Case& c : cases) {
        const CalendarView::BoxPlacement place = CalendarView::placementOfEvent(c.start, c.end, c.on ? c.on : day);
        EXPECT_EQ(place.y, c.y) << c.name;
        EXPECT_EQ(place.height, c.height) << c.name;
        EXPECT_LE(place.y + place.height, 1127) << c.name;
    }

    // On the grid: a one-off event ending at the day's midnight is not on
    // the day at all; one starting the day before is.
    addEvent(QStringLiteral("late"), localDate(2014, 1, 14, 23), day);
    addEvent(QStringLiteral("overnight"), localDate(2014, 1, 14, 22), localDate(2014, 1, 15, 1));
    grid().reloadData();
    EXPECT_EQ(boxNamed(QStringLiteral("late")), nullptr);
    ASSERT_NE(boxNamed(QStringLiteral("overnight")), nullptr);
    EXPECT_EQ(boxNamed(QStringLiteral("overnight"))->frame().y(), 23);
}

TEST_F(CalendarViewTest, TheTimeLineShowsOnTodayAndItsTimerRunsOverTheComingWeek)
{
    RecordingMainView mainView;
    grid().reloadData();  // today, 10:07
    EXPECT_FALSE(grid().currentIndicatorView()->isHidden());
    EXPECT_TRUE(grid().isTimeLineTimerRunning());
    EXPECT_EQ(mainView.calls(), QStringList{QStringLiteral("timeLine")}) << "once at once";
    m_scheduler.advance(60);
    m_scheduler.advance(60);
    EXPECT_EQ(mainView.calls().size(), 3) << "then every minute";

    grid().refreshTimeLine(10 + 7 / 60.0);
    EXPECT_EQ(grid().currentIndicatorView()->frame().y(), std::round((10 + 7 / 60.0) * 46 + 23 - 5));

    showDay(localDate(2014, 1, 18));  // today + 3
    grid().reloadData();
    EXPECT_TRUE(grid().currentIndicatorView()->isHidden());
    EXPECT_TRUE(grid().isTimeLineTimerRunning());

    for (const Date& day : {localDate(2014, 1, 22), localDate(2014, 1, 14)}) {  // today + 7, yesterday
        showDay(day);
        grid().reloadData();
        EXPECT_FALSE(grid().isTimeLineTimerRunning());
        const qsizetype before = mainView.calls().size();
        m_scheduler.advance(120);
        EXPECT_EQ(mainView.calls().size(), before) << "a stopped timer stays stopped";
    }
}

TEST_F(CalendarViewTest, AReloadStartedDuringAReloadOnlyClearsTheSelection)
{
    // The main view's time-line call comes in the middle of the reload; a
    // reload asked for there must not start over.
    class ReloadingMainView : public RecordingMainView {
    public:
        CalendarView* grid = nullptr;
        int nested = 0;
        void refreshTimeLine() override
        {
            RecordingMainView::refreshTimeLine();
            if (grid && nested++ == 0) grid->reloadData();
        }
    };
    addEvent(QStringLiteral("A"), localDate(2014, 1, 15, 9), localDate(2014, 1, 15, 10));
    grid().reloadData();
    grid().selectTask(boxNamed(QStringLiteral("A")));
    ASSERT_NE(grid().selectedItem(), nullptr);

    ReloadingMainView mainView;
    mainView.grid = &grid();
    grid().reloadData();
    EXPECT_EQ(mainView.nested, 1);
    EXPECT_EQ(grid().eventBoxes().size(), 1u) << "one layout, not two";
    EXPECT_EQ(grid().selectedItem(), nullptr);
    EXPECT_FALSE(grid().isLoading());
}

TEST_F(CalendarViewTest, PlannedTasksArePouredIntoTheOpenSlotsInOrder)
{
    const QString wednesday = Utilities::getWeekDayName(localDate(2014, 1, 15));
    const TaskPtr first = plannedTask(901, QStringLiteral("Report"), 60);
    const TaskPtr second = plannedTask(902, QStringLiteral("Mail"), 30);
    dataManager().setSevenDaysTaskList(CoreData::WeekdayTaskLists{{wednesday, {first, second}}});
    dataManager().setSevenDaysOpenTimeSlotsList(
        CoreData::WeekdayTimeSlots{{wednesday, {slot(9 * 60, 9 * 60 + 45), slot(10 * 60, 12 * 60)}}});
    grid().reloadData();

    const double w = grid().documentWidth();
    const double x = std::round(w * 0.5 - 50) + 2;
    const double width = std::round(w * 0.5 + 50) - 3;
    ASSERT_EQ(grid().taskPieces().size(), 3u);
    EXPECT_EQ(grid().taskPieces()[0]->frame(), QRectF(x, std::round(9 * 46 + 23.0), width, std::round(45 * 46 / 60.0)));
    EXPECT_EQ(grid().taskPieces()[1]->frame(), QRectF(x, 483, width, std::round(15 * 46 / 60.0)));
    EXPECT_EQ(grid().taskPieces()[2]->frame().y(), std::round(10.25 * 46 + 23));
    EXPECT_EQ(grid().taskPieces()[2]->task(), second) << "pieces hold the planned record itself";
    ASSERT_EQ(grid().linkLines().size(), 1u);
    const QRectF line = grid().linkLines()[0]->frame();
    EXPECT_EQ(line.x(), std::round(w - 15));
    EXPECT_EQ(line.width(), 3);
    EXPECT_EQ(line.y(), grid().taskPieces()[0]->frame().bottom());
    EXPECT_EQ(line.bottom(), 483) << "down to the 10:00 line";
    EXPECT_FALSE(grid().taskPieces()[0]->isSquareBox());

    // The planner's slots are untouched by the pour.
    EXPECT_EQ(dataManager().sevenDaysOpenTimeSlotsList()->value(wednesday).front().startTimeInMinutes(), 9 * 60);
}

TEST_F(CalendarViewTest, ShortSlotsAndShortTasksUseTimeWithoutPieces)
{
    const QString wednesday = Utilities::getWeekDayName(localDate(2014, 1, 15));
    const TaskPtr quick = plannedTask(903, QStringLiteral("Quick"), 10);
    const TaskPtr forty = plannedTask(904, QStringLiteral("Forty"), 40);
    const TaskPtr done = plannedTask(905, QStringLiteral("Done"), 60);
    done->setStatus(1);
    const TaskPtr open = plannedTask(906, QStringLiteral("Open"), 0);
    open->setHasDuration(0);
    const TaskPtr last = plannedTask(907, QStringLiteral("Last"), 20);
    dataManager().setSevenDaysTaskList(CoreData::WeekdayTaskLists{{wednesday, {quick, done, open, forty, last}}});
    // 10 minutes at 9:00 for Quick; 8:50 to 9:00 is too short for Forty's
    // first piece, so its 30 remaining minutes go to 13:00.
    dataManager().setSevenDaysOpenTimeSlotsList(
        CoreData::WeekdayTimeSlots{{wednesday, {slot(9 * 60, 9 * 60 + 20), slot(13 * 60, 13 * 60 + 30)}}});
    grid().reloadData();
    // Quick: no piece (10 minutes), but Forty starts at 9:10 with 10
    // minutes left in the slot: no piece there either, 30 minutes at 13:00.
    ASSERT_EQ(grid().taskPieces().size(), 1u);
    EXPECT_EQ(grid().taskPieces()[0]->task(), forty);
    EXPECT_EQ(grid().taskPieces()[0]->frame().y(), std::round(13 * 46 + 23.0));
    EXPECT_TRUE(grid().linkLines().empty()) << "no line before the first visible piece";

    // The slots ran out in Forty: Last gets nothing.
    for (const QPointer<TaskView>& piece : grid().taskPieces()) EXPECT_NE(piece->task(), last);

    // No pieces without showTask, a week ahead, or before today.
    setting().setShowTask(0);
    grid().reloadData();
    EXPECT_TRUE(grid().taskPieces().empty());
    setting().setShowTask(1);
    for (const Date& day : {localDate(2014, 1, 22), localDate(2014, 1, 14)}) {
        showDay(day);
        dataManager().setSevenDaysTaskList(
            CoreData::WeekdayTaskLists{{Utilities::getWeekDayName(day), {plannedTask(908, QStringLiteral("X"), 30)}}});
        dataManager().setSevenDaysOpenTimeSlotsList(
            CoreData::WeekdayTimeSlots{{Utilities::getWeekDayName(day), {slot(9 * 60, 12 * 60)}}});
        grid().reloadData();
        EXPECT_TRUE(grid().taskPieces().empty());
    }
}

TEST_F(CalendarViewTest, MustDoTasksComeFirstInTheFiltersOrder)
{
    const QString wednesday = Utilities::getWeekDayName(localDate(2014, 1, 15));
    TaskPtr a = plannedTask(911, QStringLiteral("A"), 30);
    TaskPtr b = plannedTask(912, QStringLiteral("B"), 30);
    TaskPtr c = plannedTask(913, QStringLiteral("C"), 30);
    a->setNpSortOrder(3);
    b->setNpSortOrder(1);
    c->setNpSortOrder(2);
    c->setNpIsMustDo(true);
    dataManager().setTaskFilterMenuIndex(6);
    setting().setMustDo(2);
    dataManager().setSevenDaysTaskList(CoreData::WeekdayTaskLists{{wednesday, {a, b, c}}});
    dataManager().setSevenDaysOpenTimeSlotsList(CoreData::WeekdayTimeSlots{{wednesday, {slot(9 * 60, 12 * 60)}}});
    grid().reloadData();
    ASSERT_EQ(grid().taskPieces().size(), 3u);
    EXPECT_EQ(grid().taskPieces()[0]->task(), c);
    EXPECT_EQ(grid().taskPieces()[1]->task(), b);
    EXPECT_EQ(grid().taskPieces()[2]->task(), a);
    dataManager().setTaskFilterMenuIndex(0);
}

TEST_F(CalendarViewTest, SelectingABoxHighlightsEveryBoxOfItsItemOnly)
{
    const QString wednesday = Utilities::getWeekDayName(localDate(2014, 1, 15));
    const TaskPtr task = plannedTask(921, QStringLiteral("Split"), 60);
    dataManager().setSevenDaysTaskList(CoreData::WeekdayTaskLists{{wednesday, {task}}});
    dataManager().setSevenDaysOpenTimeSlotsList(
        CoreData::WeekdayTimeSlots{{wednesday, {slot(9 * 60, 9 * 60 + 30), slot(11 * 60, 12 * 60)}}});
    addEvent(QStringLiteral("Other"), localDate(2014, 1, 15, 14), localDate(2014, 1, 15, 15));
    grid().reloadData();
    ASSERT_EQ(grid().taskPieces().size(), 2u);
    grid().selectTask(grid().taskPieces()[1]);
    EXPECT_TRUE(grid().taskPieces()[0]->isHighlight());
    EXPECT_TRUE(grid().taskPieces()[1]->isHighlight());
    EXPECT_FALSE(boxNamed(QStringLiteral("Other"))->isHighlight());
    grid().selectTask(boxNamed(QStringLiteral("Other")));
    EXPECT_FALSE(grid().taskPieces()[0]->isHighlight());
    EXPECT_EQ(grid().selectedItem(), boxNamed(QStringLiteral("Other")));

    // Events are found and revealed; anything else is not.
    EXPECT_FALSE(grid().revealToEvent(task));
    RecordingMainView mainView;
    const TaskPtr other = boxNamed(QStringLiteral("Other"))->task();
    EXPECT_TRUE(grid().revealToEvent(other));
    EXPECT_TRUE(mainView.calls().contains(QStringLiteral("reloadLeftPage")));
}

TEST_F(CalendarViewTest, DayNavigationMovesByCalendarDaysAcrossDaylightSaving)
{
    // Paris moves its clocks forward on 30 March 2014: that day is 23 hours.
    RecordingMainView mainView;
    showDay(localDate(2014, 3, 30));
    grid().goNext();
    EXPECT_EQ(m_monthView->monthCalendarView()->currentDay(), localDate(2014, 3, 31));
    grid().goPrev();
    grid().goPrev();
    EXPECT_EQ(m_monthView->monthCalendarView()->currentDay(), localDate(2014, 3, 29));
    // Across a month's end the main view reloads what shows the day.
    showDay(localDate(2014, 1, 31));
    grid().goNext();
    EXPECT_EQ(m_monthView->monthCalendarView()->currentDay(), localDate(2014, 2, 1));
    EXPECT_TRUE(mainView.calls().contains(QStringLiteral("reloadLeftPage")));
}

TEST_F(CalendarViewTest, RefreshingChangedRecordsKeepsAnInstanceAnInstance)
{
    // A daily series from Monday; Wednesday shows its third occurrence.
    auto series = std::make_shared<Task>();
    series->setTaskType(0);
    series->setTaskName(QStringLiteral("Standup"));
    series->setCalendarId(1);
    series->setStartTime(localDate(2014, 1, 13, 9));
    series->setEndTime(localDate(2014, 1, 13, 9, 15));
    series->setRepeatType(1);
    series->setRepeatStartDate(localDate(2014, 1, 13, 9));
    series->setParentId(-1);
    ASSERT_TRUE(series->insertIntoDatabase());
    ASSERT_TRUE(series->dehydrate());
    dataManager().doWithAllTasksEventsAdes(TaskList{series}, 0);
    grid().reloadData();
    TaskView* box = boxNamed(QStringLiteral("Standup"));
    ASSERT_NE(box, nullptr);
    const qint64 instanceKey = box->task()->primaryKey();
    ASSERT_LT(instanceKey, 0);

    series->setTaskName(QStringLiteral("Daily standup"));
    ASSERT_TRUE(series->dehydrate());
    grid().reloadData(QHash<QString, QVariant>{{QString::number(series->primaryKey()), 1}});
    EXPECT_EQ(box->task()->taskName(), QStringLiteral("Daily standup"));
    EXPECT_EQ(box->task()->primaryKey(), instanceKey) << "still the instance";
    EXPECT_EQ(box->task()->parentId(), series->primaryKey());
    EXPECT_EQ(box->task()->startTime(), localDate(2014, 1, 15, 9));
}

// A reload binds the boxes of the last load again to their items: a kept box
// shows its item as it is now, where it is now, and a box whose item left
// the day goes.
TEST_F(CalendarViewTest, AReloadKeepsTheBoxOfAnItemAndShowsItsChanges)
{
    const TaskPtr renamed = addEvent(QStringLiteral("standup"), localDate(2014, 1, 15, 9), localDate(2014, 1, 15, 10));
    const TaskPtr moved = addEvent(QStringLiteral("review"), localDate(2014, 1, 15, 11), localDate(2014, 1, 15, 12));
    const TaskPtr leaving = addEvent(QStringLiteral("lunch"), localDate(2014, 1, 15, 13), localDate(2014, 1, 15, 14));
    grid().reloadData();
    ASSERT_EQ(grid().eventBoxes().size(), 3u);
    const QPointer<TaskView> renamedBox = boxNamed(QStringLiteral("standup"));
    const QPointer<TaskView> movedBox = boxNamed(QStringLiteral("review"));
    const QPointer<TaskView> leavingBox = boxNamed(QStringLiteral("lunch"));
    ASSERT_TRUE(renamedBox && movedBox && leavingBox);

    renamed->setTaskName(QStringLiteral("stand-up"));
    moved->setStartTime(localDate(2014, 1, 15, 16));
    moved->setEndTime(localDate(2014, 1, 15, 17));
    leaving->setStartTime(localDate(2014, 1, 16, 13));
    leaving->setEndTime(localDate(2014, 1, 16, 14));
    for (const TaskPtr& item : {renamed, moved, leaving}) ASSERT_TRUE(item->dehydrate());
    addEvent(QStringLiteral("call"), localDate(2014, 1, 15, 18), localDate(2014, 1, 15, 19));
    grid().reloadData();

    ASSERT_EQ(grid().eventBoxes().size(), 3u);
    struct Expected {
        const char* name;
        TaskView* keptBox;  // null: a box of its own
        double y;
    };
    const Expected expected[] = {
        {"stand-up", renamedBox, 9 * 46 + 23},
        {"review", movedBox, 16 * 46 + 23},
        {"call", nullptr, 18 * 46 + 23},
    };
    for (const Expected& e : expected) {
        TaskView* box = boxNamed(QString::fromUtf8(e.name));
        ASSERT_TRUE(box) << e.name;
        if (e.keptBox) {
            EXPECT_EQ(box, e.keptBox) << e.name << " keeps its box";
        }
        EXPECT_TRUE(box->taskNameLabel()->stringValue().contains(QString::fromUtf8(e.name))) << e.name;
        EXPECT_EQ(box->frame().y(), e.y) << e.name;
        EXPECT_FALSE(box->isHidden()) << e.name;
    }
    EXPECT_FALSE(boxNamed(QStringLiteral("standup"))) << "no box shows the old name";
    EXPECT_FALSE(boxNamed(QStringLiteral("lunch")));
    if (leavingBox) {
        EXPECT_NE(leavingBox->parentWidget(), renamedBox->parentWidget()) << "the left box leaves the day";
    }
}

TEST_F(CalendarViewTest, AReloadKeepsThePiecesOfAPlannedTaskAndItsLine)
{
    const QString wednesday = Utilities::getWeekDayName(localDate(2014, 1, 15));
    const TaskPtr report = plannedTask(911, QStringLiteral("Report"), 60);
    const TaskPtr mail = plannedTask(912, QStringLiteral("Mail"), 30);
    const TaskPtr call = plannedTask(913, QStringLiteral("Call"), 30);
    const auto pour = [&](const TaskList& tasks) {
        dataManager().setSevenDaysTaskList(CoreData::WeekdayTaskLists{{wednesday, tasks}});
        dataManager().setSevenDaysOpenTimeSlotsList(
            CoreData::WeekdayTimeSlots{{wednesday, {slot(9 * 60, 9 * 60 + 45), slot(10 * 60, 12 * 60)}}});
        grid().reloadData();
    };
    pour({report, mail});
    ASSERT_EQ(grid().taskPieces().size(), 3u);
    ASSERT_EQ(grid().linkLines().size(), 1u);
    const std::vector<QPointer<TaskView>> last = grid().taskPieces();
    const QPointer<TaskLinkLine> line = grid().linkLines()[0];

    pour({report, call});
    const auto& pieces = grid().taskPieces();
    ASSERT_EQ(pieces.size(), 3u);
    EXPECT_EQ(pieces[0], last[0]) << "Report's first piece is kept";
    EXPECT_EQ(pieces[1], last[1]) << "and its second";
    EXPECT_EQ(grid().linkLines()[0], line) << "and the line between them";
    EXPECT_EQ(pieces[2]->task(), call);
    EXPECT_NE(pieces[2], last[2]) << "Call has a piece of its own, not Mail's";
    if (last[2]) {
        EXPECT_NE(last[2]->parentWidget(), pieces[0]->parentWidget()) << "Mail's piece leaves the day";
    }

    setting().setShowTask(0);
    grid().reloadData();
    EXPECT_TRUE(grid().taskPieces().empty());
    EXPECT_TRUE(grid().linkLines().empty());
    EXPECT_FALSE(line) << "a line left over goes at once";
    setting().setShowTask(1);
}
