#pragma once

#include <QString>

// Names of the notifications the shell and the views post to each other.

// Every open popover closes (object: whoever asks, e.g. the window controller).
inline const QString kPopoverShouldClose = QStringLiteral("NSPopOver should close");

// The working hours of a weekday were changed on the working-hours band
// (object: the band); the today planner plans the week again.
inline const QString kTimeManagerChanged = QStringLiteral("TimeManager changed");
