#include "RegisterView.h"

#include "AccountProcedures.h"
#include "Button.h"
#include "ImageView.h"
#include "NamedImages.h"
#include "PrefPaneSupport.h"
#include "TextField.h"
#include "TextTable.h"
#include "UIUtilities.h"
#include "Window.h"

namespace {

constexpr double kRegisterFieldX = 170;
constexpr double kRegisterFieldWidth = 230;

TextField* makeRegisterField(View* form, const QString& label, double y, bool secure)
{
    TextField* title = TextField::labelWithString(PrefPanes::labelText(label), QRectF(20, y + 2, 140, 20));
    title->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    form->addSubview(title);
    auto* field = new TextField(QRectF(kRegisterFieldX, y, kRegisterFieldWidth, 24));
    field->setTextFont(Font::fontWithName(QStringLiteral("Lucida Grande"), 13));
    field->setTextColor(Qt::black);
    field->setBackgroundColor(Qt::white);
    field->setSecure(secure);
    form->addSubview(field);
    return field;
}

}  // namespace

RegisterView::RegisterView(const QRectF& frame, QWidget* parent) : View(frame, parent)
{
    auto* icon = new ImageView(QRectF(20, 15, 32, 32));
    icon->setImage(NamedImages::imageNamed(QStringLiteral("IconZVM_32")));
    addSubview(icon);
    TextField* info =
        TextField::labelWithString(PrefPanes::labelText(TextTable::localizedString(QStringLiteral("infoSignUpText"))),
                                   QRectF(64, 15, frame.width() - 84, 32));
    info->setWraps(true);
    addSubview(info);

    m_userName = makeRegisterField(this, TextTable::localizedString(QStringLiteral("userNameText")), 62, false);
    m_passWord = makeRegisterField(this, TextTable::localizedString(QStringLiteral("passWordText")), 94, true);
    m_confirmPassword =
        makeRegisterField(this, TextTable::localizedString(QStringLiteral("confirmPasswordText")), 126, true);

    const double right = kRegisterFieldX + kRegisterFieldWidth;
    m_signUpBtn = UIUtilities::createButton(TextTable::localizedString(QStringLiteral("signUpText")), 13, Qt::black,
                                            Qt::AlignCenter, ButtonType::MomentaryPushIn,
                                            QRectF(right - 100, 175, 100, 28), this, [this](Button*) { signUp(); },
                                            QImage(), QImage(), true);
    addSubview(m_signUpBtn);
    m_cancelBtn = UIUtilities::createButton(TextTable::localizedString(QStringLiteral("cancelText")), 13, Qt::black,
                                            Qt::AlignCenter, ButtonType::MomentaryPushIn,
                                            QRectF(right - 210, 175, 100, 28), this,
                                            [this](Button*) { closeSheet(); }, QImage(), QImage(), true);
    addSubview(m_cancelBtn);
}

void RegisterView::signUp()
{
    auto* sheet = qobject_cast<Window*>(window());
    const AccountProcedures::SignUpFields fields{m_userName->stringValue(), m_passWord->stringValue(),
                                                 m_confirmPassword->stringValue()};
    // The alerts hang from the sheet, which holds the input meanwhile.
    const AccountProcedures::SignUpEnd end = AccountProcedures::signUp(fields, sheet);
    if (end == AccountProcedures::SignUpEnd::StayOpen) return;
    closeSheet();
    if (end == AccountProcedures::SignUpEnd::RecoverPassword) AccountProcedures::openRecoveryPage();
}

void RegisterView::closeSheet()
{
    auto* sheet = qobject_cast<Window*>(window());
    if (!sheet) return;
    if (Window* host = sheet->parentWindow(); host && host->attachedSheet() == sheet) host->endSheet(sheet);
    sheet->orderOut();
}
