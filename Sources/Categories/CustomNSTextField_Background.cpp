#include "CustomNSTextField_Background.h"

#include "Color.h"
#include "Font.h"
#include "NotificationCenter.h"

const QString CustomNSTextField_Background::textFieldChangedNotification = QStringLiteral("NSTextField has changed");

CustomNSTextField_Background::CustomNSTextField_Background(const QRectF& frame, QWidget* parent)
    : CustomNSTextField_Background(frame, 12, parent)
{
}

CustomNSTextField_Background::CustomNSTextField_Background(const QRectF& frame, double fontSize, QWidget* parent)
    : TextField(frame, parent)
{
    setEditable(true);
    setBezeled(false);
    setBordered(false);
    setDrawsBackground(true);
    setBackgroundColor(Color::white());
    setTextColor(Color::black());
    setTextFont(Font::fontWithName(QStringLiteral("Lucida Grande"), fontSize));
    setAlignment(Qt::AlignLeft);
    setOnEndEditing([this](TextField*) { controlTextDidEndEditing(); });
}

CustomNSTextField_Background::~CustomNSTextField_Background() = default;

void CustomNSTextField_Background::controlTextDidEndEditing()
{
    NotificationCenter::defaultCenter().postNotificationOnMainThreadName(textFieldChangedNotification,
                                                                         static_cast<QObject*>(this));
}
