#pragma once

#include <QString>

// Posted by the application object, on the main thread, for every left or
// right press: an open time-zone list closes (object: the press, an Event).
inline const QString kTimeZoneListCloseNotification = QStringLiteral("com.quorbin.zvm.TimeZoneListCloseNotification");

// Posted for every input the user means (keys, scrolls, releases, drags):
// the automatic-backup countdown starts again (object: the application).
inline const QString kAutoBackupStartNotification = QStringLiteral("com.qrb.zvm.AutoBackupStartNotification");
