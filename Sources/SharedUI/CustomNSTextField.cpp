#include "CustomNSTextField.h"

#include "CustomNSTextFieldCell.h"
#include "DatePicker.h"
#include "NotificationCenter.h"
#include "UIUtilities.h"

#include <QFocusEvent>
#include <QLineEdit>
#include <QMouseEvent>

namespace {

constexpr double defaultFontSize = 12.0;

}  // namespace

CustomNSTextField::CustomNSTextField(const QRectF& frame, QWidget* parent)
    : CustomNSTextField(frame, defaultFontSize, parent)
{
}

CustomNSTextField::CustomNSTextField(const QRectF& frame, double fontSize, QWidget* parent) : TextField(frame, parent)
{
    setTextFont(Font::fontWithName(QStringLiteral("Lucida Grande"), fontSize));
    setTextColor(Qt::black);
    setAlignment(Qt::AlignLeft);
    setBezeled(false);
    setWraps(true);
    setEditable(true);
    CustomNSTextFieldCell::applyRestLook(*this);
    // The row around the field shows its menu, not the editor's own.
    editor()->setContextMenuPolicy(Qt::NoContextMenu);
    connect(editor(), &QLineEdit::textEdited, this, [this] { controlTextDidChange(); });
    setOnEndEditing([this](TextField*) { controlTextDidEndEditing(); });
}

void CustomNSTextField::setIsURL(bool isURL)
{
    m_isURL = isURL;
}

void CustomNSTextField::setNeedDrawBg(bool needDrawBg)
{
    m_needDrawBg = needDrawBg;
    if (editor()->hasFocus()) applyFocusLook();
}

void CustomNSTextField::applyFocusLook()
{
    CustomNSTextFieldCell::applyEditingLook(*this, m_needDrawBg);
}

void CustomNSTextField::mouseDown(const Event&)
{
    if (!isEditable()) return;
    editor()->setFocus(Qt::MouseFocusReason);
    applyFocusLook();
}

void CustomNSTextField::rightMouseDown(const Event& event)
{
    if (View* around = superview())
        around->rightMouseDown(event);
    else
        TextField::rightMouseDown(event);
}

void CustomNSTextField::becameFocused()
{
    if (isEditable()) {
        applyFocusLook();
        return;
    }
    // A field that cannot be edited takes no focus and shows no box.
    CustomNSTextFieldCell::applyRestLook(*this);
    editor()->clearFocus();
}

void CustomNSTextField::controlTextDidChange()
{
    applyFocusLook();
    if (m_isURL) UIUtilities::getUrlFormInNSTextField(this);
}

void CustomNSTextField::controlTextDidEndEditing()
{
    CustomNSTextFieldCell::applyRestLook(*this);
    NotificationCenter::defaultCenter().postNotificationName(kTextFieldHasChangedNotification,
                                                             static_cast<TextField*>(this));
}

void CustomNSTextField::resignFirstResponder()
{
    CustomNSTextFieldCell::applyRestLook(*this);
}

void CustomNSTextField::drawRect(QPainter& painter, const QRectF&)
{
    CustomNSTextFieldCell::drawInteriorWithFrame(painter, *this);
}

bool CustomNSTextField::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != editor()) return TextField::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto* press = static_cast<QMouseEvent*>(event);
        if (press->button() == Qt::RightButton) {
            // Located as if the field itself had been clicked.
            const QPointF inField = editor()->mapTo(this, press->position().toPoint()) +
                                    (press->position() - press->position().toPoint());
            QMouseEvent moved(press->type(), inField, press->scenePosition(), press->globalPosition(),
                              press->button(), press->buttons(), press->modifiers(), press->pointingDevice());
            moved.setTimestamp(press->timestamp());
            rightMouseDown(eventFrom(&moved, EventType::RightMouseDown));
            return true;
        }
        if (press->button() == Qt::LeftButton && isEditable()) applyFocusLook();
        return TextField::eventFilter(watched, event);
    }
    case QEvent::FocusIn: {
        const bool handled = TextField::eventFilter(watched, event);
        becameFocused();
        return handled;
    }
    case QEvent::FocusOut: {
        // The end of an edit, if any, is reported first.
        const bool handled = TextField::eventFilter(watched, event);
        if (static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason) resignFirstResponder();
        return handled;
    }
    default: return TextField::eventFilter(watched, event);
    }
}
