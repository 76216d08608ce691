#pragma once

#include "AlertObj.h"
#include "Date.h"

#include <memory>

class Task;

// One pending alarm of the data manager's alert list. It holds the item and
// its alert themselves, so an edit of the item shows through the alarm; its
// two dates are its own. Shared through std::shared_ptr and never copied.
class LocalNotification {
public:
    LocalNotification() = default;
    LocalNotification(const LocalNotification&) = delete;
    LocalNotification& operator=(const LocalNotification&) = delete;

    // When the alarm fires; the alert list is kept sorted by it.
    const Date& dateFire() const { return m_dateFire; }
    void setDateFire(const Date& dateFire) { m_dateFire = dateFire; }

    const std::shared_ptr<Task>& task() const { return m_task; }
    void setTask(const std::shared_ptr<Task>& task) { m_task = task; }

    // The start or due time the alarm refers to (the occurrence's start for a
    // repeating event).
    const Date& dateStart() const { return m_dateStart; }
    void setDateStart(const Date& dateStart) { m_dateStart = dateStart; }

    const std::shared_ptr<AlertObj>& alertObj() const { return m_alertObj; }
    void setAlertObj(const std::shared_ptr<AlertObj>& alertObj) { m_alertObj = alertObj; }

private:
    Date m_dateFire;
    std::shared_ptr<Task> m_task;
    Date m_dateStart;
    std::shared_ptr<AlertObj> m_alertObj;
};
