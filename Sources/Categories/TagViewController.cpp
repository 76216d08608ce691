#include "TagViewController.h"

#include "MainViewAccess.h"
#include "TagView.h"

TagViewController::TagViewController(QObject* parent)
    : PopoverViewController({QSizeF(230, 100), PopoverBehavior::Semitransient, RectEdge::MinY, true}, parent)
{
}

TagViewController::~TagViewController() = default;

void TagViewController::tagViewPopOverAtPositionView(View* view)
{
    showAtPositionView(view);
}

void TagViewController::turnOffOpener()
{
    if (MainViewAccess* main = mainView()) main->setTagShowHideBtnState(0);
}

View* TagViewController::makeContentView(const QRectF& frame)
{
    return new TagView(frame);
}
