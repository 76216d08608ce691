#pragma once

// What the calendar store's source files share: the index's entries, the
// names of the store's folders and files, the read of a store file, and the
// helpers several of them run. Its names stand in a namespace of their own,
// so that no other library's helper of the same name is taken for them.
#include "CalCalendarStore.h"

#include "ICalendarFile.h"
#include "SerialQueue.h"

#include <QDateTime>
#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QHashFunctions>
#include <QSet>
#include <QUuid>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <type_traits>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sched.h>
#include <sys/stat.h>
#include <unistd.h>

// The path of a file of the index, kept as its folder and its name: the
// folder's text is one for all the files of a folder (tens of thousands of
// full paths took more of the index than anything else). Read as the full
// path, which it makes each time.
class CalStorePath {
public:
    CalStorePath() = default;
    CalStorePath(const QString& path) { *this = path; }
    CalStorePath& operator=(const QString& path)
    {
        const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
        m_folder = slash < 0 ? QString() : sharedFolder(path.left(slash + 1));
        m_name = slash < 0 ? path : path.mid(slash + 1);
        return *this;
    }
    operator QString() const { return m_folder + m_name; }
    QString toString() const { return m_folder + m_name; }
    bool isEmpty() const { return m_folder.isEmpty() && m_name.isEmpty(); }
    const QString& name() const { return m_name; }
    bool operator==(const CalStorePath& other) const { return m_name == other.m_name && m_folder == other.m_folder; }
    bool operator==(const QString& path) const
    {
        return path.size() == m_folder.size() + m_name.size() && path.startsWith(m_folder) && path.endsWith(m_name);
    }
    // As the full paths compare.
    bool operator<(const CalStorePath& other) const
    {
        return m_folder == other.m_folder ? m_name < other.m_name : toString() < other.toString();
    }
    bool operator<(const QString& path) const
    {
        if (path.startsWith(m_folder)) return QStringView(m_name) < QStringView(path).mid(m_folder.size());
        return toString() < path;
    }

private:
    // The one text of each folder (a store has few; a hostile one's many
    // only cost what their paths would).
    static QString sharedFolder(const QString& folder)
    {
        static std::mutex mutex;
        static QSet<QString> folders;
        std::lock_guard lock(mutex);
        if (folders.size() > 4096) folders.clear();
        return *folders.insert(folder);
    }

    QString m_folder;  // with its closing '/'
    QString m_name;
};
Q_DECLARE_TYPEINFO(CalStorePath, Q_RELOCATABLE_TYPE);

// What the store last read of one VEVENT of an event file kept without its
// VEVENTs (below): enough to tell which fields the organizer changed when it
// writes over a version another program wrote since (its texts by a hash).
struct CalCalendarStore::EventDigest {
    Date recurrenceId;  // null on the master
    Date start;
    Date end;
    bool allDay = false;
    size_t title = 0;
    size_t location = 0;
    size_t notes = 0;
    size_t url = 0;
    size_t timeZone = 0;
};

struct CalCalendarStore::FileEntry {
    CalStorePath path;
    QString uid;
    qint64 modified = 0;
    qint64 size = -1;
    quint64 fingerprint = 0;
    // The VEVENTs as read. An event file that does not repeat and whose
    // times all lie far from now (most of a large store: the past) keeps
    // only the span of its occurrences and its digests; a query that needs
    // it reads and parses the file again (eventsOfLocked), so the index of
    // tens of thousands of files stays small.
    std::shared_ptr<const ICalEventFileData> events;
    Date from;  // without `events`: every occurrence lies within [from, to]
    Date to;
    QList<EventDigest> digests;  // without `events`: the master first, if any
    std::shared_ptr<const ICalTaskData> task;
    QString problem;   // set on a file that cannot be used
    // Read whole, but holding nothing the organizer can hold (no event with
    // a start, a task among events, a uid of control characters): left
    // out, it is no sign that the calendar's other files were missed.
    bool leftOut = false;
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
    QHash<QString, CalStorePath> fileOfUid[2];
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

namespace CalCalendarStoreShared {

// Starts up to `count` threads running `work`; a thread that cannot start
// ends the starting (fewer helpers only make the work slower) with a warning
// naming `what` kind of helper.
inline std::vector<std::thread> startCalStoreHelpers(qsizetype count, const std::function<void()>& work, const char* what)
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

// The cores this process may run on (a process pinned to two gets two).
inline qsizetype usableCores()
{
    cpu_set_t set;
    CPU_ZERO(&set);
    if (::sched_getaffinity(0, sizeof set, &set) == 0) return std::max(1, CPU_COUNT(&set));
    return std::max(1u, std::thread::hardware_concurrency());
}

inline const QString calendarSuffix = QStringLiteral(".calendar");
inline const QString eventsFolder = QStringLiteral("Events");
inline const QString tasksFolder = QStringLiteral("Tasks");
inline const QString infoFile = QStringLiteral("Info.plist");

inline QString newUid()
{
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
}

inline QString uidWhenNoneOf(const QString& path)
{
    return ICalendarFile::uidWhenNoneOf(path);
}

inline QString fileNameOf(const QString& uid)
{
    QString name = uid;
    name.remove(QLatin1Char('.'));
    // A uid is text from anywhere: it never names a path outside its folder.
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    if (name.isEmpty()) name = newUid();
    return name + QStringLiteral(".ics");
}

inline quint64 fingerprint(const QByteArray& bytes)
{
    return qHashBits(bytes.constData(), size_t(bytes.size()), 0x5a0e);
}

inline size_t textDigest(const QString& text)
{
    return qHash(text, size_t(0x5a0e));
}

// How far from now an event file's times must all lie for the index to keep
// it without its VEVENTs: the sync's window and the views look nearer.
inline constexpr double keptParsedSeconds = 400 * 86400.0;

// Keeps an event file's VEVENTs in its entry, or only their span and
// digests (see FileEntry::events). A file that repeats (a rule, extra
// dates) keeps them: its occurrences may fall in any query's range.
inline void holdEvents(CalCalendarStore::FileEntry* file, ICalEventFileData&& read)
{
    file->uid = read.uid;
    // One text for the uid of the file and of its VEVENTs.
    if (read.master && read.master->uid == read.uid) read.master->uid = read.uid;
    for (ICalEventData& changed : read.overrides)
        if (changed.uid == read.uid) changed.uid = read.uid;
    file->digests.clear();
    file->from = file->to = Date();
    auto whole = [&] { file->events = std::make_shared<const ICalEventFileData>(std::move(read)); };
    if (read.master && (read.master->rule || !read.master->ruleTexts.isEmpty() || !read.master->recurrenceDates.isEmpty()))
        return whole();
    Date from;
    Date to;
    QList<CalCalendarStore::EventDigest> digests;
    const auto take = [&](const ICalEventData& e) {
        if (!e.start || !e.end) return false;
        if (!from || e.start < from) from = e.start;
        const Date last = std::max(e.start, e.end);
        if (!to || last > to) to = last;
        digests.append({e.recurrenceId, e.start, e.end, e.allDay, textDigest(e.title), textDigest(e.location),
                        textDigest(e.notes), textDigest(e.url), textDigest(e.timeZone)});
        return true;
    };
    if (read.master && !take(*read.master)) return whole();
    for (const ICalEventData& changed : read.overrides)
        if (!take(changed)) return whole();
    const Date now = Date::dateWithTimeIntervalSince1970(double(QDateTime::currentSecsSinceEpoch()));
    if (!from || (to >= now.dateByAddingTimeInterval(-keptParsedSeconds) && from <= now.dateByAddingTimeInterval(keptParsedSeconds)))
        return whole();
    file->events.reset();
    file->from = from;
    file->to = to;
    file->digests = std::move(digests);
}

// The thread the stores read and parse their changed files on, so a large
// rescan never holds the main thread's event loop. The thread itself is left
// at exit, idle: the quit stops its work first (stopBackgroundWork).
inline SerialQueue& storeWorker()
{
    static SerialQueue* queue = new SerialQueue(QStringLiteral("Calendar store"));
    return *queue;
}

// Every stop of the stores' background work (the quit) is counted. A job of
// the worker remembers the count it was queued at; once the count has moved
// on, its scan reads no further file and what it read is thrown away.
inline std::atomic<quint64>& backgroundStops()
{
    static std::atomic<quint64> stops{0};
    return stops;
}

// The count the worker's current job was queued at; none off the worker
// (a query indexes to its end on any thread).
inline thread_local std::optional<quint64> backgroundJobQueuedAt;

inline bool backgroundJobStopped(const std::optional<quint64>& queuedAt)
{
    return queuedAt && *queuedAt != backgroundStops().load();
}

inline bool backgroundJobStopped()
{
    return backgroundJobStopped(backgroundJobQueuedAt);
}

// Marks the worker's thread as running a job queued at that count.
class BackgroundJob {
public:
    explicit BackgroundJob(quint64 queuedAt) { backgroundJobQueuedAt = queuedAt; }
    ~BackgroundJob() { backgroundJobQueuedAt.reset(); }
    BackgroundJob(const BackgroundJob&) = delete;
    BackgroundJob& operator=(const BackgroundJob&) = delete;
};

inline QString systemError(int code)
{
    return QString::fromLocal8Bit(std::strerror(code));
}

// What one file may hold: an event or task file with its notes up to the
// item limit (the reader refolds long lines, so their length costs no more
// than the file's), an Info.plist up to the info limit. The writer keeps
// to the same limit, so what the store writes it reads back.
inline constexpr qint64 largestFile = CalCalendarStore::itemFileLimit;
inline constexpr qint64 largestInfoFile = CalCalendarStore::infoFileLimit;

// Reads a regular file inside the store without following a symbolic link
// and without waiting on a FIFO or a device (another program may leave
// anything under a name the store lists). Empty problem on success.
inline QByteArray readRegularFile(const QString& path, qint64 limit, QString* problem)
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
inline QString oversizeProblem(const QString& path)
{
    return QStringLiteral("%1 would be larger than %2 MiB, more than the store reads; not written")
        .arg(path)
        .arg(largestFile >> 20);
}

// The calendar and the file that count for a uid, found through the index's
// map of uids (a binary search in the file list of one calendar); a walk
// through every file only should the map ever disagree with the lists.
template <class IndexType>
auto locateIn(IndexType& index, const QString& uid, bool tasks)
{
    using Calendar = std::remove_reference_t<decltype(index.calendars.first())>;
    using File = std::remove_reference_t<decltype(index.calendars.first().events.first())>;
    std::pair<Calendar*, File*> found{nullptr, nullptr};
    const QString path = index.fileOfUid[tasks ? 1 : 0].value(uid).toString();
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

}  // namespace CalCalendarStoreShared

using namespace CalCalendarStoreShared;
