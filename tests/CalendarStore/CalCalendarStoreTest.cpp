#include "StoreFixture.h"

#include <QFileInfo>
#include <QRegularExpression>

#include <libical/ical.h>

namespace {

using CalendarStoreTest = StoreFixture;

// The first VEVENT of a file as libical itself reads it.
struct ParsedBack {
    int events = 0;
    int zones = 0;
    QString summary;
    QString location;
    QString tzid;
    icaltimetype start = icaltime_null_time();
    icaltimetype end = icaltime_null_time();
    bool hasRule = false;
};

ParsedBack parseWithLibical(const QByteArray& bytes)
{
    ParsedBack parsed;
    icalcomponent* root = icalparser_parse_string(bytes.constData());
    if (!root) return parsed;
    parsed.zones = icalcomponent_count_components(root, ICAL_VTIMEZONE_COMPONENT);
    parsed.events = icalcomponent_count_components(root, ICAL_VEVENT_COMPONENT);
    if (icalcomponent* event = icalcomponent_get_first_component(root, ICAL_VEVENT_COMPONENT)) {
        parsed.summary = QString::fromUtf8(icalcomponent_get_summary(event));
        if (const char* location = icalcomponent_get_location(event)) parsed.location = QString::fromUtf8(location);
        icalproperty* start = icalcomponent_get_first_property(event, ICAL_DTSTART_PROPERTY);
        parsed.start = icalproperty_get_dtstart(start);
        if (icalparameter* tzid = icalproperty_get_first_parameter(start, ICAL_TZID_PARAMETER))
            parsed.tzid = QString::fromUtf8(icalparameter_get_tzid(tzid));
        parsed.end = icalproperty_get_dtend(icalcomponent_get_first_property(event, ICAL_DTEND_PROPERTY));
        parsed.hasRule = icalcomponent_get_first_property(event, ICAL_RRULE_PROPERTY) != nullptr;
    }
    icalcomponent_free(root);
    return parsed;
}

QString eventFilePath(const CalCalendarPtr& calendar, const QString& uid)
{
    return QStringLiteral("%1.calendar/Events/%2.ics").arg(calendar->uid(), QString(uid).remove(QLatin1Char('.')));
}

CalEventPtr timedEvent(const CalCalendarPtr& calendar, const QString& title, const Date& start, double hours = 1)
{
    auto event = CalEvent::event();
    event->setCalendar(calendar);
    event->setTitle(title);
    event->setStartDate(start);
    event->setEndDate(start.dateByAddingTimeInterval(hours * 3600));
    return event;
}

TEST_F(CalendarStoreTest, SavedCalendarIsAFolderWhoseInfoPlistHoldsItsTitle)
{
    const CalCalendarPtr calendar = newCalendar(QStringLiteral("Work"));

    EXPECT_TRUE(QRegularExpression(QStringLiteral("^[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}$"))
                    .match(calendar->uid())
                    .hasMatch())
        << calendar->uid().toStdString();
    const QString folder = root() + QLatin1Char('/') + calendar->uid() + QStringLiteral(".calendar");
    const QVariantMap info = PropertyList::readFile(folder + QStringLiteral("/Info.plist")).value.toMap();
    EXPECT_EQ(info.value(QStringLiteral("Title")).toString(), QStringLiteral("Work"));
    EXPECT_EQ(info.value(QStringLiteral("Type")).toString(), QStringLiteral("Local"));
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^#[0-9A-F]{6}$")).match(info.value(QStringLiteral("Color")).toString()).hasMatch());
    EXPECT_EQ(info.value(QStringLiteral("EventContainer")).toLongLong(), 1);
    EXPECT_EQ(info.value(QStringLiteral("TaskContainer")).toLongLong(), 1);
    EXPECT_FALSE(info.contains(QStringLiteral("Editable")));
    EXPECT_TRUE(calendar->isEditable());

    // Another store on the folder sees it, and a rename reaches the file.
    const auto other = CalCalendarStore::create(root());
    ASSERT_EQ(other->calendars().size(), 1);
    EXPECT_EQ(other->calendars().first()->title(), QStringLiteral("Work"));
    calendar->setTitle(QStringLiteral("Office"));
    ASSERT_TRUE(store->saveCalendar(calendar));
    EXPECT_EQ(PropertyList::readFile(folder + QStringLiteral("/Info.plist")).value.toMap().value(QStringLiteral("Title")),
              QStringLiteral("Office"));
    ASSERT_TRUE(store->removeCalendar(calendar));
    EXPECT_FALSE(QFileInfo::exists(folder));
    EXPECT_TRUE(store->calendars().isEmpty());
}

TEST_F(CalendarStoreTest, SavedEventIsAFileThatLibicalReadsBackToTheSameFields)
{
    const CalCalendarPtr calendar = newCalendar(QStringLiteral("Home"));
    CalEventPtr event = timedEvent(calendar, QStringLiteral("Dentist"), paris(2014, 3, 25, 10, 0), 1.5);
    event->setLocation(QStringLiteral("Rue de Rivoli"));
    event->setNotes(QStringLiteral("Bring the card"));
    event->setUrl(QStringLiteral("https://example.org/a"));
    event->setTimeZone(QStringLiteral("Europe/Paris"));
    CalError error;
    ASSERT_TRUE(store->saveEvent(event, CalSpanThisEvent, &error)) << error.text.toStdString();
    ASSERT_FALSE(event->uid().isEmpty());

    const QByteArray bytes = readBytes(root() + QLatin1Char('/') + eventFilePath(calendar, event->uid()));
    ASSERT_FALSE(bytes.isEmpty());
    EXPECT_TRUE(bytes.contains("\r\n"));
    EXPECT_FALSE(QByteArray(bytes).replace("\r\n", "").contains('\n'));  // every line ends in CRLF
    const ParsedBack parsed = parseWithLibical(readBytes(root() + QLatin1Char('/') + eventFilePath(calendar, event->uid())));
    EXPECT_EQ(parsed.events, 1);
    EXPECT_EQ(parsed.zones, 1);
    EXPECT_EQ(parsed.summary, QStringLiteral("Dentist"));
    EXPECT_EQ(parsed.location, QStringLiteral("Rue de Rivoli"));
    EXPECT_EQ(parsed.tzid, QStringLiteral("Europe/Paris"));
    EXPECT_EQ(parsed.start.hour, 10);
    EXPECT_EQ(parsed.end.hour, 11);
    EXPECT_EQ(parsed.end.minute, 30);

    // A second store reads the same event.
    const auto other = CalCalendarStore::create(root());
    const CalEventPtr read = other->eventWithUID(event->uid(), Date());
    ASSERT_TRUE(read);
    EXPECT_EQ(read->title(), QStringLiteral("Dentist"));
    EXPECT_EQ(read->notes(), QStringLiteral("Bring the card"));
    EXPECT_EQ(read->url(), QStringLiteral("https://example.org/a"));
    EXPECT_EQ(read->startDate(), event->startDate());
    EXPECT_EQ(read->endDate(), event->endDate());
    EXPECT_EQ(read->timeZone(), QStringLiteral("Europe/Paris"));
    EXPECT_EQ(read->calendar()->uid(), calendar->uid());
}

// An all-day event is written with dates: the end is the day of the end
// given (its time dropped) and reads back as 00:00 of that day.
TEST_F(CalendarStoreTest, AllDayEventIsWrittenWithDateValues)
{
    const CalCalendarPtr calendar = newCalendar(QStringLiteral("Home"));
    auto event = CalEvent::event();
    event->setCalendar(calendar);
    event->setTitle(QStringLiteral("Holiday"));
    event->setIsAllDay(true);
    event->setStartDate(paris(2014, 3, 5));
    event->setEndDate(paris(2014, 3, 6, 23, 59, 59));
    ASSERT_TRUE(store->saveEvent(event, CalSpanAllEvents));

    const QByteArray bytes = readBytes(root() + QLatin1Char('/') + eventFilePath(calendar, event->uid()));
    EXPECT_TRUE(bytes.contains("DTSTART;VALUE=DATE:20140305")) << bytes.constData();
    EXPECT_TRUE(bytes.contains("DTEND;VALUE=DATE:20140306")) << bytes.constData();
    const CalEventPtr read = CalCalendarStore::create(root())->eventWithUID(event->uid(), Date());
    ASSERT_TRUE(read);
    EXPECT_TRUE(read->isAllDay());
    EXPECT_EQ(read->startDate(), paris(2014, 3, 5));
    EXPECT_EQ(read->endDate(), paris(2014, 3, 6));
}

TEST_F(CalendarStoreTest, MovedOccurrenceIsASecondVEventThatReplacesItsOriginal)
{
    const CalCalendarPtr calendar = newCalendar(QStringLiteral("Home"));
    CalEventPtr series = timedEvent(calendar, QStringLiteral("Standup"), paris(2014, 3, 3, 9, 0));
    series->setRecurrenceRule(CalRecurrenceRule::initDailyRecurrenceWithInterval(1, CalRecurrenceEnd::recurrenceEndWithOccurrenceCount(5)));
    ASSERT_TRUE(store->saveEvent(series, CalSpanAllEvents));

    CalEventList week = eventsBetween(paris(2014, 3, 3), paris(2014, 3, 9, 23, 59, 59));
    ASSERT_EQ(week.size(), 5);
    CalEventPtr third = week[2];
    EXPECT_EQ(third->occurrence(), paris(2014, 3, 5, 9, 0));
    third->setStartDate(paris(2014, 3, 5, 15, 0));
    third->setEndDate(paris(2014, 3, 5, 16, 0));
    third->setTitle(QStringLiteral("Standup, later"));
    ASSERT_TRUE(store->saveEvent(third, CalSpanThisEvent));

    EXPECT_EQ(parseWithLibical(readBytes(root() + QLatin1Char('/') + eventFilePath(calendar, series->uid()))).events, 2);
    week = eventsBetween(paris(2014, 3, 3), paris(2014, 3, 9, 23, 59, 59));
    ASSERT_EQ(week.size(), 5);
    const auto moved = std::find_if(week.begin(), week.end(), [](const CalEventPtr& e) { return e->isDetached(); });
    ASSERT_NE(moved, week.end());
    EXPECT_EQ((*moved)->startDate(), paris(2014, 3, 5, 15, 0));
    EXPECT_EQ((*moved)->occurrence(), paris(2014, 3, 5, 9, 0));
    EXPECT_EQ((*moved)->title(), QStringLiteral("Standup, later"));
    ASSERT_TRUE((*moved)->recurrenceRule());
    EXPECT_EQ((*moved)->recurrenceRule()->recurrenceType(), CalRecurrenceRule::Daily);
    for (const CalEventPtr& e : week) {
        if (!e->isDetached()) {
            EXPECT_NE(e->startDate(), paris(2014, 3, 5, 9, 0));
        }
    }
}

// The three spans of a removal on the fourth of five daily occurrences, and
// "future" on the first occurrence, which is the same as all.
TEST_F(CalendarStoreTest, RemovalSpansHideOneEndTheSeriesOrRemoveTheFile)
{
    struct Case {
        const char* name;
        int span;
        int occurrenceIndex;
        int left;
        bool fileLeft;
    };
    const Case cases[] = {{"this", CalSpanThisEvent, 3, 4, true},
                          {"future", CalSpanFutureEvents, 3, 3, true},
                          {"future from the first", CalSpanFutureEvents, 0, 0, false},
                          {"all", CalSpanAllEvents, 3, 0, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const CalCalendarPtr calendar = newCalendar(QString::fromLatin1(c.name));
        CalEventPtr series = timedEvent(calendar, QStringLiteral("Run"), paris(2014, 3, 10, 7, 0));
        series->setRecurrenceRule(CalRecurrenceRule::initDailyRecurrenceWithInterval(1, CalRecurrenceEnd::recurrenceEndWithOccurrenceCount(5)));
        ASSERT_TRUE(store->saveEvent(series, CalSpanAllEvents));
        const auto query = [&] {
            return store->eventsWithPredicate(CalCalendarStore::eventPredicateWithStartDate(
                paris(2014, 3, 1), paris(2014, 3, 31), series->uid(), {calendar}));
        };
        const CalEventList before = query();
        ASSERT_EQ(before.size(), 5);
        CalError error;
        ASSERT_TRUE(store->removeEvent(before[c.occurrenceIndex], c.span, &error)) << error.text.toStdString();
        const CalEventList after = query();
        EXPECT_EQ(after.size(), c.left);
        for (const CalEventPtr& e : after) EXPECT_NE(e->occurrence(), before[c.occurrenceIndex]->occurrence());
        EXPECT_EQ(QFileInfo::exists(root() + QLatin1Char('/') + eventFilePath(calendar, series->uid())), c.fileLeft);
        // What a second store reads agrees.
        EXPECT_EQ(CalCalendarStore::create(root())
                      ->eventsWithPredicate(CalCalendarStore::eventPredicateWithStartDate(
                          paris(2014, 3, 1), paris(2014, 3, 31), series->uid(), {calendar}))
                      .size(),
                  c.left);
    }
}

TEST_F(CalendarStoreTest, SavingFutureEventsContinuesAsANewSeries)
{
    const CalCalendarPtr calendar = newCalendar(QStringLiteral("Home"));
    CalEventPtr series = timedEvent(calendar, QStringLiteral("Class"), paris(2014, 3, 3, 18, 0));
    series->setRecurrenceRule(CalRecurrenceRule::initWeeklyRecurrenceWithInterval(1, {}, std::nullopt));
    ASSERT_TRUE(store->saveEvent(series, CalSpanAllEvents));
    const QString oldUid = series->uid();

    CalEventList march = eventsBetween(paris(2014, 3, 1), paris(2014, 3, 31, 23, 59, 59));
    ASSERT_EQ(march.size(), 5);  // 3, 10, 17, 24, 31
    CalEventPtr third = march[2];
    third->setStartDate(paris(2014, 3, 17, 19, 0));
    third->setEndDate(paris(2014, 3, 17, 20, 0));
    ASSERT_TRUE(store->saveEvent(third, CalSpanFutureEvents));
    EXPECT_NE(third->uid(), oldUid);

    march = eventsBetween(paris(2014, 3, 1), paris(2014, 3, 31, 23, 59, 59));
    QStringList seen;
    for (const CalEventPtr& e : march)
        seen << QStringLiteral("%1@%2").arg(e->uid() == oldUid ? QStringLiteral("old") : QStringLiteral("new"))
                    .arg(GregorianCalendar::fields(e->startDate()).day);
    EXPECT_EQ(seen, (QStringList{QStringLiteral("old@3"), QStringLiteral("old@10"), QStringLiteral("new@17"),
                                 QStringLiteral("new@24"), QStringLiteral("new@31")}));
    EXPECT_EQ(march[3]->startDate(), paris(2014, 3, 24, 19, 0));

    // "All" on an occurrence moves the whole series by the same amount.
    CalEventPtr fourth = march[3];
    fourth->setStartDate(paris(2014, 3, 24, 20, 0));
    fourth->setEndDate(paris(2014, 3, 24, 21, 0));
    ASSERT_TRUE(store->saveEvent(fourth, CalSpanAllEvents));
    const CalEventPtr master = store->eventWithUID(third->uid(), Date());
    ASSERT_TRUE(master);
    EXPECT_EQ(master->startDate(), paris(2014, 3, 17, 20, 0));
}

TEST_F(CalendarStoreTest, TasksAreSavedReadAndRemoved)
{
    const CalCalendarPtr calendar = newCalendar(QStringLiteral("Errands"));
    auto task = CalTask::task();
    task->setCalendar(calendar);
    task->setTitle(QStringLiteral("Buy bread"));
    task->setDueDate(utc(2014, 3, 26, 17, 0));
    ASSERT_TRUE(store->saveTask(task));
    ASSERT_FALSE(task->uid().isEmpty());
    EXPECT_TRUE(QFileInfo::exists(QStringLiteral("%1/%2.calendar/Tasks/%3.ics").arg(root(), calendar->uid(), task->uid())));

    task->setIsCompleted(true);
    task->setCompletedDate(utc(2014, 3, 26, 18, 0));
    ASSERT_TRUE(store->saveTask(task));
    const auto other = CalCalendarStore::create(root());
    const CalTaskList tasks = other->tasksWithPredicate(CalCalendarStore::taskPredicateWithCalendars(other->calendars()));
    ASSERT_EQ(tasks.size(), 1);
    EXPECT_EQ(tasks.first()->title(), QStringLiteral("Buy bread"));
    EXPECT_EQ(tasks.first()->dueDate(), utc(2014, 3, 26, 17, 0));
    EXPECT_TRUE(tasks.first()->isCompleted());
    EXPECT_EQ(tasks.first()->completedDate(), utc(2014, 3, 26, 18, 0));

    ASSERT_TRUE(store->removeTask(task));
    EXPECT_FALSE(store->taskWithUID(task->uid()));
    CalError error;
    EXPECT_FALSE(store->removeTask(task, &error));
    EXPECT_EQ(error.code, CalError::Code::NotFound);
}

// The store refuses what it must not write, and says a failed write failed.
TEST_F(CalendarStoreTest, RefusedAndFailedWritesAreErrorsAndChangeNothing)
{
    makeCalendarFolder(QStringLiteral("READONLY"), QStringLiteral("Holidays"), false);
    const CalCalendarPtr readOnly = store->calendarWithUID(QStringLiteral("READONLY"));
    ASSERT_TRUE(readOnly);
    EXPECT_FALSE(readOnly->isEditable());

    CalError error;
    EXPECT_FALSE(store->saveEvent(timedEvent(readOnly, QStringLiteral("x"), paris(2014, 3, 3, 9)), 0, &error));
    EXPECT_EQ(error.code, CalError::Code::Refused);
    EXPECT_FALSE(store->saveEvent(timedEvent(nullptr, QStringLiteral("x"), paris(2014, 3, 3, 9)), 0, &error));
    EXPECT_EQ(error.code, CalError::Code::Refused);
    // A date no file can hold (the format's writer stops at the year 3000).
    const CalCalendarPtr writable = newCalendar(QStringLiteral("Writable"));
    EXPECT_FALSE(store->saveEvent(timedEvent(writable, QStringLiteral("far"), paris(3500, 1, 1, 9)), 0, &error));
    EXPECT_EQ(error.code, CalError::Code::Refused);
    auto task = CalTask::task();
    EXPECT_FALSE(store->saveTask(task, &error));
    EXPECT_EQ(error.code, CalError::Code::Refused);
    EXPECT_FALSE(store->removeCalendar(readOnly, &error));
    EXPECT_EQ(error.code, CalError::Code::Refused);
    EXPECT_TRUE(QDir(root() + QStringLiteral("/READONLY.calendar/Events")).isEmpty());

    // A calendar whose Events folder is a file: the write fails and says so.
    const CalCalendarPtr broken = newCalendar(QStringLiteral("Broken"));
    const QString events = QStringLiteral("%1/%2.calendar/Events").arg(root(), broken->uid());
    ASSERT_TRUE(QDir(events).removeRecursively());
    writeBytes(events, "not a folder");
    const CalEventPtr event = timedEvent(broken, QStringLiteral("Lost?"), paris(2014, 3, 3, 9));
    EXPECT_FALSE(store->saveEvent(event, 0, &error));
    EXPECT_EQ(error.code, CalError::Code::WriteFailed);
    EXPECT_TRUE(eventsBetween(paris(2014, 3, 1), paris(2014, 3, 31)).isEmpty());
}

TEST_F(CalendarStoreTest, LocationIsNamedByTheEnvironmentOrTheDataHome)
{
    ScopedDataHome home;
    ASSERT_TRUE(home.isValid());
    qunsetenv("ZORAVEL_CALENDAR_STORE");
    EXPECT_EQ(CalCalendarStore::defaultLocation(), home.path() + QStringLiteral("/calendars"));
    CalCalendarStore::setDefaultCalendarStore(nullptr);
    const auto userStore = CalCalendarStore::defaultCalendarStore();
    EXPECT_TRUE(QFileInfo(home.path() + QStringLiteral("/calendars")).isDir());
    EXPECT_EQ(userStore->rootPath(), home.path() + QStringLiteral("/calendars"));

    qputenv("ZORAVEL_CALENDAR_STORE", root().toUtf8());
    EXPECT_EQ(CalCalendarStore::defaultLocation(), root());
    qunsetenv("ZORAVEL_CALENDAR_STORE");
}

}  // namespace

// What the store writes it reads back: the limit is the whole file's (not a
// line's; another program's unfolded line too), and notes that would pass it
// are refused before any write.
TEST_F(CalendarStoreTest, LongNotesRoundTripUpToTheFileLimit)
{
    const CalCalendarPtr calendar = newCalendar(QStringLiteral("Home"));
    QString lines;
    while (lines.size() < 5'000'000) lines += QStringLiteral("A line of the minutes, with commas; and a backslash \\.\n");
    QString paragraph;
    while (paragraph.size() < 2'500'000) paragraph += QStringLiteral("Déjà vu, 東京 ");
    paragraph += QStringLiteral("fin");  // libical drops a space that ends a text
    const QByteArray unfolded = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Other//EN\r\nBEGIN:VEVENT\r\nUID:one-line\r\n"
                                "DTSTART:20140325T090000Z\r\nDESCRIPTION:" + paragraph.toUtf8() + "\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
    writeBytes(root() + QLatin1Char('/') + calendar->uid() + QStringLiteral(".calendar/Events/one-line.ics"), unfolded);
    const struct {
        QString notes;
        bool saved;
    } cases[] = {{lines, true}, {paragraph, true}, {lines + lines + lines, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.notes.size());
        CalEventPtr event = timedEvent(calendar, QStringLiteral("Minutes"), paris(2014, 3, 25, 10, 0));
        event->setNotes(c.notes);
        CalError error;
        EXPECT_EQ(store->saveEvent(event, CalSpanThisEvent, &error), c.saved) << error.text.toStdString();
        const auto fresh = CalCalendarStore::create(root());  // reads the files from the disk
        EXPECT_TRUE(fresh->unreadableFiles().isEmpty());
        if (!c.saved) {
            EXPECT_EQ(error.code, CalError::Code::Refused);
            EXPECT_EQ(fresh->eventsWithPredicate(CalCalendarStore::eventPredicateWithStartDate(
                                                     paris(2014, 3, 1), paris(2014, 4, 1), fresh->calendars()))
                          .size(), 1);  // the other program's alone
            continue;
        }
        for (const QString& uid : {event->uid(), QStringLiteral("one-line")}) {
            const CalEventPtr back = fresh->eventWithUID(uid, Date());
            const QString expected = uid == event->uid() ? c.notes : paragraph;
            EXPECT_TRUE(back && back->notes() == expected) << (back ? back->notes().size() : -1) << " of " << expected.size();
        }
        ASSERT_TRUE(store->removeEvent(event, CalSpanAllEvents));
    }
}
