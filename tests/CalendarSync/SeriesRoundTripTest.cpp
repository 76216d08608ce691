// Series of every rule kind the organizer writes go to the store file and
// come back by a full sync unchanged: weekly on lists of weekdays, daily,
// monthly and yearly, timed and all-day, across a change of daylight
// saving, each with a changed and a deleted occurrence and then
// moved as a whole by days and hours, as a drop on a day moves it. The
// files read as the independent reader reads them.
#include "ExportsFixture.h"

#include "../CalendarStore/IndependentReader.h"

#include "RepeatRule.h"

#include <QRegularExpression>

#include <libical/ical.h>

namespace {

QByteArray fixtureBytes(const char* fixture)
{
    QFile file(QStringLiteral(ZORAVEL_STORE_FIXTURES "/") + QLatin1String(fixture));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << fixture;
    return file.readAll();
}

// Whether libical's own expansion shows a file's start: it leaves out a start
// its rule does not give, as some readers do (it reads an extra date's time
// as UTC: one within a zone's offset of the start counts).
bool libicalShowsTheStart(const QByteArray& bytes)
{
    icalcomponent* root = icalparser_parse_string(bytes.constData());
    icalcomponent* master = root ? icalcomponent_get_first_component(root, ICAL_VEVENT_COMPONENT) : nullptr;
    std::pair<time_t, bool> start{0, false};
    if (master) {
        start.first = icaltime_span_new(icalcomponent_get_dtstart(master), icalcomponent_get_dtend(master), 1).start;
        icaltimezone* utc = icaltimezone_get_utc_timezone();
        icalcomponent_foreach_recurrence(
            master, icaltime_from_timet_with_zone(start.first - 86400, 0, utc), icaltime_from_timet_with_zone(start.first + 86400, 0, utc),
            [](icalcomponent*, icaltime_span* span, void* data) {
                auto* s = static_cast<std::pair<time_t, bool>*>(data);
                s->second = s->second || std::llabs(span->start - s->first) < 15 * 3600;
            },
            &start);
    }
    if (root) icalcomponent_free(root);
    return start.second;
}

class SeriesRoundTripTest : public ExportsTest {
protected:
    // The category stored and linked, as a former sync left it: automatic
    // sync on, a window from 400 days back to 3000 ahead.
    void linkCategoryAsAFormerSyncLeftIt()
    {
        dataManager().doWithCalendarList(std::nullopt, 1);
        category = std::make_shared<Calendar>();
        category->setCalendarName(QStringLiteral("Home"));
        ASSERT_TRUE(dataManager().addCalendarToCalendarList(category, false, false));
        category->setICalUID(storeCalendar->uid());
        ASSERT_TRUE(category->dehydrate());
        setting->setAutoICalSync(1);
        setting->setICalSyncWindowStart(400);
        setting->setICalSyncWindowEnd(3000);
    }
    // The organizer's rows of a series, every column, in key order.
    QStringList rowsOf(qint64 rootKey)
    {
        QStringList rows;
        sqlite3_stmt* statement = nullptr;
        EXPECT_EQ(sqlite3_prepare_v2(db(), "SELECT * FROM Tasks WHERE primaryKey = ?1 OR parentId = ?1 ORDER BY primaryKey",
                                     -1, &statement, nullptr),
                  SQLITE_OK);
        sqlite3_bind_int64(statement, 1, rootKey);
        while (sqlite3_step(statement) == SQLITE_ROW) {
            QStringList columns;
            for (int c = 0; c < sqlite3_column_count(statement); ++c)
                columns << QStringLiteral("%1=%2").arg(QString::fromUtf8(sqlite3_column_name(statement, c)),
                                                      QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, c))));
            rows << columns.join(QLatin1Char('|'));
        }
        sqlite3_finalize(statement);
        return rows;
    }
    // The occurrences the views show of the series in the window (an event
    // repeated by extra dates alone is a one-off with changed occurrences).
    TaskList shown(qint64 rootKey, const Date& from, const Date& to)
    {
        TaskList items = dataManager().getAllDetachedEventWithParentID(rootKey);
        const TaskPtr root = Task::initWithPrimaryKey(rootKey);
        if (root->repeatType() == 0)
            items << root;
        else
            dataManager().fillRepeatEventInstances({root}, items, from, to);
        std::sort(items.begin(), items.end(), [](const TaskPtr& a, const TaskPtr& b) { return a->startTime() < b->startTime(); });
        return items;
    }
    static void moveBy(const TaskPtr& item, int days, int hours)
    {
        const double by = days * 86400.0 + hours * 3600.0;
        item->setStartTime(Utilities::newDateFromDate(item->startTime(), by));
        item->setEndTime(Utilities::newDateFromDate(item->endTime(), by));
    }
};

// Series other programs wrote, taken in by a full sync, moved as a whole by
// hours and by days as a drop moves them, and read back by a full sync: the
// rows stay as the move left them, every occurrence but the changed ones of a
// rule moved by the same amount, in the organizer and in the file as the
// independent readers read it.
TEST_F(SeriesRoundTripTest, FilesOfOtherProgramsMovedAndReadBackLeaveTheDatabaseAsItWas)
{
    Clock::setFixed(local(2027, 6, 20, 12));
    ASSERT_NO_FATAL_FAILURE(linkCategoryAsAFormerSyncLeftIt());
    struct Case {
        const char* name;
        const char* fixture;
        const char* uid;
        int days, hours;
        const char* machine = "Europe/Paris";
        bool zones = true;  // zone support on while it is read and moved
    };
    // The weekly series in UTC runs across both machines' clock changes in
    // the autumn, with a change before them and one and a deletion after.
    const Case cases[] = {
        {"a duration with extra dates, two hours later", "duration-rdate.ics", "lessons-2027@desktop.example", 0, 2},
        {"a duration with extra dates, a day earlier", "duration-rdate.ics", "lessons-2027@desktop.example", -1, 0},
        {"weekly in UTC, two hours later", "utc-weekly-across-change.ics", "utc-weekly-across-change@web.example.com", 0, 2},
        {"weekly in UTC on a machine in New York, a day earlier", "utc-weekly-across-change.ics",
         "utc-weekly-across-change@web.example.com", -1, 0, "America/New_York"},
        {"floating, a day later, without zone support", "counted-weekly-floating.ics", "yoga-2027@desktop.example", 1, 0,
         "Europe/Paris", false},
    };
    const Date from = local(2027, 1, 1), to = local(2028, 6, 1);
    IndependentReader reader;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScopedTimeZone machine(c.machine);
        setting->setTzSupport(c.zones);
        QFile file(calendarFolder() + QStringLiteral("/Events/") + QLatin1String(c.fixture));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(fixtureBytes(c.fixture));
        file.close();
        reopenStore();
        sync->backgroundFullSync();
        const QString uid = QString::fromLatin1(c.uid);
        const TaskPtr root = dataManager().getRootEventWithUID(uid);
        ASSERT_TRUE(root);
        const qint64 key = root->primaryKey();
        const TaskList read = shown(key, from, to);
        ASSERT_GE(read.size(), 2);
        QList<Date> readStarts;
        for (const TaskPtr& item : read) readStarts << item->startTime();

        const TaskPtr first = read.first();
        moveBy(first, c.days, c.hours);
        ASSERT_TRUE(dataManager().doEditAllOperatorWithEvent(first));
        settle();
        const TaskList before = shown(key, from, to);
        ASSERT_EQ(before.size(), read.size());
        // A changed occurrence of a rule keeps its own time.
        QSet<qint64> changedOfRule;
        if (Task::initWithPrimaryKey(key)->repeatType() != 0)
            for (const TaskPtr& row : dataManager().getAllDetachedEventWithParentID(key)) changedOfRule << row->primaryKey();
        for (qsizetype i = 0; i < before.size(); ++i)
            EXPECT_EQ(before[i]->startTime(),
                      changedOfRule.contains(before[i]->primaryKey())
                          ? readStarts[i]
                          : Utilities::newDateFromDate(readStarts[i], c.days * 86400.0 + c.hours * 3600.0))
                << i;

        ASSERT_EQ(sqlite3_exec(db(), qPrintable(QStringLiteral("UPDATE Tasks SET hasChanges = 0 WHERE primaryKey = %1 OR parentId = %1").arg(key)),
                               nullptr, nullptr, nullptr),
                  SQLITE_OK);
        const QStringList rows = rowsOf(key);
        sync->backgroundFullSync();
        EXPECT_EQ(rowsOf(key).join(QLatin1Char('\n')).toStdString(), rows.join(QLatin1Char('\n')).toStdString());
        const TaskList after = shown(key, from, to);
        ASSERT_EQ(after.size(), before.size());
        QList<IndependentReader::Occurrence> occurrences;
        for (qsizetype i = 0; i < after.size(); ++i) {
            EXPECT_EQ(after[i]->startTime(), before[i]->startTime()) << i;
            EXPECT_EQ(after[i]->endTime(), before[i]->endTime()) << i;
            occurrences << IndependentReader::Occurrence{instantOf(after[i]->startTime(), *after[i]),
                                                         instantOf(after[i]->endTime(), *after[i])};
        }
        reader.expect(store->eventFilePath(uid), from, to, occurrences, {}, IndependentReader::AlsoKhal::Yes);
        reader.verify();
        // The times keep the form the file gave them (UTC stays UTC).
        QFile written(store->eventFilePath(uid));
        ASSERT_TRUE(written.open(QIODevice::ReadOnly));
        EXPECT_EQ(written.readAll().contains("TZID"), fixtureBytes(c.fixture).contains("TZID"));
        ASSERT_TRUE(dataManager().deleteAllEventsWithUID({uid}, false));
        ASSERT_TRUE(QFile::remove(store->eventFilePath(uid)));
        reopenStore();
    }
}

}  // namespace

TEST_F(SeriesRoundTripTest, EveryRuleKindWrittenAndReadBackLeavesTheDatabaseAsItWas)
{
    Clock::setFixed(local(2027, 2, 20, 12));
    ASSERT_NO_FATAL_FAILURE(linkCategoryAsAFormerSyncLeftIt());
    struct Case {
        const char* name;
        qint64 repeatType;
        const char* options;
        bool allDay;
        int days, hours;   // the move of the whole series
        const char* zone = nullptr;
        // Instead: the first occurrence deleted, then the first one still
        // shown retitled with all later ones, as the editor saves it.
        bool retitledAfterFirstDeleted = false;
        // Then the first two deleted, and the third, the one retitled, put
        // among the deleted dates by another program meanwhile.
        bool retitledOnceExcludedElsewhere = false;
        int hour = 10;  // the series' start, on its own clock
        // Instead: zone support off for a start, turned on again, and the
        // series retitled with all its occurrences.
        bool retitledAfterAStartWithoutZones = false;
        // Zone support turned off while running, before the edits.
        bool zonesTurnedOff = false;
    };
    // From Monday 1 March 2027, 10:00; the clocks change on 28 March.
    const Case cases[] = {
        {"Mondays, a day later", 2, "1/2/0", false, 1, 0},
        {"Mondays all day, a day later", 2, "1/2/0", true, 1, 0},
        {"Mondays to Fridays, two days earlier", 2, "1/2|3|4|5|6/0", false, -2, 0},
        {"Mondays and Thursdays, later in the day", 2, "1/2|5/0", false, 0, 3},
        {"every other week on Sundays and Tuesdays", 2, "2/1|3/0", false, 1, 1},
        {"Mondays and Saturdays all day, two days later", 2, "1/2|7/0", true, 2, 0},
        {"daily, a day later", 1, "1//0", false, 1, 0},
        {"every third day, an hour earlier", 1, "3//0", false, 0, -1},
        {"monthly on its day", 3, "1/2/0", false, 0, 2},  // with its start's weekday, as read
        {"monthly on its weekday", 3, "1//1", false, 0, 1},
        {"yearly", 4, "1//0", false, 0, 1},
        {"Mondays in New York, a day later", 2, "1/2/0", false, 1, 0, "America/New_York"},
        {"Mondays and Thursdays in Helsinki, two days later", 2, "1/2|5/0", false, 2, 0, "Europe/Helsinki"},
        {"Mondays in Tokyo, a day earlier and an hour later", 2, "1/2/0", false, -1, 1, "Asia/Tokyo"},
        {"Wednesdays in New York from a Monday", 2, "1/4/0", false, 0, 0, "America/New_York"},
        {"Mondays in London, a day later", 2, "1/2/0", false, 1, 0, "Europe/London"},
        {"daily in New York, a day later", 1, "1//0", false, 1, 0, "America/New_York"},
        // Each one shown on the next day in Paris (at 01:00, 00:00 while
        // only New York keeps summer time).
        {"daily in New York at 19:00, a day later", 1, "1//0", false, 1, 0, "America/New_York", false, false, 19},
        {"monthly in Helsinki on its weekday", 3, "1//1", false, 0, 1, "Europe/Helsinki"},
        {"Mondays in Paris, the first deleted, the next retitled", 2, "1/2/0", false, 0, 0, "Europe/Paris", true},
        // (with the weekday of the start it is read with: the next one's)
        {"monthly in Paris, the first deleted, the next retitled", 3, "1/5/0", false, 0, 0, "Europe/Paris", true},
        {"Mondays in Paris, the third retitled as another program deletes it", 2, "1/2/0", false, 0, 0, "Europe/Paris", true, true},
        {"Mondays in Paris, the third moved as another program deletes it", 2, "1/2/0", false, 0, 2, "Europe/Paris", true, true},
        {"daily in New York, retitled after a start without zone support", 1, "1//0", false, 0, 0, "America/New_York", false,
         false, 10, true},
        {"Mondays in London, zone support turned off, an hour later", 2, "1/2/0", false, 0, 1, "Europe/London", false, false,
         10, false, true},
    };
    const Date from = local(2027, 2, 1);
    IndependentReader reader;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Date to = c.repeatType == 4 ? local(2034, 6, 1) : local(2028, 6, 1);
        TaskPtr root = storedEvent(local(2027, 3, 1, c.allDay ? 0 : c.hour), c.allDay ? local(2027, 3, 1, 23, 59, 59) : local(2027, 3, 1, c.hour + 1),
                                   c.repeatType);
        root->setTaskName(QString::fromLatin1(c.name));
        root->setRepeatOptions(QString::fromLatin1(c.options));
        root->setIsADE(c.allDay ? 1 : 0);
        // An all-day event is in the zone of the day, as the sync gives it.
        if (c.allDay) root->setTz(setting->currentTZ());
        setting->setTzSupport(c.zone != nullptr);
        if (c.zone) root->setTz(dataManager().getTimeZoneId(QString::fromLatin1(c.zone)));
        root->setDuration(qint64(root->endTime().timeIntervalSinceDate(root->startTime()) / 60));
        root->setRepeatStartDate(root->startTime());
        root->setOccurrence(root->startTime());
        // What the store's copy says of any series: from it, without end.
        root->setBuiltIn(1);
        root->setRepeatEndDate(Date::dateWithTimeIntervalSince1970(0));
        ASSERT_TRUE(root->dehydrate());
        ASSERT_TRUE(sync->createNewEventOnICal(root, 1));
        const qint64 key = root->primaryKey();
        const QString uid = Task::initWithPrimaryKey(key)->iCalUID();
        ASSERT_FALSE(uid.isEmpty());

        const QTimeZone ownZone = c.zone ? GregorianCalendar::zoneNamed(QString::fromLatin1(c.zone)) : QTimeZone();
        if (c.zonesTurnedOff) {
            setting->setTzSupport(false);
            dataManager().followZoneSupportChange();
            // At the machine's clock time of its instant, as a start shows it.
            const TaskPtr first = shown(key, from, to).first();
            dataManager().recalculateTimeWithTimezoneSupport(first);
            EXPECT_EQ(first->tzStartTime(), iCalSyncJobs::itemTimeToStoreTime(local(2027, 3, 1, c.hour), ownZone));
        }

        // The third occurrence changed (moved two hours, or a day when all
        // day, and renamed), the fifth deleted, then the whole series moved.
        TaskList occurrences = shown(key, from, to);
        ASSERT_GE(occurrences.size(), 6);
        if (c.retitledAfterAStartWithoutZones) {
            setting->setTzSupport(false);
            sync->backgroundFullSync();  // the start's
            setting->setTzSupport(true);
            dataManager().followZoneSupportChange();
            const TaskPtr root = Task::initWithPrimaryKey(key);
            EXPECT_EQ(root->tz(), dataManager().getTimeZoneId(QString::fromLatin1(c.zone)));
            root->setTaskName(QStringLiteral("Retitled"));
            ASSERT_TRUE(dataManager().doEditAllOperatorWithEvent(root));
            settle();
            QFile file(store->eventFilePath(uid));
            ASSERT_TRUE(file.open(QIODevice::ReadOnly));
            EXPECT_TRUE(file.readAll().contains("DTSTART;TZID=America/New_York:20270301T100000"));
        } else if (c.retitledAfterFirstDeleted) {
            const int deleted = c.retitledOnceExcludedElsewhere ? 2 : 1;
            for (int i = 0; i < deleted; ++i) {
                ASSERT_TRUE(dataManager().doDeleteOnlyThisOperatorWithEvent(shown(key, from, to).first()));
                settle();
            }
            const TaskPtr next = shown(key, from, to).first();
            if (c.retitledOnceExcludedElsewhere) {
                QFile file(store->eventFilePath(uid));
                ASSERT_TRUE(file.open(QIODevice::ReadWrite));
                QByteArray bytes = file.readAll();
                const Date at = iCalSyncJobs::itemTimeToStoreTime(next->startTime(), GregorianCalendar::zoneNamed(QString::fromLatin1(c.zone)));
                bytes.insert(bytes.indexOf("END:VEVENT"), QDateTime::fromSecsSinceEpoch(at.wholeSecondsSince1970(), QTimeZone::utc())
                                                              .toString(QStringLiteral("'EXDATE:'yyyyMMdd'T'HHmmss'Z\r\n'")).toLatin1());
                ASSERT_TRUE(file.seek(0) && file.write(bytes) == bytes.size());
                file.close();
                reopenStore();
            }
            next->setTaskName(QStringLiteral("Retitled"));
            moveBy(next, c.days, c.hours);
            ASSERT_TRUE(dataManager().doEditAllFutureOperatorWithEvent(next));
            settle();
            EXPECT_EQ(shown(key, from, to).size(), occurrences.size() - deleted);
            // What the other program deleted goes; every other occurrence
            // stays where it was, or moves as the one edited moved.
            if (c.retitledOnceExcludedElsewhere) {
                sync->backgroundFullSync();
                QList<Date> kept, now;
                for (const TaskPtr& item : occurrences.mid(deleted + 1))
                    kept << Utilities::newDateFromDate(item->startTime(), c.days * 86400.0 + c.hours * 3600.0);
                for (const TaskPtr& item : shown(key, from, to)) now << item->startTime();
                EXPECT_EQ(now, kept);
            }
        } else {
            const TaskPtr changed = occurrences[2];
            changed->setTaskName(QStringLiteral("Changed once"));
            moveBy(changed, c.allDay ? 1 : 0, c.allDay ? 0 : 2);
            ASSERT_TRUE(dataManager().doEditOnlyThisOperatorWithEvent(changed));
            settle();
            ASSERT_TRUE(dataManager().doDeleteOnlyThisOperatorWithEvent(shown(key, from, to)[4]));
            settle();
            const TaskPtr first = shown(key, from, to).first();
            moveBy(first, c.days, c.hours);
            ASSERT_TRUE(dataManager().doEditAllOperatorWithEvent(first));
            settle();
        }

        // As a web sync leaves them: nothing owed to the service.
        ASSERT_EQ(sqlite3_exec(db(), qPrintable(QStringLiteral("UPDATE Tasks SET hasChanges = 0 WHERE primaryKey = %1 OR parentId = %1").arg(key)),
                               nullptr, nullptr, nullptr),
                  SQLITE_OK);
        const QStringList rows = rowsOf(key);
        const TaskList before = shown(key, from, to);
        sync->backgroundFullSync();
        EXPECT_EQ(rowsOf(key).join(QLatin1Char('\n')).toStdString(), rows.join(QLatin1Char('\n')).toStdString());
        const TaskList after = shown(key, from, to);
        ASSERT_EQ(after.size(), before.size());
        for (qsizetype i = 0; i < after.size(); ++i) {
            EXPECT_EQ(after[i]->startTime(), before[i]->startTime()) << i;
            EXPECT_EQ(after[i]->taskName(), before[i]->taskName()) << i;
        }

        // The file holds what the organizer shows.
        // (The views take the last day whole, on the series' own clock.)
        const Date lastMoment = iCalSyncJobs::itemTimeToStoreTime(to.dateByAddingTimeInterval(86399), ownZone);
        const CalEventList held =
            store->eventsWithPredicate(CalCalendarStore::eventPredicateWithStartDate(from, lastMoment, uid, {storeCalendar}));
        EXPECT_EQ(held.size(), after.size());
        QList<IndependentReader::Occurrence> occurrencesHeld;
        for (qsizetype i = 0; i < held.size(); ++i) {
            occurrencesHeld << IndependentReader::Occurrence{held[i]->startDate(), held[i]->endDate(), held[i]->isAllDay()};
            if (i < after.size()) {
                EXPECT_EQ(held[i]->startDate(), iCalSyncJobs::itemTimeToStoreTime(after[i]->startTime(), ownZone)) << i;
            }
        }
        reader.expect(store->eventFilePath(uid), from, lastMoment, occurrencesHeld, {}, IndependentReader::AlsoKhal::Yes);
        reader.verify();
    }
}

// Series other programs wrote, each moved as a whole by hours and by days:
// in UTC with a changed occurrence, ending (UNTIL) at their last start in a
// Windows zone, with a change moved onto another day and in New York, and
// counted (its COUNT then an end). Others have their fourth occurrence
// dragged with all later ones (counted, floating; with extra dates and a
// deleted one; extra dates alone, from one of them; daily ones without an
// end, left where they are), have it alone retitled and moved (series
// without an end: the change has none either), or are renamed (changes
// carried on to later occurrences; two masters of one uid, one occurrence
// changed twice, an all-day series changed at 00:00 UTC, two rules, one and
// two occurrences changed with no series in the file, events without UID,
// one series' change beside another uid's change of that occurrence) or
// retitled (a first occurrence moved or excluded, all but one excluded, a
// weekly one in UTC across the clock change, one floating with EXDATEs in
// UTC, one at seconds with a rule the organizer cannot hold, one ending
// before its start, a daily all-day one ending at its last day's end in UTC,
// a weekly one under an old name of New York's zone; their starts stay).
// One with a later occurrence changed (another time, title and notes) is
// dragged from the fourth on, once as the store takes it and once with a
// stop before the store splits its file (the next start's full sync finds
// the split owed). Every occurrence stays, once, at its own time, in the
// organizer and in the files, whose times keep the form the file gave them
// (UTC stays UTC) and whose start every reader shows, before the edit and
// after it with its titles; two full syncs leave the rows.
TEST_F(SeriesRoundTripTest, ForeignSeriesMovedByHoursAndDaysKeepEveryOccurrence)
{
    Clock::setFixed(local(2027, 1, 10, 12));
    setting->setICalSyncWindowEnd(400);
    setting->setTzSupport(true);
    enum Edit { WholeSeries, FromTheFourth, FromTheFourthStopped, FourthAlone, Renamed, Retitled };
    const struct {
        const char* fixture;
        int days[2], hours[2];  // two moves, one after the other (from the fourth: the first)
        Edit edit = WholeSeries;
        // Not checked by the readers: they apply no change carried on to
        // later occurrences, and refuse two different rules.
        bool readers = true;
        bool weekdayMovedFirst = false;  // as the editor saves a move to another day
        // Read on a machine of that zone (shown in it), with or without zone
        // support; the others are read together on the Paris machine.
        const char* machine = nullptr;
        bool support = true;
        // Where the readers read a file each otherwise: the occurrences its
        // sender meant.
        qsizetype meant = 0;
        // Read first on a machine of that zone; the machine is then started
        // under its own zone (without zone support: a zone change).
        const char* readBefore = nullptr;
    } cases[] = {
        {"utc-series-changed.ics", {0, 1}, {2, 0}}, {"until-last-start.ics", {0, 1}, {1, 0}},
        {"until-last-start-moved-change.ics", {0, 1}, {-1, 0}}, {"until-last-start-new-york.ics", {0, 1}, {1, 0}},
        {"counted-weekly.ics", {1, 0}, {0, 1}},
        {"saturday-weekly-floating.ics", {1, 0}, {0, 0}, WholeSeries, true, true},
        {"saturday-weekly-spring-change.ics", {1, 0}, {0, 0}, WholeSeries, true, true},
        {"vienna-weekly-new-year.ics", {1, 0}, {0, 0}, WholeSeries, true, true},  // a zone written for two years
        {"counted-weekly-floating.ics", {0, 0}, {1, 0}, FromTheFourth},
        {"rrule-rdate-exdate.ics", {0, 0}, {1, 0}, FromTheFourth},
        {"duration-rdate-exdate.ics", {0, 0}, {1, 0}, FromTheFourth},
        {"utc-two-ranges.ics", {0, 0}, {0, 0}, Renamed, false},
        {"two-masters-sequence.ics", {0, 0}, {0, 0}, Renamed},
        {"changed-twice.ics", {0, 0}, {0, 0}, Renamed},
        {"all-day-changes-at-midnight.ics", {0, 0}, {0, 0}, Renamed},
        {"two-rules.ics", {0, 0}, {0, 0}, Renamed, false},
        {"change-alone.ics", {0, 0}, {0, 0}, Renamed},
        {"two-changes-alone.ics", {0, 0}, {0, 0}, Renamed},
        {"first-moved-weekly.ics", {0, 0}, {0, 0}, Retitled},
        {"first-excluded-weekly.ics", {0, 0}, {0, 0}, Retitled},
        {"all-but-one-excluded.ics", {0, 0}, {0, 0}, Retitled},
        {"monthly-first-excluded.ics", {0, 0}, {0, 0}, Retitled},
        {"utc-weekly-across-change.ics", {0, 0}, {0, 0}, Retitled},
        {"counted-once.ics", {1, 0}, {0, 0}},
        {"weekly-changed-after-cut.ics", {0, 0}, {1, 0}, FromTheFourth},
        {"weekly-split-stopped.ics", {0, 0}, {1, 0}, FromTheFourthStopped},
        // Mondays 09:00 in Tokyo, counted past both machines' clock changes:
        // Sunday evenings in New York.
        {"tokyo-weekly-counted.ics", {0, 0}, {0, 0}, Retitled, true, false, "America/New_York"},
        {"tokyo-weekly-counted.ics", {0, 0}, {0, 0}, Retitled, true, false, "Europe/Paris"},
        // Tuesday evenings in New York, Wednesday mornings in Sydney.
        {"new-york-weekly-autumn-counted.ics", {0, 0}, {0, 0}, Retitled, true, false, "Australia/Sydney"},
        {"tokyo-mondays-counted.ics", {0, 0}, {0, 0}, Retitled, true, false, "America/New_York", false},
        // Without zone support, in UTC across Paris's autumn change.
        {"utc-weekly-across-change.ics", {0, 0}, {0, 0}, Retitled, true, false, "Europe/Paris", false},
        // Without zone support, in their own zone across the weeks between
        // the two zones' clock changes.
        {"tokyo-weekly-counted.ics", {0, 0}, {0, 0}, Retitled, true, false, "America/New_York", false},
        {"weekly-new-york-autumn.ics", {0, 0}, {0, 0}, Retitled, true, false, "Europe/Paris", false},
        {"new-york-weekly-autumn-counted.ics", {0, 0}, {0, 0}, Retitled, true, false, "UTC", false},
        // Read in Paris, then started in New York and in UTC without zone
        // support: its own zone's instants, and the display zone the machine's.
        {"weekly-new-york-autumn.ics", {0, 0}, {0, 0}, Retitled, true, false, "America/New_York", false, 0, "Europe/Paris"},
        {"tokyo-weekly-counted.ics", {0, 0}, {0, 0}, Retitled, true, false, "UTC", false, 0, "Europe/Paris"},
        {"counted-weekly.ics", {1, 0}, {0, 1}, WholeSeries, true, false, "America/New_York", false, 0, "Europe/Paris"},
        {"no-uid-once.ics", {0, 0}, {0, 0}, Renamed},
        {"no-uid-weekly.ics", {0, 0}, {0, 0}, Renamed},
        {"no-uid-changed-beside-other.ics", {0, 0}, {0, 0}, Renamed, false},
        // Floating, its EXDATEs in UTC at the digits of the occurrences they
        // remove (python moves the whole series to UTC, khal removes none).
        {"floating-daily-utc-exdates.ics", {0, 0}, {0, 0}, Retitled, false, false, nullptr, true, 8},
        {"bysetpos-seconds.ics", {0, 0}, {0, 0}, Retitled},
        // Its UNTIL before its start: the start alone (khal drops the event).
        {"until-before-start.ics", {0, 0}, {0, 0}, Retitled, false, false, "Europe/Paris", true, 1},
        {"daily-utc-no-end.ics", {0, 0}, {0, 0}, FromTheFourth},
        {"daily-all-day-no-end.ics", {0, 0}, {0, 0}, FromTheFourth},
        {"daily-utc-no-end-until.ics", {0, 0}, {2, 0}, FourthAlone},
        {"weekly-all-day-no-end.ics", {1, 0}, {0, 0}, FourthAlone},
        // 02:30 in New York on the night Paris's clocks skip 02:00 to 03:00,
        // once and weekly from then: held an hour later (the machine's clock
        // has no 02:30), read by the readers at the file's own time.
        {"new-york-in-paris-spring-gap.ics", {0, 0}, {0, 0}, Retitled, false, false, "Europe/Paris"},
        {"new-york-weekly-in-paris-spring-gap.ics", {0, 0}, {0, 0}, Retitled, false, false, "Europe/Paris"},
        // UNTIL=...T235959Z, as web calendars export an all-day series: its
        // last day is that day east of UTC too.
        {"daily-all-day-until-end-of-day-utc.ics", {0, 0}, {0, 0}, Retitled},
        // US/Eastern is New York's zone, with zone support and without: held
        // in it across the weeks between the two zones' spring changes.
        {"weekly-old-zone-name-spring.ics", {0, 0}, {0, 0}, Retitled, true, false, "Europe/Paris"},
        {"weekly-old-zone-name-spring.ics", {0, 0}, {0, 0}, Retitled, true, false, "Europe/Paris", false},
    };
    const QString fixtures = QStringLiteral(ZORAVEL_STORE_FIXTURES "/");
    for (const auto& c : cases)
        if (!c.machine) QFile::copy(fixtures + QLatin1String(c.fixture), calendarFolder() + QStringLiteral("/Events/") + QLatin1String(c.fixture));
    reopenStore();
    sync->backgroundFullSync();
    sync->backgroundFullSync();  // the calendar's category linked
    const Date from = local(2027, 1, 1), to = local(2027, 12, 31);
    const QRegularExpression utcTimes(QStringLiteral("^(DTSTART|DTEND|RECURRENCE-ID)[:;][^\\r]*Z\\r$"), QRegularExpression::MultilineOption);
    IndependentReader reader;
    const qint64 shownZone = setting->currentTZ();
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.fixture) + (c.machine ? std::string(" on ") + c.machine : std::string()));
        std::unique_ptr<ScopedTimeZone> machine;
        if (c.machine) {
            machine = std::make_unique<ScopedTimeZone>(c.readBefore ? c.readBefore : c.machine);
            setting->setCurrentTZ(dataManager().getTimeZoneId(QString::fromLatin1(c.readBefore ? c.readBefore : c.machine)));
            setting->setTzSupport(c.support);
            QFile::copy(fixtures + QLatin1String(c.fixture), calendarFolder() + QStringLiteral("/Events/") + QLatin1String(c.fixture));
            reopenStore();
            sync->backgroundFullSync();
        }
        if (c.readBefore) {
            // The next start, as the data manager's start follows the machine.
            machine.reset();
            machine = std::make_unique<ScopedTimeZone>(c.machine);
            dataManager().setAppRootTZ(dataManager().getDefaultTimezone());
            dataManager().followSystemZoneWithoutZoneSupport();
            EXPECT_EQ(setting->currentTZ(), dataManager().getDefaultTimezone());
            sync->backgroundFullSync();
        }
        QFile fixture(fixtures + QLatin1String(c.fixture));
        ASSERT_TRUE(fixture.open(QIODevice::ReadOnly));
        const QString before = QString::fromUtf8(fixture.readAll());
        // A file whose first event has no UID is read under its name.
        const QString firstEvent = before.section(QStringLiteral("BEGIN:VEVENT"), 1, 1);
        const QString uid = firstEvent.contains(QStringLiteral("\nUID:"))
                                ? firstEvent.section(QStringLiteral("\nUID:"), 1).section(QLatin1Char('\r'), 0, 0)
                                : QFileInfo(QLatin1String(c.fixture)).completeBaseName();
        const TaskPtr read = dataManager().getRootEventWithUID(uid);
        ASSERT_TRUE(read) << uid.toStdString();
        const qint64 key = read->primaryKey();
        const qsizetype count = shown(key, from, to).size();
        if (c.meant) {
            EXPECT_EQ(count, c.meant);
        }
        QList<Date> starts;
        for (const TaskPtr& item : shown(key, from, to)) starts << item->startTime();
        // What the organizer shows of a part, as instants of the store.
        const auto held = [&](qint64 k) {
            QList<IndependentReader::Occurrence> found;
            for (const TaskPtr& item : shown(k, from, to)) {
                const QTimeZone zone = iCalSyncJobs::zoneOfTableId(item->tz());
                found << IndependentReader::Occurrence{iCalSyncJobs::itemTimeToStoreTime(item->startTime(), zone),
                                                       iCalSyncJobs::itemTimeToStoreTime(item->endTime(), zone),
                                                       item->isADE() != 0};
                // Shown in the machine's zone, at that instant.
                if (c.machine) {
                    dataManager().recalculateTimeWithTimezoneSupport(item);
                    EXPECT_EQ(item->tzStartTime(), found.last().start) << item->startTime().wholeSecondsSince1970();
                }
                if (item->isADE()) found.last().end = GregorianCalendar::dateOnDayOf(item->endTime(), 86400);
            }
            return found;
        };
        // khal skips an event without UID: it reads the file once an edit gave
        // it one. It gives a timed event without an end an hour of its own.
        const bool hasUid = before.contains(QStringLiteral("\nUID:"));
        const bool endLeftOut = !before.contains(QStringLiteral("\nDTEND")) && !before.contains(QStringLiteral("\nDURATION"));
        const auto khal = endLeftOut && !before.contains(QStringLiteral("DTSTART;VALUE=DATE")) ? IndependentReader::AlsoKhal::No
                                                                                              : IndependentReader::AlsoKhal::Yes;
        if (c.readers)
            reader.expect(store->eventFilePath(uid), from, to, held(key), {}, hasUid ? khal : IndependentReader::AlsoKhal::No);
        reader.verify();
        QList<qint64> keys{key};  // the series, and the part a drag from the fourth made
        if (c.edit == FromTheFourth || c.edit == FromTheFourthStopped) {
            const TaskList occurrences = shown(key, from, to);
            ASSERT_GE(occurrences.size(), 5);
            const TaskPtr fourth = occurrences[3];
            moveBy(fourth, c.days[0], c.hours[0]);
            // Stopped: the edit is committed, its store job never runs.
            if (c.edit == FromTheFourthStopped) dataManager().setICalSync(std::make_unique<iCalSync>());
            ASSERT_TRUE(dataManager().doEditAllFutureOperatorWithEvent(fourth));
            keys << dataManager().modifyingTask()->primaryKey();
            if (c.edit == FromTheFourthStopped) {
                // The next start: a sync of its own, and its full sync.
                auto restarted = std::make_unique<iCalSyncJobs>(store);
                sync = restarted.get();
                dataManager().setICalSync(std::move(restarted));
                sync->backgroundFullSync();
            }
            settle();
            ASSERT_NE(keys.last(), key);
            EXPECT_EQ(shown(key, from, to).size(), 3);
        } else if (c.edit == FourthAlone) {
            const TaskPtr fourth = shown(key, from, to)[3];
            fourth->setTaskName(QStringLiteral("Renamed"));
            moveBy(fourth, c.days[0], c.hours[0]);
            ASSERT_TRUE(dataManager().doEditOnlyThisOperatorWithEvent(fourth));
            settle();
        } else if (c.edit == Renamed || c.edit == Retitled) {
            const TaskPtr root = dataManager().getRootEventWithUID(uid);
            root->setTaskName(QStringLiteral("Renamed"));
            ASSERT_TRUE(dataManager().doEditAllOperatorWithEvent(root));
            settle();
        }
        for (int m = 0; m < 2 && c.edit == WholeSeries; ++m) {
            const TaskPtr root = dataManager().getRootEventWithUID(uid);
            const Date former = root->startTime();
            moveBy(root, c.days[m], c.hours[m]);
            if (c.weekdayMovedFirst)
                root->setRepeatOptions(RepeatRule::optionsMovedWithStart(root->repeatType(), root->repeatOptions(), root->repeatOptions(), former, root->startTime()));
            ASSERT_TRUE(dataManager().doEditAllOperatorWithEvent(root));
            settle();
            EXPECT_EQ(shown(key, from, to).size(), count) << m;
        }
        const auto shownByAll = [&] {
            qsizetype all = 0;
            for (qint64 k : keys) all += shown(k, from, to).size();
            return all;
        };
        EXPECT_EQ(shownByAll(), count) << "before a full sync";
        // Each occurrence's time and title, as the views show them.
        const auto shownTimes = [&] {
            QStringList times;
            for (qint64 k : keys)
                for (const TaskPtr& item : shown(k, from, to))
                    times << QStringLiteral("%1 %2").arg(item->startTime().wholeSecondsSince1970()).arg(item->taskName());
            times.sort();
            return times.join(QLatin1Char('\n')).toStdString();
        };
        const std::string timesBefore = shownTimes();
        QStringList rows;
        for (qint64 k : keys) {
            ASSERT_EQ(sqlite3_exec(db(), qPrintable(QStringLiteral("UPDATE Tasks SET hasChanges = 0 WHERE primaryKey = %1 OR parentId = %1").arg(k)),
                                   nullptr, nullptr, nullptr),
                      SQLITE_OK);
            rows << rowsOf(k);
        }
        for (int pass = 0; pass < 2; ++pass) {
            sync->backgroundFullSync();
            QStringList rowsAfter;
            for (qint64 k : keys) rowsAfter << rowsOf(k);
            EXPECT_EQ(rowsAfter.join(QLatin1Char('\n')).toStdString(), rows.join(QLatin1Char('\n')).toStdString()) << pass;
            EXPECT_EQ(shownByAll(), count) << "after a full sync " << pass;
            EXPECT_EQ(shownTimes(), timesBefore) << pass;
        }
        if (c.edit == Retitled) {
            QList<Date> startsAfter;
            for (const TaskPtr& item : shown(key, from, to)) startsAfter << item->startTime();
            EXPECT_EQ(startsAfter, starts);
        }
        for (qint64 k : keys) {
            const QString uidOfPart = Task::initWithPrimaryKey(k)->iCalUID();
            if (c.readers) reader.expect(store->eventFilePath(uidOfPart), from, to, held(k), {}, khal);
            if (c.readers && (c.edit == Renamed || c.edit == Retitled || c.edit == FourthAlone)) {
                QStringList titles;
                for (const TaskPtr& item : shown(k, from, to)) titles << item->taskName();
                EXPECT_TRUE(titles.contains(QStringLiteral("Renamed")));
                reader.expectTitles(titles);
            }
            QFile file(store->eventFilePath(uidOfPart));
            ASSERT_TRUE(file.open(QIODevice::ReadOnly));
            const QString written = QString::fromUtf8(file.readAll());
            // An end the file left out stays out: readers differ on one at the start.
            if (endLeftOut) {
                EXPECT_FALSE(written.contains(QStringLiteral("\nDTEND"))) << written.toStdString();
            }
            if (c.edit == WholeSeries) {
                EXPECT_EQ(written.count(utcTimes), before.count(utcTimes)) << written.toStdString();
                EXPECT_EQ(written.contains(QStringLiteral("TZID")), before.contains(QStringLiteral("TZID"))) << written.toStdString();
            }
            // (A file's start it excludes stays hidden.)
            if (c.edit != Retitled) {
                EXPECT_TRUE(libicalShowsTheStart(written.toUtf8()));
            }
            // Rules the organizer cannot hold stay as the file has them.
            // (The rules of a zone's definition the writer adds are not the event's.)
            const auto eventRules = [](const QString& text) { return text.section(QStringLiteral("BEGIN:VEVENT"), 1).count(QStringLiteral("\nRRULE")); };
            EXPECT_EQ(eventRules(written), eventRules(before));
            // A new title leaves the rule and the times as they were written.
            if (c.edit == Retitled) {
                for (const char* field : {"\nRRULE", "\nDTSTART", "\nDTEND"})
                    EXPECT_TRUE(written.contains(before.section(QLatin1String(field), 1).section(QLatin1Char('\r'), 0, 0)))
                        << written.toStdString();
            }
        }
        reader.verify();
        if (c.machine) {
            setting->setCurrentTZ(shownZone);
            setting->setTzSupport(true);
            ASSERT_TRUE(dataManager().deleteAllEventsWithUID({uid}, false));
            ASSERT_TRUE(QFile::remove(store->eventFilePath(uid)));
            reopenStore();
        }
    }
}
