#pragma once

#include <QPointF>
#include <QString>
#include <QtGlobal>

class QInputEvent;
class QWidget;

enum class EventType {
    LeftMouseDown,
    LeftMouseUp,
    RightMouseDown,
    RightMouseUp,
    OtherMouseDown,
    OtherMouseUp,
    MouseMoved,
    LeftMouseDragged,
    RightMouseDragged,
    OtherMouseDragged,
    MouseEntered,
    MouseExited,
    CursorUpdate,
    KeyDown,
    KeyUp,
    ScrollWheel,
    Swipe,
};

// Where a scroll stands in a gesture of a trackpad; None for a wheel's notch.
// Momentum is the scrolling that goes on by itself after the fingers left
// the pad: it moves content like Changed, but belongs to no gesture.
enum class ScrollPhase { None, Began, Changed, Momentum, Ended };

// Modifier keys as the views test them. On Linux the Ctrl key plays two
// parts: with a key it is the shortcut key (Command), with a mouse press it
// is Control, and a Control-press of the left button is a right click.
enum ModifierFlag : unsigned {
    ShiftKeyMask = 1u << 17,
    ControlKeyMask = 1u << 18,
    AlternateKeyMask = 1u << 19,
    CommandKeyMask = 1u << 20,
};

// Key codes of the keys the views react to (the hardware-independent codes
// the views compare against) and the characters of the keys that have none.
namespace KeyCode {
constexpr quint16 A = 0, S = 1, D = 2, F = 3, H = 4, G = 5, Z = 6, X = 7, C = 8, V = 9, B = 11, Q = 12, W = 13,
                  E = 14, R = 15, Y = 16, T = 17, O = 31, U = 32, I = 34, P = 35, L = 37, J = 38, K = 40, N = 45,
                  M = 46;
constexpr quint16 Return = 36, Tab = 48, Space = 49, Delete = 51, Escape = 53, KeypadEnter = 76,
                  Home = 115, PageUp = 116, ForwardDelete = 117, End = 119, PageDown = 121,
                  LeftArrow = 123, RightArrow = 124, DownArrow = 125, UpArrow = 126;
constexpr quint16 Unknown = 0xFFFF;
}  // namespace KeyCode

namespace KeyCharacter {
constexpr char16_t Enter = 3, Backspace = 8, Tab = 9, NewLine = 10, CarriageReturn = 13, Escape = 27,
                   Delete = 127;
constexpr char16_t UpArrow = 0xF700, DownArrow = 0xF701, LeftArrow = 0xF702, RightArrow = 0xF703,
                   Home = 0xF729, End = 0xF72B, PageUp = 0xF72C, PageDown = 0xF72D, ForwardDelete = 0xF728;
}  // namespace KeyCharacter

// One mouse, key or scroll input. Locations are in our coordinates: the
// window's with its origin at the bottom left, and the screen's likewise;
// a view converts the window location with View::convertPointFromWindow.
struct Event {
    EventType type = EventType::MouseMoved;
    QPointF locationInWindow;
    QPointF locationOnScreen;
    double timestamp = 0;   // seconds since an arbitrary start, as the input carried it
    int clickCount = 0;     // 1 for a single press, 2 for a double click ...; 0 for moves
    // A drag's movement since the last drag event, in points, y up (positive
    // is upward). A scroll's amount in wheel notches (fractions from a
    // trackpad), positive toward the top and the left of the content. A
    // swipe's direction: -1 or 1 across, 0 when it went up or down.
    double deltaX = 0;
    double deltaY = 0;
    // A scroll's movement in pixels as the device gave it (a trackpad's),
    // before any folding into notches; 0 where the device gives none.
    double scrollingDeltaX = 0;
    double scrollingDeltaY = 0;
    ScrollPhase phase = ScrollPhase::None;
    unsigned modifierFlags = 0;
    QString characters;                  // the text typed, modifiers applied
    QString charactersIgnoringModifiers; // the key's own character
    quint16 keyCode = KeyCode::Unknown;
    bool isARepeat = false;
    int trackingNumber = 0;   // for entered, exited and cursor updates: the rectangle's tag
    QWidget* window = nullptr;

    bool isMouseDown() const
    {
        return type == EventType::LeftMouseDown || type == EventType::RightMouseDown ||
               type == EventType::OtherMouseDown;
    }
    bool hasModifier(unsigned flag) const { return (modifierFlags & flag) != 0; }
    char16_t firstCharacterIgnoringModifiers() const
    {
        return charactersIgnoringModifiers.isEmpty() ? u'\0' : charactersIgnoringModifiers.front().unicode();
    }
};

namespace EventTranslation {

// Translations of Qt's input into events; each is a pure function of the
// Qt event so that tests can check them without a window.
unsigned modifierFlagsOfKey(Qt::KeyboardModifiers modifiers);
unsigned modifierFlagsOfMouse(Qt::KeyboardModifiers modifiers);
quint16 keyCodeOf(int qtKey, Qt::KeyboardModifiers modifiers);
// The key's first character ignoring modifiers: Backspace and Delete both give
// 127, arrows and the like their private-use characters.
QString charactersIgnoringModifiersOf(int qtKey, const QString& text, Qt::KeyboardModifiers modifiers);

}  // namespace EventTranslation
