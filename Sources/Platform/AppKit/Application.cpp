#include "Application.h"

#include "NotificationCenter.h"
#include "SystemTimeZoneWatcher.h"

#include <QWidget>
#include <QWindow>

namespace {

QPointer<QWidget>& registeredMainWindow()
{
    static QPointer<QWidget> window;
    return window;
}

}  // namespace

Application::Application(int& argc, char** argv) : QApplication(argc, argv)
{
    connect(this, &QGuiApplication::applicationStateChanged, this, &Application::applicationStateDidChange);
    connect(this, &QCoreApplication::aboutToQuit, this, [this] {
        NotificationCenter::defaultCenter().postNotificationName(kApplicationWillTerminateNotification, this);
    });
    m_timeZoneWatcher = new SystemTimeZoneWatcher(SystemTimeZoneWatcher::systemZoneFile(), this);
}

Application::~Application() = default;

Application* Application::shared()
{
    return qobject_cast<Application*>(QCoreApplication::instance());
}

void Application::setInputHook(InputHook hook)
{
    m_inputHook = std::move(hook);
}

std::optional<InputKind> Application::inputKindOf(const QEvent& event)
{
    switch (event.type()) {
    case QEvent::MouseButtonPress: return InputKind::Press;
    case QEvent::MouseButtonRelease: return InputKind::Release;
    case QEvent::KeyPress: return InputKind::KeyDown;
    case QEvent::KeyRelease: return InputKind::KeyUp;
    case QEvent::Wheel: return InputKind::Scroll;
    case QEvent::MouseMove: return InputKind::Move;
    case QEvent::Enter: return InputKind::Enter;
    case QEvent::Leave: return InputKind::Exit;
    // The second press of a double click reaches the window as a press and
    // then again as a double-click event: the press already told it.
    case QEvent::MouseButtonDblClick:
    default: return std::nullopt;
    }
}

bool Application::isPointerMotion(InputKind kind)
{
    return kind == InputKind::Move || kind == InputKind::Enter || kind == InputKind::Exit;
}

void Application::setMainWindow(QWidget* window)
{
    registeredMainWindow() = window;
}

QWidget* Application::mainWindow()
{
    return registeredMainWindow().data();
}

void Application::activateIgnoringOtherApps()
{
    QWidget* window = mainWindow();
    if (!window) return;
    if (window->isMinimized()) window->showNormal();
    window->raise();
    window->activateWindow();
}

bool Application::notify(QObject* receiver, QEvent* event)
{
    // Every event of the program passes here: the common case leaves at once.
    if (!m_inputHook || !receiver || !receiver->isWindowType()) return QApplication::notify(receiver, event);
    // Read before dispatch: the receiver may change the event or be deleted.
    const std::optional<InputKind> kind = inputKindOf(*event);
    if (!kind) return QApplication::notify(receiver, event);
    const QPointer<QObject> target(receiver);
    const bool handled = QApplication::notify(receiver, event);
    if (m_inputHook) m_inputHook(target.data(), *kind);
    return handled;
}

void Application::applicationStateDidChange(Qt::ApplicationState state)
{
    const bool active = state == Qt::ApplicationActive;
    if (active == m_wasActive) return;
    m_wasActive = active;
    NotificationCenter::defaultCenter().postNotificationName(
        active ? kApplicationWillBecomeActiveNotification : kApplicationWillResignActiveNotification, this);
}
