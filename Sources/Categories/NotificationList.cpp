#include "NotificationList.h"

#include "Calendar.h"
#include "CoreData.h"
#include "Event.h"
#include "Font.h"
#include "MainViewAccess.h"
#include "MainViewHeight.h"
#include "ScrollView.h"
#include "Task.h"
#include "TextField.h"
#include "TextTable.h"
#include "UIUtilities.h"

#include <algorithm>

// ---- a row -------------------------------------------------------------------------------

NotificationItemView::NotificationItemView(const QRectF& frame, QWidget* parent) : TableRowView(frame, parent)
{
    const double w = frame.width();
    m_unreadNumberLabel = UIUtilities::getCommonTextFieldWithFrame(QRectF(0, 0, w, 18));
    m_unreadNumberLabel->setTextFont(Font::fontWithName(QStringLiteral("Lucida Grande"), 12));
    m_unreadNumberLabel->setTextColor(Qt::gray);
    addSubview(m_unreadNumberLabel);
    m_itemInfo = UIUtilities::getCommonTextFieldWithFrame(QRectF(0, 18, w, 20));
    m_itemInfo->setTextFont(Font::fontWithName(QStringLiteral("Lucida Grande Bold"), 13));
    m_itemInfo->setWraps(false);  // one line, cut with an ellipsis
    addSubview(m_itemInfo);
}

NotificationItemView::~NotificationItemView() = default;

void NotificationItemView::setDataObject(const NotificationObject& entry)
{
    m_dataObject = entry;
    m_unreadNumberLabel->setStringValue(
        TextTable::localizedString(QStringLiteral("unreadCommentOnText")).arg(entry.numberValue()));
    m_itemInfo->setStringValue(entry.textShow());
}

void NotificationItemView::resizeSubviewsWithOldSize(const QSizeF& oldSize)
{
    TableRowView::resizeSubviewsWithOldSize(oldSize);
    const double w = bounds().width();
    m_unreadNumberLabel->setFrame(QRectF(0, 0, w, 18));
    m_itemInfo->setFrame(QRectF(0, 18, w, 20));
}

// ---- the table ---------------------------------------------------------------------------

NotificationTableView::NotificationTableView(const QRectF& frame, QWidget* parent) : TableView(frame, parent)
{
    setGridStyleMask(SolidHorizontalGridLine);
    setVerticalSpacing(0);
    setRowHeight(NotificationItemView::rowHeight);
    setAllowsMultipleSelection(false);
    setPlacesVisibleRowsOnly(true);
}

NotificationTableView::~NotificationTableView()
{
    for (const QPointer<NotificationItemView>& row : m_rows) delete row.data();
}

void NotificationTableView::loadData()
{
    deselectAll();
    for (const QPointer<NotificationItemView>& row : m_rows) {
        if (!row) continue;
        row->hide();
        row->deleteLater();
    }
    m_entries.clear();
    m_totalHeight = 0;
    if (const CoreData* manager = CoreData::shared()) {
        const QList<NotificationObject> entries = manager->getAllNotifications();
        m_entries.assign(entries.begin(), entries.end());
    }
    m_totalHeight = NotificationItemView::rowHeight * double(m_entries.size());
    m_rows.assign(m_entries.size(), nullptr);
    reloadData();
}

NotificationItemView* NotificationTableView::rowAt(int row)
{
    if (row < 0 || row >= int(m_entries.size())) return nullptr;
    QPointer<NotificationItemView>& view = m_rows[std::size_t(row)];
    if (!view) {
        view = new NotificationItemView(QRectF(0, 0, frame().width(), NotificationItemView::rowHeight));
        view->setDataObject(m_entries[std::size_t(row)]);
    }
    return view;
}

TableRowView* NotificationTableView::rowViewForRow(int row)
{
    return rowAt(row);
}

void NotificationTableView::mouseDown(const Event& event)
{
    TableView::mouseDown(event);
    // The first press of a double click opened it already.
    if (event.clickCount >= 2) return;
    const int row = rowAtPoint(convertPointFromWindow(event.locationInWindow));
    if (row < 0 || row >= int(m_entries.size())) return;
    openEntry(m_entries[std::size_t(row)]);
}

void NotificationTableView::openEntry(const NotificationObject& entry)
{
    MainViewAccess* main = MainViewAccess::current();
    CoreData* manager = CoreData::shared();
    if (!main || !manager) return;
    // An entry outlives what it names while the list is open: a deleted
    // item or project has nothing to show.
    if (entry.itemType() == 0) {
        if (const TaskPtr item = Task::storedWithPrimaryKey(entry.itemKey())) main->showItemDetail(item, conversationTab);
        return;
    }
    if (entry.itemType() != 1) return;
    if (const CalendarPtr category = manager->calendarWithPrimaryKey(entry.itemKey()))
        main->showCalendarDetail(category, conversationTab);
}

// ---- the list ----------------------------------------------------------------------------

NotificationList::NotificationList(const QRectF& frame, QWidget* parent) : View(frame, parent)
{
    setFlipped(true);
    m_notifScrollView = new ScrollView(QRectF(QPointF(0, 0), frame.size()));
    m_notifScrollView->setHasVerticalScroller(true);
    m_notifTableView = new NotificationTableView(QRectF(QPointF(0, 0), m_notifScrollView->contentSize()));
    m_notifTableView->setAutoresizingMask(ViewWidthSizable);
    m_notifScrollView->setDocumentView(m_notifTableView);
    addSubview(m_notifScrollView);
    reloadData();
}

NotificationList::~NotificationList() = default;

void NotificationList::reloadData()
{
    m_notifTableView->loadData();
    resize();
}

void NotificationList::resize()
{
    const double rows = double(m_notifTableView->entries().size());
    const double height = std::min(rows * 2 + m_notifTableView->totalHeight(), double(mainViewHeight) - 100);
    m_notifScrollView->setFrameSize(QSizeF(m_notifScrollView->frame().width(), height));
    m_notifTableView->setFrameSize(
        QSizeF(m_notifScrollView->contentSize().width(),
               std::max(m_notifTableView->heightOfAllRows(), m_notifScrollView->contentSize().height())));
    // The rows that came into view with the new size.
    m_notifTableView->placeVisibleRows();
    setFrameSize(QSizeF(frame().width(), height));
}
