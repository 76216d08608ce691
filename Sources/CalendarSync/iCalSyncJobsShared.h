#pragma once

// What the full sync and the imports of the calendar-store jobs both do.
#include "CalCalendarStore.h"
#include "CoreData.h"
#include "MainQueue.h"
#include "ModelTypes.h"

#include <QString>

// The folder of a store calendar, as the store names it: a slash in the uid
// would otherwise reach into another folder.
inline QString calendarFolderOf(const CalCalendarStore& store, const QString& calendarUid)
{
    return store.rootPath() + QLatin1Char('/') + QString(calendarUid).replace(QLatin1Char('/'), QLatin1Char('_'))
           + QStringLiteral(".calendar");
}

// The data manager's categories read again after the store changed them.
// The rows are read into new records here, on the store's worker; the list
// the views see takes them on the main thread, which alone writes it and its
// records, and the worker goes on once it has them. The list is replaced in
// one locked step, never empty between: no lookup has a reload to wait for
// (and one on the main thread waiting would hold up the hand-off).
inline void reloadCategories(CoreData& manager)
{
    const CalendarList read = manager.getCalendarList();
    MainQueue::sync([&manager, &read] { manager.doWithCalendarList(read, ListAction::Replace); });
}
