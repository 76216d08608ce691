#pragma once

#include <QBrush>
#include <QColor>

class QImage;

// Colours as the views name them, over QColor. Components are fractions in
// [0, 1] (out-of-range values are clamped, a NaN counts as 0), so the figures
// of a design read the same here: calibratedRGB(0.5, 0.5, 0.5) is middle grey.
//
// Hue, saturation and brightness are computed here in double, never through
// QColor's HSV accessors: those round to whole degrees and answer -1 for the
// hue of a grey, where the views expect 0 (black is 0, 0, 0; middle grey is
// 0, 0, 0.5).
class Color {
public:
    struct HSB {
        double hue = 0;         // [0, 1): a fraction of the colour circle, 0 for greys
        double saturation = 0;  // [0, 1]
        double brightness = 0;  // [0, 1]
        double alpha = 1;       // [0, 1]
    };

    static QColor calibratedRGB(double red, double green, double blue, double alpha = 1.0);
    static QColor calibratedWhite(double white, double alpha = 1.0);
    static QColor calibratedHSB(double hue, double saturation, double brightness, double alpha = 1.0);

    static QColor clear();         // transparent black
    static QColor black();
    static QColor white();
    static QColor lightGray();     // white 2/3
    static QColor gray();          // white 1/2
    static QColor darkGray();      // white 1/3
    static QColor controlText();   // the text of controls: black
    static QColor link();          // every link and link-like button: pure blue (0, 0, 255)

    static HSB hsb(const QColor& color);
    static double hueComponent(const QColor& color) { return hsb(color).hue; }
    static double saturationComponent(const QColor& color) { return hsb(color).saturation; }
    static double brightnessComponent(const QColor& color) { return hsb(color).brightness; }

    // A pattern colour: a brush that tiles the image from the painter's
    // origin. A null image gives a transparent brush (and a log line), so a
    // missing pattern paints nothing rather than black.
    static QBrush patternImage(const QImage& image);
};
