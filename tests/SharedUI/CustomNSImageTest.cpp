#include "CustomNSImage.h"

#include "LogCapture.h"

#include <QPainter>

#include <gtest/gtest.h>

#include <limits>

namespace {

// 40 × 50: red top cap rows, a green-to-dark-green middle, blue bottom cap rows.
QImage slicedImage(int cap)
{
    QImage image(40, 50, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < image.height(); ++y) {
        QColor color = QColor(0, 255 - 2 * y, 0);
        if (y < cap) color = Qt::red;
        if (y >= image.height() - cap) color = Qt::blue;
        for (int x = 0; x < image.width(); ++x) image.setPixelColor(x, y, color);
    }
    return image;
}

}  // namespace

TEST(CustomNSImage, CapZeroOrAtLeastTheHeightAnswersTheVeryImage)
{
    const QImage image = slicedImage(10);
    for (int cap : {0, 50, 51, 1000}) {
        const QImage same = CustomNSImage::stretchableImageWithTopCapHeight(image, cap, 300);
        EXPECT_EQ(same.cacheKey(), image.cacheKey()) << "cap " << cap;
    }
}

TEST(CustomNSImage, BadCapsAndHeightsKeepTheImageLogged)
{
    const QImage image = slicedImage(10);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (auto [cap, height] : {std::pair{-3, 100.0}, {10, -5.0}, {10, 0.0}, {10, nan},
                               {10, std::numeric_limits<double>::infinity()}, {10, 1e12}}) {
        LogCapture log;
        EXPECT_EQ(CustomNSImage::stretchableImageWithTopCapHeight(image, cap, height).cacheKey(), image.cacheKey())
            << cap << " / " << height;
        EXPECT_FALSE(log.messages().isEmpty()) << cap << " / " << height;
    }
    EXPECT_TRUE(CustomNSImage::stretchableImageWithTopCapHeight(QImage(), 4, 100).isNull());
}

TEST(CustomNSImage, RowsComeFromTheirSlices)
{
    const QImage image = slicedImage(10);
    const QImage stretched = CustomNSImage::stretchableImageWithTopCapHeight(image, 10, 200);
    ASSERT_EQ(stretched.size(), QSize(40, 200));
    for (int y : {0, 9})
        EXPECT_EQ(stretched.pixelColor(20, y), QColor(Qt::red)) << "top cap row " << y;
    for (int y : {190, 199})
        EXPECT_EQ(stretched.pixelColor(20, y), QColor(Qt::blue)) << "bottom cap row " << y;
    for (int y : {10, 100, 189}) {
        const QColor c = stretched.pixelColor(20, y);
        EXPECT_EQ(c.red(), 0) << "middle row " << y;
        EXPECT_EQ(c.blue(), 0) << "middle row " << y;
        EXPECT_GT(c.green(), 100) << "middle row " << y;
    }
    // The middle keeps its order: lighter green at its top than at its bottom.
    EXPECT_GT(stretched.pixelColor(20, 12).green(), stretched.pixelColor(20, 187).green() + 30);
    // The middle scales; the edges of the row are the image's own.
    EXPECT_EQ(stretched.pixelColor(0, 5), QColor(Qt::red));
    EXPECT_EQ(stretched.pixelColor(39, 195), QColor(Qt::blue));
}

TEST(CustomNSImage, ShrinkingBelowBothCapsDrawsTheBottomOverTheTop)
{
    const QImage stretched = CustomNSImage::stretchableImageWithTopCapHeight(slicedImage(20), 20, 30);
    ASSERT_EQ(stretched.size(), QSize(40, 30));
    EXPECT_EQ(stretched.pixelColor(5, 0), QColor(Qt::red));
    EXPECT_EQ(stretched.pixelColor(5, 9), QColor(Qt::red));
    EXPECT_EQ(stretched.pixelColor(5, 10), QColor(Qt::blue)) << "the bottom cap lies over the top one";
    EXPECT_EQ(stretched.pixelColor(5, 29), QColor(Qt::blue));
}
