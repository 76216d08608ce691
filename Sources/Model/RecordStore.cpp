#include "RecordStore.h"

#include "MainQueue.h"
#include "ReadConnections.h"
#include "Transaction.h"
#include "Utilities.h"

#include <QFile>
#include <QtGlobal>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstring>
#include <deque>
#include <limits>
#include <mutex>
#include <thread>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace {
std::atomic<sqlite3*> database{nullptr};
// Steps left until the one that is to fail; 0 when none is to fail.
std::atomic<qint64> stepsUntilFailure{0};
thread_local quint64 failedSteps = 0;
thread_local int lastFailedResult = SQLITE_OK;

std::mutex& registryMutex()
{
    static std::mutex mutex;
    return mutex;
}

std::vector<CachedStatement*>& registry()
{
    static std::vector<CachedStatement*> slots;
    return slots;
}

QByteArray messageFor(const char* format, sqlite3* db)
{
    const char* message = db ? sqlite3_errmsg(db) : "no database";
    return QString::asprintf(format, message).toUtf8();
}
}  // namespace

sqlite3* RecordStore::sharedDatabase()
{
    return database.load();
}

namespace {
constexpr int defaultBusyTimeoutMs = 5000;

int busyTimeoutFromEnvironment()
{
    bool ok = false;
    const int fromEnvironment = qEnvironmentVariableIntValue("ZORAVEL_BUSY_TIMEOUT_MS", &ok);
    return ok && fromEnvironment >= 0 ? fromEnvironment : defaultBusyTimeoutMs;
}

std::atomic<int>& busyTimeoutMs()
{
    static std::atomic<int> timeout{busyTimeoutFromEnvironment()};
    return timeout;
}
}  // namespace

std::chrono::milliseconds RecordStore::busyTimeout()
{
    return std::chrono::milliseconds(busyTimeoutMs().load());
}

void RecordStore::setBusyTimeout(std::chrono::milliseconds timeout)
{
    busyTimeoutMs() = int(std::clamp<std::chrono::milliseconds::rep>(timeout.count(), 0, INT_MAX));
    waitForLocks(sharedDatabase());
}

namespace {

// What this thread's statements may still wait for another connection's lock.
struct LockWaits {
    int withoutLimit = 0;
    std::chrono::milliseconds atMost = std::chrono::milliseconds::max();
    bool spent = false;
    bool endQueued = false;
    std::chrono::steady_clock::time_point since, spentAt;
    // Under a wait without limit: asked once a wait has lasted meanwhileAfter.
    const std::function<bool()>* meanwhile = nullptr;
    std::chrono::milliseconds meanwhileAfter{};
    bool meanwhileRunning = false;
    bool givenUp = false;
};
thread_local LockWaits lockWaits;

void spendLockWait()
{
    LockWaits& waits = lockWaits;
    waits.spent = true;
    waits.spentAt = std::chrono::steady_clock::now();
    if (!MainQueue::isMainThread() || waits.endQueued) return;
    waits.endQueued = true;
    // Run once the action that spent it has handed the thread back.
    MainQueue::async([] {
        lockWaits.spent = false;
        lockWaits.endQueued = false;
    });
}

// SQLite's own busy wait, sleeping short first, but with a budget per action.
int waitOutLock(void*, int attempt)
{
    using namespace std::chrono;
    static constexpr int sleepsMs[] = {1, 2, 5, 10, 15, 20, 25, 25, 25, 50, 50, 100};
    LockWaits& waits = lockWaits;
    const steady_clock::time_point now = steady_clock::now();
    if (attempt == 0) waits.since = now;
    const milliseconds sleep(sleepsMs[std::min<std::size_t>(std::size_t(attempt), std::size(sleepsMs) - 1)]);
    if (waits.withoutLimit > 0) {
        if (waits.givenUp) return 0;
        // Not again from inside its own answer (an alert's event loop).
        if (waits.meanwhile && !waits.meanwhileRunning && now - waits.since >= waits.meanwhileAfter) {
            waits.meanwhileRunning = true;
            const bool goOn = (*waits.meanwhile)();
            waits.meanwhileRunning = false;
            waits.since = steady_clock::now();
            waits.givenUp = !goOn;
            return goOn ? 1 : 0;
        }
        std::this_thread::sleep_for(sleep);
        return 1;
    }
    const milliseconds limit = std::min(milliseconds(busyTimeoutMs().load()), waits.atMost);
    // A spent wait lasts as long as a wait would have: an action that goes
    // on that long is another one.
    if (waits.spent && now - waits.spentAt < limit) return 0;
    waits.spent = false;
    const nanoseconds left = limit - (now - waits.since);
    if (left <= nanoseconds::zero()) {
        spendLockWait();
        return 0;
    }
    std::this_thread::sleep_for(std::min<nanoseconds>(sleep, left));
    return 1;
}

}  // namespace

void RecordStore::waitForLocks(sqlite3* connection)
{
    if (connection) sqlite3_busy_handler(connection, &waitOutLock, nullptr);
}

RecordStore::WaitWithoutLimit::WaitWithoutLimit()
{
    ++lockWaits.withoutLimit;
}

RecordStore::WaitWithoutLimit::WaitWithoutLimit(std::chrono::milliseconds after, std::function<bool()> meanwhile)
    : m_meanwhile(std::move(meanwhile))
    , m_outerMeanwhile(lockWaits.meanwhile)
    , m_outerAfter(lockWaits.meanwhileAfter)
    , m_outerGivenUp(lockWaits.givenUp)
{
    ++lockWaits.withoutLimit;
    if (!m_meanwhile) return;
    lockWaits.meanwhile = &m_meanwhile;
    lockWaits.meanwhileAfter = after;
    lockWaits.givenUp = false;
}

RecordStore::WaitWithoutLimit::~WaitWithoutLimit()
{
    --lockWaits.withoutLimit;
    if (!m_meanwhile) return;
    lockWaits.meanwhile = m_outerMeanwhile;
    lockWaits.meanwhileAfter = m_outerAfter;
    lockWaits.givenUp = m_outerGivenUp;
}

bool RecordStore::anotherProcessLocks(const QString& databasePath)
{
    struct stat file {};
    if (::stat(QFile::encodeName(databasePath).constData(), &file) != 0) return false;
    QFile table(QStringLiteral("/proc/locks"));
    // Without the table nobody can say: taken as held, so that a wait that
    // is told stays told.
    if (!table.open(QIODevice::ReadOnly | QIODevice::Text)) return true;
    // SQLite's unix locks are byte ranges from the pending byte: the pending
    // and reserved bytes and the 510 shared ones.
    constexpr qint64 lockBytes = 0x40000000, lockBytesEnd = lockBytes + 2 + 510;
    const qint64 ownProcess = qint64(::getpid());
    // "1: POSIX  ADVISORY  WRITE 8868 08:01:9847654 1073741824 1073741824";
    // a lock waited for ("1: -> POSIX ...") holds nothing. The inode alone
    // is compared: the device numbers the table shows are not always those
    // stat gives (overlays), and a match elsewhere only keeps a wait told.
    const QByteArray inode = QByteArray::number(quint64(file.st_ino));
    for (const QByteArray& line : table.readAll().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() < 8 || fields.at(1) == "->") continue;
        const QList<QByteArray> device = fields.at(5).split(':');
        if (device.size() != 3 || device.at(2) != inode) continue;
        bool numbers = true;
        const qint64 start = fields.at(6).toLongLong(&numbers);
        const qint64 end = fields.at(7) == "EOF" ? std::numeric_limits<qint64>::max() : fields.at(7).toLongLong();
        if (!numbers || end < lockBytes || start >= lockBytesEnd) continue;
        if (fields.at(1) == "POSIX" && fields.at(4).toLongLong() == ownProcess) continue;
        return true;
    }
    return false;
}

RecordStore::WaitAtMost::WaitAtMost(std::chrono::milliseconds limit)
    : m_before(lockWaits.atMost)
{
    lockWaits.atMost = std::min(limit, m_before);
}

RecordStore::WaitAtMost::~WaitAtMost()
{
    lockWaits.atMost = m_before;
}

namespace {
std::atomic<quint64> databaseGeneration{0};

// The rows the shared connection writes, as SQLite reports them one by one.
// Only the keys of the Tasks table are kept, and only the latest: a reader
// further behind reads again whole.
constexpr std::size_t keptTaskRowWrites = 4096;

struct RowWriteLog {
    std::mutex mutex;
    sqlite3* db = nullptr;
    quint64 generation = 0;
    quint64 hookedRows = 0;
    // Of every Tasks row written: its place among all written rows and its key.
    std::deque<std::pair<quint64, qint64>> taskRows;
    quint64 droppedThrough = 0;
};

// Never destroyed: a connection still open when static objects are torn
// down (a data manager kept in a static, as the benchmarks keep theirs) can
// still write rows on its way out, and its hook must find the log alive.
RowWriteLog& rowWriteLog()
{
    static RowWriteLog* const log = new RowWriteLog;
    return *log;
}

void noteRowWrite(void*, int, const char* schema, const char* table, sqlite3_int64 key)
{
    RowWriteLog& log = rowWriteLog();
    std::lock_guard lock(log.mutex);
    ++log.hookedRows;
    if (std::strcmp(table, "Tasks") != 0 || std::strcmp(schema, "main") != 0) return;
    log.taskRows.emplace_back(log.hookedRows, qint64(key));
    if (log.taskRows.size() > keptTaskRowWrites) {
        log.droppedThrough = log.taskRows.front().first;
        log.taskRows.pop_front();
    }
}

void watchRowWrites(sqlite3* db, quint64 generation)
{
    RowWriteLog& log = rowWriteLog();
    {
        std::lock_guard lock(log.mutex);
        log.db = db;
        log.generation = generation;
        log.hookedRows = 0;
        log.taskRows.clear();
        log.droppedThrough = 0;
    }
    if (db) sqlite3_update_hook(db, &noteRowWrite, nullptr);
}
}  // namespace

quint64 RecordStore::sharedDatabaseGeneration()
{
    return databaseGeneration.load();
}

void RecordStore::setSharedDatabase(sqlite3* db)
{
    // Read connections belong to the file of the connection they were opened beside.
    if (database.exchange(db) != db) {
        waitForLocks(db);
        watchRowWrites(db, ++databaseGeneration);
        ReadConnections::closeAll();
    }
}

// The hook runs inside SQLite's step: SQLite is never called while the log
// is locked. The callers hold the record lock, so no write runs meanwhile.
RecordStore::RowWriteMark RecordStore::rowWriteMark()
{
    RowWriteLog& log = rowWriteLog();
    sqlite3* db = nullptr;
    RowWriteMark mark;
    {
        std::lock_guard lock(log.mutex);
        db = log.db;
        mark.generation = log.generation;
        mark.hookedRows = log.hookedRows;
    }
    if (!db) return {};
    mark.countedRows = sqlite3_total_changes64(db);
    return mark;
}

std::optional<std::vector<qint64>> RecordStore::taskRowsWrittenSince(const RowWriteMark& mark)
{
    const RowWriteMark now = rowWriteMark();
    if (mark.countedRows < 0 || now.countedRows < 0 || mark.generation != now.generation
        || mark.hookedRows > now.hookedRows)
        return std::nullopt;
    // SQLite counts every row its statements change; a count that grew by
    // more or less than the rows reported means a write went unnamed (a
    // table emptied at once, a statement that failed half-way).
    const sqlite3_int64 counted = now.countedRows - mark.countedRows;
    if (counted < 0 || quint64(counted) != now.hookedRows - mark.hookedRows) return std::nullopt;
    RowWriteLog& log = rowWriteLog();
    std::lock_guard lock(log.mutex);
    if (log.generation != now.generation || log.hookedRows != now.hookedRows || log.droppedThrough > mark.hookedRows)
        return std::nullopt;
    std::vector<qint64> keys;
    for (auto it = log.taskRows.rbegin(); it != log.taskRows.rend() && it->first > mark.hookedRows; ++it)
        keys.push_back(it->second);
    std::reverse(keys.begin(), keys.end());
    return keys;
}

void RecordStore::fatal(const char* format, sqlite3* db)
{
    // Our statements fail to prepare only on a database of another schema,
    // which came from outside: logged, and the statement then fails as a
    // full disk would, never ending the process.
    qCritical("%s", messageFor(format, db).constData());
}

void RecordStore::logFailure(const char* format, sqlite3* db)
{
    qCritical("%s", messageFor(format, db).constData());
}

int RecordStore::step(sqlite3_stmt* statement)
{
    const bool injected =
        stepsUntilFailure.load(std::memory_order_relaxed) > 0 && stepsUntilFailure.fetch_sub(1) == 1;
    const int result = !statement ? SQLITE_MISUSE : injected ? SQLITE_IOERR : sqlite3_step(statement);
    if (result == SQLITE_ROW || result == SQLITE_DONE) {
        // A statement got through: a worker's next action may wait again.
        if (lockWaits.spent && !MainQueue::isMainThread()) lockWaits.spent = false;
    } else {
        ++failedSteps;
        lastFailedResult = result;
        Transaction::stepFailed();
    }
    return result;
}

quint64 RecordStore::failedStepsOnThisThread()
{
    return failedSteps;
}

QString RecordStore::lastFailureOnThisThread()
{
    return lastFailedResult == SQLITE_OK ? QString() : QString::fromUtf8(sqlite3_errstr(lastFailedResult));
}

bool RecordStore::lastFailureWasLock()
{
    const int primary = lastFailedResult & 0xff;
    return primary == SQLITE_BUSY || primary == SQLITE_LOCKED;
}

void RecordStore::noteFailure(int result)
{
    if (result != SQLITE_OK && result != SQLITE_ROW && result != SQLITE_DONE) lastFailedResult = result;
}

void RecordStore::forgetLastFailure()
{
    lastFailedResult = SQLITE_OK;
}

void RecordStore::failStep(qint64 nth)
{
    stepsUntilFailure = std::max<qint64>(nth, 0);
}

bool RecordStore::stepFailurePending()
{
    return stepsUntilFailure.load() > 0;
}

void RecordStore::bindText(sqlite3_stmt* statement, int index, const QString& text)
{
    if (text.isNull()) {
        sqlite3_bind_null(statement, index);
        return;
    }
    const QByteArray utf8 = text.toUtf8();
    sqlite3_bind_text(statement, index, utf8.constData(), utf8.size(), SQLITE_TRANSIENT);
}

void RecordStore::bindInt64(sqlite3_stmt* statement, int index, qint64 value)
{
    sqlite3_bind_int64(statement, index, value);
}

void RecordStore::bindDate(sqlite3_stmt* statement, int index, const Date& date)
{
    sqlite3_bind_double(statement, index, Utilities::toDBDate(date).timeIntervalSince1970());
}

void RecordStore::bindDouble(sqlite3_stmt* statement, int index, double value)
{
    sqlite3_bind_double(statement, index, value);
}

QString RecordStore::columnText(sqlite3_stmt* statement, int column)
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
    if (!text) return QStringLiteral("");
    return QString::fromUtf8(text, sqlite3_column_bytes(statement, column));
}

qint64 RecordStore::columnInt64(sqlite3_stmt* statement, int column)
{
    return sqlite3_column_int64(statement, column);
}

Date RecordStore::columnDate(sqlite3_stmt* statement, int column)
{
    return Utilities::fromDBDate(Date::dateFromOutside(sqlite3_column_double(statement, column), "a stored row"));
}

Date RecordStore::columnDate(sqlite3_stmt* statement, int column, const StoredDateReader& dates)
{
    return dates.fromDBSeconds(sqlite3_column_double(statement, column));
}

double RecordStore::columnDouble(sqlite3_stmt* statement, int column)
{
    return sqlite3_column_double(statement, column);
}

void RecordStore::finalizeAllStatements()
{
    {
        std::lock_guard lock(registryMutex());
        for (CachedStatement* slot : registry()) slot->finalize();
    }
    ReadConnections::closeAll();
}

CachedStatement::CachedStatement(const char* sql) : m_sql(sql)
{
    std::lock_guard lock(registryMutex());
    registry().push_back(this);
}

CachedStatement::~CachedStatement()
{
    std::lock_guard lock(registryMutex());
    std::erase(registry(), this);
}

sqlite3_stmt* CachedStatement::get()
{
    if (m_statement) return m_statement;
    sqlite3* db = RecordStore::sharedDatabase();
    if (sqlite3_prepare_v2(db, m_sql, -1, &m_statement, nullptr) != SQLITE_OK) {
        m_statement = nullptr;
        RecordStore::fatal(RecordStore::prepareErrorText, db);
    }
    return m_statement;
}

void CachedStatement::finalize()
{
    if (!m_statement) return;
    sqlite3_finalize(m_statement);
    m_statement = nullptr;
}
