#include "PlannerItemRules.h"

#include "DateExtensions.h"
#include "Utilities.h"

#include <algorithm>
#include <cmath>

namespace PlannerItemRules {

QRectF trackRect(const QSizeF& size, int index)
{
    switch (static_cast<EdgeStrip>(index)) {
    case EdgeStrip::Top: return QRectF(0, 0, size.width(), edgeThickness);
    case EdgeStrip::Bottom: return QRectF(0, size.height() - edgeThickness, size.width(), edgeThickness);
    case EdgeStrip::Left: return QRectF(0, 0, edgeThickness, size.height());
    case EdgeStrip::Right: return QRectF(size.width() - edgeThickness, 0, edgeThickness, size.height());
    }
    return QRectF(QPointF(0, 0), size);
}

int edgeStripOf(const ItemFacts& item, Edge edge)
{
    // Shared items are never resized from the planners, whatever their kind.
    if (item.taskType != 0 || item.isShared || edge == Edge::None) return -1;
    if (item.isADE) return int(edge == Edge::Start ? EdgeStrip::Left : EdgeStrip::Right);
    return int(edge == Edge::Start ? EdgeStrip::Top : EdgeStrip::Bottom);
}

namespace {

bool onStrip(const Press& press, Edge edge)
{
    const int strip = edgeStripOf(press.item, edge);
    return strip >= 0 && trackRect(press.size, strip).contains(press.point);
}

}  // namespace

PressOutcome decidePress(const Press& press)
{
    PressOutcome outcome;
    if (press.control) {
        outcome.contextMenu = true;
        return outcome;
    }
    if (press.canResizeStart && onStrip(press, Edge::Start))
        outcome.edge = Edge::Start;
    else if (press.canResizeEnd && onStrip(press, Edge::End))
        outcome.edge = Edge::End;
    outcome.select = outcome.edge == Edge::None;

    if (press.lastMouseDown == 0)
        outcome.click = ClickStep::OpenWindow;
    else if (press.timestamp - press.lastMouseDown <= clickWindow)
        outcome.click = ClickStep::DoubleClick;
    outcome.armHold = press.clickCount <= 1 && outcome.edge == Edge::None;
    return outcome;
}

Date chipWeekStart(const ChipPlace& place)
{
    if (!place.monthPane || !(place.itemCellHeight > 0) || !std::isfinite(place.frame.y())) return place.startDate;
    // Rows are whole calendar weeks: a week holding a daylight-saving
    // change is not 604,800 seconds long.
    const qint64 rows = std::max<qint64>(0, qint64(std::ceil(place.frame.y() / place.itemCellHeight)) - 1);
    return DateExtensions::dateByAddingDays(place.startDate, 7 * std::min<qint64>(rows, 52));
}

ItemTimes chipTimes(const ChipPlace& place, Edge moved, const Date& start, const Date& end)
{
    ItemTimes times{start, end, 0};
    const double offset = place.monthPane ? monthPaneOffset : weekBandOffset;
    const Date weekStart = chipWeekStart(place);
    if (place.itemWidth > 0 && moved == Edge::Start) {
        const double columns = std::floor((place.frame.x() - offset) / place.itemWidth + 0.1);
        const qint64 days = std::clamp<qint64>(qint64(std::max(columns, 0.0)), 0, 6);
        times.start = Utilities::resetTime4Date(DateExtensions::dateByAddingDays(weekStart, days), 0, 0, 0);
    } else if (place.itemWidth > 0 && moved == Edge::End) {
        const double columns = std::floor((place.frame.x() + place.frame.width() - offset) / place.itemWidth);
        const qint64 days = std::clamp<qint64>(qint64(std::min(columns, 6.0)), -7, 6);
        times.end = Utilities::resetTime4Date(DateExtensions::dateByAddingDays(weekStart, days), 23, 59, 59);
    }
    times.duration = qint64(times.end.timeIntervalSinceDate(times.start) / 60);
    return times;
}

HourAndMinute blockTimeOfY(double y)
{
    const double h = (y - firstHourY) / hourHeight;
    if (!std::isfinite(h)) return {};
    const double hour = std::floor(h);
    return {qint64(hour), qint64(std::floor((h - hour) * 60 / 15) * 15)};
}

ItemTimes blockTimes(const QRectF& frame, Edge moved, const Date& start, const Date& end, bool isEvent)
{
    ItemTimes times{start, end, 0};
    if (moved == Edge::Start) {
        const HourAndMinute at = blockTimeOfY(frame.y());
        times.start = Utilities::newDateOnDate(start, at.hour, at.minute);
    } else if (moved == Edge::End) {
        const HourAndMinute at = blockTimeOfY(frame.y() + frame.height());
        times.end = Utilities::newDateOnDate(end, at.hour, at.minute);
    }
    times.duration = qint64(times.end.timeIntervalSinceDate(times.start) / 60);
    if (times.duration == 0 && isEvent) {
        times.end = Utilities::newDateFromDate(times.start, 900);
        times.duration = qint64(times.end.timeIntervalSinceDate(times.start) / 60);
    }
    return times;
}

EdgeDrag dragBlockEdge(const QRectF& frame, Edge moving, double dy)
{
    const double top = frame.y();
    const double bottom = frame.y() + frame.height();
    if (moving == Edge::Start) {
        const double newTop = top + dy;
        if (newTop >= bottom) return {frame, Edge::End};
        if (newTop < 0) return {QRectF(frame.x(), 0, frame.width(), bottom), Edge::Start};
        return {QRectF(frame.x(), newTop, frame.width(), frame.height() - dy), Edge::Start};
    }
    if (moving == Edge::End) {
        if (bottom + dy <= top) return {frame, Edge::Start};
        return {QRectF(frame.x(), top, frame.width(), std::min(frame.height() + dy, gridHeight - top)), Edge::End};
    }
    return {frame, Edge::None};
}

EdgeDrag dragChipEdge(const QRectF& frame, Edge moving, double dx)
{
    const double left = frame.x();
    const double right = frame.x() + frame.width();
    if (moving == Edge::Start) {
        const double newLeft = left + dx;
        if (newLeft >= right) return {frame, Edge::End};
        if (newLeft < 0) return {QRectF(0, frame.y(), right, frame.height()), Edge::Start};
        return {QRectF(newLeft, frame.y(), frame.width() - dx, frame.height()), Edge::Start};
    }
    if (moving == Edge::End) {
        if (right + dx <= left) return {frame, Edge::Start};
        return {QRectF(left, frame.y(), frame.width() + dx, frame.height()), Edge::End};
    }
    return {frame, Edge::None};
}

}  // namespace PlannerItemRules
