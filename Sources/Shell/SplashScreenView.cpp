#include "SplashScreenView.h"

#include "Drawing.h"
#include "NamedImages.h"

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
    // y goes up: "5 lower" is 5 points less.
    return QRectF(QPointF(7, (viewSize.height() - imageSize.height()) * 0.5 - 5), imageSize);
}

void SplashScreenView::drawRect(QPainter& painter, const QRectF&)
{
    if (m_image.isNull()) return;
    Drawing::drawImage(painter, m_image, imageRect());
}
