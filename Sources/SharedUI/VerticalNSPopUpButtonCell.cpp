#include "VerticalNSPopUpButtonCell.h"

#include "Drawing.h"
#include "PopUpButton.h"
#include "TextMeasure.h"

#include <QPainter>

namespace {
const QColor titleColor(38, 38, 38);
}

QRectF VerticalNSPopUpButtonCell::titleRectForBounds(const QRectF& bounds, double titleHeight)
{
    const QRectF standard = PopUpButton::titleRectForBounds(bounds);
    const double y = (bounds.height() - titleHeight) * 0.5 + bounds.y() - 1;
    return QRectF(standard.x(), y, standard.width(), titleHeight);
}

void VerticalNSPopUpButtonCell::drawInteriorWithFrame(QPainter& painter, const PopUpButton& button,
                                                      const QRectF& cellFrame)
{
    QString title = button.faceTitle();
    if (title.isEmpty()) return;
    title.replace(QLatin1Char('\n'), QLatin1Char(' '));
    const Font& font = button.textFont();
    const QRectF rect = titleRectForBounds(cellFrame, TextMeasure::sizeOfText(title, font).height());
    if (!button.isEnabled()) painter.setOpacity(0.4);
    Drawing::drawText(painter, title, font, titleColor, rect, Qt::AlignLeft | Qt::AlignTop, Qt::ElideRight);
}

void VerticalNSPopUpButtonCell::install(PopUpButton& button)
{
    button.setCellPainter(&VerticalNSPopUpButtonCell::drawInteriorWithFrame);
}
