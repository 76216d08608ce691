#pragma once

#include "TextField.h"
#include "View.h"

#include <memory>

class Button;
class Notification;
class PrefSyncView;
class RegisterView;
class Window;

// The web-account box of the Sync pane. Signed out it shows the sign-in
// form; signed in, the account's name with a sign-out button, the
// automatic web sync switch and the two one-way replaces, which run under a
// progress sheet on the pane's window.
class PrefSyncViewOnly : public View, public TextFieldDelegate {
    Q_OBJECT

public:
    explicit PrefSyncViewOnly(const QRectF& frame, QWidget* parent = nullptr);
    ~PrefSyncViewOnly() override;

    // Shows the signed-in or the signed-out layout from the settings.
    void loadData();
    void signIn();
    void signOut();
    void recoveryPassword();
    // The sign-up sheet, made once and reused with its texts.
    void createNewAccount();

    void autoSyncZVW();
    void oneWayMacToWeb();
    void oneWayWebToMac();
    void disableButtons();
    // A sync this view asked for ended: the controls come back, and a
    // replace's sheet goes.
    void finishFullSync();
    // The service refused the account during a sync: the same, without an
    // alert (the main view shows its own).
    void handleViewErrorWhenSyncing();
    // The main view passes on the service's refusal while the preferences
    // are in front.
    void ZVWSyncError();

    // YES shows the signed-in controls, NO the signed-out ones.
    void hideSection1(bool hide);
    // YES lays the view out signed out, NO signed in.
    void toggleSection2(bool signedOut);

    bool doCommand(TextField* field, FieldCommand command) override;

    TextField* userName() const { return m_userNameField; }
    TextField* passWord() const { return m_passWordField; }
    TextField* signedInUserName() const { return m_signedInName; }
    Button* signInButton() const { return m_signInBtn; }
    Button* signOutButton() const { return m_signOutBtn; }
    Button* forgotPasswordButton() const { return m_forgotBtn; }
    Button* createAccountButton() const { return m_createAccountBtn; }
    Button* autoSyncBtn() const { return m_autoSyncBtn; }
    Button* oneWayMacToWebButton() const { return m_oneWayMacToWebBtn; }
    Button* oneWayWebToMacButton() const { return m_oneWayWebToMacBtn; }
    Window* progressWindow() const { return m_progressWindow.get(); }
    Window* registerWindow() const { return m_registerWindow.get(); }
    RegisterView* registerView() const;
    // Whether a replace started here runs (its sheet is up).
    bool isOneWaySync() const { return m_oneWaySync; }

    PrefSyncView* parentView() const { return m_parentView; }
    void setParentView(PrefSyncView* view) { m_parentView = view; }

    static constexpr double signedOutHeight = 150;
    static constexpr double signedInHeight = 280;

    bool isFlipped() const override { return true; }
    void drawRect(QPainter& painter, const QRectF& dirtyRect) override;

private:
    Window* hostWindow() const;
    void setAutomaticSync(bool on, bool writeSideFile);
    void showProgressSheet(const QSize& size, const QString& text);
    void endProgressSheet();
    void endSync(bool succeeded);
    void setControlsEnabled(bool enabled);
    void serverError(const Notification& notification);

    TextField* m_userNameLabel = nullptr;
    TextField* m_passWordLabel = nullptr;
    TextField* m_userNameField = nullptr;
    TextField* m_passWordField = nullptr;
    Button* m_signInBtn = nullptr;
    Button* m_forgotBtn = nullptr;
    Button* m_createAccountBtn = nullptr;
    TextField* m_logInAsLabel = nullptr;
    TextField* m_signedInName = nullptr;
    Button* m_signOutBtn = nullptr;
    Button* m_autoSyncBtn = nullptr;
    TextField* m_autoSyncWarningLabel = nullptr;
    TextField* m_warningLabel = nullptr;
    Button* m_oneWayMacToWebBtn = nullptr;
    Button* m_oneWayWebToMacBtn = nullptr;
    TextField* m_noteForOneWaySyncLabel = nullptr;
    std::unique_ptr<Window> m_progressWindow;
    std::unique_ptr<Window> m_registerWindow;
    PrefSyncView* m_parentView = nullptr;
    // A sync this view started runs; with m_oneWaySync it is a replace.
    bool m_syncing = false;
    bool m_oneWaySync = false;
    // The service reported an error while it ran.
    bool m_syncFailed = false;
};
