#include "CategoryShowHideViewController.h"

#include "MainViewAccess.h"
#include "View.h"

CategoryShowHideViewController::CategoryShowHideViewController(QObject* parent)
    : PopoverViewController({QSizeF(230, 100), PopoverBehavior::Semitransient, RectEdge::MinY, true}, parent)
{
}

CategoryShowHideViewController::~CategoryShowHideViewController() = default;

void CategoryShowHideViewController::categoryShowHideViewPopOverAtPositionView(View* view)
{
    showAtPositionView(view);
}

void CategoryShowHideViewController::turnOffOpener()
{
    if (MainViewAccess* main = mainView()) main->setCategoryShowHideBtnState(0);
}

View* CategoryShowHideViewController::makeContentView(const QRectF& frame)
{
    // Its list comes with the popover's own content; until then an empty
    // view of the popover's size.
    auto* view = new View(frame);
    view->setFlipped(true);
    return view;
}
