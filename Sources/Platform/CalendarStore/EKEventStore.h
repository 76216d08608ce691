#pragma once

#include "CalCalendarStore.h"

#include <QTimeZone>

#include <memory>

class EKEvent;
using EKEventPtr = std::shared_ptr<EKEvent>;
using EKEventList = QList<EKEventPtr>;
class EKEventStore;

// A second view of the calendar store that carries an event's time zone:
// the zone its times are written in, and its times as instants. An event is
// one occurrence (or the series, from eventWithIdentifier); a change is kept
// until it is saved, and refresh() takes the store's state again.
class EKEvent {
public:
    // The uid of the event in the store.
    const QString& eventIdentifier() const { return m_event->uid(); }
    const Date& startDate() const { return m_event->startDate(); }
    void setStartDate(const Date& date) { m_event->setStartDate(date); }
    const Date& endDate() const { return m_event->endDate(); }
    void setEndDate(const Date& date) { m_event->setEndDate(date); }
    bool isAllDay() const { return m_event->isAllDay(); }
    // Invalid for an event without a zone.
    QTimeZone timeZone() const;
    void setTimeZone(const QTimeZone& zone);
    bool isDetached() const { return m_event->isDetached(); }
    // Empty, or the one rule of the series.
    QList<CalRecurrenceRule> recurrenceRules() const;
    bool hasRecurrenceRules() const { return m_event->recurrenceRule().has_value(); }
    const Date& occurrence() const { return m_event->occurrence(); }
    // Takes the store's current state; false (unchanged) when the store has
    // the event no more.
    bool refresh();

private:
    friend class EKEventStore;
    EKEvent(std::weak_ptr<CalCalendarStore> store, CalEventPtr event, bool series)
        : m_store(std::move(store)), m_event(std::move(event)), m_series(series) {}

    std::weak_ptr<CalCalendarStore> m_store;
    CalEventPtr m_event;
    bool m_series = false;
};

// The spans of a zone write.
enum EKSpan { EKSpanThisEvent = 0, EKSpanFutureEvents = 1 };

class EKEventStore {
public:
    explicit EKEventStore(std::shared_ptr<CalCalendarStore> store) : m_store(std::move(store)) {}

    const std::shared_ptr<CalCalendarStore>& calendarStore() const { return m_store; }
    // The calendar of that uid, or null.
    CalCalendarPtr calendarWithIdentifier(const QString& identifier) const;
    static CalPredicate predicateForEventsWithStartDate(const Date& startDate, const Date& endDate,
                                                       const CalCalendarList& calendars);
    // The same, for the occurrences of one event only.
    static CalPredicate predicateForEventsWithStartDate(const Date& startDate, const Date& endDate, const QString& uid,
                                                       const CalCalendarList& calendars);
    // Nothing when the store could not answer in full (error filled).
    std::optional<EKEventList> eventsMatchingPredicate(const CalPredicate& predicate, CalError* error = nullptr) const;
    // The series of that uid (the event itself when it does not repeat).
    EKEventPtr eventWithIdentifier(const QString& identifier) const;
    // span: EKSpan. The event's times and zone are written; with a zone the
    // times are kept in it. commit is accepted for form: every save is at once.
    bool saveEvent(const EKEventPtr& event, int span, bool commit, CalError* error = nullptr);
    // Drops cached state; every answer is read afresh from the store anyway.
    void reset() {}

private:
    std::shared_ptr<CalCalendarStore> m_store;
};
