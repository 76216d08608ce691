// Every text the program shows comes from the text table by key; a key with
// no text would show as an empty label. The keys are read from the sources
// themselves, so a new lookup is checked without anyone listing it here.
#include "SourceScan.h"
#include "TextTable.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

TEST(TextKeys, ScanReadsLiteralKeysInAnyLayoutAndReportsOtherCalls)
{
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    ASSERT_TRUE(writeTextFile(root.filePath(QStringLiteral("A/One.cpp")),
                              "QString a() { return TextTable::localizedString(QStringLiteral(\"firstText\")); }\n"
                              "QString b() { return TextTable::localizedString(\n"
                              "    QStringLiteral( \"secondText\" ) ); }\n"));
    ASSERT_TRUE(writeTextFile(root.filePath(QStringLiteral("B/Two.h")),
                              "inline QString c(const QString& key) {\n"
                              "    return TextTable::localizedString(key); }\n"
                              "QString d() { return TextTable::localizedString(QStringLiteral(\"firstText\")); }\n"));
    ASSERT_TRUE(writeTextFile(root.filePath(QStringLiteral("Platform/TextTable.cpp")),
                              "QString TextTable::localizedString(const QString& key) { return {}; }\n"));
    ASSERT_TRUE(writeTextFile(root.filePath(QStringLiteral("notes.txt")),
                              "TextTable::localizedString(QStringLiteral(\"notCodeText\"))\n"));

    const LiteralScan scan =
        scanLiteralCalls(root.path(), {QStringLiteral("localizedString")}, QStringLiteral("TextTable"));

    EXPECT_EQ(scan.filesRead, 2);
    EXPECT_EQ(scan.names, QStringList({QStringLiteral("firstText"), QStringLiteral("secondText")}));
    EXPECT_EQ(scan.unreadableCalls, QStringList({QStringLiteral("B/Two.h:2")}));
}

TEST(TextKeys, EveryKeyTheSourcesLookUpHasAText)
{
    const QString sources = sourcesFolder();
    const LiteralScan scan =
        scanLiteralCalls(sources, {QStringLiteral("localizedString")}, QStringLiteral("TextTable"));

    ASSERT_GT(scan.filesRead, 0) << "No sources under " << sources.toStdString();
    // The display texts hold the most lookups: a scan that misses them read the wrong tree.
    ASSERT_TRUE(scan.names.contains(QStringLiteral("dueTodayText")));
    EXPECT_TRUE(scan.unreadableCalls.isEmpty())
        << "Write the key as a literal in the call: " << scan.unreadableCalls.join(QStringLiteral(", ")).toStdString();
    for (const QString& key : scan.names) EXPECT_TRUE(TextTable::hasText(key)) << "No text for " << key.toStdString();
}

}  // namespace

namespace {

// A key written twice in the table shows only one of its texts, whichever
// the reader keeps; merged work must not leave the other one behind.
TEST(TextKeys, EachKeyIsWrittenOnceInTheTable)
{
    QFile file(QFileInfo(sourcesFolder()).dir().filePath(QStringLiteral("Resources/Texts/English.json")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << file.fileName().toStdString();
    QStringList seen;
    QStringList twice;
    const QRegularExpression key(QStringLiteral("^\\s*\"([^\"]+)\"\\s*:"));
    for (const QByteArray& line : file.readAll().split('\n')) {
        const QRegularExpressionMatch match = key.match(QString::fromUtf8(line));
        if (!match.hasMatch()) continue;
        if (seen.contains(match.captured(1))) twice << match.captured(1);
        seen << match.captured(1);
    }
    EXPECT_GT(seen.size(), 100);
    EXPECT_TRUE(twice.isEmpty()) << twice.join(QStringLiteral(", ")).toStdString();
}

}  // namespace
