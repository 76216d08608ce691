// The five popover controllers: what each shows and where, the main view's
// state around them, closing on request and by themselves, and the popover
// following its content's size.
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
#include "TagView.h"
#include "TagViewController.h"
#include "TestEnvironment.h"

#include <gtest/gtest.h>

#include <functional>

namespace PopoverControllersTests {
namespace {

// Takes a colour as the add-project form does.
class ColourTaker : public View, public ColorReceiver {
public:
    using View::View;
    void setColor(qint64 palettePosition) override { colours.append(palettePosition); }
    QList<qint64> colours;
};

class PopoverControllersTest : public CategoriesViewTest {};

struct ControllerCase {
    const char* name;
    std::function<PopoverViewController*(QObject*)> make;
    std::function<void(PopoverViewController*, View*)> show;
    QSizeF size;
    PopoverBehavior behavior;
    RectEdge screenEdge;  // beside a view whose y runs up
    bool setsHasPopup;
    int RecordingMainView::*button;  // turned off by a close by itself; null: none
};

const ControllerCase controllerCases[] = {
    {"add project", [](QObject* o) { return new CategoryViewController(o); },
     [](PopoverViewController* c, View* v) { static_cast<CategoryViewController*>(c)->addCategoryPopOverAtPositionView(v); },
     {280, 100}, PopoverBehavior::Transient, RectEdge::MinX, true, nullptr},
    {"notifications", [](QObject* o) { return new NotificationViewController(o); },
     [](PopoverViewController* c, View* v) {
         static_cast<NotificationViewController*>(c)->showNotificationViewPopOverAtPositionView(v);
     },
     {300, 100}, PopoverBehavior::Semitransient, RectEdge::MinY, true, &RecordingMainView::notificationButtonState},
    {"tags", [](QObject* o) { return new TagViewController(o); },
     [](PopoverViewController* c, View* v) { static_cast<TagViewController*>(c)->tagViewPopOverAtPositionView(v); },
     {230, 100}, PopoverBehavior::Semitransient, RectEdge::MinY, true, &RecordingMainView::tagButtonState},
    {"show/hide", [](QObject* o) { return new CategoryShowHideViewController(o); },
     [](PopoverViewController* c, View* v) {
         static_cast<CategoryShowHideViewController*>(c)->categoryShowHideViewPopOverAtPositionView(v);
     },
     {230, 100}, PopoverBehavior::Semitransient, RectEdge::MinY, true, &RecordingMainView::categoryButtonState},
    {"colours", [](QObject* o) { return new ColorViewController(o); },
     [](PopoverViewController* c, View* v) { static_cast<ColorViewController*>(c)->colorViewPopOverAtPositionView(v); },
     {276, 80}, PopoverBehavior::Semitransient, RectEdge::MaxY, false, nullptr},
};

TEST_F(PopoverControllersTest, EachControllerShowsItsSizeOnItsEdgeAndClosesOnRequestAndByItself)
{
    for (const ControllerCase& c : controllerCases) {
        SCOPED_TRACE(c.name);
        // One at a time: every live controller clears the flag on the request.
        const std::unique_ptr<PopoverViewController> owned(c.make(nullptr));
        PopoverViewController* controller = owned.get();
        main.hasPopupFlag = false;
        c.show(controller, anchor);
        Popover* popover = controller->popover();
        ASSERT_NE(popover, nullptr);
        EXPECT_TRUE(popover->isShown());
        EXPECT_EQ(popover->behavior(), c.behavior);
        EXPECT_EQ(popover->shownScreenEdge(), c.screenEdge);
        // The tag view fits itself to its tags (none here: 88 high).
        EXPECT_EQ(controller->customView()->frame().width(), c.size.width());
        if (!qobject_cast<TagView*>(controller->customView()))
            EXPECT_EQ(controller->customView()->frame().size(), c.size);
        EXPECT_EQ(popover->window()->size(), (controller->customView()->frame().size() + QSizeF(2, 2)).toSize());
        EXPECT_EQ(main.hasPopupFlag, c.setsHasPopup);

        // Every open popover closes on the request; the picker leaves the flag.
        main.hasPopupFlag = true;
        NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kPopoverShouldClose);
        EXPECT_EQ(controller->popover(), nullptr);
        EXPECT_FALSE(popover->isShown());
        EXPECT_EQ(main.hasPopupFlag, !c.setsHasPopup);

        // A press elsewhere in the window closes each of them by itself.
        c.show(controller, anchor);
        if (c.button) main.*c.button = 1;
        main.hasPopupFlag = true;
        pressElsewhere();
        EXPECT_EQ(controller->popover(), nullptr);
        EXPECT_EQ(main.hasPopupFlag, !c.setsHasPopup);
        if (c.button) EXPECT_EQ(main.*c.button, 0) << "its button in the main window turns off";
    }
}

TEST_F(PopoverControllersTest, OpeningTwiceShowsANewTagViewAndAPostedCloseOfAClosedOneStillClearsTheFlag)
{
    TagViewController tags;
    tags.tagViewPopOverAtPositionView(anchor);
    const QPointer<View> first = tags.customView();
    tags.tagViewPopOverAtPositionView(anchor);
    ASSERT_NE(qobject_cast<TagView*>(tags.customView()), nullptr);
    EXPECT_NE(tags.customView(), first.data());
    EXPECT_TRUE(tags.popover()->isShown());

    tags.popover()->close();
    main.hasPopupFlag = true;
    NotificationCenter::defaultCenter().postNotificationName(kPopoverShouldClose);
    EXPECT_FALSE(main.hasPopupFlag);
}

TEST_F(PopoverControllersTest, APopoverFollowsItsContentsHeightAtOnceInTestsAndOverTimeOtherwise)
{
    struct Case {
        double scale;
        double height;
    };
    for (const Case c : {Case{0, 172}, Case{0, 90}, Case{0.05, 250}, Case{0.05, 120}}) {
        SCOPED_TRACE(c.height);
        Window::setAnimationDurationScale(c.scale);
        // The last case's popover went with the focus: the window takes it back.
        window->makeKeyAndOrderFront();
        QApplication::processEvents();
        CategoryShowHideViewController controller;
        controller.categoryShowHideViewPopOverAtPositionView(anchor);
        QWidget* popoverWindow = controller.popover()->window();
        controller.customView()->setFrameSize(QSizeF(230, c.height));
        const int wanted = int(c.height) + 2;
        if (c.scale == 0) {
            EXPECT_EQ(popoverWindow->height(), wanted);
        } else {
            EXPECT_NE(popoverWindow->height(), wanted) << "it does not jump";
            EXPECT_TRUE(processEventsUntil([&] { return popoverWindow->height() == wanted; }));
        }
        // Still on its edge, next to the anchor, once it got there.
        EXPECT_EQ(controller.popover()->shownScreenEdge(), RectEdge::MinY);
    }
}

TEST_F(PopoverControllersTest, AClickedSwatchGivesItsPalettePositionToTheOpenerAndClosesThePicker)
{
    struct Case {
        int row, column;
        qint64 position;
    };
    const Case cases[] = {{1, 3, 11}, {2, 5, 21}, {3, 7, 31}, {0, 0, 0}};
    auto* opener = new ColourTaker(QRectF(10, 10, 40, 20));
    window->contentView()->addSubview(opener);
    ColorViewController controller;
    controller.setParentView(opener);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.position);
        main.hasPopupFlag = true;
        controller.colorViewPopOverAtPositionView(opener);
        auto* picker = qobject_cast<ColorView*>(controller.customView());
        ASSERT_NE(picker, nullptr);
        Matrix* matrix = picker->matrix();
        EXPECT_EQ(matrix->numberOfRows(), 4);
        EXPECT_EQ(matrix->numberOfColumns(), 8);
        const QRectF cell = matrix->cellFrameAtRow(c.row, c.column);
        EXPECT_EQ(cell.size(), QSizeF(30, 15));
        Clicks::click(controller.popover()->window(),
                      Clicks::inWindow(matrix, matrix->toQt(cell).center()));
        ASSERT_FALSE(opener->colours.isEmpty());
        EXPECT_EQ(opener->colours.last(), c.position);
        EXPECT_EQ(controller.popover(), nullptr) << "the picker closes";
        EXPECT_TRUE(main.hasPopupFlag) << "the picker never touches the main view's flag";
    }
    EXPECT_EQ(opener->colours.size(), 4);
}

TEST_F(PopoverControllersTest, APickForAnOpenerThatTakesNoColourChangesNothingAndLeavesThePickerOpen)
{
    ColorViewController controller;
    controller.setParentView(anchor);
    controller.colorViewPopOverAtPositionView(anchor);
    auto* picker = qobject_cast<ColorView*>(controller.customView());
    ASSERT_NE(picker, nullptr);
    Matrix* matrix = picker->matrix();
    Clicks::click(controller.popover()->window(),
                  Clicks::inWindow(matrix, matrix->toQt(matrix->cellFrameAtRow(2, 6)).center()));
    EXPECT_EQ(matrix->selectedRow(), 2);
    EXPECT_EQ(matrix->selectedColumn(), 6);
    ASSERT_NE(controller.popover(), nullptr);
    EXPECT_TRUE(controller.popover()->isShown());
    EXPECT_FALSE(saveScreenshot(controller.popover()->window(), QStringLiteral("colour-picker-chosen")).isEmpty());
    // A click in the spacing between swatches picks nothing.
    const QRectF cell = matrix->cellFrameAtRow(0, 0);
    Clicks::click(controller.popover()->window(),
                  Clicks::inWindow(matrix, matrix->toQt(QRectF(cell.right() + 1, cell.top(), 1, 1)).center()));
    EXPECT_EQ(matrix->selectedRow(), 2);
}

}  // namespace
}  // namespace PopoverControllersTests
