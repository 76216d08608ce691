#include "AboutUsPanel.h"

#include "AboutUsView.h"
#include "Screen.h"

#include <cmath>

AboutUsPanel::AboutUsPanel()
    : Panel(QRectF(0, 0, panelWidth, panelHeight),
            TitledWindowMask | ClosableWindowMask | MiniaturizableWindowMask | UtilityWindowMask)
{
    setDelegate(this);
    setWindowTitle(QStringLiteral("About Us"));
    // Across the middle of the main screen, its height reckoned from 200
    // points rather than its own; the main view moves it over the main window.
    const QRectF screen = Screen::mainFrame();
    setFrame(QRectF(screen.x() + std::round((screen.width() - panelWidth) / 2),
                    screen.y() + std::round((screen.height() - 200) / 2), panelWidth, panelHeight),
             false);
    // The window's content covers it whole; the About view keeps its own
    // height at the top of it.
    auto* content = new View(QRectF(0, 0, panelWidth, panelHeight));
    content->setFlipped(true);
    m_aboutUs = new AboutUsView(QRectF(0, 0, panelWidth, viewHeight));
    content->addSubview(m_aboutUs);
    setContentView(content);
}

AboutUsPanel::~AboutUsPanel()
{
    setDelegate(nullptr);
}

void AboutUsPanel::windowWillClose(Window*)
{
    if (Window* parent = parentWindow()) parent->removeChildWindow(this);
}
