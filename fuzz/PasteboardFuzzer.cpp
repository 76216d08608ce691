// Items pasted or dropped: the archive under our type, read back into items
// from the database as a paste does.
#include "FuzzDatabase.h"
#include "FuzzSupport.h"
#include "KeyedArchive.h"
#include "Task.h"

#include <QMimeData>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    Fuzz::setUp();
    // A stored item and a series, so that both read back.
    Fuzz::openTemplateDatabase({Fuzz::repeatingItemRow()});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QMimeData mimeData;
    mimeData.setData(KeyedArchive::mimeType, Fuzz::archiveBytes(data, size));
    for (const TaskPtr& item : Task::readItemsFromPasteboard(mimeData)) {
        Fuzz::checkDateFromOutside(item->startTime());
        Fuzz::checkDateFromOutside(item->endTime());
        Fuzz::exerciseCalendar(item->occurrence());
    }
    return 0;
}
