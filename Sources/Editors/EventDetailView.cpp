#include "EventDetailView.h"

#include "AlertRows.h"
#include "Button.h"
#include "Calendar.h"
#include "CoreData.h"
#include "CustomNSDatePicker.h"
#include "CustomNSPopUpButton.h"
#include "CustomNSTextField.h"
#include "CustomTextView.h"
#include "DatePicker.h"
#include "DetailRow.h"
#include "MonthCalendarView.h"
#include "MonthView.h"
#include "NamedImages.h"
#include "NotificationCenter.h"
#include "RepeatRule.h"
#include "RepeatRuleRows.h"
#include "Setting.h"
#include "Task.h"
#include "TextTable.h"
#include "UIUtilities.h"
#include "Utilities.h"
#include "EditorShared.h"

#include <QTextEdit>
#include <QPainter>

namespace {

using EditorRowGeometry::controlFrame;

constexpr double scheduledTitleX = 25;

bool tzSupport()
{
    const SettingPtr setting = currentSetting();
    return setting && setting->tzSupport();
}

}  // namespace

EventDetailView::EventDetailView(const QRectF& frame, QWidget* parent) : ItemDetailView(frame, parent)
{
    const double width = frame.width();
    buildTitle(width - 10);
    // The title is opened selected, ready to be typed over; once the keyboard
    // goes elsewhere the selection stays but is no longer painted.
    if (QTextEdit* editor = m_title->editor()) {
        QPalette palette = editor->palette();
        palette.setColor(QPalette::Inactive, QPalette::Highlight, Qt::transparent);
        palette.setColor(QPalette::Inactive, QPalette::HighlightedText, palette.color(QPalette::Active, QPalette::Text));
        editor->setPalette(palette);
    }
    buildLocationRow();

    m_allDayRow = makeRow(TextTable::localizedString(QStringLiteral("allDayText")));
    m_allDayBtn = UIUtilities::createCheckboxWithFrame(
        controlFrame(88, 0, 19, 19), this, [this](Button*) { toggleAllDay(); },
        NamedImages::imageNamed(QStringLiteral("checkbox_none")),
        NamedImages::imageNamed(QStringLiteral("checkbox_check")));
    m_allDayRow->setView(m_allDayBtn);

    buildStartRow();
    // An event of any year: a floor at 1970 would move a birthday series
    // from 1965 there on any save.
    m_startTextField->setMinDate(Date());
    m_previousStartTime = m_startTextField->dateValue();

    const SettingPtr setting = currentSetting();
    const qint64 duration = setting ? setting->durationDefEventVal() : 60;
    m_endRow = makeRow(TextTable::localizedString(QStringLiteral("endText")));
    m_endTextField = new CustomNSDatePicker(controlFrame(90, -2, width - 95, 19));
    m_endTextField->setDateValue(Utilities::dateByAddTimeInterval(double(duration) * 60, Utilities::getCompleteDate()));
    m_endRow->setView(m_endTextField);
    fitDatePicker(m_endTextField);

    m_tzRow = makeRow(TextTable::localizedString(QStringLiteral("tzText")));
    m_zone = makeZoneRowContent(width, [this](const TimezoneObj& zone) { changeItemTo(zone); });
    if (m_zone.view) m_tzRow->addSubview(m_zone.view);

    m_repeatRules = new RepeatRuleRows(*this, RepeatRuleRows::Kind::Event, width, this);
    DetailRow* repeatRow = m_repeatRules->repeatRow();

    m_calendarRow = makeRow(TextTable::localizedString(QStringLiteral("categoryText")));

    m_alertRows = new AlertRows(*this, this);
    DetailRow* firstAlertRow = m_alertRows->createFirstAlertRow();
    addSubview(firstAlertRow);

    buildLowerRows();
    buildBottomButtons([this] { addEvent(); });

    m_allRowView = {m_locationRow, m_allDayRow, m_startRow, m_endRow, m_tzRow, repeatRow,
                    m_calendarRow, firstAlertRow, m_urlRow, m_descRow, m_tagRow};
    placeZoneRow();

    observeCommonChanges();
    observeChanges(NotificationPayload::identityOf(m_startTextField), [this] { startTimeChanged(); });
    observeChanges(NotificationPayload::identityOf(m_endTextField), [this] { endTimeChanged(); });

    m_repeatRules->repeatOption();
    setType(0);
    m_changedCal = false;
}

EventDetailView::~EventDetailView() = default;

void EventDetailView::setMinimumDates(const Date& start)
{
    m_endTextField->setMinDate(start);
    if (CustomNSDatePicker* until = m_repeatRules->untilDateTextField()) until->setMinDate(start);
}

void EventDetailView::placeZoneRow()
{
    m_tzRow->hide();
    m_allRowView.removeAll(m_tzRow);
    if (!tzSupport() || m_allDayBtn->state() == 1) return;
    const qsizetype end = m_allRowView.indexOf(m_endRow);
    m_allRowView.insert(end < 0 ? m_allRowView.size() : end + 1, m_tzRow);
    m_tzRow->show();
}

// ---- layout --------------------------------------------------------------------

void EventDetailView::fitTitle()
{
    if (!m_task || !m_task->isSheduledTask()) {
        ItemDetailView::fitTitle();
        return;
    }
    // The mark of a scheduled task stands left of the title.
    const double h = titleAreaHeight(measuredTitleHeight(m_title->string(), m_title->frame().width() - scheduledTitleX));
    m_title->setFrame(QRectF(scheduledTitleX, m_title->frame().y(), frame().width() - 30, h));
}

void EventDetailView::setType(int type)
{
    m_type = type;
    if (type == 1) showEditButtons();
    updateView();
}

void EventDetailView::drawRect(QPainter& painter, const QRectF& dirtyRect)
{
    ItemDetailView::drawRect(painter, dirtyRect);
    if (m_type == 0 || !m_task || !m_task->isSheduledTask()) return;
    const QImage image = NamedImages::imageNamed(QStringLiteral("ptask"));
    if (!image.isNull()) painter.drawImage(QPointF(7, 3), image);
}

// ---- defaults of a new event ------------------------------------------------------

void EventDetailView::resetData()
{
    const SettingPtr setting = currentSetting();
    CoreData* dataManager = CoreData::shared();
    const bool zones = setting && setting->tzSupport();
    m_locationTextField->setStringValue(QString());
    m_allDayBtn->setState(0);

    const Date now = Utilities::getCurrentDate(zones, dataManager ? dataManager->appRootTZ() : 0,
                                               setting ? setting->currentTZ() : 0);
    Date day = now;
    if (m_monthView && m_monthView->monthCalendarView() && !m_monthView->monthCalendarView()->currentDay().isNull())
        day = m_monthView->monthCalendarView()->currentDay();
    const Date start = Utilities::roundTo15MinutesOnDay(day, now);
    m_startTextField->setDateValue(start);
    setMinimumDates(start);
    const qint64 duration = setting ? setting->durationDefEventVal() : 60;
    m_endTextField->setDateValue(Utilities::dateByAddTimeInterval(double(duration) * 60, start));
    m_openedTimes = {};
    toggleAllDay();
    m_previousStartTime = start;

    placeZoneRow();
    m_zoneId = setting ? setting->currentTZ() : 0;
    if (zones && dataManager) {
        if (const auto zone = dataManager->getTimeZone(setting->currentTZ()); zone && m_zone.setCurrentZone)
            m_zone.setCurrentZone(*zone);
    }
    updateView();

    m_repeatRules->reset();
    buildCalendarPopUp();
    m_alertRows->resetAlerts();
    m_urlTextField->setStringValue(QString());
    m_desc->setString(QString());
    m_repeatRules->repeatOption();
}

void EventDetailView::setDefaultInfoForAddNew()
{
    const SettingPtr setting = currentSetting();
    const QString defaults = setting ? setting->defaultEventAlert() : QString();
    if (defaults.isEmpty()) return;
    const QStringList parts = defaults.split(QLatin1Char('/'));
    const std::shared_ptr<AlertObj> alert = parts.size() >= 2 ? Utilities::getAlertFromList(parts, 1) : nullptr;
    AlertObj none;
    m_alertRows->fillLastRowWithAlert(alert ? *alert : none);
}

// ---- loading ----------------------------------------------------------------------

bool EventDetailView::isStoredDetachedOccurrence() const
{
    return m_task && m_task->parentId() != -1 && m_task->primaryKey() >= 0;
}

void EventDetailView::loadDataFromTask(const TaskPtr& shown)
{
    // Held here: the argument may be the form's own task, cleared next.
    const TaskPtr item = shown;
    if (!beginLoading(item)) return;
    CoreData* dataManager = CoreData::shared();
    m_zoneId = item->tz();
    if (item->taskType() != 0) return;

    if (item->isSheduledTask()) {
        m_allRowView.removeAll(m_allDayRow);
        m_allDayRow->hide();
    }
    const CalendarPtr category = dataManager ? dataManager->calendarWithPrimaryKey(item->calendarId()) : CalendarPtr();
    m_title->setString(item->taskName());
    m_locationTextField->setStringValue(item->taskLocation());
    m_allDayBtn->setState(item->isADE() ? 1 : 0);

    showTimes(item);
    toggleAllDay();
    m_allDayBtn->setEnabled(!isStoredDetachedOccurrence());

    if (!(item->parentId() != -1 && item->primaryKey() > -2)) {
        const qint64 days = item->repeatType() == RepeatRule::Weekly ? ownDaysFromShown(m_startTextField->dateValue()) : 0;
        if (days == 0) {
            m_repeatRules->loadFromTask(*item);
        } else {
            const TaskPtr shownRule = item->copy();
            shownRule->setRepeatOptions(
                RepeatRule::fromOptions(item->repeatType(), item->repeatOptions()).withWeekdaysMovedBy(-days).options());
            m_repeatRules->loadFromTask(*shownRule);
        }
    }

    selectCategoryOfItem(category);
    m_alertRows->loadAlerts(item->createAlertList());
    m_urlTextField->setStringValue(item->url());
    updateTagListWithCal(chosenCategory(), item);
    if (isStoredDetachedOccurrence()) m_repeatRules->removeRepeatRowFromView();
    finishLoading(item);
    setEnable(!item->isShared());
    if (isStoredDetachedOccurrence()) m_allDayBtn->setEnabled(false);
    m_title->selectAll();
}

// The start and end as the form shows them: the item's own with zone
// support, else in the zone shown.
std::pair<Date, Date> EventDetailView::shownTimes(const TaskPtr& item) const
{
    if (tzSupport()) return {item->startTime(), item->endTime()};
    if (CoreData* dataManager = CoreData::shared()) dataManager->recalculateTimeWithTimezoneSupport(item);
    return {item->tzStartTime().isNull() ? item->startTime() : item->tzStartTime(),
            item->tzEndTime().isNull() ? item->endTime() : item->tzEndTime()};
}

// A series' end shows on the clock of its shown start, so one held in UTC
// or in its file's zone ends where its last occurrence shows.
Date EventDetailView::repeatEndAsShown(const Task& item) const
{
    const Date end = item.repeatEndDate();
    if (tzSupport() || end.isNull()) return end;
    const TaskPtr held = item.copy();
    held->setStartTime(end);
    held->setEndTime(end);
    return shownTimes(held).first;
}

Date EventDetailView::repeatEndToOwn(const Task& item, const Date& shownEnd) const
{
    CoreData* dataManager = CoreData::shared();
    if (tzSupport() || !dataManager || shownEnd.isNull()) return shownEnd;
    const TaskPtr own = item.copy();
    own->setStartTime(shownEnd);
    own->setEndTime(shownEnd);
    dataManager->recalculateSaveTimeWithTimezoneSupport(own);
    return own->startTime();
}

qint64 EventDetailView::ownDaysFromShown(const Date& shownStart) const
{
    CoreData* dataManager = CoreData::shared();
    if (!m_task || !dataManager || tzSupport() || m_allDayBtn->state() == 1 || shownStart.isNull()) return 0;
    const TaskPtr own = m_task->copy();
    own->setTz(m_zoneId);
    own->setStartTime(shownStart);
    own->setEndTime(shownStart);
    dataManager->recalculateSaveTimeWithTimezoneSupport(own);
    const qint64 days = (Utilities::getWeekday(own->startTime()) - Utilities::getWeekday(shownStart) + 14) % 7;
    return days > 3 ? days - 7 : days;
}

std::pair<Date, Date> EventDetailView::formTimes() const
{
    return {m_startTextField->valueKeeping(m_openedTimes.first), m_endTextField->valueKeeping(m_openedTimes.second)};
}

void EventDetailView::showTimes(const TaskPtr& item)
{
    const auto [start, end] = shownTimes(item);
    m_zoneId = item->tz();
    if (CoreData* dataManager = CoreData::shared(); dataManager && tzSupport())
        if (const auto zone = dataManager->getTimeZone(item->tz()); zone && m_zone.setCurrentZone)
            m_zone.setCurrentZone(*zone);
    m_allDayBtn->setState(item->isADE() ? 1 : 0);
    m_startTextField->setDateValue(start);
    m_previousStartTime = start;
    setMinimumDates(start);
    m_endTextField->setDateValue(end);
    m_openedTimes = {start, end};
}

// ---- change marks -------------------------------------------------------------------

Date EventDetailView::startDate() const
{
    return m_startTextField->dateValue();
}

void EventDetailView::toggleAllDay()
{
    const bool allDay = m_allDayBtn->state() == 1;
    for (CustomNSDatePicker* picker : {m_startTextField, m_endTextField}) {
        picker->setElements(allDay ? DatePickerElements::Date : DatePickerElements::DateHourMinute);
        fitDatePicker(picker);
    }
    placeZoneRow();
    if (m_type != 0 && m_task && m_task->isADE() && !allDay) {
        const SettingPtr setting = currentSetting();
        const qint64 from = setting ? setting->deskTimeNDStart() : 0;
        const qint64 to = setting ? setting->deskTimeNDEnd() : 0;
        const Date day = m_startTextField->dateValue();
        const Date start = Utilities::newDateOnDate(day, from / 60, from % 60);
        setMinimumDates(start);
        m_startTextField->setDateValue(start);
        m_previousStartTime = start;
        m_endTextField->setDateValue(Utilities::newDateOnDate(day, to / 60, to % 60));
        if (!isRevertShown()) showRevert();
    }
    updateView();
}

void EventDetailView::startTimeChanged()
{
    const Date start = m_startTextField->dateValue();
    const double kept = formTimes().second.timeIntervalSinceDate(m_previousStartTime);
    setMinimumDates(start);
    m_endTextField->setDateValue(Utilities::dateByAddTimeInterval(kept, start));
    m_previousStartTime = start;
    if (checksApply() && m_task->startTime() != start) showRevert();
}

void EventDetailView::endTimeChanged()
{
    if (checksApply() && m_task->endTime() != m_endTextField->dateValue()) showRevert();
}

void EventDetailView::titleChanged()
{
    if (checksApply() && m_title->string() != m_task->taskName()) showRevert();
}

void EventDetailView::changeItemTo(const TimezoneObj& zone)
{
    m_zoneId = zone.tzId;
    if (checksApply() && m_task->tz() != zone.tzId) showRevert();
}

// ---- read-only mode and focus ----------------------------------------------------------

void EventDetailView::setEnable(bool enabled)
{
    m_title->setEditable(enabled);
    m_desc->setEditable(enabled);
    for (View* control : std::initializer_list<View*>{m_locationTextField, m_allDayBtn, m_startTextField,
                                                      m_endTextField, calendarBtn(), m_urlTextField,
                                                      m_tagDetailView}) {
        if (control) control->setEnabled(enabled);
    }
    m_repeatRules->setEnabled(enabled);
    if (m_zone.setEnabled) m_zone.setEnabled(enabled);
    m_alertRows->setEnabled(enabled);
    m_addLinkBtn->setVisible(enabled && m_type != 0);
}
