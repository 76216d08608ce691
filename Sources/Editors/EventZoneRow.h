#pragma once

#include "TimezoneObj.h"

#include <QRectF>

#include <functional>
#include <optional>

class View;

// What the zone row of the event editor holds: the control, and how the
// editor sets its zone, enables it and hears the user's choice. Made by one
// function so the row's control can be replaced without touching the form.
struct ZoneRowContent {
    View* view = nullptr;
    std::function<void(const TimezoneObj&)> setCurrentZone;
    std::function<void(bool)> setEnabled;
};

// The row's time-zone picker over the data manager's zone table, its list
// opening below the field; the user's choice goes to changeItemTo.
ZoneRowContent makeZoneRowContent(double rowWidth, std::function<void(const TimezoneObj&)> changeItemTo);
