#pragma once

#include "AlertPresenter.h"

// The presenter the shell installs: a QMessageBox with the request's buttons,
// its do-not-ask-again box and, when the request has choices, a pop-up of
// them under the texts. Needs a QApplication.
class MessageBoxAlertPresenter : public AlertPresenter {
public:
    AlertResponse runModal(const AlertRequest& request) override;
};
