#include "ColorViewController.h"

#include "ColorView.h"

#include <QDebug>

ColorReceiver::~ColorReceiver() = default;

ColorViewController::ColorViewController(QObject* parent)
    : PopoverViewController({QSizeF(276, 80), PopoverBehavior::Semitransient, RectEdge::MaxY, false}, parent)
{
}

ColorViewController::~ColorViewController() = default;

void ColorViewController::colorViewPopOverAtPositionView(View* view)
{
    showAtPositionView(view);
}

void ColorViewController::chooseColor(qint64 palettePosition)
{
    auto* receiver = dynamic_cast<ColorReceiver*>(m_parentView.data());
    if (!receiver) {
        qWarning() << "A colour was picked for a view that takes none; nothing changes";
        return;
    }
    receiver->setColor(palettePosition);
    shouldClose();
}

View* ColorViewController::makeContentView(const QRectF& frame)
{
    auto* view = new ColorView(frame);
    view->setController(this);
    return view;
}
