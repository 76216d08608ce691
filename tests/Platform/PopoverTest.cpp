#include "Button.h"
#include "Popover.h"

#include "LogCapture.h"
#include "NotificationCenter.h"
#include "Screen.h"
#include "View.h"
#include "Window.h"

#include <QApplication>
#include <QMouseEvent>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

// Our coordinates throughout: y up, so QRectF's y() is the bottom edge.
TEST(PopoverPlacementTest, StandsBesideTheAnchorOnTheEdgeThatHasRoomAndStaysOnScreen)
{
    const QRectF screen(0, 0, 1000, 800);
    const QSizeF size(200, 100);
    struct Case {
        const char* what;
        QRectF anchor;
        RectEdge edge;
        QRectF expected;
        RectEdge used;
    };
    const double g = Popover::gap;
    const Case cases[] = {
        {"left, centred on the anchor's side", QRectF(500, 400, 40, 20), RectEdge::MinX,
         QRectF(500 - g - 200, 360, 200, 100), RectEdge::MinX},
        {"right", QRectF(500, 400, 40, 20), RectEdge::MaxX, QRectF(540 + g, 360, 200, 100), RectEdge::MaxX},
        {"below", QRectF(500, 400, 40, 20), RectEdge::MinY, QRectF(420, 400 - g - 100, 200, 100), RectEdge::MinY},
        {"above", QRectF(500, 400, 40, 20), RectEdge::MaxY, QRectF(420, 420 + g, 200, 100), RectEdge::MaxY},
        {"no room on the left: the right", QRectF(100, 400, 40, 20), RectEdge::MinX,
         QRectF(140 + g, 360, 200, 100), RectEdge::MaxX},
        {"no room below: above", QRectF(500, 50, 40, 20), RectEdge::MinY, QRectF(420, 70 + g, 200, 100),
         RectEdge::MaxY},
        {"slid down from the top edge", QRectF(500, 780, 40, 20), RectEdge::MinX, QRectF(298, 700, 200, 100),
         RectEdge::MinX},
        {"slid left from the right edge", QRectF(950, 400, 40, 20), RectEdge::MinY, QRectF(800, 298, 200, 100),
         RectEdge::MinY},
        {"no room either side: kept on its edge, on screen", QRectF(100, 400, 850, 20), RectEdge::MinX,
         QRectF(0, 360, 200, 100), RectEdge::MinX},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RectEdge used = RectEdge::MaxY;
        const QRectF rect = Popover::placement(size, c.anchor, c.edge, screen, &used);
        EXPECT_EQ(rect, c.expected);
        EXPECT_EQ(used, c.used);
        EXPECT_TRUE(screen.contains(rect));
    }
}

TEST(PopoverPlacementTest, AFlippedViewsYEdgesAreTheScreensOpposites)
{
    EXPECT_EQ(Popover::screenEdge(RectEdge::MinY, false), RectEdge::MinY);
    EXPECT_EQ(Popover::screenEdge(RectEdge::MaxY, false), RectEdge::MaxY);
    EXPECT_EQ(Popover::screenEdge(RectEdge::MinY, true), RectEdge::MaxY);
    EXPECT_EQ(Popover::screenEdge(RectEdge::MaxY, true), RectEdge::MinY);
    for (bool flipped : {false, true}) {
        EXPECT_EQ(Popover::screenEdge(RectEdge::MinX, flipped), RectEdge::MinX);
        EXPECT_EQ(Popover::screenEdge(RectEdge::MaxX, flipped), RectEdge::MaxX);
    }
}

class PopoverTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Window::setAnimationDurationScale(0);
        const QRectF visible = Screen::mainVisibleFrame();
        window = std::make_unique<Window>(
            QRectF(visible.center().x() - 150, visible.center().y() - 100, 300, 200), BorderlessWindowMask);
        anchor = new View(QRectF(100, 80, 60, 30));
        window->contentView()->addSubview(anchor);
        window->orderFront();
        content = new View(QRectF(0, 0, 120, 80));
        popover.setContentView(content);
        QObject::connect(&popover, &Popover::willShow, [this] { calls.push_back("will show"); });
        QObject::connect(&popover, &Popover::didShow, [this] { calls.push_back("did show"); });
        QObject::connect(&popover, &Popover::didClose, [this](PopoverCloseReason reason) {
            calls.push_back("did close");
            reasons.push_back(reason);
        });
    }
    void TearDown() override { Window::setAnimationDurationScale(1); }

    void pressIn(QWidget* widget)
    {
        const QPointF at(2, 2);
        QMouseEvent press(QEvent::MouseButtonPress, at, widget->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QApplication::sendEvent(widget, &press);
        QMouseEvent release(QEvent::MouseButtonRelease, at, widget->mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                            Qt::NoModifier);
        QApplication::sendEvent(widget, &release);
    }

    std::unique_ptr<Window> window;
    View* anchor = nullptr;
    View* content = nullptr;
    Popover popover;
    std::vector<std::string> calls;
    std::vector<PopoverCloseReason> reasons;
};

TEST_F(PopoverTest, ShowsAFramelessToolWindowBesideTheAnchorAsAChildOfItsWindow)
{
    popover.showRelativeToRect(QRectF(), anchor, RectEdge::MinX);

    ASSERT_TRUE(popover.isShown());
    EXPECT_EQ(calls, (std::vector<std::string>{"will show", "did show"}));
    QWidget* shown = popover.window();
    ASSERT_NE(shown, nullptr);
    EXPECT_TRUE(shown->isVisible());
    const Qt::WindowFlags flags = shown->windowFlags();
    EXPECT_EQ(flags & Qt::WindowType_Mask, Qt::Tool);  // never a popup: that would grab the input
    EXPECT_TRUE(flags & Qt::FramelessWindowHint);
    EXPECT_EQ(static_cast<Window*>(shown)->parentWindow(), window.get());

    // The anchor is the view's bounds, on screen; the popover stands left
    // of it, as big as its content and the border round it.
    const QRectF anchorOnScreen = popover.anchorScreenRect();
    EXPECT_EQ(anchorOnScreen.size(), QSizeF(60, 30));
    EXPECT_EQ(anchorOnScreen.topLeft(), window->frame().topLeft() + QPointF(100, 80));
    const QRectF frame = static_cast<Window*>(shown)->frame();
    EXPECT_EQ(frame.size(), QSizeF(122, 82));
    EXPECT_DOUBLE_EQ(frame.right(), anchorOnScreen.left() - Popover::gap);
    EXPECT_DOUBLE_EQ(frame.center().y(), anchorOnScreen.center().y());
    EXPECT_EQ(popover.shownScreenEdge(), RectEdge::MinX);
    EXPECT_TRUE(content->isVisible());
}

TEST_F(PopoverTest, FollowsItsContentViewsSizeWhileShown)
{
    popover.showRelativeToRect(QRectF(), anchor, RectEdge::MaxX);
    content->setFrameSize(QSizeF(150, 40));
    const QRectF frame = static_cast<Window*>(popover.window())->frame();
    EXPECT_EQ(frame.size(), QSizeF(152, 42));
    EXPECT_DOUBLE_EQ(frame.left(), popover.anchorScreenRect().right() + Popover::gap);
    EXPECT_DOUBLE_EQ(frame.center().y(), popover.anchorScreenRect().center().y());
    EXPECT_EQ(content->frame().topLeft(), QPointF(1, 1));
}

TEST_F(PopoverTest, ClosesOnTheShouldCloseNotificationAndWhenAskedOnce)
{
    popover.showRelativeToRect(QRectF(), anchor, RectEdge::MinY);
    NotificationCenter::defaultCenter().postNotificationName(Popover::shouldCloseNotification, window.get());
    EXPECT_FALSE(popover.isShown());
    EXPECT_FALSE(popover.window()->isVisible());
    EXPECT_EQ(reasons, std::vector<PopoverCloseReason>{PopoverCloseReason::ShouldClose});

    // Closed already: neither the notice nor close() says it closed again.
    NotificationCenter::defaultCenter().postNotificationName(Popover::shouldCloseNotification);
    popover.close();
    EXPECT_EQ(reasons.size(), 1u);

    popover.showRelativeToRect(QRectF(), anchor, RectEdge::MinY);
    popover.close();
    EXPECT_EQ(reasons, (std::vector<PopoverCloseReason>{PopoverCloseReason::ShouldClose, PopoverCloseReason::Asked}));
    EXPECT_EQ(calls, (std::vector<std::string>{"will show", "did show", "did close", "will show", "did show",
                                                "did close"}));
}

TEST_F(PopoverTest, PressesCloseItAsItsBehaviourSays)
{
    Window other(QRectF(10, 10, 100, 100), BorderlessWindowMask);
    other.orderFront();
    struct Case {
        PopoverBehavior behavior;
        bool closesOnPressInAnchorWindow;
        bool closesOnPressInOtherWindow;
    };
    const Case cases[] = {
        {PopoverBehavior::ApplicationDefined, false, false},
        {PopoverBehavior::Transient, true, true},
        {PopoverBehavior::Semitransient, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.behavior));
        popover.setBehavior(c.behavior);
        popover.showRelativeToRect(QRectF(), anchor, RectEdge::MinX);
        pressIn(content);  // inside the popover: never closes it
        EXPECT_TRUE(popover.isShown());
        pressIn(window->contentView());
        EXPECT_EQ(popover.isShown(), !c.closesOnPressInAnchorWindow);
        popover.showRelativeToRect(QRectF(), anchor, RectEdge::MinX);
        pressIn(other.contentView());
        EXPECT_EQ(popover.isShown(), !c.closesOnPressInOtherWindow);
        if (c.closesOnPressInOtherWindow || c.closesOnPressInAnchorWindow) {
            EXPECT_EQ(reasons.back(), PopoverCloseReason::PressOutside);
        }
        popover.close();
    }
}

TEST_F(PopoverTest, APressOnItsOpenerButtonClosesItWithoutOpeningItAgain)
{
    popover.setBehavior(PopoverBehavior::Semitransient);
    auto* button = new Button(QRectF(10, 10, 40, 20));
    button->setButtonType(ButtonType::Toggle);
    window->contentView()->addSubview(button);
    int opened = 0;  // as the main view's eye button: on opens, off closes
    button->setTarget(button, [&](Button* b) {
        if (b->state() != 1) return popover.close();
        ++opened;
        popover.showRelativeToRect(QRectF(), b, RectEdge::MinY);
    });
    QObject::connect(&popover, &Popover::didClose, button, [button] { button->setState(0); });
    pressIn(button);
    pressIn(button);
    EXPECT_FALSE(popover.isShown());
    EXPECT_EQ(opened, 1) << "the press that closed it did not open it again";
    pressIn(button);
    EXPECT_TRUE(popover.isShown()) << "the next press opens it";
}

TEST_F(PopoverTest, ClosesWhenItsAnchorGoes)
{
    popover.showRelativeToRect(QRectF(), anchor, RectEdge::MinX);
    window->orderOut();
    EXPECT_FALSE(popover.isShown());
    ASSERT_FALSE(reasons.empty());
    EXPECT_EQ(reasons.back(), PopoverCloseReason::AnchorGone);

    window->orderFront();
    popover.showRelativeToRect(QRectF(), anchor, RectEdge::MinX);
    delete anchor;
    EXPECT_FALSE(popover.isShown());
    EXPECT_EQ(reasons.back(), PopoverCloseReason::AnchorGone);
    EXPECT_EQ(popover.positioningView(), nullptr);
}

TEST_F(PopoverTest, RefusesToShowWithoutAnAnchorOnScreenOrAContentView)
{
    LogCapture log;
    popover.showRelativeToRect(QRectF(), nullptr, RectEdge::MinX);
    View hidden(QRectF(0, 0, 10, 10));
    popover.showRelativeToRect(QRectF(), &hidden, RectEdge::MinX);
    Popover empty;
    empty.showRelativeToRect(QRectF(), anchor, RectEdge::MinX);
    EXPECT_FALSE(popover.isShown());
    EXPECT_FALSE(empty.isShown());
    EXPECT_TRUE(calls.empty());
    EXPECT_TRUE(log.contains(QStringLiteral("beside no view")));
    EXPECT_TRUE(log.contains(QStringLiteral("not on screen")));
    EXPECT_TRUE(log.contains(QStringLiteral("without a content view")));
}

TEST_F(PopoverTest, ANewContentViewReplacesTheOldAndAShownPopoverMovesWithoutClosing)
{
    popover.showRelativeToRect(QRectF(0, 0, 10, 10), anchor, RectEdge::MinX);
    const QRectF first = popover.anchorScreenRect();
    popover.showRelativeToRect(QRectF(50, 20, 10, 10), anchor, RectEdge::MinX);
    EXPECT_EQ(popover.anchorScreenRect().topLeft(), first.topLeft() + QPointF(50, 20));
    EXPECT_EQ(calls, (std::vector<std::string>{"will show", "did show"}));

    QPointer<View> old(content);
    auto* replacement = new View(QRectF(0, 0, 40, 40));
    popover.setContentView(replacement);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(old.isNull());
    EXPECT_EQ(popover.contentView(), replacement);
    EXPECT_EQ(static_cast<Window*>(popover.window())->frame().size(), QSizeF(42, 42));
}

}  // namespace
