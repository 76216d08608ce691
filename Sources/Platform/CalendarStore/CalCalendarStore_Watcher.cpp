// The watcher of the store's folders: it notes what other programs change,
// rescans the calendars concerned on the store's worker and reports the
// changes.
#include "CalCalendarStore.h"

#include "CalCalendarStoreShared.h"
#include "MainQueue.h"
#include "NotificationCenter.h"
#include "Scheduler.h"

#include <QDir>
#include <QFile>
#include <QSocketNotifier>

#include <mutex>
#include <utility>

#include <malloc.h>
#include <sys/inotify.h>
#include <unistd.h>

namespace {

// Changes reported within this span come as one notice.
constexpr double coalescingSeconds = 0.2;
// A stream of changes that never pauses is still reported this often.
constexpr double longestCoalescingSeconds = 1.0;
// The longest a rescan waits for this store's own batches to end.
constexpr double longestHeldRescanSeconds = 5.0;

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
    storeWorker().async([weak, relist, everything, dirty, reread, queuedAt = backgroundStops().load()] {
        const auto store = weak.lock();
        if (!store) return;
        const BackgroundJob job(queuedAt);
        // Stopped for the quit: nobody is left to hear of the changes.
        if (backgroundJobStopped()) return;
        Changes changes;
        {
            std::lock_guard lock(store->m_mutex);
            store->ensureIndexedLocked();
            if (!store->m_index) return;
            QSet<QString> calendars = dirty;
            if (everything)
                for (const CalendarEntry& entry : store->m_index->calendars) calendars.insert(entry.calendar.m_uid);
            auto fresh = std::make_unique<Index>();
            store->scanRootLocked(fresh.get(), store->m_index.get(), relist || everything, calendars, reread);
            if (backgroundJobStopped()) return;
            changes = store->compare(*store->m_index, *fresh);
            store->m_index = std::move(fresh);
        }
        // The heaps of the readers and the index replaced go back to the system.
        malloc_trim(0);
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
        CalStorePath path;
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
