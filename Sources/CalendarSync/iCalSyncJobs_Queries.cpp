#include "iCalSyncJobs.h"

#include "Clock.h"
#include "CoreData.h"
#include "GregorianCalendar.h"
#include "RecurrenceExpander.h"
#include "Setting.h"
#include "Utilities.h"

#include <QDebug>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace {

constexpr qint64 windowChoices[] = {7, 14, 30, 90, 180, 365};

// An occurrence farther than this from the date asked for is another one.
constexpr double nearestOccurrenceLimit = 900000;

// Without an end date the search for the next ordinary occurrence gives up
// after this many years of windows: a series whose occurrences all went
// would otherwise be searched for ever.
constexpr int nextRootSearchYears = 10;

Date startOfDay(const Date& date)
{
    const DateFields f = GregorianCalendar::fields(date);
    return GregorianCalendar::dateFromFields(f.year, f.month, f.day, 0, 0, 0);
}

Date endOfDay(const Date& date)
{
    const DateFields f = GregorianCalendar::fields(date);
    return GregorianCalendar::dateFromFields(f.year, f.month, f.day, 23, 59, 59);
}

Date movedByDays(const Date& date, qint64 days)
{
    return Utilities::newDateFromDate(date, double(days) * 86400);
}

// The store's test of an event against a query's window.
bool overlapsWindow(const CalEvent& event, const Date& from, const Date& to)
{
    const Date& start = event.startDate();
    const Date& end = event.endDate();
    if (end && end > start) return start <= to && end > from;
    return start >= from && start <= to;
}

// Of the candidates, the one whose occurrence is nearest to the date (the
// first of equals), or null when even that one is too far.
template <class Candidates>
CalEventPtr nearestOccurrence(const Candidates& candidates, const Date& occurrenceDate)
{
    CalEventPtr nearest;
    double nearestDistance = std::numeric_limits<double>::max();
    for (const CalEventPtr& event : candidates) {
        // Whole seconds, cut toward zero.
        const double distance = std::fabs(std::trunc(event->occurrence().timeIntervalSinceDate(occurrenceDate)));
        if (distance < nearestDistance) {
            nearest = event;
            nearestDistance = distance;
        }
    }
    return nearestDistance < nearestOccurrenceLimit ? nearest : nullptr;
}

void logQueryFailure(const char* query, const CalError& error)
{
    qWarning().noquote() << "Calendar store query" << query << "failed:" << error.text;
}

}  // namespace

// --- the sync window ---

qint64 iCalSyncJobs::nearestWindowDays(qint64 days)
{
    qint64 best = windowChoices[0];
    for (qint64 choice : windowChoices) {
        const qint64 distance = std::llabs(choice - days);
        const qint64 bestDistance = std::llabs(best - days);
        if (distance < bestDistance || (distance == bestDistance && choice > best)) best = choice;
    }
    return best;
}

Date iCalSyncJobs::syncWindowDate(bool start, qint64 days, const Date& now)
{
    if (!now) return Date();
    const DateFields f = GregorianCalendar::fields(now);
    const int w = f.weekday;
    switch (nearestWindowDays(days)) {
    case 7:
        return start ? movedByDays(startOfDay(now), -6 - w) : movedByDays(endOfDay(now), 14 - w);
    case 14:
        return start ? movedByDays(startOfDay(now), -13 - w) : movedByDays(endOfDay(now), 21 - w);
    case 30:
        return start ? GregorianCalendar::dateFromFields(f.year, f.month - 1, 1, 0, 0, 0)
                     : movedByDays(GregorianCalendar::dateFromFields(f.year, f.month + 2, 1, 23, 59, 59), -1);
    case 90:
        return start ? GregorianCalendar::dateFromFields(f.year, f.month - 3, 1, 0, 0, 0)
                     : movedByDays(GregorianCalendar::dateFromFields(f.year, f.month + 4, 1, 23, 59, 59), -1);
    case 180:
        return start ? GregorianCalendar::dateFromFields(f.year, f.month - 6, 1, 0, 0, 0)
                     : movedByDays(GregorianCalendar::dateFromFields(f.year, f.month + 7, 1, 23, 59, 59), -1);
    default:
        return start ? GregorianCalendar::dateFromFields(f.year - 1, 1, 1, 0, 0, 0)
                     : movedByDays(GregorianCalendar::dateFromFields(f.year + 2, 1, 1, 23, 59, 59), -1);
    }
}

Date iCalSyncJobs::getSyncWindowDate(bool start) const
{
    const CoreData* manager = CoreData::shared();
    const SettingPtr setting = manager ? manager->currentSetting() : nullptr;
    if (!setting) return Date();
    return syncWindowDate(start, start ? setting->iCalSyncWindowStart() : setting->iCalSyncWindowEnd(), Clock::now());
}

// --- the queries ---

std::optional<CalEventList> iCalSyncJobs::getICalEventsWithCalendars(const CalCalendarList& calendars,
                                                                     bool* partial) const
{
    if (!syncEnabled()) return std::nullopt;
    CalError error;
    const CalEventList events = m_iCalStore->eventsWithPredicate(
        CalCalendarStore::eventPredicateWithStartDate(getSyncWindowDate(true), getSyncWindowDate(false), calendars),
        &error);
    if (partial) *partial = error.code == CalError::Code::CannotRead;
    if (partial && *partial) return events;
    if (!error.ok()) {
        logQueryFailure("events of calendars", error);
        return std::nullopt;
    }
    return events;
}

std::optional<CalTaskList> iCalSyncJobs::getICalTasksWithCalendars(const CalCalendarList& calendars,
                                                                   bool* partial) const
{
    if (!syncEnabled()) return std::nullopt;
    CalError error;
    const CalTaskList tasks =
        m_iCalStore->tasksWithPredicate(CalCalendarStore::taskPredicateWithCalendars(calendars), &error);
    if (partial) *partial = error.code == CalError::Code::CannotRead;
    if (partial && *partial) return tasks;
    if (!error.ok()) {
        logQueryFailure("tasks of calendars", error);
        return std::nullopt;
    }
    return tasks;
}

std::optional<CalEventList> iCalSyncJobs::getICalEventsWithEventUIDList(const QStringList& uids) const
{
    if (!syncEnabled()) return std::nullopt;
    CalEventList events;
    if (uids.isEmpty()) return events;
    CalError error;
    const CalCalendarList calendars = m_iCalStore->calendars(&error);
    if (!error.ok()) {
        logQueryFailure("calendars", error);
        return std::nullopt;
    }
    if (calendars.isEmpty()) return std::nullopt;
    const Date start = getSyncWindowDate(true);
    const Date end = getSyncWindowDate(false);
    for (const QString& uid : uids) {
        events += m_iCalStore->eventsWithPredicate(
            CalCalendarStore::eventPredicateWithStartDate(start, end, uid, calendars), &error);
        if (!error.ok()) {
            logQueryFailure("events of a uid", error);
            return std::nullopt;
        }
    }
    return events;
}

Date iCalSyncJobs::lastCountedOccurrence(const CalRecurrenceRule& rule, qint64 count, const Date& start,
                                         const std::optional<QList<int>>& weekdays)
{
    const qint64 steps = qint64(rule.recurrenceInterval()) * (count - 1);
    if (rule.recurrenceType() == CalRecurrenceRule::Weekly && !rule.daysOfTheWeek().isEmpty()) {
        // Several days a week: the organizer's own stepping finds the last
        // one. A start off the listed days is an occurrence besides the
        // counted ones, as other readers count it.
        QStringList days;
        for (int day : weekdays ? *weekdays : rule.daysOfTheWeek()) days << QString::number(day);
        RecurrenceSeries series;
        series.rule = RepeatRule::fromOptions(RepeatRule::Weekly, QStringLiteral("%1/%2/0").arg(rule.recurrenceInterval()).arg(days.join(QLatin1Char('|'))));
        series.startTime = series.endTime = start;
        series.isRepeatForever = true;
        const qint64 counted = count - (series.rule.weekdays.contains(int(Utilities::getWeekday(start))) ? 1 : 0);
        Date last = start;
        // As far as the store expands a series.
        for (qint64 n = 0; n < std::min<qint64>(counted, 100000); ++n) {
            const std::optional<Date> next = RecurrenceExpander::nextOccurrence(series, last);
            if (!next) break;
            last = *next;
        }
        return last;
    }
    if (rule.recurrenceType() == CalRecurrenceRule::Yearly) {
        // Calendar years: 365 days fall short of the last occurrence
        // whenever a 29 February lies between.
        const DateFields f = GregorianCalendar::fields(start);
        return GregorianCalendar::dateFromFields(f.year + steps, f.month, f.day, f.hour, f.minute, f.second);
    }
    qint64 daysPerStep = 0;
    switch (rule.recurrenceType()) {
    case CalRecurrenceRule::Daily: daysPerStep = 1; break;
    case CalRecurrenceRule::Weekly: daysPerStep = 7; break;
    case CalRecurrenceRule::Monthly: daysPerStep = 31; break;  // at or after the last occurrence
    default: break;
    }
    return movedByDays(start, steps * daysPerStep);
}

Date iCalSyncJobs::findEndDateForIEvent(const CalEvent& event, const Date& start, bool inFileZone)
{
    const auto& rule = event.recurrenceRule();
    if (!rule || !rule->recurrenceEnd()) return Date();
    const CalRecurrenceEnd& end = *rule->recurrenceEnd();
    if (end.usesEndDate()) return end.endDate();
    if (!start) return Date();
    // Counted where the organizer steps the series: in the wall-clock time
    // its item holds (the series' own zone, with zone support), on the days
    // the rule names there, so that the last occurrence is the one it shows,
    // whatever clock changes this machine's zone has in between.
    const QTimeZone held = heldZoneOfEvent(event, inFileZone);
    const QList<int> days = weekdaysInZone(rule->daysOfTheWeek(), event.startDate(), fileZoneOfEvent(event), held);
    const Date last = lastCountedOccurrence(*rule, end.occurrenceCount(), storeTimeToItemTime(start, held), days);
    return last ? itemTimeToStoreTime(last, held) : last;
}

CalEventPtr iCalSyncJobs::findNextRootForIEvent(const CalEvent& event, const Date& startDate,
                                                const Date& endDate) const
{
    const auto& rule = event.recurrenceRule();
    if (!rule || !startDate) return nullptr;
    double step = 0;
    switch (rule->recurrenceType()) {
    case CalRecurrenceRule::Daily:
    case CalRecurrenceRule::Weekly: step = 604800; break;
    case CalRecurrenceRule::Monthly: step = 2678400; break;
    case CalRecurrenceRule::Yearly: step = 31536000; break;
    default: return nullptr;
    }
    CalError error;
    const CalCalendarList calendars = m_iCalStore->calendars(&error);
    if (!error.ok()) return nullptr;
    Date windowStart = startOfDay(startDate);
    Date windowEnd = endOfDay(startDate).dateByAddingTimeInterval(step);
    const Date giveUp = endDate ? Date() : windowStart.dateByAddingTimeInterval(nextRootSearchYears * 365.25 * 86400);
    for (;;) {
        if (endDate && !(windowStart < endDate)) return nullptr;
        if (giveUp && !(windowStart < giveUp)) return nullptr;
        const CalEventList found = m_iCalStore->eventsWithPredicate(
            CalCalendarStore::eventPredicateWithStartDate(windowStart, windowEnd, event.uid(), calendars), &error);
        if (!error.ok()) {
            logQueryFailure("next occurrence", error);
            return nullptr;
        }
        for (const CalEventPtr& candidate : found)
            if (!candidate->isDetached()) return candidate;
        // Each query expands the series from its start: windows that double
        // keep a series of thousands of changed occurrences from being
        // expanded once per step.
        windowStart = windowEnd;
        step *= 2;
        windowEnd = windowEnd.dateByAddingTimeInterval(step);
    }
}

CalEventPtr iCalSyncJobs::getIEventWithUIDAndStartEndDate(const QString& uid, const Date& startDate,
                                                          const Date& endDate) const
{
    if (!syncEnabled()) return nullptr;
    CalError error;
    const CalCalendarList calendars = m_iCalStore->calendars(&error);
    if (!error.ok()) return nullptr;
    const CalEventList found = m_iCalStore->eventsWithPredicate(
        CalCalendarStore::eventPredicateWithStartDate(startDate, endDate, uid, calendars), &error);
    if (!error.ok()) {
        logQueryFailure("event by its dates", error);
        return nullptr;
    }
    for (const CalEventPtr& event : found)
        if (event->startDate() == startDate && event->endDate() == endDate) return event;
    return getIEventWithUID(uid, startDate, startDate);
}

CalEventPtr iCalSyncJobs::getIEventWithUID(const QString& uid, const Date& startDate, const Date& occurrenceDate) const
{
    if (!syncEnabled() || uid.isEmpty() || !startDate) return nullptr;
    CalError error;
    const CalCalendarList calendars = m_iCalStore->calendars(&error);
    if (!error.ok()) return nullptr;
    const CalEventList found = m_iCalStore->eventsWithPredicate(
        CalCalendarStore::eventPredicateWithStartDate(startOfDay(startDate), endOfDay(startDate), uid, calendars),
        &error);
    if (!error.ok()) {
        logQueryFailure("nearest occurrence", error);
        return nullptr;
    }
    return nearestOccurrence(found, occurrenceDate);
}

CalEventList iCalSyncJobs::getIEventsWithUID(const QString& uid, const QList<PairOfDate>& pairs) const
{
    CalEventList answers(pairs.size());
    if (!syncEnabled() || uid.isEmpty()) return answers;
    Date from;
    Date to;
    for (const PairOfDate& pair : pairs) {
        if (!pair.startDate()) continue;
        const Date first = startOfDay(pair.startDate());
        const Date last = endOfDay(pair.startDate());
        if (!from || first < from) from = first;
        if (!to || last > to) to = last;
    }
    if (!from) return answers;
    CalError error;
    const CalCalendarList calendars = m_iCalStore->calendars(&error);
    if (!error.ok()) return answers;
    // Sorted by start: each day's candidates are a short run of it.
    const CalEventList found = m_iCalStore->eventsWithPredicate(
        CalCalendarStore::eventPredicateWithStartDate(from, to, uid, calendars), &error);
    if (!error.ok()) {
        logQueryFailure("nearest occurrences", error);
        return answers;
    }
    double longest = 0;
    for (const CalEventPtr& event : found)
        if (event->endDate() && event->endDate() > event->startDate())
            longest = std::max(longest, event->endDate().timeIntervalSinceDate(event->startDate()));
    for (qsizetype i = 0; i < pairs.size(); ++i) {
        if (!pairs[i].startDate()) continue;
        const Date dayStart = startOfDay(pairs[i].startDate());
        const Date dayEnd = endOfDay(pairs[i].startDate());
        const Date earliest = dayStart.dateByAddingTimeInterval(-longest - 1);
        auto at = std::lower_bound(found.begin(), found.end(), earliest,
                                   [](const CalEventPtr& event, const Date& date) { return event->startDate() < date; });
        CalEventList candidates;
        for (; at != found.end() && (*at)->startDate() <= dayEnd; ++at)
            if (overlapsWindow(**at, dayStart, dayEnd)) candidates << *at;
        answers[i] = nearestOccurrence(candidates, pairs[i].occurrenceDate());
    }
    return answers;
}
