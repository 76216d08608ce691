#include "NamedImages.h"

#include "BezierPath.h"
#include "Color.h"
#include "Drawing.h"
#include "Paths.h"

#include <QDebug>
#include <QFileInfo>
#include <QHash>
#include <QImageReader>
#include <QMutex>
#include <QPixmap>
#include <QSet>

#include <cmath>

namespace {

const QString enterFullScreenTemplate = QStringLiteral("EnterFullScreenTemplate");
const QString exitFullScreenTemplate = QStringLiteral("ExitFullScreenTemplate");
constexpr qreal templateSide = 16.0;

// One arrow along the diagonal from `tail` to `head`, its head a right
// triangle whose legs run along the axes, as full-screen arrows are drawn.
void appendArrow(BezierPath& shaft, BezierPath& heads, const QPointF& tail, const QPointF& head)
{
    const qreal legLength = 5.0;
    const QPointF direction((head.x() > tail.x()) ? 1 : -1, (head.y() > tail.y()) ? 1 : -1);
    shaft.moveTo(tail);
    shaft.lineTo(head - direction * 2.0);
    heads.moveTo(head);
    heads.lineTo(head - QPointF(direction.x() * legLength, 0));
    heads.lineTo(head - QPointF(0, direction.y() * legLength));
    heads.closePath();
}

QImage drawFullScreenTemplate(bool outward, qreal ratio)
{
    return Drawing::imageWithSize(
        QSizeF(templateSide, templateSide),
        [outward](QPainter& painter, const QRectF& bounds) {
            BezierPath shafts, heads;
            shafts.setLineWidth(1.6);
            const QPointF center = bounds.center();
            // Corners 2 points in from the edges; arrows stop 1.5 points short of the centre.
            const QPointF topRight(bounds.right() - 2, bounds.bottom() - 2), bottomLeft(bounds.left() + 2, bounds.top() + 2);
            const QPointF nearTopRight = center + QPointF(1.5, 1.5), nearBottomLeft = center - QPointF(1.5, 1.5);
            if (outward) {
                appendArrow(shafts, heads, nearTopRight, topRight);
                appendArrow(shafts, heads, nearBottomLeft, bottomLeft);
            } else {
                appendArrow(shafts, heads, topRight, nearTopRight);
                appendArrow(shafts, heads, bottomLeft, nearBottomLeft);
            }
            shafts.stroke(painter, Color::black());
            heads.fill(painter, Color::black());
        },
        ratio);
}

QImage drawnInCode(const QString& name, qreal ratio)
{
    if (name == enterFullScreenTemplate) return drawFullScreenTemplate(true, ratio);
    if (name == exitFullScreenTemplate) return drawFullScreenTemplate(false, ratio);
    return {};
}

// Names come from our own code, but a name that could leave the folder is
// refused all the same.
bool plainName(const QString& name)
{
    return !name.isEmpty() && !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\'))
           && !name.startsWith(QLatin1Char('.'));
}

QImage readFile(const QString& path, qreal ratio)
{
    QImageReader reader(path);
    QImage image = reader.read();
    if (image.isNull()) {
        qWarning() << "The image" << path << "cannot be read:" << reader.errorString();
        return {};
    }
    image.setDevicePixelRatio(ratio);
    return image;
}

QImage loadFromFolder(const QString& name, bool wantsDouble)
{
    QString base = name;
    if (base.endsWith(QLatin1String(".png"))) base.chop(4);
    const QString stem = NamedImages::imagesFolder() + QLatin1Char('/') + base;
    const QString doublePath = stem + QStringLiteral("@2x.png");
    const QString singlePath = stem + QStringLiteral(".png");
    if (wantsDouble && QFileInfo::exists(doublePath)) return readFile(doublePath, 2.0);
    if (QFileInfo::exists(singlePath)) return readFile(singlePath, 1.0);
    if (QFileInfo::exists(doublePath)) return readFile(doublePath, 2.0);
    return {};
}

QImage load(const QString& name, qreal ratio)
{
    if (!plainName(name)) return {};
    if (NamedImages::isDrawnInCode(name)) return drawnInCode(name, ratio);
    return loadFromFolder(name, ratio > 1.0);
}

}  // namespace

QImage NamedImages::imageNamed(const QString& name, qreal devicePixelRatio)
{
    const qreal ratio = std::isfinite(devicePixelRatio) && devicePixelRatio > 0 ? devicePixelRatio : 1.0;
    static QMutex mutex;
    static QHash<QString, QImage> cache;  // a missing name is kept too: one read, one log line
    static QSet<QString> reportedMissing;
    const QString key = name + QLatin1Char('|') + QString::number(ratio);
    QMutexLocker lock(&mutex);
    const auto found = cache.constFind(key);
    if (found != cache.constEnd()) return found.value();
    const QImage image = load(name, ratio);
    cache.insert(key, image);
    if (image.isNull() && !reportedMissing.contains(name)) {
        reportedMissing.insert(name);
        qWarning() << "No image named" << name << "in" << imagesFolder() << "- drawn without it";
    }
    return image;
}

QIcon NamedImages::iconNamed(const QString& name)
{
    QIcon icon;
    for (qreal ratio : {1.0, 2.0}) {
        const QImage image = imageNamed(name, ratio);
        // Without a file at twice the pixels the same picture comes back.
        if (!image.isNull() && image.devicePixelRatio() == ratio) icon.addPixmap(QPixmap::fromImage(image));
    }
    return icon;
}

bool NamedImages::isDrawnInCode(const QString& name)
{
    return name == enterFullScreenTemplate || name == exitFullScreenTemplate;
}

QStringList NamedImages::namesDrawnInCode()
{
    return {enterFullScreenTemplate, exitFullScreenTemplate};
}

QString NamedImages::imagesFolder()
{
    return Paths::resourcesFolder() + QStringLiteral("/Images");
}
