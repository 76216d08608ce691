#include "FocusPaneItemView.h"

#include "Calendar.h"
#include "Color.h"
#include "CoreData.h"
#include "Drawing.h"
#include "Font.h"
#include "NamedImages.h"
#include "Setting.h"
#include "Task.h"
#include "TextField.h"
#include "UIUtilities.h"
#include "Utilities.h"
#include "PaletteColor.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

constexpr double iconWidth = 10;

// A missing category (or ids the palette does not know) draws in group 0,
// colour 0, so every row gets a colour.
PaletteColor paletteColorOf(const Task& task)
{
    const CoreData* manager = CoreData::shared();
    const CalendarPtr category = manager ? manager->calendarWithPrimaryKey(task.calendarId()) : nullptr;
    if (!category) return {};
    return {std::clamp<qint64>(category->colorGroupId(), 0, lastGroup),
            std::clamp<qint64>(category->colorNameId(), 0, lastColor)};
}

QString currentAccountUserName()
{
    const CoreData* manager = CoreData::shared();
    const SettingPtr setting = manager ? manager->currentSetting() : nullptr;
    return setting ? setting->zvwUserName() : QString();
}

}  // namespace

FocusPaneItemView::FocusPaneItemView(const QRectF& frame, QWidget* parent) : TableRowView(frame, parent)
{
    m_taskLabel = UIUtilities::getCommonTextFieldWithFrame(QRectF(5, 2, std::max(0.0, frame.width() - 5), 16));
    m_taskLabel->setTextFont(Font::fontWithName(QStringLiteral("Lucida Grande"), 13));
    addSubview(m_taskLabel);
    layoutLabel();
}

FocusPaneItemView::~FocusPaneItemView() = default;

FocusPaneItemView::Kind FocusPaneItemView::kindOf(const Task& task)
{
    if (task.taskType() == 0 && task.isADE() != 0) return Kind::AllDayEvent;
    if (task.taskType() == 3) return Kind::Note;
    return Kind::Other;
}

QString FocusPaneItemView::badgeNameOf(const Task& task, const QString& userName)
{
    const QString assignee = task.assigneeEmail();
    const bool isUser = assignee.compare(userName, Qt::CaseInsensitive) == 0;
    if (task.delegateStatus() == 1) return isUser ? QStringLiteral("ss_assigntome") : QStringLiteral("ss_assignbyme");
    if (!assignee.isEmpty() && !isUser) return QStringLiteral("ss_assignbyme");
    return QString();
}

QString FocusPaneItemView::badgeName() const
{
    if (!m_task || kindOf(*m_task) != Kind::Other) return QString();
    return badgeNameOf(*m_task, currentAccountUserName());
}

QRectF FocusPaneItemView::labelFrameFor(Kind kind, double width, double height, bool hasBadge)
{
    const double y = (height - labelHeight) / 2 - 1;
    switch (kind) {
    case Kind::AllDayEvent: return QRectF(5, y, std::max(0.0, width - 12), labelHeight);
    case Kind::Note: return QRectF(18, y, std::max(0.0, width - 20), labelHeight);
    case Kind::Other: break;
    }
    const double right = hasBadge ? width - badgeRoom : width;
    return QRectF(18, y, std::max(0.0, right - 20), labelHeight);
}

void FocusPaneItemView::setTask(const TaskPtr& task)
{
    m_task = task;
    m_taskLabel->setStringValue(task ? task->taskName() : QString());
    QColor color = Color::black();
    if (task && task->taskType() == 0) color = Color::white();
    else if (task && kindOf(*task) == Kind::Other && task->status() == 1) color = Color::gray();
    m_taskLabel->setTextColor(color);
    layoutLabel();
    setNeedsDisplay();
}

void FocusPaneItemView::resizeSubviewsWithOldSize(const QSizeF& oldSize)
{
    TableRowView::resizeSubviewsWithOldSize(oldSize);
    layoutLabel();
}

// The label is placed with the row's size and kind, not while drawing:
// moving a subview from inside a paint would ask for another paint.
void FocusPaneItemView::layoutLabel()
{
    const Kind kind = m_task ? kindOf(*m_task) : Kind::Other;
    m_taskLabel->setFrame(labelFrameFor(kind, bounds().width(), bounds().height(), !badgeName().isEmpty()));
}

void FocusPaneItemView::drawSelectionInRect(QPainter& painter, const QRectF&)
{
    painter.fillRect(QRectF(0, 0, bounds().width(), bounds().height() - 1), QColor(249, 251, 193));
}

void FocusPaneItemView::drawSeparatorInRect(QPainter& painter, const QRectF&)
{
    if (!m_task) return;
    const double width = bounds().width();
    const double height = bounds().height();
    const PaletteColor palette = paletteColorOf(*m_task);
    const Kind kind = kindOf(*m_task);
    if (kind == Kind::AllDayEvent) {
        const QImage band = UIUtilities::getTaskBackgroundImageNoGradient(
            Utilities::colorInGroup(palette.group, palette.color), 1, QSizeF(width - 5, height - 3), 6);
        Drawing::drawImage(painter, band, QRectF(QPointF(1, 1), QSizeF(width - 5, height - 3)));
        return;
    }
    const QColor shade = Utilities::getColorInGroupID(palette.group, palette.color, 1);
    const QSizeF iconSize(iconWidth, height);
    QImage icon;
    if (kind == Kind::Note) icon = UIUtilities::getIconForType(3, shade, iconSize);
    else if (m_task->status() == 1) icon = UIUtilities::getIconForType(1, false, true, shade, iconSize);
    else icon = UIUtilities::getIconForType(1, shade, iconSize);
    if (!icon.isNull()) {
        const QSizeF size = icon.deviceIndependentSize();
        Drawing::drawImage(painter, icon, QRectF(QPointF(5, std::round((height - size.height()) / 2)), size));
    }
    const QString badge = badgeName();
    if (badge.isEmpty()) return;
    const QImage image = badge == QLatin1String("ss_assigntome") ? NamedImages::imageNamed(QStringLiteral("ss_assigntome"))
                                                                  : NamedImages::imageNamed(QStringLiteral("ss_assignbyme"));
    if (image.isNull()) return;
    const QSizeF size = image.deviceIndependentSize();
    Drawing::drawImage(painter, image, QRectF(QPointF(width - badgeRoom, std::round((height - size.height()) / 2)), size));
}
