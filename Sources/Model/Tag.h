#pragma once

#include "ModelTypes.h"

#include <QString>

#include <memory>

#include <sqlite3.h>

// One row of table Tag: a tag name that items and categories carry in their
// tag lists, with its web-service key. The data manager keeps every tag in
// its tag list; isHidden is the tag's place in the tag filter and is never
// stored.
class Tag : public std::enable_shared_from_this<Tag> {
public:
    // A new, unstored tag: empty name, web key 0, shown, clean.
    Tag();

    // Loads the tag of that row; a key with no row gives an empty name and
    // web key 0. The handle becomes the shared connection when none is set.
    static TagPtr initWithPrimaryKey(qint64 key, sqlite3* database);

    // Inserts a row with an empty name, takes its row id and adds the tag (held
    // by a TagPtr) to the data manager's tag list; the name is written by the
    // next dehydrate. False when SQLite refused the row (logged).
    [[nodiscard]] bool insertIntoDatabase(sqlite3* database);
    // Writes a dirty tag's name and web key. False when the write failed
    // (logged); the tag then stays dirty.
    [[nodiscard]] bool dehydrate();
    // Deletes the row only: the lists and item tag lists are the data
    // manager's to update.
    [[nodiscard]] bool deleteFromDatabase();

    TagPtr copy() const;
    void copyContentOfTag(const Tag& other);

    static void finalizeStatements();

    bool dirty() const { return m_dirty; }

    qint64 primaryKey() const { return m_primaryKey; }
    void setPrimaryKey(qint64 key) { m_primaryKey = key; }
    QString tagName() const { return m_tagName; }
    void setTagName(const QString& name);
    qint64 zvwKey() const { return m_zvwKey; }
    void setZvwKey(qint64 key);
    bool isHidden() const { return m_isHidden; }
    void setIsHidden(bool hidden) { m_isHidden = hidden; }

private:
    void keepForUndo();
    struct BaseInit {};
    explicit Tag(BaseInit) {}

    qint64 m_primaryKey = 0;
    QString m_tagName;
    qint64 m_zvwKey = 0;
    bool m_isHidden = false;
    bool m_dirty = false;
};
