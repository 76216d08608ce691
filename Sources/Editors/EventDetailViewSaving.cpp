// The saving side of the event form: what changed, how the form is written
// into the record, which scope question a repeating series asks, and what
// the rest of the application is told afterwards.
#include "EventDetailView.h"

#include "AlertPresenter.h"
#include "AlertRows.h"
#include "Button.h"
#include "Calendar.h"
#include "CoreData.h"
#include "CustomNSDatePicker.h"
#include "CustomNSTextField.h"
#include "CustomNSTextField_NSNumberFormatter.h"
#include "CustomTextView.h"
#include "DetailViewController.h"
#include "EditorPages.h"
#include "LinkSection.h"
#include "MainViewAccess.h"
#include "MonthView.h"
#include "NotificationCenter.h"
#include "Popover.h"
#include "PopUpButton.h"
#include "RecordStore.h"
#include "RepeatRule.h"
#include "RepeatRuleRows.h"
#include "Setting.h"
#include "Task.h"
#include "TextTable.h"
#include "Utilities.h"
#include "ZVWSync.h"
#include "EditorShared.h"

#include <QDateTimeEdit>
#include <QDebug>
#include <QLocale>

#include <algorithm>
#include <functional>
#include <optional>
#include <tuple>

namespace {

constexpr double secondsPerWeek = 604800;
constexpr qint64 autoSyncItems = 2;


int tagOf(const PopUpButton* popUp, int fallback)
{
    const PopUpItem* item = popUp ? popUp->selectedItem() : nullptr;
    return item ? item->tag : fallback;
}

}  // namespace

// ---- plain rules -------------------------------------------------------------------

Date EventSaving::adjustedWeeklyStart(const Date& start, const QString& weekdays, qint64 interval)
{
    if (start.isNull()) return start;
    QList<qint64> days;
    for (const QString& part : weekdays.split(QLatin1Char('|'), Qt::SkipEmptyParts)) {
        bool ok = false;
        const qint64 day = part.trimmed().toLongLong(&ok);
        if (ok && day >= 1 && day <= 7 && !days.contains(day)) days.append(day);
    }
    const qint64 startWeekday = Utilities::getWeekday(start);
    if (days.isEmpty() || days.contains(startWeekday)) return start;
    std::sort(days.begin(), days.end());

    const qint64 year = Utilities::getYear(start);
    const qint64 month = Utilities::getMonth(start);
    const qint64 hour = Utilities::getHour(start);
    const qint64 minute = Utilities::getMinute(start);
    const qint64 ordinal = Utilities::getWeekdayOrdinal(start);
    const qint64 firstWeekday = Utilities::getWeekday(Utilities::resetDate(start, year, month, 1, hour, minute, 0));
    const double offset = interval == 1 ? secondsPerWeek : double(interval - 1) * secondsPerWeek;

    std::optional<Date> earliest;
    for (const qint64 day : days) {
        // A day past the month's end carries into the next month.
        const qint64 dayOfMonth = 1 + (day - firstWeekday + 7) % 7 + (ordinal - 1) * 7;
        Date candidate = Utilities::resetDate(start, year, month, dayOfMonth, hour, minute, 0);
        if (!(candidate > start)) candidate = Utilities::newDateFromDate(candidate, offset);
        if (!earliest || candidate < *earliest) earliest = candidate;
    }
    return earliest ? *earliest : start;
}

// ---- reading the form --------------------------------------------------------------

QString EventDetailView::titleToStore() const
{
    const QString name = m_title->string();
    return name.isEmpty() ? TextTable::localizedString(QStringLiteral("untitledText")) : name;
}

QString EventDetailView::formRepeatOptions(bool startWeekdayWhenNone) const
{
    const int tag = m_repeatRules->repeatTag();
    QString weekdays = m_repeatRules->selectedWeekdays();
    if (tag == RepeatRuleRows::weeklyTag && weekdays.isEmpty() && startWeekdayWhenNone)
        weekdays = QString::number(Utilities::getWeekday(m_startTextField->dateValue()));
    const qint64 interval = m_repeatRules->repeatEveryTextField()->stringValue().toLongLong();
    const QString options = RepeatRuleRows::repeatOptionsText(tag, interval, weekdays, tagOf(m_repeatRules->repeatByBtn(), 1));
    // The weekdays shown are those of the start shown; the item keeps its own.
    const qint64 days = tag == RepeatRuleRows::weeklyTag && !weekdays.isEmpty() ? ownDaysFromShown(m_startTextField->dateValue()) : 0;
    return days == 0 ? options : RepeatRule::fromOptions(RepeatRule::Weekly, options).withWeekdaysMovedBy(days).options();
}

bool EventDetailView::untilForever() const
{
    return tagOf(m_repeatRules->repeatUntilBtn(), 1) == 1;
}

Date EventDetailView::repeatEndToStore(const Task& item) const
{
    const Date until = m_repeatRules->untilDateTextField()->dateValue();
    // An end left on its day is the series' own end, kept to the second
    // (an end at its last start, as a counted series is read): the data
    // manager moves such an end along when the series moves, so moving the
    // start to the next day keeps every occurrence. The day is the one the
    // form shows, and a day chosen ends at midnight of the clock shown.
    const Date stored = item.repeatEndDate();
    if (item.repeatType() > 0 && item.isRepeatForever() == 0 && stored.isValid() && until.isValid()
        && Utilities::compareDateNoTime(repeatEndAsShown(item), until) == 0)
        return stored;
    return repeatEndToOwn(item, Utilities::newDateOnDate(until, 23, 59));
}

CalendarPtr EventDetailView::categoryToStore(bool fallBackToDefault) const
{
    sqlite3* database = RecordStore::sharedDatabase();
    const int key = tagOf(calendarBtn(), 0);
    CalendarPtr category = database ? Calendar::initWithPrimaryKey(key, database) : CalendarPtr();
    if (fallBackToDefault && (!category || category->calendarName().isEmpty())) {
        CoreData* dataManager = CoreData::shared();
        const SettingPtr setting = currentSetting();
        if (dataManager && setting) {
            if (CalendarPtr fallback = dataManager->calendarWithPrimaryKey(setting->calendarDefID())) category = fallback;
        }
    }
    return category;
}

void EventDetailView::checkChangeInfo()
{
    m_otherRulesChanged = m_alldayRuleChanged = m_repeatRuleChanged = m_repeatOptionChanged = false;
    m_changedCal = false;
    if (!m_task) return;
    const Task& item = *m_task;
    m_otherRulesChanged = titleToStore() != item.taskName() ||
                          m_locationTextField->stringValue() != item.taskLocation();
    m_alldayRuleChanged = (m_allDayBtn->state() == 1) != item.isADE();
    if (!m_otherRulesChanged) {
        m_otherRulesChanged = formTimes() != std::pair(item.startTime(), item.endTime());
    }
    m_repeatRuleChanged = qint64(m_repeatRules->repeatTag() - 1) != item.repeatType();
    // A stored zone outside the zone table stays the record's unless the
    // user picked one, so it never counts as changed by itself.
    if (!m_otherRulesChanged) m_otherRulesChanged = m_zoneId != item.tz();
    m_repeatOptionChanged = formRepeatOptions(false) != item.repeatOptions();
    if (!m_otherRulesChanged) {
        m_otherRulesChanged = Utilities::updateAlertList(m_alertRows->alertList()) != item.alertValues() ||
                              m_urlTextField->stringValue() != item.url();
    }
}

// ---- writing the record ------------------------------------------------------------

void EventDetailView::writeCommonFields(const TaskPtr& item, bool forNewItem)
{
    const SettingPtr setting = currentSetting();
    // A timed event stored without length (as other programs write one with
    // no end) keeps none; one given an end at its start gets the default.
    const bool hadLength = forNewItem || item->isADE() || item->startTime() != item->endTime();
    item->setTaskLocation(m_locationTextField->stringValue());
    const bool allDay = m_allDayBtn->state() == 1;
    item->setIsADE(allDay);
    const auto [formStart, formEnd] = formTimes();
    item->setStartTime(formStart);
    if (forNewItem) item->setRepeatStartDate(item->startTime());
    item->setEndTime(formEnd);
    // Without zone support the form shows an item at its own times, so it
    // keeps its own zone (a new one has the display zone's): given the
    // display zone, a New York 14:00 retitled in Paris would become Paris's.
    item->setTz(m_zoneId);
    // An event held in UTC or in its file's zone shows there in the
    // machine's clock.
    if (!allDay && setting && !setting->tzSupport())
        if (const CoreData* dataManager = CoreData::shared()) dataManager->recalculateSaveTimeWithTimezoneSupport(item);

    if (allDay) {
        const Date start = item->startTime();
        const Date end = item->endTime();
        item->setStartTime(Utilities::resetDate(start, Utilities::getYear(start), Utilities::getMonth(start),
                                                Utilities::getDay(start), 0, 0, 0));
        item->setEndTime(Utilities::resetDate(end, Utilities::getYear(end), Utilities::getMonth(end),
                                              Utilities::getDay(end), 23, 59, 59));
        if (!forNewItem) item->setIsSheduledTask(false);
    } else if (item->startTime() == item->endTime() && hadLength) {
        const qint64 minutes = setting ? setting->durationDefEventVal() : 60;
        item->setEndTime(Utilities::dateByAddTimeInterval(double(minutes) * 60, item->startTime()));
    }
    item->setDuration(qint64(item->endTime().timeIntervalSinceDate(item->startTime()) / 60));
}

void EventDetailView::summaryInfo(int scope)
{
    if (!m_task) return;
    const TaskPtr item = m_task;
    const Date startBefore = item->startTime();
    const QString optionsBefore = item->repeatOptions();
    const qint64 typeBefore = item->repeatType();
    item->setTaskName(titleToStore());
    writeCommonFields(item, false);

    if (scope == 0) {
        item->setRepeatType(0);
    } else {
        item->setRepeatType(m_repeatRules->repeatTag() - 1);
        item->setRepeatOptions(formRepeatOptions(true));
        if (m_repeatRules->repeatTag() == RepeatRuleRows::weeklyTag) {
            // A start moved to another day with the weekdays left as they
            // were moves the series, not only its first occurrence.
            item->setRepeatOptions(RepeatRule::optionsMovedWithStart(item->repeatType(), item->repeatOptions(), optionsBefore,
                                                                     startBefore, item->startTime()));
            // A start off the series' weekdays (other programs write such
            // series) stays while neither it nor the rule changes: moved to
            // the first chosen weekday on a title edit, it would add an
            // occurrence there.
            const bool startOrRuleChanged = item->startTime() != startBefore || item->repeatType() != typeBefore
                                            || item->repeatOptions() != optionsBefore;
            const qint64 interval = m_repeatRules->repeatEveryTextField()->stringValue().toLongLong();
            const QString weekdays = item->repeatOptions().section(QLatin1Char('/'), 1, 1);
            const Date moved = startOrRuleChanged ? EventSaving::adjustedWeeklyStart(item->startTime(), weekdays, interval)
                                                  : item->startTime();
            if (moved != item->startTime()) {
                item->setStartTime(moved);
                item->setEndTime(Utilities::dateByAddTimeInterval(double(item->duration()) * 60, moved));
            }
        }
    }
    if (item->repeatType() != 0) {
        const Date end = untilForever() ? Date() : repeatEndToStore(*item);
        item->setIsRepeatForever(untilForever());
        item->setRepeatEndDate(end);
    }
    const CalendarPtr category = categoryToStore(false);
    const qint64 key = category ? category->primaryKey() : item->calendarId();
    m_changedCal = key != item->calendarId();
    item->setCalendarId(key);
    item->updateAlertList(m_alertRows->alertList());
    item->setUrl(m_urlTextField->stringValue());
    CoreData* dataManager = CoreData::shared();
    item->setTagList(EventSaving::tagListFor(m_tagDetailView->objectValue(), category ? category->tagList() : QString(),
                                             [dataManager](const QString& name) {
                                                 if (dataManager && !dataManager->insertTagIfNA(name)) qWarning() << "Tag" << name << "could not be stored";
                                             }));
    item->setNotes(m_desc->string());
}

void EventDetailView::getChanges()
{
    if (!m_task) return;
    const TaskPtr item = m_task;
    item->setRepeatType(m_repeatRules->repeatTag() - 1);
    if (item->repeatType() != 0) {
        const Date end = untilForever() ? Date() : repeatEndToStore(*item);
        item->setIsRepeatForever(untilForever());
        item->setRepeatEndDate(end);
    }
    const CalendarPtr category = categoryToStore(false);
    const qint64 key = category ? category->primaryKey() : item->calendarId();
    m_changedCal = key != item->calendarId();
    item->setCalendarId(key);
    item->updateAlertList(m_alertRows->alertList());
    CoreData* dataManager = CoreData::shared();
    item->setTagList(EventSaving::tagListFor(m_tagDetailView->objectValue(), category ? category->tagList() : QString(),
                                             [dataManager](const QString& name) {
                                                 if (dataManager && !dataManager->insertTagIfNA(name)) qWarning() << "Tag" << name << "could not be stored";
                                             }));
}

// ---- what changed elsewhere meanwhile -------------------------------------------------

// The item as the form would load it from what is stored now: a stored
// item's row; for a generated occurrence, the occurrence of that day of the
// series as stored now (at the times it had when there is none that day,
// the series' rule or start having moved: then only the series' other
// fields are compared).
TaskPtr EventDetailView::storedNow() const
{
    if (!m_task) return nullptr;
    if (m_task->primaryKey() >= 0) {
        const TaskPtr row = Task::initWithPrimaryKey(m_task->primaryKey());
        return row && row->primaryKey() == m_task->primaryKey() ? row : nullptr;
    }
    CoreData* dataManager = CoreData::shared();
    if (m_task->primaryKey() > -2 || m_task->parentId() <= 0 || !dataManager) return nullptr;
    const TaskPtr root = Task::initWithPrimaryKey(m_task->parentId());
    if (!root || root->primaryKey() != m_task->parentId() || root->repeatType() == 0) return nullptr;
    const Date day = m_keptCopy ? m_keptCopy->occurrence() : m_task->occurrence();
    TaskList instances;
    dataManager->fillRepeatEventInstances({root}, instances, Utilities::today(day), Utilities::newDateOnDate(day, 23, 59));
    if (!instances.isEmpty()) return instances.first();
    TaskPtr same = root->instanceCopy();
    const Task& opened = m_keptCopy ? *m_keptCopy : *m_task;
    same->setParentId(root->primaryKey());
    same->setStartTime(opened.startTime());
    same->setEndTime(opened.endTime());
    same->setOccurrence(opened.occurrence());
    same->setIsADE(opened.isADE());
    same->setTz(opened.tz());
    return same;
}

void EventDetailView::takeChangesMadeElsewhere()
{
    const auto ownFields = [this](ElsewhereMerge& merge, const Task& opened, Task& now) {
        const auto shownNow = std::tuple(m_allDayBtn->state() == 1, formTimes(), m_zoneId);
        const auto loadedTimes = std::tuple(opened.isADE(), m_openedTimes, opened.tz());
        const TaskPtr stored = now.copy();
        const auto storedTimes = std::tuple(stored->isADE(), shownTimes(stored), stored->tz());
        merge.field(shownNow != loadedTimes, storedTimes != loadedTimes, shownNow == storedTimes,
                    [&] { showTimes(now.copy()); });
        if (isStoredDetachedOccurrence()) return;
        const auto ruleOf = [](const Task& item) {
            return std::tuple(item.repeatType(), item.repeatOptions(), item.isRepeatForever(), item.repeatEndDate());
        };
        const bool ruleHere = qint64(m_repeatRules->repeatTag() - 1) != opened.repeatType()
                              || formRepeatOptions(false) != opened.repeatOptions();
        merge.field(ruleHere, ruleOf(now) != ruleOf(opened), false, [&] { m_repeatRules->loadFromTask(now); });
    };
    ItemDetailView::takeChangesMadeElsewhere(storedNow(), [this] { return titleToStore(); }, ownFields);
}

// ---- what follows a save -------------------------------------------------------------

bool EventDetailView::calendarUpkeep()
{
    if (!m_changedCal) return true;
    CoreData* dataManager = CoreData::shared();
    return !dataManager || dataManager->resetZVWIdWhenCalChanged(m_task, true);
}

void EventDetailView::tagFilterUpkeep()
{
    CoreData* dataManager = CoreData::shared();
    if (!dataManager || !dataManager->isAppliedTagFilter() || !m_task) return;
    if (!dataManager->removeTaskFromListWithTagFilter(m_task)) dataManager->addTaskToList(m_task, dataManager->getShowTag());
}

void EventDetailView::postClose(bool taskChanged)
{
    NotificationCenter& center = NotificationCenter::defaultCenter();
    const NotificationPayload self(static_cast<QObject*>(this));
    // Those who close the popover have run before the change is told.
    center.postNotificationOnMainThreadName(Popover::shouldCloseNotification, self);
    if (taskChanged) center.postNotificationOnMainThreadName(kTaskChanged, self);
}

void EventSaving::pushRequest()
{
    const SettingPtr setting = currentSetting();
    if (setting && setting->autoZVWSync())
        NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kAutoSyncNotification, autoSyncItems);
}

bool EventSaving::isFirstOccurrence(const Task& item)
{
    const Date stored = item.occurrence();
    const bool unset = stored.isNull() || Utilities::toDBDate(stored).timeIntervalSince1970() <= 0;
    const Date occurrence = unset ? item.startTime() : stored;
    return Utilities::compareDateNoTime(occurrence, item.repeatStartDate()) == 0;
}

qint64 EventSaving::seriesKey(const Task& item)
{
    return item.parentId() != -1 ? item.parentId() : item.primaryKey();
}

void EventDetailView::afterSave(bool close, bool posted)
{
    tagFilterUpkeep();
    if (close) postClose(posted);
}

bool EventDetailView::isFirstOccurrence() const
{
    return m_task && EventSaving::isFirstOccurrence(*m_task);
}

qint64 EventDetailView::rootKey() const
{
    return m_task ? EventSaving::seriesKey(*m_task) : -1;
}

void EventDetailView::saveChanges(bool close)
{
    m_currentLinkSection->saveChanges();
    if (!m_task || !isRevertShown()) {
        if (close) postClose(true);
        return;
    }
    if (refuseTimeTheClockSkips()) return;
    m_revertBtn->hide();
    takeChangesMadeElsewhere();
    checkChangeInfo();
    CoreData* dataManager = CoreData::shared();
    if (!dataManager) {
        qWarning() << "An event was saved without a data manager; nothing is stored";
        if (close) postClose(false);
        return;
    }
    const bool seriesRoot = m_task->parentId() == -1 && m_task->repeatType() != 0;
    const bool occurrence = m_task->primaryKey() <= -2;
    if (!seriesRoot && !occurrence) {
        const TaskPtr item = m_task;
        const bool plain = item->parentId() == -1;
        const bool timed = !item->isADE();
        // The form and every command of the save are one unit: kept whole,
        // or the record and the rows stay as they were.
        const bool saved = dataManager->saveChangeFromView({item}, [&] {
            if (plain) {
                summaryInfo(1);
                return dataManager->doEditAllOperatorWithEvent(item, false) && calendarUpkeep();
            }
            summaryInfo(0);
            if (!dataManager->doEditOnlyThisOperatorWithEvent(item, false)) return false;
            return !m_changedCal || (dataManager->changeCalendarId(item->calendarId(), rootKey()) && calendarUpkeep());
        }, window());
        if (!saved) {
            keepFormAfterRefusal();
            return;
        }
        EventSaving::pushRequest();
        if (plain && timed) {
            MainViewAccess* mainView = MainViewAccess::current();
            if (MonthView* month = mainView ? mainView->monthView() : nullptr) month->reloadDataWithDaylabel(true);
        }
        afterSave(close);
        return;
    }
    askAndSave(close);
}

void EventDetailView::keepFormAfterRefusal()
{
    // The editor stays open with what was typed, its changes still shown
    // as unsaved, so Done can try again.
    showRevert();
}

bool EventDetailView::refuseTimeTheClockSkips()
{
    if (m_allDayBtn->state() == 1) return false;
    CustomNSDatePicker* skipped = nullptr;
    for (CustomNSDatePicker* picker : {m_startTextField, m_endTextField})
        if (!skipped && picker->showsTimeTheClockSkips()) skipped = picker;
    if (!skipped) return false;
    // Times are held as readings of the machine's clock, so a time of the
    // event's zone (New York's 02:30) on the night the machine's clocks go
    // forward cannot be held as typed.
    const QDateTime shown = skipped->editor()->dateTime();
    AlertRequest request;
    request.style = AlertStyle::Warning;
    request.attached = true;
    request.messageText = TextTable::localizedString(QStringLiteral("timeTheClockSkipsText"));
    request.informativeText = TextTable::localizedString(QStringLiteral("timeTheClockSkipsMessage"))
                                  .arg(QLocale().toString(shown.date(), QLocale::LongFormat) + QLatin1Char(' ')
                                       + shown.time().toString(QStringLiteral("HH:mm")));
    request.addButtonWithTitle(TextTable::localizedString(QStringLiteral("okText")));
    AlertPresenter::current().runModal(request);
    return true;
}

void EventDetailView::askAndSave(bool close)
{
    CoreData* dataManager = CoreData::shared();
    const TaskPtr item = m_task;
    const bool allDayRecord = item->isADE();
    const bool scheduled = !allDayRecord && item->isSheduledTask();
    const bool first = isFirstOccurrence();
    const qint64 root = rootKey();
    const Date startBefore = item->startTime();
    const bool ruleChanged = m_repeatRuleChanged || m_repeatOptionChanged;

    enum class Case { A, B, C, D, E, F, G };
    Case which;
    if (first)
        which = m_alldayRuleChanged ? Case::A : m_otherRulesChanged ? Case::B : Case::C;
    else if (m_alldayRuleChanged)
        which = Case::D;
    else if (m_otherRulesChanged)
        which = Case::E;
    else
        which = ruleChanged ? Case::G : Case::F;

    AlertRequest request;
    request.style = AlertStyle::Warning;
    request.attached = true;
    const QString eventTitle = (allDayRecord ? TextTable::localizedString(QStringLiteral("editingADEText")) : scheduled ? TextTable::localizedString(QStringLiteral("editingSTaskText")) : TextTable::localizedString(QStringLiteral("editingEventText")));
    const QString onlyThis = (scheduled ? TextTable::localizedString(QStringLiteral("onlyThisSTaskText")) : TextTable::localizedString(QStringLiteral("onlyThisEventText")));
    const QString allFuture = (scheduled ? TextTable::localizedString(QStringLiteral("allFutureSTasksText")) : TextTable::localizedString(QStringLiteral("allFutureEventsText")));
    const auto joined = [](const QString& first, const QString& second) -> QString {
        return first + QLatin1Char('\n') + second;
    };
    enum class Answer { OnlyThis, All, AllFuture, Cancel };
    QList<Answer> buttons;
    switch (which) {
    case Case::A:
        request.messageText = (allDayRecord ? TextTable::localizedString(QStringLiteral("editingADEText")) : TextTable::localizedString(QStringLiteral("editingEventText")));
        request.informativeText = (allDayRecord ? TextTable::localizedString(QStringLiteral("editingAllADEMessageText")) : TextTable::localizedString(QStringLiteral("editingAllEventToADEText")));
        request.addButtonWithTitle(TextTable::localizedString(QStringLiteral("allText")));
        buttons = {Answer::All};
        break;
    case Case::B:
        request.messageText = eventTitle;
        request.informativeText = allDayRecord ? joined(TextTable::localizedString(QStringLiteral("editingAllMessageText")), TextTable::localizedString(QStringLiteral("warningRADEExceptionText")))
                                               : (scheduled ? TextTable::localizedString(QStringLiteral("editingAllSTaskMessageText")) : TextTable::localizedString(QStringLiteral("editingAllMessageText")));
        request.addButtonWithTitle(onlyThis);
        request.addButtonWithTitle(TextTable::localizedString(QStringLiteral("allText")));
        buttons = {Answer::OnlyThis, Answer::All};
        break;
    case Case::D:
        request.messageText = (allDayRecord ? TextTable::localizedString(QStringLiteral("editingADEText")) : TextTable::localizedString(QStringLiteral("editingEventText")));
        request.informativeText = (allDayRecord ? TextTable::localizedString(QStringLiteral("editingAllFutureADEMessageText")) : TextTable::localizedString(QStringLiteral("editingAllFutureEventToADEText")));
        request.addButtonWithTitle(TextTable::localizedString(QStringLiteral("allFutureEventsText")));
        buttons = {Answer::AllFuture};
        break;
    case Case::E:
        request.messageText = eventTitle;
        request.informativeText = allDayRecord ? joined(TextTable::localizedString(QStringLiteral("editingAllFutureMessageText")), TextTable::localizedString(QStringLiteral("warningRADEExceptionText")))
                                               : (scheduled ? TextTable::localizedString(QStringLiteral("editingAllSTaskFutureMessageText"))
                                                                : TextTable::localizedString(QStringLiteral("editingAllFutureMessageText")));
        request.addButtonWithTitle(onlyThis);
        request.addButtonWithTitle(allFuture);
        buttons = {Answer::OnlyThis, Answer::AllFuture};
        break;
    case Case::G:
        request.messageText = (allDayRecord ? TextTable::localizedString(QStringLiteral("editingADEText")) : TextTable::localizedString(QStringLiteral("editingEventText")));
        request.informativeText = TextTable::localizedString(QStringLiteral("editingAllFutureMessageText"));
        request.addButtonWithTitle(TextTable::localizedString(QStringLiteral("allFutureEventsText")));
        buttons = {Answer::AllFuture};
        break;
    case Case::C:
    case Case::F:
        break;
    }

    Answer answer = Answer::All;
    if (!buttons.isEmpty()) {
        request.addButtonWithTitle(TextTable::localizedString(QStringLiteral("cancelText")));
        buttons.append(Answer::Cancel);
        const int index = AlertPresenter::current().runModal(request).button - AlertResponse::firstButton;
        // An alert ended without a button stores nothing, as Cancel does.
        answer = index >= 0 && index < buttons.size() ? buttons.at(index) : Answer::Cancel;
    }
    // The question may have run for a while; the editor may be gone or
    // reloaded with another record since.
    if (m_task != item) return;

    if (answer == Answer::Cancel) {
        if (close) postClose(false);
        return;
    }

    // Each outcome's writes, run as one unit below: a series edit of
    // several commands is kept whole or not at all.
    const auto scopeOneWrite = [&](const std::function<bool()>& reset) {
        summaryInfo(1);
        return reset() && dataManager->doEditAllOperatorWithEvent(item, false) && calendarUpkeep();
    };
    const auto onlyThisWrite = [&] {
        summaryInfo(0);
        if (!dataManager->doEditOnlyThisOperatorWithEvent(item, false)) return false;
        return !m_changedCal || (dataManager->changeCalendarId(item->calendarId(), root) && calendarUpkeep());
    };
    const auto futureWrite = [&] {
        summaryInfo(2);
        return dataManager->doEditAllFutureOperatorWithEvent(item);
    };
    const auto ruleReset = [&] {
        item->setRepeatExceptions(QString());
        item->setRepeatStartDate(item->startTime());
        return dataManager->deleteAllDetachedEventsParentID(root, item->startTime());
    };

    TaskList shown{item};
    TaskPtr rootEvent;
    // The edit of the whole series asks the web push itself.
    bool pushAfter = true;
    std::function<bool()> writes;
    switch (which) {
    case Case::A:
        writes = [&] {
            return scopeOneWrite([&] {
                const bool deleted = dataManager->deleteAllDetachedEventsParentID(root, item->repeatStartDate());
                item->setRepeatExceptions(QString());
                item->setRepeatStartDate(item->startTime());
                return deleted;
            });
        };
        break;
    case Case::B:
        if (answer == Answer::OnlyThis) {
            writes = onlyThisWrite;
            break;
        }
        writes = [&] {
            return scopeOneWrite([&] {
                if (!allDayRecord) item->setRepeatStartDate(item->startTime());
                return item->repeatType() != 0 || ruleReset();
            });
        };
        break;
    case Case::C:
        writes = [&] { return scopeOneWrite([&] { return !ruleChanged || ruleReset(); }); };
        break;
    case Case::D:
        pushAfter = false;
        writes = [&] {
            if (!dataManager->deleteAllDetachedEventsParentID(root, startBefore)) return false;
            summaryInfo(2);
            item->setRepeatExceptions(QString());
            item->setRepeatStartDate(item->startTime());
            return dataManager->doEditAllFutureOperatorWithEvent(item);
        };
        break;
    case Case::E:
        pushAfter = answer == Answer::OnlyThis;
        writes = answer == Answer::OnlyThis ? std::function<bool()>(onlyThisWrite) : std::function<bool()>(futureWrite);
        break;
    case Case::G:
        pushAfter = false;
        writes = futureWrite;
        break;
    case Case::F: {
        rootEvent = dataManager->getRootEventWithParentID(root);
        if (!rootEvent || rootEvent->primaryKey() < 0) {
            qWarning() << "The series" << root << "is gone; the change is not stored";
            EventSaving::pushRequest();
            afterSave(close);
            return;
        }
        shown.append(rootEvent);
        const QString notes = m_desc->string();
        const bool notesEdited = notes != item->notes();
        writes = [&, notes, notesEdited] {
            m_task = rootEvent;
            getChanges();
            // Notes edited on a later occurrence go with the rest of the change.
            if (notesEdited) rootEvent->setNotes(notes);
            return dataManager->doEditAllOperatorWithEvent(rootEvent, false) && calendarUpkeep();
        };
        break;
    }
    }

    if (!dataManager->saveChangeFromView(shown, writes, window())) {
        // The editor holds the record it was opened on again.
        m_task = item;
        keepFormAfterRefusal();
        return;
    }
    // From now on the editor holds the root: a later revert restores it.
    if (rootEvent) m_keptCopy = rootEvent->copy();
    if (pushAfter) EventSaving::pushRequest();
    afterSave(close);
}

// ---- add, cancel --------------------------------------------------------------------

void EventDetailView::addEvent()
{
    // Save (or Return, which the form takes first) with a tag still being
    // typed keeps that tag too.
    m_tagDetailView->tokenizeTypedText();
    if (refuseTimeTheClockSkips()) return;
    auto item = std::make_shared<Task>();
    item->setTaskType(0);
    item->setBuiltIn(0);
    writeCommonFields(item, true);
    const int repeatTag = m_repeatRules->repeatTag();
    item->setRepeatType(repeatTag - 1);
    item->setRepeatOptions(formRepeatOptions(true));
    if (repeatTag == RepeatRuleRows::weeklyTag) {
        const qint64 interval = m_repeatRules->repeatEveryTextField()->stringValue().toLongLong();
        const Date moved = EventSaving::adjustedWeeklyStart(item->startTime(), item->repeatOptions().section(QLatin1Char('/'), 1, 1),
                                                            interval);
        if (moved != item->startTime()) {
            item->setStartTime(moved);
            item->setRepeatStartDate(moved);
            item->setEndTime(Utilities::dateByAddTimeInterval(double(item->duration()) * 60, moved));
        }
    }
    if (item->repeatType() != 0) {
        item->setIsRepeatForever(untilForever());
        item->setRepeatEndDate(untilForever()
                                   ? Date()
                                   : Utilities::newDateOnDate(m_repeatRules->untilDateTextField()->dateValue(), 23, 59));
    }
    const CalendarPtr category = categoryToStore(true);
    if (category) item->setCalendarId(category->primaryKey());
    item->updateAlertList(m_alertRows->alertList());
    item->setUrl(m_urlTextField->stringValue());
    // The host stores the new tags with the event.
    item->setTagList(EventSaving::tagListFor(m_tagDetailView->objectValue(), category ? category->tagList() : QString()));
    item->setNotes(m_desc->string());
    item->setLocalStartDate(item->startTime());
    item->setLocalEndDate(item->endTime());
    item->setPrevtz(item->tz());
    item->setPrevAllDay(item->isADE());
    if (m_type != 0) return;
    QWidget* parent = m_parentView;
    auto* panel = qobject_cast<View*>(parent);
    QWidget* hostWidget = panel ? panel->parentWidget() : nullptr;
    if (auto* host = dynamic_cast<QuickAddHost*>(hostWidget))
        host->addNewTask(item);
    else
        qWarning() << "A new event was built with no quick-add field to take it";
}

void EventDetailView::cancelAdd()
{
    if (m_type != 0) return;
    QWidget* parent = m_parentView;
    QWidget* hostWidget = parent ? parent->parentWidget() : nullptr;
    if (auto* host = dynamic_cast<QuickAddHost*>(hostWidget)) host->resetData();
}

// ---- add link ------------------------------------------------------------------------

void EventDetailView::addNewLink()
{
    customResignFirstResponder();
    saveChanges(false);
    if (MainViewAccess* mainView = MainViewAccess::current(); mainView && m_task) {
        const QString key = QString::number(m_task->primaryKey());
        mainView->reloadDataWithInfo(QVariantMap{{key, key}});
    }
    popupAddLink();
    m_revertBtn->hide();
}

void EventDetailView::popupAddLink()
{
    auto* anchor = qobject_cast<View*>(m_parentView.data());
    // The add-link page replaces the editor in the popover that shows it.
    if (DetailViewController* showing = DetailViewController::showing(this)) {
        showing->addLink(m_task, anchor, 3);
        return;
    }
    if (!m_detailViewController) m_detailViewController = new DetailViewController(this);
    if (auto* controller = qobject_cast<DetailViewController*>(m_detailViewController.data()))
        controller->addLink(m_task, anchor, 3);
}
