#pragma once

#include <QRectF>

class QPainter;
class SegmentedControl;

// Draws the defer choices of the quick create popover: each segment on a
// patch of the pane's background a little larger than the segment, so the
// row reads as part of the pane rather than a bezel of its own.
class DeferOnNSSegmentedCell {
public:
    DeferOnNSSegmentedCell() = default;

    // Makes the cell draw every segment of the control.
    static void install(SegmentedControl* control);

    // The frame a segment is drawn in: 3 points further left, 5 wider, from
    // 8 points above the segment and 30 high, so neighbouring patches meet
    // and cover the control's own bezel.
    static QRectF drawingFrame(const QRectF& segmentFrame);

    // Where a choice's text goes: the line the blue label of the chosen
    // one covers, 2 points under the segment's top and 19 high, as wide
    // as the patch so the longest text fits.
    static QRectF labelFrame(const QRectF& segmentFrame);

    // Fills the drawing frame with the pane's background, then draws the
    // segment's text as the control would; the chosen segment is left to the
    // label that marks it.
    static void drawSegment(QPainter& painter, const SegmentedControl& control, int segment,
                            const QRectF& segmentFrame, bool selected);
};
