#include "StringExtensions.h"

#include <QFont>
#include <QFontMetricsF>
#include <QStringList>

#include <cmath>

#include <gtest/gtest.h>

namespace {

QFont testFont()
{
    return QFont(QStringLiteral("DejaVu Sans"), 12);
}

QString longText()
{
    QStringList words;
    for (int i = 0; i < 120; ++i) words.append(QStringLiteral("planner"));
    return words.join(QLatin1Char(' '));
}

TEST(StringExtensions, TextThatFitsTakesOneLine)
{
    const QSizeF size = StringExtensions::sizeWithWidth(QStringLiteral("Lunch with Anna"), 400, testFont());
    EXPECT_EQ(size.width(), 400);
    EXPECT_NEAR(size.height(), QFontMetricsF(testFont()).lineSpacing(), 1.0);
}

TEST(StringExtensions, HalvingTheWidthOfALongTextAboutDoublesItsHeight)
{
    const double wide = StringExtensions::sizeWithWidth(longText(), 400, testFont()).height();
    const double narrow = StringExtensions::sizeWithWidth(longText(), 200, testFont()).height();
    const double oneLine = StringExtensions::sizeWithWidth(QStringLiteral("x"), 400, testFont()).height();
    ASSERT_GT(wide, 5 * oneLine);
    EXPECT_GT(narrow / wide, 1.8);
    EXPECT_LT(narrow / wide, 2.2);
}

TEST(StringExtensions, LineBreaksStartNewLines)
{
    const double oneLine = StringExtensions::sizeWithWidth(QStringLiteral("Lunch"), 400, testFont()).height();
    for (const char* text : {"Lunch\nDinner", "Lunch\r\nDinner", "Lunch\rDinner"}) {
        EXPECT_DOUBLE_EQ(StringExtensions::sizeWithWidth(QString::fromLatin1(text), 400, testFont()).height(),
                         2 * oneLine)
            << text;
    }
}

TEST(StringExtensions, TextFitsOnOneLineAtItsOwnWidth)
{
    const QString text = QStringLiteral("Quarterly review");
    const double width = StringExtensions::widthWithFont(text, testFont());
    const double oneLine = StringExtensions::sizeWithWidth(QStringLiteral("x"), 400, testFont()).height();
    EXPECT_GT(width, StringExtensions::widthWithFont(QStringLiteral("Quarterly"), testFont()));
    EXPECT_DOUBLE_EQ(StringExtensions::sizeWithWidth(text, static_cast<float>(std::ceil(width)), testFont()).height(),
                     oneLine);
    EXPECT_DOUBLE_EQ(StringExtensions::sizeWithWidth(text, static_cast<float>(width * 0.75), testFont()).height(),
                     2 * oneLine);
}

}  // namespace
