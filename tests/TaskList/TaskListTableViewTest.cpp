// The task list: day groups from the week's plan, the remaining rows in
// forced or manual order, must-do additions, clicks and single or double
// decisions, finding, refreshing and moving rows.
#include "TaskListPaneFixture.h"

#include "DetailViewController.h"
#include "Event.h"

TEST(TaskListClickTest, PressesPairIntoADoubleClickOnlyWithinTheInterval)
{
    struct Case {
        double last, now, interval;
        bool doubleClick;
    };
    const Case cases[] = {{0, 5, 0.4, false}, {10, 10.25, 0.4, true}, {10, 10.5, 0.4, false},
                          {10, 10.39, 0.4, true}, {10, 10.9, 1.0, true}};
    for (const Case& c : cases)
        EXPECT_EQ(TaskListTableView::isDoubleClick(c.last, c.now, c.interval), c.doubleClick) << c.last << " " << c.now;
}

TEST_F(TaskPaneTest, TasksStandUnderTheirPlannedDaysAndTheRestFollowWithoutAHeader)
{
    const TaskPtr a = ordered(QStringLiteral("A"), 1);
    const TaskPtr b = ordered(QStringLiteral("B"), 2);
    const TaskPtr c = ordered(QStringLiteral("C"), 3);
    ordered(QStringLiteral("E"), 5);
    ordered(QStringLiteral("D"), 4);
    plan({{"monText", {a, b}}, {"tueText", {b->copy(), c}}});
    pane().reloadTaskIfNeeded();
    EXPECT_EQ(shown(), (QStringList{header("doTodayText", "mondayText"), "A", "B", header("doTomorrowText", "tuesdayText"),
                                    "C", "D", "E"}));
    EXPECT_TRUE(dataManager().hasDoToday());
    EXPECT_EQ(dataManager().firstDoTodayTaskOder(), quint64(a->taskOrder()));
    EXPECT_EQ(list().heightOfRowByItem(list().rootItems()[0]), 18);
    EXPECT_EQ(list().rectOfRow(1), QRectF(0, 18, list().bounds().width(), 55));

    // A day whose only entry goes on from the day before gets no header.
    plan({{"monText", {a, b}}, {"tueText", {b->copy()}}});
    pane().reloadTaskIfNeeded();
    EXPECT_EQ(shown(), (QStringList{header("doTodayText", "mondayText"), "A", "B", "C", "D", "E"}));

    // Later days are named with their date; the last one too loses a header
    // that heads nothing.
    plan({{"wedText", {c}}, {"sunText", {c->copy()}}});
    pane().reloadTaskIfNeeded();
    EXPECT_EQ(shown(), (QStringList{QStringLiteral("# %1, %2").arg(TextTable::localizedString(QStringLiteral("wednesdayText")),
                                                                   QStringLiteral("Jan 15")),
                                    "C", "A", "B", "D", "E"}));
}

TEST_F(TaskPaneTest, AFilterWithoutMatchesListsNothingAndForcedOrdersNumberTheRows)
{
    ordered(QStringLiteral("Plain"), 1, [](Task& t) { t.setHasDuration(0); });
    chooseSegment(2);  // starred
    EXPECT_TRUE(list().rootItems().empty());
    EXPECT_FALSE(dataManager().hasDoToday());

    const auto lasting = [](qint64 minutes) {
        return [minutes](Task& t) {
            t.setHasDuration(1);
            t.setDuration(minutes);
        };
    };
    const TaskPtr long90 = ordered(QStringLiteral("90"), 2, lasting(90));
    const TaskPtr short15 = ordered(QStringLiteral("15"), 3, lasting(15));
    const TaskPtr mid45 = ordered(QStringLiteral("45"), 4, lasting(45));
    chooseSegment(5);  // shortest first
    EXPECT_EQ(shown(), (QStringList{"15", "45", "90"}));
    EXPECT_EQ(short15->npSortOrder(), 1);
    EXPECT_EQ(mid45->npSortOrder(), 2);
    EXPECT_EQ(long90->npSortOrder(), 3);
    chooseSegment(4);  // longest first
    EXPECT_EQ(shown(), (QStringList{"90", "45", "15"}));
}

TEST_F(TaskPaneTest, MustDoTasksJoinTheNarrowFiltersOnly)
{
    setting().setMustDo(1);
    ordered(QStringLiteral("Top"), 1);
    const TaskPtr due = ordered(QStringLiteral("Due today"), 2, [](Task& t) {
        t.setHasDue(1);
        t.setDueEnd(localDate(2014, 1, 13, 18));
    });
    ordered(QStringLiteral("Due later"), 3, [](Task& t) {
        t.setHasDue(1);
        t.setDueEnd(localDate(2014, 1, 16, 18));
    });
    chooseSegment(1);  // top tasks
    EXPECT_EQ(shown(), (QStringList{"Top", "Due today"}));
    TaskListItemView* row = list().rowOfItem(due->primaryKey());
    ASSERT_NE(row, nullptr);
    EXPECT_TRUE(row->isMustDo());

    chooseSegment(3);  // due: listed once, nothing added
    EXPECT_EQ(shown().size(), 2);
    chooseSegment(0);
    EXPECT_EQ(shown().size(), 3);
}

TEST_F(TaskPaneTest, TwoPressesWithinTheIntervalOpenTheEditorAndSlowerOnesOnlySelect)
{
    const TaskPtr a = ordered(QStringLiteral("A"), 1);
    ordered(QStringLiteral("B"), 2);
    pane().reloadTaskIfNeeded();

    click(0, 100.0);
    click(0, 100.25);
    ASSERT_NE(list().detailViewController(), nullptr);
    EXPECT_EQ(list().detailViewController()->lastRequest().item, a);
    EXPECT_EQ(list().detailViewController()->requestCount(), 1);
    EXPECT_EQ(list().lastMouseDown(), 0);

    click(1, 200.0);
    m_scheduler.advance(0.5);  // the single-click timer
    click(1, 200.5);
    m_scheduler.advance(0.5);
    EXPECT_EQ(list().detailViewController()->requestCount(), 1);
    EXPECT_EQ(list().selectedRowIndexes(), std::vector<int>{1});

    m_mainView->plannerExpand = true;
    click(1, 300.0);
    click(1, 300.9);
    EXPECT_EQ(list().detailViewController()->requestCount(), 2);
}

TEST_F(TaskPaneTest, HeadersClearTheClickedRowAndSeveralSelectedRowsKeepIt)
{
    const TaskPtr a = ordered(QStringLiteral("A"), 1);
    ordered(QStringLiteral("B"), 2);
    ordered(QStringLiteral("C"), 3);
    plan({{"monText", {a}}});
    pane().reloadTaskIfNeeded();  // header, A, B, C

    click(1, 10);
    ASSERT_NE(list().selectedItem(), nullptr);
    EXPECT_EQ(list().selectedItem()->task(), a);
    m_scheduler.advance(1);
    click(0, 20);
    EXPECT_EQ(list().selectedItem(), nullptr);
    EXPECT_EQ(list().selectedRowIndexes(), std::vector<int>{1}) << "a header is never selected";
    m_scheduler.advance(1);

    click(2, 30);
    TaskListItemView* clicked = list().selectedItem();
    m_scheduler.advance(1);
    click(3, 40, CommandKeyMask);
    EXPECT_EQ(list().selectedRowIndexes(), (std::vector<int>{2, 3}));
    EXPECT_EQ(list().selectedItem(), clicked);

    Event arrow;
    arrow.type = EventType::KeyDown;
    arrow.charactersIgnoringModifiers = QString(QChar(0xF701));
    list().keyDown(arrow);
    EXPECT_EQ(list().selectedRowIndexes(), (std::vector<int>{2, 3}));
}

TEST_F(TaskPaneTest, RevealingFindsTheRowUnlessTheListIsHidden)
{
    ordered(QStringLiteral("A"), 1);
    const TaskPtr b = ordered(QStringLiteral("B"), 2);
    pane().reloadTaskIfNeeded();
    m_mainView->listModule = 2;
    list().hide();
    EXPECT_FALSE(list().revealToTask(b));
    EXPECT_TRUE(list().selectedRowIndexes().empty());
    list().show();
    EXPECT_TRUE(list().revealToTask(b));
    EXPECT_EQ(list().selectedRowIndexes(), std::vector<int>{1});
    EXPECT_EQ(m_mainView->listModule.load(), 1);
    EXPECT_FALSE(list().revealToTask(std::make_shared<Task>()));

    EXPECT_TRUE(list().showPopupEditDetail(b));
    EXPECT_EQ(list().detailViewController()->lastRequest().item, b);
    EXPECT_DOUBLE_EQ(list().yPositionPastLastRow(), 110);
}

TEST_F(TaskPaneTest, RefreshingAKeyRereadsThatRowsItemInPlace)
{
    const TaskPtr a = ordered(QStringLiteral("A"), 1);
    pane().reloadTaskIfNeeded();
    exec(QStringLiteral("UPDATE Tasks SET taskName='Renamed' WHERE primaryKey=%1").arg(a->primaryKey()));
    list().reloadData(QHash<QString, QVariant>{{QStringLiteral("999999"), 1}});
    EXPECT_EQ(a->taskName(), QStringLiteral("A"));
    list().reloadData(QHash<QString, QVariant>{{QString::number(a->primaryKey()), 1}});
    TaskListItemView* row = list().rowOfItem(a->primaryKey());
    EXPECT_EQ(row->task(), a) << "the same object, refreshed";
    EXPECT_EQ(a->taskName(), QStringLiteral("Renamed"));
    EXPECT_EQ(row->taskName()->stringValue(), QStringLiteral("Renamed"));
}

TEST_F(TaskPaneTest, MovingToTheTopMovesTheItemsOwnRowPastAHeader)
{
    const TaskPtr a = ordered(QStringLiteral("A"), 1);
    ordered(QStringLiteral("B"), 2);
    ordered(QStringLiteral("C"), 3);
    const TaskPtr d = ordered(QStringLiteral("D"), 4);
    plan({{"monText", {a}}});
    pane().reloadTaskIfNeeded();
    ASSERT_EQ(shown().size(), 5);
    list().selectRowIndexes({4}, false);
    list().moveToTop(d);
    EXPECT_EQ(shown(), (QStringList{header("doTodayText", "mondayText"), "A", "B", "D", "C"}));
    EXPECT_EQ(list().selectedRowIndexes(), std::vector<int>{3}) << "the selection stays on the moved row";
    EXPECT_TRUE(d->isTopGTDTask());
}

TEST_F(TaskPaneTest, AReloadAskedDuringAQuestionWaitsUntilItClosed)
{
    setting().setIsWarningForDeleting(1);
    const TaskPtr a = ordered(QStringLiteral("A"), 1);
    ordered(QStringLiteral("B"), 2);
    pane().reloadTaskIfNeeded();
    QPointer<TaskListItemView> row = list().rowOfItem(a->primaryKey());
    QStringList duringQuestion;
    m_alerts.setWhileRunning([&] {
        ordered(QStringLiteral("C"), 3);
        pane().reloadTaskIfNeeded();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        duringQuestion = shown();
    });
    m_alerts.scriptButton(AlertResponse::secondButton);
    row->applyDelete();
    m_alerts.setWhileRunning({});
    EXPECT_EQ(duringQuestion, (QStringList{"A", "B"})) << "the rows stay while the question is up";
    EXPECT_TRUE(row);
    QCoreApplication::processEvents();
    EXPECT_EQ(shown(), (QStringList{"A", "B", "C"})) << "the waiting reload ran once the question closed";
}
