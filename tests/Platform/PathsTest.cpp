#include "DataFolderLock.h"
#include "Paths.h"
#include "TestEnvironment.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

TEST(PathsTest, ApplicationSupportFolderIsCreatedInsideTheDataHome)
{
    const QString folder = Paths::applicationSupportFolder();
    EXPECT_TRUE(folder.startsWith(testDataRoot() + QStringLiteral("/data/"))) << folder.toStdString();
    EXPECT_TRUE(QFileInfo(folder).isDir());
}

TEST(PathsTest, ANewApplicationSupportFolderIsReadableByItsOwnerOnly)
{
    QTemporaryDir home;
    const QByteArray previous = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", home.path().toUtf8());
    const QString folder = Paths::applicationSupportFolder();
    qputenv("XDG_DATA_HOME", previous);
    ASSERT_TRUE(folder.startsWith(home.path())) << folder.toStdString();
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(folder).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
}

// One holder per data folder, whatever path names it, until it lets go; a
// later start reaches the holder through the folder's socket.
TEST(PathsTest, ADataFolderHasOneHolderUntilItLetsGo)
{
    QTemporaryDir folder;
    QTemporaryDir other;
    auto holder = std::make_unique<DataFolderLock>(folder.path());
    ASSERT_EQ(holder->acquire(), DataFolderLock::Outcome::Held);
    int asked = 0;
    holder->setShowRequestHandler([&] { ++asked; });
    const QString alias = folder.path() + QStringLiteral("/../") + QFileInfo(folder.path()).fileName();
    const struct {
        const char* name;
        QString folder;
        DataFolderLock::Outcome outcome;
    } rows[] = {
        {"the same folder", folder.path(), DataFolderLock::Outcome::HeldElsewhere},
        {"the same folder by another path", alias, DataFolderLock::Outcome::HeldElsewhere},
        {"another folder", other.path(), DataFolderLock::Outcome::Held},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        DataFolderLock later(row.folder);
        EXPECT_EQ(later.acquire(), row.outcome);
        if (row.outcome != DataFolderLock::Outcome::HeldElsewhere) continue;
        const int before = asked;
        EXPECT_TRUE(later.askHolderToShow(1000));
        EXPECT_TRUE(processEventsUntil([&] { return asked == before + 1; }));
    }
    EXPECT_FALSE(DataFolderLock(other.path()).askHolderToShow(100)) << "nobody holds it any more";
    holder.reset();
    EXPECT_EQ(DataFolderLock(folder.path()).acquire(), DataFolderLock::Outcome::Held);
}

TEST(PathsTest, ResourcesFolderHoldsTheResources)
{
    EXPECT_TRUE(QFileInfo(Paths::resourcesFolder() + QStringLiteral("/Texts/English.json")).isFile())
        << Paths::resourcesFolder().toStdString();
}

}  // namespace
