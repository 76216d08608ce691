// The tips and the About panel on a real X server: each tip beside its
// anchor, the day tip's pages with their arrows, and the About panel as a
// child window of the main window that closing detaches.
#include "../PlatformWindows/RealWindowSupport.h"
#include "../PlatformWindows/WindowManagerSupport.h"

#include "AboutUsPanel.h"
#include "AboutUsView.h"
#include "Button.h"
#include "GuruView.h"
#include "GuruViewController.h"
#include "ImageSegmentedControl.h"
#include "ListModuleView.h"
#include "MainView.h"
#include "MainViewHeight.h"
#include "Popover.h"
#include "Screen.h"
#include "Screenshot.h"
#include "TextField.h"
#include "TextMeasure.h"

#include <QApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QWindow>

#include <memory>

using namespace RealWindows;

namespace {

class TipsAndAboutOnScreen : public RealWindowTest {
protected:
    void saveScreenArea(const QRect& area, const QString& name) const
    {
        const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(0, area.x(), area.y(), area.width(),
                                                                             area.height());
        shot.save(screenshotFolder() + QLatin1Char('/') + name + QStringLiteral(".png"));
    }
};

// Whether the screen shows the tip's present picture at its own size: the
// blue bar of the site spot, 43 points above the picture's lower edge.
bool pictureOnScreen(GuruView* tip)
{
    const QPoint bar = tip->mapToGlobal(QPoint(60, tip->height() - 43));
    return screenShows(bar, QColor(0x3D, 0x62, 0xBB)) && !screenShows(bar + QPoint(0, 6), QColor(0x3D, 0x62, 0xBB));
}

}  // namespace

TEST_F(TipsAndAboutOnScreen, EachTipShowsBesideItsAnchorAndTheDayTipTurnsItsPages)
{
    const QRectF visible = Screen::mainVisibleFrame();
    Window window(QRectF(visible.center().x() - 40, visible.center().y() - 20, 80, 40), BorderlessWindowMask);
    auto* anchor = new View(QRectF(0, 0, 80, 40));
    window.setContentView(anchor);
    window.orderFront();
    ASSERT_TRUE(shownOnScreen(window));

    struct Case {
        int type;
        int edge;
    };
    const Case cases[] = {{0, 3}, {1, 3}, {2, 0}, {3, 0}, {4, 3}, {5, 0}};
    GuruViewController controller;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        controller.showGuruPopOverAtPositionView(anchor, c.type, c.edge);
        ASSERT_NE(controller.popover(), nullptr);
        auto* tip = static_cast<Window*>(controller.popover()->window());
        ASSERT_TRUE(shownOnScreen(*tip));
        const QRect placed = tip->geometry();
        const QRect anchorRect(anchor->mapToGlobal(QPoint(0, 0)), anchor->size());
        if (c.edge == 0) EXPECT_LE(placed.right(), anchorRect.left());
        else EXPECT_LE(placed.bottom(), anchorRect.top()) << "above the anchor";
        EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
        EXPECT_TRUE(waitUntil([&] { return pictureOnScreen(controller.customView()); }));
        saveScreenArea(placed.united(anchorRect).adjusted(-10, -10, 10, 10), QStringLiteral("tip-on-screen-%1").arg(c.type));
    }

    // The day tip under the mouse: the next arrow, then the previous one.
    controller.showGuruPopOverAtPositionView(anchor, GuruViewController::DayCalendarTip);
    GuruView* tip = controller.customView();
    auto* tipWindow = static_cast<Window*>(controller.popover()->window());
    for (int page : {1, 2}) {
        SCOPED_TRACE(page);
        const QPointF inside(tip->width() / 2.0, tip->height() / 2.0);
        QMouseEvent move(QEvent::MouseMove, inside, tip->mapToGlobal(inside), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QApplication::sendEvent(tip, &move);
        EXPECT_EQ(tip->currentPage(), page);
        EXPECT_EQ(tip->prevPage()->isVisible(), page == 2);
        EXPECT_EQ(tip->nextPage()->isVisible(), page == 1);
        // The window follows the picture's size.
        const QSize border = tipWindow->size() - tip->size();
        EXPECT_EQ(border.width(), border.height());
        EXPECT_TRUE(waitUntil([&] { return pictureOnScreen(tip); }));
        saveScreenArea(tipWindow->geometry().adjusted(-4, -4, 4, 4), QStringLiteral("tip-day-page-%1").arg(page));
        if (page == 1) tip->nextPage()->performClick();
    }
    EXPECT_NE(tip->frame().height(), 0);
    controller.shouldClose();
    EXPECT_TRUE(waitUntil([&] { return !tipWindow->isVisible(); }));
}

TEST_F(TipsAndAboutOnScreen, TheAboutPanelShowsBesideTheMainWindowAndClosingDetachesIt)
{
    const quint64 previousHeight = mainViewHeight;
    mainViewHeight = 400;
    const QString previousVersion = QCoreApplication::applicationVersion();
    QCoreApplication::setApplicationVersion(QStringLiteral("2.0"));
    const QRectF visible = Screen::mainVisibleFrame();
    Window window(QRectF(visible.left() + 40, visible.y() + visible.height() - 440, 310, 400), BorderlessWindowMask);
    auto* view = new MainView(QRectF(0, 0, 310, 400));
    window.setContentView(view);
    window.makeKeyAndOrderFront();
    ASSERT_TRUE(shownOnScreen(window));

    for (int showing = 0; showing < 2; ++showing) {
        SCOPED_TRACE(showing);
        view->about();
        AboutUsPanel* panel = view->aboutPanel();
        ASSERT_NE(panel, nullptr);
        ASSERT_TRUE(shownOnScreen(*panel));
        EXPECT_EQ(window.childWindows(), QList<Window*>{panel});
        EXPECT_EQ(panel->frame().size(), QSizeF(310, 430));
        if (showing == 0) {
            // Everything the box lists shows whole: inside the panel as it
            // lies on the screen, the credits within their label.
            AboutUsView* about = panel->aboutUs();
            const QRect shown = panel->geometry();
            EXPECT_TRUE(WindowManager::workArea().contains(panel->frameGeometry()));
            for (QWidget* part : about->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
                EXPECT_TRUE(shown.contains(QRect(part->mapToGlobal(QPoint()), part->size())))
                    << part->metaObject()->className() << " at " << part->y();
            TextField* credits = about->creditsLabel();
            EXPECT_LE(TextMeasure::heightOfText(credits->stringValue(), credits->textFont(), credits->frame().width() - 4),
                      credits->frame().height());
            saveScreenArea(window.geometry().united(panel->geometry()).adjusted(-10, -40, 10, 10),
                           QStringLiteral("about-panel-beside-main-window-%1x%2")
                               .arg(Screen::mainFrame().width())
                               .arg(Screen::mainFrame().height()));
        }
        panel->close();
        EXPECT_TRUE(waitUntil([&] { return !panel->isVisible(); }));
        EXPECT_TRUE(window.childWindows().isEmpty());
    }
    window.setContentView(nullptr);
    mainViewHeight = previousHeight;
    QCoreApplication::setApplicationVersion(previousVersion);
}

TEST_F(TipsAndAboutOnScreen, TheMouseOverTheNotesTabShowsItsHelpButtonWhichShowsTheNotesTipOnTheLeft)
{
    const QRectF visible = Screen::mainVisibleFrame();
    Window window(QRectF(visible.center().x(), visible.top() + 100, 280, 500), BorderlessWindowMask);
    auto* module = new ListModuleView(QRectF(0, 0, 280, 500));
    window.setContentView(module);
    window.orderFront();
    ASSERT_TRUE(shownOnScreen(window));

    // The real pointer comes up the list onto the notes tab.
    const QPoint notesTab = module->tabsView()->mapToGlobal(QPoint(140, 20));
    for (int step = 10; step >= 0; --step) {
        QCursor::setPos(notesTab + QPoint(0, step * 20));
        QApplication::processEvents();
    }
    ASSERT_TRUE(waitUntil([&] { return module->noteGuruBtn()->isVisible(); }));
    module->noteGuruBtn()->performClick();
    GuruViewController* controller = module->guruViewController();
    ASSERT_NE(controller, nullptr);
    ASSERT_NE(controller->popover(), nullptr);
    EXPECT_EQ(controller->customView()->typeOfGuru(), GuruViewController::NoteListTip);
    EXPECT_EQ(controller->popover()->shownScreenEdge(), RectEdge::MinX);
    EXPECT_TRUE(waitUntil([&] { return pictureOnScreen(controller->customView()); }));
}
