// The add-project form (in its popover and as the add panel's page), the
// show/hide popover with its category table, and the unread-comment list.
#include "CategoriesTestFixture.h"
#include "AddView.h"
#include "Button.h"
#include "CategoryListItemView.h"
#include "CategoryPopOverDetailView.h"
#include "CategoryShowHideView.h"
#include "CategoryTableView.h"
#include "CategoryViewController.h"
#include "ColorView.h"
#include "Event.h"
#include "MainViewHeight.h"
#include "ManualScheduler.h"
#include "Matrix.h"
#include "NotificationList.h"
#include "NotificationViewController.h"
#include "Notifications.h"
#include "Popover.h"
#include "QuickAddView.h"
#include "RecordingZVWSync.h"
#include "Screenshot.h"
#include "ScrollView.h"
#include "SegmentedControl.h"
#include "Tag.h"
#include "TextField.h"
#include "TextTable.h"
#include "ZVComment.h"
#include "../Model/Notifications.h"
#include "../Model/PostedNotifications.h"

#include <gtest/gtest.h>

namespace ProjectPopoversTests {
namespace {

QString text(const char* key) { return TextTable::localizedString(QString::fromLatin1(key)); }

class ProjectPopoversTest : public CategoriesViewTest {
protected:
    void SetUp() override
    {
        CategoriesViewTest::SetUp();
        savedHeight = std::exchange(mainViewHeight, 600);
        Scheduler::setCurrent(&scheduler);
        auto sync = std::make_unique<RecordingZVWSync>();
        web = sync.get();
        dataManager().setZVWSync(std::move(sync));
        home = dataManager().calendarList().front();
        setting().setCalendarDefID(home->primaryKey());
        AddView::setFormMaker(AddView::ProjectEditor, CategoryPopOverDetailView::formMaker());
        bar = new QuickAddView(QRectF(300, 10, 280, 28));
        window->contentView()->addSubview(bar);
        main.quickAdd = bar;
    }
    void TearDown() override
    {
        AddView::setFormMaker(AddView::ProjectEditor, {});
        showHide.reset();
        list.reset();
        CategoriesViewTest::TearDown();
        Scheduler::setCurrent(nullptr);
        mainViewHeight = savedHeight;
    }

    CalendarPtr category(const QString& name, qint64 hidden = 0, qint64 projectType = 0, bool shared = false)
    {
        auto made = std::make_shared<Calendar>();
        made->setCalendarName(name);
        EXPECT_TRUE(made->insertIntoDatabase(db()));
        made->setInVisible(hidden);
        made->setProjectType(projectType);
        made->setExtraStatus(shared ? 1 : 0);
        EXPECT_TRUE(made->dehydrate());
        dataManager().doWithCalendarList(CalendarList{made}, 0);
        return made;
    }
    CalendarPtr lastCategory() { return dataManager().calendarList().back(); }

    // As a user: the text typed in the bar, the swatch through the picker,
    // the switches and the add button by clicks; the tags as the field holds them.
    void addInPopover(const QString& typed, qint64 colour, bool isDefault, bool transparent, const QStringList& tags)
    {
        bar->searchAndAdd()->setStringValue(typed);
        addProject.addCategoryPopOverAtPositionView(anchor);
        auto* form = static_cast<CategoryPopOverDetailView*>(addProject.customView());
        QWidget* popup = form->window();
        Clicks::click(popup, Clicks::inWindow(form->colorBtn(), form->colorBtn()->bounds().center()));
        Matrix* matrix = static_cast<ColorView*>(form->colorViewController()->customView())->matrix();
        Clicks::click(form->colorViewController()->popover()->window(),
                      Clicks::inWindow(matrix, matrix->cellFrameAtRow(int(colour / 8), int(colour % 8)).center()));
        if (isDefault) Clicks::click(popup, Clicks::inWindow(form->defaultBtn(), QPointF(8, 10)));
        if (transparent) Clicks::click(popup, Clicks::inWindow(form->transparentBtn(), QPointF(8, 10)));
        form->tagDetailView()->setObjectValue(tags);
        Clicks::click(popup, Clicks::inWindow(form->addCategoryBtn(), form->addCategoryBtn()->bounds().center()));
    }
    // Typing grows the bar; then the category segment is chosen.
    CategoryPopOverDetailView* openPage(const QString& typed)
    {
        bar->searchAndAdd()->setStringValue(typed);
        bar->controlTextDidChange();
        AddView* panel = bar->addView();
        panel->menuSegmentedControl()->setSelectedSegment(AddView::ProjectEditor);
        panel->menuControl(panel->menuSegmentedControl());
        return static_cast<CategoryPopOverDetailView*>(panel->categoryForm()->view());
    }

    CategoryTableView& openShowHide()
    {
        showHide = std::make_unique<CategoryShowHideView>();
        window->contentView()->addSubview(showHide.get());
        return *showHide->categoryTableView();
    }
    int rowOf(const CalendarPtr& wanted)
    {
        CategoryTableView* table = showHide->categoryTableView();
        for (int row = 0; row < table->numberOfRows(); ++row)
            if (table->categoryAt(row) == wanted) return row;
        return -1;
    }

    // Unread (status 0) or read comments on an item (type 0) or a category (1).
    void comments(qint64 itemKey, qint64 type, int count, qint64 status = 0)
    {
        ZVComment comment;
        comment.setItemKey(itemKey);
        comment.setType(type);
        comment.setStatus(status);
        for (int n = 0; n < count; ++n) ASSERT_TRUE(comment.insertIntoDatabase(db()).has_value());
    }
    NotificationTableView& openList()
    {
        list = std::make_unique<NotificationList>();
        window->contentView()->addSubview(list.get());
        return *list->notifTableView();
    }

    ManualScheduler scheduler;
    RecordingZVWSync* web = nullptr;
    QuickAddView* bar = nullptr;
    CategoryViewController addProject;
    CalendarPtr home;
    std::unique_ptr<CategoryShowHideView> showHide;
    std::unique_ptr<NotificationList> list;
    quint64 savedHeight = 0;
};

TEST_F(ProjectPopoversTest, TheNewCategoryTakesTheBarsTextAndTheFormsChoices)
{
    dataManager().insertTagIfNA(QStringLiteral("Gym"));
    const QString untitled = text("untitledText");
    const struct Case {
        const char* typed;
        qint64 colour;
        bool transparent;
        QStringList tags;
        QString name, tagList;
        qsizetype tagsAfter;
    } cases[] = {
        {"Trips", 13, true, {"Gym", "Home"}, "Trips", "/Gym/Home", 2},
        {"trips", 0, false, {}, "trips_1", "", 2},
        {"", 31, false, {"a", "b", "a"}, untitled, "/a/b", 4},
        {"   ", 8, false, {"gym", "HOME"}, untitled + "_1", "/gym/HOME", 4},  // as typed, no new tag
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        main.clearCalls();
        PostedNotifications posted({kPopoverShouldClose});
        const qsizetype before = dataManager().calendarList().size();
        addInPopover(QString::fromLatin1(c.typed), c.colour, false, c.transparent, c.tags);
        ASSERT_EQ(dataManager().calendarList().size(), before + 1);
        const CalendarPtr stored = Calendar::initWithPrimaryKey(lastCategory()->primaryKey(), db());
        EXPECT_EQ(stored->calendarName(), c.name);
        EXPECT_EQ(stored->colorGroupId() * 8 + stored->colorNameId(), c.colour);
        EXPECT_EQ(stored->isTransparent(), c.transparent);
        EXPECT_EQ(stored->tagList(), c.tagList);
        EXPECT_EQ(dataManager().tagList().size(), c.tagsAfter);
        EXPECT_EQ(main.calls(), QStringList{QStringLiteral("reloadCategory")});
        EXPECT_EQ(posted.posts().size(), 1);
        EXPECT_EQ(addProject.popover(), nullptr);
    }
}

TEST_F(ProjectPopoversTest, ANewDefaultIsStoredAtOnceAndItsPushWaitsForTheProjectOnTheService)
{
    // SettingRefused: the settings row refuses the write, and the category
    // goes with the default it was to be.
    enum class Then { FlagSet, Failure, TimeLimit, SettingRefused };
    const struct Case {
        bool autoSync;
        Then then;
        qint64 settingsPushes;
    } cases[] = {{true, Then::SettingRefused, 0}, {false, Then::FlagSet, 0}, {true, Then::FlagSet, 1}, {true, Then::Failure, 0}, {true, Then::TimeLimit, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.then) + 10 * c.autoSync);
        setting().setAutoZVWSync(c.autoSync);
        web->setCanSyncSettingAfterSyncProjectDefault(true);  // left up by an earlier default
        PostedNotifications posted({kAutoSyncNotification});
        if (c.then == Then::SettingRefused) {
            const qsizetype before = dataManager().calendarList().size();
            exec(QStringLiteral("CREATE TEMP TRIGGER refuseSetting BEFORE UPDATE ON Settings BEGIN SELECT RAISE(ABORT, 'full'); END"));
            alerts.scriptButton(AlertResponse::firstButton);
            addInPopover(QStringLiteral("Work"), 0, true, false, {});
            exec(QStringLiteral("DROP TRIGGER refuseSetting"));
            EXPECT_EQ(dataManager().calendarList().size(), before);
            EXPECT_EQ(queryInt(QStringLiteral("SELECT COUNT(*) FROM Calendars WHERE calendarName='Work'")), 0);
            EXPECT_EQ(alerts.requests().size(), 1) << "told";
            EXPECT_FALSE(CategoryPopOverDetailView::isWaitingToPushDefault());
            continue;
        }
        addInPopover(QStringLiteral("Work"), 0, true, false, {});
        EXPECT_EQ(Setting::initWithPrimaryKey(1, db())->calendarDefID(), lastCategory()->primaryKey());
        EXPECT_EQ(CategoryPopOverDetailView::isWaitingToPushDefault(), c.autoSync);
        scheduler.advance(5);
        if (c.then == Then::Failure)
            NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kServerErrorNotification,
                                                                                 QStringLiteral("offline"));
        if (c.then == Then::TimeLimit) scheduler.advance(CategoryPopOverDetailView::defaultPushTimeout);
        EXPECT_FALSE(posted.autoSyncRequests().contains(AutoSync::settings)) << "nothing before the project";
        web->setCanSyncSettingAfterSyncProjectDefault(true);
        scheduler.advance(1);
        EXPECT_EQ(posted.autoSyncRequests().count(AutoSync::settings), c.settingsPushes);
        EXPECT_EQ(web->canSyncSettingAfterSyncProjectDefault(), c.settingsPushes == 0) << "put back after the push";
        EXPECT_FALSE(CategoryPopOverDetailView::isWaitingToPushDefault());
    }
}

TEST_F(ProjectPopoversTest, TheFormsHeightFollowsTheTagFieldAndThePageStartsOverAfterACreation)
{
    const struct Case {
        int type;
        QStringList tags;
        double ownHeight, popoverHeight, panelHeight;
    } cases[] = {
        {0, {}, 173, 152, 202},
        {0, {"Garden", "Groceries", "Kitchen"}, 192, 171, 221},  // two lines
        {1, {}, 146, 125, 175},  // the default row hidden, last: the page keeps it so
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tags.size() + c.type);
        addProject.addCategoryPopOverAtPositionView(anchor);
        auto* form = static_cast<CategoryPopOverDetailView*>(addProject.customView());
        CategoryPopOverDetailView* page = openPage(QStringLiteral("x"));
        for (CategoryPopOverDetailView* each : {form, page}) {
            if (c.type != 0) each->chooseType(c.type);
            each->tagDetailView()->setObjectValue(c.tags);
            each->tagDetailView()->resizeTokenField();  // tells its form
            each->updateView();
        }
        EXPECT_EQ(form->frame().height(), c.ownHeight);
        EXPECT_EQ(form->addCategoryBtn()->frame().bottom(), c.ownHeight) << "the button keeps to the bottom";
        form->resizeHeightWithOffset(0);
        page->resizeHeightWithOffset(0);
        EXPECT_EQ(form->frame().size(), QSizeF(280, c.popoverHeight));
        EXPECT_EQ(bar->addView()->frame().height(), c.panelHeight) << "what the bar is told";
        EXPECT_EQ(bar->addView()->tabView()->frame().height(), c.popoverHeight);
        if (c.tags.isEmpty() && c.type == 0) {
            form->setColor(13);
            form->tagDetailView()->setObjectValue({QStringLiteral("Gym"), QStringLiteral("Home")});
            saveScreenshot(addProject.popover()->window(), QStringLiteral("add-project-popover"));
        }
        NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kPopoverShouldClose);
    }

    CategoryPopOverDetailView* page = openPage(QStringLiteral("Garden"));
    page->chooseType(0);  // the picture shows the form as users meet it
    page->setColor(21);
    page->transparentBtn()->setState(1);
    page->tagDetailView()->setObjectValue({QStringLiteral("Gym"), QStringLiteral("Home")});
    saveScreenshot(bar, QStringLiteral("add-project-quick-add-page"));
    page->addCategory();
    EXPECT_EQ(lastCategory()->calendarName(), QStringLiteral("Garden"));
    EXPECT_EQ(lastCategory()->colorGroupId(), 2);
    EXPECT_TRUE(bar->searchAndAdd()->stringValue().isEmpty());
    EXPECT_TRUE(bar->addView()->isHidden());
    EXPECT_EQ(page->posOfColor(), 0);
    EXPECT_EQ(page->transparentBtn()->state() + page->defaultBtn()->state(), 0);
    EXPECT_TRUE(page->tagDetailView()->objectValue().isEmpty());
}

TEST_F(ProjectPopoversTest, TheShowHideTableListsEveryOrdinaryCategoryAndTheViewFitsItUpToTheLimit)
{
    const CalendarPtr hidden = category(QStringLiteral("Archive"), 1);
    category(QStringLiteral("Trips"));
    category(QStringLiteral("Team plan"), 0, 0, true);
    category(QStringLiteral("Project"), 0, 1);  // not listed
    const struct Case {
        int more;  // ordinary categories beyond those four
        double totalHeight, viewHeight;
        bool scrolls;
    } cases[] = {{0, 172, 220, false}, {16, 780, 500, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.more);
        for (int n = 0; n < c.more; ++n) category(QStringLiteral("More %1").arg(n));
        CategoryTableView& table = openShowHide();
        if (c.more == 0) saveScreenshot(showHide.get(), QStringLiteral("category-showhide"));
        EXPECT_EQ(table.totalHeight(), c.totalHeight);
        EXPECT_EQ(showHide->frame().height(), c.viewHeight);
        EXPECT_EQ(showHide->categoryScrollView()->frame().height(), c.viewHeight - 30);
        EXPECT_EQ(table.frame().height() > showHide->categoryScrollView()->contentSize().height(), c.scrolls);
        EXPECT_EQ(table.numberOfRows(), 5 + c.more);
        EXPECT_EQ(table.rowAt(4)->superview(), &table) << "the rows that came into view as the view grew";
        EXPECT_EQ(std::vector<double>({table.heightOfRow(0), table.heightOfRow(1)}), std::vector<double>({18, 38}));
        auto* hiddenRow = static_cast<CategoryListItemView*>(table.rowAt(rowOf(hidden)));
        EXPECT_EQ(hiddenRow->hideBtn()->state(), 0) << "a hidden category is listed unticked";
        auto* homeRow = static_cast<CategoryListItemView*>(table.rowAt(1));
        EXPECT_EQ(homeRow->parentView(), &table);
        EXPECT_FALSE(c.more == 0 && homeRow->hideBtn()->isEnabled()) << "the default category's box, once drawn";
    }
}

TEST_F(ProjectPopoversTest, DeleteInTheShowHideTableAsksRefusesTheOnlyVisibleDefaultAndLeavesSharedOnesAlone)
{
    enum class Asked { Nothing, Question, Refusal };
    const CalendarPtr trips = category(QStringLiteral("Trips"));
    const CalendarPtr shared = category(QStringLiteral("Shared"), 0, 0, true);
    const TaskPtr flight = itemIn(trips, QStringLiteral("Flight"));
    const struct Case {
        CalendarPtr selected;  // null: no row selected
        int answer;
        Asked asked;
        bool deleted, othersHidden;
    } cases[] = {
        {nullptr, 0, Asked::Nothing, false, false},
        {shared, 0, Asked::Nothing, false, false},
        {trips, AlertResponse::secondButton, Asked::Question, false, false},
        {home, AlertResponse::secondButton, Asked::Question, false, false},  // the shared one counts as visible
        {home, AlertResponse::firstButton, Asked::Refusal, false, true},
        {trips, AlertResponse::firstButton, Asked::Question, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.selected ? c.selected->calendarName().toStdString() : "none");
        shared->setInVisible(c.othersHidden ? 1 : 0);
        trips->setInVisible(c.othersHidden ? 1 : 0);
        CategoryTableView& table = openShowHide();
        const int rowsBefore = table.numberOfRows();
        const double heightBefore = table.totalHeight();
        if (c.selected) table.selectRowIndexes({rowOf(c.selected)}, false);
        const qsizetype asked = alerts.requests().size();
        if (c.asked != Asked::Nothing) alerts.scriptButton(c.answer);
        Event del;
        del.type = EventType::KeyDown;
        del.charactersIgnoringModifiers = QString(QChar(KeyCharacter::Delete));
        table.keyDown(del);
        ASSERT_EQ(alerts.requests().size() - asked, c.asked == Asked::Nothing ? 0 : 1);
        if (c.asked != Asked::Nothing) {
            EXPECT_EQ(alerts.requests().back().informativeText,
                      text(c.asked == Asked::Refusal ? "deleteCalendarErrorMessage" : "deleteCalendarMessage"));
        }
        EXPECT_EQ(table.numberOfRows(), rowsBefore - (c.deleted ? 1 : 0)) << "at once";
        EXPECT_EQ(table.totalHeight(), heightBefore) << "kept after a removal";
        EXPECT_TRUE(table.isGroupRow(0)) << "the header stays";
        EXPECT_EQ(dataManager().calendarWithPrimaryKey(trips->primaryKey()) == nullptr, c.deleted);
        EXPECT_EQ(Task::storedWithPrimaryKey(flight->primaryKey()) == nullptr, c.deleted) << "its items go with it";
    }
}

TEST_F(ProjectPopoversTest, NoneHidesAllButTheDefaultAndAllShowsEveryCategoryProjectsIncluded)
{
    home->setCalendarName(QStringLiteral("Home"));
    const CalendarPtr trips = category(QStringLiteral("Trips"));
    const CalendarPtr archive = category(QStringLiteral("Archive"), 1);
    const CalendarPtr project = category(QStringLiteral("Project"), 0, 1);
    itemIn(home, QStringLiteral("At home"));
    itemIn(trips, QStringLiteral("Flight"), QStringLiteral("/Travel"));
    itemIn(archive, QStringLiteral("Old"));
    itemIn(project, QStringLiteral("Step"), QStringLiteral("/Travel"));
    dataManager().insertTagIfNA(QStringLiteral("Travel"));
    dataManager().insertTagIfNA(QStringLiteral("Other"));
    const QStringList all = {"Home", "Trips", "Archive", "Project"};
    const struct Case {
        bool all, tagFilter;
        QStringList visible, listed;
    } cases[] = {
        {false, false, {"Home"}, {"At home"}},
        {true, true, all, {"At home", "Flight", "Step"}},  // only the tagged items come in
        {false, false, {"Home"}, {"At home"}},
        {true, false, all, {"At home", "Flight", "Old", "Step"}},
        {true, false, all, {"At home", "Flight", "Old", "Step"}},  // nothing to change
    };
    dataManager().doWithAllTasksEventsAdes(std::nullopt, 1);
    dataManager().addTasksToListFromCalendarList({home->primaryKey(), trips->primaryKey(), project->primaryKey()});
    openShowHide();
    for (const Case& c : cases) {
        SCOPED_TRACE(10 * c.all + c.tagFilter);
        dataManager().setIsAppliedTagFilter(c.tagFilter);
        for (const TagPtr& tag : dataManager().tagList()) tag->setIsHidden(c.tagFilter && tag->tagName() != "Travel");
        main.clearCalls();
        PostedNotifications posted({kAutoSyncNotification});
        CategoryTableView* table = showHide->categoryTableView();
        const TableRowView* lastRowBefore = table->rowAt(table->numberOfRows() - 1);
        Button* button = c.all ? showHide->showAllBtn() : showHide->showNoneBtn();
        Clicks::click(window.get(), Clicks::inWindow(button, QPointF(25, 12)));
        QStringList visible;
        for (const CalendarPtr& each : dataManager().calendarList())
            if (each->inVisible() == 0) visible << each->calendarName();
        EXPECT_EQ(visible, c.visible);
        EXPECT_EQ(Calendar::initWithPrimaryKey(project->primaryKey(), db())->inVisible(), c.all ? 0 : 1) << "stored";
        EXPECT_EQ(listedNames(), c.listed);
        const QList<qint64> requests = posted.autoSyncRequests();
        EXPECT_EQ(std::vector<qint64>(requests.begin(), requests.end()), std::vector<qint64>{AutoSync::categories});
        EXPECT_EQ(main.calls(), QStringList{QStringLiteral("reload")});
        EXPECT_NE(table->rowAt(table->numberOfRows() - 1), lastRowBefore) << "rebuilt";
    }
}

TEST_F(ProjectPopoversTest, TheUnreadCommentListHasARowPerEntryStopsAtTheLimitAndOpensWhatStillExists)
{
    const TaskPtr flight = itemIn(home, QStringLiteral("Ask the plumber about the pipes under the old sink"));
    comments(flight->primaryKey(), 0, 3, 1);  // read ones do not count
    const struct Case {
        int rows;
        double height;
        bool scrolls;
    } cases[] = {{0, 0, false}, {4, 188, false}, {24, 500, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rows);
        if (c.rows == 4) {
            comments(flight->primaryKey(), 0, 2);
            comments(999, 0, 1);                 // on an item that is gone
            comments(home->primaryKey(), 1, 1);  // the same key as the item: a row of its own
            comments(4242, 1, 1);                // on a project that is gone
        }
        for (int n = 0; c.rows > 4 && n < 20; ++n) comments(2000 + n, 0, 1);
        NotificationTableView& table = openList();
        ASSERT_EQ(int(table.entries().size()), c.rows);
        EXPECT_EQ(list->frame().height(), c.height);
        if (c.rows == 0) continue;
        EXPECT_EQ(table.totalHeight(), 45.0 * c.rows);
        EXPECT_EQ(table.rowAt(3)->superview(), &table) << "the rows that came into view as the list grew";
        EXPECT_EQ(table.frame().height() > list->notifScrollView()->contentSize().height(), c.scrolls);
        EXPECT_EQ(table.rowAt(0)->unreadNumberLabel()->stringValue(), text("unreadCommentOnText").arg(2));
        EXPECT_EQ(table.rowAt(0)->itemInfo()->stringValue(), flight->taskName());
        EXPECT_TRUE(table.rowAt(0)->itemInfo()->textFont().isBold());
        EXPECT_TRUE(table.rowAt(1)->itemInfo()->stringValue().isEmpty()) << "the item that is gone";
        EXPECT_EQ(table.rowAt(c.rows - 1)->dataObject().itemType(), 1) << "projects come after items";
        if (c.rows == 4) {
            NotificationViewController controller;
            controller.showNotificationViewPopOverAtPositionView(anchor);
            saveScreenshot(controller.popover()->window(), QStringLiteral("notification-popover"));
        }
    }

    NotificationTableView& table = openList();
    const QString itemEditor = QStringLiteral("showItemDetail %1 1").arg(flight->primaryKey());
    const struct Click {
        int row;
        bool doubleClick;
        QStringList calls;
    } clicks[] = {
        {0, false, {itemEditor}},
        {1, false, {}},
        {22, false, {QStringLiteral("showCalendarDetail %1 1").arg(home->primaryKey())}},
        {23, false, {}},
        {0, true, {itemEditor}},  // the first press only
    };
    for (const Click& c : clicks) {
        SCOPED_TRACE(c.row);
        main.clearCalls();
        table.scrollRowToVisible(c.row);
        (c.doubleClick ? Clicks::doubleClick : Clicks::click)(window.get(),
                                                             Clicks::inWindow(&table, table.rectOfRow(c.row).center()));
        EXPECT_EQ(main.calls(), c.calls);
    }
}

}  // namespace
}  // namespace ProjectPopoversTests
