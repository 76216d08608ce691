#include "DatabaseSchema.h"
#include "SessionSignals.h"
#include "ZVApplication.h"
#include "ZoravelAppDelegate.h"

#include <QTimer>

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
            // A start that handed over to the copy already running, or that the
            // person quit while it waited for another program, is no failure.
            status = delegate.handedToRunningCopy() || delegate.quitWhileWaiting() ? 0 : 1;
            QCoreApplication::exit(status);
        }
    });
    const int loopStatus = app.exec();
    return status != 0 ? status : loopStatus;
}
