#pragma once

#include "Font.h"

#include <QRectF>
#include <QSizeF>
#include <QStaticText>
#include <QString>
#include <QStringList>

// The one place text is measured, by views and tests alike, so that what a
// view lays out is what Drawing::drawText draws. Sizes are in pixels at the
// font's exact (possibly fractional) size.
//
// Lines are lineHeight() apart; a line break in the text ("\n") starts a new
// line. Wrapping breaks between words, and inside a word only when the word
// alone is wider than the width. Eliding uses "…".
class TextMeasure {
public:
    static qreal lineHeight(const Font& font);  // ascent + descent + leading
    static qreal ascent(const Font& font);

    // The width of the widest line and the height of all lines, unwrapped.
    static QSizeF sizeOfText(const QString& text, const Font& font);
    // The height of the text wrapped in `width` (a width that is not
    // positive counts as unlimited).
    static qreal heightOfText(const QString& text, const Font& font, qreal width);

    // The lines of the text wrapped in `width`, without the spaces at the breaks.
    static QStringList wrappedLines(const QString& text, const Font& font, qreal width);

    // The text cut to fit `width` at the tail ("Long tit…") or in the middle
    // ("Long…title"); the whole text when it fits. Qt::ElideNone keeps it whole.
    static QString elidedText(const QString& text, const Font& font, qreal width,
                              Qt::TextElideMode mode = Qt::ElideRight);

    // The lines of the text wrapped in size.width() that fit in size.height()
    // (always at least one): when the text needs more, the last one shown
    // carries on to the end of the text and is cut at the tail with "…".
    static QStringList elidedWrappedLines(const QString& text, const Font& font, const QSizeF& size);

    // A line's glyphs shaped in a face (a base font, at a whole pixel
    // size), kept for the next drawing of the same line in the same face:
    // shaping is most of what drawing text costs. Null for a line holding
    // line breaks, tabs or other controls, which QPainter::drawText lays out
    // its own way. Valid until the next call.
    struct ShapedLine {
        QStaticText glyphs;     // laid out at its first drawing, with that painter's transform
        qreal baselineOffset;  // from the top of the line
        // The glyphs' pixel boxes laid along the line from (0, 0) on its
        // baseline: drawn from a point, a glyph's pixels lie within this
        // rect moved there, rounded out to whole pixels.
        QRectF ink;
    };
    static const ShapedLine* shapedLine(const QString& line, const QFont& face);

    // Widths, elisions, wrapped lines and shaped lines are kept per thread,
    // looked up by everything they depend on (text, face, size, width). This
    // forgets them, so that the next answers are worked out afresh.
    static void forgetKeptAnswers();

private:
    static QStringList computeElidedWrappedLines(const QString& text, const Font& font, const QSizeF& size);
};
