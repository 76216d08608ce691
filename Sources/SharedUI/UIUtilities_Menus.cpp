#include "UIUtilities.h"

#include "Calendar.h"
#include "CoreData.h"
#include "RecordStore.h"
#include "Task.h"
#include "TextTable.h"

#include <QDebug>
#include <QHash>

namespace {

const QString menuTitle = QStringLiteral("RightClick");

// A menu opens at once: what it reads to choose its rows waits only briefly
// for a lock another program holds (an exclusive one refuses reads too), and
// a row it could not check is offered all the same: a change chosen from it
// is refused and told like any other.
constexpr std::chrono::milliseconds menuLockWait{250};

// Collects rows, asking the target for a command only for the rows the rules
// allow to act.
class RowList {
public:
    RowList(const MenuTarget& target, size_t capacity) : m_target(target) { m_rows.reserve(capacity); }

    void add(const QString& titleKey, const QString& action, bool enabled)
    {
        ContextMenuRow row;
        row.titleKey = titleKey;
        row.action = action;
        row.enabled = enabled;
        if (enabled && m_target) row.callable = m_target(action);
        m_rows.push_back(std::move(row));
    }

    std::vector<ContextMenuRow> take() { return std::move(m_rows); }

private:
    const MenuTarget& m_target;
    std::vector<ContextMenuRow> m_rows;
};

// Only the low byte of the stored status says done; the rest is not ours.
bool isOpen(const Task& item) { return (item.status() & 0xFF) == 0; }

}  // namespace

qint64 UIUtilities::seriesKey(const Task& item)
{
    if (item.repeatType() != 0 && item.primaryKey() < 0) return item.parentId();
    return item.primaryKey();
}

bool UIUtilities::canPasteLink(const Task& item, const ContextMenuFacts& facts)
{
    const TaskPtr& copied = facts.copiedItem;
    if (!copied || copied->primaryKey() == item.primaryKey()) return false;
    const qint64 copiedSeries = seriesKey(*copied);
    const qint64 itemSeries = seriesKey(item);
    if (copiedSeries == itemSeries) return false;
    return !(facts.areLinked && facts.areLinked(copiedSeries, itemSeries));
}

ContextMenuFacts UIUtilities::contextMenuFacts(const TaskPtr& item)
{
    ContextMenuFacts facts;
    CoreData* dataManager = CoreData::shared();
    if (!dataManager) return facts;
    if (item) facts.hasNoteInLinks = dataManager->hasAnyNoteInLinks(item);
    facts.copiedItem = dataManager->copiedItem();
    facts.firstDoTodayTaskOder = dataManager->firstDoTodayTaskOder();
    facts.areLinked = [dataManager](qint64 first, qint64 second) {
        return dataManager->getLink(first, second) != nullptr;
    };
    return facts;
}

std::vector<ContextMenuRow> UIUtilities::itemMenuRows(const Task& task, const ContextMenuFacts& facts,
                                                      const MenuTarget& target)
{
    const bool shared = task.isShared();
    const bool open = isOpen(task);
    const bool isTask = task.taskType() == ItemKind::Task;
    // A task shared with the user may still be marked done by them when it
    // was delegated to them.
    const bool mayComplete = !shared || task.delegateStatus() == 1;

    RowList rows(target, 10);
    if (!facts.hasNoteInLinks) rows.add(QStringLiteral("addNoteText"), QStringLiteral("addPrimaryNote:"), !shared);
    rows.add(shared ? QStringLiteral("menuView") : QStringLiteral("menuEdit"), QStringLiteral("editTask:"), true);
    if (isTask)
        rows.add(open ? QStringLiteral("menuDone") : QStringLiteral("menuUnDone"), QStringLiteral("selectDone:"),
                 mayComplete);
    if (open) rows.add(QStringLiteral("menuDuplicate"), QStringLiteral("duplicateTask:"), !shared);
    rows.add(QStringLiteral("menuDelete"), QStringLiteral("deleteTask:"), !shared);
    if (isTask && open) {
        // Compared as unsigned: the list stores all bits set when nothing is
        // planned for today, and then no task is offered it.
        if (quint64(task.taskOrder()) > facts.firstDoTodayTaskOder)
            rows.add(QStringLiteral("menuDoToday"), QStringLiteral("doToday:"), !shared);
        rows.add(QStringLiteral("menuDoNextWeek"), QStringLiteral("doNextWeek:"), !shared);
        rows.add(QStringLiteral("menuDoNextMonth"), QStringLiteral("doNextMonth:"), !shared);
    }
    rows.add(QStringLiteral("menuCopyLink"), QStringLiteral("copyToMakeLink:"), !shared);
    if (canPasteLink(task, facts)) rows.add(QStringLiteral("menuPasteLink"), QStringLiteral("pasteToMakeLink:"), !shared);
    return rows.take();
}

std::vector<ContextMenuRow> UIUtilities::noteMenuRows(const Task& task, const ContextMenuFacts& facts,
                                                      const MenuTarget& target)
{
    const bool shared = task.isShared();
    RowList rows(target, 7);
    if (!facts.hasNoteInLinks) rows.add(QStringLiteral("addNoteText"), QStringLiteral("addPrimaryNote:"), !shared);
    rows.add(shared ? QStringLiteral("menuView") : QStringLiteral("menuEdit"), QStringLiteral("editNote:"), true);
    rows.add(QStringLiteral("menuDuplicate"), QStringLiteral("duplicateNote:"), !shared);
    rows.add(QStringLiteral("menuDelete"), QStringLiteral("deleteNote:"), !shared);
    rows.add(QStringLiteral("menuCopyLink"), QStringLiteral("copyToMakeLink:"), !shared);
    rows.add(QStringLiteral("convertNote2TaskText"), QStringLiteral("convertNote2Task:"), !shared);
    if (canPasteLink(task, facts)) rows.add(QStringLiteral("menuPasteLink"), QStringLiteral("pasteToMakeLink:"), !shared);
    return rows.take();
}

std::vector<ContextMenuRow> UIUtilities::multiTaskMenuRows(const TaskList& arrSelectedItems, int subtype,
                                                           int numofrows, bool bStar,
                                                           const std::function<bool(qint64, qint64)>& areLinked,
                                                           const MenuTarget& target)
{
    bool anyShared = false;
    for (const TaskPtr& item : arrSelectedItems) {
        if (!item) {
            qWarning() << "A selection menu was asked for with an empty entry among the selected items";
            continue;
        }
        anyShared = anyShared || item->isShared();
    }
    const bool mayChange = !anyShared;

    RowList rows(target, 9);
    if (subtype == 1) {
        if (bStar)
            rows.add(QStringLiteral("menuUnStar"), QStringLiteral("markUnStarTasks:"), mayChange);
        else
            rows.add(QStringLiteral("menuStar"), QStringLiteral("markStarTasks:"), mayChange);
        // Marking done stays possible on shared items: delegated work is
        // finished by the one it was shared with.
        rows.add(QStringLiteral("menuDone"), QStringLiteral("markDoneTasks:"), true);
        rows.add(QStringLiteral("menuDoToday"), QStringLiteral("doToDaySelectedTasks:"), mayChange);
        rows.add(QStringLiteral("menuDoNextWeek"), QStringLiteral("doNextWeekSelectedTasks:"), mayChange);
        rows.add(QStringLiteral("menuDoNextMonth"), QStringLiteral("doNextMonthSelectedTasks:"), mayChange);
        rows.add(QStringLiteral("menuDuplicate"), QStringLiteral("duplicateSelectedItems:"), mayChange);
        rows.add(QStringLiteral("menuDelete"), QStringLiteral("deleteSelectedTasks:"), mayChange);
    } else if (subtype == 3) {
        rows.add(QStringLiteral("menuDelete"), QStringLiteral("deleteSelectedTasks:"), mayChange);
        rows.add(QStringLiteral("menuDuplicate"), QStringLiteral("duplicateSelectedItems:"), mayChange);
        rows.add(QStringLiteral("convertNote2TaskText"), QStringLiteral("convertNotes2Tasks:"), mayChange);
    } else {
        qWarning() << "No selection menu for list subtype" << subtype;
        return rows.take();
    }

    if (numofrows != 2) return rows.take();
    if (arrSelectedItems.size() < 2 || !arrSelectedItems[0] || !arrSelectedItems[1]) {
        qWarning() << "A selection of two rows came without its two items; no link row";
        return rows.take();
    }
    // Unlike pasting a link, two rows of one series are not kept from it.
    const qint64 first = seriesKey(*arrSelectedItems[0]);
    const qint64 second = seriesKey(*arrSelectedItems[1]);
    if (!(areLinked && areLinked(first, second)))
        rows.add(QStringLiteral("menuLinkThemTogether"), QStringLiteral("linkTogether:"), mayChange);
    return rows.take();
}

std::vector<ContextMenuRow> UIUtilities::categoryMenuRows(const Calendar& project, const MenuTarget& target)
{
    RowList rows(target, 2);
    if (project.inVisible() == 0)
        rows.add(project.isShared() ? QStringLiteral("menuView") : QStringLiteral("menuEdit"),
                 QStringLiteral("editCategory:"), true);
    rows.add(QStringLiteral("menuDelete"), QStringLiteral("deleteCategory:"), !project.isShared());
    return rows.take();
}

std::vector<ContextMenuRow> UIUtilities::tagMenuRows(const MenuTarget& target)
{
    RowList rows(target, 1);
    rows.add(QStringLiteral("menuDelete"), QStringLiteral("deleteTag:"), true);
    return rows.take();
}

std::vector<ContextMenuRow> UIUtilities::linkItemMenuRows(const MenuTarget& target)
{
    RowList rows(target, 2);
    rows.add(QStringLiteral("unlinkText"), QStringLiteral("unlink:"), true);
    rows.add(QStringLiteral("revealText"), QStringLiteral("reveal:"), true);
    return rows.take();
}

std::vector<ContextMenuRow> UIUtilities::plannerCellMenuRows(const MenuTarget& target)
{
    RowList rows(target, 1);
    rows.add(QStringLiteral("newEventText"), QStringLiteral("createNewADE:"), true);
    return rows.take();
}

QString UIUtilities::menuTitleText(const QString& titleKey)
{
    // Each key is written out in its own lookup, so that the check of the
    // text table sees every title the menus can show.
    static const QHash<QString, QString> titles = {
        {QStringLiteral("addNoteText"), TextTable::localizedString(QStringLiteral("addNoteText"))},
        {QStringLiteral("menuEdit"), TextTable::localizedString(QStringLiteral("menuEdit"))},
        {QStringLiteral("menuView"), TextTable::localizedString(QStringLiteral("menuView"))},
        {QStringLiteral("menuDone"), TextTable::localizedString(QStringLiteral("menuDone"))},
        {QStringLiteral("menuUnDone"), TextTable::localizedString(QStringLiteral("menuUnDone"))},
        {QStringLiteral("menuDuplicate"), TextTable::localizedString(QStringLiteral("menuDuplicate"))},
        {QStringLiteral("menuDelete"), TextTable::localizedString(QStringLiteral("menuDelete"))},
        {QStringLiteral("menuDoToday"), TextTable::localizedString(QStringLiteral("menuDoToday"))},
        {QStringLiteral("menuDoNextWeek"), TextTable::localizedString(QStringLiteral("menuDoNextWeek"))},
        {QStringLiteral("menuDoNextMonth"), TextTable::localizedString(QStringLiteral("menuDoNextMonth"))},
        {QStringLiteral("menuCopyLink"), TextTable::localizedString(QStringLiteral("menuCopyLink"))},
        {QStringLiteral("menuPasteLink"), TextTable::localizedString(QStringLiteral("menuPasteLink"))},
        {QStringLiteral("convertNote2TaskText"), TextTable::localizedString(QStringLiteral("convertNote2TaskText"))},
        {QStringLiteral("menuStar"), TextTable::localizedString(QStringLiteral("menuStar"))},
        {QStringLiteral("menuUnStar"), TextTable::localizedString(QStringLiteral("menuUnStar"))},
        {QStringLiteral("menuLinkThemTogether"), TextTable::localizedString(QStringLiteral("menuLinkThemTogether"))},
        {QStringLiteral("unlinkText"), TextTable::localizedString(QStringLiteral("unlinkText"))},
        {QStringLiteral("revealText"), TextTable::localizedString(QStringLiteral("revealText"))},
        {QStringLiteral("newEventText"), TextTable::localizedString(QStringLiteral("newEventText"))},
    };
    const auto found = titles.constFind(titleKey);
    if (found != titles.constEnd()) return *found;
    qWarning() << "No menu title for the key" << titleKey;
    return QString();
}

Menu UIUtilities::menuWithRows(const std::vector<ContextMenuRow>& rows)
{
    Menu menu(menuTitle);
    for (const ContextMenuRow& row : rows) {
        MenuItem item;
        item.title = menuTitleText(row.titleKey);
        item.tag = row.tag;
        // Every row is marked enabled: one without a command shows greyed
        // all the same, which is how the rules say no.
        item.action = row.callable;
        menu.addItem(item);
    }
    return menu;
}

Menu UIUtilities::createMenuForTaskWithTarget(const MenuTarget& target, const TaskPtr& task)
{
    if (!task) {
        qWarning() << "An item menu was asked for without an item";
        return Menu(menuTitle);
    }
    RecordStore::WaitAtMost brief(menuLockWait);
    return menuWithRows(itemMenuRows(*task, contextMenuFacts(task), target));
}

Menu UIUtilities::createMenuForNote(const MenuTarget& target, const TaskPtr& task)
{
    if (!task) {
        qWarning() << "A note menu was asked for without a note";
        return Menu(menuTitle);
    }
    RecordStore::WaitAtMost brief(menuLockWait);
    return menuWithRows(noteMenuRows(*task, contextMenuFacts(task), target));
}

Menu UIUtilities::createMenuForMultiTaskWithTarget(const MenuTarget& target, const TaskList& arrSelectedItems,
                                                   int subtype, int numofrows, bool bStar)
{
    RecordStore::WaitAtMost brief(menuLockWait);
    return menuWithRows(multiTaskMenuRows(arrSelectedItems, subtype, numofrows, bStar,
                                          contextMenuFacts(nullptr).areLinked, target));
}

Menu UIUtilities::createMenuForCategoryWithTarget(const MenuTarget& target, const CalendarPtr& project)
{
    if (!project) {
        qWarning() << "A category menu was asked for without a category";
        return Menu(menuTitle);
    }
    return menuWithRows(categoryMenuRows(*project, target));
}

Menu UIUtilities::createMenuForTagWithTarget(const MenuTarget& target) { return menuWithRows(tagMenuRows(target)); }

Menu UIUtilities::createMenuForLinkItem(const MenuTarget& target) { return menuWithRows(linkItemMenuRows(target)); }

Menu UIUtilities::createMenuForPlannerCell(const MenuTarget& target)
{
    return menuWithRows(plannerCellMenuRows(target));
}
