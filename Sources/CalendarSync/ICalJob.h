#pragma once

#include "ModelTypes.h"

#include <QStringList>

// One job of the system-calendar sync: what an entry or an observer hands to
// its thread, packed in one value.
struct ICalJob {
    enum class Kind {
        // category pushes
        InsertCalendar, UpdateCalendar, DeleteCalendar, CalendarLists, DeleteCalendarNow,
        // event pushes
        InsertEvent, InsertEventList, InsertAndUpdateEvents, InsertEventRoot, UpdateEvent, DeleteEvent,
        SyncDeleteEvent, SplitEvent,
        // task pushes
        InsertTask, InsertTaskList, UpdateTask, DeleteTask, SyncDeleteTask,
        // whole passes
        FullSync, RestoreCalendars, WebItemLists,
        // imports of what other programs changed
        InsertCalendarsFromICal, UpdateCalendarsFromICal, DeleteCalendarsFromICal,
        InsertEventsFromICal, UpdateEventsFromICal, DeleteEventsFromICal,
        InsertTasksFromICal, UpdateTasksFromICal, DeleteTasksFromICal,
    };

    Kind kind = Kind::FullSync;
    TaskList items;            // the event, task or list concerned
    CalendarPtr calendar;      // the category concerned
    QList<TaskList> itemLists; // insert, update (and delete) lists
    QList<CalendarList> calendarLists;
    qint64 type = -1;          // update or delete scope
    bool flag = false;         // andInsertToZVW; a restore's inserts: over the files it left
    QStringList uids;          // the batch of an import
    qint64 writeDue = 0;       // the count of the item's mark an update clears once written
};

// What a job's work did, for the steps that follow it once the flag is back.
struct ICalJobOutcome {
    bool changedLocalItems = false;  // the views reload
    qint64 autoSyncMask = 0;         // 1 categories, 2 items: a web push is asked for
    bool autoSyncEvenWhenOff = false; // the push asked for whatever the automatic-sync setting says
};
