#include "CustomNSTextFieldCell.h"

#include "TextField.h"

#include <QPainter>

void CustomNSTextFieldCell::applyRestLook(TextField& field)
{
    field.setBordered(false);
    field.setDrawsBackground(false);
    field.setBackgroundColor(Qt::transparent);
    field.update();
}

void CustomNSTextFieldCell::applyEditingLook(TextField& field, bool needDrawBg)
{
    if (!needDrawBg) {
        applyRestLook(field);
        return;
    }
    field.setBordered(true);
    field.setBackgroundColor(Qt::white);
    field.setDrawsBackground(true);
    field.update();
}

void CustomNSTextFieldCell::drawInteriorWithFrame(QPainter& painter, TextField& field)
{
    if (!field.isEditable()) {
        field.TextField::drawRect(painter, field.bounds());
        return;
    }
    const QColor background = field.backgroundColor();
    if (!field.drawsBackground() || background.alpha() == 0) return;
    painter.fillRect(field.bounds(), background);
    if (!field.isBordered()) return;
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(field.bounds().adjusted(0.5, 0.5, -0.5, -0.5));
}
