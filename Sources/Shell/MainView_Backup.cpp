// The main view's backups: the countdown to the automatic backup, the
// manual backup file and the restore shared by both kinds of backup.
#include "MainView.h"

#include "AlertPresenter.h"
#include "BackupFile.h"
#include "Calendar.h"
#include "CoreData.h"
#include "DatabaseRestore.h"
#include "FilePicker.h"
#include "FileWriter.h"
#include "Link.h"
#include "NotificationCenter.h"
#include "Notifications.h"
#include "Preferences.h"
#include "ProgressIndicator.h"
#include "ProgressView.h"
#include "RecordStore.h"
#include "Scheduler.h"
#include "Setting.h"
#include "Tag.h"
#include "Task.h"
#include "TextTable.h"
#include "Window.h"
#include "ZVComment.h"
#include "ZVWSync.h"
#include "iCalSync.h"

#include <QCoreApplication>
#include <QDebug>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QScopedValueRollback>
#include <QThread>

#include <atomic>
#include <cstdio>

#include <sqlite3.h>
#include <unistd.h>

namespace {

constexpr int countdownStart = 10;
constexpr double countdownTick = 1.0;
// The automatic backup is tried again at the next tick: a lock another
// program holds on the database must not freeze the window (and a quit
// asked for meanwhile) for the usual five seconds at every tick.
constexpr std::chrono::milliseconds backupLockWait{100};
const QSizeF progressPanelSize(410, 150);
// The panel hangs a little lower than a sheet would, clear of the title bar.
constexpr double progressPanelDrop = 30;
// How long a restore waits for a running sync to end before it gives up.
constexpr double syncWaitSeconds = 30;

CoreData* manager()
{
    return CoreData::shared();
}

SettingPtr currentSettings()
{
    CoreData* data = manager();
    return data ? data->currentSetting() : SettingPtr();
}

// The informative text says what the user can do: a file that is no backup
// of ours is another case than a disk that has no room.
void showRestoreError(const QString& path, const QString& problem,
                      const QString& informativeText = TextTable::localizedString(QStringLiteral("restoreErrorMessage")))
{
    qWarning("The backup '%s' is not restored: %s.", qUtf8Printable(path), qUtf8Printable(problem));
    AlertRequest alert;
    alert.style = AlertStyle::Critical;
    alert.addButtonWithTitle(TextTable::localizedString(QStringLiteral("okText")));
    alert.messageText = TextTable::localizedString(QStringLiteral("restoreErrorText"));
    alert.informativeText = informativeText;
    AlertPresenter::current().runModal(alert);
}

void showBackupError(const QString& path)
{
    qWarning("The backup could not be written to '%s'.", qUtf8Printable(path));
    AlertRequest alert;
    alert.style = AlertStyle::Critical;
    alert.addButtonWithTitle(TextTable::localizedString(QStringLiteral("okText")));
    alert.messageText = TextTable::localizedString(QStringLiteral("backupErrorText"));
    alert.informativeText = TextTable::localizedString(QStringLiteral("backupErrorMessage"));
    AlertPresenter::current().runModal(alert);
}

// Runs the job on a worker thread while the main thread keeps painting (the
// progress panel and its bar) but takes no input. The job must not touch
// the shared connection or any view.
bool runWhilePainting(const std::function<bool()>& job)
{
    std::atomic<bool> result{false};
    QEventLoop loop;
    QThread* worker = QThread::create([&] { result = job(); });
    QObject::connect(worker, &QThread::finished, &loop, &QEventLoop::quit, Qt::QueuedConnection);
    worker->start();
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    worker->wait();
    delete worker;
    return result.load();
}

}  // namespace

// ---- the countdown ---------------------------------------------------------------

void MainView::resetTimerAutoBackup()
{
    m_autoBackupTimer.invalidate();
    m_countDownForAutoBackup = countdownStart;
    m_autoBackupTimer = Scheduler::current().scheduleTimer(countdownTick, true, [this] { autoBackupTracking(); });
}

void MainView::autoBackupTracking()
{
    if (m_countDownForAutoBackup < 1)
        NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kAutoBackupEndNotification,
                                                                             static_cast<QObject*>(this));
    // Kept from running below any bound while a failing backup is retried.
    if (m_countDownForAutoBackup > -1) --m_countDownForAutoBackup;
}

void MainView::saveAutoBackupFile()
{
    // No backup of a database being replaced, nor of a closed one.
    if (m_isRestoring || !databaseOpen) return;
    const SettingPtr setting = currentSettings();
    const RecordStore::WaitAtMost shortWait(backupLockWait);
    if (!setting || !setting->saveAutoBackupFile()) return;  // retried at the next tick
    m_autoBackupTimer.invalidate();
    NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kAutoBackupReloadDataNotification,
                                                                         static_cast<QObject*>(this));
}

// ---- the manual backup -------------------------------------------------------------

// The panels open where the last backup went or came from; the first one
// in the Downloads folder, or the home folder where there is none (never the
// folder the program happened to be started in).
FilePanelRequest MainView::backupPanelRequest() const
{
    FilePanelRequest request;
    request.allowedFileTypes = {QString::fromLatin1(BackupFile::manualBackupExtension)};
    const QString downloads = FilePicker::expandTilde(QStringLiteral("~/Downloads"));
    if (!m_lastBackupFolder.isEmpty() && QFileInfo(m_lastBackupFolder).isDir())
        request.directory = m_lastBackupFolder;
    else
        request.directory = QFileInfo(downloads).isDir() ? downloads : FilePicker::expandTilde(QStringLiteral("~"));
    return request;
}

void MainView::rememberBackupFolder(const QString& path)
{
    m_lastBackupFolder = QFileInfo(path).absolutePath();
}

void MainView::backup(QObject*)
{
    FilePanelRequest request = backupPanelRequest();
    request.nameFieldStringValue = QStringLiteral("Database");
    const std::optional<QString> path = FilePicker::current().runSavePanel(request);
    if (!path) return;
    rememberBackupFolder(*path);
    // A consistent copy, not the live file, which a sync may be writing.
    const std::optional<QByteArray> database = BackupFile::databaseSnapshot();
    const std::optional<QByteArray> content =
        database ? BackupFile::encode(*database, QString::fromLatin1(BackupFile::manualBackupKeyText)) : std::nullopt;
    if (!content || !FileWriter::current().writeAtomically(*path, *content)) showBackupError(*path);
}

// ---- restore ---------------------------------------------------------------------

void MainView::restore(QObject*)
{
    const std::optional<QString> path = FilePicker::current().runOpenPanel(backupPanelRequest());
    if (!path) return;
    rememberBackupFolder(*path);
    restoreFile(*path, QString::fromLatin1(BackupFile::manualBackupKeyText));
}

bool MainView::restoreFile(const QString& path, const QString& key)
{
    if (m_isRestoring) {
        qWarning("A restore is already under way; '%s' is not restored.", qUtf8Printable(path));
        return false;
    }
    CoreData* data = manager();
    if (!data || !databaseOpen) {
        showRestoreError(path, QStringLiteral("no database is open"));
        return false;
    }
    QScopedValueRollback restoring(m_isRestoring, true);

    // Everything about the file is checked before anything changes.
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        // An automatic backup listed before a newer one took its place is
        // gone: that is what the user hears, not that the file is no backup.
        const bool gone = !QFileInfo::exists(path);
        showRestoreError(path, gone ? QStringLiteral("it is no longer there") : file.errorString(),
                         gone ? TextTable::localizedString(QStringLiteral("restoreGoneMessage"))
                              : TextTable::localizedString(QStringLiteral("restoreErrorMessage")));
        return false;
    }
    const QByteArray bytes = file.readAll();
    file.close();
    QString problem;
    const std::optional<QByteArray> payload = BackupFile::decode(bytes, key, &problem);
    if (!payload || !BackupFile::hasSQLiteHeader(*payload)) {
        showRestoreError(path, payload ? QStringLiteral("it holds no SQLite database") : problem);
        return false;
    }

    if (m_openWindow) m_openWindow();
    Window* host = qobject_cast<Window*>(window());
    if (!m_progressWindow) {
        m_progressWindow = std::make_unique<Window>(QRectF(QPointF(0, 0), progressPanelSize), BorderlessWindowMask);
        m_progressWindow->setContentView(new ProgressView(QRectF(QPointF(0, 0), progressPanelSize)));
    }
    auto* progress = static_cast<ProgressView*>(m_progressWindow->contentView());
    if (host && host != m_progressWindow.get()) {
        // Its own size each time: the last sheet may have been narrowed to a
        // narrower window.
        m_progressWindow->setFrame(QRectF(m_progressWindow->frame().topLeft(), progressPanelSize), false);
        host->beginSheet(m_progressWindow.get());
        const QRectF placed = m_progressWindow->frame();
        m_progressWindow->setFrameOrigin(QPointF(placed.x(), placed.y() - progressPanelDrop));
    } else {
        m_progressWindow->orderFront();
    }
    progress->progessIndicator()->startAnimation();
    const auto endSheet = [&] {
        progress->progessIndicator()->stopAnimation();
        if (host && host->attachedSheet() == m_progressWindow.get()) host->endSheet(m_progressWindow.get());
        m_progressWindow->orderOut();
    };

    // The decoded database is written beside the live one and checked as a
    // copy while the panel paints.
    bool notOurs = false;
    const bool sound = runWhilePainting([&] { return DatabaseRestore::writeIncoming(*payload, &problem, &notOurs); });
    if (!sound) {
        endSheet();
        const bool full = problem == QLatin1String("the disk is full");
        showRestoreError(path, problem,
                         notOurs ? TextTable::localizedString(QStringLiteral("restoreErrorMessage"))
                         : full  ? TextTable::localizedString(QStringLiteral("restoreDiskFullMessage"))
                                 : TextTable::localizedString(QStringLiteral("restoreCannotWriteMessage")));
        return false;
    }

    // A sync still running would write into the closed database.
    if (ZVWSync* webSync = data->zvwSync(); webSync && !webSync->waitUntilIdle(syncWaitSeconds))
        qWarning("The web sync did not end; the restore goes on under the busy database.");
    if (!iCalSync::waitUntilIdle(syncWaitSeconds))
        qWarning("The calendar-store sync did not end; the restore goes on under the busy database.");

    // Automatic web sync goes off with the restore; the user hears of it
    // when it was on.
    const SettingPtr settingsBefore = currentSettings();
    const bool autoSyncWasOn = settingsBefore && settingsBefore->autoZVWSync() != 0;

    m_progressWindow->repaint();
    // The program's items leave the calendar store, the database is
    // replaced and the restored items go to the store: a kill anywhere in
    // between is finished by the next start.
    bool restoredHadAutoSync = false;
    if (!DatabaseRestore::replaceDatabase(*data, data->icalSync(), &restoredHadAutoSync)) {
        endSheet();
        reloadData();
        showRestoreError(path, QStringLiteral("the restored database could not take the place of the old one"));
        return false;
    }
    endSheet();
    reloadData();

    if (autoSyncWasOn || restoredHadAutoSync) {
        AlertRequest alert;
        alert.style = AlertStyle::Warning;
        const int goToSettings = alert.addButtonWithTitle(TextTable::localizedString(QStringLiteral("gotoSettingText")));
        alert.addButtonWithTitle(TextTable::localizedString(QStringLiteral("okText")));
        alert.messageText = TextTable::localizedString(QStringLiteral("autoSyncDisableText"));
        alert.informativeText = TextTable::localizedString(QStringLiteral("autoSyncDisableMessage"));
        if (AlertPresenter::current().runModal(alert).button == goToSettings) {
            Preferences* preferences = preferencesWindow();
            preferences->setSelectedItemIdentifier(TextTable::localizedString(QStringLiteral("syncText")));
            preferences->sync(this);
            preferences->makeKeyAndOrderFront();
        }
    }
    return true;
}
