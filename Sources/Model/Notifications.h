#pragma once

#include <QString>
#include <QtGlobal>

// Names of the notifications the data manager posts for the link views, and
// the bits of the auto-sync request (kAutoSyncNotification, ZVWSync.h).

// A link between two items was removed; the object is the Link.
inline const QString kUnLinkNotification = QStringLiteral("com.qrb.zvm.UnLinkNotification");

// The web service changed the share state of a category; the object is the
// category.
inline const QString kShareItemChangedStatusNotification =
    QStringLiteral("com.qrb.zvm.ShareItemChangedStatusNotification");

// What an auto-sync request asks the web sync to push.
namespace AutoSync {
inline constexpr qint64 categories = 1;
inline constexpr qint64 items = 2;
inline constexpr qint64 tags = 4;
inline constexpr qint64 links = 8;
inline constexpr qint64 settings = 32;
}  // namespace AutoSync
