#include "ActionLabelView.h"

#include "TextField.h"
#include "UIUtilities.h"

#include <QDebug>
#include <QMetaObject>

ActionLabelView::ActionLabelView(const QRectF& frame, QWidget* parent) : View(frame, parent)
{
    m_label = UIUtilities::getCommonTextFieldWithFrame(QRectF(QPointF(), frame.size()));
    addSubview(m_label);
    placeLabel();
}

ActionLabelView::~ActionLabelView() = default;

void ActionLabelView::setFont(const Font& font, Qt::Alignment aligment)
{
    m_label->setTextFont(font);
    m_label->setAlignment(aligment);
}

void ActionLabelView::setTextColor(const QColor& color)
{
    m_label->setTextColor(color);
}

void ActionLabelView::setStringValue(const QString& text)
{
    m_label->setStringValue(text);
}

void ActionLabelView::addTarget(QObject* target, const QVariant& object)
{
    m_clickTarget = target;
    m_obj = object;
}

void ActionLabelView::resizeSubviewsWithOldSize(const QSizeF& oldSize)
{
    View::resizeSubviewsWithOldSize(oldSize);
    placeLabel();
}

void ActionLabelView::placeLabel()
{
    const QRectF b = bounds();
    m_label->setFrame(QRectF(b.x() + sideInset, b.y(), b.width() - 2 * sideInset, b.height()));
}

void ActionLabelView::mouseUp(const Event& event)
{
    View::mouseUp(event);
    if (!m_clickTarget) return;
    // The target may remove this view in its action: nothing here is used
    // after the call.
    const QVariant object = m_obj;
    if (!QMetaObject::invokeMethod(m_clickTarget.data(), "labelClickAction", Qt::DirectConnection,
                                   Q_ARG(QVariant, object)))
        qWarning() << "ActionLabelView: the target has no labelClickAction(QVariant)";
}
