#include "Preferences.h"

#include "PrefBackupView.h"
#include "TextTable.h"

#include <QDebug>

Preferences::Preferences() : Window(QRectF(0, 0, 560, 420), TitledWindowMask | ClosableWindowMask)
{
    // The page hangs from the top of the window.
    View* content = contentView();
    const QRectF area = content->bounds();
    const double top = content->isFlipped() ? 0 : area.height() - backupPageHeight;
    m_backupView = new PrefBackupView(QRectF(0, top, area.width(), backupPageHeight));
    m_backupView->setAutoresizingMask(ViewWidthSizable | (content->isFlipped() ? ViewMaxYMargin : ViewMinYMargin));
    content->addSubview(m_backupView);
    general(nullptr);
    // Opens in the middle of the screen, not at its corner.
    center();
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
