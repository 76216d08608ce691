#include "ItemImageRenderer.h"

#include "Calendar.h"
#include "Color.h"
#include "CoreData.h"
#include "Drawing.h"
#include "Font.h"
#include "Task.h"
#include "UIUtilities.h"
#include "Utilities.h"

#include <QPainter>

#include <algorithm>

namespace {

constexpr qint64 lastGroup = 3;
constexpr qint64 lastColor = 7;

struct PaletteColor {
    qint64 group = 0;
    qint64 color = 0;
};

PaletteColor clamped(qint64 group, qint64 color)
{
    return {std::clamp<qint64>(group, 0, lastGroup), std::clamp<qint64>(color, 0, lastColor)};
}

PaletteColor colorOfItem(const Task& task)
{
    const CoreData* dataManager = CoreData::shared();
    const CalendarPtr category = dataManager ? dataManager->calendarWithPrimaryKey(task.calendarId()) : nullptr;
    if (!category) return {};
    return clamped(category->colorGroupId(), category->colorNameId());
}

// A box as the day grid and the planners draw it: the category's gradient,
// more opaque when highlighted, and the title wrapped inside, white on a
// highlighted box and in the category's dark shade otherwise.
QImage itemBox(const Task& task, const QSizeF& size, double radius, bool highlight)
{
    const PaletteColor palette = colorOfItem(task);
    const QImage background = UIUtilities::getTaskBackgroundImage(Utilities::colorInGroup(palette.group, palette.color),
                                                                  highlight ? 0.8 : 0.4, size, radius, highlight);
    if (background.isNull()) return background;
    const QColor textColor =
        highlight ? Color::white() : Utilities::getColorInGroupID(palette.group, palette.color, 0);
    return Drawing::imageWithSize(size, [&](QPainter& painter, const QRectF& bounds) {
        Drawing::drawImage(painter, background, bounds);
        const QRectF label(5, 2, bounds.width() - 10, bounds.height() - 4);
        if (label.width() > 0 && label.height() > 0)
            Drawing::drawWrappedText(painter, task.taskName(), Font::fontWithName(QStringLiteral("Lucida Grande"), 11),
                                     textColor, label);
    });
}

}  // namespace

QImage ItemImageRenderer::dayBoxImage(const Task& task, const QSizeF& size, bool squareBox, bool highlight) const
{
    return itemBox(task, size, squareBox ? 0 : 8, highlight);
}

// The week and month planners' chips differ in their layout, not in the
// picture a drag carries.
QImage ItemImageRenderer::plannerItemImage(const Task& task, const QSizeF& size, bool, bool squareBox,
                                           bool highlight) const
{
    return itemBox(task, size, squareBox ? 0 : 8, highlight);
}

void ItemImageRenderer::install()
{
    static const ItemImageRenderer renderer;
    TaskImageRenderer::setCurrent(&renderer);
}

QImage ItemImageRenderer::smallImage(qint64 colorGroupId, qint64 colorNameId, double alpha, const QSizeF& size,
                                     double radius, const QString& text) const
{
    const PaletteColor palette = clamped(colorGroupId, colorNameId);
    return UIUtilities::getTaskImageRepresentative(Utilities::colorInGroup(palette.group, palette.color), alpha, size,
                                                   radius, text);
}
