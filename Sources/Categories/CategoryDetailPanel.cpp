#include "CategoryDetailPanel.h"

#include "CategoryDetailView.h"
#include "MainViewHeight.h"

#include <algorithm>

namespace {

QRectF detailPanelRect(const QRectF& contentRect)
{
    if (!contentRect.isEmpty()) return contentRect;
    const double height = std::min(600.0, double(mainViewHeight));
    return QRectF(0, 0, CategoryDetailPanel::panelWidth, height);
}

}  // namespace

CategoryDetailPanel::CategoryDetailPanel(const QRectF& contentRect)
    : Panel(detailPanelRect(contentRect), TitledWindowMask | ClosableWindowMask | UtilityWindowMask)
{
    m_detailView = new CategoryDetailView(contentView()->bounds());
    m_detailView->setAutoresizingMask(ViewWidthSizable | ViewHeightSizable);
    contentView()->addSubview(m_detailView);
}

CategoryDetailPanel::~CategoryDetailPanel() = default;
