#pragma once

#include "Window.h"

#include <functional>

class Button;
class StartUpWizardView;

// The first-run wizard: a borderless, floating panel in the middle of the
// screen holding the wizard's pages. Its start button, or a confirmed
// sign-in on the account page, ends the wizard: the settings forget that it
// is due (saved), then the main window is asked for.
class StartUpWizardPanel : public Panel {
    Q_OBJECT

public:
    // `openMainWindow` is the hand-over: it builds the main view and has
    // its window opened.
    explicit StartUpWizardPanel(std::function<void()> openMainWindow);
    ~StartUpWizardPanel() override;

    static QSizeF panelSize();
    // Centred on the main screen's visible frame (our coordinates), on
    // whole points.
    static QRectF centredFrame(const QRectF& visibleFrame);

    StartUpWizardView* wizard() const { return m_wizard; }
    Button* startButton() const;
    // The start button's action.
    void finishWizard();
    bool isFinished() const { return m_finished; }

    bool canBecomeKeyWindow() const override { return true; }

private:
    std::function<void()> m_openMainWindow;
    StartUpWizardView* m_wizard = nullptr;
    bool m_finished = false;
};
