#include "Utilities.h"

QString Utilities::getCityNameFromTimezoneString(const QString& zone)
{
    const QStringList pieces = zone.split(QLatin1Char('/'));
    QString city;
    if (pieces.size() > 1)
        city = pieces.last();
    else
        city = zone.size() < 13 ? zone : zone.mid(12);  // after a label such as "(GMT+01:00) "
    return city.replace(QLatin1Char('_'), QLatin1Char(' '));
}
