#pragma once

#include "CalCalendar.h"
#include "Date.h"

#include <QList>
#include <QString>

#include <memory>

class CalTask;
using CalTaskPtr = std::shared_ptr<CalTask>;
using CalTaskList = QList<CalTaskPtr>;

// One task (reminder) of the store. A new task has no uid until it is saved.
class CalTask {
public:
    static CalTaskPtr task() { return std::make_shared<CalTask>(); }

    const QString& uid() const { return m_uid; }
    const QString& title() const { return m_title; }
    void setTitle(const QString& title) { m_title = title; }
    const QString& notes() const { return m_notes; }
    void setNotes(const QString& notes) { m_notes = notes; }
    const QString& url() const { return m_url; }
    void setUrl(const QString& url) { m_url = url; }
    // Null when the task has no due date.
    const Date& dueDate() const { return m_dueDate; }
    void setDueDate(const Date& date) { m_dueDate = date; }
    bool isCompleted() const { return m_completed; }
    void setIsCompleted(bool completed) { m_completed = completed; }
    const Date& completedDate() const { return m_completedDate; }
    void setCompletedDate(const Date& date) { m_completedDate = date; }

    const CalCalendarPtr& calendar() const { return m_calendar; }
    void setCalendar(const CalCalendarPtr& calendar) { m_calendar = calendar; }

    // The uid a new task is to be written under (see
    // CalEvent::setUidOfNewEvent).
    void setUidOfNewTask(const QString& uid) { m_uid = uid; }
    // As CalEvent::setFileStaysWhenAlike.
    void setFileStaysWhenAlike(bool stays) { m_fileStaysWhenAlike = stays; }

private:
    friend class CalCalendarStore;

    QString m_uid;
    QString m_title;
    QString m_notes;
    QString m_url;
    Date m_dueDate;
    bool m_completed = false;
    Date m_completedDate;
    CalCalendarPtr m_calendar;
    bool m_fileStaysWhenAlike = false;
};
