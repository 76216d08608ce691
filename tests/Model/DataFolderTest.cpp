#include "DataFolder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace DataFolderTests {

namespace {

void writeFile(const QString& path, const QByteArray& content)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

unsigned modeOf(const QString& path)
{
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode & 07777 : 0;
}

// The answers are the same whoever runs the test, root included.
TEST(DataFolderTest, WritableMeansTheOwnerMayWriteAndAFolderMayBeSearched)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const struct {
        const char* name;
        bool folder;
        unsigned mode;
        bool writable;
    } cases[] = {
        {"file rw-r--r--", false, 0644, true},  {"file r--r--r--", false, 0444, false},
        {"file r--rw-rw-", false, 0466, false}, {"folder rwx------", true, 0700, true},
        {"folder r-xr-xr-x", true, 0555, false}, {"folder rw-------", true, 0600, false},
    };
    for (const auto& c : cases) {
        const QString path = dir.filePath(QString::fromLatin1(c.name));
        if (c.folder)
            ASSERT_TRUE(QDir().mkdir(path));
        else
            writeFile(path, "x");
        ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), c.mode), 0);
        EXPECT_EQ(DataFolder::isWritable(path), c.writable) << c.name;
        ::chmod(QFile::encodeName(path).constData(), 0700);
    }
    EXPECT_FALSE(DataFolder::isWritable(dir.filePath(QStringLiteral("missing"))));
}

TEST(DataFolderTest, MovingAsideTakesTheFirstFreeNameAndNeverReplacesAFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("local.settings"));
    writeFile(path + QStringLiteral(".damaged"), "first");
    writeFile(path + QStringLiteral(".3.damaged"), "third");
    for (const char* expected : {".2.damaged", ".4.damaged"}) {
        writeFile(path, expected);
        EXPECT_EQ(DataFolder::moveAside(path, path, QStringLiteral(".damaged")), path + QLatin1String(expected));
        EXPECT_EQ(readFile(path + QLatin1String(expected)), QByteArray(expected));
        EXPECT_FALSE(QFile::exists(path));
    }
    EXPECT_EQ(readFile(path + QStringLiteral(".damaged")), QByteArray("first"));
    EXPECT_EQ(readFile(path + QStringLiteral(".3.damaged")), QByteArray("third"));
    EXPECT_TRUE(DataFolder::moveAside(path, path, QStringLiteral(".damaged")).isNull()) << "nothing to move";
}

TEST(DataFolderTest, RestrictingToTheOwnerTakesOnlyTheOthersPermissions)
{
    QTemporaryDir dir;
    const struct {
        const char* name;
        bool folder;
        unsigned before;
        unsigned after;
    } cases[] = {
        {"open file", false, 0664, 0600},
        {"read-only file", false, 0444, 0400},
        {"open folder", true, 0755, 0700},
        {"private folder", true, 0700, 0700},
    };
    for (const auto& c : cases) {
        const QString path = dir.filePath(QString::fromLatin1(c.name));
        if (c.folder)
            ASSERT_TRUE(QDir().mkdir(path));
        else
            writeFile(path, "x");
        ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), c.before), 0);
        EXPECT_TRUE(DataFolder::restrictToOwner(path)) << c.name;
        EXPECT_EQ(modeOf(path), c.after) << c.name;
    }
    EXPECT_TRUE(DataFolder::restrictToOwner(dir.filePath(QStringLiteral("missing"))));
}

}  // namespace

}  // namespace DataFolderTests
