// An item on the pasteboard and in drags: a keyed archive of its key, series
// root and times, read back from the database.
#include "Task.h"

#include "KeyedArchive.h"

#include <QMimeData>

namespace {

const QString primaryKeyKey = QStringLiteral("primaryKey");
const QString parentIdKey = QStringLiteral("parentId");
const QString startTimeKey = QStringLiteral("startTime");
const QString endTimeKey = QStringLiteral("endTime");

// An occurrence read back from an archive: never written, never mistaken for
// a generated one.
constexpr qint64 archivedOccurrenceKey = -999999;

}  // namespace

QVariantMap Task::encodeWithCoder() const
{
    return {
        {primaryKeyKey, m_primaryKey},
        {parentIdKey, m_parentId},
        {startTimeKey, m_startTime.timeIntervalSince1970()},
        {endTimeKey, m_endTime.timeIntervalSince1970()},
    };
}

// Only the key travels: a stored item reads back as the database holds it
// now, and an occurrence as its series root at the occurrence's times.
TaskPtr Task::initWithCoder(const QVariantMap& archive)
{
    if (!archive.contains(primaryKeyKey)) return nullptr;
    const qint64 key = archive.value(primaryKeyKey).toLongLong();
    if (key >= 0) return initWithPrimaryKey(key);

    const qint64 rootKey = archive.value(parentIdKey).toLongLong();
    const TaskPtr item = initWithPrimaryKey(rootKey);
    item->setParentId(rootKey);
    item->setStartTime(Date::dateWithTimeIntervalSince1970(archive.value(startTimeKey).toDouble()));
    item->setEndTime(Date::dateWithTimeIntervalSince1970(archive.value(endTimeKey).toDouble()));
    item->setOccurrence(item->startTime());
    item->setPrimaryKey(archivedOccurrenceKey);
    return item;
}

QStringList Task::writableTypesForPasteboard() const
{
    return {KeyedArchive::mimeType};
}

QByteArray Task::pasteboardPropertyListForType(const QString& type) const
{
    if (type != KeyedArchive::mimeType) return {};
    return KeyedArchive::archivedDataWithRecords({encodeWithCoder()});
}

QStringList Task::readableTypesForPasteboard()
{
    return {KeyedArchive::mimeType};
}

qint64 Task::readingOptionsForType(const QString& type)
{
    return type == KeyedArchive::mimeType ? readingAsKeyedArchive : 0;
}

void Task::writeItemsToPasteboard(QMimeData& mimeData, const TaskList& items)
{
    QList<QVariantMap> records;
    records.reserve(items.size());
    for (const TaskPtr& item : items) records.append(item->encodeWithCoder());
    KeyedArchive::setRecords(mimeData, records);
}

TaskList Task::readItemsFromPasteboard(const QMimeData& mimeData)
{
    TaskList items;
    for (const QVariantMap& record : KeyedArchive::records(mimeData))
        if (TaskPtr item = initWithCoder(record)) items.append(item);
    return items;
}
