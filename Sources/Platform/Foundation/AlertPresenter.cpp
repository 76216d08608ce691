#include "AlertPresenter.h"

#include "CurrentInstance.h"

#include <QDebug>

namespace {

// Answers without asking anyone: the first button, the box and the pop-up
// as they were.
class UnattendedAlertPresenter : public AlertPresenter {
public:
    AlertResponse runModal(const AlertRequest& request) override
    {
        qInfo() << "Alert answered unattended:" << request.messageText << request.informativeText;
        return {AlertResponse::firstButton, request.suppressionState, request.accessoryChosenTag};
    }
};

CurrentInstance<AlertPresenter>& installed()
{
    static UnattendedAlertPresenter unattended;
    static CurrentInstance<AlertPresenter> instance(unattended);
    return instance;
}

}  // namespace

AlertPresenter::~AlertPresenter() = default;

AlertPresenter& AlertPresenter::current()
{
    return installed().get();
}

void AlertPresenter::setCurrent(AlertPresenter* presenter)
{
    installed().set(presenter);
}
