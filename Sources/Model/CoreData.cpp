#include "CoreData.h"

#include "NotificationCenter.h"
#include "RecordGuard.h"
#include "RecordStore.h"

#include <QMutexLocker>

std::atomic<bool> databaseOpen{false};

namespace {
std::atomic<CoreData*> sharedDataManager{nullptr};

template <class T>
void removeEqual(QList<T>& from, const QList<T>& items)
{
    for (const T& item : items) from.removeAll(item);
}
}  // namespace

CoreData::CoreData() = default;

CoreData::~CoreData()
{
    CoreData* self = this;
    sharedDataManager.compare_exchange_strong(self, nullptr);
}

CoreData* CoreData::shared()
{
    return sharedDataManager.load();
}

void CoreData::setShared(CoreData* dataManager)
{
    sharedDataManager.store(dataManager);
}

SettingPtr CoreData::currentSetting() const
{
    QMutexLocker lock(&m_objectMutex);
    return m_currentSetting;
}

void CoreData::setCurrentSetting(const SettingPtr& setting)
{
    QMutexLocker lock(&m_objectMutex);
    m_currentSetting = setting;
}

TaskPtr CoreData::copiedItem() const
{
    QMutexLocker lock(&m_objectMutex);
    return m_copiedItem;
}

void CoreData::setCopiedItem(const TaskPtr& item)
{
    QMutexLocker lock(&m_objectMutex);
    m_copiedItem = item;
}

TaskPtr CoreData::modifyingTask() const
{
    QMutexLocker lock(&m_objectMutex);
    return m_modifyingTask;
}

void CoreData::setModifyingTask(const TaskPtr& item)
{
    QMutexLocker lock(&m_objectMutex);
    m_modifyingTask = item;
}

TaskList CoreData::allTasksEventsAdes() const
{
    QMutexLocker lock(&m_listMutex);
    return m_allTasksEventsAdes;
}

CalendarList CoreData::calendarList() const
{
    QMutexLocker lock(&m_listMutex);
    return m_calendarList;
}

TagList CoreData::tagList() const
{
    QMutexLocker lock(&m_listMutex);
    return m_tagList;
}

void CoreData::setTagList(const TagList& tags)
{
    QMutexLocker lock(&m_listMutex);
    m_tagList = tags;
}

void CoreData::appendToTagList(const TagPtr& tag)
{
    QMutexLocker lock(&m_listMutex);
    m_tagList.append(tag);
}

LinkList CoreData::linkList() const
{
    QMutexLocker lock(&m_listMutex);
    return m_linkList;
}

void CoreData::setLinkList(const LinkList& links)
{
    QMutexLocker lock(&m_listMutex);
    m_linkList = links;
}

void CoreData::appendToLinkList(const LinkPtr& link)
{
    QMutexLocker lock(&m_listMutex);
    m_linkList.append(link);
}

void CoreData::doWithAllTasksEventsAdes(const std::optional<TaskList>& list, qint64 action)
{
    {
        QMutexLocker lock(&m_listMutex);
        if (action == 0 && list) {
            m_allTasksEventsAdes.append(*list);
        } else if (action == 1) {
            if (list)
                removeEqual(m_allTasksEventsAdes, *list);
            else
                m_allTasksEventsAdes.clear();
        }
    }
    NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kAllTasksEventsAdesChanged, this);
}

void CoreData::doWithCalendarList(const std::optional<CalendarList>& list, qint64 action)
{
    {
        QMutexLocker lock(&m_listMutex);
        if (action == 0 && list) {
            m_calendarList.append(*list);
        } else if (action == 1) {
            if (list)
                removeEqual(m_calendarList, *list);
            else
                m_calendarList.clear();
        } else if (action == 2) {
            m_calendarList.clear();
            if (list) m_calendarList.append(*list);
        }
    }
    NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kCalendarListChanged, this);
}

// A query, not a record method: a statement that cannot run gives the empty
// answer instead of ending the program.
qint64 CoreData::queryInt64(const char* sql)
{
    if (!databaseOpen) return 0;
    RecordGuard guard;
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(RecordStore::sharedDatabase(), sql, -1, &statement, nullptr) != SQLITE_OK) {
        sqlite3_finalize(statement);
        return 0;
    }
    const qint64 value = sqlite3_step(statement) == SQLITE_ROW ? sqlite3_column_int64(statement, 0) : 0;
    sqlite3_finalize(statement);
    return value;
}
