#include "TimeLineView.h"

#include "TextField.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

namespace {

// An hour row draws its lines from kept strips where it can: the picture is
// the one its pen draws, wherever the row lands and whatever its colour
// (a strip drawn twice, or at the wrong row, changes pixels).
TEST(TimeLineView, LinesDrawnFromStripsMatchThePenLinePixelForPixel)
{
    struct Case {
        const char* what;
        double width;
        QColor color;
        int pattern;
        QPointF place;  // of the painter, in the canvas
    };
    const Case cases[] = {
        {"whole pixel", 300, Qt::black, TimeLineView::HourAndHalfHour, {3, 7}},
        {"at the origin", 730, Qt::black, TimeLineView::HourAndHalfHour, {0, 0}},
        {"translucent colour", 300, QColor(40, 90, 200, 170), TimeLineView::HourAndHalfHour, {5, 2}},
        {"fractional right edge", 250.5, Qt::black, TimeLineView::HourAndHalfHour, {1, 1}},
        {"between pixels", 300, Qt::black, TimeLineView::HourAndHalfHour, {2.5, 4.25}},
        {"hour line only", 300, QColor(120, 30, 30), TimeLineView::HourOnly, {4, 9}},
    };
    const auto canvas = [] {
        QImage image(760, 70, QImage::Format_ARGB32_Premultiplied);
        image.fill(QColor(200, 230, 250));
        return image;
    };
    for (const Case& c : cases) {
        TimeLineView row(QRectF(0, 0, c.width, 46));
        row.timeLabel()->setStringValue(QString());
        row.setLineColor(c.color);
        row.setPatternType(c.pattern);
        const auto render = [&](bool strips) {
            TimeLineView::setDrawsLinesFromStrips(strips);
            QImage image = canvas();
            QPainter painter(&image);
            painter.translate(c.place);
            row.render(&painter, QPoint(), QRegion(), QWidget::DrawChildren);
            return image;
        };
        const QImage expected = render(false);
        const QImage drawn = render(true);
        TimeLineView::setDrawsLinesFromStrips(true);
        EXPECT_TRUE(drawn == expected) << c.what;
    }
}

}  // namespace
