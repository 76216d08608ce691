#include "Preferences.h"

#include "TextTable.h"

Preferences::Preferences() : Window(QRectF(0, 0, 560, 420), TitledWindowMask | ClosableWindowMask)
{
    general(nullptr);
}

Preferences::~Preferences() = default;

void Preferences::setSelectedItemIdentifier(const QString& identifier)
{
    m_selected = identifier;
    setWindowTitle(identifier);
}

void Preferences::general(QObject*)
{
    setSelectedItemIdentifier(TextTable::localizedString(QStringLiteral("generalText")));
}

void Preferences::sync(QObject*)
{
    setSelectedItemIdentifier(TextTable::localizedString(QStringLiteral("syncText")));
}
