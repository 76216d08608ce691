#include "Screen.h"

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>

namespace {

// Qt's global coordinates put the primary screen's top left at its
// geometry's origin; ours put the primary screen's bottom left at (0, 0).
QRectF primaryGeometry()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? QRectF(screen->geometry()) : QRectF(0, 0, 1024, 768);
}

}  // namespace

namespace Screen {

QRectF mainFrame()
{
    return fromQt(primaryGeometry());
}

QRectF mainVisibleFrame()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? fromQt(QRectF(screen->availableGeometry())) : mainFrame();
}

QRectF visibleFrameFor(const QRectF& frame)
{
    const QRectF qt = toQt(frame);
    const QScreen* best = nullptr;
    double bestOverlap = 0;
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRectF geometry(screen->geometry());
        if (geometry.contains(qt.center())) {
            best = screen;
            break;
        }
        const QRectF overlap = geometry.intersected(qt);
        const double area = overlap.width() * overlap.height();
        if (area > bestOverlap) {
            bestOverlap = area;
            best = screen;
        }
    }
    return best ? fromQt(QRectF(best->availableGeometry())) : mainVisibleFrame();
}

QRectF keptInside(const QRectF& frame, const QRectF& area)
{
    const double width = std::min(frame.width(), area.width());
    const double height = std::min(frame.height(), area.height());
    const double x = std::clamp(frame.x(), area.x(), area.x() + area.width() - width);
    // y is up: a frame too tall keeps its top edge, the one with its title.
    const double top = std::clamp(frame.y() + frame.height(), area.y() + height, area.y() + area.height());
    return QRectF(x, top - height, width, height);
}

QRectF centredIn(const QSizeF& size, const QRectF& area)
{
    const double width = std::min(size.width(), area.width());
    const double height = std::min(size.height(), area.height());
    return QRectF(area.x() + (area.width() - width) / 2, area.y() + (area.height() - height) / 2, width, height);
}

double mainScale()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->devicePixelRatio() : 1.0;
}

QPointF fromQt(const QPointF& point)
{
    const QRectF primary = primaryGeometry();
    return QPointF(point.x() - primary.x(), primary.y() + primary.height() - point.y());
}

QPointF toQt(const QPointF& point)
{
    const QRectF primary = primaryGeometry();
    return QPointF(point.x() + primary.x(), primary.y() + primary.height() - point.y());
}

QRectF fromQt(const QRectF& rect, const QRectF& primary)
{
    return QRectF(rect.x() - primary.x(), primary.y() + primary.height() - rect.y() - rect.height(), rect.width(),
                  rect.height());
}

QRectF toQt(const QRectF& rect, const QRectF& primary)
{
    return QRectF(rect.x() + primary.x(), primary.y() + primary.height() - rect.y() - rect.height(), rect.width(),
                  rect.height());
}

QRectF fromQt(const QRectF& rect)
{
    return fromQt(rect, primaryGeometry());
}

QRectF toQt(const QRectF& rect)
{
    return toQt(rect, primaryGeometry());
}

}  // namespace Screen
