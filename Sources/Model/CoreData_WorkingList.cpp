// The working list's loads: by category and tag, under the active-only mode,
// and the read-ahead of the list and of the categories' progress.
#include "CoreData.h"

#include "Calendar.h"
#include "Clock.h"
#include "DateExtensions.h"
#include "QueryStatement.h"
#include "RecordGuard.h"
#include "RecordStore.h"
#include "Setting.h"
#include "Task.h"
#include "Transaction.h"
#include "TaskQuery.h"
#include "Utilities.h"

#include <QHash>
#include <QMutexLocker>
#include <QSet>

#include <algorithm>
#include <optional>
#include <vector>

namespace {

// A stored occurrence row that its own exception list names as changed or
// deleted is a leftover of an edit and never shown. A series root is no such
// row: what a sync or an older edit left in its `occurrence` may name a
// changed or deleted day while the series goes on.
bool isListedException(const Task& item)
{
    if (item.parentId() == -1 && item.repeatType() > 0) return false;
    return !item.repeatExceptions().isEmpty() && item.isExceptedOccurrence(item.occurrence());
}

// While only active tasks are shown, tasks starting after today stay out of
// the working list; they are loaded as future tasks instead.
class ActiveOnlyRule {
public:
    explicit ActiveOnlyRule(const SettingPtr& setting)
        : m_applies(setting && setting->showActiveTaskOnly() != 0),
          m_tomorrow(m_applies ? DateExtensions::dateByAddingDays(Utilities::today(Clock::now()), 1) : Date())
    {
    }

    bool applies() const { return m_applies; }
    bool drops(const Task& item) const
    {
        return m_applies && item.taskType() == ItemKind::Task && item.startTime() >= m_tomorrow;
    }

private:
    bool m_applies;
    Date m_tomorrow;
};

bool hasAnyTag(const QString& tagList, const QStringList& tags)
{
    return !tagList.isEmpty() && Utilities::isTagList(tagList, tags);
}

// With tags given, an item passes when it carries one of them; with none,
// only an item without tags passes.
bool passesTagTest(const QString& tagList, const QStringList& tags)
{
    return tags.isEmpty() ? tagList.isEmpty() : hasAnyTag(tagList, tags);
}

QList<TaskQuery::Value> categoryValues(const QList<qint64>& calendarIds)
{
    // Made from the keys in place: appending a moved value made g++ -O3
    // warn of the text alternative as maybe uninitialized.
    return QList<TaskQuery::Value>(calendarIds.cbegin(), calendarIds.cend());
}

QByteArray categoriesCondition(const QList<qint64>& calendarIds)
{
    return "calendarId IN (" + TaskQuery::placeholders(calendarIds.size()) + ")";
}

TaskList itemsOfCategories(const QList<qint64>& calendarIds)
{
    return TaskQuery::itemsInKeyOrder(categoriesCondition(calendarIds), categoryValues(calendarIds));
}

TaskList itemsOfCategory(qint64 calendarId)
{
    return TaskQuery::items("WHERE calendarId=?", {calendarId});
}

TaskList listEntriesOfCategory(const TaskList& list, qint64 calendarId)
{
    TaskList entries;
    for (const TaskPtr& item : list)
        if (item->calendarId() == calendarId) entries.append(item);
    return entries;
}

}  // namespace

// ---- the working list under the tag filter and the active-only mode ---------------------

bool CoreData::passesTagFilter(const QString& categoryTags, const QString& itemTags, const QStringList& shownTags)
{
    if (shownTags.isEmpty()) return categoryTags.isEmpty() && itemTags.isEmpty();
    return (!categoryTags.isEmpty() && Utilities::isTagList(categoryTags, shownTags))
        || (!itemTags.isEmpty() && Utilities::isTagList(itemTags, shownTags));
}

bool CoreData::removeTaskFromListWithTagFilter(const TaskPtr& item)
{
    TaskPtr listed;
    for (const TaskPtr& entry : allTasksEventsAdes())
        if (entry->primaryKey() == item->primaryKey()) listed = entry;
    if (!listed) return false;
    const CalendarPtr category = calendarWithPrimaryKey(item->calendarId());
    const QString categoryTags = category ? category->tagList() : QString();
    if (!passesTagFilter(categoryTags, item->tagList(), getShowTag())) doWithAllTasksEventsAdes(TaskList{listed}, ListAction::Remove);
    return true;
}

void CoreData::addTaskToList(const TaskPtr& item, const QStringList& tags)
{
    const CalendarPtr category = calendarWithPrimaryKey(item->calendarId());
    const QString categoryTags = category ? category->tagList() : QString();
    if (passesTagFilter(categoryTags, item->tagList(), tags)) doWithAllTasksEventsAdes(TaskList{item}, ListAction::Add);
}

bool CoreData::addTasksToListFromCalendar(const CalendarPtr& calendar, const QStringList& tags)
{
    if (!calendar || calendar->inVisible() != 0) return false;
    const QString categoryTags = calendar->tagList();
    if (!tags.isEmpty() && !categoryTags.isEmpty() && Utilities::isTagList(categoryTags, tags)) {
        addTasksToListFromCalendarId(calendar->primaryKey());
        return true;
    }
    if (tags.isEmpty() && !categoryTags.isEmpty()) return true;
    const TaskList items = tasksFromCalendarId(calendar->primaryKey(), tags);
    if (!items.isEmpty()) doWithAllTasksEventsAdes(items, ListAction::Add);
    return true;
}

void CoreData::getTaskWithTag(const QStringList& tags)
{
    doWithAllTasksEventsAdes(std::nullopt, ListAction::Remove);
    QList<qint64> wholeCategories;
    TaskList items;
    for (const CalendarPtr& calendar : calendarList()) {
        if (calendar->inVisible() != 0) continue;
        const QString categoryTags = calendar->tagList();
        if (tags.isEmpty()) {
            if (categoryTags.isEmpty()) items.append(tasksFromCalendarId(calendar->primaryKey(), tags));
        } else if (!categoryTags.isEmpty() && Utilities::isTagList(categoryTags, tags)) {
            wholeCategories.append(calendar->primaryKey());
        } else {
            items.append(tasksFromCalendarId(calendar->primaryKey(), tags));
        }
    }
    addTasksToListFromCalendarList(wholeCategories);
    if (!items.isEmpty()) doWithAllTasksEventsAdes(items, ListAction::Add);
}

void CoreData::removeInActiveTask()
{
    const Date now = Clock::now();
    TaskList future;
    for (const TaskPtr& item : allTasksEventsAdes())
        if (item->taskType() == ItemKind::Task && Utilities::compareDateNoTime(item->startTime(), now) > 0)
            future.append(item);
    doWithAllTasksEventsAdes(future, ListAction::Remove);
}

bool CoreData::dropTasksStartingAfterToday()
{
    const ActiveOnlyRule activeOnly(currentSetting());
    TaskList future;
    if (activeOnly.applies())
        for (const TaskPtr& item : allTasksEventsAdes())
            if (activeOnly.drops(*item)) future.append(item);
    if (future.isEmpty()) return false;
    doWithAllTasksEventsAdes(future, ListAction::Remove);
    return true;
}

// ---------------------------------------------------------------------------
// Items by category and tag

bool CoreData::hasTaskInGlobalList(const TaskPtr& item) const
{
    const TaskList list = allTasksEventsAdes();
    return std::any_of(list.cbegin(), list.cend(),
                       [&item](const TaskPtr& entry) { return entry->primaryKey() == item->primaryKey(); });
}

bool CoreData::addTasksToListFromCalendarId(qint64 calendarId)
{
    if (!TaskQuery::databaseReadyOrSay()) return false;
    const ActiveOnlyRule activeOnly(currentSetting());
    TaskList admitted;
    for (const TaskPtr& item : itemsOfCategory(calendarId))
        if (!isListedException(*item) && !activeOnly.drops(*item)) admitted.append(item);
    if (admitted.isEmpty()) return false;
    doWithAllTasksEventsAdes(admitted, ListAction::Add);
    return true;
}

// One statement for all the categories; the items still enter the list
// category by category, in the order given.
void CoreData::addTasksToListFromCalendarList(const QList<qint64>& calendarIds)
{
    if (!TaskQuery::databaseReadyOrSay() || calendarIds.isEmpty()) return;
    const ActiveOnlyRule activeOnly(currentSetting());
    TaskList loaded = itemsOfCategories(calendarIds);
    // A stable counting sort by the category's place in the order given: a
    // list per category grew and copied itself, and was copied again whole.
    QHash<qint64, qsizetype> placeOf;
    placeOf.reserve(calendarIds.size());
    for (qint64 key : calendarIds)
        if (!placeOf.contains(key)) placeOf.insert(key, placeOf.size());
    std::vector<qsizetype> placeOfItem(size_t(loaded.size()), -1);
    std::vector<qsizetype> groupStart(size_t(placeOf.size()) + 1, 0);
    for (qsizetype i = 0; i < loaded.size(); ++i) {
        const Task& item = *loaded.at(i);
        const bool dropped = item.taskType() == ItemKind::Task ? activeOnly.drops(item) : isListedException(item);
        const auto place = placeOf.constFind(item.calendarId());
        if (dropped || place == placeOf.cend()) continue;
        placeOfItem[size_t(i)] = *place;
        ++groupStart[size_t(*place) + 1];
    }
    for (size_t place = 1; place < groupStart.size(); ++place) groupStart[place] += groupStart[place - 1];
    std::vector<TaskPtr> grouped(size_t(groupStart.back()));
    std::vector<qsizetype> next(groupStart.begin(), groupStart.end() - 1);
    for (qsizetype i = 0; i < loaded.size(); ++i)
        if (const qsizetype place = placeOfItem[size_t(i)]; place >= 0)
            grouped[size_t(next[size_t(place)]++)] = std::move(loaded[i]);
    loaded.clear();
    TaskList admitted;
    admitted.reserve(qsizetype(grouped.size()));
    // A category named twice enters twice, as the list per category did.
    for (qint64 key : calendarIds) {
        const qsizetype place = placeOf.value(key);
        for (qsizetype at = groupStart[size_t(place)]; at < groupStart[size_t(place) + 1]; ++at)
            admitted.append(grouped[size_t(at)]);
    }
    if (!admitted.isEmpty()) doWithAllTasksEventsAdes(admitted, ListAction::Add);
}

void CoreData::readWorkingListAhead() const
{
    if (!TaskQuery::databaseReadyOrSay()) return;
    QList<qint64> shown;
    for (const CalendarPtr& category : calendarList())
        if (category && category->inVisible() == 0) shown.append(category->primaryKey());
    if (!shown.isEmpty()) TaskQuery::readAheadInKeyOrder(categoriesCondition(shown), categoryValues(shown));
}

void CoreData::addTasksToList(TaskList& list, qint64 calendarId, qint64 taskType) const
{
    if (!TaskQuery::databaseReadyOrSay()) return;
    for (const TaskPtr& item : TaskQuery::items("WHERE taskType=? AND calendarId=?", {taskType, calendarId}))
        if (!isListedException(*item)) list.append(item);
}

CoreData::TaskProgress CoreData::taskProgressInCalendar(qint64 calendarId) const
{
    if (!TaskQuery::databaseReadyOrSay()) return TaskProgress();
    if (const std::optional<QHash<qint64, TaskProgress>> all = taskProgressByCategory()) return all->value(calendarId);
    return taskProgressReadInCalendar(calendarId);
}

CoreData::TaskProgress CoreData::taskProgressReadInCalendar(qint64 calendarId) const
{
    TaskProgress progress;
    if (!TaskQuery::databaseReadyOrSay()) return progress;
    // One pass over the category's tasks: rows without exceptions are
    // counted by SQLite, their columns read as a record reads them (whole
    // numbers, NULL as 0); the few with exceptions are read afterwards to
    // leave out the listed ones.
    qint64 withExceptions = 0;
    {
        RecordGuard guard;
        QueryStatement query(
            "SELECT total(plain), total(plain AND done), total(plain * minutes), "
            "total(CASE WHEN plain AND done THEN minutes ELSE 0 END), total(NOT plain) FROM (SELECT "
            "ifnull(repeatExceptions,'')='' AS plain, ifnull(CAST(status AS INTEGER),0)=1 AS done, "
            "CASE WHEN ifnull(CAST(hasDuration AS INTEGER),0)<>0 THEN ifnull(CAST(duration AS INTEGER),0) ELSE 0 "
            "END AS minutes FROM Tasks WHERE taskType=? AND calendarId=?)");
        query.bindAll({ItemKind::Task, calendarId});
        if (!query.nextRow()) return progress;
        sqlite3_stmt* row = query.get();
        progress.count = sqlite3_column_int64(row, 0);
        progress.doneCount = sqlite3_column_int64(row, 1);
        progress.minutes = sqlite3_column_int64(row, 2);
        progress.doneMinutes = sqlite3_column_int64(row, 3);
        withExceptions = sqlite3_column_int64(row, 4);
    }
    if (withExceptions == 0) return progress;
    for (const TaskPtr& item : TaskQuery::items("WHERE taskType=? AND calendarId=? AND ifnull(repeatExceptions,'')<>''",
                                                {ItemKind::Task, calendarId})) {
        if (isListedException(*item)) continue;
        const qint64 length = item->hasDuration() ? item->duration() : 0;
        ++progress.count;
        progress.minutes += length;
        if (item->status() != 1) continue;
        ++progress.doneCount;
        progress.doneMinutes += length;
    }
    return progress;
}

void CoreData::readTaskProgressAhead(qint64) const
{
    // The first call reads every category at once; the later ones find the
    // kept answer still holds and cost a check.
    (void)taskProgressByCategory();
}

// The category list asks for every category's progress at each refresh; a
// read of the category's rows each (a walk over the whole table, 20 ms with
// 50,000 items) was most of a refresh that mostly follows the write of one
// row. What each task row adds is kept, and brought up to date from the
// rows the connection wrote since, as the top-task orders are.
std::optional<QHash<qint64, CoreData::TaskProgress>> CoreData::taskProgressByCategory() const
{
    if (!TaskQuery::databaseReadyOrSay()) return std::nullopt;
    RecordGuard guard;
    struct Counted {
        qint64 calendarId = 0;
        qint64 minutes = 0;
        bool done = false;
    };
    struct Kept {
        bool valid = false;
        quint64 rollbacks = 0;
        qint64 dataVersion = -1;
        RecordStore::RowWriteMark mark;
        QHash<qint64, Counted> tasks;  // by key; a listed exception is not counted
        QHash<qint64, TaskProgress> byCategory;
    };
    static QMutex keptMutex;
    static Kept kept;
    const quint64 rollbacks = Transaction::rollbackCount();
    std::optional<qint64> dataVersion;
    if (QueryStatement version("PRAGMA data_version"); version.isValid()) dataVersion = version.firstInt64();
    const RecordStore::RowWriteMark mark = RecordStore::rowWriteMark();
    const bool keepable = dataVersion && mark.countedRows >= 0;

    const auto add = [](QHash<qint64, TaskProgress>& byCategory, const Counted& task, qint64 sign) {
        TaskProgress& progress = byCategory[task.calendarId];
        progress.count += sign;
        progress.minutes += sign * task.minutes;
        if (!task.done) return;
        progress.doneCount += sign;
        progress.doneMinutes += sign * task.minutes;
    };
    // The row's part as the per-category read counts it; nothing for a
    // listed exception (read whole to tell).
    static constexpr const char* columns =
        "calendarId, ifnull(repeatExceptions,'')='', ifnull(CAST(status AS INTEGER),0)=1, "
        "CASE WHEN ifnull(CAST(hasDuration AS INTEGER),0)<>0 THEN ifnull(CAST(duration AS INTEGER),0) ELSE 0 END";
    enum class Read { Counted, NotCounted, Failed };
    const auto readTask = [](sqlite3_stmt* row, qint64 key, Counted& task) {
        task.calendarId = sqlite3_column_int64(row, 0);
        task.done = sqlite3_column_int64(row, 2) != 0;
        task.minutes = sqlite3_column_int64(row, 3);
        if (sqlite3_column_int64(row, 1) != 0) return Read::Counted;
        const TaskPtr item = Task::storedWithPrimaryKey(key);
        if (!item) return Read::Failed;
        return isListedException(*item) ? Read::NotCounted : Read::Counted;
    };

    QMutexLocker lock(&keptMutex);
    if (keepable && kept.valid && kept.rollbacks == rollbacks && kept.dataVersion == *dataVersion) {
        if (const std::optional<std::vector<qint64>> written = RecordStore::taskRowsWrittenSince(kept.mark)) {
            const QByteArray sql = QByteArray("SELECT ") + columns
                                   + " FROM Tasks WHERE primaryKey=? AND taskType=? AND calendarId IS NOT NULL";
            std::optional<QueryStatement> query;
            bool read = true;
            QSet<qint64> seen;
            for (qint64 key : *written) {
                if (seen.contains(key)) continue;
                seen.insert(key);
                if (!query) query.emplace(sql);
                if (!query->isValid()) {
                    read = false;
                    break;
                }
                sqlite3_reset(query->get());
                query->bindAll({key, ItemKind::Task});
                const auto before = kept.tasks.constFind(key);
                if (before != kept.tasks.cend()) {
                    add(kept.byCategory, *before, -1);
                    kept.tasks.erase(before);
                }
                if (query->nextRow()) {
                    Counted now;
                    const Read result = readTask(query->get(), key, now);
                    if (result == Read::Failed) {
                        read = false;
                        break;
                    }
                    if (result == Read::Counted) {
                        kept.tasks.insert(key, now);
                        add(kept.byCategory, now, 1);
                    }
                } else if (query->failed()) {
                    read = false;
                    break;
                }
            }
            if (read) {
                kept.mark = mark;
                return kept.byCategory;
            }
            kept.valid = false;
            return std::nullopt;
        }
    }
    // One walk over the table, as the top-task orders read it.
    kept.valid = false;
    QueryStatement query(QByteArray("SELECT ") + columns
                         + ", primaryKey FROM Tasks NOT INDEXED WHERE taskType=? AND calendarId IS NOT NULL");
    if (!query.isValid()) return std::nullopt;
    query.bindAll({ItemKind::Task});
    QHash<qint64, Counted> tasks;
    QHash<qint64, TaskProgress> byCategory;
    std::vector<qint64> withExceptions;
    while (query.nextRow()) {
        sqlite3_stmt* row = query.get();
        const qint64 key = sqlite3_column_int64(row, 4);
        if (sqlite3_column_int64(row, 1) == 0) {
            // Read whole once the walk is done, to tell a listed exception.
            withExceptions.push_back(key);
            Counted& task = tasks[key];
            task.calendarId = sqlite3_column_int64(row, 0);
            task.done = sqlite3_column_int64(row, 2) != 0;
            task.minutes = sqlite3_column_int64(row, 3);
            continue;
        }
        Counted task{sqlite3_column_int64(row, 0), sqlite3_column_int64(row, 3), sqlite3_column_int64(row, 2) != 0};
        tasks.insert(key, task);
        add(byCategory, task, 1);
    }
    if (query.failed()) return std::nullopt;
    for (qint64 key : withExceptions) {
        const TaskPtr item = Task::storedWithPrimaryKey(key);
        if (!item) return std::nullopt;
        if (isListedException(*item))
            tasks.remove(key);
        else
            add(byCategory, tasks.value(key), 1);
    }
    if (!keepable) return byCategory;
    kept = Kept{true, rollbacks, *dataVersion, mark, std::move(tasks), std::move(byCategory)};
    return kept.byCategory;
}

TaskList CoreData::tasksFromCalendarId(qint64 calendarId, const QStringList& tags) const
{
    if (!TaskQuery::databaseReadyOrSay()) return {};
    const ActiveOnlyRule activeOnly(currentSetting());
    TaskList passing;
    for (const TaskPtr& item : itemsOfCategory(calendarId)) {
        if (isListedException(*item) || !passesTagTest(item->tagList(), tags) || activeOnly.drops(*item)) continue;
        passing.append(item);
    }
    return passing;
}

void CoreData::removeAllTaskRelateToPrimaryKey(qint64 key)
{
    QMutexLocker lock(&m_listMutex);
    removeFromWorkingList([key](const TaskPtr& item) { return item->primaryKey() == key || item->parentId() == key; });
}

void CoreData::removeAllTasksBelongCalendar(qint64 calendarId)
{
    doWithAllTasksEventsAdes(listEntriesOfCategory(allTasksEventsAdes(), calendarId), ListAction::Remove);
}
