// Pictures of the task pane for people to look at: the week's groups, the
// due filter, rows of every kind, and a resize drag under way.
#include "TaskListPaneFixture.h"

#include "LinkListForTableItem.h"
#include "Screenshot.h"

namespace {

Event dragEvent(View& view, EventType type, double y, double deltaY = 0)
{
    Event event;
    event.type = type;
    event.clickCount = type == EventType::LeftMouseDown ? 1 : 0;
    event.locationInWindow = view.convertPointToWindow(QPointF(100, y));
    event.deltaY = deltaY;
    return event;
}

}  // namespace

TEST_F(TaskPaneTest, ScreenshotOfTheWeeksGroupsAndTheRest)
{
    const TaskPtr a = ordered(QStringLiteral("Write the quarterly report"), 1, [](Task& t) { t.setRepeatType(2); });
    const TaskPtr b = ordered(QStringLiteral("Call the plumber"), 2, [](Task& t) { t.setIsPinned(1); });
    const TaskPtr c = ordered(QStringLiteral("Prepare the workshop slides"), 3);
    const TaskPtr d = ordered(QStringLiteral("Book the train to Lyon"), 4, [](Task& t) { t.setTaskLocation(QStringLiteral("Gare de Lyon")); });
    ordered(QStringLiteral("Renew the library card"), 5);
    ordered(QStringLiteral("Sort the photos of the summer"), 6);
    plan({{"monText", {a, b}}, {"tueText", {c}}, {"thuText", {d}}});
    pane().reloadTaskIfNeeded();
    const QString path = saveScreenshot(&pane(), QStringLiteral("tasklist-week-groups"));
    EXPECT_FALSE(path.isEmpty());
    EXPECT_EQ(shown().size(), 9);
}

TEST_F(TaskPaneTest, ScreenshotOfTheDueFilter)
{
    const auto due = [](int day, int hour) {
        return [day, hour](Task& t) {
            t.setHasDue(1);
            t.setDueEnd(localDate(2014, 1, day, hour));
        };
    };
    ordered(QStringLiteral("Pay the electricity bill"), 1, due(10, 12));
    ordered(QStringLiteral("Send the contract back"), 2, due(13, 18));
    ordered(QStringLiteral("Order the birthday cake"), 3, due(16, 9));
    ordered(QStringLiteral("File the tax return"), 4, due(24, 9));
    chooseSegment(3);
    saveScreenshot(&pane(), QStringLiteral("tasklist-due-filter"));
    ASSERT_EQ(shown().size(), 4);
    EXPECT_EQ(shown().front(), QStringLiteral("Pay the electricity bill")) << "soonest due first";
}

TEST_F(TaskPaneTest, ScreenshotOfRowsOfEveryKind)
{
    setting().setMustDo(2);
    View sheet(QRectF(0, 0, 320, 8 * 55));
    sheet.setFlipped(true);
    std::vector<std::unique_ptr<TaskListItemView>> rows;
    const auto place = [&](const TaskPtr& item, bool selected = false) {
        auto row = std::make_unique<TaskListItemView>();
        row->setTask(item);
        row->setFrame(QRectF(0, double(rows.size()) * 55, 320, 55));
        row->setSelected(selected);
        sheet.addSubview(row.get());
        rows.push_back(std::move(row));
    };
    place(event(QStringLiteral("Team meeting"), localDate(2014, 1, 13, 9), localDate(2014, 1, 13, 10, 30)));
    place(event(QStringLiteral("Conference in Berlin"), localDate(2014, 1, 14), localDate(2014, 1, 16, 23, 59),
                [](Task& t) { t.setIsADE(1); }));
    place(event(QStringLiteral("Focus time"), localDate(2014, 1, 13, 14), localDate(2014, 1, 13, 15),
                [](Task& t) { t.setIsSheduledTask(1); }));
    const TaskPtr linked = task(QStringLiteral("Review the budget"), [](Task& t) { t.setRepeatType(1); });
    const TaskPtr other = task(QStringLiteral("Budget sheet"));
    dataManager().setCopiedItem(other);
    ASSERT_TRUE(dataManager().pasteToMakeLinkWith(linked));
    ASSERT_TRUE(linked->hasLink());
    place(linked);
    const auto mustDo = [](Task& t) {
        t.setHasDue(1);
        t.setDueEnd(localDate(2014, 1, 13, 18));
    };
    const TaskPtr urgent = task(QStringLiteral("Answer the landlord"), mustDo);
    urgent->setNpIsMustDo(true);
    place(urgent);
    const TaskPtr urgentSelected = task(QStringLiteral("Fix the login page"), mustDo);
    urgentSelected->setNpIsMustDo(true);
    place(urgentSelected, true);
    place(task(QStringLiteral("Translate the leaflet"), [](Task& t) {
        t.setIsShared(true);
        t.setAssigneeEmail(QStringLiteral("me@example.com"));
        t.setDelegateStatus(0);
        t.setDelegateDate(localDate(2014, 1, 12, 8));
    }));
    place(task(QStringLiteral("Water the plants")));
    saveScreenshot(&sheet, QStringLiteral("tasklist-row-kinds"));
    EXPECT_FALSE(rows[6]->acceptRejectBtn()->isHidden());
    EXPECT_FALSE(rows[3]->linkItem()->isHidden());
    EXPECT_TRUE(rows[4]->isMustDo());
}

TEST_F(TaskPaneTest, ScreenshotDuringAResizeDrag)
{
    ordered(QStringLiteral("Plan the team lunch"), 1);
    ordered(QStringLiteral("Update the website"), 2);
    pane().reloadTaskIfNeeded();
    const double height = pane().bounds().height();
    pane().mouseDown(dragEvent(pane(), EventType::LeftMouseDown, height - 2));
    pane().mouseDragged(dragEvent(pane(), EventType::LeftMouseDragged, height, 200));
    EXPECT_EQ(pane().frame().height(), height - 200);
    EXPECT_FALSE(pane().tableScrollView()->isScrollerShown()) << "two rows fit the shorter pane";
    saveScreenshot(&pane(), QStringLiteral("tasklist-resize-drag"));
    pane().mouseUp(dragEvent(pane(), EventType::LeftMouseUp, height - 200));
}
