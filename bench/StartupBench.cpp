// Start-up time: from the moment the process is started to the first window
// on screen, as the user gets it, one launch per process.
// bench/startup-bench.sh runs it several times under Xvfb and gives the
// medians.
//
//   StartupBench <start time in ns since the epoch> <data folder>
//     A first start (no database yet) prints "wizard <ms>": the welcome
//     panel on screen. A later start prints "splash <ms> main <ms>": the
//     splash on screen, then the main window on screen. The times count
//     from the given start and include the launch's fixed delays (the
//     splash shows 0.1 s after the launch; the main view is built 0.4 s
//     after it and its window opens 0.1 s later).
//   StartupBench --fill <data folder>
//     Puts the loading benchmark's 50,000 items into the database a first
//     start made there.
//   StartupBench --settle <start time> <data folder>
//     A later start that, once the main window is on screen, waits for the
//     calendar store's full sync that follows it and the store's work to
//     end (the first one writes every item's file) instead of quitting at
//     once, with no time limit; it prints the same line and then
//     "memory peak <KiB> after <KiB> heap <KiB> trimmed <KiB>": the process's
//     peak resident set (VmHWM), its resident set once the store's work has
//     ended (VmRSS), the heap in use then (malloc's count of allocated
//     bytes), and the resident set once the free heap went back (malloc_trim).
//
// Not a Google Benchmark: one launch cannot be repeated inside one process.
#include "CoreData.h"
#include "DatabaseSchema.h"
#include "iCalSync.h"
#include "MainQueue.h"
#include "NetworkStatus.h"
#include "Setting.h"
#include "SplashScreenView.h"
#include "StartupTrace.h"
#include "StartUpWizardPanel.h"
#include "Window.h"
#include "ZVApplication.h"
#include "ZoravelAppDelegate.h"
#include "support/LoadingData.h"

#include <QDateTime>
#include <QTextStream>
#include <QTimer>
#include <QWindow>

#include <QFile>

#include <chrono>
#include <optional>

#include <malloc.h>

namespace {

qint64 nowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

// A field of /proc/self/status in KiB ("VmHWM", "VmRSS"); -1 when unknown.
qint64 statusKiB(const QByteArray& field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(QByteArray(field + ':'))) return line.mid(field.size() + 1).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

bool isOnScreen(const QWidget* window)
{
    return window && window->windowHandle() && window->windowHandle()->isExposed();
}

int fill(const QString& dataFolder)
{
    const QByteArray path = (dataFolder + QStringLiteral("/Zoravel/Zoravel/Database.sql")).toUtf8();
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.constData(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        QTextStream(stderr) << "no database at " << path << "; start once first\n";
        return 1;
    }
    LoadingData::Writer(db).write();
    sqlite3_close(db);
    return 0;
}

}  // namespace

int main(int argc, char* argv[])
{
    if (argc < 3) {
        QTextStream(stderr) << "usage: StartupBench <start ns> <data folder> | --fill <data folder>\n";
        return 2;
    }
    if (QByteArray(argv[1]) == "--fill") return fill(QString::fromLocal8Bit(argv[2]));
    const bool settle = QByteArray(argv[1]) == "--settle";
    if (settle && argc < 4) {
        QTextStream(stderr) << "usage: StartupBench --settle <start ns> <data folder>\n";
        return 2;
    }
    char** args = settle ? argv + 1 : argv;
    const qint64 startNs = QByteArray(args[1]).toLongLong();
    qputenv("XDG_DATA_HOME", args[2]);
    // ZORAVEL_STARTUP_TRACE=1 traces the steps from the process's start.
    if (qEnvironmentVariableIsSet("ZORAVEL_STARTUP_TRACE")) qputenv("ZORAVEL_STARTUP_TRACE", args[1]);
    StartupTrace::mark("main");
    // The start's check of the database waits for the template's schema
    // (read and upgraded in memory, 25-35 ms): from here it is read while
    // the application object connects to the display.
    DatabaseSchema::readTemplateAhead();
    ZVApplication app(argc, argv);
    StartupTrace::mark("application made");
    QCoreApplication::setOrganizationName(QStringLiteral("Zoravel"));
    QCoreApplication::setApplicationName(QStringLiteral("Zoravel"));
    // The version stored at the first start: the same one keeps the wizard away.
    QCoreApplication::setApplicationVersion(QStringLiteral(ZORAVEL_VERSION));
    QApplication::setQuitOnLastWindowClosed(false);
    // No network monitors reaching out: the figure is the program's own.
    NetworkStatus::instance().setOverride(0);

    const auto sinceStart = [startNs] { return QString::number((nowNs() - startNs) / 1e6, 'f', 1); };
    ZoravelAppDelegate delegate;
    int status = 0;
    QTimer::singleShot(0, &delegate, [&] {
        if (!delegate.applicationDidFinishLaunching()) {
            status = 1;
            QCoreApplication::exit(1);
        }
    });
    std::optional<QString> splash;
    QTimer poll;
    poll.setInterval(1);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (isOnScreen(delegate.wizardPanel())) {
            poll.stop();
            QTextStream(stdout) << "wizard " << sinceStart() << "\n";
            QCoreApplication::quit();
            return;
        }
        const SplashScreenView* splashView = delegate.splashView();
        if (!splash && splashView && isOnScreen(splashView->window())) {
            splash = sinceStart();
            StartupTrace::mark("splash on screen");
        }
        if (!isOnScreen(delegate.mainWindow())) return;
        poll.stop();
        StartupTrace::mark("main window on screen");
        QTextStream(stdout) << "splash " << splash.value_or(QStringLiteral("-")) << " main " << sinceStart() << "\n";
        if (settle) {
            // The full sync follows the window, once the store's files are read.
            MainQueue::waitWhile([&delegate] { return !delegate.calendarStoreSynced(); }, 3600);
            if (const CoreData* manager = CoreData::shared(); manager && manager->icalSync())
                manager->icalSync()->waitForQueuedJobs(3600);
            QTextStream(stdout) << "memory peak " << statusKiB("VmHWM") << " after " << statusKiB("VmRSS") << " heap "
                                << qint64(mallinfo2().uordblks >> 10);
            // What of the resident set is free heap that a trim would give back.
            malloc_trim(0);
            QTextStream(stdout) << " trimmed " << statusKiB("VmRSS") << "\n";
        }
        QCoreApplication::quit();
    });
    poll.start();
    if (!settle) QTimer::singleShot(10000, [&] {
        QTextStream(stderr) << "no window showed in 10 s\n";
        status = 1;
        QCoreApplication::exit(1);
    });
    const int loop = app.exec();
    return status != 0 ? status : loop;
}
