// The organizer's data side with the calendar-store sync, as the program
// starts it (the data manager on the data folder of XDG_DATA_HOME, the store
// of ZORAVEL_CALENDAR_STORE), killed by the store crash tests while it works:
//   seed <tasks> <events>  a store calendar, that many tasks and events in
//                          the default category; the full sync links them;
//   ticks <seed>           the start's full sync, "ready", then on a "go"
//                          line: ticks tasks done and undone and retitles
//                          events, at random, until killed;
//   retitles <seed>        the start's full sync, "ready", then on "go":
//                          saves new titles of tasks as the task editor
//                          does, at random, until killed;
//   categories             the start's full sync, "ready", then on "go":
//                          makes a category with two tasks and deletes it
//                          at once, again and again ("deleted <name>" once
//                          a delete is committed), until killed;
//   items                  the start's full sync, "ready", then on "go":
//                          makes two tasks and two events in the default
//                          category, waits until the store has them and
//                          deletes them ("deleted <title>" each), until
//                          killed;
//   conversions <seed> <how>  the start's full sync, "ready", then on "go":
//                          makes a task in the default category, waits until
//                          the store has it, and places it on the day grid
//                          ("stask"), turns it into an event ("event") or
//                          postpones it into an events-only category
//                          ("postpone"), "converted <title>" once that is
//                          committed, again and again until killed.
//   splits                 the start's full sync, "count <family> <n>" for
//                          each series split before ("Split ..." roots: the
//                          occurrences the organizer shows of both parts),
//                          "ready", then on "go": makes a weekly series of
//                          12, waits until the store has it, and edits it
//                          from its fourth occurrence on ("this and
//                          future", a new title), "split <family>" once that
//                          is committed, again and again until killed.
// Exit 0 when done, 2 and up when it could not do its work.
#include "CalCalendarStore.h"
#include "Calendar.h"
#include "Clock.h"
#include "CoreData.h"
#include "GregorianCalendar.h"
#include "Setting.h"
#include "Task.h"
#include "LocalNotification.h"
#include "PropertyList.h"
#include "Utilities.h"
#include "iCalSyncJobs.h"

#include <algorithm>
#include <map>

#include <QCoreApplication>
#include <QRandomGenerator>

#include <cstdio>
#include <iostream>
#include <string>

namespace {

// A killed process loses nothing the kernel holds: the flush would only
// make the test wait on the disk.
int noSync(int)
{
    return 0;
}

void say(const QString& line)
{
    std::fputs((line + QLatin1Char('\n')).toUtf8().constData(), stdout);
    std::fflush(stdout);
}

bool startAsTheProgram(CoreData& manager)
{
    manager.icalSync()->backgroundFullSync();
    auto* jobs = dynamic_cast<iCalSyncJobs*>(manager.icalSync());
    if (!jobs || !jobs->waitForQueuedJobs(60)) return false;
    say(QStringLiteral("ready"));
    std::string go;
    return bool(std::getline(std::cin, go));
}

int seed(CoreData& manager, int tasks, int events)
{
    const CalCalendarPtr calendar = CalCalendar::calendar();
    calendar->setTitle(QStringLiteral("Home"));
    if (!CalCalendarStore::defaultCalendarStore()->saveCalendar(calendar)) return 4;
    const SettingPtr setting = manager.currentSetting();
    const qint64 category = setting ? setting->calendarDefID() : 0;
    const Date today = GregorianCalendar::dateOnDayOf(Clock::now(), 9 * 3600);
    for (int n = 0; n < tasks + events; ++n) {
        auto item = std::make_shared<Task>();
        const bool isTask = n < tasks;
        item->setTaskType(isTask ? 1 : 0);
        item->setTaskName(QStringLiteral("%1 %2").arg(isTask ? "Task" : "Event").arg(n));
        const Date start = today.dateByAddingTimeInterval(3600.0 * n);
        item->setStartTime(start);
        item->setEndTime(start.dateByAddingTimeInterval(1800));
        item->setDueEnd(start);
        item->setCalendarId(category);
        if (!item->insertAndDehydrate()) return 5;
    }
    manager.icalSync()->backgroundFullSync();
    return 0;
}

int ticks(CoreData& manager, quint32 seedValue)
{
    if (!startAsTheProgram(manager)) return 4;
    QRandomGenerator random(seedValue);
    for (int round = 0; round < 100000; ++round) {
        QCoreApplication::processEvents();
        const TaskList items = manager.allTasksEventsAdes();
        if (items.isEmpty()) return 5;
        const TaskPtr item = items.at(random.bounded(int(items.size())));
        if (item->taskType() == 1) {
            const qint64 status = item->status() == 0 ? 1 : 0;
            if (status != 0) {
                item->setStatus(1);
                item->setCompletedDate(Clock::now());
            }
            if (!manager.doMarkDoneOperatorWithTask(item, status, false)) return 6;
        } else if (item->taskType() == 0 && item->parentId() == -1) {
            const TaskPtr edited = item->copy();
            edited->setTaskName(QStringLiteral("%1 v%2").arg(item->taskName().section(QLatin1String(" v"), 0, 0)).arg(round));
            if (!manager.doEditAllOperatorWithEvent(edited, false)) return 7;
        }
    }
    return 0;
}

int retitles(CoreData& manager, quint32 seedValue)
{
    if (!startAsTheProgram(manager)) return 4;
    QRandomGenerator random(seedValue);
    for (int round = 0; round < 100000; ++round) {
        QCoreApplication::processEvents();
        TaskList tasks;
        for (const TaskPtr& item : manager.allTasksEventsAdes())
            if (item->taskType() == 1) tasks.append(item);
        if (tasks.isEmpty()) return 5;
        const TaskPtr task = tasks.at(random.bounded(int(tasks.size())));
        const QString title =
            QStringLiteral("%1 v%2").arg(task->taskName().section(QLatin1String(" v"), 0, 0)).arg(round);
        const bool saved = manager.saveChangeFromView({task}, [&] {
            task->setTaskName(title);
            return manager.storeEditedTask(task);
        });
        if (!saved) return 6;
    }
    return 0;
}

int categories(CoreData& manager)
{
    if (!startAsTheProgram(manager)) return 4;
    for (int round = 0; round < 100000; ++round) {
        QCoreApplication::processEvents();
        auto category = std::make_shared<Calendar>();
        const QString name = QStringLiteral("Doomed %1 %2").arg(QCoreApplication::applicationPid()).arg(round);
        category->setCalendarName(name);
        if (!manager.addCalendarToCalendarList(category, true, false)) return 5;
        for (int n = 0; n < 2; ++n) {
            auto task = std::make_shared<Task>();
            task->setTaskType(1);
            task->setTaskName(name + QStringLiteral(" task %1").arg(n));
            task->setCalendarId(category->primaryKey());
            manager.setModifyingTask(task);
            if (!manager.addNewTask()) return 6;
        }
        QCoreApplication::processEvents();
        if (!manager.doDeleteCalendar(category, true, false)) return 7;
        say(QStringLiteral("deleted ") + name);
    }
    return 0;
}

int items(CoreData& manager)
{
    if (!startAsTheProgram(manager)) return 4;
    auto* jobs = dynamic_cast<iCalSyncJobs*>(manager.icalSync());
    const SettingPtr setting = manager.currentSetting();
    const Date today = GregorianCalendar::dateOnDayOf(Clock::now(), 9 * 3600);
    for (int round = 0; round < 100000; ++round) {
        TaskList made;
        for (int n = 0; n < 4; ++n) {
            auto item = std::make_shared<Task>();
            item->setTaskType(n % 2);
            item->setTaskName(QStringLiteral("Doomed %1 %2 %3").arg(QCoreApplication::applicationPid()).arg(round).arg(n));
            const Date start = today.dateByAddingTimeInterval(3600.0 * n);
            item->setStartTime(start);
            item->setEndTime(start.dateByAddingTimeInterval(1800));
            item->setDueEnd(start);
            item->setCalendarId(setting ? setting->calendarDefID() : 0);
            manager.setModifyingTask(item);
            if (!manager.addNewTask()) return 5;
            made << item;
        }
        if (!jobs || !jobs->waitForQueuedJobs(60)) return 6;
        for (const TaskPtr& item : made) {
            const bool deleted =
                item->taskType() == 1 ? manager.doDeleteTask(item) : manager.doDeleteOnlyThisOperatorWithEvent(item) != nullptr;
            if (!deleted) return 7;
            say(QStringLiteral("deleted ") + item->taskName());
        }
        QCoreApplication::processEvents();
    }
    return 0;
}

// A category whose store calendar keeps events only, as another program
// may make one.
CalendarPtr eventsOnlyCategory(CoreData& manager)
{
    auto category = std::make_shared<Calendar>();
    category->setCalendarName(QStringLiteral("Events"));
    auto* jobs = dynamic_cast<iCalSyncJobs*>(manager.icalSync());
    if (!manager.addCalendarToCalendarList(category, true, false) || !jobs || !jobs->waitForQueuedJobs(60)) return nullptr;
    QCoreApplication::processEvents();
    const QString info = CalCalendarStore::defaultCalendarStore()->rootPath() + QLatin1Char('/') + category->iCalUID()
                         + QStringLiteral(".calendar/Info.plist");
    QVariantMap map = PropertyList::readFile(info).value.toMap();
    if (map.isEmpty()) return nullptr;
    map.insert(QStringLiteral("TaskContainer"), qint64(0));
    if (PropertyList::writeFile(info, map) != PropertyList::Error::None) return nullptr;
    category->setTaskOrEvent(2);
    return category->dehydrate() ? category : nullptr;
}

int conversions(CoreData& manager, const QByteArray& how)
{
    if (!startAsTheProgram(manager)) return 4;
    auto* jobs = dynamic_cast<iCalSyncJobs*>(manager.icalSync());
    const SettingPtr setting = manager.currentSetting();
    if (!setting) return 5;
    // Nobody answers questions here.
    setting->setShowWarningTask2Event(0);
    setting->setShowWarningConvert2STask(0);
    setting->setShowWarningConvert2STaskAfterDeadline(0);
    CalendarPtr eventsOnly;
    if (how == "postpone") {
        for (const CalendarPtr& category : manager.calendarList())
            if (category->calendarName() == QStringLiteral("Events")) eventsOnly = category;
        if (!eventsOnly && !(eventsOnly = eventsOnlyCategory(manager))) return 5;
    }
    const Date today = GregorianCalendar::dateOnDayOf(Clock::now(), 9 * 3600);
    for (int round = 0; round < 100000; ++round) {
        auto task = std::make_shared<Task>();
        task->setTaskType(1);
        const QString title = QStringLiteral("Conv %1 %2").arg(QCoreApplication::applicationPid()).arg(round);
        task->setTaskName(title);
        task->setStartTime(today);
        task->setEndTime(today.dateByAddingTimeInterval(1800));
        task->setDueEnd(today);
        task->setCalendarId(setting->calendarDefID());
        manager.setModifyingTask(task);
        if (!manager.addNewTask()) return 6;
        if (!jobs || !jobs->waitForQueuedJobs(60)) return 6;
        QCoreApplication::processEvents();
        bool converted = false;
        if (how == "stask") {
            converted = manager.convertTask2STask(task, today.dateByAddingTimeInterval(3600)) != nullptr;
        } else if (how == "event") {
            converted = manager.convertTask2Event(task, today.dateByAddingTimeInterval(3600)) != nullptr;
        } else {
            auto alarm = std::make_shared<LocalNotification>();
            alarm->setTask(task);
            alarm->setDateFire(Clock::now());
            task->setCalendarId(eventsOnly->primaryKey());
            converted = manager.postponeAlerts({alarm}, 1);
        }
        if (!converted) return 7;
        say(QStringLiteral("converted ") + title);
    }
    return 0;
}

constexpr int splitSeriesLength = 12;

// The occurrences the views show of each family of split series.
void sayFamilyCounts(CoreData& manager, const Date& from, const Date& to)
{
    std::map<QString, int> counts;
    for (const TaskPtr& root : manager.getAllRootEvents()) {
        if (!root->taskName().startsWith(QStringLiteral("Split "))) continue;
        TaskList shown = manager.getAllDetachedEventWithParentID(root->primaryKey());
        manager.fillRepeatEventInstances({root}, shown, from, to);
        counts[root->taskName().section(QLatin1Char(' '), 0, 2)] += int(shown.size());
    }
    for (const auto& [family, count] : counts) say(QStringLiteral("count %1 %2").arg(family).arg(count));
}

int splits(CoreData& manager)
{
    const Date today = GregorianCalendar::dateOnDayOf(Clock::now(), 18 * 3600);
    manager.icalSync()->backgroundFullSync();
    sayFamilyCounts(manager, today.dateByAddingTimeInterval(-400 * 86400.0), today.dateByAddingTimeInterval(400 * 86400.0));
    auto* jobs = dynamic_cast<iCalSyncJobs*>(manager.icalSync());
    if (!jobs || !jobs->waitForQueuedJobs(60)) return 4;
    say(QStringLiteral("ready"));
    std::string go;
    if (!std::getline(std::cin, go)) return 4;
    const SettingPtr setting = manager.currentSetting();
    for (int round = 0; round < 100000; ++round) {
        const QString family = QStringLiteral("Split %1 %2").arg(QCoreApplication::applicationPid()).arg(round);
        auto series = std::make_shared<Task>();
        series->setTaskType(0);
        series->setTaskName(family + QStringLiteral(" A"));
        series->setStartTime(today);
        series->setEndTime(today.dateByAddingTimeInterval(3600));
        series->setRepeatType(2);
        series->setRepeatOptions(QStringLiteral("1/%1/0").arg(Utilities::getWeekday(today)));
        series->setRepeatStartDate(today);
        series->setIsRepeatForever(0);
        series->setRepeatEndDate(today.dateByAddingTimeInterval((splitSeriesLength - 1) * 7 * 86400.0 + 7200));
        series->setCalendarId(setting ? setting->calendarDefID() : 0);
        manager.setModifyingTask(series);
        if (!manager.addNewTask()) return 5;
        if (!jobs->waitForQueuedJobs(60)) return 6;
        QCoreApplication::processEvents();
        TaskList shown;
        manager.fillRepeatEventInstances({series}, shown, today, today.dateByAddingTimeInterval(100 * 86400.0));
        std::sort(shown.begin(), shown.end(), [](const TaskPtr& a, const TaskPtr& b) { return a->startTime() < b->startTime(); });
        if (shown.size() != splitSeriesLength) return 7;
        const TaskPtr fourth = shown.at(3);
        fourth->setTaskName(family + QStringLiteral(" B"));
        if (!manager.doEditAllFutureOperatorWithEvent(fourth)) return 8;
        say(QStringLiteral("split ") + family);
        QCoreApplication::processEvents();
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Zoravel"));
    QCoreApplication::setApplicationName(QStringLiteral("ZoravelTests"));
    if (argc < 2) return 2;
    const QByteArray mode(argv[1]);
    CalCalendarStore::setSyncCallForTesting(noSync);

    int result = 2;
    {
        CoreData manager;
        CoreData::setShared(&manager);
        if (!manager.init()) return 3;
        manager.setICalSync(std::make_unique<iCalSyncJobs>());
        if (mode == "seed" && argc > 3)
            result = seed(manager, QByteArray(argv[2]).toInt(), QByteArray(argv[3]).toInt());
        else if (mode == "ticks" && argc > 2)
            result = ticks(manager, QByteArray(argv[2]).toUInt());
        else if (mode == "retitles" && argc > 2)
            result = retitles(manager, QByteArray(argv[2]).toUInt());
        else if (mode == "categories")
            result = categories(manager);
        else if (mode == "items")
            result = items(manager);
        else if (mode == "splits")
            result = splits(manager);
        else if (mode == "conversions" && argc > 3)
            result = conversions(manager, QByteArray(argv[3]));
        if (auto* jobs = dynamic_cast<iCalSyncJobs*>(manager.icalSync()); jobs && !jobs->waitForQueuedJobs(60))
            result = 9;
        manager.setICalSync(nullptr);
        CoreData::setShared(nullptr);
    }
    return result;
}
