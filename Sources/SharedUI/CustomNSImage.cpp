#include "CustomNSImage.h"

#include <QDebug>
#include <QPainter>

#include <cmath>
#include <cstring>

namespace {

// Two pairs of premultiplied pixels mixed, `weight` (0 to 256) parts of b:
// every other channel at a time, each with room for its product in 16 bits.
inline quint64 mix(quint64 a, quint64 b, quint64 weight)
{
    constexpr quint64 lanes = 0x00FF00FF00FF00FFull;
    const quint64 keep = 256 - weight;
    const quint64 even = (((a & lanes) * keep + (b & lanes) * weight) >> 8) & lanes;
    const quint64 odd = (((a >> 8) & lanes) * keep + ((b >> 8) & lanes) * weight) & ~lanes;
    return even | odd;
}

void mixRow(quint32* __restrict out, const quint32* __restrict a, const quint32* __restrict b, int width,
            quint64 weight)
{
    int x = 0;
    for (; x + 1 < width; x += 2) {
        quint64 pa, pb;
        std::memcpy(&pa, a + x, 8);
        std::memcpy(&pb, b + x, 8);
        const quint64 mixed = mix(pa, pb, weight);
        std::memcpy(out + x, &mixed, 8);
    }
    if (x < width) out[x] = quint32(mix(a[x], b[x], weight));
}

// Fills rows [top, top + rows) of `result` with the source rows
// [from, from + sourceRows) scaled vertically, each row interpolated between
// its two nearest source rows. The width never changes, so a row is mixed
// pixel by pixel with no horizontal sampling.
void scaleRowsInto(QImage& result, int top, int rows, const QImage& source, int from, int sourceRows)
{
    const int width = source.width();
    const qsizetype rowBytes = qsizetype(width) * 4;
    const double step = double(sourceRows) / rows;
    for (int row = 0; row < rows; ++row) {
        const double y = (row + 0.5) * step - 0.5;
        int y0 = int(std::floor(y));
        quint32 weight = quint32(std::lround((y - y0) * 256));
        if (y0 < 0) {
            y0 = 0;
            weight = 0;
        }
        if (y0 >= sourceRows - 1) {
            y0 = sourceRows - 1;
            weight = 0;
        }
        auto* out = reinterpret_cast<quint32*>(result.scanLine(top + row));
        const auto* a = reinterpret_cast<const quint32*>(source.constScanLine(from + y0));
        if (weight == 0) {
            std::memcpy(out, a, size_t(rowBytes));
            continue;
        }
        const auto* b = reinterpret_cast<const quint32*>(source.constScanLine(from + y0 + 1));
        if (weight == 256) {
            std::memcpy(out, b, size_t(rowBytes));
            continue;
        }
        mixRow(out, a, b, width, weight);
    }
}

void copyRows(QImage& result, int top, const QImage& source, int from, int rows)
{
    const size_t rowBytes = size_t(source.width()) * 4;
    for (int row = 0; row < rows; ++row) std::memcpy(result.scanLine(top + row), source.constScanLine(from + row), rowBytes);
}

}  // namespace

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
    const int sourceHeight = image.height();
    const QImage source = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);

    QImage result(width, height, QImage::Format_ARGB32_Premultiplied);
    if (result.isNull()) {
        qWarning() << "No room for an image of" << width << "by" << height << "; the image is kept as it is";
        return image;
    }
    result.setDevicePixelRatio(image.devicePixelRatio());
    const int middleRows = height - 2 * cap;
    const int sourceMiddleRows = sourceHeight - 2 * cap;
    if (middleRows < 0) {
        // The caps overlap: the bottom one is drawn over the top one.
        result.fill(Qt::transparent);
        QPainter painter(&result);
        painter.drawImage(QPoint(0, 0), source, QRect(0, 0, width, cap));
        painter.drawImage(QPoint(0, height - cap), source, QRect(0, sourceHeight - cap, width, cap));
        return result;
    }
    // Each row of the result is written once, over nothing: copying is
    // drawing over.
    copyRows(result, 0, source, 0, cap);
    if (middleRows > 0) {
        if (sourceMiddleRows > 0)
            scaleRowsInto(result, cap, middleRows, source, cap, sourceMiddleRows);
        else
            for (int row = cap; row < cap + middleRows; ++row)
                std::memset(result.scanLine(row), 0, size_t(width) * 4);
    }
    copyRows(result, height - cap, source, sourceHeight - cap, cap);
    return result;
}
