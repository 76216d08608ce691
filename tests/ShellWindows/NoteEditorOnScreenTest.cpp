// The note editor on a real X server: a double click on a row of the main
// window's note list opens the note's editor in a popover beside the row;
// its text and links show, and Done stores and closes it.
#include "../PlatformWindows/RealWindowSupport.h"
#include "../Model/ModelTestFixture.h"

#include "CoreData.h"
#include "DetailViewController.h"
#include "Event.h"
#include "Link.h"
#include "LinkSection.h"
#include "ListModuleView.h"
#include "MainView.h"
#include "MainViewHeight.h"
#include "Button.h"
#include "NoteContentView.h"
#include "NoteListTableView.h"
#include "NoteListView.h"
#include "NoteView.h"
#include "Popover.h"
#include "Screen.h"
#include "Screenshot.h"
#include "Setting.h"
#include "ShellHost.h"
#include "Task.h"
#include "WindowController.h"

#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QScreen>

#include <memory>

namespace NoteEditorOnScreenTests {

using namespace RealWindows;

namespace {

class NoteScreenHost : public ShellHost {
public:
    QSizeF screenResolution(bool fullFrame) const override
    {
        return (fullFrame ? Screen::mainFrame() : Screen::mainVisibleFrame()).size();
    }
    QPointF statusItemPosition() const override { return QPointF(420, Screen::mainFrame().height() - 24); }
    void statusItemNeedsDisplay() override {}
    void activateIgnoringOtherApps() override {}
};

class NoteDatabase : public ModelTest {
public:
    void TestBody() override {}
    void open() { SetUp(); }
    void close() { TearDown(); }
};

}  // namespace

class NoteEditorOnScreen : public RealWindowTest {
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

    NoteDatabase database;
    quint64 savedHeight = 0;
    NoteScreenHost host;
    std::unique_ptr<MainView> mainView;
    std::unique_ptr<WindowController> controller;
};

TEST_F(NoteEditorOnScreen, ADoubleClickOnANoteRowOpensItsEditorBesideTheRow)
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
    editor->doneEdit();
    EXPECT_TRUE(waitUntil([&] { return !popoverWindow->isVisible(); }));
}

}  // namespace NoteEditorOnScreenTests
