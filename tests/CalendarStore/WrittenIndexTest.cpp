// The store indexes what it writes from the document in memory, without
// reading the file back: what it answers must be what any reader of the
// file gets.
#include "StoreFixture.h"

#include "ICalendarFile.h"

#include <QStringList>

#include <functional>
#include <vector>

namespace WrittenIndexTests {

QString described(const ICalEventData& e)
{
    QStringList exceptions;
    for (const Date& date : e.exceptionDates) exceptions << QString::number(date.wholeSecondsSince1970());
    QStringList extra;
    for (const Date& date : e.recurrenceDates) extra << QString::number(date.wholeSecondsSince1970());
    return QStringList{e.uid, e.title, e.location, e.notes, e.url, QString::number(e.start.wholeSecondsSince1970()),
                       QString::number(e.end.wholeSecondsSince1970()), e.allDay ? QStringLiteral("all-day") : QString(),
                       e.timeZone, QString::fromUtf8(e.ruleTexts.join(";;")), QString::number(e.recurrenceId.wholeSecondsSince1970()),
                       exceptions.join(QLatin1Char(',')), extra.join(QLatin1Char(','))}
        .join(QLatin1Char('|'));
}

QString described(const std::optional<ICalEventFileData>& file)
{
    if (!file) return QStringLiteral("nothing");
    QStringList parts{file->uid, file->master ? described(*file->master) : QStringLiteral("no master")};
    for (const ICalEventData& changed : file->overrides) parts << described(changed);
    return parts.join(QStringLiteral(" / "));
}

using WrittenIndexTest = StoreFixture;

// Files of other programs, read and edited as the store edits them, and
// new documents: the document's own reading equals a reading of its bytes.
TEST_F(WrittenIndexTest, ADocumentReadsAsItsWrittenBytes)
{
    ICalEventFields zoned;
    zoned.title = QStringLiteral("Zoned");
    zoned.start = utc(2027, 7, 15, 14);
    zoned.end = utc(2027, 7, 15, 15);
    zoned.timeZone = QStringLiteral("America/New_York");
    zoned.rule = CalRecurrenceRule::initWeeklyRecurrenceWithInterval(1, {}, std::nullopt);
    ICalEventFields allDay;
    allDay.title = QStringLiteral("Holiday");
    allDay.start = paris(2014, 3, 5);
    allDay.end = paris(2014, 3, 6);
    allDay.allDay = true;

    struct Case {
        const char* name;
        std::function<std::unique_ptr<ICalendarFile>()> make;
    };
    const auto edited = [](const char* fixtureName, const std::function<void(ICalendarFile&)>& edit) {
        return [=] {
            auto document = ICalendarFile::parse(fixture(QString::fromLatin1(fixtureName)));
            if (document && edit) edit(*document);
            return document;
        };
    };
    const std::vector<Case> cases{
        {"new zoned series", [&] {
             auto document = ICalendarFile::newCalendar();
             document->writeMaster(QStringLiteral("Z-1"), zoned);
             document->writeOverride(QStringLiteral("Z-1"), utc(2027, 7, 22, 14), zoned);
             document->addExceptionDate(utc(2027, 7, 29, 14));
             return document;
         }},
        {"new all-day event", [&] {
             auto document = ICalendarFile::newCalendar();
             document->writeMaster(QStringLiteral("A-1"), allDay);
             return document;
         }},
        {"bysetpos, a deleted occurrence", edited("bysetpos.ics", [](ICalendarFile& d) { d.addExceptionDate(d.masterStart()); })},
        {"hourly rule", edited("hourly.ics", nullptr)},
        {"rdates", edited("rdate.ics", nullptr)},
        {"windows zone, retitled", edited("windows-zone-name.ics", [&](ICalendarFile& d) {
             ICalEventFields fields = zoned;
             fields.rule.reset();
             d.writeMaster(QStringLiteral("windows-zone-1"), fields);
         })},
        {"own zone definition", edited("windows-zone-tokyo.ics", nullptr)},
        {"prefixed zone", edited("prefixed-tzid.ics", nullptr)},
        {"override before master", edited("override-before-master.ics", nullptr)},
        {"all-day ending on its start", edited("all-day-same-end.ics", nullptr)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto document = c.make();
        ASSERT_TRUE(document);
        QString fromMemory;
        QString fromBytes;
        const auto inMemory = document->events(&fromMemory);
        ASSERT_TRUE(inMemory);
        EXPECT_EQ(described(inMemory).toStdString(), described(ICalendarFile::readEvents(document->toBytes(), &fromBytes)).toStdString());
        EXPECT_EQ(fromMemory.toStdString(), fromBytes.toStdString());
    }

    const auto task = ICalendarFile::parse(fixture(QStringLiteral("task.ics")));
    ASSERT_TRUE(task);
    ICalTaskData data;
    data.title = QStringLiteral("Renamed");
    data.due = paris(2014, 3, 9, 17);
    task->writeTask(QStringLiteral("task-1"), data);
    QString problem;
    const auto inMemory = task->task(&problem);
    const auto fromBytes = ICalendarFile::readTask(task->toBytes(), &problem);
    ASSERT_TRUE(inMemory && fromBytes);
    EXPECT_EQ(inMemory->title, fromBytes->title);
    EXPECT_EQ(inMemory->due, fromBytes->due);
    EXPECT_EQ(inMemory->uid, fromBytes->uid);
}

// What the writing store answers equals what a new store reading the same
// folder answers; and a file another program rewrites after the store's
// write (same size or not) is still noticed before the next write.
TEST_F(WrittenIndexTest, TheWritersIndexIsWhatTheFilesSay)
{
    const CalCalendarPtr calendar = newCalendar(QStringLiteral("Work"));
    QStringList uids;
    {
        CalCalendarStore::WriteBatch batch(store);
        for (int i = 0; i < 40; ++i) {
            auto event = CalEvent::event();
            event->setCalendar(calendar);
            event->setTitle(QStringLiteral("Event %1").arg(i));
            event->setStartDate(paris(2014, 3, 1 + i % 28, 8 + i % 9));
            event->setEndDate(paris(2014, 3, 1 + i % 28, 9 + i % 9));
            event->setIsAllDay(i % 5 == 0);
            if (i % 3 == 0) event->setTimeZone(QStringLiteral("America/New_York"));
            if (i % 4 == 0) event->setRecurrenceRule(CalRecurrenceRule::initDailyRecurrenceWithInterval(2, std::nullopt));
            ASSERT_TRUE(store->saveEvent(event, CalSpanAllEvents));
            uids << event->uid();
        }
        ASSERT_TRUE(batch.commit());
    }
    const auto describe = [](const CalEventList& events) {
        QStringList lines;
        for (const CalEventPtr& e : events)
            lines << QStringLiteral("%1 %2 %3 %4 %5 %6")
                         .arg(e->uid(), e->title())
                         .arg(e->startDate().wholeSecondsSince1970())
                         .arg(e->endDate().wholeSecondsSince1970())
                         .arg(e->isAllDay())
                         .arg(e->timeZone());
        lines.sort();
        return lines.join(QLatin1Char('\n')).toStdString();
    };
    const auto reader = CalCalendarStore::create(root());
    const auto between = [&](const std::shared_ptr<CalCalendarStore>& s) {
        return s->eventsWithPredicate(CalCalendarStore::eventPredicateWithStartDate(paris(2014, 3, 1), paris(2014, 4, 30), s->calendars()));
    };
    EXPECT_EQ(describe(between(store)), describe(between(reader)));

    // Another program's edit of the same length right after the store's write.
    const QString path = store->eventFilePath(uids.at(1));
    QByteArray bytes = readBytes(path);
    ASSERT_TRUE(bytes.contains("SUMMARY:Event 1\r\n"));
    bytes.replace("SUMMARY:Event 1\r\n", "SUMMARY:Outside\r\n");
    writeBytes(path, bytes);
    const CalEventPtr mine = store->eventWithUID(uids.at(1), Date());
    ASSERT_TRUE(mine);
    mine->setLocation(QStringLiteral("Room 2"));
    ASSERT_TRUE(store->saveEvent(mine, CalSpanAllEvents));
    const CalEventPtr both = CalCalendarStore::create(root())->eventWithUID(uids.at(1), Date());
    ASSERT_TRUE(both);
    EXPECT_EQ(both->title(), QStringLiteral("Outside"));
    EXPECT_EQ(both->location(), QStringLiteral("Room 2"));
}

}  // namespace WrittenIndexTests
