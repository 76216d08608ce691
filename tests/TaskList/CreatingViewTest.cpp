#include "AlertResponse.h"
#include "ScriptedAlertPresenter.h"
#include "CreatingView.h"
#include "CreatingViewController.h"

#include "Button.h"
#include "LogCapture.h"
#include "MonthCalendarView.h"
#include "MonthView.h"
#include "Popover.h"
#include "QuickAddView.h"
#include "RecordStore.h"
#include "Screenshot.h"
#include "SegmentedControl.h"
#include "TaskListTestFixture.h"
#include "TaskListView.h"
#include "TextField.h"
#include "TextTable.h"
#include "Window.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>

namespace {

// The quick create popover under a toggle button in a window on screen,
// over the test database, with a mini month whose selected day the test
// sets and the clock pinned by the fixture.
class CreatingViewTest : public TaskListTest {
protected:
    void SetUp() override
    {
        TaskListTest::SetUp();
        Window::setAnimationDurationScale(0);
        QVariantMap hours = setting().dayManagers();
        hours.insert(QStringLiteral("TuedayEndTime"), 16 * 60 + 45);
        hours.insert(QStringLiteral("FridayEndTime"), 16 * 60 + 15);
        hours.insert(QStringLiteral("SaturdayStartTime"), 10 * 60);
        setting().setDayManagers(hours);
        m_month = std::make_unique<MonthView>(QRectF(0, 0, 200, 180));
        m_mainView->month = m_month.get();

        m_window = std::make_unique<Window>(QRectF(100, 60, 400, 300), BorderlessWindowMask);
        m_button = new Button(QRectF(95, 250, 36, 29));
        m_button->setButtonType(ButtonType::Toggle);
        m_window->contentView()->addSubview(m_button);
        m_window->orderFront();
        m_controller = std::make_unique<CreatingViewController>(m_button);
    }

    void TearDown() override
    {
        m_controller.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        m_window.reset();
        m_mainView->month = nullptr;
        m_month.reset();
        TaskListTest::TearDown();
    }

    void selectDay(const Date& day) { m_month->monthCalendarView()->setCurrentDay(day, false); }

    // The button switched on by the user, opening the popover as the bar does.
    CreatingView* open()
    {
        m_button->setState(OnState);
        m_controller->showViewPopOverAtPositionView(m_button, 0);
        return m_controller->customView();
    }

    static void clickSegment(SegmentedControl* control, int segment)
    {
        const QPointF at = control->frameOfSegment(segment).center();
        QMouseEvent press(QEvent::MouseButtonPress, at, control->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QApplication::sendEvent(control, &press);
        QMouseEvent release(QEvent::MouseButtonRelease, at, control->mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                            Qt::NoModifier);
        QApplication::sendEvent(control, &release);
    }

    // The user's typing and Return in the title, as key events.
    static void typeLine(CreatingView* view, const QString& line)
    {
        QLineEdit* editor = view->titleField()->editor();
        for (QChar c : line) {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
            QApplication::sendEvent(editor, &press);
        }
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(editor, &enter);
    }

    void pressElsewhere()
    {
        QWidget* target = m_window->contentView();
        const QPointF at(390, 290);
        QMouseEvent press(QEvent::MouseButtonPress, at, target->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QApplication::sendEvent(target, &press);
        QMouseEvent release(QEvent::MouseButtonRelease, at, target->mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                            Qt::NoModifier);
        QApplication::sendEvent(target, &release);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // The row written last, read back from the database.
    TaskPtr newestStoredItem()
    {
        sqlite3_stmt* statement = nullptr;
        EXPECT_EQ(sqlite3_prepare_v2(db(), "SELECT MAX(primaryKey) FROM Tasks", -1, &statement, nullptr), SQLITE_OK);
        qint64 key = 0;
        if (sqlite3_step(statement) == SQLITE_ROW) key = sqlite3_column_int64(statement, 0);
        sqlite3_finalize(statement);
        return key > 0 ? Task::initWithPrimaryKey(key, db()) : nullptr;
    }

    int storedItemCount()
    {
        sqlite3_stmt* statement = nullptr;
        EXPECT_EQ(sqlite3_prepare_v2(db(), "SELECT COUNT(*) FROM Tasks", -1, &statement, nullptr), SQLITE_OK);
        int count = 0;
        if (sqlite3_step(statement) == SQLITE_ROW) count = sqlite3_column_int(statement, 0);
        sqlite3_finalize(statement);
        return count;
    }

    static QString untitled() { return TextTable::localizedString(QStringLiteral("untitledText")); }

    std::unique_ptr<MonthView> m_month;
    std::unique_ptr<Window> m_window;
    Button* m_button = nullptr;  // owned by the window
    std::unique_ptr<CreatingViewController> m_controller;
};

TEST_F(CreatingViewTest, OpensOnTheEventTabAndGrowsForTheTaskTabWithAnytimeMarked)
{
    CreatingView* view = open();
    ASSERT_NE(view, nullptr);
    Popover* popover = m_controller->popover();
    ASSERT_NE(popover, nullptr);
    EXPECT_TRUE(popover->isShown());
    EXPECT_EQ(popover->behavior(), PopoverBehavior::Semitransient);
    EXPECT_EQ(popover->positioningView(), m_button);
    EXPECT_TRUE(m_mainView->hasPopup());
    EXPECT_EQ(view->objType(), 0);
    EXPECT_EQ(view->menuSegmentedControl()->selectedSegment(), 0);
    EXPECT_EQ(view->frame().size(), QSizeF(300, 70));
    EXPECT_EQ(popover->contentSize(), QSizeF(300, 70));
    EXPECT_TRUE(view->deferOn()->isHidden());
    EXPECT_EQ(view->menuSegmentedControl()->frame().topLeft(), QPointF(7, 7));
    EXPECT_EQ(view->menuSegmentedControl()->widthForSegment(0), 70);
    EXPECT_EQ(popover->window()->focusWidget(), view->titleField()->editor()) << "ready for typing";

    clickSegment(view->menuSegmentedControl(), 1);
    EXPECT_EQ(view->objType(), 1);
    EXPECT_EQ(view->frame().size(), QSizeF(300, 115));
    EXPECT_EQ(popover->contentSize(), QSizeF(300, 115));
    EXPECT_EQ(QSizeF(popover->window()->size()), QSizeF(302, 117)) << "the popover follows the view";
    EXPECT_FALSE(view->deferOn()->isHidden());
    EXPECT_EQ(view->deferOn()->frame(), QRectF(0, 85, 300, 25));
    EXPECT_EQ(view->selectedDeferTag(), CreatingView::DeferAnytime);
    // Anytime is the fourth choice: 3 × 73 + 3.
    EXPECT_EQ(view->currentLabel()->frame().topLeft(), QPointF(222, 87));
    EXPECT_EQ(view->currentLabel()->stringValue(), TextTable::localizedString(QStringLiteral("deferAnytimeText")));

    clickSegment(view->deferOn(), 1);
    EXPECT_EQ(view->selectedDeferTag(), CreatingView::DeferNextWeek);
    EXPECT_EQ(view->currentLabel()->frame().topLeft(), QPointF(74, 87));
    EXPECT_EQ(view->currentLabel()->stringValue(), TextTable::localizedString(QStringLiteral("deferNextWeekText")));
    clickSegment(view->deferOn(), 2);
    EXPECT_EQ(view->selectedDeferTag(), CreatingView::DeferNextMonth);
    EXPECT_EQ(view->currentLabel()->frame().topLeft(), QPointF(148, 87));
    saveScreenshot(popover->window(), QStringLiteral("quick-create-task-tab-next-month"));

    clickSegment(view->menuSegmentedControl(), 3);
    EXPECT_EQ(view->frame().size(), QSizeF(300, 70));
    EXPECT_TRUE(view->deferOn()->isHidden());
    clickSegment(view->menuSegmentedControl(), 0);
    saveScreenshot(popover->window(), QStringLiteral("quick-create-event-tab"));
}

TEST_F(CreatingViewTest, ClosingSwitchesTheButtonOffAndTheNextShowingStartsAfresh)
{
    struct Case {
        const char* how;
        std::function<void()> close;
    };
    const Case cases[] = {
        {"a press elsewhere in the window", [this] { pressElsewhere(); }},
        {"the should-close notification",
         [] {
             NotificationCenter::defaultCenter().postNotificationName(Popover::shouldCloseNotification);
             QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.how);
        CreatingView* view = open();
        ASSERT_NE(view, nullptr);
        clickSegment(view->menuSegmentedControl(), 1);
        view->titleField()->setStringValue(QStringLiteral("half typed"));
        c.close();
        EXPECT_EQ(m_button->state(), OffState);
        EXPECT_FALSE(m_mainView->hasPopup());
        EXPECT_EQ(m_controller->popover(), nullptr);
        EXPECT_EQ(m_controller->customView(), nullptr);

        CreatingView* again = open();
        ASSERT_NE(again, nullptr);
        EXPECT_EQ(again->objType(), 0);
        EXPECT_TRUE(again->titleField()->stringValue().isEmpty());
        EXPECT_EQ(again->frame().size(), QSizeF(300, 70));
        EXPECT_TRUE(m_mainView->hasPopup());
        m_controller->shouldClose();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    EXPECT_EQ(storedItemCount(), 0) << "closing makes nothing";
}

TEST_F(CreatingViewTest, AnAnchorOffScreenShowsNothingAndLeavesTheButtonOff)
{
    LogCapture log;
    m_button->hide();
    m_button->setState(OnState);
    m_controller->showViewPopOverAtPositionView(m_button, 0);
    m_controller->showViewPopOverAtPositionView(nullptr, 1);
    EXPECT_EQ(m_controller->popover(), nullptr);
    EXPECT_EQ(m_button->state(), OffState);
    EXPECT_FALSE(m_mainView->hasPopup());
}

struct PlanCase {
    const char* what;
    Date now;
    int deferSegment;  // on screen: today, next week, next month, anytime
    Date start;
    Date due;  // null: no due date
    bool alert;
};

TEST_F(CreatingViewTest, ATaskIsPlannedByTheDeferChoiceWithTheDefaultAlert)
{
    setting().setDefaultTaskAlert(QStringLiteral("-900"));
    const PlanCase cases[] = {
        {"today, Monday morning", localDate(2014, 1, 13, 10, 20), 0, localDate(2014, 1, 13, 10, 30),
         localDate(2014, 1, 13, 17, 0), true},
        {"today, after Monday's hours", localDate(2014, 1, 13, 17, 20), 0, localDate(2014, 1, 13, 17, 30),
         localDate(2014, 1, 14, 16, 45), true},
        {"next week from a Sunday", localDate(2014, 1, 19, 9, 5), 1, localDate(2014, 1, 20, 9, 0),
         localDate(2014, 1, 24, 16, 15), true},
        {"next month on Wednesday 15 January", localDate(2014, 1, 15, 10, 7), 2, localDate(2014, 2, 1, 10, 0),
         localDate(2014, 2, 28, 16, 15), true},
        {"anytime", localDate(2014, 1, 15, 10, 7), 3, localDate(2014, 1, 22, 10, 15), Date(), false},
    };
    // The selected day: today's plan ignores it, anytime starts on it.
    selectDay(localDate(2014, 1, 22));
    for (const PlanCase& c : cases) {
        SCOPED_TRACE(c.what);
        Clock::setFixed(c.now);
        CreatingView* view = open();
        ASSERT_NE(view, nullptr);
        clickSegment(view->menuSegmentedControl(), 1);
        clickSegment(view->deferOn(), c.deferSegment);
        const qsizetype shown = m_mainView->calls().count(QStringLiteral("showTaskModule"));
        typeLine(view, QStringLiteral("  Call Anna "));
        const TaskPtr task = newestStoredItem();
        ASSERT_NE(task, nullptr);
        EXPECT_EQ(task->taskName(), QStringLiteral("Call Anna"));
        EXPECT_EQ(task->taskType(), ItemKind::Task);
        EXPECT_EQ(task->calendarId(), 1);
        EXPECT_EQ(task->startTime(), c.start);
        EXPECT_EQ(task->hasDue(), c.due.isNull() ? 0 : 1);
        if (!c.due.isNull()) {
            EXPECT_EQ(task->dueEnd(), c.due);
        }
        EXPECT_EQ(task->alertValues(), c.alert ? QStringLiteral("-900") : QString());
        EXPECT_EQ(m_mainView->calls().count(QStringLiteral("showTaskModule")), shown + 1);
        m_controller->shouldClose();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

TEST_F(CreatingViewTest, TheEventTabMakesEventsAndPrefixedItemsAndStaysOpenForTheNext)
{
    setting().setDefaultEventAlert(QStringLiteral("-600"));
    setting().setDefaultTaskAlert(QStringLiteral("-900"));
    selectDay(localDate(2014, 1, 20));
    CreatingView* view = open();
    ASSERT_NE(view, nullptr);

    typeLine(view, QStringLiteral("Lunch"));
    TaskPtr item = newestStoredItem();
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->taskName(), QStringLiteral("Lunch"));
    EXPECT_EQ(item->taskType(), ItemKind::Event);
    EXPECT_EQ(item->startTime(), localDate(2014, 1, 20, 10, 15));
    EXPECT_EQ(item->endTime(), localDate(2014, 1, 20, 11, 15));
    EXPECT_EQ(item->calendarId(), 1);
    EXPECT_EQ(item->alertValues(), QStringLiteral("-600"));

    typeLine(view, QStringLiteral("#nMilk"));
    item = newestStoredItem();
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->taskType(), ItemKind::Note);
    EXPECT_EQ(item->taskName(), QStringLiteral("Milk"));
    EXPECT_EQ(item->notes(), QStringLiteral("Milk"));
    EXPECT_EQ(item->startTime(), localDate(2014, 1, 20, 10, 15));
    EXPECT_TRUE(view->titleField()->stringValue().isEmpty());
    EXPECT_TRUE(m_controller->popover()->isShown()) << "ready for the next item";
    EXPECT_TRUE(m_mainView->hasPopup());

    // Return on the emptied title.
    typeLine(view, QString());
    item = newestStoredItem();
    EXPECT_EQ(item->taskName(), untitled());
    EXPECT_EQ(item->taskType(), ItemKind::Event);

    // No defer choice is selected on this tab: the task is planned as anytime.
    typeLine(view, QStringLiteral("#t"));
    item = newestStoredItem();
    EXPECT_EQ(item->taskType(), ItemKind::Task);
    EXPECT_EQ(item->taskName(), untitled());
    EXPECT_EQ(item->startTime(), localDate(2014, 1, 20, 10, 15));
    EXPECT_EQ(item->hasDue(), 0);
    EXPECT_EQ(item->alertValues(), QString());

    typeLine(view, QStringLiteral("#TCall"));
    item = newestStoredItem();
    EXPECT_EQ(item->taskType(), ItemKind::Event);
    EXPECT_EQ(item->taskName(), QStringLiteral("#TCall"));
    typeLine(view, QStringLiteral("   \t "));
    EXPECT_EQ(newestStoredItem()->taskName(), untitled());

    EXPECT_EQ(storedItemCount(), 6);
    const QStringList calls = m_mainView->calls();
    EXPECT_FALSE(calls.contains(QStringLiteral("showTaskModule"))) << "the event tab changes no module";
    EXPECT_FALSE(calls.contains(QStringLiteral("showNoteModule")));
}

TEST_F(CreatingViewTest, OnTheNoteTabAPrefixedTaskIsPlannedAsAnytime)
{
    setting().setDefaultTaskAlert(QStringLiteral("-900"));
    selectDay(localDate(2014, 1, 20));
    CreatingView* view = open();
    ASSERT_NE(view, nullptr);
    clickSegment(view->menuSegmentedControl(), 2);
    typeLine(view, QStringLiteral("#tCall"));
    TaskPtr item = newestStoredItem();
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->taskType(), ItemKind::Task);
    EXPECT_EQ(item->taskName(), QStringLiteral("Call"));
    EXPECT_EQ(item->startTime(), localDate(2014, 1, 20, 10, 15));
    EXPECT_EQ(item->hasDue(), 0);
    EXPECT_EQ(item->alertValues(), QString());

    // A choice made on the task tab is not shown on the note tab: not taken.
    clickSegment(view->menuSegmentedControl(), 1);
    clickSegment(view->deferOn(), 0);
    ASSERT_EQ(view->selectedDeferTag(), CreatingView::DeferToday);
    clickSegment(view->menuSegmentedControl(), 2);
    typeLine(view, QStringLiteral("#tWrite"));
    item = newestStoredItem();
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->taskName(), QStringLiteral("Write"));
    EXPECT_EQ(item->startTime(), localDate(2014, 1, 20, 10, 15));
    EXPECT_EQ(item->hasDue(), 0);
    EXPECT_EQ(item->alertValues(), QString());
}

TEST_F(CreatingViewTest, WithoutADefaultAlertAnEventHasNone)
{
    setting().setDefaultEventAlert(QString());
    CreatingView* view = open();
    ASSERT_NE(view, nullptr);
    typeLine(view, QStringLiteral("Lunch"));
    const TaskPtr item = newestStoredItem();
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->taskType(), ItemKind::Event);
    EXPECT_EQ(item->taskName(), QStringLiteral("Lunch"));
    EXPECT_TRUE(item->alertValues().isEmpty());
}

TEST_F(CreatingViewTest, NotesAndTasksShowTheirListOrThePlannerWhileItFillsTheWindow)
{
    CreatingView* view = open();
    ASSERT_NE(view, nullptr);
    clickSegment(view->menuSegmentedControl(), 2);
    typeLine(view, QStringLiteral("  "));
    TaskPtr note = newestStoredItem();
    ASSERT_NE(note, nullptr);
    EXPECT_EQ(note->taskType(), ItemKind::Note);
    EXPECT_TRUE(note->taskName().isEmpty()) << "a note takes no default name";
    EXPECT_EQ(m_mainView->calls().count(QStringLiteral("showNoteModule")), 1);

    m_mainView->plannerExpand = true;
    clickSegment(view->menuSegmentedControl(), 1);
    typeLine(view, QStringLiteral("Plan"));
    EXPECT_EQ(newestStoredItem()->taskName(), QStringLiteral("Plan"));
    EXPECT_TRUE(m_mainView->calls().contains(QStringLiteral("reloadPlanner 1")));
    EXPECT_FALSE(m_mainView->calls().contains(QStringLiteral("showTaskModule")));
}

TEST_F(CreatingViewTest, TheCategoryTabMakesUniqueCategoriesAndNamesABlankOne)
{
    const CalendarPtr work = addCategory();
    work->setCalendarName(QStringLiteral("work"));
    ASSERT_TRUE(work->dehydrate());
    CreatingView* view = open();
    ASSERT_NE(view, nullptr);
    clickSegment(view->menuSegmentedControl(), 3);

    typeLine(view, QStringLiteral("Work"));
    typeLine(view, QStringLiteral("   "));
    QStringList names;
    for (const CalendarPtr& category : dataManager().calendarList()) names << category->calendarName();
    EXPECT_TRUE(names.contains(QStringLiteral("Work_1"))) << names.join(u',').toStdString();
    EXPECT_TRUE(names.contains(untitled())) << names.join(u',').toStdString();
    EXPECT_EQ(m_mainView->calls().count(QStringLiteral("showProjectModule")), 2);
    EXPECT_TRUE(view->titleField()->stringValue().isEmpty());
    EXPECT_EQ(storedItemCount(), 0);
}

TEST_F(CreatingViewTest, AnItemTheDatabaseRefusesKeepsTheTitleAndShowsNoList)
{
    LogCapture log;
    CreatingView* view = open();
    ASSERT_NE(view, nullptr);
    clickSegment(view->menuSegmentedControl(), 1);
    RecordStore::failStep(1);
    ScriptedAlertPresenter alerts;
    alerts.scriptButton(AlertResponse::firstButton);
    typeLine(view, QStringLiteral("Report"));
    EXPECT_EQ(alerts.requests().size(), 1) << "the person is told";
    EXPECT_EQ(storedItemCount(), 0);
    EXPECT_EQ(view->titleField()->stringValue(), QStringLiteral("Report")) << "nothing the user typed is lost";
    EXPECT_FALSE(m_mainView->calls().contains(QStringLiteral("showTaskModule")));
    RecordStore::failStep(0);
}

TEST_F(CreatingViewTest, ThePopoverStandsOnTheButtonsMinimumYEdgeAsItGrows)
{
    CreatingView* view = open();
    ASSERT_NE(view, nullptr);
    Popover* popover = m_controller->popover();
    ASSERT_NE(popover, nullptr);
    // The button is flipped: its minimum y is its top, so the popover stands
    // above it on screen, centred on it, with its lower edge at the gap.
    const auto expectAboveTheButton = [popover] {
        EXPECT_EQ(popover->shownScreenEdge(), RectEdge::MaxY);
        const QRectF anchor = popover->anchorScreenRect();
        const QRectF frame = static_cast<Window*>(popover->window())->frame();
        EXPECT_DOUBLE_EQ(frame.top(), anchor.bottom() + Popover::gap) << "its lower edge, our y being up";
        EXPECT_DOUBLE_EQ(frame.center().x(), anchor.center().x());
    };
    expectAboveTheButton();
    EXPECT_EQ(popover->anchorScreenRect().size(), m_button->frame().size()) << "anchored to the whole button";

    clickSegment(view->menuSegmentedControl(), 1);
    ASSERT_EQ(view->frame().size(), QSizeF(300, 115));
    expectAboveTheButton();
}

TEST_F(CreatingViewTest, AnytimeTakesTheDueDateTheTaskPanesDueFilterGives)
{
    setting().setDefaultTaskAlert(QStringLiteral("-900"));
    selectDay(localDate(2014, 1, 22));
    // The task pane on its due filter.
    TaskListView pane(QRectF(0, 0, 280, 500));
    pane.setTodayTaskFilterIndex(4);
    CreatingView* view = open();
    ASSERT_NE(view, nullptr);
    clickSegment(view->menuSegmentedControl(), 1);
    ASSERT_EQ(view->selectedDeferTag(), CreatingView::DeferAnytime);
    typeLine(view, QStringLiteral("Call Anna"));
    const TaskPtr task = newestStoredItem();
    ASSERT_NE(task, nullptr);
    EXPECT_EQ(task->taskName(), QStringLiteral("Call Anna"));
    EXPECT_EQ(task->startTime(), localDate(2014, 1, 22, 10, 15));
    EXPECT_EQ(task->hasDue(), 1) << "the pane lists it";
    EXPECT_EQ(task->dueEnd(), localDate(2014, 1, 22, 18, 30)) << "the selected day's working end, a Wednesday's";
    EXPECT_EQ(task->alertValues(), QStringLiteral("-900"));

    // Without the filter, anytime gives none.
    pane.setTodayTaskFilterIndex(0);
    typeLine(view, QStringLiteral("Call Ben"));
    const TaskPtr plain = newestStoredItem();
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(plain->taskName(), QStringLiteral("Call Ben"));
    EXPECT_EQ(plain->hasDue(), 0);
    EXPECT_EQ(plain->alertValues(), QString());
}

TEST_F(CreatingViewTest, WithoutAMonthViewNewItemsStartToday)
{
    // A day selected once, then no month to read it from.
    selectDay(localDate(2014, 1, 22));
    m_mainView->month = nullptr;
    CreatingView* view = open();
    ASSERT_NE(view, nullptr);
    typeLine(view, QStringLiteral("Lunch"));
    TaskPtr item = newestStoredItem();
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->taskName(), QStringLiteral("Lunch"));
    EXPECT_EQ(item->startTime(), localDate(2014, 1, 15, 10, 15)) << "today, at the rounded time";
    m_controller->shouldClose();

    // The bar, with no type tab chosen, makes an event today too.
    QuickAddView bar(QRectF(0, 0, 280, QuickAddView::collapsedHeight));
    bar.searchAndAdd()->setStringValue(QStringLiteral("Dinner"));
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(bar.searchAndAdd()->editor(), &enter);
    item = newestStoredItem();
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->taskName(), QStringLiteral("Dinner"));
    EXPECT_EQ(item->taskType(), ItemKind::Event);
    EXPECT_EQ(item->startTime(), localDate(2014, 1, 15, 10, 15));
}

// The quarter hour after 23:45 is midnight of the next day: a new item lands
// on the day after the selected one, never almost a day in the past.
TEST_F(CreatingViewTest, NearMidnightTheRoundedStartCarriesIntoTheNextDay)
{
    enum Via { Bar, Popover };
    struct Case {
        const char* line;
        Via via;
        bool daySelected;
        Date now;
        qint64 type;
        Date start;
    };
    const Case cases[] = {
        {"Call Mum", Bar, true, localDate(2014, 1, 15, 23, 49), ItemKind::Event, localDate(2014, 1, 21, 0, 0)},
        {"#t Pay rent", Bar, true, localDate(2014, 1, 15, 23, 49), ItemKind::Task, localDate(2014, 1, 21, 0, 0)},
        {"#n Idea", Bar, true, localDate(2014, 1, 15, 23, 59), ItemKind::Note, localDate(2014, 1, 21, 0, 0)},
        {"Call Mum", Bar, false, localDate(2014, 1, 15, 23, 49), ItemKind::Event, localDate(2014, 1, 16, 0, 0)},
        {"Call Mum", Bar, true, localDate(2014, 1, 15, 23, 44), ItemKind::Event, localDate(2014, 1, 20, 23, 45)},
        {"Call Mum", Popover, true, localDate(2014, 1, 15, 23, 49), ItemKind::Event, localDate(2014, 1, 21, 0, 0)},
        {"#n Idea", Popover, true, localDate(2014, 1, 15, 23, 46), ItemKind::Note, localDate(2014, 1, 21, 0, 0)},
        {"#t Pay rent", Popover, true, localDate(2014, 1, 15, 23, 50), ItemKind::Task, localDate(2014, 1, 21, 0, 0)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.line) + (c.via == Bar ? " in the bar" : " in the popover"));
        Clock::setFixed(c.now);
        m_mainView->month = c.daySelected ? m_month.get() : nullptr;
        selectDay(localDate(2014, 1, 20));
        if (c.via == Bar) {
            QuickAddView bar(QRectF(0, 0, 280, QuickAddView::collapsedHeight));
            bar.searchAndAdd()->setStringValue(QString::fromUtf8(c.line));
            QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
            QApplication::sendEvent(bar.searchAndAdd()->editor(), &enter);
        } else {
            CreatingView* view = open();
            ASSERT_NE(view, nullptr);
            typeLine(view, QString::fromUtf8(c.line));
            m_controller->shouldClose();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
        const TaskPtr item = newestStoredItem();
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item->taskType(), c.type);
        EXPECT_FALSE(item->taskName().startsWith(QLatin1Char(' '))) << "the blank after a prefix is no part of the name";
        EXPECT_EQ(item->startTime(), c.start);
        if (c.type == ItemKind::Event) EXPECT_EQ(item->endTime(), Utilities::newDateFromDate(c.start, eventMinutes * 60));
    }
    m_mainView->month = m_month.get();
}

}  // namespace

namespace {

// New items from the bar and from the popover start at now as the day grid
// shows it: with the time-zone support on, the chosen zone's clock, on the
// selected day (or on that zone's today).
TEST_F(CreatingViewTest, NewItemsTakeTheTimeOfTheShownZone)
{
    constexpr qint64 paris = 53392, tokyo = 40264;
    dataManager().loadTimeZones();
    Utilities::setTimeZoneNameResolver([this](qint64 zoneId) { return dataManager().getTimeZoneName(zoneId); });
    dataManager().setAppRootTZ(paris);  // the system's zone, as the start finds it
    enum Via { Bar, Popover };
    struct Case {
        const char* what;
        bool zones;
        qint64 shown;
        Date now;  // in Paris
        bool daySelected;
        Via via;
        Date start;
    };
    const Case cases[] = {
        {"support off, Tokyo chosen", false, tokyo, localDate(2014, 1, 15, 10, 7), true, Bar, localDate(2014, 1, 22, 10, 15)},
        {"Tokyo, from the bar", true, tokyo, localDate(2014, 1, 15, 10, 7), true, Bar, localDate(2014, 1, 22, 18, 15)},
        {"Tokyo, from the popover", true, tokyo, localDate(2014, 1, 15, 10, 7), true, Popover, localDate(2014, 1, 22, 18, 15)},
        {"Paris chosen", true, paris, localDate(2014, 1, 15, 10, 7), true, Bar, localDate(2014, 1, 22, 10, 15)},
        // Late in Paris is already tomorrow morning in Tokyo.
        {"Tokyo's today, from the bar", true, tokyo, localDate(2014, 1, 15, 23, 50), false, Bar, localDate(2014, 1, 16, 8, 0)},
        {"Tokyo's today, from the popover", true, tokyo, localDate(2014, 1, 15, 23, 50), false, Popover, localDate(2014, 1, 16, 8, 0)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Clock::setFixed(c.now);
        setting().setTzSupport(c.zones);
        setting().setCurrentTZ(c.shown);
        m_mainView->month = c.daySelected ? m_month.get() : nullptr;
        selectDay(localDate(2014, 1, 22));
        if (c.via == Bar) {
            QuickAddView bar(QRectF(0, 0, 280, QuickAddView::collapsedHeight));
            bar.searchAndAdd()->setStringValue(QStringLiteral("Lunch"));
            QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
            QApplication::sendEvent(bar.searchAndAdd()->editor(), &enter);
        } else {
            CreatingView* view = open();
            ASSERT_NE(view, nullptr);
            typeLine(view, QStringLiteral("Lunch"));
            m_controller->shouldClose();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
        const TaskPtr item = newestStoredItem();
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item->taskType(), ItemKind::Event);
        EXPECT_EQ(item->startTime(), c.start);
        EXPECT_EQ(item->endTime(), Utilities::newDateFromDate(c.start, eventMinutes * 60));
    }
    m_mainView->month = m_month.get();
    Utilities::setTimeZoneNameResolver(nullptr);
}

}  // namespace
