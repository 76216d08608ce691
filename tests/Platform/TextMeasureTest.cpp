#include "TextMeasure.h"

#include <gtest/gtest.h>

namespace {

const QChar ellipsis(0x2026);
const QString longText = QStringLiteral(
    "Pick up the framed print from the shop on the corner before it closes, then call the dentist about Thursday");

qreal widthOf(const QString& text, const Font& font)
{
    return TextMeasure::sizeOfText(text, font).width();
}

TEST(TextMeasure, ElidingFitsTheWidthAtTheTailOrInTheMiddle)
{
    const Font font = Font::systemFont(12.5);
    for (qreal width : {40.0, 90.0, 155.5, 300.0}) {
        const QString tail = TextMeasure::elidedText(longText, font, width, Qt::ElideRight);
        EXPECT_LE(widthOf(tail, font), width + 1e-6) << width;
        EXPECT_TRUE(tail.endsWith(ellipsis)) << tail.toStdString();
        EXPECT_TRUE(longText.startsWith(tail.chopped(1))) << tail.toStdString();

        const QString middle = TextMeasure::elidedText(longText, font, width, Qt::ElideMiddle);
        EXPECT_LE(widthOf(middle, font), width + 1e-6) << width;
        const qsizetype cut = middle.indexOf(ellipsis);
        ASSERT_GT(cut, 0) << middle.toStdString();
        EXPECT_LT(cut, middle.size() - 1) << middle.toStdString();
        EXPECT_TRUE(longText.startsWith(middle.left(cut))) << middle.toStdString();
        EXPECT_TRUE(longText.endsWith(middle.mid(cut + 1))) << middle.toStdString();
    }
}

TEST(TextMeasure, TextThatFitsIsNotElided)
{
    const Font font = Font::systemFont(12);
    const QString shortText = QStringLiteral("Lunch");
    EXPECT_EQ(TextMeasure::elidedText(shortText, font, widthOf(shortText, font) + 0.5), shortText);
    EXPECT_EQ(TextMeasure::elidedText(longText, font, 10, Qt::ElideNone), longText);
    EXPECT_EQ(TextMeasure::elidedText(longText, font, -5), QString());
}

TEST(TextMeasure, WrappedTextEndsItsLastVisibleLineWithAnEllipsis)
{
    const Font font = Font::systemFont(12);
    const qreal lineHeight = TextMeasure::lineHeight(font);
    const QSizeF box(120, lineHeight * 3 + 2);
    const QStringList lines = TextMeasure::elidedWrappedLines(longText, font, box);

    ASSERT_EQ(lines.size(), 3);
    for (const QString& line : lines) EXPECT_LE(widthOf(line, font), box.width() + 1e-6) << line.toStdString();
    EXPECT_TRUE(lines.last().endsWith(ellipsis)) << lines.last().toStdString();
    EXPECT_TRUE(longText.startsWith(lines[0] + QLatin1Char(' ') + lines[1])) << lines.join(u'|').toStdString();

    // With room for every line, nothing is cut.
    const QStringList all = TextMeasure::elidedWrappedLines(longText, font, {120, 1000});
    EXPECT_EQ(all.join(QLatin1Char(' ')), longText);
    EXPECT_GT(all.size(), 3);
}

TEST(TextMeasure, HiddenLinesAreMarkedEvenWhenTheLastShownLineIsShort)
{
    const Font font = Font::systemFont(12);
    const QStringList lines = TextMeasure::elidedWrappedLines(
        QStringLiteral("Milk\nEggs\nBread"), font, {200, TextMeasure::lineHeight(font) * 2});
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0], QStringLiteral("Milk"));
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("Eggs")));
    EXPECT_TRUE(lines[1].endsWith(ellipsis));
}

TEST(TextMeasure, AtLeastOneLineShowsInABoxTooLowForIt)
{
    const Font font = Font::systemFont(12);
    const QStringList lines = TextMeasure::elidedWrappedLines(longText, font, {100, 3});
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(lines[0].endsWith(ellipsis));
}

TEST(TextMeasure, HeightOfWrappedTextCountsItsLines)
{
    const Font font = Font::systemFont(12.5);
    const qreal line = TextMeasure::lineHeight(font);
    EXPECT_NEAR(TextMeasure::heightOfText(QStringLiteral("Short"), font, 200), line, 1e-9);
    EXPECT_NEAR(TextMeasure::heightOfText(longText, font, 0), line, 1e-9);  // no width: one line
    const qreal wrapped = TextMeasure::heightOfText(longText, font, 100);
    EXPECT_NEAR(wrapped, TextMeasure::wrappedLines(longText, font, 100).size() * line, 1e-9);
    EXPECT_GE(wrapped, line * 5);
    // A word longer than the width is broken rather than left sticking out.
    const QString word = QStringLiteral("Supercalifragilisticexpialidocious");
    for (const QString& piece : TextMeasure::wrappedLines(word, font, 60))
        EXPECT_LE(widthOf(piece, font), 60 + 1e-6) << piece.toStdString();
}

TEST(TextMeasure, SizeOfTextHasTheWidestLineAndEveryLine)
{
    const Font font = Font::systemFont(12);
    const QSizeF two = TextMeasure::sizeOfText(QStringLiteral("a\nmuch longer line"), font);
    EXPECT_NEAR(two.width(), widthOf(QStringLiteral("much longer line"), font), 1e-9);
    EXPECT_NEAR(two.height(), 2 * TextMeasure::lineHeight(font), 1e-9);
    EXPECT_EQ(TextMeasure::sizeOfText(QString(), font).width(), 0);
}

}  // namespace
