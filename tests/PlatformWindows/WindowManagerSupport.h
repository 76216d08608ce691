#pragma once
// What the window manager of the test display says about our windows, read
// from the X server itself (the properties every desktop's manager keeps on
// the root window), and the requests a person makes through it.

#include <QGuiApplication>
#include <QList>
#include <QRect>
#include <QString>
#include <QWindow>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

namespace WindowManager {

inline xcb_connection_t* connection()
{
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

inline xcb_window_t rootWindow()
{
    xcb_connection_t* c = connection();
    if (!c) return 0;
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    return screen ? screen->root : 0;
}

inline xcb_atom_t atom(const char* name)
{
    xcb_connection_t* c = connection();
    if (!c) return XCB_ATOM_NONE;
    xcb_intern_atom_reply_t* reply =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(std::strlen(name)), name), nullptr);
    if (!reply) return XCB_ATOM_NONE;
    const xcb_atom_t result = reply->atom;
    std::free(reply);
    return result;
}

// The 32-bit values of a property (windows, cardinals); empty when unset.
inline QList<quint32> cardinals(xcb_window_t window, const char* property, xcb_atom_t type)
{
    QList<quint32> values;
    xcb_connection_t* c = connection();
    if (!c || !window) return values;
    xcb_get_property_reply_t* reply =
        xcb_get_property_reply(c, xcb_get_property(c, 0, window, atom(property), type, 0, 1024), nullptr);
    if (!reply) return values;
    if (reply->format == 32) {
        const auto* data = static_cast<const quint32*>(xcb_get_property_value(reply));
        const int count = xcb_get_property_value_length(reply) / 4;
        for (int i = 0; i < count; ++i) values.append(data[i]);
    }
    std::free(reply);
    return values;
}

inline QString utf8Property(xcb_window_t window, const char* property)
{
    xcb_connection_t* c = connection();
    if (!c || !window) return {};
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        c, xcb_get_property(c, 0, window, atom(property), atom("UTF8_STRING"), 0, 1024), nullptr);
    if (!reply) return {};
    const QString text = QString::fromUtf8(static_cast<const char*>(xcb_get_property_value(reply)),
                                           xcb_get_property_value_length(reply));
    std::free(reply);
    return text;
}

// The running manager's name ("Openbox"); empty on a bare server.
inline QString name()
{
    const QList<quint32> check = cardinals(rootWindow(), "_NET_SUPPORTING_WM_CHECK", XCB_ATOM_WINDOW);
    return check.isEmpty() ? QString() : utf8Property(check.first(), "_NET_WM_NAME");
}

// The window the manager has made active (a client window, as Qt's winId).
inline xcb_window_t activeWindow()
{
    const QList<quint32> active = cardinals(rootWindow(), "_NET_ACTIVE_WINDOW", XCB_ATOM_WINDOW);
    return active.isEmpty() ? 0 : active.first();
}

// The managed windows from the bottom of the stack to its top.
inline QList<quint32> stackingOrder()
{
    return cardinals(rootWindow(), "_NET_CLIENT_LIST_STACKING", XCB_ATOM_WINDOW);
}

// Qt's index of a window in the stacking order; -1 when not managed.
inline int stackingIndex(const QWindow* window)
{
    return window ? int(stackingOrder().indexOf(quint32(window->winId()))) : -1;
}

// The work area of the first desktop in Qt's coordinates: the screen less
// the panels' struts.
inline QRect workArea()
{
    const QList<quint32> area = cardinals(rootWindow(), "_NET_WORKAREA", XCB_ATOM_CARDINAL);
    if (area.size() < 4) return {};
    return QRect(int(area[0]), int(area[1]), int(area[2]), int(area[3]));
}

// Where the server shows a window, the manager's title bar and borders
// included (its _NET_FRAME_EXTENTS), in root coordinates: what a person
// sees, whatever Qt believes.
inline QRect frameOnScreen(const QWindow* window)
{
    xcb_connection_t* c = connection();
    if (!c || !window) return {};
    const auto id = xcb_window_t(window->winId());
    xcb_translate_coordinates_reply_t* at =
        xcb_translate_coordinates_reply(c, xcb_translate_coordinates(c, id, rootWindow(), 0, 0), nullptr);
    xcb_get_geometry_reply_t* size = xcb_get_geometry_reply(c, xcb_get_geometry(c, id), nullptr);
    QRect client;
    if (at && size) client = QRect(at->dst_x, at->dst_y, size->width, size->height);
    std::free(at);
    std::free(size);
    const QList<quint32> extents = cardinals(id, "_NET_FRAME_EXTENTS", XCB_ATOM_CARDINAL);  // left right top bottom
    if (client.isEmpty() || extents.size() < 4) return client;
    return client.adjusted(-int(extents[0]), -int(extents[2]), int(extents[1]), int(extents[3]));
}

// What a click on a title bar's close button does: the manager is asked to
// close the window, and asks the program in turn.
inline void askToClose(const QWindow* window)
{
    xcb_connection_t* c = connection();
    if (!c || !window) return;
    xcb_client_message_event_t event;
    std::memset(&event, 0, sizeof event);
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = xcb_window_t(window->winId());
    event.type = atom("_NET_CLOSE_WINDOW");
    event.data.data32[0] = XCB_CURRENT_TIME;
    event.data.data32[1] = 2;  // from a pager or a person's tool, not the program
    xcb_send_event(c, 0, rootWindow(),
                   XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                   reinterpret_cast<const char*>(&event));
    xcb_flush(c);
}

}  // namespace WindowManager
