#pragma once

#include "Menu.h"
#include "ScheduledTimer.h"

#include <QImage>
#include <QObject>
#include <QPointF>
#include <QRectF>

#include <functional>
#include <memory>

class QMenu;
class StatusItem;

// The program's item in the tray. The tray hosts no view of ours, so this is
// the state of one: the icon, the drawn highlight (the item's highlight), the
// click's action and the one-entry menu that quits. A click (the tray's
// activation; it reports no press) highlights the item, sends the action and
// clears the highlight 0.1 s later, so the press stays visible that long.
class StatusMenuView : public QObject {
    Q_OBJECT

public:
    // Always 22 × 22, whatever frame it is given.
    explicit StatusMenuView(const QRectF& frame = QRectF(0, 0, 22, 22), QObject* parent = nullptr);
    // Reads the icon on the pool, so that the view made later finds it read.
    static void readIconAhead();
    ~StatusMenuView() override;

    QRectF frame() const { return m_frame; }

    // The item this view draws into; not owned (the delegate owns it).
    StatusItem* statusItem() const { return m_statusItem; }
    void setStatusItem(StatusItem* item);

    // "zvm_icon" at 20 × 20 points.
    QImage icon() const { return m_icon; }
    // The drawn highlight: on while the click is shown or the menu is open.
    bool isMenuVisible() const { return m_isMenuVisible; }
    void setMenuVisible(bool visible);
    // Whether the main window is open; kept equal to the window controller's.
    bool isActive() const { return m_isActive; }
    void setActive(bool active) { m_isActive = active; }

    // Sent on a click: the delegate's toggleWindow.
    void setAction(std::function<void()> action) { m_action = std::move(action); }
    // The menu's Quit entry: the delegate's closeApp.
    void setCloseAppAction(std::function<void()> action) { m_closeApp = std::move(action); }

    const Menu& menu() const { return m_menu; }
    // The QMenu the tray shows, made from menu().
    QMenu* trayMenu() const { return m_trayMenu.get(); }

    // The click and its end, as the tray reports them.
    void mouseDown();
    void mouseUp();
    void setNeedsDisplay();

    // Where the main window hangs (our screen coordinates): the middle of the
    // bottom edge of the item's rectangle, (0, 0) without an item. When the
    // tray does not tell where the item is, the kit's hanging point: the top
    // right corner of the main screen's visible frame, where a tray item
    // usually sits, so the window still hangs at the top right.
    QPointF position() const;

private:
    void createMenu();

    QRectF m_frame;
    StatusItem* m_statusItem = nullptr;
    QImage m_icon;
    bool m_isMenuVisible = false;
    bool m_isActive = false;
    std::function<void()> m_action;
    std::function<void()> m_closeApp;
    Menu m_menu;
    std::unique_ptr<QMenu> m_trayMenu;
    ScheduledTimer m_highlightTimer;
};
