// A drag over a day cell of the mini month: the archive under our type, read
// back into the item the cell would take. Whatever the bytes, the cell takes
// nothing from elsewhere, no checklist item and nothing shared.
#include "FuzzDatabase.h"
#include "FuzzSupport.h"
#include "KeyedArchive.h"
#include "MonthCellView.h"
#include "Task.h"

#include <QMimeData>

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
    const TaskPtr item = MonthCellView::itemForDrop(mimeData, fromThisProgram);
    if (!item) return 0;
    Fuzz::require(fromThisProgram, "a drag from elsewhere is refused");
    Fuzz::require(item->taskType() != 2, "checklist items are refused");
    Fuzz::require(!item->isShared(), "shared items are refused");
    Fuzz::checkDateFromOutside(item->startTime());
    Fuzz::checkDateFromOutside(item->endTime());
    Fuzz::checkDateFromOutside(item->dueEnd());
    return 0;
}
