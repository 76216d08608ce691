#include "VerticalCenterNSTextFieldCell.h"

#include "Drawing.h"
#include "TextField.h"
#include "TextMeasure.h"

#include <QPainter>

std::shared_ptr<VerticalCenterNSTextFieldCell> VerticalCenterNSTextFieldCell::install(TextField& field)
{
    auto cell = std::make_shared<VerticalCenterNSTextFieldCell>();
    cell->m_field = &field;
    field.setLabelPainter([cell](QPainter& painter, const TextField& label) {
        cell->drawInteriorWithFrame(painter, label);
    });
    return cell;
}

QRectF VerticalCenterNSTextFieldCell::titleRectForBounds(const QRectF& titleRect, const QRectF& bounds,
                                                          double textHeight)
{
    if (!(titleRect.height() > textHeight)) return titleRect;
    QRectF centred = titleRect;
    centred.setTop(bounds.top() + (bounds.height() - textHeight) * 0.5);
    centred.setHeight(textHeight);
    return centred;
}

double VerticalCenterNSTextFieldCell::textHeight(const QString& text, const Font& font, const QSizeF& size)
{
    return TextMeasure::elidedWrappedLines(text, font, size).size() * TextMeasure::lineHeight(font);
}

void VerticalCenterNSTextFieldCell::setHighlightedOnDark(bool highlighted)
{
    if (m_highlightedOnDark == highlighted) return;
    m_highlightedOnDark = highlighted;
    if (m_field) m_field->update();
}

void VerticalCenterNSTextFieldCell::drawInteriorWithFrame(QPainter& painter, const TextField& field) const
{
    if (field.drawsBackground()) painter.fillRect(field.bounds(), field.backgroundColor());
    const QString text = field.stringValue();
    if (text.isEmpty()) return;
    const QRectF area = field.textArea();
    const double height = textHeight(text, field.textFont(), area.size());
    const QRectF title = titleRectForBounds(area, field.bounds(), height);
    QColor color = m_highlightedOnDark ? QColor(Qt::white) : field.textColor();
    if (!field.isEnabled()) color.setAlphaF(color.alphaF() * 0.45);
    painter.save();
    painter.setClipRect(area);
    // A hair of room, so that rounding never loses the last line measured.
    Drawing::drawWrappedText(painter, text, field.textFont(), color, title.adjusted(0, 0, 0, 0.5), field.alignment());
    painter.restore();
}
