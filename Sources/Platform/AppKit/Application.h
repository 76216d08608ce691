#pragma once

#include <QApplication>
#include <QPointer>
#include <QString>

#include <functional>
#include <optional>

class SystemTimeZoneWatcher;

// Posted through the default NotificationCenter on the main thread, with the
// Application as their object. Qt tells a change of state after the fact, so
// "will" here means "as soon as Qt tells us", before any view reacts to it.
inline const QString kApplicationWillBecomeActiveNotification =
    QStringLiteral("ApplicationWillBecomeActiveNotification");
inline const QString kApplicationWillResignActiveNotification =
    QStringLiteral("ApplicationWillResignActiveNotification");
inline const QString kApplicationWillTerminateNotification = QStringLiteral("ApplicationWillTerminateNotification");

// One input from the window system, as the input hook is told it. Pointer
// motion (moves, drags included, enters and exits) is told apart from the
// inputs the user means: presses, releases, keys and scrolls. Qt reports no
// cursor-update input of its own: the views make those out of moves, so they
// reach the hook as moves.
enum class InputKind { Press, Release, KeyDown, KeyUp, Scroll, Move, Enter, Exit };

// The application object. Built once in main() (the test binaries build it
// too); everything else is reached through Application::shared().
class Application : public QApplication {
    Q_OBJECT

public:
    using InputHook = std::function<void(QObject* receiver, InputKind kind)>;

    Application(int& argc, char** argv);
    ~Application() override;

    // The running application object; null when the process built a plain
    // QApplication (or none).
    static Application* shared();

    // Called after each input has been dispatched to its window, once per
    // input: Qt hands one input to the window, then to a widget, then to the
    // widget's parents while they ignore it; only the window's delivery counts.
    // The receiver is null when the input closed its window. Null removes
    // the hook.
    void setInputHook(InputHook hook);

    // The kind an event is as input at a window, or none (paint, timers,
    // double-click events that repeat a press already told ...).
    static std::optional<InputKind> inputKindOf(const QEvent& event);
    static bool isPointerMotion(InputKind kind);

    // The shell's main window: attached alerts hang from it and activation
    // brings it forward. Held weakly: a destroyed window counts as none.
    // Main thread only.
    static void setMainWindow(QWidget* window);
    static QWidget* mainWindow();

    // Brings the main window in front and gives it the keyboard, whichever
    // program was active. The window manager may still refuse focus theft.
    void activateIgnoringOtherApps();

    bool notify(QObject* receiver, QEvent* event) override;

private:
    void applicationStateDidChange(Qt::ApplicationState state);

    InputHook m_inputHook;
    bool m_wasActive = false;
    SystemTimeZoneWatcher* m_timeZoneWatcher = nullptr;
};
