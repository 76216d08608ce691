#include "CalendarSyncFixture.h"

#include "TextTable.h"
#include "Utilities.h"

namespace {

class FieldMappingTest : public CalendarSyncTest {
protected:
    CalEventPtr storeEvent(const Date& start, const Date& end, const std::optional<CalRecurrenceRule>& rule = std::nullopt)
    {
        auto event = CalEvent::event();
        event->setCalendar(storeCalendar);
        event->setTitle(QStringLiteral("Review"));
        event->setStartDate(start);
        event->setEndDate(end);
        event->setRecurrenceRule(rule);
        return event;
    }
    static Date epoch() { return Date::dateWithTimeIntervalSince1970(0); }
};

}  // namespace

TEST_F(FieldMappingTest, EventImportTakesTheStoreFieldsAndItsCategory)
{
    const CalEventPtr event = storeEvent(local(2014, 3, 5, 9, 30), local(2014, 3, 5, 11, 0));
    event->setLocation(QStringLiteral("Room 4"));
    event->setUrl(QStringLiteral("https://example.org/agenda"));
    event->setNotes(QStringLiteral("Bring the figures"));
    auto item = std::make_shared<Task>();
    item->setCalendarId(0);
    item->setRepeatType(2);
    EXPECT_TRUE(jobs->updateInfoFromICalEvent(*event, item, Date(), Date()));
    EXPECT_EQ(item->taskName(), QStringLiteral("Review"));
    EXPECT_EQ(item->taskLocation(), QStringLiteral("Room 4"));
    EXPECT_EQ(item->url(), QStringLiteral("https://example.org/agenda"));
    EXPECT_EQ(item->notes(), QStringLiteral("Bring the figures"));
    EXPECT_EQ(item->startTime(), local(2014, 3, 5, 9, 30));
    EXPECT_EQ(item->endTime(), local(2014, 3, 5, 11, 0));
    EXPECT_EQ(item->duration(), 90);
    EXPECT_EQ(item->taskType(), 0);
    EXPECT_EQ(item->builtIn(), 1);
    EXPECT_EQ(item->calendarId(), category->primaryKey());
    EXPECT_EQ(item->isHidden(), 1);
    EXPECT_EQ(item->repeatType(), 0);  // the store event does not repeat
    // The same category again is no change.
    EXPECT_FALSE(jobs->updateInfoFromICalEvent(*event, item, Date(), Date()));

    // A calendar no category is linked to leaves the item without category, shown.
    auto other = CalCalendar::calendar();
    ASSERT_TRUE(store->saveCalendar(other));
    event->setCalendar(other);
    EXPECT_TRUE(jobs->updateInfoFromICalEvent(*event, item, Date(), Date()));
    EXPECT_EQ(item->calendarId(), 0);
    EXPECT_EQ(item->isHidden(), 0);

    // With a repeat start, the start's day is the series' and its clock time the store's.
    const CalEventPtr series = storeEvent(local(2014, 3, 12, 9, 30, 40), local(2014, 3, 12, 11, 0, 40),
                                          CalRecurrenceRule::initDailyRecurrenceWithInterval(1, std::nullopt));
    EXPECT_TRUE(jobs->updateInfoFromICalEvent(*series, item, local(2014, 3, 3), Date()));
    EXPECT_EQ(item->startTime(), local(2014, 3, 3, 9, 30));
    EXPECT_EQ(item->endTime(), local(2014, 3, 3, 11, 0));
    EXPECT_EQ(item->repeatStartDate(), local(2014, 3, 3, 9, 30));  // the series starts at the item's time
    EXPECT_EQ(item->repeatType(), 1);
}

TEST_F(FieldMappingTest, BlankTitlesStrangeLinksAndHugeNotes)
{
    const CalEventPtr event = storeEvent(local(2014, 3, 5, 9), local(2014, 3, 5, 10));
    event->setTitle(QStringLiteral("   "));
    event->setUrl(QStringLiteral("not a url at all ::"));
    QString notes(1 << 20, QLatin1Char('n'));
    notes[5] = QChar(0);
    event->setNotes(notes);
    auto item = std::make_shared<Task>();
    jobs->updateInfoFromICalEvent(*event, item, Date(), Date());
    EXPECT_EQ(item->taskName(), TextTable::localizedString(QStringLiteral("newEventText")));
    EXPECT_FALSE(item->taskName().trimmed().isEmpty());
    EXPECT_EQ(item->url(), QString());
    EXPECT_EQ(item->notes().size(), notes.size());

    auto task = CalTask::task();
    task->setCalendar(storeCalendar);
    task->setTitle(QString());
    auto local = std::make_shared<Task>();
    jobs->updateInfoFromICalTask(*task, local);
    EXPECT_EQ(local->taskName(), TextTable::localizedString(QStringLiteral("newTaskText")));
    EXPECT_FALSE(local->taskName().isEmpty());

    // A blank local title is written as it is: only imports replace it.
    auto pushed = localEvent(this->local(2014, 3, 5, 9), this->local(2014, 3, 5, 10));
    pushed->setTaskName(QStringLiteral("  "));
    CalEvent out;
    jobs->fillICalEvent(pushed, out, true);
    EXPECT_EQ(out.title(), QStringLiteral("  "));
}

TEST_F(FieldMappingTest, AllDayEventsHoldWholeLocalDays)
{
    auto event = storeEvent(local(2014, 3, 5), local(2014, 3, 6));
    event->setIsAllDay(true);
    auto item = std::make_shared<Task>();
    jobs->updateInfoFromICalEvent(*event, item, Date(), Date());
    EXPECT_EQ(item->isADE(), 1);
    EXPECT_EQ(item->startTime(), local(2014, 3, 5));
    EXPECT_EQ(item->endTime(), local(2014, 3, 5, 23, 59, 59));
    EXPECT_EQ(item->duration(), 1439);

    // Back to the store: a new event ends a day later, an updated one a second later.
    CalEvent created, updated;
    jobs->fillICalEvent(item, created, true);
    jobs->fillICalEvent(item, updated, false);
    EXPECT_TRUE(created.isAllDay());
    EXPECT_EQ(created.endDate(), local(2014, 3, 6, 23, 59, 59));
    EXPECT_EQ(updated.endDate(), local(2014, 3, 6));
}

TEST_F(FieldMappingTest, RuleImportGivesTheRepeatFields)
{
    const Date thursday = local(2014, 3, 6, 9);
    const Date endGiven = local(2014, 6, 1);
    struct Case {
        const char* name;
        CalRecurrenceRule rule;
        qint64 repeatType;
        QString options;
        qint64 forever;
        Date end;
    };
    const Case cases[] = {
        {"weekly without days", CalRecurrenceRule::initWeeklyRecurrenceWithInterval(1, {}, std::nullopt), 2,
         QStringLiteral("1/5/0"), 1, epoch()},
        {"weekly on days 2 and 4", CalRecurrenceRule::initWeeklyRecurrenceWithInterval(1, {2, 4}, std::nullopt), 2,
         QStringLiteral("1/2|4/0"), 1, epoch()},
        {"daily every 2 days", CalRecurrenceRule::initDailyRecurrenceWithInterval(2, std::nullopt), 1,
         QStringLiteral("2//0"), 1, epoch()},
        {"monthly by day of the month", CalRecurrenceRule::initMonthlyRecurrenceWithInterval(1, QList<int>{6}, std::nullopt),
         3, QStringLiteral("1/5/0"), 1, epoch()},
        {"monthly on the second Tuesday", CalRecurrenceRule::initMonthlyRecurrenceWithInterval(1, 3, 2, std::nullopt), 3,
         QStringLiteral("1//1"), 1, epoch()},
        {"yearly after 10 occurrences",
         CalRecurrenceRule::initYearlyRecurrenceWithInterval(1, {3}, CalRecurrenceEnd::recurrenceEndWithOccurrenceCount(10)),
         4, QStringLiteral("1//0"), 0, endGiven},
        {"daily until a date",
         CalRecurrenceRule::initDailyRecurrenceWithInterval(1, CalRecurrenceEnd::recurrenceEndWithEndDate(local(2014, 4, 1))),
         1, QStringLiteral("1//0"), 0, endGiven},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto item = std::make_shared<Task>();
        jobs->updateRETypeForEvent(item, *storeEvent(thursday, thursday.dateByAddingTimeInterval(3600), c.rule), endGiven);
        EXPECT_EQ(item->repeatType(), c.repeatType);
        EXPECT_EQ(item->repeatOptions(), c.options);
        EXPECT_EQ(item->isRepeatForever(), c.forever);
        EXPECT_EQ(item->repeatEndDate(), c.end);
    }
    // A frequency the organizer has no name for: no repetition, options untouched.
    auto item = std::make_shared<Task>();
    item->setRepeatOptions(QStringLiteral("3//0"));
    jobs->updateRETypeForEvent(item, *storeEvent(thursday, thursday, CalRecurrenceRule::initOtherRecurrenceWithInterval(1, std::nullopt)), endGiven);
    EXPECT_EQ(item->repeatType(), 0);
    EXPECT_EQ(item->isRepeatForever(), 0);
    EXPECT_EQ(item->repeatOptions(), QStringLiteral("3//0"));
}

TEST_F(FieldMappingTest, RuleExportGivesTheStoreRule)
{
    const Date fifthFriday = local(2014, 5, 30, 9);  // the fifth Friday of May 2014
    const Date ends = local(2014, 12, 31);
    struct Case {
        const char* name;
        qint64 repeatType;
        QString options;
        bool forever;
        Date start;
        CalRecurrenceRule expected;
    };
    const auto noEnd = std::optional<CalRecurrenceEnd>();
    const auto byDate = std::optional<CalRecurrenceEnd>(CalRecurrenceEnd::recurrenceEndWithEndDate(ends));
    const Case cases[] = {
        {"weekly with interval 0", 2, QStringLiteral("0/2|4/0"), true, fifthFriday,
         CalRecurrenceRule::initWeeklyRecurrenceWithInterval(1, {2, 4}, noEnd)},
        {"weekly with a day that is no number", 2, QStringLiteral("3/0|x|7/0"), true, fifthFriday,
         CalRecurrenceRule::initWeeklyRecurrenceWithInterval(3, {7}, noEnd)},
        {"daily with an end", 1, QStringLiteral("2//0"), false, fifthFriday,
         CalRecurrenceRule::initDailyRecurrenceWithInterval(2, byDate)},
        {"monthly on the fifth Friday", 3, QStringLiteral("1//1"), true, fifthFriday,
         CalRecurrenceRule::initMonthlyRecurrenceWithInterval(1, 6, -1, noEnd)},
        {"monthly on the second Tuesday", 3, QStringLiteral("1//1"), true, local(2014, 3, 11, 9),
         CalRecurrenceRule::initMonthlyRecurrenceWithInterval(1, 3, 2, noEnd)},
        {"monthly by day", 3, QStringLiteral("1/5/0"), false, local(2014, 3, 6, 9),
         CalRecurrenceRule::initMonthlyRecurrenceWithInterval(1, QList<int>{6}, byDate)},
        {"yearly, empty options", 4, QString(), true, local(2014, 3, 6, 9),
         CalRecurrenceRule::initYearlyRecurrenceWithInterval(1, {3}, noEnd)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto item = localEvent(c.start, c.start.dateByAddingTimeInterval(3600));
        item->setRepeatType(c.repeatType);
        item->setRepeatOptions(c.options);
        item->setIsRepeatForever(c.forever ? 1 : 0);
        item->setRepeatEndDate(ends);
        const auto rule = jobs->getICalRERuleFromLocalEvent(item);
        ASSERT_TRUE(rule);
        EXPECT_EQ(*rule, c.expected);
        if (rule->recurrenceEnd()) {
            EXPECT_EQ(rule->recurrenceEnd()->occurrenceCount(), 0);
        }
    }
    auto once = localEvent(fifthFriday, fifthFriday);
    EXPECT_FALSE(jobs->getICalRERuleFromLocalEvent(once));
    once->setRepeatType(1);
    dataManager().setBSynciCalEnable(false);
    EXPECT_FALSE(jobs->getICalRERuleFromLocalEvent(once));
}

TEST_F(FieldMappingTest, AMonthlyRuleByDayGoesRoundUnchanged)
{
    const Date start = local(2014, 3, 6, 9);
    const auto rule = CalRecurrenceRule::initMonthlyRecurrenceWithInterval(2, QList<int>{6}, std::nullopt);
    auto item = localEvent(start, start.dateByAddingTimeInterval(3600));
    jobs->updateInfoFromICalEvent(*storeEvent(start, start.dateByAddingTimeInterval(3600), rule), item, start, Date());
    EXPECT_EQ(item->repeatOptions(), QStringLiteral("2/5/0"));
    const auto back = jobs->getICalRERuleFromLocalEvent(item);
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, rule);
}

TEST_F(FieldMappingTest, TaskImportDueDatesAndCompletion)
{
    auto task = CalTask::task();
    task->setCalendar(storeCalendar);
    task->setTitle(QStringLiteral("Call back"));
    task->setUrl(QStringLiteral("mailto:someone@example.org"));
    auto item = std::make_shared<Task>();
    item->setAlertValues(QStringLiteral("/1|600|"));
    item->setDueEnd(local(2014, 3, 1, 17, 45));
    jobs->updateInfoFromICalTask(*task, item);
    EXPECT_EQ(item->hasDue(), 0);
    EXPECT_EQ(item->alertValues(), QString(""));
    EXPECT_EQ(item->taskType(), 1);
    EXPECT_EQ(item->status(), 0);
    EXPECT_EQ(item->completedDate(), epoch());
    EXPECT_EQ(item->url(), QStringLiteral("mailto:someone@example.org"));

    // The store carries the day; the item keeps its time of day.
    task->setDueDate(local(2014, 3, 20, 0, 0, 0));
    task->setIsCompleted(true);
    task->setCompletedDate(local(2014, 3, 19, 8));
    jobs->updateInfoFromICalTask(*task, item);
    EXPECT_EQ(item->hasDue(), 1);
    EXPECT_EQ(item->dueEnd(), local(2014, 3, 20, 17, 45));
    EXPECT_EQ(item->status(), 1);
    EXPECT_EQ(item->completedDate(), local(2014, 3, 19, 8));

    // A due date far in the future maps without harm.
    task->setDueDate(local(9999, 12, 31, 12));
    jobs->updateInfoFromICalTask(*task, item);
    EXPECT_EQ(Utilities::getYear(item->dueEnd()), 9999);

    // Back to the store.
    CalTask out;
    item->setHasDue(0);
    jobs->fillICalTask(item, out, true);
    EXPECT_FALSE(out.dueDate());
    EXPECT_TRUE(out.isCompleted());
    EXPECT_EQ(out.completedDate(), local(2014, 3, 19, 8));
    ASSERT_TRUE(out.calendar());
    EXPECT_EQ(out.calendar()->uid(), storeCalendar->uid());
}

TEST_F(FieldMappingTest, ACompletedRepeatingTaskBecomesAOneOffAndItsNextInstanceIsAdded)
{
    auto item = std::make_shared<Task>();
    item->setTaskType(1);
    item->setTaskName(QStringLiteral("Water the plants"));
    item->setCalendarId(category->primaryKey());
    item->setHasDue(1);
    item->setDueEnd(local(2014, 3, 10, 18));
    item->setRepeatType(1);
    item->setRepeatOptions(QStringLiteral("1//0"));
    item->setIsRepeatForever(1);
    item->setRepeatStartDate(local(2014, 3, 10));
    ASSERT_TRUE(item->insertIntoDatabase());
    const qint64 before = queryInt(QStringLiteral("SELECT COUNT(*) FROM Tasks"));

    auto task = CalTask::task();
    task->setCalendar(storeCalendar);
    task->setTitle(QStringLiteral("Water the plants"));
    task->setDueDate(local(2014, 3, 10));
    task->setIsCompleted(true);
    task->setCompletedDate(local(2014, 3, 10, 19));
    jobs->updateInfoFromICalTask(*task, item);
    EXPECT_EQ(item->status(), 1);
    EXPECT_EQ(item->repeatType(), 0);
    EXPECT_EQ(queryInt(QStringLiteral("SELECT COUNT(*) FROM Tasks")), before + 1);
    EXPECT_EQ(queryInt(QStringLiteral("SELECT status FROM Tasks ORDER BY primaryKey DESC LIMIT 1")), 0);
    EXPECT_EQ(queryInt(QStringLiteral("SELECT repeatType FROM Tasks ORDER BY primaryKey DESC LIMIT 1")), 1);
}
