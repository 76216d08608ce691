#pragma once

#include "DayBoxImageRenderer.h"

// The pictures dragged items carry, with the planners' own views: an item
// dragged onto a planner looks like its chip (month form) or its hour-grid
// block (week form) at the size asked. The rest is the day view's.
class PlannerImageRenderer : public DayBoxImageRenderer {
public:
    // Makes the one process-wide renderer the current one.
    static void install();

    // Off the main thread, or for an item not held by a shared pointer, the
    // shared drawing stands in: widgets live on the main thread only.
    QImage plannerItemImage(const Task& task, const QSizeF& size, bool weekly, bool squareBox,
                            bool highlight) const override;
};
