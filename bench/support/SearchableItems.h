#pragma once

// The 50,000 items that the search benchmarks load: tasks, timed events,
// all-day events, scheduled tasks and notes in turn. Each run of 25 items
// (five rounds of the five kinds) holds one daily series: its timed event,
// all-day event or scheduled task in turn, in the run's first to fifth
// round in turn, so 2,000 series. One name in ten holds the given word:
// every tenth round, so each of the five result groups gets a tenth of its
// kind (5,000 matches), 200 of the series among them, of all three kinds.
// Header-only, shared by the benchmark programs.
#include "Date.h"
#include "ModelTypes.h"
#include "Task.h"

#include <QString>

#include <memory>

namespace SearchableItems {

constexpr int count = 50000;
constexpr int kinds = 5;
constexpr int runLength = 25;
constexpr int series = count / runLength;

inline TaskList make(const Date& today, const QString& word)
{
    TaskList items;
    items.reserve(count);
    for (int n = 0; n < count; ++n) {
        auto item = std::make_shared<Task>();
        item->setPrimaryKey(n + 1);
        const int kind = n % kinds;
        item->setTaskType(kind == 0 ? ItemKind::Task : (kind == 4 ? ItemKind::Note : ItemKind::Event));
        item->setCalendarId(1);
        item->setTaskOrder(n + 1);
        const int round = n / kinds;
        item->setTaskName(round % 10 == 0 ? QStringLiteral("Item %1 %2").arg(n).arg(word) : QStringLiteral("Item %1").arg(n));
        const Date start = today.dateByAddingTimeInterval(double(n % 60 - 30) * 86400 + 3600);
        item->setStartTime(start);
        item->setEndTime(start.dateByAddingTimeInterval(3600));
        if (kind == 2) item->setIsADE(1);
        if (kind == 3) item->setIsSheduledTask(true);
        const int run = n / runLength;
        if (n % runLength == kinds * (run % 5) + 1 + run % 3) {
            item->setRepeatType(1);
            item->setIsRepeatForever(1);
            item->setParentId(-1);
            item->setRepeatStartDate(start);
            item->setOccurrence(start.dateByAddingTimeInterval(7 * 86400));
        }
        items.append(item);
    }
    return items;
}

}  // namespace SearchableItems
