// The calendar store's iCalendar files: events and tasks as other programs
// write them, read, expanded into occurrences, and edited and written back
// as the store does on a save; and the dates the sync reads from an event
// file for its deleted and changed occurrences. (Info.plist goes through the property-list
// reader, which PropertyListFuzzer drives.)
#include "FuzzSupport.h"
#include "GregorianCalendar.h"
#include "ICalendarFile.h"
#include "Utilities.h"

#include <algorithm>

namespace {

void checkEvent(const ICalEventData& event)
{
    Fuzz::checkDateFromOutside(event.start);
    Fuzz::checkDateFromOutside(event.end);
    Fuzz::checkDateFromOutside(event.recurrenceId);
    for (const Date& date : event.exceptionDates) Fuzz::checkDateFromOutside(date);
    Fuzz::require(!event.start.isNull(), "an event read has a start");
    Fuzz::require(!(event.end < event.start), "an event never ends before it starts");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    Fuzz::setUp();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = Fuzz::bytes(data, size);
    QString problem;
    // As the store and the sync read its files: an event without UID takes
    // the file's name.
    const QString fileName = QStringLiteral("fuzzed-file");
    if (const auto task = ICalendarFile::readTask(bytes, &problem)) {
        Fuzz::require(!task->uid.isEmpty(), "a task read has a uid");
        Fuzz::checkDateFromOutside(task->due);
        Fuzz::checkDateFromOutside(task->completedDate);
    }
    if (const auto texts = ICalendarFile::readExceptionTexts(bytes, &problem, fileName)) {
        Fuzz::checkDateFromOutside(Utilities::dateFromString(texts->masterStart));
        for (const QString& text : texts->exceptionDates) {
            Fuzz::require(!text.contains(QLatin1Char(',')), "a list of deleted dates is split");
            Fuzz::checkDateFromOutside(Utilities::dateFromString(text));
        }
        for (const ICalExceptionTexts::Changed& changed : texts->changed) {
            Fuzz::checkDateFromOutside(Utilities::dateFromString(changed.start));
            Fuzz::checkDateFromOutside(Utilities::dateFromString(changed.recurrenceId));
        }
    }
    const auto file = ICalendarFile::readEvents(bytes, &problem, fileName);
    if (!file) return 0;
    Fuzz::require(!file->uid.isEmpty(), "an event file read has a uid");
    if (file->master) checkEvent(*file->master);
    for (const ICalEventData& changed : file->overrides) {
        checkEvent(changed);
        Fuzz::require(!changed.recurrenceId.isNull(), "a changed occurrence knows its original date");
    }

    // A year of occurrences around the start: bounded, in order, inside the range.
    const Date around = file->master ? file->master->start : file->overrides.first().start;
    const Date from = around.dateByAddingTimeInterval(-183 * 86400.0);
    const Date to = around.dateByAddingTimeInterval(183 * 86400.0);
    Date previous;
    for (const ICalOccurrence& occurrence : ICalendarFile::expand(*file, from, to)) {
        Fuzz::checkDateFromOutside(occurrence.start);
        Fuzz::require(!(occurrence.start < previous), "occurrences come in start order");
        Fuzz::require(!(occurrence.start > to), "no occurrence starts after the range");
        previous = occurrence.start;
    }

    // A save on the file, opened as the store opens it for an edit (an event
    // without UID given the uid it was read under, so that the edit rewrites
    // it): what the store writes reads back.
    auto document = ICalendarFile::parse(bytes, fileName);
    if (!document || !file->master || !ICalendarFile::canWrite(file->master->start)) return 0;
    ICalEventFields fields;
    fields.title = file->master->title;
    fields.start = file->master->start;
    fields.end = file->master->end;
    fields.allDay = file->master->allDay;
    fields.timeZone = file->master->timeZone;
    fields.rule = file->master->rule;
    document->writeMaster(file->uid, fields);
    document->settleStartOnRule();
    const Date exception = file->master->start.dateByAddingTimeInterval(7 * 86400.0);
    if (ICalendarFile::canWrite(exception)) document->addExceptionDate(exception);
    const auto written = ICalendarFile::readEvents(document->toBytes(), &problem, fileName);
    Fuzz::require(written && written->uid == file->uid && written->master, "a file the store writes reads back");
    // At the times written: a broken line of the file (a zone name holding
    // a control character, which libical writes without it) must not move it.
    const ICalEventData& back = *written->master;
    // (An all-day event is written for whole days.)
    Fuzz::require(back.start == fields.start && back.allDay == fields.allDay && (fields.allDay || back.end == fields.end),
                  "the written times read back");
    // An unchanged title stays as the file spelt it; one written holds no
    // control characters but tabs and line breaks.
    Fuzz::require(back.title == fields.title || back.title == ICalendarFile::storableText(fields.title),
                  "the written title reads back");
    // The changed occurrences the save did not touch stay the series' own
    // (the one deleted goes with its date).
    QList<qint64> before, after;
    for (const ICalEventData& changed : file->overrides)
        if (!(ICalendarFile::canWrite(exception) && changed.recurrenceId == exception))
            before << changed.recurrenceId.wholeSecondsSince1970();
    for (const ICalEventData& changed : written->overrides) after << changed.recurrenceId.wholeSecondsSince1970();
    std::sort(before.begin(), before.end());
    std::sort(after.begin(), after.end());
    Fuzz::require(before == after, "the changed occurrences read back");
    return 0;
}
