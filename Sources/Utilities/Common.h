#pragma once

#include <QColor>

// The application's fixed greys and its highlight colour, opaque.
class Common {
public:
    // The list, search, category, tag and note panes and the quick create view.
    static QColor appBackgroundColor();
    // The focus pane and its list.
    static QColor focusPaneColorBackground();
    // The cells of the month grid.
    static QColor weekMonthViewColor();
    // Add forms and item editors.
    static QColor addNewViewColor();
    // The week and month planners.
    static QColor commonBackgroundColor();
    // The selected day in the month grid and the planners; also the border
    // of a highlighted item box.
    static QColor selectedDayColor();
};
