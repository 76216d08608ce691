#pragma once

#include "ModelTypes.h"
#include "View.h"

// The note list's table. Until the note list is built it lists nothing: it
// keeps what it was asked, so the main view's refresh can be read back.
class NoteListTableView : public View {
    Q_OBJECT

public:
    explicit NoteListTableView(const QRectF& frame = QRectF(), QWidget* parent = nullptr);
    ~NoteListTableView() override;

    // Loads the rows again, keeping the note (none: no note) in view.
    void reloadData(const TaskPtr& item);
    // Opens the note's editor when the note is listed: true then. Nothing is
    // listed yet, so the answer is false.
    bool showPopupEditDetail(const TaskPtr& item);
    void deselectAll();

    int reloadCount() const { return m_reloadCount; }
    TaskPtr lastReloadedItem() const { return m_lastReloadedItem; }
    int showPopupEditDetailCount() const { return m_showPopupCount; }
    TaskPtr lastShownItem() const { return m_lastShownItem; }
    int deselectCount() const { return m_deselectCount; }

private:
    int m_reloadCount = 0;
    TaskPtr m_lastReloadedItem;
    int m_showPopupCount = 0;
    TaskPtr m_lastShownItem;
    int m_deselectCount = 0;
};
