#include "NoteListTableView.h"

NoteListTableView::NoteListTableView(const QRectF& frame, QWidget* parent) : View(frame, parent)
{
    setFlipped(true);
}

NoteListTableView::~NoteListTableView() = default;

void NoteListTableView::reloadData(const TaskPtr& item)
{
    ++m_reloadCount;
    m_lastReloadedItem = item;
}

bool NoteListTableView::showPopupEditDetail(const TaskPtr& item)
{
    ++m_showPopupCount;
    m_lastShownItem = item;
    return false;
}

void NoteListTableView::deselectAll()
{
    ++m_deselectCount;
}
