#pragma once

#include <QtGlobal>

// What the data manager reads of the task list when it adds an item: the
// filters the user is looking at decide a few defaults of the new item. The
// task list installs itself when it is built; until then, and in a process
// without one, every value is 0 (no filter chosen).
class TaskListState {
public:
    virtual ~TaskListState();

    // The task pane's filter, numbered as the task filters: 2 pinned, 4 due.
    virtual qint64 todayTaskFilterIndex() const = 0;
    // The selected tag of the type pop-up: 2 while checklist items are listed.
    virtual qint64 typeViewSelectedTag() const = 0;
    // The list's own filter index: 1 for checklist items.
    virtual qint64 filterIndex() const = 0;

    static const TaskListState& current();
    // Installs a state (not owned); null restores the empty one.
    static void setCurrent(const TaskListState* state);
};
