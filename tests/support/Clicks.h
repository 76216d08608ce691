#pragma once
// Clicks delivered as Qt delivers a real one: to the deepest widget under
// the point (skipping those the mouse passes through), then, while unhandled,
// to each of its parents. A test that calls a view's mouseDown itself never
// sees what lies over the view or how the press travels.

#include <QApplication>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QStyleHints>
#include <QWidget>

namespace Clicks {

// Each click's time: far enough from the one before to be a new click,
// unless a double click asks for the next one at once.
inline ulong& clock()
{
    static ulong milliseconds = 1'000'000;
    return milliseconds;
}

// The widget a real press at the point (in the window's Qt coordinates)
// reaches first.
inline QWidget* widgetAt(QWidget* window, const QPoint& point)
{
    QWidget* child = window->childAt(point);
    return child ? child : window;
}

inline void press(QWidget* window, const QPoint& point, QEvent::Type type, ulong at)
{
    QWidget* target = widgetAt(window, point);
    const QPointF local = target->mapFrom(window, point);
    const QPointF global = window->mapToGlobal(point);
    const bool down = type != QEvent::MouseButtonRelease;
    QMouseEvent event(type, local, global, Qt::LeftButton, down ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
    event.setTimestamp(at);
    QApplication::sendEvent(target, &event);
}

// One click: a press and a release, a new click whatever came before.
inline void click(QWidget* window, const QPoint& point)
{
    clock() += 10 * ulong(QGuiApplication::styleHints()->mouseDoubleClickInterval());
    press(window, point, QEvent::MouseButtonPress, clock());
    press(window, point, QEvent::MouseButtonRelease, clock() + 20);
}

// Two clicks within the double-click interval; the second press comes as
// Qt sends it, a double-click event.
inline void doubleClick(QWidget* window, const QPoint& point)
{
    click(window, point);
    press(window, point, QEvent::MouseButtonDblClick, clock() + 60);
    press(window, point, QEvent::MouseButtonRelease, clock() + 80);
}

// The point of a widget's local Qt coordinates in its window.
inline QPoint inWindow(const QWidget* widget, const QPointF& local)
{
    return widget->mapTo(widget->window(), local.toPoint());
}

// A press on the bottom edge of a box (a view with a frame), a drag down by
// dy and the release, as Qt delivers them to the box.
template <class Box>
void dragBottomEdge(Box* box, double dy)
{
    QPointF global = box->mapToGlobal(QPointF(50, box->frame().height() - 2));
    const auto send = [&](QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons buttons) {
        QMouseEvent event(type, box->mapFromGlobal(global), global, button, buttons, Qt::NoModifier);
        QApplication::sendEvent(box, &event);
    };
    send(QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton);
    global += QPointF(0, dy);
    send(QEvent::MouseMove, Qt::NoButton, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton);
}

}  // namespace Clicks
