#pragma once

#include "Date.h"
#include "RepeatRule.h"

#include <QString>

// What the recurrence of an item reads, as plain data: the rule, the first
// occurrence and the bounds of the series. A task's occurrence is its due
// date, so a task gives its due date as both startTime and endTime.
struct RecurrenceSeries {
    RepeatRule rule;
    Date startTime;  // the first occurrence (for the next occurrence: the item's own one)
    Date endTime;    // its end; every occurrence lasts endTime - startTime
    Date repeatStartDate;
    Date repeatEndDate;  // the last moment of the series unless it repeats for ever
    bool isRepeatForever = false;
    // Entries "|<stored start>(1)" (changed occurrence) and "|<stored start>(2)"
    // (deleted occurrence), the stored start printed with "%0.0f".
    QString repeatExceptions;
};
