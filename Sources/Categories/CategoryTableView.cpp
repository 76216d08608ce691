#include "CategoryTableView.h"

#include "AlertPresenter.h"
#include "AlertRequest.h"
#include "Calendar.h"
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
}

CategoryTableView::~CategoryTableView()
{
    for (TableRowView* row : m_rows) delete row;
}

void CategoryTableView::loadData()
{
    deselectAll();
    std::vector<TableRowView*> old;
    old.swap(m_rows);
    m_totalHeight = 0;
    // Later: the box of one of these rows may be what asked for the rebuild.
    for (TableRowView* row : old) {
        row->hide();
        row->deleteLater();
    }
    CalendarList groups[3];  // mixed, event-only, task-only
    if (CoreData* manager = CoreData::shared()) {
        const CalendarList all = manager->calendarList();
        for (const CalendarPtr& category : manager->getCalendarWithType(0, all)) {
            if (!category) continue;
            const qint64 kind = category->taskOrEvent();
            groups[kind == 2 ? 1 : kind == 1 ? 2 : 0].append(category);
        }
    }
    const QString headers[3] = {TextTable::localizedString(QStringLiteral("groupZoravelText")),
                                TextTable::localizedString(QStringLiteral("groupEventOnlyText")),
                                TextTable::localizedString(QStringLiteral("groupTaskOnlyText"))};
    for (int group = 0; group < 3; ++group) {
        CalendarList& list = groups[group];
        if (list.isEmpty()) continue;
        Utilities::sortList(list, &Calendar::calendarOrder);
        auto* header = new InfoListItemView;
        header->leftTextField()->setStringValue(headers[group]);
        m_rows.push_back(header);
        m_totalHeight += headerHeightShare;
        for (const CalendarPtr& category : std::as_const(list)) {
            auto* row = new CategoryListItemView;
            row->setCalendarWithoutInfo(category);
            row->setParentView(this);
            m_rows.push_back(row);
            m_totalHeight += categoryHeightShare;
        }
    }
    reloadData();
}

bool CategoryTableView::isGroupRow(int row) const
{
    if (row < 0 || row >= int(m_rows.size())) return false;
    return qobject_cast<InfoListItemView*>(m_rows[std::size_t(row)]) != nullptr;
}

TableRowView* CategoryTableView::rowViewForRow(int row)
{
    if (row < 0 || row >= int(m_rows.size())) return nullptr;
    return m_rows[std::size_t(row)];
}

double CategoryTableView::heightOfRow(int row) const
{
    return isGroupRow(row) ? headerRowHeight : rowHeight();
}

double CategoryTableView::yPositionPastLastRow() const
{
    return rowCount() == 0 ? 0 : rectOfRow(rowCount() - 1).bottom();
}

void CategoryTableView::resizeSubviewsWithOldSize(const QSizeF& oldSize)
{
    TableView::resizeSubviewsWithOldSize(oldSize);
    // The band below the last row is drawn again as the table grows.
    const double past = yPositionPastLastRow();
    if (bounds().height() > past) setNeedsDisplayInRect(QRectF(0, past, bounds().width(), bounds().height() - past));
}

void CategoryTableView::keyDown(const Event& event)
{
    // Every other key is swallowed, as in the category list.
    if (event.firstCharacterIgnoringModifiers() == KeyCharacter::Delete && selectedRow() >= 0) applyDelete();
}

void CategoryTableView::applyDelete()
{
    const int selected = selectedRow();
    if (selected < 0 || selected >= int(m_rows.size())) return;
    // The row, not its index: the rows may be rebuilt while the question is open.
    const QPointer<CategoryListItemView> row = qobject_cast<CategoryListItemView*>(m_rows[std::size_t(selected)]);
    CoreData* manager = CoreData::shared();
    if (!row || !row->calendar() || !manager) return;
    const CalendarPtr category = row->calendar();
    if (category->isShared()) return;
    const SettingPtr setting = manager->currentSetting();
    const bool isDefault = category->projectType() == 0 && setting && category->primaryKey() == setting->calendarDefID();
    AlertRequest request;
    request.style = AlertStyle::Warning;
    request.messageText = TextTable::localizedString(QStringLiteral("deleteCalendarText"));
    // Shared categories count here: they are visible ones too.
    if (isDefault && manager->getCalendarWithType(0, manager->calendarList(), true).size() < 2) {
        request.informativeText = TextTable::localizedString(QStringLiteral("deleteCalendarErrorMessage"));
        request.addButtonWithTitle(TextTable::localizedString(QStringLiteral("okText")));
        AlertPresenter::current().runModal(request);
        return;
    }
    request.informativeText = TextTable::localizedString(QStringLiteral("deleteCalendarMessage"));
    const int deleteAnswer = request.addButtonWithTitle(TextTable::localizedString(QStringLiteral("deleteText")));
    request.addButtonWithTitle(TextTable::localizedString(QStringLiteral("cancelText")));
    if (AlertPresenter::current().runModal(request).button != deleteAnswer) return;
    // No row leaves while a question is up: the rows under it would move.
    const QPointer<CategoryTableView> table(this);
    const auto remove = [table, row, category] {
        if (table && row) table->removeCategoryRow(row);
        CoreData* current = CoreData::shared();
        if (current && !current->doDeleteCalendar(category))
            qWarning() << "Category" << category->primaryKey() << "could not be deleted";
    };
    if (AlertPresenter::isAlertRunning())
        AlertPresenter::whenNoAlertRuns(remove);
    else
        remove();
}

void CategoryTableView::removeCategoryRow(TableRowView* row)
{
    const auto found = std::find(m_rows.begin(), m_rows.end(), row);
    if (found == m_rows.end()) return;
    const int index = int(found - m_rows.begin());
    m_rows.erase(found);
    // The table takes the row view over and lets it go once it has left.
    // The group's header stays and totalHeight keeps the row's share.
    removeRowWithSlideAndFade(index);
}
