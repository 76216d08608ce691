#include "CategoryDetailPanel.h"

#include "CategoryDetailView.h"

CategoryDetailPanel::CategoryDetailPanel(const QRectF& frame, QWidget* parent) : View(frame, parent)
{
    setFlipped(true);
    m_detailView = new CategoryDetailView(bounds(), this);
    m_detailView->setAutoresizingMask(ViewWidthSizable | ViewHeightSizable);
}

CategoryDetailPanel::~CategoryDetailPanel() = default;
