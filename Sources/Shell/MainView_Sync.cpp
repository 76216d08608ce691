// The web-sync trigger of the bottom bar, its indicator, and how the main
// window shows the web service's errors.
#include "MainView.h"

#include "AccountProcedures.h"
#include "AlertPresenter.h"
#include "Button.h"
#include "CoreData.h"
#include "MainQueue.h"
#include "Notification.h"
#include "NotificationCenter.h"
#include "Notifications.h"
#include "Preferences.h"
#include "ProgressSpinner.h"
#include "Setting.h"
#include "SyncProgressView.h"
#include "TextTable.h"
#include "ZVWSync.h"

#include <QDebug>
#include <QPointer>

namespace {

// A failure text longer than this is cut in the alert (the log has it all):
// an alert is no place for a page of a reply.
constexpr int longestShownErrorText = 600;

SettingPtr currentSetting()
{
    CoreData* manager = CoreData::shared();
    return manager ? manager->currentSetting() : SettingPtr();
}

void turnAutomaticWebSyncOff()
{
    const SettingPtr setting = currentSetting();
    if (!setting) return;
    setting->setAutoZVWSync(0);
    if (!setting->setAutoSync()) qWarning() << "Automatic web sync was turned off but could not be saved";
}

}  // namespace

// ---- the indicator -------------------------------------------------------------------

void MainView::showSyncingIndicator()
{
    m_syncingIndicatorShown = true;
    m_syncingView->setHidden(false);
    m_syncingBtn->setHidden(true);
    m_syncingView->progressView()->startAnimation();
}

void MainView::hideSyncingIndicator()
{
    m_syncingIndicatorShown = false;
    m_syncingView->progressView()->stopAnimation();
    m_syncingView->setHidden(true);
    m_syncingBtn->setHidden(false);
    // The comment counts may have changed with the sync.
    NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kRefreshCommentCount,
                                                                         static_cast<QObject*>(this));
}

// ---- the sync command ------------------------------------------------------------------

void MainView::syncZVW()
{
    if (!internetReachable || !AccountProcedures::serviceAddressSet()) {
        AccountProcedures::runAlert(AccountProcedures::unreachableAlert());  // the one button only closes it
        return;
    }
    const SettingPtr setting = currentSetting();
    const QString userName = setting ? setting->zvwUserName() : QString();
    const QString password = setting ? setting->zvwPassword() : QString();
    if (!userName.isEmpty() && !password.isEmpty()) {
        CoreData* manager = CoreData::shared();
        ZVWSync* sync = manager ? manager->zvwSync() : nullptr;
        if (!sync)
            qWarning() << "A web sync was asked for with no web-sync object";
        else if (!sync->backgroundFullSync(nullptr))
            qInfo() << "A web sync was asked for while one runs; it goes on";
        return;
    }
    if (runAccountAlert(TextTable::localizedString(QStringLiteral("invalidUserNameNPasswordText")), true))
        showPreferencesAtSyncPane(false);
}

// ---- the account alert and the preferences' sync pane ------------------------------------

bool MainView::runAccountAlert(const QString& informativeText, bool attached)
{
    AlertRequest request;
    request.style = AlertStyle::Critical;
    request.messageText = TextTable::localizedString(QStringLiteral("anErrorText"));
    request.informativeText = informativeText;
    const int setUp = request.addButtonWithTitle(TextTable::localizedString(QStringLiteral("setUpText")));
    request.addButtonWithTitle(TextTable::localizedString(QStringLiteral("cancelText")));
    request.attached = attached;
    return AlertPresenter::current().runModal(request).button == setUp;
}

void MainView::showPreferencesAtSyncPane(bool signOut)
{
    Preferences* window = preferencesWindow();
    window->setSelectedItemIdentifier(TextTable::localizedString(QStringLiteral("syncText")));
    if (signOut) window->signOutAccount();
    window->sync(this);
    window->makeKeyAndOrderFront();
}

// ---- the web service's errors -------------------------------------------------------------

void MainView::accountInvalidNotification(const Notification& notification)
{
    // Only the web-sync object's own refusal: the view reposts the name
    // itself for the preferences, and anything else may post it too.
    CoreData* manager = CoreData::shared();
    const ZVWSync* sync = manager ? manager->zvwSync() : nullptr;
    if (!sync || notification.objectIdentity() != NotificationPayload::identityOf(sync)) return;
    // The sync's thread waits until the user has answered.
    QPointer<MainView> self(this);
    MainQueue::sync([self] {
        if (self) self->ZVWSyncError();
    });
}

void MainView::ZVWSyncError()
{
    if (isWindowVisible() && isKeyWindow()) {
        turnAutomaticWebSyncOff();
        if (runAccountAlert(TextTable::localizedString(QStringLiteral("invalidUserNameNPasswordText")), true))
            showPreferencesAtSyncPane(true);
        return;
    }
    if (m_pref && m_pref->isKeyWindow()) {
        // The preferences' sync pane shows the refusal itself.
        NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kZVWAccountInvalidNotification,
                                                                             static_cast<QObject*>(this));
        return;
    }
    turnAutomaticWebSyncOff();
    if (m_pref) m_pref->closeProgressBarSyncing();
    if (runAccountAlert(TextTable::localizedString(QStringLiteral("autoSyncZVWWithInvalidUserNameNPasswordText")),
                        false))
        showPreferencesAtSyncPane(true);
}

void MainView::serverHasError(const Notification& notification)
{
    QString text = notification.objectAs<QString>().trimmed();
    qWarning() << "The web service reported:" << text;
    if (text.isEmpty()) text = TextTable::localizedString(QStringLiteral("anErrorText"));
    if (text.size() > longestShownErrorText) text = text.left(longestShownErrorText) + QChar(0x2026);
    AlertRequest request;
    request.style = AlertStyle::Warning;
    request.messageText = text;
    request.addButtonWithTitle(TextTable::localizedString(QStringLiteral("okText")));
    request.attached = false;
    AlertPresenter::current().runModal(request);
}
