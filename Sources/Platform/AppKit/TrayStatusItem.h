#pragma once

#include "StatusItem.h"

#include <QObject>
#include <QSystemTrayIcon>

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

protected:
    void showIcon(const QImage& icon) override;
    void menuDidChange() override;

private:
    QSystemTrayIcon m_tray;
};
