// The mini month over a real database: the grid's cells and labels, the
// delayed shading, bars and dots read from rendered pixels, the selection,
// the panel's title, header and month steps, and the navigator stack.
#include "MonthCalendarView.h"
#include "MonthCellView.h"
#include "MonthNavigation.h"
#include "MonthView.h"

#include "../../Model/TaskTestFixture.h"
#include "AlertRequest.h"
#include "AlertResponse.h"
#include "Button.h"
#include "Clicks.h"
#include "DragSource.h"
#include "KeyedArchive.h"
#include "RecordingICalSync.h"
#include "ScriptedAlertPresenter.h"
#include "ZVWSync.h"
#include "../../../Sources/Model/Notifications.h"
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
#include "TextMeasure.h"
#include "SegmentedControl.h"
#include "TextField.h"
#include "TextTable.h"

#include <QApplication>
#include <QLocale>
#include <QDropEvent>
#include <QMimeData>

#include <gtest/gtest.h>

#include <array>
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

    TaskPtr addEvent(const Date& start, const Date& end, bool allDay = false, qint64 category = 1,
                     const QString& tags = QString())
    {
        auto event = std::make_shared<Task>();
        event->setTagList(tags);
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

    // Week numbers as the calendar counts them: each row the week of year of
    // its own first day, so the weeks either side of a year's end read the
    // same in December and in January, whatever the week start.
    struct WeekCase {
        int year, month;
        qint64 weekStart;
        std::array<int, 6> weeks;
    };
    const WeekCase weekCases[] = {
        {2020, 12, 0, {49, 50, 51, 52, 1, 2}}, {2020, 12, 1, {49, 50, 51, 52, 1, 2}},
        {2021, 1, 0, {1, 2, 3, 4, 5, 6}},      {2021, 1, 1, {1, 2, 3, 4, 5, 6}},
        {2026, 12, 0, {49, 50, 51, 52, 1, 2}}, {2026, 12, 1, {49, 50, 51, 52, 1, 2}},
        {2027, 1, 0, {1, 2, 3, 4, 5, 6}},      {2027, 1, 1, {1, 2, 3, 4, 5, 6}},
        {2023, 1, 0, {1, 2, 3, 4, 5, 6}},      {2023, 1, 1, {53, 1, 2, 3, 4, 5}},
    };
    for (const WeekCase& c : weekCases) {
        setting().setWeekStartDay(c.weekStart);
        grid().setMonthDate(day(2022, 6, 1));
        show(day(c.year, c.month, 12));
        QStringList shown;
        QStringList expected;
        for (int row = 0; row < 6; ++row) {
            shown << cells[size_t(row * 8)]->dayLabel()->stringValue();
            expected << QString::number(c.weeks[size_t(row)]);
        }
        EXPECT_EQ(shown, expected) << c.year << "-" << c.month << " start " << c.weekStart;
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
    for (int lane = 0; lane < 3; ++lane)
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
        // Above the bar lanes, clear of the number.
        EXPECT_EQ(pixelOfCell(cell, QPointF(31, 6)), QColor(s.grey, s.grey, s.grey)) << s.grey;
    }
    // The all-day bars: 12 March, then 13 March (row 2, column 3) in each lane.
    ASSERT_EQ(grid().arrayOfImageView().size(), 4u);
    for (int lane = 0; lane < 3; ++lane)
        EXPECT_EQ(grid().arrayOfImageView()[size_t(lane == 0 ? 1 : lane + 1)]->frame(),
                  QRectF(137, 77 + lane * 22.0 / 3, 35, 22.0 / 3 - 1));
    const QColor bar = pixel(&grid(), QPointF(165, 80));
    EXPECT_NE(bar, pixel(&grid(), QPointF(165, 72))) << "the bar covers the shading";
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
    // Redraws that keep coming (the reloads of another program's writes into
    // the store) put it off by one more delay at most.
    for (int k = 0; k < 10; ++k) {
        grid().drawMonthCells();
        m_scheduler.advance(0.5);
    }
    EXPECT_DOUBLE_EQ(mainCell->freeRatio(), 0.6);
}

TEST_F(MonthCalendarViewTest, ARedrawKeepsTheShadingAndTheTagFilterHidesWhatItCounts)
{
    addEvent(day(2024, 3, 13, 8), day(2024, 3, 13, 9));
    addEvent(day(2024, 3, 14, 8), day(2024, 3, 14, 9), false, 1, QStringLiteral("work"));
    for (const auto& [filterOn, taggedDay] : {std::pair{false, 0.3}, std::pair{true, 0.0}}) {
        dataManager().setIsAppliedTagFilter(filterOn);  // on, with no tag shown: untagged items only
        show(day(2024, 3, 13));
        m_scheduler.advance(2);
        EXPECT_DOUBLE_EQ(cellOf(grid(), day(2024, 3, 14))->freeRatio(), taggedDay) << filterOn;
        grid().drawMonthCells();  // a reload of the same month keeps the shading until the recount
        m_scheduler.advance(1);
        EXPECT_DOUBLE_EQ(cellOf(grid(), day(2024, 3, 13))->freeRatio(), 0.3) << "no flicker";
    }
    dataManager().setIsAppliedTagFilter(false);
}

// The main panel hides under the add form; a series saved from there asks
// for a reload the hidden panel skipped: it is made when the panel shows.
TEST_F(MonthCalendarViewTest, AReloadAskedForWhileHiddenIsMadeWhenThePanelShowsAgain)
{
    m_panel->show();
    show(day(2024, 3, 13));
    m_scheduler.advance(2);
    ASSERT_DOUBLE_EQ(cellOf(grid(), day(2024, 3, 14))->freeRatio(), 0);
    m_panel->hide();
    addEvent(day(2024, 3, 14, 8), day(2024, 3, 14, 9));
    m_panel->reloadDataWithDaylabel(true);
    m_scheduler.advance(2);
    m_panel->show();
    m_scheduler.advance(2);
    EXPECT_DOUBLE_EQ(cellOf(grid(), day(2024, 3, 14))->freeRatio(), 0.3);
}

TEST_F(MonthCalendarViewTest, TheTitleEndsBeforeTheTipButtonWithItsYearWhole)
{
    for (const Date& date : {day(2026, 5, 5), day(2026, 9, 23), day(2026, 12, 30)}) {
        show(date);
        const TextField* title = m_panel->monthLabel();
        EXPECT_TRUE(title->stringValue().endsWith(QStringLiteral(" 2026")));
        EXPECT_LE(title->frame().x() + TextMeasure::sizeOfText(title->stringValue(), title->textFont()).width(),
                  m_panel->guruButton()->frame().x())
            << title->stringValue().toStdString();
    }
    m_panel->guruButton()->show();
    saveScreenshot(m_panel.get(), QStringLiteral("month-main-title-and-tip-button"));
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
    saveScreenshot(m_panel.get(), QStringLiteral("month-main-monday"));

    // The tip button shows while the pointer is over the title.
    Event over;
    over.type = EventType::MouseEntered;
    over.locationInWindow = m_panel->convertPointToWindow(QPointF(100, 15));
    m_panel->mouseEntered(over);
    EXPECT_FALSE(m_panel->guruButton()->isHidden());
    m_panel->mouseExited(over);
    EXPECT_TRUE(m_panel->guruButton()->isHidden());

    // A panel made in Japanese has no big day number.
    const QLocale previous;
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    MonthView japanese(QRectF(0, 0, 280, 243));
    QLocale::setDefault(previous);
    EXPECT_EQ(japanese.dayLabel(), nullptr);
    EXPECT_EQ(japanese.panelLang(), QStringLiteral("ja"));
    japanese.reloadDataWithDaylabel(true, true);
    saveScreenshot(&japanese, QStringLiteral("month-main-ja"));

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
    // A hidden panel waits for a forced reload.
    m_panel->setPreferredLang(QString());
    grid().setMonthDate(day(2024, 6, 1));
    m_panel->reloadDataWithDaylabel(true);
    EXPECT_EQ(m_panel->monthLabel()->stringValue(), QStringLiteral("March 2024"));
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

    // A grey day goes to the month that shows it, or moves the stack past its end.
    setting().setIsWeekPlannerPinned(0);
    struct Grey {
        int panel;
        Date date;
        std::vector<int> months;
        std::vector<bool> framed;
        int selectedIn;
    };
    for (const Grey& g : {Grey{1, day(2025, 3, 3), {1, 2, 3, 4}, {false, false, true, false}, 2},
                          Grey{3, day(2025, 5, 2), {5, 6, 7, 8}, {true, false, false, false}, 0}}) {
        MonthCellView* cell = cellOf(*panels[size_t(g.panel)]->monthCalendarView(), g.date);
        ASSERT_TRUE(cell && cell->gray());
        Clicks::click(m_navigator.get(), Clicks::inWindow(cell, QPointF(5, 20)));
        EXPECT_EQ(months(), g.months);
        EXPECT_EQ(framed(), g.framed);
        EXPECT_EQ(panels[size_t(g.selectedIn)]->monthCalendarView()->currentDay(), g.date);
        EXPECT_EQ(dataManager().currentSelectedDay(), g.date);
    }
}

// ---- drops on day cells -------------------------------------------------------

std::unique_ptr<QMimeData> payloadOf(const TaskPtr& item)
{
    auto payload = std::make_unique<QMimeData>();
    Task::writeItemsToPasteboard(*payload, TaskList{item});
    return payload;
}

QString text(const char* key)
{
    return TextTable::localizedString(QString::fromLatin1(key));
}

class MonthCellDropTest : public MonthCalendarViewTest {
protected:
    void SetUp() override
    {
        MonthCalendarViewTest::SetUp();
        auto sync = std::make_unique<RecordingICalSync>();
        m_sync = sync.get();
        dataManager().setICalSync(std::move(sync));
        NotificationCenter::defaultCenter().addObserver(&m_observer, kTaskChanged, nullptr,
                                                        [this](const Notification&) { ++m_taskChanged; });
        NotificationCenter::defaultCenter().addObserver(
            &m_observer, kAutoSyncNotification, nullptr,
            [this](const Notification& n) { m_autoSyncs.push_back(n.objectAs<qint64>()); });
        show(day(2024, 3, 13));
    }

    struct Outcome {
        bool entered = false;
        bool dropped = false;
    };
    // Plays a drag that enters the cell of the day and drops on it; with a
    // source the drag runs as a session of this program.
    Outcome drop(const Date& onDay, std::unique_ptr<QMimeData> payload, bool fromThisProgram = true)
    {
        MonthCellView* cell = cellOf(grid(), onDay);
        EXPECT_NE(cell, nullptr);
        Outcome outcome;
        const auto play = [&](const QMimeData* data) {
            const QPoint at(18, 20);
            QDragEnterEvent enter(at, Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(cell, &enter);
            outcome.entered = (enter.isAccepted() && enter.dropAction() != Qt::IgnoreAction);
            QDropEvent dropped(QPointF(at), Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(cell, &dropped);
            outcome.dropped = dropped.isAccepted();
        };
        if (!fromThisProgram) {
            play(payload.get());
            return outcome;
        }
        DragSource::setRunner([&](DragSource::Drag& running) {
            play(running.payload.get());
            return DragSource::Outcome{outcome.dropped ? DragOperationGeneric : DragOperationNone, {}};
        });
        struct Ending : DraggingSource {
            void draggingEnded(const QPointF&, unsigned) override {}
        } ending;
        Event press;
        press.type = EventType::LeftMouseDown;
        press.clickCount = 1;
        QImage image(20, 10, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::gray);
        DragSource::beginDrag(&m_source, &ending, std::move(payload), image, QPointF(0, 10), press, DragOperationGeneric);
        DragSource::setRunner({});
        return outcome;
    }

    TaskPtr reread(const TaskPtr& item) { return Task::initWithPrimaryKey(item->primaryKey(), db()); }

    int pushesOf(const TaskPtr& item) const
    {
        int pushes = 0;
        for (const RecordingICalSync::Call& call : m_sync->calls())
            for (const TaskPtr& pushed : call.items) pushes += pushed && pushed->primaryKey() == item->primaryKey();
        return pushes;
    }

    View m_source{QRectF(0, 0, 40, 40)};
    RecordingICalSync* m_sync = nullptr;
    QObject m_observer;
    int m_taskChanged = 0;
    std::vector<qint64> m_autoSyncs;
};

TEST_F(MonthCellDropTest, TasksTakeTheDayAtTheirDueTimeOrTheWorkingEnd)
{
    ScriptedAlertPresenter alerts;  // no question for tasks
    setting().setAutoZVWSync(1);
    QVariantMap hours = setting().dayManagers();
    hours.insert(QStringLiteral("TuedayEndTime"), 1020);
    hours.remove(QStringLiteral("FridayEndTime"));
    setting().setDayManagers(hours);

    struct Case {
        const char* name;
        Date due;       // null: none
        Date start;
        Date onDay;
        Date newDue;
        Date newStart;
        int alerts;     // -1: left as they were
    };
    const Case cases[] = {
        {"due Monday to Thursday", day(2024, 3, 11, 9, 30), day(2024, 3, 8, 14), day(2024, 3, 14), day(2024, 3, 14, 9, 30),
         day(2024, 3, 11, 14), -1},
        {"no due date, on a Tuesday", Date(), day(2024, 3, 1, 8), day(2024, 3, 12), day(2024, 3, 12, 17), day(2024, 3, 1, 8), 1},
        {"a start later than the new due", Date(), day(2024, 3, 28, 8), day(2024, 3, 12), day(2024, 3, 12, 17),
         day(2024, 3, 12, 17), 1},
        {"no working end stored", Date(), day(2024, 3, 1, 8), day(2024, 3, 15), day(2024, 3, 15, 18), day(2024, 3, 1, 8), 1},
    };
    for (const Case& c : cases) {
        auto task = std::make_shared<Task>();
        task->setTaskType(1);
        task->setTaskName(QString::fromLatin1(c.name));
        task->setCalendarId(1);
        task->setHasDue(c.due.isValid() ? 1 : 0);
        task->setDueEnd(c.due);
        task->setStartTime(c.start);
        task->setAlertValues(QStringLiteral("0/600/Glass"));
        ASSERT_TRUE(task->insertAndDehydrate());
        const int changedBefore = m_taskChanged;
        const size_t syncsBefore = m_autoSyncs.size();
        const Outcome dropped = drop(c.onDay, payloadOf(task));
        EXPECT_TRUE(dropped.entered && dropped.dropped) << c.name;
        const TaskPtr stored = reread(task);
        EXPECT_EQ(stored->dueEnd(), c.newDue) << c.name;
        EXPECT_EQ(stored->startTime(), c.newStart) << c.name;
        const auto alertsNow = stored->createAlertList();
        if (c.alerts < 0) {
            EXPECT_EQ(stored->alertValues(), QStringLiteral("0/600/Glass")) << c.name;
        } else {
            ASSERT_EQ(alertsNow.size(), c.alerts) << c.name;
            EXPECT_EQ(alertsNow.front()->alertType(), 1);
            EXPECT_EQ(alertsNow.front()->relativeOffset(), -172800);
            EXPECT_EQ(alertsNow.front()->soundName(), QString());
        }
        EXPECT_EQ(pushesOf(task), 1) << c.name << ": pushed to the calendar store";
        EXPECT_EQ(m_autoSyncs.size(), syncsBefore + 1) << c.name;
        EXPECT_EQ(m_autoSyncs.back(), AutoSync::items);
        EXPECT_EQ(m_taskChanged, changedBefore + 1) << c.name;
        EXPECT_EQ(grid().currentDay(), c.onDay) << c.name << ": the drop day is selected";
        EXPECT_EQ(dataManager().currentSelectedDay(), c.onDay);
    }
}

TEST_F(MonthCellDropTest, EventsKeepTheirTimeRepeatingOnesAskAndNotesStayOutOfTheStore)
{
    ScriptedAlertPresenter alerts;
    const TaskPtr event = addEvent(day(2024, 3, 5, 14, 15), day(2024, 3, 5, 16, 45));
    EXPECT_TRUE(drop(day(2024, 3, 20), payloadOf(event)).dropped);
    EXPECT_EQ(reread(event)->startTime(), day(2024, 3, 20, 14, 15));
    EXPECT_EQ(reread(event)->endTime(), day(2024, 3, 20, 16, 45));

    // On its own day nothing changes, yet the day is selected and the change told.
    const int changedBefore = m_taskChanged;
    EXPECT_TRUE(drop(day(2024, 3, 20), payloadOf(reread(event))).dropped);
    EXPECT_EQ(reread(event)->startTime(), day(2024, 3, 20, 14, 15));
    EXPECT_EQ(m_taskChanged, changedBefore + 1);
    EXPECT_TRUE(alerts.requests().isEmpty()) << "no question for a one-off event";

    // A later occurrence of a weekly series asks; Cancel changes nothing but the selection.
    auto master = std::make_shared<Task>();
    master->setTaskType(0);
    master->setTaskName(QStringLiteral("Weekly"));
    master->setCalendarId(1);
    master->setStartTime(day(2024, 3, 4, 9));
    master->setEndTime(day(2024, 3, 4, 10));
    master->setDuration(60);
    master->setRepeatType(1);
    master->setIsRepeatForever(1);
    master->setRepeatStartDate(master->startTime());
    ASSERT_TRUE(master->insertAndDehydrate());
    TaskList instances;
    dataManager().fillRepeatEventInstances(TaskList{master}, instances, day(2024, 3, 11), day(2024, 3, 11, 23));
    ASSERT_FALSE(instances.isEmpty());
    alerts.scriptButton(AlertResponse::thirdButton);
    EXPECT_TRUE(drop(day(2024, 3, 13), payloadOf(instances.front())).dropped);
    ASSERT_EQ(alerts.requests().size(), 1);
    EXPECT_EQ(alerts.requests().front().buttonTitles,
              (QStringList{text("onlyThisEventText"), text("allFutureEventsText"), text("cancelText")}));
    EXPECT_EQ(alerts.requests().front().messageText, text("editingEventText"));
    EXPECT_EQ(reread(master)->startTime(), day(2024, 3, 4, 9));
    EXPECT_EQ(grid().currentDay(), day(2024, 3, 13));

    // An occurrence dropped a day later with all future ones takes them
    // along: the later ones follow it, the earlier ones stay.
    const struct {
        const char* name;
        bool allDay;
        qint64 repeatType;
        const char* options;
    } series[] = {
        {"weekly on Mondays, all day", true, 2, "1/2/0"},
        {"weekly on Mondays", false, 2, "1/2/0"},
    };
    for (const auto& c : series) {
        SCOPED_TRACE(c.name);
        const TaskPtr weekly = c.allDay ? addEvent(day(2024, 3, 4), day(2024, 3, 4, 23, 59), true)
                                        : addEvent(day(2024, 3, 4, 9), day(2024, 3, 4, 10));
        weekly->setRepeatType(c.repeatType);
        weekly->setRepeatOptions(QString::fromLatin1(c.options));
        weekly->setIsRepeatForever(0);
        weekly->setRepeatStartDate(weekly->startTime());
        weekly->setRepeatEndDate(day(2024, 3, 31, 23, 59));
        ASSERT_TRUE(weekly->dehydrate());
        TaskList second;
        dataManager().fillRepeatEventInstances(TaskList{reread(weekly)}, second, day(2024, 3, 11), day(2024, 3, 11, 23));
        ASSERT_EQ(second.size(), 1);
        alerts.scriptButton(AlertResponse::secondButton);
        EXPECT_TRUE(drop(day(2024, 3, 12), payloadOf(second.front())).dropped);
        const TaskPtr later = dataManager().modifyingTask();
        ASSERT_TRUE(later && later->primaryKey() != weekly->primaryKey());
        QList<int> days;
        for (const TaskPtr& root : {reread(weekly), reread(later)}) {
            TaskList shown;
            dataManager().fillRepeatEventInstances(TaskList{root}, shown, day(2024, 3, 1), day(2024, 3, 31));
            for (const TaskPtr& item : shown) days << int(Utilities::getDay(item->startTime()));
        }
        std::sort(days.begin(), days.end());
        EXPECT_EQ(days, QList<int>({4, 12, 19, 26}));
    }

    // A note keeps its time of day and is not pushed.
    auto note = std::make_shared<Task>();
    note->setTaskType(3);
    note->setTaskName(QStringLiteral("Note"));
    note->setStartTime(day(2024, 3, 2, 7, 40));
    ASSERT_TRUE(note->insertAndDehydrate());
    EXPECT_TRUE(drop(day(2024, 3, 27), payloadOf(note)).dropped);
    EXPECT_EQ(reread(note)->startTime(), day(2024, 3, 27, 7, 40));
    EXPECT_EQ(pushesOf(note), 0);
}

TEST_F(MonthCellDropTest, ForeignBrokenChecklistAndSharedDragsAreRefused)
{
    ScriptedAlertPresenter alerts;
    auto item = [](qint64 type, bool shared) {
        auto made = std::make_shared<Task>();
        made->setTaskType(type);
        made->setTaskName(QStringLiteral("Item"));
        made->setIsShared(shared);
        made->setHasDue(1);
        made->setDueEnd(day(2024, 3, 4, 9));
        EXPECT_TRUE(made->insertAndDehydrate());
        return made;
    };
    auto bytes = [](const QByteArray& data) {
        auto payload = std::make_unique<QMimeData>();
        payload->setData(KeyedArchive::mimeType, data);
        return payload;
    };
    const TaskPtr task = item(1, false);
    struct Case {
        const char* name;
        std::unique_ptr<QMimeData> payload;
        bool fromThisProgram;
    };
    Case cases[] = {
        {"from another program", payloadOf(task), false},
        {"without the item type", std::make_unique<QMimeData>(), true},
        {"not decodable", bytes("not an archive"), true},
        {"a checklist item", payloadOf(item(2, false)), true},
        {"a shared item", payloadOf(item(1, true)), true},
    };
    const int changedBefore = m_taskChanged;
    for (Case& c : cases) {
        const Outcome outcome = drop(day(2024, 3, 20), std::move(c.payload), c.fromThisProgram);
        EXPECT_FALSE(outcome.entered) << c.name;
        EXPECT_FALSE(outcome.dropped) << c.name;
    }
    EXPECT_EQ(reread(task)->dueEnd(), day(2024, 3, 4, 9));
    EXPECT_EQ(m_taskChanged, changedBefore);
    EXPECT_EQ(grid().currentDay(), day(2024, 3, 13));
}

TEST_F(MonthCellDropTest, NoGridIsRebuiltWhileTheRepeatQuestionIsOpen)
{
    ScriptedAlertPresenter alerts;
    auto master = std::make_shared<Task>();
    master->setTaskType(0);
    master->setTaskName(QStringLiteral("Weekly"));
    master->setCalendarId(1);
    master->setTz(parisZone);
    master->setStartTime(day(2024, 3, 4, 9));
    master->setEndTime(day(2024, 3, 4, 10));
    master->setDuration(60);
    master->setRepeatType(1);
    master->setIsRepeatForever(1);
    master->setRepeatStartDate(master->startTime());
    ASSERT_TRUE(master->insertAndDehydrate());
    TaskList instances;
    dataManager().fillRepeatEventInstances(TaskList{master}, instances, day(2024, 3, 11), day(2024, 3, 11, 23));
    ASSERT_FALSE(instances.isEmpty());
    MonthCellView* cell = cellOf(grid(), day(2024, 3, 13));
    double ratioWhileAsked = -1;
    alerts.setWhileRunning([&] {
        saveScreenshot(m_panel.get(), QStringLiteral("month-cell-under-drag"));
        m_scheduler.advance(3);
        ratioWhileAsked = cell->freeRatio();
    });
    alerts.scriptButton(AlertResponse::thirdButton);
    drop(day(2024, 3, 13), payloadOf(instances.front()));
    EXPECT_DOUBLE_EQ(ratioWhileAsked, 0) << "the delayed refresh waited for the question";
    QApplication::processEvents();
    EXPECT_DOUBLE_EQ(cell->freeRatio(), 0.3) << "and ran once it closed";
    // A cell under a drag keeps the picture it would give.
    EXPECT_FALSE(cell->dragImage().isNull());
}

}  // namespace MonthCalendarViewTests
