#include "RefreshRule.h"

#include "CoreData.h"
#include "Notification.h"

#include <QMetaObject>
#include <QObject>

namespace RefreshRule {

QStringList classChainOfSender(const Notification& notification)
{
    QStringList chain;
    if (QObject* sender = notification.objectAs<QObject*>()) {
        // A class's own name, without the namespace that may hold it.
        for (const QMetaObject* meta = sender->metaObject(); meta; meta = meta->superClass())
            chain.append(QString::fromLatin1(meta->className()).section(QStringLiteral("::"), -1));
    } else if (notification.objectAs<CoreData*>()) {
        chain.append(QStringLiteral("CoreData"));
    }
    return chain;
}

namespace {

using enum Pane;

// The rows an item's kind picks among: a task, an event, a note.
std::vector<Pane> taskDetailRow(bool planner)
{
    if (planner) return {TaskList, Planner, ProjectList};
    return {TaskList, MonthAndDay, ProjectList};
}

std::vector<Pane> eventDetailRow(bool planner)
{
    if (planner) return {TaskList, Navigator, Planner, ProjectList};
    return {TaskList, MonthAndDay, ProjectList};
}

std::vector<Pane> noteRow(bool planner)
{
    if (planner) return {NoteList, TaskList, Planner, FocusPane, ProjectList};
    return {NoteList, TaskList, FocusPane, ProjectList};
}

struct Row {
    QStringList classes;
    std::vector<Pane> (*panes)(bool planner, qint64 modifyingTaskType);
};

const std::vector<Row>& rows()
{
    static const std::vector<Row> table{
        {{QStringLiteral("TaskDetailView")}, [](bool p, qint64) { return taskDetailRow(p); }},
        {{QStringLiteral("EventDetailView")}, [](bool p, qint64) { return eventDetailRow(p); }},
        {{QStringLiteral("NoteView")}, [](bool p, qint64) { return noteRow(p); }},
        {{QStringLiteral("QuickAddView")},
         [](bool p, qint64 type) {
             switch (type) {
             case 1: return taskDetailRow(p);
             case 0: return eventDetailRow(p);
             case 3: return noteRow(p);
             default: return std::vector<Pane>{};
             }
         }},
        {{QStringLiteral("CalendarView")},
         [](bool, qint64) { return std::vector<Pane>{TaskList, MonthAndDay, ProjectList}; }},
        {{QStringLiteral("MonthCellView")},
         [](bool p, qint64) {
             if (p) return std::vector<Pane>{TaskList, Navigator, Planner, NoteList, ProjectList};
             return std::vector<Pane>{TaskList, MonthAndDay, NoteList, ProjectList};
         }},
        {{QStringLiteral("PlannerCellView"), QStringLiteral("PlannerItemView"), QStringLiteral("PlannerWeeklyItemView")},
         [](bool, qint64) { return std::vector<Pane>{TaskList, Navigator, Planner, NoteList, ProjectList}; }},
        {{QStringLiteral("TaskListItemView")},
         [](bool, qint64) { return std::vector<Pane>{TaskList, FocusPane, Navigator, Planner, ProjectList}; }},
        {{QStringLiteral("MainView"), QStringLiteral("CoreData"), QStringLiteral("SearchResultView")},
         [](bool p, qint64) {
             if (p) return std::vector<Pane>{TaskList, Navigator, Planner, NoteList, ProjectList};
             return std::vector<Pane>{TaskList, MonthAndDayForced, NoteList, ProjectList};
         }},
        {{QStringLiteral("TaskView")}, [](bool p, qint64) { return taskDetailRow(p); }},
        {{QStringLiteral("TaskListTableView")},
         [](bool p, qint64) {
             if (p) return std::vector<Pane>{TaskList, Navigator, Planner};
             return std::vector<Pane>{TaskList, MonthAndDay};
         }},
        {{QStringLiteral("FocusPaneDetailView")}, [](bool, qint64) { return std::vector<Pane>{TaskList, FocusPane}; }},
        {{QStringLiteral("LinkDetailView")},
         [](bool, qint64) { return std::vector<Pane>{TaskList, NoteList, FocusPane}; }},
        {{QStringLiteral("FocusPaneView"), QStringLiteral("AddLinkView")},
         [](bool, qint64) { return std::vector<Pane>{TaskList, NoteList, MonthAndDay}; }},
    };
    return table;
}

}  // namespace

std::vector<Pane> panesToReload(const QStringList& senderClassChain, bool plannerMode, qint64 modifyingTaskType)
{
    // Rows are tried in order, each against the whole chain: a class that
    // derives from two named ones is decided by the earlier row.
    for (const Row& row : rows())
        for (const QString& name : row.classes)
            if (senderClassChain.contains(name)) return row.panes(plannerMode, modifyingTaskType);
    return {};
}

}  // namespace RefreshRule
