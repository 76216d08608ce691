// The task list's row commands: Delete and its question, the item and
// selection menus as data, copying, pasting and linking, duplicating.
#include "TaskListPaneFixture.h"

#include "DetailViewController.h"
#include "Event.h"
#include "Menu.h"
#include "Screenshot.h"

#include <QApplication>
#include <QMenu>

namespace TaskListCommandsTests {

namespace {

QString text(const char* key) { return TextTable::localizedString(QString::fromLatin1(key)); }

QStringList titles(const Menu& menu)
{
    QStringList shown;
    for (const MenuItem& item : menu.items()) shown << item.title;
    return shown;
}

QStringList texts(std::initializer_list<const char*> keys)
{
    QStringList shown;
    for (const char* key : keys) shown << text(key);
    return shown;
}

const MenuItem* entry(const Menu& menu, const char* key)
{
    for (const MenuItem& item : menu.items())
        if (item.title == text(key)) return &item;
    return nullptr;
}

}  // namespace

class TaskListCommandsTest : public TaskPaneTest {
protected:
    // The task list shows another user's task only as a delegation the
    // account user accepted.
    TaskPtr sharedTask(const QString& name, qint64 order)
    {
        return ordered(name, order, [](Task& t) {
            t.setIsShared(true);
            t.setDelegateStatus(1);
            t.setAssigneeEmail(QStringLiteral("me@example.com"));
        });
    }
    bool stored(const TaskPtr& item)
    {
        return queryInt(QStringLiteral("SELECT COUNT(*) FROM Tasks WHERE primaryKey=%1").arg(item->primaryKey())) == 1;
    }
    int linksBetween(const TaskPtr& a, const TaskPtr& b)
    {
        return dataManager().getLink(a->primaryKey(), b->primaryKey()) != nullptr ? 1 : 0;
    }
    Event rightClickAt(int row, unsigned modifiers = 0)
    {
        Event event = pressAt(list().rectOfRow(row).center(), 100);
        event.type = EventType::RightMouseDown;
        event.modifierFlags = modifiers;
        return event;
    }
    Event deleteKey()
    {
        Event event;
        event.type = EventType::KeyDown;
        event.characters = QString(QChar(KeyCharacter::Delete));
        event.charactersIgnoringModifiers = event.characters;
        event.keyCode = KeyCode::Delete;
        return event;
    }
    int rowNamed(const QString& name)
    {
        for (int row = 0; row < list().rowCount(); ++row) {
            auto* view = qobject_cast<TaskListItemView*>(list().itemAtRow(row));
            if (view && view->task() && view->task()->taskName() == name) return row;
        }
        ADD_FAILURE() << "no row " << name.toStdString();
        return -1;
    }
    void selectRows(const std::vector<int>& rows) { list().selectRowIndexes(rows, false); }
};

TEST_F(TaskListCommandsTest, DeleteAsksOnceAndTheTickedBoxStopsTheQuestion)
{
    watchTaskChanged();
    setting().setIsWarningForDeleting(1);
    const TaskPtr first = ordered(QStringLiteral("First"), 1);
    const TaskPtr second = ordered(QStringLiteral("Second"), 2);
    pane().reloadTaskIfNeeded();

    click(rowNamed("First"), 10);
    m_alerts.scriptButton(AlertResponse::secondButton);
    list().keyDown(deleteKey());
    ASSERT_EQ(m_alerts.requests().size(), 1);
    const AlertRequest asked = m_alerts.requests().front();
    EXPECT_EQ(asked.buttonTitles, texts({"okText", "cancelText"}));
    EXPECT_EQ(asked.messageText, text("deleteItemText"));
    EXPECT_EQ(asked.informativeText, text("deleteItemMessage"));
    EXPECT_TRUE(asked.showsSuppressionButton);
    EXPECT_TRUE(asked.attached);
    EXPECT_TRUE(stored(first)) << "cancelled";
    EXPECT_EQ(m_taskChangedCount, 0);

    m_alerts.scriptButton(AlertResponse::firstButton, true);
    list().keyDown(deleteKey());
    EXPECT_FALSE(stored(first));
    EXPECT_EQ(setting().isWarningForDeleting(), 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(m_taskChangedCount, 1) << "the single delete tells the other lists";
    EXPECT_EQ(m_lastChangedObject, NotificationPayload::identityOf(&list()));

    pane().reloadTaskIfNeeded();
    click(rowNamed("Second"), 20);
    list().keyDown(deleteKey());
    EXPECT_EQ(m_alerts.requests().size(), 2) << "not asked again";
    EXPECT_FALSE(stored(second));
}

TEST_F(TaskListCommandsTest, DeleteOfSeveralRowsLeavesSharedItemsAndNeedsAnOwnOne)
{
    setting().setIsWarningForDeleting(1);
    const TaskPtr a = ordered(QStringLiteral("A"), 1);
    const TaskPtr b = ordered(QStringLiteral("B"), 2);
    const TaskPtr shared = sharedTask(QStringLiteral("Shared"), 3);
    const TaskPtr otherShared = sharedTask(QStringLiteral("Other shared"), 4);
    pane().reloadTaskIfNeeded();

    // Only shared items, or a single shared one: no question, nothing goes.
    selectRows({rowNamed("Shared"), rowNamed("Other shared")});
    list().applyDelete();
    click(rowNamed("Shared"), 10);
    list().applyDelete();
    EXPECT_TRUE(m_alerts.requests().isEmpty());
    EXPECT_TRUE(stored(shared));
    EXPECT_TRUE(stored(otherShared));

    selectRows({rowNamed("A"), rowNamed("B"), rowNamed("Shared")});
    m_alerts.scriptButton(AlertResponse::firstButton);
    list().keyDown(deleteKey());
    EXPECT_EQ(m_alerts.requests().size(), 1);
    EXPECT_FALSE(stored(a));
    EXPECT_FALSE(stored(b));
    EXPECT_TRUE(stored(shared)) << "another user's item stays";
}

TEST_F(TaskListCommandsTest, DeleteWithoutASelectedItemRowDoesNothing)
{
    setting().setIsWarningForDeleting(0);
    const TaskPtr a = ordered(QStringLiteral("A"), 1);
    plan({{"monText", {a}}});
    pane().reloadTaskIfNeeded();
    list().keyDown(deleteKey());
    list().selectRowIndexes({0}, false);  // the header: never selected
    list().keyDown(deleteKey());
    EXPECT_TRUE(stored(a));
    EXPECT_TRUE(m_alerts.requests().isEmpty());
}

TEST_F(TaskListCommandsTest, TheItemMenuFollowsTheItemAndTheRightClickSelects)
{
    const TaskPtr planned = ordered(QStringLiteral("Planned"), 1);
    ordered(QStringLiteral("Open"), 5);
    const TaskPtr shared = sharedTask(QStringLiteral("Shared"), 6);
    sharedTask(QStringLiteral("Delegated"), 7);
    plan({{"monText", {planned}}});
    pane().reloadTaskIfNeeded();

    EXPECT_TRUE(list().menuForEvent(rightClickAt(0)).items().empty()) << "a header has no menu";

    click(rowNamed("Planned"), 10);
    const Menu open = list().menuForEvent(rightClickAt(rowNamed("Open")));
    EXPECT_EQ(list().selectedRowIndexes(), std::vector<int>{rowNamed("Open")}) << "the clicked row is selected first";
    EXPECT_EQ(list().selectedItem()->task()->taskName(), QStringLiteral("Open"));
    EXPECT_EQ(open.title(), QStringLiteral("RightClick"));
    EXPECT_EQ(titles(open), texts({"addNoteText", "menuEdit", "menuDone", "menuDuplicate", "menuDelete", "menuDoToday",
                                   "menuDoNextWeek", "menuDoNextMonth", "menuCopyLink"}));
    for (const MenuItem& item : open.items()) EXPECT_TRUE(item.isEnabled()) << item.title.toStdString();

    const Menu first = list().menuForEvent(rightClickAt(rowNamed("Planned")));
    EXPECT_EQ(entry(first, "menuDoToday"), nullptr) << "already the first task planned for today";

    // A shared task the user did not take on cannot be marked done either.
    const Menu delegated = list().menuForEvent(rightClickAt(rowNamed("Shared")));
    shared->setDelegateStatus(2);
    const Menu notTaken = list().menuForEvent(rightClickAt(rowNamed("Shared")));
    struct Case {
        const char* name;
        const Menu& menu;
        bool doneEnabled;
    };
    for (const Case c : {Case{"delegated", delegated, true}, Case{"not taken on", notTaken, false}}) {
        const Menu& menu = c.menu;
        for (const MenuItem& item : menu.items()) {
            const bool expected = item.title == text("menuView") || (item.title == text("menuDone") && c.doneEnabled);
            EXPECT_EQ(item.isEnabled(), expected) << c.name << " " << item.title.toStdString();
        }
        EXPECT_EQ(entry(menu, "menuEdit"), nullptr) << c.name;
    }
}

TEST_F(TaskListCommandsTest, TheSelectionMenuKeepsTheSelectionAndLinksExactlyTwo)
{
    const TaskPtr a = ordered(QStringLiteral("A"), 1);
    const TaskPtr b = ordered(QStringLiteral("B"), 2);
    ordered(QStringLiteral("C"), 3);
    sharedTask(QStringLiteral("Shared"), 4);
    pane().reloadTaskIfNeeded();

    const std::vector<int> three{rowNamed("A"), rowNamed("B"), rowNamed("C")};
    selectRows(three);
    const Menu forThree = list().menuForEvent(rightClickAt(rowNamed("Shared")));
    EXPECT_EQ(list().selectedRowIndexes(), three) << "the right click leaves a selection of several rows";
    EXPECT_EQ(titles(forThree), texts({"menuStar", "menuDone", "menuDoToday", "menuDoNextWeek", "menuDoNextMonth",
                                       "menuDuplicate", "menuDelete"}));
    EXPECT_EQ(list().arrSelectedItems().size(), 3);

    selectRows({rowNamed("B"), rowNamed("Shared")});
    const Menu withShared = list().menuForEvent(rightClickAt(rowNamed("B")));
    for (const MenuItem& item : withShared.items())
        EXPECT_EQ(item.isEnabled(), item.title == text("menuDone")) << item.title.toStdString();

    selectRows({rowNamed("A"), rowNamed("B")});
    const Menu forTwo = list().menuForEvent(rightClickAt(rowNamed("A")));
    const MenuItem* link = entry(forTwo, "menuLinkThemTogether");
    ASSERT_NE(link, nullptr);
    link->action();
    EXPECT_EQ(linksBetween(a, b), 1);
    EXPECT_EQ(entry(list().menuForEvent(rightClickAt(rowNamed("A"))), "menuLinkThemTogether"), nullptr)
        << "already linked";

    // All starred: the menu offers to unstar, and its command does.
    entry(forTwo, "menuStar")->action();
    EXPECT_EQ(a->isPinned(), 1);
    const Menu starred = list().menuForEvent(rightClickAt(rowNamed("A")));
    ASSERT_NE(entry(starred, "menuUnStar"), nullptr);
    entry(starred, "menuUnStar")->action();
    EXPECT_EQ(b->isPinned(), 0);
}

TEST_F(TaskListCommandsTest, LinkTogetherTakesAnOccurrenceForItsSeries)
{
    const TaskPtr series = add(0, QStringLiteral("Standup"), [](Task& t) {
        t.setStartTime(localDate(2014, 1, 6, 9));
        t.setEndTime(localDate(2014, 1, 6, 10));
        t.setRepeatStartDate(localDate(2014, 1, 6));
        t.setOccurrence(localDate(2014, 1, 6, 9));
        t.setRepeatType(1);
        t.setIsRepeatForever(1);
        t.setParentId(-1);
    });
    const TaskPtr linked = ordered(QStringLiteral("Linked"), 1);
    const TaskPtr free = ordered(QStringLiteral("Free"), 2);
    dataManager().setCopiedItem(series->copy());
    ASSERT_TRUE(dataManager().pasteToMakeLinkWith(linked));
    dataManager().setCopiedItem(nullptr);

    // A generated occurrence a week on, with a key of its own.
    TaskList occurrences;
    dataManager().fillRepeatEventInstances({series}, occurrences, localDate(2014, 1, 14), localDate(2014, 1, 14));
    ASSERT_EQ(occurrences.size(), 1);
    const TaskPtr occurrence = occurrences.front();
    ASSERT_NE(occurrence->primaryKey(), series->primaryKey());
    ASSERT_EQ(occurrence->parentId(), series->primaryKey());
    std::vector<TableRowView*> rows;
    for (const TaskPtr& item : {occurrence, linked, free}) {
        auto* row = new TaskListItemView();
        row->setTask(item);
        rows.push_back(row);
    }
    list().setRootItems(rows);

    selectRows({0, 1});
    EXPECT_EQ(entry(list().menuForEvent(rightClickAt(0)), "menuLinkThemTogether"), nullptr)
        << "the occurrence's series is linked to the other row already";

    selectRows({0, 2});
    const Menu menu = list().menuForEvent(rightClickAt(0));
    const MenuItem* link = entry(menu, "menuLinkThemTogether");
    ASSERT_NE(link, nullptr);
    link->action();
    EXPECT_EQ(linksBetween(series, free), 1) << "the series is linked, not the day";
    EXPECT_EQ(dataManager().getLink(occurrence->primaryKey(), free->primaryKey()), nullptr);
    EXPECT_EQ(entry(list().menuForEvent(rightClickAt(0)), "menuLinkThemTogether"), nullptr) << "linked now";
}

TEST_F(TaskListCommandsTest, EditAndAddANoteOpenTheEditorAndTheLinkPageAtTheRow)
{
    const TaskPtr a = ordered(QStringLiteral("A"), 1);
    ordered(QStringLiteral("B"), 2);
    pane().reloadTaskIfNeeded();
    const Menu menu = list().menuForEvent(rightClickAt(rowNamed("A")));
    TableRowView* row = list().itemAtRow(rowNamed("A"));
    struct Case {
        const char* entry;
        DetailViewController::Request request;
    };
    for (const Case c : {Case{"menuEdit", DetailViewController::Request::TaskEditor},
                         Case{"addNoteText", DetailViewController::Request::Links}}) {
        SCOPED_TRACE(c.entry);
        const MenuItem* command = entry(menu, c.entry);
        ASSERT_NE(command, nullptr);
        command->action();
        ASSERT_NE(list().detailViewController(), nullptr);
        const auto& asked = list().detailViewController()->lastRequest();
        EXPECT_EQ(asked.request, c.request);
        ASSERT_NE(asked.item, nullptr);
        EXPECT_EQ(asked.item->primaryKey(), a->primaryKey());
        EXPECT_EQ(asked.positioningView, row) << "at the row";
    }
}

TEST_F(TaskListCommandsTest, CopyExplainsOnceAndPasteLinksTheRootsKeepingTheCopy)
{
    setting().setIsWarningForCopyToLink(1);
    const TaskPtr a = ordered(QStringLiteral("A"), 1);
    const TaskPtr b = ordered(QStringLiteral("B"), 2);
    pane().reloadTaskIfNeeded();

    click(rowNamed("A"), 10);
    m_alerts.scriptButton(AlertResponse::secondButton);
    list().commandForAction(QStringLiteral("copyToMakeLink:"))();
    EXPECT_EQ(dataManager().copiedItem(), nullptr) << "cancelled";
    EXPECT_EQ(setting().isWarningForCopyToLink(), 1);

    m_alerts.scriptButton(AlertResponse::firstButton, true);
    list().commandForAction(QStringLiteral("copyToMakeLink:"))();
    ASSERT_EQ(m_alerts.requests().size(), 2);
    EXPECT_EQ(m_alerts.requests().back().messageText, text("pasteToAnyOtherItemText"));
    EXPECT_TRUE(m_alerts.requests().back().informativeText.isEmpty());
    EXPECT_EQ(setting().isWarningForCopyToLink(), 0);
    EXPECT_FALSE(setting().dirty()) << "saved at once";
    ASSERT_NE(dataManager().copiedItem(), nullptr);
    EXPECT_NE(dataManager().copiedItem(), a) << "a copy";
    EXPECT_EQ(dataManager().copiedItem()->primaryKey(), a->primaryKey());
    EXPECT_FALSE(list().canShowPreview());

    EXPECT_EQ(entry(list().menuForEvent(rightClickAt(rowNamed("A"))), "menuPasteLink"), nullptr) << "the item itself";
    const Menu onB = list().menuForEvent(rightClickAt(rowNamed("B")));
    ASSERT_NE(entry(onB, "menuPasteLink"), nullptr);
    entry(onB, "menuPasteLink")->action();
    EXPECT_EQ(linksBetween(a, b), 1);
    ASSERT_NE(dataManager().copiedItem(), nullptr) << "a paste keeps the copy";
    EXPECT_EQ(entry(list().menuForEvent(rightClickAt(rowNamed("B"))), "menuPasteLink"), nullptr) << "already linked";
}

TEST_F(TaskListCommandsTest, DoneTogglesAndDuplicateCopiesTheTask)
{
    watchTaskChanged();
    const TaskPtr a = ordered(QStringLiteral("A"), 1);
    pane().reloadTaskIfNeeded();
    click(rowNamed("A"), 10);
    list().commandForAction(QStringLiteral("selectDone:"))();
    EXPECT_EQ(storedColumn(a->primaryKey(), QStringLiteral("status")).toLongLong(), 1);
    list().commandForAction(QStringLiteral("selectDone:"))();
    EXPECT_EQ(a->status(), 0);
    EXPECT_EQ(a->completedDate().timeIntervalSince1970(), 0) << "reopened: the epoch";
    QCoreApplication::processEvents();
    EXPECT_EQ(m_taskChangedCount, 2);

    const int before = queryInt(QStringLiteral("SELECT COUNT(*) FROM Tasks WHERE taskName='A'"));
    list().commandForAction(QStringLiteral("duplicateTask:"))();
    EXPECT_EQ(queryInt(QStringLiteral("SELECT COUNT(*) FROM Tasks WHERE taskName='A'")), before + 1);
    EXPECT_TRUE(m_alerts.requests().isEmpty()) << "a task that does not repeat is not asked about";
    EXPECT_FALSE(list().commandForAction(QStringLiteral("scheduleToday:"))) << "no such command";
}

TEST_F(TaskListCommandsTest, DuplicatingARepeatingScheduledTaskAsksAndMakesAOneOff)
{
    const TaskPtr series = add(0, QStringLiteral("Planned"), [](Task& t) {
        t.setStartTime(localDate(2014, 1, 10, 9));
        t.setEndTime(localDate(2014, 1, 10, 10));
        t.setRepeatStartDate(localDate(2014, 1, 10));
        t.setOccurrence(localDate(2014, 1, 13, 9));
        t.setRepeatType(1);
        t.setIsRepeatForever(1);
        t.setParentId(-1);
        t.setIsSheduledTask(true);
    });
    auto* row = new TaskListItemView();
    row->setTask(series);
    list().setRootItems({row});
    click(0, 10);
    m_alerts.scriptButton(AlertResponse::secondButton);
    list().commandForAction(QStringLiteral("duplicateTask:"))();
    m_alerts.scriptButton(AlertResponse::firstButton);
    list().commandForAction(QStringLiteral("duplicateTask:"))();
    ASSERT_EQ(m_alerts.requests().size(), 2);
    EXPECT_EQ(m_alerts.requests().front().buttonTitles, texts({"onlyThisSTaskText", "cancelText"}));
    EXPECT_EQ(m_alerts.requests().front().messageText, text("duplicateSTaskText"));
    EXPECT_FALSE(m_alerts.requests().front().showsSuppressionButton);
    EXPECT_EQ(queryInt(QStringLiteral("SELECT COUNT(*) FROM Tasks WHERE taskName='Planned'")), 2) << "one copy only";
    EXPECT_EQ(queryInt(QStringLiteral("SELECT COUNT(*) FROM Tasks WHERE taskName='Planned' AND repeatType=0")), 1);
}

TEST_F(TaskListCommandsTest, AControlClickOpensTheMenuAndSeveralSelectedRowsShow)
{
    for (int index = 1; index <= 6; ++index) ordered(QStringLiteral("Task %1").arg(index), index);
    pane().reloadTaskIfNeeded();
    selectRows({rowNamed("Task 2"), rowNamed("Task 3"), rowNamed("Task 5")});
    saveScreenshot(&pane(), "task-list-several-selected");

    Event press = pressAt(list().rectOfRow(rowNamed("Task 1")).center(), 50, ControlKeyMask);
    list().mouseDown(press);
    EXPECT_EQ(list().selectedRowIndexes().size(), 3u) << "a Control-click is no left click";
    EXPECT_EQ(list().arrSelectedItems().size(), 3) << "the menu was built for the selection";
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* menu = qobject_cast<QMenu*>(widget)) menu->close();
}

TEST_F(TaskListCommandsTest, DuplicatingAnOccurrenceOfARepeatingEventAsksAndMakesAOneOff)
{
    const TaskPtr series = add(0, QStringLiteral("Standup"), [](Task& t) {
        t.setStartTime(localDate(2014, 1, 6, 9));
        t.setEndTime(localDate(2014, 1, 6, 10));
        t.setRepeatStartDate(localDate(2014, 1, 6));
        t.setOccurrence(localDate(2014, 1, 13, 9));
        t.setRepeatType(1);
        t.setIsRepeatForever(1);
        t.setParentId(-1);
    });
    auto* row = new TaskListItemView();
    row->setTask(series);
    list().setRootItems({row});
    click(0, 10);
    m_alerts.scriptButton(AlertResponse::secondButton);
    list().commandForAction(QStringLiteral("duplicateTask:"))();
    EXPECT_EQ(queryInt(QStringLiteral("SELECT COUNT(*) FROM Tasks WHERE taskName='Standup'")), 1) << "cancelled";

    m_alerts.scriptButton(AlertResponse::firstButton);
    list().commandForAction(QStringLiteral("duplicateTask:"))();
    ASSERT_EQ(m_alerts.requests().size(), 2);
    const AlertRequest asked = m_alerts.requests().back();
    EXPECT_EQ(asked.buttonTitles, texts({"onlyThisEventText", "cancelText"}));
    EXPECT_EQ(asked.messageText, text("duplicateEventText"));
    EXPECT_EQ(asked.informativeText, text("duplicateEventMessage"));
    EXPECT_FALSE(asked.showsSuppressionButton);
    EXPECT_EQ(queryInt(QStringLiteral("SELECT COUNT(*) FROM Tasks WHERE taskName='Standup'")), 2);
    EXPECT_EQ(queryInt(QStringLiteral("SELECT COUNT(*) FROM Tasks WHERE taskName='Standup' AND repeatType=0 "
                                      "AND parentId=-1 AND primaryKey<>%1")
                           .arg(series->primaryKey())),
              1)
        << "the copy repeats no more and belongs to no series";
    EXPECT_EQ(storedColumn(series->primaryKey(), QStringLiteral("repeatType")).toLongLong(), 1) << "the series stays";
}

TEST_F(TaskListCommandsTest, TheItemMenuMovesATaskToTodayNextWeekOrNextMonth)
{
    const TaskPtr a = ordered(QStringLiteral("A"), 1);
    const TaskPtr b = ordered(QStringLiteral("B"), 2);
    const TaskPtr c = ordered(QStringLiteral("C"), 3);
    pane().reloadTaskIfNeeded();

    // Today: to the top of the order, the tasks above it one place down.
    click(rowNamed("C"), 10);
    const Menu onC = list().menuForEvent(rightClickAt(rowNamed("C")));
    const MenuItem* today = entry(onC, "menuDoToday");
    ASSERT_NE(today, nullptr);
    today->action();
    const auto order = [this](const TaskPtr& item) {
        return storedColumn(item->primaryKey(), QStringLiteral("taskOrder")).toLongLong();
    };
    EXPECT_EQ(order(c), 1);
    EXPECT_EQ(order(a), 2);
    EXPECT_EQ(order(b), 3);

    // Next week from Monday 13 January, next month: without working hours
    // the days start and end at midnight.
    struct Case {
        const char* entry;
        void (CoreData::*plan)(const TaskPtr&) const;
        Date start;
        Date due;
    };
    const Case cases[] = {
        {"menuDoNextWeek", &CoreData::setDoNextWeekInfo, localDate(2014, 1, 20), localDate(2014, 1, 24)},
        {"menuDoNextMonth", &CoreData::setDoNextMonthInfo, localDate(2014, 2, 1), localDate(2014, 2, 28)},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.entry);
        pane().reloadTaskIfNeeded();
        const Menu onA = list().menuForEvent(rightClickAt(rowNamed("A")));
        const MenuItem* move = entry(onA, k.entry);
        ASSERT_NE(move, nullptr);
        move->action();
        const TaskPtr moved = Task::initWithPrimaryKey(a->primaryKey());
        ASSERT_NE(moved, nullptr);
        auto planned = std::make_shared<Task>();
        (dataManager().*k.plan)(planned);
        EXPECT_EQ(moved->startTime(), planned->startTime());
        EXPECT_EQ(moved->dueEnd(), planned->dueEnd());
        EXPECT_EQ(moved->startTime(), k.start);
        EXPECT_EQ(moved->dueEnd(), k.due);
        EXPECT_EQ(moved->hasDue(), 1);
        EXPECT_EQ(Task::initWithPrimaryKey(b->primaryKey())->hasDue(), 0) << "only the row's task moves";
    }
}

TEST_F(TaskListCommandsTest, BatchCommandsActOnTheSelectionAndPassTheAutoSyncSetting)
{
    const TaskPtr a = ordered(QStringLiteral("A"), 1);
    const TaskPtr b = ordered(QStringLiteral("B"), 2);
    const TaskPtr c = ordered(QStringLiteral("C"), 3);
    const TaskPtr d = ordered(QStringLiteral("D"), 4);
    pane().reloadTaskIfNeeded();
    const auto order = [this](const TaskPtr& item) {
        return storedColumn(item->primaryKey(), QStringLiteral("taskOrder")).toLongLong();
    };
    const auto runOnSelection = [this](const std::vector<const char*>& names, const char* key) {
        std::vector<int> rows;
        for (const char* name : names) rows.push_back(rowNamed(name));
        selectRows(rows);
        const Menu menu = list().menuForEvent(rightClickAt(rows.front()));
        const MenuItem* command = entry(menu, key);
        ASSERT_NE(command, nullptr) << key;
        command->action();
        QCoreApplication::processEvents();
    };

    // Do today: the selected tasks go to the top, the others keep their order.
    setting().setAutoZVWSync(0);
    runOnSelection({"C", "D"}, "menuDoToday");
    EXPECT_LT(std::max(order(c), order(d)), order(a));
    EXPECT_LT(order(a), order(b));

    // Duplicate, with the web push switched off: copies, no push asked.
    runOnSelection({"A", "B"}, "menuDuplicate");
    EXPECT_EQ(queryInt(QStringLiteral("SELECT COUNT(*) FROM Tasks WHERE taskName IN ('A','B')")), 4);
    EXPECT_TRUE(m_sync->receivedRequests().isEmpty()) << "the setting is off";

    // Done, with the push switched on: every selected task, and one push.
    setting().setAutoZVWSync(1);
    pane().reloadTaskIfNeeded();
    runOnSelection({"C", "D"}, "menuDone");
    EXPECT_EQ(storedColumn(c->primaryKey(), QStringLiteral("status")).toLongLong(), 1);
    EXPECT_EQ(storedColumn(d->primaryKey(), QStringLiteral("status")).toLongLong(), 1);
    EXPECT_EQ(storedColumn(a->primaryKey(), QStringLiteral("status")).toLongLong(), 0);
    EXPECT_EQ(m_sync->receivedRequests().size(), 1);

    runOnSelection({"A", "B"}, "menuDuplicate");
    EXPECT_EQ(queryInt(QStringLiteral("SELECT COUNT(*) FROM Tasks WHERE taskName IN ('A','B')")), 6);
    EXPECT_EQ(m_sync->receivedRequests().size(), 2) << "the setting is on";
}

}  // namespace TaskListCommandsTests
