#pragma once

#include "Date.h"
#include "ModelTypes.h"

#include <QList>
#include <QString>

#include <optional>

#include <sqlite3.h>

// One row of table Comments: a comment someone wrote on a shared item or
// category through the web service. The web sync stores, updates and purges
// them; nothing here keeps a dirty state, every write is an explicit call.
//
// Stored databases hold the commenter's first name in column
// commetorLastName and the last name in commetorFirstName; every statement
// keeps that mapping.
class ZVComment {
public:
    // Answers of checkStatusInDB.
    enum StoredStatus : qint64 { Changed = 1, Unchanged = 2, NotStored = 3 };

    // A new comment dated now; every other field 0 or null.
    ZVComment();

    // Loads the comment of that row; a key with no row gives a comment with
    // every field 0 or null except the key. The handle becomes the shared
    // connection when none is set.
    static ZVCommentPtr initWithPrimaryKey(qint64 key, sqlite3* database);

    // Stores the comment as a new row and answers its key, which the comment
    // keeps; nothing when SQLite refused the row (logged).
    std::optional<qint64> insertIntoDatabase(sqlite3* database);
    // Writes content, dates, item key, names, isOwner and type into the row
    // with the same web key; the stored status stays. False on failure (logged).
    bool updateByZVWKey();
    [[nodiscard]] bool deleteFromDatabase();

    // Compares the receiver with its stored row, found by web key (true) or
    // by primary key (false): NotStored, Unchanged or Changed. Only status,
    // updatedDate, content and the names count.
    qint64 checkStatusInDB(bool byZvwKey) const;

    // Deletes every comment whose web key is not among the given ones;
    // comments without a web key stay. False on failure (logged).
    static bool deleteCommentsNotIn(const QList<qint64>& zvwKeys);

    static void finalizeStatements();

    qint64 primaryKey() const { return m_primaryKey; }
    void setPrimaryKey(qint64 key) { m_primaryKey = key; }
    QString content() const { return m_content; }
    void setContent(const QString& content) { m_content = content; }
    // 0 unread.
    qint64 status() const { return m_status; }
    void setStatus(qint64 status) { m_status = status; }
    Date createdDate() const { return m_createdDate; }
    void setCreatedDate(const Date& date) { m_createdDate = date; }
    Date updatedDate() const { return m_updatedDate; }
    void setUpdatedDate(const Date& date) { m_updatedDate = date; }
    qint64 zvwKey() const { return m_zvwKey; }
    void setZvwKey(qint64 key) { m_zvwKey = key; }
    // Key of the commented item or category.
    qint64 itemKey() const { return m_itemKey; }
    void setItemKey(qint64 key) { m_itemKey = key; }
    QString firstName() const { return m_firstName; }
    void setFirstName(const QString& name) { m_firstName = name; }
    QString lastName() const { return m_lastName; }
    void setLastName(const QString& name) { m_lastName = name; }
    bool isOwner() const { return m_isOwner; }
    void setIsOwner(bool owner) { m_isOwner = owner; }
    // Kind of the commented object, as the web service gives it.
    qint64 type() const { return m_type; }
    void setType(qint64 type) { m_type = type; }

private:
    struct BaseInit {};
    explicit ZVComment(BaseInit) {}

    void readColumns(sqlite3_stmt* statement);

    qint64 m_primaryKey = 0;
    QString m_content;
    qint64 m_status = 0;
    Date m_createdDate;
    Date m_updatedDate;
    qint64 m_zvwKey = 0;
    qint64 m_itemKey = 0;
    QString m_firstName;
    QString m_lastName;
    bool m_isOwner = false;
    qint64 m_type = 0;
};
