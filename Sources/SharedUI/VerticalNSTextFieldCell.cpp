#include "VerticalNSTextFieldCell.h"

#include "Drawing.h"
#include "TextField.h"
#include "TextMeasure.h"

#include <QPainter>

#include <cmath>

QRectF VerticalNSTextFieldCell::titleRectForBounds(const QRectF& textArea, const QRectF& bounds, double textHeight)
{
    // std::round takes halves away from zero, as the placement wants.
    const double y = std::round((bounds.height() - textHeight) * 0.5 + bounds.y() - 1);
    return QRectF(textArea.x() + 2, y, textArea.width() - 4, textArea.height() + 1);
}

QColor VerticalNSTextFieldCell::shadowColor()
{
    return QColor(128, 128, 128);
}

void VerticalNSTextFieldCell::drawInteriorWithFrame(QPainter& painter, const TextField& field) const
{
    if (field.drawsBackground() && field.backgroundColor().alpha() > 0)
        painter.fillRect(field.bounds(), field.backgroundColor());

    drawTitle(painter, field.stringValue(), field.textFont(), field.textColor(), field.alignment(), field.textArea(),
              field.bounds(), field.isEnabled());
}

void VerticalNSTextFieldCell::drawTitle(QPainter& painter, QString text, const Font& font, QColor color,
                                        Qt::Alignment alignment, const QRectF& textArea, const QRectF& bounds,
                                        bool enabled) const
{
    if (text.isEmpty()) return;
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    const double height = TextMeasure::lineHeight(font);  // one line
    const QRectF title = titleRectForBounds(textArea, bounds, height);
    const Qt::Alignment lineAlignment = (alignment & Qt::AlignHorizontal_Mask) | Qt::AlignTop;
    if (m_hasInnerShadow)
        Drawing::drawText(painter, text, font, shadowColor(), title.translated(0, -1), lineAlignment, Qt::ElideRight);
    if (!enabled) color.setAlphaF(color.alphaF() * 0.45);
    Drawing::drawText(painter, text, font, color, title, lineAlignment, Qt::ElideRight);
}

void VerticalNSTextFieldCell::install(TextField& field) const
{
    const VerticalNSTextFieldCell cell = *this;
    field.setLabelPainter([cell](QPainter& painter, const TextField& label) {
        cell.drawInteriorWithFrame(painter, label);
    });
}
