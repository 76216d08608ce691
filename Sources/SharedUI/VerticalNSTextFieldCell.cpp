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

    QString text = field.stringValue();
    if (text.isEmpty()) return;
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    const double height = TextMeasure::lineHeight(field.textFont());  // one line
    const QRectF title = titleRectForBounds(field.textArea(), field.bounds(), height);
    const Qt::Alignment alignment = (field.alignment() & Qt::AlignHorizontal_Mask) | Qt::AlignTop;
    if (m_hasInnerShadow)
        Drawing::drawText(painter, text, field.textFont(), shadowColor(), title.translated(0, -1), alignment,
                          Qt::ElideRight);
    QColor color = field.textColor();
    if (!field.isEnabled()) color.setAlphaF(color.alphaF() * 0.45);
    Drawing::drawText(painter, text, field.textFont(), color, title, alignment, Qt::ElideRight);
}

void VerticalNSTextFieldCell::install(TextField& field) const
{
    const VerticalNSTextFieldCell cell = *this;
    field.setLabelPainter([cell](QPainter& painter, const TextField& label) {
        cell.drawInteriorWithFrame(painter, label);
    });
}
