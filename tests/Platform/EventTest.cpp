#include "View.h"

#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyleHints>
#include <QWheelEvent>

#include <gtest/gtest.h>

namespace {

// Records what reaches it; hands everything on when asked to.
class RecordingView : public View {
public:
    using View::View;
    bool handles = true;
    std::vector<Event> events;

    void mouseDown(const Event& e) override { take(e, [&] { View::mouseDown(e); }); }
    void mouseUp(const Event& e) override { take(e, [&] { View::mouseUp(e); }); }
    void mouseDragged(const Event& e) override { take(e, [&] { View::mouseDragged(e); }); }
    void rightMouseDown(const Event& e) override { take(e, [&] { View::rightMouseDown(e); }); }
    void rightMouseUp(const Event& e) override { take(e, [&] { View::rightMouseUp(e); }); }
    void keyDown(const Event& e) override { take(e, [&] { View::keyDown(e); }); }
    void scrollWheel(const Event& e) override { take(e, [&] { View::scrollWheel(e); }); }
    void mouseEntered(const Event& e) override { events.push_back(e); }
    void mouseExited(const Event& e) override { events.push_back(e); }
    void cursorUpdate(const Event& e) override { events.push_back(e); }

    QList<EventType> types() const
    {
        QList<EventType> list;
        for (const Event& e : events) list.append(e.type);
        return list;
    }

private:
    template <typename F>
    void take(const Event& e, F passOn)
    {
        events.push_back(e);
        if (!handles) passOn();
    }
};

void press(QWidget* widget, QPointF at, ulong timestampMs, Qt::MouseButton button = Qt::LeftButton,
           Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QMouseEvent event(QEvent::MouseButtonPress, at, widget->mapToGlobal(at), button, button, modifiers);
    event.setTimestamp(timestampMs);
    QApplication::sendEvent(widget, &event);
}

void release(QWidget* widget, QPointF at, ulong timestampMs, Qt::MouseButton button = Qt::LeftButton,
             Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QMouseEvent event(QEvent::MouseButtonRelease, at, widget->mapToGlobal(at), button, Qt::NoButton, modifiers);
    event.setTimestamp(timestampMs);
    QApplication::sendEvent(widget, &event);
}

void move(QWidget* widget, QPointF at, Qt::MouseButtons buttons = Qt::NoButton)
{
    QMouseEvent event(QEvent::MouseMove, at, widget->mapToGlobal(at), Qt::NoButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

Event keyEvent(View& view, int key, const QString& text, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QKeyEvent qt(QEvent::KeyPress, key, modifiers, text);
    return view.eventFrom(&qt, EventType::KeyDown);
}

class EventTest : public ::testing::Test {
protected:
    void SetUp() override { View::resetClickCount(); }
    const int interval = QGuiApplication::styleHints()->mouseDoubleClickInterval();
};

}  // namespace

TEST_F(EventTest, PressesWithinTheDoubleClickIntervalCountUp)
{
    RecordingView view(QRectF(0, 0, 50, 50));
    press(&view, {10, 10}, 1000);
    release(&view, {10, 10}, 1010);
    press(&view, {10, 10}, 1000 + interval - 50);
    press(&view, {10, 10}, 1000 + 3 * interval);
    press(&view, {10, 10}, 1000 + 3 * interval + 10, Qt::RightButton);  // another button starts again
    ASSERT_EQ(view.events.size(), 5u);
    EXPECT_EQ(view.events[0].clickCount, 1);
    EXPECT_EQ(view.events[1].type, EventType::LeftMouseUp);
    EXPECT_EQ(view.events[1].clickCount, 1);
    EXPECT_EQ(view.events[2].clickCount, 2);
    EXPECT_EQ(view.events[3].clickCount, 1);
    EXPECT_EQ(view.events[4].clickCount, 1);
    EXPECT_DOUBLE_EQ(view.events[0].timestamp, 1.0);
}

TEST_F(EventTest, AControlClickIsARightClickToItsRelease)
{
    RecordingView view(QRectF(0, 0, 50, 50));
    press(&view, {10, 10}, 1000, Qt::LeftButton, Qt::ControlModifier);
    release(&view, {10, 10}, 1050, Qt::LeftButton, Qt::ControlModifier);
    press(&view, {10, 10}, 5000);
    EXPECT_EQ(view.types(),
              (QList<EventType>{EventType::RightMouseDown, EventType::RightMouseUp, EventType::LeftMouseDown}));
    EXPECT_TRUE(view.events[0].hasModifier(ControlKeyMask));
}

TEST_F(EventTest, LocationsAreInWindowCoordinatesWithYUp)
{
    View root(QRectF(0, 0, 100, 80));
    auto* child = new RecordingView(QRectF(10, 20, 30, 30), &root);
    // Qt (5, 5) in the child is 5 from its left and 5 below its top: the
    // child's top is 50 up, so the window point is (15, 45).
    press(child, {5, 5}, 100);
    ASSERT_EQ(child->events.size(), 1u);
    EXPECT_EQ(child->events[0].locationInWindow, QPointF(15, 45));
    EXPECT_EQ(child->convertPointFromWindow(child->events[0].locationInWindow), QPointF(5, 25));
}

TEST_F(EventTest, UnhandledEventsTravelToTheSuperview)
{
    RecordingView root(QRectF(0, 0, 100, 100));
    auto* child = new RecordingView(QRectF(0, 0, 50, 50), &root);
    child->handles = false;
    press(child, {10, 10}, 100);
    ASSERT_EQ(child->events.size(), 1u);
    ASSERT_EQ(root.events.size(), 1u);
    // The same press, seen from the superview: the child's top left is 50 up.
    EXPECT_EQ(root.convertPointFromWindow(root.events[0].locationInWindow), QPointF(10, 40));

    child->handles = true;
    press(child, {10, 10}, 5000);
    EXPECT_EQ(child->events.size(), 2u);
    EXPECT_EQ(root.events.size(), 1u);
}

TEST_F(EventTest, APressHasOneClickCountInEveryViewItTravelsThrough)
{
    RecordingView root(QRectF(0, 0, 100, 100));
    auto* middle = new RecordingView(QRectF(0, 0, 80, 80), &root);
    auto* leaf = new RecordingView(QRectF(0, 0, 60, 60), middle);
    leaf->handles = false;
    middle->handles = false;
    struct Step {
        bool isPress;
        ulong at;
        int clickCount;  // in all three views
    };
    const Step steps[] = {
        {true, 1000, 1}, {false, 1010, 1},
        {true, 1020, 2}, {false, 1030, 2},  // a double click
        {true, 1040, 3}, {false, 1050, 3},
        {true, ulong(1000 + 4 * interval), 1},  // a new single click
    };
    for (const Step& step : steps) {
        if (step.isPress)
            press(leaf, {10, 10}, step.at);
        else
            release(leaf, {10, 10}, step.at);
        for (RecordingView* view : {leaf, middle, &root}) {
            ASSERT_FALSE(view->events.empty());
            EXPECT_EQ(view->events.back().clickCount, step.clickCount) << "at " << step.at;
            EXPECT_DOUBLE_EQ(view->events.back().timestamp, step.at / 1000.0);
        }
    }
    EXPECT_EQ(root.events.size(), std::size(steps));
}

TEST_F(EventTest, DragsCarryTheirMovementWithYUp)
{
    RecordingView view(QRectF(0, 0, 100, 100));
    press(&view, {10, 50}, 100);
    move(&view, {14, 40}, Qt::LeftButton);
    move(&view, {15, 45}, Qt::LeftButton);
    ASSERT_EQ(view.events.size(), 3u);
    EXPECT_EQ(view.events[1].type, EventType::LeftMouseDragged);
    EXPECT_DOUBLE_EQ(view.events[1].deltaX, 4);
    EXPECT_DOUBLE_EQ(view.events[1].deltaY, 10);  // up the screen
    EXPECT_DOUBLE_EQ(view.events[2].deltaX, 1);
    EXPECT_DOUBLE_EQ(view.events[2].deltaY, -5);
}

TEST_F(EventTest, KeysGiveTheirCodesAndFirstCharacterIgnoringModifiers)
{
    View view(QRectF(0, 0, 10, 10));
    struct Case {
        int key;
        QString text;
        Qt::KeyboardModifiers modifiers;
        quint16 code;
        char16_t character;
    };
    const Case cases[] = {
        {Qt::Key_Return, "\r", Qt::NoModifier, KeyCode::Return, KeyCharacter::CarriageReturn},
        {Qt::Key_Enter, "\r", Qt::KeypadModifier, KeyCode::KeypadEnter, KeyCharacter::Enter},
        {Qt::Key_Escape, "\x1b", Qt::NoModifier, KeyCode::Escape, KeyCharacter::Escape},
        {Qt::Key_Backspace, "\b", Qt::NoModifier, KeyCode::Delete, KeyCharacter::Delete},
        {Qt::Key_Delete, "\x7f", Qt::NoModifier, KeyCode::ForwardDelete, KeyCharacter::Delete},
        {Qt::Key_Up, "", Qt::NoModifier, KeyCode::UpArrow, KeyCharacter::UpArrow},
        {Qt::Key_Down, "", Qt::NoModifier, KeyCode::DownArrow, KeyCharacter::DownArrow},
        {Qt::Key_Left, "", Qt::NoModifier, KeyCode::LeftArrow, KeyCharacter::LeftArrow},
        {Qt::Key_Right, "", Qt::NoModifier, KeyCode::RightArrow, KeyCharacter::RightArrow},
        {Qt::Key_Tab, "\t", Qt::NoModifier, KeyCode::Tab, KeyCharacter::Tab},
        // Ctrl makes a control character of the text; the key is still "k".
        {Qt::Key_K, "\x0b", Qt::ControlModifier, KeyCode::K, u'k'},
        {Qt::Key_K, "K", Qt::ShiftModifier, KeyCode::K, u'K'},
        {Qt::Key_1, "1", Qt::NoModifier, KeyCode::Unknown, u'1'},
    };
    for (const Case& c : cases) {
        const Event e = keyEvent(view, c.key, c.text, c.modifiers);
        EXPECT_EQ(e.keyCode, c.code) << c.key;
        EXPECT_EQ(e.firstCharacterIgnoringModifiers(), c.character) << c.key;
    }
    EXPECT_TRUE(keyEvent(view, Qt::Key_K, "\x0b", Qt::ControlModifier).hasModifier(CommandKeyMask));
    EXPECT_EQ(keyEvent(view, Qt::Key_Backspace, "\b").characters, QString(QChar(127)));
}

TEST_F(EventTest, ScrollsCountWheelNotchesUpward)
{
    RecordingView view(QRectF(0, 0, 50, 50));
    QWheelEvent wheel(QPointF(5, 5), QPointF(5, 5), QPoint(), QPoint(0, 240), Qt::NoButton, Qt::NoModifier,
                      Qt::ScrollUpdate, false);
    QApplication::sendEvent(&view, &wheel);
    ASSERT_EQ(view.events.size(), 1u);
    EXPECT_EQ(view.events[0].type, EventType::ScrollWheel);
    EXPECT_DOUBLE_EQ(view.events[0].deltaY, 2.0);
    EXPECT_EQ(view.events[0].phase, ScrollPhase::Changed);
}

TEST_F(EventTest, TrackingRectanglesReportCrossingsAndCursorUpdates)
{
    RecordingView view(QRectF(0, 0, 100, 100));
    const int hover = view.addTrackingRect(QRectF(0, 0, 50, 100), 7);
    view.addTrackingRect(QRectF(50, 0, 50, 100), 8, TrackCursorUpdate);
    EXPECT_TRUE(view.hasMouseTracking());

    move(&view, {10, 10});  // inside the left rectangle
    move(&view, {20, 10});  // still inside: nothing new
    move(&view, {60, 10});  // out of the left one, into the cursor rectangle
    move(&view, {70, 10});
    QEvent leave(QEvent::Leave);
    move(&view, {10, 10});
    QApplication::sendEvent(&view, &leave);

    const QList<EventType> expected{EventType::MouseEntered, EventType::MouseExited, EventType::CursorUpdate,
                                    EventType::CursorUpdate, EventType::MouseEntered, EventType::MouseExited};
    EXPECT_EQ(view.types(), expected);
    EXPECT_EQ(view.events[0].trackingNumber, 7);
    EXPECT_EQ(view.events[2].trackingNumber, 8);
    EXPECT_FALSE(view.isMouseInsideTrackingRect(hover));

    view.removeAllTrackingRects();
    EXPECT_FALSE(view.hasMouseTracking());
}

TEST_F(EventTest, TheCursorShapeIsTheLastOneSet)
{
    View view(QRectF(0, 0, 10, 10));
    view.setCursorShape(CursorShape::ResizeUpDown);
    EXPECT_EQ(View::currentCursorShape(), CursorShape::ResizeUpDown);
    EXPECT_EQ(view.cursor().shape(), Qt::SizeVerCursor);
    view.setCursorShape(CursorShape::PointingHand);
    EXPECT_EQ(view.cursor().shape(), Qt::PointingHandCursor);
    view.setCursorShape(CursorShape::Arrow);
}
