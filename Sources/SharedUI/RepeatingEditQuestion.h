#pragma once

#include "AlertRequest.h"

// The question asked before a change to a repeating event (or a scheduled
// task) takes effect, wherever it was moved or stretched (the day grid, the
// month cells, the planners): this occurrence only (1000), all of them or
// all future ones (1001: all when the occurrence is the series' first), or
// cancel (1002).
AlertRequest repeatingEditQuestion(bool scheduledTask, bool firstOccurrence);

// The question asked before an occurrence of a repeating event (or a
// scheduled task) is deleted, from a list's row or the focus pane: the same
// three buttons, with the deleting texts; an all-day event adds the warning
// that its exceptions go with the series.
AlertRequest repeatingDeleteQuestion(bool scheduledTask, bool firstOccurrence, bool allDay);
