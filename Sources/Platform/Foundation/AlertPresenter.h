#pragma once

#include "AlertRequest.h"
#include "AlertResponse.h"

// Runs modal alerts. The shell installs the real one at start-up; tests
// install a scripted one. Until then alerts answer their first button.
class AlertPresenter {
public:
    virtual ~AlertPresenter();

    virtual AlertResponse runModal(const AlertRequest& request) = 0;

    static AlertPresenter& current();
    // Installs a presenter (not owned); null restores the unattended one.
    static void setCurrent(AlertPresenter* presenter);
};
