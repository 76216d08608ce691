// The focus pane's row commands: what Delete asks and removes for each
// kind of item, duplicates, done and undone, and copying for a link.
#include "FocusPaneTestFixture.h"

#include "NotificationCenter.h"
#include "TextTable.h"

namespace FocusPaneCommandsTestCases {

namespace FocusPaneCommandsTests {

namespace {

QStringList buttonKeys(const AlertRequest& request)
{
    // Back from texts to the keys they came from, for readable expectations.
    QStringList keys;
    for (const QString& title : request.buttonTitles)
        for (const char* key : {"onlyThisEventText", "onlyThisSTaskText", "allText", "allFutureEventsText",
                                "allFutureSTasksText", "cancelText", "okText"})
            if (title == TextTable::localizedString(QString::fromLatin1(key))) {
                keys << QString::fromLatin1(key);
                break;
            }
    return keys;
}

QString text(const char* key)
{
    return TextTable::localizedString(QString::fromLatin1(key));
}

}  // namespace

TEST_F(FocusPaneTest, DeleteOfARepeatingEventAsksAboutTheOccurrences)
{
    setting().setIsWarningForDeleting(0);  // repeating items ask all the same
    const TaskPtr fromToday = dailyAllDaySeries(QStringLiteral("From today"), 15);
    const TaskPtr older = dailyAllDaySeries(QStringLiteral("Older"), 10);
    const TaskPtr scheduled = add(0, QStringLiteral("Planned"), [](Task& t) {
        t.setStartTime(localDate(2014, 1, 10, 9));
        t.setEndTime(localDate(2014, 1, 10, 10));
        t.setRepeatStartDate(localDate(2014, 1, 10));
        t.setOccurrence(localDate(2014, 1, 15, 9));
        t.setRepeatType(1);
        t.setIsRepeatForever(1);
        t.setParentId(-1);
        t.setIsSheduledTask(true);
    });
    reload();
    // The day's row of a series that started today is still a generated
    // instance; the timed series is listed here through its own row.
    auto* plannedRow = new FocusPaneItemView();
    plannedRow->setTask(scheduled);
    std::vector<FocusPaneItemView*> rows;
    for (FocusPaneItemView* existing : list().arrayOfTasks()) {
        auto* copy = new FocusPaneItemView();
        copy->setTask(existing->task());
        rows.push_back(copy);
    }
    rows.push_back(plannedRow);
    list().setArrayOfTasks(rows);
    ASSERT_EQ(rowNames(), (QStringList{"From today", "Older", "Planned"}));
    EXPECT_LT(row(QStringLiteral("Older"))->task()->primaryKey(), -1);

    const struct {
        const char* name;
        QStringList buttons;
        const char* message;
    } cases[] = {
        {"From today", {"onlyThisEventText", "allText", "cancelText"}, "deletingADEText"},
        {"Older", {"onlyThisEventText", "allFutureEventsText", "cancelText"}, "deletingADEText"},
        {"Planned", {"onlyThisSTaskText", "allFutureSTasksText", "cancelText"}, "deletingSTaskText"},
    };
    const qint64 before = rowCount();
    for (const auto& c : cases) {
        select(QString::fromUtf8(c.name));
        m_alerts.scriptButton(AlertResponse::thirdButton);
        list().applyDelete();
        const AlertRequest asked = m_alerts.requests().last();
        EXPECT_EQ(buttonKeys(asked), c.buttons) << c.name;
        EXPECT_EQ(asked.messageText, text(c.message)) << c.name;
        EXPECT_FALSE(asked.showsSuppressionButton) << c.name;
    }
    EXPECT_EQ(m_alerts.requests().size(), 3);
    EXPECT_EQ(rowCount(), before) << "cancelled: nothing deleted";
    EXPECT_EQ(m_alerts.requests()[1].informativeText,
              text("deletingFutureMessageText") + QStringLiteral("\n") + text("warningRADEExceptionText"));
}

TEST_F(FocusPaneTest, TheSecondAnswerDeletesTheSeriesOrItsFuture)
{
    const TaskPtr fromToday = dailyAllDaySeries(QStringLiteral("From today"), 15);
    const TaskPtr older = dailyAllDaySeries(QStringLiteral("Older"), 10);
    reload();
    int changes = 0;
    QObject observer;
    NotificationCenter::defaultCenter().addObserver(&observer, kTaskChanged, nullptr, [&](const Notification&) { ++changes; });

    select(QStringLiteral("From today"));
    m_alerts.scriptButton(AlertResponse::secondButton);
    list().applyDelete();
    EXPECT_FALSE(stored(fromToday)) << "all occurrences";

    select(QStringLiteral("Older"));
    m_alerts.scriptButton(AlertResponse::secondButton);
    list().applyDelete();
    ASSERT_TRUE(stored(older)) << "the past stays";
    const TaskPtr ended = Task::initWithPrimaryKey(older->primaryKey());
    EXPECT_EQ(ended->isRepeatForever(), 0);
    EXPECT_LT(ended->repeatEndDate(), localDate(2014, 1, 15)) << "ends before the day shown";
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(changes, 2);
    NotificationCenter::defaultCenter().removeObserver(&observer);
}

TEST_F(FocusPaneTest, WithoutTheWarningOneOffItemsGoAtOnce)
{
    setting().setIsWarningForDeleting(0);
    const TaskPtr task = dueTask(QStringLiteral("Call"));
    const TaskPtr idea = note(QStringLiteral("Idea"));
    const TaskPtr holiday = allDayEvent(QStringLiteral("Holiday"));
    reload();
    for (const char* name : {"Call", "Idea", "Holiday"}) {
        select(QString::fromUtf8(name));
        list().applyDelete();
    }
    EXPECT_TRUE(m_alerts.requests().isEmpty());
    EXPECT_FALSE(stored(task));
    EXPECT_FALSE(stored(idea));
    EXPECT_FALSE(stored(holiday));
}

TEST_F(FocusPaneTest, WithTheWarningOneOffItemsAskAndTheBoxStopsTheQuestion)
{
    setting().setIsWarningForDeleting(1);
    const TaskPtr task = dueTask(QStringLiteral("Call"));
    const TaskPtr holiday = allDayEvent(QStringLiteral("Holiday"));
    reload();

    select(QStringLiteral("Holiday"));
    m_alerts.scriptButton(AlertResponse::secondButton);
    list().applyDelete();
    ASSERT_EQ(m_alerts.requests().size(), 1);
    EXPECT_EQ(m_alerts.requests()[0].messageText, text("deletingADEText"));
    EXPECT_EQ(buttonKeys(m_alerts.requests()[0]), (QStringList{"okText", "cancelText"}));
    EXPECT_TRUE(stored(holiday)) << "cancelled";

    select(QStringLiteral("Call"));
    m_alerts.scriptButton(AlertResponse::secondButton, true);  // cancelled, box ticked
    list().applyDelete();
    EXPECT_EQ(m_alerts.requests()[1].messageText, text("deleteItemText"));
    EXPECT_TRUE(stored(task));
    EXPECT_EQ(setting().isWarningForDeleting(), 0) << "the box clears the flag whatever the answer";
    list().applyDelete();
    EXPECT_EQ(m_alerts.requests().size(), 2) << "no more questions";
    EXPECT_FALSE(stored(task));
}

TEST_F(FocusPaneTest, DeleteActsOnTheSelectedRowAndNeedsOne)
{
    setting().setIsWarningForDeleting(0);
    const TaskPtr first = note(QStringLiteral("First"), 8);
    const TaskPtr second = note(QStringLiteral("Second"), 9);
    const TaskPtr shared = add(3, QStringLiteral("Shared"), [](Task& t) {
        t.setStartTime(localDate(2014, 1, 15, 10));
        t.setIsShared(true);
    });
    reload();

    pressKey(Qt::Key_Delete);
    EXPECT_TRUE(stored(first));
    EXPECT_TRUE(stored(second)) << "no selected row, nothing goes";

    // The first note was clicked, then the selection moved to the second.
    click(QStringLiteral("First"));
    m_scheduler.advance(1);
    select(QStringLiteral("Second"));
    pressKey(Qt::Key_Delete);
    EXPECT_TRUE(stored(first)) << "the note clicked earlier stays";
    EXPECT_FALSE(stored(second));

    // A reload clears the last clicked row; the selected one still counts.
    reload();
    select(QStringLiteral("First"));
    EXPECT_EQ(list().selectedItem(), nullptr);
    pressKey(Qt::Key_Backspace);
    EXPECT_FALSE(stored(first));

    reload();
    select(QStringLiteral("Shared"));
    list().applyDelete();
    EXPECT_TRUE(stored(shared)) << "shared items are not deleted here";
    pressKey(Qt::Key_A);  // other keys do nothing
    EXPECT_TRUE(m_alerts.requests().isEmpty());
}

TEST_F(FocusPaneTest, DuplicatesAskOnlyForRepeatingEvents)
{
    const TaskPtr series = dailyAllDaySeries(QStringLiteral("Standup"), 10);
    dueTask(QStringLiteral("Call"));
    reload();
    const qint64 before = rowCount();

    select(QStringLiteral("Standup"));
    m_alerts.scriptButton(AlertResponse::secondButton);
    list().commandForAction(QStringLiteral("duplicateTask:"))();
    ASSERT_EQ(m_alerts.requests().size(), 1);
    EXPECT_EQ(m_alerts.requests()[0].messageText, text("duplicateEventText"));
    EXPECT_EQ(rowCount(), before) << "cancelled: nothing made";

    select(QStringLiteral("Call"));
    list().commandForAction(QStringLiteral("duplicateTask:"))();
    EXPECT_EQ(m_alerts.requests().size(), 1) << "a task is copied without a question";
    EXPECT_EQ(rowCount(), before + 1);
    EXPECT_EQ(queryInt(QStringLiteral("SELECT COUNT(*) FROM Tasks WHERE taskName='Call'")), 2);
}

TEST_F(FocusPaneTest, DoneTogglesAndAnUndoneTaskForgetsItsCompletion)
{
    const TaskPtr done = doneTask(QStringLiteral("Report"));
    reload();
    select(QStringLiteral("Report"));
    list().commandForAction(QStringLiteral("selectDone:"))();
    const TaskPtr reread = Task::initWithPrimaryKey(done->primaryKey());
    EXPECT_EQ(reread->status(), 0);
    EXPECT_EQ(reread->completedDate(), Date::dateWithTimeIntervalSince1970(0));
}

TEST_F(FocusPaneTest, CopyForLinkingExplainsOnceWhenTheBoxIsTicked)
{
    setting().setIsWarningForCopyToLink(1);
    dueTask(QStringLiteral("Call"));
    reload();
    select(QStringLiteral("Call"));
    m_alerts.scriptButton(AlertResponse::secondButton, true);
    list().commandForAction(QStringLiteral("copyToMakeLink:"))();
    EXPECT_EQ(dataManager().copiedItem(), nullptr) << "cancelled";
    EXPECT_EQ(setting().isWarningForCopyToLink(), 0);

    list().commandForAction(QStringLiteral("copyToMakeLink:"))();
    EXPECT_EQ(m_alerts.requests().size(), 1) << "not explained again";
    ASSERT_NE(dataManager().copiedItem(), nullptr);
    EXPECT_EQ(dataManager().copiedItem()->taskName(), QStringLiteral("Call"));
    EXPECT_NE(dataManager().copiedItem(), row(QStringLiteral("Call"))->task()) << "a copy";
    EXPECT_FALSE(list().commandForAction(QStringLiteral("scheduleToday:"))) << "no command";
}

}  // namespace FocusPaneCommandsTests

}  // namespace FocusPaneCommandsTestCases
