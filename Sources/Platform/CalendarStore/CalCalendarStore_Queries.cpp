// The queries of the store: the predicates, the events and tasks they find,
// and the items of one uid.
#include "CalCalendarStore.h"

#include "CalCalendarStoreShared.h"
#include "ICalendarFile.h"

#include <QFileInfo>

#include <algorithm>
#include <memory>
#include <mutex>
#include <vector>

CalPredicate CalCalendarStore::eventPredicateWithStartDate(const Date& startDate, const Date& endDate,
                                                           const CalCalendarList& calendars)
{
    return eventPredicateWithStartDate(startDate, endDate, QString(), calendars);
}

CalPredicate CalCalendarStore::eventPredicateWithStartDate(const Date& startDate, const Date& endDate,
                                                           const QString& uid, const CalCalendarList& calendars)
{
    CalPredicate predicate;
    predicate.kind = CalPredicate::Kind::Events;
    predicate.startDate = startDate;
    predicate.endDate = endDate;
    predicate.uid = uid;
    for (const CalCalendarPtr& calendar : calendars)
        if (calendar) predicate.calendarUids << calendar->uid();
    return predicate;
}

CalPredicate CalCalendarStore::taskPredicateWithCalendars(const CalCalendarList& calendars)
{
    CalPredicate predicate = eventPredicateWithStartDate(Date(), Date(), QString(), calendars);
    predicate.kind = CalPredicate::Kind::Tasks;
    return predicate;
}

bool CalCalendarStore::queryIsIncompleteLocked(const CalendarEntry& calendar, bool tasks, const QString& uid,
                                               QStringList* files) const
{
    bool incomplete = !calendar.listable;
    if (!calendar.listable) *files << calendar.folder;
    const QList<FileEntry>& entries = tasks ? calendar.tasks : calendar.events;
    if (!uid.isEmpty()) {
        // A query for one uid misses only the file that may hold it, found
        // by its path in the sorted list: a walk through every file for each
        // uid made an import grow with the square of the files.
        const QString path = calendar.folder + QLatin1Char('/') + (tasks ? tasksFolder : eventsFolder) + QLatin1Char('/')
                             + fileNameOf(uid);
        const auto at = std::lower_bound(entries.begin(), entries.end(), path,
                                         [](const FileEntry& file, const QString& p) { return file.path < p; });
        if (at != entries.end() && at->path == path && !at->problem.isEmpty()) {
            incomplete = true;
            *files << at->path;
        }
        return incomplete;
    }
    for (const FileEntry& file : entries) {
        if (file.problem.isEmpty() || file.leftOut) continue;
        // A query for one uid misses only the file that may hold it.
        if (!uid.isEmpty() && QFileInfo(file.path).fileName() != fileNameOf(uid)) continue;
        incomplete = true;
        *files << file.path;
    }
    return incomplete;
}

// No file holds the uid. One named after it that cannot be used (another
// program wrote something else over the item's file) says nothing of the
// item: it is reported as unread, never as gone.
CalError CalCalendarStore::missingItemErrorLocked(const QString& uid, bool tasks) const
{
    QStringList unusable;
    if (!uid.isEmpty())
        for (const CalendarEntry& calendar : m_index->calendars)
            if (calendar.listable) queryIsIncompleteLocked(calendar, tasks, uid, &unusable);
    if (!unusable.isEmpty())
        return CalError::make(CalError::Code::CannotRead, QStringLiteral("cannot read ") + unusable.join(QStringLiteral(", ")));
    return CalError::make(CalError::Code::NotFound, (tasks ? QStringLiteral("no task ") : QStringLiteral("no event ")) + uid);
}

CalEventPtr CalCalendarStore::eventOf(const ICalEventFileData& file, const ICalOccurrence& occurrence,
                                      const CalCalendarPtr& calendar)
{
    auto event = CalEvent::event();
    const ICalEventData& data = *occurrence.data;
    event->m_uid = file.uid;
    event->m_title = data.title;
    event->m_location = data.location;
    event->m_notes = data.notes;
    event->m_url = data.url;
    event->m_startDate = occurrence.start;
    event->m_endDate = occurrence.end;
    event->m_allDay = data.allDay;
    event->m_timeZone = data.timeZone;
    event->m_inUTC = data.inUTC;
    // A changed occurrence carries its series' rule and extra dates.
    if (file.master) {
        event->m_rule = file.master->rule;
        event->m_recurrenceDates = file.master->recurrenceDates;
    }
    event->m_occurrence = occurrence.occurrence;
    event->m_detached = occurrence.detached;
    event->m_carriesOn = occurrence.detached && data.thisAndFuture;
    event->m_calendar = calendar;
    return event;
}

template <class PerCalendar>
CalError CalCalendarStore::queryCalendarsLocked(const CalPredicate& predicate, bool tasks,
                                               PerCalendar&& perCalendar) const
{
    ensureIndexedLocked();
    QStringList incomplete;
    if (!m_index->rootListable) incomplete << m_root;
    for (const CalendarEntry& calendar : m_index->calendars) {
        if (!predicate.calendarUids.contains(calendar.calendar.m_uid)) continue;
        queryIsIncompleteLocked(calendar, tasks, predicate.uid, &incomplete);
        perCalendar(calendar);
    }
    return incomplete.isEmpty() ? CalError::none()
                                : CalError::make(CalError::Code::CannotRead,
                                                 QStringLiteral("cannot read ") + incomplete.join(QStringLiteral(", ")));
}

CalEventList CalCalendarStore::eventsWithPredicate(const CalPredicate& predicate, CalError* error) const
{
    CalEventList events;
    if (predicate.kind != CalPredicate::Kind::Events || !predicate.startDate || !predicate.endDate) {
        reportCalError(error, CalError::make(CalError::Code::Refused, QStringLiteral("not an event query")));
        return events;
    }
    std::lock_guard lock(m_mutex);
    QStringList unread;  // files read again for the query that no longer read as their uid's
    CalError result = queryCalendarsLocked(predicate, false, [&](const CalendarEntry& calendar) {
        const auto calendarCopy = std::make_shared<CalCalendar>(calendar.calendar);
        // A file kept without its VEVENTs is read only when its span meets the range.
        std::vector<const FileEntry*> files;
        const auto consider = [&](const FileEntry& file) {
            if (file.events || (file.to >= predicate.startDate && file.from <= predicate.endDate)) files.push_back(&file);
        };
        if (!predicate.uid.isEmpty()) {
            // One uid has one file that counts: no walk through the others.
            const auto [owner, file] = locateIn(*m_index, predicate.uid, false);
            if (file && owner == &calendar) consider(*file);
        } else {
            for (const FileEntry& file : calendar.events)
                if (file.usable()) consider(file);
        }
        const std::vector<std::shared_ptr<const ICalEventFileData>> read = eventsOfLocked(files);
        for (size_t at = 0; at < files.size(); ++at) {
            if (!read[at]) {
                unread << files[at]->path;
                continue;
            }
            for (const ICalOccurrence& occurrence : ICalendarFile::expand(*read[at], predicate.startDate, predicate.endDate))
                events << eventOf(*read[at], occurrence, calendarCopy);
        }
    });
    // Such a file is one the query could not read, not an event gone: the
    // watcher's rescan tells what became of it.
    if (!unread.isEmpty())
        result = CalError::make(CalError::Code::CannotRead,
                                (result.ok() ? QStringLiteral("cannot read ") : result.text + QStringLiteral(", "))
                                    + unread.join(QStringLiteral(", ")));
    std::stable_sort(events.begin(), events.end(),
                     [](const CalEventPtr& a, const CalEventPtr& b) { return a->startDate() < b->startDate(); });
    reportCalError(error, result);
    return events;
}

namespace {

CalTaskPtr taskOf(const ICalTaskData& data)
{
    auto task = CalTask::task();
    task->setTitle(data.title);
    task->setNotes(data.notes);
    task->setUrl(data.url);
    task->setDueDate(data.due);
    task->setIsCompleted(data.completed);
    task->setCompletedDate(data.completedDate);
    return task;
}

}  // namespace

CalTaskPtr CalCalendarStore::taskFrom(const FileEntry& file, const CalendarEntry& calendar)
{
    CalTaskPtr task = taskOf(*file.task);
    task->m_uid = file.uid;
    task->m_calendar = std::make_shared<CalCalendar>(calendar.calendar);
    return task;
}

CalTaskList CalCalendarStore::tasksWithPredicate(const CalPredicate& predicate, CalError* error) const
{
    CalTaskList tasks;
    if (predicate.kind != CalPredicate::Kind::Tasks) {
        reportCalError(error, CalError::make(CalError::Code::Refused, QStringLiteral("not a task query")));
        return tasks;
    }
    std::lock_guard lock(m_mutex);
    reportCalError(error, queryCalendarsLocked(predicate, true, [&](const CalendarEntry& calendar) {
                       for (const FileEntry& file : calendar.tasks)
                           if (file.usable() && (predicate.uid.isEmpty() || file.uid == predicate.uid))
                               tasks << taskFrom(file, calendar);
                   }));
    return tasks;
}

CalEventPtr CalCalendarStore::eventWithUID(const QString& uid, const Date& occurrence, CalError* error) const
{
    std::lock_guard lock(m_mutex);
    const auto location = locateEventLocked(uid);
    if (!location) {
        reportCalError(error, missingItemErrorLocked(uid, false));
        return nullptr;
    }
    const std::shared_ptr<const ICalEventFileData> data = eventsOfLocked(*location->file);
    if (!data) {
        reportCalError(error, CalError::make(CalError::Code::CannotRead, QStringLiteral("cannot read ") + location->file->path.toString()));
        return nullptr;
    }
    const ICalEventFileData& file = *data;
    const auto calendar = std::make_shared<CalCalendar>(location->calendar->calendar);
    reportCalError(error, CalError::none());
    if (!occurrence) {
        // A series called off as a whole is not shown: it stands for its
        // changed occurrences that are not called off, if any, as a file of
        // changes alone does.
        if (file.master && !file.master->cancelled)
            return eventOf(file, {&*file.master, file.master->start, file.master->end, file.master->start, false}, calendar);
        for (const ICalEventData& changed : file.overrides)
            if (!file.master || !changed.cancelled)
                return eventOf(file, {&changed, changed.start, changed.end, changed.recurrenceId, true}, calendar);
        reportCalError(error, CalError::make(CalError::Code::NotFound, QStringLiteral("event called off: ") + uid));
        return nullptr;
    }
    for (const ICalEventData& changed : file.overrides)
        if (changed.recurrenceId.wholeSecondsSince1970() == occurrence.wholeSecondsSince1970())
            return eventOf(file, {&changed, changed.start, changed.end, changed.recurrenceId, true}, calendar);
    for (const ICalOccurrence& found : ICalendarFile::expandAt(file, occurrence))
        if (!found.detached && found.occurrence.wholeSecondsSince1970() == occurrence.wholeSecondsSince1970())
            return eventOf(file, found, calendar);
    reportCalError(error, CalError::make(CalError::Code::NotFound, QStringLiteral("no such occurrence of ") + uid));
    return nullptr;
}

CalTaskPtr CalCalendarStore::taskWithUID(const QString& uid, CalError* error) const
{
    std::lock_guard lock(m_mutex);
    const auto location = locateTaskLocked(uid);
    if (!location) {
        reportCalError(error, missingItemErrorLocked(uid, true));
        return nullptr;
    }
    reportCalError(error, CalError::none());
    return taskFrom(*location->file, *location->calendar);
}
