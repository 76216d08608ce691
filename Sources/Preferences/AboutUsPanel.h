#pragma once

#include "Window.h"

class AboutUsView;

// The About panel: a floating titled panel holding the About view. Closing
// it takes it out of its parent window's child windows; the main view
// attaches it again at the next showing.
class AboutUsPanel : public Panel, public WindowDelegate {
    Q_OBJECT

public:
    static constexpr double panelWidth = 310;
    static constexpr double panelHeight = 430;
    static constexpr double viewHeight = 420;

    AboutUsPanel();
    ~AboutUsPanel() override;

    AboutUsView* aboutUs() const { return m_aboutUs; }

    void windowWillClose(Window* window) override;

private:
    AboutUsView* m_aboutUs = nullptr;
};
