#include "SplashScreenView.h"

#include "Drawing.h"
#include "NamedImages.h"

#include <QTimer>

#include <algorithm>

SplashScreenView::SplashScreenView(const QRectF& frame, QWidget* parent)
    : View(frame, parent), m_image(NamedImages::imageNamed(QStringLiteral("splashscreen"), devicePixelRatioF()))
{
    setAttribute(Qt::WA_TranslucentBackground);
}

QRectF SplashScreenView::imageRect() const
{
    if (m_image.isNull()) return QRectF();
    return imageRect(bounds().size(), m_image.deviceIndependentSize());
}

QRectF SplashScreenView::imageRect(const QSizeF& viewSize, const QSizeF& imageSize)
{
    constexpr double inset = 7;
    QSizeF size = imageSize;
    const double room = viewSize.width() - 2 * inset;
    if (size.width() > room && size.width() > 0) size *= std::max(0.0, room) / size.width();
    // y goes up: "5 lower" is 5 points less.
    return QRectF(QPointF(inset, (viewSize.height() - size.height()) * 0.5 - 5), size);
}

void SplashScreenView::drawRect(QPainter& painter, const QRectF&)
{
    // After the drawing has reached the screen, not inside the paint.
    if (m_firstDrawn) QTimer::singleShot(0, this, std::exchange(m_firstDrawn, nullptr));
    if (m_image.isNull()) return;
    Drawing::drawImage(painter, m_image, imageRect());
}
