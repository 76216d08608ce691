#include "CalendarView.h"

#include "CoreData.h"
#include "Task.h"
#include "Utilities.h"

#include <QSet>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>

namespace {

// The key an item's boxes share: an occurrence of a repeating item counts
// as its series.
qint64 dayGridSeriesKeyOf(const Task& item)
{
    return item.primaryKey() > 0 ? item.primaryKey() : item.parentId();
}

// Drops the boxes that lie hidden under later boxes of the same item at the
// same whole points (as the boxes place themselves). The later ones are
// kept: they are drawn on top. Boxes of different items are all kept.
void keepDayBoxesThatCanBeSeen(std::vector<CalendarView::EventBox>& boxes)
{
    if (boxes.size() < 2) return;
    std::map<std::array<qint64, 5>, int> stacked;
    std::vector<bool> kept(boxes.size(), true);
    bool dropped = false;
    for (size_t k = boxes.size(); k-- > 0;) {
        const QRectF& f = boxes[k].frame;
        const std::array<qint64, 5> place{std::lround(f.left()), std::lround(f.top()), std::lround(f.right()),
                                          std::lround(f.bottom()), dayGridSeriesKeyOf(*boxes[k].event)};
        const int deepest = place[2] - place[0] <= 1 ? 1 : CalendarView::deepestVisibleStack;
        if (++stacked[place] > deepest) {
            kept[k] = false;
            dropped = true;
        }
    }
    if (!dropped) return;
    size_t to = 0;
    for (size_t k = 0; k < boxes.size(); ++k)
        if (kept[k]) boxes[to++] = std::move(boxes[k]);
    boxes.resize(to);
}

// The start the grid shows: the display zone's when the item has one.
Date shownStartOf(const Task& item)
{
    return item.tzStartTime() ? item.tzStartTime() : item.startTime();
}

}  // namespace

TaskList CalendarView::takeQuarterGroup(TaskList& events, const Date& day)
{
    TaskList group{events.takeFirst()};
    // The list runs in start order: the group is the run at its head.
    const auto startOnDay = [&day](const Task& item) {
        const Date start = shownStartOf(item);
        return Utilities::compareDateNoTime(start, day) < 0 ? day : start;
    };
    const Date quarter = Utilities::roundDown15MinutesForDate(startOnDay(*group.front()));
    qsizetype taken = 0;
    while (taken < events.size() &&
           Utilities::compareDateNoSecond(Utilities::roundDown15MinutesForDate(startOnDay(*events[taken])), quarter) == 0)
        ++taken;
    group.append(events.mid(0, taken));
    events.remove(0, taken);
    return group;
}

std::vector<double> CalendarView::uncoveredHeights(const std::vector<QRectF>& frames)
{
    std::vector<double> heights(frames.size(), 0);
    for (size_t under = 0; under < frames.size(); ++under) {
        const QRectF& below = frames[under];
        for (size_t over = under + 1; over < frames.size(); ++over) {
            const QRectF& above = frames[over];
            if (above.top() <= below.top() + 0.5 || above.top() >= below.bottom()) continue;
            if (above.left() >= below.right() || above.right() <= below.left()) continue;
            const double height = above.top() - below.top();
            if (heights[under] == 0 || height < heights[under]) heights[under] = height;
        }
    }
    return heights;
}

CalendarView::GroupFit CalendarView::fitGroup(qsizetype count, double width)
{
    if (count <= 0) return {};
    width = std::max(0.0, width);
    if (count == 1 || double(count) * minimumBoxWidth <= width) return {count, width / double(count), false};
    const qsizetype places = std::max<qsizetype>(1, qsizetype(std::floor(width / minimumBoxWidth)));
    return {places - 1, width / double(places), true};
}

std::vector<CalendarView::EventBox> CalendarView::layOutEvents(TaskList events,
                                                               const Date& shownDay, double available,
                                                               std::vector<MoreMarker>* markers)
{
    std::vector<EventBox> boxes;
    boxes.reserve(size_t(events.size()));
    // Groups are runs of one shown quarter hour, so the run order is the
    // shown start: by their own starts the events of another zone would
    // break every run into boxes of one.
    std::stable_sort(events.begin(), events.end(), [](const TaskPtr& a, const TaskPtr& b) {
        return shownStartOf(*a) < shownStartOf(*b);
    });
    // However many groups overlap, the indentation stops at half the width.
    const double deepestIndent = std::max(0.0, available / 2);
    int indentCount = 0;
    double bottom = 0;
    qsizetype processed = 0;
    const qsizetype count = events.size();
    while (processed < count) {
        if (events.isEmpty()) {
            ++processed;
            continue;
        }
        TaskList group = takeQuarterGroup(events, shownDay);
        const TaskPtr& first = group.front();
        const qsizetype n = group.size();
        // A group that starts after every earlier box has ended starts flush.
        if (placementOfEvent(first->tzStartTime(), first->tzEndTime(), shownDay).y >= bottom) indentCount = 0;
        const double indent = std::min(groupIndent * indentCount, deepestIndent);
        const GroupFit fit = fitGroup(n, available - indent);
        double markerTop = documentHeight, markerBottom = 0;
        for (qsizetype j = 0; j < n; ++j) {
            const TaskPtr& event = group[j];
            const BoxPlacement place = placementOfEvent(event->tzStartTime(), event->tzEndTime(), shownDay);
            bottom = std::max(bottom, place.y + place.height);
            if (j >= fit.shown) {
                markerTop = std::min(markerTop, place.y);
                markerBottom = std::max(markerBottom, place.y + place.height);
                continue;
            }
            boxes.push_back({event, QRectF(double(j) * fit.place + boxLeft + indent, place.y,
                                           std::max(1.0, fit.place - 2), place.height)});
        }
        if (fit.marker && markers) {
            markers->push_back({QRectF(double(fit.shown) * fit.place + boxLeft + indent, markerTop,
                                       std::max(1.0, fit.place - 2), std::max(minimumBoxHeight, markerBottom - markerTop)),
                                group.mid(fit.shown)});
        }
        processed += n;
        ++indentCount;
    }
    keepDayBoxesThatCanBeSeen(boxes);
    return boxes;
}
