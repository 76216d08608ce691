#include "FocusPaneDetailView.h"

#include "AlertPresenter.h"
#include "Clock.h"
#include "Common.h"
#include "CoreData.h"
#include "DetailViewController.h"
#include "FocusPaneItemView.h"
#include "GregorianCalendar.h"
#include "ItemCommands.h"
#include "MainViewAccess.h"
#include "NotificationCenter.h"
#include "RepeatingEditQuestion.h"
#include "Scheduler.h"
#include "Setting.h"
#include "Task.h"
#include "TextTable.h"
#include "UIUtilities.h"
#include "Utilities.h"

#include <QDebug>
#include <QGuiApplication>
#include <QSet>
#include <QStyleHints>

#include <algorithm>

namespace {

double doubleClickSeconds()
{
    return QGuiApplication::styleHints()->mouseDoubleClickInterval() / 1000.0;
}

QString accountUserName(const CoreData* manager)
{
    const SettingPtr setting = manager ? manager->currentSetting() : nullptr;
    return setting ? setting->zvwUserName() : QString();
}

// Stable: items of equal rank keep the data manager's order.
TaskList sortedBySharing(TaskList items)
{
    std::stable_sort(items.begin(), items.end(), [](const TaskPtr& a, const TaskPtr& b) {
        return a->sortOrderBySharing() < b->sortOrderBySharing();
    });
    return items;
}

// The key a row answers to: a generated instance stands for its series.
qint64 itemKeyOf(const Task& item)
{
    return item.primaryKey() > 0 ? item.primaryKey() : item.parentId();
}

AlertRequest warningWithButtons(const QString& first, const QString& second)
{
    AlertRequest request;
    request.style = AlertStyle::Warning;
    request.addButtonWithTitle(first);
    request.addButtonWithTitle(second);
    return request;
}

void postTaskChanged(QObject* sender)
{
    NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kTaskChanged, sender);
}

}  // namespace

FocusPaneDetailView::FocusPaneDetailView(const QRectF& frame, QWidget* parent) : TableView(frame, parent)
{
    setRowHeight(rowHeightOfList);
    setGridStyleMask(SolidHorizontalGridLine);
    setBackgroundColor(Common::focusPaneColorBackground());
}

FocusPaneDetailView::~FocusPaneDetailView()
{
    NotificationCenter::defaultCenter().removeObserver(this);
    if (m_detailViewController) NotificationCenter::defaultCenter().removeObserver(m_detailViewController);
}

TableRowView* FocusPaneDetailView::rowViewForRow(int row)
{
    if (row < 0 || row >= int(m_arrayOfTasks.size())) return nullptr;
    return m_arrayOfTasks[std::size_t(row)];
}

TaskPtr FocusPaneDetailView::selectedTask() const
{
    const int row = selectedRow();
    if (row < 0 || row >= int(m_arrayOfTasks.size())) return nullptr;
    return m_arrayOfTasks[std::size_t(row)]->task();
}

// ---- loading ---------------------------------------------------------------

bool FocusPaneDetailView::isDueTaskListed(const Task& task, const QString& userName)
{
    const QString assignee = task.assigneeEmail();
    if (!assignee.isEmpty() && task.delegateStatus() == 0 && assignee.compare(userName, Qt::CaseInsensitive) == 0)
        return false;
    if (task.isShared()) return true;
    return !(!assignee.isEmpty() && task.delegateStatus() == 1);
}

bool FocusPaneDetailView::isDoneTaskListed(const Task& task)
{
    return !(!task.assigneeEmail().isEmpty() && task.delegateStatus() == 0);
}

TaskList FocusPaneDetailView::itemsForDay(const TaskList& allItems, const Date& day, const QString& userName)
{
    const CoreData* manager = CoreData::shared();
    if (!manager || !day.isValid()) return {};
    // Each kind is read from the whole list, less what an earlier kind took:
    // the day's few rows are set aside, not the list copied without them
    // (50,000 items copied at every reload).
    QSet<const Task*> taken;
    const auto notTaken = [&taken](TaskList items) {
        if (!taken.isEmpty()) items.removeIf([&taken](const TaskPtr& item) { return taken.contains(item.get()); });
        return items;
    };
    const auto take = [&taken](const TaskList& items) {
        for (const TaskPtr& item : items) taken.insert(item.get());
    };
    // One pass keeps what any kind could take (every all-day item, and the
    // tasks and notes dated on the day); the kinds then read that short list,
    // each in the same order as from the whole.
    const DateFields fields = GregorianCalendar::fields(day);
    const Date dayStart = GregorianCalendar::dateFromFields(fields.year, fields.month, fields.day, 0, 0, 0);
    const Date nextDay = GregorianCalendar::dateFromFields(fields.year, fields.month, fields.day + 1, 0, 0, 0);
    const auto onDay = [&](const Date& time) { return time.isValid() && !(time < dayStart) && time < nextDay; };
    TaskList candidates;
    for (const TaskPtr& item : allItems) {
        const Task& t = *item;
        const bool kept = t.taskType() == ItemKind::Task ? onDay(t.dueEnd()) || onDay(t.completedDate())
                                                         : t.isADE() || (t.taskType() == ItemKind::Note && onDay(t.startTime()));
        if (kept) candidates.append(item);
    }
    TaskList rows;

    const TaskList allDay = sortedBySharing(manager->getAllDayEventFromTaskList(candidates, day));
    rows += allDay;
    const TaskList due = sortedBySharing(manager->getDueTaskFromTaskList(candidates, day));
    for (const TaskPtr& task : due)
        if (isDueTaskListed(*task, userName)) rows.append(task);
    take(allDay);
    take(due);

    const TaskList done = sortedBySharing(notTaken(manager->getDoneTaskFromTaskList(candidates, day)));
    for (const TaskPtr& task : done)
        if (isDoneTaskListed(*task)) rows.append(task);
    take(done);

    rows += sortedBySharing(notTaken(manager->getNoteFromTaskList(candidates, day)));
    return rows;
}

void FocusPaneDetailView::clearRows()
{
    // Deleted later: a row may be the one whose handler or question runs.
    for (FocusPaneItemView* row : m_arrayOfTasks) {
        row->removeFromSuperview();
        row->deleteLater();
    }
    m_arrayOfTasks.clear();
}

FocusPaneItemView* FocusPaneDetailView::appendRow(const TaskPtr& item)
{
    auto* row = new FocusPaneItemView(QRectF(0, 0, bounds().width(), rowHeight()));
    row->setTask(item);
    m_arrayOfTasks.push_back(row);
    return row;
}

void FocusPaneDetailView::loadDataOnDate(const Date& date)
{
    m_date = date;
    TaskList items;
    if (const CoreData* manager = CoreData::shared()) {
        TaskList pool = manager->allTasksEventsAdes();
        const SettingPtr setting = manager->currentSetting();
        if (setting && setting->showActiveTaskOnly() != 0)
            if (const std::optional<TaskList> future = manager->futureTaskList()) pool += *future;
        items = itemsForDay(pool, date, accountUserName(manager));
    }
    // The row views are bound to the new items in turn, and only the rows
    // beyond them go: a busy day's reload then makes no widgets at all.
    while (m_arrayOfTasks.size() > std::size_t(items.size())) {
        FocusPaneItemView* extra = m_arrayOfTasks.back();
        m_arrayOfTasks.pop_back();
        extra->removeFromSuperview();
        extra->deleteLater();
    }
    m_arrayOfTasks.reserve(std::size_t(items.size()));
    for (qsizetype index = 0; index < items.size(); ++index) {
        if (std::size_t(index) < m_arrayOfTasks.size())
            m_arrayOfTasks[std::size_t(index)]->setTask(items[index]);
        else
            appendRow(items[index]);
    }
    m_selectedItem = nullptr;
    deselectAll();
    reloadData();
}

void FocusPaneDetailView::setArrayOfTasks(std::vector<FocusPaneItemView*> rows)
{
    clearRows();
    m_arrayOfTasks = std::move(rows);
    m_selectedItem = nullptr;
    deselectAll();
    reloadData();
}

void FocusPaneDetailView::reloadData(const QHash<QString, QVariant>& changedItems)
{
    CoreData* manager = CoreData::shared();
    if (!manager || changedItems.isEmpty()) return;
    for (FocusPaneItemView* row : m_arrayOfTasks) {
        const TaskPtr old = row->task();
        if (!old) continue;
        const qint64 key = itemKeyOf(*old);
        if (!changedItems.contains(QString::number(key))) continue;
        // A row not read keeps the row as it is shown.
        TaskPtr fresh = Task::storedWithPrimaryKey(key);
        if (!fresh) continue;
        if (old->primaryKey() < 0) {
            // An instance stays the occurrence of the day shown: the series'
            // new content with the instance's own key, occurrence and times,
            // so that "only this" still means this day.
            fresh = manager->newInstanceForTask(fresh, old->primaryKey(), old->occurrence());
            if (!fresh) continue;
            fresh->setStartTime(old->startTime());
            fresh->setEndTime(old->endTime());
        }
        row->setTask(fresh);
    }
}

void FocusPaneDetailView::moveToTop(const TaskPtr& item)
{
    if (!item) return;
    const auto found = std::find_if(m_arrayOfTasks.begin(), m_arrayOfTasks.end(), [&item](FocusPaneItemView* row) {
        return row->task() && row->task()->primaryKey() == item->primaryKey();
    });
    if (found != m_arrayOfTasks.end()) {
        if (item->hasDue() == 0) {
            FocusPaneItemView* row = *found;
            if (m_selectedItem == row) m_selectedItem = nullptr;
            m_arrayOfTasks.erase(found);
            row->removeFromSuperview();
            row->deleteLater();
        }
        reloadData();
        return;
    }
    if (item->hasDue() == 0) return;
    const TaskPtr fresh = Task::initWithPrimaryKey(item->primaryKey());
    if (!fresh) return;
    appendRow(fresh);
    reloadData();
    // At least 200 high, and never shorter than its rows, which would cut
    // the new row off.
    setFrameSize(QSizeF(bounds().width(), std::max(200.0, numberOfRows() * rowPitch())));
}

// ---- finding rows ------------------------------------------------------------

int FocusPaneDetailView::rowMatching(const Task& wanted, Match rule) const
{
    for (int index = 0; index < int(m_arrayOfTasks.size()); ++index) {
        const FocusPaneItemView* row = m_arrayOfTasks[std::size_t(index)];
        if (row->isHidden() || !row->task()) continue;
        const Task& item = *row->task();
        if (item.repeatType() != wanted.repeatType()) continue;
        if (item.primaryKey() == wanted.primaryKey()) return index;
        if (item.primaryKey() >= 1) continue;
        if (item.parentId() == wanted.primaryKey()) return index;
        if (rule == Match::Editor && item.parentId() == wanted.parentId()) return index;
    }
    return -1;
}

void FocusPaneDetailView::selectRowAlone(int row)
{
    if (selectedRowIndexes() != std::vector<int>{row}) selectRowIndexes({row}, false);
}

bool FocusPaneDetailView::showPopupEditDetail(const TaskPtr& item)
{
    if (!item) return false;
    const int row = rowMatching(*item, Match::Editor);
    if (row < 0) return false;
    FocusPaneItemView* view = m_arrayOfTasks[std::size_t(row)];
    const QRectF place = view->frame();
    if (place.y() == 0 && place.height() == 0) return false;
    scrollRowToVisible(row);
    selectRowAlone(row);
    popupEditDetail(view);
    return true;
}

bool FocusPaneDetailView::revealToEvent(const TaskPtr& item)
{
    if (!item || item->taskType() != 0) return false;
    const int row = rowMatching(*item, Match::Reveal);
    if (row < 0) return false;
    const QRectF place = m_arrayOfTasks[std::size_t(row)]->frame();
    if (place.y() == 0 && place.height() == 0) return false;
    scrollRowToVisible(row);
    selectRowAlone(row);
    return true;
}

void FocusPaneDetailView::popupEditDetail(FocusPaneItemView* row)
{
    if (!row || !row->task()) return;
    if (!m_detailViewController) m_detailViewController = new DetailViewController(this);
    if (row->task()->taskType() == 3)
        m_detailViewController->editNote(row->task(), row, row);
    else
        m_detailViewController->editTask(row->task(), row);
}

void FocusPaneDetailView::popupLinkDetail()
{
    if (selectedRow() < 0 || !m_selectedItem || !m_selectedItem->task()) return;
    if (!m_detailViewController) m_detailViewController = new DetailViewController(this);
    m_detailViewController->detailLink(m_selectedItem->task(), m_selectedItem);
    becomeFirstResponder();
}

// ---- mouse and keys ------------------------------------------------------------

void FocusPaneDetailView::mouseDown(const Event& event)
{
    const int before = selectedRow();
    TableView::mouseDown(event);
    const int row = rowAtPoint(convertPointFromWindow(event.locationInWindow));
    m_selectedCount = row >= 0 && row == before ? (m_selectedCount == 0 ? 1 : 0) : 0;
    if (row < 0) {
        m_selectedItem = nullptr;
        return;
    }
    m_selectedItem = m_arrayOfTasks[std::size_t(row)];

    const double now = Clock::now().timeIntervalSince1970();
    if (m_lastMouseDown != 0 && now - m_lastMouseDown <= doubleClickSeconds()) {
        m_lastMouseDown = 0;
        m_singleClickTimer.invalidate();
        popupEditDetail(m_selectedItem);
    } else {
        // No click waits (or the one that did is too old to pair with).
        m_lastMouseDown = now;
        m_singleClickTimer.invalidate();
        const QPointer<FocusPaneDetailView> list(this);
        m_singleClickTimer = Scheduler::current().scheduleTimer(doubleClickSeconds(), false, [list] {
            if (list) list->handleSingleClick();
        });
    }
    if (MainViewAccess* mainView = MainViewAccess::current()) mainView->clearHighlightExcept(this);
}

// A single click only selects. (A slow second click on the selected row
// would hold the main view's refreshes for an editor opened in place; the
// editors have no such hold to honour.)
void FocusPaneDetailView::handleSingleClick()
{
    m_lastMouseDown = 0;
}

Menu FocusPaneDetailView::menuForEvent(const Event& event)
{
    const int row = rowAtPoint(convertPointFromWindow(event.locationInWindow));
    if (row < 0) return Menu();
    scrollRowToVisible(row);
    selectRowAlone(row);
    m_selectedItem = m_arrayOfTasks[std::size_t(row)];
    const TaskPtr item = m_selectedItem->task();
    if (!item) return Menu();
    const MenuTarget target = [list = QPointer<FocusPaneDetailView>(this)](const QString& action) {
        return list ? list->commandForAction(action) : std::function<void()>();
    };
    return item->taskType() == 3 ? UIUtilities::createMenuForNote(target, item)
                                 : UIUtilities::createMenuForTaskWithTarget(target, item);
}

void FocusPaneDetailView::rightMouseDown(const Event& event)
{
    const Menu menu = menuForEvent(event);
    if (menu.items().empty()) return;
    menu.popUpAtPointAsync(this, convertPointFromWindow(event.locationInWindow));
}

void FocusPaneDetailView::keyDown(const Event& event)
{
    // Every other key stops here too: the list passes no key on.
    if (event.firstCharacterIgnoringModifiers() == KeyCharacter::Delete && selectedRow() >= 0) applyDelete();
}

// ---- commands ------------------------------------------------------------------

std::function<void()> FocusPaneDetailView::commandForAction(const QString& action)
{
    const QPointer<FocusPaneDetailView> list(this);
    if (action == QLatin1String("editTask:"))
        return [list] { if (list && list->m_selectedItem) list->popupEditDetail(list->m_selectedItem); };
    if (action == QLatin1String("selectDone:")) return [list] { if (list) list->selectDone(); };
    if (action == QLatin1String("duplicateTask:")) return [list] { if (list) list->duplicateTask(); };
    if (action == QLatin1String("deleteTask:") || action == QLatin1String("deleteNote:"))
        return [list] { if (list) list->applyDelete(); };
    // One unit each, kept whole or refused and told.
    if (const ItemCommands::ItemCommand command = ItemCommands::dateCommand(action))
        return [list, command] { if (list) command(list->selectedTask()); };
    if (action == QLatin1String("copyToMakeLink:")) return [list] { if (list) list->copyToMakeLink(); };
    if (action == QLatin1String("pasteToMakeLink:"))
        return [list] { if (list) ItemCommands::pasteToMakeLink(list->selectedTask()); };
    if (action == QLatin1String("editNote:")) return [list] { if (list) list->editNote(); };
    if (action == QLatin1String("duplicateNote:")) return [list] { if (list) list->duplicateNote(); };
    if (action == QLatin1String("convertNote2Task:"))
        return [list] {
            CoreData* manager = CoreData::shared();
            const TaskPtr note = list && list->m_selectedItem ? list->m_selectedItem->task() : nullptr;
            if (manager && note && !manager->commandFromView({note}, [&] { return manager->makeTaskFromNote(note); })) qWarning() << "Note" << note->primaryKey() << "did not become a task";
        };
    if (action == QLatin1String("addPrimaryNote:")) return [list] { if (list) list->popupLinkDetail(); };
    return {};
}

void FocusPaneDetailView::editNote()
{
    if (m_selectedItem && m_selectedItem->task()) showPopupEditDetail(m_selectedItem->task());
}

void FocusPaneDetailView::duplicateNote()
{
    const TaskPtr note = m_selectedItem ? m_selectedItem->task() : nullptr;
    CoreData* manager = CoreData::shared();
    if (note && (!manager || !manager->commandFromView({note}, [&] { return note->duplicate(); })))
        qWarning() << "Note" << note->primaryKey() << "could not be duplicated";
}

void FocusPaneDetailView::selectDone()
{
    CoreData* manager = CoreData::shared();
    const TaskPtr item = selectedTask();
    if (!manager || !item) return;
    const qint64 status = item->status() == 0 ? 1 : 0;
    // The record changes only with a kept save; a refused one was told.
    if (!manager->markDoneFromView(item, status)) {
        qWarning() << "Item" << item->primaryKey() << "could not be marked" << (status ? "done" : "open");
        return;
    }
    postTaskChanged(this);
}

void FocusPaneDetailView::duplicateTask()
{
    ItemCommands::duplicate(selectedTask());
}

void FocusPaneDetailView::copyToMakeLink()
{
    CoreData* manager = CoreData::shared();
    const TaskPtr item = selectedTask();
    if (!manager || !item) return;
    const SettingPtr setting = manager->currentSetting();
    if (setting && setting->isWarningForCopyToLink() == 1) {
        AlertRequest request = warningWithButtons(TextTable::localizedString(QStringLiteral("okText")),
                                                  TextTable::localizedString(QStringLiteral("cancelText")));
        request.messageText = TextTable::localizedString(QStringLiteral("pasteToAnyOtherItemText"));
        request.informativeText = QString();
        request.showsSuppressionButton = true;
        const AlertResponse response = AlertPresenter::current().runModal(request);
        if (response.suppressed) {
            if (!manager->saveSettingFromView([](Setting& kept) { kept.setIsWarningForCopyToLink(0); }))
                qWarning() << "The settings could not be saved after the copy-link explanation";
        }
        if (response.button != AlertResponse::firstButton) return;
    }
    manager->setCopiedItem(nullptr);
    manager->setCopiedItem(item->copy());
}

bool FocusPaneDetailView::isRepeating(const Task& task)
{
    return (task.parentId() == -1 && task.repeatType() != 0) || task.primaryKey() < -1;
}

bool FocusPaneDetailView::isFirstOccurrence(const Task& task)
{
    return Utilities::compareDateNoTime(task.occurrence(), task.repeatStartDate()) == 0;
}

void FocusPaneDetailView::applyDelete()
{
    // The selected row's item, never a row clicked earlier: a reload clears
    // the last clicked row and a later click moves it.
    const int selected = selectedRow();
    if (selected < 0 || selected >= int(m_arrayOfTasks.size())) return;
    const QPointer<FocusPaneItemView> row(m_arrayOfTasks[std::size_t(selected)]);
    const TaskPtr item = row->task();
    CoreData* manager = CoreData::shared();
    if (!item || !manager || item->isShared()) return;
    const SettingPtr setting = manager->currentSetting();
    const bool warn = setting && setting->isWarningForDeleting() != 0;

    // The one-off question; a ticked box stops it until the settings say
    // otherwise (kept in memory, written with the next save).
    const auto confirmed = [&setting](const QString& message) {
        AlertRequest request = warningWithButtons(TextTable::localizedString(QStringLiteral("okText")),
                                                  TextTable::localizedString(QStringLiteral("cancelText")));
        request.messageText = message;
        request.informativeText = TextTable::localizedString(QStringLiteral("deleteItemMessage"));
        request.showsSuppressionButton = true;
        const AlertResponse response = AlertPresenter::current().runModal(request);
        if (response.suppressed && setting) setting->setIsWarningForDeleting(0);
        return response.button == AlertResponse::firstButton;
    };

    if (item->taskType() == 1 || item->taskType() == 3) {
        if (warn && !confirmed(TextTable::localizedString(QStringLiteral("deleteItemText")))) return;
        TaskPtr target = item;
        if (item->taskType() == 3 && item->zvwID() == 0) {
            // A note the web service never saw may be older here than on
            // disk: the row takes the stored one, and that one goes.
            if (TaskPtr fresh = Task::initWithPrimaryKey(item->primaryKey())) {
                // The row may show another item by now: a reload during the
                // question binds rows again.
                if (row && row->task() == item) row->setTask(fresh);
                target = fresh;
            }
        }
        manager->setModifyingTask(target);
        if (!manager->commandFromView({target}, [&] { return manager->doDeleteTask(target); })) qWarning() << "Item" << target->primaryKey() << "could not be deleted";
        return;
    }
    if (item->taskType() != 0) return;

    if (!isRepeating(*item)) {
        const QString message = item->isADE() != 0 ? TextTable::localizedString(QStringLiteral("deletingADEText"))
                                                   : TextTable::localizedString(QStringLiteral("deleteItemText"));
        if (warn && !confirmed(message)) return;
        if (!manager->commandFromView({item}, [&] { return manager->doDeleteOnlyThisOperatorWithEvent(item); }))
            qWarning() << "Event" << item->primaryKey() << "could not be deleted";
        return;
    }

    const bool first = isFirstOccurrence(*item);
    const bool scheduled = item->isSheduledTask();
    const AlertRequest request = repeatingDeleteQuestion(scheduled, first, item->isADE() != 0);

    const QPointer<FocusPaneDetailView> alive(this);
    const int answer = AlertPresenter::current().runModal(request).button;
    if (answer != AlertResponse::firstButton && answer != AlertResponse::secondButton) return;
    const TaskPtr done = manager->commandFromView({item}, [&] {
        if (answer == AlertResponse::firstButton) return manager->doDeleteOnlyThisOperatorWithEvent(item);
        return first ? manager->doDeleteAllOperatorWithEvent(item) : manager->doDeleteAllFutureOperatorWithEvent(item);
    });
    if (!done) qWarning() << "Event" << item->primaryKey() << "could not be deleted";
    if (alive) postTaskChanged(this);
}
