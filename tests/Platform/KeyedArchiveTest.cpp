#include "KeyedArchive.h"
#include "LogCapture.h"

#include <QDataStream>
#include <QIODevice>
#include <QDateTime>
#include <QMimeData>
#include <QTimeZone>
#include <QtEndian>

#include <gtest/gtest.h>

#include <limits>

namespace {

QList<QVariantMap> sampleRecords()
{
    return {
        {{"primaryKey", qint64(12)}, {"parentId", qint64(-1)}, {"startTime", 1388530800.0},
         {"endTime", 1388534400.5}, {"title", QStringLiteral("Zoë's meeting")}},
        {{"primaryKey", qint64(-3)}, {"parentId", std::numeric_limits<qint64>::max()},
         {"smallest", std::numeric_limits<qint64>::min()}, {"", QStringLiteral("")},
         {"created", QDateTime(QDate(2014, 1, 1), QTime(8, 30), QTimeZone::utc())},
         {"firstDay", QDateTime(QDate(1, 1, 1), QTime(0, 0), QTimeZone::utc())},
         {"lastDay", QDateTime(QDate(9999, 12, 31), QTime(23, 59, 59), QTimeZone::utc())}},
        {},
    };
}

// Bytes in the archive's own layout around any payload, the checksum right.
QByteArray wrapped(const QByteArray& payload, quint16 version = 2)
{
    QByteArray data(12, '\0');
    qToBigEndian<quint32>(0x5a564b41, data.data());
    qToBigEndian<quint16>(version, data.data() + 4);
    qToBigEndian<quint16>(qChecksum(payload), data.data() + 6);
    qToBigEndian<quint32>(quint32(payload.size()), data.data() + 8);
    return data + payload;
}

QByteArray bigEndian32(quint32 value)
{
    QByteArray bytes(4, '\0');
    qToBigEndian(value, bytes.data());
    return bytes;
}

QByteArray bigEndian64(quint64 value)
{
    QByteArray bytes(8, '\0');
    qToBigEndian(value, bytes.data());
    return bytes;
}

// One record of one entry: key "k" and the value bytes (type code first).
QByteArray oneEntry(const QByteArray& value)
{
    return bigEndian32(1) + bigEndian32(1) + bigEndian32(1) + "k" + value;
}

// The payload the old format wrote: variants as Qt streams them, each led by
// a type id taken from the bytes.
QByteArray streamedVariants(const std::function<void(QDataStream&)>& writeValue)
{
    QByteArray payload;
    QDataStream out(&payload, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_4);
    out << quint32(1) << quint32(1) << QStringLiteral("title");
    writeValue(out);
    return payload;
}

QByteArray hugeBitArray()
{
    return streamedVariants([](QDataStream& out) {
        out << quint32(QMetaType::QBitArray) << quint8(0) << quint32(0x80000000u);
        out.writeRawData("\xff\xff\xff\xff", 4);
    });
}

// What the earlier format wrote for an ordinary item.
QByteArray earlierItem()
{
    QByteArray payload;
    QDataStream out(&payload, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_4);
    out << quint32(1) << QVariantMap{{"primaryKey", qint64(12)}, {"startTime", 1388530800.0}};
    return payload;
}

QByteArray font()
{
    return streamedVariants([](QDataStream& out) {
        out << quint32(QMetaType::QFont) << quint8(0) << QStringLiteral("DejaVu Sans,12,-1,5,400,0,0,0,0,0");
    });
}

TEST(KeyedArchiveTest, RecordsRoundTripThroughBytesAndThePasteboard)
{
    const QList<QVariantMap> records = sampleRecords();
    EXPECT_EQ(KeyedArchive::unarchiveRecords(KeyedArchive::archivedDataWithRecords(records)), records);
    EXPECT_TRUE(KeyedArchive::unarchiveRecords(KeyedArchive::archivedDataWithRecords({})).isEmpty());

    QMimeData mime;
    EXPECT_FALSE(KeyedArchive::hasRecords(mime));
    KeyedArchive::setRecords(mime, records);
    EXPECT_TRUE(KeyedArchive::hasRecords(mime));
    EXPECT_TRUE(mime.hasFormat(QStringLiteral("application/x-zoravel-items")));
    EXPECT_EQ(KeyedArchive::records(mime), records);
}

TEST(KeyedArchiveTest, ValuesKeepTheirKindAndEveryBit)
{
    const QVariantMap read = KeyedArchive::unarchiveRecords(KeyedArchive::archivedDataWithRecords(
                                                                {{{"whole", 7}, {"real", 7.0}, {"negativeZero", -0.0},
                                                                  {"tiny", 5e-324}, {"text", QStringLiteral("7")}}}))
                                 .value(0);
    EXPECT_EQ(read.value("whole").typeId(), QMetaType::LongLong);
    EXPECT_EQ(read.value("real").typeId(), QMetaType::Double);
    EXPECT_EQ(read.value("text").typeId(), QMetaType::QString);
    EXPECT_TRUE(std::signbit(read.value("negativeZero").toDouble()));
    EXPECT_EQ(read.value("tiny").toDouble(), 5e-324);
}

TEST(KeyedArchiveTest, WriterLeavesOutValuesOfOtherTypesAndSaysSo)
{
    LogCapture log;
    const QByteArray data = KeyedArchive::archivedDataWithRecords(
        {{{"primaryKey", qint64(4)}, {"tags", QVariantList{"Work"}}, {"done", true}, {"raw", QByteArray("x")}}});
    const QList<QVariantMap> read = KeyedArchive::unarchiveRecords(data);
    ASSERT_EQ(read.size(), 1);
    EXPECT_EQ(read.first(), (QVariantMap{{"primaryKey", qint64(4)}}));
    EXPECT_TRUE(log.contains(QStringLiteral("\"tags\"")));
    EXPECT_TRUE(log.contains(QStringLiteral("\"done\"")));
}

TEST(KeyedArchiveTest, PasteboardWithoutOurItemsGivesNothing)
{
    QMimeData mime;
    mime.setText(QStringLiteral("plain text"));
    EXPECT_TRUE(KeyedArchive::records(mime).isEmpty());
}

// Another program may put anything under our type: variant streams that make
// Qt build a two-gigabit array or a font from the bytes, values of types no
// record holds, counts far beyond the bytes. Each gives no items and a log
// line, even with a header and checksum that check out.
TEST(KeyedArchiveTest, HostilePayloadsInAValidHeaderGiveNothingAndALogLine)
{
    const struct {
        const char* name;
        QByteArray data;
        const char* logged;
    } cases[] = {
        {"huge bit array, current version", wrapped(hugeBitArray()), "Ignoring the items"},
        {"huge bit array, earlier version", wrapped(hugeBitArray(), 1), "another format version"},
        {"font, current version", wrapped(font()), "Ignoring the items"},
        {"font, earlier version", wrapped(font(), 1), "another format version"},
        {"ordinary item, earlier version", wrapped(earlierItem(), 1), "another format version"},
        {"unknown type code", wrapped(oneEntry(QByteArray("\x05", 1) + bigEndian64(0))), "unknown type"},
        {"type code of a list", wrapped(oneEntry(QByteArray("\x09", 1) + bigEndian64(1))), "unknown type"},
        {"NaN real", wrapped(oneEntry("\x02" + bigEndian64(0x7ff8000000000000ull))), "not finite"},
        {"infinite real", wrapped(oneEntry("\x02" + bigEndian64(0xfff0000000000000ull))), "not finite"},
        {"date in year 10000", wrapped(oneEntry("\x03" + bigEndian64(253402300800000ull))), "years 1 to 9999"},
        {"date before year 1", wrapped(oneEntry("\x03" + bigEndian64(quint64(-62135596801000ll)))), "years 1 to 9999"},
        {"date of the lowest number", wrapped(oneEntry("\x03" + bigEndian64(0x8000000000000000ull))),
         "years 1 to 9999"},
        {"four billion records", wrapped(bigEndian32(0xffffffffu) + QByteArray(64, '\0')), "more records"},
        {"four billion entries", wrapped(bigEndian32(1) + bigEndian32(0xffffffffu) + QByteArray(64, '\0')),
         "more entries"},
        {"key longer than the bytes", wrapped(bigEndian32(1) + bigEndian32(1) + bigEndian32(0xfffffff0u)
                                              + QByteArray(16, 'k')),
         "cut short"},
        {"text longer than the bytes", wrapped(oneEntry("\x04" + bigEndian32(0x7fffffff) + "abc")), "cut short"},
        {"whole number cut short", wrapped(oneEntry(QByteArray("\x01\x00\x00", 3))), "more entries"},
        {"bytes after the records", wrapped(oneEntry("\x01" + bigEndian64(1)) + "x"), "after the last record"},
        {"payload length beyond the bytes",
         wrapped(oneEntry("\x01" + bigEndian64(1))).replace(8, 4, bigEndian32(0x7fffffff)), "length"},
        {"checksum off by one", [] {
             QByteArray data = wrapped(oneEntry("\x01" + bigEndian64(1)));
             data[7] = char(data[7] + 1);
             return data;
         }(),
         "checksum"},
    };
    for (const auto& c : cases) {
        LogCapture log;
        EXPECT_TRUE(KeyedArchive::unarchiveRecords(c.data).isEmpty()) << c.name;
        EXPECT_TRUE(log.contains(QString::fromLatin1(c.logged)))
            << c.name << ": " << log.messages().join('\n').toStdString();
    }
}

TEST(KeyedArchiveTest, TheSameEntryWithAValidValueIsRead)
{
    // The hostile cases above fail on their value alone: the frame around it reads.
    const QList<QVariantMap> read = KeyedArchive::unarchiveRecords(wrapped(oneEntry("\x01" + bigEndian64(42))));
    EXPECT_EQ(read, (QList<QVariantMap>{{{"k", qint64(42)}}}));
}

TEST(KeyedArchiveTest, CutFlippedOrExtendedArchivesDecodeToNothing)
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
