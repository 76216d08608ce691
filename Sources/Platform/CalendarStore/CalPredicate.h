#pragma once

#include "Date.h"

#include <QString>
#include <QStringList>

// What a query of the store asks for: the events overlapping a date range
// (optionally of one uid) or the tasks, in the named calendars.
struct CalPredicate {
    enum class Kind { Events, Tasks };

    Kind kind = Kind::Events;
    Date startDate;
    Date endDate;
    QString uid;               // empty: any uid
    QStringList calendarUids;  // the calendars searched
};
