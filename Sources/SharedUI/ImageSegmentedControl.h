#pragma once

#include "SegmentedControl.h"

#include <QImage>
#include <QList>
#include <QStringList>

// The row of equal icon tabs on top of the lists and the detail panes: one
// segment per text, each with a tag for its creator and an icon that turns to
// its "selected" picture while its tab is in front. It paints with
// ModuleImageNSSegmentedCell.
//
// The icons come looked up: the creator writes each name in its own
// NamedImages::imageNamed call, so the image-name check sees every one. A
// missing picture is a null image, and its tab shows the label alone.
class ImageSegmentedControl : public SegmentedControl {
    Q_OBJECT

public:
    // The control stands at the origin of its parent, frame.width() wide and
    // height tall; the creator moves it where it belongs. Each segment is
    // segmentWidth(frame.width(), count) wide, shows its normal icon, and
    // takes the tag of the same place (0, logged, where tags run short).
    ImageSegmentedControl(const QRectF& frame, const QList<int>& tags, const QList<QImage>& normalIcons,
                          const QList<QImage>& selectedIcons, const QStringList& textTabs, double height,
                          QWidget* parent = nullptr);

    // Shows the selected icon on segment index and the normal icon on every
    // other one. The selection is the caller's: select the segment (usually
    // by tag) and then call this. An index outside the segments leaves every
    // segment on its normal icon.
    void selectedSegmentWithIndex(int index);

    // The width of each of count equal segments in a strip that wide: the
    // width less 7, shared and rounded to the nearest whole point (halves
    // away from zero); 0 (a share of the bounds) when nothing is left.
    static double segmentWidth(double frameWidth, int count);

    bool isFlipped() const override { return true; }

private:
    QList<QImage> m_normalIcons;
    QList<QImage> m_selectedIcons;
};
