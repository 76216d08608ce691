// Time of every item-list filter over 50,000 in-memory items, and of the free
// slots of seven working days around 500 events. The views run these on the
// main thread while they draw, so each must stay well inside one 16 ms frame.
//
// The list is what a heavy user's working list looks like: a year of items
// around "today" (Wednesday 15 January 2014), one in five an event (a tenth
// of those all-day, one in twenty repeating), half tasks (a quarter done, half
// with a due date, some pinned or with a duration), some checklist items and
// a fifth notes. No database is opened: the filters read no row, and the
// reorder's save writes nothing for items that were never stored.
//
// Run from the build tree: bench/FiltersBench --benchmark_min_time=0.2
#include "CoreData.h"

#include "Clock.h"
#include "GregorianCalendar.h"
#include "Setting.h"
#include "Task.h"

#include <benchmark/benchmark.h>

#include <QString>

#include <ctime>
#include <functional>
#include <random>

namespace {

constexpr int itemCount = 50000;

Date localDate(int year, int month, int day, int hour = 0, int minute = 0)
{
    return GregorianCalendar::dateFromFields(year, month, day, hour, minute, 0);
}

const QStringList words = {QStringLiteral("Call"),   QStringLiteral("Review"), QStringLiteral("Lunch"),
                           QStringLiteral("Report"), QStringLiteral("Gym"),    QStringLiteral("Café"),
                           QStringLiteral("Budget"), QStringLiteral("Plan"),   QStringLiteral("Dentist")};

// One data manager with settings, set up once for the whole program.
struct World {
    CoreData dataManager;
    SettingPtr setting = std::make_shared<Setting>();
    TaskList items;
    Date today = localDate(2014, 1, 15);

    World()
    {
        Clock::setFixed(localDate(2014, 1, 15, 10, 7));
        setting->setCurrentTZ(0);
        setting->setWeekStartDay(1);
        setting->setZvwUserName(QStringLiteral("me@example.com"));
        dataManager.setCurrentSetting(setting);
        dataManager.setCurrentSelectedDay(today);
        CoreData::setShared(&dataManager);
        items = makeItems();
    }

    TaskList makeItems() const
    {
        std::mt19937 random(20140115);
        const auto pick = [&random](int n) { return int(random() % unsigned(n)); };
        TaskList list;
        list.reserve(itemCount);
        for (int i = 0; i < itemCount; ++i) {
            auto item = std::make_shared<Task>();
            const int kind = pick(100);
            const qint64 type = kind < 20 ? 0 : kind < 70 ? 1 : kind < 80 ? 2 : 3;
            item->setTaskType(type);
            item->setPrimaryKey(-1);
            item->setTaskName(words[pick(int(words.size()))] + QStringLiteral(" item %1").arg(i));
            const Date start = today.dateByAddingTimeInterval(double(pick(365) - 182) * 86400.0 + pick(48) * 1800.0);
            item->setStartTime(start);
            item->setEndTime(start.dateByAddingTimeInterval(3600));
            item->setTaskOrder(i);
            if (type == 0) {
                item->setIsADE(pick(10) == 0);
                if (pick(20) == 0) {
                    item->setRepeatType(1 + pick(4));
                    item->setOccurrence(start);
                    item->setIsRepeatForever(1);
                }
            } else if (type == 1) {
                item->setStatus(pick(4) == 0);
                item->setCompletedDate(item->status() ? start : Date::dateWithTimeIntervalSince1970(0));
                item->setHasDue(pick(2));
                item->setDueEnd(start.dateByAddingTimeInterval(7200));
                item->setIsPinned(pick(20) == 0);
                item->setHasDuration(pick(3) == 0);
                item->setDuration(15 * (1 + pick(16)));
            } else if (type == 3) {
                item->setIsPinned(pick(20) == 0);
            }
            list.append(item);
        }
        return list;
    }
};

World& world()
{
    static World instance;
    return instance;
}

using Filter = std::function<qsizetype(const CoreData&, const TaskList&, const Date& day)>;

void runFilter(benchmark::State& state, const Filter& filter)
{
    World& w = world();
    qsizetype kept = 0;
    for (auto _ : state) {
        kept = filter(w.dataManager, w.items, w.today);
        benchmark::DoNotOptimize(kept);
    }
    state.counters["kept"] = double(kept);
    state.counters["items/s"] = benchmark::Counter(double(w.items.size()), benchmark::Counter::kIsIterationInvariantRate);
}

Date weekLater(const Date& day)
{
    return day.dateByAddingTimeInterval(6 * 86400.0);
}

const QString noSearch;
const QString search = QStringLiteral("café");

const std::pair<const char*, Filter> filters[] = {
    {"ADEsOnly", [](const CoreData& d, const TaskList& l, const Date&) { return d.getADEsOnlyListFromTaskList(l, noSearch).size(); }},
    {"ADEList", [](const CoreData& d, const TaskList& l, const Date&) { return d.getADEListFromTaskList(l, noSearch).size(); }},
    {"AllRecurringADEs", [](const CoreData& d, const TaskList& l, const Date&) { return d.getAllRecurringADEsFromTaskList(l, noSearch).size(); }},
    {"AllRecurringEvents", [](const CoreData& d, const TaskList& l, const Date&) { return d.getAllRecurringEventsFromTaskList(l, noSearch).size(); }},
    {"EventList/day", [](const CoreData& d, const TaskList& l, const Date& day) { return d.getEventListFromTaskList(l, day, day, noSearch).size(); }},
    {"EventOnlyList/week", [](const CoreData& d, const TaskList& l, const Date& day) { return d.getEventOnlyListFromTaskList(l, day, weekLater(day), noSearch).size(); }},
    {"TaskEventADEList/week", [](const CoreData& d, const TaskList& l, const Date& day) { return d.getTaskEventADEListFromTaskList(l, day, weekLater(day), noSearch).size(); }},
    {"DoneTasks/week", [](const CoreData& d, const TaskList& l, const Date& day) { return d.getDoneTasksFromTaskList(l, day, weekLater(day), noSearch).size(); }},
    {"TaskList/week", [](const CoreData& d, const TaskList& l, const Date& day) { return d.getTaskListFromTaskList(l, day, weekLater(day), noSearch).size(); }},
    {"DueTask/day", [](const CoreData& d, const TaskList& l, const Date& day) { return d.getDueTaskFromTaskList(l, day).size(); }},
    {"Note/day", [](const CoreData& d, const TaskList& l, const Date& day) { return d.getNoteFromTaskList(l, day).size(); }},
    {"DoneTask/day", [](const CoreData& d, const TaskList& l, const Date& day) { return d.getDoneTaskFromTaskList(l, day).size(); }},
    {"AllDayEvent/day", [](const CoreData& d, const TaskList& l, const Date& day) { return d.getAllDayEventFromTaskList(l, day).size(); }},
    {"Note/search", [](const CoreData& d, const TaskList& l, const Date&) { return d.getNoteFromTaskList(l, search).size(); }},
    {"Note/search/week", [](const CoreData& d, const TaskList& l, const Date& day) { return d.getNoteFromTaskList(l, search, day, weekLater(day))->size(); }},
    {"EventList/search", [](const CoreData& d, const TaskList& l, const Date&) { return d.getEventListFromTaskList(l, Date(), Date(), search).size(); }},
    {"TaskPane/all", [](const CoreData& d, const TaskList& l, const Date&) { return d.getTaskFromTaskList(l, qint64(0), qint64(0), false).size(); }},
    {"TaskPane/today+reorder", [](const CoreData& d, const TaskList& l, const Date&) { return d.getTaskFromTaskList(l, qint64(1), qint64(0), true).size(); }},
    {"TaskPane/due+reorder", [](const CoreData& d, const TaskList& l, const Date&) { return d.getTaskFromTaskList(l, qint64(4), qint64(0), true).size(); }},
    {"TaskPane/longestFirst", [](const CoreData& d, const TaskList& l, const Date&) { return d.getTaskFromTaskList(l, qint64(6), qint64(0), false).size(); }},
    {"TaskPane/done", [](const CoreData& d, const TaskList& l, const Date&) { return d.getTaskFromTaskList(l, qint64(0), qint64(2), false).size(); }},
    {"TaskList/predicate/all", [](const CoreData& d, const TaskList& l, const Date&) { return d.getTaskFromTaskList(l, 0, 0).size(); }},
    {"TaskList/predicate/due", [](const CoreData& d, const TaskList& l, const Date&) { return d.getTaskFromTaskList(l, 4, 0).size(); }},
    {"NoteList/all", [](const CoreData& d, const TaskList& l, const Date&) { return d.getNotesFromTaskList(l, 0, false).size(); }},
    {"NoteList/day", [](const CoreData& d, const TaskList& l, const Date&) { return d.getNotesFromTaskList(l, 1, false).size(); }},
    {"NoteList/week", [](const CoreData& d, const TaskList& l, const Date&) { return d.getNotesFromTaskList(l, 2, false).size(); }},
    {"NoteList/pinned", [](const CoreData& d, const TaskList& l, const Date&) { return d.getNotesFromTaskList(l, 3, false).size(); }},
};

// Seven working days (09:00 to 17:00) and 500 events of a quarter or half an
// hour between 06:00 and 22:00 over them, ordered by start as the planner
// passes them: each day gets its own events.
struct Week {
    QList<std::pair<Date, Date>> windows;
    QList<TaskList> eventsOfDay;
};

Week weekOfEvents()
{
    std::mt19937 random(500);
    Week week;
    for (int day = 0; day < 7; ++day) {
        week.windows.append({localDate(2014, 1, 15 + day, 9), localDate(2014, 1, 15 + day, 17)});
        week.eventsOfDay.append(TaskList());
    }
    for (int i = 0; i < 500; ++i) {
        const int day = int(random() % 7u);
        const Date start = localDate(2014, 1, 15 + day, 6 + int(random() % 16u), int(random() % 4u) * 15);
        auto event = std::make_shared<Task>();
        event->setTaskType(0);
        event->setStartTime(start);
        event->setEndTime(start.dateByAddingTimeInterval(900.0 * (1 + random() % 2u)));
        week.eventsOfDay[day].append(event);
    }
    for (TaskList& events : week.eventsOfDay)
        std::stable_sort(events.begin(), events.end(), [](const TaskPtr& a, const TaskPtr& b) {
            return a->startTime() < b->startTime();
        });
    return week;
}

void BM_FreeSlotsOfSevenDays(benchmark::State& state)
{
    World& w = world();
    const Week week = weekOfEvents();
    qsizetype slots = 0;
    for (auto _ : state) {
        slots = 0;
        for (int day = 0; day < 7; ++day)
            slots += w.dataManager
                         .openTimeSlotsFromTime(week.windows[day].first, week.windows[day].second, week.eventsOfDay[day])
                         .size();
        benchmark::DoNotOptimize(slots);
    }
    state.counters["slots"] = double(slots);
}

// The worst a caller can do: hand every day all 500 events of the week.
void BM_FreeSlotsOfSevenDaysAllEventsEachDay(benchmark::State& state)
{
    World& w = world();
    const Week week = weekOfEvents();
    TaskList all;
    for (const TaskList& events : week.eventsOfDay) all += events;
    qsizetype slots = 0;
    for (auto _ : state) {
        slots = 0;
        for (int day = 0; day < 7; ++day)
            slots += w.dataManager.openTimeSlotsFromTime(week.windows[day].first, week.windows[day].second, all).size();
        benchmark::DoNotOptimize(slots);
    }
    state.counters["slots"] = double(slots);
}

}  // namespace

int main(int argc, char** argv)
{
    // Figures are comparable between machines only in one zone with daylight saving.
    if (!qEnvironmentVariableIsSet("TZ")) qputenv("TZ", "Europe/Paris");
    tzset();
    for (const auto& [name, filter] : filters)
        benchmark::RegisterBenchmark((std::string("Filter/") + name).c_str(),
                                     [&filter](benchmark::State& state) { runFilter(state, filter); })
            ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("FreeSlots/7days/500events", BM_FreeSlotsOfSevenDays)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("FreeSlots/7days/500eventsEachDay", BM_FreeSlotsOfSevenDaysAllEventsEachDay)
        ->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
