#include "ICalendarFile.h"
#include "ICalendarFileShared.h"

#include "GregorianCalendar.h"

#include <QSet>

#include <algorithm>
#include <cmath>

using namespace ICalendarFileShared;

namespace {

bool overlaps(const Date& start, const Date& end, const Date& from, const Date& to)
{
    if (end > start) return start <= to && end > from;
    return start >= from && start <= to;
}

// A series expanded without bound stops here: far more occurrences than any
// window shows, few enough that a rule of every second cannot stall a query.
constexpr int maximumOccurrences = 100000;

Date endOfOccurrence(const ICalEventData& master, const Date& start)
{
    if (!master.allDay) return start.dateByAddingTimeInterval(master.end.timeIntervalSinceDate(master.start));
    // Whole days, so an all-day event keeps its length across a clock change.
    const qint64 days = qRound64(master.end.timeIntervalSinceDate(master.start) / 86400.0);
    const DateFields fields = GregorianCalendar::fields(start);
    return GregorianCalendar::dateFromFields(fields.year, fields.month, fields.day + days, 0, 0, 0);
}

// The changes of a series that carry on to its later occurrences
// (RANGE=THISANDFUTURE), by their original dates.
struct CarriedChanges {
    QList<const ICalEventData*> changes;
    // How far an occurrence may be from where the rule puts it, either way.
    double reach = 0;

    // The latest change before the occurrence, which moves it.
    const ICalEventData* before(const Date& occurrence) const
    {
        const auto after = std::lower_bound(changes.cbegin(), changes.cend(), key(occurrence),
                                            [](const ICalEventData* c, qint64 at) { return key(c->recurrenceId) < at; });
        return after == changes.cbegin() ? nullptr : *(after - 1);
    }
};

CarriedChanges carriedChanges(const ICalEventFileData& file, const QSet<qint64>& exceptions)
{
    CarriedChanges carried;
    for (const ICalEventData& changed : file.overrides) {
        if (!changed.thisAndFuture || exceptions.contains(key(changed.recurrenceId))) continue;
        carried.changes << &changed;
        // Two days more for a move by wall-clock time across a clock change.
        carried.reach = std::max(carried.reach, std::abs(changed.start.timeIntervalSinceDate(changed.recurrenceId))
                                                    + changed.end.timeIntervalSinceDate(changed.start) + 2 * 86400.0);
    }
    std::stable_sort(carried.changes.begin(), carried.changes.end(),
                     [](const ICalEventData* a, const ICalEventData* b) { return key(a->recurrenceId) < key(b->recurrenceId); });
    return carried;
}

// An occurrence of the series: where the rule (or an RDATE) puts it, or
// moved by the wall-clock time the latest change before it moved its own
// occurrence, with that change's length and fields.
ICalOccurrence occurrenceOf(const ICalEventData& master, const Date& occurrence, const CarriedChanges& carried)
{
    const ICalEventData* change = carried.changes.isEmpty() ? nullptr : carried.before(occurrence);
    if (!change) return {&master, occurrence, endOfOccurrence(master, occurrence), occurrence, false};
    Date start;
    if (master.wallForeign && !master.allDay) {
        start = occurrence.dateByAddingTimeInterval(change->start.timeIntervalSinceDate(change->recurrenceId));
    } else {
        const auto wallSeconds = [&master](const Date& date) {
            const DateFields f = GregorianCalendar::fields(date, master.wallZone);
            return GregorianCalendar::dateFromFields(f.year, f.month, f.day, f.hour, f.minute, f.second, QTimeZone::utc())
                .wholeSecondsSince1970();
        };
        const qint64 shift = wallSeconds(change->start) - wallSeconds(change->recurrenceId);
        const DateFields f = GregorianCalendar::fields(occurrence, master.wallZone);
        start = GregorianCalendar::dateFromFields(f.year, f.month, f.day, f.hour, f.minute, f.second + shift, master.wallZone);
    }
    if (!start) start = occurrence;
    return {change, start, endOfOccurrence(*change, start), occurrence, false};
}

// The occurrences of one rule of the series; whether it could be stepped.
bool expandRule(const ICalEventData& master, const QByteArray& ruleText, const QSet<qint64>& hidden,
                const CarriedChanges& carried, const Date& from, const Date& to, QSet<qint64>* seen,
                QList<ICalOccurrence>* out)
{
    icalrecurrencetype recurrence = icalrecurrencetype_from_string(ruleText.constData());
    if (recurrence.freq == ICAL_NO_RECURRENCE || ruleMayRunAway(recurrence)) return false;
    // UNTIL is compared here as an instant: libical would compare it with the
    // floating wall-clock times it iterates over.
    const Date until = icaltime_is_null_time(recurrence.until) ? Date() : untilInstant(recurrence.until, master.allDay);
    recurrence.until = icaltime_null_time();

    const auto wallOf = [&](const Date& date) {
        return master.wallForeign && !master.allDay ? master.wallForeign->wall(date)
                                                    : wallTime(date, master.wallZone, master.allDay);
    };
    const icaltimetype start = wallOf(master.start);
    icalrecur_iterator* iterator = icalrecur_iterator_new(recurrence, start);
    if (!iterator) return false;
    const double length = master.end.timeIntervalSinceDate(master.start);
    // Occurrences a change moves may come from further away.
    const Date skipTo = from.dateByAddingTimeInterval(-length - 2 * 86400.0 - carried.reach);
    const Date last = to.dateByAddingTimeInterval(carried.reach);
    if (recurrence.count == 0 && skipTo > master.start)
        icalrecur_iterator_set_start(iterator, wallOf(skipTo));

    for (int n = 0; n < maximumOccurrences; ++n) {
        const icaltimetype next = icalrecur_iterator_next(iterator);
        if (icaltime_is_null_time(next) || !usableFields(next)) break;
        const Date occurrence =
            master.wallForeign && !master.allDay
                ? master.wallForeign->instant(next.year, next.month, next.day, next.hour, next.minute, next.second)
                : GregorianCalendar::dateFromFields(next.year, next.month, next.day, next.hour, next.minute,
                                                    next.second, master.wallZone);
        if (!occurrence || occurrence > last || (until && occurrence > until)) break;
        // Several rules may give one date: it is one occurrence.
        if (hidden.contains(key(occurrence)) || seen->contains(key(occurrence))) continue;
        seen->insert(key(occurrence));
        const ICalOccurrence found = occurrenceOf(master, occurrence, carried);
        if (overlaps(found.start, found.end, from, to)) out->append(found);
    }
    icalrecur_iterator_free(iterator);
    return true;
}

void expandSeries(const ICalEventData& master, const QSet<qint64>& hidden, const CarriedChanges& carried,
                  const Date& from, const Date& to, QList<ICalOccurrence>* out)
{
    QSet<qint64> seen;
    for (const QByteArray& ruleText : master.ruleTexts) expandRule(master, ruleText, hidden, carried, from, to, &seen, out);
    // The start is the first occurrence even where the rule would not put
    // it (a weekly Monday rule from a Tuesday), as other readers take it;
    // libical leaves such a start out. A rule that cannot be stepped gives
    // the start alone.
    if (seen.contains(key(master.start)) || hidden.contains(key(master.start))) return;
    const ICalOccurrence first = occurrenceOf(master, master.start, carried);
    if (overlaps(first.start, first.end, from, to)) out->append(first);
}

}  // namespace

QList<ICalOccurrence> ICalendarFile::expand(const ICalEventFileData& file, const Date& from, const Date& to)
{
    prepareLibical();
    QList<ICalOccurrence> out;
    QSet<qint64> hidden;
    QSet<qint64> exceptions;
    if (file.master) {
        for (const Date& date : file.master->exceptionDates) exceptions.insert(key(date));
        for (const ICalEventData& changed : file.overrides)
            if (changed.cancelled) exceptions.insert(key(changed.recurrenceId));
        hidden = exceptions;
        for (const ICalEventData& changed : file.overrides) hidden.insert(key(changed.recurrenceId));
        const CarriedChanges carried = carriedChanges(file, exceptions);
        // A whole event or series called off (as other readers do, it is not
        // shown; the file keeps it). Its changed occurrences have a status
        // of their own.
        if (file.master->cancelled) {
            // nothing of the master's own
        } else if (file.master->rule && !file.master->ruleTexts.isEmpty())
            expandSeries(*file.master, hidden, carried, from, to, &out);
        else if (!hidden.contains(key(file.master->start)) && overlaps(file.master->start, file.master->end, from, to))
            out.append({&*file.master, file.master->start, file.master->end, file.master->start, false});
        // Dates the file adds to the series, each as long as the master.
        QSet<qint64> taken;
        for (const ICalOccurrence& o : out) taken.insert(key(o.occurrence));
        taken.insert(key(file.master->start));
        for (const Date& date : file.master->recurrenceDates) {
            if (file.master->cancelled || hidden.contains(key(date)) || taken.contains(key(date))) continue;
            taken.insert(key(date));
            const ICalOccurrence found = occurrenceOf(*file.master, date, carried);
            if (overlaps(found.start, found.end, from, to)) out.append(found);
        }
    }
    for (const ICalEventData& changed : file.overrides) {
        if (changed.cancelled || exceptions.contains(key(changed.recurrenceId))) continue;
        if (overlaps(changed.start, changed.end, from, to))
            out.append({&changed, changed.start, changed.end, changed.recurrenceId, true});
    }
    std::stable_sort(out.begin(), out.end(),
                     [](const ICalOccurrence& a, const ICalOccurrence& b) { return a.start < b.start; });
    return out;
}

QList<ICalOccurrence> ICalendarFile::expandAt(const ICalEventFileData& file, const Date& occurrence)
{
    double reach = 0;
    if (file.master) reach = carriedChanges(file, {}).reach;
    QList<ICalOccurrence> found;
    for (const ICalOccurrence& o : expand(file, occurrence.dateByAddingTimeInterval(-reach), occurrence.dateByAddingTimeInterval(reach)))
        if (key(o.occurrence) == key(occurrence)) found << o;
    return found;
}
