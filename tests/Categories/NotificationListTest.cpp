// The list of items and projects with unread comments: its rows and
// height, and the click that opens one on its conversation tab.
#include "CategoriesTestFixture.h"
#include "MainViewHeight.h"
#include "NotificationList.h"
#include "NotificationViewController.h"
#include "Popover.h"
#include "Screenshot.h"
#include "ScrollView.h"
#include "TextField.h"
#include "TextTable.h"
#include "ZVComment.h"

#include <gtest/gtest.h>

namespace NotificationListTests {
namespace {

class NotificationListTest : public CategoriesViewTest {
protected:
    void SetUp() override
    {
        CategoriesViewTest::SetUp();
        savedHeight = mainViewHeight;
        mainViewHeight = 600;
    }
    void TearDown() override
    {
        list.reset();
        mainViewHeight = savedHeight;
        CategoriesViewTest::TearDown();
    }
    // Unread (status 0) or read comments on an item (type 0) or a category (1).
    void comments(qint64 itemKey, qint64 type, int count, qint64 status = 0)
    {
        for (int n = 0; n < count; ++n) {
            ZVComment comment;
            comment.setItemKey(itemKey);
            comment.setType(type);
            comment.setStatus(status);
            comment.setContent(QStringLiteral("Seen?"));
            ASSERT_TRUE(comment.insertIntoDatabase(db()).has_value());
        }
    }
    NotificationTableView& table() { return *list->notifTableView(); }
    NotificationTableView& open()
    {
        list = std::make_unique<NotificationList>();
        window->contentView()->addSubview(list.get());
        return table();
    }
    QPoint rowCentre(int row) { return Clicks::inWindow(&table(), table().rectOfRow(row).center()); }

    std::unique_ptr<NotificationList> list;
    quint64 savedHeight = 0;
};

TEST_F(NotificationListTest, OneRowPerItemOrProjectWithUnreadCommentsAndTheListStopsAtTheLimit)
{
    const TaskPtr flight = itemIn(dataManager().calendarList().front(), QStringLiteral("Flight"));
    const CalendarPtr project = dataManager().calendarList().front();
    comments(flight->primaryKey(), 0, 2);
    comments(flight->primaryKey(), 0, 3, 1);      // read ones do not count
    comments(project->primaryKey(), 1, 1);        // the same key as the item: a row of its own
    comments(999, 0, 1);                          // on an item that is gone
    const struct Case {
        int moreItems;
        int rows;
        double height;
        bool scrolls;
    } cases[] = {{0, 3, 141, false}, {20, 23, 500, true}};
    int added = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rows);
        for (; added < c.moreItems; ++added) comments(2000 + added, 0, 1);
        open();
        ASSERT_EQ(int(table().arrayOfNotifications().size()), c.rows);
        EXPECT_EQ(table().totalHeight(), 45.0 * c.rows);
        EXPECT_EQ(list->frame().height(), c.height);
        EXPECT_EQ(table().frame().height() > list->notifScrollView()->contentSize().height(), c.scrolls);
        const auto& rows = table().arrayOfNotifications();
        EXPECT_EQ(rows[0]->unreadNumberLabel()->stringValue(),
                  TextTable::localizedString(QStringLiteral("unreadCommentOnText")).arg(2));
        EXPECT_EQ(rows[0]->itemInfo()->stringValue(), QStringLiteral("Flight"));
        EXPECT_TRUE(rows[0]->itemInfo()->textFont().isBold());
        EXPECT_EQ(rows[0]->frame().height(), 45);
        EXPECT_TRUE(rows[1]->itemInfo()->stringValue().isEmpty()) << "the item that is gone";
        EXPECT_EQ(rows.back()->dataObject().itemType(), 1) << "projects come after items";
    }
}

TEST_F(NotificationListTest, WithNoUnreadCommentTheListIsEmptyAndNoHigh)
{
    comments(1, 0, 2, 1);
    open();
    EXPECT_TRUE(table().arrayOfNotifications().empty());
    EXPECT_EQ(list->frame().height(), 0);
}

TEST_F(NotificationListTest, AClickOpensTheItemOrTheProjectOnItsConversationAndNothingThatIsGone)
{
    const CalendarPtr project = dataManager().calendarList().front();
    const TaskPtr flight = itemIn(project, QStringLiteral("Flight"));
    const TaskPtr dropped = itemIn(project, QStringLiteral("Dropped"));
    comments(flight->primaryKey(), 0, 1);
    comments(dropped->primaryKey(), 0, 1);
    comments(project->primaryKey(), 1, 1);
    comments(4242, 1, 1);  // a project that is gone
    open();
    ASSERT_TRUE(dropped->deleteFromDatabase());
    const struct Case {
        int row;
        bool doubleClick;
        QStringList calls;
    } cases[] = {
        {0, false, {QStringLiteral("showItemDetail %1 1").arg(flight->primaryKey())}},
        {1, false, {}},
        {2, false, {QStringLiteral("showCalendarDetail %1 1").arg(project->primaryKey())}},
        {3, false, {}},
        {0, true, {QStringLiteral("showItemDetail %1 1").arg(flight->primaryKey())}},  // the first press only
        {7, false, {}},  // below the rows
    };
    list->setFrameSize(QSizeF(300, 400));
    table().setFrameSize(QSizeF(300, 400));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.row);
        main.clearCalls();
        const QPoint at = c.row < 4 ? rowCentre(c.row) : Clicks::inWindow(&table(), QPointF(150, 350));
        c.doubleClick ? Clicks::doubleClick(window.get(), at) : Clicks::click(window.get(), at);
        EXPECT_EQ(main.calls(), c.calls);
    }
}

TEST_F(NotificationListTest, ThePopoverPicture)
{
    const CalendarPtr project = dataManager().calendarList().front();
    project->setCalendarName(QStringLiteral("Kitchen renovation"));
    ASSERT_TRUE(project->dehydrate());
    comments(itemIn(project, QStringLiteral("Choose the tiles"))->primaryKey(), 0, 3);
    comments(itemIn(project, QStringLiteral("Ask the plumber about the pipes under the old sink"))->primaryKey(), 0, 1);
    comments(project->primaryKey(), 1, 2);
    NotificationViewController controller;
    controller.showNotificationViewPopOverAtPositionView(anchor);
    EXPECT_EQ(controller.customView()->frame().size(), QSizeF(300, 141));
    EXPECT_FALSE(saveScreenshot(controller.popover()->window(), QStringLiteral("notification-popover")).isEmpty());
}

}  // namespace
}  // namespace NotificationListTests
