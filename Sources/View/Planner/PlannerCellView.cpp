#include "PlannerCellView.h"

#include "ActionLabelView.h"
#include "AlertObj.h"
#include "AlertPresenter.h"
#include "AlertResponse.h"
#include "Clock.h"
#include "CoreData.h"
#include "Event.h"
#include "Font.h"
#include "GregorianCalendar.h"
#include "KeyedArchive.h"
#include "MainViewAccess.h"
#include "Menu.h"
#include "MonthCalendarView.h"
#include "MonthCellView.h"
#include "MonthNavigation.h"
#include "MonthView.h"
#include "NotificationCenter.h"
#include "Notifications.h"
#include "../../Model/Notifications.h"
#include "PlannerBaseView.h"
#include "PlannerMonthView.h"
#include "PlannerWeekView.h"
#include "RepeatingEditQuestion.h"
#include "Setting.h"
#include "Task.h"
#include "TextField.h"
#include "TextTable.h"
#include "UIUtilities.h"
#include "Utilities.h"
#include "ZVWSync.h"

#include <QDateTime>
#include <QDebug>
#include <QMimeData>
#include <QTimeZone>

#include <cmath>

namespace {

const QColor kPlannerTodayColor(106, 149, 244);

SettingPtr plannerCellSetting()
{
    const CoreData* manager = CoreData::shared();
    return manager ? manager->currentSetting() : nullptr;
}

void postPlannerAutoSync()
{
    const SettingPtr setting = plannerCellSetting();
    if (setting && setting->autoZVWSync())
        NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kAutoSyncNotification, AutoSync::items);
}

TaskPtr plannerDropItem(const DraggingInfo& info)
{
    return PlannerCellView::itemForDrop(info.draggingPasteboard(), info.hasInApplicationSource());
}

bool isSeriesOrInstance(const Task& item)
{
    return (item.parentId() == -1 && item.repeatType() != 0) || item.primaryKey() < -1;
}

// The display zone and the item's own zone differ, and the item's is known.
bool zonesDiffer(const CoreData& manager, const Task& item)
{
    const SettingPtr setting = manager.currentSetting();
    const QString itemZone = manager.getTimeZoneName(item.tz());
    return !itemZone.isEmpty() && setting && itemZone != manager.getTimeZoneName(setting->currentTZ());
}

}  // namespace

PlannerCellView::PlannerCellView(const QRectF& frame, QWidget* parent) : CustomNSView(frame, parent)
{
    m_dayName = UIUtilities::getCommonTextFieldWithFrame(QRectF());
    m_dayName->setTextColor(Qt::gray);
    m_dayName->setTextFont(Font::fontWithName(QStringLiteral("Lucida Grande"), 13));
    m_dayName->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_dayName->setAttribute(Qt::WA_TransparentForMouseEvents);
    addSubview(m_dayName);
    m_day = new ActionLabelView(QRectF());
    m_day->setFont(Font::fontWithName(QStringLiteral("Lucida Grande Bold"), 13), Qt::AlignRight | Qt::AlignVCenter);
    m_day->setTextColor(Qt::darkGray);
    addSubview(m_day);
    DropTarget::registerForDraggedTypes(this, this, {KeyedArchive::mimeType});
    placeLabels();
}

PlannerCellView::~PlannerCellView() = default;

void PlannerCellView::setCellDate(const Date& date)
{
    if (date.isNull()) return;
    const Date midnight = Utilities::today(date);
    if (midnight == m_cellDate) return;
    m_cellDate = midnight;
    if (qobject_cast<PlannerWeekView*>(m_parentView) || qobject_cast<PlannerMonthView*>(m_parentView))
        m_day->addTarget(m_parentView, QVariant::fromValue(midnight.timeIntervalSince1970()));
}

void PlannerCellView::setTodayState(bool today)
{
    m_isToday = today;
    m_dayName->setDrawsBackground(today);
    m_dayName->setBackgroundColor(today ? kPlannerTodayColor : QColor(Qt::transparent));
    // Grey on the today blue can hardly be read: the band's words turn white.
    m_dayName->setTextColor(today ? QColor(Qt::white) : QColor(Qt::gray));
    paintDayNumber();
    placeLabels();
}

void PlannerCellView::setBlankInfo()
{
    m_dayName->setStringValue(QString());
    m_day->setStringValue(QString());
    setHidden(true);
}

void PlannerCellView::setDayName(const QString& name)
{
    m_dayName->setStringValue(QStringLiteral("   %1").arg(name));
}

void PlannerCellView::loadDayNumber()
{
    m_day->setStringValue(QString::number(Utilities::getDay(m_cellDate)));
    setHidden(false);
}

void PlannerCellView::grayOutDate(bool gray)
{
    m_isGrayedOut = gray;
    paintDayNumber();
}

void PlannerCellView::paintDayNumber()
{
    QColor color(m_isGrayedOut ? Qt::black : m_isToday ? Qt::white : Qt::darkGray);
    if (m_isGrayedOut) color.setAlphaF(0.1);
    m_day->setTextColor(color);
}

void PlannerCellView::resizeSubviewsWithOldSize(const QSizeF& oldSize)
{
    CustomNSView::resizeSubviewsWithOldSize(oldSize);
    placeLabels();
}

void PlannerCellView::placeLabels()
{
    const double w = width();
    m_day->setFrame(QRectF(0, 0, w, 23));
    const CoreData* manager = CoreData::shared();
    const bool selectedToday = m_isToday && manager && m_cellDate.isValid()
                               && Utilities::compareDateNoTime(m_cellDate, manager->currentSelectedDay()) == 0;
    m_dayName->setFrame(selectedToday ? QRectF(1.5, 1.5, w - 3, 21) : QRectF(0, 0, w, 23));
}

// ---- the menu and the new all-day event ------------------------------------------

Menu PlannerCellView::menuForEvent()
{
    const auto target = [cell = QPointer<PlannerCellView>(this)](const QString& action) -> std::function<void()> {
        if (action != QLatin1String("createNewADE:")) return {};
        return [cell] {
            if (cell) cell->createNewADE();
        };
    };
    return UIUtilities::createMenuForPlannerCell(target);
}

void PlannerCellView::rightMouseDown(const Event& event)
{
    menuForEvent().popUpAtPointAsync(this, convertPointFromWindow(event.locationInWindow));
}

void PlannerCellView::createNewADE()
{
    CoreData* manager = CoreData::shared();
    const SettingPtr setting = plannerCellSetting();
    if (!manager || !setting || m_cellDate.isNull()) return;
    auto event = std::make_shared<Task>();
    event->setTaskType(0);
    event->setTaskName(TextTable::localizedString(QStringLiteral("newEventText")));
    event->setIsADE(1);
    event->setStartTime(m_cellDate);
    event->setHasDuration(1);
    event->setDuration(setting->durationDefEventVal());
    // Seconds, not minutes: the event ends at 00:23:59 of its day.
    event->setEndTime(Utilities::newDateFromDate(m_cellDate, 1439));
    event->setRepeatStartDate(m_cellDate);
    event->setTz(setting->currentTZ());
    event->setPrevtz(setting->currentTZ());
    event->setLocalStartDate(event->startTime());
    event->setLocalEndDate(event->endTime());
    event->setPrevAllDay(event->isADE() != 0);
    if (!setting->defaultEventAlert().isEmpty()) event->setAlertValues(setting->defaultEventAlert());
    // Refused, the person is told and no editor opens on an event that is
    // not there.
    if (!manager->saveChangeFromView({}, [&] { return manager->addNewTask(event); }, window())) {
        qWarning() << "The new all-day event of a planner cell could not be added";
        return;
    }
    manager->setModifyingTask(event);
    MainViewAccess* mainView = MainViewAccess::current();
    if (!mainView) return;
    // The planner the event was made in opens it once the reload has placed it.
    View* owner = m_parentView;
    if (setting->isMonthPlannerPinned() && qobject_cast<PlannerMonthView*>(owner)) {
        mainView->setLoadingItem(event);
        mainView->setLoadingView(owner);
    } else if (setting->isWeekPlannerPinned()) {
        for (QObject* up = owner; up; up = up->parent())
            if (auto* week = qobject_cast<PlannerWeekView*>(up)) {
                mainView->setLoadingItem(event);
                mainView->setLoadingView(week->plannerPane());
                break;
            }
    }
}

// ---- drops ----------------------------------------------------------------------------

TaskPtr PlannerCellView::itemForDrop(const QMimeData& payload, bool fromThisProgram)
{
    if (!fromThisProgram || !payload.hasFormat(KeyedArchive::mimeType)) return nullptr;
    const TaskList items = Task::readItemsFromPasteboard(payload);
    const TaskPtr item = items.isEmpty() ? nullptr : items.front();
    return item && !item->isShared() ? item : nullptr;
}

bool PlannerCellView::ownerIsHourGrid() const
{
    return qobject_cast<WeeklyPane*>(m_parentView) != nullptr;
}

QSizeF PlannerCellView::dragImageSizeOf(const Task& item) const
{
    const auto* pane = qobject_cast<PlannerBaseView*>(m_parentView);
    QSizeF size;
    if (item.isADE()) {
        const qint64 days = std::max<qint64>(1, (item.duration() + 1) / 1440);
        size = QSizeF(double(days) * (pane ? pane->draggingSize().width() : width()), 20);
    } else if (pane) {
        size = pane->draggingSize();
    }
    if (size.width() <= 0) size.setWidth(width());
    if (size.height() < 20) size.setHeight(20);
    return size;
}

unsigned PlannerCellView::draggingEntered(const DraggingInfo& info)
{
    const TaskPtr item = plannerDropItem(info);
    if (!item) return DragOperationNone;
    QList<DraggingImageComponent> components;
    if (item->taskType() == 1 || item->taskType() == 3)
        components = item->draggingSmallImage();
    else
        components = item->draggingLargeImageInPlannerWithSize(dragImageSizeOf(*item), item->taskType());
    m_dragImage = components.isEmpty() ? QImage() : components.front().contents;
    return DragOperationGeneric;
}

unsigned PlannerCellView::draggingUpdated(const DraggingInfo& info)
{
    return plannerDropItem(info) ? DragOperationGeneric : DragOperationNone;
}

PlannerDropRules::DropTime PlannerCellView::dropTimeOf(const DraggingInfo& info) const
{
    // The image's lower-left corner in the cell, then in the owner; its top
    // edge is the image's height above.
    QPointF point = info.draggedImageLocation();
    if (m_parentView) point = mapTo(m_parentView, point.toPoint()) + (point - point.toPoint());
    const double height = info.draggedImageSize().isValid() ? info.draggedImageSize().height() : 0;
    return PlannerDropRules::dropTimeOfImageTop(point.y() - height);
}

bool PlannerCellView::performDragOperation(const DraggingInfo& info)
{
    using PlannerDropRules::Action;
    if (!info.hasInApplicationSource() || m_cellDate.isNull()) return false;
    selectDropDay();
    const TaskPtr item = plannerDropItem(info);
    if (!item) return false;
    const auto source = PlannerDropRules::sourceOf([&info](const char* name) { return info.sourceInherits(name); });
    const bool hourGrid = ownerIsHourGrid();
    bool done = true;
    switch (PlannerDropRules::dropAction(item->taskType(), item->isADE(), source, hourGrid)) {
    case Action::Fail: return false;
    case Action::MoveNote: done = changeNoteInfoByDrag(item); break;
    case Action::MoveDeadline: done = changeTaskInfoByDrag(item); break;
    case Action::MoveEventToDay: changeEventInfoByDrag(item); break;
    case Action::ScheduleOnHourGrid: done = convertTaskToSTaskByDrag(item, dropTimeOf(info)); break;
    case Action::MoveOnHourGrid: changeEventInfoByMoveInWeekPane(item, dropTimeOf(info)); break;
    case Action::NoChange: break;
    }
    if (!done) return false;
    NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kTaskChanged, static_cast<QObject*>(this));
    return true;
}

void PlannerCellView::selectDropDay()
{
    MainViewAccess* mainView = MainViewAccess::current();
    MonthView* panel = mainView ? mainView->monthView() : nullptr;
    MonthCalendarView* grid = panel ? panel->monthCalendarView() : nullptr;
    if (!grid) return;
    // The drop day becomes the one selected day: the mini month's shown date
    // (which its frame, title and the planners follow) with its current day
    // (which the day pane and quick add read), and the navigator's frame.
    // A drop on a day of the next month turns the month planner to it, as a
    // click on that day's number does.
    const Date day = m_cellDate;
    grid->setMonthDate(day);
    grid->setCurrentDay(day, false);
    if (MonthNavigation* navigator = mainView->monthNav()) navigator->frameSelectedDay();
}

bool PlannerCellView::changeNoteInfoByDrag(const TaskPtr& note)
{
    if (!MonthCellView::moveNoteToDay(note, m_cellDate, "The note dropped on a planner day could not be saved"))
        return false;
    postPlannerAutoSync();
    return true;
}

bool PlannerCellView::changeTaskInfoByDrag(const TaskPtr& task)
{
    const SettingPtr setting = plannerCellSetting();
    if (setting && setting->showWarningChangeDeadlineTask() != 0) {
        AlertRequest request;
        request.style = AlertStyle::Warning;
        request.messageText = TextTable::localizedString(QStringLiteral("changeDeadlineTaskText"));
        request.addButtonWithTitle(TextTable::localizedString(QStringLiteral("okText")));
        request.addButtonWithTitle(TextTable::localizedString(QStringLiteral("cancelText")));
        request.showsSuppressionButton = true;
        const AlertResponse answer = AlertPresenter::current().runModal(request);
        if (answer.suppressed) setting->setShowWarningChangeDeadlineTask(0);
        // The box's choice holds even when the drop is cancelled.
        setting->saveLocalSettings();
        if (answer.button != AlertResponse::firstButton) return false;
    }
    if (!MonthCellView::moveTaskToDay(task, m_cellDate, setting, "The task dropped on a planner day could not be saved"))
        return false;
    postPlannerAutoSync();
    return true;
}

bool PlannerCellView::convertTaskToSTaskByDrag(const TaskPtr& task, const PlannerDropRules::DropTime& time)
{
    CoreData* manager = CoreData::shared();
    if (!manager) return true;
    const Date start = Utilities::newDateOnDate(m_cellDate, time.hour, time.minute);
    // The data manager asks its own questions; the drop counts as done,
    // also when one was cancelled.
    if (!manager->runAskingCommandFromView([&] { return manager->convertTask2STask(task, start) != nullptr; }))
        qInfo() << "The task dropped on a planner day was not scheduled";
    return true;
}

void PlannerCellView::moveRepeatingEvent(const TaskPtr& event, const std::function<void()>& setTimes)
{
    CoreData* manager = CoreData::shared();
    const bool first = Utilities::compareDateNoTime(event->occurrence(), event->repeatStartDate()) == 0;
    const int answer = AlertPresenter::current().runModal(repeatingEditQuestion(event->isSheduledTask(), first)).button;
    if (answer != AlertResponse::firstButton && answer != AlertResponse::secondButton) return;
    const bool saved = manager->saveChangeFromView({event}, [&] {
        setTimes();
        if (answer == AlertResponse::firstButton) return manager->doEditOnlyThisOperatorWithEvent(event);
        return first ? manager->doEditAllOperatorWithEvent(event) : manager->doEditAllFutureOperatorWithEvent(event);
    });
    if (!saved) qWarning() << "The event dropped on a planner day could not be saved";
}

void PlannerCellView::changeEventInfoByMoveInWeekPane(const TaskPtr& event, const PlannerDropRules::DropTime& time)
{
    CoreData* manager = CoreData::shared();
    if (!manager) return;
    manager->recalculateTimeWithTimezoneSupport(event);
    const Date wall = Utilities::newDateOnDate(m_cellDate, time.hour, time.minute);
    if (event->tzStartTime() == wall) return;
    const auto setTimes = [manager, event, wall] {
        event->setStartTime(wall);
        event->setEndTime(Utilities::newDateFromDate(wall, double(event->duration()) * 60));
        manager->recalculateSaveTimeWithTimezoneSupport(event);
    };
    if (isSeriesOrInstance(*event)) return moveRepeatingEvent(event, setTimes);
    const bool saved = manager->saveChangeFromView({event}, [&] {
        setTimes();
        return event->parentId() == -1 ? manager->doEditAllOperatorWithEvent(event)
                                       : manager->doEditOnlyThisOperatorWithEvent(event);
    });
    if (!saved) qWarning() << "The event dropped on the hour grid could not be saved";
}

void PlannerCellView::changeEventInfoByDrag(const TaskPtr& event)
{
    CoreData* manager = CoreData::shared();
    if (!manager || Utilities::compareDateNoTime(event->startTime(), m_cellDate) == 0) return;
    const SettingPtr setting = manager->currentSetting();
    const bool otherZone = zonesDiffer(*manager, *event);
    const QTimeZone displayZone(setting ? manager->getTimeZoneName(setting->currentTZ()).toUtf8() : QByteArray());
    const Date cellDay = m_cellDate;
    const auto setTimes = [manager, event, cellDay, otherZone, displayZone] {
        Date start = Utilities::newDateOnDate(cellDay, event->startTime());
        // An event of another zone keeps its own time there: it moves by the
        // days between the day it shows on (in the display zone) and the day
        // it was dropped on. (Its own time of day taken as one of the display
        // zone would move it by the zones' difference.)
        const bool kept = otherZone && displayZone.isValid() && !event->isADE();
        if (kept) {
            manager->recalculateTimeWithTimezoneSupport(event);
            const Date shown = event->tzStartTime() ? event->tzStartTime() : event->startTime();
            const qint64 days = Utilities::daysBetweenTwoDates(shown, cellDay) - 1;
            const DateFields own = GregorianCalendar::fields(event->startTime());
            start = GregorianCalendar::dateFromFields(own.year, own.month, own.day + int(days), own.hour, own.minute, own.second);
        }
        event->setStartTime(start);
        double length = double(event->duration()) * 60;
        if (event->isADE()) length += 59;
        event->setEndTime(Utilities::newDateFromDate(start, length));
        if (!kept) manager->recalculateSaveTimeWithTimezoneSupport(event);
    };
    if (isSeriesOrInstance(*event)) return moveRepeatingEvent(event, setTimes);
    const bool saved = manager->saveChangeFromView({event}, [&] {
        setTimes();
        return event->parentId() == -1 ? manager->doEditAllOperatorWithEvent(event)
                                       : manager->doEditOnlyThisOperatorWithEvent(event);
    });
    if (!saved) qWarning() << "The event dropped on a planner day could not be saved";
}
