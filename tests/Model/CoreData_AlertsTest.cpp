#include "CommandTestFixture.h"

#include "RecordFailureInjection.h"
#include "TestEnvironment.h"
#include "TextTable.h"

#include <QThread>

#include <atomic>
#include <thread>

namespace {

// Answers from the script like its base, and meanwhile runs what a test
// wants to happen while the dialog is open.
class AlarmDialogPresenter : public ScriptedAlertPresenter {
public:
    void whileOpen(std::function<void()> action) { m_whileOpen = std::move(action); }

    AlertResponse runModal(const AlertRequest& request) override
    {
        if (m_whileOpen) std::exchange(m_whileOpen, nullptr)();
        return ScriptedAlertPresenter::runModal(request);
    }

private:
    std::function<void()> m_whileOpen;
};

class ThreadRecordingScheduler : public ManualScheduler {
public:
    ScheduledTimer scheduleTimer(double seconds, bool repeats, std::function<void()> callback) override
    {
        m_threads.append(QThread::currentThread());
        return ManualScheduler::scheduleTimer(seconds, repeats, std::move(callback));
    }
    QList<QThread*> threads() const { return m_threads; }

private:
    QList<QThread*> m_threads;
};

class AlertsTest : public CommandTest {
protected:
    void startAlarms() { dataManager().updateLocalNotificationForList(dataManager().allTasksEventsAdes()); }

    static QString text(const char* key) { return TextTable::localizedString(QString::fromLatin1(key)); }
    static QString dueLine(const QString& name, const Date& when)
    {
        return QStringLiteral("\n\"") + name + QStringLiteral("\": due on ") + Utilities::getStringNoWeekDayFromDate(when, true).trimmed();
    }

    QList<TaskPtr> alarmItems() const
    {
        QList<TaskPtr> items;
        for (const auto& alarm : CoreData::shared()->allAlert()) items.append(alarm->task());
        return items;
    }

    AlarmDialogPresenter presenter;
    RecordingSoundPlayer sounds;
};

TEST_F(AlertsTest, TasksDueInTheSameMinuteShareOneDialogOneSoundAndThePostponePopUp)
{
    const Date due = localDate(2014, 1, 15, 10, 30);
    listedTask(QStringLiteral("Call Ann"), due, minutesBefore(15));
    listedTask(QStringLiteral("Pay rent"), due, minutesBefore(15, QStringLiteral("Glass")));
    listedTask(QStringLiteral("Water plants"), due, minutesBefore(15, QStringLiteral("Bell")));
    const TaskPtr later = listedTask(QStringLiteral("Later"), localDate(2014, 1, 15, 11, 30), minutesBefore(15));
    startAlarms();
    presenter.scriptButton(AlertResponse::firstButton);

    scheduler().advance(7 * 60);
    EXPECT_TRUE(presenter.requests().isEmpty()) << "nothing is due before 10:15";
    scheduler().advance(60);

    ASSERT_EQ(presenter.requests().size(), 1);
    const AlertRequest request = presenter.requests().first();
    EXPECT_EQ(request.informativeText, dueLine(QStringLiteral("Call Ann"), due) + dueLine(QStringLiteral("Pay rent"), due)
                                           + dueLine(QStringLiteral("Water plants"), due));
    EXPECT_EQ(request.messageText, text("alertTitleText"));
    EXPECT_EQ(request.buttonTitles, QStringList({text("okText"), text("snoozeText")}));
    EXPECT_EQ(request.style, AlertStyle::Warning);
    EXPECT_EQ(sounds.playedSounds(), QStringList{QStringLiteral("Glass")}) << "only the first named sound plays";
    EXPECT_EQ(request.accessoryChoices, QList<AlertChoice>({{text("postponeForText"), 0}, {text("tomorrowText"), 1},
                                                           {text("nextWeekText"), 2}, {text("nextMonthText"), 3}}));
    EXPECT_EQ(request.accessoryChosenTag, 0) << "the dialog opens on no postpone";
    EXPECT_EQ(request.accessoryTitle, text("postponeText"));
    EXPECT_EQ(alarmItems(), TaskList{later}) << "the fired alarms have no next one";

    scheduler().advance(10 * 60);
    EXPECT_EQ(presenter.requests().size(), 1) << "an alarm fires once";
}

TEST_F(AlertsTest, AnEventAmongTheAlarmsLeavesOutThePostponePopUp)
{
    const Date when = localDate(2014, 1, 15, 10, 30);
    listedTask(QStringLiteral("Call Ann"), when, minutesBefore(15));
    listedTask(QStringLiteral("Standup"), when, minutesBefore(15), 0);
    startAlarms();
    presenter.scriptButton(AlertResponse::firstButton);
    scheduler().advance(9 * 60);

    ASSERT_EQ(presenter.requests().size(), 1);
    // One blank between the words and the date.
    EXPECT_EQ(presenter.requests().first().informativeText,
              QStringLiteral("\n\"Call Ann\": due on Jan 15, 2014 10:30AM\n\"Standup\": start in Jan 15, 2014 10:30AM"));
    EXPECT_TRUE(presenter.requests().first().accessoryChoices.isEmpty());
    EXPECT_TRUE(sounds.playedSounds().isEmpty());
}

TEST_F(AlertsTest, AnAlarmWhoseMinutePassedUnseenNeverFires)
{
    const TaskPtr task = listedTask(QStringLiteral("Call Ann"), localDate(2014, 1, 15, 10, 30), minutesBefore(15));
    startAlarms();
    // The machine sleeps from 10:07 to 10:20; its timer comes back after the alarm's minute.
    Clock::setFixed(localDate(2014, 1, 15, 10, 20));
    scheduler().advance(10 * 60);
    EXPECT_TRUE(presenter.requests().isEmpty());
    EXPECT_EQ(alarmItems(), TaskList{task}) << "the passed alarm stays until its item is refreshed";
}

TEST_F(AlertsTest, SnoozeAddsAnAbsoluteAlertAtTheWholeMinuteThatFiresInItsMinute)
{
    Clock::setFixed(localDate(2014, 1, 15, 10, 6, 42));
    setting().setSnoozeDefVal(900);
    const QString alerts = minutesBefore(15, QStringLiteral("Glass"));
    const TaskPtr task = listedTask(QStringLiteral("Call Ann"), localDate(2014, 1, 15, 10, 22), alerts);
    startAlarms();
    presenter.scriptButton(AlertResponse::secondButton);
    scheduler().advance(60);  // the check at 10:07:42

    ASSERT_EQ(presenter.requests().size(), 1);
    const Date snoozed = localDate(2014, 1, 15, 10, 22);
    const QString withSnooze = alerts + QString::asprintf("/2|%0.0f|Glass", storedSeconds(snoozed));
    EXPECT_EQ(task->alertValues(), withSnooze);
    EXPECT_EQ(storedColumn(task->primaryKey(), QStringLiteral("alertValues")), QVariant(withSnooze));
    ASSERT_EQ(dataManager().allAlert().size(), 1);
    EXPECT_EQ(dataManager().allAlert().first()->dateFire(), snoozed);
    EXPECT_EQ(posted(), QList<Posted>{taskChanged()});

    presenter.scriptButton(AlertResponse::firstButton);
    scheduler().advance(14 * 60);
    EXPECT_EQ(presenter.requests().size(), 1) << "not before 10:22";
    scheduler().advance(60);
    EXPECT_EQ(presenter.requests().size(), 2) << "the check at 10:22:42 fires the snooze";
    EXPECT_EQ(sounds.playedSounds(), QStringList({QStringLiteral("Glass"), QStringLiteral("Glass")}));
}

TEST_F(AlertsTest, ASnoozeTheDatabaseRefusesChangesNothingAndIsNotAnnounced)
{
    const QString alerts = minutesBefore(15);
    // Its own alert rang at 10:05.
    const TaskPtr task = listedTask(QStringLiteral("Call Ann"), localDate(2014, 1, 15, 10, 20), alerts);
    auto alarm = std::make_shared<LocalNotification>();
    alarm->setTask(task);
    const LocalNotificationList alarmsBefore = dataManager().allAlert();
    {
        WriteLockHolder otherProcess(databasePath());
        EXPECT_FALSE(dataManager().snoozeAlerts({alarm}, 600));
    }
    EXPECT_EQ(storedColumn(task->primaryKey(), QStringLiteral("alertValues")), QVariant(alerts));
    EXPECT_EQ(task->alertValues(), alerts) << "no snooze that the database lacks";
    EXPECT_FALSE(task->dirty());
    EXPECT_TRUE(posted().isEmpty());
    EXPECT_EQ(dataManager().allAlert(), alarmsBefore);
}

TEST_F(AlertsTest, PostponingFromTheDialogMovesTheTaskAndPublishesIt)
{
    Clock::setFixed(localDate(2014, 1, 31, 8, 59, 30));
    const TaskPtr task = listedTask(QStringLiteral("Report"), localDate(2014, 1, 31, 17, 0), minutesBefore(8 * 60));
    startAlarms();
    presenter.scriptChoice(AlertResponse::firstButton, 3);
    scheduler().advance(60);

    ASSERT_EQ(presenter.requests().size(), 1);
    EXPECT_EQ(task->dueEnd(), localDate(2014, 2, 28, 17, 0));
    EXPECT_EQ(task->startTime(), localDate(2014, 2, 28, 16, 0));
    EXPECT_EQ(storedColumn(task->primaryKey(), QStringLiteral("dueEnd")), QVariant(storedSeconds(task->dueEnd())));
    EXPECT_EQ(iCalOperations(), QStringList{QStringLiteral("insertTask")}) << "not yet in the calendar store";
    EXPECT_EQ(posted(), QList<Posted>({itemsPush(), taskChanged()}));
    ASSERT_EQ(dataManager().allAlert().size(), 1);
    EXPECT_EQ(dataManager().allAlert().first()->dateFire(), localDate(2014, 2, 28, 9, 0));
}

TEST_F(AlertsTest, OkWithoutAPostponeChoiceOnlyDismisses)
{
    const TaskPtr task = listedTask(QStringLiteral("Report"), localDate(2014, 1, 15, 10, 30), minutesBefore(15));
    startAlarms();
    presenter.scriptButton(AlertResponse::firstButton);
    scheduler().advance(9 * 60);
    ASSERT_EQ(presenter.requests().size(), 1);
    EXPECT_EQ(task->dueEnd(), localDate(2014, 1, 15, 10, 30));
    EXPECT_TRUE(posted().isEmpty());
    EXPECT_TRUE(iCalCalls().isEmpty());
}

// The presenter is the shell's: whatever tag it answers, only a postpone
// the dialog offered, confirmed with its first button, moves a task.
TEST_F(AlertsTest, OnlyAnOfferedPostponeConfirmedWithOkMovesTheTasks)
{
    class FixedAnswer : public AlertPresenter {
    public:
        explicit FixedAnswer(AlertResponse answer) : m_answer(answer), m_previous(&AlertPresenter::current())
        {
            AlertPresenter::setCurrent(this);
        }
        ~FixedAnswer() override { AlertPresenter::setCurrent(m_previous); }
        AlertResponse runModal(const AlertRequest&) override { return m_answer; }

    private:
        AlertResponse m_answer;
        AlertPresenter* m_previous;
    };
    struct Case {
        const char* what;
        bool withEvent;
        AlertResponse answer;
        bool moved;
    };
    const Case cases[] = {
        {"ok after choosing next week", false, {AlertResponse::firstButton, false, 2}, true},
        {"snooze after choosing next week", false, {AlertResponse::secondButton, false, 2}, false},
        {"a tag the pop-up does not list", false, {AlertResponse::firstButton, false, 7}, false},
        {"a tag though an event left the pop-up out", true, {AlertResponse::firstButton, false, 1}, false},
    };
    const Date due = localDate(2014, 1, 15, 17, 0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        LocalNotificationList alarms;
        const TaskPtr task = listedTask(QStringLiteral("Report"), due);
        for (const TaskPtr& item : c.withEvent ? TaskList{task, listedTask(QStringLiteral("Standup"), due, {}, 0)}
                                               : TaskList{task}) {
            auto alarm = std::make_shared<LocalNotification>();
            alarm->setTask(item);
            alarm->setDateStart(due);
            alarms.append(alarm);
        }
        FixedAnswer presenter(c.answer);
        dataManager().fireAlertNotificationWithLocalNotification(alarms);
        EXPECT_EQ(task->dueEnd() != due, c.moved);
        EXPECT_EQ(storedColumn(task->primaryKey(), QStringLiteral("dueEnd")) != QVariant(storedSeconds(due)), c.moved);
    }
}

// Postponing goes by the clock and the calendar: a day across the spring
// change keeps the time, a month from the 31st ends on the month's last day.
TEST_F(AlertsTest, PostponeMovesStartAndDueByDayWeekOrCalendarMonth)
{
    struct Case {
        qint64 type;
        Date due;
        Date expectedDue;
    };
    const Case cases[] = {
        {1, localDate(2014, 3, 29, 10, 0), localDate(2014, 3, 30, 10, 0)},
        {2, localDate(2014, 3, 26, 10, 0), localDate(2014, 4, 2, 10, 0)},
        {3, localDate(2014, 1, 31, 10, 0), localDate(2014, 2, 28, 10, 0)},
        {3, localDate(2016, 1, 31, 10, 0), localDate(2016, 2, 29, 10, 0)},
        {0, localDate(2014, 1, 31, 10, 0), localDate(2014, 1, 31, 10, 0)},
    };
    for (const Case& c : cases) {
        const TaskPtr task = listedTask(QStringLiteral("Report"), c.due);
        task->setStartTime(c.due);
        auto alarm = std::make_shared<LocalNotification>();
        alarm->setTask(task);
        EXPECT_EQ(dataManager().postponeAlerts({alarm}, c.type), c.type != 0) << "type " << c.type;
        EXPECT_EQ(task->dueEnd(), c.expectedDue) << "type " << c.type;
        EXPECT_EQ(task->startTime(), c.expectedDue) << "type " << c.type;
        EXPECT_EQ(storedColumn(task->primaryKey(), QStringLiteral("dueEnd")), QVariant(storedSeconds(c.expectedDue)));
    }
}

TEST_F(AlertsTest, PostponeLeavesEventsAndFollowsTheCategoryIntoTheCalendarStore)
{
    const CalendarPtr eventsOnly = addCategory();
    eventsOnly->setTaskOrEvent(2);
    const TaskPtr event = listedTask(QStringLiteral("Standup"), localDate(2014, 1, 16, 9, 0), QString(), 0);
    const TaskPtr linked = listedTask(QStringLiteral("Linked"), localDate(2014, 1, 16, 9, 0));
    linked->setICalUID(QStringLiteral("uid-1"));
    const TaskPtr misplaced = listedTask(QStringLiteral("Misplaced"), localDate(2014, 1, 16, 9, 0));
    misplaced->setCalendarId(eventsOnly->primaryKey());
    misplaced->setICalUID(QStringLiteral("uid-2"));
    LocalNotificationList alarms;
    for (const TaskPtr& item : {event, linked, misplaced}) {
        auto alarm = std::make_shared<LocalNotification>();
        alarm->setTask(item);
        alarms.append(alarm);
    }
    clearPosted();

    EXPECT_TRUE(dataManager().postponeAlerts(alarms, 1));
    EXPECT_EQ(event->startTime(), localDate(2014, 1, 16, 9, 0)) << "events are not postponed";
    const QList<RecordingICalSync::Call> calls = iCalCalls();
    ASSERT_EQ(calls.size(), 2);
    EXPECT_EQ(calls[0].operation, QStringLiteral("updateTask"));
    EXPECT_EQ(calls[0].type, 0);
    EXPECT_EQ(calls[1].operation, QStringLiteral("deleteTask"));
    EXPECT_EQ(calls[1].type, 1);
    EXPECT_EQ(misplaced->iCalUID(), QStringLiteral(""));
    EXPECT_EQ(storedColumn(misplaced->primaryKey(), QStringLiteral("iCalIdentifier")), QVariant(QStringLiteral("")));
    EXPECT_EQ(posted(), QList<Posted>({itemsPush(), itemsPush(), taskChanged()}));
}

TEST_F(AlertsTest, PostponedTaskDueTodayGoesToTheTopWhenDoTodayIsOn)
{
    const TaskPtr first = listedTask(QStringLiteral("First"), localDate(2014, 1, 20, 17, 0));
    const TaskPtr overdue = listedTask(QStringLiteral("Overdue"), localDate(2014, 1, 14, 17, 0));
    ASSERT_LT(first->taskOrder(), overdue->taskOrder());
    const qint64 topOrder = first->taskOrder();
    dataManager().setHasDoToday(true);
    auto alarm = std::make_shared<LocalNotification>();
    alarm->setTask(overdue);
    clearPosted();

    EXPECT_TRUE(dataManager().postponeAlerts({alarm}, 1));
    EXPECT_EQ(overdue->taskOrder(), topOrder);
    EXPECT_GT(first->taskOrder(), topOrder);
    EXPECT_EQ(posted(), QList<Posted>({itemsPush(), taskChanged()})) << "no order notification from here";
}

TEST_F(AlertsTest, PostponedTaskLeavesTheListOfActiveTasksWhenItNowStartsLater)
{
    setting().setShowActiveTaskOnly(1);
    const TaskPtr task = listedTask(QStringLiteral("Report"), localDate(2014, 1, 15, 18, 0));
    auto alarm = std::make_shared<LocalNotification>();
    alarm->setTask(task);
    EXPECT_TRUE(dataManager().postponeAlerts({alarm}, 2));
    EXPECT_TRUE(dataManager().allTasksEventsAdes().isEmpty());
}

// Qt timers go on firing under a modal dialog; the checks that come meanwhile
// must not open a second dialog nor fire the minutes that pass later.
TEST_F(AlertsTest, ChecksWhileTheDialogIsOpenAreSkipped)
{
    listedTask(QStringLiteral("Call Ann"), localDate(2014, 1, 15, 10, 30), minutesBefore(15));
    listedTask(QStringLiteral("Pay rent"), localDate(2014, 1, 15, 10, 31), minutesBefore(15));
    startAlarms();
    presenter.whileOpen([this] { scheduler().advance(3 * 60); });
    presenter.scriptButton(AlertResponse::firstButton);
    scheduler().advance(8 * 60);
    scheduler().advance(5 * 60);
    EXPECT_EQ(presenter.requests().size(), 1);
}

TEST_F(AlertsTest, TheAlarmsFollowTheWorkingList)
{
    const TaskPtr late = listedTask(QStringLiteral("Late"), localDate(2014, 1, 15, 12, 0), minutesBefore(15));
    const TaskPtr early = listedTask(QStringLiteral("Early"), localDate(2014, 1, 15, 11, 0), minutesBefore(15));
    listedTask(QStringLiteral("Silent"), localDate(2014, 1, 15, 11, 0));
    EXPECT_EQ(alarmItems(), TaskList({early, late})) << "one per item with an alarm, earliest first";

    early->setAlertValues(minutesBefore(120));
    dataManager().updateLocalNotificationForTask(early);
    EXPECT_EQ(alarmItems(), TaskList({late})) << "an alert already past leaves no alarm";

    dataManager().doWithAllTasksEventsAdes(TaskList{late}, 1);
    EXPECT_TRUE(alarmItems().isEmpty());
    EXPECT_EQ(scheduler().pendingTimerCount(), 0) << "adding and removing arm no timer";

    listedTask(QStringLiteral("Again"), localDate(2014, 1, 15, 12, 0), minutesBefore(15));
    dataManager().doWithAllTasksEventsAdes(std::nullopt, 1);
    EXPECT_TRUE(alarmItems().isEmpty());
    dataManager().updateLocalNotificationForList({});
    dataManager().resetLocalNotification();
    EXPECT_EQ(scheduler().pendingTimerCount(), 1) << "one minute timer however often it restarts";
}

TEST_F(AlertsTest, ARepeatingEventRingsAtEachOccurrenceInTurn)
{
    auto standup = std::make_shared<Task>();
    standup->setTaskName(QStringLiteral("Standup"));
    standup->setTaskType(0);
    standup->setStartTime(localDate(2014, 1, 10, 11, 0));
    standup->setEndTime(localDate(2014, 1, 10, 11, 30));
    standup->setRepeatStartDate(standup->startTime());
    standup->setRepeatType(1);
    standup->setRepeatOptions(QStringLiteral("1//0"));
    standup->setIsRepeatForever(1);
    standup->setAlertValues(minutesBefore(15, QStringLiteral("Glass")));
    ASSERT_TRUE(standup->insertIntoDatabase());
    ASSERT_TRUE(standup->dehydrate());
    dataManager().doWithAllTasksEventsAdes(TaskList{standup}, 0);
    startAlarms();
    ASSERT_EQ(dataManager().allAlert().size(), 1);
    EXPECT_EQ(dataManager().allAlert().first()->dateFire(), localDate(2014, 1, 15, 10, 45));

    presenter.scriptButton(AlertResponse::firstButton);
    presenter.scriptButton(AlertResponse::firstButton);
    scheduler().advance(38 * 60);
    scheduler().advance(24 * 3600);
    ASSERT_EQ(presenter.requests().size(), 2);
    // A QString, not the string builder: that would refer to the temporaries.
    const auto line = [](const Date& start) -> QString {
        return QStringLiteral("\n\"Standup\": start in ") + Utilities::getStringNoWeekDayFromDate(start, true).trimmed();
    };
    EXPECT_EQ(presenter.requests()[0].informativeText, line(localDate(2014, 1, 15, 11, 0)));
    EXPECT_EQ(presenter.requests()[1].informativeText, line(localDate(2014, 1, 16, 11, 0)));
    ASSERT_EQ(dataManager().allAlert().size(), 1);
    EXPECT_EQ(dataManager().allAlert().first()->dateFire(), localDate(2014, 1, 17, 10, 45));
}

// An event's alert rings at the instant its own times name: with zone
// support on they are its zone's wall times, whichever zones the machine and
// the display are in, on either side of each zone's clock change; without,
// they are the machine's.
TEST_F(AlertsTest, AnEventRingsAtTheInstantOfItsOwnTimes)
{
    dataManager().loadTimeZones();
    const struct {
        const char *machine, *own;
        bool support;
        int month, day, hour, minute;  // the event's own start, 2024
        int utcHour, utcMinute;        // the instant 15 minutes before it
    } cases[] = {
        {"America/New_York", "Europe/Paris", true, 7, 17, 15, 30, 13, 15},
        {"America/New_York", "Europe/Paris", false, 7, 17, 15, 30, 19, 15},
        {"America/New_York", "Europe/Paris", true, 3, 27, 9, 0, 7, 45},  // only New York has changed its clocks
        {"Europe/Paris", "America/New_York", true, 3, 20, 14, 0, 17, 45},
        {"Europe/Paris", "America/New_York", true, 10, 30, 14, 0, 17, 45},  // only Paris has changed them back
        {"Europe/Paris", "Europe/Paris", true, 10, 30, 14, 0, 12, 45},
        {"Europe/Paris", "Europe/Paris", false, 3, 31, 3, 0, 0, 45},  // a quarter before 03:00 reads 02:45, which the clock skips
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.own << " event on " << c.month << "/" << c.day << ", machine in " << c.machine
                                        << (c.support ? ", zone support" : ""));
        ScopedTimeZone machine(c.machine);
        const Date ring = GregorianCalendar::dateFromFields(2024, c.month, c.day, c.utcHour, c.utcMinute, 0,
                                                            GregorianCalendar::utcZone());
        Clock::setFixed(ring.dateByAddingTimeInterval(-86400));
        setting().setTzSupport(c.support);
        setting().setCurrentTZ(dataManager().getTimeZoneId(QStringLiteral("Europe/Paris")));
        const TaskPtr event = listedTask(QStringLiteral("Review"), localDate(2024, c.month, c.day, c.hour, c.minute),
                                         minutesBefore(15), 0);
        event->setTz(dataManager().getTimeZoneId(QString::fromLatin1(c.own)));
        startAlarms();
        ASSERT_EQ(dataManager().allAlert().size(), 1);
        EXPECT_EQ(dataManager().allAlert().first()->dateFire(), ring);

        presenter.scriptButton(AlertResponse::firstButton);
        const qsizetype rung = presenter.requests().size();
        Clock::setFixed(ring.dateByAddingTimeInterval(-40));
        dataManager().alertNow();
        EXPECT_EQ(presenter.requests().size(), rung) << "not a minute early";
        Clock::setFixed(ring.dateByAddingTimeInterval(20));
        dataManager().alertNow();
        EXPECT_EQ(presenter.requests().size(), rung + 1) << "in its minute";
        // Its text names the start as the views show it.
        const QDateTime shown = QDateTime::fromSecsSinceEpoch(qint64(ring.timeIntervalSince1970()) + 15 * 60,
                                                              QTimeZone(c.support ? "Europe/Paris" : c.machine));
        const Date shownStart = localDate(shown.date().year(), shown.date().month(), shown.date().day(), shown.time().hour(),
                                          shown.time().minute());
        EXPECT_TRUE(presenter.requests().back().informativeText.endsWith(
            Utilities::getStringNoWeekDayFromDate(shownStart, true).trimmed()))
            << presenter.requests().back().informativeText.toStdString();
        dataManager().doWithAllTasksEventsAdes(TaskList{event}, 1);
    }
}

TEST_F(AlertsTest, ARebuildFromAnotherThreadRunsOnTheMainThreadBeforeTheThreadGoesOn)
{
    ThreadRecordingScheduler recording;
    Scheduler::setCurrent(&recording);
    auto task = std::make_shared<Task>();
    task->setTaskName(QStringLiteral("Sync"));
    task->setHasDue(1);
    task->setDueEnd(localDate(2014, 1, 15, 12, 0));
    task->setAlertValues(minutesBefore(15));
    std::atomic<bool> done{false};
    std::thread worker([this, task, &done] {
        // A sync clears the list and loads it again.
        dataManager().doWithAllTasksEventsAdes(std::nullopt, 1);
        dataManager().doWithAllTasksEventsAdes(TaskList{task}, 0);
        done = true;
    });
    EXPECT_TRUE(processEventsUntil([&done] { return done.load(); }));
    worker.join();
    Scheduler::setCurrent(&scheduler());

    EXPECT_EQ(recording.threads(), QList<QThread*>{QThread::currentThread()});
    EXPECT_EQ(alarmItems(), TaskList{task}) << "the alarm added after the rebuild survives it";
}

}  // namespace

TEST_F(AlertsTest, PostponingADoneRepeatingTaskRunsTheDoneCommandAgain)
{
    const TaskPtr task = listedTask(QStringLiteral("Water the plants"), localDate(2014, 1, 10, 10, 0));
    task->setHasDue(1);
    task->setRepeatType(1);
    task->setRepeatOptions(QStringLiteral("1//0"));
    task->setTaskRepeatStyle(1);
    task->setStatus(1);
    ASSERT_TRUE(task->dehydrate());
    const qint64 rowsBefore = queryInt(QStringLiteral("SELECT count(*) FROM Tasks"));
    auto alarm = std::make_shared<LocalNotification>();
    alarm->setTask(task);
    EXPECT_TRUE(dataManager().postponeAlerts({alarm}, 1));
    EXPECT_EQ(task->dueEnd(), localDate(2014, 1, 11, 10, 0));
    EXPECT_EQ(task->repeatType(), 0) << "the done row becomes a one-off";
    EXPECT_EQ(queryInt(QStringLiteral("SELECT count(*) FROM Tasks")), rowsBefore + 1) << "the series goes on in a new row";
}

TEST_F(AlertsTest, ItemsAddedTogetherGetOneAlarmEachInFireOrder)
{
    const QString alert = QStringLiteral("/1|-900|Glass");
    QList<TaskPtr> items;
    for (int hour : {15, 12, 13}) {
        auto item = std::make_shared<Task>();
        item->setTaskName(QStringLiteral("at %1").arg(hour));
        item->setHasDue(1);
        item->setDueEnd(localDate(2014, 1, 15, hour, 0));
        item->setAlertValues(alert);
        ASSERT_TRUE(item->insertIntoDatabase());
        ASSERT_TRUE(item->dehydrate());
        items << item;
    }
    dataManager().doWithAllTasksEventsAdes(items, 0);
    const auto fireHours = [this] {
        QList<int> hours;
        for (const auto& alarm : dataManager().allAlert()) hours << Utilities::getHour(alarm->dateStart());
        return hours;
    };
    EXPECT_EQ(fireHours(), (QList<int>{12, 13, 15}));

    // Added again with a new due time, an item keeps a single alarm.
    items[0]->setDueEnd(localDate(2014, 1, 15, 11, 0));
    dataManager().doWithAllTasksEventsAdes(TaskList{items[0]}, 0);
    EXPECT_EQ(fireHours(), (QList<int>{11, 12, 13}));
}
