#pragma once

#include "TimezoneObj.h"

// Told of the zone the user chose in a time-zone picker (TimezoneSearchView).
class TimezoneSearchViewDelegate {
public:
    virtual ~TimezoneSearchViewDelegate() = default;
    virtual void changeItemTo(const TimezoneObj& zone) = 0;
};
