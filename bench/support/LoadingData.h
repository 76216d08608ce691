#pragma once

// The loading benchmark's data: 50,000 items over five years in ten
// categories (two of them hidden), of which 2,000 are repeating event series
// with some detached occurrences. Written into an open database that has the
// template's tables and every upgrade, in one transaction; the template's
// categories are replaced. Header-only, shared by the loading benchmark and
// the start-up timing.
#include "GregorianCalendar.h"
#include "RecordStore.h"
#include "Utilities.h"

#include <QList>
#include <QRandomGenerator>
#include <QString>

#include <cstdio>
#include <cstdlib>

#include <sqlite3.h>

namespace LoadingData {

constexpr int itemCount = 50000;
constexpr int seriesCount = 2000;
constexpr int detachedCount = 600;
constexpr int categoryCount = 10;
constexpr int hiddenCategoryCount = 2;
constexpr int firstYear = 2012;
constexpr int yearSpan = 5;

// The month the loading benchmark's views show: June 2014, "now" in the
// middle of it.
inline Date now() { return GregorianCalendar::dateFromFields(2014, 6, 15, 10, 0, 0); }

inline void exec(sqlite3* db, const QByteArray& sql)
{
    char* error = nullptr;
    if (sqlite3_exec(db, sql.constData(), nullptr, nullptr, &error) != SQLITE_OK) {
        std::fprintf(stderr, "%s in %s\n", error ? error : "", sql.constData());
        std::exit(1);
    }
}

class Writer {
public:
    // Another item count scales the series and their detached rows with it,
    // so that a benchmark can show how a cost grows.
    explicit Writer(sqlite3* db, int items = itemCount)
        : m_db(db),
          m_items(items),
          m_series(int(qint64(seriesCount) * items / itemCount)),
          m_detached(int(qint64(detachedCount) * items / itemCount))
    {
    }

    void write()
    {
        exec(m_db, "BEGIN");
        insertCategories();
        insertItems();
        exec(m_db, "COMMIT");
    }

private:
    // One row's values, in the order of the INSERT below.
    struct Row {
        qint64 taskType = 1;
        qint64 isADE = 0;
        QString name;
        Date start;
        qint64 minutes = 60;
        qint64 repeatType = 0;
        QString repeatOptions = QStringLiteral("1//0");
        QString repeatExceptions;
        qint64 isRepeatForever = 1;
        Date repeatEnd;
        qint64 calendarId = 1;
        qint64 parentId = -1;
        Date occurrence;
        qint64 status = 0;
        QString tags;
        QString notes;
        QString alerts;
        qint64 zvwID = 0;
    };

    static double stored(const Date& date) { return Utilities::toDBDate(date).timeIntervalSince1970(); }

    void insertCategories()
    {
        exec(m_db, "DELETE FROM Calendars");
        for (int i = 1; i <= categoryCount; ++i) {
            const int hidden = i > categoryCount - hiddenCategoryCount ? 1 : 0;
            exec(m_db, QStringLiteral("INSERT INTO Calendars (primaryKey, calendarName, calendarOrder, inVisible, "
                                      "tagList) VALUES (%1, 'Category %1', %1, %2, '%3')")
                           .arg(i)
                           .arg(hidden)
                           .arg(i % 3 == 0 ? QStringLiteral("/Work") : QString())
                           .toUtf8());
        }
    }

    void insertItems()
    {
        sqlite3_stmt* insert = nullptr;
        sqlite3_prepare_v2(m_db,
                           "INSERT INTO Tasks (taskType, isADE, taskName, taskLocation, startTime, endTime, dueEnd, "
                           "dateUpdate, completedDate, hasDue, taskOrder, repeatType, repeatStartDate, repeatEndDate, "
                           "repeatOptions, repeatExceptions, isRepeatForever, hasDuration, duration, calendarId, "
                           "parentId, alertValues, iCalIdentifier, zvwID, status, url, occurrence, tagList, "
                           "hasChanges, notes, tz, assigneeEmail, delegateDate) "
                           "VALUES (?,?,?,'',?,?,?,?,?,?,?,?,?,?,?,?,?,1,?,?,?,?,'',?,?,'',?,?,0,?,0,'',0)",
                           -1, &insert, nullptr);
        QList<qint64> seriesKeys;
        for (int i = 0; i < m_items - m_detached; ++i) {
            const Row row = i < m_series ? seriesRow(i) : plainRow(i);
            bindAndStep(insert, row, i);
            if (i < m_series) seriesKeys.append(sqlite3_last_insert_rowid(m_db));
        }
        for (int i = 0; i < m_detached; ++i) bindAndStep(insert, detachedRow(seriesKeys.at(i * 3)), i);
        sqlite3_finalize(insert);
    }

    Date randomStart()
    {
        const int dayIndex = int(m_random.bounded(yearSpan * 365));
        return GregorianCalendar::dateFromFields(firstYear, 1, 1 + dayIndex, 7 + m_random.bounded(12),
                                                 m_random.bounded(4) * 15, 0);
    }

    Row plainRow(int i)
    {
        Row row;
        const int kind = int(m_random.bounded(100));
        row.taskType = kind < 40 ? 0 : kind < 80 ? 1 : 3;
        row.isADE = row.taskType == 0 && kind < 8 ? 1 : 0;
        row.name = QStringLiteral("Item %1 of the organizer").arg(i);
        row.start = randomStart();
        row.minutes = 30 + m_random.bounded(4) * 30;
        row.calendarId = 1 + m_random.bounded(categoryCount);
        row.status = row.taskType == 1 && row.start < now() && m_random.bounded(3) != 0 ? 1 : 0;
        row.tags = i % 5 == 0 ? QStringLiteral("/Home/Errands") : QString();
        row.notes = i % 3 == 0 ? QStringLiteral("Remember to bring the papers and call back before noon.") : QString();
        row.alerts = i % 4 == 0 ? QStringLiteral("/1|-900|Glass") : QString();
        row.zvwID = i % 2 == 0 ? 100000 + i : 0;
        return row;
    }

    Row seriesRow(int i)
    {
        Row row;
        row.taskType = 0;
        row.name = QStringLiteral("Series %1").arg(i);
        row.start = randomStart();
        row.repeatType = 1 + i % 4;
        if (row.repeatType == 2) row.repeatOptions = QStringLiteral("1/2|4/0");
        if (row.repeatType == 3 && i % 8 == 3) row.repeatOptions = QStringLiteral("1//1");
        row.isRepeatForever = i % 2;
        row.repeatEnd = row.isRepeatForever ? Date() : Utilities::newDateFromDate(row.start, 200.0 * 86400);
        row.calendarId = 1 + m_random.bounded(categoryCount);
        row.alerts = QStringLiteral("/1|-600|Glass");
        return row;
    }

    // A changed occurrence of a series: its own row, listed in no exceptions.
    Row detachedRow(qint64 parentId)
    {
        Row row;
        row.taskType = 0;
        row.name = QStringLiteral("Moved occurrence");
        row.start = randomStart();
        row.occurrence = row.start;
        row.parentId = parentId;
        row.calendarId = 1 + m_random.bounded(categoryCount);
        return row;
    }

    void bindAndStep(sqlite3_stmt* insert, const Row& row, int order)
    {
        using namespace RecordStore;
        const Date end = Utilities::newDateFromDate(row.start, double(row.minutes * 60));
        int c = 1;
        bindInt64(insert, c++, row.taskType);
        bindInt64(insert, c++, row.isADE);
        bindText(insert, c++, row.name);
        bindDouble(insert, c++, stored(row.start));
        bindDouble(insert, c++, stored(end));
        bindDouble(insert, c++, stored(end));
        bindDouble(insert, c++, stored(now()));
        bindDouble(insert, c++, row.status ? stored(end) : 0);
        bindInt64(insert, c++, row.taskType == 1 ? 1 : 0);
        bindInt64(insert, c++, order);
        bindInt64(insert, c++, row.repeatType);
        bindDouble(insert, c++, stored(row.start));
        bindDouble(insert, c++, row.repeatEnd ? stored(row.repeatEnd) : 0);
        bindText(insert, c++, row.repeatOptions);
        bindText(insert, c++, row.repeatExceptions);
        bindInt64(insert, c++, row.isRepeatForever);
        bindInt64(insert, c++, row.minutes);
        bindInt64(insert, c++, row.calendarId);
        bindInt64(insert, c++, row.parentId);
        bindText(insert, c++, row.alerts);
        bindInt64(insert, c++, row.zvwID);
        bindInt64(insert, c++, row.status);
        bindDouble(insert, c++, row.occurrence ? stored(row.occurrence) : 0);
        bindText(insert, c++, row.tags);
        bindText(insert, c++, row.notes);
        if (sqlite3_step(insert) != SQLITE_DONE) std::exit(1);
        sqlite3_reset(insert);
    }

    sqlite3* m_db;
    int m_items;
    int m_series;
    int m_detached;
    QRandomGenerator m_random{20140615};
};

}  // namespace LoadingData
