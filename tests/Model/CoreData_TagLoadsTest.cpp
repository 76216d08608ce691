#include "TaskTestFixture.h"

namespace {

class TagLoadsTest : public TaskTest {
protected:
    TaskPtr itemIn(const CalendarPtr& category, const QString& name, const QString& tags = QStringLiteral(""))
    {
        auto item = std::make_shared<Task>();
        item->setTaskName(name);
        item->setCalendarId(category->primaryKey());
        item->setTagList(tags);
        EXPECT_TRUE(item->insertIntoDatabase());
        EXPECT_TRUE(item->dehydrate());
        return item;
    }

    QStringList listedNames() const
    {
        QStringList names;
        for (const TaskPtr& item : const_cast<TagLoadsTest*>(this)->dataManager().allTasksEventsAdes())
            names << item->taskName();
        names.sort();
        return names;
    }
};

}  // namespace

TEST_F(TagLoadsTest, TheTagFilterLoadsWholeTaggedCategoriesAndTaggedItemsOfOthers)
{
    const CalendarPtr work = addCategory(0, 0, QStringLiteral("/Work"));
    const CalendarPtr home = addCategory(0, 0, QStringLiteral(""));
    const CalendarPtr hidden = addCategory(0, 1, QStringLiteral(""));
    itemIn(work, QStringLiteral("report"));
    itemIn(home, QStringLiteral("laundry"));
    itemIn(home, QStringLiteral("call boss"), QStringLiteral("/work"));
    itemIn(hidden, QStringLiteral("secret"), QStringLiteral("/Work"));

    dataManager().getTaskWithTag({QStringLiteral("WORK")});
    EXPECT_EQ(listedNames(), (QStringList{QStringLiteral("call boss"), QStringLiteral("report")}));

    // No shown tag: only untagged categories, and of them only untagged items.
    dataManager().getTaskWithTag({});
    EXPECT_EQ(listedNames(), (QStringList{QStringLiteral("laundry")}));
}

TEST_F(TagLoadsTest, OneCategoryAddsItsShareAndAHiddenOneNothing)
{
    const CalendarPtr work = addCategory(0, 0, QStringLiteral("/Work"));
    const CalendarPtr hidden = addCategory(0, 1, QStringLiteral("/Work"));
    itemIn(work, QStringLiteral("report"));
    itemIn(hidden, QStringLiteral("secret"));
    EXPECT_FALSE(dataManager().addTasksToListFromCalendar(hidden, {QStringLiteral("Work")}));
    EXPECT_TRUE(dataManager().addTasksToListFromCalendar(work, {}));
    EXPECT_TRUE(listedNames().isEmpty()) << "a tagged category adds nothing when no tag is shown";
    EXPECT_TRUE(dataManager().addTasksToListFromCalendar(work, {QStringLiteral("work")}));
    EXPECT_EQ(listedNames(), (QStringList{QStringLiteral("report")}));
}

TEST_F(TagLoadsTest, AHiddenCategoryMadeTheDefaultBringsItsItemsIntoTheList)
{
    // Only a hidden ordinary category is left once the default is gone.
    exec(QStringLiteral("DELETE FROM Calendars WHERE primaryKey=1"));
    dataManager().doWithCalendarList(CalendarList{}, 2);
    const CalendarPtr hidden = addCategory(0, 1, QStringLiteral(""));
    itemIn(hidden, QStringLiteral("waiting"));
    setting().setCalendarDefID(999);  // a category that is gone
    dataManager().checkAndSetDefaultCategory();
    EXPECT_EQ(setting().calendarDefID(), hidden->primaryKey());
    EXPECT_EQ(hidden->inVisible(), 0);
    EXPECT_EQ(listedNames(), (QStringList{QStringLiteral("waiting")}));
}
