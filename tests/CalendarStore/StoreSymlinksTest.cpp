#include "StoreFixture.h"

#include <QDirIterator>
#include <QElapsedTimer>

#include <functional>

#include <sys/stat.h>

namespace StoreSymlinksTests {

// Every file under a folder with its bytes, for "nothing changed there".
QMap<QString, QByteArray> snapshot(const QString& folder)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile file(path);
        files.insert(path, file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("unreadable"));
    }
    return files;
}

QByteArray outsideEvent()
{
    return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Other//EN\r\nBEGIN:VEVENT\r\nUID:OUTSIDE-1\r\n"
           "DTSTAMP:20140301T000000Z\r\nDTSTART:20140314T090000Z\r\nDTEND:20140314T100000Z\r\nSUMMARY:Outside\r\n"
           "END:VEVENT\r\nEND:VCALENDAR\r\n";
}

class StoreSymlinksTest : public StoreFixture {
protected:
    void SetUp() override
    {
        StoreFixture::SetUp();
        ASSERT_TRUE(outside.isValid());
        writeBytes(outside.path() + QStringLiteral("/Info.plist"), "<?xml version=\"1.0\"?><plist><dict/></plist>");
        ASSERT_TRUE(QDir().mkpath(outside.path() + QStringLiteral("/Events")));
        writeBytes(outside.path() + QStringLiteral("/Events/OUTSIDE-1.ics"), outsideEvent());
    }
    QTemporaryDir outside;
};

// Writes to a calendar whose parts point outside the store: each is refused
// or lands inside, and the folder outside keeps every byte.
TEST_F(StoreSymlinksTest, NoWriteRenameOrRemovalFollowsALinkOutOfTheStore)
{
    struct Case {
        const char* linked;  // the part of the calendar that is a link to outside
        std::function<void(const QString& calendarFolder)> link;
    };
    const Case cases[] = {
        {"Info.plist",
         [&](const QString& folder) {
             QFile::remove(folder + QStringLiteral("/Info.plist"));
             ASSERT_TRUE(QFile::link(outside.path() + QStringLiteral("/Info.plist"), folder + QStringLiteral("/Info.plist")));
         }},
        {"Events",
         [&](const QString& folder) {
             ASSERT_TRUE(QDir(folder + QStringLiteral("/Events")).removeRecursively());
             ASSERT_TRUE(QFile::link(outside.path() + QStringLiteral("/Events"), folder + QStringLiteral("/Events")));
         }},
        {"event file",
         [&](const QString& folder) {
             ASSERT_TRUE(QFile::link(outside.path() + QStringLiteral("/Events/OUTSIDE-1.ics"),
                                     folder + QStringLiteral("/Events/OUTSIDE-1.ics")));
         }},
    };
    const auto before = snapshot(outside.path());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.linked);
        const QString uid = QStringLiteral("LINKED-%1").arg(QString::fromLatin1(c.linked).remove(QLatin1Char(' ')));
        const QString folder = makeCalendarFolder(uid, QStringLiteral("Linked"));
        c.link(folder);
        store = CalCalendarStore::create(root());
        const CalCalendarPtr calendar = store->calendarWithUID(uid);
        ASSERT_TRUE(calendar);
        // Nothing out there is read as the store's.
        EXPECT_TRUE(eventsBetween(utc(2014, 3, 1), utc(2014, 4, 1)).isEmpty());

        calendar->setTitle(QStringLiteral("Renamed"));
        const bool renamed = store->saveCalendar(calendar);
        EXPECT_EQ(renamed, QString::fromLatin1(c.linked) != QLatin1String("Info.plist"));

        auto event = CalEvent::event();
        event->setCalendar(calendar);
        event->setTitle(QStringLiteral("New"));
        event->setStartDate(utc(2014, 3, 14, 9));
        event->setEndDate(utc(2014, 3, 14, 10));
        const bool created = store->saveEvent(event, CalSpanAllEvents);
        EXPECT_EQ(created, QString::fromLatin1(c.linked) != QLatin1String("Events"));
        if (created) {
            event->setTitle(QStringLiteral("Edited"));
            EXPECT_TRUE(store->saveEvent(event, CalSpanAllEvents));
            EXPECT_TRUE(store->removeEvent(event, CalSpanAllEvents));
        }
        // The outside event is not the store's to edit or remove.
        auto foreign = CalEvent::event();
        foreign->setCalendar(calendar);
        EXPECT_FALSE(store->removeEvent(foreign, CalSpanAllEvents));
        EXPECT_TRUE(store->removeCalendar(calendar));
        EXPECT_EQ(snapshot(outside.path()), before);
    }
}

// A FIFO where the store expects its files (another program's leftover, or
// a hostile one) is skipped with a log line; the start never waits on it.
TEST_F(StoreSymlinksTest, FifosNamedLikeStoreFilesAreSkippedWithoutWaiting)
{
    const QString folder = makeCalendarFolder(QStringLiteral("PIPES"), QStringLiteral("Pipes"));
    ASSERT_TRUE(QFile::remove(folder + QStringLiteral("/Info.plist")));
    for (const char* name : {"/Info.plist", "/Events/pipe.ics", "/Tasks/pipe.ics"})
        ASSERT_EQ(::mkfifo(QFile::encodeName(folder + QLatin1String(name)).constData(), 0644), 0);
    writeBytes(folder + QStringLiteral("/Events/good.ics"), outsideEvent());
    QElapsedTimer timer;
    timer.start();
    const CalCalendarPtr calendar = store->calendarWithUID(QStringLiteral("PIPES"));
    ASSERT_TRUE(calendar);
    EXPECT_EQ(calendar->title(), QStringLiteral("PIPES"));
    CalError error;
    EXPECT_EQ(eventsBetween(utc(2014, 3, 1), utc(2014, 4, 1), &error).size(), 1);
    EXPECT_EQ(error.code, CalError::Code::CannotRead);
    EXPECT_EQ(store->unreadableFiles().size(), 2);
    EXPECT_LT(timer.elapsed(), 5000);
}

}  // namespace StoreSymlinksTests
