#include "Drawing.h"

#include "DrawingTestSupport.h"

#include <QWidget>

#include <gtest/gtest.h>

namespace {

// Red above, blue below, as a person looks at it.
QImage redOverBlue()
{
    QImage image(10, 10, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::blue);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 10; ++x) image.setPixelColor(x, y, Qt::red);
    return image;
}

TEST(Drawing, ImagesComeOutUprightInANonFlippedView)
{
    const YUpCanvas canvas(20, 20, [](QPainter& painter) {
        Drawing::drawImage(painter, redOverBlue(), {0, 0, 20, 20});
    });
    EXPECT_EQ(canvas.image.pixelColor(10, 2), QColor(Qt::red));   // top row of the picture
    EXPECT_EQ(canvas.image.pixelColor(10, 17), QColor(Qt::blue));

    QImage plain(20, 20, QImage::Format_ARGB32_Premultiplied);
    plain.fill(Qt::transparent);
    {
        QPainter painter(&plain);
        Drawing::drawImage(painter, redOverBlue(), {0, 0, 20, 20});
    }
    EXPECT_EQ(plain.pixelColor(10, 2), QColor(Qt::red));
}

TEST(Drawing, FractionCompositesSourceOver)
{
    QImage white(4, 4, QImage::Format_ARGB32_Premultiplied);
    white.fill(Qt::white);
    const YUpCanvas canvas(4, 4, [&](QPainter& painter) {
        painter.fillRect(QRectF(0, 0, 4, 4), Qt::black);
        Drawing::drawImage(painter, white, {0, 0, 4, 4}, 0.5);
    });
    EXPECT_NEAR(canvas.at(1, 1).red(), 128, 2);
    EXPECT_EQ(canvas.at(1, 1).alpha(), 255);

    const YUpCanvas untouched(4, 4, [&](QPainter& painter) {
        painter.fillRect(QRectF(0, 0, 4, 4), Qt::black);
        Drawing::drawImage(painter, white, {0, 0, 4, 4}, 0.0);
        Drawing::drawImage(painter, QImage(), {0, 0, 4, 4});
    });
    EXPECT_EQ(untouched.at(1, 1), QColor(Qt::black));
}

TEST(Drawing, ImagesMadeInCodeKeepTheirPixelRatioAndDrawYUp)
{
    const QImage image = Drawing::imageWithSize(
        {10, 5}, [](QPainter& painter, const QRectF& bounds) { painter.fillRect(QRectF(0, 0, bounds.width(), 1), Qt::red); },
        2.0);
    ASSERT_EQ(image.size(), QSize(20, 10));
    EXPECT_EQ(image.devicePixelRatio(), 2.0);
    EXPECT_EQ(image.pixelColor(5, 9), QColor(Qt::red));   // the bottom strip, in our coordinates
    EXPECT_EQ(image.pixelColor(5, 0).alpha(), 0);

    const QImage flipped = Drawing::imageWithSize(
        {10, 5}, [](QPainter& painter, const QRectF&) { painter.fillRect(QRectF(0, 0, 10, 1), Qt::red); }, 1.0, true);
    EXPECT_EQ(flipped.pixelColor(5, 0), QColor(Qt::red));

    for (const QSizeF& bad : {QSizeF(0, 5), QSizeF(-3, 5), QSizeF(1e9, 5), QSizeF(std::nan(""), 5)})
        EXPECT_TRUE(Drawing::imageWithSize(bad, nullptr).isNull()) << bad.width();
}

TEST(Drawing, SnapshotOfAWidgetShowsItAtThePixelRatio)
{
    QWidget widget;
    widget.resize(30, 20);
    widget.setAutoFillBackground(true);
    QPalette palette = widget.palette();
    palette.setColor(QPalette::Window, Qt::green);
    widget.setPalette(palette);

    const QImage image = Drawing::snapshot(&widget, 2.0);
    ASSERT_EQ(image.size(), QSize(60, 40));
    EXPECT_EQ(image.deviceIndependentSize(), QSizeF(30, 20));
    EXPECT_EQ(image.pixelColor(59, 39), QColor(Qt::green));
    EXPECT_TRUE(Drawing::snapshot(nullptr).isNull());
}

TEST(Drawing, TintedTemplateKeepsItsShape)
{
    QImage shape(4, 1, QImage::Format_ARGB32_Premultiplied);
    shape.fill(Qt::transparent);
    shape.setPixelColor(0, 0, Qt::black);
    shape.setPixelColor(1, 0, QColor(0, 0, 0, 128));
    const QImage tinted = Drawing::tinted(shape, Qt::red);
    EXPECT_EQ(tinted.pixelColor(0, 0), QColor(Qt::red));
    EXPECT_NEAR(tinted.pixelColor(1, 0).alpha(), 128, 2);
    EXPECT_EQ(tinted.pixelColor(1, 0).red(), 255);
    EXPECT_EQ(tinted.pixelColor(2, 0).alpha(), 0);
}

}  // namespace
