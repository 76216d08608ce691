// The context menus: which rows each menu has, in which order, and which of
// them may act. Most cases compare rows as data; the last ones go through the
// data manager and the kit's menu.
#include "UIUtilities.h"

#include "../Model/ModelTestFixture.h"
#include "Calendar.h"
#include "CoreData.h"
#include "Link.h"
#include "Screenshot.h"
#include "Setting.h"
#include "Task.h"
#include "TextTable.h"

#include <QAction>
#include <QMenu>

#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <set>

namespace UIUtilities_MenusTests {

namespace {

constexpr quint64 allBitsSet = std::numeric_limits<quint64>::max();

// A row as the tests write it: title key, action name, enabled.
struct Row {
    const char* title;
    const char* action;
    bool enabled;
};

std::string describe(const std::vector<ContextMenuRow>& rows)
{
    std::string text;
    for (const ContextMenuRow& row : rows)
        text += row.titleKey.toStdString() + " -> " + row.action.toStdString() + (row.enabled ? "" : " (greyed)") + "\n";
    return text;
}

void expectRows(const std::vector<ContextMenuRow>& rows, const std::vector<Row>& expected, const std::string& name)
{
    SCOPED_TRACE(name);
    ASSERT_EQ(rows.size(), expected.size()) << describe(rows);
    for (size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].titleKey.toStdString(), expected[i].title) << "row " << i << "\n" << describe(rows);
        EXPECT_EQ(rows[i].action.toStdString(), expected[i].action) << "row " << i;
        EXPECT_EQ(rows[i].enabled, expected[i].enabled) << "row " << i << " " << expected[i].title;
    }
}

struct ItemState {
    qint64 key = 10;
    qint64 taskType = ItemKind::Task;
    qint64 status = 0;
    bool shared = false;
    qint64 delegateStatus = 0;
    qint64 taskOrder = 5;
    qint64 repeatType = 0;
    qint64 parentId = -1;
    qint64 calendarId = 0;
};

TaskPtr makeItem(const ItemState& state)
{
    auto item = std::make_shared<Task>();
    item->setPrimaryKey(state.key);
    item->setTaskType(state.taskType);
    item->setStatus(state.status);
    item->setIsShared(state.shared);
    item->setDelegateStatus(state.delegateStatus);
    item->setTaskOrder(state.taskOrder);
    item->setRepeatType(state.repeatType);
    item->setParentId(state.parentId);
    if (state.calendarId) item->setCalendarId(state.calendarId);
    return item;
}

// Facts with a note already linked, nothing copied and every task offered
// "do today": the optional rows stay out of the way.
ContextMenuFacts plainFacts()
{
    ContextMenuFacts facts;
    facts.hasNoteInLinks = true;
    return facts;
}

class ContextMenuTest : public ModelTest {
protected:
    void SetUp() override
    {
        ModelTest::SetUp();
        dataManager().setCurrentSetting(Setting::initWithPrimaryKey(1, db()));
    }

    qint64 storedItem(qint64 taskType)
    {
        exec(QStringLiteral("INSERT INTO Tasks (taskType, taskName) VALUES (%1, 'stored')").arg(taskType));
        return sqlite3_last_insert_rowid(db());
    }

    void link(qint64 root, qint64 target)
    {
        auto made = std::make_shared<Link>();
        made->setRootId(root);
        made->setTargetId(target);
        ASSERT_TRUE(dataManager().insertLink(made));
    }
};

TEST_F(ContextMenuTest, ItemMenuRowsFollowTheItemsTypeStateAndSharing)
{
    struct Case {
        const char* name;
        ItemState state;
        ContextMenuFacts facts;
        std::vector<Row> expected;
    };
    ContextMenuFacts noNote = plainFacts();
    noNote.hasNoteInLinks = false;
    ContextMenuFacts nothingToday = plainFacts();
    nothingToday.firstDoTodayTaskOder = allBitsSet;
    ContextMenuFacts todayAtFive = plainFacts();
    todayAtFive.firstDoTodayTaskOder = 5;
    ContextMenuFacts otherCopied = plainFacts();
    otherCopied.copiedItem = makeItem({.key = 99});

    const std::vector<Case> cases = {
        {"open task",
         {},
         plainFacts(),
         {{"menuEdit", "editTask:", true},
          {"menuDone", "selectDone:", true},
          {"menuDuplicate", "duplicateTask:", true},
          {"menuDelete", "deleteTask:", true},
          {"menuDoToday", "doToday:", true},
          {"menuDoNextWeek", "doNextWeek:", true},
          {"menuDoNextMonth", "doNextMonth:", true},
          {"menuCopyLink", "copyToMakeLink:", true}}},
        {"done task",
         {.status = 1},
         plainFacts(),
         {{"menuEdit", "editTask:", true},
          {"menuUnDone", "selectDone:", true},
          {"menuDelete", "deleteTask:", true},
          {"menuCopyLink", "copyToMakeLink:", true}}},
        {"done task without a note, another item copied",
         {.status = 1},
         [&] {
             ContextMenuFacts facts = otherCopied;
             facts.hasNoteInLinks = false;
             return facts;
         }(),
         {{"addNoteText", "addPrimaryNote:", true},
          {"menuEdit", "editTask:", true},
          {"menuUnDone", "selectDone:", true},
          {"menuDelete", "deleteTask:", true},
          {"menuCopyLink", "copyToMakeLink:", true},
          {"menuPasteLink", "pasteToMakeLink:", true}}},
        // Only the low byte of the status says done.
        {"status with only high bits set is open",
         {.status = 0x100},
         nothingToday,
         {{"menuEdit", "editTask:", true},
          {"menuDone", "selectDone:", true},
          {"menuDuplicate", "duplicateTask:", true},
          {"menuDelete", "deleteTask:", true},
          {"menuDoNextWeek", "doNextWeek:", true},
          {"menuDoNextMonth", "doNextMonth:", true},
          {"menuCopyLink", "copyToMakeLink:", true}}},
        {"event",
         {.taskType = ItemKind::Event},
         plainFacts(),
         {{"menuEdit", "editTask:", true},
          {"menuDuplicate", "duplicateTask:", true},
          {"menuDelete", "deleteTask:", true},
          {"menuCopyLink", "copyToMakeLink:", true}}},
        {"event without a note",
         {.taskType = ItemKind::Event},
         noNote,
         {{"addNoteText", "addPrimaryNote:", true},
          {"menuEdit", "editTask:", true},
          {"menuDuplicate", "duplicateTask:", true},
          {"menuDelete", "deleteTask:", true},
          {"menuCopyLink", "copyToMakeLink:", true}}},
        {"nothing left to do today: no task is offered it",
         {.taskOrder = std::numeric_limits<qint64>::max()},
         nothingToday,
         {{"menuEdit", "editTask:", true},
          {"menuDone", "selectDone:", true},
          {"menuDuplicate", "duplicateTask:", true},
          {"menuDelete", "deleteTask:", true},
          {"menuDoNextWeek", "doNextWeek:", true},
          {"menuDoNextMonth", "doNextMonth:", true},
          {"menuCopyLink", "copyToMakeLink:", true}}},
        {"the first task of today is not offered it again",
         {.taskOrder = 5},
         todayAtFive,
         {{"menuEdit", "editTask:", true},
          {"menuDone", "selectDone:", true},
          {"menuDuplicate", "duplicateTask:", true},
          {"menuDelete", "deleteTask:", true},
          {"menuDoNextWeek", "doNextWeek:", true},
          {"menuDoNextMonth", "doNextMonth:", true},
          {"menuCopyLink", "copyToMakeLink:", true}}},
        // A negative order read as unsigned lies after every real one.
        {"orders compare unsigned",
         {.taskOrder = -1},
         todayAtFive,
         {{"menuEdit", "editTask:", true},
          {"menuDone", "selectDone:", true},
          {"menuDuplicate", "duplicateTask:", true},
          {"menuDelete", "deleteTask:", true},
          {"menuDoToday", "doToday:", true},
          {"menuDoNextWeek", "doNextWeek:", true},
          {"menuDoNextMonth", "doNextMonth:", true},
          {"menuCopyLink", "copyToMakeLink:", true}}},
        {"shared task delegated to the user",
         {.shared = true, .delegateStatus = 1},
         [&] {
             ContextMenuFacts facts = otherCopied;
             facts.hasNoteInLinks = false;
             return facts;
         }(),
         {{"addNoteText", "addPrimaryNote:", false},
          {"menuView", "editTask:", true},
          {"menuDone", "selectDone:", true},
          {"menuDuplicate", "duplicateTask:", false},
          {"menuDelete", "deleteTask:", false},
          {"menuDoToday", "doToday:", false},
          {"menuDoNextWeek", "doNextWeek:", false},
          {"menuDoNextMonth", "doNextMonth:", false},
          {"menuCopyLink", "copyToMakeLink:", false},
          {"menuPasteLink", "pasteToMakeLink:", false}}},
        {"shared task not delegated",
         {.shared = true, .delegateStatus = 2},
         plainFacts(),
         {{"menuView", "editTask:", true},
          {"menuDone", "selectDone:", false},
          {"menuDuplicate", "duplicateTask:", false},
          {"menuDelete", "deleteTask:", false},
          {"menuDoToday", "doToday:", false},
          {"menuDoNextWeek", "doNextWeek:", false},
          {"menuDoNextMonth", "doNextMonth:", false},
          {"menuCopyLink", "copyToMakeLink:", false}}},
        {"unknown type is treated as no task",
         {.taskType = 7},
         plainFacts(),
         {{"menuEdit", "editTask:", true},
          {"menuDuplicate", "duplicateTask:", true},
          {"menuDelete", "deleteTask:", true},
          {"menuCopyLink", "copyToMakeLink:", true}}},
        {"category gone",
         {.status = 1, .calendarId = 987654},
         plainFacts(),
         {{"menuEdit", "editTask:", true},
          {"menuUnDone", "selectDone:", true},
          {"menuDelete", "deleteTask:", true},
          {"menuCopyLink", "copyToMakeLink:", true}}},
    };
    for (const Case& c : cases) expectRows(UIUtilities::itemMenuRows(*makeItem(c.state), c.facts), c.expected, c.name);
}

TEST_F(ContextMenuTest, PasteRowOnlyForACopiedItemOfAnotherUnlinkedSeries)
{
    struct Case {
        const char* name;
        ItemState clicked;
        std::optional<ItemState> copied;
        bool linked;
        bool offered;
    };
    const ItemState instanceA{.key = -2, .repeatType = 1, .parentId = 10};
    const ItemState instanceB{.key = -3, .repeatType = 1, .parentId = 10};
    const std::vector<Case> cases = {
        {"nothing copied", {}, std::nullopt, false, false},
        {"the item itself copied", {.key = 10}, ItemState{.key = 10}, false, false},
        {"another instance of the same series copied", instanceB, instanceA, false, false},
        {"the series root copied, an instance clicked", instanceB, ItemState{.key = 10, .repeatType = 1}, false, false},
        {"another item copied, already linked", {.key = 10}, ItemState{.key = 20}, true, false},
        {"another item copied", {.key = 10}, ItemState{.key = 20}, false, true},
        {"an instance of another series copied", instanceB, ItemState{.key = -4, .repeatType = 1, .parentId = 30},
         false, true},
        // Only generated instances of repeating items stand for their series.
        {"a negative key that does not repeat keeps its own key", {.key = -5, .parentId = 10},
         ItemState{.key = 10}, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (const qint64 type : {qint64(ItemKind::Task), qint64(ItemKind::Event), qint64(ItemKind::Note)}) {
            ItemState clicked = c.clicked;
            clicked.taskType = type;
            const TaskPtr item = makeItem(clicked);
            ContextMenuFacts facts = plainFacts();
            if (c.copied) facts.copiedItem = makeItem(*c.copied);
            std::vector<std::pair<qint64, qint64>> asked;
            facts.areLinked = [&](qint64 a, qint64 b) {
                asked.emplace_back(a, b);
                return c.linked;
            };
            EXPECT_EQ(UIUtilities::canPasteLink(*item, facts), c.offered);
            const auto rows = type == ItemKind::Note ? UIUtilities::noteMenuRows(*item, facts)
                                                     : UIUtilities::itemMenuRows(*item, facts);
            EXPECT_EQ(rows.back().titleKey == QStringLiteral("menuPasteLink"), c.offered) << describe(rows);
            // The link is looked for between the two series.
            for (const auto& [a, b] : asked) {
                EXPECT_EQ(a, UIUtilities::seriesKey(*facts.copiedItem));
                EXPECT_EQ(b, UIUtilities::seriesKey(*item));
            }
        }
    }
}

TEST_F(ContextMenuTest, NoteMenuRows)
{
    ContextMenuFacts copied;
    copied.copiedItem = makeItem({.key = 99});
    expectRows(UIUtilities::noteMenuRows(*makeItem({.taskType = ItemKind::Note, .status = 1}), copied),
               {{"addNoteText", "addPrimaryNote:", true},
                {"menuEdit", "editNote:", true},
                {"menuDuplicate", "duplicateNote:", true},
                {"menuDelete", "deleteNote:", true},
                {"menuCopyLink", "copyToMakeLink:", true},
                {"convertNote2TaskText", "convertNote2Task:", true},
                {"menuPasteLink", "pasteToMakeLink:", true}},
               "note without a linked note, another item copied");
    expectRows(UIUtilities::noteMenuRows(*makeItem({.taskType = ItemKind::Note, .shared = true}), plainFacts()),
               {{"menuView", "editNote:", true},
                {"menuDuplicate", "duplicateNote:", false},
                {"menuDelete", "deleteNote:", false},
                {"menuCopyLink", "copyToMakeLink:", false},
                {"convertNote2TaskText", "convertNote2Task:", false}},
               "shared note");
}

TEST_F(ContextMenuTest, MultiSelectionRows)
{
    const TaskPtr first = makeItem({.key = 1});
    const TaskPtr second = makeItem({.key = 2});
    const TaskPtr sharedOne = makeItem({.key = 3, .shared = true});
    const auto linkedPairs = [](qint64 a, qint64 b) { return (a == 1 && b == 2) || (a == 2 && b == 1); };
    const auto nothingLinked = [](qint64, qint64) { return false; };
    struct Case {
        const char* name;
        TaskList items;
        int subtype;
        int rows;
        bool starred;
        std::function<bool(qint64, qint64)> areLinked;
        std::vector<Row> expected;
    };
    const std::vector<Case> cases = {
        {"two unlinked tasks",
         {first, makeItem({.key = 4})},
         1,
         2,
         false,
         linkedPairs,
         {{"menuStar", "markStarTasks:", true},
          {"menuDone", "markDoneTasks:", true},
          {"menuDoToday", "doToDaySelectedTasks:", true},
          {"menuDoNextWeek", "doNextWeekSelectedTasks:", true},
          {"menuDoNextMonth", "doNextMonthSelectedTasks:", true},
          {"menuDuplicate", "duplicateSelectedItems:", true},
          {"menuDelete", "deleteSelectedTasks:", true},
          {"menuLinkThemTogether", "linkTogether:", true}}},
        {"two linked, starred tasks",
         {second, first},
         1,
         2,
         true,
         linkedPairs,
         {{"menuUnStar", "markUnStarTasks:", true},
          {"menuDone", "markDoneTasks:", true},
          {"menuDoToday", "doToDaySelectedTasks:", true},
          {"menuDoNextWeek", "doNextWeekSelectedTasks:", true},
          {"menuDoNextMonth", "doNextMonthSelectedTasks:", true},
          {"menuDuplicate", "duplicateSelectedItems:", true},
          {"menuDelete", "deleteSelectedTasks:", true}}},
        {"three tasks, one shared",
         {first, sharedOne, second},
         1,
         3,
         false,
         nothingLinked,
         {{"menuStar", "markStarTasks:", false},
          {"menuDone", "markDoneTasks:", true},
          {"menuDoToday", "doToDaySelectedTasks:", false},
          {"menuDoNextWeek", "doNextWeekSelectedTasks:", false},
          {"menuDoNextMonth", "doNextMonthSelectedTasks:", false},
          {"menuDuplicate", "duplicateSelectedItems:", false},
          {"menuDelete", "deleteSelectedTasks:", false}}},
        {"two notes, one shared",
         {sharedOne, first},
         3,
         2,
         false,
         nothingLinked,
         {{"menuDelete", "deleteSelectedTasks:", false},
          {"menuDuplicate", "duplicateSelectedItems:", false},
          {"convertNote2TaskText", "convertNotes2Tasks:", false},
          {"menuLinkThemTogether", "linkTogether:", false}}},
        // Two instances of one series may be linked from here.
        {"two instances of one series",
         {makeItem({.key = -2, .repeatType = 1, .parentId = 10}), makeItem({.key = -3, .repeatType = 1, .parentId = 10})},
         3,
         2,
         false,
         nothingLinked,
         {{"menuDelete", "deleteSelectedTasks:", true},
          {"menuDuplicate", "duplicateSelectedItems:", true},
          {"convertNote2TaskText", "convertNotes2Tasks:", true},
          {"menuLinkThemTogether", "linkTogether:", true}}},
        {"unknown list", {first, second}, 2, 2, false, nothingLinked, {}},
        {"two rows said, one item given",
         {first},
         3,
         2,
         false,
         nothingLinked,
         {{"menuDelete", "deleteSelectedTasks:", true},
          {"menuDuplicate", "duplicateSelectedItems:", true},
          {"convertNote2TaskText", "convertNotes2Tasks:", true}}},
        {"an empty entry",
         {first, nullptr},
         3,
         2,
         false,
         nothingLinked,
         {{"menuDelete", "deleteSelectedTasks:", true},
          {"menuDuplicate", "duplicateSelectedItems:", true},
          {"convertNote2TaskText", "convertNotes2Tasks:", true}}},
        {"no link check at hand", {first, second}, 3, 2, false, nullptr,
         {{"menuDelete", "deleteSelectedTasks:", true},
          {"menuDuplicate", "duplicateSelectedItems:", true},
          {"convertNote2TaskText", "convertNotes2Tasks:", true},
          {"menuLinkThemTogether", "linkTogether:", true}}},
    };
    for (const Case& c : cases)
        expectRows(UIUtilities::multiTaskMenuRows(c.items, c.subtype, c.rows, c.starred, c.areLinked), c.expected,
                   c.name);
}

TEST_F(ContextMenuTest, CategoryAndFixedMenuRows)
{
    struct Case {
        const char* name;
        qint64 inVisible;
        qint64 extraStatus;
        std::vector<Row> expected;
    };
    const std::vector<Case> cases = {
        {"visible", 0, 0, {{"menuEdit", "editCategory:", true}, {"menuDelete", "deleteCategory:", true}}},
        {"shared", 0, 1, {{"menuView", "editCategory:", true}, {"menuDelete", "deleteCategory:", false}}},
        {"hidden", 1, 0, {{"menuDelete", "deleteCategory:", true}}},
    };
    for (const Case& c : cases) {
        Calendar category;
        category.setInVisible(c.inVisible);
        category.setExtraStatus(c.extraStatus);
        expectRows(UIUtilities::categoryMenuRows(category), c.expected, c.name);
    }
    expectRows(UIUtilities::tagMenuRows(), {{"menuDelete", "deleteTag:", true}}, "tag");
    expectRows(UIUtilities::linkItemMenuRows(), {{"unlinkText", "unlink:", true}, {"revealText", "reveal:", true}},
               "link row");
    expectRows(UIUtilities::plannerCellMenuRows(), {{"newEventText", "createNewADE:", true}}, "planner cell");
}

TEST_F(ContextMenuTest, MenusCarryTheTargetsCommandsOnlyWhereTheRulesAllow)
{
    std::vector<QString> ran;
    // A target that carries every command but "duplicateTask:".
    const MenuTarget target = [&](const QString& action) -> std::function<void()> {
        if (action == QStringLiteral("duplicateTask:")) return {};
        return [&ran, action] { ran.push_back(action); };
    };

    auto runAll = [&](const Menu& menu) {
        ran.clear();
        EXPECT_EQ(menu.title(), QStringLiteral("RightClick"));
        QMenu* shown = menu.toQMenu(nullptr);
        for (QAction* action : shown->actions()) {
            EXPECT_FALSE(action->isSeparator());
            EXPECT_EQ(action->menu(), nullptr);
            EXPECT_FALSE(action->isCheckable());
            EXPECT_TRUE(action->shortcut().isEmpty());
            if (action->isEnabled()) action->trigger();
        }
        delete shown;
        return ran;
    };

    const TaskPtr mine = makeItem({.key = storedItem(ItemKind::Task)});
    Menu menu = UIUtilities::createMenuForTaskWithTarget(target, mine);
    ASSERT_EQ(menu.numberOfItems(), 9);
    EXPECT_EQ(menu.itemAtIndex(0)->title, TextTable::localizedString(QStringLiteral("addNoteText")));
    EXPECT_FALSE(menu.itemAtIndex(3)->isEnabled());  // the target has no duplicate command
    EXPECT_EQ(runAll(menu), (std::vector<QString>{"addPrimaryNote:", "editTask:", "selectDone:", "deleteTask:",
                                                  "doToday:", "doNextWeek:", "doNextMonth:", "copyToMakeLink:"}));

    // A shared item keeps its rows, but only viewing and completing act.
    const TaskPtr shared = makeItem({.key = storedItem(ItemKind::Task), .shared = true, .delegateStatus = 1});
    menu = UIUtilities::createMenuForTaskWithTarget(target, shared);
    EXPECT_EQ(menu.numberOfItems(), 9);
    EXPECT_EQ(runAll(menu), (std::vector<QString>{"editTask:", "selectDone:"}));

    // Without a target nothing can be chosen.
    menu = UIUtilities::createMenuForTaskWithTarget({}, mine);
    EXPECT_EQ(menu.numberOfItems(), 9);
    EXPECT_TRUE(runAll(menu).empty());

    EXPECT_EQ(runAll(UIUtilities::createMenuForTagWithTarget(target)), std::vector<QString>{"deleteTag:"});
    EXPECT_EQ(runAll(UIUtilities::createMenuForLinkItem(target)), (std::vector<QString>{"unlink:", "reveal:"}));
    EXPECT_EQ(runAll(UIUtilities::createMenuForPlannerCell(target)), std::vector<QString>{"createNewADE:"});
    auto category = std::make_shared<Calendar>();
    category->setExtraStatus(1);
    EXPECT_EQ(runAll(UIUtilities::createMenuForCategoryWithTarget(target, category)),
              std::vector<QString>{"editCategory:"});
    EXPECT_EQ(runAll(UIUtilities::createMenuForMultiTaskWithTarget(target, {mine, shared}, 1, 2, false)),
              std::vector<QString>{"markDoneTasks:"});
    EXPECT_EQ(runAll(UIUtilities::createMenuForNote(target, makeItem({.taskType = ItemKind::Note}))).size(), 6u);

    // Missing records give an empty menu, not a crash.
    EXPECT_EQ(UIUtilities::createMenuForTaskWithTarget(target, nullptr).numberOfItems(), 0);
    EXPECT_EQ(UIUtilities::createMenuForNote(target, nullptr).numberOfItems(), 0);
    EXPECT_EQ(UIUtilities::createMenuForCategoryWithTarget(target, nullptr).numberOfItems(), 0);
    EXPECT_EQ(UIUtilities::createMenuForTaskWithTarget(target, nullptr).title(), QStringLiteral("RightClick"));
}

TEST_F(ContextMenuTest, MenusReadLinksCopiesAndTodaysOrderFromTheDataManager)
{
    const TaskPtr task = Task::initWithPrimaryKey(storedItem(ItemKind::Task), db());
    const TaskPtr other = Task::initWithPrimaryKey(storedItem(ItemKind::Task), db());
    const qint64 note = storedItem(ItemKind::Note);
    task->setTaskOrder(3);

    auto titles = [](const Menu& menu) {
        QStringList out;
        for (const MenuItem& item : menu.items()) out << item.title;
        return out;
    };
    auto text = [](const char* key) { return TextTable::localizedString(QString::fromLatin1(key)); };

    QStringList shown = titles(UIUtilities::createMenuForTaskWithTarget({}, task));
    EXPECT_TRUE(shown.contains(text("addNoteText")));
    EXPECT_TRUE(shown.contains(text("menuDoToday")));
    EXPECT_FALSE(shown.contains(text("menuPasteLink")));

    link(note, task->primaryKey());
    dataManager().setCopiedItem(other);
    dataManager().setFirstDoTodayTaskOder(allBitsSet);
    shown = titles(UIUtilities::createMenuForTaskWithTarget({}, task));
    EXPECT_FALSE(shown.contains(text("addNoteText")));
    EXPECT_FALSE(shown.contains(text("menuDoToday")));
    EXPECT_EQ(shown.last(), text("menuPasteLink"));

    // Once linked, the pair is not offered again, in either direction.
    link(task->primaryKey(), other->primaryKey());
    shown = titles(UIUtilities::createMenuForTaskWithTarget({}, task));
    EXPECT_FALSE(shown.contains(text("menuPasteLink")));
    EXPECT_FALSE(titles(UIUtilities::createMenuForMultiTaskWithTarget({}, {other, task}, 1, 2, false))
                     .contains(text("menuLinkThemTogether")));
    EXPECT_TRUE(titles(UIUtilities::createMenuForMultiTaskWithTarget({}, {other, Task::initWithPrimaryKey(note, db())},
                                                                     1, 2, false))
                    .contains(text("menuLinkThemTogether")));
}

TEST_F(ContextMenuTest, EveryTitleHasAnEnglishText)
{
    std::set<QString> keys;
    auto collect = [&](const std::vector<ContextMenuRow>& rows) {
        for (const ContextMenuRow& row : rows) keys.insert(row.titleKey);
    };
    ContextMenuFacts facts;
    facts.copiedItem = makeItem({.key = 99});
    for (const bool shared : {false, true})
        for (const qint64 status : {0, 1})
            for (const qint64 type : {0, 1, 3}) {
                const TaskPtr item = makeItem({.taskType = type, .status = status, .shared = shared});
                collect(UIUtilities::itemMenuRows(*item, facts));
                collect(UIUtilities::noteMenuRows(*item, facts));
            }
    for (const bool starred : {false, true})
        for (const int subtype : {1, 3})
            collect(UIUtilities::multiTaskMenuRows({makeItem({.key = 1}), makeItem({.key = 2})}, subtype, 2, starred, {}));
    Calendar category;
    collect(UIUtilities::categoryMenuRows(category));
    category.setExtraStatus(1);
    collect(UIUtilities::categoryMenuRows(category));
    collect(UIUtilities::tagMenuRows());
    collect(UIUtilities::linkItemMenuRows());
    collect(UIUtilities::plannerCellMenuRows());

    EXPECT_EQ(keys.size(), 19u);
    for (const QString& key : keys) {
        EXPECT_TRUE(TextTable::hasText(key)) << key.toStdString();
        EXPECT_EQ(UIUtilities::menuTitleText(key), TextTable::localizedString(key)) << key.toStdString();
    }
    EXPECT_EQ(UIUtilities::menuTitleText(QStringLiteral("noSuchMenuKey")), QString());
}

TEST_F(ContextMenuTest, ItemMenuScreenshot)
{
    const MenuTarget target = [](const QString&) { return [] {}; };
    ContextMenuFacts facts;
    facts.copiedItem = makeItem({.key = 99});
    const Menu menu =
        UIUtilities::menuWithRows(UIUtilities::itemMenuRows(*makeItem({.taskOrder = 7}), facts, target));
    QMenu* shown = menu.toQMenu(nullptr);
    shown->adjustSize();
    EXPECT_EQ(shown->actions().size(), 10);
    EXPECT_FALSE(saveScreenshot(shown, QStringLiteral("item-menu")).isEmpty());
    delete shown;

    // A shared item: the rows that would change it show greyed.
    const Menu sharedMenu = UIUtilities::menuWithRows(
        UIUtilities::itemMenuRows(*makeItem({.shared = true, .delegateStatus = 1}), facts, target));
    shown = sharedMenu.toQMenu(nullptr);
    shown->adjustSize();
    EXPECT_FALSE(saveScreenshot(shown, QStringLiteral("item-menu-shared")).isEmpty());
    delete shown;
}

}  // namespace

}  // namespace UIUtilities_MenusTests
