#pragma once

#include "Date.h"
#include "ModelTypes.h"
#include "OutlineView.h"
#include "ScheduledTimer.h"

#include <QHash>
#include <QMap>
#include <QPointer>
#include <QVariant>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "DetailViewController.h"
#include "Menu.h"
#include "TaskListItemView.h"

class InfoListItemView;
class TaskListView;

// The task list: the open tasks of the pane's filter, grouped under the
// days of the week ahead on which the today planner placed them (headers
// that cannot be selected), then the rest in forced or manual order, each
// a TaskListItemView row. A single click selects; a double click opens the
// item's editor. Its own data source; main thread only.
class TaskListTableView : public OutlineView {
    Q_OBJECT

public:
    static constexpr double itemRowHeight = 55;

    explicit TaskListTableView(const QRectF& frame = QRectF(), QWidget* parent = nullptr);
    ~TaskListTableView() override;

    // ---- pure parts ------------------------------------------------------
    // Whether a press at eventTime pairs with the pending one at lastMouseDown
    // (0: none pending) into a double click.
    static bool isDoubleClick(double lastMouseDown, double eventTime, double interval);
    // The header text of the group d days after today (weekday w, 1 =
    // Sunday) on the group's date.
    static QString headerTextFor(int dayIndex, int weekday, const Date& groupDate, const QString& preferredLang);

    // ---- loading ---------------------------------------------------------
    // Rebuilds the rows for the filter (0, 2, 3, 4, 6 or 7); type 0.
    void loadDataWithFilter(int filter, int typeOfTask);
    // Asks the pane to reload (planner, then this list).
    void loadData();
    // Re-reads the rows of the items whose keys ("%ld") are keys of the table.
    void reloadData(const QHash<QString, QVariant>& changedItems);
    // The main view's refresh after an item changed: that item's row again.
    void reloadData(const TaskPtr& item);
    using OutlineView::reloadData;
    void moveToTop(const TaskPtr& item);
    bool revealToTask(const TaskPtr& item);
    bool showPopupEditDetail(const TaskPtr& item);
    void popupEditDetail(const TaskPtr& item, View* positioningView);
    void popupLinkDetail();
    // As tall as the rows, and at least as tall as its scroll view shows.
    void fitHeight();
    // Makes blank rows, perSlice per turn of the event loop (about 5 ms for
    // the default), until `count` wait to be bound, so that the next load
    // binds rows instead of making them (the start makes them while its
    // window waits to open). The next load stops it: that load makes what is
    // missing and drops what it did not use.
    static constexpr std::size_t rowsPerPreparedSlice = 1000;
    void prepareRows(std::size_t count, std::size_t perSlice = rowsPerPreparedSlice);
    std::size_t spareRowCount() const { return m_spareRows.size(); }
    bool isPreparingRows() const { return m_prepareRowsTimer.isValid(); }

    // ---- the rows ----------------------------------------------------------
    const std::vector<TableRowView*>& rootItems() const { return m_rootItems; }
    void setRootItems(std::vector<TableRowView*> items);
    const QMap<QString, std::vector<TableRowView*>>& childItems() const { return m_childItems; }
    void setChildItems(const QMap<QString, std::vector<TableRowView*>>& items);
    TaskListView* parentView() const { return m_parentGuard ? m_parentView : nullptr; }
    void setParentView(TaskListView* pane);
    QString preferredLang() const { return m_preferredLang; }
    void setPreferredLang(const QString& lang) { m_preferredLang = lang; }
    TaskListItemView* selectedItem() const { return m_selectedItem; }
    int selectedCount() const { return m_selectedCount; }
    double lastMouseDown() const { return m_lastMouseDown; }
    bool isDraggable() const { return m_isDraggable; }
    bool canShowPreview() const { return m_canShowPreview; }
    DetailViewController* detailViewController() const { return m_detailViewController; }
    // The row of the item (first by key); null when it has none here.
    TaskListItemView* rowOfItem(qint64 primaryKey) const;

    // ---- outline answers -------------------------------------------------
    int numberOfChildrenOfItem(TableRowView* item) const override;
    TableRowView* childOfItem(int index, TableRowView* item) const override;
    bool isItemExpandable(TableRowView* item) const override;
    bool isGroupItem(TableRowView* item) const override;
    bool shouldSelectItem(TableRowView* item) const override;
    double heightOfRowByItem(TableRowView* item) const override;
    // A row is bound to its item when it is first asked for (in view).
    TableRowView* rowViewForRow(int row) override;

    // ---- input -----------------------------------------------------------
    void mouseDown(const Event& event) override;
    void handleSingleClick(bool repeated);
    void handleDoubleClick();
    void keyDown(const Event& event) override;

    // What the main view asked of the list, for its own checks.
    int reloadCount() const { return m_reloadCount; }
    TaskPtr lastReloadedItem() const { return m_lastReloadedItem; }
    int moveToTopCount() const { return m_moveToTopCount; }
    TaskPtr lastMovedItem() const { return m_lastMovedItem; }
    int showPopupEditDetailCount() const { return m_showPopupCount; }
    TaskPtr lastShownItem() const { return m_lastShownItem; }
    int deselectCount() const { return m_deselectCount; }
    // Drops the selection (the main view's clearing of the other lists).
    void deselectAll();

    // ---- dragging rows and drops ------------------------------------------
    // A task row drags its task; drops between rows reorder a task the list
    // shows or turn an event, a scheduled task or a note into a task there.
    // Every reorder and conversion posts "Task order changed".
    std::unique_ptr<QMimeData> pasteboardWriterForItem(TableRowView* item) override;
    unsigned draggingEntered(const DraggingInfo& info) override;
    void updateDraggingItemsForDrag(const DraggingInfo& info) override;
    void draggingExited() override;
    QImage dragImageForRowsWithIndexes(const std::vector<int>& rows, const Event& event) override;
    unsigned validateDrop(const DraggingInfo& info, TableRowView* item, int childIndex) override;
    bool acceptDrop(const DraggingInfo& info, TableRowView* item, int childIndex) override;
    // Moves the row being dragged from one root index to the gap before
    // another and rotates the order values of the task rows in between.
    // A given askAgain (the answer about the order question) is saved in
    // the same unit.
    void changeOrderFromIndex(int from, int to, std::optional<qint64> askAgain = std::nullopt);
    bool convertSTask2Task(const TaskPtr& item, int index);
    bool convertEvent2Task(const TaskPtr& item, int index);
    bool makeTaskFromNote(const TaskPtr& item, int index);
    TaskListItemView* itemBeingDrag() const { return m_itemBeingDrag; }
    void setItemBeingDrag(TaskListItemView* row) { m_itemBeingDrag = row; }
    // The small picture a drag over the list shows at the pointer; null
    // when none is shown.
    QImage dragPreviewImage() const { return m_dragPreviewImage; }

private:
    bool orderQuestionApplies() const;
    // Asks before reordering a filtered list: the value of the switch that
    // asks it (0 with the box ticked), to be saved with the order; none
    // when cancelled.
    std::optional<qint64> askOrderQuestion();
    void reorderDropped(int to, bool fromElsewhere);
    // The order of a task just made at the row it was dropped at, inside
    // the caller's unit.
    bool saveConvertedOrder(const TaskPtr& made, int index);
    void showDragPreview(const DraggingInfo& info);
    void hideDragPreview();
    void reloadAfterFailedSave();

    QPointer<TaskListItemView> m_itemBeingDrag;
    class ImageView* m_dragPreview = nullptr;
    QImage m_dragPreviewImage;

private:
    void clearRows();
    void dropSpareRows();
    void prepareRowSlice();
    // What a load shows, in order: its items, and the day headers with the
    // place (an index into the items) each stands before.
    struct RowPlan {
        TaskList items;
        std::vector<std::pair<qsizetype, QString>> headers;
        bool operator==(const RowPlan&) const = default;
    };
    RowPlan planRows(TaskList listed, const Date& today);
    void makeRows(const RowPlan& plan);
    bool keepsBuiltRows(const RowPlan& plan) const;
    void keepBuiltRows();
    TaskListItemView* appendRow(const TaskPtr& item);
    int rowIndexOf(qint64 primaryKey) const;
    void selectOnly(int row);
    static void refreshInPlace(const TaskPtr& item);

    std::vector<TableRowView*> m_rootItems;
    // Item rows of the last load, bound to the next load's items in turn:
    // a reload of thousands of rows then makes and destroys no widgets.
    std::vector<TaskListItemView*> m_spareRows;
    // The item rows this load appended, in the order appended: with the
    // headers they are all the root rows, so the next load takes them back
    // without asking each row (of thousands) what it is.
    std::vector<TaskListItemView*> m_appendedRows;
    // The last load's plan and the rows it made: a load that plans the same
    // rows keeps them, and moving the load mark on makes each bind again at
    // its first use (a refresh of 25,000 rows then rebuilds nothing).
    struct BuiltRows {
        RowPlan plan;
        std::vector<TableRowView*> rows;
    };
    std::optional<BuiltRows> m_built;
    std::shared_ptr<quint64> m_loadMark = std::make_shared<quint64>(0);
    ScheduledTimer m_prepareRowsTimer;
    std::size_t m_preparedRowsWanted = 0;
    std::size_t m_preparedRowsPerSlice = rowsPerPreparedSlice;
    QMap<QString, std::vector<TableRowView*>> m_childItems;
    // The day headers among the rows: the outline asks of every row several
    // times a load whether it is one, and this answers without touching the
    // row (10,000 rows cost a cache miss each).
    std::vector<const InfoListItemView*> m_headers;
    const InfoListItemView* headerOf(const TableRowView* row) const;
    bool isHeader(const TableRowView* row) const { return headerOf(row) != nullptr; }
    void collectHeaders();
    // The pane, guarded through its QObject (the pane's class is only
    // declared here).
    TaskListView* m_parentView = nullptr;
    QPointer<QObject> m_parentGuard;
    QString m_preferredLang;
    QPointer<TaskListItemView> m_selectedItem;
    int m_selectedCount = 0;
    double m_lastMouseDown = 0;
    bool m_isDraggable = false;
    bool m_canShowPreview = true;
    ScheduledTimer m_singleClickTimer;
    QPointer<DetailViewController> m_detailViewController;

    int m_reloadCount = 0;
    TaskPtr m_lastReloadedItem;
    int m_moveToTopCount = 0;
    TaskPtr m_lastMovedItem;
    int m_showPopupCount = 0;
    TaskPtr m_lastShownItem;
    int m_deselectCount = 0;

    // ---- row commands (TaskListTableView_Commands.cpp) -------------------
    // Delete, the context menus and what their entries do. The single-item
    // commands act on selectedItem, the batch commands on arrSelectedItems
    // (the last several-row selection seen by applyDelete or menuForEvent).
public:
    void applyDelete();
    void applyDeleteSingleSelectedItem();
    void applyDeleteMultipleSelectedItems();
    // The menu for a right click at the event; empty on no row or a header.
    Menu menuForEvent(const Event& event);
    void rightMouseDown(const Event& event) override;
    // The commands of the context menus, by action name; empty for none.
    std::function<void()> commandForAction(const QString& action);
    const TaskList& arrSelectedItems() const { return m_arrSelectedItems; }

    void editTask();
    void duplicateTask();
    void selectDone();
    void copyToMakeLink();
    void pasteToMakeLink();
    void addPrimaryNote();
    void linkTogether();
    void duplicateSelectedItems();
    void markDoneTasks();
    void markStarTasks();
    void markUnStarTasks();
    void doToDaySelectedTasks();
    void doNextWeekSelectedTasks();
    void doNextMonthSelectedTasks();

private:
    // The items of the selected rows, in row order.
    TaskList tasksOfSelectedRows() const;
    TaskList m_arrSelectedItems;
};
