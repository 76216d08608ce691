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
    // A tip's pictures are named by its localised base name and the page
    // number: the one computed name, in one call, whose every page the tip
    // tests look up.
    QStringList unreadable = scan.unreadableCalls;
    const QStringList tipCalls = unreadable.filter(QStringLiteral("Preferences/GuruView.cpp:"));
    EXPECT_LE(tipCalls.size(), 1) << tipCalls.join(QStringLiteral(", ")).toStdString();
    if (tipCalls.size() == 1) unreadable.removeOne(tipCalls.front());
    EXPECT_TRUE(unreadable.isEmpty())
        << "Write the name as a literal in the call: " << unreadable.join(QStringLiteral(", ")).toStdString();
    for (const QString& name : scan.names) {
        const bool hasFile =
            QFileInfo::exists(NamedImages::imagesFolder() + QLatin1Char('/') + name + QStringLiteral(".png")) ||
            QFileInfo::exists(NamedImages::imagesFolder() + QLatin1Char('/') + name + QStringLiteral("@2x.png"));
        EXPECT_TRUE(hasFile || NamedImages::isDrawnInCode(name)) << "No picture named " << name.toStdString();
    }
}

struct MainWindowImage {
    const char* name;
    QSize points;
};

const MainWindowImage mainWindowImages[] = {
    {"bg", {310, 200}},       {"bg_center", {100, 200}},      {"bg_right_top", {310, 50}},
    {"bg_right", {310, 200}}, {"shadow_bg", {300, 300}},      {"shadow_bottom_bg", {300, 10}},
    {"showpane", {20, 20}},   {"hidepane", {20, 20}},         {"pin_off", {20, 20}},
    {"pin_on", {20, 20}},     {"syncing", {20, 20}},          {"showhide_normal", {20, 20}},
    {"tag_normal", {20, 20}}, {"conversation", {40, 20}},     {"day", {16, 16}},
    {"week", {16, 16}},       {"month", {16, 16}},
};

QImage named(const char* name, qreal ratio = 1.0)
{
    return NamedImages::imageNamed(QString::fromLatin1(name), ratio);
}

TEST(MainWindowImages, EachLoadsAtItsSizeAtEitherPixelRatio)
{
    for (const MainWindowImage& expected : mainWindowImages) {
        const QImage single = named(expected.name);
        const QImage doubled = named(expected.name, 2.0);
        ASSERT_FALSE(single.isNull()) << expected.name;
        ASSERT_FALSE(doubled.isNull()) << expected.name;
        EXPECT_EQ(single.size(), expected.points) << expected.name;
        EXPECT_EQ(doubled.size(), expected.points * 2) << expected.name;
        EXPECT_EQ(doubled.deviceIndependentSize(), QSizeF(expected.points)) << expected.name;
    }
}

// The backgrounds are stretched by repeating their middle rows, so those rows
// must all be alike, and no pixel may let the window behind show through.
TEST(MainWindowImages, BackgroundsAreOpaqueWithRepeatableMiddles)
{
    for (const char* name : {"bg", "bg_center", "bg_right", "bg_right_top"})
        for (const qreal ratio : {1.0, 2.0}) {
            const QImage image = named(name, ratio).convertToFormat(QImage::Format_ARGB32);
            const int cap = int(40 * ratio);
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    ASSERT_EQ(qAlpha(image.pixel(x, y)), 255) << name << " at " << x << "," << y;
            for (int y = cap; y < image.height() - cap; ++y)
                EXPECT_EQ(image.copy(0, y, image.width(), 1), image.copy(0, cap, image.width(), 1)) << name << " row " << y;
        }
}

TEST(MainWindowImages, ColumnsMeetWithTheirEdgeLinesOnTheRightSides)
{
    for (const qreal ratio : {1.0, 2.0}) {
        const int line = int(ratio);
        const QImage left = named("bg", ratio), center = named("bg_center", ratio);
        const QImage listTop = named("bg_right_top", ratio), list = named("bg_right", ratio);
        const int middle = left.height() / 2, right = left.width() - 1;
        const auto lightness = [](const QImage& image, int x, int y) { return image.pixelColor(x, y).lightness(); };

        // The left column ends in a darker line one point wide; the centre has none.
        EXPECT_LT(lightness(left, right, middle), lightness(left, right - line - 1, middle));
        EXPECT_EQ(left.pixelColor(right - line + 1, middle), left.pixelColor(right, middle));
        EXPECT_NE(left.pixelColor(right - line, middle), left.pixelColor(right, middle));
        EXPECT_EQ(center.pixelColor(0, middle), center.pixelColor(center.width() - 1, middle));
        EXPECT_EQ(center.pixelColor(center.width() / 2, middle), left.pixelColor(left.width() / 2, middle));

        // The list column is lighter than the left one, its line on the left.
        EXPECT_GT(lightness(list, list.width() / 2, middle), lightness(left, left.width() / 2, middle));
        EXPECT_LT(lightness(list, 0, middle), lightness(list, line + 1, middle));
        EXPECT_NE(list.pixelColor(line, middle), list.pixelColor(0, middle));

        // The title band is dark under the window's light title.
        EXPECT_LT(lightness(left, left.width() / 2, 5), 110);
        EXPECT_LT(lightness(listTop, listTop.width() / 2, 5), 110);
        EXPECT_LT(lightness(left, left.width() / 2, 5), lightness(left, left.width() / 2, middle));

        // The list's top piece runs straight on into the list below it.
        EXPECT_EQ(listTop.copy(0, listTop.height() - 1, listTop.width(), 1), list.copy(0, 0, list.width(), 1));
    }
}

TEST(MainWindowImages, ShadowsAreDarkAtTheirOuterEdgesAndClearInside)
{
    for (const qreal ratio : {1.0, 2.0}) {
        const QImage box = named("shadow_bg", ratio), bottom = named("shadow_bottom_bg", ratio);
        const int mid = box.width() / 2, last = box.width() - 1;
        for (const QPoint& edge : {QPoint(mid, 0), QPoint(0, mid), QPoint(last, mid), QPoint(mid, last)}) {
            EXPECT_GT(box.pixelColor(edge).alpha(), 40) << edge.x() << "," << edge.y();
            EXPECT_EQ(box.pixelColor(edge).rgb() & 0xFFFFFF, 0u);
        }
        EXPECT_GT(box.pixelColor(mid, 0).alpha(), box.pixelColor(mid, int(5 * ratio)).alpha());
        EXPECT_EQ(box.pixelColor(mid, mid).alpha(), 0);
        EXPECT_EQ(box.pixelColor(int(12 * ratio), int(12 * ratio)).alpha(), 0);

        EXPECT_GT(bottom.pixelColor(mid, 0).alpha(), 40);
        EXPECT_GT(bottom.pixelColor(mid, 0).alpha(), bottom.pixelColor(mid, bottom.height() / 2).alpha());
        EXPECT_LT(bottom.pixelColor(mid, bottom.height() - 1).alpha(), 8);
        // Its top row carries on from the bottom row of the box's shadow.
        EXPECT_NEAR(bottom.pixelColor(mid, 0).alpha(), box.pixelColor(mid, last).alpha(), 12);
    }
}

// Marks are one colour on transparent: the buttons' grey, the pinned pin's
// blue. Each has enough ink to be seen, on the light panes as on the title
// band, and leaves most of its square clear. The view switch tints its marks,
// but drawn as they are they must not vanish on white.
TEST(MainWindowImages, MarksAreOneColourOnTransparent)
{
    const QRgb grey = qRgb(90, 90, 95), blue = qRgb(61, 98, 187);
    const struct {
        const char* name;
        QRgb colour;
    } marks[] = {{"showpane", grey},   {"hidepane", grey},        {"pin_off", grey},    {"pin_on", blue},
                 {"syncing", grey},    {"showhide_normal", grey}, {"tag_normal", grey}, {"conversation", grey},
                 {"day", grey},        {"week", grey},            {"month", grey}};
    for (const auto& mark : marks) {
        EXPECT_LT(QColor(mark.colour).lightness(), 160) << mark.name << " shows on white";
        for (const qreal ratio : {1.0, 2.0}) {
            const QImage image = named(mark.name, ratio).convertToFormat(QImage::Format_ARGB32);
            int opaque = 0, clear = 0;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x) {
                    const QRgb pixel = image.pixel(x, y);
                    if (qAlpha(pixel) == 0) ++clear;
                    if (qAlpha(pixel) < 128) continue;
                    ++opaque;
                    EXPECT_EQ(pixel & 0xFFFFFF, mark.colour & 0xFFFFFF) << mark.name << " at " << x << "," << y;
                }
            EXPECT_GT(opaque, int(12 * ratio * ratio)) << mark.name;
            EXPECT_GT(clear, image.width() * image.height() / 3) << mark.name;
        }
    }
}

TEST(MainWindowImages, PairedMarksDifferWhereTheyShould)
{
    const auto ink = [](const QImage& image, int x, int y) { return image.pixelColor(x, y).alpha(); };
    const QImage shown = named("showpane"), hidden = named("hidepane");
    // Inside the right half: empty to show the list, full while it is shown.
    EXPECT_EQ(ink(shown, 14, 10), 0);
    EXPECT_EQ(ink(hidden, 14, 10), 255);
    EXPECT_EQ(ink(shown, 6, 10), 0);
    EXPECT_EQ(ink(hidden, 6, 10), 0);

    const QImage off = named("pin_off"), on = named("pin_on");
    EXPECT_EQ(ink(off, 10, 11), 0);
    EXPECT_EQ(ink(on, 10, 11), 255);

    // The bubble keeps to the left 20 points of its 40.
    const QImage bubble = named("conversation");
    for (int y = 0; y < bubble.height(); ++y)
        for (int x = 20; x < bubble.width(); ++x)
            ASSERT_EQ(ink(bubble, x, y), 0) << x << "," << y;

    // The three views tell themselves apart at 1x.
    const QImage day = named("day"), week = named("week"), month = named("month");
    EXPECT_NE(day, week);
    EXPECT_NE(week, month);
    EXPECT_NE(day, month);
}

}  // namespace
