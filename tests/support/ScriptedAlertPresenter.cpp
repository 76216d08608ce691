#include "ScriptedAlertPresenter.h"

#include <gtest/gtest.h>

ScriptedAlertPresenter::ScriptedAlertPresenter() : m_previous(&AlertPresenter::current())
{
    AlertPresenter::setCurrent(this);
}

ScriptedAlertPresenter::~ScriptedAlertPresenter()
{
    AlertPresenter::setCurrent(m_previous);
    if (!m_script.empty()) ADD_FAILURE() << m_script.size() << " scripted alert answer(s) never asked for";
}

void ScriptedAlertPresenter::script(const AlertResponse& response)
{
    std::lock_guard lock(m_mutex);
    m_script.push_back({response.button, response.suppressed, response.chosenTag});
}

void ScriptedAlertPresenter::scriptButton(int button, bool suppressed)
{
    std::lock_guard lock(m_mutex);
    m_script.push_back({button, suppressed, std::nullopt});
}

void ScriptedAlertPresenter::scriptChoice(int button, qint64 tag)
{
    std::lock_guard lock(m_mutex);
    m_script.push_back({button, false, tag});
}

AlertResponse ScriptedAlertPresenter::runModal(const AlertRequest& request)
{
    const RunningScope running;
    if (m_whileRunning) m_whileRunning();
    std::lock_guard lock(m_mutex);
    m_requests.append(request);
    if (m_script.empty()) {
        ADD_FAILURE() << "Unexpected alert: \"" << request.messageText.toStdString() << "\" / \""
                      << request.informativeText.toStdString() << "\"";
        return {AlertResponse::firstButton, request.suppressionState, request.accessoryChosenTag};
    }
    const Answer answer = m_script.front();
    m_script.pop_front();
    const qint64 tag = answer.tag.value_or(request.accessoryChosenTag);
    // A user can only pick what the pop-up lists; leaving it alone keeps the initial tag.
    if (tag != request.accessoryChosenTag && !request.offersChoice(tag))
        ADD_FAILURE() << "Scripted pop-up choice " << tag << " not offered by \"" << request.messageText.toStdString()
                      << "\"";
    return {answer.button, answer.suppressed, tag};
}

QList<AlertRequest> ScriptedAlertPresenter::requests() const
{
    std::lock_guard lock(m_mutex);
    return m_requests;
}
