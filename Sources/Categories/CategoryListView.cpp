#include "CategoryListView.h"

#include "Calendar.h"
#include "CoreData.h"

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
    // The list keeps the count of the categories it shows, which the main
    // window's category button compares with all of them.
    if (CoreData* manager = CoreData::shared()) {
        qint64 shown = 0;
        for (const CalendarPtr& category : manager->calendarList())
            if (category && category->inVisible() == 0) ++shown;
        manager->setNumberOfActiveProject(shown);
    }
}
