// The small texts an item keeps inside its columns (repeat options, repeat
// exceptions, alert list) and the item's next alarm.
#include "Task.h"

#include "Clock.h"
#include "CoreData.h"
#include "GregorianCalendar.h"
#include "RecurrenceExpander.h"
#include "Setting.h"
#include "Utilities.h"

namespace {

bool isAbsoluteAlert(const AlertObj& alert)
{
    return alert.alertType() == 0 || alert.alertType() == 2;
}

// An absolute alert added by a snooze in the alarm dialog.
bool isSnoozeAlert(const AlertObj& alert)
{
    return alert.alertType() == 2;
}

std::shared_ptr<AlertObj> copyOfAlert(const AlertObj& alert)
{
    auto copy = std::make_shared<AlertObj>();
    copy->setAlertType(alert.alertType());
    copy->setRelativeOffset(alert.relativeOffset());
    copy->setAbsoluteDate(alert.absoluteDate());
    copy->setSoundName(alert.soundName());
    return copy;
}

// The base of a relative alert of a repeating event: the series' own start
// while it lies ahead, else the occurrence whose alarm is the next to come.
// No base (the alert never fires) when the series has nothing ahead.
Date repeatingEventAlertBase(const TaskPtr& item, qint64 offset, const Date& now)
{
    if (item->startTime() > now) return item->startTime();
    const CoreData* dataManager = CoreData::shared();
    if (!dataManager) return {};
    const Date from = Utilities::newDateFromDate(now, double(offset));
    TaskList instances;
    dataManager->fillRepeatEventInstances({item}, instances, from, from);
    if (instances.isEmpty()) return {};
    // The series' first occurrence stands last among its instances.
    TaskPtr first = instances.first();
    for (const TaskPtr& instance : instances)
        if (instance->startTime() < first->startTime()) first = instance;
    if (Utilities::newDateFromDate(first->startTime(), double(offset)) > now) return first->startTime();
    const TaskPtr next = dataManager->nextInstanceOfRecuringTask(first);
    return next ? next->startTime() : Date();
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
    return RecurrenceExpander::isExcepted(m_repeatExceptions, occurrence);
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

Task::AlarmPass::AlarmPass()
    : m_now(Clock::now())
    // Alarms are scheduled up to the turn of next year; the list is rebuilt long before.
    , m_limit(Utilities::dateWithNewYearOffset(m_now, 1))
{
    const CoreData* dataManager = CoreData::shared();
    const SettingPtr setting = dataManager ? dataManager->currentSetting() : nullptr;
    m_zones = setting && setting->tzSupport();
}

QTimeZone Task::AlarmPass::ownZone(const Task& item)
{
    // Without zone support only times held in UTC or in their file's zone
    // are another zone's.
    if (item.m_taskType != 0 || item.m_tz == 0 || (!m_zones && item.m_tz != CoreData::utcZoneId && !item.m_heldInFileZone))
        return {};
    auto known = m_ownZones.find(item.m_tz);
    if (known == m_ownZones.end()) {
        const CoreData* dataManager = CoreData::shared();
        QTimeZone zone = dataManager ? GregorianCalendar::zoneNamed(dataManager->getTimeZoneName(item.m_tz)) : QTimeZone();
        if (zone == GregorianCalendar::systemZone()) zone = QTimeZone();
        known = m_ownZones.insert(item.m_tz, zone);
    }
    return *known;
}

const QList<std::shared_ptr<const AlertObj>>& Task::AlarmPass::alertsOf(const Task& item)
{
    auto known = m_alerts.find(item.m_alertValues);
    if (known == m_alerts.end()) {
        QList<std::shared_ptr<const AlertObj>> alerts;
        for (const std::shared_ptr<AlertObj>& alert : item.createAlertList()) alerts.append(alert);
        known = m_alerts.insert(item.m_alertValues, alerts);
    }
    return *known;
}

std::shared_ptr<LocalNotification> Task::nextAlarmDate()
{
    if (m_status == 1 || m_alertValues.isEmpty()) return nullptr;
    AlarmPass pass;
    return nextAlarmDate(pass);
}

std::shared_ptr<LocalNotification> Task::nextAlarmDate(AlarmPass& pass)
{
    if (m_status == 1 || m_alertValues.isEmpty()) return nullptr;
    const Date& now = pass.now();
    Date limit = pass.limit();
    // An event's own times are its zone's wall times; its alarms ring at the
    // instant they name, so the comparisons with its start take now in its
    // zone, and a fire time goes to the machine's clock.
    const QTimeZone own = pass.ownZone(*this);
    const QTimeZone machine = GregorianCalendar::systemZone();
    const Date ownNow = own.isValid() ? GregorianCalendar::wallTimeInZone(now, machine, own) : now;
    const auto onMachineClock = [&](const Date& ownTime) {
        return own.isValid() ? GregorianCalendar::wallTimeInZone(ownTime, own, machine) : ownTime;
    };

    Date base;
    bool basePerAlert = false;
    bool started = false;
    if (m_taskType == 1) {
        if (m_hasDue != 1) return nullptr;
        base = m_dueEnd;
    } else if (m_taskType == 0) {
        const bool storedOccurrence = m_parentId != -1 && m_primaryKey >= 0;
        if (m_repeatType == 0 || storedOccurrence) {
            // Once the event has begun its own alerts are over, but a snooze
            // the person asked for comes back at its time all the same.
            started = m_startTime < ownNow;
            base = m_startTime;
        } else {
            basePerAlert = true;
        }
    } else {
        return nullptr;
    }

    std::shared_ptr<LocalNotification> alarm;
    const std::shared_ptr<const AlertObj>* chosen = nullptr;
    for (const std::shared_ptr<const AlertObj>& alert : pass.alertsOf(*this)) {
        if (started && !isSnoozeAlert(*alert)) continue;
        Date fire;
        if (isAbsoluteAlert(*alert)) {
            fire = alert->absoluteDate();
        } else {
            if (basePerAlert) base = repeatingEventAlertBase(shared_from_this(), alert->relativeOffset(), ownNow);
            // An occurrence-less base gives the zero date, which never fires.
            // Days before keep the start's clock time; minutes and hours are
            // time that elapses: read on the clock, an alert a minute before
            // 03:00 on the spring change's day fell in the skipped hour, was
            // taken an hour later, after the start, and never rang.
            const qint64 offset = alert->relativeOffset();
            const Date before = offset % 86400 == 0 ? Utilities::newDateFromDate(base, double(offset))
                                                    : Utilities::dateByAddTimeInterval(double(offset), base);
            fire = base ? onMachineClock(before) : Date::dateWithTimeIntervalSince1970(0);
        }
        // The earliest alarm ahead wins; of equal ones the first in the list.
        if (!(fire > now && fire < limit)) continue;
        limit = fire;
        alarm = std::make_shared<LocalNotification>();
        alarm->setTask(shared_from_this());
        alarm->setDateFire(fire);
        alarm->setDateStart(base);
        chosen = &alert;
    }
    // The alarm has an alert of its own: the pass's are shared by its items.
    if (alarm) alarm->setAlertObj(copyOfAlert(**chosen));
    return alarm;
}
