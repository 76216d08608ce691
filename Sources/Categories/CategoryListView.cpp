#include "CategoryListView.h"

#include "CategoryListTableView.h"

CategoryListView::CategoryListView(const QRectF& frame, QWidget* parent) : View(frame, parent)
{
    setFlipped(true);
    m_tableView = new CategoryListTableView(bounds(), this);
    m_tableView->setAutoresizingMask(ViewWidthSizable | ViewHeightSizable);
}

CategoryListView::~CategoryListView() = default;

void CategoryListView::reloadData()
{
    ++m_reloadCount;
}
