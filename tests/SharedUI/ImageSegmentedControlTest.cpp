#include "ImageSegmentedControl.h"
#include "LogCapture.h"
#include "ModuleImageNSSegmentedCell.h"
#include "NamedImages.h"
#include "Screenshot.h"

#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QTextItem>
#include <QVBoxLayout>
#include <QWidget>
#include <QtNumeric>

#include <gtest/gtest.h>

#include <vector>

namespace {

// A paint device that keeps what is painted on it as calls rather than
// pixels, so a test can read the rectangles, lines, images and texts a view
// paints in the painter's coordinates.
struct PaintCalls {
    struct Fill {
        QRectF rect;
        QBrush brush;
    };
    struct Line {
        QLineF line;
        QPen pen;
    };
    std::vector<Fill> fills;
    std::vector<Line> strokes;
    std::vector<std::pair<QRectF, QImage>> images;
    QStringList texts;
};

class RecordingEngine : public QPaintEngine {
public:
    RecordingEngine() : QPaintEngine(QPaintEngine::AllFeatures) {}
    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    Type type() const override { return QPaintEngine::User; }
    void updateState(const QPaintEngineState& state) override
    {
        if (state.state() & DirtyTransform) m_transform = state.transform();
        if (state.state() & DirtyBrush) m_brush = state.brush();
        if (state.state() & DirtyPen) m_pen = state.pen();
    }
    void drawRects(const QRectF* rects, int count) override
    {
        for (int i = 0; i < count; ++i) calls.fills.push_back({m_transform.mapRect(rects[i]), m_brush});
    }
    void drawLines(const QLineF* lines, int count) override
    {
        for (int i = 0; i < count; ++i) calls.strokes.push_back({m_transform.map(lines[i]), m_pen});
    }
    void drawImage(const QRectF& rect, const QImage& image, const QRectF&, Qt::ImageConversionFlags) override
    {
        calls.images.push_back({m_transform.mapRect(rect), image});
    }
    void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
    void drawPath(const QPainterPath&) override {}
    void drawPolygon(const QPointF*, int, PolygonDrawMode) override {}
    void drawTextItem(const QPointF&, const QTextItem& item) override { calls.texts.push_back(item.text()); }

    PaintCalls calls;

private:
    QTransform m_transform;
    QBrush m_brush;
    QPen m_pen;
};

class RecordingDevice : public QPaintDevice {
public:
    QPaintEngine* paintEngine() const override { return &engine; }
    mutable RecordingEngine engine;

protected:
    int metric(PaintDeviceMetric metric) const override
    {
        switch (metric) {
        case PdmWidth: return 1000;
        case PdmHeight: return 200;
        case PdmWidthMM: return 264;
        case PdmHeightMM: return 53;
        case PdmNumColors: return INT_MAX;
        case PdmDepth: return 32;
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY: return 96;
        case PdmDevicePixelRatio: return 1;
        case PdmDevicePixelRatioScaled: return int(devicePixelRatioFScale());
        default: return QPaintDevice::metric(metric);
        }
    }
};

// Paints the control through its segment hook onto a recording device.
PaintCalls paintCalls(SegmentedControl& control)
{
    RecordingDevice device;
    {
        QPainter painter(&device);
        control.drawRect(painter, control.bounds());
    }
    return device.engine.calls;
}

QImage solidIcon(const QColor& colour)
{
    QImage image(16, 16, QImage::Format_ARGB32_Premultiplied);
    image.fill(colour);
    return image;
}

// A round icon: a ring for the normal picture, a filled dot for the
// selected one.
QImage roundIcon(const QColor& colour, bool filled)
{
    QImage image(16, 16, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(colour, 2));
    painter.setBrush(filled ? QBrush(colour) : QBrush(Qt::NoBrush));
    painter.drawEllipse(QRectF(2, 2, 12, 12));
    return image;
}

const QStringList threeTexts = {QStringLiteral("Tasks"), QStringLiteral("Notes"), QStringLiteral("Projects")};
const QColor barBlue(61, 98, 187);

bool isPattern(const QBrush& brush)
{
    return brush.style() == Qt::TexturePattern;
}

}  // namespace

TEST(ImageSegmentedControl, SegmentWidthSharesTheWidthLessSevenRoundedHalvesAway)
{
    const struct {
        double frameWidth;
        int count;
        double expected;
    } cases[] = {
        {280, 3, 91}, {287, 4, 70}, {104, 2, 49}, {102, 2, 48}, {8, 2, 1},  // 47.5 -> 48, 0.5 -> 1
        {7, 3, 0},    {2, 3, 0},    {280, 0, 0},  {280, -1, 0}, {qQNaN(), 3, 0}, {qInf(), 3, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ImageSegmentedControl::segmentWidth(c.frameWidth, c.count), c.expected)
            << c.frameWidth << " / " << c.count;
}

TEST(ImageSegmentedControl, StandsAtTheOriginWithOneTaggedSegmentPerText)
{
    ImageSegmentedControl strip(QRectF(30, 40, 280, 20), {1, 2, 3}, {}, {}, threeTexts, 45);

    EXPECT_EQ(strip.frame(), QRectF(0, 0, 280, 45));
    ASSERT_EQ(strip.segmentCount(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(strip.frameOfSegment(i), QRectF(91.0 * i, 0, 91, 45)) << i;
        EXPECT_EQ(strip.tagForSegment(i), i + 1);
        EXPECT_EQ(strip.labelForSegment(i), threeTexts[i]);
    }
    EXPECT_EQ(strip.textFont().name(), QStringLiteral("Lucida Grande"));
    EXPECT_EQ(strip.textFont().pixelSize(), 12);

    // Short tag lists and bad sizes are logged and made sound.
    LogCapture log;
    ImageSegmentedControl odd(QRectF(0, 0, -50, 0), {7}, {}, {}, threeTexts, qQNaN());
    EXPECT_EQ(odd.frame(), QRectF(0, 0, 0, 0));
    EXPECT_EQ(odd.tagForSegment(0), 7);
    EXPECT_EQ(odd.tagForSegment(2), 0);
    const QString logged = log.messages().join(QStringLiteral("\n"));
    EXPECT_TRUE(logged.contains(QStringLiteral("wide"))) << logged.toStdString();
    EXPECT_TRUE(logged.contains(QStringLiteral("high"))) << logged.toStdString();
    EXPECT_TRUE(logged.contains(QStringLiteral("tags"))) << logged.toStdString();

    ImageSegmentedControl empty(QRectF(0, 0, 280, 45), {}, {}, {}, {}, 45);
    EXPECT_EQ(empty.segmentCount(), 0);
    empty.selectedSegmentWithIndex(0);
    EXPECT_TRUE(paintCalls(empty).fills.empty());
}

TEST(ModuleImageNSSegmentedCell, PaintsEachTabFortyFivePointsHighOverItsFrame)
{
    // Whatever the control's height, each tab is painted at
    // (F.x - 3, F.y - 8, F.width + 5, 45) for the frame F the cell is handed.
    for (double height : {45.0, 30.0}) {
        ImageSegmentedControl strip(QRectF(0, 0, 280, height), {1, 2, 3}, {}, {}, threeTexts, height);
        strip.setSelectedSegment(1);
        const PaintCalls calls = paintCalls(strip);

        std::vector<QRectF> tabs;
        for (const auto& fill : calls.fills)
            if (fill.rect.height() == ModuleImageNSSegmentedCell::tabHeight) tabs.push_back(fill.rect);
        ASSERT_EQ(tabs.size(), 3u) << height;
        for (int i = 0; i < 3; ++i) {
            const QRectF f = ModuleImageNSSegmentedCell::cellFrameOfSegment(strip.frameOfSegment(i));
            EXPECT_EQ(tabs[size_t(i)], QRectF(f.x() - 3, f.y() - 8, f.width() + 5, 45)) << i;
            // The tab reaches the control's top edge.
            EXPECT_EQ(tabs[size_t(i)], QRectF(91.0 * i - 3, 0, 96, 45)) << i;
        }
    }
}

TEST(ModuleImageNSSegmentedCell, SelectedTabIsWhiteWithABlueBarOthersArePatterned)
{
    ImageSegmentedControl strip(QRectF(0, 0, 280, 45), {1, 2, 3}, {}, {}, threeTexts, 45);
    for (int selected = 0; selected < 3; ++selected) {
        strip.setSelectedSegment(selected);
        const PaintCalls calls = paintCalls(strip);
        int bars = 0, whites = 0, patterns = 0;
        for (const auto& fill : calls.fills) {
            if (fill.rect.height() == 4) {
                ++bars;
                EXPECT_EQ(fill.brush.color(), barBlue);
                EXPECT_EQ(fill.rect, QRectF(91.0 * selected - 3, 0, 96, 4));
            } else if (isPattern(fill.brush)) {
                ++patterns;
                EXPECT_NE(fill.rect.x(), 91.0 * selected - 3);
            } else {
                ++whites;
                EXPECT_EQ(fill.brush.color(), QColor(Qt::white));
                EXPECT_EQ(fill.rect.x(), 91.0 * selected - 3);
            }
        }
        EXPECT_EQ(bars, 1) << selected;
        EXPECT_EQ(whites, 1) << selected;
        EXPECT_EQ(patterns, 2) << selected;
    }
}

TEST(ModuleImageNSSegmentedCell, SeparatorsStandRightOfTheFirstTwoTabsOnly)
{
    const QStringList fourTexts = threeTexts + QStringList{QStringLiteral("Links")};
    ImageSegmentedControl strip(QRectF(0, 0, 287, 45), {1, 2, 3, 4}, {}, {}, fourTexts, 45);
    const PaintCalls calls = paintCalls(strip);

    ASSERT_EQ(calls.strokes.size(), 2u);
    for (int i = 0; i < 2; ++i) {
        const double right = 70.0 * i - 3 + 75;
        EXPECT_EQ(calls.strokes[size_t(i)].line, QLineF(right - 4.5, 4, right - 4.5, 45)) << i;
        EXPECT_EQ(calls.strokes[size_t(i)].pen.widthF(), 1.0);
        EXPECT_EQ(calls.strokes[size_t(i)].pen.color(), QColor::fromRgbF(2.0 / 3, 2.0 / 3, 2.0 / 3));
    }
}

TEST(ModuleImageNSSegmentedCell, SeparatorsStayInSightUnderTheNextTab)
{
    // Each tab overhangs the one before it; the separators must still show.
    for (int selected : {-1, 0, 1, 2}) {
        ImageSegmentedControl strip(QRectF(0, 0, 280, 45), {1, 2, 3}, {}, {}, threeTexts, 45);
        strip.setSelectedSegment(selected);
        QImage image(strip.size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::black);
        {
            QPainter painter(&image);
            strip.drawRect(painter, strip.bounds());
        }
        for (int x : {88, 179}) {
            EXPECT_EQ(image.pixelColor(x, 30), QColor::fromRgbF(2.0 / 3, 2.0 / 3, 2.0 / 3).toRgb())
                << "separator at " << x << ", selected " << selected;
            EXPECT_NE(image.pixelColor(x + 1, 30), image.pixelColor(x, 30)) << x;
        }
        // The tabs cover the strip from its top edge.
        EXPECT_NE(image.pixelColor(5, 0), QColor(Qt::black));
        EXPECT_EQ(image.pixelColor(5, 1), selected == 0 ? QColor(61, 98, 187) : image.pixelColor(5, 1));
    }
}

TEST(ImageSegmentedControl, SelectedSegmentWithIndexSwapsOnlyThatIcon)
{
    const QList<QImage> normal = {solidIcon(Qt::red), solidIcon(Qt::green), solidIcon(Qt::blue)};
    const QList<QImage> chosen = {solidIcon(Qt::darkRed), solidIcon(Qt::darkGreen), solidIcon(Qt::darkBlue)};
    ImageSegmentedControl strip(QRectF(0, 0, 280, 45), {1, 2, 3}, normal, chosen, threeTexts, 45);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(strip.imageForSegment(i), normal[i]) << i;

    for (int k = 0; k < 3; ++k) {
        strip.selectedSegmentWithIndex(k);
        for (int i = 0; i < 3; ++i) EXPECT_EQ(strip.imageForSegment(i), i == k ? chosen[i] : normal[i]) << k << i;
        // It shows the icon only: the selection is the caller's.
        EXPECT_EQ(strip.selectedSegment(), -1);
    }
    for (int outside : {-1, 3, 99}) {
        strip.selectedSegmentWithIndex(outside);
        for (int i = 0; i < 3; ++i) EXPECT_EQ(strip.imageForSegment(i), normal[i]) << outside << i;
    }

    // A selected icon missing from its list leaves the label alone.
    LogCapture log;
    ImageSegmentedControl short_(QRectF(0, 0, 280, 45), {1, 2, 3}, normal, {chosen[0]}, threeTexts, 45);
    short_.selectedSegmentWithIndex(2);
    EXPECT_TRUE(short_.imageForSegment(2).isNull());
    EXPECT_EQ(short_.imageForSegment(0), normal[0]);
    EXPECT_TRUE(log.messages().join(QString()).contains(QStringLiteral("no selected icon")));
}

TEST(ModuleImageNSSegmentedCell, AMissingImageLeavesTheLabel)
{
    LogCapture log;
    const QImage missing = NamedImages::imageNamed(QStringLiteral("no_such_tab_icon"));
    ASSERT_TRUE(missing.isNull());
    ImageSegmentedControl strip(QRectF(0, 0, 280, 45), {1, 2, 3}, {missing, solidIcon(Qt::green), missing},
                                {missing, missing, missing}, threeTexts, 45);
    strip.setSelectedSegment(1);
    strip.selectedSegmentWithIndex(1);
    const PaintCalls calls = paintCalls(strip);

    EXPECT_TRUE(calls.images.empty());  // tab 1's selected icon is missing too
    for (const QString& text : threeTexts) EXPECT_TRUE(calls.texts.join(QString()).contains(text)) << text.toStdString();

    strip.selectedSegmentWithIndex(0);
    const PaintCalls withIcon = paintCalls(strip);
    ASSERT_EQ(withIcon.images.size(), 1u);
    EXPECT_TRUE(withIcon.images[0].first.intersects(QRectF(88, 0, 96, 45)));
    EXPECT_TRUE(withIcon.texts.join(QString()).contains(QStringLiteral("Notes")));
}

TEST(ImageSegmentedControl, ScreenshotWithEachTabSelected)
{
    QWidget window;
    window.setStyleSheet(QStringLiteral("background: white"));
    auto* layout = new QVBoxLayout(&window);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->setSpacing(10);
    const QList<QColor> colours = {QColor(0x3D, 0x62, 0xBB), QColor(0x2E, 0x8B, 0x57), QColor(0xC0, 0x6A, 0x1E)};
    QList<QImage> normal, chosen;
    for (const QColor& colour : colours) {
        normal.append(roundIcon(QColor(0x70, 0x70, 0x70), false));
        chosen.append(roundIcon(colour, true));
    }
    for (int selected = 0; selected < 3; ++selected) {
        auto* holder = new QWidget(&window);
        holder->setFixedSize(280, 45);
        auto* strip = new ImageSegmentedControl(QRectF(0, 0, 280, 45), {1, 2, 3}, normal, chosen, threeTexts, 45,
                                                holder);
        ASSERT_TRUE(strip->selectSegmentWithTag(selected + 1));
        strip->selectedSegmentWithIndex(selected);
        layout->addWidget(holder);
    }
    window.adjustSize();
    EXPECT_FALSE(saveScreenshot(&window, QStringLiteral("tab-strip")).isEmpty());
}
