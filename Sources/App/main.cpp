#include "Utilities.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Zoravel"));
    QCoreApplication::setApplicationName(QStringLiteral("Zoravel"));
    // Read once: the time texts keep the clock the locale had at launch.
    Utilities::setUse24HourClock(Utilities::check24HourFormat());
    QTextStream(stdout) << "Zoravel is built. It has no window yet: the application shell is not written.\n";
    return 0;
}
