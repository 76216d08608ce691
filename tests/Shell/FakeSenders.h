#pragma once

#include "TaskListTableView.h"

#include <QObject>

// A table of a class derived from the task list's.
class DerivedTaskListTableView : public TaskListTableView {
    Q_OBJECT

public:
    using TaskListTableView::TaskListTableView;
};
