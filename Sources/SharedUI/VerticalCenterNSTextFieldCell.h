#pragma once

#include <QPointer>
#include <QRectF>
#include <QString>

#include <memory>

class Font;
class QPainter;
class TextField;

// The labels of task rows, note rows and the start-up pages: the text
// wrapped, its last visible line cut with "…", and the whole block centred
// vertically in the label. A highlighted row on a dark background draws the
// text white.
class VerticalCenterNSTextFieldCell {
public:
    // Makes the label draw through a new cell (the field keeps it alive) and
    // answers the cell, for its highlight.
    static std::shared_ptr<VerticalCenterNSTextFieldCell> install(TextField& field);

    // The platform's title rectangle `titleRect` in `bounds`, for text
    // `textHeight` high: centred vertically when the rectangle is taller,
    // else unchanged. Not rounded.
    static QRectF titleRectForBounds(const QRectF& titleRect, const QRectF& bounds, double textHeight);
    // The height of the lines of the text that fit in `size` (at least one).
    static double textHeight(const QString& text, const Font& font, const QSizeF& size);

    // Highlighted on the dark background: white text. Redraws the label.
    bool isHighlightedOnDark() const { return m_highlightedOnDark; }
    void setHighlightedOnDark(bool highlighted);

    void drawInteriorWithFrame(QPainter& painter, const TextField& field) const;

private:
    QPointer<TextField> m_field;
    bool m_highlightedOnDark = false;
};
