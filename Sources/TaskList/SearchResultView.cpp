#include "SearchResultView.h"

#include "RowCommands.h"

#include "AlertPresenter.h"
#include "Color.h"
#include "CoreData.h"
#include "DetailViewController.h"
#include "InfoListItemView.h"
#include "MainViewAccess.h"
#include "NoteListItemView.h"
#include "NotificationCenter.h"
#include "RecurrenceExpander.h"
#include "Scheduler.h"
#include "ScrollView.h"
#include "Task.h"
#include "TaskListItemView.h"
#include "TextField.h"
#include "TextTable.h"

#include <QGuiApplication>
#include <QStringMatcher>
#include <QStyleHints>

#include <algorithm>

namespace {

// The kind a row shows when it is a search result.
constexpr int searchResultRowType = 5;
// The notes' group, listed in note rows.
constexpr int noteRows = -1;

double doubleClickInterval()
{
    return QGuiApplication::styleHints()->mouseDoubleClickInterval() / 1000.0;
}

bool isHeaderRow(const TableRowView* row) { return qobject_cast<const InfoListItemView*>(row) != nullptr; }

template <class Key>
void stableSortBy(TaskList& items, Key key, bool ascending)
{
    std::stable_sort(items.begin(), items.end(), [&](const TaskPtr& a, const TaskPtr& b) {
        return ascending ? key(*a) < key(*b) : key(*b) < key(*a);
    });
}

double startOf(const Task& item) { return item.startTime().timeIntervalSince1970(); }

// A series is listed as one of its occurrences: that of the day its root's
// `occurrence` names (a scheduled task's: of its start), else the next one
// after it that was neither deleted nor changed, else the first such one
// from the series' start. The root's word alone is not enough: a series
// made in the editor names no day, and what a sync or an older edit left
// there may be the start read in another zone, a changed or deleted
// occurrence, or a day past the end; the series is listed all the same.
TaskList listedOccurrences(const CoreData& manager, const TaskPtr& root)
{
    const Date day = root->isSheduledTask() ? root->startTime() : root->occurrence();
    const bool namesDay = day.timeIntervalSince1970() != 0;
    TaskList expanded;
    if (namesDay) manager.fillRepeatEventInstances(TaskList{root}, expanded, day, day);
    if (!expanded.isEmpty()) return expanded;
    const RecurrenceSeries series = root->recurrenceSeries();
    std::optional<Date> next = namesDay ? RecurrenceExpander::nextOccurrence(series, day) : std::nullopt;
    if (!next) next = RecurrenceExpander::nextOccurrence(series, root->startTime().dateByAddingTimeInterval(-1));
    if (next) manager.fillRepeatEventInstances(TaskList{root}, expanded, *next, *next);
    return expanded;
}

// The items with each series root in its place replaced by the occurrences
// it is listed as, so that the filters test those and not the root's own
// `occurrence`.
TaskList withSeriesAsListed(const CoreData& manager, const TaskList& items)
{
    TaskList listed;
    listed.reserve(items.size());
    for (const TaskPtr& item : items) {
        if (item->taskType() == ItemKind::Event && item->repeatType() > 0 && item->parentId() == -1)
            listed.append(listedOccurrences(manager, item));
        else
            listed.append(item);
    }
    return listed;
}

}  // namespace

SearchResultView::SearchResultView(const QRectF& frame, QWidget* parent) : OutlineView(frame, parent)
{
    // A search over thousands of items builds the controls of the rows in
    // view only.
    RowCommands::setUpListLook(*this, itemRowHeight, false);
}

SearchResultView::~SearchResultView()
{
    NotificationCenter::defaultCenter().removeObserver(this);
    if (m_detailViewController) NotificationCenter::defaultCenter().removeObserver(m_detailViewController);
    for (TableRowView* row : m_rootItems) delete row;
    for (const auto& group : std::as_const(m_childItems))
        for (TableRowView* row : group) delete row;
    for (TaskListItemView* row : m_spareRows) delete row;
    for (NoteListItemView* row : m_spareNoteRows) delete row;
}

// ---- outline answers ---------------------------------------------------------------

int SearchResultView::groupOfHeader(const TableRowView* header) const
{
    const auto found = std::find(m_rootItems.begin(), m_rootItems.end(), header);
    return found == m_rootItems.end() ? -1 : int(found - m_rootItems.begin());
}

int SearchResultView::numberOfChildrenOfItem(TableRowView* item) const
{
    if (!item) return int(m_rootItems.size());
    if (const auto* header = qobject_cast<InfoListItemView*>(item)) {
        const auto found = m_childItems.constFind(header->leftTextField()->stringValue());
        return found == m_childItems.constEnd() ? 0 : int(found->size());
    }
    return 0;
}

TableRowView* SearchResultView::childOfItem(int index, TableRowView* item) const
{
    if (!item) return index >= 0 && index < int(m_rootItems.size()) ? m_rootItems[std::size_t(index)] : nullptr;
    const int group = groupOfHeader(item);
    return group < 0 ? nullptr : rowInGroup(group, index);
}

bool SearchResultView::isItemExpandable(TableRowView* item) const { return isHeaderRow(item); }
bool SearchResultView::isGroupItem(TableRowView* item) const { return isHeaderRow(item); }
bool SearchResultView::shouldSelectItem(TableRowView* item) const { return !isHeaderRow(item); }

double SearchResultView::heightOfRowByItem(TableRowView* item) const
{
    return isHeaderRow(item) ? headerHeight : rowHeight();
}

// ---- the rows, made when first shown -------------------------------------------------

TableRowView* SearchResultView::rowInGroup(int group, int index) const
{
    if (group < 0 || group >= int(m_rootItems.size()) || index < 0) return nullptr;
    const auto* header = qobject_cast<const InfoListItemView*>(m_rootItems[std::size_t(group)]);
    if (!header) return nullptr;
    const auto found = m_childItems.find(header->leftTextField()->stringValue());
    if (found == m_childItems.end() || index >= int(found->size())) return nullptr;
    TableRowView*& row = (*found)[std::size_t(index)];
    if (!row && group < int(m_groups.size()) && index < int(m_groups[std::size_t(group)].items.size())) {
        const PendingGroup& pending = m_groups[std::size_t(group)];
        row = makeRow(pending.items[index], pending.rowType);
    }
    return row;
}

TableRowView* SearchResultView::makeRow(const TaskPtr& item, int rowType) const
{
    if (rowType == noteRows) {
        NoteListItemView* row = takeSpareRow(m_spareNoteRows);
        if (!row) row = new NoteListItemView();
        row->setNote(item);
        return row;
    }
    TaskListItemView* row = takeSpareRow(m_spareRows);
    if (!row) row = new TaskListItemView();
    row->setType(rowType);
    row->setTask(item);
    return row;
}

void SearchResultView::reloadData()
{
    // The groups are always open: the rows are the headers, each followed
    // by its group, walked here without making a row.
    m_flatRows.clear();
    for (int group = 0; group < int(m_rootItems.size()); ++group) {
        m_flatRows.push_back({group, -1});
        const int count = numberOfChildrenOfItem(m_rootItems[std::size_t(group)]);
        for (int index = 0; index < count; ++index) m_flatRows.push_back({group, index});
    }
    TableView::reloadData();
    // As tall as its rows, so that the scroll view reaches the last one, and
    // never shorter than what the scroll view shows.
    double height = heightOfAllRows();
    if (ScrollView* scroll = enclosingScrollView()) height = std::max(height, scroll->contentSize().height());
    if (frame().height() != height) {
        setFrameSize(QSizeF(frame().width(), height));
        placeVisibleRows();
    }
}

TableRowView* SearchResultView::itemAtRow(int row) const
{
    if (row < 0 || row >= int(m_flatRows.size())) return nullptr;
    const FlatRow& at = m_flatRows[std::size_t(row)];
    return at.index < 0 ? m_rootItems[std::size_t(at.group)] : rowInGroup(at.group, at.index);
}

int SearchResultView::rowForItem(const TableRowView* item) const
{
    if (!item) return -1;
    int row = 0;
    for (TableRowView* header : m_rootItems) {
        if (header == item) return row;
        ++row;
        const auto* info = qobject_cast<const InfoListItemView*>(header);
        const auto found = info ? m_childItems.constFind(info->leftTextField()->stringValue()) : m_childItems.constEnd();
        if (found == m_childItems.constEnd()) continue;
        const auto at = std::find(found->begin(), found->end(), item);
        if (at != found->end()) return row + int(at - found->begin());
        row += int(found->size());
    }
    return -1;
}

TableRowView* SearchResultView::parentForItem(const TableRowView* item) const
{
    const int row = rowForItem(item);
    if (row < 0) return nullptr;
    const FlatRow& at = m_flatRows[std::size_t(row)];
    return at.index < 0 ? nullptr : m_rootItems[std::size_t(at.group)];
}

TableRowView* SearchResultView::rowViewForRow(int row)
{
    return itemAtRow(row);
}

double SearchResultView::heightOfRow(int row) const
{
    if (row < 0 || row >= int(m_flatRows.size())) return rowHeight();
    return m_flatRows[std::size_t(row)].index < 0 ? headerHeight : rowHeight();
}

bool SearchResultView::shouldSelectRow(int row) const
{
    return row >= 0 && row < int(m_flatRows.size()) && m_flatRows[std::size_t(row)].index >= 0;
}

// ---- loading -----------------------------------------------------------------------

void SearchResultView::clearRows()
{
    // Deleted later: a row may be the one whose handler or question runs.
    const auto drop = [](TableRowView* row) {
        row->hide();
        row->deleteLater();
    };
    for (TableRowView* row : m_rootItems) drop(row);
    for (const auto& group : std::as_const(m_childItems))
        for (TableRowView* row : group) {
            if (!row) continue;
            if (auto* item = qobject_cast<TaskListItemView*>(row)) m_spareRows.push_back(item);
            else if (auto* note = qobject_cast<NoteListItemView*>(row)) m_spareNoteRows.push_back(note);
            else drop(row);
        }
    std::reverse(m_spareRows.begin(), m_spareRows.end());
    std::reverse(m_spareNoteRows.begin(), m_spareNoteRows.end());
    m_rootItems.clear();
    m_childItems.clear();
    m_groups.clear();
    m_flatRows.clear();
    m_selectedItem = nullptr;
}

void SearchResultView::dropSpareRows()
{
    discardRows(m_spareRows);
    discardRows(m_spareNoteRows);
}

void SearchResultView::setRootItems(std::vector<TableRowView*> items)
{
    clearRows();
    dropSpareRows();
    m_rootItems = std::move(items);
    reloadData();
}

void SearchResultView::loadSearchResultWithSearchText(const QString& text)
{
    // A question on screen may belong to a row: the rebuild waits for it.
    if (AlertPresenter::isAlertRunning()) {
        const QPointer<SearchResultView> list(this);
        AlertPresenter::whenNoAlertRuns([list, text] {
            if (list) list->loadSearchResultWithSearchText(text);
        });
        return;
    }
    m_searchText = text;
    clearRows();
    OutlineView::deselectAll();
    CoreData* manager = CoreData::shared();
    if (!manager || text.isEmpty()) {
        dropSpareRows();
        reloadData();
        return;
    }
    const SearchGroups found = searchGroups(*manager, text);
    const struct {
        QString title;
        const TaskList& items;
        int rowType;
    } groups[] = {{TextTable::localizedString(QStringLiteral("allDayText")), found.allDay, 0},
                  {TextTable::localizedString(QStringLiteral("taskText")), found.tasks, searchResultRowType},
                  {TextTable::localizedString(QStringLiteral("staskText")), found.scheduled, searchResultRowType},
                  {TextTable::localizedString(QStringLiteral("eventText")), found.timed, searchResultRowType},
                  {TextTable::localizedString(QStringLiteral("noteText")), found.notes, noteRows}};
    for (const auto& group : groups) {
        if (group.items.isEmpty()) continue;
        const QString& title = group.title;
        auto* header = new InfoListItemView();
        header->setLargeMargin(true);
        header->leftTextField()->setStringValue(title);
        m_rootItems.push_back(header);
        // Rows are made as they come into view (rowInGroup).
        m_childItems.insert(title, std::vector<TableRowView*>(std::size_t(group.items.size()), nullptr));
        m_groups.push_back({group.items, group.rowType});
    }
    reloadData();
    dropSpareRows();
    setNeedsDisplay(true);
}

SearchResultView::SearchGroups SearchResultView::searchGroups(const CoreData& manager, const QString& text)
{
    SearchGroups found;
    // One pass over every loaded item keeps those whose names hold the text;
    // the data manager's filters then sort that handful by kind.
    const TaskList pool = namesHolding(manager.allTasksEventsAdes(), text);
    const TaskList occurrences = withSeriesAsListed(manager, pool);

    // The filters keep occurrences that exist: a deleted or changed one is
    // never listed for its series (a changed one is listed as its own row).
    for (const TaskPtr& item : manager.getEventListFromTaskList(occurrences, Date(), Date(), text))
        (item->isSheduledTask() ? found.scheduled : found.timed).append(item);
    found.allDay = manager.getADEListFromTaskList(occurrences, text);
    found.tasks = manager.getTaskListFromTaskList(pool, Date(), Date(), text);
    found.notes = manager.getNoteFromTaskList(pool, text);

    stableSortBy(found.timed, startOf, true);
    stableSortBy(found.tasks, [](const Task& t) { return t.taskOrder(); }, true);
    stableSortBy(found.allDay, startOf, true);
    stableSortBy(found.notes, startOf, false);
    return found;
}

namespace {

// Whether a name holds a text, ignoring case, exactly as QString::contains
// answers it, made cheap for the common case: the text is folded once, and
// a name of ASCII letters is compared through a table; a name with any
// other character goes through the general matcher.
class NameMatcher {
public:
    explicit NameMatcher(const QString& text) : m_folded(text.toCaseFolded()), m_general(text, Qt::CaseInsensitive)
    {
        for (int c = 0; c < 128; ++c) m_lower[c] = char16_t(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
        for (const QChar c : std::as_const(m_folded)) m_foldedIsAscii = m_foldedIsAscii && c.unicode() < 128;
    }

    bool matches(const QString& name) const
    {
        const qsizetype n = name.size();
        const qsizetype m = m_folded.size();
        if (m == 0) return true;
        if (n < m) return false;
        const auto* h = reinterpret_cast<const char16_t*>(name.constData());
        const auto* f = reinterpret_cast<const char16_t*>(m_folded.constData());
        for (qsizetype i = 0; i < n; ++i) {
            const char16_t c = h[i];
            if (c >= 128) return m_general.indexIn(name) >= 0;
            // Past the last place a match could start only the rest of the
            // name's characters matter (a non-ASCII one sends it through
            // the general matcher).
            if (!m_foldedIsAscii || i + m > n || m_lower[c] != f[0]) continue;
            qsizetype j = 1;
            for (; j < m; ++j) {
                const char16_t next = h[i + j];
                if (next >= 128 || m_lower[next] != f[j]) break;
            }
            if (j == m) return true;
        }
        return false;
    }

private:
    QString m_folded;
    QStringMatcher m_general;
    char16_t m_lower[128] = {};
    bool m_foldedIsAscii = true;
};

}  // namespace

TaskList SearchResultView::namesHolding(const TaskList& items, const QString& text)
{
    const NameMatcher matcher(text);
    TaskList kept;
    for (const TaskPtr& item : items)
        if (item && matcher.matches(item->taskName())) kept.append(item);
    return kept;
}

namespace {

// A task row's item read again: the series' new content on the same day for
// an occurrence (under the occurrence's own key), else the stored record
// copied into the object shown. Null when the record went.
TaskPtr reread(CoreData& manager, const TaskPtr& old)
{
    const qint64 key = old->primaryKey() > 0 ? old->primaryKey() : old->parentId();
    TaskPtr fresh = Task::initWithPrimaryKey(key);
    if (!fresh) return nullptr;
    if (old->primaryKey() < 0) {
        fresh = manager.newInstanceForTask(fresh, old->primaryKey(), old->occurrence());
        if (!fresh) return nullptr;
        fresh->setStartTime(old->startTime());
        fresh->setEndTime(old->endTime());
        return fresh;
    }
    old->copyContentOfTask(*fresh);
    return old;
}

}  // namespace

void SearchResultView::reloadData(const QHash<QString, QVariant>& changedItems)
{
    CoreData* manager = CoreData::shared();
    if (!manager || changedItems.isEmpty()) return;
    const auto changed = [&changedItems](qint64 key) { return changedItems.contains(QString::number(key)); };
    for (int group = 0; group < int(m_rootItems.size()); ++group) {
        const auto* header = qobject_cast<const InfoListItemView*>(m_rootItems[std::size_t(group)]);
        const auto rows = header ? m_childItems.find(header->leftTextField()->stringValue()) : m_childItems.end();
        if (rows == m_childItems.end()) continue;
        for (std::size_t index = 0; index < rows->size(); ++index) {
            TableRowView* view = (*rows)[index];
            if (auto* noteRow = qobject_cast<NoteListItemView*>(view)) {
                // The row's own copy is read again, then given again.
                const TaskPtr note = noteRow->note();
                if (!note || !changed(note->primaryKey())) continue;
                if (const TaskPtr fresh = Task::initWithPrimaryKey(note->primaryKey())) {
                    note->copyContentOfTask(*fresh);
                    noteRow->setNote(note);
                }
                continue;
            }
            if (auto* row = qobject_cast<TaskListItemView*>(view)) {
                const TaskPtr old = row->task();
                if (!old || !changed(old->primaryKey() > 0 ? old->primaryKey() : old->parentId())) continue;
                if (const TaskPtr fresh = reread(*manager, old)) {
                    row->setTask(fresh);
                    row->reload();
                }
                continue;
            }
            // A row not made yet gets the fresh item when it is made.
            if (view || group >= int(m_groups.size()) || qsizetype(index) >= m_groups[std::size_t(group)].items.size())
                continue;
            PendingGroup& pending = m_groups[std::size_t(group)];
            const TaskPtr old = pending.items[qsizetype(index)];
            if (!old) continue;
            if (pending.rowType == noteRows) {
                if (!changed(old->primaryKey())) continue;
                if (const TaskPtr fresh = Task::initWithPrimaryKey(old->primaryKey())) pending.items[qsizetype(index)] = fresh;
            } else if (changed(old->primaryKey() > 0 ? old->primaryKey() : old->parentId())) {
                if (const TaskPtr fresh = reread(*manager, old)) pending.items[qsizetype(index)] = fresh;
            }
        }
    }
}

TaskPtr SearchResultView::itemOfRow(const TableRowView* row)
{
    if (const auto* item = qobject_cast<const TaskListItemView*>(row)) return item->task();
    if (const auto* note = qobject_cast<const NoteListItemView*>(row)) return note->note();
    return nullptr;
}

TaskPtr SearchResultView::selectedTask() const
{
    return itemOfRow(m_selectedItem);
}

void SearchResultView::deselectAll()
{
    ++m_deselectCount;
    OutlineView::deselectAll();
}

// ---- popovers ----------------------------------------------------------------------

void SearchResultView::popupEditDetail()
{
    const TaskPtr item = selectedTask();
    if (!item) return;
    if (!m_detailViewController) m_detailViewController = new DetailViewController(this);
    if (item->taskType() == 3)
        m_detailViewController->editNote(item, m_selectedItem, m_selectedItem);
    else
        m_detailViewController->editTask(item, m_selectedItem);
}

void SearchResultView::popupLinkDetail()
{
    const TaskPtr item = selectedTask();
    if (!item) return;
    m_detailViewController = RowCommands::openLinkDetail(m_detailViewController, this, item, m_selectedItem);
    becomeFirstResponder();
}

// ---- input ---------------------------------------------------------------------------

void SearchResultView::mouseDown(const Event& event)
{
    if (RowCommands::passControlClick(*this, event)) return;
    const int previous = selectedRow();
    OutlineView::mouseDown(event);
    const int row = rowAtPoint(convertPointFromWindow(event.locationInWindow));
    MainViewAccess* mainView = RowCommands::holdRefreshOnFirstSelection(previous);
    m_selectedCount = row == previous ? (m_selectedCount < 1 ? 1 : 0) : 0;
    TableRowView* clicked = row >= 0 ? itemAtRow(row) : nullptr;
    if (!clicked || isHeaderRow(clicked)) {
        m_selectedItem = nullptr;
        return;
    }
    m_selectedItem = clicked;
    const bool repeated = m_selectedCount != 0;
    if (m_lastMouseDown != 0) {
        if (event.timestamp - m_lastMouseDown <= doubleClickInterval()) handleDoubleClick();
    } else {
        m_lastMouseDown = event.timestamp;
        RowCommands::scheduleSingleClick(m_singleClickTimer, this, doubleClickInterval(), repeated);
    }
    if (mainView) mainView->clearHighlightExcept(this);
}

void SearchResultView::handleSingleClick(bool repeated)
{
    RowCommands::holdRefreshOnRepeatedClick(repeated);
    m_lastMouseDown = 0;
}

void SearchResultView::handleDoubleClick()
{
    RowCommands::endClickWait(m_lastMouseDown, m_singleClickTimer);
    popupEditDetail();
}

// Only Delete acts, and Escape goes on to the bar that holds the results;
// no other key is passed on, so the arrows move nothing.
void SearchResultView::keyDown(const Event& event)
{
    const QChar key = event.firstCharacterIgnoringModifiers();
    if (key == KeyCharacter::Escape) View::keyDown(event);  // passed on
    else if (key == KeyCharacter::Delete && selectedRow() >= 0 && m_selectedItem) applyDelete();
}

void SearchResultView::rightMouseDown(const Event& event)
{
    const Menu menu = menuForEvent(event);
    if (menu.items().empty()) return;
    menu.popUpAtPointAsync(this, convertPointFromWindow(event.locationInWindow));
}
