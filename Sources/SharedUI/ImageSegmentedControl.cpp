#include "ImageSegmentedControl.h"

#include "Font.h"
#include "ModuleImageNSSegmentedCell.h"

#include <QDebug>

#include <cmath>

namespace {

// What the strip's edges keep of its width, outside the segments.
constexpr double edgeAllowance = 7;
constexpr double labelFontSize = 12;

}  // namespace

double ImageSegmentedControl::segmentWidth(double frameWidth, int count)
{
    if (count <= 0 || !std::isfinite(frameWidth)) return 0;
    const double width = std::round((frameWidth - edgeAllowance) / count);
    return width > 0 ? width : 0;
}

ImageSegmentedControl::ImageSegmentedControl(const QRectF& frame, const QList<int>& tags,
                                             const QList<QImage>& normalIcons, const QList<QImage>& selectedIcons,
                                             const QStringList& textTabs, double height, QWidget* parent)
    : SegmentedControl(QRectF(), parent), m_normalIcons(normalIcons), m_selectedIcons(selectedIcons)
{
    double width = frame.width();
    if (!std::isfinite(width) || width < 0) {
        qWarning() << "An icon tab strip was asked to be" << width << "wide; it is made 0 wide";
        width = 0;
    }
    if (!std::isfinite(height) || height < 0) {
        qWarning() << "An icon tab strip was asked to be" << height << "high; it is made 0 high";
        height = 0;
    }
    setTextFont(Font::fontWithName(QStringLiteral("Lucida Grande"), labelFontSize));
    setSegmentCount(int(textTabs.size()));
    setFrame(QRectF(0, 0, width, height));

    if (tags.size() < textTabs.size())
        qWarning() << "An icon tab strip got" << tags.size() << "tags for" << textTabs.size()
                   << "tabs; the others get tag 0";
    const double w = segmentWidth(width, segmentCount());
    for (int i = 0; i < segmentCount(); ++i) {
        setLabel(textTabs[i], i);
        setTag(i < tags.size() ? tags[i] : 0, i);
        setImage(i < m_normalIcons.size() ? m_normalIcons[i] : QImage(), i);
        setWidth(w, i);
    }
    ModuleImageNSSegmentedCell::install(*this);
}

void ImageSegmentedControl::selectedSegmentWithIndex(int index)
{
    for (int i = 0; i < int(m_normalIcons.size()); ++i) {
        if (i != index) {
            setImage(m_normalIcons[i], i);
        } else if (index < m_selectedIcons.size()) {
            setImage(m_selectedIcons[index], i);
        } else {
            qWarning() << "Icon tab" << index << "has no selected icon; it shows its label alone";
            setImage(QImage(), i);
        }
    }
}
