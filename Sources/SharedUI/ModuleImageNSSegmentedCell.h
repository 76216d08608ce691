#pragma once

#include <QRectF>

class QPainter;
class SegmentedControl;

// The look of the icon tabs on top of the lists: tabs that are not selected
// on the "tab_normal" pattern, the selected one white with a blue bar along
// its top, thin separators to the right of the first two tabs, and each tab's
// icon and label over that. It keeps nothing: everything it draws comes from
// the control it paints.
class ModuleImageNSSegmentedCell {
public:
    // Every tab is this tall, whatever the height of its control.
    static constexpr double tabHeight = 45;
    static constexpr double barHeight = 4;

    // The cell is handed a segment's frame as a bezel cell sees it: 8 points
    // below the top of the control, where the bezel's margin puts it. The
    // tab then reaches back up to the control's top edge.
    static QRectF cellFrameOfSegment(const QRectF& segmentFrame);
    // Where the tab of a segment with that cell frame is painted.
    static QRectF tabRect(const QRectF& cellFrame);

    // Paints one segment of the control in its cell frame (the control's
    // coordinates, y down).
    void drawSegment(QPainter& painter, int segment, const QRectF& cellFrame, const SegmentedControl& control) const;

    // Makes the control paint every segment with this cell, from then on.
    static void install(SegmentedControl& control);
};
