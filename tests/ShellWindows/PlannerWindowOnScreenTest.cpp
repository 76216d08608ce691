// The main window in planner mode and the time-zone picker's list on a real
// X server: the window's width and docking, the list as a child window above
// or below its field, and the keyboard.
#include "../PlatformWindows/RealWindowSupport.h"
#include "../Model/ModelTestFixture.h"

#include "Button.h"
#include "CustomTextView.h"
#include "DetailViewController.h"
#include "EventDetailView.h"
#include "ListModuleView.h"
#include "MAAttachedWindow.h"
#include "MainView.h"
#include "MainViewHeight.h"
#include "NotificationCenter.h"
#include "PlannerWeekView.h"
#include "PlannerWeeklyItemView.h"
#include "Popover.h"
#include "ScrollView.h"
#include "Screen.h"
#include "Screenshot.h"
#include "Setting.h"
#include "Task.h"
#include "ShellHost.h"
#include "TimeManagerView.h"
#include "TimezoneSearchView.h"
#include "Utilities.h"
#include "VRLPopover.h"
#include "WindowController.h"

#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>

#include <memory>

namespace PlannerWindowOnScreenTests {

using namespace RealWindows;

namespace {

constexpr qint64 paris = 53392;

class ScreenHost : public ShellHost {
public:
    QSizeF screenResolution(bool fullFrame) const override
    {
        return (fullFrame ? Screen::mainFrame() : Screen::mainVisibleFrame()).size();
    }
    QPointF statusItemPosition() const override { return QPointF(700, Screen::mainFrame().height() - 24); }
    void statusItemNeedsDisplay() override {}
    void activateIgnoringOtherApps() override {}
};

// A database of its own, made and dropped around each test.
class Database : public ModelTest {
public:
    void TestBody() override {}
    void open() { SetUp(); }
    void close() { TearDown(); }
    Setting& setting() { return *dataManager().currentSetting(); }
    void loadSettingsAndZones()
    {
        dataManager().loadTimeZones();
        dataManager().setCurrentSetting(Setting::initWithPrimaryKey(1, db()));
    }
};

class PlannerWindowOnScreen : public RealWindowTest {
protected:
    void SetUp() override
    {
        RealWindowTest::SetUp();
        if (HasFatalFailure() || IsSkipped()) return;
        database.open();
        database.loadSettingsAndZones();
        ASSERT_NE(CoreData::shared()->currentSetting(), nullptr);
        database.setting().setTzSupport(true);
        database.setting().setCurrentTZ(paris);
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
    void openMainView()
    {
        mainView = std::make_unique<MainView>(QRectF(0, 0, 620, double(mainViewHeight)));
        MainView::setCurrent(mainView.get());
        controller = WindowController::initWithRootApp(&host);
        ASSERT_TRUE(controller->popoverWindow());
        mainView->setOpenWindowHandler([this] { controller->openWindow(); });
    }
    MAAttachedWindow* window() const { return controller->popoverWindow(); }
    void saveScreen(const QString& name) const
    {
        QElapsedTimer settle;
        settle.start();
        waitUntil([&] { return settle.elapsed() > 300; });  // the server repaints
        const QImage picture = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
        EXPECT_TRUE(picture.save(QDir(screenshotFolder()).filePath(name + QStringLiteral(".png"))));
    }

    Database database;
    quint64 savedHeight = 0;
    ScreenHost host;
    std::unique_ptr<MainView> mainView;
    std::unique_ptr<WindowController> controller;
};

}  // namespace

TEST_F(PlannerWindowOnScreen, PlannerModeWidensTheWindowToTheScreenAndDocksIt)
{
    openMainView();
    controller->setActive(true);
    ASSERT_TRUE(shownOnScreen(*window()));
    const double narrow = window()->frame().width();

    mainView->weekPlannerShowHide();
    const QRectF visible = Screen::mainVisibleFrame();
    const double W = std::floor(visible.width() - 20);
    EXPECT_EQ(mainView->currentSize(), W);
    EXPECT_TRUE(mainView->isDockedRight());
    EXPECT_EQ(database.setting().dockStatus(), 1);
    EXPECT_TRUE(waitUntil([&] { return window()->frame().width() >= W; })) << "was " << narrow;
    const QRectF frame = window()->frame();
    EXPECT_LE(frame.width(), visible.width()) << "nearly the screen's width, not more";
    EXPECT_LE(frame.x() + frame.width(), visible.x() + visible.width() + 1) << "on the screen's right";
    const QRect expected = Screen::toQt(frame).toRect();
    EXPECT_TRUE(waitUntil([&] { return window()->windowHandle()->geometry() == expected; }));
    EXPECT_TRUE(waitUntil([&] { return window()->isKeyWindow(); }));

    // Nodock leaves the planner window where it is.
    mainView->nodock();
    EXPECT_TRUE(mainView->isDockedRight());
    EXPECT_EQ(database.setting().dockStatus(), 1);
}

TEST_F(PlannerWindowOnScreen, PicturesOfThePlannersDockedWithAndWithoutTheList)
{
    openMainView();
    controller->setActive(true);
    ASSERT_TRUE(shownOnScreen(*window()));
    for (const bool week : {true, false}) {
        for (const bool left : {false, true}) {
            for (const bool list : {false, true}) {
                if (left)
                    mainView->dockLeft();
                else
                    mainView->dockRight();
                mainView->showHideBtn()->setState(list ? 1 : 0);
                if (week)
                    mainView->weekPlannerShowHide();
                else
                    mainView->monthPlannerShowHide();
                mainView->showHide();
                ASSERT_TRUE(shownOnScreen(*window()));
                EXPECT_TRUE(waitUntil([&] { return window()->frame().width() >= mainView->currentSize(); }));
                EXPECT_EQ(mainView->listModuleView()->isHidden(), !list);
                saveScreen(QStringLiteral("main-window-%1-planner-docked-%2-%3")
                               .arg(week ? QStringLiteral("week") : QStringLiteral("month"),
                                    left ? QStringLiteral("left") : QStringLiteral("right"),
                                    list ? QStringLiteral("with-list") : QStringLiteral("without-list")));
            }
        }
    }
}

// The eye and the tag buttons of the bottom bar answer a click of the
// mouse in either planner as in the day view: the click reaches the button
// through the window, and its popover opens beside it.
TEST_F(PlannerWindowOnScreen, TheEyeAndTagButtonsOpenTheirPopoversInEveryView)
{
    openMainView();
    controller->setActive(true);
    ASSERT_TRUE(shownOnScreen(*window()));
    const auto shownPopover = [&]() -> Window* {
        for (Window* child : window()->childWindows())
            if (child->isVisible()) return child;
        return nullptr;
    };
    for (const char* view : {"day", "week", "month"}) {
        if (view == std::string("week")) mainView->weekPlannerShowHide();
        if (view == std::string("month")) mainView->monthPlannerShowHide();
        ASSERT_TRUE(shownOnScreen(*window()));
        EXPECT_TRUE(waitUntil([&] { return window()->frame().width() >= mainView->currentSize(); }));
        for (Button* button : {mainView->categoryShowHideBtn(), mainView->tagShowHideBtn()}) {
            SCOPED_TRACE(std::string(view) + (button == mainView->tagShowHideBtn() ? ", tag" : ", eye"));
            ASSERT_FALSE(shownPopover());
            const QPoint centre = button->mapTo(window(), button->rect().center());
            // Through the native window, which gives the click to the view under it.
            for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
                QMouseEvent click(type, QPointF(centre), window()->mapToGlobal(QPointF(centre)), Qt::LeftButton,
                                  type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
                QCoreApplication::sendEvent(window()->windowHandle(), &click);
            }
            ASSERT_TRUE(waitUntil([&] { return shownPopover() != nullptr; })) << "its popover opens";
            saveScreen(QStringLiteral("bottom-bar-popover-%1-%2")
                           .arg(QString::fromLatin1(view),
                                button == mainView->tagShowHideBtn() ? QStringLiteral("tag") : QStringLiteral("eye")));
            NotificationCenter::defaultCenter().postNotificationName(Popover::shouldCloseNotification, nullptr);
            EXPECT_TRUE(waitUntil([&] { return shownPopover() == nullptr; }));
        }
    }
}

TEST_F(PlannerWindowOnScreen, ThePickersListIsAChildWindowAboveOrBelowTheFieldAndKeepsTheKeyboard)
{
    openMainView();
    mainView->showHideBtn()->setState(1);
    mainView->showHide();
    controller->setActive(true);
    ASSERT_TRUE(shownOnScreen(*window()));
    ASSERT_TRUE(waitUntil([&] { return window()->isKeyWindow(); }));
    TimezoneSearchView* picker = mainView->timezoneView();
    ASSERT_FALSE(picker->isHidden());
    EXPECT_EQ(picker->searchField()->stringValue(), QStringLiteral("Paris"));

    for (int position : {3, 1}) {
        picker->setPosition(position);
        picker->dropdownBtn()->performClick();
        VRLPopoverWindow* list = picker->popover()->popoverWindow();
        ASSERT_TRUE(shownOnScreen(*list)) << position;
        EXPECT_EQ(list->parentWindow(), window()) << position;
        EXPECT_TRUE(window()->childWindows().contains(list));
        // Where X put both, in Qt's coordinates (y down).
        const QRect field(picker->searchField()->mapToGlobal(QPoint(0, 0)), picker->searchField()->size());
        const QRect placed = list->geometry();
        if (position == 3)
            EXPECT_LE(placed.bottom(), field.top()) << "above the field";
        else
            EXPECT_GE(placed.top(), field.bottom()) << "below the field";
        const QRect control(picker->mapToGlobal(QPoint(0, 0)), picker->size());
        EXPECT_NEAR(placed.center().x(), control.center().x(), 2);
        EXPECT_TRUE(window()->isVisible()) << "the main window stays open while its child shows";
        if (position == 3) saveScreen(QStringLiteral("main-window-timezone-list-open"));
        picker->dropdownBtn()->performClick();
        EXPECT_TRUE(waitUntil([&] { return !list->isVisible(); })) << position;
    }

    // Typing opens the list, and the field keeps the keyboard for the next
    // letters.
    QLineEdit* editor = picker->searchField()->editor();
    editor->setFocus();
    editor->setText(QStringLiteral("N"));
    Q_EMIT editor->textEdited(editor->text());
    ASSERT_TRUE(shownOnScreen(*picker->popover()->popoverWindow()));
    QElapsedTimer settle;
    settle.start();
    waitUntil([&] { return settle.elapsed() > 500; });  // the window manager has mapped the list
    EXPECT_EQ(QGuiApplication::focusWindow(), window()->windowHandle());
    EXPECT_TRUE(editor->hasFocus());
    picker->closeListDataView();

    // Into the list with the down arrow: its window takes the keyboard, and
    // keeps it while the list moves from above the field to below it.
    picker->setPosition(3);
    picker->dropdownBtn()->performClick();
    VRLPopoverWindow* list = picker->popover()->popoverWindow();
    ASSERT_TRUE(shownOnScreen(*list));
    QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
    QApplication::sendEvent(picker->searchField()->editor(), &down);
    EXPECT_EQ(picker->listView()->selectedRow(), 0);
    ASSERT_TRUE(waitUntil([&] { return list->isKeyWindow() && QGuiApplication::focusWindow() == list->windowHandle(); }));
    const QRect above = list->geometry();
    picker->setPosition(1);
    EXPECT_TRUE(waitUntil([&] { return list->geometry().top() > above.bottom(); })) << "moved below";
    EXPECT_TRUE(waitUntil([&] { return list->isKeyWindow() && QGuiApplication::focusWindow() == list->windowHandle(); }));
    EXPECT_EQ(list->focusWidget(), picker->listView()) << (list->focusWidget() ? list->focusWidget()->metaObject()->className() : "none");
    EXPECT_TRUE(waitUntil([&] { return picker->listView()->hasFocus(); }));
    EXPECT_TRUE(window()->isVisible());
}

TEST_F(PlannerWindowOnScreen, ADoubleClickOnAWeekBlockOpensTheEventEditorBesideIt)
{
    auto event = std::make_shared<Task>();
    event->setTaskType(0);
    event->setTaskName(QStringLiteral("Dentist"));
    event->setCalendarId(database.setting().calendarDefID());
    event->setStartTime(Utilities::newDateOnDate(Utilities::getCompleteDate(), 10, 0));
    event->setEndTime(event->startTime().dateByAddingTimeInterval(5400));
    event->setTz(paris);
    ASSERT_TRUE(event->insertAndDehydrate());
    openMainView();
    controller->setActive(true);
    ASSERT_TRUE(shownOnScreen(*window()));
    mainView->weekPlannerShowHide();
    ASSERT_TRUE(waitUntil([&] { return window()->frame().width() >= mainView->currentSize(); }));
    // One block: the event the window loaded.
    std::vector<PlannerWeeklyItemView*> blocks;
    ASSERT_TRUE(waitUntil([&] {
        blocks.clear();
        for (auto* found : mainView->weekPlannerView()->weeklyPane()->findChildren<PlannerWeeklyItemView*>())
            if (!found->isHidden() && found->task()->primaryKey() == event->primaryKey()) blocks.push_back(found);
        return !blocks.empty();
    }));
    ASSERT_EQ(blocks.size(), 1u);
    PlannerWeeklyItemView* block = blocks.front();
    mainView->weekPlannerView()->scrollWeeklyPane()->scrollRectToVisible(block->frame());
    // Two presses a fifth of a second apart.
    for (const auto& [type, time] : {std::pair{QEvent::MouseButtonPress, 0}, {QEvent::MouseButtonRelease, 80},
                                     {QEvent::MouseButtonPress, 200}, {QEvent::MouseButtonRelease, 280}}) {
        const QPointF at(block->width() / 2.0, 10);
        QMouseEvent mouse(type, at, block->mapToGlobal(at), Qt::LeftButton,
                          type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
        mouse.setTimestamp(ulong(1000000 + time));
        QApplication::sendEvent(block, &mouse);
    }
    DetailViewController* detail = block->detailViewController();
    ASSERT_TRUE(detail && detail->popover());
    ASSERT_TRUE(waitUntil([&] { return detail->popover()->window()->isVisible(); }));
    // Beside the block: left or right of it, never over it.
    const QRect anchor = Screen::toQt(detail->popover()->anchorScreenRect()).toRect();
    const QRect shown = detail->popover()->window()->frameGeometry();
    EXPECT_TRUE(shown.left() >= anchor.right() - 1 || shown.right() <= anchor.left() + 1) << shown.left();
    saveScreen(QStringLiteral("main-window-week-planner-editor-popover"));
}

// A new event sketched on the week grid opens its editor; a reload of the
// planner while its name is being typed keeps the block, the editor and the
// name.
TEST_F(PlannerWindowOnScreen, AReloadWhileANewEventsNameIsTypedKeepsTheEditor)
{
    openMainView();
    controller->setActive(true);
    ASSERT_TRUE(shownOnScreen(*window()));
    mainView->weekPlannerShowHide();
    ASSERT_TRUE(waitUntil([&] { return window()->frame().width() >= mainView->currentSize(); }));
    PlannerWeekView* planner = mainView->weekPlannerView();
    WeeklyPane* grid = planner->weeklyPane();
    planner->scrollWeeklyPane()->scrollToPoint(QPointF(0, 13 * 47));

    // Dragged from 14:00 to 15:00 on the first column.
    QWidget* layer = grid->timeManagerView();
    QPointF global = layer->mapToGlobal(QPointF(60 + grid->itemWidth() / 2, 23.5 + 47 * 14 + 2));
    ulong time = 1000000;
    const auto send = [&](QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons buttons) {
        QMouseEvent mouse(type, layer->mapFromGlobal(global), global, button, buttons, Qt::NoModifier);
        mouse.setTimestamp(time += 50);
        QApplication::sendEvent(layer, &mouse);
    };
    send(QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton);
    for (int step = 0; step < 2; ++step) {
        global += QPointF(0, 23.5);
        send(QEvent::MouseMove, Qt::NoButton, Qt::LeftButton);
    }
    send(QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton);

    const auto editingBlock = [&]() -> PlannerWeeklyItemView* {
        for (const QPointer<View>& view : grid->taskList())
            if (auto* block = qobject_cast<PlannerWeeklyItemView*>(view.data()); block && block->hasOpenEditor())
                return block;
        return nullptr;
    };
    ASSERT_TRUE(waitUntil([&] { return editingBlock() != nullptr; })) << "the new event's editor opens";
    const QPointer<PlannerWeeklyItemView> block(editingBlock());
    auto* editor = qobject_cast<EventDetailView*>(block->detailViewController()->customView());
    ASSERT_NE(editor, nullptr);
    QWidget* popoverWindow = block->detailViewController()->popover()->window();
    ASSERT_TRUE(waitUntil([&] { return QGuiApplication::focusWindow() == popoverWindow->windowHandle(); }));
    for (const QChar character : QStringLiteral("Lunch")) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(character));
        QGuiApplication::sendEvent(QGuiApplication::focusWindow(), &press);
    }
    const QString typed = editor->title()->string();
    ASSERT_TRUE(typed.endsWith(QStringLiteral("Lunch"))) << typed.toStdString();

    const QPointer<EventDetailView> keptEditor(editor);
    mainView->reloadPlannerView(false);
    QElapsedTimer settle;
    settle.start();
    waitUntil([&] { return settle.elapsed() > 300; });  // deferred deletions run
    ASSERT_TRUE(block && keptEditor);
    EXPECT_EQ(editingBlock(), block.data());
    EXPECT_TRUE(popoverWindow->isVisible());
    EXPECT_EQ(keptEditor->title()->string(), typed);
    saveScreen(QStringLiteral("main-window-week-planner-new-event-editor-after-reload"));
}

}  // namespace PlannerWindowOnScreenTests
