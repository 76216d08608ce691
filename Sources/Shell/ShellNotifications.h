#pragma once

#include "Notifications.h"

#include <QString>

// kTimeZoneListCloseNotification, which the application object posts for
// every left or right press, is with the time-zone picker's names.

// Posted for every input the user means (keys, scrolls, releases, drags):
// the automatic-backup countdown starts again (object: the application).
inline const QString kAutoBackupStartNotification = QStringLiteral("com.qrb.zvm.AutoBackupStartNotification");
