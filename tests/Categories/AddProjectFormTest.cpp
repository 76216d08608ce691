// The add-project form in its popover and as the add panel's category page:
// the category it makes, the new default and its settings push, the reset
// after a creation and the heights it asks for.
#include "CategoriesTestFixture.h"
#include "AddView.h"
#include "Button.h"
#include "CategoryPopOverDetailView.h"
#include "CategoryViewController.h"
#include "ColorView.h"
#include "ManualScheduler.h"
#include "Matrix.h"
#include "Notifications.h"
#include "Popover.h"
#include "QuickAddView.h"
#include "RecordingZVWSync.h"
#include "Screenshot.h"
#include "SegmentedControl.h"
#include "Tag.h"
#include "TextField.h"
#include "TextTable.h"
#include "../Model/Notifications.h"
#include "../Model/PostedNotifications.h"

#include <gtest/gtest.h>

namespace AddProjectFormTests {
namespace {

class AddProjectFormTest : public CategoriesViewTest {
protected:
    void SetUp() override
    {
        CategoriesViewTest::SetUp();
        Scheduler::setCurrent(&scheduler);
        auto sync = std::make_unique<RecordingZVWSync>();
        web = sync.get();
        dataManager().setZVWSync(std::move(sync));
        AddView::setFormMaker(AddView::ProjectEditor, CategoryPopOverDetailView::formMaker());
        bar = new QuickAddView(QRectF(300, 10, 280, 28));
        window->contentView()->addSubview(bar);
        main.quickAdd = bar;
    }
    void TearDown() override
    {
        AddView::setFormMaker(AddView::ProjectEditor, {});
        CategoriesViewTest::TearDown();
        Scheduler::setCurrent(nullptr);
    }

    CategoryPopOverDetailView* openPopover()
    {
        controller.addCategoryPopOverAtPositionView(anchor);
        return static_cast<CategoryPopOverDetailView*>(controller.customView());
    }
    // As a user: the swatch through the picker, the switches and the add
    // button by clicks; the tags as the token field holds them.
    void fillAndAdd(CategoryPopOverDetailView* form, qint64 colour, bool isDefault, bool transparent,
                    const QStringList& tags)
    {
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
    // Typing grows the bar; then the category page chosen in the add panel,
    // as a click on its segment.
    CategoryPopOverDetailView* openPage(const QString& typed)
    {
        bar->searchAndAdd()->setStringValue(typed);
        bar->controlTextDidChange();
        AddView* panel = bar->addView();
        panel->menuSegmentedControl()->setSelectedSegment(AddView::ProjectEditor);
        panel->menuControl(panel->menuSegmentedControl());
        return static_cast<CategoryPopOverDetailView*>(panel->categoryForm()->view());
    }
    CalendarPtr lastCategory() { return dataManager().calendarList().back(); }
    QStringList tagNames()
    {
        QStringList names;
        for (const TagPtr& tag : dataManager().tagList()) names << tag->tagName();
        return names;
    }

    ManualScheduler scheduler;
    RecordingZVWSync* web = nullptr;
    QuickAddView* bar = nullptr;
    CategoryViewController controller;
};

TEST_F(AddProjectFormTest, TheNewCategoryTakesTheBarsTextAndTheFormsChoices)
{
    dataManager().insertTagIfNA(QStringLiteral("Gym"));
    const struct Case {
        const char* typed;
        qint64 colour;
        bool transparent;
        QStringList tags;
        QString name;
        QString tagList;
        QStringList tagsAfter;
    } cases[] = {
        {"Trips", 13, true, {"Gym", "Home"}, "Trips", "/Gym/Home", {"Gym", "Home"}},
        {"trips", 0, false, {}, "trips_1", "", {"Gym", "Home"}},
        {"", 31, false, {"a", "b", "a"}, TextTable::localizedString(QStringLiteral("untitledText")), "/a/b",
         {"Gym", "Home", "a", "b"}},
        {"   ", 8, false, {"gym", "HOME"}, TextTable::localizedString(QStringLiteral("untitledText")) + "_1",
         "/gym/HOME", {"Gym", "Home", "a", "b"}},  // kept as typed, no new tag
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        main.clearCalls();
        PostedNotifications posted({kPopoverShouldClose});
        bar->searchAndAdd()->setStringValue(QString::fromLatin1(c.typed));
        const qsizetype before = dataManager().calendarList().size();
        fillAndAdd(openPopover(), c.colour, false, c.transparent, c.tags);
        ASSERT_EQ(dataManager().calendarList().size(), before + 1);
        const CalendarPtr made = lastCategory();
        const CalendarPtr stored = Calendar::initWithPrimaryKey(made->primaryKey(), db());
        EXPECT_EQ(stored->calendarName(), c.name);
        EXPECT_EQ(stored->colorGroupId() * 8 + stored->colorNameId(), c.colour);
        EXPECT_EQ(stored->isTransparent(), c.transparent);
        EXPECT_EQ(stored->tagList(), c.tagList);
        EXPECT_EQ(stored->projectType(), 0);
        EXPECT_EQ(tagNames(), c.tagsAfter);
        EXPECT_TRUE(main.calls().contains(QStringLiteral("reloadCategory")));
        EXPECT_FALSE(posted.posts().isEmpty());
        EXPECT_EQ(controller.popover(), nullptr) << "the popover closes";
    }
}

TEST_F(AddProjectFormTest, ANewDefaultIsStoredAtOnceAndItsPushWaitsForTheProjectOnTheService)
{
    enum class Then { Nothing, FlagSet, Failure, TimeLimit };
    const struct Case {
        bool autoSync;
        Then then;
        qint64 settingsPushes;
    } cases[] = {{false, Then::FlagSet, 0},
                 {true, Then::FlagSet, 1},
                 {true, Then::Failure, 0},
                 {true, Then::TimeLimit, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.then) + 10 * c.autoSync);
        setting().setAutoZVWSync(c.autoSync);
        web->setCanSyncSettingAfterSyncProjectDefault(true);  // from an earlier default
        PostedNotifications posted({kAutoSyncNotification});
        bar->searchAndAdd()->setStringValue(QStringLiteral("Work"));
        fillAndAdd(openPopover(), 0, true, false, {});
        EXPECT_EQ(setting().calendarDefID(), lastCategory()->primaryKey()) << "stored before any wait";
        EXPECT_EQ(Setting::initWithPrimaryKey(1, db())->calendarDefID(), lastCategory()->primaryKey());
        EXPECT_EQ(CategoryPopOverDetailView::isWaitingToPushDefault(), c.autoSync);
        scheduler.advance(5);
        EXPECT_FALSE(posted.autoSyncRequests().contains(AutoSync::settings)) << "nothing before the project";
        if (c.then == Then::Failure)
            NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kServerErrorNotification,
                                                                                 QStringLiteral("offline"));
        if (c.then == Then::TimeLimit) scheduler.advance(CategoryPopOverDetailView::defaultPushTimeout);
        web->setCanSyncSettingAfterSyncProjectDefault(true);
        scheduler.advance(1);
        EXPECT_EQ(posted.autoSyncRequests().count(AutoSync::settings), c.settingsPushes);
        EXPECT_EQ(web->canSyncSettingAfterSyncProjectDefault(), c.settingsPushes == 0) << "put back after the push";
        EXPECT_FALSE(CategoryPopOverDetailView::isWaitingToPushDefault());
        QApplication::processEvents();
    }
}

TEST_F(AddProjectFormTest, AsTheAddPanelsPageItEmptiesTheBarAndStartsOverAfterACreation)
{
    AddView* panel = bar->addView();
    CategoryPopOverDetailView* form = openPage(QStringLiteral("Garden"));
    ASSERT_EQ(form->parentView(), panel);
    ASSERT_FALSE(panel->isHidden());
    form->setColor(21);
    form->transparentBtn()->setState(1);
    form->tagDetailView()->setObjectValue({QStringLiteral("Gym")});
    form->addCategory();
    EXPECT_EQ(lastCategory()->calendarName(), QStringLiteral("Garden"));
    EXPECT_EQ(lastCategory()->colorGroupId(), 2);
    EXPECT_TRUE(bar->searchAndAdd()->stringValue().isEmpty());
    EXPECT_TRUE(panel->isHidden());
    EXPECT_EQ(form->posOfColor(), 0);
    EXPECT_EQ(form->transparentBtn()->state() + form->defaultBtn()->state(), 0);
    EXPECT_TRUE(form->tagDetailView()->objectValue().isEmpty());
}

TEST_F(AddProjectFormTest, TheFormsHeightFollowsTheTagFieldAndTheDefaultRow)
{
    const QStringList twoLines = {"Garden", "Groceries", "Kitchen"};
    const struct Case {
        int type;
        QStringList tags;
        double ownHeight, popoverHeight, barHeight;
    } cases[] = {
        {0, {}, 173, 152, 202},
        {0, twoLines, 192, 171, 221},
        {1, {}, 146, 125, 175},  // the default row hidden, last: the page keeps it so
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tags.size() + c.type);
        CategoryPopOverDetailView* form = openPopover();
        AddView* panel = bar->addView();
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
        EXPECT_EQ(panel->frame().height(), c.barHeight) << "what the bar is told";
        EXPECT_EQ(panel->tabView()->frame().height(), c.popoverHeight);
        NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kPopoverShouldClose);
    }
}

TEST_F(AddProjectFormTest, Pictures)
{
    CategoryPopOverDetailView* page = openPage(QStringLiteral("Trips"));
    CategoryPopOverDetailView* form = openPopover();
    for (CategoryPopOverDetailView* each : {form, page}) {
        each->setColor(13);
        each->transparentBtn()->setState(1);
        each->tagDetailView()->setObjectValue({QStringLiteral("Gym"), QStringLiteral("Home")});
        each->tagDetailView()->resizeTokenField();
    }
    EXPECT_FALSE(saveScreenshot(controller.popover()->window(), QStringLiteral("add-project-popover")).isEmpty());
    EXPECT_FALSE(saveScreenshot(bar, QStringLiteral("add-project-quick-add-page")).isEmpty());
}

}  // namespace
}  // namespace AddProjectFormTests
