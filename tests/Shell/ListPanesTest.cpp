// The list panes the main view builds and refreshes, the popovers of the
// category list and the help tips: what they keep of what they are asked.

#include "AddView.h"
#include "Button.h"
#include "MainViewHeight.h"
#include "TextField.h"
#include "Calendar.h"
#include "CalendarView.h"
#include "CategoryDetailListItemView.h"
#include "CategoryDetailPanel.h"
#include "CategoryDetailView.h"
#include "CategoryListTableView.h"
#include "CategoryListView.h"
#include "CoreData.h"
#include "CategoryShowHideViewController.h"
#include "GuruView.h"
#include "ImageView.h"
#include "GuruViewController.h"
#include "ListModuleView.h"
#include "LogCapture.h"
#include "NoteListTableView.h"
#include "NoteListView.h"
#include "NotificationCenter.h"
#include "NotificationViewController.h"
#include "Notifications.h"
#include "PopUpButton.h"
#include "Popover.h"
#include "QuickAddView.h"
#include "Screen.h"
#include "Screenshot.h"
#include "ScrollView.h"
#include "SearchResultView.h"
#include "SearchView.h"
#include "SegmentedControl.h"
#include "TagViewController.h"
#include "Task.h"
#include "TaskListTableView.h"
#include "TaskListView.h"
#include "TextTable.h"
#include "Window.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

TEST(TaskListViewTest, TheMainListPlansTheWeekAgainWhenTheWorkingHoursChangeAndOtherKindsDoNot)
{
    TaskListView list(QRectF(0, 0, 280, 400));
    auto workingHoursChanged = [] { NotificationCenter::defaultCenter().postNotificationName(kTimeManagerChanged); };
    workingHoursChanged();
    EXPECT_EQ(list.reloadTodayTaskCount(), 0);

    list.setTypeOfView(TaskListView::mainListType);
    list.setTypeOfView(TaskListView::mainListType);  // planned and observed once, not twice
    EXPECT_EQ(list.typeOfView(), 0);
    EXPECT_EQ(list.reloadTodayTaskCount(), 1);
    EXPECT_TRUE(list.reloadTodayTaskTimer().isValid());
    workingHoursChanged();
    EXPECT_EQ(list.reloadTodayTaskCount(), 2);
    EXPECT_EQ(list.reloadCount(), 1) << "the list follows the new plan";

    list.setTypeOfView(1);
    EXPECT_FALSE(list.reloadTodayTaskTimer().isValid());
    workingHoursChanged();
    EXPECT_EQ(list.reloadTodayTaskCount(), 2);
    EXPECT_EQ(list.reloadCount(), 1);
}

// A main list built before its window shows plans its first week at its
// first reload (the window's opening), once; a change of the working hours
// before that plans at once.
TEST(TaskListViewTest, AMainListBuiltHiddenPlansItsFirstWeekOnceAtItsFirstReload)
{
    struct Case {
        const char* name;
        TaskListView::FirstPlan firstPlan;
        bool hoursChangeFirst;
        int passesAtOnce;
        int passesAfterReload;
    };
    const Case cases[] = {
        {"planned now", TaskListView::FirstPlan::Now, false, 1, 2},
        {"planned at the first reload", TaskListView::FirstPlan::AtFirstReload, false, 0, 1},
        {"hours changed before the reload", TaskListView::FirstPlan::AtFirstReload, true, 1, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TaskListView list(QRectF(0, 0, 280, 400));
        list.setTypeOfView(TaskListView::mainListType, c.firstPlan);
        if (c.hoursChangeFirst) NotificationCenter::defaultCenter().postNotificationName(kTimeManagerChanged);
        EXPECT_EQ(list.reloadTodayTaskCount(), c.passesAtOnce);
        EXPECT_EQ(list.reloadTodayTaskTimer().isValid(), c.passesAtOnce > 0) << "the periodic plan starts with the first";
        list.reloadData();
        EXPECT_EQ(list.reloadTodayTaskCount(), c.passesAfterReload);
        EXPECT_TRUE(list.reloadTodayTaskTimer().isValid());
    }

    // The main window's list module is such a list.
    ListModuleView module(QRectF(0, 0, 280, 500));
    EXPECT_EQ(module.taskListView()->reloadTodayTaskCount(), 0);
    module.taskListView()->reloadData();
    EXPECT_EQ(module.taskListView()->reloadTodayTaskCount(), 1);
}

TEST(TaskListViewTest, ShowsTheTaskViewUnfilteredAndForgetsADayGridThatWent)
{
    TaskListView list(QRectF(0, 0, 280, 400));
    ASSERT_NE(list.typeViewBtn(), nullptr);
    ASSERT_NE(list.typeViewBtn()->selectedItem(), nullptr);
    EXPECT_EQ(list.typeViewBtn()->selectedItem()->tag, TaskListView::taskViewTag);
    EXPECT_EQ(list.filterIndex(), 0);
    {
        LogCapture log;
        list.setFilterIndex(-3);
        EXPECT_EQ(list.filterIndex(), 0);
        EXPECT_FALSE(log.messages().isEmpty());
    }
    list.setFilterIndex(2);
    EXPECT_EQ(list.filterIndex(), 2);

    auto grid = std::make_unique<CalendarView>(QRectF(0, 0, 280, 600));
    list.setCalendarView(grid.get());
    EXPECT_EQ(list.calendarView(), grid.get());
    grid.reset();
    EXPECT_EQ(list.calendarView(), nullptr);
}

// The three tables answer the same questions; each keeps the last item.
TEST(ListTablesTest, CountWhatTheyWereAskedAndOpenNoEditorWhileNothingIsListed)
{
    auto task = std::make_shared<Task>();
    auto other = std::make_shared<Task>();
    TaskListTableView tasks;
    NoteListTableView notes;
    CategoryListTableView categories;

    tasks.reloadData(task);
    tasks.reloadData(other);
    tasks.moveToTop(task);
    EXPECT_FALSE(tasks.showPopupEditDetail(other));
    tasks.deselectAll();
    EXPECT_EQ(tasks.reloadCount(), 2);
    EXPECT_EQ(tasks.lastReloadedItem(), other);
    EXPECT_EQ(tasks.moveToTopCount(), 1);
    EXPECT_EQ(tasks.lastMovedItem(), task);
    EXPECT_EQ(tasks.showPopupEditDetailCount(), 1);
    EXPECT_EQ(tasks.lastShownItem(), other);
    EXPECT_EQ(tasks.deselectCount(), 1);
    tasks.reloadData(nullptr);
    EXPECT_EQ(tasks.lastReloadedItem(), nullptr);

    // A note that is not listed is neither refreshed nor opened.
    notes.reloadData(task);
    EXPECT_FALSE(notes.showPopupEditDetail(task));
    EXPECT_TRUE(notes.notes().empty());
    EXPECT_EQ(notes.detailViewController(), nullptr);
    notes.deselectAll();
    notes.deselectAll();
    EXPECT_EQ(notes.deselectCount(), 2);

    // Without a listed category nothing opens; a category's detail opens
    // the panel on it.
    auto category = std::make_shared<Calendar>();
    categories.moveToTop(other);
    EXPECT_FALSE(categories.showPopupEditDetail(task));
    EXPECT_EQ(categories.categoryDetailPanel(), nullptr);
    EXPECT_FALSE(categories.showPopupCalendarEditDetail(nullptr));
    EXPECT_TRUE(categories.showPopupCalendarEditDetail(category));
    ASSERT_NE(categories.categoryDetailPanel(), nullptr);
    EXPECT_EQ(categories.categoryDetailPanel()->categoryDetailView()->calendar(), category);
}

TEST(ListPanelsTest, ReloadThemselvesNotTheirTablesAndKeepTheTableAtTheirSize)
{
    NoteListView notes(QRectF(0, 0, 280, 400));
    CategoryListView categories(QRectF(0, 0, 280, 400));
    TaskListView tasks(QRectF(0, 0, 280, 400));
    notes.reloadData();
    categories.reloadData();
    tasks.reloadData();
    EXPECT_EQ(notes.reloadCount(), 1);
    EXPECT_EQ(tasks.reloadCount(), 1);
    EXPECT_TRUE(notes.noteListTableView()->notes().empty()) << "no data manager, no notes";
    EXPECT_TRUE(categories.categoryListTableView()->arrayOfCategories().empty()) << "no data manager, no rows";

    // The category table scrolls inside the border; its scroll view keeps
    // its width and the page's height less 2.
    EXPECT_EQ(categories.tableScrollView()->documentView(), categories.categoryListTableView());
    categories.setFrameSize(QSizeF(280, 500));
    EXPECT_EQ(categories.tableScrollView()->frame(), QRectF(2, 1, 276, 498));
    // The task list scrolls under the filter control; its scroll view keeps
    // the pane's height less the control's.
    EXPECT_EQ(tasks.tableScrollView()->documentView(), tasks.taskListTableView());
    EXPECT_EQ(tasks.tableScrollView()->superview(), &tasks);
    tasks.setFrameSize(QSizeF(280, 500));
    EXPECT_EQ(tasks.tableScrollView()->frame(), QRectF(2, 30, 276, 469));
}

TEST(CategoryDetailTest, ShowsTheTabAskedForAndCountsDeselections)
{
    CategoryDetailPanel panel;
    CategoryDetailView* detail = panel.categoryDetailView();
    ASSERT_NE(detail, nullptr);
    detail->setFocusTab(2);
    EXPECT_EQ(detail->focusTab(), 2);
    {
        LogCapture log;
        detail->setFocusTab(-1);
        EXPECT_EQ(detail->focusTab(), 0);
        EXPECT_FALSE(log.messages().isEmpty());
    }
    detail->detailView()->deselectAll();
    EXPECT_EQ(detail->detailView()->deselectCount(), 1);
}

TEST(QuickAddViewTest, BuildsItsButtonFieldAndPanelsCollapsed)
{
    QuickAddView bar(QRectF(0, 0, 280, 28));
    EXPECT_EQ(bar.addNewBtn()->frame(), QRectF(95, 0, 36, 29));
    EXPECT_EQ(bar.addNewBtn()->buttonType(), ButtonType::PushOnPushOff);
    EXPECT_EQ(bar.searchAndAdd()->frame(), QRectF(135, 2, 143, 22));
    EXPECT_EQ(bar.searchAndAdd()->delegate(), static_cast<TextFieldDelegate*>(&bar));
    EXPECT_EQ(bar.addView()->frame(), QRectF(0, 30, 280, 50));
    EXPECT_TRUE(bar.addView()->isHidden());
    EXPECT_EQ(bar.addView()->parentView(), &bar);
    EXPECT_EQ(bar.searchView()->frame(), QRectF(0, 85, 280, double(mainViewHeight) - 158));
    EXPECT_FALSE(bar.isSearching());
    EXPECT_FALSE(bar.isAdding());
    EXPECT_FALSE(bar.isQuickAdd());
    EXPECT_EQ(QuickAddView::addNotification, QStringLiteral("Add notification"));
    // Commands other than Return keep their usual effect.
    EXPECT_FALSE(bar.doCommand(bar.searchAndAdd(), FieldCommand::Cancel));
    EXPECT_FALSE(bar.doCommand(bar.searchAndAdd(), FieldCommand::MoveDown));
}

namespace {

// A note form as the notes subsystem would install it, recording the calls.
struct RecordingNoteForm : AddPanelForm {
    explicit RecordingNoteForm(QStringList* calls) : calls(calls), form(new View(QRectF(0, 0, 280, 150))) {}
    View* view() override { return form; }
    void resetData() override { *calls << "reset"; }
    void setNoteContentText(const QString& text) override { *calls << "text " + text; }
    void focusToContent() override { *calls << "focus"; }
    void changeModeNote() override { *calls << "mode"; }
    QStringList* calls;
    View* form;
};

}  // namespace

TEST(AddViewTest, TheTypeControlShowsThePageOfItsSelectedTag)
{
    QStringList calls;
    AddView::setFormMaker(AddView::NoteEditor, [&calls](AddView*, const QRectF&) {
        return std::make_unique<RecordingNoteForm>(&calls);
    });
    QuickAddView bar(QRectF(0, 0, 280, 28));
    AddView& form = *bar.addView();
    AddView::setFormMaker(AddView::NoteEditor, {});

    SegmentedControl* menu = form.menuSegmentedControl();
    ASSERT_EQ(menu->segmentCount(), 4);
    const char* keys[] = {"eventText", "taskText", "noteText", "categoryText"};
    for (int segment = 0; segment < 4; ++segment) {
        EXPECT_EQ(menu->tagForSegment(segment), segment);
        EXPECT_EQ(menu->labelForSegment(segment), TextTable::localizedString(QString::fromLatin1(keys[segment])));
    }
    EXPECT_EQ(menu->frame().y(), 23);
    EXPECT_NEAR(menu->frame().center().x(), 140, 0.5) << "centred";
    EXPECT_EQ(form.shownEditor(), -1);
    form.menuControl(menu);
    EXPECT_FALSE(bar.isAdding()) << "nothing selected, nothing happens";

    const char* pages[] = {"event", "task", "note", "prj"};
    form.setHidden(false);
    for (int segment = 0; segment < 4; ++segment) {
        menu->setSelectedSegment(segment);
        form.menuControl(menu);
        EXPECT_EQ(form.shownEditor(), segment);
        EXPECT_EQ(form.selectedTabIdentifier(), QString::fromLatin1(pages[segment]));
        EXPECT_FALSE(form.page(segment)->isHidden());
        EXPECT_TRUE(bar.isAdding());
    }

    // The installed note form is reset, given the typed text and focused;
    // the mode switch reaches it; setFocusModule does not reset.
    calls.clear();
    bar.searchAndAdd()->setStringValue(QStringLiteral("milk"));
    menu->setSelectedSegment(2);
    form.menuControl(menu);
    EXPECT_EQ(calls, QStringList({"reset", "text milk", "focus"}));
    EXPECT_EQ(form.page(2)->frame().height(), 150) << "the panel fits the form";
    EXPECT_EQ(form.frame().height(), 150 + 50);
    calls.clear();
    form.setFocusModule(0);
    EXPECT_EQ(form.shownEditor(), 0);
    form.setFocusModule(2);
    EXPECT_TRUE(calls.isEmpty());
    EXPECT_FALSE(form.isNoteMode());
    form.changeModeNote();
    EXPECT_TRUE(form.isNoteMode());
    EXPECT_EQ(calls, QStringList({"mode"}));
    form.setFocusModule(9);
    EXPECT_EQ(form.shownEditor(), 2) << "an unknown tag changes nothing";
}

class ShownAnchorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Window::setAnimationDurationScale(0);
        const QRectF visible = Screen::mainVisibleFrame();
        window = std::make_unique<Window>(
            QRectF(visible.center().x() - 150, visible.center().y() - 100, 300, 200), BorderlessWindowMask);
        anchor = new View(QRectF(100, 80, 60, 30));
        window->contentView()->addSubview(anchor);
        window->orderFront();
    }
    void TearDown() override { Window::setAnimationDurationScale(1); }

    std::unique_ptr<Window> window;
    View* anchor = nullptr;
};

TEST_F(ShownAnchorTest, EachTipTypeShowsItsOwnPictureBesideTheViewOnTheEdgeAsked)
{
    struct Case {
        int type;
        const char* key;
    };
    const Case cases[] = {{1, "GuruDayCalText"}, {2, "guruListText"}, {3, "guruCategoryText"},
                          {5, "guruNotetext"},   {4, "guruContextText"}, {-7, nullptr}};
    GuruViewController controller;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        const QString base = c.key ? TextTable::localizedString(QString::fromLatin1(c.key)) : QString();
        EXPECT_EQ(base.isEmpty(), c.key == nullptr);
        controller.showGuruPopOverAtPositionView(anchor, c.type, int(RectEdge::MaxX));
        EXPECT_EQ(controller.shownType(), c.type);
        EXPECT_EQ(controller.guruView()->imageName(), base);
        EXPECT_EQ(controller.guruView()->guruImageView()->image().isNull(), c.key == nullptr);
        ASSERT_TRUE(controller.popover()->isShown());
        EXPECT_EQ(controller.popover()->shownScreenEdge(), RectEdge::MaxX);
    }
    controller.showGuruPopOverAtPositionView(anchor, GuruViewController::TaskListTip, int(RectEdge::MaxX));
    EXPECT_FALSE(saveScreenshot(controller.popover()->window(), QStringLiteral("help-tip")).isEmpty());

    Popover* shown = controller.popover();
    NotificationCenter::defaultCenter().postNotificationName(kPopoverShouldClose);
    EXPECT_FALSE(shown->isShown());
    EXPECT_EQ(controller.popover(), nullptr);
}

TEST_F(ShownAnchorTest, ATipWithoutAViewOrOnAnUnknownEdgeFallsBackAndSaysSo)
{
    GuruViewController controller;
    LogCapture log;
    controller.showGuruPopOverAtPositionView(nullptr, 2, 0);
    EXPECT_EQ(controller.popover(), nullptr);
    EXPECT_EQ(controller.shownType(), -1);

    controller.showGuruPopOverAtPositionView(anchor, 2, 9);
    ASSERT_NE(controller.popover(), nullptr);
    EXPECT_EQ(controller.popover()->shownScreenEdge(), RectEdge::MinX);
    EXPECT_TRUE(log.contains(QStringLiteral("beside no view")));
    EXPECT_TRUE(log.contains(QStringLiteral("on edge 9")));

    // Without an edge: the anchor's maximum-y edge, above a view whose y
    // grows upwards and below a flipped one.
    controller.showGuruPopOverAtPositionView(anchor, 2);
    EXPECT_EQ(controller.popover()->shownScreenEdge(), RectEdge::MaxY);
    anchor->setFlipped(true);
    controller.showGuruPopOverAtPositionView(anchor, 2);
    EXPECT_EQ(controller.popover()->shownScreenEdge(), RectEdge::MinY);
}

TEST_F(ShownAnchorTest, TheCategoryTagAndCommentPopoversShowANewViewOfTheirSizeAtTheViewEachTime)
{
    CategoryShowHideViewController categories;
    TagViewController tags;
    NotificationViewController comments;
    struct Case {
        std::function<void(View*)> show;
        PopoverViewController* controller;
        QSizeF size;
        const char* name;
    };
    const Case cases[] = {
        {[&](View* v) { categories.categoryShowHideViewPopOverAtPositionView(v); }, &categories, {230, 100}, "show/hide"},
        {[&](View* v) { tags.tagViewPopOverAtPositionView(v); }, &tags, {230, 100}, "tags"},
        {[&](View* v) { comments.showNotificationViewPopOverAtPositionView(v); }, &comments, {300, 100}, "comments"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        {
            LogCapture log;
            c.show(nullptr);
            EXPECT_EQ(c.controller->popover(), nullptr);
            EXPECT_FALSE(log.messages().isEmpty());
        }
        c.show(anchor);
        Popover* popover = c.controller->popover();
        ASSERT_NE(popover, nullptr);
        EXPECT_TRUE(popover->isShown());
        // Minimum y of the anchor's own coordinates: below a view whose y runs up.
        EXPECT_EQ(popover->shownScreenEdge(), RectEdge::MinY);
        ASSERT_NE(c.controller->customView(), nullptr);
        EXPECT_EQ(c.controller->customView()->frame().width(), c.size.width());
        const View* first = c.controller->customView();
        c.show(anchor);
        EXPECT_NE(c.controller->customView(), first) << "every showing builds its content again";
        EXPECT_TRUE(c.controller->popover()->isShown());
        NotificationCenter::defaultCenter().postNotificationName(kPopoverShouldClose);
        EXPECT_EQ(c.controller->popover(), nullptr);
    }
}

TEST(PopoverNotificationTest, TheShellsCloseRequestIsTheOneEveryPopoverHears)
{
    EXPECT_EQ(kPopoverShouldClose, Popover::shouldCloseNotification);
}

}  // namespace

TEST(CategoryListCountTest, AReloadCountsTheCategoriesItShows)
{
    CoreData manager;
    CoreData::setShared(&manager);
    CalendarList categories;
    for (const qint64 hidden : {0, 1, 0}) {
        auto category = std::make_shared<Calendar>();
        category->setInVisible(hidden);
        categories.append(category);
    }
    manager.doWithCalendarList(categories, 2);
    CategoryListView list(QRectF(0, 0, 280, 400));
    list.reloadData();
    EXPECT_EQ(manager.numberOfActiveProject(), 2) << "the main window's category button compares it with all three";
    CoreData::setShared(nullptr);
}
