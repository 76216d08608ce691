#include "PrefSyncViewOnly.h"

#include "AccountProcedures.h"
#include "AlertPresenter.h"
#include "Button.h"
#include "Color.h"
#include "CoreData.h"
#include "MainViewAccess.h"
#include "NamedImages.h"
#include "NotificationCenter.h"
#include "PrefPaneSupport.h"
#include "PrefSyncView.h"
#include "ProgressIndicator.h"
#include "ProgressView.h"
#include "RegisterView.h"
#include "Setting.h"
#include "TextTable.h"
#include "UIUtilities.h"
#include "Window.h"
#include "ZVWSync.h"

#include <QDebug>
#include <QLineEdit>
#include <QPainter>

using AccountProcedures::AlertTexts;

namespace {

constexpr double kAccountFieldX = 170;
constexpr double kAccountFieldWidth = 240;
constexpr QSize kMacToWebSheetSize(410, 150);
constexpr QSize kWebToMacSheetSize(430, 150);
const QColor kAccountRuleColor(210, 210, 210);

SettingPtr accountPaneSetting()
{
    CoreData* dataManager = CoreData::shared();
    return dataManager ? dataManager->currentSetting() : nullptr;
}

ZVWSync* accountPaneSync()
{
    CoreData* dataManager = CoreData::shared();
    return dataManager ? dataManager->zvwSync() : nullptr;
}

bool accountStored()
{
    const SettingPtr setting = accountPaneSetting();
    return setting && !setting->zvwUserName().isEmpty() && !setting->zvwPassword().isEmpty();
}

TextField* makeAccountLabel(View* view, const QString& text, double y)
{
    TextField* label = TextField::labelWithString(text, QRectF(20, y + 2, kAccountFieldX - 30, 20));
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    view->addSubview(label);
    return label;
}

TextField* makeAccountField(View* view, double y, bool secure)
{
    auto* field = new TextField(QRectF(kAccountFieldX, y, kAccountFieldWidth, 24));
    field->setTextFont(Font::fontWithName(QStringLiteral("Lucida Grande"), 13));
    field->setTextColor(Qt::black);
    field->setBackgroundColor(Qt::white);
    field->setBordered(true);
    field->setSecure(secure);
    view->addSubview(field);
    return field;
}

TextField* makeAccountNote(View* view, const QString& text, const QRectF& frame, const Font& font)
{
    TextField* note = TextField::labelWithString(text, frame);
    note->setTextFont(font);
    note->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    note->setWraps(true);
    view->addSubview(note);
    return note;
}

Button* makeAccountButton(View* view, const QString& title, const QRectF& frame, std::function<void()> action,
                          const QColor& color = Qt::black, bool bordered = true)
{
    Button* button = UIUtilities::createButton(title, 13, color, Qt::AlignCenter, ButtonType::MomentaryPushIn, frame,
                                               view, [action](Button*) { action(); }, QImage(), QImage(), bordered);
    view->addSubview(button);
    return button;
}

Button* makeOneWayButton(View* view, const QImage& picture, double x, std::function<void()> action)
{
    Button* button = UIUtilities::createButton(QString(), 13, Qt::black, Qt::AlignCenter,
                                               ButtonType::MomentaryPushIn, QRectF(x, 162, 120, 50), view,
                                               [action](Button*) { action(); }, picture, QImage(), false);
    view->addSubview(button);
    return button;
}

void focusField(TextField* field)
{
    if (QLineEdit* editor = field->editor()) editor->setFocus(Qt::TabFocusReason);
}

// The replaces need the network and no other web sync under way; each
// failing condition has its alert.
bool replaceMayStart(QObject* window)
{
    if (!internetReachable || !AccountProcedures::serviceAddressSet()) {
        AccountProcedures::runAlert(
            AccountProcedures::unreachableAlert(), window);
        return false;
    }
    ZVWSync* sync = accountPaneSync();
    if (!sync || sync->isSyncing() || webSyncBusy) {
        AccountProcedures::runAlert({AlertStyle::Informational,
                                     {TextTable::localizedString(QStringLiteral("okText"))},
                                     TextTable::localizedString(QStringLiteral("anErrorText")),
                                     TextTable::localizedString(QStringLiteral("syncRunningMessage"))},
                                    window);
        return false;
    }
    return true;
}

}  // namespace

PrefSyncViewOnly::PrefSyncViewOnly(const QRectF& frame, QWidget* parent) : View(frame, parent)
{
    // Signed out.
    m_userNameLabel =
        makeAccountLabel(this, PrefPanes::labelText(TextTable::localizedString(QStringLiteral("userNameText"))), 15);
    m_userNameField = makeAccountField(this, 15, false);
    m_passWordLabel =
        makeAccountLabel(this, PrefPanes::labelText(TextTable::localizedString(QStringLiteral("passWordText"))), 47);
    m_passWordField = makeAccountField(this, 47, true);
    for (TextField* field : {m_userNameField, m_passWordField}) field->setDelegate(this);
    m_signInBtn = makeAccountButton(this, TextTable::localizedString(QStringLiteral("signInText")),
                                    QRectF(kAccountFieldX, 82, 100, 28), [this] { signIn(); });
    m_forgotBtn = makeAccountButton(this, TextTable::localizedString(QStringLiteral("forgotPassWordText")),
                                    QRectF(kAccountFieldX + 105, 82, frame.width() - kAccountFieldX - 115, 28),
                                    [this] { recoveryPassword(); }, Color::link(), false);
    m_createAccountBtn = makeAccountButton(this, TextTable::localizedString(QStringLiteral("createNewAccountText")),
                                           QRectF(kAccountFieldX, 116, 200, 26), [this] { createNewAccount(); });

    // Signed in.
    m_logInAsLabel =
        makeAccountLabel(this, PrefPanes::labelText(TextTable::localizedString(QStringLiteral("logInAsText"))), 15);
    m_signedInName = TextField::labelWithString(QString(), QRectF(kAccountFieldX, 17, 220, 20));
    m_signedInName->setTextFont(Font::fontWithName(QStringLiteral("Lucida Grande Bold"), 13));
    addSubview(m_signedInName);
    // A fixed text, in every language.
    m_signOutBtn = makeAccountButton(this, QStringLiteral("Sign Out"), QRectF(frame.width() - 120, 13, 100, 28),
                                     [this] { signOut(); });
    m_autoSyncBtn =
        PrefPanes::createCheckBox(TextTable::localizedString(QStringLiteral("autoSyncZVWText")),
                                  QRectF(20, 52, frame.width() - 40, 22), this, [this](Button*) { autoSyncZVW(); });
    addSubview(m_autoSyncBtn);
    const Font italic = Font::fontWithName(QStringLiteral("Helvetica Neue Italic"), 12);
    m_autoSyncWarningLabel = makeAccountNote(this, TextTable::localizedString(QStringLiteral("autosyncWarnText")),
                                             QRectF(44, 76, frame.width() - 64, 34), italic);
    m_warningLabel = makeAccountNote(this, TextTable::localizedString(QStringLiteral("warningOneWaySyncText")),
                                     QRectF(20, 122, frame.width() - 40, 34), italic);
    const double middle = frame.width() / 2;
    m_oneWayMacToWebBtn = makeOneWayButton(this, NamedImages::imageNamed(QStringLiteral("ZVtomZV_btn")), middle - 125,
                                           [this] { oneWayMacToWeb(); });
    m_oneWayWebToMacBtn = makeOneWayButton(this, NamedImages::imageNamed(QStringLiteral("mZVtoZV_btn")), middle + 5,
                                           [this] { oneWayWebToMac(); });
    m_noteForOneWaySyncLabel = makeAccountNote(
        this, TextTable::localizedString(QStringLiteral("noteForOnewaySyncText")),
        QRectF(20, 220, frame.width() - 40, 52), Font::fontWithName(QStringLiteral("Lucida Grande"), 13));

    NotificationCenter& center = NotificationCenter::defaultCenter();
    // Only the main view's repost: the web sync posts the same name itself.
    center.addObserver(this, kZVWAccountInvalidNotification, nullptr, [this](const Notification& notification) {
        const MainViewAccess* mainView = MainViewAccess::current();
        if (mainView && notification.objectIdentity() == NotificationPayload::identityOf(mainView)) ZVWSyncError();
    });
    center.addObserver(this, kSyncZVWFinishedNotification, NotificationPayload::identityOf(this),
                       [this](const Notification&) { finishFullSync(); });
    center.addObserver(this, kSyncZVWFailedNotification, NotificationPayload::identityOf(this),
                       [this](const Notification&) { endSync(false); });
    center.addObserver(this, kServerErrorNotification, nullptr,
                       [this](const Notification& notification) { serverError(notification); });
}

PrefSyncViewOnly::~PrefSyncViewOnly()
{
    NotificationCenter::defaultCenter().removeObserver(this);
}

RegisterView* PrefSyncViewOnly::registerView() const
{
    return m_registerWindow ? static_cast<RegisterView*>(m_registerWindow->contentView()) : nullptr;
}

Window* PrefSyncViewOnly::hostWindow() const
{
    return qobject_cast<Window*>(window());
}

// ---- the account ------------------------------------------------------------------------

void PrefSyncViewOnly::loadData()
{
    const SettingPtr setting = accountPaneSetting();
    if (!setting) return;
    m_autoSyncBtn->setState(setting->autoZVWSync() != 0 ? 1 : 0);
    if (accountStored()) {
        m_userNameField->setStringValue(setting->zvwUserName());
        m_passWordField->setStringValue(setting->zvwPassword());
        toggleSection2(false);
    } else {
        m_userNameField->setStringValue(QString());
        m_passWordField->setStringValue(QString());
        toggleSection2(true);
    }
    if (m_userNameField->stringValue().isEmpty()) setAutomaticSync(false, true);
}

void PrefSyncViewOnly::signIn()
{
    const AccountProcedures::SignInResult result =
        AccountProcedures::signIn(m_userNameField->stringValue(), m_passWordField->stringValue(), hostWindow());
    if (result.outcome == AccountProcedures::SignInOutcome::Refused) m_autoSyncBtn->setState(0);
    if (!result.isSignedIn()) return;
    loadData();
    AccountProcedures::showSignInSuccess(result, hostWindow());
}

void PrefSyncViewOnly::signOut()
{
    AccountProcedures::signOut(hostWindow());
    loadData();
}

void PrefSyncViewOnly::recoveryPassword()
{
    AccountProcedures::openRecoveryPage();
}

void PrefSyncViewOnly::createNewAccount()
{
    if (!m_registerWindow) {
        m_registerWindow = std::make_unique<Window>(QRectF(QPointF(0, 0), RegisterView::size), BorderlessWindowMask);
        m_registerWindow->setContentView(new RegisterView(QRectF(QPointF(0, 0), RegisterView::size)));
    }
    Window* host = hostWindow();
    if (!host || host->attachedSheet()) return;
    host->beginSheet(m_registerWindow.get());
    focusField(registerView()->userName());
}

bool PrefSyncViewOnly::doCommand(TextField* field, FieldCommand command)
{
    switch (command) {
    case FieldCommand::InsertNewline: signIn(); return true;
    case FieldCommand::InsertTab:
    case FieldCommand::InsertBacktab:
    {
        // The two fields take turns, whatever else the window holds. The
        // move waits until the key has been delivered: moved at once, the
        // key press would reach the other field and move the focus back.
        TextField* other = field == m_userNameField ? m_passWordField : m_userNameField;
        QMetaObject::invokeMethod(this, [other] { focusField(other); }, Qt::QueuedConnection);
        return true;
    }
    default: return false;
    }
}

void PrefSyncViewOnly::hideSection1(bool hide)
{
    for (View* control : std::initializer_list<View*>{m_userNameLabel, m_passWordLabel, m_userNameField,
                                                       m_passWordField, m_signInBtn, m_forgotBtn, m_createAccountBtn})
        control->setVisible(!hide);
    for (View* control : std::initializer_list<View*>{m_logInAsLabel, m_signedInName, m_signOutBtn})
        control->setVisible(hide);
}

void PrefSyncViewOnly::toggleSection2(bool signedOut)
{
    hideSection1(!signedOut);
    if (!signedOut)
        if (const SettingPtr setting = accountPaneSetting()) m_signedInName->setStringValue(setting->zvwUserName());
    for (View* control : std::initializer_list<View*>{m_autoSyncBtn, m_autoSyncWarningLabel, m_warningLabel,
                                                      m_oneWayMacToWebBtn, m_oneWayWebToMacBtn,
                                                      m_noteForOneWaySyncLabel})
        control->setVisible(!signedOut);
    if (m_parentView) m_parentView->changeZVWView(signedOut);
    setNeedsDisplay();
}

// ---- automatic sync and the replaces ----------------------------------------------------

void PrefSyncViewOnly::setAutomaticSync(bool on, bool writeSideFile)
{
    m_autoSyncBtn->setState(on ? 1 : 0);
    const SettingPtr setting = accountPaneSetting();
    if (!setting) return;
    setting->setAutoZVWSync(on ? 1 : 0);
    if (writeSideFile && !setting->setAutoSync()) qWarning() << "The automatic sync switches could not be written";
}

void PrefSyncViewOnly::autoSyncZVW()
{
    if (m_autoSyncBtn->state() == 0) {
        setAutomaticSync(false, true);
        return;
    }
    if (!internetReachable || !AccountProcedures::serviceAddressSet()) {
        // The setting stays as it was.
        m_autoSyncBtn->setState(0);
        AccountProcedures::runAlert(
            AccountProcedures::unreachableAlert(), hostWindow());
        return;
    }
    if (!accountStored()) {
        AccountProcedures::runAlert({AlertStyle::Critical,
                                     {TextTable::localizedString(QStringLiteral("okText"))},
                                     TextTable::localizedString(QStringLiteral("anErrorText")),
                                     TextTable::localizedString(QStringLiteral("autoZVWSyncErrorMessage"))},
                                    hostWindow());
        setAutomaticSync(false, true);
        return;
    }
    setAutomaticSync(true, true);
    disableButtons();
    m_syncing = true;
    m_oneWaySync = false;
    m_syncFailed = false;
    ZVWSync* sync = accountPaneSync();
    if (!sync || !sync->backgroundFullSync(this)) endSync(false);
}

void PrefSyncViewOnly::oneWayMacToWeb()
{
    if (!accountStored()) {
        AccountProcedures::runAlert({AlertStyle::Critical,
                                     {TextTable::localizedString(QStringLiteral("okText"))},
                                     TextTable::localizedString(QStringLiteral("anErrorText")),
                                     TextTable::localizedString(QStringLiteral("oneWaySyncErrorMessage"))},
                                    hostWindow());
        return;
    }
    if (!replaceMayStart(hostWindow())) return;
    AlertRequest question =
        AccountProcedures::alertRequest({AlertStyle::Warning,
                                         {TextTable::localizedString(QStringLiteral("okText")),
                                          TextTable::localizedString(QStringLiteral("cancelText"))},
                                         TextTable::localizedString(QStringLiteral("fromMac2WebText")),
                                         TextTable::localizedString(QStringLiteral("warningMac2WebMessage"))},
                                        hostWindow());
    question.iconImage = NamedImages::imageNamed(QStringLiteral("ZVtomZV"));
    if (AlertPresenter::current().runModal(question).button != AlertResponse::firstButton) return;

    showProgressSheet(kMacToWebSheetSize, TextTable::localizedString(QStringLiteral("progressSyncToZVWText")));
    m_autoSyncBtn->setState(0);
    disableButtons();
    m_syncing = true;
    m_oneWaySync = true;
    m_syncFailed = false;
    // Switches automatic sync off and keeps the pending deletions until the
    // run has finished well.
    ZVWSync* sync = accountPaneSync();
    if (!sync || !sync->replaceWebWithLocal(this)) endSync(false);
}

void PrefSyncViewOnly::oneWayWebToMac()
{
    if (!accountStored()) {
        AccountProcedures::runAlert({AlertStyle::Critical,
                                     {TextTable::localizedString(QStringLiteral("okText"))},
                                     TextTable::localizedString(QStringLiteral("anErrorText")),
                                     TextTable::localizedString(QStringLiteral("oneWaySyncErrorMessage"))},
                                    hostWindow());
        return;
    }
    if (!replaceMayStart(hostWindow())) return;
    ZVWSync* sync = accountPaneSync();
    const SettingPtr setting = accountPaneSetting();
    if (sync->checkValidToken(setting->zvwUserName(), setting->zvwPassword()) < 0) {
        if (sync->lastAccountCheck() == ZVWSync::AccountCheck::NoReply) {
            // No reply says nothing about the account: nothing changes.
            AccountProcedures::runAlert(
                AccountProcedures::unreachableAlert(), hostWindow());
            return;
        }
        const int answer = AccountProcedures::runAlert(
            {AlertStyle::Critical,
             {TextTable::localizedString(QStringLiteral("setUpText")),
              TextTable::localizedString(QStringLiteral("cancelText"))},
             TextTable::localizedString(QStringLiteral("anErrorText")),
             TextTable::localizedString(QStringLiteral("autoSyncZVWWithInvalidUserNameNPasswordText"))},
            hostWindow());
        if (answer != AlertResponse::firstButton) return;
        signOut();
        loadData();
        focusField(m_userNameField);
        return;
    }
    AlertRequest question =
        AccountProcedures::alertRequest({AlertStyle::Warning,
                                         {TextTable::localizedString(QStringLiteral("okText")),
                                          TextTable::localizedString(QStringLiteral("cancelText"))},
                                         TextTable::localizedString(QStringLiteral("fromWeb2MacText")),
                                         TextTable::localizedString(QStringLiteral("warningWeb2MacMessage"))},
                                        hostWindow());
    question.iconImage = NamedImages::imageNamed(QStringLiteral("mZVtoZV"));
    question.accessoryText = TextTable::localizedString(QStringLiteral("warningDuplicateOneWaySyncText"));
    if (AlertPresenter::current().runModal(question).button != AlertResponse::firstButton) return;

    showProgressSheet(kWebToMacSheetSize, TextTable::localizedString(QStringLiteral("progressSyncFromZVWText")));
    m_autoSyncBtn->setState(0);
    disableButtons();
    m_syncing = true;
    m_oneWaySync = true;
    m_syncFailed = false;
    // Confirms the account again, switches automatic sync off, wipes the
    // local data with the pending deletions and the stamps, then fetches
    // everything.
    const ZVWSync::WebToMac started = sync->prepareOneWayWebToMac(this);
    if (started != ZVWSync::WebToMac::Started) {
        qWarning() << "The local data was not replaced:" << int(started);
        endSync(false);
        AccountProcedures::runAlert({AlertStyle::Critical,
                                     {TextTable::localizedString(QStringLiteral("okText"))},
                                     TextTable::localizedString(QStringLiteral("anErrorText")),
                                     TextTable::localizedString(QStringLiteral("oneWaySyncNotStartedMessage"))},
                                    hostWindow());
    }
}

void PrefSyncViewOnly::disableButtons()
{
    setControlsEnabled(false);
}

void PrefSyncViewOnly::setControlsEnabled(bool enabled)
{
    for (Button* control : {m_autoSyncBtn, m_oneWayMacToWebBtn, m_oneWayWebToMacBtn}) control->setEnabled(enabled);
}

void PrefSyncViewOnly::showProgressSheet(const QSize& size, const QString& text)
{
    m_progressWindow = std::make_unique<Window>(QRectF(QPointF(0, 0), QSizeF(size)), BorderlessWindowMask);
    auto* progress = new ProgressView(QRectF(QPointF(0, 0), QSizeF(size)));
    progress->setTextProgessing(text);
    m_progressWindow->setContentView(progress);
    if (Window* host = hostWindow(); host && host->isVisible() && !host->attachedSheet())
        host->beginSheet(m_progressWindow.get());
    else
        m_progressWindow->orderFront();
    progress->progessIndicator()->startAnimation();
}

void PrefSyncViewOnly::endProgressSheet()
{
    if (!m_progressWindow) return;
    static_cast<ProgressView*>(m_progressWindow->contentView())->progessIndicator()->stopAnimation();
    if (Window* host = hostWindow(); host && host->attachedSheet() == m_progressWindow.get())
        host->endSheet(m_progressWindow.get());
    m_progressWindow->orderOut();
}

void PrefSyncViewOnly::endSync(bool succeeded)
{
    setControlsEnabled(true);
    m_syncing = false;
    if (!m_oneWaySync) return;
    m_oneWaySync = false;
    endProgressSheet();
    // After a failure the main view's error alert is the only message.
    if (succeeded)
        AccountProcedures::runAlert({AlertStyle::Informational,
                                     {TextTable::localizedString(QStringLiteral("okText"))},
                                     TextTable::localizedString(QStringLiteral("oneWaySyncCompletedText")),
                                     QString()},
                                    hostWindow());
}

void PrefSyncViewOnly::finishFullSync()
{
    endSync(!m_syncFailed);
}

void PrefSyncViewOnly::serverError(const Notification&)
{
    if (m_syncing) m_syncFailed = true;
}

void PrefSyncViewOnly::handleViewErrorWhenSyncing()
{
    if (m_syncing) m_syncFailed = true;
    setControlsEnabled(true);
    if (!m_oneWaySync) return;
    m_oneWaySync = false;
    endProgressSheet();
}

void PrefSyncViewOnly::ZVWSyncError()
{
    Window* host = hostWindow();
    if (!host || !host->isVisible() || !host->isKeyWindow()) return;
    if (m_syncing) m_syncFailed = true;
    setAutomaticSync(false, true);
    AccountProcedures::runAlert({AlertStyle::Critical,
                                 {TextTable::localizedString(QStringLiteral("tryAgainText"))},
                                 TextTable::localizedString(QStringLiteral("anErrorText")),
                                 TextTable::localizedString(QStringLiteral("loginFailMessage"))},
                                host);
}

void PrefSyncViewOnly::drawRect(QPainter& painter, const QRectF&)
{
    if (m_autoSyncBtn->isHidden()) return;
    const double y = m_warningLabel->frame().y() - 7 + 0.5;
    painter.setPen(QPen(kAccountRuleColor, 1));
    painter.drawLine(QPointF(10, y), QPointF(width() - 10, y));
}
