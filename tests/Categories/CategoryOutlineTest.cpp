// The category outline over a real data manager and database: what a load
// shows, the host's operations, clicks, drags inside the task group, quick
// add and the row commands with their questions.
#include "../TaskList/TaskListTestFixture.h"

#include "Button.h"
#include "Calendar.h"
#include "CategoryDetailListItemView.h"
#include "DetailViewController.h"
#include "DragSource.h"
#include "DropTarget.h"
#include "Event.h"
#include "InfoListItemView.h"
#include "Screenshot.h"
#include "Setting.h"
#include "TextField.h"
#include "TextTable.h"
#include "Window.h"

#include <QApplication>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QStyleHints>

namespace CategoryOutlineTests {

QString text(const char* key) { return TextTable::localizedString(QString::fromLatin1(key)); }
QString header(const char* key) { return QStringLiteral("# ") + text(key); }

// The detail view, reduced to what the outline asks of its host.
class RecordingHost : public QObject, public CategoryDetailListHost {
public:
    CategoryDetailListItemView* outline = nullptr;
    int loads = 0;
    View top, bottom;
    void loadData() override
    {
        ++loads;
        outline->loadData();
    }
    View* topItemTemp() const override { return const_cast<View*>(&top); }
    View* bottomItemTemp() const override { return const_cast<View*>(&bottom); }
};

class CategoryOutlineTest : public TaskListTest {
protected:
    void SetUp() override
    {
        TaskListTest::SetUp();
        m_interval = QGuiApplication::styleHints()->mouseDoubleClickInterval();
        QGuiApplication::styleHints()->setMouseDoubleClickInterval(400);
        window = std::make_unique<Window>(QRectF(100, 100, 340, 620), BorderlessWindowMask);
        outline = new CategoryDetailListItemView(QRectF(0, 0, 340, 620));
        window->contentView()->addSubview(outline);
        host.outline = outline;
        outline->setParentView(&host);
        window->makeKeyAndOrderFront();
        category = Calendar::initWithPrimaryKey(1, db());
        outline->setCalendar(category);
    }
    void TearDown() override
    {
        DragSource::setRunner({});
        window.reset();
        QGuiApplication::styleHints()->setMouseDoubleClickInterval(m_interval);
        TaskListTest::TearDown();
    }

public:
    // Items are added to category 1, the one the outline shows.
    using TaskListTest::add;
    TaskPtr ordered(const QString& name, qint64 order, qint64 status = 0)
    {
        return task(name, [=](Task& t) {
            t.setTaskOrder(order);
            t.setStatus(status);
        });
    }
    TaskPtr weekly(const QString& name, const Date& start, bool allDay = false)
    {
        return event(name, start, start.dateByAddingTimeInterval(3600), [&](Task& t) {
            t.setRepeatType(2);
            t.setRepeatStartDate(start);
            t.setOccurrence(start);
            t.setIsADE(allDay ? 1 : 0);
        });
    }

protected:
    void load() { outline->loadData(), QCoreApplication::sendPostedEvents(); }
    // The rows as shown: "# title" for a header, "+" for the quick-add row,
    // else the record's name.
    QStringList shown() const
    {
        QStringList rows;
        for (int row = 0; row < outline->rowCount(); ++row) {
            TableRowView* item = outline->itemAtRow(row);
            if (auto* info = qobject_cast<InfoListItemView*>(item))
                rows << (info->quickAddTask()->isHidden() ? QStringLiteral("# ") + info->leftTextField()->stringValue()
                                                          : QStringLiteral("+"));
            else if (const TaskPtr record = CategoryDetailListItemView::recordOfRow(item))
                rows << record->taskName();
        }
        return rows;
    }
    int rowNamed(const QString& name) const { return int(shown().indexOf(name)); }
    TaskPtr recordAt(const QString& name) const { return CategoryDetailListItemView::recordOfRow(outline->itemAtRow(rowNamed(name))); }
    InfoListItemView* taskHeader() const { return outline->rootItems().front(); }
    Event pressOn(int row, double time, EventType type = EventType::LeftMouseDown) const
    {
        Event event;
        event.type = type;
        event.clickCount = 1;
        event.timestamp = time;
        event.locationInWindow = outline->convertPointToWindow(outline->rectOfRow(row).center());
        return event;
    }
    Menu rightClick(int row) { return outline->menuForEvent(pressOn(row, 1, EventType::RightMouseDown)); }
    void click(int row, double time)
    {
        outline->mouseDown(pressOn(row, time));
        outline->mouseUp(pressOn(row, time, EventType::LeftMouseUp));
    }

    // Drags the row from the outline (or another view of the program) and
    // drops it on the target at the proposed child index.
    struct Drop {
        unsigned validated = DragOperationNone;
        bool accepted = false;
        bool sourceIsOutlineRow = false;
    };
    Drop dragRow(int row, TableRowView* target, int childIndex, View* source = nullptr)
    {
        Drop drop;
        DragSource::setRunner([&](DragSource::Drag& drag) {
            const DraggingInfo info(outline, drag.payload.get(), QPointF(10, 10));
            drop.sourceIsOutlineRow = info.sourceInherits("CategoryDetailListItemView");
            drop.validated = outline->validateDrop(info, target, childIndex);
            if (drop.validated != DragOperationNone) drop.accepted = outline->acceptDrop(info, target, childIndex);
            return DragSource::Outcome{drop.accepted ? DragOperationGeneric : DragOperationNone, {}};
        });
        QImage image(20, 20, QImage::Format_ARGB32_Premultiplied);
        DragSource::beginDrag(source ? source : outline, outline, outline->pasteboardWriterForItem(outline->itemAtRow(row)),
                              image, QPointF(0, 20), pressOn(row, 1), DragOperationGeneric);
        QCoreApplication::sendPostedEvents();
        return drop;
    }
    qint64 count(const QString& where) { return queryInt(QStringLiteral("SELECT COUNT(*) FROM Tasks WHERE ") + where); }

    std::unique_ptr<Window> window;
    CategoryDetailListItemView* outline = nullptr;
    RecordingHost host;
    CalendarPtr category;
    int m_interval = 400;
};

TEST_F(CategoryOutlineTest, LoadsTheGroupsTheCategoryHas)
{
    struct Case {
        const char* name;
        qint64 projectType;
        bool shared;
        std::function<void(CategoryOutlineTest&)> fill;
        QStringList rows;
        double totalHeight;
    };
    const std::vector<Case> cases = {
        {"not a project type", 1, false, [](CategoryOutlineTest& t) { t.ordered(QStringLiteral("T"), 1); }, {}, 0},
        {"empty", 0, false, {}, {header("taskText"), "+"}, 48},
        {"two tasks and a note", 0, false,
         [](CategoryOutlineTest& t) {
             t.ordered(QStringLiteral("B"), 2);
             t.ordered(QStringLiteral("A"), 1);
             t.add(3, QStringLiteral("N"));
         },
         {header("taskText"), "+", "A", "B", header("noteText"), "N"}, 233},
        {"shared", 0, true, [](CategoryOutlineTest& t) { t.ordered(QStringLiteral("S"), 1); }, {header("taskText"), "S"}, 75},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        exec(QStringLiteral("DELETE FROM Tasks"));
        category->setProjectType(c.projectType);
        category->setExtraStatus(c.shared ? 1 : 0);
        if (c.fill) c.fill(*this);
        load();
        const QStringList rows = shown();  // as vectors: Qt compares two empty lists through a null pointer
        EXPECT_EQ(std::vector<QString>(rows.begin(), rows.end()), std::vector<QString>(c.rows.begin(), c.rows.end()));
        EXPECT_EQ(outline->rootItems().empty(), c.rows.isEmpty());
        EXPECT_DOUBLE_EQ(outline->totalHeight(), c.totalHeight);
        if (c.shared) saveScreenshot(window.get(), QStringLiteral("category-outline-shared"));
    }
}

TEST_F(CategoryOutlineTest, GroupsHidesDoneTasksAndServesTheHostsOperations)
{
    const TaskPtr first = ordered(QStringLiteral("First"), 1);
    ordered(QStringLiteral("Second"), 2);
    const TaskPtr third = ordered(QStringLiteral("Third"), 3);
    const TaskPtr done = ordered(QStringLiteral("Done"), 4, 1);
    const TaskPtr series = weekly(QStringLiteral("Weekly"), localDate(2014, 1, 6, 9));
    event(QStringLiteral("Holiday"), localDate(2014, 1, 25, 0), localDate(2014, 1, 26, 0), [](Task& t) { t.setIsADE(1); });
    const TaskPtr errand = event(QStringLiteral("Errand"), localDate(2014, 1, 22, 9), localDate(2014, 1, 22, 10),
                                 [](Task& t) { t.setIsSheduledTask(true); });
    const TaskPtr note = add(3, QStringLiteral("Idea"));
    outline->setIsHiding(true);
    load();
    QStringList expected = {header("taskText"), "+", "First", "Second", "Third", header("ptaskText"), "Errand",
                            header("eventText"), "Holiday", "Weekly", header("noteText"), "Idea"};
    EXPECT_EQ(shown(), expected);
    EXPECT_EQ(recordAt(QStringLiteral("Weekly"))->parentId(), series->primaryKey()) << "shown as its occurrence";
    EXPECT_EQ(taskHeader()->showHide()->title(), text("showDoneText"));
    EXPECT_TRUE(std::any_of(outline->calTaskList().begin(), outline->calTaskList().end(),
                            [&](const TaskPtr& item) { return item->primaryKey() == done->primaryKey(); }));
    outline->selectRowIndexes({rowNamed(QStringLiteral("Holiday"))}, false);
    saveScreenshot(window.get(), QStringLiteral("category-outline-done-hidden"));

    // Keys re-read in place, an occurrence by its series' key.
    exec(QStringLiteral("UPDATE Tasks SET taskName=taskName||'!' WHERE primaryKey IN (%1,%2)").arg(first->primaryKey()).arg(series->primaryKey()));
    outline->reloadData(QHash<QString, QVariant>{{QString::number(first->primaryKey()), 1}, {QString::number(series->primaryKey()), 1}});
    expected.replace(2, QStringLiteral("First!"));
    expected.replace(9, QStringLiteral("Weekly!"));
    EXPECT_EQ(shown(), expected);

    ASSERT_TRUE(recordAt(QStringLiteral("First!"))->isTopGTDTask());
    outline->moveToTop(third);
    EXPECT_EQ(shown().mid(2, 3), (QStringList{"Third", "First!", "Second"}));
    EXPECT_TRUE(recordAt(QStringLiteral("Third"))->isTopGTDTask());
    EXPECT_FALSE(recordAt(QStringLiteral("First!"))->isTopGTDTask());

    EXPECT_TRUE(outline->revealToTask(done));
    EXPECT_FALSE(outline->isHiding());
    EXPECT_EQ(host.loads, 1);
    EXPECT_EQ(outline->selectedRow(), rowNamed(QStringLiteral("Done")));
    EXPECT_EQ(taskHeader()->showHide()->title(), text("hideDoneText"));
    saveScreenshot(window.get(), QStringLiteral("category-outline-done-shown"));
    EXPECT_FALSE(outline->revealToTask(errand));
    ASSERT_TRUE(outline->showPopupEditDetail(note));
    const auto& request = outline->detailViewController()->lastRequest();
    EXPECT_EQ(request.request, DetailViewController::Request::NoteEditor);
    EXPECT_EQ(request.item->primaryKey(), note->primaryKey());
    EXPECT_EQ(request.parentView.data(), outline->selectedItem());
    taskHeader()->selectShowHide();
    EXPECT_TRUE(outline->isHiding());
    EXPECT_EQ(rowNamed(QStringLiteral("Done")), -1);
    outline->setHidden(true);
    EXPECT_FALSE(outline->revealToTask(done));

    // Done rows counted into the place can take it past the group's end.
    exec(QStringLiteral("DELETE FROM Tasks"));
    category->setExtraStatus(1);
    ordered(QStringLiteral("D1"), 1, 1);
    const TaskPtr second = ordered(QStringLiteral("D2"), 2, 1);
    outline->setIsHiding(false);
    load();
    outline->moveToTop(second);
    EXPECT_EQ(shown(), (QStringList{header("taskText"), "D1", "D2"}));
}

// A load asked while a load runs (a save rebuilding through the host), or
// under an open question, runs once afterwards and not inside.
class ReenteringOutline : public CategoryDetailListItemView {
public:
    using CategoryDetailListItemView::CategoryDetailListItemView;
    int reenter = 0;
    int reloads = 0;
    void reloadData() override
    {
        ++reloads;
        CategoryDetailListItemView::reloadData();
        if (reenter-- > 0) loadData();
    }
};

TEST_F(CategoryOutlineTest, ALoadAskedDuringALoadOrAQuestionRunsOnceAfterIt)
{
    ordered(QStringLiteral("A"), 1);
    ordered(QStringLiteral("B"), 2);
    ReenteringOutline nested(QRectF(0, 0, 340, 300));
    nested.setCalendar(category);
    nested.loadData();
    const int perLoad = nested.reloads;
    nested.reloads = 0;
    nested.reenter = 1;
    nested.loadData();
    EXPECT_EQ(nested.reloads, 2 * perLoad);
    EXPECT_EQ(nested.rowCount(), 4);

    setting().setIsWarningForDeleting(1);
    load();
    rightClick(rowNamed(QStringLiteral("A")));
    TableRowView* rowBefore = outline->itemAtRow(3);
    TableRowView* rowDuring = nullptr;
    m_alerts.setWhileRunning([&] {
        outline->loadData();
        outline->loadData();
        rowDuring = outline->itemAtRow(3);
    });
    m_alerts.scriptButton(AlertResponse::firstButton);
    outline->applyDelete();
    EXPECT_EQ(rowDuring, rowBefore);
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(shown().mid(2), QStringList{"B"});
}

TEST_F(CategoryOutlineTest, ClicksFocusTheQuickAddFieldSelectAndOpenTheEditorOnADoubleClick)
{
    ordered(QStringLiteral("A"), 1);
    load();
    click(1, 10);
    QApplication::processEvents();
    EXPECT_EQ(window->focusWidget(), static_cast<QWidget*>(outline->quickAddField()->editor()));
    EXPECT_EQ(outline->selectedItem(), nullptr);
    saveScreenshot(window.get(), QStringLiteral("category-outline-quick-add-focus"));
    click(0, 20);
    EXPECT_EQ(outline->selectedItem(), nullptr);
    m_scheduler.advance(2);
    click(2, 30);  // the second press after the interval only selects
    m_scheduler.advance(1);
    click(2, 31);
    EXPECT_EQ(outline->selectedItem(), outline->itemAtRow(2));
    EXPECT_EQ(outline->detailViewController(), nullptr);
    click(2, 31.3);
    ASSERT_NE(outline->detailViewController(), nullptr);
    EXPECT_EQ(outline->detailViewController()->lastRequest().positioningView.data(), outline->itemAtRow(2));
}

TEST_F(CategoryOutlineTest, ReordersTasksByDragKeepingTheirOrderValues)
{
    struct Case {
        const char* dragged;
        int childIndex;
        QStringList rows;
    };
    const std::vector<Case> cases = {
        {"T2", 5, {"T1", "T3", "T4", "T2"}}, {"T3", 1, {"T3", "T1", "T2", "T4"}}, {"T3", -1, {"T3", "T1", "T2", "T4"}},
        {"T4", 0, {"T4", "T1", "T2", "T3"}}, {"T2", 2, {"T1", "T2", "T3", "T4"}},
    };
    int posts = 0;
    QObject observer;
    NotificationCenter::defaultCenter().addObserver(&observer, kTaskOrderChanged, nullptr, [&](const Notification&) { ++posts; });
    for (const Case& c : cases) {
        SCOPED_TRACE(c.dragged);
        exec(QStringLiteral("DELETE FROM Tasks"));
        for (int i = 1; i <= 4; ++i) ordered(QStringLiteral("T%1").arg(i), 10 * i);
        load();
        posts = 0;
        const Drop drop = dragRow(rowNamed(QString::fromLatin1(c.dragged)), taskHeader(), c.childIndex);
        EXPECT_EQ(drop.validated, unsigned(DragOperationMove));
        EXPECT_TRUE(drop.accepted && drop.sourceIsOutlineRow);
        EXPECT_EQ(shown().mid(2), c.rows);
        EXPECT_EQ(posts, 1);
        load();  // the stored orders give the same rows
        EXPECT_EQ(shown().mid(2), c.rows);
        EXPECT_EQ(queryInt(QStringLiteral("SELECT COUNT(DISTINCT taskOrder) FROM Tasks WHERE taskOrder IN (10,20,30,40)")), 4);
    }
    NotificationCenter::defaultCenter().removeObserver(&observer);
    std::vector<qint64> orders;
    for (const QString& name : cases.back().rows) orders.push_back(recordAt(name)->taskOrder());
    EXPECT_EQ(orders, (std::vector<qint64>{10, 20, 30, 40}));

    // A failed save keeps the stored order, the rows follow it again, and
    // the person is told.
    exec(QStringLiteral("CREATE TRIGGER refuseOrders BEFORE UPDATE ON Tasks BEGIN SELECT RAISE(ABORT, 'full'); END"));
    const int loads = host.loads;
    const qsizetype asked = m_alerts.requests().size();
    m_alerts.scriptButton(AlertResponse::firstButton);
    EXPECT_TRUE(dragRow(rowNamed(QStringLiteral("T4")), taskHeader(), 1).accepted);
    EXPECT_EQ(host.loads, loads + 1);
    EXPECT_EQ(m_alerts.requests().size(), asked + 1);
    EXPECT_EQ(shown().mid(2), cases.back().rows);
}

TEST_F(CategoryOutlineTest, RefusesForeignAndSharedDragsAndTurnsADroppedNoteIntoATask)
{
    ordered(QStringLiteral("Task"), 1);
    add(1, QStringLiteral("Shared"), [](Task& t) { t.setIsShared(true); });
    event(QStringLiteral("Meeting"), localDate(2014, 1, 20, 9), localDate(2014, 1, 20, 10));
    add(3, QStringLiteral("Idea"));
    load();
    View elsewhere(QRectF(0, 0, 50, 50));
    struct Case {
        const char* what;
        const char* row;
        TableRowView* target;
        View* source;
        bool validated, accepted;
    };
    for (const Case& c : std::vector<Case>{
             {"from another view", "Task", taskHeader(), &elsewhere, false, false},
             {"onto an item row", "Task", outline->itemAtRow(rowNamed(QStringLiteral("Shared"))), nullptr, false, false},
             {"a shared task", "Shared", taskHeader(), nullptr, false, false},
             {"onto the note header", "Task", outline->rootItems()[2], nullptr, true, false},
             {"an event", "Meeting", taskHeader(), nullptr, true, false},
             {"a note", "Idea", taskHeader(), nullptr, true, true},
         }) {
        SCOPED_TRACE(c.what);
        const Drop drop = dragRow(rowNamed(QString::fromLatin1(c.row)), c.target, 3, c.source);
        EXPECT_EQ(drop.validated != DragOperationNone, c.validated);
        EXPECT_EQ(drop.accepted, c.accepted);
    }
    EXPECT_EQ(count(QStringLiteral("taskType=1 AND taskName='Idea'")), 1);
}

TEST_F(CategoryOutlineTest, QuickAddMakesANamedTaskAndKeepsTheFocus)
{
    load();
    struct Case {
        QString typed;
        QString stored;  // empty: nothing made
    };
    for (const Case& c : {Case{QString(), QString()}, Case{QStringLiteral("Call"), QStringLiteral("Call")},
                          Case{QStringLiteral("   "), text("untitledText")}}) {
        SCOPED_TRACE(c.typed.toStdString());
        const qint64 before = count(QStringLiteral("1"));
        auto* row = qobject_cast<InfoListItemView*>(outline->itemAtRow(1));
        ASSERT_NE(row, nullptr);
        row->quickAddTask()->setStringValue(c.typed);
        EXPECT_TRUE(row->doCommand(row->quickAddTask(), FieldCommand::InsertNewline));
        EXPECT_EQ(count(QStringLiteral("1")), before + (c.stored.isEmpty() ? 0 : 1));
        if (c.stored.isEmpty()) continue;
        EXPECT_EQ(count(QStringLiteral("taskType=1 AND calendarId=%1 AND taskName='%2'").arg(category->primaryKey()).arg(c.stored)), 1);
        host.loadData();
        QApplication::processEvents();
        EXPECT_EQ(window->focusWidget(), static_cast<QWidget*>(outline->quickAddField()->editor()));
    }
}

TEST_F(CategoryOutlineTest, MenusSelectTheirRowAndCommandsActOnTheRowKindsTheyName)
{
    ordered(QStringLiteral("Task"), 1);
    const TaskPtr note = add(3, QStringLiteral("Idea"), [](Task& t) { t.setStartTime(localDate(2014, 1, 10, 9)); });
    load();
    EXPECT_TRUE(rightClick(0).items().empty());
    EXPECT_TRUE(rightClick(1).items().empty());
    outline->rightMouseDown(pressOn(rowNamed(QStringLiteral("Task")), 2, EventType::RightMouseDown));
    QMenu* shownMenu = outline->findChild<QMenu*>();
    ASSERT_NE(shownMenu, nullptr);
    EXPECT_EQ(outline->selectedRow(), rowNamed(QStringLiteral("Task")));
    saveScreenshot(shownMenu, QStringLiteral("category-outline-task-menu"));
    shownMenu->close();

    const Menu menu = rightClick(rowNamed(QStringLiteral("Idea")));
    EXPECT_EQ(outline->selectedRow(), rowNamed(QStringLiteral("Idea")));
    std::function<void()> convert;
    for (const MenuItem& item : menu.items())
        if (item.title == text("convertNote2TaskText")) convert = item.action;
    ASSERT_TRUE(convert);
    const QVariant startBefore = storedColumn(note->primaryKey(), QStringLiteral("startTime"));
    outline->commandForAction(QStringLiteral("doToday:"))();
    EXPECT_EQ(storedColumn(note->primaryKey(), QStringLiteral("startTime")), startBefore);
    convert();
    EXPECT_EQ(count(QStringLiteral("taskType=1 AND taskName='Idea'")), 1);
}

TEST_F(CategoryOutlineTest, DeletesAskAsTheSettingAndTheRepeatWant)
{
    setting().setIsWarningForDeleting(0);
    ordered(QStringLiteral("Task"), 1);
    add(1, QStringLiteral("Shared"), [](Task& t) { t.setIsShared(true); });
    event(QStringLiteral("Once"), localDate(2014, 1, 20, 9), localDate(2014, 1, 20, 10));
    weekly(QStringLiteral("Weekly"), localDate(2014, 1, 6, 9));
    const TaskPtr holiday = weekly(QStringLiteral("Holiday"), localDate(2014, 1, 6, 0), true);
    holiday->setOccurrence(localDate(2014, 1, 13, 0));
    ASSERT_TRUE(holiday->dehydrate());
    load();
    Event deleteKey;
    deleteKey.type = EventType::KeyDown;
    deleteKey.characters = deleteKey.charactersIgnoringModifiers = QString(QChar(KeyCharacter::Delete));
    outline->keyDown(deleteKey);  // nothing selected
    EXPECT_TRUE(m_alerts.requests().isEmpty());
    struct Case {
        const char* row;
        int questions;
        bool deleted;
    };
    for (const Case& c : {Case{"Task", 0, true}, Case{"Once", 0, true}, Case{"Weekly", 1, false}, Case{"Shared", 0, false}}) {
        SCOPED_TRACE(c.row);
        const int asked = int(m_alerts.requests().size());
        if (c.questions) m_alerts.scriptButton(AlertResponse::thirdButton);
        rightClick(rowNamed(QString::fromLatin1(c.row)));
        outline->keyDown(deleteKey);
        EXPECT_EQ(int(m_alerts.requests().size()) - asked, c.questions);
        load();
        EXPECT_EQ(rowNamed(QString::fromLatin1(c.row)) < 0, c.deleted);
    }
    // The repeat table itself is the shared delete body's, tested with the
    // search results.
    m_alerts.scriptButton(AlertResponse::thirdButton);
    rightClick(rowNamed(QStringLiteral("Holiday")));
    outline->applyDelete();
    EXPECT_EQ(m_alerts.requests().back().buttonTitles[1], text("allFutureEventsText"));
}

}  // namespace CategoryOutlineTests
