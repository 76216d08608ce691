#include "WindowPlacement.h"

#include "AttachedWindowShape.h"
#include "Window.h"

#include <algorithm>
#include <cmath>

WindowPlacement WindowPlacement::forMainWindow(bool plannerExpand, bool dockedLeft, bool dockedRight,
                                               const QSizeF& screenSize, const QPointF& statusItemPosition,
                                               double windowWidth)
{
    const double width = screenSize.width(), height = screenSize.height();
    // The planners and the docked windows hang 14 points under the screen's
    // top edge, 20 in from its side, and carry no arrow.
    if (plannerExpand)
        return {QPointF(width - 20, height - 14), AttachedBelowLeftward, false, ClosableWindowMask};
    if (!dockedLeft && !dockedRight) {
        int side = AttachedBelow;
        if (statusItemPosition.x() + windowWidth / 2 > width) side = AttachedBelowLeftward;
        else if (statusItemPosition.x() - windowWidth / 2 < 0) side = AttachedBelowRightward;
        return {statusItemPosition, side, true, BorderlessWindowMask};
    }
    if (dockedLeft) return {QPointF(20, height - 14), AttachedBelowRightward, false, ClosableWindowMask};
    return {QPointF(width - 20, height - 14), AttachedBelowLeftward, false, ClosableWindowMask};
}

QRectF WindowPlacement::screenArea(const QRectF& visibleFrame, const QPointF& statusItemPosition)
{
    QRectF area = visibleFrame;
    const bool itemInUpperHalf = visibleFrame.contains(statusItemPosition) &&
                                 statusItemPosition.y() > visibleFrame.y() + visibleFrame.height() / 2;
    if (itemInUpperHalf) area.setHeight(statusItemPosition.y() - visibleFrame.y());
    return area;
}

double WindowPlacement::mainViewHeightFitting(double areaHeight, double scale)
{
    const double chrome = (2 * mainWindowMargin + mainWindowArrowHeight) * scale;
    if (!std::isfinite(areaHeight) || !std::isfinite(chrome)) return 0;
    return std::max(0.0, std::floor(areaHeight - chrome));
}

WindowPlacement WindowPlacement::forSplash(const QSizeF& screenSize)
{
    return {QPointF(screenSize.width() - 5, screenSize.height() - 285), AttachedBelowLeftward, false,
            ClosableWindowMask};
}
