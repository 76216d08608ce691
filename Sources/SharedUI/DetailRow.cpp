#include "DetailRow.h"

#include "Font.h"
#include "TextField.h"

#include <QCoreApplication>
#include <QDebug>
#include <QEvent>

#include <cmath>

namespace {

// Marks a control this row gave up and queued for deletion, so that giving
// it back before the event loop runs cancels the deletion instead of leaving
// the row holding a dangling control.
const char* const releasedByRowProperty = "zoravel.detailRow.released";

struct CaptionLook {
    QRectF frame;
    double fontSize;
};

CaptionLook captionLook(bool large)
{
    return large ? CaptionLook{QRectF(0, 0, 75, 23), 13} : CaptionLook{QRectF(0, 0, 80, 19), 12};
}

}  // namespace

DetailRow::DetailRow(const QRectF& frame, QWidget* parent)
    : DetailRow(frame, parent, CaptionStyle::Standard)
{
}

DetailRow::DetailRow(const QRectF& frame, QWidget* parent, CaptionStyle style)
    : View(frame, parent)
{
    const CaptionLook look = captionLook(style == CaptionStyle::Large);
    // The caption has no text until the owner writes it.
    m_label = TextField::labelWithString(QString(), look.frame);
    m_label->setTextFont(Font::fontWithName(QStringLiteral("Lucida Grande"), look.fontSize));
    m_label->setTextColor(captionColor());
    m_label->setAlignment(Qt::AlignRight);
    addSubview(m_label);
}

DetailRow* DetailRow::initWithLargeTextFieldInFrame(const QRectF& frame, QWidget* parent)
{
    return new DetailRow(frame, parent, CaptionStyle::Large);
}

DetailRow::~DetailRow()
{
    // Subviews go with the row; a caption set but never added has no other
    // owner.
    if (m_label && !m_label->parent()) delete m_label.data();
}

QColor DetailRow::captionColor()
{
    return QColor(123, 123, 123);
}

void DetailRow::setView(View* view)
{
    replaceControl(m_view, m_reserveView, view);
}

void DetailRow::setReserveView(View* view)
{
    replaceControl(m_reserveView, m_view, view);
}

void DetailRow::replaceControl(QPointer<View>& slot, const QPointer<View>& otherSlot, View* view)
{
    View* old = slot;
    if (view && view->property(releasedByRowProperty).toBool()) {
        QCoreApplication::removePostedEvents(view, QEvent::DeferredDelete);
        view->setProperty(releasedByRowProperty, QVariant());
    }
    slot = view;
    // The same control again stays where it is: adding it once more would
    // only restack it, and giving it up would delete what the row holds.
    if (view && view->superview() != this) addSubview(view);
    if (old && old != view && old != otherSlot) release(old);
}

void DetailRow::release(View* control)
{
    // A control the owner has meanwhile put into another view is theirs now.
    if (control->superview() != this) return;
    control->removeFromSuperview();
    control->setProperty(releasedByRowProperty, true);
    control->deleteLater();
}

void DetailRow::setLabelWidth(double width)
{
    if (!m_label) return;
    if (!std::isfinite(width) || width < 0) {
        qWarning() << "A detail row's caption was given the width" << width << "; using 0";
        width = 0;
    }
    m_label->setFrameSize(QSizeF(width, m_label->frame().height()));
}

void DetailRow::setLabel(TextField* label)
{
    if (label == m_label) return;
    if (m_label && !m_label->parent()) delete m_label.data();
    m_label = label;
}
