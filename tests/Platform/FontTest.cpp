#include "Font.h"

#include "Drawing.h"
#include "DrawingTestSupport.h"
#include "LogCapture.h"
#include "TextMeasure.h"

#include <QFontInfo>

#include <gtest/gtest.h>

namespace {

// Rows of the image with any ink, top to bottom.
int inkHeight(const QImage& image)
{
    int top = -1, bottom = -1;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y).alpha() >= 128) {
                if (top < 0) top = y;
                bottom = y;
                break;
            }
    return top < 0 ? 0 : bottom - top + 1;
}

// "Hg" drawn eight times magnified, so that a fraction of a pixel shows.
int renderedHgHeight(const Font& font)
{
    const YUpCanvas canvas(400, 300, [&](QPainter& painter) {
        painter.scale(8, 8);
        Drawing::drawText(painter, QStringLiteral("Hg"), font, Qt::black, {0, 0, 50, 37});
    });
    return inkHeight(canvas.image);
}

TEST(Font, NamedFacesMapToTheInstalledFaceBoldWhereNamed)
{
    struct Case {
        const char* name;
        bool bold;
        bool italic = false;
    };
    const Case cases[] = {{"Lucida Grande", false},
                          {"Lucida Grande Bold", true},
                          {"Helvetica Bold", true},
                          {"Helvetica Neue Italic", false, true}};
    for (const Case& c : cases) {
        const Font font = Font::fontWithName(QString::fromLatin1(c.name), 12);
        const QFontInfo info(font.baseFont());
        EXPECT_EQ(info.family(), QStringLiteral("DejaVu Sans")) << c.name;
        EXPECT_EQ(info.bold(), c.bold) << c.name;
        // An installed oblique face, not a slanted copy of the upright one.
        EXPECT_EQ(info.italic(), c.italic) << c.name;
        EXPECT_EQ(info.styleName().contains(QStringLiteral("Oblique")), c.italic) << c.name;
        EXPECT_EQ(info.pixelSize(), 12) << c.name;
    }
}

TEST(Font, AnUnknownFaceFallsBackWithOneLogLine)
{
    LogCapture log;
    const Font first = Font::fontWithName(QStringLiteral("Nonesuch Sans"), 12);
    const Font again = Font::fontWithName(QStringLiteral("Nonesuch Sans"), 14);
    EXPECT_EQ(QFontInfo(first.baseFont()).family(), QStringLiteral("DejaVu Sans"));
    EXPECT_FALSE(again.isBold());
    EXPECT_EQ(log.messages().filter(QStringLiteral("Nonesuch Sans")).size(), 1);
}

TEST(Font, FractionalPixelSizesMeasureAndDrawAtThatSize)
{
    const Font twelve = Font::systemFont(12), twelveAndAHalf = Font::systemFont(12.5);
    const QString sample = QStringLiteral("Hg");

    const QSizeF small = TextMeasure::sizeOfText(sample, twelve), large = TextMeasure::sizeOfText(sample, twelveAndAHalf);
    EXPECT_NEAR(large.height() / small.height(), 12.5 / 12, 0.01);
    EXPECT_NEAR(large.width() / small.width(), 12.5 / 12, 0.01);
    // Qt alone would round 12.5 up to 13.
    EXPECT_LT(large.width(), TextMeasure::sizeOfText(sample, Font::systemFont(13)).width() - 0.2);

    const int drawnSmall = renderedHgHeight(twelve), drawnLarge = renderedHgHeight(twelveAndAHalf);
    EXPECT_GT(drawnLarge, drawnSmall);
    EXPECT_NEAR(double(drawnLarge) / drawnSmall, 12.5 / 12, 0.02);
}

TEST(Font, StockWidgetsGetTheNearestWholeSize)
{
    EXPECT_EQ(Font::systemFont(12.5).widgetFont().pixelSize(), 13);
    EXPECT_EQ(Font::systemFont(12.4).widgetFont().pixelSize(), 12);
    EXPECT_EQ(Font::boldSystemFont(11).widgetFont().pixelSize(), 11);
}

TEST(Font, ASizeThatIsNoSizeGivesTheSystemSize)
{
    LogCapture log;
    for (qreal bad : {0.0, -4.0, std::nan(""), HUGE_VAL})
        EXPECT_EQ(Font::systemFont(bad).pixelSize(), Font::systemFontSize) << bad;
    EXPECT_FALSE(log.messages().isEmpty());
}

TEST(Font, TextIsDrawnUprightWhereItsAlignmentSays)
{
    const Font font = Font::systemFont(12);
    // A 20-point high box at the bottom of a 60-point canvas, y up.
    auto inkRows = [&](Qt::Alignment alignment) {
        const YUpCanvas canvas(100, 60, [&](QPainter& painter) {
            Drawing::drawText(painter, QStringLiteral("HHH"), font, Qt::black, {0, 0, 100, 40}, alignment);
        });
        int top = -1, bottom = -1;
        for (int y = 0; y < canvas.image.height(); ++y)
            for (int x = 0; x < canvas.image.width(); ++x)
                if (canvas.image.pixelColor(x, y).alpha() >= 128) {
                    if (top < 0) top = y;
                    bottom = y;
                }
        return std::pair{top, bottom};  // image rows, 0 at the top
    };
    const auto [top, topBottom] = inkRows(Qt::AlignLeft | Qt::AlignTop);
    const auto [low, bottom] = inkRows(Qt::AlignLeft | Qt::AlignBottom);
    const auto [middle, middleBottom] = inkRows(Qt::AlignLeft | Qt::AlignVCenter);
    // The box spans image rows 20 to 60; "H" has no descender.
    EXPECT_GE(top, 20);
    EXPECT_LT(top, 25);
    EXPECT_GT(bottom, 50);
    EXPECT_LE(bottom, 60);
    EXPECT_NEAR((middle + middleBottom) / 2.0, 40, 3);
    EXPECT_LT(top, low);
}

}  // namespace
