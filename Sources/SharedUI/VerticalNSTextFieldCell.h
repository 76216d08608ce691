#pragma once

#include "Font.h"

#include <QColor>
#include <QRectF>

class QPainter;
class TextField;

// The look of the standard labels whose one line sits in the middle of a
// taller frame, optionally with a grey copy one point above it (an engraved
// look on the darker bars). It draws labels of the kit's TextField, as their
// label painter.
class VerticalNSTextFieldCell {
public:
    bool hasInnerShadow() const { return m_hasInnerShadow; }
    void setHasInnerShadow(bool hasInnerShadow) { m_hasInnerShadow = hasInnerShadow; }

    // Where the line goes, from the field's own text area T, the bounds B
    // and the height h of the text: two points in from T's sides, one point
    // taller than T, and centred in B one point high, on whole points.
    static QRectF titleRectForBounds(const QRectF& textArea, const QRectF& bounds, double textHeight);

    // The background (unless clear), the shadow copy when asked, then the
    // text in its own colour, cut at the tail.
    void drawInteriorWithFrame(QPainter& painter, const TextField& field) const;
    // The same text drawing for a label that is not a widget: the text
    // area, bounds and enabled state as the field would give them.
    void drawTitle(QPainter& painter, QString text, const Font& font, QColor color, Qt::Alignment alignment,
                   const QRectF& textArea, const QRectF& bounds, bool enabled) const;

    // Makes the label draw with a copy of this cell from then on.
    void install(TextField& field) const;

    // The colour of the shadow copy.
    static QColor shadowColor();

private:
    bool m_hasInnerShadow = false;
};
