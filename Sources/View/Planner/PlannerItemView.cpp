#include "PlannerItemView.h"

#include "PlannerBaseView.h"
#include "PlannerMonthView.h"
#include "PlannerWeekView.h"

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
#include "VerticalNSTextFieldCell.h"

#include <QEvent>
#include <QPainter>

#include <cmath>

using PlannerItemRules::Edge;

const QColor PlannerItemView::highlightFill = QColor(248, 254, 202);

namespace {

constexpr double chipLabelLeft = 18;
constexpr double chipBadgeWidth = 20;
constexpr double chipBadgeInset = 18;
constexpr double chipIconLeft = 5;
constexpr double chipBarRadius = 6;

bool isAllDayEvent(const Task& task)
{
    return task.taskType() == 0 && task.isADE();
}

QString signedInUserName()
{
    const CoreData* manager = CoreData::shared();
    const SettingPtr setting = manager ? manager->currentSetting() : nullptr;
    return setting ? setting->zvwUserName() : QString();
}

// The kind's icon in a colour; a month of chips draws a few dozen
// different ones, so the pictures are shared between chips.
QImage chipIcon(qint64 type, bool scheduled, bool done, const QColor& color, const QSizeF& size)
{
    struct Look {
        qint64 type;
        bool scheduled, done;
        QRgb color;
        double width, height;
        bool operator==(const Look&) const = default;
    };
    static std::vector<std::pair<Look, QImage>> cache;
    constexpr size_t cacheSize = 64;
    const Look look{type, scheduled, done, color.rgba(), size.width(), size.height()};
    for (const auto& [cached, image] : cache)
        if (cached == look) return image;
    QImage image = type == 0 || done ? UIUtilities::getIconForType(type, scheduled, done, color, size)
                                     : UIUtilities::getIconForType(type, color, size);
    if (cache.size() >= cacheSize) cache.erase(cache.begin());
    cache.emplace_back(look, image);
    return image;
}

// The badges' pictures by their names, written out for the check that
// every looked-up picture exists.
QImage plannerBadgeImage(const QString& name)
{
    if (name == QLatin1String("ss_assigntome")) return NamedImages::imageNamed(QStringLiteral("ss_assigntome"));
    if (name == QLatin1String("ss_assignbyme")) return NamedImages::imageNamed(QStringLiteral("ss_assignbyme"));
    return QImage();
}

}  // namespace

PlannerItemView::PlannerItemView(const QRectF& frame, QWidget* parent) : PlannerBaseItem(frame, parent)
{
    resetTitle();
    // Drags over the chip reach it (to end its click window) and go on to
    // the cell under it.
    setAcceptDrops(true);
}

PlannerItemView::~PlannerItemView() = default;

void PlannerItemView::resetTitle()
{
    const QSizeF size = frame().size();
    setTitleColor(Qt::black);
    setTitleFont(Font::fontWithName(QStringLiteral("Lucida Grande"), listFontSize()));
    setTitleFrame(QRectF(5, 0, std::max(0.0, size.width() - 5), std::max(0.0, size.height() - 2)));
}

void PlannerItemView::prepareForReuse()
{
    PlannerBaseItem::prepareForReuse();
    resetTitle();
}

TextField* PlannerItemView::makeTaskNameLabel() const
{
    return UIUtilities::makeCommonTextFieldCenterVerticalWithFrame(title().frame);
}

void PlannerItemView::drawTitleText(QPainter& painter, const QRectF& bounds) const
{
    // As the label's painter draws it: a label's text area is one point in.
    const Title& name = title();
    VerticalNSTextFieldCell().drawTitle(painter, name.text, name.font, name.color, Qt::AlignLeft,
                                        bounds.adjusted(1, 1, -1, -1), bounds, isEnabled());
}

QString PlannerItemView::labelText(const QString& taskName)
{
    QString text = taskName;
    text.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    text.replace(QLatin1Char('\r'), QLatin1Char(' '));
    return text;
}

QString PlannerItemView::badgeName(const Task& task, const QString& userName)
{
    if (task.taskType() != 1) return QString();
    const bool mine = task.assigneeEmail().compare(userName, Qt::CaseInsensitive) == 0;
    if (task.delegateStatus() == 1) return mine ? QStringLiteral("ss_assigntome") : QStringLiteral("ss_assignbyme");
    if (!task.assigneeEmail().isEmpty() && !mine) return QStringLiteral("ss_assignbyme");
    return QString();
}

QString PlannerItemView::badge() const
{
    return task() ? badgeName(*task(), signedInUserName()) : QString();
}

void PlannerItemView::setTask(const TaskPtr& item)
{
    PlannerBaseItem::setTask(item);
    setTitleText(item ? labelText(item->taskName()) : QString());
    layoutLabel();
}

void PlannerItemView::setHighlight(bool highlight)
{
    PlannerBaseItem::setHighlight(highlight);
    layoutLabel();
}

void PlannerItemView::resizeSubviewsWithOldSize(const QSizeF& oldSize)
{
    PlannerBaseItem::resizeSubviewsWithOldSize(oldSize);
    layoutLabel();
}

void PlannerItemView::layoutLabel()
{
    const TaskPtr item = task();
    if (!item) return;
    const QSizeF size = frame().size();
    if (isAllDayEvent(*item)) {
        setTitleFont(Font::fontWithName(QStringLiteral("Lucida Grande Bold"), listFontSize()));
        setTitleColor(isHighlight() ? Color::white() : categoryColor(0));
        setTitleFrame(QRectF(5, 0, std::max(0.0, size.width() - 5), std::max(0.0, size.height() - 2)));
        return;
    }
    setTitleFont(Font::fontWithName(QStringLiteral("Lucida Grande"), listFontSize()));
    const bool done = item->taskType() == 1 && item->status() == 1;
    setTitleColor(done ? Color::gray() : Color::black());
    double width = size.width() - chipLabelLeft;
    if (!badge().isEmpty()) width -= chipBadgeWidth;
    setTitleFrame(QRectF(chipLabelLeft, title().frame.y(), std::max(0.0, width), size.height()));
}

void PlannerItemView::drawRect(QPainter& painter, const QRectF&)
{
    const TaskPtr item = task();
    const QRectF box = bounds();
    if (!item || box.isEmpty()) return;
    const bool allDay = isAllDayEvent(*item);
    if (isHighlight() && !allDay)
        painter.fillRect(QRectF(box.x() + 1, box.y(), box.width() - 2, box.height()), highlightFill);

    const QColor iconColor = categoryColor(1);
    const QSizeF iconSize(10, box.height());
    QImage icon;
    switch (item->taskType()) {
    case 1: icon = chipIcon(1, false, item->status() == 1, iconColor, iconSize); break;
    case 2:
    case 3: icon = chipIcon(3, false, false, iconColor, iconSize); break;
    default:
        if (!allDay) icon = chipIcon(0, item->isSheduledTask(), false, iconColor, iconSize);
        break;
    }
    if (!icon.isNull()) {
        const QSizeF drawn = icon.deviceIndependentSize();
        Drawing::drawImage(painter, icon,
                           QRectF(QPointF(chipIconLeft, std::round((box.height() - drawn.height()) / 2)), drawn));
    }

    if (const QString name = badge(); !name.isEmpty()) {
        const QImage image = plannerBadgeImage(name);
        if (!image.isNull()) {
            const QSizeF drawn = image.deviceIndependentSize();
            Drawing::drawImage(painter, image,
                               QRectF(QPointF(box.width() - chipBadgeInset, (box.height() - drawn.height()) / 2), drawn));
        }
    }

    if (allDay) {
        drawTint(painter, tintImage(isHighlight() ? 0.8 : 0.4, box.size(), chipBarRadius, false));
    }
    drawTitle(painter);
}

void PlannerItemView::mouseDragged(const Event& event)
{
    closeClickWindow();
    const TaskPtr item = task();
    // Only an all-day event's chip stretches; a shared one never does.
    if (!item || !isAllDayEvent(*item) || item->isShared()) return;
    if (movingEdge() == Edge::None) {
        autoscroll(event);
        return;
    }
    setCursorShape(CursorShape::ResizeLeftRight);
    const PlannerItemRules::EdgeDrag drag = PlannerItemRules::dragChipEdge(frame(), movingEdge(), event.deltaX);
    setMovingEdge(drag.moving);
    if (drag.frame != frame()) setFrame(drag.frame);
    setNeedsDisplay();
    autoscroll(event);
}

void PlannerItemView::changeStartEndTime()
{
    const TaskPtr item = task();
    PlannerBaseView* pane = parentView();
    if (!item || item->taskType() != 0) return;
    if (!pane || !pane->startDate().isValid()) {
        qWarning() << "A planner chip outside a pane has no days to take times on";
        return;
    }
    PlannerItemRules::ChipPlace place;
    place.monthPane = qobject_cast<PlannerMonthView*>(pane) != nullptr;
    place.frame = frame();
    place.itemWidth = pane->itemWidth();
    place.itemCellHeight = pane->itemCellHeight();
    place.startDate = pane->startDate();
    const PlannerItemRules::ItemTimes times =
        PlannerItemRules::chipTimes(place, movingEdge(), item->startTime(), item->endTime());
    item->setStartTime(times.start);
    item->setEndTime(times.end);
    item->setDuration(times.duration);
}

bool PlannerItemView::event(QEvent* event)
{
    if (event->type() == QEvent::DragEnter || event->type() == QEvent::DragLeave) {
        closeClickWindow();
        // Not taken: the cell under the chip decides about the drop.
        event->ignore();
        return false;
    }
    return PlannerBaseItem::event(event);
}
