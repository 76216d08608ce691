#include "TimezoneList.h"

#include "Utilities.h"

TimezoneObj TimezoneList::makeEntry(const QString& name, qint64 key, const QString& regionName)
{
    return TimezoneObj{key, name, Utilities::getCityNameFromTimezoneString(regionName), regionName};
}

void TimezoneList::addObject(const QString& name, qint64 key, const QString& city)
{
    m_zones.append(makeEntry(name, key, city));
}

void TimezoneList::insertObject(const QString& name, qint64 key, const QString& city, qsizetype index)
{
    m_zones.insert(std::clamp<qsizetype>(index, 0, m_zones.size()), makeEntry(name, key, city));
}
