// Changes the person makes in the views while another program holds the
// database's write lock past the wait (or an exclusive one, which refuses
// reads too): each is refused whole, with the shown records, every row and
// the calendar store as they were, and the person is told once, in the alert
// the editors give. A cancel that changed nothing is no change: nothing is said.
#include "../TaskList/TaskListTestFixture.h"

#include "AccountProcedures.h"
#include "CalendarView.h"
#include "Clicks.h"
#include "CategoryBoxDetailView.h"
#include "CategoryDetailListItemView.h"
#include "CategoryDetailPanel.h"
#include "CreatingView.h"
#include "CategoryDetailView.h"
#include "CategoryPopOverDetailView.h"
#include "ConversationTableView.h"
#include "CustomNSTextField_Background.h"
#include "CustomNSView.h"
#include "CustomTextView.h"
#include "DayCalendarView.h"
#include "DetailViewController.h"
#include "DragSource.h"
#include "FocusPaneDetailView.h"
#include "FocusPaneItemView.h"
#include "FocusPaneView.h"
#include "ItemCommands.h"
#include "MainView.h"
#include "MainViewHeight.h"
#include "MonthCalendarView.h"
#include "MonthView.h"
#include "NoteContentView.h"
#include "NoteDetailView.h"
#include "NoteLinkPages.h"
#include "NoteView.h"
#include "LoopbackService.h"
#include "PlannerCellView.h"
#include "PlannerMonthView.h"
#include "PlannerWeeklyItemView.h"
#include "PopUpButton.h"
#include "PrefGeneralView.h"
#include "RecordStore.h"
#include "RecordingICalSync.h"
#include "SearchResultView.h"
#include "TagTokenDetailView.h"
#include "TagView.h"
#include "TaskListTableView.h"
#include "TaskListView.h"
#include "TaskView.h"
#include "TextTable.h"
#include "WeeklyPane.h"
#include "ZVComment.h"
#include "ZVWSync.h"
#include "Window.h"
#include "iCalSync.h"

#include <QApplication>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QMimeData>
#include <QMouseEvent>
#include <QTextEdit>

#include <algorithm>

#include <gtest/gtest.h>

namespace ViewChangesUnderLockTests {
namespace {

using namespace std::chrono_literals;

QString shownState(const TaskList& items, const CalendarList& categories, const Setting& setting)
{
    QStringList parts;
    for (const TaskPtr& item : items)
        parts << QStringLiteral("%1|%2|%3|%4|%5|%6|%7|%8|%9")
                     .arg(item->taskName(), item->notes(), item->tagList())
                     .arg(item->startTime().timeIntervalSince1970())
                     .arg(item->endTime().timeIntervalSince1970())
                     .arg(item->dueEnd().timeIntervalSince1970())
                     .arg(item->duration())
                     .arg(item->isSheduledTask())
                     .arg(item->calendarId())
                 + QStringLiteral("|%1").arg(item->npSortOrder());
    for (const CalendarPtr& category : categories)
        parts << QStringLiteral("%1|%2|%3|%4").arg(category->calendarName(), category->tagList())
                     .arg(category->colorNameId())
                     .arg(category->inVisible());
    parts << QStringLiteral("%1|%2|%3|%4|%5|%6|%7")
                 .arg(setting.zvwUserName())
                 .arg(setting.calendarDefID())
                 .arg(setting.durationDefEventVal())
                 .arg(setting.isWeekPlannerPinned())
                 .arg(setting.isMonthPlannerPinned())
                 .arg(setting.showWarningChangeTaskOrder())
                 .arg(setting.hasRightPage());
    return parts.join(QLatin1Char(';'));
}

class ViewChangesUnderLockTest : public TaskListTest {
protected:
    void SetUp() override
    {
        TaskListTest::SetUp();
        mainViewHeight = 700;
        Window::setAnimationDurationScale(0);
        NotePages::setCurrent(&NoteLinkPages::shared());
        auto store = std::make_unique<RecordingICalSync>();
        m_store = store.get();
        dataManager().setICalSync(std::move(store));
        setting().setAutoICalSync(1);
        // No question before any of the changes: only the refusal is asked.
        setting().setIsWarningForDeleting(0);
        setting().setShowWarningConvert2STask(0);
        setting().setShowWarningConvert2STaskAfterDeadline(0);
        m_window = std::make_unique<Window>(QRectF(100, 100, 500, 300), BorderlessWindowMask);
        m_anchor = new View(QRectF(10, 10, 200, 55));
        m_window->contentView()->addSubview(m_anchor);
        m_window->orderFront();
        m_monthView = std::make_unique<MonthView>(QRectF(0, 0, 280, 243));
        m_monthView->monthCalendarView()->setCurrentDay(localDate(2014, 1, 15), false);
        m_dayPane = std::make_unique<DayCalendarView>(QRectF(0, 0, 500, 700));
        m_dayPane->setMonthView(m_monthView.get());
        m_grid = std::make_unique<CalendarView>(QRectF(0, 0, 500, 700));
        m_grid->setMonthView(m_monthView.get());
        m_usualWait = RecordStore::busyTimeout();
        RecordStore::setBusyTimeout(100ms);
    }
    void TearDown() override
    {
        RecordStore::setBusyTimeout(m_usualWait);
        m_mainWindow.reset();
        m_monthPlanner.reset();
        m_prefs.reset();
        m_results.reset();
        m_planner.reset();
        m_taskPane.reset();
        m_controller.reset();
        m_panel.reset();
        m_grid.reset();
        m_dayPane.reset();
        m_monthView.reset();
        m_window.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        dataManager().setICalSync(nullptr);
        NotePages::setCurrent(nullptr);
        Window::setAnimationDurationScale(1);
        TaskListTest::TearDown();
    }

    // Every row of every table, as a new start would read them.
    QString rows()
    {
        QStringList tables;
        sqlite3_stmt* statement = nullptr;
        sqlite3_prepare_v2(db(), "SELECT name FROM sqlite_master WHERE type='table' ORDER BY name", -1, &statement, nullptr);
        while (sqlite3_step(statement) == SQLITE_ROW)
            tables << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)));
        sqlite3_finalize(statement);
        QStringList all;
        for (const QString& table : tables) {
            const QByteArray sql = QStringLiteral("SELECT * FROM \"%1\" ORDER BY 1").arg(table).toUtf8();
            EXPECT_EQ(sqlite3_prepare_v2(db(), sql.constData(), -1, &statement, nullptr), SQLITE_OK);
            while (sqlite3_step(statement) == SQLITE_ROW) {
                QStringList row{table};
                for (int column = 0; column < sqlite3_column_count(statement); ++column)
                    row << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, column)));
                all << row.join(QLatin1Char('|'));
            }
            sqlite3_finalize(statement);
        }
        return all.join(QLatin1Char('\n'));
    }

    TaskView* placed(const TaskPtr& item, bool squareBox, double startHour, double hours)
    {
        auto* box = new TaskView(QRectF(CalendarView::boxLeft, CalendarView::hourHeight * startHour + CalendarView::firstLineY,
                                        200, CalendarView::hourHeight * hours));
        box->setParentView(m_grid.get());
        box->setIsSquareBox(squareBox);
        box->setHighlight(false);
        box->setTask(item);
        m_grid->contentView()->addSubview(box);
        return box;
    }
    DetailViewController& controller()
    {
        m_controller = std::make_unique<DetailViewController>();
        return *m_controller;
    }
    TaskPtr note() { return add(3, QStringLiteral("Milk"), [](Task& t) { t.setNotes(QStringLiteral("Milk")); }); }
    // A click of the secondary button on the item's row of a task list, as
    // its menu opens: the row becomes the selected one.
    TaskListTableView& taskListWith(const TaskPtr& item)
    {
        m_taskPane = std::make_unique<TaskListView>(QRectF(0, 0, 280, 500));
        m_taskPane->reloadTaskIfNeeded();
        TaskListTableView& list = *m_taskPane->taskListTableView();
        for (int row = 0; row < list.numberOfRows(); ++row) {
            auto* view = qobject_cast<TaskListItemView*>(list.itemAtRow(row));
            if (!view || view->task()->primaryKey() != item->primaryKey()) continue;
            Event click;
            click.type = EventType::RightMouseDown;
            click.clickCount = 1;
            click.locationInWindow = list.convertPointToWindow(list.rectOfRow(row).center());
            EXPECT_FALSE(list.menuForEvent(click).items().empty());
        }
        return list;
    }
    FocusPaneDetailView& focusListWith(const TaskPtr& item)
    {
        FocusPaneDetailView& list = *m_dayPane->focusPaneView()->focusPaneDetailView();
        auto* row = new FocusPaneItemView();
        row->setTask(item);
        list.setArrayOfTasks({row});
        list.selectRowIndexes({0}, false);
        EXPECT_EQ(list.selectedTask(), item);
        return list;
    }
    SearchResultView& searchResultsWith(const TaskPtr& item)
    {
        m_results = std::make_unique<SearchResultView>(QRectF(0, 0, 300, 400));
        m_results->loadSearchResultWithSearchText(item->taskName());
        Event press;
        press.type = EventType::LeftMouseDown;
        press.clickCount = 1;
        press.timestamp = 10;
        press.locationInWindow = m_results->convertPointToWindow(m_results->rectOfRow(1).center());
        m_results->mouseDown(press);
        EXPECT_EQ(m_results->selectedTask(), item);
        return *m_results;
    }
    // The row pressed and dragged, and dropped at the top of the other row,
    // as the drag loop plays it.
    void dragRow(TaskListTableView& list, int from, int to)
    {
        DragSource::setRunner([&list, to](DragSource::Drag& drag) {
            const QPoint at = (list.rectOfRow(to).topLeft() + QPointF(20, 2)).toPoint();
            QDragEnterEvent enter(at, Qt::MoveAction, drag.payload.get(), Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(&list, &enter);
            QDragMoveEvent move(at, Qt::MoveAction, drag.payload.get(), Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(&list, &move);
            QDropEvent drop(QPointF(at), Qt::MoveAction, drag.payload.get(), Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(&list, &drop);
            return DragSource::Outcome{drop.isAccepted() ? DragOperationGeneric : DragOperationNone, {}};
        });
        Event press;
        press.type = EventType::LeftMouseDown;
        press.clickCount = 1;
        press.timestamp = 100;
        press.locationInWindow = list.convertPointToWindow(list.rectOfRow(from).center());
        list.mouseDown(press);
        Event dragged = press;
        dragged.type = EventType::LeftMouseDragged;
        dragged.clickCount = 0;
        dragged.timestamp = 100.1;
        dragged.locationInWindow = list.convertPointToWindow(list.rectOfRow(from).center() + QPointF(0, 6));
        list.mouseDragged(dragged);
        m_scheduler.advance(2);
        DragSource::setRunner({});
    }
    // A block of the week planner's hour grid, from 9 to 10 on the 15th.
    PlannerWeeklyItemView* plannerBlock(const TaskPtr& item)
    {
        m_planner = std::make_unique<WeeklyPane>(QRectF(0, 0, 760, 1175));
        m_planner->setItemWidth(100);
        m_planner->setItemCellHeight(100);
        m_planner->setStartDate(localDate(2014, 1, 12));
        const auto y = [](double hour) { return PlannerItemRules::firstHourY + PlannerItemRules::hourHeight * hour; };
        auto* block = new PlannerWeeklyItemView(QRectF(160, y(9), 100, y(10) - y(9)));
        block->setParentView(m_planner.get());
        block->setIsSquareBox(true);
        block->setTask(item);
        m_planner->addToTaskList(block);
        return block;
    }

    RecordingICalSync* m_store = nullptr;
    std::unique_ptr<Window> m_window;
    View* m_anchor = nullptr;
    std::unique_ptr<MonthView> m_monthView;
    std::unique_ptr<DayCalendarView> m_dayPane;
    std::unique_ptr<CalendarView> m_grid;
    std::unique_ptr<CategoryDetailPanel> m_panel;
    std::unique_ptr<DetailViewController> m_controller;
    std::unique_ptr<TaskListView> m_taskPane;
    std::unique_ptr<SearchResultView> m_results;
    std::unique_ptr<WeeklyPane> m_planner;
    std::unique_ptr<PlannerMonthView> m_monthPlanner;
    std::unique_ptr<PrefGeneralView> m_prefs;
    std::unique_ptr<View> m_mainWindow;
    MainView* m_main = nullptr;
    ScriptedAlertPresenter* m_alerts = nullptr;
    std::chrono::milliseconds m_usualWait{};
};

TEST_F(ViewChangesUnderLockTest, EveryChangeMadeInAViewIsRefusedWholeAndTold)
{
    const QString typed = QStringLiteral("Renamed");
    const QString ann = QStringLiteral("ann@example.com");
    LoopbackService service;
    service.addAccount(ann, QStringLiteral("secret"));
    const auto at = [](int hour) { return localDate(2014, 1, 15, hour); };
    const auto inStore = [](Task& t) { t.setICalUID(QStringLiteral("uid-%1").arg(t.taskName())); };
    struct Shown {
        TaskList items;
        CalendarList categories;
    };
    struct Case {
        const char* name;
        std::function<Shown()> make;
        std::function<void(const Shown&)> act;
        // Questions answered OK, the do-not-ask-again box ticked, before the
        // change is refused.
        int questions = 0;
        // What the other program holds: a write lock, or an exclusive one.
        const char* hold = "BEGIN IMMEDIATE";
        // The text of the refusal; none when nothing was changed.
        const char* told = "changeNotSavedText";
    };
    const char* exclusive = "BEGIN EXCLUSIVE";
    // The project panel shown; a colour tried in its box is stored at once.
    const auto projectPanel = [&](bool colourTried) {
        return [&, colourTried] {
            const CalendarPtr category = addCategory(0, 0);
            m_panel = std::make_unique<CategoryDetailPanel>();
            m_panel->categoryDetailView()->setCalendar(category);
            m_panel->orderFront();
            if (colourTried) m_panel->categoryDetailView()->boxView()->setColor(5);
            return Shown{{}, {category}};
        };
    };
    const Case cases[] = {
        {"project panel: a new name, a tag and the default",
         [&] {
             const CalendarPtr category = addCategory(0, 0);
             category->setCalendarName(QStringLiteral("Work"));
             category->setICalUID(QStringLiteral("uid-work"));
             EXPECT_TRUE(category->dehydrate());
             m_panel = std::make_unique<CategoryDetailPanel>();
             m_panel->categoryDetailView()->setCalendar(category);
             return Shown{{task(QStringLiteral("Call"), [&](Task& t) {
                               t.setCalendarId(category->primaryKey());
                               t.setTagList(QStringLiteral("/Errand"));
                           })},
                          {category}};
         },
         [&](const Shown& shown) {
             CategoryDetailView* view = m_panel->categoryDetailView();
             view->boxView()->categoryNameTextField()->setStringValue(typed);
             view->boxView()->tagDetailView()->setObjectValue({QStringLiteral("Errand")});
             view->boxView()->defaultBtn()->setState(1);
             view->okEdit();
         }},
        {"project panel: a colour picked",
         [&] {
             const CalendarPtr category = addCategory(0, 0);
             m_panel = std::make_unique<CategoryDetailPanel>();
             m_panel->categoryDetailView()->setCalendar(category);
             return Shown{{}, {category}};
         },
         [&](const Shown&) {
             CategoryBoxDetailView* box = m_panel->categoryDetailView()->boxView();
             const qint64 stored = box->posOfColor();
             m_alerts->setWhileRunning([box, stored] { EXPECT_EQ(box->posOfColor(), stored) << "not under the alert either"; });
             box->setColor(stored + 5);
             m_alerts->setWhileRunning({});
             EXPECT_EQ(box->posOfColor(), stored) << "the swatch shows the stored colour";
             EXPECT_EQ(box->colorBtn()->image(), box->arrayOfColorImg()[std::size_t(stored)]);
         }},
        {"day grid: an event's bottom edge dragged",
         [&] { return Shown{{event(QStringLiteral("Review"), at(9), at(10), inStore)}, {}}; },
         [&](const Shown& shown) { Clicks::dragBottomEdge(placed(shown.items.front(), true, 9, 1), 23); }},
        {"day grid: a task piece's edge dragged",
         [&] { return Shown{{task(QStringLiteral("Write"), [](Task& t) { t.setDuration(60); })}, {}}; },
         [&](const Shown& shown) { Clicks::dragBottomEdge(placed(shown.items.front(), false, 11, 1), 46); }},
        {"focus pane: a task dropped", [&] { return Shown{{task(QStringLiteral("Invoice"), inStore)}, {}}; },
         [&](const Shown& shown) {
             QMimeData data;
             Task::writeItemsToPasteboard(data, shown.items);
             m_dayPane->focusPaneView()->performDragOperation(data, true);
         }},
        {"item row: renamed in place", [&] { return Shown{{task(QStringLiteral("Call"))}, {}}; },
         [&](const Shown& shown) { rowFor(shown.items.front())->changeTaskName(typed); }},
        {"note editor: a new text", [&] { return Shown{{note()}, {}}; },
         [&](const Shown& shown) {
             controller().editNote(shown.items.front(), m_anchor, m_anchor);
             auto* view = qobject_cast<NoteView*>(m_controller->customView());
             ASSERT_NE(view, nullptr);
             view->contentView()->setContentText(typed);
             view->visibleRevertButton();
             view->saveChanges(true);
         }},
        {"note detail page: a tag", [&] { return Shown{{note()}, {}}; },
         [&](const Shown& shown) {
             auto* pane = new NoteContentView(QRectF(0, 0, 200, 55), QString(), m_anchor);
             pane->setContent(shown.items.front());
             pane->setRootView(m_anchor);
             controller().editNote(shown.items.front(), pane, m_anchor);
             auto* page = qobject_cast<NoteDetailView*>(m_controller->customView());
             ASSERT_NE(page, nullptr);
             page->tagDetailView()->setObjectValue({QStringLiteral("Errand")});
             page->doneEditNote();
         }},
        {"note detail page: a tag, reads refused too", [&] { return Shown{{note()}, {}}; },
         [&](const Shown& shown) {
             auto* pane = new NoteContentView(QRectF(0, 0, 200, 55), QString(), m_anchor);
             pane->setContent(shown.items.front());
             pane->setRootView(m_anchor);
             controller().editNote(shown.items.front(), pane, m_anchor);
             auto* page = qobject_cast<NoteDetailView*>(m_controller->customView());
             ASSERT_NE(page, nullptr);
             page->tagDetailView()->setObjectValue({QStringLiteral("Errand")});
             page->doneEditNote();
             EXPECT_TRUE(m_controller->popover() && m_controller->popover()->isShown()) << "the page stays open";
         }, 0, exclusive},
        {"tag list: a tag added", [&] { return Shown{}; },
         [&](const Shown&) {
             TagView view;
             view.addNewTag()->setStringValue(QStringLiteral("Errand"));
             view.addTag();
         }},
        {"a task deleted", [&] { return Shown{{task(QStringLiteral("Old"), inStore)}, {}}; },
         [&](Shown shown) { ItemCommands::applyDelete(shown.items.front(), nullptr, ItemCommands::FutureButton::AsEvents); }},
        {"a task duplicated", [&] { return Shown{{task(QStringLiteral("Twice"))}, {}}; },
         [&](const Shown& shown) { ItemCommands::duplicate(shown.items.front()); }},
        {"a task dropped on the day grid's hours", [&] { return Shown{{task(QStringLiteral("Plan"), inStore)}, {}}; },
         [&](const Shown& shown) { m_grid->convertTaskToSTaskByDrag(shown.items.front(), 14, 0); }},
        {"task list menu: Do Today", [&] { return Shown{{task(QStringLiteral("Invoice"), inStore)}, {}}; },
         [&](const Shown& shown) { taskListWith(shown.items.front()).commandForAction(QStringLiteral("doToday:"))(); }},
        {"focus pane menu: Next Week", [&] { return Shown{{task(QStringLiteral("Invoice"), inStore)}, {}}; },
         [&](const Shown& shown) { focusListWith(shown.items.front()).commandForAction(QStringLiteral("doNextWeek:"))(); }},
        {"search results menu: Next Month", [&] { return Shown{{task(QStringLiteral("Quarterly bill"), inStore)}, {}}; },
         [&](const Shown& shown) { searchResultsWith(shown.items.front()).commandForAction(QStringLiteral("doNextMonth:"))(); }},
        {"week planner: a block's bottom edge dragged",
         [&] { return Shown{{event(QStringLiteral("Review"), at(9), at(10), inStore)}, {}}; },
         [&](const Shown& shown) { Clicks::dragBottomEdge(plannerBlock(shown.items.front()), 47); }},
        {"day grid: a piece reordered under a filtered list, asked not to ask again",
         [&] {
             setting().setShowWarningChangeTaskOrder(1);
             m_grid->setTaskListFilterQuery([] { return true; });
             return Shown{{task(QStringLiteral("First")), task(QStringLiteral("Second"))}, {}};
         },
         [&](const Shown& shown) { m_grid->changeTaskInfoByDrag(shown.items.front(), 0, QPointF(50, 0)); }, 1},
        {"preferences: a category hidden since the pane opened made the default",
         [&] {
             const CalendarPtr category = addCategory(0, 0);
             category->setCalendarName(QStringLiteral("Hidden"));
             EXPECT_TRUE(category->dehydrate());
             m_prefs = std::make_unique<PrefGeneralView>(QRectF(0, 0, 510, 542));
             category->setInVisible(1);
             EXPECT_TRUE(category->dehydrate());
             return Shown{{}, {category}};
         },
         [&](const Shown& shown) {
             PopUpButton* popUp = m_prefs->calendarBtn();
             for (int index = 0; index < popUp->numberOfItems(); ++index)
                 if (popUp->itemAtIndex(index)->isSelectable() && popUp->itemAtIndex(index)->tag == shown.categories.front()->primaryKey()) {
                     EXPECT_TRUE(popUp->performClickOnItem(index));
                 }
         }},
        {"preferences: the default length of events",
         [&] {
             m_prefs = std::make_unique<PrefGeneralView>(QRectF(0, 0, 510, 542));
             return Shown{};
         },
         [&](const Shown&) {
             PopUpButton* popUp = m_prefs->durationBtn();
             for (int index = 0; index < popUp->numberOfItems(); ++index)
                 if (popUp->itemAtIndex(index)->tag == 90) {
                     EXPECT_TRUE(popUp->performClickOnItem(index));
                 }
             EXPECT_EQ(popUp->selectedItem()->tag, setting().durationDefEventVal()) << "the pop-up shows what is stored";
         }},
        {"main window: the week planner chosen",
         [&] {
             m_mainWindow = std::make_unique<View>(QRectF(0, 0, 620, 700));
             m_main = new MainView(QRectF(0, 0, 620, 700), m_mainWindow.get());
             return Shown{};
         },
         [&](const Shown&) {
             m_main->weekPlannerShowHide();
             EXPECT_FALSE(m_main->isPlannerExpand()) << "the day view stays";
         }},
        {"main window: the list column shown or hidden",
         [&] {
             m_mainWindow = std::make_unique<View>(QRectF(0, 0, 620, 700));
             m_main = new MainView(QRectF(0, 0, 620, 700), m_mainWindow.get());
             return Shown{};
         },
         [&](const Shown&) {
             Button* button = m_main->showHideBtn();
             const int before = button->state();
             m_alerts->setWhileRunning([button, before] { EXPECT_EQ(button->state(), before) << "not under the alert either"; });
             button->performClick();
             m_alerts->setWhileRunning({});
             EXPECT_EQ(button->state(), before) << "the column stays as it was";
         }},
        {"note editor: Done while the text is still being typed", [&] { return Shown{{note()}, {}}; },
         [&](const Shown& shown) {
             controller().editNote(shown.items.front(), m_anchor, m_anchor);
             auto* view = qobject_cast<NoteView*>(m_controller->customView());
             ASSERT_NE(view, nullptr);
             QTextEdit* editor = view->contentView()->noteContent()->editor();
             editor->window()->activateWindow();
             QApplication::setActiveWindow(editor->window());
             editor->setFocus();
             QCoreApplication::processEvents();
             ASSERT_EQ(QApplication::focusWidget(), editor);
             editor->insertPlainText(typed);
             view->visibleRevertButton();
             view->doneEdit();
             EXPECT_TRUE(m_controller->popover() && m_controller->popover()->isShown()) << "the editor stays open";
         }},
        {"quick create popover: a new task", [&] { return Shown{}; },
         [&](const Shown&) {
             CreatingView view(QRectF(0, 0, 300, 200));
             auto item = std::make_shared<Task>();
             item->setTaskType(1);
             item->setTaskName(QStringLiteral("Locked out"));
             item->setCalendarId(1);
             EXPECT_FALSE(view.addNewTask(item));
         }},
        {"week planner: a scheduled task marked done",
         [&] { return Shown{{event(QStringLiteral("Call"), at(9), at(10), [&](Task& t) { inStore(t); t.setIsSheduledTask(1); })}, {}}; },
         [&](const Shown& shown) { plannerBlock(shown.items.front())->selectSTaskDone(); }},
        {"project panel: a scheduled task marked done",
         [&] {
             const CalendarPtr category = addCategory(0, 0);
             const TaskPtr item = event(QStringLiteral("Call"), at(9), at(10), [&](Task& t) {
                 inStore(t);
                 t.setIsSheduledTask(1);
                 t.setCalendarId(category->primaryKey());
             });
             m_panel = std::make_unique<CategoryDetailPanel>();
             m_panel->categoryDetailView()->setCalendar(category);
             m_panel->categoryDetailView()->loadData();
             m_panel->orderFront();
             // Its row's menu selects it.
             CategoryDetailListItemView& outline = *m_panel->categoryDetailView()->detailView();
             int row = 0;
             while (row < outline.rowCount() && !(CategoryDetailListItemView::recordOfRow(outline.itemAtRow(row))
                                                  && CategoryDetailListItemView::recordOfRow(outline.itemAtRow(row))->primaryKey()
                                                         == item->primaryKey()))
                 ++row;
             EXPECT_LT(row, outline.rowCount());
             Event click;
             click.type = EventType::RightMouseDown;
             click.clickCount = 1;
             click.locationInWindow = outline.convertPointToWindow(outline.rectOfRow(row).center());
             EXPECT_FALSE(outline.menuForEvent(click).items().empty());
             return Shown{{item}, {category}};
         },
         [&](const Shown&) { m_panel->categoryDetailView()->detailView()->commandForAction(QStringLiteral("selectSTaskDone:"))(); }},
        {"focus pane menu: pasted as a link",
         [&] {
             const TaskList items{task(QStringLiteral("Copied")), task(QStringLiteral("Target"))};
             dataManager().setCopiedItem(items.front()->copy());
             return Shown{items, {}};
         },
         [&](const Shown& shown) {
             focusListWith(shown.items.back()).commandForAction(QStringLiteral("pasteToMakeLink:"))();
             dataManager().setCopiedItem(nullptr);
         }},
        {"task list: a row dragged to the top under a forced order",
         [&] {
             const auto lasting = [](qint64 minutes) { return [minutes](Task& t) { t.setHasDuration(1); t.setDuration(minutes); }; };
             const TaskList items{task(QStringLiteral("Short"), lasting(15)), task(QStringLiteral("Long"), lasting(90))};
             m_taskPane = std::make_unique<TaskListView>(QRectF(0, 0, 280, 500));
             m_taskPane->setTodayTaskFilterIndex(7);
             m_taskPane->setForceSort(true);
             m_taskPane->reloadTaskIfNeeded();
             return Shown{items, {}};
         },
         [&](const Shown&) {
             TaskListTableView& list = *m_taskPane->taskListTableView();
             const std::vector<TableRowView*>& rows = list.rootItems();
             const auto first = std::find_if(rows.begin(), rows.end(), [](TableRowView* row) { return qobject_cast<TaskListItemView*>(row); });
             ASSERT_LT(first - rows.begin(), int(rows.size()) - 1);
             list.setItemBeingDrag(qobject_cast<TaskListItemView*>(rows.back()));
             list.changeOrderFromIndex(int(rows.size()) - 1, int(first - rows.begin()));
         }},
        {"project panel: the conversation opened on a new comment",
         [&] {
             const CalendarPtr category = addCategory(0, 0);
             auto comment = std::make_shared<ZVComment>();
             comment->setItemKey(category->primaryKey());
             comment->setType(ConversationTableView::categoryComments);
             comment->setContent(QStringLiteral("Seen?"));
             comment->setZvwKey(501);
             EXPECT_TRUE(comment->insertIntoDatabase(db()).has_value());
             m_panel = std::make_unique<CategoryDetailPanel>();
             m_panel->categoryDetailView()->setCalendar(category);
             m_panel->categoryDetailView()->loadData();
             return Shown{{}, {category}};
         },
         [&](const Shown&) { m_panel->categoryDetailView()->setFocusTab(CategoryDetailView::conversationTab); }},
        {"add-project form: a new category made the default", [&] { return Shown{}; },
         [&](const Shown&) {
             CategoryPopOverDetailView form;
             form.chooseType(0);
             form.defaultBtn()->setState(1);
             form.addCategory();
         }},
        {"preferences account pane: signed out with shared items kept here",
         [&] { return Shown{{task(QStringLiteral("Shared"), [](Task& t) { t.setIsShared(true); })}, {}}; },
         [&](const Shown&) { EXPECT_FALSE(AccountProcedures::signOut()); }},
        {"preferences account pane: signed in as another user",
         [&] {
             qputenv("ZORAVEL_SERVICE_URL", service.baseAddress().toUtf8());
             dataManager().setZVWSync(std::make_unique<ZVWSync>());
             internetReachable = true;
             setting().setZvwUserName(QStringLiteral("bob@example.com"));
             setting().setZvwPassword(QStringLiteral("bobs"));
             return Shown{};
         },
         [&](const Shown&) {
             EXPECT_FALSE(AccountProcedures::signIn(ann, QStringLiteral("secret")).isSignedIn());
             EXPECT_EQ(setting().zvwPassword(), QStringLiteral("bobs")) << "the account held before stays";
             qunsetenv("ZORAVEL_SERVICE_URL");
         }},
        {"task list: a row dragged to the top, reads refused too",
         [&] {
             const TaskList items{task(QStringLiteral("First")), task(QStringLiteral("Second"))};
             m_taskPane = std::make_unique<TaskListView>(QRectF(0, 0, 280, 500));
             m_taskPane->reloadTaskIfNeeded();
             return Shown{items, {}};
         },
         [&](const Shown&) {
             TaskListTableView& list = *m_taskPane->taskListTableView();
             dragRow(list, list.numberOfRows() - 1, 0);
         }, 0, exclusive},
        {"focus pane: a task dropped, reads refused too", [&] { return Shown{{task(QStringLiteral("Invoice"), inStore)}, {}}; },
         [&](const Shown& shown) {
             QMimeData data;
             Task::writeItemsToPasteboard(data, shown.items);
             m_dayPane->focusPaneView()->performDragOperation(data, true);
         }, 0, exclusive},
        {"focus pane menu: opened at once and Next Week chosen, reads refused too",
         [&] { return Shown{{task(QStringLiteral("Invoice"), inStore)}, {}}; },
         [&](const Shown& shown) {
             FocusPaneDetailView& list = focusListWith(shown.items.front());
             Event click;
             click.type = EventType::RightMouseDown;
             click.clickCount = 1;
             click.locationInWindow = list.convertPointToWindow(list.rectOfRow(0).center());
             // The usual wait for a lock: the menu must not take it.
             RecordStore::setBusyTimeout(2s);
             QElapsedTimer opening;
             opening.start();
             EXPECT_FALSE(list.menuForEvent(click).items().empty());
             EXPECT_LT(opening.elapsed(), 1000) << "the menu opens at once";
             RecordStore::setBusyTimeout(100ms);
             list.commandForAction(QStringLiteral("doNextWeek:"))();
         }, 0, exclusive},
        {"day grid: an event's bottom edge dragged, then the grid loaded again, reads refused too",
         [&] {
             const TaskPtr item = event(QStringLiteral("Standup"), at(16), at(17), inStore);
             m_grid->reloadData();
             return Shown{{item}, {}};
         },
         [&](const Shown& shown) {
             const auto boxOf = [&]() -> TaskView* {
                 for (const QPointer<TaskView>& box : m_grid->eventBoxes())
                     if (box && box->task()->primaryKey() == shown.items.front()->primaryKey()) return box;
                 return nullptr;
             };
             ASSERT_NE(boxOf(), nullptr);
             Clicks::dragBottomEdge(boxOf(), 23);
             m_grid->reloadData();
             ASSERT_NE(boxOf(), nullptr);
             EXPECT_EQ(boxOf()->taskNameLabel()->stringValue(), QStringLiteral("Standup")) << "the box keeps the title it showed";
         }, 0, exclusive},
        {"task list row: a star set, reads refused too", [&] { return Shown{{task(QStringLiteral("Call"))}, {}}; },
         [&](const Shown& shown) {
             const auto row = rowFor(shown.items.front());
             Button* star = row->starBtn();
             m_alerts->setWhileRunning([star] { EXPECT_EQ(star->state(), 0) << "no star shows under the alert"; });
             star->performClick();
             m_alerts->setWhileRunning({});
             EXPECT_EQ(star->state(), 0);
         }, 0, exclusive},
        {"project panel: Cancel with nothing changed, reads refused too", projectPanel(false),
         [&](const Shown&) {
             m_panel->categoryDetailView()->boxView()->cancelBtn()->performClick();
             EXPECT_FALSE(m_panel->isVisible()) << "the panel closes";
         }, 0, exclusive, nullptr},
        {"project panel: closed after a colour was tried, reads refused too", projectPanel(true),
         [&](const Shown&) {
             TextField* name = m_panel->categoryDetailView()->boxView()->categoryNameTextField();
             name->setStringValue(typed);
             m_panel->performClose();
             EXPECT_TRUE(m_panel->isVisible()) << "the panel stays to be cancelled again";
             EXPECT_EQ(name->stringValue(), typed);
         }, 0, exclusive, "colorNotPutBackText"},
        // Last: the pinned planner stays pinned for what follows.
        {"month planner: a new all-day event from a day's menu",
         [&] {
             setting().setIsMonthPlannerPinned(1);
             m_monthPlanner = std::make_unique<PlannerMonthView>(QRectF(0, 0, 727, 574));
             return Shown{};
         },
         [&](const Shown&) {
             auto* cell = new PlannerCellView(QRectF(0, 0, 100, 90), m_monthPlanner.get());
             cell->setParentView(m_monthPlanner.get());
             cell->setCellDate(at(0));
             const qsizetype callsBefore = m_mainView->calls().size();
             cell->createNewADE();
             EXPECT_TRUE(m_mainView->calls().mid(callsBefore).filter(QStringLiteral("loading")).isEmpty()) << "no editor opens";
         }},
    };
    const QByteArray path = databasePath().toUtf8();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString refusal = TextTable::localizedString(QString::fromLatin1(c.told)).section(QLatin1Char(':'), 0, 0);
        if (c.told) ASSERT_FALSE(refusal.isEmpty());
        const Shown shown = c.make();
        const QString shownBefore = shownState(shown.items, shown.categories, setting());
        const QString rowsBefore = rows();
        const auto marksBefore = iCalSync::storeWritesDue();
        m_store->clearCalls();
        ScriptedAlertPresenter alerts;
        m_alerts = &alerts;
        for (int question = 0; question < c.questions; ++question) alerts.scriptButton(AlertResponse::firstButton, true);
        if (c.told) alerts.scriptButton(AlertResponse::firstButton);

        sqlite3* other = nullptr;
        ASSERT_EQ(sqlite3_open(path.constData(), &other), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(other, c.hold, nullptr, nullptr, nullptr), SQLITE_OK);
        c.act(shown);
        sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
        sqlite3_close(other);
        QCoreApplication::processEvents();

        EXPECT_EQ(shownState(shown.items, shown.categories, setting()), shownBefore) << "the shown records are as before";
        EXPECT_EQ(rows(), rowsBefore) << "the database is as before";
        EXPECT_TRUE(m_store->calls().isEmpty()) << "no store write is queued";
        EXPECT_EQ(iCalSync::storeWritesDue(), marksBefore);
        int told = 0;
        for (const AlertRequest& request : alerts.requests())
            told += request.messageText.startsWith(refusal) && request.messageText.contains(QLatin1String("database is locked"));
        EXPECT_EQ(alerts.requests().size(), (c.told ? 1 : 0) + c.questions) << "nothing else is asked";
        EXPECT_EQ(told, c.told ? 1 : 0) << "the person is told once why";
    }
}

}  // namespace
}  // namespace ViewChangesUnderLockTests
