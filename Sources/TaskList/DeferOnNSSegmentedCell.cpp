#include "DeferOnNSSegmentedCell.h"

#include "Common.h"
#include "SegmentedControl.h"

#include <QPainter>
#include <QPointer>

void DeferOnNSSegmentedCell::install(SegmentedControl* control)
{
    if (!control) return;
    QPointer<SegmentedControl> guarded(control);
    control->setSegmentPainter(
        [guarded](QPainter& painter, int segment, const QRectF& frame, bool selected, bool) {
            if (guarded) drawSegment(painter, *guarded, segment, frame, selected);
        },
        SegmentedControl::PainterScope::Whole);
}

QRectF DeferOnNSSegmentedCell::drawingFrame(const QRectF& segmentFrame)
{
    return QRectF(segmentFrame.x() - 3, segmentFrame.y() - 8, segmentFrame.width() + 5, 30);
}

QRectF DeferOnNSSegmentedCell::labelFrame(const QRectF& segmentFrame)
{
    return QRectF(segmentFrame.x() - 3, segmentFrame.y() + 2, segmentFrame.width() + 5, 19);
}

void DeferOnNSSegmentedCell::drawSegment(QPainter& painter, const SegmentedControl& control, int segment,
                                         const QRectF& segmentFrame, bool selected)
{
    painter.fillRect(drawingFrame(segmentFrame), Common::appBackgroundColor());
    // The chosen segment is marked by the blue label laid over it, not by a
    // dark fill that would show round that label.
    if (selected) return;
    control.drawSegmentAsControl(painter, segment, labelFrame(segmentFrame));
}
