// The item record: one dated item as the web service carries it, read into
// a new item and written from a stored one.
#include "ZVWSync.h"

#include "Calendar.h"
#include "CoreData.h"
#include "GregorianCalendar.h"
#include "Setting.h"
#include "Task.h"
#include "Utilities.h"
#include "ZVWReply.h"

#include <QJsonValue>

#include <algorithm>

namespace {

constexpr double week = 604800.0;

// Flags come as numbers, numeric texts or JSON booleans; anything else is absent.
std::optional<qint64> flagOf(const QJsonObject& record, const QString& key)
{
    const QJsonValue value = record.value(key);
    if (value.isBool()) return value.toBool() ? 1 : 0;
    const std::optional<qint64> number = ZVWReply::integer(record, key);
    if (!number) return std::nullopt;
    return *number != 0 ? 1 : 0;
}

// A time of the record: whole seconds of the stored form within the
// calendar, read back as a date; anything else is absent.
std::optional<Date> storedTimeOf(const QJsonObject& record, const QString& key)
{
    const std::optional<qint64> seconds = ZVWReply::integer(record, key);
    if (!seconds || !Date::isWithinCalendar(double(*seconds))) return std::nullopt;
    const Date date = Utilities::fromDBDate(Date::dateWithTimeIntervalSince1970(double(*seconds)));
    if (date.isNull() || !Date::isWithinCalendar(date.timeIntervalSince1970())) return std::nullopt;
    return date;
}

// The stored form of a date in whole seconds; 0 for no date.
qint64 storedSeconds(const Date& date)
{
    if (date.isNull()) return 0;
    return qint64(Utilities::toDBDate(date).timeIntervalSince1970());
}

qint64 itemKindOf(qint64 serviceType)
{
    switch (serviceType) {
    case 1: return ItemKind::Note;
    case 2: return ItemKind::Task;
    case 3: return ItemKind::Event;
    case 4: return ItemKind::ChecklistItem;
    default: return ItemKind::Task;
    }
}

qint64 serviceTypeOf(qint64 itemKind)
{
    switch (itemKind) {
    case ItemKind::Task: return 2;
    case ItemKind::Event: return 3;
    case ItemKind::ChecklistItem: return 4;
    case ItemKind::Note: return 1;
    default: return 2;
    }
}

qint64 repeatTypeOf(const QString& letter)
{
    if (letter == QStringLiteral("D")) return 1;
    if (letter == QStringLiteral("W")) return 2;
    if (letter == QStringLiteral("M")) return 3;
    if (letter == QStringLiteral("Y")) return 4;
    return 0;
}

// A weekday mask is seven characters "0" or "1", Sunday first.
bool isWeekdayMask(const QString& mask)
{
    return mask.size() == 7
           && std::all_of(mask.cbegin(), mask.cend(), [](QChar c) { return c == QLatin1Char('0') || c == QLatin1Char('1'); });
}

QString weekdayListOf(const QString& mask)
{
    QStringList days;
    for (qsizetype position = 0; position < mask.size(); ++position)
        if (mask.at(position) == QLatin1Char('1')) days.append(QString::number(position + 1));
    return days.join(QLatin1Char('|'));
}

QString weekdayMaskOf(const QString& weekdays)
{
    QString mask(7, QLatin1Char('0'));
    for (const QString& day : weekdays.split(QLatin1Char('|'), Qt::SkipEmptyParts)) {
        bool ok = false;
        const qint64 number = day.trimmed().toLongLong(&ok);
        // A weekday without a place in the mask is left out.
        if (ok && number >= 1 && number <= 7) mask[number - 1] = QLatin1Char('1');
    }
    return mask;
}

// The date in the start's month with weekday `weekday` and the start's
// weekday ordinal, at the start's hour and minute.
Date sameOrdinalWeekday(const Date& start, qint64 weekday)
{
    const DateFields fields = GregorianCalendar::fields(start);
    const Date first = GregorianCalendar::dateFromFields(fields.year, fields.month, 1, 0, 0, 0);
    const qint64 firstWeekday = Utilities::getWeekday(first);
    const qint64 day = 1 + (weekday - firstWeekday + 7) % 7 + (fields.weekdayOrdinal - 1) * 7;
    return GregorianCalendar::dateFromFields(fields.year, fields.month, day, fields.hour, fields.minute, 0);
}

// A weekly series whose start is not on one of its weekdays starts on one.
void moveStartOntoWeekday(Task& item, QString& weekdays, qint64 interval)
{
    const Date start = item.startTime();
    if (start.isNull()) return;
    const QString startDay = QString::number(Utilities::getWeekday(start));
    if (weekdays.isEmpty()) weekdays = startDay;
    if (weekdays.contains(startDay)) return;

    QList<qint64> days;
    for (const QString& day : weekdays.split(QLatin1Char('|'), Qt::SkipEmptyParts)) days.append(day.toLongLong());
    std::sort(days.begin(), days.end());
    Date fallback;
    Date chosen;
    for (const qint64 day : std::as_const(days)) {
        const Date candidate = sameOrdinalWeekday(start, day);
        if (candidate.isNull()) continue;
        if (fallback.isNull()) fallback = candidate;
        if (candidate.timeIntervalSince1970() > start.timeIntervalSince1970()) chosen = candidate;
    }
    const double minutes = double(item.duration()) * 60.0;
    if (!chosen.isNull()) {
        item.setStartTime(chosen);
        item.setEndTime(Date::dateWithTimeIntervalSince1970(chosen.timeIntervalSince1970() + minutes));
        return;
    }
    if (fallback.isNull()) return;
    const double weeks = interval == 1 ? 1.0 : double(interval - 1);
    const Date moved = Date::dateWithTimeIntervalSince1970(fallback.timeIntervalSince1970() + weeks * week);
    item.setStartTime(moved);
    item.setRepeatStartDate(moved);
    item.setEndTime(Date::dateWithTimeIntervalSince1970(moved.timeIntervalSince1970() + minutes));
}

void readAlerts(Task& item, const QJsonValue& alerts)
{
    const bool keepsAlerts = item.taskType() == ItemKind::Event || (item.taskType() == ItemKind::Task && item.hasDue());
    if (!keepsAlerts) {
        item.setAlertValues(QStringLiteral(""));
        return;
    }
    if (!alerts.isArray()) return;
    QList<std::shared_ptr<AlertObj>> list;
    for (const QJsonValue& element : alerts.toArray()) {
        if (!element.isObject()) continue;
        auto alert = std::make_shared<AlertObj>();
        alert->setAlertType(1);
        if (const auto minutes = ZVWReply::integer32(element.toObject(), QStringLiteral("minutes")))
            alert->setRelativeOffset(-60 * *minutes);
        list.append(alert);
    }
    item.updateAlertList(list);
}

void readRepeat(Task& item, const QJsonObject& repeat)
{
    if (const auto type = ZVWReply::text(repeat, QStringLiteral("repeat_type"))) item.setRepeatType(repeatTypeOf(*type));
    const qint64 interval = std::max<qint64>(1, ZVWReply::integer32(repeat, QStringLiteral("repeat_interval")).value_or(1));
    QString weekdays;
    if (const auto mask = ZVWReply::text(repeat, QStringLiteral("repeat_flag")); mask && isWeekdayMask(*mask))
        weekdays = weekdayListOf(*mask);
    if (item.repeatType() == 2) moveStartOntoWeekday(item, weekdays, interval);
    if (item.repeatType() == 3)
        item.setRepeatOptions(QStringLiteral("%1//%2").arg(interval).arg(weekdays == QStringLiteral("1") ? 1 : 0));
    else
        item.setRepeatOptions(QStringLiteral("%1/%2/0").arg(interval).arg(weekdays));
    if (const auto byDue = flagOf(repeat, QStringLiteral("repeat_by_due"))) item.setTaskRepeatStyle(*byDue);
    if (const auto end = ZVWReply::integer(repeat, QStringLiteral("repeat_end"))) {
        if (*end == 0) {
            item.setIsRepeatForever(1);
        } else if (const auto date = storedTimeOf(repeat, QStringLiteral("repeat_end"))) {
            item.setIsRepeatForever(0);
            item.setRepeatEndDate(*date);
        }
    }
    const QJsonValue exceptions = repeat.value(QStringLiteral("repeat_exceptions"));
    if (!exceptions.isArray()) return;
    QString text = item.repeatExceptions();
    const qint64 hour = Utilities::getHour(item.startTime());
    const qint64 minute = Utilities::getMinute(item.startTime());
    for (const QJsonValue& element : exceptions.toArray()) {
        if (!element.isObject()) continue;
        const auto day = storedTimeOf(element.toObject(), QStringLiteral("exception_date"));
        if (!day) continue;
        const Date occurrence = Utilities::newDateOnDate(*day, hour, minute);
        if (occurrence.isNull()) continue;
        text += QLatin1Char('|') + Task::storedDateText(occurrence);
    }
    item.setRepeatExceptions(text);
}

void readDuration(Task& item, const QJsonObject& record, qint64 defaultTaskDuration)
{
    if (item.taskType() != ItemKind::Task) {
        // Other kinds take their length from their times.
        if (item.startTime().isNull() || item.endTime().isNull()) return;
        item.setDuration(qint64((item.endTime().timeIntervalSince1970() - item.startTime().timeIntervalSince1970()) / 60.0));
        item.setHasDuration(1);
        return;
    }
    const auto minutes = ZVWReply::integer32(record, QStringLiteral("duration"));
    if (!minutes) return;
    item.setDuration(*minutes);
    item.setHasDuration(*minutes > 0 ? 1 : 0);
    if (!item.hasDuration()) item.setDuration(defaultTaskDuration);
}

}  // namespace

Date ZVWSync::startAsReadBack(const Task& item)
{
    if (item.repeatType() != 2 || item.parentId() != -1) return item.startTime();
    const TaskPtr asRead = item.copy();
    const Task::RepeatOptions options = Task::readRepeatOptions(item.repeatOptions());
    // The weekdays as the record carries them, read back the same way.
    QString weekdays = weekdayListOf(weekdayMaskOf(options.weekdays));
    moveStartOntoWeekday(*asRead, weekdays, std::max<qint64>(1, options.interval));
    return asRead->startTime();
}

ZVWSync::ItemReading ZVWSync::itemReadingFromData()
{
    ItemReading reading;
    CoreData* dataManager = CoreData::shared();
    if (!dataManager) return reading;
    for (const CalendarPtr& category : dataManager->calendarList())
        if (category->zvwProjectId() != 0 && !reading.categoryKeys.contains(category->zvwProjectId()))
            reading.categoryKeys.insert(category->zvwProjectId(), category->primaryKey());
    if (const SettingPtr setting = dataManager->currentSetting()) {
        reading.userName = setting->zvwUserName();
        reading.defaultTaskDuration = setting->durationDefTaskVal();
    }
    return reading;
}

TaskPtr ZVWSync::itemFromRecord(const QJsonObject& record, const ItemReading& reading,
                                const std::function<TaskPtr(qint64)>& earlier)
{
    auto item = std::make_shared<Task>();
    if (const auto id = ZVWReply::integer(record, QStringLiteral("id"))) item->setZvwID(*id);
    if (const auto category = ZVWReply::integer(record, QStringLiteral("category_id")))
        item->setCalendarId(reading.categoryKeys.value(*category, 0));
    if (const auto group = ZVWReply::integer(record, QStringLiteral("group_id"))) {
        if (*group == 0) {
            item->setParentId(-1);
        } else {
            const TaskPtr parent = earlier ? earlier(*group) : nullptr;
            // A child read before its parent cannot name it yet.
            item->setParentId(parent ? parent->zvwID() : 0);
        }
    }
    if (const auto title = ZVWReply::text(record, QStringLiteral("title"))) item->setTaskName(ZVWReply::trimmedName(*title));
    if (const auto url = ZVWReply::text(record, QStringLiteral("url"))) item->setUrl(ZVWReply::trimmedName(*url));
    if (const auto location = ZVWReply::text(record, QStringLiteral("location")))
        item->setTaskLocation(ZVWReply::trimmedName(*location));
    if (const auto order = ZVWReply::integer(record, QStringLiteral("order_number"))) item->setTaskOrder(*order);
    if (const auto type = ZVWReply::integer32(record, QStringLiteral("task_type"))) item->setTaskType(itemKindOf(*type));
    if (const auto start = storedTimeOf(record, QStringLiteral("start_time"))) {
        item->setStartTime(*start);
        item->setRepeatStartDate(*start);
    }
    if (const auto end = storedTimeOf(record, QStringLiteral("end_time"))) {
        item->setEndTime(*end);
        item->setDueEnd(*end);
    }
    if (const auto zone = ZVWReply::integer32(record, QStringLiteral("timezone_key"))) item->setTz(*zone);
    if (const auto due = flagOf(record, QStringLiteral("due"))) item->setHasDue(*due);
    readDuration(*item, record, reading.defaultTaskDuration);
    if (const auto done = flagOf(record, QStringLiteral("completed"))) item->setStatus(*done);
    // 0 s is the stored form of "not done" (see commonRecord): the
    // organizer's own not-done date, not the stored form read as a time,
    // which lies an offset away from it and made every task read from the
    // service differ from its store copy.
    if (ZVWReply::integer(record, QStringLiteral("completed_date")) == 0)
        item->setCompletedDate(Date::dateWithTimeIntervalSince1970(0));
    else if (const auto completed = storedTimeOf(record, QStringLiteral("completed_date")))
        item->setCompletedDate(*completed);
    if (const auto star = flagOf(record, QStringLiteral("star"))) item->setIsPinned(*star);
    if (const auto allDay = flagOf(record, QStringLiteral("ade"))) item->setIsADE(*allDay);
    if (const auto stamp = ZVWReply::integer(record, QStringLiteral("last_update"))) item->setLastUpdate(*stamp);
    if (const auto tags = ZVWReply::text(record, QStringLiteral("tags"))) {
        const QString stored = ZVWReply::storedTagList(*tags);
        if (!stored.isEmpty()) item->setTagList(stored);
    }
    readAlerts(*item, record.value(QStringLiteral("alerts")));
    if (const QJsonValue repeat = record.value(QStringLiteral("repeat")); repeat.isObject()) readRepeat(*item, repeat.toObject());
    if (const auto notes = ZVWReply::text(record, QStringLiteral("content"))) item->setNotes(*notes);
    if (const auto shared = flagOf(record, QStringLiteral("shared"))) {
        item->setIsShared(*shared != 0);
        if (item->isShared() && item->repeatType() != 0 && item->occurrence().isNull())
            item->setOccurrence(item->startTime());
    }
    if (const auto scheduled = flagOf(record, QStringLiteral("stask"))) item->setIsSheduledTask(*scheduled != 0);
    if (const auto email = ZVWReply::text(record, QStringLiteral("assignee_email")))
        item->setAssigneeEmail(ZVWReply::trimmedName(*email));
    if (item->taskType() == ItemKind::Task && item->isShared() && !reading.userName.isEmpty()
        && item->assigneeEmail().compare(reading.userName, Qt::CaseInsensitive) == 0) {
        if (const auto order = ZVWReply::integer(record, QStringLiteral("assignee_order"))) item->setTaskOrder(*order);
    }
    if (item->taskType() == ItemKind::Task) {
        if (const auto status = ZVWReply::integer32(record, QStringLiteral("delegate_status"))) {
            if (*status == 0 || *status == 1) item->setDelegateStatus(*status);
            if (const auto shared = ZVWReply::integer(record, QStringLiteral("shared_date"));
                shared && Date::isWithinCalendar(double(*shared)))
                item->setDelegateDate(Date::dateWithTimeIntervalSince1970(double(*shared)));
        }
    } else if (item->taskType() == ItemKind::Event) {
        if (const auto invite = ZVWReply::integer32(record, QStringLiteral("meeting_invite_flag"));
            invite && *invite >= 0 && *invite <= 3)
            item->setDelegateStatus(*invite);
    }
    return item;
}

ZVWSync::ItemRecords ZVWSync::itemsFromRecords(const QJsonArray& elements, const ItemReading& reading)
{
    ItemRecords result;
    result.items.reserve(elements.size());
    // The first item read with a server id is the one a later "group_id"
    // names, as a walk of the list from its front finds it.
    QHash<qint64, TaskPtr> byId;
    byId.reserve(elements.size());
    const auto earlier = [&byId](qint64 id) { return byId.value(id); };
    for (const QJsonValue& element : elements) {
        if (!element.isObject() || element.toObject().contains(QStringLiteral("error"))) {
            ++result.refused;
            continue;
        }
        const QJsonObject record = element.toObject();
        // A record may name itself: it is in the list by then.
        const std::optional<qint64> ownId = ZVWReply::integer(record, QStringLiteral("id"));
        const auto lookUp = [&](qint64 id) -> TaskPtr {
            if (TaskPtr found = earlier(id)) return found;
            if (ownId && *ownId == id) {
                auto self = std::make_shared<Task>();
                self->setZvwID(id);
                return self;
            }
            return nullptr;
        };
        const TaskPtr item = itemFromRecord(record, reading, lookUp);
        if (!byId.contains(item->zvwID())) byId.insert(item->zvwID(), item);
        result.items.append(item);
    }
    return result;
}

QJsonArray ZVWSync::alertRecords(const Task& item)
{
    QJsonArray alerts;
    for (const std::shared_ptr<AlertObj>& alert : item.createAlertList()) {
        if (alert->alertType() != 1) continue;
        alerts.append(QJsonObject{{QStringLiteral("minutes"), -alert->relativeOffset() / 60},
                                  {QStringLiteral("alert_type"), QStringLiteral("P")}});
    }
    return alerts;
}

QJsonArray ZVWSync::exceptionRecords(const QString& repeatExceptions)
{
    QJsonArray exceptions;
    QStringList entries = repeatExceptions.split(QLatin1Char('|'));
    if (entries.size() < 2) return exceptions;
    entries.removeFirst();
    for (QString entry : std::as_const(entries)) {
        // Only a kind marker is cut; an entry without one goes whole.
        if (entry.endsWith(QStringLiteral("(1)")) || entry.endsWith(QStringLiteral("(2)"))) entry.chop(3);
        if (entry.isEmpty()) continue;
        exceptions.append(QJsonObject{{QStringLiteral("exception_date"), entry}});
    }
    return exceptions;
}

QJsonObject ZVWSync::repeatRecord(const Task& item)
{
    QJsonObject repeat;
    if (item.repeatType() == 0 || item.parentId() != -1) return repeat;
    static const char* const letters[] = {"", "D", "W", "M", "Y"};
    if (item.repeatType() >= 1 && item.repeatType() <= 4)
        repeat.insert(QStringLiteral("repeat_type"), QLatin1String(letters[item.repeatType()]));
    const Task::RepeatOptions options = Task::readRepeatOptions(item.repeatOptions());
    repeat.insert(QStringLiteral("repeat_interval"), options.interval);
    if (item.repeatType() == 2) repeat.insert(QStringLiteral("repeat_flag"), weekdayMaskOf(options.weekdays));
    if (item.repeatType() == 3)
        repeat.insert(QStringLiteral("repeat_flag"), options.flag == 1 ? QStringLiteral("1000000") : QStringLiteral("0000000"));
    if (item.taskType() == ItemKind::Task && item.taskRepeatStyle() == 1) repeat.insert(QStringLiteral("repeat_by_due"), 1);
    qint64 end = 0;
    if (item.taskType() == ItemKind::Event && !item.isRepeatForever()) end = storedSeconds(item.repeatEndDate());
    repeat.insert(QStringLiteral("repeat_end"), end);
    if (!item.repeatExceptions().isEmpty())
        repeat.insert(QStringLiteral("repeat_exceptions"), exceptionRecords(item.repeatExceptions()));
    return repeat;
}

namespace {

// The keys both records share.
QJsonObject commonRecord(const Task& item, qint64 categoryZvwId)
{
    const bool isEvent = item.taskType() == ItemKind::Event;
    // A completion date of 0 s is the stored form of "not done".
    const Date completed = item.completedDate();
    const bool hasCompletion = !completed.isNull() && completed.timeIntervalSince1970() != 0;
    QJsonObject record{
        {QStringLiteral("title"), item.taskName()},
        {QStringLiteral("url"), item.url()},
        {QStringLiteral("tags"), ZVWReply::serviceTagList(item.tagList())},
        {QStringLiteral("location"), item.taskLocation()},
        {QStringLiteral("task_type"), serviceTypeOf(item.taskType())},
        {QStringLiteral("star"), item.isPinned()},
        {QStringLiteral("ade"), item.isADE()},
        {QStringLiteral("due"), item.hasDue()},
        {QStringLiteral("duration"), item.hasDuration() ? item.duration() : 0},
        {QStringLiteral("category_id"), categoryZvwId},
        {QStringLiteral("completed"), item.status()},
        {QStringLiteral("start_time"), storedSeconds(item.startTime())},
        {QStringLiteral("end_time"), storedSeconds(isEvent ? item.endTime() : item.dueEnd())},
        {QStringLiteral("completed_date"), hasCompletion ? storedSeconds(completed) : 0},
        {QStringLiteral("alerts"), ZVWSync::alertRecords(item)},
        {QStringLiteral("repeat"), ZVWSync::repeatRecord(item)},
        {QStringLiteral("content"), item.notes()},
        {QStringLiteral("stask"), item.isSheduledTask() ? 1 : 0},
        {QStringLiteral("timezone_key"), item.tz()},
        {QStringLiteral("assignee_email"), item.assigneeEmail()},
    };
    record.insert(isEvent ? QStringLiteral("meeting_invite_flag") : QStringLiteral("delegate_status"), item.delegateStatus());
    return record;
}

}  // namespace

QJsonObject ZVWSync::itemCreateRecord(const Task& item, qint64 categoryZvwId, qint64 groupId, bool withOrder)
{
    QJsonObject record = commonRecord(item, categoryZvwId);
    record.insert(QStringLiteral("group_id"), groupId);
    const qint64 order = withOrder ? item.taskOrder() : 0;
    record.insert(QStringLiteral("order_number"), order);
    record.insert(QStringLiteral("assignee_order"), order);
    return record;
}

QJsonObject ZVWSync::itemUpdateRecord(const Task& item, qint64 categoryZvwId, bool withOrder)
{
    QJsonObject record = commonRecord(item, categoryZvwId);
    record.insert(QStringLiteral("id"), item.zvwID());
    if (withOrder) {
        record.insert(QStringLiteral("order_number"), item.taskOrder());
        record.insert(QStringLiteral("assignee_order"), item.taskOrder());
    }
    return record;
}
