#include "DataFolderLock.h"
#include "Paths.h"
#include "TestEnvironment.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <optional>
#include <thread>

#include <sys/stat.h>

namespace {

// A later start waits for the holder's answer, so it runs on its own thread
// (as in its own process) while this one's event loop answers, after
// `frozenMs` in which it does not turn, and then does what it had `queued`.
DataFolderLock::Claim claimFromAnotherStart(const QString& folder, int timeoutMs, int frozenMs = 0,
                                            const std::function<void()>& queued = {})
{
    std::atomic<bool> done{false};
    DataFolderLock::Claim claim{};
    std::thread start([&] {
        DataFolderLock later(folder);
        claim = later.claim(timeoutMs);
        done = true;
    });
    QThread::msleep(frozenMs);
    if (queued) QTimer::singleShot(0, queued);
    processEventsUntil([&] { return done.load(); }, timeoutMs + 2000);
    start.join();
    return claim;
}

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
// later start reaches the holder through the folder's socket, whatever
// runtime folder it was given, and waits for a holder that is quitting.
TEST(PathsTest, ADataFolderHasOneHolderUntilItLetsGo)
{
    QTemporaryDir folder;
    QTemporaryDir other;
    QTemporaryDir runtimes;
    QTemporaryDir leaving;
    // Too long a path for a socket beside the lock.
    const QString deep = folder.path() + QLatin1Char('/') + QString(100, QLatin1Char('d'));
    const QString longRuntime = runtimes.path() + QLatin1Char('/') + QString(110, QLatin1Char('r'));
    ASSERT_TRUE(QDir().mkpath(deep));
    ASSERT_TRUE(QDir().mkpath(longRuntime));
    auto holder = std::make_unique<DataFolderLock>(folder.path());
    ASSERT_EQ(holder->acquire(), DataFolderLock::Outcome::Held);
    DataFolderLock deepHolder(deep);
    ASSERT_EQ(deepHolder.acquire(), DataFolderLock::Outcome::Held);
    int asked = 0;
    holder->setShowRequestHandler([&] { ++asked; });
    deepHolder.setShowRequestHandler([&] { ++asked; });
    // Another program quitting: it holds the lock, answers nobody, and lets
    // go a moment later.
    QProcess quitting;
    quitting.start(QStringLiteral("flock"), {QDir(leaving.path()).filePath(QString::fromLatin1(DataFolderLock::lockFileName)),
                                             QStringLiteral("sleep"), QStringLiteral("0.6")});
    ASSERT_TRUE(quitting.waitForStarted());
    ASSERT_TRUE(processEventsUntil([&] { return DataFolderLock(leaving.path()).acquire() == DataFolderLock::Outcome::HeldElsewhere; }));
    // A copy held up (on its database, or stopped) past the later start's
    // wait; and one that heard the request just as it began to quit.
    QTemporaryDir frozen;
    QTemporaryDir parting;
    DataFolderLock frozenHolder(frozen.path());
    ASSERT_EQ(frozenHolder.acquire(), DataFolderLock::Outcome::Held);
    auto quitter = std::make_unique<DataFolderLock>(parting.path());
    ASSERT_EQ(quitter->acquire(), DataFolderLock::Outcome::Held);
    const auto quit = [&] {
        quitter->stopAnswering();
        QTimer::singleShot(300, [&] { quitter.reset(); });
    };
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    const QString alias = folder.path() + QStringLiteral("/../") + QFileInfo(folder.path()).fileName();
    const struct {
        const char* name;
        QString folder;
        std::optional<QString> runtime;  // the later start's runtime folder; none: unset
        DataFolderLock::Claim claim;
        int timeoutMs = 3000;
        int frozenMs = 0;  // the holders' event loop does not turn meanwhile
        std::function<void()> queued = {};
    } rows[] = {
        {"the same folder", folder.path(), QString::fromLocal8Bit(runtime), DataFolderLock::Claim::HolderShown},
        {"the same folder by another path", alias, QString::fromLocal8Bit(runtime), DataFolderLock::Claim::HolderShown},
        {"from another runtime folder", folder.path(), runtimes.path(), DataFolderLock::Claim::HolderShown},
        {"with no runtime folder", folder.path(), std::nullopt, DataFolderLock::Claim::HolderShown},
        {"from a runtime folder over 108 bytes long", folder.path(), longRuntime, DataFolderLock::Claim::HolderShown},
        {"a folder too deep for a socket beside its lock", deep, QString::fromLocal8Bit(runtime),
         DataFolderLock::Claim::HolderShown},
        {"a folder whose holder is quitting", leaving.path(), QString::fromLocal8Bit(runtime),
         DataFolderLock::Claim::Held},
        {"another folder", other.path(), QString::fromLocal8Bit(runtime), DataFolderLock::Claim::Held},
        {"a folder whose holder is held up", frozen.path(), QString::fromLocal8Bit(runtime),
         DataFolderLock::Claim::HolderSilent, 1000, 1500},
        {"a folder whose holder quits after it heard the request", parting.path(), QString::fromLocal8Bit(runtime),
         DataFolderLock::Claim::Held, 3000, 300, quit},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        if (row.runtime) qputenv("XDG_RUNTIME_DIR", row.runtime->toLocal8Bit());
        else qunsetenv("XDG_RUNTIME_DIR");
        const int before = asked;
        EXPECT_EQ(claimFromAnotherStart(row.folder, row.timeoutMs, row.frozenMs, row.queued), row.claim);
        qputenv("XDG_RUNTIME_DIR", runtime);
        if (row.claim != DataFolderLock::Claim::HolderShown) continue;
        EXPECT_TRUE(processEventsUntil([&] { return asked == before + 1; }));
    }
    quitting.waitForFinished();
    EXPECT_FALSE(DataFolderLock(other.path()).askHolderToShow(100)) << "nobody holds it any more";
    holder->stopAnswering();
    EXPECT_EQ(DataFolderLock(folder.path()).claim(200), DataFolderLock::Claim::HolderSilent)
        << "a quitting holder that has not let go yet";
    holder.reset();
    EXPECT_EQ(DataFolderLock(folder.path()).acquire(), DataFolderLock::Outcome::Held);
}

TEST(PathsTest, ResourcesFolderHoldsTheResources)
{
    EXPECT_TRUE(QFileInfo(Paths::resourcesFolder() + QStringLiteral("/Texts/English.json")).isFile())
        << Paths::resourcesFolder().toStdString();
}

}  // namespace
