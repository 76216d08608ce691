#include "WebExchangeFixture.h"

#include "Task.h"
#include "Utilities.h"

#include <QDateTime>
#include <QJsonArray>

namespace {

// Stored-form seconds (local wall-clock time read as UTC) of a wall-clock time.
qint64 stored(int year, int month, int day, int hour, int minute = 0)
{
    return QDateTime(QDate(year, month, day), QTime(hour, minute), Qt::UTC).toSecsSinceEpoch();
}

Date local(int year, int month, int day, int hour, int minute = 0)
{
    return Utilities::fromDBDate(Date::dateWithTimeIntervalSince1970(double(stored(year, month, day, hour, minute))));
}

class ZVWSyncItemRecordTest : public WebExchangeTest {
protected:
    TaskPtr read(const QJsonObject& record) { return ZVWSync::itemFromRecord(record, m_reading, nullptr); }
    ZVWSync::ItemReading m_reading{{{77, 5}}, QStringLiteral("ann@example.com"), 25};
};

}  // namespace

TEST_F(ZVWSyncItemRecordTest, TypesTagsAndTextsAreReadByTheTables)
{
    const struct {
        qint64 serviceType;
        qint64 kind;
    } types[] = {{1, ItemKind::Note}, {2, ItemKind::Task}, {3, ItemKind::Event}, {4, ItemKind::ChecklistItem}, {7, ItemKind::Task}};
    for (const auto& row : types)
        EXPECT_EQ(read({{"task_type", row.serviceType}})->taskType(), row.kind) << row.serviceType;

    const struct {
        QJsonValue tags;
        QString stored;
    } tags[] = {{" a,b, ", "/a/b"}, {" , ,", ""}, {"", ""}, {QJsonValue::Null, ""}, {12, ""}};
    for (const auto& row : tags) EXPECT_EQ(read({{"tags", row.tags}})->tagList(), row.stored);

    const TaskPtr item = read({{"title", " ,Call Bob, "}, {"location", ", Paris "}, {"content", " as is, "},
                               {"category_id", 77}, {"id", "9000000000"}, {"last_update", 8000000000.0}});
    EXPECT_EQ(item->taskName(), QStringLiteral("Call Bob"));
    EXPECT_EQ(item->taskLocation(), QStringLiteral("Paris"));
    EXPECT_EQ(item->notes(), QStringLiteral(" as is, "));
    EXPECT_EQ(item->calendarId(), 5);
    EXPECT_EQ(item->zvwID(), 9000000000) << "ids are 64-bit";
    EXPECT_EQ(item->lastUpdate(), 8000000000);
    EXPECT_EQ(read({{"category_id", 78}})->calendarId(), 0) << "an unknown category";
}

TEST_F(ZVWSyncItemRecordTest, KeysOfAnotherTypeOrOutOfRangeTimesCountAsAbsent)
{
    const Task fresh;
    const TaskPtr item = read({{"title", QJsonValue::Null}, {"start_time", 1.5}, {"end_time", 1e300},
                               {"repeat", "W"}, {"alerts", QJsonArray{"15", 3}}, {"task_type", QJsonArray{}},
                               {"completed_date", "soon"}});
    EXPECT_EQ(item->taskName(), QStringLiteral(""));
    EXPECT_EQ(item->startTime(), fresh.startTime()) << "a fraction of a second is no time";
    EXPECT_EQ(item->endTime(), fresh.endTime()) << "a time beyond the calendar is no time";
    EXPECT_EQ(item->repeatType(), 0);
    EXPECT_EQ(item->taskType(), ItemKind::Task);
    EXPECT_EQ(item->completedDate(), fresh.completedDate());
}

TEST_F(ZVWSyncItemRecordTest, DurationsOfTasksAndEvents)
{
    const TaskPtr none = read({{"task_type", 2}, {"duration", 0}});
    EXPECT_EQ(none->duration(), 25) << "the default task duration";
    EXPECT_EQ(none->hasDuration(), 0);
    const TaskPtr some = read({{"task_type", 2}, {"duration", 45}});
    EXPECT_EQ(some->duration(), 45);
    EXPECT_EQ(some->hasDuration(), 1);
    const TaskPtr event = read({{"task_type", 3}, {"duration", 5}, {"start_time", stored(2013, 1, 9, 10)},
                                {"end_time", stored(2013, 1, 9, 11, 30)}});
    EXPECT_EQ(event->duration(), 90) << "an event's length comes from its times";
    EXPECT_EQ(event->hasDuration(), 1);
    EXPECT_EQ(event->startTime(), local(2013, 1, 9, 10));
    EXPECT_EQ(event->dueEnd(), local(2013, 1, 9, 11, 30));
}

TEST_F(ZVWSyncItemRecordTest, AlertsOnlyOnEventsAndDueTasks)
{
    const QJsonArray alerts{QJsonObject{{"minutes", 15}, {"alert_type", "P"}}, "not an alert"};
    const TaskPtr event = read({{"task_type", 3}, {"alerts", alerts}});
    const auto list = event->createAlertList();
    ASSERT_EQ(list.size(), 1);
    EXPECT_EQ(list[0]->alertType(), 1);
    EXPECT_EQ(list[0]->relativeOffset(), -900);
    EXPECT_TRUE(list[0]->soundName().isEmpty());
    EXPECT_EQ(read({{"task_type", 1}, {"alerts", alerts}})->alertValues(), QStringLiteral("")) << "a note has none";
    EXPECT_EQ(read({{"task_type", 2}, {"due", 1}, {"alerts", alerts}})->createAlertList().size(), 1);
}

TEST_F(ZVWSyncItemRecordTest, RepeatObjectsGiveOptionsEndsAndExceptions)
{
    const struct {
        QJsonObject repeat;
        qint64 type;
        QString options;
    } rows[] = {
        {{{"repeat_type", "M"}, {"repeat_flag", "1000000"}}, 3, "1//1"},
        {{{"repeat_type", "M"}, {"repeat_flag", "0000000"}}, 3, "1//0"},
        {{{"repeat_type", "D"}}, 1, "1//0"},
        {{}, 0, "1//0"},
        {{{"repeat_type", "D"}, {"repeat_interval", -4}}, 1, "1//0"},
        {{{"repeat_type", "Y"}, {"repeat_interval", 3}, {"repeat_flag", "10x0000"}}, 4, "3//0"},
        {{{"repeat_type", "W"}, {"repeat_interval", 2}, {"repeat_flag", "0101010"}}, 2, "2/2|4|6/0"},
    };
    for (const auto& row : rows) {
        const TaskPtr item = read({{"task_type", 3}, {"start_time", stored(2013, 1, 9, 10)},
                                   {"end_time", stored(2013, 1, 9, 11)}, {"repeat", row.repeat}});
        EXPECT_EQ(item->repeatType(), row.type) << row.options.toStdString();
        EXPECT_EQ(item->repeatOptions(), row.options);
    }
    const TaskPtr weekly = read({{"task_type", 3}, {"start_time", stored(2013, 1, 9, 10)},
                                 {"repeat", QJsonObject{{"repeat_type", "W"}, {"repeat_flag", "0101010"}}}});
    EXPECT_EQ(weekly->startTime(), local(2013, 1, 9, 10)) << "Wednesday is listed: the start stays";

    const TaskPtr forever = read({{"repeat", QJsonObject{{"repeat_type", "D"}, {"repeat_end", 0}}}});
    EXPECT_EQ(forever->isRepeatForever(), 1);
    const TaskPtr ends = read({{"repeat", QJsonObject{{"repeat_type", "D"}, {"repeat_end", stored(2013, 3, 1, 0)}}}});
    EXPECT_EQ(ends->isRepeatForever(), 0);
    EXPECT_EQ(ends->repeatEndDate(), local(2013, 3, 1, 0));

    const QJsonArray exceptions{QJsonObject{{"exception_date", stored(2013, 1, 16, 0)}},
                                QJsonObject{{"exception_date", QString::number(stored(2013, 1, 23, 0))}},
                                QJsonObject{{"exception_date", 1.25}}, "x"};
    const TaskPtr excepted = read({{"task_type", 3}, {"start_time", stored(2013, 1, 9, 10, 30)},
                                   {"repeat", QJsonObject{{"repeat_type", "W"}, {"repeat_exceptions", exceptions}}}});
    EXPECT_EQ(excepted->repeatExceptions(),
              QStringLiteral("|%1|%2").arg(stored(2013, 1, 16, 10, 30)).arg(stored(2013, 1, 23, 10, 30)))
        << "each exception day at the start's time of day, without kind markers";
}

TEST_F(ZVWSyncItemRecordTest, AWeeklySeriesStartsOnOneOfItsWeekdays)
{
    const auto weeklyOnMonday = [this](qint64 start, qint64 interval) {
        return read({{"task_type", 3}, {"start_time", start}, {"end_time", start + 3600},
                     {"repeat", QJsonObject{{"repeat_type", "W"}, {"repeat_flag", "0100000"}, {"repeat_interval", interval}}}});
    };
    // The second Monday of January 2013 lies after its second Wednesday.
    const TaskPtr after = weeklyOnMonday(stored(2013, 1, 9, 10), 2);
    EXPECT_EQ(after->startTime(), local(2013, 1, 14, 10));
    EXPECT_EQ(after->endTime(), local(2013, 1, 14, 11));
    EXPECT_EQ(after->repeatOptions(), QStringLiteral("2/2/0"));
    // The second Monday of April 2013 lies before its second Wednesday.
    const TaskPtr once = weeklyOnMonday(stored(2013, 4, 10, 10), 1);
    EXPECT_EQ(once->startTime(), local(2013, 4, 15, 10)) << "interval 1: one week on";
    EXPECT_EQ(once->repeatStartDate(), local(2013, 4, 15, 10));
    const TaskPtr third = weeklyOnMonday(stored(2013, 4, 10, 10), 3);
    EXPECT_EQ(third->startTime(), local(2013, 4, 22, 10)) << "interval 3: two weeks on";
    EXPECT_EQ(third->endTime(), local(2013, 4, 22, 11));
}

TEST_F(ZVWSyncItemRecordTest, ChildrenNameOnlyParentsReadBeforeThem)
{
    const QJsonArray records{
        QJsonObject{{"id", 2}, {"group_id", 1}, {"title", "early child"}},
        QJsonObject{{"id", 1}, {"group_id", 0}, {"title", "root"}},
        QJsonObject{{"id", 3}, {"group_id", 1}, {"title", "late child"}},
        QJsonObject{{"id", 4}, {"group_id", 99}},
        QJsonObject{{"error", "refused"}, {"id", 5}},
        QJsonObject{{"id", 1}, {"title", "second with id 1"}},
        QJsonObject{{"id", 6}, {"group_id", 1}},
        "not a record",
    };
    const ZVWSync::ItemRecords read = ZVWSync::itemsFromRecords(records, m_reading);
    ASSERT_EQ(read.items.size(), 6);
    EXPECT_EQ(read.refused, 2);
    EXPECT_EQ(read.items[0]->parentId(), 0) << "its parent came later";
    EXPECT_EQ(read.items[1]->parentId(), -1);
    EXPECT_EQ(read.items[2]->parentId(), 1);
    EXPECT_EQ(read.items[3]->parentId(), 0) << "a parent never listed";
    EXPECT_EQ(read.items[5]->parentId(), 1);
}

TEST_F(ZVWSyncItemRecordTest, DelegationSharingAndTheAssigneesOwnOrder)
{
    const TaskPtr mine = read({{"task_type", 2}, {"shared", 1}, {"assignee_email", " ANN@example.com,"},
                               {"order_number", 3}, {"assignee_order", 9000000001.0}, {"delegate_status", 1},
                               {"shared_date", 1357725600}});
    EXPECT_TRUE(mine->isShared());
    EXPECT_EQ(mine->assigneeEmail(), QStringLiteral("ANN@example.com"));
    EXPECT_EQ(mine->taskOrder(), 9000000001) << "the assignee's own order, 64-bit";
    EXPECT_EQ(mine->delegateStatus(), 1);
    EXPECT_EQ(mine->delegateDate(), Date::dateWithTimeIntervalSince1970(1357725600)) << "no stored-form conversion";
    const TaskPtr other = read({{"task_type", 2}, {"shared", 1}, {"assignee_email", "bob@example.com"},
                                {"order_number", 3}, {"assignee_order", 9}, {"delegate_status", 2}});
    EXPECT_EQ(other->taskOrder(), 3);
    EXPECT_EQ(other->delegateStatus(), 0) << "2 is not taken from the service";
    EXPECT_EQ(read({{"task_type", 3}, {"meeting_invite_flag", 3}})->delegateStatus(), 3);
    EXPECT_EQ(read({{"task_type", 3}, {"meeting_invite_flag", 4}})->delegateStatus(), 0);
    const TaskPtr occurrence = read({{"task_type", 3}, {"shared", 1}, {"start_time", stored(2013, 1, 9, 10)},
                                     {"repeat", QJsonObject{{"repeat_type", "D"}}}});
    EXPECT_EQ(occurrence->occurrence(), local(2013, 1, 9, 10));
}

TEST_F(ZVWSyncItemRecordTest, UploadRecordsCarryTheConversions)
{
    auto task = std::make_shared<Task>();
    task->setTaskName("Report");
    task->setTagList("/a/b");
    task->setTaskOrder(7);
    task->setDueEnd(local(2013, 1, 10, 17));
    task->setRepeatType(1);
    task->setIsRepeatForever(0);
    task->setRepeatEndDate(local(2013, 2, 1, 0));
    task->setRepeatExceptions(QStringLiteral("|%1(1)|%2(2)").arg(stored(2013, 1, 11, 17)).arg(stored(2013, 1, 12, 17)));
    task->setHasDuration(0);
    auto alert = std::make_shared<AlertObj>();
    alert->setAlertType(1);
    alert->setRelativeOffset(-90);
    auto absolute = std::make_shared<AlertObj>();
    task->updateAlertList({alert, absolute});

    const QJsonObject create = ZVWSync::itemCreateRecord(*task, 77, 0, false);
    EXPECT_EQ(create.value("task_type").toInteger(), 2);
    EXPECT_EQ(create.value("tags").toString(), QStringLiteral("a,b"));
    EXPECT_EQ(create.value("end_time").toInteger(), stored(2013, 1, 10, 17)) << "a task sends its due time";
    EXPECT_EQ(create.value("duration").toInteger(), 0);
    EXPECT_EQ(create.value("category_id").toInteger(), 77);
    EXPECT_EQ(create.value("completed_date").toInteger(), 0);
    EXPECT_EQ(create.value("order_number").toInteger(), 0) << "without the order rule";
    EXPECT_EQ(create.value("assignee_order").toInteger(), 0);
    EXPECT_TRUE(create.contains("delegate_status"));
    EXPECT_FALSE(create.contains("id"));
    EXPECT_EQ(create.value("alerts").toArray(), (QJsonArray{QJsonObject{{"minutes", 1}, {"alert_type", "P"}}}));
    const QJsonObject repeat = create.value("repeat").toObject();
    EXPECT_EQ(repeat.value("repeat_type").toString(), QStringLiteral("D"));
    EXPECT_EQ(repeat.value("repeat_end").toInteger(), 0) << "a task's series always goes without an end";
    EXPECT_EQ(repeat.value("repeat_exceptions").toArray(),
              (QJsonArray{QJsonObject{{"exception_date", QString::number(stored(2013, 1, 11, 17))}},
                          QJsonObject{{"exception_date", QString::number(stored(2013, 1, 12, 17))}}}));
    EXPECT_EQ(ZVWSync::itemCreateRecord(*task, 77, 0, true).value("order_number").toInteger(), 7);

    const QJsonObject update = ZVWSync::itemUpdateRecord(*task, 77, false);
    EXPECT_FALSE(update.contains("order_number"));
    EXPECT_FALSE(update.contains("group_id"));
    EXPECT_EQ(ZVWSync::itemUpdateRecord(*task, 77, true).value("assignee_order").toInteger(), 7);

    task->setTaskType(ItemKind::Event);
    task->setEndTime(local(2013, 1, 10, 18));
    task->setTaskName("Meeting");
    const QJsonObject event = ZVWSync::itemCreateRecord(*task, 77, 0, false);
    EXPECT_EQ(event.value("task_type").toInteger(), 3);
    EXPECT_EQ(event.value("end_time").toInteger(), stored(2013, 1, 10, 18));
    EXPECT_EQ(event.value("repeat").toObject().value("repeat_end").toInteger(), stored(2013, 2, 1, 0));
    EXPECT_TRUE(event.contains("meeting_invite_flag"));
    EXPECT_FALSE(event.contains("delegate_status"));
    task->setRepeatExceptions("");
    EXPECT_FALSE(ZVWSync::repeatRecord(*task).contains("repeat_exceptions"));
    task->setParentId(4);
    EXPECT_TRUE(ZVWSync::repeatRecord(*task).isEmpty()) << "a child sends an empty repeat";
    task->setParentId(-1);
    task->setRepeatType(0);
    EXPECT_TRUE(ZVWSync::repeatRecord(*task).isEmpty());
    for (const auto& [kind, type] : {std::pair{ItemKind::ChecklistItem, 4}, std::pair{ItemKind::Note, 1}}) {
        task->setTaskType(kind);
        EXPECT_EQ(ZVWSync::itemCreateRecord(*task, 0, 0, false).value("task_type").toInteger(), type);
    }
}

TEST_F(ZVWSyncItemRecordTest, WeekdayMasksAndExceptionMarkersGoUpSafely)
{
    auto task = std::make_shared<Task>();
    task->setTaskType(ItemKind::Event);
    task->setRepeatType(2);
    task->setRepeatOptions("2/2|9|0|4/0");
    EXPECT_EQ(ZVWSync::repeatRecord(*task).value("repeat_flag").toString(), QStringLiteral("0101000"))
        << "weekdays outside 1 to 7 are skipped";
    EXPECT_EQ(ZVWSync::repeatRecord(*task).value("repeat_interval").toInteger(), 2);
    task->setRepeatType(3);
    task->setRepeatOptions("1//1");
    EXPECT_EQ(ZVWSync::repeatRecord(*task).value("repeat_flag").toString(), QStringLiteral("1000000"));
    EXPECT_EQ(ZVWSync::exceptionRecords("|1357725600|1357812000(2)"),
              (QJsonArray{QJsonObject{{"exception_date", "1357725600"}}, QJsonObject{{"exception_date", "1357812000"}}}))
        << "an entry without a marker goes whole";
    EXPECT_TRUE(ZVWSync::exceptionRecords("").isEmpty());
}
