#pragma once

#include "Window.h"

class CategoryDetailView;

// The floating panel that shows one category's detail beside the main
// window; the category list makes it on first use and keeps it. It is its
// own delegate: its close button reverts the category, and it sizes its
// view when the user resizes it. Only its height can change, from 170 to
// the main window's height.
class CategoryDetailPanel : public Panel, public WindowDelegate {
    Q_OBJECT

public:
    static constexpr double panelWidth = 350;
    static constexpr double builtHeight = 400;
    static constexpr double minimumHeight = 170;

    CategoryDetailPanel();
    ~CategoryDetailPanel() override;

    CategoryDetailView* categoryDetailView() const { return m_detailView; }
    // A key window also when no control needs the keyboard.
    bool becomesKeyOnlyIfNeeded() const { return m_becomesKeyOnlyIfNeeded; }
    void setBecomesKeyOnlyIfNeeded(bool onlyIfNeeded) { m_becomesKeyOnlyIfNeeded = onlyIfNeeded; }

    bool windowShouldClose(Window* window) override;
    void windowWillClose(Window* window) override;
    void windowDidResize(Window* window) override;
    void windowDidResignKey(Window* window) override;

private:
    CategoryDetailView* m_detailView = nullptr;
    bool m_becomesKeyOnlyIfNeeded = true;
};
