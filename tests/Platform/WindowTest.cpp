#include "Screen.h"
#include "TestEnvironment.h"
#include "View.h"
#include "Window.h"

#include <QGuiApplication>
#include <QScreen>

#include <gtest/gtest.h>

#include <memory>

namespace {

class ScaleZero {
public:
    ScaleZero() { Window::setAnimationDurationScale(0); }
    ~ScaleZero() { Window::setAnimationDurationScale(1); }
};

TEST(ScreenTest, ConversionsRoundTripAndTurnY)
{
    const QRectF qtScreen = QGuiApplication::primaryScreen()->geometry();
    const double height = qtScreen.height();
    EXPECT_EQ(Screen::mainFrame(), QRectF(0, 0, qtScreen.width(), height));
    // Our bottom left corner is Qt's bottom edge.
    EXPECT_EQ(Screen::toQt(QPointF(0, 0)), QPointF(qtScreen.left(), qtScreen.top() + height));
    EXPECT_EQ(Screen::toQt(QRectF(10, 20, 100, 50)), QRectF(qtScreen.left() + 10, qtScreen.top() + height - 70, 100, 50));

    const QRectF rects[] = {QRectF(0, 0, 1, 1), QRectF(10.25, 20.5, 100.75, 50.5), QRectF(-40, 900, 30, 30),
                            QRectF(5, 5, 0, 0)};
    for (const QRectF& rect : rects) {
        SCOPED_TRACE(testing::Message() << rect.x() << "," << rect.y());
        EXPECT_EQ(Screen::fromQt(Screen::toQt(rect)), rect);
        EXPECT_EQ(Screen::fromQt(Screen::toQt(rect.topLeft())), rect.topLeft());
        // A rectangle's corners convert as its points do.
        EXPECT_EQ(Screen::toQt(rect).bottomLeft(), Screen::toQt(rect.topLeft()));
    }
}

TEST(ScreenTest, TheVisibleFrameLiesWithinTheFrame)
{
    const QRectF frame = Screen::mainFrame();
    const QRectF visible = Screen::mainVisibleFrame();
    EXPECT_FALSE(visible.isEmpty());
    EXPECT_TRUE(frame.contains(visible));
    EXPECT_EQ(visible, Screen::fromQt(QRectF(QGuiApplication::primaryScreen()->availableGeometry())));
    EXPECT_GE(Screen::mainScale(), 1.0);
}

TEST(WindowTest, TheFrameIsKeptInOurCoordinatesWithItsFractions)
{
    Window window(QRectF(100.25, 200.5, 300.5, 150));
    EXPECT_EQ(window.frame(), QRectF(100.25, 200.5, 300.5, 150));
    EXPECT_EQ(QRectF(window.geometry()), Screen::toQt(QRectF(100, 200, 301, 150)).toAlignedRect());

    window.setFrameOrigin(QPointF(50, 60));
    EXPECT_EQ(window.frame(), QRectF(50, 60, 300.5, 150));

    // A move by someone else (the user, a window manager) is read back.
    window.move(window.x() + 7, window.y());
    EXPECT_EQ(window.frame().topLeft(), QPointF(57, 60));

    // Nonsense sizes give an empty window, not a fault.
    window.setFrame(QRectF(0, 0, -20, qQNaN()));
    EXPECT_EQ(window.frame().size(), QSizeF(0, 0));
}

TEST(WindowTest, SetContentSizeKeepsTheTopLeftCorner)
{
    Window window(QRectF(100, 200, 300, 150));
    window.setContentSize(QSizeF(200, 250));
    EXPECT_EQ(window.frame(), QRectF(100, 100, 200, 250));
}

TEST(WindowTest, TheContentViewCoversTheWindowAndFollowsItsSize)
{
    Window window(QRectF(100, 100, 300, 200));
    View* content = window.contentView();
    ASSERT_NE(content, nullptr);
    auto* footer = new View(QRectF(0, 0, 300, 20), content);
    footer->setAutoresizingMask(ViewWidthSizable | ViewMaxYMargin);
    // From the start, not only after a resize.
    EXPECT_EQ(content->geometry(), QRect(0, 0, 300, 200));
    EXPECT_EQ(footer->geometry(), QRect(0, 180, 300, 20));

    struct Step {
        const char* what;
        std::function<void()> change;
        QSizeF size;
    };
    const Step steps[] = {
        {"set frame", [&] { window.setFrame(QRectF(100, 100, 400, 260.5)); }, QSizeF(400, 260.5)},
        {"content size", [&] { window.setContentSize(QSizeF(320, 180)); }, QSizeF(320, 180)},
        {"resized by Qt", [&] { window.resize(350, 240); }, QSizeF(350, 240)},
    };
    window.show();
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        step.change();
        EXPECT_EQ(window.frame().size(), step.size);
        EXPECT_EQ(content->frame(), QRectF(QPointF(0, 0), QSizeF(window.size())));
        EXPECT_EQ(content->geometry(), QRect(QPoint(0, 0), window.size()));
        // A footer hung from the bottom stays there, as wide as the window.
        EXPECT_EQ(footer->geometry(), QRect(0, window.height() - 20, window.width(), 20));
    }

    auto* replacement = new View();
    window.setContentView(replacement);
    EXPECT_EQ(window.contentView(), replacement);
    EXPECT_EQ(replacement->frame(), QRectF(0, 0, 350, 240));
}

TEST(WindowTest, FlagsFollowTheStyleTheLevelAndKeyAbility)
{
    class NeverKey : public Window {
    public:
        using Window::Window;
        bool canBecomeKeyWindow() const override { return false; }
    };

    Window normal;
    normal.show();
    EXPECT_FALSE(normal.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_FALSE(normal.windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_FALSE(normal.windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus));

    // A level changed on a shown window keeps it shown, where it was.
    const QRectF before = normal.frame();
    normal.setLevel(Window::Level::Status);
    EXPECT_TRUE(normal.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(normal.isVisible());
    EXPECT_EQ(normal.frame(), before);

    Window borderless(QRectF(0, 0, 100, 100), BorderlessWindowMask);
    EXPECT_TRUE(borderless.windowFlags().testFlag(Qt::FramelessWindowHint));

    NeverKey neverKey(QRectF(0, 0, 100, 100), BorderlessWindowMask);
    neverKey.orderFront();
    EXPECT_TRUE(neverKey.windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus));

    Panel panel;
    EXPECT_EQ(panel.windowType(), Qt::Tool);
    EXPECT_FALSE(panel.canBecomeMainWindow());
    EXPECT_TRUE(normal.canBecomeMainWindow());
}

TEST(WindowTest, ChildWindowsAreKeptButNotOwned)
{
    auto parent = std::make_unique<Window>();
    Panel child;
    Window grandchild;
    parent->addChildWindow(&child);
    child.addChildWindow(&grandchild);
    EXPECT_EQ(child.parentWindow(), parent.get());
    EXPECT_EQ(parent->childWindows(), QList<Window*>{&child});
    EXPECT_TRUE(child.isWindow());

    // No cycles: a window is never its own ancestor.
    grandchild.addChildWindow(parent.get());
    EXPECT_EQ(parent->parentWindow(), nullptr);

    child.show();
    parent.reset();
    // The child outlives its parent: set free and hidden.
    EXPECT_EQ(child.parentWindow(), nullptr);
    EXPECT_FALSE(child.isVisible());
    EXPECT_EQ(child.childWindows(), QList<Window*>{&grandchild});

    child.removeChildWindow(&grandchild);
    EXPECT_EQ(grandchild.parentWindow(), nullptr);
    EXPECT_TRUE(child.childWindows().isEmpty());
}

TEST(WindowTest, SheetsHangFromTheParentsTopAndReportTheirCode)
{
    EXPECT_EQ(Window::sheetFrame(QRectF(100, 100, 400, 300), QSizeF(200, 120)), QRectF(200, 280, 200, 120));
    // A sheet wider than its window is narrowed to it, never hanging past it.
    EXPECT_EQ(Window::sheetFrame(QRectF(100, 100, 322, 612), QSizeF(410, 150)), QRectF(100, 562, 322, 150));

    Window parent(QRectF(100, 100, 400, 300));
    parent.show();
    Window sheet(QRectF(0, 0, 200, 120), BorderlessWindowMask);
    Window second(QRectF(0, 0, 200, 120));
    std::vector<int> codes;
    parent.beginSheet(&sheet, [&](int code) { codes.push_back(code); });
    EXPECT_EQ(parent.attachedSheet(), &sheet);
    EXPECT_TRUE(sheet.isSheet());
    EXPECT_TRUE(sheet.isVisible());
    EXPECT_EQ(sheet.windowModality(), Qt::WindowModal);
    EXPECT_EQ(sheet.frame(), QRectF(200, 280, 200, 120));

    // One sheet at a time: the second is refused at once.
    parent.beginSheet(&second, [&](int code) { codes.push_back(100 + code); });
    EXPECT_EQ(codes, std::vector<int>{99});
    EXPECT_FALSE(second.isVisible());

    parent.endSheet(&second, 5);   // not its sheet: ignored
    parent.endSheet(&sheet, 7);
    EXPECT_EQ(codes, (std::vector<int>{99, 7}));
    EXPECT_FALSE(sheet.isVisible());
    EXPECT_FALSE(sheet.isSheet());
    EXPECT_EQ(parent.attachedSheet(), nullptr);
    EXPECT_EQ(sheet.parentWindow(), nullptr);

    // A sheet deleted while shown frees the parent for the next one.
    auto doomed = std::make_unique<Window>(QRectF(0, 0, 100, 50));
    parent.beginSheet(doomed.get(), [&](int code) { codes.push_back(code); });
    doomed.reset();
    EXPECT_EQ(parent.attachedSheet(), nullptr);
    parent.beginSheet(&second, [&](int code) { codes.push_back(code); });
    EXPECT_EQ(parent.attachedSheet(), &second);
    EXPECT_EQ(codes, (std::vector<int>{99, 7}));
}

TEST(WindowTest, FadesOfZeroLengthEndAtOnceAndNewFadesReplaceOld)
{
    ScaleZero zero;
    Window window;
    window.show();
    int completions = 0;
    window.fadeAlphaTo(0.25, 0.5, [&] { ++completions; });
    EXPECT_NEAR(window.alphaValue(), 0.25, 0.01);
    EXPECT_EQ(completions, 1);
    EXPECT_FALSE(window.isFading());

    // A running fade replaced by another never reports its completion.
    Window::setAnimationDurationScale(1);
    window.fadeAlphaTo(1.0, 10, [&] { completions += 100; });
    EXPECT_TRUE(window.isFading());
    window.fadeAlphaTo(0.5, 0, [&] { ++completions; });
    EXPECT_FALSE(window.isFading());
    EXPECT_NEAR(window.alphaValue(), 0.5, 0.01);
    EXPECT_EQ(completions, 2);

    window.setAlphaValue(7);
    EXPECT_NEAR(window.alphaValue(), 1.0, 0.01);
}

TEST(WindowTest, AnimatedFramesEndExactlyOnTheirFrameOrGiveWayToANewOne)
{
    struct Case {
        const char* what;
        double scale;
        bool shown;
        bool animates;
    };
    const Case cases[] = {
        {"scale 0", 0, true, false},
        {"hidden window", 1, false, false},
        {"shown at scale 1", 1, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScaleZero restore;
        Window::setAnimationDurationScale(c.scale);
        Window window(QRectF(0, 0, 200, 100));
        window.setFrame(QRectF(100, 50, 300, 300));
        if (c.shown) window.show();
        const QRectF target(100, 149.5, 300, 200.5);  // the same top left
        window.animateFrame(target, 0.05);
        EXPECT_EQ(window.isAnimatingFrame(), c.animates);
        EXPECT_TRUE(processEventsUntil([&] { return !window.isAnimatingFrame(); }, 2000));
        EXPECT_EQ(window.frame(), target) << "fractions kept at the end";

        // A frame set meanwhile wins over the animation.
        window.animateFrame(QRectF(100, 50, 300, 300), 10);
        window.setFrame(QRectF(0, 0, 300, 200));
        EXPECT_FALSE(window.isAnimatingFrame());
        EXPECT_EQ(window.frame(), QRectF(0, 0, 300, 200));
    }
}

TEST(WindowTest, TheDelegateHearsOfMovesResizesAndTheClose)
{
    struct Recorder : WindowDelegate {
        QStringList calls;
        void windowDidResize(Window*) override { calls.append(QStringLiteral("resize")); }
        void windowDidMove(Window*) override { calls.append(QStringLiteral("move")); }
        void windowWillClose(Window*) override { calls.append(QStringLiteral("close")); }
    } recorder;
    Window window(QRectF(100, 100, 300, 200));
    window.show();
    window.setDelegate(&recorder);
    window.setFrameOrigin(QPointF(150, 100));
    window.setContentSize(QSizeF(320, 200));
    window.orderOut();
    window.show();
    window.close();
    EXPECT_EQ(recorder.calls, QStringList({"move", "resize", "close"}));
}

TEST(WindowTest, UpdateSuspensionsNest)
{
    Window window;
    window.setUpdatesSuspended(true);
    window.setUpdatesSuspended(true);
    window.setUpdatesSuspended(false);
    EXPECT_TRUE(window.areUpdatesSuspended());
    EXPECT_FALSE(window.updatesEnabled());
    window.setUpdatesSuspended(false);
    EXPECT_TRUE(window.updatesEnabled());
    // One resume too many changes nothing.
    window.setUpdatesSuspended(false);
    window.setUpdatesSuspended(true);
    EXPECT_FALSE(window.updatesEnabled());
}

}  // namespace
