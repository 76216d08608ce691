#pragma once

#include "MainViewAccess.h"

#include <QStringList>

#include <atomic>
#include <mutex>

// A main view for tests of the data manager and the syncs: records the calls
// it gets ("show", "hide", "reload") and answers the window state it is
// given. Installs itself while it lives.
class RecordingMainView : public MainViewAccess {
public:
    RecordingMainView();
    ~RecordingMainView() override;

    void showSyncingIndicator() override;
    void hideSyncingIndicator() override;
    void reloadData() override;
    bool isWindowVisible() const override { return windowVisible.load(); }
    bool isKeyWindow() const override { return keyWindow.load(); }

    QStringList calls() const;

    std::atomic<bool> windowVisible{false};
    std::atomic<bool> keyWindow{false};

private:
    void record(const QString& call);

    mutable std::mutex m_mutex;
    QStringList m_calls;
};
