#pragma once

#include <QPointF>
#include <QRectF>
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

    // The main window's bubble round its view, in points.
    static constexpr double mainWindowMargin = 6;
    static constexpr double mainWindowArrowHeight = 10;

    // The part of the screen the shell's windows stay in: the visible frame
    // (the desktop's panels left out). A tray item inside its upper half
    // stands in a panel that reserves no room: the area then ends under the
    // item, so the windows hung at the top leave it uncovered.
    static QRectF screenArea(const QRectF& visibleFrame, const QPointF& statusItemPosition);
    // The tallest main view whose window (its margins and arrow band
    // included) fits an area that high, in whole points; 0 when none does.
    static double mainViewHeightFitting(double areaHeight, double scale);
};
