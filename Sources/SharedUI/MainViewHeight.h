#pragma once

#include <QtGlobal>

// The content height of the main view in points, for the whole process:
// every pane of the main window derives its height from it. 700 until
// start-up sets it from the screen.
extern quint64 mainViewHeight;

// The height start-up gives the main view on a screen whose visible part is
// that high: 20 points less, the fraction dropped, and never below 600.
quint64 mainViewHeightForVisibleHeight(double visibleHeight);
