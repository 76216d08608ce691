#include "Preferences.h"

#include "TextTable.h"

#include <QDebug>

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

void Preferences::signOutAccount()
{
    ++m_signOutRequests;
    qInfo() << "The sync pane that signs the web account out is not built yet";
}

void Preferences::closeProgressBarSyncing()
{
    ++m_closeProgressBarRequests;
}
