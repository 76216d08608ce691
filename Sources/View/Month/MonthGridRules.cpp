#include "MonthGridRules.h"

#include "GregorianCalendar.h"
#include "Utilities.h"

#include <algorithm>
#include <cmath>

namespace MonthGridRules {

bool isSixWeeksInMonth(int firstWeekday, int daysInMonth, qint64 weekStartDay)
{
    if (weekStartDay != 0)
        return (firstWeekday == 1 && daysInMonth >= 30) || (firstWeekday == 7 && daysInMonth == 31);
    return (firstWeekday == 7 && daysInMonth >= 30) || (firstWeekday == 6 && daysInMonth == 31);
}

MonthLayout monthLayout(const Date& monthDate, qint64 weekStartDay)
{
    if (monthDate.isNull()) return {};
    const DateFields month = GregorianCalendar::fields(monthDate);
    const DateFields first = GregorianCalendar::fields(GregorianCalendar::dateFromFields(month.year, month.month, 1, 0, 0, 0));
    int weekday = first.weekday;
    if (weekStartDay != 0) weekday = weekday == 1 ? 7 : weekday - 1;
    MonthLayout layout;
    // Whole calendar days back, so a daylight-saving change in between keeps midnight.
    layout.firstDay = GregorianCalendar::dateFromFields(month.year, month.month, 1 - (weekday - 1), 0, 0, 0);
    for (int row = 0; row < rowCount; ++row) {
        const Date rowStart = GregorianCalendar::dateFromFields(month.year, month.month, 1 - (weekday - 1) + 7 * row, 0, 0, 0);
        layout.weekNumbers[size_t(row)] = GregorianCalendar::fields(rowStart).weekOfYear;
    }
    return layout;
}

std::array<Date, dayCount> daysFrom(const Date& firstDay)
{
    std::array<Date, dayCount> days;
    if (firstDay.isNull()) return days;
    const DateFields first = GregorianCalendar::fields(firstDay);
    for (int i = 0; i < dayCount; ++i) days[i] = GregorianCalendar::dateFromFields(first.year, first.month, first.day + i, 0, 0, 0);
    return days;
}

std::array<int, dayCount> busyCounts(const std::array<Date, dayCount>& days, const std::vector<BusySpan>& events,
                                     const std::array<bool, dayCount>& skipped)
{
    std::array<int, dayCount> counts{};
    if (days.front().isNull()) return counts;
    const DateFields last = GregorianCalendar::fields(days.back());
    const Date afterLast = GregorianCalendar::dateFromFields(last.year, last.month, last.day + 1, 0, 0, 0);
    for (const BusySpan& event : events) {
        if (event.start.isNull() || event.end.isNull()) continue;
        if (event.start < days.front() || !(event.start < afterLast)) continue;
        // The day whose midnight is the last one not after the start.
        const int first = int(std::upper_bound(days.begin(), days.end(), event.start) - days.begin()) - 1;
        if (skipped[first]) continue;
        const qint64 span = Utilities::daysBetweenTwoDates(event.start, event.end.dateByAddingTimeInterval(-1));
        for (qint64 k = 0; k < span && first + k < dayCount; ++k) ++counts[first + k];
    }
    return counts;
}

double busyRatio(int count)
{
    if (count <= 0) return 0;
    if (count <= 2) return 0.3;
    if (count <= 6) return 0.6;
    return 0.9;
}

int greyOfRatio(double ratio)
{
    if (ratio == 0) return 248;
    // Truncated as a double product: 0.9 gives 139, not 140.
    return int((1 - ratio) * 100) + 130;
}

std::array<std::vector<int>, 3> packLanes(const std::vector<LaneItem>& items, const Date& gridStart,
                                          const Date& gridEnd)
{
    std::array<std::vector<int>, 3> lanes;
    std::vector<int> left(items.size());
    for (size_t i = 0; i < items.size(); ++i) left[i] = int(i);
    for (std::vector<int>& lane : lanes) {
        Date cursor = gridStart;
        std::vector<int> rest;
        bool first = true;
        for (size_t k = 0; k < left.size(); ++k) {
            if (gridEnd < cursor) {
                rest.insert(rest.end(), left.begin() + long(k), left.end());
                break;
            }
            const LaneItem& item = items[left[k]];
            if (first || !(item.start < cursor)) {
                lane.push_back(left[k]);
                cursor = item.end.dateByAddingTimeInterval(1);
                first = false;
            } else {
                rest.push_back(left[k]);
            }
        }
        left = std::move(rest);
    }
    return lanes;
}

double laneHeight(double cellHeight)
{
    return (cellHeight - topMargin) / 3 - 1;
}

namespace {

int columnOfDate(const Date& date, qint64 weekStartDay)
{
    const int weekday = GregorianCalendar::fields(date).weekday;
    const int column = weekStartDay != 0 ? weekday - 2 : weekday - 1;
    return column == -1 ? 6 : column;
}

// Offsets within an hour of a midnight, as daylight-saving changes make
// them, snap to whole days.
double snappedToDays(double seconds, double remainderOf)
{
    const qint64 r = qint64(remainderOf) % 86400;
    if (r >= 3601) return seconds + double(86400 - r);
    if (r >= 1 && r <= 3600) return seconds - double(r);
    return seconds;
}

}  // namespace

std::vector<QRectF> barFrames(const LaneItem& item, int lane, const BarGeometry& grid)
{
    std::vector<QRectF> frames;
    if (item.start.isNull() || item.end.isNull() || grid.gridStart.isNull() || grid.gridEnd.isNull()) return frames;
    int sc = Utilities::compareDateNoTime(grid.gridStart, item.start) > 0 ? 0 : columnOfDate(item.start, grid.weekStartDay);
    int ec = Utilities::compareDateNoTime(item.end, grid.gridEnd) >= 0 ? 6 : columnOfDate(item.end, grid.weekStartDay);

    double s = item.start.timeIntervalSinceDate(grid.gridStart);
    s = snappedToDays(s, s);
    int sr = std::max(0, int(s / 86400 / 7));
    double e = item.end.timeIntervalSinceDate(grid.gridStart);
    e = snappedToDays(e, e - 86399);
    int er = std::min(5, int(e / 86400 / 7));

    double pad = 1;
    if (grid.navigator) {
        pad = 0;
        // Keep off the grey days of the months around the one shown.
        if (sr == 0)
            while (sc <= 5 && grid.grey[size_t(sc + 1)]) ++sc;
        if (er == 4 || er == 5) {
            const int startCell = sr * 8 + sc + 1;
            int cell = er * 8 + ec + 1;
            while (cell > startCell && (cell % 8 == 0 || grid.grey[size_t(cell)])) --cell;
            if (cell % 8 == 0 || grid.grey[size_t(cell)]) return frames;  // wholly on grey days
            er = cell / 8;
            ec = cell % 8 - 1;
        }
    }
    if (sr > er) return frames;
    const double leftMargin = grid.navigator ? 6 : grid.leftMargin;
    const double height = laneHeight(grid.cellHeight);
    for (int row = sr; row <= er; ++row) {
        int column = 0;
        int count = 7;
        if (sr == er) {
            column = sc;
            count = ec + 1 - sc;
        } else if (row == sr) {
            column = sc;
            count = 7 - sc;
        } else if (row == er) {
            count = ec + 1;
        }
        if (count <= 0) continue;
        frames.emplace_back(leftMargin - 6 + column * grid.cellWidth,
                            topMargin + row * grid.cellHeight + lane * (height + 1), count * grid.cellWidth - pad, height);
    }
    return frames;
}

}  // namespace MonthGridRules
