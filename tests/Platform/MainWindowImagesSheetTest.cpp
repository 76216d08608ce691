// The main window's images on one sheet for people to look at
// (build/screenshots/main-window-images.png): each at 1x and 2x, on a mid grey
// and on white. The sheet is saved at twice the size, so a 1x pixel shows as
// a block of four and a 2x image as it looks on a doubled screen.
#include "NamedImages.h"
#include "Screenshot.h"

#include <QPainter>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

const QStringList names = {
    QStringLiteral("bg"),         QStringLiteral("bg_center"),    QStringLiteral("bg_right_top"),
    QStringLiteral("bg_right"),   QStringLiteral("shadow_bg"),    QStringLiteral("shadow_bottom_bg"),
    QStringLiteral("showpane"),   QStringLiteral("hidepane"),     QStringLiteral("pin_off"),
    QStringLiteral("pin_on"),     QStringLiteral("syncing"),      QStringLiteral("showhide_normal"),
    QStringLiteral("tag_normal"), QStringLiteral("conversation"), QStringLiteral("day"),
    QStringLiteral("week"),       QStringLiteral("month"),
};

constexpr int labelWidth = 130, gap = 12;
const QColor midGrey(128, 128, 128);

class Sheet : public QWidget {
public:
    Sheet()
    {
        int width = 0, height = gap;
        for (const QString& name : names) {
            const QSize size = NamedImages::imageNamed(name).size();
            width = std::max(width, size.width());
            height += std::max(size.height(), 16) + gap;
        }
        m_column = width + 2 * gap;
        resize(labelWidth + 4 * m_column, height);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::white);
        painter.fillRect(QRect(labelWidth, 0, 2 * m_column, height()), midGrey);
        int top = gap;
        for (const QString& name : names) {
            const QImage single = NamedImages::imageNamed(name), doubled = NamedImages::imageNamed(name, 2.0);
            painter.setPen(Qt::black);
            painter.drawText(QRect(8, top, labelWidth - 8, 16), Qt::AlignVCenter, name);
            for (int column = 0; column < 4; ++column) {
                const QPoint at(labelWidth + column * m_column + gap, top);
                painter.drawImage(at, column % 2 == 0 ? single : doubled);
            }
            top += std::max(single.height(), 16) + gap;
        }
    }

private:
    int m_column = 0;
};

}  // namespace

TEST(MainWindowImagesSheet, EveryImageAtBothRatiosOnGreyAndWhite)
{
    for (const QString& name : names)
        EXPECT_FALSE(NamedImages::imageNamed(name).isNull()) << name.toStdString();
    Sheet sheet;
    EXPECT_FALSE(saveScreenshot(&sheet, QStringLiteral("main-window-images")).isEmpty());
}
