#include "StatusMenuView.h"

#include "Clock.h"
#include "FakeStatusItem.h"
#include "GregorianCalendar.h"
#include "ManualScheduler.h"
#include "Screen.h"
#include "Screenshot.h"
#include "StatusItem.h"
#include "TextTable.h"

#include <QAction>
#include <QDir>
#include <QMenu>
#include <QPainter>

#include <gtest/gtest.h>

namespace {

class StatusMenuViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Clock::setFixed(GregorianCalendar::dateFromFields(2014, 1, 15, 9, 0, 0));
        Scheduler::setCurrent(&scheduler);
        view.setStatusItem(&item);
        view.setAction([this] { ++clicks; });
    }
    void TearDown() override
    {
        view.setStatusItem(nullptr);
        Scheduler::setCurrent(nullptr);
        Clock::reset();
    }

    ManualScheduler scheduler;
    FakeStatusItem item;
    StatusMenuView view{QRectF(5, 5, 300, 40)};
    int clicks = 0;
};

}  // namespace

TEST_F(StatusMenuViewTest, IsTwentyTwoSquareWithTheIconAtTwentyWhateverFrameItIsGiven)
{
    EXPECT_EQ(view.frame(), QRectF(0, 0, 22, 22));
    ASSERT_FALSE(view.icon().isNull());
    EXPECT_EQ(view.icon().deviceIndependentSize(), QSizeF(20, 20));
    ASSERT_FALSE(item.shownIcons().isEmpty());
    EXPECT_EQ(item.image().deviceIndependentSize(), QSizeF(20, 20));
    EXPECT_FALSE(item.isHighlighted());
}

TEST_F(StatusMenuViewTest, AClickSendsTheActionAndTheHighlightClearsATenthOfASecondLater)
{
    item.click();
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(view.isMenuVisible());
    EXPECT_TRUE(item.isHighlighted());

    scheduler.advance(0.09);
    EXPECT_TRUE(item.isHighlighted()) << "the click stays visible for 0.1 s";
    scheduler.advance(0.02);
    EXPECT_FALSE(view.isMenuVisible());
    EXPECT_FALSE(item.isHighlighted());

    // A second click inside the tenth starts the tenth again.
    item.click();
    scheduler.advance(0.05);
    item.click();
    scheduler.advance(0.07);
    EXPECT_TRUE(item.isHighlighted());
    scheduler.advance(0.04);
    EXPECT_FALSE(item.isHighlighted());
    EXPECT_EQ(clicks, 3);
}

TEST_F(StatusMenuViewTest, TheMenuHasOneEntryThatQuitsAndHighlightsTheItemWhileOpen)
{
    int quits = 0;
    view.setCloseAppAction([&] { ++quits; });
    EXPECT_EQ(view.menu().title(), QStringLiteral("Zoravel"));
    ASSERT_EQ(view.menu().numberOfItems(), 1);
    QMenu* menu = item.rightClick();
    ASSERT_EQ(menu, view.trayMenu());
    const QList<QAction*> actions = menu->actions();
    ASSERT_EQ(actions.size(), 1);
    EXPECT_EQ(actions.front()->text(), TextTable::localizedString(QStringLiteral("quitZVMText")));
    EXPECT_TRUE(actions.front()->isEnabled());

    Q_EMIT menu->aboutToShow();
    EXPECT_TRUE(item.isHighlighted());
    Q_EMIT menu->aboutToHide();
    EXPECT_FALSE(item.isHighlighted()) << "closing the menu without choosing removes the highlight";

    actions.front()->trigger();
    EXPECT_EQ(quits, 1);
}

TEST_F(StatusMenuViewTest, PositionIsUnderTheMiddleOfTheItemOrTheTopRightWithoutOne)
{
    struct Case {
        const char* name;
        QRectF itemRect;
        QPointF expected;
    };
    const QRectF visible = Screen::mainVisibleFrame();
    const Case cases[] = {
        {"item in a top panel", QRectF(1200, 776, 24, 24), QPointF(1212, 776)},
        {"fractional item", QRectF(10.5, 3, 22, 22), QPointF(21.5, 3)},
        {"tray gives no rectangle", QRectF(), QPointF(visible.right(), visible.y() + visible.height())},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        item.setRectOnScreen(c.itemRect);
        EXPECT_EQ(view.position(), c.expected);
    }

    StatusMenuView detached;
    EXPECT_EQ(detached.position(), QPointF(0, 0)) << "no item, no place";
}

TEST_F(StatusMenuViewTest, TheTrayIconPlainAndHighlighted)
{
    ASSERT_GE(item.shownIcons().size(), 1);
    const QImage plain = item.shownIcons().back();
    item.click();
    const QImage highlighted = item.shownIcons().back();
    // One picture of both, large enough to look at: plain left, highlighted right.
    const int scale = 8;
    QImage sheet(QSize(2 * 22 + 3, 22) * scale, QImage::Format_ARGB32_Premultiplied);
    sheet.fill(QColor(0xE8, 0xE8, 0xE8));
    {
        QPainter painter(&sheet);
        painter.drawImage(QRectF(0, 0, 22 * scale, 22 * scale), plain);
        painter.drawImage(QRectF(25 * scale, 0, 22 * scale, 22 * scale), highlighted);
    }
    ASSERT_TRUE(sheet.save(QDir(screenshotFolder()).filePath(QStringLiteral("tray-icon.png"))));
    // The highlight shows behind the picture, in a corner the page leaves free.
    EXPECT_NE(plain.pixelColor(1, plain.height() / 2), highlighted.pixelColor(1, highlighted.height() / 2));
}
