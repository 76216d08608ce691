// The item box's commands: delete with its questions, done, duplicate,
// the moves and the link copy.
#include "TaskViewTestFixture.h"

#include "Popover.h"
#include "ScriptedAlertPresenter.h"
#include "TextTable.h"

namespace TaskViewCommandsTestCases {

namespace TaskViewCommandsTests {

namespace {

QString text(const char* key)
{
    return TextTable::localizedString(QString::fromLatin1(key));
}

class TaskViewCommandsTest : public TaskViewTest {
protected:
    // A daily series that began daysBefore days before the shown day, and
    // its box on the shown day.
    TaskView* repeatingEventBox(int daysBefore, TaskPtr& master, bool scheduled = false)
    {
        master = std::make_shared<Task>();
        master->setTaskType(0);
        master->setTaskName(QStringLiteral("Standup"));
        master->setCalendarId(1);
        master->setIsSheduledTask(scheduled);
        master->setStartTime(at(9, 0, -daysBefore));
        master->setEndTime(at(10, 0, -daysBefore));
        master->setDuration(60);
        master->setRepeatType(1);
        master->setIsRepeatForever(1);
        master->setRepeatStartDate(master->startTime());
        EXPECT_TRUE(master->insertAndDehydrate());
        TaskList instances;
        dataManager().fillRepeatEventInstances(TaskList{master}, instances, shownDay(), shownDay());
        EXPECT_FALSE(instances.isEmpty());
        return placeEvent(instances.value(0), 9, 10);
    }
    bool exists(const TaskPtr& item)
    {
        return queryInt(QStringLiteral("SELECT COUNT(*) FROM Tasks WHERE primaryKey=%1").arg(item->primaryKey())) == 1;
    }
};

}  // namespace

TEST_F(TaskViewCommandsTest, DeletingARepeatingEventAsksAndGoesAsFarAsAnswered)
{
    ChangeCounter changes;
    {
        // First occurrence: "all" deletes the whole series.
        TaskPtr master;
        TaskView* box = repeatingEventBox(0, master);
        ScriptedAlertPresenter alerts;
        alerts.scriptButton(AlertResponse::secondButton);
        box->applyDelete();
        ASSERT_EQ(alerts.requests().size(), 1);
        const AlertRequest asked = alerts.requests().front();
        EXPECT_EQ(asked.buttonTitles, (QStringList{text("onlyThisEventText"), text("allText"), text("cancelText")}));
        EXPECT_EQ(asked.messageText, text("deletingEventText"));
        EXPECT_EQ(asked.informativeText, text("deletingAllMessageText"));
        EXPECT_FALSE(exists(master)) << "the series is gone";
    }
    {
        // A later occurrence of a scheduled task: the table offers the
        // events' all-future text; it ends the series before this one.
        TaskPtr master;
        TaskView* box = repeatingEventBox(2, master, true);
        ScriptedAlertPresenter alerts;
        alerts.scriptButton(AlertResponse::secondButton);
        box->applyDelete();
        ASSERT_EQ(alerts.requests().size(), 1);
        const AlertRequest asked = alerts.requests().front();
        EXPECT_EQ(asked.buttonTitles,
                  (QStringList{text("onlyThisSTaskText"), text("allFutureEventsText"), text("cancelText")}));
        EXPECT_EQ(asked.messageText, text("deletingSTaskText"));
        EXPECT_EQ(asked.informativeText, text("deletingSTaskFutureMessageText"));
        const TaskPtr kept = reread(master);
        ASSERT_NE(kept, nullptr) << "the earlier occurrences stay";
        EXPECT_EQ(kept->isRepeatForever(), 0);
        EXPECT_LT(kept->repeatEndDate().timeIntervalSince1970(), shownDay().timeIntervalSince1970() + 86400);
    }
    {
        // Cancel: nothing changes, nothing is announced.
        TaskPtr master;
        TaskView* box = repeatingEventBox(2, master);
        const int before = changes.posts;
        ScriptedAlertPresenter alerts;
        alerts.scriptButton(AlertResponse::thirdButton);
        box->applyDelete();
        QCoreApplication::sendPostedEvents();
        EXPECT_EQ(reread(master)->isRepeatForever(), 1);
        EXPECT_EQ(changes.posts, before);
    }
}

TEST_F(TaskViewCommandsTest, TheDeleteWarningGuardsTasksAndOneOffEventsAndItsBoxTurnsItOff)
{
    setting().setIsWarningForDeleting(1);
    const TaskPtr task = storedTask(QStringLiteral("Report"), 30);
    TaskView* taskBox = place(task, false, QRectF(100, 100, 100, 46));
    {
        // Ticked and cancelled: the warning is off, the item stays.
        ScriptedAlertPresenter alerts;
        alerts.scriptButton(AlertResponse::secondButton, true);
        taskBox->applyDelete();
        ASSERT_EQ(alerts.requests().size(), 1);
        EXPECT_EQ(alerts.requests().front().messageText, text("deleteItemText"));
        EXPECT_TRUE(alerts.requests().front().showsSuppressionButton);
        EXPECT_EQ(setting().isWarningForDeleting(), 0);
        EXPECT_TRUE(exists(task));
    }
    {
        ScriptedAlertPresenter alerts;  // no question now
        taskBox->applyDelete();
        EXPECT_FALSE(exists(task));
    }

    // A one-off event without the warning goes at once and closes open editors.
    int closes = 0;
    QObject observer;
    NotificationCenter::defaultCenter().addObserver(&observer, Popover::shouldCloseNotification, nullptr,
                                                    [&closes](const Notification&) { ++closes; });
    const TaskPtr event = storedEvent(QStringLiteral("Call"), at(14), at(15));
    ScriptedAlertPresenter alerts;
    placeEvent(event, 14, 15)->applyDelete();
    QCoreApplication::sendPostedEvents();
    EXPECT_FALSE(exists(event));
    EXPECT_EQ(closes, 1);

    // Shared items are never deleted from the box.
    const TaskPtr shared = storedEvent(QStringLiteral("Shared"), at(16), at(17));
    shared->setIsShared(true);
    ASSERT_TRUE(shared->dehydrate());
    placeEvent(shared, 16, 17)->applyDelete();
    EXPECT_TRUE(exists(shared));
    NotificationCenter::defaultCenter().removeObserver(&observer);
}

TEST_F(TaskViewCommandsTest, DoneTogglesTheStatusAndTheCompletionDate)
{
    ScriptedAlertPresenter alerts;
    ChangeCounter changes;
    const TaskPtr task = storedTask(QStringLiteral("Report"), 30);
    TaskView* box = place(task, false, QRectF(100, 100, 100, 46));
    box->commandForAction(QStringLiteral("selectDone:"))();
    EXPECT_EQ(reread(task)->status(), 1);
    EXPECT_EQ(reread(task)->completedDate(), Utilities::getCompleteDate());
    box->commandForAction(QStringLiteral("selectDone:"))();
    EXPECT_EQ(reread(task)->status(), 0);
    EXPECT_EQ(reread(task)->completedDate(), Date::dateWithTimeIntervalSince1970(0));
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(changes.posts, 2);
}

TEST_F(TaskViewCommandsTest, DuplicatingAsksOnlyForRepeatingEvents)
{
    const TaskPtr task = storedTask(QStringLiteral("Report"), 30);
    auto note = std::make_shared<Task>();
    note->setTaskType(3);
    note->setTaskName(QStringLiteral("Idea"));
    ASSERT_TRUE(note->insertAndDehydrate());
    {
        ScriptedAlertPresenter alerts;  // no question for one-off items
        const qint64 before = rowCount();
        place(task, false, QRectF(100, 100, 100, 46))->commandForAction(QStringLiteral("duplicateTask:"))();
        place(note, false, QRectF(100, 200, 100, 46))->duplicateTask();
        EXPECT_EQ(rowCount(), before + 2);
    }
    TaskPtr master;
    TaskView* box = repeatingEventBox(2, master);
    {
        ScriptedAlertPresenter alerts;
        alerts.scriptButton(AlertResponse::secondButton);
        const qint64 before = rowCount();
        box->duplicateTask();
        ASSERT_EQ(alerts.requests().size(), 1);
        EXPECT_EQ(alerts.requests().front().buttonTitles, (QStringList{text("onlyThisEventText"), text("cancelText")}));
        EXPECT_EQ(alerts.requests().front().messageText, text("duplicateEventText"));
        EXPECT_EQ(rowCount(), before) << "cancelled";
    }
    {
        ScriptedAlertPresenter alerts;
        alerts.scriptButton(AlertResponse::firstButton);
        const qint64 before = rowCount();
        box->duplicateTask();
        EXPECT_EQ(rowCount(), before + 1);
        EXPECT_EQ(queryInt(QStringLiteral("SELECT COUNT(*) FROM Tasks WHERE taskName='Standup' AND repeatType=0")), 1)
            << "the copy of this occurrence does not repeat";
    }
}

TEST_F(TaskViewCommandsTest, CopyingALinkWarnsOnceWhenAskedAndRemembersACopy)
{
    // The settings record is the stored row, so that a save shows in it.
    setting().setPrimaryKey(queryInt(QStringLiteral("SELECT primaryKey FROM Settings LIMIT 1")));
    setting().setIsWarningForCopyToLink(1);
    const TaskPtr task = storedTask(QStringLiteral("Report"), 30);
    TaskView* box = place(task, false, QRectF(100, 100, 100, 46));
    {
        ScriptedAlertPresenter alerts;
        alerts.scriptButton(AlertResponse::secondButton);
        box->commandForAction(QStringLiteral("copyToMakeLink:"))();
        EXPECT_EQ(alerts.requests().front().messageText, text("pasteToAnyOtherItemText"));
        EXPECT_EQ(dataManager().copiedItem(), nullptr) << "cancelled";
    }
    {
        ScriptedAlertPresenter alerts;
        alerts.scriptButton(AlertResponse::firstButton, true);
        box->copyToMakeLink();
        ASSERT_NE(dataManager().copiedItem(), nullptr);
        EXPECT_NE(dataManager().copiedItem(), task) << "a copy";
        EXPECT_EQ(dataManager().copiedItem()->primaryKey(), task->primaryKey());
        EXPECT_EQ(setting().isWarningForCopyToLink(), 0);
        EXPECT_EQ(queryInt(QStringLiteral("SELECT isWarningForCopyToLink FROM Settings LIMIT 1")), 0) << "saved at once";
    }
    // Every menu row of the box has its command.
    for (const char* action : {"editTask:", "addPrimaryNote:", "selectDone:", "duplicateTask:", "deleteTask:", "doToday:",
                               "doNextWeek:", "doNextMonth:", "copyToMakeLink:", "pasteToMakeLink:"})
        EXPECT_TRUE(bool(box->commandForAction(QString::fromLatin1(action)))) << action;
    EXPECT_FALSE(bool(box->commandForAction(QStringLiteral("unknown:"))));
}

}  // namespace TaskViewCommandsTests

}  // namespace TaskViewCommandsTestCases
