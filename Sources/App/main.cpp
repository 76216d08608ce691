#include "CoreData.h"
#include "Utilities.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Zoravel"));
    QCoreApplication::setApplicationName(QStringLiteral("Zoravel"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ZORAVEL_VERSION));
    // Read once: the time texts keep the clock the locale had at launch.
    Utilities::setUse24HourClock(Utilities::check24HourFormat());

    CoreData dataManager;
    CoreData::setShared(&dataManager);
    // A refused start has told the user why already (alert and log).
    if (!dataManager.init()) return 1;
    QTextStream(stdout) << "Zoravel is built and its data is ready in " << CoreData::databasePath()
                        << ". It has no window yet: the application shell is not written.\n";
    return 0;
}
