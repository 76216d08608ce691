#pragma once

// What the data manager and the syncs ask of the main window without knowing
// it: the syncing indicator, a reload of the panes after their changes, and
// whether the window is on screen and in front. The main view installs
// itself at start-up; until then (and in tests that do not care) nothing is
// shown and the window counts as hidden.
class MainViewAccess {
public:
    virtual ~MainViewAccess();

    // What the installed view does; called on the main thread only.
    virtual void showSyncingIndicator() = 0;
    virtual void hideSyncingIndicator() = 0;
    virtual void reloadData() = 0;
    // May be called on any thread: the state the view last saw.
    virtual bool isWindowVisible() const = 0;
    virtual bool isKeyWindow() const = 0;

    // Null until the main view is installed.
    static MainViewAccess* current();
    // Installs the main view (not owned); null removes it.
    static void setCurrent(MainViewAccess* access);

    // Safe from any thread: the view work runs later on the main thread,
    // on the view installed then, and the caller does not wait.
    static void postShowSyncingIndicator();
    static void postHideSyncingIndicator();
    static void postReloadData();
    // Safe from any thread; false while no view is installed.
    static bool windowIsVisible();
    static bool windowIsKey();
};
