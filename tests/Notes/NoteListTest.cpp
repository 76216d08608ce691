// The notes page over a test database: its filters, layout and resize
// strip, and the list's loads, refreshes, clicks and openings.
#include "../TaskList/TaskListTestFixture.h"

#include "DetailViewController.h"
#include "NoteListItemView.h"
#include "NoteListTableView.h"
#include "NoteListView.h"
#include "ScrollView.h"
#include "SegmentedControl.h"
#include "Screenshot.h"
#include "TestEnvironment.h"
#include "Task.h"
#include "Window.h"
#include "Link.h"
#include "Menu.h"
#include "Setting.h"
#include "TextTable.h"
#include "DragSource.h"
#include "DraggingImageComponent.h"
#include "DropTarget.h"
#include "KeyedArchive.h"
#include "ImageView.h"
#include "ItemImageRenderer.h"
#include "Event.h"
#include <QApplication>
#include <QDropEvent>
#include <QMimeData>

#include <QGuiApplication>
#include <QStyleHints>

namespace NoteListTests {

// The page (290 x 400) on Sunday 19 January 2014 with the week starting on
// Monday, a 400 ms double-click interval, and six notes: two on the 15th,
// one each on the 13th, the 19th, the 12th (last week) and the 21st.
class NoteListTest : public TaskListTest {
protected:
    void SetUp() override
    {
        TaskListTest::SetUp();
        Clock::setFixed(localDate(2014, 1, 19, 10));
        setting().setWeekStartDay(1);
        m_interval = QGuiApplication::styleHints()->mouseDoubleClickInterval();
        QGuiApplication::styleHints()->setMouseDoubleClickInterval(400);
        const std::pair<const char*, Date> notes[] = {
            {"Wed early", localDate(2014, 1, 15, 8)}, {"Wed late", localDate(2014, 1, 15, 18)},
            {"Mon", localDate(2014, 1, 13, 9)},       {"Sun", localDate(2014, 1, 19, 9)},
            {"Last Sun", localDate(2014, 1, 12, 9)},  {"Next Tue", localDate(2014, 1, 21, 9)},
        };
        for (const auto& [name, start] : notes)
            add(3, QString::fromLatin1(name), [start = start](Task& note) { note.setStartTime(start); });
        task(QStringLiteral("A task"), [](Task& t) { t.setStartTime(localDate(2014, 1, 15, 9)); });
        dataManager().setCurrentSelectedDay(localDate(2014, 1, 15, 0));
        m_page = std::make_unique<NoteListView>(QRectF(0, 0, 290, 400));
    }
    void TearDown() override
    {
        m_page.reset();
        QGuiApplication::styleHints()->setMouseDoubleClickInterval(m_interval);
        TaskListTest::TearDown();
    }

    NoteListTableView& list() { return *m_page->noteListTableView(); }
    QStringList shown()
    {
        QStringList names;
        for (const TaskPtr& note : list().notes()) names << note->taskName();
        return names;
    }
    void click(int row, double time)
    {
        Event press;
        press.type = EventType::LeftMouseDown;
        press.clickCount = 1;
        press.timestamp = time;
        press.locationInWindow = list().convertPointToWindow(
            row < 0 ? QPointF(10, list().frame().height() - 2) : list().rectOfRow(row).center());
        list().mouseDown(press);
        press.type = EventType::LeftMouseUp;
        list().mouseUp(press);
    }

    std::unique_ptr<NoteListView> m_page;
    int m_interval = 0;
};

TEST_F(NoteListTest, EachFilterListsItsNotesNewestFirstAndFollowsTheSelectedDay)
{
    EXPECT_EQ(m_page->filterBtn()->selectedSegment(), 0);
    struct Case {
        int segment;
        QStringList names;
    };
    const Case cases[] = {
        {0, {"Next Tue", "Sun", "Wed late", "Wed early", "Mon", "Last Sun"}},
        {1, {"Wed late", "Wed early"}},
        {2, {"Sun", "Wed late", "Wed early", "Mon"}},
        {2, {"Sun", "Wed late", "Wed early", "Mon"}},  // chosen again: loaded again
    };
    EXPECT_EQ(shown(), cases[0].names) << "at start";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.segment);
        const int before = m_page->reloadCount();
        m_page->filterBtn()->setSelectedSegment(c.segment);
        m_page->selectTypeOfFilter();
        EXPECT_EQ(m_page->filterIndex(), c.segment);
        EXPECT_EQ(m_page->reloadCount(), before + 1);
        EXPECT_EQ(shown(), c.names);
    }
    // The selected day's filter follows the day picked in the main window.
    dataManager().setCurrentSelectedDay(localDate(2014, 1, 13, 0));
    m_page->filterBtn()->setSelectedSegment(1);
    m_page->selectTypeOfFilter();
    EXPECT_EQ(shown(), QStringList{"Mon"});
    // The day and week segments say which day and week they list.
    EXPECT_EQ(m_page->filterBtn()->labelForSegment(1), QStringLiteral("Jan 13"));
    EXPECT_EQ(m_page->filterBtn()->labelForSegment(2), QStringLiteral("Jan 13\u201319"));
    EXPECT_TRUE(m_page->filterBtn()->toolTipForSegment(2).endsWith(QStringLiteral("(Jan 13\u201319)")));
    saveScreenshot(m_page.get(), QStringLiteral("notes-page-day-filter"));
    // Filters outside 0 to 3 list nothing.
    list().loadDataByFilter(7);
    EXPECT_TRUE(shown().isEmpty());
    EXPECT_TRUE(list().isDraggable()) << "once a load found notes it stays so";
}

TEST_F(NoteListTest, ThePageLaysOutItsFilterListAndAnchorsAndItsStripResizesWithinBounds)
{
    EXPECT_EQ(m_page->filterBtn()->frame(), QRectF(4, 1, 286, 29));
    EXPECT_EQ(m_page->filterBtn()->widthForSegment(0), 92);
    EXPECT_EQ(m_page->tableScrollView()->frame(), QRectF(2, 30, 286, 366));
    EXPECT_TRUE(m_page->topItemTemp()->frame().isEmpty());
    EXPECT_TRUE(m_page->bottomItemTemp()->frame().isEmpty());
    m_page->setFrameSize(QSizeF(290, 420));
    EXPECT_EQ(m_page->tableScrollView()->frame(), QRectF(2, 30, 286, 389));
    EXPECT_EQ(m_page->topItemTemp()->frame(), QRectF(2, 30, 286, 55));
    EXPECT_EQ(m_page->bottomItemTemp()->frame(), QRectF(2, 30 + 389 - 55 - 1, 286, 55));

    struct Case {
        double pressY;     // from the top of the page
        double dragDown;   // points
        double height;     // after the drag
    };
    const Case cases[] = {{417, 30, 450}, {415.5, 30, 450}, {414, 30, 420}, {419, 400, 600}, {419, -500, 31}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pressY);
        m_page->setFrameSize(QSizeF(290, 420));
        Event press;
        press.type = EventType::LeftMouseDown;
        press.locationInWindow = m_page->convertPointToWindow(QPointF(100, c.pressY));
        m_page->mouseDown(press);
        Event drag = press;
        drag.type = EventType::LeftMouseDragged;
        drag.deltaY = -c.dragDown;  // our deltas count upward
        m_page->mouseDragged(drag);
        m_page->mouseUp(drag);
        EXPECT_EQ(m_page->frame().height(), c.height);
        EXPECT_FALSE(m_page->isMoving());
    }
}

TEST_F(NoteListTest, TwoClicksWithinTheIntervalOpenTheNoteAtItsRow)
{
    struct Case {
        bool plannerExpanded;
        double apart;  // seconds between the clicks
        int secondRow; // -1: below the rows
        bool opens;
    };
    const Case cases[] = {{false, 0.25, 1, true},  {false, 0.5, 1, false}, {true, 1.0, 1, true},
                          {true, 1.01, 1, false},  {false, 0.25, 2, true}, {false, 0.25, -1, false}};
    double now = 1000;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.apart << " row " << c.secondRow);
        m_mainView->plannerExpand = c.plannerExpanded;
        list().loadDataByFilter(0);
        list().setFrameSize(QSizeF(list().frame().width(), 600));
        const int before = list().detailViewController() ? list().detailViewController()->requestCount() : 0;
        click(1, now);
        click(c.secondRow, now + c.apart);
        m_scheduler.advance(2);
        const int after = list().detailViewController() ? list().detailViewController()->requestCount() : 0;
        EXPECT_EQ(after - before, c.opens ? 1 : 0);
        if (c.opens) {
            const auto& request = list().detailViewController()->lastRequest();
            EXPECT_EQ(request.request, DetailViewController::Request::NoteEditor);
            EXPECT_EQ(request.item->taskName(), shown()[c.secondRow]);
            EXPECT_EQ(request.positioningView.data(), list().rowAt(c.secondRow));
        }
        EXPECT_EQ(list().lastMouseDown(), 0);
        now += 10;
    }
}

TEST_F(NoteListTest, ARefreshReReadsListedNotesAndDropsDeletedOnes)
{
    const TaskList notes = dataManager().getNotesFromTaskList(dataManager().allTasksEventsAdes(), 0, true);
    TaskPtr wedLate, mon;
    for (const TaskPtr& note : notes) {
        if (note->taskName() == "Wed late") wedLate = note;
        if (note->taskName() == "Mon") mon = note;
    }
    ASSERT_TRUE(wedLate && mon);
    auto renamed = Task::initWithPrimaryKey(wedLate->primaryKey());
    renamed->setTaskName(QStringLiteral("Wed renamed"));
    ASSERT_TRUE(renamed->dehydrate());
    EXPECT_TRUE(dataManager().doDeleteTask(mon));
    list().reloadData(QHash<QString, QVariant>{{QString::number(wedLate->primaryKey()), 1},
                                               {QString::number(mon->primaryKey()), 1},
                                               {QStringLiteral("999999"), 1}});
    EXPECT_EQ(shown(), QStringList({"Next Tue", "Sun", "Wed renamed", "Wed early", "Last Sun"}));
    EXPECT_EQ(list().rowCount(), 5);
}

TEST_F(NoteListTest, ANoteIsRevealedAndOpenedAtItsRowOrAtTheAnchorOnItsSide)
{
    Window window(QRectF(100, 100, 290, 200), BorderlessWindowMask);
    m_page->setFrameSize(QSizeF(290, 200));
    window.setContentView(m_page.release());
    auto* page = static_cast<NoteListView*>(window.contentView());
    window.orderFront();
    NoteListTableView& table = *page->noteListTableView();
    const TaskPtr oldest = table.notes().back();
    const TaskPtr newest = table.notes().front();

    m_mainView->listModule = 1;
    EXPECT_TRUE(table.revealToNote(oldest));
    EXPECT_EQ(m_mainView->currentListModule(), 2);
    EXPECT_EQ(table.selectedRowIndexes(), std::vector<int>{5});

    // Opening the newest while scrolled to the oldest: the row comes into view.
    EXPECT_TRUE(table.showPopupEditDetail(newest));
    EXPECT_EQ(table.detailViewController()->lastRequest().item->primaryKey(), newest->primaryKey());
    EXPECT_EQ(table.selectedRowIndexes(), std::vector<int>{0});

    auto stranger = std::make_shared<Task>();
    stranger->setPrimaryKey(424242);
    EXPECT_FALSE(table.revealToNote(stranger));
    EXPECT_FALSE(table.showPopupEditDetail(stranger));
    saveScreenshot(&window, QStringLiteral("notes-page-all"));
    window.setContentView(nullptr);
}

namespace {

QString text(const char* key) { return TextTable::localizedString(QString::fromLatin1(key)); }

QStringList titles(const Menu& menu)
{
    QStringList shown;
    for (const MenuItem& item : menu.items()) shown << item.title;
    return shown;
}

QStringList texts(std::initializer_list<const char*> keys)
{
    QStringList shown;
    for (const char* key : keys) shown << text(key);
    return shown;
}

}  // namespace

// The commands over the list with the week filter: Sun, Wed late, Wed early
// and Mon, newest first.
class NoteCommandsTest : public NoteListTest {
protected:
    void SetUp() override
    {
        NoteListTest::SetUp();
        m_page->filterBtn()->setSelectedSegment(2);
        m_page->selectTypeOfFilter();
        list().setFrameSize(QSizeF(list().frame().width(), 600));
    }
    void select(std::vector<int> rows)
    {
        list().selectRowIndexes(rows, false);
        click(rows.front(), m_now += 10);
        list().selectRowIndexes(rows, false);
    }
    Event rightClickAt(int row)
    {
        Event event;
        event.type = EventType::RightMouseDown;
        event.locationInWindow = list().convertPointToWindow(list().rectOfRow(row).center());
        return event;
    }
    TaskPtr noteAt(int row) { return list().rowAt(row)->note(); }
    int linksBetween(const TaskPtr& a, const TaskPtr& b)
    {
        int count = 0;
        for (const LinkPtr& link : dataManager().linkList())
            if (link->status() == 0 && ((link->rootId() == a->primaryKey() && link->targetId() == b->primaryKey()) ||
                                        (link->rootId() == b->primaryKey() && link->targetId() == a->primaryKey())))
                ++count;
        return count;
    }
    double m_now = 5000;
};

TEST_F(NoteCommandsTest, TheMenusOfferWhatFitsTheNoteOrTheSelection)
{
    const QStringList own = texts({"addNoteText", "menuEdit", "menuDuplicate", "menuDelete", "menuCopyLink",
                                   "convertNote2TaskText"});
    struct Case {
        const char* name;
        std::vector<int> selected;
        int clickedRow;
        int copiedRow;  // -1: nothing copied
        QStringList menu;
    };
    const Case cases[] = {
        {"own note, nothing copied", {0}, 0, -1, own},
        {"another note copied", {0}, 0, 2, own + texts({"menuPasteLink"})},
        {"the note itself copied", {0}, 0, 0, own},
        {"two notes", {0, 1}, 0, -1, texts({"menuDelete", "menuDuplicate", "convertNote2TaskText", "menuLinkThemTogether"})},
        {"three notes", {0, 1, 2}, 1, -1, texts({"menuDelete", "menuDuplicate", "convertNote2TaskText"})},
        {"a row outside two selected", {1, 2}, 3, -1, texts({"menuDelete", "menuDuplicate", "convertNote2TaskText", "menuLinkThemTogether"})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        dataManager().setCopiedItem(c.copiedRow < 0 ? nullptr : noteAt(c.copiedRow)->copy());
        select(c.selected);
        EXPECT_EQ(titles(list().menuForEvent(rightClickAt(c.clickedRow))), c.menu);
        if (c.selected.size() >= 2) {
            EXPECT_EQ(list().arrSelectedItems().size(), qsizetype(c.selected.size()));
        }
    }
    // Off the rows there is no menu.
    Event below = rightClickAt(0);
    below.locationInWindow = list().convertPointToWindow(QPointF(10, list().frame().height() - 2));
    EXPECT_TRUE(list().menuForEvent(below).items().empty());
}

TEST_F(NoteCommandsTest, DeleteAsksAndDeletesOnlyOwnNotes)
{
    struct Case {
        const char* name;
        std::vector<int> selected;
        std::vector<int> shared;
        int answer;       // -1: no question expected
        bool tickBox;
        QStringList left;
    };
    const Case cases[] = {
        {"one own note, cancelled", {1}, {}, AlertResponse::secondButton, false, {"Sun", "Wed late", "Wed early", "Mon"}},
        {"one own note, OK and the box", {1}, {}, AlertResponse::firstButton, true, {"Sun", "Wed early", "Mon"}},
        {"a mix of shared and own", {0, 2}, {0}, -1, false, {"Sun", "Wed early"}},
        {"only shared notes", {0, 1}, {0, 1}, -1, false, {"Sun", "Wed early"}},
        {"one shared note", {0}, {0}, -1, false, {"Sun", "Wed early"}},
    };
    setting().setIsWarningForDeleting(1);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (int row : c.shared) {
            noteAt(row)->setIsShared(true);
            ASSERT_TRUE(noteAt(row)->dehydrate());
        }
        const int asked = int(m_alerts.requests().size());
        if (c.answer >= 0) m_alerts.scriptButton(c.answer, c.tickBox);
        select(c.selected);
        Event del;
        del.type = EventType::KeyDown;
        del.charactersIgnoringModifiers = QString(QChar(KeyCharacter::Delete));
        list().keyDown(del);
        ASSERT_EQ(int(m_alerts.requests().size()) - asked, c.answer >= 0 ? 1 : 0);
        if (c.answer >= 0) {
            const AlertRequest request = m_alerts.requests().back();
            EXPECT_EQ(request.messageText, text("deleteItemText"));
            EXPECT_EQ(request.informativeText, text("deleteItemMessage"));
            EXPECT_EQ(request.buttonTitles, texts({"okText", "cancelText"}));
            EXPECT_TRUE(request.showsSuppressionButton);
        }
        m_page->reloadData();
        EXPECT_EQ(shown(), c.left);
    }
    EXPECT_EQ(setting().isWarningForDeleting(), 0) << "the ticked box";
}

TEST_F(NoteCommandsTest, NoRowIsRebuiltUnderAnOpenQuestion)
{
    setting().setIsWarningForDeleting(1);
    const TaskList before = list().notes();
    bool keptWhileAsking = false;
    m_alerts.setWhileRunning([&] {
        m_page->reloadData();  // the main view's refresh, fired under the question
        keptWhileAsking = list().notes() == before;
    });
    m_alerts.scriptButton(AlertResponse::firstButton);
    select({3});
    list().applyDelete();
    m_alerts.setWhileRunning({});
    EXPECT_TRUE(keptWhileAsking);
    EXPECT_TRUE(processEventsUntil([&] { return list().notes() != before; }));
    EXPECT_EQ(shown(), QStringList({"Sun", "Wed late", "Wed early"}));
}

TEST_F(NoteCommandsTest, ConvertCopyPasteAndLinkTogetherLinkTheNotes)
{
    setting().setIsWarningForCopyToLink(1);
    const TaskPtr sun = noteAt(0), wedLate = noteAt(1), wedEarly = noteAt(2);
    // Convert: a task of the note's name, linked to it; the note stays.
    select({0});
    list().commandForAction(QStringLiteral("convertNote2Task:"))();
    bool converted = false;
    for (const TaskPtr& item : dataManager().allTasksEventsAdes())
        if (item->taskType() == 1 && item->taskName() == "Sun") converted = linksBetween(sun, item) == 1;
    EXPECT_TRUE(converted);
    m_page->reloadData();
    EXPECT_EQ(shown().front(), QStringLiteral("Sun"));

    // Copy asks first; Cancel copies nothing, OK copies.
    struct Case {
        int answer;
        bool copied;
    };
    for (const Case c : {Case{AlertResponse::secondButton, false}, Case{AlertResponse::firstButton, true}}) {
        dataManager().setCopiedItem(nullptr);
        m_alerts.scriptButton(c.answer);
        select({1});
        list().commandForAction(QStringLiteral("copyToMakeLink:"))();
        EXPECT_EQ(m_alerts.requests().back().messageText, text("pasteToAnyOtherItemText"));
        EXPECT_EQ(dataManager().copiedItem() != nullptr, c.copied);
    }
    // Paste on another note links the two, once.
    for (int paste = 0; paste < 2; ++paste) {
        select({2});
        list().commandForAction(QStringLiteral("pasteToMakeLink:"))();
        EXPECT_EQ(linksBetween(wedLate, wedEarly), 1);
    }
    // Two selected notes linked together.
    select({0, 3});
    list().menuForEvent(rightClickAt(0));
    list().commandForAction(QStringLiteral("linkTogether:"))();
    EXPECT_EQ(linksBetween(sun, noteAt(3)), 1);
}

TEST_F(NoteListTest, PicturesOfThePageOnEachFilterSelectedAndResizing)
{
    // Two rows with a summary, two of them linked.
    const TaskList notes = dataManager().getNotesFromTaskList(dataManager().allTasksEventsAdes(), 0, true);
    for (const TaskPtr& note : notes) {
        if (note->taskName() == "Sun" || note->taskName() == "Wed late") {
            note->setNotes(note->taskName() + QStringLiteral("\nBring the slides and the budget sheet"));
            ASSERT_TRUE(note->dehydrate());
        }
    }
    dataManager().setCopiedItem(notes[0]->copy());
    ASSERT_TRUE(dataManager().pasteToMakeLinkWith(notes[1]));
    Window window(QRectF(100, 100, 290, 420), BorderlessWindowMask);
    window.setContentView(m_page.release());
    auto* page = static_cast<NoteListView*>(window.contentView());
    window.orderFront();
    for (int filter = 0; filter < 3; ++filter) {
        page->filterBtn()->setSelectedSegment(filter);
        page->selectTypeOfFilter();
        EXPECT_FALSE(saveScreenshot(&window, QStringLiteral("notes-page-filter-%1").arg(filter)).isEmpty());
    }
    page->filterBtn()->setSelectedSegment(0);
    page->selectTypeOfFilter();
    NoteListTableView& table = *page->noteListTableView();
    table.selectRowIndexes({1}, false);
    saveScreenshot(&window, QStringLiteral("notes-page-one-selected"));
    table.selectRowIndexes({0, 2, 3}, false);
    saveScreenshot(&window, QStringLiteral("notes-page-several-selected"));
    Event press;
    press.type = EventType::LeftMouseDown;
    press.locationInWindow = page->convertPointToWindow(QPointF(100, 418));
    page->mouseDown(press);
    EXPECT_TRUE(page->isMoving());
    saveScreenshot(&window, QStringLiteral("notes-page-resizing"));
    page->mouseUp(press);
    window.setContentView(nullptr);
}

TEST_F(NoteCommandsTest, NothingDroppedOnTheListIsTaken)
{
    QMimeData payload;
    Task::writeItemsToPasteboard(payload, TaskList{noteAt(0)});
    const DraggingInfo fromOutside(&list(), &payload, QPointF(10, 10));
    EXPECT_EQ(list().draggingEntered(fromOutside), unsigned(DragOperationNone));
    EXPECT_EQ(list().validateDrop(fromOutside, nullptr, 0), unsigned(DragOperationNone));
    EXPECT_FALSE(list().acceptDrop(fromOutside, nullptr, 0));
    EXPECT_EQ(shown().size(), 4);
}

// Over the list a dragged note shows its small picture at the pointer,
// following it; leaving the list, a refused drop or a payload without a
// stored note leaves no picture behind.
TEST_F(NoteCommandsTest, DraggedNoteShowsItsSmallPictureOnlyOverTheList)
{
    enum class Step { Enter, Move, Leave, Drop };
    struct Case {
        const char* name;
        bool withNote;
        std::vector<Step> steps;
        bool shownAtEnd;
    };
    const Case cases[] = {
        {"entered", true, {Step::Enter}, true},
        {"moved", true, {Step::Enter, Step::Move}, true},
        {"left", true, {Step::Enter, Step::Move, Step::Leave}, false},
        {"dropped and refused", true, {Step::Enter, Step::Drop}, false},
        {"no stored note", false, {Step::Enter, Step::Move}, false},
    };
    // The shell's pictures, as the program draws them.
    ItemImageRenderer::install();
    const QImage small = noteAt(1)->draggingSmallImage().front().contents;
    ASSERT_FALSE(small.isNull());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto payload = std::make_unique<QMimeData>();
        if (c.withNote) Task::writeItemsToPasteboard(*payload, TaskList{noteAt(1)});
        else payload->setData(KeyedArchive::mimeType, QByteArray("not an archive"));
        QPoint at(40, 30);
        DragSource::setRunner([&](DragSource::Drag& running) {
            const QMimeData* data = running.payload.get();
            for (Step step : c.steps) {
                if (step == Step::Enter) {
                    QDragEnterEvent enter(at, Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
                    QApplication::sendEvent(&list(), &enter);
                } else if (step == Step::Move) {
                    at += QPoint(25, 40);
                    QDragMoveEvent move(at, Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
                    QApplication::sendEvent(&list(), &move);
                } else if (step == Step::Leave) {
                    QDragLeaveEvent leave;
                    QApplication::sendEvent(&list(), &leave);
                } else {
                    QDropEvent drop(QPointF(at), Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
                    QApplication::sendEvent(&list(), &drop);
                    EXPECT_FALSE(drop.isAccepted());
                }
            }
            EXPECT_EQ(!list().dragPreviewView()->isHidden(), c.shownAtEnd);
            if (c.shownAtEnd) {
                EXPECT_EQ(list().dragPreviewImage(), small);
                const QRectF frame = list().dragPreviewView()->frame();
                const DraggingInfo info(&list(), data, QPointF(at));
                EXPECT_EQ(frame.topLeft(), info.draggingLocation());
                EXPECT_EQ(frame.size(), small.deviceIndependentSize());
                if (c.steps.size() == 2) saveScreenshot(&list(), QStringLiteral("notes-drag-small-picture"));
            }
            return DragSource::Outcome{DragOperationNone, {}};
        });
        struct Ending : DraggingSource {
            void draggingEnded(const QPointF&, unsigned) override {}
        } ending;
        Event press;
        press.type = EventType::LeftMouseDown;
        press.clickCount = 1;
        press.locationInWindow = list().convertPointToWindow(list().rectOfRow(1).center());
        DragSource::beginDrag(&list(), &ending, std::move(payload), small, QPointF(), press, DragOperationGeneric);
        DragSource::setRunner({});
        list().draggingExited();
        EXPECT_TRUE(list().dragPreviewView()->isHidden());
    }    TaskImageRenderer::setCurrent(nullptr);
}

}  // namespace NoteListTests
