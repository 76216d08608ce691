#include "CategoryDetailListView.h"

CategoryDetailListView::CategoryDetailListView(const QRectF& frame, QWidget* parent) : View(frame, parent)
{
    setFlipped(true);
}

CategoryDetailListView::~CategoryDetailListView() = default;

void CategoryDetailListView::deselectAll()
{
    ++m_deselectCount;
}
