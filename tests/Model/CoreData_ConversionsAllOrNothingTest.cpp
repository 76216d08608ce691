#include "CommandUnitFixture.h"

#include <QFile>

// Conversions between kinds and the web identities of moved items: whichever
// statement fails, the command answers failure and leaves the rows, the
// lists, the records (the item handed in included), the settings' switches
// and the calendar store as they were; run through, it converts.
namespace {

class ConversionUnitTest : public CommandUnitTest {
protected:
    void SetUp() override
    {
        CommandUnitTest::SetUp();
        switchWebSync(true);
    }

    void TearDown() override
    {
        QFile::remove(Setting::dataFilePath(QStringLiteral("local.settings")));
        CommandUnitTest::TearDown();
    }

    TaskPtr linkedNote(const TaskPtr& item)
    {
        const TaskPtr agenda = note(QStringLiteral("agenda"));
        link(item, agenda);
        return agenda;
    }

    QString askSwitches()
    {
        return QStringList{QString::number(setting().showWarningEvent2Task()),
                           QString::number(setting().showWarningTask2Event()),
                           QString::number(setting().showWarningConvert2STask()),
                           QString::number(setting().showWarningConvertSTask2Task())}
            .join(QLatin1Char(','));
    }
};

}  // namespace

TEST_F(ConversionUnitTest, EventsAndScheduledTasksBecomeTasksWholeOrNotAtAll)
{
    struct Case {
        const char* what;
        int answer;      // the button of the question, 0 when none is asked
        int occurrence;  // the day of the series' occurrence converted, 0 for the root or a one-off
        bool series;
        bool scheduled;
    };
    for (const Case& c : {Case{"a one-off event, asked", AlertResponse::firstButton, 0, false, false},
                          Case{"one occurrence of a series", AlertResponse::firstButton, 15, true, false},
                          Case{"the rest of a series", AlertResponse::secondButton, 17, true, false},
                          Case{"a whole series", AlertResponse::secondButton, 0, true, false},
                          Case{"a scheduled task", 0, 0, false, true}}) {
        SCOPED_TRACE(c.what);
        setting().setShowWarningEvent2Task(c.answer != 0 && !c.series);
        TaskPtr source;
        TaskPtr linkedTo;
        if (c.series) {
            const Series series = seriesWithExceptions(QStringLiteral("standup"));
            listed(series.root);
            listed(series.detached);
            linkedTo = linkedNote(series.root);
            source = c.occurrence ? occurrenceOn(series.root, c.occurrence) : series.root;
        } else {
            source = c.scheduled ? scheduledTask(QStringLiteral("write"), localDate(2014, 1, 15, 16, 0))
                                 : event(QStringLiteral("meeting"), localDate(2014, 1, 15, 14, 0));
            source->setZvwID(300);
            source->setAlertValues(QStringLiteral("/1|-600|Glass"));
            ASSERT_TRUE(source->dehydrate());
            listed(source);
            linkedTo = linkedNote(source);
        }
        SameAnswerPresenter presenter(c.answer ? c.answer : AlertResponse::firstButton, true);
        TaskPtr converted;

        expectAllOrNothing(
            db(),
            [&] {
                converted = c.scheduled ? dataManager().convertSTask2Task(source)
                                        : dataManager().convertEvent2Task(source);
                return converted != nullptr;
            },
            anyPost, [&]() -> QString { return sharedObjects() + describe(source) + askSwitches(); });

        ASSERT_NE(converted, nullptr);
        EXPECT_EQ(presenter.asked() > 0, c.answer != 0);
        const TaskPtr row = Task::initWithPrimaryKey(converted->primaryKey());
        EXPECT_EQ(row->taskType(), 1);
        EXPECT_FALSE(row->isSheduledTask());
        EXPECT_TRUE(isActivelyLinked(converted, linkedTo)) << "the new task takes over the links";
        EXPECT_EQ(dataManager().modifyingTask(), converted);
        if (c.answer && !c.series) {
            EXPECT_EQ(setting().showWarningEvent2Task(), 0) << "not to be asked again";
        }
    }
}

TEST_F(ConversionUnitTest, ScheduledTaskIsDoneAsATaskOfItsOwnRowOrNotAtAll)
{
    const TaskPtr scheduled = listed(scheduledTask(QStringLiteral("write"), localDate(2014, 1, 15, 16, 0)));
    scheduled->setZvwID(310);
    ASSERT_TRUE(scheduled->dehydrate());
    const qint64 key = scheduled->primaryKey();
    const TaskPtr agenda = linkedNote(scheduled);

    expectAllOrNothing(db(), [&] { return dataManager().markSTaskDone(scheduled); }, anyPost,
                       [&]() -> QString { return sharedObjects() + describe(scheduled); });

    EXPECT_FALSE(rowExists(key));
    const TaskPtr row = Task::initWithPrimaryKey(scheduled->primaryKey());
    EXPECT_EQ(row->taskType(), 1);
    EXPECT_EQ(row->status(), 1);
    EXPECT_TRUE(isActivelyLinked(row, agenda));
    EXPECT_TRUE(webDeletions().contains(QStringLiteral(",310")));
}

TEST_F(ConversionUnitTest, NotesBecomeLinkedTasksWholeOrNotAtAll)
{
    const TaskPtr first = note(QStringLiteral("first"));
    const TaskPtr second = note(QStringLiteral("second"));
    const qint64 lastBefore = lastKey();
    TaskPtr made;

    expectAllOrNothing(
        db(),
        [&] {
            made = dataManager().makeTaskFromNote(first);
            return made != nullptr;
        },
        anyPost, [&] { return sharedObjects(); });
    ASSERT_NE(made, nullptr);
    EXPECT_TRUE(isActivelyLinked(first, made));

    expectAllOrNothing(db(), [&] { return dataManager().ConvertNotesToTasks({first, second}); }, anyPost,
                       [&] { return sharedObjects(); });
    const TaskList tasks = rowsAfter(lastBefore);
    ASSERT_EQ(tasks.size(), 3);
    EXPECT_TRUE(isActivelyLinked(first, tasks[1]));
    EXPECT_TRUE(isActivelyLinked(second, tasks[2]));
    EXPECT_EQ(tasks[2]->taskName(), QStringLiteral("second"));
}

TEST_F(ConversionUnitTest, TaskIsPlacedOnTheDayGridWholeOrNotAtAll)
{
    for (const bool scheduled : {false, true}) {
        SCOPED_TRACE(scheduled);
        setting().setShowWarningTask2Event(1);
        setting().setShowWarningConvert2STask(1);
        const TaskPtr item = webTask(QStringLiteral("write"), 320, localDate(2014, 1, 16, 12, 0));
        item->setICalUID(QStringLiteral("reminder-uid"));
        ASSERT_TRUE(item->dehydrate());
        linkedNote(item);
        calendarStore().clearCalls();
        const auto storeCalls = storeCallsOf({QStringLiteral("deleteTask"), QStringLiteral("insertEvent")});
        SameAnswerPresenter presenter(AlertResponse::firstButton, true);
        const Date start = localDate(2014, 1, 16, 14, 0);

        expectAllOrNothing(
            db(),
            [&] {
                const TaskPtr placed = scheduled ? dataManager().convertTask2STask(item, start)
                                                 : dataManager().convertTask2Event(item, start);
                return placed == item;
            },
            anyPost, [&]() -> QString { return storeCalls() + askSwitches(); });

        const TaskPtr row = Task::initWithPrimaryKey(item->primaryKey());
        EXPECT_EQ(row->taskType(), 0);
        EXPECT_EQ(row->startTime(), start);
        EXPECT_EQ(row->isSheduledTask(), scheduled);
        EXPECT_EQ(row->zvwID(), 320) << "converted in place";
        EXPECT_EQ(storeCalls(), scheduled ? QStringLiteral("deleteTask") : QStringLiteral("deleteTask insertEvent"));
        ASSERT_EQ(calendarStore().calls().first().items.size(), 1);
        EXPECT_EQ(calendarStore().calls().first().items.first()->iCalUID(), QStringLiteral("reminder-uid"))
            << "the store is told which reminder to delete";
        EXPECT_EQ(scheduled ? setting().showWarningConvert2STask() : setting().showWarningTask2Event(), 0);
    }
}

TEST_F(ConversionUnitTest, SeriesMovesToAnotherCategoryWithNewWebIdentitiesOrNotAtAll)
{
    const Series series = seriesWithExceptions(QStringLiteral("standup"));
    listed(series.root);
    const CalendarPtr other = addCategory();

    const auto move = [&] { return dataManager().changeCalendarId(other->primaryKey(), series.root->primaryKey()); };
    expectAllOrNothing(db(), move, anyPost);

    for (const TaskPtr& row : {series.root, series.detached}) {
        EXPECT_EQ(storedColumn(row->primaryKey(), QStringLiteral("calendarId")), QVariant(other->primaryKey()));
        EXPECT_EQ(storedColumn(row->primaryKey(), QStringLiteral("zvwID")), QVariant(qint64(0)));
    }
    EXPECT_EQ(webDeletions(), QStringLiteral(",7001,7002"));
}

TEST_F(ConversionUnitTest, MovedItemsTakeNewWebIdentitiesWithTheirLinksOrNotAtAll)
{
    struct Case {
        const char* what;
        bool series;
        QString deletions;
    };
    for (const Case& c : {Case{"a series with a detached row", true, QStringLiteral(",7001,7002")},
                          Case{"a task moved into an events-only category", false, QStringLiteral(",330")}}) {
        SCOPED_TRACE(c.what);
        setting().setZvwDeletedTasks(QStringLiteral(""));
        ASSERT_TRUE(setting().dehydrate());
        TaskPtr item;
        if (c.series) {
            const Series series = seriesWithExceptions(QStringLiteral("standup"));
            item = listed(series.detached);
            link(series.root, note(QStringLiteral("agenda")));
        } else {
            item = webTask(QStringLiteral("call"), 330, localDate(2014, 1, 16, 12, 0));
            item->setICalUID(QStringLiteral("reminder-uid"));
            const CalendarPtr eventsOnly = categoryWith({item});
            eventsOnly->setTaskOrEvent(2);
            ASSERT_TRUE(eventsOnly->dehydrate());
            link(item, note(QStringLiteral("agenda")));
        }

        expectAllOrNothing(db(), [&] { return dataManager().resetZVWIdWhenCalChanged(item, true); }, anyPost,
                           [&] { return describe(item); });

        EXPECT_EQ(webDeletions(), c.deletions);
        EXPECT_EQ(linkCount(QStringLiteral("zvwKey<>0")), 0) << "the links are sent again";
        EXPECT_EQ(item->zvwID(), 0);
        if (!c.series) {
            EXPECT_EQ(item->iCalUID(), QString()) << "out of the calendar store";
        }
    }
}
