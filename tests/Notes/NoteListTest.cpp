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
#include "Task.h"
#include "Window.h"

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
        for (NoteListItemView* row : list().arrayOfNotes()) names << row->note()->taskName();
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
            EXPECT_EQ(request.positioningView.data(), list().arrayOfNotes()[std::size_t(c.secondRow)]);
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
    dataManager().doDeleteTask(mon);
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
    const TaskPtr oldest = table.arrayOfNotes().back()->note();
    const TaskPtr newest = table.arrayOfNotes().front()->note();

    m_mainView->listModule = 1;
    EXPECT_TRUE(table.revealToNote(oldest));
    EXPECT_EQ(m_mainView->currentListModule(), 2);
    EXPECT_EQ(table.selectedRowIndexes(), std::vector<int>{5});

    // Opening the newest while scrolled to the oldest: the row comes into view.
    EXPECT_TRUE(table.showPopupEditDetail(newest));
    EXPECT_EQ(table.detailViewController()->lastRequest().item, newest);
    EXPECT_EQ(table.selectedRowIndexes(), std::vector<int>{0});

    auto stranger = std::make_shared<Task>();
    stranger->setPrimaryKey(424242);
    EXPECT_FALSE(table.revealToNote(stranger));
    EXPECT_FALSE(table.showPopupEditDetail(stranger));
    saveScreenshot(&window, QStringLiteral("notes-page-all"));
    window.setContentView(nullptr);
}

}  // namespace NoteListTests
