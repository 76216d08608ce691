#pragma once

#include "Date.h"

#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QtGlobal>

// The decisions of the planners' item views as plain functions over plain
// values: what a press means, and what a moved edge of a chip or of an
// hour-grid block makes of the item's times.
namespace PlannerItemRules {

// Resize edges are this thick, inside the view.
inline constexpr double edgeThickness = 5;
// A second press within this many seconds of the first opens the editor;
// the view keeps its own window, whatever the desktop's setting.
inline constexpr double clickWindow = 1.0;
// Holding the button this long outside the edges drags the item out.
inline constexpr double holdInterval = 0.3;

// The hour grid: one hour is 47 points, counted from y 23; the grid is
// 1175 points high.
inline constexpr double hourHeight = 47;
inline constexpr double firstHourY = 23;
inline constexpr double gridHeight = 1175;
// Where a chip's day columns begin in the month planner and in the week band.
inline constexpr double monthPaneOffset = 15;
inline constexpr double weekBandOffset = 60;

enum class Edge { None, Start, End };

// The four edge strips of a view of the given size: top and bottom for
// timed events, left and right for all-day ones.
enum class EdgeStrip { Top = 0, Bottom = 1, Left = 2, Right = 3 };
QRectF trackRect(const QSizeF& size, int index);

// The edges an item's view may offer, before the pane's own limits: timed
// events move their top and bottom, all-day events their left and right,
// tasks, notes and shared items none.
struct ItemFacts {
    qint64 taskType = 0;
    bool isADE = false;
    bool isShared = false;
};

struct Press {
    QPointF point;  // in the view, y down
    QSizeF size;
    ItemFacts item;
    bool canResizeStart = true;
    bool canResizeEnd = true;
    bool control = false;
    double timestamp = 0;      // seconds
    double lastMouseDown = 0;  // the open click window's first press; 0 when none
    int clickCount = 1;
};

enum class ClickStep { OpenWindow, DoubleClick, Nothing };

struct PressOutcome {
    bool contextMenu = false;  // a Control-click: the menu and nothing else
    Edge edge = Edge::None;    // an edge press moves that edge
    bool select = false;
    ClickStep click = ClickStep::Nothing;
    bool armHold = false;
};

PressOutcome decidePress(const Press& press);

// The edge strip a moving edge of this item is over, or -1 for none: what
// the cursor rectangles are made of.
int edgeStripOf(const ItemFacts& item, Edge edge);

// ---- the chip ---------------------------------------------------------------

struct ChipPlace {
    bool monthPane = true;  // false: the week planner's band
    QRectF frame;
    double itemWidth = 0;
    double itemCellHeight = 0;
    Date startDate;  // the pane's first day
};

// The first day of the week row the chip stands in: in the month planner
// the row under the chip's y, counted in calendar weeks; in the week band
// the band's first day.
Date chipWeekStart(const ChipPlace& place);

struct ItemTimes {
    Date start;
    Date end;
    qint64 duration = 0;  // minutes
};

// The item's new times when the given edge was moved: whole calendar days
// from the row's first day, starting at 00:00:00 and ending at 23:59:59, no
// further than the row's seventh day.
ItemTimes chipTimes(const ChipPlace& place, Edge moved, const Date& start, const Date& end);

// ---- the block ---------------------------------------------------------------

struct HourAndMinute {
    qint64 hour = 0;
    qint64 minute = 0;
};
// The hour line above the y and its minutes cut down to a quarter; above
// the 0:00 line the hour is negative, past the 24:00 line 24 or more.
HourAndMinute blockTimeOfY(double y);

// The item's new times when the given edge of a block with this frame was
// moved; an event left with no duration lasts a quarter of an hour.
ItemTimes blockTimes(const QRectF& frame, Edge moved, const Date& start, const Date& end, bool isEvent);

// A block's frame after a drag of dy points (down positive) on the moving
// edge; the edge turns into the other when it passes it.
struct EdgeDrag {
    QRectF frame;
    Edge moving = Edge::None;
};
EdgeDrag dragBlockEdge(const QRectF& frame, Edge moving, double dy);
// The same across for a chip, by dx points (right positive).
EdgeDrag dragChipEdge(const QRectF& frame, Edge moving, double dx);

}  // namespace PlannerItemRules
