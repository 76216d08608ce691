#include "RefreshRule.h"

#include "CalendarView.h"
#include "CoreData.h"
#include "Notification.h"
#include "TaskView.h"

#include <gtest/gtest.h>

using namespace RefreshRule;
using P = RefreshRule::Pane;

namespace {

QStringList chain(std::initializer_list<const char*> names)
{
    QStringList list;
    for (const char* name : names) list.append(QString::fromLatin1(name));
    return list;
}

}  // namespace

TEST(RefreshRule, EachSenderReloadsOnlyThePanesThatShowItsChange)
{
    struct Case {
        const char* sender;
        bool planner;
        qint64 modifying;
        std::vector<Pane> expected;
    };
    const Case cases[] = {
        {"TaskDetailView", false, 0, {P::TaskList, P::MonthAndDay, P::ProjectList}},
        {"TaskDetailView", true, 0, {P::TaskList, P::Planner, P::ProjectList}},
        {"EventDetailView", true, 0, {P::TaskList, P::Navigator, P::Planner, P::ProjectList}},
        {"NoteView", false, 0, {P::NoteList, P::TaskList, P::FocusPane, P::ProjectList}},
        {"NoteView", true, 0, {P::NoteList, P::TaskList, P::Planner, P::FocusPane, P::ProjectList}},
        {"QuickAddView", false, 1, {P::TaskList, P::MonthAndDay, P::ProjectList}},
        {"QuickAddView", true, 0, {P::TaskList, P::Navigator, P::Planner, P::ProjectList}},
        {"QuickAddView", false, 3, {P::NoteList, P::TaskList, P::FocusPane, P::ProjectList}},
        {"QuickAddView", false, 2, {}},  // a checklist item
        {"CalendarView", true, 0, {P::TaskList, P::MonthAndDay, P::ProjectList}},
        {"MonthCellView", false, 0, {P::TaskList, P::MonthAndDay, P::NoteList, P::ProjectList}},
        {"PlannerWeeklyItemView", false, 0, {P::TaskList, P::Navigator, P::Planner, P::NoteList, P::ProjectList}},
        {"TaskListItemView", false, 0, {P::TaskList, P::FocusPane, P::Navigator, P::Planner, P::ProjectList}},
        {"CoreData", false, 0, {P::TaskList, P::MonthAndDayForced, P::NoteList, P::ProjectList}},
        {"CoreData", true, 0, {P::TaskList, P::Navigator, P::Planner, P::NoteList, P::ProjectList}},
        {"SearchResultView", true, 0, {P::TaskList, P::Navigator, P::Planner, P::NoteList, P::ProjectList}},
        {"TaskView", false, 0, {P::TaskList, P::MonthAndDay, P::ProjectList}},
        {"TaskListTableView", false, 0, {P::TaskList, P::MonthAndDay}},
        {"FocusPaneDetailView", true, 0, {P::TaskList, P::FocusPane}},
        {"LinkDetailView", false, 0, {P::TaskList, P::NoteList, P::FocusPane}},
        {"AddLinkView", false, 0, {P::TaskList, P::NoteList, P::MonthAndDay}},
        {"SomethingElse", false, 1, {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(panesToReload(chain({c.sender, "View", "QWidget", "QObject"}), c.planner, c.modifying), c.expected)
            << c.sender << (c.planner ? " in planner mode" : "");
    EXPECT_TRUE(panesToReload({}, false, 1).empty()) << "no sender";
}

TEST(RefreshRule, ASubclassFollowsTheFirstRowThatNamesAClassOfItsChain)
{
    // A row further down the table names the class itself; an earlier row
    // names a class it derives from and wins.
    EXPECT_EQ(panesToReload(chain({"TaskView", "TaskDetailView"}), false, 0),
              (std::vector<Pane>{P::TaskList, P::MonthAndDay, P::ProjectList}));
    EXPECT_EQ(panesToReload(chain({"SpecialTableView", "TaskListTableView", "View"}), false, 0),
              (std::vector<Pane>{P::TaskList, P::MonthAndDay}));
}

TEST(RefreshRule, TheSendersClassIsReadFromTheNotificationsObject)
{
    TaskView box;
    EXPECT_EQ(classChainOfSender(Notification(kTaskChanged, static_cast<QObject*>(&box))).first(),
              QStringLiteral("TaskView"));
    EXPECT_TRUE(classChainOfSender(Notification(kTaskChanged, static_cast<QObject*>(&box))).contains(QStringLiteral("View")));
    CoreData* manager = nullptr;
    EXPECT_TRUE(classChainOfSender(Notification(kTaskChanged, manager)).isEmpty()) << "a null data manager is no sender";
    EXPECT_TRUE(classChainOfSender(Notification(kTaskChanged, QStringLiteral("text"))).isEmpty());
    EXPECT_TRUE(classChainOfSender(Notification(kTaskChanged)).isEmpty());
}
