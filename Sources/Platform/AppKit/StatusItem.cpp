#include "StatusItem.h"

#include "Screen.h"

#include <QDebug>
#include <QGuiApplication>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>

namespace {

// Tray icons are drawn at 22 points on most desktops.
constexpr int usualIconSize = 22;
// How much of the selection colour shows through behind the image.
constexpr double highlightOpacity = 0.45;

}  // namespace

StatusItem::~StatusItem() = default;

void StatusItem::setImage(const QImage& image)
{
    if (image.isNull()) qWarning() << "The tray item was given no image: it shows a blank icon";
    m_image = image;
    showIcon(currentIcon());
}

void StatusItem::setHighlighted(bool highlighted)
{
    if (highlighted == m_highlighted) return;
    m_highlighted = highlighted;
    showIcon(currentIcon());
}

void StatusItem::setMenu(QMenu* menu)
{
    m_menu = menu;
    menuDidChange();
}

QMenu* StatusItem::menu() const
{
    return static_cast<QMenu*>(m_menu.data());
}

QPointF StatusItem::hangingPoint() const
{
    return hangingPoint(rectOnScreen(), Screen::mainVisibleFrame());
}

QPointF StatusItem::hangingPoint(const QRectF& itemRect, const QRectF& mainVisibleFrame)
{
    // y goes up: a frame's bottom edge is its y, its top edge y plus height.
    if (itemRect.isEmpty())
        return {mainVisibleFrame.x() + mainVisibleFrame.width(), mainVisibleFrame.y() + mainVisibleFrame.height()};
    return {itemRect.center().x(), itemRect.y()};
}

QImage StatusItem::iconImage(const QImage& image, bool highlighted, const QColor& selection)
{
    const double ratio = image.isNull() ? 1.0 : image.devicePixelRatio();
    const QSize pixels = image.isNull() ? QSize(usualIconSize, usualIconSize) : image.size();
    QImage icon(pixels, QImage::Format_ARGB32_Premultiplied);
    icon.setDevicePixelRatio(ratio);
    icon.fill(Qt::transparent);

    QPainter painter(&icon);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds(QPointF(0, 0), QSizeF(pixels) / ratio);
    if (highlighted) {
        QColor fill = selection;
        fill.setAlphaF(highlightOpacity);
        const double radius = std::min(bounds.width(), bounds.height()) * 0.2;
        QPainterPath path;
        path.addRoundedRect(bounds, radius, radius);
        painter.fillPath(path, fill);
    }
    if (!image.isNull()) painter.drawImage(bounds, image);
    return icon;
}

void StatusItem::performClick()
{
    if (m_clickHandler) m_clickHandler();
}

QImage StatusItem::currentIcon() const
{
    return iconImage(m_image, m_highlighted, QGuiApplication::palette().color(QPalette::Highlight));
}
