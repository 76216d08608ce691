#include "CategoryDetailPanel.h"

#include "CategoryDetailView.h"
#include "MainViewHeight.h"
#include "NotificationCenter.h"
#include "../SharedUI/Notifications.h"
#include "Screen.h"
#include "TextTable.h"

#include <cmath>
#include <utility>

namespace {

// Centred on the main screen across, and placed by its least height
// upright, until the list moves it beside the main window.
QRectF detailPanelRect()
{
    const QRectF screen = Screen::mainFrame();
    const double x = std::round((screen.width() - CategoryDetailPanel::panelWidth) / 2);
    const double y = std::round((screen.height() - CategoryDetailPanel::minimumHeight) / 2);
    return QRectF(x, y, CategoryDetailPanel::panelWidth, CategoryDetailPanel::builtHeight);
}

}  // namespace

CategoryDetailPanel::CategoryDetailPanel()
    : Panel(detailPanelRect(), TitledWindowMask | ClosableWindowMask | MiniaturizableWindowMask |
                                   ResizableWindowMask | UtilityWindowMask)
{
    setDelegate(this);
    // Title bar and all on the screen's usable area, clear of the panels
    // and the tray.
    setKeepsDecorationsInside(true);
    setMinSize(QSizeF(panelWidth, minimumHeight));
    setMaxSize(QSizeF(panelWidth, double(mainViewHeight)));
    setWindowTitle(TextTable::localizedString(QStringLiteral("categoryInfoText")));
    m_detailView = new CategoryDetailView(QRectF(0, 0, panelWidth, builtHeight));
    setContentView(m_detailView);
}

CategoryDetailPanel::~CategoryDetailPanel()
{
    setDelegate(nullptr);
}

QRectF CategoryDetailPanel::frameBeside(const QRectF& window, const QSizeF& size, const QRectF& area)
{
    // y goes up: a frame's top edge is its y plus its height.
    const double top = window.y() + window.height();
    QRectF frame(window.x() - size.width(), top - size.height(), size.width(), size.height());
    if (frame.x() < area.x()) frame.moveLeft(window.x() + window.width());
    return Screen::keptInside(frame, area);
}

QRectF CategoryDetailPanel::frameForHeight(const QRectF& old, double height, double leastHeight, const QRectF& area)
{
    const double top = std::min(old.y() + old.height(), area.y() + area.height());
    const double room = std::max(leastHeight, top - area.y());
    const double kept = std::min(height, room);
    return Screen::keptInside(QRectF(old.x(), top - kept, old.width(), kept), area);
}

void CategoryDetailPanel::makeDetailViewFirstResponder()
{
    m_detailViewTakesKeys = true;
    m_detailView->becomeFirstResponder();
}

void CategoryDetailPanel::windowDidBecomeKey(Window*)
{
    if (std::exchange(m_detailViewTakesKeys, false)) m_detailView->becomeFirstResponder();
}

bool CategoryDetailPanel::windowShouldClose(Window*)
{
    return m_detailView->cancelEdit();
}

void CategoryDetailPanel::windowWillClose(Window*)
{
    if (Window* parent = parentWindow()) parent->removeChildWindow(this);
    m_detailView->panelWillClose();
    NotificationCenter::defaultCenter().postNotificationOnMainThreadName(kPopoverShouldClose,
                                                                         static_cast<QObject*>(this));
}

void CategoryDetailPanel::windowDidResize(Window*)
{
    m_detailView->updateViewSize();
}

void CategoryDetailPanel::windowDidResignKey(Window*)
{
    m_detailView->panelDidResignKey();
}
