#pragma once

#include "CalRecurrenceRule.h"
#include "Date.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTimeZone>

#include <memory>
#include <optional>

struct icalcomponent_impl;
class ICalForeignZone;

// One VEVENT as the store reads it. Times are instants; the wall-clock start
// and its zone are kept as well, since occurrences repeat at the same wall
// time across daylight-saving changes.
struct ICalEventData {
    QString uid;
    QString title;
    QString location;
    QString notes;
    QString url;
    Date start;
    Date end;
    bool allDay = false;
    QString timeZone;                // the IANA zone the TZID stands for, when it stands for one
    QTimeZone wallZone;              // the zone of the wall-clock start (UTC for "Z" times)
    bool inUTC = false;              // a "Z" start: an instant, not a floating time
    // The file's own zone definition, when the TZID names no zone the
    // platform knows; the occurrences repeat at its wall-clock time.
    std::shared_ptr<const ICalForeignZone> wallForeign;
    std::optional<CalRecurrenceRule> rule;
    QList<QByteArray> ruleTexts;     // the RRULE values (their union), for the expansion
    Date recurrenceId;               // null on the master
    // A changed occurrence whose change carries on to the later ones
    // (RANGE=THISANDFUTURE): they move by what it moved and take its fields.
    bool thisAndFuture = false;
    // A changed occurrence with STATUS:CANCELLED: the occurrence is called
    // off, shown nowhere (as a deleted one), and the file keeps it as it is.
    bool cancelled = false;
    QList<Date> exceptionDates;      // EXDATE values
    QList<Date> recurrenceDates;     // RDATE values (a period by its start)
};

// An event file: its master and its changed occurrences, in any order in the file.
struct ICalEventFileData {
    QString uid;
    std::optional<ICalEventData> master;
    QList<ICalEventData> overrides;
};

struct ICalTaskData {
    QString uid;
    QString title;
    QString notes;
    QString url;
    Date due;
    bool completed = false;
    Date completedDate;
};

// One occurrence of an event file within a range.
struct ICalOccurrence {
    const ICalEventData* data = nullptr;  // the master or the changed occurrence
    Date start;
    Date end;
    Date occurrence;
    bool detached = false;
};

// The fields the store writes into a VEVENT.
struct ICalEventFields {
    QString title;
    QString location;
    QString notes;
    QString url;
    Date start;
    Date end;
    bool allDay = false;
    QString timeZone;
    bool inUTC = false;  // no zone: written in UTC ("Z") where the file has no form of its own for them
    std::optional<CalRecurrenceRule> rule;
};

// The dates of an event file as texts of the forms "TZID=<zone>:<time>",
// "VALUE=DATE:<day>" and "<time>" (with "Z" for UTC): the master's start and
// deleted occurrences (its EXDATEs, then the original dates of its cancelled
// occurrences), then the start and original date of each changed
// occurrence in file order. Empty texts where a VEVENT has no such line.
struct ICalExceptionTexts {
    struct Changed {
        QString start;
        QString recurrenceId;
    };
    QString masterStart;
    QStringList exceptionDates;  // every date of every EXDATE, in file order
    QList<Changed> changed;
};

// Reading, expanding and editing the store's iCalendar files with libical.
// Reading never fails hard: a file that cannot be used answers nothing and
// says why.
class ICalendarFile {
public:
    // The PRODID of the files the store writes.
    static constexpr char ownProductId[] = "-//Zoravel//Calendar Store//EN";
    // uidWhenNone: the uid of a VEVENT without UID (other readers show it;
    // the index gives the name of its file); none skips such an event.
    static std::optional<ICalEventFileData> readEvents(const QByteArray& bytes, QString* problem,
                                                       const QString& uidWhenNone = {});
    static std::optional<ICalTaskData> readTask(const QByteArray& bytes, QString* problem);
    // The VEVENTs of the uid readEvents reads the file as (uidWhenNone as
    // there): its master and its changed occurrences, those of other uids
    // being none of its. Nothing when the bytes are not iCalendar or hold no
    // VEVENT.
    static std::optional<ICalExceptionTexts> readExceptionTexts(const QByteArray& bytes, QString* problem,
                                                                const QString& uidWhenNone = {});
    // The uid a VEVENT without UID of an event file is read under (other
    // readers show such an event): the name of its file.
    static QString uidWhenNoneOf(const QString& path);

    // The occurrences overlapping [from, to], EXDATEs, cancelled and changed
    // occurrences applied; a rule that cannot be expanded gives the master alone.
    // Changes with RANGE=THISANDFUTURE move the later occurrences with them.
    static QList<ICalOccurrence> expand(const ICalEventFileData& file, const Date& from, const Date& to);
    // The occurrences whose original date is that one, wherever a change moved them.
    static QList<ICalOccurrence> expandAt(const ICalEventFileData& file, const Date& occurrence);

    // Whether a date can be written to a file (and so read back).
    static bool canWrite(const Date& date);

    // A text as a file carries it, and so as it reads back: a text value
    // holds no control character but the tab (a line break is written
    // escaped; a carriage return, alone or before a line feed, is one line
    // break), a link (lineBreaks false) none at all, and no blank or tab at
    // either end. The rest stays as it is.
    static QString storableText(const QString& text, bool lineBreaks = true);

    // An editable document: a file read again, or a new VCALENDAR.
    // uidWhenNone as for readEvents: a VEVENT without UID is given that uid,
    // so that an edit rewrites the event read under it instead of adding
    // another beside it.
    static std::unique_ptr<ICalendarFile> parse(const QByteArray& bytes, const QString& uidWhenNone = {});
    static std::unique_ptr<ICalendarFile> newCalendar();
    ~ICalendarFile();
    ICalendarFile(const ICalendarFile&) = delete;
    ICalendarFile& operator=(const ICalendarFile&) = delete;

    // The document as a file: every line libical would write differently
    // but that means what a line of the file read says is written as that
    // line (other programs' spelling, parameter order, value lists, empty
    // values); libical's own error notes are never written.
    QByteArray toBytes() const;
    // The document as libical writes it, without the stamps (DTSTAMP) an
    // edit renews: two that read alike but for the stamps say the same.
    QByteArray textWithoutStamps() const;
    // What readEvents and readTask would read from toBytes(), without
    // writing and parsing it again.
    std::optional<ICalEventFileData> events(QString* problem) const;
    std::optional<ICalTaskData> task(QString* problem) const;

    // Events: the master is the VEVENT without RECURRENCE-ID of the file's
    // uid (the uid the file is read as, or the one last written). Every
    // edit below touches only the VEVENTs of that uid: those of other uids,
    // which other programs may put in the same file, stay as they are.
    void setOwnUid(const QString& uid) { m_uid = uid; }
    bool holdsOtherEvents() const;
    void removeOwnEvents();
    void removeOtherEvents();
    bool hasMaster() const;
    bool masterRepeats() const;
    // RDATEs: occurrences besides the rule's (or the only other ones).
    bool masterHasExtraDates() const;
    Date masterStart() const;
    void writeMaster(const QString& uid, const ICalEventFields& fields);
    // Writes (or replaces) the changed occurrence of that original date.
    void writeOverride(const QString& uid, const Date& occurrence, const ICalEventFields& fields);
    void removeOverride(const Date& occurrence);
    void addExceptionDate(const Date& occurrence);
    // The occurrence is the rule's again: its change and deleted date go.
    void removeException(const Date& occurrence);
    // Ends the series before the date and drops its exceptions and extra dates from the date on.
    void endSeriesBefore(const Date& occurrence);
    // Moves the exceptions and extra dates with the series when its start moves.
    void shiftExceptions(double seconds);
    // A start the rule does not give (a weekly Monday rule from a Tuesday)
    // is the series' first occurrence here, but RFC 5545 leaves such a start
    // undefined and readers differ (some show it, some hide it): the start is
    // written as an extra date too, which every reader shows once; a start
    // on the rule loses such an extra date (some readers would show it twice).
    void settleStartOnRule();
    // Keeps the exceptions, extra dates and changed occurrences after the
    // date, dropping those up to it (the part that continues as a new
    // series, which starts at the date).
    void keepExceptionsFrom(const Date& occurrence);
    // The VEVENTs of the own uid take another uid (a series split off).
    void renameOwnEvents(const QString& uid);

    // Tasks: one VTODO.
    void writeTask(const QString& uid, const ICalTaskData& task);

private:
    explicit ICalendarFile(icalcomponent_impl* root);
    icalcomponent_impl* m_root;
    // The bytes the document was read from: lines it writes unchanged keep
    // their spelling there.
    QByteArray m_original;
    QString m_uid;  // whose VEVENTs the edits touch
};
