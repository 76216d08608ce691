#pragma once

#include <QPointF>
#include <QRectF>

// The main screen in our coordinates: the origin at the bottom left of the
// main (primary) screen, y up, in the same units as Qt's device-independent
// pixels. Placement formulas work in these coordinates and convert to Qt's
// (top left, y down) only where a window is moved.
namespace Screen {

QRectF mainFrame();
// The frame less the panels and docks of the desktop.
QRectF mainVisibleFrame();
// The visible frame of the screen a frame of ours lies on (the one holding
// its centre, else the one it overlaps most), the main one when none.
QRectF visibleFrameFor(const QRectF& frame);
// A frame kept inside an area: shortened to the area's size where it is
// larger, then slid inside. Pure.
QRectF keptInside(const QRectF& frame, const QRectF& area);
// A frame of the size in the middle of the area, shortened where it does not
// fit. Pure.
QRectF centredIn(const QSizeF& size, const QRectF& area);
// Device pixels per unit of the main screen (1 on a standard screen).
double mainScale();

// Qt's global coordinates <-> ours.
QPointF fromQt(const QPointF& point);
// The same against a main screen of the given Qt geometry: pure, for tests
// and for callers that already hold the screen.
QRectF fromQt(const QRectF& rect, const QRectF& mainScreenQtFrame);
QRectF toQt(const QRectF& rect, const QRectF& mainScreenQtFrame);
QPointF toQt(const QPointF& point);
QRectF fromQt(const QRectF& rect);
QRectF toQt(const QRectF& rect);

}  // namespace Screen
