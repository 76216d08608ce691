// An item on the pasteboard and in drags: a keyed archive of its key, series
// root and times, read back from the database.
#include "Task.h"

#include "KeyedArchive.h"

#include <QMimeData>

#include <optional>

namespace {

const QString primaryKeyKey = QStringLiteral("primaryKey");
const QString parentIdKey = QStringLiteral("parentId");
const QString startTimeKey = QStringLiteral("startTime");
const QString endTimeKey = QStringLiteral("endTime");

// An occurrence read back from an archive: never written, never mistaken for
// a generated one.
constexpr qint64 archivedOccurrenceKey = -999999;

// A key read back from an archive: a whole number, or a real that is one.
// Anything else (a text, a real beyond 64 bits) names no item.
std::optional<qint64> archivedKey(const QVariant& value)
{
    if (value.typeId() == QMetaType::Double) {
        const double real = value.toDouble();
        constexpr double limit = 9223372036854775808.0;  // 2^63
        if (!(real > -limit && real < limit)) return std::nullopt;
        return static_cast<qint64>(real);
    }
    bool ok = false;
    const qint64 key = value.toLongLong(&ok);
    return ok ? std::optional<qint64>(key) : std::nullopt;
}

Date archivedDate(const QVariant& value)
{
    return Date::dateFromOutside(value.toDouble(), "the pasteboard");
}

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
// now, and an occurrence as its series root at the occurrence's times. A
// record deleted since it was written reads as nothing: a blank item in its
// place would pass for a new event wherever it is dropped or pasted.
TaskPtr Task::initWithCoder(const QVariantMap& archive)
{
    if (!archive.contains(primaryKeyKey)) return nullptr;
    const std::optional<qint64> key = archivedKey(archive.value(primaryKeyKey));
    if (!key) return nullptr;
    if (*key >= 0) return storedWithPrimaryKey(*key);

    const qint64 rootKey = archivedKey(archive.value(parentIdKey)).value_or(0);
    const TaskPtr item = storedWithPrimaryKey(rootKey);
    if (!item) return nullptr;
    item->setParentId(rootKey);
    // Times outside the calendar read as no time, never as a date to compute with.
    item->setStartTime(archivedDate(archive.value(startTimeKey)));
    item->setEndTime(archivedDate(archive.value(endTimeKey)));
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
