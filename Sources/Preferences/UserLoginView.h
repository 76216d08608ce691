#pragma once

#include "TextField.h"
#include "View.h"

#include <functional>

class Button;
class ImageView;

// The wizard's last page: signs in to the web account, makes a new one,
// asks for a forgotten password, or signs out again. Signed out it shows
// the two fields and their buttons (section 1), signed in the account's
// name and a sign-out button (section 2), in the same place.
class UserLoginView : public View, public TextFieldDelegate {
    Q_OBJECT

public:
    explicit UserLoginView(const QRectF& frame, QWidget* parent = nullptr);

    // What a confirmed sign-in does after its alert: the wizard ends.
    void setSignedInAction(std::function<void()> action) { m_signedInAction = std::move(action); }

    // Shows the section of the stored account and fills the fields from it.
    void loadData();
    // YES shows section 2 in place of section 1, NO the reverse.
    void hideSection1(bool hide);
    // NO: the signed-in section with the stored user name; YES: section 1.
    void toggleSection2(bool signedOut);
    // Return signs in; any other ending of the typing does nothing.
    void controlTextDidEndEditing(FieldCommand movement);

    void signIn();
    void signUp();
    void signOut();
    void recoveryPassword();
    void gotoZoravelSite();

    // The product page on the maker's site.
    static QString productPageAddress();

    Button* zvSite() const { return m_zvSite; }
    TextField* userName() const { return m_userName; }
    TextField* passWord() const { return m_passWord; }
    Button* recoveryPassWord() const { return m_recoveryPassWord; }
    Button* createNewAccBtn() const { return m_createNewAccBtn; }
    Button* signInBtn() const { return m_signInBtn; }
    TextField* loginText() const { return m_loginText; }
    TextField* loginUserName() const { return m_loginUserName; }
    Button* signOutBtn() const { return m_signOutBtn; }
    TextField* descLabel() const { return m_desc; }

    bool doCommand(TextField* field, FieldCommand command) override;
    bool isFlipped() const override { return true; }

private:
    ImageView* m_background = nullptr;
    Button* m_zvSite = nullptr;
    TextField* m_userName = nullptr;
    TextField* m_passWord = nullptr;
    Button* m_recoveryPassWord = nullptr;
    Button* m_createNewAccBtn = nullptr;
    Button* m_signInBtn = nullptr;
    TextField* m_loginText = nullptr;
    TextField* m_loginUserName = nullptr;
    Button* m_signOutBtn = nullptr;
    TextField* m_desc = nullptr;
    std::function<void()> m_signedInAction;
};
