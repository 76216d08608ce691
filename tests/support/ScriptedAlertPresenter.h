#pragma once

#include "AlertPresenter.h"

#include <QList>

#include <deque>
#include <functional>
#include <mutex>
#include <optional>

// Answers alerts from a script and records every request. Installed as the
// current presenter for its life. An alert with no scripted answer left
// fails the test (and answers the first button); answers never asked for
// fail it when the presenter goes away, and so does a scripted pop-up choice
// the alert did not offer.
class ScriptedAlertPresenter : public AlertPresenter {
public:
    ScriptedAlertPresenter();
    ~ScriptedAlertPresenter() override;

    // The whole answer, the pop-up's tag included.
    void script(const AlertResponse& response);
    // A button pressed with the pop-up left as the alert opened it.
    void scriptButton(int button, bool suppressed = false);
    // A button pressed after choosing the pop-up entry with that tag.
    void scriptChoice(int button, qint64 tag);

    AlertResponse runModal(const AlertRequest& request) override;
    // Runs while the next alerts are up, as a timer firing inside a modal
    // alert would.
    void setWhileRunning(std::function<void()> job) { m_whileRunning = std::move(job); }

    QList<AlertRequest> requests() const;

private:
    struct Answer {
        int button = AlertResponse::firstButton;
        bool suppressed = false;
        std::optional<qint64> tag;  // none: the request's initial choice
    };

    AlertPresenter* m_previous;
    mutable std::mutex m_mutex;
    std::deque<Answer> m_script;
    QList<AlertRequest> m_requests;
    std::function<void()> m_whileRunning;
};
