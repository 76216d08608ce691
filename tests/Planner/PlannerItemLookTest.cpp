#include "PlannerItemTestFixture.h"

#include "Color.h"
#include "Font.h"
#include "Screenshot.h"
#include "TaskView.h"
#include "TextField.h"
#include "UIUtilities.h"

namespace PlannerItemLookTests {

using PlannerItemLookTest = PlannerItemTest;

QColor pixelOf(PlannerBaseItem* view, const QPointF& at)
{
    return view->imageRepresentative().pixelColor(at.toPoint());
}

TEST_F(PlannerItemLookTest, ChipsShowTheirKindSelectionAndBadge)
{
    setting().setZvwUserName(QStringLiteral("me@example.com"));
    struct Case {
        const char* name;
        qint64 type;
        bool allDay;
        qint64 delegateStatus;
        QString assignee;
        QString badge;
        double labelX, labelWidth;  // in a chip 200 wide
    };
    const Case cases[] = {
        {"task delegated to the user", 1, false, 1, QStringLiteral("ME@Example.com"), QStringLiteral("ss_assigntome"),
         18, 162},
        {"task delegated by the user", 1, false, 1, QStringLiteral("other@example.com"),
         QStringLiteral("ss_assignbyme"), 18, 162},
        {"task given away, not yet taken", 1, false, 0, QStringLiteral("other@example.com"),
         QStringLiteral("ss_assignbyme"), 18, 162},
        {"plain task", 1, false, 0, QString(), QString(), 18, 182},
        {"timed event", 0, false, 1, QStringLiteral("me@example.com"), QString(), 18, 182},
        {"all-day event", 0, true, 0, QString(), QString(), 5, 195},
    };
    for (const Case& c : cases) {
        const TaskPtr item = stored(c.type, QStringLiteral("Line one\nline two"), at(15, 9), at(15, 10), c.allDay);
        item->setDelegateStatus(c.delegateStatus);
        item->setAssigneeEmail(c.assignee);
        PlannerItemView* view = chip(item, QRectF(15, 20, 200, 18));
        EXPECT_EQ(PlannerItemView::badgeName(*item, setting().zvwUserName()), c.badge) << c.name;
        EXPECT_EQ(view->taskNameLabel()->stringValue(), QStringLiteral("Line one line two")) << c.name;
        EXPECT_EQ(view->taskNameLabel()->frame().x(), c.labelX) << c.name;
        EXPECT_EQ(view->taskNameLabel()->frame().width(), c.labelWidth) << c.name;
        m_month->selectItem(view);
        const QColor corner = pixelOf(view, {196, 1});
        if (c.allDay) {
            const QImage bar = UIUtilities::getTaskBackgroundImage(Utilities::colorInGroup(0, 0), 0.8, QSizeF(200, 18),
                                                                   6, false);
            EXPECT_EQ(corner, bar.pixelColor(196, 1)) << c.name << ": the bar at 0.8, no fill";
            EXPECT_EQ(view->taskNameLabel()->textColor(), Color::white()) << c.name;
        } else {
            EXPECT_EQ(corner, PlannerItemView::highlightFill) << c.name;
        }
    }
}

TEST_F(PlannerItemLookTest, BlocksNameTheirPlaceMarkScheduledTasksAndFollowTheFontSize)
{
    const TaskPtr lunch = stored(0, QStringLiteral("Lunch"), at(15, 12), at(15, 13));
    lunch->setTaskLocation(QStringLiteral("Cafe"));
    PlannerWeeklyItemView* lunchBlock = block(lunch, 12, 13);
    EXPECT_EQ(lunchBlock->taskNameLabel()->stringValue(), QStringLiteral("Lunch - Cafe"));
    EXPECT_EQ(lunchBlock->taskNameLabel()->frame().x(), 5);

    const TaskPtr planned = stored(0, QStringLiteral("Planned"), at(15, 14), at(15, 15));
    planned->setIsSheduledTask(true);
    PlannerWeeklyItemView* plannedBlock = block(planned, 14, 15);
    EXPECT_EQ(plannedBlock->taskNameLabel()->frame().x(), 17);
    EXPECT_EQ(plannedBlock->taskNameLabel()->frame().width(), 100 - 10 - 12);
    EXPECT_NE(pixelOf(plannedBlock, {6, 6}), pixelOf(lunchBlock, {6, 6})) << "the mark is drawn at (3, 2)";

    setting().setCurrentFontSize(16);
    NotificationCenter::defaultCenter().postNotificationName(TaskView::currentFontSizeChangedNotification, nullptr);
    EXPECT_EQ(lunchBlock->taskNameLabel()->textFont(), Font::fontWithName(QStringLiteral("Lucida Grande"), 16));
}

TEST_F(PlannerItemLookTest, TheCursorOverAnEdgeSaysWhichWayItMoves)
{
    struct Case {
        const char* name;
        bool block;
        QPointF at;
        CursorShape expected;
    };
    const Case cases[] = {
        {"left edge of an all-day chip", false, {2, 9}, CursorShape::ResizeLeftRight},
        {"top edge of a block", true, {50, 2}, CursorShape::ResizeUpDown},
    };
    for (const Case& c : cases) {
        const TaskPtr item = stored(0, QString::fromLatin1(c.name), at(15, 9), at(15, 10), !c.block);
        PlannerBaseItem* view = c.block ? static_cast<PlannerBaseItem*>(block(item, 9, 10))
                                        : static_cast<PlannerBaseItem*>(chip(item));
        view->setCursorShape(CursorShape::Arrow);
        ItemPointer(view).hover(c.at);
        EXPECT_EQ(View::currentCursorShape(), c.expected) << c.name;
    }
}

// Every kind of chip and block on a white page, for people to look at.
TEST_F(PlannerItemLookTest, ChipsAndBlocksScreenshots)
{
    setting().setZvwUserName(QStringLiteral("me@example.com"));
    CustomNSView page(QRectF(0, 0, 460, 330));
    page.setBackgroundColor(Color::white());
    m_month->setFrame(QRectF(0, 0, 230, 330));
    page.addSubview(m_month.get());
    m_grid->setFrame(QRectF(230, 0, 230, 1175));
    page.addSubview(m_grid.get());

    const auto addChip = [&](qint64 type, const char* name, bool allDay, int row, auto adjust) {
        const TaskPtr item = stored(type, QString::fromLatin1(name), at(15, 9), at(15, 10), allDay);
        adjust(*item);
        return chip(item, QRectF(15, 10 + row * 22, 200, 18));
    };
    const auto none = [](Task&) {};
    addChip(1, "Open task", false, 0, none);
    addChip(1, "Done task", false, 1, [](Task& t) { t.setStatus(1); });
    addChip(3, "Note", false, 2, none);
    addChip(0, "Timed event", false, 3, none);
    addChip(0, "Scheduled event", false, 4, [](Task& t) { t.setIsSheduledTask(true); });
    addChip(0, "All-day event", true, 5, none);
    addChip(0, "All-day, selected", true, 6, none)->setHighlight(true);
    addChip(1, "Given to me", false, 7, [](Task& t) {
        t.setDelegateStatus(1);
        t.setAssigneeEmail(QStringLiteral("me@example.com"));
    });
    addChip(1, "Given by me", false, 8, [](Task& t) { t.setAssigneeEmail(QStringLiteral("you@example.com")); });
    addChip(1, "Selected task", false, 9, none)->setHighlight(true);

    const auto addBlock = [&](const char* name, double from, double to, auto adjust) {
        const TaskPtr item = stored(0, QString::fromLatin1(name), at(15, 9), at(15, 10));
        adjust(*item);
        auto* view = new PlannerWeeklyItemView(QRectF(10 + (int(from) % 2) * 105, (from - 1) * 47 / 2, 100, (to - from) * 47 / 2));
        view->setParentView(m_grid.get());
        view->setIsSquareBox(true);
        view->setTask(item);
        m_grid->addToTaskList(view);
        return view;
    };
    addBlock("Plain block", 1, 3, none);
    addBlock("Selected", 2, 4, none)->setHighlight(true);
    addBlock("Shared, not mine", 5, 7, [](Task& t) { t.setIsShared(true); });
    addBlock("Scheduled task", 6, 8, [](Task& t) { t.setIsSheduledTask(true); });
    addBlock("Ghost at 0.3", 9, 11, none)->setAlphaBg(0.3);
    PlannerWeeklyItemView* moving = addBlock("Edge moving", 10, 12, none);
    ItemPointer(moving).press({50, 2}, 10);
    ASSERT_TRUE(moving->isStartTimeMoving());

    EXPECT_FALSE(saveScreenshot(&page, QStringLiteral("planner_chips_and_blocks")).isEmpty());
    m_month->removeFromSuperview();
    m_grid->removeFromSuperview();
}

}  // namespace PlannerItemLookTests
