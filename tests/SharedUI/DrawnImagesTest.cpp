#include "Font.h"
#include "TextMeasure.h"
#include "UIUtilities.h"
#include "Utilities.h"

#include <QColor>
#include <QImage>

#include <gtest/gtest.h>

#include <cmath>
#include <optional>

namespace DrawnImagesTests {

namespace {

// The colour of the pixel under a point of the image's own coordinates
// (y up, origin at the bottom-left corner), unpremultiplied.
// A picture of fractional height starts its y axis at that height, so the
// rows run from it.
QColor probe(const QImage& image, double x, double y, double height = -1)
{
    const int column = int(std::floor(x));
    const int row = int(std::floor((height < 0 ? image.height() : height) - y));
    return image.pixelColor(column, row);
}

bool near(const QColor& actual, const QColor& expected)
{
    const int tolerance = 3;
    return std::abs(actual.red() - expected.red()) <= tolerance &&
           std::abs(actual.green() - expected.green()) <= tolerance &&
           std::abs(actual.blue() - expected.blue()) <= tolerance &&
           std::abs(actual.alpha() - expected.alpha()) <= tolerance;
}

std::string describe(const QColor& color)
{
    return QStringLiteral("(%1, %2, %3, %4)")
        .arg(color.red())
        .arg(color.green())
        .arg(color.blue())
        .arg(color.alpha())
        .toStdString();
}

#define EXPECT_COLOR(actual, expected) EXPECT_PRED2(near, actual, expected) << describe(actual)

bool isTransparentEverywhere(const QImage& image)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y).alpha() != 0) return false;
    return true;
}

QColor shade(qint64 group, qint64 color, qint64 pos, int alpha = 255)
{
    QColor c = Utilities::getColorInGroupID(group, color, pos);
    c.setAlpha(alpha);
    return c;
}

const QColor highlightRed(170, 73, 73);
const QColor white(255, 255, 255);
const QColor transparent(0, 0, 0, 0);

}  // namespace

TEST(DrawnImages, ImagesWithNoAreaAreNullWhateverTheKind)
{
    const ColorObject color = Utilities::colorInGroup(1, 3);
    for (const QSizeF& size : {QSizeF(0, 10), QSizeF(10, 0), QSizeF(-4, 10), QSizeF(10, -1), QSizeF(qQNaN(), 5)}) {
        EXPECT_TRUE(UIUtilities::getTaskBackgroundImageNoGradient(color, 1, size, 0).isNull()) << size.width();
        EXPECT_TRUE(UIUtilities::getTaskBackgroundImageNoGradient(color, 1, size, 0).size().isEmpty());
        EXPECT_TRUE(UIUtilities::getTaskBackgroundImage(color, 1, size, 4, true).isNull());
        EXPECT_TRUE(UIUtilities::getTaskBackgroundImageFlipped(color, 1, size, 4, false).isNull());
        EXPECT_TRUE(UIUtilities::getCalendarColorImage(color, size).isNull());
        EXPECT_TRUE(UIUtilities::getTaskImageRepresentative(color, 0.9, size, 0, QStringLiteral("Call")).isNull());
        EXPECT_TRUE(UIUtilities::getIconForType(1, QColor(Qt::red), size).isNull());
        EXPECT_TRUE(UIUtilities::getDoneImageForTaskWithColor(QColor(Qt::red), size, true).isNull());
    }
}

TEST(DrawnImages, FlatBackgroundIsShadeTwoOverTheRoundedRect)
{
    const ColorObject color = Utilities::colorInGroup(2, 1);
    const QImage square = UIUtilities::getTaskBackgroundImageNoGradient(color, 1, QSizeF(10, 10), 0);
    ASSERT_EQ(square.size(), QSize(10, 10));
    for (const QPointF& p : {QPointF(0.5, 0.5), QPointF(9.5, 9.5), QPointF(0.5, 9.5), QPointF(9.5, 0.5), QPointF(5, 5)})
        EXPECT_COLOR(probe(square, p.x(), p.y()), shade(2, 1, 2));

    const QImage rounded = UIUtilities::getTaskBackgroundImageNoGradient(color, 0.5, QSizeF(40, 20), 6);
    EXPECT_COLOR(probe(rounded, 0.5, 0.5), transparent);
    EXPECT_COLOR(probe(rounded, 39.5, 19.5), transparent);
    EXPECT_COLOR(probe(rounded, 20, 10), shade(2, 1, 2, 128));
    EXPECT_COLOR(probe(rounded, 0.5, 10), shade(2, 1, 2, 128));  // no border
}

TEST(DrawnImages, GradientBackgroundWithoutColourIsTransparentOrOnlyTheHighlightBorder)
{
    const QSizeF size(60, 30);
    const QImage plain = UIUtilities::getTaskBackgroundImage(ColorObject(), 1, size, 0, false);
    ASSERT_EQ(plain.size(), QSize(60, 30));
    EXPECT_TRUE(isTransparentEverywhere(plain));

    const QImage highlighted = UIUtilities::getTaskBackgroundImage(ColorObject(), 1, size, 0, true);
    ASSERT_EQ(highlighted.size(), QSize(60, 30));
    // The 3-point line runs along the edge: its inner half lies in the image.
    for (const QPointF& p : {QPointF(0.5, 15), QPointF(59.5, 15), QPointF(30, 0.5), QPointF(30, 29.5)})
        EXPECT_COLOR(probe(highlighted, p.x(), p.y()), highlightRed);
    for (const QPointF& p : {QPointF(3.5, 15), QPointF(30, 15), QPointF(56.5, 15), QPointF(30, 3.5)})
        EXPECT_COLOR(probe(highlighted, p.x(), p.y()), transparent);
}

TEST(DrawnImages, GradientsRunTheShadesTheWayEachBackgroundNeeds)
{
    const ColorObject color = Utilities::colorInGroup(0, 1);
    const QSizeF size(40, 100);
    const struct {
        const char* name;
        QImage image;
        qint64 topShade, bottomShade;
    } cases[] = {
        {"item box", UIUtilities::getTaskBackgroundImage(color, 1, size, 0, false), 0, 2},
        {"time grid", UIUtilities::getTaskBackgroundImageFlipped(color, 1, size, 0, false), 2, 0},
        {"swatch", UIUtilities::getCalendarColorImage(color, size), 2, 0},
        {"drag image", UIUtilities::getTaskImageRepresentative(color, 1, size, 0, QString()), 0, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_COLOR(probe(c.image, 20, 98.5), shade(0, 1, c.topShade));
        EXPECT_COLOR(probe(c.image, 20, 1.5), shade(0, 1, c.bottomShade));
        EXPECT_COLOR(probe(c.image, 20, 50), shade(0, 1, 1));
    }
}

TEST(DrawnImages, OnlyTheItemBoxAndTheSwatchAreOutlinedWhenNotHighlighted)
{
    const ColorObject color = Utilities::colorInGroup(3, 5);
    const QSizeF size(40, 100);
    // Along the left edge at mid height the gradient is shade 1; a border
    // darkens the edge pixel toward its own colour.
    const auto edgeIsDarker = [](const QImage& image) {
        return probe(image, 0.5, 50).green() < probe(image, 5.5, 50).green() - 10;
    };
    EXPECT_TRUE(edgeIsDarker(UIUtilities::getTaskBackgroundImage(color, 1, size, 0, false)));
    EXPECT_TRUE(edgeIsDarker(UIUtilities::getCalendarColorImage(color, size)));
    EXPECT_FALSE(edgeIsDarker(UIUtilities::getTaskBackgroundImageFlipped(color, 1, size, 0, false)));
    EXPECT_FALSE(edgeIsDarker(UIUtilities::getTaskImageRepresentative(color, 1, size, 0, QString())));

    for (const QImage& image : {UIUtilities::getTaskBackgroundImage(color, 1, size, 0, true),
                                UIUtilities::getTaskBackgroundImageFlipped(color, 1, size, 0, true)}) {
        EXPECT_COLOR(probe(image, 0.5, 50), highlightRed);
        EXPECT_COLOR(probe(image, 5.5, 50), shade(3, 5, 1));
    }
}

TEST(DrawnImages, AMalformedColourDrawsAsNoColour)
{
    ColorObject shortOne;
    shortOne.setArrayOfRGB({1.0f, 0.0f, 0.0f});
    EXPECT_TRUE(isTransparentEverywhere(UIUtilities::getTaskBackgroundImage(shortOne, 1, QSizeF(20, 20), 0, false)));
    EXPECT_TRUE(isTransparentEverywhere(UIUtilities::getTaskBackgroundImageNoGradient(shortOne, 1, QSizeF(20, 20), 0)));
}

// Icons at the list rows' 14 × 14: s = 12 at (1, 1). An event's square is
// 13 wide with radius 6, a task's and a planned event's 12 with square
// corners, a note's 13 with radius 1. The marks sit in the square's middle,
// so the probes keep to its left and right strips.
TEST(DrawnImages, IconsDrawTheSquareOfTheirKind)
{
    const QColor blue(13, 151, 207);
    const QSizeF size(14, 14);
    const struct {
        const char* name;
        qint64 type;
        bool scheduled;
        QColor atRightStrip;
        bool cornerFull;
    } cases[] = {
        {"event", 0, false, blue, false},
        {"planned event", 0, true, transparent, true},
        {"task", 1, false, transparent, true},
        {"note", 3, false, blue, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QImage icon = UIUtilities::getIconForType(c.type, c.scheduled, false, blue, size);
        ASSERT_EQ(icon.size(), QSize(14, 14));
        EXPECT_COLOR(probe(icon, 0.5, 7.5), transparent);
        EXPECT_COLOR(probe(icon, 1.5, 7.5), blue);
        EXPECT_COLOR(probe(icon, 13.5, 7.5), c.atRightStrip);
        EXPECT_EQ(probe(icon, 12.5, 12.5).alpha() == 255, c.cornerFull);
        EXPECT_COLOR(probe(icon, 13.5, 0.5), transparent);
    }
}

TEST(DrawnImages, IconsOfOtherKindsAreTransparentImagesOfTheSize)
{
    for (qint64 type : {2, 4, -1, 99}) {
        const QImage icon = UIUtilities::getIconForType(type, true, true, QColor(Qt::red), QSizeF(14, 14));
        ASSERT_EQ(icon.size(), QSize(14, 14)) << type;
        EXPECT_TRUE(isTransparentEverywhere(icon)) << type;
    }
}

TEST(DrawnImages, AnIconOfFractionalSizeKeepsTheWholeSideCentred)
{
    // 13.5: s = 11 at (1.25, 1.25), so a task's square ends at 12.25.
    const QImage icon = UIUtilities::getIconForType(1, QColor(Qt::red), QSizeF(13.5, 13.5));
    EXPECT_COLOR(probe(icon, 1.5, 6, 13.5), QColor(255, 0, 0, 191));
    EXPECT_COLOR(probe(icon, 11.5, 2.5, 13.5), QColor(255, 0, 0));
    EXPECT_COLOR(probe(icon, 12.5, 2.5, 13.5), QColor(255, 0, 0, 64));
    EXPECT_COLOR(probe(icon, 6, 1, 13.5), QColor(255, 0, 0, 64));
}

// The marks are white over the colour: a task's box outline when open, a
// tick when done; the other kinds carry lines.
TEST(DrawnImages, IconsCarryTheMarkOfTheirState)
{
    const QColor green(21, 189, 30);
    const QSizeF size(14, 14);
    const auto isMark = [](const QColor& c) { return c.blue() > 200; };
    const QImage open = UIUtilities::getIconForType(1, false, false, green, size);
    const QImage done = UIUtilities::getIconForType(1, false, true, green, size);
    const QPointF boxEdge(4.5, 8.5), tickMiddle(8.5, 7.5);
    EXPECT_TRUE(isMark(probe(open, boxEdge.x(), boxEdge.y())));
    EXPECT_FALSE(isMark(probe(open, tickMiddle.x(), tickMiddle.y())));
    EXPECT_FALSE(isMark(probe(done, boxEdge.x(), boxEdge.y())));
    EXPECT_TRUE(isMark(probe(done, tickMiddle.x(), tickMiddle.y())));
    // The first line of an event's and a note's mark.
    for (qint64 type : {0, 3})
        EXPECT_TRUE(isMark(probe(UIUtilities::getIconForType(type, green, size), 6.5, 8.5))) << type;
}

TEST(DrawnImages, CheckBoxesAreAColourSquareOutlinedInWhiteWhenHighlightedAndTickedWhenDone)
{
    const QColor orange(239, 148, 27);
    const QSizeF size(14, 14);  // s = 12, square (0, 1, 12, 12)
    for (bool done : {false, true}) {
        SCOPED_TRACE(done ? "done" : "open");
        const auto box = [&](bool highlight) {
            return done ? UIUtilities::getDoneImageForTaskWithColor(orange, size, highlight)
                        : UIUtilities::getNormalImageForTaskWithColor(orange, size, highlight);
        };
        const QImage plain = box(false), highlighted = box(true);
        EXPECT_COLOR(probe(plain, 0.5, 0.5), transparent);
        EXPECT_COLOR(probe(plain, 13.5, 7), transparent);
        EXPECT_COLOR(probe(plain, 1.5, 11.5), orange);
        EXPECT_COLOR(probe(highlighted, 13.5, 7), white);
        EXPECT_COLOR(probe(highlighted, 7, 0.5), white);
        EXPECT_COLOR(probe(highlighted, 7, 13.5), white);
        // The tick's lowest point lies at about (5, 3.5) of the box.
        const QColor underTick = probe(plain, 5.5, 3.5);
        if (done)
            EXPECT_GT(underTick.blue(), 200) << describe(underTick);
        else
            EXPECT_COLOR(underTick, orange);
    }
}

class DragImageText : public ::testing::Test {
protected:
    struct Drawn {
        QString line;
        Font font;
        QRectF rect;
    };
    void SetUp() override
    {
        UIUtilities::setTextObserver([this](const QString& line, const Font& font, const QRectF& rect) {
            drawn.push_back({line, font, rect});
        });
    }
    void TearDown() override { UIUtilities::setTextObserver(nullptr); }

    QList<Drawn> drawn;
};

TEST_F(DragImageText, ALongTitleEndsInAnEllipsisInsideTheTextArea)
{
    const QString title = QStringLiteral("Prepare the quarterly review of every open project with the whole team");
    const QImage image =
        UIUtilities::getTaskImageRepresentative(Utilities::colorInGroup(1, 0), 0.9, QSizeF(100, 20), 0, title);
    ASSERT_EQ(image.size(), QSize(100, 20));
    ASSERT_EQ(drawn.size(), 1);
    const Drawn& text = drawn.first();
    EXPECT_EQ(text.rect, QRectF(5, 0, 95, 20));
    EXPECT_TRUE(text.font == UIUtilities::dragImageFont());
    ASSERT_TRUE(text.line.endsWith(QChar(0x2026))) << text.line.toStdString();
    EXPECT_TRUE(title.startsWith(text.line.chopped(1)));
    EXPECT_LE(TextMeasure::sizeOfText(text.line, text.font).width(), 95);
}

TEST_F(DragImageText, AShortTitleIsDrawnWholeInWhite)
{
    const QString title = QStringLiteral("Call Anna");
    const QImage image =
        UIUtilities::getTaskImageRepresentative(Utilities::colorInGroup(2, 3), 0.9, QSizeF(100, 20), 0, title);
    ASSERT_EQ(drawn.size(), 1);
    EXPECT_EQ(drawn.first().line, title);
    bool hasWhite = false;
    for (int x = 5; x < 60 && !hasWhite; ++x)
        for (int y = 0; y < 20 && !hasWhite; ++y) hasWhite = image.pixelColor(x, y).blue() > 230;
    EXPECT_TRUE(hasWhite);
    // Left of the text area only the gradient shows, at the alpha asked for.
    EXPECT_NEAR(probe(image, 2, 10).alpha(), 230, 2);

    drawn.clear();
    UIUtilities::getTaskImageRepresentative(Utilities::colorInGroup(2, 3), 0.9, QSizeF(100, 20), 0, QString());
    EXPECT_TRUE(drawn.isEmpty());
}

}  // namespace DrawnImagesTests
