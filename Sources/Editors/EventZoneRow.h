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

// A zone control for a row of the given width: for now an editable field
// showing the zone's name; ending an edit with a name of the zone table
// calls changeItemTo with that zone (other names are left as typed).
ZoneRowContent makeZoneRowContent(double rowWidth, std::function<void(const TimezoneObj&)> changeItemTo);
