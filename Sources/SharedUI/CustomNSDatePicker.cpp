#include "CustomNSDatePicker.h"

#include "Utilities.h"

#include <QDateTimeEdit>
#include <QEvent>
#include <QFocusEvent>
#include <QLineEdit>
#include <QPainter>

#include <algorithm>

namespace {

constexpr double fontSize = 12.0;
// The shadow: black, blurred over 2 points, half a point to the left and
// half a point down.
constexpr double shadowBlur = 2.0;
constexpr double shadowOffsetX = -0.5;
constexpr double shadowOffsetDown = 0.5;
constexpr int shadowSteps = 4;
constexpr double shadowOpacity = 0.35;

}  // namespace

CustomNSDatePicker::CustomNSDatePicker(const QRectF& frame, QWidget* parent)
    : DatePicker(frame, parent, DatePickerElements::DateHourMinute)
{
    setTextFont(Font::fontWithName(QStringLiteral("Lucida Grande"), fontSize));
    // The clock of every other time the program shows, not the kit picker's
    // own 24-hour default.
    setUses24HourClock(Utilities::use24HourClock());
    QDateTimeEdit* edit = editor();
    // The box is ours to draw: the stock editor keeps no frame and no fill.
    edit->setFrame(false);
    edit->setAutoFillBackground(false);
    edit->setAttribute(Qt::WA_MacShowFocusRect, false);
    QPalette palette = edit->palette();
    palette.setColor(QPalette::Base, Qt::transparent);
    palette.setColor(QPalette::Window, Qt::transparent);
    palette.setColor(QPalette::Text, Qt::black);
    edit->setPalette(palette);
    if (QLineEdit* line = edit->findChild<QLineEdit*>()) {
        line->setAutoFillBackground(false);
        line->setPalette(palette);
        line->installEventFilter(this);
    }
    edit->installEventFilter(this);
    edit->setGeometry(boxRect(rect()).toAlignedRect());
}

QRectF CustomNSDatePicker::boxRect(const QRectF& bounds)
{
    const double inset = std::min({shadowBlur, bounds.width() / 2, bounds.height() / 2});
    return bounds.adjusted(inset, inset, -inset, -inset);
}

void CustomNSDatePicker::setFocusLook(bool focused)
{
    if (m_focusLook == focused) return;
    m_focusLook = focused;
    update();
}

void CustomNSDatePicker::mouseDown(const Event&)
{
    editor()->setFocus(Qt::MouseFocusReason);
    setFocusLook(true);
}

void CustomNSDatePicker::drawRect(QPainter& painter, const QRectF&)
{
    if (!m_focusLook) return;
    const QRectF box = boxRect(bounds());
    // The blur as rings fading outwards, under the box.
    const QRectF shadow = box.translated(shadowOffsetX, shadowOffsetDown);
    painter.setPen(Qt::NoPen);
    for (int step = shadowSteps; step >= 1; --step) {
        const double spread = shadowBlur * step / shadowSteps;
        painter.setBrush(QColor(0, 0, 0, int(255 * shadowOpacity / shadowSteps)));
        painter.drawRect(shadow.adjusted(-spread, -spread, spread, spread));
    }
    painter.fillRect(box, Qt::white);
}

bool CustomNSDatePicker::eventFilter(QObject* watched, QEvent* event)
{
    const bool ours = watched == editor() || watched->parent() == editor();
    if (!ours) return DatePicker::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::FocusIn: setFocusLook(true); break;
    case QEvent::FocusOut:
        // A context menu takes the focus for a moment only.
        if (static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason && !editor()->hasFocus())
            setFocusLook(false);
        break;
    default: break;
    }
    return DatePicker::eventFilter(watched, event);
}

void CustomNSDatePicker::resizeEvent(QResizeEvent* event)
{
    DatePicker::resizeEvent(event);
    editor()->setGeometry(boxRect(rect()).toAlignedRect());
}
