#include "Box.h"

#include "Drawing.h"
#include "TextMeasure.h"

#include <QPainter>
#include <QResizeEvent>

#include <cmath>

namespace {

const QColor kBoxFill(0, 0, 0, 14);
const QColor kBoxEdge(0, 0, 0, 56);
constexpr double kBoxRadius = 5;
// Where the title starts from the box's left edge, and the gap cut in the
// frame's line on each side of it.
constexpr double kTitleInset = 10;
constexpr double kTitleGap = 3;

}  // namespace

Box::Box(const QRectF& frame, QWidget* parent) : View(frame, parent)
{
    m_contentView = new View(contentRectInBounds());
    addSubview(m_contentView);
}

QRectF Box::frameForContentRect(const QRectF& contentRect)
{
    return contentRect.adjusted(-contentMargin, -contentMargin, contentMargin, contentMargin);
}

QRectF Box::frameForContentFrame(const QRectF& contentFrame) const
{
    return contentFrame.adjusted(-contentMargin, -topMargin(), contentMargin, contentMargin);
}

void Box::setFrameFromContentFrame(const QRectF& contentFrame)
{
    setFrame(frameForContentFrame(contentFrame));
}

QRectF Box::contentRectInBounds() const
{
    return bounds().adjusted(contentMargin, topMargin(), -contentMargin, -contentMargin);
}

void Box::setContentView(View* view)
{
    if (!view || view == m_contentView) return;
    View* old = m_contentView;
    m_contentView = view;
    addSubview(m_contentView);
    m_contentView->setFrame(contentRectInBounds());
    if (old) {
        old->hide();
        old->deleteLater();
    }
}

void Box::setTitle(const QString& title)
{
    if (title == m_title) return;
    m_title = title;
    m_contentView->setFrame(contentRectInBounds());
    update();
}

void Box::setTitleFont(const Font& font)
{
    m_titleFont = font;
    update();
}

void Box::drawRect(QPainter& painter, const QRectF&)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QRectF panel = bounds().adjusted(0.5, 0.5, -0.5, -0.5);
    QRectF titleRect;
    if (!m_title.isEmpty()) {
        // The frame's top line runs through the middle of the title's line,
        // which is cut out of it.
        const double line = TextMeasure::lineHeight(m_titleFont);
        const double width = std::ceil(TextMeasure::sizeOfText(m_title, m_titleFont).width());
        titleRect = QRectF(kTitleInset, 0, std::min(width, bounds().width() - 2 * kTitleInset), line);
        panel.setTop(std::round(line / 2) + 0.5);
        painter.setClipRegion(QRegion(bounds().toAlignedRect()) -
                              QRegion(titleRect.adjusted(-kTitleGap, 0, kTitleGap, 0).toAlignedRect()));
    }
    painter.setPen(QPen(kBoxEdge, 1));
    painter.setBrush(kBoxFill);
    painter.drawRoundedRect(panel, kBoxRadius, kBoxRadius);
    painter.restore();
    if (!m_title.isEmpty())
        Drawing::drawText(painter, m_title, m_titleFont, Qt::black, titleRect, Qt::AlignLeft | Qt::AlignTop,
                          Qt::ElideRight);
}

void Box::resizeEvent(QResizeEvent* event)
{
    View::resizeEvent(event);
    m_contentView->setFrame(contentRectInBounds());
}
