#include "CategoryViewController.h"

#include "View.h"

CategoryViewController::CategoryViewController(QObject* parent)
    : PopoverViewController({QSizeF(280, 100), PopoverBehavior::Transient, RectEdge::MinX, true}, parent)
{
}

CategoryViewController::~CategoryViewController() = default;

void CategoryViewController::addCategoryPopOverAtPositionView(View* view)
{
    showAtPositionView(view);
}

View* CategoryViewController::makeContentView(const QRectF& frame)
{
    // Its list comes with the popover's own content; until then an empty
    // view of the popover's size.
    auto* view = new View(frame);
    view->setFlipped(true);
    return view;
}
