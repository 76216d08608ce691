#include "SearchResultTableView.h"

SearchResultTableView::SearchResultTableView(const QRectF& frame, QWidget* parent) : View(frame, parent)
{
    setFlipped(true);
}

SearchResultTableView::~SearchResultTableView() = default;

void SearchResultTableView::deselectAll()
{
    ++m_deselectCount;
}
