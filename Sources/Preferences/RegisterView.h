#pragma once

#include "View.h"

#include <functional>

class Button;
class TextField;

// The sign-up form of the web service, the content of a sheet on the
// preferences window: a new user name (an e-mail address) and its password
// typed twice.
class RegisterView : public View {
    Q_OBJECT

public:
    explicit RegisterView(const QRectF& frame, QWidget* parent = nullptr);

    TextField* userName() const { return m_userName; }
    TextField* passWord() const { return m_passWord; }
    TextField* confirmPassword() const { return m_confirmPassword; }
    Button* signUpButton() const { return m_signUpBtn; }
    Button* cancelButton() const { return m_cancelBtn; }

    void signUp();
    // Ends the sheet and orders its window out.
    void closeSheet();

    static constexpr QSizeF size{430, 230};

    bool isFlipped() const override { return true; }

private:
    TextField* m_userName = nullptr;
    TextField* m_passWord = nullptr;
    TextField* m_confirmPassword = nullptr;
    Button* m_signUpBtn = nullptr;
    Button* m_cancelBtn = nullptr;
};
