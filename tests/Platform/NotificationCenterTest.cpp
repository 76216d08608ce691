#include "NotificationCenter.h"
#include "TestEnvironment.h"

#include <QCoreApplication>
#include <QObject>
#include <QStringList>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <tuple>

namespace {

const QString taskChanged = QStringLiteral("Task changed");
const QString orderChanged = QStringLiteral("Task order changed");

struct Record {
    int key = 0;
};

// Two bases, so a base pointer and the complete object differ in address.
struct Named {
    virtual ~Named() = default;
    QString name;
};
struct Sender : QObject, Named {};

class NotificationCenterTest : public ::testing::Test {
protected:
    NotificationCenter center;
    QStringList calls;

    // An observer that records "<label>:<name>" for each delivery.
    void observe(QObject* observer, const QString& label, const QString& name, const void* object = nullptr)
    {
        center.addObserver(observer, name, object,
                           [this, label](const Notification& n) { calls << label + QLatin1Char(':') + n.name(); });
    }
};

TEST_F(NotificationCenterTest, DeliversToObserversOfTheNameInRegistrationOrder)
{
    QObject first, second, third;
    observe(&second, QStringLiteral("second"), taskChanged);
    observe(&first, QStringLiteral("first"), taskChanged);
    observe(&third, QStringLiteral("third"), orderChanged);
    observe(&first, QStringLiteral("first-again"), taskChanged);

    center.postNotificationName(taskChanged);
    EXPECT_EQ(calls, QStringList({"second:Task changed", "first:Task changed", "first-again:Task changed"}));
}

TEST_F(NotificationCenterTest, ObjectFilterSelectsThePostsOfOneObject)
{
    auto watched = std::make_shared<Record>();
    auto other = std::make_shared<Record>();
    QObject filtered, unfiltered;
    observe(&filtered, QStringLiteral("filtered"), taskChanged, NotificationPayload::identityOf(watched));
    observe(&unfiltered, QStringLiteral("all"), taskChanged);

    center.postNotificationName(taskChanged, other);
    center.postNotificationName(taskChanged, watched);
    center.postNotificationName(taskChanged);
    center.postNotificationName(taskChanged, qint64(2));
    EXPECT_EQ(calls, QStringList({"all:Task changed", "filtered:Task changed", "all:Task changed",
                                  "all:Task changed", "all:Task changed"}));
}

TEST_F(NotificationCenterTest, PolymorphicSenderMatchesThroughAnyOfItsPointers)
{
    Sender sender;
    QObject observer;
    const Named* asNamed = &sender;
    ASSERT_NE(static_cast<const void*>(asNamed), static_cast<const void*>(&sender));
    observe(&observer, QStringLiteral("seen"), taskChanged, NotificationPayload::identityOf(asNamed));

    center.postNotificationName(taskChanged, &sender);
    EXPECT_EQ(calls, QStringList({"seen:Task changed"}));
}

TEST_F(NotificationCenterTest, ObservesReadTheObjectByType)
{
    QObject observer;
    auto record = std::make_shared<Record>(Record{7});
    std::vector<Notification> seen;
    center.addObserver(&observer, taskChanged, nullptr, [&seen](const Notification& n) { seen.push_back(n); });

    center.postNotificationName(taskChanged, record);
    center.postNotificationName(taskChanged, 10);  // a bitmask, posted as a plain int
    center.postNotificationName(taskChanged, "server said no");
    center.postNotificationName(taskChanged);

    ASSERT_EQ(seen.size(), 4u);
    EXPECT_EQ(seen[0].objectAs<std::shared_ptr<Record>>(), record);
    EXPECT_EQ(seen[0].objectIdentity(), record.get());
    EXPECT_EQ(seen[0].objectAs<qint64>(), 0);  // another type reads as empty
    EXPECT_EQ(seen[1].objectAs<qint64>(), 10);
    EXPECT_EQ(seen[1].objectAs<int>(), 10);
    EXPECT_EQ(seen[1].objectIdentity(), nullptr);
    EXPECT_EQ(seen[2].objectAs<QString>(), QStringLiteral("server said no"));
    EXPECT_FALSE(seen[3].hasObject());
    EXPECT_EQ(seen[3].objectAs<std::shared_ptr<Record>>(), nullptr);
}

TEST_F(NotificationCenterTest, AQObjectIsReadAsAnyOfItsClassesWhateverPointerItWasPostedWith)
{
    Sender sender;
    QObject other;
    const auto read = [](const Notification& n) {
        return std::tuple(n.objectAs<QObject*>(), n.objectAs<Sender*>(), n.objectAs<Named*>(),
                          n.objectAs<const Sender*>());
    };
    const auto whole = std::tuple<QObject*, Sender*, Named*, const Sender*>(&sender, &sender, &sender, &sender);
    struct Case {
        const char* postedAs;
        NotificationPayload object;
        std::tuple<QObject*, Sender*, Named*, const Sender*> expected;
    };
    const Case cases[] = {
        {"its own class", &sender, whole},
        {"QObject*", static_cast<QObject*>(&sender), whole},
        {"const", static_cast<const Sender*>(&sender), whole},
        {"another QObject", &other, {&other, nullptr, nullptr, nullptr}},
        {"a null QObject", static_cast<QObject*>(nullptr), {nullptr, nullptr, nullptr, nullptr}},
        {"a number", 3, {nullptr, nullptr, nullptr, nullptr}},
    };
    for (const Case& c : cases) {
        const Notification n(taskChanged, c.object);
        EXPECT_EQ(read(n), c.expected) << c.postedAs;
    }
    // A base that is no QObject is read back only as posted.
    Named* named = &sender;
    EXPECT_EQ(Notification(taskChanged, named).objectAs<Named*>(), named);
    EXPECT_EQ(Notification(taskChanged, named).objectAs<QObject*>(), nullptr);
}

TEST_F(NotificationCenterTest, RemovingAnObserverDropsAllOrOneOfItsNames)
{
    QObject observer, bystander;
    observe(&observer, QStringLiteral("o"), taskChanged);
    observe(&observer, QStringLiteral("o"), orderChanged);
    observe(&bystander, QStringLiteral("b"), taskChanged);

    center.removeObserver(&observer, orderChanged);
    center.postNotificationName(taskChanged);
    center.postNotificationName(orderChanged);
    EXPECT_EQ(calls, QStringList({"o:Task changed", "b:Task changed"}));

    calls.clear();
    center.removeObserver(&observer);
    center.postNotificationName(taskChanged);
    EXPECT_EQ(calls, QStringList({"b:Task changed"}));
}

TEST_F(NotificationCenterTest, DestroyedObserverIsNeverCalled)
{
    auto observer = std::make_unique<QObject>();
    observe(observer.get(), QStringLiteral("gone"), taskChanged);
    observe(observer.get(), QStringLiteral("gone"), orderChanged);
    observer.reset();

    center.postNotificationName(taskChanged);
    center.postNotificationName(orderChanged);
    EXPECT_TRUE(calls.isEmpty());
}

TEST_F(NotificationCenterTest, ObserverDestroyedDuringDeliveryIsNotCalledAfterwards)
{
    QObject first;
    auto* later = new QObject;
    center.addObserver(&first, taskChanged, nullptr, [&later](const Notification&) {
        delete later;
        later = nullptr;
    });
    observe(later, QStringLiteral("later"), taskChanged);

    center.postNotificationName(taskChanged);
    EXPECT_EQ(later, nullptr);
    EXPECT_TRUE(calls.isEmpty());
}

TEST_F(NotificationCenterTest, ObserversChangedDuringDeliveryTakeEffectFromTheNextPost)
{
    QObject adder, added, selfRemover;
    bool addedOnce = false;
    center.addObserver(&adder, taskChanged, nullptr, [&](const Notification&) {
        calls << QStringLiteral("adder");
        if (addedOnce) return;
        addedOnce = true;
        // The centre holds no lock while observers run, so this cannot deadlock.
        observe(&added, QStringLiteral("added"), taskChanged);
    });
    center.addObserver(&selfRemover, taskChanged, nullptr, [&](const Notification&) {
        calls << QStringLiteral("selfRemover");
        center.removeObserver(&selfRemover);
    });

    center.postNotificationName(taskChanged);
    EXPECT_EQ(calls, QStringList({"adder", "selfRemover"}));
    calls.clear();
    center.postNotificationName(taskChanged);
    EXPECT_EQ(calls, QStringList({"adder", "added:Task changed"}));
}

TEST_F(NotificationCenterTest, ObserverMayPostFromInsideADelivery)
{
    QObject observer;
    center.addObserver(&observer, taskChanged, nullptr,
                       [this](const Notification&) { center.postNotificationName(orderChanged); });
    observe(&observer, QStringLiteral("nested"), orderChanged);

    center.postNotificationOnMainThreadName(taskChanged);
    EXPECT_EQ(calls, QStringList({"nested:Task order changed"}));
}

TEST_F(NotificationCenterTest, MainThreadPostFromTheMainThreadIsDeliveredInsideTheCall)
{
    QObject observer;
    QThread* deliveredOn = nullptr;
    center.addObserver(&observer, taskChanged, nullptr,
                       [&deliveredOn](const Notification&) { deliveredOn = QThread::currentThread(); });

    center.postNotificationOnMainThreadName(taskChanged);
    EXPECT_EQ(deliveredOn, QCoreApplication::instance()->thread());
}

TEST_F(NotificationCenterTest, MainThreadPostFromAWorkerIsDeliveredOnTheMainThreadBeforeItReturns)
{
    QObject observer;
    std::atomic<bool> delivered{false};
    std::atomic<QThread*> deliveredOn{nullptr};
    center.addObserver(&observer, taskChanged, nullptr, [&](const Notification& n) {
        deliveredOn = QThread::currentThread();
        delivered = n.objectAs<qint64>() == 2;
    });

    std::atomic<bool> deliveredBeforeReturn{false};
    std::atomic<bool> workerDone{false};
    std::thread worker([&] {
        center.postNotificationOnMainThreadName(taskChanged, 2);
        deliveredBeforeReturn = delivered.load();
        workerDone = true;
    });
    const bool finished = processEventsUntil([&] { return workerDone.load(); });
    worker.join();

    ASSERT_TRUE(finished);
    EXPECT_TRUE(deliveredBeforeReturn);
    EXPECT_EQ(deliveredOn.load(), QCoreApplication::instance()->thread());
}

TEST_F(NotificationCenterTest, PlainPostIsDeliveredOnThePostingThread)
{
    QObject observer;
    std::atomic<QThread*> deliveredOn{nullptr};
    center.addObserver(&observer, taskChanged, nullptr,
                       [&deliveredOn](const Notification&) { deliveredOn = QThread::currentThread(); });

    QThread* workerThread = nullptr;
    std::thread worker([&] {
        workerThread = QThread::currentThread();
        center.postNotificationName(taskChanged);
    });
    worker.join();
    EXPECT_EQ(deliveredOn.load(), workerThread);
}

// The details of a notice travel with it whichever way it is delivered: at
// once, from a worker onto the main thread, and out of a hold.
TEST_F(NotificationCenterTest, UserInfoReachesTheObserverOnEveryRoad)
{
    QObject observer;
    QList<QVariantMap> seen;
    center.addObserver(&observer, taskChanged, nullptr,
                       [&seen](const Notification& n) { seen << n.userInfo(); });
    const QVariantMap info{{QStringLiteral("CalInsertedRecordsKey"), QStringList{QStringLiteral("a"), QStringLiteral("b")}}};

    center.postNotificationName(taskChanged, 1, info);
    std::atomic<bool> workerDone{false};
    std::thread worker([&] {
        center.postNotificationOnMainThreadName(taskChanged, 2, info);
        workerDone = true;
    });
    ASSERT_TRUE(processEventsUntil([&] { return workerDone.load(); }));
    worker.join();
    {
        NotificationCenter::HeldPosts hold;
        center.postNotificationOnMainThreadName(taskChanged, 3, info);
        EXPECT_EQ(seen.size(), 2);  // held, not yet delivered
        hold.release();
    }
    center.postNotificationName(taskChanged);

    ASSERT_EQ(seen.size(), 4);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(seen[i].value(QStringLiteral("CalInsertedRecordsKey")).toStringList(),
                  (QStringList{QStringLiteral("a"), QStringLiteral("b")}));
    EXPECT_TRUE(seen[3].isEmpty());
}

}  // namespace
