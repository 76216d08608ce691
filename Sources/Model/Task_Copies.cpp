// Field-by-field copies of an item: whole copies, the refresh from a
// downloaded item, and duplicates stored as new items.
#include "Task.h"

#include "CoreData.h"


TaskPtr Task::copy() const
{
    auto item = std::make_shared<Task>();
    item->copyContentOfTask(*this);
    return item;
}

void Task::forgetUnsavedChanges(qint64 storedHasChanges)
{
    m_hasChanges = storedHasChanges;
    m_dirty = false;
}

TaskPtr Task::storeSnapshot() const
{
    TaskPtr item = copy();
    item->m_dirty = false;
    item->m_storeOrigin = std::const_pointer_cast<Task>(weak_from_this().lock());
    return item;
}

// Through the setters, so the receiver turns dirty (and marked for the web
// service) exactly where it differed. Planner and top-task marks belong to
// the view that set them and are not copied.
void Task::copyContentOfTask(const Task& source)
{
    setPrimaryKey(source.m_primaryKey);
    setTaskType(source.m_taskType);
    setIsADE(source.m_isADE);
    setTaskName(source.m_taskName);
    setTaskLocation(source.m_taskLocation);
    setStartTime(source.m_startTime);
    setEndTime(source.m_endTime);
    setDueEnd(source.m_dueEnd);
    setDateUpdate(source.m_dateUpdate);
    setCompletedDate(source.m_completedDate);
    setHasDue(source.m_hasDue);
    setTaskOrder(source.m_taskOrder);
    setRepeatType(source.m_repeatType);
    setRepeatStartDate(source.m_repeatStartDate);
    setRepeatEndDate(source.m_repeatEndDate);
    setRepeatOptions(source.m_repeatOptions);
    setRepeatExceptions(source.m_repeatExceptions);
    setIsRepeatForever(source.m_isRepeatForever);
    setDuration(source.m_duration);
    setHasDuration(source.m_hasDuration);
    setCalendarId(source.m_calendarId);
    setParentId(source.m_parentId);
    setIsInitialTask(source.m_isInitialTask);
    setIsPinned(source.m_isPinned);
    setAlertValues(source.m_alertValues);
    setICalUID(source.m_iCalUID);
    setOccurrence(source.m_occurrence);
    setBuiltIn(source.m_builtIn);
    setIsHidden(source.m_isHidden);
    setTaskRepeatStyle(source.m_taskRepeatStyle);
    setZvwID(source.m_zvwID);
    setLastUpdate(source.m_lastUpdate);
    setStatus(source.m_status);
    setUrl(source.m_url);
    setTagList(source.m_tagList);
    setHasChanges(source.m_hasChanges);
    setNotes(source.m_notes);
    setIsShared(source.m_isShared);
    setTz(source.m_tz);
    setHeldInFileZone(source.m_heldInFileZone);
    setIsSheduledTask(source.m_isSheduledTask);
    setAssigneeEmail(source.m_assigneeEmail);
    setDelegateStatus(source.m_delegateStatus);
    setDelegateDate(source.m_delegateDate);
    setPrevtz(source.prevtz());
    setTzStartTime(source.tzStartTime());
    setTzEndTime(source.tzEndTime());
    setLocalStartDate(source.localStartDate());
    setLocalEndDate(source.localEndDate());
    setPrevAllDay(source.m_prevAllDay);
}

TaskPtr Task::instanceCopy() const
{
    TaskPtr item(new Task(*this));
    item->m_isTopGTDTask = false;
    item->setRootTZ(0);
    item->setNpStartTime(Date());
    item->m_npNeedGetStartTime = false;
    item->setNpDuration(0);
    item->m_npIsMustDo = false;
    item->setNpSortOrder(0);
    item->m_dirty = true;
    return item;
}

RecurrenceSeries Task::recurrenceSeries() const
{
    const bool isTask = m_taskType == 1;
    return RecurrenceSeries{RepeatRule::fromOptions(m_repeatType, m_repeatOptions),
                            isTask ? m_dueEnd : m_startTime,
                            isTask ? m_dueEnd : m_endTime,
                            m_repeatStartDate,
                            m_repeatEndDate,
                            m_isRepeatForever != 0,
                            m_repeatExceptions};
}

// The web service does not know our keys, order, series rows or the system
// calendar's uid; the previous-state fields let the system calendar sync find
// its copy of the item as it was received.
void Task::updateContentOfTaskFromZVW(const Task& source)
{
    setTaskType(source.m_taskType);
    setIsADE(source.m_isADE);
    setTaskName(source.m_taskName);
    setTaskLocation(source.m_taskLocation);
    setStartTime(source.m_startTime);
    setEndTime(source.m_endTime);
    setDueEnd(source.m_dueEnd);
    setCompletedDate(source.m_completedDate);
    setHasDue(source.m_hasDue);
    setRepeatType(source.m_repeatType);
    setRepeatEndDate(source.m_repeatEndDate);
    setRepeatOptions(source.m_repeatOptions);
    setIsRepeatForever(source.m_isRepeatForever);
    setRepeatExceptions(source.m_repeatExceptions);
    setDuration(source.m_duration);
    setCalendarId(source.m_calendarId);
    setIsPinned(source.m_isPinned);
    setAlertValues(source.m_alertValues);
    setHasDuration(source.m_hasDuration);
    setTaskRepeatStyle(source.m_taskRepeatStyle);
    setZvwID(source.m_zvwID);
    setLastUpdate(source.m_lastUpdate);
    setStatus(source.m_status);
    setUrl(source.m_url);
    setTagList(source.m_tagList);
    setNotes(source.m_notes);
    setIsShared(source.m_isShared);
    setTz(source.m_tz);
    setIsSheduledTask(source.m_isSheduledTask);
    setAssigneeEmail(source.m_assigneeEmail);
    setDelegateStatus(source.m_delegateStatus);
    setDelegateDate(source.m_delegateDate);
    setPrevtz(source.m_tz);
    setLocalStartDate(source.m_startTime);
    setLocalEndDate(source.m_endTime);
    setPrevAllDay(source.m_isADE != 0);
}

// A duplicate is a new item of its own: it must not claim the original's row
// on the web service or in the system calendar store.
TaskPtr Task::duplicate() const
{
    return duplicateWith([](Task& item) {
        item.setParentId(-1);
        item.setZvwID(0);
        item.setICalUID(QStringLiteral(""));
        item.setLastUpdate(0);
        item.setRepeatStartDate(item.startTime());
    });
}

TaskPtr Task::duplicateThisOnly() const
{
    return duplicateWith([](Task& item) {
        item.setParentId(-1);
        item.setRepeatType(0);
        item.setRepeatExceptions(QStringLiteral(""));
        item.setRepeatStartDate(item.startTime());
        item.setZvwID(0);
        item.setICalUID(QStringLiteral(""));
        item.setLastUpdate(0);
    });
}

TaskPtr Task::duplicateWith(void (*prepare)(Task& duplicate)) const
{
    const TaskPtr item = copy();
    CoreData* dataManager = CoreData::shared();
    if (dataManager) dataManager->setModifyingTask(item);
    prepare(*item);
    // A copy that got no row is no duplicate.
    if (dataManager && !dataManager->addNewTask(item)) return nullptr;
    return item;
}
