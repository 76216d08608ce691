// Other programs' files edited in the organizer: each shows as an
// independent reader reads it, and after the edit both read the written file
// as the same, with every line the edit did not change kept.
#include "ExportsFixture.h"

#include "../CalendarStore/IndependentReader.h"
#include "TextTable.h"

namespace ForeignPropertiesTests {

enum class Edit { Title, Location, Link, HourLater, DayLater, Remove };

QStringList linesOf(QByteArray text)
{
    QStringList lines;
    for (const QByteArray& line : text.replace("\r\n ", "").split('\n'))
        if (!line.trimmed().isEmpty()) lines << QString::fromUtf8(line.trimmed());
    return lines;
}

QString nameOf(const QString& line)
{
    return line.left(line.indexOf(QRegularExpression(QStringLiteral("[;:]"))));
}

class ForeignPropertiesTest : public ExportsTest {
protected:
    // The occurrences the views show of an event.
    QList<IndependentReader::Occurrence> shown(const TaskPtr& root)
    {
        TaskList items = dataManager().getAllDetachedEventWithParentID(root->primaryKey());
        if (root->repeatType() != 0) dataManager().fillRepeatEventInstances({root}, items, from, to);
        else if (root->taskType() == 0) items << root;
        QList<IndependentReader::Occurrence> found;
        for (const TaskPtr& item : items) found << IndependentReader::Occurrence{instantOf(item->startTime(), *item), instantOf(item->endTime(), *item)};
        return found;
    }
    // The file as it is now, checked by the reader at the end.
    void expectRead(const QString& path, const TaskPtr& item, const QList<IndependentReader::Field>& fields = {})
    {
        const QString copy = snapshots.filePath(QString::number(++taken) + QFileInfo(path).fileName());
        EXPECT_TRUE(QFile::copy(path, copy));
        reader.expect(copy, from, to, shown(item), fields);
    }
    void apply(Edit edit, const QString& value, const TaskPtr& item)
    {
        if (item->taskType() == 1) {
            if (edit == Edit::Title) item->setTaskName(value);
            if (edit == Edit::DayLater) item->setDueEnd(Utilities::newDateFromDate(item->dueEnd(), 86400));
            ASSERT_TRUE(item->dehydrate());
            return sync->backgroundOneWaySyncUpdateToICalTask(item, 0);
        }
        if (edit == Edit::Remove) {
            ASSERT_TRUE(dataManager().doDeleteAllOperatorWithEvent(item));
            return;
        }
        const TaskPtr row = Task::initWithPrimaryKey(item->primaryKey());  // as the editor saves all occurrences
        if (edit == Edit::Title) row->setTaskName(value);
        if (edit == Edit::Location) row->setTaskLocation(value);
        if (edit == Edit::Link) row->setUrl(value);
        if (edit == Edit::HourLater) {
            row->setStartTime(row->startTime().dateByAddingTimeInterval(3600));
            row->setEndTime(row->endTime().dateByAddingTimeInterval(3600));
        }
        ASSERT_TRUE(dataManager().doEditAllOperatorWithEvent(row));
    }

    const Date from = local(2027, 1, 1), to = local(2028, 1, 1);
    QTemporaryDir snapshots;
    int taken = 0;
    IndependentReader reader;
};

TEST_F(ForeignPropertiesTest, AnEditWritesOnlyWhatTheUserChangedAsTheFileSpellsIt)
{
    setting->setAutoICalSync(1);
    setting->setICalSyncWindowStart(400);
    setting->setICalSyncWindowEnd(400);
    Clock::setFixed(local(2027, 6, 1, 12));
    const QString zone = QStringLiteral("\"(UTC+01:00) Amsterdam, Berlin, Bern, Rome, Stockholm, Vienna\"");
    const auto seconds = [](const Date& date) { return QString::number(date.wholeSecondsSince1970()); };
    const struct {
        const char* fixture;
        const char* uid;
        Edit edit;
        QString value;  // the new title, location or link
        QStringList written;  // lines that replace the fixture's of their names
        QList<IndependentReader::Field> fields;  // what the reader and the organizer show after the edit
    } rows[] = {
        {"byte-order-mark.ics", "8F2C1D40-5B7A-4E63-9C1F-2A7B3D4E5F60", Edit::Title, QStringLiteral("Renamed"),
         {QStringLiteral("SUMMARY:Renamed")}, {{QStringLiteral("SUMMARY"), QStringLiteral("Renamed")}}},
        {"byte-order-mark.ics", "8F2C1D40-5B7A-4E63-9C1F-2A7B3D4E5F60", Edit::Remove, {}, {}, {}},
        {"own-zone-series.ics", "040000008200E00074C5B7101A82E0080000000070F3A1C2D4E5DB01000000000000000010000000A1B2C3D4E5F6",
         Edit::HourLater, {},
         {QStringLiteral("DTSTART;TZID=%1:20270302T110000").arg(zone), QStringLiteral("DTEND;TZID=%1:20270302T120000").arg(zone),
          QStringLiteral("EXDATE;TZID=%1:20270316T110000").arg(zone)}, {}},
        {"due-date-only.ics", "c7d1e2f3-0a4b-4c5d-8e6f-708192a3b4c5", Edit::Title, QStringLiteral("Pay the taxes"),
         {QStringLiteral("SUMMARY:Pay the taxes")}, {{QStringLiteral("DUE"), QStringLiteral("20270215")}}},
        {"due-date-only.ics", "c7d1e2f3-0a4b-4c5d-8e6f-708192a3b4c5", Edit::DayLater, {},
         {QStringLiteral("DUE;VALUE=DATE:20270216")}, {{QStringLiteral("DUE"), QStringLiteral("20270216")}}},
        {"due-zoned.ics", "d8e2f304-1b5c-4d6e-9f70-8192a3b4c5d6", Edit::Title, QStringLiteral("Send the figures"),
         {QStringLiteral("SUMMARY:Send the figures")}, {{QStringLiteral("DUE"), seconds(utc(2027, 2, 15, 22))}}},
        // On another day the organizer's time of day (18:00), in the file's zone.
        {"due-zoned.ics", "d8e2f304-1b5c-4d6e-9f70-8192a3b4c5d6", Edit::DayLater, {},
         {QStringLiteral("DUE;TZID=America/New_York:20270216T120000")}, {{QStringLiteral("DUE"), seconds(utc(2027, 2, 16, 17))}}},
        {"url-escapes.ics", "url-escapes-2027@web.example", Edit::Title, QStringLiteral("Dinner"), {QStringLiteral("SUMMARY:Dinner")},
         {{QStringLiteral("URL"), QStringLiteral("https://example.com/caf%C3%A9/a%20b?q=1&r=%2F")}}},
        {"url-escapes.ics", "url-escapes-2027@web.example", Edit::Link, QStringLiteral("https://example.com/café menu"),
         {QStringLiteral("URL:https://example.com/caf%C3%A9%20menu")},
         {{QStringLiteral("URL"), QStringLiteral("https://example.com/caf%C3%A9%20menu")}}},
        {"no-summary.ics", "no-summary-2027@web.example", Edit::Location, QStringLiteral("Hall D"), {QStringLiteral("LOCATION:Hall D")},
         {{QStringLiteral("SUMMARY"), QString()}}},
        {"empty-summary.ics", "empty-summary-2027@web.example", Edit::Location, QStringLiteral("Hall D"),
         {QStringLiteral("LOCATION:Hall D")}, {{QStringLiteral("SUMMARY"), QString()}}},
        {"nul-in-description.ics", "nul-description-2027@bridge.example", Edit::Title, QStringLiteral("Final review"),
         {QStringLiteral("SUMMARY:Final review"), QStringLiteral("DESCRIPTION:Bring the slides")},
         {{QStringLiteral("DESCRIPTION"), QStringLiteral("Bring the slides")}}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(QStringLiteral("%1, edit %2").arg(QLatin1String(row.fixture)).arg(int(row.edit)).toStdString());
        const bool task = QByteArray(row.fixture).startsWith("due-");
        const QString path =
            calendarFolder() + (task ? QStringLiteral("/Tasks/") : QStringLiteral("/Events/")) + QLatin1String(row.fixture);
        QFile fixture(QStringLiteral(ZORAVEL_STORE_FIXTURES "/") + QLatin1String(row.fixture));
        ASSERT_TRUE(fixture.open(QIODevice::ReadOnly));
        const QByteArray original = fixture.readAll();
        QFile::remove(path);
        ASSERT_TRUE(fixture.copy(path));
        reopenStore();
        const auto item = [&] {
            sync->backgroundFullSync();
            if (!task) return dataManager().getRootEventWithUID(QLatin1String(row.uid));
            for (const TaskPtr& found : dataManager().getAllTasks())
                if (found->iCalUID() == QLatin1String(row.uid)) return found;
            return TaskPtr();
        };
        TaskPtr shownItem = item();
        ASSERT_TRUE(shownItem) << "not shown";
        expectRead(path, shownItem);
        apply(row.edit, row.value, shownItem);
        settle();
        shownItem = item();  // the organizer reads its own file back
        if (row.edit == Edit::Remove) {
            EXPECT_FALSE(QFile::exists(path) || shownItem) << "back after a full sync";
            continue;
        }
        ASSERT_TRUE(shownItem);
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QStringList after = linesOf(file.readAll());
        QStringList kept = linesOf(original);
        for (const QString& line : row.written) {
            EXPECT_TRUE(after.contains(line)) << "not written: " << line.toStdString();
            kept.removeIf([&](const QString& old) { return nameOf(old) == nameOf(line); });
        }
        for (const QString& line : kept)
            EXPECT_TRUE(line.startsWith(QLatin1String("DTSTAMP:")) || after.contains(line)) << "lost: " << line.toStdString();
        expectRead(path, shownItem, row.fields);
        for (const auto& [name, text] : row.fields) {  // the organizer shows a link as a link, a due date as a day
            const QString placeholder = TextTable::localizedString(QStringLiteral("newEventText"));
            if (name == QLatin1String("SUMMARY")) {
                EXPECT_EQ(shownItem->taskName(), text.isEmpty() ? placeholder : text);
            }
            if (name == QLatin1String("DESCRIPTION")) {
                EXPECT_EQ(shownItem->notes(), text);
            }
            if (name == QLatin1String("URL")) {
                EXPECT_EQ(QString::fromUtf8(QUrl(shownItem->url()).toEncoded()), text);
            }
            const Date day = text.size() == 8 ? local(2027, 2, text.right(2).toInt()) : Date::dateWithTimeIntervalSince1970(text.toDouble());
            if (name == QLatin1String("DUE")) {
                EXPECT_EQ(Utilities::compareDateNoTime(shownItem->dueEnd(), day), 0);
            }
        }
    }
    reader.verify();
}

}  // namespace ForeignPropertiesTests
