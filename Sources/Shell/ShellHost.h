#pragma once

#include <QPointF>
#include <QRectF>
#include <QSizeF>

// What the window controller asks of the application delegate: the screen,
// the tray item it hangs the window from, and activation. The delegate is
// the one implementation; tests of the controller give their own.
class ShellHost {
public:
    virtual ~ShellHost() = default;

    // The size of the main screen's visible frame, or of its full frame;
    // zero without a screen.
    virtual QSizeF screenResolution(bool fullFrame) const = 0;
    // The main screen's visible frame in our coordinates. By default the
    // visible size from the screen's bottom left corner, as when the
    // desktop's panels stand at its top.
    virtual QRectF visibleFrame() const { return QRectF(QPointF(0, 0), screenResolution(false)); }
    // The point under the tray item (our screen coordinates) and a redraw of
    // the item.
    virtual QPointF statusItemPosition() const = 0;
    virtual void statusItemNeedsDisplay() = 0;
    // Brings the program forward, whichever program was active.
    virtual void activateIgnoringOtherApps() = 0;
};
