#pragma once

#include "StatusItem.h"

#include <QList>

// A status item without a tray, for tests of what hangs from the item or
// reacts to it. The test sets where the item is and whether a tray exists,
// clicks it, and reads the icons the item was asked to show.
class FakeStatusItem : public StatusItem {
public:
    FakeStatusItem();

    QRectF rectOnScreen() const override { return m_rect; }
    bool isAvailable() const override { return m_available; }
    void setRectOnScreen(const QRectF& rect) { m_rect = rect; }
    void setAvailable(bool available) { m_available = available; }

    // A left click: the click handler runs.
    void click() { performClick(); }
    // A right click: answers the menu the tray would open (null for none).
    QMenu* rightClick() const { return menu(); }

    // Every icon shown, oldest first; the last is what the tray shows now.
    const QList<QImage>& shownIcons() const { return m_icons; }

protected:
    void showIcon(const QImage& icon) override { m_icons.append(icon); }

private:
    QRectF m_rect;
    bool m_available = true;
    QList<QImage> m_icons;
};
