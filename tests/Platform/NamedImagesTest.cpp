#include "NamedImages.h"
#include "SourceScan.h"

#include "LogCapture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

TEST(NamedImages, AFileIsFoundByNameAtEitherPixelRatio)
{
    const QImage single = NamedImages::imageNamed(QStringLiteral("zvm_icon"));
    ASSERT_FALSE(single.isNull());
    EXPECT_EQ(single.size(), QSize(20, 20));
    EXPECT_EQ(single.devicePixelRatio(), 1.0);

    const QImage doubled = NamedImages::imageNamed(QStringLiteral("zvm_icon"), 2.0);
    ASSERT_FALSE(doubled.isNull());
    EXPECT_EQ(doubled.size(), QSize(40, 40));
    EXPECT_EQ(doubled.devicePixelRatio(), 2.0);
    EXPECT_EQ(doubled.deviceIndependentSize(), QSizeF(20, 20));

    EXPECT_FALSE(NamedImages::iconNamed(QStringLiteral("zvm_icon")).isNull());
}

TEST(NamedImages, AMissingNameGivesANullImageAndOneLogLine)
{
    LogCapture log;
    EXPECT_TRUE(NamedImages::imageNamed(QStringLiteral("no_such_picture")).isNull());
    EXPECT_TRUE(NamedImages::imageNamed(QStringLiteral("no_such_picture"), 2.0).isNull());
    EXPECT_TRUE(NamedImages::iconNamed(QStringLiteral("no_such_picture")).isNull());
    EXPECT_EQ(log.messages().filter(QStringLiteral("no_such_picture")).size(), 1);

    for (const QString& outside : {QStringLiteral("../Texts/English"), QStringLiteral(".hidden"), QString()})
        EXPECT_TRUE(NamedImages::imageNamed(outside).isNull()) << outside.toStdString();
}

TEST(NamedImages, FullScreenTemplatesAreBlackArrowsOnTransparent)
{
    for (const QString& name : NamedImages::namesDrawnInCode()) {
        const QImage image = NamedImages::imageNamed(name, 2.0);
        ASSERT_FALSE(image.isNull()) << name.toStdString();
        EXPECT_EQ(image.deviceIndependentSize(), QSizeF(16, 16));
        int opaque = 0, clear = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QColor pixel = image.pixelColor(x, y);
                if (pixel.alpha() == 0) ++clear;
                if (pixel.alpha() == 255) {
                    ++opaque;
                    EXPECT_EQ(pixel.rgb() & 0xFFFFFF, 0u);
                }
            }
        EXPECT_GT(opaque, 60) << name.toStdString();
        EXPECT_GT(clear, image.width() * image.height() / 2) << name.toStdString();
        // Arrows on the diagonal from bottom left to top right, none on the other.
        EXPECT_EQ(image.pixelColor(4, 4).alpha(), 0) << name.toStdString();
        EXPECT_EQ(image.pixelColor(image.width() - 5, image.height() - 5).alpha(), 0) << name.toStdString();
    }
    // Outward arrows have their heads in the corners, inward ones near the centre.
    const QImage enter = NamedImages::imageNamed(QStringLiteral("EnterFullScreenTemplate"));
    const QImage exit = NamedImages::imageNamed(QStringLiteral("ExitFullScreenTemplate"));
    EXPECT_EQ(enter.pixelColor(13, 3).alpha(), 255);
    EXPECT_LT(exit.pixelColor(13, 3).alpha(), 255);
    EXPECT_EQ(exit.pixelColor(11, 5).alpha(), 255);
    EXPECT_LT(enter.pixelColor(11, 5).alpha(), 255);
}

// Every picture the program draws is looked up by a name written out in the
// call; the names are read from the sources, as the text keys are.
TEST(ImageNames, ScanReadsLiteralNamesInAnyLayoutAndReportsOtherCalls)
{
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    ASSERT_TRUE(writeTextFile(root.filePath(QStringLiteral("A/One.cpp")),
                              "QImage a() { return NamedImages::imageNamed(QStringLiteral(\"first\")); }\n"
                              "QImage b() { return NamedImages::imageNamed(\n"
                              "    QStringLiteral( \"second\" ), 2.0); }\n"
                              "QIcon c() { return NamedImages::iconNamed(QStringLiteral(\"first\")); }\n"));
    ASSERT_TRUE(writeTextFile(root.filePath(QStringLiteral("B/Two.h")),
                              "inline QImage d(const QString& name) {\n"
                              "    return NamedImages::imageNamed(name); }\n"));
    ASSERT_TRUE(writeTextFile(root.filePath(QStringLiteral("Platform/NamedImages.cpp")),
                              "QImage NamedImages::imageNamed(const QString& name, qreal ratio) { return {}; }\n"));
    ASSERT_TRUE(writeTextFile(root.filePath(QStringLiteral("notes.txt")), "imageNamed(QStringLiteral(\"notCode\"))\n"));

    const LiteralScan scan = scanLiteralCalls(root.path(), {QStringLiteral("imageNamed"), QStringLiteral("iconNamed")},
                                              QStringLiteral("NamedImages"));

    EXPECT_EQ(scan.filesRead, 2);
    EXPECT_EQ(scan.names, QStringList({QStringLiteral("first"), QStringLiteral("second")}));
    EXPECT_EQ(scan.unreadableCalls, QStringList({QStringLiteral("B/Two.h:2")}));
}

TEST(ImageNames, EveryNameTheSourcesLookUpHasAPicture)
{
    const QString sources = sourcesFolder();
    const LiteralScan scan = scanLiteralCalls(sources, {QStringLiteral("imageNamed"), QStringLiteral("iconNamed")},
                                              QStringLiteral("NamedImages"));

    ASSERT_GT(scan.filesRead, 0) << "No sources under " << sources.toStdString();
    EXPECT_TRUE(scan.unreadableCalls.isEmpty())
        << "Write the name as a literal in the call: " << scan.unreadableCalls.join(QStringLiteral(", ")).toStdString();
    for (const QString& name : scan.names) {
        const bool hasFile =
            QFileInfo::exists(NamedImages::imagesFolder() + QLatin1Char('/') + name + QStringLiteral(".png")) ||
            QFileInfo::exists(NamedImages::imagesFolder() + QLatin1Char('/') + name + QStringLiteral("@2x.png"));
        EXPECT_TRUE(hasFile || NamedImages::isDrawnInCode(name)) << "No picture named " << name.toStdString();
    }
}

}  // namespace
