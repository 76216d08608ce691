// Dragging rows of the task list and dropping items on it: the order values
// a reorder or a conversion leaves, the question a filtered list asks, and
// the drags that are refused. Drags are played as constructed enter, move
// and drop events, as the real drag loop does not run offscreen.
#include "TaskListPaneFixture.h"

#include "DragSource.h"
#include "KeyedArchive.h"
#include "Screenshot.h"
#include "Setting.h"

#include <QApplication>
#include <QDropEvent>
#include <QMimeData>

namespace {

struct Played {
    bool entered = false;
    bool moved = false;
    bool dropped = false;
};

class TaskListDropTest : public TaskPaneTest {
protected:
    void SetUp() override
    {
        TaskPaneTest::SetUp();
        NotificationCenter::defaultCenter().addObserver(&m_orderObserver, kTaskOrderChanged, nullptr,
                                                        [this](const Notification&) { ++m_orderPosts; });
        m_otherView = std::make_unique<View>(QRectF(0, 0, 100, 100));
    }
    void TearDown() override
    {
        DragSource::setRunner({});
        NotificationCenter::defaultCenter().removeObserver(&m_orderObserver);
        m_otherView.reset();
        TaskPaneTest::TearDown();
    }

    // Tasks named as given with the orders 1, 2, ..., listed without headers.
    TaskList rows(const QStringList& names)
    {
        TaskList made;
        qint64 order = 0;
        for (const QString& name : names) made << ordered(name, ++order);
        pane().reloadTaskIfNeeded();
        return made;
    }

    // The point of the gap before a row of the list (past the last: after it),
    // or the middle of a row.
    QPointF gapBefore(int row)
    {
        if (row >= list().numberOfRows()) return list().rectOfRow(list().numberOfRows() - 1).bottomLeft() + QPointF(20, -2);
        return list().rectOfRow(row).topLeft() + QPointF(20, 2);
    }
    QPointF middleOf(int row) { return list().rectOfRow(row).center(); }

    // Plays enter, move and drop of the payload at the list's point.
    Played play(const QMimeData* payload, const QPointF& at)
    {
        Played played;
        const QPoint point = at.toPoint();
        QDragEnterEvent enter(point, Qt::MoveAction, payload, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&list(), &enter);
        played.entered = (enter.isAccepted() && enter.dropAction() != Qt::IgnoreAction);
        QDragMoveEvent move(point, Qt::MoveAction, payload, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&list(), &move);
        played.moved = move.isAccepted();
        QDropEvent drop(QPointF(point), Qt::MoveAction, payload, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&list(), &drop);
        played.dropped = drop.isAccepted();
        QCoreApplication::sendPostedEvents();
        return played;
    }

    void installRunner(const QPointF& at, Played& played)
    {
        DragSource::setRunner([this, at, &played](DragSource::Drag& drag) {
            played = play(drag.payload.get(), at);
            return DragSource::Outcome{played.dropped ? DragOperationGeneric : DragOperationNone, {}};
        });
    }

    // Drags the row by a press and a move on it and drops it at the point.
    Played dragRow(int row, const QPointF& at)
    {
        Played played;
        installRunner(at, played);
        const QPointF from = middleOf(row);
        list().mouseDown(pressAt(from, 100 + row));
        Event drag = pressAt(from + QPointF(0, 6), 100.1 + row);
        drag.type = EventType::LeftMouseDragged;
        drag.clickCount = 0;
        list().mouseDragged(drag);
        m_scheduler.advance(2);  // the pending single click
        return played;
    }

    // Drags the item from another view of the program; none: from outside it.
    Played dragFromElsewhere(const TaskPtr& item, const QPointF& at, bool fromThisProgram = true)
    {
        auto payload = std::make_unique<QMimeData>();
        Task::writeItemsToPasteboard(*payload, TaskList{item});
        return dragPayload(std::move(payload), at, fromThisProgram);
    }
    Played dragPayload(std::unique_ptr<QMimeData> payload, const QPointF& at, bool fromThisProgram = true)
    {
        if (!fromThisProgram) return play(payload.get(), at);
        Played played;
        installRunner(at, played);
        struct Ending : DraggingSource {
            void draggingEnded(const QPointF&, unsigned) override {}
        } ending;
        Event press;
        press.type = EventType::LeftMouseDown;
        press.clickCount = 1;
        QImage image(20, 20, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::gray);
        DragSource::beginDrag(m_otherView.get(), &ending, std::move(payload), image, QPointF(0, 20), press,
                              DragOperationGeneric);
        return played;
    }

    qint64 storedOrder(const TaskPtr& item) { return storedColumn(item->primaryKey(), QStringLiteral("taskOrder")).toLongLong(); }
    std::vector<qint64> storedOrders(const TaskList& items)
    {
        std::vector<qint64> orders;
        for (const TaskPtr& item : items) orders.push_back(storedOrder(item));
        return orders;
    }

    QObject m_orderObserver;
    int m_orderPosts = 0;
    std::unique_ptr<View> m_otherView;
};

using Orders = std::vector<qint64>;

}  // namespace

TEST_F(TaskListDropTest, ARowDroppedElsewhereTakesTheOrderOfItsPlaceAndTheOthersShift)
{
    struct Case {
        const char* name;
        int from, to;
        Orders expected;  // of T1..T4
    };
    const Case cases[] = {
        {"T1 below T4", 0, 4, {4, 1, 2, 3}},
        {"T3 above T2", 2, 1, {1, 3, 2, 4}},
        {"T4 above T1", 3, 0, {2, 3, 4, 1}},
    };
    const TaskList tasks = rows({"T1", "T2", "T3", "T4"});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (int i = 0; i < 4; ++i) {
            tasks[i]->setTaskOrder(i + 1);
            ASSERT_TRUE(tasks[i]->dehydrate());
        }
        pane().reloadTaskIfNeeded();
        const int posts = m_orderPosts;
        const Played played = dragRow(c.from, gapBefore(c.to));
        EXPECT_TRUE(played.entered);
        EXPECT_TRUE(played.moved);
        EXPECT_TRUE(played.dropped);
        EXPECT_EQ(storedOrders(tasks), c.expected);
        for (int i = 0; i < 4; ++i) EXPECT_EQ(tasks[i]->taskOrder(), c.expected[size_t(i)]) << "in memory, T" << i + 1;
        EXPECT_EQ(m_orderPosts, posts + 1);
        EXPECT_EQ(list().itemBeingDrag(), nullptr);
        EXPECT_EQ(list().selectedItem() ? list().selectedItem()->task() : nullptr, tasks[c.from]);
    }
    EXPECT_TRUE(m_alerts.requests().isEmpty()) << "the unfiltered list asks nothing";
}

TEST_F(TaskListDropTest, ADropAtItsOwnPlaceChangesNoOrder)
{
    const TaskList tasks = rows({"T1", "T2", "T3"});
    pane().setForceSort(true);
    dragRow(1, gapBefore(1));
    EXPECT_EQ(storedOrders(tasks), (Orders{1, 2, 3}));
    EXPECT_FALSE(pane().forceSort()) << "any reorder drop clears the forced order";
    EXPECT_EQ(m_orderPosts, 0) << "at its own index nothing is announced";

    dragRow(1, gapBefore(2));  // the gap right below itself
    EXPECT_EQ(storedOrders(tasks), (Orders{1, 2, 3}));
    EXPECT_EQ(m_orderPosts, 1);
}

TEST_F(TaskListDropTest, HeadersTakeNoPartInTheRotation)
{
    const TaskPtr t1 = ordered(QStringLiteral("T1"), 1);
    const TaskPtr t2 = ordered(QStringLiteral("T2"), 2);
    const TaskPtr t3 = ordered(QStringLiteral("T3"), 3);
    plan({{"monText", {t1, t2}}, {"tueText", {t3}}});
    pane().reloadTaskIfNeeded();
    ASSERT_EQ(list().numberOfRows(), 5);
    ASSERT_TRUE(qobject_cast<InfoListItemView*>(list().rootItems()[3]));

    dragRow(4, gapBefore(1));  // just below the first header
    EXPECT_EQ(storedOrders({t1, t2, t3}), (Orders{2, 3, 1}));
    EXPECT_EQ(list().rootItems()[1], list().rowOfItem(t3->primaryKey()));
}

TEST_F(TaskListDropTest, AReorderUnderAForcedOrderNumbersTheRowsAndThePassFollowsThem)
{
    setting().setShowWarningChangeTaskOrder(0);
    QVariantMap hours;
    for (const QString& key : Setting::dayManagerKeys()) hours.insert(key, key.endsWith(QStringLiteral("EndTime")) ? 1020 : 540);
    setting().setDayManagers(hours);
    Clock::setFixed(localDate(2014, 1, 13, 7));
    const auto due = [](int day) {
        return [day](Task& t) {
            t.setHasDue(true);
            t.setDueEnd(localDate(2014, 1, day, 18));
            t.setHasDuration(true);
            t.setDuration(30);
        };
    };
    const TaskPtr a = ordered(QStringLiteral("A"), 1, due(20));
    const TaskPtr b = ordered(QStringLiteral("B"), 2, due(18));
    const TaskPtr c = ordered(QStringLiteral("C"), 3, due(16));
    chooseSegment(3);  // due, sooner first: C, B, A
    ASSERT_TRUE(pane().forceSort());
    const QStringList monday = [&] {
        QStringList names;
        for (const TaskPtr& t : dataManager().sevenDaysTaskList()->value(TextTable::localizedString(QStringLiteral("monText"))))
            names << t->taskName();
        return names;
    }();
    EXPECT_EQ(monday, (QStringList{"C", "B", "A"}));
    ASSERT_EQ(list().numberOfRows(), 4);  // Monday's header, C, B, A

    dragRow(3, gapBefore(1));  // A to the top
    EXPECT_FALSE(pane().forceSort());
    EXPECT_EQ(a->npSortOrder(), 1);
    EXPECT_EQ(c->npSortOrder(), 2);
    EXPECT_EQ(b->npSortOrder(), 3);
    pane().resetTimer();
    QStringList after;
    for (const TaskPtr& t : dataManager().sevenDaysTaskList()->value(TextTable::localizedString(QStringLiteral("monText"))))
        after << t->taskName();
    EXPECT_EQ(after, (QStringList{"A", "C", "B"}));
}

TEST_F(TaskListDropTest, AFilteredListAsksFirstAndATickedCancelStopsTheQuestion)
{
    setting().setShowWarningChangeTaskOrder(1);
    const TaskList tasks = rows({"T1", "T2", "T3"});
    for (const TaskPtr& t : tasks) {
        t->setIsPinned(true);
        ASSERT_TRUE(t->dehydrate());
    }
    chooseSegment(2);  // starred
    ASSERT_EQ(list().numberOfRows(), 3);

    m_alerts.scriptButton(AlertResponse::secondButton, true);
    dragRow(0, gapBefore(3));
    ASSERT_EQ(m_alerts.requests().size(), 1);
    const AlertRequest asked = m_alerts.requests().front();
    EXPECT_EQ(asked.messageText, TextTable::localizedString(QStringLiteral("changeTaskOrderText")));
    EXPECT_EQ(asked.informativeText, TextTable::localizedString(QStringLiteral("changeTaskOrderMessage")));
    EXPECT_EQ(asked.buttonTitles, (QStringList{TextTable::localizedString(QStringLiteral("okText")),
                                               TextTable::localizedString(QStringLiteral("cancelText"))}));
    EXPECT_TRUE(asked.showsSuppressionButton);
    EXPECT_EQ(storedOrders(tasks), (Orders{1, 2, 3})) << "Cancel keeps the order";
    EXPECT_EQ(m_orderPosts, 0);
    EXPECT_EQ(setting().showWarningChangeTaskOrder(), 0);

    dragRow(0, gapBefore(3));  // no question any more
    EXPECT_EQ(m_alerts.requests().size(), 1);
    EXPECT_EQ(storedOrders(tasks), (Orders{3, 1, 2}));

    setting().setShowWarningChangeTaskOrder(1);
    m_alerts.scriptButton(AlertResponse::firstButton);
    dragRow(0, gapBefore(2));  // T2 (now first) below T3
    EXPECT_EQ(m_alerts.requests().size(), 2);
    EXPECT_EQ(storedOrders(tasks), (Orders{3, 2, 1}));
}

TEST_F(TaskListDropTest, ANoteDroppedOnTheListBecomesATaskAtThatPlace)
{
    const TaskList tasks = rows({"T1", "T2", "T3", "T4", "T5"});
    const TaskPtr note = add(3, QStringLiteral("N"));
    qint64 largest = 0;
    for (const TaskPtr& item : dataManager().allTasksEventsAdes()) largest = std::max(largest, item->taskOrder());
    const Played played = dragFromElsewhere(note, gapBefore(0));
    EXPECT_TRUE(played.dropped);
    TaskPtr made;
    for (const TaskPtr& item : dataManager().allTasksEventsAdes())
        if (item->taskType() == 1 && !tasks.contains(item)) made = item;
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->taskType(), 1);
    EXPECT_EQ(storedOrder(made), 1);
    EXPECT_EQ(storedOrders(tasks), (Orders{2, 3, 4, 5, largest + 1})) << "T5 takes the order the new task came with";
    EXPECT_EQ(m_orderPosts, 1);

    // At the very end no order changes.
    pane().reloadTaskIfNeeded();
    const TaskPtr second = add(3, QStringLiteral("M"));
    const std::vector<qint64> before = storedOrders(tasks);
    EXPECT_TRUE(dragFromElsewhere(second, gapBefore(list().numberOfRows())).dropped);
    EXPECT_EQ(storedOrders(tasks), before);
    EXPECT_EQ(m_orderPosts, 2);
}

TEST_F(TaskListDropTest, ATaskFromAnotherViewIsReorderedWhenListedAndOtherwiseLeftAlone)
{
    const TaskList tasks = rows({"T1", "T2", "T3"});
    EXPECT_TRUE(dragFromElsewhere(tasks[2], gapBefore(0)).dropped);
    EXPECT_EQ(storedOrders(tasks), (Orders{2, 3, 1}));
    EXPECT_EQ(m_orderPosts, 1);

    const TaskPtr done = task(QStringLiteral("Done"), [](Task& t) {
        t.setStatus(1);
        t.setTaskOrder(9);
    });
    pane().reloadTaskIfNeeded();
    EXPECT_TRUE(dragFromElsewhere(done, gapBefore(0)).dropped) << "accepted";
    EXPECT_EQ(storedOrders(tasks), (Orders{2, 3, 1}));
    EXPECT_EQ(storedOrder(done), 9);
    EXPECT_EQ(m_orderPosts, 1);
}

TEST_F(TaskListDropTest, ForeignUnreadableSharedAndChecklistDropsAndDropsOntoARowAreRefused)
{
    const TaskList tasks = rows({"T1", "T2", "T3"});
    const auto unchanged = [&](const char* what) {
        EXPECT_EQ(storedOrders(tasks), (Orders{1, 2, 3})) << what;
        EXPECT_EQ(m_orderPosts, 0) << what;
    };

    const Played foreign = dragFromElsewhere(tasks[2], gapBefore(0), false);
    EXPECT_FALSE(foreign.entered);
    EXPECT_FALSE(foreign.dropped);
    unchanged("from another program");

    const Played onto = dragRow(2, middleOf(0));
    EXPECT_FALSE(onto.moved);
    EXPECT_FALSE(onto.dropped);
    unchanged("onto a row");

    auto garbage = std::make_unique<QMimeData>();
    garbage->setData(KeyedArchive::mimeType, QByteArray("\x00\xff not an archive", 18));
    EXPECT_FALSE(dragPayload(std::move(garbage), gapBefore(0)).dropped);
    auto text = std::make_unique<QMimeData>();
    text->setText(QStringLiteral("T3"));
    EXPECT_FALSE(dragPayload(std::move(text), gapBefore(0)).entered);
    unchanged("damaged or foreign data");

    const TaskPtr shared = event(QStringLiteral("Shared"), localDate(2014, 1, 13, 14), localDate(2014, 1, 13, 15),
                                 [](Task& t) { t.setIsShared(true); });
    const Played sharedDrag = dragFromElsewhere(shared, gapBefore(0));
    EXPECT_TRUE(sharedDrag.entered);
    EXPECT_FALSE(sharedDrag.moved) << "refused while it is dragged over the list";
    EXPECT_FALSE(sharedDrag.dropped);

    unchanged("a shared event");
    const TaskPtr item = add(2, QStringLiteral("Checklist item"));
    EXPECT_FALSE(dragFromElsewhere(item, gapBefore(0)).dropped);
    unchanged("a checklist item");

    // A task whose record went while it was dragged.
    const TaskPtr gone = task(QStringLiteral("Gone"));
    auto payload = std::make_unique<QMimeData>();
    Task::writeItemsToPasteboard(*payload, TaskList{gone});
    ASSERT_TRUE(gone->deleteFromDatabase());
    EXPECT_FALSE(dragPayload(std::move(payload), gapBefore(0)).dropped);
    unchanged("refused items");
    EXPECT_TRUE(m_alerts.requests().isEmpty());
}

TEST_F(TaskListDropTest, PicturesOfTheListBeforeAndAfterAReorder)
{
    const TaskList tasks = rows({"Write the quarterly report", "Call the plumber", "Prepare the workshop slides",
                                 "Book the train to Lyon", "Renew the library card"});
    EXPECT_FALSE(saveScreenshot(&pane(), QStringLiteral("tasklist-before-reorder")).isEmpty());
    dragRow(3, gapBefore(0));  // the train to the top
    EXPECT_EQ(shown().front(), QStringLiteral("Book the train to Lyon"));
    EXPECT_EQ(storedOrders(tasks), (Orders{2, 3, 4, 1, 5}));
    EXPECT_FALSE(saveScreenshot(&pane(), QStringLiteral("tasklist-after-reorder")).isEmpty());
}

TEST_F(TaskListDropTest, AReorderThatCannotBeSavedLeavesTheStoredOrderAndTheRowsAsTheyWere)
{
    const TaskList tasks = rows({"T1", "T2", "T3"});
    for (const TaskPtr& t : tasks) {
        t->setIsPinned(true);
        ASSERT_TRUE(t->dehydrate());
    }
    setting().setShowWarningEvent2Task(0);
    const TaskPtr meeting = add(0, QStringLiteral("Meeting"), [](Task& t) {
        t.setStartTime(localDate(2014, 1, 13, 14));
        t.setEndTime(localDate(2014, 1, 13, 15));
    });
    exec(QStringLiteral("CREATE TRIGGER refuseOrders BEFORE UPDATE ON Tasks WHEN NEW.taskName='T3' "
                        "BEGIN SELECT RAISE(ABORT, 'full'); END"));
    const struct {
        const char* name;
        int questions;  // answered OK with the do-not-ask-again box ticked
        std::function<void()> act;
    } cases[] = {
        {"a row dragged", 0, [&] { dragRow(0, gapBefore(3)); }},
        {"an event dropped on the list", 0, [&] { dragFromElsewhere(meeting, gapBefore(0)); }},
        {"a row dragged in a filtered list", 1, [&] {
             chooseSegment(2);  // starred
             dragRow(0, gapBefore(3));
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        setting().setShowWarningChangeTaskOrder(1);
        ScriptedAlertPresenter alerts;
        for (int question = 0; question < c.questions; ++question) alerts.scriptButton(AlertResponse::firstButton, true);
        alerts.scriptButton(AlertResponse::firstButton);
        c.act();
        EXPECT_EQ(alerts.requests().size(), 1 + c.questions) << "the person is told once";
        EXPECT_EQ(storedOrders(tasks), (Orders{1, 2, 3}));
        for (int i = 0; i < 3; ++i) EXPECT_EQ(tasks[i]->taskOrder(), i + 1) << "in memory, T" << i + 1;
        EXPECT_EQ(shown(), (QStringList{"T1", "T2", "T3"})) << "the rows follow the stored order again";
        EXPECT_EQ(m_orderPosts, 0);
        EXPECT_EQ(queryInt(QStringLiteral("SELECT COUNT(*) FROM Tasks WHERE taskType=0 AND primaryKey=%1")
                               .arg(meeting->primaryKey())),
                  1)
            << "the event is not converted without its place";
        EXPECT_EQ(setting().showWarningChangeTaskOrder(), 1) << "the question is asked again";
        EXPECT_EQ(queryInt(QStringLiteral("SELECT showWarningChangeTaskOrder FROM Settings")), 1);
    }
    exec(QStringLiteral("DROP TRIGGER refuseOrders"));
}
