#include "CategoryListView.h"

#include "CategoryListTableView.h"
#include "CategoryViewController.h"
#include "Color.h"
#include "ScrollView.h"

#include <QPainter>

CategoryListView::CategoryListView(const QRectF& frame, QWidget* parent, FirstLoad firstLoad) : View(frame, parent)
{
    setFlipped(true);
    const double w = frame.width(), h = frame.height();
    m_scrollView = new ScrollView(QRectF(2, 1, w - 4, h - 3));
    m_scrollView->setHasVerticalScroller(true);
    const double contentWidth = ScrollView::contentWidthForFrameWidth(w - 4, true);
    m_tableView = new CategoryListTableView(QRectF(0, 0, contentWidth, h - 3));
    m_tableView->setAutoresizingMask(ViewWidthSizable);
    m_scrollView->setDocumentView(m_tableView);
    addSubview(m_scrollView);
    if (firstLoad == FirstLoad::Now) reloadData();
}

CategoryListView::~CategoryListView() = default;

void CategoryListView::reloadData()
{
    m_tableView->loadData();
}

void CategoryListView::resizeSubviewsWithOldSize(const QSizeF& oldSize)
{
    View::resizeSubviewsWithOldSize(oldSize);
    rearrangeView();
}

void CategoryListView::rearrangeView()
{
    const QRectF scroll = m_scrollView->frame();
    m_scrollView->setFrameSize(QSizeF(scroll.width(), frame().height() - 2));
    m_tableView->reloadData();
    m_tableView->fitHeightToRows();
}

void CategoryListView::addCategory(View* sender)
{
    if (!m_categoryViewController) m_categoryViewController = new CategoryViewController(this);
    m_categoryViewController->addCategoryPopOverAtPositionView(sender);
}

void CategoryListView::drawRect(QPainter& painter, const QRectF&)
{
    painter.setPen(QPen(Color::lightGray(), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(bounds().adjusted(0.5, 0.5, -0.5, -0.5));
}
