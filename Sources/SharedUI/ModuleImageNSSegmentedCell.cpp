#include "ModuleImageNSSegmentedCell.h"

#include "Button.h"
#include "Color.h"
#include "Drawing.h"
#include "NamedImages.h"
#include "SegmentedControl.h"
#include "TextMeasure.h"

#include <QPainter>

namespace {

// How far the bezel's margin sets a segment below the control's top, and how
// the tab overhangs its frame on either side so neighbours meet under the
// separators.
constexpr double bezelTopMargin = 8;
constexpr double tabLeftOverhang = 3;
constexpr double tabExtraWidth = 5;
// The separator stands this far inside the tab's right edge, on a half point
// so that a one-point line stays sharp.
constexpr double separatorInset = 4.5;
constexpr double separatorTop = 4;
// Only the first two tabs have a separator on their right, however many
// there are: in the three-tab strips the last one ends at the strip's edge.
constexpr int segmentsWithSeparator = 2;
constexpr double contentInset = 6;
constexpr double disabledOpacity = 0.5;

QColor selectedBarColor()
{
    return QColor(61, 98, 187);
}

}  // namespace

QRectF ModuleImageNSSegmentedCell::cellFrameOfSegment(const QRectF& segmentFrame)
{
    return segmentFrame.adjusted(0, bezelTopMargin, 0, 0);
}

QRectF ModuleImageNSSegmentedCell::tabRect(const QRectF& cellFrame)
{
    return QRectF(cellFrame.x() - tabLeftOverhang, cellFrame.y() - bezelTopMargin, cellFrame.width() + tabExtraWidth,
                  tabHeight);
}

// The control saves and restores the painter around each segment, so the
// clip and pen set here stay with the segment.
void ModuleImageNSSegmentedCell::drawSegment(QPainter& painter, int segment, const QRectF& cellFrame,
                                             const SegmentedControl& control) const
{
    if (segment < 0 || segment >= control.segmentCount()) return;
    const QRectF tab = tabRect(cellFrame);
    const bool selected = control.isSelectedForSegment(segment);

    // Each tab overhangs its left neighbour, whose separator was drawn
    // before it: keep to the right of that line so it stays in sight.
    if (segment > 0 && segment - 1 < segmentsWithSeparator) {
        const QRectF previous = tabRect(cellFrameOfSegment(control.frameOfSegment(segment - 1)));
        const double left = previous.right() - separatorInset + 0.5;
        painter.setClipRect(QRectF(left, tab.top(), tab.right() - left, tab.height()), Qt::IntersectClip);
    }

    if (selected) {
        painter.fillRect(tab, Color::white());
        painter.fillRect(QRectF(tab.x(), tab.y(), tab.width(), barHeight), selectedBarColor());
    } else {
        // A missing pattern paints nothing (logged by the colour), so the
        // label still shows on whatever lies behind.
        painter.fillRect(tab, Color::patternImage(NamedImages::imageNamed(QStringLiteral("tab_normal"))));
    }

    if (segment < segmentsWithSeparator) {
        const double x = tab.x() + tab.width() - separatorInset;
        painter.setPen(QPen(Color::lightGray(), 1));
        painter.drawLine(QPointF(x, separatorTop), QPointF(x, tabHeight));
    }

    // The icon beside the label, as a plain segment shows them; a missing
    // icon leaves the label alone, centred.
    painter.save();
    if (!control.isEnabled() || !control.isEnabledForSegment(segment)) painter.setOpacity(disabledOpacity);
    QString label = control.labelForSegment(segment);
    label.replace(QLatin1Char('\n'), QLatin1Char(' '));
    const QImage image = control.imageForSegment(segment);
    const bool hasImage = !image.isNull();
    const ImagePosition position = !hasImage          ? ImagePosition::NoImage
                                   : label.isEmpty() ? ImagePosition::ImageOnly
                                                     : ImagePosition::ImageLeft;
    const QRectF content = tab.adjusted(contentInset, barHeight, -contentInset, 0);
    const Button::ContentLayout layout =
        Button::contentLayout(content, hasImage ? image.deviceIndependentSize() : QSizeF(),
                              TextMeasure::sizeOfText(label, control.textFont()), position);
    if (hasImage && !layout.imageRect.isEmpty()) painter.drawImage(layout.imageRect, image);
    if (!label.isEmpty() && !layout.titleRect.isEmpty()) {
        const Qt::Alignment horizontal = position == ImagePosition::ImageLeft ? Qt::AlignLeft : Qt::AlignHCenter;
        Drawing::drawText(painter, label, control.textFont(), Color::controlText(), layout.titleRect,
                          horizontal | Qt::AlignVCenter, Qt::ElideRight);
    }
    painter.restore();
}

void ModuleImageNSSegmentedCell::install(SegmentedControl& control)
{
    // The hook lives in the control, so the control outlives every call.
    SegmentedControl* target = &control;
    control.setSegmentPainter([target](QPainter& painter, int segment, const QRectF& frame, bool, bool) {
        ModuleImageNSSegmentedCell().drawSegment(painter, segment, cellFrameOfSegment(frame), *target);
    });
}
