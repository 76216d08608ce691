// A reload hands a row the item it showed before: what the row worked out of
// that item (its name, done box, colour, due state, link mark) may have
// changed without the item being replaced, by a write in place, a category's
// colour or the clock passing midnight. Each must show after the reload as
// on a row made for the item anew.
#include "TaskListPaneFixture.h"

#include "Button.h"

#include <QPainter>

namespace TaskListKeptRowTests {

struct Shown {
    QString name;
    QString toolTip;
    int done = -1;
    int typeOfDue = -1;
    QRgb colour = 0;
    bool link = false;
    QImage tint;  // the category's tint and the icon under the controls, as painted
    bool operator==(const Shown&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Shown& s)
{
    return out << s.name.toStdString() << " / " << s.toolTip.toStdString() << " done " << s.done << " due "
               << s.typeOfDue << " colour " << std::hex << s.colour << " tint "
               << (s.tint.isNull() ? 0u : s.tint.pixel(s.tint.width() / 2, s.tint.height() / 2)) << std::dec << " link "
               << s.link;
}

Shown shownBy(const TaskListItemView& row)
{
    QImage tint(row.bounds().size().toSize(), QImage::Format_ARGB32);
    tint.fill(Qt::white);
    QPainter painter(&tint);
    const_cast<TaskListItemView&>(row).drawSeparatorInRect(painter, row.bounds());
    return {row.hasBuiltControls() ? const_cast<TaskListItemView&>(row).taskName()->stringValue() : row.task()->taskName(),
            row.toolTip(), row.doneStatus(), row.typeOfDue(), row.projectColor().rgb(), row.hasLink(), tint};
}

// A row made anew for the row's item and laid out at its size.
std::unique_ptr<TaskListItemView> freshRowLike(const TaskListItemView& row)
{
    auto fresh = std::make_unique<TaskListItemView>();
    fresh->setTask(row.task());
    fresh->setFrame(row.frame());
    return fresh;
}

class TaskListKeptRowTest : public TaskPaneTest {
protected:
    TaskListItemView* rowOf(const TaskPtr& item)
    {
        for (TableRowView* row : list().rootItems())
            if (auto* itemRow = qobject_cast<TaskListItemView*>(row); itemRow && itemRow->task() == item) return itemRow;
        return nullptr;
    }
};

TEST_F(TaskListKeptRowTest, WhatChangedWithoutANewItemShowsOnTheKeptRow)
{
    Clock::setFixed(localDate(2014, 1, 13, 23, 50));
    const TaskPtr a = ordered(QStringLiteral("A"), 1);
    const TaskPtr b = ordered(QStringLiteral("B"), 2, [](Task& t) {
        t.setHasDue(1);
        t.setDueEnd(localDate(2014, 1, 13, 12));
    });
    const TaskPtr other = task(QStringLiteral("Sheet"), [](Task& t) { t.setStatus(1); });
    const CalendarPtr category = dataManager().calendarWithPrimaryKey(1);
    ASSERT_NE(category, nullptr);
    const qint64 colour = category->colorNameId();
    const qint64 openTasks = 0;
    const qint64 doneTasks = 2;
    const struct {
        const char* name;
        std::function<void()> change;
        qint64 listing;
    } cases[] = {
        {"renamed in place", [&] { b->setTaskName(QStringLiteral("Bee")); }, openTasks},
        {"its category's colour changed", [&] { category->setColorNameId((colour + 3) % 8); }, openTasks},
        {"the clock passed midnight: due today becomes overdue",
         [] { Clock::setFixed(localDate(2014, 1, 14, 0, 5)); }, openTasks},
        {"a link added", [&] {
             dataManager().setCopiedItem(other);
             ASSERT_TRUE(dataManager().pasteToMakeLinkWith(b));
         },
         openTasks},
        {"done, shown among the done tasks", [&] { b->setStatus(1); }, doneTasks},
        {"reopened, shown among the open tasks again", [&] { b->setStatus(0); }, openTasks},
    };
    list().loadDataWithFilter(0, int(openTasks));
    for (const auto& step : cases) {
        SCOPED_TRACE(step.name);
        const TaskListItemView* before = rowOf(b);
        ASSERT_NE(before, nullptr);
        const Shown old = shownBy(*before);
        step.change();
        list().loadDataWithFilter(0, int(step.listing));
        TaskListItemView* row = rowOf(b);
        ASSERT_NE(row, nullptr);
        EXPECT_TRUE(row->hasBuiltControls());
        const Shown now = shownBy(*row);
        EXPECT_EQ(now, shownBy(*freshRowLike(*row)));
        EXPECT_NE(now, old);
    }
    EXPECT_EQ(rowOf(a) != nullptr, true);
    category->setColorNameId(colour);
}

// A reload binds a row at its first use only: whatever happened to the items,
// each row once in view shows what a row made for its item anew shows.
TEST_F(TaskListKeptRowTest, EveryRowShowsAFreshRowsLooksOnceInViewAfterAnyChange)
{
    // Every other item of another colour's category: a row that shows
    // another item after a change takes that item's tint.
    const CalendarPtr team = addCategory();
    team->setColorNameId((dataManager().calendarWithPrimaryKey(1)->colorNameId() + 3) % 8);
    ASSERT_TRUE(team->dehydrate());
    TaskList items;
    for (int i = 0; i < 30; ++i)  // more than in view
        items << ordered(QStringLiteral("T%1").arg(i), i + 1, [&](Task& t) { if (i % 2) t.setCalendarId(team->primaryKey()); });
    const TaskPtr first = items.front(), middle = items[15], last = items.back();
    const struct {
        const char* name;
        std::function<void()> change;
        std::function<void(QStringList&)> order;
    } cases[] = {
        {"nothing changed", [] {}, [](QStringList&) {}},
        {"the first renamed", [&] { first->setTaskName(QStringLiteral("First")); }, [](QStringList& n) { n[0] = "First"; }},
        {"the last, out of view, starred", [&] { last->setIsPinned(1); }, [](QStringList&) {}},
        {"one out of view overdue", [&] {
             middle->setHasDue(1);
             middle->setDueEnd(localDate(2014, 1, 10, 9));
         },
         [](QStringList&) {}},
        {"the first done", [&] { first->setStatus(1); }, [](QStringList& n) { n.removeFirst(); }},
        {"one deleted", [&] { ASSERT_TRUE(dataManager().doDeleteTask(middle, false)); },
         [](QStringList& n) { n.removeOne("T15"); }},
        {"one inserted at the top", [&] { ordered(QStringLiteral("New"), 0); }, [](QStringList& n) { n.prepend("New"); }},
        {"the last moved to the top", [&] { last->setTaskOrder(-1); }, [](QStringList& n) { n.prepend(n.takeLast()); }},
    };
    pane().reloadTaskIfNeeded();
    for (const auto& step : cases) {
        SCOPED_TRACE(step.name);
        list().scrollRowToVisible(0);
        QStringList expected = shown();
        step.order(expected);
        step.change();
        pane().reloadTaskIfNeeded();
        EXPECT_EQ(shown(), expected);
        const int rows = list().numberOfRows();
        EXPECT_TRUE(qobject_cast<TaskListItemView*>(list().itemAtRow(rows - 1))->isBindingPending());
        for (int index = 0; index < rows; ++index) {
            auto* row = qobject_cast<TaskListItemView*>(list().itemAtRow(index));
            list().scrollRowToVisible(index);
            const auto fresh = freshRowLike(*row);
            EXPECT_EQ(shownBy(*row), shownBy(*fresh)) << index;
            EXPECT_EQ(row->starStatus(), fresh->starStatus()) << index;
        }
    }
}

}  // namespace TaskListKeptRowTests

namespace TaskListKeptRowTests {

// A reload that finds the same rows keeps them instead of building them
// again; it must still leave what a rebuild leaves: no selection, and the
// order of a list that changed.
TEST_F(TaskListKeptRowTest, AReloadOfTheSameRowsLeavesWhatARebuildLeaves)
{
    for (int i = 0; i < 5; ++i) ordered(QStringLiteral("T%1").arg(i), i + 1);
    const struct {
        const char* name;
        std::function<void()> change;
        QStringList order;
    } cases[] = {
        {"nothing changed", [] {}, {"T0", "T1", "T2", "T3", "T4"}},
        {"one added at the top", [&] { ordered(QStringLiteral("New"), 0); }, {"New", "T0", "T1", "T2", "T3", "T4"}},
        {"nothing changed again", [] {}, {"New", "T0", "T1", "T2", "T3", "T4"}},
    };
    pane().reloadTaskIfNeeded();
    for (const auto& step : cases) {
        SCOPED_TRACE(step.name);
        list().selectRowIndexes({2}, false);
        ASSERT_EQ(list().selectedRow(), 2);
        step.change();
        pane().reloadTaskIfNeeded();
        EXPECT_EQ(list().selectedRow(), -1);
        EXPECT_EQ(list().selectedItem(), nullptr);
        EXPECT_EQ(shown(), step.order);
    }
}

}  // namespace TaskListKeptRowTests
