#include "PlannerItemTestFixture.h"

#include "AlertResponse.h"
#include "Button.h"
#include "DetailViewController.h"
#include "DragSource.h"
#include "Event.h"
#include "Screenshot.h"
#include "ScriptedAlertPresenter.h"
#include "TextTable.h"

#include "TextField.h"

#include <QAction>
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
        NotificationCenter::defaultCenter().addObserver(this, kTaskChanged, nullptr, [this](const Notification&) { ++count; });
    }
    int count = 0;
};

int editorOpens(const PlannerBaseItem* view)
{
    return view->detailViewController() ? view->detailViewController()->requestCount() : 0;
}

using PlannerItemViewTest = PlannerItemTest;

TEST_F(PlannerItemViewTest, SelectingHidingAndFindingTouchEveryViewOfTheItemAndNoButton)
{
    const TaskPtr trip = stored(0, QStringLiteral("Trip"), at(17, 0), at(20, 23, 59), true);
    TaskPtr master;
    const TaskPtr occurrence = occurrenceOfSeries(2, master);
    TaskList later;
    dataManager().fillRepeatEventInstances(TaskList{master}, later, at(16, 0), at(16, 0));
    ASSERT_FALSE(later.isEmpty());
    PlannerItemView* firstRow = chip(trip, QRectF(515, 20, 200, 18));
    PlannerItemView* secondRow = chip(trip, QRectF(15, 120, 200, 18));
    auto* more = new Button(QRectF(15, 80, 50, 14));
    m_month->addToTaskList(more);
    PlannerItemView* hidden = chip(later.front(), QRectF(415, 60, 100, 18));
    PlannerItemView* today = chip(occurrence, QRectF(315, 40, 100, 18));
    PlannerItemView* tomorrow = chip(later.front(), QRectF(415, 40, 100, 18));

    m_month->selectItem(secondRow);
    EXPECT_TRUE(firstRow->isHighlight() && secondRow->isHighlight()) << "both rows of the trip light up";
    m_month->draggingItem(secondRow);
    EXPECT_TRUE(firstRow->isHidden() && secondRow->isHidden());
    EXPECT_FALSE(more->isHidden()) << "buttons are never hidden";
    m_month->selectItem(today);
    EXPECT_FALSE(tomorrow->isHighlight() || firstRow->isHighlight()) << "only the clicked occurrence lights";

    // Tasks are not looked for; an occurrence opens from the first visible
    // view of its series, which is given the occurrence asked for.
    hidden->setHidden(true);
    m_month->findAndEditEvent(stored(1, QStringLiteral("Task"), at(15, 9), at(15, 10)));
    EXPECT_EQ(editorOpens(today), 0);
    m_month->findAndEditEvent(later.front());
    EXPECT_EQ(editorOpens(hidden) + editorOpens(tomorrow), 0) << "a hidden view is never chosen";
    ASSERT_EQ(editorOpens(today), 1);
    EXPECT_EQ(today->detailViewController()->lastRequest().item, later.front());
    EXPECT_TRUE(today->task() == later.front() && today->isHighlight());
}

TEST_F(PlannerItemViewTest, ThePressOpensTheEditorWithinItsOwnSecondAndHoldingDragsTheItem)
{
    for (const double secondPress : {10.9, 11.1}) {
        PlannerItemView* view = chip(stored(1, QStringLiteral("Report"), at(15, 9), at(15, 10)));
        ItemPointer pointer(view);
        pointer.press({50, 9}, 10);
        pointer.release();
        pointer.press({50, 9}, secondPress);
        pointer.release();
        EXPECT_EQ(editorOpens(view), secondPress < 11 ? 1 : 0) << secondPress;
        EXPECT_FALSE(view->isHoldTimerPending()) << "the release cancels the hold";
    }

    // Held 0.3 s: the drag of the record selected at the press, every view of it hidden.
    const TaskPtr trip = stored(0, QStringLiteral("Trip"), at(17, 0), at(20, 23, 59), true);
    PlannerItemView* dragged = chip(trip, QRectF(515, 20, 200, 18));
    PlannerItemView* otherRow = chip(trip, QRectF(15, 120, 200, 18));
    TaskList carried;
    DragSource::setRunner([&](DragSource::Drag& drag) {
        carried = Task::readItemsFromPasteboard(*drag.payload);
        EXPECT_EQ(DragSource::currentSource(), dragged);
        EXPECT_TRUE(dragged->isHidden() && otherRow->isHidden());
        return DragSource::Outcome{DragOperationNone, {}};
    });
    ItemPointer(dragged).press({100, 9}, 20);
    m_scheduler.advance(0.3);
    DragSource::setRunner({});
    ASSERT_EQ(carried.size(), 1);
    EXPECT_EQ(carried.front()->primaryKey(), trip->primaryKey());
    EXPECT_EQ(m_month->draggingSize(), QSizeF(100, dragged->imageRepresentative().deviceIndependentSize().height()));
    QCoreApplication::sendPostedEvents();
    EXPECT_TRUE(m_mainView.calls().contains(QStringLiteral("reloadPlanner 0"))) << "dropped nowhere: the planner reloads";
}

TEST_F(PlannerItemViewTest, ControlClickShowsTheMenuOnlyAndTheMenuNeedsTheSelection)
{
    PlannerItemView* view = chip(stored(1, QStringLiteral("Report"), at(15, 9), at(15, 10)));
    EXPECT_EQ(view->menuForEvent(Event()).numberOfItems(), 0) << "no menu while not selected";
    ItemPointer(view).press({50, 9}, 10, Qt::ControlModifier);
    EXPECT_TRUE(view->isHighlight() && !view->isHoldTimerPending() && view->lastMouseDown() == 0);
    QMenu* shown = view->findChild<QMenu*>();
    ASSERT_NE(shown, nullptr);
    saveScreenshot(shown, QStringLiteral("planner_chip_context_menu"));
    shown->close();
    const Menu menu = view->menuForEvent(Event());
    for (const MenuItem& row : menu.items())
        if (row.title == text("menuDone") && row.action) row.action();
    EXPECT_EQ(reread(view->task())->status(), 1) << "the done row ran the view's command";
}

TEST_F(PlannerItemViewTest, ADraggedEdgeOfARepeatingItemAsksHowFarItGoesAndCancelSpringsBack)
{
    const QStringList eventButtons{text("onlyThisEventText"), text("allFutureEventsText"), text("cancelText")};
    const QStringList taskButtons{text("onlyThisSTaskText"), text("allFutureSTasksText"), text("cancelText")};
    struct Case {
        const char* name;
        bool block, scheduled;
        QStringList buttons;
    };
    const Case cases[] = {{"event block", true, false, eventButtons},
                          {"scheduled task block", true, true, eventButtons},
                          {"scheduled task chip", false, true, taskButtons}};
    for (const Case& c : cases) {
        TaskPtr master;
        const TaskPtr occurrence = occurrenceOfSeries(2, master, c.scheduled);
        occurrence->setIsADE(!c.block);  // a chip's edges are an all-day event's
        PlannerBaseItem* view = itemView(c.block, occurrence);
        ChangePosts posts;
        ScriptedAlertPresenter alerts;
        alerts.scriptButton(AlertResponse::thirdButton);
        ItemPointer pointer(view);
        const QSizeF size = view->frame().size();
        pointer.press(c.block ? QPointF(50, size.height() - 2) : QPointF(size.width() - 2, 9), 10);
        pointer.moveBy(c.block ? 0 : 100, c.block ? 47 : 0);
        pointer.release();
        ASSERT_EQ(alerts.requests().size(), 1) << c.name;
        const AlertRequest asked = alerts.requests().front();
        EXPECT_EQ(asked.buttonTitles, c.buttons) << c.name;
        EXPECT_EQ(asked.messageText, text(c.scheduled ? "editingSTaskText" : "editingEventText")) << c.name;
        EXPECT_EQ(asked.informativeText,
                  text(c.scheduled ? "editingAllSTaskFutureMessageText" : "editingAllFutureMessageText")) << c.name;
        EXPECT_EQ(occurrence->endTime(), at(15, 10)) << c.name << ": cancel changes nothing";
        EXPECT_EQ(posts.count, 1) << c.name << ": the view springs back on the reload";
    }

    // An edge pressed and let go without a drag asks nothing and keeps times off the quarter hours.
    const TaskPtr call = stored(0, QStringLiteral("Call"), at(15, 10, 20), at(15, 11));
    ChangePosts posts;
    ItemPointer pointer(block(call, 10 + 20.0 / 60, 11));
    pointer.press({50, 2}, 30);
    pointer.release();
    EXPECT_EQ(reread(call)->startTime(), at(15, 10, 20));
    EXPECT_EQ(posts.count, 1);
}

TEST_F(PlannerItemViewTest, EdgeDragsCommitThroughTheDataManagerButNeverForSharedItems)
{
    struct Case {
        const char* name;
        bool block, shared;
        QPointF press, move;
        Date expectedStart, expectedEnd;
    };
    const Case cases[] = {
        {"block top up 1.25 h", true, false, {50, 2}, {0, -47 * 1.25}, at(15, 7, 45), at(15, 10)},
        {"shared block", true, true, {50, 2}, {0, -47}, at(15, 9), at(15, 10)},
        {"all-day chip stretched past its row", false, false, {198, 9}, {700, 0}, at(15, 0), localDate(2014, 1, 18, 23, 59, 59)},
    };
    for (const Case& c : cases) {
        const TaskPtr item = stored(0, QString::fromLatin1(c.name), c.block ? at(15, 9) : at(15, 0),
                                    c.block ? at(15, 10) : localDate(2014, 1, 15, 23, 59, 59), !c.block);
        item->setIsShared(c.shared);
        PlannerBaseItem* view = itemView(c.block, item);
        const QRectF before = view->frame();
        ItemPointer pointer(view);
        pointer.press(c.press, 10);
        pointer.moveBy(c.move.x(), c.move.y());
        pointer.release();
        EXPECT_EQ(view->frame() == before, c.shared) << c.name << ": the edge follows the mouse unless shared";
        EXPECT_EQ(reread(item)->startTime(), c.expectedStart) << c.name;
        EXPECT_EQ(reread(item)->endTime(), c.expectedEnd) << c.name;
    }
}

TEST_F(PlannerItemViewTest, DeletingAsksAsTheSettingAndTheRepeatSay)
{
    for (qint64 type : {1, 0}) {
        const TaskPtr item = stored(type, QStringLiteral("Gone"), at(15, 9), at(15, 10));
        PlannerItemView* view = chip(item);
        QKeyEvent backspace(QEvent::KeyPress, Qt::Key_Backspace, Qt::NoModifier);
        QApplication::sendEvent(view, &backspace);
        EXPECT_TRUE(exists(item)) << "Delete on a view not selected does nothing";
        m_month->selectItem(view);
        QApplication::sendEvent(view, &backspace);
        EXPECT_FALSE(exists(item)) << "without the warning it goes at once, type " << type;
    }
    setting().setIsWarningForDeleting(1);
    const TaskPtr kept = stored(1, QStringLiteral("Kept"), at(15, 9), at(15, 10));
    {
        ScriptedAlertPresenter alerts;
        alerts.scriptButton(AlertResponse::secondButton, true);
        chip(kept)->applyDelete();
    }
    EXPECT_TRUE(exists(kept));
    EXPECT_EQ(setting().isWarningForDeleting(), 0) << "the ticked box turns the warning off on cancel too";

    for (const int daysBefore : {0, 2}) {
        TaskPtr master;
        PlannerItemView* view = chip(occurrenceOfSeries(daysBefore, master));
        ScriptedAlertPresenter alerts;
        alerts.scriptButton(AlertResponse::secondButton);
        // A reload under the open question takes the views away, not yet deletes them.
        alerts.setWhileRunning([this] { m_month->clearTaskList(); });
        const QPointer<PlannerItemView> alive(view);
        view->applyDelete();
        EXPECT_TRUE(alive && m_month->taskList().empty());
        ASSERT_EQ(alerts.requests().size(), 1);
        EXPECT_EQ(alerts.requests().front().buttonTitles.value(1), text(daysBefore ? "allFutureEventsText" : "allText"));
        EXPECT_EQ(exists(master), daysBefore != 0) << "all of a series from its first day";
    }

    const TaskPtr shared = stored(0, QStringLiteral("Shared"), at(15, 9), at(15, 10));
    shared->setIsShared(true);
    chip(shared)->applyDelete();
    EXPECT_TRUE(exists(shared)) << "a shared item is never deleted, and nothing is asked";
}

TEST_F(PlannerItemViewTest, DuplicatingAndCopyingForLinks)
{
    TaskPtr master;
    PlannerItemView* occurrenceView = chip(occurrenceOfSeries(2, master));
    const QString count = QStringLiteral("SELECT COUNT(*) FROM Tasks");
    const qint64 rowsBefore = queryInt(count);
    {
        ScriptedAlertPresenter alerts;
        alerts.scriptButton(AlertResponse::firstButton);
        occurrenceView->duplicateTask();
    }
    const TaskPtr copy = Task::initWithPrimaryKey(queryInt(QStringLiteral("SELECT MAX(primaryKey) FROM Tasks")));
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->repeatType(), 0);
    EXPECT_EQ(Utilities::today(copy->startTime()), at(15, 0));
    chip(stored(1, QStringLiteral("Report"), at(15, 9), at(15, 10)))->duplicateTask();
    EXPECT_EQ(queryInt(count), rowsBefore + 3) << "the occurrence's copy, the task and its copy at once";

    setting().setIsWarningForCopyToLink(1);
    dataManager().setCopiedItem(stored(1, QStringLiteral("First"), at(15, 9), at(15, 10))->copy());
    ScriptedAlertPresenter alerts;
    alerts.scriptButton(AlertResponse::secondButton);
    chip(stored(1, QStringLiteral("Second"), at(15, 9), at(15, 10)))->copyToMakeLink();
    ASSERT_NE(dataManager().copiedItem(), nullptr);
    EXPECT_EQ(dataManager().copiedItem()->taskName(), QStringLiteral("First"));
}

}  // namespace PlannerItemViewTests

namespace PlannerItemViewTests {

// A view that showed an item selected, pressed, labelled, edited, with an
// edge armed and a cursor and tooltip, prepared for reuse and given another
// item, is exactly a new view given that item: state and picture alike.
TEST_F(PlannerItemViewTest, AReusedViewCarriesNothingOfItsFormerItem)
{
    for (const bool asBlock : {false, true}) {
        SCOPED_TRACE(asBlock ? "block" : "chip");
        TaskPtr master;
        const TaskPtr former = occurrenceOfSeries(1, master, true);
        const TaskPtr next = stored(asBlock ? 0 : 1, QStringLiteral("Review"), at(15, 11), at(15, 12));
        PlannerBaseItem* reused = itemView(asBlock, former);
        PlannerBaseView* pane = reused->parentView();
        pane->selectItem(reused);
        reused->setCanResizeEnd(false);
        ItemPointer(reused).press({50, 9}, 10);
        reused->taskNameLabel();
        reused->popupEditDetail();
        reused->setToolTip(QStringLiteral("former"));
        reused->setCursorShape(CursorShape::ResizeUpDown);
        if (auto* formerBlock = qobject_cast<PlannerWeeklyItemView*>(reused)) formerBlock->setAlphaBg(0.3);
        ASSERT_TRUE(reused->isHighlight() && reused->isHoldTimerPending() && reused->lastMouseDown() > 0);

        reused->prepareForReuse();
        reused->setParentView(pane);
        reused->setIsSquareBox(asBlock);
        reused->setTask(next);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        PlannerBaseItem* fresh = itemView(asBlock, next);
        fresh->setFrame(reused->frame());

        const auto stateOf = [](const PlannerBaseItem* view) {
            const auto* block = qobject_cast<const PlannerWeeklyItemView*>(view);
            return std::make_tuple(view->isHighlight(), view->canResizeStart(), view->canResizeEnd(),
                                   view->isHoldTimerPending(), view->lastMouseDown(), view->detailViewController(),
                                   view->toolTip(), view->testAttribute(Qt::WA_SetCursor),
                                   view->findChild<TextField*>() != nullptr, block ? block->alphaBg() : -1.0);
        };
        EXPECT_EQ(stateOf(reused), stateOf(fresh));
        EXPECT_EQ(reused->grab().toImage(), fresh->grab().toImage());
        m_scheduler.advance(2);
        EXPECT_FALSE(reused->isHidden()) << "the former item's hold no longer drags it";
    }
}

// A menu open over a reload runs its command for the item it was offered
// for, and a view given another item runs none.
TEST_F(PlannerItemViewTest, AnItemMenuRunsItsCommandOnlyForTheItemItWasOfferedFor)
{
    const TaskPtr offered = stored(1, QStringLiteral("Report"), at(15, 9), at(15, 10));
    const TaskPtr other = stored(1, QStringLiteral("Invoice"), at(15, 11), at(15, 12));
    PlannerItemView* view = chip(offered);
    m_month->selectItem(view);
    const Menu menu = view->menuForEvent(Event());
    view->prepareForReuse();
    view->setTask(other);
    for (const MenuItem& row : menu.items())
        if (row.title == text("menuDone") && row.action) row.action();
    EXPECT_EQ(std::make_pair(reread(offered)->status(), reread(other)->status()), std::make_pair(qint64(0), qint64(0)));

    // Left by the reload while its menu is open: the view stays until the
    // menu closes, and the command chosen there marks the offered item.
    view->setTask(offered);
    ItemPointer(view).press({50, 9}, 10, Qt::ControlModifier);
    QPointer<QMenu> shown = view->openMenu();
    ASSERT_TRUE(shown && view->isBusy());
    const QPointer<PlannerItemView> alive(view);
    m_month->beginReuse();
    m_month->endReuse();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_TRUE(alive && alive->isHidden());
    for (QAction* action : shown->actions())
        if (action->text() == text("menuDone")) action->trigger();
    EXPECT_EQ(std::make_pair(reread(offered)->status(), reread(other)->status()), std::make_pair(qint64(1), qint64(0)));
    shown->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(alive) << "gone with its menu";
}

}  // namespace PlannerItemViewTests
