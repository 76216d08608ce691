#pragma once

#include <QColor>
#include <QImage>
#include <QPointF>
#include <QPointer>
#include <QRectF>

#include <functional>

class QMenu;

// The program's item in the desktop's tray. The tray hosts no view of ours:
// the item is an image, drawn with its highlight into the icon the tray
// shows; a left click calls the click handler, a right click opens the menu.
//
// The state (image, highlight, menu, handler) lives here; an implementation
// shows the icon it is handed, tells where the item is and whether there is
// a tray, and calls performClick() on a left click. TrayStatusItem is the one
// on QSystemTrayIcon; tests use FakeStatusItem (tests/support).
class StatusItem {
public:
    using ClickHandler = std::function<void()>;

    virtual ~StatusItem();

    void setImage(const QImage& image);
    QImage image() const { return m_image; }
    // The item drawn as pressed (a window hangs from it); the icon is drawn
    // again when this changes.
    void setHighlighted(bool highlighted);
    bool isHighlighted() const { return m_highlighted; }
    // Shown on a right click. Not owned; a destroyed menu counts as none.
    void setMenu(QMenu* menu);
    QMenu* menu() const;
    void setClickHandler(ClickHandler handler) { m_clickHandler = std::move(handler); }

    // The item's frame in our screen coordinates; empty when the tray does
    // not tell it.
    virtual QRectF rectOnScreen() const = 0;
    // Whether the desktop has a tray to show the item in.
    virtual bool isAvailable() const = 0;

    // Where a window hanging from the item attaches (our coordinates).
    QPointF hangingPoint() const;
    // The middle of the bottom edge of the item's frame; without a frame the
    // top right corner of the main screen's visible frame.
    static QPointF hangingPoint(const QRectF& itemRect, const QRectF& mainVisibleFrame);

    // The icon the tray shows: the image over, when highlighted, a rounded
    // rectangle of the selection colour made translucent. A null image gives
    // a blank icon of the tray's usual size, so the item stays clickable.
    static QImage iconImage(const QImage& image, bool highlighted, const QColor& selection);

protected:
    // Called with the new icon each time the image or the highlight changes.
    virtual void showIcon(const QImage& icon) = 0;
    // Called when the menu changes.
    virtual void menuDidChange() {}
    // An implementation's left click.
    void performClick();
    QImage currentIcon() const;

private:
    QImage m_image;
    bool m_highlighted = false;
    QPointer<QObject> m_menu;  // a QMenu; QObject keeps QMenu's header out of this one
    ClickHandler m_clickHandler;
};
