#pragma once

#include "LinkListTableView.h"
#include "ModelTypes.h"
#include "NoteContentView.h"
#include "TableRowView.h"

#include <QPointer>

// The row on top of an item's link list where a new linked note is
// written: an empty note editor with a watermark. A save makes the text a
// note in the item's category, linked to the item, and keeps it as the
// data manager's note in preview. Flipped; shows no selection.
class QuickAddNewNote : public TableRowView, public NoteContentHost, public LinkListRow {
    Q_OBJECT

public:
    explicit QuickAddNewNote(const QRectF& frame = QRectF(), QWidget* parent = nullptr);
    ~QuickAddNewNote() override;

    NoteContentView* contentView() const { return m_contentView; }
    TaskPtr item() const { return m_item; }
    void setItem(const TaskPtr& item) { m_item = item; }
    View* parentView() const { return m_parentView; }
    void setParentView(View* view) { m_parentView = view; }
    // The note this row made (none before).
    TaskPtr madeNote() const { return m_madeNote; }

    // Makes the typed text a new linked note; notify posts "Task changed".
    // A blank text, or a second save after a note was made, makes nothing
    // and answers false.
    bool saveChanges(bool notify);
    void saveChangesManualReload() override;
    void resetData();
    void setNoteContentText(const QString& text);
    void changeModeNote();

    TaskPtr linkedItem() const override { return nullptr; }
    double linkRowHeight() const override { return LinkListTableView::quickAddRowHeight; }
    bool saveBeforeReload() override { return saveChanges(false); }

    void drawSeparatorInRect(QPainter& painter, const QRectF& dirtyRect) override;
    void drawSelectionInRect(QPainter& painter, const QRectF& dirtyRect) override;

private:
    NoteContentView* m_contentView = nullptr;
    TaskPtr m_item;
    TaskPtr m_madeNote;
    QPointer<View> m_parentView;
};
