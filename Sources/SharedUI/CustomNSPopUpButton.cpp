#include "CustomNSPopUpButton.h"

CustomNSPopUpButton::CustomNSPopUpButton(const QRectF& frame, QWidget* parent) : PopUpButton(frame, parent) {}

CustomNSPopUpButton::~CustomNSPopUpButton() = default;

QRectF CustomNSPopUpButton::cellFrameForBounds(const QRectF& bounds)
{
    return QRectF(-8, bounds.y(), bounds.width() + 8, bounds.height());
}

void CustomNSPopUpButton::drawRect(QPainter& painter, const QRectF&)
{
    // The whole face is drawn every time: a part of it moved by 8 points
    // would not join what is already on screen.
    drawCell(painter, cellFrameForBounds(bounds()));
}
