#pragma once

#include "AlertRequest.h"

// The question asked before a change to a repeating event (or a scheduled
// task) takes effect, wherever it was moved or stretched (the day grid, the
// month cells, the planners): this occurrence only (1000), all of them or
// all future ones (1001: all when the occurrence is the series' first), or
// cancel (1002).
AlertRequest repeatingEditQuestion(bool scheduledTask, bool firstOccurrence);
