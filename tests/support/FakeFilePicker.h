#pragma once

#include "FilePicker.h"

#include <QList>

#include <deque>
#include <optional>

// Answers the save and open panels from a script (a path, or nothing for
// Cancel) and keeps every request. Installed as the current picker for its
// life. A panel with no scripted answer left fails the test and cancels.
class FakeFilePicker : public FilePicker {
public:
    FakeFilePicker();
    ~FakeFilePicker() override;

    void scriptPath(const QString& path) { m_script.push_back(path); }
    void scriptCancel() { m_script.push_back(std::nullopt); }

    std::optional<QString> runSavePanel(const FilePanelRequest& request) override;
    std::optional<QString> runOpenPanel(const FilePanelRequest& request) override;

    struct Shown {
        bool save = false;
        FilePanelRequest request;
    };
    const QList<Shown>& shown() const { return m_shown; }

private:
    std::optional<QString> answer(bool save, const FilePanelRequest& request);

    std::deque<std::optional<QString>> m_script;
    QList<Shown> m_shown;
};
