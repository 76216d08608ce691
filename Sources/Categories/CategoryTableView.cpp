#include "CategoryTableView.h"

#include "AlertPresenter.h"
#include "AlertRequest.h"
#include "Calendar.h"
#include "CategoryGroups.h"
#include "CategoryListItemView.h"
#include "Common.h"
#include "CoreData.h"
#include "Event.h"
#include "InfoListItemView.h"
#include "Setting.h"
#include "TextTable.h"
#include "Utilities.h"

#include <QDebug>
#include <QPointer>

#include <algorithm>

CategoryTableView::CategoryTableView(const QRectF& frame, QWidget* parent) : TableView(frame, parent)
{
    setBackgroundColor(Common::appBackgroundColor());
    setGridStyleMask(SolidHorizontalGridLine);
    setVerticalSpacing(0);
    setRowHeight(categoryRowHeight);
    setAllowsMultipleSelection(false);
    setPlacesVisibleRowsOnly(true);
}

CategoryTableView::~CategoryTableView()
{
    for (const QPointer<TableRowView>& row : m_rows) delete row.data();
}

void CategoryTableView::loadData()
{
    deselectAll();
    // Later: the box of one of these rows may be what asked for the rebuild.
    for (const QPointer<TableRowView>& row : m_rows) {
        if (!row) continue;
        row->hide();
        row->deleteLater();
    }
    m_entries.clear();
    m_totalHeight = 0;
    CalendarList categories;
    if (CoreData* manager = CoreData::shared()) categories = manager->getCalendarWithType(0, manager->calendarList());
    for (const CategoryGroup& group : groupCategoriesByKind(categories)) {
        m_entries.push_back({group.header, nullptr});
        m_totalHeight += headerHeightShare;
        for (const CalendarPtr& category : group.categories) {
            m_entries.push_back({QString(), category});
            m_totalHeight += categoryHeightShare;
        }
    }
    m_rows.assign(m_entries.size(), nullptr);
    reloadData();
}

CalendarPtr CategoryTableView::categoryAt(int row) const
{
    if (row < 0 || row >= int(m_entries.size())) return nullptr;
    return m_entries[std::size_t(row)].category;
}

bool CategoryTableView::isGroupRow(int row) const
{
    return row >= 0 && row < int(m_entries.size()) && !m_entries[std::size_t(row)].category;
}

TableRowView* CategoryTableView::rowAt(int row)
{
    if (row < 0 || row >= int(m_entries.size())) return nullptr;
    QPointer<TableRowView>& view = m_rows[std::size_t(row)];
    if (view) return view;
    const Entry& entry = m_entries[std::size_t(row)];
    if (!entry.category) {
        auto* header = new InfoListItemView;
        header->leftTextField()->setStringValue(entry.header);
        view = header;
    } else {
        auto* item = new CategoryListItemView;
        item->setCalendarWithoutInfo(entry.category);
        item->setParentView(this);
        view = item;
    }
    return view;
}

double CategoryTableView::heightOfRow(int row) const
{
    return isGroupRow(row) ? headerRowHeight : rowHeight();
}

void CategoryTableView::keyDown(const Event& event)
{
    // Every other key is swallowed, as in the category list.
    if (event.firstCharacterIgnoringModifiers() == KeyCharacter::Delete && selectedRow() >= 0) applyDelete();
}

void CategoryTableView::applyDelete()
{
    // The category, not the row's index: the rows may be rebuilt while the
    // question is open.
    const CalendarPtr category = categoryAt(selectedRow());
    CoreData* manager = CoreData::shared();
    if (!category || !manager || category->isShared()) return;
    // Shared categories count here: they are visible ones too.
    if (!askToDeleteCategory(category, true)) return;
    // No row leaves while a question is up: the rows under it would move.
    const QPointer<CategoryTableView> table(this);
    const auto remove = [table, category] {
        if (table) table->removeCategoryRow(category);
        CoreData* current = CoreData::shared();
        if (current && !current->commandFromView({}, [&] { return current->doDeleteCalendar(category); }))
            qWarning() << "Category" << category->primaryKey() << "could not be deleted";
    };
    if (AlertPresenter::isAlertRunning())
        AlertPresenter::whenNoAlertRuns(remove);
    else
        remove();
}

void CategoryTableView::removeCategoryRow(const CalendarPtr& category)
{
    const auto found = std::find_if(m_entries.begin(), m_entries.end(),
                                    [&category](const Entry& entry) { return entry.category == category; });
    if (found == m_entries.end()) return;
    const std::size_t index = std::size_t(found - m_entries.begin());
    const QPointer<TableRowView> view = m_rows[index];
    // A placed row's view goes over to the table, which lets it go once it
    // has left; one never placed is ours to delete.
    const bool placed = view && view->superview() == this;
    m_entries.erase(found);
    m_rows.erase(m_rows.begin() + std::ptrdiff_t(index));
    // The group's header stays and totalHeight keeps the row's share.
    removeRowWithSlideAndFade(int(index));
    if (view && !placed) delete view.data();
}
