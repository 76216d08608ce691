#pragma once

#include "TaskTestFixture.h"

#include <QList>
#include <QVariant>

#include <gtest/gtest.h>

#include <initializer_list>
#include <utility>

// Items written straight into table Tasks, column by column, so that a test
// controls every stored value (NULL texts, keys above 2^31, stamps) without
// the record's own normalisation; and the means to compare what comes back.
class ItemRowsTest : public TaskTest {
protected:
    using Column = std::pair<const char*, QVariant>;

    // Inserts a row with the given columns (the table's defaults for the
    // others) and answers its key.
    qint64 row(std::initializer_list<Column> columns)
    {
        QStringList names;
        QStringList marks;
        for (const Column& column : columns) {
            names.append(QString::fromLatin1(column.first));
            marks.append(QStringLiteral("?"));
        }
        const QByteArray sql =
            QStringLiteral("INSERT INTO Tasks (%1) VALUES (%2)").arg(names.join(u','), marks.join(u',')).toUtf8();
        sqlite3_stmt* statement = nullptr;
        EXPECT_EQ(sqlite3_prepare_v2(db(), sql.constData(), -1, &statement, nullptr), SQLITE_OK) << sql.constData();
        int index = 1;
        for (const Column& column : columns) bindVariant(statement, index++, column.second);
        EXPECT_EQ(sqlite3_step(statement), SQLITE_DONE);
        sqlite3_finalize(statement);
        return sqlite3_last_insert_rowid(db());
    }

    // The stored form of a local wall-clock time, as a column value.
    static QVariant at(int year, int month, int day, int hour = 0, int minute = 0, int second = 0)
    {
        return storedSeconds(localDate(year, month, day, hour, minute, second));
    }

    static QList<qint64> keysOf(const TaskList& items)
    {
        QList<qint64> keys;
        for (const TaskPtr& item : items) keys.append(item->primaryKey());
        return keys;
    }

    static QList<qint64> sorted(QList<qint64> keys)
    {
        std::sort(keys.begin(), keys.end());
        return keys;
    }

    // Every stored field of the record, its key and its change flags.
    static QVariantList fieldsOf(const Task& item)
    {
        const auto date = [](const Date& d) { return d.isNull() ? QVariant() : QVariant(d.timeIntervalSince1970()); };
        return {item.primaryKey(),     item.taskType(),        item.isADE(),          item.taskName(),
                item.taskLocation(),   date(item.startTime()), date(item.endTime()),  date(item.dueEnd()),
                date(item.dateUpdate()), date(item.completedDate()), item.hasDue(),   item.taskOrder(),
                item.repeatType(),     date(item.repeatStartDate()), date(item.repeatEndDate()),
                item.repeatOptions(),  item.repeatExceptions(), item.isRepeatForever(), item.hasDuration(),
                item.duration(),       item.calendarId(),      item.parentId(),       item.isInitialTask(),
                item.isPinned(),       item.alertValues(),     item.iCalUID(),        item.builtIn(),
                item.isHidden(),       item.taskRepeatStyle(), item.zvwID(),          item.lastUpdate(),
                item.status(),         item.url(),             date(item.occurrence()), item.tagList(),
                item.hasChanges(),     item.notes(),           item.isShared(),       item.tz(),
                item.isSheduledTask(), item.assigneeEmail(),   item.delegateStatus(), date(item.delegateDate()),
                item.dirty()};
    }

private:
    static void bindVariant(sqlite3_stmt* statement, int index, const QVariant& value)
    {
        switch (value.typeId()) {
        case QMetaType::Double: sqlite3_bind_double(statement, index, value.toDouble()); break;
        case QMetaType::QString: {
            const QByteArray text = value.toString().toUtf8();
            sqlite3_bind_text(statement, index, text.constData(), int(text.size()), SQLITE_TRANSIENT);
            break;
        }
        case QMetaType::UnknownType: sqlite3_bind_null(statement, index); break;
        default: sqlite3_bind_int64(statement, index, value.toLongLong()); break;
        }
    }
};
