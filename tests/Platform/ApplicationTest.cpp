#include "Application.h"

#include "NotificationCenter.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QWheelEvent>
#include <QWidget>
#include <QWindow>

#include <gtest/gtest.h>

#include <memory>

namespace {

// A widget that lets presses pass to its parent, as a label does.
class IgnoringChild : public QWidget {
public:
    using QWidget::QWidget;
    int presses = 0;

protected:
    void mousePressEvent(QMouseEvent* event) override
    {
        ++presses;
        event->ignore();
    }
};

class ApplicationInputTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(Application::shared(), nullptr) << "the test main builds the application object";
        window->setGeometry(100, 100, 300, 200);
        child->setGeometry(0, 0, 300, 200);
        window->show();
        Application::shared()->setInputHook([this](QObject* receiver, InputKind kind) {
            calls.append({receiver, kind});
        });
    }
    void TearDown() override { Application::shared()->setInputHook(nullptr); }

    // Delivered as the window system delivers: to the window, which hands
    // it on to the widget under the pointer.
    void deliver(QEvent* event) { QCoreApplication::sendEvent(window->windowHandle(), event); }

    struct Call {
        QObject* receiver;
        InputKind kind;
    };
    std::unique_ptr<QWidget> window = std::make_unique<QWidget>();
    IgnoringChild* child = new IgnoringChild(window.get());
    QList<Call> calls;
};

TEST_F(ApplicationInputTest, EachInputCallsTheHookOnceWhateverWidgetsItPassesThrough)
{
    const QPointF at(20, 20);
    const QPointF global = window->mapToGlobal(at);
    QMouseEvent press(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QMouseEvent move(QEvent::MouseMove, at + QPointF(5, 0), global + QPointF(5, 0), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
    QWheelEvent wheel(at, global, QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    struct Case {
        const char* name;
        QEvent* event;
        InputKind kind;
    };
    const Case cases[] = {
        {"press", &press, InputKind::Press},     {"release", &release, InputKind::Release},
        {"move", &move, InputKind::Move},        {"key", &key, InputKind::KeyDown},
        {"scroll", &wheel, InputKind::Scroll},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        calls.clear();
        deliver(c.event);
        ASSERT_EQ(calls.size(), 1);
        EXPECT_EQ(calls[0].kind, c.kind);
        EXPECT_EQ(calls[0].receiver, window->windowHandle());
    }
    EXPECT_EQ(child->presses, 1) << "the press reached the widget, then its parent, and counted once";
}

TEST_F(ApplicationInputTest, PaintingTimersAndTheRepeatOfADoubleClickAreNoInput)
{
    QPaintEvent paint(QRect(0, 0, 300, 200));
    deliver(&paint);
    QTimerEvent timer(1);
    deliver(&timer);
    QMouseEvent doubleClick(QEvent::MouseButtonDblClick, QPointF(20, 20), window->mapToGlobal(QPointF(20, 20)),
                            Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    deliver(&doubleClick);
    // Sent straight to a widget (no window system behind it): not an input.
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(20, 20), window->mapToGlobal(QPointF(20, 20)),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(child, &press);
    EXPECT_TRUE(calls.isEmpty());
}

TEST(ApplicationTest, PointerMotionIsToldApartFromWhatTheUserMeans)
{
    for (const InputKind kind : {InputKind::Move, InputKind::Enter, InputKind::Exit})
        EXPECT_TRUE(Application::isPointerMotion(kind));
    for (const InputKind kind :
         {InputKind::Press, InputKind::Release, InputKind::KeyDown, InputKind::KeyUp, InputKind::Scroll})
        EXPECT_FALSE(Application::isPointerMotion(kind));
    EXPECT_EQ(Application::inputKindOf(QEvent(QEvent::Enter)), InputKind::Enter);
    EXPECT_EQ(Application::inputKindOf(QEvent(QEvent::Leave)), InputKind::Exit);
    EXPECT_EQ(Application::inputKindOf(QEvent(QEvent::UpdateRequest)), std::nullopt);
}

TEST(ApplicationTest, BecomingActiveAndResigningArePostedOncePerChange)
{
    Application* app = Application::shared();
    ASSERT_NE(app, nullptr);
    QObject observer;
    QStringList posts;
    for (const QString& name : {kApplicationWillBecomeActiveNotification, kApplicationWillResignActiveNotification})
        NotificationCenter::defaultCenter().addObserver(&observer, name, nullptr, [&](const Notification& n) {
            posts.append(n.name() == kApplicationWillBecomeActiveNotification ? "active" : "resign");
        });
    const Qt::ApplicationState before = QGuiApplication::applicationState();
    Q_EMIT app->applicationStateChanged(Qt::ApplicationInactive);
    posts.clear();
    Q_EMIT app->applicationStateChanged(Qt::ApplicationActive);
    Q_EMIT app->applicationStateChanged(Qt::ApplicationInactive);
    Q_EMIT app->applicationStateChanged(Qt::ApplicationHidden);  // still not active: no second post
    Q_EMIT app->applicationStateChanged(Qt::ApplicationActive);
    EXPECT_EQ(posts, QStringList({"active", "resign", "active"}));
    Q_EMIT app->applicationStateChanged(before);
}

TEST(ApplicationTest, ActivationBringsTheMainWindowForward)
{
    QWidget main;
    QWidget other;
    main.setGeometry(50, 50, 300, 200);
    other.setGeometry(80, 80, 300, 200);
    main.show();
    other.show();
    other.activateWindow();
    QCoreApplication::processEvents();
    Application::setMainWindow(&main);
    Application::shared()->activateIgnoringOtherApps();
    QCoreApplication::processEvents();
    EXPECT_EQ(QApplication::activeWindow(), &main);
    Application::setMainWindow(nullptr);
    Application::shared()->activateIgnoringOtherApps();  // without a main window: nothing to do
}

TEST(ApplicationTest, TheMainWindowIsForgottenWhenDestroyed)
{
    auto window = std::make_unique<QWidget>();
    Application::setMainWindow(window.get());
    EXPECT_EQ(Application::mainWindow(), window.get());
    window.reset();
    EXPECT_EQ(Application::mainWindow(), nullptr);
}

}  // namespace
