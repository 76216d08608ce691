#include "AlertPresenter.h"

#include "CurrentInstance.h"
#include "MainQueue.h"

#include <QDebug>

#include <vector>

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

// Main thread only, as alerts run there.
int runningAlerts = 0;
std::vector<std::function<void()>>& waitingJobs()
{
    static std::vector<std::function<void()>> jobs;
    return jobs;
}

CurrentInstance<AlertPresenter>& installedAlertPresenter()
{
    static UnattendedAlertPresenter unattended;
    static CurrentInstance<AlertPresenter> instance(unattended);
    return instance;
}

}  // namespace

AlertPresenter::~AlertPresenter() = default;

AlertPresenter& AlertPresenter::current()
{
    return installedAlertPresenter().get();
}

void AlertPresenter::setCurrent(AlertPresenter* presenter)
{
    installedAlertPresenter().set(presenter);
}

bool AlertPresenter::isAlertRunning()
{
    return runningAlerts > 0;
}

void AlertPresenter::whenNoAlertRuns(std::function<void()> job)
{
    if (!job) return;
    if (runningAlerts == 0) {
        MainQueue::async(std::move(job));
        return;
    }
    waitingJobs().push_back(std::move(job));
}

AlertPresenter::RunningScope::RunningScope()
{
    ++runningAlerts;
}

AlertPresenter::RunningScope::~RunningScope()
{
    if (--runningAlerts > 0) return;
    // Later, so that the code that asked the question ends first.
    std::vector<std::function<void()>> jobs;
    jobs.swap(waitingJobs());
    for (auto& job : jobs) MainQueue::async(std::move(job));
}
