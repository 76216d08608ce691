#include "Color.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

namespace {

TEST(Color, HueSaturationBrightnessAreExactAndGreysHaveHueZero)
{
    struct Case {
        const char* name;
        QColor color;
        double hue, saturation, brightness;
    };
    const Case cases[] = {
        {"black", Color::black(), 0, 0, 0},
        {"middle grey", Color::gray(), 0, 0, 0.5},
        {"white", Color::white(), 0, 0, 1},
        {"pure red", Color::calibratedRGB(1, 0, 0), 0, 1, 1},
        {"pure blue", Color::calibratedRGB(0, 0, 1), 2.0 / 3.0, 1, 1},
        // A pastel pink: max 1, min 0.8, hue just short of the full circle.
        {"pastel", Color::calibratedRGB(1.0, 0.8, 0.9), 1.0 - 1.0 / 12.0, 0.2, 1.0},
        {"pastel green", Color::calibratedRGB(0.6, 0.9, 0.7), (2.0 + (0.7 - 0.6) / 0.3) / 6.0, 1.0 / 3.0, 0.9},
    };
    for (const Case& c : cases) {
        const Color::HSB hsb = Color::hsb(c.color);
        EXPECT_NEAR(hsb.hue, c.hue, 1e-4) << c.name;
        EXPECT_NEAR(hsb.saturation, c.saturation, 1e-4) << c.name;
        EXPECT_NEAR(hsb.brightness, c.brightness, 1e-4) << c.name;
    }
}

TEST(Color, HSBRoundTripsThroughRGB)
{
    for (double hue : {0.0, 0.1, 0.3, 0.5, 0.7, 0.95}) {
        const QColor color = Color::calibratedHSB(hue, 0.4, 0.8, 0.5);
        const Color::HSB hsb = Color::hsb(color);
        EXPECT_NEAR(hsb.hue, hue, 1e-4) << hue;
        EXPECT_NEAR(hsb.saturation, 0.4, 1e-4) << hue;
        EXPECT_NEAR(hsb.brightness, 0.8, 1e-4) << hue;
        EXPECT_NEAR(hsb.alpha, 0.5, 1e-4) << hue;
    }
}

TEST(Color, PlatformGreysAndOutOfRangeComponents)
{
    EXPECT_NEAR(Color::lightGray().redF(), 2.0 / 3.0, 1e-4);
    EXPECT_NEAR(Color::darkGray().greenF(), 1.0 / 3.0, 1e-4);
    EXPECT_EQ(Color::clear().alpha(), 0);
    EXPECT_EQ(Color::controlText(), QColor(Qt::black));
    const QColor clamped = Color::calibratedRGB(1.5, -0.5, std::nan(""), 2.0);
    EXPECT_EQ(clamped, QColor::fromRgbF(1, 0, 0, 1));
}

TEST(Color, PatternColourTilesItsImage)
{
    QImage tile(2, 2, QImage::Format_ARGB32_Premultiplied);
    tile.fill(Qt::white);
    tile.setPixelColor(0, 0, Qt::red);
    QImage canvas(6, 6, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::transparent);
    {
        QPainter painter(&canvas);
        painter.fillRect(canvas.rect(), Color::patternImage(tile));
    }
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 6; ++x)
            EXPECT_EQ(canvas.pixelColor(x, y), (x % 2 == 0 && y % 2 == 0) ? QColor(Qt::red) : QColor(Qt::white))
                << x << "," << y;

    EXPECT_EQ(Color::patternImage(QImage()).color().alpha(), 0);
}

}  // namespace
