// The calendar sync's mapping and writes: 5,000 store events turned into
// items (the import's field and rule mapping), 1,000 event files with
// deleted and changed occurrences read for their exceptions, and 1,000
// local events created in the store (each file written and read back by the
// zone write, each item's link stored in the database).
#include "Calendar.h"
#include "Clock.h"
#include "CoreData.h"
#include "DatabaseSchema.h"
#include "GregorianCalendar.h"
#include "Paths.h"
#include "RecordStore.h"
#include "Setting.h"
#include "Task.h"
#include "Utilities.h"
#include "iCalSyncJobs.h"
#include "support/CalendarSyncBenchSetup.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <ctime>
#include <memory>

namespace {

constexpr int mappedEvents = 5000;
constexpr int eventFiles = 1000;
constexpr int createdEvents = 1000;

using namespace calendarbench;

void BM_MapStoreEventsToItems(benchmark::State& state)
{
    CalEventList events;
    const CalRecurrenceRule rules[] = {CalRecurrenceRule::initWeeklyRecurrenceWithInterval(1, {2, 4}, std::nullopt),
                                       CalRecurrenceRule::initMonthlyRecurrenceWithInterval(1, QList<int>{15}, std::nullopt),
                                       CalRecurrenceRule::initDailyRecurrenceWithInterval(2, CalRecurrenceEnd::recurrenceEndWithOccurrenceCount(10))};
    for (int i = 0; i < mappedEvents; ++i) {
        auto event = CalEvent::event();
        event->setCalendar(setup->calendar);
        event->setTitle(QStringLiteral("Event %1").arg(i));
        event->setLocation(QStringLiteral("Room %1").arg(i % 40));
        event->setUrl(QStringLiteral("https://example.org/%1").arg(i));
        const Date start = local(2014, 1 + i % 12, 1 + i % 28, 8 + i % 10);
        event->setStartDate(start);
        event->setEndDate(start.dateByAddingTimeInterval(3600));
        event->setIsAllDay(i % 7 == 0);
        if (i % 5 == 0) event->setRecurrenceRule(rules[i % 3]);
        events << event;
    }
    for (auto _ : state) {
        for (const CalEventPtr& event : events) {
            auto item = std::make_shared<Task>();
            setup->jobs->updateInfoFromICalEvent(*event, item, Date(), local(2014, 12, 31));
            benchmark::DoNotOptimize(item);
        }
    }
    state.counters["events"] = mappedEvents;
}
BENCHMARK(BM_MapStoreEventsToItems)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ReadEventFilesWithExceptions(benchmark::State& state)
{
    QDir().mkpath(setup->eventsFolder());
    for (int i = 0; i < eventFiles; ++i) {
        const QByteArray uid = "exceptions-" + QByteArray::number(i);
        QFile file(setup->eventsFolder() + QStringLiteral("/exceptions-%1.ics").arg(i));
        if (!file.open(QIODevice::WriteOnly)) std::exit(1);
        file.write("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Bench//EN\r\nBEGIN:VEVENT\r\nUID:" + uid +
                   "\r\nDTSTAMP:20140301T000000Z\r\nDTSTART;TZID=Europe/Paris:20140303T090000\r\n"
                   "DTEND;TZID=Europe/Paris:20140303T100000\r\nRRULE:FREQ=DAILY;COUNT=20\r\n"
                   "EXDATE;TZID=Europe/Paris:20140305T090000,20140307T090000\r\nSUMMARY:Daily\r\nEND:VEVENT\r\n"
                   "BEGIN:VEVENT\r\nUID:" + uid + "\r\nDTSTAMP:20140301T000000Z\r\n"
                   "RECURRENCE-ID;TZID=Europe/Paris:20140310T090000\r\nDTSTART;TZID=Europe/Paris:20140310T140000\r\n"
                   "DTEND;TZID=Europe/Paris:20140310T150000\r\nSUMMARY:Moved\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n");
    }
    setup->store = CalCalendarStore::create(setup->store->rootPath());
    setup->jobs->setICalStore(setup->store);
    const QString folder = setup->eventsFolder().section(QLatin1Char('/'), 0, -2);
    setup->jobs->getICalEventInfo(QStringLiteral("exceptions-0"), folder, nullptr, nullptr, nullptr);  // the index
    qint64 found = 0;
    for (auto _ : state) {
        found = 0;
        for (int i = 0; i < eventFiles; ++i) {
            QList<Date> deleted;
            Date start, end;
            found += setup->jobs->getICalEventInfo(QStringLiteral("exceptions-%1").arg(i), folder, &deleted, &start, &end).size();
        }
        benchmark::DoNotOptimize(found);
    }
    state.counters["events"] = double(found);
}
BENCHMARK(BM_ReadEventFilesWithExceptions)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_CreateEventsInTheStore(benchmark::State& state)
{
    qint64 created = 0;
    for (auto _ : state) {
        state.PauseTiming();
        TaskList items;
        for (int i = 0; i < createdEvents; ++i) {
            auto item = std::make_shared<Task>();
            item->setTaskType(0);
            item->setTaskName(QStringLiteral("Created %1").arg(i));
            const Date start = local(2014, 3, 1 + i % 28, 8 + i % 10);
            item->setStartTime(start);
            item->setEndTime(start.dateByAddingTimeInterval(3600));
            item->setCalendarId(1);
            item->setTz(i % 2 ? 40264 : 0);
            if (!item->insertIntoDatabase()) std::exit(1);
            items << item;
        }
        state.ResumeTiming();
        created = 0;
        created = setup->jobs->createNewEventsOnICal(items, 0);
        if (created != createdEvents) state.SkipWithError("an event was not created");
    }
    state.counters["events"] = double(created);
}
BENCHMARK(BM_CreateEventsInTheStore)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("TZ")) qputenv("TZ", "Europe/Paris");
    tzset();
    QCoreApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    Setup shared;
    setup = &shared;
    benchmark::RunSpecifiedBenchmarks();
    setup = nullptr;
    benchmark::Shutdown();
    return 0;
}
