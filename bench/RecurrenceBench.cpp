// Occurrences per second of the recurrence expansion, against libical's
// recurrence iterator on the same rules, periods and series, in one program.
//
// The series start on Monday 15 April 2019 at 09:00, five years before the
// periods, and last an hour. The periods are the year 2024 and the 42 days of
// April's month grid (31 March, the spring change in Paris, to 11 May). libical gets every advantage: the
// rule is parsed once, times are floating (no zone work at all), and its
// iterator is set to the period's start when the series began before it. Both
// sides count the occurrences that touch the period, and the program checks
// that the counts agree before measuring.
//
// Run from the build tree: bench/RecurrenceBench --benchmark_min_time=0.2
#include "RecurrenceExpander.h"

#include "GregorianCalendar.h"

#include <benchmark/benchmark.h>
#include <libical/ical.h>

#include <QByteArray>
#include <QString>

#include <cstdlib>
#include <ctime>
#include <string>

namespace {

struct Rule {
    const char* name;
    qint64 repeatType;
    const char* options;
    const char* rrule;
};

const Rule rules[] = {
    {"Daily", 1, "1//0", "FREQ=DAILY"},
    {"Weekly3Days", 2, "1/2|4|6/0", "FREQ=WEEKLY;BYDAY=MO,WE,FR"},
    {"Monthly", 3, "1//0", "FREQ=MONTHLY"},
    {"Yearly", 4, "1//0", "FREQ=YEARLY"},
};

struct Period {
    const char* name;
    int first[3];
    int last[3];
};

const Period periods[] = {
    {"Year", {2024, 1, 1}, {2024, 12, 31}},
    {"Window42", {2024, 3, 31}, {2024, 5, 11}},
};

constexpr int startFields[] = {2019, 4, 15, 9, 0, 0};
constexpr int durationSeconds = 3600;

RecurrenceSeries seriesOf(const Rule& rule)
{
    RecurrenceSeries series;
    series.rule = RepeatRule::fromOptions(rule.repeatType, QString::fromLatin1(rule.options));
    series.startTime = GregorianCalendar::dateFromFields(startFields[0], startFields[1], startFields[2],
                                                         startFields[3], startFields[4], startFields[5]);
    series.endTime = series.startTime.dateByAddingTimeInterval(durationSeconds);
    series.repeatStartDate = series.startTime;
    series.isRepeatForever = true;
    return series;
}

Date dayOf(const int (&day)[3])
{
    return GregorianCalendar::dateFromFields(day[0], day[1], day[2], 12, 0, 0);
}

qsizetype zoravelCount(const RecurrenceSeries& series, const Date& firstDay, const Date& lastDay)
{
    const QList<Date> found = RecurrenceExpander::occurrences(series, firstDay, lastDay, false);
    benchmark::DoNotOptimize(found.constData());
    return found.size();
}

qsizetype zoravelCount(const RecurrenceSeries& series, const Period& period)
{
    return zoravelCount(series, dayOf(period.first), dayOf(period.last));
}

icaltimetype floating(int year, int month, int day, int hour, int minute, int second)
{
    icaltimetype time = icaltime_null_time();
    time.year = year;
    time.month = month;
    time.day = day;
    time.hour = hour;
    time.minute = minute;
    time.second = second;
    return time;
}

// The same bounds as the expansion: from 00:00:01 of the first day less the
// duration to 23:59:59 of the last day.
struct IcalPeriod {
    icaltimetype lowerBound;
    icaltimetype end;
};

IcalPeriod icalPeriodOf(const Period& period)
{
    icaltimetype lowerBound = floating(period.first[0], period.first[1], period.first[2], 0, 0, 1);
    icaltime_adjust(&lowerBound, 0, 0, 0, -durationSeconds);
    return {lowerBound, floating(period.last[0], period.last[1], period.last[2], 23, 59, 59)};
}

long icalCount(const icalrecurrencetype& rule, const icaltimetype& start, const IcalPeriod& period)
{
    icalrecur_iterator* iterator = icalrecur_iterator_new(rule, start);
    if (icaltime_compare(period.lowerBound, start) > 0) icalrecur_iterator_set_start(iterator, period.lowerBound);
    long count = 0;
    for (icaltimetype next = icalrecur_iterator_next(iterator); !icaltime_is_null_time(next);
         next = icalrecur_iterator_next(iterator)) {
        if (icaltime_compare(next, period.end) > 0) break;
        if (icaltime_compare(next, period.lowerBound) >= 0) ++count;
    }
    icalrecur_iterator_free(iterator);
    return count;
}

void benchZoravel(benchmark::State& state, const Rule& rule, const Period& period)
{
    const RecurrenceSeries series = seriesOf(rule);
    const Date firstDay = dayOf(period.first);
    const Date lastDay = dayOf(period.last);
    qint64 occurrences = 0;
    for (auto _ : state) occurrences += zoravelCount(series, firstDay, lastDay);
    state.counters["occurrences"] = benchmark::Counter(static_cast<double>(occurrences), benchmark::Counter::kIsRate);
    state.counters["perCall"] = static_cast<double>(zoravelCount(series, period));
}

void benchLibical(benchmark::State& state, const Rule& rule, const Period& period)
{
    const icalrecurrencetype recurrence = icalrecurrencetype_from_string(rule.rrule);
    const icaltimetype start = floating(startFields[0], startFields[1], startFields[2], startFields[3],
                                        startFields[4], startFields[5]);
    const IcalPeriod icalPeriod = icalPeriodOf(period);
    const long expected = zoravelCount(seriesOf(rule), period);
    if (icalCount(recurrence, start, icalPeriod) != expected) {
        state.SkipWithError("libical counts other occurrences than the expansion");
        return;
    }
    qint64 occurrences = 0;
    for (auto _ : state) occurrences += icalCount(recurrence, start, icalPeriod);
    state.counters["occurrences"] = benchmark::Counter(static_cast<double>(occurrences), benchmark::Counter::kIsRate);
    state.counters["perCall"] = static_cast<double>(expected);
}

void registerAll()
{
    for (const Rule& rule : rules) {
        for (const Period& period : periods) {
            const std::string name = std::string(rule.name) + "/" + period.name;
            benchmark::RegisterBenchmark(("Zoravel/" + name).c_str(), benchZoravel, rule, period);
            benchmark::RegisterBenchmark(("libical/" + name).c_str(), benchLibical, rule, period);
        }
    }
}

}  // namespace

int main(int argc, char** argv)
{
    // Figures are comparable between machines only in one zone with daylight saving.
    if (!qEnvironmentVariableIsSet("TZ")) qputenv("TZ", "Europe/Paris");
    tzset();
    registerAll();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
