#include "RepeatRule.h"

#include "Utilities.h"

#include <QStringList>

#include <algorithm>

namespace {

// 0 for a missing part or one that is not a number.
qint64 integerOf(QStringView text)
{
    return text.trimmed().toLongLong();
}

QList<int> sortedWeekdays(QList<int> weekdays)
{
    std::sort(weekdays.begin(), weekdays.end());
    weekdays.erase(std::unique(weekdays.begin(), weekdays.end()), weekdays.end());
    return weekdays;
}

QList<int> weekdaysOf(QStringView text)
{
    QList<int> weekdays;
    for (const QStringView entry : text.split(u'|')) {
        const qint64 weekday = integerOf(entry);
        if (weekday >= 1 && weekday <= 7) weekdays.append(static_cast<int>(weekday));
    }
    return sortedWeekdays(weekdays);
}

}  // namespace

RepeatRule RepeatRule::fromOptions(qint64 repeatType, const QString& options)
{
    RepeatRule rule;
    rule.repeatType = repeatType;
    const QList<QStringView> parts = QStringView(options).split(u'/');
    rule.interval = std::max<qint64>(1, integerOf(parts.value(0)));
    rule.weekdays = weekdaysOf(parts.value(1));
    rule.monthlyFlag = integerOf(parts.value(2));
    return rule;
}

QString RepeatRule::options() const
{
    QStringList days;
    days.reserve(weekdays.size());
    for (const int weekday : weekdays) days.append(QString::number(weekday));
    return QString::number(std::max<qint64>(1, interval)) + u'/' + days.join(u'|') + u'/' +
           QString::number(monthlyFlag);
}

RepeatRule RepeatRule::withWeekdaysMovedBy(qint64 days) const
{
    RepeatRule rule = *this;
    for (int& weekday : rule.weekdays) weekday = int(((weekday - 1 + days) % 7 + 7) % 7) + 1;
    rule.weekdays = sortedWeekdays(rule.weekdays);
    return rule;
}

QString RepeatRule::optionsMovedWithStart(qint64 repeatType, const QString& options, const QString& storedOptions,
                                          const Date& former, const Date& start)
{
    if (repeatType != Weekly || options != storedOptions || former.isNull() || start.isNull()) return options;
    const RepeatRule rule = fromOptions(repeatType, options);
    // Several weekdays stay: some of them may still be days of the moved
    // series, where its changed and deleted occurrences stay too.
    if (rule.weekdays != QList<int>{int(Utilities::getWeekday(former))}) return options;
    const qint64 days = Utilities::daysBetweenTwoDates(former, start) - 1;
    return days % 7 == 0 ? options : rule.withWeekdaysMovedBy(days).options();
}

RepeatRule RepeatRule::withWeekdayReplaced(int from, int to) const
{
    RepeatRule rule = *this;
    std::replace(rule.weekdays.begin(), rule.weekdays.end(), from, to);
    rule.weekdays = sortedWeekdays(rule.weekdays);
    return rule;
}
