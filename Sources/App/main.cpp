#include "DatabaseSchema.h"
#include "ZVApplication.h"
#include "ZoravelAppDelegate.h"

#include <QSocketNotifier>
#include <QTimer>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};

void quitOnSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
}

// The end of the session (SIGTERM, SIGHUP) or Ctrl+C quits as the tray's Quit
// does, so the settings are saved and the database is closed. The handler
// only writes a byte; the quit happens on the event loop.
void quitCleanlyOnSignals(QObject* context)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0) return;
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, context);
    QObject::connect(notifier, &QSocketNotifier::activated, context, [] {
        char byte = 0;
        [[maybe_unused]] const ssize_t read = ::read(signalPipe[0], &byte, 1);
        QCoreApplication::quit();
    });
    struct sigaction action {};
    action.sa_handler = quitOnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) sigaction(signal, &action, nullptr);
}

}  // namespace

int main(int argc, char* argv[])
{
    // The program places its own windows (under the tray icon, at a screen
    // edge), which a Wayland session does not allow: ask for X (XWayland
    // there) unless the user chose a platform.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "xcb");
    // The start's check of the database waits for the template's schema
    // (read and upgraded in memory, 25-35 ms): from here it is read while
    // the application object connects to the display.
    DatabaseSchema::readTemplateAhead();
    ZVApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Zoravel"));
    QCoreApplication::setApplicationName(QStringLiteral("Zoravel"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ZORAVEL_VERSION));
    // The program lives in the tray: closing its last window is no reason to end.
    QApplication::setQuitOnLastWindowClosed(false);

    ZoravelAppDelegate delegate;
    quitCleanlyOnSignals(&delegate);
    int status = 0;
    // The launch runs once the event loop turns, as windows expect.
    QTimer::singleShot(0, &delegate, [&] {
        if (!delegate.applicationDidFinishLaunching()) {
            status = 1;
            QCoreApplication::exit(1);
        }
    });
    const int loopStatus = app.exec();
    return status != 0 ? status : loopStatus;
}
