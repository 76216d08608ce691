#include "CalendarSyncFixture.h"

#include "LogCapture.h"

#include <QDir>

#include <functional>

#include <cstring>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace BadStoreFilesTests {

// An event file as another program writes it.
QByteArray eventFile(const char* uid)
{
    return QByteArrayLiteral("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Other//EN\r\nBEGIN:VEVENT\r\nUID:") + uid
           + QByteArrayLiteral("\r\nDTSTAMP:20140301T000000Z\r\nDTSTART:20140314T090000Z\r\nDTEND:20140314T100000Z\r\n"
                               "SUMMARY:Good\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n");
}

QByteArray fixtureBytes(const QString& name)
{
    QFile file(QStringLiteral(ZORAVEL_STORE_FIXTURES "/") + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("missing fixture");
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

struct BadFile {
    const char* name;
    // Puts the bad file at the path; false when it could not.
    std::function<bool(const QString& path, const QString& outside)> place;
    // The uid of the event other readers show in an odd file, which is then
    // read as they read it and keeps back no deletion; none for a file that
    // is skipped.
    const char* readAs = nullptr;
    // Read whole but holding nothing the organizer can hold: left out, it
    // keeps back no delete of the calendar's other events.
    bool leftOut = false;
};

void PrintTo(const BadFile& file, std::ostream* out)
{
    *out << file.name;
}

const BadFile badFiles[] = {
    {"empty", [](const QString& path, const QString&) { return writeFile(path, {}); }},
    {"truncated", [](const QString& path, const QString&) { return writeFile(path, fixtureBytes("truncated.ics")); }},
    {"cut short within its first line",
     [](const QString& path, const QString&) { return writeFile(path, QByteArrayLiteral("\xEF\xBB\xBF" "BEGIN:VCAL")); }},
    {"text that is no calendar", [](const QString& path, const QString&) { return writeFile(path, fixtureBytes("garbage.ics")); },
     nullptr, true},
    {"bare VEVENT", [](const QString& path, const QString&) { return writeFile(path, fixtureBytes("bare-vevent.ics")); },
     nullptr, true},
    {"unreadable",
     [](const QString& path, const QString&) {
         // Root reads it anyway; then only the rest of the row is checked.
         return writeFile(path, eventFile("SHUT-AWAY")) && ::chmod(QFile::encodeName(path).constData(), 0) == 0;
     }},
    {"symlink",
     [](const QString& path, const QString& outside) {
         return writeFile(outside + QStringLiteral("/linked.ics"), eventFile("LINKED"))
                && QFile::link(outside + QStringLiteral("/linked.ics"), path);
     }},
    {"no DTSTART", [](const QString& path, const QString&) { return writeFile(path, fixtureBytes("no-dtstart.ics")); },
     nullptr, true},
    {"VTODO in Events", [](const QString& path, const QString&) { return writeFile(path, fixtureBytes("task.ics")); },
     nullptr, true},
    {"VJOURNAL in Events",
     [](const QString& path, const QString&) {
         QByteArray bytes = eventFile("JOURNAL");
         return writeFile(path, bytes.replace("VEVENT", "VJOURNAL"));
     },
     nullptr, true},
    {"UID with control characters",
     [](const QString& path, const QString&) { return writeFile(path, fixtureBytes("uid-control-characters.ics")); },
     nullptr, true},
    {"VEVENT without UID",
     [](const QString& path, const QString&) { return writeFile(path, QByteArray(eventFile("X")).replace("UID:X\r\n", "")); },
     "bad"},
    {"UID of an escaped control character alone",
     [](const QString& path, const QString&) { return writeFile(path, eventFile("\\\x01")); }, "\\"},
    {"FIFO", [](const QString& path, const QString&) { return ::mkfifo(QFile::encodeName(path).constData(), 0644) == 0; }},
    {"socket",
     [](const QString& path, const QString&) {
         // Opening it fails for every user, root too: the unreadable case
         // where permissions cannot make one.
         const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
         sockaddr_un address{};
         address.sun_family = AF_UNIX;
         const QByteArray name = QFile::encodeName(path);
         if (fd < 0 || name.size() >= qsizetype(sizeof address.sun_path)) return false;
         std::memcpy(address.sun_path, name.constData(), size_t(name.size()));
         const bool bound = ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
         ::close(fd);
         return bound;
     }},
    {"one line over 10 MiB",
     [](const QString& path, const QString&) {
         // The limit is the whole file's: a long line costs no more than its bytes.
         QByteArray bytes = eventFile("LONG-LINE");
         bytes.replace(QByteArrayLiteral("SUMMARY:Good"), QByteArray(QByteArrayLiteral("SUMMARY:") + QByteArray(11 << 20, 'x')));
         return writeFile(path, bytes);
     }},
    {"file over 10 MiB",
     [](const QString& path, const QString&) {
         // Short lines: only the size of the whole is too much.
         QByteArray lines;
         for (int i = 0; i < 150000; ++i) lines += "X-NOTE:aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa\r\n";
         QByteArray bytes = eventFile("HUGE");
         bytes.replace(QByteArrayLiteral("SUMMARY:Good\r\n"), QByteArray(QByteArrayLiteral("SUMMARY:Good\r\n") + lines));
         return writeFile(path, bytes);
     }},
};

class BadStoreFilesTest : public CalendarSyncTest, public ::testing::WithParamInterface<BadFile> {
protected:
    void SetUp() override
    {
        CalendarSyncTest::SetUp();
        dataManager().doWithCalendarList(std::nullopt, 1);
        category = linkedCategory(QStringLiteral("Home"), storeCalendar->uid());
    }
    CalendarPtr linkedCategory(const QString& name, const QString& uid)
    {
        auto made = std::make_shared<Calendar>();
        made->setCalendarName(name);
        EXPECT_TRUE(dataManager().addCalendarToCalendarList(made, false, false));
        made->setICalUID(uid);
        EXPECT_TRUE(made->dehydrate());
        return made;
    }
    qint64 rowsWithUID(const QString& uid)
    {
        return queryInt(QStringLiteral("SELECT COUNT(*) FROM Tasks WHERE iCalIdentifier = '%1'").arg(uid));
    }
    void linkedEvent(const QString& uid, const CalendarPtr& in)
    {
        TaskPtr item = localEvent(local(2014, 3, 14, 9), local(2014, 3, 14, 10));
        item->setOccurrence(item->startTime());
        item->setICalUID(uid);
        item->setCalendarId(in->primaryKey());
        ASSERT_TRUE(item->insertAndDehydrate());
    }
};

// One bad file in one calendar is skipped and logged once with its path;
// every good event of every calendar comes in, and only the calendar that
// holds the bad file keeps the linked events it no longer lists.
TEST_P(BadStoreFilesTest, IsSkippedAndLoggedOnceWhileTheRestIsImported)
{
    QTemporaryDir outside;
    ASSERT_TRUE(outside.isValid());
    auto other = CalCalendar::calendar();
    other->setTitle(QStringLiteral("Other"));
    ASSERT_TRUE(store->saveCalendar(other));
    const CalendarPtr otherCategory = linkedCategory(QStringLiteral("Other"), other->uid());
    const QString badFolder = QStringLiteral("%1/%2.calendar/Events").arg(storeFolder.path(), other->uid());

    ASSERT_TRUE(writeFile(calendarFolder() + QStringLiteral("/Events/good-a.ics"), eventFile("GOOD-A")));
    ASSERT_TRUE(writeFile(badFolder + QStringLiteral("/good-b.ics"), eventFile("GOOD-B")));
    linkedEvent(QStringLiteral("GONE-A"), category);
    linkedEvent(QStringLiteral("GONE-B"), otherCategory);
    linkedEvent(QStringLiteral("bad"), otherCategory);  // the event the bad file's name stands for
    const QString badPath = badFolder + QStringLiteral("/bad.ics");
    ASSERT_TRUE(GetParam().place(badPath, outside.path()));
    reopenStore();

    const bool readsAnyway = QString::fromLatin1(GetParam().name) == QLatin1String("unreadable") && ::geteuid() == 0;
    const char* readAs = GetParam().readAs;
    {
        LogCapture log;
        jobs->backgroundFullSync();
        jobs->backgroundFullSync();
        if (!readsAnyway) {
            const auto mentions = std::count_if(log.messages().cbegin(), log.messages().cend(),
                                                [&](const QString& m) { return m.contains(badPath); });
            EXPECT_EQ(mentions, readAs ? 0 : 1) << log.messages().join(QLatin1Char('\n')).toStdString();
        }
    }
    EXPECT_EQ(rowsWithUID(QStringLiteral("GOOD-A")), 1);
    EXPECT_EQ(rowsWithUID(QStringLiteral("GOOD-B")), 1);
    EXPECT_EQ(rowsWithUID(QStringLiteral("GONE-A")), 0) << "a calendar read in full confirms its deletions";
    if (readAs) {
        EXPECT_EQ(rowsWithUID(QString::fromLatin1(readAs)), 1);
        EXPECT_EQ(rowsWithUID(QStringLiteral("GONE-B")), 0) << "the odd file was read: its calendar confirms its deletions";
    } else if (GetParam().leftOut) {
        EXPECT_EQ(rowsWithUID(QStringLiteral("GONE-B")), 0) << "a file left out keeps back no other file's delete";
    } else if (!readsAnyway) {
        EXPECT_EQ(rowsWithUID(QStringLiteral("GONE-B")), 1) << "an incomplete read of its calendar proves no deletion";
    }
    if (!readsAnyway && (!readAs || QLatin1String(readAs) == QLatin1String("bad"))) {
        EXPECT_EQ(rowsWithUID(QStringLiteral("bad")), 1) << "a file written over its event's tells nothing of it";
    }
    EXPECT_EQ(queryInt(QStringLiteral("SELECT COUNT(*) FROM Tasks WHERE iCalIdentifier IN ('LINKED', 'LONG-LINE', 'HUGE')")), 0);
    // Nothing was written through or over the bad file.
    EXPECT_EQ(QDir(outside.path()).entryList(QDir::Files | QDir::NoDotAndDotDot).size(),
              QString::fromLatin1(GetParam().name) == QLatin1String("symlink") ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(Kinds, BadStoreFilesTest, ::testing::ValuesIn(badFiles),
                         [](const ::testing::TestParamInfo<BadFile>& info) {
                             QString name = QString::fromLatin1(info.param.name);
                             name.remove(QLatin1Char(' '));
                             return name.toStdString();
                         });

}  // namespace BadStoreFilesTests
