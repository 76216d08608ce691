#pragma once

#include "AlertRequest.h"
#include "AlertResponse.h"

#include <functional>

// Runs modal alerts. The shell installs the real one at start-up; tests
// install a scripted one. Until then alerts answer their first button.
class AlertPresenter {
public:
    virtual ~AlertPresenter();

    virtual AlertResponse runModal(const AlertRequest& request) = 0;

    static AlertPresenter& current();

    // Whether an alert runs now. Timers keep firing inside a modal alert, so
    // work that would pull a view from under the question asks first.
    static bool isAlertRunning();
    // Runs the job on the main thread after the last running alert closed,
    // or soon when none runs.
    static void whenNoAlertRuns(std::function<void()> job);
    // Presenters mark the time an alert runs with one of these.
    class RunningScope {
    public:
        RunningScope();
        ~RunningScope();
        RunningScope(const RunningScope&) = delete;
        RunningScope& operator=(const RunningScope&) = delete;
    };
    // Installs a presenter (not owned); null restores the unattended one.
    static void setCurrent(AlertPresenter* presenter);
};
