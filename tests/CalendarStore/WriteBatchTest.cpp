#include "StoreFixture.h"

#include <QDirIterator>
#include <QFileInfo>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>

#include <sys/stat.h>
#include <unistd.h>

namespace {

std::atomic<int> syncs{0};

int countedSync(int fd)
{
    ++syncs;
    return ::fsync(fd);
}

// Records which files were flushed, and fails for the events titled "Fail
// ...", and so for the sync of their whole filesystem (a folder): lets a
// test check that a failed batch flushes every file once to name the failures.
std::mutex flushedMutex;
QStringList flushedPaths;

int recordingSync(int fd)
{
    const QString path = QFileInfo(QStringLiteral("/proc/self/fd/%1").arg(fd)).symLinkTarget();
    {
        std::lock_guard lock(flushedMutex);
        flushedPaths << path;
    }
    struct stat status {};
    if (::fstat(fd, &status) == 0 && S_ISDIR(status.st_mode)) {
        errno = EIO;
        return -1;
    }
    char head[512] = {};
    const ssize_t got = ::pread(fd, head, sizeof head - 1, 0);
    if (got > 0 && std::strstr(head, "SUMMARY:Fail")) {
        errno = EIO;
        return -1;
    }
    return ::fsync(fd);
}

int failingSync(int)
{
    ++syncs;
    errno = EIO;
    return -1;
}

class WriteBatchTest : public StoreFixture {
protected:
    void SetUp() override
    {
        StoreFixture::SetUp();
        CalCalendarStore::setSyncCallForTesting(countedSync);
        calendar = newCalendar(QStringLiteral("Work"));
        // Its Info.plist is flushed like every store file; the tests count from here.
        syncs = 0;
    }
    void TearDown() override
    {
        CalCalendarStore::setSyncCallForTesting(nullptr);
        StoreFixture::TearDown();
    }

    CalEventPtr event(const QString& title, int day)
    {
        auto made = CalEvent::event();
        made->setCalendar(calendar);
        made->setTitle(title);
        made->setStartDate(paris(2014, 3, day, 9));
        made->setEndDate(paris(2014, 3, day, 10));
        return made;
    }
    QString calendarFolder() const { return root() + QLatin1Char('/') + calendar->uid() + QStringLiteral(".calendar"); }
    // Every file below the calendar's folder but its Info.plist.
    QStringList writtenFiles() const
    {
        QStringList files;
        QDirIterator it(calendarFolder(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            if (!path.endsWith(QStringLiteral("Info.plist"))) files << QFileInfo(path).fileName();
        }
        files.sort();
        return files;
    }

    CalCalendarPtr calendar;
};

// Written at once, readable at once, flushed once: one sync of their
// filesystem for the files and the folders whose entries changed.
TEST_F(WriteBatchTest, WritesOfABatchAreReadAtOnceAndFlushedTogetherAtTheCommit)
{
    CalCalendarStore::WriteBatch batch(store);
    QStringList uids;
    for (int day = 3; day < 6; ++day) {
        const CalEventPtr made = event(QStringLiteral("Meeting %1").arg(day), day);
        ASSERT_TRUE(store->saveEvent(made, CalSpanAllEvents));
        uids << made->uid();
    }
    auto task = CalTask::task();
    task->setCalendar(calendar);
    task->setTitle(QStringLiteral("Report"));
    ASSERT_TRUE(store->saveTask(task));
    // A second write of a file already pending is flushed once.
    const CalEventPtr again = store->eventWithUID(uids.first(), Date());
    ASSERT_TRUE(again);
    again->setTitle(QStringLiteral("Moved meeting"));
    ASSERT_TRUE(store->saveEvent(again, CalSpanAllEvents));
    {
        // An inner batch leaves the flush to the outer one.
        CalCalendarStore::WriteBatch inner(store);
        ASSERT_TRUE(store->saveEvent(event(QStringLiteral("Lunch"), 6), CalSpanAllEvents));
        EXPECT_TRUE(inner.commit());
    }
    EXPECT_EQ(syncs.load(), 0);
    // What the batch wrote is there for this store and for any other reader.
    EXPECT_EQ(store->eventWithUID(uids.first(), Date())->title(), QStringLiteral("Moved meeting"));
    const auto other = CalCalendarStore::create(root());
    EXPECT_EQ(other->eventsWithPredicate(CalCalendarStore::eventPredicateWithStartDate(
                                             paris(2014, 3, 1), paris(2014, 3, 31), other->calendars()))
                  .size(),
              4);
    EXPECT_TRUE(other->unreadableFiles().isEmpty());

    CalError error;
    EXPECT_TRUE(batch.commit(&error)) << error.text.toStdString();
    EXPECT_EQ(syncs.load(), 1);  // four events and a task, the Events and Tasks folders: one filesystem
    EXPECT_TRUE(batch.commit()); // a second commit has nothing left to do
    EXPECT_EQ(syncs.load(), 1);
    // Nothing but the iCalendar files: no half-written file is left beside them.
    for (const QString& name : writtenFiles()) EXPECT_TRUE(name.endsWith(QStringLiteral(".ics"))) << name.toStdString();
    EXPECT_EQ(writtenFiles().size(), 5);
}

TEST_F(WriteBatchTest, AFlushThatFailsIsAnErrorNamingTheFiles)
{
    const CalEventPtr kept = event(QStringLiteral("Kept"), 3);
    CalCalendarStore::setSyncCallForTesting(failingSync);
    {
        CalCalendarStore::WriteBatch batch(store);
        ASSERT_TRUE(store->saveEvent(kept, CalSpanAllEvents));
        CalError error;
        EXPECT_FALSE(store->flushPendingWrites(&error));
        EXPECT_EQ(error.code, CalError::Code::WriteFailed);
        EXPECT_TRUE(error.text.contains(QFileInfo(store->eventFilePath(kept->uid())).fileName())) << error.text.toStdString();
        // The failure was reported once; the batch has nothing left to flush.
        EXPECT_TRUE(batch.commit());
    }

    // A file another program removed before the flush is not on the disk
    // either; one the store removed itself needs no flush.
    CalCalendarStore::setSyncCallForTesting(countedSync);
    CalCalendarStore::WriteBatch batch(store);
    const CalEventPtr removed = event(QStringLiteral("Removed here"), 4);
    const CalEventPtr vanished = event(QStringLiteral("Removed outside"), 5);
    ASSERT_TRUE(store->saveEvent(removed, CalSpanAllEvents));
    ASSERT_TRUE(store->saveEvent(vanished, CalSpanAllEvents));
    ASSERT_TRUE(store->removeEvent(removed, CalSpanAllEvents));
    ASSERT_TRUE(QFile::remove(store->eventFilePath(vanished->uid())));
    CalError error;
    EXPECT_FALSE(batch.commit(&error));
    EXPECT_TRUE(error.text.contains(vanished->uid())) << error.text.toStdString();
    EXPECT_FALSE(error.text.contains(removed->uid())) << error.text.toStdString();
}

// A file rewritten in a batch keeps the permissions another program gave it.
TEST_F(WriteBatchTest, ARewrittenFileKeepsItsPermissions)
{
    const CalEventPtr made = event(QStringLiteral("Private"), 3);
    ASSERT_TRUE(store->saveEvent(made, CalSpanAllEvents));
    const QByteArray path = QFile::encodeName(store->eventFilePath(made->uid()));
    ASSERT_EQ(::chmod(path.constData(), 0640), 0);
    CalCalendarStore::WriteBatch batch(store);
    made->setTitle(QStringLiteral("Still private"));
    ASSERT_TRUE(store->saveEvent(made, CalSpanAllEvents));
    ASSERT_TRUE(batch.commit());
    struct stat written {};
    ASSERT_EQ(::stat(path.constData(), &written), 0);
    EXPECT_EQ(written.st_mode & 07777, mode_t(0640));
    EXPECT_TRUE(readBytes(QString::fromLocal8Bit(path)).contains("Still private"));
}

// Another program's two files of one uid: the first by name counts, through
// the store's own rewrites and removals of it.
TEST_F(WriteBatchTest, WritesKeepTheFirstOfTwoFilesOfAUidCounting)
{
    const QString events = calendarFolder() + QStringLiteral("/Events/");
    const auto file = [](const char* title) -> QByteArray {
        return QByteArray("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Other//EN\r\nBEGIN:VEVENT\r\nUID:TWICE\r\n"
                          "DTSTAMP:20140301T000000Z\r\nDTSTART:20140303T080000Z\r\nDTEND:20140303T090000Z\r\nSUMMARY:")
               + title + "\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
    };
    writeBytes(events + QStringLiteral("a-first.ics"), file("First"));
    writeBytes(events + QStringLiteral("b-second.ics"), file("Second"));
    const QString uid = QStringLiteral("TWICE");
    const auto reader = CalCalendarStore::create(root());
    ASSERT_EQ(reader->eventFilePath(uid), events + QStringLiteral("a-first.ics"));

    CalCalendarStore::WriteBatch batch(reader);
    const CalEventPtr first = reader->eventWithUID(uid, Date());
    first->setTitle(QStringLiteral("Renamed first"));
    ASSERT_TRUE(reader->saveEvent(first, CalSpanAllEvents));
    EXPECT_EQ(reader->eventFilePath(uid), events + QStringLiteral("a-first.ics"));
    EXPECT_EQ(reader->eventWithUID(uid, Date())->title(), QStringLiteral("Renamed first"));
    EXPECT_EQ(reader->unreadableFiles(), QStringList{events + QStringLiteral("b-second.ics")});

    ASSERT_TRUE(reader->removeEvent(reader->eventWithUID(uid, Date()), CalSpanAllEvents));
    EXPECT_EQ(reader->eventFilePath(uid), events + QStringLiteral("b-second.ics"));
    EXPECT_EQ(reader->eventWithUID(uid, Date())->title(), QStringLiteral("Second"));
    EXPECT_TRUE(reader->unreadableFiles().isEmpty());
    EXPECT_TRUE(batch.commit());
}

// A large batch (a restore) whose filesystem sync fails is flushed file by
// file by several threads: still every file exactly once, and every failure
// named, none lost or doubled.
TEST_F(WriteBatchTest, ALargeBatchFlushesEveryFileOnceAndNamesEachFailure)
{
    {
        std::lock_guard lock(flushedMutex);
        flushedPaths.clear();
    }
    CalCalendarStore::setSyncCallForTesting(recordingSync);
    CalCalendarStore::WriteBatch batch(store);
    QStringList failing;
    for (int i = 0; i < 300; ++i) {
        const CalEventPtr made = event(QStringLiteral("%1 %2").arg(i % 7 == 0 ? "Fail" : "Keep").arg(i), 1 + i % 28);
        ASSERT_TRUE(store->saveEvent(made, CalSpanAllEvents));
        if (i % 7 == 0) failing << store->eventFilePath(made->uid());
    }

    CalError error;
    EXPECT_FALSE(batch.commit(&error));
    EXPECT_EQ(error.code, CalError::Code::WriteFailed);
    QStringList flushed;
    {
        std::lock_guard lock(flushedMutex);
        flushed = flushedPaths;
    }
    // The filesystem first, then the files and the Events folder one by one.
    const QStringList files = flushed.filter(QStringLiteral(".ics"));
    EXPECT_EQ(files.size(), 300);
    EXPECT_EQ(QSet<QString>(files.begin(), files.end()).size(), files.size());
    EXPECT_EQ(flushed.size(), 1 + 300 + 1);
    for (const QString& path : failing) EXPECT_TRUE(error.text.contains(QFileInfo(path).fileName())) << path.toStdString();
    EXPECT_EQ(error.text.count(QStringLiteral(".ics (")), failing.size()) << error.text.toStdString();
}

}  // namespace
