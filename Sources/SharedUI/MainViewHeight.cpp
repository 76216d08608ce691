#include "MainViewHeight.h"

#include <cmath>

quint64 mainViewHeight = 700;

quint64 mainViewHeightForVisibleHeight(double visibleHeight)
{
    const double height = visibleHeight - 20;
    // No screen (or a bad size) gives the floor, as a small screen does.
    if (!std::isfinite(height) || height <= 600) return 600;
    return quint64(height);
}
