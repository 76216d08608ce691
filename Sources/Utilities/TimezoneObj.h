#pragma once

#include <QString>

// One entry of the zone table: its id, the display name searched by name
// lookups ("(GMT+01:00) Europe/Paris"), the city part for pickers and the
// identifier of the zone database (or "Floating").
struct TimezoneObj {
    qint64 tzId = 0;
    QString tzName;
    QString cityName;
    QString tzRegionName;
};
