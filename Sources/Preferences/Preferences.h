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

private:
    QString m_selected;
    PrefBackupView* m_backupView = nullptr;
};
