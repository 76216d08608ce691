#include "EKEventStore.h"

#include "GregorianCalendar.h"

QTimeZone EKEvent::timeZone() const
{
    if (m_event->timeZone().isEmpty()) return QTimeZone();
    return GregorianCalendar::zoneNamed(m_event->timeZone());
}

void EKEvent::setTimeZone(const QTimeZone& zone)
{
    m_event->setTimeZone(zone.isValid() ? QString::fromUtf8(zone.id()) : QString());
}

QList<CalRecurrenceRule> EKEvent::recurrenceRules() const
{
    QList<CalRecurrenceRule> rules;
    if (m_event->recurrenceRule()) rules << *m_event->recurrenceRule();
    return rules;
}

bool EKEvent::refresh()
{
    const auto store = m_store.lock();
    if (!store) return false;
    CalEventPtr fresh = store->eventWithUID(m_event->uid(), m_series ? Date() : m_event->occurrence());
    if (!fresh && !m_series) {
        // An event that does not repeat is its one occurrence: moved, it has
        // a new occurrence date but is still the same event.
        const CalEventPtr whole = store->eventWithUID(m_event->uid(), Date());
        if (whole && !whole->recurrenceRule() && !whole->isDetached()) fresh = whole;
    }
    if (!fresh) return false;
    m_event = fresh;
    return true;
}

CalCalendarPtr EKEventStore::calendarWithIdentifier(const QString& identifier) const
{
    return identifier.isEmpty() ? nullptr : m_store->calendarWithUID(identifier);
}

CalPredicate EKEventStore::predicateForEventsWithStartDate(const Date& startDate, const Date& endDate,
                                                           const CalCalendarList& calendars)
{
    return CalCalendarStore::eventPredicateWithStartDate(startDate, endDate, calendars);
}

CalPredicate EKEventStore::predicateForEventsWithStartDate(const Date& startDate, const Date& endDate,
                                                           const QString& uid, const CalCalendarList& calendars)
{
    return CalCalendarStore::eventPredicateWithStartDate(startDate, endDate, uid, calendars);
}

std::optional<EKEventList> EKEventStore::eventsMatchingPredicate(const CalPredicate& predicate, CalError* error) const
{
    CalError failure;
    const CalEventList events = m_store->eventsWithPredicate(predicate, &failure);
    if (error) *error = failure;
    if (!failure.ok()) return std::nullopt;
    EKEventList list;
    for (const CalEventPtr& event : events) list << EKEventPtr(new EKEvent(m_store, event, false));
    return list;
}

EKEventPtr EKEventStore::eventWithIdentifier(const QString& identifier) const
{
    if (identifier.isEmpty()) return nullptr;
    const CalEventPtr event = m_store->eventWithUID(identifier, Date());
    return event ? EKEventPtr(new EKEvent(m_store, event, true)) : nullptr;
}

bool EKEventStore::saveEvent(const EKEventPtr& event, int span, bool /*commit*/, CalError* error)
{
    if (!event)
        return reportCalError(error, CalError::make(CalError::Code::Refused, QStringLiteral("no event given")));
    // The series is written as a whole; an occurrence alone or with those after it.
    const int storeSpan = event->m_series ? CalSpanAllEvents
                          : span == EKSpanFutureEvents ? CalSpanFutureEvents
                                                       : CalSpanThisEvent;
    return m_store->saveEvent(event->m_event, storeSpan, error);
}
