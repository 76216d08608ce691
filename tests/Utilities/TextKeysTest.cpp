// Every text the program shows comes from the text table by key; a key with
// no text would show as an empty label. The keys are read from the sources
// themselves, so a new lookup is checked without anyone listing it here.
#include "Paths.h"
#include "TextTable.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct KeyScan {
    int filesRead = 0;
    QStringList keys;
    QStringList unreadableCalls;  // "file:line" of calls whose key is not a literal
};

int lineAt(const QString& text, qsizetype position)
{
    return static_cast<int>(QStringView(text).left(position).count(u'\n')) + 1;
}

// Finds every lookup call in the C++ files under root. A call is read only in
// the one documented form, the key a literal inside the call (blanks and line
// breaks allowed); any other call is reported, since its key cannot be seen.
KeyScan scanSources(const QString& root)
{
    static const QRegularExpression call(QStringLiteral("\\blocalizedString\\s*\\("));
    static const QRegularExpression literalCall(QStringLiteral(
        "localizedString\\s*\\(\\s*QStringLiteral\\s*\\(\\s*\"([^\"\\\\]*)\"\\s*\\)\\s*\\)"));
    KeyScan scan;
    QDirIterator files(root, {QStringLiteral("*.cpp"), QStringLiteral("*.h")}, QDir::Files,
                       QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString path = files.next();
        // The table's own files declare and define the call.
        if (QFileInfo(path).completeBaseName() == QLatin1String("TextTable")) continue;
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            ADD_FAILURE() << "Cannot read " << path.toStdString();
            continue;
        }
        const QString text = QString::fromUtf8(file.readAll());
        ++scan.filesRead;
        for (const QRegularExpressionMatch& found : call.globalMatch(text)) {
            const QRegularExpressionMatch literal = literalCall.match(
                text, found.capturedStart(), QRegularExpression::NormalMatch,
                QRegularExpression::AnchorAtOffsetMatchOption);
            if (literal.hasMatch())
                scan.keys.append(literal.captured(1));
            else
                scan.unreadableCalls.append(QDir(root).relativeFilePath(path) + QLatin1Char(':')
                                            + QString::number(lineAt(text, found.capturedStart())));
        }
    }
    scan.keys.removeDuplicates();
    return scan;
}

void writeFile(const QString& path, const QByteArray& content)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
}

TEST(TextKeys, ScanReadsLiteralKeysInAnyLayoutAndReportsOtherCalls)
{
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    writeFile(root.filePath(QStringLiteral("A/One.cpp")),
              "QString a() { return TextTable::localizedString(QStringLiteral(\"firstText\")); }\n"
              "QString b() { return TextTable::localizedString(\n"
              "    QStringLiteral( \"secondText\" ) ); }\n");
    writeFile(root.filePath(QStringLiteral("B/Two.h")),
              "inline QString c(const QString& key) {\n"
              "    return TextTable::localizedString(key); }\n"
              "QString d() { return TextTable::localizedString(QStringLiteral(\"firstText\")); }\n");
    writeFile(root.filePath(QStringLiteral("Platform/TextTable.cpp")),
              "QString TextTable::localizedString(const QString& key) { return {}; }\n");
    writeFile(root.filePath(QStringLiteral("notes.txt")),
              "TextTable::localizedString(QStringLiteral(\"notCodeText\"))\n");

    const KeyScan scan = scanSources(root.path());

    EXPECT_EQ(scan.filesRead, 2);
    EXPECT_EQ(scan.keys, QStringList({QStringLiteral("firstText"), QStringLiteral("secondText")}));
    EXPECT_EQ(scan.unreadableCalls, QStringList({QStringLiteral("B/Two.h:2")}));
}

TEST(TextKeys, EveryKeyTheSourcesLookUpHasAText)
{
    const QString sources = QDir::cleanPath(Paths::resourcesFolder() + QStringLiteral("/../Sources"));
    const KeyScan scan = scanSources(sources);

    ASSERT_GT(scan.filesRead, 0) << "No sources under " << sources.toStdString();
    // The display texts hold the most lookups: a scan that misses them read the wrong tree.
    ASSERT_TRUE(scan.keys.contains(QStringLiteral("dueTodayText")));
    EXPECT_TRUE(scan.unreadableCalls.isEmpty())
        << "Write the key as a literal in the call: " << scan.unreadableCalls.join(QStringLiteral(", ")).toStdString();
    for (const QString& key : scan.keys) EXPECT_TRUE(TextTable::hasText(key)) << "No text for " << key.toStdString();
}

}  // namespace
