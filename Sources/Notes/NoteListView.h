#pragma once

#include "View.h"

class NoteListTableView;

// The note list panel: its table under the panel's filter. Until the note
// list is built it draws nothing and counts its reloads.
class NoteListView : public View {
    Q_OBJECT

public:
    explicit NoteListView(const QRectF& frame, QWidget* parent = nullptr);
    ~NoteListView() override;

    // Has the table load its notes again with the panel's filter.
    void reloadData();
    int reloadCount() const { return m_reloadCount; }

    NoteListTableView* noteListTableView() const { return m_tableView; }

private:
    int m_reloadCount = 0;
    NoteListTableView* m_tableView = nullptr;
};
