#include "PlannerMonthLayout.h"

#include "Task.h"

#include <QDateTime>
#include <QSet>
#include <QTimeZone>

#include <algorithm>
#include <cmath>

namespace PlannerMonthLayout {

namespace {

QDate localDayOf(const Date& date)
{
    return QDateTime::fromSecsSinceEpoch(date.wholeSecondsSince1970(), QTimeZone::systemTimeZone()).date();
}

// The tables one layout works with: the next free chip line of each day,
// the bottom of each day's cell and the items each day could not show.
struct Tables {
    std::array<double, dayCount> nextTop{};
    std::array<double, dayCount> cellBottom{};
    std::array<int, dayCount> hidden{};
};

// The starts of the grid's days and of the day after them, worked out once:
// a time-zone conversion per item would cost more than the whole layout.
class GridDays {
public:
    explicit GridDays(const Date& startDate)
    {
        const QDateTime first =
            QDateTime::fromSecsSinceEpoch(startDate.wholeSecondsSince1970(), QTimeZone::systemTimeZone());
        const QDate firstDay = first.date();
        for (int k = 0; k <= dayCount; ++k)
            m_starts[size_t(k)] = double(QDateTime(firstDay.addDays(k), QTime(0, 0), QTimeZone::systemTimeZone())
                                             .toSecsSinceEpoch());
    }
    // The day of the grid holding the date; 0 before the grid, dayCount or
    // more after it.
    int indexOf(const Date& date) const
    {
        if (!date) return 0;
        const double t = date.timeIntervalSince1970();
        if (t >= m_starts[dayCount]) return dayCount;
        const auto after = std::upper_bound(m_starts.begin(), m_starts.end(), t);
        return after == m_starts.begin() ? 0 : int(after - m_starts.begin()) - 1;
    }

    bool isBeforeGrid(const Date& date) const { return date && date.timeIntervalSince1970() < m_starts[0]; }

private:
    std::array<double, dayCount + 1> m_starts{};
};

// The series an occurrence belongs to; a one-off item is its own.
qint64 seriesKeyOf(const Task& item)
{
    return item.primaryKey() < 0 ? item.parentId() : item.primaryKey();
}

class Layout {
public:
    Layout(const Grid& grid, Result& result) : g(grid), out(result), days(grid.startDate)
    {
        r = g.rowHeight;
        h = g.lineHeight;
        skipFirst = g.expandRowIndex == g.rows - 1;
        base = skipFirst ? 0 : 7;
        buildTables();
    }

    void placeAllDay(const std::vector<TaskPtr>& items);
    void placeOneDay(ItemList list, const std::vector<TaskPtr>& items);
    void placeMoreButtons();

private:
    double extra(int week) const { return week >= g.expandRowIndex ? r : 0; }
    bool outsideShownRows(double y) const { return y < out.yMinTracking || y > out.yMaxTracking; }
    // No further chip fits a day whose next line starts this low.
    bool dayIsFull(int d, double y) const { return y >= extra(d / 7) + double((base + d) / 7) * r + 40 - 23; }
    void buildTables();

    const Grid& g;
    Result& out;
    GridDays days;
    Tables t;
    double r = 0;
    double h = 0;
    bool skipFirst = false;
    int base = 7;
};

void Layout::buildTables()
{
    double y = firstChipLine;
    for (int i = 0; i < dayCount; ++i) {
        if (i < 7 && skipFirst) {
            for (int k = 0; k < 7; ++k) t.nextTop[k] = firstChipLine - r;
            i = 7;
            y = firstChipLine - r;
        }
        if (i > 0 && i % 7 == 0) y += r;
        t.nextTop[i] = y;
        // The row after the double-height row starts one row lower.
        if (i % 7 == 0 && i / 7 - 1 == g.expandRowIndex) {
            y += r;
            t.nextTop[i] = y;
        }
        if (i >= 7) t.cellBottom[i - 7] = y - 23;
    }
    y = (skipFirst || g.expandRowIndex >= noExpandedRow) ? y - 23 + r : y - 23;
    for (int i = 35; i < dayCount; ++i) t.cellBottom[i] = y;
    out.yMinTracking = firstChipLine;
    // The shown rows always fill rows × r.
    out.yMaxTracking = 40 + g.rows * r;
}

void Layout::placeAllDay(const std::vector<TaskPtr>& items)
{
    const double w7 = g.itemWidth;
    for (int index = 0; index < int(items.size()); ++index) {
        const Task& item = *items[index];
        const int d = days.indexOf(item.startTime());
        if (d >= dayCount) continue;
        const Date first = item.startTime() < g.startDate ? g.startDate : item.startTime();
        const double spanDays = item.endTime().timeIntervalSinceDate(first) / 86400.0;
        const int span = std::isfinite(spanDays) ? int(std::clamp(std::round(spanDays), -1.0, 64.0)) : 0;
        int w = d / 7;
        const int c = d % 7;
        const int n = c + span >= 7 ? 7 - c : span;
        const bool endsInRow = c + span < 7;

        const double y = t.nextTop[d];
        if (outsideShownRows(y)) continue;
        if (dayIsFull(d, y)) {
            ++t.hidden[d];
        } else {
            const int m = std::max(n, 1);
            for (int k = d; k < std::min(d + m, dayCount); ++k) t.nextTop[k] = y + h;
            Chip chip{QRectF(c * w7 + 18.5, y, m * w7 - 4, h - 1), AllDayEvents, index};
            chip.setsEdges = !(item.taskType() == 0 && item.isADE());
            out.chips.push_back(chip);
        }

        // The rest of the span runs on in the following week rows, up to the
        // grid's last row.
        int remaining = span - (7 - c);
        while (remaining > 0 && w + 1 < g.rows) {
            const int nextWeek = w + 1;
            const int firstDay = 7 * nextWeek;
            w = nextWeek;
            const double yNext = t.nextTop[firstDay];
            if (outsideShownRows(yNext)) continue;
            const int m = std::min(7, remaining);
            if (yNext > extra(nextWeek) + (nextWeek + base / 7) * r) {
                ++t.hidden[firstDay];
            } else {
                for (int k = firstDay; k < firstDay + m; ++k) t.nextTop[k] = yNext + h;
                Chip chip{QRectF(17.5, yNext, m * w7 - 2, h - 1), AllDayEvents, index};
                chip.canResizeStart = false;
                chip.canResizeEnd = endsInRow;
                out.chips.push_back(chip);
            }
            remaining -= m;
        }
    }
}

void Layout::placeOneDay(ItemList list, const std::vector<TaskPtr>& items)
{
    const double w7 = g.itemWidth;
    // An occurrence that began the day before the grid (23:00 to 01:00) would
    // land in the first cell beside the series' own occurrence of that day,
    // while every other cell shows the series once: it is left out there.
    QSet<qint64> startingOnFirstDay;
    if (list == TimedEvents)
        for (const TaskPtr& item : items) {
            const Date at = placingDateOf(list, *item);
            if (!days.isBeforeGrid(at) && days.indexOf(at) == 0) startingOnFirstDay.insert(seriesKeyOf(*item));
        }
    for (int index = 0; index < int(items.size()); ++index) {
        const Date at = placingDateOf(list, *items[index]);
        if (list == TimedEvents && days.isBeforeGrid(at) && startingOnFirstDay.contains(seriesKeyOf(*items[index])))
            continue;
        // A done task due in the range but completed after its last day has
        // no day here: it is left out, chip and count alike.
        const int d = days.indexOf(at);
        if (d >= dayCount) continue;
        const double y = t.nextTop[d];
        if (outsideShownRows(y)) continue;
        if (dayIsFull(d, y)) {
            ++t.hidden[d];
            continue;
        }
        t.nextTop[d] = y + h;
        out.chips.push_back({QRectF((d % 7) * w7 + 17.5, y, w7 - 2, h - 1), list, index});
    }
}

void Layout::placeMoreButtons()
{
    for (int d = 0; d < dayCount; ++d) {
        int k = t.hidden[d];
        if (k <= 0) continue;
        double y = t.nextTop[d];
        // No room for another line: the button takes the last chip's line and
        // counts that chip too.
        if (y + h > t.cellBottom[d]) {
            y -= h;
            ++k;
        }
        out.buttons.push_back({QRectF((d % 7) * g.itemWidth + 18.5, y - 0.5, g.itemWidth - 4, h - 0.5), k, d / 7});
    }
}

}  // namespace

int dayIndexOf(const Date& startDate, const Date& date)
{
    if (!startDate || !date) return 0;
    const qint64 days = localDayOf(startDate).daysTo(localDayOf(date));
    return days < 0 ? 0 : int(std::min<qint64>(days, 1 << 20));
}

Date placingDateOf(ItemList list, const Task& item)
{
    switch (list) {
    case TimedEvents: return item.tzStartTime() ? item.tzStartTime() : item.startTime();
    case DueTasks: return item.dueEnd();
    case DoneTasks: return item.completedDate();
    case AllDayEvents:
    case Notes:
    case ListCount: break;
    }
    return item.startTime();
}

Result layOut(const Grid& grid, const Lists& lists)
{
    Result result;
    if (grid.rowHeight <= 0 || grid.itemWidth <= 0 || grid.lineHeight <= 0) return result;
    Layout layout(grid, result);
    layout.placeAllDay(lists[AllDayEvents]);
    for (ItemList list : {TimedEvents, DueTasks, DoneTasks, Notes}) layout.placeOneDay(list, lists[list]);
    layout.placeMoreButtons();
    return result;
}

}  // namespace PlannerMonthLayout
