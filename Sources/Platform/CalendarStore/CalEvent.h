#pragma once

#include "CalCalendar.h"
#include "CalRecurrenceRule.h"
#include "Date.h"

#include <QList>
#include <QString>

#include <memory>
#include <optional>

class CalEvent;
using CalEventPtr = std::shared_ptr<CalEvent>;
using CalEventList = QList<CalEventPtr>;

// One event of the store, or one occurrence of a repeating one: a date-range
// query answers an object per occurrence. `occurrence` is the occurrence's
// date in the unchanged series (the start, for an event that does not
// repeat); a changed occurrence `isDetached` and carries its series' rule.
// A new event has no uid until the store saves it.
class CalEvent {
public:
    static CalEventPtr event() { return std::make_shared<CalEvent>(); }

    const QString& uid() const { return m_uid; }
    const QString& title() const { return m_title; }
    void setTitle(const QString& title) { m_title = title; }
    const QString& location() const { return m_location; }
    void setLocation(const QString& location) { m_location = location; }
    const QString& notes() const { return m_notes; }
    void setNotes(const QString& notes) { m_notes = notes; }
    // The link as text; empty when there is none.
    const QString& url() const { return m_url; }
    void setUrl(const QString& url) { m_url = url; }

    const Date& startDate() const { return m_startDate; }
    void setStartDate(const Date& date) { m_startDate = date; }
    // For an all-day event, 00:00 of the day after its last day.
    const Date& endDate() const { return m_endDate; }
    void setEndDate(const Date& date) { m_endDate = date; }
    bool isAllDay() const { return m_allDay; }
    void setIsAllDay(bool allDay) { m_allDay = allDay; }
    // The zone the event's times are written in; empty for none (the file
    // then holds UTC times).
    const QString& timeZone() const { return m_timeZone; }
    void setTimeZone(const QString& zone) { m_timeZone = zone; }
    // Read from a file whose times have no zone: they are in UTC ("Z"),
    // instants, rather than floating wall-clock times. Set on an event
    // without a zone, a new file writes its times in UTC too (a file that
    // has the event keeps the form its times have).
    bool inUTC() const { return m_inUTC; }
    void setInUTC(bool inUTC) { m_inUTC = inUTC; }

    const std::optional<CalRecurrenceRule>& recurrenceRule() const { return m_rule; }
    void setRecurrenceRule(const std::optional<CalRecurrenceRule>& rule) { m_rule = rule; }

    const Date& occurrence() const { return m_occurrence; }
    bool isDetached() const { return m_detached; }
    // The dates the file adds to the series (RDATE), read only.
    const QList<Date>& recurrenceDates() const { return m_recurrenceDates; }
    // A changed occurrence whose change carries on to the later ones
    // (RANGE=THISANDFUTURE): they come moved with it, not detached.
    bool carriesOn() const { return m_carriesOn; }

    // The uid a new event is to be written under, instead of one the store
    // makes: the sync names the copy and records the name before the write,
    // so that after a crash it knows the file as its own. The store takes
    // another when a file of that name is already there.
    void setUidOfNewEvent(const QString& uid) { m_uid = uid; }
    // The same for the rest of a series a save of future events splits off
    // this occurrence's series: after the save the event carries that uid.
    void setUidOfSplitRest(const QString& uid) { m_splitRestUid = uid; }
    // A save that would change nothing in the file but its stamp leaves the
    // file as it is (a restore writing back what the file already says).
    void setFileStaysWhenAlike(bool stays) { m_fileStaysWhenAlike = stays; }
    // A save of the series first gives these occurrences back to its rule
    // (their changes and deleted dates leave the file): a restore puts the
    // series back as the backup has it.
    void setOccurrencesRestored(const QList<Date>& occurrences) { m_restoredOccurrences = occurrences; }

    const CalCalendarPtr& calendar() const { return m_calendar; }
    void setCalendar(const CalCalendarPtr& calendar) { m_calendar = calendar; }

private:
    friend class CalCalendarStore;

    QString m_uid;
    QString m_title;
    QString m_location;
    QString m_notes;
    QString m_url;
    Date m_startDate;
    Date m_endDate;
    bool m_allDay = false;
    QString m_timeZone;
    bool m_inUTC = false;
    std::optional<CalRecurrenceRule> m_rule;
    Date m_occurrence;
    bool m_detached = false;
    QList<Date> m_recurrenceDates;
    bool m_carriesOn = false;
    CalCalendarPtr m_calendar;
    QString m_splitRestUid;
    bool m_fileStaysWhenAlike = false;
    QList<Date> m_restoredOccurrences;
};
