#include "UserLoginView.h"

#include "AboutUsView.h"
#include "AccountProcedures.h"
#include "AlertResponse.h"
#include "Button.h"
#include "Color.h"
#include "CoreData.h"
#include "Font.h"
#include "ImageView.h"
#include "NamedImages.h"
#include "Setting.h"
#include "TextTable.h"
#include "UIUtilities.h"
#include "UrlOpener.h"

#include <QDebug>
#include <QLineEdit>
#include <QUrl>

namespace {

const QColor kLoginDescColor(58, 58, 58);

SettingPtr loginSetting()
{
    CoreData* dataManager = CoreData::shared();
    return dataManager ? dataManager->currentSetting() : nullptr;
}

TextField* makeLoginField(View* page, double y, const QString& placeholder, bool secure)
{
    auto* field = new TextField(QRectF(140, y, 280, 25));
    field->setTextFont(Font::fontWithName(QStringLiteral("Lucida Grande"), 13));
    field->setTextColor(Qt::black);
    field->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    field->setBordered(true);
    field->setBackgroundColor(Qt::white);
    field->setEditable(true);
    field->setSecure(secure);
    field->setPlaceholderString(placeholder);
    page->addSubview(field);
    return field;
}

Button* makeLoginButton(View* page, const QString& title, int size, const QColor& color, Qt::Alignment alignment,
                        const QRectF& frame, bool bordered, std::function<void()> action)
{
    Button* button = UIUtilities::createButton(title, size, color, alignment, ButtonType::Toggle, frame, page,
                                               [action](Button*) { action(); }, QImage(), QImage(), bordered);
    page->addSubview(button);
    return button;
}

void focusLoginField(TextField* field)
{
    if (QLineEdit* editor = field->editor()) editor->setFocus(Qt::TabFocusReason);
}

}  // namespace

UserLoginView::UserLoginView(const QRectF& frame, QWidget* parent) : View(frame, parent)
{
    const double w = frame.width();
    m_background = new ImageView(QRectF(QPointF(0, 0), frame.size()), this);
    m_background->setImage(NamedImages::imageNamed(QStringLiteral("mac_slider_4")));
    m_background->setImageScaling(ImageScaling::AxesIndependently);

    // A fixed text, in every language: the service's name.
    m_zvSite = makeLoginButton(this, QStringLiteral("Zoravel Online"), 27, Color::link(), Qt::AlignCenter,
                               QRectF(140, 130, 280, 40), false, [this] { gotoZoravelSite(); });

    m_userName = makeLoginField(this, 250, TextTable::localizedString(QStringLiteral("userNameText")), false);
    m_passWord = makeLoginField(this, 285, TextTable::localizedString(QStringLiteral("passWordText")), true);
    m_userName->setDelegate(this);
    m_passWord->setDelegate(this);
    m_recoveryPassWord =
        makeLoginButton(this, TextTable::localizedString(QStringLiteral("forgotPassWordText")), 13, Color::link(),
                        Qt::AlignRight | Qt::AlignVCenter, QRectF(140, 320, 280, 20), false,
                        [this] { recoveryPassword(); });
    m_createNewAccBtn = makeLoginButton(this, TextTable::localizedString(QStringLiteral("signUpText")), 13,
                                        Qt::black, Qt::AlignCenter, QRectF(140, 355, 103, 24), true,
                                        [this] { signUp(); });
    m_signInBtn = makeLoginButton(this, TextTable::localizedString(QStringLiteral("signInText")), 13, Qt::black,
                                  Qt::AlignCenter, QRectF(325, 355, 95, 24), true, [this] { signIn(); });

    m_loginText = UIUtilities::getCommonTextFieldWithFrame(QRectF(140, 250, 280, 25));
    m_loginText->setAlignment(Qt::AlignCenter);
    m_loginText->setStringValue(QStringLiteral("%1:").arg(TextTable::localizedString(QStringLiteral("logInAsText"))));
    addSubview(m_loginText);
    m_loginUserName = UIUtilities::getCommonTextFieldWithFrame(QRectF(140, 285, 280, 25));
    m_loginUserName->setTextFont(Font::fontWithName(QStringLiteral("Lucida Grande Bold"), 13));
    m_loginUserName->setAlignment(Qt::AlignCenter);
    m_loginUserName->setWraps(true);
    addSubview(m_loginUserName);
    m_signOutBtn = makeLoginButton(this, TextTable::localizedString(QStringLiteral("signOutText")), 13, Qt::black,
                                   Qt::AlignCenter, QRectF((w - 103) / 2, 320, 103, 24), true, [this] { signOut(); });

    m_desc = UIUtilities::getCommonTextFieldWithFrame(QRectF(85, 410, w - 160, 150));
    m_desc->setTextFont(Font::fontWithName(QStringLiteral("Lucida Grande"), 13));
    m_desc->setTextColor(kLoginDescColor);
    m_desc->setWraps(true);
    m_desc->setTopAligned(true);
    m_desc->setStringValue(TextTable::localizedString(QStringLiteral("slider4DescText")));
    addSubview(m_desc);

    loadData();
}

QString UserLoginView::productPageAddress()
{
    return AboutUsView::makerAddress + QStringLiteral("/online");
}

void UserLoginView::loadData()
{
    const SettingPtr setting = loginSetting();
    const bool signedIn = setting && !setting->zvwUserName().isEmpty() && !setting->zvwPassword().isEmpty();
    if (signedIn) {
        m_userName->setStringValue(setting->zvwUserName());
        m_passWord->setStringValue(setting->zvwPassword());
        toggleSection2(false);
    } else {
        m_userName->setStringValue(QString());
        m_passWord->setStringValue(QString());
        toggleSection2(true);
    }
    if (setting && m_userName->stringValue().isEmpty()) {
        // No account, no automatic web sync; the settings row itself is
        // saved by whoever changes it next.
        setting->setAutoZVWSync(0);
        if (!setting->setAutoSync()) qWarning() << "The automatic sync switches could not be written";
    }
}

void UserLoginView::hideSection1(bool hide)
{
    // The invitation to sign in goes with the form it is about.
    for (View* control : std::initializer_list<View*>{m_userName, m_passWord, m_recoveryPassWord, m_createNewAccBtn,
                                                       m_signInBtn, m_desc})
        control->setHidden(hide);
    for (View* control : std::initializer_list<View*>{m_loginText, m_loginUserName, m_signOutBtn})
        control->setHidden(!hide);
}

void UserLoginView::toggleSection2(bool signedOut)
{
    if (signedOut) {
        hideSection1(false);
        return;
    }
    hideSection1(true);
    const SettingPtr setting = loginSetting();
    m_loginUserName->setStringValue(setting ? setting->zvwUserName() : QString());
}

bool UserLoginView::doCommand(TextField* field, FieldCommand command)
{
    switch (command) {
    case FieldCommand::InsertNewline: controlTextDidEndEditing(command); return true;
    case FieldCommand::InsertTab:
    case FieldCommand::InsertBacktab:
    {
        // The two fields lead to each other. The move waits until the key
        // has been delivered, or the other field would get the key too.
        TextField* other = field == m_userName ? m_passWord : m_userName;
        QMetaObject::invokeMethod(this, [other] { focusLoginField(other); }, Qt::QueuedConnection);
        return true;
    }
    default: return false;
    }
}

void UserLoginView::controlTextDidEndEditing(FieldCommand movement)
{
    if (movement == FieldCommand::InsertNewline) signIn();
}

void UserLoginView::signIn()
{
    const AccountProcedures::SignInResult result =
        AccountProcedures::signIn(m_userName->stringValue(), m_passWord->stringValue(), window());
    if (!result.isSignedIn()) return;
    loadData();
    // The congratulations, or the warning that the account will not be
    // remembered: either way the user is signed in for this session, and
    // its first button ends the wizard.
    const int button = AccountProcedures::runAlert(AccountProcedures::signInAlert(result), window());
    if (button == AlertResponse::firstButton && m_signedInAction) m_signedInAction();
}

void UserLoginView::signUp()
{
    // No confirmation field on this page; a created account is not signed
    // in: the typed texts stay for the sign-in button.
    const AccountProcedures::SignUpEnd end = AccountProcedures::signUp(
        {m_userName->stringValue(), m_passWord->stringValue(), std::nullopt}, window());
    if (end == AccountProcedures::SignUpEnd::RecoverPassword) recoveryPassword();
}

void UserLoginView::signOut()
{
    AccountProcedures::signOut(window());
    loadData();
}

void UserLoginView::recoveryPassword()
{
    AccountProcedures::openRecoveryPage();
}

void UserLoginView::gotoZoravelSite()
{
    const QString address = productPageAddress();
    if (!UrlOpener::current().openUrl(QUrl(address))) qWarning() << "The product page could not be opened:" << address;
}
