#pragma once

class ZoravelAppDelegate;

// The end of the session (SIGTERM, SIGHUP) or Ctrl+C quits as the tray's Quit
// does, so the settings are saved and the database is closed, whatever alert
// is open. The handler only writes a byte; the quit happens on the event
// loop. Call once, on the main thread, before the loop runs.
void quitCleanlyOnSignals(ZoravelAppDelegate* delegate);
