// Start-up time: from the moment the process is started to the main window
// on screen, less the fixed delays of the launch (the splash's 0.4 s head
// start and the 0.1 s before the window opens). One launch per process, as
// the user gets it; bench/startup-bench.sh runs it several times under Xvfb
// (the first run warms the disk cache and is dropped) and gives the median.
//
//   StartupBench <start time in ns since the epoch> <data folder>
//
// Prints the milliseconds and ends. Not a Google Benchmark: one launch
// cannot be repeated inside one process.
#include "CoreData.h"
#include "NetworkStatus.h"
#include "Setting.h"
#include "Window.h"
#include "ZVApplication.h"
#include "ZoravelAppDelegate.h"

#include <QDateTime>
#include <QTextStream>
#include <QTimer>
#include <QWindow>

#include <chrono>

namespace {

qint64 nowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

}  // namespace

int main(int argc, char* argv[])
{
    if (argc < 3) {
        QTextStream(stderr) << "usage: StartupBench <start ns> <data folder>\n";
        return 2;
    }
    const qint64 startNs = QByteArray(argv[1]).toLongLong();
    qputenv("XDG_DATA_HOME", argv[2]);
    ZVApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Zoravel"));
    QCoreApplication::setApplicationName(QStringLiteral("Zoravel"));
    // The version stored at the first start: the same one keeps the wizard away.
    QCoreApplication::setApplicationVersion(QStringLiteral(ZORAVEL_VERSION));
    QApplication::setQuitOnLastWindowClosed(false);
    // No network monitors reaching out: the figure is the program's own.
    NetworkStatus::instance().setOverride(0);

    ZoravelAppDelegate delegate;
    int status = 0;
    QTimer::singleShot(0, &delegate, [&] {
        if (!delegate.applicationDidFinishLaunching()) {
            status = 1;
            QCoreApplication::exit(1);
            return;
        }
        if (const SettingPtr setting = CoreData::shared()->currentSetting(); setting->startUpWizard() != 0) {
            QTextStream(stderr) << "the data folder is a first run (wizard); start once with it first\n";
            status = 1;
            QCoreApplication::exit(1);
        }
    });
    QTimer poll;
    poll.setInterval(1);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        Window* window = delegate.mainWindow();
        if (!window || !window->windowHandle() || !window->windowHandle()->isExposed()) return;
        poll.stop();
        const double delays = ZoravelAppDelegate::mainWindowDelay + ZoravelAppDelegate::openWindowDelay;
        const double ms = (nowNs() - startNs) / 1e6 - delays * 1000;
        QTextStream(stdout) << QString::number(ms, 'f', 1) << "\n";
        QCoreApplication::quit();
    });
    poll.start();
    QTimer::singleShot(10000, [&] {
        QTextStream(stderr) << "the main window did not show in 10 s\n";
        status = 1;
        QCoreApplication::exit(1);
    });
    const int loop = app.exec();
    return status != 0 ? status : loop;
}
