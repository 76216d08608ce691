#pragma once

#include "LinkListTableView.h"
#include "ModelTypes.h"
#include "NoteContentView.h"
#include "TableRowView.h"

#include <QPointer>

class Button;

// A linked note edited in place inside a link list: the note's text editor
// and under it a bar with reveal, detail and unlink. It edits a copy of the
// note and saves when the editing ends and before reveal and detail. Set
// isPopoverReloadAfterDoAction, a save reloads the link list in place;
// clear, it posts "Task changed". Flipped; shows no selection.
class NoteLinkDetailView : public TableRowView, public NoteContentHost, public LinkListRow {
    Q_OBJECT

public:
    static constexpr double editorHeight = 320;
    static constexpr double barTop = 321;
    static constexpr double barHeight = 25;

    explicit NoteLinkDetailView(const QRectF& frame = QRectF(), QWidget* parent = nullptr);
    ~NoteLinkDetailView() override;

    NoteContentView* contentView() const { return m_contentView; }
    Button* revealBtn() const { return m_revealBtn; }
    Button* detailBtn() const { return m_detailBtn; }
    Button* unlinkBtn() const { return m_unlinkBtn; }
    TaskPtr note() const { return m_note; }
    void setNote(const TaskPtr& note) { m_note = note; }
    View* parentView() const { return m_parentView; }
    void setParentView(View* view) { m_parentView = view; }
    bool isPopoverReloadAfterDoAction() const { return m_isPopoverReloadAfterDoAction; }
    void setIsPopoverReloadAfterDoAction(bool flag) { m_isPopoverReloadAfterDoAction = flag; }

    void loadDataFromNote(const TaskPtr& note);
    // The editor's text into the note; an empty text leaves the note alone.
    void summaryInfo();
    void saveChanges();
    void saveChangesManualReload() override { saveChanges(); }
    void reveal();
    void showDetail();
    void unlink();
    void customResignFirstResponder();

    TaskPtr linkedItem() const override { return m_note; }
    double linkRowHeight() const override { return LinkListTableView::noteEditorRowHeight; }
    bool saveBeforeReload() override;

    void drawSeparatorInRect(QPainter& painter, const QRectF& dirtyRect) override;
    void drawSelectionInRect(QPainter& painter, const QRectF& dirtyRect) override;

protected:
    void resizeSubviewsWithOldSize(const QSizeF& oldSize) override;

private:
    // Writes the note when its title or text changed; true when it did.
    bool storeNote();
    void placeBar();

    NoteContentView* m_contentView = nullptr;
    Button* m_revealBtn = nullptr;
    Button* m_detailBtn = nullptr;
    Button* m_unlinkBtn = nullptr;
    TaskPtr m_note;
    QPointer<View> m_parentView;
    bool m_isPopoverReloadAfterDoAction = false;
};
