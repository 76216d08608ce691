#include "CalendarView.h"
#include "MoreItemsButton.h"

#include "Calendar.h"
#include "Clock.h"
#include "CoreData.h"
#include "CurrentTimeIndicatorView.h"
#include "CustomNSView.h"
#include "DraggingImageComponent.h"
#include "AlertPresenter.h"
#include "Event.h"
#include "KeyedArchive.h"
#include "NotificationCenter.h"
#include "Popover.h"
#include "GregorianCalendar.h"
#include "ImageView.h"
#include "MainViewAccess.h"
#include "MonthCalendarView.h"
#include "Scheduler.h"
#include "ScrollView.h"
#include "Setting.h"
#include "Task.h"
#include "TaskLinkLine.h"
#include "TaskView.h"
#include "RepeatingEditQuestion.h"
#include "TextField.h"
#include "TextTable.h"
#include "TimeLineView.h"
#include "TimeManagerView.h"
#include "RecordGuard.h"
#include "Transaction.h"
#include "Utilities.h"

#include <QDate>
#include <QDebug>
#include <QHash>
#include <QMultiHash>
#include <QMimeData>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <deque>
#include <limits>
#include <utility>

namespace {

constexpr double timeLineInterval = 60;
constexpr int daysWithPlan = 7;  // today and the six days after it

CoreData* dataManager()
{
    return CoreData::shared();
}

// A day as the layout compares days: year, month and day, as the texts
// "%02ld-%02ld-%02ld" of the two dates would compare.
qint64 dayNumber(const Date& date)
{
    const DateFields f = GregorianCalendar::fields(date);
    return qint64(f.year) * 10000 + f.month * 100 + f.day;
}

double hoursIntoDay(const Date& date)
{
    const DateFields f = GregorianCalendar::fields(date);
    return f.hour + f.minute / 60.0;
}

// The shown day's distance from today, in calendar days (a day of a
// daylight-saving change counts as one day like any other).
qint64 daysFromToday(const Date& day, const Date& today)
{
    const DateFields a = GregorianCalendar::fields(today);
    const DateFields b = GregorianCalendar::fields(day);
    return QDate(a.year, a.month, a.day).daysTo(QDate(b.year, b.month, b.day));
}

// 00:00 of the day `days` calendar days away.
Date dayOffsetBy(const Date& day, int days)
{
    const DateFields f = GregorianCalendar::fields(day);
    return GregorianCalendar::dateFromFields(f.year, f.month, f.day + days, 0, 0, 0);
}

Date currentDateInShownZone()
{
    const CoreData* manager = dataManager();
    const SettingPtr setting = manager ? manager->currentSetting() : nullptr;
    if (!manager || !setting) return Utilities::getCurrentDate(false, 0, 0);
    return Utilities::getCurrentDate(setting->tzSupport() != 0, manager->appRootTZ(), setting->currentTZ());
}

// The one key an item's boxes share: an instance of a repeating item
// counts as its series.
qint64 seriesKeyOf(const Task& item)
{
    return item.primaryKey() > 0 ? item.primaryKey() : item.parentId();
}

// What a box stands for across reloads: a stored item by its key, an
// occurrence of a series (a key made up anew at each expansion) by its
// series and the second it occurs.
QPair<qint64, qint64> boxIdentityOf(const Task& item)
{
    if (item.primaryKey() > 0) return {item.primaryKey(), std::numeric_limits<qint64>::min()};
    return {-item.parentId(), qint64(std::floor(item.occurrence().timeIntervalSince1970()))};
}

}  // namespace

CalendarView::CalendarView(const QRectF& frame, QWidget* parent) : View(frame, parent)
{
    m_scrollView = new ScrollView(QRectF(1, 0, frame.width() - 2, frame.height()), this);
    m_scrollView->setHasVerticalScroller(true);
    m_scrollView->setAutoresizingMask(ViewHeightSizable);
    const double width = ScrollView::contentWidthForFrameWidth(frame.width() - 2, true);

    m_contentView = new CustomNSView(QRectF(0, 0, width, documentHeight));
    m_contentView->setBackgroundColor(Qt::white);
    m_contentView->setAutoresizingMask(ViewWidthSizable);

    const bool uses24 = Utilities::use24HourClock();
    for (int i = 0; i < rowCount; ++i) {
        auto* row = new TimeLineView(QRectF(0, hourHeight * i, width, hourHeight), m_contentView);
        row->setTag(i + 1);
        row->setLineColor(Qt::black);
        row->setPatternType(i < rowCount - 1 ? TimeLineView::HourAndHalfHour : TimeLineView::HourOnly);
        row->setAutoresizingMask(ViewWidthSizable);
        row->timeLabel()->setStringValue(hourLabel(i, uses24));
        m_timeCellList.push_back(row);
    }

    m_currentIndicatorView = new CurrentTimeIndicatorView(QRectF(timeMarkerLeft, -10, width - 5, 10), m_contentView);
    m_currentIndicatorView->setAutoresizingMask(ViewWidthSizable);

    // The band lies under every box: it is the document's first view after
    // the rows, and boxes are added after it.
    m_timeManagerView = new TimeManagerView(QRectF(boxLeft, 0, width - boxLeft, documentHeight), m_contentView);
    m_timeManagerView->setAutoresizingMask(ViewWidthSizable);
    m_timeManagerView->setParentView(this);

    m_imageEventView = new ImageView(QRectF(), m_contentView);
    m_imageEventView->setHidden(true);
    m_dragPreviewView = new ImageView(QRectF(), m_contentView);
    m_dragPreviewView->setHidden(true);
    DropTarget::registerForDraggedTypes(this, this, {KeyedArchive::mimeType});

    m_scrollView->setDocumentView(m_contentView);
    scrollToCurrentTime();
}

CalendarView::~CalendarView()
{
    m_timeLineTimer.invalidate();
}

TaskView* CalendarView::selectedItem() const
{
    return m_selectedItem;
}

void CalendarView::setSelectedItem(TaskView* box)
{
    m_selectedItem = box;
}

double CalendarView::documentWidth() const
{
    return m_contentView->frame().width();
}

Date CalendarView::shownDay() const
{
    Date day;
    if (m_monthView && m_monthView->monthCalendarView()) day = m_monthView->monthCalendarView()->currentDay();
    if (day.isNull() && dataManager()) day = dataManager()->currentSelectedDay();
    if (day.isNull()) day = Clock::now();
    return Utilities::newDateOnDate(day, 0, 0);
}

void CalendarView::showEventSketch(const QImage& image, const QRectF& frame)
{
    m_imageEventView->setFrame(frame);
    m_imageEventView->setImage(image);
    m_imageEventView->setHidden(false);
    m_imageEventView->raise();
    m_contentView->update();
}

void CalendarView::hideEventSketch()
{
    m_imageEventView->setHidden(true);
    m_contentView->update();
}

QString CalendarView::hourLabel(int row, bool uses24HourClock)
{
    const int hour = row % 24;
    if (uses24HourClock) return QStringLiteral("%1:00").arg(hour);
    // Each key written out, so the check of the text table sees them all.
    switch (hour) {
    case 0: return TextTable::localizedString(QStringLiteral("_12AMText"));
    case 1: return TextTable::localizedString(QStringLiteral("_1AMText"));
    case 2: return TextTable::localizedString(QStringLiteral("_2AMText"));
    case 3: return TextTable::localizedString(QStringLiteral("_3AMText"));
    case 4: return TextTable::localizedString(QStringLiteral("_4AMText"));
    case 5: return TextTable::localizedString(QStringLiteral("_5AMText"));
    case 6: return TextTable::localizedString(QStringLiteral("_6AMText"));
    case 7: return TextTable::localizedString(QStringLiteral("_7AMText"));
    case 8: return TextTable::localizedString(QStringLiteral("_8AMText"));
    case 9: return TextTable::localizedString(QStringLiteral("_9AMText"));
    case 10: return TextTable::localizedString(QStringLiteral("_10AMText"));
    case 11: return TextTable::localizedString(QStringLiteral("_11AMText"));
    case 12: return TextTable::localizedString(QStringLiteral("_12PMText"));
    case 13: return TextTable::localizedString(QStringLiteral("_1PMText"));
    case 14: return TextTable::localizedString(QStringLiteral("_2PMText"));
    case 15: return TextTable::localizedString(QStringLiteral("_3PMText"));
    case 16: return TextTable::localizedString(QStringLiteral("_4PMText"));
    case 17: return TextTable::localizedString(QStringLiteral("_5PMText"));
    case 18: return TextTable::localizedString(QStringLiteral("_6PMText"));
    case 19: return TextTable::localizedString(QStringLiteral("_7PMText"));
    case 20: return TextTable::localizedString(QStringLiteral("_8PMText"));
    case 21: return TextTable::localizedString(QStringLiteral("_9PMText"));
    case 22: return TextTable::localizedString(QStringLiteral("_10PMText"));
    case 23: return TextTable::localizedString(QStringLiteral("_11PMText"));
    default: return QString();
    }
}

void CalendarView::setHourLabels()
{
    const bool uses24 = Utilities::use24HourClock();
    for (size_t i = 0; i < m_timeCellList.size(); ++i)
        m_timeCellList[i]->timeLabel()->setStringValue(hourLabel(int(i), uses24));
}

CalendarView::BoxPlacement CalendarView::placementOfEvent(const Date& shownStart, const Date& shownEnd,
                                                          const Date& shownDay)
{
    const qint64 day = dayNumber(shownDay);
    BoxPlacement placement;
    if (dayNumber(shownStart) < day) {
        placement.y = firstLineY;
        placement.height = hoursIntoDay(shownEnd) * hourHeight;
    } else {
        placement.y = hoursIntoDay(shownStart) * hourHeight + firstLineY;
        // The grid's rows are clock hours, also on a day of a clock change:
        // the box runs from its start's line to its end's, not for the
        // elapsed time.
        placement.height = (hoursIntoDay(shownEnd) - hoursIntoDay(shownStart)) * hourHeight;
        // An end in the second pass of an autumn change's repeated hour may
        // read a clock time no later than the start (02:30 for an hour from
        // the first 02:30): its line is not below the start's, and the box
        // runs for the time that elapses instead.
        if (placement.height <= 0 && shownEnd > shownStart)
            placement.height = shownEnd.timeIntervalSinceDate(shownStart) / 3600 * hourHeight;
    }
    if (dayNumber(shownEnd) > day) placement.height = 24 * hourHeight - (placement.y - firstLineY);
    placement.height = std::max(minimumBoxHeight, placement.height);
    return placement;
}

TaskView* CalendarView::makeBox(const TaskPtr& item, bool squareBox, const QRectF& frame)
{
    auto* box = new TaskView(frame, m_contentView);
    bindBox(box, item, squareBox, frame);
    return box;
}

void CalendarView::bindBox(TaskView* box, const TaskPtr& item, bool squareBox, const QRectF& frame)
{
    box->setParentView(this);
    box->setIsSquareBox(squareBox);
    box->setHighlight(false);
    box->setTask(item);
    box->setFrame(frame);
    box->show();
}

void CalendarView::removeBoxes(std::vector<QPointer<TaskView>>& boxes)
{
    if (boxes.empty()) return;
    // Later, not now: a box may be the one whose handler caused this
    // reload, or have an alert of its own open. They go together under one
    // holder, so hundreds of boxes cost one deferred deletion, not hundreds.
    // The holder stays in the grid's window: moving a box to another window
    // would walk the window's whole focus chain, box by box.
    auto* holder = new QWidget(this);
    holder->hide();
    for (const QPointer<TaskView>& box : boxes)
        if (box) box->setParent(holder);  // leaves the document, hidden
    holder->deleteLater();
    boxes.clear();
}

bool CalendarView::isHiddenInWindow() const
{
    // Hidden on purpose, itself or a pane it lies in; a grid whose window
    // is not shown yet is not (it loads ahead of the opening).
    for (const QWidget* w = this; w; w = w->isWindow() ? nullptr : w->parentWidget())
        if (w->testAttribute(Qt::WA_WState_ExplicitShowHide) && w->testAttribute(Qt::WA_WState_Hidden)) return true;
    return false;
}

void CalendarView::showEvent(QShowEvent* event)
{
    View::showEvent(event);
    if (m_reloadWhenShown) reloadData();
}

void CalendarView::reloadData()
{
    // A grid nobody sees (a planner is shown instead) is laid out when it
    // shows again: a day of thousands of overlapping occurrences costs as
    // much as everything else on screen.
    m_reloadWhenShown = isHiddenInWindow();
    if (m_reloadWhenShown) {
        m_selectedItem = nullptr;
        m_selectingKey = 0;
        return;
    }
    ++m_reloadCount;
    if (!m_isLoading) {
        m_isLoading = true;
        reloadEvent();

        const Date now = currentDateInShownZone();
        const Date today = Utilities::newDateOnDate(now, 0, 0);
        const Date day = shownDay();
        const qint64 offset = daysFromToday(day, today);
        m_currentIndicatorView->setHidden(offset != 0);
        stopTimeLineTimer();
        const bool withPlan = offset >= 0 && offset < daysWithPlan;
        m_timeManagerView->setIsActive(withPlan);
        if (withPlan) m_timeManagerView->resetData();
        m_timeManagerView->updateTrackingAreas();
        m_timeManagerView->update();
        if (withPlan) {
            if (MainViewAccess* mainView = MainViewAccess::current()) mainView->refreshTimeLine();
            m_timeLineTimer = Scheduler::current().scheduleTimer(timeLineInterval, true, [] {
                if (MainViewAccess* mainView = MainViewAccess::current()) mainView->refreshTimeLine();
            });
        }
        reloadTodayTask();
        sortBoxOrder();
        m_isLoading = false;
    }
    m_selectedItem = nullptr;
    m_selectingKey = 0;
}

void CalendarView::reloadDataWithNewBoxes()
{
    m_keepsBoxes = false;
    reloadData();
    m_keepsBoxes = true;
}

void CalendarView::stopTimeLineTimer()
{
    m_timeLineTimer.invalidate();
    m_timeLineTimer = ScheduledTimer();
}

void CalendarView::reloadEvent()
{
    setHourLabels();
    // The boxes of the last load are bound again to the same items where
    // they come again: making and dropping a widget per event at every
    // reload costs more than the rest of the grid's load.
    std::vector<QPointer<TaskView>> lastBoxes = std::move(m_eventBoxes);
    m_eventBoxes.clear();
    m_eventList.clear();

    CoreData* manager = dataManager();
    if (!manager || !m_keepsBoxes) removeBoxes(lastBoxes);
    if (!manager) return;
    const Date day = shownDay();
    const Date dayEnd = GregorianCalendar::dateOnDayOf(day, 86399);
    const QList<TaskList> ofDay = manager->timedEventsOfDays(day, dayEnd);
    if (!ofDay.isEmpty()) m_eventList = ofDay.front();

    std::vector<MoreMarker> markers;
    const std::vector<EventBox> laidOut =
        layOutEvents(std::exchange(m_eventList, TaskList()), day, documentWidth() * 0.5 + 40, &markers);
    struct Placed {
        TaskPtr item;
        QRectF frame;
    };
    std::vector<Placed> placed;
    placed.reserve(laidOut.size());
    {
        // Reads alone: a unit would take the write lock, which another
        // program may hold (a backup, the sqlite3 shell), failing a unit at
        // every load of the grid while the rows can still be read.
        RecordGuard reads;
        for (const EventBox& box : laidOut) {
            const TaskPtr& event = box.event;
            TaskPtr item;
            if (event->repeatType() == 0) {
                // A fresh read, so the box edits the stored row; a row
                // that cannot be read (another program's lock refuses
                // reads too) keeps the list's copy, and its title.
                item = Task::storedWithPrimaryKey(event->primaryKey());
                if (item)
                    manager->recalculateTimeWithTimezoneSupport(item);
                else
                    item = event->copy();
            } else {
                item = event->copy();
            }
            placed.push_back({item, box.frame});
        }
    }  // nothing was written: leaving the unit ends it
    // Only a box of the same item is kept: a box's pending click or open
    // editor then still acts on its own item. An occurrence of a series is
    // the same item from one reload to the next though its made-up key is
    // new each time: it is known by its series and its date.
    QMultiHash<QPair<qint64, qint64>, std::size_t> lastBoxOfKey;
    for (std::size_t index = 0; index < lastBoxes.size(); ++index)
        if (lastBoxes[index] && lastBoxes[index]->task())
            lastBoxOfKey.insert(boxIdentityOf(*lastBoxes[index]->task()), index);
    m_eventBoxes.reserve(placed.size());
    for (const Placed& box : placed) {
        const auto kept = lastBoxOfKey.find(boxIdentityOf(*box.item));
        if (kept == lastBoxOfKey.end()) {
            m_eventBoxes.push_back(makeBox(box.item, true, box.frame));
            continue;
        }
        TaskView* reused = lastBoxes[kept.value()].data();
        lastBoxes[kept.value()] = nullptr;
        lastBoxOfKey.erase(kept);
        bindBox(reused, box.item, true, box.frame);
        // Stacked as a new box would be: above the boxes placed before it.
        reused->raise();
        m_eventBoxes.push_back(reused);
    }
    std::vector<QRectF> frames;
    frames.reserve(placed.size());
    for (const Placed& box : placed) frames.push_back(box.frame);
    const std::vector<double> uncovered = uncoveredHeights(frames);
    for (std::size_t index = 0; index < m_eventBoxes.size(); ++index)
        if (m_eventBoxes[index]) m_eventBoxes[index]->setUncoveredHeight(uncovered[index]);
    removeBoxes(lastBoxes);
    placeMoreMarkers(markers);
}

void CalendarView::placeMoreMarkers(const std::vector<MoreMarker>& markers)
{
    // Few and cheap: made again at each reload, above the boxes. Later, as
    // the boxes: a marker's own menu may have caused this reload.
    for (const QPointer<MoreItemsButton>& marker : m_moreMarkers)
        if (marker) {
            marker->hide();
            marker->deleteLater();
        }
    m_moreMarkers.clear();
    m_moreMarkers.reserve(markers.size());
    for (const MoreMarker& placed : markers) {
        auto* marker = new MoreItemsButton(placed.frame, m_contentView);
        marker->setItems(placed.items);
        marker->show();
        marker->raise();
        m_moreMarkers.push_back(marker);
    }
}

void CalendarView::reloadTodayTask()
{
    // As the event boxes: the pieces and lines of the last pour are used
    // again, a piece for a piece of the same task, so a reload makes and
    // shows a widget only for what is new (showing one asks the display
    // where the pointer is).
    std::vector<QPointer<TaskView>> lastPieces = std::move(m_taskPieces);
    m_taskPieces.clear();
    std::vector<QPointer<TaskLinkLine>> lastLines = std::move(m_linkLines);
    m_linkLines.clear();
    if (!m_keepsBoxes) removeBoxes(lastPieces);
    const auto dropLeftOver = [this, &lastPieces, &lastLines] {
        removeBoxes(lastPieces);
        // Link lines run no handler of their own: they can go at once.
        for (const QPointer<TaskLinkLine>& line : lastLines) delete line.data();
    };

    CoreData* manager = dataManager();
    if (!manager) return dropLeftOver();
    const SettingPtr setting = manager->currentSetting();
    if (!setting || setting->showTask() == 0) return dropLeftOver();

    const Date day = shownDay();
    const Date today = Utilities::newDateOnDate(currentDateInShownZone(), 0, 0);
    const qint64 offset = daysFromToday(day, today);
    if (offset < 0 || offset >= daysWithPlan) return dropLeftOver();

    const QString weekday = Utilities::getWeekDayName(day);
    const std::optional<CoreData::WeekdayTaskLists> taskLists = manager->sevenDaysTaskList();
    TaskList tasks = taskLists ? taskLists->value(weekday) : TaskList();

    const quint64 filter = manager->taskFilterMenuIndex();
    if (filter == 4 || filter == 6 || filter == 7)
        std::stable_sort(tasks.begin(), tasks.end(),
                         [](const TaskPtr& a, const TaskPtr& b) { return a->npSortOrder() < b->npSortOrder(); });
    else
        std::stable_sort(tasks.begin(), tasks.end(),
                         [](const TaskPtr& a, const TaskPtr& b) { return a->taskOrder() < b->taskOrder(); });
    if (setting->mustDo() > 0)
        std::stable_sort(tasks.begin(), tasks.end(),
                         [](const TaskPtr& a, const TaskPtr& b) { return a->npIsMustDo() && !b->npIsMustDo(); });
    tasks.removeIf([](const TaskPtr& t) { return !t || t->status() == 1 || t->hasDuration() == 0; });
    if (tasks.isEmpty()) return dropLeftOver();

    const std::optional<CoreData::WeekdayTimeSlots> slotLists = manager->sevenDaysOpenTimeSlotsList();
    // A copy: the pour uses up the slots; the planner's stay as they are.
    QList<TimeSlotObject> slots = slotLists ? slotLists->value(weekday) : QList<TimeSlotObject>();
    if (slots.isEmpty()) return dropLeftOver();

    // The last pieces of each task in their order; only a piece of the same
    // task is kept, so its pending click or open editor acts on its own task.
    QHash<qint64, std::deque<std::size_t>> lastPiecesOfKey;
    for (std::size_t index = 0; index < lastPieces.size(); ++index)
        if (lastPieces[index] && lastPieces[index]->task())
            lastPiecesOfKey[lastPieces[index]->task()->primaryKey()].push_back(index);
    const auto placePiece = [&](const TaskPtr& task, const QRectF& frame) -> TaskView* {
        const auto kept = lastPiecesOfKey.find(task->primaryKey());
        if (kept == lastPiecesOfKey.end() || kept->empty()) return makeBox(task, false, frame);
        TaskView* reused = lastPieces[kept->front()].data();
        lastPieces[kept->front()] = nullptr;
        kept->pop_front();
        bindBox(reused, task, false, frame);
        // Stacked as a new piece would be: above what was placed before it.
        reused->raise();
        return reused;
    };
    std::size_t nextLine = 0;
    const auto placeLine = [&](const QRectF& frame) -> TaskLinkLine* {
        while (nextLine < lastLines.size()) {
            TaskLinkLine* line = lastLines[nextLine].data();
            lastLines[nextLine++] = nullptr;
            if (!line) continue;
            line->setFrame(frame);
            line->raise();
            return line;
        }
        auto* line = new TaskLinkLine(frame, m_contentView);
        line->show();
        return line;
    };

    const double width = documentWidth();
    const double pieceX = std::round(width * 0.5 - 50) + 2;
    const double pieceWidth = std::round(width * 0.5 + 50) - 3;
    const double lineX = std::round(width - 15);
    const auto yOfMinute = [](double minute) { return std::round(minute * hourHeight / 60 + firstLineY); };

    for (const TaskPtr& task : tasks) {
        if (slots.isEmpty()) break;
        double remaining = double(task->duration());
        const CalendarPtr category = manager->calendarWithPrimaryKey(task->calendarId());
        const QColor color = category ? Utilities::getColorInGroupID(category->colorGroupId(), category->colorNameId(), 0)
                                       : Utilities::getColorInGroupID(0, 0, 0);
        bool drawnPiece = false;
        double previousBottom = 0;
        const auto addPiece = [&](double startMinute, double minutes) {
            const double y = yOfMinute(startMinute);
            if (drawnPiece) {
                TaskLinkLine* line = placeLine(QRectF(lineX, previousBottom, TaskLinkLine::lineWidth,
                                                      std::round(startMinute * hourHeight / 60 + firstLineY - previousBottom)));
                line->setLineColor(color);
                line->setTask(task);
                m_linkLines.push_back(line);
            }
            const double height = std::round(minutes * hourHeight / 60);
            m_taskPieces.push_back(placePiece(task, QRectF(pieceX, y, pieceWidth, height)));
            previousBottom = y + height;
            drawnPiece = true;
        };

        bool slotsRanOut = false;
        while (true) {
            const TimeSlotObject& slot = slots.front();
            const double length = double(slot.endTimeInMinutes() - slot.startTimeInMinutes());
            if (remaining <= length) break;
            if (length >= 15) addPiece(double(slot.startTimeInMinutes()), length);
            slots.removeFirst();
            remaining -= length;
            if (slots.isEmpty()) {
                slotsRanOut = true;
                break;
            }
        }
        if (slotsRanOut) break;
        TimeSlotObject& slot = slots.front();
        if (remaining >= 15) addPiece(double(slot.startTimeInMinutes()), remaining);
        slot.setStartTimeInMinutes(slot.startTimeInMinutes() + qint64(remaining));
    }
    dropLeftOver();
}

void CalendarView::sortBoxOrder()
{
    // Event boxes above the pieces: raising each event box in turn keeps
    // their own order among them.
    for (const QPointer<TaskView>& box : m_eventBoxes)
        if (box && box->task() && box->task()->taskType() == 0) box->raise();
    for (const QPointer<MoreItemsButton>& marker : m_moreMarkers)
        if (marker) marker->raise();
    m_currentIndicatorView->raise();
    m_imageEventView->raise();
    m_dragPreviewView->raise();
}

void CalendarView::reloadData(const QHash<QString, QVariant>& changedItems)
{
    CoreData* manager = dataManager();
    if (!manager) return;
    for (const QPointer<TaskView>& box : m_eventBoxes) {
        if (!box || box->isHidden() || !box->task()) continue;
        const TaskPtr old = box->task();
        const qint64 key = seriesKeyOf(*old);
        if (!changedItems.contains(QString::number(key))) continue;
        // A row not read keeps the box as it is shown.
        TaskPtr fresh = Task::storedWithPrimaryKey(key);
        if (!fresh) continue;
        if (old->primaryKey() < 0) {
            // An instance stays an instance: the series' new content with
            // its own key, occurrence and times.
            fresh = manager->newInstanceForTask(fresh, old->primaryKey(), old->occurrence());
            fresh->setStartTime(old->startTime());
            fresh->setEndTime(old->endTime());
        }
        manager->recalculateTimeWithTimezoneSupport(fresh);
        box->setTask(fresh);
        box->update();
    }
    for (const QPointer<TaskView>& piece : m_taskPieces) {
        if (!piece || piece->isHidden() || !piece->task()) continue;
        const qint64 key = piece->task()->primaryKey();
        if (!changedItems.contains(QString::number(key))) continue;
        if (TaskPtr fresh = Task::storedWithPrimaryKey(key)) {
            piece->setTask(fresh);
            piece->update();
        }
    }
}

void CalendarView::moveToTop(QObject*)
{
    reloadTodayTask();
    sortBoxOrder();
}

void CalendarView::refreshTimeLine(double hour)
{
    if (!std::isfinite(hour)) return;
    QRectF frame = m_currentIndicatorView->frame();
    frame.moveTop(std::round(hour * hourHeight + firstLineY - 5));
    m_currentIndicatorView->setFrame(frame);
}

void CalendarView::scrollToCurrentTime()
{
    const CoreData* manager = dataManager();
    const SettingPtr setting = manager ? manager->currentSetting() : nullptr;
    const double hour = setting ? Utilities::getCurrentHour(setting->tzSupport() != 0, manager->appRootTZ(),
                                                            setting->currentTZ(), Date())
                                : Utilities::getCurrentHour(false, 0, 0, Date());
    const double y = hour > 18 ? 17 * hourHeight : hourHeight * hour - hourHeight;
    m_scrollView->scrollToPoint(QPointF(0, y));
}

void CalendarView::reloadIfShownLater()
{
    if (!m_reloadWhenShown) return;
    m_reloadWhenShown = false;
    ++m_reloadCount;
    // As a reload: the boxes of the shown day, wherever they are looked for.
    if (!m_isLoading) {
        m_isLoading = true;
        reloadEvent();
        reloadTodayTask();
        sortBoxOrder();
        m_isLoading = false;
    }
    m_reloadWhenShown = true;
}

bool CalendarView::revealToEvent(const TaskPtr& item)
{
    if (!item || item->taskType() != 0) return false;
    CoreData* manager = dataManager();
    if (item->tzStartTime().isNull() && manager) manager->recalculateTimeWithTimezoneSupport(item);
    const Date start = item->tzStartTime().isNull() ? item->startTime() : item->tzStartTime();
    if (m_monthView && m_monthView->monthCalendarView()) {
        const Date day = Utilities::newDateOnDate(start, 0, 0);
        m_monthView->monthCalendarView()->setMonthDate(day);
        m_monthView->monthCalendarView()->setCurrentDay(day);
    }
    if (MainViewAccess* mainView = MainViewAccess::current()) mainView->reloadLeftPageData();
    reloadIfShownLater();
    m_scrollView->scrollToPoint(QPointF(0, hourHeight * GregorianCalendar::fields(start).hour - hourHeight));

    const qint64 key = seriesKeyOf(*item);
    for (const QPointer<TaskView>& box : m_eventBoxes) {
        if (!box || box->isHidden() || !box->task()) continue;
        const Task& boxed = *box->task();
        if (boxed.repeatType() != item->repeatType() || seriesKeyOf(boxed) != key) continue;
        selectTask(box);
        return true;
    }
    return false;
}

bool CalendarView::showPopupEditDetail(const TaskPtr& item)
{
    if (!revealToEvent(item)) return false;
    if (m_selectedItem) m_selectedItem->popupEditDetail();
    return true;
}

void CalendarView::findAndEditEvent(const TaskPtr& item)
{
    if (!item || item->taskType() != 0) return;
    reloadIfShownLater();
    for (const QPointer<TaskView>& box : m_eventBoxes) {
        if (!box || box->isHidden() || !box->task() || box->task()->primaryKey() != item->primaryKey()) continue;
        box->setTask(item);
        selectTask(box);
        box->popupEditDetail();
        return;
    }
}

void CalendarView::selectTask(TaskView* box)
{
    m_selectingKey = box && box->task() ? box->task()->primaryKey() : 0;
    m_selectedItem = box;
    const auto mark = [this](const std::vector<QPointer<TaskView>>& boxes) {
        for (const QPointer<TaskView>& each : boxes) {
            if (!each) continue;
            const bool selected = each->task() && m_selectingKey != 0 && each->task()->primaryKey() == m_selectingKey;
            each->setHighlight(selected);
            if (selected) each->setFocus(Qt::OtherFocusReason);
            each->update();
        }
    };
    mark(m_eventBoxes);
    mark(m_taskPieces);
}

void CalendarView::draggingTask(QObject*)
{
    if (m_selectingKey == 0) return;
    for (const auto* list : {&m_eventBoxes, &m_taskPieces})
        for (const QPointer<TaskView>& box : *list)
            if (box && box->task() && box->task()->primaryKey() == m_selectingKey) box->setHidden(true);
}

void CalendarView::rearrangeView()
{
    m_scrollView->setFrame(QRectF(m_scrollView->frame().x(), 0, m_scrollView->frame().width(), frame().height()));
}

void CalendarView::goPrev()
{
    if (!m_monthView || !m_monthView->monthCalendarView()) return;
    // A calendar day back, whatever its length.
    const Date day = dayOffsetBy(shownDay(), -1);
    if (m_monthView->monthCalendarView()->setCurrentDay(day))
        if (MainViewAccess* mainView = MainViewAccess::current()) mainView->reloadLeftPageData();
}

void CalendarView::goNext()
{
    if (!m_monthView || !m_monthView->monthCalendarView()) return;
    const Date day = dayOffsetBy(shownDay(), 1);
    if (m_monthView->monthCalendarView()->setCurrentDay(day))
        if (MainViewAccess* mainView = MainViewAccess::current()) mainView->reloadLeftPageData();
}

void CalendarView::scrollWheel(const Event& event)
{
    // A sideways swipe moves the day; anything else scrolls the grid.
    if (event.deltaX != 0 && std::abs(event.deltaX) > std::abs(event.deltaY)) {
        if (event.deltaX < 0)
            goPrev();
        else
            goNext();
        update();
        return;
    }
    View::scrollWheel(event);
}

void CalendarView::drawRect(QPainter& painter, const QRectF&)
{
    painter.setPen(QPen(QColor(211, 211, 211), 1));
    const QRectF b = bounds();
    painter.drawLine(QPointF(0.5, 0), QPointF(0.5, b.height()));
    painter.drawLine(QPointF(b.width() - 0.5, 0), QPointF(b.width() - 0.5, b.height()));
}

// ---- drops --------------------------------------------------------------------

namespace {

constexpr qint64 checklistItem = 2;
constexpr qint64 note = 3;

bool isRepeatingOrInstance(const Task& item)
{
    return (item.parentId() == -1 && item.repeatType() != 0) || item.primaryKey() <= -2;
}

bool isFirstOccurrence(const Task& item)
{
    return Utilities::today(item.occurrence()) == Utilities::today(item.repeatStartDate());
}

}  // namespace

CalendarView::DropTime CalendarView::dropTimeOfImageTop(double imageTop)
{
    if (!std::isfinite(imageTop)) return {};
    // Far outside the document a position still names a day near the shown one.
    const double hours = std::clamp((imageTop - firstLineY) / hourHeight, -24.0, 48.0);
    const double hour = std::floor(hours);
    const int minute = int(std::floor((hours - hour) * 60));
    return {int(hour), minute / 15 * 15};
}

TaskPtr CalendarView::acceptableDraggedItem(const QMimeData& payload)
{
    if (!payload.hasFormat(KeyedArchive::mimeType)) return nullptr;
    const TaskList items = Task::readItemsFromPasteboard(payload);
    if (items.isEmpty()) return nullptr;
    const TaskPtr& item = items.front();
    if (!item || item->taskType() == checklistItem || item->taskType() == note || item->isShared()) return nullptr;
    if (item->taskType() != 0 && item->taskType() != 1) return nullptr;
    return item;
}

bool CalendarView::isInTaskZone(double x) const
{
    return Utilities::today(Clock::now()) == Utilities::today(shownDay()) && x >= taskZoneLeft;
}

namespace {

// A point of the grid (our coordinates), in the flipped document: to Qt's,
// then to the document's.
QPointF documentPointOfGridPoint(const View& grid, const QWidget& document, const QPointF& point)
{
    const QPointF inGrid = grid.toQt(point);
    return QPointF(document.mapFrom(&grid, inGrid.toPoint())) + (inGrid - inGrid.toPoint());
}

}  // namespace

QPointF CalendarView::documentPointOf(const DraggingInfo& info) const
{
    return documentPointOfGridPoint(*this, *m_contentView, info.draggedImageLocation());
}

QPointF CalendarView::documentPointerOf(const DraggingInfo& info) const
{
    return documentPointOfGridPoint(*this, *m_contentView, info.draggingLocation());
}

unsigned CalendarView::draggingEntered(const DraggingInfo& info)
{
    if (!info.hasInApplicationSource()) return DragOperationNone;
    const TaskPtr item = acceptableDraggedItem(info.draggingPasteboard());
    if (!item) return DragOperationNone;
    // An open editor closes before the item moves under it.
    NotificationCenter::defaultCenter().postNotificationOnMainThreadName(Popover::shouldCloseNotification,
                                                                         static_cast<QObject*>(this));
    showDragPreview(item, documentPointOf(info), item->taskType());
    return DragOperationGeneric;
}

unsigned CalendarView::draggingUpdated(const DraggingInfo& info)
{
    if (!info.hasInApplicationSource()) return DragOperationNone;
    const TaskPtr item = acceptableDraggedItem(info.draggingPasteboard());
    if (!item) return DragOperationNone;
    const QPointF point = documentPointOf(info);
    showDragPreview(item, point, isInTaskZone(point.x()) ? 1 : 0);
    return DragOperationGeneric;
}

void CalendarView::draggingExited()
{
    hideDragPreview();
}

void CalendarView::showDragPreview(const TaskPtr& item, const QPointF& imageBottomLeft, qint64 type)
{
    const QSizeF size = m_draggingSize.isValid() ? m_draggingSize : QSizeF(TaskView::draggingWidth, hourHeight);
    // The picture is drawn again only when the item, its look or its size
    // changes; a move only moves it.
    if (type != m_draggedImageType || item->primaryKey() != m_dragPreviewKey || size != m_dragPreviewSize) {
        const QList<DraggingImageComponent> components = item->draggingLargeImageWithSize(size, type);
        m_dragPreviewView->setImage(components.isEmpty() ? QImage() : components.front().contents);
        m_draggedImageType = type;
        m_dragPreviewKey = item->primaryKey();
        m_dragPreviewSize = size;
    }
    m_dragPreviewView->setFrame(QRectF(imageBottomLeft.x(), imageBottomLeft.y() - size.height(), size.width(),
                                       size.height()));
    m_dragPreviewView->setHidden(false);
    m_dragPreviewView->raise();
}

void CalendarView::hideDragPreview()
{
    m_dragPreviewView->setHidden(true);
    m_draggedImageType = -1;
    m_dragPreviewKey = 0;
}

void CalendarView::postTaskChanged()
{
    NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kTaskChanged, static_cast<QObject*>(this));
}

bool CalendarView::performDragOperation(const DraggingInfo& info)
{
    hideDragPreview();
    if (!info.hasInApplicationSource()) return false;
    const TaskList items = Task::readItemsFromPasteboard(info.draggingPasteboard());
    const TaskPtr item = items.isEmpty() ? nullptr : items.front();
    if (!item || item->taskType() == note || item->isShared()) return false;
    if (item->taskType() == checklistItem) return false;

    const QPointF imagePoint = documentPointOf(info);
    const double imageTop = imagePoint.y() - (info.draggedImageSize().isValid() ? info.draggedImageSize().height() : 0);
    const bool inTaskZone = isInTaskZone(imagePoint.x());
    const bool fromList = info.sourceInherits("TaskListTableView") || info.sourceInherits("CategoryDetailListItemView");
    // An event box's picture is the box: its top is the new start. Any other
    // picture (a list row, a task piece) is held anywhere along its height,
    // so the item lands where the pointer is.
    const bool pictureIsTheBox = !fromList && item->taskType() == 0;
    const DropTime time = dropTimeOfImageTop(pictureIsTheBox ? imageTop : documentPointerOf(info).y());

    if (fromList) {
        if (item->taskType() == 1)
            convertTaskToSTaskByDrag(item, time.hour, time.minute);
        else if (item->taskType() == 0 && item->isSheduledTask())
            changeEventInfoByMoveInTimeline(item, time.hour, time.minute);
    } else if (item->taskType() == 0) {
        if (inTaskZone)
            convertEvent2Task(item, imageTop);
        else
            changeEventInfoByMoveInTimeline(item, time.hour, time.minute);
    } else if (item->taskType() == 1) {
        if (inTaskZone)
            changeTaskInfoByDrag(item, imageTop, imagePoint);
        else
            convertTaskToSTaskByDrag(item, time.hour, time.minute);
    }
    postTaskChanged();
    return true;
}

void CalendarView::moveItemToStart(const TaskPtr& item, Date start)
{
    CoreData* manager = dataManager();
    if (!manager) return;
    item->setStartTime(start);
    item->setEndTime(start.dateByAddingTimeInterval(double(item->duration()) * 60));
    manager->recalculateSaveTimeWithTimezoneSupport(item);
}

bool CalendarView::changeEventInfoByMoveInTimeline(const TaskPtr& item, int hour, int minute)
{
    CoreData* manager = dataManager();
    if (!item || !manager) return false;
    manager->recalculateTimeWithTimezoneSupport(item);
    const Date start = Utilities::newDateOnDate(shownDay(), hour, minute);
    if (item->tzStartTime() == start) return true;

    if (!isRepeatingOrInstance(*item)) {
        // The move and its save are one unit: a refused save leaves the
        // item where it was.
        const bool saved = manager->saveChangeFromView({item}, [&] {
            moveItemToStart(item, start);
            return item->parentId() != -1 ? manager->doEditOnlyThisOperatorWithEvent(item)
                                          : manager->doEditAllOperatorWithEvent(item);
        });
        if (!saved) qWarning() << "The moved item" << item->primaryKey() << "could not be saved";
        return saved;
    }

    const bool scheduled = item->isSheduledTask();
    const bool first = isFirstOccurrence(*item);
    const AlertRequest request = repeatingEditQuestion(scheduled, first);

    const int answer = AlertPresenter::current().runModal(request).button;
    if (answer != AlertResponse::firstButton && answer != AlertResponse::secondButton) return false;
    const bool saved = manager->saveChangeFromView({item}, [&] {
        moveItemToStart(item, start);
        if (answer == AlertResponse::firstButton) return manager->doEditOnlyThisOperatorWithEvent(item);
        return first ? manager->doEditAllOperatorWithEvent(item) : manager->doEditAllFutureOperatorWithEvent(item);
    });
    if (!saved) qWarning() << "The moved item" << item->primaryKey() << "could not be saved";
    return saved;
}

bool CalendarView::convertTaskToSTaskByDrag(const TaskPtr& task, int hour, int minute)
{
    CoreData* manager = dataManager();
    if (!task || !manager) return false;
    const Date start = Utilities::newDateOnDate(shownDay(), hour, minute);
    // The conversion asks its own questions before its unit; a refused one
    // is told.
    return manager->runAskingCommandFromView([&] { return manager->convertTask2STask(task, start) != nullptr; });
}

bool CalendarView::convertEvent2Task(const TaskPtr& item, double imageTop)
{
    CoreData* manager = dataManager();
    if (!item || !manager) return false;
    // The conversion asks its own questions before its unit; the new task's
    // place in the order is written in that unit, so a refused drop keeps
    // neither, and is told.
    const CoreData::AfterConversion placeInOrder = [&](const TaskPtr& task) {
        TaskList list = findTaskAbove(documentHeight, imageTop, task);
        list.prepend(task);
        return writeTaskAboveOrder(list);
    };
    // The drop is taken either way: a refusal was told by the command.
    static_cast<void>(manager->runAskingCommandFromView([&] {
        const TaskPtr task = item->isSheduledTask() ? manager->convertSTask2Task(item, placeInOrder)
                                                    : manager->convertEvent2Task(item, placeInOrder);
        return task != nullptr;
    }));
    return true;
}

bool CalendarView::changeTaskInfoByDrag(const TaskPtr& task, double imageTop, const QPointF& imagePoint)
{
    CoreData* manager = dataManager();
    if (!task || !manager) return false;
    const SettingPtr setting = manager->currentSetting();
    const bool filtered = m_taskListFilterQuery && m_taskListFilterQuery();
    const bool warns = setting && setting->showWarningChangeTaskOrder() != 0 && filtered;
    qint64 askAgain = 1;
    if (warns) {
        AlertRequest request;
        request.style = AlertStyle::Warning;
        request.addButtonWithTitle(TextTable::localizedString(QStringLiteral("okText")));
        request.addButtonWithTitle(TextTable::localizedString(QStringLiteral("cancelText")));
        request.messageText = TextTable::localizedString(QStringLiteral("changeTaskOrderText"));
        request.informativeText = TextTable::localizedString(QStringLiteral("changeTaskOrderMessage"));
        request.showsSuppressionButton = true;
        const AlertResponse response = AlertPresenter::current().runModal(request);
        askAgain = response.suppressed ? 0 : 1;
        if (response.button != AlertResponse::firstButton) {
            // Not reordered: the answer about the question is the whole change.
            if (askAgain == 0 &&
                !manager->saveSettingFromView([](Setting& kept) { kept.setShowWarningChangeTaskOrder(0); }))
                qWarning() << "The settings could not be saved after the order question";
            return response.button != AlertResponse::secondButton;
        }
    }

    const double draggedY = findDraggedPosY(task);
    const bool above = draggedY >= imagePoint.y();
    TaskList list = above ? findTaskAbove(draggedY, imageTop, task) : findTaskBelow(draggedY, imageTop, task);
    if (above)
        list.prepend(task);
    else
        list.append(task);
    // The order and the answer about the question are one unit.
    const bool saved = manager->saveChangeFromView(list, [&] {
        if (warns) {
            Transaction::keepInCurrent(setting);
            setting->setShowWarningChangeTaskOrder(askAgain);
            if (!setting->dehydrate()) return false;
        }
        return above ? writeTaskAboveOrder(list) : writeTaskBelowOrder(list);
    });
    if (!saved) qWarning() << "The planned order could not be saved";
    return true;
}

double CalendarView::findDraggedPosY(const TaskPtr& task) const
{
    for (const QPointer<TaskView>& piece : m_taskPieces) {
        if (!piece) continue;
        if (piece->isHidden() || (task && piece->task() && piece->task()->primaryKey() == task->primaryKey()))
            return piece->frame().y();
    }
    return documentHeight;
}

TaskList CalendarView::findTaskAbove(double above, double below, const TaskPtr& task) const
{
    TaskList found;
    const qint64 key = task ? task->primaryKey() : 0;
    for (const QPointer<TaskView>& piece : m_taskPieces) {
        if (!piece || piece->isHidden() || !piece->task() || piece->task()->primaryKey() == key) continue;
        const double y = piece->frame().y();
        if (y < below || y > above) continue;
        // One entry per run of pieces of the same task.
        if (!found.isEmpty() && found.back()->primaryKey() == piece->task()->primaryKey()) continue;
        found.append(piece->task());
    }
    return found;
}

TaskList CalendarView::findTaskBelow(double below, double above, const TaskPtr& task) const
{
    TaskList found;
    const qint64 key = task ? task->primaryKey() : 0;
    for (const QPointer<TaskView>& piece : m_taskPieces) {
        if (!piece || piece->isHidden() || !piece->task() || piece->task()->primaryKey() == key) continue;
        const double y = piece->frame().y();
        if (y < below || y > above) continue;
        if (!found.isEmpty() && found.back()->primaryKey() == piece->task()->primaryKey()) continue;
        found.append(piece->task());
    }
    return found;
}

void CalendarView::updateTaskAboveOrderInList(const TaskList& items)
{
    CoreData* manager = dataManager();
    if (items.isEmpty() || !manager) return;
    // One write unit for the whole list; a refused one leaves every order.
    if (!manager->saveChangeFromView(items, [&] { return writeTaskAboveOrder(items); }))
        qWarning() << "The planned order could not be saved";
}

void CalendarView::updateTaskBelowOrderInList(const TaskList& items)
{
    CoreData* manager = dataManager();
    if (items.isEmpty() || !manager) return;
    if (!manager->saveChangeFromView(items, [&] { return writeTaskBelowOrder(items); }))
        qWarning() << "The planned order could not be saved";
}

bool CalendarView::writeTaskAboveOrder(const TaskList& items)
{
    if (items.isEmpty()) return true;
    for (const TaskPtr& item : items) Transaction::keepInCurrent(item);
    const qint64 firstOrder = items.front()->taskOrder();
    bool written = true;
    for (qsizetype i = 1; i < items.size(); ++i) {
        items[i - 1]->setTaskOrder(items[i]->taskOrder());
        written = written && items[i - 1]->dehydrate();
    }
    items.back()->setTaskOrder(firstOrder);
    return written && items.back()->dehydrate();
}

bool CalendarView::writeTaskBelowOrder(const TaskList& items)
{
    if (items.isEmpty()) return true;
    for (const TaskPtr& item : items) Transaction::keepInCurrent(item);
    const qint64 lastOrder = items.back()->taskOrder();
    bool written = true;
    for (qsizetype i = items.size() - 1; i >= 1; --i) {
        items[i]->setTaskOrder(items[i - 1]->taskOrder());
        written = written && items[i]->dehydrate();
    }
    items.front()->setTaskOrder(lastOrder);
    return written && items.front()->dehydrate();
}
