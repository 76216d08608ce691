#pragma once

#include <QPointF>
#include <QSizeF>

// Where the main window goes for the main view's layout: the point its arrow
// window hangs from, the side, whether the arrow shows and the style mask.
// Pure, in our screen coordinates.
struct WindowPlacement {
    QPointF point;
    int side = 1;
    bool hasArrow = false;
    unsigned styleMask = 0;

    // Planner mode wins; then the window hangs under the tray item unless it
    // is docked at the left or right screen edge. `screenSize` is the main
    // screen's full frame size. Under the tray item the window is centred on
    // it, unless a window `windowWidth` wide would then stick out of the
    // screen: trays sit at the screen's corners, and half a window past the
    // edge cannot be used. It then extends from the item toward the screen's
    // middle instead.
    static WindowPlacement forMainWindow(bool plannerExpand, bool dockedLeft, bool dockedRight,
                                         const QSizeF& screenSize, const QPointF& statusItemPosition,
                                         double windowWidth = 0);
    // The splash hangs at the top right of the screen.
    static WindowPlacement forSplash(const QSizeF& screenSize);
};
