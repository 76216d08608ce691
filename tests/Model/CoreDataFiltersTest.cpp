#include "TaskTestFixture.h"

#include <functional>
#include <ostream>

// Readable failures for lists of names.
static void PrintTo(const QStringList& list, std::ostream* os)
{
    *os << '"' << list.join(QStringLiteral("\", \"")).toStdString() << '"';
}

namespace {

// Items are built in memory (the filters read no row) with a name to find
// them by; only the reorder tests store theirs.
TaskPtr item(qint64 type, const QString& name, const std::function<void(Task&)>& shape = {})
{
    auto made = std::make_shared<Task>();
    made->setTaskType(type);
    made->setTaskName(name);
    if (shape) shape(*made);
    return made;
}

TaskPtr event(const QString& name, const Date& start, const Date& end, const std::function<void(Task&)>& shape = {})
{
    return item(0, name, [&](Task& t) {
        t.setStartTime(start);
        t.setEndTime(end);
        if (shape) shape(t);
    });
}

QStringList names(const TaskList& list)
{
    QStringList result;
    for (const TaskPtr& entry : list) result.append(entry->taskName());
    return result;
}

using CoreDataFiltersTest = TaskTest;

using Filter = std::function<TaskList(const CoreData&, const TaskList&)>;

// One list holding every kind the filters tell apart.
TaskList mixedList()
{
    const Date day = localDate(2014, 1, 15);
    const auto make = [](qint64 type, const char* name, const std::function<void(Task&)>& shape) {
        return item(type, QString::fromUtf8(name), shape);
    };
    const auto at = [&day](int hour) { return day.dateByAddingTimeInterval(hour * 3600.0); };
    return {
        make(0, "all-day", [&](Task& t) { t.setIsADE(1); t.setStartTime(day); t.setEndTime(at(24)); }),
        make(0, "daily all-day", [&](Task& t) { t.setIsADE(1); t.setRepeatType(1); t.setStartTime(day); }),
        make(0, "yearly all-day", [&](Task& t) { t.setIsADE(1); t.setRepeatType(4); t.setStartTime(day); }),
        make(0, "meeting", [&](Task& t) { t.setStartTime(at(9)); t.setEndTime(at(10)); }),
        make(0, "weekly meeting", [&](Task& t) { t.setRepeatType(2); t.setStartTime(at(11)); t.setEndTime(at(12)); }),
        make(1, "task", [&](Task& t) { t.setHasDue(1); t.setDueEnd(at(17)); }),
        make(1, "done task", [&](Task& t) { t.setStatus(1); t.setCompletedDate(at(8)); t.setDueEnd(at(12)); }),
        make(1, "repeating task", [&](Task& t) { t.setRepeatType(1); }),
        make(2, "checklist item", [&](Task& t) { t.setStatus(1); t.setCompletedDate(at(8)); }),
        make(3, "note", [&](Task& t) { t.setStartTime(at(7)); }),
        // A task that still carries the all-day flag of the event it was.
        make(1, "task with all-day flag", [&](Task& t) { t.setIsADE(1); }),
    };
}

TEST_F(CoreDataFiltersTest, EachKindFilterPicksItsKindsInItsOrder)
{
    const Date day = localDate(2014, 1, 15);
    struct Case {
        const char* filter;
        Filter run;
        QStringList expected;
    };
    const QString none;
    const Case cases[] = {
        {"one-off all-day", [&](const CoreData& d, const TaskList& l) { return d.getADEsOnlyListFromTaskList(l, none); },
         {"all-day"}},
        {"all-day that exist", [&](const CoreData& d, const TaskList& l) { return d.getADEListFromTaskList(l, none); },
         {"all-day", "daily all-day", "yearly all-day"}},
        {"repeating all-day, yearly first",
         [&](const CoreData& d, const TaskList& l) { return d.getAllRecurringADEsFromTaskList(l, none); },
         {"yearly all-day", "daily all-day"}},
        {"repeating timed", [&](const CoreData& d, const TaskList& l) { return d.getAllRecurringEventsFromTaskList(l, none); },
         {"weekly meeting"}},
        {"timed events of the day",
         [&](const CoreData& d, const TaskList& l) { return d.getEventListFromTaskList(l, day, day, none); },
         {"meeting", "weekly meeting"}},
        {"one-off timed events of the day",
         [&](const CoreData& d, const TaskList& l) { return d.getEventOnlyListFromTaskList(l, day, day, none); },
         {"meeting"}},
        {"events, then tasks due",
         [&](const CoreData& d, const TaskList& l) { return d.getTaskEventADEListFromTaskList(l, day, day, none); },
         {"all-day", "daily all-day", "yearly all-day", "meeting", "weekly meeting", "task"}},
        {"tasks completed in the range",
         [&](const CoreData& d, const TaskList& l) { return d.getDoneTasksFromTaskList(l, day, day, none); },
         {"done task"}},
        {"tasks due in the range",
         [&](const CoreData& d, const TaskList& l) { return d.getTaskListFromTaskList(l, day, day, none); },
         {"task", "done task", "repeating task", "task with all-day flag"}},
        {"open tasks due that day", [&](const CoreData& d, const TaskList& l) { return d.getDueTaskFromTaskList(l, day); },
         {"task"}},
        {"notes of the day", [&](const CoreData& d, const TaskList& l) { return d.getNoteFromTaskList(l, day); }, {"note"}},
        {"tasks done that day", [&](const CoreData& d, const TaskList& l) { return d.getDoneTaskFromTaskList(l, day); },
         {"done task"}},
        {"notes", [&](const CoreData& d, const TaskList& l) { return d.getNoteFromTaskList(l, none); }, {"note"}},
    };
    const TaskList list = mixedList();
    for (const Case& c : cases) {
        EXPECT_EQ(names(c.run(dataManager(), list)), c.expected) << c.filter;
        EXPECT_TRUE(c.run(dataManager(), {}).isEmpty()) << c.filter << " of an empty list";
    }
    EXPECT_EQ(names(list), names(mixedList())) << "the input list is left as it was";
}

TEST_F(CoreDataFiltersTest, ResultsHoldTheSameRecordsNotCopies)
{
    const TaskList list = mixedList();
    const TaskList notes = dataManager().getNoteFromTaskList(list, QString());
    ASSERT_EQ(notes.size(), 1);
    EXPECT_EQ(notes.first(), list[9]);
}

TEST_F(CoreDataFiltersTest, SearchIgnoresCaseButNotAccentsAndEmptyTextIsNoSearch)
{
    const TaskList notes = {item(3, QStringLiteral("Café with Ann")), item(3, QStringLiteral("CAFE run")),
                            item(3, QStringLiteral("Lunch"))};
    struct Case {
        QString text;
        QStringList expected;
    };
    const Case cases[] = {
        {QString(), {"Café with Ann", "CAFE run", "Lunch"}},
        {QStringLiteral(""), {"Café with Ann", "CAFE run", "Lunch"}},
        {QStringLiteral("cafe"), {"CAFE run"}},
        {QStringLiteral("CAFÉ"), {"Café with Ann"}},
        {QStringLiteral("with ann"), {"Café with Ann"}},
        {QStringLiteral("dinner"), {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(names(dataManager().getNoteFromTaskList(notes, c.text)), c.expected) << c.text.toStdString();
}

TEST_F(CoreDataFiltersTest, RepeatingItemFiltersSearchCaseSensitively)
{
    const auto repeating = [](const char* name, qint64 allDay) {
        return item(0, QString::fromUtf8(name), [allDay](Task& t) {
            t.setRepeatType(1);
            t.setIsADE(allDay);
        });
    };
    const TaskList list = {repeating("Standup", 0), repeating("standup call", 0), repeating("Gym", 1),
                           repeating("gym", 1)};
    EXPECT_EQ(names(dataManager().getAllRecurringEventsFromTaskList(list, QStringLiteral("Standup"))),
              QStringList{"Standup"});
    EXPECT_EQ(names(dataManager().getAllRecurringADEsFromTaskList(list, QStringLiteral("gym"))), QStringList{"gym"});
    EXPECT_EQ(names(dataManager().getEventListFromTaskList(list, Date(), Date(), QStringLiteral("STANDUP"))),
              (QStringList{"Standup", "standup call"}))
        << "the other filters ignore case";
}

// The from-day starts at 00:00:00 (00:00:01 for the one-off filter), the
// to-day ends at 23:59:59.
TEST_F(CoreDataFiltersTest, EventRangesHaveTheirBoundsAtTheDaysEdges)
{
    const Date from = localDate(2014, 1, 15, 13, 0);  // the time of day of the bounds does not matter
    const Date to = localDate(2014, 1, 16, 8, 30);
    struct Case {
        const char* what;
        Date start;
        Date end;
        bool inEventList;
        bool inEventOnlyList;
    };
    const Case cases[] = {
        {"ends at midnight of the from-day", localDate(2014, 1, 14, 23), localDate(2014, 1, 15), true, false},
        {"ends one second into the from-day", localDate(2014, 1, 14, 23), localDate(2014, 1, 15, 0, 0, 1), true, true},
        {"ends before the from-day", localDate(2014, 1, 14, 22), localDate(2014, 1, 14, 23, 59, 59), false, false},
        {"starts at 23:59:59 of the to-day", localDate(2014, 1, 16, 23, 59, 59), localDate(2014, 1, 17, 1), true, true},
        {"starts at midnight after the to-day", localDate(2014, 1, 17), localDate(2014, 1, 17, 1), false, false},
        {"spans the whole range", localDate(2014, 1, 1), localDate(2014, 2, 1), true, true},
    };
    for (const Case& c : cases) {
        const TaskList list = {event(QString::fromUtf8(c.what), c.start, c.end)};
        EXPECT_EQ(dataManager().getEventListFromTaskList(list, from, to, QString()).size(), c.inEventList ? 1 : 0)
            << c.what;
        EXPECT_EQ(dataManager().getEventOnlyListFromTaskList(list, from, to, QString()).size(), c.inEventOnlyList ? 1 : 0)
            << c.what;
    }
}

TEST_F(CoreDataFiltersTest, RangeFiltersSetTheDisplayTimesOfTheEventsTheyTest)
{
    const TaskPtr meeting = event(QStringLiteral("meeting"), localDate(2014, 1, 15, 9), localDate(2014, 1, 15, 10));
    ASSERT_FALSE(meeting->tzStartTime());
    dataManager().getEventListFromTaskList({meeting}, now(), now(), QString());
    EXPECT_EQ(meeting->tzStartTime(), meeting->startTime()) << "time-zone support is off: the stored times";
    EXPECT_EQ(meeting->tzEndTime(), meeting->endTime());
}

TEST_F(CoreDataFiltersTest, ARangeFilterGivenOneDateDropsItsDateTestExceptDoneTasksAndNotes)
{
    const Date farAway = localDate(2020, 6, 1, 12);
    const TaskList list = {
        event(QStringLiteral("event"), farAway, farAway.dateByAddingTimeInterval(3600)),
        item(1, QStringLiteral("task"), [&](Task& t) { t.setDueEnd(farAway); }),
        item(1, QStringLiteral("done"), [&](Task& t) { t.setStatus(1); t.setCompletedDate(farAway); }),
        item(3, QStringLiteral("note"), [&](Task& t) { t.setStartTime(farAway); }),
    };
    const Date day = localDate(2014, 1, 15);
    for (const auto& [from, to] : {std::pair{day, Date()}, std::pair{Date(), day}}) {
        EXPECT_EQ(names(dataManager().getEventListFromTaskList(list, from, to, QString())), QStringList{"event"});
        EXPECT_EQ(names(dataManager().getEventOnlyListFromTaskList(list, from, to, QString())), QStringList{"event"});
        EXPECT_EQ(names(dataManager().getTaskListFromTaskList(list, from, to, QString())), (QStringList{"task", "done"}));
        EXPECT_EQ(names(dataManager().getTaskEventADEListFromTaskList(list, from, to, QString())),
                  (QStringList{"event", "task", "done"}))
            << "without a range every task counts, due date or not";
        EXPECT_TRUE(dataManager().getDoneTasksFromTaskList(list, from, to, QString()).isEmpty());
        EXPECT_EQ(dataManager().getNoteFromTaskList(list, QString(), from, to), std::nullopt);
    }
    const std::optional<TaskList> notes = dataManager().getNoteFromTaskList(list, QString(), day, farAway);
    ASSERT_TRUE(notes);
    EXPECT_EQ(names(*notes), QStringList{"note"});
}

TEST_F(CoreDataFiltersTest, TasksCountInARangeOnlyWithADueDateInIt)
{
    const Date day = localDate(2014, 1, 15);
    const TaskList list = {
        item(1, QStringLiteral("due today"), [&](Task& t) { t.setHasDue(1); t.setDueEnd(localDate(2014, 1, 15, 23, 59, 59)); }),
        item(1, QStringLiteral("no due date"), [&](Task& t) { t.setHasDue(0); t.setDueEnd(localDate(2014, 1, 15, 12)); }),
        item(1, QStringLiteral("due tomorrow"), [&](Task& t) { t.setHasDue(1); t.setDueEnd(localDate(2014, 1, 16)); }),
        event(QStringLiteral("event"), localDate(2014, 1, 15, 9), localDate(2014, 1, 15, 10)),
    };
    EXPECT_EQ(names(dataManager().getTaskEventADEListFromTaskList(list, day, day, QString())),
              (QStringList{"event", "due today"}))
        << "events come before tasks";
}

TEST_F(CoreDataFiltersTest, AnOccurrenceExistsUnlessExceptedOrPastTheEndOfItsSeries)
{
    const Date occurrence = localDate(2014, 1, 20, 9);
    const QString stored = Task::storedDateText(occurrence);
    struct Case {
        const char* what;
        qint64 repeatType;
        QString exceptions;
        qint64 forever;
        Date seriesEnd;
        bool exists;
    };
    const Case cases[] = {
        {"does not repeat, even if listed", 0, "|" + stored + "(2)", 0, localDate(2000, 1, 1), true},
        {"listed as changed", 1, "|" + stored + "(1)", 1, Date(), false},
        {"listed as deleted among others", 1, "|1(2)|" + stored + "(2)|3(1)", 1, Date(), false},
        {"another occurrence listed", 1, "|" + Task::storedDateText(occurrence.dateByAddingTimeInterval(86400)) + "(2)",
         1, Date(), true},
        {"repeats for ever", 2, "", 1, localDate(2014, 1, 1), true},
        {"on the last day of its series", 2, "", 0, occurrence, true},
        {"a second after the end of its series", 2, "", 0, occurrence.dateByAddingTimeInterval(-1), false},
    };
    for (const Case& c : cases) {
        const TaskPtr instance = event(QString::fromUtf8(c.what), occurrence, occurrence.dateByAddingTimeInterval(3600),
                                       [&c, &occurrence](Task& t) {
                                           t.setRepeatType(c.repeatType);
                                           t.setOccurrence(occurrence);
                                           t.setRepeatExceptions(c.exceptions);
                                           t.setIsRepeatForever(c.forever);
                                           t.setRepeatEndDate(c.seriesEnd);
                                       });
        EXPECT_EQ(dataManager().checkIfEventIsExist(instance), c.exists) << c.what;
        EXPECT_EQ(dataManager().getEventListFromTaskList({instance}, occurrence, occurrence, QString()).size(),
                  c.exists ? 1 : 0)
            << c.what;
    }
    EXPECT_FALSE(dataManager().checkIfEventIsExist(nullptr));
}

// 30 March 2014 has 23 hours in Paris: the calendar day, not 24 hours from
// midnight, decides.
TEST_F(CoreDataFiltersTest, OneDayFiltersTakeWholeCalendarDaysSortedByTheirTime)
{
    const Date day = localDate(2014, 3, 30, 15);
    const auto dueTask = [](const char* name, const Date& due, qint64 status = 0, qint64 hasDue = 1) {
        return item(1, QString::fromUtf8(name), [=](Task& t) {
            t.setDueEnd(due);
            t.setStatus(status);
            t.setHasDue(hasDue);
        });
    };
    const TaskList tasks = {
        dueTask("late", localDate(2014, 3, 30, 23, 30)),
        dueTask("midnight", localDate(2014, 3, 30)),
        dueTask("next day", localDate(2014, 3, 31)),
        dueTask("day before", localDate(2014, 3, 29, 23, 59, 59)),
        dueTask("done", localDate(2014, 3, 30, 10), 1),
        dueTask("no due date", localDate(2014, 3, 30, 10), 0, 0),
        dueTask("noon", localDate(2014, 3, 30, 12)),
    };
    EXPECT_EQ(names(dataManager().getDueTaskFromTaskList(tasks, day)), (QStringList{"midnight", "noon", "late"}));

    const auto note = [](const char* name, const Date& start) {
        return item(3, QString::fromUtf8(name), [=](Task& t) { t.setStartTime(start); });
    };
    const TaskList notes = {note("evening", localDate(2014, 3, 30, 23, 30)), note("morning", localDate(2014, 3, 30, 3)),
                            note("next morning", localDate(2014, 3, 31, 0, 30))};
    EXPECT_EQ(names(dataManager().getNoteFromTaskList(notes, day)), (QStringList{"morning", "evening"}));

    const auto done = [](const char* name, const Date& completed) {
        return item(1, QString::fromUtf8(name), [=](Task& t) {
            t.setStatus(1);
            t.setCompletedDate(completed);
        });
    };
    const TaskList doneTasks = {done("second", localDate(2014, 3, 30, 18)), done("first", localDate(2014, 3, 30, 1)),
                                done("other day", localDate(2014, 3, 31, 1))};
    EXPECT_EQ(names(dataManager().getDoneTaskFromTaskList(doneTasks, day)), (QStringList{"first", "second"}));

    EXPECT_TRUE(dataManager().getDueTaskFromTaskList(tasks, Date()).isEmpty()) << "no day, no tasks";

    // The month grid's one pass answers each day as the one-day filter does,
    // whatever order the days come in, a day given twice or no day at all.
    const QList<Date> days = {localDate(2014, 3, 31, 8), day,   localDate(2014, 3, 29, 12), Date(),
                              localDate(2014, 3, 28),    day,   localDate(2014, 4, 1)};
    const std::vector<bool> dots = dataManager().daysWithDueTasks(tasks, days);
    ASSERT_EQ(dots.size(), std::size_t(days.size()));
    for (qsizetype k = 0; k < days.size(); ++k)
        EXPECT_EQ(dots[std::size_t(k)], !dataManager().getDueTaskFromTaskList(tasks, days[k]).isEmpty()) << "day " << k;
    EXPECT_EQ(dots, (std::vector<bool>{true, true, true, false, false, true, false}));
    EXPECT_EQ(dataManager().daysWithDueTasks({}, days), std::vector<bool>(std::size_t(days.size()), false));
}

TEST_F(CoreDataFiltersTest, AllDayEventsOfADayTouchTheStretchFromTheDateToItsEnd)
{
    const Date noon = localDate(2014, 1, 15, 12);
    const auto allDay = [](const char* name, const Date& start, const Date& end) {
        return event(QString::fromUtf8(name), start, end, [](Task& t) { t.setIsADE(1); });
    };
    const TaskList list = {
        allDay("holiday", localDate(2014, 1, 15), localDate(2014, 1, 15, 23, 59, 59)),
        allDay("ended this morning", localDate(2014, 1, 14), localDate(2014, 1, 15, 11, 59, 59)),
        allDay("trip", localDate(2014, 1, 10), localDate(2014, 1, 20)),
        allDay("tomorrow", localDate(2014, 1, 16), localDate(2014, 1, 16, 23, 59, 59)),
        event(QStringLiteral("timed"), noon, noon.dateByAddingTimeInterval(3600)),
        allDay("daily", localDate(2014, 1, 10), localDate(2014, 1, 10, 23, 59, 59)),
        allDay("weekly from Thursday", localDate(2014, 1, 9), localDate(2014, 1, 9, 23, 59, 59)),
    };
    for (const char* name : {"daily", "weekly from Thursday"}) {
        const TaskPtr root = list[names(list).indexOf(QString::fromUtf8(name))];
        root->setPrimaryKey(list.size() + 40);
        root->setRepeatType(name[0] == 'd' ? 1 : 2);
        root->setIsRepeatForever(1);
    }

    const TaskList result = dataManager().getAllDayEventFromTaskList(list, noon);

    EXPECT_EQ(names(result), (QStringList{"daily", "holiday", "trip"})) << "occurrences first";
    ASSERT_FALSE(result.isEmpty());
    EXPECT_LT(result.first()->primaryKey(), -1) << "a generated occurrence";
    EXPECT_EQ(result.first()->startTime(), localDate(2014, 1, 15));
}

// ---------------------------------------------------------------------------
// The task pane

TEST_F(CoreDataFiltersTest, TaskPaneFiltersPickTheirTasks)
{
    // Now is Wednesday 15 January 2014, 10:07.
    const auto task = [](const char* name, const std::function<void(Task&)>& shape) {
        return item(1, QString::fromUtf8(name), [&shape](Task& t) {
            t.setStartTime(localDate(2014, 1, 20, 9));
            t.setHasDuration(0);
            shape(t);
        });
    };
    const TaskList list = {
        task("starts tonight", [](Task& t) { t.setStartTime(localDate(2014, 1, 15, 23, 59, 59)); }),
        task("starts tomorrow", [](Task& t) { t.setStartTime(localDate(2014, 1, 16)); }),
        task("pinned", [](Task& t) { t.setIsPinned(1); }),
        task("top", [](Task& t) { t.setIsTopGTDTask(true); }),
        task("done top", [](Task& t) { t.setStatus(1); t.setIsTopGTDTask(true); }),
        task("due", [](Task& t) { t.setHasDue(1); }),
        task("done due", [](Task& t) { t.setHasDue(1); t.setStatus(1); }),
        task("short", [](Task& t) { t.setHasDuration(1); t.setDuration(15); }),
        task("long", [](Task& t) { t.setHasDuration(1); t.setDuration(120); }),
        task("medium", [](Task& t) { t.setHasDuration(1); t.setDuration(45); }),
        item(0, QStringLiteral("event"), {}),
        item(2, QStringLiteral("done checklist item"), [](Task& t) { t.setStatus(1); }),
        item(3, QStringLiteral("done note"), [](Task& t) { t.setStatus(1); }),
        item(0, QStringLiteral("done event"), [](Task& t) { t.setStatus(1); }),
    };
    const QStringList open = {"starts tonight", "starts tomorrow", "pinned", "top", "due", "short", "long", "medium"};
    struct Case {
        qint64 filter;
        qint64 type;
        QStringList expected;
    };
    const Case cases[] = {
        {0, 0, open},
        {1, 0, {"starts tonight"}},
        {2, 0, {"pinned"}},
        {3, 0, {"top", "done top"}},
        {4, 0, {"due"}},
        {5, 0, {}},
        {6, 0, {"long", "medium", "short"}},
        {7, 0, {"short", "medium", "long"}},
        {8, 0, {}},
        {0, 1, {}},
        {0, 2, {"done event", "done top", "done due", "done note"}},
        {1, 2, {"done top", "done due"}},
        {3, 2, {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(names(dataManager().getTaskFromTaskList(list, c.filter, c.type, false)), c.expected)
            << "filter " << c.filter << " type " << c.type;
}

TEST_F(CoreDataFiltersTest, TodayOfTheTaskPaneIsTheDayInTheDisplayZone)
{
    // 23:30 in Paris is already the next day in Dhaka (GMT+6).
    Clock::setFixed(localDate(2014, 1, 15, 23, 30));
    dataManager().loadTimeZones();
    Utilities::setTimeZoneNameResolver([this](qint64 zoneId) { return dataManager().getTimeZoneName(zoneId); });
    setting().setTzSupport(true);
    setting().setCurrentTZ(32432);  // Dhaka
    const TaskList list = {item(1, QStringLiteral("tomorrow in Paris"), [](Task& t) {
        t.setStartTime(localDate(2014, 1, 16, 3));
    })};
    EXPECT_EQ(names(dataManager().getTaskFromTaskList(list, 1, 0, false)), QStringList{"tomorrow in Paris"});
    setting().setTzSupport(false);
    EXPECT_TRUE(dataManager().getTaskFromTaskList(list, 1, 0, false).isEmpty());
    Utilities::setTimeZoneNameResolver(nullptr);
}

TEST_F(CoreDataFiltersTest, ReorderingTheDueListHandsTheOrdersOutAlongTheDueDatesAndSavesThem)
{
    const auto storedDueTask = [this](const char* name, int dueDay, qint64 order) {
        const TaskPtr task = storedItem(QString::fromUtf8(name));
        task->setHasDue(1);
        task->setDueEnd(localDate(2014, 1, dueDay, 17));
        task->setTaskOrder(order);
        EXPECT_TRUE(task->dehydrate());
        return task;
    };
    const TaskList list = {storedDueTask("A", 3, 5), storedDueTask("B", 1, 9), storedDueTask("C", 2, 7)};

    const TaskList result = dataManager().getTaskFromTaskList(list, 4, 0, true);

    ASSERT_EQ(names(result), (QStringList{"B", "C", "A"}));
    const qint64 expectedOrders[] = {5, 7, 9};
    for (qsizetype i = 0; i < result.size(); ++i) {
        EXPECT_EQ(result[i]->taskOrder(), expectedOrders[i]) << result[i]->taskName().toStdString();
        EXPECT_FALSE(result[i]->dirty()) << "saved";
        EXPECT_EQ(storedColumn(result[i]->primaryKey(), QStringLiteral("taskOrder")).toLongLong(), expectedOrders[i]);
    }
}

TEST_F(CoreDataFiltersTest, ReorderingTheTodayListFollowsTheStartTimes)
{
    const auto storedTask = [this](const char* name, int startHour, qint64 order) {
        const TaskPtr task = storedItem(QString::fromUtf8(name));
        task->setStartTime(localDate(2014, 1, 15, startHour));
        task->setTaskOrder(order);
        EXPECT_TRUE(task->dehydrate());
        return task;
    };
    const TaskList list = {storedTask("late", 9, 2), storedTask("early", 7, 4), storedTask("same order", 8, 4)};
    const TaskList result = dataManager().getTaskFromTaskList(list, 1, 0, true);
    ASSERT_EQ(names(result), (QStringList{"early", "same order", "late"}));
    EXPECT_EQ(result[0]->taskOrder(), 2);
    EXPECT_EQ(result[1]->taskOrder(), 4);
    EXPECT_EQ(result[2]->taskOrder(), 4);
    EXPECT_EQ(storedColumn(result[0]->primaryKey(), QStringLiteral("taskOrder")).toLongLong(), 2);
}

TEST_F(CoreDataFiltersTest, WithoutTheReorderFlagOrOutsideTodayAndDueNothingIsReorderedOrSaved)
{
    const auto storedTask = [this](const char* name, int day, qint64 order) {
        const TaskPtr task = storedItem(QString::fromUtf8(name));
        task->setStartTime(localDate(2014, 1, day, 8));
        task->setHasDue(1);
        task->setDueEnd(localDate(2014, 1, day, 17));
        task->setTaskOrder(order);
        EXPECT_TRUE(task->dehydrate());
        return task;
    };
    const TaskList list = {storedTask("second", 14, 1), storedTask("first", 13, 2)};
    const auto unchanged = [&] {
        return list[0]->taskOrder() == 1 && list[1]->taskOrder() == 2
               && storedColumn(list[0]->primaryKey(), QStringLiteral("taskOrder")).toLongLong() == 1;
    };
    EXPECT_EQ(names(dataManager().getTaskFromTaskList(list, 1, 0, false)), (QStringList{"second", "first"}));
    EXPECT_TRUE(unchanged());
    EXPECT_EQ(names(dataManager().getTaskFromTaskList(list, 0, 0, true)), (QStringList{"second", "first"}));
    EXPECT_TRUE(unchanged()) << "the all list never reorders";
}

TEST_F(CoreDataFiltersTest, TheTaskListShowsOwnTasksAndThoseDelegatedToTheSignedInUser)
{
    setting().setZvwUserName(QStringLiteral("me@example.com"));
    const auto task = [](const char* name, bool shared, const char* assignee, qint64 delegation) {
        return item(1, QString::fromUtf8(name), [=](Task& t) {
            t.setIsShared(shared);
            t.setAssigneeEmail(assignee ? QString::fromUtf8(assignee) : QString());
            t.setDelegateStatus(delegation);
            t.setIsPinned(1);
        });
    };
    const TaskList list = {
        task("own", false, nullptr, 0),
        task("own, empty assignee", false, "", 0),
        task("own with an assignee", false, "you@example.com", 0),
        task("delegated to me", true, "me@example.com", 1),
        task("delegated to me, not accepted", true, "me@example.com", 0),
        task("delegated to someone else", true, "you@example.com", 1),
        task("shared without assignee", true, "", 1),
        item(1, QStringLiteral("done"), [](Task& t) { t.setStatus(1); }),
        item(0, QStringLiteral("event"), {}),
    };
    const QStringList mine = {"own", "own, empty assignee", "delegated to me"};
    EXPECT_EQ(names(dataManager().getTaskFromTaskList(list, 0, 0)), mine);
    EXPECT_EQ(names(dataManager().getTaskFromTaskList(list, 2, 0)), mine);
    EXPECT_TRUE(dataManager().getTaskFromTaskList(list, 1, 0).isEmpty());
    EXPECT_TRUE(dataManager().getTaskFromTaskList(list, 5, 0).isEmpty());
    EXPECT_TRUE(dataManager().getTaskFromTaskList(list, 0, 1).isEmpty());
    EXPECT_EQ(names(dataManager().getTaskFromTaskList(list, 1, 2)), QStringList{"done"});

    setting().setZvwUserName(QString());
    EXPECT_EQ(names(dataManager().getTaskFromTaskList(list, 0, 0)), (QStringList{"own", "own, empty assignee"}))
        << "signed out, no shared task is the user's";
}

TEST_F(CoreDataFiltersTest, TheTaskListKeepsInputOrderAndDoesNotSortByDuration)
{
    const auto timed = [](const char* name, qint64 minutes) {
        return item(1, QString::fromUtf8(name), [=](Task& t) {
            t.setHasDuration(1);
            t.setDuration(minutes);
        });
    };
    const TaskList list = {timed("short", 10), timed("long", 90), timed("middle", 30)};
    EXPECT_EQ(names(dataManager().getTaskFromTaskList(list, 6, 0)), (QStringList{"short", "long", "middle"}));
    EXPECT_EQ(names(dataManager().getTaskFromTaskList(list, qint64(6), qint64(0), false)),
              (QStringList{"long", "middle", "short"}));
}

// ---------------------------------------------------------------------------
// The note list

TEST_F(CoreDataFiltersTest, NoteListFiltersByDayWeekAndPin)
{
    const auto note = [](const char* name, const Date& start, qint64 pinned = 0) {
        return item(3, QString::fromUtf8(name), [=](Task& t) {
            t.setStartTime(start);
            t.setIsPinned(pinned);
        });
    };
    const TaskList list = {
        note("Sunday before", localDate(2014, 1, 12, 20)),
        note("Monday", localDate(2014, 1, 13, 9), 1),
        note("Saturday", localDate(2014, 1, 18, 23, 59)),
        note("Sunday", localDate(2014, 1, 19, 8)),
        note("next Monday", localDate(2014, 1, 20, 0, 30)),
        item(1, QStringLiteral("a task"), [](Task& t) { t.setStartTime(localDate(2014, 1, 13, 9)); }),
    };
    Clock::setFixed(localDate(2014, 1, 19, 10));  // a Sunday
    dataManager().setCurrentSelectedDay(localDate(2014, 1, 13));

    setting().setWeekStartDay(1);
    EXPECT_EQ(names(dataManager().getNotesFromTaskList(list, 2, false)), (QStringList{"Monday", "Saturday", "Sunday"}))
        << "weeks from Monday: a Sunday ends its week";
    setting().setWeekStartDay(0);
    EXPECT_EQ(names(dataManager().getNotesFromTaskList(list, 2, false)), (QStringList{"Sunday", "next Monday"}))
        << "weeks from Sunday: a Sunday starts its week";

    EXPECT_EQ(names(dataManager().getNotesFromTaskList(list, 0, false)),
              (QStringList{"Sunday before", "Monday", "Saturday", "Sunday", "next Monday"}));
    EXPECT_EQ(names(dataManager().getNotesFromTaskList(list, 1, false)), QStringList{"Monday"});
    EXPECT_EQ(names(dataManager().getNotesFromTaskList(list, 3, false)), QStringList{"Monday"});
    EXPECT_TRUE(dataManager().getNotesFromTaskList(list, 4, false).isEmpty());
}

// A week that holds a daylight-saving change has a day of 23 or 25 hours;
// counting its days in 86400-second steps would slip a day.
TEST_F(CoreDataFiltersTest, TheNoteWeekCountsCalendarDaysAcrossDaylightSavingChanges)
{
    setting().setWeekStartDay(1);
    struct Case {
        const char* what;
        Date today;
        Date inside;
        Date outside;
    };
    const Case cases[] = {
        {"the Monday after clocks went forward", localDate(2014, 3, 31, 9), localDate(2014, 3, 31, 0, 30),
         localDate(2014, 3, 30, 23, 30)},
        {"the Sunday clocks went back", localDate(2014, 10, 26, 9), localDate(2014, 10, 20, 0, 30),
         localDate(2014, 10, 27, 0, 30)},
        {"the Monday after clocks went back", localDate(2014, 10, 27, 9), localDate(2014, 10, 27, 0, 30),
         localDate(2014, 10, 26, 23, 30)},
    };
    for (const Case& c : cases) {
        Clock::setFixed(c.today);
        const TaskList list = {item(3, QStringLiteral("inside"), [&c](Task& t) { t.setStartTime(c.inside); }),
                               item(3, QStringLiteral("outside"), [&c](Task& t) { t.setStartTime(c.outside); })};
        EXPECT_EQ(names(dataManager().getNotesFromTaskList(list, 2, false)), QStringList{"inside"}) << c.what;
    }
}

}  // namespace
