#pragma once

#include <QRectF>

class PopUpButton;
class QPainter;

// A pop-up face that is only its title, centred vertically one point high:
// no bezel, no image, no arrows. Used where a row draws its own background
// and the pop-up must read as a line of text.
class VerticalNSPopUpButtonCell {
public:
    // The title's rectangle: x and width of the standard face's title, y so
    // that a title h high is centred in the bounds one point high.
    static QRectF titleRectForBounds(const QRectF& bounds, double titleHeight);

    static void drawInteriorWithFrame(QPainter& painter, const PopUpButton& button, const QRectF& cellFrame);

    // Makes the button draw its face with this cell from then on.
    static void install(PopUpButton& button);
};
