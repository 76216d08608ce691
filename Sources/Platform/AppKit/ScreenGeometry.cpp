#include "ScreenGeometry.h"

#include <QGuiApplication>
#include <QScreen>

namespace {

QRectF mainScreenQtFrame()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? QRectF(screen->geometry()) : QRectF();
}

}  // namespace

QRectF ScreenGeometry::fromQt(const QRectF& qtRect, const QRectF& mainScreenQtFrame)
{
    // The flip is its own inverse: the bottom edge of one system is the
    // distance of the top edge from the main screen's bottom in the other.
    const double y = mainScreenQtFrame.bottom() - qtRect.bottom();
    return QRectF(qtRect.x(), y, qtRect.width(), qtRect.height());
}

QRectF ScreenGeometry::toQt(const QRectF& rect, const QRectF& mainScreenQtFrame)
{
    return fromQt(rect, mainScreenQtFrame);
}

QRectF ScreenGeometry::fromQt(const QRectF& qtRect)
{
    return fromQt(qtRect, mainScreenQtFrame());
}

QRectF ScreenGeometry::toQt(const QRectF& rect)
{
    return toQt(rect, mainScreenQtFrame());
}

QRectF ScreenGeometry::mainVisibleFrame()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? fromQt(QRectF(screen->availableGeometry())) : QRectF();
}
