#include "FilePicker.h"
#include "FileWriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(FilePickerTest, ATildeIsTheHomeFolderOnlyAtTheStart)
{
    const struct {
        QString given;
        QString expected;
    } cases[] = {
        {QStringLiteral("~"), QDir::homePath()},
        {QStringLiteral("~/Downloads"), QDir::homePath() + QStringLiteral("/Downloads")},
        {QStringLiteral("/tmp/~/x"), QStringLiteral("/tmp/~/x")},
        {QStringLiteral("~other/x"), QStringLiteral("~other/x")},
        {QString(), QString()},
    };
    for (const auto& c : cases) EXPECT_EQ(FilePicker::expandTilde(c.given), c.expected) << c.given.toStdString();
}

TEST(FilePickerTest, OnlyTheAllowedExtensionsConformAndASavedNameGetsTheFirst)
{
    const QStringList types{QStringLiteral("bkzvm"), QStringLiteral("old")};
    const struct {
        QString path;
        bool conforms;
        QString saved;
    } cases[] = {
        {QStringLiteral("/a/Database.bkzvm"), true, QStringLiteral("/a/Database.bkzvm")},
        {QStringLiteral("/a/Database.BKZVM"), true, QStringLiteral("/a/Database.BKZVM")},
        {QStringLiteral("/a/Database.old"), true, QStringLiteral("/a/Database.old")},
        {QStringLiteral("/a/Database"), false, QStringLiteral("/a/Database.bkzvm")},
        {QStringLiteral("/a/Database.txt"), false, QStringLiteral("/a/Database.txt.bkzvm")},
        {QStringLiteral("/a/bkzvm"), false, QStringLiteral("/a/bkzvm.bkzvm")},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FilePicker::conformsToTypes(c.path, types), c.conforms) << c.path.toStdString();
        EXPECT_EQ(FilePicker::withAllowedExtension(c.path, types), c.saved) << c.path.toStdString();
    }
    EXPECT_TRUE(FilePicker::conformsToTypes(QStringLiteral("/a/anything"), {})) << "no types accept every file";
    EXPECT_EQ(FilePicker::withAllowedExtension(QStringLiteral("/a/x"), {}), QStringLiteral("/a/x"));
    EXPECT_EQ(QtFilePicker::nameFilter(types), QStringLiteral("*.bkzvm *.old"));
    EXPECT_EQ(QtFilePicker::nameFilter({}), QStringLiteral("*"));
}

TEST(FileWriterTest, WritesWholeFilesPrivateToTheOwnerAndLeavesNothingOnFailure)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("file.bin"));
    ASSERT_TRUE(FileWriter::current().writeAtomically(path, QByteArrayLiteral("first")));
    ASSERT_TRUE(FileWriter::current().writeAtomically(path, QByteArrayLiteral("second")));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArrayLiteral("second"));
    EXPECT_EQ(QFileInfo(path).permissions() & (QFileDevice::ReadGroup | QFileDevice::ReadOther), 0);

    // A folder that does not exist cannot be written, even by root.
    const QString missing = dir.filePath(QStringLiteral("no/such/folder/file.bin"));
    EXPECT_FALSE(FileWriter::current().writeAtomically(missing, QByteArrayLiteral("x")));
    EXPECT_FALSE(QFileInfo::exists(missing));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("file.bin")})
        << "no temporary file is left behind";
}

namespace {
class RefusingWriter : public FileWriter {
public:
    bool writeAtomically(const QString&, const QByteArray&) override
    {
        ++calls;
        return false;
    }
    int calls = 0;
};
}  // namespace

TEST(FileWriterTest, AnInstalledWriterTakesEveryWriteUntilRemoved)
{
    RefusingWriter refusing;
    FileWriter::setCurrent(&refusing);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("f"));
    EXPECT_FALSE(FileWriter::current().writeAtomically(path, "x"));
    EXPECT_EQ(refusing.calls, 1);
    FileWriter::setCurrent(nullptr);
    EXPECT_TRUE(FileWriter::current().writeAtomically(path, "x"));
    EXPECT_EQ(refusing.calls, 1);
}
