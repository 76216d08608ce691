#include "CategoryListTableView.h"

#include "AlertPresenter.h"
#include "AlertRequest.h"
#include "Calendar.h"
#include "CategoryDetailListItemView.h"
#include "CategoryDetailView.h"
#include "CategoryGroups.h"
#include "CategoryListItemView.h"
#include "Color.h"
#include "CoreData.h"
#include "InfoListItemView.h"
#include "MainViewAccess.h"
#include "../Model/Notifications.h"
#include "NotificationCenter.h"
#include "Screen.h"
#include "Scheduler.h"
#include "ScrollView.h"
#include "Setting.h"
#include "Task.h"
#include "TaskListTableView.h"
#include "TextTable.h"
#include "UIUtilities.h"
#include "Utilities.h"

#include <QGuiApplication>
#include <QStyleHints>

#include <algorithm>
#include <memory>

CategoryListTableView::CategoryListTableView(const QRectF& frame, QWidget* parent) : OutlineView(frame, parent)
{
    setBackgroundColor(Color::calibratedRGB(1, 1, 1));
    setGridStyleMask(SolidHorizontalGridLine);
    setVerticalSpacing(0);
    setRowHeight(categoryRowHeight);
    setAllowsMultipleSelection(false);
    const QPointer<CategoryListTableView> table(this);
    NotificationCenter::defaultCenter().addObserver(this, kShareItemChangedStatusNotification, nullptr,
                                                    [table](const Notification& notification) {
                                                        if (table) table->shareStatusChanged(notification);
                                                    });
}

CategoryListTableView::~CategoryListTableView()
{
    m_prepareTimer.invalidate();
    NotificationCenter::defaultCenter().removeObserver(this);
    for (TableRowView* row : m_rows) delete row;
    delete m_detailPanel.data();
}

// ---- rows --------------------------------------------------------------------------------

void CategoryListTableView::loadData()
{
    // A row under an open question may be the one it is about: the rows are
    // rebuilt once it is answered.
    if (AlertPresenter::isAlertRunning()) {
        if (m_loadWaits) return;
        m_loadWaits = true;
        const QPointer<CategoryListTableView> table(this);
        AlertPresenter::whenNoAlertRuns([table] {
            if (!table) return;
            table->m_loadWaits = false;
            table->loadNow();
        });
        return;
    }
    loadNow();
}

void CategoryListTableView::prepareNextLoad()
{
    m_prepareTimer.invalidate();
    CoreData* manager = CoreData::shared();
    if (!manager) return;
    // The categories whose rows show task progress (ordinary and visible).
    auto pending = std::make_shared<std::vector<qint64>>();
    for (const CalendarPtr& category : manager->getCalendarWithType(0, manager->calendarList()))
        if (category && category->inVisible() == 0 && category->projectType() == 0) pending->push_back(category->primaryKey());
    if (pending->empty()) return;
    std::reverse(pending->begin(), pending->end());
    const QPointer<CategoryListTableView> table(this);
    m_prepareTimer = Scheduler::current().scheduleTimer(0, true, [table, pending] {
        if (!table || pending->empty()) {
            if (table) table->m_prepareTimer.invalidate();
            return;
        }
        if (CoreData* data = CoreData::shared()) data->readTaskProgressAhead(pending->back());
        pending->pop_back();
        if (pending->empty()) table->m_prepareTimer.invalidate();
    });
}

void CategoryListTableView::loadNow()
{
    // What the preparation did not read, this load counts itself.
    m_prepareTimer.invalidate();
    OutlineView::deselectAll();
    std::vector<TableRowView*> old;
    old.swap(m_rows);
    m_selectedItem = nullptr;
    // Later: a row's own handler may be what asked for the rebuild.
    if (!old.empty() && !m_leavingRows) {
        m_leavingRows = new QWidget(this);
        m_leavingRows->hide();
    }
    for (TableRowView* row : old) {
        row->hide();
        row->setParent(m_leavingRows);
        row->deleteLater();
    }
    CoreData* manager = CoreData::shared();
    if (manager) manager->setNumberOfActiveProject(0);
    CalendarList shown;
    if (manager) {
        for (const CalendarPtr& category : manager->getCalendarWithType(0, manager->calendarList()))
            if (category && category->inVisible() == 0) shown.append(category);
        manager->setNumberOfActiveProject(shown.size());
    }
    for (const CategoryGroup& group : groupCategoriesByKind(shown)) {
        auto* header = new InfoListItemView;
        header->leftTextField()->setStringValue(group.header);
        m_rows.push_back(header);
        for (const CalendarPtr& category : group.categories) {
            auto* row = new CategoryListItemView;
            row->setCalendar(category);
            m_rows.push_back(row);
        }
    }
    reloadData();
    fitHeightToRows();
}

void CategoryListTableView::fitHeightToRows()
{
    // As tall as the rows, at least the height it is shown in.
    double height = heightOfAllRows();
    if (ScrollView* scroll = enclosingScrollView()) height = std::max(height, scroll->contentSize().height());
    if (frame().height() != height) setFrameSize(QSizeF(frame().width(), height));
}

int CategoryListTableView::numberOfChildrenOfItem(TableRowView* item) const
{
    return item ? 0 : int(m_rows.size());
}

TableRowView* CategoryListTableView::childOfItem(int index, TableRowView* item) const
{
    if (item || index < 0 || index >= int(m_rows.size())) return nullptr;
    return m_rows[std::size_t(index)];
}

bool CategoryListTableView::isGroupItem(TableRowView* item) const
{
    return qobject_cast<InfoListItemView*>(item) != nullptr;
}

bool CategoryListTableView::shouldSelectItem(TableRowView* item) const
{
    return !isGroupItem(item);
}

double CategoryListTableView::heightOfRowByItem(TableRowView* item) const
{
    return isGroupItem(item) ? headerRowHeight : rowHeight();
}

// ---- the detail panel ------------------------------------------------------------------

CategoryDetailPanel* CategoryListTableView::openPanelOn(const CalendarPtr& category)
{
    if (!m_detailPanel) m_detailPanel = new CategoryDetailPanel;
    auto* host = qobject_cast<Window*>(window());
    if (host && !m_detailPanel->isVisible())
        m_detailPanel->setFrame(CategoryDetailPanel::frameBeside(
            host->frame(), m_detailPanel->frame().size(),
            m_detailPanel->frameAreaWithin(Screen::visibleFrameFor(host->frame()))));
    m_detailPanel->categoryDetailView()->setCalendar(category);
    if (host) host->addChildWindow(m_detailPanel, Window::Ordering::Above);
    return m_detailPanel;
}

bool CategoryListTableView::showPopupCalendarEditDetail(const CalendarPtr& category)
{
    if (!category) return false;
    if (MainViewAccess* mainView = MainViewAccess::current()) mainView->setFocusListModule(projectsModule);
    CategoryDetailPanel* panel = openPanelOn(category);
    panel->setBecomesKeyOnlyIfNeeded(false);
    panel->makeKeyAndOrderFront();
    panel->makeDetailViewFirstResponder();
    return true;
}

void CategoryListTableView::popupEditDetail(CategoryListItemView* row)
{
    if (row) showPopupCalendarEditDetail(row->calendar());
}

CalendarPtr CategoryListTableView::visibleCategoryOf(const TaskPtr& item) const
{
    CoreData* manager = CoreData::shared();
    if (!item || !manager) return nullptr;
    return manager->getCalendarByPrimaryKey(item->calendarId(), 0, manager->calendarList(), true);
}

bool CategoryListTableView::revealToTask(const TaskPtr& item)
{
    const CalendarPtr category = visibleCategoryOf(item);
    if (!category) return false;
    CategoryDetailPanel* panel = openPanelOn(category);
    panel->orderFront();
    return panel->categoryDetailView()->detailView()->revealToTask(item);
}

bool CategoryListTableView::showPopupEditDetail(const TaskPtr& item)
{
    const CalendarPtr category = visibleCategoryOf(item);
    if (!category) return false;
    if (MainViewAccess* mainView = MainViewAccess::current()) mainView->setFocusListModule(projectsModule);
    CategoryDetailPanel* panel = openPanelOn(category);
    panel->setBecomesKeyOnlyIfNeeded(false);
    panel->makeKeyAndOrderFront();
    panel->makeDetailViewFirstResponder();
    return panel->categoryDetailView()->detailView()->showPopupEditDetail(item);
}

void CategoryListTableView::reloadData(const TaskPtr& item)
{
    if (m_detailPanel) m_detailPanel->categoryDetailView()->detailView()->reloadData(item);
}

void CategoryListTableView::moveToTop(const TaskPtr& item)
{
    if (m_detailPanel) m_detailPanel->categoryDetailView()->detailView()->moveToTop(item);
}

// ---- input -------------------------------------------------------------------------------

void CategoryListTableView::mouseDown(const Event& event)
{
    if (event.modifierFlags & ControlKeyMask) {
        rightMouseDown(event);
        return;
    }
    OutlineView::mouseDown(event);
    const int row = rowAtPoint(convertPointFromWindow(event.locationInWindow));
    auto* item = qobject_cast<CategoryListItemView*>(itemAtRow(row));
    if (!item) {
        m_selectedItem = nullptr;
        m_lastMouseDown = 0;
        return;
    }
    const bool sameRow = m_selectedItem == item;
    m_selectedItem = item;
    const double interval = QGuiApplication::styleHints()->mouseDoubleClickInterval() / 1000.0;
    if (sameRow && TaskListTableView::isDoubleClick(m_lastMouseDown, event.timestamp, interval)) {
        m_lastMouseDown = 0;
        if (item->calendar() && item->calendar()->inVisible() == 0) popupEditDetail(item);
        return;
    }
    m_lastMouseDown = event.timestamp;
}

void CategoryListTableView::keyDown(const Event& event)
{
    // Every other key is swallowed: the list has no keyboard movement.
    if (event.firstCharacterIgnoringModifiers() == KeyCharacter::Delete && selectedRow() >= 0 && m_selectedItem)
        applyDelete();
}

void CategoryListTableView::rightMouseDown(const Event& event)
{
    const Menu menu = menuForEvent(event);
    if (menu.items().empty()) return;
    menu.popUpAtPointAsync(this, convertPointFromWindow(event.locationInWindow));
}

Menu CategoryListTableView::menuForEvent(const Event& event)
{
    const int row = rowAtPoint(convertPointFromWindow(event.locationInWindow));
    auto* item = qobject_cast<CategoryListItemView*>(itemAtRow(row));
    if (!item || !item->calendar()) return Menu();
    if (selectedRow() != row) {
        scrollRowToVisible(row);
        selectRowIndexes({row}, false);
    }
    m_selectedItem = item;
    const MenuTarget target = [table = QPointer<CategoryListTableView>(this)](const QString& action) {
        return table ? table->commandForAction(action) : std::function<void()>();
    };
    return UIUtilities::createMenuForCategoryWithTarget(target, item->calendar());
}

std::function<void()> CategoryListTableView::commandForAction(const QString& action)
{
    const QPointer<CategoryListTableView> table(this);
    if (action == QLatin1String("editCategory:"))
        return [table] {
            if (table) table->editCategory();
        };
    if (action == QLatin1String("deleteCategory:"))
        return [table] {
            if (table) table->deleteCategory();
        };
    qWarning() << "The category list has no command" << action;
    return {};
}

void CategoryListTableView::editCategory()
{
    popupEditDetail(qobject_cast<CategoryListItemView*>(itemAtRow(selectedRow())));
}

void CategoryListTableView::deleteCategory()
{
    applyDelete();
}

// ---- delete ------------------------------------------------------------------------------

void CategoryListTableView::applyDelete()
{
    CoreData* manager = CoreData::shared();
    const QPointer<CategoryListItemView> row = m_selectedItem;
    if (!manager || !row || !row->calendar()) return;
    const CalendarPtr category = row->calendar();
    if (category->isShared()) return;
    if (!askToDeleteCategory(category, false)) return;
    // The main view's reload on the category list's change removes the row.
    if (!manager->commandFromView({}, [&] { return manager->doDeleteCalendar(category); }))
        qWarning() << "Category" << category->primaryKey() << "could not be deleted";
}

void CategoryListTableView::shareStatusChanged(const Notification& notification)
{
    const auto* category = std::any_cast<CalendarPtr>(&notification.object());
    if (!category || !*category) return;
    if ((*category)->sharedStatus() == 0 || (*category)->sharedStatus() == 1) loadData();
}
