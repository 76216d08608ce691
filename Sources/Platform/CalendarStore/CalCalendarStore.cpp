#include "CalCalendarStore.h"

#include "GregorianCalendar.h"
#include "ICalendarFile.h"
#include "MainQueue.h"
#include "NotificationCenter.h"
#include "PropertyList.h"
#include "Scheduler.h"
#include "SerialQueue.h"

#include <QDebug>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QHashFunctions>
#include <QStandardPaths>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QUuid>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <functional>
#include <mutex>
#include <system_error>
#include <thread>
#include <type_traits>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sched.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Starts up to `count` threads running `work`; a thread that cannot start
// ends the starting (fewer helpers only make the work slower) with a warning
// naming `what` kind of helper.
std::vector<std::thread> startCalStoreHelpers(qsizetype count, const std::function<void()>& work, const char* what)
{
    std::vector<std::thread> threads;
    for (qsizetype i = 0; i < count; ++i) {
        try {
            threads.emplace_back(work);
        } catch (const std::system_error& failure) {
            qWarning() << "Calendar store: a" << what << "helper could not start:" << failure.what();
            break;
        }
    }
    return threads;
}

const QString calendarSuffix = QStringLiteral(".calendar");
const QString eventsFolder = QStringLiteral("Events");
const QString tasksFolder = QStringLiteral("Tasks");
const QString infoFile = QStringLiteral("Info.plist");

// Changes reported within this span come as one notice.
constexpr double coalescingSeconds = 0.2;
// A stream of changes that never pauses is still reported this often.
constexpr double longestCoalescingSeconds = 1.0;
// The longest a rescan waits for this store's own batches to end.
constexpr double longestHeldRescanSeconds = 5.0;

// The colours the store gives the calendars it makes, in turn.
const char* const calendarColors[] = {"#1BADF8", "#63DA38", "#FFCC00", "#FF9500",
                                      "#FF2968", "#CC73E1", "#A2845E", "#5856D6"};

QString newUid()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
}

QString fileNameOf(const QString& uid)
{
    QString name = uid;
    name.remove(QLatin1Char('.'));
    // A uid is text from anywhere: it never names a path outside its folder.
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    if (name.isEmpty()) name = newUid();
    return name + QStringLiteral(".ics");
}

quint64 fingerprint(const QByteArray& bytes)
{
    return qHashBits(bytes.constData(), size_t(bytes.size()), 0x5a0e);
}

qint64 modificationOf(const QFileInfo& info)
{
    return info.lastModified().toMSecsSinceEpoch();
}

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

// The thread the stores read and parse their changed files on, so a large
// rescan never holds the main thread's event loop. Left running at exit.
SerialQueue& storeWorker()
{
    static SerialQueue* queue = new SerialQueue(QStringLiteral("Calendar store"));
    return *queue;
}

std::atomic<CalCalendarStore::SyncCall> syncCall{nullptr};

// A batch flushes with up to this many threads beside its own, one for every
// so many files beyond the first ones.
constexpr qsizetype flushHelpers = 7;
constexpr qsizetype flushesPerHelper = 32;
// Files of a listing are read and parsed by up to this many threads, one for
// every so many files.
constexpr qsizetype readHelpers = 7;
constexpr qsizetype filesPerReadHelper = 64;

int syncDescriptor(int fd)
{
    const CalCalendarStore::SyncCall call = syncCall.load();
    return call ? call(fd) : ::fsync(fd);
}

// Everything written to the filesystem of that open folder; the test's
// stand-in for the disk takes this flush too.
int syncFileSystem(int fd)
{
    const CalCalendarStore::SyncCall call = syncCall.load();
    return call ? call(fd) : ::syncfs(fd);
}

QString systemError(int code)
{
    return QString::fromLocal8Bit(std::strerror(code));
}

// Writes all of bytes, through interruptions and short writes.
bool writeAll(int fd, const QByteArray& bytes)
{
    const char* data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, size_t(left));
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        data += written;
        left -= written;
    }
    return true;
}

// What one file may hold: an event or task file with its notes up to the
// item limit (the reader refolds long lines, so their length costs no more
// than the file's), an Info.plist up to the info limit. The writer keeps
// to the same limit, so what the store writes it reads back.
constexpr qint64 largestFile = CalCalendarStore::itemFileLimit;
constexpr qint64 largestInfoFile = CalCalendarStore::infoFileLimit;

// Reads a regular file inside the store without following a symbolic link
// and without waiting on a FIFO or a device (another program may leave
// anything under a name the store lists). Empty problem on success.
QByteArray readRegularFile(const QString& path, qint64 limit, QString* problem)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        *problem = errno == ELOOP ? QStringLiteral("a symbolic link is not followed")
                                  : QStringLiteral("cannot be read: ") + systemError(errno);
        return {};
    }
    QByteArray bytes;
    struct stat status {};
    if (::fstat(fd, &status) != 0) {
        *problem = QStringLiteral("cannot be read: ") + systemError(errno);
    } else if (!S_ISREG(status.st_mode)) {
        *problem = QStringLiteral("not a regular file; skipped");
    } else if (status.st_size > limit) {
        *problem = QStringLiteral("larger than %1 MiB; skipped").arg(limit >> 20);
    } else {
        bytes.resize(qsizetype(status.st_size));
        qsizetype have = 0;
        // A file that grows while it is read is read up to the limit.
        while (problem->isEmpty()) {
            if (have == bytes.size()) {
                if (have > limit) break;
                bytes.resize(std::min<qsizetype>(have + 65536, limit + 1));
            }
            const ssize_t got = ::read(fd, bytes.data() + have, size_t(bytes.size() - have));
            if (got < 0 && errno == EINTR) continue;
            if (got < 0) *problem = QStringLiteral("cannot be read: ") + systemError(errno);
            if (got <= 0) break;
            have += got;
        }
        bytes.truncate(have);
        if (problem->isEmpty() && have > limit) *problem = QStringLiteral("larger than %1 MiB; skipped").arg(limit >> 20);
    }
    ::close(fd);
    if (!problem->isEmpty()) bytes.clear();
    return bytes;
}

// The reader would refuse the file: it is not written.
QString oversizeProblem(const QString& path)
{
    return QStringLiteral("%1 would be larger than %2 MiB, more than the store reads; not written")
        .arg(path)
        .arg(largestFile >> 20);
}

// A file cut short (by a full disk, or a copy that stopped) still parses as
// far as it goes; it is refused rather than read as less than it held.
bool endsItsCalendar(const QByteArray& bytes)
{
    const QByteArray last = bytes.trimmed();
    const qsizetype start = last.lastIndexOf('\n') + 1;
    return last.mid(start).trimmed().compare("END:VCALENDAR", Qt::CaseInsensitive) == 0;
}

}  // namespace

struct CalCalendarStore::FileEntry {
    QString path;
    QString uid;
    qint64 modified = 0;
    qint64 size = -1;
    quint64 fingerprint = 0;
    std::shared_ptr<const ICalEventFileData> events;
    std::shared_ptr<const ICalTaskData> task;
    QString problem;   // set on a file that cannot be used
    bool duplicate = false;
    bool usable() const { return problem.isEmpty() && !duplicate; }
};

// Its members move by their bytes (no member points into the entry): a
// file inserted into a calendar's sorted list moves the others with one memmove.
Q_DECLARE_TYPEINFO(CalCalendarStore::FileEntry, Q_RELOCATABLE_TYPE);

struct CalCalendarStore::CalendarEntry {
    QString folder;
    CalCalendar calendar;
    quint64 infoFingerprint = 0;
    bool infoRead = false;  // the calendar's fields come from its Info.plist
    bool listable = true;
    QStringList unlistable;  // its Events or Tasks folder, when it cannot be listed
    QList<FileEntry> events;
    QList<FileEntry> tasks;
};

struct CalCalendarStore::Index {
    bool rootListable = true;
    QList<CalendarEntry> calendars;  // listing order
    // How many readable files hold each uid (events, tasks): a write that
    // leaves its uids with one file each cannot change which file counts.
    QHash<QString, int> filesOfUid[2];
    // The file that counts for each uid (events, tasks), so that finding a
    // uid does not walk every file of the store.
    QHash<QString, QString> fileOfUid[2];
};

struct CalCalendarStore::EventLocation {
    CalendarEntry* calendar;
    FileEntry* file;
};

struct CalCalendarStore::Changes {
    QStringList calendars[3];  // inserted, updated, deleted
    QStringList events[3];
    QStringList tasks[3];
};

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
        store = create(defaultLocation());
        // The user's store is made at the start: its files are indexed
        // meanwhile, so the start's first query finds them read.
        store->indexInBackground();
    }
    return store;
}

void CalCalendarStore::setDefaultCalendarStore(std::shared_ptr<CalCalendarStore> store)
{
    std::lock_guard lock(defaultMutex());
    defaultIsInstalled() = store != nullptr;
    installedDefault() = std::move(store);
}

// --- the index ---

void CalCalendarStore::logOnceLocked(const QString& path, const QString& problem) const
{
    const QString key = path + QLatin1Char('\n') + problem;
    if (m_logged.contains(key)) return;
    m_logged.insert(key);
    qWarning().noquote() << "Calendar store:" << path << "-" << problem;
}

void CalCalendarStore::indexInBackground()
{
    std::weak_ptr<CalCalendarStore> weak = weak_from_this();
    storeWorker().async([weak] {
        const auto store = weak.lock();
        if (!store) return;
        std::lock_guard lock(store->m_mutex);
        if (store->m_index) return;  // a query was first
        store->ensureIndexedLocked();
        // What other programs change between this listing and the start of
        // the watching is found by one rescan once the watches are set.
        store->m_rescanWhenWatched = true;
    });
}

void CalCalendarStore::ensureIndexedLocked() const
{
    if (m_index) return;
    auto index = std::make_unique<Index>();
    scanRootLocked(index.get(), nullptr, true, {}, {});
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
        QHash<QString, const FileEntry*> known;
        if (before)
            for (const FileEntry& candidate : *before) known.insert(candidate.path, &candidate);
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
    const auto readSome = [&] {
        for (qsizetype at = next.fetch_add(1); at < listing.size(); at = next.fetch_add(1)) {
            const QString path = listing[at].filePath();
            out[at] = readFileLocked(listing[at], tasks, known.value(path), rereadFiles.contains(path), &notes[size_t(at)]);
        }
    };
    const bool onMainThread = MainQueue::isMainThread();
    qsizetype helpers = std::min<qsizetype>(readHelpers, listing.size() / filesPerReadHelper);
    if (onMainThread && !listing.isEmpty()) helpers = std::max<qsizetype>(helpers, 1);
    std::vector<std::thread> threads = startCalStoreHelpers(helpers, readSome, "reading");
    // Without a helper (none could start) the calling thread reads them all.
    if (!onMainThread || threads.empty()) readSome();
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
    if (file.problem.isEmpty() && !endsItsCalendar(bytes))
        file.problem = bytes.trimmed().isEmpty() ? QStringLiteral("empty") : QStringLiteral("cut short (no END:VCALENDAR)");
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
        }
    } else if (auto events = ICalendarFile::readEvents(bytes, &problem)) {
        file.uid = events->uid;
        file.events = std::make_shared<const ICalEventFileData>(std::move(*events));
        if (!problem.isEmpty()) logOnce(file.path, problem);
    } else {
        file.problem = problem;
    }
    if (!file.problem.isEmpty()) logOnce(file.path, file.problem);
    return file;
}

void CalCalendarStore::resolveDuplicatesLocked(Index* index) const
{
    QSet<QString> events;
    QSet<QString> tasks;
    for (QHash<QString, int>& counts : index->filesOfUid) counts.clear();
    for (QHash<QString, QString>& files : index->fileOfUid) files.clear();
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

namespace {

// The calendar and the file that count for a uid, found through the index's
// map of uids (a binary search in the file list of one calendar); a walk
// through every file only should the map ever disagree with the lists.
template <class IndexType>
auto locateIn(IndexType& index, const QString& uid, bool tasks)
{
    using Calendar = std::remove_reference_t<decltype(index.calendars.first())>;
    using File = std::remove_reference_t<decltype(index.calendars.first().events.first())>;
    std::pair<Calendar*, File*> found{nullptr, nullptr};
    const QString path = index.fileOfUid[tasks ? 1 : 0].value(uid);
    if (path.isEmpty()) return found;
    for (Calendar& calendar : index.calendars) {
        if (path.size() <= calendar.folder.size() || !path.startsWith(calendar.folder)
            || path.at(calendar.folder.size()) != QLatin1Char('/'))
            continue;
        auto& files = tasks ? calendar.tasks : calendar.events;
        const auto at = std::lower_bound(files.begin(), files.end(), path,
                                         [](const File& f, const QString& p) { return f.path < p; });
        if (at != files.end() && at->path == path && at->usable() && at->uid == uid) return std::pair{&calendar, &*at};
    }
    qWarning().noquote() << "Calendar store: the index of uids missed" << uid << "- every file is searched";
    for (Calendar& calendar : index.calendars)
        for (File& file : tasks ? calendar.tasks : calendar.events)
            if (file.usable() && file.uid == uid) return std::pair{&calendar, &file};
    return found;
}

}  // namespace

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
    return location ? location->file->path : QString();
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
                if (!file.usable()) files << file.path;
    }
    return files;
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
    // The removal takes symbolic links inside away as links, never what they name.
    if (refusesLinkedPathLocked(entry->folder, error)) return false;
    if (!QDir(entry->folder).removeRecursively())
        return reportCalError(error, CalError::make(CalError::Code::WriteFailed,
                                                    QStringLiteral("cannot remove ") + entry->folder));
    const QString folder = entry->folder;
    m_index->calendars.removeIf([&folder](const CalendarEntry& e) { return e.folder == folder; });
    resolveDuplicatesLocked(m_index.get());
    return reportCalError(error, CalError::none());
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

// --- queries ---

CalPredicate CalCalendarStore::eventPredicateWithStartDate(const Date& startDate, const Date& endDate,
                                                           const CalCalendarList& calendars)
{
    return eventPredicateWithStartDate(startDate, endDate, QString(), calendars);
}

CalPredicate CalCalendarStore::eventPredicateWithStartDate(const Date& startDate, const Date& endDate,
                                                           const QString& uid, const CalCalendarList& calendars)
{
    CalPredicate predicate;
    predicate.kind = CalPredicate::Kind::Events;
    predicate.startDate = startDate;
    predicate.endDate = endDate;
    predicate.uid = uid;
    for (const CalCalendarPtr& calendar : calendars)
        if (calendar) predicate.calendarUids << calendar->uid();
    return predicate;
}

CalPredicate CalCalendarStore::taskPredicateWithCalendars(const CalCalendarList& calendars)
{
    CalPredicate predicate = eventPredicateWithStartDate(Date(), Date(), QString(), calendars);
    predicate.kind = CalPredicate::Kind::Tasks;
    return predicate;
}

bool CalCalendarStore::queryIsIncompleteLocked(const CalendarEntry& calendar, bool tasks, const QString& uid,
                                               QStringList* files) const
{
    bool incomplete = !calendar.listable;
    if (!calendar.listable) *files << calendar.folder;
    const QList<FileEntry>& entries = tasks ? calendar.tasks : calendar.events;
    if (!uid.isEmpty()) {
        // A query for one uid misses only the file that may hold it, found
        // by its path in the sorted list: a walk through every file for each
        // uid made an import grow with the square of the files.
        const QString path = calendar.folder + QLatin1Char('/') + (tasks ? tasksFolder : eventsFolder) + QLatin1Char('/')
                             + fileNameOf(uid);
        const auto at = std::lower_bound(entries.begin(), entries.end(), path,
                                         [](const FileEntry& file, const QString& p) { return file.path < p; });
        if (at != entries.end() && at->path == path && !at->problem.isEmpty()) {
            incomplete = true;
            *files << at->path;
        }
        return incomplete;
    }
    for (const FileEntry& file : entries) {
        if (file.problem.isEmpty()) continue;
        // A query for one uid misses only the file that may hold it.
        if (!uid.isEmpty() && QFileInfo(file.path).fileName() != fileNameOf(uid)) continue;
        incomplete = true;
        *files << file.path;
    }
    return incomplete;
}

CalEventPtr CalCalendarStore::eventOf(const ICalEventFileData& file, const ICalOccurrence& occurrence,
                                      const CalCalendarPtr& calendar)
{
    auto event = CalEvent::event();
    const ICalEventData& data = *occurrence.data;
    event->m_uid = file.uid;
    event->m_title = data.title;
    event->m_location = data.location;
    event->m_notes = data.notes;
    event->m_url = data.url;
    event->m_startDate = occurrence.start;
    event->m_endDate = occurrence.end;
    event->m_allDay = data.allDay;
    event->m_timeZone = data.timeZone;
    // A changed occurrence carries its series' rule and extra dates.
    if (file.master) {
        event->m_rule = file.master->rule;
        event->m_recurrenceDates = file.master->recurrenceDates;
    }
    event->m_occurrence = occurrence.occurrence;
    event->m_detached = occurrence.detached;
    event->m_carriesOn = occurrence.detached && data.thisAndFuture;
    event->m_calendar = calendar;
    return event;
}

template <class PerCalendar>
CalError CalCalendarStore::queryCalendarsLocked(const CalPredicate& predicate, bool tasks,
                                               PerCalendar&& perCalendar) const
{
    ensureIndexedLocked();
    QStringList incomplete;
    if (!m_index->rootListable) incomplete << m_root;
    for (const CalendarEntry& calendar : m_index->calendars) {
        if (!predicate.calendarUids.contains(calendar.calendar.m_uid)) continue;
        queryIsIncompleteLocked(calendar, tasks, predicate.uid, &incomplete);
        perCalendar(calendar);
    }
    return incomplete.isEmpty() ? CalError::none()
                                : CalError::make(CalError::Code::CannotRead,
                                                 QStringLiteral("cannot read ") + incomplete.join(QStringLiteral(", ")));
}

CalEventList CalCalendarStore::eventsWithPredicate(const CalPredicate& predicate, CalError* error) const
{
    CalEventList events;
    if (predicate.kind != CalPredicate::Kind::Events || !predicate.startDate || !predicate.endDate) {
        reportCalError(error, CalError::make(CalError::Code::Refused, QStringLiteral("not an event query")));
        return events;
    }
    std::lock_guard lock(m_mutex);
    const CalError result = queryCalendarsLocked(predicate, false, [&](const CalendarEntry& calendar) {
        const auto calendarCopy = std::make_shared<CalCalendar>(calendar.calendar);
        if (!predicate.uid.isEmpty()) {
            // One uid has one file that counts: no walk through the others.
            const auto [owner, file] = locateIn(*m_index, predicate.uid, false);
            if (file && owner == &calendar)
                for (const ICalOccurrence& occurrence :
                     ICalendarFile::expand(*file->events, predicate.startDate, predicate.endDate))
                    events << eventOf(*file->events, occurrence, calendarCopy);
            return;
        }
        for (const FileEntry& file : calendar.events) {
            if (!file.usable()) continue;
            for (const ICalOccurrence& occurrence :
                 ICalendarFile::expand(*file.events, predicate.startDate, predicate.endDate))
                events << eventOf(*file.events, occurrence, calendarCopy);
        }
    });
    std::stable_sort(events.begin(), events.end(),
                     [](const CalEventPtr& a, const CalEventPtr& b) { return a->startDate() < b->startDate(); });
    reportCalError(error, result);
    return events;
}

namespace {

CalTaskPtr taskOf(const ICalTaskData& data)
{
    auto task = CalTask::task();
    task->setTitle(data.title);
    task->setNotes(data.notes);
    task->setUrl(data.url);
    task->setDueDate(data.due);
    task->setIsCompleted(data.completed);
    task->setCompletedDate(data.completedDate);
    return task;
}

}  // namespace

CalTaskPtr CalCalendarStore::taskFrom(const FileEntry& file, const CalendarEntry& calendar)
{
    CalTaskPtr task = taskOf(*file.task);
    task->m_uid = file.uid;
    task->m_calendar = std::make_shared<CalCalendar>(calendar.calendar);
    return task;
}

CalTaskList CalCalendarStore::tasksWithPredicate(const CalPredicate& predicate, CalError* error) const
{
    CalTaskList tasks;
    if (predicate.kind != CalPredicate::Kind::Tasks) {
        reportCalError(error, CalError::make(CalError::Code::Refused, QStringLiteral("not a task query")));
        return tasks;
    }
    std::lock_guard lock(m_mutex);
    reportCalError(error, queryCalendarsLocked(predicate, true, [&](const CalendarEntry& calendar) {
                       for (const FileEntry& file : calendar.tasks)
                           if (file.usable() && (predicate.uid.isEmpty() || file.uid == predicate.uid))
                               tasks << taskFrom(file, calendar);
                   }));
    return tasks;
}

CalEventPtr CalCalendarStore::eventWithUID(const QString& uid, const Date& occurrence, CalError* error) const
{
    std::lock_guard lock(m_mutex);
    const auto location = locateEventLocked(uid);
    if (!location) {
        reportCalError(error, CalError::make(CalError::Code::NotFound, QStringLiteral("no event ") + uid));
        return nullptr;
    }
    const ICalEventFileData& file = *location->file->events;
    const auto calendar = std::make_shared<CalCalendar>(location->calendar->calendar);
    reportCalError(error, CalError::none());
    if (!occurrence) {
        if (file.master) return eventOf(file, {&*file.master, file.master->start, file.master->end, file.master->start, false}, calendar);
        if (!file.overrides.isEmpty()) {
            const ICalEventData& first = file.overrides.first();
            return eventOf(file, {&first, first.start, first.end, first.recurrenceId, true}, calendar);
        }
    }
    for (const ICalEventData& changed : file.overrides)
        if (changed.recurrenceId.wholeSecondsSince1970() == occurrence.wholeSecondsSince1970())
            return eventOf(file, {&changed, changed.start, changed.end, changed.recurrenceId, true}, calendar);
    for (const ICalOccurrence& found : ICalendarFile::expandAt(file, occurrence))
        if (!found.detached && found.occurrence.wholeSecondsSince1970() == occurrence.wholeSecondsSince1970())
            return eventOf(file, found, calendar);
    reportCalError(error, CalError::make(CalError::Code::NotFound, QStringLiteral("no such occurrence of ") + uid));
    return nullptr;
}

CalTaskPtr CalCalendarStore::taskWithUID(const QString& uid, CalError* error) const
{
    std::lock_guard lock(m_mutex);
    const auto location = locateTaskLocked(uid);
    if (!location) {
        reportCalError(error, CalError::make(CalError::Code::NotFound, QStringLiteral("no task ") + uid));
        return nullptr;
    }
    reportCalError(error, CalError::none());
    return taskFrom(*location->file, *location->calendar);
}

// --- writes ---

bool CalCalendarStore::writeFileLocked(const QString& path, const QByteArray& bytes, CalError* error)
{
    if (refusesLinkedPathLocked(path, error)) return false;
    if (PendingWrites* pending = openBatchLocked()) return writeWithoutFlushLocked(path, bytes, pending, error);
    PendingWrites alone;
    return writeWithoutFlushLocked(path, bytes, &alone, error) && flushLocked(&alone, error);
}

bool CalCalendarStore::removeFileLocked(const QString& path, CalError* error)
{
    if (refusesLinkedPathLocked(path, error)) return false;
    // A file removed again needs no flush (its folder still does).
    if (PendingWrites* pending = openBatchLocked()) pending->files.remove(path);
    if (QFile::remove(path) || !QFileInfo::exists(path)) return true;
    return reportCalError(error, CalError::make(CalError::Code::WriteFailed, QStringLiteral("cannot remove ") + path));
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

// Another program may have put a symbolic link anywhere in the store (a
// calendar's Events folder, its Info.plist, an event file); a write, rename
// or removal through it would change what lies outside. Every component
// under the root is checked, the last one too when it exists.
bool CalCalendarStore::refusesLinkedPathLocked(const QString& path, CalError* error) const
{
    const QString why = linkedPathProblem(m_root, path);
    if (why.isEmpty()) return false;
    logOnceLocked(path, why);
    return !reportCalError(error, CalError::make(CalError::Code::Refused, path + QStringLiteral(": ") + why));
}

QString CalCalendarStore::linkedPathProblem(const QString& root, const QString& path)
{
    const QString prefix = root + QLatin1Char('/');
    if (!path.startsWith(prefix)) return QStringLiteral("outside the store");
    for (qsizetype at = prefix.size(); at <= path.size(); ++at) {
        if (at < path.size() && path.at(at) != QLatin1Char('/')) continue;
        struct stat status {};
        if (::lstat(QFile::encodeName(path.left(at)).constData(), &status) != 0) {
            if (errno == ENOENT) return QString();  // what does not exist yet is made as a folder or a file
            continue;
        }
        if (S_ISLNK(status.st_mode)) return QStringLiteral("a symbolic link is not followed");
    }
    return QString();
}

// --- batches of writes ---

CalCalendarStore::WriteBatch::WriteBatch(std::shared_ptr<CalCalendarStore> store) : m_store(std::move(store))
{
    if (!m_store) {
        m_open = false;
        return;
    }
    std::lock_guard lock(m_store->m_mutex);
    if (++m_store->m_pending[std::this_thread::get_id()].depth == 1) m_store->m_openBatches.fetch_add(1);
}

CalCalendarStore::WriteBatch::~WriteBatch()
{
    if (!m_open) return;
    CalError error;
    if (!commit(&error)) qWarning().noquote() << "Calendar store:" << error.text;
}

bool CalCalendarStore::WriteBatch::commit(CalError* error)
{
    if (!m_open) return reportCalError(error, CalError::none());
    m_open = false;
    std::lock_guard lock(m_store->m_mutex);
    const auto found = m_store->m_pending.find(std::this_thread::get_id());
    if (found == m_store->m_pending.end()) return reportCalError(error, CalError::none());
    // An outer batch flushes for the inner ones.
    if (--found->second.depth > 0) return reportCalError(error, CalError::none());
    const bool flushed = m_store->flushLocked(&found->second, error);
    m_store->m_pending.erase(found);
    m_store->m_openBatches.fetch_sub(1);
    return flushed;
}

bool CalCalendarStore::flushPendingWrites(CalError* error)
{
    std::lock_guard lock(m_mutex);
    const auto found = m_pending.find(std::this_thread::get_id());
    if (found == m_pending.end()) return reportCalError(error, CalError::none());
    return flushLocked(&found->second, error);
}

void CalCalendarStore::setSyncCallForTesting(SyncCall call)
{
    syncCall.store(call);
}

CalCalendarStore::PendingWrites* CalCalendarStore::openBatchLocked()
{
    const auto found = m_pending.find(std::this_thread::get_id());
    return found != m_pending.end() && found->second.depth > 0 ? &found->second : nullptr;
}

// The sync of a filesystem reports the write-back errors since its
// descriptor was opened: one is opened before the first write there.
void CalCalendarStore::openFilesystemOfLocked(const QString& folder, PendingWrites* pending)
{
    if (pending->folders.contains(folder)) return;
    struct stat status {};
    const QByteArray folderName = QFile::encodeName(folder);
    if (::stat(folderName.constData(), &status) == 0 && !pending->filesystems.contains(quint64(status.st_dev))) {
        const int folderFd = ::open(folderName.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (folderFd >= 0) pending->filesystems.insert(quint64(status.st_dev), folderFd);
    }
}

// The file is written under a name beside it that no reader lists (not
// "*.ics"), then renamed over its place: readers see the old file or the
// whole new one. name is a path, or a name in the open folder. A link in
// the file's place is refused (linked), never written through. Touches
// nothing of the store, so several threads may write at once. Empty answer
// on success; written holds the new file's size and time.
QString CalCalendarStore::writeBeside(int folderFd, const QByteArray& name, const QByteArray& bytes, struct stat* written,
                                      bool* linked, bool newName, bool* taken)
{
    *linked = false;
    if (taken) *taken = false;
    const QString takenProblem = QStringLiteral("a file of that name is there");
    if (newName) {
        // A new file's name is not looked up first: the link that puts the
        // file in place refuses a name already there (see below).
        QString linkedNew;
        bool nameTaken = false;
        if (linkNewFile(folderFd, name, bytes, 0666, written, &linkedNew, &nameTaken)) return linkedNew;
        if (nameTaken) {
            if (taken) *taken = true;
            return takenProblem;
        }
    }
    // A rewritten file keeps its permissions, as other programs set them.
    struct stat existing {};
    const bool exists = ::fstatat(folderFd, name.constData(), &existing, AT_SYMLINK_NOFOLLOW) == 0;
    if (exists && newName) {
        if (taken) *taken = true;
        return takenProblem;
    }
    if (exists && S_ISLNK(existing.st_mode)) {
        *linked = true;
        return QStringLiteral("a symbolic link is not followed");
    }
    const bool replaces = exists && S_ISREG(existing.st_mode);
    const mode_t mode = replaces ? (existing.st_mode & 07777) : 0666;
    if (!exists && !newName) {
        // A new file is written without a name and linked in whole. Its
        // inode is made without the folder's lock (a name made first holds
        // it, so writers in one folder waited for each other), and a crash
        // before the link leaves nothing behind. Where the filesystem cannot
        // (or the name appeared meanwhile), the file goes beside and is renamed.
        QString problem;
        if (linkNewFile(folderFd, name, bytes, mode, written, &problem)) return problem;
    }
    QByteArray temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
        temporary = name + '.' + QByteArray::number(QRandomGenerator::global()->generate(), 36) + ".part";
        fd = ::openat(folderFd, temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, mode);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) return systemError(errno);
    bool done = writeAll(fd, bytes);
    int code = done ? 0 : errno;
    if (done && replaces && ::fchmod(fd, mode) != 0) {
        done = false;
        code = errno;
    }
    // The time the index keeps; the rename does not change it.
    if (done && ::fstat(fd, written) != 0) {
        done = false;
        code = errno;
    }
    if (::close(fd) != 0 && done) {
        done = false;
        code = errno;
    }
    if (done && ::renameat(folderFd, temporary.constData(), folderFd, name.constData()) != 0) {
        done = false;
        code = errno;
    }
    if (!done) {
        ::unlinkat(folderFd, temporary.constData(), 0);
        return systemError(code ? code : EIO);
    }
    return QString();
}

// Writes a file without a name and links it as name. False when the other
// way must be taken (no unnamed files on this filesystem, or the name is
// taken by now); else problem is empty on success, the error when not.
bool CalCalendarStore::linkNewFile(int folderFd, const QByteArray& name, const QByteArray& bytes, unsigned mode,
                                   struct stat* written, QString* problem, bool* taken)
{
    if (taken) *taken = false;
    const int fd = ::openat(folderFd, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, mode_t(mode));
    if (fd < 0) return false;
    if (!writeAll(fd, bytes) || ::fstat(fd, written) != 0) {
        *problem = systemError(errno ? errno : EIO);
        ::close(fd);
        return true;
    }
    const QByteArray self = "/proc/self/fd/" + QByteArray::number(fd);
    if (::linkat(AT_FDCWD, self.constData(), folderFd, name.constData(), AT_SYMLINK_FOLLOW) != 0) {
        // A name already there (a file, a link, a folder) is never replaced.
        if (taken) *taken = errno == EEXIST;
        ::close(fd);
        return false;
    }
    if (::close(fd) != 0) {
        *problem = systemError(errno);
        ::unlinkat(folderFd, name.constData(), 0);
    }
    return true;
}

// A folder under the root opened one component at a time, none of them
// followed when it is a link: writes by name in it never leave the store
// through a link, even one swapped in after it was opened. -1 with the
// problem (linked: a link on the way) when it cannot be opened.
int CalCalendarStore::openFolderUnderRoot(const QString& root, const QString& folder, QString* problem, bool* linked)
{
    *linked = false;
    const QString prefix = root + QLatin1Char('/');
    if (!folder.startsWith(prefix)) {
        *linked = true;
        *problem = QStringLiteral("outside the store");
        return -1;
    }
    int fd = ::open(QFile::encodeName(root).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    for (const QString& component : folder.mid(prefix.size()).split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (fd < 0) break;
        const int next = ::openat(fd, QFile::encodeName(component).constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        const int code = errno;
        ::close(fd);
        fd = next;
        errno = code;
    }
    if (fd >= 0) return fd;
    // O_NOFOLLOW on a link answers ELOOP (ENOTDIR on some kernels with O_DIRECTORY).
    const int code = errno;
    *linked = code == ELOOP || (code == ENOTDIR && !linkedPathProblem(root, folder).isEmpty());
    *problem = *linked ? QStringLiteral("a symbolic link is not followed") : systemError(code);
    return -1;
}

// The flush waits for the batch's commit.
bool CalCalendarStore::writeWithoutFlushLocked(const QString& path, const QByteArray& bytes, PendingWrites* pending,
                                               CalError* error)
{
    if (bytes.size() > largestFile) return reportCalError(error, CalError::make(CalError::Code::Refused, oversizeProblem(path)));
    const QString folder = QFileInfo(path).absolutePath();
    openFilesystemOfLocked(folder, pending);
    struct stat written {};
    bool linked = false;
    const QString problem = writeBeside(AT_FDCWD, QFile::encodeName(path), bytes, &written, &linked);
    if (!problem.isEmpty())
        return reportCalError(error, CalError::make(CalError::Code::WriteFailed,
                                                    QStringLiteral("cannot write %1: %2").arg(path, problem)));
    pending->files.insert(path);
    pending->folders.insert(folder);
    return true;
}

CalCalendarStore::PendingWrites::~PendingWrites()
{
    for (const int fd : std::as_const(filesystems)) ::close(fd);
}

bool CalCalendarStore::flushLocked(PendingWrites* pending, CalError* error)
{
    const QSet<QString> files = std::exchange(pending->files, {});
    const QSet<QString> folders = std::exchange(pending->folders, {});
    const QHash<quint64, int> filesystems = std::exchange(pending->filesystems, {});
    const auto closeFilesystems = qScopeGuard([&] {
        for (const int fd : filesystems) ::close(fd);
    });
    if (files.isEmpty() && folders.isEmpty()) return reportCalError(error, CalError::none());
    const QStringList filePaths(files.begin(), files.end());
    QStringList notDurable;
    // Each file flushed on its own forces a journal commit and a flush of
    // the disk's cache of its own: a group of 250 new files cost 250 of
    // them. Several files are made durable by one sync of their filesystem
    // instead, which takes their folders' entries along.
    bool synced = files.size() > 1 && !filesystems.isEmpty();
    if (synced)
        for (const int fd : filesystems) synced = syncFileSystem(fd) == 0 && synced;
    if (synced) {
        // A file another program removed before the sync is not on the disk either.
        for (const QString& path : filePaths) {
            struct stat status {};
            if (::lstat(QFile::encodeName(path).constData(), &status) != 0)
                notDurable << path + QStringLiteral(" (") + systemError(errno) + QLatin1Char(')');
        }
    } else {
        // One file, or a sync that failed (perhaps for another program's
        // file on that filesystem): each file is flushed and checked on its
        // own, then their folders, which hold the new names.
        notDurable = flushPaths(filePaths, 0);
        notDurable += flushPaths(QStringList(folders.begin(), folders.end()), O_DIRECTORY);
    }
    if (notDurable.isEmpty()) return reportCalError(error, CalError::none());
    notDurable.sort();
    return reportCalError(error, CalError::make(CalError::Code::WriteFailed,
                                                QStringLiteral("cannot flush to the disk: ") + notDurable.join(QStringLiteral(", "))));
}

// Each flush mostly waits for the disk, one small write at a time: a large
// batch (a restore, a web sync's results) is flushed by a few threads at
// once, so the disk gets several requests together instead of one after the
// other. Every file is still flushed and checked on its own. (Only starting
// the write-back of every file first measured slower on a busy disk: each
// flush then waited behind the whole queue.)
QStringList CalCalendarStore::flushPaths(const QStringList& paths, int flags)
{
    QStringList notDurable;
    std::mutex failures;
    std::atomic<qsizetype> next{0};
    const auto flushSome = [&] {
        for (qsizetype at = next.fetch_add(1); at < paths.size(); at = next.fetch_add(1)) {
            const QString& path = paths[at];
            const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | flags);
            // A file gone meanwhile (another program removed it) is not durable either.
            const bool synced = fd >= 0 && syncDescriptor(fd) == 0;
            const int code = errno;
            if (fd >= 0) ::close(fd);
            if (synced) continue;
            std::lock_guard lock(failures);
            notDurable << path + QStringLiteral(" (") + systemError(code) + QLatin1Char(')');
        }
    };
    const qsizetype helpers = std::min<qsizetype>(flushHelpers, paths.size() / flushesPerHelper);
    std::vector<std::thread> threads = startCalStoreHelpers(helpers, flushSome, "flush");
    // This thread flushes what the helpers (or the ones that failed to start) leave.
    flushSome();
    for (std::thread& thread : threads) thread.join();
    return notDurable;
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
    QHash<QString, QString>& counting = m_index->fileOfUid[tasks ? 1 : 0];
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
        written.uid = events->uid;
        written.events = std::make_shared<const ICalEventFileData>(std::move(*events));
    }
    // What the store could not read in its own document is read from the
    // disk as any file, and logged there.
    if (written.uid.isEmpty() || !problem.isEmpty()) return reindexFileLocked(calendar, tasks, path);
    reindexFileLocked(calendar, tasks, path, &written);
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

// The organizer's change on top of another program's: a field the event
// still carries as the store last read it was not changed here, so the
// other program's value stays. withTimes: the times and the rule too (a
// write of the series itself).
ICalEventFields mergedOntoOutside(ICalEventFields ours, const ICalEventData& lastRead, const ICalEventData& now,
                                  bool withTimes)
{
    if (ours.title == lastRead.title) ours.title = now.title;
    if (ours.location == lastRead.location) ours.location = now.location;
    if (ours.notes == lastRead.notes) ours.notes = now.notes;
    if (ours.url == lastRead.url) ours.url = now.url;
    if (!withTimes) return ours;
    if (sameStoreInstant(ours.start, lastRead.start) && sameStoreInstant(ours.end, lastRead.end) && ours.allDay == lastRead.allDay
        && ours.timeZone == lastRead.timeZone) {
        ours.start = now.start;
        ours.end = now.end;
        ours.allDay = now.allDay;
        ours.timeZone = now.timeZone;
    }
    if (ours.rule == lastRead.rule) ours.rule = now.rule;
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
    fields.rule = event.recurrenceRule();
    return fields;
}

}  // namespace

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

    const auto createSeries = [&](const QString& uid) {
        auto document = ICalendarFile::newCalendar();
        document->writeMaster(uid, fields);
        const QString path = target->folder + QLatin1Char('/') + eventsFolder + QLatin1Char('/') + fileNameOf(uid);
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
        struct stat existing {};
        if (uid.isEmpty()
            || ::lstat(QFile::encodeName(target->folder + QLatin1Char('/') + eventsFolder + QLatin1Char('/') + fileNameOf(uid)).constData(),
                       &existing) == 0)
            uid = newUid();
        if (!createSeries(uid)) return false;
        return reportCalError(error, CalError::none());
    }
    CalendarEntry* source = location->calendar;
    if (source != target && refusesWritesLocked(source, error, QStringLiteral("event"))) return false;
    const QString uid = location->file->uid;
    const QString path = location->file->path;
    QString unread;
    const QByteArray currentBytes = readRegularFile(path, largestFile, &unread);
    auto document = unread.isEmpty() ? ICalendarFile::parse(currentBytes) : nullptr;
    if (!document)
        return reportCalError(error, CalError::make(CalError::Code::CannotRead, QStringLiteral("cannot read ") + path));
    document->setOwnUid(uid);

    const Date occurrence = event->occurrence();
    const Date masterStart = document->masterStart();
    const std::shared_ptr<const ICalEventFileData> lastRead = location->file->events;
    if (takeInOutsideChangeLocked(source, false, *location->file, currentBytes)) {
        QString problem;
        const auto now = ICalendarFile::readEvents(currentBytes, &problem);
        const ICalEventData* before = lastRead ? componentWrittenAt(*lastRead, occurrence) : nullptr;
        const ICalEventData* after = now ? componentWrittenAt(*now, occurrence) : nullptr;
        if (!before || !after || now->uid != uid)
            return reportCalError(error, CalError::make(CalError::Code::CannotRead,
                                                        QStringLiteral("changed outside and not readable: ") + path));
        // The times count only where the write sets them as they are (not
        // where a series is moved by an occurrence's shift).
        fields = mergedOntoOutside(fields, *before, *after, !document->masterRepeats() || !occurrence);
    }
    const bool firstOccurrence = occurrence.wholeSecondsSince1970() == masterStart.wholeSecondsSince1970();
    // An event repeated by extra dates alone is, at its own date, the event itself.
    const bool repeats = document->masterRepeats() || (document->masterHasExtraDates() && !firstOccurrence);
    if (repeats && occurrence && span == CalSpanThisEvent) {
        document->writeOverride(uid, occurrence, fields);
    } else if (repeats && occurrence && span == CalSpanFutureEvents && !firstOccurrence) {
        // The series ends before this occurrence; the change goes on as a new one.
        document->endSeriesBefore(occurrence);
        const QByteArray bytes = document->toBytes();
        if (!writeFileLocked(path, bytes, error)) return false;
        indexWrittenLocked(source, false, path, bytes, *document);
        if (!createSeries(newUid())) return false;
        return reportCalError(error, CalError::none());
    } else if ((document->masterRepeats() || document->masterHasExtraDates()) && occurrence) {
        // The whole series moves by what this occurrence moved.
        const double shift = event->startDate().timeIntervalSinceDate(occurrence);
        ICalEventFields master = fields;
        master.start = masterStart.dateByAddingTimeInterval(shift);
        master.end = master.start.dateByAddingTimeInterval(fields.end ? fields.end.timeIntervalSinceDate(fields.start) : 0);
        document->writeMaster(uid, master);
        document->shiftExceptions(shift);
    } else {
        document->writeMaster(uid, fields);
    }
    const QByteArray bytes = document->toBytes();
    if (source == target) {
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

// The cores this process may run on (a process pinned to two gets two).
qsizetype usableCores()
{
    cpu_set_t set;
    CPU_ZERO(&set);
    if (::sched_getaffinity(0, sizeof set, &set) == 0) return std::max(1, CPU_COUNT(&set));
    return std::max(1u, std::thread::hardware_concurrency());
}

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
        // its file is linked in (no lookup of each name here).
        QString uid = event->uid();
        if (uid.isEmpty() || taken.contains(folder + QLatin1Char('/') + fileNameOf(uid))) uid = newUid();
        file.uid = uid;
        file.path = folder + QLatin1Char('/') + fileNameOf(uid);
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
                bytes = document->toBytes();
                if (bytes.size() > largestFile) {
                    problem = oversizeProblem(file.path);
                    linked = true;  // refused, as a write through a link is
                    break;
                }
                bool nameTaken = false;
                problem = writeBeside(file.folderFd, QFile::encodeName(fileNameOf(file.uid)), bytes, &written, &linked, true,
                                      &nameTaken);
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
            entry.uid = data->uid;
            entry.events = std::make_shared<const ICalEventFileData>(std::move(*data));
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
    QHash<QString, QString>& counting = m_index->fileOfUid[0];
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
    const auto location = locateWritableLocked(event->uid(), false, error);
    if (!location) return false;
    CalendarEntry* calendar = location->calendar;
    const QString path = location->file->path;
    QString unread;
    const QByteArray currentBytes = readRegularFile(path, largestFile, &unread);
    auto document = unread.isEmpty() ? ICalendarFile::parse(currentBytes) : nullptr;
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
    struct stat existing {};
    if (uid.isEmpty()
        || (!location
            && ::lstat(QFile::encodeName(target->folder + QLatin1Char('/') + tasksFolder + QLatin1Char('/') + fileNameOf(uid)).constData(),
                       &existing) == 0))
        uid = newUid();
    const QString oldPath = location ? location->file->path : QString();
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
    document->writeTask(uid, data);
    const QString fileName = location ? QFileInfo(oldPath).fileName() : fileNameOf(uid);
    const QString path = target->folder + QLatin1Char('/') + tasksFolder + QLatin1Char('/') + fileName;
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
    const bool removed = removeFileLocked(path, error);
    reindexFileLocked(calendar, true, path);
    return removed && reportCalError(error, CalError::none());
}

// --- watching ---

namespace {

// What the watch of a store folder reports: entries made, removed, renamed
// in or out, files written and closed or touched, and the folder itself
// going. Links are not followed, and only folders are watched.
constexpr uint32_t folderWatchMask = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_CLOSE_WRITE | IN_ATTRIB
                                     | IN_DELETE_SELF | IN_MOVE_SELF | IN_DONT_FOLLOW | IN_ONLYDIR;


}  // namespace

// The store watches its folders only (the root, each calendar folder and
// its Events and Tasks folders) with one inotify descriptor: a folder watch
// reports the files written in it by name, so a store of any size costs a
// few watches, and adding them never waits on the file count.
void CalCalendarStore::startWatching()
{
    if (m_watchContext) return;
    m_watchContext = std::make_unique<QObject>();
    m_inotify = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_inotify < 0) {
        std::lock_guard lock(m_mutex);
        logOnceLocked(m_root, QStringLiteral("cannot be watched (%1); changes of other programs show at the next start").arg(systemError(errno)));
        return;
    }
    auto* notifier = new QSocketNotifier(m_inotify, QSocketNotifier::Read);
    const int fd = m_inotify;
    // The notifier goes before its descriptor is closed.
    QObject::connect(m_watchContext.get(), &QObject::destroyed, [notifier, fd] {
        delete notifier;
        ::close(fd);
    });
    std::weak_ptr<CalCalendarStore> weak = weak_from_this();
    QObject::connect(notifier, &QSocketNotifier::activated, m_watchContext.get(), [weak] {
        if (auto store = weak.lock()) store->readWatchReports();
    });
    watchCurrentPaths();
    bool rescan = false;
    {
        std::lock_guard lock(m_mutex);
        rescan = std::exchange(m_rescanWhenWatched, false);
    }
    if (rescan) {
        m_everythingDirty = true;
        rescanChanges();
    }
}

void CalCalendarStore::readWatchReports()
{
    alignas(inotify_event) char buffer[64 * 1024];
    for (ssize_t size; (size = ::read(m_inotify, buffer, sizeof buffer)) > 0;) {
        for (ssize_t at = 0; at < size;) {
            const auto* report = reinterpret_cast<const inotify_event*>(buffer + at);
            at += ssize_t(sizeof(inotify_event)) + ssize_t(report->len);
            if (report->mask & IN_Q_OVERFLOW) {
                // Reports were lost: every folder is listed again.
                m_everythingDirty = true;
                noteChange(m_root, false);
                continue;
            }
            const QString folder = m_watchedFolders.value(report->wd);
            if (folder.isEmpty()) continue;
            if (report->mask & IN_IGNORED) {
                m_watchOfFolder.remove(folder);
                m_watchedFolders.remove(report->wd);
                continue;
            }
            const QString name = report->len ? QFile::decodeName(report->name) : QString();
            // The store's own half-written files come and go under this name.
            if (name.endsWith(QLatin1String(".part"))) continue;
            if (name.isEmpty()) {
                noteChange(folder, false);
                continue;
            }
            const bool fileChanged = !(report->mask & IN_ISDIR)
                                     && (report->mask & (IN_CLOSE_WRITE | IN_ATTRIB | IN_MOVED_TO | IN_CREATE));
            noteChange(folder + QLatin1Char('/') + name, fileChanged);
        }
    }
}

void CalCalendarStore::watchCurrentPaths()
{
    if (m_inotify < 0) return;
    QStringList wanted{m_root};
    {
        std::lock_guard lock(m_mutex);
        ensureIndexedLocked();
        for (const CalendarEntry& calendar : m_index->calendars)
            wanted << calendar.folder << calendar.folder + QLatin1Char('/') + eventsFolder
                   << calendar.folder + QLatin1Char('/') + tasksFolder;
    }
    const QSet<QString> want(wanted.begin(), wanted.end());
    for (auto it = m_watchOfFolder.begin(); it != m_watchOfFolder.end();) {
        if (want.contains(it.key())) {
            ++it;
            continue;
        }
        ::inotify_rm_watch(m_inotify, it.value());
        m_watchedFolders.remove(it.value());
        it = m_watchOfFolder.erase(it);
    }
    QStringList failed;
    for (const QString& folder : wanted) {
        if (m_watchOfFolder.contains(folder)) continue;
        const int wd = ::inotify_add_watch(m_inotify, QFile::encodeName(folder).constData(), folderWatchMask);
        if (wd < 0) {
            // A folder not there yet (a calendar without Tasks) is no failure.
            if (errno != ENOENT && errno != ENOTDIR) failed << folder;
            continue;
        }
        m_watchOfFolder.insert(folder, wd);
        m_watchedFolders.insert(wd, folder);
    }
    if (!failed.isEmpty()) {
        std::lock_guard lock(m_mutex);
        logOnceLocked(failed.first(), QStringLiteral("%1 folders cannot be watched; changes in them show at the next change of their calendar").arg(failed.size()));
    }
}

void CalCalendarStore::noteChange(const QString& path, bool fileChanged)
{
    const QString relative = QDir(m_root).relativeFilePath(path);
    if (path == m_root || relative.isEmpty() || relative == QLatin1String(".")) {
        m_rootDirty = true;
    } else {
        const QString first = relative.section(QLatin1Char('/'), 0, 0);
        if (first.endsWith(calendarSuffix)) m_dirtyCalendars.insert(first.chopped(calendarSuffix.size()));
        // A calendar folder that appeared or went is a change of the root.
        if (!relative.contains(QLatin1Char('/'))) m_rootDirty = true;
        if (fileChanged) m_rereadFiles.insert(path);
    }
    if (!m_coalesceTimer.isValid()) m_pendingSince.start();
    if (m_coalesceTimer.isValid() && m_pendingSince.elapsed() > longestCoalescingSeconds * 1000) return;
    m_coalesceTimer.invalidate();
    std::weak_ptr<CalCalendarStore> weak = weak_from_this();
    m_coalesceTimer = Scheduler::current().scheduleTimer(coalescingSeconds, false, [weak] {
        if (auto store = weak.lock()) store->rescanChanges();
    });
}

void CalCalendarStore::rescanChanges()
{
    m_coalesceTimer.invalidate();
    // While this store writes a batch (a restore, a web sync's results) its
    // folders change under every write, and a rescan would read back what is
    // being written while holding the lock the writer needs. Those writes are
    // indexed as they are made, so the rescan waits for the batch to end; a
    // batch that lasts longer still lets changes made outside show.
    if (m_openBatches.load() > 0) {
        if (!m_heldSince.isValid()) m_heldSince.start();
        if (m_heldSince.elapsed() < qint64(longestHeldRescanSeconds * 1000)) {
            std::weak_ptr<CalCalendarStore> weak = weak_from_this();
            m_coalesceTimer = Scheduler::current().scheduleTimer(coalescingSeconds, false, [weak] {
                if (auto store = weak.lock()) store->rescanChanges();
            });
            return;
        }
    }
    m_heldSince.invalidate();
    const bool relist = m_rootDirty;
    const bool everything = std::exchange(m_everythingDirty, false);
    const QSet<QString> dirty = std::exchange(m_dirtyCalendars, {});
    const QSet<QString> reread = std::exchange(m_rereadFiles, {});
    m_rootDirty = false;
    // Listing and parsing the changed files may take long in a large
    // store: the worker does it, and the main thread only hears of it.
    std::weak_ptr<CalCalendarStore> weak = weak_from_this();
    storeWorker().async([weak, relist, everything, dirty, reread] {
        const auto store = weak.lock();
        if (!store) return;
        Changes changes;
        {
            std::lock_guard lock(store->m_mutex);
            store->ensureIndexedLocked();
            QSet<QString> calendars = dirty;
            if (everything)
                for (const CalendarEntry& entry : store->m_index->calendars) calendars.insert(entry.calendar.m_uid);
            auto fresh = std::make_unique<Index>();
            store->scanRootLocked(fresh.get(), store->m_index.get(), relist || everything, calendars, reread);
            changes = store->compare(*store->m_index, *fresh);
            store->m_index = std::move(fresh);
        }
        store->postChanges(changes);
        MainQueue::async([weak] {
            if (const auto watching = weak.lock()) watching->watchCurrentPaths();
        });
    });
}

CalCalendarStore::Changes CalCalendarStore::compare(const Index& before, const Index& after) const
{
    struct Seen {
        QString calendar;
        QString path;
        quint64 fingerprint;
    };
    const auto collect = [](const Index& index, bool tasks) {
        QHash<QString, Seen> seen;
        for (const CalendarEntry& calendar : index.calendars)
            for (const FileEntry& file : tasks ? calendar.tasks : calendar.events)
                if (file.usable()) seen.insert(file.uid, {calendar.calendar.m_uid, file.path, file.fingerprint});
        return seen;
    };
    const auto diff = [](const QHash<QString, Seen>& old, const QHash<QString, Seen>& now, QStringList* out) {
        for (auto it = now.constBegin(); it != now.constEnd(); ++it) {
            const auto was = old.constFind(it.key());
            if (was == old.constEnd())
                out[0] << it.key();
            else if (was->fingerprint != it->fingerprint || was->path != it->path || was->calendar != it->calendar)
                out[1] << it.key();
        }
        for (auto it = old.constBegin(); it != old.constEnd(); ++it)
            if (!now.contains(it.key())) out[2] << it.key();
        for (int i = 0; i < 3; ++i) out[i].sort();
    };
    Changes changes;
    diff(collect(before, false), collect(after, false), changes.events);
    diff(collect(before, true), collect(after, true), changes.tasks);
    QHash<QString, Seen> oldCalendars;
    QHash<QString, Seen> newCalendars;
    const auto calendarKey = [](const CalendarEntry& entry) {
        return entry.infoFingerprint ^ (entry.calendar.m_editable ? 1u : 0u);
    };
    for (const CalendarEntry& entry : before.calendars)
        oldCalendars.insert(entry.calendar.m_uid, {entry.calendar.m_uid, entry.folder, calendarKey(entry)});
    for (const CalendarEntry& entry : after.calendars)
        newCalendars.insert(entry.calendar.m_uid, {entry.calendar.m_uid, entry.folder, calendarKey(entry)});
    diff(oldCalendars, newCalendars, changes.calendars);
    return changes;
}

void CalCalendarStore::postChanges(const Changes& changes)
{
    const auto post = [this](const QString& name, const QStringList* lists) {
        if (lists[0].isEmpty() && lists[1].isEmpty() && lists[2].isEmpty()) return;
        const QVariantMap info{{CalInsertedRecordsKey, lists[0]},
                               {CalUpdatedRecordsKey, lists[1]},
                               {CalDeletedRecordsKey, lists[2]}};
        NotificationCenter::defaultCenter().postNotificationOnMainThreadName(name, this, info);
    };
    post(CalCalendarsChangedExternallyNotification, changes.calendars);
    post(CalEventsChangedExternallyNotification, changes.events);
    post(CalTasksChangedExternallyNotification, changes.tasks);
}
