#include "ZVApplication.h"

#include "NotificationCenter.h"
#include "ShellNotifications.h"

#include <QEnterEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>
#include <QWidget>
#include <QWindow>

#include <gtest/gtest.h>

#include <memory>

namespace {

// The test binary's application is a plain Application: it is watched as
// ZVApplication watches itself.
class ZVApplicationInputTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(Application::shared(), nullptr);
        window->setGeometry(100, 100, 300, 200);
        window->show();
        input = std::make_unique<ZVApplicationInput>(Application::shared());
        NotificationCenter& center = NotificationCenter::defaultCenter();
        center.addObserver(&observer, kTimeZoneListCloseNotification, nullptr, [this](const Notification& note) {
            posts.append(note.name());
            presses.append(note.objectAs<Event>());
        });
        center.addObserver(&observer, kAutoBackupStartNotification, nullptr, [this](const Notification& note) {
            posts.append(note.name());
            backupObjects.append(note.objectAs<Application*>());
        });
    }
    void TearDown() override
    {
        NotificationCenter::defaultCenter().removeObserver(&observer);
        input.reset();
    }

    void deliver(QEvent* event) { QCoreApplication::sendEvent(window->windowHandle(), event); }
    QMouseEvent mouse(QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons buttons,
                      Qt::KeyboardModifiers modifiers = Qt::NoModifier) const
    {
        const QPointF at(30, 50);
        return QMouseEvent(type, at, window->mapToGlobal(at), button, buttons, modifiers);
    }

    std::unique_ptr<QWidget> window = std::make_unique<QWidget>();
    std::unique_ptr<ZVApplicationInput> input;
    QObject observer;
    QStringList posts;
    QList<Event> presses;
    QList<Application*> backupObjects;
};

}  // namespace

TEST_F(ZVApplicationInputTest, EachInputPostsWhatItMeans)
{
    QMouseEvent leftPress = mouse(QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton);
    QMouseEvent rightPress = mouse(QEvent::MouseButtonPress, Qt::RightButton, Qt::RightButton);
    QMouseEvent middlePress = mouse(QEvent::MouseButtonPress, Qt::MiddleButton, Qt::MiddleButton);
    QMouseEvent release = mouse(QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton);
    QMouseEvent move = mouse(QEvent::MouseMove, Qt::NoButton, Qt::NoButton);
    QMouseEvent drag = mouse(QEvent::MouseMove, Qt::NoButton, Qt::LeftButton);
    QKeyEvent keyDown(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
    QKeyEvent keyUp(QEvent::KeyRelease, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
    QWheelEvent wheel(QPointF(30, 50), window->mapToGlobal(QPointF(30, 50)), QPoint(), QPoint(0, 120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QEnterEvent enter(QPointF(30, 50), QPointF(30, 50), window->mapToGlobal(QPointF(30, 50)));
    QEvent leave(QEvent::Leave);
    struct Case {
        const char* name;
        QEvent* event;
        QString posted;  // empty: nothing
    };
    const Case cases[] = {
        {"left press", &leftPress, kTimeZoneListCloseNotification},
        {"right press", &rightPress, kTimeZoneListCloseNotification},
        {"middle press", &middlePress, kAutoBackupStartNotification},
        {"release", &release, kAutoBackupStartNotification},
        {"key down", &keyDown, kAutoBackupStartNotification},
        {"key up", &keyUp, kAutoBackupStartNotification},
        {"scroll", &wheel, kAutoBackupStartNotification},
        {"drag", &drag, kAutoBackupStartNotification},
        {"move", &move, QString()},
        {"enter", &enter, QString()},
        {"exit", &leave, QString()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        posts.clear();
        deliver(c.event);
        if (c.posted.isEmpty())
            EXPECT_TRUE(posts.isEmpty()) << posts.join(QStringLiteral(", ")).toStdString();
        else
            EXPECT_EQ(posts, QStringList{c.posted});
    }
    ASSERT_FALSE(backupObjects.isEmpty());
    for (Application* object : backupObjects) EXPECT_EQ(object, Application::shared());
}

TEST_F(ZVApplicationInputTest, APressCarriesItselfAndOnlyItsReleaseRestartsTheCountdown)
{
    QMouseEvent press = mouse(QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton);
    deliver(&press);
    ASSERT_EQ(presses.size(), 1);
    EXPECT_EQ(posts, QStringList{kTimeZoneListCloseNotification}) << "a press alone does not restart the countdown";
    const Event& event = presses.front();
    EXPECT_EQ(event.type, EventType::LeftMouseDown);
    EXPECT_EQ(event.clickCount, 1);
    // Window coordinates count from the bottom left: 50 from the top of 200.
    EXPECT_DOUBLE_EQ(event.locationInWindow.x(), 30);
    EXPECT_DOUBLE_EQ(event.locationInWindow.y(), 150);
    EXPECT_EQ(event.window, window.get());

    QMouseEvent release = mouse(QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton);
    deliver(&release);
    EXPECT_EQ(posts, (QStringList{kTimeZoneListCloseNotification, kAutoBackupStartNotification}));

    // Control with the left button is a right click, as in the views.
    QMouseEvent controlPress = mouse(QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, Qt::ControlModifier);
    deliver(&controlPress);
    ASSERT_EQ(presses.size(), 2);
    EXPECT_EQ(presses.back().type, EventType::RightMouseDown);
}

TEST_F(ZVApplicationInputTest, InputSentStraightToAWidgetIsNotWatchedAndAGoneWatcherPostsNothing)
{
    QMouseEvent press = mouse(QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton);
    QCoreApplication::sendEvent(window.get(), &press);
    EXPECT_TRUE(posts.isEmpty());

    input.reset();
    QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
    deliver(&key);
    EXPECT_TRUE(posts.isEmpty());
}
