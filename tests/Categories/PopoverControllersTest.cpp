// The five popover controllers: what each shows and where, the main view's
// state around them, closing on request and by themselves, the popover
// following its content's size, and the colour picker's picks.
#include "CategoriesTestFixture.h"
#include "CategoryShowHideViewController.h"
#include "CategoryViewController.h"
#include "ColorView.h"
#include "ColorViewController.h"
#include "Matrix.h"
#include "NotificationCenter.h"
#include "NotificationViewController.h"
#include "Notifications.h"
#include "Popover.h"
#include "Screenshot.h"
#include "TagViewController.h"
#include "TestEnvironment.h"

#include <gtest/gtest.h>

namespace PopoverControllersTests {
namespace {

// Takes a colour as the add-project form does.
class ColourTaker : public View, public ColorReceiver {
public:
    using View::View;
    void setColor(qint64 palettePosition) override { colours.append(palettePosition); }
    QList<qint64> colours;
};

class PopoverControllersTest : public CategoriesViewTest {
protected:
    void clickCell(ColorViewController& controller, int row, int column)
    {
        Matrix* matrix = static_cast<ColorView*>(controller.customView())->matrix();
        Clicks::click(controller.popover()->window(), Clicks::inWindow(matrix, matrix->cellFrameAtRow(row, column).center()));
    }
};

TEST_F(PopoverControllersTest, EachControllerShowsItsSizeOnItsEdgeAndClosesOnRequestAndByItself)
{
    struct Case {
        PopoverViewController* controller;  // owned by the case
        QSizeF size;
        PopoverBehavior behavior;
        RectEdge screenEdge;  // beside a view whose y runs up
        bool setsHasPopup;
        int RecordingMainView::*button;  // turned off by every close
    };
    const Case cases[] = {
        {new CategoryViewController, {280, 173}, PopoverBehavior::Transient, RectEdge::MinX, true,
         nullptr},  // 100 high made, fitted to a one-line tag field
        {new NotificationViewController, {300, 0}, PopoverBehavior::Semitransient, RectEdge::MinY, true,
         &RecordingMainView::notificationButtonState},  // no unread comment
        {new TagViewController, {230, 88}, PopoverBehavior::Semitransient, RectEdge::MinY, true,
         &RecordingMainView::tagButtonState},  // 100 wide made, fitted to no tags
        {new CategoryShowHideViewController, {230, 106}, PopoverBehavior::Semitransient, RectEdge::MinY, true,
         &RecordingMainView::categoryButtonState},  // one header and the template's category
        {new ColorViewController, {276, 80}, PopoverBehavior::Semitransient, RectEdge::MaxY, false, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.controller->metaObject()->className());
        // One at a time: every live controller clears the flag on the request.
        const std::unique_ptr<PopoverViewController> controller(c.controller);
        main.hasPopupFlag = false;
        controller->showAtPositionView(anchor);
        Popover* popover = controller->popover();
        ASSERT_NE(popover, nullptr);
        EXPECT_EQ(popover->behavior(), c.behavior);
        EXPECT_EQ(popover->shownScreenEdge(), c.screenEdge);
        EXPECT_EQ(controller->customView()->frame().size(), c.size);
        EXPECT_EQ(popover->window()->size(), (c.size + QSizeF(2, 2)).toSize());
        EXPECT_EQ(main.hasPopupFlag, c.setsHasPopup);

        main.hasPopupFlag = true;
        if (c.button) main.*c.button = 1;
        NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kPopoverShouldClose);
        EXPECT_EQ(controller->popover(), nullptr);
        EXPECT_FALSE(popover->isShown());
        EXPECT_EQ(main.hasPopupFlag, !c.setsHasPopup) << "the picker never touches the flag";
        if (c.button) {
            EXPECT_EQ(main.*c.button, 0) << "a button left on would need a click to open nothing";
        }

        controller->showAtPositionView(anchor);
        if (c.button) main.*c.button = 1;
        main.hasPopupFlag = true;
        pressElsewhere();
        EXPECT_EQ(controller->popover(), nullptr);
        EXPECT_EQ(main.hasPopupFlag, !c.setsHasPopup);
        if (c.button) {
            EXPECT_EQ(main.*c.button, 0) << "its button in the main window turns off";
        }
    }
}

TEST_F(PopoverControllersTest, APopoverFollowsItsContentsHeightAtOnceInTestsAndOverTimeOtherwise)
{
    for (const double scale : {0.0, 0.05}) {
        SCOPED_TRACE(scale);
        Window::setAnimationDurationScale(scale);
        // The last case's popover went with the focus: the window takes it back.
        window->makeKeyAndOrderFront();
        QApplication::processEvents();
        CategoryShowHideViewController controller;
        controller.categoryShowHideViewPopOverAtPositionView(anchor);
        QWidget* popoverWindow = controller.popover()->window();
        controller.customView()->setFrameSize(QSizeF(230, 250));
        EXPECT_EQ(popoverWindow->height() == 252, scale == 0) << "at once only without a length";
        EXPECT_TRUE(processEventsUntil([&] { return popoverWindow->height() == 252; }));
        EXPECT_EQ(controller.popover()->shownScreenEdge(), RectEdge::MinY);
    }
}

TEST_F(PopoverControllersTest, AClickedSwatchGivesItsPalettePositionToAnOpenerThatTakesColours)
{
    struct Case {
        int row, column;
        qint64 position;
    };
    auto* opener = new ColourTaker(QRectF(10, 10, 40, 20), window->contentView());
    ColorViewController controller;
    controller.setParentView(opener);
    for (const Case& c : {Case{1, 3, 11}, Case{2, 5, 21}, Case{3, 7, 31}, Case{0, 0, 0}}) {
        SCOPED_TRACE(c.position);
        controller.colorViewPopOverAtPositionView(opener);
        clickCell(controller, c.row, c.column);
        EXPECT_EQ(opener->colours.value(opener->colours.size() - 1, -1), c.position);
        EXPECT_EQ(controller.popover(), nullptr) << "the picker closes";
    }
    // An opener that takes no colour: the cell is marked, the picker stays.
    controller.setParentView(anchor);
    controller.colorViewPopOverAtPositionView(anchor);
    clickCell(controller, 2, 6);
    ASSERT_NE(controller.popover(), nullptr);
    EXPECT_TRUE(controller.popover()->isShown());
    EXPECT_EQ(static_cast<ColorView*>(controller.customView())->matrix()->selectedColumn(), 6);
    EXPECT_EQ(opener->colours.size(), 4);
    EXPECT_FALSE(saveScreenshot(controller.popover()->window(), QStringLiteral("colour-picker-chosen")).isEmpty());
}

}  // namespace
}  // namespace PopoverControllersTests
