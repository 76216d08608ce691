#include "HostileNumbers.h"
#include "KeyedArchive.h"
#include "LogCapture.h"
#include "TaskTestFixture.h"

#include <QMimeData>

#include <cmath>

namespace {

using TaskArchiveTest = TaskTest;

TEST_F(TaskArchiveTest, ArchiveHoldsTheKeysAndTheDatesOwnSeconds)
{
    const TaskPtr item = storedItem(QStringLiteral("Item"), 0);
    const QVariantMap archive = item->encodeWithCoder();
    EXPECT_EQ(archive.keys(), (QStringList{"endTime", "parentId", "primaryKey", "startTime"}));
    EXPECT_EQ(archive.value(QStringLiteral("primaryKey")).toLongLong(), item->primaryKey());
    EXPECT_EQ(archive.value(QStringLiteral("parentId")).toLongLong(), -1);
    EXPECT_EQ(archive.value(QStringLiteral("startTime")).toDouble(), item->startTime().timeIntervalSince1970());
    EXPECT_EQ(archive.value(QStringLiteral("endTime")).toDouble(), item->endTime().timeIntervalSince1970());
}

TEST_F(TaskArchiveTest, ArchivedOccurrenceReadsBackAsItsRootAtTheOccurrenceTimes)
{
    exec(QStringLiteral("INSERT INTO Tasks (primaryKey, taskType, taskName, repeatType, notes) "
                        "VALUES (12, 0, 'Standup', 2, 'Daily at ten')"));
    const TaskPtr root = Task::initWithPrimaryKey(12);
    const TaskPtr occurrence = root->copy();
    occurrence->setPrimaryKey(-7);
    occurrence->setParentId(12);
    occurrence->setTaskName(QStringLiteral("Edited in the view only"));
    const Date start = localDate(2014, 1, 22, 10, 0);
    const Date end = localDate(2014, 1, 22, 10, 30);
    occurrence->setStartTime(start);
    occurrence->setEndTime(end);

    QMimeData mimeData;
    Task::writeItemsToPasteboard(mimeData, {occurrence});
    const TaskList items = Task::readItemsFromPasteboard(mimeData);
    ASSERT_EQ(items.size(), 1);
    const TaskPtr read = items.first();
    EXPECT_EQ(read->primaryKey(), -999999);
    EXPECT_EQ(read->parentId(), 12);
    EXPECT_EQ(read->taskName(), QStringLiteral("Standup"));
    EXPECT_EQ(read->notes(), QStringLiteral("Daily at ten"));
    EXPECT_EQ(read->startTime(), start);
    EXPECT_EQ(read->endTime(), end);
    EXPECT_EQ(read->occurrence(), start);

    ASSERT_TRUE(read->dehydrate());
    EXPECT_EQ(storedColumn(12, QStringLiteral("startTime")).toDouble(), 0) << "the root's row is not written";
}

TEST_F(TaskArchiveTest, ArchivedStoredItemReadsBackAsItsRowIsNow)
{
    const TaskPtr item = storedItem(QStringLiteral("Before"));
    const QByteArray data = item->pasteboardPropertyListForType(KeyedArchive::mimeType);
    exec(QStringLiteral("UPDATE Tasks SET taskName='After' WHERE primaryKey=%1").arg(item->primaryKey()));

    const QList<QVariantMap> records = KeyedArchive::unarchiveRecords(data);
    ASSERT_EQ(records.size(), 1);
    const TaskPtr read = Task::initWithCoder(records.first());
    EXPECT_EQ(read->primaryKey(), item->primaryKey());
    EXPECT_EQ(read->taskName(), QStringLiteral("After"));
    EXPECT_FALSE(read->dirty());
}

TEST_F(TaskArchiveTest, PasteboardCarriesItemsOnlyAsOurArchive)
{
    const TaskPtr item = storedItem(QStringLiteral("Item"));
    const QString ours = KeyedArchive::mimeType;
    EXPECT_EQ(item->writableTypesForPasteboard(), QStringList{ours});
    EXPECT_EQ(Task::readableTypesForPasteboard(), QStringList{ours});
    struct Case {
        QString type;
        qint64 readingOptions;
        bool hasData;
    };
    for (const Case& c : {Case{ours, 4, true}, Case{QStringLiteral("text/plain"), 0, false},
                          Case{QStringLiteral(""), 0, false}}) {
        EXPECT_EQ(Task::readingOptionsForType(c.type), c.readingOptions) << c.type.toStdString();
        EXPECT_EQ(!item->pasteboardPropertyListForType(c.type).isNull(), c.hasData) << c.type.toStdString();
    }
}

// Any program can put our type on the pasteboard: times that are no calendar
// dates read as no time, and a key that is no whole number names no item.
TEST_F(TaskArchiveTest, HostileNumbersInAnArchiveNeverBecomeDatesOrKeys)
{
    exec(QStringLiteral("INSERT INTO Tasks (primaryKey, taskType, taskName, repeatType) VALUES (12, 0, 'Standup', 2)"));
    for (const HostileNumber& number : hostileNumbers) {
        const QVariantMap occurrence{{QStringLiteral("primaryKey"), qint64(-7)},
                                     {QStringLiteral("parentId"), qint64(12)},
                                     {QStringLiteral("startTime"), number.seconds},
                                     {QStringLiteral("endTime"), number.seconds}};
        LogCapture log;
        const TaskPtr read = Task::initWithCoder(occurrence);
        ASSERT_TRUE(read) << number.name;
        EXPECT_EQ(read->parentId(), 12) << number.name;
        EXPECT_TRUE(read->startTime().isNull()) << number.name;
        EXPECT_TRUE(read->endTime().isNull()) << number.name;
        EXPECT_TRUE(read->occurrence().isNull()) << number.name;
        EXPECT_TRUE(log.contains(QStringLiteral("the pasteboard"))) << number.name;
    }
    for (const QVariant& key :
         {QVariant(1e300), QVariant(std::nan("")), QVariant(-1e19), QVariant(QStringLiteral("twelve"))})
        EXPECT_FALSE(Task::initWithCoder({{QStringLiteral("primaryKey"), key}})) << key.toString().toStdString();
    const TaskPtr byRealKey = Task::initWithCoder({{QStringLiteral("primaryKey"), 12.0}});
    ASSERT_TRUE(byRealKey);
    EXPECT_EQ(byRealKey->taskName(), QStringLiteral("Standup"));
}

TEST_F(TaskArchiveTest, PasteboardWithoutItemsReadsAsNoItems)
{
    QMimeData text;
    text.setText(QStringLiteral("Groceries"));
    EXPECT_TRUE(Task::readItemsFromPasteboard(text).isEmpty());

    QMimeData keyless;
    KeyedArchive::setRecords(keyless, {QVariantMap{{QStringLiteral("parentId"), qint64(3)}}});
    EXPECT_TRUE(Task::readItemsFromPasteboard(keyless).isEmpty());
}

}  // namespace
