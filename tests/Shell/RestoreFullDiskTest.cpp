// A restore on a data folder whose disk is full is refused with the reason
// the user can act on: the disk is full, not that the backup is damaged.
#include "BackupTestFixture.h"

#include "ScriptedAlertPresenter.h"
#include "SmallFileSystem.h"
#include "TextTable.h"

#include <QFileInfo>

namespace RestoreFullDiskTests {

class RestoreFullDiskTest : public BackupTest {
protected:
    void beforeStart() override
    {
        m_disk = std::make_unique<SmallFileSystem>(m_home->path(), 2 * 1024 * 1024);
        if (!m_disk->isMounted()) GTEST_SKIP() << m_disk->skipReason();
    }
    void afterStop() override { m_disk.reset(); }

    std::unique_ptr<SmallFileSystem> m_disk;
};

TEST_F(RestoreFullDiskTest, ARestoreOnAFullDiskSaysTheDiskIsFullAndChangesNothing)
{
    const QString key = QString::fromLatin1(BackupFile::manualBackupKeyText);
    const QString path = scratch(QStringLiteral("full.bkzvm"));
    ASSERT_TRUE(writeFile(path, backupNow()));
    const QByteArray databaseBefore = readFile(CoreData::databasePath());
    ASSERT_TRUE(m_disk->fill());

    ScriptedAlertPresenter alerts;
    alerts.scriptButton(AlertResponse::firstButton);
    EXPECT_FALSE(view->restoreFile(path, key));
    ASSERT_EQ(alerts.requests().size(), 1);
    EXPECT_EQ(alerts.requests().first().messageText, TextTable::localizedString(QStringLiteral("restoreErrorText")));
    EXPECT_EQ(alerts.requests().first().informativeText,
              TextTable::localizedString(QStringLiteral("restoreDiskFullMessage")));
    EXPECT_EQ(readFile(CoreData::databasePath()), databaseBefore);
    EXPECT_TRUE(calendarStore->calls().isEmpty());
    for (const char* suffix : {".restoring", ".restore-unfinished"})
        EXPECT_FALSE(QFileInfo::exists(CoreData::databasePath() + QLatin1String(suffix))) << suffix;

    // With room made, the same file restores.
    m_disk->makeRoom();
    EXPECT_TRUE(view->restoreFile(path, key));
}

}  // namespace RestoreFullDiskTests
