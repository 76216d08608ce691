// A restore as the program runs it (data manager, restore sequence, store
// sync): the store then holds every restored item, each linked to its copy,
// whether the backup was made before the store links were written or after.
#include "../CalendarStore/IndependentReader.h"

#include "BackupFile.h"
#include "CalCalendarStore.h"
#include "Calendar.h"
#include "Clock.h"
#include "CoreData.h"
#include "DatabaseRestore.h"
#include "GregorianCalendar.h"
#include "NetworkStatus.h"
#include "PropertyList.h"
#include "RecordStore.h"
#include "Setting.h"
#include "Task.h"
#include "TestEnvironment.h"
#include "iCalSyncJobs.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QMap>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <tuple>

#include <sqlite3.h>

namespace {

// The store's files by the uid they hold, as paths below the store.
QMap<QString, QString> filesByUid(const QString& store)
{
    QMap<QString, QString> files;
    for (QDirIterator it(store, {QStringLiteral("*.ics")}, QDir::Files, QDirIterator::Subdirectories); it.hasNext();) {
        QFile file(it.next());
        if (!file.open(QIODevice::ReadOnly)) continue;
        const QByteArray text = file.readAll();
        const qsizetype at = text.indexOf("\nUID:") + 5;
        files.insert(QString::fromUtf8(text.mid(at, text.indexOf('\r', at) - at)), it.filePath().mid(store.size()));
    }
    return files;
}

// Root events and tasks, those without a link or linked to no file, the
// store's files and the categories linked to no store calendar.
std::string holdings(CoreData& manager, const QString& store)
{
    const QMap<QString, QString> files = filesByUid(store);
    int events = 0, tasks = 0, items = 0, unlinked = 0, offStore = 0;
    for (QDirIterator it(store, {QStringLiteral("*.ics")}, QDir::Files, QDirIterator::Subdirectories); it.hasNext();)
        (it.next().contains(QStringLiteral("/Tasks/")) ? tasks : events)++;
    sqlite3_stmt* rows = nullptr;
    sqlite3_prepare_v2(RecordStore::sharedDatabase(),
                       "SELECT iCalIdentifier FROM Tasks WHERE parentId = -1 AND taskType IN (0, 1)", -1, &rows, nullptr);
    for (; sqlite3_step(rows) == SQLITE_ROW; ++items)
        if (!files.contains(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(rows, 0))))) ++unlinked;
    sqlite3_finalize(rows);
    for (const CalendarPtr& category : manager.getCalendarList())
        if (category->projectType() == 0 && !category->isShared()
            && !QFileInfo::exists(QStringLiteral("%1/%2.calendar").arg(store, category->iCalUID()))) ++offStore;
    return QStringLiteral("%1 items, %2 unlinked, %3 event files, %4 task files, %5 categories off the store")
        .arg(items).arg(unlinked).arg(events).arg(tasks).arg(offStore).toStdString();
}

// The uids the database links to: its categories' calendars, its root events and tasks.
QStringList linkedUids(CoreData& manager)
{
    QStringList uids;
    for (const CalendarPtr& category : manager.getCalendarList())
        if (!category->iCalUID().isEmpty()) uids << QStringLiteral("calendar ") + category->iCalUID();
    for (const TaskPtr& item : manager.getAllTasksEventsAdes())
        if (item->parentId() == -1 && !item->iCalUID().isEmpty() && !item->iCalUID().startsWith(QChar(1)))
            uids << QStringLiteral("item ") + item->iCalUID();
    uids.sort();
    return uids;
}

// The same of what the store holds.
QStringList storeUids(const CalCalendarStore& store)
{
    QStringList uids;
    const CalCalendarList calendars = store.calendars();
    for (const CalCalendarPtr& calendar : calendars) uids << QStringLiteral("calendar ") + calendar->uid();
    const Date now = Clock::now();
    QSet<QString> items;
    for (const CalEventPtr& event : store.eventsWithPredicate(CalCalendarStore::eventPredicateWithStartDate(
             now.dateByAddingTimeInterval(-86400.0 * 30), now.dateByAddingTimeInterval(86400.0 * 30), calendars)))
        items.insert(QStringLiteral("item ") + event->uid());
    for (const CalTaskPtr& task : store.tasksWithPredicate(CalCalendarStore::taskPredicateWithCalendars(calendars)))
        items.insert(QStringLiteral("item ") + task->uid());
    uids += items.values();
    uids.sort();
    return uids;
}

// A calendar another program made in the store, with one event of its own
// in a file of that name (or a weekly series in UTC, four Fridays at 15:00
// UTC from 22 October 2027).
void writePeerCalendar(const QString& store, const QString& fileName, bool weeklyInUTC = false)
{
    const QString folder = store + QStringLiteral("/PEER-CALENDAR.calendar");
    ASSERT_TRUE(QDir().mkpath(folder + QStringLiteral("/Events")));
    ASSERT_EQ(PropertyList::writeFile(folder + QStringLiteral("/Info.plist"), QVariantMap{{QStringLiteral("Title"), QStringLiteral("Peer")}}),
              PropertyList::Error::None);
    const QString start = QDateTime::fromSecsSinceEpoch(qint64(Clock::now().timeIntervalSince1970()) + 2 * 86400, QTimeZone::utc()).toString(
        QStringLiteral("yyyyMMdd'T'hh0000'Z'"));
    QFile file(folder + QStringLiteral("/Events/") + fileName);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Peer//EN\r\nBEGIN:VEVENT\r\nUID:peer-event-1@peer.test\r\n"
               "DTSTAMP:20140101T000000Z\r\nDTSTART:" + (weeklyInUTC ? QByteArray("20271022T150000Z\r\nRRULE:FREQ=WEEKLY;COUNT=4") : start.toLatin1())
               + "\r\nDURATION:PT1H\r\nSUMMARY:Peer\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n");
}

// Beside it, files of that program the organizer would spell otherwise: a
// counted weekly series, a length as a DURATION, a daily series in UTC with
// no end, a weekly series in floating time. Their bytes by path.
QMap<QString, QByteArray> writePeerSeries(const QString& store)
{
    const auto day = [](int days) {
        return QDateTime::fromSecsSinceEpoch(qint64(Clock::now().timeIntervalSince1970()) + days * 86400, QTimeZone::utc())
            .toString(QStringLiteral("yyyyMMdd'T'hh0000'Z'")).toLatin1();
    };
    const QByteArray start = day(2);
    const std::pair<const char*, QByteArray> files[] = {
        {"counted", "DTEND:" + start.left(9) + "235900Z\r\nRRULE:FREQ=WEEKLY;COUNT=4"},
        {"lasting", "DURATION:PT2H"},
        {"endless", "RRULE:FREQ=DAILY;UNTIL=" + day(6)},
        {"floating", "DTEND:" + start.left(9) + "235900\r\nRRULE:FREQ=WEEKLY;COUNT=4"}};
    QMap<QString, QByteArray> written;
    for (const auto& [name, rest] : files) {
        QFile file(store + QStringLiteral("/PEER-CALENDAR.calendar/Events/%1.ics").arg(QLatin1String(name)));
        const QByteArray bytes = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Peer//EN\r\nBEGIN:VEVENT\r\nUID:" + QByteArray(name)
                                 + "@peer.test\r\nDTSTAMP:20140101T000000Z\r\nDTSTART:"
                                 + (qstrcmp(name, "floating") ? start : start.chopped(1)) + "\r\n" + rest + "\r\nSUMMARY:Peer "
                                 + name + "\r\nX-PEER-COLOR:teal\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
        if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size()) written[file.fileName()] = bytes;
    }
    return written;
}

// A file's lines without its stamp, in any order (an edit writes a changed
// line after the others).
QByteArrayList unstamped(const QByteArray& text)
{
    QByteArrayList lines = text.split('\n');
    lines.removeIf([](const QByteArray& line) { return line.startsWith("DTSTAMP:"); });
    std::sort(lines.begin(), lines.end());
    return lines;
}

}  // namespace

TEST(RestoreToStoreTest, TheStoreHoldsEveryRestoredItemLinkedWhenTheBackupPrecededTheLinksOrNot)
{
    // Made by the commands and backed up at once, the items' copies are
    // being written: some are still marked in the backup, at random.
    // Or the store folder was still empty at the first start, or the start
    // could not list it (the sync off) while the store had the copies.
    // Or it was made in New York without zone support and is restored on
    // the machine moved to Paris: the restore then follows the machine's
    // zone as a start would, and shows and keeps the backup's instants.
    enum class BackedUp { BeforeAnySync, BeforeItemLinks, AfterLinks, CopyCutShort, WhileCopiesAreWritten,
                          FromAnEmptyStoreFolder, WithTheSyncOffSinceTheStart, BesideAnotherProgramsEvent,
                          BesideAFileNamedOtherwise, InAnotherZone, WithAnotherProgramsSeriesInUTCMovedAside,
                          BesideOthersFilesInItsOwnCalendar, BesideOthersFileReadInBeforeTheRestore,
                          BesideAnotherProgramsSeries, BeforeAnotherProgramRetitledItsSeries,
                          BeforeAnOccurrenceOfAFloatingSeriesWasDeleted };
    const std::tuple<const char*, BackedUp, int> cases[] = {
        {"before any store sync", BackedUp::BeforeAnySync, 1},
        {"before the items were linked", BackedUp::BeforeItemLinks, 1},
        {"after the links were written", BackedUp::AfterLinks, 1},
        {"with a copy an export cut short", BackedUp::CopyCutShort, 1},
        {"while the copies were written", BackedUp::WhileCopiesAreWritten, 20},
        {"from a store folder empty at the first start", BackedUp::FromAnEmptyStoreFolder, 1},
        {"with the store sync off since the start", BackedUp::WithTheSyncOffSinceTheStart, 1},
        {"beside another program's calendar and event", BackedUp::BesideAnotherProgramsEvent, 1},
        {"beside another program's event in a file not named after its uid", BackedUp::BesideAFileNamedOtherwise, 1},
        // One before the sync window (never taken in), one written after the backup.
        {"beside another program's files in its own calendar", BackedUp::BesideOthersFilesInItsOwnCalendar, 1},
        // The one written after the backup is read in as an item before the restore.
        {"beside another program's file in its own calendar, read in", BackedUp::BesideOthersFileReadInBeforeTheRestore, 1},
        {"in New York, restored in Paris without zone support", BackedUp::InAnotherZone, 1},
        // Its file gone when the restore writes it back: in UTC still.
        {"beside another program's series in UTC, without zone support, its file moved aside",
         BackedUp::WithAnotherProgramsSeriesInUTCMovedAside, 1},
        // Their files are left as they are, byte for byte.
        {"beside another program's series", BackedUp::BesideAnotherProgramsSeries, 1},
        // Only the titles go back, as an edit writes them.
        {"before another program retitled its series", BackedUp::BeforeAnotherProgramRetitledItsSeries, 1},
        // The occurrence comes back; the series stays floating.
        {"in Paris without zone support, before an occurrence of another program's floating series was deleted",
         BackedUp::BeforeAnOccurrenceOfAFloatingSeriesWasDeleted, 1}};
    NetworkStatus::instance().setOverride(0);
    // What the rounds check is what is linked, not what reached the disk.
    CalCalendarStore::setSyncCallForTesting([](int) { return 0; });
    for (const auto& [name, backedUp, rounds] : cases)
    for (int round = 0; round < rounds; ++round) {
        SCOPED_TRACE(name);
        SCOPED_TRACE(round);
        const bool utcSeries = backedUp == BackedUp::WithAnotherProgramsSeriesInUTCMovedAside;
        const bool retitled = backedUp == BackedUp::BeforeAnotherProgramRetitledItsSeries;
        const bool occurrenceDeleted = backedUp == BackedUp::BeforeAnOccurrenceOfAFloatingSeriesWasDeleted;
        const bool peerSeries = backedUp == BackedUp::BesideAnotherProgramsSeries || retitled || occurrenceDeleted;
        const bool peer = backedUp == BackedUp::BesideAnotherProgramsEvent || backedUp == BackedUp::BesideAFileNamedOtherwise
                          || utcSeries || peerSeries;
        const bool moved = backedUp == BackedUp::InAnotherZone;
        const bool readIn = backedUp == BackedUp::BesideOthersFileReadInBeforeTheRestore;
        const bool others = backedUp == BackedUp::BesideOthersFilesInItsOwnCalendar || readIn;
        std::optional<ScopedTimeZone> machineZone;
        if (occurrenceDeleted) machineZone.emplace("Europe/Paris");
        if (utcSeries) {
            machineZone.emplace("Europe/Paris");
            Clock::setFixed(Date::dateWithTimeIntervalSince1970(
                double(QDateTime(QDate(2027, 10, 20), QTime(12, 0), QTimeZone::utc()).toSecsSinceEpoch())));
        }
        if (moved) {
            machineZone.emplace("America/New_York");
            Clock::setFixed(Date::dateWithTimeIntervalSince1970(
                double(QDateTime(QDate(2027, 3, 1), QTime(12, 0), QTimeZone::utc()).toSecsSinceEpoch())));
        }
        const std::string inStep = peerSeries ? "13 items, 0 unlinked, 9 event files, 4 task files, 0 categories off the store"
                                   : peer ? "9 items, 0 unlinked, 5 event files, 4 task files, 0 categories off the store"
                                        : others ? "8 items, 0 unlinked, 5 event files, 4 task files, 0 categories off the store"
                                        : "8 items, 0 unlinked, 4 event files, 4 task files, 0 categories off the store";
        const std::string restoredHoldings = others ? "8 items, 0 unlinked, 6 event files, 4 task files, 0 categories off the store" : inStep;
        const std::string syncedHoldings = others ? "9 items, 0 unlinked, 6 event files, 4 task files, 0 categories off the store" : inStep;
        ScopedDataHome home;
        QTemporaryDir storeFolder;
        if (peer)
            writePeerCalendar(storeFolder.path(), backedUp == BackedUp::BesideAFileNamedOtherwise
                                                      ? QStringLiteral("paris-sat.ics")
                                                      : QStringLiteral("peer-event-1@peertest.ics"),
                              utcSeries);
        const QMap<QString, QByteArray> peerFiles = peerSeries ? writePeerSeries(storeFolder.path()) : QMap<QString, QByteArray>();
        ASSERT_EQ(peerFiles.size(), peerSeries ? 4 : 0);
        CoreData manager;
        CoreData::setShared(&manager);
        ASSERT_TRUE(manager.init());
        if (moved || utcSeries || occurrenceDeleted) {
            manager.currentSetting()->setTzSupport(false);
            ASSERT_TRUE(manager.currentSetting()->dehydrate());
        }
        const auto store = CalCalendarStore::create(storeFolder.path());
        const CalCalendarPtr personal = CalCalendar::calendar();  // the user's own calendar
        personal->setTitle(QStringLiteral("Personal"));
        if (backedUp != BackedUp::FromAnEmptyStoreFolder) ASSERT_TRUE(store->saveCalendar(personal));
        manager.setICalSync(std::make_unique<iCalSyncJobs>(store));
        const auto fullSync = [&] {
            manager.icalSync()->backgroundFullSync();
            ASSERT_TRUE(manager.icalSync()->waitForQueuedJobs(30));
        };

        auto work = std::make_shared<Calendar>();
        work->setCalendarName(QStringLiteral("Work"));
        ASSERT_TRUE(manager.addCalendarToCalendarList(work, false, false));
        if (backedUp == BackedUp::BeforeItemLinks || backedUp == BackedUp::WhileCopiesAreWritten) fullSync();
        // In each category a one-off event, a daily (weekly) series and two tasks.
        const Date day = moved ? GregorianCalendar::dateFromFields(2027, 3, 2, 10, 0, 0)
                               : Clock::now().dateByAddingTimeInterval(86400);
        for (const qint64 category : {manager.currentSetting()->calendarDefID(), work->primaryKey()}) {
            for (int n = 0; n < 2; ++n) {
                auto event = std::make_shared<Task>();
                event->setTaskType(0);
                event->setTaskName(QStringLiteral("Event %1").arg(n));
                event->setStartTime(day.dateByAddingTimeInterval(86400.0 * n));
                event->setEndTime(day.dateByAddingTimeInterval(86400.0 * n + 3600));
                event->setOccurrence(event->startTime());
                event->setRepeatType(moved ? 2 * n : n);
                event->setRepeatStartDate(event->startTime());
                event->setCalendarId(category);
                auto task = std::make_shared<Task>();
                task->setTaskType(1);
                task->setTaskName(QStringLiteral("Task %1").arg(n));
                task->setDueEnd(day);
                task->setCalendarId(category);
                for (const TaskPtr& item : {event, task}) {
                    if (backedUp != BackedUp::WhileCopiesAreWritten) {
                        ASSERT_TRUE(item->insertAndDehydrate());
                        continue;
                    }
                    manager.setModifyingTask(item);
                    ASSERT_TRUE(manager.addNewTask());
                }
            }
        }
        if (backedUp == BackedUp::AfterLinks || backedUp == BackedUp::WithTheSyncOffSinceTheStart || peer || others) fullSync();
        QMap<QString, QByteArray> othersFiles;
        const auto writeOthersFile = [&](const QString& name, double days) {
            QString folder;
            for (const CalCalendarPtr& calendar : store->calendars())
                if (calendar->title() == QStringLiteral("Work")) folder = storeFolder.path() + QLatin1Char('/') + calendar->uid();
            const QByteArray start = QDateTime::fromSecsSinceEpoch(qint64(Clock::now().timeIntervalSince1970() + 86400 * days), QTimeZone::utc())
                                         .toString(QStringLiteral("yyyyMMdd'T'hh0000'Z'")).toLatin1();
            QFile file(folder + QStringLiteral(".calendar/Events/") + name + QStringLiteral(".ics"));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            othersFiles[file.fileName()] = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Other//EN\r\nBEGIN:VEVENT\r\nUID:" + name.toLatin1()
                                           + "@example.org\r\nDTSTAMP:20140101T000000Z\r\nDTSTART:" + start
                                           + "\r\nDURATION:PT2H\r\nSUMMARY:Dinner\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
            file.write(othersFiles[file.fileName()]);
        };
        if (others) writeOthersFile(QStringLiteral("old-dinner"), -60);
        if (backedUp == BackedUp::CopyCutShort) {
            // Killed after the uid was marked, before the copy was written.
            ASSERT_EQ(sqlite3_exec(RecordStore::sharedDatabase(),
                                   "UPDATE Tasks SET iCalIdentifier = char(1) || 'pending:LOST' WHERE primaryKey = "
                                   "(SELECT max(primaryKey) FROM Tasks WHERE taskType = 1)",
                                   nullptr, nullptr, nullptr),
                      SQLITE_OK);
        }
        // Read first: links written meanwhile would be in the database, not the backup.
        const QStringList backedUpUids = linkedUids(manager);
        const QMap<QString, QString> backedUpFiles = filesByUid(storeFolder.path());
        const std::optional<QByteArray> backup = BackupFile::databaseSnapshot();
        ASSERT_TRUE(backup);
        for (const auto& [path, bytes] : peerFiles.asKeyValueRange()) {
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::ReadOnly));
            EXPECT_EQ(file.readAll().toStdString(), bytes.toStdString()) << "read in as it is";
            if (!retitled) continue;
            file.close();
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(QByteArray(bytes).replace("SUMMARY:Peer", "SUMMARY:Renamed"));
        }
        if (occurrenceDeleted) {
            TaskList occurrences;
            for (const TaskPtr& item : manager.getAllRootEvents())
                if (item->taskName() == QStringLiteral("Peer floating"))
                    manager.fillRepeatEventInstances({item}, occurrences, item->startTime().dateByAddingTimeInterval(7 * 86400.0),
                                                     item->startTime().dateByAddingTimeInterval(7 * 86400.0 + 3600), true);
            ASSERT_EQ(occurrences.size(), 1);
            ASSERT_TRUE(manager.doDeleteOnlyThisOperatorWithEvent(occurrences.first(), false));
            ASSERT_TRUE(manager.icalSync()->waitForQueuedJobs(30));
        }
        if (retitled) {
            ASSERT_TRUE(processEventsUntil([&] {
                const CalEventPtr event = store->eventWithUID(QStringLiteral("lasting@peer.test"), Date());
                return event && event->title() == QStringLiteral("Renamed lasting");
            }, 5000));
        }
        fullSync();
        ASSERT_EQ(holdings(manager, storeFolder.path()), inStep);
        if (backedUp == BackedUp::WithTheSyncOffSinceTheStart) manager.setBSynciCalEnable(false);
        if (moved) {
            // The program followed the machine's move as it does while running.
            machineZone.reset();
            machineZone.emplace("Europe/Paris");
            manager.setAppRootTZ(manager.getDefaultTimezone());
            manager.followSystemZoneWithoutZoneSupport();
        }

        const QString peerFile = storeFolder.path() + QStringLiteral("/PEER-CALENDAR.calendar/Events/peer-event-1@peertest.ics");
        if (utcSeries) {
            ASSERT_TRUE(QFile::remove(peerFile));
        }
        if (others) writeOthersFile(QStringLiteral("later-dinner"), 100);
        if (readIn) {
            ASSERT_TRUE(processEventsUntil([&] { return !store->eventFilePath(QStringLiteral("later-dinner@example.org")).isEmpty(); }, 5000));
            fullSync();
            ASSERT_EQ(holdings(manager, storeFolder.path()), syncedHoldings);
        }

        QString problem;
        bool notOurs = false;
        ASSERT_TRUE(DatabaseRestore::writeIncoming(*backup, &problem, &notOurs)) << problem.toStdString();
        ASSERT_TRUE(DatabaseRestore::replaceDatabase(manager, manager.icalSync(), nullptr));
        ASSERT_TRUE(manager.icalSync()->waitForQueuedJobs(30));
        EXPECT_EQ(holdings(manager, storeFolder.path()), restoredHoldings);
        for (const auto& [path, bytes] : othersFiles.asKeyValueRange()) {
            QFile file(path);
            EXPECT_TRUE(file.open(QIODevice::ReadOnly) && file.readAll() == bytes) << path.toStdString();
        }
        for (const auto& [path, bytes] : peerFiles.asKeyValueRange()) {
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
            const QByteArray restoredBytes = file.readAll();
            if (retitled || (occurrenceDeleted && path.endsWith(QStringLiteral("floating.ics"))))
                EXPECT_TRUE(unstamped(restoredBytes) == unstamped(bytes)) << restoredBytes.toStdString();
            else
                EXPECT_EQ(restoredBytes.toStdString(), bytes.toStdString());
        }
        if (others) EXPECT_EQ(manager.calendarWithPrimaryKey(work->primaryKey())->builtIn(), 0) << "still the organizer's own";
        // Each item and calendar goes back under the uid the backup holds.
        const QStringList restored = storeUids(*store);
        for (const QString& uid : backedUpUids) EXPECT_TRUE(restored.contains(uid)) << uid.toStdString();
        // And under the file name it had: readers that follow the names
        // would see a deletion and an addition otherwise.
        const QMap<QString, QString> restoredFiles = filesByUid(storeFolder.path());
        for (const QString& uid : backedUpUids) {
            const QString item = uid.mid(5);
            if (!uid.startsWith(QLatin1String("item ")) || !backedUpFiles.contains(item)) continue;
            EXPECT_EQ(restoredFiles.value(item).toStdString(), backedUpFiles.value(item).toStdString()) << item.toStdString();
        }
        EXPECT_EQ(linkedUids(manager), restored);
        if (moved) {
            constexpr qint64 paris = 53392;
            EXPECT_EQ(manager.currentSetting()->currentTZ(), paris);
            const auto utc = [](int day, int hour) {
                return Date::dateWithTimeIntervalSince1970(
                    double(QDateTime(QDate(2027, 3, day), QTime(hour, 0), QTimeZone::utc()).toSecsSinceEpoch()));
            };
            // 10:00 in New York: 16:00 in Paris, 15:00 in the weeks
            // between the two zones' clock changes.
            IndependentReader reader;
            int events = 0;
            for (const TaskPtr& item : manager.allTasksEventsAdes()) {
                if (item->taskType() != 0 || item->parentId() != -1) continue;
                ++events;
                SCOPED_TRACE(item->taskName().toStdString());
                manager.recalculateTimeWithTimezoneSupport(item);
                EXPECT_EQ(GregorianCalendar::fields(item->tzStartTime()).hour, 16) << "shown in Paris";
                const bool weekly = item->repeatType() == 2;
                QList<IndependentReader::Occurrence> expected;
                for (const int day : weekly ? QList<int>{3, 10, 17, 24, 31} : QList<int>{2})
                    expected.append({utc(day, day < 14 ? 15 : 14), utc(day, day < 14 ? 16 : 15)});
                const QString name = item->iCalUID().remove(QLatin1Char('.')) + QStringLiteral(".ics");
                QDirIterator file(storeFolder.path(), {name}, QDir::Files, QDirIterator::Subdirectories);
                ASSERT_TRUE(file.hasNext()) << name.toStdString();
                reader.expect(file.next(), utc(1, 0), utc(31, 23), expected);
            }
            EXPECT_EQ(events, 4);
            reader.verify();
        }
        if (utcSeries) {
            // Written afresh, under its uid.
            QString name;
            for (const TaskPtr& item : manager.getAllTasksEventsAdes())
                if (item->taskName() == QStringLiteral("Peer")) name = item->iCalUID().remove(QLatin1Char('.')) + QStringLiteral(".ics");
            QDirIterator found(storeFolder.path(), {name}, QDir::Files, QDirIterator::Subdirectories);
            ASSERT_TRUE(found.hasNext()) << name.toStdString();
            QFile file(found.next());
            ASSERT_TRUE(file.open(QIODevice::ReadOnly));
            const QByteArray written = file.readAll();
            EXPECT_FALSE(written.contains("TZID")) << written.toStdString();
            IndependentReader reader;
            QList<IndependentReader::Occurrence> expected;
            for (const int day : {22, 29, 36, 43}) {
                const Date start = Date::dateWithTimeIntervalSince1970(
                    double(QDateTime(QDate(2027, 10, 1).addDays(day - 1), QTime(15, 0), QTimeZone::utc()).toSecsSinceEpoch()));
                expected.append({start, start.dateByAddingTimeInterval(3600)});
            }
            reader.expect(file.fileName(), expected.first().start.dateByAddingTimeInterval(-86400), expected.last().end, expected);
            reader.verify();
        }
        if (others)  // the store's watch tells of the file written after the backup
            EXPECT_TRUE(processEventsUntil([&] { return !store->eventFilePath(QStringLiteral("later-dinner@example.org")).isEmpty(); }, 5000));
        fullSync();  // the next start finds both sides in step
        EXPECT_EQ(holdings(manager, storeFolder.path()), syncedHoldings);

        manager.setICalSync(nullptr);
        CoreData::setShared(nullptr);
        DatabaseRestore::closeSharedDatabase();
        if (moved || utcSeries) Clock::reset();
    }
    NetworkStatus::instance().setOverride(std::nullopt);
    CalCalendarStore::setSyncCallForTesting(nullptr);
}

