#include "Color.h"

#include <QDebug>
#include <QImage>

#include <algorithm>
#include <cmath>

namespace {

double unit(double value)
{
    if (!std::isfinite(value)) return value > 0 ? 1.0 : 0.0;
    return std::clamp(value, 0.0, 1.0);
}

}  // namespace

QColor Color::calibratedRGB(double red, double green, double blue, double alpha)
{
    return QColor::fromRgbF(float(unit(red)), float(unit(green)), float(unit(blue)), float(unit(alpha)));
}

QColor Color::calibratedWhite(double white, double alpha)
{
    return calibratedRGB(white, white, white, alpha);
}

QColor Color::calibratedHSB(double hue, double saturation, double brightness, double alpha)
{
    // The hue wraps round the circle (1.25 is 0.25); the others clamp.
    double h = std::isfinite(hue) ? hue - std::floor(hue) : 0.0;
    const double s = unit(saturation);
    const double v = unit(brightness);
    h *= 6.0;
    const int sector = std::min(int(h), 5);
    const double f = h - sector;
    const double p = v * (1 - s), q = v * (1 - s * f), t = v * (1 - s * (1 - f));
    switch (sector) {
    case 0: return calibratedRGB(v, t, p, alpha);
    case 1: return calibratedRGB(q, v, p, alpha);
    case 2: return calibratedRGB(p, v, t, alpha);
    case 3: return calibratedRGB(p, q, v, alpha);
    case 4: return calibratedRGB(t, p, v, alpha);
    default: return calibratedRGB(v, p, q, alpha);
    }
}

QColor Color::clear() { return calibratedWhite(0.0, 0.0); }
QColor Color::black() { return calibratedWhite(0.0); }
QColor Color::white() { return calibratedWhite(1.0); }
QColor Color::lightGray() { return calibratedWhite(2.0 / 3.0); }
QColor Color::gray() { return calibratedWhite(0.5); }
QColor Color::darkGray() { return calibratedWhite(1.0 / 3.0); }
QColor Color::controlText() { return black(); }
QColor Color::link() { return QColor(0, 0, 255); }

Color::HSB Color::hsb(const QColor& color)
{
    const QColor rgb = color.toRgb();
    float r = 0, g = 0, b = 0, a = 1;
    rgb.getRgbF(&r, &g, &b, &a);
    const double max = std::max({double(r), double(g), double(b)});
    const double min = std::min({double(r), double(g), double(b)});
    const double delta = max - min;

    HSB result;
    result.alpha = a;
    result.brightness = max;
    result.saturation = max > 0 ? delta / max : 0.0;
    if (delta <= 0) return result;  // a grey: hue 0, not QColor's -1

    double hue;
    if (max == r)
        hue = (g - b) / delta;
    else if (max == g)
        hue = 2.0 + (b - r) / delta;
    else
        hue = 4.0 + (r - g) / delta;
    hue /= 6.0;
    if (hue < 0) hue += 1.0;
    result.hue = hue >= 1.0 ? 0.0 : hue;
    return result;
}

QBrush Color::patternImage(const QImage& image)
{
    if (image.isNull()) {
        qWarning() << "A pattern colour was asked for with no image; it paints nothing";
        return QBrush(Qt::transparent);
    }
    return QBrush(image);
}
