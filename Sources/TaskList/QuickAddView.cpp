#include "QuickAddView.h"

#include "AddView.h"
#include "SearchView.h"

const QString QuickAddView::addNotification = QStringLiteral("Add notification");

QuickAddView::QuickAddView(const QRectF& frame, QWidget* parent) : View(frame, parent)
{
    setFlipped(true);
    // The results and the add form open below the bar when it grows; until
    // they are built they stay out of sight.
    m_searchView = new SearchView(QRectF(), this);
    m_searchView->hide();
    m_addView = new AddView(QRectF(), this);
    m_addView->setIsQuickAdd(true);
    m_addView->hide();
}

QuickAddView::~QuickAddView() = default;

void QuickAddView::search()
{
    ++m_searchCount;
}

void QuickAddView::reloadData(const TaskPtr& item)
{
    ++m_reloadCount;
    m_lastReloadedItem = item;
}

void QuickAddView::resetData()
{
    ++m_resetCount;
    m_isSearching = false;
    m_isAdding = false;
}
