#include "TaskQuery.h"

#include "Calendar.h"
#include "Clock.h"
#include "CoreData.h"
#include "GlobalQueue.h"
#include "GregorianCalendar.h"
#include "QueryStatement.h"
#include "ReadConnections.h"
#include "RecordGuard.h"
#include "RecordStore.h"
#include "Task.h"
#include "Transaction.h"
#include "Utilities.h"

#include <QThread>
#include <QThreadPool>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <latch>
#include <memory>
#include <mutex>
#if defined(__GLIBC__)
#include <malloc.h>
#endif
#include <optional>
#include <utility>
#include <vector>

namespace {

// Binds the values to the parameters 1, 2, ... whichever kind each is;
// answers the next parameter's index.
int bindValues(sqlite3_stmt* statement, const QList<TaskQuery::Value>& values)
{
    int index = 1;
    for (const TaskQuery::Value& value : values) {
        if (const qint64* number = std::get_if<qint64>(&value))
            RecordStore::bindInt64(statement, index, *number);
        else if (const double* real = std::get_if<double>(&value))
            RecordStore::bindDouble(statement, index, *real);
        else
            RecordStore::bindText(statement, index, std::get<QString>(value));
        ++index;
    }
    return index;
}

// Nothing on a statement that could not be prepared.
void bindValues(QueryStatement& query, const QList<TaskQuery::Value>& values)
{
    if (query.isValid()) bindValues(query.get(), values);
}

// Below this many keys a table is read in one part: the parts' start-up
// would cost more than they save.
constexpr qint64 smallestSplitKeySpan = 8192;
constexpr int mostParts = 8;

// One key range of a split read, on a read connection of its own.
struct KeyRangePart {
    qint64 from = 0;   // first key
    qint64 until = 0;  // first key after the range
    TaskList items;
    bool failed = false;
};

void readPart(sqlite3* connection, const QByteArray& sql, const QList<TaskQuery::Value>& values, KeyRangePart& part)
{
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(connection, sql.constData(), int(sql.size()), &statement, nullptr) != SQLITE_OK) {
        RecordStore::logFailure(RecordStore::prepareErrorText, connection);
        part.failed = true;
        return;
    }
    int index = bindValues(statement, values);
    RecordStore::bindInt64(statement, index++, part.from);
    RecordStore::bindInt64(statement, index, part.until);
    TaskRowContext context(Clock::now());
    int result = SQLITE_ROW;
    while ((result = RecordStore::step(statement)) == SQLITE_ROW) part.items.append(Task::fromRow(statement, context));
    if (result != SQLITE_DONE) {
        RecordStore::logFailure(RecordStore::selectErrorText, connection);
        part.failed = true;
    }
    sqlite3_finalize(statement);
}

// The lowest and highest key of the table, or nothing when it is empty.
std::optional<std::pair<qint64, qint64>> keySpan()
{
    // Each end on its own: SQLite finds a lone min() or max() of the key at
    // the b-tree's edge, but walks the whole table for the two together.
    QueryStatement query("SELECT (SELECT min(primaryKey) FROM Tasks), (SELECT max(primaryKey) FROM Tasks)");
    if (!query.nextRow() || sqlite3_column_type(query.get(), 0) == SQLITE_NULL) return std::nullopt;
    return std::make_pair(sqlite3_column_int64(query.get(), 0), sqlite3_column_int64(query.get(), 1));
}

QThreadPool& partPool()
{
    // A pool of its own: a load started from a thread of the global pool
    // must never wait for work queued behind it there.
    static QThreadPool* pool = [] {
        auto* created = new QThreadPool;
        created->setMaxThreadCount(mostParts - 1);
        return created;
    }();
    return *pool;
}

// Reads the parts side by side: the first on this thread, the others on the
// part pool. False when any part could not be read.
bool readParts(sqlite3* shared, const QByteArray& sql, const QList<TaskQuery::Value>& values,
               std::vector<KeyRangePart>& parts)
{
#if defined(__GLIBC__)
    // The part threads allocate from heaps of their own, which never take
    // what this thread freed: the list a reload has just dropped would stay
    // resident beside the new one (100,000 items: some 80 MB twice). Its
    // free pages go back to the system first.
    malloc_trim(0);
#endif
    std::vector<sqlite3*> connections;
    for (size_t i = 0; i < parts.size(); ++i) {
        sqlite3* connection = ReadConnections::acquire(shared);
        if (!connection) break;
        connections.push_back(connection);
    }
    bool complete = connections.size() == parts.size();
    if (complete) {
        std::latch done(std::ptrdiff_t(parts.size() - 1));
        for (size_t i = 1; i < parts.size(); ++i)
            GlobalQueue::startOn(partPool(), [&, i] {
                readPart(connections[i], sql, values, parts[i]);
                done.count_down();
            });
        readPart(connections[0], sql, values, parts[0]);
        done.wait();
        complete = std::none_of(parts.begin(), parts.end(), [](const KeyRangePart& part) { return part.failed; });
    }
    for (sqlite3* connection : connections) ReadConnections::release(connection);
    return complete;
}

// The key ranges of a split read of the whole span.
std::vector<KeyRangePart> keyRangeParts(const std::pair<qint64, qint64>& span, int partCount)
{
    std::vector<KeyRangePart> parts(static_cast<size_t>(partCount));
    const qint64 step = (span.second - span.first) / partCount + 1;
    for (int i = 0; i < partCount; ++i) {
        parts[size_t(i)].from = span.first + i * step;
        parts[size_t(i)].until = i + 1 == partCount ? span.second + 1 : span.first + (i + 1) * step;
    }
    return parts;
}

QByteArray keyRangeSql(const QByteArray& condition)
{
    return Task::selectRowsSql("NOT INDEXED WHERE (" + condition + ") AND primaryKey >= ? AND primaryKey < ?");
}

// What a row's item depends on besides the row: the kind of its category
// (a checklist's rows become checklist items) and the zone's offsets now.
struct RowInputs {
    QList<qint64> checklistCategories;
    int secondsFromGMT = 0;
    int daylightSaving = 0;
    bool operator==(const RowInputs&) const = default;
};

RowInputs currentRowInputs()
{
    RowInputs inputs;
    if (const CoreData* manager = CoreData::shared())
        for (const CalendarPtr& category : manager->calendarList())
            if (category && category->projectType() == CategoryKind::Checklist)
                inputs.checklistCategories.append(category->primaryKey());
    std::sort(inputs.checklistCategories.begin(), inputs.checklistCategories.end());
    const Date now = Clock::now();
    inputs.secondsFromGMT = GregorianCalendar::secondsFromGMTForDate(now);
    inputs.daylightSaving = GregorianCalendar::daylightSavingTimeOffsetForDate(now);
    return inputs;
}

std::optional<qint64> sharedDataVersion()
{
    QueryStatement version("PRAGMA data_version");
    return version.isValid() ? version.firstInt64() : std::nullopt;
}

// A read started ahead, with what it was started on. It reads on a pool
// thread under the record guard, as a load on the caller's thread would: no
// write can run meanwhile (the parts' connections would make it fail busy).
struct ReadAhead {
    enum class State { Waiting, Reading, Cancelled };
    QByteArray condition;
    QList<TaskQuery::Value> values;
    std::mutex stateMutex;
    State state = State::Waiting;
    // Set by the reading thread before `done` counts down.
    bool read = false;
    sqlite3* shared = nullptr;
    RecordStore::RowWriteMark mark;
    qint64 dataVersion = -1;
    quint64 rollbacks = 0;
    RowInputs inputs;
    std::vector<KeyRangePart> parts;
    std::latch done{1};

    // True when the read has begun (it then ends without help): the caller
    // may wait for it. One not begun yet is cancelled: the caller may hold
    // the record guard the read waits for.
    bool begunElseCancel()
    {
        std::lock_guard lock(stateMutex);
        if (state == State::Waiting) state = State::Cancelled;
        return state == State::Reading;
    }

    void readAll(int partCount)
    {
        RecordGuard guard;
        {
            std::lock_guard lock(stateMutex);
            if (state == State::Cancelled) return;
            state = State::Reading;
        }
        shared = RecordStore::sharedDatabase();
        if (!shared || sqlite3_get_autocommit(shared) == 0) return;
        const std::optional<std::pair<qint64, qint64>> span = keySpan();
        const std::optional<qint64> version = sharedDataVersion();
        mark = RecordStore::rowWriteMark();
        if (!span || span->second - span->first < smallestSplitKeySpan || !version || mark.countedRows < 0) return;
        dataVersion = *version;
        rollbacks = Transaction::rollbackCount();
        inputs = currentRowInputs();
        parts = keyRangeParts(*span, partCount);
        read = readParts(shared, keyRangeSql(condition), values, parts);
    }
};

std::mutex readAheadMutex;
std::shared_ptr<ReadAhead> pendingReadAhead;
std::atomic<quint64> takenReadAheads{0};

// The read ahead started for this condition and values, taken out of its
// slot; null when there is none.
std::shared_ptr<ReadAhead> takeReadAhead(const QByteArray& condition, const QList<TaskQuery::Value>& values)
{
    std::lock_guard lock(readAheadMutex);
    if (!pendingReadAhead || pendingReadAhead->condition != condition || pendingReadAhead->values != values)
        return nullptr;
    return std::exchange(pendingReadAhead, nullptr);
}

// Its items, when nothing they depend on changed since it read them; else
// nothing. Asked under the record guard, once the read has ended.
std::optional<TaskList> itemsIfCurrent(ReadAhead& ahead)
{
    if (!ahead.read) return std::nullopt;
    sqlite3* shared = RecordStore::sharedDatabase();
    if (!shared || shared != ahead.shared || sqlite3_get_autocommit(shared) == 0) return std::nullopt;
    if (sharedDataVersion() != ahead.dataVersion || Transaction::rollbackCount() != ahead.rollbacks) return std::nullopt;
    const std::optional<std::vector<qint64>> written = RecordStore::taskRowsWrittenSince(ahead.mark);
    if (!written || !written->empty() || currentRowInputs() != ahead.inputs) return std::nullopt;
    TaskList items;
    qsizetype total = 0;
    for (const KeyRangePart& part : ahead.parts) total += part.items.size();
    items.reserve(total);
    for (KeyRangePart& part : ahead.parts) items.append(std::move(part.items));
    return items;
}

}  // namespace

bool TaskQuery::databaseReadyOrSay()
{
    if (databaseOpen) return true;
    std::fputs(kDatabaseCanNotOpenText.toUtf8().constData(), stdout);
    std::fflush(stdout);
    return false;
}

namespace {

TaskList itemsOf(QueryStatement& query, const QList<TaskQuery::Value>& values)
{
    bindValues(query, values);
    TaskList items;
    TaskRowContext context(Clock::now());
    while (query.nextRow()) items.append(Task::fromRow(query.get(), context));
    return query.failed() ? TaskList() : items;
}

TaskPtr firstItemOf(QueryStatement& query, const QList<TaskQuery::Value>& values)
{
    bindValues(query, values);
    return query.nextRow() ? Task::fromRow(query.get()) : nullptr;
}

}  // namespace

TaskList TaskQuery::items(const QByteArray& condition, const QList<Value>& values)
{
    RecordGuard guard;
    QueryStatement query(Task::selectRowsSql(condition));
    return itemsOf(query, values);
}

TaskList TaskQuery::items(CachedStatement& statement, const QList<Value>& values)
{
    RecordGuard guard;
    QueryStatement query(statement);
    return itemsOf(query, values);
}

TaskList TaskQuery::itemsInKeyOrder(const QByteArray& condition, const QList<Value>& values)
{
    if (const std::shared_ptr<ReadAhead> ahead = takeReadAhead(condition, values); ahead && ahead->begunElseCancel()) {
        ahead->done.wait();
        RecordGuard guard;
        if (std::optional<TaskList> items = itemsIfCurrent(*ahead)) {
            ++takenReadAheads;
            return std::move(*items);
        }
    }
    RecordGuard guard;
    sqlite3* shared = RecordStore::sharedDatabase();
    const std::optional<std::pair<qint64, qint64>> span = shared ? keySpan() : std::nullopt;
    const bool large = span && span->second - span->first >= smallestSplitKeySpan;
    const int partCount = std::min(mostParts, QThread::idealThreadCount());
    // Inside a transaction only the shared connection sees what it wrote.
    if (large && partCount > 1 && sqlite3_get_autocommit(shared) != 0) {
        std::vector<KeyRangePart> parts = keyRangeParts(*span, partCount);
        if (readParts(shared, keyRangeSql(condition), values, parts)) {
            TaskList items;
            qsizetype total = 0;
            for (const KeyRangePart& part : parts) total += part.items.size();
            items.reserve(total);
            for (KeyRangePart& part : parts) items.append(std::move(part.items));
            return items;
        }
        // A part that could not be read: one statement on the shared
        // connection still answers (or logs why not).
    }
    // These loads take most of the table (whole categories, every item): one
    // walk over a large table in key order beats an index of the condition's
    // columns, which visits the rows in another order, each with a search of
    // its own, and then sorts them.
    return items((large ? "NOT INDEXED WHERE " : "WHERE ") + condition + " ORDER BY primaryKey", values);
}

void TaskQuery::readAheadInKeyOrder(const QByteArray& condition, const QList<Value>& values)
{
    dropReadAhead();
    const int partCount = std::min(mostParts, QThread::idealThreadCount());
    if (partCount < 2) return;
    auto ahead = std::make_shared<ReadAhead>();
    ahead->condition = condition;
    ahead->values = values;
    {
        std::lock_guard lock(readAheadMutex);
        pendingReadAhead = ahead;
    }
    GlobalQueue::startOn(partPool(), [ahead, partCount] {
        ahead->readAll(partCount);
        ahead->done.count_down();
    });
}

void TaskQuery::dropReadAhead()
{
    std::shared_ptr<ReadAhead> ahead;
    {
        std::lock_guard lock(readAheadMutex);
        ahead = std::exchange(pendingReadAhead, nullptr);
    }
    if (ahead && ahead->begunElseCancel()) ahead->done.wait();
}

void TaskQuery::waitForReadAhead()
{
    std::shared_ptr<ReadAhead> ahead;
    {
        std::lock_guard lock(readAheadMutex);
        ahead = pendingReadAhead;
    }
    if (ahead) ahead->done.wait();
}

quint64 TaskQuery::readAheadsTaken()
{
    return takenReadAheads.load();
}

TaskPtr TaskQuery::firstItem(const QByteArray& condition, const QList<Value>& values)
{
    RecordGuard guard;
    QueryStatement query(Task::selectRowsSql(condition));
    return firstItemOf(query, values);
}

TaskPtr TaskQuery::firstItem(CachedStatement& statement, const QList<Value>& values)
{
    RecordGuard guard;
    QueryStatement query(statement);
    return firstItemOf(query, values);
}

qint64 TaskQuery::number(const QByteArray& sql, const QList<Value>& values)
{
    RecordGuard guard;
    QueryStatement query(sql);
    bindValues(query, values);
    return query.firstInt64().value_or(0);
}

QByteArray TaskQuery::placeholders(qsizetype count)
{
    QByteArray text;
    text.reserve(count * 2);
    for (qsizetype i = 0; i < count; ++i) text.append(i == 0 ? "?" : ",?");
    return text;
}

double TaskQuery::storedOccurrence(const Date& date)
{
    return std::nearbyint(Utilities::toDBDate(date).timeIntervalSince1970());
}
