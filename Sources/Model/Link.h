#pragma once

#include "Date.h"
#include "ModelTypes.h"

#include <memory>

#include <sqlite3.h>

// One row of table Links: a link the user made between two items, with its
// web-service key and its removal state. A removed link keeps its row with
// status 1 until the web sync has told the server; the data manager keeps
// the active links in its link list.
class Link : public std::enable_shared_from_this<Link> {
public:
    // A new, unstored link dated now (and therefore dirty); every other field 0.
    Link();

    // Loads the link of that row; a key with no row gives root 0, target 0,
    // no dates and status 0. The handle becomes the shared connection when
    // none is set.
    static LinkPtr initWithPrimaryKey(qint64 key, sqlite3* database);

    // Inserts the whole row except status (which takes the column default 0),
    // takes its row id and adds the link (held by a LinkPtr) to the data
    // manager's link list. dirty is left as it was. False when SQLite refused
    // the row (logged).
    [[nodiscard]] bool insertIntoDatabase(sqlite3* database);
    // Stamps updatedDate with now and writes a dirty link. False when the
    // write failed (logged); the link then stays dirty.
    [[nodiscard]] bool dehydrate();
    // Deletes the row only; the link list is the data manager's to update.
    [[nodiscard]] bool deleteFromDatabase();

    static void finalizeStatements();

    bool dirty() const { return m_dirty; }

    qint64 primaryKey() const { return m_primaryKey; }
    void setPrimaryKey(qint64 key) { m_primaryKey = key; }
    qint64 rootId() const { return m_rootId; }
    void setRootId(qint64 key);
    qint64 targetId() const { return m_targetId; }
    void setTargetId(qint64 key);
    Date createdDate() const { return m_createdDate; }
    void setCreatedDate(const Date& date);
    Date updatedDate() const { return m_updatedDate; }
    void setUpdatedDate(const Date& date);
    qint64 zvwKey() const { return m_zvwKey; }
    void setZvwKey(qint64 key);
    // 0 active, 1 removed and waiting for the web sync.
    qint64 status() const { return m_status; }
    void setStatus(qint64 status);

private:
    void keepForUndo();
    struct BaseInit {};
    explicit Link(BaseInit) {}

    template <class T>
    void store(T& field, const T& value);

    qint64 m_primaryKey = 0;
    qint64 m_rootId = 0;
    qint64 m_targetId = 0;
    Date m_createdDate;
    Date m_updatedDate;
    qint64 m_zvwKey = 0;
    qint64 m_status = 0;
    bool m_dirty = false;
};
