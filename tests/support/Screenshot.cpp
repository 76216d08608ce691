#include "Screenshot.h"

#include <QDir>
#include <QImage>
#include <QPainter>
#include <QWidget>

QString screenshotFolder()
{
    const QString folder = QStringLiteral(ZORAVEL_SCREENSHOT_DIR);
    QDir().mkpath(folder);
    return folder;
}

QString saveScreenshot(QWidget* widget, const QString& name)
{
    if (!widget) return {};
    // Twice the size, so that a person reading the picture sees the text as a
    // screen with a scale factor of 2 would show it.
    const qreal scale = 2.0;
    QImage image(widget->size() * scale, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(scale);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        widget->render(&painter, QPoint(), QRegion(), QWidget::DrawChildren);
    }
    const QString path = screenshotFolder() + QLatin1Char('/') + name + QStringLiteral(".png");
    return image.save(path) ? path : QString();
}
