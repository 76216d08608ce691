#pragma once

#include "Window.h"

#include <QSizeF>
#include <QStringList>

#include <optional>

class PrefBackupView;
class PrefGeneralView;
class PrefSyncView;
class PrefTaskView;
class Toolbar;
struct ToolbarItem;

// The preferences window: a toolbar of four tabs, General, Tasks, Sync and
// Backup, and the pane of the tab chosen. Each tab gives the window its own
// size, keeping its left and top edges, and makes its pane show the stored
// values again. The main view makes it once and keeps it.
class Preferences : public Window, public WindowDelegate {
    Q_OBJECT

public:
    Preferences();
    ~Preferences() override;

    Toolbar* toolBar() const { return m_toolBar; }
    // The tab in front, by its identifier: the localised text of its key.
    QString selectedItemIdentifier() const;
    void setSelectedItemIdentifier(const QString& identifier);

    void general(QObject* sender);
    void tasks(QObject* sender);
    void sync(QObject* sender);
    void backups(QObject* sender);

    // The toolbar's items: the four tab identifiers, and an item for one of
    // them (none for another identifier).
    static QStringList toolbarDefaultItemIdentifiers();
    std::optional<ToolbarItem> itemForItemIdentifier(const QString& identifier);

    // The window size of a tab; the Sync tab is higher while an account is
    // stored.
    static QSizeF tabFrameSize(const QString& identifier, bool accountStored);
    // Where a window of that frame goes for the new size, its left and top
    // edges kept (y counts up from the bottom of the screen).
    static QRectF frameKeepingTopLeft(const QRectF& frame, const QSizeF& size);

    PrefGeneralView* generalView() const { return m_genView; }
    PrefTaskView* taskView() const { return m_taskView; }
    PrefSyncView* syncView() const { return m_syncView; }
    PrefBackupView* backupView() const { return m_bckView; }

    // What the main view asks of the sync pane after the web service refused
    // the account: sign the account out, and close the pane's sync progress
    // sheet.
    void signOutAccount();
    void closeProgressBarSyncing();

    void windowDidBecomeKey(Window* window) override;

private:
    void showTab(const QString& identifier, View* pane);

    Toolbar* m_toolBar = nullptr;
    PrefGeneralView* m_genView = nullptr;
    PrefTaskView* m_taskView = nullptr;
    PrefSyncView* m_syncView = nullptr;
    PrefBackupView* m_bckView = nullptr;
};
