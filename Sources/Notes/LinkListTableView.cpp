#include "LinkListTableView.h"

#include "AlertPresenter.h"
#include "CoreData.h"
#include "EditorShared.h"
#include "Event.h"
#include "MainViewAccess.h"
#include "NoteLinkDetailView.h"
#include "NoteListItemView.h"
#include "NotificationCenter.h"
#include "Notifications.h"
#include "QuickAddNewNote.h"
#include "RecordStore.h"
#include "Setting.h"
#include "Task.h"
#include "TaskListItemView.h"
#include "TextTable.h"
#include "UIUtilities.h"
#include "Utilities.h"
#include "ZVWSync.h"

#include <QApplication>
#include <QDebug>

LinkListRow::~LinkListRow() = default;
LinkListHost::~LinkListHost() = default;

LinkListTableView::LinkListTableView(const QRectF& frame, QWidget* parent) : TableView(frame, parent)
{
    setRowHeight(plainRowHeight);
    setGridStyleMask(SolidHorizontalGridLine);
    setBackgroundColor(Qt::white);
    setObjectName(QStringLiteral("LinkList"));
    // An item may have many links: rows out of view are placed only when
    // scrolled to.
    setPlacesVisibleRowsOnly(true);
}

LinkListTableView::~LinkListTableView()
{
    NotificationCenter::defaultCenter().removeObserver(this);
    delete m_firstNoteRow;
}

std::vector<TableRowView*> LinkListTableView::arrayOfLinks() const
{
    std::vector<TableRowView*> rows;
    rows.reserve(m_rows.size());
    for (const QPointer<TableRowView>& row : m_rows) rows.push_back(row.data());
    return rows;
}

TaskPtr LinkListTableView::itemOfRow(const TableRowView* row)
{
    if (!row) return nullptr;
    if (const auto* taskRow = qobject_cast<const TaskListItemView*>(row)) return taskRow->task();
    if (const auto* noteRow = qobject_cast<const NoteListItemView*>(row)) return noteRow->note();
    if (const auto* inPlace = dynamic_cast<const LinkListRow*>(row)) return inPlace->linkedItem();
    return nullptr;
}

double LinkListTableView::heightForRow(const TableRowView* row)
{
    if (const auto* inPlace = dynamic_cast<const LinkListRow*>(row)) return inPlace->linkRowHeight();
    return plainRowHeight;
}

TableRowView* LinkListTableView::rowViewForRow(int row)
{
    return row >= 0 && row < int(m_rows.size()) ? m_rows[std::size_t(row)].data() : nullptr;
}

double LinkListTableView::heightOfRow(int row) const
{
    return row >= 0 && row < int(m_rows.size()) ? heightForRow(m_rows[std::size_t(row)]) : plainRowHeight;
}

// ---- making rows ----------------------------------------------------------------------

TableRowView* LinkListTableView::makeNoteEditor(const TaskPtr& note, const QRectF& frame)
{
    auto* editor = new NoteLinkDetailView(QRectF(0, frame.y(), bounds().width(), editorViewHeight));
    editor->setParentView(this);
    editor->setIsPopoverReloadAfterDoAction(true);
    editor->loadDataFromNote(note);
    return editor;
}

TableRowView* LinkListTableView::makeItemRow(const TaskPtr& item, bool grayout)
{
    // Sized when the table places it: a row builds its controls only then,
    // so rows out of view cost little.
    auto* row = new TaskListItemView;
    if (grayout) row->setIsAssetNeedGrayout(true);
    row->setNeedLeftAlign(true);
    row->setIsPopoverReloadAfterDoAction(true);
    row->setTask(item);
    return row;
}

TableRowView* LinkListTableView::makeNoteRow(const TaskPtr& note, bool grayout)
{
    auto* row = new NoteListItemView;
    if (grayout) row->setIsAssetNeedGrayout(true);
    row->setNote(note);
    return row;
}

// ---- loading ---------------------------------------------------------------------------

bool LinkListTableView::saveOpenRows()
{
    // Rows about to go must not reload the list when their editing ends.
    for (const QPointer<TableRowView>& row : m_rows)
        if (auto* inPlace = dynamic_cast<LinkListRow*>(row.data())) inPlace->retire();
    customResignFirstResponder();
    bool saved = false;
    for (const QPointer<TableRowView>& row : m_rows)
        if (auto* inPlace = dynamic_cast<LinkListRow*>(row.data())) saved = inPlace->saveBeforeReload() || saved;
    return saved;
}

void LinkListTableView::dropRows(std::vector<QPointer<TableRowView>>& rows)
{
    for (const QPointer<TableRowView>& row : rows) {
        if (!row) continue;
        row->hide();
        row->deleteLater();
    }
    rows.clear();
}

void LinkListTableView::loadCurrentLinks()
{
    if (m_isLoading) return;
    if (AlertPresenter::isAlertRunning()) {
        // Rows are not rebuilt under an open question; the load runs once.
        if (m_reloadWaits) return;
        m_reloadWaits = true;
        AlertPresenter::whenNoAlertRuns([list = QPointer<LinkListTableView>(this)] {
            if (!list) return;
            list->m_reloadWaits = false;
            list->loadCurrentLinks();
        });
        return;
    }
    m_isLoading = true;
    saveOpenRows();
    std::vector<QPointer<TableRowView>> old = std::move(m_rows);
    m_rows.clear();
    m_selectedItem = nullptr;
    m_selectedIndex = -1;
    delete m_firstNoteRow;
    m_firstNoteRow = nullptr;

    CoreData* dataManager = CoreData::shared();
    const TaskList items = dataManager && m_currentItem ? dataManager->getCurrentLinks(m_currentItem) : TaskList();
    bool expanded = false;
    for (const TaskPtr& item : items) {
        if (!item) continue;
        if (item->taskType() != 3) {
            m_rows.emplace_back(makeItemRow(item, true));
        } else if (m_canExpandEditDetail && !expanded) {
            expanded = true;
            m_isNoteFirst = true;
            m_firstNoteRow = makeNoteRow(item, false);
            m_selectedItem = m_firstNoteRow;
            m_selectedIndex = 0;
            m_rows.emplace_back(makeNoteEditor(item, QRectF()));
        } else {
            m_rows.emplace_back(makeNoteRow(item, true));
        }
    }
    if (!(!items.isEmpty() && m_isNoteFirst) && m_canExpandEditDetail) {
        auto* quickAdd = new QuickAddNewNote(QRectF(0, 0, bounds().width(), editorViewHeight));
        quickAdd->setItem(m_currentItem);
        quickAdd->setParentView(this);
        m_rows.insert(m_rows.begin(), QPointer<TableRowView>(quickAdd));
    }
    reloadData();
    dropRows(old);
    m_isLoading = false;
}

void LinkListTableView::setInPlaceRow(int row, TableRowView* view)
{
    if (!view || row < 0 || row >= int(m_rows.size())) return;
    std::vector<QPointer<TableRowView>> old{m_rows[std::size_t(row)]};
    m_rows[std::size_t(row)] = view;
    if (m_selectedItem == old.front()) m_selectedItem = nullptr;
    reloadData();
    dropRows(old);
}

void LinkListTableView::addExtLinks(const TaskList& items)
{
    CoreData* dataManager = CoreData::shared();
    for (const TaskPtr& item : items) {
        if (!item) continue;
        if (item->taskType() == 3) {
            m_rows.emplace_back(makeNoteRow(item, false));
            continue;
        }
        item->setIsTopGTDTask(dataManager && dataManager->checkIfTaskIsGTD(item));
        m_rows.emplace_back(makeItemRow(item, false));
    }
    reloadData();
}

// ---- saving ----------------------------------------------------------------------------

bool LinkListTableView::saveChanges(bool notify)
{
    if (m_rows.empty()) return false;
    bool saved = false;
    CoreData* dataManager = CoreData::shared();
    for (const QPointer<TableRowView>& row : m_rows) {
        if (auto* quickAdd = qobject_cast<QuickAddNewNote*>(row.data())) {
            saved = quickAdd->saveChanges(notify) || saved;
            continue;
        }
        auto* taskRow = qobject_cast<TaskListItemView*>(row.data());
        const TaskPtr task = taskRow ? taskRow->task() : nullptr;
        if (!task || task->taskType() != 1) continue;
        const qint64 star = taskRow->starStatus();
        const qint64 done = taskRow->doneStatus();
        if (task->isPinned() == star && task->status() == done) continue;
        // The star and the done state of a row are one unit, set on the
        // record only when it is kept; a refused save was told.
        const bool kept = dataManager && dataManager->saveChangeFromView({task}, [&] {
            task->setIsPinned(star);
            if (task->status() != done) {
                task->setStatus(done);
                task->setCompletedDate(done == 1 ? Utilities::getCompleteDate() : Date::dateWithTimeIntervalSince1970(0));
            }
            return dataManager->doMarkDoneOperatorWithTask(task, done, false);
        });
        if (!kept) {
            qWarning() << "Linked task" << task->primaryKey() << "could not be saved from the link list";
            continue;
        }
        saved = true;
    }
    return saved;
}

void LinkListTableView::postAutoSync(qint64 what) const
{
    const SettingPtr setting = currentSetting();
    if (setting && setting->autoZVWSync() != 0)
        NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kAutoSyncNotification, what);
}

// ---- commands --------------------------------------------------------------------------

void LinkListTableView::customResignFirstResponder()
{
    QWidget* focused = QApplication::focusWidget();
    if (focused && isAncestorOf(focused)) focused->clearFocus();
}

void LinkListTableView::relayoutHost()
{
    if (auto* host = dynamic_cast<LinkListHost*>(m_parentView.data())) host->updateView();
}

void LinkListTableView::doUnlink(const TaskPtr& item)
{
    if (!m_selectedItem || !item || !m_currentItem) return;
    m_isNoteFirst = false;
    const qint64 a = UIUtilities::seriesKey(*m_currentItem);
    const qint64 b = UIUtilities::seriesKey(*item);
    if (CoreData* dataManager = CoreData::shared(); dataManager && !dataManager->saveChangeFromView({}, [&] { return dataManager->unLink(a, b); }))
        qWarning() << "The link between" << a << "and" << b << "could not be removed";
    loadCurrentLinks();
    relayoutHost();
    if (MainViewAccess* mainView = MainViewAccess::current()) {
        const QString first = QString::number(a);
        const QString second = QString::number(b);
        mainView->reloadDataWithInfo({{first, first}, {second, second}});
    }
    postAutoSync(qint64(8));  // links
}

void LinkListTableView::unlink()
{
    customResignFirstResponder();
    if (const TaskPtr item = itemOfRow(m_selectedItem)) doUnlink(item);
}

bool LinkListTableView::isItemReachable(const TaskPtr& item)
{
    if (!item) return false;
    CoreData* dataManager = CoreData::shared();
    if (dataManager && !dataManager->isCalendarVisible(item->calendarId())) return false;
    // An item deleted since the list was loaded is no longer stored.
    const qint64 key = UIUtilities::seriesKey(*item);
    if (!RecordStore::sharedDatabase() || key <= 0) return true;
    // A key without a row reads as a blank record carrying that key.
    return Task::storedWithPrimaryKey(key) != nullptr;
}

void LinkListTableView::showHiddenLinkAlert()
{
    AlertRequest request;
    request.style = AlertStyle::Warning;
    request.messageText = TextTable::localizedString(QStringLiteral("hiddenLinkMsg"));
    request.addButtonWithTitle(TextTable::localizedString(QStringLiteral("okText")));
    AlertPresenter::current().runModal(request);
}

bool LinkListTableView::revealInMainWindow(const TaskPtr& item)
{
    MainViewAccess* mainView = MainViewAccess::current();
    if (!mainView || !item) return false;
    const SettingPtr setting = currentSetting();
    const bool weekPinned = setting && setting->isWeekPlannerPinned() != 0;
    const bool monthPinned = setting && setting->isMonthPlannerPinned() != 0;
    const bool listShown = setting && setting->hasRightPage() != 0;
    switch (item->taskType()) {
    case 0:
        if (item->isADE() == 0) {
            if (weekPinned) return mainView->revealInWeekPlannerWeekly(item);
            if (monthPinned) return mainView->revealInMonthPlanner(item);
            return mainView->revealInDayGrid(item);
        }
        if (weekPinned) return mainView->revealInWeekPlannerPane(item);
        if (monthPinned) return mainView->revealInMonthPlanner(item);
        {
            const Date occurrence = item->occurrence();
            const Date start = item->startTime();
            const Date later = occurrence.isValid() && (start.isNull() || occurrence > start) ? occurrence : start;
            if (later.isValid())
                mainView->showDayInMiniMonth(Utilities::resetTime4Date(later, 0, 0, 0).timeIntervalSince1970());
        }
        return mainView->revealInFocusPane(item) || mainView->revealInCategoryList(item);
    case 3:
        if (listShown && mainView->revealInNoteList(item)) return true;
        if (weekPinned) return mainView->revealInWeekPlannerPane(item);
        if (monthPinned) return mainView->revealInMonthPlanner(item);
        return mainView->revealInCategoryList(item);
    case 1:
        if (listShown && mainView->revealInTaskList(item)) return true;
        if (weekPinned && item->hasDue() != 0) return mainView->revealInWeekPlannerPane(item);
        if (monthPinned && item->hasDue() != 0) return mainView->revealInMonthPlanner(item);
        return mainView->revealInCategoryList(item);
    default:
        // Other kinds are not shown, and are no hidden link either.
        return true;
    }
}

void LinkListTableView::reveal()
{
    if (!m_selectedItem) return;
    customResignFirstResponder();
    if (const TaskPtr item = itemOfRow(m_selectedItem)) {
        if (!isItemReachable(item) || !revealInMainWindow(item)) showHiddenLinkAlert();
    }
    NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kPopoverShouldClose, this);
}

void LinkListTableView::showDetail()
{
    if (!m_selectedItem) return;
    const TaskPtr item = itemOfRow(m_selectedItem);
    if (item && !isItemReachable(item)) {
        showHiddenLinkAlert();
        NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kPopoverShouldClose, this);
        return;
    }
    NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kPopoverShouldClose, this);
    if (MainViewAccess* mainView = MainViewAccess::current()) mainView->showItemDetail(item, 2);
}

// ---- events ----------------------------------------------------------------------------

void LinkListTableView::mouseDown(const Event& event)
{
    TableView::mouseDown(event);
    const int row = rowAtPoint(convertPointFromWindow(event.locationInWindow));
    if (row < 0 || row >= int(m_rows.size())) {
        m_selectedItem = nullptr;
        m_selectedIndex = -1;
        return;
    }
    TableRowView* clicked = m_rows[std::size_t(row)];
    if (dynamic_cast<LinkListRow*>(clicked) && !qobject_cast<QuickAddNewNote*>(clicked)) return;

    std::vector<int> changed;
    const auto isPlainRow = [](const TableRowView* view) {
        return qobject_cast<const TaskListItemView*>(view) || qobject_cast<const NoteListItemView*>(view);
    };
    const bool noteClicked = qobject_cast<NoteListItemView*>(clicked) != nullptr;
    if (m_selectedIndex >= 0 && isPlainRow(m_selectedItem) && noteClicked) {
        for (std::size_t i = 0; i < m_rows.size(); ++i) {
            auto* editor = qobject_cast<NoteLinkDetailView*>(m_rows[i].data());
            if (!editor) continue;
            // The open note is saved before it turns back into a row: a click
            // in the list does not end its text editing.
            editor->retire();
            customResignFirstResponder();
            editor->saveBeforeReload();
            TableRowView* plain = makeNoteRow(editor->note(), true);
            m_rows[i] = plain;
            editor->hide();
            editor->deleteLater();
            changed.push_back(int(i));
        }
    }
    m_selectedItem = clicked;
    m_selectedIndex = row;

    if (event.clickCount >= 2) {
        if (!changed.empty()) noteHeightOfRowsWithIndexesChanged(changed);
        showDetail();
        return;
    }
    if (!m_canExpandEditDetail) {
        if (!changed.empty()) noteHeightOfRowsWithIndexesChanged(changed);
        return;
    }
    double extend = quickAddExtendHeight;
    if (m_isNoteFirst && !qobject_cast<QuickAddNewNote*>(clicked)) {
        extend = noteExtendHeight;
        if (noteClicked) {
            const TaskPtr note = static_cast<NoteListItemView*>(clicked)->note();
            TableRowView* editor = makeNoteEditor(note, clicked->frame());
            m_rows[std::size_t(row)] = editor;
            clicked->hide();
            clicked->deleteLater();
            m_selectedItem = editor;
            changed.push_back(row);
            if (m_currentItem && m_currentItem->taskType() != 3)
                if (MainViewAccess* mainView = MainViewAccess::current()) mainView->scrollNoteListToNote(note);
        }
    }
    if (auto* host = dynamic_cast<LinkListHost*>(m_parentView.data())) host->updateViewWithExtendHeight(extend, 0);
    if (!changed.empty()) noteHeightOfRowsWithIndexesChanged(changed);
    scrollRowToVisible(row);
    selectRowIndexes({row}, false);
}

void LinkListTableView::rightMouseDown(const Event& event)
{
    const Menu menu = menuForEvent(event);
    if (menu.items().empty()) return;
    menu.popUpAtPointAsync(this, convertPointFromWindow(event.locationInWindow));
}

Menu LinkListTableView::menuForEvent(const Event& event)
{
    const int row = rowAtPoint(convertPointFromWindow(event.locationInWindow));
    if (row < 0 || row >= int(m_rows.size())) return Menu();
    if (selectedRow() != row || row == 0) {
        scrollRowToVisible(row);
        selectRowIndexes({row}, false);
        m_selectedItem = m_rows[std::size_t(row)];
        m_selectedIndex = row;
    }
    if (qobject_cast<QuickAddNewNote*>(m_rows[std::size_t(row)].data())) return Menu();
    const MenuTarget target = [list = QPointer<LinkListTableView>(this)](const QString& action) {
        if (!list) return std::function<void()>();
        if (action == QLatin1String("unlink:")) return std::function<void()>([list] {
                if (list) list->unlink();
            });
        if (action == QLatin1String("reveal:")) return std::function<void()>([list] {
                if (list) list->reveal();
            });
        return std::function<void()>();
    };
    return UIUtilities::createMenuForLinkItem(target);
}

void LinkListTableView::keyDown(const Event& event)
{
    // Keys typed while the list itself has the focus are dropped.
    (void)event;
}
