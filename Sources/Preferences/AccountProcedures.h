#pragma once

#include "AlertRequest.h"

#include <QString>
#include <QStringList>

#include <optional>

// The web account's sign-in, sign-out and sign-up, written once for every
// screen that offers them (the Sync pane, the sign-up sheet, the wizard's
// account page). Each runs on the main thread, asks the web service
// synchronously and tells the user the outcome through the alert presenter.
// The password is never logged.
namespace AccountProcedures {

// An alert by its texts: buttons, message, informative text.
struct AlertTexts {
    AlertStyle style = AlertStyle::Critical;
    QStringList buttons;
    QString message;
    QString informative;

    bool operator==(const AlertTexts&) const = default;
};
// The request, hung from `window` when given.
AlertRequest alertRequest(const AlertTexts& texts, QObject* window = nullptr);
// Whether the web service has an address of its own (the environment or the
// configuration file gave one). Without it nothing is sent: the built-in
// address only stands for "none".
bool serviceAddressSet();
// Why the service cannot be reached: "noServiceAddressText" when no address
// is set, telling where to set one; else "noInternetText", the network is
// down or the service gave no reply.
AlertTexts unreachableAlert();
// Runs it and answers the button.
int runAlert(const AlertTexts& texts, QObject* window = nullptr);

// ---- sign-in --------------------------------------------------------------------------
enum class SignInOutcome {
    NoNetwork,     // nothing was sent
    NoConnection,  // the service gave no reply: nothing changed
    Refused,       // wrong password or unknown user: automatic sync is off
    SignedIn,      // the account is stored
    SignedInAnew,  // the account replaced another user's: the sync starts afresh
    NotKept,       // another user's account, whose fresh start could not be
                   // saved: the account held before stays, and the person
                   // has been told why
};
struct SignInResult {
    SignInOutcome outcome = SignInOutcome::NoNetwork;
    // Whether the account file took the credentials (signed in only).
    bool remembered = false;

    bool isSignedIn() const { return outcome == SignInOutcome::SignedIn || outcome == SignInOutcome::SignedInAnew; }
};
// Checks the texts as typed with the service and, when it accepts them,
// keeps them in the account file. Every outcome but success shows its alert
// here; the success alert comes from showSignInSuccess, once the caller has
// laid itself out for the signed-in state.
SignInResult signIn(const QString& userName, const QString& password, QObject* window = nullptr);
// The success alert, or the warning that the account will not be
// remembered when the file could not be written.
void showSignInSuccess(const SignInResult& result, QObject* window = nullptr);
// The alert each outcome shows (none for NotKept, told already).
AlertTexts signInAlert(const SignInResult& result);

// ---- sign-out -------------------------------------------------------------------------
// Without a question and without the network: the shared data and comments
// go, the account file is written empty, the credentials in memory are
// emptied. When the data cannot be removed nothing changes: the account
// stays signed in. Answers whether the data went and the file was written;
// when not, the user has been told.
bool signOut(QObject* window = nullptr);

// ---- sign-up --------------------------------------------------------------------------
struct SignUpFields {
    QString userName;
    QString password;
    // None where the form has no confirmation (the wizard's page).
    std::optional<QString> confirmation;
};
enum class SignUpCheck { Passed, NoNetwork, MissingField, NotAnEmail, PasswordsDiffer };
// The first check the fields fail, before anything is sent.
SignUpCheck checkSignUp(const SignUpFields& fields, bool networkReachable);

// What the service's answer means.
enum class SignUpAnswer { Created, Refused, NameTaken, NoConnection, NotUnderstood };
SignUpAnswer signUpAnswer(qint64 result, bool transportFailed);

std::optional<AlertTexts> signUpCheckAlert(SignUpCheck check);
AlertTexts signUpAnswerAlert(SignUpAnswer answer);

// How the form goes on after a sign-up.
enum class SignUpEnd {
    StayOpen,       // a check failed or the service refused: the texts stay
    Created,        // close the form
    RecoverPassword // close the form, then open the recovery page
};
SignUpEnd signUp(const SignUpFields& fields, QObject* window = nullptr);

// ---- the recovery page ----------------------------------------------------------------
// "<base address>/recovery" of the web service.
QString recoveryAddress();
void openRecoveryPage();

}  // namespace AccountProcedures
