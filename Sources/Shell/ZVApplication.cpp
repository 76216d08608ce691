#include "ZVApplication.h"

#include "NotificationCenter.h"
#include "Screen.h"
#include "ShellNotifications.h"

#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

ZVApplicationInput::ZVApplicationInput(Application* application) : m_application(application)
{
    if (!application) return;
    application->installEventFilter(this);
    application->setInputHook([this](QObject* receiver, InputKind kind) { inputWasDispatched(receiver, kind); });
}

ZVApplicationInput::~ZVApplicationInput()
{
    if (!m_application) return;
    m_application->setInputHook(nullptr);
    m_application->removeEventFilter(this);
}

Event ZVApplicationInput::pressEventOf(const QMouseEvent& press, QObject* receiver)
{
    Event event;
    const bool control = press.modifiers().testFlag(Qt::ControlModifier);
    const bool right = press.button() == Qt::RightButton || (press.button() == Qt::LeftButton && control);
    event.type = right ? EventType::RightMouseDown : EventType::LeftMouseDown;
    event.timestamp = press.timestamp() / 1000.0;
    event.clickCount = 1;
    event.modifierFlags = EventTranslation::modifierFlagsOfMouse(press.modifiers());
    event.locationOnScreen = Screen::fromQt(press.globalPosition());
    if (auto* window = qobject_cast<QWindow*>(receiver)) {
        // Window coordinates have their origin at the window's bottom left.
        event.locationInWindow = QPointF(press.position().x(), window->height() - press.position().y());
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (widget->windowHandle() == window) event.window = widget;
    }
    return event;
}

bool ZVApplicationInput::eventFilter(QObject* watched, QEvent* event)
{
    // Only what the window system hands to a window is input (the hook's rule);
    // the same event passed on to the widgets is not looked at again.
    if (!watched->isWindowType()) return false;
    if (event->type() == QEvent::MouseButtonPress) {
        const auto& press = static_cast<const QMouseEvent&>(*event);
        m_press.reset();
        if (press.button() == Qt::LeftButton || press.button() == Qt::RightButton)
            m_press = pressEventOf(press, watched);
    } else if (event->type() == QEvent::MouseMove) {
        m_dragging = static_cast<const QMouseEvent&>(*event).buttons() != Qt::NoButton;
    }
    return false;
}

void ZVApplicationInput::inputWasDispatched(QObject* receiver, InputKind kind)
{
    NotificationCenter& center = NotificationCenter::defaultCenter();
    if (kind == InputKind::Press && m_press) {
        const Event press = *m_press;
        m_press.reset();
        center.postNotificationOnMainThreadName(kTimeZoneListCloseNotification, press);
        return;
    }
    if (kind == InputKind::Enter || kind == InputKind::Exit) return;
    if (kind == InputKind::Move && !m_dragging) return;
    center.postNotificationOnMainThreadName(kAutoBackupStartNotification, m_application);
}

ZVApplication::ZVApplication(int& argc, char** argv)
    : Application(argc, argv), m_input(std::make_unique<ZVApplicationInput>(this))
{
}

// The watcher leaves the hook while the application is still whole.
ZVApplication::~ZVApplication()
{
    m_input.reset();
}
