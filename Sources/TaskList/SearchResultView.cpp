#include "SearchResultView.h"

#include "SearchResultTableView.h"

SearchResultView::SearchResultView(const QRectF& frame, QWidget* parent) : View(frame, parent)
{
    setFlipped(true);
    m_resultView = new SearchResultTableView(bounds(), this);
    m_resultView->setAutoresizingMask(ViewWidthSizable | ViewHeightSizable);
}

SearchResultView::~SearchResultView() = default;
