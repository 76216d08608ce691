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
        const char* assignee;
        const char* badge;
        double labelX, labelWidth;  // in a chip 200 wide
    };
    const Case cases[] = {
        {"task delegated to the user", 1, false, 1, "ME@Example.com", "ss_assigntome", 18, 162},
        {"task delegated by the user", 1, false, 1, "other@example.com", "ss_assignbyme", 18, 162},
        {"task given away, not yet taken", 1, false, 0, "other@example.com", "ss_assignbyme", 18, 162},
        {"plain task", 1, false, 0, "", "", 18, 182},
        {"timed event", 0, false, 1, "me@example.com", "", 18, 182},
        {"all-day event", 0, true, 0, "", "", 5, 195},
    };
    for (const Case& c : cases) {
        const TaskPtr item = stored(c.type, QStringLiteral("Line one\nline two"), at(15, 9), at(15, 10), c.allDay);
        item->setDelegateStatus(c.delegateStatus);
        item->setAssigneeEmail(QString::fromLatin1(c.assignee));
        PlannerItemView* view = chip(item);
        EXPECT_EQ(PlannerItemView::badgeName(*item, setting().zvwUserName()), QString::fromLatin1(c.badge)) << c.name;
        EXPECT_EQ(view->taskNameLabel()->stringValue(), QStringLiteral("Line one line two")) << c.name;
        EXPECT_EQ(view->taskNameLabel()->frame().x(), c.labelX) << c.name;
        EXPECT_EQ(view->taskNameLabel()->frame().width(), c.labelWidth) << c.name;
        m_month->selectItem(view);
        const QImage bar = UIUtilities::getTaskBackgroundImage(Utilities::colorInGroup(0, 0), 0.8, {200, 18}, 6, false);
        EXPECT_EQ(pixelOf(view, {196, 1}), c.allDay ? bar.pixelColor(196, 1) : PlannerItemView::highlightFill) << c.name;
        if (c.allDay) {
            EXPECT_EQ(view->taskNameLabel()->textColor(), Color::white());
        }
    }
}

TEST_F(PlannerItemLookTest, BlocksNameTheirPlaceMarkScheduledTasksAndFollowTheFontSize)
{
    const TaskPtr lunch = stored(0, QStringLiteral("Lunch"), at(15, 12), at(15, 13));
    lunch->setTaskLocation(QStringLiteral("Cafe"));
    PlannerWeeklyItemView* lunchBlock = block(lunch, 12, 13);
    EXPECT_EQ(lunchBlock->taskNameLabel()->stringValue(), QStringLiteral("Lunch - Cafe"));
    const TaskPtr planned = stored(0, QStringLiteral("Planned"), at(15, 14), at(15, 15));
    planned->setIsSheduledTask(true);
    PlannerWeeklyItemView* plannedBlock = block(planned, 14, 15);
    EXPECT_EQ(plannedBlock->taskNameLabel()->frame(), QRectF(17, -2, 100 - 10 - 12, 47 - 4));
    EXPECT_NE(pixelOf(plannedBlock, {6, 6}), pixelOf(lunchBlock, {6, 6})) << "the mark is drawn at (3, 2)";

    setting().setCurrentFontSize(16);
    NotificationCenter::defaultCenter().postNotificationName(TaskView::currentFontSizeChangedNotification, nullptr);
    EXPECT_EQ(lunchBlock->taskNameLabel()->textFont(), Font::fontWithName(QStringLiteral("Lucida Grande"), 16));
}

// Blocks follow the font size together: whichever of them are gone by then,
// the first made, the last made or one between, the others still follow.
TEST_F(PlannerItemLookTest, EveryBlockLeftFollowsTheFontSize)
{
    const TaskPtr item = stored(0, QStringLiteral("Item"), at(15, 9), at(15, 10));
    const Font regular = Font::fontWithName(QStringLiteral("Lucida Grande"), 15);
    const std::vector<std::vector<int>> deletedSets = {{}, {0}, {3}, {1, 2}, {0, 1, 2, 3}};
    for (const std::vector<int>& deleted : deletedSets) {
        std::vector<QPointer<PlannerWeeklyItemView>> blocks;
        for (int i = 0; i < 4; ++i) blocks.emplace_back(block(item, 9 + i, 10 + i));
        for (const int i : deleted) delete blocks[size_t(i)].data();
        setting().setCurrentFontSize(15);
        NotificationCenter::defaultCenter().postNotificationName(TaskView::currentFontSizeChangedNotification, nullptr);
        for (const QPointer<PlannerWeeklyItemView>& view : blocks) {
            if (view) {
                EXPECT_EQ(view->taskNameLabel()->textFont(), regular) << deleted.size() << " deleted";
            }
        }
        for (const QPointer<PlannerWeeklyItemView>& view : blocks) delete view.data();
        setting().setCurrentFontSize(13);
    }
}

TEST_F(PlannerItemLookTest, TheCursorOverAnEdgeSaysWhichWayItMoves)
{
    for (const bool asBlock : {false, true}) {
        PlannerBaseItem* view = itemView(asBlock, stored(0, QStringLiteral("Item"), at(15, 9), at(15, 10), !asBlock));
        view->setCursorShape(CursorShape::Arrow);
        ItemPointer pointer(view);
        pointer.press(QPointF(50, asBlock ? 30 : 9), 0);  // places the pointer; a move without a button then reaches the edge
        pointer.release();
        pointer.moveBy(asBlock ? 0 : -48, asBlock ? -28 : 0, Qt::NoButton);
        EXPECT_EQ(View::currentCursorShape(), asBlock ? CursorShape::ResizeUpDown : CursorShape::ResizeLeftRight);
    }
}

// Every kind of chip and block on a white page, for people to look at.
TEST_F(PlannerItemLookTest, ChipsAndBlocksScreenshots)
{
    setting().setZvwUserName(QStringLiteral("me@example.com"));
    CustomNSView page(QRectF(0, 0, 460, 330));
    page.setBackgroundColor(Color::white());
    m_month->setFrame(QRectF(0, 0, 230, 330));
    m_grid->setFrame(QRectF(230, 0, 230, 1175));
    page.addSubview(m_month.get());
    page.addSubview(m_grid.get());
    const auto none = [](Task&) {};
    int row = 0;
    const auto addChip = [&](qint64 type, const char* name, bool allDay, auto adjust) {
        const TaskPtr item = stored(type, QString::fromLatin1(name), at(15, 9), at(15, 10), allDay);
        adjust(*item);
        return chip(item, QRectF(15, 10 + 22 * row++, 200, 18));
    };
    addChip(1, "Open task", false, none);
    addChip(1, "Done task", false, [](Task& t) { t.setStatus(1); });
    addChip(3, "Note", false, none);
    addChip(0, "Timed event", false, none);
    addChip(0, "Scheduled event", false, [](Task& t) { t.setIsSheduledTask(true); });
    addChip(0, "All-day event", true, none);
    addChip(0, "All-day, selected", true, none)->setHighlight(true);
    addChip(1, "Given to me", false, [](Task& t) { t.setDelegateStatus(1), t.setAssigneeEmail(QStringLiteral("me@example.com")); });
    addChip(1, "Given by me", false, [](Task& t) { t.setAssigneeEmail(QStringLiteral("you@example.com")); });
    addChip(1, "Selected task", false, none)->setHighlight(true);

    const auto addBlock = [&](const char* name, double from, auto adjust) {
        const TaskPtr item = stored(0, QString::fromLatin1(name), at(15, 9), at(15, 10));
        adjust(*item);
        PlannerWeeklyItemView* view = block(item, from, from + 2);
        view->setFrame(QRectF(10 + (int(from) % 2) * 105, (from - 1) * 23.5, 100, 47));
        return view;
    };
    addBlock("Plain block", 1, none);
    addBlock("Selected", 2, none)->setHighlight(true);
    addBlock("Shared, not mine", 5, [](Task& t) { t.setIsShared(true); });
    addBlock("Scheduled task", 6, [](Task& t) { t.setIsSheduledTask(true); });
    addBlock("Ghost at 0.3", 9, none)->setAlphaBg(0.3);
    PlannerWeeklyItemView* moving = addBlock("Edge moving", 10, none);
    ItemPointer(moving).press({50, 2}, 10);
    ASSERT_TRUE(moving->isStartTimeMoving());
    EXPECT_FALSE(saveScreenshot(&page, QStringLiteral("planner_chips_and_blocks")).isEmpty());
    m_month->removeFromSuperview();
    m_grid->removeFromSuperview();
}

}  // namespace PlannerItemLookTests
