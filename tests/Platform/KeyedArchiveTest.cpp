#include "KeyedArchive.h"

#include <QDateTime>
#include <QMimeData>

#include <gtest/gtest.h>

namespace {

QList<QVariantMap> sampleRecords()
{
    return {
        {{"primaryKey", qint64(12)}, {"parentId", qint64(-1)}, {"startTime", 1388530800.0},
         {"endTime", 1388534400.0}, {"title", QStringLiteral("Zoë's meeting")}},
        {{"primaryKey", qint64(-3)}, {"parentId", qint64(12)}, {"tags", QVariantList{"Work", "Home"}}},
        {},
    };
}

TEST(KeyedArchiveTest, RecordsRoundTripThroughBytesAndThePasteboard)
{
    const QList<QVariantMap> records = sampleRecords();
    EXPECT_EQ(KeyedArchive::unarchiveRecords(KeyedArchive::archivedDataWithRecords(records)), records);

    QMimeData mime;
    EXPECT_FALSE(KeyedArchive::hasRecords(mime));
    KeyedArchive::setRecords(mime, records);
    EXPECT_TRUE(KeyedArchive::hasRecords(mime));
    EXPECT_TRUE(mime.hasFormat(QStringLiteral("application/x-zoravel-items")));
    EXPECT_EQ(KeyedArchive::records(mime), records);
}

TEST(KeyedArchiveTest, PasteboardWithoutOurItemsGivesNothing)
{
    QMimeData mime;
    mime.setText(QStringLiteral("plain text"));
    EXPECT_TRUE(KeyedArchive::records(mime).isEmpty());
}

TEST(KeyedArchiveTest, GarbageDecodesToNothing)
{
    const QByteArray valid = KeyedArchive::archivedDataWithRecords(sampleRecords());
    QList<QByteArray> garbage = {QByteArray(), QByteArray("ZVKA"), QByteArray(4096, '\xff'),
                                 valid + QByteArray("trailing")};
    for (int length = 1; length < valid.size(); ++length) garbage.append(valid.left(length));
    for (int at = 0; at < valid.size(); ++at) {
        QByteArray flipped = valid;
        flipped[at] = char(flipped[at] ^ 0x5a);
        garbage.append(flipped);
    }
    for (const QByteArray& bytes : garbage)
        EXPECT_TRUE(KeyedArchive::unarchiveRecords(bytes).isEmpty()) << bytes.toHex().left(80).toStdString();
}

}  // namespace
