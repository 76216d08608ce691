// Store records to local items and local items to store records, field by
// field: events, tasks and repeat rules.
#include "iCalSyncJobs.h"

#include "Calendar.h"
#include "CoreData.h"
#include "GregorianCalendar.h"
#include "ICalendarFile.h"
#include "Setting.h"
#include "Task.h"
#include "TextTable.h"
#include "Utilities.h"

#include <QDebug>
#include <QSet>
#include <QUrl>

#include <cmath>
#include <mutex>

namespace {

Date epoch()
{
    return Date::dateWithTimeIntervalSince1970(0);
}

bool blankTitle(const QString& title)
{
    return QString(title).remove(QLatin1Char(' ')).isEmpty();
}

// A store's link as the organizer shows it: as the file spells it (its
// percent escapes stay escaped, as every reader shows them). A link that
// does not parse is no link.
QString linkFromStore(const QString& text)
{
    if (text.isEmpty()) return QString(QLatin1String(""));
    const QUrl url(text, QUrl::StrictMode);
    return url.isValid() && !url.scheme().isEmpty() ? text : QString(QLatin1String(""));
}

// The organizer's link as a file may hold it: a URI, whatever a URI cannot
// hold (a space, a letter beyond ASCII) percent-encoded.
QString linkForStore(const QString& text)
{
    if (text.isEmpty()) return QString(QLatin1String(""));
    const QUrl url(text, QUrl::TolerantMode);
    return url.isValid() && !url.scheme().isEmpty() ? QString::fromUtf8(url.toEncoded()) : QString(QLatin1String(""));
}

// Whether the organizer's link is still the store's as it took it in: then
// the store's link is written back as the store has it.
bool sameLink(const QString& local, const QString& store)
{
    return local == linkFromStore(store) || (!local.isEmpty() && linkForStore(local) == store);
}

// The store's link, unless it is the organizer's own as a file carries it.
QString linkOver(const QString& local, const QString& store)
{
    return !local.isEmpty() && linkForStore(local) == store ? local : linkFromStore(store);
}

// An item without a title shows the placeholder; the placeholder is no title
// the person gave, and a store item without one keeps having none.
QString titleForStore(const QString& title, const QString& storeTitle, bool newItem, const QString& placeholder)
{
    if (newItem || !blankTitle(storeTitle) || title != placeholder) return title;
    return storeTitle;
}

// The store's text, unless it is the local one as a store file carries it
// (without the control characters a file may not hold): the store copy of
// what the organizer wrote must not shorten the organizer's own text.
QString storeTextOver(const QString& local, const QString& store)
{
    return !local.isEmpty() && ICalendarFile::storableText(local) == store ? local : store;
}

// The local category of a store calendar, waiting while the categories reload.
void applyCategory(const CalCalendarPtr& storeCalendar, const TaskPtr& item)
{
    const CoreData* manager = CoreData::shared();
    const CalendarPtr category =
        manager && storeCalendar ? manager->calendarWithICalUID(storeCalendar->uid()) : nullptr;
    item->setCalendarId(category ? category->primaryKey() : 0);
    item->setIsHidden(category ? category->inVisible() : 0);
}

}  // namespace

bool iCalSyncJobs::updateInfoFromICalEvent(const CalEvent& event, const TaskPtr& item, const Date& repeatStartDate,
                                           const Date& endDate, bool isForce) const
{
    if (!item) return false;
    const qint64 categoryBefore = item->calendarId();
    Date start = event.startDate();
    Date end = event.endDate();
    // An all-day event covers at least its own day, whatever end it was given.
    if (event.isAllDay() && start && !(end > start)) end = Utilities::newDateFromDate(start, 86400);
    if (repeatStartDate && event.startDate()) {
        // The organizer repeats its own rules at whole minutes; the root of
        // a rule it cannot hold is the file's start alone, beside rows that
        // keep the seconds the store gives them, and keeps its seconds too
        // (or it would show apart from them and be written back moved).
        const bool ownTime = event.recurrenceRule() && event.recurrenceRule()->recurrenceType() == CalRecurrenceRule::Other;
        start = Utilities::resetTimeForDate(repeatStartDate, Utilities::getHour(event.startDate()),
                                            Utilities::getMinute(event.startDate()),
                                            ownTime ? Utilities::getSecond(event.startDate()) : 0);
        // The length on the clock, as the start is moved on the clock: an
        // event of 1:00 to 4:00 on a day the clocks change keeps its 4:00.
        const auto onTheClock = [](const Date& date) {
            return date.timeIntervalSince1970() + GregorianCalendar::secondsFromGMTForDate(date);
        };
        const double length = event.endDate() ? onTheClock(event.endDate()) - onTheClock(event.startDate()) : 0;
        end = Utilities::newDateFromDate(start, length);
    }
    const QString title = storeTextOver(item->taskName(), event.title());
    item->setTaskName(blankTitle(title) ? TextTable::localizedString(QStringLiteral("newEventText")) : title);
    item->setTaskLocation(event.location().isNull() ? QString(QLatin1String(""))
                                                    : storeTextOver(item->taskLocation(), event.location()));
    item->setIsADE(event.isAllDay() ? 1 : 0);
    item->setICalUID(event.uid());
    item->setTaskType(0);
    // Read now without zone support, the times of another zone than the
    // display zone are held in its clock (a row read earlier held this
    // machine's); with zone support every zoned item's are.
    if (const CoreData* data = CoreData::shared(); data && data->currentSetting() && !data->currentSetting()->tzSupport())
        item->setHeldInFileZone(holdsFileZone(event));
    item->setStartTime(start);
    item->setEndTime(event.isAllDay() ? Utilities::newDateFromDate(end, -86400) : end);
    item->setOccurrence(event.occurrence());
    item->setBuiltIn(1);
    item->setUrl(linkOver(item->url(), event.url()));
    item->setNotes(storeTextOver(item->notes(), event.notes()));
    applyCategory(event.calendar(), item);
    if (event.isAllDay()) {
        item->setStartTime(Utilities::resetTimeForDate(item->startTime(), 0, 0, 0));
        item->setEndTime(Utilities::resetTimeForDate(item->endTime(), 23, 59, 59));
    }
    if (item->startTime() && item->endTime())
        item->setDuration(qint64(std::trunc(item->endTime().timeIntervalSinceDate(item->startTime()) / 60)));
    // A forced event without a rule (a changed occurrence whose file has no
    // series) is a one-off: its other repeat fields stay as they were.
    if (event.recurrenceRule() && (!event.isDetached() || isForce)) {
        item->setRepeatStartDate(repeatStartDate);
        updateRETypeForEvent(item, event, endDate);
    } else {
        item->setRepeatType(0);
    }
    return item->calendarId() != categoryBefore;
}

void iCalSyncJobs::updateRETypeForEvent(const TaskPtr& item, const CalEvent& event, const Date& repeatEndDate) const
{
    if (!item) return;
    // A forced event without a rule of its own stands for no repetition.
    if (!event.recurrenceRule()) {
        item->setRepeatType(0);
        item->setIsRepeatForever(0);
        return;
    }
    const CalRecurrenceRule& rule = *event.recurrenceRule();
    const qint64 interval = rule.recurrenceInterval();
    switch (rule.recurrenceType()) {
    case CalRecurrenceRule::Daily: item->setRepeatType(1); break;
    case CalRecurrenceRule::Weekly: item->setRepeatType(2); break;
    case CalRecurrenceRule::Monthly: item->setRepeatType(3); break;
    case CalRecurrenceRule::Yearly: item->setRepeatType(4); break;
    default:
        item->setRepeatType(0);
        item->setIsRepeatForever(0);
        return;
    }
    // The series repeats on the days of its own zone; the item holds its
    // times in the zone the import gives it, where the start may fall a day
    // earlier or later (Monday 09:00 in Tokyo is Sunday evening in New York).
    const QTimeZone held = heldZoneOfEvent(event, item->heldInFileZone());
    const QString startWeekday =
        QString::number(weekdaysInZone({int(Utilities::getWeekday(event.startDate()))}, event.startDate(), QTimeZone(), held)
                            .value(0));
    QString weekdays;
    qint64 flag = 0;
    if (rule.recurrenceType() == CalRecurrenceRule::Weekly) {
        if (!rule.daysOfTheWeek().isEmpty()) {
            QStringList days;
            for (int day : weekdaysInZone(rule.daysOfTheWeek(), event.startDate(), fileZoneOfEvent(event), held))
                days << QString::number(day);
            weekdays = days.join(QLatin1Char('|'));
        } else {
            weekdays = startWeekday;
        }
    }
    if (rule.recurrenceType() == CalRecurrenceRule::Monthly) {
        if (!rule.daysOfTheMonth().isEmpty())
            weekdays = startWeekday;
        else
            flag = rule.nthWeekDaysOfTheMonth().isEmpty() ? 0 : 1;
    }
    item->setRepeatOptions(QStringLiteral("%1/%2/%3").arg(interval).arg(weekdays).arg(flag));
    const auto& end = rule.recurrenceEnd();
    if (end && (end->usesEndDate() || end->occurrenceCount() != 0)) {
        item->setIsRepeatForever(0);
        item->setRepeatEndDate(repeatEndDate);
    } else {
        item->setRepeatEndDate(epoch());
        item->setIsRepeatForever(1);
    }
}

bool iCalSyncJobs::updateInfoFromICalTask(const CalTask& task, const TaskPtr& item) const
{
    if (!item) return false;
    const qint64 categoryBefore = item->calendarId();
    const QString title = storeTextOver(item->taskName(), task.title());
    item->setTaskName(blankTitle(title) ? TextTable::localizedString(QStringLiteral("newTaskText")) : title);
    item->setICalUID(task.uid());
    item->setTaskType(1);
    item->setUrl(linkOver(item->url(), task.url()));
    item->setNotes(storeTextOver(item->notes(), task.notes()));
    item->setHasDue(task.dueDate() ? 1 : 0);
    if (!task.dueDate()) {
        item->setAlertValues(QString(QLatin1String("")));
    } else {
        // The store carries the day; the item keeps its time of day.
        const Date before = item->dueEnd();
        item->setDueEnd(Utilities::newDateOnDate(task.dueDate(), before ? Utilities::getHour(before) : 0,
                                                 before ? Utilities::getMinute(before) : 0));
    }
    item->setStatus(task.isCompleted() ? 1 : 0);
    item->setCompletedDate(task.isCompleted() && task.completedDate() ? task.completedDate() : epoch());
    applyCategory(task.calendar(), item);
    if (item->repeatType() != 0 && item->status() == 1) {
        CoreData* manager = CoreData::shared();
        if (TaskPtr next = manager ? manager->nextDummyForRepeatingTask(item) : nullptr) {
            next->setCompletedDate(epoch());
            next->setStatus(0);
            next->setZvwID(0);
            next->setLastUpdate(0);
            next->setParentId(-1);
            if (!manager->addNewTask(next))
                qWarning().noquote() << "The next instance of the completed task" << item->taskName()
                                     << "could not be stored";
        }
        item->setRepeatType(0);
    }
    return item->calendarId() != categoryBefore;
}

std::optional<CalRecurrenceRule> iCalSyncJobs::getICalRERuleFromLocalEvent(const TaskPtr& item) const
{
    if (!item || item->repeatType() == 0 || !syncEnabled()) return std::nullopt;
    qint64 interval = 1;
    QString weekdays;
    qint64 flag = 0;
    if (!item->repeatOptions().isEmpty()) {
        const QStringList fields = item->repeatOptions().split(QLatin1Char('/'));
        interval = fields.value(0).toLongLong();
        weekdays = fields.value(1);
        flag = fields.value(2).toLongLong();
    }
    // An interval the store cannot write counts as 1.
    if (interval < 1 || interval > 100000) interval = 1;
    std::optional<CalRecurrenceEnd> end;
    // A zoned root keeps its end in its zone's wall-clock time, as its start.
    if (!item->isRepeatForever())
        end = CalRecurrenceEnd::recurrenceEndWithEndDate(itemDateToSeriesDate(item->repeatEndDate(), *item));
    const Date start = item->startTime();
    switch (item->repeatType()) {
    case 1: return CalRecurrenceRule::initDailyRecurrenceWithInterval(int(interval), end);
    case 2: {
        QList<int> days;
        for (const QString& entry : weekdays.split(QLatin1Char('|'))) {
            const int day = entry.toInt();
            if (day >= 1 && day <= 7) days << day;
        }
        return CalRecurrenceRule::initWeeklyRecurrenceWithInterval(int(interval), days, end);
    }
    case 3: {
        if (flag == 1) {
            const qint64 ordinal = Utilities::getWeekdayOrdinal(start);
            return CalRecurrenceRule::initMonthlyRecurrenceWithInterval(int(interval), int(Utilities::getWeekday(start)),
                                                                       ordinal < 5 ? int(ordinal) : -1, end);
        }
        return CalRecurrenceRule::initMonthlyRecurrenceWithInterval(int(interval), QList<int>{int(Utilities::getDay(start))},
                                                                   end);
    }
    case 4:
        return CalRecurrenceRule::initYearlyRecurrenceWithInterval(int(interval), QList<int>{int(Utilities::getMonth(start))},
                                                                  end);
    default: return std::nullopt;
    }
}

CalCalendarPtr iCalSyncJobs::storeCalendarOfItem(const TaskPtr& item) const
{
    const CoreData* manager = CoreData::shared();
    const CalendarPtr category = manager && item ? manager->calendarWithPrimaryKey(item->calendarId()) : nullptr;
    if (!category) return nullptr;
    // A category whose calendar the worker has just made under its reserved
    // uid may not show the link yet: the store's calendar is there all the same.
    QString uid = category->iCalUID();
    if (uid.startsWith(pendingStoreCopyMark)) uid = uid.mid(pendingStoreCopyMark.size());
    if (uid.isEmpty()) return nullptr;
    for (const CalCalendarPtr& calendar : m_iCalStore->calendars())
        if (calendar && calendar->uid() == uid) return calendar;
    return nullptr;
}

std::optional<CalRecurrenceRule> iCalSyncJobs::ruleToWrite(const TaskPtr& item, const CalEvent& event,
                                                           bool newEvent) const
{
    std::optional<CalRecurrenceRule> wanted = item->repeatType() >= 1 ? getICalRERuleFromLocalEvent(item) : std::nullopt;
    // The item's weekdays are those of the zone it holds its times in; the
    // file names them in the zone its times are written in.
    std::optional<CalRecurrenceRule> written = wanted;
    if (wanted && wanted->recurrenceType() == CalRecurrenceRule::Weekly && !event.timeZone().isEmpty()) {
        const QTimeZone held = heldZoneOfItem(*item);
        const QList<int> days = weekdaysInZone(wanted->daysOfTheWeek(), itemTimeToStoreTime(item->startTime(), held), held,
                                               GregorianCalendar::zoneNamed(event.timeZone()));
        if (days != wanted->daysOfTheWeek())
            written = CalRecurrenceRule::initWeeklyRecurrenceWithInterval(wanted->recurrenceInterval(), days,
                                                                         wanted->recurrenceEnd());
    }
    const std::optional<CalRecurrenceRule>& stored = event.recurrenceRule();
    if (newEvent || !stored || event.isDetached() || written == stored) return written;
    // What the organizer made of the store's rule when it read it: while
    // the item still says that, the user did not touch the repetition and
    // the store's rule stays, even one the organizer shows only as its
    // nearest rule (or not at all).
    // The end is the file's own as the organizer reads it from the start
    // now written (a count counted from there): an end the organizer moved
    // with its series, or the user changed, is the organizer's to write.
    // A count runs from the file's start as now written: moved as this
    // occurrence moved, which may be a later one than the start (the first
    // ones deleted or changed).
    Date fileStart = event.startDate();
    if (event.occurrence() && !event.uid().isEmpty())
        if (const CalEventPtr series = m_iCalStore->eventWithUID(event.uid(), Date()))
            fileStart = series->startDate().dateByAddingTimeInterval(event.startDate().timeIntervalSinceDate(event.occurrence()));
    auto shown = std::make_shared<Task>();
    shown->setStartTime(item->startTime());
    shown->setTz(item->tz());
    shown->setHeldInFileZone(item->heldInFileZone());
    updateRETypeForEvent(shown, event,
                         seriesDateToItemTime(findEndDateForIEvent(event, fileStart, item->heldInFileZone()), *item));
    // The item's end as the reading left it may be counted on another
    // clock than the one counted here (a series in UTC stepped on this
    // machine's): an end that leaves the same last occurrence is the file's,
    // while the file's start stays (a count goes on from the start written).
    if (fileStart == event.startDate() && shown->repeatType() == item->repeatType() && shown->repeatOptions() == item->repeatOptions()
        && endsAlike(*item, shown->repeatEndDate()))
        shown->setRepeatEndDate(item->repeatEndDate());
    const std::optional<CalRecurrenceRule> asShown =
        shown->repeatType() >= 1 ? getICalRERuleFromLocalEvent(shown) : std::nullopt;
    if (asShown != wanted) return written;
    static std::mutex mutex;
    static QSet<QString> told;
    std::lock_guard lock(mutex);
    if (!told.contains(event.uid())) {
        told.insert(event.uid());
        qInfo().noquote() << "Calendar store: the repetition of" << event.uid()
                          << "is one the organizer shows only approximately; the file's own rule is kept";
    }
    return stored;
}

void iCalSyncJobs::fillICalEvent(const TaskPtr& item, CalEvent& event, bool newEvent) const
{
    event.setTitle(
        titleForStore(item->taskName(), event.title(), newEvent, TextTable::localizedString(QStringLiteral("newEventText"))));
    // Without zone support a timed event whose file names no zone (floating
    // times, or a zone only the file defines) was read as this machine's
    // wall clock: its times go back as they are, in the file's own form. Put
    // into the zone shown, a floating file would gain that zone, and its
    // clock time would move for a reader anywhere else. (A series in UTC is
    // repeated here at the wall-clock time, as its zone now says.)
    const CoreData* data = CoreData::shared();
    const SettingPtr setting = data ? data->currentSetting() : nullptr;
    const bool timesAsRead = setting && !setting->tzSupport() && !newEvent && !item->isADE() && !event.isAllDay()
                             && event.startDate() && event.timeZone().isEmpty() && !event.inUTC();
    event.setIsAllDay(item->isADE() != 0);
    if (CalCalendarPtr calendar = storeCalendarOfItem(item)) event.setCalendar(calendar);
    event.setLocation(item->taskLocation());
    Date start = item->startTime();
    Date end = item->endTime();
    if (item->tz() != 0 && !item->isADE() && !timesAsRead) {
        Date zoneStart, zoneEnd;
        const bool read = !newEvent && !event.isAllDay() && !event.timeZone().isEmpty();
        if (read ? storeTimesOfItem(item, event.startDate(), event.endDate(), GregorianCalendar::zoneNamed(event.timeZone()),
                                    &zoneStart, &zoneEnd)
                 : reveseTime(item, -1, &zoneStart, &zoneEnd)) {
            start = zoneStart;
            end = zoneEnd;
        }
    }
    if (item->isADE() && end) end = newEvent ? Utilities::newDateFromDate(end, 86400) : end.dateByAddingTimeInterval(1);
    // The zone the zone write gives the event (none for all-day events and
    // items without zone), so that write finds the file as it should be and
    // the store writes each event once.
    event.setTimeZone(item->isADE() || timesAsRead ? QString() : zoneToWrite(*item, event, start, end));
    // Times held in UTC go to a new file in UTC, as their file had them:
    // written floating, a series would repeat at another clock for readers.
    if (item->tz() == CoreData::utcZoneId && !item->isADE()) event.setInUTC(true);
    event.setStartDate(start);
    event.setEndDate(end);
    event.setRecurrenceRule(ruleToWrite(item, event, newEvent));
    event.setUrl(!newEvent && sameLink(item->url(), event.url()) ? event.url() : linkForStore(item->url()));
    event.setNotes(item->notes());
}

void iCalSyncJobs::fillICalTask(const TaskPtr& item, CalTask& task, bool newTask) const
{
    task.setTitle(
        titleForStore(item->taskName(), task.title(), newTask, TextTable::localizedString(QStringLiteral("newTaskText"))));
    if (CalCalendarPtr calendar = storeCalendarOfItem(item)) task.setCalendar(calendar);
    // The store carries the day of a due date and the item its own time of
    // day: on the store's day the store's due date stays as it is (a day, or
    // a time in its zone), whatever time of day the item holds.
    Date due = item->hasDue() ? item->dueEnd() : Date();
    if (due && !newTask && task.dueDate() && Utilities::compareDateNoTime(due, task.dueDate()) == 0)
        due = task.dueDate();
    task.setDueDate(due);
    task.setIsCompleted(item->status() != 0);
    task.setCompletedDate(item->status() != 0 ? item->completedDate() : Date());
    task.setUrl(!newTask && sameLink(item->url(), task.url()) ? task.url() : linkForStore(item->url()));
    task.setNotes(item->notes());
}
