// The store's making and its default, its calendars, and the saves and
// removals of events and tasks.
#include "CalCalendarStore.h"

#include "CalCalendarStoreShared.h"
#include "ICalendarFile.h"
#include "MainQueue.h"
#include "PropertyList.h"

#include <QDir>
#include <QFileInfo>
#include <QScopeGuard>
#include <QStandardPaths>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include <sched.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The colours the store gives the calendars it makes, in turn.
const char* const calendarColors[] = {"#1BADF8", "#63DA38", "#FFCC00", "#FF9500",
                                      "#FF2968", "#CC73E1", "#A2845E", "#5856D6"};

std::shared_ptr<CalCalendarStore>& installedDefault()
{
    static std::shared_ptr<CalCalendarStore> store;
    return store;
}

// Set while a store given by setDefaultCalendarStore stands in for the user's.
bool& defaultIsInstalled()
{
    static bool installed = false;
    return installed;
}

std::mutex& defaultMutex()
{
    static std::mutex mutex;
    return mutex;
}

}  // namespace

CalCalendarStore::CalCalendarStore(const QString& rootPath) : m_root(QDir::cleanPath(rootPath)) {}

CalCalendarStore::~CalCalendarStore()
{
    m_coalesceTimer.invalidate();
    if (m_watchContext && !MainQueue::isMainThread()) {
        // The watcher lives on the main thread; it goes there. The job owns
        // it, so that a job the main thread drops unrun as the program ends
        // still deletes it there.
        std::shared_ptr<QObject> context(m_watchContext.release());
        MainQueue::async([context = std::move(context)]() mutable { context.reset(); });
    }
}

std::shared_ptr<CalCalendarStore> CalCalendarStore::create(const QString& rootPath)
{
    if (!QDir().mkpath(rootPath)) qWarning() << "Cannot create the calendar store folder" << rootPath;
    return std::shared_ptr<CalCalendarStore>(new CalCalendarStore(rootPath));
}

QString CalCalendarStore::defaultLocation()
{
    const QString named = qEnvironmentVariable("ZORAVEL_CALENDAR_STORE");
    if (!named.isEmpty()) return named;
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/calendars");
}

std::shared_ptr<CalCalendarStore> CalCalendarStore::defaultCalendarStore()
{
    std::lock_guard lock(defaultMutex());
    auto& store = installedDefault();
    // The user's store follows its location (a new data home makes a new one).
    if (!store || (!defaultIsInstalled() && store->rootPath() != QDir::cleanPath(defaultLocation()))) {
        // Its files are read when first asked, or in the background once
        // the start asks (iCalSync::whenStoreIndexed): read from its making,
        // they took the processor from the start's own work.
        store = create(defaultLocation());
    }
    return store;
}

void CalCalendarStore::setDefaultCalendarStore(std::shared_ptr<CalCalendarStore> store)
{
    std::lock_guard lock(defaultMutex());
    defaultIsInstalled() = store != nullptr;
    installedDefault() = std::move(store);
}

// --- calendars ---

CalCalendarList CalCalendarStore::calendars(CalError* error) const
{
    std::lock_guard lock(m_mutex);
    ensureIndexedLocked();
    CalCalendarList list;
    for (const CalendarEntry& entry : m_index->calendars) list << std::make_shared<CalCalendar>(entry.calendar);
    reportCalError(error, m_index->rootListable ? CalError::none()
                                                : CalError::make(CalError::Code::CannotRead,
                                                                 QStringLiteral("the store folder cannot be listed")));
    return list;
}

CalCalendarPtr CalCalendarStore::calendarWithUID(const QString& uid) const
{
    std::lock_guard lock(m_mutex);
    const CalendarEntry* entry = calendarEntryLocked(uid);
    return entry ? std::make_shared<CalCalendar>(entry->calendar) : nullptr;
}

bool CalCalendarStore::saveCalendar(const CalCalendarPtr& calendar, CalError* error)
{
    if (!calendar)
        return reportCalError(error, CalError::make(CalError::Code::Refused, QStringLiteral("no calendar given")));
    std::lock_guard lock(m_mutex);
    ensureIndexedLocked();
    CalendarEntry* entry = calendarEntryLocked(calendar->uid());
    const bool isNew = !entry;
    QVariantMap info;
    QString folder;
    // A new calendar is made whole beside its place (a name no reader takes
    // for a calendar) and renamed into it: a kill half-way leaves no calendar
    // without its Info.plist, which would be read as one titled with its uid.
    QString staging;
    if (isNew) {
        const QString uid = calendar->uid().isEmpty() ? newUid() : calendar->uid();
        folder = m_root + QLatin1Char('/') + QString(uid).replace(QLatin1Char('/'), QLatin1Char('_')) + calendarSuffix;
        staging = folder + QStringLiteral(".part");
        if (QFileInfo::exists(folder))
            return reportCalError(error, CalError::make(CalError::Code::WriteFailed,
                                                        QStringLiteral("the folder %1 is there already").arg(folder)));
        if (refusesLinkedPathLocked(folder + QLatin1Char('/') + eventsFolder, error)
            || refusesLinkedPathLocked(staging + QLatin1Char('/') + eventsFolder, error)
            || refusesLinkedPathLocked(staging + QLatin1Char('/') + tasksFolder, error))
            return false;
        QDir(staging).removeRecursively();
        if (!QDir().mkpath(staging + QLatin1Char('/') + eventsFolder) || !QDir().mkpath(staging + QLatin1Char('/') + tasksFolder)) {
            QDir(staging).removeRecursively();
            return reportCalError(error, CalError::make(CalError::Code::WriteFailed,
                                                        QStringLiteral("cannot create the folder ") + folder));
        }
        info.insert(QStringLiteral("EventContainer"), qint64(1));
        info.insert(QStringLiteral("TaskContainer"), qint64(1));
        info.insert(QStringLiteral("Type"), calendar->type().isEmpty() ? QStringLiteral("Local") : calendar->type());
        const QColor color = calendar->color().isValid()
                                 ? calendar->color()
                                 : QColor(QString::fromLatin1(calendarColors[m_index->calendars.size() % 8]));
        info.insert(QStringLiteral("Color"), color.name(QColor::HexRgb).toUpper());
    } else {
        if (refusesWritesLocked(entry, error, QStringLiteral("calendar"))) return false;
        folder = entry->folder;
        QString problem;
        const PropertyList::Result read =
            PropertyList::fromData(readRegularFile(folder + QLatin1Char('/') + infoFile, largestInfoFile, &problem));
        info = read.value.toMap();  // an unreadable one is written anew
        if (!calendar->type().isEmpty()) info.insert(QStringLiteral("Type"), calendar->type());
        if (calendar->color().isValid())
            info.insert(QStringLiteral("Color"), calendar->color().name(QColor::HexRgb).toUpper());
    }
    info.insert(QStringLiteral("Title"), calendar->title());
    const std::optional<QByteArray> infoBytes = PropertyList::toData(info);
    CalError written;
    bool infoWritten = false;
    if (isNew && infoBytes) {
        // Flushed at once, then the whole folder takes its name; the root's
        // new entry is flushed with the batch (or now, outside one).
        PendingWrites alone;
        infoWritten = writeWithoutFlushLocked(staging + QLatin1Char('/') + infoFile, *infoBytes, &alone, &written)
                      && flushLocked(&alone, &written);
        if (infoWritten && ::rename(QFile::encodeName(staging).constData(), QFile::encodeName(folder).constData()) != 0) {
            written = CalError::make(CalError::Code::WriteFailed,
                                     QStringLiteral("cannot rename %1: %2").arg(staging, systemError(errno)));
            infoWritten = false;
        }
        if (infoWritten) {
            PendingWrites root;
            PendingWrites* pending = openBatchLocked();
            (pending ? pending : &root)->folders.insert(m_root);
            if (!pending) flushLocked(&root, &written);
        }
    } else if (infoBytes) {
        infoWritten = writeFileLocked(folder + QLatin1Char('/') + infoFile, *infoBytes, &written);
    }
    if (!infoWritten) {
        if (isNew) QDir(staging).removeRecursively();
        if (written.code == CalError::Code::Refused) return reportCalError(error, written);
        return reportCalError(error, CalError::make(CalError::Code::WriteFailed,
                                                    QStringLiteral("cannot write ") + folder + QLatin1Char('/') + infoFile));
    }
    CalendarEntry fresh;
    fresh.folder = folder;
    scanCalendarLocked(&fresh, entry, {});
    if (isNew)
        m_index->calendars << fresh;
    else
        *entry = fresh;
    *calendar = fresh.calendar;
    resolveDuplicatesLocked(m_index.get());
    // The watcher (main thread only) learns of the new folders there.
    if (isNew) MainQueue::async([weak = weak_from_this()] {
        if (auto store = weak.lock()) store->watchCurrentPaths();
    });
    return reportCalError(error, CalError::none());
}

bool CalCalendarStore::removeCalendar(const CalCalendarPtr& calendar, CalError* error)
{
    std::lock_guard lock(m_mutex);
    CalendarEntry* entry = calendar ? calendarEntryLocked(calendar->uid()) : nullptr;
    if (!entry)
        return reportCalError(error, CalError::make(CalError::Code::NotFound, QStringLiteral("no such calendar")));
    if (refusesWritesLocked(entry, error, QStringLiteral("calendar"))) return false;
    return removeCalendarLocked(*entry, error);
}

bool CalCalendarStore::removeCalendarFilesOf(const CalCalendarPtr& calendar, const QSet<QString>& uids, bool* kept,
                                             CalError* error)
{
    *kept = false;
    std::lock_guard lock(m_mutex);
    CalendarEntry* entry = calendar ? calendarEntryLocked(calendar->uid()) : nullptr;
    if (!entry)
        return reportCalError(error, CalError::make(CalError::Code::NotFound, QStringLiteral("no such calendar")));
    if (refusesWritesLocked(entry, error, QStringLiteral("calendar"))) return false;
    for (const bool tasks : {false, true}) {
        QStringList paths;
        for (const FileEntry& file : std::as_const(tasks ? entry->tasks : entry->events)) {
            if (!file.problem.isEmpty() || !uids.contains(file.uid)) continue;
            rememberNameLocked(file, tasks);
            paths << file.path;
        }
        for (const QString& path : std::as_const(paths)) {
            const bool removed = removeFileLocked(path, error);
            reindexFileLocked(entry, tasks, path);
            if (!removed) return false;
        }
    }
    // What the disk holds, not what the index read: a file it could not read
    // is no less another program's.
    constexpr QDir::Filters everything = QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System;
    const QFileInfoList inside = QDir(entry->folder).entryInfoList(everything);
    *kept = !entry->unlistable.isEmpty() || !std::all_of(inside.begin(), inside.end(), [&](const QFileInfo& info) {
        if (info.fileName() == infoFile) return true;
        return (info.fileName() == eventsFolder || info.fileName() == tasksFolder) && info.isDir() && !info.isSymLink()
               && QDir(info.filePath()).isEmpty(everything);
    });
    return *kept ? reportCalError(error, CalError::none()) : removeCalendarLocked(*entry, error);
}

bool CalCalendarStore::removeCalendarLocked(const CalendarEntry& entry, CalError* error)
{
    // The removal takes symbolic links inside away as links, never what they name.
    if (refusesLinkedPathLocked(entry.folder, error)) return false;
    for (const FileEntry& file : std::as_const(entry.events)) rememberNameLocked(file, false);
    for (const FileEntry& file : std::as_const(entry.tasks)) rememberNameLocked(file, true);
    if (!QDir(entry.folder).removeRecursively())
        return reportCalError(error, CalError::make(CalError::Code::WriteFailed,
                                                    QStringLiteral("cannot remove ") + entry.folder));
    const QString folder = entry.folder;
    m_index->calendars.removeIf([&folder](const CalendarEntry& e) { return e.folder == folder; });
    resolveDuplicatesLocked(m_index.get());
    return reportCalError(error, CalError::none());
}

int CalCalendarStore::removeUnfinishedCalendars()
{
    // Under the lock: no calendar of this process is being made meanwhile.
    std::lock_guard lock(m_mutex);
    int removed = 0;
    const QString staged = calendarSuffix + QStringLiteral(".part");
    for (const QFileInfo& info : QDir(m_root).entryInfoList({QLatin1Char('*') + staged},
                                                             QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System)) {
        if (info.isSymLink() || !info.isDir()) continue;
        if (QDir(info.filePath()).removeRecursively())
            ++removed;
        else
            qWarning().noquote() << "Calendar store: the unfinished calendar" << info.filePath() << "could not be removed";
    }
    return removed;
}

bool CalCalendarStore::refusesWritesLocked(const CalendarEntry* calendar, CalError* error, const QString& what) const
{
    if (!calendar)
        return !reportCalError(error, CalError::make(CalError::Code::Refused,
                                                     QStringLiteral("the %1 has no calendar of the store").arg(what)));
    if (calendar->calendar.m_editable && QFileInfo(calendar->folder).isWritable()) return false;
    return !reportCalError(error, CalError::make(CalError::Code::Refused,
                                                 QStringLiteral("the calendar %1 is not editable").arg(calendar->calendar.m_uid)));
}

// Another program may have written a file since the store last read it
// (the watcher reports it a moment later). Before a write over it, its
// version is taken into the index and reported as the watcher would have,
// so the organizer imports it; true when that happened. The file entry is
// read anew: pointers into the calendar's file list do not survive.
bool CalCalendarStore::takeInOutsideChangeLocked(CalendarEntry* calendar, bool tasks, const FileEntry& file,
                                                 const QByteArray& currentBytes)
{
    if (file.size == currentBytes.size() && file.fingerprint == fingerprint(currentBytes)) return false;
    const QString uid = file.uid;
    const QString path = file.path;
    reindexFileLocked(calendar, tasks, path);
    Changes changes;
    (tasks ? changes.tasks : changes.events)[1] << uid;
    qInfo().noquote() << "Calendar store:" << path << "was changed outside since it was read; that version is kept under this write";
    postChanges(changes);
    return true;
}

namespace {

bool sameStoreInstant(const Date& a, const Date& b)
{
    return a.wholeSecondsSince1970() == b.wholeSecondsSince1970() && bool(a) == bool(b);
}

// The component of a file a write to that occurrence (null: the series) changes.
const ICalEventData* componentWrittenAt(const ICalEventFileData& file, const Date& occurrence)
{
    if (occurrence)
        for (const ICalEventData& changed : file.overrides)
            if (sameStoreInstant(changed.recurrenceId, occurrence)) return &changed;
    return file.master ? &*file.master : nullptr;
}

// The same, of what the index kept of a file without its VEVENTs.
const CalCalendarStore::EventDigest* componentWrittenAt(const QList<CalCalendarStore::EventDigest>& file,
                                                        const Date& occurrence)
{
    if (occurrence)
        for (const CalCalendarStore::EventDigest& changed : file)
            if (changed.recurrenceId && sameStoreInstant(changed.recurrenceId, occurrence)) return &changed;
    for (const CalCalendarStore::EventDigest& master : file)
        if (!master.recurrenceId) return &master;
    return nullptr;
}

bool sameText(const QString& ours, const QString& lastRead)
{
    return ours == lastRead;
}

bool sameText(const QString& ours, size_t lastRead)
{
    return textDigest(ours) == lastRead;
}

// A file kept without its VEVENTs repeats by no rule.
bool sameRule(const std::optional<CalRecurrenceRule>& ours, const CalCalendarStore::EventDigest&)
{
    return !ours;
}

bool sameRule(const std::optional<CalRecurrenceRule>& ours, const ICalEventData& lastRead)
{
    return ours == lastRead.rule;
}

// The organizer's change on top of another program's: a field the event
// still carries as the store last read it was not changed here, so the
// other program's value stays. withTimes: the times and the rule too (a
// write of the series itself). The last read is a VEVENT or its digest.
template <class LastRead>
ICalEventFields mergedOntoOutside(ICalEventFields ours, const LastRead& lastRead, const ICalEventData& now,
                                  bool withTimes)
{
    if (sameText(ours.title, lastRead.title)) ours.title = now.title;
    if (sameText(ours.location, lastRead.location)) ours.location = now.location;
    if (sameText(ours.notes, lastRead.notes)) ours.notes = now.notes;
    if (sameText(ours.url, lastRead.url)) ours.url = now.url;
    if (!withTimes) return ours;
    if (sameStoreInstant(ours.start, lastRead.start) && sameStoreInstant(ours.end, lastRead.end) && ours.allDay == lastRead.allDay
        && sameText(ours.timeZone, lastRead.timeZone)) {
        ours.start = now.start;
        ours.end = now.end;
        ours.allDay = now.allDay;
        ours.timeZone = now.timeZone;
    }
    if (sameRule(ours.rule, lastRead)) ours.rule = now.rule;
    return ours;
}

ICalTaskData mergedOntoOutside(ICalTaskData ours, const ICalTaskData& lastRead, const ICalTaskData& now)
{
    if (ours.title == lastRead.title) ours.title = now.title;
    if (ours.notes == lastRead.notes) ours.notes = now.notes;
    if (ours.url == lastRead.url) ours.url = now.url;
    if (sameStoreInstant(ours.due, lastRead.due)) ours.due = now.due;
    if (ours.completed == lastRead.completed && sameStoreInstant(ours.completedDate, lastRead.completedDate)) {
        ours.completed = now.completed;
        ours.completedDate = now.completedDate;
    }
    return ours;
}

ICalEventFields fieldsOf(const CalEvent& event)
{
    ICalEventFields fields;
    fields.title = event.title();
    fields.location = event.location();
    fields.notes = event.notes();
    fields.url = event.url();
    fields.start = event.startDate();
    fields.end = event.endDate();
    fields.allDay = event.isAllDay();
    fields.timeZone = event.timeZone();
    fields.inUTC = event.inUTC();
    fields.rule = event.recurrenceRule();
    return fields;
}

}  // namespace

bool CalCalendarStore::nameIsTakenLocked(const CalendarEntry* calendar, const QString& uid) const
{
    struct stat existing {};
    const QString folder = calendar->folder + QLatin1Char('/') + eventsFolder;
    const QString path = folder + QLatin1Char('/') + newFileNameLocked(folder, false, uid);
    return ::lstat(QFile::encodeName(path).constData(), &existing) == 0;
}

QString CalCalendarStore::newFileNameLocked(const QString& folder, bool tasks, const QString& uid) const
{
    const QString former = m_removedNames[tasks ? 1 : 0].value(uid);
    struct stat existing {};
    if (!former.isEmpty() && ::lstat(QFile::encodeName(folder + QLatin1Char('/') + former).constData(), &existing) != 0)
        return former;
    return fileNameOf(uid);
}

void CalCalendarStore::rememberNameLocked(const FileEntry& file, bool tasks)
{
    const QString name = QFileInfo(file.path).fileName();
    if (file.usable() && !file.uid.isEmpty() && name != fileNameOf(file.uid))
        m_removedNames[tasks ? 1 : 0].insert(file.uid, name);
}

bool CalCalendarStore::forgetGoneFilesLocked(const QString& uid, bool tasks)
{
    bool forgot = false;
    for (auto location = tasks ? locateTaskLocked(uid) : locateEventLocked(uid); location;
         location = tasks ? locateTaskLocked(uid) : locateEventLocked(uid)) {
        const QString path = location->file->path;
        struct stat status {};
        if (::lstat(QFile::encodeName(path).constData(), &status) == 0 || errno != ENOENT) break;
        rememberNameLocked(*location->file, tasks);
        reindexFileLocked(location->calendar, tasks, path);
        forgot = true;
    }
    return forgot;
}

bool CalCalendarStore::saveEvent(const CalEventPtr& event, int span, CalError* error)
{
    if (!event) return reportCalError(error, CalError::make(CalError::Code::Refused, QStringLiteral("no event given")));
    std::lock_guard lock(m_mutex);
    ensureIndexedLocked();
    CalendarEntry* target = calendarEntryLocked(event->calendar() ? event->calendar()->uid() : QString());
    if (refusesWritesLocked(target, error, QStringLiteral("event"))) return false;
    if (!ICalendarFile::canWrite(event->startDate()) || (event->endDate() && !ICalendarFile::canWrite(event->endDate())))
        return reportCalError(error, CalError::make(CalError::Code::Refused,
                                                    QStringLiteral("the event has no start date, or a date beyond the year 3000")));
    ICalEventFields fields = fieldsOf(*event);
    const auto location = locateEventLocked(event->uid());

    // A new file of the uid: the fields alone, or over the rest of a series
    // split off (its properties, extra and deleted dates and changes kept).
    const auto createSeries = [&](const QString& uid, std::unique_ptr<ICalendarFile> document = nullptr) {
        if (!document) {
            document = ICalendarFile::newCalendar();
            document->writeMaster(uid, fields);
        }
        document->settleStartOnRule();
        const QString folder = target->folder + QLatin1Char('/') + eventsFolder;
        const QString path = folder + QLatin1Char('/') + newFileNameLocked(folder, false, uid);
        const QByteArray bytes = document->toBytes();
        if (!writeFileLocked(path, bytes, error)) return false;
        indexWrittenLocked(target, false, path, bytes, *document);
        event->m_uid = uid;
        event->m_occurrence = event->startDate();
        event->m_detached = false;
        return true;
    };
    if (!location) {
        // A uid the caller named is taken unless its file name is in use
        // (by a file the index could not read, say): that file is not ours.
        QString uid = event->uid();
        if (uid.isEmpty() || nameIsTakenLocked(target, uid)) uid = newUid();
        if (!createSeries(uid)) return false;
        return reportCalError(error, CalError::none());
    }
    CalendarEntry* source = location->calendar;
    if (source != target && refusesWritesLocked(source, error, QStringLiteral("event"))) return false;
    const QString uid = location->file->uid;
    const QString path = location->file->path;
    QString unread;
    const QByteArray currentBytes = readRegularFile(path, largestFile, &unread);
    auto document = unread.isEmpty() ? ICalendarFile::parse(currentBytes, uidWhenNoneOf(path)) : nullptr;
    if (!document)
        return reportCalError(error, CalError::make(CalError::Code::CannotRead, QStringLiteral("cannot read ") + path));
    document->setOwnUid(uid);
    const QByteArray unedited = event->m_fileStaysWhenAlike ? document->textWithoutStamps() : QByteArray();

    const Date occurrence = event->occurrence();
    const Date masterStart = document->masterStart();
    const std::shared_ptr<const ICalEventFileData> lastRead = location->file->events;
    const QList<EventDigest> lastDigests = location->file->digests;
    if (takeInOutsideChangeLocked(source, false, *location->file, currentBytes)) {
        QString problem;
        const auto now = ICalendarFile::readEvents(currentBytes, &problem, uidWhenNoneOf(path));
        const ICalEventData* before = lastRead ? componentWrittenAt(*lastRead, occurrence) : nullptr;
        const EventDigest* digest = lastRead ? nullptr : componentWrittenAt(lastDigests, occurrence);
        const ICalEventData* after = now ? componentWrittenAt(*now, occurrence) : nullptr;
        if ((!before && !digest) || !after || now->uid != uid)
            return reportCalError(error, CalError::make(CalError::Code::CannotRead,
                                                        QStringLiteral("changed outside and not readable: ") + path));
        // The times count only where the write sets them as they are (not
        // where a series is moved by an occurrence's shift).
        const bool withTimes = !document->masterRepeats() || !occurrence;
        fields = before ? mergedOntoOutside(fields, *before, *after, withTimes)
                        : mergedOntoOutside(fields, *digest, *after, withTimes);
    }
    if (span != CalSpanThisEvent)
        for (const Date& restored : event->m_restoredOccurrences) document->removeException(restored);
    const bool firstOccurrence = occurrence.wholeSecondsSince1970() == masterStart.wholeSecondsSince1970();
    // An event repeated by extra dates alone is, at its own date, the event itself.
    const bool repeats = document->masterRepeats() || (document->masterHasExtraDates() && !firstOccurrence);
    if (repeats && occurrence && span == CalSpanThisEvent) {
        document->writeOverride(uid, occurrence, fields);
    } else if (repeats && occurrence && span == CalSpanFutureEvents && !firstOccurrence) {
        // The series ends before this occurrence; the change goes on as a
        // new one with what the file says of the later occurrences, moved as
        // this one moved: extra and deleted dates, changes, and the
        // properties and alarms the organizer does not show.
        std::unique_ptr<ICalendarFile> rest = ICalendarFile::parse(currentBytes, uidWhenNoneOf(path));
        const QString restUid = event->m_splitRestUid.isEmpty() || nameIsTakenLocked(target, event->m_splitRestUid)
                                    ? newUid()
                                    : event->m_splitRestUid;
        if (rest) {
            rest->setOwnUid(uid);
            rest->removeOtherEvents();
            rest->keepExceptionsFrom(occurrence);
            rest->writeMaster(uid, fields);
            rest->shiftExceptions(fields.start.timeIntervalSinceDate(occurrence));
            rest->renameOwnEvents(restUid);
        }
        document->endSeriesBefore(occurrence);
        const QByteArray bytes = document->toBytes();
        if (!writeFileLocked(path, bytes, error)) return false;
        indexWrittenLocked(source, false, path, bytes, *document);
        if (!createSeries(restUid, std::move(rest))) return false;
        return reportCalError(error, CalError::none());
    } else if ((document->masterRepeats() || document->masterHasExtraDates()) && occurrence) {
        // The whole series moves by what this occurrence moved.
        const double shift = event->startDate().timeIntervalSinceDate(occurrence);
        ICalEventFields master = fields;
        master.start = masterStart.dateByAddingTimeInterval(shift);
        master.end = master.start.dateByAddingTimeInterval(fields.end ? fields.end.timeIntervalSinceDate(fields.start) : 0);
        document->writeMaster(uid, master);
        document->shiftExceptions(shift);
        document->settleStartOnRule();
    } else if (!document->hasMaster() && occurrence) {
        // A file of changed occurrences alone (an invitation to one
        // occurrence): the change is the event every reader shows, so it is
        // edited where it stands; a master made beside it would stay hidden
        // behind it.
        document->writeOverride(uid, occurrence, fields);
    } else {
        document->writeMaster(uid, fields);
        document->settleStartOnRule();
    }
    const QByteArray bytes = document->toBytes();
    if (source == target && !unedited.isEmpty() && document->textWithoutStamps() == unedited) {
        // Nothing to write.
    } else if (source == target) {
        if (!writeFileLocked(path, bytes, error)) return false;
        indexWrittenLocked(source, false, path, bytes, *document);
    } else {
        const QString moved = target->folder + QLatin1Char('/') + eventsFolder + QLatin1Char('/') + QFileInfo(path).fileName();
        // Events of other uids in the file stay where they are.
        std::unique_ptr<ICalendarFile> movedDocument;
        if (document->holdsOtherEvents() && (movedDocument = ICalendarFile::parse(bytes))) {
            movedDocument->setOwnUid(uid);
            movedDocument->removeOtherEvents();
            document->removeOwnEvents();
        }
        const QByteArray movedBytes = movedDocument ? movedDocument->toBytes() : bytes;
        if (!writeFileLocked(moved, movedBytes, error)) return false;
        const QByteArray left = movedDocument ? document->toBytes() : QByteArray();
        const bool removed = movedDocument ? writeFileLocked(path, left, error) : removeFileLocked(path, error);
        indexWrittenLocked(target, false, moved, movedBytes, movedDocument ? *movedDocument : *document);
        if (movedDocument && removed)
            indexWrittenLocked(source, false, path, left, *document);
        else
            reindexFileLocked(source, false, path);
        if (!removed) return false;
    }
    event->m_uid = uid;
    if (!occurrence) event->m_occurrence = event->startDate();
    return reportCalError(error, CalError::none());
}

// A new event's file as a group save builds, writes and indexes it.
struct CalCalendarStore::NewEventFile {
    qsizetype at = 0;  // the event's place in the call
    CalendarEntry* calendar = nullptr;
    int folderFd = -1;  // its folder, opened for the call
    QString uid;
    QString path;
    ICalEventFields fields;
    QString refused;  // a link on the way
    QString failed;   // why the write failed
    FileEntry entry;  // what the index keeps of the file written
    bool readBack = false;  // the document could not be read in memory: the file is read
    bool written() const { return refused.isEmpty() && failed.isEmpty(); }
};

namespace {

// A group of new files is built and written by up to this many threads
// beside the caller, one for every so many files.
constexpr qsizetype writeHelpers = 3;
constexpr qsizetype filesPerWriteHelper = 16;

}  // namespace

QList<CalError> CalCalendarStore::saveEvents(const CalEventList& events, int span)
{
    QList<CalError> results(events.size());
    std::lock_guard lock(m_mutex);
    ensureIndexedLocked();
    PendingWrites* pending = openBatchLocked();
    std::vector<NewEventFile> files;
    QSet<QString> taken;
    QHash<const CalendarEntry*, CalError> refusals;  // asked once per calendar
    struct OpenFolder {
        int fd = -1;
        QString problem;
        bool linked = false;
    };
    QHash<QString, OpenFolder> folders;
    for (qsizetype i = 0; i < events.size(); ++i) {
        const CalEventPtr& event = events[i];
        CalendarEntry* target = event ? calendarEntryLocked(event->calendar() ? event->calendar()->uid() : QString()) : nullptr;
        // Outside a batch each file is flushed on its own, an event the store
        // has is an edit, and what is refused says why: as saveEvent does.
        if (!pending || !target || locateEventLocked(event->uid()) || !ICalendarFile::canWrite(event->startDate())
            || (event->endDate() && !ICalendarFile::canWrite(event->endDate()))) {
            saveEvent(event, span, &results[i]);
            continue;
        }
        auto refusal = refusals.constFind(target);
        if (refusal == refusals.cend()) {
            CalError refused;
            refusesWritesLocked(target, &refused, QStringLiteral("event"));
            refusal = refusals.insert(target, refused);
        }
        if (!refusal->ok()) {
            results[i] = *refusal;
            continue;
        }
        const QString folder = target->folder + QLatin1Char('/') + eventsFolder;
        auto open = folders.find(folder);
        if (open == folders.end()) {
            // Its links are checked once, as it is opened; each file by its name in it.
            OpenFolder opened;
            opened.fd = openFolderUnderRoot(m_root, folder, &opened.problem, &opened.linked);
            open = folders.insert(folder, opened);
            openFilesystemOfLocked(folder, pending);
        }
        NewEventFile file;
        file.at = i;
        file.calendar = target;
        file.folderFd = open->fd;
        if (open->fd < 0) {
            (open->linked ? file.refused : file.failed) = open->problem;
            file.path = folder + QLatin1Char('/') + fileNameOf(event->uid());
            files.push_back(std::move(file));
            continue;
        }
        // A uid whose name another file holds on the disk gets a new one as
        // its file is linked in (no lookup of each name here, but of a name
        // a removed file of the uid had).
        QString uid = event->uid();
        QString path = folder + QLatin1Char('/') + newFileNameLocked(folder, false, uid);
        if (!uid.isEmpty() && taken.contains(path)) path = folder + QLatin1Char('/') + fileNameOf(uid);
        if (uid.isEmpty() || taken.contains(path)) {
            uid = newUid();
            path = folder + QLatin1Char('/') + fileNameOf(uid);
        }
        file.uid = uid;
        file.path = path;
        file.fields = fieldsOf(*event);
        taken.insert(file.path);
        files.push_back(std::move(file));
    }
    const auto closeFolders = qScopeGuard([&folders] {
        for (const OpenFolder& open : std::as_const(folders))
            if (open.fd >= 0) ::close(open.fd);
    });

    // Building the text and writing the file touch nothing of the store:
    // a few threads do it while this one holds the store.
    std::atomic<size_t> next{0};
    const auto buildAndWrite = [&] {
        for (size_t k = next.fetch_add(1); k < files.size(); k = next.fetch_add(1)) {
            NewEventFile& file = files[k];
            if (!file.written()) continue;
            std::unique_ptr<ICalendarFile> document;
            QByteArray bytes;
            struct stat written {};
            bool linked = false;
            QString problem;
            // A name taken on the disk: the event takes a new uid, and the
            // file is built again around it.
            for (int attempt = 0; attempt < 8; ++attempt) {
                if (attempt > 0) {
                    file.uid = newUid();
                    file.path = file.path.left(file.path.lastIndexOf(QLatin1Char('/')) + 1) + fileNameOf(file.uid);
                }
                document = ICalendarFile::newCalendar();
                document->writeMaster(file.uid, file.fields);
                document->settleStartOnRule();
                bytes = document->toBytes();
                if (bytes.size() > largestFile) {
                    problem = oversizeProblem(file.path);
                    linked = true;  // refused, as a write through a link is
                    break;
                }
                bool nameTaken = false;
                problem = writeBeside(file.folderFd, QFile::encodeName(QFileInfo(file.path).fileName()), bytes, &written,
                                      &linked, true, &nameTaken);
                if (!nameTaken) break;
            }
            (linked ? file.refused : file.failed) = problem;
            if (!problem.isEmpty()) continue;
            FileEntry& entry = file.entry;
            entry.path = file.path;
            entry.size = bytes.size();
            entry.modified = qint64(written.st_mtim.tv_sec) * 1000 + written.st_mtim.tv_nsec / 1000000;
            entry.fingerprint = fingerprint(bytes);
            QString unread;
            auto data = document->events(&unread);
            file.readBack = !data || data->uid.isEmpty() || !unread.isEmpty();
            if (file.readBack) continue;
            holdEvents(&entry, std::move(*data));
        }
    };
    const qsizetype helpers = std::min({writeHelpers, usableCores() - 1, qsizetype(files.size()) / filesPerWriteHelper});
    std::vector<std::thread> threads = startCalStoreHelpers(helpers, buildAndWrite, "writing");
    buildAndWrite();
    for (std::thread& thread : threads) thread.join();

    for (NewEventFile& file : files) {
        CalError& result = results[file.at];
        if (!file.refused.isEmpty()) {
            logOnceLocked(file.path, file.refused);
            result = CalError::make(CalError::Code::Refused, file.path + QStringLiteral(": ") + file.refused);
            continue;
        }
        if (!file.failed.isEmpty()) {
            result = CalError::make(CalError::Code::WriteFailed, QStringLiteral("cannot write %1: %2").arg(file.path, file.failed));
            continue;
        }
        pending->files.insert(file.path);
        pending->folders.insert(QFileInfo(file.path).absolutePath());
        const CalEventPtr& event = events[file.at];
        event->m_uid = file.uid;
        event->m_occurrence = event->startDate();
        event->m_detached = false;
        result = CalError::none();
    }
    indexNewEventFilesLocked(files);
    return results;
}

// The files of a group save join their calendars' lists at once, sorted
// and merged in one pass: one sorted insert each moved the list's tail
// every time, which grew with the square of the calendar's files.
void CalCalendarStore::indexNewEventFilesLocked(std::vector<NewEventFile>& files)
{
    const auto byPath = [](const FileEntry& a, const FileEntry& b) { return a.path < b.path; };
    QHash<CalendarEntry*, QList<FileEntry>> joining;
    for (NewEventFile& file : files) {
        if (!file.written()) continue;
        QList<FileEntry>& list = file.calendar->events;
        const auto at = std::lower_bound(list.begin(), list.end(), file.path,
                                         [](const FileEntry& f, const QString& p) { return f.path < p; });
        // A path the index knows already (a file gone meanwhile) is replaced
        // in place; one the document cannot say is read from the disk.
        if (file.readBack)
            reindexFileLocked(file.calendar, false, file.path);
        else if (at != list.end() && at->path == file.path)
            reindexFileLocked(file.calendar, false, file.path, &file.entry);
        else
            joining[file.calendar].append(std::move(file.entry));
    }
    QHash<QString, int>& counts = m_index->filesOfUid[0];
    QHash<QString, CalStorePath>& counting = m_index->fileOfUid[0];
    bool shared = false;
    for (auto it = joining.begin(); it != joining.end(); ++it) {
        QList<FileEntry>& list = it.key()->events;
        const qsizetype before = list.size();
        std::sort(it->begin(), it->end(), byPath);
        list.reserve(before + it->size());
        for (FileEntry& entry : *it) {
            entry.duplicate = false;
            if (++counts[entry.uid] == 1)
                counting.insert(entry.uid, entry.path);
            else
                shared = true;
            list.append(std::move(entry));
        }
        std::inplace_merge(list.begin(), list.begin() + before, list.end(), byPath);
    }
    // A uid that another file holds too: which one counts is settled anew.
    if (shared) resolveDuplicatesLocked(m_index.get());
}

bool CalCalendarStore::removeEvent(const CalEventPtr& event, int span, CalError* error)
{
    if (!event) return reportCalError(error, CalError::make(CalError::Code::Refused, QStringLiteral("no event given")));
    std::lock_guard lock(m_mutex);
    // A file another program removed before the watch told is what the
    // removal asked for; answering that it cannot be read would leave its
    // uid indexed, and a restore writing the event back would take a new one.
    // Another file the index now finds for the uid was not the one meant.
    if (forgetGoneFilesLocked(event->uid(), false)) return reportCalError(error, CalError::none());
    const auto location = locateWritableLocked(event->uid(), false, error);
    if (!location) return false;
    CalendarEntry* calendar = location->calendar;
    const QString path = location->file->path;
    QString unread;
    const QByteArray currentBytes = readRegularFile(path, largestFile, &unread);
    auto document = unread.isEmpty() ? ICalendarFile::parse(currentBytes, uidWhenNoneOf(path)) : nullptr;
    if (!document)
        return reportCalError(error, CalError::make(CalError::Code::CannotRead, QStringLiteral("cannot read ") + path));
    document->setOwnUid(location->file->uid);
    const FileEntry lastRead = *location->file;
    const Date occurrence = event->occurrence();
    const bool firstOccurrence =
        occurrence.wholeSecondsSince1970() == document->masterStart().wholeSecondsSince1970();
    // An event repeated by extra dates alone is, at its own date, the event itself.
    const bool repeats = document->masterRepeats() || (document->masterHasExtraDates() && !firstOccurrence);
    const bool wholeFile = !repeats || !occurrence || span == CalSpanAllEvents
                           || (span == CalSpanFutureEvents && firstOccurrence);
    // A file that holds events of other uids as well loses only this one's.
    if (wholeFile && !document->holdsOtherEvents()) {
        rememberNameLocked(lastRead, false);
        const bool removed = removeFileLocked(path, error);
        reindexFileLocked(calendar, false, path);
        return removed && reportCalError(error, CalError::none());
    }
    // What another program wrote since stays (the removal edits the file as
    // it is now) and is reported.
    takeInOutsideChangeLocked(calendar, false, lastRead, currentBytes);
    if (wholeFile)
        document->removeOwnEvents();
    else if (span == CalSpanFutureEvents)
        document->endSeriesBefore(occurrence);
    else
        document->addExceptionDate(occurrence);
    const QByteArray bytes = document->toBytes();
    if (!writeFileLocked(path, bytes, error)) return false;
    indexWrittenLocked(calendar, false, path, bytes, *document);
    return reportCalError(error, CalError::none());
}

bool CalCalendarStore::saveTask(const CalTaskPtr& task, CalError* error)
{
    if (!task) return reportCalError(error, CalError::make(CalError::Code::Refused, QStringLiteral("no task given")));
    std::lock_guard lock(m_mutex);
    ensureIndexedLocked();
    CalendarEntry* target = calendarEntryLocked(task->calendar() ? task->calendar()->uid() : QString());
    if (refusesWritesLocked(target, error, QStringLiteral("task"))) return false;
    for (const Date& date : {task->dueDate(), task->completedDate()})
        if (date && !ICalendarFile::canWrite(date))
            return reportCalError(error, CalError::make(CalError::Code::Refused, QStringLiteral("a date beyond the year 3000")));
    ICalTaskData data;
    data.title = task->title();
    data.notes = task->notes();
    data.url = task->url();
    data.due = task->dueDate();
    data.completed = task->isCompleted();
    data.completedDate = task->completedDate();

    const auto location = locateTaskLocked(task->uid());
    CalendarEntry* source = location ? location->calendar : nullptr;
    if (source && source != target && refusesWritesLocked(source, error, QStringLiteral("task"))) return false;
    QString uid = location ? location->file->uid : task->uid();
    const QString folder = target->folder + QLatin1Char('/') + tasksFolder;
    struct stat existing {};
    if (uid.isEmpty()
        || (!location
            && ::lstat(QFile::encodeName(folder + QLatin1Char('/') + newFileNameLocked(folder, true, uid)).constData(),
                       &existing) == 0))
        uid = newUid();
    const QString oldPath = location ? location->file->path.toString() : QString();
    std::unique_ptr<ICalendarFile> document;
    if (location) {
        QString unread;
        const QByteArray currentBytes = readRegularFile(oldPath, largestFile, &unread);
        document = unread.isEmpty() ? ICalendarFile::parse(currentBytes) : nullptr;
        if (!document)
            return reportCalError(error, CalError::make(CalError::Code::CannotRead, QStringLiteral("cannot read ") + oldPath));
        const std::shared_ptr<const ICalTaskData> lastRead = location->file->task;
        if (takeInOutsideChangeLocked(source, true, *location->file, currentBytes)) {
            QString problem;
            const auto now = ICalendarFile::readTask(currentBytes, &problem);
            if (!lastRead || !now || now->uid != uid)
                return reportCalError(error, CalError::make(CalError::Code::CannotRead,
                                                            QStringLiteral("changed outside and not readable: ") + oldPath));
            data = mergedOntoOutside(data, *lastRead, *now);
        }
    } else {
        document = ICalendarFile::newCalendar();
    }
    const QByteArray unedited = location && task->m_fileStaysWhenAlike ? document->textWithoutStamps() : QByteArray();
    document->writeTask(uid, data);
    if (source == target && !unedited.isEmpty() && document->textWithoutStamps() == unedited) {
        task->m_uid = uid;
        return reportCalError(error, CalError::none());
    }
    const QString fileName = location ? QFileInfo(oldPath).fileName() : newFileNameLocked(folder, true, uid);
    const QString path = folder + QLatin1Char('/') + fileName;
    const QByteArray bytes = document->toBytes();
    if (!writeFileLocked(path, bytes, error)) return false;
    bool removed = true;
    if (source && source != target) {
        removed = removeFileLocked(oldPath, error);
        reindexFileLocked(source, true, oldPath);
    }
    indexWrittenLocked(target, true, path, bytes, *document);
    task->m_uid = uid;
    return removed && reportCalError(error, CalError::none());
}

bool CalCalendarStore::removeTask(const CalTaskPtr& task, CalError* error)
{
    if (!task) return reportCalError(error, CalError::make(CalError::Code::Refused, QStringLiteral("no task given")));
    std::lock_guard lock(m_mutex);
    const auto location = locateWritableLocked(task->uid(), true, error);
    if (!location) return false;
    CalendarEntry* calendar = location->calendar;
    const QString path = location->file->path;
    rememberNameLocked(*location->file, true);
    const bool removed = removeFileLocked(path, error);
    reindexFileLocked(calendar, true, path);
    return removed && reportCalError(error, CalError::none());
}
