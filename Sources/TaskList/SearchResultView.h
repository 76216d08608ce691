#pragma once

#include "DetailViewController.h"
#include "Menu.h"
#include "ModelTypes.h"
#include "OutlineView.h"
#include "ScheduledTimer.h"
#include "TaskListItemView.h"

#include <QHash>
#include <QMap>
#include <QPointer>
#include <QVariant>

#include <functional>
#include <vector>

class CoreData;
class NoteListItemView;


// The search panel's list: every loaded item whose name holds the searched
// text, grouped under headers by kind (all-day events, tasks, scheduled
// tasks, events, notes). A double click opens the item's editor; Delete
// and the context menu run the row commands on the selected row, and the
// search runs again after each change. Its own data source; main thread
// only.
class SearchResultView : public OutlineView {
    Q_OBJECT

public:
    static constexpr double itemRowHeight = 55;
    static constexpr double headerHeight = 18;

    explicit SearchResultView(const QRectF& frame = QRectF(), QWidget* parent = nullptr);
    ~SearchResultView() override;

    // Rebuilds the groups for the text (matched literally, ignoring case).
    void loadSearchResultWithSearchText(const QString& text);
    QString searchText() const { return m_searchText; }
    // Re-reads the rows of the items whose keys ("%ld"; a series' key for
    // its occurrences) are keys of the table; the groups stay.
    void reloadData(const QHash<QString, QVariant>& changedItems);
    // The rows again from the groups (always open); rows not made yet are
    // made when they come into view or are asked for.
    void reloadData() override;

    void popupEditDetail();
    void popupLinkDetail();

    const std::vector<TableRowView*>& rootItems() const { return m_rootItems; }
    void setRootItems(std::vector<TableRowView*> items);
    // Each group's rows by its header's text; a null entry is a row not
    // made yet (childOfItem makes it).
    const QMap<QString, std::vector<TableRowView*>>& childItems() const { return m_childItems; }
    void setChildItems(const QMap<QString, std::vector<TableRowView*>>& items)
    {
        m_childItems = items;
        m_groups.clear();
    }
    // The selected item row (a task row or a note row); null without one.
    TableRowView* selectedItem() const { return m_selectedItem; }
    int selectedCount() const { return m_selectedCount; }
    double lastMouseDown() const { return m_lastMouseDown; }
    DetailViewController* detailViewController() const { return m_detailViewController; }
    // The item of the selected row; null without one.
    TaskPtr selectedTask() const;
    // The item a row shows: a task row's task, a note row's note; null for
    // headers.
    static TaskPtr itemOfRow(const TableRowView* row);

    // Drops the selection (the main view's clearing of the other lists).
    void deselectAll();
    int deselectCount() const { return m_deselectCount; }

    // ---- outline answers -------------------------------------------------
    int numberOfChildrenOfItem(TableRowView* item) const override;
    TableRowView* childOfItem(int index, TableRowView* item) const override;
    bool isItemExpandable(TableRowView* item) const override;
    bool isGroupItem(TableRowView* item) const override;
    bool shouldSelectItem(TableRowView* item) const override;
    double heightOfRowByItem(TableRowView* item) const override;
    // The rows are walked without making them: a search over thousands of
    // items makes the rows in view only.
    TableRowView* itemAtRow(int row) const override;
    int rowForItem(const TableRowView* item) const override;
    TableRowView* parentForItem(const TableRowView* item) const override;
    int numberOfRows() const override { return int(m_flatRows.size()); }
    TableRowView* rowViewForRow(int row) override;
    double heightOfRow(int row) const override;
    bool shouldSelectRow(int row) const override;

    // What a search finds, by group, in the groups' orders.
    struct SearchGroups {
        TaskList allDay, tasks, scheduled, timed, notes;
    };
    static SearchGroups searchGroups(const CoreData& manager, const QString& text);
    // The items whose names hold the text, ignoring case, in their order.
    static TaskList namesHolding(const TaskList& items, const QString& text);

    // ---- input -----------------------------------------------------------
    void mouseDown(const Event& event) override;
    void handleSingleClick(bool repeated);
    void handleDoubleClick();
    void keyDown(const Event& event) override;
    void rightMouseDown(const Event& event) override;

    // ---- row commands (SearchResultView_Commands.cpp) --------------------
    // The menu for a right click at the event; empty on no row or a header.
    Menu menuForEvent(const Event& event);
    // The commands of the context menus, by action name; empty for none.
    std::function<void()> commandForAction(const QString& action);
    void applyDelete();
    void duplicateTask();
    void duplicateNote();
    void selectDone();
    void copyToMakeLink();
    void pasteToMakeLink();
    void convertNote2Task();

    // Whether an event repeats for the delete question: a series' root or a
    // generated occurrence (a detached one does not).
    static bool isRepeating(const Task& item);

private:
    int groupOfHeader(const TableRowView* header) const;
    // The row of a group's item, made (or a spare one bound) on first ask.
    TableRowView* rowInGroup(int group, int index) const;
    TableRowView* makeRow(const TaskPtr& item, int rowType) const;
    void clearRows();
    void dropSpareRows();
    // The search again with the last text, so that the results show a change.
    void searchAgain();

    std::vector<TableRowView*> m_rootItems;
    // Item rows of the last search, bound to the next search's items in
    // turn: typing a text then makes and destroys few widgets.
    mutable std::vector<TaskListItemView*> m_spareRows;
    mutable std::vector<NoteListItemView*> m_spareNoteRows;
    // Rows are made on first ask, from const outline answers too.
    mutable QMap<QString, std::vector<TableRowView*>> m_childItems;
    // The items of each group (parallel to the headers) and the kind of row
    // they are shown in.
    struct PendingGroup {
        TaskList items;
        int rowType = 0;
    };
    std::vector<PendingGroup> m_groups;
    // Each row's group and its index there (-1: the header).
    struct FlatRow {
        int group = 0;
        int index = -1;
    };
    std::vector<FlatRow> m_flatRows;
    QString m_searchText;
    QPointer<TableRowView> m_selectedItem;
    int m_selectedCount = 0;
    double m_lastMouseDown = 0;
    ScheduledTimer m_singleClickTimer;
    QPointer<DetailViewController> m_detailViewController;
    int m_deselectCount = 0;
};
