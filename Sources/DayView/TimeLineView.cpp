#include "TimeLineView.h"

#include "CalendarView.h"
#include "Font.h"
#include "TextField.h"
#include "UIUtilities.h"

#include <QPainter>

namespace {
constexpr double lineWidth = 0.3;
}

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

void TimeLineView::drawRect(QPainter& painter, const QRectF&)
{
    // No background of its own: the document's white shows through.
    const double right = bounds().width();
    const double left = CalendarView::lineLeft;
    if (right <= left) return;
    painter.setRenderHint(QPainter::Antialiasing);
    QPen pen(m_lineColor, lineWidth);
    painter.setPen(pen);
    const double middle = CalendarView::firstLineY;
    painter.drawLine(QPointF(left, middle), QPointF(right, middle));
    if (m_patternType != HourAndHalfHour) return;
    // Dashes and gaps of one point: a pen's pattern counts in pen widths.
    pen.setDashPattern({1.0 / lineWidth, 1.0 / lineWidth});
    painter.setPen(pen);
    const double halfHour = bounds().height() - 1;
    painter.drawLine(QPointF(left, halfHour), QPointF(right, halfHour));
}
