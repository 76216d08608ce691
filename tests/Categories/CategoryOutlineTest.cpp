// The category outline over a real data manager and database: what a load
// shows, refreshing rows in place, the top task, revealing, clicks, drags
// inside the task group, quick add and the row commands with their questions.
#include "../TaskList/TaskListTestFixture.h"

#include "Button.h"
#include "Calendar.h"
#include "CategoryDetailListItemView.h"
#include "DetailViewController.h"
#include "DragSource.h"
#include "DropTarget.h"
#include "Event.h"
#include "InfoListItemView.h"
#include "NoteListItemView.h"
#include "Screenshot.h"
#include "Setting.h"
#include "TextField.h"
#include "TextTable.h"
#include "Window.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMenu>
#include <QMimeData>
#include <QStyleHints>

namespace CategoryOutlineTests {

QString text(const char* key) { return TextTable::localizedString(QString::fromLatin1(key)); }

// The host of the real detail view, reduced to what the outline asks of it.
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
    TaskPtr inCategory(qint64 type, const QString& name, const std::function<void(Task&)>& shape = {})
    {
        return add(type, name, [&](Task& t) {
            t.setCalendarId(category->primaryKey());
            if (shape) shape(t);
        });
    }
    TaskPtr ordered(const QString& name, qint64 order) { return inCategory(1, name, [order](Task& t) { t.setTaskOrder(order); }); }
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
    void load()
    {
        outline->loadData();
        QCoreApplication::sendPostedEvents();
    }

    // The rows as shown: "# title" for a header, "+" for the quick-add row,
    // else the record's name.
    QStringList shown() const
    {
        QStringList rows;
        for (int row = 0; row < outline->rowCount(); ++row) {
            TableRowView* item = outline->itemAtRow(row);
            if (auto* info = qobject_cast<InfoListItemView*>(item))
                rows << (info->quickAddTask()->isHidden() ? QStringLiteral("# ") + info->leftTextField()->stringValue() : QStringLiteral("+"));
            else if (const TaskPtr record = CategoryDetailListItemView::recordOfRow(item))
                rows << record->taskName();
        }
        return rows;
    }
    int rowNamed(const QString& name) const { return int(shown().indexOf(name)); }
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
    void click(int row, double time)
    {
        Event press = pressOn(row, time);
        outline->mouseDown(press);
        press.type = EventType::LeftMouseUp;
        outline->mouseUp(press);
    }
    Event deleteKey() const
    {
        Event event;
        event.type = EventType::KeyDown;
        event.characters = QString(QChar(KeyCharacter::Delete));
        event.charactersIgnoringModifiers = event.characters;
        return event;
    }

    // Drags the row from the outline itself (or from another view of the
    // program) and drops it on the target at the proposed child index.
    struct Drop {
        unsigned validated = DragOperationNone;
        bool accepted = false;
        bool sourceIsOutlineRow = false;
    };
    Drop dragRow(int row, TableRowView* target, int childIndex, View* source = nullptr)
    {
        Drop drop;
        std::unique_ptr<QMimeData> payload = outline->pasteboardWriterForItem(outline->itemAtRow(row));
        if (!payload) return drop;
        DragSource::setRunner([&](DragSource::Drag& drag) {
            const DraggingInfo info(outline, drag.payload.get(), QPointF(10, 10));
            drop.sourceIsOutlineRow = info.sourceInherits("CategoryDetailListItemView");
            drop.validated = outline->validateDrop(info, target, childIndex);
            if (drop.validated != DragOperationNone) drop.accepted = outline->acceptDrop(info, target, childIndex);
            return DragSource::Outcome{drop.accepted ? DragOperationMove : DragOperationNone, {}};
        });
        struct Ending : DraggingSource {
            void draggingEnded(const QPointF&, unsigned) override {}
        } ending;
        QImage image(20, 20, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::gray);
        DragSource::beginDrag(source ? source : outline, &ending, std::move(payload), image, QPointF(0, 20),
                              pressOn(row, 1), DragOperationGeneric);
        QCoreApplication::sendPostedEvents();
        return drop;
    }

    qint64 storedOrder(const TaskPtr& item) { return storedColumn(item->primaryKey(), QStringLiteral("taskOrder")).toLongLong(); }

    std::unique_ptr<Window> window;
    CategoryDetailListItemView* outline = nullptr;
    RecordingHost host;
    CalendarPtr category;
    int m_interval = 400;
};

// ---- loading ----------------------------------------------------------------------------

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
    const QString tasks = QStringLiteral("# ") + text("taskText");
    const QString notes = QStringLiteral("# ") + text("noteText");
    const std::vector<Case> cases = {
        {"not a project type", 1, false, [](CategoryOutlineTest& t) { t.ordered(QStringLiteral("T"), 1); }, {}, 0},
        {"empty", 0, false, {}, {tasks, QStringLiteral("+")}, 48},
        {"two tasks and a note", 0, false,
         [](CategoryOutlineTest& t) {
             t.ordered(QStringLiteral("B"), 2);
             t.ordered(QStringLiteral("A"), 1);
             t.inCategory(3, QStringLiteral("N"));
         },
         {tasks, QStringLiteral("+"), QStringLiteral("A"), QStringLiteral("B"), notes, QStringLiteral("N")}, 233},
        {"shared", 0, true, [](CategoryOutlineTest& t) { t.ordered(QStringLiteral("S"), 1); }, {tasks, QStringLiteral("S")}, 75},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        exec(QStringLiteral("DELETE FROM Tasks"));
        category->setProjectType(c.projectType);
        category->setExtraStatus(c.shared ? 1 : 0);
        if (c.fill) c.fill(*this);
        load();
        EXPECT_EQ(shown(), c.rows);
        EXPECT_EQ(outline->rootItems().empty(), c.rows.isEmpty());
        EXPECT_DOUBLE_EQ(outline->totalHeight(), c.totalHeight);
        EXPECT_EQ(outline->quickAddField() != nullptr, c.rows.contains(QStringLiteral("+")));
        if (c.shared) saveScreenshot(window.get(), QStringLiteral("category-outline-shared"));
    }
}

TEST_F(CategoryOutlineTest, GroupsEventsOnceHidesDoneTasksAndShowsThemAgain)
{
    ordered(QStringLiteral("Open"), 1);
    const TaskPtr done = ordered(QStringLiteral("Done"), 2);
    done->setStatus(1);
    ASSERT_TRUE(done->dehydrate());
    weekly(QStringLiteral("Weekly"), localDate(2014, 1, 6, 9));
    event(QStringLiteral("Meeting"), localDate(2014, 1, 20, 9), localDate(2014, 1, 20, 10));
    event(QStringLiteral("Holiday"), localDate(2014, 1, 25, 0), localDate(2014, 1, 26, 0), [](Task& t) { t.setIsADE(1); });
    event(QStringLiteral("Errand"), localDate(2014, 1, 22, 9), localDate(2014, 1, 22, 10), [](Task& t) { t.setIsSheduledTask(true); });
    inCategory(3, QStringLiteral("Idea"));
    outline->setIsHiding(true);
    load();
    const QStringList hidden = {QStringLiteral("# ") + text("taskText"), QStringLiteral("+"), QStringLiteral("Open"),
                                QStringLiteral("# ") + text("ptaskText"), QStringLiteral("Errand"),
                                QStringLiteral("# ") + text("eventText"), QStringLiteral("Holiday"), QStringLiteral("Meeting"),
                                QStringLiteral("Weekly"), QStringLiteral("# ") + text("noteText"), QStringLiteral("Idea")};
    EXPECT_EQ(shown(), hidden);
    EXPECT_EQ(taskHeader()->showHide()->title(), text("showDoneText"));
    EXPECT_FALSE(taskHeader()->showHide()->isHidden());
    bool doneListed = false;
    for (const TaskPtr& item : outline->calTaskList()) doneListed = doneListed || item->primaryKey() == done->primaryKey();
    EXPECT_TRUE(doneListed);
    outline->selectRowIndexes({rowNamed(QStringLiteral("Meeting"))}, false);
    saveScreenshot(window.get(), QStringLiteral("category-outline-done-hidden"));

    taskHeader()->selectShowHide();
    QCoreApplication::sendPostedEvents();
    EXPECT_FALSE(outline->isHiding());
    EXPECT_EQ(host.loads, 1);
    EXPECT_EQ(shown().mid(2, 2), (QStringList{QStringLiteral("Open"), QStringLiteral("Done")}));
    EXPECT_EQ(taskHeader()->showHide()->title(), text("hideDoneText"));
    saveScreenshot(window.get(), QStringLiteral("category-outline-done-shown"));
}

TEST_F(CategoryOutlineTest, RefreshesChangedRowsInPlaceAndMovesATaskToTheTop)
{
    const TaskPtr first = ordered(QStringLiteral("First"), 1);
    ordered(QStringLiteral("Second"), 2);
    const TaskPtr third = ordered(QStringLiteral("Third"), 3);
    const TaskPtr series = weekly(QStringLiteral("Weekly"), localDate(2014, 1, 6, 9));
    load();
    const QStringList before = shown();
    exec(QStringLiteral("UPDATE Tasks SET taskName='Renamed' WHERE primaryKey=%1").arg(first->primaryKey()));
    exec(QStringLiteral("UPDATE Tasks SET taskName='Moved' WHERE primaryKey=%1").arg(series->primaryKey()));
    outline->reloadData(QHash<QString, QVariant>{{QString::number(first->primaryKey()), 1}, {QString::number(series->primaryKey()), 1}});
    QStringList expected = before;
    expected.replace(expected.indexOf(QStringLiteral("First")), QStringLiteral("Renamed"));
    expected.replace(expected.indexOf(QStringLiteral("Weekly")), QStringLiteral("Moved"));
    EXPECT_EQ(shown(), expected);

    const auto isTop = [this](const QString& name) {
        const TaskPtr record = CategoryDetailListItemView::recordOfRow(outline->itemAtRow(rowNamed(name)));
        return record && record->isTopGTDTask();
    };
    ASSERT_TRUE(isTop(QStringLiteral("Renamed")));
    outline->moveToTop(third);
    EXPECT_EQ(shown().mid(2, 3), (QStringList{QStringLiteral("Third"), QStringLiteral("Renamed"), QStringLiteral("Second")}));
    EXPECT_TRUE(isTop(QStringLiteral("Third")));
    EXPECT_FALSE(isTop(QStringLiteral("Renamed")));

    // Done rows counted into the place can take it past the group's end.
    exec(QStringLiteral("DELETE FROM Tasks"));
    category->setExtraStatus(1);
    ordered(QStringLiteral("D1"), 1)->setStatus(1);
    const TaskPtr second = ordered(QStringLiteral("D2"), 2);
    exec(QStringLiteral("UPDATE Tasks SET status=1"));
    load();
    const QStringList doneRows = shown();
    outline->moveToTop(second);
    EXPECT_EQ(shown(), doneRows);
}

TEST_F(CategoryOutlineTest, RevealsARecordAndOpensItsEditor)
{
    const TaskPtr done = ordered(QStringLiteral("Done"), 1);
    exec(QStringLiteral("UPDATE Tasks SET status=1"));
    const TaskPtr note = inCategory(3, QStringLiteral("Idea"));
    const TaskPtr scheduled = event(QStringLiteral("Errand"), localDate(2014, 1, 22, 9), localDate(2014, 1, 22, 10),
                                    [](Task& t) { t.setIsSheduledTask(true); });
    outline->setIsHiding(true);
    load();
    EXPECT_TRUE(outline->revealToTask(done));
    EXPECT_FALSE(outline->isHiding());
    EXPECT_EQ(outline->selectedRow(), rowNamed(QStringLiteral("Done")));
    EXPECT_EQ(CategoryDetailListItemView::recordOfRow(outline->selectedItem())->primaryKey(), done->primaryKey());
    EXPECT_FALSE(outline->revealToTask(scheduled));

    ASSERT_TRUE(outline->showPopupEditDetail(note));
    ASSERT_NE(outline->detailViewController(), nullptr);
    const auto& request = outline->detailViewController()->lastRequest();
    EXPECT_EQ(request.request, DetailViewController::Request::NoteEditor);
    EXPECT_EQ(request.item->primaryKey(), note->primaryKey());
    EXPECT_EQ(request.parentView.data(), outline->selectedItem());

    outline->setHidden(true);
    EXPECT_FALSE(outline->revealToTask(done));
}

// ---- clicks -------------------------------------------------------------------------------

TEST_F(CategoryOutlineTest, ClicksFocusTheQuickAddFieldSelectAndOpenTheEditorOnADoubleClick)
{
    ordered(QStringLiteral("A"), 1);
    ordered(QStringLiteral("B"), 2);
    load();
    click(1, 10);
    QApplication::processEvents();
    EXPECT_EQ(window->focusWidget(), outline->quickAddField()->editor());
    EXPECT_TRUE(outline->isQuickAddFocus());
    EXPECT_EQ(outline->selectedItem(), nullptr);
    saveScreenshot(window.get(), QStringLiteral("category-outline-quick-add-focus"));
    click(0, 20);
    EXPECT_EQ(outline->selectedItem(), nullptr);

    struct Case {
        double secondPress;
        bool opens;
    };
    for (const Case c : {Case{30.3, true}, Case{31, false}}) {
        SCOPED_TRACE(c.secondPress);
        m_scheduler.advance(2);
        click(2, 30);
        EXPECT_EQ(outline->selectedItem(), outline->itemAtRow(2));
        const int before = outline->detailViewController() ? outline->detailViewController()->requestCount() : 0;
        if (c.secondPress > 30.4) m_scheduler.advance(1);
        click(2, c.secondPress);
        const int after = outline->detailViewController() ? outline->detailViewController()->requestCount() : 0;
        EXPECT_EQ(after - before, c.opens ? 1 : 0);
        if (c.opens) {
            EXPECT_EQ(outline->detailViewController()->lastRequest().positioningView.data(), outline->itemAtRow(2));
        }
    }
}

// ---- drags --------------------------------------------------------------------------------

TEST_F(CategoryOutlineTest, ReordersTasksByDragKeepingTheirOrderValues)
{
    struct Case {
        const char* dragged;
        int childIndex;
        QStringList rows;
    };
    const std::vector<Case> cases = {
        {"T2", 5, {"T1", "T3", "T4", "T2"}},
        {"T3", 1, {"T3", "T1", "T2", "T4"}},
        {"T3", -1, {"T3", "T1", "T2", "T4"}},
        {"T4", 0, {"T4", "T1", "T2", "T3"}},
        {"T2", 2, {"T1", "T2", "T3", "T4"}},
    };
    int posts = 0;
    QObject observer;
    NotificationCenter::defaultCenter().addObserver(&observer, kTaskOrderChanged, nullptr, [&](const Notification&) { ++posts; });
    for (const Case& c : cases) {
        SCOPED_TRACE(c.dragged);
        exec(QStringLiteral("DELETE FROM Tasks"));
        TaskList made;
        for (int i = 1; i <= 4; ++i) made << ordered(QStringLiteral("T%1").arg(i), 10 * i);
        load();
        posts = 0;
        const Drop drop = dragRow(rowNamed(QString::fromLatin1(c.dragged)), taskHeader(), c.childIndex);
        EXPECT_EQ(drop.validated, unsigned(DragOperationMove));
        EXPECT_TRUE(drop.accepted);
        EXPECT_TRUE(drop.sourceIsOutlineRow);
        EXPECT_EQ(shown().mid(2), c.rows);
        std::vector<qint64> stored;
        for (const QString& name : c.rows)
            for (const TaskPtr& task : made)
                if (task->taskName() == name) stored.push_back(storedOrder(task));
        EXPECT_EQ(stored, (std::vector<qint64>{10, 20, 30, 40}));
        EXPECT_EQ(posts, 1);
        load();
        EXPECT_EQ(shown().mid(2), c.rows);
    }
    NotificationCenter::defaultCenter().removeObserver(&observer);

    // A failed save keeps the stored order and the rows follow it again.
    exec(QStringLiteral("CREATE TRIGGER refuseOrders BEFORE UPDATE ON Tasks BEGIN SELECT RAISE(ABORT, 'full'); END"));
    const int loads = host.loads;
    EXPECT_TRUE(dragRow(rowNamed(QStringLiteral("T4")), taskHeader(), 1).accepted);
    EXPECT_EQ(host.loads, loads + 1);
    EXPECT_EQ(shown().mid(2), cases.back().rows);
}

TEST_F(CategoryOutlineTest, RefusesForeignAndSharedDragsAndTurnsADroppedNoteIntoATask)
{
    const TaskPtr task = ordered(QStringLiteral("Task"), 1);
    const TaskPtr shared = ordered(QStringLiteral("Shared"), 2);
    shared->setIsShared(true);
    ASSERT_TRUE(shared->dehydrate());
    event(QStringLiteral("Meeting"), localDate(2014, 1, 20, 9), localDate(2014, 1, 20, 10));
    const TaskPtr note = inCategory(3, QStringLiteral("Idea"));
    load();
    View elsewhere(QRectF(0, 0, 50, 50));
    InfoListItemView* eventHeader = outline->rootItems()[1];
    InfoListItemView* noteHeader = outline->rootItems()[2];
    struct Case {
        const char* what;
        QString row;
        TableRowView* target;
        View* source;
        bool validated;
        bool accepted;
    };
    const std::vector<Case> cases = {
        {"from another view", QStringLiteral("Task"), taskHeader(), &elsewhere, false, false},
        {"onto an item row", QStringLiteral("Task"), outline->itemAtRow(rowNamed(QStringLiteral("Shared"))), nullptr, false, false},
        {"a shared task", QStringLiteral("Shared"), taskHeader(), nullptr, false, false},
        {"onto the note header", QStringLiteral("Task"), noteHeader, nullptr, true, false},
        {"an event", QStringLiteral("Meeting"), taskHeader(), nullptr, true, false},
        {"a note", QStringLiteral("Idea"), taskHeader(), nullptr, true, true},
    };
    (void)eventHeader;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Drop drop = dragRow(rowNamed(c.row), c.target, 3, c.source);
        EXPECT_EQ(drop.validated != DragOperationNone, c.validated);
        EXPECT_EQ(drop.accepted, c.accepted);
    }
    EXPECT_EQ(queryInt(QStringLiteral("SELECT COUNT(*) FROM Tasks WHERE taskType=1 AND taskName='Idea'")), 1);
}

// ---- quick add -------------------------------------------------------------------------------

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
        const int before = queryInt(QStringLiteral("SELECT COUNT(*) FROM Tasks"));
        auto* row = qobject_cast<InfoListItemView*>(outline->itemAtRow(1));
        ASSERT_NE(row, nullptr);
        row->quickAddTask()->setStringValue(c.typed);
        EXPECT_TRUE(row->doCommand(row->quickAddTask(), FieldCommand::InsertNewline));
        EXPECT_EQ(queryInt(QStringLiteral("SELECT COUNT(*) FROM Tasks")), before + (c.stored.isEmpty() ? 0 : 1));
        if (c.stored.isEmpty()) continue;
        EXPECT_EQ(queryInt(QStringLiteral("SELECT COUNT(*) FROM Tasks WHERE taskType=1 AND calendarId=%1 AND taskName='%2'")
                               .arg(category->primaryKey())
                               .arg(c.stored)),
                  1);
        host.loadData();
        QApplication::processEvents();
        EXPECT_EQ(window->focusWidget(), outline->quickAddField()->editor());
    }
}

// ---- menus and row commands --------------------------------------------------------------------

TEST_F(CategoryOutlineTest, MenusSelectTheirRowAndNoteCommandsActOnNotesOnly)
{
    ordered(QStringLiteral("Task"), 1);
    const TaskPtr note = inCategory(3, QStringLiteral("Idea"), [](Task& t) { t.setStartTime(localDate(2014, 1, 10, 9)); });
    load();
    EXPECT_TRUE(outline->menuForEvent(pressOn(0, 1, EventType::RightMouseDown)).items().empty());
    EXPECT_TRUE(outline->menuForEvent(pressOn(1, 1, EventType::RightMouseDown)).items().empty());
    const int noteRow = rowNamed(QStringLiteral("Idea"));
    const Menu menu = outline->menuForEvent(pressOn(noteRow, 1, EventType::RightMouseDown));
    EXPECT_EQ(outline->selectedRow(), noteRow);
    std::function<void()> convert;
    for (const MenuItem& item : menu.items())
        if (item.title == text("convertNote2TaskText")) convert = item.action;
    ASSERT_TRUE(convert);
    outline->rightMouseDown(pressOn(rowNamed(QStringLiteral("Task")), 2, EventType::RightMouseDown));
    QMenu* shownMenu = outline->findChild<QMenu*>();
    ASSERT_NE(shownMenu, nullptr);
    EXPECT_EQ(outline->selectedRow(), rowNamed(QStringLiteral("Task")));
    saveScreenshot(shownMenu, QStringLiteral("category-outline-task-menu"));
    shownMenu->close();
    outline->menuForEvent(pressOn(noteRow, 3, EventType::RightMouseDown));

    const QVariant startBefore = storedColumn(note->primaryKey(), QStringLiteral("startTime"));
    outline->commandForAction(QStringLiteral("doToday:"))();
    EXPECT_EQ(storedColumn(note->primaryKey(), QStringLiteral("startTime")), startBefore);
    convert();
    EXPECT_EQ(queryInt(QStringLiteral("SELECT COUNT(*) FROM Tasks WHERE taskType=1 AND taskName='Idea'")), 1);
}

TEST_F(CategoryOutlineTest, DeletesAskAsTheSettingAndTheRepeatWant)
{
    setting().setIsWarningForDeleting(0);
    const TaskPtr task = ordered(QStringLiteral("Task"), 1);
    event(QStringLiteral("Once"), localDate(2014, 1, 20, 9), localDate(2014, 1, 20, 10));
    const TaskPtr series = weekly(QStringLiteral("Weekly"), localDate(2014, 1, 6, 9));
    const TaskPtr holiday = weekly(QStringLiteral("Holiday"), localDate(2014, 1, 6, 0), true);
    holiday->setOccurrence(localDate(2014, 1, 13, 0));
    ASSERT_TRUE(holiday->dehydrate());
    load();
    outline->keyDown(deleteKey());  // nothing selected
    EXPECT_TRUE(m_alerts.requests().isEmpty());

    struct Case {
        QString row;
        int questions;
        bool deleted;
    };
    for (const Case& c : {Case{QStringLiteral("Task"), 0, true}, Case{QStringLiteral("Once"), 0, true},
                          Case{QStringLiteral("Weekly"), 1, false}}) {
        SCOPED_TRACE(c.row.toStdString());
        const int asked = int(m_alerts.requests().size());
        if (c.questions) m_alerts.scriptButton(AlertResponse::thirdButton);
        const int row = rowNamed(c.row);
        ASSERT_GE(row, 0);
        click(row, 100 + row);
        m_scheduler.advance(1);
        outline->keyDown(deleteKey());
        EXPECT_EQ(int(m_alerts.requests().size()) - asked, c.questions);
        load();
        EXPECT_EQ(rowNamed(c.row) < 0, c.deleted);
    }
    EXPECT_EQ(queryInt(QStringLiteral("SELECT COUNT(*) FROM Tasks WHERE primaryKey=%1").arg(task->primaryKey())), 0);

    m_alerts.scriptButton(AlertResponse::thirdButton);
    const int row = rowNamed(QStringLiteral("Holiday"));
    outline->selectRowIndexes({row}, false);
    outline->menuForEvent(pressOn(row, 1, EventType::RightMouseDown));
    outline->applyDelete();
    const AlertRequest asked = m_alerts.requests().back();
    EXPECT_EQ(asked.buttonTitles, (QStringList{text("onlyThisEventText"), text("allFutureEventsText"), text("cancelText")}));
    EXPECT_EQ(asked.messageText, text("deletingADEText"));
    EXPECT_EQ(asked.informativeText, text("deletingFutureMessageText") + QLatin1Char('\n') + text("warningRADEExceptionText"));
}

TEST_F(CategoryOutlineTest, CopyToLinkCancelledWithTheBoxTickedCopiesNothingAndAsksNoMore)
{
    // The stored settings row, so that the saved box can be read back.
    const SettingPtr stored = Setting::initWithPrimaryKey(1, db());
    ASSERT_TRUE(stored);
    dataManager().setCurrentSetting(stored);
    stored->setIsWarningForCopyToLink(1);
    ordered(QStringLiteral("Task"), 1);
    load();
    outline->menuForEvent(pressOn(2, 1, EventType::RightMouseDown));
    m_alerts.script(AlertResponse{AlertResponse::secondButton, true});
    outline->copyToMakeLink();
    EXPECT_EQ(dataManager().copiedItem(), nullptr);
    EXPECT_EQ(stored->isWarningForCopyToLink(), 0);
    EXPECT_EQ(Setting::initWithPrimaryKey(1, db())->isWarningForCopyToLink(), 0);
}

}  // namespace CategoryOutlineTests
