#include "ImageView.h"

#include <QPainter>

#include <algorithm>

ImageView::ImageView(const QRectF& frame, QWidget* parent) : View(frame, parent) {}

void ImageView::setImage(const QImage& image)
{
    m_image = image;
    update();
}

void ImageView::setImageScaling(ImageScaling scaling)
{
    m_scaling = scaling;
    update();
}

QRectF ImageView::imageRect(const QSizeF& imageSize, const QRectF& bounds, ImageScaling scaling)
{
    if (imageSize.isEmpty() || bounds.isEmpty()) return {};
    QSizeF size = imageSize;
    switch (scaling) {
    case ImageScaling::AxesIndependently: return bounds;
    case ImageScaling::ProportionallyDown: {
        const double factor = std::min({1.0, bounds.width() / size.width(), bounds.height() / size.height()});
        size *= factor;
        break;
    }
    case ImageScaling::None: break;
    }
    const QPointF origin(bounds.center().x() - size.width() / 2, bounds.center().y() - size.height() / 2);
    return QRectF(origin, size);
}

void ImageView::drawRect(QPainter& painter, const QRectF&)
{
    if (m_image.isNull()) return;
    // An image made for a scale of 2 measures half its pixels.
    const QSizeF imageSize = m_image.deviceIndependentSize();
    const QRectF target = imageRect(imageSize, bounds(), m_scaling);
    if (target.isEmpty()) return;
    painter.save();
    painter.setClipRect(bounds());
    painter.drawImage(target, m_image);
    painter.restore();
}
