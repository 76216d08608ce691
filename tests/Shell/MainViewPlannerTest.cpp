// The main window over a sample week: the task pane groups the week's plan
// under its days and the day grid shows today's planned pieces beside the
// events; moving the working hours plans again.
#include "MainView.h"
#include "MainViewHeight.h"

#include "../Model/ModelTestFixture.h"
#include "../Utilities/DateTestSupport.h"
#include "Button.h"
#include "Clock.h"
#include "CalendarView.h"
#include "DayCalendarView.h"
#include "ListModuleView.h"
#include "ManualScheduler.h"
#include "NotificationCenter.h"
#include "Notifications.h"
#include "Scheduler.h"
#include "Screenshot.h"
#include "ScriptedAlertPresenter.h"
#include "Setting.h"
#include "Task.h"
#include "TaskListTableView.h"
#include "TaskListView.h"
#include "TestEnvironment.h"
#include "TextTable.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <memory>

namespace MainViewPlannerTests {

namespace {

constexpr double W = 1200;
constexpr double H = 800;

class MainViewPlannerTest : public ModelTest {
protected:
    void SetUp() override
    {
        ModelTest::SetUp();
        dataManager().setCurrentSetting(Setting::initWithPrimaryKey(1, db()));
        ASSERT_TRUE(dataManager().currentSetting());
        dataManager().doWithCalendarList(dataManager().getCalendarList(), 2);
        Scheduler::setCurrent(&scheduler);
        AlertPresenter::setCurrent(&alerts);
        m_previousHeight = mainViewHeight;
        mainViewHeight = quint64(H);
        Clock::setFixed(localDate(2014, 1, 13, 7));
        QVariantMap hours;
        for (const QString& key : Setting::dayManagerKeys()) {
            const bool weekend = key.startsWith(QStringLiteral("Sat")) || key.startsWith(QStringLiteral("Sun"));
            hours.insert(key, weekend ? 0 : key.endsWith(QStringLiteral("EndTime")) ? 1020 : 540);
        }
        setting().setDayManagers(hours);
        setting().setShowTask(1);
        setting().setMustDo(2);
    }

    void TearDown() override
    {
        m_window.reset();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        AlertPresenter::setCurrent(nullptr);
        Scheduler::setCurrent(nullptr);
        mainViewHeight = m_previousHeight;
        dataManager().setSevenDaysTaskList(std::nullopt);
        ModelTest::TearDown();
    }

    Setting& setting() { return *dataManager().currentSetting(); }

    TaskPtr add(qint64 type, const QString& name, const std::function<void(Task&)>& shape)
    {
        auto item = std::make_shared<Task>();
        item->setTaskType(type);
        item->setTaskName(name);
        item->setCalendarId(1);
        item->setTaskOrder(++m_order);
        shape(*item);
        EXPECT_TRUE(item->insertIntoDatabase());
        shape(*item);
        EXPECT_TRUE(item->dehydrate());
        dataManager().doWithAllTasksEventsAdes(TaskList{item}, 0);
        return item;
    }
    TaskPtr task(const QString& name, qint64 minutes, int dueDay = 0)
    {
        return add(1, name, [&](Task& t) {
            t.setHasDuration(true);
            t.setDuration(minutes);
            if (dueDay) {
                t.setHasDue(true);
                t.setDueEnd(localDate(2014, 1, dueDay, 18));
            }
        });
    }
    TaskPtr event(const QString& name, int day, int from, int to)
    {
        return add(0, name, [&](Task& t) {
            t.setTz(0);
            t.setStartTime(localDate(2014, 1, day, from));
            t.setEndTime(localDate(2014, 1, day, to));
        });
    }

    MainView& openMainView()
    {
        m_window = std::make_unique<View>(QRectF(0, 0, W, H));
        m_view = new MainView(QRectF(0, 0, W, H), m_window.get());
        MainView::setCurrent(m_view);
        m_window->show();
        processEventsUntil([this] { return m_view->isWindowVisible(); });
        return *m_view;
    }

    static QString key(const char* text) { return TextTable::localizedString(QString::fromLatin1(text)); }
    QStringList day(const char* weekday)
    {
        QStringList names;
        for (const TaskPtr& t : dataManager().sevenDaysTaskList().value_or(CoreData::WeekdayTaskLists()).value(key(weekday)))
            names << t->taskName();
        return names;
    }

    ManualScheduler scheduler;
    ScriptedAlertPresenter alerts;
    quint64 m_previousHeight = 0;
    qint64 m_order = 0;
    std::unique_ptr<View> m_window;
    MainView* m_view = nullptr;
};

}  // namespace

TEST_F(MainViewPlannerTest, TheWindowShowsThePlannedWeekAndPlansAgainWhenTheHoursMove)
{
    event(QStringLiteral("Team standup"), 13, 9, 10);
    event(QStringLiteral("Lunch with Claire"), 13, 12, 13);
    event(QStringLiteral("Dentist"), 14, 15, 16);
    task(QStringLiteral("Write the quarterly report"), 240);
    task(QStringLiteral("Review the budget"), 180);
    task(QStringLiteral("Send the contract back"), 30, 14);  // must-do: due tomorrow
    task(QStringLiteral("Prepare the workshop slides"), 120);
    task(QStringLiteral("Call the plumber"), 15);

    MainView& view = openMainView();
    view.showHideBtn()->setState(1);
    view.showHide();
    m_window->setFrameSize(view.frame().size());
    QApplication::processEvents();

    // Monday has 480 - 120 free minutes: the must-do task first, the report,
    // and the budget that overflows into Tuesday.
    EXPECT_EQ(day("monText"), (QStringList{"Send the contract back", "Write the quarterly report", "Review the budget"}));
    EXPECT_EQ(day("tueText"),
              (QStringList{"Review the budget", "Prepare the workshop slides", "Call the plumber"}));
    TaskListView& pane = *view.listModuleView()->taskListView();
    pane.reloadData();
    QApplication::processEvents();
    EXPECT_EQ(pane.taskListTableView()->numberOfRows(), 7);  // two day headers and the five tasks, each once
    EXPECT_FALSE(view.dayCalendarView()->calendarView()->taskPieces().empty());
    EXPECT_FALSE(saveScreenshot(&view, QStringLiteral("main-view-planned-week")).isEmpty());

    // Monday's hours now end at noon: the budget moves to Tuesday whole.
    QVariantMap hours = setting().dayManagers();
    hours.insert(QStringLiteral("MondayEndTime"), 720);
    setting().setDayManagers(hours);
    NotificationCenter::defaultCenter().postNotificationName(kTimeManagerChanged);
    EXPECT_EQ(day("monText"), (QStringList{"Send the contract back", "Write the quarterly report"}));
    EXPECT_EQ(day("tueText").front(), QStringLiteral("Write the quarterly report"));
}

}  // namespace MainViewPlannerTests
