#pragma once

// What the full sync and the imports of the calendar-store jobs both do.
#include "CalCalendarStore.h"
#include "CoreData.h"

#include <QString>

// The folder of a store calendar, as the store names it: a slash in the uid
// would otherwise reach into another folder.
inline QString calendarFolderOf(const CalCalendarStore& store, const QString& calendarUid)
{
    return store.rootPath() + QLatin1Char('/') + QString(calendarUid).replace(QLatin1Char('/'), QLatin1Char('_'))
           + QStringLiteral(".calendar");
}

// The data manager's categories read again after the store changed them.
inline void reloadCategories(CoreData& manager)
{
    manager.setCalendarReloadInProgress(true);
    manager.doWithCalendarList(manager.getCalendarList(), 2);
    manager.setCalendarReloadInProgress(false);
}
