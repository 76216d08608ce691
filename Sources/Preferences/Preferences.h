#pragma once

#include "Window.h"

class PrefBackupView;

// The preferences window. Its panes come with their own subsystem; for now
// the window exists, titled with the pane in front, and switches between
// its two named panes.
class Preferences : public Window {
    Q_OBJECT

public:
    Preferences();
    ~Preferences() override;

    // The pane in front: the localised title "generalText" or "syncText".
    QString selectedItemIdentifier() const { return m_selected; }
    void setSelectedItemIdentifier(const QString& identifier);
    void general(QObject* sender);
    void sync(QObject* sender);
    // The backup page: the automatic backups, listed for a restore.
    PrefBackupView* backupView() const { return m_backupView; }

    static constexpr double backupPageHeight = 230;

    // What the main view asks of the sync pane after the web service refused
    // the account: sign the account out, and close the pane's sync progress
    // bar. The pane comes with its own subsystem; until then the window
    // counts the requests, so that they are not lost from sight.
    void signOutAccount();
    void closeProgressBarSyncing();
    int signOutRequestCount() const { return m_signOutRequests; }
    int closeProgressBarRequestCount() const { return m_closeProgressBarRequests; }

private:
    QString m_selected;
    int m_signOutRequests = 0;
    int m_closeProgressBarRequests = 0;
    PrefBackupView* m_backupView = nullptr;
};
