#include "CommandUnitFixture.h"

// The answers of the alarm dialog act on all the alarms that rang together,
// or, when any statement fails, on none: no alert, no date, no alarm and no
// calendar-store copy changes, and nothing is announced.
namespace {

class AlertsUnitTest : public CommandUnitTest {
protected:
    static std::shared_ptr<LocalNotification> alarmOf(const TaskPtr& item)
    {
        auto alarm = std::make_shared<LocalNotification>();
        alarm->setTask(item);
        return alarm;
    }
};

}  // namespace

TEST_F(AlertsUnitTest, AlarmsAnsweredTogetherAreSnoozedTogetherOrNotAtAll)
{
    const TaskPtr call = webTask(QStringLiteral("call"), 600, localDate(2014, 1, 15, 10, 15));
    const TaskPtr meeting = listed(event(QStringLiteral("meeting"), localDate(2014, 1, 15, 10, 15)));
    meeting->setAlertValues(QStringLiteral("/1|-600|Basso"));
    ASSERT_TRUE(meeting->dehydrate());

    expectAllOrNothing(db(), [&] { return dataManager().snoozeAlerts({alarmOf(call), alarmOf(meeting)}, 600); },
                       anyPost);

    for (const TaskPtr& item : {call, meeting})
        EXPECT_EQ(Task::initWithPrimaryKey(item->primaryKey())->createAlertList().size(), 2)
            << "its own alert and the snooze, stored";
    ASSERT_EQ(dataManager().allAlert().size(), 2);
    for (const auto& alarm : dataManager().allAlert())
        EXPECT_EQ(alarm->dateFire(), localDate(2014, 1, 15, 10, 17)) << "ten minutes from now, at second 0";
}

TEST_F(AlertsUnitTest, TasksAnsweredTogetherArePostponedTogetherOrNotAtAll)
{
    dataManager().setHasDoToday(true);
    const TaskPtr late = webTask(QStringLiteral("late"), 610, localDate(2014, 1, 14, 17, 0));
    late->setICalUID(QStringLiteral("late-uid"));
    ASSERT_TRUE(late->dehydrate());
    const TaskPtr done = webTask(QStringLiteral("done"), 611, localDate(2014, 1, 15, 17, 0));
    done->setStatus(1);
    ASSERT_TRUE(done->dehydrate());
    const TaskPtr misplaced = webTask(QStringLiteral("misplaced"), 612, localDate(2014, 1, 15, 17, 0));
    misplaced->setICalUID(QStringLiteral("misplaced-uid"));
    const CalendarPtr eventsOnly = categoryWith({misplaced});
    eventsOnly->setTaskOrEvent(2);
    ASSERT_TRUE(eventsOnly->dehydrate());
    const TaskPtr event = listed(this->event(QStringLiteral("meeting"), localDate(2014, 1, 15, 14, 0)));
    // The done command, run again for the done task, tells the store itself.
    const auto storeCalls = storeCallsOf(
        {QStringLiteral("insertTask"), QStringLiteral("updateTask"), QStringLiteral("deleteTask")}, {done});
    const LocalNotificationList alarms{alarmOf(late), alarmOf(done), alarmOf(misplaced), alarmOf(event)};

    expectAllOrNothing(db(), [&] { return dataManager().postponeAlerts(alarms, 1); }, anyPost, storeCalls);

    EXPECT_EQ(storedColumn(late->primaryKey(), QStringLiteral("dueEnd")),
              QVariant(storedSeconds(localDate(2014, 1, 15, 17, 0))));
    EXPECT_EQ(storedColumn(done->primaryKey(), QStringLiteral("dueEnd")),
              QVariant(storedSeconds(localDate(2014, 1, 16, 17, 0))));
    EXPECT_EQ(storedColumn(misplaced->primaryKey(), QStringLiteral("iCalIdentifier")), QVariant(QStringLiteral("")));
    EXPECT_EQ(event->startTime(), localDate(2014, 1, 15, 14, 0)) << "events are not postponed";
    EXPECT_EQ(storeCalls(), QStringLiteral("updateTask deleteTask"));
    const QList<RecordingICalSync::Call> calls = calendarStore().calls();
    EXPECT_EQ(calls.last().items.first()->iCalUID(), QStringLiteral("misplaced-uid")) << "the copy to delete";
    EXPECT_EQ(storedColumn(late->primaryKey(), QStringLiteral("taskOrder")).toLongLong(),
              queryInt(QStringLiteral("SELECT min(taskOrder) FROM Tasks WHERE taskType=1 AND status=0")))
        << "due today again, it goes to the top";
}
