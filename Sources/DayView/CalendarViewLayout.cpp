#include "CalendarView.h"

#include "CoreData.h"
#include "Task.h"

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

}  // namespace

std::vector<CalendarView::EventBox> CalendarView::layOutEvents(const CoreData& manager, TaskList events,
                                                               const Date& shownDay, double available)
{
    std::vector<EventBox> boxes;
    boxes.reserve(size_t(events.size()));
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
        const TaskPtr first = events.takeFirst();
        TaskList group = manager.findAllEventSameStartTime(first, events, shownDay);
        // The members leave the list in one pass: one removal each would go
        // through the list once per member.
        if (!group.isEmpty()) {
            QSet<const Task*> members;
            for (const TaskPtr& member : group) members.insert(member.get());
            events.removeIf([&members](const TaskPtr& entry) { return members.contains(entry.get()); });
        }
        group.prepend(first);
        const qsizetype n = group.size();
        double indent = std::min(groupIndent * indentCount, deepestIndent);
        double column = (available - indent) / double(n);
        for (qsizetype j = 0; j < n; ++j) {
            const TaskPtr& event = group[j];
            const BoxPlacement place = placementOfEvent(event->tzStartTime(), event->tzEndTime(), shownDay);
            if (place.y >= bottom) {
                column = available / double(n);
                indentCount = 0;
                indent = 0;
            }
            bottom = std::max(bottom, place.y + place.height);
            boxes.push_back({event, QRectF(double(j) * column + boxLeft + indent, place.y, std::max(1.0, column - 2),
                                           place.height)});
        }
        processed += n;
        ++indentCount;
    }
    keepDayBoxesThatCanBeSeen(boxes);
    return boxes;
}
