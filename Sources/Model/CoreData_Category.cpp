// Category lookups and queries of the data manager.
#include "Calendar.h"
#include "CoreData.h"

#include <chrono>
#include <thread>

namespace {
// A sync thread may ask for a category while the list is being reloaded;
// it waits for the reload at most this long.
constexpr int reloadWaitRounds = 200;
constexpr std::chrono::milliseconds reloadWaitStep{10};
}  // namespace

void CoreData::setCalendarReloadInProgress(bool inProgress)
{
    m_calendarReloadInProgress = inProgress;
}

CalendarPtr CoreData::calendarWithPrimaryKey(qint64 key) const
{
    CalendarList calendars = calendarList();
    for (int round = 0; calendars.isEmpty() && m_calendarReloadInProgress && round < reloadWaitRounds; ++round) {
        std::this_thread::sleep_for(reloadWaitStep);
        calendars = calendarList();
    }
    for (const CalendarPtr& calendar : calendars)
        if (calendar->primaryKey() == key) return calendar;
    return nullptr;
}

qint64 CoreData::getMaxOrderOfCalendars() const
{
    return queryInt64("SELECT max(calendarOrder) FROM Calendars");
}
