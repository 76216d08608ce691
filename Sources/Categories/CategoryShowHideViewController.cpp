#include "CategoryShowHideViewController.h"

#include "MainViewAccess.h"
#include "CategoryShowHideView.h"
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
    return new CategoryShowHideView(frame);
}
