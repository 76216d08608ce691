// The gear menu on a real X server: a press on the gear opens its menu
// under the button, each submenu opens beside its row, and the menu closes
// without running anything when dismissed.
#include "../PlatformWindows/RealWindowSupport.h"

#include "MainView.h"
#include "MainViewHeight.h"
#include "PopUpButton.h"
#include "Screen.h"
#include "Screenshot.h"

#include <QAction>
#include <QElapsedTimer>
#include <QApplication>
#include <QGuiApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QScreen>
#include <QTimer>

#include <memory>

using namespace RealWindows;

namespace {

class GearMenuOnScreen : public RealWindowTest {
protected:
    void SetUp() override
    {
        RealWindowTest::SetUp();
        if (HasFatalFailure() || IsSkipped()) return;
        m_previousHeight = mainViewHeight;
        mainViewHeight = quint64(height);
        const QRectF visible = Screen::mainVisibleFrame();
        // Near the top of the screen (ours: y up), so the menu has room below.
        window = std::make_unique<Window>(
            QRectF(visible.left() + 80, visible.y() + visible.height() - 40 - height, 310, height),
            BorderlessWindowMask);
        view = new MainView(QRectF(0, 0, 310, height));
        window->setContentView(view);
        view->toggleViewSize();
        window->makeKeyAndOrderFront();
        ASSERT_TRUE(shownOnScreen(*window));
    }
    void TearDown() override
    {
        window.reset();
        mainViewHeight = m_previousHeight;
        RealWindowTest::TearDown();
    }

    // The part of the screen round the window and anything open beside it.
    void saveScreenArea(const QString& name) const
    {
        const QRect area = window->geometry().adjusted(0, 0, 560, 260);
        const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(0, area.x(), area.y(), area.width(),
                                                                             area.height());
        shot.save(screenshotFolder() + QLatin1Char('/') + name + QStringLiteral(".png"));
    }

    static constexpr double height = 400;
    std::unique_ptr<Window> window;
    MainView* view = nullptr;

private:
    quint64 m_previousHeight = 0;
};

}  // namespace

TEST_F(GearMenuOnScreen, APressOnTheGearOpensItsMenuAndEachSubmenu)
{
    PopUpButton* gear = view->settingBtn();
    ASSERT_NE(gear, nullptr);

    struct Seen {
        bool opened = false;
        QRect menuGeometry;
        QStringList rows;
        QList<bool> submenuShown;
    } seen;
    const QStringList shots = {QStringLiteral("gear-menu-actions"), QStringLiteral("gear-menu-viewing"),
                               QStringLiteral("gear-menu-position")};
    // The menu runs its own loop: look at it from a timer inside that loop.
    QTimer::singleShot(0, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu || !waitUntil([&] { return menu->isVisible() && menu->windowHandle()->isExposed(); })) {
            if (menu) menu->close();
            return;
        }
        seen.opened = true;
        seen.menuGeometry = menu->geometry();
        int shot = 0;
        for (QAction* action : menu->actions()) {
            if (action->isSeparator()) continue;
            seen.rows << action->text();
            if (!action->menu()) continue;
            menu->setActiveAction(action);
            QMenu* submenu = action->menu();
            const bool shown = waitUntil(
                [&] { return submenu->isVisible() && submenu->windowHandle()->isExposed(); }, 3000);
            seen.submenuShown << (shown && submenu->geometry().left() >= menu->geometry().right() - 4);
            // Let both menus paint before the screen is read.
            QElapsedTimer painting;
            painting.start();
            while (painting.elapsed() < 150) QApplication::processEvents();
            if (shown && shot < shots.size()) saveScreenArea(shots[shot++]);
        }
        menu->close();
    });

    const QPointF at(19, 20);
    QMouseEvent press(QEvent::MouseButtonPress, at, gear->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(gear, &press);  // returns once the menu closed

    ASSERT_TRUE(seen.opened) << "the menu did not open from the gear";
    // It hangs from the gear's bottom left corner, or above it when the
    // screen has no room below.
    const QPoint gearBottomLeft = gear->mapToGlobal(QPoint(0, gear->height()));
    const QPoint gearTopLeft = gear->mapToGlobal(QPoint(0, 0));
    EXPECT_NEAR(seen.menuGeometry.left(), gearBottomLeft.x(), 2);
    EXPECT_TRUE(std::abs(seen.menuGeometry.top() - gearBottomLeft.y()) <= 2 ||
                std::abs(seen.menuGeometry.bottom() + 1 - gearTopLeft.y()) <= 2)
        << "menu at " << seen.menuGeometry.top() << "-" << seen.menuGeometry.bottom();
    EXPECT_EQ(seen.rows.size(), 7) << seen.rows.join(QLatin1Char(',')).toStdString();
    EXPECT_EQ(seen.submenuShown, QList<bool>({true, true, true}));
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr) << "closed again";
    EXPECT_EQ(view->pref(), nullptr) << "dismissing ran nothing";
}
