#include "Screen.h"

#include <QGuiApplication>
#include <QScreen>

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
