#include "Event.h"
#include "LogCapture.h"
#include "Screen.h"
#include "Screenshot.h"
#include "VRLPopover.h"

#include <QPainter>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace VRLPopoverTests {

namespace {

using Frame = VRLPopoverWindowFrame;

VRLPopoverGeometry at(int position)
{
    VRLPopoverGeometry g;
    g.popoverPosition = position;
    return g;
}

void expectNear(const QPointF& actual, const QPointF& expected, const std::string& what)
{
    EXPECT_NEAR(actual.x(), expected.x(), 1e-9) << what;
    EXPECT_NEAR(actual.y(), expected.y(), 1e-9) << what;
}

// The path's vertex farthest out on the arrow's side: the arrow's tip.
QPointF farthestOut(const BezierPath& path, Frame::Edge edge)
{
    const QPainterPath& p = path.painterPath();
    QPointF best = p.elementAt(0);
    auto further = [edge](const QPointF& a, const QPointF& b) {
        switch (edge) {
        case Frame::Edge::Top: return a.y() > b.y();
        case Frame::Edge::Bottom: return a.y() < b.y();
        case Frame::Edge::Left: return a.x() < b.x();
        case Frame::Edge::Right: return a.x() > b.x();
        }
        return false;
    };
    for (int i = 0; i < p.elementCount(); ++i)
        if (further(p.elementAt(i), best)) best = p.elementAt(i);
    return best;
}

bool hasVertex(const BezierPath& path, const QPointF& point)
{
    const QPainterPath& p = path.painterPath();
    for (int i = 0; i < p.elementCount(); ++i)
        if (std::abs(p.elementAt(i).x - point.x()) < 1e-9 && std::abs(p.elementAt(i).y - point.y()) < 1e-9)
            return true;
    return false;
}

}  // namespace

// --- frame and content rectangles ---------------------------------------

TEST(VRLPopoverGeometry, FrameRectGrowsByMarginBorderAndTheArrowBandOnTheArrowsSide)
{
    // Content (10, 20, 100, 50); margin 2, border 2, band 16.
    const struct {
        int position;
        QRectF frame;
    } cases[] = {
        {0, {6, 16, 124, 58}},  {2, {-10, 16, 124, 58}}, {1, {6, 16, 108, 74}},  {3, {6, 0, 108, 74}},
        {4, {6, 16, 124, 58}},  {7, {-10, 16, 124, 58}}, {10, {6, 16, 108, 74}}, {9, {6, 0, 108, 74}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Frame::frameRectForContentRect(QRectF(10, 20, 100, 50), at(c.position)), c.frame)
            << "position " << c.position;
}

TEST(VRLPopoverGeometry, ContentRectTurnsEveryFrameRectBack)
{
    VRLPopoverGeometry odd;
    odd.distance = 3.5;
    odd.arrowHeight = 9;
    odd.borderWidth = 1.25;
    odd.viewMargin = 6;
    for (const VRLPopoverGeometry& base : {VRLPopoverGeometry(), odd}) {
        for (int position = 0; position <= 11; ++position) {
            VRLPopoverGeometry g = base;
            g.popoverPosition = position;
            const QRectF content(-7.5, 13, 210, 33);
            const QRectF frame = Frame::frameRectForContentRect(content, g);
            const QRectF back = Frame::contentRectForFrameRect(frame, g);
            EXPECT_NEAR(back.x(), content.x(), 1e-9) << position;
            EXPECT_NEAR(back.y(), content.y(), 1e-9) << position;
            EXPECT_NEAR(back.width(), content.width(), 1e-9) << position;
            EXPECT_NEAR(back.height(), content.height(), 1e-9) << position;
        }
    }
}

// --- attachment points ---------------------------------------------------

TEST(VRLPopoverGeometry, AttachmentPointOfEveryPosition)
{
    // k = border / 2 + corner radius + arrow width / 2 = 1 + 8 + 10.
    const QRectF r(10, 20, 200, 100);
    const struct {
        int position;
        QPointF point;
    } cases[] = {
        {0, {210, 70}},  {1, {110, 120}}, {2, {10, 70}},   {3, {110, 20}},  {4, {210, 39}},  {5, {210, 101}},
        {6, {10, 39}},   {7, {10, 101}},  {8, {191, 20}},  {9, {29, 20}},   {10, {191, 120}}, {11, {29, 120}},
        {-1, {0, 0}},    {12, {0, 0}},    {1000, {0, 0}},
    };
    for (const auto& c : cases)
        expectNear(Frame::attachmentPointForRect(r, at(c.position)), c.point, "position " + std::to_string(c.position));
}

TEST(VRLPopoverGeometry, ArrowTipLandsOnTheAttachmentPointForEveryPosition)
{
    // With no distance the tip lies half a border inside the attachment
    // point, whichever corners are rounded.
    for (bool roundBeside : {true, false}) {
        for (int position = 0; position <= 11; ++position) {
            VRLPopoverGeometry g = at(position);
            g.drawRoundCornerBesideArrow = roundBeside;
            const QRectF frame = Frame::frameRectForContentRect(QRectF(0, 0, 180, 120), g);
            const BezierPath path =
                Frame::popoverFramePathForContentRect(Frame::contentRectForFrameRect(frame, g), g);
            const Frame::Edge edge = Frame::arrowEdge(position);
            QPointF inward;
            switch (edge) {
            case Frame::Edge::Top: inward = {0, -1}; break;
            case Frame::Edge::Bottom: inward = {0, 1}; break;
            case Frame::Edge::Left: inward = {1, 0}; break;
            case Frame::Edge::Right: inward = {-1, 0}; break;
            }
            const QPointF expected = Frame::attachmentPointForRect(frame, g) + inward * (g.borderWidth / 2);
            expectNear(farthestOut(path, edge), expected,
                       "position " + std::to_string(position) + (roundBeside ? " rounded" : " square"));
        }
    }
}

// --- the bubble path -----------------------------------------------------

TEST(VRLPopoverGeometry, CornerBesideAnOffCentreArrowIsSquareOnlyWhenAsked)
{
    // The path's rectangle: content (0, 0, 100, 60) grown by 2 + 1.
    const QRectF r(-3, -3, 106, 66);
    const struct {
        int position;
        QPointF corner;
    } cases[] = {
        {7, r.bottomLeft()}, {11, r.bottomLeft()}, {5, r.bottomRight()}, {10, r.bottomRight()},
        {4, r.topRight()},   {8, r.topRight()},    {6, r.topLeft()},     {9, r.topLeft()},
    };
    // Qt's bottom is our top: bottomLeft() above is our top-left corner.
    for (const auto& c : cases) {
        VRLPopoverGeometry g = at(c.position);
        EXPECT_FALSE(hasVertex(Frame::popoverFramePathForContentRect(QRectF(0, 0, 100, 60), g), c.corner))
            << c.position;
        g.drawRoundCornerBesideArrow = false;
        const BezierPath square = Frame::popoverFramePathForContentRect(QRectF(0, 0, 100, 60), g);
        EXPECT_TRUE(hasVertex(square, c.corner)) << c.position;
        // The other three corners stay round.
        for (const QPointF& other : {r.topLeft(), r.topRight(), r.bottomLeft(), r.bottomRight()})
            if (other != c.corner) {
                EXPECT_FALSE(hasVertex(square, other)) << c.position;
            }
    }
}

TEST(VRLPopoverGeometry, WithoutArrowOrArrowHeightTheBubbleIsThePlainRoundedRectangle)
{
    const QRectF content(0, 0, 100, 60);
    const QRectF plain = content.adjusted(-3, -3, 3, 3);
    for (int position = 0; position <= 11; ++position) {
        VRLPopoverGeometry hidden = at(position);
        hidden.drawsArrow = false;
        EXPECT_EQ(Frame::popoverFramePathForContentRect(content, hidden).bounds(), plain) << position;
        VRLPopoverGeometry flat = at(position);
        flat.arrowHeight = 0;
        EXPECT_EQ(Frame::popoverFramePathForContentRect(content, flat).bounds(), plain) << position;
        // The band stays in the frame even when the arrow is not drawn.
        EXPECT_EQ(Frame::frameRectForContentRect(content, hidden), Frame::frameRectForContentRect(content, at(position)));
    }
}

// --- the best position ---------------------------------------------------

TEST(VRLPopoverGeometry, BestPositionPrefersBelowThenRightLeftAbove)
{
    // The window 200 × 100 (W 204, H 104 with the margins); band 16.
    const QRectF screen(0, 0, 1600, 900);
    const QSizeF size(200, 100);
    const VRLPopoverGeometry g;
    const struct {
        QPointF point;
        QRectF parent;
        int position;
    } cases[] = {
        {{800, 500}, screen, 1},                        // room below
        {{800, 100}, screen, 2},                        // no room below: right
        {{1500, 100}, screen, 0},                       // nor right: left
        {{100, 100}, {0, 0, 300, 900}, 2},              // right still fits
        {{800, 500}, {750, 0, 400, 900}, 11},           // centred would stick out left of the parent
        {{800, 500}, {500, 0, 350, 900}, 10},           // ... out right of it
        {{1500, 60}, {1400, 50, 200, 400}, 4},          // left, parent's bottom above the centred bubble's
        {{1500, 400}, {1400, 0, 200, 420}, 10},         // below, but no room rightward: leftward
        {{1500, 100}, {1400, 0, 200, 140}, 5},          // left, parent's top below the centred bubble's
        {{1500, 60}, {1400, 0, 200, 90}, 0},            // ... but no room downward: centred
    };
    for (const auto& c : cases)
        EXPECT_EQ(Frame::bestPosition(size, c.point, g, screen, c.parent.intersected(screen)), c.position)
            << c.point.x() << "," << c.point.y();
    // Nothing fits on a tiny screen: below.
    EXPECT_EQ(Frame::bestPosition(size, {50, 50}, g, QRectF(0, 0, 100, 100), QRectF(0, 0, 100, 100)), 1);
    // Above when only above has room.
    EXPECT_EQ(Frame::bestPosition(size, {150, 20}, g, QRectF(0, 0, 300, 400), QRectF(0, 0, 300, 400)), 3);
}

// --- the window ------------------------------------------------------------

namespace {

class VRLPopoverWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        view = new View(QRectF(0, 0, 120, 80));
        window = std::make_unique<VRLPopoverWindow>(QRectF(0, 0, 120, 80));
        window->setPopoverContentView(view);
        window->setFrameOrigin(QPointF(300, 200));
    }
    void TearDown() override
    {
        window.reset();
        delete view;
    }
    QPointF attachmentOnScreen() const
    {
        return window->popoverWindowFrame()->attachmentPointForRect(window->frame());
    }
    View* view = nullptr;
    std::unique_ptr<VRLPopoverWindow> window;
};

}  // namespace

TEST_F(VRLPopoverWindowTest, HostsTheViewInsideTheFrameView)
{
    EXPECT_EQ(window->contentView(), window->popoverWindowFrame());
    EXPECT_EQ(window->popoverContentView(), view);
    EXPECT_EQ(window->frame().size(), QSizeF(128, 104));
    EXPECT_EQ(view->superview(), window->popoverWindowFrame());
    EXPECT_EQ(view->frame(), QRectF(4, 4, 120, 80));
    // A new view replaces the old, which is set free, not deleted.
    View other(QRectF(0, 0, 60, 40));
    window->setPopoverContentView(&other);
    EXPECT_EQ(view->superview(), nullptr);
    EXPECT_EQ(window->frame().size(), QSizeF(68, 64));
    window->setPopoverContentView(view);
}

TEST_F(VRLPopoverWindowTest, ChangingThePositionKeepsTheAttachmentPoint)
{
    for (int position : {0, 2, 3, 5, 8, 11, 1, 4, 9, 6, 7, 10}) {
        const QPointF before = attachmentOnScreen();
        window->setPopoverPosition(position);
        expectNear(attachmentOnScreen(), before, "position " + std::to_string(position));
        EXPECT_EQ(view->frame().size(), QSizeF(120, 80)) << position;
        EXPECT_EQ(view->frame(), window->contentRectForFrameRect(QRectF(QPointF(0, 0), window->frame().size())));
    }
}

TEST_F(VRLPopoverWindowTest, LengthChangesKeepTheArrowsEdge)
{
    using Setter = void (VRLPopoverWindow::*)(double);
    const Setter setters[] = {&VRLPopoverWindow::setDistance, &VRLPopoverWindow::setArrowHeight,
                              &VRLPopoverWindow::setBorderWidth, &VRLPopoverWindow::setViewMargin};
    for (int position : {0, 1, 2, 3}) {
        window->setPopoverPosition(position);
        for (Setter set : setters) {
            const QRectF before = window->frame();
            (window.get()->*set)(7);
            const QRectF after = window->frame();
            switch (Frame::arrowEdge(position)) {
            case Frame::Edge::Right: EXPECT_DOUBLE_EQ(after.right(), before.right()) << position; break;
            case Frame::Edge::Left: EXPECT_DOUBLE_EQ(after.left(), before.left()) << position; break;
            case Frame::Edge::Top: EXPECT_DOUBLE_EQ(after.bottom(), before.bottom()) << position; break;
            case Frame::Edge::Bottom: EXPECT_DOUBLE_EQ(after.top(), before.top()) << position; break;
            }
            EXPECT_EQ(view->frame().size(), QSizeF(120, 80));
            EXPECT_EQ(view->frame(), window->contentRectForFrameRect(QRectF(QPointF(0, 0), after.size())));
        }
        window->setDistance(0);
        window->setArrowHeight(16);
        window->setBorderWidth(2);
        window->setViewMargin(2);
        EXPECT_EQ(window->frame().size(), Frame::frameRectForContentRect(QRectF(0, 0, 120, 80), at(position)).size());
    }
}

TEST_F(VRLPopoverWindowTest, LengthsThatAreNotNumbersAreRefusedAndNegativeOnesCountAsZero)
{
    LogCapture log;
    const QRectF before = window->frame();
    window->setDistance(std::numeric_limits<double>::quiet_NaN());
    window->setBorderWidth(std::numeric_limits<double>::infinity());
    window->setCornerRadius(std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(window->frame(), before);
    EXPECT_EQ(window->cornerRadius(), 8.0);
    window->setArrowHeight(-5);
    EXPECT_EQ(window->arrowHeight(), 0.0);
    EXPECT_DOUBLE_EQ(window->frame().height(), before.height() - 16);
    EXPECT_FALSE(log.messages().isEmpty());
}

TEST_F(VRLPopoverWindowTest, PressesMoveOrResizeOnlyWhenSwitchedOn)
{
    VRLPopoverWindowFrame* frameView = window->popoverWindowFrame();
    auto press = [&](EventType type, const QPointF& inWindow, const QPointF& onScreen) {
        Event event;
        event.type = type;
        event.locationInWindow = inWindow;
        event.locationOnScreen = onScreen;
        if (type == EventType::LeftMouseDown) frameView->mouseDown(event);
        else frameView->mouseDragged(event);
    };
    const QRectF start = window->frame();
    // In the content, then on the band between the content and the outline.
    for (const QPointF& at : {QPointF(50, 40), QPointF(3, 40)}) {
        press(EventType::LeftMouseDown, at, QPointF(500, 500));
        press(EventType::LeftMouseDragged, at, QPointF(520, 490));
        EXPECT_EQ(window->frame(), start);
    }

    window->setMovable(true);
    press(EventType::LeftMouseDown, QPointF(50, 40), QPointF(500, 500));
    press(EventType::LeftMouseDragged, QPointF(50, 40), QPointF(520, 490));
    EXPECT_EQ(window->frame(), start.translated(20, -10));
    window->setMovable(false);

    // Resizing moves the right and bottom edges; the content never gets
    // smaller than the window's minimum.
    window->setResizable(true);
    window->setMinimumSize(QSize(100, 70));
    const QRectF moved = window->frame();
    press(EventType::LeftMouseDown, QPointF(3, 40), QPointF(500, 500));
    press(EventType::LeftMouseDragged, QPointF(3, 40), QPointF(530, 494));
    EXPECT_EQ(window->frame(), QRectF(moved.x(), moved.y() - 6, moved.width() + 30, moved.height() + 6));
    EXPECT_EQ(view->frame().size(), QSizeF(150, 86));
    press(EventType::LeftMouseDragged, QPointF(3, 40), QPointF(300, 900));
    EXPECT_EQ(view->frame().size(), QSizeF(100, 70));
    EXPECT_DOUBLE_EQ(window->frame().y() + window->frame().height(), moved.y() + moved.height());
}

// --- the popover -----------------------------------------------------------

namespace {

class VRLPopoverControllerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Window::setAnimationDurationScale(0);
        parent = std::make_unique<Window>(QRectF(100, 100, 400, 300));
        parent->orderFront();
        popover = std::make_unique<VRLPopover>(new View(QRectF(0, 0, 120, 80)));
    }
    void TearDown() override
    {
        popover.reset();
        parent.reset();
        Window::setAnimationDurationScale(1);
    }
    std::unique_ptr<Window> parent;
    std::unique_ptr<VRLPopover> popover;
};

}  // namespace

TEST_F(VRLPopoverControllerTest, ShowsAsAChildWindowWithItsAttachmentPointOnThePoint)
{
    EXPECT_TRUE(popover->animates());
    EXPECT_FALSE(popover->isVisible());
    popover->displayPopoverInWindow(parent.get(), QPointF(200, 150));
    ASSERT_TRUE(popover->isVisible());
    EXPECT_EQ(popover->popoverWindow()->parentWindow(), parent.get());
    EXPECT_EQ(popover->popoverWindow()->alphaValue(), 1.0);
    const QRectF parentFrame = parent->frame();
    const QPointF target(parentFrame.x() + 200, parentFrame.y() + 150);
    expectNear(popover->popoverWindow()->popoverWindowFrame()->attachmentPointForRect(popover->popoverWindow()->frame()),
               target, "below");

    // Shown again: nothing moves.
    const QRectF frame = popover->popoverWindow()->frame();
    popover->displayPopoverInWindow(parent.get(), QPointF(10, 10));
    EXPECT_EQ(popover->popoverWindow()->frame(), frame);
}

TEST_F(VRLPopoverControllerTest, ClosingLeavesItOrderedOutAtFullAlphaReadyToShowAgain)
{
    for (bool animates : {true, false}) {
        popover->setAnimates(animates);
        popover->displayPopoverInWindow(parent.get(), QPointF(200, 150));
        popover->closePopover();
        EXPECT_FALSE(popover->isVisible()) << animates;
        EXPECT_EQ(popover->popoverWindow()->alphaValue(), 1.0) << animates;
        EXPECT_EQ(popover->popoverWindow()->parentWindow(), nullptr) << animates;
        EXPECT_FALSE(parent->childWindows().contains(popover->popoverWindow()));
        // Closing a closed popover does nothing.
        popover->closePopover();
        EXPECT_FALSE(popover->isVisible());
    }
    popover->displayPopoverInWindow(parent.get(), QPointF(200, 150));
    EXPECT_TRUE(popover->isVisible());
}

TEST_F(VRLPopoverControllerTest, ClosesOnResigningKeyOrDeactivationOnlyWhenAsked)
{
    popover->displayPopoverInWindow(parent.get(), QPointF(200, 150));
    popover->windowDidResignKey(popover->popoverWindow());
    popover->applicationDidResignActive();
    EXPECT_TRUE(popover->isVisible());
    popover->setClosesWhenPopoverResignsKey(true);
    popover->windowDidResignKey(popover->popoverWindow());
    EXPECT_FALSE(popover->isVisible());
    popover->displayPopoverInWindow(parent.get(), QPointF(200, 150));
    popover->setClosesWhenApplicationBecomesInactive(true);
    popover->applicationDidResignActive();
    EXPECT_FALSE(popover->isVisible());
}

TEST_F(VRLPopoverControllerTest, AnUnknownPositionAttachesAtTheBubblesOrigin)
{
    LogCapture log;
    popover->setPosition(42);
    popover->displayPopoverInWindow(parent.get(), QPointF(200, 150));
    const QRectF parentFrame = parent->frame();
    EXPECT_EQ(popover->popoverWindow()->frame().topLeft(), QPointF(parentFrame.x() + 200, parentFrame.y() + 150));
    EXPECT_FALSE(log.messages().isEmpty());
}

TEST_F(VRLPopoverControllerTest, ChoosingTheBestLocationSetsThePosition)
{
    // Near the screen's bottom the popover goes to the right of the point,
    // extending upward since the parent ends above the centred bubble's bottom.
    const QRectF screen = Screen::mainVisibleFrame();
    parent->setFrame(QRectF(screen.x() + 100, screen.y() + 10, 400, 300));
    popover->displayPopoverInWindow(parent.get(), QPointF(200, 20), true);
    EXPECT_EQ(popover->position(), 6);
}

// --- the picture -----------------------------------------------------------

TEST(VRLPopoverPicture, BubblesAtSeveralPositions)
{
    // Each frame view draws its bubble round a coloured content rectangle.
    class Content : public View {
    public:
        using View::View;
        void drawRect(QPainter& painter, const QRectF&) override
        {
            painter.fillRect(QRectF(QPointF(0, 0), bounds().size()), QColor(70, 130, 180));
        }
    };
    class Board : public View {
    public:
        using View::View;
        void drawRect(QPainter& painter, const QRectF&) override
        {
            painter.fillRect(QRectF(QPointF(0, 0), bounds().size()), QColor(225, 225, 225));
        }
    };
    Board board(QRectF(0, 0, 620, 330));
    const struct {
        int position;
        bool roundBeside;
        QPointF origin;
    } cases[] = {
        {1, true, {10, 180}}, {3, true, {160, 180}}, {0, true, {310, 190}}, {2, true, {460, 190}},
        {11, true, {10, 20}}, {8, false, {160, 20}}, {5, false, {310, 20}}, {6, true, {460, 20}},
    };
    for (const auto& c : cases) {
        VRLPopoverGeometry g = at(c.position);
        g.drawRoundCornerBesideArrow = c.roundBeside;
        auto* frame = new VRLPopoverWindowFrame(QRectF(c.origin, Frame::frameRectForContentRect(QRectF(0, 0, 110, 90), g).size()));
        frame->setPopoverPosition(c.position);
        frame->setDrawRoundCornerBesideArrow(c.roundBeside);
        board.addSubview(frame);
        auto* content = new Content(Frame::contentRectForFrameRect(frame->bounds(), g));
        frame->addSubview(content);
    }
    board.resize(620, 330);
    EXPECT_FALSE(saveScreenshot(&board, "arrow-popover").isEmpty());
}

}  // namespace VRLPopoverTests
