#pragma once

#include "Menu.h"
#include "ModelTypes.h"
#include "OutlineView.h"
#include "ScheduledTimer.h"

#include <QHash>
#include <QPointer>
#include <QVariant>

#include <vector>

class DetailViewController;
class NoteListItemView;
class NoteListView;

// The notes page's list: one row per note of the page's filter, newest
// first. A double click opens the note's editor at its row; the main view
// asks it to refresh changed notes, to reveal a note and to open one. Its
// own data source; main thread only.
class NoteListTableView : public OutlineView {
    Q_OBJECT

public:
    static constexpr double noteRowHeight = 55;
    // While the planner is expanded a double click may take this long.
    static constexpr double plannerDoubleClickInterval = 1.0;

    explicit NoteListTableView(const QRectF& frame = QRectF(), QWidget* parent = nullptr);
    ~NoteListTableView() override;

    NoteListView* parentView() const { return m_parentView; }
    void setParentView(NoteListView* view) { m_parentView = view; }

    // Rebuilds the rows from the data manager's notes for the filter (0 all,
    // 1 the selected day's, 2 this week's, 3 the pinned ones; any other
    // none). A load asked for while one runs is dropped and leaves the rows
    // alone. Rows are not rebuilt under an open question: the load waits.
    void loadDataByFilter(int filter);
    bool isLoading() const { return m_isLoading; }
    bool isDraggable() const { return m_isDraggable; }

    // Reads each listed note whose key ("%ld") is a key of the table again
    // into its row; a note deleted meanwhile loses its row. No row is added.
    void reloadData(const QHash<QString, QVariant>& changedItems);
    // The same for one note (none: nothing).
    void reloadData(const TaskPtr& item);

    // Shows the notes module, scrolls to the note's row and selects it
    // alone; false when the table is hidden or the note is not listed.
    bool revealToNote(const TaskPtr& note);
    // Scrolls the note's row into view; selection and module stay.
    void scrollToNote(const TaskPtr& note);
    // Reveals the note and opens its editor at its row, or at the page's
    // bottom or top anchor when the row is out of view; false when the
    // note is not listed.
    bool showPopupEditDetail(const TaskPtr& note);
    void popupEditDetail(const TaskPtr& note, View* anchor, View* parent);
    void deselectAll();
    int deselectCount() const { return m_deselectCount; }

    // The notes listed, in row order.
    const TaskList& notes() const { return m_notes; }
    // The row view of a row, made when first asked for (rows out of view
    // are not made by a load); null outside the rows.
    NoteListItemView* rowAt(int row) const;
    NoteListItemView* selectedItem() const;
    double lastMouseDown() const { return m_lastMouseDown; }
    DetailViewController* detailViewController() const { return m_detailViewController; }
    // The row of the first listed note with the note's key; -1 for none.
    int rowOfNote(const TaskPtr& note) const;

    // ---- outline answers -------------------------------------------------
    int numberOfChildrenOfItem(TableRowView* item) const override;
    TableRowView* childOfItem(int index, TableRowView* item) const override;
    // The rows are walked without making them.
    void reloadData() override;
    TableRowView* itemAtRow(int row) const override;
    int rowForItem(const TableRowView* item) const override;
    TableRowView* parentForItem(const TableRowView*) const override { return nullptr; }
    int numberOfRows() const override { return int(m_notes.size()); }
    TableRowView* rowViewForRow(int row) override;
    double heightOfRow(int) const override { return rowHeight(); }
    bool shouldSelectRow(int row) const override { return row >= 0 && row < int(m_notes.size()); }

    // ---- input -----------------------------------------------------------
    void mouseDown(const Event& event) override;
    void handleSingleClick(bool repeated);
    void handleDoubleClick();
    // Delete deletes the selection; every other key is swallowed: the list
    // has no keyboard movement.
    void keyDown(const Event& event) override;
    void rightMouseDown(const Event& event) override;

    // ---- commands (NoteListTableView_Commands.cpp) -----------------------
    // The note menu for the row under the pointer, or the multiple menu
    // while two or more rows are selected; empty off the rows.
    Menu menuForEvent(const Event& event);
    // The command of a menu action; empty for none.
    std::function<void()> commandForAction(const QString& action);
    // The notes of the selected rows, in row order, as the last multiple
    // menu or delete took them.
    const TaskList& arrSelectedItems() const { return m_arrSelectedItems; }
    void applyDelete();
    void applyDeleteSingleSelectedItem();
    void applyDeleteMultipleSelectedItems();
    void editNote();
    void duplicateNote();
    void convertNote2Task();
    void copyToMakeLink();
    void pasteToMakeLink();
    void popupLinkDetail();
    void linkTogether();
    void duplicateSelectedItems();
    void convertNotes2Tasks();

    // ---- dragging notes out; nothing is dropped here ----------------------
    std::unique_ptr<QMimeData> pasteboardWriterForItem(TableRowView* item) override;
    QImage dragImageForRowsWithIndexes(const std::vector<int>& rows, const Event& event) override;
    unsigned draggingEntered(const DraggingInfo& info) override;
    void updateDraggingItemsForDrag(const DraggingInfo& info) override;
    void draggingExited() override;
    bool performDragOperation(const DraggingInfo& info) override;
    void draggingEnded(const QPointF& screenPoint, unsigned operation) override;
    // The small picture shown at the pointer while a note is dragged over
    // the list (the drag itself carries the full one); null while hidden.
    QImage dragPreviewImage() const { return m_dragPreviewImage; }
    class ImageView* dragPreviewView() const { return m_dragPreview; }

protected:
    void resizeSubviewsWithOldSize(const QSizeF& oldSize) override;

private:
    void loadNow(int filter);
    TaskList notesOfSelectedRows() const;
    TaskPtr selectedNote() const;
    void dropRows();
    void showDragPreview(const DraggingInfo& info);
    void hideDragPreview();
    double doubleClickInterval() const;

    NoteListView* m_parentView = nullptr;
    TaskList m_notes;
    mutable std::vector<NoteListItemView*> m_rows;  // null: not made yet
    QPointer<NoteListItemView> m_selectedItem;
    int m_selectedCount = 0;
    double m_lastMouseDown = 0;
    ScheduledTimer m_singleClickTimer;
    bool m_isLoading = false;
    bool m_isDraggable = false;
    bool m_loadWaits = false;
    int m_waitingFilter = 0;
    DetailViewController* m_detailViewController = nullptr;
    int m_deselectCount = 0;
    TaskList m_arrSelectedItems;
    QPointer<NoteListItemView> m_itemBeingDrag;
    class ImageView* m_dragPreview = nullptr;
    QImage m_dragPreviewImage;
};
