#include "LogCapture.h"
#include "RecordGuard.h"
#include "TaskTestFixture.h"

#include <bit>
#include <functional>

namespace {

// Every stored field of a record, as text that tells a null text from an
// empty one and a date from any other date down to its last bit.
QStringList fieldsOf(const Task& t)
{
    const auto text = [](const QString& s) {
        return s.isNull() ? QStringLiteral("<null>") : QLatin1Char('"') + s + QLatin1Char('"');
    };
    const auto date = [](const Date& d) {
        return d.isNull() ? QStringLiteral("<null>")
                          : QString::number(std::bit_cast<quint64>(d.timeIntervalSince1970()), 16);
    };
    const auto n = [](qint64 v) { return QString::number(v); };
    return {
        n(t.primaryKey()), n(t.taskType()), n(t.isADE()), text(t.taskName()), text(t.taskLocation()),
        date(t.startTime()), date(t.endTime()), date(t.dueEnd()), date(t.dateUpdate()), date(t.completedDate()),
        n(t.hasDue()), n(t.taskOrder()), n(t.repeatType()), date(t.repeatStartDate()), date(t.repeatEndDate()),
        text(t.repeatOptions()), text(t.repeatExceptions()), n(t.isRepeatForever()), n(t.hasDuration()),
        n(t.duration()), n(t.calendarId()), n(t.parentId()), n(t.isInitialTask()), n(t.isPinned()),
        text(t.alertValues()), text(t.iCalUID()), n(t.builtIn()), n(t.isHidden()), n(t.taskRepeatStyle()),
        n(t.zvwID()), n(t.lastUpdate()), n(t.status()), text(t.url()), date(t.occurrence()), text(t.tagList()),
        n(t.hasChanges()), text(t.notes()), n(t.isShared()), n(t.tz()), n(t.isSheduledTask()),
        text(t.assigneeEmail()), n(t.delegateStatus()), date(t.delegateDate()), n(t.dirty()),
        // The run-time fields a read must leave at their defaults.
        n(t.prevtz()), date(t.localStartDate()), n(t.rootTZ()), date(t.tzStartTime()), n(t.npDuration()),
        n(t.isTopGTDTask()), n(t.npIsMustDo()),
    };
}

using TaskRowReadTest = TaskTest;

// The direct read of a row must give the record the setters gave, field
// for field, for rows of every kind and every odd value a file may hold.
TEST_F(TaskRowReadTest, ARowReadsAsTheSettersReadIt)
{
    const qint64 checklist = addCategory(CategoryKind::Checklist)->primaryKey();
    const qint64 ordinary = addCategory(CategoryKind::Ordinary)->primaryKey();
    const QString start = QString::number(storedSeconds(localDate(2014, 3, 3, 8, 20)), 'f', 3);
    const QString due = QString::number(storedSeconds(localDate(2014, 3, 4, 17, 45)), 'f', 0);
    // What the start seeds as a task's series start before its due time is
    // read: the day before at 22:58:59.
    const QString seededTaskStart = QString::number(storedSeconds(localDate(2014, 3, 2, 22, 58, 59)), 'f', 0);
    const QString largeNotes = QStringLiteral("Zeile ünd 行\n").repeated(9000);
    struct Case {
        const char* what;
        QString columns;  // after primaryKey
        QString values;
    };
    const QList<Case> cases = {
        {"every column NULL", QString(), QString()},
        {"every text empty, every number 0",
         QStringLiteral("taskType, taskName, taskLocation, startTime, endTime, dueEnd, repeatStartDate, repeatEndDate, "
                        "repeatOptions, repeatExceptions, alertValues, iCalIdentifier, url, tagList, hasChanges, notes, "
                        "assigneeEmail, calendarId"),
         QStringLiteral("0, '', '', 0, 0, 0, 0, 0, '', '', '', '', '', '', 0, '', '', 0")},
        {"an event with its series start at its start, odd texts",
         QStringLiteral("taskType, isADE, taskName, taskLocation, startTime, endTime, repeatType, repeatStartDate, "
                        "repeatEndDate, repeatOptions, repeatExceptions, alertValues, url, tagList, notes, "
                        "assigneeEmail, calendarId, hasChanges"),
         QStringLiteral("0, 1, char(10)||' Café ☕ '||char(13,10), 'Zürich', %1, %1+3600, 2, %1, %1+86400.75, "
                        "'2/2|4/1', '|1393838400(2)', '/1|-900|Glass', ' http://example.com/a%20b ', '/Work/Ärger', "
                        "'%2', 'ann@example.com', %3, 0")
             .arg(start, largeNotes, QString::number(ordinary))},
        {"a task whose series start is the one its start seeds",
         QStringLiteral("taskType, startTime, dueEnd, hasDue, repeatType, repeatStartDate, calendarId, notes"),
         QStringLiteral("1, %1, %2, 1, 1, %3, %4, 'n'").arg(start, due, seededTaskStart, QString::number(ordinary))},
        {"a task with a series start of its own",
         QStringLiteral("taskType, startTime, dueEnd, repeatType, repeatStartDate, repeatEndDate"),
         QStringLiteral("1, %1, %2, 3, %2-86400*3, %2+0.5").arg(start, due)},
        {"an event of a checklist category",
         QStringLiteral("taskType, startTime, calendarId, taskName"),
         QStringLiteral("0, %1, %2, 'Item'").arg(start, QString::number(checklist))},
        {"a note at the stored zero date",
         QStringLiteral("taskType, startTime, endTime, dueEnd, completedDate, repeatStartDate, occurrence, delegateDate"),
         QStringLiteral("3, 0, 0, 0, 0, 0, 0, 0")},
        {"dates no calendar holds, texts in number columns",
         QStringLiteral("taskType, startTime, endTime, repeatStartDate, repeatEndDate, dueEnd, duration, hasDue, zvwID, "
                        "lastUpdate, isShared, stask, tz"),
         QStringLiteral("'x', 1e300, -1e300, 'abc', 9e15, x'00ff', 'abc', 2.9, 9223372036854775807, "
                        "-9223372036854775807, -1, 2, -5")},
        {"numbers far from 0 in every number column",
         QStringLiteral("taskType, isADE, hasDue, taskOrder, repeatType, isRepeatForever, hasDuration, duration, "
                        "calendarId, parentId, isInitialTask, isPinned, builtIn, isHidden, taskRepeatStyle, "
                        "zvwID, lastUpdate, status, hasChanges, isShared, tz, stask, delegateStatus"),
         QStringLiteral("7, -2, 3, -4, 5, 6, 7, -8, 999, 12, 13, 14, 15, 16, 17, 5000000018, 19, 20, 21, 22, 23, "
                        "24, 25")},
        {"the new-item key", QStringLiteral("taskType, startTime"), QStringLiteral("0, %1").arg(start)},
    };
    QList<qint64> keys;
    for (qsizetype i = 0; i < cases.size(); ++i) {
        const qint64 key = i + 1 == cases.size() ? -1 : 100 + i;
        const Case& c = cases.at(i);
        exec(c.columns.isEmpty() ? QStringLiteral("INSERT INTO Tasks (primaryKey) VALUES (%1)").arg(key)
                                 : QStringLiteral("INSERT INTO Tasks (primaryKey, %1) VALUES (%2, %3)")
                                       .arg(c.columns)
                                       .arg(key)
                                       .arg(c.values));
        keys.append(key);
    }
    // All rows through one statement each way, so the texts a row shares with
    // the one before are taken from the context as a load takes them.
    LogCapture outsideDates;
    RecordGuard guard;
    sqlite3_stmt* statement = nullptr;
    const QByteArray sql = Task::selectRowsSql("ORDER BY primaryKey DESC");
    ASSERT_EQ(sqlite3_prepare_v2(db(), sql.constData(), -1, &statement, nullptr), SQLITE_OK);
    TaskRowContext direct(Clock::now());
    TaskRowContext throughSetters(Clock::now());
    int rows = 0;
    while (sqlite3_step(statement) == SQLITE_ROW) {
        const TaskPtr read = Task::fromRow(statement, direct);
        const TaskPtr expected = Task::fromRowThroughSetters(statement, throughSetters);
        const qsizetype index = keys.indexOf(read->primaryKey());
        const char* what = index >= 0 ? cases.at(index).what : "an unknown row";
        const QStringList got = fieldsOf(*read);
        const QStringList want = fieldsOf(*expected);
        for (qsizetype f = 0; f < want.size(); ++f)
            EXPECT_EQ(got.at(f), want.at(f)) << what << ", field " << f;
        ++rows;
    }
    sqlite3_finalize(statement);
    EXPECT_EQ(rows, cases.size());
}

}  // namespace
