#pragma once

#include "TimezoneObj.h"

#include <QList>

// The zone table in memory, in display order.
class TimezoneList {
public:
    void addObject(const QString& name, qint64 key, const QString& city);
    void insertObject(const QString& name, qint64 key, const QString& city, qsizetype index);

    const QList<TimezoneObj>& zones() const { return m_zones; }
    void setZones(const QList<TimezoneObj>& zones) { m_zones = zones; }

private:
    static TimezoneObj makeEntry(const QString& name, qint64 key, const QString& regionName);
    QList<TimezoneObj> m_zones;
};
