#pragma once

#include "ModelTypes.h"

#include <QString>

#include <memory>

#include <sqlite3.h>

// One row of table Calendars: a category that groups items, gives them their
// colour, can be hidden, linked to a calendar of the system calendar store
// and shared through the web service. The data manager keeps every category
// in its category list; a category written from another object with the same
// key refreshes the list's object.
class Calendar : public std::enable_shared_from_this<Calendar> {
public:
    // A new, unstored category: numbers 0, flags off, texts empty, clean.
    Calendar();

    // Loads the category of that row. A key with no row gives a category with
    // that key, an empty name and colour 0/0. The handle becomes the shared
    // connection when none is set yet.
    static CalendarPtr initWithPrimaryKey(qint64 key, sqlite3* database);

    // Inserts a row holding only calendarOrder (the highest stored order + 1)
    // and takes its row id. The other columns are written by the next
    // dehydrate. False when SQLite refused the row (logged).
    [[nodiscard]] bool insertIntoDatabase(sqlite3* database);
    // Writes a dirty category and refreshes its entry in the category list.
    // False when the write failed (logged); the category then stays dirty.
    [[nodiscard]] bool dehydrate();
    // Deletes the row, drops the category from the category list and queues
    // its web id for deletion on the server. False when the delete failed.
    [[nodiscard]] bool deleteFromDatabase();

    CalendarPtr copy() const;
    // Copies every field, the key included, through the setters.
    void copyContentOfCalendar(const Calendar& other);

    static void finalizeStatements();

    bool dirty() const { return m_dirty; }
    // Shared with this user by its owner.
    bool isShared() const { return m_extraStatus == 1; }

    qint64 primaryKey() const { return m_primaryKey; }
    // An unchanged key is not written again (see Task::takeKey).
    void setPrimaryKey(qint64 key)
    {
        if (key != m_primaryKey) m_primaryKey = key;
    }

    QString calendarName() const { return m_calendarName; }
    void setCalendarName(const QString& name);
    qint64 colorNameId() const { return m_colorNameId; }
    void setColorNameId(qint64 value);
    qint64 colorGroupId() const { return m_colorGroupId; }
    void setColorGroupId(qint64 value);
    // 0 made here, 1 imported from the system calendar store, 2 downloaded from the web.
    qint64 builtIn() const { return m_builtIn; }
    void setBuiltIn(qint64 value);
    QString iCalUID() const { return m_iCalUID; }
    void setICalUID(const QString& uid);
    // 0 ordinary category, 1 checklist category.
    qint64 projectType() const { return m_projectType; }
    void setProjectType(qint64 value);
    qint64 calendarOrder() const { return m_calendarOrder; }
    void setCalendarOrder(qint64 value);
    qint64 inVisible() const { return m_inVisible; }
    void setInVisible(qint64 value);
    qint64 zvwProjectId() const { return m_zvwProjectId; }
    void setZvwProjectId(qint64 value);
    qint64 lastUpdate() const { return m_lastUpdate; }
    void setLastUpdate(qint64 value);
    // Column iCalDirectory.
    QString directory() const { return m_directory; }
    void setDirectory(const QString& directory);
    QString tagList() const { return m_tagList; }
    void setTagList(const QString& tags);
    bool hasChanges() const { return m_hasChanges; }
    void setHasChanges(bool value);
    qint64 taskOrEvent() const { return m_taskOrEvent; }
    void setTaskOrEvent(qint64 value);
    QString typeOfCal() const { return m_typeOfCal; }
    void setTypeOfCal(const QString& type);
    bool isTransparent() const { return m_isTransparent; }
    void setIsTransparent(bool value);
    qint64 extraStatus() const { return m_extraStatus; }
    void setExtraStatus(qint64 value);
    QString ownerName() const { return m_ownerName; }
    void setOwnerName(const QString& name);
    bool hasShared() const { return m_hasShared; }
    void setHasShared(bool value);
    qint64 sharedStatus() const { return m_sharedStatus; }
    void setSharedStatus(qint64 value);

private:
    struct BaseInit {};
    explicit Calendar(BaseInit) {}

    // The web service keeps some fields: changing one of them also marks the
    // category for the next web push.
    enum class WebKept { No, Yes };
    template <class T>
    void store(T& field, const T& value, WebKept webKept);

    void readColumns(sqlite3_stmt* statement);
    void bindColumns(sqlite3_stmt* statement) const;
    bool writeRow();
    bool deleteRow();
    void refreshListEntry() const;
    bool queueWebDeletion() const;
    void keepForUndo();

    qint64 m_primaryKey = 0;
    QString m_calendarName;
    qint64 m_colorNameId = 0;
    qint64 m_colorGroupId = 0;
    qint64 m_builtIn = 0;
    QString m_iCalUID;
    qint64 m_projectType = 0;
    qint64 m_calendarOrder = 0;
    qint64 m_inVisible = 0;
    qint64 m_zvwProjectId = 0;
    qint64 m_lastUpdate = 0;
    QString m_directory;
    QString m_tagList;
    bool m_hasChanges = false;
    qint64 m_taskOrEvent = 0;
    QString m_typeOfCal;
    bool m_isTransparent = false;
    qint64 m_extraStatus = 0;
    QString m_ownerName;
    bool m_hasShared = false;
    qint64 m_sharedStatus = 0;
    bool m_dirty = false;
};
