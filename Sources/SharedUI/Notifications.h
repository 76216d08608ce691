#pragma once

#include <QString>

// Names of the notifications the shell and the views post to each other.

// Every open popover closes (object: whoever asks, e.g. the window controller).
inline const QString kPopoverShouldClose = QStringLiteral("NSPopOver should close");

// The working hours of a weekday were changed on the working-hours band
// (object: the band); the today planner plans the week again.
inline const QString kTimeManagerChanged = QStringLiteral("TimeManager changed");
// The quick-add bar grew into search results or an add form, or shrank back
// (object: the bar).
inline const QString kAddNotification = QStringLiteral("Add notification");
// The note editor switched its input mode.
inline const QString kInputModeNoteChanged = QStringLiteral("Input mode note changed");
// The mini month shows or hides with the navigator setting.
inline const QString kRefreshHideStateOfMonthView =
    QStringLiteral("com.qrb.zvm.RefeshHideStateOfMonthViewNotification");
// Read the unread-comment counts again.
inline const QString kRefreshCommentCount = QStringLiteral("com.qrb.zvm.RefeshCommentCountNotification");
// The navigator setting changed: the main view lays out again.
inline const QString kNavShowHideChanged = QStringLiteral("navShowHideChangedNotification.");
// Time-zone support was switched on or off.
inline const QString kTurnOnOffTimezone = QStringLiteral("turn on off timezone");
// A web sync changed the settings.
inline const QString kSettingChangedBySync = QStringLiteral("com.qrb.settingChangedBySyncNotification");
// The automatic backup's countdown ended.
inline const QString kAutoBackupEndNotification = QStringLiteral("com.qrb.zvm.AutoBackupEndNotification");
// A new automatic backup was saved: the backup list reloads.
inline const QString kAutoBackupReloadDataNotification =
    QStringLiteral("com.qrb.zvm.AutoBackupReloadDataNotification");
// The navigator's months drop their selection (object: the main view).
inline const QString kClearSelectedNavigatorMonth = QStringLiteral("clearSelectedNavigatorMonthNotification.");
// A navigator month grid shows another month (object: the grid).
inline const QString kSelectedMonthChangedNotification = QStringLiteral("selectedMonthChangedNotification.");
// A month grid was redrawn: every grid restarts its delay before bars and
// shading (object: the grid).
inline const QString kNextPrevMonthNotification = QStringLiteral("com.qrb.zvm.NextPrevMonthNotification");
// An open time-zone list closes. Posted by the application object, on the
// main thread, after every left or right press (object: the press, an
// Event), and by the list's keys: no object chooses the selected row, false
// closes without a choice.
inline const QString kTimeZoneListCloseNotification = QStringLiteral("com.quorbin.zvm.TimeZoneListCloseNotification");
