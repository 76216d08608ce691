#include "SegmentedControl.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>

namespace SegmentedControlTests {

namespace {

// A left-button press, drag or release at a point of the widget's Qt coordinates.
void sendMouse(QWidget* widget, QEvent::Type type, const QPointF& point)
{
    const Qt::MouseButtons buttons = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, point, widget->mapToGlobal(point), Qt::LeftButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

void click(QWidget* widget, const QPointF& press, const QPointF& release)
{
    sendMouse(widget, QEvent::MouseButtonPress, press);
    sendMouse(widget, QEvent::MouseButtonRelease, release);
}

// Three segments of 100 points each in a control 300 wide, 30 high.
struct Window {
    std::unique_ptr<View> root = std::make_unique<View>(QRectF(0, 0, 360, 80));
    SegmentedControl* control = new SegmentedControl(QRectF(20, 20, 300, 30), root.get());
    int actions = 0;
    explicit Window(SegmentSwitchTracking mode = SegmentSwitchTracking::SelectOne)
    {
        control->setSegmentCount(3);
        control->setLabel(QStringLiteral("Day"), 0);
        control->setLabel(QStringLiteral("Week"), 1);
        control->setLabel(QStringLiteral("Month"), 2);
        control->setTrackingMode(mode);
        control->setTarget(nullptr, [this](SegmentedControl*) { ++actions; });
    }
    void clickSegment(int segment) { click(control, centre(segment), centre(segment)); }
    QPointF centre(int segment) const { return control->frameOfSegment(segment).center(); }
    std::vector<bool> selection() const
    {
        std::vector<bool> selected;
        for (int i = 0; i < control->segmentCount(); ++i) selected.push_back(control->isSelectedForSegment(i));
        return selected;
    }
};

}  // namespace

TEST(SegmentedControl, FixedWidthsAreKeptAndTheRestIsSharedByTheSegmentsOfWidthZero)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        const char* name;
        std::vector<double> widths;
        std::vector<std::pair<double, double>> expected;  // left, width
    };
    const Case cases[] = {
        {"equal shares", {0, 0, 0}, {{0, 100}, {100, 100}, {200, 100}}},
        {"one fixed, two sharing", {60, 0, 0}, {{0, 60}, {60, 120}, {180, 120}}},
        {"all fixed", {50, 80, 70}, {{0, 50}, {50, 80}, {130, 70}}},
        {"a fixed one in the middle", {0, 90, 0}, {{0, 105}, {105, 90}, {195, 105}}},
        {"fixed widths wider than the control leave nothing to share", {200, 0, 150}, {{0, 200}, {200, 0}, {200, 150}}},
        {"a negative or undefined width shares", {-5, nan, 0}, {{0, 100}, {100, 100}, {200, 100}}},
    };
    for (const Case& c : cases) {
        Window w;
        for (int i = 0; i < 3; ++i) w.control->setWidth(c.widths[size_t(i)], i);
        const std::vector<QRectF> pure = SegmentedControl::segmentFrames(c.widths, QRectF(0, 0, 300, 30));
        for (int i = 0; i < 3; ++i) {
            const QRectF frame = w.control->frameOfSegment(i);
            EXPECT_DOUBLE_EQ(frame.left(), c.expected[size_t(i)].first) << c.name << " segment " << i;
            EXPECT_DOUBLE_EQ(frame.width(), c.expected[size_t(i)].second) << c.name << " segment " << i;
            EXPECT_DOUBLE_EQ(frame.top(), 0) << c.name;
            EXPECT_DOUBLE_EQ(frame.height(), 30) << c.name;
            EXPECT_EQ(frame, pure[size_t(i)]) << c.name << ": the control places as the pure function";
        }
    }
}

TEST(SegmentedControl, PointsFindTheirSegmentWithSharedEdgesGoingRight)
{
    Window w;
    EXPECT_TRUE(w.control->frameOfSegment(3).isEmpty());
    EXPECT_TRUE(w.control->frameOfSegment(-1).isEmpty());
    struct Case {
        QPointF point;
        int segment;
    };
    const Case cases[] = {
        {{0, 0}, 0},   {{99.9, 15}, 0}, {{100, 15}, 1}, {{200, 29.9}, 2},
        {{299.9, 5}, 2}, {{300, 15}, -1}, {{-0.1, 15}, -1}, {{50, 30}, -1},
    };
    for (const Case& c : cases) EXPECT_EQ(w.control->segmentAtPoint(c.point), c.segment) << c.point.x() << "," << c.point.y();
}

TEST(SegmentedControl, ClicksSelectOneOrFlipAnyAndRunTheActionEachTime)
{
    using Mode = SegmentSwitchTracking;
    struct Case {
        const char* name;
        Mode mode;
        std::vector<int> clicks;
        std::vector<bool> selection;
        int selectedSegment;
        std::vector<Qt::Key> keysAfter = {};  // pressed after the clicks
        int actions = -1;                     // -1: one for each click
    };
    const Case cases[] = {
        {"one: a click selects", Mode::SelectOne, {1}, {false, true, false}, 1},
        {"one: another click moves the selection", Mode::SelectOne, {0, 2}, {false, false, true}, 2},
        {"one: clicking the selected keeps it", Mode::SelectOne, {2, 2}, {false, false, true}, 2},
        {"any: clicks add", Mode::SelectAny, {0, 2}, {true, false, true}, 2},
        {"any: a second click deselects", Mode::SelectAny, {0, 2, 2}, {true, false, false}, 0},
        {"any: all off again", Mode::SelectAny, {1, 1}, {false, false, false}, -1},
        {"one: the arrows choose the next segment, none past the end", Mode::SelectOne, {0},
         {false, false, true}, 2, {Qt::Key_Right, Qt::Key_Right, Qt::Key_Right}, 3},
        {"one: from the selected one back", Mode::SelectOne, {2}, {true, false, false}, 0,
         {Qt::Key_Left, Qt::Key_Left, Qt::Key_Space}, 4},
        {"any: the arrows move, Space flips", Mode::SelectAny, {}, {false, false, true}, 2,
         {Qt::Key_Right, Qt::Key_Space, Qt::Key_Right, Qt::Key_Space, Qt::Key_Left, Qt::Key_Space}, 3},
        {"any: the keys go on from the segment clicked", Mode::SelectAny, {2}, {false, true, true}, 1,
         {Qt::Key_Left, Qt::Key_Space}, 2},
    };
    for (const Case& c : cases) {
        Window w(c.mode);
        for (int segment : c.clicks) w.clickSegment(segment);
        for (Qt::Key key : c.keysAfter) {
            QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, key == Qt::Key_Space ? QStringLiteral(" ") : QString());
            QApplication::sendEvent(w.control, &press);
        }
        EXPECT_EQ(w.selection(), c.selection) << c.name;
        EXPECT_EQ(w.control->selectedSegment(), c.selectedSegment) << c.name;
        EXPECT_EQ(w.actions, c.actions < 0 ? int(c.clicks.size()) : c.actions) << c.name;
    }
}

TEST(SegmentedControl, SelectedSegmentIsMinusOneForNoneAndOutOfRangeSelectsNone)
{
    for (SegmentSwitchTracking mode : {SegmentSwitchTracking::SelectOne, SegmentSwitchTracking::SelectAny}) {
        Window w(mode);
        EXPECT_EQ(w.control->selectedSegment(), -1);
        w.control->setSelectedSegment(1);
        EXPECT_EQ(w.control->selectedSegment(), 1);
        EXPECT_TRUE(w.control->isSelectedForSegment(1));
        w.control->setSelectedSegment(3);
        EXPECT_EQ(w.control->selectedSegment(), -1);
        EXPECT_EQ(w.selection(), (std::vector<bool>{false, false, false}));
        w.control->setSelectedSegment(2);
        w.control->setSelectedSegment(-1);
        EXPECT_EQ(w.control->selectedSegment(), -1);
        EXPECT_FALSE(w.control->isSelectedForSegment(2));
        EXPECT_FALSE(w.control->isSelectedForSegment(7));
        w.control->setSelected(true, 7);  // ignored
        EXPECT_EQ(w.selection(), (std::vector<bool>{false, false, false}));
    }
    // In select-one, selecting by code leaves one selected; in select-any they add up.
    Window one;
    one.control->setSelected(true, 0);
    one.control->setSelected(true, 2);
    EXPECT_EQ(one.selection(), (std::vector<bool>{false, false, true}));
    Window any(SegmentSwitchTracking::SelectAny);
    any.control->setSelected(true, 0);
    any.control->setSelected(true, 2);
    EXPECT_EQ(any.selection(), (std::vector<bool>{true, false, true}));
    EXPECT_EQ(any.control->selectedSegment(), 2) << "the one selected last";
    any.control->setTrackingMode(SegmentSwitchTracking::SelectOne);
    EXPECT_EQ(any.selection(), (std::vector<bool>{false, false, true})) << "going to select-one keeps one";
    // Fewer segments drop the selection of those removed.
    any.control->setSegmentCount(2);
    EXPECT_EQ(any.control->selectedSegment(), -1);
}

TEST(SegmentedControl, TheActionRunsOnlyForAClickReleasedInTheSegmentPressed)
{
    struct Case {
        const char* name;
        QPointF press;
        QPointF release;
        int actions;
        int selected;
    };
    const Case cases[] = {
        {"released in the same segment", {150, 15}, {120, 10}, 1, 1},
        {"released in another segment", {150, 15}, {250, 15}, 0, -1},
        {"released outside", {150, 15}, {150, 60}, 0, -1},
        {"pressed outside, released inside", {150, 60}, {150, 15}, 0, -1},
    };
    for (const Case& c : cases) {
        Window w;
        click(w.control, c.press, c.release);
        EXPECT_EQ(w.actions, c.actions) << c.name;
        EXPECT_EQ(w.control->selectedSegment(), c.selected) << c.name;
        EXPECT_EQ(w.control->highlightedSegment(), -1) << c.name << ": no pressed look after the release";
    }

    Window w;
    w.control->setSelectedSegment(2);
    w.control->setSelected(true, 0);
    w.control->selectSegmentWithTag(0);
    EXPECT_EQ(w.actions, 0) << "selecting by code never runs the action";

    // Dragging out takes the pressed look away; back in restores it.
    sendMouse(w.control, QEvent::MouseButtonPress, w.centre(1));
    EXPECT_EQ(w.control->highlightedSegment(), 1);
    sendMouse(w.control, QEvent::MouseMove, w.centre(2));
    EXPECT_EQ(w.control->highlightedSegment(), -1);
    sendMouse(w.control, QEvent::MouseMove, w.centre(1));
    EXPECT_EQ(w.control->highlightedSegment(), 1);
    sendMouse(w.control, QEvent::MouseButtonRelease, w.centre(1));
    EXPECT_EQ(w.actions, 1);

    // A disabled segment or control takes no clicks.
    w.control->setEnabled(false, 2);
    w.clickSegment(2);
    EXPECT_EQ(w.actions, 1);
    EXPECT_EQ(w.control->selectedSegment(), 1);
    w.control->setEnabled(false);
    w.clickSegment(0);
    EXPECT_EQ(w.actions, 1);

    // A destroyed receiver ends the action.
    Window owned;
    auto receiver = std::make_unique<QObject>();
    int calls = 0;
    owned.control->setTarget(receiver.get(), [&](SegmentedControl*) { ++calls; });
    owned.clickSegment(0);
    receiver.reset();
    owned.clickSegment(1);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(owned.control->selectedSegment(), 1) << "the click still selects";
}

TEST(SegmentedControl, ThePaintHookDrawsEachSegmentOnceInItsFrame)
{
    Window w;
    w.control->setWidth(60, 0);
    w.control->setSelectedSegment(2);
    struct Call {
        int segment;
        QRectF frame;
        bool selected;
        bool highlighted;
    };
    std::vector<Call> calls;
    w.control->setSegmentPainter([&](QPainter& painter, int segment, const QRectF& frame, bool selected, bool highlighted) {
        calls.push_back({segment, frame, selected, highlighted});
        painter.fillRect(frame, segment == 0 ? Qt::red : segment == 1 ? Qt::green : Qt::blue);
    });
    sendMouse(w.control, QEvent::MouseButtonPress, w.centre(1));  // held: highlighted
    const QImage shot = w.control->snapshot();
    sendMouse(w.control, QEvent::MouseButtonRelease, QPointF(-10, -10));

    ASSERT_EQ(calls.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(calls[size_t(i)].segment, i);
        EXPECT_EQ(calls[size_t(i)].frame, w.control->frameOfSegment(i));
        EXPECT_EQ(calls[size_t(i)].selected, i == 2);
        EXPECT_EQ(calls[size_t(i)].highlighted, i == 1);
    }
    EXPECT_EQ(calls[0].frame, QRectF(0, 0, 60, 30));
    // The hook's drawing is all there is, top down in the control's coordinates.
    EXPECT_EQ(shot.pixelColor(30, 5), QColor(Qt::red));
    EXPECT_EQ(shot.pixelColor(150, 25), QColor(Qt::green));
    EXPECT_EQ(shot.pixelColor(299, 15), QColor(Qt::blue));
}

TEST(SegmentedControl, AMissingImageLeavesTheLabel)
{
    const auto render = [](const QString& label, const QImage& image) {
        Window w;
        w.control->setLabel(label, 1);
        w.control->setImage(image, 1);
        return w.control->snapshot();
    };
    const QImage labelOnly = render(QStringLiteral("Week"), QImage());
    const QImage missingImage = render(QStringLiteral("Week"), QImage(QStringLiteral("/no/such/picture.png")));
    const QImage blank = render(QString(), QImage());
    QImage red(16, 16, QImage::Format_ARGB32_Premultiplied);
    red.fill(Qt::red);
    const QImage withImage = render(QStringLiteral("Week"), red);

    EXPECT_EQ(missingImage, labelOnly) << "drawn exactly as the label alone";
    EXPECT_NE(labelOnly, blank) << "the label shows";
    EXPECT_NE(withImage, labelOnly) << "a real image shows beside the label";
}

TEST(SegmentedControl, FittingWidthAddsFixedWidthsAndTheContentOfSharedOnes)
{
    SegmentedControl control(QRectF(0, 0, 300, 24));
    control.setSegmentCount(2);
    control.setWidth(40, 0);
    EXPECT_EQ(control.fittingWidth(), 40 + 12) << "an empty shared segment is its insets";
    control.setLabel(QStringLiteral("Month"), 1);
    const double withLabel = control.fittingWidth();
    EXPECT_GT(withLabel, 52 + 20);
    control.setWidth(70, 1);
    EXPECT_EQ(control.fittingWidth(), 110);
}

TEST(SegmentedControl, AContentPainterDrawsInsideTheControlsOwnBezel)
{
    Window window;
    std::vector<int> painted;
    window.control->setSegmentPainter(
        [&painted](QPainter&, int segment, const QRectF&, bool, bool) { painted.push_back(segment); },
        SegmentedControl::PainterScope::SegmentContent);
    const QImage shot = window.control->snapshot();
    EXPECT_EQ(painted, (std::vector<int>{0, 1, 2}));
    // The bezel's edge is still drawn: the pixel on the left edge, halfway
    // down, is not transparent.
    EXPECT_GT(shot.pixelColor(0, 15).alpha(), 0);
}

TEST(SegmentedControl, TemplateImagesTakeTheLabelColourOfTheirSegment)
{
    SegmentedControl control(QRectF(0, 0, 80, 30));
    control.setSegmentCount(2);
    QImage white(12, 12, QImage::Format_ARGB32_Premultiplied);
    white.fill(Qt::white);
    control.setImage(white, 0);
    control.setImage(white, 1);
    control.setSelectedSegment(1);
    const auto centreOf = [&control](int segment) {
        return control.frameOfSegment(segment).center().toPoint();
    };
    QImage plain = control.snapshot();
    EXPECT_GT(qGray(plain.pixel(centreOf(0))), 240) << "as made: white on the light segment";
    control.setTemplateImages(true);
    const QImage tinted = control.snapshot();
    EXPECT_LT(qGray(tinted.pixel(centreOf(0))), 80) << "dark on the light segment";
    EXPECT_GT(qGray(tinted.pixel(centreOf(1))), 240) << "white on the selected one";
}

}  // namespace SegmentedControlTests
