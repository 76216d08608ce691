#include "DetailViewController.h"

#include "../DayView/TaskViewTestFixture.h"
#include "Button.h"
#include "CoreData.h"
#include "CustomTextView.h"
#include "EventDetailView.h"
#include "LogCapture.h"
#include "Popover.h"
#include "TaskListItemView.h"
#include "TextField.h"
#include "Window.h"

#include <QMouseEvent>

namespace {

// The real day grid in a window on screen, its boxes opening the editor
// popover through the controller each box keeps.
class DetailViewControllerTest : public TaskViewTest {
protected:
    void SetUp() override
    {
        TaskViewTest::SetUp();
        Window::setAnimationDurationScale(0);
        m_window = std::make_unique<Window>(QRectF(100, 100, 700, 720), BorderlessWindowMask);
        m_window->contentView()->addSubview(m_grid.get());
        m_window->orderFront();
    }

    void TearDown() override
    {
        EditorPages::setTaskEditorMaker({});
        NotePages::setCurrent(nullptr);
        TaskViewTest::TearDown();
        m_window.reset();
    }

    TaskView* openedBox(const TaskPtr& item)
    {
        TaskView* box = placeEvent(item, 10, 11);
        box->show();
        box->popupEditDetail();
        return box;
    }

    // A press somewhere else in the main window, as the user closes the
    // popover.
    void pressElsewhere()
    {
        QWidget* target = m_window->contentView();
        const QPointF at(690, 5);
        QMouseEvent press(QEvent::MouseButtonPress, at, target->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QApplication::sendEvent(target, &press);
        QMouseEvent release(QEvent::MouseButtonRelease, at, target->mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                            Qt::NoModifier);
        QApplication::sendEvent(target, &release);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    EventDetailView* shownEditor(DetailViewController* controller)
    {
        return controller ? qobject_cast<EventDetailView*>(controller->customView()) : nullptr;
    }

    std::unique_ptr<Window> m_window;
};

TEST_F(DetailViewControllerTest, EventsAllDayEventsAndScheduledTasksOpenTheEventEditorAtTheAnchorsRight)
{
    struct Case {
        const char* what;
        bool allDay;
        bool scheduled;
    };
    const Case cases[] = {{"an event", false, false}, {"an all-day event", true, false}, {"a scheduled task", false, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const TaskPtr item = storedEvent(QStringLiteral("Review"), at(10), at(11));
        item->setIsADE(c.allDay);
        item->setIsSheduledTask(c.scheduled);
        TaskView* box = openedBox(item);
        DetailViewController* controller = box->detailViewController();
        ASSERT_NE(controller, nullptr);
        EventDetailView* editor = shownEditor(controller);
        ASSERT_NE(editor, nullptr);
        EXPECT_EQ(editor->frame().width(), DetailViewController::eventEditorWidth);
        EXPECT_EQ(editor->type(), 1);
        EXPECT_EQ(editor->task(), item);
        EXPECT_EQ(editor->parentView(), box);
        ASSERT_NE(controller->popover(), nullptr);
        EXPECT_TRUE(controller->popover()->isShown());
        EXPECT_EQ(controller->popover()->shownScreenEdge(), RectEdge::MaxX);
        EXPECT_EQ(controller->popover()->behavior(), PopoverBehavior::Semitransient);
        EXPECT_EQ(m_mainView->popover(), controller->popover());
        EXPECT_TRUE(m_mainView->hasPopup());
        EXPECT_FALSE(m_mainView->canRefreshData());
        EXPECT_EQ(m_mainView->currentItemContentTab(), 2);
        NotificationCenter::defaultCenter().postNotificationName(Popover::shouldCloseNotification);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

TEST_F(DetailViewControllerTest, AnAnchorThatIsNoneOrOffScreenOpensNothingAndLeavesTheMainViewAlone)
{
    LogCapture log;
    DetailViewController controller;
    auto* hidden = new View(QRectF(0, 0, 40, 20));
    m_grid->contentView()->addSubview(hidden);
    hidden->hide();
    View loose(QRectF(0, 0, 40, 20));
    for (View* anchor : {static_cast<View*>(nullptr), hidden, &loose}) {
        controller.editTask(storedEvent(QStringLiteral("x"), at(9), at(10)), anchor);
        EXPECT_EQ(controller.popover(), nullptr);
        EXPECT_EQ(controller.customView(), nullptr);
        EXPECT_EQ(m_mainView->popover(), nullptr);
        EXPECT_FALSE(m_mainView->hasPopup());
        EXPECT_TRUE(m_mainView->canRefreshData());
        EXPECT_EQ(m_mainView->currentItemContentTab(), 0);
    }
}

TEST_F(DetailViewControllerTest, AnOpenWithoutAPageShowsNothingAndNeverAnEarlierItemsForm)
{
    LogCapture log;
    const TaskPtr event = storedEvent(QStringLiteral("Review"), at(10), at(11));
    TaskView* box = openedBox(event);
    DetailViewController* controller = box->detailViewController();
    NotificationCenter::defaultCenter().postNotificationName(Popover::shouldCloseNotification);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_EQ(controller->popover(), nullptr);

    // A task before the task editor is installed, a checklist item, a note
    // and the link pages before the notes subsystem fills them in.
    controller->editTask(storedTask(QStringLiteral("task"), 30), box);
    auto checklist = std::make_shared<Task>();
    checklist->setTaskType(2);
    controller->editTask(checklist, box);
    auto note = std::make_shared<Task>();
    note->setTaskType(3);
    controller->editNote(note, box, box);
    controller->detailLink(event, box);
    controller->addLink(event, box, 3);
    EXPECT_EQ(controller->requestCount(), 6);
    EXPECT_EQ(controller->lastRequest().request, DetailViewController::Request::AddLink);
    EXPECT_EQ(controller->popover(), nullptr);
    EXPECT_EQ(controller->customView(), nullptr);
    EXPECT_FALSE(m_mainView->hasPopup());
}

TEST_F(DetailViewControllerTest, InstalledPagesAreShownAndTheirRevertRunsOnClose)
{
    int reverts = 0;
    QList<TaskPtr> made;
    EditorPages::setTaskEditorMaker([&](const TaskPtr& item, View*) {
        made.append(item);
        return EditorContent{new View(QRectF(0, 0, 280, 100)), [&] { ++reverts; }};
    });
    const TaskPtr task = storedTask(QStringLiteral("write"), 30);
    TaskView* box = openedBox(storedEvent(QStringLiteral("Review"), at(10), at(11)));
    DetailViewController* controller = box->detailViewController();
    controller->editTask(task, box);
    ASSERT_EQ(made.size(), 1);
    EXPECT_EQ(made.first(), task);
    ASSERT_NE(controller->customView(), nullptr);
    EXPECT_EQ(controller->customView()->frame().width(), 280);
    EXPECT_EQ(controller->popover()->contentView(), controller->customView()) << "the same popover, new content";
    pressElsewhere();
    EXPECT_EQ(reverts, 1);
}

TEST_F(DetailViewControllerTest, AProgramCloseRevertsWithoutTheDelayedRefresh)
{
    const TaskPtr item = storedEvent(QStringLiteral("Review"), at(10), at(11));
    TaskView* box = openedBox(item);
    DetailViewController* controller = box->detailViewController();
    EventDetailView* editor = shownEditor(controller);
    ASSERT_NE(editor, nullptr);
    // An unsaved change written into the record.
    item->setTaskName(QStringLiteral("half-typed"));
    editor->showRevert();

    NotificationCenter::defaultCenter().postNotificationName(Popover::shouldCloseNotification);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(item->taskName(), QStringLiteral("Review")) << "revertInfo restored the record";
    EXPECT_EQ(controller->popover(), nullptr);
    EXPECT_EQ(m_mainView->popover(), nullptr);
    EXPECT_FALSE(m_mainView->hasPopup());
    EXPECT_FALSE(m_mainView->isManualClose());
    EXPECT_FALSE(controller->isReloadPending());
    EXPECT_FALSE(m_mainView->canRefreshData());
}

TEST_F(DetailViewControllerTest, AUserCloseListsThePreviewItemTwoSecondsLaterUnlessAnotherPopoverOpened)
{
    for (const bool reopen : {false, true}) {
        SCOPED_TRACE(reopen ? "reopened within the delay" : "left closed");
        const TaskPtr preview = storedEvent(QStringLiteral("quick"), at(14), at(15));
        dataManager().setQuickAddItemInPreview(preview);
        TaskView* box = openedBox(storedEvent(QStringLiteral("Review"), at(10), at(11)));
        DetailViewController* controller = box->detailViewController();
        pressElsewhere();
        EXPECT_EQ(controller->popover(), nullptr);
        EXPECT_FALSE(m_mainView->hasPopup());
        EXPECT_TRUE(m_mainView->canRefreshData());
        EXPECT_TRUE(controller->isReloadPending());
        if (reopen) box->popupEditDetail();
        m_scheduler.advance(DetailViewController::reloadDelaySeconds - 0.1);
        EXPECT_EQ(dataManager().quickAddItemInPreview(), preview) << "not before the delay";
        m_scheduler.advance(0.2);
        EXPECT_EQ(dataManager().quickAddItemInPreview() == nullptr, !reopen);
        NotificationCenter::defaultCenter().postNotificationName(Popover::shouldCloseNotification);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        dataManager().setQuickAddItemInPreview(nullptr);
    }
}

TEST_F(DetailViewControllerTest, ATaskListRowOpensTheEditorAndARevertReloadsIt)
{
    EditorPages::setRowReloader([](QWidget* view) {
        auto* row = qobject_cast<TaskListItemView*>(view);
        if (!row) return false;
        row->reload();
        return true;
    });
    const TaskPtr item = storedEvent(QStringLiteral("Review"), at(10), at(11));
    auto* row = new TaskListItemView(QRectF(0, 0, 300, 40));
    m_window->contentView()->addSubview(row);
    row->setTask(item);
    row->show();
    DetailViewController controller;
    controller.editTask(item, row);
    EventDetailView* editor = shownEditor(&controller);
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->parentView(), row);

    // The data manager's slot holds another item by then; the revert keeps
    // to the editor's own copy.
    dataManager().setModifyingTask(storedEvent(QStringLiteral("other"), at(12), at(13)));
    item->setTaskName(QStringLiteral("half-typed"));
    row->reload();
    editor->showRevert();
    editor->revertInfo();
    EXPECT_EQ(item->taskName(), QStringLiteral("Review"));
    EXPECT_EQ(item->startTime(), at(10));
    EXPECT_EQ(row->taskName()->stringValue(), QStringLiteral("Review"));
    EditorPages::setRowReloader({});
}

}  // namespace
