#include "StatusItem.h"

#include "FakeStatusItem.h"
#include "Screen.h"
#include "TrayStatusItem.h"

#include <QMenu>
#include <QPainter>

#include <gtest/gtest.h>

#include <memory>

namespace {

TEST(StatusItemTest, AWindowHangsFromTheMiddleOfTheItemsBottomEdgeOrTheTopRightOfTheScreen)
{
    const QRectF visible(0, 0, 1920, 1050);  // our coordinates: a panel takes the top 30
    struct Case {
        const char* name;
        QRectF item;
        QPointF point;
    };
    const Case cases[] = {
        {"item in a top panel", {1800, 1052, 24, 24}, {1812, 1052}},
        {"item in a bottom panel", {300, 2, 22, 22}, {311, 2}},
        {"no rectangle from the tray", {}, {1920, 1050}},
        {"an empty rectangle", {1800, 1052, 0, 24}, {1920, 1050}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(StatusItem::hangingPoint(c.item, visible), c.point);
    }
}

QImage glyph()
{
    QImage image(QSize(20, 20), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.fillRect(QRect(6, 6, 8, 8), Qt::black);
    return image;
}

TEST(StatusItemTest, TheHighlightIsATranslucentRoundedSelectionBehindTheImage)
{
    const QColor selection(0, 100, 220);
    const QImage plain = StatusItem::iconImage(glyph(), false, selection);
    const QImage highlighted = StatusItem::iconImage(glyph(), true, selection);
    ASSERT_EQ(highlighted.size(), QSize(20, 20));

    EXPECT_EQ(plain.pixelColor(2, 10).alpha(), 0) << "no highlight, nothing behind the image";
    const QColor behind = highlighted.pixelColor(2, 10);
    EXPECT_GT(behind.alpha(), 60);
    EXPECT_LT(behind.alpha(), 200) << "translucent";
    EXPECT_EQ(behind.blue() > behind.red(), true) << "of the selection colour";
    EXPECT_EQ(highlighted.pixelColor(0, 0).alpha(), 0) << "rounded corners";
    EXPECT_EQ(highlighted.pixelColor(10, 10), QColor(Qt::black)) << "the image on top";
}

TEST(StatusItemTest, AMissingImageGivesABlankIconOfTheUsualSize)
{
    const QImage icon = StatusItem::iconImage(QImage(), false, Qt::blue);
    EXPECT_EQ(icon.size(), QSize(22, 22));
    EXPECT_EQ(icon.pixelColor(11, 11).alpha(), 0);
}

TEST(StatusItemTest, TheIconIsDrawnAgainWhenTheHighlightChanges)
{
    FakeStatusItem item;
    item.setImage(glyph());
    const qsizetype shown = item.shownIcons().size();
    item.setHighlighted(true);
    ASSERT_EQ(item.shownIcons().size(), shown + 1);
    EXPECT_GT(item.shownIcons().last().pixelColor(2, 10).alpha(), 0);
    item.setHighlighted(true);
    EXPECT_EQ(item.shownIcons().size(), shown + 1) << "no change, no redraw";
    item.setHighlighted(false);
    EXPECT_EQ(item.shownIcons().last().pixelColor(2, 10).alpha(), 0);
}

TEST(StatusItemTest, ALeftClickCallsTheHandlerAndARightClickOpensAMenuThatStillExists)
{
    FakeStatusItem item;
    int clicks = 0;
    item.click();  // no handler yet: nothing happens
    item.setClickHandler([&] { ++clicks; });
    item.click();
    EXPECT_EQ(clicks, 1);

    EXPECT_EQ(item.rightClick(), nullptr);
    auto menu = std::make_unique<QMenu>();
    item.setMenu(menu.get());
    EXPECT_EQ(item.rightClick(), menu.get());
    menu.reset();
    EXPECT_EQ(item.rightClick(), nullptr);
}

TEST(StatusItemTest, TheFakeHangsWindowsFromWhereTheTestPutsIt)
{
    FakeStatusItem item;
    item.setRectOnScreen(QRectF(900, 1000, 30, 24));
    EXPECT_EQ(item.hangingPoint(), QPointF(915, 1000));
    item.setRectOnScreen(QRectF());
    const QRectF visible = Screen::mainVisibleFrame();
    EXPECT_EQ(item.hangingPoint(), QPointF(visible.right(), visible.y() + visible.height()));
}

// Offscreen there is no tray: the real item must still be safe to make and use.
TEST(StatusItemTest, WithoutATrayTheRealItemHasNoRectAndHangsFromTheScreensTopRight)
{
    TrayStatusItem item;
    EXPECT_FALSE(item.isAvailable());
    EXPECT_TRUE(item.rectOnScreen().isEmpty());
    const QRectF visible = Screen::mainVisibleFrame();
    ASSERT_FALSE(visible.isEmpty());
    EXPECT_EQ(item.hangingPoint(), QPointF(visible.x() + visible.width(), visible.y() + visible.height()));
    QMenu menu;
    item.setMenu(&menu);
    item.setImage(glyph());
    item.setHighlighted(true);
}

}  // namespace
