// The small texts an item keeps inside its columns (repeat options, repeat
// exceptions, alert list) and the item's next alarm.
#include "Task.h"

#include "Clock.h"
#include "Utilities.h"

namespace {

bool isAbsoluteAlert(const AlertObj& alert)
{
    return alert.alertType() == 0 || alert.alertType() == 2;
}

// The base of a relative alert of a repeating event: the series' own start
// while it lies ahead.
Date repeatingEventAlertBase(const Date& startTime, const Date& now)
{
    if (startTime > now) return startTime;
    // Recurrence expansion plugs in here: expand the event alone from now
    // plus the alert's offset, take the first instance's start (or, when its
    // alarm would not lie ahead, the start of the next instance after it) as
    // the base. Until then such an alert has no base and fires nothing.
    return {};
}

}  // namespace

QString Task::RepeatOptions::text() const
{
    return QString::number(interval) % QLatin1Char('/') % weekdays % QLatin1Char('/') % QString::number(flag);
}

Task::RepeatOptions Task::readRepeatOptions(const QString& text)
{
    RepeatOptions options;
    if (text.isEmpty()) return options;
    const QStringList parts = text.split(QLatin1Char('/'));
    options.interval = std::max<qint64>(1, parts.value(0).trimmed().toLongLong());
    options.weekdays = parts.value(1);
    options.flag = parts.value(2).trimmed().toLongLong();
    return options;
}

QString Task::storedDateText(const Date& date)
{
    return QString::asprintf("%0.0f", Utilities::toDBDate(date).timeIntervalSince1970());
}

bool Task::isExceptedOccurrence(const Date& occurrence) const
{
    return m_repeatExceptions.contains(storedDateText(occurrence));
}

void Task::addRepeatException(const Date& occurrence, RepeatException kind)
{
    setRepeatExceptions(m_repeatExceptions % QLatin1Char('|') % storedDateText(occurrence) % QLatin1Char('(')
                        % QString::number(qint64(kind)) % QLatin1Char(')'));
}

QList<std::shared_ptr<AlertObj>> Task::createAlertList() const
{
    QList<std::shared_ptr<AlertObj>> alerts;
    const QStringList pieces = m_alertValues.split(QLatin1Char('/'));
    if (pieces.size() < 2) return alerts;
    alerts.reserve(pieces.size() - 1);
    for (qsizetype index = 1; index < pieces.size(); ++index)
        alerts.append(Utilities::getAlertFromList(pieces, index));
    return alerts;
}

void Task::updateAlertList(const QList<std::shared_ptr<AlertObj>>& list)
{
    setAlertValues(Utilities::updateAlertList(list));
}

std::shared_ptr<LocalNotification> Task::nextAlarmDate()
{
    if (m_status == 1 || m_alertValues.isEmpty()) return nullptr;
    const Date now = Clock::now();
    // Alarms are scheduled up to the turn of next year; the list is rebuilt long before.
    Date limit = Utilities::dateWithNewYearOffset(now, 1);

    Date base;
    bool basePerAlert = false;
    if (m_taskType == 1) {
        if (m_hasDue != 1) return nullptr;
        base = m_dueEnd;
    } else if (m_taskType == 0) {
        const bool storedOccurrence = m_parentId != -1 && m_primaryKey >= 0;
        if (m_repeatType == 0 || storedOccurrence) {
            if (m_startTime < now) return nullptr;
            base = m_startTime;
        } else {
            basePerAlert = true;
        }
    } else {
        return nullptr;
    }

    std::shared_ptr<LocalNotification> alarm;
    for (const std::shared_ptr<AlertObj>& alert : createAlertList()) {
        Date fire;
        if (isAbsoluteAlert(*alert)) {
            fire = alert->absoluteDate();
        } else {
            if (basePerAlert) base = repeatingEventAlertBase(m_startTime, now);
            fire = Utilities::newDateFromDate(base, double(alert->relativeOffset()));
        }
        // The earliest alarm ahead wins; of equal ones the first in the list.
        if (!(fire > now && fire < limit)) continue;
        limit = fire;
        alarm = std::make_shared<LocalNotification>();
        alarm->setTask(shared_from_this());
        alarm->setDateFire(fire);
        alarm->setDateStart(base);
        alarm->setAlertObj(alert);
    }
    return alarm;
}
