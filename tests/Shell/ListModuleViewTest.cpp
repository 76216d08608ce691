#include "ListModuleView.h"

#include "Button.h"
#include "Calendar.h"
#include "CategoryListTableView.h"
#include "CategoryListView.h"
#include "CoreData.h"
#include "GuruViewController.h"
#include "ImageSegmentedControl.h"
#include "NamedImages.h"
#include "NoteListView.h"
#include "Popover.h"
#include "Screen.h"
#include "Screenshot.h"
#include "TaskListView.h"
#include "TextTable.h"
#include "Window.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPointer>

#include <gtest/gtest.h>

#include <array>
#include <memory>

namespace ListModuleViewTests {

namespace {

QImage image(const char* name)
{
    return NamedImages::imageNamed(QString::fromLatin1(name));
}

// The module's y runs down like Qt's, so a point of the module is the same
// point in its widget.
void moveMouse(View* view, const QPointF& at)
{
    QMouseEvent move(QEvent::MouseMove, at, view->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(view, &move);
}

void click(View* view, const QPointF& at)
{
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent event(type, at, view->mapToGlobal(at), Qt::LeftButton,
                          type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(view, &event);
    }
}

std::array<bool, 3> shownHelpButtons(const ListModuleView& module)
{
    return {!module.taskGuruBtn()->isHidden(), !module.noteGuruBtn()->isHidden(),
            !module.projectGuruBtn()->isHidden()};
}

class ListModuleViewTest : public ::testing::Test {
protected:
    static constexpr double width = 280;
    static constexpr double height = 600;
    // A data manager the category list reads, empty until a test fills it.
    struct SharedManager {
        CoreData data;
        SharedManager() { CoreData::setShared(&data); }
        ~SharedManager() { CoreData::setShared(nullptr); }
    } manager;
    ListModuleView module{QRectF(0, 0, width, height)};

    std::array<View*, 3> lists() const
    {
        return {module.taskListView(), module.noteListView(), module.categoryListView()};
    }
    std::array<int, 3> reloads() const
    {
        return {module.taskListView()->reloadCount(), module.noteListView()->reloadCount(),
                int(module.categoryListView()->categoryListTableView()->arrayOfCategories().size())};
    }
};

TEST_F(ListModuleViewTest, ANewModuleShowsTheTaskListWithItsTabHighlightedAndNoHelpButton)
{
    EXPECT_EQ(module.currentModuleShowing(), 1);
    EXPECT_EQ(module.selectedTabIdentifier(), QStringLiteral("tasks"));
    EXPECT_FALSE(module.taskListView()->isHidden());
    EXPECT_TRUE(module.noteListView()->isHidden());
    EXPECT_TRUE(module.categoryListView()->isHidden());
    EXPECT_EQ(module.taskListView()->typeOfView(), TaskListView::mainListType);

    const ImageSegmentedControl* tabs = module.tabsView();
    ASSERT_EQ(tabs->segmentCount(), 3);
    EXPECT_FALSE(image("tab_task_highlight").isNull());
    EXPECT_EQ(tabs->imageForSegment(0), image("tab_task_highlight"));
    EXPECT_EQ(tabs->imageForSegment(1), image("tab_note_normal"));
    EXPECT_EQ(tabs->imageForSegment(2), image("tab_project_normal"));
    const QString texts[] = {QStringLiteral("Tasks"), QStringLiteral("Notes"), QStringLiteral("Projects")};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(tabs->tagForSegment(i), i + 1);
        EXPECT_EQ(tabs->labelForSegment(i), texts[i]);
    }
    EXPECT_EQ(shownHelpButtons(module), (std::array<bool, 3>{false, false, false}));
    EXPECT_EQ(module.guruViewController(), nullptr);
}

TEST_F(ListModuleViewTest, FocusingAModuleBringsItsListAndIconsForwardWithoutReloading)
{
    struct Case {
        int module;
        int showing;
        const char* identifier;
        int listInFront;
        const char* icons[3];
    };
    const Case cases[] = {
        {2, 2, "notes", 1, {"tab_task_normal", "tab_note_highlight", "tab_project_normal"}},
        // A number no tab has changes neither the list nor the icons.
        {4, 2, "notes", 1, {"tab_task_normal", "tab_note_highlight", "tab_project_normal"}},
        {0, 2, "notes", 1, {"tab_task_normal", "tab_note_highlight", "tab_project_normal"}},
        {3, 3, "prjs", 2, {"tab_task_normal", "tab_note_normal", "tab_project_highlight"}},
        {1, 1, "tasks", 0, {"tab_task_highlight", "tab_note_normal", "tab_project_normal"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.module);
        module.setFocusModule(c.module);
        EXPECT_EQ(module.currentModuleShowing(), c.showing);
        EXPECT_EQ(module.selectedTabIdentifier(), QString::fromLatin1(c.identifier));
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(lists()[i]->isHidden(), i != c.listInFront) << i;
            EXPECT_EQ(module.tabsView()->imageForSegment(i), image(c.icons[i])) << i;
        }
    }
    EXPECT_EQ(reloads(), (std::array<int, 3>{0, 0, 0}));
}

TEST_F(ListModuleViewTest, ReloadingReloadsOnlyTheListInFront)
{
    // The categories page shows what a reload finds: a header and a row.
    manager.data.doWithCalendarList(CalendarList{std::make_shared<Calendar>()}, 2);
    module.setFocusModule(3);
    module.reloadData();
    EXPECT_EQ(reloads(), (std::array<int, 3>{0, 0, 2}));
    module.setFocusModule(2);
    module.reloadData();
    EXPECT_EQ(reloads(), (std::array<int, 3>{0, 1, 2}));
    module.setFocusModule(1);
    module.reloadData();
    module.reloadData();
    EXPECT_EQ(reloads(), (std::array<int, 3>{2, 1, 2}));
}

TEST_F(ListModuleViewTest, ClickingATabShowsItsModule)
{
    const QRectF notesTab = module.tabsView()->frameOfSegment(1);
    click(module.tabsView(), notesTab.center());
    EXPECT_EQ(module.currentModuleShowing(), 2);
    EXPECT_FALSE(module.noteListView()->isHidden());
    EXPECT_EQ(module.tabsView()->imageForSegment(1), image("tab_note_highlight"));
    EXPECT_EQ(reloads(), (std::array<int, 3>{0, 0, 0}));
}

TEST_F(ListModuleViewTest, LaysOutTheStripTheHelpButtonsAndTheStack)
{
    EXPECT_EQ(ListModuleView::tabWidth(width), 91);
    EXPECT_EQ(module.tabsView()->frame(), QRectF(0, 0, width, 45));
    EXPECT_EQ(module.taskGuruBtn()->frame(), QRectF(71, 5, 20, 20));
    EXPECT_EQ(module.noteGuruBtn()->frame(), QRectF(162, 5, 20, 20));
    EXPECT_EQ(module.projectGuruBtn()->frame(), QRectF(253, 5, 20, 20));
    EXPECT_EQ(module.taskGuruBtn()->toolTip(), TextTable::localizedString(QStringLiteral("guruTooltip")));
    EXPECT_EQ(module.tabView()->frame(), QRectF(0, 45, width, height - 50));
    for (View* list : lists()) EXPECT_EQ(list->frame(), QRectF(0, 0, width, height));

    const QRectF tabs[] = {QRectF(0, 0, 91, 45), QRectF(91, 0, 91, 45), QRectF(182, 0, 91, 45),
                           QRectF(0, 0, width, 45)};
    for (int k = 1; k <= 4; ++k) {
        EXPECT_EQ(module.guruRect(k), tabs[k - 1]) << k;
    }
    for (int k = 1; k <= 3; ++k) EXPECT_EQ(module.trackingAreaRect(k), tabs[k - 1]) << k;
    // Halves round away from zero: (284 - 7) / 3 = 92.33, (276.5 - 7) / 3 = 89.83.
    EXPECT_EQ(ListModuleView::tabWidth(284), 92);
    EXPECT_EQ(ListModuleView::tabWidth(275.5), 90);
}

TEST_F(ListModuleViewTest, ResizingSizesTheListsAndKeepsTheStripButtonsAndHoverAreas)
{
    const QRectF buttons[] = {module.taskGuruBtn()->frame(), module.noteGuruBtn()->frame(),
                              module.projectGuruBtn()->frame()};
    module.setFrameSize(QSizeF(400, 700));

    EXPECT_EQ(module.tabsView()->frame(), QRectF(0, 0, width, 45));
    EXPECT_EQ(module.taskGuruBtn()->frame(), buttons[0]);
    EXPECT_EQ(module.noteGuruBtn()->frame(), buttons[1]);
    EXPECT_EQ(module.projectGuruBtn()->frame(), buttons[2]);
    for (int k = 1; k <= 3; ++k) EXPECT_EQ(module.trackingAreaRect(k), QRectF((k - 1) * 91, 0, 91, 45)) << k;
    EXPECT_EQ(module.tabView()->frame(), QRectF(0, 45, 400, 655));
    for (View* list : lists()) EXPECT_EQ(list->frame().size(), QSizeF(400, 655));
    // The tab rectangles themselves follow the new width.
    EXPECT_EQ(module.guruRect(2), QRectF(131, 0, 131, 45));
}

TEST_F(ListModuleViewTest, HoveringATabShowsItsHelpButtonAndLeavingTheStripHidesThem)
{
    using Shown = std::array<bool, 3>;
    struct Step {
        const char* what;
        QPointF at;
        Shown shown;
    };
    const Step steps[] = {
        {"onto the Tasks tab", QPointF(40, 20), Shown{true, false, false}},
        {"onto the Notes tab", QPointF(130, 20), Shown{false, true, false}},
        // Leftwards the new tab's area is entered before the old one is left.
        {"back onto the Tasks tab", QPointF(40, 20), Shown{true, false, false}},
        {"across to the Projects tab", QPointF(250, 30), Shown{false, false, true}},
        {"down into the list", QPointF(250, 200), Shown{false, false, false}},
        {"up onto the Notes tab", QPointF(100, 10), Shown{false, true, false}},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        moveMouse(&module, step.at);
        EXPECT_EQ(shownHelpButtons(module), step.shown);
    }
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&module, &leave);
    EXPECT_EQ(shownHelpButtons(module), (Shown{false, false, false}));
}

TEST_F(ListModuleViewTest, EachHelpButtonOpensItsTipInANewControllerOnTheStripsLeft)
{
    Window::setAnimationDurationScale(0);
    const QRectF visible = Screen::mainVisibleFrame();
    Window window(QRectF(visible.center().x(), visible.top() + 40, width, height), BorderlessWindowMask);
    auto* shown = new ListModuleView(QRectF(0, 0, width, height));
    window.setContentView(shown);
    window.orderFront();

    const std::pair<Button*, int> cases[] = {{shown->taskGuruBtn(), GuruViewController::TaskListTip},
                                             {shown->noteGuruBtn(), GuruViewController::NoteListTip},
                                             {shown->projectGuruBtn(), GuruViewController::ProjectListTip}};
    QPointer<GuruViewController> previous;
    for (const auto& [button, type] : cases) {
        SCOPED_TRACE(type);
        button->show();
        click(button, QPointF(10, 10));
        GuruViewController* controller = shown->guruViewController();
        ASSERT_NE(controller, nullptr);
        EXPECT_NE(controller, previous.data());
        EXPECT_TRUE(previous.isNull());  // the one before went with its popover
        EXPECT_EQ(controller->shownType(), type);
        ASSERT_NE(controller->popover(), nullptr);
        EXPECT_TRUE(controller->popover()->isShown());
        EXPECT_EQ(controller->popover()->positioningView(), shown->tabsView());
        EXPECT_EQ(controller->popover()->shownScreenEdge(), RectEdge::MinX);
        const QRectF popoverFrame = static_cast<Window*>(controller->popover()->window())->frame();
        EXPECT_LE(popoverFrame.right(), window.frame().left());
        previous = controller;
    }
    Window::setAnimationDurationScale(1);
}

TEST(ListModuleViewPicture, EachTabWithItsHelpButton)
{
    const double width = 280, height = 220, gap = 10;
    View strip(QRectF(0, 0, 3 * width + 4 * gap, height + 2 * gap));
    strip.setFlipped(true);
    strip.setAutoFillBackground(true);
    strip.setPalette(QPalette(QColor(0xE8, 0xEA, 0xEE)));
    const QPointF hovers[] = {QPointF(40, 20), QPointF(130, 20), QPointF(220, 20)};
    for (int k = 1; k <= 3; ++k) {
        auto* module = new ListModuleView(QRectF(gap + (k - 1) * (width + gap), gap, width, height));
        strip.addSubview(module);
        module->setFocusModule(k);
        moveMouse(module, hovers[k - 1]);
        EXPECT_EQ(shownHelpButtons(*module)[k - 1], true) << k;
    }
    EXPECT_FALSE(saveScreenshot(&strip, QStringLiteral("list-module")).isEmpty());
}

}  // namespace

}  // namespace ListModuleViewTests
