// The arrow window itself, offscreen: made round a view, its setters'
// clamps, the side chosen at creation, and the guard against a redisplay
// inside a redisplay.
#include "MAAttachedWindow.h"

#include "Screen.h"
#include "View.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <vector>

namespace {

std::unique_ptr<View> viewOfSize(double width, double height)
{
    return std::make_unique<View>(QRectF(0, 0, width, height));
}

}  // namespace

TEST(MAAttachedWindow, CreationWithNoViewYieldsNoWindow)
{
    EXPECT_EQ(MAAttachedWindow::initWithView(nullptr, QPointF(10, 10), nullptr, AttachedBelow, 0), nullptr);
}

TEST(MAAttachedWindow, HostsTheViewAtTheViewFrameAndHangsFromThePoint)
{
    auto view = viewOfSize(200, 100);
    auto window = MAAttachedWindow::initWithView(view.get(), QPointF(300, 500), nullptr, AttachedBelow, 4);
    ASSERT_TRUE(window);
    EXPECT_FALSE(window->isOpaque());
    EXPECT_EQ(window->styleMask(), unsigned(BorderlessWindowMask));
    EXPECT_EQ(view->superview(), window->contentView());
    EXPECT_EQ(view->frame(), QRectF(2, 2, 200, 100));
    EXPECT_EQ(window->viewFrame(), view->frame());
    // 204 x 120 (margin 2, arrow 16), centred under the point, 4 below it.
    EXPECT_EQ(window->frame(), QRectF(300 - 102, 500 - 120 - 4, 204, 120));
    EXPECT_EQ(window->backgroundImage().size(), QSize(204, 120));

    // A parent window's coordinates are taken from its bottom left corner.
    Window parent(QRectF(100, 50, 400, 300), BorderlessWindowMask);
    auto attached = MAAttachedWindow::initWithView(view.get(), QPointF(30, 40), &parent, AttachedRight, 0);
    ASSERT_TRUE(attached);
    EXPECT_EQ(attached->frame().topLeft(), QPointF(130, 90 - 104 / 2.0));
}

TEST(MAAttachedWindow, TheWindowSetsItsViewFreeWhenItGoes)
{
    auto view = viewOfSize(50, 50);
    auto window = MAAttachedWindow::initWithView(view.get(), QPointF(0, 0), nullptr, AttachedBelow, 0);
    window.reset();
    EXPECT_EQ(view->parentWidget(), nullptr);  // still alive, and freed by its owner only
}

TEST(MAAttachedWindow, SettersClampAndTheirChainsEndInTheRightState)
{
    auto view = viewOfSize(100, 60);
    auto window = MAAttachedWindow::initWithView(view.get(), QPointF(400, 400), nullptr, AttachedBelow, 0);
    ASSERT_TRUE(window);

    window->setBorderWidth(5);
    EXPECT_EQ(window->borderWidth(), 2);  // the margin
    window->setCornerRadius(1000);
    EXPECT_EQ(window->cornerRadius(), 22);  // (60 + 4 - 20) / 2
    window->setArrowBaseWidth(100);
    EXPECT_EQ(window->arrowBaseWidth(), 20);  // 60 + 4 - 22 - 22
    window->setCornerRadius(-4);
    EXPECT_EQ(window->cornerRadius(), 0);

    // A wider margin widens the window round the same view.
    window->setViewMargin(6);
    EXPECT_EQ(window->viewMargin(), 6);
    EXPECT_EQ(window->frame().size(), QSizeF(112, 72 + 16));
    EXPECT_EQ(view->frame(), QRectF(6, 6, 100, 60));
    // A negative margin is none, and the outline, kept inside it, goes too.
    window->setViewMargin(-3);
    EXPECT_EQ(window->viewMargin(), 0);
    EXPECT_EQ(window->borderWidth(), 0);
    EXPECT_EQ(window->frame().size(), QSizeF(100, 60 + 16));

    // A length that is no number is refused.
    window->setArrowHeight(std::nan(""));
    EXPECT_EQ(window->arrowHeight(), 16);
    window->setArrowHeight(10);
    EXPECT_EQ(window->frame().size(), QSizeF(100, 70));
}

TEST(MAAttachedWindow, AnAutomaticSideIsChosenOnceAtCreation)
{
    const QRectF screen = Screen::mainVisibleFrame();
    ASSERT_GT(screen.height(), 200);
    auto view = viewOfSize(100, 100);
    // Room below the middle of the screen.
    auto below = MAAttachedWindow::initWithView(view.get(), screen.center(), nullptr, AttachedAutomatic, 0);
    EXPECT_EQ(below->side(), AttachedBelow);
    // At the bottom left corner: right of the point, extending upward.
    auto corner = MAAttachedWindow::initWithView(view.get(), screen.topLeft() + QPointF(10, 10), nullptr,
                                                 AttachedAutomatic, 0);
    EXPECT_EQ(corner->side(), AttachedRightUpward);
    // Later the side is used as given, and an unknown one hangs below.
    corner->setPoint(screen.center(), AttachedLeft);
    EXPECT_EQ(corner->side(), AttachedLeft);
    corner->setPoint(screen.center(), 12);
    EXPECT_EQ(corner->side(), AttachedBelow);
}

TEST(MAAttachedWindow, HasArrowOffKeepsTheSizeAndLeavesTheBandClear)
{
    auto view = viewOfSize(100, 60);
    auto window = MAAttachedWindow::initWithView(view.get(), QPointF(400, 400), nullptr, AttachedBelow, 0);
    const QRectF withArrow = window->frame();
    const QImage arrowImage = window->backgroundImage();
    window->setHasArrow(false);
    EXPECT_EQ(window->frame(), withArrow);
    const QImage plain = window->backgroundImage();
    ASSERT_EQ(plain.size(), arrowImage.size());
    // The tip's pixel (row 1 from the top, the middle column) goes clear.
    EXPECT_GT(arrowImage.pixelColor(plain.width() / 2, 2).alpha(), 0);
    EXPECT_EQ(plain.pixelColor(plain.width() / 2, 2).alpha(), 0);
}

namespace {

// Sets the arrow height from inside the window's own resize, which asks for
// a redisplay there: that inner request must do nothing.
class ResizeInterloper : public WindowDelegate {
public:
    void windowDidResize(Window* window) override
    {
        if (!armed) return;
        armed = false;
        auto* attached = static_cast<MAAttachedWindow*>(window);
        sawResizing = attached->isResizing();
        attached->setArrowHeight(50);
        frameAfterNestedRedisplay = attached->frame();
    }
    bool armed = false;
    bool sawResizing = false;
    QRectF frameAfterNestedRedisplay;
};

}  // namespace

TEST(MAAttachedWindow, ARedisplayStartedInsideARedisplayDoesNothing)
{
    auto view = viewOfSize(100, 60);
    auto window = MAAttachedWindow::initWithView(view.get(), QPointF(400, 400), nullptr, AttachedBelow, 0);
    window->orderFront();
    ResizeInterloper interloper;
    interloper.armed = true;
    window->setDelegate(&interloper);

    window->setArrowHeight(30);  // a redisplay whose frame change resizes the window
    ASSERT_FALSE(interloper.armed) << "the window's resize did not come back during the redisplay";
    EXPECT_TRUE(interloper.sawResizing);
    // The inner setter stored its height but placed nothing.
    EXPECT_EQ(window->arrowHeight(), 50);
    EXPECT_EQ(interloper.frameAfterNestedRedisplay.size(), QSizeF(104, 64 + 30));
    EXPECT_EQ(window->frame().size(), QSizeF(104, 64 + 30));
    EXPECT_FALSE(window->isResizing());

    // The next redisplay places it.
    window->redisplay();
    EXPECT_EQ(window->frame().size(), QSizeF(104, 64 + 50));
    window->setDelegate(nullptr);
}

// Setting a window up draws its bubble once, and the picture is the one the
// setters would draw one by one; a setter that changes nothing draws nothing.
TEST(MAAttachedWindow, SettersTogetherDrawTheBubbleOnceAndTheSame)
{
    struct Case {
        const char* name;
        std::function<void(MAAttachedWindow&)> set;
    };
    const std::vector<Case> cases = {
        {"colours and border",
         [](MAAttachedWindow& w) {
             w.setBorderColor(Qt::red);
             w.setBackgroundColor(Qt::blue);
             w.setBorderWidth(1);
         }},
        {"shape", [](MAAttachedWindow& w) {
             w.setCornerRadius(6);
             w.setViewMargin(4);
             w.setArrowBaseWidth(30);
             w.setArrowHeight(10);
             w.setHasArrow(false);
         }},
        {"place", [](MAAttachedWindow& w) { w.setPoint(QPointF(200, 300), AttachedLeft); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto oneByOneView = viewOfSize(120, 80);
        auto togetherView = viewOfSize(120, 80);
        auto oneByOne = MAAttachedWindow::initWithView(oneByOneView.get(), QPointF(400, 400), nullptr, AttachedBelow, 0);
        auto together = MAAttachedWindow::initWithView(togetherView.get(), QPointF(400, 400), nullptr, AttachedBelow, 0);
        c.set(*oneByOne);
        const qint64 before = together->backgroundImage().cacheKey();
        together->beginChanges();
        c.set(*together);
        EXPECT_EQ(together->backgroundImage().cacheKey(), before) << "not drawn before the end";
        together->endChanges();
        EXPECT_NE(together->backgroundImage().cacheKey(), before);
        EXPECT_EQ(together->backgroundImage(), oneByOne->backgroundImage());
        EXPECT_EQ(together->frame(), oneByOne->frame());

        const qint64 drawn = together->backgroundImage().cacheKey();
        c.set(*together);
        together->redisplay();
        EXPECT_EQ(together->backgroundImage().cacheKey(), drawn) << "nothing changed, nothing drawn";
    }
}
