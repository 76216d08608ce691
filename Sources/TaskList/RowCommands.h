#pragma once

#include "ModelTypes.h"
#include "Scheduler.h"
#include "ScheduledTimer.h"

#include <QImage>
#include <QPointer>

#include <functional>

class DetailViewController;
class ImageView;
struct Event;
class TableView;
class View;
class QObject;
class QPointF;
class Task;

class CoreData;

// The bodies the lists' row commands share (the task list, the notes list
// and the search results): the delete question, copying an item to link it
// and linking two items, and the batch commands over the selected rows.
// Each runs its question through the alert presenter.
class RowCommands {
public:
    // Whether deleting asks first (the settings' warning is on).
    static bool warnsBeforeDeleting(const CoreData& manager);
    // Whether changes ask for a web push.
    static bool autoSync(const CoreData& manager);
    // The delete question, with its do-not-ask-again box: a ticked box stops
    // the question for good (kept in memory, written with the next save),
    // whatever the answer. True for OK.
    static bool confirmDelete(const SettingPtr& setting);
    // The copy-to-link explanation when the settings ask for it (a ticked
    // box is saved at once), then a copy of the item becomes the copied
    // item. False when the user cancelled: the copied item stays.
    static bool copyToMakeLink(CoreData& manager, const TaskPtr& item);
    // Links the first two items: the first is copied, the second pasted on.
    static bool linkTogether(CoreData& manager, const TaskList& items);
    // The batch commands over the selected items; a failure is logged.
    static void duplicateItems(CoreData& manager, const TaskList& items);
    // Asks first when the settings say so; true when the items were deleted.
    static bool deleteItems(CoreData& manager, const TaskList& items);
    // An occurrence of a repeating event or scheduled task, or its master.
    static bool isRepeating(const Task& item);
    // Deletes one item as its kind and its repeat want: a task or a note
    // and a one-off event ask when the settings say so (with the box), a
    // repeating item always asks which occurrences go. Shared items are
    // never deleted. True when something was deleted.
    static bool deleteOne(CoreData& manager, const TaskPtr& item);
    static void postTaskChanged(QObject* sender);

    // A list's menu command bound to the list: it does nothing once the
    // list is gone.
    template <class List>
    static std::function<void()> bound(List* list, void (List::*command)())
    {
        return [alive = QPointer<List>(list), command] {
            if (alive) (alive.data()->*command)();
        };
    }

    // The lists' look: white, ruled between rows, no spacing, rows of the
    // given height, controls built for the rows in view only.
    static void setUpListLook(TableView& list, double rowHeight, bool multipleSelection);

    // A Control-click is a right click: true when it was handed on to the
    // list's right-click.
    static bool passControlClick(View& list, const Event& event);
    // The link page of the item, from its row; the controller is made, owned
    // by the list, on first use.
    static DetailViewController* openLinkDetail(DetailViewController* controller, QObject* list, const TaskPtr& item,
                                                View* row);

    // The lists' click timing: a first click waits out the double-click
    // interval before it counts as a single click (the list's
    // handleSingleClick), unless the list is gone by then.
    template <class List>
    static void scheduleSingleClick(ScheduledTimer& timer, List* list, double interval, bool repeated)
    {
        timer.invalidate();
        const QPointer<List> alive(list);
        timer = Scheduler::current().scheduleTimer(interval, false, [alive, repeated] {
            if (alive) alive->handleSingleClick(repeated);
        });
    }
    // A click on a list with no selected row (previous, the selected row
    // before the click, is -1) stops the refresh of the shown data; the
    // main view, when there is one, is handed back.
    static class MainViewAccess* holdRefreshOnFirstSelection(int previous);
    // A double click ends the wait for a single click.
    static void endClickWait(double& lastMouseDown, ScheduledTimer& timer);
    // A repeated single click stops the refresh of the shown data.
    static void holdRefreshOnRepeatedClick(bool repeated);

    // The dragged item's small picture at the pointer (kept in image); no
    // item or no picture hides the preview.
    static void showDragPreview(ImageView& preview, QImage& image, const TaskPtr& item, const QPointF& at);
    static void hideDragPreview(ImageView& preview, QImage& image);
};
