// One sheet of every drawn image at the size its view uses, plain and
// highlighted, for people to look at (build/screenshots/drawn-images.png).
#include "Screenshot.h"
#include "UIUtilities.h"
#include "Utilities.h"

#include <QPainter>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

constexpr int zoom = 2;

struct Sample {
    QString label;
    QImage plain, highlighted;
};

QList<Sample> samples()
{
    const ColorObject blue = Utilities::colorInGroup(0, 0), orange = Utilities::colorInGroup(0, 1),
                      green = Utilities::colorInGroup(1, 3), plum = Utilities::colorInGroup(0, 5);
    const QColor shade = Utilities::getColorInGroupID(1, 3, 1);
    const QSizeF icon(14, 14), box(186, 46);
    const QString title = QStringLiteral("Prepare the quarterly review with the whole team");
    return {
        {QStringLiteral("swatch 14 x 10"), UIUtilities::getCalendarColorImage(blue, QSizeF(14, 10)),
         UIUtilities::getCalendarColorImage(plum, QSizeF(14, 10))},
        {QStringLiteral("all-day 181 x 17, r 6"), UIUtilities::getTaskBackgroundImageNoGradient(orange, 1, {181, 17}, 6),
         UIUtilities::getTaskBackgroundImageNoGradient(green, 1, {181, 17}, 6)},
        {QStringLiteral("event box 186 x 46"), UIUtilities::getTaskBackgroundImage(blue, 0.4, box, 0, false),
         UIUtilities::getTaskBackgroundImage(blue, 0.8, box, 0, true)},
        {QStringLiteral("planner piece, r 8"), UIUtilities::getTaskBackgroundImage(green, 0.4, box, 8, false),
         UIUtilities::getTaskBackgroundImage(green, 0.8, box, 8, true)},
        {QStringLiteral("no colour"), UIUtilities::getTaskBackgroundImage(ColorObject(), 1, box, 0, false),
         UIUtilities::getTaskBackgroundImage(ColorObject(), 1, box, 0, true)},
        {QStringLiteral("time grid 187 x 46"), UIUtilities::getTaskBackgroundImageFlipped(orange, 1, {187, 46}, 0, false),
         UIUtilities::getTaskBackgroundImageFlipped(orange, 1, {187, 46}, 0, true)},
        {QStringLiteral("drag image 100 x 20"),
         UIUtilities::getTaskImageRepresentative(plum, 0.9, {100, 20}, 0, QStringLiteral("Call Anna")),
         UIUtilities::getTaskImageRepresentative(blue, 0.9, {100, 20}, 0, title)},
        {QStringLiteral("event / planned"), UIUtilities::getIconForType(0, shade, icon),
         UIUtilities::getIconForType(0, true, false, shade, icon)},
        {QStringLiteral("task / done"), UIUtilities::getIconForType(1, shade, icon),
         UIUtilities::getIconForType(1, false, true, shade, icon)},
        {QStringLiteral("note / highlighted"), UIUtilities::getIconForType(3, shade, icon),
         UIUtilities::getIconForType(3, false, true, shade, icon)},
        {QStringLiteral("list icon 10 x 18"), UIUtilities::getIconForType(1, shade, {10, 18}),
         UIUtilities::getIconForType(3, shade, {10, 18})},
        {QStringLiteral("check box open"), UIUtilities::getNormalImageForTaskWithColor(shade, icon, false),
         UIUtilities::getNormalImageForTaskWithColor(shade, icon, true)},
        {QStringLiteral("check box done"), UIUtilities::getDoneImageForTaskWithColor(shade, icon, false),
         UIUtilities::getDoneImageForTaskWithColor(shade, icon, true)},
    };
}

// Rows of label, plain image and highlighted image, the images twice their
// size with whole pixels, on the list panes' grey; the highlighted column on
// the selection blue, as highlighted rows sit.
class Sheet : public QWidget {
public:
    explicit Sheet(QList<Sample> rows) : m_rows(std::move(rows)) { resize(1000, rowTop(m_rows.size()) + 10); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), QColor(237, 237, 237));
        painter.fillRect(QRect(595, 0, 405, height()), QColor(56, 117, 215));
        for (int i = 0; i < m_rows.size(); ++i) {
            const int top = rowTop(i);
            painter.setPen(Qt::black);
            painter.drawText(QRect(8, top, 180, rowHeight(i)), Qt::AlignVCenter, m_rows[i].label);
            drawZoomed(painter, m_rows[i].plain, QPoint(205, top));
            drawZoomed(painter, m_rows[i].highlighted, QPoint(605, top));
        }
    }

private:
    static void drawZoomed(QPainter& painter, const QImage& image, const QPoint& at)
    {
        if (image.isNull()) return;
        painter.drawImage(QRect(at, image.size() * zoom), image);
    }
    int rowHeight(int i) const
    {
        return std::max({24, m_rows[i].plain.height() * zoom, m_rows[i].highlighted.height() * zoom}) + 8;
    }
    int rowTop(qsizetype count) const
    {
        int top = 8;
        for (int i = 0; i < count; ++i) top += rowHeight(i);
        return top;
    }

    QList<Sample> m_rows;
};

}  // namespace

TEST(DrawnImagesSheet, EveryImageAtItsViewSizeIsDrawnOnOneSheet)
{
    const QList<Sample> rows = samples();
    for (const Sample& sample : rows) {
        EXPECT_FALSE(sample.plain.isNull()) << sample.label.toStdString();
        EXPECT_FALSE(sample.highlighted.isNull()) << sample.label.toStdString();
    }
    Sheet sheet(rows);
    EXPECT_FALSE(saveScreenshot(&sheet, QStringLiteral("drawn-images")).isEmpty());
}
