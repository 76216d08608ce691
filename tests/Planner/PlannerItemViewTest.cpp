#include "PlannerItemTestFixture.h"

#include "AlertResponse.h"
#include "Button.h"
#include "DetailViewController.h"
#include "DragSource.h"
#include "Event.h"
#include "ScriptedAlertPresenter.h"
#include "TextTable.h"

#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>

namespace PlannerItemViewTests {

QString text(const char* key)
{
    return TextTable::localizedString(QString::fromLatin1(key));
}

class ChangePosts : public QObject {
public:
    ChangePosts()
    {
        NotificationCenter::defaultCenter().addObserver(this, kTaskChanged, nullptr,
                                                        [this](const Notification&) { ++count; });
    }
    int count = 0;
};

void pressDelete(QWidget* view)
{
    QKeyEvent key(QEvent::KeyPress, Qt::Key_Backspace, Qt::NoModifier);
    QApplication::sendEvent(view, &key);
}

using PlannerItemViewTest = PlannerItemTest;

TEST_F(PlannerItemViewTest, SelectingHidingAndFindingTouchEveryViewOfTheItemAndNoButton)
{
    const TaskPtr longEvent = stored(0, QStringLiteral("Trip"), at(17, 0), at(20, 23, 59), true);
    TaskPtr master;
    const TaskPtr occurrence = occurrenceOfSeries(2, master);
    TaskList later;
    dataManager().fillRepeatEventInstances(TaskList{master}, later, at(16, 0), at(16, 0));
    ASSERT_FALSE(later.isEmpty());

    PlannerItemView* firstRow = chip(longEvent, QRectF(515, 20, 200, 18));
    PlannerItemView* secondRow = chip(longEvent, QRectF(15, 120, 200, 18));
    auto* more = new Button(QRectF(15, 80, 50, 14));
    m_month->addToTaskList(more);
    PlannerItemView* hiddenInstance = chip(later.front(), QRectF(415, 60, 100, 18));
    PlannerItemView* today = chip(occurrence, QRectF(315, 40, 100, 18));
    PlannerItemView* tomorrow = chip(later.front(), QRectF(415, 40, 100, 18));

    m_month->selectItem(secondRow);
    EXPECT_TRUE(firstRow->isHighlight() && secondRow->isHighlight()) << "both rows of the trip light up";
    EXPECT_FALSE(today->isHighlight() || tomorrow->isHighlight());
    m_month->draggingItem(secondRow);
    EXPECT_TRUE(firstRow->isHidden() && secondRow->isHidden());
    EXPECT_FALSE(more->isHidden()) << "buttons are never hidden";

    m_month->selectItem(today);
    EXPECT_TRUE(today->isHighlight());
    EXPECT_FALSE(tomorrow->isHighlight() || firstRow->isHighlight()) << "only the clicked occurrence lights";

    // Finding: tasks and notes are not looked for; an occurrence opens from
    // the first visible view of its series, given the occurrence asked for.
    hiddenInstance->setHidden(true);
    m_month->findAndEditEvent(stored(1, QStringLiteral("Task"), at(15, 9), at(15, 10)));
    EXPECT_EQ(today->detailViewController(), nullptr);
    m_month->findAndEditEvent(later.front());
    EXPECT_EQ(hiddenInstance->detailViewController(), nullptr) << "a hidden view is never chosen";
    ASSERT_NE(today->detailViewController(), nullptr);
    EXPECT_EQ(today->detailViewController()->lastRequest().item, later.front());
    EXPECT_EQ(today->task(), later.front());
    EXPECT_TRUE(today->isHighlight());
    EXPECT_EQ(tomorrow->detailViewController(), nullptr);
}

TEST_F(PlannerItemViewTest, ThePressOpensTheEditorWithinItsOwnSecondAndHoldingDragsTheItem)
{
    struct Case {
        const char* name;
        double secondPressAt;
        int editorOpens;
    };
    const Case cases[] = {{"0.9 s apart", 10.9, 1}, {"1.1 s apart", 11.1, 0}};
    for (const Case& c : cases) {
        PlannerItemView* view = chip(stored(1, QStringLiteral("Report"), at(15, 9), at(15, 10)));
        ItemPointer pointer(view);
        pointer.press({50, 9}, 10);
        pointer.release();
        pointer.press({50, 9}, c.secondPressAt);
        pointer.release();
        const DetailViewController* editor = view->detailViewController();
        EXPECT_EQ(editor ? editor->requestCount() : 0, c.editorOpens) << c.name;
        EXPECT_TRUE(view->isHighlight()) << c.name;
        EXPECT_FALSE(view->isHoldTimerPending()) << c.name << ": the release cancels the hold";
    }

    // Held 0.3 s: the drag of the record selected at the press.
    const TaskPtr trip = stored(0, QStringLiteral("Trip"), at(17, 0), at(20, 23, 59), true);
    PlannerItemView* dragged = chip(trip, QRectF(515, 20, 200, 18));
    PlannerItemView* otherRow = chip(trip, QRectF(15, 120, 200, 18));
    TaskList carried;
    bool sessionRan = false;
    DragSource::setRunner([&](DragSource::Drag& drag) {
        carried = Task::readItemsFromPasteboard(*drag.payload);
        sessionRan = DragSource::currentSource() == dragged;
        EXPECT_TRUE(dragged->isHidden() && otherRow->isHidden());
        return DragSource::Outcome{DragOperationNone, {}};
    });
    ItemPointer pointer(dragged);
    pointer.press({100, 9}, 20);
    m_scheduler.advance(0.3);
    DragSource::setRunner({});
    ASSERT_EQ(carried.size(), 1);
    EXPECT_EQ(carried.front()->primaryKey(), trip->primaryKey());
    EXPECT_TRUE(sessionRan);
    EXPECT_EQ(m_month->draggingSize(), QSizeF(100, dragged->imageRepresentative().deviceIndependentSize().height()));
    QCoreApplication::sendPostedEvents();
    EXPECT_TRUE(m_mainView->calls().contains(QStringLiteral("reloadPlanner 0")))
        << "a drag dropped nowhere reloads the planner";
}

TEST_F(PlannerItemViewTest, ControlClickShowsTheMenuOnlyAndTheMenuNeedsTheSelection)
{
    PlannerItemView* view = chip(stored(1, QStringLiteral("Report"), at(15, 9), at(15, 10)));
    EXPECT_EQ(view->menuForEvent(Event()).numberOfItems(), 0) << "no menu while not selected";
    ItemPointer(view).press({50, 9}, 10, Qt::ControlModifier);
    EXPECT_TRUE(view->isHighlight());
    EXPECT_FALSE(view->isHoldTimerPending());
    EXPECT_EQ(view->lastMouseDown(), 0);
    QMenu* shown = view->findChild<QMenu*>();
    ASSERT_NE(shown, nullptr);
    const Menu menu = view->menuForEvent(Event());
    ASSERT_GT(menu.numberOfItems(), 0);
    saveScreenshot(shown, QStringLiteral("planner_chip_context_menu"));
    shown->close();

    // The entries run the view's commands: done, as the menu's first enabled row of that title.
    bool toggled = false;
    for (const MenuItem& item : menu.items())
        if (item.title == text("menuDone") && item.action) {
            item.action();
            toggled = true;
        }
    EXPECT_TRUE(toggled);
    EXPECT_EQ(reread(view->task())->status(), 1);
}

TEST_F(PlannerItemViewTest, EdgePressesMoveEdgesOnlyWhereTheItemAndThePaneAllow)
{
    struct Case {
        const char* name;
        bool block;
        qint64 type;
        bool allDay;
        bool canResizeStart;
        QPointF at;
        bool startMoves;
        bool selected;
    };
    const Case cases[] = {
        {"top of a timed block", true, 0, false, true, {50, 2}, true, false},
        {"top of a block whose start is fixed", true, 0, false, false, {50, 2}, false, true},
        {"left of an all-day chip", false, 0, true, true, {2, 9}, true, false},
        {"left of a task's chip", false, 1, false, true, {2, 9}, false, true},
    };
    for (const Case& c : cases) {
        const TaskPtr item = stored(c.type, QString::fromLatin1(c.name), at(15, 9), at(15, 10), c.allDay);
        PlannerBaseItem* view = c.block ? static_cast<PlannerBaseItem*>(block(item, 9, 10))
                                        : static_cast<PlannerBaseItem*>(chip(item));
        view->setCanResizeStart(c.canResizeStart);
        ItemPointer(view).press(c.at, 10);
        EXPECT_EQ(view->isStartTimeMoving(), c.startMoves) << c.name;
        EXPECT_EQ(view->isHighlight(), c.selected) << c.name;
        EXPECT_EQ(view->isHoldTimerPending(), c.selected) << c.name;
    }
}

TEST_F(PlannerItemViewTest, ADraggedEdgeOfARepeatingItemAsksHowFarItGoesAndCancelSpringsBack)
{
    struct Case {
        const char* name;
        bool block;
        bool scheduled;
        QStringList buttons;
        const char* message;
    };
    const Case cases[] = {
        {"event block", true, false, {text("onlyThisEventText"), text("allFutureEventsText"), text("cancelText")},
         "editingEventText"},
        {"scheduled task block", true, true,
         {text("onlyThisEventText"), text("allFutureEventsText"), text("cancelText")}, "editingSTaskText"},
        {"scheduled task chip", false, true,
         {text("onlyThisSTaskText"), text("allFutureSTasksText"), text("cancelText")}, "editingSTaskText"},
    };
    for (const Case& c : cases) {
        TaskPtr master;
        const TaskPtr occurrence = occurrenceOfSeries(2, master, c.scheduled);
        PlannerBaseItem* view = c.block ? static_cast<PlannerBaseItem*>(block(occurrence, 9, 10))
                                        : static_cast<PlannerBaseItem*>(chip(occurrence));
        ChangePosts posts;
        ScriptedAlertPresenter alerts;
        alerts.scriptButton(AlertResponse::thirdButton);
        ItemPointer pointer(view);
        const QSizeF size = view->frame().size();
        // The end edge: the bottom of a block, the right of a chip (a
        // scheduled task's chip is no all-day event: it has no edge, and is
        // committed by its mouse-up only when an edge moves).
        if (!c.block) {
            occurrence->setIsADE(true);
            view->setTask(occurrence);
        }
        pointer.press(c.block ? QPointF(50, size.height() - 2) : QPointF(size.width() - 2, 9), 10);
        pointer.moveBy(c.block ? 0 : 100, c.block ? 47 : 0);
        pointer.release();
        ASSERT_EQ(alerts.requests().size(), 1) << c.name;
        EXPECT_EQ(alerts.requests().front().buttonTitles, c.buttons) << c.name;
        EXPECT_EQ(alerts.requests().front().messageText, text(c.message)) << c.name;
        EXPECT_EQ(alerts.requests().front().informativeText,
                  text(c.scheduled ? "editingAllSTaskFutureMessageText" : "editingAllFutureMessageText"))
            << c.name;
        EXPECT_EQ(occurrence->endTime(), at(15, 10)) << c.name << ": cancel changes nothing";
        EXPECT_EQ(posts.count, 1) << c.name << ": the view springs back on the reload";
    }

    // An edge pressed and let go without a drag asks nothing and keeps the
    // times, even off the quarter-hour steps.
    const TaskPtr event = stored(0, QStringLiteral("Call"), at(15, 10, 20), at(15, 11));
    PlannerWeeklyItemView* view = block(event, 10 + 20.0 / 60, 11);
    ChangePosts posts;
    ItemPointer pointer(view);
    pointer.press({50, 2}, 30);
    pointer.release();
    EXPECT_EQ(reread(event)->startTime(), at(15, 10, 20));
    EXPECT_EQ(posts.count, 1);
}

TEST_F(PlannerItemViewTest, EdgeDragsCommitThroughTheDataManagerButNeverForSharedItems)
{
    const TaskPtr event = stored(0, QStringLiteral("Call"), at(15, 10), at(15, 11));
    PlannerWeeklyItemView* view = block(event, 10, 11);
    ItemPointer pointer(view);
    pointer.press({50, 2}, 10);
    pointer.moveBy(0, -47.0 * 1.25);
    EXPECT_EQ(view->frame().y(), yOf(8.75));
    pointer.release();
    EXPECT_EQ(reread(event)->startTime(), at(15, 8, 45));
    EXPECT_EQ(reread(event)->duration(), 135);

    // A shared block's edges do not follow the mouse, nor does a shared
    // chip's; both draw as they were.
    const TaskPtr shared = stored(0, QStringLiteral("Shared"), at(15, 13), at(15, 14));
    shared->setIsShared(true);
    PlannerWeeklyItemView* sharedBlock = block(shared, 13, 14);
    const QRectF before = sharedBlock->frame();
    ItemPointer sharedPointer(sharedBlock);
    sharedPointer.press({50, 2}, 20);
    sharedPointer.moveBy(0, -47);
    sharedPointer.release();
    EXPECT_EQ(sharedBlock->frame(), before);
    EXPECT_EQ(reread(shared)->startTime(), at(15, 13));

    // Months rows: the month pane's chip stretched past its row's end.
    const TaskPtr trip = stored(0, QStringLiteral("Trip"), at(13, 0), at(13, 23, 59), true);
    PlannerItemView* chipView = chip(trip, QRectF(115, 20, 100, 18));
    ItemPointer chipPointer(chipView);
    chipPointer.press({98, 9}, 40);
    chipPointer.moveBy(700, 0);
    chipPointer.release();
    EXPECT_EQ(reread(trip)->endTime(), localDate(2014, 1, 18, 23, 59, 59));
}

TEST_F(PlannerItemViewTest, DeletingAsksAsTheSettingAndTheRepeatSay)
{
    // Without the warning, a task and a one-off event go at once.
    for (qint64 type : {1, 0}) {
        const TaskPtr item = stored(type, QStringLiteral("Gone"), at(15, 9), at(15, 10));
        PlannerItemView* view = chip(item);
        m_month->selectItem(view);
        pressDelete(view);
        EXPECT_FALSE(exists(item)) << "type " << type;
    }
    // Ticked and cancelled: the warning is off, the item stays.
    setting().setIsWarningForDeleting(1);
    const TaskPtr kept = stored(1, QStringLiteral("Kept"), at(15, 9), at(15, 10));
    PlannerItemView* keptView = chip(kept);
    pressDelete(keptView);
    EXPECT_TRUE(exists(kept)) << "Delete on a view not selected does nothing";
    {
        ScriptedAlertPresenter alerts;
        alerts.scriptButton(AlertResponse::secondButton, true);
        keptView->applyDelete();
    }
    EXPECT_TRUE(exists(kept));
    EXPECT_EQ(setting().isWarningForDeleting(), 0);

    struct Case {
        const char* name;
        int daysBefore;
        const char* secondButton;
        bool seriesGone;
    };
    const Case cases[] = {{"first occurrence", 0, "allText", true}, {"later occurrence", 2, "allFutureEventsText", false}};
    for (const Case& c : cases) {
        TaskPtr master;
        PlannerItemView* view = chip(occurrenceOfSeries(c.daysBefore, master));
        ScriptedAlertPresenter alerts;
        alerts.scriptButton(AlertResponse::secondButton);
        view->applyDelete();
        ASSERT_EQ(alerts.requests().size(), 1) << c.name;
        EXPECT_EQ(alerts.requests().front().buttonTitles.value(1), text(c.secondButton)) << c.name;
        EXPECT_EQ(!exists(master), c.seriesGone) << c.name;
    }

    // A shared item is never deleted and nothing is asked.
    const TaskPtr shared = stored(0, QStringLiteral("Shared"), at(15, 9), at(15, 10));
    shared->setIsShared(true);
    chip(shared)->applyDelete();
    EXPECT_TRUE(exists(shared));
}

TEST_F(PlannerItemViewTest, DuplicatingAndCopyingForLinks)
{
    TaskPtr master;
    PlannerItemView* occurrenceView = chip(occurrenceOfSeries(2, master));
    const qint64 rowsBefore = queryInt(QStringLiteral("SELECT COUNT(*) FROM Tasks"));
    {
        ScriptedAlertPresenter alerts;
        alerts.scriptButton(AlertResponse::firstButton);
        occurrenceView->duplicateTask();
    }
    const qint64 copyKey = queryInt(QStringLiteral("SELECT MAX(primaryKey) FROM Tasks"));
    const TaskPtr copy = Task::initWithPrimaryKey(copyKey);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->repeatType(), 0);
    EXPECT_EQ(Utilities::today(copy->startTime()), at(15, 0));
    chip(stored(1, QStringLiteral("Report"), at(15, 9), at(15, 10)))->duplicateTask();
    EXPECT_EQ(queryInt(QStringLiteral("SELECT COUNT(*) FROM Tasks")), rowsBefore + 3)
        << "the occurrence's copy, the task and the task's copy";

    setting().setIsWarningForCopyToLink(1);
    const TaskPtr first = stored(1, QStringLiteral("First"), at(15, 9), at(15, 10));
    dataManager().setCopiedItem(first->copy());
    ScriptedAlertPresenter alerts;
    alerts.scriptButton(AlertResponse::secondButton);
    chip(stored(1, QStringLiteral("Second"), at(15, 9), at(15, 10)))->copyToMakeLink();
    ASSERT_NE(dataManager().copiedItem(), nullptr);
    EXPECT_EQ(dataManager().copiedItem()->taskName(), QStringLiteral("First"));
}

}  // namespace PlannerItemViewTests
