// The mini month over a real database: the grid's cells and labels, the
// delayed shading, bars and dots read from rendered pixels, the selection,
// the panel's title, header and month steps, and the navigator stack.
#include "MonthCalendarView.h"
#include "MonthCellView.h"
#include "MonthNavigation.h"
#include "MonthView.h"

#include "../../Model/TaskTestFixture.h"
#include "Clicks.h"
#include "CoreData.h"
#include "Event.h"
#include "GregorianCalendar.h"
#include "ImageView.h"
#include "ManualScheduler.h"
#include "NotificationCenter.h"
#include "Notifications.h"
#include "RecordingMainView.h"
#include "Scheduler.h"
#include "Screenshot.h"
#include "SegmentedControl.h"
#include "TextField.h"
#include "TextTable.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <memory>

namespace MonthCalendarViewTests {

constexpr qint64 parisZone = 53392;  // in the zone table

Date day(int year, int month, int dayOfMonth, int hour = 0, int minute = 0)
{
    return GregorianCalendar::dateFromFields(year, month, dayOfMonth, hour, minute, 0);
}

class MonthCalendarViewTest : public TaskTest {
protected:
    void SetUp() override
    {
        TaskTest::SetUp();
        dataManager().loadTimeZones();
        Scheduler::setCurrent(&m_scheduler);
        Clock::setFixed(day(2024, 3, 20, 10));
        m_mainView = std::make_unique<RecordingMainView>();
        m_panel = std::make_unique<MonthView>(QRectF(0, 0, 280, 243));
        m_mainView->month = m_panel.get();
    }

    void TearDown() override
    {
        m_navigator.reset();
        m_panel.reset();
        m_mainView.reset();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        Scheduler::setCurrent(nullptr);
        MonthCalendarView::setNavigatorCellWidth(24);
        TaskTest::TearDown();
    }

    MonthCalendarView& grid() { return *m_panel->monthCalendarView(); }

    // The main panel showing the month of the day, laid out.
    void show(const Date& date)
    {
        grid().setMonthDate(date);
        grid().setCurrentDay(date, false);
        m_panel->reloadDataWithDaylabel(true, true);
    }

    MonthCellView* cellOf(MonthCalendarView& monthGrid, const Date& date)
    {
        for (MonthCellView* cell : monthGrid.monthCellList())
            if (cell->type() == 0 && cell->cellDate() == date) return cell;
        return nullptr;
    }

    TaskPtr addEvent(const Date& start, const Date& end, bool allDay = false, qint64 category = 1)
    {
        auto event = std::make_shared<Task>();
        event->setTaskType(0);
        event->setTaskName(QStringLiteral("Event"));
        event->setCalendarId(category);
        event->setTz(parisZone);
        event->setIsADE(allDay ? 1 : 0);
        event->setStartTime(start);
        event->setEndTime(end);
        event->setDuration(qint64(end.timeIntervalSinceDate(start) / 60));
        EXPECT_TRUE(event->insertIntoDatabase());
        EXPECT_TRUE(event->dehydrate());
        dataManager().doWithAllTasksEventsAdes(TaskList{event}, 0);
        return event;
    }

    TaskPtr addDueTask(const Date& due)
    {
        auto task = std::make_shared<Task>();
        task->setTaskType(1);
        task->setTaskName(QStringLiteral("Due"));
        task->setCalendarId(1);
        task->setHasDue(1);
        task->setDueEnd(due);
        EXPECT_TRUE(task->insertIntoDatabase());
        EXPECT_TRUE(task->dehydrate());
        dataManager().doWithAllTasksEventsAdes(TaskList{task}, 0);
        return task;
    }

    // The colour of a point of the widget as rendered, in its coordinates.
    static QColor pixel(QWidget* widget, const QPointF& point)
    {
        return widget->grab().toImage().pixelColor(point.toPoint());
    }
    QColor pixelOfCell(const MonthCellView* cell, const QPointF& inCell)
    {
        return pixel(&grid(), cell->frame().topLeft() + inCell);
    }

    ManualScheduler m_scheduler;
    std::unique_ptr<RecordingMainView> m_mainView;
    std::unique_ptr<MonthView> m_panel;
    std::unique_ptr<MonthNavigation> m_navigator;
};

TEST_F(MonthCalendarViewTest, SelectingADayReloadsTheDayPaneOnlyWithinTheMonthShown)
{
    // The panel starts on today.
    EXPECT_EQ(grid().currentDay(), day(2024, 3, 20));
    EXPECT_EQ(dataManager().currentSelectedDay(), day(2024, 3, 20));

    // The first day shown: its month is new, so the caller reloads.
    EXPECT_TRUE(grid().setCurrentDay(day(2026, 12, 7)));
    EXPECT_EQ(grid().currentDay(), day(2026, 12, 7));
    EXPECT_EQ(dataManager().currentSelectedDay(), day(2026, 12, 7));
    EXPECT_TRUE(m_mainView->calls().isEmpty());

    // Another day of the same month: the day pane and note list reload here.
    EXPECT_FALSE(grid().setCurrentDay(day(2026, 12, 8)));
    EXPECT_EQ(m_mainView->calls(), (QStringList{QStringLiteral("reloadDay"), QStringLiteral("reloadNotes")}));
    // The day already held is no change at all.
    EXPECT_TRUE(grid().setCurrentDay(day(2026, 12, 8)));
    EXPECT_EQ(m_mainView->calls().size(), 2);

    // Into the next month: the month follows and the answer says so.
    EXPECT_TRUE(grid().setCurrentDay(day(2027, 1, 1)));
    EXPECT_EQ(grid().monthDate(), day(2027, 1, 1));
    EXPECT_EQ(m_mainView->calls().size(), 2);

    // While a planner fills the window the day pane is left alone.
    m_mainView->plannerExpand = true;
    EXPECT_FALSE(grid().setCurrentDay(day(2027, 1, 2)));
    EXPECT_EQ(m_mainView->calls().size(), 2);

    // Without a reload only the selection moves; the null day changes nothing.
    EXPECT_TRUE(grid().setCurrentDay(day(2027, 3, 5), false));
    EXPECT_EQ(grid().monthDate(), day(2027, 1, 2)) << "unchanged since the last reload";
    EXPECT_TRUE(grid().setCurrentDay(Date()));
    EXPECT_EQ(grid().currentDay(), day(2027, 3, 5));
}

TEST_F(MonthCalendarViewTest, MonthChangesAreCountedByMonthAndYearAndNavigatorGridsTellThem)
{
    std::vector<QObject*> posted;
    QObject observer;
    NotificationCenter::defaultCenter().addObserver(&observer, kSelectedMonthChangedNotification, nullptr,
                                                    [&posted](const Notification& n) {
                                                        posted.push_back(n.objectAs<QObject*>());
                                                    });
    MonthCalendarView loose;
    EXPECT_TRUE(loose.setMonthDate(day(2026, 5, 1)));
    EXPECT_FALSE(loose.setMonthDate(day(2026, 5, 31)));
    EXPECT_TRUE(loose.setMonthDate(day(2027, 5, 1))) << "same month, other year";
    EXPECT_FALSE(loose.setMonthDate(Date()));
    EXPECT_TRUE(loose.monthDate().isNull());
    EXPECT_TRUE(posted.empty()) << "a main grid posts nothing";

    MonthView navigatorPanel(QRectF(0, 0, 170, 195), true, true);
    MonthCalendarView* navGrid = navigatorPanel.monthCalendarView();
    EXPECT_TRUE(navGrid->setMonthDate(day(2024, 7, 3)));
    EXPECT_FALSE(navGrid->setMonthDate(day(2024, 7, 30)));
    EXPECT_EQ(posted, std::vector<QObject*>{navGrid});

    EXPECT_FALSE(MonthView::preferredLang().isEmpty());
    EXPECT_FALSE(MonthView::preferredLang().contains(QLatin1Char('-')));
}

TEST_F(MonthCalendarViewTest, CellsLabelsAndGreyDaysOfTheMainAndNavigatorGrids)
{
    // February 2026 from a Sunday: rows 0-3 hold the month, 1-14 March are grey.
    show(day(2026, 2, 10));
    ASSERT_EQ(grid().monthCellList().size(), 48u);
    const auto& cells = grid().monthCellList();
    EXPECT_EQ(cells[0]->frame(), QRectF(0, 0, 28, 33));
    EXPECT_EQ(cells[1]->frame(), QRectF(28, 0, 36, 33));
    EXPECT_EQ(cells[47]->frame(), QRectF(244, 165, 36, 33));
    EXPECT_EQ(cells[1]->cellDate(), day(2026, 2, 1));
    EXPECT_EQ(cells[1]->dayLabel()->stringValue(), QStringLiteral("1"));
    EXPECT_FALSE(cells[31]->gray());
    EXPECT_TRUE(cells[33]->gray());
    EXPECT_EQ(cells[33]->cellDate(), day(2026, 3, 1));
    EXPECT_EQ(cells[47]->cellDate(), day(2026, 3, 14));
    EXPECT_EQ(grid().startTime(), day(2026, 2, 1));
    EXPECT_EQ(grid().endTime(), GregorianCalendar::dateFromFields(2026, 3, 14, 23, 59, 59));
    EXPECT_NEAR(cells[33]->dayLabel()->textColor().alphaF(), 0.5, 0.01) << "a grey number is dimmed";

    // Week numbers as the calendar counts them, by week start.
    struct WeekCase {
        qint64 weekStart;
        int firstWeek;
    };
    for (const WeekCase c : {WeekCase{0, 1}, WeekCase{1, 53}}) {
        setting().setWeekStartDay(c.weekStart);
        grid().setMonthDate(day(2022, 6, 1));
        show(day(2023, 1, 12));
        for (int row = 0; row < 6; ++row)
            EXPECT_EQ(cells[size_t(row * 8)]->dayLabel()->stringValue(), QString::number(c.firstWeek + row))
                << c.weekStart;
    }

    // A navigator day label has a leading blank; the week column stays out of sight.
    MonthView navigatorPanel(QRectF(0, 0, 168, 225), true, true);
    navigatorPanel.monthCalendarView()->setMonthDate(day(2024, 3, 1));
    navigatorPanel.reloadDataWithDaylabel(false, true);
    const auto& navCells = navigatorPanel.monthCalendarView()->monthCellList();
    EXPECT_EQ(cellOf(*navigatorPanel.monthCalendarView(), day(2024, 3, 5))->dayLabel()->stringValue(),
              QStringLiteral(" 5"));
    EXPECT_EQ(navCells[8]->frame(), QRectF(-24, 30, 24, 30));
    EXPECT_EQ(navCells[9]->frame(), QRectF(0, 30, 24, 30));
}

TEST_F(MonthCalendarViewTest, ShadingBarsDotsAndTodayAppearAfterTheQuietPeriod)
{
    show(day(2024, 3, 13));
    for (int i = 0; i < 4; ++i) addEvent(day(2024, 3, 13, 8 + i), day(2024, 3, 13, 8 + i, 30));
    for (int i = 0; i < 8; ++i) addEvent(day(2024, 3, 14, 8 + i), day(2024, 3, 14, 8 + i, 30));
    addEvent(day(2024, 3, 15, 9), day(2024, 3, 15, 10));
    addEvent(day(2024, 3, 12), GregorianCalendar::dateFromFields(2024, 3, 12, 23, 59, 59), true);
    addEvent(day(2024, 3, 13), GregorianCalendar::dateFromFields(2024, 3, 13, 23, 59, 59), true);
    addDueTask(day(2024, 3, 21, 17));
    show(day(2024, 3, 13));
    grid().drawMonthCells();

    MonthCellView* busy = cellOf(grid(), day(2024, 3, 13));
    ASSERT_NE(busy, nullptr);
    EXPECT_EQ(pixelOfCell(busy, QPointF(30, 28)), QColor(248, 248, 248)) << "nothing before the delay";
    m_scheduler.advance(1.9);
    EXPECT_DOUBLE_EQ(busy->freeRatio(), 0);
    m_scheduler.advance(0.1);

    struct Shade {
        Date date;
        double ratio;
        int grey;
    };
    for (const Shade& s : {Shade{day(2024, 3, 13), 0.6, 170}, Shade{day(2024, 3, 14), 0.9, 139},
                           Shade{day(2024, 3, 15), 0.3, 200}, Shade{day(2024, 3, 12), 0, 248}}) {
        MonthCellView* cell = cellOf(grid(), s.date);
        EXPECT_DOUBLE_EQ(cell->freeRatio(), s.ratio);
        EXPECT_EQ(pixelOfCell(cell, QPointF(30, 30)), QColor(s.grey, s.grey, s.grey)) << s.grey;
    }
    // The all-day bars: two, in lane 0; 13 March is row 2, column 3.
    ASSERT_EQ(grid().arrayOfImageView().size(), 2u);
    EXPECT_EQ(grid().arrayOfImageView()[1]->frame(), QRectF(137, 77, 35, 22.0 / 3 - 1));
    const QColor bar = pixel(&grid(), QPointF(150, 80));
    EXPECT_NE(bar, pixel(&grid(), QPointF(150, 100))) << "the bar covers the shading";
    EXPECT_NE(bar.red() == bar.green() && bar.green() == bar.blue(), true) << "the bar has its category's colour";

    // The due dot, today's label and the selection frame.
    MonthCellView* due = cellOf(grid(), day(2024, 3, 21));
    EXPECT_TRUE(due->hasDot());
    EXPECT_EQ(due->dotView()->frame(), QRectF(21, 4, 6, 6));
    EXPECT_EQ(pixelOfCell(due, QPointF(24, 7)).red(), 255);
    EXPECT_FALSE(busy->hasDot());
    MonthCellView* today = cellOf(grid(), day(2024, 3, 20));
    EXPECT_EQ(pixelOfCell(today, QPointF(2, 6)), QColor(106, 149, 244));
    EXPECT_TRUE(grid().isCurrentDateShown());
    EXPECT_EQ(grid().currentDateImgView()->frame().topLeft(), busy->frame().topLeft());
    saveScreenshot(m_panel.get(), QStringLiteral("month-main-sunday"));
}

TEST_F(MonthCalendarViewTest, RedrawsOfTwoGridsShareOneDelay)
{
    show(day(2024, 3, 13));
    addEvent(day(2024, 3, 13, 8), day(2024, 3, 13, 9));
    MonthView navigatorPanel(QRectF(0, 0, 170, 195), true, true);
    navigatorPanel.monthCalendarView()->setMonthDate(day(2024, 3, 1));

    grid().drawMonthCells();
    m_scheduler.advance(1.5);
    navigatorPanel.reloadDataWithDaylabel(false, true);
    MonthCellView* mainCell = cellOf(grid(), day(2024, 3, 13));
    MonthCellView* navCell = cellOf(*navigatorPanel.monthCalendarView(), day(2024, 3, 13));
    m_scheduler.advance(1.9);
    EXPECT_DOUBLE_EQ(mainCell->freeRatio(), 0) << "the second redraw restarted the first grid's delay";
    m_scheduler.advance(0.1);
    EXPECT_DOUBLE_EQ(mainCell->freeRatio(), 0.3);
    EXPECT_DOUBLE_EQ(navCell->freeRatio(), 0.3);
    // Once: later changes wait for the next redraw.
    addEvent(day(2024, 3, 13, 10), day(2024, 3, 13, 11));
    addEvent(day(2024, 3, 13, 12), day(2024, 3, 13, 13));
    m_scheduler.advance(10);
    EXPECT_DOUBLE_EQ(mainCell->freeRatio(), 0.3);
}

TEST_F(MonthCalendarViewTest, ClicksInTheMainGridMoveTheFrameOrTheMonth)
{
    show(day(2024, 3, 13));
    m_mainView->clearCalls();
    MonthCellView* target = cellOf(grid(), day(2024, 3, 9));
    Clicks::click(m_panel.get(), Clicks::inWindow(target, QPointF(18, 20)));
    EXPECT_EQ(grid().currentDay(), day(2024, 3, 9));
    EXPECT_EQ(m_mainView->calls(), (QStringList{QStringLiteral("reloadDay"), QStringLiteral("reloadNotes")}));
    EXPECT_EQ(grid().currentDateImgView()->frame().topLeft(), target->frame().topLeft());
    EXPECT_EQ(m_panel->monthLabel()->frame().x(), 20) << "day 9";

    // A grey day shows its month through the main view's reload.
    m_mainView->clearCalls();
    Clicks::click(m_panel.get(), Clicks::inWindow(cellOf(grid(), day(2024, 4, 2)), QPointF(18, 20)));
    EXPECT_EQ(grid().currentMonth(), 4);
    EXPECT_EQ(m_mainView->calls(), QStringList{QStringLiteral("reloadLeftPage")});
    // The week-number column takes no click.
    Clicks::click(m_panel.get(), Clicks::inWindow(grid().monthCellList()[8], QPointF(10, 10)));
    EXPECT_EQ(grid().currentDay(), day(2024, 4, 2));
}

TEST_F(MonthCalendarViewTest, TitleHeaderAndLanguage)
{
    setting().setWeekStartDay(1);
    struct Case {
        Date date;
        bool withDay;
        double titleX;
    };
    for (const Case c : {Case{day(2024, 3, 9), true, 20}, Case{day(2024, 3, 10), true, 40}}) {
        grid().setMonthDate(c.date);
        m_panel->reloadDataWithDaylabel(c.withDay, true);
        EXPECT_EQ(m_panel->monthLabel()->frame().x(), c.titleX);
        EXPECT_EQ(m_panel->monthLabel()->stringValue(), QStringLiteral("March 2024"));
        EXPECT_EQ(m_panel->dayLabel()->stringValue(), QString::number(GregorianCalendar::fields(c.date).day));
    }
    QStringList header;
    for (TextField* label : m_panel->arrayOfWeekDay()) header << label->stringValue();
    QStringList expected{QStringLiteral("CW")};
    for (const char* key : {"monText", "tueText", "wedText", "thuText", "friText", "satText", "sunText"})
        expected << TextTable::localizedString(QLatin1String(key)).toUpper();
    EXPECT_EQ(header, expected);

    MonthView navigatorPanel(QRectF(0, 0, 170, 195), true, true);
    navigatorPanel.monthCalendarView()->setMonthDate(day(2024, 3, 1));
    navigatorPanel.reloadDataWithDaylabel(false, true);
    EXPECT_EQ(navigatorPanel.arrayOfWeekDay().front()->stringValue(),
              TextTable::localizedString(QStringLiteral("monText")).left(2));

    // The Japanese forms, with and without the day; any other language the plain one.
    struct Lang {
        const char* lang;
        bool withDay;
        QString title;
    };
    const QString year = TextTable::localizedString(QStringLiteral("repeatEveryYearText"));
    const QString dayText = TextTable::localizedString(QStringLiteral("dayText"));
    for (const Lang& l : {Lang{"ja", true, QStringLiteral("2024") + year + QStringLiteral("March10") + dayText},
                          Lang{"ja", false, QStringLiteral("2024") + year + QStringLiteral("March")},
                          Lang{"fr", true, QStringLiteral("March 2024")}, Lang{"", true, QStringLiteral("March 2024")}}) {
        m_panel->setPreferredLang(QLatin1String(l.lang));
        m_panel->showMonthTitleWithDay(l.withDay);
        EXPECT_EQ(m_panel->monthLabel()->stringValue(), l.title) << l.lang;
    }
}

TEST_F(MonthCalendarViewTest, MonthStepsTodayAndSwipes)
{
    struct Case {
        Date from;
        int segment;  // 0 previous, 2 next
        Date shown;
    };
    for (const Case& c : {Case{day(2024, 5, 31), 0, day(2024, 5, 1)}, Case{day(2024, 1, 30), 2, day(2024, 3, 1)},
                          Case{day(2023, 3, 31), 0, day(2023, 3, 3)}, Case{day(2024, 7, 15), 2, day(2024, 8, 15)}}) {
        grid().setMonthDate(c.from);
        m_panel->nextPrevMonth(c.segment);
        EXPECT_EQ(grid().monthDate(), c.shown);
        EXPECT_EQ(grid().currentDay(), c.shown);
        EXPECT_EQ(m_panel->control()->selectedSegment(), -1);
    }
    m_mainView->clearCalls();
    m_panel->nextPrevMonth(1);
    EXPECT_EQ(grid().currentDay(), day(2024, 3, 20));
    EXPECT_EQ(m_panel->control()->selectedSegment(), -1) << "today never stays selected";
    EXPECT_EQ(m_mainView->calls(), QStringList{QStringLiteral("reloadLeftPage")});

    struct Swipe {
        double deltaX;
        int month;
    };
    for (const Swipe s : {Swipe{-1, 2}, Swipe{1, 3}, Swipe{0, 4}}) {
        Event swipe;
        swipe.type = EventType::Swipe;
        swipe.deltaX = s.deltaX;
        m_panel->swipeWithEvent(swipe);
        EXPECT_EQ(grid().currentMonth(), s.month) << s.deltaX;
    }
}

TEST_F(MonthCalendarViewTest, TheNavigatorStackFollowsTheSelectedDay)
{
    struct Size {
        double height;
        int panels;
        QSizeF panel;
    };
    for (const Size& s : {Size{900, 4, QSizeF(196.15, 225)}, Size{600, 3, QSizeF(174.36, 200)},
                          Size{780, 4, QSizeF(170, 195)}, Size{779, 3, QSizeF(226.38, 259.67)}}) {
        EXPECT_EQ(MonthNavigation::panelCountForHeight(s.height), s.panels);
        EXPECT_NEAR(MonthNavigation::panelSizeForHeight(s.height).width(), s.panel.width(), 0.01);
        EXPECT_NEAR(MonthNavigation::panelSizeForHeight(s.height).height(), s.panel.height(), 0.01);
    }

    dataManager().setCurrentSelectedDay(day(2024, 3, 20));
    m_navigator = std::make_unique<MonthNavigation>(QRectF(0, 0, 196, 900));
    m_mainView->navigator = m_navigator.get();
    // A hidden navigator does not follow; on screen it does.
    EXPECT_EQ(m_navigator->monthList().front()->monthCalendarView()->currentMonth(), 0);
    m_navigator->show();
    m_navigator->reloadData();
    const auto& panels = m_navigator->monthList();
    ASSERT_EQ(panels.size(), 4u);
    EXPECT_EQ(panels[3]->frame().y(), 675);
    EXPECT_NEAR(MonthCalendarView::navigatorCellWidth(), 196.15 / 7, 0.01);
    auto months = [&panels] {
        std::vector<int> shown;
        for (MonthView* panel : panels) shown.push_back(panel->monthCalendarView()->currentMonth());
        return shown;
    };
    auto framed = [&panels] {
        std::vector<bool> shown;
        for (MonthView* panel : panels) shown.push_back(panel->monthCalendarView()->isCurrentDateShown());
        return shown;
    };
    EXPECT_EQ(months(), (std::vector<int>{3, 4, 5, 6}));

    // A day in a month the stack shows: the months stay, that panel frames it.
    grid().setCurrentDay(day(2024, 3, 25));
    m_navigator->reloadData();
    EXPECT_EQ(framed(), (std::vector<bool>{true, false, false, false}));
    grid().setCurrentDay(day(2024, 5, 8));
    m_navigator->reloadData();
    EXPECT_EQ(months(), (std::vector<int>{3, 4, 5, 6}));
    EXPECT_EQ(framed(), (std::vector<bool>{false, false, true, false}));
    // A day outside: the stack starts with its month and nothing is framed.
    grid().setCurrentDay(day(2025, 1, 8, 14, 30));
    m_navigator->reloadData();
    EXPECT_EQ(months(), (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(framed(), (std::vector<bool>{false, false, false, false}));
    // The rebuild gives every grid the selected day.
    m_navigator->forceReloadData();
    for (MonthView* panel : panels) EXPECT_EQ(panel->monthCalendarView()->currentDay(), day(2025, 1, 8, 14, 30));
    EXPECT_EQ(panels[0]->monthCalendarView()->currentMonth(), 1);
    // A selected day with a time of day is still framed by its calendar day.
    EXPECT_TRUE(panels[0]->monthCalendarView()->drawSelectedDate(day(2025, 1, 8, 14, 30), false));
    saveScreenshot(m_navigator.get(), QStringLiteral("month-navigator"));

    // A click on a navigator day folds a pinned planner back.
    struct Pin {
        qint64 month, week;
        QString call;
    };
    for (const Pin& p : {Pin{1, 0, QStringLiteral("collapseMonthRow")}, Pin{0, 1, QStringLiteral("collapseWeekBand")}}) {
        setting().setIsMonthPlannerPinned(p.month);
        setting().setIsWeekPlannerPinned(p.week);
        m_mainView->clearCalls();
        MonthCellView* cell = cellOf(*panels[1]->monthCalendarView(), day(2025, 2, 12));
        Clicks::click(m_navigator.get(), Clicks::inWindow(cell, QPointF(5, 20)));
        EXPECT_TRUE(m_mainView->calls().contains(p.call)) << p.call.toStdString();
        EXPECT_EQ(framed(), (std::vector<bool>{false, true, false, false}));
        EXPECT_EQ(grid().currentMonth(), 2) << "the main grid shows the clicked month";
    }
}

}  // namespace MonthCalendarViewTests
