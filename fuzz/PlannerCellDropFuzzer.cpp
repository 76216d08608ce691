// A drag over a planner day cell: the archive under our type, read back into
// the item the cell would take. Whatever the bytes, the cell takes nothing
// from elsewhere and nothing shared, and the drop decision and the hour-grid
// time stay inside their ranges.
#include "FuzzDatabase.h"
#include "FuzzSupport.h"
#include "KeyedArchive.h"
#include "PlannerCellView.h"
#include "PlannerDropRules.h"
#include "Task.h"

#include <QMimeData>

#include <cstring>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    Fuzz::setUp();
    // Stored items of every kind, so that archives naming their keys read back real rows.
    Fuzz::openTemplateDatabase({QStringLiteral("INSERT INTO Tasks (primaryKey, taskType, taskName) VALUES (1, 1, 'Task'), "
                                                 "(2, 3, 'Note'), (3, 0, 'Event'), (4, 2, 'Checklist item')"),
                                 Fuzz::repeatingItemRow()});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QMimeData mimeData;
    mimeData.setData(KeyedArchive::mimeType, Fuzz::archiveBytes(data, size));
    const bool fromThisProgram = size % 2 == 0;
    const TaskPtr item = PlannerCellView::itemForDrop(mimeData, fromThisProgram);
    if (!item) return 0;
    Fuzz::require(fromThisProgram, "a drag from elsewhere is refused");
    Fuzz::require(!item->isShared(), "shared items are refused");
    Fuzz::checkDateFromOutside(item->startTime());
    Fuzz::checkDateFromOutside(item->endTime());
    Fuzz::checkDateFromOutside(item->dueEnd());
    double imageTop = 0;
    if (size >= sizeof imageTop) std::memcpy(&imageTop, data, sizeof imageTop);
    const PlannerDropRules::DropTime time = PlannerDropRules::dropTimeOfImageTop(imageTop);
    Fuzz::require(time.hour >= -24 && time.hour <= 48 && time.minute % 15 == 0 && time.minute >= 0 && time.minute < 60,
                  "the dropped time stays a quarter of an hour near the shown day");
    for (bool onHourGrid : {false, true})
        PlannerDropRules::dropAction(item->taskType(), item->isADE(), PlannerDropRules::Source::PlannerChip, onHourGrid);
    return 0;
}
