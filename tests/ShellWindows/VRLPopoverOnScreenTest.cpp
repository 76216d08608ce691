#include "../PlatformWindows/RealWindowSupport.h"

#include "Screen.h"
#include "VRLPopover.h"

#include <memory>

using namespace RealWindows;

namespace {

class VRLPopoverOnScreen : public RealWindowTest {
protected:
    void SetUp() override
    {
        RealWindowTest::SetUp();
        if (HasFatalFailure() || IsSkipped()) return;
        const QRectF screen = Screen::mainVisibleFrame();
        parent = std::make_unique<Window>(QRectF(screen.x() + 200, screen.y() + 200, 500, 400));
        parent->makeKeyAndOrderFront();
        ASSERT_TRUE(shownOnScreen(*parent));
        popover = std::make_unique<VRLPopover>(new View(QRectF(0, 0, 160, 90)));
    }
    void TearDown() override
    {
        popover.reset();
        parent.reset();
        RealWindowTest::TearDown();
    }
    QPointF attachmentOnScreen() const
    {
        VRLPopoverWindow* window = popover->popoverWindow();
        return window->popoverWindowFrame()->attachmentPointForRect(window->frame());
    }
    // Where X put the window, read back in our coordinates.
    QRectF placedFrame() const
    {
        return Screen::fromQt(QRectF(popover->popoverWindow()->geometry()));
    }

    std::unique_ptr<Window> parent;
    std::unique_ptr<VRLPopover> popover;
};

}  // namespace

TEST_F(VRLPopoverOnScreen, ShowsAsTheKeyChildWindowAtThePoint)
{
    popover->displayPopoverInWindow(parent.get(), QPointF(250, 200));
    VRLPopoverWindow* window = popover->popoverWindow();
    ASSERT_TRUE(shownOnScreen(*window));
    EXPECT_TRUE(waitUntil([&] { return window->isKeyWindow(); }));
    EXPECT_EQ(window->parentWindow(), parent.get());
    const QRectF parentFrame = parent->frame();
    const QPointF target(parentFrame.x() + 250, parentFrame.y() + 200);
    const QPointF placed = window->popoverWindowFrame()->attachmentPointForRect(placedFrame());
    EXPECT_NEAR(placed.x(), target.x(), 1.0);
    EXPECT_NEAR(placed.y(), target.y(), 1.0);

    popover->closePopover();
    EXPECT_TRUE(waitUntil([&] { return !window->isVisible(); }));
    EXPECT_EQ(window->alphaValue(), 1.0);
}

TEST_F(VRLPopoverOnScreen, ChangingThePositionKeepsTheAttachmentPointAndTheKeyboard)
{
    popover->displayPopoverInWindow(parent.get(), QPointF(250, 200));
    VRLPopoverWindow* window = popover->popoverWindow();
    ASSERT_TRUE(shownOnScreen(*window));
    ASSERT_TRUE(waitUntil([&] { return window->isKeyWindow(); }));
    const QPointF before = attachmentOnScreen();

    for (int position : {3, 0, 2, 11, 1}) {
        popover->setPosition(position);
        ASSERT_TRUE(shownOnScreen(*window)) << position;
        EXPECT_TRUE(waitUntil([&] { return window->isKeyWindow() && QGuiApplication::focusWindow() == window->windowHandle(); }))
            << position;
        EXPECT_TRUE(waitUntil([&] {
            const QPointF placed = window->popoverWindowFrame()->attachmentPointForRect(placedFrame());
            return std::abs(placed.x() - before.x()) <= 1.0 && std::abs(placed.y() - before.y()) <= 1.0;
        })) << position;
        EXPECT_EQ(window->parentWindow(), parent.get()) << position;
    }
}

TEST_F(VRLPopoverOnScreen, ChangingThePositionOfAPopoverThatIsNotKeyLeavesTheKeyboardWhereItIs)
{
    popover->displayPopoverInWindow(parent.get(), QPointF(250, 200));
    VRLPopoverWindow* window = popover->popoverWindow();
    ASSERT_TRUE(shownOnScreen(*window));
    // The popover's own activation settles first: arriving after the other
    // window's, it would take the keyboard back.
    ASSERT_TRUE(waitUntil([&] { return window->isKeyWindow(); }));
    Window other(QRectF(Screen::mainVisibleFrame().x() + 800, Screen::mainVisibleFrame().y() + 100, 200, 150));
    other.makeKeyAndOrderFront();
    ASSERT_TRUE(waitUntil([&] { return other.isKeyWindow() && !window->isKeyWindow(); }));
    popover->setPosition(3);
    ASSERT_TRUE(shownOnScreen(*window));
    QCoreApplication::processEvents();
    EXPECT_TRUE(other.isKeyWindow());
    EXPECT_FALSE(window->isKeyWindow());
}
