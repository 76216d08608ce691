#pragma once

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QRectF>
#include <QSizeF>

#include "TextMeasure.h"

#include <functional>
#include <optional>

class QWidget;

// Drawing that is not a path: images, text, pictures made in code.
//
// Everything takes rects in the painter's coordinates, whatever way they
// turn: in a non-flipped view (y up) a rect's origin is its bottom-left
// corner. Images and text always come out upright: when the painter turns y
// up, they are drawn turned back inside their rect, so "top" in an alignment
// is the top the user sees.
class Drawing {
public:
    // Whether the painter's y axis runs up the screen (a non-flipped view).
    static bool isYTurnedUp(const QPainter& painter);

    // Composites the image into rect, scaled to fill it, at `fraction` of its
    // opacity (0 to 1) with the given operation (source-over unless told).
    static void drawImage(QPainter& painter, const QImage& image, const QRectF& rect, qreal fraction = 1.0,
                          QPainter::CompositionMode operation = QPainter::CompositionMode_SourceOver);

    // One line of text in rect: aligned left, right or centred, and top,
    // bottom or vertically centred; cut to the rect's width with "…" as
    // `elide` says. The text is not clipped to the rect's height.
    static void drawText(QPainter& painter, const QString& text, const Font& font, const QColor& color,
                         const QRectF& rect, Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignTop,
                         Qt::TextElideMode elide = Qt::ElideNone);
    // Text wrapped in rect from its top, each line aligned as the horizontal
    // part of `alignment` says; the last line that fits ends with "…" when
    // the text needs more (TextMeasure::elidedWrappedLines).
    static void drawWrappedText(QPainter& painter, const QString& text, const Font& font, const QColor& color,
                                const QRectF& rect, Qt::Alignment alignment = Qt::AlignLeft);
    // drawWrappedText cut to rect: the picture it draws under a clip to
    // rect. The clip is set only when some line's glyphs could reach out of
    // rect, as glyphs that merely touch a clip's edge are blended through
    // the clip's spans, a cost that views drawing hundreds of labels feel.
    static void drawWrappedTextCut(QPainter& painter, const QString& text, const Font& font, const QColor& color,
                                   const QRectF& rect, Qt::Alignment alignment = Qt::AlignLeft);

    // A wrapped text laid out for drawWrappedTextCut: its lines, their
    // places and their glyphs. A view that draws the same label at every
    // paint keeps one, so the lines are not looked up again each time.
    class WrappedTextLayout {
    public:
        // Lays the text out for rect unless it is laid out for the same
        // text, font, rect and alignment already; whether it did.
        bool update(const QString& text, const Font& font, const QRectF& rect, Qt::Alignment alignment);

    private:
        friend class Drawing;
        struct Line {
            QString text;
            QPointF baseline;
            std::optional<TextMeasure::ShapedLine> shaped;  // none: drawn as QPainter lays it out
        };
        QString m_text;
        std::optional<Font> m_font;
        QRectF m_rect;
        Qt::Alignment m_alignment;
        QList<Line> m_lines;
    };
    // drawWrappedTextCut through a kept layout, laid out again first when
    // the text, font, rect or alignment differ from the last drawing's.
    static void drawWrappedTextCut(QPainter& painter, WrappedTextLayout& layout, const QString& text,
                                   const Font& font, const QColor& color, const QRectF& rect,
                                   Qt::Alignment alignment = Qt::AlignLeft);

    // A picture made in code: `size` in points at `devicePixelRatio` pixels
    // per point (kept on the image), transparent to start with, antialiased.
    // The drawing function gets a painter in our coordinates (y up) unless
    // `flipped`, and the image's bounds. A size that is not positive, or
    // absurdly large, gives a null image and a log line.
    using DrawingFunction = std::function<void(QPainter&, const QRectF&)>;
    static QImage imageWithSize(const QSizeF& size, const DrawingFunction& draw, qreal devicePixelRatio = 1.0,
                                bool flipped = false);

    // A picture of the widget and its children, as a drag image shows it.
    // A null widget gives a null image.
    static QImage snapshot(QWidget* widget, qreal devicePixelRatio = 1.0);

    // The image's shape in one colour: how a template image (black on
    // transparent) is drawn in the colour of its context.
    static QImage tinted(const QImage& image, const QColor& color);
};
