#pragma once

#include "Date.h"
#include "ModelTypes.h"

#include <QMutex>
#include <QString>
#include <QStringList>

#include <atomic>
#include <optional>

// Notification names of the data manager's lists.
inline const QString kAllTasksEventsAdesChanged = QStringLiteral("Array of allTasksEventsAdes has changed");
inline const QString kCalendarListChanged = QStringLiteral("Array of calendarList has changed");

// The flag that the database opened; queries answer their empty result while
// it is clear.
extern std::atomic<bool> databaseOpen;

// The data manager: one object for the process. It owns the settings record
// and the working lists. The lists are changed from the main thread and from
// the sync threads, so one mutex guards them; readers get snapshots, and list
// notifications are posted only after the mutex is released.
class CoreData {
public:
    CoreData();
    ~CoreData();
    CoreData(const CoreData&) = delete;
    CoreData& operator=(const CoreData&) = delete;

    // The process-wide pointer every subsystem reads; null before creation.
    static CoreData* shared();
    static void setShared(CoreData* dataManager);

    // --- shared objects ---
    SettingPtr currentSetting() const;
    void setCurrentSetting(const SettingPtr& setting);
    TaskPtr copiedItem() const;
    void setCopiedItem(const TaskPtr& item);
    TaskPtr modifyingTask() const;
    void setModifyingTask(const TaskPtr& item);
    bool isAppliedTagFilter() const { return m_isAppliedTagFilter; }
    void setIsAppliedTagFilter(bool applied) { m_isAppliedTagFilter = applied; }

    // --- working lists (snapshots) ---
    TaskList allTasksEventsAdes() const;
    CalendarList calendarList() const;
    TagList tagList() const;
    void setTagList(const TagList& tags);
    void appendToTagList(const TagPtr& tag);
    LinkList linkList() const;
    void setLinkList(const LinkList& links);
    void appendToLinkList(const LinkPtr& link);

    // Action 0 adds the items, 1 removes them (all of them with no list), any
    // other action changes nothing; each call posts one change notification.
    void doWithAllTasksEventsAdes(const std::optional<TaskList>& list, qint64 action);
    // Action 0 adds, 1 removes (all with no list), 2 replaces the whole list.
    void doWithCalendarList(const std::optional<CalendarList>& list, qint64 action);

    // --- categories ---
    // Waits (0.01 s steps, up to 2 s) only while a category reload is under
    // way; a category list that is legitimately empty answers at once.
    CalendarPtr calendarWithPrimaryKey(qint64 key) const;
    qint64 getMaxOrderOfCalendars() const;
    void setCalendarReloadInProgress(bool inProgress);

    // --- items ---
    qint64 getMaxOrderOfTasks() const;
    // Stores modifyingTask as a new item.
    void addNewTask();

    // --- tags and links ---
    QStringList getShowTag() const;
    bool hasLinks(const TaskPtr& item) const;

private:
    // The first column of the first row of a query of our own, under the
    // record guard; 0 when the database is closed, the statement cannot be
    // prepared or there is no row.
    static qint64 queryInt64(const char* sql);

    mutable QMutex m_listMutex;
    TaskList m_allTasksEventsAdes;
    CalendarList m_calendarList;
    TagList m_tagList;
    LinkList m_linkList;

    mutable QMutex m_objectMutex;
    SettingPtr m_currentSetting;
    TaskPtr m_copiedItem;
    TaskPtr m_modifyingTask;

    std::atomic<bool> m_isAppliedTagFilter{false};
    std::atomic<bool> m_calendarReloadInProgress{false};
};
