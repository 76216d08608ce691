#pragma once

// Frames and numbers that come from callers or from outside are made finite
// before a view or a window takes them: a NaN frame would poison every layout
// that follows.
#include <QRectF>

#include <algorithm>
#include <cmath>

inline double finiteOrZero(double value)
{
    return std::isfinite(value) ? value : 0.0;
}

inline QRectF sanitized(const QRectF& frame)
{
    return QRectF(finiteOrZero(frame.x()), finiteOrZero(frame.y()), std::max(0.0, finiteOrZero(frame.width())),
                  std::max(0.0, finiteOrZero(frame.height())));
}
