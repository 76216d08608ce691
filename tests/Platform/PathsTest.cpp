#include "Paths.h"
#include "TestEnvironment.h"

#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

TEST(PathsTest, ApplicationSupportFolderIsCreatedInsideTheDataHome)
{
    const QString folder = Paths::applicationSupportFolder();
    EXPECT_TRUE(folder.startsWith(testDataRoot() + QStringLiteral("/data/"))) << folder.toStdString();
    EXPECT_TRUE(QFileInfo(folder).isDir());
}

TEST(PathsTest, ResourcesFolderHoldsTheResources)
{
    EXPECT_TRUE(QFileInfo(Paths::resourcesFolder() + QStringLiteral("/Texts/English.json")).isFile())
        << Paths::resourcesFolder().toStdString();
}

}  // namespace
