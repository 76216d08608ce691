// The pictures an item carries while it is dragged. The views draw them
// through the installed TaskImageRenderer; the sizes are the item's.
#include "Task.h"

#include "Calendar.h"
#include "CoreData.h"
#include "DraggingImageComponent.h"
#include "Setting.h"
#include "TaskImageRenderer.h"

namespace {

constexpr double pointsPerHour = 46;
constexpr double maximumDragHeight = 368;
constexpr double representativeWidth = 186;

QList<DraggingImageComponent> oneComponent(const QImage& image)
{
    return {DraggingImageComponent{Task::draggingImageKey, QRectF(QPointF(0, 0), QSizeF(image.size())), image}};
}

}  // namespace

double Task::dragImageHeight(double hours)
{
    return hours > 8 ? maximumDragHeight : hours * pointsPerHour;
}

QSizeF Task::draggingImageRepresentativeSize(qint64 durationMinutes)
{
    const float hours = float(durationMinutes) / 60.0f;
    return {representativeWidth, dragImageHeight(hours)};
}

QList<DraggingImageComponent> Task::draggingSmallImage() const
{
    const CoreData* dataManager = CoreData::shared();
    const CalendarPtr category = dataManager ? dataManager->calendarWithPrimaryKey(m_calendarId) : nullptr;
    const QImage image = TaskImageRenderer::current().smallImage(
        category ? category->colorGroupId() : 0, category ? category->colorNameId() : 0, 0.9, QSizeF(100, 20), 0,
        m_taskName);
    return oneComponent(image);
}

// An item without a duration of its own is as long as a new item of the
// kind being dragged.
qint64 Task::largeDragImageMinutes(qint64 type) const
{
    if (m_hasDuration) return m_duration;
    const CoreData* dataManager = CoreData::shared();
    const SettingPtr setting = dataManager ? dataManager->currentSetting() : nullptr;
    if (!setting) return 0;
    return type != 0 ? setting->durationDefTaskVal() : setting->durationDefEventVal();
}

QList<DraggingImageComponent> Task::draggingLargeImageWithSize(const QSizeF& size, qint64 type) const
{
    const double height = dragImageHeight(double(largeDragImageMinutes(type)) / 60);
    return oneComponent(
        TaskImageRenderer::current().dayBoxImage(*this, QSizeF(size.width(), height), type == 0, false));
}

QList<DraggingImageComponent> Task::draggingLargeImageInPlannerWithSize(const QSizeF& size, qint64 type) const
{
    return oneComponent(TaskImageRenderer::current().plannerItemImage(*this, size, type == 0, type == 0, false));
}

QImage Task::draggingImageRepresentative() const
{
    return TaskImageRenderer::current().dayBoxImage(*this, draggingImageRepresentativeSize(m_duration), false, false);
}
