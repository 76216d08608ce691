#pragma once

#include "AlertPresenter.h"

#include <QList>

#include <deque>
#include <mutex>

// Answers alerts from a script and records every request. Installed as the
// current presenter for its life. An alert with no scripted answer left
// fails the test (and answers the first button); answers never asked for
// fail it when the presenter goes away.
class ScriptedAlertPresenter : public AlertPresenter {
public:
    ScriptedAlertPresenter();
    ~ScriptedAlertPresenter() override;

    void script(const AlertResponse& response);
    void scriptButton(int button, bool suppressed = false);

    AlertResponse runModal(const AlertRequest& request) override;

    QList<AlertRequest> requests() const;

private:
    AlertPresenter* m_previous;
    mutable std::mutex m_mutex;
    std::deque<AlertResponse> m_script;
    QList<AlertRequest> m_requests;
};
