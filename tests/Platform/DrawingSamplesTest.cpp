// A picture of the drawing kit at work, for people to look at: paths with
// round joins and dashes, the gradient of a rounded button, elided texts and
// the named images, drawn as a non-flipped view draws (y up).
#include "BezierPath.h"
#include "Color.h"
#include "Drawing.h"
#include "Font.h"
#include "Gradient.h"
#include "NamedImages.h"
#include "Screenshot.h"
#include "TextMeasure.h"

#include <QPaintEvent>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

const QString sampleNote = QStringLiteral(
    "Bring the signed lease, two passport photos and the blue folder with last year's receipts to the meeting");

class SamplesWidget : public QWidget {
public:
    SamplesWidget() { resize(460, 320); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), Color::white());
        painter.translate(0, height());
        painter.scale(1, -1);
        drawPaths(painter);
        drawButton(painter);
        drawTexts(painter);
        drawImages(painter);
    }

private:
    static void drawPaths(QPainter& painter)
    {
        BezierPath zigzag;
        zigzag.moveTo({20, 250});
        zigzag.lineTo({45, 295});
        zigzag.lineTo({70, 250});
        zigzag.lineTo({95, 295});
        zigzag.setLineWidth(6);
        zigzag.setLineJoinStyle(Qt::RoundJoin);
        zigzag.setLineCapStyle(Qt::RoundCap);
        zigzag.stroke(painter, Color::calibratedRGB(0.2, 0.4, 0.8));

        BezierPath dashed;
        dashed.moveTo({120, 290});
        dashed.lineTo({260, 290});
        dashed.setLineWidth(3);
        dashed.setLineDash({3, 3});
        dashed.stroke(painter, Color::darkGray());

        BezierPath dots;
        dots.moveTo({120, 270});
        dots.lineTo({260, 270});
        dots.setLineWidth(4);
        dots.setLineCapStyle(Qt::RoundCap);
        dots.setLineDash({0, 8});
        dots.stroke(painter, Color::calibratedRGB(0.8, 0.3, 0.2));

        // A tab: straight sides, corners rounded by arcs tangent to them.
        BezierPath tab;
        tab.moveTo({120, 235});
        tab.appendArcFromPoint({120, 258}, {260, 258}, 8);
        tab.appendArcFromPoint({260, 258}, {260, 235}, 8);
        tab.lineTo({260, 235});
        tab.setLineWidth(2);
        tab.stroke(painter, Color::black());

        BezierPath pie;
        pie.moveTo({320, 265});
        pie.appendArc({320, 265}, 28, 30, 300);
        pie.closePath();
        pie.fill(painter, Color::calibratedRGB(1.0, 0.8, 0.3));
        pie.setLineWidth(2);
        pie.setLineJoinStyle(Qt::RoundJoin);
        pie.stroke(painter, Color::calibratedRGB(0.6, 0.4, 0.0));
    }

    static void drawButton(QPainter& painter)
    {
        const QRectF frame(20, 160, 186, 46);
        const BezierPath shape = BezierPath::roundedRect(frame, 6, 6);
        const Gradient gradient({Color::calibratedRGB(0.45, 0.62, 0.92), Color::calibratedRGB(0.62, 0.76, 0.98),
                                 Color::calibratedRGB(0.85, 0.91, 1.0)},
                                {0.0, 0.5, 1.0});
        gradient.drawInBezierPath(painter, shape, 90);
        BezierPath outline = BezierPath::roundedRect(frame.adjusted(0.5, 0.5, -0.5, -0.5), 5.5, 5.5);
        outline.stroke(painter, Color::calibratedRGB(0.25, 0.4, 0.7));
        Drawing::drawText(painter, QStringLiteral("New Event"), Font::fontWithName(QStringLiteral("Lucida Grande Bold"), 13),
                          Color::white(), frame, Qt::AlignHCenter | Qt::AlignVCenter);

        const QRectF gradientBox(230, 160, 100, 46);
        Gradient({Color::calibratedRGB(1, 0, 0), Color::calibratedRGB(0, 0.8, 0), Color::calibratedRGB(0, 0, 1)})
            .drawInRect(painter, gradientBox, 0);
        Gradient({Color::calibratedRGB(1, 0, 0), Color::calibratedRGB(0, 0.8, 0), Color::calibratedRGB(0, 0, 1)})
            .drawInRect(painter, gradientBox.translated(110, 0), 45);
    }

    static void drawTexts(QPainter& painter)
    {
        const Font font = Font::fontWithName(QStringLiteral("Lucida Grande"), 12.5);
        const QRectF tailBox(20, 125, 160, 18), middleBox(20, 100, 160, 18);
        for (const QRectF& box : {tailBox, middleBox}) BezierPath::rect(box).stroke(painter, Color::lightGray());
        Drawing::drawText(painter, sampleNote, font, Color::controlText(), tailBox, Qt::AlignLeft | Qt::AlignVCenter,
                          Qt::ElideRight);
        Drawing::drawText(painter, sampleNote, font, Color::controlText(), middleBox, Qt::AlignLeft | Qt::AlignVCenter,
                          Qt::ElideMiddle);

        const QRectF wrapBox(20, 20, 160, TextMeasure::lineHeight(font) * 3);
        BezierPath::rect(wrapBox).stroke(painter, Color::lightGray());
        Drawing::drawWrappedText(painter, sampleNote, font, Color::darkGray(), wrapBox);

        Drawing::drawText(painter, QStringLiteral("Helvetica Bold 11"), Font::fontWithName(QStringLiteral("Helvetica Bold"), 11),
                          Color::gray(), QRectF(200, 125, 200, 18), Qt::AlignRight | Qt::AlignVCenter);
    }

    static void drawImages(QPainter& painter)
    {
        Drawing::drawImage(painter, NamedImages::imageNamed(QStringLiteral("zvm_icon")), {210, 60, 20, 20});
        Drawing::drawImage(painter, NamedImages::imageNamed(QStringLiteral("zvm_icon"), 2.0), {240, 50, 40, 40});
        Drawing::drawImage(painter, NamedImages::imageNamed(QStringLiteral("zvm_icon"), 2.0), {290, 20, 80, 80});
        const QImage enter = NamedImages::imageNamed(QStringLiteral("EnterFullScreenTemplate"), 2.0);
        const QImage exit = NamedImages::imageNamed(QStringLiteral("ExitFullScreenTemplate"), 2.0);
        Drawing::drawImage(painter, Drawing::tinted(enter, Color::darkGray()), {385, 60, 32, 32});
        Drawing::drawImage(painter, Drawing::tinted(exit, Color::darkGray()), {385, 20, 32, 32});
        Drawing::drawImage(painter, enter, {425, 68, 16, 16}, 0.5);
        Drawing::drawImage(painter, exit, {425, 28, 16, 16}, 0.5);
    }
};

TEST(DrawingSamples, ScreenshotShowsPathsGradientTextsAndImages)
{
    SamplesWidget widget;
    const QString path = saveScreenshot(&widget, QStringLiteral("drawing-samples"));
    ASSERT_FALSE(path.isEmpty());
    const QImage picture(path);
    ASSERT_EQ(picture.size(), QSize(920, 640));
    // The icon is where it was drawn, upright: its red heading above its page.
    const QColor heading = picture.pixelColor(2 * (290 + 40), 2 * (320 - 100 + 22));
    EXPECT_GT(heading.red(), 180);
    EXPECT_LT(heading.green(), 100);
}

}  // namespace
