#pragma once

#include "CoreData.h"
#include "HttpSession.h"
#include "LoopbackService.h"
#include "Setting.h"
#include "ZVWSync.h"

#include <gtest/gtest.h>

// The settings signed in to an account on the loopback service, with the
// calendar sync on and the network up, as a web pass to the store needs.
inline void signInOnLoopback(LoopbackService& service, const QString& account, Setting& setting, HttpTimeouts timeouts)
{
    HttpSession::setDefaultTimeouts(timeouts);
    service.addAccount(account, QStringLiteral("secret"));
    setting.setZvwUserName(account);
    setting.setZvwPassword(QStringLiteral("secret"));
    setting.setAutoICalSync(1);
    ASSERT_TRUE(setting.dehydrate());
    qputenv("ZORAVEL_SERVICE_URL", service.baseAddress().toUtf8());
    internetReachable = true;
}

// What signInOnLoopback and a pass changed of the process's state, undone.
inline void signOutOfLoopback()
{
    internetReachable = false;
    webSyncBusy = false;
    qunsetenv("ZORAVEL_SERVICE_URL");
    HttpSession::setDefaultTimeouts(HttpTimeouts{});
}
