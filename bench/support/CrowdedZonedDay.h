#pragma once

// A crowded day in its own database: 2,000 half-hour events between 9:00 and
// 18:00 of the day in Paris, every other one planned in New York at the same
// instant, with zone support on and Paris the display zone; or, when asked,
// all of them in Paris. "Now" is 10:00 of the day.
#include "Clock.h"
#include "CoreData.h"
#include "GregorianCalendar.h"
#include "Setting.h"
#include "Task.h"
#include "BenchDatabase.h"

#include <cstdlib>

struct CrowdedZonedDay {
    CrowdedZonedDay(const Date& day, bool halfInNewYork)
    {
        CoreData& manager = database.dataManager();
        Clock::setFixed(day.dateByAddingTimeInterval(10 * 3600));
        const qint64 paris = manager.getTimeZoneId(QStringLiteral("Europe/Paris"));
        const qint64 newYork = manager.getTimeZoneId(QStringLiteral("America/New_York"));
        if (const SettingPtr setting = manager.currentSetting()) {
            setting->setTzSupport(1);
            setting->setCurrentTZ(paris);
        }
        const DateFields fields = GregorianCalendar::fields(day);
        database.exec("BEGIN");
        for (int i = 0; i < 2000; ++i) {
            const bool inNewYork = halfInNewYork && i % 2 == 1;
            auto event = std::make_shared<Task>();
            event->setTaskType(0);
            event->setTaskName(QStringLiteral("Event %1").arg(i));
            event->setCalendarId(1);
            event->setTz(inNewYork ? newYork : paris);
            // New York's clocks stand six hours behind Paris's in December.
            const Date start = GregorianCalendar::dateFromFields(fields.year, fields.month, fields.day, inNewYork ? 3 : 9,
                                                                 (i * 37) % (9 * 60), 0);
            event->setStartTime(start);
            event->setEndTime(start.dateByAddingTimeInterval(30 * 60.0));
            event->setDuration(30);
            if (!event->insertAndDehydrate()) std::abort();
        }
        database.exec("COMMIT");
        manager.setCurrentSelectedDay(day);
    }
    BenchDatabase database;
};
