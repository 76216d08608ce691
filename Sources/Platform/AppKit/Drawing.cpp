#include "Drawing.h"

#include "Font.h"
#include "TextMeasure.h"

#include <QDebug>
#include <QVarLengthArray>
#include <QWidget>

#include <cmath>

namespace {

constexpr int largestImageSide = 16384;

// Runs with the painter turned so that inside `rect` y runs down the screen,
// as QPainter draws images and text, whichever way the caller's painter ran.
// The rect keeps its numbers: its visual top is rect.top().
class UprightIn {
public:
    UprightIn(QPainter& painter, const QRectF& rect) : m_painter(painter)
    {
        m_painter.save();
        if (Drawing::isYTurnedUp(painter)) {
            m_painter.translate(0, rect.top() + rect.bottom());
            m_painter.scale(1, -1);
        }
    }
    ~UprightIn() { m_painter.restore(); }
    UprightIn(const UprightIn&) = delete;
    UprightIn& operator=(const UprightIn&) = delete;

private:
    QPainter& m_painter;
};

qreal horizontalOffset(qreal free, Qt::Alignment alignment)
{
    if (alignment & Qt::AlignRight) return free;
    if (alignment & Qt::AlignHCenter) return free / 2;
    return 0;
}

void drawShapedLine(QPainter& painter, const QString& line, const TextMeasure::ShapedLine* shaped,
                    const QPointF& baseline)
{
    if (!shaped) {
        painter.drawText(baseline, line);
        return;
    }
    painter.drawStaticText(QPointF(baseline.x(), baseline.y() - shaped->baselineOffset), shaped->glyphs);
}

// Draws one line, shaped or (with none) as QPainter lays it out, with its
// baseline at `baseline`, at the font's exact size.
void drawLine(QPainter& painter, const QString& line, const TextMeasure::ShapedLine* shaped, const Font& font,
              const QPointF& baseline)
{
    const qreal scale = font.baseScale();
    if (scale == 1.0) {
        drawShapedLine(painter, line, shaped, baseline);
        return;
    }
    painter.save();
    painter.translate(baseline);
    painter.scale(scale, scale);
    drawShapedLine(painter, line, shaped, QPointF(0, 0));
    painter.restore();
}

void drawLine(QPainter& painter, const QString& line, const Font& font, const QPointF& baseline)
{
    drawLine(painter, line, TextMeasure::shapedLine(line, painter.font()), font, baseline);
}

// A line drawWrappedText draws and its baseline's start.
struct PlacedLine {
    QString text;
    QPointF baseline;
};
using PlacedLines = QVarLengthArray<PlacedLine, 4>;

PlacedLines placedWrappedLines(const QString& text, const Font& font, const QRectF& rect, Qt::Alignment alignment)
{
    const QStringList lines = TextMeasure::elidedWrappedLines(text, font, rect.size());
    const qreal lineHeight = TextMeasure::lineHeight(font);
    const qreal ascent = TextMeasure::ascent(font);
    PlacedLines placed;
    qreal top = rect.top();
    for (const QString& line : lines) {
        const qreal width = TextMeasure::sizeOfText(line, font).width();
        placed.append({line, QPointF(rect.left() + horizontalOffset(rect.width() - width, alignment), top + ascent)});
        top += lineHeight;
    }
    return placed;
}

// Whether every pixel the lines cover lies inside rect, so that a clip to
// rect would change nothing. Answered only where it is sure: a painter that
// merely moves, a face at its own size, lines shaped as one run; otherwise
// no.
// `shapeOf` gives a line's shaped glyphs, or null.
template <typename Lines, typename ShapeOf>
bool linesStayIn(const QPainter& painter, const Lines& lines, const Font& font, const QRectF& rect,
                 const ShapeOf& shapeOf)
{
    const QTransform& transform = painter.deviceTransform();
    if (transform.type() > QTransform::TxTranslate || font.baseScale() != 1.0) return false;
    const QPointF shift(transform.dx(), transform.dy());
    const QRectF area = rect.translated(shift);
    // The pixels inside the clip however Qt rounds its edges.
    const double left = std::ceil(area.left()), top = std::ceil(area.top());
    const double right = std::floor(area.right()), bottom = std::floor(area.bottom());
    for (const auto& line : lines) {
        const TextMeasure::ShapedLine* shaped = shapeOf(line);
        if (!shaped) return false;
        if (shaped->ink.isEmpty()) continue;  // blanks cover no pixel
        // Glyphs drawn from a whole pixel land where the ink rect says; from
        // a point between pixels, a pixel's slack covers how Qt rounds them.
        const QPointF start = line.baseline + shift;
        const double slackX = start.x() == std::floor(start.x()) ? 0 : 1;
        const double slackY = start.y() == std::floor(start.y()) ? 0 : 1;
        const QRectF ink = shaped->ink.translated(start);
        if (std::floor(ink.left() - slackX) < left || std::floor(ink.top() - slackY) < top ||
            std::ceil(ink.right() + slackX) > right || std::ceil(ink.bottom() + slackY) > bottom)
            return false;
    }
    return true;
}

void prepareForText(QPainter& painter, const Font& font, const QColor& color)
{
    // Setting a font resolves it against the device again, even the one the
    // painter already holds.
    if (painter.font() != font.baseFont()) painter.setFont(font.baseFont());
    painter.setPen(color);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
}

void drawPlacedLines(QPainter& painter, const PlacedLines& lines, const Font& font, const QColor& color,
                     const QRectF& rect)
{
    UprightIn upright(painter, rect);
    prepareForText(painter, font, color);
    for (const PlacedLine& line : lines) drawLine(painter, line.text, font, line.baseline);
}

}  // namespace

bool Drawing::isYTurnedUp(const QPainter& painter)
{
    // The y axis runs up when the transform mirrors (a negative determinant);
    // a quarter turn or more is no view's business.
    return painter.worldTransform().determinant() < 0;
}

void Drawing::drawImage(QPainter& painter, const QImage& image, const QRectF& rect, qreal fraction,
                        QPainter::CompositionMode operation)
{
    if (image.isNull() || rect.isEmpty()) return;
    if (!std::isfinite(fraction) || fraction <= 0) return;
    UprightIn upright(painter, rect);
    painter.setOpacity(painter.opacity() * std::min(fraction, 1.0));
    painter.setCompositionMode(operation);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter.drawImage(rect, image);
}

void Drawing::drawText(QPainter& painter, const QString& text, const Font& font, const QColor& color,
                       const QRectF& rect, Qt::Alignment alignment, Qt::TextElideMode elide)
{
    if (text.isEmpty()) return;
    const QString line = TextMeasure::elidedText(text, font, rect.width(), elide);
    const qreal width = TextMeasure::sizeOfText(line, font).width();
    const qreal height = TextMeasure::lineHeight(font);
    qreal top = rect.top();
    if (alignment & Qt::AlignBottom)
        top = rect.bottom() - height;
    else if (alignment & Qt::AlignVCenter)
        top = rect.top() + (rect.height() - height) / 2;

    UprightIn upright(painter, rect);
    prepareForText(painter, font, color);
    drawLine(painter, line, font,
             {rect.left() + horizontalOffset(rect.width() - width, alignment), top + TextMeasure::ascent(font)});
}

void Drawing::drawWrappedText(QPainter& painter, const QString& text, const Font& font, const QColor& color,
                              const QRectF& rect, Qt::Alignment alignment)
{
    if (text.isEmpty()) return;
    drawPlacedLines(painter, placedWrappedLines(text, font, rect, alignment), font, color, rect);
}

void Drawing::drawWrappedTextCut(QPainter& painter, const QString& text, const Font& font, const QColor& color,
                                 const QRectF& rect, Qt::Alignment alignment)
{
    if (text.isEmpty()) return;
    const PlacedLines lines = placedWrappedLines(text, font, rect, alignment);
    const auto shapeOf = [&font](const PlacedLine& line) { return TextMeasure::shapedLine(line.text, font.baseFont()); };
    if (linesStayIn(painter, lines, font, rect, shapeOf)) {
        drawPlacedLines(painter, lines, font, color, rect);
        return;
    }
    painter.save();
    painter.setClipRect(rect);
    drawPlacedLines(painter, lines, font, color, rect);
    painter.restore();
}

bool Drawing::WrappedTextLayout::update(const QString& text, const Font& font, const QRectF& rect,
                                        Qt::Alignment alignment)
{
    if (m_font && text == m_text && rect == m_rect && alignment == m_alignment && font == *m_font) return false;
    m_text = text;
    m_font = font;
    m_rect = rect;
    m_alignment = alignment;
    m_lines.clear();
    if (text.isEmpty()) return true;
    const PlacedLines placedLines = placedWrappedLines(text, font, rect, alignment);
    m_lines.reserve(placedLines.size());
    for (const PlacedLine& placed : placedLines) {
        Line line{placed.text, placed.baseline, std::nullopt};
        // A copy: the shared glyphs may leave their cache before the next paint.
        if (const TextMeasure::ShapedLine* shaped = TextMeasure::shapedLine(placed.text, font.baseFont()))
            line.shaped = *shaped;
        m_lines.append(std::move(line));
    }
    return true;
}

void Drawing::drawWrappedTextCut(QPainter& painter, WrappedTextLayout& layout, const QString& text,
                                 const Font& font, const QColor& color, const QRectF& rect, Qt::Alignment alignment)
{
    layout.update(text, font, rect, alignment);
    if (layout.m_lines.isEmpty()) return;
    using Line = WrappedTextLayout::Line;
    const auto shapeOf = [](const Line& line) { return line.shaped ? &*line.shaped : nullptr; };
    const auto draw = [&] {
        UprightIn upright(painter, rect);
        prepareForText(painter, font, color);
        for (const Line& line : std::as_const(layout.m_lines))
            drawLine(painter, line.text, shapeOf(line), font, line.baseline);
    };
    if (linesStayIn(painter, layout.m_lines, font, rect, shapeOf)) {
        draw();
        return;
    }
    painter.save();
    painter.setClipRect(rect);
    draw();
    painter.restore();
}

QImage Drawing::imageWithSize(const QSizeF& size, const DrawingFunction& draw, qreal devicePixelRatio, bool flipped)
{
    const qreal ratio = std::isfinite(devicePixelRatio) && devicePixelRatio > 0 ? devicePixelRatio : 1.0;
    const qreal pixelWidth = std::ceil(size.width() * ratio), pixelHeight = std::ceil(size.height() * ratio);
    if (!(pixelWidth >= 1 && pixelHeight >= 1 && pixelWidth <= largestImageSide && pixelHeight <= largestImageSide)) {
        qWarning() << "No picture can be made at" << size << "points and" << ratio << "pixels a point";
        return {};
    }
    QImage image(int(pixelWidth), int(pixelHeight), QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) {
        qWarning() << "No memory for a picture of" << size << "points";
        return {};
    }
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    if (!draw) return image;

    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, true);
    if (!flipped) {
        painter.translate(0, size.height());
        painter.scale(1, -1);
    }
    draw(painter, QRectF(QPointF(0, 0), size));
    return image;
}

QImage Drawing::snapshot(QWidget* widget, qreal devicePixelRatio)
{
    if (!widget) {
        qWarning() << "A picture of no view was asked for";
        return {};
    }
    const QSize size = widget->size();
    const DrawingFunction render = [widget](QPainter& painter, const QRectF&) {
        widget->render(&painter, QPoint(), QRegion(), QWidget::DrawWindowBackground | QWidget::DrawChildren);
    };
    return imageWithSize(QSizeF(size), render, devicePixelRatio, true);
}

QImage Drawing::tinted(const QImage& image, const QColor& color)
{
    if (image.isNull()) return {};
    QImage result = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&result);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(QRectF(QPointF(0, 0), result.deviceIndependentSize()), color);
    return result;
}
