#include "Paths.h"
#include "TestEnvironment.h"

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

TEST(PathsTest, ResourcesFolderHoldsTheResources)
{
    EXPECT_TRUE(QFileInfo(Paths::resourcesFolder() + QStringLiteral("/Texts/English.json")).isFile())
        << Paths::resourcesFolder().toStdString();
}

}  // namespace
