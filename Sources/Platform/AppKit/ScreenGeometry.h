#pragma once

#include <QRectF>

// Converts between our screen coordinates and Qt's. Ours have their origin at
// the bottom left of the main (primary) screen with y going up; Qt's at its
// top left with y going down. Placement formulas work in ours; widgets are
// moved in Qt's, converted here at the edge.
class ScreenGeometry {
public:
    static QRectF fromQt(const QRectF& qtRect);
    static QRectF toQt(const QRectF& rect);

    // The main screen's frame without panels and docks, in our coordinates;
    // empty without a screen.
    static QRectF mainVisibleFrame();

    // The same conversions against a main screen of the given Qt geometry:
    // pure, for tests and for callers that already hold the screen.
    static QRectF fromQt(const QRectF& qtRect, const QRectF& mainScreenQtFrame);
    static QRectF toQt(const QRectF& rect, const QRectF& mainScreenQtFrame);
};
