#include "CommandUnitFixture.h"

// Adding a category and keeping a usable default one: whichever statement
// fails, the command answers failure, lists no category the database lacks,
// leaves the default where it was and asks the calendar store for nothing.
namespace {

class CategoryUnitTest : public CommandUnitTest {
protected:
    CalendarPtr newCategory(const QString& name, qint64 projectType)
    {
        auto category = std::make_shared<Calendar>();
        category->setCalendarName(name);
        category->setProjectType(projectType);
        return category;
    }

    // The template's category stops being usable as the default.
    void shareTemplateCategory()
    {
        const CalendarPtr templateCategory = dataManager().calendarWithPrimaryKey(1);
        templateCategory->setExtraStatus(1);
        ASSERT_TRUE(templateCategory->dehydrate());
    }
};

}  // namespace

TEST_F(CategoryUnitTest, NewCategoryIsStoredListedAndSyncedOrNotAtAll)
{
    struct Case {
        const char* what;
        QString name;
        qint64 projectType;
        QString storedName;
        QString storeCalls;
    };
    switchWebSync(true);
    for (const Case& c : {Case{"ordinary, its name taken", QStringLiteral("Zoravel"), 0, QStringLiteral("Zoravel_1"),
                               QStringLiteral("insertCalendar")},
                          Case{"checklist", QStringLiteral("Groceries"), 1, QStringLiteral("Groceries"), QString()}}) {
        SCOPED_TRACE(c.what);
        calendarStore().clearCalls();
        const auto storeCalls = storeCallsOf({QStringLiteral("insertCalendar")});
        const CalendarPtr category = newCategory(c.name, c.projectType);

        expectAllOrNothing(db(), [&] { return dataManager().addCalendarToCalendarList(category, true, true); }, anyPost,
                           [&]() -> QString { return allornothing::describe(*category) + storeCalls(); });

        EXPECT_EQ(Calendar::initWithPrimaryKey(category->primaryKey(), db())->calendarName(), c.storedName);
        EXPECT_EQ(dataManager().calendarWithPrimaryKey(category->primaryKey()), category);
        EXPECT_EQ(storeCalls(), c.storeCalls);
    }
}

TEST_F(CategoryUnitTest, DefaultCategoryIsCreatedAndMadeTheDefaultOrNotAtAll)
{
    switchWebSync(true);
    CalendarPtr created;

    expectAllOrNothing(
        db(),
        [&] {
            created = dataManager().createDefaultCategoryAutoSyncZVW(true);
            return created != nullptr;
        },
        anyPost, storeCallsOf({QStringLiteral("insertCalendar")}));

    ASSERT_NE(created, nullptr);
    EXPECT_EQ(created->calendarName(), QStringLiteral("Zoravel_1"));
    EXPECT_EQ(setting().calendarDefID(), created->primaryKey());
    EXPECT_FALSE(setting().dirty()) << "saved";
}

TEST_F(CategoryUnitTest, UnusableDefaultIsReplacedOrNothingChanges)
{
    for (const bool anyUsable : {true, false}) {
        SCOPED_TRACE(anyUsable ? "a hidden category is shown" : "a new category is made");
        setting().setCalendarDefID(1);
        ASSERT_TRUE(setting().dehydrate());
        dataManager().doWithAllTasksEventsAdes(std::nullopt, 1);
        shareTemplateCategory();
        CalendarPtr hidden;
        TaskPtr waiting;
        if (anyUsable) {
            waiting = webTask(QStringLiteral("waiting"), 500, localDate(2014, 1, 15, 17, 0));
            hidden = categoryWith({waiting});
            hidden->setInVisible(1);
            ASSERT_TRUE(hidden->dehydrate());
            dataManager().doWithAllTasksEventsAdes(std::nullopt, 1);
        }

        expectAllOrNothing(db(), [&] { return dataManager().checkAndSetDefaultCategory(); }, anyPost);

        const CalendarPtr chosen = dataManager().calendarWithPrimaryKey(setting().calendarDefID());
        ASSERT_NE(chosen, nullptr);
        EXPECT_FALSE(setting().dirty()) << "saved";
        EXPECT_FALSE(chosen->isShared());
        EXPECT_EQ(chosen->inVisible(), 0);
        if (anyUsable) {
            EXPECT_EQ(chosen, hidden);
            EXPECT_EQ(Calendar::initWithPrimaryKey(hidden->primaryKey(), db())->inVisible(), 0);
            ASSERT_EQ(dataManager().allTasksEventsAdes().size(), 1) << "its tasks are shown with it";
            EXPECT_EQ(dataManager().allTasksEventsAdes().first()->primaryKey(), waiting->primaryKey());
        }
        // The next round starts from a category nobody may use.
        chosen->setExtraStatus(1);
        ASSERT_TRUE(chosen->dehydrate());
    }
}
