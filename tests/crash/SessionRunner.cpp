// The program as main starts it (on the data folder of XDG_DATA_HOME, under
// the application name and version given as arguments), with
// the session's signals handled as there. Once launched it fires the alarm of
// the task whose key is the third argument, as the minute's check does, and
// writes "alert" on its standard output once the alert is open, so that the
// session-end test sends its SIGTERM then. A fourth argument "tray" gives it
// a desktop with a tray, whose start goes on by timers as the program's does
// on such a desktop. Exit status as the program's.
#include "Clock.h"
#include "CoreData.h"
#include "LocalNotification.h"
#include "MessageBoxAlertPresenter.h"
#include "RecordStore.h"
#include "Task.h"
#include "SessionSignals.h"
#include "StatusItem.h"
#include "ZVApplication.h"
#include "ZoravelAppDelegate.h"

#include <QTimer>

#include <cstdio>

namespace {

// A tray that is there but shows nothing (the offscreen platform has none).
class RunnerTray : public StatusItem {
public:
    QRectF rectOnScreen() const override { return {}; }
    bool isAvailable() const override { return true; }

protected:
    void showIcon(const QImage&) override {}
};

}  // namespace

int main(int argc, char* argv[])
{
    ZVApplication app(argc, argv);
    if (argc < 4) return 2;
    QCoreApplication::setOrganizationName(QStringLiteral("Zoravel"));
    QCoreApplication::setApplicationName(QString::fromLocal8Bit(argv[1]));
    QCoreApplication::setApplicationVersion(QString::fromLocal8Bit(argv[2]));
    QApplication::setQuitOnLastWindowClosed(false);
    const bool withTray = argc > 4 && qstrcmp(argv[4], "tray") == 0;
    ZoravelAppDelegate delegate(withTray ? std::make_unique<RunnerTray>() : nullptr);
    quitCleanlyOnSignals(&delegate);
    int status = 0;
    QTimer::singleShot(0, &delegate, [&] {
        if (!delegate.applicationDidFinishLaunching()) {
            status = 1;
            QCoreApplication::exit(1);
            return;
        }
        QTimer::singleShot(200, &delegate, [key = QByteArray(argv[3]).toLongLong()] {
            auto alarm = std::make_shared<LocalNotification>();
            alarm->setTask(Task::initWithPrimaryKey(key, RecordStore::sharedDatabase()));
            alarm->setDateFire(Clock::now());
            if (alarm->task() && CoreData::shared()) CoreData::shared()->fireAlertNotificationWithLocalNotification({alarm});
        });
    });
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (!MessageBoxAlertPresenter::isRunning()) return;
        watch.stop();
        std::puts("alert");
        std::fflush(stdout);
    });
    watch.start(20);
    const int loopStatus = app.exec();
    return status != 0 ? status : loopStatus;
}
