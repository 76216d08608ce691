#pragma once

#include "View.h"

// One day cell of a month grid; a sender of "Task changed" the main view
// tells apart. Its drawing comes with the month views.
class MonthCellView : public View {
    Q_OBJECT

public:
    using View::View;
};
