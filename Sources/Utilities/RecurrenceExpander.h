#pragma once

#include "Date.h"
#include "RecurrenceSeries.h"
#include "RepeatRule.h"

#include <QList>
#include <QString>

#include <optional>

// The occurrences of a repeating item, computed from plain data. The
// expansion of a period and the search for the next occurrence step the rule
// with the same code, so the shown instances, the next task and the alarms
// always agree. Calendar work is Gregorian in the system zone; whole days keep
// the clock time across daylight-saving changes.
class RecurrenceExpander {
public:
    // The starts of the occurrences that touch the days firstDay to lastDay
    // (00:00:01 of the first to 23:59:59 of the last; an occurrence that
    // started earlier and still runs counts), bounded by repeatEndDate unless
    // the series repeats for ever: first the stepped occurrences in ascending
    // order, then the series' first occurrence itself, whatever the rule (not
    // bounded by repeatEndDate). Occurrences listed in repeatExceptions are
    // left out unless isForce. Nothing for a repeatType of 0 or less, or when
    // the period lies outside repeatStartDate to repeatEndDate. A series that
    // does not repeat for ever but has no repeatEndDate has no end.
    static QList<Date> occurrences(const RecurrenceSeries& series, const Date& firstDay, const Date& lastDay,
                                   bool isForce);

    // The first occurrence of the series later than `after`, not excepted and
    // not past repeatEndDate (unless the series repeats for ever); nullopt
    // when the rule does not repeat or the series ends first. The series is
    // the root's (its first occurrence as startTime), `after` the item's own
    // occurrence: the root's startTime, an instance's start, a task's due
    // date. Stepping from the first occurrence keeps the anchors of the rule
    // (the 31st, the fifth Friday, 29 February) that an instance's own date
    // has lost, so the answer is the next date the expansion shows.
    static std::optional<Date> nextOccurrence(const RecurrenceSeries& series, const Date& after);

    // A task that repeats from completion, with its due date as series.startTime
    // (a task without one is given the current quarter hour first), completed
    // at `now`: the weekly rhythm moves with the day of completion
    // (the due date's weekday becomes today's in the rule, which the task then
    // stores), and the next due date is the first occurrence on a later day
    // than today of the series restarted today at the due date's hour and minute.
    struct CompletionRepeat {
        RepeatRule rule;
        std::optional<Date> dueEnd;  // nullopt when the series ends first
    };
    static CompletionRepeat nextFromCompletion(const RecurrenceSeries& series, const Date& now);

    // Whether the exceptions text holds an entry "|N(" for the occurrence
    // starting at the date, N being its stored form printed with "%0.0f".
    static bool isExcepted(const QString& repeatExceptions, const Date& occurrence);
};
