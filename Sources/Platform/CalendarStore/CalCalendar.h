#pragma once

#include <QColor>
#include <QList>
#include <QString>

#include <memory>

class CalCalendar;
using CalCalendarPtr = std::shared_ptr<CalCalendar>;
using CalCalendarList = QList<CalCalendarPtr>;

// One calendar of the store: a "<uid>.calendar" folder. A new calendar has
// no uid until the store saves it. Calendars the store answers are copies:
// changing one changes nothing until it is saved.
class CalCalendar {
public:
    static CalCalendarPtr calendar() { return std::make_shared<CalCalendar>(); }

    const QString& uid() const { return m_uid; }
    // A new calendar is saved under the uid it is given (one chosen and
    // stored beforehand), else under a new one.
    void setUid(const QString& uid) { m_uid = uid; }
    const QString& title() const { return m_title; }
    void setTitle(const QString& title) { m_title = title; }
    // "Local" for the calendars the store makes; other programs write their own.
    const QString& type() const { return m_type; }
    void setType(const QString& type) { m_type = type; }
    const QColor& color() const { return m_color; }
    void setColor(const QColor& color) { m_color = color; }
    bool isEditable() const { return m_editable; }

    // What the calendar's folder says it may hold.
    bool holdsEvents() const { return m_holdsEvents; }
    bool holdsTasks() const { return m_holdsTasks; }

private:
    friend class CalCalendarStore;

    QString m_uid;
    QString m_title;
    QString m_type;
    QColor m_color;
    bool m_editable = true;
    bool m_holdsEvents = true;
    bool m_holdsTasks = true;
};
