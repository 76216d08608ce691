#pragma once

#include <QStringList>

#include <vector>

class Notification;

// Which panes the main view reloads after "Task changed", by the class of
// the view that reported the change: only those that can show it.
namespace RefreshRule {

enum class Pane {
    TaskList,
    NoteList,
    ProjectList,
    FocusPane,
    MonthAndDay,        // the mini month with its day label, then the day pane
    MonthAndDayForced,  // the same, the mini month even while hidden
    Navigator,
    Planner,            // the planner in front (nothing outside planner mode)
};

// The sender's class and the classes it derives from, nearest first: a
// view's meta-object chain, "CoreData" for the data manager, nothing for
// anything else (or no sender).
QStringList classChainOfSender(const Notification& notification);

// The panes to reload, in order, for a sender of that class chain; the
// first row of the rule that names a class of the chain decides. The
// quick-add bar's rows follow the data manager's item being added
// (modifyingTaskType: 1 task, 0 event, 3 note).
std::vector<Pane> panesToReload(const QStringList& senderClassChain, bool plannerMode, qint64 modifyingTaskType);

}  // namespace RefreshRule
