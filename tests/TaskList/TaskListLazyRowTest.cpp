// A reload hands every row its item at once but binds a row only when it is
// first used (in view, asked for a control or a state). Whatever happened to
// the items between two reloads, every row must show, once in view, exactly
// what a row made for its item anew shows, in the order a fresh load gives.
#include "TaskListPaneFixture.h"

#include "Button.h"

namespace TaskListLazyRowTests {

struct Shown {
    QString name;
    QString toolTip;
    int done = -1;
    int star = -1;
    int typeOfDue = -1;
    QRgb colour = 0;
    bool operator==(const Shown&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Shown& s)
{
    return out << s.name.toStdString() << " / " << s.toolTip.toStdString() << " done " << s.done << " star " << s.star
               << " due " << s.typeOfDue << " colour " << std::hex << s.colour << std::dec;
}

Shown shownBy(TaskListItemView& row)
{
    return {row.taskName()->stringValue(), row.toolTip(), row.doneStatus(), row.starStatus(), row.typeOfDue(),
            row.projectColor().rgb()};
}

class TaskListLazyRowTest : public TaskPaneTest {
protected:
    // Each item row brought into view in turn, as scrolling would, and what
    // it shows then beside what a fresh row of its item shows.
    void expectEveryRowShowsItsItem()
    {
        for (int index = 0; index < list().numberOfRows(); ++index) {
            auto* row = qobject_cast<TaskListItemView*>(list().itemAtRow(index));
            if (!row) continue;
            list().scrollRowToVisible(index);
            EXPECT_FALSE(row->isBindingPending()) << index;
            TaskListItemView fresh(QRectF(0, 0, 280, 55));
            fresh.setTask(row->task());
            EXPECT_EQ(shownBy(*row), shownBy(fresh)) << index;
        }
    }

    QStringList names()
    {
        QStringList texts;
        for (TableRowView* row : list().rootItems())
            if (auto* item = qobject_cast<TaskListItemView*>(row)) texts << item->task()->taskName();
        return texts;
    }
};

TEST_F(TaskListLazyRowTest, EveryRowShowsWhatAFreshRowShowsAfterAnyChange)
{
    constexpr int count = 30;  // more than the pane shows
    TaskList items;
    for (int i = 0; i < count; ++i) items << ordered(QStringLiteral("T%1").arg(i), i + 1);
    const TaskPtr first = items.front();
    const TaskPtr last = items.back();
    const TaskPtr middle = items[count / 2];
    const auto namesWith = [&](const std::function<void(QStringList&)>& edit) {
        QStringList expected = names();
        edit(expected);
        return expected;
    };
    const struct {
        const char* name;
        std::function<void()> change;
        std::function<void(QStringList&)> order;
    } cases[] = {
        {"nothing changed", [] {}, [](QStringList&) {}},
        {"the first renamed in place", [&] { first->setTaskName(QStringLiteral("First")); },
         [](QStringList& n) { n[0] = QStringLiteral("First"); }},
        {"the last, out of view, renamed and starred in place",
         [&] {
             last->setTaskName(QStringLiteral("Last"));
             last->setIsPinned(1);
         },
         [](QStringList& n) { n.last() = QStringLiteral("Last"); }},
        {"one out of view given a due time past", [&] {
             middle->setHasDue(1);
             middle->setDueEnd(localDate(2014, 1, 10, 9));
         },
         [](QStringList&) {}},
        {"the first done: it leaves the open tasks", [&] { first->setStatus(1); },
         [](QStringList& n) { n.removeFirst(); }},
        {"the middle one deleted", [&] { ASSERT_TRUE(dataManager().doDeleteTask(middle, false)); },
         [&](QStringList& n) { n.removeOne(middle->taskName()); }},
        {"a new task inserted at the top", [&] { ordered(QStringLiteral("New"), 0); },
         [](QStringList& n) { n.prepend(QStringLiteral("New")); }},
        {"the last moved to the top", [&] { last->setTaskOrder(-1); },
         [](QStringList& n) { n.prepend(n.takeLast()); }},
        {"the first reopened: back at its place", [&] { first->setStatus(0); },
         [](QStringList& n) { n.insert(2, QStringLiteral("First")); }},
    };
    pane().reloadTaskIfNeeded();
    for (const auto& step : cases) {
        SCOPED_TRACE(step.name);
        list().scrollRowToVisible(0);
        const QStringList expected = namesWith(step.order);
        step.change();
        pane().reloadTaskIfNeeded();
        EXPECT_EQ(names(), expected);
        // The rows out of view wait for their binding.
        const auto* bottom = qobject_cast<TaskListItemView*>(list().itemAtRow(list().numberOfRows() - 1));
        ASSERT_NE(bottom, nullptr);
        EXPECT_TRUE(bottom->isBindingPending());
        expectEveryRowShowsItsItem();
    }
}

}  // namespace TaskListLazyRowTests
