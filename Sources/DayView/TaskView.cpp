#include "TaskView.h"

#include "RepeatingEditQuestion.h"

#include "AlertPresenter.h"
#include "Calendar.h"
#include "Clock.h"
#include "Color.h"
#include "CoreData.h"
#include "DetailViewController.h"
#include "ItemCommands.h"
#include "Drawing.h"
#include "Font.h"
#include "GregorianCalendar.h"
#include "MainViewAccess.h"
#include "NamedImages.h"
#include "NotificationCenter.h"
#include "Popover.h"
#include "Scheduler.h"
#include "ScrollView.h"
#include "Setting.h"
#include "Task.h"
#include "TextField.h"
#include "TextMeasure.h"
#include "TextTable.h"
#include "UIUtilities.h"
#include "Utilities.h"
#include "ZVWSync.h"
// The data manager's notification names (the shell has a file of the same name).
#include "../Model/Notifications.h"
#include "PaletteColor.h"

#include <QDebug>
#include <QGuiApplication>
#include <QHash>
#include <QMimeData>
#include <QPainter>
#include <QStyleHints>

#include <algorithm>
#include <cmath>

const QString TaskView::currentFontSizeChangedNotification = QStringLiteral("currentFontSizeChangedNotification.");

namespace {

constexpr double labelLeft = 5;
constexpr double scheduledLabelLeft = 17;  // right of the "ptask" mark
constexpr double labelTop = 0;
constexpr double labelHeightAtStart = 19;
constexpr double markWidth = 12;           // what the mark takes off the title's width
constexpr double edgeLineWidth = 3;
constexpr double fallbackFontSize = 13;

CalendarPtr categoryOf(const Task& task)
{
    const CoreData* dataManager = CoreData::shared();
    return dataManager ? dataManager->calendarWithPrimaryKey(task.calendarId()) : nullptr;
}

// A missing category draws in the first palette colour; ids the palette does
// not know are clamped to it, so every item gets a colour.
PaletteColor paletteColorOf(const Calendar* category)
{
    if (!category) return {};
    return {std::clamp<qint64>(category->colorGroupId(), 0, lastGroup),
            std::clamp<qint64>(category->colorNameId(), 0, lastColor)};
}

double doubleClickInterval()
{
    return QGuiApplication::styleHints()->mouseDoubleClickInterval() / 1000.0;
}

bool isSameDay(const Date& a, const Date& b)
{
    return Utilities::today(a) == Utilities::today(b);
}

// The time of day of a y of the grid's document: the hour of the line above
// it and the minutes cut down to a quarter. A y above the 0:00 line or below
// the 24:00 line counts as that line: the grid shows no other day.
struct HourAndMinute {
    qint64 hour = 0;
    qint64 minute = 0;
};
HourAndMinute timeOfY(double y)
{
    const double q = std::clamp((y - CalendarView::firstLineY) / CalendarView::hourHeight, 0.0, 24.0);
    const double hour = std::floor(q);
    const double minute = std::floor((q - hour) * 60 / 15) * 15;
    return {static_cast<qint64>(hour), static_cast<qint64>(minute)};
}

}  // namespace

TaskView::TaskView(const QRectF& frame, QWidget* parent) : View(frame, parent)
{
    m_initHeight = this->frame().height();
    m_taskNameLabel = new TextField(QRectF(labelLeft, labelTop, std::max(0.0, this->frame().width() - 5),
                                           labelHeightAtStart));
    m_taskNameLabel->setTextFont(Font::fontWithName(QStringLiteral("Lucida Grande Bold"), fontSize()));
    m_taskNameLabel->setEditable(false);
    m_taskNameLabel->setSelectable(false);
    m_taskNameLabel->setDrawsBackground(false);
    m_taskNameLabel->setBordered(false);
    m_taskNameLabel->setBezeled(false);
    m_taskNameLabel->setWraps(true);
    m_taskNameLabel->setFocusPolicy(Qt::NoFocus);
    // The title is part of the box: presses on it are the box's.
    m_taskNameLabel->setAttribute(Qt::WA_TransparentForMouseEvents);
    addSubview(m_taskNameLabel);
    setAcceptsFirstResponder(true);
    ensureTrackingArea();

    NotificationCenter::defaultCenter().addObserver(this, currentFontSizeChangedNotification, nullptr,
                                                    [this](const Notification&) { currentSizeChange(); });
}

TaskView::~TaskView()
{
    m_holdTimer.invalidate();
    m_singleClickTimer.invalidate();
    NotificationCenter::defaultCenter().removeObserver(this);
    if (m_detailViewController) NotificationCenter::defaultCenter().removeObserver(m_detailViewController);
}

double TaskView::fontSize()
{
    const CoreData* dataManager = CoreData::shared();
    const SettingPtr setting = dataManager ? dataManager->currentSetting() : nullptr;
    const double size = setting ? setting->currentFontSize() : 0;
    if (!std::isfinite(size) || size <= 0) {
        if (setting) qWarning() << "The list font size" << size << "is not a size; the titles use" << fallbackFontSize;
        return fallbackFontSize;
    }
    return size;
}

void TaskView::currentSizeChange()
{
    m_taskNameLabel->setTextFont(Font::fontWithName(QStringLiteral("Lucida Grande"), fontSize()));
}

QString TaskView::titleOfItem(const Task& task)
{
    if (task.taskLocation().isEmpty()) return task.taskName();
    return QStringLiteral("%1%2").arg(task.taskName(), QStringLiteral(" - %1").arg(task.taskLocation()));
}

void TaskView::setTask(const TaskPtr& task)
{
    m_task = task;
    if (!task) {
        qWarning() << "An item box was given no item";
        m_projectColor = Utilities::getColorInGroupID(0, 0, 0);
        m_taskNameLabel->setStringValue(QString());
    } else {
        const CalendarPtr category = categoryOf(*task);
        const PaletteColor palette = paletteColorOf(category.get());
        m_projectColor = Utilities::getColorInGroupID(palette.group, palette.color, 0);
        m_taskNameLabel->setStringValue(titleOfItem(*task));
    }
    layoutLabel();
    updateLabelColor();
    setNeedsDisplay();
}

void TaskView::setHighlight(bool highlight)
{
    if (m_highlight == highlight) return;
    m_highlight = highlight;
    updateLabelColor();
    setNeedsDisplay();
}

void TaskView::setIsSquareBox(bool isSquareBox)
{
    m_isSquareBox = isSquareBox;
    layoutLabel();
    setNeedsDisplay();
}

void TaskView::setUncoveredHeight(double height)
{
    if (height == m_uncoveredHeight) return;
    m_uncoveredHeight = height;
    layoutLabel();
}

void TaskView::updateLabelColor()
{
    m_taskNameLabel->setTextColor(m_highlight ? Color::white() : m_projectColor);
}

void TaskView::resizeSubviewsWithOldSize(const QSizeF& oldSize)
{
    View::resizeSubviewsWithOldSize(oldSize);
    layoutLabel();
}

// A scheduled task's event box keeps room on the left for its mark; an event
// box leaves a margin at the bottom, a piece runs its title to the bottom.
void TaskView::layoutLabel()
{
    if (!m_taskNameLabel) return;
    const bool marked = m_task && m_task->taskType() == 0 && m_task->isSheduledTask();
    const QSizeF size = frame().size();
    double width = size.width() - 10;
    double height = size.height();
    if (m_isSquareBox) {
        height -= 4;
        if (marked) width -= markWidth;
    }
    // The title keeps above the box drawn over this one: its first line
    // whole (that box's tint may lie over the foot of it), ending in "…"
    // when more is cut, and no further line under that box.
    if (m_uncoveredHeight > 0)
        height = std::min(height, std::max(m_uncoveredHeight - labelTop,
                                           TextMeasure::lineHeight(m_taskNameLabel->textFont())));
    m_taskNameLabel->setFrame(QRectF(marked ? scheduledLabelLeft : labelLeft, labelTop, std::max(0.0, width),
                                     std::max(0.0, height)));
}

QImage TaskView::imageRepresentative()
{
    return snapshot();
}

void TaskView::popupEditDetail()
{
    if (!m_task) return;
    if (!m_detailViewController) m_detailViewController = new DetailViewController(this);
    m_detailViewController->editTask(m_task, this);
}

void TaskView::popupLinkDetail()
{
    if (!m_task) return;
    if (!m_detailViewController) m_detailViewController = new DetailViewController(this);
    m_detailViewController->detailLink(m_task, this);
    becomeFirstResponder();
}

QRectF TaskView::trackRect(bool bottom) const
{
    const QRectF box = bounds();
    if (bottom) return QRectF(box.x(), box.height() - edgeStripHeight, box.width(), edgeStripHeight);
    return QRectF(box.x(), 0, box.width(), edgeStripHeight);
}

void TaskView::ensureTrackingArea()
{
    if (m_startTrackingArea) removeTrackingRect(m_startTrackingArea);
    if (m_endTrackingArea) removeTrackingRect(m_endTrackingArea);
    const unsigned options = TrackCursorUpdate | TrackMouseEnteredAndExited;
    m_startTrackingArea = addTrackingRect(trackRect(false), 0, options);
    m_endTrackingArea = addTrackingRect(trackRect(true), 1, options);
}

void TaskView::updateTrackingAreas()
{
    ensureTrackingArea();
}

void TaskView::cursorUpdate(const Event&)
{
    setCursorShape(CursorShape::ResizeUpDown);
}

void TaskView::mouseExited(const Event&)
{
    if (!m_isStartTimeMoving && !m_isEndTimeMoving) setCursorShape(CursorShape::Arrow);
}

void TaskView::drawRect(QPainter& painter, const QRectF&)
{
    const CalendarPtr category = m_task ? categoryOf(*m_task) : nullptr;
    const PaletteColor palette = paletteColorOf(category.get());
    const double alpha = m_highlight ? 0.8 : 0.4;
    const QRectF box = bounds();
    if (box.isEmpty()) return;

    if (m_isSquareBox) {
        const bool seeThrough = (category && category->isTransparent()) ||
                                (m_task && m_task->isShared() && m_task->delegateStatus() != 1);
        if (seeThrough) {
            const QImage pattern = NamedImages::imageNamed(QStringLiteral("transparent_pattern"));
            if (!pattern.isNull()) painter.fillRect(box, QBrush(pattern));
        }
    }
    const double radius = m_isSquareBox ? 0 : 8;
    // Drawn again only when its look changes: a repaint of the grid then
    // costs a copy per box.
    const BackgroundKey key{box.size(), palette.group, palette.color, alpha, radius, m_highlight};
    BackgroundKey sameLookOtherHeight = key;
    sameLookOtherHeight.size.setHeight(m_backgroundKey.size.height());
    const bool edgeDragged = m_isStartTimeMoving || m_isEndTimeMoving;
    if (edgeDragged && !m_background.isNull() && sameLookOtherHeight == m_backgroundKey) {
        // While an edge moves, the picture of the press is stretched to the
        // box (plainly, the gradient runs from top to bottom anyway); the
        // box's own picture is made again once the edge is let go.
        painter.save();
        painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
        painter.drawImage(QRectF(QPointF(0, 0), box.size()), m_background);
        painter.restore();
    } else if (!(key == m_backgroundKey) || m_background.isNull()) {
        m_background = UIUtilities::getTaskBackgroundImage(Utilities::colorInGroup(palette.group, palette.color), alpha,
                                                           box.size(), radius, m_highlight);
        m_backgroundKey = key;
    }
    // At its own size: the picture was made for the box, and drawing it into
    // the box's fractional rectangle would scale it (and hand the scaling to
    // Qt's worker threads) at every repaint.
    if (!m_background.isNull() && key == m_backgroundKey) painter.drawImage(QPointF(0, 0), m_background);
    if (m_isSquareBox && m_task && m_task->isSheduledTask()) {
        const QImage mark = NamedImages::imageNamed(QStringLiteral("ptask"));
        if (!mark.isNull()) Drawing::drawImage(painter, mark, QRectF(QPointF(3, 2), mark.deviceIndependentSize()));
    }

    if (m_isStartTimeMoving || m_isEndTimeMoving) {
        const double inset = m_isSquareBox ? 0 : 8;
        const double y = m_isStartTimeMoving ? 0 : box.height();
        painter.save();
        painter.setPen(QPen(Qt::black, edgeLineWidth));
        painter.drawLine(QPointF(inset, y), QPointF(box.width() - inset, y));
        painter.restore();
    }
}

// ---- mouse and keys ---------------------------------------------------------

void TaskView::mouseDown(const Event& event)
{
    if (event.hasModifier(ControlKeyMask)) {
        rightMouseDown(event);
        return;
    }
    const QPointer<TaskView> alive(this);
    becomeFirstResponder();
    const QPointF point = convertPointFromWindow(event.locationInWindow);
    bool middle = false;
    if (trackRect(false).contains(point)) {
        m_isStartTimeMoving = true;
        m_edgePressFrame = frame();
        setNeedsDisplay();
    } else if (trackRect(true).contains(point)) {
        m_isEndTimeMoving = true;
        m_edgePressFrame = frame();
        setNeedsDisplay();
    } else {
        middle = true;
        if (m_parentView) m_parentView->selectTask(this);
        if (!alive) return;
    }

    const double now = Clock::now().timeIntervalSince1970();
    if (m_lastMouseDown == 0) {
        m_lastMouseDown = now;
        m_singleClickTimer.invalidate();
        const QPointer<TaskView> box(this);
        m_singleClickTimer = Scheduler::current().scheduleTimer(doubleClickInterval(), false, [box] {
            if (box) box->handleSingleClick();
        });
    } else if (now - m_lastMouseDown <= doubleClickInterval()) {
        handleDoubleClick();
        if (!alive) return;
    }

    if (MainViewAccess* mainView = MainViewAccess::current()) mainView->clearHighlightExcept(this);
    if (!alive) return;

    m_holdTimer.invalidate();
    if (event.clickCount <= 1 && middle) {
        const QPointer<TaskView> box(this);
        m_holdTimer = Scheduler::current().scheduleTimer(holdInterval, false, [box, event] {
            if (box) box->beginDrag(event);
        });
    }
}

void TaskView::handleSingleClick()
{
    m_lastMouseDown = 0;
}

void TaskView::handleDoubleClick()
{
    m_lastMouseDown = 0;
    m_singleClickTimer.invalidate();
    m_holdTimer.invalidate();
    popupEditDetail();
}

void TaskView::beginDrag(const Event& mouseDown)
{
    m_holdTimer.invalidate();
    m_lastMouseDown = 0;
    if (!m_task) return;
    auto payload = std::make_unique<QMimeData>();
    Task::writeItemsToPasteboard(*payload, TaskList{m_task});
    const QImage image = imageRepresentative();
    if (image.isNull()) {
        qWarning() << "An item box without a picture is not dragged";
        return;
    }
    const double imageHeight = image.deviceIndependentSize().height();
    if (m_parentView) {
        m_parentView->setDraggingSize(QSizeF(draggingWidth, imageHeight));
        m_parentView->draggingTask(this);
    }
    DragSource::beginDrag(this, this, std::move(payload), image, QPointF(0, imageHeight), mouseDown,
                          draggingSourceOperationMask());
}

void TaskView::draggingEnded(const QPointF&, unsigned operation)
{
    // Dropped nowhere: the grid lays the box out where it was.
    if (operation == DragOperationNone && m_parentView) m_parentView->reloadDataWithNewBoxes();
}

void TaskView::mouseDragged(const Event& event)
{
    m_lastMouseDown = 0;
    if (m_task && m_task->isShared()) return;  // shared items are never resized

    ScrollView* scrollView = m_parentView ? m_parentView->scrollView() : nullptr;
    if (!m_isStartTimeMoving && !m_isEndTimeMoving) {
        if (scrollView) scrollView->autoscroll(event);
        return;
    }
    // The document is flipped: a drag downward is a positive dy there.
    const double dy = -event.deltaY;
    const QRectF box = frame();
    const double top = box.y();
    const double bottom = box.y() + box.height();
    setCursorShape(CursorShape::ResizeUpDown);
    if (m_isStartTimeMoving) {
        const double newTop = top + dy;
        if (newTop >= bottom) {
            m_isStartTimeMoving = false;
            m_isEndTimeMoving = true;
        } else if (newTop < 0) {
            setFrame(QRectF(box.x(), 0, box.width(), bottom));
        } else {
            setFrame(QRectF(box.x(), newTop, box.width(), box.height() - dy));
        }
    } else {
        const double newBottom = bottom + dy;
        if (top >= newBottom) {
            m_isEndTimeMoving = false;
            m_isStartTimeMoving = true;
        } else if (newBottom > CalendarView::documentHeight) {
            setFrame(QRectF(box.x(), top, box.width(), CalendarView::documentHeight - top));
        } else {
            setFrame(QRectF(box.x(), top, box.width(), box.height() + dy));
        }
    }
    setNeedsDisplay();
    if (scrollView) scrollView->autoscroll(event);
}

void TaskView::mouseUp(const Event&)
{
    m_holdTimer.invalidate();
    if (!m_isStartTimeMoving && !m_isEndTimeMoving) return;

    // A press on an edge that moved nothing, and any edge press on a shared
    // item, changes nothing and asks nothing.
    const bool moved = frame() != m_edgePressFrame;
    if (!moved || !m_task || m_task->isShared()) {
        endEdgeDrag();
        return;
    }
    const QPointer<TaskView> alive(this);
    applyEdgeDrag();
    if (!alive) return;
    endEdgeDrag();
    // The rebuilt boxes show the stored times, so a cancelled change snaps back.
    NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kTaskChanged, static_cast<QObject*>(this));
}

void TaskView::endEdgeDrag()
{
    m_isStartTimeMoving = false;
    m_isEndTimeMoving = false;
    ensureTrackingArea();
    setCursorShape(CursorShape::Arrow);
    setNeedsDisplay();
}

void TaskView::applyEdgeDrag()
{
    CoreData* dataManager = CoreData::shared();
    if (!dataManager) return;
    const TaskPtr item = m_task;
    if (item->taskType() == 1) {
        // A piece: the task's duration grows or shrinks by the change of the
        // piece's height, in whole quarters of an hour.
        const double minutes = item->duration() + (frame().height() - m_initHeight) / CalendarView::hourHeight * 60;
        const qint64 duration = static_cast<qint64>(std::floor(minutes / 15) * 15);
        // Refused, the task keeps its duration and the person is told; the
        // rebuilt boxes show it again.
        if (!dataManager->saveChangeFromView({item}, [&] {
                if (duration <= 0) item->setHasDuration(0);
                item->setDuration(std::max<qint64>(duration, 0));
                return item->dehydrate();
            })) {
            qWarning() << "The new duration of item" << item->primaryKey() << "could not be saved";
            return;
        }
        const SettingPtr setting = dataManager->currentSetting();
        if (setting && setting->autoZVWSync())
            NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kAutoSyncNotification,
                                                                                 AutoSync::items);
        return;
    }
    if (item->taskType() != 0) return;

    const bool repeating = (item->parentId() == -1 && item->repeatType() != 0) || item->primaryKey() <= -2;
    if (repeating) {
        applyEdgeDragToRepeatingEvent();
        return;
    }
    if (!dataManager->saveChangeFromView({item}, [&] {
            changeStartEndTime();
            dataManager->recalculateSaveTimeWithTimezoneSupport(item);
            return dataManager->doEditOnlyThisOperatorWithEvent(item);
        }))
        qWarning() << "The new times of item" << item->primaryKey() << "could not be saved";
}

bool TaskView::applyEdgeDragToRepeatingEvent()
{
    const bool scheduled = m_task->isSheduledTask();
    const bool first = isSameDay(m_task->occurrence(), m_task->repeatStartDate());
    const AlertRequest request = repeatingEditQuestion(scheduled, first);

    // Timers keep firing while the alert is open: the item is held here, and
    // the box is not read again if it went meanwhile.
    const TaskPtr item = m_task;
    const QPointer<TaskView> alive(this);
    const int answer = AlertPresenter::current().runModal(request).button;
    if (answer != AlertResponse::firstButton && answer != AlertResponse::secondButton) return false;
    if (!alive) return false;

    CoreData* dataManager = CoreData::shared();
    if (!dataManager) return false;
    const bool saved = dataManager->saveChangeFromView({item}, [&] {
        changeStartEndTime();
        dataManager->recalculateSaveTimeWithTimezoneSupport(item);
        if (answer == AlertResponse::firstButton) return dataManager->doEditOnlyThisOperatorWithEvent(item);
        return first ? dataManager->doEditAllOperatorWithEvent(item) : dataManager->doEditAllFutureOperatorWithEvent(item);
    });
    if (!saved) qWarning() << "The new times of item" << item->primaryKey() << "could not be saved";
    return saved;
}

void TaskView::changeStartEndTime()
{
    if (!m_task) return;
    if (!m_parentView) {
        qWarning() << "An item box outside a day grid has no day to take times on";
        return;
    }
    const Date day = m_parentView->shownDay();
    if (!day.isValid()) {
        qWarning() << "The day grid shows no day; the item keeps its times";
        return;
    }
    const QRectF box = frame();

    // The box stands at the item's times in the display zone; the save turns
    // them back into its own zone's.
    const Date shownStart = m_task->tzStartTime() ? m_task->tzStartTime() : m_task->startTime();
    const Date shownEnd = m_task->tzEndTime() ? m_task->tzEndTime() : m_task->endTime();
    const HourAndMinute start = timeOfY(box.y());
    Date startTime = Utilities::newDateOnDate(day, start.hour, start.minute);
    // A box at 0:00 whose item began on an earlier day keeps that start.
    if (start.hour == 0 && start.minute == 0 && shownStart.isValid() && Utilities::today(shownStart) < day)
        startTime = shownStart;

    const HourAndMinute end = timeOfY(box.y() + box.height());
    Date endTime = Utilities::newDateOnDate(day, end.hour, end.minute);
    // One at 24:00 whose item ends on a later day keeps that end.
    if (end.hour == 24 && shownEnd.isValid() && Utilities::today(shownEnd) > day) endTime = shownEnd;

    // An edge the drag left at its time keeps the instant it stood at: rebuilt
    // from its clock time, one in the repeated hour of an autumn change could
    // become the other of the two, and the item would move by an hour.
    const auto sameClock = [](const Date& a, const Date& b) {
        const DateFields x = GregorianCalendar::fields(a), y = GregorianCalendar::fields(b);
        return x.year == y.year && x.month == y.month && x.day == y.day && x.hour == y.hour && x.minute == y.minute
               && x.second == y.second;
    };
    if (shownStart.isValid() && startTime.isValid() && sameClock(startTime, shownStart)) startTime = shownStart;
    if (shownEnd.isValid() && endTime.isValid() && sameClock(endTime, shownEnd)) endTime = shownEnd;

    qint64 duration = static_cast<qint64>(endTime.timeIntervalSinceDate(startTime) / 60);
    if (duration <= 0) {
        endTime = startTime.dateByAddingTimeInterval(3600);
        duration = 60;
    }
    m_task->setStartTime(startTime);
    m_task->setEndTime(endTime);
    m_task->setDuration(duration);
}

void TaskView::rightMouseDown(const Event& event)
{
    const QPointer<TaskView> alive(this);
    if (m_parentView) m_parentView->selectTask(this);
    if (!alive || !m_task) return;
    const Menu menu = UIUtilities::createMenuForTaskWithTarget(
        [box = QPointer<TaskView>(this)](const QString& action) -> std::function<void()> {
            return box ? box->commandForAction(action) : std::function<void()>();
        },
        m_task);
    menu.popUpAtPointAsync(this, convertPointFromWindow(event.locationInWindow));
}

Menu TaskView::menuForEvent(const Event&)
{
    if (!m_highlight || !m_task) return Menu();
    return UIUtilities::createMenuForTaskWithTarget(
        [box = QPointer<TaskView>(this)](const QString& action) -> std::function<void()> {
            return box ? box->commandForAction(action) : std::function<void()>();
        },
        m_task);
}

// The commands of the box for the item menu's rows.
std::function<void()> TaskView::commandForAction(const QString& action)
{
    using Command = void (TaskView::*)();
    static const QHash<QString, Command> commands = {
        {QStringLiteral("editTask:"), &TaskView::popupEditDetail},
        {QStringLiteral("addPrimaryNote:"), &TaskView::popupLinkDetail},
        {QStringLiteral("selectDone:"), &TaskView::selectDone},
        {QStringLiteral("duplicateTask:"), &TaskView::duplicateTask},
        {QStringLiteral("deleteTask:"), &TaskView::applyDelete},
        {QStringLiteral("doToday:"), &TaskView::doToday},
        {QStringLiteral("doNextWeek:"), &TaskView::doNextWeek},
        {QStringLiteral("doNextMonth:"), &TaskView::doNextMonth},
        {QStringLiteral("copyToMakeLink:"), &TaskView::copyToMakeLink},
        {QStringLiteral("pasteToMakeLink:"), &TaskView::pasteToMakeLink},
    };
    const Command command = commands.value(action);
    if (!command) return {};
    const QPointer<TaskView> box(this);
    return [box, command] {
        if (box) (box.data()->*command)();
    };
}

void TaskView::keyDown(const Event& event)
{
    if (event.firstCharacterIgnoringModifiers() == KeyCharacter::Delete) {
        if (m_highlight) applyDelete();
        return;
    }
    View::keyDown(event);
}

void TaskView::applyDelete()
{
    // Timers keep firing while an alert is open: the item is held here.
    TaskPtr item = m_task;
    ItemCommands::applyDelete(item, this, ItemCommands::FutureButton::AsEvents);
}

void TaskView::selectDone()
{
    ItemCommands::toggleDone(m_task, this);
}

void TaskView::duplicateTask()
{
    ItemCommands::duplicate(m_task);
}

void TaskView::doToday()
{
    ItemCommands::doToday(m_task);
}

void TaskView::doNextWeek()
{
    ItemCommands::doNextWeek(m_task);
}

void TaskView::doNextMonth()
{
    ItemCommands::doNextMonth(m_task);
}

void TaskView::copyToMakeLink()
{
    m_lastMouseDown = 0;
    ItemCommands::copyToMakeLink(m_task);
}

void TaskView::pasteToMakeLink()
{
    m_lastMouseDown = 0;
    ItemCommands::pasteToMakeLink(m_task);
}
