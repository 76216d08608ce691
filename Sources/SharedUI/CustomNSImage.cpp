#include "CustomNSImage.h"

#include <QDebug>
#include <QPainter>

#include <cmath>

QImage CustomNSImage::stretchableImageWithTopCapHeight(const QImage& image, int cap, double toHeight)
{
    if (image.isNull() || cap == 0 || cap >= image.height()) return image;
    if (cap < 0) {
        qWarning() << "An image was to be stretched with a cap of" << cap << "rows; it is kept as it is";
        return image;
    }
    if (!std::isfinite(toHeight) || toHeight < 0.5 || toHeight > maxHeight) {
        qWarning() << "An image was to be stretched to" << toHeight << "rows; it is kept as it is";
        return image;
    }
    const int width = image.width();
    const int height = int(std::lround(toHeight));
    const QImage source = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);

    QImage result(width, height, QImage::Format_ARGB32_Premultiplied);
    if (result.isNull()) {
        qWarning() << "No room for an image of" << width << "by" << height << "; the image is kept as it is";
        return image;
    }
    result.setDevicePixelRatio(image.devicePixelRatio());
    result.fill(Qt::transparent);
    QPainter painter(&result);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    // Slices are separate images, so scaling the middle never blends in a
    // row of a cap.
    const QImage top = source.copy(0, 0, width, cap);
    const QImage middle = source.copy(0, cap, width, image.height() - 2 * cap);
    const QImage bottom = source.copy(0, image.height() - cap, width, cap);
    painter.drawImage(0, 0, top);
    const int middleHeight = height - 2 * cap;
    if (middleHeight > 0 && !middle.isNull())
        painter.drawImage(0, cap, middle.scaled(width, middleHeight, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    painter.drawImage(0, height - cap, bottom);
    return result;
}
