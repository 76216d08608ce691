#pragma once

#include "ContextMenuRow.h"
#include "Menu.h"
#include "ModelTypes.h"

#include <vector>

// Class-level helpers of the views: drawn images, context menus.
class UIUtilities {
public:
    // ---- context menus (UIUtilities_Menus.cpp) --------------------------------
    // A right click on an item, a selection, a category, a tag, a link row or
    // an empty planner cell opens one of these menus. Each menu is titled
    // "RightClick" and has no separators, submenus, check marks or keys. The
    // clicked view passes itself as the target and runs the chosen command.
    // Each menu also exists as rows (the ...Rows functions), pure functions of
    // what was clicked and of the data manager's answers.

    // Events and tasks.
    static Menu createMenuForTaskWithTarget(const MenuTarget& target, const TaskPtr& task);
    // Notes.
    static Menu createMenuForNote(const MenuTarget& target, const TaskPtr& task);
    // Several rows of the task list (subtype 1) or the note list (subtype 3);
    // bStar when every selected item is starred.
    static Menu createMenuForMultiTaskWithTarget(const MenuTarget& target, const TaskList& arrSelectedItems,
                                                 int subtype, int numofrows, bool bStar);
    static Menu createMenuForCategoryWithTarget(const MenuTarget& target, const CalendarPtr& project);
    static Menu createMenuForTagWithTarget(const MenuTarget& target);
    static Menu createMenuForLinkItem(const MenuTarget& target);
    static Menu createMenuForPlannerCell(const MenuTarget& target);

    // The rows of each menu. With a target, enabled rows carry its commands.
    static std::vector<ContextMenuRow> itemMenuRows(const Task& task, const ContextMenuFacts& facts,
                                                    const MenuTarget& target = {});
    static std::vector<ContextMenuRow> noteMenuRows(const Task& task, const ContextMenuFacts& facts,
                                                    const MenuTarget& target = {});
    // areLinked as in ContextMenuFacts.
    static std::vector<ContextMenuRow> multiTaskMenuRows(const TaskList& arrSelectedItems, int subtype,
                                                         int numofrows, bool bStar,
                                                         const std::function<bool(qint64, qint64)>& areLinked,
                                                         const MenuTarget& target = {});
    static std::vector<ContextMenuRow> categoryMenuRows(const Calendar& project, const MenuTarget& target = {});
    static std::vector<ContextMenuRow> tagMenuRows(const MenuTarget& target = {});
    static std::vector<ContextMenuRow> linkItemMenuRows(const MenuTarget& target = {});
    static std::vector<ContextMenuRow> plannerCellMenuRows(const MenuTarget& target = {});

    // The key an item takes part in links under: its own, or for a generated
    // instance of a repeating item (negative key), its series'.
    static qint64 seriesKey(const Task& item);
    // Pasting a link onto the item is offered when an item was copied, it is
    // neither the item nor another instance of the item's series, and no
    // active link joins the two series yet.
    static bool canPasteLink(const Task& item, const ContextMenuFacts& facts);
    // The data manager's answers for the item (none without a data manager).
    static ContextMenuFacts contextMenuFacts(const TaskPtr& item);
    // The menu of the rows, their titles looked up in the text table.
    static Menu menuWithRows(const std::vector<ContextMenuRow>& rows);
    // The English-table title of a menu row's key; "" for a key no menu uses.
    static QString menuTitleText(const QString& titleKey);
    // ---- end of context menus ---------------------------------------------------
};
