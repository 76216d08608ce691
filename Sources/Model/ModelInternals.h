#pragma once

// What several of the data manager's and the web sync's source files share:
// the stored codes they test and the reads they all make. Each of these once
// lived in every file that used it.
#include "CoreData.h"
#include "Date.h"
#include "QueryStatement.h"
#include "RecordGuard.h"
#include "Setting.h"

#include <QSet>
#include <QString>

// Category kinds: a category that holds only tasks, or only events.
inline constexpr qint64 tasksOnlyCategory = 1;
inline constexpr qint64 eventsOnlyCategory = 2;
// The key of an item that has no row yet.
inline constexpr qint64 newItemKey = -1;
// The stored form of "no date" in completedDate, dueEnd and occurrence.
inline constexpr Date zeroDate = Date::dateWithTimeIntervalSince1970(0);
// The task pane's filter of every open task.
inline constexpr qint64 paneActiveTasks = 0;
// The scope of a change to a repeating event: this occurrence only.
inline constexpr qint64 updateThisOccurrence = 0;

// The data manager's settings record, or null before there is one.
inline SettingPtr localSetting()
{
    const CoreData* dataManager = CoreData::shared();
    return dataManager ? dataManager->currentSetting() : nullptr;
}

// Records sent to or asked of the web service in one request.
inline constexpr qsizetype batchSize = 50;

// Two names are one when they match without blanks and letter case.
inline QString matchKey(const QString& name)
{
    QString key = name.toUpper();
    key.remove(QLatin1Char(' '));
    return key;
}

// A loaded item always reads as changed: the column tells what waits for upload.
inline QSet<qint64> keysWithChanges()
{
    RecordGuard guard;
    QueryStatement query("SELECT primaryKey FROM Tasks WHERE hasChanges != 0");
    const QList<qint64> keys = query.int64Column();
    return QSet<qint64>(keys.cbegin(), keys.cend());
}
