#include "ConversionTestFixture.h"

#include "TextTable.h"

#include <QFile>

namespace {

QString text(const char* key)
{
    return TextTable::localizedString(QString::fromLatin1(key));
}

class CoreDataConversionsTest : public ConversionTest {
protected:
    void TearDown() override
    {
        QFile::remove(Setting::dataFilePath(QStringLiteral("local.settings")));
        ConversionTest::TearDown();
    }

    // The next quarter hour after the pinned clock (10:07).
    static Date nextQuarterHour() { return localDate(2014, 1, 15, 10, 15); }

};

}  // namespace

// ---- events and scheduled tasks into tasks ------------------------------------------------------

TEST_F(CoreDataConversionsTest, SeriesQuestionOffersAllOnTheFirstOccurrenceAndAllFutureOnLaterOnes)
{
    struct Case {
        const char* what;
        int day;  // 0: the root itself
        const char* secondButton;
        const char* informative;
    };
    for (const Case& c :
         {Case{"the root", 0, "allText", "convertAllEvent2TaskMessageText"},
          Case{"the first instance", 13, "allText", "convertAllEvent2TaskMessageText"},
          Case{"a later instance", 16, "allFutureEventsText", "convertAllFutureEvent2TaskMessageText"}}) {
        SCOPED_TRACE(c.what);
        const TaskPtr root = dailySeries(QStringLiteral("Standup"));
        const TaskPtr chosen = c.day == 0 ? root : occurrenceOn(root, c.day);
        const qint64 rows = rowCount();
        ScriptedAlertPresenter alerts;
        alerts.scriptButton(AlertResponse::thirdButton);

        EXPECT_EQ(dataManager().convertEvent2Task(chosen), nullptr) << "cancelled";

        ASSERT_EQ(alerts.requests().size(), 1);
        const AlertRequest asked = alerts.requests().first();
        EXPECT_EQ(asked.messageText, text("convertEvent2TaskText"));
        EXPECT_EQ(asked.informativeText, text(c.informative));
        EXPECT_EQ(asked.buttonTitles,
                  (QStringList{text("onlyThisEventText"), text(c.secondButton), text("cancelText")}));
        EXPECT_FALSE(asked.showsSuppressionButton);
        EXPECT_EQ(dataManager().modifyingTask(), nullptr);
        EXPECT_EQ(rowCount(), rows) << "a cancelled conversion changes no row";
        EXPECT_EQ(Task::initWithPrimaryKey(root->primaryKey())->repeatExceptions(), QString());
        EXPECT_TRUE(calendarStore().calls().isEmpty());
    }
}

TEST_F(CoreDataConversionsTest, WholeSeriesBecomesARepeatingTaskFromTheNextQuarterHourWithTheSeriesLinks)
{
    switchWebSync(true);
    const TaskPtr root = dailySeries(QStringLiteral("Standup"));
    const TaskPtr detached = event(QStringLiteral("Standup moved"), localDate(2014, 1, 14, 11, 0));
    detached->setParentId(root->primaryKey());
    detached->setOccurrence(localDate(2014, 1, 14, 9, 0));
    ASSERT_TRUE(detached->dehydrate());
    const TaskPtr agenda = note(QStringLiteral("Agenda"));
    link(root, agenda);
    PostedNotifications posts({kAutoSyncNotification});
    ScriptedAlertPresenter alerts;
    alerts.scriptButton(AlertResponse::secondButton);

    const TaskPtr converted = dataManager().convertEvent2Task(root);

    ASSERT_NE(converted, nullptr);
    EXPECT_EQ(dataManager().modifyingTask(), converted);
    EXPECT_FALSE(rowExists(root->primaryKey())) << "the event series is gone";
    EXPECT_FALSE(rowExists(detached->primaryKey()));
    EXPECT_TRUE(setting().zvwDeletedTasks().contains(QStringLiteral(",7001")));

    const TaskPtr row = Task::initWithPrimaryKey(converted->primaryKey());
    EXPECT_GT(row->primaryKey(), agenda->primaryKey()) << "a row of its own";
    EXPECT_EQ(row->taskType(), 1);
    EXPECT_EQ(row->taskName(), QStringLiteral("Standup"));
    EXPECT_EQ(row->repeatType(), 1);
    EXPECT_EQ(row->repeatOptions(), QStringLiteral("1//0"));
    EXPECT_EQ(row->isRepeatForever(), 1);
    EXPECT_EQ(row->startTime(), nextQuarterHour());
    EXPECT_EQ(row->endTime(), localDate(2014, 1, 15, 11, 15)) << "the event's hour";
    EXPECT_EQ(row->dueEnd(), row->endTime());
    EXPECT_EQ(row->hasDue(), 0);
    EXPECT_EQ(row->occurrence(), zeroDate);
    EXPECT_EQ(row->alertValues(), QString());
    EXPECT_EQ(row->parentId(), -1);
    EXPECT_EQ(row->zvwID(), 0);
    EXPECT_EQ(row->iCalUID(), QString());
    EXPECT_EQ(row->tz(), 0);
    EXPECT_TRUE(isActivelyLinked(converted, agenda)) << "the new task keeps the series' links";
    EXPECT_TRUE(posts.autoSyncRequests().contains(AutoSync::links));
}

TEST_F(CoreDataConversionsTest, OneOccurrenceBecomesAOneOffTaskDueWhenTheOccurrenceEnded)
{
    const TaskPtr root = dailySeries(QStringLiteral("Standup"));
    const TaskPtr agenda = note(QStringLiteral("Agenda"));
    link(root, agenda);
    const TaskPtr thursday = occurrenceOn(root, 16);
    ScriptedAlertPresenter alerts;
    alerts.scriptButton(AlertResponse::firstButton);

    const TaskPtr converted = dataManager().convertEvent2Task(thursday);

    ASSERT_NE(converted, nullptr);
    const TaskPtr row = Task::initWithPrimaryKey(converted->primaryKey());
    EXPECT_EQ(row->taskType(), 1);
    EXPECT_EQ(row->repeatType(), 0);
    EXPECT_EQ(row->repeatExceptions(), QString());
    EXPECT_EQ(row->startTime(), nextQuarterHour());
    EXPECT_EQ(row->dueEnd(), localDate(2014, 1, 16, 10, 0)) << "the occurrence's own end";
    EXPECT_EQ(row->hasDue(), 0);
    EXPECT_EQ(row->occurrence(), zeroDate);
    const TaskPtr series = Task::initWithPrimaryKey(root->primaryKey());
    EXPECT_EQ(series->repeatType(), 1) << "the rest of the series stays";
    EXPECT_TRUE(series->isExceptedOccurrence(localDate(2014, 1, 16, 9, 0)));
    EXPECT_TRUE(isActivelyLinked(converted, agenda));
    EXPECT_TRUE(isActivelyLinked(root, agenda));
}

TEST_F(CoreDataConversionsTest, LaterOccurrenceTakesTheRestOfTheSeriesAsARepeatingTask)
{
    const TaskPtr root = dailySeries(QStringLiteral("Standup"));
    ScriptedAlertPresenter alerts;
    alerts.scriptButton(AlertResponse::secondButton);

    const TaskPtr converted = dataManager().convertEvent2Task(occurrenceOn(root, 16));

    ASSERT_NE(converted, nullptr);
    const TaskPtr row = Task::initWithPrimaryKey(converted->primaryKey());
    EXPECT_EQ(row->repeatType(), 1);
    EXPECT_EQ(row->isRepeatForever(), 1);
    EXPECT_EQ(row->startTime(), nextQuarterHour());
    const TaskPtr series = Task::initWithPrimaryKey(root->primaryKey());
    EXPECT_EQ(series->isRepeatForever(), 0) << "the series now ends before Thursday";
    EXPECT_LT(series->repeatEndDate(), localDate(2014, 1, 16, 9, 0));
}

TEST_F(CoreDataConversionsTest, PlainEventAsksUnlessSwitchedOffAndKeepsTheAnswerOfTheBox)
{
    struct Case {
        const char* what;
        qint64 ask;
        std::optional<AlertResponse> answer;
        bool converted;
        qint64 switchAfter;
        bool settingsSaved;
    };
    for (const Case& c :
         {Case{"ok, do not ask again", 1, AlertResponse{AlertResponse::firstButton, true}, true, 0, true},
          Case{"ok", 1, AlertResponse{AlertResponse::firstButton, false}, true, 1, true},
          Case{"cancel", 1, AlertResponse{AlertResponse::secondButton, false}, false, 1, false},
          Case{"not asked", 0, std::nullopt, true, 0, false},
          Case{"cancel, do not ask again", 1, AlertResponse{AlertResponse::secondButton, true}, false, 0, true}}) {
        SCOPED_TRACE(c.what);
        setting().setShowWarningEvent2Task(c.ask);
        const TaskPtr meeting = event(QStringLiteral("Meeting"), localDate(2014, 1, 17, 14, 0), 90);
        meeting->setTz(defaultZone);
        ASSERT_TRUE(meeting->dehydrate());
        const qint64 meetingKey = meeting->primaryKey();
        note(QStringLiteral("a later row, so that SQLite does not reuse the key"));
        dataManager().setModifyingTask(meeting);
        ASSERT_TRUE(setting().dirty());
        PostedNotifications posts({kAutoSyncNotification});
        ScriptedAlertPresenter alerts;
        if (c.answer) alerts.script(*c.answer);

        const TaskPtr converted = dataManager().convertEvent2Task(meeting);

        EXPECT_EQ(alerts.requests().size(), c.answer ? 1 : 0);
        if (c.answer) {
            EXPECT_EQ(alerts.requests().first().messageText, text("convertEvent2TaskText"));
            EXPECT_EQ(alerts.requests().first().informativeText, text("convertEvent2TaskMessageText"));
            EXPECT_TRUE(alerts.requests().first().showsSuppressionButton);
        }
        EXPECT_EQ(setting().showWarningEvent2Task(), c.switchAfter);
        EXPECT_EQ(!setting().dirty(), c.settingsSaved);
        EXPECT_EQ(posts.autoSyncRequests().contains(AutoSync::settings), c.settingsSaved);
        EXPECT_EQ(dataManager().modifyingTask(), converted);
        EXPECT_EQ(rowExists(meetingKey), !c.converted);
        if (!c.converted) {
            EXPECT_EQ(converted, nullptr);
            EXPECT_EQ(Task::initWithPrimaryKey(meetingKey)->taskType(), 0);
            continue;
        }
        EXPECT_NE(converted->primaryKey(), meetingKey) << "a new row";
        ASSERT_NE(converted, nullptr);
        const TaskPtr row = Task::initWithPrimaryKey(converted->primaryKey());
        EXPECT_EQ(row->taskType(), 1);
        EXPECT_EQ(row->startTime(), nextQuarterHour());
        EXPECT_EQ(row->endTime(), localDate(2014, 1, 15, 11, 45)) << "its ninety minutes";
        EXPECT_EQ(row->dueEnd(), row->endTime());
        EXPECT_EQ(row->tz(), 0);
        setting().setZvwDeletedTasks(setting().zvwDeletedTasks() + QStringLiteral("x"));  // dirty for the next case
    }
}

TEST_F(CoreDataConversionsTest, ConversionThatGetsNoCopyBackAddsNothing)
{
    auto neverStored = std::make_shared<Task>();
    neverStored->setTaskType(0);
    neverStored->setTaskName(QStringLiteral("Draft"));
    dataManager().setModifyingTask(task(QStringLiteral("open in an editor")));
    const qint64 rows = rowCount();

    EXPECT_EQ(dataManager().convertEvent2Task(neverStored), nullptr);
    EXPECT_EQ(dataManager().convertSTask2Task(neverStored), nullptr);
    EXPECT_EQ(rowCount(), rows);
    EXPECT_EQ(dataManager().modifyingTask(), nullptr);
}

TEST_F(CoreDataConversionsTest, ScheduledTaskGoesBackToTheTaskListUnscheduled)
{
    setting().setShowWarningConvertSTask2Task(1);
    const TaskPtr scheduled = scheduledTask(QStringLiteral("Write report"), localDate(2014, 1, 15, 14, 0));
    const qint64 scheduledKey = scheduled->primaryKey();
    note(QStringLiteral("a later row, so that SQLite does not reuse the key"));
    ScriptedAlertPresenter alerts;
    alerts.scriptButton(AlertResponse::firstButton, true);

    const TaskPtr converted = dataManager().convertSTask2Task(scheduled);

    ASSERT_EQ(alerts.requests().size(), 1);
    EXPECT_EQ(alerts.requests().first().messageText, text("convertSTask2TaskText"));
    EXPECT_EQ(alerts.requests().first().informativeText, text("convertSTask2TaskMessageText"));
    EXPECT_EQ(setting().showWarningConvertSTask2Task(), 0);
    ASSERT_NE(converted, nullptr);
    const TaskPtr row = Task::initWithPrimaryKey(converted->primaryKey());
    EXPECT_EQ(row->taskType(), 1);
    EXPECT_FALSE(row->isSheduledTask());
    EXPECT_EQ(row->duration(), 45);
    EXPECT_FALSE(rowExists(scheduledKey));
}

TEST_F(CoreDataConversionsTest, OneScheduledOccurrenceLeavesItsSeriesWithoutAskingTheCalendarStore)
{
    const TaskPtr root = dailySeries(QStringLiteral("Inbox zero"));
    root->setIsSheduledTask(true);
    root->setICalUID(QStringLiteral(""));
    ASSERT_TRUE(root->dehydrate());
    ScriptedAlertPresenter alerts;
    alerts.scriptButton(AlertResponse::firstButton);

    const TaskPtr converted = dataManager().convertSTask2Task(occurrenceOn(root, 16));

    ASSERT_EQ(alerts.requests().size(), 1);
    EXPECT_EQ(alerts.requests().first().buttonTitles,
              (QStringList{text("onlyThisSTaskText"), text("allFutureSTasksText"), text("cancelText")}));
    ASSERT_NE(converted, nullptr);
    EXPECT_FALSE(Task::initWithPrimaryKey(converted->primaryKey())->isSheduledTask());
    EXPECT_FALSE(calendarStoreOperations().contains(QStringLiteral("delete"), Qt::CaseInsensitive))
        << calendarStoreOperations().toStdString();
}

TEST_F(CoreDataConversionsTest, CompletedScheduledTaskBecomesADoneTaskOfItsOwnRowWithItsLinks)
{
    switchWebSync(true);
    const TaskPtr scheduled = scheduledTask(QStringLiteral("Call the bank"), localDate(2014, 1, 15, 9, 0));
    scheduled->setTz(defaultZone);
    ASSERT_TRUE(scheduled->dehydrate());
    const TaskPtr details = note(QStringLiteral("Account details"));
    link(details, scheduled);
    const qint64 scheduledKey = scheduled->primaryKey();
    PostedNotifications posts({kAutoSyncNotification});

    EXPECT_TRUE(dataManager().markSTaskDone(scheduled));

    const TaskPtr done = dataManager().modifyingTask();
    ASSERT_NE(done, nullptr);
    EXPECT_NE(done->primaryKey(), scheduledKey);
    EXPECT_FALSE(rowExists(scheduledKey));
    const TaskPtr row = Task::initWithPrimaryKey(done->primaryKey());
    EXPECT_EQ(row->taskType(), 1);
    EXPECT_EQ(row->status(), 1);
    EXPECT_EQ(row->completedDate(), now());
    EXPECT_TRUE(row->isSheduledTask()) << "completing keeps the mark";
    EXPECT_EQ(row->tz(), defaultZone) << "completing keeps the zone";
    EXPECT_TRUE(isActivelyLinked(done, details));
    ASSERT_FALSE(posts.autoSyncRequests().isEmpty());
    EXPECT_EQ(posts.autoSyncRequests().last(), AutoSync::items | AutoSync::links);
}

TEST_F(CoreDataConversionsTest, CompletingAScheduledTaskWithoutAutoSyncAsksForNoPush)
{
    switchWebSync(true);
    const TaskPtr scheduled = scheduledTask(QStringLiteral("Call the bank"), localDate(2014, 1, 15, 9, 0));
    PostedNotifications posts({kAutoSyncNotification});

    EXPECT_TRUE(dataManager().markSTaskDone(scheduled, false));

    EXPECT_EQ(Task::initWithPrimaryKey(dataManager().modifyingTask()->primaryKey())->status(), 1);
    EXPECT_TRUE(posts.autoSyncRequests().isEmpty());
}

// ---- notes into tasks ---------------------------------------------------------------------------

TEST_F(CoreDataConversionsTest, NoteConvertedAt1007WithThe15thSelectedBecomesALinkedTaskAt1015)
{
    Clock::setFixed(localDate(2014, 1, 13, 10, 7));
    dataManager().setCurrentSelectedDay(localDate(2014, 1, 15));
    switchWebSync(true);
    const CalendarPtr home = addCategory();
    auto shopping = std::make_shared<Task>();
    shopping->setTaskName(QStringLiteral("Shopping"));
    shopping->setTaskType(3);
    shopping->setCalendarId(home->primaryKey());
    stored(shopping);
    PostedNotifications posts({kAutoSyncNotification, QStringLiteral("Task changed")});

    const TaskPtr converted = dataManager().makeTaskFromNote(shopping);

    ASSERT_NE(converted, nullptr);
    const TaskPtr row = Task::initWithPrimaryKey(converted->primaryKey());
    EXPECT_EQ(row->taskType(), 1);
    EXPECT_EQ(row->taskName(), QStringLiteral("Shopping"));
    EXPECT_EQ(row->calendarId(), home->primaryKey());
    EXPECT_EQ(row->startTime(), localDate(2014, 1, 15, 10, 15));
    EXPECT_EQ(row->endTime(), localDate(2014, 1, 15, 10, 45));
    EXPECT_EQ(row->dueEnd(), zeroDate);
    EXPECT_EQ(row->hasDue(), 0);
    const LinkPtr made = dataManager().getLink(shopping->primaryKey(), converted->primaryKey());
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->rootId(), shopping->primaryKey()) << "linked from the note";
    const TaskPtr noteRow = Task::initWithPrimaryKey(shopping->primaryKey());
    EXPECT_EQ(noteRow->taskType(), 3) << "the note remains";
    EXPECT_EQ(posts.names(), (QStringList{kAutoSyncNotification, QStringLiteral("Task changed")}));
    EXPECT_EQ(posts.autoSyncRequests(), QList<qint64>{AutoSync::links});
}

TEST_F(CoreDataConversionsTest, SeveralNotesBecomeLinkedTasksAnnouncedOnce)
{
    const TaskPtr first = note(QStringLiteral("Milk"));
    const TaskPtr second = note(QStringLiteral("Bread"));
    const qint64 before = lastKey();
    PostedNotifications posts({kAutoSyncNotification, QStringLiteral("Task changed")});

    EXPECT_TRUE(dataManager().ConvertNotesToTasks({first, second}));

    const TaskList made = rowsAfter(before);
    ASSERT_EQ(made.size(), 2);
    EXPECT_EQ(made[0]->taskName(), QStringLiteral("Milk"));
    EXPECT_EQ(made[1]->taskName(), QStringLiteral("Bread"));
    EXPECT_TRUE(isActivelyLinked(first, made[0]));
    EXPECT_TRUE(isActivelyLinked(second, made[1]));
    EXPECT_EQ(posts.names(), QStringList{QStringLiteral("Task changed")}) << "web sync is off";
}

// ---- tasks onto the day grid --------------------------------------------------------------------

TEST_F(CoreDataConversionsTest, TaskBecomesAnEventInPlaceAndGoesToTheStoreUnlessItsCategoryHoldsTasksOnly)
{
    struct Case {
        const char* what;
        qint64 taskOrEvent;
        QString reminderUid;
        QString storeCalls;
        QList<qint64> pushes;
    };
    for (const Case& c :
         {Case{"mixed category", 0, QString(), QStringLiteral("insertEvent"), {}},
          Case{"tasks-only category with a reminder", 1, QStringLiteral("reminder-1"),
               QStringLiteral("deleteTask"), {AutoSync::items}}}) {
        SCOPED_TRACE(c.what);
        calendarStore().clearCalls();
        switchWebSync(true);
        setting().setTzSupport(true);
        const CalendarPtr category = addCategory();
        category->setTaskOrEvent(c.taskOrEvent);
        ASSERT_TRUE(category->dehydrate());
        const TaskPtr item = task(QStringLiteral("Dentist"));
        item->setCalendarId(category->primaryKey());
        item->setHasDuration(0);
        item->setZvwID(55);
        item->setICalUID(c.reminderUid);
        item->setAlertValues(QStringLiteral("/1|-600|Basso"));
        ASSERT_TRUE(item->dehydrate());
        const TaskPtr papers = note(QStringLiteral("Papers"));
        link(item, papers);
        PostedNotifications posts({kAutoSyncNotification});

        const TaskPtr converted = dataManager().convertTask2Event(item, localDate(2014, 1, 16, 14, 0));

        EXPECT_EQ(converted, item) << "converted in place";
        const TaskPtr row = Task::initWithPrimaryKey(item->primaryKey());
        EXPECT_EQ(row->taskType(), 0);
        EXPECT_EQ(row->startTime(), localDate(2014, 1, 16, 14, 0));
        EXPECT_EQ(row->hasDuration(), 1);
        EXPECT_EQ(row->duration(), eventMinutes);
        EXPECT_EQ(row->endTime(), localDate(2014, 1, 16, 15, 0));
        EXPECT_EQ(row->repeatStartDate(), localDate(2014, 1, 16, 14, 0));
        EXPECT_EQ(row->tz(), defaultZone);
        EXPECT_EQ(row->zvwID(), 55) << "the web id stays";
        EXPECT_EQ(row->alertValues(), QStringLiteral("/1|-600|Basso"));
        EXPECT_EQ(row->iCalUID(), QString());
        EXPECT_TRUE(isActivelyLinked(item, papers));
        EXPECT_EQ(calendarStoreOperations(), c.storeCalls);
        EXPECT_EQ(posts.autoSyncRequests(), c.pushes);
    }
}

TEST_F(CoreDataConversionsTest, TaskToEventQuestionCancelsOrRemembersTheBox)
{
    setting().setShowWarningTask2Event(1);
    const TaskPtr item = task(QStringLiteral("Dentist"));
    {
        ScriptedAlertPresenter alerts;
        alerts.scriptButton(AlertResponse::secondButton);
        EXPECT_EQ(dataManager().convertTask2Event(item, Date()), nullptr);
        ASSERT_EQ(alerts.requests().size(), 1);
        EXPECT_EQ(alerts.requests().first().messageText, text("convertTask2EventText"));
        EXPECT_EQ(alerts.requests().first().informativeText, text("convertTask2EventMessageText"));
        EXPECT_EQ(Task::initWithPrimaryKey(item->primaryKey())->taskType(), 1);
        EXPECT_EQ(item->taskType(), 1);
    }
    PostedNotifications posts({kAutoSyncNotification});
    ScriptedAlertPresenter alerts;
    alerts.scriptButton(AlertResponse::firstButton, true);
    ASSERT_EQ(dataManager().convertTask2Event(item, Date()), item);
    EXPECT_EQ(item->startTime(), nextQuarterHour()) << "no start given";
    EXPECT_EQ(setting().showWarningTask2Event(), 0);
    EXPECT_FALSE(setting().dirty());
    EXPECT_EQ(posts.autoSyncRequests(), QList<qint64>{AutoSync::settings});
}

TEST_F(CoreDataConversionsTest, SchedulingATaskAsksAtMostOneQuestion)
{
    struct Case {
        const char* what;
        qint64 hasDue;
        const char* informative;
        qint64 afterDeadlineSwitch;
        qint64 plainSwitch;
    };
    for (const Case& c : {Case{"due before the start", 1, "staskConvertAfterDeadlineNote", 0, 1},
                          Case{"no due date", 0, "staskConvertConfirmNote", 1, 0}}) {
        SCOPED_TRACE(c.what);
        setting().setShowWarningConvert2STaskAfterDeadline(1);
        setting().setShowWarningConvert2STask(1);
        const TaskPtr item = task(QStringLiteral("Report"));
        item->setHasDue(c.hasDue);
        item->setDueEnd(localDate(2014, 1, 15, 18, 0));
        ASSERT_TRUE(item->dehydrate());
        ScriptedAlertPresenter alerts;
        alerts.scriptButton(AlertResponse::firstButton, true);

        ASSERT_EQ(dataManager().convertTask2STask(item, localDate(2014, 1, 16, 9, 0)), item);

        ASSERT_EQ(alerts.requests().size(), 1);
        EXPECT_EQ(alerts.requests().first().messageText, text("staskConvertConfirmText"));
        EXPECT_EQ(alerts.requests().first().informativeText, text(c.informative));
        Setting saved;
        saved.loadLocalSettings();
        EXPECT_EQ(saved.showWarningConvert2STaskAfterDeadline(), c.afterDeadlineSwitch);
        EXPECT_EQ(saved.showWarningConvert2STask(), c.plainSwitch);
    }
}

TEST_F(CoreDataConversionsTest, ScheduledTaskStaysOffTheCalendarStoreAndAnnouncesNothing)
{
    const TaskPtr item = task(QStringLiteral("Report"));
    item->setICalUID(QStringLiteral("reminder-2"));
    item->setHasDue(1);
    item->setStatus(1);
    item->setZvwID(77);
    item->setHasDuration(0);
    ASSERT_TRUE(item->dehydrate());
    PostedNotifications posts({kAutoSyncNotification, QStringLiteral("Task changed")});

    ASSERT_EQ(dataManager().convertTask2STask(item, localDate(2014, 1, 15, 16, 0)), item);

    const TaskPtr row = Task::initWithPrimaryKey(item->primaryKey());
    EXPECT_EQ(row->taskType(), 0);
    EXPECT_TRUE(row->isSheduledTask());
    EXPECT_EQ(row->startTime(), localDate(2014, 1, 15, 16, 0));
    EXPECT_EQ(row->occurrence(), row->startTime());
    EXPECT_EQ(row->endTime(), localDate(2014, 1, 15, 17, 0));
    EXPECT_EQ(row->iCalUID(), QString());
    EXPECT_EQ(row->hasDue(), 0);
    EXPECT_EQ(row->status(), 0);
    EXPECT_EQ(row->zvwID(), 77);
    EXPECT_EQ(calendarStoreOperations(), QStringLiteral("deleteTask"))
        << "only the reminder goes";
    EXPECT_TRUE(posts.posts().isEmpty());
}

TEST_F(CoreDataConversionsTest, CancelledSchedulingChangesNothing)
{
    setting().setShowWarningConvert2STask(1);
    const TaskPtr item = task(QStringLiteral("Report"));
    ScriptedAlertPresenter alerts;
    alerts.scriptButton(AlertResponse::secondButton);

    EXPECT_EQ(dataManager().convertTask2STask(item, localDate(2014, 1, 16, 9, 0)), nullptr);
    EXPECT_EQ(item->taskType(), 1);
    EXPECT_FALSE(Task::initWithPrimaryKey(item->primaryKey())->isSheduledTask());
}

// ---- category moves ------------------------------------------------------------------------------

TEST_F(CoreDataConversionsTest, SeriesMovedToATasksOnlyCategoryBecomesNewOnTheWebAndLeavesTheStore)
{
    const CalendarPtr tasksOnly = addCategory();
    tasksOnly->setTaskOrEvent(1);
    ASSERT_TRUE(tasksOnly->dehydrate());
    const TaskPtr root = dailySeries(QStringLiteral("Standup"));
    const TaskPtr detached = event(QStringLiteral("Standup moved"), localDate(2014, 1, 14, 11, 0));
    detached->setParentId(root->primaryKey());
    detached->setZvwID(7002);
    detached->setICalUID(QStringLiteral("series-uid"));
    ASSERT_TRUE(detached->dehydrate());
    const TaskPtr other = event(QStringLiteral("Other"), localDate(2014, 1, 14, 15, 0));
    other->setZvwID(7003);
    ASSERT_TRUE(other->dehydrate());
    const TaskPtr agenda = note(QStringLiteral("Agenda"));
    const qint64 made = link(root, agenda);

    EXPECT_TRUE(dataManager().changeCalendarId(tasksOnly->primaryKey(), root->primaryKey()));
    for (const TaskPtr& item : {root, detached}) {
        const TaskPtr row = Task::initWithPrimaryKey(item->primaryKey());
        EXPECT_EQ(row->calendarId(), tasksOnly->primaryKey());
        EXPECT_EQ(row->zvwID(), 0);
    }
    EXPECT_EQ(setting().zvwDeletedTasks(), QStringLiteral(",7001,7002"));

    EXPECT_TRUE(dataManager().resetZVWIdWhenCalChanged(occurrenceOn(Task::initWithPrimaryKey(root->primaryKey()), 16), false));
    for (const TaskPtr& item : {root, detached})
        EXPECT_EQ(Task::initWithPrimaryKey(item->primaryKey())->iCalUID(), QString()) << "out of the store";
    EXPECT_EQ(setting().zvwDeletedTasks(), QStringLiteral(",7001,7002")) << "nothing more to queue";
    EXPECT_EQ(queryInt(QStringLiteral("SELECT zvwKey FROM Links WHERE primaryKey=%1").arg(made)), 0);
    EXPECT_EQ(Task::initWithPrimaryKey(other->primaryKey())->zvwID(), 7003) << "another item is untouched";
}

TEST_F(CoreDataConversionsTest, CategoryChangeOfATaskQueuesItsWebIdAndResendsItsLinks)
{
    struct Case {
        const char* what;
        qint64 taskOrEvent;
        qint64 zvwID;
        QString queued;
        QString uidAfter;
    };
    for (const Case& c : {Case{"not yet on the web", 0, 0, QStringLiteral(""), QStringLiteral("reminder")},
                          Case{"on the web, events-only category", 2, 88, QStringLiteral(",88"), QString()}}) {
        SCOPED_TRACE(c.what);
        setting().setZvwDeletedTasks(QStringLiteral(""));
        const CalendarPtr category = addCategory();
        category->setTaskOrEvent(c.taskOrEvent);
        ASSERT_TRUE(category->dehydrate());
        const TaskPtr item = task(QStringLiteral("Moved"));
        item->setCalendarId(category->primaryKey());
        item->setZvwID(c.zvwID);
        item->setICalUID(QStringLiteral("reminder"));
        ASSERT_TRUE(item->dehydrate());
        const qint64 made = link(note(QStringLiteral("Context")), item);

        EXPECT_TRUE(dataManager().resetZVWIdWhenCalChanged(item, true));

        EXPECT_EQ(setting().zvwDeletedTasks(), c.queued);
        const TaskPtr row = Task::initWithPrimaryKey(item->primaryKey());
        EXPECT_EQ(row->zvwID(), 0);
        EXPECT_EQ(row->iCalUID(), c.uidAfter);
        EXPECT_EQ(queryInt(QStringLiteral("SELECT zvwKey FROM Links WHERE primaryKey=%1").arg(made)), 0);
    }
}
