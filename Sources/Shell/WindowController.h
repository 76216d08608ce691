#pragma once

#include <QObject>

#include <functional>
#include <memory>

class MAAttachedWindow;
class ShellHost;
class View;

// Owns the one window the program shows most of the time: an arrow window
// whose content is the main view (or, for the instance made at launch, the
// splash view). It places the window under the tray item, docked at a screen
// edge or at the top right for the planners, fades it in and out, closes it
// when it loses the focus unless pinned, and tells whether it is open.
class WindowController : public QObject {
    Q_OBJECT

public:
    // The splash instance shows `content` (the splash view); the main one
    // shows MainView::current(). Both start inactive.
    static std::unique_ptr<WindowController> initWithSplashScreen(ShellHost* rootApp, View* content);
    static std::unique_ptr<WindowController> initWithRootApp(ShellHost* rootApp);
    ~WindowController() override;

    MAAttachedWindow* popoverWindow() const;
    ShellHost* rootApp() const;
    void setRootApp(ShellHost* rootApp);

    bool isActive() const;
    // Opens (on) or closes (off) the window when the value changes;
    // isActiveChanged carries the old and the new value.
    void setActive(bool active);

    // Shows the splash and fades it in; shown runs once it is fully in (not
    // when the splash goes before).
    void showSplashScreen(std::function<void()> shown = {});
    void openWindow();
    // While the main window waits to open, with secondsLeft of the wait:
    // places it where it will open and readies its first drawing when there
    // is time for it. Nothing once it is shown.
    void prepareToOpen(double secondsLeft);
    void closeWindow();
    void customResignFirstResponder();

Q_SIGNALS:
    void isActiveChanged(bool oldValue, bool newValue);

private:
    struct Private;
    explicit WindowController(std::unique_ptr<Private> d);
    std::unique_ptr<Private> d;
};
