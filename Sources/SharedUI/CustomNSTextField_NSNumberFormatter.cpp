#include "CustomNSTextField_NSNumberFormatter.h"

#include "DatePicker.h"
#include "NotificationCenter.h"
#include "NumberOnly.h"

#include <QLineEdit>
#include <QMouseEvent>

#include <limits>

namespace {

constexpr double numberFieldFontSize = 12.0;

// The text's leading whole number (0 when there is none), held at the ends
// of the 64-bit range when it is longer than that.
qint64 integerValueOf(const QString& text)
{
    const QString trimmed = text.trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < trimmed.size() && (trimmed[i] == QLatin1Char('-') || trimmed[i] == QLatin1Char('+')))
        negative = trimmed[i++] == QLatin1Char('-');
    qint64 value = 0;
    for (; i < trimmed.size() && trimmed[i] >= QLatin1Char('0') && trimmed[i] <= QLatin1Char('9'); ++i) {
        const int digit = trimmed[i].unicode() - '0';
        if (value > (std::numeric_limits<qint64>::max() - digit) / 10)
            return negative ? std::numeric_limits<qint64>::min() : std::numeric_limits<qint64>::max();
        value = value * 10 + digit;
    }
    return negative ? -value : value;
}

}  // namespace

CustomNSTextField_NSNumberFormatter::CustomNSTextField_NSNumberFormatter(const QRectF& frame, QWidget* parent)
    : TextField(frame, parent)
{
    setTextColor(Qt::black);
    setTextFont(Font::fontWithName(QStringLiteral("Lucida Grande"), numberFieldFontSize));
    setAlignment(Qt::AlignLeft);
    setBezeled(false);
    setBordered(false);
    setEditable(true);
    setBackgroundColor(Qt::white);
    setDrawsBackground(true);
    NumberOnly formatter;
    formatter.setMaximumLength(int(m_maxLength));
    editor()->setValidator(new NumberOnlyValidator(formatter, editor()));
    setOnEndEditing([this](TextField*) { controlTextDidEndEditing(); });
}

void CustomNSTextField_NSNumberFormatter::setMaxLength(qint64 maxLength)
{
    if (maxLength > 0) m_maxLength = maxLength;
}

QString CustomNSTextField_NSNumberFormatter::clampedText(const QString& text, qint64 minValue, qint64 maxValue)
{
    if (text.isEmpty()) return QString::number(minValue);
    const qint64 value = integerValueOf(text);
    if (value < minValue) return QString::number(minValue);
    if (value > maxValue) return QString::number(maxValue);
    return text;
}

void CustomNSTextField_NSNumberFormatter::controlTextDidEndEditing()
{
    const QString text = stringValue();
    const QString clamped = clampedText(text, m_minValue, m_maxValue);
    if (clamped != text) setStringValue(clamped);
    NotificationCenter::defaultCenter().postNotificationName(kTextFieldHasChangedNotification,
                                                             static_cast<TextField*>(this));
}

void CustomNSTextField_NSNumberFormatter::moveInsertionPointToEnd()
{
    if (!isEditable()) return;
    editor()->setFocus(Qt::MouseFocusReason);
    if (!editor()->text().isEmpty()) editor()->setCursorPosition(int(editor()->text().size()));
}

void CustomNSTextField_NSNumberFormatter::mouseDown(const Event&)
{
    moveInsertionPointToEnd();
}

bool CustomNSTextField_NSNumberFormatter::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == editor()) {
        // The click is not the editor's: it would place the insertion point
        // between the digits, or select them on a double click.
        const QEvent::Type type = event->type();
        const bool mouse = type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick ||
                           type == QEvent::MouseMove || type == QEvent::MouseButtonRelease;
        if (mouse) {
            auto* click = static_cast<QMouseEvent*>(event);
            if (click->button() != Qt::LeftButton && !(click->buttons() & Qt::LeftButton))
                return TextField::eventFilter(watched, event);
            if (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick) moveInsertionPointToEnd();
            return true;
        }
    }
    return TextField::eventFilter(watched, event);
}
