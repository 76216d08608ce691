#include "StoreFixture.h"

#include <QDir>
#include <QFileInfo>

#include <sys/stat.h>

namespace {

// Lets the store start its watcher (and lets late notices arrive).
void settle(int ms = 350)
{
    processEventsUntil([] { return false; }, ms);
}

QByteArray eventFile(const QString& uid, const QString& title, int day = 25)
{
    return QStringLiteral("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Test//EN\r\nBEGIN:VEVENT\r\nUID:%1\r\n"
                          "DTSTAMP:20140301T000000Z\r\nDTSTART:201403%3T100000Z\r\nDTEND:201403%3T110000Z\r\n"
                          "SUMMARY:%2\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n")
        .arg(uid, title)
        .arg(day, 2, 10, QLatin1Char('0'))
        .toUtf8();
}

class StoreNoticesTest : public StoreFixture {
protected:
    void SetUp() override
    {
        StoreFixture::SetUp();
        events = makeCalendarFolder(QStringLiteral("CAL"), QStringLiteral("Cal")) + QStringLiteral("/Events/");
        recorder = std::make_unique<NoticeRecorder>(store.get());
        ASSERT_EQ(store->calendars().size(), 1);
        settle();
    }

    bool waitForNotices(int count) { return processEventsUntil([&] { return recorder->notices.size() >= count; }); }

    QString events;
    std::unique_ptr<NoticeRecorder> recorder;
};

TEST_F(StoreNoticesTest, AnotherProgramsWriteRewriteAndRemovalArriveAsInsertUpdateDelete)
{
    writeBytes(events + QStringLiteral("one.ics"), eventFile(QStringLiteral("uid-1"), QStringLiteral("First")));
    ASSERT_TRUE(waitForNotices(1));
    settle();
    ASSERT_EQ(recorder->notices.size(), 1);
    EXPECT_EQ(recorder->notices[0].name, CalEventsChangedExternallyNotification);
    EXPECT_EQ(recorder->notices[0].inserted, QStringList{QStringLiteral("uid-1")});
    EXPECT_TRUE(recorder->notices[0].updated.isEmpty());
    EXPECT_EQ(store->eventWithUID(QStringLiteral("uid-1"), Date())->title(), QStringLiteral("First"));

    // Rewritten in place (same file, same inode): only a file watch sees it.
    writeBytes(events + QStringLiteral("one.ics"), eventFile(QStringLiteral("uid-1"), QStringLiteral("Second")));
    ASSERT_TRUE(waitForNotices(2));
    EXPECT_EQ(recorder->notices[1].updated, QStringList{QStringLiteral("uid-1")});
    EXPECT_EQ(store->eventWithUID(QStringLiteral("uid-1"), Date())->title(), QStringLiteral("Second"));

    ASSERT_TRUE(QFile::remove(events + QStringLiteral("one.ics")));
    ASSERT_TRUE(waitForNotices(3));
    EXPECT_EQ(recorder->notices[2].deleted, QStringList{QStringLiteral("uid-1")});
    EXPECT_FALSE(store->eventWithUID(QStringLiteral("uid-1"), Date()));

    // Written elsewhere and renamed in, as most programs save.
    writeBytes(root() + QStringLiteral("/elsewhere.tmp"), eventFile(QStringLiteral("uid-2"), QStringLiteral("Renamed")));
    ASSERT_TRUE(QFile::rename(root() + QStringLiteral("/elsewhere.tmp"), events + QStringLiteral("two.ics")));
    ASSERT_TRUE(waitForNotices(4));
    EXPECT_EQ(recorder->notices[3].inserted, QStringList{QStringLiteral("uid-2")});
}

// The inotify watches the process holds, over all its descriptors.
int inotifyWatches()
{
    int watches = 0;
    const QDir descriptors(QStringLiteral("/proc/self/fdinfo"));
    for (const QString& name : descriptors.entryList(QDir::Files)) {
        QFile info(descriptors.filePath(name));
        if (!info.open(QIODevice::ReadOnly)) continue;
        for (const QByteArray& line : info.readAll().split('\n'))
            if (line.startsWith("inotify wd:")) ++watches;
    }
    return watches;
}

// The store watches folders, not files: a store of any size costs the same
// few watches, and a file rewritten in place among hundreds is still seen.
TEST_F(StoreNoticesTest, FoldersAreWatchedNotFiles)
{
    const int before = inotifyWatches();
    for (int i = 0; i < 300; ++i)
        writeBytes(events + QStringLiteral("many-%1.ics").arg(i), eventFile(QStringLiteral("many-%1").arg(i), QStringLiteral("Many")));
    ASSERT_TRUE(waitForNotices(1));
    settle();
    EXPECT_EQ(store->eventWithUID(QStringLiteral("many-299"), Date())->title(), QStringLiteral("Many"));
    EXPECT_EQ(inotifyWatches(), before) << "no watch per file";

    writeBytes(events + QStringLiteral("many-250.ics"), eventFile(QStringLiteral("many-250"), QStringLiteral("Changed")));
    ASSERT_TRUE(waitForNotices(2));
    EXPECT_EQ(recorder->notices.last().updated, QStringList{QStringLiteral("many-250")});
    EXPECT_EQ(store->eventWithUID(QStringLiteral("many-250"), Date())->title(), QStringLiteral("Changed"));
}

TEST_F(StoreNoticesTest, HundredFilesWrittenAtOnceGiveOneNotice)
{
    QStringList uids;
    for (int i = 0; i < 100; ++i) {
        uids << QStringLiteral("bulk-%1").arg(i, 3, 10, QLatin1Char('0'));
        writeBytes(events + uids.last() + QStringLiteral(".ics"), eventFile(uids.last(), QStringLiteral("Bulk")));
    }
    ASSERT_TRUE(waitForNotices(1));
    settle(500);
    ASSERT_EQ(recorder->notices.size(), 1);
    EXPECT_EQ(recorder->notices[0].inserted, uids);
}

TEST_F(StoreNoticesTest, TheStoresOwnWritesAreNotReportedButASecondStoresAre)
{
    const CalCalendarPtr calendar = store->calendarWithUID(QStringLiteral("CAL"));
    auto event = CalEvent::event();
    event->setCalendar(calendar);
    event->setTitle(QStringLiteral("Mine"));
    event->setStartDate(paris(2014, 3, 25, 10));
    event->setEndDate(paris(2014, 3, 25, 11));
    ASSERT_TRUE(store->saveEvent(event, CalSpanAllEvents));
    event->setTitle(QStringLiteral("Mine, renamed"));
    ASSERT_TRUE(store->saveEvent(event, CalSpanAllEvents));
    auto task = CalTask::task();
    task->setCalendar(calendar);
    task->setTitle(QStringLiteral("Mine too"));
    ASSERT_TRUE(store->saveTask(task));
    ASSERT_TRUE(newCalendar(QStringLiteral("New one")));
    ASSERT_TRUE(store->removeEvent(event, CalSpanAllEvents));
    settle(800);
    EXPECT_TRUE(recorder->notices.isEmpty());

    const auto other = CalCalendarStore::create(root());
    auto theirs = CalEvent::event();
    theirs->setCalendar(other->calendarWithUID(QStringLiteral("CAL")));
    theirs->setTitle(QStringLiteral("Theirs"));
    theirs->setStartDate(paris(2014, 3, 26, 10));
    theirs->setEndDate(paris(2014, 3, 26, 11));
    ASSERT_TRUE(other->saveEvent(theirs, CalSpanAllEvents));
    ASSERT_TRUE(waitForNotices(1));
    EXPECT_EQ(recorder->named(CalEventsChangedExternallyNotification).first().inserted, QStringList{theirs->uid()});
}

// A file removed and written again before the notice goes is an update.
TEST_F(StoreNoticesTest, RemovedAndWrittenAgainWithinTheIntervalIsAnUpdate)
{
    writeBytes(events + QStringLiteral("a.ics"), eventFile(QStringLiteral("uid-a"), QStringLiteral("Before")));
    ASSERT_TRUE(waitForNotices(1));
    settle();
    ASSERT_TRUE(QFile::remove(events + QStringLiteral("a.ics")));
    writeBytes(events + QStringLiteral("a.ics"), eventFile(QStringLiteral("uid-a"), QStringLiteral("After")));
    ASSERT_TRUE(waitForNotices(2));
    settle();
    ASSERT_EQ(recorder->notices.size(), 2);
    EXPECT_EQ(recorder->notices[1].updated, QStringList{QStringLiteral("uid-a")});
    EXPECT_TRUE(recorder->notices[1].deleted.isEmpty());
}

TEST_F(StoreNoticesTest, CalendarsAndTasksOfOtherProgramsAreReported)
{
    makeCalendarFolder(QStringLiteral("THEIRS"), QStringLiteral("Theirs"));
    ASSERT_TRUE(processEventsUntil([&] { return !recorder->named(CalCalendarsChangedExternallyNotification).isEmpty(); }));
    EXPECT_EQ(recorder->named(CalCalendarsChangedExternallyNotification).first().inserted, QStringList{QStringLiteral("THEIRS")});
    settle();

    const QString tasks = root() + QStringLiteral("/CAL.calendar/Tasks/");
    writeBytes(tasks + QStringLiteral("task.ics"), fixture(QStringLiteral("task.ics")));
    ASSERT_TRUE(processEventsUntil([&] { return !recorder->named(CalTasksChangedExternallyNotification).isEmpty(); }));
    EXPECT_EQ(recorder->named(CalTasksChangedExternallyNotification).first().inserted, QStringList{QStringLiteral("task-1")});

    // A title changed in Info.plist is an update of the calendar.
    recorder->notices.clear();
    makeCalendarFolder(QStringLiteral("THEIRS"), QStringLiteral("Theirs, renamed"));
    ASSERT_TRUE(processEventsUntil([&] { return !recorder->named(CalCalendarsChangedExternallyNotification).isEmpty(); }));
    EXPECT_EQ(recorder->named(CalCalendarsChangedExternallyNotification).first().updated, QStringList{QStringLiteral("THEIRS")});
    EXPECT_EQ(store->calendarWithUID(QStringLiteral("THEIRS"))->title(), QStringLiteral("Theirs, renamed"));
}

// Another program that rewrites Info.plist in place leaves it missing, empty
// or (by mistake) a FIFO for a moment: the calendar keeps its name meanwhile.
TEST_F(StoreNoticesTest, ACalendarKeepsItsNameWhileItsInfoIsMissing)
{
    const QString info = root() + QStringLiteral("/CAL.calendar/Info.plist");
    const std::function<void()> breakings[] = {
        [] {}, [&] { writeBytes(info, QByteArray()); }, [&] { ::mkfifo(QFile::encodeName(info).constData(), 0600); }};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        const QString title = store->calendarWithUID(QStringLiteral("CAL"))->title();
        recorder->notices.clear();
        QFile::remove(info);
        breakings[i]();
        // An event written with it: its notice says the folder was read again.
        writeBytes(events + QStringLiteral("probe.ics"), eventFile(QStringLiteral("probe"), QStringLiteral("Probe"), i + 1));
        ASSERT_TRUE(processEventsUntil([&] { return !recorder->named(CalEventsChangedExternallyNotification).isEmpty(); }));
        EXPECT_TRUE(recorder->named(CalCalendarsChangedExternallyNotification).isEmpty());
        EXPECT_EQ(store->calendarWithUID(QStringLiteral("CAL"))->title(), title);
        // The next Info.plist is read as ever.
        QFile::remove(info);
        makeCalendarFolder(QStringLiteral("CAL"), QStringLiteral("Cal %1").arg(i));
        ASSERT_TRUE(processEventsUntil([&] { return !recorder->named(CalCalendarsChangedExternallyNotification).isEmpty(); }));
        EXPECT_EQ(store->calendarWithUID(QStringLiteral("CAL"))->title(), QStringLiteral("Cal %1").arg(i));
    }
}

// While the store writes a batch of its own, what others change is reported
// once the batch ends; a batch that goes on for long does not hide it.
TEST_F(StoreNoticesTest, OutsideChangesDuringABatchAreReportedWhenItEndsOrAfterFiveSeconds)
{
    {
        CalCalendarStore::WriteBatch batch(store);
        writeBytes(events + QStringLiteral("during.ics"), eventFile(QStringLiteral("uid-during"), QStringLiteral("During")));
        settle(900);
        EXPECT_TRUE(recorder->notices.isEmpty());
        ASSERT_TRUE(batch.commit());
    }
    ASSERT_TRUE(waitForNotices(1));
    EXPECT_EQ(recorder->notices[0].inserted, QStringList{QStringLiteral("uid-during")});

    CalCalendarStore::WriteBatch longBatch(store);
    writeBytes(events + QStringLiteral("long.ics"), eventFile(QStringLiteral("uid-long"), QStringLiteral("Long")));
    ASSERT_TRUE(processEventsUntil([&] { return recorder->notices.size() >= 2; }, 8000));
    EXPECT_EQ(recorder->notices[1].inserted, QStringList{QStringLiteral("uid-long")});
    EXPECT_TRUE(longBatch.commit());
}

}  // namespace
