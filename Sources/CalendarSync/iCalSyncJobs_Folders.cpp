// The store's calendar folders, the kinds of items a calendar holds, and the
// deleted and changed occurrences of an event read from its event file.
#include "iCalSyncJobs.h"

#include "ICalendarFile.h"
#include "PropertyList.h"
#include "Utilities.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <mutex>

#include <sys/stat.h>

namespace {

const QString calendarSuffix = QStringLiteral("calendar");

// Every entry below the folder, depth first, each folder's entries by name:
// the same order on every run. Symbolic links are not followed.
void listRecursively(const QString& folder, const QString& relative, QStringList* entries)
{
    const QFileInfoList infos = QDir(folder).entryInfoList(
        QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::NoSymLinks, QDir::Name);
    for (const QFileInfo& info : infos) {
        const QString path = relative.isEmpty() ? info.fileName() : relative + QLatin1Char('/') + info.fileName();
        *entries << path;
        if (info.isDir()) listRecursively(info.filePath(), path, entries);
    }
}

// The folders below the folder, in the same order, without the insides of
// the Events and Tasks folders of a calendar: they hold thousands of item
// files and no calendar.
void listFoldersRecursively(const QString& folder, const QString& relative, QStringList* entries)
{
    const bool calendar = QFileInfo(folder).suffix() == calendarSuffix;
    const QFileInfoList infos =
        QDir(folder).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::NoSymLinks, QDir::Name);
    for (const QFileInfo& info : infos) {
        const QString path = relative.isEmpty() ? info.fileName() : relative + QLatin1Char('/') + info.fileName();
        *entries << path;
        if (calendar && (info.fileName() == QLatin1String("Events") || info.fileName() == QLatin1String("Tasks")))
            continue;
        listFoldersRecursively(info.filePath(), path, entries);
    }
}

QStringList recursiveListing(const QString& folder)
{
    QStringList entries;
    listRecursively(folder, QString(), &entries);
    return entries;
}

// The dates an event file gives, or nothing (logged) when it cannot be read.
// Read as the store reads its files: another program may leave a link, a
// FIFO or a device under an event file's name, and an event without UID is
// the one of the file's name.
std::optional<ICalExceptionTexts> readEventFile(const CalCalendarStore& store, const QString& path)
{
    const std::optional<QByteArray> bytes = store.readStoreFile(path, CalCalendarStore::StoreFile::Item);
    if (!bytes) return std::nullopt;
    QString problem;
    auto texts = ICalendarFile::readExceptionTexts(*bytes, &problem, ICalendarFile::uidWhenNoneOf(path));
    if (!texts) qWarning().noquote() << "Calendar event file" << path << "gives no dates:" << problem;
    return texts;
}

QString withoutDots(QString uid)
{
    return uid.remove(QLatin1Char('.'));
}

// The file the store's index holds for a uid, while it is still there: the
// index learns of another program's moves a moment later, and until then
// the file is looked for by name.
QString indexedEventFile(const CalCalendarStore& store, const QString& uid)
{
    const QString path = store.eventFilePath(uid);
    return !path.isEmpty() && QFileInfo::exists(path) ? path : QString();
}

}  // namespace

iCalSyncJobs::FolderMap iCalSyncJobs::findDirectoryOfCalendar(const CalCalendarList& calendars) const
{
    FolderMap map;
    const QString root = m_iCalStore ? m_iCalStore->rootPath() : QString();
    if (root.isEmpty()) return map;
    QStringList folders;
    if (QFileInfo(root).isDir()) {
        QStringList entries;
        listFoldersRecursively(root, QString(), &entries);
        for (const QString& entry : std::as_const(entries))
            if (QFileInfo(entry).suffix() == calendarSuffix) folders << entry;
    }
    for (const CalCalendarPtr& calendar : calendars) {
        if (!calendar) continue;
        const QString uid = calendar->uid();
        QString found;
        // The uid is looked for below the root only: a root whose own path
        // holds a uid must not make every folder that calendar's.
        if (!uid.isEmpty())
            for (const QString& folder : folders)
                if (folder.contains(uid)) found = root + QLatin1Char('/') + folder;
        map.insert(uid, found);
    }
    for (const CalCalendarPtr& calendar : calendars) {
        if (!calendar) continue;
        const QString folder = map.value(calendar->uid());
        map.insert(calendar->uid(), QStringLiteral("%1|%2").arg(folder).arg(getICalTypeOfCalendarUID(calendar->uid(), folder)));
    }
    return map;
}

qint64 iCalSyncJobs::getICalTypeOfCalendarUID(const QString& /*uid*/, const QString& resultFolder) const
{
    if (!syncEnabled() || resultFolder.isEmpty() || !m_iCalStore) return 0;
    // Opened as the store opens it: an Info.plist that is a FIFO, a device
    // or a link must neither hold the start nor be read without end.
    const std::optional<QByteArray> bytes =
        m_iCalStore->readStoreFile(resultFolder + QStringLiteral("/Info.plist"), CalCalendarStore::StoreFile::CalendarInfo);
    if (!bytes) return 0;
    const PropertyList::Result read = PropertyList::fromData(*bytes);
    if (!read.ok()) return 0;
    const QVariantMap info = read.value.toMap();
    const auto nonZero = [&](const QString& key) {
        const QVariant value = info.value(key);
        return value.isValid() && value.toLongLong() != 0;
    };
    const qint64 tasks = nonZero(QStringLiteral("TaskContainer")) ? 1 : 0;
    return nonZero(QStringLiteral("EventContainer")) ? 2 + tasks : tasks;
}

iCalSyncJobs::FolderMap iCalSyncJobs::getICalCalendarDirectory() const
{
    const CalCalendarList calendars = m_iCalStore->calendars();
    FolderMap map = findDirectoryOfCalendar(calendars);
    for (const CalCalendarPtr& calendar : calendars)
        if (calendar && !calendar->isEditable() && !calendar->uid().isEmpty()) map.remove(calendar->uid());
    return map;
}

iCalSyncJobs::FileStamp iCalSyncJobs::eventFileStamp(const QString& uid) const
{
    FileStamp stamp;
    const QString path = m_iCalStore ? m_iCalStore->eventFilePath(uid) : QString();
    struct stat status {};
    if (path.isEmpty() || ::lstat(QFile::encodeName(path).constData(), &status) != 0) return stamp;
    stamp.path = path;
    stamp.device = quint64(status.st_dev);
    stamp.inode = quint64(status.st_ino);
    stamp.size = qint64(status.st_size);
    stamp.modified = qint64(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec;
    stamp.changed = qint64(status.st_ctim.tv_sec) * 1000000000 + status.st_ctim.tv_nsec;
    return stamp;
}

CalEventList iCalSyncJobs::getICalEventInfo(const QString& uid, const QString& inDirectory, QList<Date>* exceptList,
                                            Date* startTime, Date* endTime) const
{
    CalEventList result;
    if (!syncEnabled() || uid.isEmpty()) return result;
    // The store's own index knows the file of a uid whatever its name;
    // the name the store gives its own files is the fallback.
    QString path = indexedEventFile(*m_iCalStore, uid);
    if (path.isEmpty() && !inDirectory.isEmpty())
        path = QStringLiteral("%1/Events/%2.ics").arg(inDirectory, withoutDots(uid));
    const std::optional<ICalExceptionTexts> texts = readEventFile(*m_iCalStore, path);

    Date seriesStart;
    QList<Date> deleted;
    QList<PairOfDate> pairs;
    if (texts) {
        seriesStart = Utilities::dateFromString(texts->masterStart);
        for (const QString& text : texts->exceptionDates)
            if (const Date date = Utilities::dateFromString(text)) deleted << date;
        for (const ICalExceptionTexts::Changed& changed : texts->changed)
            pairs << PairOfDate(Utilities::dateFromString(changed.start), Utilities::dateFromString(changed.recurrenceId));
    }
    if (exceptList) *exceptList += deleted;

    CalEventList changedEvents;
    for (const CalEventPtr& event : getIEventsWithUID(uid, pairs))
        if (event) changedEvents << event;
    result = changedEvents;
    if (startTime) *startTime = seriesStart;
    if (!seriesStart) return result;

    // The occurrences the organizer's own repetition cannot give come as
    // changed ones: the file's extra dates (RDATE), those a change moved
    // with it (RANGE=THISANDFUTURE), and every occurrence of a daily to
    // yearly rule the organizer cannot hold (its root then a one-off, the
    // file's rule kept), these up to the end of the sync window.
    const auto withOccurrencesOutsideTheRule = [&](CalEventList parts) {
        if (parts.isEmpty()) return parts;
        const CalEventPtr root = parts.first();
        const bool carried = std::any_of(parts.cbegin(), parts.cend(), [](const CalEventPtr& e) { return e->carriesOn(); });
        const auto& rule = root->recurrenceRule();
        const bool unheld = rule && rule->recurrenceType() == CalRecurrenceRule::Other
                            && rule->otherFrequency() != CalRecurrenceRule::Other;
        if (root->recurrenceDates().isEmpty() && !carried && !unheld) return parts;
        if (unheld) {
            static std::mutex mutex;
            static QSet<QString> told;
            std::lock_guard lock(mutex);
            if (!told.contains(uid)) {
                told.insert(uid);
                qInfo().noquote() << "Calendar store: the rule of event" << uid
                                  << "is none the organizer can hold; its occurrences are shown one by one, the file's rule is kept";
            }
        }
        Date to = getSyncWindowDate(false);
        for (const Date& date : root->recurrenceDates())
            if (!to || date > to) to = date;
        QSet<qint64> extra;
        for (const Date& date : root->recurrenceDates()) extra.insert(date.wholeSecondsSince1970());
        CalError error;
        const CalCalendarList calendars = m_iCalStore->calendars(&error);
        const CalEventList found =
            error.ok() ? m_iCalStore->eventsWithPredicate(
                             CalCalendarStore::eventPredicateWithStartDate(seriesStart, to, uid, calendars), &error)
                       : CalEventList();
        if (!error.ok()) {
            qWarning().noquote() << "The extra and moved occurrences of event" << uid << "could not be read:" << error.text;
            return parts;
        }
        for (const CalEventPtr& event : found) {
            if (event->isDetached() || event->occurrence().wholeSecondsSince1970() == root->occurrence().wholeSecondsSince1970())
                continue;
            if (!unheld && !extra.contains(event->occurrence().wholeSecondsSince1970())
                && event->startDate().wholeSecondsSince1970() == event->occurrence().wholeSecondsSince1970())
                continue;
            // Mapped as a changed occurrence is: without the series' rule.
            auto occurrence = std::make_shared<CalEvent>(*event);
            occurrence->setRecurrenceRule(std::nullopt);
            parts << occurrence;
        }
        return parts;
    };

    const auto putRootFirst = [&]() {
        if (CalEventPtr root = getIEventWithUID(uid, seriesStart, seriesStart)) {
            result.prepend(root);
            if (endTime) *endTime = findEndDateForIEvent(*root, seriesStart);
        }
    };
    if (pairs.isEmpty() && deleted.isEmpty()) {
        putRootFirst();
        return withOccurrencesOutsideTheRule(std::move(result));
    }
    QList<Date> moved = deleted;
    for (const CalEventPtr& event : changedEvents)
        moved << (event->isAllDay() ? Utilities::compareTime(event->occurrence(), 0, 0) : event->occurrence());
    if (!moved.contains(seriesStart)) {
        putRootFirst();
        return withOccurrencesOutsideTheRule(std::move(result));
    }
    // The series' own first occurrence was deleted or moved: the next
    // ordinary occurrence stands in for it.
    const std::optional<CalEventList> all = getICalEventsWithEventUIDList({uid});
    if (!all || all->isEmpty()) return result;
    const CalEventPtr first = all->first();
    const Date end = findEndDateForIEvent(*first, seriesStart);
    if (endTime) *endTime = end;
    const CalEventPtr next = findNextRootForIEvent(*first, seriesStart, end);
    result.prepend(next ? next : first);
    return withOccurrencesOutsideTheRule(std::move(result));
}

CalEventPtr iCalSyncJobs::getICalEvent(const QString& uid, const Date& occurrenceDate) const
{
    if (uid.isEmpty() || !m_iCalStore || m_iCalStore->rootPath().isEmpty()) return nullptr;
    const QString root = m_iCalStore->rootPath();
    QString path = indexedEventFile(*m_iCalStore, uid);
    if (path.isEmpty()) {
        const QString found = scanPath(root, withoutDots(uid) + QStringLiteral(".ics"));
        if (found.isEmpty()) return nullptr;
        path = root + QLatin1Char('/') + found;
    }
    const std::optional<ICalExceptionTexts> texts = readEventFile(*m_iCalStore, path);
    if (!texts) return nullptr;
    for (const ICalExceptionTexts::Changed& changed : texts->changed) {
        const PairOfDate pair(Utilities::dateFromString(changed.start), Utilities::dateFromString(changed.recurrenceId));
        if (pair.occurrenceDate() && pair.occurrenceDate() == occurrenceDate)
            return getIEventWithUID(uid, pair.startDate(), pair.occurrenceDate());
    }
    return nullptr;
}

QString iCalSyncJobs::scanPath(const QString& path, const QString& toFindFile) const
{
    const QFileInfo info(path);
    if (!info.isDir()) return info.fileName() == toFindFile ? QStringLiteral("YES") : QString();
    if (toFindFile.isEmpty()) return QString();
    for (const QString& entry : recursiveListing(path)) {
        if (!entry.contains(toFindFile)) continue;
        if (QFileInfo(entry).fileName() == toFindFile && !QFileInfo(path + QLatin1Char('/') + entry).isDir())
            return entry;
    }
    return QString();
}
