#include "TaskImageRenderer.h"

#include "CurrentInstance.h"

namespace {

CurrentInstance<const TaskImageRenderer>& installedRenderer()
{
    static const TaskImageRenderer blank;
    static CurrentInstance<const TaskImageRenderer> instance(blank);
    return instance;
}

}  // namespace

TaskImageRenderer::~TaskImageRenderer() = default;

QImage TaskImageRenderer::dayBoxImage(const Task&, const QSizeF& size, bool, bool) const
{
    return blankImage(size);
}

QImage TaskImageRenderer::plannerItemImage(const Task&, const QSizeF& size, bool, bool, bool) const
{
    return blankImage(size);
}

QImage TaskImageRenderer::smallImage(qint64, qint64, double, const QSizeF& size, double, const QString&) const
{
    return blankImage(size);
}

const TaskImageRenderer& TaskImageRenderer::current()
{
    return installedRenderer().get();
}

void TaskImageRenderer::setCurrent(const TaskImageRenderer* renderer)
{
    installedRenderer().set(renderer);
}

QImage TaskImageRenderer::blankImage(const QSizeF& size)
{
    QImage image(size.toSize(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}
