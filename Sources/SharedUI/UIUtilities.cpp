#include "UIUtilities.h"

#include "BezierPath.h"
#include "Color.h"
#include "Drawing.h"
#include "Font.h"
#include "Gradient.h"
#include "NamedImages.h"
#include "TextMeasure.h"

#include <QDebug>
#include <QPainter>
#include <QPainterPathStroker>

#include <array>
#include <cmath>
#include <optional>

namespace {

UIUtilities::TextObserver& textObserver()
{
    static UIUtilities::TextObserver observer;
    return observer;
}

using Shades = std::array<QColor, 3>;

// The three shades of a palette colour at an alpha, or nothing for "no colour".
std::optional<Shades> shadesOf(const ColorObject& color, double alpha)
{
    const QList<float>& rgb = color.arrayOfRGB();
    if (rgb.isEmpty()) return std::nullopt;
    if (rgb.size() != ColorObject::componentCount) {
        qWarning() << "A palette colour of" << rgb.size() << "components is drawn as no colour";
        return std::nullopt;
    }
    Shades shades;
    for (int shade = 0; shade < 3; ++shade)
        shades[shade] = Color::calibratedRGB(rgb[shade * 3], rgb[shade * 3 + 1], rgb[shade * 3 + 2], alpha);
    return shades;
}

Gradient threeShadeGradient(const Shades& shades)
{
    return Gradient({shades[0], shades[1], shades[2]}, {0.0, 0.5, 1.0});
}

// The image's whole rect with its corners rounded; a radius that is not a
// positive number gives square corners.
BezierPath roundedPath(const QRectF& bounds, double radius)
{
    const double r = std::isfinite(radius) && radius > 0 ? radius : 0;
    return BezierPath::roundedRect(bounds, r, r);
}

// A 1-point line along the path. Filled as the outline of the line rather
// than stroked: the raster engine's path for thin translucent lines costs
// ten times as much on an item box.
void strokeThin(QPainter& painter, const BezierPath& path, const QColor& color)
{
    QPainterPathStroker stroker;
    stroker.setWidth(1);
    stroker.setJoinStyle(path.lineJoinStyle());
    stroker.setCapStyle(path.lineCapStyle());
    QPainterPath outline = stroker.createStroke(path.painterPath());
    outline.setFillRule(Qt::WindingFill);
    BezierPath(outline).fill(painter, color);
}

void strokeHighlight(QPainter& painter, BezierPath path)
{
    path.setLineWidth(3);
    path.stroke(painter, UIUtilities::highlightBorderColor());
}

bool hasArea(const QSizeF& size)
{
    return size.width() > 0 && size.height() > 0;
}

// The background of an item box: the gradient at `angle` (90° puts shade 0
// at the bottom), an optional 1-point border in shade 0 and the highlight.
QImage gradientBackground(const ColorObject& color, double colorAlpha, const QSizeF& size, double radius,
                          bool isHighlighted, double angle, bool shadeBorder)
{
    if (!hasArea(size)) return {};
    const std::optional<Shades> shades = shadesOf(color, colorAlpha);
    return Drawing::imageWithSize(size, [&](QPainter& painter, const QRectF& bounds) {
        const BezierPath path = roundedPath(bounds, radius);
        if (shades) {
            threeShadeGradient(*shades).drawInBezierPath(painter, path, angle);
            if (shadeBorder && !isHighlighted) strokeThin(painter, path, (*shades)[0]);
        }
        if (isHighlighted) strokeHighlight(painter, path);
    });
}

// The top-left `part` (in points) of a mark image, drawn upright with its
// top-left corner at the top-left of the rect (origin, part) in y-up
// coordinates. A missing image draws nothing; NamedImages has logged it.
void drawMarkPart(QPainter& painter, const QImage& image, const QPointF& origin, const QSizeF& part)
{
    if (image.isNull()) return;
    const qreal ratio = image.devicePixelRatio();
    const QRect pixels = QRect(0, 0, int(std::ceil(part.width() * ratio)), int(std::ceil(part.height() * ratio)))
                             .intersected(image.rect());
    QImage cut = pixels == image.rect() ? image : image.copy(pixels);
    cut.setDevicePixelRatio(ratio);
    const QSizeF drawn = cut.deviceIndependentSize();
    Drawing::drawImage(painter, cut, QRectF(origin.x(), origin.y() + part.height() - drawn.height(),
                                            drawn.width(), drawn.height()));
}

// The side of the colour square of icons and check boxes: the width less
// two, its fraction dropped.
double squareSide(const QSizeF& size)
{
    return std::floor(size.width() - 2);
}

QImage checkBox(const QColor& color, const QSizeF& size, bool isHilight, bool isDone)
{
    if (!hasArea(size)) return {};
    return Drawing::imageWithSize(size, [&](QPainter& painter, const QRectF& bounds) {
        const double s = squareSide(size);
        if (s > 0) painter.fillRect(QRectF(0, (size.height() - s) / 2, s, s), color);
        if (isHilight) {
            BezierPath outline = BezierPath::rect(bounds.adjusted(0.5, 0.5, -0.5, -0.5));
            outline.stroke(painter, Color::white());
        }
        if (isDone)
            drawMarkPart(painter, NamedImages::imageNamed(QStringLiteral("markdone"), 1.0), QPointF(-2, -1),
                         QSizeF(15, 15));
    });
}

}  // namespace

QColor UIUtilities::highlightBorderColor()
{
    return Color::calibratedRGB(170 / 255.0, 73 / 255.0, 73 / 255.0);
}

Font UIUtilities::dragImageFont()
{
    return Font::fontWithName(QStringLiteral("Helvetica"), 12);
}

void UIUtilities::setTextObserver(TextObserver observer)
{
    textObserver() = std::move(observer);
}

QImage UIUtilities::getCalendarColorImage(const ColorObject& color, const QSizeF& size)
{
    if (!hasArea(size)) return {};
    const std::optional<Shades> shades = shadesOf(color, 1.0);
    return Drawing::imageWithSize(size, [&](QPainter& painter, const QRectF& bounds) {
        if (shades) threeShadeGradient(*shades).drawInRect(painter, bounds, 90);
        BezierPath::rect(bounds).stroke(painter, Color::black());
    });
}

QImage UIUtilities::getTaskBackgroundImageNoGradient(const ColorObject& color, double colorAlpha, const QSizeF& size,
                                                     double radius)
{
    if (!hasArea(size)) return {};
    const std::optional<Shades> shades = shadesOf(color, colorAlpha);
    return Drawing::imageWithSize(size, [&](QPainter& painter, const QRectF& bounds) {
        if (shades) roundedPath(bounds, radius).fill(painter, (*shades)[2]);
    });
}

QImage UIUtilities::getTaskBackgroundImage(const ColorObject& color, double colorAlpha, const QSizeF& size,
                                           double radius, bool isHighlighted)
{
    return gradientBackground(color, colorAlpha, size, radius, isHighlighted, -90, true);
}

QImage UIUtilities::getTaskBackgroundImageFlipped(const ColorObject& color, double colorAlpha, const QSizeF& size,
                                                  double radius, bool isHighlighted)
{
    return gradientBackground(color, colorAlpha, size, radius, isHighlighted, 90, false);
}

QImage UIUtilities::getTaskImageRepresentative(const ColorObject& color, double colorAlpha, const QSizeF& size,
                                               double radius, const QString& text)
{
    if (!hasArea(size)) return {};
    const std::optional<Shades> shades = shadesOf(color, colorAlpha);
    return Drawing::imageWithSize(size, [&](QPainter& painter, const QRectF& bounds) {
        if (shades) threeShadeGradient(*shades).drawInBezierPath(painter, roundedPath(bounds, radius), -90);
        const Font font = dragImageFont();
        const QRectF textRect(5, 0, bounds.width() - 5, bounds.height());
        if (text.isEmpty() || textRect.width() <= 0) return;
        const QString line = TextMeasure::elidedText(text, font, textRect.width(), Qt::ElideRight);
        if (textObserver()) textObserver()(line, font, textRect);
        Drawing::drawText(painter, line, font, Color::white(), textRect, Qt::AlignLeft | Qt::AlignTop);
    });
}

QImage UIUtilities::getIconForType(qint64 type, bool isScheduleTask, bool isDone, const QColor& color,
                                   const QSizeF& size)
{
    if (!hasArea(size)) return {};
    return Drawing::imageWithSize(size, [&](QPainter& painter, const QRectF&) {
        const double s = squareSide(size);
        if (s <= 0) return;
        const QPointF origin((size.width() - s) / 2, (size.height() - s) / 2);
        const QRectF plain(origin, QSizeF(s, s));
        QImage mark;
        QRectF square = plain;
        switch (type) {
        case 0:
            if (isScheduleTask) {
                painter.fillRect(plain, color);
                mark = NamedImages::imageNamed(QStringLiteral("ptask_lines"));
            } else {
                const double radius = double(qint64(s) / 2);
                square = QRectF(origin, QSizeF(s + 1, s + 1));
                BezierPath::roundedRect(square, radius, radius).fill(painter, color);
                mark = NamedImages::imageNamed(QStringLiteral("event_lines"));
            }
            break;
        case 1:
            painter.fillRect(plain, color);
            mark = isDone ? NamedImages::imageNamed(QStringLiteral("task_done_lines"))
                          : NamedImages::imageNamed(QStringLiteral("task_lines"));
            break;
        case 3:
            square = QRectF(origin, QSizeF(s + 1, s + 1));
            BezierPath::roundedRect(square, 1, 1).fill(painter, color);
            mark = isDone ? NamedImages::imageNamed(QStringLiteral("note_lines_highlighted"))
                          : NamedImages::imageNamed(QStringLiteral("note_lines"));
            break;
        default:
            // A checklist item, or a kind stored data may hold that we do
            // not know: no icon.
            return;
        }
        // The marks are made for the list rows' square of 12; on a smaller
        // one they would run off its edge.
        painter.setClipRect(square);
        drawMarkPart(painter, mark, origin, QSizeF(9, 9));
    });
}

QImage UIUtilities::getIconForType(qint64 type, const QColor& color, const QSizeF& size)
{
    return getIconForType(type, false, false, color, size);
}

QImage UIUtilities::getNormalImageForTaskWithColor(const QColor& color, const QSizeF& size, bool isHilight)
{
    return checkBox(color, size, isHilight, false);
}

QImage UIUtilities::getDoneImageForTaskWithColor(const QColor& color, const QSizeF& size, bool isHilight)
{
    return checkBox(color, size, isHilight, true);
}
