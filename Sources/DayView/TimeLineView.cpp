#include "TimeLineView.h"

#include "CalendarView.h"
#include "Font.h"
#include "TextField.h"
#include "UIUtilities.h"

#include <QPainter>

#include <cmath>
#include <utility>
#include <vector>

namespace {

constexpr double lineWidth = 0.3;
// The dashed line's strip: its line runs along y stripLineY of a strip
// stripHeight pixels high, whose other rows stay clear.
constexpr int stripHeight = 4;
constexpr double stripLineY = 2;

QPen linePen(const QColor& color, bool dashed)
{
    QPen pen(color, lineWidth);
    // Dashes and gaps of one point: a pen's pattern counts in pen widths.
    if (dashed) pen.setDashPattern({1.0 / lineWidth, 1.0 / lineWidth});
    return pen;
}

// A line from x left to right, drawn once into a clear strip for each look:
// a day or week shows two dozen rows of the same two lines, and Qt strokes
// a dashed line dash by dash. Blended one to one at a whole pixel, the strip
// gives the pixels of the line drawn there, as no two dashes cover the same
// pixel.
QImage lineStrip(double left, double right, const QColor& color, bool dashed)
{
    struct Look {
        double left, right;
        QRgb color;
        bool dashed;
        bool operator==(const Look&) const = default;
    };
    static std::vector<std::pair<Look, QImage>> cache;
    constexpr size_t cacheSize = 8;
    const Look look{left, right, color.rgba(), dashed};
    for (const auto& [cached, strip] : cache)
        if (cached == look) return strip;
    QImage strip(int(std::ceil(right)) + 1, stripHeight, QImage::Format_ARGB32_Premultiplied);
    strip.fill(Qt::transparent);
    {
        QPainter painter(&strip);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(linePen(color, dashed));
        painter.drawLine(QPointF(left, stripLineY), QPointF(right, stripLineY));
    }
    if (cache.size() >= cacheSize) cache.erase(cache.begin());
    cache.emplace_back(look, strip);
    return strip;
}

bool drawsLinesFromStrips = true;

bool isWhole(double value)
{
    return value == std::floor(value);
}

}  // namespace

TimeLineView::TimeLineView(const QRectF& frame, QWidget* parent) : CustomNSView(frame, parent)
{
    // Right-aligned, the label ends 1 point before the current-time marker's
    // dot: the full 53-point column put the dot over the label's last letter
    // ("7 AM" lost half its M) whenever the time was just past the hour.
    m_timeLabel = UIUtilities::getCommonTextFieldWithFrame(
        QRectF(0, (CalendarView::hourHeight - 14) / 2, CalendarView::timeMarkerLeft - 1, 14));
    m_timeLabel->setTextFont(Font::fontWithName(QStringLiteral("Lucida Grande"), 10));
    m_timeLabel->setTextColor(QColor(85, 85, 85));
    m_timeLabel->setAlignment(Qt::AlignRight);
    addSubview(m_timeLabel);
}

TimeLineView::~TimeLineView() = default;

void TimeLineView::setLineColor(const QColor& color)
{
    m_lineColor = color;
    update();
}

void TimeLineView::setPatternType(int patternType)
{
    m_patternType = patternType;
    update();
}

void TimeLineView::setDrawsLinesFromStrips(bool strips)
{
    drawsLinesFromStrips = strips;
}

// Draws the line at y from x left to right as a pen would, through its strip
// where the strip's pixels are the pen's.
void TimeLineView::drawLine(QPainter& painter, double left, double right, double y, bool dashed) const
{
    const QTransform& device = painter.deviceTransform();
    const QPointF start = device.map(QPointF(0, y));
    const bool plain = drawsLinesFromStrips && device.m11() == 1 && device.m12() == 0 && device.m21() == 0 &&
                       std::abs(device.m22()) == 1 && device.m13() == 0 && device.m23() == 0 &&
                       isWhole(start.x()) && isWhole(start.y()) && painter.opacity() == 1 &&
                       painter.compositionMode() == QPainter::CompositionMode_SourceOver;
    if (!plain) {
        painter.setPen(linePen(m_lineColor, dashed));
        painter.drawLine(QPointF(left, y), QPointF(right, y));
        return;
    }
    painter.save();
    painter.translate(0, y);
    if (device.m22() < 0) painter.scale(1, -1);  // the strip's rows run down the screen
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.drawImage(QPointF(0, -stripLineY), lineStrip(left, right, m_lineColor, dashed));
    painter.restore();
}

void TimeLineView::drawRect(QPainter& painter, const QRectF&)
{
    // No background of its own: the document's white shows through.
    const double right = bounds().width();
    const double left = CalendarView::lineLeft;
    if (right <= left) return;
    painter.setRenderHint(QPainter::Antialiasing);
    drawLine(painter, left, right, CalendarView::firstLineY, false);
    if (m_patternType == HourAndHalfHour) drawLine(painter, left, right, bounds().height() - 1, true);
}
