#pragma once

#include <QRectF>

#include <functional>

class SegmentedControl;
class TextField;
class View;

// The week and month planners open with the same header: a grey title line
// and a previous / today / next control whose segments carry tags 1 to 3.
namespace PlannerTitleBar {

// The title field in `frame`, added to `parent`.
TextField* makeTitle(View* parent, const QRectF& frame);

// The three-segment control at `origin`, sized to its segments; `onSegment`
// gets the segment clicked (0 previous, 1 today, 2 next).
SegmentedControl* makeControl(View* parent, const QPointF& origin, std::function<void(int)> onSegment);

}  // namespace PlannerTitleBar
