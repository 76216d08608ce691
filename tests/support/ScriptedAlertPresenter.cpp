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
    m_script.push_back(response);
}

void ScriptedAlertPresenter::scriptButton(int button, bool suppressed)
{
    script({button, suppressed});
}

AlertResponse ScriptedAlertPresenter::runModal(const AlertRequest& request)
{
    std::lock_guard lock(m_mutex);
    m_requests.append(request);
    if (m_script.empty()) {
        ADD_FAILURE() << "Unexpected alert: \"" << request.messageText.toStdString() << "\" / \""
                      << request.informativeText.toStdString() << "\"";
        return {};
    }
    const AlertResponse response = m_script.front();
    m_script.pop_front();
    return response;
}

QList<AlertRequest> ScriptedAlertPresenter::requests() const
{
    std::lock_guard lock(m_mutex);
    return m_requests;
}
