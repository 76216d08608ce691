#pragma once

// A category's place in the colour palette: four groups of eight colours.
// Every view that tints an item by its category reads it the same way.
#include <QtGlobal>

struct PaletteColor {
    qint64 group = 0;
    qint64 color = 0;
};

inline constexpr qint64 lastGroup = 3;
inline constexpr qint64 lastColor = 7;
