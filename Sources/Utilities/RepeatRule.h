#pragma once

#include "Date.h"

#include <QList>
#include <QString>
#include <QtGlobal>

// The repeat rule of an item: its type and the options text it stores as
// "%ld/%@/%ld" (interval, weekday numbers joined by "|", monthly flag).
struct RepeatRule {
    enum Type : qint64 { None = 0, Daily = 1, Weekly = 2, Monthly = 3, Yearly = 4 };

    qint64 repeatType = None;  // any other positive value repeats nothing past the first occurrence
    qint64 interval = 1;       // every n days, weeks, months or years; at least 1
    // Weekly rules: 1 = Sunday .. 7 = Saturday, ascending and without
    // duplicates; empty means the weekday of the first occurrence.
    QList<int> weekdays;
    // Monthly rules: 0 repeats on the same day of the month, any other value
    // on the same weekday of the month (the second Tuesday ...).
    qint64 monthlyFlag = 0;

    // A null or empty text gives interval 1, no weekdays and flag 0; missing
    // parts keep those defaults. Weekdays are read as numbers, whatever order
    // or repeats the text has; numbers outside 1-7 are ignored.
    static RepeatRule fromOptions(qint64 repeatType, const QString& options);
    QString options() const;

    bool isMonthlyByWeekday() const { return repeatType == Monthly && monthlyFlag != 0; }
    // The rule with the weekday `from` moved to `to`, the list kept in order.
    RepeatRule withWeekdayReplaced(int from, int to) const;
    // The rule with every weekday moved by the days (either way), as a
    // series moved by whole days moves all of its occurrences.
    RepeatRule withWeekdaysMovedBy(qint64 days) const;
    // The options of a weekly series on the one weekday of its start whose
    // start moved from `former` to `start`: the weekday moves with it,
    // unless the options are no longer the stored ones (another weekday was
    // chosen). Kept, it would leave the later occurrences where they were
    // and only the moved one on its new day.
    static QString optionsMovedWithStart(qint64 repeatType, const QString& options, const QString& storedOptions,
                                         const Date& former, const Date& start);

    bool operator==(const RepeatRule&) const = default;
};
