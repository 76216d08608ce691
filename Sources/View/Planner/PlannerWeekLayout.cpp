#include "PlannerWeekLayout.h"
#include "CalendarView.h"

#include "CoreData.h"
#include "Task.h"
#include "Utilities.h"

#include <QDateTime>
#include <QSet>
#include <QTimeZone>

#include <algorithm>
#include <climits>
#include <cmath>
#include <map>

namespace PlannerWeekLayout {

namespace {

QDate weekLayoutLocalDay(const Date& date)
{
    return QDateTime::fromSecsSinceEpoch(date.wholeSecondsSince1970(), QTimeZone::systemTimeZone()).date();
}

double weekLayoutHoursOf(const Date& date)
{
    return double(Utilities::getHour(date)) + double(Utilities::getMinute(date)) / 60.0;
}

}  // namespace

double columnWidth(double paneWidth)
{
    if (!std::isfinite(paneWidth)) return 0;
    return std::abs(std::trunc((paneWidth - 60) / 7));
}

double rowHeight(double fontSize)
{
    return fontSize + 9;
}

Date dayOn(const Date& date, int days)
{
    if (!date) return date;
    const QDate day = weekLayoutLocalDay(date).addDays(days);
    return Date::dateWithTimeIntervalSince1970(
        double(QDateTime(day, QTime(0, 0), QTimeZone::systemTimeZone()).toSecsSinceEpoch()));
}

int calendarDaysBetween(const Date& from, const Date& date)
{
    if (!from || !date) return 0;
    const qint64 days = weekLayoutLocalDay(from).daysTo(weekLayoutLocalDay(date));
    return int(std::clamp<qint64>(days, -(1 << 20), 1 << 20));
}

WeekDays::WeekDays(const Date& first) : m_first(first)
{
    if (!first) return;
    // As dayOn finds them, with the zone looked up once (each lookup reads
    // the file system).
    m_zone = QTimeZone::systemTimeZone();
    m_firstDay = QDateTime::fromSecsSinceEpoch(first.wholeSecondsSince1970(), m_zone).date();
    for (int d = 0; d < int(m_starts.size()); ++d)
        m_starts[size_t(d)] = Date::dateWithTimeIntervalSince1970(
            double(QDateTime(m_firstDay.addDays(d), QTime(0, 0), m_zone).toSecsSinceEpoch()));
}

int WeekDays::daysFrom(const Date& date) const
{
    if (!m_first || !date) return 0;
    if (date < m_starts.front() || !(date < m_starts.back())) {
        const QDate day = QDateTime::fromSecsSinceEpoch(date.wholeSecondsSince1970(), m_zone).date();
        return int(std::clamp<qint64>(m_firstDay.daysTo(day), -(1 << 20), 1 << 20));
    }
    int d = 0;
    while (!(date < m_starts[size_t(d + 1)])) ++d;
    return d;
}

int WeekDays::weekDayFrom(const Date& date) const
{
    if (!m_first || !date) return 0;
    if (date < m_starts.front()) return -1;
    if (!(date < m_starts.back())) return 7;
    return daysFrom(date);
}

Week weekOf(const Date& selectedDay, qint64 weekStartDay)
{
    if (!selectedDay) return {};
    const qint64 weekday = Utilities::getWeekday(selectedDay);  // 1 Sunday ... 7 Saturday
    const int back = int(weekStartDay == 1 ? (weekday + 5) % 7 : weekday - 1);
    const Date from = dayOn(selectedDay, -back);
    return {from, dayOn(from, 6)};
}

// ---- the band ----

Date bandDateOf(BandList list, const Task& item)
{
    switch (list) {
    case DueTasks: return item.dueEnd();
    case DoneTasks: return item.completedDate();
    default: return item.startTime();
    }
}

BandResult layOutBand(const BandGrid& grid, const BandLists& lists)
{
    BandResult out;
    const double w = grid.itemWidth, r = grid.rowHeight;
    if (!(w > 0) || !(r > 0)) return out;
    const WeekDays days(grid.startDate);
    std::array<double, 7> bottom{};
    std::array<int, 7> hidden{};
    double limit = collapsedRows * r;
    const auto chipFrame = [&](int column, int columns, double y) {
        return QRectF(columnsLeft + column * w + 1, y, columns * w - 2, r - 1);
    };
    // A row below the limit widens an expanded band and hides the item of
    // a collapsed one.
    const auto rowFits = [&](int column, double y) {
        if (grid.expanded && y >= limit) limit = y + r;
        if (y < limit) return true;
        ++hidden[size_t(column)];
        return false;
    };

    const std::vector<TaskPtr>& allDay = lists[AllDayEvents];
    for (size_t i = 0; i < allDay.size(); ++i) {
        const Task& event = *allDay[i];
        // Calendar days: a clock change inside the week moves no chip.
        const int d = std::max(0, days.daysFrom(event.startTime()));
        if (d > 6) continue;
        const Date first = event.startTime() < grid.startDate ? grid.startDate : event.startTime();
        int span = int(std::lround(event.endTime().timeIntervalSinceDate(first) / 86400.0));
        if (span + d >= 7) span = 7 - d;
        const double y = bottom[size_t(d)];
        if (!rowFits(d, y)) continue;
        const int n = std::max(span, 1);
        for (int k = d; k < d + n; ++k) bottom[size_t(k)] = y + r;
        out.chips.push_back({chipFrame(d, n, y), AllDayEvents, int(i), d, n, event.isADE() == 0});
    }
    for (BandList list : {DueTasks, DoneTasks, Notes}) {
        const std::vector<TaskPtr>& items = lists[list];
        for (size_t i = 0; i < items.size(); ++i) {
            const int d = std::max(0, days.daysFrom(bandDateOf(list, *items[i])));
            // A task done after the week has no column here.
            if (d > 6) continue;
            const double y = bottom[size_t(d)];
            if (!rowFits(d, y)) continue;
            bottom[size_t(d)] = y + r;
            out.chips.push_back({chipFrame(d, 1, y), list, int(i), d, 1, true});
        }
    }
    for (int c = 0; c < 7; ++c)
        if (hidden[size_t(c)] > 0)
            out.buttons.push_back({QRectF(columnsLeft + c * w + 1, bottom[size_t(c)], w - 2, r), hidden[size_t(c)], c});
    out.height = grid.expanded ? limit : limit + r;
    return out;
}

// ---- the hour grid ----

namespace {

// What one column of the grid works through.
struct GridColumnPass {
    const CoreData& manager;
    const HourGrid& grid;
    const WeekDays& week;
    std::map<int, TaskList>& days;
    std::vector<Block>& out;
    std::vector<GridMarker>* markers;

    void place(int d, const Date& dayDate);
    void fitGroup(int d, size_t groupStart, double indent);
    void keepWhatCanBeSeen(size_t columnStart);
    void finish(Block& block) const;
    Block placeOne(int d, const Date& dayDate, const TaskPtr& event, const Task& groupFirst, int i, double& share,
                   int& level, double& dayBottom, int n);
};

// The start a block shows: the display zone's when the event has one.
Date weekLayoutShownStart(const Task& event)
{
    return event.tzStartTime() ? event.tzStartTime() : event.startTime();
}

// Whether the event's shown times touch the week. The reload gathers
// events by their own days, and one of another zone may be shown on the day
// before the week or after it.
bool weekLayoutShownInWeek(const Task& event, const WeekDays& week)
{
    const Date start = weekLayoutShownStart(event);
    const Date end = event.tzEndTime() ? event.tzEndTime() : event.endTime();
    if (start && !(start < week.dayStart(7))) return false;
    return !start || !(start < week.dayStart(0)) || (end && week.dayStart(0) < end);
}

// The item a block shows: a copy of the event the reload gathered, set
// back to its real start when it is a piece past midnight, so that every
// piece carries the real item; it gets its display times before they are
// compared.
TaskPtr weekLayoutShownItem(const CoreData& manager, const Task& event)
{
    auto shown = std::make_shared<Task>(event);
    if (shown->npNeedGetStartTime() && shown->npStartTime()) shown->setStartTime(shown->npStartTime());
    shown->setNpNeedGetStartTime(false);
    manager.recalculateTimeWithTimezoneSupport(shown);
    return shown;
}

// The indentation of a level: 5 points each, never more than half the
// column, so that however many groups overlap a block keeps a width.
double weekLayoutIndentOf(int level, double itemWidth)
{
    return std::min(indentPerLevel * level, std::max(0.0, itemWidth / 2));
}

void GridColumnPass::place(int d, const Date& dayDate)
{
    auto found = days.find(d);
    if (found == days.end() || found->second.isEmpty()) return;
    TaskList& list = found->second;
    // In shown order, the order the quarter-hour groups are taken in.
    std::stable_sort(list.begin(), list.end(), [](const TaskPtr& a, const TaskPtr& b) {
        const Date aStart = weekLayoutShownStart(*a), bStart = weekLayoutShownStart(*b);
        if (aStart != bStart) return aStart < bStart;
        return a->duration() > b->duration();
    });
    const size_t columnStart = out.size();
    double dayBottom = 0;
    int level = 0;
    qsizetype processed = 0;
    const qsizetype count = list.size();
    while (processed < count) {
        if (list.isEmpty()) {
            ++processed;
            continue;
        }
        const TaskList group = CalendarView::takeQuarterGroup(list, dayDate);
        const TaskPtr first = group.front();
        const int n = int(group.size());
        double share = (grid.itemWidth - weekLayoutIndentOf(level, grid.itemWidth)) / n;
        // Every member is placed, also those the marker lists: a placed
        // event hands its part past midnight to the next column.
        const size_t groupStart = out.size();
        for (int i = 0; i < n; ++i)
            out.push_back(placeOne(d, dayDate, group[i], *first, i, share, level, dayBottom, n));
        fitGroup(d, groupStart, weekLayoutIndentOf(level, grid.itemWidth));
        processed += n;
        ++level;
    }
    keepWhatCanBeSeen(columnStart);
    for (size_t b = columnStart; b < out.size(); ++b) finish(out[b]);
}

Block GridColumnPass::placeOne(int d, const Date& dayDate, const TaskPtr& event, const Task& groupFirst, int i,
                               double& share, int& level, double& dayBottom, int n)
{
    manager.recalculateTimeWithTimezoneSupport(event);
    const Date start = event->tzStartTime() ? event->tzStartTime() : event->startTime();
    const Date end = event->tzEndTime() ? event->tzEndTime() : event->endTime();
    // Days as numbers from the week's first day; a missing date comes
    // before every day.
    // Only the order of the days matters here: an occurrence that began
    // years before the week needs no exact count of days.
    const auto dayNumber = [this](const Date& date) { return date ? week.weekDayFrom(date) : INT_MIN; };
    const int referenceDay = d == 0 ? 0 : dayNumber(start);
    Block block;
    block.column = d;

    double y = 0, height = 0;
    if (dayNumber(start) < referenceDay || start == dayDate) {
        y = firstHourY;
        height = weekLayoutHoursOf(end) * hourHeight;
    } else {
        const Date groupStart = groupFirst.tzStartTime() ? groupFirst.tzStartTime() : groupFirst.startTime();
        y = (double(Utilities::getHour(groupStart)) + double(Utilities::getMinute(start)) / 60.0) * hourHeight
            + firstHourY;
        // Clock hours, as the rows: a clock change leaves the block the rows
        // from its start to its end.
        height = (weekLayoutHoursOf(end) - weekLayoutHoursOf(start)) * hourHeight;
    }
    if (dayNumber(end) > referenceDay) {
        block.fixedEnd = true;
        height = dayLength - (y - firstHourY);
        const Date midnight = Utilities::newDateOnDate(event->startTime(), 24, 0);
        const double left = event->endTime().timeIntervalSinceDate(midnight);
        // An event that ends at midnight leaves nothing for the next day.
        if (d <= 5 && left > 0) {
            auto piece = std::make_shared<Task>(*event);
            piece->setStartTime(midnight);
            piece->setEndTime(midnight.dateByAddingTimeInterval(left));
            piece->setNpStartTime(event->npStartTime() ? event->npStartTime() : event->startTime());
            piece->setNpNeedGetStartTime(true);
            manager.recalculateTimeWithTimezoneSupport(piece);
            days[d + 1].append(piece);
        }
    }
    height = std::max(height, smallestBlock);
    if (y >= dayBottom) {
        level = 0;
        share = grid.itemWidth / n;
    }
    dayBottom = std::max(dayBottom, y + height);

    // The item shown is made once the column knows which blocks it keeps.
    block.item = event;
    const double indent = weekLayoutIndentOf(level, grid.itemWidth);
    block.frame = QRectF(columnsLeft + d * grid.itemWidth + i * share + indent, y, std::max(1.0, share - 1), height);
    return block;
}

// Blocks at a readable width: those that do not fit leave the column for a
// marker in the place after the last that does.
void GridColumnPass::fitGroup(int d, size_t groupStart, double indent)
{
    const qsizetype n = qsizetype(out.size() - groupStart);
    const CalendarView::GroupFit fit = CalendarView::fitGroup(n, grid.itemWidth - indent);
    const double left = columnsLeft + d * grid.itemWidth + indent;
    for (qsizetype i = 0; i < std::min(n, fit.shown); ++i) {
        QRectF& frame = out[groupStart + size_t(i)].frame;
        frame = QRectF(left + double(i) * fit.place, frame.y(), std::max(1.0, fit.place - 1), frame.height());
    }
    if (!fit.marker) return;
    GridMarker marker;
    marker.column = d;
    double top = gridHeight, bottom = 0;
    for (size_t b = groupStart + size_t(fit.shown); b < out.size(); ++b) {
        top = std::min(top, out[b].frame.top());
        bottom = std::max(bottom, out[b].frame.bottom());
        marker.items.append(weekLayoutShownItem(manager, *out[b].item));
    }
    marker.frame = QRectF(left + double(fit.shown) * fit.place, top, std::max(1.0, fit.place - 1),
                          std::max(smallestBlock, bottom - top));
    out.resize(groupStart + size_t(fit.shown));
    if (markers) markers->push_back(std::move(marker));
}

// A block that lies exactly where later blocks of the same item lie in its
// column (the same whole points, as the view places itself: occurrences of
// one series) shows only through them: the tints are translucent, so a
// stack shows its blocks until it is opaque to within a level of colour,
// twelve deep at the lightest tint; a block of a
// single point's width shows nothing but its tint, and one of them is kept.
// So a week of occurrences that each cover the column the same way makes
// as many views as can be seen, not one per occurrence. The later blocks
// are the ones kept: they are drawn on top.
void GridColumnPass::keepWhatCanBeSeen(size_t columnStart)
{
    const size_t count = out.size() - columnStart;
    if (count < 2) return;
    std::map<std::array<qint64, 5>, int> stacked;
    std::vector<bool> kept(count, true);
    bool dropped = false;
    for (size_t k = count; k-- > 0;) {
        const QRectF& f = out[columnStart + k].frame;
        const Task& item = *out[columnStart + k].item;
        // Only occurrences of one item stack away: another item's block is
        // kept wherever it lies, so no item of a crowded day goes undrawn.
        const std::array<qint64, 5> points{std::lround(f.left()), std::lround(f.top()), std::lround(f.right()),
                                           std::lround(f.bottom()),
                                           item.primaryKey() > 0 ? item.primaryKey() : item.parentId()};
        const int deepest = points[2] - points[0] <= 1 ? 1 : deepestVisibleStack;
        if (++stacked[points] > deepest) {
            kept[k] = false;
            dropped = true;
        }
    }
    if (!dropped) return;
    size_t to = columnStart;
    for (size_t k = 0; k < count; ++k)
        if (kept[k]) out[to++] = std::move(out[columnStart + k]);
    out.resize(to);
}

void GridColumnPass::finish(Block& block) const
{
    const TaskPtr event = block.item;
    const Date start = event->tzStartTime() ? event->tzStartTime() : event->startTime();
    block.item = weekLayoutShownItem(manager, *event);
    const Date shownStart = block.item->tzStartTime() ? block.item->tzStartTime() : block.item->startTime();
    if (Utilities::compareTimeNoDate(start, 0, 0, 0) == 0 && shownStart != start) block.fixedStart = true;
}

// Occurrences of one series that run through the whole week make the same
// block in every column, one over another (or side by side within a
// quarter hour), and a column shows no more of them than it has points
// across and stacked tints. Of more, only the latest are laid out (they
// come last and lie on top), so that the week costs what it can show
// however long an occurrence lasts and however long ago the series began.
// Gives each event its display times.
std::vector<bool> weekLayoutHiddenCoverings(const CoreData& manager, const HourGrid& grid, const WeekDays& week,
                                            const std::vector<TaskPtr>& events)
{
    std::vector<bool> hidden(events.size(), false);
    const size_t shown = size_t(std::ceil(grid.itemWidth)) + size_t(deepestVisibleStack);
    std::map<qint64, std::vector<size_t>> coverings;
    for (size_t k = 0; k < events.size(); ++k) {
        const TaskPtr& event = events[k];
        if (!event) continue;
        manager.recalculateTimeWithTimezoneSupport(event);
        if (event->repeatType() <= 0) continue;
        const Date start = event->tzStartTime() ? event->tzStartTime() : event->startTime();
        const Date end = event->tzEndTime() ? event->tzEndTime() : event->endTime();
        if (!start || !end || week.dayStart(0) < start || end < week.dayStart(7)) continue;
        coverings[event->primaryKey() < 0 ? event->parentId() : event->primaryKey()].push_back(k);
    }
    for (auto& [series, members] : coverings) {
        if (members.size() <= shown) continue;
        std::stable_sort(members.begin(), members.end(),
                         [&events](size_t a, size_t b) { return events[b]->startTime() < events[a]->startTime(); });
        for (size_t m = shown; m < members.size(); ++m) hidden[members[m]] = true;
    }
    return hidden;
}

// A column's blocks are drawn in their order, each over those before it.
void markCoveredTops(std::vector<Block>& blocks)
{
    std::map<int, std::vector<size_t>> columns;
    for (size_t k = 0; k < blocks.size(); ++k) columns[blocks[k].column].push_back(k);
    for (const auto& [column, members] : columns) {
        std::vector<QRectF> frames;
        frames.reserve(members.size());
        for (size_t k : members) frames.push_back(blocks[k].frame);
        const std::vector<double> heights = CalendarView::uncoveredHeights(frames);
        for (size_t m = 0; m < members.size(); ++m) blocks[members[m]].uncoveredHeight = heights[m];
    }
}

}  // namespace

std::vector<Block> layOutGrid(const CoreData& manager, const HourGrid& grid, const std::vector<TaskPtr>& events,
                              std::vector<GridMarker>* markers)
{
    std::vector<Block> out;
    if (!(grid.itemWidth > 0) || !grid.startDate) return out;
    const WeekDays week(grid.startDate);
    const std::vector<bool> hidden = weekLayoutHiddenCoverings(manager, grid, week, events);
    std::map<int, TaskList> days;
    for (size_t k = 0; k < events.size(); ++k) {
        const TaskPtr& event = events[k];
        if (!event || hidden[k] || !weekLayoutShownInWeek(*event, week)) continue;
        const Date start = weekLayoutShownStart(*event);
        int column = 0;
        if (!(start < grid.startDate)) {
            column = int(Utilities::getWeekday(start)) - (grid.weekStartDay == 1 ? 2 : 1);
            if (column < 0) column = 6;
        }
        days[column].append(event);
    }
    GridColumnPass pass{manager, grid, week, days, out, markers};
    for (int d = 0; d < 7; ++d) pass.place(d, week.dayStart(d));
    markCoveredTops(out);
    return out;
}

std::vector<QRectF> ghostFrames(double itemWidth, int from, int to, double startY, double height, double gridHeight)
{
    std::vector<QRectF> frames;
    if (!(itemWidth > 0)) return frames;
    const int lo = std::clamp(std::min(from, to), 0, 6), hi = std::clamp(std::max(from, to), 0, 6);
    for (int c = lo; c <= hi; ++c) {
        double y = 0, h = gridHeight;
        if (c == lo) {
            y = startY;
            h = lo == hi ? height : gridHeight - startY;
        } else if (c == hi) {
            h = startY + height;
        }
        frames.emplace_back(c * itemWidth + 60, y, itemWidth, h);
    }
    return frames;
}

double scrollYForHour(double hour)
{
    return hour > 18 ? 799 : hourHeight * hour - hourHeight;
}

double timeLineY(double hour)
{
    return std::round(hour * hourHeight + 23 - 5);
}

}  // namespace PlannerWeekLayout
