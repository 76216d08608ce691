#include "MainViewAccess.h"
#include "RecordingMainView.h"
#include "TestEnvironment.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <memory>
#include <thread>

TEST(MainViewAccess, CallsFromWorkersReachTheViewOnTheMainThreadWithoutWaiting)
{
    // Nothing installed: the calls go nowhere and the window counts as hidden.
    std::thread([] {
        MainViewAccess::postReloadData();
        EXPECT_FALSE(MainViewAccess::windowIsVisible());
        EXPECT_FALSE(MainViewAccess::windowIsKey());
    }).join();
    QCoreApplication::processEvents();

    RecordingMainView view;
    view.windowVisible = true;
    std::thread([] {
        MainViewAccess::postShowSyncingIndicator();
        MainViewAccess::postReloadData();
        MainViewAccess::postHideSyncingIndicator();
        EXPECT_TRUE(MainViewAccess::windowIsVisible());
        EXPECT_FALSE(MainViewAccess::windowIsKey());
    }).join();
    EXPECT_TRUE(view.calls().isEmpty()) << "nothing runs on the worker";
    ASSERT_TRUE(processEventsUntil([&] { return view.calls().size() == 3; }));
    EXPECT_EQ(view.calls(), (QStringList{QStringLiteral("show"), QStringLiteral("reload"), QStringLiteral("hide")}));
}

TEST(MainViewAccess, AViewRemovedBeforeThePostedCallRunsIsNotCalled)
{
    auto view = std::make_unique<RecordingMainView>();
    MainViewAccess::postReloadData();
    view.reset();
    RecordingMainView later;  // installed after the post: it is the one called
    ASSERT_TRUE(processEventsUntil([&] { return !later.calls().isEmpty(); }));
    EXPECT_EQ(later.calls(), QStringList{QStringLiteral("reload")});
}
