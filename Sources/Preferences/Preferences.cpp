#include "Preferences.h"

#include "CoreData.h"
#include "NamedImages.h"
#include "PrefBackupView.h"
#include "PrefGeneralView.h"
#include "PrefSyncView.h"
#include "PrefTaskView.h"
#include "Screen.h"
#include "Setting.h"
#include "TextTable.h"
#include "Toolbar.h"

#include <QDebug>

#include <array>
#include <cmath>

namespace {

struct PreferenceTab {
    const char* key;
    QSizeF size;
};

// The sync tab's height is that with an account stored; without one the
// pane is 40 points lower.
const std::array<PreferenceTab, 4> kPreferenceTabs{{
    {"generalText", QSizeF(510, 600)},
    {"tasksText", QSizeF(510, 565)},
    {"syncText", QSizeF(570, 510)},
    {"backupText", QSizeF(510, 325)},
}};
constexpr double kSyncHeightWithoutAccount = 470;
// The window grows or shrinks to the next tab's size in this time.
constexpr double kTabResizeSeconds = 0.2;

// In the order of the tabs; the names written out, so the image check finds them.
QImage tabImage(size_t tab)
{
    switch (tab) {
    case 0: return NamedImages::imageNamed(QStringLiteral("settings_general"));
    case 1: return NamedImages::imageNamed(QStringLiteral("settings_task"));
    case 2: return NamedImages::imageNamed(QStringLiteral("settings_sync"));
    default: return NamedImages::imageNamed(QStringLiteral("settings_backup"));
    }
}

// In the order of the tabs; the keys written out, so the text check finds them.
QString tabIdentifier(size_t tab)
{
    switch (tab) {
    case 0: return TextTable::localizedString(QStringLiteral("generalText"));
    case 1: return TextTable::localizedString(QStringLiteral("tasksText"));
    case 2: return TextTable::localizedString(QStringLiteral("syncText"));
    default: return TextTable::localizedString(QStringLiteral("backupText"));
    }
}

bool isAccountStored()
{
    CoreData* dataManager = CoreData::shared();
    const SettingPtr setting = dataManager ? dataManager->currentSetting() : nullptr;
    return setting && !setting->zvwUserName().isEmpty() && !setting->zvwPassword().isEmpty();
}

QSizeF paneSize(const QSizeF& windowSize)
{
    return QSizeF(windowSize.width(), windowSize.height() - Toolbar::height);
}

}  // namespace

Preferences::Preferences()
    : Window(QRectF(0, 0, 510, 600), TitledWindowMask | ClosableWindowMask | MiniaturizableWindowMask)
{
    setDelegate(this);
    // The upper part of the screen, as set-up windows open.
    const QRectF screen = Screen::mainFrame();
    setFrame(QRectF(std::round((screen.width() - 510) / 2), std::round((screen.height() - 600) * 2 / 3), 510, 600),
             false);

    m_toolBar = new Toolbar(QStringLiteral("Preference"), 510);
    m_toolBar->setItems(toolbarDefaultItemIdentifiers(),
                        [this](const QString& identifier) { return itemForItemIdentifier(identifier); });
    setToolbarView(m_toolBar);

    m_genView = new PrefGeneralView(QRectF(QPointF(0, 0), paneSize(kPreferenceTabs[0].size)), this);
    m_taskView = new PrefTaskView(QRectF(QPointF(0, 0), paneSize(kPreferenceTabs[1].size)), this);
    // The sync pane sizes the window itself as the account is signed in or out.
    m_syncView = new PrefSyncView(QRectF(QPointF(0, 0), paneSize(QSizeF(kPreferenceTabs[2].size.width(),
                                                                        PrefSyncView::signedInWindowHeight))),
                                  this);
    m_syncView->setParentPanel(this);
    m_bckView = new PrefBackupView(QRectF(QPointF(0, 0), paneSize(kPreferenceTabs[3].size)), this);
    for (View* pane : {static_cast<View*>(m_genView), static_cast<View*>(m_taskView), static_cast<View*>(m_syncView),
                       static_cast<View*>(m_bckView)})
        pane->hide();
    // No pane until the opener picks a tab.
    if (View* empty = replaceContentView(new View(this))) empty->deleteLater();
}

Preferences::~Preferences() = default;

QStringList Preferences::toolbarDefaultItemIdentifiers()
{
    QStringList identifiers;
    for (size_t tab = 0; tab < kPreferenceTabs.size(); ++tab) identifiers.append(tabIdentifier(tab));
    return identifiers;
}

std::optional<ToolbarItem> Preferences::itemForItemIdentifier(const QString& identifier)
{
    for (size_t i = 0; i < kPreferenceTabs.size(); ++i) {
        if (identifier != tabIdentifier(i)) continue;
        const std::array<void (Preferences::*)(QObject*), 4> actions{&Preferences::general, &Preferences::tasks,
                                                                       &Preferences::sync, &Preferences::backups};
        const auto action = actions[i];
        return ToolbarItem{identifier, identifier, tabImage(i),
                           [this, action] { (this->*action)(nullptr); }};
    }
    return std::nullopt;
}

QSizeF Preferences::tabFrameSize(const QString& identifier, bool accountStored)
{
    for (size_t i = 0; i < kPreferenceTabs.size(); ++i) {
        const PreferenceTab& tab = kPreferenceTabs[i];
        if (identifier != tabIdentifier(i)) continue;
        if (QLatin1String(tab.key) == QLatin1String("syncText") && !accountStored)
            return QSizeF(tab.size.width(), kSyncHeightWithoutAccount);
        return tab.size;
    }
    return QSizeF();
}

QRectF Preferences::frameKeepingTopLeft(const QRectF& frame, const QSizeF& size)
{
    const double oldHeight = std::floor(frame.height());
    return QRectF(frame.x(), frame.y() - (size.height() - oldHeight), size.width(), size.height());
}

QString Preferences::selectedItemIdentifier() const
{
    return m_toolBar->selectedItemIdentifier();
}

void Preferences::setSelectedItemIdentifier(const QString& identifier)
{
    m_toolBar->setSelectedItemIdentifier(identifier);
}

void Preferences::showTab(const QString& identifier, View* pane)
{
    setWindowTitle(identifier);
    m_toolBar->setSelectedItemIdentifier(identifier);
    const QSizeF size = tabFrameSize(identifier, isAccountStored());
    animateFrame(frameKeepingTopLeft(frame(), size), kTabResizeSeconds);
    // The panes are kept: the one taken out waits, hidden, for its tab.
    replaceContentView(pane);
}

void Preferences::general(QObject*)
{
    showTab(TextTable::localizedString(QStringLiteral("generalText")), m_genView);
    m_genView->loadData();
}

void Preferences::tasks(QObject*)
{
    showTab(TextTable::localizedString(QStringLiteral("tasksText")), m_taskView);
    m_taskView->loadData();
}

void Preferences::sync(QObject*)
{
    showTab(TextTable::localizedString(QStringLiteral("syncText")), m_syncView);
    m_syncView->loadData();
}

void Preferences::backups(QObject*)
{
    showTab(TextTable::localizedString(QStringLiteral("backupText")), m_bckView);
    m_bckView->loadData();
}

void Preferences::windowDidBecomeKey(Window*)
{
    // The categories may have changed in the main window meanwhile.
    if (selectedItemIdentifier() == TextTable::localizedString(QStringLiteral("generalText"))) general(nullptr);
}

void Preferences::signOutAccount()
{
    m_syncView->signOutAccount();
}

void Preferences::closeProgressBarSyncing()
{
    m_syncView->closeProgressBarSyncing();
}
