#include "PlannerCellView.h"
#include "PlannerItemView.h"
#include "PlannerMonthView.h"

#include "../Model/TaskTestFixture.h"
#include "../../Sources/Model/Notifications.h"
#include "ActionLabelView.h"
#include "AlertObj.h"
#include "Button.h"
#include "CoreData.h"
#include "DragSource.h"
#include "Event.h"
#include "GregorianCalendar.h"
#include "ImageView.h"
#include "ManualScheduler.h"
#include "Menu.h"
#include "MonthCalendarView.h"
#include "MonthView.h"
#include "NotificationCenter.h"
#include "RecordingICalSync.h"
#include "RecordingMainView.h"
#include "Scheduler.h"
#include "Screenshot.h"
#include "ScriptedAlertPresenter.h"
#include "TextField.h"
#include "TextTable.h"

#include <QApplication>
#include <QDropEvent>
#include <QMenu>
#include <QMimeData>

#include <gtest/gtest.h>

namespace PlannerMonthViewTests {

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

// The month planner as the main view places it (x 17, 727 × 574) beside a
// real mini month, over a test database; Paris, the clock at Wednesday
// 10 April 2024 10:00, font size 13, a Monday week start.
class PlannerMonthViewTest : public TaskTest {
protected:
    void SetUp() override
    {
        TaskTest::SetUp();
        dataManager().loadTimeZones();
        Scheduler::setCurrent(&m_scheduler);
        Clock::setFixed(day(2024, 4, 10, 10));
        setting().setCurrentFontSize(13);
        setting().setWeekStartDay(1);
        setting().setIsMonthPlannerPinned(1);
        setting().setShowWarningChangeDeadlineTask(0);
        auto sync = std::make_unique<RecordingICalSync>();
        m_sync = sync.get();
        dataManager().setICalSync(std::move(sync));
        m_mainView = std::make_unique<LangMainView>();
        m_panel = std::make_unique<MonthView>(QRectF(0, 0, 280, 243));
        m_mainView->month = m_panel.get();
        m_planner = std::make_unique<PlannerMonthView>(QRectF(17, 0, 727, 574));
        NotificationCenter::defaultCenter().addObserver(&m_observer, kTaskChanged, nullptr,
                                                        [this](const Notification&) { ++m_taskChanged; });
    }
    void TearDown() override
    {
        m_planner.reset();
        m_panel.reset();
        m_mainView.reset();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        Scheduler::setCurrent(nullptr);
        TaskTest::TearDown();
    }

    // The planner showing the month of the day, drawn once and reloaded.
    void show(const Date& date)
    {
        MonthCalendarView& grid = *m_panel->monthCalendarView();
        grid.setMonthDate(date);
        grid.setCurrentDay(date, false);
        m_panel->reloadDataWithDaylabel(true, true);
        m_planner->grab();
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
        item->setRepeatStartDate(start);
        item->setDuration(qint64(end.timeIntervalSinceDate(start) / 60));
        if (type == 1) {
            item->setHasDue(1);
            item->setDueEnd(end);
        }
        EXPECT_TRUE(item->insertIntoDatabase());
        EXPECT_TRUE(item->dehydrate());
        dataManager().doWithAllTasksEventsAdes(TaskList{item}, 0);
        return item;
    }

    PlannerCellView* cellOn(const Date& date) const
    {
        for (int i = 0; i < PlannerMonthView::cellCount; ++i)
            if (!m_planner->cell(i)->isHidden() && m_planner->cell(i)->cellDate() == date) return m_planner->cell(i);
        return nullptr;
    }

    // A drag of the item from the source view that enters the cell and drops.
    std::pair<bool, bool> drop(PlannerCellView* cell, const TaskPtr& item, View* source)
    {
        auto payload = std::make_unique<QMimeData>();
        Task::writeItemsToPasteboard(*payload, TaskList{item});
        std::pair<bool, bool> outcome{false, false};
        const auto play = [&](const QMimeData* data) {
            const QPoint at(30, 40);
            QDragEnterEvent enter(at, Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(cell, &enter);
            outcome.first = (enter.isAccepted() && enter.dropAction() != Qt::IgnoreAction);
            QDropEvent dropped(QPointF(at), Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(cell, &dropped);
            outcome.second = dropped.isAccepted();
        };
        if (!source) {
            play(payload.get());
            return outcome;
        }
        DragSource::setRunner([&](DragSource::Drag& running) {
            play(running.payload.get());
            return DragSource::Outcome{outcome.second ? DragOperationGeneric : DragOperationNone, {}};
        });
        struct Ending : DraggingSource {
            void draggingEnded(const QPointF&, unsigned) override {}
        } ending;
        Event press;
        press.type = EventType::LeftMouseDown;
        press.clickCount = 1;
        QImage image(20, 10, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::gray);
        DragSource::beginDrag(source, &ending, std::move(payload), image, QPointF(0, 10), press, DragOperationGeneric);
        DragSource::setRunner({});
        return outcome;
    }

    TaskPtr reread(const TaskPtr& item) { return Task::initWithPrimaryKey(item->primaryKey(), db()); }

    ManualScheduler m_scheduler;
    RecordingICalSync* m_sync = nullptr;
    std::unique_ptr<LangMainView> m_mainView;
    std::unique_ptr<MonthView> m_panel;
    std::unique_ptr<PlannerMonthView> m_planner;
    QObject m_observer;
    int m_taskChanged = 0;
};

TEST_F(PlannerMonthViewTest, TheGridFollowsTheMonthTheWeekStartAndTheDoubledRow)
{
    const struct {
        const char* name;
        Date monthDate;
        qint64 weekStart;
        int expandRow;
        Date start, end;
        double r;
        int firstShownCell;
    } cases[] = {
        {"April 2024 from Monday 1 April across the clock change", day(2024, 4, 20, 14), 1, 6, day(2024, 4, 1),
         day(2024, 5, 5), 100, 0},
        {"June 2024 begins on the week's last day", day(2024, 6, 3), 0, 6, day(2024, 5, 26), day(2024, 7, 6), 500.0 / 6, 0},
        {"September 2024 begins on a Sunday, weeks from Monday", day(2024, 9, 3), 1, 6, day(2024, 8, 26),
         day(2024, 10, 6), 500.0 / 6, 0},
        {"the last row doubled hides the first", day(2024, 4, 20, 14), 1, 4, day(2024, 4, 1), day(2024, 5, 5), 100, 7},
    };
    for (const auto& c : cases) {
        setting().setWeekStartDay(c.weekStart);
        m_planner->resetExpandRowIndex();
        show(c.monthDate);
        if (c.expandRow != 6) {
            m_planner->showMoreItem(c.expandRow);
            m_planner->reloadData();  // the recording main view only notes the reload it is asked for
        }
        EXPECT_EQ(m_planner->itemWidth(), 100) << c.name;
        EXPECT_NEAR(m_planner->itemCellHeight(), c.r, 1e-9) << c.name;
        EXPECT_EQ(m_planner->startDate(), c.start) << c.name;
        EXPECT_EQ(Utilities::today(m_planner->endDate()), c.end) << c.name;
        for (int i = 0; i < c.firstShownCell; ++i) EXPECT_TRUE(m_planner->cell(i)->isHidden()) << c.name;
        if (c.weekStart == 0) saveScreenshot(m_planner.get(), QStringLiteral("planner-month-six-weeks"));
        const PlannerCellView* first = m_planner->cell(c.firstShownCell);
        EXPECT_EQ(first->frame().topLeft(), QPointF(16.5, 39.5)) << c.name;
        EXPECT_EQ(first->dayName()->stringValue(), QStringLiteral("   ") + text(c.weekStart == 1 ? "monText" : "sunText"))
            << c.name;
    }
    // Five weeks with the last doubled: weeks 2 to 5, the fifth twice as deep.
    EXPECT_EQ(m_planner->cell(28)->frame(), QRectF(16.5, 339.5, 100, 200));
    saveScreenshot(m_planner.get(), QStringLiteral("planner-month-first-row-hidden"));

    // Today is marked although the mini month's date is at 14:00; a day of
    // another month has its number at alpha 0.1.
    m_planner->resetExpandRowIndex();
    show(day(2024, 4, 20, 14));
    PlannerCellView* today = cellOn(day(2024, 4, 10));
    ASSERT_NE(today, nullptr);
    EXPECT_TRUE(today->isToday());
    EXPECT_EQ(today->dayName()->backgroundColor(), QColor(106, 149, 244));
    EXPECT_EQ(today->dayName()->textColor(), QColor(Qt::white)) << "white on the today blue, not grey";
    EXPECT_EQ(today->day()->label()->textColor(), QColor(Qt::white));
    EXPECT_EQ(cellOn(day(2024, 4, 11))->dayName()->textColor(), QColor(Qt::gray));
    EXPECT_NEAR(m_planner->cell(34)->day()->label()->textColor().alphaF(), 0.1, 0.001);
    EXPECT_EQ(m_planner->title()->stringValue(), QStringLiteral("April 2024 | ") + text("plannerTitle"));
}

TEST_F(PlannerMonthViewTest, ChipsStackByListAndMoreButtonsDoubleTheirWeek)
{
    // Wednesday 3 April: an all-day event, two timed events, a due task, a note.
    store(0, day(2024, 4, 3), day(2024, 4, 3, 23, 59), true);
    store(0, day(2024, 4, 3, 9), day(2024, 4, 3, 10));
    store(0, day(2024, 4, 3, 8), day(2024, 4, 3, 9));
    store(1, day(2024, 4, 3, 8), day(2024, 4, 3, 17));
    store(3, day(2024, 4, 3, 12), day(2024, 4, 3, 12));
    show(day(2024, 4, 3));
    std::vector<QRectF> chips;
    for (const QPointer<View>& view : m_planner->taskList())
        if (auto* chip = qobject_cast<PlannerItemView*>(view.data())) chips.push_back(chip->frame());
    const std::vector<QRectF> expected = {{218.5, 63, 96, 21}, {217.5, 85, 98, 21}, {217.5, 107, 98, 21}};
    EXPECT_EQ(chips, expected);
    std::vector<Button*> buttons = m_planner->moreButtons();
    ASSERT_EQ(buttons.size(), 1u);
    EXPECT_EQ(buttons[0]->frame(), QRectF(218.5, 106.5, 96, 21.5));
    EXPECT_EQ(buttons[0]->title(), QStringLiteral("3 ") + text("moreText"));
    saveScreenshot(m_planner.get(), QStringLiteral("planner-month-more-buttons"));

    // The button doubles row 0 and every item finds room.
    buttons[0]->performClick();
    EXPECT_EQ(m_planner->expandRowIndex(), 0);
    EXPECT_EQ(m_mainView->calls().count(QStringLiteral("reloadPlanner 0")), 1);
    m_planner->reloadData();
    EXPECT_TRUE(m_planner->moreButtons().empty());
    EXPECT_TRUE(m_planner->cell(35)->isHidden() && m_planner->cell(28)->isHidden());
    saveScreenshot(m_planner.get(), QStringLiteral("planner-month-doubled-row"));

    // Taller: r 120 and the chips placed again.
    m_planner->resize(727, 674);
    m_planner->redrawItemsIfNeed();
    EXPECT_EQ(m_planner->itemCellHeight(), 120);

    // An item hidden behind a more button is not opened; the day is shown.
    m_planner->resetExpandRowIndex();
    m_planner->reloadData();
    const TaskPtr note = m_planner->lists()[PlannerMonthLayout::Notes].front();
    EXPECT_FALSE(m_planner->showPopupEditDetail(note));
    EXPECT_EQ(m_panel->monthCalendarView()->currentDay(), day(2024, 4, 3));
    const TaskPtr allDay = m_planner->lists()[PlannerMonthLayout::AllDayEvents].front();
    EXPECT_TRUE(m_planner->revealToItem(allDay));
    ASSERT_NE(m_planner->selectedItem(), nullptr);
    EXPECT_EQ(m_planner->selectedItem()->task()->primaryKey(), allDay->primaryKey());
}

TEST_F(PlannerMonthViewTest, DropsOnACellMoveTheItemByKindAndSource)
{
    show(day(2024, 4, 10));
    PlannerItemView chip(QRectF(0, 0, 98, 21));
    View other(QRectF(0, 0, 40, 40));
    QVariantMap hours = setting().dayManagers();
    hours.insert(QStringLiteral("ThusdayEndTime"), 990);
    setting().setDayManagers(hours);

    // A task with a deadline keeps its time of day and its start moves with it.
    const TaskPtr due = store(1, day(2024, 4, 10, 9), day(2024, 4, 10, 17, 30));
    EXPECT_EQ(drop(cellOn(day(2024, 4, 12)), due, &chip), std::make_pair(true, true));
    EXPECT_EQ(reread(due)->dueEnd(), day(2024, 4, 12, 17, 30));
    EXPECT_EQ(reread(due)->startTime(), day(2024, 4, 12, 9));

    // Without a deadline: the Thursday's working end and the one alert.
    TaskPtr open = store(1, day(2024, 4, 10, 9), day(2024, 4, 10, 9));
    open->setHasDue(0);
    ASSERT_TRUE(open->dehydrate());
    EXPECT_TRUE(drop(cellOn(day(2024, 4, 11)), open, &chip).second);
    EXPECT_EQ(reread(open)->dueEnd(), day(2024, 4, 11, 16, 30));
    const auto alerts = reread(open)->createAlertList();
    ASSERT_EQ(alerts.size(), 1);
    EXPECT_EQ(alerts.front()->alertType(), 1);
    EXPECT_EQ(alerts.front()->relativeOffset(), -172800);

    // The warning first: Cancel ends the drop with no change, the box saved.
    setting().setShowWarningChangeDeadlineTask(1);
    {
        ScriptedAlertPresenter alerts;
        alerts.scriptButton(AlertResponse::secondButton, true);
        EXPECT_FALSE(drop(cellOn(day(2024, 4, 15)), due, &chip).second);
    }
    EXPECT_EQ(reread(due)->dueEnd(), day(2024, 4, 12, 17, 30));
    EXPECT_EQ(setting().showWarningChangeDeadlineTask(), 0);

    // A timed event on its own day: no change, still "Task changed".
    const TaskPtr event = store(0, day(2024, 4, 10, 9), day(2024, 4, 10, 10));
    const int changedBefore = m_taskChanged;
    EXPECT_TRUE(drop(cellOn(day(2024, 4, 10)), event, &chip).second);
    EXPECT_EQ(m_taskChanged, changedBefore + 1);
    EXPECT_EQ(reread(event)->startTime(), day(2024, 4, 10, 9));
    EXPECT_TRUE(drop(cellOn(day(2024, 4, 17)), event, &chip).second);
    EXPECT_EQ(reread(event)->startTime(), day(2024, 4, 17, 9));

    // With zones on, an event of New York (shown six hours later here)
    // keeps its time there, also when it shows on the day after its own.
    setting().setTzSupport(true);
    dataManager().loadTimeZones();
    const qint64 shownZone = setting().currentTZ();
    setting().setCurrentTZ(dataManager().getTimeZoneId(QStringLiteral("Europe/Paris")));
    const struct {
        int hour;
        Date cell, moved;
    } zonedDrops[] = {{9, day(2024, 4, 18), day(2024, 4, 18, 9)}, {20, day(2024, 4, 19), day(2024, 4, 18, 20)}};
    for (const auto& z : zonedDrops) {
        const TaskPtr zoned = store(0, day(2024, 4, 10, z.hour), day(2024, 4, 10, z.hour + 1));
        zoned->setTz(dataManager().getTimeZoneId(QStringLiteral("America/New_York")));
        ASSERT_TRUE(zoned->dehydrate());
        EXPECT_TRUE(drop(cellOn(z.cell), zoned, &chip).second);
        EXPECT_EQ(reread(zoned)->startTime(), z.moved) << z.hour;
        EXPECT_EQ(reread(zoned)->endTime(), z.moved.dateByAddingTimeInterval(3600)) << z.hour;
    }
    setting().setTzSupport(false);
    setting().setCurrentTZ(shownZone);

    // A note keeps its time of day; a source nobody named changes nothing.
    const TaskPtr note = store(3, day(2024, 4, 10, 12, 45), day(2024, 4, 10, 12, 45));
    EXPECT_TRUE(drop(cellOn(day(2024, 4, 20)), note, &chip).second);
    EXPECT_EQ(reread(note)->startTime(), day(2024, 4, 20, 12, 45));
    EXPECT_TRUE(drop(cellOn(day(2024, 4, 22)), note, &other).second);
    EXPECT_EQ(reread(note)->startTime(), day(2024, 4, 22, 12, 45)) << "a note moves from any source";
    EXPECT_TRUE(drop(cellOn(day(2024, 4, 22)), event, &other).second);
    EXPECT_EQ(reread(event)->startTime(), day(2024, 4, 17, 9));

    // An occurrence of a daily series: the repeat question, whose first
    // button moves only that occurrence.
    const TaskPtr series = store(0, day(2024, 4, 1, 9), day(2024, 4, 1, 10));
    series->setRepeatType(1);
    series->setIsRepeatForever(1);
    ASSERT_TRUE(series->dehydrate());
    TaskList occurrences;
    dataManager().fillRepeatEventInstances(TaskList{series}, occurrences, day(2024, 4, 10), day(2024, 4, 10));
    ASSERT_EQ(occurrences.size(), 1);
    {
        ScriptedAlertPresenter alerts;
        alerts.scriptButton(AlertResponse::firstButton);
        EXPECT_TRUE(drop(cellOn(day(2024, 4, 24)), occurrences.front(), &chip).second);
    }
    EXPECT_EQ(reread(series)->startTime(), day(2024, 4, 1, 9));
    int movedOccurrences = 0;
    for (const TaskPtr& item : dataManager().allTasksEventsAdes())
        movedOccurrences += item->startTime() == day(2024, 4, 24, 9) && item->repeatType() == 0;
    EXPECT_EQ(movedOccurrences, 1);

    // Shared items and drags from outside are refused.
    TaskPtr shared = store(0, day(2024, 4, 10, 9), day(2024, 4, 10, 10));
    shared->setIsShared(1);
    ASSERT_TRUE(shared->dehydrate());
    EXPECT_EQ(drop(cellOn(day(2024, 4, 23)), shared, &chip), std::make_pair(false, false));
    EXPECT_EQ(drop(cellOn(day(2024, 4, 23)), event, nullptr), std::make_pair(false, false));
}

TEST_F(PlannerMonthViewTest, TheCellMenuMakesAnAllDayEventAndTheDragImageSpansItsDays)
{
    setting().setDefaultEventAlert(QStringLiteral("0|-900|"));
    show(day(2024, 4, 10));
    PlannerCellView* cell = cellOn(day(2024, 4, 18));
    const Menu menu = cell->menuForEvent();
    EXPECT_EQ(menu.title(), QStringLiteral("RightClick"));
    ASSERT_EQ(menu.numberOfItems(), 1);
    EXPECT_EQ(menu.itemAtIndex(0)->title, text("newEventText"));
    QMenu* shown = menu.toQMenu(m_planner.get());
    shown->adjustSize();
    saveScreenshot(shown, QStringLiteral("planner-month-cell-menu"));
    m_mainView->clearCalls();
    menu.itemAtIndex(0)->action();
    const TaskPtr made = dataManager().allTasksEventsAdes().back();
    EXPECT_EQ(made->taskName(), text("newEventText"));
    EXPECT_EQ(made->startTime(), day(2024, 4, 18));
    EXPECT_EQ(made->endTime(), day(2024, 4, 18).dateByAddingTimeInterval(1439));
    EXPECT_EQ(made->tz(), setting().currentTZ());
    EXPECT_EQ(made->alertValues(), QStringLiteral("0|-900|"));
    EXPECT_TRUE(m_mainView->calls().contains(QStringLiteral("loadingItem %1").arg(made->primaryKey())));
    EXPECT_TRUE(m_mainView->calls().contains(QStringLiteral("loadingView PlannerMonthView")));

    m_planner->setDraggingSize(QSizeF(100, 30));
    Task allDay;
    allDay.setTaskType(0);
    allDay.setIsADE(1);
    allDay.setDuration(2879);
    EXPECT_EQ(cell->dragImageSizeOf(allDay), QSizeF(200, 20));
}

TEST_F(PlannerMonthViewTest, TheTitleReadsInTheLanguageOfTheMainView)
{
    show(day(2024, 4, 10));
    EXPECT_FALSE(m_planner->currentDateImgView()->isHidden());
    saveScreenshot(m_planner.get(), QStringLiteral("planner-month-five-weeks"));
    m_mainView->lang = QStringLiteral("ja");
    m_planner->reloadData();
    EXPECT_EQ(m_planner->title()->stringValue(),
              QStringLiteral("2024%1%2 | ").arg(text("repeatEveryYearText"), Utilities::getMonthFullName(day(2024, 4, 1)))
                  + text("plannerTitle"));
    saveScreenshot(m_planner.get(), QStringLiteral("planner-month-ja-title"));
}

}  // namespace PlannerMonthViewTests
