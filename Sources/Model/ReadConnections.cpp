#include "ReadConnections.h"

#include "RecordStore.h"

#include <QByteArray>
#include <QtGlobal>

#include <algorithm>
#include <mutex>
#include <vector>

namespace {

struct Pool {
    std::mutex mutex;
    sqlite3* shared = nullptr;
    QByteArray path;
    std::vector<sqlite3*> idle;
    // Connections handed out and not yet back: closed on return when the
    // pool has moved on to another database meanwhile.
    std::vector<sqlite3*> lent;
};

Pool& pool()
{
    static Pool instance;
    return instance;
}

void closeIdle(Pool& p)
{
    for (sqlite3* connection : p.idle) sqlite3_close(connection);
    p.idle.clear();
}

}  // namespace

sqlite3* ReadConnections::acquire(sqlite3* shared)
{
    if (!shared) return nullptr;
    const char* file = sqlite3_db_filename(shared, "main");
    if (!file || !*file) return nullptr;
    const QByteArray path(file);

    Pool& p = pool();
    {
        std::lock_guard lock(p.mutex);
        if (p.shared != shared || p.path != path) {
            closeIdle(p);
            p.shared = shared;
            p.path = path;
        }
        if (!p.idle.empty()) {
            sqlite3* connection = p.idle.back();
            p.idle.pop_back();
            p.lent.push_back(connection);
            RecordStore::waitForLocks(connection);
            return connection;
        }
    }
    // Each connection is used by one thread at a time, so it needs no mutex
    // of its own.
    sqlite3* connection = nullptr;
    if (sqlite3_open_v2(path.constData(), &connection, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr)
        != SQLITE_OK) {
        qWarning("Failed to open a read connection with message '%s'.",
                 connection ? sqlite3_errmsg(connection) : "out of memory");
        sqlite3_close(connection);
        return nullptr;
    }
    // A read that meets another process's commit waits for it, as the shared
    // connection does, instead of failing the load.
    RecordStore::waitForLocks(connection);
    // The reads these connections serve walk a key range once, in order: a
    // page is not asked for again, so a small cache does as well as the
    // default 2 MB, which each of eight connections would fill and keep.
    sqlite3_exec(connection, "PRAGMA cache_size=-128", nullptr, nullptr, nullptr);
    std::lock_guard lock(p.mutex);
    p.lent.push_back(connection);
    return connection;
}

void ReadConnections::release(sqlite3* connection)
{
    if (!connection) return;
    Pool& p = pool();
    std::lock_guard lock(p.mutex);
    const auto lent = std::find(p.lent.begin(), p.lent.end(), connection);
    const bool stillCurrent = lent != p.lent.end();
    if (stillCurrent) p.lent.erase(lent);
    const char* file = sqlite3_db_filename(connection, "main");
    if (stillCurrent && p.shared && file && p.path == QByteArray(file)) {
        // An idle connection keeps none of its cached pages (up to 2 MB
        // each, eight connections): the next read of a large table reads
        // most pages again anyway.
        sqlite3_db_release_memory(connection);
        p.idle.push_back(connection);
    }
    else
        sqlite3_close(connection);
}

void ReadConnections::closeAll()
{
    Pool& p = pool();
    std::lock_guard lock(p.mutex);
    closeIdle(p);
    // Connections out on loan close when they come back.
    p.lent.clear();
    p.shared = nullptr;
    p.path.clear();
}
