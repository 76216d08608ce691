#include "VerticalNSSegmentedCell.h"

#include "SegmentedControl.h"

void VerticalNSSegmentedCell::install(SegmentedControl& control)
{
    // The painter belongs to the control, so the control outlives it.
    SegmentedControl* owner = &control;
    control.setSegmentPainter(
        [owner](QPainter& painter, int segment, const QRectF& frame, bool, bool) {
            owner->drawSegmentContent(painter, segment, frame.translated(0, -segmentRaise));
        },
        SegmentedControl::PainterScope::SegmentContent);
}
