#include "TaskViewTestFixture.h"

#include "ScriptedAlertPresenter.h"
#include "GregorianCalendar.h"
#include "TextTable.h"

namespace {

class TaskViewEdgeDragTest : public TaskViewTest {};

QPointF topEdge(const TaskView* box) { return {50, 2}; }
QPointF bottomEdge(const TaskView* box) { return {50, box->frame().height() - 2}; }

}  // namespace

TEST_F(TaskViewEdgeDragTest, EdgesAreClampedToTheGridAndSwapWhenTheyCross)
{
    const TaskPtr item = storedEvent(QStringLiteral("Review"), at(9), at(10));
    struct Case {
        const char* name;
        bool top;
        std::vector<double> drags;
        QRectF frame;  // y and height expected after the drags (x and width unchanged)
        bool startMoving;
    };
    const double y9 = yOf(9), y10 = yOf(10);
    const Case cases[] = {
        {"top up by an hour", true, {-46}, {0, yOf(8), 0, 92}, true},
        {"top above the grid: clamped at 0, bottom kept", true, {-1000}, {0, 0, 0, y10}, true},
        {"bottom down by half an hour", false, {23}, {0, y9, 0, 69}, false},
        {"bottom past the document: stops at 1150", false, {2000}, {0, y9, 0, 1150 - y9}, false},
        // Past the other edge the drag goes on as the other edge's drag, the
        // frame left alone by the move that crossed.
        {"top dragged past the bottom", true, {60}, {0, y9, 0, 46}, false},
        {"then on as a bottom drag", true, {60, 20}, {0, y9, 0, 66}, false},
        {"bottom dragged past the top", false, {-50}, {0, y9, 0, 46}, true},
        {"then on as a top drag", false, {-50, -10}, {0, y9 - 10, 0, 56}, true},
    };
    for (const Case& c : cases) {
        TaskView* box = placeEvent(item, 9, 10);
        Pointer mouse(box);
        mouse.press(c.top ? topEdge(box) : bottomEdge(box));
        EXPECT_EQ(box->isStartTimeMoving(), c.top) << c.name;
        EXPECT_EQ(box->isEndTimeMoving(), !c.top) << c.name;
        for (double dy : c.drags) mouse.dragBy(dy);
        EXPECT_DOUBLE_EQ(box->frame().y(), c.frame.y()) << c.name;
        EXPECT_DOUBLE_EQ(box->frame().height(), c.frame.height()) << c.name;
        EXPECT_DOUBLE_EQ(box->frame().x(), CalendarView::boxLeft) << c.name;
        EXPECT_EQ(box->isStartTimeMoving(), c.startMoving) << c.name;
        EXPECT_EQ(box->isEndTimeMoving(), !c.startMoving) << c.name;
        delete box;
    }
}

TEST_F(TaskViewEdgeDragTest, SharedItemsNeverResizeAndAReleaseChangesNothing)
{
    ScriptedAlertPresenter alerts;  // fails the test if anything asks
    ChangeCounter changes;
    const TaskPtr item = storedEvent(QStringLiteral("Shared"), at(9), at(10));
    item->setIsShared(true);
    TaskView* box = placeEvent(item, 9, 10);
    const QRectF before = box->frame();
    Pointer mouse(box);
    mouse.press(bottomEdge(box));
    mouse.dragBy(92);
    EXPECT_EQ(box->frame(), before);
    mouse.release();
    EXPECT_EQ(reread(item)->endTime(), at(10));
    EXPECT_EQ(changes.posts, 0);
    EXPECT_FALSE(box->isEndTimeMoving());
}

TEST_F(TaskViewEdgeDragTest, AnEdgePressReleasedWithoutMovingChangesAndAsksNothing)
{
    ScriptedAlertPresenter alerts;
    ChangeCounter changes;
    // 9:10 would snap to 9:00 on a mere click if the release applied times.
    const TaskPtr item = storedEvent(QStringLiteral("Call"), at(9, 10), at(9, 50));
    const TaskPtr piece = storedTask(QStringLiteral("Write"), 50);
    TaskView* eventBox = place(item, true, QRectF(55, yOf(9 + 10 / 60.0), 200, 46 * 40 / 60.0));
    TaskView* pieceBox = place(piece, false, QRectF(250, yOf(11), 150, 46 * 50 / 60.0));
    for (TaskView* box : {eventBox, pieceBox}) {
        Pointer mouse(box);
        mouse.press(topEdge(box));
        mouse.release();
        EXPECT_FALSE(box->isStartTimeMoving());
    }
    EXPECT_EQ(reread(item)->startTime(), at(9, 10));
    EXPECT_EQ(reread(item)->endTime(), at(9, 50));
    EXPECT_EQ(reread(piece)->duration(), 50) << "not cut to 45";
    EXPECT_EQ(changes.posts, 0);
}

TEST_F(TaskViewEdgeDragTest, AReleaseTurnsTheFrameIntoQuarterHourTimesOfTheShownDay)
{
    struct Case {
        const char* name;
        Date start, end;
        double boxStart, boxEnd;  // hours of the box on the grid
        bool top;
        double dy;
        Date newStart, newEnd;
        qint64 duration;
        const char* zone = nullptr;  // the item's own, shown in Paris
        Date on{};                   // the shown day; none: 15 January 2014
        Date shownStart{};           // of a zoned item, after the drag
    };
    const Case cases[] = {
        {"end moved down 40 minutes cuts to the quarter", at(9), at(10), 9, 10, false, 46 * 40 / 60.0, at(9), at(10, 30),
         90},
        {"start moved up an hour", at(9), at(10), 9, 10, true, -46, at(8), at(10), 120},
        {"resized to nothing lasts an hour", at(9), at(10), 9, 10, false, -40, at(9), at(10), 60},
        // Boxes of items that run over midnight keep the other day's time.
        {"started the day before: the start at 0:00 is kept", at(22, 0, -1), at(1), 0, 1, false, 46, at(22, 0, -1),
         at(2), 240},
        {"ends the next day: the end at 24:00 is kept", at(23), at(1, 0, 1), 23, 24, true, -46, at(22),
         at(1, 0, 1), 180},
        {"the top dragged above the grid is 0:00, not the day before", at(1), at(2), 1, 2, true, -1000, at(0), at(2),
         120},
        // 20:30 in New York is the first 2:30 of Paris's repeated hour: the
        // start the drag left keeps that instant.
        {"New York's 20:30 shown in Paris's repeated hour, end down half an hour", localDate(2027, 10, 30, 20, 30),
         localDate(2027, 10, 30, 22), 2.5, 3, false, 23, localDate(2027, 10, 30, 20, 30),
         localDate(2027, 10, 30, 22, 30), 120, "America/New_York", localDate(2027, 10, 31),
         GregorianCalendar::dateFromFields(2027, 10, 31, 0, 30, 0, QTimeZone::utc())},
    };
    for (const Case& c : cases) {
        ScriptedAlertPresenter alerts;
        ChangeCounter changes;
        const TaskPtr item = storedEvent(QString::fromLatin1(c.name), c.start, c.end);
        setting().setTzSupport(c.zone != nullptr);
        m_monthView->monthCalendarView()->setCurrentDay(c.on ? c.on : shownDay(), false);
        if (c.zone) {
            dataManager().loadTimeZones();
            setting().setCurrentTZ(dataManager().getTimeZoneId(QStringLiteral("Europe/Paris")));
            item->setTz(dataManager().getTimeZoneId(QString::fromLatin1(c.zone)));
            ASSERT_TRUE(item->dehydrate());
            dataManager().recalculateTimeWithTimezoneSupport(item);
        }
        TaskView* box = placeEvent(item, c.boxStart, c.boxEnd);
        Pointer mouse(box);
        mouse.press(c.top ? topEdge(box) : bottomEdge(box));
        mouse.dragBy(c.dy);
        mouse.release();
        const TaskPtr stored = reread(item);
        EXPECT_EQ(stored->startTime(), c.newStart) << c.name;
        EXPECT_EQ(stored->endTime(), c.newEnd) << c.name;
        EXPECT_EQ(stored->duration(), c.duration) << c.name;
        if (c.zone) {
            dataManager().recalculateTimeWithTimezoneSupport(stored);
            EXPECT_EQ(stored->tzStartTime(), c.shownStart) << c.name;
        }
        EXPECT_EQ(changes.posts, 1) << c.name;
        EXPECT_FALSE(box->isStartTimeMoving() || box->isEndTimeMoving()) << c.name;
        EXPECT_EQ(View::currentCursorShape(), CursorShape::Arrow) << c.name;
        delete box;
    }
}

TEST_F(TaskViewEdgeDragTest, APieceChangesItsTasksDurationByWholeQuarters)
{
    struct Case {
        const char* name;
        qint64 duration;
        double pieceHeight;
        double dy;
        qint64 hasDuration, newDuration;
    };
    const Case cases[] = {
        {"grown by 23 points adds 30 minutes", 60, 46, 23, 1, 90},
        {"grown by 10 points keeps 60 (73.04 cut down)", 60, 46, 10, 1, 60},
        {"shrunk by 23 points", 60, 46, -23, 1, 30},
        {"shrunk to almost nothing loses its duration", 60, 46, -40, 0, 0},
        // A 120-minute task poured as a 30-minute piece: cut by 30 minutes
        // would leave 90, by more than the whole task nothing.
        {"a short piece of a long task", 120, 23, -20, 1, 90},
    };
    for (const Case& c : cases) {
        ScriptedAlertPresenter alerts;
        const TaskPtr item = storedTask(QString::fromLatin1(c.name), c.duration);
        const Date start = item->startTime();
        TaskView* box = place(item, false, QRectF(260, yOf(9), 150, c.pieceHeight));
        Pointer mouse(box);
        mouse.press(bottomEdge(box));
        mouse.dragBy(c.dy);
        mouse.release();
        const TaskPtr stored = reread(item);
        EXPECT_EQ(stored->hasDuration(), c.hasDuration) << c.name;
        EXPECT_EQ(stored->duration(), c.newDuration) << c.name;
        EXPECT_GE(stored->duration(), 0) << c.name << ": never a negative duration";
        EXPECT_EQ(stored->startTime(), start) << c.name << ": a piece leaves the task's times alone";
        delete box;
    }
}

TEST_F(TaskViewEdgeDragTest, RepeatingEventsAskHowFarTheChangeGoes)
{
    struct Case {
        const char* name;
        bool scheduled;
        bool firstOccurrence;
        int answer;
        QString buttons[3];
        QString message, informative;
    };
    const auto t = [](const char* key) { return TextTable::localizedString(QString::fromLatin1(key)); };
    const Case cases[] = {
        {"event, later occurrence, only this", false, false, 1000,
         {t("onlyThisEventText"), t("allFutureEventsText"), t("cancelText")}, t("editingEventText"),
         t("editingAllFutureMessageText")},
        {"event, first occurrence, all", false, true, 1001, {t("onlyThisEventText"), t("allText"), t("cancelText")},
         t("editingEventText"), t("editingAllMessageText")},
        {"event, later occurrence, all future", false, false, 1001,
         {t("onlyThisEventText"), t("allFutureEventsText"), t("cancelText")}, t("editingEventText"),
         t("editingAllFutureMessageText")},
        {"scheduled task, later occurrence, cancelled", true, false, 1002,
         {t("onlyThisSTaskText"), t("allFutureSTasksText"), t("cancelText")}, t("editingSTaskText"),
         t("editingAllSTaskFutureMessageText")},
        {"scheduled task, first occurrence, cancelled", true, true, 1002,
         {t("onlyThisSTaskText"), t("allText"), t("cancelText")}, t("editingSTaskText"),
         t("editingAllSTaskMessageText")},
    };
    for (const Case& c : cases) {
        // A daily series from the shown day (first occurrence) or from two
        // days before; the box is the shown day's occurrence.
        auto master = std::make_shared<Task>();
        master->setTaskType(0);
        master->setTaskName(QString::fromLatin1(c.name));
        master->setCalendarId(1);
        master->setIsSheduledTask(c.scheduled);
        master->setStartTime(at(9, 0, c.firstOccurrence ? 0 : -2));
        master->setEndTime(at(10, 0, c.firstOccurrence ? 0 : -2));
        master->setDuration(60);
        master->setRepeatType(1);
        master->setIsRepeatForever(1);
        master->setRepeatStartDate(master->startTime());
        ASSERT_TRUE(master->insertAndDehydrate());
        TaskList instances;
        dataManager().fillRepeatEventInstances(TaskList{master}, instances, shownDay(), shownDay());
        TaskPtr occurrence;
        for (const TaskPtr& each : instances)
            if (Utilities::today(each->startTime()) == shownDay()) occurrence = each;
        ASSERT_TRUE(occurrence) << c.name;
        ASSERT_LE(occurrence->primaryKey(), -2) << c.name;
        const qint64 rowsBefore = rowCount();

        ScriptedAlertPresenter alerts;
        alerts.scriptButton(c.answer);
        ChangeCounter changes;
        TaskView* box = placeEvent(occurrence, 9, 10);
        Pointer mouse(box);
        mouse.press(bottomEdge(box));
        mouse.dragBy(46);
        mouse.release();

        ASSERT_EQ(alerts.requests().size(), 1) << c.name;
        const AlertRequest request = alerts.requests().front();
        EXPECT_EQ(request.style, AlertStyle::Warning) << c.name;
        EXPECT_EQ(request.buttonTitles, QStringList({c.buttons[0], c.buttons[1], c.buttons[2]})) << c.name;
        EXPECT_EQ(request.messageText, c.message) << c.name;
        EXPECT_EQ(request.informativeText, c.informative) << c.name;
        EXPECT_FALSE(request.messageText.isEmpty()) << c.name;
        EXPECT_EQ(changes.posts, 1) << c.name << ": the grid rebuilds at the stored times either way";

        const TaskPtr storedMaster = reread(master);
        if (c.answer == 1002) {
            EXPECT_EQ(rowCount(), rowsBefore) << c.name;
            EXPECT_EQ(storedMaster->endTime(), master->endTime()) << c.name;
            EXPECT_EQ(storedMaster->repeatEndDate(), master->repeatEndDate()) << c.name;
        } else if (c.answer == 1000 || !c.firstOccurrence) {
            // Only this one, or this and the later ones, split a row off.
            EXPECT_EQ(rowCount(), rowsBefore + 1) << c.name;
        } else {
            EXPECT_EQ(rowCount(), rowsBefore) << c.name;
            EXPECT_EQ(storedMaster->endTime(), at(11)) << c.name << ": the whole series lasts two hours";
        }
        delete box;
    }
}
