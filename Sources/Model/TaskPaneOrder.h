#pragma once

#include "Date.h"

#include <QList>
#include <QtGlobal>

// The task pane's "reorder" of its today and due lists: the tasks are put in
// date order and the order values they already hold are handed out again in
// ascending order along it, so the earliest task gets the smallest value and
// tasks outside the list keep theirs.
namespace TaskPaneOrder {

struct Entry {
    Date date;  // start (today list) or due time (due list); a missing date comes first
    qint64 taskOrder = 0;
};

struct Reorder {
    QList<qsizetype> positions;  // indexes into the entries, in date order (ties keep their order)
    QList<qint64> orders;        // the new order value of each of those positions
};

Reorder reorderByDate(const QList<Entry>& entries);

}  // namespace TaskPaneOrder
