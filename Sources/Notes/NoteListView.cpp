#include "NoteListView.h"

#include "NoteListTableView.h"

NoteListView::NoteListView(const QRectF& frame, QWidget* parent) : View(frame, parent)
{
    setFlipped(true);
    m_tableView = new NoteListTableView(bounds(), this);
    m_tableView->setAutoresizingMask(ViewWidthSizable | ViewHeightSizable);
}

NoteListView::~NoteListView() = default;

void NoteListView::reloadData()
{
    ++m_reloadCount;
}
