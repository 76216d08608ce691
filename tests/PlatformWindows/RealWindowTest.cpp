// Windows on a real X server: where they land, which one holds the focus,
// what stays above what, what reaches the screen. Run by
// scripts/with-display.sh (Xvfb with a tray); without a display every test
// fails unless ZORAVEL_NO_DISPLAY_TESTS=1 says to skip them.
#include "RealWindowSupport.h"
#include "Screen.h"
#include "Screenshot.h"
#include "View.h"
#include "Window.h"

#include <QDialog>
#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QSystemTrayIcon>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

using namespace RealWindows;

namespace {

class FocusLog : public WindowDelegate {
public:
    FocusLog(QString name, QStringList& log) : m_name(std::move(name)), m_log(log) {}
    void windowDidBecomeKey(Window*) override { m_log.append(m_name + QStringLiteral("+")); }
    void windowDidResignKey(Window*) override { m_log.append(m_name + QStringLiteral("-")); }

private:
    QString m_name;
    QStringList& m_log;
};

std::unique_ptr<Window> colouredWindow(const QRectF& frame, const QColor& colour, unsigned style = TitledWindowMask)
{
    auto window = std::make_unique<Window>(frame, style);
    window->setBackgroundBrush(colour);
    return window;
}

TEST_F(RealWindowTest, TheScreenInOurCoordinatesMatchesTheServers)
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    EXPECT_EQ(Screen::mainFrame(), QRectF(QPointF(0, 0), QSizeF(screen->geometry().size())));
    EXPECT_TRUE(Screen::mainFrame().contains(Screen::mainVisibleFrame()));
    EXPECT_FALSE(Screen::mainVisibleFrame().isEmpty());
    const QRectF rect(12.5, 40, 200, 100.25);
    EXPECT_EQ(Screen::fromQt(Screen::toQt(rect)), rect);
}

TEST_F(RealWindowTest, AFrameSetInOurCoordinatesLandsWhereQtSays)
{
    auto window = colouredWindow(QRectF(120, 200, 320, 180), QColor(200, 60, 60), BorderlessWindowMask);
    window->orderFront();
    ASSERT_TRUE(shownOnScreen(*window));
    const QRect expected = Screen::toQt(QRectF(120, 200, 320, 180)).toRect();
    EXPECT_TRUE(waitUntil([&] { return window->windowHandle()->geometry() == expected; }))
        << "Qt has the window at " << window->windowHandle()->geometry().x() << ","
        << window->windowHandle()->geometry().y();
    EXPECT_EQ(window->mapToGlobal(QPoint(0, 0)), expected.topLeft());
    EXPECT_EQ(window->frame(), QRectF(120, 200, 320, 180));
    // Its bottom left pixel is what the server shows at our (120, 200).
    EXPECT_TRUE(screenShows(Screen::toQt(QPointF(121, 201)).toPoint(), QColor(200, 60, 60)));

    window->setFrameOrigin(QPointF(300, 50));
    const QRect moved = Screen::toQt(QRectF(300, 50, 320, 180)).toRect();
    EXPECT_TRUE(waitUntil([&] { return window->windowHandle()->geometry() == moved; }));
    EXPECT_EQ(window->frame(), QRectF(300, 50, 320, 180));
}

TEST_F(RealWindowTest, OnlyAStatusWindowStaysOnTop)
{
    auto normal = colouredWindow(QRectF(100, 100, 200, 200), Qt::gray);
    auto status = colouredWindow(QRectF(150, 150, 200, 200), Qt::darkGray, BorderlessWindowMask);
    status->setLevel(Window::Level::Status);
    normal->orderFront();
    status->orderFront();
    ASSERT_TRUE(shownOnScreen(*normal));
    ASSERT_TRUE(shownOnScreen(*status));
    EXPECT_TRUE(status->windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_FALSE(normal->windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint));

    // Back to normal on screen: the flag goes, the window stays where it
    // was and keeps the focus it had.
    status->makeKeyAndOrderFront();
    ASSERT_TRUE(waitUntil([&] { return status->isKeyWindow(); }));
    status->setLevel(Window::Level::Normal);
    ASSERT_TRUE(shownOnScreen(*status));
    EXPECT_FALSE(status->windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(status->frame(), QRectF(150, 150, 200, 200));
    EXPECT_TRUE(waitUntil([&] { return QGuiApplication::focusWindow() == status->windowHandle(); }));
}

// Counts the times a widget is hidden.
class HideCounter : public QObject {
public:
    int hides = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Hide) ++hides;
        return false;
    }
};

TEST_F(RealWindowTest, ALevelChangeKeepsTheWindowItsFocusAndItsPlace)
{
    // A pinned window changes level whenever the program comes forward or
    // goes back; made again, it would be unmapped and lose the press that
    // brought the program forward.
    for (const unsigned style : {unsigned(TitledWindowMask), unsigned(BorderlessWindowMask)}) {
        SCOPED_TRACE(style == TitledWindowMask ? "titled" : "borderless");
        auto window = colouredWindow(QRectF(150, 150, 200, 200), Qt::darkGray, style);
        window->makeKeyAndOrderFront();
        ASSERT_TRUE(shownOnScreen(*window));
        ASSERT_TRUE(waitUntil([&] { return window->isKeyWindow(); }));
        const WId native = window->winId();
        HideCounter counter;
        window->installEventFilter(&counter);
        const Window::Level steps[] = {Window::Level::Status, Window::Level::Status, Window::Level::Normal,
                                       Window::Level::Status, Window::Level::Normal};
        for (const Window::Level level : steps) {
            window->setLevel(level);
            QCoreApplication::processEvents();
            EXPECT_EQ(window->windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint), level == Window::Level::Status);
            EXPECT_EQ(window->winId(), native) << "the same native window";
            EXPECT_EQ(counter.hides, 0) << "never hidden";
            EXPECT_TRUE(window->windowHandle()->isExposed());
            EXPECT_EQ(window->frame(), QRectF(150, 150, 200, 200));
        }
        EXPECT_TRUE(waitUntil([&] { return QGuiApplication::focusWindow() == window->windowHandle(); }));
        window->removeEventFilter(&counter);
    }
}

TEST_F(RealWindowTest, AChildWindowStaysAChildAboveItsParent)
{
    const QColor red(220, 40, 40), green(40, 180, 60);
    auto parent = colouredWindow(QRectF(100, 100, 300, 200), red, BorderlessWindowMask);
    auto child = colouredWindow(QRectF(200, 150, 100, 100), green, BorderlessWindowMask);
    parent->addChildWindow(child.get());
    parent->orderFront();
    child->orderFront();
    ASSERT_TRUE(shownOnScreen(*parent));
    ASSERT_TRUE(shownOnScreen(*child));
    EXPECT_EQ(child->windowHandle()->transientParent(), parent->windowHandle());
    EXPECT_EQ(child->parentWindow(), parent.get());

    const QPoint overlap = Screen::toQt(QPointF(250, 200)).toPoint();
    const QPoint parentOnly = Screen::toQt(QPointF(120, 120)).toPoint();
    EXPECT_TRUE(screenShows(overlap, green));
    EXPECT_TRUE(screenShows(parentOnly, red));

    // Bringing the parent forward keeps the child above it.
    parent->orderFront();
    parent->makeKeyAndOrderFront();
    QCoreApplication::processEvents();
    EXPECT_TRUE(screenShows(overlap, green));

    // Removed, it is a free window again, still on screen.
    parent->removeChildWindow(child.get());
    EXPECT_TRUE(waitUntil([&] { return child->isVisible() && child->windowHandle()->isExposed(); }));
    EXPECT_EQ(child->windowHandle()->transientParent(), nullptr);
    EXPECT_TRUE(parent->childWindows().isEmpty());
}

TEST_F(RealWindowTest, KeyStatusMovesBetweenWindowsAndTheCallsComeInOrder)
{
    QStringList log;
    FocusLog aLog(QStringLiteral("a"), log), bLog(QStringLiteral("b"), log);
    auto a = colouredWindow(QRectF(100, 300, 200, 150), Qt::lightGray);
    auto b = colouredWindow(QRectF(400, 300, 200, 150), Qt::lightGray);
    a->setDelegate(&aLog);
    b->setDelegate(&bLog);

    a->makeKeyAndOrderFront();
    ASSERT_TRUE(waitUntil([&] { return a->isKeyWindow(); }));
    EXPECT_EQ(log, QStringList({"a+"}));

    b->makeKeyAndOrderFront();
    ASSERT_TRUE(waitUntil([&] { return b->isKeyWindow(); }));
    EXPECT_FALSE(a->isKeyWindow());
    EXPECT_EQ(log, QStringList({"a+", "a-", "b+"}));

    // A window that cannot become key comes forward but leaves the focus.
    class NeverKey : public Window {
    public:
        using Window::Window;
        bool canBecomeKeyWindow() const override { return false; }
    };
    NeverKey overlay(QRectF(450, 320, 100, 80), BorderlessWindowMask);
    overlay.makeKeyAndOrderFront();
    ASSERT_TRUE(shownOnScreen(overlay));
    QCoreApplication::processEvents();
    EXPECT_TRUE(b->isKeyWindow());
    EXPECT_FALSE(overlay.isKeyWindow());
    EXPECT_EQ(log, QStringList({"a+", "a-", "b+"}));

    // X11 tells a focus that left for nowhere late, even after a window of
    // ours has taken it, and that window's focus at once after: no resign.
    Q_EMIT qGuiApp->focusWindowChanged(nullptr);
    Q_EMIT qGuiApp->focusWindowChanged(b->windowHandle());
    waitUntil([] { return false; }, 400);
    EXPECT_TRUE(b->isKeyWindow());
    EXPECT_EQ(log, QStringList({"a+", "a-", "b+"}));

    // The window that goes gives the keyboard back to the one it took it from.
    b->orderOut();
    ASSERT_TRUE(waitUntil([&] { return !b->isKeyWindow(); }));
    ASSERT_TRUE(waitUntil([&] { return a->isKeyWindow(); }));
    EXPECT_EQ(log, QStringList({"a+", "a-", "b+", "b-", "a+"}));
}

TEST_F(RealWindowTest, FocusInTheWindowsOwnChildWindowsIsNoResignKey)
{
    QStringList log;
    FocusLog windowLog(QStringLiteral("w"), log), panelLog(QStringLiteral("p"), log);
    auto window = colouredWindow(QRectF(100, 200, 400, 300), Qt::lightGray);
    window->setDelegate(&windowLog);
    window->makeKeyAndOrderFront();
    ASSERT_TRUE(waitUntil([&] { return window->isKeyWindow(); }));

    Panel panel(QRectF(520, 300, 200, 150));
    panel.setDelegate(&panelLog);
    window->addChildWindow(&panel);
    panel.makeKeyAndOrderFront();
    ASSERT_TRUE(waitUntil([&] { return QGuiApplication::focusWindow() == panel.windowHandle(); }));
    QCoreApplication::processEvents();
    EXPECT_TRUE(window->isKeyWindow());
    EXPECT_TRUE(panel.isKeyWindow());
    EXPECT_EQ(log, QStringList({"w+", "p+"}));

    // Back to the window: the panel resigns, the window does not become key again.
    window->makeKeyAndOrderFront();
    ASSERT_TRUE(waitUntil([&] { return QGuiApplication::focusWindow() == window->windowHandle(); }));
    QCoreApplication::processEvents();
    EXPECT_EQ(log, QStringList({"w+", "p+", "p-"}));

    // Any top-level parented to the window counts, a plain Qt dialog too.
    QDialog dialog(window.get());
    dialog.resize(160, 80);
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(waitUntil([&] { return QGuiApplication::focusWindow() == dialog.windowHandle(); }));
    QCoreApplication::processEvents();
    EXPECT_TRUE(window->isKeyWindow());
    EXPECT_EQ(log, QStringList({"w+", "p+", "p-"}));
    dialog.hide();
}

TEST_F(RealWindowTest, FadesReachTheirTarget)
{
    auto window = colouredWindow(QRectF(100, 100, 200, 100), Qt::blue);
    window->orderFront();
    ASSERT_TRUE(shownOnScreen(*window));
    bool done = false;
    window->fadeAlphaTo(0.4, 0.3, [&] { done = true; });
    EXPECT_TRUE(done);
    EXPECT_NEAR(window->alphaValue(), 0.4, 0.01);

    // A real fade runs through the event loop and ends at the target too.
    Window::setAnimationDurationScale(1);
    done = false;
    window->fadeAlphaTo(1.0, 0.05, [&] { done = true; });
    EXPECT_TRUE(window->isFading());
    ASSERT_TRUE(waitUntil([&] { return done; }));
    EXPECT_NEAR(window->alphaValue(), 1.0, 0.01);
}

TEST_F(RealWindowTest, ABorderlessTranslucentWindowRendersItsBackgroundImage)
{
    const QSize size(260, 160);
    const QColor fill(70, 120, 210);
    QImage bubble(size, QImage::Format_ARGB32_Premultiplied);
    bubble.fill(Qt::transparent);
    {
        QPainter painter(&bubble);
        painter.setRenderHint(QPainter::Antialiasing);
        QPainterPath shape;
        shape.addRoundedRect(QRectF(QPointF(0.5, 0.5), QSizeF(size) - QSizeF(1, 1)), 24, 24);
        painter.fillPath(shape, fill);
        painter.setPen(QPen(fill.darker(150), 1));
        painter.drawPath(shape);
    }

    // A coloured content drawn by a view, inset from the bubble's edge.
    class Swatch : public View {
    public:
        using View::View;
        void drawRect(QPainter& painter, const QRectF&) override
        {
            painter.setRenderHint(QPainter::Antialiasing);
            painter.setBrush(QColor(250, 200, 60));
            painter.setPen(Qt::NoPen);
            painter.drawRoundedRect(bounds().adjusted(0, 0, 0, 0), 10, 10);
        }
    };

    Window window(QRectF(300, 300, size.width(), size.height()), BorderlessWindowMask);
    window.setOpaque(false);
    window.setBackgroundImage(bubble);
    new Swatch(QRectF(40, 40, 180, 80), window.contentView());
    window.orderFront();
    ASSERT_TRUE(shownOnScreen(window));

    EXPECT_TRUE(window.testAttribute(Qt::WA_TranslucentBackground));
    // The image's body (outside the swatch) reaches the server.
    EXPECT_TRUE(screenShows(Screen::toQt(QPointF(300 + 20, 300 + 80)).toPoint(), fill));
    EXPECT_TRUE(screenShows(Screen::toQt(QPointF(300 + 130, 300 + 80)).toPoint(), QColor(250, 200, 60)));
    EXPECT_FALSE(saveScreenshot(&window, QStringLiteral("window-translucent")).isEmpty());
}

TEST_F(RealWindowTest, TheDisplayHasATray)
{
    // scripts/with-display.sh starts a tray; the shell's tray item needs one.
    EXPECT_TRUE(waitUntil([] { return QSystemTrayIcon::isSystemTrayAvailable(); }));
}

}  // namespace
