// Drops on the day grid: the payload the grid decodes to choose what it
// takes, and the drop time of any image position.
#include "CalendarView.h"
#include "FuzzDatabase.h"
#include "FuzzSupport.h"
#include "KeyedArchive.h"
#include "Task.h"

#include <QMimeData>

#include <cmath>
#include <cstring>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    Fuzz::setUp();
    // A stored item and a series, so that both read back.
    Fuzz::openTemplateDatabase({Fuzz::repeatingItemRow()});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QMimeData payload;
    payload.setData(KeyedArchive::mimeType, Fuzz::archiveBytes(data, size));
    if (const TaskPtr item = CalendarView::acceptableDraggedItem(payload)) {
        // The grid only ever takes events and tasks of its own.
        Fuzz::require(item->taskType() == 0 || item->taskType() == 1, "only events and tasks are taken");
        Fuzz::require(!item->isShared(), "shared items are refused");
        Fuzz::checkDateFromOutside(item->startTime());
        Fuzz::checkDateFromOutside(item->endTime());
    }
    // Any image position gives a quarter hour.
    if (size >= sizeof(double)) {
        double top = 0;
        std::memcpy(&top, data, sizeof top);
        const CalendarView::DropTime time = CalendarView::dropTimeOfImageTop(top);
        Fuzz::require(time.minute >= 0 && time.minute <= 45 && time.minute % 15 == 0, "minutes are a quarter");
    }
    return 0;
}
