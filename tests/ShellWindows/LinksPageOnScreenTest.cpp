// An item's Links page on a real X server: "add note text" on a row of the
// main window's task list opens the page in a popover beside the row, the
// linked note open for writing; a note written in the quick-add row of
// another task is linked to it. A double click on a note row opens the
// note's editor in a popover beside the row. Reveal shows a linked item in
// the month planner or its project's panel. A task dropped on a day of the
// month planner makes that day the selected day of every view.
#include "../PlatformWindows/RealWindowSupport.h"
#include "../Model/ModelTestFixture.h"

#include "Clock.h"
#include "CategoryDetailPanel.h"
#include "CategoryListTableView.h"
#include "CategoryListView.h"
#include "CoreData.h"
#include "DayCalendarView.h"
#include "DragSource.h"
#include "FocusPaneView.h"
#include "ImageView.h"
#include "MonthCalendarView.h"
#include "MonthCellView.h"
#include "MonthNavigation.h"
#include "MonthView.h"
#include "PlannerBaseItem.h"
#include "PlannerCellView.h"
#include "PlannerMonthView.h"
#include "QuickAddView.h"
#include "RecordStore.h"
#include "ScriptedAlertPresenter.h"
#include "TextField.h"
#include "DetailViewController.h"
#include "Event.h"
#include "Link.h"
#include "LinkDetailView.h"
#include "LinkListTableView.h"
#include "LinkSection.h"
#include "MAAttachedWindow.h"
#include "ListModuleView.h"
#include "MainView.h"
#include "MainViewHeight.h"
#include "Button.h"
#include "NoteContentView.h"
#include "NoteLinkDetailView.h"
#include "NoteListTableView.h"
#include "NoteListView.h"
#include "CustomNSDatePicker.h"
#include "GregorianCalendar.h"
#include "Utilities.h"
#include "NoteDetailView.h"
#include "NoteView.h"
#include "Popover.h"
#include "QuickAddNewNote.h"
#include "Screen.h"
#include "Screenshot.h"
#include "Setting.h"
#include "ShellHost.h"
#include "Task.h"
#include "TaskListItemView.h"
#include "TaskListTableView.h"
#include "TaskListView.h"
#include "WindowController.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QScreen>

#include <memory>

namespace LinksPageOnScreenTests {

using namespace RealWindows;

namespace {

class LinksScreenHost : public ShellHost {
public:
    QSizeF screenResolution(bool fullFrame) const override
    {
        return (fullFrame ? Screen::mainFrame() : Screen::mainVisibleFrame()).size();
    }
    QPointF statusItemPosition() const override { return QPointF(420, Screen::mainFrame().height() - 24); }
    void statusItemNeedsDisplay() override {}
    void activateIgnoringOtherApps() override {}
};

class LinksDatabase : public ModelTest {
public:
    void TestBody() override {}
    void open() { SetUp(); }
    void close() { TearDown(); }
};

}  // namespace

class LinksPageOnScreen : public RealWindowTest {
protected:
    void SetUp() override
    {
        RealWindowTest::SetUp();
        if (HasFatalFailure() || IsSkipped()) return;
        database.open();
        CoreData* data = CoreData::shared();
        data->loadTimeZones();
        data->getSettingList();
        ASSERT_NE(data->currentSetting(), nullptr);
        data->currentSetting()->setHasRightPage(1);
        data->doWithCalendarList(data->getCalendarList(), 2);
        savedHeight = mainViewHeight;
        mainViewHeight = mainViewHeightForVisibleHeight(Screen::mainVisibleFrame().height());
    }
    void TearDown() override
    {
        controller.reset();
        MainView::setCurrent(nullptr);
        mainView.reset();
        mainViewHeight = savedHeight;
        if (CoreData::shared()) database.close();
        Clock::reset();
        RealWindowTest::TearDown();
    }

    TaskPtr stored(qint64 type, const QString& name)
    {
        auto item = std::make_shared<Task>();
        item->setTaskType(type);
        item->setTaskName(name);
        item->setNotes(name);
        item->setCalendarId(CoreData::shared()->currentSetting()->calendarDefID());
        EXPECT_TRUE(item->insertAndDehydrate());
        return item;
    }

    // The main window open as the tray opens it, the list pane as the settings say.
    void openMainWindow()
    {
        mainView = std::make_unique<MainView>(QRectF(0, 0, 620, double(mainViewHeight)));
        MainView::setCurrent(mainView.get());
        mainView->showHideBtn()->setState(CoreData::shared()->currentSetting()->hasRightPage() ? 1 : 0);
        mainView->showHide();
        controller = WindowController::initWithRootApp(&host);
        mainView->setOpenWindowHandler([this] { controller->openWindow(); });
        controller->setActive(true);
        ASSERT_TRUE(shownOnScreen(*controller->popoverWindow()));
    }
    void settleAndPicture(const QString& name)
    {
        QElapsedTimer least;
        least.start();
        EXPECT_TRUE(waitUntil([&] {
            return least.elapsed() > 300 && !mainView->isReloadPending() && !mainView->isItemListReloadPending();
        }));
        const QImage picture = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
        EXPECT_TRUE(picture.save(QDir(screenshotFolder()).filePath(name + QStringLiteral(".png"))));
    }
    // The day a month grid's frame stands on; null when it shows none.
    static Date framedDay(MonthCalendarView* grid)
    {
        const QPointF centre = grid->currentDateImgView()->frame().center();
        for (MonthCellView* cell : grid->monthCellList())
            if (grid->isCurrentDateShown() && cell->type() == 0 && cell->frame().contains(centre)) return cell->cellDate();
        return Date();
    }

    LinksDatabase database;
    quint64 savedHeight = 0;
    LinksScreenHost host;
    std::unique_ptr<MainView> mainView;
    std::unique_ptr<WindowController> controller;
};

TEST_F(LinksPageOnScreen, AddNoteTextOnATaskRowOpensItsLinksBesideTheRow)
{
    const TaskPtr withNote = stored(1, QStringLiteral("Plan the trip"));
    const TaskPtr bare = stored(1, QStringLiteral("Book the hotel"));
    const TaskPtr note = stored(3, QStringLiteral("Trip notes"));
    auto link = std::make_shared<Link>();
    link->setRootId(withNote->primaryKey());
    link->setTargetId(note->primaryKey());
    ASSERT_TRUE(CoreData::shared()->insertLink(link));
    CoreData::shared()->doWithAllTasksEventsAdes(TaskList{withNote, bare, note}, 0);

    mainView = std::make_unique<MainView>(QRectF(0, 0, 620, double(mainViewHeight)));
    MainView::setCurrent(mainView.get());
    mainView->showHideBtn()->setState(1);
    mainView->showHide();
    controller = WindowController::initWithRootApp(&host);
    ASSERT_TRUE(controller->popoverWindow());
    controller->setActive(true);
    ASSERT_TRUE(shownOnScreen(*controller->popoverWindow()));
    mainView->reloadData();
    TaskListTableView* list = mainView->listModuleView()->taskListView()->taskListTableView();

    struct Case {
        TaskPtr item;
        const char* picture;
        const char* firstRow;
    } cases[] = {{withNote, "links-popover-note-open", "NoteLinkDetailView"},
                 {bare, "links-popover-quick-add", "QuickAddNewNote"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.picture);
        ASSERT_TRUE(waitUntil([&] { return list->rowOfItem(c.item->primaryKey()) != nullptr; }));
        ASSERT_TRUE(list->revealToTask(c.item));
        // The row is pressed, as the user picks it before its "add note text".
        Event press;
        press.type = EventType::LeftMouseDown;
        press.clickCount = 1;
        press.timestamp = 100;
        press.locationInWindow = list->convertPointToWindow(list->rowOfItem(c.item->primaryKey())->frame().center());
        list->mouseDown(press);
        press.type = EventType::LeftMouseUp;
        list->mouseUp(press);
        list->addPrimaryNote();
        DetailViewController* detail = list->detailViewController();
        ASSERT_NE(detail, nullptr);
        auto* page = qobject_cast<LinkDetailView*>(detail->customView());
        ASSERT_NE(page, nullptr);
        QWidget* popoverWindow = detail->popover()->window();
        ASSERT_TRUE(waitUntil([&] { return popoverWindow->isVisible(); }));
        const QRectF anchor = detail->popover()->anchorScreenRect();
        EXPECT_GE(popoverWindow->frameGeometry().left(), Screen::toQt(anchor).toRect().right() - 1);
        TableRowView* first = page->linkListTableView()->arrayOfLinks().front();
        EXPECT_STREQ(first->metaObject()->className(), c.firstRow);
        if (auto* quickAdd = qobject_cast<QuickAddNewNote*>(first)) {
            quickAdd->setNoteContentText(QStringLiteral("Ask for a quiet room"));
            page->done();
            const TaskList links = CoreData::shared()->getCurrentLinks(bare);
            ASSERT_EQ(links.size(), 1);
            EXPECT_EQ(links.front()->taskName(), QStringLiteral("Ask for a quiet room"));
        } else {
            QElapsedTimer settle;
            settle.start();
            waitUntil([&] { return settle.elapsed() > 300; });
            const QImage picture = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
            EXPECT_TRUE(picture.save(QDir(screenshotFolder()).filePath(QString::fromLatin1(c.picture) + QStringLiteral(".png"))));
            page->done();
        }
        EXPECT_TRUE(waitUntil([&] { return !popoverWindow->isVisible(); }));
    }
}

TEST_F(LinksPageOnScreen, ADoubleClickOnANoteRowOpensItsEditorBesideTheRow)
{
    const TaskPtr note = stored(3, QStringLiteral("Trip notes"));
    note->setNotes(QStringLiteral("Trip notes\n\u274e passport\n\u2705 tickets"));
    ASSERT_TRUE(note->dehydrate());
    const TaskPtr task = stored(1, QStringLiteral("Book the hotel"));
    auto link = std::make_shared<Link>();
    link->setRootId(note->primaryKey());
    link->setTargetId(task->primaryKey());
    ASSERT_TRUE(CoreData::shared()->insertLink(link));
    CoreData::shared()->doWithAllTasksEventsAdes(TaskList{note, task}, 0);

    mainView = std::make_unique<MainView>(QRectF(0, 0, 620, double(mainViewHeight)));
    MainView::setCurrent(mainView.get());
    mainView->showHideBtn()->setState(1);
    mainView->showHide();
    controller = WindowController::initWithRootApp(&host);
    ASSERT_TRUE(controller->popoverWindow());
    controller->setActive(true);
    ASSERT_TRUE(shownOnScreen(*controller->popoverWindow()));
    mainView->listModuleView()->setFocusModule(2);
    mainView->reloadData();
    NoteListTableView* list = mainView->listModuleView()->noteListView()->noteListTableView();
    ASSERT_TRUE(waitUntil([&] { return list->rowOfNote(note) >= 0 && list->isVisible(); }));
    TableRowView* row = list->rowViewForRow(list->rowOfNote(note));
    ASSERT_NE(row, nullptr);
    ASSERT_TRUE(waitUntil([&] { return row->isVisible(); }));

    // Two clicks on the row 0.2 s apart, as the kit hands them to the list.
    for (const double time : {100.0, 100.2}) {
        Event press;
        press.type = EventType::LeftMouseDown;
        press.clickCount = 1;
        press.timestamp = time;
        press.locationInWindow = list->convertPointToWindow(list->rectOfRow(list->rowOfNote(note)).center());
        list->mouseDown(press);
        press.type = EventType::LeftMouseUp;
        list->mouseUp(press);
    }
    // The list opens the editor once the double click has settled.
    ASSERT_TRUE(waitUntil([&] {
        return list->detailViewController() &&
               qobject_cast<NoteView*>(list->detailViewController()->customView()) != nullptr;
    }));
    DetailViewController* detail = list->detailViewController();
    auto* editor = qobject_cast<NoteView*>(detail->customView());
    QWidget* popoverWindow = detail->popover()->window();
    ASSERT_TRUE(waitUntil([&] { return popoverWindow->isVisible(); }));
    const QRectF anchor = detail->popover()->anchorScreenRect();
    EXPECT_GE(popoverWindow->frameGeometry().left(), Screen::toQt(anchor).toRect().right() - 1);
    EXPECT_EQ(editor->contentView()->getContentText(), note->notes());
    EXPECT_FALSE(editor->currentLinkSection()->isHidden());
    EXPECT_EQ(editor->currentLinkSection()->frame().height(), 109) << "one link";
    QElapsedTimer settle;
    settle.start();
    waitUntil([&] { return settle.elapsed() > 300; });
    const QImage picture = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
    EXPECT_TRUE(picture.save(QDir(screenshotFolder()).filePath(QStringLiteral("note-editor-popover.png"))));
    // The note's text pane asks for its details by code while the editor
    // shows: the detail page opens in the pane's popover, and Done stores
    // and closes it.
    QPointer<NoteView> guardedEditor(editor);
    NoteContentView* pane = editor->contentView();
    pane->popupEditDetail();
    ASSERT_NE(pane->detailViewController(), nullptr);
    auto* page = qobject_cast<NoteDetailView*>(pane->detailViewController()->customView());
    ASSERT_NE(page, nullptr);
    QWidget* detailWindow = pane->detailViewController()->popover()->window();
    ASSERT_TRUE(waitUntil([&] { return detailWindow->isVisible(); }));
    EXPECT_EQ(page->note()->primaryKey(), note->primaryKey());
    settle.restart();
    waitUntil([&] { return settle.elapsed() > 300; });
    const QImage detailPicture = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
    EXPECT_TRUE(detailPicture.save(QDir(screenshotFolder()).filePath(QStringLiteral("note-detail-popover.png"))));
    const Date created = GregorianCalendar::dateFromFields(2014, 2, 3, 9, 0, 0);
    page->createTextField()->setDateValue(created);
    page->doneBtn()->performClick();
    EXPECT_TRUE(waitUntil([&] { return !detailWindow->isVisible(); }));
    EXPECT_EQ(Task::initWithPrimaryKey(note->primaryKey())->startTime(), created);
    if (guardedEditor) guardedEditor->doneEdit();
    EXPECT_TRUE(waitUntil([&] { return !popoverWindow->isVisible(); }));
}


TEST_F(LinksPageOnScreen, RevealShowsTheLinkedItemInTheMonthPlannerOrItsProject)
{
    Clock::setFixed(GregorianCalendar::dateFromFields(2026, 12, 9, 10, 0, 0));
    CoreData::shared()->currentSetting()->setHasRightPage(0);
    const TaskPtr root = stored(1, QStringLiteral("Kitchen"));
    const TaskPtr visit = stored(0, QStringLiteral("Plumber visit"));
    visit->setStartTime(GregorianCalendar::dateFromFields(2026, 12, 16, 10, 0, 0));
    visit->setEndTime(GregorianCalendar::dateFromFields(2026, 12, 16, 11, 0, 0));
    visit->setDuration(60);
    ASSERT_TRUE(visit->dehydrate());
    const TaskPtr tiles = stored(1, QStringLiteral("Remove tiles"));
    for (const TaskPtr& item : {visit, tiles}) {
        auto link = std::make_shared<Link>();
        link->setRootId(root->primaryKey());
        link->setTargetId(item->primaryKey());
        ASSERT_TRUE(CoreData::shared()->insertLink(link));
    }
    openMainWindow();
    CategoryListTableView* projects = mainView->listModuleView()->categoryListView()->categoryListTableView();
    std::vector<std::unique_ptr<DetailViewController>> pages;  // kept, as the views that open them keep them
    for (const TaskPtr& item : {visit, tiles}) {
        const bool inPlanner = item == visit;
        if (inPlanner) mainView->monthPlannerShowHide(); else mainView->dayShowHide();
        settleAndPicture(QStringLiteral("reveal-from-") + (inPlanner ? "month-planner" : "day-size"));
        ASSERT_TRUE(shownOnScreen(*controller->popoverWindow()));
        pages.push_back(std::make_unique<DetailViewController>());
        pages.back()->detailLink(root, mainView.get());
        LinkListTableView* list = qobject_cast<LinkDetailView*>(pages.back()->customView())->linkListTableView();
        int row = 0;
        while (!LinkListTableView::itemOfRow(list->arrayOfLinks()[size_t(row)]) ||
               LinkListTableView::itemOfRow(list->arrayOfLinks()[size_t(row)])->primaryKey() != item->primaryKey())
            ++row;
        Event click;
        click.type = EventType::LeftMouseDown;
        click.clickCount = 1;
        click.locationInWindow = list->convertPointToWindow(list->rectOfRow(row).center());
        list->mouseDown(click);
        ScriptedAlertPresenter alerts;  // the hidden-link alert would fail the test
        list->reveal();
        if (inPlanner) {
            ASSERT_NE(mainView->monthPlannerView()->selectedItem(), nullptr);
            EXPECT_EQ(mainView->monthPlannerView()->selectedItem()->task()->primaryKey(), visit->primaryKey());
            EXPECT_EQ(framedDay(mainView->monthNav()->monthList().front()->monthCalendarView()),
                      GregorianCalendar::dateFromFields(2026, 12, 16, 0, 0, 0));
        } else {
            EXPECT_TRUE(waitUntil([&] { return projects->categoryDetailPanel() && projects->categoryDetailPanel()->isVisible(); }));
        }
        settleAndPicture(inPlanner ? QStringLiteral("reveal-in-month-planner") : QStringLiteral("reveal-in-project-panel"));
    }
}

TEST_F(LinksPageOnScreen, ATaskDroppedInTheMonthPlannerSelectsItsDayInEveryView)
{
    const auto december = [](int day, int hour = 0) { return GregorianCalendar::dateFromFields(2026, 12, day, hour, 0, 0); };
    Clock::setFixed(december(9, 10));
    CoreData::shared()->currentSetting()->setShowWarningChangeDeadlineTask(1);
    const TaskPtr task = stored(1, QStringLiteral("Order cabinets"));
    task->setHasDue(1);
    task->setDueEnd(december(10, 17));
    ASSERT_TRUE(task->dehydrate());
    openMainWindow();
    mainView->monthPlannerShowHide();
    settleAndPicture(QStringLiteral("selected-day-month-planner"));
    PlannerMonthView* planner = mainView->monthPlannerView();
    PlannerCellView* target = planner->cell(24);  // Wednesday 23 December, from Sunday 29 November
    ASSERT_EQ(target->cellDate(), december(23));
    View* chip = nullptr;
    for (const QPointer<View>& view : planner->taskList())
        if (auto* item = qobject_cast<PlannerBaseItem*>(view.data()); item && item->task()->primaryKey() == task->primaryKey())
            chip = item;
    ASSERT_NE(chip, nullptr);

    // The chip dragged onto the 23rd, the deadline question answered OK.
    ScriptedAlertPresenter alerts;
    alerts.scriptButton(AlertResponse::firstButton);
    DragSource::setRunner([&](DragSource::Drag& running) {
        const QPoint at = target->rect().center();
        QDragEnterEvent enter(at, Qt::MoveAction, running.payload.get(), Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        QDropEvent drop(QPointF(at), Qt::MoveAction, running.payload.get(), Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &drop);
        return DragSource::Outcome{drop.isAccepted() ? DragOperationGeneric : DragOperationNone, {}};
    });
    auto payload = std::make_unique<QMimeData>();
    Task::writeItemsToPasteboard(*payload, TaskList{task});
    Event press;
    press.type = EventType::LeftMouseDown;
    QImage image(20, 10, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::gray);
    DragSource::beginDrag(chip, nullptr, std::move(payload), image, QPointF(0, 10), press, DragOperationGeneric);
    DragSource::setRunner({});
    EXPECT_EQ(Task::initWithPrimaryKey(task->primaryKey(), RecordStore::sharedDatabase())->dueEnd(), december(23, 17));
    settleAndPicture(QStringLiteral("selected-day-after-drop"));
    QList<Date> navigatorFrames;
    for (MonthView* panel : mainView->monthNav()->monthList())
        if (const Date framed = framedDay(panel->monthCalendarView())) navigatorFrames.append(framed);
    EXPECT_EQ(navigatorFrames, QList<Date>{december(23)}) << "one frame in the navigator";

    // Back at the day size the mini month, its title, the day pane and the
    // quick-add bar take the 23rd.
    mainView->dayShowHide();
    settleAndPicture(QStringLiteral("selected-day-back-at-day-size"));
    EXPECT_EQ(framedDay(mainView->monthView()->monthCalendarView()), december(23));
    EXPECT_EQ(mainView->monthView()->dayLabel()->stringValue(), QStringLiteral("23"));
    EXPECT_EQ(mainView->dayCalendarView()->focusPaneView()->dayLabel()->stringValue(),
              FocusPaneView::dayTitle(december(23), december(23), MonthView::preferredLang()));
    QLineEdit* field = mainView->quickAddView()->searchAndAdd()->editor();
    field->setFocus(Qt::MouseFocusReason);
    QKeyEvent typed(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QStringLiteral("Measure"));
    QApplication::sendEvent(field, &typed);
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(field, &enter);
    TaskPtr added;
    EXPECT_TRUE(waitUntil([&] {
        for (const TaskPtr& item : CoreData::shared()->allTasksEventsAdes())
            if (item->taskName() == QStringLiteral("Measure")) added = item;
        return added != nullptr;
    }));
    EXPECT_EQ(added ? Utilities::getDay(added->startTime()) : 0, 23) << "quick add puts it on the selected day";
}

}  // namespace LinksPageOnScreenTests
