#pragma once

#include "StatusItem.h"

#include <QObject>
#include <QSystemTrayIcon>

class QWindow;

// The status item on QSystemTrayIcon. The tray reports the click (the
// activation), not the press: a left click (Trigger) calls the click handler,
// a right click (Context) opens the menu, which the tray shows itself. The
// icon is visible from construction; on a desktop without a tray it waits
// for one (the tray may start after the program).
class TrayStatusItem : public QObject, public StatusItem {
    Q_OBJECT

public:
    explicit TrayStatusItem(QObject* parent = nullptr);
    ~TrayStatusItem() override;

    QRectF rectOnScreen() const override;
    bool isAvailable() const override;

    // While an alert modal to the whole program is open, Qt takes no input
    // in the program's other windows, the tray icon's among them: no menu,
    // so no Quit. A modal window's own (transient) children are spared, so
    // the icons of the tray are made children of `modal`; null gives them
    // back to no window. Does nothing where the tray takes its clicks
    // through the session's bus rather than through a window of ours.
    static void keepClickableOver(QWindow* modal);

protected:
    void showIcon(const QImage& icon) override;
    void menuDidChange() override;

private:
    QSystemTrayIcon m_tray;
};
