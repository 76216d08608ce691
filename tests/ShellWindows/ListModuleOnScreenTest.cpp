// The list module's help tip on a real X server: a tool window beside the
// tab strip that takes no grab.
#include "../PlatformWindows/RealWindowSupport.h"

#include "Button.h"
#include "GuruViewController.h"
#include "ImageSegmentedControl.h"
#include "ListModuleView.h"
#include "Popover.h"
#include "Screen.h"
#include "Screenshot.h"

#include <QApplication>
#include <QMouseEvent>
#include <QWindow>

using namespace RealWindows;

namespace {

class ListModuleOnScreen : public RealWindowTest {};

}  // namespace

TEST_F(ListModuleOnScreen, AHelpTipOpensAsAToolWindowBesideItsTab)
{
    const QRectF visible = Screen::mainVisibleFrame();
    Window window(QRectF(visible.center().x(), visible.top() + 100, 280, 500), BorderlessWindowMask);
    auto* module = new ListModuleView(QRectF(0, 0, 280, 500));
    window.setContentView(module);
    window.orderFront();
    ASSERT_TRUE(shownOnScreen(window));

    Button* help = module->noteGuruBtn();
    help->show();
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        const QPointF at(10, 10);
        QMouseEvent event(type, at, help->mapToGlobal(at), Qt::LeftButton,
                          type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(help, &event);
    }
    ASSERT_NE(module->guruViewController(), nullptr);
    Popover* popover = module->guruViewController()->popover();
    ASSERT_NE(popover, nullptr);
    auto* tip = static_cast<Window*>(popover->window());
    ASSERT_TRUE(shownOnScreen(*tip));
    EXPECT_EQ(tip->windowHandle()->type(), Qt::Tool);
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
    EXPECT_EQ(QWidget::keyboardGrabber(), nullptr);

    // Left of the strip, level with it, where X put it.
    const QRect strip(module->tabsView()->mapToGlobal(QPoint(0, 0)), module->tabsView()->size());
    const QRect placed = tip->geometry();
    EXPECT_LE(placed.right(), strip.left());
    EXPECT_NEAR(placed.center().y(), strip.center().y(), 1);
    // The tip's picture is on screen, inside its border: its white paper
    // under the dark band at its top.
    EXPECT_TRUE(screenShows(placed.topLeft() + QPoint(placed.width() / 2, 33), Qt::white));
    EXPECT_FALSE(screenShows(placed.topLeft() + QPoint(placed.width() / 2, 12), Qt::white));
    saveScreenshot(tip, QStringLiteral("help-tip-on-screen"));

    // A press on the module's window closes the tip.
    const QPointF at(140, 300);
    QMouseEvent press(QEvent::MouseButtonPress, at, module->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(module, &press);
    EXPECT_FALSE(popover->isShown());
    EXPECT_TRUE(waitUntil([&] { return !tip->isVisible(); }));
}
