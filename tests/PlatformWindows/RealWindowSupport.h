#pragma once
// What every test on a real X server needs: the fixture that refuses to run
// without a display, waiting for the server, and reading the screen back.

#include "Window.h"

#include <QColor>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <QThread>
#include <QImage>
#include <QWindow>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

namespace RealWindows {

// X answers asynchronously: keep the event loop turning until the condition
// holds or the time is up.
inline bool waitUntil(const std::function<bool()>& condition, int milliseconds = 5000)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > milliseconds) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return true;
}

inline bool shownOnScreen(Window& window)
{
    return waitUntil([&] { return window.windowHandle() && window.windowHandle()->isExposed(); });
}

// Whether the window has the keyboard, as the window manager gave it.
inline bool focusIn(const QWidget* window)
{
    return window && window->windowHandle() && QGuiApplication::focusWindow() == window->windowHandle();
}

// The colour the X server shows at a point of Qt's global coordinates.
inline QColor colourOnScreenAt(const QPoint& point)
{
    const QPixmap pixel = QGuiApplication::primaryScreen()->grabWindow(0, point.x(), point.y(), 1, 1);
    return pixel.toImage().pixelColor(0, 0);
}

inline bool sameColour(const QColor& a, const QColor& b)
{
    return std::abs(a.red() - b.red()) <= 8 && std::abs(a.green() - b.green()) <= 8 &&
           std::abs(a.blue() - b.blue()) <= 8;
}

// Waits until the screen shows the colour at the point (painting reaches
// the server a little after the window is exposed).
inline bool screenShows(const QPoint& point, const QColor& colour)
{
    return waitUntil([&] { return sameColour(colourOnScreenAt(point), colour); });
}

}  // namespace RealWindows

// Fails each test when there is no X display (a test that cannot run must
// not pass), unless ZORAVEL_NO_DISPLAY_TESTS=1 asks to skip them. Fades are
// of zero length while a test runs.
class RealWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (QGuiApplication::platformName() != QStringLiteral("xcb")) {
            if (qgetenv("ZORAVEL_NO_DISPLAY_TESTS") == "1") GTEST_SKIP() << "ZORAVEL_NO_DISPLAY_TESTS=1: no display";
            FAIL() << "No usable X display (the platform is " << QGuiApplication::platformName().toStdString()
                   << "): run these tests under scripts/with-display.sh, or set ZORAVEL_NO_DISPLAY_TESTS=1 to "
                      "skip them.";
        }
        Window::setAnimationDurationScale(0);
    }
    void TearDown() override { Window::setAnimationDurationScale(1); }
};
