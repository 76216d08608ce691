#include "HourAndMinute.h"

#include "CustomNSTextField_NSNumberFormatter.h"
#include "DatePicker.h"
#include "Font.h"
#include "NotificationCenter.h"
#include "TextTable.h"
#include "UIUtilities.h"

#include <limits>

namespace {

constexpr qreal rowHeight = 19;

CustomNSTextField_NSNumberFormatter* numberField(const QRectF& frame, qint64 largest, QWidget* parent)
{
    auto* field = new CustomNSTextField_NSNumberFormatter(frame, parent);
    field->setAlignment(Qt::AlignHCenter);
    field->setMinValue(0);
    field->setMaxValue(largest);
    field->setStringValue(QStringLiteral("0"));
    return field;
}

TextField* label(const QRectF& frame, const QString& text, QWidget* parent)
{
    TextField* label = UIUtilities::getCommonTextFieldWithFrame(frame);
    label->setParent(parent);
    label->setTextFont(Font::fontWithName(QStringLiteral("Lucida Grande"), 12));
    label->setStringValue(text);
    label->show();
    return label;
}

// The leading digits of a text; 0 when it starts with none.
qint64 leadingNumber(const QString& text)
{
    qint64 value = 0;
    for (const QChar c : text) {
        if (!c.isDigit()) break;
        if (value > (std::numeric_limits<qint64>::max() - 9) / 10) break;
        value = value * 10 + c.digitValue();
    }
    return value;
}

}  // namespace

HourAndMinute::HourAndMinute(const QRectF& frame, QWidget* parent)
    : View(frame, parent)
{
    m_durationHourTextField = numberField(QRectF(0, 0, 25, rowHeight), 23, this);
    m_hoursLabel = label(QRectF(26, 0, 37, rowHeight), TextTable::localizedString(QStringLiteral("oneOrMoreHrsText")), this);
    m_durationMinuteTextField = numberField(QRectF(63, 0, 25, rowHeight), 59, this);
    m_minutesLabel = label(QRectF(90, 0, 42, rowHeight), TextTable::localizedString(QStringLiteral("oneOrMoreMinsText")), this);

    NotificationCenter& center = NotificationCenter::defaultCenter();
    for (TextField* field : {static_cast<TextField*>(m_durationHourTextField), static_cast<TextField*>(m_durationMinuteTextField)})
        center.addObserver(this, kTextFieldHasChangedNotification, NotificationPayload::identityOf(field),
                           [this](const Notification&) { hasChange(); });
}

HourAndMinute::~HourAndMinute()
{
    NotificationCenter::defaultCenter().removeObserver(this);
}

qint64 HourAndMinute::getHours() const
{
    return leadingNumber(m_durationHourTextField->stringValue());
}

qint64 HourAndMinute::getMinutes() const
{
    return leadingNumber(m_durationMinuteTextField->stringValue());
}

void HourAndMinute::setHours(qint64 hours)
{
    m_durationHourTextField->setStringValue(QString::number(hours));
}

void HourAndMinute::setMins(qint64 minutes)
{
    m_durationMinuteTextField->setStringValue(QString::number(minutes));
}

void HourAndMinute::setEnable(bool enable)
{
    m_durationHourTextField->setEnabled(enable);
    m_durationMinuteTextField->setEnabled(enable);
}

void HourAndMinute::hasChange()
{
    NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kTextFieldHasChangedNotification,
                                                                         static_cast<View*>(this));
}
