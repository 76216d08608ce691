#include "WindowPlacement.h"

#include "AttachedWindowShape.h"
#include "Window.h"

WindowPlacement WindowPlacement::forMainWindow(bool plannerExpand, bool dockedLeft, bool dockedRight,
                                               const QSizeF& screenSize, const QPointF& statusItemPosition)
{
    const double width = screenSize.width(), height = screenSize.height();
    // The planners and the docked windows hang 14 points under the screen's
    // top edge, 20 in from its side, and carry no arrow.
    if (plannerExpand)
        return {QPointF(width - 20, height - 14), AttachedBelowLeftward, false, ClosableWindowMask};
    if (!dockedLeft && !dockedRight) return {statusItemPosition, AttachedBelow, true, BorderlessWindowMask};
    if (dockedLeft) return {QPointF(20, height - 14), AttachedBelowRightward, false, ClosableWindowMask};
    return {QPointF(width - 20, height - 14), AttachedBelowLeftward, false, ClosableWindowMask};
}

WindowPlacement WindowPlacement::forSplash(const QSizeF& screenSize)
{
    return {QPointF(screenSize.width() - 5, screenSize.height() - 285), AttachedBelowLeftward, false,
            ClosableWindowMask};
}
