#include "MonthCellView.h"

#include "AlertObj.h"
#include "AlertPresenter.h"
#include "AlertResponse.h"
#include "Common.h"
#include "CoreData.h"
#include "Event.h"
#include "Font.h"
#include "GregorianCalendar.h"
#include "ImageView.h"
#include "KeyedArchive.h"
#include "MainViewAccess.h"
#include "MonthCalendarView.h"
#include "MonthGridRules.h"
#include "MonthView.h"
#include "NotificationCenter.h"
#include "Notifications.h"
#include "../../Model/Notifications.h"
#include "RepeatingEditQuestion.h"
#include "Setting.h"
#include "Task.h"
#include "TextField.h"
#include "Transaction.h"
#include "UIUtilities.h"
#include "Utilities.h"
#include "ZVWSync.h"
#include "iCalSync.h"

#include <QDebug>
#include <QMimeData>

#include <QPainter>
#include <QPainterPath>

namespace {

QImage dueDotImage()
{
    QImage image(6, 6, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(255, 0, 0));
    painter.drawRoundedRect(QRectF(0, 0, 6, 6), 3, 3);
    return image;
}

const QColor kTodayLabelColor(106, 149, 244);

}  // namespace

MonthCellView::MonthCellView(const QRectF& frame, QWidget* parent) : CustomNSView(frame, parent)
{
    m_dayLabel = UIUtilities::makeCommonTextFieldCenterVerticalWithFrame(QRectF(0.5, 0, 36, 13));
    m_dayLabel->setTextFont(Font::fontWithName(QStringLiteral("Lucida Grande"), 10));
    m_dayLabel->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_dayLabel->setFocusPolicy(Qt::NoFocus);
    addSubview(m_dayLabel);
    m_dotView = new ImageView(QRectF(21, 4, 6, 6), this);
    m_dotView->setImage(dueDotImage());
    m_dotView->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_dotView->hide();
    setFreeRatio(0);
    DropTarget::registerForDraggedTypes(this, this, {KeyedArchive::mimeType});
}

MonthCellView::~MonthCellView() = default;

bool MonthCellView::inNavigator() const
{
    return m_parentView && m_parentView->isNavMonth();
}

void MonthCellView::setCellPosition(int row, int column)
{
    m_cellRow = row;
    m_cellCol = column;
}

void MonthCellView::setCellDate(const Date& date)
{
    if (date.isNull()) return;
    const Date midnight = Utilities::today(date);
    if (midnight == m_cellDate) return;
    m_cellDate = midnight;
    const int day = GregorianCalendar::fields(midnight).day;
    m_dayLabel->setStringValue(inNavigator() ? QStringLiteral(" %1").arg(day) : QString::number(day));
}

void MonthCellView::setType(int type)
{
    if (type == m_type) return;
    m_type = type;
    if (type == 1) {
        m_dayLabel->setFrame(QRectF(6, 6, 20, 20));
        m_dayLabel->setTextFont(Font::fontWithName(QStringLiteral("Lucida Grande Bold"), 10));
        m_dayLabel->setTextColor(Common::weekMonthViewColor());
        refreshLabelLook();
    } else {
        m_dayLabel->setFrame(QRectF(0.5, 0, width(), 13));
        m_dayLabel->setTextFont(Font::fontWithName(QStringLiteral("Lucida Grande"), 10));
    }
}

void MonthCellView::setHasDot(bool hasDot)
{
    m_hasDot = hasDot;
    refreshLabelLook();
    update();
}

void MonthCellView::setGray(bool gray)
{
    m_gray = gray;
    refreshLabelLook();
}

void MonthCellView::setFreeRatio(double ratio)
{
    m_freeRatio = ratio;
    const int grey = MonthGridRules::greyOfRatio(ratio);
    setBackgroundColor(QColor(grey, grey, grey));
}

void MonthCellView::setWeekNumber(int number)
{
    if (m_type != 1) return;
    m_dayLabel->setStringValue(QString::number(number));
}

bool MonthCellView::isToday() const
{
    if (m_cellDate.isNull()) return false;
    const CoreData* manager = CoreData::shared();
    const SettingPtr setting = manager ? manager->currentSetting() : nullptr;
    const Date now = setting ? Utilities::getCurrentDate(setting->tzSupport(), manager->appRootTZ(), setting->currentTZ())
                             : Utilities::getCurrentDate(false, 0, 0);
    return Utilities::today(now) == m_cellDate;
}

void MonthCellView::resizeSubviewsWithOldSize(const QSizeF& oldSize)
{
    CustomNSView::resizeSubviewsWithOldSize(oldSize);
    if (m_type == 0) m_dayLabel->setFrame(QRectF(0.5, 0, width(), 13));
}

void MonthCellView::refreshLabelLook()
{
    if (m_type == 0) {
        const bool today = isToday() && !m_gray;
        m_dayLabel->setDrawsBackground(today);
        if (today) m_dayLabel->setBackgroundColor(kTodayLabelColor);
        QColor text(Qt::black);
        if (m_gray) text.setAlphaF(0.5);
        m_dayLabel->setTextColor(text);
        m_dotView->setHidden(!m_hasDot);
    } else {
        m_dayLabel->setDrawsBackground(false);
        m_dotView->hide();
    }
}

void MonthCellView::drawRect(QPainter& painter, const QRectF&)
{
    if (m_cellType == 12 && backgroundColor().isValid()) {
        // Aliased, so the half-point margin leaves the grid's lines showing.
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.fillRect(QRectF(0.5, 0.5, width() - 1, height() - 1), backgroundColor());
    }
}

void MonthCellView::mouseDown(const Event&)
{
    if (m_type == 1 || !m_parentView || m_cellDate.isNull()) return;
    MonthCalendarView* grid = m_parentView;
    // The cell may show another day once the stack has moved: keep this one.
    const Date date = m_cellDate;
    const bool gray = m_gray;
    if (!inNavigator()) {
        if (!grid->setCurrentDay(date)) {
            if (MonthView* panel = grid->parentView()) panel->showMonthTitleWithDay(true);
        } else {
            grid->reloadData();
        }
        return;
    }
    NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kClearSelectedNavigatorMonth,
                                                                         static_cast<QObject*>(this));
    MainViewAccess* mainView = MainViewAccess::current();
    MonthView* mainPanel = mainView ? mainView->monthView() : nullptr;
    MonthCalendarView* mainGrid = mainPanel ? mainPanel->monthCalendarView() : nullptr;
    if (mainGrid) mainGrid->setMonthDate(date);
    if (gray)
        grid->setNavigatorSelectedDayInSiblingMonth(date);
    else
        grid->drawSelectedDate(date, false);
    if (mainView && mainView->isPlannerExpand() && mainGrid) {
        mainGrid->setCurrentDay(date, false);
        mainGrid->setMonthDate(date);
        mainView->reloadPlannerView(false);
    }
}

// ---- drops ----------------------------------------------------------------

namespace {

constexpr qint64 monthDropEvent = 0;
constexpr qint64 monthDropTask = 1;
constexpr qint64 monthDropChecklistItem = 2;
constexpr qint64 monthDropNote = 3;

TaskPtr monthDropItemOf(const DraggingInfo& info)
{
    return MonthCellView::itemForDrop(info.draggingPasteboard(), info.hasInApplicationSource());
}

bool isRepeatingSeriesOrInstance(const Task& item)
{
    return (item.parentId() == -1 && item.repeatType() != 0) || item.primaryKey() <= -2;
}

void postAutoSyncOfItems()
{
    const CoreData* manager = CoreData::shared();
    const SettingPtr setting = manager ? manager->currentSetting() : nullptr;
    if (setting && setting->autoZVWSync())
        NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kAutoSyncNotification, AutoSync::items);
}

}  // namespace

TaskPtr MonthCellView::itemForDrop(const QMimeData& payload, bool fromThisProgram)
{
    if (!fromThisProgram || !payload.hasFormat(KeyedArchive::mimeType)) return nullptr;
    const TaskList items = Task::readItemsFromPasteboard(payload);
    const TaskPtr item = items.isEmpty() ? nullptr : items.front();
    if (!item || item->taskType() == monthDropChecklistItem || item->isShared()) return nullptr;
    return item;
}

unsigned MonthCellView::draggingEntered(const DraggingInfo& info)
{
    if (m_type != 0 || !m_parentView || m_cellDate.isNull()) return DragOperationNone;
    const TaskPtr item = monthDropItemOf(info);
    if (!item) return DragOperationNone;
    // The frame follows the pointer.
    if (inNavigator()) {
        NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kClearSelectedNavigatorMonth,
                                                                             static_cast<QObject*>(this));
        if (m_gray)
            m_parentView->drawOnlyNavigatorSelectedDayInSiblingMonth(m_cellDate);
        else
            m_parentView->drawSelectedDate(m_cellDate, false);
    } else {
        m_parentView->drawSelectedDate(m_cellDate, true);
    }
    const QList<DraggingImageComponent> components = item->draggingSmallImage();
    m_dragImage = components.isEmpty() ? QImage() : components.front().contents;
    return DragOperationGeneric;
}

unsigned MonthCellView::draggingUpdated(const DraggingInfo& info)
{
    if (m_type != 0 || !m_parentView) return DragOperationNone;
    return monthDropItemOf(info) ? DragOperationGeneric : DragOperationNone;
}

bool MonthCellView::performDragOperation(const DraggingInfo& info)
{
    if (m_type != 0 || !m_parentView || m_cellDate.isNull()) return false;
    const TaskPtr item = monthDropItemOf(info);
    if (!item) return false;
    // The cell may show another day once the stack has moved: keep this one.
    const Date date = m_cellDate;
    const bool gray = m_gray;
    switch (item->taskType()) {
    case monthDropTask: changeTaskInfoByDrag(item); break;
    case monthDropEvent: changeEventInfoByDrag(item); break;
    case monthDropNote: changeNoteInfoByDrag(item); break;
    default: return false;
    }
    // Whatever the rule did, also after a cancelled question, the day is selected.
    MainViewAccess* mainView = MainViewAccess::current();
    MonthView* mainPanel = mainView ? mainView->monthView() : nullptr;
    MonthCalendarView* mainGrid = mainPanel ? mainPanel->monthCalendarView() : (inNavigator() ? nullptr : m_parentView);
    if (mainGrid) mainGrid->setMonthDate(date);
    if (CoreData* manager = CoreData::shared()) manager->setCurrentSelectedDay(date);
    if (mainGrid) mainGrid->setCurrentDay(date);
    if (inNavigator() && gray) m_parentView->setNavigatorSelectedDayInSiblingMonth(date);
    NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kTaskChanged, static_cast<QObject*>(this));
    return true;
}

bool MonthCellView::changeTaskInfoByDrag(const TaskPtr& task)
{
    const CoreData* manager = CoreData::shared();
    if (!moveTaskToDay(task, m_cellDate, manager ? manager->currentSetting() : nullptr,
                       "The task dropped on the month could not be saved"))
        return false;
    postAutoSyncOfItems();
    return true;
}

bool MonthCellView::moveTaskToDay(const TaskPtr& task, const Date& day, const SettingPtr& setting,
                                  const char* failureText)
{
    CoreData* manager = CoreData::shared();
    if (!manager || !task) return false;
    iCalSync* sync = manager->icalSync();
    const bool saved = manager->saveChangeFromView({task}, [&] {
        if (task->hasDue() && task->dueEnd().isValid()) {
            const Date oldDue = task->dueEnd();
            const Date newDue = Utilities::newDateOnDate(day, Utilities::getHour(oldDue), Utilities::getMinute(oldDue));
            task->setDueEnd(newDue);
            if (task->startTime().isValid())
                task->setStartTime(Utilities::newDateFromDate(task->startTime(), newDue.timeIntervalSinceDate(oldDue)));
        } else {
            task->setHasDue(1);
            const Date due = Setting::workingEndOnDay(day, setting ? setting->dayManagers() : QVariantMap());
            task->setDueEnd(due);
            if (task->startTime().isValid() && due < task->startTime()) task->setStartTime(due);
            auto alert = std::make_shared<AlertObj>();
            alert->setAlertType(1);
            alert->setRelativeOffset(-172800);
            alert->setSoundName(QString());
            task->updateAlertList({alert});
        }
        // Marked in the unit of the move: no kill leaves the move saved but
        // unmarked, and the store hears of it only once it is kept.
        if (sync) {
            iCalSync::markStoreWriteDue(task);
            Transaction::afterCommitOrNow([sync, task] { sync->backgroundOneWaySyncUpdateToICalTask(task, 0); });
        }
        return task->dehydrate();
    });
    if (!saved) qWarning() << failureText;
    return saved;
}

bool MonthCellView::changeEventInfoByDrag(const TaskPtr& event)
{
    CoreData* manager = CoreData::shared();
    if (!manager || Utilities::compareDateNoTime(event->startTime(), m_cellDate) == 0) return true;
    const Date cellDay = m_cellDate;
    auto move = [&event, cellDay] {
        const Date start = Utilities::newDateOnDate(cellDay, event->startTime());
        event->setStartTime(start);
        event->setEndTime(start.dateByAddingTimeInterval(double(event->duration()) * 60));
    };
    if (!isRepeatingSeriesOrInstance(*event)) {
        // The move and its save are one unit: a refused save leaves the
        // event where it was.
        const bool saved = manager->saveChangeFromView({event}, [&] {
            move();
            return event->parentId() != -1 ? manager->doEditOnlyThisOperatorWithEvent(event)
                                           : manager->doEditAllOperatorWithEvent(event);
        });
        if (!saved) qWarning() << "The event dropped on the month could not be saved";
        return saved;
    }
    const bool first = Utilities::today(event->occurrence()) == Utilities::today(event->repeatStartDate());
    const int answer = AlertPresenter::current().runModal(repeatingEditQuestion(event->isSheduledTask(), first)).button;
    if (answer != AlertResponse::firstButton && answer != AlertResponse::secondButton) return false;
    const bool saved = manager->saveChangeFromView({event}, [&] {
        move();
        if (answer == AlertResponse::firstButton) return manager->doEditOnlyThisOperatorWithEvent(event);
        return first ? manager->doEditAllOperatorWithEvent(event) : manager->doEditAllFutureOperatorWithEvent(event);
    });
    if (!saved) qWarning() << "The event dropped on the month could not be saved";
    return saved;
}

bool MonthCellView::moveNoteToDay(const TaskPtr& note, const Date& day, const char* failureText)
{
    CoreData* manager = CoreData::shared();
    if (!manager || !note) return false;
    const Date start = note->startTime();
    const bool saved = manager->saveChangeFromView({note}, [&] {
        note->setStartTime(Utilities::newDateOnDate(day, start.isValid() ? Utilities::getHour(start) : 0,
                                                    start.isValid() ? Utilities::getMinute(start) : 0));
        return note->dehydrate();
    });
    if (!saved) qWarning() << failureText;
    return saved;
}

bool MonthCellView::changeNoteInfoByDrag(const TaskPtr& note)
{
    if (!moveNoteToDay(note, m_cellDate, "The note dropped on the month could not be saved")) return false;
    // Notes stay out of the calendar store.
    postAutoSyncOfItems();
    return true;
}
