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
