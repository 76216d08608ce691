// Drops on the day grid: what it takes, the look of the dragged item, the
// drop time and the command each source and item get.
#include "TaskViewTestFixture.h"

#include "DragSource.h"
#include "DropTarget.h"
#include "ImageView.h"
#include "KeyedArchive.h"
#include "MessageBoxAlertPresenter.h"
#include "Screenshot.h"
#include "ScriptedAlertPresenter.h"
#include "TaskListTableView.h"
#include "TextTable.h"
#include "TimeSlotObject.h"

#include <QAbstractButton>
#include <QDropEvent>
#include <QMessageBox>
#include <QTimer>
#include <QMimeData>

namespace CalendarViewDropTestCases {

namespace CalendarViewDropTests {

namespace {

constexpr double imageHeight = 46;
// Where the pointer holds the dragged image, from its top-left corner.
const QPoint hotSpot(10, 20);

QString text(const char* key)
{
    return TextTable::localizedString(QString::fromLatin1(key));
}

std::unique_ptr<QMimeData> payloadOf(const TaskPtr& item)
{
    auto payload = std::make_unique<QMimeData>();
    Task::writeItemsToPasteboard(*payload, TaskList{item});
    return payload;
}

struct DropOutcome {
    bool enteredAccepted = false;
    qint64 typeOnEntry = -1;
    qint64 typeWhileMoving = -1;
    bool dropped = false;
};

class CalendarViewDropTest : public TaskViewTest {
protected:
    // The grid's point (Qt's) that puts the image's top-left corner at the
    // document point.
    QPoint gridPointFor(const QPointF& documentPoint, const QPoint& grab)
    {
        return m_grid->contentView()->mapTo(m_grid.get(), documentPoint.toPoint()) + grab;
    }

    // Plays a drag of the payload from the source view (none: from outside
    // the program) that enters the grid, moves so that the image's top-left
    // corner is at the document point, and drops there. The pointer holds
    // the image at `grab` from its top-left corner.
    DropOutcome drag(View* source, std::unique_ptr<QMimeData> payload, const QPointF& documentPoint,
                     const QPoint& grab = hotSpot)
    {
        DropOutcome outcome;
        const auto play = [&](const QMimeData* data) {
            const QPoint at = gridPointFor(documentPoint, grab);
            QDragEnterEvent enter(at, Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(m_grid.get(), &enter);
            outcome.enteredAccepted = (enter.isAccepted() && enter.dropAction() != Qt::IgnoreAction);
            outcome.typeOnEntry = m_grid->draggedImageType();
            QDragMoveEvent move(at, Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(m_grid.get(), &move);
            outcome.typeWhileMoving = m_grid->draggedImageType();
            QDropEvent drop(QPointF(at), Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(m_grid.get(), &drop);
            outcome.dropped = drop.isAccepted();
        };
        if (!source) {
            play(payload.get());
            return outcome;
        }
        DragSource::setRunner([&](DragSource::Drag& running) {
            play(running.payload.get());
            return DragSource::Outcome{outcome.dropped ? DragOperationGeneric : DragOperationNone, {}};
        });
        struct Ending : DraggingSource {
            void draggingEnded(const QPointF&, unsigned) override {}
        } ending;
        // The pointer at the hot spot of an image laid over the source's top-left corner.
        Event press;
        press.type = EventType::LeftMouseDown;
        press.clickCount = 1;
        press.locationInWindow = source->convertPointToWindow(
            source->isFlipped() ? QPointF(grab) : QPointF(grab.x(), source->bounds().height() - grab.y()));
        QImage image(int(TaskView::draggingWidth), int(imageHeight), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::gray);
        const QPointF origin = source->isFlipped() ? QPointF(0, imageHeight) : QPointF(0, source->bounds().height() - imageHeight);
        DragSource::beginDrag(source, &ending, std::move(payload), image, origin, press, DragOperationGeneric);
        DragSource::setRunner({});
        return outcome;
    }

    // A box of the grid to drag from.
    TaskView* sourceBox(const TaskPtr& item) { return placeEvent(item, 20, 21); }

    // Tasks planned on the shown day, poured into one slot from 9:00, in order.
    TaskList planTasks(const QStringList& names, qint64 minutesEach)
    {
        TaskList tasks;
        qint64 order = 1;
        for (const QString& name : names) {
            TaskPtr task = storedTask(name, minutesEach);
            task->setTaskOrder(order++);
            EXPECT_TRUE(task->dehydrate());
            tasks.append(task);
        }
        const QString weekday = Utilities::getWeekDayName(shownDay());
        TimeSlotObject slot;
        slot.setStartTimeInMinutes(9 * 60);
        slot.setEndTimeInMinutes(18 * 60);
        dataManager().setSevenDaysTaskList(CoreData::WeekdayTaskLists{{weekday, tasks}});
        dataManager().setSevenDaysOpenTimeSlotsList(CoreData::WeekdayTimeSlots{{weekday, {slot}}});
        setting().setShowTask(1);
        m_grid->reloadData();
        EXPECT_EQ(m_grid->taskPieces().size(), size_t(names.size()));
        return tasks;
    }

    qint64 storedOrder(const TaskPtr& task) { return storedColumn(task->primaryKey(), QStringLiteral("taskOrder")).toLongLong(); }
};

}  // namespace

TEST_F(CalendarViewDropTest, TheImagesTopGivesTheQuarterHourAbove)
{
    const struct {
        double top;
        int hour, minute;
    } cases[] = {
        {506, 10, 30},  // 483 = 10.5 x 46 below the 0:00 line
        {500, 10, 15},  // minute 22 cut down to 15
        {23, 0, 0},
        {68.9, 0, 45},
        {1126, 23, 45},
        {22, -1, 45},   // above the 0:00 line: the day before
    };
    for (const auto& c : cases) {
        const CalendarView::DropTime time = CalendarView::dropTimeOfImageTop(c.top);
        EXPECT_EQ(time.hour, c.hour) << c.top;
        EXPECT_EQ(time.minute, c.minute) << c.top;
    }
    EXPECT_EQ(CalendarView::dropTimeOfImageTop(std::nan("")).hour, 0);
}

TEST_F(CalendarViewDropTest, ForeignDragsUnreadablePayloadsAndItemsWithoutAPlaceAreRefused)
{
    ScriptedAlertPresenter alerts;  // any question fails the test
    ChangeCounter changes;
    const TaskPtr event = storedEvent(QStringLiteral("Standup"), at(9), at(10));
    TaskView* source = sourceBox(event);
    const auto storedStart = [&] { return storedColumn(event->primaryKey(), QStringLiteral("startTime")); };
    const QVariant before = storedStart();

    const DropOutcome foreign = drag(nullptr, payloadOf(event), {40, 506});
    EXPECT_FALSE(foreign.enteredAccepted) << "from outside the program";
    EXPECT_FALSE(foreign.dropped);

    auto untyped = std::make_unique<QMimeData>();
    untyped->setText(QStringLiteral("Standup"));
    EXPECT_FALSE(drag(source, std::move(untyped), {40, 506}).enteredAccepted);
    auto garbage = std::make_unique<QMimeData>();
    garbage->setData(KeyedArchive::mimeType, QByteArray("\x00\xff not an archive", 18));
    const DropOutcome unreadable = drag(source, std::move(garbage), {40, 506});
    EXPECT_FALSE(unreadable.enteredAccepted);
    EXPECT_FALSE(unreadable.dropped);

    struct Kind {
        const char* name;
        qint64 taskType;
        bool shared;
    };
    for (const Kind& kind : {Kind{"checklist item", 2, false}, Kind{"note", 3, false}, Kind{"shared event", 0, true}}) {
        auto item = std::make_shared<Task>();
        item->setTaskType(kind.taskType);
        item->setTaskName(QString::fromLatin1(kind.name));
        item->setStartTime(at(9));
        item->setEndTime(at(10));
        item->setIsShared(kind.shared);
        ASSERT_TRUE(item->insertAndDehydrate());
        const DropOutcome refused = drag(source, payloadOf(item), {40, 506});
        EXPECT_FALSE(refused.enteredAccepted) << kind.name;
        EXPECT_FALSE(refused.dropped) << kind.name;
        EXPECT_EQ(reread(item)->startTime(), at(9)) << kind.name;
    }
    EXPECT_EQ(storedStart(), before);
    EXPECT_EQ(changes.posts, 0) << "a refused drop announces nothing";
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(changes.posts, 0);
}

TEST_F(CalendarViewDropTest, AnItemWhoseRecordWentWhileItWasDraggedIsRefused)
{
    ScriptedAlertPresenter alerts;  // any question fails the test
    ChangeCounter changes;
    const TaskPtr keep = storedEvent(QStringLiteral("Standup"), at(9), at(10));
    TaskView* source = sourceBox(keep);
    for (const bool isTask : {false, true}) {
        const TaskPtr gone = isTask ? storedTask(QStringLiteral("Gone task"), 60)
                                    : storedEvent(QStringLiteral("Gone event"), at(11), at(12));
        auto payload = payloadOf(gone);
        ASSERT_TRUE(gone->deleteFromDatabase());
        const qint64 rowsBefore = rowCount();
        // In the task zone and beside it: neither may bring the record back.
        EXPECT_FALSE(drag(source, std::move(payload), {40, 506}).dropped) << isTask;
        EXPECT_FALSE(drag(source, payloadOf(gone), {200, 1100}).dropped) << isTask;
        EXPECT_EQ(rowCount(), rowsBefore) << "no blank item is stored for a gone record";
    }
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(changes.posts, 0);
    EXPECT_EQ(reread(keep)->startTime(), at(9));
}

TEST_F(CalendarViewDropTest, TheDraggedItemLooksLikeAPieceInTheTaskZoneAndLikeABoxElsewhere)
{
    const TaskPtr task = storedTask(QStringLiteral("Report"), 60);
    const TaskPtr event = storedEvent(QStringLiteral("Standup"), at(9), at(10));
    TaskView* source = sourceBox(event);
    ScriptedAlertPresenter alerts;

    // Entering takes the item's own look; moving takes the zone's.
    const DropOutcome inZone = drag(source, payloadOf(event), {200, 1100});
    EXPECT_TRUE(inZone.enteredAccepted);
    EXPECT_EQ(inZone.typeOnEntry, 0);
    EXPECT_EQ(inZone.typeWhileMoving, 1);
    const DropOutcome left = drag(source, payloadOf(task), {40, 1100});
    EXPECT_EQ(left.typeOnEntry, 1);
    EXPECT_EQ(left.typeWhileMoving, 0);
    EXPECT_EQ(m_grid->draggedImageType(), -1) << "the preview goes with the drop";
    EXPECT_TRUE(m_grid->dragPreviewView()->isHidden());
}

TEST_F(CalendarViewDropTest, AnEventMovesToTheDropTimeKeepingItsLengthAndAtItsOwnTimeNothingHappens)
{
    ScriptedAlertPresenter alerts;  // no question for one-off events
    ChangeCounter changes;
    const TaskPtr event = storedEvent(QStringLiteral("Standup"), at(9), at(10, 30));
    TaskView* source = sourceBox(event);

    // At its own time (9:00 is y 437): nothing changes, the grid still reloads.
    const DropOutcome same = drag(source, payloadOf(event), {40, 9 * 46 + 23});
    EXPECT_TRUE(same.dropped);
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(changes.posts, 1);
    EXPECT_EQ(reread(event)->startTime(), at(9));

    const DropOutcome moved = drag(source, payloadOf(event), {40, 506});
    EXPECT_TRUE(moved.dropped);
    const TaskPtr stored = reread(event);
    EXPECT_EQ(stored->startTime(), at(10, 30));
    EXPECT_EQ(stored->endTime(), at(12)) << "the 90 minutes are kept";
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(changes.posts, 2);
}

TEST_F(CalendarViewDropTest, ARepeatingEventAsksHowFarTheMoveGoes)
{
    struct Case {
        const char* name;
        int daysBefore;  // the series began this many days before the shown day
        int answer;
        QString second;
        bool moves;
        // A series at 9:00 in New York, shown in Paris on a winter or a
        // summer day while the clock stands in winter; 10:30 in Paris is
        // 4:30 in New York on either day.
        const char* zone = nullptr;
        Date day = shownDay();
    };
    const Case cases[] = {
        {"first occurrence, cancelled", 0, 1002, text("allText"), false},
        {"third occurrence, cancelled", 2, 1002, text("allFutureEventsText"), false},
        {"third occurrence, only this one", 2, 1000, text("allFutureEventsText"), true},
        {"third occurrence in New York on a winter day, with the later ones", 2, 1001, text("allFutureEventsText"), true,
         "America/New_York"},
        {"third occurrence in New York on a summer day, with the later ones", 2, 1001, text("allFutureEventsText"), true,
         "America/New_York", localDate(2014, 7, 16)},
    };
    for (const Case& c : cases) {
        m_monthView->monthCalendarView()->setCurrentDay(c.day, false);
        const auto on = [&](int hour, int minute, int days) { return Utilities::newDateOnDate(c.day.dateByAddingTimeInterval(days * 86400.0), hour, minute); };
        if (c.zone) dataManager().loadTimeZones();
        setting().setTzSupport(c.zone != nullptr);
        if (c.zone) setting().setCurrentTZ(dataManager().getTimeZoneId(QStringLiteral("Europe/Paris")));
        auto master = std::make_shared<Task>();
        master->setTaskType(0);
        master->setTaskName(QString::fromLatin1(c.name));
        master->setCalendarId(1);
        master->setStartTime(on(9, 0, -c.daysBefore));
        master->setEndTime(on(10, 0, -c.daysBefore));
        if (c.zone) master->setTz(dataManager().getTimeZoneId(QString::fromLatin1(c.zone)));
        master->setDuration(60);
        master->setRepeatType(1);
        master->setIsRepeatForever(1);
        master->setRepeatStartDate(master->startTime());
        ASSERT_TRUE(master->insertAndDehydrate());
        TaskList instances;
        dataManager().fillRepeatEventInstances(TaskList{master}, instances, c.day, c.day);
        ASSERT_FALSE(instances.isEmpty()) << c.name;
        const TaskPtr occurrence = instances.front();
        TaskView* source = sourceBox(occurrence);

        ScriptedAlertPresenter alerts;
        alerts.scriptButton(c.answer);
        const qint64 rowsBefore = rowCount();
        drag(source, payloadOf(occurrence), {40, 506});
        ASSERT_EQ(alerts.requests().size(), 1) << c.name;
        const AlertRequest asked = alerts.requests().front();
        EXPECT_EQ(asked.buttonTitles, (QStringList{text("onlyThisEventText"), c.second, text("cancelText")})) << c.name;
        EXPECT_EQ(asked.messageText, text("editingEventText")) << c.name;
        EXPECT_TRUE(asked.attached) << "over the main window";
        EXPECT_EQ(reread(master)->startTime(), on(9, 0, -c.daysBefore)) << c.name << ": the series stays";
        EXPECT_EQ(rowCount() > rowsBefore, c.moves) << c.name << ": only this one becomes an item of its own";
        if (!c.zone) continue;
        // The later occurrences go on from the drop time, as New York has it.
        const TaskPtr moved = reread(dataManager().modifyingTask());
        EXPECT_EQ(moved->repeatType(), 1) << c.name;
        EXPECT_EQ(moved->startTime(), on(4, 30, 0)) << c.name;
        EXPECT_EQ(moved->endTime(), on(5, 30, 0)) << c.name;
    }
}

TEST_F(CalendarViewDropTest, ATaskFromTheTaskListAlwaysBecomesAScheduledTask)
{
    ScriptedAlertPresenter alerts;
    const TaskPtr task = storedTask(QStringLiteral("Report"), 60);
    TaskListTableView list(QRectF(0, 0, 200, 300));
    // The row's picture is held anywhere along its height: the task lands at
    // the pointer (y 506: 10:30; 510 and 516: minutes 35 and 43 cut down to 10:30).
    const struct {
        double x;
        QPoint grab;
        double pointerY;
    } rows[] = {
        {200, hotSpot, 506},
        {40, hotSpot, 506},
        {200, QPoint(10, 5), 510},
        {200, QPoint(10, 40), 516},
    };
    for (const auto& row : rows) {
        const QString name = QStringLiteral("x %1, grabbed at %2").arg(row.x).arg(row.grab.y());
        const DropOutcome dropped = drag(&list, payloadOf(reread(task)), {row.x, row.pointerY - row.grab.y()}, row.grab);
        EXPECT_TRUE(dropped.dropped) << name.toStdString();
        const TaskPtr stored = reread(task);
        EXPECT_EQ(stored->taskType(), 0) << name.toStdString();
        EXPECT_TRUE(stored->isSheduledTask()) << name.toStdString();
        EXPECT_EQ(stored->startTime(), at(10, 30)) << name.toStdString();
        // Back to a task for the next drop.
        ASSERT_NE(dataManager().convertSTask2Task(stored), nullptr);
    }
}

TEST_F(CalendarViewDropTest, TodaysPiecesReorderInTheTaskZoneAndBecomeScheduledTasksOutsideIt)
{
    ScriptedAlertPresenter alerts;
    const TaskList tasks = planTasks({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")}, 60);
    const TaskPtr a = tasks[0], b = tasks[1], c = tasks[2];
    // A's piece at 9:00 dragged down past B (10:00) and C (11:00).
    TaskView* pieceA = m_grid->taskPieces()[0];
    m_grid->selectTask(pieceA);
    m_grid->draggingTask(pieceA);
    EXPECT_TRUE(pieceA->isHidden());
    EXPECT_DOUBLE_EQ(m_grid->findDraggedPosY(a), 9 * 46 + 23);
    const DropOutcome down = drag(pieceA, payloadOf(a), {200, 11.5 * 46 + 23});
    EXPECT_TRUE(down.dropped);
    EXPECT_EQ(storedOrder(b), 1) << "B moves up one place";
    EXPECT_EQ(storedOrder(c), 2) << "C moves up one place";
    EXPECT_EQ(storedOrder(a), 3) << "A takes the last one's place";

    // Left of the zone the piece becomes a scheduled task at the drop time.
    m_grid->reloadData();
    drag(m_grid->taskPieces()[0], payloadOf(reread(b)), {40.0, 506.0 - hotSpot.y()});
    EXPECT_TRUE(reread(b)->isSheduledTask());
    EXPECT_EQ(reread(b)->startTime(), at(10, 30));
}

TEST_F(CalendarViewDropTest, MovingAPieceUpPutsItInFrontOfTheTasksItPassed)
{
    ScriptedAlertPresenter alerts;
    const TaskList tasks = planTasks({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")}, 60);
    TaskView* pieceC = m_grid->taskPieces()[2];
    m_grid->selectTask(pieceC);
    m_grid->draggingTask(pieceC);
    // Its image's top just above A's piece.
    drag(pieceC, payloadOf(tasks[2]), {200, 9 * 46 + 20});
    EXPECT_EQ(storedOrder(tasks[2]), 1);
    EXPECT_EQ(storedOrder(tasks[0]), 2);
    EXPECT_EQ(storedOrder(tasks[1]), 3);
}

TEST_F(CalendarViewDropTest, AnEventDroppedInTheTaskZoneBecomesATaskBeforeTheFirstPlannedOneBelow)
{
    ScriptedAlertPresenter alerts;
    const TaskList tasks = planTasks({QStringLiteral("A"), QStringLiteral("B")}, 60);
    const TaskPtr event = storedEvent(QStringLiteral("Call"), at(14), at(15));
    // B's row cannot take its new order: the event stays as it was, and the
    // person is told once.
    exec(QStringLiteral("CREATE TRIGGER refuseOrders BEFORE UPDATE ON Tasks WHEN NEW.taskName='B' "
                        "BEGIN SELECT RAISE(ABORT, 'full'); END"));
    alerts.scriptButton(AlertResponse::firstButton);
    drag(sourceBox(event), payloadOf(event), {200, 9.5 * 46 + 23});
    QCoreApplication::processEvents();
    EXPECT_EQ(alerts.requests().size(), 1);
    EXPECT_EQ(reread(event)->taskType(), 0) << "not converted without its place";
    EXPECT_EQ(storedOrder(tasks[1]), 2);
    exec(QStringLiteral("DROP TRIGGER refuseOrders"));
    m_grid->reloadData();

    // Image top at 9:30, between A's piece (9:00) and B's (10:00).
    drag(sourceBox(event), payloadOf(event), {200, 9.5 * 46 + 23});
    const TaskPtr made = reread(event);
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->taskType(), 1);
    EXPECT_EQ(storedOrder(made), 2) << "B's place";
    EXPECT_GT(storedOrder(tasks[1]), 2) << "B behind it";
    EXPECT_EQ(storedOrder(tasks[0]), 1) << "A above the drop point stays first";
}

TEST_F(CalendarViewDropTest, OnAnotherDayAnEventOnlyMovesAndATaskBecomesScheduled)
{
    ScriptedAlertPresenter alerts;
    m_monthView->monthCalendarView()->setCurrentDay(at(0, 0, 1), false);
    const TaskPtr event = storedEvent(QStringLiteral("Call"), at(14), at(15));
    const TaskPtr task = storedTask(QStringLiteral("Report"), 30);
    TaskView* source = sourceBox(event);
    drag(source, payloadOf(event), {200, 506});
    EXPECT_EQ(reread(event)->taskType(), 0);
    EXPECT_EQ(reread(event)->startTime(), at(10, 30, 1));
    drag(source, payloadOf(task), {200.0, 506.0 - hotSpot.y()});
    EXPECT_TRUE(reread(task)->isSheduledTask());
    EXPECT_EQ(reread(task)->startTime(), at(10, 30, 1));
}

TEST_F(CalendarViewDropTest, AReorderUnderAFilteredTaskListWarnsFirst)
{
    const TaskList tasks = planTasks({QStringLiteral("A"), QStringLiteral("B")}, 60);
    m_grid->setTaskListFilterQuery([] { return true; });
    setting().setShowWarningChangeTaskOrder(1);
    const auto dragATo = [&](double imageTop) {
        m_grid->reloadData();
        TaskView* pieceA = nullptr;
        for (const QPointer<TaskView>& piece : m_grid->taskPieces())
            if (piece && piece->task()->primaryKey() == tasks[0]->primaryKey()) pieceA = piece;
        ASSERT_NE(pieceA, nullptr);
        m_grid->selectTask(pieceA);
        m_grid->draggingTask(pieceA);
        drag(pieceA, payloadOf(reread(tasks[0])), {200, imageTop});
    };
    const auto dragADown = [&] { dragATo(11 * 46 + 23); };
    {
        ScriptedAlertPresenter alerts;
        alerts.scriptButton(AlertResponse::secondButton);
        dragADown();
        ASSERT_EQ(alerts.requests().size(), 1);
        EXPECT_EQ(alerts.requests().front().messageText, text("changeTaskOrderText"));
        EXPECT_TRUE(alerts.requests().front().showsSuppressionButton);
        EXPECT_EQ(storedOrder(tasks[0]), 1) << "cancel keeps the order";
        EXPECT_EQ(setting().showWarningChangeTaskOrder(), 1);
    }
    {
        ScriptedAlertPresenter alerts;
        alerts.scriptButton(AlertResponse::firstButton, true);
        dragADown();
        EXPECT_EQ(storedOrder(tasks[0]), 2) << "OK reorders";
        EXPECT_EQ(setting().showWarningChangeTaskOrder(), 0) << "the ticked box turns the warning off";
    }
    {
        ScriptedAlertPresenter alerts;  // no more question
        dragATo(9 * 46 + 20);
        EXPECT_EQ(storedOrder(tasks[0]), 1) << "back in front";
        EXPECT_EQ(storedOrder(tasks[1]), 2);
    }
}

namespace {

// Shows each alert as the shell would, takes its picture, and answers with
// its last button (cancel).
class PhotographingPresenter : public AlertPresenter {
public:
    explicit PhotographingPresenter(QStringList names) : m_names(std::move(names)), m_previous(&AlertPresenter::current())
    {
        AlertPresenter::setCurrent(this);
    }
    ~PhotographingPresenter() override { AlertPresenter::setCurrent(m_previous == this ? nullptr : m_previous); }

    AlertResponse runModal(const AlertRequest& request) override
    {
        const int shown = m_shown++;
        const QString name = m_names.value(shown, QStringLiteral("drop-alert-%1").arg(shown + 1));
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            QMessageBox* box = nullptr;
            for (QWidget* window : QApplication::topLevelWidgets())
                if (auto* found = qobject_cast<QMessageBox*>(window); found && found->isVisible()) box = found;
            if (!box) return;
            poll.stop();
            saved.append(saveScreenshot(box, name));
            box->buttons().value(0)->setFocus();
            for (QAbstractButton* button : box->buttons())
                if (button->text() == request.buttonTitles.back()) button->click();
        });
        poll.start(5);
        MessageBoxAlertPresenter real;
        return real.runModal(request);
    }

    QStringList saved;

private:
    QStringList m_names;
    AlertPresenter* m_previous;
    int m_shown = 0;
};

}  // namespace

TEST_F(CalendarViewDropTest, ScreenshotsOfTheRepeatingQuestionAndTheReorderWarning)
{
    auto master = std::make_shared<Task>();
    master->setTaskType(0);
    master->setTaskName(QStringLiteral("Standup"));
    master->setCalendarId(1);
    master->setStartTime(at(9, 0, -2));
    master->setEndTime(at(10, 0, -2));
    master->setDuration(60);
    master->setRepeatType(1);
    master->setIsRepeatForever(1);
    master->setRepeatStartDate(master->startTime());
    ASSERT_TRUE(master->insertAndDehydrate());
    TaskList instances;
    dataManager().fillRepeatEventInstances(TaskList{master}, instances, shownDay(), shownDay());
    ASSERT_FALSE(instances.isEmpty());

    PhotographingPresenter alerts({QStringLiteral("drop-repeating-question"), QStringLiteral("drop-reorder-warning")});
    drag(sourceBox(instances.front()), payloadOf(instances.front()), {40, 506});

    const TaskList tasks = planTasks({QStringLiteral("A"), QStringLiteral("B")}, 60);
    m_grid->setTaskListFilterQuery([] { return true; });
    setting().setShowWarningChangeTaskOrder(1);
    TaskView* pieceA = m_grid->taskPieces()[0];
    m_grid->selectTask(pieceA);
    m_grid->draggingTask(pieceA);
    drag(pieceA, payloadOf(reread(pieceA->task())), {200, 11 * 46 + 23});

    ASSERT_EQ(alerts.saved.size(), 2);
    for (const QString& path : alerts.saved) EXPECT_FALSE(path.isEmpty());
    EXPECT_EQ(reread(master)->startTime(), at(9, 0, -2)) << "cancelled";
}

}  // namespace CalendarViewDropTests

}  // namespace CalendarViewDropTestCases
