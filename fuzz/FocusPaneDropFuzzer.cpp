// A drag over the focus pane: the archive under our type, read back into
// the item the pane would take. Whatever the bytes, the pane takes nothing
// but one task or note that is not shared.
#include "FocusPaneView.h"
#include "FuzzDatabase.h"
#include "FuzzSupport.h"
#include "KeyedArchive.h"
#include "Task.h"

#include <QMimeData>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    Fuzz::setUp();
    // Stored items of every kind, so that archives naming their keys read back real rows.
    Fuzz::openTemplateDatabase({QStringLiteral("INSERT INTO Tasks (primaryKey, taskType, taskName) VALUES (1, 1, 'Task'), "
                                                 "(2, 3, 'Note'), (3, 0, 'Event')"),
                                 Fuzz::repeatingItemRow()});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QMimeData mimeData;
    mimeData.setData(KeyedArchive::mimeType, Fuzz::archiveBytes(data, size));
    const bool fromThisProgram = size % 2 == 0;
    const TaskPtr item = FocusPaneView::itemForDrop(mimeData, fromThisProgram);
    if (!item) return 0;
    Fuzz::require(fromThisProgram, "a drag from elsewhere is refused");
    Fuzz::require(item->taskType() == 1 || item->taskType() == 3, "only tasks and notes are taken");
    Fuzz::require(!item->isShared(), "shared items are refused");
    Fuzz::checkDateFromOutside(item->startTime());
    Fuzz::checkDateFromOutside(item->dueEnd());
    return 0;
}
