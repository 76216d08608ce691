#include "AccountProcedures.h"

#include "AlertPresenter.h"
#include "CoreData.h"
#include "Setting.h"
#include "TextTable.h"
#include "UrlOpener.h"
#include "Utilities.h"
#include "ZVWService.h"
#include "ZVWSync.h"

#include <QDebug>
#include <QDir>
#include <QUrl>

namespace AccountProcedures {

namespace {

// Looked up when shown: the language may change after start-up.
AlertTexts signUpErrorAlert()
{
    return {AlertStyle::Critical,
            {TextTable::localizedString(QStringLiteral("tryAgainText"))},
            TextTable::localizedString(QStringLiteral("anErrorText")),
            TextTable::localizedString(QStringLiteral("signUpErrorMessage"))};
}

SettingPtr accountSetting()
{
    CoreData* dataManager = CoreData::shared();
    return dataManager ? dataManager->currentSetting() : nullptr;
}

ZVWSync* accountSync()
{
    CoreData* dataManager = CoreData::shared();
    return dataManager ? dataManager->zvwSync() : nullptr;
}

// The service's refusals: 1 to 4 the request, 5 a user name already taken.
constexpr qint64 kNameTakenCode = 5;

}  // namespace

bool serviceAddressSet()
{
    // Without a sync object there is nothing to tell about its address.
    const ZVWSync* sync = accountSync();
    return !sync || sync->baseAddress() != ZVWService::defaultBaseAddress();
}

AlertTexts unreachableAlert()
{
    if (!serviceAddressSet())
        return {AlertStyle::Informational,
                {TextTable::localizedString(QStringLiteral("okText"))},
                TextTable::localizedString(QStringLiteral("noServiceAddressText")),
                TextTable::localizedString(QStringLiteral("noServiceAddressMessage"))
                    .arg(QDir::toNativeSeparators(ZVWService::configurationFilePath()))};
    return {AlertStyle::Informational,
            {TextTable::localizedString(QStringLiteral("tryAgainText"))},
            TextTable::localizedString(QStringLiteral("noInternetText")),
            TextTable::localizedString(QStringLiteral("noInternetMessage"))};
}

AlertRequest alertRequest(const AlertTexts& texts, QObject* window)
{
    AlertRequest request;
    request.style = texts.style;
    for (const QString& title : texts.buttons) request.addButtonWithTitle(title);
    request.messageText = texts.message;
    request.informativeText = texts.informative;
    request.attached = window != nullptr;
    request.attachedTo = window;
    return request;
}

int runAlert(const AlertTexts& texts, QObject* window)
{
    return AlertPresenter::current().runModal(alertRequest(texts, window)).button;
}

// ---- sign-in ----------------------------------------------------------------------------

AlertTexts signInAlert(const SignInResult& result)
{
    switch (result.outcome) {
    case SignInOutcome::NoNetwork:
    case SignInOutcome::NoConnection: return unreachableAlert();
    case SignInOutcome::Refused:
        return {AlertStyle::Critical,
                {TextTable::localizedString(QStringLiteral("tryAgainText"))},
                TextTable::localizedString(QStringLiteral("loginFailText")),
                TextTable::localizedString(QStringLiteral("loginFailMessage"))};
    case SignInOutcome::NotKept: return {};
    case SignInOutcome::SignedIn:
    case SignInOutcome::SignedInAnew: break;
    }
    if (!result.remembered)
        return {AlertStyle::Warning,
                {TextTable::localizedString(QStringLiteral("okText"))},
                TextTable::localizedString(QStringLiteral("anErrorText")),
                TextTable::localizedString(QStringLiteral("accountNotRememberedMessage"))};
    return {AlertStyle::Informational,
            {TextTable::localizedString(QStringLiteral("okText"))},
            TextTable::localizedString(QStringLiteral("congratulationsText")),
            TextTable::localizedString(QStringLiteral("loginSuccessMessage"))};
}

SignInResult signIn(const QString& userName, const QString& password, QObject* window)
{
    SignInResult result;
    ZVWSync* sync = accountSync();
    const SettingPtr setting = accountSetting();
    if (!serviceAddressSet() || !internetReachable || !sync || !setting) {
        runAlert(signInAlert(result), window);
        return result;
    }
    const QString heldUserName = setting->zvwUserName();
    const QString heldPassword = setting->zvwPassword();
    // Sent exactly as typed: an empty or padded text is the service's to refuse.
    const qint64 answer = sync->checkValidity(userName, password);
    if (answer < 0) {
        // No reply tells nothing about the account: what is stored stays.
        if (sync->lastAccountCheck() == ZVWSync::AccountCheck::NoReply) {
            result.outcome = SignInOutcome::NoConnection;
        } else {
            result.outcome = SignInOutcome::Refused;
            setting->setAutoZVWSync(0);
            if (!setting->setAutoSync()) qWarning() << "The automatic sync switches could not be written";
        }
        runAlert(signInAlert(result), window);
        return result;
    }
    result.outcome = answer == 2 ? SignInOutcome::SignedInAnew : SignInOutcome::SignedIn;
    if (result.outcome == SignInOutcome::SignedInAnew) {
        // Another user's stamps must not limit what the new account fetches,
        // so the account is taken only with them cleared. Refused, the
        // account held before stays, in memory and in its file.
        CoreData* dataManager = CoreData::shared();
        if (!dataManager || !dataManager->saveSettingFromView([](Setting& kept) {
                kept.setAutoZVWSync(0);
                kept.setLastUpdate(0);
                kept.setLastUpdateWork(0);
            }, window)) {
            qWarning() << "The settings of another user's account could not be saved; the account held before stays";
            setting->setZvwUserName(heldUserName);
            setting->setZvwPassword(heldPassword);
            result.outcome = SignInOutcome::NotKept;
            return result;
        }
        if (!setting->setAutoSync()) qWarning() << "The automatic sync switches could not be written";
    }
    result.remembered = CoreData::writeZVWAccount(userName, password);
    if (!result.remembered) qWarning() << "The account file could not be written; the account is not remembered";
    return result;
}

void showSignInSuccess(const SignInResult& result, QObject* window)
{
    if (result.isSignedIn()) runAlert(signInAlert(result), window);
}

// ---- sign-out ---------------------------------------------------------------------------

bool signOut(QObject* window)
{
    // The shared data goes first: refused, the account stays signed in,
    // its file and its data as they were.
    if (CoreData* dataManager = CoreData::shared();
        dataManager && !dataManager->saveChangeFromView({}, [&] { return dataManager->removeAllSharedDataInLocal(); }, window)) {
        qWarning() << "The shared data could not be removed; the account stays signed in";
        return false;
    }
    const bool written = CoreData::writeZVWAccount(QString(), QString());
    if (const SettingPtr setting = accountSetting()) {
        setting->setZvwUserName(QString());
        setting->setZvwPassword(QString());
        setting->setZvwToken(QString());
    }
    if (!written) {
        qWarning() << "The account file could not be written at sign-out";
        runAlert({AlertStyle::Warning,
                  {TextTable::localizedString(QStringLiteral("okText"))},
                  TextTable::localizedString(QStringLiteral("anErrorText")),
                  TextTable::localizedString(QStringLiteral("signOutNotRememberedMessage"))},
                 window);
    }
    return written;
}

// ---- sign-up ----------------------------------------------------------------------------

SignUpCheck checkSignUp(const SignUpFields& fields, bool networkReachable)
{
    if (!networkReachable) return SignUpCheck::NoNetwork;
    if (fields.userName.isEmpty() || fields.password.isEmpty()) return SignUpCheck::MissingField;
    if (!Utilities::isEmailValid(fields.userName)) return SignUpCheck::NotAnEmail;
    if (fields.confirmation && *fields.confirmation != fields.password) return SignUpCheck::PasswordsDiffer;
    return SignUpCheck::Passed;
}

SignUpAnswer signUpAnswer(qint64 result, bool transportFailed)
{
    if (result == 0) return SignUpAnswer::Created;
    if (result >= 1 && result < kNameTakenCode) return SignUpAnswer::Refused;
    if (result == kNameTakenCode) return SignUpAnswer::NameTaken;
    return transportFailed ? SignUpAnswer::NoConnection : SignUpAnswer::NotUnderstood;
}

std::optional<AlertTexts> signUpCheckAlert(SignUpCheck check)
{
    switch (check) {
    case SignUpCheck::Passed: return std::nullopt;
    case SignUpCheck::NoNetwork: return unreachableAlert();
    case SignUpCheck::MissingField: return signUpErrorAlert();
    case SignUpCheck::NotAnEmail:
        return AlertTexts{AlertStyle::Critical,
                          {TextTable::localizedString(QStringLiteral("tryAgainText"))},
                          TextTable::localizedString(QStringLiteral("anErrorText")),
                          TextTable::localizedString(QStringLiteral("incorrectEmailMessage"))};
    case SignUpCheck::PasswordsDiffer:
        return AlertTexts{AlertStyle::Critical,
                          {TextTable::localizedString(QStringLiteral("tryAgainText"))},
                          TextTable::localizedString(QStringLiteral("anErrorText")),
                          TextTable::localizedString(QStringLiteral("passWordNotMatchMessage"))};
    }
    return std::nullopt;
}

AlertTexts signUpAnswerAlert(SignUpAnswer answer)
{
    switch (answer) {
    case SignUpAnswer::Created:
        return {AlertStyle::Informational,
                {TextTable::localizedString(QStringLiteral("okText"))},
                TextTable::localizedString(QStringLiteral("congratulationsText")),
                TextTable::localizedString(QStringLiteral("successMessage"))};
    case SignUpAnswer::NameTaken:
        return {AlertStyle::Critical,
                {TextTable::localizedString(QStringLiteral("tryAgainText")),
                 TextTable::localizedString(QStringLiteral("recoverPasswordText"))},
                TextTable::localizedString(QStringLiteral("anErrorText")),
                TextTable::localizedString(QStringLiteral("userNameExistMessage"))};
    case SignUpAnswer::NoConnection: return unreachableAlert();
    case SignUpAnswer::Refused:
    case SignUpAnswer::NotUnderstood: break;
    }
    return signUpErrorAlert();
}

SignUpEnd signUp(const SignUpFields& fields, QObject* window)
{
    if (const std::optional<AlertTexts> failed = signUpCheckAlert(checkSignUp(fields, internetReachable && serviceAddressSet()))) {
        runAlert(*failed, window);
        return SignUpEnd::StayOpen;
    }
    ZVWSync* sync = accountSync();
    if (!sync) return SignUpEnd::StayOpen;
    const qint64 result = sync->createNewAccount(fields.userName, fields.password);
    const SignUpAnswer answer = signUpAnswer(result, sync->lastCreationFailedInTransport());
    const int button = runAlert(signUpAnswerAlert(answer), window);
    if (answer == SignUpAnswer::Created) return SignUpEnd::Created;
    if (answer == SignUpAnswer::NameTaken && button == AlertResponse::firstButton + 1)
        return SignUpEnd::RecoverPassword;
    return SignUpEnd::StayOpen;
}

// ---- the recovery page ------------------------------------------------------------------

QString recoveryAddress()
{
    ZVWSync* sync = accountSync();
    return sync ? QStringLiteral("%1/recovery").arg(sync->baseAddress()) : QString();
}

void openRecoveryPage()
{
    const QString address = recoveryAddress();
    if (!UrlOpener::current().openUrl(QUrl(address))) qWarning() << "The recovery page could not be opened:" << address;
}

}  // namespace AccountProcedures
