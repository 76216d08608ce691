#include "Common.h"
#include "Screenshot.h"
#include "Utilities.h"

#include <QImage>
#include <QPainter>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

constexpr int cellWidth = 150, cellHeight = 64, swatch = 36, margin = 8;

QRect swatchRect(qint64 group, qint64 colour, qint64 shade)
{
    const int left = int(colour) * cellWidth + margin + int(shade) * (swatch + 4);
    const int top = int(group) * cellHeight + margin;
    return QRect(left, top, swatch, swatch);
}

// The 32 palette colours, a row per group, each with its three shades
// (darkest left) and its web integer under them.
class PaletteSheet : public QWidget {
public:
    PaletteSheet() { resize(8 * cellWidth, 4 * cellHeight); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), Common::appBackgroundColor());
        QFont font = painter.font();
        font.setPixelSize(10);
        painter.setFont(font);
        for (qint64 group = 0; group < 4; ++group) {
            for (qint64 colour = 0; colour < 8; ++colour) {
                for (qint64 shade = 0; shade < 3; ++shade)
                    painter.fillRect(swatchRect(group, colour, shade), Utilities::getColorInGroupID(group, colour, shade));
                const QRect first = swatchRect(group, colour, 0);
                const QString label = QStringLiteral("%1/%2  #%3")
                                          .arg(group)
                                          .arg(colour)
                                          .arg(Utilities::getHexColor(group, colour), 6, 16, QLatin1Char('0'))
                                          .toUpper();
                painter.setPen(Qt::black);
                painter.drawText(QRect(first.left(), first.bottom() + 2, cellWidth - margin, 14),
                                 Qt::AlignLeft | Qt::AlignVCenter, label);
            }
        }
    }
};

TEST(PaletteSheet, ThirtyTwoColoursInThreeShades)
{
    PaletteSheet sheet;
    const QString path = saveScreenshot(&sheet, QStringLiteral("palette-sheet"));
    ASSERT_FALSE(path.isEmpty());
    const QImage image(path);
    ASSERT_FALSE(image.isNull());
    // The picture is drawn at twice the size; read the middle of each swatch.
    const double scale = double(image.width()) / sheet.width();
    for (qint64 group = 0; group < 4; ++group) {
        for (qint64 colour = 0; colour < 8; ++colour) {
            for (qint64 shade = 0; shade < 3; ++shade) {
                const QPoint centre = swatchRect(group, colour, shade).center();
                const QColor shown = image.pixelColor(int(centre.x() * scale), int(centre.y() * scale));
                const QColor expected = Utilities::getColorInGroupID(group, colour, shade);
                EXPECT_EQ(shown.rgb(), expected.rgb()) << group << "/" << colour << " shade " << shade;
            }
        }
    }
}

}  // namespace
