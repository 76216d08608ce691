// Saves the person starts in a view while another process holds the
// database's write lock past the wait: each is kept whole, or refused whole
// with the shown records, the rows and the calendar store as they were, an
// editor left open with what was typed, and the person told.
#include "EventFormFixture.h"

#include "../Model/PostedNotifications.h"
#include "CalendarView.h"
#include "CoreData.h"
#include "ItemCommands.h"
#include "MonthCellView.h"
#include "Popover.h"
#include "RecordStore.h"
#include "RecordingICalSync.h"
#include "ScriptedAlertPresenter.h"
#include "TaskDetailView.h"
#include "TextTable.h"
#include "iCalSync.h"

#include <gtest/gtest.h>

#include <functional>

namespace BusySaveTests {

namespace {

using namespace std::chrono_literals;

// What a person sees of a record, and what a new start would read of it.
QString shownState(const TaskList& records)
{
    QStringList parts;
    for (const TaskPtr& item : records)
        parts << QStringLiteral("%1|%2|%3|%4|%5|%6|%7|%8")
                     .arg(item->taskName())
                     .arg(item->status())
                     .arg(item->startTime().timeIntervalSince1970())
                     .arg(item->dueEnd().timeIntervalSince1970())
                     .arg(item->repeatType())
                     .arg(item->repeatEndDate().timeIntervalSince1970())
                     .arg(item->alertValues())
                     .arg(item->taskOrder());
    return parts.join(QLatin1Char(';'));
}

class BusySaveTest : public EventFormTest {
protected:
    void SetUp() override
    {
        EventFormTest::SetUp();
        auto store = std::make_unique<RecordingICalSync>();
        m_store = store.get();
        dataManager().setICalSync(std::move(store));
        // Events go to the store only with its sync on.
        setting().setAutoICalSync(1);
        m_usualWait = RecordStore::busyTimeout();
        RecordStore::setBusyTimeout(100ms);
    }
    void TearDown() override
    {
        RecordStore::setBusyTimeout(m_usualWait);
        m_taskForm.reset();
        EventFormTest::TearDown();
    }

    // Stored and in the store (a uid), listed as the views list it.
    TaskPtr listed(TaskPtr item)
    {
        item->setICalUID(QStringLiteral("uid-%1").arg(item->taskName()));
        EXPECT_TRUE(item->insertAndDehydrate());
        dataManager().doWithAllTasksEventsAdes(TaskList{item}, 0);
        return item;
    }
    TaskPtr task(const QString& name)
    {
        auto item = std::make_shared<Task>();
        item->setTaskType(1);
        item->setTaskName(name);
        item->setCalendarId(1);
        item->setStartTime(localDate(2014, 1, 13, 9));
        item->setDueEnd(localDate(2014, 1, 16, 9));
        item->setHasDue(1);
        return listed(item);
    }
    TaskPtr dailySeries()
    {
        TaskPtr root = storedEvent(localDate(2014, 1, 13, 9), localDate(2014, 1, 13, 9, 30), QStringLiteral("stand-up"));
        root->setRepeatStartDate(root->startTime());
        root->setRepeatType(1);
        root->setRepeatOptions(QStringLiteral("1//0"));
        root->setIsRepeatForever(1);
        root->setICalUID(QStringLiteral("uid-series"));
        EXPECT_TRUE(root->dehydrate());
        dataManager().doWithAllTasksEventsAdes(TaskList{root}, 0);
        return root;
    }
    TaskPtr occurrenceOn(const TaskPtr& root, int day)
    {
        TaskList instances;
        dataManager().fillRepeatEventInstances({root}, instances, localDate(2014, 1, day), localDate(2014, 1, day, 23, 59));
        return instances.isEmpty() ? nullptr : instances.front();
    }

    QString rows()
    {
        sqlite3_stmt* statement = nullptr;
        const char* sql = "SELECT primaryKey, taskName, status, startTime, dueEnd, repeatType, repeatEndDate, "
                          "repeatExceptions, alertValues, taskOrder FROM Tasks ORDER BY primaryKey";
        EXPECT_EQ(sqlite3_prepare_v2(db(), sql, -1, &statement, nullptr), SQLITE_OK);
        QStringList all;
        while (sqlite3_step(statement) == SQLITE_ROW) {
            QStringList row;
            for (int column = 0; column < sqlite3_column_count(statement); ++column)
                row << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, column)));
            all << row.join(QLatin1Char('|'));
        }
        sqlite3_finalize(statement);
        return all.join(QLatin1Char('\n'));
    }

    RecordingICalSync* m_store = nullptr;
    std::unique_ptr<TaskDetailView> m_taskForm;
    std::chrono::milliseconds m_usualWait{};
};

TEST_F(BusySaveTest, ASaveIsKeptWholeOrRefusedWholeAndTheRefusalIsSaid)
{
    const QString retitled = QStringLiteral("Retitled");
    // Arms the failing write of the case, if any, right before the save: the
    // form's loading reads are not counted.
    qint64 failing = 0;
    const auto arm = [&] { RecordStore::failStep(failing); };
    // Types a new title and clicks Done; answers the form, to tell whether
    // it stays open and what it holds.
    const auto retitle = [&](ItemDetailView& form) {
        form.title()->setString(retitled);
        form.showRevert();
        arm();
        form.doneEdit();
        return &form;
    };
    const auto titled = [&](const TaskList& shown) { EXPECT_EQ(shown.front()->taskName(), retitled); };
    struct Case {
        const char* name;
        std::function<TaskList()> make;  // the records the view shows; the first is the one changed
        std::function<ItemDetailView*(const TaskList&)> act;  // answers the editor it opened
        QList<int> questions;            // the answers of the questions asked before the save
        std::function<void(const TaskList&)> kept;  // what a kept save shows
        bool toStore = true;  // a kept save goes to the calendar store
    };
    const Case cases[] = {
        {"event editor: a new title",
         [&] { return TaskList{listed(storedEvent(localDate(2014, 1, 15, 10), localDate(2014, 1, 15, 11)))}; },
         [&](const TaskList& shown) { return retitle(editForm(shown.front())); }, {}, titled},
        {"task editor: a new title", [&] { return TaskList{task(QStringLiteral("Report"))}; },
         [&](const TaskList& shown) {
             m_taskForm.reset(makeTaskDetailView(shown.front(), nullptr));
             return retitle(*m_taskForm);
         },
         {}, titled},
        {"a task dropped on a day", [&] { return TaskList{task(QStringLiteral("Invoice"))}; },
         [&](const TaskList& shown) -> ItemDetailView* {
             arm();
             const bool saved = MonthCellView::moveTaskToDay(shown.front(), localDate(2014, 1, 20),
                                                             dataManager().currentSetting(), "not saved");
             EXPECT_EQ(saved, shown.front()->dueEnd() == localDate(2014, 1, 20, 9));
             return nullptr;
         },
         {}, [&](const TaskList& shown) { EXPECT_EQ(shown.front()->dueEnd(), localDate(2014, 1, 20, 9)); }},
        {"tasks reordered on the day grid",
         [&] {
             TaskList tasks{task(QStringLiteral("First")), task(QStringLiteral("Second"))};
             tasks.front()->setTaskOrder(1);
             tasks.back()->setTaskOrder(2);
             for (const TaskPtr& item : tasks) EXPECT_TRUE(item->dehydrate());
             return tasks;
         },
         [&](const TaskList& shown) -> ItemDetailView* {
             arm();
             CalendarView::updateTaskAboveOrderInList(shown);
             return nullptr;
         },
         {}, [&](const TaskList& shown) { EXPECT_EQ(shown.front()->taskOrder(), 2); }, false},
        {"the done box", [&] { return TaskList{task(QStringLiteral("Call"))}; },
         [&](const TaskList& shown) -> ItemDetailView* {
             arm();
             ItemCommands::toggleDone(shown.front(), nullptr);
             return nullptr;
         },
         {}, [&](const TaskList& shown) { EXPECT_EQ(shown.front()->status(), 1); }},
        {"a series retitled from a later occurrence on: two commands",
         [&] {
             const TaskPtr root = dailySeries();
             return TaskList{occurrenceOn(root, 15), root};
         },
         [&](const TaskList& shown) { return retitle(editForm(shown.front())); },
         {AlertResponse::secondButton},  // this and all future
         [&](const TaskList& shown) {
             titled(shown);
             EXPECT_FALSE(shown.at(1)->isRepeatForever()) << "the old series ends";
         }},
    };
    const QByteArray path = (dataFolder() + QStringLiteral("/Database.sql")).toUtf8();
    const QString refusal = TextTable::localizedString(QStringLiteral("changeNotSavedText")).section(QLatin1Char(':'), 0, 0);
    // How the save goes: refused at its start by the other program's lock,
    // refused by a write that fails halfway through (a full disk would), or
    // kept.
    struct Way {
        const char* name;
        bool locked;
        qint64 failingStep;  // 0: none
        const char* reason;  // what the person is told of; none: kept
    };
    const Way ways[] = {{"the lock held", true, 0, "database is locked"},
                        {"a later write failing", false, 4, "disk I/O error"},
                        {"nothing in the way", false, 0, nullptr}};
    for (const Case& c : cases) {
        for (const Way& way : ways) {
            SCOPED_TRACE(std::string(c.name) + ", " + way.name);
            const bool locked = way.reason != nullptr;
            const TaskList shown = c.make();
            ASSERT_FALSE(shown.contains(nullptr));
            const QString shownBefore = shownState(shown);
            const QString rowsBefore = rows();
            const auto marksBefore = iCalSync::storeWritesDue();
            m_store->clearCalls();
            PostedNotifications posts({Popover::shouldCloseNotification, kTaskChanged});
            ScriptedAlertPresenter alerts;
            for (const int answer : c.questions) alerts.scriptButton(answer);
            if (locked) alerts.scriptButton(AlertResponse::firstButton);

            sqlite3* other = nullptr;
            ASSERT_EQ(sqlite3_open(path.constData(), &other), SQLITE_OK);
            if (way.locked) {
                ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
            }
            failing = way.failingStep;
            ItemDetailView* editor = c.act(shown);
            RecordStore::failStep(0);
            sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
            sqlite3_close(other);
            QCoreApplication::processEvents();

            int told = 0;
            for (const AlertRequest& request : alerts.requests()) told += request.messageText.startsWith(refusal);
            if (locked) {
                EXPECT_EQ(shownState(shown), shownBefore) << "the shown records are as before";
                EXPECT_EQ(rows(), rowsBefore) << "the database is as before";
                EXPECT_TRUE(m_store->calls().isEmpty()) << "no store write is queued";
                EXPECT_EQ(iCalSync::storeWritesDue(), marksBefore);
                EXPECT_EQ(told, 1) << "the person is told once";
                EXPECT_TRUE(alerts.requests().last().messageText.contains(QLatin1String(way.reason)));
                if (editor) {
                    EXPECT_FALSE(posts.names().contains(Popover::shouldCloseNotification)) << "the editor stays open";
                    EXPECT_EQ(editor->title()->string(), retitled) << "with what was typed";
                    EXPECT_TRUE(editor->isRevertShown()) << "and unsaved";
                }
            } else {
                c.kept(shown);
                EXPECT_NE(rows(), rowsBefore);
                EXPECT_EQ(m_store->calls().isEmpty(), !c.toStore) << "the store hears of the save";
                EXPECT_EQ(told, 0);
                if (editor) {
                    EXPECT_TRUE(posts.names().contains(Popover::shouldCloseNotification));
                }
            }
        }
    }
}

}  // namespace

}  // namespace BusySaveTests
