// The cost of opening an event for editing: building the edit form,
// loading a stored weekly event with five alerts and three tags into it,
// and laying it out, as the editor popover does at every opening.
#include "Calendar.h"
#include "AlertRows.h"
#include "Clock.h"
#include "CoreData.h"
#include "EventDetailView.h"
#include "GregorianCalendar.h"
#include "Task.h"
#include "support/BenchDatabase.h"
#include "support/PostedEvents.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

class WeeklyEvent : public BenchDatabase {
public:
    WeeklyEvent()
    {
        Clock::setFixed(GregorianCalendar::dateFromFields(2026, 12, 7, 10, 7, 0));
        const CalendarPtr category = dataManager().calendarList().value(0);
        if (category) {
            category->setTagList(QStringLiteral("/family/house"));
            if (!category->dehydrate()) std::exit(1);
        }
        item = std::make_shared<Task>();
        item->setTaskType(0);
        item->setTaskName(QStringLiteral("Team meeting"));
        item->setCalendarId(category ? category->primaryKey() : 1);
        item->setStartTime(GregorianCalendar::dateFromFields(2026, 12, 9, 9, 0, 0));
        item->setEndTime(GregorianCalendar::dateFromFields(2026, 12, 9, 10, 0, 0));
        item->setRepeatType(2);
        item->setRepeatOptions(QStringLiteral("1/2|4|6/0"));
        item->setIsRepeatForever(1);
        item->setTagList(QStringLiteral("/work"));
        item->setAlertValues(QStringLiteral("/1|-600|/1|-3600|Bell/1|-86400|/1|-172800|Chime/1|-300|"));
        if (!item->insertAndDehydrate()) std::exit(1);
    }
    ~WeeklyEvent() { Clock::reset(); }

    TaskPtr item;
};

void BM_OpenWeeklyEventWithFiveAlertsAndThreeTags(benchmark::State& state)
{
    WeeklyEvent data;
    for (auto _ : state) {
        EventDetailView form(QRectF(0, 0, 330, 100));
        form.setType(1);
        form.loadDataFromTask(data.item);
        benchmark::DoNotOptimize(form.frame().height());
        if (form.alertRows().alertList().size() != 5) state.SkipWithError("the five alerts did not load");
        state.PauseTiming();
        deliverPostedEvents();
        state.ResumeTiming();
    }
    state.SetLabel("build, load and lay out one edit form");
}
BENCHMARK(BM_OpenWeeklyEventWithFiveAlertsAndThreeTags)->Unit(benchmark::kMillisecond);

}  // namespace
