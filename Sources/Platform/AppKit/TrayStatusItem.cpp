#include "TrayStatusItem.h"

#include "Screen.h"

#include <QApplication>
#include <QIcon>
#include <QMenu>
#include <QPixmap>
#include <QWidget>
#include <QWindow>

TrayStatusItem::TrayStatusItem(QObject* parent) : QObject(parent)
{
    connect(&m_tray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        // A double click arrives as a Trigger followed by a DoubleClick: the
        // Trigger already was the click.
        if (reason == QSystemTrayIcon::Trigger) performClick();
    });
    // Qt refuses to show a tray icon without an icon.
    showIcon(currentIcon());
    m_tray.show();
}

TrayStatusItem::~TrayStatusItem() = default;

QRectF TrayStatusItem::rectOnScreen() const
{
    const QRect frame = m_tray.geometry();
    return frame.isEmpty() ? QRectF() : Screen::fromQt(QRectF(frame));
}

bool TrayStatusItem::isAvailable() const
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void TrayStatusItem::showIcon(const QImage& icon)
{
    m_tray.setIcon(QIcon(QPixmap::fromImage(icon)));
}

void TrayStatusItem::menuDidChange()
{
    m_tray.setContextMenu(menu());
}

void TrayStatusItem::keepClickableOver(QWindow* modal)
{
    // Qt's window of a tray icon on a desktop of the embedding protocol.
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (qstrcmp(widget->metaObject()->className(), "QSystemTrayIconSys") != 0) continue;
        if (QWindow* window = widget->windowHandle(); window && window != modal) window->setTransientParent(modal);
    }
}
