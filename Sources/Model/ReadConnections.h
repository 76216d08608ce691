#pragma once

#include <sqlite3.h>

// Read-only connections to the shared connection's database file, for reads
// that split a large table into parts and read them side by side. Each
// connection serves one thread at a time; they are opened when first needed,
// kept for the next load, and closed when the shared connection changes.
//
// A read on them sees only what is committed: use them while holding the
// record guard (so no write starts) and only when the shared connection has
// no open transaction.
namespace ReadConnections {

// A connection to the same file as `shared`, or null (an in-memory or
// temporary database, or a file that cannot be opened).
sqlite3* acquire(sqlite3* shared);
void release(sqlite3* connection);
// Closes every kept connection; the next acquire opens new ones.
void closeAll();

}  // namespace ReadConnections
