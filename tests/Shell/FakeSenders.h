#pragma once

#include "TaskListTableView.h"

#include <QObject>

// Senders of classes the main view tells apart whose panes are not built
// here; it reads a class's own name, whatever namespace holds it.
namespace fake_senders {

class FocusPaneDetailView : public QObject {
    Q_OBJECT
};

}  // namespace fake_senders

using fake_senders::FocusPaneDetailView;

// A table of a class derived from the task list's.
class DerivedTaskListTableView : public TaskListTableView {
    Q_OBJECT

public:
    using TaskListTableView::TaskListTableView;
};
