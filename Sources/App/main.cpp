#include "ZVApplication.h"
#include "ZoravelAppDelegate.h"

#include <QTimer>

int main(int argc, char* argv[])
{
    // The program places its own windows (under the tray icon, at a screen
    // edge), which a Wayland session does not allow: ask for X (XWayland
    // there) unless the user chose a platform.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "xcb");
    ZVApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Zoravel"));
    QCoreApplication::setApplicationName(QStringLiteral("Zoravel"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ZORAVEL_VERSION));
    // The program lives in the tray: closing its last window is no reason to end.
    QApplication::setQuitOnLastWindowClosed(false);

    ZoravelAppDelegate delegate;
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
