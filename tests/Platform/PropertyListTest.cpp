#include "PropertyList.h"
#include "TestEnvironment.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QPoint>
#include <QTemporaryDir>
#include <QTimeZone>

#include <gtest/gtest.h>

#include <limits>

namespace {

class PropertyListTest : public ::testing::Test {
protected:
    QTemporaryDir folder{testDataRoot() + QStringLiteral("/plist-XXXXXX")};

    QString path(const QString& name) const { return folder.filePath(name); }

    void writeRaw(const QString& name, const QByteArray& bytes) const
    {
        QFile file(path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
};

QVariantMap everyKindOfValue()
{
    QVariantList list{QVariant(qint64(1)), QVariant(QStringLiteral("two")), QVariant(3.5), QVariant(true)};
    QVariantMap nested{{QStringLiteral("empty list"), QVariantList()}, {QStringLiteral("empty dict"), QVariantMap()}};
    return {
        {QStringLiteral("text"), QStringLiteral("Zoë's <b>&amp;</b> \"plans\" \u65e5\u672c")},
        {QStringLiteral("spaces"), QStringLiteral("  leading and trailing\n\tlines  ")},
        {QStringLiteral("empty text"), QString("")},
        {QStringLiteral("largest"), std::numeric_limits<qint64>::max()},
        {QStringLiteral("smallest"), std::numeric_limits<qint64>::min()},
        {QStringLiteral("zero"), qint64(0)},
        {QStringLiteral("tenth"), 0.1},
        {QStringLiteral("huge"), -1.5e300},
        {QStringLiteral("yes"), true},
        {QStringLiteral("no"), false},
        {QStringLiteral("when"), QDateTime(QDate(2014, 7, 15), QTime(10, 30, 5), QTimeZone::utc())},
        {QStringLiteral("bytes"), QByteArray("\x00\x01\xff binary", 10)},
        {QStringLiteral("list"), list},
        {QStringLiteral("nested"), nested},
        {QStringLiteral("Weird key <&>"), qint64(5)},
    };
}

TEST_F(PropertyListTest, FileRoundTripKeepsEveryKindOfValue)
{
    const QVariantMap written = everyKindOfValue();
    ASSERT_EQ(PropertyList::writeFile(path("all.plist"), written), PropertyList::Error::None);

    const PropertyList::Result read = PropertyList::readFile(path("all.plist"));
    ASSERT_TRUE(read.ok()) << read.errorText.toStdString();
    EXPECT_EQ(read.value.typeId(), QMetaType::QVariantMap);
    const QVariantMap back = read.value.toMap();
    EXPECT_EQ(back.keys(), written.keys());
    for (auto it = written.constBegin(); it != written.constEnd(); ++it) {
        EXPECT_EQ(back.value(it.key()).typeId(), it.value().typeId()) << it.key().toStdString();
        EXPECT_EQ(back.value(it.key()), it.value()) << it.key().toStdString();
    }
}

TEST_F(PropertyListTest, OtherContainerAndNumberTypesReadBackAsThePropertyListKinds)
{
    const QVariantHash hash{{QStringLiteral("b"), 2}, {QStringLiteral("a"), QStringList{"x", "y"}}};
    const std::optional<QByteArray> data = PropertyList::toData(hash);
    ASSERT_TRUE(data);
    const QVariantMap back = PropertyList::fromData(*data).value.toMap();
    EXPECT_EQ(back.value("b").typeId(), QMetaType::LongLong);
    EXPECT_EQ(back.value("b").toLongLong(), 2);
    EXPECT_EQ(back.value("a").toList(), QVariantList({QStringLiteral("x"), QStringLiteral("y")}));
}

TEST_F(PropertyListTest, ReadsAHandWrittenList)
{
    const QByteArray xml = R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist SYSTEM "plist.dtd">
<plist version="1.0">
<dict>
	<key>autoZVWSync</key>
	<integer> 1 </integer>
	<key>when</key>
	<date>2013-01-05T10:00:00Z</date>
	<key>blob</key>
	<data>
	aGVs
	bG8=
	</data>
	<key>days</key>
	<array>
		<real>480</real>
		<string/>
		<false/>
	</array>
</dict>
</plist>
)";
    const PropertyList::Result read = PropertyList::fromData(xml);
    ASSERT_TRUE(read.ok()) << read.errorText.toStdString();
    const QVariantMap map = read.value.toMap();
    EXPECT_EQ(map.value("autoZVWSync").toLongLong(), 1);
    EXPECT_EQ(map.value("when").toDateTime().toSecsSinceEpoch(), 1357380000);
    EXPECT_EQ(map.value("blob").toByteArray(), QByteArray("hello"));
    EXPECT_EQ(map.value("days").toList(), QVariantList({480.0, QString(""), false}));
}

TEST_F(PropertyListTest, MissingFileIsReportedAsMissing)
{
    const PropertyList::Result read = PropertyList::readFile(path("absent.plist"));
    EXPECT_EQ(read.error, PropertyList::Error::FileMissing);
    EXPECT_FALSE(read.value.isValid());
    EXPECT_TRUE(read.errorText.contains(QStringLiteral("absent.plist")));
}

TEST_F(PropertyListTest, CorruptContentIsMalformedNeverACrash)
{
    const QByteArray valid = *PropertyList::toData(everyKindOfValue());
    const QByteArray cases[] = {
        QByteArray(),
        QByteArray("not a property list at all"),
        QByteArray("\x00\xff\xfe garbage", 12),
        valid.left(valid.size() / 2),
        "<plist><dict><key>a</key></dict></plist>",
        "<plist><dict><integer>1</integer></dict></plist>",
        "<plist><integer>twelve</integer></plist>",
        "<plist><real>1.5.5</real></plist>",
        "<plist><date>yesterday</date></plist>",
        "<plist><data>!!not base64!!</data></plist>",
        "<plist><string>a<b/>c</string></plist>",
        "<plist><true>x</true></plist>",
        "<plist><set/></plist>",
        "<plist><string>one</string><string>two</string></plist>",
        "<plist></plist>",
        QByteArray(20000, '\0').replace(QByteArray(1, '\0'), "<array>"),
    };
    int index = 0;
    for (const QByteArray& bytes : cases) {
        const QString name = QStringLiteral("corrupt%1.plist").arg(index++);
        writeRaw(name, bytes);
        const PropertyList::Result read = PropertyList::readFile(path(name));
        EXPECT_EQ(read.error, PropertyList::Error::Malformed) << bytes.left(60).toStdString();
        EXPECT_FALSE(read.value.isValid());
        EXPECT_FALSE(read.errorText.isEmpty());
    }
}

TEST_F(PropertyListTest, ValueItCannotHoldIsRefusedAndTheOldFileKept)
{
    const QString file = path("kept.plist");
    ASSERT_EQ(PropertyList::writeFile(file, QVariantMap{{"a", qint64(1)}}), PropertyList::Error::None);

    const QVariantMap bad{{"point", QPoint(1, 2)}};
    EXPECT_EQ(PropertyList::writeFile(file, bad), PropertyList::Error::UnsupportedValue);
    EXPECT_EQ(PropertyList::writeFile(file, QVariant()), PropertyList::Error::UnsupportedValue);
    EXPECT_EQ(PropertyList::readFile(file).value.toMap().value("a").toLongLong(), 1);
}

TEST_F(PropertyListTest, WriteIntoAMissingFolderFails)
{
    EXPECT_EQ(PropertyList::writeFile(path("no/such/folder.plist"), QVariantMap()), PropertyList::Error::CannotWrite);
}

}  // namespace
