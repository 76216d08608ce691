#pragma once

#include "Application.h"
#include "Event.h"

#include <QObject>

#include <memory>
#include <optional>

class QMouseEvent;

// What the program does with each input once it has been dispatched: a left
// or right press closes an open time-zone list (kTimeZoneListCloseNotification
// with the press as an Event); any other input the user means restarts the
// automatic-backup countdown (kAutoBackupStartNotification with the
// application). Pointer motion posts nothing, so resting a hand on the mouse
// never holds the backup off; a drag is the user at work and counts. A press
// alone does not restart the countdown: its release does.
//
// It watches an Application through its input hook (and an event filter that
// keeps the press the hook is told of), so the test binaries, whose
// application is a plain Application, watch theirs with one of these. It
// must go before the application does.
class ZVApplicationInput : public QObject {
    Q_OBJECT

public:
    explicit ZVApplicationInput(Application* application);
    ~ZVApplicationInput() override;

    // The press as the time-zone list is told it: a left or right button
    // (Control-left is a right click, as in the views), where it was.
    static Event pressEventOf(const QMouseEvent& press, QObject* receiver);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void inputWasDispatched(QObject* receiver, InputKind kind);

    Application* m_application;
    std::optional<Event> m_press;  // the window system's press being dispatched
    bool m_dragging = false;       // the move being dispatched has a button held
};

// The program's application object: an Application that watches its input.
class ZVApplication : public Application {
    Q_OBJECT

public:
    ZVApplication(int& argc, char** argv);
    ~ZVApplication() override;

private:
    std::unique_ptr<ZVApplicationInput> m_input;
};
