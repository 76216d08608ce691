#pragma once

#include "MainViewAccess.h"

#include <QStringList>

#include <atomic>
#include <mutex>

// A main view for tests of the data manager, the syncs and the panes:
// records the calls it gets ("show", "hide", "reload", "reloadLeftPage",
// "reloadDay", "timeLine", "clearHighlight <class>", "loadingItem <key>",
// "loadingView <class>") and answers the window state it is given.
// Installs itself while it lives.
class RecordingMainView : public MainViewAccess {
public:
    RecordingMainView();
    ~RecordingMainView() override;

    void showSyncingIndicator() override;
    void hideSyncingIndicator() override;
    void reloadData() override;
    void reloadLeftPageData() override;
    void reloadDataDayCalendar() override;
    void refreshTimeLine() override;
    void clearHighlightExcept(QObject* sender) override;
    void setLoadingItem(const TaskPtr& item) override;
    void setLoadingView(QObject* view) override;
    bool isPlannerExpand() const override { return plannerExpand.load(); }
    void setCanRefreshData(bool canRefresh) override;
    int currentListModule() const override { return listModule.load(); }
    void setFocusListModule(int module) override;
    bool isWindowVisible() const override { return windowVisible.load(); }
    bool isKeyWindow() const override { return keyWindow.load(); }

    QStringList calls() const;

    std::atomic<bool> windowVisible{false};
    std::atomic<bool> keyWindow{false};
    std::atomic<bool> plannerExpand{false};
    std::atomic<int> listModule{1};
    // The last sender given to clearHighlightExcept.
    QObject* lastHighlightSender() const;

private:
    void record(const QString& call);

    mutable std::mutex m_mutex;
    QStringList m_calls;
    QObject* m_lastSender = nullptr;
};
