#include "CategoryPopovers.h"

#include "Popover.h"
#include "PopoverListView.h"
#include "View.h"

#include <QDebug>

void CategoryPopovers::showBelow(Popover*& popover, QObject* owner, const QString& title, View* view)
{
    if (!view) {
        qWarning() << "The popover" << title << "was asked for beside no view; it stays closed";
        return;
    }
    if (!popover) {
        popover = new Popover(owner);
        popover->setBehavior(PopoverBehavior::Transient);
        popover->setContentView(new PopoverListView(title));
    }
    popover->showRelativeToRect(view->bounds(), view, view->isFlipped() ? RectEdge::MaxY : RectEdge::MinY);
}
