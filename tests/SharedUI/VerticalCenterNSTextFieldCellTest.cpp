#include "VerticalCenterNSTextFieldCell.h"

#include "TextField.h"
#include "TextMeasure.h"

#include <QImage>

#include <gtest/gtest.h>

#include <memory>

namespace VerticalCenterNSTextFieldCellTests {

namespace {

struct InkRows {
    int top = -1;
    int bottom = -1;
};

// The first and last rows holding ink of the given kind.
InkRows inkRows(const QImage& image, const std::function<bool(const QColor&)>& isInk)
{
    InkRows rows;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (isInk(image.pixelColor(x, y))) {
                if (rows.top < 0) rows.top = y;
                rows.bottom = y;
                break;
            }
    return rows;
}

bool dark(const QColor& c)
{
    return c.alpha() > 128 && c.lightness() < 128;
}

}  // namespace

TEST(VerticalCenterNSTextFieldCell, TitleRectIsCentredOnlyWhenTallerThanTheText)
{
    struct Case {
        const char* name;
        QRectF title, bounds;
        double textHeight;
        QRectF expected;
    } cases[] = {
        {"taller: centred in the bounds", QRectF(2, 2, 96, 36), QRectF(0, 0, 100, 40), 15, QRectF(2, 12.5, 96, 15)},
        {"offset bounds", QRectF(12, 22, 96, 36), QRectF(10, 20, 100, 40), 16, QRectF(12, 32, 96, 16)},
        {"exactly as high: unchanged", QRectF(2, 2, 96, 36), QRectF(0, 0, 100, 40), 36, QRectF(2, 2, 96, 36)},
        {"lower: unchanged", QRectF(2, 2, 96, 10), QRectF(0, 0, 100, 14), 30, QRectF(2, 2, 96, 10)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(VerticalCenterNSTextFieldCell::titleRectForBounds(c.title, c.bounds, c.textHeight), c.expected)
            << c.name;
}

TEST(VerticalCenterNSTextFieldCell, TextHeightCountsTheLinesThatFit)
{
    const Font font = Font::systemFont(12);
    const double line = TextMeasure::lineHeight(font);
    EXPECT_DOUBLE_EQ(VerticalCenterNSTextFieldCell::textHeight(QStringLiteral("Short"), font, QSizeF(200, 100)), line);
    const QString longText = QStringLiteral("Call the plumber about the kitchen sink before the weekend starts");
    EXPECT_DOUBLE_EQ(VerticalCenterNSTextFieldCell::textHeight(longText, font, QSizeF(80, 100)),
                     std::min<double>(TextMeasure::wrappedLines(longText, font, 80).size(), std::floor(100 / line)) *
                         line);
    EXPECT_DOUBLE_EQ(VerticalCenterNSTextFieldCell::textHeight(longText, font, QSizeF(80, line * 2 + 1)), line * 2)
        << "the lines that fit, the last one cut";
}

TEST(VerticalCenterNSTextFieldCell, DrawsTheTextBlockInTheMiddleAndWhiteWhenHighlighted)
{
    std::unique_ptr<TextField> label(
        TextField::labelWithString(QStringLiteral("Water the plants"), QRectF(0, 0, 160, 60)));
    label->setTextColor(Qt::black);
    const std::shared_ptr<VerticalCenterNSTextFieldCell> cell = VerticalCenterNSTextFieldCell::install(*label);
    ASSERT_TRUE(label->hasLabelPainter());
    const InkRows ink = inkRows(label->snapshot(), dark);
    ASSERT_GE(ink.top, 0);
    EXPECT_NEAR((ink.top + ink.bottom) / 2.0, 30.0, 3.0);

    // Two wrapped lines stay centred as a block.
    label->setStringValue(QStringLiteral("Water the plants on the balcony and in the hall"));
    const InkRows twoLines = inkRows(label->snapshot(), dark);
    EXPECT_GT(twoLines.bottom - twoLines.top, ink.bottom - ink.top + 8);
    EXPECT_NEAR((twoLines.top + twoLines.bottom) / 2.0, 30.0, 4.0);

    // Highlighted on a dark row: white text, no dark ink left.
    cell->setHighlightedOnDark(true);
    const QImage shot = label->snapshot();
    EXPECT_LT(inkRows(shot, dark).top, 0);
    EXPECT_GE(inkRows(shot, [](const QColor& c) { return c.alpha() > 128 && c.lightness() > 240; }).top, 0);
}

}  // namespace VerticalCenterNSTextFieldCellTests
