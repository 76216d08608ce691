#pragma once

#include "Date.h"

#include <QString>

// One alert of an item. Alerts are shared: the data manager's pending alarms
// hold the very object the item holds, so they are handled through
// std::shared_ptr and never copied.
class AlertObj {
public:
    AlertObj() = default;
    AlertObj(const AlertObj&) = delete;
    AlertObj& operator=(const AlertObj&) = delete;

    // 0 absolute alert at a date the user chose, 1 relative alert, 2 absolute
    // alert set by a snooze.
    qint64 alertType() const { return m_alertType; }
    void setAlertType(qint64 alertType) { m_alertType = alertType; }

    // Seconds added to the item's start or due time (negative before it); 0
    // for absolute alerts.
    qint64 relativeOffset() const { return m_relativeOffset; }
    void setRelativeOffset(qint64 relativeOffset) { m_relativeOffset = relativeOffset; }

    // Fire time of an absolute alert; null for a relative one.
    const Date& absoluteDate() const { return m_absoluteDate; }
    void setAbsoluteDate(const Date& absoluteDate) { m_absoluteDate = absoluteDate; }

    // Empty when the alert plays no sound.
    const QString& soundName() const { return m_soundName; }
    void setSoundName(const QString& soundName) { m_soundName = soundName; }

private:
    qint64 m_alertType = 0;
    qint64 m_relativeOffset = 0;
    Date m_absoluteDate;
    QString m_soundName;
};
