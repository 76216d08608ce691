#pragma once

#include "DetailViewController.h"
#include "Menu.h"
#include "ModelTypes.h"
#include "OutlineView.h"
#include "ScheduledTimer.h"
#include "TaskOrder.h"
#include "TextField.h"

#include <QHash>
#include <QMap>
#include <QPointer>
#include <QVariant>

#include <functional>
#include <vector>

class InfoListItemView;
class View;

// What the outline needs of the view that hosts it: a rebuild of the whole
// detail (which calls the outline's loadData again) and two anchors for an
// editor opened at a row not laid out yet.
class CategoryDetailListHost {
public:
    virtual ~CategoryDetailListHost();
    virtual void loadData() = 0;
    virtual View* topItemTemp() const = 0;
    virtual View* bottomItemTemp() const = 0;
};

// The outline of one category's content: its tasks (under a quick-add row
// unless the category is shared), its scheduled tasks, its events (a
// repeating one once, at its own occurrence) and its notes, each group under
// a header row. Tasks are reordered by dragging them inside the task group;
// a note dropped on the task header becomes a task. Its own data source; the
// rows are the outline's items. Main thread only.
class CategoryDetailListItemView : public OutlineView {
    Q_OBJECT

public:
    static constexpr double itemRowHeight = 55;
    static constexpr double headerRowHeight = 18;
    static constexpr double quickAddRowHeight = 26;
    // What the host reserves per row; these are not the rows' own heights.
    static constexpr double headerShare = 20;
    static constexpr double quickAddShare = 28;

    explicit CategoryDetailListItemView(const QRectF& frame = QRectF(), QWidget* parent = nullptr);
    ~CategoryDetailListItemView() override;

    // ---- set by the host ---------------------------------------------------
    CalendarPtr calendar() const { return m_calendar; }
    void setCalendar(const CalendarPtr& category) { m_calendar = category; }
    CategoryDetailListHost* parentView() const { return m_parentGuard ? m_parentView : nullptr; }
    // The host must be a QObject too; the outline forgets it when it goes.
    void setParentView(CategoryDetailListHost* host);
    bool isHiding() const { return m_isHiding; }
    void setIsHiding(bool hiding) { m_isHiding = hiding; }
    bool isQuickAddFocus() const { return m_isQuickAddFocus; }
    void setIsQuickAddFocus(bool focus)
    {
        m_isQuickAddFocus = focus;
        if (!focus) m_restoreQuickAddFocus = false;
    }

    // ---- host-facing operations --------------------------------------------
    // Rebuilds every group from the database. Asked while a load runs, it
    // runs once more right after; asked under an open question, once the
    // question has closed.
    void loadData();
    // Re-reads in place the rows whose records' keys ("%ld") are keys of the
    // table; no row is added, removed or moved.
    void reloadData(const QHash<QString, QVariant>& changedItems);
    void reloadData(const TaskPtr& item);
    using OutlineView::reloadData;
    // Shows the task as its category's top task, first of the task group
    // after the done tasks above it.
    void moveToTop(const TaskPtr& item);
    bool revealToTask(const TaskPtr& item);
    bool showPopupEditDetail(const TaskPtr& item);

    // ---- read by the host ---------------------------------------------------
    const std::vector<InfoListItemView*>& rootItems() const { return m_rootItems; }
    // Group title text → the group's rows.
    const QMap<QString, std::vector<TableRowView*>>& childItems() const { return m_childItems; }
    // Every record a load read; loads append, the host empties it.
    TaskList& calTaskList() { return m_calTaskList; }
    double totalHeight() const { return m_totalHeight; }
    bool isLoading() const { return m_isLoading; }
    TextField* quickAddField() const { return m_quickAddField; }
    TableRowView* selectedItem() const { return m_selectedItem; }
    int selectedCount() const { return m_selectedCount; }
    double lastMouseDown() const { return m_lastMouseDown; }
    bool canShowPreview() const { return m_canShowPreview; }
    TableRowView* itemBeingDrag() const { return m_itemBeingDrag; }
    DetailViewController* detailViewController() const { return m_detailViewController; }
    // The main view's clearing of the other lists.
    void deselectAll();
    int deselectCount() const { return m_deselectCount; }

    // ---- outline answers ------------------------------------------------------
    int numberOfChildrenOfItem(TableRowView* item) const override;
    TableRowView* childOfItem(int index, TableRowView* item) const override;
    bool isItemExpandable(TableRowView* item) const override;
    bool isGroupItem(TableRowView* item) const override;
    bool shouldSelectItem(TableRowView* item) const override;
    double heightOfRowByItem(TableRowView* item) const override;
    // The record of a task, scheduled task or event row; none for others.
    static TaskPtr objectValueForItem(const TableRowView* item);
    // The record of any item row (a note row's note included).
    static TaskPtr recordOfRow(const TableRowView* item);

    // ---- editors ----------------------------------------------------------------
    void popupEditDetail(const TaskPtr& item, View* positioningView, View* parent);
    void popupLinkDetail();

    // ---- input --------------------------------------------------------------------
    void mouseDown(const Event& event) override;
    void handleSingleClick(bool repeated);
    void handleDoubleClick();
    void keyDown(const Event& event) override;

    // ---- drags (inside the outline only) -------------------------------------------
    std::unique_ptr<QMimeData> pasteboardWriterForItem(TableRowView* item) override;
    QImage dragImageForRowsWithIndexes(const std::vector<int>& rows, const Event& event) override;
    unsigned draggingEntered(const DraggingInfo& info) override;
    void draggingExited() override;
    unsigned validateDrop(const DraggingInfo& info, TableRowView* item, int childIndex) override;
    bool acceptDrop(const DraggingInfo& info, TableRowView* item, int childIndex) override;
    void setItemBeingDrag(TableRowView* row) { m_itemBeingDrag = row; }

    // The reorder of the task group: the rows as their order values (none
    // for the quick-add row), the dragged row's index and the proposed child
    // index. A drop above the first task (on the header, -1, or above the
    // quick-add row) puts it first. A task dropped where it was keeps its
    // value and is still saved.
    struct Reorder {
        int from = -1;
        int dest = -1;
        std::vector<int> rows;       // task rows to save, as indexes after the move
        std::vector<qint64> orders;  // the value each takes
    };
    static Reorder planReorder(const std::vector<TaskOrder::Row>& rows, int from, int proposedChildIndex);

    // The header rows' handlers.
    void quickAddNewTask(const QString& text);
    void restoreQuickAddFocus();
    void toggleShowHideDoneTask();

    // ---- context menu and row commands ------------------------------------------------
    // None on no row, a header or the quick-add row; a right click on
    // another row selects it first.
    Menu menuForEvent(const Event& event);
    void rightMouseDown(const Event& event) override;
    // The command of a menu entry by its action name; empty for none.
    std::function<void()> commandForAction(const QString& action);
    void addPrimaryNote();
    void editTask();
    void selectDone();
    void selectSTaskDone();
    void duplicateTask();
    void duplicateNote();
    void doToday();
    void doNextWeek();
    void doNextMonth();
    void copyToMakeLink();
    void pasteToMakeLink();
    void convertNote2Task();
    void applyDelete();

private:
    void buildRows();
    void clearRows();
    InfoListItemView* newHeader(const QString& title);
    void appendGroup(const QString& title, const TaskList& records, bool notes);
    const std::vector<TableRowView*>* groupRows(const QString& title) const;
    bool isHeaderItem(const TableRowView* item) const;
    void selectOnly(int row);
    // A row showing the record: the task group, then the events, then the
    // notes; null when none does.
    TableRowView* rowShowing(const TaskPtr& item) const;
    void rebuildThroughHost();
    void reorderTaskGroup(int proposedChildIndex);
    // The task of a task row (tasks, scheduled tasks and events) selected.
    TaskPtr selectedTaskRowRecord() const;
    TaskPtr selectedNoteRowRecord() const;

    std::vector<InfoListItemView*> m_rootItems;
    QMap<QString, std::vector<TableRowView*>> m_childItems;
    CalendarPtr m_calendar;
    QPointer<TableRowView> m_itemBeingDrag;
    QPointer<DetailViewController> m_detailViewController;
    QPointer<TextField> m_quickAddField;
    QPointer<TableRowView> m_selectedItem;
    int m_selectedCount = 0;
    bool m_isQuickAddFocus = false;
    bool m_quickAddRefocusPending = false;
    bool m_restoreQuickAddFocus = false;  // the row had the keyboard when the rows went
    TaskList m_calTaskList;
    CategoryDetailListHost* m_parentView = nullptr;
    QPointer<QObject> m_parentGuard;
    double m_totalHeight = 0;
    bool m_isLoading = false;
    bool m_loadPending = false;
    bool m_waitsForAlert = false;
    bool m_isHiding = false;
    double m_lastMouseDown = 0;
    bool m_canShowPreview = true;
    ScheduledTimer m_singleClickTimer;
    int m_deselectCount = 0;
};
