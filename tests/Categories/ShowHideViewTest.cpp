// The show/hide popover: the table of every ordinary category, the view's
// height, Delete with its question and refusal, All and None.
#include "CategoriesTestFixture.h"
#include "Button.h"
#include "CategoryListItemView.h"
#include "CategoryShowHideView.h"
#include "CategoryShowHideViewController.h"
#include "CategoryTableView.h"
#include "Event.h"
#include "MainViewHeight.h"
#include "Popover.h"
#include "Screenshot.h"
#include "ScrollView.h"
#include "Tag.h"
#include "TextField.h"
#include "TextTable.h"
#include "../Model/Notifications.h"
#include "../Model/PostedNotifications.h"

#include <gtest/gtest.h>

namespace ShowHideViewTests {
namespace {

QString text(const char* key) { return TextTable::localizedString(QString::fromLatin1(key)); }

class ShowHideViewTest : public CategoriesViewTest {
protected:
    void SetUp() override
    {
        CategoriesViewTest::SetUp();
        savedHeight = mainViewHeight;
        mainViewHeight = 600;
        home = dataManager().calendarList().front();
        home->setCalendarName(QStringLiteral("Home"));
        setting().setCalendarDefID(home->primaryKey());
    }
    void TearDown() override
    {
        view.reset();
        mainViewHeight = savedHeight;
        CategoriesViewTest::TearDown();
    }

    CalendarPtr category(const QString& name, qint64 hidden = 0, qint64 projectType = 0, bool shared = false)
    {
        auto made = std::make_shared<Calendar>();
        made->setCalendarName(name);
        EXPECT_TRUE(made->insertIntoDatabase(db()));
        made->setInVisible(hidden);
        made->setProjectType(projectType);
        made->setCalendarOrder(made->primaryKey());
        if (shared) made->setExtraStatus(1);
        EXPECT_TRUE(made->dehydrate());
        dataManager().doWithCalendarList(CalendarList{made}, 0);
        return made;
    }
    CategoryShowHideView& open()
    {
        view = std::make_unique<CategoryShowHideView>();
        window->contentView()->addSubview(view.get());
        return *view;
    }
    CategoryTableView& table() { return *view->categoryTableView(); }
    int indexOf(const CalendarPtr& wanted)
    {
        const auto& rows = table().arrayOfCategories();
        for (std::size_t row = 0; row < rows.size(); ++row)
            if (auto* item = qobject_cast<CategoryListItemView*>(rows[row]); item && item->calendar() == wanted)
                return int(row);
        return -1;
    }
    CategoryListItemView* rowOf(const CalendarPtr& wanted)
    {
        const int row = indexOf(wanted);
        return row < 0 ? nullptr : static_cast<CategoryListItemView*>(table().arrayOfCategories()[std::size_t(row)]);
    }
    QStringList visibleNames()
    {
        QStringList names;
        for (const CalendarPtr& each : dataManager().calendarList())
            if (each->inVisible() == 0) names << each->calendarName();
        return names;
    }
    void pressDelete()
    {
        Event del;
        del.type = EventType::KeyDown;
        del.charactersIgnoringModifiers = QString(QChar(KeyCharacter::Delete));
        table().keyDown(del);
    }

    CalendarPtr home;
    std::unique_ptr<CategoryShowHideView> view;
    quint64 savedHeight = 0;
};

TEST_F(ShowHideViewTest, EveryOrdinaryCategoryIsListedAndTheViewFitsItsRowsUpToTheWindowsLimit)
{
    const struct Case {
        int more;  // ordinary categories beyond the four
        double totalHeight, viewHeight;
        bool scrolls;
    } cases[] = {{0, 172, 220, false}, {16, 780, 500, true}};
    const CalendarPtr hidden = category(QStringLiteral("Archive"), 1);
    category(QStringLiteral("Trips"));
    category(QStringLiteral("Shared"), 0, 0, true);
    category(QStringLiteral("Project"), 0, 1);  // not listed
    int added = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.more);
        for (; added < c.more; ++added) category(QStringLiteral("More %1").arg(added));
        open();
        EXPECT_EQ(table().totalHeight(), c.totalHeight);
        EXPECT_EQ(view->frame().height(), c.viewHeight);
        EXPECT_EQ(view->categoryScrollView()->frame().height(), c.viewHeight - 30);
        EXPECT_EQ(table().frame().height() > view->categoryScrollView()->contentSize().height(), c.scrolls);
        EXPECT_EQ(int(table().arrayOfCategories().size()), 5 + c.more);
        EXPECT_TRUE(table().isGroupRow(0));
        EXPECT_EQ(table().heightOfRow(0), 18);
        EXPECT_EQ(table().heightOfRow(1), 38);
        EXPECT_FALSE(table().shouldSelectRow(0));
        ASSERT_NE(rowOf(hidden), nullptr);
        EXPECT_EQ(rowOf(hidden)->hideBtn()->state(), 0) << "a hidden category is listed unticked";
        EXPECT_EQ(rowOf(home)->parentView(), &table());
    }
    saveScreenshot(view.get(), QStringLiteral("category-showhide-many"));
}

TEST_F(ShowHideViewTest, DeleteAsksRefusesTheOnlyVisibleDefaultAndLeavesSharedOnesAlone)
{
    enum class Asked { Nothing, Question, Refusal };
    const CalendarPtr trips = category(QStringLiteral("Trips"));
    const CalendarPtr shared = category(QStringLiteral("Shared"), 0, 0, true);
    const CalendarPtr archive = category(QStringLiteral("Archive"), 1);
    const TaskPtr flight = itemIn(trips, QStringLiteral("Flight"));
    const struct Case {
        CalendarPtr selected;  // null: no row selected
        int answer;
        Asked asked;
        bool deleted;
        bool hideShared = false;
    } cases[] = {
        {nullptr, 0, Asked::Nothing, false},
        {shared, 0, Asked::Nothing, false},
        {trips, AlertResponse::secondButton, Asked::Question, false},
        {home, AlertResponse::secondButton, Asked::Question, false},  // the shared one is visible too
        {home, AlertResponse::firstButton, Asked::Refusal, false, true},
        {trips, AlertResponse::firstButton, Asked::Question, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.selected ? c.selected->calendarName().toStdString() : "none");
        shared->setInVisible(c.hideShared ? 1 : 0);
        trips->setInVisible(c.hideShared ? 1 : 0);
        open();
        const qsizetype rowsBefore = qsizetype(table().arrayOfCategories().size());
        const double heightBefore = table().totalHeight();
        if (c.selected) table().selectRowIndexes({indexOf(c.selected)}, false);
        const qsizetype asked = alerts.requests().size();
        if (c.asked != Asked::Nothing) alerts.scriptButton(c.answer);
        pressDelete();
        ASSERT_EQ(alerts.requests().size() - asked, c.asked == Asked::Nothing ? 0 : 1);
        if (c.asked != Asked::Nothing) {
            const AlertRequest request = alerts.requests().back();
            EXPECT_EQ(request.informativeText, text(c.asked == Asked::Refusal ? "deleteCalendarErrorMessage"
                                                                              : "deleteCalendarMessage"));
        }
        EXPECT_EQ(qsizetype(table().arrayOfCategories().size()), rowsBefore - (c.deleted ? 1 : 0));
        EXPECT_EQ(table().totalHeight(), heightBefore) << "kept after a removal";
        EXPECT_EQ(dataManager().calendarWithPrimaryKey(trips->primaryKey()) == nullptr, c.deleted);
        EXPECT_EQ(Task::storedWithPrimaryKey(flight->primaryKey()) == nullptr, c.deleted) << "its items go with it";
    }
    EXPECT_TRUE(table().isGroupRow(0)) << "the header stays";
}

TEST_F(ShowHideViewTest, NoneHidesAllButTheDefaultAndAllShowsEveryCategoryProjectsIncluded)
{
    const CalendarPtr trips = category(QStringLiteral("Trips"));
    const CalendarPtr archive = category(QStringLiteral("Archive"), 1);
    const CalendarPtr project = category(QStringLiteral("Project"), 0, 1);
    itemIn(home, QStringLiteral("At home"));
    itemIn(trips, QStringLiteral("Flight"), QStringLiteral("/Travel"));
    itemIn(archive, QStringLiteral("Old"));
    itemIn(project, QStringLiteral("Step"), QStringLiteral("/Travel"));
    dataManager().insertTagIfNA(QStringLiteral("Travel"));
    dataManager().insertTagIfNA(QStringLiteral("Other"));
    const struct Case {
        bool all;
        bool tagFilter;
        QStringList visible, listed;
    } cases[] = {
        {false, false, {"Home"}, {"At home"}},
        {true, true, {"Home", "Trips", "Archive", "Project"}, {"At home", "Flight", "Step"}},
        {false, false, {"Home"}, {"At home"}},
        {true, false, {"Home", "Trips", "Archive", "Project"}, {"At home", "Flight", "Old", "Step"}},
        {true, false, {"Home", "Trips", "Archive", "Project"}, {"At home", "Flight", "Old", "Step"}},  // no change
    };
    dataManager().doWithAllTasksEventsAdes(std::nullopt, 1);
    dataManager().addTasksToListFromCalendarList({home->primaryKey(), trips->primaryKey(), project->primaryKey()});
    open();
    for (const Case& c : cases) {
        SCOPED_TRACE(10 * c.all + c.tagFilter);
        dataManager().setIsAppliedTagFilter(c.tagFilter);
        for (const TagPtr& tag : dataManager().tagList()) tag->setIsHidden(c.tagFilter && tag->tagName() != "Travel");
        main.clearCalls();
        PostedNotifications posted({kAutoSyncNotification});
        const TableRowView* lastRowBefore = table().arrayOfCategories().back();
        Clicks::click(window.get(), Clicks::inWindow(c.all ? view->showAllBtn() : view->showNoneBtn(), QPointF(25, 12)));
        EXPECT_EQ(visibleNames(), c.visible);
        EXPECT_EQ(Calendar::initWithPrimaryKey(project->primaryKey(), db())->inVisible(), c.all ? 0 : 1) << "stored";
        EXPECT_EQ(listedNames(), c.listed);
        const QList<qint64> requests = posted.autoSyncRequests();
        EXPECT_EQ(std::vector<qint64>(requests.begin(), requests.end()), std::vector<qint64>{AutoSync::categories});
        EXPECT_TRUE(main.calls().contains(QStringLiteral("reload")));
        EXPECT_NE(table().arrayOfCategories().back(), lastRowBefore) << "the table is rebuilt";
    }
}

TEST_F(ShowHideViewTest, ThePopoverPicture)
{
    category(QStringLiteral("Archive"), 1);
    category(QStringLiteral("Team plan"), 0, 0, true)->setColorGroupId(2);
    category(QStringLiteral("Trips"))->setColorNameId(5);
    CategoryShowHideViewController controller;
    controller.categoryShowHideViewPopOverAtPositionView(anchor);
    view.reset();
    auto* shown = static_cast<CategoryShowHideView*>(controller.customView());
    EXPECT_EQ(shown->frame().height(), 20 + 4 * 38 + 48);
    EXPECT_FALSE(saveScreenshot(controller.popover()->window(), QStringLiteral("category-showhide-popover")).isEmpty());
    auto* homeRow = static_cast<CategoryListItemView*>(shown->categoryTableView()->arrayOfCategories()[1]);
    EXPECT_FALSE(homeRow->hideBtn()->isEnabled()) << "the default category's box";
}

}  // namespace
}  // namespace ShowHideViewTests
