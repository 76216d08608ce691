// The list loads of the start sequence.
#include "Calendar.h"
#include "CoreData.h"
#include "Link.h"
#include "RecordGuard.h"
#include "RecordStore.h"
#include "Tag.h"

namespace {

QList<qint64> keysOf(const char* sql, std::optional<qint64> parameter = std::nullopt)
{
    QList<qint64> keys;
    if (!databaseOpen) return keys;
    RecordGuard guard;
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(RecordStore::sharedDatabase(), sql, -1, &statement, nullptr) != SQLITE_OK) return keys;
    if (parameter) sqlite3_bind_int64(statement, 1, *parameter);
    while (sqlite3_step(statement) == SQLITE_ROW) keys.append(sqlite3_column_int64(statement, 0));
    sqlite3_finalize(statement);
    return keys;
}

}  // namespace

void CoreData::getTagList()
{
    if (!databaseOpen) return;
    TagList tags;
    for (qint64 key : keysOf("SELECT primaryKey FROM Tag")) tags.append(Tag::initWithPrimaryKey(key, RecordStore::sharedDatabase()));
    setTagList(tags);
}

void CoreData::getValidLinks()
{
    LinkList links;
    for (qint64 key : keysOf("SELECT primaryKey FROM Links WHERE status=?", 0))
        links.append(Link::initWithPrimaryKey(key, RecordStore::sharedDatabase()));
    setLinkList(links);
}

CalendarList CoreData::getCalendarList() const
{
    CalendarList calendars;
    for (qint64 key : keysOf("SELECT primaryKey FROM Calendars"))
        calendars.append(Calendar::initWithPrimaryKey(key, RecordStore::sharedDatabase()));
    return calendars;
}
