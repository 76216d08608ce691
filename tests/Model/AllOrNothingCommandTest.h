#pragma once

#include "AllOrNothing.h"
#include "CommandTestFixture.h"
#include "Notifications.h"

// The command fixture of the failing-step loops: the settings record is the
// stored row, so the deletion queues are really written; the calendar store
// and the web push are switched on; and what a command reaches outside the
// rows and the lists (the records handed to it, the item being edited, the
// calendar store) is described for the loop to compare.
class AllOrNothingCommandTest : public CommandTest {
protected:
    void SetUp() override
    {
        CommandTest::SetUp();
        setting().setPrimaryKey(1);
        setting().setAutoZVWSync(1);
        setting().setAutoICalSync(1);
        setting().setShowWarningAddRepeatTask(0);
        ASSERT_TRUE(setting().dehydrate());
    }

    const QStringList postNames{kAllTasksEventsAdesChanged, kCalendarListChanged, kTaskChanged,
                                kTaskOrderChanged,          kAutoSyncNotification, kUnLinkNotification};

    std::function<QString()> outside(const TaskList& handedIn)
    {
        return [this, handedIn] {
            QStringList described = iCalOperations();
            for (const TaskPtr& item : handedIn)
                described.append(allornothing::describe(*item) + QLatin1Char('|')
                                 + QString::number(item->isTopGTDTask()));
            if (const TaskPtr editing = dataManager().modifyingTask())
                described.append(QStringLiteral("editing ") + allornothing::describe(*editing));
            return described.join(QLatin1Char('\n'));
        };
    }

    // Runs the command with each of its steps failing in turn; the last run
    // succeeds and stays. Answers how many steps it took.
    int expectWholeOrNothing(const std::function<bool()>& command, const TaskList& handedIn = {})
    {
        return expectAllOrNothing(db(), command, postNames, outside(handedIn));
    }

    qint64 link(const TaskPtr& from, const TaskPtr& to)
    {
        auto made = std::make_shared<Link>();
        made->setRootId(from->primaryKey());
        made->setTargetId(to->primaryKey());
        EXPECT_TRUE(dataManager().insertLink(made));
        return made->primaryKey();
    }

    TaskPtr note() { return storedItem(QStringLiteral("notes"), 3); }

    bool rowExists(const TaskPtr& item)
    {
        return queryInt(QStringLiteral("SELECT count(*) FROM Tasks WHERE primaryKey=%1").arg(item->primaryKey())) == 1;
    }

    QString itemQueue() const { return CoreData::shared()->currentSetting()->zvwDeletedTasks(); }
};
