#include "NoteListTableView.h"

#include "RowCommands.h"

#include "AlertPresenter.h"
#include "Color.h"
#include "CoreData.h"
#include "DetailViewController.h"
#include "ImageView.h"
#include "KeyedArchive.h"
#include "MainViewAccess.h"
#include "NoteListItemView.h"
#include "NoteListView.h"
#include "NotificationCenter.h"
#include "Scheduler.h"
#include "ScrollView.h"
#include "Task.h"
#include "TaskListTableView.h"
#include "Utilities.h"

#include <QGuiApplication>
#include <QStyleHints>

#include <algorithm>

namespace {

// The list module's notes tab.
constexpr int notesModule = 2;

}  // namespace

NoteListTableView::NoteListTableView(const QRectF& frame, QWidget* parent) : OutlineView(frame, parent)
{
    // Thousands of notes build the controls of the rows in view only.
    RowCommands::setUpListLook(*this, noteRowHeight, true);
    registerForDraggedTypes({KeyedArchive::mimeType});
    m_dragPreview = new ImageView(QRectF());
    m_dragPreview->setParent(this);
    m_dragPreview->setHidden(true);
}

NoteListTableView::~NoteListTableView()
{
    m_singleClickTimer.invalidate();
    NotificationCenter::defaultCenter().removeObserver(this);
    for (NoteListItemView* row : m_rows) delete row;
}

NoteListItemView* NoteListTableView::selectedItem() const
{
    return m_selectedItem.data();
}

// ---- loading ---------------------------------------------------------------------------

void NoteListTableView::loadDataByFilter(int filter)
{
    // The running load ends the list; emptying the rows first would leave
    // only what it appends after this call returned.
    if (m_isLoading) return;
    // A row under an open question may be the one the question is about:
    // the rows are rebuilt once it is answered.
    if (AlertPresenter::isAlertRunning()) {
        m_waitingFilter = filter;
        if (m_loadWaits) return;
        m_loadWaits = true;
        const QPointer<NoteListTableView> list(this);
        AlertPresenter::whenNoAlertRuns([list] {
            if (!list) return;
            list->m_loadWaits = false;
            list->loadDataByFilter(list->m_waitingFilter);
        });
        return;
    }
    loadNow(filter);
}

void NoteListTableView::loadNow(int filter)
{
    m_isLoading = true;
    dropRows();
    m_selectedItem = nullptr;
    TaskList notes;
    if (CoreData* manager = CoreData::shared())
        notes = manager->getNotesFromTaskList(manager->allTasksEventsAdes(), filter, true);
    if (!notes.isEmpty()) {
        Utilities::sortList(notes, [](const TaskPtr& note) { return note->startTime().timeIntervalSince1970(); }, false);
        m_notes = notes;
        m_rows.assign(std::size_t(m_notes.size()), nullptr);
        m_isDraggable = true;
    }
    m_isLoading = false;
    reloadData();
    // The list is as tall as its rows, at least the height it is shown in.
    double height = heightOfAllRows();
    if (ScrollView* scroll = enclosingScrollView()) height = std::max(height, scroll->contentSize().height());
    if (frame().height() != height) setFrameSize(QSizeF(frame().width(), height));
    placeVisibleRows();
}

void NoteListTableView::dropRows()
{
    OutlineView::deselectAll();
    std::vector<NoteListItemView*> old;
    old.swap(m_rows);
    m_notes.clear();
    // Later: a row's own handler may be what asked for the load.
    discardRows(old);
    reloadData();
}

void NoteListTableView::reloadData(const TaskPtr& item)
{
    if (!item) return;
    reloadData(QHash<QString, QVariant>{{QString::number(item->primaryKey()), QVariant::fromValue(1)}});
}

void NoteListTableView::reloadData(const QHash<QString, QVariant>& changedItems)
{
    if (changedItems.isEmpty()) return;
    std::vector<int> gone;
    for (int index = 0; index < int(m_notes.size()); ++index) {
        const TaskPtr note = m_notes[index];
        if (!note || !changedItems.contains(QString::number(note->primaryKey()))) continue;
        const TaskPtr fresh = Task::storedWithPrimaryKey(note->primaryKey());
        if (!fresh) {
            gone.push_back(index);
            continue;
        }
        m_notes[index] = fresh;
        if (NoteListItemView* row = m_rows[std::size_t(index)]) row->setNote(fresh);
    }
    if (gone.empty()) return;
    // A note deleted meanwhile: its row goes, rather than showing an empty
    // note read from no row.
    for (auto index = gone.rbegin(); index != gone.rend(); ++index) {
        m_notes.removeAt(*index);
        NoteListItemView* row = m_rows[std::size_t(*index)];
        m_rows.erase(m_rows.begin() + *index);
        if (!row) continue;
        if (m_selectedItem == row) m_selectedItem = nullptr;
        row->hide();
        row->deleteLater();
    }
    OutlineView::deselectAll();
    reloadData();
}

void NoteListTableView::resizeSubviewsWithOldSize(const QSizeF& oldSize)
{
    OutlineView::resizeSubviewsWithOldSize(oldSize);
    // The band below the last row is drawn again as the list grows.
    const double past = rowCount() == 0 ? 0 : rectOfRow(rowCount() - 1).bottom();
    if (bounds().height() > past) setNeedsDisplayInRect(QRectF(0, past, bounds().width(), bounds().height() - past));
}

// ---- outline answers -------------------------------------------------------------------

int NoteListTableView::numberOfChildrenOfItem(TableRowView* item) const
{
    return item ? 0 : int(m_notes.size());
}

TableRowView* NoteListTableView::childOfItem(int index, TableRowView* item) const
{
    return item ? nullptr : rowAt(index);
}

NoteListItemView* NoteListTableView::rowAt(int row) const
{
    if (row < 0 || row >= int(m_notes.size())) return nullptr;
    NoteListItemView*& view = m_rows[std::size_t(row)];
    if (!view) {
        view = new NoteListItemView;
        view->setNote(m_notes[row]);
    }
    return view;
}

TableRowView* NoteListTableView::itemAtRow(int row) const
{
    return rowAt(row);
}

TableRowView* NoteListTableView::rowViewForRow(int row)
{
    return rowAt(row);
}

int NoteListTableView::rowForItem(const TableRowView* item) const
{
    if (!item) return -1;
    const auto found = std::find(m_rows.begin(), m_rows.end(), item);
    return found == m_rows.end() ? -1 : int(found - m_rows.begin());
}

void NoteListTableView::reloadData()
{
    // The table's own walk: the outline's would make every row.
    TableView::reloadData();
}

// ---- finding, revealing and opening a note --------------------------------------------

int NoteListTableView::rowOfNote(const TaskPtr& note) const
{
    if (!note) return -1;
    for (int row = 0; row < int(m_notes.size()); ++row)
        if (m_notes[row] && m_notes[row]->primaryKey() == note->primaryKey()) return row;
    return -1;
}

bool NoteListTableView::revealToNote(const TaskPtr& note)
{
    if (isHidden()) return false;
    const int row = rowOfNote(note);
    if (row < 0) return false;
    if (MainViewAccess* mainView = MainViewAccess::current())
        if (mainView->currentListModule() != notesModule) mainView->setFocusListModule(notesModule);
    scrollRowToVisible(row);
    selectRowIndexes({row}, false);
    return true;
}

void NoteListTableView::scrollToNote(const TaskPtr& note)
{
    const int row = rowOfNote(note);
    if (row >= 0) scrollRowToVisible(row);
}

bool NoteListTableView::showPopupEditDetail(const TaskPtr& note)
{
    const int firstVisible = visibleRows().first;
    const int row = rowOfNote(note);
    if (row < 0) return false;
    if (MainViewAccess* mainView = MainViewAccess::current())
        if (mainView->currentListModule() != notesModule) mainView->setFocusListModule(notesModule);
    scrollRowToVisible(row);
    selectRowIndexes({row}, false);
    NoteListItemView* item = rowAt(row);
    m_selectedItem = item;
    View* anchor = item;
    if (!item->window() || item->isHidden() || item->superview() != this) {
        // Out of view: the page's anchor on the side the row lies.
        if (m_parentView) anchor = row > firstVisible ? m_parentView->bottomItemTemp() : m_parentView->topItemTemp();
    }
    popupEditDetail(item->note(), anchor, item);
    return true;
}

void NoteListTableView::popupEditDetail(const TaskPtr& note, View* anchor, View* parent)
{
    if (!note) return;
    if (!m_detailViewController) m_detailViewController = new DetailViewController(this);
    m_detailViewController->editNote(note, anchor, parent);
}

void NoteListTableView::deselectAll()
{
    ++m_deselectCount;
    OutlineView::deselectAll();
}

// ---- clicks -----------------------------------------------------------------------------

double NoteListTableView::doubleClickInterval() const
{
    const MainViewAccess* mainView = MainViewAccess::current();
    if (mainView && mainView->isPlannerExpand()) return plannerDoubleClickInterval;
    return QGuiApplication::styleHints()->mouseDoubleClickInterval() / 1000.0;
}

void NoteListTableView::mouseDown(const Event& event)
{
    if (RowCommands::passControlClick(*this, event)) return;
    const int previous = selectedRow();
    OutlineView::mouseDown(event);
    const int row = rowAtPoint(convertPointFromWindow(event.locationInWindow));
    MainViewAccess* mainView = RowCommands::holdRefreshOnFirstSelection(previous);
    m_selectedCount = row == previous && m_selectedCount <= 0 ? m_selectedCount + 1 : 0;
    if (row < 0 || row >= int(m_notes.size())) {
        m_selectedItem = nullptr;
        return;
    }
    if (selectedRowIndexes().size() > 1) return;
    m_selectedItem = rowAt(row);
    const bool repeated = m_selectedCount != 0;
    const double interval = doubleClickInterval();
    if (m_lastMouseDown != 0) {
        if (TaskListTableView::isDoubleClick(m_lastMouseDown, event.timestamp, interval)) handleDoubleClick();
    } else {
        m_lastMouseDown = event.timestamp;
        RowCommands::scheduleSingleClick(m_singleClickTimer, this, interval, repeated);
    }
    if (mainView) mainView->clearHighlightExcept(this);
}

void NoteListTableView::handleSingleClick(bool repeated)
{
    RowCommands::holdRefreshOnRepeatedClick(repeated);
    m_lastMouseDown = 0;
}

void NoteListTableView::handleDoubleClick()
{
    RowCommands::endClickWait(m_lastMouseDown, m_singleClickTimer);
    if (m_selectedItem) popupEditDetail(m_selectedItem->note(), m_selectedItem, m_selectedItem);
}

