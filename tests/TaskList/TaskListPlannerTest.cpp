// The pane runs the today planner: at start, on every reload of its own, on
// the working hours' change and every 900 seconds, with a list reload when
// the pass did not come from the pane; tied orders are renumbered first, and
// a timed pass never runs under a question on screen.
#include "TaskListPaneFixture.h"

#include "Notifications.h"
#include "Setting.h"
#include "TimeSlotObject.h"

namespace {

// Working hours Monday to Friday 09:00-17:00, none at the weekend; the
// clock Monday 13 January 2014, 07:00.
class TaskPanePlannerTest : public TaskPaneTest {
protected:
    void SetUp() override
    {
        TaskPaneTest::SetUp();
        Clock::setFixed(localDate(2014, 1, 13, 7));
        QVariantMap hours;
        for (const QString& key : Setting::dayManagerKeys()) {
            const bool weekend = key.startsWith(QStringLiteral("Sat")) || key.startsWith(QStringLiteral("Sun"));
            hours.insert(key, weekend ? 0 : key.endsWith(QStringLiteral("EndTime")) ? 1020 : 540);
        }
        setting().setDayManagers(hours);
    }

    TaskPtr timed(const QString& name, qint64 order, qint64 minutes)
    {
        return ordered(name, order, [minutes](Task& t) {
            t.setHasDuration(true);
            t.setDuration(minutes);
        });
    }

    static QString key(const char* text) { return TextTable::localizedString(QString::fromLatin1(text)); }
    // The day's list, a carried piece written with its minutes.
    QStringList day(const char* weekday, const TaskList& whole)
    {
        QStringList names;
        for (const TaskPtr& t : dataManager().sevenDaysTaskList()->value(key(weekday)))
            names << (whole.contains(t) ? t->taskName() : QStringLiteral("%1:%2").arg(t->taskName()).arg(t->duration()));
        return names;
    }
};

const char* const weekdays[] = {"sunText", "monText", "tueText", "wedText", "thuText", "friText", "satText"};

}  // namespace

TEST_F(TaskPanePlannerTest, TheMainPaneLaysTheWeekOutAtOnceAndTheTimerPassReloadsTheList)
{
    event(QStringLiteral("Lunch"), localDate(2014, 1, 13, 12), localDate(2014, 1, 13, 13));
    const TaskList tasks{timed(QStringLiteral("T1"), 1, 240), timed(QStringLiteral("T2"), 2, 240),
                         timed(QStringLiteral("T3"), 3, 30)};
    pane().setTypeOfView(TaskListView::mainListType);
    EXPECT_EQ(pane().reloadTodayTaskCount(), 1);
    EXPECT_EQ(pane().reloadCount(), 0) << "the pane's own pass reloads no list";
    EXPECT_EQ(day("monText", tasks), (QStringList{"T1", "T2"}));
    EXPECT_EQ(day("tueText", tasks), (QStringList{"T2:60", "T3"}));
    EXPECT_EQ(dataManager().sevenDaysTaskList()->value(key("tueText")).front()->primaryKey(), tasks[1]->primaryKey());
    for (const char* weekday : weekdays) {
        EXPECT_TRUE(dataManager().sevenDaysTaskList()->contains(key(weekday))) << weekday;
        EXPECT_TRUE(dataManager().sevenDaysEventList()->contains(key(weekday))) << weekday;
        EXPECT_TRUE(dataManager().sevenDaysOpenTimeSlotsList()->contains(key(weekday))) << weekday;
    }
    ASSERT_TRUE(pane().reloadTodayTaskTimer().isValid());

    m_scheduler.advance(899);
    EXPECT_EQ(pane().reloadTodayTaskCount(), 1);
    m_scheduler.advance(1);
    EXPECT_EQ(pane().reloadTodayTaskCount(), 2);
    EXPECT_EQ(pane().reloadCount(), 1) << "the timer's pass ends with a list reload";
    EXPECT_EQ(list().numberOfRows(), 5);  // Monday's header, T1, T2, Tuesday's header, T3

    // The working hours change: a pass, one list reload and a new period.
    m_scheduler.advance(600);
    NotificationCenter::defaultCenter().postNotificationName(kTimeManagerChanged);
    EXPECT_EQ(pane().reloadTodayTaskCount(), 3);
    EXPECT_EQ(pane().reloadCount(), 2);
    m_scheduler.advance(300);
    EXPECT_EQ(pane().reloadTodayTaskCount(), 3) << "the period restarted";
    m_scheduler.advance(600);
    EXPECT_EQ(pane().reloadTodayTaskCount(), 4);
    EXPECT_EQ(pane().reloadCount(), 3);

    // Another notification name is no reason to plan.
    pane().callResetTimer(kTaskChanged);
    EXPECT_EQ(pane().reloadTodayTaskCount(), 4);

    // The pane's reload plans and reloads the list once.
    pane().reloadData();
    EXPECT_EQ(pane().reloadTodayTaskCount(), 5);
    EXPECT_EQ(pane().reloadCount(), 4);
}

TEST_F(TaskPanePlannerTest, NoOpenTaskLeavesEmptyDaysAndAGoneTimerStopsWithThePane)
{
    event(QStringLiteral("Lunch"), localDate(2014, 1, 14, 12), localDate(2014, 1, 14, 13));
    pane().setTypeOfView(TaskListView::mainListType);
    for (const char* weekday : weekdays) EXPECT_TRUE(dataManager().sevenDaysTaskList()->value(key(weekday)).isEmpty());
    EXPECT_EQ(dataManager().sevenDaysEventList()->value(key("tueText")).size(), 1);
    EXPECT_EQ(dataManager().sevenDaysOpenTimeSlotsList()->value(key("tueText")).size(), 2);

    const ScheduledTimer timer = pane().reloadTodayTaskTimer();
    ASSERT_TRUE(timer.isValid());
    m_pane.reset();
    EXPECT_FALSE(timer.isValid()) << "the pane's teardown stops its timer";
    m_scheduler.advance(900);  // and nothing runs on a gone pane
    NotificationCenter::defaultCenter().postNotificationName(kTimeManagerChanged);
}

TEST_F(TaskPanePlannerTest, TiedOrdersAreRenumberedByTheNextReset)
{
    struct Case {
        std::vector<qint64> orders, expected;
    };
    const Case cases[] = {{{1, 2, 2, 5}, {1, 2, 3, 4}}, {{1, 2, 3, 5}, {1, 2, 3, 5}}};
    TaskList tasks;
    for (int i = 0; i < 4; ++i) tasks << timed(QStringLiteral("T%1").arg(i + 1), i + 1, 30);
    for (const Case& c : cases) {
        for (int i = 0; i < 4; ++i) {
            tasks[i]->setTaskOrder(c.orders[size_t(i)]);
            ASSERT_TRUE(tasks[i]->dehydrate());
        }
        pane().resetTimer();
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(storedColumn(tasks[i]->primaryKey(), QStringLiteral("taskOrder")).toLongLong(), c.expected[size_t(i)])
                << "T" << i + 1;
    }
}

TEST_F(TaskPanePlannerTest, ATimedPassWaitsForTheQuestionOnScreen)
{
    timed(QStringLiteral("T1"), 1, 30);
    pane().setTypeOfView(TaskListView::mainListType);
    const int passes = pane().reloadTodayTaskCount();
    int passesDuringQuestion = -1;
    m_alerts.setWhileRunning([&] {
        m_scheduler.advance(900);
        m_scheduler.advance(900);  // a second firing waits with the first
        passesDuringQuestion = pane().reloadTodayTaskCount();
    });
    m_alerts.scriptButton(AlertResponse::firstButton);
    AlertRequest question;
    question.messageText = QStringLiteral("Delete?");
    AlertPresenter::current().runModal(question);
    EXPECT_EQ(passesDuringQuestion, passes);
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    EXPECT_EQ(pane().reloadTodayTaskCount(), passes + 1);
    EXPECT_EQ(pane().reloadCount(), 1);
}

TEST_F(TaskPanePlannerTest, AForcedFilterPoursByItsOrderUntilAllIsChosenAgain)
{
    const TaskPtr a = timed(QStringLiteral("A"), 1, 30);
    const TaskPtr b = timed(QStringLiteral("B"), 2, 120);
    const TaskPtr c = timed(QStringLiteral("C"), 3, 60);
    chooseSegment(4);  // longest first
    EXPECT_EQ(day("monText", {a, b, c}), (QStringList{"B", "C", "A"}));
    EXPECT_EQ(std::vector<qint64>({b->npSortOrder(), c->npSortOrder(), a->npSortOrder()}), (std::vector<qint64>{1, 2, 3}));
    chooseSegment(0);
    EXPECT_EQ(day("monText", {a, b, c}), (QStringList{"A", "B", "C"}));
}
