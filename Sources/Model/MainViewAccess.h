#pragma once

// What the data manager and the syncs ask of the main window without knowing
// it: the syncing indicator. The main view installs itself at start-up;
// until then (and in tests that do not care) nothing is shown. Called on the
// main thread.
class MainViewAccess {
public:
    virtual ~MainViewAccess();

    virtual void showSyncingIndicator() = 0;
    virtual void hideSyncingIndicator() = 0;

    // Null until the main view is installed.
    static MainViewAccess* current();
    // Installs the main view (not owned); null removes it.
    static void setCurrent(MainViewAccess* access);
};
