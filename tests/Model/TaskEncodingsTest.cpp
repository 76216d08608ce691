#include "TaskTestFixture.h"

#include <functional>

namespace {

std::shared_ptr<AlertObj> relativeAlert(qint64 seconds, const QString& sound = QStringLiteral(""))
{
    auto alert = std::make_shared<AlertObj>();
    alert->setAlertType(1);
    alert->setRelativeOffset(seconds);
    alert->setSoundName(sound);
    return alert;
}

std::shared_ptr<AlertObj> absoluteAlert(const Date& date)
{
    auto alert = std::make_shared<AlertObj>();
    alert->setAlertType(0);
    alert->setAbsoluteDate(date);
    return alert;
}

std::shared_ptr<AlertObj> snoozeAlert(const Date& date)
{
    std::shared_ptr<AlertObj> alert = absoluteAlert(date);
    alert->setAlertType(2);
    return alert;
}

using TaskEncodingsTest = TaskTest;

TEST_F(TaskEncodingsTest, AlertListIsReadFromEveryPieceAfterTheFirstSlash)
{
    Task item;
    for (const QString& text : {QStringLiteral(""), QStringLiteral("1|-900|Glass")}) {
        item.setAlertValues(text);
        EXPECT_TRUE(item.createAlertList().isEmpty()) << text.toStdString();
    }
    item.setAlertValues(QStringLiteral("/1|-900|Glass/1|-3600|"));
    const QList<std::shared_ptr<AlertObj>> alerts = item.createAlertList();
    ASSERT_EQ(alerts.size(), 2);
    EXPECT_EQ(alerts[0]->relativeOffset(), -900);
    EXPECT_EQ(alerts[0]->soundName(), QStringLiteral("Glass"));
    EXPECT_EQ(alerts[1]->relativeOffset(), -3600);
    EXPECT_EQ(alerts[1]->soundName(), QStringLiteral(""));
}

TEST_F(TaskEncodingsTest, UpdatedAlertListIsStoredAsTextAndMarksTheItem)
{
    const TaskPtr item = storedItem(QStringLiteral("Item"));
    const Date at = localDate(2014, 2, 1, 8, 0);
    item->updateAlertList({relativeAlert(-600, QStringLiteral("Ping")), absoluteAlert(at)});
    EXPECT_EQ(item->alertValues(), QStringLiteral("/1|-600|Ping/0|%1|").arg(qint64(storedSeconds(at))));
    EXPECT_EQ(item->hasChanges(), 1);
    const QList<std::shared_ptr<AlertObj>> alerts = item->createAlertList();
    ASSERT_EQ(alerts.size(), 2);
    EXPECT_EQ(alerts[1]->absoluteDate(), at);
}

TEST_F(TaskEncodingsTest, RepeatOptionsReadWithTheirDefaults)
{
    struct Case {
        QString text;
        qint64 interval;
        QString weekdays;
        qint64 flag;
    };
    const QList<Case> cases = {
        {QString(), 1, "", 0},        {"", 1, "", 0},          {"1//0", 1, "", 0},
        {"2/2|4/1", 2, "2|4", 1},     {"0/3/0", 1, "3", 0},    {"-4//2", 1, "", 2},
        {"3", 3, "", 0},              {"5/7", 5, "7", 0},
    };
    for (const Case& c : cases) {
        const Task::RepeatOptions options = Task::readRepeatOptions(c.text);
        EXPECT_EQ(options.interval, c.interval) << c.text.toStdString();
        EXPECT_EQ(options.weekdays, c.weekdays) << c.text.toStdString();
        EXPECT_EQ(options.flag, c.flag) << c.text.toStdString();
    }
    EXPECT_EQ((Task::RepeatOptions{2, QStringLiteral("2|4"), 1}.text()), QStringLiteral("2/2|4/1"));
    EXPECT_EQ(Task::RepeatOptions{}.text(), QStringLiteral("1//0"));
}

TEST_F(TaskEncodingsTest, ExceptionsNameOccurrencesByTheirStoredStart)
{
    // 9:00 in Paris in winter is stored as the seconds of 9:00 UTC.
    const Date changed = localDate(2014, 1, 20, 9, 0);
    const Date deleted = localDate(2014, 1, 27, 9, 0);
    const QString changedText = QString::number(qint64(utcDate(2014, 1, 20, 9, 0).timeIntervalSince1970()));
    const QString deletedText = QString::number(qint64(utcDate(2014, 1, 27, 9, 0).timeIntervalSince1970()));
    EXPECT_EQ(Task::storedDateText(changed), changedText);

    const TaskPtr root = storedItem(QStringLiteral("Weekly"), 0);
    root->addRepeatException(changed, Task::RepeatException::Changed);
    root->addRepeatException(deleted, Task::RepeatException::Deleted);
    EXPECT_EQ(root->repeatExceptions(), QString("|" % changedText % "(1)|" % deletedText % "(2)"));
    EXPECT_TRUE(root->dirty());
    EXPECT_EQ(root->hasChanges(), 1);
    EXPECT_TRUE(root->isExceptedOccurrence(changed));
    EXPECT_TRUE(root->isExceptedOccurrence(deleted));
    EXPECT_FALSE(root->isExceptedOccurrence(localDate(2014, 1, 20, 10, 0)));
}

// Now is Wednesday 15 January 2014, 10:07; the limit 1 January 2015, 10:07.
TEST_F(TaskEncodingsTest, NextAlarmIsTheEarliestAlertAheadOfNowAndBeforeNextYear)
{
    const Date tomorrowNine = localDate(2014, 1, 16, 9, 0);
    const Date limit = localDate(2015, 1, 1, 10, 7);
    struct Case {
        const char* what;
        std::function<void(Task&)> setUp;
        Date fire;   // nil: no alarm
        Date start;
        qint64 chosenIndex;
    };
    const auto task = [](const Date& due, QList<std::shared_ptr<AlertObj>> alerts) {
        return [due, alerts](Task& t) {
            t.setTaskType(1);
            t.setHasDue(1);
            t.setDueEnd(due);
            t.updateAlertList(alerts);
        };
    };
    const auto event = [](const Date& start, QList<std::shared_ptr<AlertObj>> alerts) {
        return [start, alerts](Task& t) {
            t.setTaskType(0);
            t.setStartTime(start);
            t.updateAlertList(alerts);
        };
    };
    const auto then = [](std::function<void(Task&)> first, std::function<void(Task&)> second) {
        return [first, second](Task& t) {
            first(t);
            second(t);
        };
    };
    const QList<Case> cases = {
        {"task due tomorrow 9:00", task(tomorrowNine, {relativeAlert(-900), relativeAlert(-3600)}),
         localDate(2014, 1, 16, 8, 0), tomorrowNine, 1},
        {"no due date", then(task(tomorrowNine, {relativeAlert(-900)}), [](Task& t) { t.setHasDue(0); }), {}, {}, 0},
        {"done", then(task(tomorrowNine, {relativeAlert(-900)}), [](Task& t) { t.setStatus(1); }), {}, {}, 0},
        {"no alerts", task(tomorrowNine, {}), {}, {}, 0},
        {"alarm exactly now", task(now().dateByAddingTimeInterval(900), {relativeAlert(-900)}), {}, {}, 0},
        {"alarm at the limit", task(limit, {relativeAlert(0)}), {}, {}, 0},
        {"alarm just before the limit", task(limit, {relativeAlert(-1)}), limit.dateByAddingTimeInterval(-1), limit,
         0},
        {"absolute alert of a task", task(tomorrowNine, {absoluteAlert(localDate(2014, 1, 15, 12, 0))}),
         localDate(2014, 1, 15, 12, 0), tomorrowNine, 0},
        {"equal alarms: the first in the list",
         task(tomorrowNine, {absoluteAlert(localDate(2014, 1, 16, 8, 45)), relativeAlert(-900)}),
         localDate(2014, 1, 16, 8, 45), tomorrowNine, 0},
        {"past alerts are skipped", task(tomorrowNine, {relativeAlert(-86400), relativeAlert(-60)}),
         localDate(2014, 1, 16, 8, 59), tomorrowNine, 1},
        {"one-off event ahead", event(tomorrowNine, {relativeAlert(-600)}), localDate(2014, 1, 16, 8, 50),
         tomorrowNine, 0},
        {"one-off event that started an hour ago",
         event(now().dateByAddingTimeInterval(-3600), {absoluteAlert(tomorrowNine)}), {}, {}, 0},
        {"detached occurrence that started",
         then(event(now().dateByAddingTimeInterval(-3600), {absoluteAlert(tomorrowNine)}),
              [](Task& t) {
                  t.setRepeatType(2);
                  t.setParentId(12);
              }),
         {}, {}, 0},
        // Snoozed ten minutes before an event at 10:00: the snooze still
        // rings at 10:15, while the event's own alerts stay silent.
        {"snoozed one-off event that started",
         event(localDate(2014, 1, 15, 10, 0), {absoluteAlert(localDate(2014, 1, 15, 10, 10)),
                                               snoozeAlert(localDate(2014, 1, 15, 10, 15))}),
         localDate(2014, 1, 15, 10, 15), localDate(2014, 1, 15, 10, 0), 1},
        {"snoozed detached occurrence that started",
         then(event(localDate(2014, 1, 15, 10, 0), {relativeAlert(600), snoozeAlert(localDate(2014, 1, 15, 10, 15))}),
              [](Task& t) {
                  t.setRepeatType(2);
                  t.setParentId(12);
              }),
         localDate(2014, 1, 15, 10, 15), localDate(2014, 1, 15, 10, 0), 1},
        {"series starting ahead", then(event(tomorrowNine, {relativeAlert(-300)}), [](Task& t) { t.setRepeatType(1); }),
         localDate(2014, 1, 16, 8, 55), tomorrowNine, 0},
        {"checklist item", then(task(tomorrowNine, {relativeAlert(-900)}), [](Task& t) { t.setTaskType(2); }), {}, {},
         0},
        {"note", then(task(tomorrowNine, {relativeAlert(-900)}), [](Task& t) { t.setTaskType(3); }), {}, {}, 0},
    };
    // One pass over all the items, as a list load works them out: the cases
    // share alert texts on other bases, and each alarm keeps its own alert.
    Task::AlarmPass pass;
    std::shared_ptr<AlertObj> lastPassAlert;
    for (const Case& c : cases) {
        const TaskPtr item = storedItem(QStringLiteral("Alarm"));
        c.setUp(*item);
        const std::shared_ptr<LocalNotification> alarm = item->nextAlarmDate();
        const std::shared_ptr<LocalNotification> inPass = item->nextAlarmDate(pass);
        ASSERT_EQ(inPass == nullptr, alarm == nullptr) << c.what;
        if (alarm) {
            EXPECT_EQ(inPass->dateFire(), alarm->dateFire()) << c.what;
            EXPECT_EQ(inPass->dateStart(), alarm->dateStart()) << c.what;
            EXPECT_EQ(inPass->alertObj()->relativeOffset(), alarm->alertObj()->relativeOffset()) << c.what;
            EXPECT_EQ(inPass->alertObj()->soundName(), alarm->alertObj()->soundName()) << c.what;
            EXPECT_NE(inPass->alertObj(), lastPassAlert) << c.what;
            lastPassAlert = inPass->alertObj();
        }
        if (c.fire.isNull()) {
            EXPECT_EQ(alarm, nullptr) << c.what;
            continue;
        }
        ASSERT_NE(alarm, nullptr) << c.what;
        EXPECT_EQ(alarm->dateFire(), c.fire) << c.what;
        EXPECT_EQ(alarm->dateStart(), c.start) << c.what;
        EXPECT_EQ(alarm->task(), item) << c.what;
        ASSERT_NE(alarm->alertObj(), nullptr) << c.what;
        const QList<std::shared_ptr<AlertObj>> alerts = item->createAlertList();
        EXPECT_EQ(alarm->alertObj()->alertType(), alerts[c.chosenIndex]->alertType()) << c.what;
        EXPECT_EQ(alarm->alertObj()->relativeOffset(), alerts[c.chosenIndex]->relativeOffset()) << c.what;
    }
}

}  // namespace
