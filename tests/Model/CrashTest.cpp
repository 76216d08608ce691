#include "ModelTestFixture.h"

#include <QProcess>
#include <QThread>

#include <random>

// A process killed in the middle of its item writes leaves a sound database
// and no item half written: every row it left is either whole or absent.
class CrashTest : public ModelTest {};

TEST_F(CrashTest, KillsDuringItemWritesLeaveNoHalfWrittenItem)
{
    const QString path = dataFolder() + QStringLiteral("/Database.sql");
    const qint64 rowsBefore = queryInt("SELECT count(*) FROM Tasks");
    std::mt19937 random(20261207);
    std::uniform_int_distribution<int> itemsFirst(1, 4);
    std::uniform_int_distribution<int> pause(0, 8);
    qint64 written = 0;
    for (int kill = 1; kill <= 100; ++kill) {
        QProcess writer;
        writer.start(QStringLiteral(ZORAVEL_ITEM_WRITER), {path});
        // However slow the machine, the kill lands after a few whole items,
        // somewhere in the writes of the next ones.
        int lines = 0;
        const int wanted = 1 + itemsFirst(random);
        while (lines < wanted) {
            if (!writer.canReadLine()) {
                ASSERT_TRUE(writer.waitForReadyRead(10000)) << "the writer stalled";
            }
            while (writer.canReadLine() && lines < wanted) {
                writer.readLine();
                ++lines;
            }
        }
        QThread::msleep(pause(random));
        writer.kill();
        ASSERT_TRUE(writer.waitForFinished(10000));
        ASSERT_EQ(writer.exitStatus(), QProcess::CrashExit) << "the writer stopped by itself: "
                                                           << writer.readAllStandardError().toStdString();

        sqlite3_stmt* check = nullptr;
        ASSERT_EQ(sqlite3_prepare_v2(db(), "PRAGMA integrity_check", -1, &check, nullptr), SQLITE_OK);
        ASSERT_EQ(sqlite3_step(check), SQLITE_ROW);
        const QString verdict = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(check, 0)));
        sqlite3_finalize(check);
        ASSERT_EQ(verdict, QStringLiteral("ok")) << "after kill " << kill;
        ASSERT_EQ(queryInt("SELECT count(*) FROM Tasks WHERE taskName IS NULL OR taskName='' OR notes IS NOT taskName "
                           "OR calendarId IS NOT 1"),
                  0)
            << "a half-written item after kill " << kill;
        written = queryInt("SELECT count(*) FROM Tasks") - rowsBefore;
    }
    EXPECT_GT(written, 100) << "the kills should land among many writes";
}
