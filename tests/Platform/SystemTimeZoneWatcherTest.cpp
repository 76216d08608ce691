#include "SystemTimeZoneWatcher.h"

#include "NotificationCenter.h"
#include "TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdio>

namespace SystemTimeZoneWatcherTests {

namespace {

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

class SystemTimeZoneWatcherTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder.isValid());
        writeFile(zoneFile, "zone Paris");
        writeFile(folder.filePath(QStringLiteral("Paris")), "zone Paris");
        writeFile(folder.filePath(QStringLiteral("Tokyo")), "zone Tokyo");
        NotificationCenter::defaultCenter().addObserver(&observer, kSystemTimeZoneDidChangeNotification, nullptr,
                                                        [this](const Notification&) { ++posts; });
    }

    // Waits for the watcher's first post, then a little more for any
    // duplicate the file system's several events could cause.
    int postsAfterSettling()
    {
        processEventsUntil([this] { return posts > 0; }, 3000);
        processEventsUntil([] { return false; }, 300);
        return posts;
    }

    QTemporaryDir folder;
    QString zoneFile = folder.filePath(QStringLiteral("localtime"));
    QObject observer;
    int posts = 0;
};

TEST_F(SystemTimeZoneWatcherTest, ANewZoneWrittenIntoTheFileIsPostedOnce)
{
    SystemTimeZoneWatcher watcher(zoneFile);
    writeFile(zoneFile, "zone Tokyo");
    EXPECT_EQ(postsAfterSettling(), 1);
}

TEST_F(SystemTimeZoneWatcherTest, AFileReplacedByRenameIsPostedAndStillWatchedAfterwards)
{
    SystemTimeZoneWatcher watcher(zoneFile);
    const QString fresh = folder.filePath(QStringLiteral("localtime.new"));
    writeFile(fresh, "zone Tokyo");
    ASSERT_EQ(::rename(QFile::encodeName(fresh).constData(), QFile::encodeName(zoneFile).constData()), 0);
    EXPECT_EQ(postsAfterSettling(), 1);
    // The watch on the old file went with it: the new one must be watched.
    posts = 0;
    writeFile(zoneFile, "zone Paris");
    EXPECT_EQ(postsAfterSettling(), 1);
}

TEST_F(SystemTimeZoneWatcherTest, ALinkPointedAtAnotherZoneIsPosted)
{
    ASSERT_TRUE(QFile::remove(zoneFile));
    ASSERT_TRUE(QFile::link(folder.filePath(QStringLiteral("Paris")), zoneFile));
    SystemTimeZoneWatcher watcher(zoneFile);
    const QString fresh = folder.filePath(QStringLiteral("localtime.new"));
    ASSERT_TRUE(QFile::link(folder.filePath(QStringLiteral("Tokyo")), fresh));
    ASSERT_EQ(::rename(QFile::encodeName(fresh).constData(), QFile::encodeName(zoneFile).constData()), 0);
    EXPECT_EQ(postsAfterSettling(), 1);
}

TEST_F(SystemTimeZoneWatcherTest, OtherFilesOfTheFolderAndAnUnchangedRewriteAreNoChange)
{
    SystemTimeZoneWatcher watcher(zoneFile);
    writeFile(folder.filePath(QStringLiteral("hostname")), "desk");
    writeFile(zoneFile, "zone Paris");
    ASSERT_TRUE(QFile::remove(folder.filePath(QStringLiteral("Tokyo"))));
    processEventsUntil([] { return false; }, 500);
    EXPECT_EQ(posts, 0);
}

TEST_F(SystemTimeZoneWatcherTest, AFileAwayForAMomentPostsOnlyWhenItComesBackChanged)
{
    SystemTimeZoneWatcher watcher(zoneFile);
    ASSERT_TRUE(QFile::remove(zoneFile));
    processEventsUntil([] { return false; }, 300);
    EXPECT_EQ(posts, 0) << "a missing file is not a zone";
    writeFile(zoneFile, "zone Tokyo");
    EXPECT_EQ(postsAfterSettling(), 1);
}

}  // namespace

}  // namespace SystemTimeZoneWatcherTests
