#include "CategoryDetailPanel.h"

#include "CategoryDetailView.h"
#include "MainViewHeight.h"
#include "NotificationCenter.h"
#include "../SharedUI/Notifications.h"
#include "Screen.h"
#include "TextTable.h"

#include <cmath>

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

bool CategoryDetailPanel::windowShouldClose(Window*)
{
    m_detailView->cancelEdit();
    return true;
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
