// The repeat options and repeat exceptions of an item's columns (also sent
// by the web service), expanded over a month as the views expand them.
#include "FuzzSupport.h"
#include "RecurrenceExpander.h"
#include "RepeatRule.h"

#include <cstring>

namespace {

// Seconds from eight bytes, passed through the check every stored date passes.
Date storedDate(const QByteArray& bytes, const Date& fallback)
{
    if (bytes.size() < 8) return fallback;
    double seconds = 0;
    std::memcpy(&seconds, bytes.constData(), sizeof seconds);
    const Date date = Date::dateFromOutside(seconds, "a fuzzed series");
    return date.isNull() ? fallback : date;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    Fuzz::setUp();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) return 0;
    // The type byte, then NUL-separated: options, exceptions, start (8 bytes), end of the series (8 bytes).
    const QList<QByteArray> parts = Fuzz::bytes(data + 1, size - 1).split('\0');
    const Date january = Date::dateWithTimeIntervalSince1970(1388566800);  // 2014-01-01 10:00, Paris
    RecurrenceSeries series;
    series.rule = RepeatRule::fromOptions(data[0] % 6, QString::fromUtf8(parts.value(0)));
    series.repeatExceptions = QString::fromUtf8(parts.value(1));
    series.startTime = storedDate(parts.value(2), january);
    series.endTime = series.startTime.dateByAddingTimeInterval(1800);
    series.repeatStartDate = series.startTime;
    series.repeatEndDate = storedDate(parts.value(3), Date());
    series.isRepeatForever = series.repeatEndDate.isNull();

    Fuzz::require(series.rule.interval >= 1, "a rule steps at least once per period");
    Fuzz::require(RepeatRule::fromOptions(series.rule.repeatType, series.rule.options()) == series.rule,
                  "a rule's options text reads back as the rule");
    const Date firstDay = Date::dateWithTimeIntervalSince1970(1391209200);  // 2014-02-01
    const Date lastDay = Date::dateWithTimeIntervalSince1970(1393542000);   // 2014-02-28
    for (const Date& occurrence : RecurrenceExpander::occurrences(series, firstDay, lastDay, false))
        Fuzz::require(occurrence.isValid(), "an occurrence has a date");
    if (const std::optional<Date> next = RecurrenceExpander::nextOccurrence(series, series.startTime))
        Fuzz::require(*next > series.startTime, "the next occurrence comes later");
    return 0;
}
