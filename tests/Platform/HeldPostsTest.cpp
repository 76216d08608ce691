#include "NotificationCenter.h"

#include <QObject>
#include <QStringList>

#include <gtest/gtest.h>

namespace {

class HeldPostsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* name : {"first", "second", "third"})
            center.addObserver(&observer, QString::fromLatin1(name), nullptr,
                               [this](const Notification& n) { delivered.append(n.name()); });
    }
    void post(const char* name) { center.postNotificationOnMainThreadName(QString::fromLatin1(name)); }

    NotificationCenter center;
    QObject observer;
    QStringList delivered;
};

}  // namespace

TEST_F(HeldPostsTest, ReleasedPostsArriveInOrderWithTheWorkQueuedAmongThem)
{
    {
        NotificationCenter::HeldPosts hold;
        post("first");
        NotificationCenter::HeldPosts::runOrHold([this] { delivered.append(QStringLiteral("work")); });
        post("second");
        EXPECT_TRUE(delivered.isEmpty());
        hold.release();
    }
    EXPECT_EQ(delivered, (QStringList{"first", "work", "second"}));
    post("third");
    EXPECT_EQ(delivered.last(), QStringLiteral("third"));
}

TEST_F(HeldPostsTest, AHoldEndedWithoutReleaseDropsEverything)
{
    {
        NotificationCenter::HeldPosts hold;
        post("first");
        NotificationCenter::HeldPosts::runOrHold([this] { delivered.append(QStringLiteral("work")); });
    }
    EXPECT_TRUE(delivered.isEmpty());
    post("second");
    EXPECT_EQ(delivered, QStringList{"second"});
}

TEST_F(HeldPostsTest, AnInnerReleaseJoinsTheOuterHoldWhichMayStillDropIt)
{
    {
        NotificationCenter::HeldPosts outer;
        post("first");
        {
            NotificationCenter::HeldPosts inner;
            post("second");
            inner.release();
        }
        {
            NotificationCenter::HeldPosts dropped;
            post("third");
        }
        EXPECT_TRUE(delivered.isEmpty());
        outer.release();
    }
    EXPECT_EQ(delivered, (QStringList{"first", "second"}));

    delivered.clear();
    {
        NotificationCenter::HeldPosts outer;
        {
            NotificationCenter::HeldPosts inner;
            post("first");
            inner.release();
        }
    }
    EXPECT_TRUE(delivered.isEmpty());
}
