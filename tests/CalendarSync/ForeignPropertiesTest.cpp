// Other programs' files edited in the organizer: a byte-order mark, a zone
// only the file defines, date-only and zoned due dates, links with percent
// escapes, events without a title, a NUL inside a text and a title's
// language. Each file is shown by the organizer as an independent reader
// reads it; after the edit both read the written file as the same, and
// every line the edit did not change stays.
#include "ExportsFixture.h"

#include "../CalendarStore/IndependentReader.h"
#include "TextTable.h"

namespace ForeignPropertiesTests {

enum class Edit { Title, Location, Link, HourLater, DayLater, Remove };

struct Row {
    const char* fixture;
    const char* uid;
    Edit edit;
    QString value;  // the new title, location or link
    QStringList written;   // lines the file holds after the edit
    QStringList replaced;  // lines of the fixture the edit replaces
    QList<IndependentReader::Field> shown;  // what both show after the edit
    // A zone whose clock changes are not the local zone's, which the
    // organizer holds without a zone: its views differ between the changes.
    bool viewsFloat = false;
};

QStringList contentLinesOf(const QByteArray& bytes)
{
    QByteArray text = bytes;
    text.replace("\r\n ", "").replace("\r\n\t", "");
    QStringList lines;
    for (const QByteArray& line : text.split('\n'))
        if (!line.trimmed().isEmpty()) lines << QString::fromUtf8(line).remove(QLatin1Char('\r'));
    return lines;
}

class ForeignPropertiesTest : public ExportsTest {
protected:
    void SetUp() override
    {
        ExportsTest::SetUp();
        setting->setAutoICalSync(1);
        setting->setICalSyncWindowStart(400);
        setting->setICalSyncWindowEnd(400);
        Clock::setFixed(local(2027, 6, 1, 12));
    }

    QByteArray fixtureBytes(const QString& name)
    {
        QFile file(QStringLiteral(ZORAVEL_STORE_FIXTURES "/") + name);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
        return file.readAll();
    }
    // The fixture as another program leaves it in the calendar's folder.
    QString place(const Row& row, bool task)
    {
        const QString path = calendarFolder() + (task ? QStringLiteral("/Tasks/") : QStringLiteral("/Events/"))
                             + QLatin1String(row.fixture);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(fixtureBytes(QLatin1String(row.fixture)));
        file.close();
        reopenStore();
        return path;
    }
    TaskPtr itemOf(const QString& uid, bool task)
    {
        if (!task) return dataManager().getRootEventWithUID(uid);
        for (const TaskPtr& item : dataManager().getAllTasks())
            if (item->iCalUID() == uid) return item;
        return nullptr;
    }
    using Times = QList<std::pair<Date, Date>>;
    // The occurrences the views show of an event.
    Times shownOccurrences(const TaskPtr& root)
    {
        Times shown;
        TaskList items = dataManager().getAllDetachedEventWithParentID(root->primaryKey());
        if (root->repeatType() != 0) dataManager().fillRepeatEventInstances({root}, items, from, to);
        else items << root;
        for (const TaskPtr& item : items) shown.append({item->startTime(), item->endTime()});
        std::sort(shown.begin(), shown.end());
        return shown;
    }
    // The occurrences the organizer reads in the file.
    Times fileOccurrences(const QString& uid)
    {
        Times read;
        for (const CalEventPtr& event :
             store->eventsWithPredicate(CalCalendarStore::eventPredicateWithStartDate(from, to, uid, {storeCalendar})))
            read.append({event->startDate(), event->endDate()});
        std::sort(read.begin(), read.end());
        return read;
    }
    // The file and what the organizer makes of it, for the reader's check.
    void expectRead(const Row& row, const QString& path, const TaskPtr& item, const QList<IndependentReader::Field>& fields)
    {
        QList<IndependentReader::Occurrence> read;
        if (item->taskType() == 0) {
            const Times inFile = fileOccurrences(item->iCalUID());
            for (const auto& [start, end] : inFile) read << IndependentReader::Occurrence{start, end};
            if (!row.viewsFloat) EXPECT_EQ(shownOccurrences(item), inFile) << "the views differ from the file";
        }
        reader.expect(snapshot(path), from, to, read, fields);
    }
    // What the organizer shows of a property, as the reader gives it.
    static QString shownText(const TaskPtr& item, const QString& name)
    {
        if (name == QLatin1String("SUMMARY")) {
            const bool placeholder = item->taskName() == TextTable::localizedString(item->taskType() == 0 ? QStringLiteral("newEventText")
                                                                                                          : QStringLiteral("newTaskText"));
            return placeholder ? QString() : item->taskName();
        }
        if (name == QLatin1String("LOCATION")) return item->taskLocation();
        if (name == QLatin1String("DESCRIPTION")) return item->notes();
        // A link as a link: the organizer holds "%20" as a blank.
        if (name == QLatin1String("URL")) return QString::fromUtf8(QUrl(item->url()).toEncoded());
        return QString();
    }

    static QString dayOf(const Date& date)
    {
        const DateFields day = GregorianCalendar::fields(date);
        return QStringLiteral("%1%2%3").arg(day.year).arg(day.month, 2, 10, QLatin1Char('0')).arg(day.day, 2, 10, QLatin1Char('0'));
    }

    void apply(const Row& row, const TaskPtr& item)
    {
        if (row.edit == Edit::Remove) {
            ASSERT_TRUE(dataManager().doDeleteAllOperatorWithEvent(item));
            return;
        }
        if (item->taskType() == 1) {
            if (row.edit == Edit::Title) item->setTaskName(row.value);
            if (row.edit == Edit::Link) item->setUrl(row.value);
            if (row.edit == Edit::DayLater) item->setDueEnd(Utilities::newDateFromDate(item->dueEnd(), 86400));
            ASSERT_TRUE(item->dehydrate());
            sync->backgroundOneWaySyncUpdateToICalTask(item, 0);
            return;
        }
        // As the editor saves a change of all occurrences, on the row's copy.
        const TaskPtr edit = Task::initWithPrimaryKey(item->primaryKey());
        ASSERT_TRUE(edit);
        if (row.edit == Edit::Title) edit->setTaskName(row.value);
        if (row.edit == Edit::Location) edit->setTaskLocation(row.value);
        if (row.edit == Edit::Link) edit->setUrl(row.value);
        if (row.edit == Edit::HourLater) {
            edit->setStartTime(edit->startTime().dateByAddingTimeInterval(3600));
            edit->setEndTime(edit->endTime().dateByAddingTimeInterval(3600));
        }
        ASSERT_TRUE(dataManager().doEditAllOperatorWithEvent(edit));
    }

    // The file as it is now, for the reader's check at the end.
    QString snapshot(const QString& path)
    {
        const QString copy = snapshots.filePath(QStringLiteral("%1-%2").arg(++taken).arg(QFileInfo(path).fileName()));
        EXPECT_TRUE(QFile::copy(path, copy));
        return copy;
    }

    QTemporaryDir snapshots;
    int taken = 0;
    const Date from = local(2027, 1, 1);
    const Date to = local(2028, 1, 1);
    IndependentReader reader;
};

const QString ownZone = QStringLiteral("\"(UTC+01:00) Amsterdam, Berlin, Bern, Rome, Stockholm, Vienna\"");
const QString easternZone = QStringLiteral("\"(UTC-05:00) Eastern Time (US & Canada)\"");

TEST_F(ForeignPropertiesTest, AnEditWritesOnlyWhatTheUserChangedAsTheFileSpellsIt)
{
    const char* bom = "8F2C1D40-5B7A-4E63-9C1F-2A7B3D4E5F60";
    const char* office = "040000008200E00074C5B7101A82E0080000000070F3A1C2D4E5DB01000000000000000010000000A1B2C3D4E5F6";
    const char* dateDue = "c7d1e2f3-0a4b-4c5d-8e6f-708192a3b4c5";
    const char* zonedDue = "d8e2f304-1b5c-4d6e-9f70-8192a3b4c5d6";
    const QString lateInNewYork = QString::number(utc(2027, 2, 15, 22).wholeSecondsSince1970());
    const Row rows[] = {
        {"byte-order-mark.ics", bom, Edit::Title, QStringLiteral("Renamed"), {QStringLiteral("SUMMARY:Renamed")},
         {QStringLiteral("SUMMARY:Standup")}, {{QStringLiteral("SUMMARY"), QStringLiteral("Renamed")}}},
        {"byte-order-mark.ics", bom, Edit::Remove, {}, {}, {}, {}},
        {"own-zone-series.ics", office, Edit::HourLater, {},
         {QStringLiteral("DTSTART;TZID=%1:20270302T110000").arg(ownZone), QStringLiteral("DTEND;TZID=%1:20270302T120000").arg(ownZone),
          QStringLiteral("EXDATE;TZID=%1:20270316T110000").arg(ownZone)},
         {QStringLiteral("DTSTART;TZID=%1:20270302T100000").arg(ownZone), QStringLiteral("DTEND;TZID=%1:20270302T110000").arg(ownZone),
          QStringLiteral("EXDATE;TZID=%1:20270316T100000").arg(ownZone)},
         {}},
        {"own-zone-series.ics", office, Edit::Title, QStringLiteral("Renamed"), {QStringLiteral("SUMMARY;LANGUAGE=de-de:Renamed")},
         {QStringLiteral("SUMMARY;LANGUAGE=de-de:Teamrunde")}, {{QStringLiteral("SUMMARY"), QStringLiteral("Renamed")}}},
        {"display-name-zone.ics", "9C1E6A1B-7D2F-4E55-8A3B-2F6D0C4B7E91", Edit::HourLater, {},
         {QStringLiteral("DTSTART;TZID=%1:20271025T100000").arg(easternZone), QStringLiteral("DTEND;TZID=%1:20271025T103000").arg(easternZone)},
         {QStringLiteral("DTSTART;TZID=%1:20271025T090000").arg(easternZone), QStringLiteral("DTEND;TZID=%1:20271025T093000").arg(easternZone)},
         {}, true},
        {"due-date-only.ics", dateDue, Edit::Title, QStringLiteral("Pay the taxes"), {QStringLiteral("SUMMARY:Pay the taxes")},
         {QStringLiteral("SUMMARY:File the taxes")}, {{QStringLiteral("DUE"), QStringLiteral("20270215")}}},
        {"due-date-only.ics", dateDue, Edit::DayLater, {}, {QStringLiteral("DUE;VALUE=DATE:20270216")},
         {QStringLiteral("DUE;VALUE=DATE:20270215")}, {{QStringLiteral("DUE"), QStringLiteral("20270216")}}},
        {"due-zoned.ics", zonedDue, Edit::Title, QStringLiteral("Send the figures"), {QStringLiteral("SUMMARY:Send the figures")},
         {QStringLiteral("SUMMARY:Send the quarterly figures")}, {{QStringLiteral("DUE"), lateInNewYork}}},
        // On another day the due date takes the organizer's time of day (18:00 here), in the file's zone.
        {"due-zoned.ics", zonedDue, Edit::DayLater, {}, {QStringLiteral("DUE;TZID=America/New_York:20270216T120000")},
         {QStringLiteral("DUE;TZID=America/New_York:20270215T170000")},
         {{QStringLiteral("DUE"), QString::number(utc(2027, 2, 16, 17).wholeSecondsSince1970())}}},
        {"url-escapes.ics", "url-escapes-2027@web.example", Edit::Title, QStringLiteral("Dinner"), {QStringLiteral("SUMMARY:Dinner")},
         {QStringLiteral("SUMMARY:Lunch")}, {{QStringLiteral("URL"), QStringLiteral("https://example.com/caf%C3%A9/a%20b?q=1&r=%2F")}}},
        {"url-escapes.ics", "url-escapes-2027@web.example", Edit::Link, QStringLiteral("https://example.com/café menu"),
         {QStringLiteral("URL:https://example.com/caf%C3%A9%20menu")},
         {QStringLiteral("URL:https://example.com/caf%C3%A9/a%20b?q=1&r=%2F")},
         {{QStringLiteral("URL"), QStringLiteral("https://example.com/caf%C3%A9%20menu")}}},
        {"no-summary.ics", "no-summary-2027@web.example", Edit::Location, QStringLiteral("Hall D"), {QStringLiteral("LOCATION:Hall D")},
         {QStringLiteral("LOCATION:Hall B")}, {{QStringLiteral("SUMMARY"), QString()}, {QStringLiteral("LOCATION"), QStringLiteral("Hall D")}}},
        {"empty-summary.ics", "empty-summary-2027@web.example", Edit::Location, QStringLiteral("Hall D"), {QStringLiteral("LOCATION:Hall D")},
         {QStringLiteral("LOCATION:Hall C")}, {{QStringLiteral("SUMMARY"), QString()}, {QStringLiteral("LOCATION"), QStringLiteral("Hall D")}}},
        {"nul-in-description.ics", "nul-description-2027@bridge.example", Edit::Title, QStringLiteral("Final review"),
         {QStringLiteral("SUMMARY:Final review"), QStringLiteral("DESCRIPTION:Bring the slides")},
         {QStringLiteral("SUMMARY:Review"), QString::fromUtf8("DESCRIPTION:Bring the\0 slides", 29)},
         {{QStringLiteral("DESCRIPTION"), QStringLiteral("Bring the slides")}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(QStringLiteral("%1, edit %2").arg(QLatin1String(row.fixture)).arg(int(row.edit)).toStdString());
        const QString uid = QLatin1String(row.uid);
        const bool task = QByteArray(row.fixture).startsWith("due-");
        const QString path = place(row, task);
        sync->backgroundFullSync();
        TaskPtr item = itemOf(uid, task);
        ASSERT_TRUE(item) << "not shown";
        expectRead(row, path, item, {});

        apply(row, item);
        settle();
        sync->backgroundFullSync();
        item = itemOf(uid, task);
        if (row.edit == Edit::Remove) {
            EXPECT_FALSE(QFile::exists(path));
            EXPECT_FALSE(item) << "back after a full sync";
            continue;
        }
        ASSERT_TRUE(item);
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QStringList after = contentLinesOf(file.readAll());
        for (const QString& line : row.written) EXPECT_TRUE(after.contains(line)) << "not written: " << line.toStdString();
        for (const QString& line : contentLinesOf(fixtureBytes(QLatin1String(row.fixture)))) {
            if (line.startsWith(QLatin1String("DTSTAMP:")) || row.replaced.contains(line)) continue;
            EXPECT_TRUE(after.contains(line)) << "lost: " << line.toStdString();
        }
        expectRead(row, path, item, row.shown);
        for (const auto& [name, text] : row.shown) {
            if (name == QLatin1String("DUE"))  // the organizer shows the day
                EXPECT_EQ(dayOf(item->dueEnd()), text.size() == 8 ? text : dayOf(Date::dateWithTimeIntervalSince1970(text.toDouble())));
            else
                EXPECT_EQ(shownText(item, name), text) << name.toStdString();
        }
    }
    reader.verify();
}

}  // namespace ForeignPropertiesTests
