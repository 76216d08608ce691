// The alert-list text of an item's column (also sent by the web service), read
// as the alarms read it, and each alert's fire date worked out.
#include "FuzzSupport.h"
#include "Utilities.h"

#include <QStringList>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    Fuzz::setUp();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QStringList pieces = Fuzz::utf8Text(data, size).split(QLatin1Char('/'));
    QList<std::shared_ptr<AlertObj>> alerts;
    const Date base = Date::dateWithTimeIntervalSince1970(1388566800);
    for (qsizetype index = 1; index < pieces.size(); ++index) {
        const std::shared_ptr<AlertObj> alert = Utilities::getAlertFromList(pieces, index);
        const Date absolute = alert->absoluteDate();
        Fuzz::require(absolute.isNull() || Date::isWithinCalendar(absolute.timeIntervalSince1970()),
                      "an alert's date is null or inside the calendar");
        // The full walk of the calendar is slow; a few alerts of each text
        // get it, which the fuzzer reaches by moving pieces to the front.
        if (index <= 3) {
            Fuzz::exerciseCalendar(alert->absoluteDate());
            Fuzz::exerciseCalendar(Utilities::newDateFromDate(base, double(alert->relativeOffset())));
        }
        alerts.append(alert);
    }
    // What was read writes back as a text that reads the same alerts.
    const QStringList written = Utilities::updateAlertList(alerts).split(QLatin1Char('/'));
    Fuzz::require(written.size() == (alerts.isEmpty() ? 1 : alerts.size() + 1), "every alert is written");
    return 0;
}
