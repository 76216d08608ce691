#include "Common.h"

#include "Color.h"

namespace {

QColor rgb255(int red, int green, int blue)
{
    return Color::calibratedRGB(red / 255.0, green / 255.0, blue / 255.0);
}

}  // namespace

QColor Common::appBackgroundColor() { return rgb255(237, 237, 237); }
QColor Common::focusPaneColorBackground() { return rgb255(240, 240, 240); }
QColor Common::weekMonthViewColor() { return rgb255(150, 150, 150); }
QColor Common::addNewViewColor() { return rgb255(239, 239, 239); }
QColor Common::commonBackgroundColor() { return rgb255(249, 249, 249); }
QColor Common::selectedDayColor() { return rgb255(170, 73, 73); }
