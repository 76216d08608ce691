// The index of the store's calendars and files: the scans that make it, the
// reads and parses of the files, the uids and where they are, and the
// entries of the files the store has just written.
#include "CalCalendarStore.h"

#include "CalCalendarStoreShared.h"
#include "ICalendarFile.h"
#include "MainQueue.h"
#include "PropertyList.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include <malloc.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

qint64 modificationOf(const QFileInfo& info)
{
    return info.lastModified().toMSecsSinceEpoch();
}

// Files of a listing are read and parsed by up to this many threads, one for
// every so many files.
constexpr qsizetype readHelpers = 7;
constexpr qsizetype filesPerReadHelper = 64;

// A file cut short (by a full disk, or a copy that stopped) still parses as
// far as it goes; it is refused rather than read as less than it held.
bool endsItsCalendar(const QByteArray& bytes)
{
    const QByteArray last = bytes.trimmed();
    const qsizetype start = last.lastIndexOf('\n') + 1;
    return last.mid(start).trimmed().compare("END:VCALENDAR", Qt::CaseInsensitive) == 0;
}

// Whether the text never began a calendar: no BEGIN:VCALENDAR in it, nor
// its first letters alone (a rewrite in place stopped within that line).
// Such a file (a bare VEVENT, text that is no calendar) is no write in
// progress, so it keeps back no delete of its calendar's other files.
bool beginsNoCalendar(const QByteArray& bytes)
{
    QByteArray text = bytes.trimmed();
    constexpr QByteArrayView byteOrderMark("\xEF\xBB\xBF");
    if (byteOrderMark.startsWith(text)) return false;
    if (text.startsWith(byteOrderMark)) text = text.mid(3).trimmed();
    constexpr QByteArrayView begin("BEGIN:VCALENDAR");
    if (text.size() < begin.size() && begin.first(text.size()).compare(text, Qt::CaseInsensitive) == 0)
        return false;
    return !text.toUpper().contains(begin);
}

// A reader of the background index yields to the program's other threads
// (a tenth of their share where they compete), but is not starved on a
// busy machine as the idle class would be.
void readAtLowerPriority()
{
    if (::setpriority(PRIO_PROCESS, id_t(::gettid()), 10) != 0)
        qWarning() << "Calendar store: a reader's priority could not be lowered:" << systemError(errno);
}

}  // namespace

void CalCalendarStore::logOnceLocked(const QString& path, const QString& problem) const
{
    const QString key = path + QLatin1Char('\n') + problem;
    if (m_logged.contains(key)) return;
    m_logged.insert(key);
    qWarning().noquote() << "Calendar store:" << path << "-" << problem;
}

void CalCalendarStore::indexInBackground(std::function<void()> whenIndexed)
{
    std::weak_ptr<CalCalendarStore> weak = weak_from_this();
    storeWorker().async([weak, queuedAt = backgroundStops().load(), whenIndexed = std::move(whenIndexed)] {
        const auto store = weak.lock();
        if (!store) return;
        const BackgroundJob job(queuedAt);
        if (backgroundJobStopped()) return;
        {
            std::lock_guard lock(store->m_mutex);
            if (!store->m_index) {  // else a query was first
                // Its listing too at the readers' lower priority, on a
                // thread of its own: the worker's stays as it is.
                const auto index = [&] {
                    const BackgroundJob lowered(queuedAt);
                    readAtLowerPriority();
                    store->ensureIndexedLocked();
                };
                std::vector<std::thread> lister = startCalStoreHelpers(1, index, "listing");
                if (lister.empty()) store->ensureIndexedLocked();
                for (std::thread& thread : lister) thread.join();
                if (!store->m_index) return;  // stopped: the next query indexes
                // What the readers parsed and dropped stays in their heaps:
                // it goes back to the system (tens of MB in a large store).
                malloc_trim(0);
                // What other programs change between this listing and the
                // start of the watching is found by one rescan once the
                // watches are set.
                store->m_rescanWhenWatched = true;
            }
        }
        if (whenIndexed) MainQueue::async(whenIndexed);
    });
}

bool CalCalendarStore::stopBackgroundWork(std::chrono::milliseconds limit)
{
    ++backgroundStops();
    return storeWorker().waitUntilIdle(limit);
}

void CalCalendarStore::ensureIndexedLocked() const
{
    if (m_index) return;
    auto index = std::make_unique<Index>();
    scanRootLocked(index.get(), nullptr, true, {}, {});
    // A background index stopped half way keeps nothing of what it read.
    if (backgroundJobStopped()) return;
    m_index = std::move(index);
    if (!m_watchRequested) {
        m_watchRequested = true;
        std::weak_ptr<const CalCalendarStore> weak = weak_from_this();
        MainQueue::async([weak] {
            if (auto store = std::const_pointer_cast<CalCalendarStore>(weak.lock())) store->startWatching();
        });
    }
}

void CalCalendarStore::scanRootLocked(Index* index, const Index* previous, bool relist,
                                      const QSet<QString>& dirtyCalendars, const QSet<QString>& rereadFiles) const
{
    QStringList folders;
    if (relist || !previous) {
        const QDir root(m_root);
        index->rootListable = root.exists() && QFileInfo(m_root).isReadable();
        if (!index->rootListable) logOnceLocked(m_root, QStringLiteral("the store folder cannot be listed"));
        for (const QFileInfo& info : root.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::System, QDir::Name)) {
            if (!info.fileName().endsWith(calendarSuffix) || info.fileName().size() == calendarSuffix.size()) continue;
            if (info.isSymLink()) {
                logOnceLocked(info.filePath(), QStringLiteral("a symbolic link is not followed"));
                continue;
            }
            folders << info.filePath();
        }
    } else {
        index->rootListable = previous->rootListable;
        for (const CalendarEntry& entry : previous->calendars) folders << entry.folder;
    }
    for (const QString& folder : folders) {
        const CalendarEntry* before = nullptr;
        if (previous)
            for (const CalendarEntry& entry : previous->calendars)
                if (entry.folder == folder) before = &entry;
        CalendarEntry entry;
        entry.folder = folder;
        const QString uid = QFileInfo(folder).fileName().chopped(calendarSuffix.size());
        if (before && !dirtyCalendars.contains(uid) && QFileInfo(folder).isDir()) {
            index->calendars << *before;
            continue;
        }
        if (!QFileInfo(folder).isDir()) continue;
        scanCalendarLocked(&entry, before, rereadFiles);
        index->calendars << entry;
    }
    // A stopped scan left its files unread, all without a uid: nothing of it
    // is kept, and they are no duplicates to tell of.
    if (backgroundJobStopped()) return;
    resolveDuplicatesLocked(index);
}

void CalCalendarStore::scanCalendarLocked(CalendarEntry* entry, const CalendarEntry* previous,
                                          const QSet<QString>& rereadFiles) const
{
    CalCalendar& calendar = entry->calendar;
    const QFileInfo folderInfo(entry->folder);
    calendar.m_uid = folderInfo.fileName().chopped(calendarSuffix.size());
    calendar.m_title = calendar.m_uid;
    calendar.m_type = QStringLiteral("Local");
    calendar.m_editable = folderInfo.isWritable();

    const QString infoPath = entry->folder + QLatin1Char('/') + infoFile;
    QString infoProblem;
    const QByteArray bytes = readRegularFile(infoPath, largestInfoFile, &infoProblem);
    // Another program that rewrites Info.plist in place leaves it missing or
    // empty for a moment: meanwhile the calendar keeps what it last said.
    const auto keepLastGood = [&] {
        if (!previous || !previous->infoRead) return false;
        const bool folderWritable = calendar.m_editable;
        calendar = previous->calendar;
        calendar.m_editable = calendar.m_editable && folderWritable;
        entry->infoRead = true;
        entry->infoFingerprint = previous->infoFingerprint;
        return true;
    };
    const auto whatItKeeps = [](bool kept) {
        return kept ? QStringLiteral("; the calendar keeps the name it had")
                    : QStringLiteral("; the calendar is named after its folder");
    };
    if (infoProblem.isEmpty()) {
        entry->infoFingerprint = fingerprint(bytes);
        const PropertyList::Result read = PropertyList::fromData(bytes);
        const QVariantMap map = read.value.toMap();
        if (!read.ok() || read.value.typeId() != QMetaType::QVariantMap) {
            logOnceLocked(infoPath, QStringLiteral("not a property list") + whatItKeeps(keepLastGood()));
        } else {
            entry->infoRead = true;
            if (map.value(QStringLiteral("Title")).typeId() == QMetaType::QString)
                calendar.m_title = map.value(QStringLiteral("Title")).toString();
            if (map.value(QStringLiteral("Type")).typeId() == QMetaType::QString)
                calendar.m_type = map.value(QStringLiteral("Type")).toString();
            const QColor color(map.value(QStringLiteral("Color")).toString());
            if (color.isValid()) calendar.m_color = color;
            if (map.contains(QStringLiteral("Editable")) && !map.value(QStringLiteral("Editable")).toBool())
                calendar.m_editable = false;
            calendar.m_holdsEvents = map.value(QStringLiteral("EventContainer")).toLongLong() != 0
                                     || map.value(QStringLiteral("EventContainer")).toBool();
            calendar.m_holdsTasks = map.value(QStringLiteral("TaskContainer")).toLongLong() != 0
                                    || map.value(QStringLiteral("TaskContainer")).toBool();
        }
    } else {
        entry->infoFingerprint = 0;
        logOnceLocked(infoPath, infoProblem + whatItKeeps(keepLastGood()));
    }

    for (const bool tasks : {false, true}) {
        const QString folder = entry->folder + QLatin1Char('/') + (tasks ? tasksFolder : eventsFolder);
        QList<FileEntry>& files = tasks ? entry->tasks : entry->events;
        const QList<FileEntry>* before = previous ? (tasks ? &previous->tasks : &previous->events) : nullptr;
        const QDir dir(folder);
        const QFileInfo folderOfKind(folder);
        QFileInfoList listing;
        if (folderOfKind.isSymLink()) {
            // What it points at is outside the store's care: not read, and
            // (being unread) nothing is taken for deleted from it.
            entry->listable = false;
            entry->unlistable << folder;
            logOnceLocked(folder, QStringLiteral("a symbolic link is not followed"));
        } else if (dir.exists() && !folderOfKind.isReadable()) {
            entry->listable = false;
            entry->unlistable << folder;
            logOnceLocked(folder, QStringLiteral("cannot be listed"));
        } else {
            listing = dir.entryInfoList({QStringLiteral("*.ics")}, QDir::Files | QDir::System | QDir::Hidden, QDir::Name);
        }
        // Ordered by path as compared everywhere else in the index, so a
        // written file is found and placed by a binary search.
        std::stable_sort(listing.begin(), listing.end(),
                         [](const QFileInfo& a, const QFileInfo& b) { return a.filePath() < b.filePath(); });
        // By name: the files of one folder.
        QHash<QString, const FileEntry*> known;
        if (before)
            for (const FileEntry& candidate : *before) known.insert(candidate.path.name(), &candidate);
        files = readFilesLocked(listing, tasks, known, rereadFiles);
    }
}

// The files of a listing, read and parsed by a few threads at once (a first
// index of thousands of files is mostly libical's parsing). The main thread
// parses none: it only waits, and logs what the readers noted, in listing order.
QList<CalCalendarStore::FileEntry> CalCalendarStore::readFilesLocked(const QFileInfoList& listing, bool tasks,
                                                                     const QHash<QString, const FileEntry*>& known,
                                                                     const QSet<QString>& rereadFiles) const
{
    QList<FileEntry> files(listing.size());
    std::vector<QStringList> notes(size_t(listing.size()));
    FileEntry* const out = files.data();
    std::atomic<qsizetype> next{0};
    const std::optional<quint64> queuedAt = backgroundJobQueuedAt;
    const auto readSome = [&] {
        for (qsizetype at = next.fetch_add(1); at < listing.size() && !backgroundJobStopped(queuedAt);
             at = next.fetch_add(1)) {
            const QString path = listing[at].filePath();
            out[at] = readFileLocked(listing[at], tasks, known.value(listing[at].fileName()), rereadFiles.contains(path),
                                     &notes[size_t(at)]);
        }
    };
    // The background index and rescans read at a lower priority, on helpers
    // alone: on a machine of two cores the start and the window it shows
    // come first.
    const bool inBackground = queuedAt.has_value();
    const bool onlyWaits = MainQueue::isMainThread() || inBackground;
    qsizetype helpers = std::min<qsizetype>(readHelpers, listing.size() / filesPerReadHelper);
    // In the background a core is left to the rest of the program.
    if (inBackground) helpers = std::min(helpers, usableCores() - 1);
    if (onlyWaits && !listing.isEmpty()) helpers = std::max<qsizetype>(helpers, 1);
    const auto helperWork = [&] {
        if (inBackground) readAtLowerPriority();
        readSome();
    };
    std::vector<std::thread> threads = startCalStoreHelpers(helpers, helperWork, "reading");
    // Without a helper (none could start) the calling thread reads them all.
    if (!onlyWaits || threads.empty()) readSome();
    for (std::thread& thread : threads) thread.join();
    for (qsizetype at = 0; at < files.size(); ++at)
        for (const QString& problem : notes[size_t(at)]) logOnceLocked(files[at].path, problem);
    return files;
}

// One file as the index keeps it: what was read before when the file has
// not changed, else read and parsed anew.
CalCalendarStore::FileEntry CalCalendarStore::readFileLocked(const QFileInfo& fileInfo, bool tasks,
                                                             const FileEntry* old, bool reread, QStringList* notes) const
{
    // Off the scanning thread the problems are noted for it to log.
    const auto logOnce = [&](const QString& path, const QString& problem) {
        if (notes) *notes << problem;
        else logOnceLocked(path, problem);
    };
    FileEntry file;
    file.path = fileInfo.filePath();
    if (fileInfo.isSymLink()) {
        file.problem = QStringLiteral("a symbolic link is not followed");
        logOnce(file.path, file.problem);
        return file;
    }
    file.modified = modificationOf(fileInfo);
    file.size = fileInfo.size();
    if (old && old->modified == file.modified && old->size == file.size && !reread) {
        FileEntry same = *old;
        same.duplicate = false;
        return same;
    }
    const QByteArray bytes = readRegularFile(file.path, largestFile, &file.problem);
    if (file.problem.isEmpty() && !endsItsCalendar(bytes)) {
        file.leftOut = beginsNoCalendar(bytes);
        file.problem = bytes.trimmed().isEmpty() ? QStringLiteral("empty")
                       : file.leftOut            ? QStringLiteral("no calendar object (no BEGIN:VCALENDAR)")
                                                 : QStringLiteral("cut short (no END:VCALENDAR)");
    }
    if (!file.problem.isEmpty()) {
        logOnce(file.path, file.problem);
        return file;
    }
    file.fingerprint = fingerprint(bytes);
    if (old && old->fingerprint == file.fingerprint && old->usable()) {
        // Touched but not changed: keep what was read.
        FileEntry same = *old;
        same.modified = file.modified;
        same.size = file.size;
        same.duplicate = false;
        return same;
    }
    QString problem;
    if (tasks) {
        if (auto task = ICalendarFile::readTask(bytes, &problem)) {
            file.uid = task->uid;
            file.task = std::make_shared<const ICalTaskData>(std::move(*task));
        } else {
            file.problem = problem;
            file.leftOut = true;
        }
    } else if (auto events = ICalendarFile::readEvents(bytes, &problem, uidWhenNoneOf(file.path))) {
        holdEvents(&file, std::move(*events));
        if (!problem.isEmpty()) logOnce(file.path, problem);
    } else {
        file.problem = problem;
        file.leftOut = true;
    }
    if (!file.problem.isEmpty()) logOnce(file.path, file.problem);
    return file;
}

std::shared_ptr<const ICalEventFileData> CalCalendarStore::eventsOfLocked(const FileEntry& file) const
{
    if (file.events) return file.events;
    QString problem;
    const QByteArray bytes = readRegularFile(file.path, largestFile, &problem);
    if (!problem.isEmpty() || !endsItsCalendar(bytes)) return nullptr;
    auto events = ICalendarFile::readEvents(bytes, &problem, uidWhenNoneOf(file.path));
    if (!events || events->uid != file.uid) return nullptr;
    return std::make_shared<const ICalEventFileData>(std::move(*events));
}

std::vector<std::shared_ptr<const ICalEventFileData>>
CalCalendarStore::eventsOfLocked(const std::vector<const FileEntry*>& files) const
{
    std::vector<std::shared_ptr<const ICalEventFileData>> read(files.size());
    std::vector<size_t> again;
    for (size_t at = 0; at < files.size(); ++at) {
        read[at] = files[at]->events;
        if (!read[at]) again.push_back(at);
    }
    // Many to read again (a range far from now) are read by a few threads,
    // as a listing's files are.
    std::atomic<size_t> next{0};
    const auto readSome = [&] {
        for (size_t i = next.fetch_add(1); i < again.size(); i = next.fetch_add(1))
            read[again[i]] = eventsOfLocked(*files[again[i]]);
    };
    // A thread starts in far less than the parse of 16 files takes.
    const qsizetype helpers = std::min({readHelpers, qsizetype(again.size()) / 16, usableCores() - 1});
    std::vector<std::thread> threads = startCalStoreHelpers(helpers, readSome, "reading");
    readSome();
    for (std::thread& thread : threads) thread.join();
    return read;
}

void CalCalendarStore::resolveDuplicatesLocked(Index* index) const
{
    QSet<QString> events;
    QSet<QString> tasks;
    for (QHash<QString, int>& counts : index->filesOfUid) counts.clear();
    for (QHash<QString, CalStorePath>& files : index->fileOfUid) files.clear();
    for (CalendarEntry& calendar : index->calendars) {
        for (const bool isTasks : {false, true}) {
            QSet<QString>& seen = isTasks ? tasks : events;
            for (FileEntry& file : isTasks ? calendar.tasks : calendar.events) {
                file.duplicate = false;
                if (!file.problem.isEmpty()) continue;
                ++index->filesOfUid[isTasks ? 1 : 0][file.uid];
                if (seen.contains(file.uid)) {
                    file.duplicate = true;
                    logOnceLocked(file.path, QStringLiteral("another file holds the uid %1; the first one counts").arg(file.uid));
                    continue;
                }
                seen.insert(file.uid);
                index->fileOfUid[isTasks ? 1 : 0].insert(file.uid, file.path);
            }
        }
    }
}

CalCalendarStore::CalendarEntry* CalCalendarStore::calendarEntryLocked(const QString& uid) const
{
    ensureIndexedLocked();
    if (uid.isEmpty()) return nullptr;
    for (CalendarEntry& entry : m_index->calendars)
        if (entry.calendar.m_uid == uid) return &entry;
    return nullptr;
}

std::optional<CalCalendarStore::EventLocation> CalCalendarStore::locateEventLocked(const QString& uid) const
{
    ensureIndexedLocked();
    if (uid.isEmpty()) return std::nullopt;
    const auto [calendar, file] = locateIn(*m_index, uid, false);
    if (!file) return std::nullopt;
    return EventLocation{calendar, file};
}

std::optional<CalCalendarStore::EventLocation> CalCalendarStore::locateTaskLocked(const QString& uid) const
{
    ensureIndexedLocked();
    if (uid.isEmpty()) return std::nullopt;
    const auto [calendar, file] = locateIn(*m_index, uid, true);
    if (!file) return std::nullopt;
    return EventLocation{calendar, file};
}

std::optional<CalCalendarStore::EventLocation> CalCalendarStore::locateWritableLocked(const QString& uid, bool tasks,
                                                                                     CalError* error) const
{
    const QString kind = tasks ? QStringLiteral("task") : QStringLiteral("event");
    auto location = tasks ? locateTaskLocked(uid) : locateEventLocked(uid);
    if (!location) {
        reportCalError(error, CalError::make(CalError::Code::NotFound, QStringLiteral("no %1 %2").arg(kind, uid)));
        return std::nullopt;
    }
    if (refusesWritesLocked(location->calendar, error, kind)) return std::nullopt;
    return location;
}

QString CalCalendarStore::eventFilePath(const QString& uid) const
{
    std::lock_guard lock(m_mutex);
    const auto location = locateEventLocked(uid);
    return location ? location->file->path.toString() : QString();
}

bool CalCalendarStore::writtenByOtherProgram(const QString& uid) const
{
    QString path;
    {
        std::lock_guard lock(m_mutex);
        auto location = locateEventLocked(uid);
        if (!location) location = locateTaskLocked(uid);
        if (location) path = location->file->path;
    }
    const std::optional<QByteArray> bytes = readStoreFile(path, StoreFile::Item);
    if (!bytes) return false;
    for (const QByteArray& line : bytes->split('\n'))
        if (line.left(7).toUpper() == "PRODID:") return line.mid(7).trimmed() != ICalendarFile::ownProductId;
    return true;
}

std::optional<QByteArray> CalCalendarStore::readStoreFile(const QString& path, StoreFile kind) const
{
    struct stat status {};
    if (path.isEmpty() || ::lstat(QFile::encodeName(path).constData(), &status) != 0) return std::nullopt;
    // A link among the folders below the root is no more followed than
    // one in the file's place (the open refuses only the last).
    QString problem = path.startsWith(m_root + QLatin1Char('/')) ? linkedPathProblem(m_root, path) : QString();
    QByteArray bytes;
    if (problem.isEmpty())
        bytes = readRegularFile(path, kind == StoreFile::CalendarInfo ? largestInfoFile : largestFile, &problem);
    if (problem.isEmpty()) return bytes;
    std::lock_guard lock(m_mutex);
    logOnceLocked(path, problem);
    return std::nullopt;
}

QStringList CalCalendarStore::unreadableFiles() const
{
    std::lock_guard lock(m_mutex);
    ensureIndexedLocked();
    QStringList files;
    for (const CalendarEntry& calendar : m_index->calendars) {
        files += calendar.unlistable;
        for (const auto* list : {&calendar.events, &calendar.tasks})
            for (const FileEntry& file : *list)
                if (!file.usable() && !file.leftOut) files << file.path;
    }
    return files;
}

// Reads back a file this store wrote (or removed), so the watcher's next
// scan finds nothing new in it.
void CalCalendarStore::reindexFileLocked(CalendarEntry* calendar, bool tasks, const QString& path, FileEntry* written)
{
    QList<FileEntry>& files = tasks ? calendar->tasks : calendar->events;
    QHash<QString, int>& counts = m_index->filesOfUid[tasks ? 1 : 0];
    // Kept in listing order (by name), as a scan would list it.
    const auto at = std::lower_bound(files.begin(), files.end(), path,
                                     [](const FileEntry& f, const QString& p) { return f.path < p; });
    const bool known = at != files.end() && at->path == path;
    QString before;
    if (known && at->problem.isEmpty()) {
        before = at->uid;
        if (--counts[before] <= 0) counts.remove(before);
    }
    const QFileInfo info(path);
    const auto entryNow = [&] {
        // Another program may have replaced the file since: then it is read.
        if (!written || info.isSymLink() || info.size() != written->size) return readFileLocked(info, tasks, nullptr, true);
        written->path = path;
        written->modified = modificationOf(info);
        return std::move(*written);
    };
    FileEntry* now = nullptr;
    if (!info.exists() && !info.isSymLink()) {
        if (known) files.erase(at);
    } else if (known) {
        *at = entryNow();
        now = &*at;
    } else {
        now = &*files.insert(at, entryNow());
    }
    const QString after = now && now->problem.isEmpty() ? now->uid : QString();
    if (now && now->problem.isEmpty()) ++counts[after];
    // Which file counts for a uid changes only where a uid has or had
    // another file; everything else keeps its place without a full pass.
    const bool alone = (before.isEmpty() || !counts.contains(before) || (before == after && counts.value(before) == 1))
                       && (!now || after.isEmpty() || counts.value(after) == 1);
    if (!alone) {
        resolveDuplicatesLocked(m_index.get());
        return;
    }
    QHash<QString, CalStorePath>& counting = m_index->fileOfUid[tasks ? 1 : 0];
    if (!before.isEmpty() && !counts.contains(before)) counting.remove(before);
    if (now) {
        now->duplicate = false;
        if (!after.isEmpty()) counting.insert(after, now->path);
    }
}

void CalCalendarStore::indexWrittenLocked(CalendarEntry* calendar, bool tasks, const QString& path,
                                          const QByteArray& bytes, const ICalendarFile& document)
{
    FileEntry written;
    written.size = bytes.size();
    written.fingerprint = fingerprint(bytes);
    QString problem;
    if (tasks) {
        if (auto task = document.task(&problem)) {
            written.uid = task->uid;
            written.task = std::make_shared<const ICalTaskData>(std::move(*task));
        }
    } else if (auto events = document.events(&problem)) {
        holdEvents(&written, std::move(*events));
    }
    // What the store could not read in its own document is read from the
    // disk as any file, and logged there.
    if (written.uid.isEmpty() || !problem.isEmpty()) return reindexFileLocked(calendar, tasks, path);
    reindexFileLocked(calendar, tasks, path, &written);
}
