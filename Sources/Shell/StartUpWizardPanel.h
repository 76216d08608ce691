#pragma once

#include "Window.h"

#include <functional>

class Button;
class TextField;

// The first-run wizard: a borderless, floating panel in the middle of the
// screen. Its pages come later; for now it welcomes the user, and its Start
// button ends the wizard: the settings forget that it is due (saved), then
// the main view is built and the main window opens.
class StartUpWizardPanel : public Panel {
    Q_OBJECT

public:
    // `openMainWindow` builds the main view and opens its window (the
    // delegate's initUserInterface, then the window controller's openWindow).
    explicit StartUpWizardPanel(std::function<void()> openMainWindow);
    ~StartUpWizardPanel() override;

    static QSizeF panelSize();
    // Centred on the main screen's visible frame (our coordinates).
    static QRectF centredFrame(const QRectF& visibleFrame);

    Button* startButton() const { return m_startButton; }
    // The Start button's action.
    void finishWizard();
    bool isFinished() const { return m_finished; }

    bool canBecomeKeyWindow() const override { return true; }

private:
    std::function<void()> m_openMainWindow;
    TextField* m_title = nullptr;
    TextField* m_welcome = nullptr;
    Button* m_startButton = nullptr;
    bool m_finished = false;
};
