#include "TimeManagerView.h"

#include "Calendar.h"
#include "Clock.h"
#include "CoreData.h"
#include "ImageView.h"
#include "MainViewAccess.h"
#include "NamedImages.h"
#include "NotificationCenter.h"
#include "../SharedUI/Notifications.h"
#include "Scheduler.h"
#include "Setting.h"
#include "Task.h"
#include "TextTable.h"
#include "UIUtilities.h"
#include "Utilities.h"

#include <QDateTime>
#include <QDebug>
#include <QTimeZone>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

constexpr double sketchLeft = 55;
constexpr double sketchWidth = 187;
constexpr qint64 sketchMinimumHeight = 23;
constexpr double minimumGap = 2;                  // points between the edges while dragging
constexpr double minimumHours = 0.0333333;        // the end after a start past it: 2 minutes later
constexpr double plannerColumnsLeft = 60;         // a week planner's columns begin right of its hour labels
constexpr qint64 minutesPerDay = 1440;

CoreData* sharedDataManager()
{
    return CoreData::shared();
}

SettingPtr settings()
{
    const CoreData* manager = sharedDataManager();
    return manager ? manager->currentSetting() : nullptr;
}

Date nowInShownZone()
{
    const CoreData* manager = sharedDataManager();
    const SettingPtr setting = settings();
    if (!manager || !setting) return Utilities::getCurrentDate(false, 0, 0);
    return Utilities::getCurrentDate(setting->tzSupport() != 0, manager->appRootTZ(), setting->currentTZ());
}

// Minutes after midnight of a stored working hour; a missing or unusable
// entry is the default of its kind, a value outside the day is held to it.
qint64 storedMinutes(const QVariantMap& hours, const QString& key, qint64 fallback)
{
    const QVariant value = hours.value(key);
    bool ok = false;
    const double minutes = value.toDouble(&ok);
    if (!value.isValid() || !ok || !std::isfinite(minutes)) {
        if (value.isValid()) qWarning() << "Unusable working hours under" << key << "; the default is used";
        return fallback;
    }
    if (minutes < 0 || minutes > minutesPerDay) {
        qWarning() << "Working hours under" << key << "lie outside the day:" << minutes;
        return std::clamp<qint64>(qint64(minutes), 0, minutesPerDay);
    }
    return qint64(minutes);
}

// Whole minutes of a time in hours; a hair is added so that 18.5 computed
// as 18.4999999 still counts as 18:30.
qint64 minutesOfHours(double hours)
{
    const double whole = std::floor(hours);
    return qint64(whole) * 60 + qint64(std::floor((hours - whole) * 60 + 1e-6));
}

// The day of a week planner's column: calendar days from its first day, so
// that a clock change inside the week puts no column on the day before.
Date plannerColumnDay(const Date& firstDay, qint64 column)
{
    if (!firstDay) return firstDay;
    const QDateTime first = QDateTime::fromSecsSinceEpoch(firstDay.wholeSecondsSince1970(), QTimeZone::systemTimeZone());
    return Date::dateWithTimeIntervalSince1970(double(first.addDays(column).toSecsSinceEpoch()));
}

}  // namespace

TimeManagerHost::~TimeManagerHost() = default;
void TimeManagerHost::showEventSketch(const QImage&, const QRectF&) {}
void TimeManagerHost::hideEventSketch() {}
Date TimeManagerHost::startDate() const
{
    return {};
}
double TimeManagerHost::itemWidth() const
{
    return 0;
}
void TimeManagerHost::drawDraggingEvent(const TaskPtr&, qint64, qint64, double, double) {}
void TimeManagerHost::clearDraggingEvent() {}

TimeManagerView::TimeManagerView(const QRectF& frame, QWidget* parent) : View(frame, parent)
{
    const QImage handle = NamedImages::imageNamed(QStringLiteral("dragaable"));
    const QString tip = TextTable::localizedString(QStringLiteral("changeHourTooltip"));
    for (ImageView** view : {&m_startImageView, &m_endImageView}) {
        *view = new ImageView(QRectF(0, -50, handleWidth, handleHeight), this);
        (*view)->setImage(handle);
        (*view)->setToolTip(tip);
        // Presses on a handle are the band's: it starts the edge drag.
        (*view)->setAttribute(Qt::WA_TransparentForMouseEvents);
    }
    placeHandles();
    resetData();
}

TimeManagerView::~TimeManagerView()
{
    m_startTimer.invalidate();
}

QColor TimeManagerView::shadeColor()
{
    QColor color;
    color.setRgbF(175.0 / 255, 175.0 / 255, 175.0 / 255, 0.7f);
    return color;
}

double TimeManagerView::startTime() const
{
    return m_startTime / hourHeight() - 0.5;
}

void TimeManagerView::setStartTime(double hours)
{
    m_startTime = (hours + 0.5) * hourHeight();
    placeHandles();
}

double TimeManagerView::endTime() const
{
    return m_endTime / hourHeight() - 0.5;
}

void TimeManagerView::setEndTime(double hours)
{
    m_endTime = (hours + 0.5) * hourHeight();
    placeHandles();
}

void TimeManagerView::setIsActive(bool active)
{
    if (m_isActive == active) return;
    m_isActive = active;
    placeHandles();
    ensureTrackingArea();
    update();
}

double TimeManagerView::nowHours() const
{
    if (!m_parentView) return 0;
    const Date now = nowInShownZone();
    if (Utilities::today(now) != Utilities::today(m_parentView->shownDay())) return 0;
    const CoreData* manager = sharedDataManager();
    const SettingPtr setting = settings();
    if (!manager || !setting) return Utilities::getCurrentHour(false, 0, 0, Date());
    return Utilities::getCurrentHour(setting->tzSupport() != 0, manager->appRootTZ(), setting->currentTZ(), Date());
}

void TimeManagerView::resetData()
{
    if (!m_parentView || !isDayGrid() || !m_isActive) return;
    const SettingPtr setting = settings();
    const Date day = m_parentView->shownDay();
    const qint64 weekday = Utilities::getWeekday(day);
    const QStringList& keys = Setting::dayManagerKeys();
    const QVariantMap hours = setting ? setting->dayManagers() : QVariantMap();
    const qint64 startMinutes = storedMinutes(hours, keys.value(weekday - 1), Setting::defaultWorkStartMinutes);
    const qint64 endMinutes = storedMinutes(hours, keys.value(weekday + 6), Setting::defaultWorkEndMinutes);

    const double now = nowHours();
    const double start = double(startMinutes / 60) + double(startMinutes % 60) / 60;
    const double end = double(endMinutes / 60) + double(endMinutes % 60) / 60;
    setStartTime(std::max(start, now));
    setEndTime(end);
    if (startTime() > endTime()) setEndTime(startTime() + minimumHours);
    m_minStart = (now + 0.5) * dayGridHourHeight;
    m_maxEnd = maxEndPoint;

    m_startTimer.invalidate();
    const QPointer<TimeManagerView> band(this);
    m_startTimer = Scheduler::current().scheduleTimer(clockInterval, true, [band] {
        if (band) band->resizeWithTime();
    });
    m_today = nowInShownZone();
    placeHandles();
    update();
}

void TimeManagerView::resizeWithTime()
{
    if (!isDayGrid()) return;
    const double now = nowHours();
    m_minStart = (0.5 + now) * dayGridHourHeight;
    if (now > startTime()) {
        setStartTime(now);
    } else {
        const Date current = nowInShownZone();
        if (m_today.isValid() && Utilities::today(m_today) >= Utilities::today(current)) return;
        // A new day: the band and the main view load again, once. An
        // inactive band renews its day too, so later ticks of the same day
        // do not reload the main view again.
        if (m_isActive)
            resetData();
        else
            m_today = current;
        if (MainViewAccess* mainView = MainViewAccess::current()) mainView->reloadData();
    }
    if (startTime() > endTime()) m_endTime = m_startTime + 1;
    placeHandles();
    update();
}

QRectF TimeManagerView::trackRect(bool end) const
{
    const QRectF b = bounds();
    if (end) return QRectF(b.x(), m_endTime, b.width(), stripHeight);
    return QRectF(b.x(), m_startTime - stripHeight, b.width(), stripHeight);
}

void TimeManagerView::ensureTrackingArea()
{
    if (m_startTrackingArea) removeTrackingRect(m_startTrackingArea);
    if (m_endTrackingArea) removeTrackingRect(m_endTrackingArea);
    m_startTrackingArea = 0;
    m_endTrackingArea = 0;
    if (!m_isActive) return;
    m_startTrackingArea = addTrackingRect(trackRect(false), 0, TrackCursorUpdate);
    m_endTrackingArea = addTrackingRect(trackRect(true), 1, TrackCursorUpdate);
}

void TimeManagerView::updateTrackingAreas()
{
    ensureTrackingArea();
}

void TimeManagerView::cursorUpdate(const Event&)
{
    if (m_isActive) setCursorShape(CursorShape::ResizeUpDown);
}

void TimeManagerView::placeHandles()
{
    const bool shown = isDayGrid() && m_isActive;
    m_startImageView->setHidden(!shown);
    m_endImageView->setHidden(!shown);
    if (!shown) return;
    const double x = bounds().width() - 20;
    m_startImageView->setFrame(QRectF(x, m_startTime - 8, handleWidth, handleHeight));
    m_endImageView->setFrame(QRectF(x, m_endTime + 3, handleWidth, handleHeight));
}

void TimeManagerView::drawRect(QPainter& painter, const QRectF&)
{
    const QRectF b = bounds();
    if (isDayGrid()) {
        if (!m_isActive) return;
        painter.fillRect(QRectF(0, 0, b.width(), m_startTime), shadeColor());
        painter.fillRect(QRectF(0, m_endTime, b.width(), b.height() - m_endTime), shadeColor());
    }
    if (m_isStartTimeMoving || m_isEndTimeMoving) {
        const double y = m_isStartTimeMoving ? m_startTime : m_endTime;
        painter.setPen(QPen(Qt::black, 2));
        painter.drawLine(QPointF(0, y), QPointF(b.width(), y));
    }
}

TimeManagerView::QuarterHour TimeManagerView::quarterHourAt(double y) const
{
    const double pitch = hourHeight();
    const double offset = isDayGrid() ? 23 : 23.5;
    QuarterHour q;
    if (!std::isfinite(y)) return q;
    const double hours = std::clamp((y - offset) / pitch, -24.0, 48.0);
    q.hour = qint64(std::floor(hours));
    q.minute = qint64(std::floor((hours - std::floor(hours)) * 60)) / 15 * 15;
    q.pointY = qint64(std::lround((double(q.minute) / 60 + double(q.hour)) * pitch + offset));
    return q;
}

TaskPtr TimeManagerView::newEventAt(const Date& start, qint64 minutes) const
{
    auto item = std::make_shared<Task>();
    item->setTaskType(0);
    item->setTaskName(TextTable::localizedString(QStringLiteral("untitledText")));
    const SettingPtr setting = settings();
    if (setting && !setting->defaultEventAlert().isEmpty()) item->setAlertValues(setting->defaultEventAlert());
    item->setStartTime(start);
    item->setHasDuration(1);
    item->setDuration(minutes);
    item->setEndTime(start.dateByAddingTimeInterval(double(minutes) * 60));
    item->setRepeatStartDate(start);
    // Both ways of making an event give it the shown zone, so both follow
    // the time-zone setting alike.
    if (setting) item->setTz(setting->currentTZ());
    item->setPrevtz(item->tz());
    item->setLocalStartDate(item->startTime());
    item->setLocalEndDate(item->endTime());
    item->setPrevAllDay(item->isADE() != 0);
    return item;
}

void TimeManagerView::insertNewEvent(const TaskPtr& item)
{
    CoreData* manager = sharedDataManager();
    if (!manager) {
        qWarning() << "No data manager: the new event is not made";
        return;
    }
    manager->setModifyingTask(item);
    if (!manager->addNewTask()) {
        qWarning() << "The new event could not be stored";
        CoreData::tellChangeNotSaved(window());
        return;
    }
    if (MainViewAccess* mainView = MainViewAccess::current()) {
        mainView->setLoadingItem(item);
        mainView->setLoadingView(m_parentView ? m_parentView->hostObject() : nullptr);
    }
}

void TimeManagerView::mouseDown(const Event& event)
{
    const QPointF p = convertPointFromWindow(event.locationInWindow);
    if (m_isActive && isDayGrid()) {
        if (trackRect(false).contains(p)) {
            m_isStartTimeMoving = true;
            update();
            return;
        }
        if (trackRect(true).contains(p)) {
            m_isEndTimeMoving = true;
            update();
            return;
        }
    }
    m_startPoint = p;
    const bool inside = p.x() > 0 && p.x() < bounds().width();
    if (inside) {
        const QuarterHour q = quarterHourAt(p.y());
        m_savedHour = q.hour;
        m_savedMin = q.minute;
        m_savedPointY = q.pointY;
    }
    const CoreData* manager = sharedDataManager();
    const SettingPtr setting = settings();
    m_defaultCal = manager && setting ? manager->calendarWithPrimaryKey(setting->calendarDefID()) : nullptr;
    if (!isDayGrid()) {
        m_draggingTask = std::make_shared<Task>();
        m_draggingTask->setTaskType(0);
        m_draggingTask->setTaskName(TextTable::localizedString(QStringLiteral("untitledText")));
    }
    if (event.clickCount <= 1) return;

    m_draggingTask = nullptr;
    if (!inside || !m_parentView) return;
    Date day;
    if (isDayGrid()) {
        day = m_parentView->shownDay();
    } else {
        const double width = m_parentView->itemWidth();
        const double column = width > 0 ? std::trunc((p.x() - plannerColumnsLeft) / width) : 0;
        day = plannerColumnDay(m_parentView->startDate(), qint64(column));
    }
    const Date start = Utilities::newDateOnDate(day, m_savedHour, m_savedMin);
    insertNewEvent(newEventAt(start, setting ? setting->durationDefEventVal() : 0));
}

void TimeManagerView::mouseDragged(const Event& event)
{
    // The band is flipped: a drag downward is a positive dy here.
    const double dy = -event.deltaY;
    if (m_isStartTimeMoving) {
        setCursorShape(CursorShape::ResizeUpDown);
        m_startTime = std::min(std::max(m_startTime + dy, m_minStart), m_endTime - minimumGap);
        placeHandles();
        update();
        return;
    }
    if (m_isEndTimeMoving) {
        setCursorShape(CursorShape::ResizeUpDown);
        m_endTime = std::max(std::min(m_endTime + dy, m_maxEnd), m_startTime + minimumGap);
        placeHandles();
        update();
        return;
    }
    sketch(convertPointFromWindow(event.locationInWindow));
}

void TimeManagerView::sketch(const QPointF& p)
{
    if (!m_parentView) return;
    const QuarterHour q = quarterHourAt(p.y());
    m_endHour = q.hour;
    m_endMin = q.minute;
    m_endPointY = q.pointY;
    const qint64 m1 = m_savedHour * 60 + m_savedMin;
    const qint64 m2 = m_endHour * 60 + m_endMin;
    const bool upward = m_endPointY < m_savedPointY;
    const double pitch = hourHeight();
    m_height = std::max<qint64>(sketchMinimumHeight, qint64(double(std::abs(m1 - m2)) * pitch / 60));

    if (isDayGrid()) {
        const Calendar* category = m_defaultCal.get();
        const ColorObject color =
            Utilities::colorInGroup(category ? category->colorGroupId() : 0, category ? category->colorNameId() : 0);
        const QImage image =
            UIUtilities::getTaskBackgroundImageFlipped(color, 1.0, QSizeF(sketchWidth, double(m_height)), 0, true);
        const double top = double(upward ? m_endPointY : m_savedPointY);
        m_parentView->showEventSketch(image, QRectF(sketchLeft, top, sketchWidth, double(m_height)));
    } else {
        m_endPoint = p;
        if (!m_draggingTask) return;
        const QPointF upper = upward ? p : m_startPoint;
        const QPointF lower = upward ? m_startPoint : p;
        const double width = m_parentView->itemWidth();
        const auto columnOf = [width](double x) {
            return width > 0 ? qint64(std::trunc((x - plannerColumnsLeft) / width)) : 0;
        };
        const qint64 first = std::max<qint64>(0, columnOf(upper.x()));
        const qint64 last = std::min<qint64>(6, columnOf(lower.x()));
        const qint64 upperMinutes = upward ? m2 : m1;
        const qint64 lowerMinutes = upward ? m1 : m2;
        const Date start = Utilities::newDateOnDate(
            plannerColumnDay(m_parentView->startDate(), first), upperMinutes / 60,
            upperMinutes % 60);
        const qint64 duration = (last - first) * minutesPerDay + (lowerMinutes - upperMinutes);
        m_draggingTask->setStartTime(start);
        m_draggingTask->setDuration(duration);
        m_draggingTask->setHasDuration(1);
        m_draggingTask->setEndTime(start.dateByAddingTimeInterval(double(duration) * 60));
        m_draggingTask->setRepeatStartDate(start);
        m_parentView->drawDraggingEvent(m_draggingTask, first, last, double(upward ? m_endPointY : m_savedPointY),
                                        double(m_height));
    }
    m_drawEvent = true;
}

void TimeManagerView::saveDraggedEdge()
{
    const SettingPtr setting = settings();
    if (!setting || !m_parentView) {
        qWarning() << "No settings: the working hours are not saved";
        return;
    }
    const qint64 weekday = Utilities::getWeekday(m_parentView->shownDay());
    const QStringList& keys = Setting::dayManagerKeys();
    QVariantMap hours = setting->dayManagers();
    if (m_isStartTimeMoving) hours.insert(keys.value(weekday - 1), minutesOfHours(startTime()));
    if (m_isEndTimeMoving) hours.insert(keys.value(weekday + 6), minutesOfHours(endTime()));
    setting->setDayManagers(hours);
}

void TimeManagerView::mouseUp(const Event&)
{
    if (m_isStartTimeMoving || m_isEndTimeMoving) {
        if (isDayGrid()) saveDraggedEdge();
        m_isStartTimeMoving = false;
        m_isEndTimeMoving = false;
        if (const SettingPtr setting = settings(); setting && !setting->saveDayManagerDictionary())
            qWarning() << "The working hours could not be written";
        ensureTrackingArea();
        setCursorShape(CursorShape::Arrow);
        NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kTimeManagerChanged,
                                                                             static_cast<QObject*>(this));
        update();
        return;
    }
    if (!m_drawEvent) return;
    finishSketch();
}

void TimeManagerView::finishSketch()
{
    m_drawEvent = false;
    if (!m_parentView) return;
    if (isDayGrid()) {
        m_parentView->hideEventSketch();
        const qint64 m1 = m_savedHour * 60 + m_savedMin;
        const qint64 m2 = m_endHour * 60 + m_endMin;
        const qint64 upper = std::min(m1, m2);
        const qint64 lower = std::max(m1, m2);
        // Hours as the quarter hours were read: floor division keeps a start
        // above the 0:00 line on the day before.
        const qint64 hour = upper >= 0 ? upper / 60 : -((-upper + 59) / 60);
        const Date start = Utilities::newDateOnDate(m_parentView->shownDay(), hour, upper - hour * 60);
        insertNewEvent(newEventAt(start, lower - upper));
        return;
    }
    const TaskPtr item = m_draggingTask;
    m_draggingTask = nullptr;
    if (!item) return;
    const SettingPtr setting = settings();
    if (setting && !setting->defaultEventAlert().isEmpty()) item->setAlertValues(setting->defaultEventAlert());
    if (setting) item->setTz(setting->currentTZ());
    item->setPrevtz(item->tz());
    item->setLocalStartDate(item->startTime());
    item->setLocalEndDate(item->endTime());
    item->setPrevAllDay(item->isADE() != 0);
    m_parentView->clearDraggingEvent();
    insertNewEvent(item);
}
