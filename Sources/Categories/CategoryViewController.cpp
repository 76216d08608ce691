#include "CategoryViewController.h"

#include "CategoryPopOverDetailView.h"
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
    return new CategoryPopOverDetailView(frame);
}
