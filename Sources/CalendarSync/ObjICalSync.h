#pragma once

#include "ModelTypes.h"

// An item and the scope code of a queued store update or delete:
// 0 this occurrence, 1 all occurrences, 2 this and all future ones.
class ObjICalSync {
public:
    ObjICalSync() = default;
    ObjICalSync(TaskPtr event, qint64 type) : m_event(std::move(event)), m_type(type) {}

    const TaskPtr& event() const { return m_event; }
    void setEvent(const TaskPtr& event) { m_event = event; }
    qint64 type() const { return m_type; }
    void setType(qint64 type) { m_type = type; }

private:
    TaskPtr m_event;
    qint64 m_type = 0;
};
